// The window as a clerk uses it all day: filtered lists never passed off as whole, safe
// answers by default, filter boxes that say what applies, the keyboard, deleting a line, and
// lines numbered as the clerk finds them with the filter cleared.
#include "WindowFixture.h"

#include "keys/Keys.h"
#include "session/JournalKeeper.h"

#include <QMessageBox>
#include <QTimer>

class TestDailyUse : public QObject, WindowFixture
{
    Q_OBJECT

    QTableView *table() { return findNamed<QTableView>(&form(), "lineTable"); }
    QLineEdit *nameFilter() { return findNamed<QLineEdit>(&form(), "nameFilter"); }
    QLineEdit *accountFilter() { return findNamed<QLineEdit>(&form(), "accountFilter"); }
    QString status() { return findNamed<QLabel>(&form(), "statusLabel")->text(); }

    // A line of the list with its account's RIP key, or with a key that is neither.
    static QByteArray line(const char *digits, const char *name, bool rightKey = true)
    {
        const QString account = QString::fromLatin1(digits);
        QString key = ripKeyText(account);
        if (!rightKey) {
            const int ccp = ccpKeyValue(account), rip = ripKeyValue(account);
            int wrong = (rip + 1) % 100;
            while (wrong == ccp || wrong == rip)
                wrong = (wrong + 1) % 100;
            key = twoDigits(wrong);
        }
        return record(account, key, QStringLiteral("0000000100000"), QString::fromUtf8(name));
    }
    // Ten lines; "cherif s" shows lines 2, 4 and 8, the last two with wrong keys; line 10,
    // hidden by that filter, is wrong too; three accounts of other names hold "85".
    void importTen()
    {
        import(writeFile(
            QStringLiteral("ten.txt"),
            line("0000108501", "ALPHA Samia") + line("0000200002", "CHERIF Salim") +
                line("0000300003", "BETA Omar") + line("0000400004", "CHERIF Sara", false) +
                line("0000500085", "GAMMA Nadia") + line("0000600006", "CHERIF Amine") +
                line("0000700007", "DELTA Karim") + line("0000800008", "CHERIF Sofiane", false) +
                line("0000985009", "EPSILON Lina") + line("0001000010", "ZETA Rym", false)));
        QCOMPARE(list().count(), 10);
        m_prompts->take();
    }
    // The window active, the focus in a widget, then keys typed there.
    void focusOn(QWidget *w)
    {
        form().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form()));
        w->setFocus();
        QTRY_VERIFY(w->hasFocus());
    }
    void typeIn(QWidget *w, const QString &text)
    {
        focusOn(w);
        QTest::keyClicks(w, text);
    }
    void press(QWidget *w, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        focusOn(w);
        QTest::keyClick(w, Qt::Key(key), modifiers);
    }
    void filterCherifS()
    {
        typeIn(nameFilter(), QStringLiteral("cherif s"));
        QCOMPARE(list().count(), 3);
    }
    QString keyOfAll(int index) { return list().lineOfAll(index).subItem(TransferLine::Key); }

