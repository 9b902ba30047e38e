// The .xlsx reader: liborcus's XML parser over the parts of the workbook, inflated by
// QuaZip. Every cell kind the format has is read here (shared and inline strings, rich-text
// runs, formula results, errors, dates), so no text is lost or borrowed.
#include "SheetReaders.h"
#include "ZipParts.h"
#include "import/WorkbookTexts.h"

#include <orcus/sax_parser.hpp>

#include <charconv>
#include <cmath>
#include <map>

namespace WorkbookImport
{

namespace
{

// The parts of an .xlsx use one vocabulary each: elements and attributes are told by their
// local names, whatever prefix a program gives them.
using Element = orcus::sax::parser_element;
using Attribute = orcus::sax::parser_attribute;
using Handler = orcus::sax_handler;

// The widest sheet the format allows (column XFD).
constexpr int64_t MaxColumns = 16384;

template <class H> void parseXml(const Part &xml, H &handler)
{
    orcus::sax_parser<H> parser(xml.data(), xml.size(), handler);
    parser.parse();
}

bool isTrue(std::string_view v)
{
    return v == "1" || v == "true";
}

// A whole number attribute; fallback when it does not read.
int64_t whole(std::string_view v, int64_t fallback)
{
    int64_t n = 0;
    const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
    return ec == std::errc() && end == v.data() + v.size() ? n : fallback;
}

// The parser reports an element's attributes before the element itself: they are kept here
// until then.
struct PendingAttributes : Handler {
    using Handler::attribute;
    std::vector<std::pair<std::string_view, std::string>> pending;

    void attribute(const Attribute &a) { pending.emplace_back(a.name, std::string(a.value)); }
    std::string_view value(std::string_view name) const
    {
        for (const auto &[n, v] : pending)
            if (n == name) return v;
        return {};
    }
};

// "_rels/.rels" and "xl/_rels/workbook.xml.rels": relationship id -> target, and the targets
// of the wanted types.
struct Relationships : PendingAttributes {
    std::map<std::string, std::string> byId;
    std::map<std::string, bool> isWorksheet; // relationship id -> a worksheet, not a chart
    std::string officeDocument, sharedStrings, styles;

    void start_element(const Element &e)
    {
        if (e.name == "Relationship") {
            const std::string target(value("Target"));
            const std::string_view type = value("Type");
            byId[std::string(value("Id"))] = target;
            isWorksheet[std::string(value("Id"))] = type.ends_with("/worksheet");
            if (type.ends_with("/officeDocument"))
                officeDocument = target;
            else if (type.ends_with("/sharedStrings"))
                sharedStrings = target;
            else if (type.ends_with("/styles"))
                styles = target;
        }
        pending.clear();
    }
};

// "xl/workbook.xml": the sheets by position, the date origin, and whether the program that
// wrote it left the formulas to be computed when it is opened.
struct Workbook : PendingAttributes {
    bool date1904 = false, calculateOnLoad = false;
    std::vector<std::pair<std::string, std::string>> sheets; // name, relationship id

    void start_element(const Element &e)
    {
        if (e.name == "sheet")
            sheets.emplace_back(value("name"), value("id"));
        else if (e.name == "workbookPr")
            date1904 = isTrue(value("date1904"));
        else if (e.name == "calcPr")
            calculateOnLoad = isTrue(value("fullCalcOnLoad"));
        pending.clear();
    }
};

// Excel stores a character that XML cannot hold as "_xHHHH_", and a literal "_x" that would
// read as such an escape as "_x005F_x"; this undoes both.
QString unescaped(std::string_view utf8)
{
    QString text = QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
    qsizetype at = text.indexOf(u"_x");
    if (at < 0) return text;
    QString out;
    out.reserve(text.size());
    qsizetype from = 0;
    for (; at >= 0; at = text.indexOf(u"_x", at)) {
        bool ok = at + 7 <= text.size() && text[at + 6] == u'_';
        const uint code = ok ? QStringView(text).mid(at + 2, 4).toUInt(&ok, 16) : 0;
        for (qsizetype i = at + 2; ok && i < at + 6; ++i)
            ok = text[i].isDigit() || (text[i].toLower() >= u'a' && text[i].toLower() <= u'f');
        if (!ok) {
            at += 2;
            continue;
        }
        out += QStringView(text).mid(from, at - from);
        out += QChar(char16_t(code));
        at += 7;
        from = at;
    }
    out += QStringView(text).mid(from);
    return out;
}

bool hasEscape(std::string_view utf8)
{
    return utf8.find("_x") != std::string_view::npos;
}

// "xl/sharedStrings.xml": every string item, empty ones included, runs joined, phonetic
// guides left out.
struct SharedStrings : Handler {
    std::vector<std::string> items;
    std::string current;
    int phonetic = 0;
    bool inText = false;

