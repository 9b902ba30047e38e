// The .ods reader: liborcus's zip reader and namespace-aware XML parser over content.xml.
// Only the first table is read, cell by cell; named ranges and everything else in the file
// are passed over, so any address form they use is accepted.
#include "SheetReaders.h"
#include "WorkbookTexts.h"
#include "ZipParts.h"

#include <orcus/sax_ns_parser.hpp>
#include <orcus/xml_namespace.hpp>

#include <QTime>

#include <charconv>
#include <cmath>

namespace WorkbookImport
{

namespace
{

using Element = orcus::sax_ns_parser_element;
using Attribute = orcus::sax_ns_parser_attribute;

constexpr size_t MaxCellBytes = size_t(MaxCellText) * 3;

int64_t whole(std::string_view v, int64_t fallback)
{
    int64_t n = 0;
    const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), n);
    return ec == std::errc() && end == v.data() + v.size() ? n : fallback;
}

// "PT18H05M00S" as "18:05:00"; empty when it does not read.
QString durationText(std::string_view v)
{
    if (!v.starts_with("PT")) return QString();
    int parts[3] = {0, 0, 0};
    const char units[3] = {'H', 'M', 'S'};
    v.remove_prefix(2);
    for (int i = 0; i < 3 && !v.empty(); ++i) {
        const size_t at = v.find(units[i]);
        if (at == std::string_view::npos) continue;
        double n = 0;
        std::from_chars(v.data(), v.data() + at, n);
        parts[i] = int(n);
        v.remove_prefix(at + 1);
    }
    const QTime time(parts[0] % 24, parts[1], parts[2]);
    return time.isValid() ? time.toString(QStringLiteral("hh:mm:ss")) : QString();
}

bool isErrorText(std::string_view text)
{
    for (std::string_view e : {"#NULL!", "#DIV/0!", "#VALUE!", "#REF!", "#NAME?", "#NUM!", "#N/A"})
        if (text == e) return true;
    return false;
}

class ContentHandler : public orcus::sax_ns_handler
{
public:
    struct Ids {
        orcus::xmlns_id_t office, table, text, calcext;
    };

    ContentHandler(SheetBuilder &builder, const Ids &ids, size_t size,
                   const ReadProgress &progress)
        : m_builder(builder), m_ids(ids), m_size(size), m_progress(progress)
    {
    }

    int tables() const { return m_tables; }
    const std::string &firstName() const { return m_firstName; }

    using orcus::sax_ns_handler::attribute;
    void attribute(const Attribute &a)
    {
        if (a.ns == m_ids.table) {
            if (a.name == "name") m_name.assign(a.value);
            else if (a.name == "number-rows-repeated") m_rowsRepeated = whole(a.value, 1);
            else if (a.name == "number-columns-repeated") m_colsRepeated = whole(a.value, 1);
            else if (a.name == "formula") m_formula = true;
        } else if (a.ns == m_ids.office) {
            if (a.name == "value-type") m_valueType.assign(a.value);
            else if (a.name == "value" || a.name == "date-value" || a.name == "time-value" ||
                     a.name == "boolean-value")
                m_value.assign(a.value);
            else if (a.name == "string-value") m_stringValue.assign(a.value), m_hasString = true;
        } else if (a.ns == m_ids.calcext) {
            if (a.name == "value-type") m_extType.assign(a.value);
        } else if (a.ns == m_ids.text && a.name == "c") {
            m_spaces = whole(a.value, 1);
        }
    }

    void start_element(const Element &e)
    {
        if (m_skip > 0) {
            ++m_skip;
        } else if (e.ns == m_ids.table && e.name == "table") {
            if (++m_tables == 1) m_firstName = m_name;
            m_inFirst = m_tables == 1;
        } else if (!m_inFirst) {
        } else if (e.ns == m_ids.table && e.name == "table-row") {
            m_rowCount = std::max<int64_t>(1, m_rowsRepeated);
            m_col = 0;
            m_rowCells.clear();
            if (m_progress && m_size > 0) {
                const int permille = int(int64_t(e.begin_pos) * 1000 / int64_t(m_size));
                if (permille != m_permille) m_progress(m_permille = permille);
            }
        } else if (e.ns == m_ids.table &&
                   (e.name == "table-cell" || e.name == "covered-table-cell")) {
            m_inCell = true;
            m_cell = {std::max<int64_t>(1, m_colsRepeated), m_formula, m_valueType, m_extType,
                      m_value, m_hasString ? m_stringValue : std::string(), m_hasString};
            m_text.clear();
            m_paragraphs = 0;
        } else if (m_inCell && e.ns == m_ids.office && e.name == "annotation") {
            m_skip = 1;
        } else if (m_inCell && e.ns == m_ids.text) {
            if (e.name == "p" || e.name == "h") {
                if (m_paragraphs++ > 0) append("\n");
            } else if (e.name == "s") {
                const int64_t n = std::clamp<int64_t>(m_spaces, 1, int64_t(MaxCellBytes) + 1);
                m_text.append(size_t(n), ' ');
                checkLength();
            } else if (e.name == "tab") {
                append("\t");
            } else if (e.name == "line-break") {
                append("\n");
            }
        }
        clearAttributes();
    }

    void end_element(const Element &e)
    {
        if (m_skip > 0) {
            --m_skip;
            return;
        }
        if (e.ns != m_ids.table) return;
        if (e.name == "table") {
            m_inFirst = false;
        } else if (!m_inFirst) {
        } else if (e.name == "table-cell" || e.name == "covered-table-cell") {
            m_inCell = false;
            commitCell();
        } else if (e.name == "table-row") {
            commitRow();
        }
    }

