#include "WindowFixture.h"
#include "support/XlsxBuilder.h"

#include "TextLinesView.h"
#include "import/WorkbookReader.h"

#include <QAction>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

namespace
{
const QString OpenPrompt =
    QStringLiteral("open: All Files|*.*|Text Files (*.txt)|*.txt|Excel Files "
                   "(*.xlsx;*.xls;*.ods)|*.xlsx;*.xls;*.ods");
const QString CodePrompt =
    QStringLiteral("input: Copier les messages en arabe|Entrez le code de l'ordonnateur :");
} // namespace

class TestWorkbooks : public QObject, WindowFixture
{
    Q_OBJECT

    QString excelFolder() { return m_tmp->filePath(QStringLiteral("Fichier Excel")); }
    QStringList exportWith(const std::optional<QString> &code, bool fromMenu = false)
    {
        m_prompts->inputs.enqueue(code);
        if (fromMenu)
            findNamed<QAction>(&form(), "exportWorkbookAction")->trigger();
        else
            findNamed<QPushButton>(&form(), "exportWorkbookButton")->click();
        return m_prompts->take();
    }
    QStringList allCells()
    {
        QStringList c;
        for (int r = 0; r < list().count(); ++r) {
            c << list().line(r).caption();
            for (int i = 0; i < 7; ++i)
                c << list().line(r).subItem(i);
        }
        return c;
    }

private slots:
    void init() { startWindow(); }
    void cleanup() { closeWindow(); }

    void importsWorkbooksOfEveryKind()
    {
        for (const char *name : {"liste.xlsx", "liste.ods", "liste.xls", "LISTE_MAJ.XLSX"}) {
            QString path = fixture(name);
            if (!QFile::exists(
                    path)) { // upper-case extension: the same workbook under another name
                path = m_tmp->filePath(QString::fromLatin1(name));
                QFile::copy(fixture("liste.xlsx"), path);
            }
            import(path);
            QCOMPARE(m_prompts->take(),
                     (QStringList{OpenPrompt, "message: Import Excel terminé: 5 lignes",
                                  "message: D: 1\nI: 1\nP: 2"}));
            QCOMPARE(list().count(), 5);
            QCOMPARE(list().line(0).caption(), QStringLiteral("*00799999"));
            QCOMPARE(list().line(1).subItem(5), QString::fromUtf16(u"سعيد بن علي"));
            QCOMPARE(list().line(2).subItem(2), QStringLiteral("   0,00"));
            QCOMPARE(findNamed<QLabel>(&form(), "pathLabel")->text(),
                     QStringLiteral("Imported Excel: ") + path);
            QCOMPARE(findNamed<QProgressBar>(&form(), "progressBar")->value(),
                     findNamed<QProgressBar>(&form(), "progressBar")->maximum());
            QCOMPARE(rowColour(0), Green);
            QCOMPARE(rowColour(1), Yellow);
            QCOMPARE(rowColour(3), Red);
            QCOMPARE(findNamed<TextLinesView>(&form(), "errorLinesView")->lines().mid(0, 3),
                     (QStringList{"RIP: 2", "CLE: 1", "ERR: 2"}));
        }
    }

    void badWorkbookLeavesTheListAsItWas()
    {
        import(fixture("small.txt"));
        m_prompts->take();
        const QStringList before = allCells();
        const size_t records = form().session().errorRecords().size();
        const QString label = findNamed<QLabel>(&form(), "pathLabel")->text();

        const QString amount = m_tmp->filePath(QStringLiteral("montant.xlsx"));
        XlsxBuilder(amount)
            .text(2, 1, "0012345678")
            .text(2, 2, "11")
            .number(2, 3, 5)
            .text(3, 1, "1")
            .text(3, 3, "douze");
        const QString text = writeFile(QStringLiteral("texte.xls"), "Compte;Net\n");
        const QString gone = m_tmp->filePath(QStringLiteral("disparu.ods"));

        const QList<QPair<QString, QString>> cases = {
            {amount, QStringLiteral(
                         "error: Import annulé : dans le classeur « %1 », feuille « Sheet1 », "
                         "ligne 3, colonne 3 (Net), « douze » n’est pas un montant. La liste n’a "
                         "pas été modifiée.")},
            {text, QStringLiteral("error: Le fichier « %1 » n’est pas un classeur lisible")},
            {gone, QStringLiteral("message: File not found: %1")},
        };
        for (const auto &[path, message] : cases) {
            import(path);
            const QStringList shown = m_prompts->take();
            QCOMPARE(shown.size(), 2);
            QCOMPARE(shown[0], OpenPrompt);
            QVERIFY2(shown[1].startsWith(message.arg(path)), qPrintable(shown[1]));
            QCOMPARE(allCells(), before);
            QCOMPARE(form().session().errorRecords().size(), records);
            QCOMPARE(findNamed<QLabel>(&form(), "pathLabel")->text(), label);
        }
    }

