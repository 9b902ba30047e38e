#include "WorkbookReader.h"

#include "platform/Platform.h"

#include "ReaderAnswer.h"
#include "WorkbookTexts.h"
#include "model/UserError.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <cstdio>
#include <cstring>
#include <new>

namespace WorkbookImport
{

namespace
{

QString &programOverride()
{
    static QString program;
    return program;
}

// Reads what writeSheet wrote, from the first byte of bytes at at; false when the answer is
// cut short or inconsistent.
class SheetReader
{
public:
    SheetReader(const QByteArray &bytes, qsizetype at) : m_bytes(bytes), m_at(at) {}

    template <class T> bool take(T &value)
    {
        if (m_bytes.size() - m_at < qsizetype(sizeof(T))) return false;
        std::memcpy(&value, m_bytes.constData() + m_at, sizeof(T));
        m_at += sizeof(T);
        return true;
    }
    bool text(QString &out)
    {
        quint32 units = 0;
        if (!take(units) || (m_bytes.size() - m_at) / 2 < qsizetype(units)) return false;
        out =
            QString(reinterpret_cast<const QChar *>(m_bytes.constData() + m_at), qsizetype(units));
        m_at += qsizetype(units) * 2;
        return true;
    }
    bool sheet(SheetCells &sheet)
    {
        qint32 lastRow = -1;
        quint32 count = 0, texts = 0;
        quint64 units = 0;
        if (!text(sheet.name) || !take(lastRow) || !take(count) || lastRow < -1 ||
            lastRow >= MaxRows || left() / qsizetype(sizeof(Entry)) < qsizetype(count))
            return false;
        sheet.lastRow = lastRow;
        sheet.entries.resize(count);
        if (count > 0) // an empty sheet has no entries, and no buffer to copy into
            std::memcpy(sheet.entries.data(), m_bytes.constData() + m_at, count * sizeof(Entry));
        m_at += qsizetype(count * sizeof(Entry));
        if (!take(texts) || !take(units) || left() / 4 < qsizetype(texts) ||
            (left() - qsizetype(texts) * 4) / 2 < qsizetype(std::min<quint64>(units, 1ULL << 62)))
            return false;
        std::vector<quint32> ends(texts);
        if (texts > 0) std::memcpy(ends.data(), m_bytes.constData() + m_at, texts * 4);
        m_at += qsizetype(texts) * 4;
        QString all(reinterpret_cast<const QChar *>(m_bytes.constData() + m_at), qsizetype(units));
        m_at += qsizetype(units) * 2;
        if (!sheet.texts.assign(std::move(all), std::move(ends))) return false;
        for (const Entry &e : sheet.entries)
            if (e.row < 1 || e.row > lastRow || e.col >= Columns ||
                e.cell.kind > Cell::Kind::NoValue ||
                (e.cell.text >= 0 && quint32(e.cell.text) >= texts))
                return false;
        return m_at == m_bytes.size();
    }

private:
    qsizetype left() const { return m_bytes.size() - m_at; }

    const QByteArray &m_bytes;
    qsizetype m_at;
};

} // namespace

QString readerProgram()
{
    if (!programOverride().isEmpty()) return programOverride();
    const QString name = Platform::executableName(QStringLiteral("talvoro-reader"));
    const QString dir =
        QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
    for (const QString &candidate :
         {QDir(dir).filePath(name),
          QDir(dir).filePath(QStringLiteral("../libexec/talvoro/") + name)})
        if (QFileInfo(candidate).isExecutable()) return QDir::cleanPath(candidate);
    return QDir(dir).filePath(name);
}

void setReaderProgram(const QString &program)
{
    programOverride() = program;
}

SheetCells readFirstSheet(const QString &path, const ReaderProgress &progress,
                          const ReaderLimits &limits, ReaderReport *report)
{
    if (!QFileInfo(path).isFile()) throw UserError(FileNotFoundText + Texts::shown(path));
    if (progress && !progress(0)) throw Cancelled();
    QProcess reader;
    reader.setProgram(readerProgram());
    reader.setArguments({QStringLiteral("--memory-mb"), QString::number(limits.memoryMb),
                         QFileInfo(path).absoluteFilePath()});
    reader.setStandardInputFile(QProcess::nullDevice());
    reader.setStandardErrorFile(QProcess::nullDevice());
    reader.start(QIODevice::ReadOnly);
    if (!reader.waitForStarted(30000))
        throw UserError(Texts::filled(Texts::ReaderMissing(), {Texts::shown(reader.program())}));
    auto stop = [&reader] {
        reader.kill();
        reader.waitForFinished(5000);
    };

    QElapsedTimer clock;
    clock.start();
    QByteArray answer;
    qsizetype at = 0; // first byte not yet read as a frame
    bool lastFrame = false;
    int permille = 0;
    for (;;) {
        const bool running = reader.state() != QProcess::NotRunning;
        if (running) reader.waitForReadyRead(40);
        answer += reader.readAllStandardOutput();
        while (!lastFrame && at < answer.size()) {
            if (answer[at] != ProgressFrame) {
                lastFrame = true;
            } else if (answer.size() - at >= 5) {
                permille =
                    std::clamp(int(uchar(answer[at + 1]) | uchar(answer[at + 2]) << 8), 0, 1000);
                at += 5;
            } else {
                break;
            }
        }
        if (!running) break;
        if (progress && !progress(permille)) {
            stop();
            throw Cancelled();
        }
        if (clock.elapsed() > qint64(limits.seconds) * 1000) {
            stop();
            throw UserError(Texts::filled(Texts::TooLong(),
                                          {Texts::shown(path), QString::number(limits.seconds)}));
        }
    }
    answer += reader.readAllStandardOutput();
    if (reader.exitStatus() != QProcess::NormalExit || reader.exitCode() != 0 || !lastFrame)
        damaged(path, Texts::Interrupted());

    SheetReader in(answer, at + 1);
    const char kind = answer[at];
    qint64 peak = 0;
    if (!in.take(peak)) damaged(path, Texts::Interrupted());
    if (report) report->peakMemoryKb = peak;
    if (kind == MemoryFrame)
        throw UserError(Texts::filled(Texts::TooMuchMemory(),
                                      {Texts::shown(path), QString::number(limits.memoryMb)}));
    if (kind == ErrorFrame) {
        QString message;
        if (!in.text(message)) damaged(path, Texts::Interrupted());
        throw UserError(message);
    }
    SheetCells sheet;
    if (kind != SheetFrame || !in.sheet(sheet)) damaged(path, Texts::Interrupted());
    if (progress) progress(1000);
    return sheet;
}

std::vector<TransferLine> importFile(const QString &path, const ReaderProgress &progress,
                                     const ReaderLimits &limits, ReaderReport *report)
{
    return toLines(readFirstSheet(path, progress, limits, report), path);
}

} // namespace WorkbookImport
