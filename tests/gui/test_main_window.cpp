#include "WindowFixture.h"
#include "TextLinesView.h"
#include "StatusLight.h"
#include "MainWindow.h"
#include "RecordEditor.h"
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
        QCOMPARE(form().ListView1->model()->columnCount(), 8);
        QStringList captions;
        for (int c = 0; c < 8; ++c)
            captions << form().ListView1->model()->headerData(c, Qt::Horizontal).toString();
        QCOMPARE(captions, (QStringList{"CodePTT+Agence", "Compte", "CLE/RIP", "Net", "Rendement",
                                        "NumAss", "NomPrenom", "TypeContrat"}));
        // The first activation refreshed the empty list.
        QCOMPARE(form().MemoErreurs->lines(), (QStringList{"RIP: 0", "CLE: 0", "ERR: 0"}));
        QCOMPARE(form().LabelTotalNet->text(), QStringLiteral("Total Net:    0,00 DA"));
        QCOMPARE(form().LabelTotalRendement->text(), QStringLiteral("Total Rend:    0,00 DA"));
        QCOMPARE(form().Label1->text(), QStringLiteral("Total General:    0,00 DA"));
        QCOMPARE(form().Edit5->text(), QStringLiteral("   0,00"));
        QCOMPARE(form().Label3->text(), QStringLiteral("0"));
        // The circles show the empty list: none is coloured.
        for (StatusLight *circle : {form().ShapeRip, form().ShapeCle, form().ShapeError})
            QCOMPARE(circle->brushColor(), form().palette().color(QPalette::Button));
        QCOMPARE(form().LabelError->text(), QStringLiteral("Erreur: 0"));
        QCOMPARE(form().LabelShown->text(), QString());
        QCOMPARE(form().LabelVersion->text(), QStringLiteral("LabelServerVersion"));
        QVERIFY(QDir(m_tmp->path()).exists()); // nothing else required yet
        // The pop-up menu's entries, in order.
        QStringList entries;
        for (QAction *a : form().pm1->actions())
            entries << (a->isSeparator() ? QStringLiteral("-") : a->text());
        QCOMPARE(entries, (QStringList{"Add", "Modifier", "Importé (txt-xls)", "-", "Exporté Txt",
                                       "Exporté xls", "-", "Fixé RIP", "Fixé Clé", "Clean DATA", "-",
                                       "Supprimé Ligne", "Supprimé Tous", "-", "Rapport Des Erreur",
                                       "Tirage Liste", "-", "Comparer avec une liste…"}));
        // The clock shows the date and time.
        QVERIFY(QRegularExpression(QStringLiteral("^\\d\\d-\\d\\d-\\d{4}, \\d\\d:\\d\\d:\\d\\d$"))
                    .match(form().Label7->text())
                    .hasMatch());
    }

    void importShowsLinesColoursCountersAndPanels()
    {
        import(fixture("small.txt"));
        QCOMPARE(m_prompts->take(),
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
        QCOMPARE(list().data(list().index(2, 0), Qt::ForegroundRole).value<QColor>(), QColor(Qt::white));
        QCOMPARE(list().data(list().index(2, 3), Qt::ForegroundRole).value<QColor>(), QColor(Qt::black));

        QCOMPARE(form().MemoErreurs->lines(),
                 (QStringList{"RIP: 2", "CLE: 2", "ERR: 2",
                              "Ligne: 3 | Compte: 0000000004 | CLE/RIP: 11 | Nom: NOM PRENOM | "
                              "Cle/RIP erronée (attendu CLE=16 RIP=97)",
                              "Ligne: 6 | Compte: 0000000001 | CLE/RIP: 4 | Nom: SAÏD Réda | "
                              "Cle/RIP erronée (attendu CLE=04 RIP=09)"}));
        QCOMPARE(form().LabelTotalNet->text(), QStringLiteral("Total Net:   53 069,62 DA"));
        QCOMPARE(form().LabelTotalRendement->text(), QStringLiteral("Total Rend:    350,25 DA"));
        QCOMPARE(form().Label1->text(), QStringLiteral("Total General:   53 419,87 DA"));
        QCOMPARE(form().Edit3->text(), QStringLiteral("  53 069,62"));
        // The circles count by the same check: the key "4" is not the CCP key 04.
        QCOMPARE(form().LabelRip->text(), QStringLiteral("RIP: 2"));
        QCOMPARE(form().LabelCle->text(), QStringLiteral("CLE: 2"));
        QCOMPARE(form().LabelError->text(), QStringLiteral("Erreur: 2"));
        QCOMPARE(form().Label2->text(), QStringLiteral("2"));
        QCOMPARE(form().ShapeRip->brushColor(), QColor(0, 255, 0));
        QCOMPARE(form().Memo1->lines(), (QStringList{"0000000004/11 - Error", "0000000001/4 - Error"}));
        QCOMPARE(form().MemoComptes->lines(), (QStringList{"---------", "0012345678/03  (2)"}));
        QCOMPARE(form().MemoNoms->lines(), (QStringList{"T.Contrat Doublons", "D  (2)", "P  (3)"}));
        QCOMPARE(form().memoNomPrenom->lines(), QStringList{"ALI BEN  (2)"});
        QCOMPARE(form().Label8->text(), QStringLiteral("Nb Comptes Double : 1"));
        QCOMPARE(form().Label9->text(), QStringLiteral("Nb Type Du Contrat : 2"));
        QCOMPARE(form().Label10->text(), QStringLiteral("Nb des Erreur : 2"));
        QCOMPARE(form().Label11->text(), QStringLiteral("Nb Nom Double : 1"));
        QCOMPARE(form().LabelPath->text(), QStringLiteral("Imported: ") + fixture("small.txt"));
        QCOMPARE(form().ProgressBar1->value(), form().ProgressBar1->maximum());
        QCOMPARE(form().session().errorRecords().size(), size_t(2));
        const ErrorRecord rec = form().session().errorRecords()[0];
        QCOMPARE(rec.row, 3);
        QCOMPARE(rec.newValue, QStringLiteral("16 - 97"));
        QCOMPARE(rec.netPayer, QStringLiteral("3 000,50"));

        // Refreshing again adds nothing; importing the same file again doubles nothing.
        form().showFigures();
        QCOMPARE(form().MemoErreurs->lineCount(), 5);
        import(fixture("small.txt"));
        QCOMPARE(form().MemoErreurs->lineCount(), 5);
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
        QPushButton *buttons[] = {form().BtnFix, nullptr, form().Button1, nullptr};
        QAction *entries[] = {nullptr, form().mniF1, nullptr, form().mniF2};
        if (buttons[command])
            buttons[command]->click();
        else
            entries[command]->trigger();
        QCOMPARE(m_prompts->take(), QStringList{message});
        for (int r = 0; r < list().count(); ++r)
            QCOMPARE(rowColour(r), colour);
        QCOMPARE(form().MemoErreurs->lines().mid(3), QStringList());
        QCOMPARE(form().session().errorRecords().size(), size_t(0));
        QCOMPARE(form().Memo1->lineCount(), 0);
    }

    void repairOnEmptyListStillReports()
    {
        form().BtnFix->click();
        QCOMPARE(m_prompts->take(), QStringList{"message: RIP corrected for all items."});
    }

    void filtersHideLinesAndNeverLoseWork()
    {
        import(fixture("small.txt"));
        m_prompts->take();
        // Edit a key, delete a line: both survive typing and clearing a filter.
        setCell(2, 1, QStringLiteral("97"));
        selectRow(1);
        form().Button2->click();
        QCOMPARE(list().count(), 5);
        const QString totalsBefore = form().LabelTotalNet->text();

        form().Edit1->setText(QStringLiteral(" 45 ")); // blanks around the filter are ignored
        QCOMPARE(list().count(), 2);                  // 0012345678 twice
        QCOMPARE(list().line(0).subItem(0), QStringLiteral("0012345678"));
        form().Edit1->setText(QStringLiteral("   "));
        QCOMPARE(list().count(), 5);
        QCOMPARE(list().line(1).subItem(1), QStringLiteral("97"));
        QCOMPARE(form().LabelTotalNet->text(), totalsBefore); // every line shown again

        // Name filter: substring, A-Z folded only, and the account box no longer applies.
        form().Edit1->setText(QStringLiteral("0000"));
        form().Edit2->setText(QStringLiteral("ali"));
        QCOMPARE(list().count(), 2);
        form().Edit2->setText(QStringLiteral("zoé hélène"));
        QCOMPARE(list().count(), 0); // É is not folded
        form().Edit2->setText(QStringLiteral("zoé HÉLÈNE"));
        QCOMPARE(list().count(), 1);

        // Commands act on the shown lines; the figures are those of the shown lines.
        form().Edit2->setText(QStringLiteral("SAÏD"));
        QCOMPARE(form().LabelShown->text(), QStringLiteral("1 / 5 lignes affichées"));
        QCOMPARE(form().LabelError->text(), QStringLiteral("Erreur: 1"));
        QCOMPARE(form().session().errorRecords().size(), size_t(1));
        form().BtnFix->click();
        form().Edit2->clear();
        QCOMPARE(keys(), (QStringList{"03", "97", "03", "39", "09"}));
        // The deleted line stays deleted.
        for (int r = 0; r < list().count(); ++r)
            QVERIFY(list().line(r).subItem(0) != QStringLiteral("1234567890"));
        m_prompts->take();
    }

    void cleanDataNormalisesWidths()
    {
        QCOMPARE(list().count(), 0);
        form().mniC1->trigger();
        QVERIFY(m_prompts->take().isEmpty()); // empty list: nothing at all

        import(writeFile(QStringLiteral("c.txt"), record(u"12345"_qs, u"7"_qs) + record(u"0123456789"_qs, u""_qs, {}, u"ALI"_qs)));
        m_prompts->take();
        struct Cell {
            int row, sub;
            QString value;
        };
        setCell(1, 0, QStringLiteral("  001234567890  "));
        setCell(1, 1, QStringLiteral("123"));
        setCell(0, 5, QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ1234"));
        form().mniC1->trigger();
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
        QCOMPARE(form().MemoErreurs->lines().value(2), QStringLiteral("ERR: 2"));
        // An empty key becomes 00.
        setCell(0, 1, QString());
        form().mniC1->trigger();
        QCOMPARE(list().line(0).subItem(1), QStringLiteral("00"));
        m_prompts->take();
    }

    void deleteKeepsTotalsInStep()
    {
        import(fixture("small.txt"));
        m_prompts->take();
        // Nothing selected: nothing removed, the refreshes still run.
        form().ListView1->clearSelection();
        form().Button2->click();
        QCOMPARE(list().count(), 6);
        selectRow(4); // 45 000,00
        form().mniS1->trigger();
        QCOMPARE(list().count(), 5);
        QCOMPARE(form().LabelTotalNet->text(), QStringLiteral("Total Net:   8 069,62 DA"));
        QCOMPARE(form().Label3->text(), QStringLiteral("2"));
        QCOMPARE(form().MemoNoms->lines(), (QStringList{"T.Contrat Doublons", "D  (2)", "P  (2)"}));
        QVERIFY(m_prompts->take().isEmpty());
    }

    void deleteAllAsksFirst()
    {
        import(fixture("small.txt"));
        m_prompts->take();
        m_prompts->answers.enqueue(false);
        form().Button3->click();
        QCOMPARE(list().count(), 6);
        QCOMPARE(m_prompts->take(), QStringList{"question: Supprimer tous les enregistrements ?\n(6 lignes)"});
        QCOMPARE(form().LabelError->text(), QStringLiteral("Erreur: 2"));

        m_prompts->answers.enqueue(true);
        form().mniS2->trigger();
        QCOMPARE(list().count(), 0);
        QCOMPARE(form().LabelTotalNet->text(), QStringLiteral("Total Net:    0,00 DA"));
        QCOMPARE(form().LabelError->text(), QStringLiteral("Erreur: 0"));
        QCOMPARE(form().ShapeError->brushColor(), form().palette().color(QPalette::Button));
        QCOMPARE(form().MemoComptes->lines(), QStringList{"---------"});
        QCOMPARE(form().Label8->text(), QStringLiteral("Nb Comptes Double : 0"));
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
        form().BtnImport->click();
        QCOMPARE(m_prompts->take().size(), 1);

        import(missing);
        QCOMPARE(m_prompts->take().mid(1), QStringList{"message: File not found: " + missing});

        const QString csv = writeFile(QStringLiteral("liste.csv"), record(u"0012345678"_qs, u"03"_qs));
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
        const QString locked = writeFile(QStringLiteral("locked.txt"), record(u"0012345678"_qs, u"03"_qs));
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
        const QString upper = writeFile(QStringLiteral("LISTE.TXT"),
                                        "16000010000123456780300000001234\r\n\r\n" + record(u"1"_qs, u"  "_qs) + "\r\n");
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
        form().Button1->click(); // "Fixeé Cle" leaves that key alone, and says so
        QCOMPARE(m_prompts->take(),
                 QStringList{"message: CLE corrigé pour 5 lignes sur 6. 1 ligne(s) n’ont pas pu être corrigées "
                             "(compte vide ou pas uniquement des chiffres) : ligne(s) 2"});
        QCOMPARE(list().line(1).subItem(1), QStringLiteral("45"));
        QCOMPARE(status(1), 3);
        QCOMPARE(rowColour(1), Red);
        QCOMPARE(form().MemoErreurs->lines().value(2), QStringLiteral("ERR: 1"));
        QCOMPARE(form().MemoErreurs->lines().value(3),
                 QStringLiteral("Ligne: 2 | Compte: 12-4567890 | CLE/RIP: 45 | Nom: KHALIL Omar | "
                                "'-' is not a valid integer value"));
        QCOMPARE(form().LabelError->text(), QStringLiteral("Erreur: 1"));
        QCOMPARE(form().Memo1->lines(), QStringList{"12-4567890/45 - Error"});
        // Every other line was still checked.
        QCOMPARE(form().MemoErreurs->lines().value(1), QStringLiteral("CLE: 5"));
        // Activation refreshes without any box.
        form().runCommand([this] { form().showFigures(); });
        QVERIFY(m_prompts->take().isEmpty());
    }

    void everyFigureBelongsToTheListOnScreen()
    {
        import(fixture("small.txt"));
        expectFreshFigures("import");
        form().Edit1->setText(QStringLiteral("0000"));
        expectFreshFigures("account filter");
        selectRow(1);
        form().Button2->click();
        expectFreshFigures("delete under a filter");
        // Nothing stays selected: a second click deletes nothing.
        QCOMPARE(form().selectedRow(), -1);
        const int left = list().count();
        form().Button2->click();
        QCOMPARE(list().count(), left);
        form().Edit2->setText(QStringLiteral("ali"));
        expectFreshFigures("name filter");
        setCell(0, 1, QStringLiteral("99"));
        expectFreshFigures("edit");
        form().Button1->click();
        expectFreshFigures("CLE repair");
        form().Edit2->clear();
        expectFreshFigures("filter cleared");
        form().mniC1->trigger();
        expectFreshFigures("clean");
        m_prompts->dialogs.enqueue([](QDialog *d) {
            static_cast<RecordEditor *>(d)->EditNomPrenom->setText(QStringLiteral("ALI BEN"));
            static_cast<RecordEditor *>(d)->ButtonValidate1->click();
        });
        form().mniA1->trigger();
        expectFreshFigures("add");
        m_prompts->take();

        // "Supprimer tous" under a filter says how many it deletes and that a filter is on.
        form().Edit2->setText(QStringLiteral("ALI BEN"));
        const int shown = list().count(), all = list().totalCount();
        m_prompts->answers.enqueue(true);
        form().Button3->click();
        QCOMPARE(m_prompts->take(),
                 QStringList{QStringLiteral("question: Un filtre est en cours : supprimer les %1 lignes affichées ?\n"
                                            "(Les %2 lignes masquées sont gardées.)")
                                 .arg(shown)
                                 .arg(all - shown)});
        QCOMPARE(list().totalCount(), all - shown);
        expectFreshFigures("delete shown");
        form().Edit2->clear();
        expectFreshFigures("after delete shown");
        QCOMPARE(list().count(), all - shown);
    }

    void failedImportLeavesEveryFigureAsItWas()
    {
        import(fixture("small.txt"));
        form().Edit2->setText(QStringLiteral("ali"));
        m_prompts->take();
        const QStringList before = shownFigures();
        const QString path = form().LabelPath->text();
        QByteArray bad = record(u"0012345678"_qs, u"03"_qs);
        bad.replace("NOM", "N\xC9M");
        import(writeFile(QStringLiteral("latin1.txt"), bad));
        QVERIFY(m_prompts->take().last().startsWith(QStringLiteral("error: ")));
        QCOMPARE(shownFigures(), before);
        QCOMPARE(form().LabelPath->text(), path);
        QCOMPARE(form().Edit2->text(), QStringLiteral("ali"));
        QCOMPARE(list().count(), 3);
        expectFreshFigures("after a failed import");
    }

    void charactersOutsideTheBasicPlaneCountOnce()
    {
        // A name holding a character outside the Basic Multilingual Plane: the record's
        // columns still fall where the clerk counts them.
        QString name = QStringLiteral("\U0002000B") + QStringLiteral("ALI");
        QByteArray rec = record(u"0012345678"_qs, u"03"_qs, u"0000000010000"_qs, u"XXXX"_qs, u"D"_qs);
        rec.replace(QByteArray("XXXX"), name.toUtf8());
        import(writeFile(QStringLiteral("plan.txt"), rec));
        m_prompts->take();
        QCOMPARE(list().line(0).subItem(5), name);
        QCOMPARE(list().line(0).subItem(6), QStringLiteral("D"));
        // The editor's one-character contract type takes such a character whole.
        RecordEditor &ed = *form().Form2;
        ed.EditTypeContrat->clear();
        for (const QString &typed : {QStringLiteral("\U0001F600"), QStringLiteral("x")}) {
            QKeyEvent key(QEvent::KeyPress, 0, Qt::NoModifier, typed);
            QApplication::sendEvent(ed.EditTypeContrat, &key);
        }
        QCOMPARE(ed.EditTypeContrat->text(), QStringLiteral("\U0001F600"));
    }

    void bigAmountsKeepAllThirteenDigits()
    {
        import(writeFile(QStringLiteral("big.txt"), record(u"0012345678"_qs, u"03"_qs, u"9999999999999"_qs) +
                                                        record(u"0012345678"_qs, u"03"_qs, u"0002147483648"_qs)));
        m_prompts->take();
        QCOMPARE(list().line(0).subItem(2), QStringLiteral("99 999 999 999,99"));
        QCOMPARE(list().line(1).subItem(2), QStringLiteral(" 21 474 836,48"));
        QCOMPARE(form().LabelTotalNet->text(), QStringLiteral("Total Net: 100 021 474 836,47 DA"));
    }

    void resizingGivesRoomToTheTable()
    {
        const QRect table = form().ListView1->geometry();
        const QRect memo = form().Memo1->geometry();
        form().resize(1240, 795);
        QCOMPARE(form().ListView1->geometry().size(), table.size() + QSize(300, 200));
        QCOMPARE(form().Memo1->geometry().topLeft(), memo.topLeft() + QPoint(300, 0));
        QCOMPARE(form().LabelPath->y(), 556 + 200);
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