    void workbookWithoutDataRowsEmptiesTheList()
    {
        // A header-only workbook, and the workbook exported from an empty list, read back as
        // an empty list.
        import(fixture("small.txt"));
        m_prompts->take();
        m_prompts->answers.enqueue(true);
        findNamed<QPushButton>(&form(), "deleteShownButton")->click(); // delete every line
        m_prompts->take();
        QCOMPARE(list().count(), 0);
        acceptChangesControl();
        exportWith(QStringLiteral("B7"));
        QCOMPARE(m_prompts->opened.size(), 1);
        for (const QString &path :
             {fixture("programs/xlsxwriter-entete.xlsx"), m_prompts->opened[0]}) {
            import(fixture("small.txt"));
            m_prompts->take();
            QVERIFY(list().count() > 0);
            import(path);
            QCOMPARE(m_prompts->take(),
                     (QStringList{OpenPrompt, "message: Import Excel terminé: 0 lignes",
                                  "message: D: 0\nI: 0\nP: 0"}));
            QCOMPARE(list().count(), 0);
            QCOMPARE(findNamed<QLabel>(&form(), "pathLabel")->text(),
                     QStringLiteral("Imported Excel: ") + path);
        }
    }

    void clerkCanCancelAWorkbookImport()
    {
        import(fixture("small.txt"));
        m_prompts->take();
        const QStringList before = allCells();
        // The window keeps handling events while the reader works: the cancel button shows
        // over the progress bar and a click on it stops the import.
        int clicks = 0;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            if (auto *cancel =
                    form().findChild<QPushButton *>(QStringLiteral("importCancelButton"))) {
                QVERIFY(cancel->isVisible());
                ++clicks;
                cancel->click();
            }
        });
        poll.start(0);
        import(fixture("programs/gnumeric.xlsx"));
        poll.stop();
        QCOMPARE(clicks, 1);
        QCOMPARE(
            m_prompts->take(),
            (QStringList{OpenPrompt,
                         "error: Import annulé à votre demande : la liste n’a pas été modifiée."}));
        QCOMPARE(allCells(), before);
        QVERIFY(!form().findChild<QPushButton *>(QStringLiteral("importCancelButton")));
        // The next import runs to its end.
        import(fixture("programs/gnumeric.xlsx"));
        QCOMPARE(m_prompts->take().value(1),
                 QStringLiteral("message: Import Excel terminé: 5 lignes"));
    }

    void messagesKeepAPathHoldingPlaceHolders()
    {
        QDir(m_tmp->path()).mkpath(QStringLiteral("paie %1 %2"));
        const QString path = m_tmp->filePath(QStringLiteral("paie %1 %2/erreur %1.xlsx"));
        QVERIFY(QFile::copy(fixture("programs/gnumeric-erreur.xlsx"), path));
        import(path);
        const QStringList shown = m_prompts->take();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(
            shown[1],
            QStringLiteral("error: Import annulé : dans le classeur « ") +
                QDir::toNativeSeparators(path) +
                QStringLiteral(" », feuille « Feuil1 », ligne 3, colonne 3 (Net), la cellule donne "
                               "l’erreur « #N/A ». La liste n’a pas été modifiée."));
    }

    void exportWritesTheWorkbookAfterTheRepair()
    {
        // Cancel, blank and refused codes: no repair, no file.
        import(fixture("small.txt"));
        m_prompts->take();
        QCOMPARE(exportWith(std::nullopt), QStringList{CodePrompt});
        QCOMPARE(
            exportWith(QStringLiteral("  ")),
            (QStringList{CodePrompt,
                         "message: Veuillez saisir le code de l’ordonnateur avant de continuer."}));
        for (const char *code : {"a/b", "..", "a:b"}) {
            const QStringList shown = exportWith(QString::fromLatin1(code));
            QCOMPARE(shown.size(), 2);
            QVERIFY2(shown[1].startsWith(QStringLiteral("message: Le code ordinateur")),
                     qPrintable(shown[1]));
            QVERIFY(shown[1].endsWith(QStringLiteral(" Export annulé.")));
        }
        QCOMPARE(rowColour(2), Red);
        QVERIFY(!QDir(excelFolder()).exists());

        // The three messages in order, then the file is opened; the keys were repaired first.
        for (bool fromMenu : {false, true}) {
            m_prompts->opened.clear();
            const QStringList shown = exportWith(QStringLiteral(" B7 "), fromMenu);
            QCOMPARE(shown.size(), 4);
            QCOMPARE(shown[0], CodePrompt);
            QCOMPARE(shown[1], QStringLiteral("message: RIP corrected for all items."));
            const QRegularExpression name(
                QStringLiteral("Fichier Excel/Liste Nominative_B7_\\d{8}_\\d{6}\\.xlsx$"));
            QVERIFY2(shown[2].startsWith(QStringLiteral("message: Fichier Excel créé : ")),
                     qPrintable(shown[2]));
            const QString path =
                shown[2].mid(QStringLiteral("message: Fichier Excel créé : ").size());
            QVERIFY2(name.match(QDir::fromNativeSeparators(path)).hasMatch(), qPrintable(path));
            QCOMPARE(shown[3], QStringLiteral("message: Le fichier a été créé avec succès :\n") +
                                   path + QStringLiteral("\n6 lignes écrites."));
            QCOMPARE(m_prompts->opened, QStringList{path});
            for (int r = 0; r < list().count(); ++r)
                QCOMPARE(rowColour(r), Green);
            const std::vector<TransferLine> back =
                WorkbookImport::toLines(WorkbookImport::readFirstSheet(path), path);
            QCOMPARE(int(back.size()), list().count());
            for (int r = 0; r < list().count(); ++r)
                for (int i = 0; i < 7; ++i)
                    QCOMPARE(back[size_t(r)].subItem(i), list().line(r).subItem(i));
            QTest::qWait(1100); // the next export gets a new time stamp
        }
        QCOMPARE(QDir(excelFolder()).entryList(QDir::Files | QDir::Hidden).size(), 2);

        // A folder that cannot be made: said at once, nothing repaired, nothing opened.
        QDir(excelFolder()).removeRecursively();
        writeFile(QStringLiteral("Fichier Excel"), "a file");
        setCell(0, 1, QStringLiteral("11"));
        m_prompts->opened.clear();
        const QStringList failed = exportWith(QStringLiteral("B7"));
        QCOMPARE(failed.size(), 2);
        QVERIFY2(failed[1].startsWith(QStringLiteral("message: Le dossier « ")),
                 qPrintable(failed[1]));
        QCOMPARE(list().line(0).subItem(1), QStringLiteral("11"));
        QVERIFY(m_prompts->opened.isEmpty());

        // A line whose account has no keys is refused by name; the others were repaired.
        QFile::remove(m_tmp->filePath(QStringLiteral("Fichier Excel")));
        // (The changes made by hand are shown and confirmed first.)
        setCell(1, 0, QStringLiteral("12-4"));
        acceptChangesControl();
        const QStringList refused = exportWith(QStringLiteral("B7"));
        QCOMPARE(refused.size(), 5);
        QCOMPARE(refused[1], QStringLiteral("dialog: Contrôle des modifications depuis l’import"));
        QVERIFY2(refused[3].contains(QStringLiteral("1 ligne(s) n’ont pas pu être corrigées")),
                 qPrintable(refused[3]));
        QVERIFY2(refused[4].contains(
                     QStringLiteral("Ligne 2 : Compte « 12-4 » (pas uniquement des chiffres)")),
                 qPrintable(refused[4]));
        QCOMPARE(QDir(excelFolder()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }
};

QTEST_MAIN(TestWorkbooks)
#include "test_workbooks.moc"
