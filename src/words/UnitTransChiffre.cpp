#include "UnitTransChiffre.h"

#include <cfenv>
#include <cmath>

namespace {

const char16_t *const UnitesFr[20] = {
    u"zéro", u"un",       u"deux",     u"trois",  u"quatre",   u"cinq",     u"six",
    u"sept", u"huit",     u"neuf",     u"dix",    u"onze",     u"douze",    u"treize",
    u"quatorze", u"quinze", u"seize", u"dix-sept", u"dix-huit", u"dix-neuf"};

// The seventies, eighties and nineties have rules of their own; 7 and 8 are never read.
const char16_t *const DizainesFr[10] = {u"",          u"",          u"vingt",
                                        u"trente",    u"quarante",  u"cinquante",
                                        u"soixante",  u"",          u"",
                                        u"quatre-vingt"};

const char16_t *const UnitesAr[20] = {
    u"صفر",       u"واحد",      u"اثنان",     u"ثلاثة",     u"أربعة",
    u"خمسة",      u"ستة",       u"سبعة",      u"ثمانية",    u"تسعة",
    u"عشرة",      u"أحد عشر",   u"اثنا عشر",  u"ثلاثة عشر", u"أربعة عشر",
    u"خمسة عشر",  u"ستة عشر",   u"سبعة عشر",  u"ثمانية عشر", u"تسعة عشر"};

const char16_t *const DizainesAr[10] = {u"",       u"",      u"عشرون",  u"ثلاثون", u"أربعون",
                                        u"خمسون", u"ستون", u"سبعون", u"ثمانون", u"تسعون"};

constexpr char16_t RTL_MARK = u'\u202B';
constexpr char16_t POP_DIR = u'\u202C';
const QString WaAr = QStringLiteral(u" و");

QString fr(const char16_t *s) { return QString::fromUtf16(s); }

// Strips leading and trailing characters of code 32 and below, upper-cases ASCII letters.
QString normaliseLang(const QString &lang)
{
    qsizetype b = 0, e = lang.size();
    while (b < e && lang[b].unicode() <= 32)
        ++b;
    while (e > b && lang[e - 1].unicode() <= 32)
        --e;
    QString out = lang.mid(b, e - b);
    for (QChar &c : out)
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - 32);
    return out;
}

} // namespace

QString NombreEnLettresFr(int64_t n)
{
    if (n < 0)
        return QStringLiteral("moins ") + NombreEnLettresFr(-n);
    if (n < 20)
        return fr(UnitesFr[n]);
    if (n < 100) {
        const int d = int(n / 10), u = int(n % 10);
        switch (d) {
        case 7:
            return u == 0 ? QStringLiteral("soixante-dix")
                          : QStringLiteral("soixante-") + fr(UnitesFr[10 + u]);
        case 8:
            return u == 0 ? QStringLiteral("quatre-vingts")
                          : QStringLiteral("quatre-vingt-") + fr(UnitesFr[u]);
        case 9:
            return u == 0 ? QStringLiteral("quatre-vingt-dix")
                          : QStringLiteral("quatre-vingt-") + fr(UnitesFr[10 + u]);
        default: {
            QString s = fr(DizainesFr[d]);
            if (u == 1)
                s += QStringLiteral(" et un");
            else if (u > 1)
                s += u'-' + fr(UnitesFr[u]);
            return s;
        }
        }
    }
    if (n < 1000) {
        const int d = int(n / 100), r = int(n % 100);
        QString s = d == 1 ? QStringLiteral("cent") : fr(UnitesFr[d]) + QStringLiteral(" cent");
        if (r == 0 && d > 1)
            s += u's';
        if (r > 0)
            s += u' ' + NombreEnLettresFr(r);
        return s;
    }
    struct Scale {
        int64_t limit, unit;
        const char *one, *many;
    };
    static const Scale scales[] = {{1000000LL, 1000LL, "mille", " mille"},
                                   {1000000000LL, 1000000LL, "un million", " millions"},
                                   {INT64_MAX, 1000000000LL, "un milliard", " milliards"}};
    for (const Scale &sc : scales) {
        if (n < sc.limit || sc.limit == INT64_MAX) {
            const int64_t d = n / sc.unit, r = n % sc.unit;
            QString s = d == 1 ? QString::fromLatin1(sc.one)
                               : NombreEnLettresFr(d) + QString::fromLatin1(sc.many);
            if (r > 0)
                s += u' ' + NombreEnLettresFr(r);
            return s;
        }
    }
    return QString();
}

