// The .ods reader: content.xml is inflated as it is parsed (QuaZip and QXmlStreamReader), so
// that a large sheet, such as one saved with thousands of empty columns, never sits whole in
// memory. Only the first table is read, cell by cell; named ranges and everything else in
// the file are passed over, so any address form they use is accepted.
#include "SheetReaders.h"
#include "import/WorkbookTexts.h"

#include <QBuffer>
#include <QTime>
#include <QXmlStreamReader>
#include <quazip/quazip.h>
#include <quazip/quazipfile.h>

#include <cmath>

namespace WorkbookImport
{

namespace
{

const QString OfficeNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:office:1.0");
const QString TableNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:table:1.0");
const QString TextNs = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:text:1.0");
const QString CalcExtNs =
    QStringLiteral("urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0");

// "PT18H05M00S" as "18:05:00"; empty when it does not read.
QString durationText(QStringView v)
{
    if (!v.startsWith(u"PT")) return QString();
    int parts[3] = {0, 0, 0};
    const QChar units[3] = {u'H', u'M', u'S'};
    v = v.mid(2);
    for (int i = 0; i < 3 && !v.isEmpty(); ++i) {
        const qsizetype at = v.indexOf(units[i]);
        if (at < 0) continue;
        parts[i] = int(v.left(at).toDouble());
        v = v.mid(at + 1);
    }
    const QTime time(parts[0] % 24, parts[1], parts[2]);
    return time.isValid() ? time.toString(QStringLiteral("hh:mm:ss")) : QString();
}

bool isErrorText(QStringView text)
{
    for (const char16_t *e :
         {u"#NULL!", u"#DIV/0!", u"#VALUE!", u"#REF!", u"#NAME?", u"#NUM!", u"#N/A"})
        if (text == QStringView(e)) return true;
    return false;
}

qint64 repeatCount(const QXmlStreamAttributes &a, QLatin1String name)
{
    bool ok = false;
    const qint64 n = a.value(TableNs, name).toLongLong(&ok);
    return ok && n > 0 ? n : 1;
}

// The first table of content.xml, row by row.
class FirstTable
{
public:
    FirstTable(SheetBuilder &builder, QXmlStreamReader &xml) : m_builder(builder), m_xml(xml) {}

    // Reads up to the end of the first table; false when the document holds none.
    bool read(const std::function<void(qint64)> &progress)
    {
        int tables = 0;
        while (!m_xml.atEnd()) {
            const QXmlStreamReader::TokenType token = m_xml.readNext();
            // A part cut short leaves the reader waiting for more: it ends here.
            if (token == QXmlStreamReader::Invalid) return tables > 0;
            if (token == QXmlStreamReader::StartElement) {
                if (m_skip > 0) {
                    ++m_skip;
                } else if (m_xml.namespaceUri() == TableNs && m_xml.name() == u"table") {
                    if (++tables > 1) return true;
                    m_builder.out().name =
                        m_xml.attributes().value(TableNs, QLatin1String("name")).toString();
                } else if (tables == 1) {
                    start(progress);
                }
            } else if (token == QXmlStreamReader::EndElement) {
                if (m_skip > 0) {
                    --m_skip;
                } else if (m_xml.namespaceUri() == TableNs) {
                    if (m_xml.name() == u"table") return true;
                    if (m_xml.name() == u"table-cell" || m_xml.name() == u"covered-table-cell") {
                        m_inCell = false;
                        commitCell();
                    } else if (m_xml.name() == u"table-row") {
                        commitRow();
                    }
                }
            } else if (token == QXmlStreamReader::Characters && m_inCell && m_skip == 0) {
                append(m_xml.text());
            }
        }
        return tables > 0;
    }

private:
    struct RowCell {
        qint64 col, count;
        Cell::Kind kind;
        double number;
        QString text;
    };

    void start(const std::function<void(qint64)> &progress)
    {
        const QStringView ns = m_xml.namespaceUri(), name = m_xml.name();
        if (ns == TableNs && name == u"table-row") {
            m_rowCount = repeatCount(m_xml.attributes(), QLatin1String("number-rows-repeated"));
            m_col = 0;
            m_rowCells.clear();
            progress(m_xml.characterOffset());
        } else if (ns == TableNs && (name == u"table-cell" || name == u"covered-table-cell")) {
            m_inCell = true;
            m_attributes = m_xml.attributes();
            m_text.clear();
            m_paragraphs = 0;
        } else if (m_inCell && ns == OfficeNs && name == u"annotation") {
            m_skip = 1;
        } else if (m_inCell && ns == TextNs) {
            if (name == u"p" || name == u"h") {
                if (m_paragraphs++ > 0) append(u"\n");
            } else if (name == u"s") {
                bool ok = false;
                const qint64 n =
                    m_xml.attributes().value(TextNs, QLatin1String("c")).toLongLong(&ok);
                m_text.append(
                    QString(qsizetype(std::clamp<qint64>(ok ? n : 1, 1, MaxCellText + 1)), u' '));
                checkLength();
            } else if (name == u"tab") {
                append(u"\t");
            } else if (name == u"line-break") {
                append(u"\n");
            }
        }
    }

