#include "compare/CompareWorkbook.h"
#include "compare/ListComparison.h"
#include "model/BasicText.h"
#include "model/UserError.h"
#include "session/Session.h"
#include "support/XlsxCells.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <random>

namespace
{

using Category = ListComparison::Category;

QString fixture(const char *name)
{
    return QStringLiteral(TALVORO_FIXTURES "/") + QString::fromLatin1(name);
}

TransferLine line(const char *insurance, const char *account, const char *key, const char *net,
                  const char *name = "BENALI AMINE")
{
    return TransferLine(u"160000100", QString::fromUtf8(account), QString::fromUtf8(key),
                        QString::fromUtf8(net), u"0,00", QString::fromUtf8(insurance),
                        QString::fromUtf8(name), u"P");
}

// "category old new" for every entry, indexes from 0 and -1 for none.
QStringList outline(const ListComparison &c)
{
    QStringList out;
    for (const auto &e : c.entries())
        out << QStringLiteral("%1 %2 %3")
                   .arg(ListComparison::categoryName(e.category))
                   .arg(e.oldIndex)
                   .arg(e.newIndex);
    return out;
}

QStringList details(const ListComparison &c)
{
    QStringList out = c.summaryLines();
    for (const auto &e : c.entries())
        out << c.detailLine(e);
    return out;
}

} // namespace

TEST(ListComparison, MatchingRulesAndCategories)
{
    struct Case {
        const char *what;
        std::vector<TransferLine> old, now;
        int threshold;
        QStringList expected;
    };
    const char *x = "100000000001", *y = "100000000002";
    const std::vector<Case> cases = {
        {"same number, new account and new Net: only the account change",
         {line(x, "0011111111", "11", "45 000,00")},
         {line(x, "0099999999", "11", "90 000,00")},
         2000,
         {"Compte modifié 0 0"}},
        {"a key change alone is an account change",
         {line(x, "0011111111", "11", "45 000,00")},
         {line(x, "0011111111", "12", "45 000,00")},
         2000,
         {"Compte modifié 0 0"}},
        {"a missing number falls back to the account",
         {line(x, "0011111111", "11", "45 000,00", "KACI NADIA")},
         {line("", "0011111111", "11", "45 000,00", "KACI NADIA ZOÉ")},
         2000,
         {"Nom modifié 0 0"}},
        {"a number that is not 12 digits falls back to the account",
         {line("12345678901", "0011111111", "11", "100,00")},
         {line("12345678901", "0011111111", "11", "150,00")},
         2000,
         {"Montant modifié 0 0"}},
        {"a number twice in the previous list falls back to the account",
         {line(x, "0011111111", "11", "100,00"), line(x, "0022222222", "22", "100,00")},
         {line(x, "0011111111", "11", "100,00")},
         2000,
         {"Sorti 1 -1"}},
        {"two numbers on one account are two people",
         {line(x, "0011111111", "11", "100,00")},
         {line(y, "0011111111", "11", "100,00")},
         2000,
         {"Nouveau -1 0", "Sorti 0 -1"}},
        {"an account twice in the new list: both lines repeated, the previous line not gone",
         {line(x, "0011111111", "11", "100,00")},
         {line(x, "0011111111", "11", "100,00"), line(y, "0011111111", "11", "100,00")},
         2000,
         {"Doublon -1 0", "Doublon -1 1"}},
        {"a number twice in the new list: both lines repeated, never also changed",
         {line(x, "0011111111", "11", "100,00")},
         {line(x, "0099999999", "11", "900,00"), line(x, "0022222222", "22", "100,00")},
         2000,
         {"Doublon -1 0", "Doublon -1 1"}},
        {"zeros in front of the account and of the key change nothing",
         {line("", "0000012345", "05", "100,00")},
         {line("", "12345", "5", "100,00")},
         2000,
         {}},
        {"letter case, accents and blanks of a name change nothing",
         {line(x, "0011111111", "11", "100,00", "  CHÉRIF Zoé ")},
         {line(x, "0011111111", "11", "100,00", "cherif ZOE")},
         2000,
         {}},
        {"Arabic marks are not accents",
         {line(x, "0011111111", "11", "100,00", "مُحمد")},
         {line(x, "0011111111", "11", "100,00", "محمد")},
         2000,
         {"Nom modifié 0 0"}},
        {"a change of exactly the threshold is not reported",
         {line(x, "0011111111", "11", "100,00")},
         {line(x, "0011111111", "11", "80,00")},
         2000,
         {}},
        {"a change beyond the threshold is",
         {line(x, "0011111111", "11", "100,00")},
         {line(x, "0011111111", "11", "120,01")},
         2000,
         {"Montant modifié 0 0"}},
        {"threshold 0: any change",
         {line(x, "0011111111", "11", "100,00")},
         {line(x, "0011111111", "11", "100,01")},
         0,
         {"Montant modifié 0 0"}},
        {"a Net that was 0",
         {line(x, "0011111111", "11", "0,00")},
         {line(x, "0011111111", "11", "0,01")},
         2000,
         {"Montant modifié 0 0"}},
        {"neither number nor account: gone and new",
         {line("", "", "", "1,00")},
         {line("", "", "", "1,00")},
         2000,
         {"Nouveau -1 0", "Sorti 0 -1"}},
    };
    for (const Case &c : cases) {
        const ListComparison r = ListComparison::compare(c.old, c.now, c.threshold);
        EXPECT_EQ(outline(r), c.expected) << c.what;
        // Every line of the new list is in one category at most.
        std::vector<int> seen(c.now.size(), 0);
        for (const auto &e : r.entries())
            if (e.newIndex >= 0) {
                EXPECT_EQ(++seen[size_t(e.newIndex)], 1) << c.what;
            }
    }
}

