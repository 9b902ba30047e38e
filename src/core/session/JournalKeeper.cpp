#include "JournalKeeper.h"

#include "ListJournal.h"
#include "Session.h"

#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <memory>

using namespace std::chrono_literals;

JournalKeeper::JournalKeeper(Session &session, QString path, QObject *parent)
    : QObject(parent), m_session(session), m_path(std::move(path))
{
    m_writer.setMaxThreadCount(1);
    m_timer.setSingleShot(true);
    m_timer.setInterval(2s);
    if (m_path.isEmpty()) return;
    connect(&m_timer, &QTimer::timeout, this, &JournalKeeper::write);
    connect(&session, &Session::linesChanged, this, &JournalKeeper::onLinesChanged);
    // An export marks the list as written without changing a line.
    connect(&session.undoStack(), &QUndoStack::cleanChanged, this, &JournalKeeper::onLinesChanged);
    if (session.hasUnexportedChanges()) onLinesChanged();
}

JournalKeeper::~JournalKeeper()
{
    if (m_timer.isActive()) write();
    m_writer.waitForDone();
}

void JournalKeeper::onLinesChanged()
{
    // The delay runs from the first change the file does not hold: a later change never
    // restarts it, so a steady stream of changes is still written every delay.
    if (m_session.hasUnexportedChanges() && m_session.list().totalCount() > 0) {
        if (!m_timer.isActive()) m_timer.start();
    } else {
        discard();
    }
}

void JournalKeeper::write()
{
    m_timer.stop();
    // The lines share their texts with the list: the copy is quick, and the list may change
    // while the worker writes it.
    const WorkingList &list = m_session.list();
    auto lines = std::make_shared<std::vector<TransferLine>>();
    lines->reserve(size_t(list.totalCount()));
    for (int i = 0; i < list.totalCount(); ++i)
        lines->push_back(list.lineOfAll(i));
    m_writer.start([this, path = m_path, lines, generation = m_generation] {
        const QString problem = ListJournal::write(path, *lines);
        // Told on the keeper's thread; dropped if the keeper is gone by then.
        QMetaObject::invokeMethod(
            this, [this, generation, problem] { onWritten(generation, problem); },
            Qt::QueuedConnection);
    });
}

void JournalKeeper::onWritten(quint64 generation, const QString &problem)
{
    if (generation != m_generation) return;
    if (problem.isEmpty()) {
        if (m_failing) {
            m_failing = false;
            emit writeRecovered();
        }
        return;
    }
    qWarning().noquote() << problem;
    removeStale();
    if (m_failing) return;
    m_failing = true;
    emit writeFailed(problem);
}

void JournalKeeper::removeStale()
{
    if (QFile::remove(m_path) || !QFileInfo::exists(m_path)) return;
    const QFileInfo info(m_path);
    if (QFile::rename(m_path, info.dir().filePath(info.completeBaseName() +
                                                  QStringLiteral("-perime.") + info.suffix())))
        return;
    // A folder that forbids removing may still let the file be emptied: an empty file is
    // not a journal, and is never offered as the list.
    if (!info.isSymLink()) QFile::resize(m_path, 0);
}

void JournalKeeper::discard()
{
    m_timer.stop();
    m_writer.waitForDone();
    ++m_generation;
    if (m_path.isEmpty()) return;
    QFile::remove(m_path);
    if (m_failing) {
        m_failing = false;
        emit writeRecovered();
    }
}

QString JournalKeeper::setAside(const QString &path)
{
    const QFileInfo info(path);
    const QString aside = info.dir().filePath(
        info.completeBaseName() + QStringLiteral("-illisible-") +
        QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss")) + u'.' +
        info.suffix());
    if (QFile::rename(path, aside)) return aside;
    QFile::remove(path);
    return path;
}
