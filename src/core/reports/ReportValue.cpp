#include "ReportValue.h"

#include <algorithm>
#include <cmath>

ReportValue toReportValue(const QVariant &v)
{
    if (!v.isValid() || v.isNull()) return std::monostate{};
    if (v.metaType() == QMetaType::fromType<Money>()) return v.value<Money>();
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::Bool:
        return qint64(v.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return v.toDouble();
    case QMetaType::QDate:
        return v.toDate();
    case QMetaType::QTime:
        return v.toTime();
    case QMetaType::QDateTime:
        return v.toDateTime().date();
    default:
        return v.toString();
    }
}

double toReal(const ReportValue &v)
{
    if (const qint64 *i = std::get_if<qint64>(&v)) return double(*i);
    if (const double *d = std::get_if<double>(&v)) return *d;
    if (const Money *m = std::get_if<Money>(&v)) return double(m->cents) / 100.0;
    return 0.0;
}

DisplayFormat DisplayFormat::parse(const QString &format, QChar decimalMark)
{
    DisplayFormat f;
    f.decimalMark = decimalMark;
    const QString t = format.trimmed();
    if (t.isEmpty()) return f;
    if (t.startsWith(u'%')) {
        // printf-like: %[width][.decimals]n (grouped) or f (plain).
        f.kind = Number;
        const qsizetype dot = t.indexOf(u'.');
        f.decimals = dot < 0 ? 2 : std::clamp(t.mid(dot + 1, t.size() - dot - 2).toInt(), 0, 18);
        f.grouped = t.endsWith(u'n');
        return f;
    }
    if (t.contains(u'#') || t.startsWith(u'0')) {
        f.kind = Number;
        const qsizetype dot = t.indexOf(u'.');
        f.decimals = dot < 0 ? 0 : std::clamp(int(t.size() - dot - 1), 0, 18);
        f.grouped = t.contains(u',');
        return f;
    }
    f.kind = Date;
    f.datePattern = t;
    return f;
}

namespace
{

// Whole units and fraction digits, grouped and joined with the decimal mark.
QString joinNumber(const QString &digits, int decimals, bool grouped, bool negative,
                   QChar decimalMark)
{
    QString padded = digits;
    if (padded.size() <= decimals) padded = padded.rightJustified(decimals + 1, u'0');
    QString whole = padded.left(padded.size() - decimals);
    const QString frac = padded.right(decimals);
    if (grouped)
        for (qsizetype i = whole.size() - 3; i > 0; i -= 3)
            whole.insert(i, u' ');
    QString out = negative ? QStringLiteral("-") + whole : whole;
    if (decimals > 0) out += decimalMark + frac;
    return out;
}

} // namespace

QString formatNumber(double value, int decimals, bool grouped, QChar decimalMark)
{
    if (!std::isfinite(value)) return QString();
    const double scale = std::pow(10.0, decimals);
    // Halves go away from zero, on the value rounded to a few more places first so that a
    // sum carrying binary noise (1234.5649999...) is read as the decimal it stands for.
    const double scaled = std::round(std::abs(value) * scale * 1e4) / 1e4;
    const long double units = std::round((long double)scaled);
    return joinNumber(QString::number(double(units), 'f', 0), decimals, grouped,
                      value < 0 && units != 0, decimalMark);
}

QString formatCentsNumber(qint64 cents, int decimals, bool grouped, QChar decimalMark)
{
    const bool negative = cents < 0;
    // The magnitude as unsigned, so that the smallest qint64 has one too.
    quint64 units = negative ? 0 - quint64(cents) : quint64(cents);
    QString digits;
    if (decimals >= 2) {
        digits = QString::number(units) + QString(decimals - 2, u'0');
    } else {
        const quint64 scale = decimals == 1 ? 10 : 100;
        units = units / scale + (units % scale >= scale / 2 ? 1 : 0);
        digits = QString::number(units);
    }
    return joinNumber(digits, decimals, grouped, negative && units != 0, decimalMark);
}

QString frenchShortMonth(int month)
{
    static const char16_t *const names[12] = {u"janv.", u"févr.", u"mars",  u"avr.",
                                              u"mai",   u"juin",  u"juil.", u"août",
                                              u"sept.", u"oct.",  u"nov.",  u"déc."};
    return month >= 1 && month <= 12 ? QString::fromUtf16(names[month - 1]) : QString();
}

namespace
{

QString frenchLongMonth(int month)
{
    static const char16_t *const names[12] = {u"janvier",   u"février", u"mars",     u"avril",
                                              u"mai",       u"juin",    u"juillet",  u"août",
                                              u"septembre", u"octobre", u"novembre", u"décembre"};
    return month >= 1 && month <= 12 ? QString::fromUtf16(names[month - 1]) : QString();
}

// Writes a date with the tokens d, dd, m, mm, mmm, mmmm, yy, yyyy; other characters stay.
QString formatDate(const QDate &d, const QString &pattern)
{
    QString out;
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar c = pattern[i].toLower();
        qsizetype n = 1;
        while (i + n < pattern.size() && pattern[i + n].toLower() == c)
            ++n;
        if (c == u'd')
            out += n >= 2 ? QString::number(d.day()).rightJustified(2, u'0')
                          : QString::number(d.day());
        else if (c == u'm')
            out += n >= 4   ? frenchLongMonth(d.month())
                   : n == 3 ? frenchShortMonth(d.month())
                   : n == 2 ? QString::number(d.month()).rightJustified(2, u'0')
                            : QString::number(d.month());
        else if (c == u'y')
            out += n >= 3 ? QString::number(d.year())
                          : QString::number(d.year() % 100).rightJustified(2, u'0');
        else
            out += pattern.mid(i, n);
        i += n;
    }
    return out;
}

} // namespace

QString displayText(const ReportValue &v, const DisplayFormat &format)
{
    if (std::holds_alternative<std::monostate>(v)) return QString();
    if (const QString *s = std::get_if<QString>(&v)) return *s;
    if (const QDate *d = std::get_if<QDate>(&v)) {
        if (format.kind == DisplayFormat::Date) return formatDate(*d, format.datePattern);
        return d->toString(QStringLiteral("dd/MM/yyyy"));
    }
    if (const QTime *t = std::get_if<QTime>(&v)) return t->toString(QStringLiteral("HH:mm:ss"));
    if (const Money *m = std::get_if<Money>(&v)) {
        // Money shows its two decimals unless a number format says otherwise.
        if (format.kind == DisplayFormat::Number)
            return formatCentsNumber(m->cents, format.decimals, format.grouped, format.decimalMark);
        return formatCentsNumber(m->cents, 2, false, format.decimalMark);
    }
    if (format.kind == DisplayFormat::Number)
        return formatNumber(toReal(v), format.decimals, format.grouped, format.decimalMark);
    if (const qint64 *i = std::get_if<qint64>(&v)) return QString::number(*i);
    QString s = QString::number(std::get<double>(v), 'g', 15);
    s.replace(u'.', format.decimalMark);
    return s;
}