    void characters(std::string_view v, bool)
    {
        if (m_inCell && m_skip == 0) append(v);
    }

private:
    struct Pending {
        int64_t repeat;
        bool formula;
        std::string valueType, extType, value, stringValue;
        bool hasString;
    };
    struct RowCell {
        int64_t col, count;
        Cell::Kind kind;
        double number;
        std::string text;
    };

    void clearAttributes()
    {
        m_rowsRepeated = m_colsRepeated = m_spaces = 1;
        m_formula = m_hasString = false;
        m_name.clear();
        m_valueType.clear();
        m_extType.clear();
        m_value.clear();
        m_stringValue.clear();
    }

    void append(std::string_view v)
    {
        m_text.append(v);
        checkLength();
    }
    void checkLength()
    {
        if (m_text.size() > MaxCellBytes) m_builder.cellTooLong(m_row, m_col);
    }

    void commitCell()
    {
        using K = Cell::Kind;
        const Pending &c = m_cell;
        RowCell cell{m_col, c.repeat, K::Empty, 0, {}};
        m_col += c.repeat;
        if (c.extType == "error") {
            cell.kind = K::Error;
            cell.text = m_text;
        } else if (c.valueType.empty()) {
            // A formula saved without its result gives no value.
            if (c.formula) cell.kind = K::NoValue;
            else if (!m_text.empty()) cell.kind = K::Text, cell.text = m_text;
        } else if (c.valueType == "float" || c.valueType == "percentage" ||
                   c.valueType == "currency") {
            const char *begin = c.value.data(), *end = begin + c.value.size();
            const auto [stop, ec] = std::from_chars(begin, end, cell.number);
            if (c.value.empty() || ec != std::errc() || stop != end)
                damaged(m_builder.path(), QStringLiteral("nombre illisible « %1 »")
                                              .arg(QString::fromStdString(c.value)));
            cell.kind = K::Number;
        } else if (c.valueType == "date" || c.valueType == "time") {
            const QString text =
                c.valueType == "date" ? isoDateText(c.value) : durationText(c.value);
            if (text.isEmpty()) damaged(m_builder.path(), QStringLiteral("date illisible"));
            cell.kind = K::Date;
            cell.text = text.toStdString();
        } else if (c.valueType == "boolean") {
            cell.kind = K::Bool;
            cell.number = c.value == "true" || c.value == "1" ? 1 : 0;
        } else {
            cell.kind = K::Text;
            cell.text = c.hasString ? c.stringValue : m_text;
            // Some programs save a formula's error as its text.
            if (c.formula && isErrorText(cell.text)) cell.kind = K::Error;
        }
        if (cell.kind != K::Empty) m_rowCells.push_back(std::move(cell));
    }

    void commitRow()
    {
        const int64_t first = m_row;
        m_row += m_rowCount;
        if (m_rowCells.empty()) return;
        if (m_row > MaxRows) tooManyRows(m_builder.path());
        for (const RowCell &c : m_rowCells) {
            if (c.col >= Columns) {
                m_builder.repeat(first, c.col, m_rowCount, c.kind, c.number, c.text);
                continue;
            }
            for (int64_t col = c.col; col < std::min<int64_t>(c.col + c.count, Columns); ++col)
                m_builder.repeat(first, col, m_rowCount, c.kind, c.number, c.text);
        }
    }

    SheetBuilder &m_builder;
    Ids m_ids;
    size_t m_size;
    const ReadProgress &m_progress;
    int m_permille = -1;

    // attributes of the element being opened
    int64_t m_rowsRepeated = 1, m_colsRepeated = 1, m_spaces = 1;
    bool m_formula = false, m_hasString = false;
    std::string m_name, m_valueType, m_extType, m_value, m_stringValue;

    int m_tables = 0;
    std::string m_firstName;
    bool m_inFirst = false, m_inCell = false;
    int m_skip = 0; // depth inside a cell's annotation
    int64_t m_row = 0, m_col = 0, m_rowCount = 1;
    int m_paragraphs = 0;
    Pending m_cell;
    std::string m_text;
    std::vector<RowCell> m_rowCells;
};

} // namespace

SheetCells readOds(const QByteArray &bytes, const QString &path, const ReadProgress &progress)
{
    const ZipParts zip(bytes, path);
    std::vector<unsigned char> xml;
    if (!zip.read("content.xml", xml)) fail(Texts::NotWorkbook, path);

    // Namespaces given to the repository beforehand keep these very pointers as their ids.
    static const orcus::xmlns_id_t known[] = {
        "urn:oasis:names:tc:opendocument:xmlns:office:1.0",
        "urn:oasis:names:tc:opendocument:xmlns:table:1.0",
        "urn:oasis:names:tc:opendocument:xmlns:text:1.0",
        "urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0", nullptr};
    orcus::xmlns_repository repo;
    repo.add_predefined_values(known);
    const ContentHandler::Ids ids{known[0], known[1], known[2], known[3]};
    SheetCells out;
    SheetBuilder builder(out, path);
    ContentHandler handler(builder, ids, xml.size(), progress);
    parsePart(path, "content.xml", [&] {
        orcus::xmlns_context context = repo.create_context();
        orcus::sax_ns_parser<ContentHandler> parser(reinterpret_cast<const char *>(xml.data()),
                                                    xml.size(), context, handler);
        parser.parse();
    });
    if (handler.tables() == 0) fail(Texts::NoSheet, path);
    out.name = QString::fromStdString(handler.firstName());
    builder.finish();
    return out;
}

} // namespace WorkbookImport