TEST(ListComparison, FixturePairAtEachThreshold)
{
    const std::vector<TransferLine> old = Session::readFile(fixture("compare_old.txt"));
    const std::vector<TransferLine> now = Session::readFile(fixture("compare_new.txt"));
    const QStringList common = {
        "Compte modifié | NumAss: 100000000001 | Nom: BENALI AMINE | Ancien: 0011111111/11 | "
        "Nouveau: 0099999999/22",
        "Compte modifié | NumAss: 100000000008 | Nom: MERZOUK RÉDA | Ancien: 0088888888/88 | "
        "Nouveau: 0088888888/81",
        "Nom modifié | NumAss: 100000000003 | Nom: TALEB OMAR KARIM | Ancien: TALEB OMAR | "
        "Nouveau: TALEB OMAR KARIM",
        "Montant modifié | NumAss: 100000000004 | Nom: KACI NADIA | Ancien: 45 000,00 | Nouveau: "
        "60 000,00 | +33,3 %",
    };
    const QStringList rest = {
        "Nouveau | NumAss: 100000000007 | Nom: CHÉRIF ZOÉ | Compte: 0077777777/77 | Net: 36 000,00",
        "Nouveau | NumAss: 100000000015 | Nom: REZKI OMAR | Compte: 0014141414/14 | Net: 47 000,00",
        "Sorti | NumAss: 100000000006 | Nom: OUALI SAMIA | Compte: 0066666666/66 | Net: 35 000,00",
        "Sorti | NumAss: 100000000014 | Nom: MANSOURI KARIM | Compte: 0014141414/14 | Net: 47 "
        "000,00",
        "Doublon | NumAss: 100000000011 | Nom: BOUZID YACINE | Compte: 0011011011/10 | Net: 43 "
        "000,00",
        "Doublon | NumAss: 100000000011 | Nom: BOUZID YACINE | Compte: 0011022022/20 | Net: 43 "
        "000,00",
        "Doublon | NumAss: 100000000012 | Nom: HAMDANI ZOÉ | Compte: 0012121212/12 | Net: 44 "
        "000,00",
        "Doublon | NumAss: 100000000013 | Nom: TALEB NADIA | Compte: 0012121212/12 | Net: 44 "
        "000,00",
    };
    struct Case {
        int threshold;
        QStringList expected;
    };
    const std::vector<Case> cases = {
        {2000, QStringList{"Compte modifié: 2", "Nom modifié: 1", "Montant modifié: 1",
                           "Nouveau: 2", "Sorti: 2", "Doublon: 4"} +
                   common + rest},
        {0,
         QStringList{"Compte modifié: 2", "Nom modifié: 1", "Montant modifié: 2", "Nouveau: 2",
                     "Sorti: 2", "Doublon: 4"} +
             common +
             QStringList{
                 "Montant modifié | NumAss: 100000000005 | Nom: REZKI FARID | Ancien: 50 000,00 | "
                 "Nouveau: 55 000,00 | +10,0 %"} +
             rest},
        {5000, QStringList{"Compte modifié: 2", "Nom modifié: 1", "Montant modifié: 0",
                           "Nouveau: 2", "Sorti: 2", "Doublon: 4"} +
                   common.mid(0, 3) + rest},
    };
    for (const Case &c : cases) {
        const ListComparison r = ListComparison::compare(old, now, c.threshold);
        EXPECT_EQ(details(r), c.expected) << c.threshold;
    }
    // A list against itself: only its repeated insurance number.
    const ListComparison self = ListComparison::compare(old, old);
    EXPECT_EQ(outline(self), (QStringList{"Doublon -1 7", "Doublon -1 8"}));
}

