#include "Cli.h"
#include "PdfText.h"

#include "QtPrinters.h"
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{
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
    EXPECT_TRUE(r.err.contains(QStringLiteral("'-' is not a valid integer value")))
        << r.err.toStdString();
}

TEST(Cli, WordsInBothLanguagesAndBothDecimalMarks)
{
    CliRun r = cli({QStringLiteral("words"), QStringLiteral("1234.56"), QStringLiteral("0,50")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              QStringLiteral("Mille deux cent trente-quatre dinars et cinquante-six centimes\n"
                             "Zéro dinar et cinquante centimes\n"));
    r = cli({QStringLiteral("words"), QStringLiteral("--lang"), QStringLiteral("AR"),
             QStringLiteral("2")});
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

// Every command of the table has its entry in the general help and its own help, asked
// either way; an unknown command or option is told by name, with exit status 2.
TEST(Cli, HelpListsEveryCommandAndUnknownWordsAreRefused)
{
    const CliRun help = cli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(cli({"-h"}).out, help.out);
    EXPECT_EQ(cli({"help"}).out, help.out);
    const QStringList names = cliCommandNames();
    EXPECT_EQ(names.size(), 8);
    for (const QString &name : names) {
        SCOPED_TRACE(name.toStdString());
        EXPECT_TRUE(help.out.contains("\n  " + name + ' ')) << help.out.toStdString();
        const CliRun own = cli({name, "--help"});
        EXPECT_EQ(own.status, 0);
        EXPECT_TRUE(own.out.startsWith("Usage: talvoro-cli " + name + ' '))
            << own.out.toStdString();
        EXPECT_EQ(cli({"help", name}).out, own.out);
        const CliRun bogus = cli({name, "x", "--bogus"});
        EXPECT_EQ(bogus.status, 2);
        EXPECT_TRUE(bogus.out.isEmpty());
        EXPECT_TRUE(bogus.err.startsWith("talvoro-cli: " + name + ": unknown option '--bogus'\n\n" +
                                         own.out))
            << bogus.err.toStdString();
    }
    const std::vector<std::pair<QStringList, QString>> refused = {
        {{}, "no command given"},
        {{"frobnicate"}, "unknown command 'frobnicate'"},
        {{"help", "frobnicate"}, "unknown command 'frobnicate'"},
        {{"--bogus", "keys"}, "unknown option '--bogus'"},
    };
    for (const auto &[args, message] : refused) {
        const CliRun r = cli(args);
        EXPECT_EQ(r.status, 2) << args.join(u' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_EQ(r.err, "talvoro-cli: " + message + "\n\n" + help.out);
    }
    // An amount or an account may start with a minus sign: it is not an option.
    CliRun r = cli({"words", "-1", "--lang", "FR"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("Moins un dinar\n"));
    r = cli({"keys", "-5"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, QStringLiteral("-5: '-' is not a valid integer value\n"));
}

TEST(Cli, CheckReportsCountersTotalsAndErrors)
{
    CliRun r = cli({QStringLiteral("check"), QStringLiteral(TALVORO_FIXTURES "/small.txt")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out,
              QStringLiteral("Lignes: 6\nRIP: 2\nCLE: 2\nERR: 2\n"
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

    // An insurance number that lost its leading zero is a warning, not an error.
    const QString shortNumber = dir.filePath(QStringLiteral("short.txt"));
    QFile h(shortNumber);
    ASSERT_TRUE(h.open(QIODevice::WriteOnly));
    h.write("1600001000012345678030000000010000000000000000085462539037 NOM PRENOM"
            "                 P\r\n");
    h.close();
    r = cli({QStringLiteral("check"), shortNumber});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.endsWith(QStringLiteral(
        "NumAss de moins de 12 chiffres (zéros de tête perdus ?) : 1 ligne(s) : 1\n")))
        << r.out.toStdString();

    const QString bad = dir.filePath(QStringLiteral("bad.txt"));
    QFile g(bad);
    ASSERT_TRUE(g.open(QIODevice::WriteOnly));
    g.write("\xff\xfe");
    g.close();
    r = cli({QStringLiteral("check"), bad});
    EXPECT_EQ(r.status, 2);
    // Its first bytes are a UTF-16 byte order mark.
    EXPECT_EQ(r.err, QStringLiteral("Le fichier « ") + bad +
                         QStringLiteral(" » n’est pas un fichier de virements : son texte est en "
                                        "UTF-16 ou UTF-32, pas en UTF-8. Rien n’a été importé.\n"));
    r = cli({QStringLiteral("check"), dir.filePath(QStringLiteral("none.txt"))});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("File not found: ")));
}

TEST(Cli, ExportTxtWritesTheTransferFile)
{
    QTemporaryDir dir;
    // The fixture's one key of one character is refused by name, not written as "04".
    CliRun r = cli({QStringLiteral("export-txt"), QStringLiteral(TALVORO_FIXTURES "/small.txt"),
                    QStringLiteral("--code"), QStringLiteral(" A12 "), QStringLiteral("--dir"),
                    dir.path()});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Ligne 6 : CLE/RIP « 4 » (pas deux chiffres)")))
        << r.err.toStdString();
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
    const QString written =
        dir.filePath(QStringLiteral("new/Fichier Txt/Liste_Nominative_A12.txt"));
    EXPECT_EQ(r.out, QDir::toNativeSeparators(written) + u'\n');
    QFile out(written);
    ASSERT_TRUE(out.open(QIODevice::ReadOnly));
    EXPECT_EQ(out.readAll(), "\xEF\xBB\xBF" + fixed);

    r = cli({QStringLiteral("export-txt"), QStringLiteral(TALVORO_FIXTURES "/small.txt"),
             QStringLiteral("--code"), QStringLiteral("../x"), QStringLiteral("--dir"),
             dir.path()});
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
    // A line that cannot be repaired is told as the window tells it, not as "all items".
    r = cli({"report", "list", QStringLiteral(TALVORO_FIXTURES "/liste.ods"), "--pdf",
             dir.filePath("partielle.pdf")});
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("RIP corrigé pour ")) &&
                r.out.contains(QStringLiteral("n’ont pas pu être corrigées")))
        << r.out.toStdString();
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
        const CliRun r = cli({QStringLiteral("check"),
                              QStringLiteral(TALVORO_FIXTURES "/") + QString::fromLatin1(name)});
        EXPECT_EQ(r.status, 1) << name;
        EXPECT_TRUE(r.out.startsWith(QStringLiteral("Lignes: 5\nRIP: 2\nCLE: 1\nERR: 2\n"
                                                    "Total Net:   6 735,06 DA\n")))
            << r.out.toStdString();
    }
    QTemporaryDir dir;
    // The fixture holds an empty row and a date as insurance number: refused by name, never
    // written as zeros or as the date's text.
    CliRun r =
        cli({QStringLiteral("export-txt"), QStringLiteral(TALVORO_FIXTURES "/liste.ods"),
             QStringLiteral("--code"), QStringLiteral("W"), QStringLiteral("--dir"), dir.path()});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Ligne 3 : Compte vide"))) << r.err.toStdString();
    EXPECT_TRUE(
        r.err.contains(QStringLiteral("NumAss « 15/03/2024 » (pas uniquement des chiffres)")));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("Fichier Txt/Liste_Nominative_W.txt"))));

    // export-xlsx repairs the keys and writes the workbook the window would write.
    r = cli({QStringLiteral("export-xlsx"), QStringLiteral(TALVORO_FIXTURES "/small.txt"),
             QStringLiteral("--code"), QStringLiteral(" B7 "), QStringLiteral("--dir"),
             dir.path()});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    const QString prefix = QDir::toNativeSeparators(
        dir.filePath(QStringLiteral("Fichier Excel/Liste Nominative_B7_")));
    ASSERT_TRUE(r.out.startsWith(QStringLiteral("RIP corrected for all items.\n")))
        << r.out.toStdString();
    const QString written = r.out.trimmed().section(u'\n', -1);
    EXPECT_TRUE(written.startsWith(prefix) && written.endsWith(QStringLiteral(".xlsx")))
        << r.out.toStdString();
    r = cli({QStringLiteral("check"), written});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.startsWith(
        QStringLiteral("Lignes: 6\nRIP: 6\nCLE: 0\nERR: 0\nTotal Net:   53 069,62 DA\n")))
        << r.out.toStdString();

    // Refused code, missing option, unreadable workbook.
    r = cli({QStringLiteral("export-xlsx"), QStringLiteral(TALVORO_FIXTURES "/small.txt"),
             QStringLiteral("--code"), QStringLiteral("a/b"), QStringLiteral("--dir"), dir.path()});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Export annulé.")));
    EXPECT_EQ(
        cli({QStringLiteral("export-xlsx"), QStringLiteral(TALVORO_FIXTURES "/small.txt")}).status,
        2);
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
    EXPECT_TRUE(r.err.contains(QStringLiteral("n’est pas un classeur lisible")))
        << r.err.toStdString();
}

