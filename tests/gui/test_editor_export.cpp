#include "RecordEditor.h"
#include "TextLinesView.h"
#include "WindowFixture.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardPaths>
#include <QToolButton>

namespace
{
const QString PlacePrompt =
    QStringLiteral("input: Saisie du lieu de l’ordonnateur :|Entrez le lieu (appuyez sur "
                   "Shift+Enter pour une nouvelle ligne)\nLieu APC - Direction....:");
const QString CodePrompt = QStringLiteral("input: Code Ordinateur|Entrez le code ordinateur :");

// Leaving a box: the focus-out event the box gets when the clerk moves on.
void leave(QLineEdit *box)
{
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(box, &out);
}

// Types into a box as the clerk would, then leaves it.
void typeAndLeave(QLineEdit *box, const QString &text)
{
    QTest::keyClicks(box, text);
    leave(box);
}
} // namespace

class TestEditorExport : public QObject, WindowFixture
{
    Q_OBJECT

    QString iniPath() { return m_tmp->filePath(QStringLiteral("Fichier_INI/Direction.ini")); }
    QString exported(const QString &code)
    {
        return m_tmp->filePath(QStringLiteral("Fichier Txt/Liste_Nominative_") + code +
                               QStringLiteral(".txt"));
    }
    // Runs the export with the code typed by the clerk; returns what was shown.
    QStringList exportWith(const std::optional<QString> &code)
    {
        m_prompts->inputs.enqueue(code);
        findNamed<QPushButton>(&form(), "exportTextButton")->click();
        return m_prompts->take();
    }

private slots:
    void cleanup() { closeWindow(); }

    void placeIsAskedOnceKeptAndStoredAtClose()
    {
        // First start, no settings folder: the place is asked and stored at once.
        newFolder(false);
        m_prompts = std::make_shared<ScriptedPrompts>();
        m_prompts->inputs.enqueue(QStringLiteral("APC X\nDirection Y"));
        openWindow();
        QCOMPARE(m_prompts->take(), QStringList{PlacePrompt});
        QCOMPARE(findNamed<QPlainTextEdit>(&form(), "placeMemo")->toPlainText(),
                 QStringLiteral("APC X\nDirection Y"));
        QCOMPARE(readFile(iniPath()),
                 QByteArray("[Infos]\r\nLine0=APC X\r\nLine1=Direction Y\r\nCount=2\r\n"));

        // Second start: no prompt; the place is confirmed. A hand edit is stored at close.
        m_form.reset();
        openWindow();
        QCOMPARE(m_prompts->take(),
                 QStringList{"information: La saisie a été effectuée avec succès."});
        QCOMPARE(findNamed<QPlainTextEdit>(&form(), "placeMemo")->toPlainText(),
                 QStringLiteral("APC X\nDirection Y"));
        findNamed<QPlainTextEdit>(&form(), "placeMemo")->setPlainText(QStringLiteral("APC Z"));
        form().close();
        QCOMPARE(readFile(iniPath()), QByteArray("[Infos]\r\nLine0=APC Z\r\nCount=1\r\n"));
        closeWindow();

        // Cancel: the memo says so, and that text is stored at close and counts as a place.
        newFolder(false);
        m_prompts = std::make_shared<ScriptedPrompts>();
        m_prompts->inputs.enqueue(std::nullopt);
        openWindow();
        QCOMPARE(findNamed<QPlainTextEdit>(&form(), "placeMemo")->toPlainText(),
                 QStringLiteral("Vous n’avez pas saisi de lieu."));
        QVERIFY(!QFile::exists(iniPath()));
        form().close();
        m_form.reset();
        m_prompts->take();
        openWindow();
        QCOMPARE(m_prompts->take(),
                 QStringList{"information: La saisie a été effectuée avec succès."});
        closeWindow();

        // OK with nothing typed: stored empty, asked again at the next start.
        newFolder(false);
        m_prompts = std::make_shared<ScriptedPrompts>();
        m_prompts->inputs.enqueue(QString());
        openWindow();
        QCOMPARE(readFile(iniPath()), QByteArray("[Infos]\r\nCount=0\r\n"));
        m_form.reset();
        m_prompts->inputs.enqueue(QStringLiteral("APC W"));
        openWindow();
        QCOMPARE(m_prompts->take(), (QStringList{PlacePrompt, PlacePrompt}));
    }