TEST(ListComparison, UnreadableNetNamesListLineAndText)
{
    try {
        ListComparison::compare({line("", "1", "1", "1,00")},
                                {line("", "1", "1", "1,00"), line("", "2", "2", "douze")}, 2000,
                                QStringLiteral("mars.txt"), QStringLiteral("avril.txt"));
        FAIL() << "no error";
    } catch (const UserError &e) {
        EXPECT_EQ(e.message(),
                  QStringLiteral("avril.txt, ligne 2, champ Net : « douze » n’est pas un montant. "
                                 "La comparaison est abandonnée."));
    }
}

TEST(ListComparison, TextsOfThresholdsNamesAndChanges)
{
    const std::vector<std::pair<const char *, int>> thresholds = {
        {"20", 2000}, {"12,5", 1250}, {" 7.25 ", 725}, {"0", 0},   {"abc", -1},     {"1,234", -1},
        {"", -1},     {",5", -1},     {"5,", -1},      {"-3", -1}, {"99999999", -1}};
    for (const auto &[text, expected] : thresholds) {
        int v = -1;
        const bool ok = ListComparison::parseThreshold(QString::fromUtf8(text), v);
        EXPECT_EQ(ok ? v : -1, expected) << text;
    }
    EXPECT_EQ(ListComparison::thresholdText(2000), QStringLiteral("20 %"));
    EXPECT_EQ(ListComparison::thresholdText(1250), QStringLiteral("12,5 %"));
    EXPECT_EQ(ListComparison::thresholdText(725), QStringLiteral("7,25 %"));

    const std::vector<std::pair<const char *, const char *>> names = {
        {"  Chérif ZOÉ ", "cherif zoe"},
        {"ÇA Ï Œ", "ca i œ"},
        {"E\u0301TE", "ete"},
        {"مُحمد", "مُحمد"}};
    for (const auto &[name, folded] : names)
        EXPECT_EQ(foldedText(QString::fromUtf8(name)), QString::fromUtf8(folded)) << name;

    struct Change {
        const char *old, *now, *difference, *percent;
    };
    const std::vector<Change> changes = {{"45 000,00", "60 000,00", "+15 000,00", "+33,3 %"},
                                         {"60 000,00", "45 000,00", "-15 000,00", "-25,0 %"},
                                         {"0,00", "10,00", "+10,00", ""},
                                         {"3,00", "3,00", "0,00", "0,0 %"},
                                         {"3,00", "5,00", "+2,00", "+66,7 %"}};
    for (const Change &c : changes) {
        const ListComparison r =
            ListComparison::compare({line("", "1", "1", c.old)}, {line("", "1", "1", c.now)}, 0);
        const ListComparison::Entry e{Category::AmountChanged, 0, 0};
        EXPECT_EQ(r.difference(e), QString::fromUtf8(c.difference)) << c.old << " " << c.now;
        EXPECT_EQ(r.percent(e), QString::fromUtf8(c.percent)) << c.old << " " << c.now;
    }
}