    void start_element(const Element &e)
    {
        if (e.name == "si")
            current.clear();
        else if (e.name == "rPh")
            ++phonetic;
        else if (e.name == "t")
            inText = phonetic == 0;
    }
    void end_element(const Element &e)
    {
        if (e.name == "si")
            items.push_back(std::move(current)), current.clear();
        else if (e.name == "rPh")
            --phonetic;
        else if (e.name == "t")
            inText = false;
    }
    void characters(std::string_view v, bool)
    {
        if (inText) current.append(v);
    }
};

// "xl/styles.xml": which cell formats show a date.
struct Styles : PendingAttributes {
    std::map<int64_t, bool> codes; // number format id -> shows a date
    std::vector<bool> xfIsDate;
    bool inCellXfs = false;

    void start_element(const Element &e)
    {
        const int64_t id = whole(value("numFmtId"), 0);
        if (e.name == "numFmt") {
            codes[id] = dateFormatCode(value("formatCode"));
        } else if (e.name == "cellXfs") {
            inCellXfs = true;
        } else if (inCellXfs && e.name == "xf") {
            const auto it = codes.find(id);
            xfIsDate.push_back(it != codes.end() ? it->second : builtInDateFormat(size_t(id)));
        }
        pending.clear();
    }
    void end_element(const Element &e)
    {
        if (e.name == "cellXfs") inCellXfs = false;
    }
    bool isDate(int64_t xf) const
    {
        return xf >= 0 && size_t(xf) < xfIsDate.size() && xfIsDate[size_t(xf)];
    }
};

// A cell reference "AB12": 0-based column and row; false when it does not read.
bool cellReference(std::string_view ref, int64_t &row, int64_t &col)
{
    size_t i = 0;
    int64_t c = 0;
    for (; i < ref.size() && ref[i] >= 'A' && ref[i] <= 'Z' && i < 4; ++i)
        c = c * 26 + (ref[i] - 'A' + 1);
    if (i == 0 || i == ref.size()) return false;
    const int64_t r = whole(ref.substr(i), -1);
    if (r < 1) return false;
    row = r - 1;
    col = c - 1;
    return true;
}

// The first sheet's part: one cell at a time, as its type says.
class SheetHandler : public Handler
{
public:
    SheetHandler(SheetBuilder &builder, const std::vector<std::string> &shared,
                 const Styles &styles, bool date1904, bool calculateOnLoad, size_t size,
                 const ReadProgress &progress)
        : m_builder(builder), m_shared(shared), m_styles(styles), m_date1904(date1904),
          m_calculateOnLoad(calculateOnLoad), m_size(size), m_progress(progress)
    {
    }

    using Handler::attribute;
    void attribute(const Attribute &a)
    {
        if (a.name == "r")
            m_r.assign(a.value);
        else if (a.name == "t")
            m_t.assign(a.value);
        else if (a.name == "s")
            m_s.assign(a.value);
    }