QString NombreEnLettresAr(int64_t n)
{
    if (n < 0)
        return QStringLiteral(u"ناقص ") + NombreEnLettresAr(-n);
    if (n < 20)
        return fr(UnitesAr[n]);
    if (n < 100) {
        const int d = int(n / 10), u = int(n % 10);
        if (u == 0)
            return fr(DizainesAr[d]);
        return fr(UnitesAr[u]) + WaAr + fr(DizainesAr[d]);
    }
    QString s;
    int64_t r = 0;
    if (n < 1000) {
        const int d = int(n / 100);
        r = n % 100;
        s = d == 1   ? QStringLiteral(u"مائة")
            : d == 2 ? QStringLiteral(u"مائتان")
                     : fr(UnitesAr[d]) + QStringLiteral(u" مائة");
    } else if (n < 1000000) {
        const int64_t d = n / 1000;
        r = n % 1000;
        s = d == 1    ? QStringLiteral(u"ألف")
            : d == 2  ? QStringLiteral(u"ألفان")
            : d <= 10 ? NombreEnLettresAr(d) + QStringLiteral(u" آلاف")
                      : NombreEnLettresAr(d) + QStringLiteral(u" ألف");
    } else if (n < 1000000000) {
        const int64_t d = n / 1000000;
        r = n % 1000000;
        s = d == 1    ? QStringLiteral(u"مليون")
            : d == 2  ? QStringLiteral(u"مليونان")
            : d <= 10 ? NombreEnLettresAr(d) + QStringLiteral(u" ملايين")
                      : NombreEnLettresAr(d) + QStringLiteral(u" مليون");
    } else {
        const int64_t d = n / 1000000000;
        r = n % 1000000000;
        s = d == 1   ? QStringLiteral(u"مليار")
            : d == 2 ? QStringLiteral(u"ملياران")
                     : NombreEnLettresAr(d) + QStringLiteral(u" مليارات");
    }
    if (r > 0)
        s += WaAr + NombreEnLettresAr(r);
    return s;
}

QString NombreEnToutesLettres(double valeur, const QString &lang)
{
    // Outside a signed 64-bit whole number there is nothing sensible to write.
    if (!std::isfinite(valeur) || std::fabs(valeur) >= 9.2e18)
        return QString();
    const int64_t entier = static_cast<int64_t>(valeur); // truncation toward zero
    // The fraction is taken in extended precision so that 1234.56 (held as 1234.5599...)
    // gives 56 centimes; an exact half goes to the even neighbour.
    const long double fraction = static_cast<long double>(valeur) - static_cast<long double>(entier);
    const int previous = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const int decim = static_cast<int>(std::nearbyintl(fraction * 100.0L));
    std::fesetround(previous);

    if (normaliseLang(lang) == u"FR") {
        QString s = NombreEnLettresFr(entier) + QStringLiteral(" dinar");
        if (entier > 1)
            s += u's';
        if (decim > 0) {
            s += QStringLiteral(" et ") + NombreEnLettresFr(decim) + QStringLiteral(" centime");
            if (decim > 1)
                s += u's';
        }
        if (!s.isEmpty() && s[0] >= u'a' && s[0] <= u'z')
            s[0] = QChar(s[0].unicode() - 32);
        return s;
    }
    QString s = NombreEnLettresAr(entier) + QStringLiteral(u" دينار");
    if (decim > 0)
        s += WaAr + NombreEnLettresAr(decim) + QStringLiteral(u" سنتيم");
    return QChar(RTL_MARK) + s + QChar(POP_DIR);
}