    void append(QStringView v)
    {
        m_text.append(v);
        checkLength();
    }
    void checkLength()
    {
        if (m_text.size() > MaxCellText) m_builder.cellTooLong(m_row, m_col);
    }

    void commitCell()
    {
        using K = Cell::Kind;
        const QXmlStreamAttributes &a = m_attributes;
        const qint64 repeat = repeatCount(a, QLatin1String("number-columns-repeated"));
        const QStringView type = a.value(OfficeNs, QLatin1String("value-type"));
        const bool formula = a.hasAttribute(TableNs, QStringLiteral("formula"));
        RowCell cell{m_col, repeat, K::Empty, 0, {}};
        m_col += repeat;
        if (a.value(CalcExtNs, QLatin1String("value-type")) == u"error") {
            cell.kind = K::Error;
            cell.text = m_text;
        } else if (type.isEmpty()) {
            // A formula saved without its result gives no value.
            if (formula)
                cell.kind = K::NoValue;
            else if (!m_text.isEmpty())
                cell.kind = K::Text, cell.text = m_text;
        } else if (type == u"float" || type == u"percentage" || type == u"currency") {
            bool ok = false;
            cell.number = a.value(OfficeNs, QLatin1String("value")).toDouble(&ok);
            if (!ok)
                damaged(m_builder.path(),
                        QStringLiteral("nombre illisible « %1 »")
                            .arg(a.value(OfficeNs, QLatin1String("value")).toString()));
            cell.kind = K::Number;
        } else if (type == u"date" || type == u"time") {
            const QString text =
                type == u"date"
                    ? isoDateText(
                          a.value(OfficeNs, QLatin1String("date-value")).toLatin1().toStdString())
                    : durationText(a.value(OfficeNs, QLatin1String("time-value")));
            if (text.isEmpty()) damaged(m_builder.path(), QStringLiteral("date illisible"));
            cell.kind = K::Date;
            cell.text = text;
        } else if (type == u"boolean") {
            const QStringView v = a.value(OfficeNs, QLatin1String("boolean-value"));
            cell.kind = K::Bool;
            cell.number = v == u"true" || v == u"1" ? 1 : 0;
        } else {
            cell.kind = K::Text;
            cell.text = a.hasAttribute(OfficeNs, QStringLiteral("string-value"))
                            ? a.value(OfficeNs, QLatin1String("string-value")).toString()
                            : m_text;
            // Some programs save a formula's error as its text.
            if (formula && isErrorText(cell.text)) cell.kind = K::Error;
        }
        if (cell.kind != K::Empty) m_rowCells.push_back(std::move(cell));
    }

    void commitRow()
    {
        const qint64 first = m_row;
        m_row += m_rowCount;
        if (m_rowCells.empty()) return;
        if (m_row > MaxRows) tooManyRows(m_builder.path());
        for (const RowCell &c : m_rowCells) {
            const qint64 last =
                c.col >= Columns ? c.col + 1 : std::min<qint64>(c.col + c.count, Columns);
            for (qint64 col = c.col; col < last; ++col)
                m_builder.repeat(first, col, m_rowCount, c.kind, c.number, c.text);
        }
    }

    SheetBuilder &m_builder;
    QXmlStreamReader &m_xml;
    int m_skip = 0; // depth inside a cell's annotation
    bool m_inCell = false;
    qint64 m_row = 0, m_col = 0, m_rowCount = 1;
    int m_paragraphs = 0;
    QXmlStreamAttributes m_attributes;
    QString m_text;
    std::vector<RowCell> m_rowCells;
};

} // namespace

SheetCells readOds(const QByteArray &bytes, const QString &path, const ReadProgress &progress)
{
    QByteArray data = bytes;
    QBuffer buffer(&data);
    QuaZip zip(&buffer);
    if (!zip.open(QuaZip::mdUnzip))
        damaged(path, QStringLiteral("archive illisible (%1)").arg(zip.getZipError()));
    if (!zip.setCurrentFile(QStringLiteral("content.xml"))) fail(Texts::NotWorkbook(), path);
    QuaZipFile content(&zip);
    if (!content.open(QIODevice::ReadOnly))
        damaged(path, QStringLiteral("content.xml illisible (%1)").arg(content.getZipError()));
    const qint64 size = content.usize();

    SheetCells out;
    SheetBuilder builder(out, path);
    QXmlStreamReader xml(&content);
    FirstTable table(builder, xml);
    int permille = -1;
    const bool found = table.read([&](qint64 offset) {
        if (!progress || size <= 0) return;
        const int now = int(std::min<qint64>(offset, size) * 1000 / size);
        if (now != permille) progress(permille = now);
    });
    if (xml.hasError() && xml.error() != QXmlStreamReader::PrematureEndOfDocumentError)
        damaged(path, QStringLiteral("content.xml : ") + xml.errorString());
    if (xml.hasError() || content.getZipError() != UNZ_OK)
        damaged(path, QStringLiteral("content.xml incomplet"));
    if (!found) fail(Texts::NoSheet(), path);
    builder.finish();
    return out;
}

} // namespace WorkbookImport