    void start_element(const Element &e)
    {
        if (e.name == "row") {
            // Rows come once each, from the top, inside the sheet.
            const int64_t row = m_r.empty() ? m_row + 1 : whole(m_r, 0) - 1;
            if (row < 0 || row >= MaxRows)
                damaged(m_builder.path(),
                        QStringLiteral("ligne %1 : numéro de ligne « %2 » hors de la feuille")
                            .arg(m_row + 2)
                            .arg(QString::fromStdString(m_r)));
            if (row <= m_row)
                damaged(m_builder.path(),
                        QStringLiteral("ligne %1 : ligne répétée ou hors d’ordre").arg(row + 1));
            m_row = row;
            m_inRow = true;
            m_col = -1;
            if (m_progress && m_size > 0) {
                const int permille = int(int64_t(e.begin_pos) * 1000 / int64_t(m_size));
                if (permille != m_permille) m_progress(m_permille = permille);
            }
        } else if (e.name == "c") {
            m_inCell = true;
            int64_t row = m_row, col = m_col + 1;
            if (!m_r.empty() && !cellReference(m_r, row, col))
                damaged(m_builder.path(), QStringLiteral("ligne %1 : référence de cellule « %2 »")
                                              .arg(m_row + 1)
                                              .arg(QString::fromStdString(m_r)));
            // A cell belongs to its row and comes after the cells before it.
            if ((m_inRow && row != m_row) || (!m_inRow && row < m_row) ||
                (row == m_row && col <= m_col) || col >= MaxColumns || row >= MaxRows)
                damaged(m_builder.path(),
                        QStringLiteral("ligne %1 : cellule « %2 » hors de sa ligne ou hors d’ordre")
                            .arg(m_row + 1)
                            .arg(QString::fromStdString(m_r)));
            m_row = row;
            m_col = col;
            m_type = m_t.empty() ? std::string("n") : m_t;
            m_xf = whole(m_s, 0);
            m_formula = m_hasValue = false;
            m_value.clear();
        } else if (m_inCell && e.name == "f") {
            m_formula = true;
        } else if (m_inCell && e.name == "v") {
            m_hasValue = true;
            m_collect = true;
        } else if (m_inCell && e.name == "is") {
            m_hasValue = true;
        } else if (m_inCell && e.name == "rPh") {
            ++m_phonetic;
        } else if (m_inCell && e.name == "t") {
            m_collect = m_phonetic == 0;
        }
        m_r.clear();
        m_t.clear();
        m_s.clear();
    }

    void characters(std::string_view v, bool)
    {
        if (m_collect) m_value.append(v);
    }

    void end_element(const Element &e)
    {
        if (e.name == "v" || e.name == "t")
            m_collect = false;
        else if (e.name == "rPh")
            --m_phonetic;
        else if (e.name == "row")
            m_inRow = false;
        else if (e.name == "c" && m_inCell) {
            m_inCell = false;
            commit();
        }
    }

private:
    void putText(std::string_view utf8)
    {
        if (hasEscape(utf8))
            m_builder.putText(m_row, m_col, Cell::Kind::Text, unescaped(utf8));
        else
            m_builder.put(m_row, m_col, Cell::Kind::Text, 0, utf8);
    }

    void commit()
    {
        using K = Cell::Kind;
        // A workbook left to be computed when opened holds placeholders, not results.
        if (m_formula && m_calculateOnLoad) return m_builder.put(m_row, m_col, K::NoValue);
        if (!m_hasValue || (m_value.empty() && m_type != "inlineStr" && m_type != "str")) {
            // A formula saved without its result gives no value; a cell with only a format
            // is no cell at all.
            if (m_formula) m_builder.put(m_row, m_col, K::NoValue);
            return;
        }
        if (m_type == "s") {
            const int64_t index = whole(m_value, -1);
            if (index < 0 || size_t(index) >= m_shared.size())
                damaged(m_builder.path(), QStringLiteral("chaîne partagée %1 absente")
                                              .arg(QString::fromStdString(m_value)));
            putText(m_shared[size_t(index)]);
        } else if (m_type == "str" || m_type == "inlineStr") {
            putText(m_value);
        } else if (m_type == "b") {
            m_builder.put(m_row, m_col, K::Bool, m_value == "1" ? 1.0 : 0.0);
        } else if (m_type == "e") {
            m_builder.put(m_row, m_col, K::Error, 0, m_value);
        } else if (m_type == "d") {
            const QString text = isoDateText(m_value);
            if (text.isEmpty()) damaged(m_builder.path(), QStringLiteral("date illisible"));
            m_builder.putText(m_row, m_col, K::Date, text);
        } else {
            double number = 0;
            const char *begin = m_value.data(), *end = begin + m_value.size();
            const auto [stop, ec] = std::from_chars(begin, end, number);
            if (ec != std::errc() || stop != end)
                damaged(
                    m_builder.path(),
                    QStringLiteral("nombre illisible « %1 »").arg(QString::fromStdString(m_value)));
            if (std::isfinite(number) && m_styles.isDate(m_xf))
                m_builder.putText(m_row, m_col, K::Date,
                                  m_date1904 ? serialDateText(number, 1904, 1, 1)
                                             : serialDateText(number));
            else
                m_builder.put(m_row, m_col, K::Number, number);
        }
    }

