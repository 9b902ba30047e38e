#include "QtPrinters.h"
#include "support/FileBytes.h"
#include "support/XlsxBuilder.h"

#include "export/XlsxSaveFile.h"
#include "import/WorkbookReader.h"
#include "keys/LineCheck.h"
#include "model/AmountText.h"
#include "model/UserError.h"
#include "session/Session.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <limits>
#include <random>

using namespace WorkbookImport;

namespace
{

QString fixture(const char *name)
{
    return QStringLiteral(TALVORO_FIXTURES "/") + QString::fromLatin1(name);
}

// The seven cells of a line after its caption.
QStringList cells(const TransferLine &l)
{
    QStringList c;
    for (int i = 0; i < 7; ++i)
        c << l.subItem(i);
    return c;
}

// The message of the UserError thrown by f, or an empty text.
template <class F> QString errorOf(F &&f)
{
    try {
        f();
    } catch (const UserError &e) {
        return e.message();
    }
    return QString();
}

} // namespace

TEST(WorkbookImport, CellTextAndAmountRules)
{
    const SheetTexts texts{u"  Zoé  ",  u"1 234,56",   u"1234.5", u"",       u"12\u00A0345,5",
                           u"abc",      u"15/03/2024", u"1,234",  u"12,345", u"1.234",
                           u"1,234.56", u"-12.05",     u"1.2.3",  u"12,50"};
    using K = Cell::Kind;
    struct Case {
        Cell cell;
        QString text;
        bool isAmount;
        double amount;
    };
    const Case cases[] = {
        {{K::Empty, 0, -1}, QString(), true, 0},
        {{K::Number, 1234.5, -1}, QStringLiteral("1234,5"), true, 1234.5},
        {{K::Number, 12345678, -1}, QStringLiteral("12345678"), true, 12345678},
        {{K::Number, 0.1 + 0.2, -1}, QStringLiteral("0,3"), true, 0.1 + 0.2},
        {{K::Number, -5, -1}, QStringLiteral("-5"), true, -5},
        {{K::Number, 1.0 / 3, -1}, QStringLiteral("0,333333333333333"), true, 1.0 / 3},
        {{K::Number, 1e20, -1}, QStringLiteral("1E20"), true, 1e20},
        {{K::Number, 1.5e-7, -1}, QStringLiteral("1,5E-7"), true, 1.5e-7},
        {{K::Number, 123456789012345678.0, -1},
         QStringLiteral("1,23456789012346E17"),
         true,
         123456789012345678.0},
        {{K::Bool, 1, -1}, QStringLiteral("VRAI"), false, 0},
        {{K::Bool, 0, -1}, QStringLiteral("FAUX"), false, 0},
        {{K::Text, 0, 0}, QStringLiteral("  Zoé  "), false, 0},
        {{K::Text, 0, 1}, QStringLiteral("1 234,56"), true, 1234.56},
        // A lone point followed by one or two digits can only be a decimal point; more than
        // two decimals, or a point beside a comma, may mean thousands and is refused.
        {{K::Text, 0, 2}, QStringLiteral("1234.5"), true, 1234.5},
        {{K::Text, 0, 7}, QStringLiteral("1,234"), false, 0},
        {{K::Text, 0, 8}, QStringLiteral("12,345"), false, 0},
        {{K::Text, 0, 9}, QStringLiteral("1.234"), false, 0},
        {{K::Text, 0, 10}, QStringLiteral("1,234.56"), false, 0},
        {{K::Text, 0, 11}, QStringLiteral("-12.05"), true, -12.05},
        {{K::Text, 0, 12}, QStringLiteral("1.2.3"), false, 0},
        {{K::Text, 0, 13}, QStringLiteral("12,50"), true, 12.5},
        {{K::Text, 0, 3}, QString(), true, 0},
        {{K::Text, 0, 4}, QStringLiteral("12\u00A0345,5"), true, 12345.5},
        {{K::Text, 0, 5}, QStringLiteral("abc"), false, 0},
        {{K::Date, 0, 6}, QStringLiteral("15/03/2024"), false, 0},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(cellText(c.cell, texts), c.text);
        double v = -1;
        EXPECT_EQ(cellAmount(c.cell, texts, v), c.isAmount) << c.text.toStdString();
        if (c.isAmount) {
            EXPECT_DOUBLE_EQ(v, c.amount) << c.text.toStdString();
        }
    }
    EXPECT_EQ(serialDateText(45366), QStringLiteral("15/03/2024"));
    EXPECT_EQ(serialDateText(45366.5), QStringLiteral("15/03/2024 12:00:00"));
    EXPECT_EQ(serialDateText(0.75), QStringLiteral("18:00:00"));
    EXPECT_EQ(serialDateText(0, 1904, 1, 1), QStringLiteral("01/01/1904"));
}