    void placeThatCannotBeWrittenIsReported()
    {
        // A file where the settings folder should be: nothing can be written there.
        newFolder(false);
        writeFile(QStringLiteral("Fichier_INI"), "not a folder");
        m_prompts = std::make_shared<ScriptedPrompts>();
        m_prompts->inputs.enqueue(QStringLiteral("APC X"));
        openWindow();
        const QString unable =
            QStringLiteral("error: Unable to write to ") + QDir::toNativeSeparators(iniPath());
        QCOMPARE(m_prompts->take(), (QStringList{PlacePrompt, unable}));
        QCOMPARE(findNamed<QPlainTextEdit>(&form(), "placeMemo")->toPlainText(),
                 QStringLiteral("APC X")); // the start went on
        form().close();
        QVERIFY(!form().isVisible());
        QCOMPARE(m_prompts->take(), QStringList{unable});
    }

    void cleanerSweepsTheProgramFolderOnly()
    {
        newFolder();
        QDir dir(m_tmp->path());
        for (const char *name :
             {"a.dcu", "b.bak", "c.tmp", "d.dproj.local", "e.txt", "f.ini", "g.hpp", "x.tmp"})
            writeFile(QString::fromLatin1(name), "x");
        QFile::setPermissions(m_tmp->filePath(QStringLiteral("x.tmp")), QFileDevice::ReadOwner);
        dir.mkpath(QStringLiteral("old.bak"));
        dir.mkpath(QStringLiteral("sub"));
        writeFile(QStringLiteral("sub/h.tmp"), "x");
        writeFile(QStringLiteral("Fichier_INI/keep.bak"), "x");
        openWindow();
        QStringList left =
            dir.entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        QCOMPARE(left, (QStringList{"Fichier_INI", "e.txt", "f.ini", "old.bak", "sub", "x.tmp"}));
        QVERIFY(QFile::exists(m_tmp->filePath(QStringLiteral("sub/h.tmp"))));
        QVERIFY(QFile::exists(m_tmp->filePath(QStringLiteral("Fichier_INI/keep.bak"))));
        // Again when the window is destroyed.
        writeFile(QStringLiteral("later.tmp"), "x");
        m_form.reset();
        QVERIFY(!QFile::exists(m_tmp->filePath(QStringLiteral("later.tmp"))));
        m_prompts->take();
    }

    void installedCopyKeepsItsDataPerUser()
    {
        // A program folder nobody may write to, as for an installed copy.
        QTemporaryDir home;
        qputenv("XDG_DATA_HOME", home.path().toUtf8());
        newFolder(false);
        m_prompts = std::make_shared<ScriptedPrompts>();
        m_prompts->inputs.enqueue(QStringLiteral("APC X"));
        m_form = std::make_unique<MainWindow>(m_prompts, Folders(QStringLiteral("/proc")));
        const QString perUser = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        QVERIFY(perUser.startsWith(home.path()));
        QVERIFY(QFile::exists(perUser + QStringLiteral("/Fichier_INI/Direction.ini")));
        m_prompts->take();
        const QStringList shown = exportWith(QStringLiteral("P"));
        const QString written = QDir::toNativeSeparators(
            perUser + QStringLiteral("/Fichier Txt/Liste_Nominative_P.txt"));
        QCOMPARE(shown.value(1), QStringLiteral("message: Fichier exporté avec succès : ") +
                                     written + QStringLiteral("\n0 lignes écrites."));
        QVERIFY(QFile::exists(written));
        m_form.reset();
        qunsetenv("XDG_DATA_HOME");
    }

