// The legacy .xls reader: the BIFF8 records of the compound file's Workbook stream, taken
// from the file with libgsf and walked here. Every cell record Excel, LibreOffice and
// Gnumeric write is read (shared strings, labels, numbers, RK and MULRK, booleans and error
// constants, formula results with their STRING record); charts, drawings and objects are
// passed over. The sheet must be whole and in order: cells in rising positions, inside the
// sheet's own DIMENSIONS and INDEX, up to its EOF record; anything else is a damaged file.
#include "SheetReaders.h"
#include "import/WorkbookTexts.h"
#include "model/UserError.h"

#include <QFile>

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-input.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <new>

namespace WorkbookImport
{

namespace
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

uint16_t le16(const unsigned char *p)
{
    return uint16_t(p[0] | p[1] << 8);
}
uint32_t le32(const unsigned char *p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
double leDouble(const unsigned char *p)
{
    uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = bits << 8 | p[i];
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

double rkNumber(uint32_t rk)
{
    double value;
    if (rk & 2) {
        value = double(int32_t(rk) >> 2);
    } else {
        const uint64_t bits = uint64_t(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&value, &bits, sizeof value);
    }
    return rk & 1 ? value / 100 : value;
}

QString errorText(unsigned char code)
{
    switch (code) {
    case 0x00:
        return QStringLiteral("#NULL!");
    case 0x07:
        return QStringLiteral("#DIV/0!");
    case 0x0F:
        return QStringLiteral("#VALUE!");
    case 0x17:
        return QStringLiteral("#REF!");
    case 0x1D:
        return QStringLiteral("#NAME?");
    case 0x24:
        return QStringLiteral("#NUM!");
    case 0x2A:
        return QStringLiteral("#N/A");
    }
    return QStringLiteral("#%1").arg(code);
}

// The workbook stream of the compound file, whole.
QByteArray workbookStream(const QString &path)
{
    struct Unref {
        void operator()(gpointer p) const
        {
            if (p) g_object_unref(p);
        }
    };
    GError *error = nullptr;
    std::unique_ptr<GsfInput, Unref> input(
        gsf_input_stdio_new(QFile::encodeName(path).constData(), &error));
    if (error) g_error_free(error), error = nullptr;
    if (!input) damaged(path, QStringLiteral("fichier composé illisible"));
    std::unique_ptr<GsfInfile, Unref> ole(gsf_infile_msole_new(input.get(), &error));
    if (error) g_error_free(error), error = nullptr;
    if (!ole) damaged(path, QStringLiteral("fichier composé illisible"));
    std::unique_ptr<GsfInput, Unref> stream(gsf_infile_child_by_name(ole.get(), "Workbook"));
    if (!stream) {
        // Excel 5 and 95 named the stream "Book" and wrote BIFF5, which is not read.
        std::unique_ptr<GsfInput, Unref> old(gsf_infile_child_by_name(ole.get(), "Book"));
        if (old) fail(Texts::OldXls, path);
        fail(Texts::NotWorkbook, path);
    }
    const gsf_off_t size = gsf_input_size(stream.get());
    if (size < 0 || size > (gsf_off_t(1) << 30)) throw std::bad_alloc();
    QByteArray bytes(qsizetype(size), Qt::Uninitialized);
    if (size > 0 &&
        !gsf_input_read(stream.get(), size_t(size), reinterpret_cast<guint8 *>(bytes.data())))
        damaged(path, QStringLiteral("flux Workbook illisible"));
    return bytes;
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
                   size_t count, QString &text)
{
    text.clear();
    text.reserve(qsizetype(count));
    while (size_t(text.size()) < count) {
        if (at >= len) {
            if (records.peek() != Continue || !records.next() || records.len < 1) return false;
            data = records.data;
            len = records.len;
            wide = data[0] & 1;
            at = 1;
            continue;
        }
        if (wide) {
            if (at + 2 > len) return false;
            text += QChar(le16(data + at));
            at += 2;
        } else {
            text += QChar(char16_t(data[at++]));
        }
    }
    return true;
}

// The shared string table: the SST record and the CONTINUE records after it, read as one
// run of bytes whose record boundaries matter only inside a string's characters.
class SharedStrings
{
public:
    void add(const unsigned char *data, size_t len) { m_parts.push_back({data, len}); }

    // False when the table is cut short or malformed.
    bool read(std::vector<QString> &out)
    {
        if (m_parts.empty()) return true;
        uint32_t total = 0, unique = 0;
        if (!u32(total) || !u32(unique)) return false;
        size_t bytes = 0;
        for (const auto &p : m_parts)
            bytes += p.second;
        out.reserve(std::min<size_t>(unique, bytes / 3));
        for (uint32_t i = 0; i < unique; ++i) {
            uint16_t count = 0;
            uint8_t flags = 0;
            if (!u16(count) || !byte(flags)) return false;
            uint16_t runs = 0;
            uint32_t extra = 0;
            if ((flags & 0x08) && !u16(runs)) return false;
            if ((flags & 0x04) && !u32(extra)) return false;
            QString text;
            text.reserve(count);
            bool wide = flags & 1;
            for (uint16_t c = 0; c < count; ++c) {
                if (m_at >= m_parts[m_part].second) {
                    // The characters go on in the next record, after their own width flag.
                    if (!advance()) return false;
                    uint8_t f = 0;
                    if (!byte(f)) return false;
                    wide = f & 1;
                }
                if (wide) {
                    uint16_t unit = 0;
                    if (!u16(unit)) return false;
                    text += QChar(unit);
                } else {
                    uint8_t unit = 0;
                    if (!byte(unit)) return false;
                    text += QChar(char16_t(unit));
                }
            }
            if (!skip(size_t(runs) * 4 + extra)) return false;
            out.push_back(std::move(text));
        }
        return true;
    }

private:
    bool advance()
    {
        if (m_part + 1 >= m_parts.size()) return false;
        ++m_part;
        m_at = 0;
        return true;
    }
    bool byte(uint8_t &v)
    {
        while (m_at >= m_parts[m_part].second)
            if (!advance()) return false;
        v = m_parts[m_part].first[m_at++];
        return true;
    }
    bool u16(uint16_t &v)
    {
        uint8_t a = 0, b = 0;
        if (!byte(a) || !byte(b)) return false;
        v = uint16_t(a | b << 8);
        return true;
    }
    bool u32(uint32_t &v)
    {
        uint16_t a = 0, b = 0;
        if (!u16(a) || !u16(b)) return false;
        v = uint32_t(a) | uint32_t(b) << 16;
        return true;
    }
    bool skip(size_t n)
    {
        while (n > 0) {
            while (m_at >= m_parts[m_part].second)
                if (!advance()) return false;
            const size_t step = std::min(n, m_parts[m_part].second - m_at);
            m_at += step;
            n -= step;
        }
        return true;
    }

    std::vector<std::pair<const unsigned char *, size_t>> m_parts;
    size_t m_part = 0, m_at = 0;
};

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

// A short text of the globals (a sheet name, a number format): count characters after a
// width flag, or empty when it does not fit.
QString shortText(const unsigned char *p, size_t len, size_t count)
{
    if (len < 1) return QString();
    const bool wide = p[0] & 1;
    ++p, --len;
    if (count * (wide ? 2 : 1) > len) return QString();
    QString text;
    text.reserve(qsizetype(count));
    for (size_t i = 0; i < count; ++i)
        text += wide ? QChar(le16(p + 2 * i)) : QChar(char16_t(p[i]));
    return text;
}

Globals readGlobals(Records &r, const QString &path)
{
    if (!r.next() || r.type != Bof || r.len < 4)
        fail(r.type == 0x0009 || r.type == 0x0209 || r.type == 0x0409 ? Texts::OldXls
                                                                      : Texts::NotWorkbook,
             path);
    if (le16(r.data) != 0x0600) fail(Texts::OldXls, path);
    if (le16(r.data + 2) != 0x0005) damaged(path, QStringLiteral("en-tête du classeur"));
    Globals g;
    std::map<uint16_t, bool> formats;
    std::vector<uint16_t> xfFormats;
    SharedStrings sst;
    bool sawSst = false, ended = false;
    while (!ended && r.next()) {
        switch (r.type) {
        case FilePass:
            fail(Texts::Encrypted, path);
        case DateMode:
            if (r.len >= 2) g.date1904 = le16(r.data) != 0;
            break;
        case Format:
            if (r.len >= 5)
                formats[le16(r.data)] = dateFormatCode(
                    shortText(r.data + 4, r.len - 4, le16(r.data + 2)).toStdString());
            break;
        case Xf:
            if (r.len >= 4) xfFormats.push_back(le16(r.data + 2));
            break;
        case BoundSheet:
            if (r.len < 8) damaged(path, QStringLiteral("liste des feuilles"));
            g.sheets.push_back(
                {le32(r.data), r.data[5], shortText(r.data + 7, r.len - 7, r.data[6])});
            break;
        case Sst:
            if (sawSst) damaged(path, QStringLiteral("table des chaînes répétée"));
            sawSst = true;
            sst.add(r.data, r.len);
            while (r.peek() == Continue && r.next())
                sst.add(r.data, r.len);
            break;
        case Eof:
            ended = true;
            break;
        default:
            break;
        }
    }
    if (!ended) damaged(path, QStringLiteral("classeur tronqué"));
    if (!sst.read(g.strings)) damaged(path, QStringLiteral("table des chaînes"));
    g.xfIsDate.reserve(xfFormats.size());
    for (uint16_t f : xfFormats) {
        const auto it = formats.find(f);
        g.xfIsDate.push_back(it != formats.end() ? it->second : builtInDateFormat(f));
    }
    return g;
}

// Whether the substream at offset is a worksheet: a dialog sheet shares its sheet type but
// says what it is in its WSBOOL record.
bool isWorksheet(const Records &stream, uint32_t offset)
{
    Records r{stream.d, stream.n, offset};
    if (!r.next() || r.type != Bof || r.len < 4 || le16(r.data + 2) != 0x0010) return false;
    while (r.next() && r.type != Eof && r.type != Bof) {
        if (r.type == WsBool && r.len >= 1) return !(r.data[0] & 0x10);
        if (r.type == Dimensions) break; // WSBOOL comes before the cells
    }
    return true;
}

// Reads the worksheet whose BOF is at offset into builder.
class SheetWalk
{
public:
    SheetWalk(Records records, const Globals &globals, SheetBuilder &builder,
              const ReadProgress &progress)
        : m_r(records), m_g(globals), m_b(builder), m_progress(progress)
    {
    }

    void run()
    {
        m_r.next(); // the sheet's BOF, checked by isWorksheet
        const size_t from = m_r.pos;
        bool ended = false;
        int nested = 0;
        while (!ended && m_r.next()) {
            if (m_progress && (m_r.at & 0xFFFF) < 8) {
                const size_t span = m_r.n > from ? m_r.n - from : 1;
                m_progress(int(std::min<size_t>(999, (m_r.at - from) * 1000 / span)));
            }
            // An embedded chart is a whole substream of its own inside the sheet.
            if (m_r.type == Bof) {
                ++nested;
                continue;
            }
            if (nested > 0) {
                if (m_r.type == Eof) --nested;
                continue;
            }
            ended = m_r.type == Eof;
            if (!ended) record();
        }
        if (!ended) damaged(QStringLiteral("feuille tronquée"));
        flushFormula();
        checkRowCount();
    }

private:
    [[noreturn]] void damaged(const QString &detail) const
    {
        WorkbookImport::damaged(m_b.path(), detail);
    }
    [[noreturn]] void damagedAt(uint32_t row, const QString &what) const
    {
        damaged(QStringLiteral("ligne %1 : %2").arg(row + 1).arg(what));
    }

    // Every cell comes after the one before, inside the sheet's declared extent.
    void cellAt(uint32_t row, uint32_t col)
    {
        if (!m_dimensions) damagedAt(row, QStringLiteral("cellule avant les dimensions"));
        if (row < m_rowFirst || row >= m_rowEnd || col < m_colFirst || col >= m_colEnd)
            damagedAt(row, QStringLiteral("cellule hors des dimensions de la feuille"));
        if (m_hasCell && (row < m_lastRow || (row == m_lastRow && col <= m_lastCol)))
            damagedAt(row, QStringLiteral("cellule répétée ou hors d’ordre"));
        flushFormula();
        m_hasCell = true;
        m_lastRow = row;
        m_lastCol = col;
        m_maxRow = std::max(m_maxRow, int64_t(row));
    }

    bool isDate(uint16_t xf) const { return xf < m_g.xfIsDate.size() && m_g.xfIsDate[xf]; }

    void number(uint32_t row, uint32_t col, uint16_t xf, double value)
    {
        if (std::isfinite(value) && isDate(xf) && row >= 1 && col < uint32_t(Columns))
            m_b.putText(row, col, Cell::Kind::Date,
                        m_g.date1904 ? serialDateText(value, 1904, 1, 1) : serialDateText(value));
        else
            m_b.put(row, col, Cell::Kind::Number, value);
    }

    // A formula whose text result never came is a formula without a result.
    void flushFormula()
    {
        if (!m_pendingString) return;
        m_pendingString = false;
        m_b.put(m_pendingRow, m_pendingCol, Cell::Kind::NoValue);
    }

    // The cells lie in one table: blocks of ROW records, their cells (a formula followed by
    // its shared formula, array or text) and a DBCELL. A record of another type inside it
    // ends it; a cell after its end means a record of the table was changed into another.
    void followTable()
    {
        switch (m_r.type) {
        case Row:
        case DbCell:
        case Blank:
        case MulBlank:
        case MulRk:
        case Number:
        case Rk:
        case LabelSst:
        case Label:
        case RString:
        case BoolErr:
        case Formula:
            if (m_table == TableState::After)
                damagedAt(m_lastRow,
                          QStringLiteral("cellule après la fin du tableau des cellules"));
            m_table = TableState::In;
            break;
        case Continue:
            // Only a formula's parts go on in CONTINUE records inside the table (a text's
            // are read with it).
            if (m_table == TableState::In && m_previous != ShrFmla && m_previous != Array &&
                m_previous != Table && m_previous != Continue)
                damagedAt(m_lastRow, QStringLiteral("enregistrement inattendu"));
            break;
        case String:
        case ShrFmla:
        case Array:
        case Table:
            break;
        default:
            if (m_table == TableState::In) m_table = TableState::After;
            break;
        }
        m_previous = m_r.type;
    }

    void record()
    {
        followTable();
        const unsigned char *d = m_r.data;
        const size_t len = m_r.len;
        using K = Cell::Kind;
        switch (m_r.type) {
        case Dimensions:
            if (len < 12 || m_dimensions) damaged(QStringLiteral("dimensions de la feuille"));
            m_dimensions = true;
            m_rowFirst = le32(d);
            m_rowEnd = le32(d + 4);
            m_colFirst = le16(d + 8);
            m_colEnd = le16(d + 10);
            if (m_rowFirst > m_rowEnd || m_rowEnd > XlsRows || m_colFirst > m_colEnd ||
                m_colEnd > XlsColumns)
                damaged(QStringLiteral("dimensions de la feuille"));
            break;
        case Index:
            if (len < 12) damaged(QStringLiteral("index de la feuille"));
            m_index = true;
            m_indexRowEnd = le32(d + 8);
            break;
        case Row:
            if (len >= 2) m_maxRow = std::max(m_maxRow, int64_t(le16(d)));
            break;
        case Blank:
            if (len < 6) damaged(QStringLiteral("cellule vide"));
            cellAt(le16(d), le16(d + 2));
            break;
        case MulBlank:
        case MulRk: {
            const size_t each = m_r.type == MulRk ? 6 : 2;
            if (len < 6 || (len - 6) % each != 0) damaged(QStringLiteral("suite de cellules"));
            const uint32_t row = le16(d), first = le16(d + 2);
            const size_t count = (len - 6) / each;
            if (count == 0 || le16(d + len - 2) != first + count - 1)
                damagedAt(row, QStringLiteral("suite de cellules"));
            for (size_t i = 0; i < count; ++i) {
                cellAt(row, uint32_t(first + i));
                if (m_r.type == MulRk) {
                    const unsigned char *p = d + 4 + i * 6;
                    number(row, uint32_t(first + i), le16(p), rkNumber(le32(p + 2)));
                }
            }
            break;
        }
        case Number:
            if (len < 14) damaged(QStringLiteral("nombre"));
            cellAt(le16(d), le16(d + 2));
            number(le16(d), le16(d + 2), le16(d + 4), leDouble(d + 6));
            break;
        case Rk:
            if (len < 10) damaged(QStringLiteral("nombre"));
            cellAt(le16(d), le16(d + 2));
            number(le16(d), le16(d + 2), le16(d + 4), rkNumber(le32(d + 6)));
            break;
        case LabelSst: {
            if (len < 10) damaged(QStringLiteral("texte"));
            const uint32_t row = le16(d), col = le16(d + 2), index = le32(d + 6);
            cellAt(row, col);
            if (index >= m_g.strings.size())
                damagedAt(row, QStringLiteral("chaîne partagée %1 absente").arg(index));
            m_b.putText(row, col, K::Text, m_g.strings[index]);
            break;
        }
        case Label:
        case RString: {
            if (len < 9) damaged(QStringLiteral("texte"));
            const uint32_t row = le16(d), col = le16(d + 2);
            cellAt(row, col);
            QString text;
            if (!continuedText(m_r, d, len, 9, d[8] & 1, le16(d + 6), text))
                damagedAt(row, QStringLiteral("texte tronqué"));
            m_b.putText(row, col, K::Text, text);
            break;
        }
        case BoolErr: {
            if (len < 8) damaged(QStringLiteral("valeur logique"));
            const uint32_t row = le16(d), col = le16(d + 2);
            cellAt(row, col);
            if (d[7])
                m_b.putText(row, col, K::Error, errorText(d[6]));
            else
                m_b.put(row, col, K::Bool, d[6] ? 1.0 : 0.0);
            break;
        }
        case Formula: {
            if (len < 20) damaged(QStringLiteral("formule"));
            const uint32_t row = le16(d), col = le16(d + 2);
            cellAt(row, col);
            const unsigned char *v = d + 6;
            if (le16(v + 6) != 0xFFFF)
                number(row, col, le16(d + 4), leDouble(v));
            else if (v[0] == 0) {
                // The text follows in a STRING record.
                m_pendingString = true;
                m_pendingRow = row;
                m_pendingCol = col;
            } else if (v[0] == 1)
                m_b.put(row, col, K::Bool, v[2] ? 1.0 : 0.0);
            else if (v[0] == 2)
                m_b.putText(row, col, K::Error, errorText(v[2]));
            else if (v[0] == 3)
                m_b.putText(row, col, K::Text, QStringView());
            else
                damagedAt(row, QStringLiteral("résultat de formule"));
            break;
        }
        case String: {
            if (!m_pendingString) break;
            if (len < 3) damagedAt(m_pendingRow, QStringLiteral("résultat de formule"));
            QString text;
            if (!continuedText(m_r, d, len, 3, d[2] & 1, le16(d), text))
                damagedAt(m_pendingRow, QStringLiteral("texte tronqué"));
            m_pendingString = false;
            m_b.putText(m_pendingRow, m_pendingCol, K::Text, text);
            break;
        }
        default:
            break;
        }
    }

    // The sheet's own records say where its rows end: a row past DIMENSIONS or INDEX means
    // records were changed. (They may end later than the cells: a chart's anchor counts.)
    void checkRowCount() const
    {
        if (!m_dimensions) damaged(QStringLiteral("dimensions de la feuille absentes"));
        if (m_index && int64_t(m_indexRowEnd) < m_maxRow + 1)
            damagedAt(uint32_t(m_maxRow), QStringLiteral("ligne hors de l’index de la feuille"));
    }

    enum class TableState { Before, In, After };

    Records m_r;
    const Globals &m_g;
    TableState m_table = TableState::Before;
    uint16_t m_previous = 0;
    SheetBuilder &m_b;
    const ReadProgress &m_progress;

    bool m_dimensions = false, m_index = false, m_hasCell = false, m_pendingString = false;
    uint32_t m_rowFirst = 0, m_rowEnd = 0, m_colFirst = 0, m_colEnd = 0, m_indexRowEnd = 0;
    uint32_t m_lastRow = 0, m_lastCol = 0, m_pendingRow = 0, m_pendingCol = 0;
    int64_t m_maxRow = -1;
};

} // namespace

SheetCells readXls(const QString &path, const ReadProgress &progress)
{
    const QByteArray bytes = workbookStream(path);
    Records records{reinterpret_cast<const unsigned char *>(bytes.constData()),
                    size_t(bytes.size()), 0};
    const Globals globals = readGlobals(records, path);
    // The first worksheet by position: chart sheets, dialog sheets, macro sheets and modules
    // are passed over.
    const SheetEntry *first = nullptr;
    for (const SheetEntry &s : globals.sheets) {
        if (s.offset >= records.n) damaged(path, QStringLiteral("feuille « %1 »").arg(s.name));
        if (s.type == 0 && isWorksheet(records, s.offset)) {
            first = &s;
            break;
        }
    }
    if (!first) fail(Texts::NoSheet, path);

    SheetCells out;
    out.name = first->name;
    SheetBuilder builder(out, path);
    SheetWalk(Records{records.d, records.n, first->offset}, globals, builder, progress).run();
    builder.finish();
    return out;
}

} // namespace WorkbookImport
