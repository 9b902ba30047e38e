// Undo and redo of every list command, and the journal that keeps unexported changes
// across a crash.
#include "WindowFixture.h"

#include "session/JournalKeeper.h"
#include "session/ListJournal.h"
#include "settings/IniFile.h"

#include <QLockFile>
#include <QProcess>
#include <QRegularExpression>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

namespace
{
// Run as a second process: holds the journal's lock, as another running window does, until
// its input closes or it is killed.
const char *const HoldLockVariable = "TALVORO_TEST_HOLD_LOCK";

int holdLock(int argc, char **argv, const QString &path)
{
    QCoreApplication app(argc, argv);
    QLockFile lock(path);
    if (!lock.tryLock(0)) return 1;
    std::puts("held");
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    return 0;
}
} // namespace

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

    void theMenuSaysWhenOlderStepsWereDropped()
    {
        QByteArray file;
        for (int i = 0; i < 30; ++i)
            file += record(QStringLiteral("%1").arg(i + 1, 10, 10, QChar(u'0')), u"00"_qs);
        import(writeFile(QStringLiteral("trente.txt"), file));
        m_prompts->take();
        for (int i = 0; i < Session::UndoStepLimit + 1; ++i)
            form().session().deleteRow(0);
        for (int i = 0; i < Session::UndoStepLimit; ++i) {
            QVERIFY(undoAction()->isEnabled());
            QCOMPARE(undoAction()->text(), QStringLiteral("Annuler la suppression d’une ligne"));
            undoAction()->trigger();
        }
        QVERIFY(!undoAction()->isEnabled());
        QCOMPARE(undoAction()->text(),
                 QStringLiteral(
                     "Annuler : les étapes plus anciennes ne sont plus gardées (mémoire limitée)"));
        QCOMPARE(list().count(), 29);
        QVERIFY(form().session().hasUnexportedChanges());
        // Redone, the latest step can be undone again.
        redoAction()->trigger();
        QVERIFY(undoAction()->isEnabled());
        QCOMPARE(undoAction()->text(), QStringLiteral("Annuler la suppression d’une ligne"));
        QVERIFY(m_prompts->take().isEmpty());
    }

    void unexportedListComesBackAfterACrash()
    {
        importLines();
        setCell(0, TransferLine::Name, QStringLiteral("CHANGED"));
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
        setCell(0, TransferLine::Name, QStringLiteral("CHANGED"));
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

    void aSecondWindowNeitherOffersNorRemovesTheJournal()
    {
        // A journal of the first window, which still runs in another process.
        m_form.reset();
        QDir(m_tmp->path()).mkpath(QStringLiteral("Journal"));
        std::vector<TransferLine> kept(3, TransferLine(u"160000100", u"0012345678", u"28", u"1,00",
                                                       u"0,00", u"1", u"ALPHA", u"P"));
        QCOMPARE(ListJournal::write(journalPath(), kept), QString());
        const QByteArray journal = readFile(journalPath());
        QProcess first;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(HoldLockVariable),
                   m_tmp->filePath(QStringLiteral(".liste.journal.lock")));
        first.setProcessEnvironment(env);
        first.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(first.waitForReadyRead(10000));
        QCOMPARE(first.readLine(), QByteArray("held\n"));

        openWindow();
        QCOMPARE(m_prompts->take(),
                 (QStringList{"information: La saisie a été effectuée avec succès.",
                              "error: Une autre fenêtre de Talvoro CCP est ouverte et tient la "
                              "liste non exportée (journal « " +
                                  QDir::toNativeSeparators(journalPath()) +
                                  " ») : elle n’est ni proposée ni effacée ici.\nLes modifications "
                                  "faites dans cette fenêtre-ci ne sont pas gardées en cas d’arrêt "
                                  "brutal : exportez-les avant de la fermer."}));
        QCOMPARE(list().totalCount(), 0);
        auto *mark = findNamed<QLabel>(&form(), "journalMark");
        QVERIFY(mark->isVisible());
        QCOMPARE(mark->text(), QStringLiteral("Sans journal (autre fenêtre ouverte)"));
        // Its own changes touch the other window's journal neither now nor at close.
        importLines();
        setCell(0, TransferLine::Name, QStringLiteral("CHANGED"));
        QTest::qWait(100);
        m_prompts->answers.enqueue(true);
        QVERIFY(form().close());
        m_prompts->take();
        QCOMPARE(readFile(journalPath()), journal);
        m_form.reset();

        // The first window ends without releasing its lock, as in a crash: the next start
        // takes the lock over and offers its list.
        first.kill();
        QVERIFY(first.waitForFinished(10000));
        m_prompts->answers.enqueue(true);
        openWindow();
        const QStringList shown = m_prompts->take();
        QCOMPARE(shown.size(), 2);
        QVERIFY2(
            shown[1].startsWith(QStringLiteral("question: Une liste non exportée de 3 lignes")),
            qPrintable(shown[1]));
        QCOMPARE(list().totalCount(), 3);
        QVERIFY(!findNamed<QLabel>(&form(), "journalMark")->isVisible());
    }

    void aFilteredExportLeavesTheListUnexported()
    {
        form().journal().setDelay(std::chrono::milliseconds(0));
        QByteArray file;
        for (int i = 0; i < 20; ++i)
            file += record(QStringLiteral("%1").arg(i + 1, 10, 10, QChar(u'0')), u"00"_qs,
                           u"0000000100000"_qs, (i < 4 ? u"ALI %1"_qs : u"OMAR %1"_qs).arg(i));
        import(writeFile(QStringLiteral("vingt.txt"), file));
        m_prompts->take();
        form().session().deleteRow(19);
        findNamed<QLineEdit>(&form(), "nameFilter")->setText(QStringLiteral("ali"));
        QCOMPARE(list().count(), 4);
        m_prompts->answers.enqueue(true); // export only the four shown lines
        m_prompts->inputs.enqueue(QStringLiteral("A12"));
        findNamed<QPushButton>(&form(), "exportTextButton")->click();
        m_prompts->take();
        const QByteArray written =
            readFile(m_tmp->filePath(QStringLiteral("Fichier Txt/Liste_Nominative_A12.txt")));
        QCOMPARE(written.count("\r\n"), 4);
        // The nineteen lines exist in no file: the journal keeps them, closing asks.
        QVERIFY(form().session().hasUnexportedChanges());
        QTRY_VERIFY(QFile::exists(journalPath()));
        QTest::qWait(50);
        QVERIFY(QFile::exists(journalPath()));
        QCOMPARE(ListJournal::read(journalPath()).lines.size(), size_t(19));
        m_prompts->answers.enqueue(false);
        QVERIFY(!form().close());
        QCOMPARE(m_prompts->take(),
                 QStringList{"question: La liste a été modifiée depuis le dernier export : ces "
                             "modifications seront perdues.\nQuitter quand même ?"});
    }

