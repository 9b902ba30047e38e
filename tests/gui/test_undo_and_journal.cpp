// Undo and redo of every list command, and the journal that keeps unexported changes
// across a crash.
#include "WindowFixture.h"

#include "session/JournalKeeper.h"

#include <QRegularExpression>

class TestUndoAndJournal : public QObject, WindowFixture
{
    Q_OBJECT

    QTableView *table() { return findNamed<QTableView>(&form(), "lineTable"); }
    QAction *undoAction() { return findNamed<QAction>(&form(), "undoAction"); }
    QAction *redoAction() { return findNamed<QAction>(&form(), "redoAction"); }
    QString journalPath() { return m_tmp->filePath(QStringLiteral("Journal/liste.journal")); }

    // Lines with a CCP key, a RIP key, a wrong key, and an account and key to clean.
    void importLines()
    {
        import(writeFile(
            QStringLiteral("lines.txt"),
            record(u"0012345678"_qs, u"28"_qs, u"0000000100000"_qs, u"ALPHA Samia"_qs) +
                record(u"0000000004"_qs, u"97"_qs, u"0000000200000"_qs, u"BETA Omar"_qs, u"D"_qs) +
                record(u"0000000001"_qs, u"18"_qs, u"0000000300000"_qs, u"GAMMA Nadia"_qs) +
                record(u"12345"_qs, u"5"_qs, u"0000000400000"_qs, u"BETA Omar"_qs)));
        m_prompts->take();
    }
    // Every cell of every line, hidden ones included.
    QStringList allCells()
    {
        QStringList out;
        for (int i = 0; i < list().totalCount(); ++i) {
            const TransferLine &l = list().lineOfAll(i);
            out << l.caption();
            for (int k = 0; k < l.subItemCount(); ++k)
                out << l.subItem(k);
        }
        return out;
    }
    void typeInTable(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        form().activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form()));
        table()->setFocus();
        QTest::keyClick(table(), Qt::Key(key), modifiers);
    }
    // The list and everything the window shows about it.
    QStringList state() { return allCells() + shownFigures(); }

