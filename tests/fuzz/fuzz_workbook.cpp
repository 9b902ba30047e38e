// Feeds arbitrary bytes to the workbook readers (.xlsx and .ods through liborcus, .xls through
// FreeXL in a child process, chosen by the content), as a file, then converts and checks the
// rows. FreeXL's own faults on damaged files (tests/fuzz/known/) stay in the child.
#include "import/WorkbookImport.h"
#include "keys/LineCheck.h"
#include "model/UserError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstddef>
#include <cstdint>
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
        WorkbookImport::importFile(path);
    } catch (const UserError &) {
    }
    return 0;
}