TEST(ListComparison, WorkbookHoldsEveryDifferenceAndTheCounts)
{
    const ListComparison c = ListComparison::compare(
        {line("100000000001", "0011111111", "11", "45 000,00", "KACI NADIA"),
         line("100000000002", "0022222222", "22", "100,00", "TALEB OMAR")},
        {line("100000000001", "0011111111", "11", "60 000,00", "KACI NADIA")}, 2000,
        QStringLiteral("mars.txt"));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("comparaison.xlsx"));
    CompareWorkbook::writeFile(c, path);
    // Every cell, sheet by sheet in the file's order: a line gone has no new Net, no
    // difference and no percentage; the summary counts each category.
    EXPECT_EQ(XlsxCells::read(path),
              (QStringList{QStringLiteral("Comparaison/0/0:string:\"Catégorie\""),
                           QStringLiteral("Comparaison/0/1:string:\"N° Assurance\""),
                           QStringLiteral("Comparaison/0/2:string:\"Nom et Prénom\""),
                           QStringLiteral("Comparaison/0/3:string:\"Ancien nom\""),
                           QStringLiteral("Comparaison/0/4:string:\"Ancien compte\""),
                           QStringLiteral("Comparaison/0/5:string:\"Nouveau compte\""),
                           QStringLiteral("Comparaison/0/6:string:\"Ancien Net\""),
                           QStringLiteral("Comparaison/0/7:string:\"Nouveau Net\""),
                           QStringLiteral("Comparaison/0/8:string:\"Écart\""),
                           QStringLiteral("Comparaison/0/9:string:\"Écart (%)\""),
                           QStringLiteral("Comparaison/1/0:string:\"Montant modifié\""),
                           QStringLiteral("Comparaison/1/1:string:\"100000000001\""),
                           QStringLiteral("Comparaison/1/2:string:\"KACI NADIA\""),
                           QStringLiteral("Comparaison/1/4:string:\"0011111111/11\""),
                           QStringLiteral("Comparaison/1/5:string:\"0011111111/11\""),
                           QStringLiteral("Comparaison/1/6:numeric:45000"),
                           QStringLiteral("Comparaison/1/7:numeric:60000"),
                           QStringLiteral("Comparaison/1/8:numeric:15000"),
                           QStringLiteral("Comparaison/1/9:numeric:33.33333333333334"),
                           QStringLiteral("Comparaison/2/0:string:\"Sorti\""),
                           QStringLiteral("Comparaison/2/1:string:\"100000000002\""),
                           QStringLiteral("Comparaison/2/2:string:\"TALEB OMAR\""),
                           QStringLiteral("Comparaison/2/4:string:\"0022222222/22\""),
                           QStringLiteral("Comparaison/2/6:numeric:100"),
                           QStringLiteral("Résumé/0/0:string:\"Liste précédente\""),
                           QStringLiteral("Résumé/0/1:string:\"mars.txt\""),
                           QStringLiteral("Résumé/1/0:string:\"Liste du mois\""),
                           QStringLiteral("Résumé/1/1:string:\"Liste du mois\""),
                           QStringLiteral("Résumé/2/0:string:\"Seuil de variation du Net\""),
                           QStringLiteral("Résumé/2/1:string:\"20 %\""),
                           QStringLiteral("Résumé/4/0:string:\"Compte modifié\""),
                           QStringLiteral("Résumé/4/1:numeric:0"),
                           QStringLiteral("Résumé/5/0:string:\"Nom modifié\""),
                           QStringLiteral("Résumé/5/1:numeric:0"),
                           QStringLiteral("Résumé/6/0:string:\"Montant modifié\""),
                           QStringLiteral("Résumé/6/1:numeric:1"),
                           QStringLiteral("Résumé/7/0:string:\"Nouveau\""),
                           QStringLiteral("Résumé/7/1:numeric:0"),
                           QStringLiteral("Résumé/8/0:string:\"Sorti\""),
                           QStringLiteral("Résumé/8/1:numeric:1"),
                           QStringLiteral("Résumé/9/0:string:\"Doublon\""),
                           QStringLiteral("Résumé/9/1:numeric:0")}));
    // Nothing is left beside the file, and a folder that does not exist gets nothing.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("comparaison.xlsx")});
    EXPECT_THROW(CompareWorkbook::writeFile(c, dir.filePath(QStringLiteral("absent/c.xlsx"))),
                 UserError);
}

