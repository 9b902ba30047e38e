// The legacy .xls reader's worksheet: the first worksheet's records, walked from its BOF to
// its EOF (XlsWorkbook.cpp takes the Workbook stream from the compound file and reads the
// globals). Every cell record Excel, LibreOffice and Gnumeric write is read (shared strings,
// labels, numbers, RK and MULRK, booleans and error constants, formula results with their
// STRING record); charts, drawings and objects are passed over. The sheet must be whole and
// in order: cells in rising positions, inside the sheet's own DIMENSIONS and INDEX, up to
// its EOF record; anything else is a damaged file.
#include "SheetReaders.h"
#include "XlsRecords.h"
#include "import/WorkbookTexts.h"
#include "model/UserError.h"

#include <algorithm>
#include <cmath>

namespace WorkbookImport
{

namespace
{

using namespace Xls;

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
    if (!first) fail(Texts::NoSheet(), path);

    SheetCells out;
    out.name = first->name;
    SheetBuilder builder(out, path);
    SheetWalk(Records{records.d, records.n, first->offset}, globals, builder, progress).run();
    builder.finish();
    return out;
}

} // namespace WorkbookImport
