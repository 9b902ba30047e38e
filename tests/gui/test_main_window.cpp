#include "MainWindow.h"
#include "RecordEditor.h"
#include "StatusLight.h"
#include "TextLinesView.h"
#include "WindowFixture.h"
#include "model/WorkingList.h"

#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

class TestMainWindow : public QObject, WindowFixture
{
    Q_OBJECT

private slots:
    void init() { startWindow(); }
    void cleanup() { closeWindow(); }

    void startShowsEmptyListWithZeroFigures()
    {
        QCOMPARE(form().windowTitle(), QStringLiteral("Talvoro CCP"));
        QCOMPARE(findNamed<QTableView>(&form(), "lineTable")->model()->columnCount(), 8);
        QStringList captions;
        for (int c = 0; c < 8; ++c)
            captions << findNamed<QTableView>(&form(), "lineTable")
                            ->model()
                            ->headerData(c, Qt::Horizontal)
                            .toString();
        QCOMPARE(captions, (QStringList{"CodePTT+Agence", "Compte", "CLE/RIP", "Net", "Rendement",
                                        "NumAss", "NomPrenom", "TypeContrat"}));
        // The first activation refreshed the empty list.
        QCOMPARE(findNamed<TextLinesView>(&form(), "errorLinesView")->lines(),
                 (QStringList{"RIP: 0", "CLE: 0", "ERR: 0"}));
        QCOMPARE(findNamed<QLabel>(&form(), "netTotalLabel")->text(),
                 QStringLiteral("Total Net:    0,00 DA"));
        QCOMPARE(findNamed<QLabel>(&form(), "rendementTotalLabel")->text(),
                 QStringLiteral("Total Rend:    0,00 DA"));
        QCOMPARE(findNamed<QLabel>(&form(), "generalTotalLabel")->text(),
                 QStringLiteral("Total General:    0,00 DA"));
        QCOMPARE(findNamed<QLineEdit>(&form(), "generalTotalBox")->text(),
                 QStringLiteral("   0,00"));
        QCOMPARE(findNamed<QLabel>(&form(), "ripCountLabel")->text(), QStringLiteral("0"));
        // The circles show the empty list: none is coloured.
        for (StatusLight *circle : {findNamed<StatusLight>(&form(), "ripLight"),
                                    findNamed<StatusLight>(&form(), "ccpLight"),
                                    findNamed<StatusLight>(&form(), "errorLight")})
            QCOMPARE(circle->brushColor(), form().palette().color(QPalette::Button));
        QCOMPARE(findNamed<QLabel>(&form(), "errorCaptionLabel")->text(),
                 QStringLiteral("Erreur: 0"));
        QCOMPARE(findNamed<QLabel>(&form(), "shownCountLabel")->text(), QString());
        QCOMPARE(findNamed<QLabel>(&form(), "versionLabel")->text(),
                 QStringLiteral("LabelServerVersion"));
        QVERIFY(QDir(m_tmp->path()).exists()); // nothing else required yet
        // The pop-up menu's entries, in order.
        QStringList entries;
        for (QAction *a : findNamed<QMenu>(&form(), "lineMenu")->actions())
            entries << (a->isSeparator() ? QStringLiteral("-") : a->text());
        QCOMPARE(entries.mid(0, 3), (QStringList{"Annuler", "Rétablir", "-"}));
        QCOMPARE(
            entries.mid(3),
            (QStringList{"Add", "Modifier", "Importé (txt-xls)", "-", "Exporté Txt", "Exporté xls",
                         "-", "Fixé RIP", "Fixé Clé", "Clean DATA", "-", "Supprimé Ligne",
                         "Supprimé Tous", "-", "Rapport Des Erreur", "Tirage Liste",
                         "Fichiers récents", "-", "Comparer avec une liste…"}));
        // The clock shows the date and time.
        QVERIFY(QRegularExpression(QStringLiteral("^\\d\\d-\\d\\d-\\d{4}, \\d\\d:\\d\\d:\\d\\d$"))
                    .match(findNamed<QLabel>(&form(), "clockLabel")->text())
                    .hasMatch());
    }

