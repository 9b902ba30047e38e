#include <QDir>
#include "PdfText.h"
#include "QtPrinters.h"
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {
struct CliRun {
    int status;
    QString out, err;
};

CliRun cli(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(TALVORO_CLI_PATH), args);
    p.waitForFinished(30000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}
} // namespace

TEST(Cli, KeysPrintsBothKeysAndReportsBadAccounts)
{
    CliRun r = cli({QStringLiteral("keys"), QStringLiteral("0012345678"), QStringLiteral("7")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, QStringLiteral("0012345678\t28\t03\n7\t28\t88\n"));

    r = cli({QStringLiteral("keys"), QStringLiteral("12-34"), QStringLiteral("0000000001")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, QStringLiteral("0000000001\t04\t09\n"));
    EXPECT_TRUE(r.err.contains(QStringLiteral("'-' is not a valid integer value"))) << r.err.toStdString();
}

TEST(Cli, WordsInBothLanguagesAndBothDecimalMarks)
{
    CliRun r = cli({QStringLiteral("words"), QStringLiteral("1234.56"), QStringLiteral("0,50")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, QStringLiteral("Mille deux cent trente-quatre dinars et cinquante-six centimes\n"
                                    "Zéro dinar et cinquante centimes\n"));
    r = cli({QStringLiteral("words"), QStringLiteral("--lang"), QStringLiteral("AR"), QStringLiteral("2")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, QChar(0x202B) + QString::fromUtf16(u"اثنان دينار") + QChar(0x202C) + u'\n');
}

TEST(Cli, UsageErrorsExitWithTwo)
{
    const QList<QStringList> bad = {
        {},
        {QStringLiteral("frobnicate")},
        {QStringLiteral("keys")},
        {QStringLiteral("words")},
        {QStringLiteral("words"), QStringLiteral("douze")},
        {QStringLiteral("words"), QStringLiteral("--lang")},
    };
    for (const QStringList &args : bad) {
        const CliRun r = cli(args);
        EXPECT_EQ(r.status, 2) << args.join(u' ').toStdString();
        EXPECT_FALSE(r.err.isEmpty());
    }
    for (const char *cmd : {"keys", "words"}) {
        const CliRun r = cli({QString::fromLatin1(cmd), QStringLiteral("--help")});
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(r.out.startsWith(QStringLiteral("Usage: talvoro-cli ")));
    }
    EXPECT_EQ(cli({QStringLiteral("--version")}).out, QStringLiteral("talvoro-cli 1.0.0.0\n"));
}

TEST(Cli, CheckReportsCountersTotalsAndErrors)
{
    CliRun r = cli({QStringLiteral("check"), QStringLiteral(TALVORO_FIXTURES "/small.txt")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, QStringLiteral("Lignes: 6\nRIP: 2\nCLE: 2\nERR: 2\n"
                                    "Total Net:   53 069,62 DA\n"
                                    "Total Rend:    350,25 DA\n"
                                    "Total General:   53 419,87 DA\n"
                                    "Ligne: 3 | Compte: 0000000004 | CLE/RIP: 11 | Nom: NOM PRENOM | "
                                    "Cle/RIP erronée (attendu CLE=16 RIP=97)\n"
                                    "Ligne: 6 | Compte: 0000000001 | CLE/RIP: 4 | Nom: SAÏD Réda | "
                                    "Cle/RIP erronée (attendu CLE=04 RIP=09)\n"));

    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("good.txt"));
    QFile f(good);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("160000100001234567803\r\n");
    f.close();
    r = cli({QStringLiteral("check"), good});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("Lignes: 1\nRIP: 1\nCLE: 0\nERR: 0\n")));

    const QString bad = dir.filePath(QStringLiteral("bad.txt"));
    QFile g(bad);
    ASSERT_TRUE(g.open(QIODevice::WriteOnly));
    g.write("\xff\xfe");
    g.close();
    r = cli({QStringLiteral("check"), bad});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, QStringLiteral("No mapping for the Unicode character exists in the target "
                                    "multi-byte code page\n"));
    r = cli({QStringLiteral("check"), dir.filePath(QStringLiteral("none.txt"))});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("File not found: ")));
}

