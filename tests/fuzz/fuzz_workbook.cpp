// Feeds arbitrary bytes to the workbook readers (.xlsx and .ods through liborcus's zip and
// XML parsers, .xls through FreeXL and libgsf, chosen by the content) in this process, as a
// file, then converts the rows. The program reads workbooks in a reader process; here the
// readers run bare so that every fault is seen. Library faults already known are kept in
// tests/fuzz/known/ and run with scripts/fuzz.sh's known-fault check, apart from new ones.
#include "import/WorkbookImport.h"
#include "model/UserError.h"

#include <QDir>
#include <QFile>
#include <cstddef>
#include <cstdint>
#include <new>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QString path =
        QDir::tempPath() + QStringLiteral("/talvoro-fuzz-workbook-%1.bin").arg(getpid());
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            return 0;
        f.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    try {
        WorkbookImport::toLines(WorkbookImport::readFirstSheetHere(path), path);
    } catch (const UserError &) {
    } catch (const std::bad_alloc &) {
    }
    return 0;
}
