#include "WorkbookImport.h"

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

} // namespace

[[noreturn]] void fail(const QString &pattern, const QString &path)
{
    throw UserError(Texts::filled(pattern, {Texts::shown(path)}));
}

[[noreturn]] void damaged(const QString &path, const QString &detail)
{
    throw UserError(Texts::filled(Texts::Damaged(), {Texts::shown(path), detail}));
}

[[noreturn]] void tooManyRows(const QString &path)
{
    fail(Texts::TooManyRows(), path);
}

// --- texts ---

SheetTexts::SheetTexts(std::initializer_list<QStringView> texts)
{
    for (QStringView t : texts)
        add(t);
}

int32_t SheetTexts::added()
{
    m_ends.push_back(uint32_t(m_units.size()));
    return int32_t(m_ends.size() - 1);
}

int32_t SheetTexts::add(QStringView text)
{
    m_units.append(text);
    return added();
}

int32_t SheetTexts::addLatin1(QLatin1StringView text)
{
    m_units.append(text);
    return added();
}

bool SheetTexts::assign(QString units, std::vector<uint32_t> ends)
{
    uint32_t from = 0;
    for (uint32_t end : ends) {
        if (end < from) return false;
        from = end;
    }
    if (qsizetype(from) != units.size()) return false;
    m_units = std::move(units);
    m_ends = std::move(ends);
    return true;
}

// --- public ---

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

AmountShape amountTextShape(QStringView text, QString &plain)
{
    // Regional formats group digits with no-break spaces; the number rule drops spaces.
    plain.clear();
    plain.reserve(text.size());
    qsizetype points = 0, commas = 0, point = -1;
    for (QChar c : text) {
        if (c == QChar(0x00A0) || c == QChar(0x202F) || c == u' ') continue;
        if (c == u'.') ++points, point = plain.size();
        if (c == u',') ++commas;
        plain += c;
    }
    // One point followed by one or two digits, and no other separator, can only be a
    // decimal point (a text left by a CSV file): "1234.5". "1.234" and "1,234.56" stay
    // refused, the point there being possibly a thousands separator.
    if (points == 1 && commas == 0) {
        const qsizetype decimals = plain.size() - point - 1;
        bool digits = decimals >= 1 && decimals <= 2;
        for (qsizetype i = point + 1; digits && i < plain.size(); ++i)
            digits = plain[i].isDigit() && plain[i].unicode() < 128;
        if (digits) plain[point] = u',';
    }
    // More than two digits after the decimal mark is a thousands separator in another
    // language's sheet as often as it is a decimal mark: "1,234".
    const qsizetype comma = plain.indexOf(u',');
    if (comma >= 0) {
        qsizetype decimals = 0;
        for (qsizetype i = comma + 1; i < plain.size() && plain[i].isDigit(); ++i)
            ++decimals;
        if (decimals > 2) return AmountShape::TooManyDecimals;
    }
    return AmountShape::Plain;
}

namespace
{

// The text of a cell that holds one; an empty view for the others.
QStringView storedText(const Cell &cell, const SheetTexts &texts)
{
    return cell.text >= 0 && size_t(cell.text) < texts.size() ? texts[size_t(cell.text)]
                                                              : QStringView();
}

} // namespace

QString cellText(const Cell &cell, const SheetTexts &texts)
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
        return storedText(cell, texts).toString();
    }
    return QString();
}

bool cellAmount(const Cell &cell, const SheetTexts &texts, double &value)
{
    switch (cell.kind) {
    case Cell::Kind::Empty:
        value = 0;
        return true;
    case Cell::Kind::Number:
        value = cell.number;
        return std::isfinite(value);
    case Cell::Kind::Text: {
        const QStringView text = storedText(cell, texts);
        if (text.isEmpty()) {
            value = 0;
            return true;
        }
        QString plain;
        return amountTextShape(text, plain) == AmountShape::Plain && readNumber(plain, value) &&
               std::isfinite(value);
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
QString refusal(const Cell &cell, int col, const SheetTexts &texts, double &amount)
{
    const bool isAmount = col == 2 || col == 3;
    if (cell.kind == Cell::Kind::Text) {
        for (QChar c : storedText(cell, texts))
            if (c.unicode() < 32 || c.unicode() == 127)
                return Texts::filled(
                    Texts::ControlCharacter(),
                    {QStringLiteral("%1").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper()});
    }
    switch (cell.kind) {
    case Cell::Kind::Error:
        return Texts::filled(Texts::FormulaError(), {cellText(cell, texts)});
    case Cell::Kind::NoValue:
        return Texts::FormulaWithoutResult();
    case Cell::Kind::Bool:
        if (!isAmount) return Texts::filled(Texts::Boolean(), {cellText(cell, texts)});
        break;
    case Cell::Kind::Number:
        if (!std::isfinite(cell.number))
            return Texts::filled(Texts::NotFinite(), {QString::number(cell.number)});
        break;
    default:
        break;
    }
    if (!isAmount) return QString();
    if (cell.kind == Cell::Kind::Text) {
        QString plain;
        if (amountTextShape(storedText(cell, texts), plain) == AmountShape::TooManyDecimals)
            return Texts::filled(Texts::TooManyDecimals(), {cellText(cell, texts)});
    }
    if (!cellAmount(cell, texts, amount))
        return Texts::filled(Texts::NotAnAmount(), {cellText(cell, texts)});
    if (std::abs(std::round(amount * 100)) > double(MaxAmountCents))
        return Texts::filled(Texts::AmountTooLarge(), {cellText(cell, texts)});
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
        // Texts are taken as views into the sheet's buffer; only made texts are held here.
        QString made[Columns];
        QStringView text[Columns];
        for (int c = 0; c < Columns; ++c) {
            double amount = 0;
            if (c <= 4 || cells[c].kind == Cell::Kind::Text) {
                const QString why = refusal(cells[c], c, sheet.texts, amount);
                if (!why.isEmpty())
                    throw UserError(Texts::filled(Texts::Refused(),
                                                  {Texts::shown(path), sheet.name,
                                                   QString::number(row + 1), QString::number(c + 1),
                                                   QLatin1String(ColumnNames[c]), why}));
            }
            if (c == 2 || c == 3) {
                text[c] = cells[c].kind == Cell::Kind::Empty
                              ? QStringView(zero)
                              : QStringView(made[c] = AmountText::format(amount));
            } else if (cells[c].kind == Cell::Kind::Text || cells[c].kind == Cell::Kind::Date ||
                       cells[c].kind == Cell::Kind::Error) {
                text[c] = storedText(cells[c], sheet.texts);
            } else {
                text[c] = made[c] = cellText(cells[c], sheet.texts);
            }
        }
        lines.emplace_back(TransferLine::DefaultCaption, text[0], text[1], text[2], text[3],
                           text[4], text[5], text[6]);
        if (progress) progress(row, total);
    }
    return lines;
}

} // namespace WorkbookImport
