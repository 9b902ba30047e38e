#include "model/TransferLine.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

TEST(TransferLine, CellsReadBackAndReplaceWithoutDisturbingNeighbours)
{
    TransferLine line(u"1234ABCDE", u"0012345678", u"03", u"  1 234,56", u"   0,00",
                      u"123456789012", u"NOM PRENOM", u"P");
    EXPECT_EQ(line.caption(), QStringLiteral("1234ABCDE"));
    EXPECT_EQ(line.subItemCount(), 7);
    EXPECT_EQ(line.subItem(TransferLine::Name), QStringLiteral("NOM PRENOM"));
    EXPECT_EQ(line.figures.status, TransferLine::KeyStatus::Unchecked);

    line.setSubItem(TransferLine::Key, u"28");
    line.setSubItem(TransferLine::Account, u"7");
    line.setCaption(u"");
    EXPECT_EQ(line.subItem(TransferLine::Account), QStringLiteral("7"));
    EXPECT_EQ(line.subItem(TransferLine::Key), QStringLiteral("28"));
    EXPECT_EQ(line.subItem(TransferLine::Net), QStringLiteral("  1 234,56"));
    EXPECT_EQ(line.subItem(TransferLine::ContractType), QStringLiteral("P"));
    EXPECT_EQ(line.caption(), QString());
    // A sub-item past the last reads as empty.
    EXPECT_EQ(line.subItem(7), QString());
}

TEST(TransferLine, ShortRowsGrowWhenAWiderCellIsSet)
{
    TransferLine line;
    line.setCaption(u"*00799999");
    line.addSubItem(u"0012345678");
    EXPECT_EQ(line.subItemCount(), 1);
    EXPECT_FALSE(line.hasSubItem(5));
    EXPECT_EQ(line.subItem(5), QString());
    line.setSubItem(5, u"ALI");
    EXPECT_EQ(line.subItemCount(), 6);
    EXPECT_EQ(line.subItem(0), QStringLiteral("0012345678"));
    EXPECT_EQ(line.subItem(4), QString());
    EXPECT_EQ(line.subItem(5), QStringLiteral("ALI"));
    EXPECT_EQ(line.caption(), QStringLiteral("*00799999"));
}
