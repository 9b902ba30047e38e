#include "WorkbookReader.h"

#include "SheetReaders.h"
#include "WorkbookTexts.h"
#include "model/UserError.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <cstdio>
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
// the clerk, or 'M' when the memory limit was reached. The last frame also gives the
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

void writeSheet(QDataStream &out, const SheetCells &sheet)
{
    out << sheet.name << qint32(sheet.lastRow) << quint32(sheet.entries.size());
    for (const Entry &e : sheet.entries)
        out << qint32(e.row) << quint8(e.col) << quint8(e.cell.kind) << e.cell.number
            << qint32(e.cell.text);
    out << quint32(sheet.texts.size());
    for (const QString &t : sheet.texts)
        out << t;
}

// The sheet as the reader wrote it; false when the answer is cut short or inconsistent.
bool readSheet(QDataStream &in, SheetCells &sheet)
{
    qint32 lastRow = -1;
    quint32 count = 0;
    in >> sheet.name >> lastRow >> count;
    if (in.status() != QDataStream::Ok || lastRow < -1 || lastRow >= MaxRows) return false;
    sheet.lastRow = lastRow;
    sheet.entries.reserve(std::min<quint32>(count, quint32(MaxRows) * Columns));
    for (quint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        qint32 row = 0, text = -1;
        quint8 col = 0, kind = 0;
        double number = 0;
        in >> row >> col >> kind >> number >> text;
        if (row < 1 || row > lastRow || col >= Columns || kind > quint8(Cell::Kind::NoValue))
            return false;
        sheet.entries.push_back({row, col, Cell{Cell::Kind(kind), number, text}});
    }
    quint32 texts = 0;
    in >> texts;
    for (quint32 i = 0; i < texts && in.status() == QDataStream::Ok; ++i) {
        QString t;
        in >> t;
        sheet.texts.push_back(std::move(t));
    }
    if (in.status() != QDataStream::Ok) return false;
    for (const Entry &e : sheet.entries)
        if (e.cell.text >= 0 && size_t(e.cell.text) >= sheet.texts.size()) return false;
    return true;
}

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
    auto answer = [](char kind, const std::function<void(QDataStream &)> &body = {}) {
        QByteArray bytes;
        QDataStream out(&bytes, QIODevice::WriteOnly);
        out << qint8(kind) << peakMemoryKb();
        if (body) body(out);
        return bytes;
    };
    QByteArray last;
    try {
        const SheetCells sheet = readFirstSheetHere(path, progress);
        last = answer(SheetFrame, [&sheet](QDataStream &out) { writeSheet(out, sheet); });
    } catch (const UserError &e) {
        last = answer(ErrorFrame, [&e](QDataStream &out) { out << e.message(); });
    } catch (const std::bad_alloc &) {
        last = answer(MemoryFrame);
    } catch (const std::exception &e) {
        const QString message =
            Texts::filled(Texts::Damaged, {Texts::shown(path), QString::fromUtf8(e.what())});
        last = answer(ErrorFrame, [&message](QDataStream &out) { out << message; });
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

    QDataStream in(answer);
    in.skipRawData(int(at));
    qint8 kind = 0;
    qint64 peak = 0;
    in >> kind >> peak;
    if (report) report->peakMemoryKb = peak;
    if (kind == MemoryFrame)
        throw UserError(Texts::filled(Texts::TooMuchMemory,
                                      {Texts::shown(path), QString::number(limits.memoryMb)}));
    if (kind == ErrorFrame) {
        QString message;
        in >> message;
        if (in.status() != QDataStream::Ok) damaged(path, Texts::Interrupted);
        throw UserError(message);
    }
    SheetCells sheet;
    if (kind != SheetFrame || !readSheet(in, sheet)) damaged(path, Texts::Interrupted);
    if (progress) progress(1000);
    return sheet;
}

std::vector<TransferLine> importFile(const QString &path, const ReaderProgress &progress,
                                     const ReaderLimits &limits, ReaderReport *report)
{
    return toLines(readFirstSheet(path, progress, limits, report), path);
}

} // namespace WorkbookImport