    void editorTypingAndLeavingRules()
    {
        startWindow();
        RecordEditor &ed = *findNamed<RecordEditor>(&form(), "addLineEditor");
        ed.show();
        QCOMPARE(ed.windowTitle(), QStringLiteral("Modifier les informations"));

        typeAndLeave(findNamed<QLineEdit>(&ed, "accountBox"), QStringLiteral("12a345"));
        QCOMPARE(findNamed<QLineEdit>(&ed, "accountBox")->text(), QStringLiteral("0000012345"));
        QTest::keyClicks(findNamed<QLineEdit>(&ed, "accountBox"),
                         QStringLiteral("9")); // an eleventh digit is refused
        QCOMPARE(findNamed<QLineEdit>(&ed, "accountBox")->text(), QStringLiteral("0000012345"));
        QTest::keyClick(findNamed<QLineEdit>(&ed, "accountBox"), Qt::Key_Backspace);
        QCOMPARE(findNamed<QLineEdit>(&ed, "accountBox")->text(), QStringLiteral("000001234"));
        findNamed<QLineEdit>(&ed, "accountBox")->clear();
        leave(findNamed<QLineEdit>(&ed, "accountBox"));
        QCOMPARE(findNamed<QLineEdit>(&ed, "accountBox")->text(), QStringLiteral("0000000000"));
        findNamed<QLineEdit>(&ed, "accountBox")
            ->setText(QStringLiteral("001234567890")); // pasted: kept as it is
        leave(findNamed<QLineEdit>(&ed, "accountBox"));
        QCOMPARE(findNamed<QLineEdit>(&ed, "accountBox")->text(), QStringLiteral("001234567890"));

        typeAndLeave(findNamed<QLineEdit>(&ed, "keyBox"), QStringLiteral("1x234"));
        QCOMPARE(findNamed<QLineEdit>(&ed, "keyBox")->text(), QStringLiteral("12"));
        typeAndLeave(findNamed<QLineEdit>(&ed, "insuranceBox"), QStringLiteral("12345678901234"));
        QCOMPARE(findNamed<QLineEdit>(&ed, "insuranceBox")->text(), QStringLiteral("123456789012"));

        QTest::keyClicks(findNamed<QLineEdit>(&ed, "netBox"), QStringLiteral("-1 234.5a"));
        QCOMPARE(findNamed<QLineEdit>(&ed, "netBox")->text(), QStringLiteral("1234,5"));
        leave(findNamed<QLineEdit>(&ed, "netBox"));
        QCOMPARE(findNamed<QLineEdit>(&ed, "netBox")->text(), QStringLiteral("1 234,50"));
        leave(findNamed<QLineEdit>(&ed, "netBox"));
        QCOMPARE(findNamed<QLineEdit>(&ed, "netBox")->text(), QStringLiteral("1 234,50"));
        typeAndLeave(findNamed<QLineEdit>(&ed, "rendementBox"), QStringLiteral("5"));
        QCOMPARE(findNamed<QLineEdit>(&ed, "rendementBox")->text(), QStringLiteral(" 5,00"));
        findNamed<QLineEdit>(&ed, "rendementBox")->setText(QStringLiteral("12,3,4"));
        leave(findNamed<QLineEdit>(&ed, "rendementBox"));
        QCOMPARE(findNamed<QLineEdit>(&ed, "rendementBox")->text(), QStringLiteral("12,3,4"));
        QCOMPARE(m_prompts->take(),
                 QStringList{"error: '12,3,4' is not a valid floating point value"});

        QTest::keyClicks(findNamed<QLineEdit>(&ed, "nameBox"), QStringLiteral("ali ben "));
        QKeyEvent accented(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("é"));
        QApplication::sendEvent(findNamed<QLineEdit>(&ed, "nameBox"), &accented);
        QCOMPARE(findNamed<QLineEdit>(&ed, "nameBox")->text(), QStringLiteral("ALI BEN É"));
        typeAndLeave(findNamed<QLineEdit>(&ed, "contractTypeBox"), QStringLiteral("pd"));
        QCOMPARE(findNamed<QLineEdit>(&ed, "contractTypeBox")->text(), QStringLiteral("P"));

        // Keys on demand, and the two "+" buttons.
        findNamed<QLineEdit>(&ed, "accountBox")->setText(QStringLiteral("0012345678"));
        findNamed<QToolButton>(&ed, "computeKeysButton")->click();
        QCOMPARE(findNamed<QLineEdit>(&ed, "computedCcpKeyBox")->text(), QStringLiteral("28"));
        QCOMPARE(findNamed<QLineEdit>(&ed, "computedRipKeyBox")->text(), QStringLiteral("03"));
        findNamed<QToolButton>(&ed, "useCcpKeyButton")->click();
        QCOMPARE(findNamed<QLineEdit>(&ed, "keyBox")->text(), QStringLiteral("28"));
        findNamed<QToolButton>(&ed, "useRipKeyButton")->click();
        QCOMPARE(findNamed<QLineEdit>(&ed, "keyBox")->text(), QStringLiteral("03"));
        findNamed<QLineEdit>(&ed, "accountBox")->clear();
        findNamed<QToolButton>(&ed, "computeKeysButton")->click();
        QCOMPARE(findNamed<QLineEdit>(&ed, "computedCcpKeyBox")->text(), QStringLiteral("00"));
        QCOMPARE(findNamed<QLineEdit>(&ed, "computedRipKeyBox")->text(), QStringLiteral("00"));

        // "Clear Case" empties the seven boxes only.
        findNamed<QPushButton>(&ed, "clearButton")->click();
        for (const char *box : {"accountBox", "keyBox", "netBox", "rendementBox", "insuranceBox",
                                "nameBox", "contractTypeBox"})
            QVERIFY(findNamed<QLineEdit>(&ed, box)->text().isEmpty());
        QCOMPARE(findNamed<QLineEdit>(&ed, "computedCcpKeyBox")->text(), QStringLiteral("00"));
        QVERIFY(ed.isVisible());
        ed.hide();
        QVERIFY(m_prompts->take().isEmpty());
    }