    void importShowsLinesColoursCountersAndPanels()
    {
        import(fixture("small.txt"));
        QCOMPARE(
            m_prompts->take(),
            (QStringList{QStringLiteral("open: All Files|*.*|Text Files (*.txt)|*.txt|Excel Files "
                                        "(*.xlsx;*.xls;*.ods)|*.xlsx;*.xls;*.ods"),
                         QStringLiteral("message: D: 2\nI: 1\nP: 3")}));
        QCOMPARE(list().count(), 6);
        const TransferLine &first = list().line(0);
        QCOMPARE(first.caption(), QStringLiteral("160000100"));
        QCOMPARE(first.subItem(2), QStringLiteral("  1 234,56"));
        QCOMPARE(first.subItem(3), QStringLiteral("   100,00"));
        QCOMPARE(list().line(4).subItem(5), QStringLiteral("Zoé HÉLÈNE"));
        QCOMPARE(list().line(5).subItem(1), QStringLiteral("4"));

        const QList<QColor> colours{Green, Yellow, Red, Green, Yellow, Red};
        const QList<int> statuses{1, 2, 3, 1, 2, 3};
        for (int r = 0; r < 6; ++r) {
            QCOMPARE(rowColour(r), colours[r]);
            QCOMPARE(status(r), statuses[r]);
        }
        // Red rows: white caption text, black cell text.
        QCOMPARE(list().data(list().index(2, 0), Qt::ForegroundRole).value<QColor>(),
                 QColor(Qt::white));
        QCOMPARE(list().data(list().index(2, 3), Qt::ForegroundRole).value<QColor>(),
                 QColor(Qt::black));

        QCOMPARE(findNamed<TextLinesView>(&form(), "errorLinesView")->lines(),
                 (QStringList{"RIP: 2", "CLE: 2", "ERR: 2",
                              "Ligne: 3 | Compte: 0000000004 | CLE/RIP: 11 | Nom: NOM PRENOM | "
                              "Cle/RIP erronée (attendu CLE=16 RIP=97)",
                              "Ligne: 6 | Compte: 0000000001 | CLE/RIP: 4 | Nom: SAÏD Réda | "
                              "Cle/RIP erronée (attendu CLE=04 RIP=09)"}));
        QCOMPARE(findNamed<QLabel>(&form(), "netTotalLabel")->text(),
                 QStringLiteral("Total Net:   53 069,62 DA"));
        QCOMPARE(findNamed<QLabel>(&form(), "rendementTotalLabel")->text(),
                 QStringLiteral("Total Rend:    350,25 DA"));
        QCOMPARE(findNamed<QLabel>(&form(), "generalTotalLabel")->text(),
                 QStringLiteral("Total General:   53 419,87 DA"));
        QCOMPARE(findNamed<QLineEdit>(&form(), "netTotalBox")->text(),
                 QStringLiteral("  53 069,62"));
        // The circles count by the same check: the key "4" is not the CCP key 04.
        QCOMPARE(findNamed<QLabel>(&form(), "ripCaptionLabel")->text(), QStringLiteral("RIP: 2"));
        QCOMPARE(findNamed<QLabel>(&form(), "ccpCaptionLabel")->text(), QStringLiteral("CLE: 2"));
        QCOMPARE(findNamed<QLabel>(&form(), "errorCaptionLabel")->text(),
                 QStringLiteral("Erreur: 2"));
        QCOMPARE(findNamed<QLabel>(&form(), "errorCountLabel")->text(), QStringLiteral("2"));
        QCOMPARE(findNamed<StatusLight>(&form(), "ripLight")->brushColor(), QColor(0, 255, 0));
        QCOMPARE(findNamed<TextLinesView>(&form(), "wrongKeysView")->lines(),
                 (QStringList{"0000000004/11 - Error", "0000000001/4 - Error"}));
        QCOMPARE(findNamed<TextLinesView>(&form(), "duplicateAccountsView")->lines(),
                 (QStringList{"---------", "0012345678/03  (2)"}));
        QCOMPARE(findNamed<TextLinesView>(&form(), "contractTypesView")->lines(),
                 (QStringList{"T.Contrat Doublons", "D  (2)", "P  (3)"}));
        QCOMPARE(findNamed<TextLinesView>(&form(), "duplicateNamesView")->lines(),
                 QStringList{"ALI BEN  (2)"});
        QCOMPARE(findNamed<QLabel>(&form(), "duplicateAccountsCountLabel")->text(),
                 QStringLiteral("Nb Comptes Double : 1"));
        QCOMPARE(findNamed<QLabel>(&form(), "contractTypesCountLabel")->text(),
                 QStringLiteral("Nb Type Du Contrat : 2"));
        QCOMPARE(findNamed<QLabel>(&form(), "wrongKeysCountLabel")->text(),
                 QStringLiteral("Nb des Erreur : 2"));
        QCOMPARE(findNamed<QLabel>(&form(), "duplicateNamesCountLabel")->text(),
                 QStringLiteral("Nb Nom Double : 1"));
        QCOMPARE(findNamed<QLabel>(&form(), "pathLabel")->text(),
                 QStringLiteral("Imported: ") + fixture("small.txt"));
        QCOMPARE(findNamed<QProgressBar>(&form(), "progressBar")->value(),
                 findNamed<QProgressBar>(&form(), "progressBar")->maximum());
        QCOMPARE(form().session().errorRecords().size(), size_t(2));
        const ErrorRecord rec = form().session().errorRecords()[0];
        QCOMPARE(rec.row, 3);
        QCOMPARE(rec.newValue, QStringLiteral("16 - 97"));
        QCOMPARE(rec.netCents, 300050LL);

        // Refreshing again adds nothing; importing the same file again doubles nothing.
        reactivate();
        QCOMPARE(findNamed<TextLinesView>(&form(), "errorLinesView")->lineCount(), 5);
        import(fixture("small.txt"));
        QCOMPARE(findNamed<TextLinesView>(&form(), "errorLinesView")->lineCount(), 5);
        QCOMPARE(form().session().errorRecords().size(), size_t(2));
    }

