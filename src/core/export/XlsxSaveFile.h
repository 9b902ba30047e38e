#pragma once

#include "platform/SaveFile.h"

#include <QString>
#include <QStringView>
#include <string>

struct lxw_workbook;
struct lxw_worksheet;

// A workbook written whole or not at all: libxlsxwriter writes it under a temporary name in
// the target's folder, and commit() renames it over the target once complete. Dropped
// without commit(), it leaves the target as it was. Every failure throws UserError naming
// the file, or the row and column of a cell the library refuses. Rows are written to the file
// as they come, texts stored in their cells (inline strings): cells of a sheet must be given
// row by row, from the top, and a cell above the row being written is refused.
class XlsxSaveFile final
{
public:
    explicit XlsxSaveFile(const QString &path);
    ~XlsxSaveFile();
    XlsxSaveFile(const XlsxSaveFile &) = delete;
    XlsxSaveFile &operator=(const XlsxSaveFile &) = delete;

    // The rows a sheet holds under its header row.
    static constexpr int MaxDataRows = 1048575;

    // Adds a sheet (named by the library when name is empty); later cells go to it.
    void addSheet(const QString &name = QString());
    // An empty text leaves the cell empty, which reads back as an empty text.
    void text(int row, int col, QStringView s);
    void number(int row, int col, double value);
    void commit();

    // Writes a literal "_xHHHH_" in utf8 so that readers give it back as it is, not as the
    // character it would escape.
    static void escapeLiteralEscapes(std::string &utf8);

private:
    QString m_path;
    SaveFile m_file;
    QByteArray m_tempName;
    lxw_workbook *m_book = nullptr;
    lxw_worksheet *m_sheet = nullptr;
    std::string m_utf8; // the cell being written
};