private slots:
    void init() { startWindow(); }
    void cleanup() { closeWindow(); }

    void filteredListIsNeverPassedOffAsWhole()
    {
        importTen();
        filterCherifS();
        const QString wrongHidden = keyOfAll(9);

        // Printing asks first, with both counts; No leaves the keys as they were.
        const QString printQuestion =
            QStringLiteral("question: Imprimer 3 lignes affichées sur 10 ? Les 7 lignes masquées "
                           "ne figureront pas sur la liste.");
        m_prompts->answers.enqueue(false);
        findNamed<QAction>(&form(), "printListAction")->trigger();
        QCOMPARE(m_prompts->take(), QStringList{printQuestion});
        QCOMPARE(list().line(1).figures.status, TransferLine::KeyStatus::Wrong);
        QVERIFY(m_prompts->reports.empty());

        // Yes: the repair says it touched the shown lines only, then the list is printed.
        m_prompts->answers.enqueue(true);
        findNamed<QAction>(&form(), "printListAction")->trigger();
        const QStringList shown = m_prompts->take();
        QCOMPARE(shown.size(), 3);
        QCOMPARE(shown[0], printQuestion);
        QCOMPARE(shown[1], QStringLiteral("message: RIP corrigé pour les 3 lignes affichées sur 10 "
                                          ": les 7 lignes masquées par le filtre n’ont pas été "
                                          "corrigées."));
        QVERIFY2(shown[2].startsWith(QStringLiteral("report: ")), qPrintable(shown[2]));
        QCOMPARE(keyOfAll(9), wrongHidden);

        // Exports ask the same way; after Yes the ordering code is asked, then the shown
        // lines are written.
        const QString exportQuestion =
            QStringLiteral("question: Exporter 3 lignes affichées sur 10 ? Les 7 lignes masquées "
                           "ne figureront pas dans le fichier.");
        m_prompts->answers.enqueue(true);
        m_prompts->inputs.enqueue(QStringLiteral("F1"));
        findNamed<QPushButton>(&form(), "exportTextButton")->click();
        const QStringList exported = m_prompts->take();
        QCOMPARE(exported.value(0), exportQuestion);
        QVERIFY(exported.value(1).startsWith(QStringLiteral("input: ")));
        QVERIFY2(exported.value(2).endsWith(QStringLiteral(
                     "3 lignes écrites : seules les lignes affichées (un filtre est en cours).")),
                 qPrintable(exported.value(2)));

        // No, to the error report or either export, does nothing more.
        const QString errorsQuestion = QStringLiteral(
            "question: Imprimer les erreurs des 3 lignes affichées sur 10 ? Les erreurs des 7 "
            "lignes masquées ne figureront pas sur le rapport.");
        setCell(0, TransferLine::Key, QStringLiteral("XX"));
        for (const auto &[action, question] : {std::pair{"errorReportAction", errorsQuestion},
                                               {"exportTextAction", exportQuestion},
                                               {"exportWorkbookAction", exportQuestion}}) {
            m_prompts->answers.enqueue(false);
            findNamed<QAction>(&form(), action)->trigger();
            QCOMPARE(m_prompts->take(), QStringList{question});
        }
        QCOMPARE(list().line(0).subItem(TransferLine::Key), QStringLiteral("XX"));

        // A filter that hides nothing asks nothing, and the repair is the whole list's.
        nameFilter()->clear();
        accountFilter()->setText(QStringLiteral("0"));
        QCOMPARE(list().count(), 10);
        findNamed<QAction>(&form(), "printListAction")->trigger();
        const QStringList whole = m_prompts->take();
        QCOMPARE(whole.value(0), QStringLiteral("message: RIP corrected for all items."));
        QCOMPARE(keyOfAll(9), ripKeyText(u"0001000010"));
        QVERIFY(m_prompts->enterSaysYes.isEmpty());
    }

    // Enter answers No to every question whose Yes would lose or replace work; the real
    // box shows its whole title, opens over the window, and Enter gives its default answer.
    void riskyQuestionsDefaultToTheSafeAnswer()
    {
        QtPrompts real;
        for (const auto &[byDefault, expected] :
             {std::pair{Prompts::Answer::No, false}, {Prompts::Answer::Yes, true}}) {
            bool checked = false;
            QTimer::singleShot(0, this, [&, byDefault = byDefault] {
                auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
                QVERIFY(box);
                QCOMPARE(box->defaultButton(),
                         box->button(byDefault == Prompts::Answer::No ? QMessageBox::No
                                                                      : QMessageBox::Yes));
                QVERIFY(box->width() >
                        QFontMetrics(box->font()).horizontalAdvance(box->windowTitle()) + 100);
                const QPoint middle = form().frameGeometry().center();
                QVERIFY2((box->frameGeometry().center() - middle).manhattanLength() < 60,
                         qPrintable(QStringLiteral("%1,%2").arg(box->x()).arg(box->y())));
                checked = true;
                QTest::keyClick(box, Qt::Key_Return);
            });
            // Should a check fail, the box still goes.
            QTimer guard;
            guard.setSingleShot(true);
            guard.callOnTimeout([] {
                if (QWidget *w = QApplication::activeModalWidget()) w->close();
            });
            guard.start(5000);
            QCOMPARE(real.question(&form(), QStringLiteral("Continuer ?"), byDefault), expected);
            QVERIFY(checked);
        }

        // The window's questions that lose or replace work: leaving, importing over the
        // changes, deleting the shown lines.
        importTen();
        setCell(0, TransferLine::Name, QStringLiteral("CHANGED"));
        m_prompts->answers.enqueue(false);
        QVERIFY(!form().close());
        m_prompts->answers.enqueue(false);
        form().openFile(m_tmp->filePath(QStringLiteral("ten.txt")));
        m_prompts->answers.enqueue(false);
        findNamed<QPushButton>(&form(), "deleteShownButton")->click();
        QCOMPARE(m_prompts->take().size(), 3);
        QVERIFY(m_prompts->enterSaysYes.isEmpty());

        // Taking back a list left unexported keeps the work: Yes is its default.
        form().journal().setDelay(std::chrono::milliseconds(0));
        setCell(1, TransferLine::Name, QStringLiteral("CHANGED AGAIN"));
        QTRY_VERIFY(QFile::exists(m_tmp->filePath(QStringLiteral("Journal/liste.journal"))));
        m_form.reset();
        m_prompts->answers.enqueue(true);
        openWindow();
        m_prompts->take();
        QCOMPARE(m_prompts->enterSaysYes.size(), 1);
        QVERIFY(m_prompts->enterSaysYes[0].startsWith(QStringLiteral("Une liste non exportée")));
        m_prompts->enterSaysYes.clear();
        m_prompts->answers.enqueue(true);
        QVERIFY(form().close());
        m_prompts->take();
    }

    // The first box, asked before the window is shown, opens over where the window will be.
    void firstBoxOpensOverTheWindow()
    {
        m_form.reset();
        newFolder(false);
        QRect box;
        QTimer::singleShot(0, this, [&box] {
            if (QWidget *w = QApplication::activeModalWidget()) {
                box = w->frameGeometry();
                w->close();
            }
        });
        QTimer guard;
        guard.setSingleShot(true);
        guard.callOnTimeout([] {
            if (QWidget *w = QApplication::activeModalWidget()) w->close();
        });
        guard.start(5000);
        MainWindow window(std::make_shared<QtPrompts>(), Folders(m_tmp->path()));
        QVERIFY(box.isValid());
        QVERIFY2((box.center() - window.geometry().center()).manhattanLength() < 60,
                 qPrintable(QStringLiteral("%1,%2").arg(box.x()).arg(box.y())));
    }

    void filterBoxesSayWhatApplies()
    {
        importTen();
        filterCherifS();
        // Typing in the account box empties the name box: the table shows other names.
        typeIn(accountFilter(), QStringLiteral("85"));
        QCOMPARE(nameFilter()->text(), QString());
        QCOMPARE(list().count(), 3);
        for (int r = 0; r < list().count(); ++r)
            QVERIFY(list().line(r).subItem(TransferLine::Account).contains(u"85"));
        // Clearing it shows every line, with nothing left written in either box.
        press(accountFilter(), Qt::Key_Backspace);
        press(accountFilter(), Qt::Key_Backspace);
        QCOMPARE(list().count(), 10);
        QCOMPARE(accountFilter()->text() + nameFilter()->text(), QString());
        QCOMPARE(findNamed<QLabel>(&form(), "shownCountLabel")->text(), QString());
        // And back the other way.
        typeIn(accountFilter(), QStringLiteral("85"));
        typeIn(nameFilter(), QStringLiteral("cherif"));
        QCOMPARE(accountFilter()->text(), QString());
        QCOMPARE(list().count(), 4);
        expectFreshFigures("name filter after account filter");
        QVERIFY(m_prompts->take().isEmpty());
    }

    void windowKeysWorkFromTheFilterBoxes()
    {
        importTen();
        filterCherifS();

        // Ctrl+E exports; the box keeps its text and its cursor.
        nameFilter()->setCursorPosition(2);
        m_prompts->answers.enqueue(false);
        press(nameFilter(), Qt::Key_E, Qt::ControlModifier);
        QCOMPARE(m_prompts->take().value(0).left(19), QStringLiteral("question: Exporter "));
        QCOMPARE(nameFilter()->cursorPosition(), 2);
        QCOMPARE(nameFilter()->text(), QStringLiteral("cherif s"));

        // Ctrl+P prints, Ctrl+R prints the errors (both ask first under the filter).
        for (const auto &[key, start] : {std::pair{Qt::Key_P, "question: Imprimer 3"},
                                         {Qt::Key_R, "question: Imprimer les erreurs"}}) {
            m_prompts->answers.enqueue(false);
            press(nameFilter(), key, Qt::ControlModifier);
            QVERIFY(m_prompts->take().value(0).startsWith(QString::fromUtf8(start)));
        }

        // Ctrl+Z undoes the list's last change, not the box's typing; Ctrl+Y redoes it.
        selectRow(0);
        findNamed<QPushButton>(&form(), "deleteLineButton")->click();
        QCOMPARE(list().totalCount(), 9);
        press(nameFilter(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(list().totalCount(), 10);
        QCOMPARE(nameFilter()->text(), QStringLiteral("cherif s"));
        press(nameFilter(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(list().totalCount(), 9);
        press(nameFilter(), Qt::Key_Z, Qt::ControlModifier);
        // With nothing to undo the box is left alone too.
        press(nameFilter(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(nameFilter()->text(), QStringLiteral("cherif s"));

        // Enter and Down go to the list, on its first line when none is current.
        for (int key : {Qt::Key_Return, Qt::Key_Down}) {
            table()->setCurrentIndex(QModelIndex());
            table()->clearSelection();
            press(nameFilter(), key);
            QVERIFY(table()->hasFocus());
            QCOMPARE(selectedRow(), 0);
        }

        // Shift+F10 opens the list's menu, from the list and from a filter box.
        auto *menu = findNamed<QMenu>(&form(), "lineMenu");
        for (QWidget *from :
             {static_cast<QWidget *>(table()), static_cast<QWidget *>(nameFilter())}) {
            press(from, Qt::Key_F10, Qt::ShiftModifier);
            QTRY_VERIFY(menu->isVisible());
            menu->hide();
        }

        // Every button and menu entry can be reached from the keyboard, each letter once.
        QSet<QString> letters;
        for (QPushButton *b : form().findChildren<QPushButton *>(Qt::FindDirectChildrenOnly)) {
            const QKeySequence mnemonic = QKeySequence::mnemonic(b->text());
            QVERIFY2(!mnemonic.isEmpty(), qPrintable(b->text()));
            QVERIFY2(!letters.contains(mnemonic.toString()), qPrintable(b->text()));
            letters << mnemonic.toString();
        }
        letters.clear();
        for (QAction *a : menu->actions()) {
            if (a->isSeparator()) continue;
            const QKeySequence mnemonic = QKeySequence::mnemonic(a->text());
            QVERIFY2(!mnemonic.isEmpty() || !a->shortcuts().isEmpty(), qPrintable(a->text()));
            QVERIFY2(mnemonic.isEmpty() || !letters.contains(mnemonic.toString()),
                     qPrintable(a->text()));
            letters << mnemonic.toString();
        }
        m_prompts->take();
    }

    void deletingOneLineIsTheSameEverywhere()
    {
        importTen();
        const QString told = QStringLiteral(
            "Ligne 3 supprimée (BETA Omar, compte 0000300003) : Ctrl+Z la rétablit.");
        const std::function<void()> ways[] = {
            [&] { findNamed<QPushButton>(&form(), "deleteLineButton")->click(); },
            [&] { findNamed<QAction>(&form(), "deleteLineAction")->trigger(); },
            [&] { press(table(), Qt::Key_Delete); },
        };
        for (const auto &deleteLine : ways) {
            selectRow(2);
            deleteLine();
            QVERIFY(m_prompts->take().isEmpty()); // no question
            QCOMPARE(list().count(), 9);
            QCOMPARE(list().line(2).subItem(TransferLine::Name).trimmed(),
                     QStringLiteral("CHERIF Sara"));
            QCOMPARE(status(), told);
            expectFreshFigures("deleted");
            // Ctrl+Z brings it back, and the status line no longer says it went.
            press(table(), Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(list().count(), 10);
            QCOMPARE(list().line(2).subItem(TransferLine::Name).trimmed(),
                     QStringLiteral("BETA Omar"));
            QCOMPARE(status(), QString());
        }

        // Under a filter the line is named by its number in the whole list.
        filterCherifS();
        selectRow(1);
        press(table(), Qt::Key_Delete);
        QCOMPARE(status(), QStringLiteral("Ligne 4 supprimée (CHERIF Sara, compte 0000400004) : "
                                          "Ctrl+Z la rétablit."));
        QCOMPARE(list().totalCount(), 9);
    }

    void errorLinesNumberLinesInTheWholeList()
    {
        importTen();
        auto errorLines = [this] {
            return findNamed<TextLinesView>(&form(), "errorLinesView")->lines().filter(u"Ligne: ");
        };
        QCOMPARE(errorLines().size(), 3);
        const QStringList whole = errorLines();
        filterCherifS();
        // Lines 4 and 8 of the list are rows 2 and 3 of the filtered table.
        QCOMPARE(errorLines(), whole.mid(0, 2));
        QVERIFY(errorLines().value(1).startsWith(QStringLiteral("Ligne: 8 | Compte: 0000800008")));
        std::vector<int> rows;
        for (const ErrorRecord &r : form().session().errorRecords())
            rows.push_back(r.row);
        QCOMPARE(rows, (std::vector<int>{4, 8}));
        expectFreshFigures("filtered");

        // A line that cannot be repaired is named the same way.
        setCell(2, TransferLine::Account, QString());
        findNamed<QPushButton>(&form(), "repairRipButton")->click();
        QCOMPARE(m_prompts->take(),
                 QStringList{QStringLiteral(
                     "message: RIP corrigé pour 2 des 3 lignes affichées sur 10 : les 7 lignes "
                     "masquées par le filtre n’ont pas été corrigées. 1 ligne(s) n’ont pas pu être "
                     "corrigées (compte vide ou pas uniquement des chiffres) : ligne(s) 8")});
    }

    // The place keeps its empty lines, at the end too, from one start to the next.
    void placeKeepsItsEmptyLines()
    {
        m_form.reset();
        m_prompts->take();
        newFolder(false);
        QDir(m_tmp->path()).mkpath(QStringLiteral("Fichier_INI"));
        const QString ini = writeFile(QStringLiteral("Fichier_INI/Direction.ini"),
                                      "[Infos]\r\nLine0=APC X\r\nCount=3\r\n");
        for (int run = 0; run < 2; ++run) {
            openWindow();
            m_prompts->take();
            QCOMPARE(findNamed<QPlainTextEdit>(&form(), "placeMemo")->toPlainText(),
                     QStringLiteral("APC X\n\n"));
            QVERIFY(form().close());
            QCOMPARE(readFile(ini),
                     QByteArray("[Infos]\r\nLine0=APC X\r\nLine1=\r\nLine2=\r\nCount=3\r\n"));
            m_form.reset();
        }
    }
};

QTEST_MAIN(TestDailyUse)
#include "test_daily_use.moc"
