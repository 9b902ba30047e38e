// Feeds arbitrary bytes to the transfer text reader, then runs every check and refresh of
// the list the window would run on what was read.
#include "import/LineReader.h"
#include "import/TextImport.h"
#include "model/UserError.h"
#include "session/Session.h"

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
    try {
        QStringView record;
        while (reader.next(record))
            lines.push_back(TextImport::parseRecord(record));
    } catch (const UserError &) {
        return 0;
    }
    Session session;
    session.replaceAll(std::move(lines));
    const WorkingList &list = session.list();
    session.errorLines();
    session.errorRecords();
    for (int r = 0; r < list.count() && r < 64; ++r) {
        WorkingList::background(list.line(r));
        session.setFilter(WorkingList::FilterField::Name, list.line(r).subItem(5));
    }
    session.setFilter(WorkingList::FilterField::None, QString());
    session.repairKeys(KeyKind::Ccp);
    session.clean();
    session.repairKeys(KeyKind::Rip);
    if (list.count() > 0) session.deleteRow(list.count() / 2);
    return 0;
}