#ifdef Q_OS_UNIX
    void aJournalThatCannotBeWrittenIsToldAndMarked()
    {
        form().journal().setDelay(std::chrono::milliseconds(0));
        importLines();
        setCell(0, TransferLine::Name, QStringLiteral("CHANGED"));
        QTRY_VERIFY(QFile::exists(journalPath()));
        auto *mark = findNamed<QLabel>(&form(), "journalMark");
        QVERIFY(!mark->isVisible());

        // Files over 4 KB cannot be written, as on a full disk.
        struct rlimit old {
        };
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
        const auto previous = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit small = old;
        small.rlim_cur = 4096;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        for (int i = 0; i < 60; ++i)
            form().session().appendLine(list().line(0));
        QTRY_VERIFY(mark->isVisible());
        form().session().deleteRow(0);
        QTest::qWait(200);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, previous);

        const QStringList shown = m_prompts->take();
        QCOMPARE(shown.size(), 1); // told once
        QVERIFY2(shown[0].startsWith("error: Le journal « " +
                                     QDir::toNativeSeparators(journalPath()) +
                                     " » ne peut pas être écrit : "),
                 qPrintable(shown[0]));
        QVERIFY(shown[0].contains(QStringLiteral("exportez-la dès que possible")));
        QCOMPARE(mark->text(), QStringLiteral("Journal non écrit"));
        // The older list is never offered as the one on the screen.
        QVERIFY(!QFile::exists(journalPath()));

        form().session().deleteRow(0);
        QTRY_VERIFY(!mark->isVisible());
        QCOMPARE(ListJournal::read(journalPath()).lines.size(), size_t(list().totalCount()));
    }
#endif

    void aSettingsFileThatCannotBeReadIsLeftAsItIs()
    {
        m_form.reset();
        const QByteArray big = "[Infos]\r\nLine0=APC\r\nCount=1\r\n[Autre]\r\nx=" +
                               QByteArray(3 * IniFile::MaxTextLength + 8, 'a') + "\r\n";
        const QString path = writeFile(QStringLiteral("Fichier_INI/Direction.ini"), big);
        const QString unreadable = "error: Le fichier « " + QDir::toNativeSeparators(path) +
                                   " » ne peut pas être lu (il dépasse 1048576 caractères) : il "
                                   "est laissé tel quel et rien n’y sera enregistré.";
        m_prompts->inputs.enqueue(QStringLiteral("APC NOUVEAU"));
        openWindow();
        QCOMPARE(
            m_prompts->take(),
            (QStringList{unreadable,
                         "input: Saisie du lieu de l’ordonnateur :|Entrez le lieu (appuyez sur "
                         "Shift+Enter pour une nouvelle ligne)\nLieu APC - Direction....:",
                         unreadable}));
        QVERIFY(form().close());
        QCOMPARE(m_prompts->take(), QStringList{unreadable});
        QCOMPARE(readFile(path), big);
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

int main(int argc, char **argv)
{
    const QByteArray lock = qgetenv(HoldLockVariable);
    if (!lock.isEmpty()) return holdLock(argc, argv, QString::fromLocal8Bit(lock));
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestUndoAndJournal test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "test_undo_and_journal.moc"
