// talvoro-reader: reads one workbook for the program and writes its first sheet to standard
// output. Started by the program, never by the clerk.
#include "SheetReaders.h"
#include "import/ReaderAnswer.h"
#include "import/WorkbookTexts.h"
#include "model/UserError.h"
#include "platform/Platform.h"

#include <QFile>
#include <QStringList>

#include <cstdio>
#include <functional>
#include <new>

namespace WorkbookImport
{
namespace
{

void writeOut(const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

} // namespace

int readerMain(const QStringList &arguments)
{
    if (arguments.size() != 3 || arguments[0] != u"--memory-mb") {
        std::fputs("talvoro-reader is started by Talvoro CCP to read a workbook.\n", stderr);
        return 64;
    }
    Platform::limitAddressSpace(arguments[1].toInt());
    const QString &path = arguments[2];
    qint32 lastPermille = -1;
    const ReadProgress progress = [&lastPermille](int permille) {
        if (permille <= lastPermille) return;
        lastPermille = permille;
        char frame[5] = {ProgressFrame, char(permille & 0xFF), char((permille >> 8) & 0xFF), 0, 0};
        writeOut(QByteArray(frame, 5));
    };
    // The last frame opens with the peak memory, taken once the sheet is read.
    auto answer = [](char kind) {
        QByteArray bytes;
        const qint64 peak = Platform::peakMemoryKb();
        bytes.append(kind);
        bytes.append(reinterpret_cast<const char *>(&peak), sizeof peak);
        return bytes;
    };
    QByteArray last;
    try {
        const SheetCells sheet = readFirstSheetHere(path, progress);
        // The sheet goes out from where it lies; a copy would double the reader's peak.
        writeOut(answer(SheetFrame));
        writeSheet(sheet, [](const char *data, size_t size) {
            if (size > 0) std::fwrite(data, 1, size, stdout);
        });
        std::fflush(stdout);
        return 0;
    } catch (const UserError &e) {
        last = answer(ErrorFrame);
        appendText(last, e.message());
    } catch (const std::bad_alloc &) {
        last = answer(MemoryFrame);
    } catch (const std::exception &e) {
        last = answer(ErrorFrame);
        appendText(last, Texts::filled(Texts::Damaged(),
                                       {Texts::shown(path), QString::fromUtf8(e.what())}));
    }
    writeOut(last);
    return 0;
}

} // namespace WorkbookImport

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QFile::decodeName(argv[i]);
    return WorkbookImport::readerMain(arguments);
}
