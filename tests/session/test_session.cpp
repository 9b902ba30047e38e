#include "QtPrinters.h"
#include "SessionOracle.h"

#include "model/UserError.h"
#include "session/RepairMessage.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <random>

namespace
{

// Random lines over small pools, so that duplicates, wrong keys, odd amounts, blanks and
// letter cases all occur often.
class LineMaker
{
public:
    explicit LineMaker(unsigned seed) : m_rng(seed) {}

    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_rng); }

    TransferLine line()
    {
        static const char16_t *const accounts[] = {u"0012345678", u"0000000004",   u"0000000001",
                                                   u"1234567890", u"0000000036",   u"12-4567890",
                                                   u"",           u" 0012345678 ", u"12345"};
        static const char16_t *const names[] = {u"ALI BEN",     u"ali ben",    u"ALI BEN  ",
                                                u"KHALIL Omar", u"Zoé HÉLÈNE", u"",
                                                u"NOM PRENOM"};
        static const char16_t *const types[] = {u"P", u"p", u" d ", u"I", u"X", u"", u"D"};
        const QString account = QString::fromUtf16(accounts[pick(9)]);
        QString key;
        switch (pick(6)) {
        case 0:
            key = ripKeyText(account);
            break;
        case 1:
            key = lenientCcpKeyText(account);
            break;
        case 2:
            key = QString::number(pick(100)).rightJustified(2, u'0');
            break;
        case 3:
            key = QString::number(pick(10));
            break; // one digit: never a key
        case 4:
            key = u' ' + ripKeyText(account) + u' ';
            break;
        default:
            key = QString();
            break;
        }
        return TransferLine(u"160000100", account, key, amount(), amount(),
                            QString::number(pick(3)), QString::fromUtf16(names[pick(7)]),
                            QString::fromUtf16(types[pick(7)]));
    }

    QString amount()
    {
        switch (pick(8)) {
        case 0:
            return QString();
        case 1:
            return QStringLiteral("douze");
        case 2:
            return QStringLiteral("12,5");
        default:
            return AmountText::formatCents(
                std::uniform_int_distribution<long long>(0, 99999999)(m_rng));
        }
    }

    std::vector<TransferLine> lines(int n)
    {
        std::vector<TransferLine> out;
        for (int i = 0; i < n; ++i)
            out.push_back(line());
        return out;
    }

private:
    std::mt19937 m_rng;
};

// Everything the window shows, as the session gives it.
OracleView shown(const Session &s)
{
    OracleView v;
    v.figures = s.figures();
    v.panels = s.panels();
    v.errorLines = s.errorLines();
    for (int i = 0; i < int(s.wrongRows().size()); ++i)
        v.wrongPairs << s.wrongPairLine(i);
    for (const ErrorRecord &r : s.errorRecords())
        v.recordRows.push_back(r.row);
    return v;
}

void expectSame(const OracleView &a, const OracleView &b, const std::string &where)
{
    EXPECT_EQ(a.figures, b.figures) << where;
    EXPECT_EQ(a.panels.duplicateNames, b.panels.duplicateNames) << where;
    EXPECT_EQ(a.panels.duplicateAccounts, b.panels.duplicateAccounts) << where;
    EXPECT_EQ(a.panels.contractTypes, b.panels.contractTypes) << where;
    EXPECT_EQ(a.errorLines, b.errorLines) << where;
    EXPECT_EQ(a.wrongPairs, b.wrongPairs) << where;
    EXPECT_EQ(a.recordRows, b.recordRows) << where;
}

QStringList allCells(const WorkingList &list)
{
    QStringList out;
    for (int i = 0; i < list.totalCount(); ++i) {
        const TransferLine &l = list.lineOfAll(i);
        out << l.caption();
        for (int k = 0; k < 7; ++k)
            out << l.subItem(k);
    }
    return out;
}

} // namespace

