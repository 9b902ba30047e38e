// What the sheet readers share, and the choice of reader by the file's content.
#include "SheetReaders.h"

#include "import/WorkbookTexts.h"
#include "model/UserError.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QTime>

#include <algorithm>
#include <cstring>
#include <new>

namespace WorkbookImport
{

namespace
{

// A zip workbook is held whole in memory by the reader, and so is each .xlsx part it
// inflates (at most ZipParts::MaxPartBytes); the reader process's memory limit stops the rest.
constexpr qint64 MaxFileSize = qint64(1) << 30;

bool startsWith(const QByteArray &bytes, const char *magic, int len)
{
    return bytes.size() >= len && std::memcmp(bytes.constData(), magic, size_t(len)) == 0;
}

} // namespace

// --- collecting cells ---

void SheetBuilder::touch(int64_t row)
{
    if (row >= MaxRows) tooManyRows(m_path);
    if (row > m_out.lastRow) m_out.lastRow = int(row);
}

void SheetBuilder::cellTooLong(int64_t row, int64_t col) const
{
    throw UserError(
        Texts::filled(Texts::CellTooLong(), {Texts::shown(m_path), m_out.name,
                                             QString::number(row + 1), QString::number(col + 1)}));
}

bool SheetBuilder::keeps(int64_t row, int64_t col)
{
    touch(row);
    if (row < 1 || col >= Columns) return false;
    if (!m_out.entries.empty()) {
        const Entry &last = m_out.entries.back();
        if (row < last.row || (row == last.row && col <= last.col)) m_unordered = true;
    }
    return true;
}

void SheetBuilder::putText(int64_t row, int64_t col, Cell::Kind kind, QStringView text)
{
    if (row < 0 || col < 0) return;
    if (text.size() > MaxCellText) cellTooLong(row, col);
    if (keeps(row, col))
        m_out.entries.push_back({int32_t(row), uint8_t(col), Cell{kind, 0, m_out.texts.add(text)}});
}

void SheetBuilder::put(int64_t row, int64_t col, Cell::Kind kind, double number,
                       std::string_view utf8)
{
    if (row < 0 || col < 0 || kind == Cell::Kind::Empty) return;
    if (utf8.size() > size_t(MaxCellText) * 3) cellTooLong(row, col);
    if (kind != Cell::Kind::Text && kind != Cell::Kind::Date && kind != Cell::Kind::Error) {
        if (keeps(row, col))
            m_out.entries.push_back({int32_t(row), uint8_t(col), Cell{kind, number, -1}});
        return;
    }
    if (row < 1 || col >= Columns) return touch(row);
    // Most texts are ASCII: those go into the buffer without a decoded copy.
    const bool ascii =
        std::all_of(utf8.begin(), utf8.end(), [](char c) { return uchar(c) < 0x80; });
    if (!ascii)
        return putText(row, col, kind, QString::fromUtf8(utf8.data(), qsizetype(utf8.size())));
    if (utf8.size() > size_t(MaxCellText)) cellTooLong(row, col);
    if (keeps(row, col))
        m_out.entries.push_back(
            {int32_t(row), uint8_t(col),
             Cell{kind, 0,
                  m_out.texts.addLatin1(QLatin1StringView(utf8.data(), qsizetype(utf8.size())))}});
}

void SheetBuilder::repeat(int64_t row, int64_t col, int64_t count, Cell::Kind kind, double number,
                          QStringView text)
{
    if (count <= 0 || kind == Cell::Kind::Empty) return;
    if (row + count > MaxRows) tooManyRows(m_path);
    if (col >= Columns) return touch(row + count - 1);
    const bool isText =
        kind == Cell::Kind::Text || kind == Cell::Kind::Date || kind == Cell::Kind::Error;
    for (int64_t r = row; r < row + count; ++r) {
        if (isText)
            putText(r, col, kind, text);
        else
            put(r, col, kind, number);
    }
}

void SheetBuilder::finish()
{
    if (!m_unordered) return;
    auto &e = m_out.entries;
    std::stable_sort(e.begin(), e.end(), [](const Entry &a, const Entry &b) {
        return a.row != b.row ? a.row < b.row : a.col < b.col;
    });
    // Of several values given to one position, the last one counts.
    size_t w = 0;
    for (size_t i = 0; i < e.size(); ++i) {
        if (w > 0 && e[w - 1].row == e[i].row && e[w - 1].col == e[i].col)
            e[w - 1] = e[i];
        else
            e[w++] = e[i];
    }
    e.resize(w);
}

// --- number formats ---

bool builtInDateFormat(size_t id)
{
    return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) ||
           (id >= 50 && id <= 58);
}

