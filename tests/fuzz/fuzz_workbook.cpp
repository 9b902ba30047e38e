// Feeds arbitrary bytes to the workbook readers (.xlsx and .ods through liborcus, chosen by
// the content), as a file, then converts and checks the rows.
#include "import/WorkbookImport.h"
#include "keys/LineCheck.h"
#include "model/UserError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Legacy .xls files (compound documents) are left out: FreeXL 1.0.6 itself reads past a
    // stack buffer on some damaged files (tests/fuzz/known/), which no caller can prevent.
    static const uint8_t ole2[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    if (size >= 8 && std::memcmp(data, ole2, 8) == 0)
        return 0;
    static const QString path =
        QDir::tempPath() + QStringLiteral("/talvoro-fuzz-workbook-%1.bin").arg(getpid());
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            return 0;
        f.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    ErrorLog log;
    try {
        WorkbookImport::importFile(path, log);
    } catch (const UserError &) {
    }
    return 0;
}
