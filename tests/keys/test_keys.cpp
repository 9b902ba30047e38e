#include "keys/Keys.h"
#include "model/UserError.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

TEST(Keys, WorkedExamples)
{
    struct Case {
        const char16_t *account, *ccp, *rip;
    };
    const Case cases[] = {
        {u"0012345678", u"28", u"03"}, {u"1234567890", u"45", u"06"},
        {u"0000000001", u"04", u"09"}, {u"0000000004", u"16", u"97"},
        {u"0000000036", u"39", u"01"}, {u"0000000000", u"00", u"12"},
        {u"7", u"28", u"88"},          {u"", u"00", u"00"},
        {u"0000000007", u"28", u"88"}, {u"70", u"35", u"93"},
    };
    for (const Case &c : cases) {
        const QString account = QString::fromUtf16(c.account);
        EXPECT_EQ(CleCCP(account), QString::fromUtf16(c.ccp)) << account.toStdString();
        EXPECT_EQ(VerifierCle(account), QString::fromUtf16(c.ccp)) << account.toStdString();
        EXPECT_EQ(CleCcpRip(account), QString::fromUtf16(c.rip)) << account.toStdString();
        EXPECT_TRUE(VerifierRIP(QString::fromUtf16(c.rip), account));
        EXPECT_TRUE(VerifierCLEe(QString::fromUtf16(c.ccp), account));
    }
    // The RIP key equals 97 - ((100 * A + 85) mod 97) for every account.
    for (long long a : {0LL, 1LL, 36LL, 12345678LL, 9999999999LL, 4LL, 97LL}) {
        const QString account = QString::number(a).rightJustified(10, u'0');
        const int expected = 97 - int((100 * a + 85) % 97);
        EXPECT_EQ(CleCcpRip(account).toInt(), expected) << a;
    }
}

TEST(Keys, CharactersThatAreNotDigits)
{
    EXPECT_EQ(CleCcpRip(u"12-34"), QStringLiteral("93"));
    EXPECT_EQ(CleCcpRip(u"1234"), QStringLiteral("93"));
    EXPECT_EQ(VerifierCle(u"12-34"), QStringLiteral("53"));
    EXPECT_EQ(CleCcpRip(u"abc"), QStringLiteral("00"));
    EXPECT_EQ(Mod97OfString(u"x1y0z0"), 100 % 97);
    EXPECT_EQ(Mod97OfString(u""), 0);

    struct Failing {
        const char16_t *account, *named; // CleCCP names the last, VerifierCLEe the first
        const char16_t *lastChar, *firstChar;
    };
    const Failing cases[] = {
        {u"12-34", nullptr, u"-", u"-"},
        {u"A12B", nullptr, u"B", u"A"},
        {u" 0012345678", nullptr, u" ", u" "},
        {u"١٢", nullptr, u"٢", u"١"},
    };
    for (const Failing &c : cases) {
        const QString account = QString::fromUtf16(c.account);
        try {
            CleCCP(account);
            ADD_FAILURE() << "CleCCP accepted " << account.toStdString();
        } catch (const UserError &e) {
            EXPECT_EQ(e.message(), QStringLiteral("'%1' is not a valid integer value")
                                       .arg(QString::fromUtf16(c.lastChar)));
        }
        try {
            VerifierCLEe(u"00", account);
            ADD_FAILURE() << "VerifierCLEe accepted " << account.toStdString();
        } catch (const UserError &e) {
            EXPECT_EQ(e.message(), QStringLiteral("'%1' is not a valid integer value")
                                       .arg(QString::fromUtf16(c.firstChar)));
        }
    }
}

TEST(Keys, Comparisons)
{
    const QString zeros = QStringLiteral("0000000000");
    struct Case {
        const char16_t *key;
        bool cle, rip;
    };
    const Case cases[] = {
        {u"0", true, false},    {u"00", true, false}, {u" 00", true, false},
        {u"5", false, false},   {u"", false, false},  {u"12", false, true},
        {u" 12 ", false, true}, {u"012", false, false}, {u"00 ", false, false},
        {u"+0", true, false},   {u"-0", true, false},
    };
    for (const Case &c : cases) {
        const QString key = QString::fromUtf16(c.key);
        EXPECT_EQ(VerifierCLEe(key, zeros), c.cle) << '"' << key.toStdString() << '"';
        EXPECT_EQ(VerifierRIP(key, zeros), c.rip) << '"' << key.toStdString() << '"';
    }
    EXPECT_TRUE(VerifierRIP(u"00", u""));
    EXPECT_FALSE(VerifierRIP(u"3", u"0012345678"));
    EXPECT_TRUE(VerifierRIP(u"03", u"0012345678"));
}
