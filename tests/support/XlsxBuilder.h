#pragma once

#include <QFile>
#include <QString>
#include <xlsxwriter.h>

// Builds a small .xlsx for a test with libxlsxwriter. Rows and columns count from 1, as the
// clerk sees them.
class XlsxBuilder
{
public:
    explicit XlsxBuilder(const QString &path)
        : m_wb(workbook_new(QFile::encodeName(path).constData())),
          m_ws(workbook_add_worksheet(m_wb, nullptr))
    {
        m_date = workbook_add_format(m_wb);
        format_set_num_format_index(m_date, 14); // built-in short date
        m_dateTime = workbook_add_format(m_wb);
        format_set_num_format(m_dateTime, "dd/mm/yyyy hh:mm");
        m_money = workbook_add_format(m_wb);
        format_set_num_format(m_money, "#,##0.00 \"DA\";[Red]-#,##0.00 \"DA\"");
    }
    ~XlsxBuilder() { close(); }

    XlsxBuilder &text(int row, int col, const char *utf8)
    {
        worksheet_write_string(m_ws, lxw_row_t(row - 1), lxw_col_t(col - 1), utf8, nullptr);
        return *this;
    }
    XlsxBuilder &number(int row, int col, double v, bool money = false)
    {
        worksheet_write_number(m_ws, lxw_row_t(row - 1), lxw_col_t(col - 1), v,
                               money ? m_money : nullptr);
        return *this;
    }
    XlsxBuilder &boolean(int row, int col, bool v)
    {
        worksheet_write_boolean(m_ws, lxw_row_t(row - 1), lxw_col_t(col - 1), v, nullptr);
        return *this;
    }
    // A date serial shown with a date format (with the time when withTime).
    XlsxBuilder &date(int row, int col, double serial, bool withTime = false)
    {
        worksheet_write_number(m_ws, lxw_row_t(row - 1), lxw_col_t(col - 1), serial,
                               withTime ? m_dateTime : m_date);
        return *this;
    }
    XlsxBuilder &formula(int row, int col, const char *f, double cached)
    {
        worksheet_write_formula_num(m_ws, lxw_row_t(row - 1), lxw_col_t(col - 1), f, nullptr,
                                    cached);
        return *this;
    }
    // A formatted cell without a value: it widens the used range the file declares.
    XlsxBuilder &blank(int row, int col)
    {
        worksheet_write_blank(m_ws, lxw_row_t(row - 1), lxw_col_t(col - 1), m_money);
        return *this;
    }
    // Later cells go to a new sheet.
    XlsxBuilder &nextSheet()
    {
        m_ws = workbook_add_worksheet(m_wb, nullptr);
        return *this;
    }
    void close()
    {
        if (m_wb) workbook_close(m_wb);
        m_wb = nullptr;
    }

private:
    lxw_workbook *m_wb;
    lxw_worksheet *m_ws;
    lxw_format *m_date, *m_dateTime, *m_money;
};