    SheetBuilder &m_builder;
    const std::vector<std::string> &m_shared;
    const Styles &m_styles;
    bool m_date1904, m_calculateOnLoad;
    size_t m_size;
    const ReadProgress &m_progress;
    int m_permille = -1;

    std::string m_r, m_t, m_s; // attributes of the element being opened
    int64_t m_row = -1, m_col = -1, m_xf = 0;
    bool m_inRow = false, m_inCell = false, m_formula = false, m_hasValue = false,
         m_collect = false;
    int m_phonetic = 0;
    std::string m_type, m_value;
};

} // namespace

SheetCells readXlsx(const QByteArray &bytes, const QString &path, const ReadProgress &progress)
{
    const ZipParts zip(bytes, path);
    Part xml;

    auto parse = [&](const std::string &part, auto &handler, bool required) {
        if (!zip.read(part, xml)) {
            if (required)
                damaged(path,
                        QStringLiteral("partie %1 absente").arg(QString::fromStdString(part)));
            return false;
        }
        parsePart(path, part, [&] { parseXml(xml, handler); });
        return true;
    };

    Relationships package;
    if (!parse("_rels/.rels", package, false) || package.officeDocument.empty())
        package.officeDocument = "xl/workbook.xml";
    const std::string workbookPart = resolvedTarget("", package.officeDocument);
    const std::string folder = workbookPart.substr(0, workbookPart.rfind('/') + 1);
    const std::string relsPart = folder + "_rels/" + workbookPart.substr(folder.size()) + ".rels";

    Workbook workbook;
    if (!zip.has(workbookPart)) {
        // A zip without the workbook part is a damaged workbook, or some other document.
        if (zip.has("[Content_Types].xml") || !package.byId.empty())
            damaged(path,
                    QStringLiteral("partie %1 absente").arg(QString::fromStdString(workbookPart)));
        fail(Texts::NotWorkbook(), path);
    }
    parse(workbookPart, workbook, true);
    if (workbook.sheets.empty()) fail(Texts::NoSheet(), path);
    Relationships rels;
    parse(relsPart, rels, true);
    // The first worksheet by position: chart sheets and dialog sheets are passed over.
    const std::pair<std::string, std::string> *first = nullptr;
    for (const auto &sheet : workbook.sheets) {
        if (!rels.byId.count(sheet.second))
            damaged(path, QStringLiteral("feuille « %1 » sans partie")
                              .arg(QString::fromStdString(sheet.first)));
        if (rels.isWorksheet[sheet.second]) {
            first = &sheet;
            break;
        }
    }
    if (!first) fail(Texts::NoSheet(), path);
    const auto sheetTarget = rels.byId.find(first->second);

    SharedStrings shared;
    if (!rels.sharedStrings.empty())
        parse(resolvedTarget(folder, rels.sharedStrings), shared, true);
    Styles styles;
    if (!rels.styles.empty()) parse(resolvedTarget(folder, rels.styles), styles, false);

    SheetCells out;
    out.name = QString::fromStdString(first->first);
    SheetBuilder builder(out, path);
    const std::string sheetPart = resolvedTarget(folder, sheetTarget->second);
    if (!zip.read(sheetPart, xml))
        damaged(path, QStringLiteral("partie %1 absente").arg(QString::fromStdString(sheetPart)));
    SheetHandler sheet(builder, shared.items, styles, workbook.date1904, workbook.calculateOnLoad,
                       xml.size(), progress);
    parsePart(path, sheetPart, [&] { parseXml(xml, sheet); });
    builder.finish();
    return out;
}

} // namespace WorkbookImport