// A number format code shows a date or time when it holds y, m, d, h or s outside quoted
// text, escaped characters and bracketed parts (colours, locales).
bool dateFormatCode(std::string_view code)
{
    for (size_t i = 0; i < code.size(); ++i) {
        const char c = code[i];
        if (c == '"') {
            const size_t end = code.find('"', i + 1);
            if (end == std::string_view::npos) return false;
            i = end;
        } else if (c == '[') {
            const size_t end = code.find(']', i + 1);
            if (end == std::string_view::npos) return false;
            // [h], [mm] and [ss] are elapsed times.
            const std::string_view inner = code.substr(i + 1, end - i - 1);
            if (!inner.empty() && std::strchr("hHmMsS", inner[0]) &&
                inner.find_first_not_of(inner[0]) == std::string_view::npos)
                return true;
            i = end;
        } else if (c == '\\' || c == '_' || c == '*') {
            ++i;
        } else if (std::strchr("yYmMdDhHsS", c)) {
            return true;
        }
    }
    return false;
}

QString isoDateText(std::string_view iso)
{
    const QString s = QString::fromLatin1(iso.data(), qsizetype(iso.size()));
    const QDate date = QDate::fromString(s.left(10), Qt::ISODate);
    if (!date.isValid()) return QString();
    QString text = date.toString(QStringLiteral("dd/MM/yyyy"));
    if (s.size() > 11 && (s[10] == u'T' || s[10] == u' ')) {
        const QTime time = QTime::fromString(s.mid(11, 8), Qt::ISODate);
        if (time.isValid() && time != QTime(0, 0))
            text += u' ' + time.toString(QStringLiteral("hh:mm:ss"));
    }
    return text;
}

SheetCells readFirstSheetHere(const QString &path, const ReadProgress &progress)
{
    QFile f(path);
    if (!QFileInfo(path).isFile()) throw UserError(FileNotFoundText + Texts::shown(path));
    if (!f.open(QIODevice::ReadOnly))
        throw UserError(Texts::filled(Texts::CannotOpen(), {Texts::shown(path), f.errorString()}));
    const QByteArray head = f.peek(8);
    if (startsWith(head, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)) {
        // A compound file: a legacy workbook, or a password-protected .xlsx wrapped in one.
        const QByteArray all = f.readAll();
        const QByteArray marker =
            QByteArray::fromRawData("E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e", 31);
        if (all.contains(marker)) fail(Texts::Encrypted(), path);
        f.close();
        return readXls(path, progress);
    }
    if (!startsWith(head, "PK\x03\x04", 4)) fail(Texts::NotWorkbook(), path);
    if (f.size() > MaxFileSize) throw std::bad_alloc();
    const QByteArray bytes = f.readAll();
    if (bytes.size() != f.size())
        throw UserError(Texts::filled(Texts::CannotOpen(), {Texts::shown(path), f.errorString()}));
    // Both formats are zip archives: an .ods opens with its media type, stored uncompressed.
    if (bytes.left(200).contains("application/vnd.oasis.opendocument.spreadsheet") ||
        (bytes.contains("content.xml") && !bytes.contains("[Content_Types].xml")))
        return readOds(bytes, path, progress);
    return readXlsx(bytes, path, progress);
}

} // namespace WorkbookImport
