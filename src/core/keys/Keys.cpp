#include "Keys.h"

#include "model/UserError.h"

namespace {
inline bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }
} // namespace

QStringView trimBlanks(QStringView s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && s[b].unicode() <= 32)
        ++b;
    while (e > b && s[e - 1].unicode() <= 32)
        --e;
    return s.mid(b, e - b);
}

QString twoDigits(int value)
{
    const QChar d[2] = {QLatin1Char(char('0' + (value / 10) % 10)),
                        QLatin1Char(char('0' + value % 10))};
    return QString(d, 2);
}

QString notAnIntegerMessage(QStringView text)
{
    return QStringLiteral("'%1' is not a valid integer value").arg(text);
}

int ccpKeyValue(QStringView compte, bool fromEnd, QChar *offending)
{
    const qsizetype len = compte.size();
    const QChar *d = compte.data();
    // Weights: the last character 4, the one before 5, ... The sum stays far below 2^31 for
    // a few thousand characters; it is reduced modulo 100 every 1024 to allow any length.
    if (offending) {
        // Name the first (or last) character that is not a digit.
        for (qsizetype k = 0; k < len; ++k) {
            const qsizetype i = fromEnd ? len - 1 - k : k;
            if (!isDigit(d[i])) {
                *offending = d[i];
                return -1;
            }
        }
    }
    long long total = 0;
    for (qsizetype i = 0; i < len; ++i) {
        const unsigned v = unsigned(d[i].unicode()) - u'0';
        if (v > 9)
            return -1;
        total += v * ((len - 1 - i + 4) % 100);
        if ((i & 1023) == 1023)
            total %= 100;
    }
    return int(total % 100);
}

QString CleCCP(QStringView ccp)
{
    QChar bad;
    const int v = ccpKeyValue(ccp, true, &bad);
    if (v < 0)
        throw UserError(notAnIntegerMessage(QStringView(&bad, 1)));
    return twoDigits(v);
}

QString VerifierCle(QStringView compte)
{
    const qsizetype len = compte.size();
    long long total = 0;
    for (qsizetype i = 0; i < len; ++i) {
        const unsigned v = unsigned(compte[i].unicode()) - u'0';
        if (v <= 9)
            total += v * ((len - 1 - i + 4) % 100);
        if ((i & 1023) == 1023)
            total %= 100;
    }
    return twoDigits(int(total % 100));
}

int keyTextToInt(QStringView key)
{
    qsizetype i = 0;
    const qsizetype n = key.size();
    while (i < n && key[i] == u' ')
        ++i;
    bool neg = false;
    if (i < n && (key[i] == u'+' || key[i] == u'-')) {
        neg = key[i] == u'-';
        ++i;
    }
    if (i >= n)
        return -1;
    long long v = 0;
    for (; i < n; ++i) {
        if (!isDigit(key[i]))
            return -1;
        v = v * 10 + (key[i].unicode() - u'0');
        if (v > 2147483648LL)
            return -1;
    }
    if (neg)
        v = -v;
    if (v > 2147483647LL)
        return -1;
    return int(v);
}

bool VerifierCLEe(QStringView cle, QStringView compte)
{
    QChar bad;
    const int v = ccpKeyValue(compte, false, &bad);
    if (v < 0)
        throw UserError(notAnIntegerMessage(QStringView(&bad, 1)));
    return keyTextToInt(cle) == v;
}

int Mod97OfString(QStringView t)
{
    int r = 0;
    for (QChar c : t)
        if (isDigit(c))
            r = (r * 10 + (c.unicode() - u'0')) % 97;
    return r;
}

int ripKeyValue(QStringView compte)
{
    // Up to nine digits are gathered before each reduction modulo 97.
    long long r = 0;
    int pending = 0;
    bool any = false;
    for (QChar c : compte) {
        const unsigned v = unsigned(c.unicode()) - u'0';
        if (v <= 9) {
            r = r * 10 + v;
            any = true;
            if (++pending == 9) {
                r %= 97;
                pending = 0;
            }
        }
    }
    r %= 97;
    if (!any)
        return 0;
    const int t = int(((r * 3) % 97 + 85) % 97);
    return 97 - t;
}

QString CleCcpRip(QStringView compte) { return twoDigits(ripKeyValue(compte)); }

bool VerifierRIP(QStringView cle, QStringView compte)
{
    const QStringView k = trimBlanks(cle);
    if (k.size() != 2 || !isDigit(k[0]) || !isDigit(k[1]))
        return false;
    return (k[0].unicode() - u'0') * 10 + (k[1].unicode() - u'0') == ripKeyValue(compte);
}