TEST(Cli, ReportReadsWorkbooksToo)
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("liste.pdf"));
    const CliRun r =
        cli({QStringLiteral("report"), QStringLiteral("list"),
             QStringLiteral(TALVORO_FIXTURES "/liste.xlsx"), QStringLiteral("--pdf"), out});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(pdfText(out).contains(QStringLiteral("Nb Ligne : 5")));
}

TEST(Cli, RunningOutOfMemoryEndsWithAMessageAndStatus2)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer needs more address space than the limit leaves";
#else
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("grande.txt"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        const QByteArray rec = "160000100001234567803000000012345600000000000001100000000"
                               "01ALI BEN                    P\r\n";
        QByteArray block;
        for (int i = 0; i < 10000; ++i)
            block += rec;
        for (int i = 0; i < 60; ++i)
            f.write(block);
    }
    QProcess p;
    p.start(QStringLiteral("bash"),
            {QStringLiteral("-c"), QStringLiteral("ulimit -v 200000; exec \"$0\" check \"$1\""),
             QStringLiteral(TALVORO_CLI_PATH), path});
    ASSERT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 2);
    EXPECT_EQ(QString::fromUtf8(p.readAllStandardError()),
              QStringLiteral("Mémoire insuffisante pour terminer l’opération.\n"));