// A workbook as an office writes it: header, number and text amounts, an empty amount, a key
// typed as a number, a blank row inside, dates, booleans, a formula, a cell beyond column 7
// and a second sheet that is not read.
TEST(WorkbookImport, ReadsTheFirstSheetFromRowTwo)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("liste.xlsx"));
    {
        XlsxBuilder b(path);
        b.text(1, 1, "Compte").text(1, 3, "Net à Payer").text(1, 6, "Nom et Prénom");
        b.text(2, 1, "0012345678").text(2, 2, "03").number(2, 3, 1234.5, true).text(2, 4, "100,25");
        b.text(2, 5, "110000000001").text(2, 6, " Zoé HÉLÈNE ").text(2, 7, "P");
        b.number(3, 1, 12345678).number(3, 2, 5).text(3, 4, " 1 000,00 ").date(3, 5, 45366);
        b.text(3, 6, "سعيد بن علي").boolean(3, 7, true);
        // row 4 left blank
        // libxlsxwriter flags its workbooks to be computed on opening: a formula's saved
        // value is a placeholder, shown in the name column as nothing.
        b.formula(5, 6, "=1000+1", 1001).number(5, 3, -12.345).date(5, 5, 45366.75, true);
        b.text(6, 9, "beyond the seven columns");
        b.nextSheet().text(1, 1, "ignored").text(40, 1, "ignored");
    }
    const SheetCells sheet = readFirstSheet(path);
    EXPECT_EQ(sheet.lastRow, 5);
    int done = 0;
    const std::vector<TransferLine> lines = toLines(sheet, path, [&](int d, int total) {
        EXPECT_EQ(total, 5);
        done = d;
    });
    EXPECT_EQ(done, 5);
    ASSERT_EQ(lines.size(), size_t(5));
    for (const TransferLine &l : lines)
        EXPECT_EQ(l.caption(), QStringLiteral("*00799999"));
    const QString zero = QStringLiteral("   0,00");
    EXPECT_EQ(cells(lines[0]), (QStringList{"0012345678", "03", "  1 234,50", "   100,25",
                                            "110000000001", " Zoé HÉLÈNE ", "P"}));
    EXPECT_EQ(cells(lines[1]), (QStringList{"12345678", "5", zero, "  1 000,00", "15/03/2024",
                                            QString::fromUtf16(u"سعيد بن علي"), "VRAI"}));
    EXPECT_EQ(cells(lines[2]), (QStringList{"", "", zero, zero, "", "", ""}));
    EXPECT_EQ(cells(lines[3]),
              (QStringList{"", "", "-   12,35", zero, "15/03/2024 18:00:00", "", ""}));
    EXPECT_EQ(cells(lines[4]), (QStringList{"", "", zero, zero, "", "", ""}));
}

TEST(WorkbookImport, UsedRangeStartingBelowRowOneIsReadToItsLastRow)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bas.xlsx"));
    XlsxBuilder(path).text(4, 2, "Compte").text(5, 1, "0000000001").text(6, 1, "0000000002");
    const std::vector<TransferLine> lines = toLines(readFirstSheet(path), path);
    ASSERT_EQ(lines.size(), size_t(5)); // rows 2 to 6
    EXPECT_EQ(lines[2].subItem(1), QStringLiteral("Compte"));
    EXPECT_EQ(lines[4].subItem(0), QStringLiteral("0000000002"));
}