TEST(Session, EveryFigureEqualsAFreshCheckAfterAnyCommand)
{
    QTemporaryDir dir;
    const QString badFile = dir.filePath(QStringLiteral("bad.txt"));
    {
        QFile f(badFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("1600001000012345678\xff\r\n");
    }
    for (unsigned seed = 1; seed <= 300; ++seed) {
        LineMaker make(seed);
        Session s;
        s.replaceAll(make.lines(make.pick(30)));
        QStringList imported = allCells(s.list());
        std::string trail;
        for (int step = 0; step < 16; ++step) {
            const int n = s.list().count();
            const int command = make.pick(14);
            trail += std::to_string(command) + ' ';
            switch (command) {
            case 0:
                s.replaceAll(make.lines(make.pick(30)));
                imported = allCells(s.list());
                EXPECT_FALSE(s.undoStack().canUndo());
                break;
            case 1: {
                // A filter on a piece of a shown line's account or name.
                const bool byName = make.pick(2) == 0;
                QString text =
                    n > 0 ? s.list().line(make.pick(n)).subItem(byName ? 5 : 0) : QString();
                text = text.mid(make.pick(3), 1 + make.pick(4));
                s.setFilter(byName ? WorkingList::FilterField::Name
                                   : WorkingList::FilterField::Account,
                            text);
                break;
            }
            case 2:
                s.setFilter(WorkingList::FilterField::None, QString());
                break;
            case 3:
                s.deleteRow(n > 0 ? make.pick(n) : 0);
                break;
            case 4:
                s.deleteShown();
                break;
            case 5:
                s.appendLine(make.line());
                break;
            case 6:
                if (n > 0) s.replaceLine(make.pick(n), make.line());
                break;
            case 7:
                s.repairKeys(KeyKind::Rip);
                break;
            case 8:
                s.repairKeys(KeyKind::Ccp);
                break;
            case 9:
                s.clean();
                break;
            case 10: {
                // A failed import changes nothing at all.
                const OracleView before = shown(s);
                const QStringList cells = allCells(s.list());
                EXPECT_THROW(
                    s.importFile(make.pick(2) ? badFile : dir.filePath(QStringLiteral("none.txt"))),
                    UserError);
                expectSame(shown(s), before, "failed import " + trail);
                EXPECT_EQ(allCells(s.list()), cells);
                break;
            }
            case 12:
                s.undoStack().undo();
                break;
            case 13:
                s.undoStack().redo();
                break;
            default:
                s.refresh();
                break;
            }
            expectSame(shown(s), oracle(s.list()), "seed " + std::to_string(seed) + ": " + trail);
            EXPECT_EQ(s.hasUnexportedChanges(), s.undoStack().index() != 0) << trail;
            // The colours follow the same check as the counters.
            for (int r = 0; r < s.list().count(); ++r)
                ASSERT_EQ(s.list().line(r).figures.status, checkKeys(s.list().line(r)).status)
                    << trail;
            if (::testing::Test::HasFailure()) return;
        }
        // Undoing everything gives back exactly the lines read, redoing everything the lines
        // of the last change, each step agreeing with a fresh check.
        while (s.undoStack().canRedo())
            s.undoStack().redo();
        const QStringList reached = allCells(s.list());
        while (s.undoStack().canUndo()) {
            s.undoStack().undo();
            expectSame(shown(s), oracle(s.list()), "undo after " + trail);
        }
        EXPECT_EQ(allCells(s.list()), imported) << trail;
        EXPECT_FALSE(s.hasUnexportedChanges()) << trail;
        while (s.undoStack().canRedo()) {
            s.undoStack().redo();
            expectSame(shown(s), oracle(s.list()), "redo after " + trail);
        }
        EXPECT_EQ(allCells(s.list()), reached) << trail;
        if (::testing::Test::HasFailure()) return;
    }
}

TEST(Session, DeletingWhileFilteredKeepsTheHiddenLines)
{
    Session s;
    LineMaker make(7);
    std::vector<TransferLine> lines;
    for (const char16_t *name : {u"ALI", u"OMAR", u"ALIA", u"SAID"}) {
        TransferLine l = make.line();
        l.setSubItem(TransferLine::Name, name);
        lines.push_back(l);
    }
    s.replaceAll(lines);
    s.setFilter(WorkingList::FilterField::Name, QStringLiteral("ali"));
    ASSERT_EQ(s.list().count(), 2);
    EXPECT_TRUE(s.deleteRow(1)); // ALIA
    EXPECT_FALSE(s.deleteRow(1));
    EXPECT_EQ(s.figures().shown, 1);
    EXPECT_EQ(s.figures().all, 3);
    EXPECT_EQ(s.deleteShown(), 1); // ALI
    EXPECT_EQ(s.figures().all, 2);
    s.setFilter(WorkingList::FilterField::None, QString());
    ASSERT_EQ(s.list().count(), 2);
    EXPECT_EQ(s.list().line(0).subItem(TransferLine::Name), QStringLiteral("OMAR"));
    EXPECT_EQ(s.list().line(1).subItem(TransferLine::Name), QStringLiteral("SAID"));
    // A line added under a filter is shown at once, whatever the filter.
    s.setFilter(WorkingList::FilterField::Name, QStringLiteral("omar"));
    EXPECT_EQ(s.appendLine(make.line()), 1);
    EXPECT_EQ(s.figures().shown, 2);
}

TEST(Session, UndoPutsLinesBackAmongAllLinesAndShowsThem)
{
    Session s;
    LineMaker make(11);
    std::vector<TransferLine> lines;
    for (const char16_t *name : {u"ALI", u"OMAR", u"ALIA", u"SAID"}) {
        TransferLine l = make.line();
        l.setSubItem(TransferLine::Name, name);
        lines.push_back(l);
    }
    s.replaceAll(lines);
    auto names = [&s] {
        QStringList out;
        for (int r = 0; r < s.list().count(); ++r)
            out << s.list().line(r).subItem(TransferLine::Name);
        return out;
    };
    s.setFilter(WorkingList::FilterField::Name, QStringLiteral("ali"));
    EXPECT_EQ(s.deleteShown(), 2);
    EXPECT_EQ(s.undoStack().undoText(), QStringLiteral("la suppression de 2 lignes"));
    // Undone under another filter: the lines come back in their places and are shown.
    s.setFilter(WorkingList::FilterField::Name, QStringLiteral("omar"));
    s.undoStack().undo();
    EXPECT_EQ(names(), (QStringList{"ALI", "OMAR", "ALIA"}));
    EXPECT_EQ(s.figures().all, 4);
    EXPECT_FALSE(s.hasUnexportedChanges());
    s.setFilter(WorkingList::FilterField::None, QString());
    EXPECT_EQ(names(), (QStringList{"ALI", "OMAR", "ALIA", "SAID"}));
    s.undoStack().redo();
    EXPECT_EQ(names(), (QStringList{"OMAR", "SAID"}));
    EXPECT_TRUE(s.hasUnexportedChanges());
    // An import forgets every change.
    s.replaceAll(lines);
    EXPECT_FALSE(s.undoStack().canUndo());
    EXPECT_FALSE(s.hasUnexportedChanges());
    // A change that changes nothing is not recorded.
    s.replaceLine(0, s.list().line(0));
    s.clean();
    EXPECT_EQ(s.undoStack().count(), 1);
    s.clean();
    EXPECT_EQ(s.undoStack().count(), 1);
}

TEST(Session, StatisticsRules)
{
    // Account 0012345678: CCP key 28, RIP key 03.
    struct Case {
        const char16_t *key;
        TransferLine::KeyStatus status;
    };
    const Case cases[] = {
        {u"03", TransferLine::KeyStatus::Rip},    {u" 03 ", TransferLine::KeyStatus::Rip},
        {u"3", TransferLine::KeyStatus::Wrong},   {u"28", TransferLine::KeyStatus::Ccp},
        {u"028", TransferLine::KeyStatus::Wrong}, {u"", TransferLine::KeyStatus::Wrong},
    };
    std::vector<TransferLine> lines;
    for (const Case &c : cases)
        lines.emplace_back(u"160000100", u"0012345678", c.key, u"1,00", u"0,50", u"1", u"NOM",
                           u"P");
    // Lower-case and padded contract types count; other letters do not.
    for (const char16_t *type : {u"d", u" i ", u"p", u"x", u"DI"})
        lines.emplace_back(u"160000100", u"0000000004", u"97", u"", u"", u"1", u"AUTRE", type);
    Session s;
    s.replaceAll(lines);
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(s.list().line(int(i)).figures.status, cases[i].status) << i;
    EXPECT_EQ(s.figures().rip, 2 + 5);
    EXPECT_EQ(s.figures().ccp, 1);
    EXPECT_EQ(s.figures().wrong, 3);
    EXPECT_EQ(s.figures().types.d, 1);
    EXPECT_EQ(s.figures().types.i, 1);
    EXPECT_EQ(s.figures().types.p, 7);
    EXPECT_EQ(s.figures().netCents, 600);
    EXPECT_EQ(s.figures().yieldCents, 300);
    EXPECT_EQ(s.panels().duplicateNames, (QStringList{"AUTRE  (5)", "NOM  (6)"}));
    EXPECT_EQ(s.panels().duplicateAccounts,
              (QStringList{"---------", "0000000004/97  (5)", "0012345678/03  (2)"}));
    EXPECT_EQ(s.panels().contractTypes, (QStringList{"T.Contrat Doublons", "P  (6)"}));
}

TEST(Session, RepairsWorkOnTheAccountWithoutBlanksAndListWhatIsLeft)
{
    Session s;
    s.replaceAll({TransferLine(u"1", u" 0012345678 ", u"11", u"", u"", u"", u"", u""),
                  TransferLine(u"2", u"12-4", u"11", u"", u"", u"", u"", u""),
                  TransferLine(u"3", u"", u"11", u"", u"", u"", u"", u"")});
    const Session::RepairResult rip = s.repairKeys(KeyKind::Rip);
    EXPECT_EQ(rip.repaired, 1);
    EXPECT_EQ(rip.leftRows, (std::vector<int>{1, 2}));
    EXPECT_EQ(s.list().line(0).subItem(TransferLine::Key), QStringLiteral("03"));
    EXPECT_EQ(s.list().line(1).subItem(TransferLine::Key), QStringLiteral("11"));
    s.repairKeys(KeyKind::Ccp);
    EXPECT_EQ(s.list().line(0).subItem(TransferLine::Key), QStringLiteral("28"));
    EXPECT_EQ(s.figures().ccp, 1);
    EXPECT_EQ(s.figures().wrong, 2);
}

TEST(Session, RepairMessageSaysWhichLinesWereRepaired)
{
    struct Case {
        KeyKind kind;
        int repaired;
        std::vector<int> left;
        int shown, all;
        const char *expected;
    };
    const Case cases[] = {
        {KeyKind::Rip, 6, {}, 6, 6, "RIP corrected for all items."},
        {KeyKind::Ccp, 0, {}, 0, 0, "CLE corrected for all items."},
        {KeyKind::Ccp,
         5,
         {3},
         6,
         6,
         "CLE corrigé pour 5 lignes sur 6. 1 ligne(s) n’ont pas pu être corrigées (compte vide ou "
         "pas uniquement des chiffres) : ligne(s) 4"},
        {KeyKind::Rip,
         28,
         {},
         28,
         300,
         "RIP corrigé pour les 28 lignes affichées sur 300 : les 272 lignes masquées par le filtre "
         "n’ont pas été corrigées."},
        {KeyKind::Rip,
         1,
         {0, 9, 19, 29, 39, 257},
         7,
         300,
         "RIP corrigé pour 1 des 7 lignes affichées sur 300 : les 293 lignes masquées par le "
         "filtre n’ont pas été corrigées. 6 ligne(s) n’ont pas pu être corrigées (compte vide ou "
         "pas uniquement des chiffres) : ligne(s) 1, 10, 20, 30, 40 …"},
    };
    for (const Case &c : cases) {
        Session::RepairResult result;
        result.repaired = c.repaired;
        result.leftRows = c.left;
        EXPECT_EQ(repairMessage(c.kind, result, c.shown, c.all), QString::fromUtf8(c.expected));
    }
}

TEST(Session, LinesAreNumberedInTheWholeListUnderAFilter)
{
    Session s;
    s.replaceAll({TransferLine(u"1", u"0012345678", u"11", u"", u"", u"", u"ALPHA", u""),
                  TransferLine(u"2", u"0012345678", u"11", u"", u"", u"", u"BETA", u""),
                  TransferLine(u"3", u"", u"11", u"", u"", u"", u"BETA", u"")});
    s.setFilter(WorkingList::FilterField::Name, QStringLiteral("beta"));
    ASSERT_EQ(s.list().count(), 2);
    EXPECT_TRUE(s.errorLine(0).startsWith(QStringLiteral("Ligne: 2 | ")));
    EXPECT_TRUE(s.errorLine(1).startsWith(QStringLiteral("Ligne: 3 | ")));
    const std::vector<ErrorRecord> records = s.errorRecords();
    ASSERT_EQ(records.size(), size_t(2));
    EXPECT_EQ(records[0].row, 2);
    EXPECT_EQ(records[1].row, 3);
    const Session::RepairResult rip = s.repairKeys(KeyKind::Rip);
    EXPECT_EQ(rip.leftRows, (std::vector<int>{2}));
    EXPECT_EQ(s.list().lineOfAll(0).subItem(TransferLine::Key), QStringLiteral("11"));
}

TEST(Session, ShortInsuranceNumbersAreAWarningNamingTheirLines)
{
    auto withInsurance = [](const char16_t *number) {
        return TransferLine(u"1", u"0012345678", u"03", u"1,00", u"", number, u"N", u"P");
    };
    Session s;
    s.replaceAll({withInsurance(u"085462539037"), withInsurance(u"85462539037"), withInsurance(u""),
                  withInsurance(u"ABC"), withInsurance(u" 12345 ")});
    EXPECT_EQ(s.figures().shortInsuranceNumbers, 2);
    EXPECT_EQ(s.shortInsuranceWarning(),
              QStringLiteral("NumAss de moins de 12 chiffres (zéros de tête perdus ?) : "
                             "2 ligne(s) : 2, 5"));
    // Warned of, never refused: the lines stay and count as usual.
    EXPECT_EQ(s.figures().shown, 5);
    s.setFilter(WorkingList::FilterField::Account, QStringLiteral("99"));
    EXPECT_EQ(s.shortInsuranceWarning(), QString());
}

TEST(Session, AmountsAreSummedInWholeCentimes)
{
    // A million lines of 0,10 DA sum to exactly 100 000,00 DA (a float sum drifts).
    std::vector<TransferLine> lines(1000000, TransferLine(u"1", u"0012345678", u"03", u"   0,10",
                                                          u"   0,01", u"1", u"N", u"P"));
    Session s;
    s.replaceAll(std::move(lines));
    EXPECT_EQ(s.figures().netCents, 10000000);
    EXPECT_EQ(s.figures().yieldCents, 1000000);
    EXPECT_EQ(Statistics::totalNetText(s.figures().netCents),
              QStringLiteral("Total Net:   100 000,00 DA"));
}

TEST(Session, OnlyAnExportOfTheWholeListMarksItExported)
{
    QTemporaryDir dir;
    std::vector<TransferLine> lines;
    for (int i = 0; i < 20; ++i)
        lines.emplace_back(
            u"160000100", QStringLiteral("%1").arg(i + 1, 10, 10, QChar(u'0')), u"00", u"1,00",
            u"0,00", u"110000000001",
            i < 4 ? QStringLiteral("ALI %1").arg(i) : QStringLiteral("OMAR %1").arg(i), u"P");
    for (Session::ExportKind kind : {Session::ExportKind::Text, Session::ExportKind::Workbook}) {
        Session s;
        s.replaceAll(lines);
        s.deleteRow(19);
        auto exportTo = [&](const char *name) {
            const QString path = dir.filePath(QString::fromLatin1(name));
            return kind == Session::ExportKind::Text ? s.exportText(path) : s.exportWorkbook(path);
        };
        // Four shown of nineteen: the file holds them, the list stays unexported.
        s.setFilter(WorkingList::FilterField::Name, QStringLiteral("ali"));
        ASSERT_EQ(s.list().count(), 4);
        EXPECT_TRUE(exportTo("part.out").filtered);
        EXPECT_TRUE(s.hasUnexportedChanges());
        // A filter that hides nothing, or none: the whole list is written.
        s.setFilter(WorkingList::FilterField::Name, QStringLiteral("a"));
        ASSERT_EQ(s.list().count(), 19);
        exportTo("all.out");
        EXPECT_FALSE(s.hasUnexportedChanges());
        s.setFilter(WorkingList::FilterField::None, QString());
        s.deleteRow(0);
        exportTo("all2.out");
        EXPECT_FALSE(s.hasUnexportedChanges());
    }
}

TEST(Session, UndoHistoryIsBoundedOldestStepsFirst)
{
    LineMaker make(5);
    // Steps: only the latest twenty are kept.
    {
        Session s;
        s.replaceAll(make.lines(40));
        for (int i = 0; i < 25; ++i)
            s.deleteRow(0);
        EXPECT_EQ(s.undoStack().count(), Session::UndoStepLimit);
        int undone = 0;
        while (s.canUndo()) {
            s.undo();
            ++undone;
        }
        EXPECT_EQ(undone, Session::UndoStepLimit);
        EXPECT_EQ(s.list().count(), 40 - 5);
        EXPECT_TRUE(s.undoDropped());
        // The list read can no longer be reached: it stays unexported.
        EXPECT_TRUE(s.hasUnexportedChanges());
        s.undo(); // nothing left to undo: nothing happens
        EXPECT_EQ(s.list().count(), 40 - 5);
    }
    // Memory: past the budget the oldest steps go, the latest always stays.
    {
        Session s;
        s.replaceAll(make.lines(2000));
        s.setUndoBudget(64 * 1024);
        s.deleteRow(0);  // small
        s.deleteShown(); // about 2000 lines: alone over the budget
        EXPECT_FALSE(s.undoDropped());
        EXPECT_TRUE(s.canUndo());
        s.appendLine(make.line()); // the deletion of 1999 lines goes
        EXPECT_TRUE(s.canUndo());
        s.undo();
        EXPECT_FALSE(s.canUndo());
        EXPECT_TRUE(s.undoDropped());
        EXPECT_EQ(s.list().count(), 0);
        expectSame(shown(s), oracle(s.list()), "after the bound");
    }
    // A repair or a clean records only the cells it changed, a small part of what whole
    // lines take (about 280 bytes each here), and undoes exactly.
    {
        Session s;
        const int n = 20000;
        std::vector<TransferLine> lines;
        for (int i = 0; i < n; ++i)
            lines.emplace_back(u"160000100", QStringLiteral("%1").arg(i + 1, 10, 10, QChar(u'0')),
                               u"00", u"1 234,56", u"0,00", u"110000000001",
                               u"UN NOM ASSEZ LONG POUR LA LIGNE", u"P");
        s.replaceAll(lines);
        const QStringList before = allCells(s.list());
        s.setUndoBudget(qint64(n) * 100);
        s.repairKeys(KeyKind::Rip);
        const QStringList repaired = allCells(s.list());
        s.clean();
        s.deleteRow(0); // the repair and the clean stay within the budget
        EXPECT_FALSE(s.undoDropped());
        s.undo();
        s.undo();
        EXPECT_EQ(allCells(s.list()), repaired);
        s.undo();
        EXPECT_EQ(allCells(s.list()), before);
        EXPECT_FALSE(s.hasUnexportedChanges());
        s.redo();
        EXPECT_EQ(allCells(s.list()), repaired);
        expectSame(shown(s), oracle(s.list()), "after undo and redo of a repair");
    }
}

// "Fixeé RIP" records each changed line's place and old key; undo and redo give back the
// lines exactly, on a filtered and an unfiltered list, with a deletion before or after it.
TEST(Session, KeyRepairUndoesAndRedoesExactlyWhateverTheFilter)
{
    // Accounts with a RIP key, a CCP key, a wrong key, a key with blanks, no digits, and a
    // line short of its last cells (recorded whole).
    std::vector<TransferLine> lines;
    for (int i = 0; i < 12; ++i) {
        const QString account = QStringLiteral("%1").arg(1234567 + 7919 * i, 10, 10, QChar(u'0'));
        const QString key = i % 4 == 0   ? ripKeyText(account)
                            : i % 4 == 1 ? ccpKeyText(account)
                            : i % 4 == 2 ? QStringLiteral("99")
                                         : QStringLiteral(" 7");
        lines.emplace_back(u"160000100", account, key, u"1 234,56", u"0,00", u"110000000001",
                           i % 3 ? u"BENALI Ahmed"_qs : u"CHÉRIF Réda"_qs, u"P");
    }
    lines.emplace_back(u"160000100", u"ABCDEFGHIJ", u"12", u"1,00", u"0,00", u"1", u"SANS CLE",
                       u"D");
    TransferLine shortLine;
    shortLine.setCaption(u"160000100");
    shortLine.addSubItem(u"0001234567");
    shortLine.addSubItem(u"00");
    lines.push_back(shortLine);

    struct Case {
        QString filter; // on the name; empty: none
        bool deleteBefore;
        bool deleteAfter;
    };
    const Case cases[] = {
        {QString(), false, false}, {u"cherif"_qs, false, false}, {QString(), true, false},
        {u"ben"_qs, true, false},  {QString(), false, true},     {u"ben"_qs, false, true},
    };
    for (const Case &c : cases) {
        const std::string where = c.filter.toStdString() +
                                  (c.deleteBefore ? " delete before" : "") +
                                  (c.deleteAfter ? " delete after" : "");
        Session s;
        s.replaceAll(lines);
        if (!c.filter.isEmpty()) s.setFilter(WorkingList::FilterField::Name, c.filter);
        if (c.deleteBefore) s.deleteRow(1);
        const QStringList before = allCells(s.list());
        const OracleView beforeView = shown(s);
        const Session::RepairResult r = s.repairKeys(KeyKind::Rip);
        EXPECT_GT(r.repaired, 0) << where;
        const QStringList repaired = allCells(s.list());
        EXPECT_NE(repaired, before) << where;
        expectSame(shown(s), oracle(s.list()), "after the repair, " + where);
        for (int i = 0; i < s.list().count(); ++i) {
            const TransferLine &l = s.list().line(i);
            if (l.subItemView(TransferLine::Account) == u"ABCDEFGHIJ") continue;
            EXPECT_EQ(l.subItem(TransferLine::Key),
                      ripKeyText(l.subItemView(TransferLine::Account).trimmed()))
                << where;
        }
        if (c.deleteAfter) {
            s.deleteRow(0);
            s.undo();
            EXPECT_EQ(allCells(s.list()), repaired) << where;
        }
        s.undo();
        EXPECT_EQ(allCells(s.list()), before) << where;
        expectSame(shown(s), beforeView, "after undo, " + where);
        s.redo();
        EXPECT_EQ(allCells(s.list()), repaired) << where;
        expectSame(shown(s), oracle(s.list()), "after redo, " + where);
        s.undo();
        EXPECT_EQ(allCells(s.list()), before) << where;
    }
}
