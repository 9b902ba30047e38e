// Feeds arbitrary bytes to the transfer text reader, then runs every check and refresh of
// the list the window would run on what was read.
#include "import/LineReader.h"
#include "import/TextImport.h"
#include "keys/LineCheck.h"
#include "keys/Statistics.h"
#include "model/UserError.h"
#include "model/WorkingList.h"

#include <QBuffer>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QBuffer buf;
    buf.setData(reinterpret_cast<const char *>(data), qsizetype(size));
    buf.open(QIODevice::ReadOnly);
    LineReader reader(buf);
    std::vector<TransferLine> lines;
    ErrorLog log;
    try {
        QStringView record;
        while (reader.next(record)) {
            lines.push_back(TextImport::parseRecord(record));
            CheckCLE_RIP_Item(log, &lines.back(), int(lines.size()) - 1);
        }
    } catch (const UserError &) {
        return 0;
    }
    WorkingList list;
    list.replaceAll(std::move(lines));
    Statistics::checkAndTotal(list, log);
    Statistics::byStatus(list);
    Statistics::verified(list);
    Statistics::duplicatePanels(list);
    Statistics::duplicateNames(list);
    Statistics::contractTypes(list);
    for (int r = 0; r < list.count() && r < 64; ++r) {
        WorkingList::background(list.line(r));
        list.setFilter(WorkingList::FilterField::NomPrenom, list.line(r).subItem(5));
    }
    FixCleKeys(list);
    FixRipKeys(list);
    return 0;
}
