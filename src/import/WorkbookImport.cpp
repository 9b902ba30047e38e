#include "WorkbookImport.h"

#include "SheetReaders.h"
#include "WorkbookTexts.h"
#include "model/AmountText.h"
#include "model/UserError.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QTime>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace WorkbookImport
{

namespace
{

const char *const ColumnNames[Columns] = {"Compte", "CLE/RIP",   "Net",        "Rendement",
                                          "NumAss", "NomPrenom", "TypeContrat"};

// Parts of a zip workbook are held whole in memory by the reader; the reader process's
// memory limit stops a part that inflates beyond reason.
constexpr qint64 MaxFileSize = qint64(1) << 30;

// The transfer record holds an amount as 13 digits of centimes.
constexpr double MaxAmountCents = 9999999999999.0;

bool startsWith(const QByteArray &bytes, const char *magic, int len)
{
    return bytes.size() >= len && std::memcmp(bytes.constData(), magic, size_t(len)) == 0;
}

} // namespace

[[noreturn]] void fail(const QString &pattern, const QString &path)
{
    throw UserError(Texts::filled(pattern, {Texts::shown(path)}));
}

[[noreturn]] void damaged(const QString &path, const QString &detail)
{
    throw UserError(Texts::filled(Texts::Damaged, {Texts::shown(path), detail}));
}

[[noreturn]] void tooManyRows(const QString &path)
{
    fail(Texts::TooManyRows, path);
}

// --- collecting cells ---

void SheetBuilder::touch(int64_t row)
{
    if (row >= MaxRows) tooManyRows(m_path);
    if (row > m_out.lastRow) m_out.lastRow = int(row);
}

int32_t SheetBuilder::addText(const QString &text)
{
    m_out.texts.push_back(text);
    return int32_t(m_out.texts.size() - 1);
}

void SheetBuilder::cellTooLong(int64_t row, int64_t col) const
{
    throw UserError(Texts::filled(Texts::CellTooLong,
                                  {Texts::shown(m_path), m_out.name, QString::number(row + 1),
                                   QString::number(col + 1)}));
}

void SheetBuilder::putText(int64_t row, int64_t col, Cell::Kind kind, const QString &text)
{
    if (row < 0 || col < 0) return;
    if (text.size() > MaxCellText) cellTooLong(row, col);
    touch(row);
    if (row < 1 || col >= Columns) return;
    if (!m_out.entries.empty()) {
        const Entry &last = m_out.entries.back();
        if (row < last.row || (row == last.row && col <= last.col)) m_unordered = true;
    }
    m_out.entries.push_back({int32_t(row), uint8_t(col), Cell{kind, 0, addText(text)}});
}

void SheetBuilder::put(int64_t row, int64_t col, Cell::Kind kind, double number,
                       std::string_view utf8)
{
    if (row < 0 || col < 0 || kind == Cell::Kind::Empty) return;
    if (utf8.size() > size_t(MaxCellText) * 3) cellTooLong(row, col);
    if (kind == Cell::Kind::Text || kind == Cell::Kind::Date || kind == Cell::Kind::Error) {
        if (row < 1 || col >= Columns) {
            touch(row);
            return;
        }
        return putText(row, col, kind,
                       QString::fromUtf8(utf8.data(), qsizetype(utf8.size())));
    }
    touch(row);
    if (row < 1 || col >= Columns) return;
    if (!m_out.entries.empty()) {
        const Entry &last = m_out.entries.back();
        if (row < last.row || (row == last.row && col <= last.col)) m_unordered = true;
    }
    m_out.entries.push_back({int32_t(row), uint8_t(col), Cell{kind, number, -1}});
}

void SheetBuilder::repeat(int64_t row, int64_t col, int64_t count, Cell::Kind kind,
                          double number, std::string_view utf8)
{
    if (count <= 0 || kind == Cell::Kind::Empty) return;
    if (row + count > MaxRows) tooManyRows(m_path);
    if (col >= Columns) return touch(row + count - 1);
    for (int64_t r = row; r < row + count; ++r)
        put(r, col, kind, number, utf8);
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

// --- public ---

SheetCells readFirstSheetHere(const QString &path, const ReadProgress &progress)
{
    QFile f(path);
    if (!QFileInfo(path).isFile()) throw UserError(Texts::FileNotFound + Texts::shown(path));
    if (!f.open(QIODevice::ReadOnly))
        throw UserError(Texts::filled(Texts::CannotOpen, {Texts::shown(path), f.errorString()}));
    const QByteArray head = f.peek(8);
    if (startsWith(head, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)) {
        // A compound file: a legacy workbook, or a password-protected .xlsx wrapped in one.
        const QByteArray all = f.readAll();
        const QByteArray marker =
            QByteArray::fromRawData("E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e", 31);
        if (all.contains(marker)) fail(Texts::Encrypted, path);
        f.close();
        return readXls(path, progress);
    }
    if (!startsWith(head, "PK\x03\x04", 4)) fail(Texts::NotWorkbook, path);
    if (f.size() > MaxFileSize) throw std::bad_alloc();
    const QByteArray bytes = f.readAll();
    if (bytes.size() != f.size())
        throw UserError(Texts::filled(Texts::CannotOpen, {Texts::shown(path), f.errorString()}));
    // Both formats are zip archives: an .ods opens with its media type, stored uncompressed.
    if (bytes.left(200).contains("application/vnd.oasis.opendocument.spreadsheet") ||
        (bytes.contains("content.xml") && !bytes.contains("[Content_Types].xml")))
        return readOds(bytes, path, progress);
    return readXlsx(bytes, path, progress);
}

QString generalNumber(double value)
{
    if (!std::isfinite(value)) return QString();
    if (value == 0) return QStringLiteral("0");
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", value);
    QString s = QString::fromLatin1(buf);
    s.replace(u'.', u',');
    const qsizetype e = s.indexOf(u'e');
    if (e >= 0) {
        // "1,5e+20" -> "1,5E20", "1e-05" -> "1E-5"
        const QStringView exp = QStringView(s).mid(e + 1);
        const bool negative = exp.startsWith(u'-');
        QString digits = exp.mid(1).toString();
        while (digits.size() > 1 && digits.startsWith(u'0'))
            digits.remove(0, 1);
        s = s.left(e) + u'E' + (negative ? QStringLiteral("-") : QString()) + digits;
    }
    return s;
}

QString serialDateText(double serial, int originYear, int originMonth, int originDay)
{
    if (!std::isfinite(serial) || serial < 0 || serial > 2958465.0) return generalNumber(serial);
    double days = std::floor(serial);
    qint64 seconds = std::llround((serial - days) * 86400.0);
    if (seconds >= 86400) {
        days += 1;
        seconds -= 86400;
    }
    const QTime time = QTime(0, 0).addSecs(int(seconds));
    if (days < 1 && originYear == 1899) return time.toString(QStringLiteral("hh:mm:ss"));
    const QDate date = QDate(originYear, originMonth, originDay).addDays(qint64(days));
    QString text = date.toString(QStringLiteral("dd/MM/yyyy"));
    if (seconds != 0) text += u' ' + time.toString(QStringLiteral("hh:mm:ss"));
    return text;
}

QString cellText(const Cell &cell, const std::vector<QString> &texts)
{
    switch (cell.kind) {
    case Cell::Kind::Empty:
    case Cell::Kind::NoValue:
        return QString();
    case Cell::Kind::Number:
        return generalNumber(cell.number);
    case Cell::Kind::Bool:
        return cell.number != 0 ? Texts::True : Texts::False;
    case Cell::Kind::Text:
    case Cell::Kind::Date:
    case Cell::Kind::Error:
        return cell.text >= 0 && size_t(cell.text) < texts.size() ? texts[size_t(cell.text)]
                                                                  : QString();
    }
    return QString();
}

bool cellAmount(const Cell &cell, const std::vector<QString> &texts, double &value)
{
    switch (cell.kind) {
    case Cell::Kind::Empty:
        value = 0;
        return true;
    case Cell::Kind::Number:
        value = cell.number;
        return std::isfinite(value);
    case Cell::Kind::Text: {
        const QString text = cellText(cell, texts);
        if (text.isEmpty()) {
            value = 0;
            return true;
        }
        // Regional formats group digits with no-break spaces; the number rule drops spaces.
        QString plain = text;
        plain.replace(QChar(0x00A0), u' ').replace(QChar(0x202F), u' ');
        return TryStrToFloat(plain, value) && std::isfinite(value);
    }
    case Cell::Kind::Bool:
    case Cell::Kind::Date:
    case Cell::Kind::Error:
    case Cell::Kind::NoValue:
        return false;
    }
    return false;
}

namespace
{

// What keeps a cell of the account, key, amount or insurance columns from giving a value;
// empty when it gives one.
QString refusal(const Cell &cell, int col, const std::vector<QString> &texts, double &amount)
{
    const bool isAmount = col == 2 || col == 3;
    switch (cell.kind) {
    case Cell::Kind::Error:
        return Texts::filled(Texts::FormulaError, {cellText(cell, texts)});
    case Cell::Kind::NoValue:
        return Texts::FormulaWithoutResult;
    case Cell::Kind::Number:
        if (!std::isfinite(cell.number))
            return Texts::filled(Texts::NotFinite, {QString::number(cell.number)});
        break;
    default:
        break;
    }
    if (!isAmount) return QString();
    if (!cellAmount(cell, texts, amount))
        return Texts::filled(Texts::NotAnAmount, {cellText(cell, texts)});
    if (std::abs(std::round(amount * 100)) > MaxAmountCents)
        return Texts::filled(Texts::AmountTooLarge, {cellText(cell, texts)});
    return QString();
}

} // namespace

std::vector<TransferLine> toLines(const SheetCells &sheet, const QString &path,
                                  const Progress &progress)
{
    std::vector<TransferLine> lines;
    if (sheet.lastRow < 1) return lines;
    const int total = sheet.lastRow; // rows 2 .. lastRow + 1
    lines.reserve(size_t(total));
    const QString zero = AmountText::format(0);
    size_t next = 0;
    for (int row = 1; row <= sheet.lastRow; ++row) {
        Cell cells[Columns];
        while (next < sheet.entries.size() && sheet.entries[next].row < row)
            ++next;
        for (; next < sheet.entries.size() && sheet.entries[next].row == row; ++next)
            if (sheet.entries[next].col < Columns)
                cells[sheet.entries[next].col] = sheet.entries[next].cell;
        QString text[Columns];
        for (int c = 0; c < Columns; ++c) {
            double amount = 0;
            if (c <= 4) {
                const QString why = refusal(cells[c], c, sheet.texts, amount);
                if (!why.isEmpty())
                    throw UserError(Texts::filled(
                        Texts::Refused,
                        {Texts::shown(path), sheet.name, QString::number(row + 1),
                         QString::number(c + 1), QLatin1String(ColumnNames[c]), why}));
            }
            if (c == 2 || c == 3)
                text[c] = cells[c].kind == Cell::Kind::Empty ? zero : AmountText::format(amount);
            else
                text[c] = cellText(cells[c], sheet.texts);
        }
        lines.emplace_back(Caption, text[0], text[1], text[2], text[3], text[4], text[5], text[6]);
        if (progress) progress(row, total);
    }
    return lines;
}

} // namespace WorkbookImport