#endif
}

TEST(Cli, CompareCountsThenListsTheDifferences)
{
    const QString old = QStringLiteral(TALVORO_FIXTURES "/compare_old.txt");
    const QString now = QStringLiteral(TALVORO_FIXTURES "/compare_new.txt");
    QTemporaryDir dir;
    const QString missing = dir.filePath("absent.txt");
    // The first lines of this month's list: nobody in it twice.
    const QString same = dir.filePath("same.txt");
    QFile in(now), to(same);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly) && to.open(QIODevice::WriteOnly));
    for (int i = 0; i < 9; ++i)
        to.write(in.readLine());
    to.close();
    const QString bad = dir.filePath("bad.txt");
    QFile badFile(bad);
    ASSERT_TRUE(badFile.open(QIODevice::WriteOnly));
    badFile.write("\xff\xfe\r\n");
    badFile.close();
    struct Case {
        QStringList args;
        int status;
        QStringList outStarts; // the first lines of stdout
        QString errHas;
    };
    const QString zeros =
        "Compte modifié: 0\nNom modifié: 0\nMontant modifié: 0\nNouveau: 0\nSorti: 0\nDoublon: 0";
    const std::vector<Case> cases = {
        {{"compare", old, now},
         1,
         {"Compte modifié: 2", "Nom modifié: 1", "Montant modifié: 1", "Nouveau: 2", "Sorti: 2",
          "Doublon: 4",
          "Compte modifié | NumAss: 100000000001 | Nom: BENALI AMINE | Ancien: 0011111111/11 | "
          "Nouveau: 0099999999/22"},
         {}},
        {{"compare", "--seuil", "0", old, now},
         1,
         {"Compte modifié: 2", "Nom modifié: 1", "Montant modifié: 2"},
         {}},
        {{"compare", same, same}, 0, zeros.split(u'\n'), {}},
        {{"compare", old, old}, 1, QString(zeros.chopped(1) + "2").split(u'\n'), {}},
        {{"compare", old}, 2, {}, "give the previous list"},
        {{"compare", old, now, "--seuil", "vingt"}, 2, {}, "'vingt' is not a percentage"},
        {{"compare", old, now, "--seuil"}, 2, {}, "--seuil needs a value"},
        {{"compare", old, now, "--tout"}, 2, {}, "unknown option '--tout'"},
        {{"compare", missing, now}, 2, {}, "File not found: " + missing},
        {{"compare", old, old + ".pdf"}, 2, {}, "Format not supported: "},
        {{"compare", old, bad},
         2,
         {},
         "Le fichier « " + bad + " » n’est pas un fichier de virements"},
    };
    for (const Case &c : cases) {
        const CliRun r = cli(c.args);
        const std::string what = c.args.join(u' ').toStdString();
        EXPECT_EQ(r.status, c.status) << what << "\n" << r.err.toStdString();
        const QStringList lines = r.out.split(u'\n');
        EXPECT_EQ(lines.mid(0, c.outStarts.size()), c.outStarts) << what << "\n"
                                                                 << r.out.toStdString();
        if (c.status == 2) {
            EXPECT_TRUE(r.out.isEmpty()) << what;
        }
        EXPECT_TRUE(r.err.contains(c.errHas)) << what << "\n" << r.err.toStdString();
    }
    EXPECT_EQ(cli({"compare", old, now}).out.count(u'\n'), 6 + 12);
    EXPECT_TRUE(cli({"--help"}).out.contains("compare OLD NEW [--seuil PCT] [--pdf FILE]"));
}