    void editorOnALine()
    {
        startWindow();
        import(fixture("small.txt"));
        m_prompts->take();

        // "Modifier": the boxes hold the line; "Enregistrer" writes them back and refreshes.
        selectRow(2);
        m_prompts->dialogs.enqueue([](QDialog *d) {
            auto *ed = static_cast<RecordEditor *>(d);
            QCOMPARE(findNamed<QLineEdit>(ed, "accountBox")->text(), QStringLiteral("0000000004"));
            QCOMPARE(findNamed<QLineEdit>(ed, "computedRipKeyBox")->text(),
                     QStringLiteral("97")); // activation computed the keys
            findNamed<QToolButton>(ed, "useRipKeyButton")->click();
            findNamed<QPushButton>(ed, "saveButton")->click();
        });
        findNamed<QAction>(&form(), "editLineAction")->trigger();
        QCOMPARE(m_prompts->take(),
                 (QStringList{"dialog: Modifier les informations",
                              "message: Modifications enregistrées avec succès."}));
        QCOMPARE(list().line(2).subItem(1), QStringLiteral("97"));
        QCOMPARE(findNamed<TextLinesView>(&form(), "errorLinesView")->lines().mid(0, 3),
                 (QStringList{"RIP: 3", "CLE: 2", "ERR: 1"}));

        // "Annuler" and the frame leave the line as it was (double-click opening).
        for (bool byFrame : {false, true}) {
            m_prompts->dialogs.enqueue([byFrame](QDialog *d) {
                auto *ed = static_cast<RecordEditor *>(d);
                findNamed<QLineEdit>(ed, "nameBox")->setText(QStringLiteral("AUTRE"));
                if (byFrame)
                    ed->close();
                else
                    findNamed<QPushButton>(ed, "cancelButton")->click();
            });
            findNamed<QAction>(&form(), "editLineAction")->trigger();
            QCOMPARE(list().line(2).subItem(5), QStringLiteral("NOM PRENOM"));
        }
        m_prompts->take();

        // "Add New" opened on a line appends a line and leaves the opened one alone.
        m_prompts->dialogs.enqueue([](QDialog *d) {
            auto *ed = static_cast<RecordEditor *>(d);
            findNamed<QLineEdit>(ed, "nameBox")->setText(QStringLiteral("NOUVEAU"));
            findNamed<QPushButton>(ed, "addNewButton")->click();
        });
        findNamed<QAction>(&form(), "editLineAction")->trigger();
        QCOMPARE(m_prompts->take().mid(1),
                 QStringList{"message: Nouvelle ligne ajoutée avec succès."});
        QCOMPARE(list().count(), 7);
        QCOMPARE(list().line(2).subItem(5), QStringLiteral("NOM PRENOM"));
        QCOMPARE(list().line(6).caption(), QStringLiteral("*00799999"));
        QCOMPARE(list().line(6).subItem(5), QStringLiteral("NOUVEAU"));
        QCOMPARE(list().line(6).subItem(0), QStringLiteral("0000000004"));
        QCOMPARE(selectedRow(), 6);

        // Nothing selected: "Modifier" does nothing.
        findNamed<QTableView>(&form(), "lineTable")->clearSelection();
        findNamed<QAction>(&form(), "editLineAction")->trigger();
        QVERIFY(m_prompts->take().isEmpty());
    }

