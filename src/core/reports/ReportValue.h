#pragma once

#include <QDate>
#include <QMetaType>
#include <QString>
#include <QTime>
#include <QVariant>
#include <variant>

// An amount of money in whole centimes. Money is added, subtracted and summed exactly and
// shown with its decimals cut from the centimes, never through floating point.
struct Money {
    qint64 cents = 0;
    bool operator==(const Money &o) const = default;
};
Q_DECLARE_METATYPE(Money)

// A value met while a report is prepared: nothing, a whole number, a real, a text, a date,
// a time or money.
using ReportValue = std::variant<std::monostate, qint64, double, QString, QDate, QTime, Money>;

// Turns what a callback answered into a report value; an invalid variant is "nothing".
ReportValue toReportValue(const QVariant &v);

// Money for a data set's callback to answer.
inline QVariant moneyValue(qint64 cents)
{
    return QVariant::fromValue(Money{cents});
}

// The value as a real; nothing and texts count as 0, money counts in units (cents / 100).
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

// The same for a whole number of centimes, exactly (halves away from zero below two
// decimals).
QString formatCentsNumber(qint64 cents, int decimals, bool grouped, QChar decimalMark);

// French abbreviated month name, 1 to 12 ("janv.", "févr.", ...).
QString frenchShortMonth(int month);