// Random lists drawn from a few numbers, accounts, names and amounts, so that every rule
// meets repeats and gaps: whatever the lists, a line is told at most once, each category
// has the sides it speaks of, and a list compared with itself shows no change.
TEST(ListComparison, EveryLineToldAtMostOnceOnRandomLists)
{
    const char *numbers[] = {"100000000001", "100000000002", "100000000003", "1234", ""};
    const char *accounts[] = {"0011111111", "11111111", "0022222222", "0033333333", "x1"};
    const char *keys[] = {"11", "5", "05"};
    const char *names[] = {"KACI NADIA", "kaci nadia", "TALEB OMAR"};
    const char *nets[] = {"100,00", "150,00", "100,01", "0,00"};
    std::mt19937 rng(19);
    auto randomList = [&] {
        std::vector<TransferLine> lines(rng() % 6);
        for (TransferLine &l : lines)
            l = line(numbers[rng() % 5], accounts[rng() % 5], keys[rng() % 3], nets[rng() % 4],
                     names[rng() % 3]);
        return lines;
    };
    for (int round = 0; round < 3000; ++round) {
        const std::vector<TransferLine> a = randomList(), b = randomList();
        const ListComparison c = ListComparison::compare(a, b, int(rng() % 3) * 1000);
        std::vector<int> oldSeen(a.size(), 0), newSeen(b.size(), 0);
        int total = 0;
        for (const auto &e : c.entries()) {
            const bool left = e.category == Category::Left;
            const bool alone =
                left || e.category == Category::New || e.category == Category::Duplicate;
            ASSERT_EQ(e.oldIndex >= 0, !alone || left) << round;
            ASSERT_EQ(e.newIndex >= 0, !left) << round;
            if (e.oldIndex >= 0) {
                ASSERT_EQ(++oldSeen[size_t(e.oldIndex)], 1) << round;
            }
            if (e.newIndex >= 0) {
                ASSERT_EQ(++newSeen[size_t(e.newIndex)], 1) << round;
            }
        }
        for (int k = 0; k < ListComparison::CategoryCount; ++k)
            total += c.count(Category(k));
        ASSERT_EQ(total, int(c.entries().size()));
        // Against itself, nobody changed; a line with neither number nor account cannot be
        // matched, so it is new and gone at once.
        const ListComparison self = ListComparison::compare(b, b);
        for (int k = 0; k < 3; ++k)
            ASSERT_EQ(self.count(Category(k)), 0) << round;
        ASSERT_EQ(self.count(Category::New), self.count(Category::Left)) << round;
    }
}