TEST(Cli, ExportTxtWritesTheTransferFile)
{
    QTemporaryDir dir;
    // The fixture's one key of one character is refused by name, not written as "04".
    CliRun r = cli({QStringLiteral("export-txt"), QStringLiteral(TALVORO_FIXTURES "/small.txt"),
                    QStringLiteral("--code"), QStringLiteral(" A12 "), QStringLiteral("--dir"), dir.path()});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Ligne 6 : CLE/RIP « 4 » (pas deux chiffres)"))) << r.err.toStdString();
    const QString path = dir.filePath(QStringLiteral("Fichier Txt/Liste_Nominative_A12.txt"));
    EXPECT_FALSE(QFile::exists(path));

    QFile source(QStringLiteral(TALVORO_FIXTURES "/small.txt"));
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const QByteArray fixed = source.readAll().replace("00000000014 ", "000000000109");
    const QString input = dir.filePath(QStringLiteral("liste.txt"));
    QFile in(input);
    ASSERT_TRUE(in.open(QIODevice::WriteOnly));
    in.write(fixed);
    in.close();
    r = cli({QStringLiteral("export-txt"), input, QStringLiteral("--code"), QStringLiteral(" A12 "),
             QStringLiteral("--dir"), dir.filePath(QStringLiteral("new"))});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    const QString written = dir.filePath(QStringLiteral("new/Fichier Txt/Liste_Nominative_A12.txt"));
    EXPECT_EQ(r.out, QDir::toNativeSeparators(written) + u'\n');
    QFile out(written);
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_EQ(out.readAll(), "\xEF\xBB\xBF" + fixed);

    r = cli({QStringLiteral("export-txt"), QStringLiteral(TALVORO_FIXTURES "/small.txt"), QStringLiteral("--code"),
             QStringLiteral("../x"), QStringLiteral("--dir"), dir.path()});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Export annulé.")));
    r = cli({QStringLiteral("export-txt"), QStringLiteral(TALVORO_FIXTURES "/small.txt")});
    EXPECT_EQ(r.status, 2);
}

TEST(Cli, ReportWritesTheListAndTheErrorsAsPdf)
{
    QTemporaryDir dir;
    const QString small = QStringLiteral(TALVORO_FIXTURES "/small.txt");
    const QString list = dir.filePath("liste.pdf");
    CliRun r = cli({"report", "list", small, "--pdf", list, "--place",
                    QString::fromUtf16(u"بلدية تالفورو\\nDirection X")});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "RIP corrected for all items.\n" + list + ": 1 page\n");
    QString text = pdfText(list);
    for (const QString &s :
         {QString::fromUtf16(u"بلدية تالفورو"), QStringLiteral("Direction X"),
          QStringLiteral("0012345678/03"), QStringLiteral("Nb Ligne : 6"),
          QStringLiteral("53 069,62"), QStringLiteral("Agents Permanents (P) : 3"),
          QStringLiteral("Cinquante-trois mille soixante-neuf dinars"),
          QString::fromUtf16(u"Zoé HÉLÈNE"), QStringLiteral("Page 1 - 1")})
        EXPECT_TRUE(text.contains(s)) << s.toStdString() << "\n" << text.toStdString();

    const QString errors = dir.filePath("erreurs.pdf");
    r = cli({"report", "errors", small, "--pdf=" + errors});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    text = pdfText(errors);
    for (const QString &s : {QStringLiteral("Rapport Des Erreur"), QStringLiteral("16 - 97"),
                             QStringLiteral("04 - 09"), QStringLiteral("Nombre De Ligne : ( 2 )"),
                             QStringLiteral("Total Global : 3 100,50")})
        EXPECT_TRUE(text.simplified().contains(s)) << s.toStdString() << "\n" << text.toStdString();
}

TEST(Cli, ReportRefusesBadRequestsAndSaysWhenThereIsNothingToPrint)
{
    QTemporaryDir dir;
    const QString small = QStringLiteral(TALVORO_FIXTURES "/small.txt");
    QFile empty(dir.filePath("vide.txt"));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    QFile good(dir.filePath("juste.txt"));
    ASSERT_TRUE(good.open(QIODevice::WriteOnly));
    good.write("16000010000123456780300000001234560000000010000110000000001ALI BEN                 "
               "   P\r\n");
    good.close();
    const QString out = dir.filePath("x.pdf");
    struct Case {
        QStringList args;
        int status;
        QString message;
    };
    const std::vector<Case> cases = {
        {{"report", "list", small}, 2, "--pdf OUT is required"},
        {{"report", "frob", small, "--pdf", out}, 2, "give list or errors"},
        {{"report", "list", small, "--pdf"}, 2, "--pdf needs a value"},
        {{"report", "list", small, "--pdf", out, "--bogus"}, 2, "unknown option"},
        {{"report", "list", dir.filePath("absent.txt"), "--pdf", out}, 2, "File not found"},
        {{"report", "list", small, "--pdf", dir.filePath("no/such/folder/x.pdf")}, 2, "PDF"},
        {{"report", "list", empty.fileName(), "--pdf", out},
         1,
         QString::fromUtf16(u"لا توجد بيانات للطباعة")},
        {{"report", "errors", good.fileName(), "--pdf", out},
         1,
         QString::fromUtf16(u"Il n'y a aucune erreur à afficher.")},
    };
    for (const Case &c : cases) {
        const CliRun r = cli(c.args);
        EXPECT_EQ(r.status, c.status) << c.args.join(u' ').toStdString();
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
        EXPECT_FALSE(QFile::exists(out)) << c.args.join(u' ').toStdString();
    }
}

