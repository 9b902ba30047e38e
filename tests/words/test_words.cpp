#include "words/AmountInWords.h"

#include "QtPrinters.h"

#include <gtest/gtest.h>

namespace
{
QString u16(const char16_t *s)
{
    return QString::fromUtf16(s);
}
QString rtl(const char16_t *s)
{
    return QChar(0x202B) + u16(s) + QChar(0x202C);
}

// An amount and its phrase.
struct AmountCase {
    double v;
    const char16_t *words;
};
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
        {71, u"soixante et onze", u"واحد وسبعون"},
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
        {200000, u"deux cent mille", u"مائتان ألف"},
        {2000000, u"deux millions", u"مليونان"},
        {5000000, u"cinq millions", u"خمسة ملايين"},
        {20000000, u"vingt millions", u"عشرون مليون"},
        {3000000000LL, u"trois milliards", u"ثلاثة مليارات"},
        {-5, u"moins cinq", u"ناقص خمسة"},
        // further rules
        {70, u"soixante-dix", u"سبعون"},
        {77, u"soixante-dix-sept", u"سبعة وسبعون"},
        {90, u"quatre-vingt-dix", u"تسعون"},
        {80000, u"quatre-vingt mille", u"ثمانون ألف"},
        {101, u"cent un", u"مائة وواحد"},
        {300, u"trois cents", u"ثلاثة مائة"},
        {1000, u"mille", u"ألف"},
        {10000, u"dix mille", u"عشرة آلاف"},
        {1000000, u"un million", u"مليون"},
        {1000000000, u"un milliard", u"مليار"},
        {2000000000, u"deux milliards", u"ملياران"},
        {20000000000LL, u"vingt milliards", u"عشرون مليارات"},
        {-71, u"moins soixante et onze", u"ناقص واحد وسبعون"},
        {1000000000000LL, u"mille milliards", u"ألف مليارات"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(frenchWords(c.n), u16(c.fr)) << c.n;
        EXPECT_EQ(arabicWords(c.n), u16(c.ar)) << c.n;
    }
}