// The same small list saved by a spreadsheet program as .xlsx, .ods and legacy .xls.
TEST(WorkbookImport, FixturesFromASpreadsheetProgram)
{
    for (const char *name : {"liste.xlsx", "liste.ods", "liste.xls"}) {
        SCOPED_TRACE(name);
        const QString path = fixture(name);
        const std::vector<TransferLine> lines = toLines(readFirstSheet(path), path);
        ASSERT_EQ(lines.size(), size_t(5));
        EXPECT_EQ(cells(lines[0]), (QStringList{"0012345678", "03", "  1 234,56", "   100,00",
                                                "110000000001", "Zoé HÉLÈNE", "P"}));
        EXPECT_EQ(cells(lines[1]),
                  (QStringList{"12345678", "28", "  2 500,00", "   0,00", "110000000002",
                               QString::fromUtf16(u"سعيد بن علي"), "D"}));
        EXPECT_EQ(cells(lines[2]), (QStringList{"", "", "   0,00", "   0,00", "", "", ""}));
        EXPECT_EQ(cells(lines[3]), (QStringList{"0000000004", "5", "  3 000,50", "   50,25",
                                                "15/03/2024", "ÉLODIE ÀÏT", "I"}));
        EXPECT_EQ(cells(lines[4]),
                  (QStringList{"0000000001", "09", "   0,00", "   12,00", "", "Réda SAÏD", "P"}));
    }
}

TEST(WorkbookImport, AmountThatIsNotANumberStopsTheWholeImport)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("faux.xlsx"));
    XlsxBuilder(path)
        .text(2, 1, "0012345678")
        .text(2, 2, "11")
        .number(2, 3, 10)
        .text(3, 1, "0012345678")
        .text(3, 4, "1.250");
    const QString msg = errorOf([&] { importFile(path); });
    EXPECT_EQ(
        msg, QStringLiteral("Import annulé : dans le classeur « ") + path +
                 QStringLiteral(" », feuille « Sheet1 », ligne 3, colonne 4 (Rendement), « 1.250 » "
                                "n’est pas un montant. La liste n’a pas été modifiée."));

    // A boolean or a date in an amount column is no amount either.
    XlsxBuilder(path).boolean(2, 3, true);
    EXPECT_TRUE(
        errorOf([&] { importFile(path); }).contains(QStringLiteral("colonne 3 (Net), « VRAI »")));
    XlsxBuilder(path).date(2, 4, 45366);
    EXPECT_TRUE(errorOf([&] { importFile(path); }).contains(QStringLiteral("« 15/03/2024 »")));
}

TEST(WorkbookImport, SessionChecksEveryLineOnceAllConverted)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("cles.xlsx"));
    XlsxBuilder(path)
        .text(2, 1, "0012345678")
        .text(2, 2, "03")
        .text(3, 1, "0012345678")
        .text(3, 2, "28")
        .text(4, 1, "0012345678")
        .text(4, 2, "11");
    Session session;
    session.importFile(path);
    ASSERT_EQ(session.list().count(), 3);
    EXPECT_EQ(session.list().line(0).figures.status, TransferLine::KeyStatus::Rip);
    EXPECT_EQ(session.list().line(1).figures.status, TransferLine::KeyStatus::Ccp);
    EXPECT_EQ(session.list().line(2).figures.status, TransferLine::KeyStatus::Wrong);
    EXPECT_EQ(session.errorLines(),
              QStringList{"Ligne: 3 | Compte: 0012345678 | CLE/RIP: 11 | Nom:  | Cle/RIP "
                          "erronée (attendu CLE=28 RIP=03)"});
    EXPECT_EQ(session.errorRecords().size(), size_t(1));
}

