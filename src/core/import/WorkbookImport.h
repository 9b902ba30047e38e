#pragma once

#include "model/TransferLine.h"

#include <QString>
#include <QStringView>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <vector>

// Reader of workbooks (.xlsx through QuaZip and liborcus's XML parser, .ods through QuaZip and
// QXmlStreamReader, legacy .xls by its own records over libgsf): the first worksheet by
// position, row 1 skipped, rows 2 to the last used row, columns
// 1 to 7.
namespace WorkbookImport
{

inline constexpr int Columns = 7;
// The largest sheet the .xlsx and .ods formats allow.
inline constexpr int MaxRows = 1048576;
// The longest text a spreadsheet program lets a cell hold.
inline constexpr int MaxCellText = 32767;

// One cell of columns 1 to 7 as the file holds it.
struct Cell {
    enum class Kind : uint8_t {
        Empty,
        Number,
        Text,
        Bool,
        Date,
        Error,  // a formula whose result is an error; text: what the program shows ("#N/A")
        NoValue // a formula saved without its result
    };
    Kind kind = Kind::Empty;
    double number = 0; // Number; Bool as 0 or 1
    int32_t text = -1; // Text, Date and Error: index into SheetCells::texts
};

// The texts of a sheet end to end in one buffer, with where each ends: a sheet of a million
// texts costs two allocations, not a million, in the reader and in the program.
class SheetTexts final
{
public:
    SheetTexts() = default;
    SheetTexts(std::initializer_list<QStringView> texts);

    // Appends a text; returns its index.
    int32_t add(QStringView text);
    // Appends a text that is Latin-1 (ASCII read from a file); returns its index.
    int32_t addLatin1(QLatin1StringView text);
    QStringView operator[](size_t index) const
    {
        const uint32_t from = index == 0 ? 0 : m_ends[index - 1];
        return QStringView(m_units).mid(from, m_ends[index] - from);
    }
    size_t size() const { return m_ends.size(); }

    // The buffer and the ends, as the reader sends them and the program takes them back.
    const QString &units() const { return m_units; }
    const std::vector<uint32_t> &ends() const { return m_ends; }
    // False, leaving the texts empty, unless the ends rise and the last is the buffer's size.
    bool assign(QString units, std::vector<uint32_t> ends);

private:
    int32_t added();

    QString m_units;
    std::vector<uint32_t> m_ends;
};

struct Entry {
    int32_t row; // 0-based sheet row
    uint8_t col; // 0-based column, below Columns
    Cell cell;
};

// What the reader keeps of the first sheet: its name, the cells of columns 1 to 7 from
// row 2 on, sorted by row then column (one per position), and the last row holding a value
// in any column.
struct SheetCells {
    QString name;
    int lastRow = -1; // 0-based; -1 for an empty sheet
    std::vector<Entry> entries;
    SheetTexts texts;
};

// Progress of a read, in thousandths.
using ReadProgress = std::function<void(int permille)>;

// Throw UserError naming the file: with a message pattern, as damaged with a detail, or as
// holding more rows than a list can.
[[noreturn]] void fail(const QString &pattern, const QString &path);
[[noreturn]] void damaged(const QString &path, const QString &detail);
[[noreturn]] void tooManyRows(const QString &path);

// Cell text: text unchanged, a number in general form (up to 15 significant digits, decimal
// comma), a date as dd/MM/yyyy (with hh:mm:ss when it has a time), a boolean as VRAI or
// FAUX, an error as the program shows it, an empty cell as an empty text.
QString cellText(const Cell &cell, const SheetTexts &texts);

// A number in general form: up to 15 significant digits, decimal comma, exponent as "E".
QString generalNumber(double value);

// A date serial (days since the origin, fraction = time of day) as cell text.
QString serialDateText(double serial, int originYear = 1899, int originMonth = 12,
                       int originDay = 30);

// Amount of a cell: a number as it is; an empty cell or empty text as 0; a text read by the
// number rule (spaces, no-break spaces dropped, decimal comma). False for a text that is not
// a number, a date, a boolean, an error or a missing formula result.
bool cellAmount(const Cell &cell, const SheetTexts &texts, double &value);

// How an amount text reads: Plain, with plain set to the text the number rule reads
// (spaces dropped, a lone decimal point "1234.5" made a comma), or refused for more than two
// digits after the decimal mark ("1,234"), which would be read differently elsewhere.
enum class AmountShape { Plain, TooManyDecimals };
AmountShape amountTextShape(QStringView text, QString &plain);

// Called while rows are converted: rows done, rows in all.
using Progress = std::function<void(int done, int total)>;

// Converts rows 2 to the last used row into lines (caption, cell texts, amounts as amount
// text); a sheet without data rows gives no line. All or nothing: a cell of the account, key,
// amount or insurance columns that gives no value (formula error, formula without result,
// amount that is not a number, ambiguous or beyond 13 digits of centimes, infinite number),
// or a text of any column holding a control character, throws UserError naming the file,
// the sheet, the row, the column and what was found.
std::vector<TransferLine> toLines(const SheetCells &sheet, const QString &path,
                                  const Progress &progress = {});

} // namespace WorkbookImport
