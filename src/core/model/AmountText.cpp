#include "AmountText.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace
{

// Rounds |value| to whole centimes. Amounts near a half-centime are decided on their
// 15-significant-digit decimal form, so 0.285 gives 29 centimes as a clerk would expect
// even though the binary value lies just under the half.
bool absToCents(double value, unsigned long long &cents)
{
    const double a = std::fabs(value);
    if (!std::isfinite(a) || a >= 9.0e16) return false;
    const double x = a * 100.0;
    const double fl = std::floor(x);
    const double frac = x - fl;
    if (std::fabs(frac - 0.5) > 1e-6) {
        cents = static_cast<unsigned long long>(frac > 0.5 ? fl + 1 : fl);
        return true;
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", a);
    // Re-read the short form as a decimal and round it half up at the second decimal.
    unsigned long long whole = 0, hundredths = 0;
    int third = 0;
    const char *p = buf;
    bool exp = std::strchr(buf, 'e') != nullptr;
    if (exp) { // only for tiny or huge magnitudes; the plain rounding is then exact enough
        cents = static_cast<unsigned long long>(std::llround(x));
        return true;
    }
    while (*p >= '0' && *p <= '9')
        whole = whole * 10 + unsigned(*p++ - '0');
    if (*p == '.') {
        ++p;
        for (int i = 0; i < 3; ++i) {
            int d = (*p >= '0' && *p <= '9') ? (*p++ - '0') : 0;
            if (i < 2)
                hundredths = hundredths * 10 + unsigned(d);
            else
                third = d;
        }
    }
    cents = whole * 100 + hundredths + (third >= 5 ? 1 : 0);
    return true;
}

// Lays the integer digits and the two decimals on the pattern into out (at least
// 64 + digits characters); returns the length written.
int layOutInto(bool negative, QStringView digitsOfInteger, QStringView decimals,
               QStringView pattern, QChar *out)
{
    const qsizetype dot = pattern.indexOf(u'.');
    const QStringView intPattern = dot < 0 ? pattern : pattern.left(dot);
    // Walk the integer pattern from the right, placing digits on '#'/'0' places; the text
    // is built backwards in buf.
    QChar buf[96];
    int n = 0;
    qsizetype di = digitsOfInteger.size() - 1;
    // An integer part of 0 has no significant digits: only '0' places print.
    const bool zero = digitsOfInteger == u"0";
    int placesLeft = 0;
    for (QChar c : intPattern)
        if (c == u'#' || c == u'0') ++placesLeft;
    for (qsizetype i = intPattern.size() - 1; i >= 0 && n < 64; --i) {
        const QChar c = intPattern[i];
        if (c == u'#' || c == u'0') {
            --placesLeft;
            if (!zero && di >= 0) {
                // The first place takes every remaining leading digit.
                do
                    buf[n++] = digitsOfInteger[di--];
                while (placesLeft == 0 && di >= 0 && n < 95);
            } else if (c == u'0') {
                buf[n++] = u'0';
            }
        } else {
            buf[n++] = c;
        }
    }
    int len = 0;
    if (negative) out[len++] = u'-';
    for (int i = n - 1; i >= 0; --i)
        out[len++] = buf[i];
    out[len++] = u',';
    for (QChar c : decimals)
        out[len++] = c;
    return len;
}

// What layOutInto writes for the list's pattern "### ### ### ##0.00", without reading the
// pattern: twelve digit places in four groups of three, every space between groups written
// (leading ones included), digits beyond twelve in front. Every amount of an import is
// written this way, twice per line.
int layOutListInto(bool negative, const char *digits, int count, unsigned rest, QChar *out)
{
    char buf[48];
    int n = 0;
    int di = count - 1;
    const bool zero = count == 1 && digits[0] == '0';
    for (int place = 0; place < 12; ++place) {
        if (place == 3 || place == 6 || place == 9) buf[n++] = ' ';
        if (!zero && di >= 0) {
            do
                buf[n++] = digits[di--];
            while (place == 11 && di >= 0);
        } else if (place == 0) {
            buf[n++] = '0';
        }
    }
    int len = 0;
    if (negative) out[len++] = u'-';
    for (int i = n - 1; i >= 0; --i)
        out[len++] = QLatin1Char(buf[i]);
    out[len++] = u',';
    out[len++] = QLatin1Char(char('0' + rest / 10));
    out[len++] = QLatin1Char(char('0' + rest % 10));
    return len;
}

int formatAbsCentsInto(bool negative, unsigned long long cents, QStringView pattern, QChar *out)
{
    char digits[32];
    auto [end, ec] = std::to_chars(digits, digits + sizeof digits, cents / 100);
    (void)ec;
    if (pattern == AmountText::ListPattern)
        return layOutListInto(negative && cents != 0, digits, int(end - digits),
                              unsigned(cents % 100), out);
    QChar wide[32];
    const int len = int(end - digits);
    for (int i = 0; i < len; ++i)
        wide[i] = QLatin1Char(digits[i]);
    const unsigned rest = unsigned(cents % 100);
    const QChar dec[2] = {QLatin1Char(char('0' + rest / 10)), QLatin1Char(char('0' + rest % 10))};
    return layOutInto(negative && cents != 0, QStringView(wide, len), QStringView(dec, 2), pattern,
                      out);
}

QString formatAbsCents(bool negative, unsigned long long cents, QStringView pattern)
{
    QChar out[128];
    return QString(out, formatAbsCentsInto(negative, cents, pattern, out));
}

} // namespace

namespace AmountText
{

QString format(double value, QStringView pattern)
{
    unsigned long long cents = 0;
    if (absToCents(value, cents)) return formatAbsCents(value < 0, cents, pattern);
    // Out of range for whole centimes: write the plain decimal form on the pattern.
    if (!std::isfinite(value)) return QString();
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.2f", std::fabs(value));
    const QString s = QString::fromLatin1(buf);
    const qsizetype dot = s.indexOf(u'.');
    QString out(s.size() + 64, Qt::Uninitialized);
    out.resize(layOutInto(value < 0, QStringView(s).left(dot), QStringView(s).mid(dot + 1), pattern,
                          out.data()));
    return out;
}

QString formatCentsTrimmed(long long cents)
{
    return formatCents(cents).trimmed();
}

int formatCentsInto(long long cents, QStringView pattern, QChar *out)
{
    const bool negative = cents < 0;
    const unsigned long long a = negative ? 0ULL - static_cast<unsigned long long>(cents)
                                          : static_cast<unsigned long long>(cents);
    return formatAbsCentsInto(negative, a, pattern, out);
}

QString formatCents(long long cents, QStringView pattern)
{
    const bool negative = cents < 0;
    const unsigned long long a = negative ? 0ULL - static_cast<unsigned long long>(cents)
                                          : static_cast<unsigned long long>(cents);
    return formatAbsCents(negative, a, pattern);
}

} // namespace AmountText

bool readNumber(QStringView s, double &value)
{
    // Copy to ASCII without spaces, the comma becoming the C decimal point.
    char stackBuf[128];
    std::string heap;
    char *buf = stackBuf;
    if (s.size() >= qsizetype(sizeof stackBuf)) {
        heap.resize(size_t(s.size()) + 1);
        buf = heap.data();
    }
    int n = 0;
    for (QChar qc : s) {
        const char16_t c = qc.unicode();
        if (c == u' ') continue;
        if (c == u'.') return false; // a point is never a decimal mark here
        if (c == u',')
            buf[n++] = '.';
        else if (c < 128)
            buf[n++] = char(c);
        else
            return false;
    }
    int b = 0, e = n;
    while (b < e && static_cast<unsigned char>(buf[b]) <= ' ')
        ++b;
    while (e > b && static_cast<unsigned char>(buf[e - 1]) <= ' ')
        --e;
    int p = b;
    bool neg = false;
    if (p < e && (buf[p] == '+' || buf[p] == '-')) {
        neg = buf[p] == '-';
        ++p;
    }
    // Validate the shape: digits [. digits] [e [sign] digits], at least one mantissa digit.
    int q = p, mant = 0;
    while (q < e && buf[q] >= '0' && buf[q] <= '9')
        ++q, ++mant;
    if (q < e && buf[q] == '.') {
        ++q;
        while (q < e && buf[q] >= '0' && buf[q] <= '9')
            ++q, ++mant;
    }
    if (mant == 0) return false;
    if (q < e && (buf[q] == 'e' || buf[q] == 'E')) {
        ++q;
        if (q < e && (buf[q] == '+' || buf[q] == '-')) ++q;
        int ed = 0;
        while (q < e && buf[q] >= '0' && buf[q] <= '9')
            ++q, ++ed;
        if (ed == 0) return false;
    }
    if (q != e) return false;
    double v = 0;
    // from_chars rejects a leading '+', which was consumed above.
    auto res = std::from_chars(buf + p, buf + e, v);
    if (res.ec != std::errc() || res.ptr != buf + e || !std::isfinite(v)) return false;
    value = neg ? -v : v;
    return true;
}

bool readAmountCents(QStringView s, long long &cents)
{
    // Fast exact path: blanks, optional sign, digits, optional comma and up to two decimals.
    qsizetype i = 0, n = s.size();
    auto skipBlanks = [&] {
        while (i < n && s[i].unicode() <= u' ')
            ++i;
    };
    while (n > 0 && s[n - 1].unicode() <= u' ')
        --n;
    skipBlanks();
    if (i == n) {
        cents = 0;
        return true;
    }
    bool negative = false;
    if (s[i] == u'-' || s[i] == u'+') negative = s[i++] == u'-';
    unsigned long long whole = 0;
    int digits = 0, decimals = 0;
    unsigned hundredths = 0;
    bool plain = true, comma = false;
    for (; i < n && plain; ++i) {
        const char16_t c = s[i].unicode();
        if (c >= u'0' && c <= u'9') {
            if (comma) {
                if (++decimals > 2)
                    plain = false;
                else
                    hundredths = hundredths * 10 + (c - u'0');
            } else if (++digits > 16) {
                plain = false;
            } else {
                whole = whole * 10 + (c - u'0');
            }
        } else if (c == u' ' && !comma) {
            continue; // digit groups
        } else if (c == u',' && !comma) {
            comma = true;
        } else {
            plain = false;
        }
    }
    if (plain && digits + decimals > 0) {
        for (int d = decimals; d < 2; ++d)
            hundredths *= 10;
        const long long v = static_cast<long long>(whole * 100 + hundredths);
        cents = negative ? -v : v;
        return true;
    }
    double value = 0;
    unsigned long long a = 0;
    if (!readNumber(s, value) || !absToCents(value, a) || a > 999999999999999999ULL) return false;
    cents = value < 0 ? -static_cast<long long>(a) : static_cast<long long>(a);
    return true;
}

QString notAFloatMessage(QStringView text)
{
    return QStringLiteral("'%1' is not a valid floating point value").arg(text);
}

bool normaliseEditedAmount(QStringView text, QString &normalised, QString &message)
{
    qsizetype b = 0, e = text.size();
    while (b < e && text[b].unicode() <= u' ')
        ++b;
    while (e > b && text[e - 1].unicode() <= u' ')
        --e;
    if (b == e) {
        normalised.clear();
        return true;
    }
    long long cents = 0;
    if (!readAmountCents(text, cents)) {
        message = notAFloatMessage(text);
        return false;
    }
    if (cents > MaxAmountCents || cents < -MaxAmountCents) {
        message = QStringLiteral("Le montant « %1 » dépasse 13 chiffres de centimes.")
                      .arg(text.mid(b, e - b));
        return false;
    }
    normalised = AmountText::formatCents(cents, AmountText::EditorPattern);
    return true;
}
