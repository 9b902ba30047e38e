#include "words/UnitTransChiffre.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

namespace {
QString u16(const char16_t *s) { return QString::fromUtf16(s); }
QString rtl(const char16_t *s) { return QChar(0x202B) + u16(s) + QChar(0x202C); }
} // namespace

TEST(Words, WholeNumbers)
{
    struct Case {
        int64_t n;
        const char16_t *fr, *ar;
    };
    const Case cases[] = {
        {0, u"zéro", u"صفر"},
        {11, u"onze", u"أحد عشر"},
        {21, u"vingt et un", u"واحد وعشرون"},
        {45, u"quarante-cinq", u"خمسة وأربعون"},
        {71, u"soixante-onze", u"واحد وسبعون"},
        {80, u"quatre-vingts", u"ثمانون"},
        {81, u"quatre-vingt-un", u"واحد وثمانون"},
        {91, u"quatre-vingt-onze", u"واحد وتسعون"},
        {105, u"cent cinq", u"مائة وخمسة"},
        {200, u"deux cents", u"مائتان"},
        {250, u"deux cent cinquante", u"مائتان وخمسون"},
        {1001, u"mille un", u"ألف وواحد"},
        {1500, u"mille cinq cents", u"ألف وخمسة مائة"},
        {2000, u"deux mille", u"ألفان"},
        {3000, u"trois mille", u"ثلاثة آلاف"},
        {11000, u"onze mille", u"أحد عشر ألف"},
        {21000, u"vingt et un mille", u"واحد وعشرون ألف"},
        {200000, u"deux cents mille", u"مائتان ألف"},
        {2000000, u"deux millions", u"مليونان"},
        {5000000, u"cinq millions", u"خمسة ملايين"},
        {20000000, u"vingt millions", u"عشرون مليون"},
        {3000000000LL, u"trois milliards", u"ثلاثة مليارات"},
        {-5, u"moins cinq", u"ناقص خمسة"},
        // further rules
        {70, u"soixante-dix", u"سبعون"},
        {77, u"soixante-dix-sept", u"سبعة وسبعون"},
        {90, u"quatre-vingt-dix", u"تسعون"},
        {80000, u"quatre-vingts mille", u"ثمانون ألف"},
        {101, u"cent un", u"مائة وواحد"},
        {300, u"trois cents", u"ثلاثة مائة"},
        {1000, u"mille", u"ألف"},
        {10000, u"dix mille", u"عشرة آلاف"},
        {1000000, u"un million", u"مليون"},
        {1000000000, u"un milliard", u"مليار"},
        {2000000000, u"deux milliards", u"ملياران"},
        {20000000000LL, u"vingt milliards", u"عشرون مليارات"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(NombreEnLettresFr(c.n), u16(c.fr)) << c.n;
        EXPECT_EQ(NombreEnLettresAr(c.n), u16(c.ar)) << c.n;
    }
}

TEST(Words, AmountsWithCurrency)
{
    struct Case {
        double v;
        const char16_t *fr, *ar;
    };
    const Case cases[] = {
        {0, u"Zéro dinar", u"صفر دينار"},
        {0.50, u"Zéro dinar et cinquante centimes", u"صفر دينار وخمسون سنتيم"},
        {1.01, u"Un dinar et un centime", u"واحد دينار وواحد سنتيم"},
        {2, u"Deux dinars", u"اثنان دينار"},
        {21.21, u"Vingt et un dinars et vingt et un centimes",
         u"واحد وعشرون دينار وواحد وعشرون سنتيم"},
        {1234.56, u"Mille deux cent trente-quatre dinars et cinquante-six centimes",
         u"ألف ومائتان وأربعة وثلاثون دينار وستة وخمسون سنتيم"},
        {2000000.75, u"Deux millions dinars et soixante-quinze centimes",
         u"مليونان دينار وخمسة وسبعون سنتيم"},
        {1, u"Un dinar", u"واحد دينار"},
        {10.125, u"Dix dinars et douze centimes", u"عشرة دينار واثنا عشر سنتيم"},
        {10.375, u"Dix dinars et trente-huit centimes", u"عشرة دينار وثمانية وثلاثون سنتيم"},
        {5.999, u"Cinq dinars et cent centimes", u"خمسة دينار ومائة سنتيم"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(NombreEnToutesLettres(c.v, QStringLiteral("FR")), u16(c.fr)) << c.v;
        EXPECT_EQ(NombreEnToutesLettres(c.v, QStringLiteral("AR")), rtl(c.ar)) << c.v;
    }
}

TEST(Words, LanguageSelection)
{
    const QString french = QStringLiteral("Deux dinars");
    for (const char *lang : {"FR", "fr", " Fr ", "\tFR\n"})
        EXPECT_EQ(NombreEnToutesLettres(2, QString::fromLatin1(lang)), french) << lang;
    for (const char *lang : {"AR", "", "EN", "F R", "fra"}) {
        const QString s = NombreEnToutesLettres(2, QString::fromLatin1(lang));
        EXPECT_EQ(s, rtl(u"اثنان دينار")) << lang;
        // The two direction marks are the only control characters.
        int controls = 0;
        for (QChar c : s)
            controls += c.category() == QChar::Other_Format ? 1 : 0;
        EXPECT_EQ(controls, 2);
    }
}