TEST(WorkbookImport, BadInputGetsAClearMessageNamingTheFile)
{
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("bon.xlsx"));
    XlsxBuilder(good).text(1, 1, "Compte").text(2, 1, "0012345678").number(2, 3, 5);
    const QByteArray xlsx = readAll(good);
    const QString header = dir.filePath(QStringLiteral("entete.xlsx"));
    XlsxBuilder(header).text(1, 1, "Compte").text(1, 2, "Clé");
    const QString empty = dir.filePath(QStringLiteral("vide.xlsx"));
    XlsxBuilder(empty).nextSheet().text(2, 1, "the second sheet is not read");

    // A zip whose parts are damaged inside.
    QByteArray scrambled = xlsx;
    for (qsizetype i = 200; i < scrambled.size() - 400; i += 7)
        scrambled[i] = char(scrambled[i] ^ 0x5A);
    // A compound file holding an encrypted package, as office programs write a protected .xlsx.
    QByteArray encrypted("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    encrypted += QByteArray(504, '\0');
    encrypted += QByteArray("E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e\0", 32);

    // A zip whose directory declares for every part far more than it holds, compressed or
    // not (at 20 and 24 in each directory record): nothing of that size may be allocated.
    auto declaring = [&xlsx](int at) {
        QByteArray bytes = xlsx;
        for (qsizetype i = bytes.indexOf("PK\x01\x02"); i >= 0;
             i = bytes.indexOf("PK\x01\x02", i + 4))
            bytes.replace(i + at, 4, QByteArray("\xF0\xFF\xFF\xEF", 4));
        return bytes;
    };

    struct Case {
        const char *name;
        QByteArray bytes; // written unless null
        QString expected; // start of the message, "%1" for the path
    };
    const QString damaged = QStringLiteral("Le classeur « %1 » est endommagé ou incomplet");
    const QString notWorkbook = QStringLiteral("Le fichier « %1 » n’est pas un classeur lisible");
    std::vector<Case> cases = {
        {"texte.xlsx", "Compte;Net\n0012345678;5\n", notWorkbook},
        {"zero.xlsx", QByteArray(""), notWorkbook},
        {"faux.xls", QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(600, 'x'),
         damaged},
        {"brouille.xlsx", scrambled, damaged}, // its directory is scrambled too
        {"protege.xlsx", encrypted,
         QStringLiteral("Le classeur « %1 » est protégé par un mot de passe.")},
        {"absent.xlsx", QByteArray(), QStringLiteral("File not found: %1")},
        {"gonfle.xlsx", declaring(24),
         QStringLiteral("Le classeur « %1 » est endommagé ou trop volumineux pour être importé : "
                        "sa partie _rels/.rels dépasse 1024 Mo")},
        {"gonfle-compresse.xlsx", declaring(20), damaged},
    };
    for (qsizetype cut : {qsizetype(10), qsizetype(100), xlsx.size() / 2, xlsx.size() - 30})
        cases.push_back({"coupe.xlsx", xlsx.left(cut), damaged});
    for (const Case &c : cases) {
        const QString path = dir.filePath(QString::fromLatin1(c.name));
        QFile::remove(path);
        if (!c.bytes.isNull()) writeAll(path, c.bytes);
        const QString msg = errorOf([&] { toLines(readFirstSheet(path), path); });
        EXPECT_TRUE(msg.startsWith(c.expected.arg(path))) << c.name << ": " << msg.toStdString();
    }
    // A sheet with only its header, or none at all, gives an empty list.
    for (const QString &path : {header, empty})
        EXPECT_TRUE(importFile(path).empty());
}

TEST(WorkbookImport, DamagedLegacyWorkbookThatUpsetsTheLibraryLeavesTheProgramRunning)
{
    // A damaged .xls on which FreeXL, the library once used, read past a buffer: it is
    // refused as damaged, naming the file.
    const QString path =
        QStringLiteral(TALVORO_FIXTURES "/../fuzz/known/freexl-iconv-overread.xls");
    const QString msg = errorOf([&] { WorkbookImport::importFile(path); });
    EXPECT_TRUE(msg.contains(QStringLiteral("freexl-iconv-overread.xls")) &&
                msg.contains(QStringLiteral("endommagé")))
        << msg.toStdString();
    // And a sound legacy workbook still reads through the same path.
    EXPECT_EQ(WorkbookImport::importFile(fixture("liste.xls")).size(), size_t(5));
}

