#include "Keys.h"

#include "model/UserError.h"

namespace
{
inline bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}
} // namespace

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

namespace
{

// The weighted digit sum of the account modulo 100: the last character weighs 4, the one
// before 5, ... A character that is not a digit counts as 0 when lenient, else ends the sum
// with -1. The sum is reduced every 1024 characters, so any length fits.
int weightedSum(QStringView account, bool lenient)
{
    const qsizetype len = account.size();
    long long total = 0;
    for (qsizetype i = 0; i < len; ++i) {
        const unsigned v = unsigned(account[i].unicode()) - u'0';
        if (v <= 9)
            total += v * ((len - 1 - i + 4) % 100);
        else if (!lenient)
            return -1;
        if ((i & 1023) == 1023) total %= 100;
    }
    return int(total % 100);
}

} // namespace

int ccpKeyValue(QStringView account, QChar *offending)
{
    if (offending) {
        // Name the last character that is not a digit.
        for (qsizetype i = account.size() - 1; i >= 0; --i) {
            if (!isDigit(account[i])) {
                *offending = account[i];
                return -1;
            }
        }
    }
    return weightedSum(account, false);
}

QString ccpKeyText(QStringView ccp)
{
    QChar bad;
    const int v = ccpKeyValue(ccp, &bad);
    if (v < 0) throw UserError(notAnIntegerMessage(QStringView(&bad, 1)));
    return twoDigits(v);
}

QString lenientCcpKeyText(QStringView account)
{
    return twoDigits(weightedSum(account, true));
}

int ripKeyValue(QStringView account)
{
    // Up to nine digits are gathered before each reduction modulo 97.
    long long r = 0;
    int pending = 0;
    bool any = false;
    for (QChar c : account) {
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

QString ripKeyText(QStringView account)
{
    return twoDigits(ripKeyValue(account));
}