TEST(Cli, WorkbooksAreReadAndWritten)
{
    // check and export-txt take the three kinds of workbook.
    for (const char *name : {"liste.xlsx", "liste.ods", "liste.xls"}) {
        const CliRun r = cli({QStringLiteral("check"), QStringLiteral(TALVORO_FIXTURES "/") + QString::fromLatin1(name)});
        EXPECT_EQ(r.status, 1) << name;
        EXPECT_TRUE(r.out.startsWith(QStringLiteral("Lignes: 5\nRIP: 2\nCLE: 1\nERR: 2\n"
                                                    "Total Net:   6 735,06 DA\n")))
            << r.out.toStdString();
    }
    QTemporaryDir dir;
    // The fixture holds an empty row and a date as insurance number: refused by name, never
    // written as zeros or as the date's text.
    CliRun r = cli({QStringLiteral("export-txt"), QStringLiteral(TALVORO_FIXTURES "/liste.ods"), QStringLiteral("--code"),
                    QStringLiteral("W"), QStringLiteral("--dir"), dir.path()});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Ligne 3 : Compte vide"))) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("NumAss « 15/03/2024 » (pas uniquement des chiffres)")));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("Fichier Txt/Liste_Nominative_W.txt"))));

    // export-xlsx repairs the keys and writes the workbook the window would write.
    r = cli({QStringLiteral("export-xlsx"), QStringLiteral(TALVORO_FIXTURES "/small.txt"), QStringLiteral("--code"),
             QStringLiteral(" B7 "), QStringLiteral("--dir"), dir.path()});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    const QString prefix = QDir::toNativeSeparators(dir.filePath(QStringLiteral("Fichier Excel/Liste Nominative_B7_")));
    EXPECT_TRUE(r.out.startsWith(prefix) && r.out.endsWith(QStringLiteral(".xlsx\n"))) << r.out.toStdString();
    const QString written = r.out.trimmed();
    r = cli({QStringLiteral("check"), written});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("Lignes: 6\nRIP: 6\nCLE: 0\nERR: 0\nTotal Net:   53 069,62 DA\n")))
        << r.out.toStdString();

    // Refused code, missing option, unreadable workbook.
    r = cli({QStringLiteral("export-xlsx"), QStringLiteral(TALVORO_FIXTURES "/small.txt"), QStringLiteral("--code"),
             QStringLiteral("a/b"), QStringLiteral("--dir"), dir.path()});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Export annulé.")));
    EXPECT_EQ(cli({QStringLiteral("export-xlsx"), QStringLiteral(TALVORO_FIXTURES "/small.txt")}).status, 2);
    r = cli({QStringLiteral("check"), QStringLiteral(TALVORO_FIXTURES "/small.txt.xlsx")});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("File not found: ")));
    const QString fake = dir.filePath(QStringLiteral("faux.xlsx"));
    QFile f(fake);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a workbook");
    f.close();
    r = cli({QStringLiteral("check"), fake});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("n’est pas un classeur lisible"))) << r.err.toStdString();
}

TEST(Cli, ReportReadsWorkbooksToo)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("liste.pdf"));
    const CliRun r = cli({QStringLiteral("report"), QStringLiteral("list"),
                          QStringLiteral(TALVORO_FIXTURES "/liste.xlsx"), QStringLiteral("--pdf"), out});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(pdfText(out).contains(QStringLiteral("Nb Ligne : 5")));
}

// A list saved by each spreadsheet program reads to the same figures as the transfer file
// it came from; a workbook that cannot be read right is refused with exit status 2 and
// nothing written.
TEST(Cli, WorkbooksFromEverySpreadsheetProgramCheckLikeTheirTextFile)
{
    const QString folder = QStringLiteral(TALVORO_FIXTURES "/programs/");
    const CliRun text = cli({QStringLiteral("check"), folder + QStringLiteral("liste.txt")});
    ASSERT_EQ(text.status, 1); // one line's key is wrong
    ASSERT_TRUE(text.out.startsWith(QStringLiteral("Lignes: 5\n"))) << text.out.toStdString();
    for (const char *name : {"gnumeric.xlsx", "gnumeric.ods", "gnumeric.xls", "libreoffice.xlsx",
                             "libreoffice.ods", "libreoffice.xls"}) {
        SCOPED_TRACE(name);
        const CliRun r = cli({QStringLiteral("check"), folder + QString::fromLatin1(name)});
        EXPECT_EQ(r.status, text.status) << r.err.toStdString();
        EXPECT_EQ(r.out, text.out);
    }
    QTemporaryDir dir;
    const CliRun refused = cli({QStringLiteral("export-txt"), folder + QStringLiteral("gnumeric-erreur.xlsx"),
                                QStringLiteral("--code"), QStringLiteral("A1"), QStringLiteral("--dir"), dir.path()});
    EXPECT_EQ(refused.status, 2);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("la formule donne l’erreur « #N/A »"))) << refused.err.toStdString();
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot).isEmpty() &&
                QDir(dir.path()).entryList(QDir::AllDirs | QDir::NoDotAndDotDot).size() <= 1);
}
