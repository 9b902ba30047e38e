// The legacy .xls workbook as the reader walks it: the BIFF8 record types it knows, the
// little-endian fields, the record stream of the compound file's Workbook stream and the
// workbook globals (sheets, shared strings, date formats). XlsWorkbook.cpp reads the
// stream and the globals; XlsReader.cpp walks the first worksheet's cells.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace WorkbookImport::Xls
{

enum Record : uint16_t {
    Formula = 0x0006,
    Eof = 0x000A,
    DateMode = 0x0022,
    FilePass = 0x002F,
    Continue = 0x003C,
    WsBool = 0x0081,
    BoundSheet = 0x0085,
    MulRk = 0x00BD,
    MulBlank = 0x00BE,
    RString = 0x00D6,
    Xf = 0x00E0,
    Sst = 0x00FC,
    LabelSst = 0x00FD,
    Dimensions = 0x0200,
    Blank = 0x0201,
    Number = 0x0203,
    Label = 0x0204,
    BoolErr = 0x0205,
    String = 0x0207,
    Row = 0x0208,
    Index = 0x020B,
    Rk = 0x027E,
    Format = 0x041E,
    DbCell = 0x00D7,
    ShrFmla = 0x04BC,
    Array = 0x0221,
    Table = 0x0236,
    Bof = 0x0809,
};

// The largest sheet of the format.
constexpr uint32_t XlsRows = 65536;
constexpr uint32_t XlsColumns = 256;

inline uint16_t le16(const unsigned char *p)
{
    return uint16_t(p[0] | p[1] << 8);
}
inline uint32_t le32(const unsigned char *p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline double leDouble(const unsigned char *p)
{
    uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = bits << 8 | p[i];
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

// Walks the records of the stream from pos; each next() gives the type, data and length of
// one record. False at the end of the stream or at a record cut short.
struct Records {
    const unsigned char *d;
    size_t n, pos;
    uint16_t type = 0, len = 0;
    const unsigned char *data = nullptr;
    size_t at = 0; // where the current record starts

    bool next()
    {
        if (pos + 4 > n) return false;
        const uint16_t t = le16(d + pos), l = le16(d + pos + 2);
        if (pos + 4 + l > n) return false;
        at = pos;
        type = t;
        len = l;
        data = d + pos + 4;
        pos += 4 + size_t(l);
        return true;
    }
    // The type of the record after the current one; 0 at the end.
    uint16_t peek() const { return pos + 4 <= n ? le16(d + pos) : 0; }
};

// A text whose characters may go on in CONTINUE records, each of those opening with the
// width flag of the characters it holds. Reads count characters from data[at] on, taking
// CONTINUE records from records as needed; false when they run out first.
bool continuedText(Records &records, const unsigned char *data, size_t len, size_t at, bool wide,
                   size_t count, QString &text);

struct SheetEntry {
    uint32_t offset;
    uint8_t type; // 0 worksheet or dialog sheet, 1 macro sheet, 2 chart, 6 module
    QString name;
};

// What the workbook globals say.
struct Globals {
    bool date1904 = false;
    std::vector<SheetEntry> sheets;
    std::vector<QString> strings;
    std::vector<bool> xfIsDate;
};

// The workbook stream of the compound file, whole.
QByteArray workbookStream(const QString &path);

// Reads the globals from the stream's first record to their EOF record: the BOF must be a
// BIFF8 workbook's; an encrypted, truncated or malformed globals substream fails.
Globals readGlobals(Records &r, const QString &path);

// Whether the substream at offset is a worksheet: a dialog sheet shares its sheet type but
// says what it is in its WSBOOL record.
bool isWorksheet(const Records &stream, uint32_t offset);

} // namespace WorkbookImport::Xls