    void sharedEditorForAdd()
    {
        startWindow();
        findNamed<QTableView>(&form(), "lineTable")->clearSelection();
        // An empty "Add New" appends a line of seven empty cells; the refresh counts it wrong.
        m_prompts->dialogs.enqueue(
            [](QDialog *d) { findNamed<QPushButton>(d, "addNewButton")->click(); });
        findNamed<QAction>(&form(), "addLineAction")->trigger();
        QCOMPARE(list().count(), 1);
        QCOMPARE(list().line(0).caption(), QStringLiteral("*00799999"));
        for (int i = 0; i < 7; ++i)
            QCOMPARE(list().line(0).subItem(i), QString());
        QCOMPARE(findNamed<TextLinesView>(&form(), "errorLinesView")->lines().value(2),
                 QStringLiteral("ERR: 1"));

        // The boxes keep their values between openings; activation computes their keys.
        m_prompts->dialogs.enqueue([](QDialog *d) {
            findNamed<QLineEdit>(d, "accountBox")->setText(QStringLiteral("0012345678"));
            d->close();
        });
        findNamed<QAction>(&form(), "addLineAction")->trigger();
        m_prompts->dialogs.enqueue([](QDialog *d) {
            auto *ed = static_cast<RecordEditor *>(d);
            QCOMPARE(findNamed<QLineEdit>(ed, "accountBox")->text(), QStringLiteral("0012345678"));
            QCOMPARE(findNamed<QLineEdit>(ed, "computedCcpKeyBox")->text(), QStringLiteral("28"));
            findNamed<QPushButton>(ed, "addNewButton")->click();
        });
        findNamed<QAction>(&form(), "addLineAction")->trigger();
        QCOMPARE(list().count(), 2);

        // "Enregistrer" from "Add" appends too, even with a line selected: it never
        // overwrites the selected line.
        selectRow(0);
        m_prompts->take();
        m_prompts->dialogs.enqueue([](QDialog *d) {
            auto *ed = static_cast<RecordEditor *>(d);
            findNamed<QLineEdit>(ed, "nameBox")->setText(QStringLiteral("TROISIEME"));
            findNamed<QPushButton>(ed, "saveButton")->click();
        });
        findNamed<QAction>(&form(), "addLineAction")->trigger();
        QCOMPARE(m_prompts->take(), (QStringList{"dialog: Modifier les informations",
                                                 "message: Nouvelle ligne ajoutée avec succès."}));
        QCOMPARE(list().count(), 3);
        QCOMPARE(list().line(0).subItem(5), QString());
        QCOMPARE(list().line(2).subItem(5), QStringLiteral("TROISIEME"));
        QCOMPARE(selectedRow(), 2);
        QVERIFY(!findNamed<RecordEditor>(&form(), "addLineEditor")->isVisible());

        // An amount the editor calls invalid is never saved: the dialog stays open.
        m_prompts->dialogs.enqueue([this](QDialog *d) {
            auto *ed = static_cast<RecordEditor *>(d);
            findNamed<QLineEdit>(ed, "netBox")->setText(QStringLiteral("12,3,4"));
            for (QPushButton *b : {findNamed<QPushButton>(ed, "saveButton"),
                                   findNamed<QPushButton>(ed, "addNewButton")}) {
                b->click();
                QVERIFY(ed->isVisible());
            }
            QCOMPARE(m_prompts->take().mid(1),
                     (QStringList{"error: '12,3,4' is not a valid floating point value",
                                  "error: '12,3,4' is not a valid floating point value"}));
            findNamed<QPushButton>(ed, "cancelButton")->click();
        });
        findNamed<QAction>(&form(), "addLineAction")->trigger();
        QCOMPARE(list().count(), 3);
        m_prompts->take();
    }

