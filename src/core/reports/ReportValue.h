#pragma once

#include <QDate>
#include <QString>
#include <QTime>
#include <QVariant>
#include <variant>

// A value met while a report is prepared: nothing, a whole number, a real, a text, a date
// or a time.
using ReportValue = std::variant<std::monostate, qint64, double, QString, QDate, QTime>;

// Turns what a callback answered into a report value; an invalid variant is "nothing".
ReportValue toReportValue(const QVariant &v);

// The value as a real; nothing and texts count as 0.
double toReal(const ReportValue &v);

// How a text box shows its numbers and dates.
struct DisplayFormat {
    enum Kind { None, Number, Date };
    Kind kind = None;
    int decimals = 2;
    bool grouped = true;
    QChar decimalMark = u',';
    QString datePattern; // day, month and year tokens as written in the template

    // Reads a template's format: "%2.2n" / "%.2f" style, "#,##0.00" style, or a date
    // pattern such as "dd mmm yyyy". An empty text is no format.
    static DisplayFormat parse(const QString &format, QChar decimalMark = u',');
};

// The text a text box shows for a value. Without a format, whole numbers are plain digits,
// reals use the decimal comma, dates read dd/mm/yyyy and times hh:mm:ss.
QString displayText(const ReportValue &v, const DisplayFormat &format);

// value rounded to the given decimals, thousands separated by a space.
QString formatNumber(double value, int decimals, bool grouped, QChar decimalMark);

// French abbreviated month name, 1 to 12 ("janv.", "févr.", ...).
QString frenchShortMonth(int month);
