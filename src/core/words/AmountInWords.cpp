#include "AmountInWords.h"

#include <cfenv>
#include <cmath>

namespace
{

const char16_t *const FrenchUnits[20] = {
    u"zéro",     u"un",     u"deux",  u"trois",    u"quatre",   u"cinq",    u"six",
    u"sept",     u"huit",   u"neuf",  u"dix",      u"onze",     u"douze",   u"treize",
    u"quatorze", u"quinze", u"seize", u"dix-sept", u"dix-huit", u"dix-neuf"};

// The seventies, eighties and nineties have rules of their own; 7 and 8 are never read.
const char16_t *const FrenchTens[10] = {
    u"",          u"",         u"vingt", u"trente", u"quarante",
    u"cinquante", u"soixante", u"",      u"",       u"quatre-vingt"};

const char16_t *const ArabicUnits[20] = {
    u"صفر",       u"واحد",     u"اثنان",   u"ثلاثة",    u"أربعة",      u"خمسة",     u"ستة",
    u"سبعة",      u"ثمانية",   u"تسعة",    u"عشرة",     u"أحد عشر",    u"اثنا عشر", u"ثلاثة عشر",
    u"أربعة عشر", u"خمسة عشر", u"ستة عشر", u"سبعة عشر", u"ثمانية عشر", u"تسعة عشر"};

const char16_t *const ArabicTens[10] = {u"",      u"",     u"عشرون", u"ثلاثون", u"أربعون",
                                        u"خمسون", u"ستون", u"سبعون", u"ثمانون", u"تسعون"};

constexpr char16_t RightToLeftEmbedding = u'\u202B';
constexpr char16_t PopDirectionalFormatting = u'\u202C';
const QString ArabicAnd = QStringLiteral(u" و");

QString text(const char16_t *s)
{
    return QString::fromUtf16(s);
}

// Strips leading and trailing characters of code 32 and below, upper-cases ASCII letters.
QString normaliseLanguage(const QString &language)
{
    qsizetype b = 0, e = language.size();
    while (b < e && language[b].unicode() <= 32)
        ++b;
    while (e > b && language[e - 1].unicode() <= 32)
        --e;
    QString out = language.mid(b, e - b);
    for (QChar &c : out)
        if (c >= u'a' && c <= u'z') c = QChar(c.unicode() - 32);
    return out;
}

// French words of n > 0. endsNumber: nothing follows n in the whole number, so that
// "quatre-vingts" and "deux cents" keep their plural s; before "mille" they drop it
// ("quatre-vingt mille", "deux cent mille"), while "million" and "milliard", being nouns,
// leave it in place ("deux cents millions").
QString frenchWordsOfPositive(int64_t n, bool endsNumber)
{
    if (n < 20) return text(FrenchUnits[n]);
    if (n < 100) {
        const int tens = int(n / 10), unit = int(n % 10);
        switch (tens) {
        case 7: // soixante-dix, soixante et onze, soixante-douze ...
            return unit == 0   ? QStringLiteral("soixante-dix")
                   : unit == 1 ? QStringLiteral("soixante et onze")
                               : QStringLiteral("soixante-") + text(FrenchUnits[10 + unit]);
        case 8:
            if (unit == 0)
                return endsNumber ? QStringLiteral("quatre-vingts")
                                  : QStringLiteral("quatre-vingt");
            return QStringLiteral("quatre-vingt-") + text(FrenchUnits[unit]);
        case 9:
            return QStringLiteral("quatre-vingt-") + text(FrenchUnits[10 + unit]);
        default: {
            QString s = text(FrenchTens[tens]);
            if (unit == 1)
                s += QStringLiteral(" et un");
            else if (unit > 1)
                s += u'-' + text(FrenchUnits[unit]);
            return s;
        }
        }
    }
    if (n < 1000) {
        const int hundreds = int(n / 100), rest = int(n % 100);
        QString s = hundreds == 1 ? QStringLiteral("cent")
                                  : text(FrenchUnits[hundreds]) + QStringLiteral(" cent");
        if (rest == 0 && hundreds > 1 && endsNumber) s += u's';
        if (rest > 0) s += u' ' + frenchWordsOfPositive(rest, endsNumber);
        return s;
    }
    struct Scale {
        int64_t unit;
        const char *one, *many;
        bool noun; // a noun leaves the plural of the number before it in place
    };
    static const Scale scales[] = {{1000000000LL, "un milliard", " milliards", true},
                                   {1000000LL, "un million", " millions", true},
                                   {1000LL, "mille", " mille", false}};
    for (const Scale &scale : scales) {
        if (n < scale.unit) continue;
        const int64_t count = n / scale.unit, rest = n % scale.unit;
        QString s =
            count == 1 ? QString::fromLatin1(scale.one)
                       : frenchWordsOfPositive(count, scale.noun) + QString::fromLatin1(scale.many);
        if (rest > 0) s += u' ' + frenchWordsOfPositive(rest, endsNumber);
        return s;
    }
    return QString();
}

// "de" goes between a number that ends with "million(s)" or "milliard(s)" and the currency.
bool needsDe(const QString &words)
{
    for (const char *noun : {"million", "millions", "milliard", "milliards"})
        if (words.endsWith(QLatin1String(noun))) return true;
    return false;
}

} // namespace

