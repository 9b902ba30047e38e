#include "keys/Keys.h"
#include "keys/LineCheck.h"
#include "model/UserError.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

TEST(Keys, WorkedExamples)
{
    struct Case {
        const char16_t *account, *ccp, *rip;
    };
    const Case cases[] = {
        {u"0012345678", u"28", u"03"}, {u"1234567890", u"45", u"06"}, {u"0000000001", u"04", u"09"},
        {u"0000000004", u"16", u"97"}, {u"0000000036", u"39", u"01"}, {u"0000000000", u"00", u"12"},
        {u"7", u"28", u"88"},          {u"", u"00", u"00"},           {u"0000000007", u"28", u"88"},
        {u"70", u"35", u"93"},
    };
    for (const Case &c : cases) {
        const QString account = QString::fromUtf16(c.account);
        EXPECT_EQ(ccpKeyText(account), QString::fromUtf16(c.ccp)) << account.toStdString();
        EXPECT_EQ(lenientCcpKeyText(account), QString::fromUtf16(c.ccp)) << account.toStdString();
        EXPECT_EQ(ripKeyText(account), QString::fromUtf16(c.rip)) << account.toStdString();
    }
    // The RIP key equals 97 - ((100 * A + 85) mod 97) for every account.
    for (long long a : {0LL, 1LL, 36LL, 12345678LL, 9999999999LL, 4LL, 97LL}) {
        const QString account = QString::number(a).rightJustified(10, u'0');
        const int expected = 97 - int((100 * a + 85) % 97);
        EXPECT_EQ(ripKeyText(account).toInt(), expected) << a;
    }
}

TEST(Keys, CharactersThatAreNotDigits)
{
    EXPECT_EQ(ripKeyText(u"12-34"), QStringLiteral("93"));
    EXPECT_EQ(ripKeyText(u"1234"), QStringLiteral("93"));
    EXPECT_EQ(lenientCcpKeyText(u"12-34"), QStringLiteral("53"));
    EXPECT_EQ(ripKeyText(u"abc"), QStringLiteral("00"));

    // The last character that is not a digit is named.
    struct Failing {
        const char16_t *account, *lastChar;
    };
    const Failing cases[] = {
        {u"12-34", u"-"},
        {u"A12B", u"B"},
        {u" 0012345678", u" "},
        {u"١٢", u"٢"},
    };
    for (const Failing &c : cases) {
        const QString account = QString::fromUtf16(c.account);
        try {
            ccpKeyText(account);
            ADD_FAILURE() << "ccpKeyText accepted " << account.toStdString();
        } catch (const UserError &e) {
            EXPECT_EQ(e.message(), QStringLiteral("'%1' is not a valid integer value")
                                       .arg(QString::fromUtf16(c.lastChar)));
        }
    }
}

// A line's key cell against its account's keys: exactly two digits once surrounding blanks
// are removed, the RIP key before the CCP key; an account without digits has no keys.
TEST(Keys, Comparisons)
{
    using Status = TransferLine::KeyStatus;
    struct Case {
        const char16_t *account, *key;
        Status status;
    };
    const Case cases[] = {
        {u"0000000000", u"00", Status::Ccp},
        {u"0000000000", u" 00", Status::Ccp},
        {u"0000000000", u"00 ", Status::Ccp},
        {u"0000000000", u"12", Status::Rip},
        {u"0000000000", u" 12 ", Status::Rip},
        {u"0000000000", u"0", Status::Wrong},
        {u"0000000000", u"5", Status::Wrong},
        {u"0000000000", u"", Status::Wrong},
        {u"0000000000", u"012", Status::Wrong},
        {u"0000000000", u"+0", Status::Wrong},
        {u"0000000000", u"-0", Status::Wrong},
        {u"", u"00", Status::Wrong},
        {u"0012345678", u"03", Status::Rip},
        {u"0012345678", u"28", Status::Ccp},
        {u"0012345678", u"3", Status::Wrong},
        {u"00123-5678", u"03", Status::Wrong},
        // A key must be the whole cell: the RIP key followed by a digit is wrong.
        {u"0012345678", u"035", Status::Wrong},
        // An account whose CCP key equals its RIP key counts as RIP.
        {u"6893396409", u"04", Status::Rip},
    };
    for (const Case &c : cases) {
        TransferLine line;
        line.setSubItem(TransferLine::Account, c.account);
        line.setSubItem(TransferLine::Key, c.key);
        EXPECT_EQ(checkKeys(line).status, c.status)
            << '"' << QString::fromUtf16(c.account).toStdString() << "\" \""
            << QString::fromUtf16(c.key).toStdString() << '"';
    }
}