private slots:
    void init() { startWindow(); }
    void cleanup() { closeWindow(); }

    void everyCommandIsUndoneAndRedoneWithItsFigures()
    {
        importLines();
        const QStringList imported = state();
        QVERIFY(!undoAction()->isEnabled());
        QVERIFY(!redoAction()->isEnabled());
        QCOMPARE(undoAction()->text(), QStringLiteral("Annuler"));

        struct Step {
            const char *undoText;
            std::function<void()> run;
            std::function<void()> setUp = [] {};
        };
        auto editor = [](const char *name, const char *button) {
            return [name, button](QDialog *d) {
                findNamed<QLineEdit>(d, "nameBox")->setText(QString::fromUtf8(name));
                findNamed<QPushButton>(d, button)->click();
            };
        };
        const Step steps[] = {
            {"la suppression d’une ligne",
             [&] {
                 selectRow(2);
                 m_prompts->answers.enqueue(true);
                 typeInTable(Qt::Key_Delete);
             }},
            {"la modification d’une ligne",
             [&] {
                 selectRow(0);
                 m_prompts->dialogs.enqueue(editor("DELTA Karim", "saveButton"));
                 typeInTable(Qt::Key_F2);
             }},
            {"l’ajout d’une ligne",
             [&] {
                 m_prompts->dialogs.enqueue(editor("EPSILON Lina", "addNewButton"));
                 typeInTable(Qt::Key_N, Qt::ControlModifier);
             }},
            {"la correction des RIP",
             [&] { findNamed<QPushButton>(&form(), "repairRipButton")->click(); }},
            {"la correction des CLE",
             [&] { findNamed<QPushButton>(&form(), "repairCcpButton")->click(); }},
            {"le nettoyage des données",
             [&] { findNamed<QAction>(&form(), "cleanAction")->trigger(); }},
            // Under a filter: only the shown lines go, and come back.
            {"la suppression de 2 lignes",
             [&] {
                 m_prompts->answers.enqueue(true);
                 findNamed<QPushButton>(&form(), "deleteShownButton")->click();
             },
             [&] { findNamed<QLineEdit>(&form(), "nameFilter")->setText(QStringLiteral("omar")); }},
        };
        for (const Step &step : steps) {
            const QString name = QString::fromUtf8(step.undoText);
            step.setUp();
            const QStringList before = state();
            step.run();
            m_prompts->take();
            const QStringList after = state();
            QVERIFY2(after != before, qPrintable(name));
            QVERIFY(undoAction()->isEnabled());
            QCOMPARE(undoAction()->text(), QStringLiteral("Annuler ") + name);

            typeInTable(Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(state(), before);
            expectFreshFigures(step.undoText);
            QCOMPARE(redoAction()->text(), QStringLiteral("Rétablir ") + name);
            typeInTable(Qt::Key_Y, Qt::ControlModifier);
            QCOMPARE(state(), after);
            expectFreshFigures(step.undoText);
            typeInTable(Qt::Key_Z, Qt::ControlModifier);
            typeInTable(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
            QCOMPARE(state(), after);
            QVERIFY(!redoAction()->isEnabled());
        }
        QVERIFY(m_prompts->take().isEmpty());

        // Back through every command from the menu: exactly the list read, nothing left
        // unexported.
        findNamed<QLineEdit>(&form(), "nameFilter")->clear();
        while (undoAction()->isEnabled())
            undoAction()->trigger();
        QCOMPARE(state(), imported);
        QVERIFY(!form().session().hasUnexportedChanges());

        // An export marks where the list stands: undoing past it leaves changes unexported.
        while (redoAction()->isEnabled())
            redoAction()->trigger();
        m_prompts->inputs.enqueue(QStringLiteral("TEST"));
        acceptChangesControl();
        findNamed<QPushButton>(&form(), "exportTextButton")->click();
        m_prompts->take();
        QVERIFY(!form().session().hasUnexportedChanges());
        typeInTable(Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(form().session().hasUnexportedChanges());
        typeInTable(Qt::Key_Y, Qt::ControlModifier);
        QVERIFY(!form().session().hasUnexportedChanges());

        // An import forgets every change.
        importLines();
        QVERIFY(!undoAction()->isEnabled());
        QVERIFY(!redoAction()->isEnabled());
    }

    void unexportedListComesBackAfterACrash()
    {
        importLines();
        setCell(0, TransferLine::NomPrenom, QStringLiteral("CHANGED"));
        // Written a short while after the change.
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(journalPath()), 10000);
        const QStringList before = state();

        // The window goes without closing, as in a crash; the next one offers the list back.
        m_form.reset();
        m_prompts->answers.enqueue(true);
        openWindow();
        const QStringList shown = m_prompts->take();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[0], QStringLiteral("information: La saisie a été effectuée avec succès."));
        QVERIFY2(QRegularExpression(
                     QStringLiteral("^question: Une liste non exportée de 4 lignes a été "
                                    "retrouvée \\(dernière modification le \\d\\d/\\d\\d/\\d{4} "
                                    "à \\d\\d:\\d\\d\\)\\. La reprendre \\?$"))
                     .match(shown[1])
                     .hasMatch(),
                 qPrintable(shown[1]));
        QCOMPARE(state(), before);
        expectFreshFigures("restored");
        QVERIFY(form().session().hasUnexportedChanges());
        QVERIFY(QFile::exists(journalPath()));

        // Declined: the journal goes, the list starts empty.
        m_form.reset();
        m_prompts->answers.enqueue(false);
        openWindow();
        QCOMPARE(m_prompts->take().size(), 2);
        QCOMPARE(list().totalCount(), 0);
        QVERIFY(!QFile::exists(journalPath()));

        // Undone back to the list read, or closed with leaving confirmed: no journal.
        form().journal().setDelay(std::chrono::milliseconds(0));
        importLines();
        setCell(0, TransferLine::NomPrenom, QStringLiteral("CHANGED"));
        QTRY_VERIFY(QFile::exists(journalPath()));
        typeInTable(Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(!QFile::exists(journalPath()));
        typeInTable(Qt::Key_Y, Qt::ControlModifier);
        QTRY_VERIFY(QFile::exists(journalPath()));
        m_prompts->answers.enqueue(true);
        QVERIFY(form().close());
        QVERIFY(!QFile::exists(journalPath()));
        m_prompts->take();
    }

    void damagedJournalIsSetAsideAndTheStartGoesOn()
    {
        m_form.reset();
        QDir(m_tmp->path()).mkpath(QStringLiteral("Journal"));
        writeFile(QStringLiteral("Journal/liste.journal"), "TALVORO-JOURNAL 1\nsaved 2026-12-");
        openWindow();
        const QStringList shown = m_prompts->take();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[0], QStringLiteral("information: La saisie a été effectuée avec succès."));
        QVERIFY2(shown[1].startsWith(QStringLiteral("error: Le journal « ")), qPrintable(shown[1]));
        QVERIFY(!QFile::exists(journalPath()));
        const QStringList aside =
            QDir(m_tmp->filePath(QStringLiteral("Journal"))).entryList(QDir::Files);
        QCOMPARE(aside.size(), 1);
        QVERIFY(shown[1].endsWith(aside[0]));

        // The window works as ever, and the next start asks nothing.
        importLines();
        QCOMPARE(list().count(), 4);
        m_form.reset();
        openWindow();
        QCOMPARE(m_prompts->take(),
                 QStringList{"information: La saisie a été effectuée avec succès."});
    }
};

QTEST_MAIN(TestUndoAndJournal)
#include "test_undo_and_journal.moc"