    // Every way of saving from the editor keeps an amount exactly as leaving its box shows
    // it, or refuses it with the same message: the line never holds a text the screen, the
    // totals and the paper would read differently.
    void editorSavePathsNormaliseAmounts()
    {
        startWindow();
        import(fixture("small.txt"));
        m_prompts->take();
        enum Path { SaveButton, EnterKey, AddThenSave, AddNew };
        struct Typed {
            QString text, kept;
            qint64 cents;
        };
        const Typed typed[] = {{"45000", "45 000,00", 4500000},
                               {"12,5", " 12,50", 1250},
                               {"1 234,5", "1 234,50", 123450},
                               {"12,3,4", {}, 0}};
        for (Path path : {SaveButton, EnterKey, AddThenSave, AddNew}) {
            for (const Typed &t : typed) {
                const QString trace = QStringLiteral("path %1, %2").arg(path).arg(t.text);
                const int before = list().count();
                selectRow(1);
                m_prompts->take();
                m_prompts->dialogs.enqueue([&](QDialog *d) {
                    auto *net = findNamed<QLineEdit>(d, "netBox");
                    net->setFocus();
                    net->setText(t.text); // pasted: no typing rule applies
                    if (path == EnterKey)
                        QTest::keyClick(net, Qt::Key_Return);
                    else
                        findNamed<QPushButton>(d, path == AddNew ? "addNewButton" : "saveButton")
                            ->click();
                    if (t.kept.isEmpty()) {
                        QVERIFY2(d->isVisible(), qPrintable(trace));
                        findNamed<QPushButton>(d, "cancelButton")->click();
                    }
                });
                const bool add = path == AddThenSave || path == AddNew;
                findNamed<QAction>(&form(), add ? "addLineAction" : "editLineAction")->trigger();
                const QStringList shown = m_prompts->take();
                if (t.kept.isEmpty()) {
                    QVERIFY2(shown.contains("error: '12,3,4' is not a valid floating point value"),
                             qPrintable(trace));
                    QCOMPARE(shown.count(u"error: '12,3,4' is not a valid floating point value"),
                             1);
                    QCOMPARE(list().count(), before);
                    continue;
                }
                const int row = add ? list().count() - 1 : 1;
                QCOMPARE(list().count(), before + (add ? 1 : 0));
                QVERIFY2(list().line(row).subItem(TransferLine::Net) == t.kept, qPrintable(trace));
                QCOMPARE(list().line(row).figures.netCents, t.cents);
            }
        }
        // The shared editor kept its last amount formatted too; the totals are the lines'.
        qint64 total = 0;
        for (int r = 0; r < list().count(); ++r)
            total += list().line(r).figures.netCents;
        QCOMPARE(form().session().figures().netCents, total);
    }

