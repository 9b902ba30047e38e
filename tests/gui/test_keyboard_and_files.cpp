// The clerk's keyboard, files opened from outside the window, and changes never exported.
#include "WindowFixture.h"

#include "DialogFolders.h"
#include "QtTranslation.h"

#include <QMessageBox>
#include <QMimeData>
#include <QSettings>

class TestKeyboardAndFiles : public QObject, WindowFixture
{
    Q_OBJECT

    QTableView *table() { return findNamed<QTableView>(&form(), "lineTable"); }

    // Three lines: two right, one with a wrong key.
    QString threeLines()
    {
        return writeFile(
            QStringLiteral("three.txt"),
            record(u"0012345678"_qs, u"03"_qs, u"0000000100000"_qs, u"ALPHA Samia"_qs) +
                record(u"0000000001"_qs, u"45"_qs, u"0000000200000"_qs, u"BETA Omar"_qs) +
                record(u"0000000002"_qs, u"18"_qs, u"0000000300000"_qs, u"GAMMA Nadia"_qs));
    }
    void importThree()
    {
        import(threeLines());
        m_prompts->take();
    }
    // The window is active again (a dialog may have been shown), the list has the focus.
    void typeInTable(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        form().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form()));
        table()->setFocus();
        QTest::keyClick(table(), Qt::Key(key), modifiers);
    }

