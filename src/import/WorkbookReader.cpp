#include "WorkbookReader.h"

#include "SheetReaders.h"
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
#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

namespace WorkbookImport
{

namespace
{

// The reader's answer on standard output: any number of progress frames ('P' and the
// thousandths as 4 bytes), then one last frame: 'R' and the sheet, 'E' and a message for
// the clerk, or 'M' when the memory limit was reached. The last frame opens with the
// reader's peak memory.
constexpr char ProgressFrame = 'P', SheetFrame = 'R', ErrorFrame = 'E', MemoryFrame = 'M';

QString &programOverride()
{
    static QString program;
    return program;
}

qint64 peakMemoryKb()
{
#ifdef Q_OS_UNIX
    struct rusage usage = {};
    if (getrusage(RUSAGE_SELF, &usage) == 0) return qint64(usage.ru_maxrss);
#endif
    return 0;
}

void limitMemory(int megabytes)
{
#if defined(Q_OS_UNIX) && !defined(__SANITIZE_ADDRESS__)
    // Sanitizer builds reserve vast address ranges of their own: no limit there.
    const rlim_t bytes = rlim_t(megabytes) << 20;
    const struct rlimit limit = {bytes, bytes};
    setrlimit(RLIMIT_AS, &limit);
#else
    Q_UNUSED(megabytes);
#endif
}

void writeOut(const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

// The sheet travels as raw memory: the reader is built with the program, so both sides lay
// it out alike. Texts go as their UTF-16 units, so that nothing is converted twice.
void appendText(QByteArray &out, const QString &text)
{
    const quint32 units = quint32(text.size());
    out.append(reinterpret_cast<const char *>(&units), sizeof units);
    out.append(reinterpret_cast<const char *>(text.constData()), qsizetype(units) * 2);
}

void writeSheet(QByteArray &out, const SheetCells &sheet)
{
    qsizetype size = 64 + qsizetype(sheet.entries.size() * sizeof(Entry));
    for (const QString &t : sheet.texts)
        size += 4 + t.size() * 2;
    out.reserve(out.size() + size);
    appendText(out, sheet.name);
    const qint32 lastRow = sheet.lastRow;
    const quint32 entries = quint32(sheet.entries.size()), texts = quint32(sheet.texts.size());
    out.append(reinterpret_cast<const char *>(&lastRow), sizeof lastRow);
    out.append(reinterpret_cast<const char *>(&entries), sizeof entries);
    out.append(reinterpret_cast<const char *>(sheet.entries.data()), qsizetype(entries * sizeof(Entry)));
    out.append(reinterpret_cast<const char *>(&texts), sizeof texts);
    for (const QString &t : sheet.texts)
        appendText(out, t);
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
        out = QString(reinterpret_cast<const QChar *>(m_bytes.constData() + m_at), qsizetype(units));
        m_at += qsizetype(units) * 2;
        return true;
    }
    bool sheet(SheetCells &sheet)
    {
        qint32 lastRow = -1;
        quint32 count = 0, texts = 0;
        if (!text(sheet.name) || !take(lastRow) || !take(count) || lastRow < -1 || lastRow >= MaxRows ||
            (m_bytes.size() - m_at) / qsizetype(sizeof(Entry)) < qsizetype(count))
            return false;
        sheet.lastRow = lastRow;
        sheet.entries.resize(count);
        std::memcpy(sheet.entries.data(), m_bytes.constData() + m_at, count * sizeof(Entry));
        m_at += qsizetype(count * sizeof(Entry));
        if (!take(texts) || (m_bytes.size() - m_at) / 4 < qsizetype(texts)) return false;
        sheet.texts.resize(texts);
        for (QString &t : sheet.texts)
            if (!text(t)) return false;
        for (const Entry &e : sheet.entries)
            if (e.row < 1 || e.row > lastRow || e.col >= Columns || e.cell.kind > Cell::Kind::NoValue ||
                (e.cell.text >= 0 && quint32(e.cell.text) >= texts))
                return false;
        return m_at == m_bytes.size();
    }

private:
    const QByteArray &m_bytes;
    qsizetype m_at;
};

} // namespace

QString readerProgram()
{
    if (!programOverride().isEmpty()) return programOverride();
#ifdef Q_OS_WIN
    const QString name = QStringLiteral("talvoro-reader.exe");
#else
    const QString name = QStringLiteral("talvoro-reader");
#endif
    const QString dir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                                     : QDir::currentPath();
    for (const QString &candidate :
         {QDir(dir).filePath(name), QDir(dir).filePath(QStringLiteral("../libexec/talvoro/") + name)})
        if (QFileInfo(candidate).isExecutable()) return QDir::cleanPath(candidate);
    return QDir(dir).filePath(name);
}

void setReaderProgram(const QString &program)
{
    programOverride() = program;
}

int readerMain(const QStringList &arguments)
{
    if (arguments.size() != 3 || arguments[0] != u"--memory-mb") {
        std::fputs("talvoro-reader is started by Talvoro CCP to read a workbook.\n", stderr);
        return 64;
    }
    limitMemory(arguments[1].toInt());
    const QString path = arguments[2];
    qint32 lastPermille = -1;
    const ReadProgress progress = [&lastPermille](int permille) {
        if (permille <= lastPermille) return;
        lastPermille = permille;
        char frame[5] = {ProgressFrame, char(permille & 0xFF), char((permille >> 8) & 0xFF), 0, 0};
        writeOut(QByteArray(frame, 5));
    };
    // The last frame, built whole before it is written.
    auto answer = [](char kind) {
        QByteArray bytes;
        const qint64 peak = peakMemoryKb();
        bytes.append(kind);
        bytes.append(reinterpret_cast<const char *>(&peak), sizeof peak);
        return bytes;
    };
    QByteArray last;
    try {
        const SheetCells sheet = readFirstSheetHere(path, progress);
        last = answer(SheetFrame);
        writeSheet(last, sheet);
    } catch (const UserError &e) {
        last = answer(ErrorFrame);
        appendText(last, e.message());
    } catch (const std::bad_alloc &) {
        last = answer(MemoryFrame);
    } catch (const std::exception &e) {
        last = answer(ErrorFrame);
        appendText(last, Texts::filled(Texts::Damaged, {Texts::shown(path), QString::fromUtf8(e.what())}));
    }
    writeOut(last);
    return 0;
}

SheetCells readFirstSheet(const QString &path, const ReaderProgress &progress,
                          const ReaderLimits &limits, ReaderReport *report)
{
    if (!QFileInfo(path).isFile()) throw UserError(Texts::FileNotFound + Texts::shown(path));
    if (progress && !progress(0)) throw Cancelled();
    QProcess reader;
    reader.setProgram(readerProgram());
    reader.setArguments({QStringLiteral("--memory-mb"), QString::number(limits.memoryMb),
                         QFileInfo(path).absoluteFilePath()});
    reader.setStandardInputFile(QProcess::nullDevice());
    reader.setStandardErrorFile(QProcess::nullDevice());
    reader.start(QIODevice::ReadOnly);
    if (!reader.waitForStarted(30000))
        throw UserError(Texts::filled(Texts::ReaderMissing, {Texts::shown(reader.program())}));
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
                permille = std::clamp(int(uchar(answer[at + 1]) | uchar(answer[at + 2]) << 8), 0, 1000);
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
            throw UserError(Texts::filled(Texts::TooLong,
                                          {Texts::shown(path), QString::number(limits.seconds)}));
        }
    }
    answer += reader.readAllStandardOutput();
    if (reader.exitStatus() != QProcess::NormalExit || reader.exitCode() != 0 || !lastFrame)
        damaged(path, Texts::Interrupted);

    SheetReader in(answer, at + 1);
    const char kind = answer[at];
    qint64 peak = 0;
    if (!in.take(peak)) damaged(path, Texts::Interrupted);
    if (report) report->peakMemoryKb = peak;
    if (kind == MemoryFrame)
        throw UserError(Texts::filled(Texts::TooMuchMemory,
                                      {Texts::shown(path), QString::number(limits.memoryMb)}));
    if (kind == ErrorFrame) {
        QString message;
        if (!in.text(message)) damaged(path, Texts::Interrupted);
        throw UserError(message);
    }
    SheetCells sheet;
    if (kind != SheetFrame || !in.sheet(sheet)) damaged(path, Texts::Interrupted);
    if (progress) progress(1000);
    return sheet;
}

std::vector<TransferLine> importFile(const QString &path, const ReaderProgress &progress,
                                     const ReaderLimits &limits, ReaderReport *report)
{
    return toLines(readFirstSheet(path, progress, limits, report), path);
}

} // namespace WorkbookImport