    void exportWritesTheTransferFile()
    {
        startWindow();
        // Cancel and blank codes: nothing at all.
        QCOMPARE(exportWith(std::nullopt), QStringList{CodePrompt});
        QCOMPARE(exportWith(QStringLiteral("   ")),
                 (QStringList{CodePrompt, "message: Le code ordinateur est vide. Export annulé."}));
        QVERIFY(!QDir(m_tmp->filePath(QStringLiteral("Fichier Txt"))).exists());

        // An empty list writes the byte-order mark alone.
        QCOMPARE(
            exportWith(QStringLiteral(" A12 ")),
            (QStringList{CodePrompt, "message: Fichier exporté avec succès : " +
                                         QDir::toNativeSeparators(exported(QStringLiteral("A12"))) +
                                         "\n0 lignes écrites."}));
        QCOMPARE(readFile(exported(QStringLiteral("A12"))), QByteArray("\xEF\xBB\xBF"));
        QCOMPARE(m_prompts->opened,
                 QStringList{QDir::toNativeSeparators(exported(QStringLiteral("A12")))});
        QCOMPARE(findNamed<QLabel>(&form(), "pathLabel")->text(),
                 QDir::toNativeSeparators(exported(QStringLiteral("A12"))));

        // Round trip: the same records, with the byte-order mark, replacing the earlier file.
        const QByteArray sample = readFile(QStringLiteral(TALVORO_SAMPLES "/liste_exemple.txt"));
        import(QStringLiteral(TALVORO_SAMPLES "/liste_exemple.txt"));
        m_prompts->take();
        exportWith(QStringLiteral("A12"));
        QCOMPARE(readFile(exported(QStringLiteral("A12"))), "\xEF\xBB\xBF" + sample);

        // Only the shown lines are written while a filter is in force, once the clerk said so.
        findNamed<QLineEdit>(&form(), "nameFilter")->setText(QStringLiteral("ZERROUK"));
        m_prompts->answers.enqueue(true);
        QCOMPARE(
            exportWith(QStringLiteral("Z")).value(2),
            "message: Fichier exporté avec succès : " +
                QDir::toNativeSeparators(exported(QStringLiteral("Z"))) +
                QStringLiteral(
                    "\n%1 lignes écrites : seules les lignes affichées (un filtre est en cours).")
                    .arg(list().count()));
        const QList<QByteArray> lines = readFile(exported(QStringLiteral("Z"))).mid(3).split('\n');
        QCOMPARE(lines.size() - 1, list().count());
        for (const QByteArray &l : lines.mid(0, lines.size() - 1))
            QVERIFY(l.contains("ZERROUK") && l.endsWith('\r'));
    }

