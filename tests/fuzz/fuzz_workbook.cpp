// Feeds arbitrary bytes to the workbook readers in this process, as a file, then converts the
// rows. The program reads workbooks in a reader process; here the readers run bare so that
// every fault is seen. fuzz_workbook reads zip workbooks (.xlsx through QuaZip and liborcus's
// XML parser, .ods through QuaZip and QXmlStreamReader); fuzz_workbook_xls reads compound
// files (.xls: libgsf for the container, our walk of the BIFF8 records for the cells).
#include "SheetReaders.h"
#include "import/WorkbookImport.h"
#include "model/UserError.h"

#include <QDir>
#include <QFile>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <unistd.h>

#ifndef TALVORO_FUZZ_COMPOUND
#define TALVORO_FUZZ_COMPOUND 0
#endif

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const char compound[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
    const bool isCompound = size >= 8 && std::memcmp(data, compound, 8) == 0;
    if (isCompound != bool(TALVORO_FUZZ_COMPOUND)) return 0;
    static const QString path =
        QDir::tempPath() + QStringLiteral("/talvoro-fuzz-workbook-%1.bin").arg(getpid());
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly)) return 0;
        f.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    try {
        WorkbookImport::toLines(WorkbookImport::readFirstSheetHere(path), path);
    } catch (const UserError &) {
    } catch (const std::bad_alloc &) {
    }
    return 0;
}