TEST(WorkbookImport, DamagedWorkbookThatStopsTheLibraryIsReportedAsDamaged)
{
    // liborcus stops its process on a failed internal check with this damaged .ods.
    const QString path =
        QStringLiteral(TALVORO_FIXTURES "/../fuzz/known/orcus-ods-styles-assert.ods");
    try {
        WorkbookImport::importFile(path);
        ADD_FAILURE() << "a damaged workbook was read";
    } catch (const UserError &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("orcus-ods-styles-assert.ods")))
            << e.message().toStdString();
    }
}

TEST(WorkbookImport, UsedRangeClaimingAMillionRowsButHoldingThree)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("vaste.xlsx"));
    {
        XlsxBuilder b(path);
        b.text(1, 1, "Compte");
        for (int r = 2; r <= 4; ++r)
            b.text(r, 1, "0012345678").text(r, 2, "03").number(r, 3, 1234.5);
        b.blank(1000000, 7); // formatted only: the declared range reaches row 1,000,000
    }
    const std::vector<TransferLine> lines = WorkbookImport::importFile(path);
    ASSERT_EQ(lines.size(), size_t(3));
    EXPECT_EQ(lines[2].subItem(2), QStringLiteral("  1 234,50"));
}

// The same made-up list saved by real spreadsheet programs (tests/fixtures/programs, made by
// make-fixtures.py): every cell as the program meant it, or a refusal that says where and why.
TEST(WorkbookImport, WorkbooksSavedBySpreadsheetPrograms)
{
    auto amount = [](double v) { return AmountText::format(v); };
    const QString arabic = QString::fromUtf16(u"سعيد بن علي");
    const std::vector<QStringList> list = {
        {"0012345678", "03", amount(1234.56), amount(100), "110000000001", "Zoé HÉLÈNE", "P"},
        {"12345678", "28", amount(2500), amount(0), "110000000002", arabic, "D"},
        {"0000000004", "5", amount(3000.5), amount(50.01), "15/03/2024", "ÉLODIE ÀÏT", "I"},
        {"0000000001", "09", amount(0), amount(12), "", "Réda SAÏD", "P"},
        {"0012345678", "03", amount(10), amount(0), "110000000003", "Inès KARIM-OULD", ""},
    };
    const std::vector<QStringList> small = {
        {"0012345678", "03", amount(1234.56), amount(100), "110000000001", "Zoé HÉLÈNE", "P"},
        {"12345678", "28", amount(2500), amount(0), "110000000002", "Réda SAÏD", "D"},
    };
    const QString netError = QStringLiteral(
        " », feuille « Feuil1 », ligne 3, colonne 3 (Net), la cellule donne l’erreur « #N/A ». "
        "La liste n’a pas été modifiée.");
    struct Case {
        const char *name;
        std::vector<QStringList> rows; // expected when refusal is empty
        QString refusal;               // the end of the message, after the path
    };
    const std::vector<Case> cases = {
        // Gnumeric: inline strings, formula results, ODS named ranges, .xls formulas.
        {"gnumeric.xlsx", list, {}},
        {"gnumeric.ods", list, {}},
        {"gnumeric.xls", list, {}},
        {"libreoffice.xlsx", list, {}},
        {"libreoffice.ods", list, {}},
        {"libreoffice.xls", list, {}},
        // Rich text runs, an amount typed as text, and a formula whose value XlsxWriter was
        // given: the workbook is flagged to be computed on opening, so that value is a
        // placeholder as far as the reader can tell, and refused.
        {"xlsxwriter.xlsx",
         {},
         QStringLiteral(" », feuille « Paie », ligne 2, colonne 3 (Net), la formule n’a pas de "
                        "résultat enregistré")},
        // Empty shared strings stay empty.
        {"openpyxl-vides.xlsx",
         {{"0012345678", "03", amount(5), amount(0), "110000000001", "Zoé HÉLÈNE", "P"},
          {"0012345678", "", amount(6), amount(0), "", "Zoé HÉLÈNE", ""},
          {"", "28", amount(0), amount(7), "110000000002", "", "D"}},
         {}},
        // The first sheet by position is read, hidden or not; here it is empty.
        {"gnumeric-feuille-cachee.xlsx", {}, {}},
        {"xlsxwriter-entete.xlsx", {}, {}},
        {"gnumeric-erreur.xlsx", {}, netError},
        {"gnumeric-erreur.ods", {}, netError},
        {"gnumeric-erreur.xls", {}, netError},
        {"libreoffice-erreur.ods", {}, netError},
        {"openpyxl-formules.xlsx",
         {},
         QStringLiteral(" », feuille « Feuil1 », ligne 3, colonne 3 (Net), la formule n’a pas de "
                        "résultat enregistré")},
        // Constants saved as .xls: an error (what "paste values" of a lookup gives) and a
        // boolean, refused where they are, never read as 1.
        {"libreoffice-erreur-constante.xls", {}, netError},
        {"gnumeric-booleen.xls",
         {},
         QStringLiteral(" », feuille « Feuil1 », ligne 3, colonne 5 (NumAss), la cellule contient "
                        "la valeur logique « VRAI »")},
        // A carriage return stored as "_x000D_" is decoded, then refused.
        {"xlsxwriter-controle.xlsx",
         {},
         QStringLiteral(" », feuille « Feuil1 », ligne 3, colonne 6 (NomPrenom), le texte contient "
                        "un caractère de contrôle (U+000D)")},
        // A chart sheet first: the first worksheet is read.
        {"xlsxwriter-feuille-graphique.xlsx", small, {}},
        // Charts inside the sheet are passed over.
        {"gnumeric-graphique.xls", small, {}},
        {"libreoffice-graphique.xls", small, {}},
        // Formulas left to be computed on opening hold placeholders, not results.
        {"xlsxwriter-recalcul.xlsx",
         {},
         QStringLiteral(" », feuille « Feuil1 », ligne 3, colonne 3 (Net), la formule n’a pas de "
                        "résultat enregistré")},
        {"gnumeric-texte-vide.xls",
         {small[0], {"12345678", "28", amount(2500), amount(0), "110000000002", "Réda SAÏD", ""}},
         {}},
        // Amounts left as text: a decimal point alone, a decimal comma with a space.
        {"openpyxl-montants-texte.xlsx",
         {{"0012345678", "03", amount(1234.5), amount(100), "110000000001", "Zoé HÉLÈNE", "P"},
          {"12345678", "28", amount(2500.05), amount(0), "110000000002", "Réda SAÏD", "D"}},
         {}},
        {"cellule-300-mo.xlsx",
         {},
         QStringLiteral(" » ne peut pas être importé : feuille « Sheet1 », ligne 2, colonne 6, une "
                        "cellule contient plus de 32 767 caractères.")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = fixture("programs/") + QString::fromLatin1(c.name);
        try {
            const std::vector<TransferLine> lines = importFile(path);
            EXPECT_TRUE(c.refusal.isEmpty()) << "read, not refused";
            ASSERT_EQ(lines.size(), c.rows.size());
            for (size_t r = 0; r < lines.size(); ++r) {
                EXPECT_EQ(lines[r].caption(), TransferLine::DefaultCaption);
                EXPECT_EQ(cells(lines[r]), c.rows[r]) << "row " << r + 2;
            }
        } catch (const UserError &e) {
            EXPECT_FALSE(c.refusal.isEmpty()) << e.message().toStdString();
            const QString start = e.message().startsWith(u"Import")
                                      ? QStringLiteral("Import annulé : dans le classeur « ")
                                      : QStringLiteral("Le classeur « ");
            EXPECT_TRUE(e.message().startsWith(start + path + c.refusal))
                << e.message().toStdString();
        }
    }
}

// A cell of the account, key, amount or insurance columns that gives no value refuses the
// import; the name and contract type show what the program shows.
TEST(WorkbookImport, CellsWithoutAValueAreRefusedWhereMoneyDependsOnThem)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("valeurs.xlsx"));
    struct Case {
        int col;
        std::function<void(XlsxBuilder &)> write;
        QString found; // empty: read
    };
    const std::vector<Case> cases = {
        {3, [](XlsxBuilder &b) { b.number(2, 3, 99999999999.99); }, {}},
        {3, [](XlsxBuilder &b) { b.number(2, 3, 100000000000.0); },
         QStringLiteral("le montant « 100000000000 » dépasse 13 chiffres de centimes")},
        {4, [](XlsxBuilder &b) { b.text(2, 4, "-100 000 000 000,00"); },
         QStringLiteral("le montant « -100 000 000 000,00 » dépasse 13 chiffres de centimes")},
        {3, [](XlsxBuilder &b) { b.number(2, 3, std::numeric_limits<double>::infinity()); },
         QStringLiteral("« inf » n’est pas un nombre fini")},
        {1, [](XlsxBuilder &b) { b.number(2, 1, std::numeric_limits<double>::quiet_NaN()); },
         QStringLiteral("« nan » n’est pas un nombre fini")},
    };
    for (const Case &c : cases) {
        {
            XlsxBuilder b(path);
            b.text(2, 6, "NOM");
            c.write(b);
        }
        const QString msg = errorOf([&] { importFile(path); });
        if (c.found.isEmpty())
            EXPECT_TRUE(msg.isEmpty()) << msg.toStdString();
        else
            EXPECT_TRUE(msg.contains(QStringLiteral("ligne 2, colonne %1 (").arg(c.col)) &&
                        msg.contains(c.found))
                << msg.toStdString();
    }
}