    void exportFieldsAndRefusals()
    {
        startWindow();
        import(fixture("small.txt"));
        m_prompts->take();
        setCell(0, -1, QStringLiteral("12345"));
        setCell(0, 0, QStringLiteral("1234567"));
        setCell(0, 1, QStringLiteral("05"));
        setCell(0, 3, QStringLiteral("   0,00"));
        setCell(1, -1, QStringLiteral("ABCDEFGHIJK"));
        setCell(1, 1, QStringLiteral("00"));
        setCell(5, 1, QStringLiteral("09")); // the file's one-digit key "4" could not be sent
        acceptChangesControl();
        exportWith(QStringLiteral("F"));
        const QList<QByteArray> recs = readFile(exported(QStringLiteral("F"))).mid(3).split('\n');
        QCOMPARE(recs[0], QByteArray("12345    000123456705000000012345600000000000001100000000"
                                     "01ALI BEN                    P\r"));
        QCOMPARE(recs[1].left(21), QByteArray("ABCDEFGHI123456789000"));
        QCOMPARE(QString::fromUtf8(recs[4]).size(), 88); // 87 characters and CR, accents included

        // Refused codes write nothing anywhere.
        for (const char *code :
             {"../x", "a/b", "a\\b", "a:b", "a*b", "a?b", "a\"b", "a<b", "a>b", "a|b", "..", "."}) {
            const QStringList shown = exportWith(QString::fromLatin1(code));
            QCOMPARE(shown.size(), 2);
            QVERIFY2(shown[1].startsWith(QStringLiteral("message: Le code ordinateur")),
                     qPrintable(shown[1]));
            QVERIFY(shown[1].endsWith(QStringLiteral("Export annulé.")));
        }
        QCOMPARE(QDir(m_tmp->filePath(QStringLiteral("Fichier Txt"))).entryList(QDir::Files),
                 QStringList{"Liste_Nominative_F.txt"});
        QVERIFY(!QFile::exists(m_tmp->filePath(QStringLiteral("x.txt"))));

        // A line that would be misaligned stops the export; the earlier file stays.
        const QByteArray before = readFile(exported(QStringLiteral("F")));
        setCell(1, 5, QString(30, u'N'));
        setCell(3, 2, QStringLiteral("-5,00"));
        setCell(4, 0, QStringLiteral("12-4567890"));
        const QStringList shown = exportWith(QStringLiteral("F"));
        QCOMPARE(shown.size(), 2);
        QVERIFY(shown[1].startsWith(QStringLiteral("error: Export annulé : 3 ligne(s)")));
        QVERIFY(shown[1].contains(QStringLiteral("Ligne 2 : NomPrenom (30 caractères pour 27)")));
        QVERIFY(shown[1].contains(QStringLiteral("Ligne 4 : Net « -5,00 » (montant négatif)")));
        QVERIFY(shown[1].contains(
            QStringLiteral("Ligne 5 : Compte « 12-4567890 » (pas uniquement des chiffres)")));
        QCOMPARE(readFile(exported(QStringLiteral("F"))), before);

        // Values that would be sent as something the clerk never saw are refused by name:
        // a key that is not two digits, an insurance number with letters, an amount that
        // does not read.
        setCell(1, 5, QStringLiteral("N"));
        setCell(3, 2, QStringLiteral("5,00"));
        setCell(4, 0, QStringLiteral("0000000036"));
        setCell(0, 1, QStringLiteral("5"));
        setCell(2, 4, QStringLiteral("12A"));
        setCell(5, 3, QStringLiteral("douze"));
        const QStringList refused = exportWith(QStringLiteral("F"));
        QVERIFY(refused[1].contains(QStringLiteral("Ligne 1 : CLE/RIP « 5 » (pas deux chiffres)")));
        QVERIFY(refused[1].contains(
            QStringLiteral("Ligne 3 : NumAss « 12A » (pas uniquement des chiffres)")));
        QVERIFY(refused[1].contains(
            QStringLiteral("Ligne 6 : Rendement « douze » (montant illisible)")));
        QCOMPARE(readFile(exported(QStringLiteral("F"))), before);
        setCell(0, 1, QStringLiteral("05"));
        setCell(2, 4, QStringLiteral("12"));
        setCell(5, 3, QStringLiteral("0,00"));

        // A folder that cannot be made: said at once, no success, path label kept.
        const QString label = findNamed<QLabel>(&form(), "pathLabel")->text();
        QDir(m_tmp->filePath(QStringLiteral("Fichier Txt"))).removeRecursively();
        writeFile(QStringLiteral("Fichier Txt"), "a file");
        m_prompts->opened.clear();
        const QStringList failed = exportWith(QStringLiteral("F"));
        QCOMPARE(failed.size(), 2);
        QVERIFY2(failed[1].startsWith(QStringLiteral("message: Le dossier « ")),
                 qPrintable(failed[1]));
        QCOMPARE(findNamed<QLabel>(&form(), "pathLabel")->text(), label);
        QVERIFY(m_prompts->opened.isEmpty());
    }
};

QTEST_MAIN(TestEditorExport)
#include "test_editor_export.moc"
