#pragma once

#include <QFile>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QXmlStreamReader>
#include <charconv>
#include <orcus/zip_archive.hpp>
#include <orcus/zip_archive_stream.hpp>
#include <stdexcept>
#include <vector>

// Every cell of an .xlsx file that holds a value, one "Sheet/row/column:type:value" line per
// cell (rows and columns from 0; type string, numeric, boolean or error; a string in double
// quotes), sheets in the workbook's order, cells in the file's order. Texts are read wherever
// the file keeps them: shared strings, inline strings, rich-text runs (phonetic guides left
// out). The parts are unzipped by liborcus's zip reader and parsed with QXmlStreamReader,
// independently of the program's own import; liborcus's spreadsheet import is not used, as it
// reads inline strings as empty. Throws on a part missing or malformed.
namespace XlsxCells
{

// The part of that name, unzipped; false when there is none.
inline bool readPart(const orcus::zip_archive &zip, const QString &name, QByteArray &out)
{
    std::vector<unsigned char> buf;
    if (!zip.read_file_entry(name.toStdString(), buf)) return false;
    // liborcus ends the buffer with a NUL for its own parsers; XML holds none.
    while (!buf.empty() && buf.back() == 0)
        buf.pop_back();
    out = QByteArray(reinterpret_cast<const char *>(buf.data()), qsizetype(buf.size()));
    return true;
}

inline QByteArray part(const orcus::zip_archive &zip, const QString &name)
{
    QByteArray out;
    if (!readPart(zip, name, out)) throw std::runtime_error("no part " + name.toStdString());
    return out;
}

inline void check(const QXmlStreamReader &xml, const QString &name)
{
    if (xml.hasError())
        throw std::runtime_error(name.toStdString() + ": " + xml.errorString().toStdString());
}

// The texts of the <t> elements inside the element being read, joined, up to its end;
// those of phonetic guides (<rPh>) are left out.
inline QString textOf(QXmlStreamReader &xml)
{
    QString text;
    int depth = 1, phonetic = 0;
    while (depth > 0 && !xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            ++depth;
            if (xml.name() == u"rPh")
                ++phonetic;
            else if (xml.name() == u"t" && phonetic == 0) {
                text += xml.readElementText();
                --depth;
            }
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            if (xml.name() == u"rPh") --phonetic;
            break;
        default:
            break;
        }
    }
    return text;
}

// "C12" as 0-based row 11, column 2.
inline void cellPosition(QStringView ref, int &row, int &col)
{
    col = 0;
    qsizetype i = 0;
    for (; i < ref.size() && ref[i].isUpper(); ++i)
        col = col * 26 + (ref[i].unicode() - 'A' + 1);
    bool ok = false;
    row = ref.mid(i).toInt(&ok) - 1;
    if (i == 0 || !ok)
        throw std::runtime_error("bad cell reference " + ref.toString().toStdString());
    --col;
}

// A number as the shortest text that reads back as the same double ("1234.56", "45000").
inline QString numberText(QStringView v)
{
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (!ok) throw std::runtime_error("bad number " + v.toString().toStdString());
    char buf[32];
    const auto end = std::to_chars(buf, buf + sizeof buf, d).ptr;
    return QString::fromLatin1(buf, end - buf);
}

inline QStringList read(const QString &path)
{
    orcus::zip_archive_stream_fd stream(QFile::encodeName(path).constData());
    orcus::zip_archive zip(&stream);
    zip.load();

    // Where each sheet's part lies, by relationship id.
    QHash<QString, QString> targets;
    {
        const QString name = QStringLiteral("xl/_rels/workbook.xml.rels");
        QXmlStreamReader xml(part(zip, name));
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != u"Relationship")
                continue;
            const QString target = xml.attributes().value(QLatin1StringView("Target")).toString();
            targets.insert(xml.attributes().value(QLatin1StringView("Id")).toString(),
                           target.startsWith(u'/') ? target.mid(1)
                                                   : QStringLiteral("xl/") + target);
        }
        check(xml, name);
    }

    QStringList shared;
    if (QByteArray data; readPart(zip, QStringLiteral("xl/sharedStrings.xml"), data)) {
        const QString name = QStringLiteral("xl/sharedStrings.xml");
        QXmlStreamReader xml(data);
        while (!xml.atEnd())
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"si")
                shared << textOf(xml);
        check(xml, name);
    }

    std::vector<std::pair<QString, QString>> sheets; // name, part
    {
        const QString name = QStringLiteral("xl/workbook.xml");
        QXmlStreamReader xml(part(zip, name));
        while (!xml.atEnd())
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"sheet") {
                const QString id = xml.attributes()
                                       .value(QStringLiteral("http://schemas.openxmlformats.org/"
                                                             "officeDocument/2006/relationships"),
                                              QLatin1StringView("id"))
                                       .toString();
                if (!targets.contains(id))
                    throw std::runtime_error("no sheet part for " + id.toStdString());
                sheets.emplace_back(xml.attributes().value(QLatin1StringView("name")).toString(),
                                    targets[id]);
            }
        check(xml, name);
    }

    QStringList cells;
    for (const auto &[sheet, name] : sheets) {
        QXmlStreamReader xml(part(zip, name));
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != u"c") continue;
            int row = 0, col = 0;
            cellPosition(xml.attributes().value(QLatin1StringView("r")), row, col);
            const QString type = xml.attributes().value(QLatin1StringView("t")).toString();
            QString value;
            bool has = false;
            while (xml.readNextStartElement()) {
                if (xml.name() == u"v") {
                    value = xml.readElementText();
                    has = !value.isEmpty(); // a formula saved without its result has none
                } else if (xml.name() == u"is") {
                    value = textOf(xml);
                    has = true;
                } else {
                    xml.skipCurrentElement();
                }
            }
            if (!has) continue;
            QString shown;
            if (type == u"s") {
                bool ok = false;
                const int index = value.toInt(&ok);
                if (!ok || index < 0 || index >= shared.size())
                    throw std::runtime_error("bad shared string " + value.toStdString());
                shown = QStringLiteral("string:\"") + shared[index] + u'"';
            } else if (type == u"inlineStr" || type == u"str") {
                shown = QStringLiteral("string:\"") + value + u'"';
            } else if (type == u"b") {
                shown = QStringLiteral("boolean:") + value;
            } else if (type == u"e") {
                shown = QStringLiteral("error:") + value;
            } else {
                shown = QStringLiteral("numeric:") + numberText(value);
            }
            cells << sheet + u'/' + QString::number(row) + u'/' + QString::number(col) + u':' +
                         shown;
        }
        check(xml, name);
    }
    return cells;
}

} // namespace XlsxCells
