#include "model/AmountText.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

TEST(AmountText, ListPatternAlwaysHoldsThreeSpaces)
{
    struct Case {
        double amount;
        const char16_t *text;
    };
    const Case cases[] = {
        {0, u"   0,00"},
        {5, u"   5,00"},
        {0.5, u"   0,50"},
        {1234.5, u"  1 234,50"},
        {12345678.9, u" 12 345 678,90"},
        {123456789012.34, u"123 456 789 012,34"},
        {1234567890123.0, u"1234 567 890 123,00"}, // extra digit before the first place
        {21474836.47, u" 21 474 836,47"},
        {-5, u"-   5,00"},
        {-1234.5, u"-  1 234,50"},
        {0.285, u"   0,29"}, // half a centime rounds up on the decimal form
        {1.005, u"   1,01"},
        {2.344999, u"   2,34"},
        {-0.001, u"   0,00"}, // rounds to zero: no sign
        {999.995, u"  1 000,00"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(AmountText::format(c.amount), QString::fromUtf16(c.text)) << c.amount;
}

TEST(AmountText, EditorPatternAndCents)
{
    EXPECT_EQ(AmountText::format(5, AmountText::EditorPattern), QStringLiteral(" 5,00"));
    EXPECT_EQ(AmountText::format(1234.5, AmountText::EditorPattern), QStringLiteral("1 234,50"));
    EXPECT_EQ(AmountText::format(12345.678, AmountText::EditorPattern),
              QStringLiteral("12 345,68"));
    EXPECT_EQ(AmountText::formatCents(123456), QStringLiteral("  1 234,56"));
    EXPECT_EQ(AmountText::formatCents(9999999999999LL), QStringLiteral("99 999 999 999,99"));
    EXPECT_EQ(AmountText::formatCents(0), QStringLiteral("   0,00"));
}

TEST(AmountText, NumberRuleReadsCellsAndGivesZeroOtherwise)
{
    struct Case {
        const char16_t *text;
        double value;
    };
    const Case cases[] = {
        {u"  1 234,50", 1234.5},
        {u"   0,00", 0},
        {u"1234.50", 0}, // a point is not a decimal mark
        {u"", 0},
        {u"abc", 0},
        {u"-  1 234,50", -1234.5},
        {u"+12", 12},
        {u"1,5E2", 150},
        {u",5", 0.5},
        {u"12,", 12},
        {u"1e", 0},
        {u"1 2 3", 123},
        {u"\t42\t", 42},
        {u"1,2,3", 0},
        {u"1e400", 0},
        {u"-", 0},
        {u"١٢", 0}, // other scripts' digits are not digits
    };
    auto numberOrZero = [](QStringView s) {
        double v = 0;
        return readNumber(s, v) ? v : 0.0;
    };
    for (const Case &c : cases)
        EXPECT_DOUBLE_EQ(numberOrZero(QString::fromUtf16(c.text)), c.value)
            << QString::fromUtf16(c.text).toStdString();
    // Every list-pattern text reads back to its amount.
    for (double v : {0.0, 0.01, 1234.5, 21474836.47, 123456789012.34})
        EXPECT_DOUBLE_EQ(numberOrZero(AmountText::format(v)), v);
}

TEST(AmountText, EditedAmountsAreNormalisedOrRefusedByOneRule)
{
    struct Case {
        const char16_t *typed;
        const char16_t *kept;    // nullptr: refused
        const char16_t *message; // when refused
    };
    const Case cases[] = {
        {u"", u"", nullptr},
        {u"  ", u"", nullptr},
        {u"5", u" 5,00", nullptr},
        {u"45000", u"45 000,00", nullptr},
        {u"12,5", u" 12,50", nullptr},
        {u"1 234,5", u"1 234,50", nullptr},
        {u"12345,678", u"12 345,68", nullptr},
        {u"-100", u"- 100,00", nullptr},
        {u"99999999999,99", u"99999999 999,99", nullptr},
        {u"12,3,4", nullptr, u"'12,3,4' is not a valid floating point value"},
        {u"100000000000", nullptr, u"Le montant « 100000000000 » dépasse 13 chiffres de centimes."},
    };
    for (const Case &c : cases) {
        QString kept, message;
        const bool ok = normaliseEditedAmount(QStringView(c.typed), kept, message);
        EXPECT_EQ(ok, c.kept != nullptr) << QString::fromUtf16(c.typed).toStdString();
        if (c.kept)
            EXPECT_EQ(kept, QString::fromUtf16(c.kept))
                << QString::fromUtf16(c.typed).toStdString();
        else
            EXPECT_EQ(message, QString::fromUtf16(c.message));
    }
}