// The reader process ends with a clear message when it goes past its limits, and the
// caller can stop it.
TEST(WorkbookImport, ReaderProcessLimitsAndCancel)
{
    const QString big = fixture("programs/cellule-300-mo.xlsx");
    const QString small = fixture("programs/gnumeric.xlsx");
    ReaderReport report;
    EXPECT_EQ(importFile(small, {}, {}, &report).size(), size_t(5));
    EXPECT_GT(report.peakMemoryKb, 0);

#if !defined(__SANITIZE_ADDRESS__) // the sanitizer's reader runs without a memory limit
    EXPECT_EQ(
        errorOf([&] {
            readFirstSheet(big, {}, ReaderLimits{120, 200});
        }),
        QStringLiteral("Le classeur « ") + big +
            QStringLiteral(" » est trop volumineux pour être importé : sa lecture demandait plus "
                           "de 200 Mo de mémoire. La liste n’a pas été modifiée."));
#endif
    EXPECT_EQ(
        errorOf([&] {
            readFirstSheet(big, {}, ReaderLimits{0, 1024});
        }),
        QStringLiteral("La lecture du classeur « ") + big +
            QStringLiteral(" » a été arrêtée après 0 secondes : le fichier est trop volumineux ou "
                           "endommagé. La liste n’a pas été modifiée."));

    int calls = 0;
    EXPECT_THROW(readFirstSheet(big, [&](int) { return ++calls < 3; }), Cancelled);
    EXPECT_EQ(calls, 3);

    setReaderProgram(QStringLiteral("/nonexistent/talvoro-reader"));
    const QString missing = errorOf([&] { readFirstSheet(small); });
    setReaderProgram(QStringLiteral(TALVORO_READER_PATH));
    EXPECT_EQ(
        missing,
        QStringLiteral("Le programme de lecture des classeurs « /nonexistent/talvoro-reader » est "
                       "introuvable ou ne démarre pas. Réinstallez Talvoro CCP."));
}

