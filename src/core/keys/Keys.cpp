#include "Keys.h"

#include "model/UserError.h"

namespace
{
inline bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}
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

int ccpKeyValue(QStringView compte, QChar *offending)
{
    const qsizetype len = compte.size();
    const QChar *d = compte.data();
    // Weights: the last character 4, the one before 5, ... The sum stays far below 2^31 for
    // a few thousand characters; it is reduced modulo 100 every 1024 to allow any length.
    if (offending) {
        // Name the last character that is not a digit.
        for (qsizetype i = len - 1; i >= 0; --i) {
            if (!isDigit(d[i])) {
                *offending = d[i];
                return -1;
            }
        }
    }
    long long total = 0;
    for (qsizetype i = 0; i < len; ++i) {
        const unsigned v = unsigned(d[i].unicode()) - u'0';
        if (v > 9) return -1;
        total += v * ((len - 1 - i + 4) % 100);
        if ((i & 1023) == 1023) total %= 100;
    }
    return int(total % 100);
}

QString ccpKeyText(QStringView ccp)
{
    QChar bad;
    const int v = ccpKeyValue(ccp, &bad);
    if (v < 0) throw UserError(notAnIntegerMessage(QStringView(&bad, 1)));
    return twoDigits(v);
}

QString lenientCcpKeyText(QStringView compte)
{
    const qsizetype len = compte.size();
    long long total = 0;
    for (qsizetype i = 0; i < len; ++i) {
        const unsigned v = unsigned(compte[i].unicode()) - u'0';
        if (v <= 9) total += v * ((len - 1 - i + 4) % 100);
        if ((i & 1023) == 1023) total %= 100;
    }
    return twoDigits(int(total % 100));
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
    if (!any) return 0;
    const int t = int(((r * 3) % 97 + 85) % 97);
    return 97 - t;
}

QString ripKeyText(QStringView compte)
{
    return twoDigits(ripKeyValue(compte));
}
