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
    if (m_session.hasUnexportedChanges() && m_session.list().totalCount() > 0)
        m_timer.start();
    else
        discard();
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
    m_writer.start([path = m_path, lines] {
        const QString problem = ListJournal::write(path, *lines);
        if (!problem.isEmpty()) qWarning().noquote() << problem;
    });
}

void JournalKeeper::discard()
{
    m_timer.stop();
    m_writer.waitForDone();
    QFile::remove(m_path);
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