// A workbook whose structure is damaged is refused, naming the row, never read as another
// list: rows repeated or out of order, a cell outside its row, numbers past the sheet.
TEST(WorkbookImport, MalformedSheetsAreRefusedNamingTheRow)
{
    const std::pair<const char *, const char *> cases[] = {
        {"abime-ligne-repetee.xlsx", "ligne 2 : ligne répétée ou hors d’ordre"},
        {"abime-ligne-decroissante.xlsx", "ligne 4 : cellule « A1 » hors de sa ligne"},
        {"abime-cellule-c0.xlsx", "ligne 2 : référence de cellule « C0 »"},
        {"abime-cellule-hors-ligne.xlsx", "ligne 3 : cellule « E5 » hors de sa ligne"},
        {"abime-ligne-absurde.xlsx", "ligne 3 : numéro de ligne « 99999999 » hors de la feuille"},
    };
    for (const auto &[name, detail] : cases) {
        SCOPED_TRACE(name);
        const QString path = fixture("programs/") + QString::fromLatin1(name);
        const QString msg = errorOf([&] { importFile(path); });
        EXPECT_TRUE(msg.startsWith(QStringLiteral("Le classeur « ") + path +
                                   QStringLiteral(" » est endommagé")))
            << msg.toStdString();
        EXPECT_TRUE(msg.contains(QString::fromUtf8(detail))) << msg.toStdString();
    }
}