private slots:
    void init() { startWindow(); }
    void cleanup() { closeWindow(); }

    void shortcutsRunTheirCommands()
    {
        // Ctrl+O imports.
        m_prompts->files.enqueue(threeLines());
        QTest::keyClick(&form(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(list().count(), 3);
        m_prompts->take();

        // Delete removes the line as the button does; the status line names it.
        selectRow(1);
        typeInTable(Qt::Key_Delete);
        QVERIFY(m_prompts->take().isEmpty());
        QCOMPARE(findNamed<QLabel>(&form(), "statusLabel")->text(),
                 QStringLiteral("Ligne 2 supprimée (BETA Omar, compte 0000000001) : Ctrl+Z la "
                                "rétablit."));
        QCOMPARE(list().count(), 2);
        QCOMPARE(list().line(1).subItem(TransferLine::Name).trimmed(),
                 QStringLiteral("GAMMA Nadia"));
        expectFreshFigures("after Delete");

        // Enter and F2 open the editor on the selected line; Ctrl+N opens the add editor.
        for (const auto &[key, modifiers] : {std::pair{Qt::Key_Return, Qt::NoModifier},
                                             {Qt::Key_F2, Qt::NoModifier},
                                             {Qt::Key_N, Qt::ControlModifier}}) {
            selectRow(0);
            m_prompts->dialogs.enqueue(
                [](QDialog *d) { findNamed<QPushButton>(d, "cancelButton")->click(); });
            typeInTable(key, modifiers);
            QCOMPARE(m_prompts->take(), QStringList{"dialog: Modifier les informations"});
        }

        // Ctrl+F goes to the name filter; Escape clears it.
        typeInTable(Qt::Key_F, Qt::ControlModifier);
        auto *nameFilter = findNamed<QLineEdit>(&form(), "nameFilter");
        QVERIFY(nameFilter->hasFocus());
        QTest::keyClicks(nameFilter, QStringLiteral("gam"));
        QCOMPARE(list().count(), 1);
        QTest::keyClick(nameFilter, Qt::Key_Escape);
        QVERIFY(nameFilter->text().isEmpty());
        QCOMPARE(list().count(), 2);
        QVERIFY(m_prompts->take().isEmpty());
    }

    void tabLeavesTheTableAndThePlace()
    {
        importThree();
        selectRow(0);
        typeInTable(Qt::Key_Tab);
        QVERIFY(!table()->hasFocus());

        auto *place = findNamed<QPlainTextEdit>(&form(), "placeMemo");
        const QString before = place->toPlainText();
        place->setFocus();
        QTest::keyClick(place, Qt::Key_Tab);
        QVERIFY(!place->hasFocus());
        QCOMPARE(place->toPlainText(), before);
    }

    void editorEnterSavesAndEscapeCancels()
    {
        importThree();
        for (const auto &[key, name] :
             {std::pair{Qt::Key_Escape, "ALPHA Samia"}, {Qt::Key_Return, "DELTA Karim"}}) {
            selectRow(0);
            m_prompts->dialogs.enqueue([key = key](QDialog *d) {
                auto *box = findNamed<QLineEdit>(d, "nameBox");
                box->setText(QStringLiteral("DELTA Karim"));
                box->setFocus();
                QTest::keyClick(box, key);
            });
            typeInTable(Qt::Key_F2);
            m_prompts->take();
            QCOMPARE(list().line(0).subItem(TransferLine::Name).trimmed(), QString::fromUtf8(name));
        }
    }

    // A file named on the command line, dropped on the window, or picked again from the
    // recent files is imported as the import command does.
    void filesOpenFromOutsideTheWindow()
    {
        const QString path = threeLines();
        form().openFile(path);
        QCOMPARE(list().count(), 3);
        QCOMPARE(m_prompts->take(), QStringList{"message: D: 0\nI: 0\nP: 3"});

        // A list with unexported changes is replaced only when the clerk says so.
        setCell(0, TransferLine::Name, QStringLiteral("CHANGED"));
        m_prompts->answers.enqueue(false);
        form().openFile(path);
        QCOMPARE(list().line(0).subItem(TransferLine::Name).trimmed(), QStringLiteral("CHANGED"));
        QVERIFY(m_prompts->take().value(0).endsWith(QStringLiteral("Importer quand même ?")));
        m_prompts->answers.enqueue(true);
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(&form(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&form(), &drop);
        QTRY_COMPARE(list().line(0).subItem(TransferLine::Name).trimmed(),
                     QStringLiteral("ALPHA Samia"));
        m_prompts->take();

        QCOMPARE(QSettings().value(QStringLiteral("recentFiles")).toStringList().value(0),
                 QFileInfo(path).absoluteFilePath());

        // A missing file is refused by name and leaves the list.
        form().openFile(m_tmp->filePath(QStringLiteral("missing.txt")));
        QCOMPARE(list().count(), 3);
        QCOMPARE(m_prompts->take().size(), 1);
    }

    void closingWithUnexportedChangesAsks()
    {
        importThree();
        // Read and untouched: closes without a word.
        QVERIFY(form().close());
        QVERIFY(m_prompts->take().isEmpty());

        openWindow();
        m_prompts->take();
        importThree();
        setCell(0, TransferLine::Name, QStringLiteral("CHANGED"));
        m_prompts->answers.enqueue(false);
        QVERIFY(!form().close());
        QVERIFY(m_prompts->take().value(0).startsWith(
            QStringLiteral("question: La liste a été modifiée depuis le dernier export : ")));
        QVERIFY(form().isVisible());
        m_prompts->answers.enqueue(true);
        QVERIFY(form().close());
        m_prompts->take();

        // After an export nothing is asked.
        openWindow();
        m_prompts->take();
        importThree();
        setCell(0, TransferLine::Name, QStringLiteral("CHANGED"));
        m_prompts->inputs.enqueue(QStringLiteral("TEST"));
        acceptChangesControl();
        findNamed<QPushButton>(&form(), "exportTextButton")->click();
        m_prompts->take();
        QVERIFY(form().close());
        QVERIFY(m_prompts->take().isEmpty());
    }

    void windowSizeAndColumnsAreRemembered()
    {
        form().resize(1100, 700);
        table()->setColumnWidth(WorkingList::AccountColumn, 150);
        QVERIFY(form().close());
        openWindow();
        m_prompts->take();
        QCOMPARE(form().size(), QSize(1100, 700));
        QCOMPARE(table()->columnWidth(WorkingList::AccountColumn), 150);
        QSettings().remove(QStringLiteral("window"));
    }

    // Each file dialog opens where it last chose a file.
    void dialogsRememberTheirFolder()
    {
        const QString file = writeFile(QStringLiteral("liste.txt"), "x");
        QCOMPARE(DialogFolders::folderFor(QStringLiteral("Texts|*.txt")), QString());
        DialogFolders::remember(QStringLiteral("Texts|*.txt"), file);
        QCOMPARE(DialogFolders::folderFor(QStringLiteral("Texts|*.txt")), m_tmp->path());
        QCOMPARE(DialogFolders::folderFor(QStringLiteral("Other")), QString());
        DialogFolders::remember(QStringLiteral("Save as"), file);
        QCOMPARE(DialogFolders::startingPath(QStringLiteral("Save as"), QStringLiteral("a.pdf")),
                 m_tmp->filePath(QStringLiteral("a.pdf")));
        QCOMPARE(DialogFolders::startingPath(QStringLiteral("Save as"), QStringLiteral("/x/a.pdf")),
                 QStringLiteral("/x/a.pdf"));
        // A folder since removed is forgotten.
        m_tmp.reset();
        QCOMPARE(DialogFolders::folderFor(QStringLiteral("Texts|*.txt")), QString());
        newFolder();
    }

    // Qt's own buttons speak French (the tests run with an English or C locale).
    void qtButtonsInFrench()
    {
        QVERIFY(installQtTranslation(*QCoreApplication::instance()));
        QMessageBox box;
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QCOMPARE(box.button(QMessageBox::Yes)->text().remove(u'&'), QStringLiteral("Oui"));
        QCOMPARE(box.button(QMessageBox::No)->text().remove(u'&'), QStringLiteral("Non"));
        QCOMPARE(box.button(QMessageBox::Cancel)->text().remove(u'&'), QStringLiteral("Annuler"));
    }
};

QTEST_MAIN(TestKeyboardAndFiles)
#include "test_keyboard_and_files.moc"