// Rows printed by make_french_table.py from an independent speller, around every rule:
// "et un" and "et onze", the plural of "vingt" and "cent" at the end only, "mille" without
// s, "de" after a number ending in "million(s)" or "milliard(s)", singulars, rounding.
TEST(Words, FrenchAmounts)
{
    const AmountCase cases[] = {
        {0, u"Zéro dinar"},
        {0.50, u"Zéro dinar et cinquante centimes"},
        {1, u"Un dinar"},
        {1.01, u"Un dinar et un centime"},
        {2, u"Deux dinars"},
        {17.17, u"Dix-sept dinars et dix-sept centimes"},
        {21.21, u"Vingt et un dinars et vingt et un centimes"},
        {31, u"Trente et un dinars"},
        {41.41, u"Quarante et un dinars et quarante et un centimes"},
        {51, u"Cinquante et un dinars"},
        {61.61, u"Soixante et un dinars et soixante et un centimes"},
        {70, u"Soixante-dix dinars"},
        {71, u"Soixante et onze dinars"},
        {71.71, u"Soixante et onze dinars et soixante et onze centimes"},
        {77, u"Soixante-dix-sept dinars"},
        {80, u"Quatre-vingts dinars"},
        {80.80, u"Quatre-vingts dinars et quatre-vingts centimes"},
        {81, u"Quatre-vingt-un dinars"},
        {90, u"Quatre-vingt-dix dinars"},
        {91.91, u"Quatre-vingt-onze dinars et quatre-vingt-onze centimes"},
        {99.99, u"Quatre-vingt-dix-neuf dinars et quatre-vingt-dix-neuf centimes"},
        {100, u"Cent dinars"},
        {180, u"Cent quatre-vingts dinars"},
        {200, u"Deux cents dinars"},
        {201, u"Deux cent un dinars"},
        {300.30, u"Trois cents dinars et trente centimes"},
        {1000, u"Mille dinars"},
        {1001, u"Mille un dinars"},
        {1080, u"Mille quatre-vingts dinars"},
        {2000, u"Deux mille dinars"},
        {21000, u"Vingt et un mille dinars"},
        {71000, u"Soixante et onze mille dinars"},
        {80000, u"Quatre-vingt mille dinars"},
        {80080, u"Quatre-vingt mille quatre-vingts dinars"},
        {91000, u"Quatre-vingt-onze mille dinars"},
        {99999.99, u"Quatre-vingt-dix-neuf mille neuf cent quatre-vingt-dix-neuf dinars et "
                   u"quatre-vingt-dix-neuf centimes"},
        {100000, u"Cent mille dinars"},
        {200000, u"Deux cent mille dinars"},
        {300201, u"Trois cent mille deux cent un dinars"},
        {1000000, u"Un million de dinars"},
        {1000001, u"Un million un dinars"},
        {1200000, u"Un million deux cent mille dinars"},
        {2000000.75, u"Deux millions de dinars et soixante-quinze centimes"},
        {80000000, u"Quatre-vingts millions de dinars"},
        {200000000, u"Deux cents millions de dinars"},
        {1000000000, u"Un milliard de dinars"},
        {2000000000, u"Deux milliards de dinars"},
        {3000000000.01, u"Trois milliards de dinars et un centime"},
        {1234.56, u"Mille deux cent trente-quatre dinars et cinquante-six centimes"},
        {10.125, u"Dix dinars et douze centimes"},
        {10.375, u"Dix dinars et trente-huit centimes"},
        {5.999, u"Cinq dinars et cent centimes"},
        {71071.71, u"Soixante et onze mille soixante et onze dinars et soixante et onze centimes"},
        {999999999.99,
         u"Neuf cent quatre-vingt-dix-neuf millions neuf cent quatre-vingt-dix-neuf mille neuf "
         u"cent quatre-vingt-dix-neuf dinars et quatre-vingt-dix-neuf centimes"},
    };
    for (const AmountCase &c : cases)
        EXPECT_EQ(amountInWords(c.v, QStringLiteral("FR")), u16(c.words)) << c.v;
}

TEST(Words, ArabicAmounts)
{
    const AmountCase cases[] = {
        {0, u"صفر دينار"},
        {0.50, u"صفر دينار وخمسون سنتيم"},
        {1.01, u"واحد دينار وواحد سنتيم"},
        {2, u"اثنان دينار"},
        {21.21, u"واحد وعشرون دينار وواحد وعشرون سنتيم"},
        {1234.56, u"ألف ومائتان وأربعة وثلاثون دينار وستة وخمسون سنتيم"},
        {2000000.75, u"مليونان دينار وخمسة وسبعون سنتيم"},
        {1, u"واحد دينار"},
        {10.125, u"عشرة دينار واثنا عشر سنتيم"},
        {10.375, u"عشرة دينار وثمانية وثلاثون سنتيم"},
        {5.999, u"خمسة دينار ومائة سنتيم"},
    };
    for (const AmountCase &c : cases)
        EXPECT_EQ(amountInWords(c.v, QStringLiteral("AR")), rtl(c.words)) << c.v;
}

TEST(Words, LanguageSelection)
{
    const QString french = QStringLiteral("Deux dinars");
    for (const char *lang : {"FR", "fr", " Fr ", "\tFR\n"})
        EXPECT_EQ(amountInWords(2, QString::fromLatin1(lang)), french) << lang;
    for (const char *lang : {"AR", "", "EN", "F R", "fra"}) {
        const QString s = amountInWords(2, QString::fromLatin1(lang));
        EXPECT_EQ(s, rtl(u"اثنان دينار")) << lang;
        // The two direction marks are the only control characters.
        int controls = 0;
        for (QChar c : s)
            controls += c.category() == QChar::Other_Format ? 1 : 0;
        EXPECT_EQ(controls, 2);
    }
}