TEST(Cli, CompareWritesItsReportAsLandscapePdf)
{
    QTemporaryDir dir;
    const QString pdf = dir.filePath("comparaison.pdf");
    const CliRun r = cli({"compare", QStringLiteral(TALVORO_FIXTURES "/compare_old.txt"),
                          QStringLiteral(TALVORO_FIXTURES "/compare_new.txt"), "--pdf", pdf,
                          "--place", "APC TALVORO\\nDirection des finances"});
    ASSERT_EQ(r.status, 1) << r.err.toStdString();
    const QString text = pdfText(pdf).simplified();
    for (const QString &s :
         {QStringLiteral("APC TALVORO"), QStringLiteral("Direction des finances"),
          QStringLiteral("Comparaison avec la liste précédente"),
          QStringLiteral("Liste précédente : compare_old.txt"),
          QStringLiteral("Liste du mois : compare_new.txt"), QStringLiteral("20 %"),
          QStringLiteral("Compte modifié 100000000001 BENALI AMINE 0011111111/11 0099999999/22"),
          QStringLiteral("+15 000,00 (+33,3 %)"), QStringLiteral("Ancien nom : TALEB OMAR"),
          QStringLiteral("Compte modifié : 2"), QStringLiteral("Doublon : 4"),
          QStringLiteral("Nb Ligne : 12")})
        EXPECT_TRUE(text.contains(s)) << s.toStdString() << "\n" << text.toStdString();
    // A4 turned to landscape.
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {pdf});
    info.waitForFinished(30000);
    EXPECT_TRUE(
        QString::fromUtf8(info.readAllStandardOutput()).contains(QStringLiteral("842 x 595")));
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
    const CliRun refused =
        cli({QStringLiteral("export-txt"), folder + QStringLiteral("gnumeric-erreur.xlsx"),
             QStringLiteral("--code"), QStringLiteral("A1"), QStringLiteral("--dir"), dir.path()});
    EXPECT_EQ(refused.status, 2);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("la cellule donne l’erreur « #N/A »")))
        << refused.err.toStdString();
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot).isEmpty() &&
                QDir(dir.path()).entryList(QDir::AllDirs | QDir::NoDotAndDotDot).size() <= 1);
}

