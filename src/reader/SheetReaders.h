#pragma once

#include "import/WorkbookImport.h"

#include <QByteArray>
#include <string_view>

// The readers of each kind of workbook, and what they share. Internal to the import.
namespace WorkbookImport
{

// Collects the cells of the first sheet as a reader meets them: keeps columns 1 to 7 from
// row 2 on, and the last row holding a value in any column.
class SheetBuilder final
{
public:
    SheetBuilder(SheetCells &out, const QString &path) : m_out(out), m_path(path) {}

    // row and col count from 0. A text longer than a cell can hold, or a row beyond the
    // largest sheet, throws UserError.
    void put(int64_t row, int64_t col, Cell::Kind kind, double number = 0,
             std::string_view utf8 = {});
    void putText(int64_t row, int64_t col, Cell::Kind kind, QStringView text);
    // The same cell on count rows from row on (repeated rows of an .ods).
    void repeat(int64_t row, int64_t col, int64_t count, Cell::Kind kind, double number,
                QStringView text);
    // Sorts the cells, keeping the last value given to a position.
    void finish();

    SheetCells &out() { return m_out; }
    const QString &path() const { return m_path; }

    [[noreturn]] void cellTooLong(int64_t row, int64_t col) const;

private:
    void touch(int64_t row);
    // Notes row as used; true when the cell is one the sheet keeps (columns 1 to 7 from
    // row 2 on), noting whether cells still come in order.
    bool keeps(int64_t row, int64_t col);

    SheetCells &m_out;
    QString m_path;
    bool m_unordered = false;
};

// A date or date and time written "yyyy-mm-dd[Thh:mm:ss[.fff]]" as cell text; empty when
// it does not read.
QString isoDateText(std::string_view iso);

// Whether a number format code shows a date or a time.
bool dateFormatCode(std::string_view code);
// Whether a built-in number format of the .xlsx and .xls formats shows a date or a time.
bool builtInDateFormat(size_t id);

// Reads the first sheet in this process. The kind of file is told by its content, not its
// name. Throws UserError, naming the file, when it is missing, unreadable, not a workbook,
// damaged, protected by a password or too large; the libraries may also stop the process on
// some damaged files, which is why the program reads workbooks in a reader process.
SheetCells readFirstSheetHere(const QString &path, const ReadProgress &progress = {});

SheetCells readXlsx(const QByteArray &bytes, const QString &path, const ReadProgress &progress);
SheetCells readOds(const QByteArray &bytes, const QString &path, const ReadProgress &progress);
SheetCells readXls(const QString &path, const ReadProgress &progress);

} // namespace WorkbookImport