// Bytes changed anywhere in an .xls give the list as it was (the change fell where nothing is
// read) or a refusal, never a list of other rows or other filled cells.
TEST(WorkbookImport, DamagedXlsIsRefusedNeverReadShortOrShifted)
{
    QTemporaryDir dir;
    auto shape = [](const std::vector<TransferLine> &lines) {
        QStringList filled;
        for (const TransferLine &l : lines) {
            QString row;
            for (int i = 0; i < 7; ++i)
                row += l.subItem(i).trimmed().isEmpty() ? u'.' : u'x';
            filled << row;
        }
        return filled;
    };
    for (const char *name : {"gnumeric.xls", "libreoffice.xls"}) {
        SCOPED_TRACE(name);
        const QString source = fixture("programs/") + QString::fromLatin1(name);
        const QByteArray bytes = readAll(source);
        const QStringList expected = shape(importFile(source));
        std::mt19937 random(25);
        for (int copy = 0; copy < 40; ++copy) {
            QByteArray changed = bytes;
            for (int flip = 0; flip < 3; ++flip) {
                const qsizetype at = qsizetype(random() % uint32_t(changed.size()));
                changed[at] = char(changed[at] ^ char(1 + random() % 255));
            }
            const QString path = dir.filePath(QStringLiteral("abime-%1.xls").arg(copy));
            writeAll(path, changed);
            try {
                EXPECT_EQ(shape(importFile(path)), expected) << "copy " << copy;
            } catch (const UserError &e) {
                EXPECT_TRUE(e.message().contains(path)) << e.message().toStdString();
            }
        }
    }
}

// Texts holding what looks like an escape, or characters the format escapes, come back as
// they were written.
TEST(WorkbookImport, TextsWithEscapeLikeSequencesRoundTrip)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("echappements.xlsx"));
    const QStringList texts = {QStringLiteral("BENALI_x000D_AMINA"), QStringLiteral("_x005F_"),
                               QStringLiteral("A_x0041_B_xZZZZ_"), QStringLiteral("_x00e9__x"),
                               QStringLiteral("Zoé _X0041_")};
    {
        XlsxSaveFile book(path);
        book.addSheet(QStringLiteral("Feuil1"));
        book.text(0, 0, u"Compte");
        for (int r = 0; r < texts.size(); ++r) {
            book.text(r + 1, 0, u"0012345678");
            book.text(r + 1, 5, texts[r]);
        }
        book.commit();
    }
    const std::vector<TransferLine> lines = importFile(path);
    ASSERT_EQ(lines.size(), size_t(texts.size()));
    for (int r = 0; r < texts.size(); ++r)
        EXPECT_EQ(lines[size_t(r)].subItem(5), texts[r]);
}