// Exports go into the payment history; the history lists them, shows their lines (and writes
// them back as the same transfer file), finds a person's months, prints the annual statement,
// and is what "compare --last" compares with.
TEST(Cli, HistoryKeepsEveryExportAndAnswersForAPerson)
{
    QTemporaryDir dir;
    QFile source(QStringLiteral(TALVORO_FIXTURES "/small.txt"));
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const QString input = dir.filePath(QStringLiteral("liste.txt"));
    {
        QFile in(input);
        ASSERT_TRUE(in.open(QIODevice::WriteOnly));
        in.write(source.readAll().replace("00000000014 ", "000000000109"));
    }
    const QString folder = dir.filePath(QStringLiteral("prog"));
    const QString at = QStringLiteral("--dir");

    CliRun r = cli({"history", "list", at, folder});
    EXPECT_EQ(r.status, 1) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
    r = cli({"export-txt", input, "--code", "M1", at, folder});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    const QString written = r.out.trimmed();

    r = cli({"history", "list", at, folder});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    const QStringList fields = r.out.trimmed().split(u'\t');
    ASSERT_EQ(fields.size(), 8) << r.out.toStdString();
    EXPECT_EQ(fields[0], QStringLiteral("1"));
    EXPECT_EQ(fields[2], QStringLiteral("M1"));
    EXPECT_EQ(fields[3], QStringLiteral("txt"));
    EXPECT_EQ(fields[4], QStringLiteral("6"));
    EXPECT_EQ(fields[5], QStringLiteral("53 069,62")); // the file's Net total
    EXPECT_EQ(fields[7], QDir::toNativeSeparators(written));

    r = cli({"history", "show", "1", at, folder});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.count(u'\n'), 7);
    EXPECT_TRUE(r.out.contains(
        QStringLiteral("\t0000000004\t11\t3 000,50\t0,00\t110000000003\tNOM PRENOM\tD\n")))
        << r.out.toStdString();
    const QString again = dir.filePath(QStringLiteral("again.txt"));
    r = cli({"history", "show", "1", "--out", again, at, folder});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    QFile a(written), b(again);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    EXPECT_EQ(a.readAll(), b.readAll());

    r = cli({"history", "person", "110000000005", at, folder});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(
        r.out.endsWith(QStringLiteral("\tM1\t0000000036/39\t45 000,00\t250,25\tZoé HÉLÈNE\n")))
        << r.out.toStdString();
    const QString year = QString::number(QDate::currentDate().year());
    const QString pdf = dir.filePath(QStringLiteral("releve.pdf"));
    r = cli({"history", "person", "110000000005", "--year", year, "--pdf", pdf, at, folder});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(
        r.out.contains(QStringLiteral("Total ") + year + QStringLiteral("\t45 000,00\t250,25\n")));
    const QString text = pdfText(pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("Relevé annuel des paiements ") + year))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Quarante-cinq mille dinars"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Deux cent cinquante dinars et vingt-cinq centimes")));

    const std::vector<std::pair<QStringList, int>> answers = {
        {{"history", "person", "999", at, folder}, 1},
        {{"history", "person", "110000000005", "--year", "1999", at, folder}, 1},
        {{"history", "show", "7", at, folder}, 1},
        {{"history", at, folder}, 2},
        {{"history", "show", "x", at, folder}, 2},
        {{"history", "person", "1", "--year", "20x6", at, folder}, 2},
        {{"history", "person", "1", "--pdf", pdf, at, folder}, 2},
        {{"compare", "--last", input, "x", at, folder}, 2},
    };
    for (const auto &[args, status] : answers)
        EXPECT_EQ(cli(args).status, status) << args.join(u' ').toStdString();

    // The same list again: what differs is what the list compared with itself shows (its
    // repeated account), the archived export standing for the file.
    r = cli({"compare", "--last", input, at, folder});
    const CliRun itself = cli({"compare", input, input});
    EXPECT_EQ(r.status, itself.status) << r.err.toStdString();
    EXPECT_EQ(r.out, itself.out);
    r = cli({"compare", "--last", QStringLiteral(TALVORO_FIXTURES "/compare_new.txt"), at, folder});
    EXPECT_EQ(r.status, 1) << r.err.toStdString();
    // No archive yet elsewhere: told, status 2.
    r = cli({"compare", "--last", input, at, dir.filePath(QStringLiteral("other"))});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("aucun export"))) << r.err.toStdString();
}