QString frenchWords(int64_t n)
{
    if (n < 0) return QStringLiteral("moins ") + frenchWords(-n);
    if (n == 0) return text(FrenchUnits[0]);
    return frenchWordsOfPositive(n, true);
}

QString arabicWords(int64_t n)
{
    if (n < 0) return QStringLiteral(u"ناقص ") + arabicWords(-n);
    if (n < 20) return text(ArabicUnits[n]);
    if (n < 100) {
        const int d = int(n / 10), u = int(n % 10);
        if (u == 0) return text(ArabicTens[d]);
        return text(ArabicUnits[u]) + ArabicAnd + text(ArabicTens[d]);
    }
    QString s;
    int64_t r = 0;
    if (n < 1000) {
        const int d = int(n / 100);
        r = n % 100;
        s = d == 1   ? QStringLiteral(u"مائة")
            : d == 2 ? QStringLiteral(u"مائتان")
                     : text(ArabicUnits[d]) + QStringLiteral(u" مائة");
    } else if (n < 1000000) {
        const int64_t d = n / 1000;
        r = n % 1000;
        s = d == 1    ? QStringLiteral(u"ألف")
            : d == 2  ? QStringLiteral(u"ألفان")
            : d <= 10 ? arabicWords(d) + QStringLiteral(u" آلاف")
                      : arabicWords(d) + QStringLiteral(u" ألف");
    } else if (n < 1000000000) {
        const int64_t d = n / 1000000;
        r = n % 1000000;
        s = d == 1    ? QStringLiteral(u"مليون")
            : d == 2  ? QStringLiteral(u"مليونان")
            : d <= 10 ? arabicWords(d) + QStringLiteral(u" ملايين")
                      : arabicWords(d) + QStringLiteral(u" مليون");
    } else {
        const int64_t d = n / 1000000000;
        r = n % 1000000000;
        s = d == 1   ? QStringLiteral(u"مليار")
            : d == 2 ? QStringLiteral(u"ملياران")
                     : arabicWords(d) + QStringLiteral(u" مليارات");
    }
    if (r > 0) s += ArabicAnd + arabicWords(r);
    return s;
}

namespace
{

// The phrase of a signed amount given as its whole dinars and centimes (both >= 0).
QString phrase(bool negative, int64_t whole, int cents, const QString &language)
{
    if (normaliseLanguage(language) == u"FR") {
        QString s = frenchWords(whole);
        if (needsDe(s)) s += QStringLiteral(" de");
        s += QStringLiteral(" dinar");
        if (whole > 1) s += u's';
        if (cents > 0) {
            s += QStringLiteral(" et ") + frenchWords(cents) + QStringLiteral(" centime");
            if (cents > 1) s += u's';
        }
        if (negative) s = QStringLiteral("moins ") + s;
        if (!s.isEmpty() && s[0] >= u'a' && s[0] <= u'z') s[0] = QChar(s[0].unicode() - 32);
        return s;
    }
    QString s = arabicWords(whole) + QStringLiteral(u" دينار");
    if (cents > 0) s += ArabicAnd + arabicWords(cents) + QStringLiteral(u" سنتيم");
    if (negative) s = QStringLiteral(u"ناقص ") + s;
    return QChar(RightToLeftEmbedding) + s + QChar(PopDirectionalFormatting);
}

} // namespace

QString amountInWords(double value, const QString &language)
{
    // Outside a signed 64-bit whole number there is nothing sensible to write.
    if (!std::isfinite(value) || std::fabs(value) >= 9.2e18) return QString();
    const long double magnitude = std::fabs(static_cast<long double>(value));
    const int64_t whole = static_cast<int64_t>(magnitude); // truncation toward zero
    // The fraction is taken in extended precision so that 1234.56 (held as 1234.5599...)
    // gives 56 centimes; an exact half goes to the even neighbour.
    const long double fraction = magnitude - static_cast<long double>(whole);
    const int previous = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const int cents = static_cast<int>(std::nearbyintl(fraction * 100.0L));
    std::fesetround(previous);
    return phrase(value < 0 && (whole != 0 || cents != 0), whole, cents, language);
}

QString amountInWordsOfCents(int64_t cents, const QString &language)
{
    const bool negative = cents < 0;
    const uint64_t magnitude = negative ? 0 - uint64_t(cents) : uint64_t(cents);
    return phrase(negative, int64_t(magnitude / 100), int(magnitude % 100), language);
}