    void repairsRewriteEveryKey_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("Fixeé RIP") << 0 << "message: RIP corrected for all items." << Green;
        QTest::newRow("Fixé RIP") << 1 << "message: RIP corrected for all items." << Green;
        QTest::newRow("Fixeé Cle") << 2 << "message: CLE corrected for all items." << Yellow;
        QTest::newRow("Fixé Clé") << 3 << "message: CLE corrected for all items." << Yellow;
    }
    void repairsRewriteEveryKey()
    {
        QFETCH(int, command);
        QFETCH(QString, message);
        QFETCH(QColor, colour);
        import(fixture("small.txt"));
        m_prompts->take();
        QPushButton *buttons[] = {findNamed<QPushButton>(&form(), "repairRipButton"), nullptr,
                                  findNamed<QPushButton>(&form(), "repairCcpButton"), nullptr};
        QAction *entries[] = {nullptr, findNamed<QAction>(&form(), "repairRipAction"), nullptr,
                              findNamed<QAction>(&form(), "repairCcpAction")};
        if (buttons[command])
            buttons[command]->click();
        else
            entries[command]->trigger();
        QCOMPARE(m_prompts->take(), QStringList{message});
        for (int r = 0; r < list().count(); ++r)
            QCOMPARE(rowColour(r), colour);
        QCOMPARE(findNamed<TextLinesView>(&form(), "errorLinesView")->lines().mid(3),
                 QStringList());
        QCOMPARE(form().session().errorRecords().size(), size_t(0));
        QCOMPARE(findNamed<TextLinesView>(&form(), "wrongKeysView")->lineCount(), 0);
    }

    void repairOnEmptyListStillReports()
    {
        findNamed<QPushButton>(&form(), "repairRipButton")->click();
        QCOMPARE(m_prompts->take(), QStringList{"message: RIP corrected for all items."});
    }

    void filtersHideLinesAndNeverLoseWork()
    {
        import(fixture("small.txt"));
        m_prompts->take();
        // Edit a key, delete a line: both survive typing and clearing a filter.
        setCell(2, 1, QStringLiteral("97"));
        selectRow(1);
        findNamed<QPushButton>(&form(), "deleteLineButton")->click();
        QCOMPARE(list().count(), 5);
        const QString totalsBefore = findNamed<QLabel>(&form(), "netTotalLabel")->text();

        findNamed<QLineEdit>(&form(), "accountFilter")
            ->setText(QStringLiteral(" 45 ")); // blanks around the filter are ignored
        QCOMPARE(list().count(), 2);           // 0012345678 twice
        QCOMPARE(list().line(0).subItem(0), QStringLiteral("0012345678"));
        findNamed<QLineEdit>(&form(), "accountFilter")->setText(QStringLiteral("   "));
        QCOMPARE(list().count(), 5);
        QCOMPARE(list().line(1).subItem(1), QStringLiteral("97"));
        QCOMPARE(findNamed<QLabel>(&form(), "netTotalLabel")->text(),
                 totalsBefore); // every line shown again

        // Name filter: substring, case and accents folded, and the account box no longer applies.
        findNamed<QLineEdit>(&form(), "accountFilter")->setText(QStringLiteral("0000"));
        findNamed<QLineEdit>(&form(), "nameFilter")->setText(QStringLiteral("ali"));
        QCOMPARE(list().count(), 2);
        findNamed<QLineEdit>(&form(), "nameFilter")->setText(QStringLiteral("zoé hélène"));
        QCOMPARE(list().count(), 1); // É is folded like E
        findNamed<QLineEdit>(&form(), "nameFilter")->setText(QStringLiteral("zoé HÉLÈNE"));
        QCOMPARE(list().count(), 1);

        // Commands act on the shown lines; the figures are those of the shown lines.
        findNamed<QLineEdit>(&form(), "nameFilter")->setText(QStringLiteral("SAÏD"));
        QCOMPARE(findNamed<QLabel>(&form(), "shownCountLabel")->text(),
                 QStringLiteral("1 / 5 lignes affichées"));
        QCOMPARE(findNamed<QLabel>(&form(), "errorCaptionLabel")->text(),
                 QStringLiteral("Erreur: 1"));
        QCOMPARE(form().session().errorRecords().size(), size_t(1));
        findNamed<QPushButton>(&form(), "repairRipButton")->click();
        findNamed<QLineEdit>(&form(), "nameFilter")->clear();
        QCOMPARE(keys(), (QStringList{"03", "97", "03", "39", "09"}));
        // The deleted line stays deleted.
        for (int r = 0; r < list().count(); ++r)
            QVERIFY(list().line(r).subItem(0) != QStringLiteral("1234567890"));
        m_prompts->take();
    }

    void cleanDataNormalisesWidths()
    {
        QCOMPARE(list().count(), 0);
        findNamed<QAction>(&form(), "cleanAction")->trigger();
        QVERIFY(m_prompts->take().isEmpty()); // empty list: nothing at all

        import(writeFile(QStringLiteral("c.txt"),
                         record(u"12345"_qs, u"7"_qs) +
                             record(u"0123456789"_qs, u""_qs, {}, u"ALI"_qs)));
        m_prompts->take();
        struct Cell {
            int row, sub;
            QString value;
        };
        setCell(1, 0, QStringLiteral("  001234567890  "));
        setCell(1, 1, QStringLiteral("123"));
        setCell(0, 5, QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ1234"));
        findNamed<QAction>(&form(), "cleanAction")->trigger();
        QCOMPARE(m_prompts->take(), QStringList{"message: Clean completed."});
        const Cell expected[] = {
            {0, 0, QStringLiteral("0000012345")},
            {0, 1, QStringLiteral("07")},
            {0, 5, QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ1")},
            {1, 0, QStringLiteral("1234567890")},
            {1, 1, QStringLiteral("23")},
            {1, 5, QStringLiteral("ALI") + QString(24, u' ')},
        };
        for (const Cell &c : expected)
            QCOMPARE(list().line(c.row).subItem(c.sub), c.value);
        // The full refresh ran: the keys were checked again.
        QCOMPARE(findNamed<TextLinesView>(&form(), "errorLinesView")->lines().value(2),
                 QStringLiteral("ERR: 2"));
        // An empty key becomes 00.
        setCell(0, 1, QString());
        findNamed<QAction>(&form(), "cleanAction")->trigger();
        QCOMPARE(list().line(0).subItem(1), QStringLiteral("00"));
        m_prompts->take();
    }

    void deleteKeepsTotalsInStep()
    {
        import(fixture("small.txt"));
        m_prompts->take();
        // Nothing selected: nothing removed, the refreshes still run.
        findNamed<QTableView>(&form(), "lineTable")->clearSelection();
        findNamed<QPushButton>(&form(), "deleteLineButton")->click();
        QCOMPARE(list().count(), 6);
        selectRow(4); // 45 000,00
        findNamed<QAction>(&form(), "deleteLineAction")->trigger();
        QCOMPARE(list().count(), 5);
        QCOMPARE(findNamed<QLabel>(&form(), "netTotalLabel")->text(),
                 QStringLiteral("Total Net:   8 069,62 DA"));
        QCOMPARE(findNamed<QLabel>(&form(), "ripCountLabel")->text(), QStringLiteral("2"));
        QCOMPARE(findNamed<TextLinesView>(&form(), "contractTypesView")->lines(),
                 (QStringList{"T.Contrat Doublons", "D  (2)", "P  (2)"}));
        QVERIFY(m_prompts->take().isEmpty());
    }

    void deleteAllAsksFirst()
    {
        import(fixture("small.txt"));
        m_prompts->take();
        m_prompts->answers.enqueue(false);
        findNamed<QPushButton>(&form(), "deleteShownButton")->click();
        QCOMPARE(list().count(), 6);
        QCOMPARE(m_prompts->take(),
                 QStringList{"question: Supprimer tous les enregistrements ?\n(6 lignes)"});
        QCOMPARE(findNamed<QLabel>(&form(), "errorCaptionLabel")->text(),
                 QStringLiteral("Erreur: 2"));

        m_prompts->answers.enqueue(true);
        findNamed<QAction>(&form(), "deleteShownAction")->trigger();
        QCOMPARE(list().count(), 0);
        QCOMPARE(findNamed<QLabel>(&form(), "netTotalLabel")->text(),
                 QStringLiteral("Total Net:    0,00 DA"));
        QCOMPARE(findNamed<QLabel>(&form(), "errorCaptionLabel")->text(),
                 QStringLiteral("Erreur: 0"));
        QCOMPARE(findNamed<StatusLight>(&form(), "errorLight")->brushColor(),
                 form().palette().color(QPalette::Button));
        QCOMPARE(findNamed<TextLinesView>(&form(), "duplicateAccountsView")->lines(),
                 QStringList{"---------"});
        QCOMPARE(findNamed<QLabel>(&form(), "duplicateAccountsCountLabel")->text(),
                 QStringLiteral("Nb Comptes Double : 0"));
        // The error records are those of the lines: none are left.
        QCOMPARE(form().session().errorRecords().size(), size_t(0));
        m_prompts->take();
    }

    void badInputsLeaveTheListAsItWas()
    {
        import(fixture("small.txt"));
        m_prompts->take();
        const QString missing = m_tmp->filePath(QStringLiteral("absent.txt"));

        // Cancelled dialog: no message, the refreshes run.
        m_prompts->files.enqueue(QString());
        findNamed<QPushButton>(&form(), "importButton")->click();
        QCOMPARE(m_prompts->take().size(), 1);

        import(missing);
        QCOMPARE(m_prompts->take().mid(1), QStringList{"message: File not found: " + missing});

        const QString csv =
            writeFile(QStringLiteral("liste.csv"), record(u"0012345678"_qs, u"03"_qs));
        import(csv);
        QCOMPARE(m_prompts->take().mid(1), QStringList{"message: Format not supported: " + csv});

        // A single-byte code page file: the general error box, nothing else changes.
        QByteArray latin1 = record(u"0012345678"_qs, u"03"_qs);
        latin1.replace("NOM", "N\xC9M");
        import(writeFile(QStringLiteral("latin1.txt"), latin1));
        QCOMPARE(m_prompts->take().mid(1),
                 QStringList{"error: No mapping for the Unicode character exists in the target "
                             "multi-byte code page"});
        QCOMPARE(list().count(), 6);
        QCOMPARE(QApplication::overrideCursor(), nullptr);

        // A file that cannot be opened.
        const QString locked =
            writeFile(QStringLiteral("locked.txt"), record(u"0012345678"_qs, u"03"_qs));
        QFile::setPermissions(locked, QFileDevice::Permissions());
        if (!QFile(locked).open(QIODevice::ReadOnly)) { // root may still read it
            import(locked);
            const QStringList shown = m_prompts->take();
            QCOMPARE(shown.size(), 2);
            QVERIFY(shown[1].startsWith(QStringLiteral("error: Cannot open file \"") + locked));
            QCOMPARE(list().count(), 6);
        }
        m_prompts->take();

        // Upper-case extension, short and empty lines, a final empty line.
        const QString upper =
            writeFile(QStringLiteral("LISTE.TXT"), "16000010000123456780300000001234\r\n\r\n" +
                                                       record(u"1"_qs, u"  "_qs) + "\r\n");
        import(upper);
        QCOMPARE(list().count(), 2); // blank lines hold no record
        QCOMPARE(list().line(0).subItem(2), QStringLiteral("   12,34")); // the amount is cut short
        QCOMPARE(list().line(0).subItem(3), QStringLiteral("   0,00"));
        QCOMPARE(list().line(1).subItem(0), QStringLiteral("1"));
        QCOMPARE(list().line(1).subItem(1), QString());

        // An empty file empties the list.
        import(writeFile(QStringLiteral("vide.txt"), QByteArray()));
        QCOMPARE(list().count(), 0);
        QCOMPARE(m_prompts->take().last(), QStringLiteral("message: D: 0\nI: 0\nP: 0"));
    }

    void accountWithOtherCharactersIsAnErrorNotABox()
    {
        import(fixture("small.txt"));
        m_prompts->take();
        setCell(1, 0, QStringLiteral("12-4567890"));
        findNamed<QPushButton>(&form(), "repairCcpButton")
            ->click(); // "Fixeé Cle" leaves that key alone, and says so
        QCOMPARE(
            m_prompts->take(),
            QStringList{
                "message: CLE corrigé pour 5 lignes sur 6. 1 ligne(s) n’ont pas pu être corrigées "
                "(compte vide ou pas uniquement des chiffres) : ligne(s) 2"});
        QCOMPARE(list().line(1).subItem(1), QStringLiteral("45"));
        QCOMPARE(status(1), 3);
        QCOMPARE(rowColour(1), Red);
        QCOMPARE(findNamed<TextLinesView>(&form(), "errorLinesView")->lines().value(2),
                 QStringLiteral("ERR: 1"));
        QCOMPARE(findNamed<TextLinesView>(&form(), "errorLinesView")->lines().value(3),
                 QStringLiteral("Ligne: 2 | Compte: 12-4567890 | CLE/RIP: 45 | Nom: KHALIL Omar | "
                                "'-' is not a valid integer value"));
        QCOMPARE(findNamed<QLabel>(&form(), "errorCaptionLabel")->text(),
                 QStringLiteral("Erreur: 1"));
        QCOMPARE(findNamed<TextLinesView>(&form(), "wrongKeysView")->lines(),
                 QStringList{"12-4567890/45 - Error"});
        // Every other line was still checked.
        QCOMPARE(findNamed<TextLinesView>(&form(), "errorLinesView")->lines().value(1),
                 QStringLiteral("CLE: 5"));
        // Activation refreshes without any box.
        reactivate();
        QVERIFY(m_prompts->take().isEmpty());
    }

    void everyFigureBelongsToTheListOnScreen()
    {
        import(fixture("small.txt"));
        expectFreshFigures("import");
        findNamed<QLineEdit>(&form(), "accountFilter")->setText(QStringLiteral("0000"));
        expectFreshFigures("account filter");
        selectRow(1);
        findNamed<QPushButton>(&form(), "deleteLineButton")->click();
        expectFreshFigures("delete under a filter");
        // Nothing stays selected: a second click deletes nothing.
        QCOMPARE(selectedRow(), -1);
        const int left = list().count();
        findNamed<QPushButton>(&form(), "deleteLineButton")->click();
        QCOMPARE(list().count(), left);
        findNamed<QLineEdit>(&form(), "nameFilter")->setText(QStringLiteral("ali"));
        expectFreshFigures("name filter");
        setCell(0, 1, QStringLiteral("99"));
        expectFreshFigures("edit");
        findNamed<QPushButton>(&form(), "repairCcpButton")->click();
        expectFreshFigures("CLE repair");
        findNamed<QLineEdit>(&form(), "nameFilter")->clear();
        expectFreshFigures("filter cleared");
        findNamed<QAction>(&form(), "cleanAction")->trigger();
        expectFreshFigures("clean");
        m_prompts->dialogs.enqueue([](QDialog *d) {
            findNamed<QLineEdit>(d, "nameBox")->setText(QStringLiteral("ALI BEN"));
            findNamed<QPushButton>(d, "addNewButton")->click();
        });
        findNamed<QAction>(&form(), "addLineAction")->trigger();
        expectFreshFigures("add");
        m_prompts->take();

        // "Supprimer tous" under a filter says how many it deletes and that a filter is on.
        findNamed<QLineEdit>(&form(), "nameFilter")->setText(QStringLiteral("ALI BEN"));
        const int shown = list().count(), all = list().totalCount();
        m_prompts->answers.enqueue(true);
        findNamed<QPushButton>(&form(), "deleteShownButton")->click();
        QCOMPARE(m_prompts->take(),
                 QStringList{
                     QStringLiteral(
                         "question: Un filtre est en cours : supprimer les %1 lignes affichées ?\n"
                         "(Les %2 lignes masquées sont gardées.)")
                         .arg(shown)
                         .arg(all - shown)});
        QCOMPARE(list().totalCount(), all - shown);
        expectFreshFigures("delete shown");
        findNamed<QLineEdit>(&form(), "nameFilter")->clear();
        expectFreshFigures("after delete shown");
        QCOMPARE(list().count(), all - shown);
    }

    void failedImportLeavesEveryFigureAsItWas()
    {
        import(fixture("small.txt"));
        findNamed<QLineEdit>(&form(), "nameFilter")->setText(QStringLiteral("ali"));
        m_prompts->take();
        const QStringList before = shownFigures();
        const QString path = findNamed<QLabel>(&form(), "pathLabel")->text();
        QByteArray bad = record(u"0012345678"_qs, u"03"_qs);
        bad.replace("NOM", "N\xC9M");
        import(writeFile(QStringLiteral("latin1.txt"), bad));
        QVERIFY(m_prompts->take().last().startsWith(QStringLiteral("error: ")));
        QCOMPARE(shownFigures(), before);
        QCOMPARE(findNamed<QLabel>(&form(), "pathLabel")->text(), path);
        QCOMPARE(findNamed<QLineEdit>(&form(), "nameFilter")->text(), QStringLiteral("ali"));
        QCOMPARE(list().count(), 3);
        expectFreshFigures("after a failed import");
    }

    void charactersOutsideTheBasicPlaneCountOnce()
    {
        // A name holding a character outside the Basic Multilingual Plane: the record's
        // columns still fall where the clerk counts them.
        QString name = QStringLiteral("\U0002000B") + QStringLiteral("ALI");
        QByteArray rec =
            record(u"0012345678"_qs, u"03"_qs, u"0000000010000"_qs, u"XXXX"_qs, u"D"_qs);
        rec.replace(QByteArray("XXXX"), name.toUtf8());
        import(writeFile(QStringLiteral("plan.txt"), rec));
        m_prompts->take();
        QCOMPARE(list().line(0).subItem(5), name);
        QCOMPARE(list().line(0).subItem(6), QStringLiteral("D"));
        // The editor's one-character contract type takes such a character whole.
        RecordEditor &ed = *findNamed<RecordEditor>(&form(), "addLineEditor");
        findNamed<QLineEdit>(&ed, "contractTypeBox")->clear();
        for (const QString &typed : {QStringLiteral("\U0001F600"), QStringLiteral("x")}) {
            QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, typed);
            QApplication::sendEvent(findNamed<QLineEdit>(&ed, "contractTypeBox"), &key);
        }
        QCOMPARE(findNamed<QLineEdit>(&ed, "contractTypeBox")->text(),
                 QStringLiteral("\U0001F600"));
    }

    void bigAmountsKeepAllThirteenDigits()
    {
        import(writeFile(QStringLiteral("big.txt"),
                         record(u"0012345678"_qs, u"03"_qs, u"9999999999999"_qs) +
                             record(u"0012345678"_qs, u"03"_qs, u"0002147483648"_qs)));
        m_prompts->take();
        QCOMPARE(list().line(0).subItem(2), QStringLiteral("99 999 999 999,99"));
        QCOMPARE(list().line(1).subItem(2), QStringLiteral(" 21 474 836,48"));
        QCOMPARE(findNamed<QLabel>(&form(), "netTotalLabel")->text(),
                 QStringLiteral("Total Net: 100 021 474 836,47 DA"));
    }

    // At the default size, larger and maximised: the list and the panels share the extra room,
    // the contract type column stays in view and no two controls overlap (a count sits on
    // its light by design).
    void layoutGivesRoomAndNothingOverlaps()
    {
        import(fixture("small.txt"));
        m_prompts->take();
        QSize previousTable, previousPanel;
        for (const QSize size : {QSize(940, 595), QSize(1240, 795), QSize(1920, 1080)}) {
            form().resize(size);
            QApplication::processEvents();
            const QString at = QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
            auto *table = findNamed<QTableView>(&form(), "lineTable");
            const QSize panel = findNamed<TextLinesView>(&form(), "wrongKeysView")->size();
            QVERIFY2(table->size().width() > previousTable.width() &&
                         table->size().height() > previousTable.height(),
                     qPrintable(at));
            QVERIFY2(panel.height() > previousPanel.height(), qPrintable(at));
            previousTable = table->size();
            previousPanel = panel;
            const int typeColumn = WorkingList::ContractTypeColumn;
            QVERIFY2(table->columnViewportPosition(typeColumn) + table->columnWidth(typeColumn) <=
                         table->viewport()->width(),
                     qPrintable(at));

            QList<QWidget *> shown;
            for (QWidget *w : form().findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
                if (w->isVisible() && !w->isWindow()) shown << w;
            for (QWidget *w : shown)
                QVERIFY2(form().rect().contains(w->geometry()),
                         qPrintable(at + u' ' + w->objectName()));
            const QSet<QString> onLights{"ripLight",      "ripCountLabel", "ccpLight",
                                         "ccpCountLabel", "errorLight",    "errorCountLabel"};
            for (int i = 0; i < shown.size(); ++i)
                for (int j = i + 1; j < shown.size(); ++j) {
                    const QString a = shown[i]->objectName(), b = shown[j]->objectName();
                    if (onLights.contains(a) && onLights.contains(b) && a.left(3) == b.left(3))
                        continue;
                    QVERIFY2(!shown[i]->geometry().intersects(shown[j]->geometry()),
                             qPrintable(at + u' ' + a + QStringLiteral(" / ") + b));
                }
        }
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
