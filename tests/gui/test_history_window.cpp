#include "WindowFixture.h"

#include "CompareDialog.h"
#include "HistoryDialog.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

namespace
{
const QString CodeInput = QStringLiteral("input: Code Ordinateur|Entrez le code ordinateur :");
} // namespace

// The payment history through the real window: exports archived, compared with in one click,
// browsed, opened, searched, and the annual statement.
class TestHistoryWindow : public QObject, WindowFixture
{
    Q_OBJECT

    // Exports the list as text with this ordering code; returns what was shown.
    QStringList exportText(const QString &code)
    {
        m_prompts->inputs.enqueue(code);
        findNamed<QPushButton>(&form(), "exportTextButton")->click();
        return m_prompts->take();
    }
    void openHistory(const std::function<void(HistoryDialog *)> &play)
    {
        m_prompts->dialogs.enqueue([play](QDialog *d) { play(qobject_cast<HistoryDialog *>(d)); });
        findNamed<QPushButton>(&form(), "historyButton")->click();
    }
    template <class T> static T *child(QWidget *parent, const char *name)
    {
        return parent->findChild<T *>(QLatin1String(name));
    }

private slots:
    void init() { startWindow(); }
    void cleanup() { closeWindow(); }

    void lastMonthIsTheComparisonsDefault()
    {
        import(fixture("compare_old.txt"));
        m_prompts->take();
        const QStringList shown = exportText(QStringLiteral("MARS"));
        QCOMPARE(shown.first(), CodeInput);
        for (const QString &s : shown)
            QVERIFY2(!s.startsWith(QStringLiteral("error:")), qPrintable(s));

        import(fixture("compare_new.txt"));
        m_prompts->take();
        m_prompts->answers.enqueue(true);
        m_prompts->dialogs.enqueue([](QDialog *d) {
            auto *c = qobject_cast<CompareDialog *>(d);
            QVERIFY(c);
            QVERIFY(child<QLabel>(c, "listsLabel")
                        ->text()
                        .startsWith(QStringLiteral("Liste précédente : Export MARS du ")));
            QStringList counts;
            for (int k = 0; k < 6; ++k)
                counts << c->findChild<QLabel *>(QStringLiteral("count%1").arg(k))->text();
            QCOMPARE(counts,
                     (QStringList{"Compte modifié : 2", "Nom modifié : 1", "Montant modifié : 1",
                                  "Nouveau : 2", "Sorti : 2", "Doublon : 4"}));
        });
        QTest::keyClick(&form(), Qt::Key_M, Qt::ControlModifier);
        const QStringList asked = m_prompts->take();
        QCOMPARE(asked.size(), 2);
        QVERIFY2(
            asked[0].startsWith(QStringLiteral(
                "question: Comparer la liste avec le dernier export archivé (Export MARS du ")),
            qPrintable(asked[0]));

        // No: the previous list is a file, as before.
        m_prompts->answers.enqueue(false);
        m_prompts->files.enqueue(QString());
        form().findChild<QAction *>(QStringLiteral("compareAction"))->trigger();
        QCOMPARE(m_prompts->take().size(), 2);
    }

    void historyListsOpensSearchesAndPrintsTheYear()
    {
        import(fixture("compare_old.txt"));
        exportText(QStringLiteral("MARS"));
        exportText(QStringLiteral("AVRIL"));
        m_prompts->take();
        const QString year = QString::number(QDate::currentDate().year());
        m_prompts->inputs.enqueue(year);
        openHistory([&](HistoryDialog *d) {
            QVERIFY(d);
            auto *exports = child<QTableWidget>(d, "exportTable");
            QCOMPARE(exports->rowCount(), 2);
            QCOMPARE(exports->item(0, 1)->text(), QStringLiteral("AVRIL")); // newest first
            QCOMPARE(exports->item(1, 1)->text(), QStringLiteral("MARS"));
            QCOMPARE(exports->item(1, 3)->text(), QStringLiteral("14"));

            // A name typed without its accents finds both months.
            child<QComboBox>(d, "searchField")->setCurrentIndex(2);
            child<QLineEdit>(d, "searchText")->setText(QStringLiteral("hamdani zoe"));
            child<QPushButton>(d, "searchButton")->click();
            auto *person = child<QTableWidget>(d, "personTable");
            QVERIFY(person->rowCount() >= 2);
            QCOMPARE(person->item(0, 1)->text(), QStringLiteral("AVRIL"));
            QCOMPARE(person->item(person->rowCount() - 1, 1)->text(), QStringLiteral("MARS"));
            child<QPushButton>(d, "statementButton")->click();

            // The older month becomes the working list: the list was just exported, no question.
            exports->selectRow(1);
            child<QPushButton>(d, "openExportButton")->click();
        });
        const QStringList shown = m_prompts->take();
        QCOMPARE(shown.size(), 4);
        QCOMPARE(shown[0], QStringLiteral("dialog: Historique des paiements"));
        QCOMPARE(shown[1], QStringLiteral("input: Relevé annuel|Année :"));
        QCOMPARE(shown[2], QStringLiteral("report: annual-statement (1 pages)"));
        QVERIFY2(shown[3].startsWith(QStringLiteral("message: Export MARS du ")),
                 qPrintable(shown[3]));
        QVERIFY(shown[3].endsWith(QStringLiteral(" ouvert comme liste de travail (14 lignes).")));
        QCOMPARE(list().count(), 14);
        QVERIFY(!form().session().hasUnexportedChanges());
        const PreparedReport &report = m_prompts->reports.back();
        QCOMPARE(report.texts(0, QStringLiteral("Title")),
                 QStringList{"Relevé annuel des paiements " + year});
        QCOMPARE(report.texts(0, QStringLiteral("RowCode")).size(), 2);
    }

    void changesByHandAreShownBeforeTheWholeListGoesOut()
    {
        import(fixture("compare_old.txt"));
        m_prompts->take();
        setCell(0, TransferLine::Account, QStringLiteral("0099999999"));
        form().session().deleteRow(3);
        auto control = [](QDialog *d) {
            QCOMPARE(d->objectName(), QStringLiteral("controlDialog"));
            QCOMPARE(d->findChild<QLabel *>(QStringLiteral("count0"))->text(),
                     QStringLiteral("Compte modifié : 1"));
            QCOMPARE(d->findChild<QLabel *>(QStringLiteral("count4"))->text(),
                     QStringLiteral("Sorti : 1"));
            d->findChild<QPushButton *>(QStringLiteral("printButton"))->click();
            d->accept();
        };
        // Declined after the check: nothing written, nothing archived.
        m_prompts->dialogs.enqueue(control);
        m_prompts->answers.enqueue(false);
        QStringList shown = exportText(QStringLiteral("MAI"));
        QCOMPARE(shown,
                 (QStringList{CodeInput, "dialog: Contrôle des modifications depuis l’import",
                              "report: comparison (1 pages)",
                              "question: La liste a été modifiée depuis l’import. Exporter "
                              "la liste avec ces modifications ?"}));
        // The paper says what it is: the control, not last month's comparison.
        QCOMPARE(m_prompts->reports.back().texts(0, QStringLiteral("Title")),
                 QStringList{"Contrôle des modifications depuis l’import"});
        const QString file =
            m_tmp->filePath(QStringLiteral("Fichier Txt/Liste_Nominative_MAI.txt"));
        QVERIFY(!QFile::exists(file));
        m_prompts->dialogs.enqueue(control);
        m_prompts->answers.enqueue(true);
        shown = exportText(QStringLiteral("MAI"));
        QCOMPARE(shown.size(), 5);
        QVERIFY(QFile::exists(file));
        // Changes taken back: nothing to show.
        QVERIFY(form().session().undoStack().canUndo());
        while (form().session().undoStack().canUndo())
            form().session().undoStack().undo();
        shown = exportText(QStringLiteral("MAI"));
        QCOMPARE(shown.size(), 2);
    }

    void anArchiveThatCannotBeWrittenIsToldAndTheExportStands()
    {
        // A folder where the archive file should be: it cannot be opened.
        QVERIFY(QDir(m_tmp->path()).mkpath(QStringLiteral("Historique/paiements.sqlite")));
        import(fixture("compare_old.txt"));
        m_prompts->take();
        const QStringList shown = exportText(QStringLiteral("MARS"));
        QVERIFY(QFile::exists(
            m_tmp->filePath(QStringLiteral("Fichier Txt/Liste_Nominative_MARS.txt"))));
        QVERIFY(!form().session().hasUnexportedChanges());
        QCOMPARE(shown.size(), 3);
        QVERIFY(shown[1].startsWith(QStringLiteral("message: Fichier exporté avec succès")));
        QVERIFY2(shown[2].startsWith(QStringLiteral("error: L’export a bien été écrit, mais il n’a "
                                                    "pas pu être enregistré")),
                 qPrintable(shown[2]));
        QVERIFY(shown[2].endsWith(QStringLiteral("Le prochain export réessaiera.")));
        // Once the way is clear, the next export is recorded.
        QVERIFY(QDir(m_tmp->filePath(QStringLiteral("Historique/paiements.sqlite")))
                    .removeRecursively());
        const QStringList again = exportText(QStringLiteral("MARS"));
        QCOMPARE(again.size(), 2);
        openHistory([](HistoryDialog *d) {
            QCOMPARE(d->findChild<QTableWidget *>(QStringLiteral("exportTable"))->rowCount(), 1);
        });
        QCOMPARE(m_prompts->take().size(), 1);
    }
};

QTEST_MAIN(TestHistoryWindow)
#include "test_history_window.moc"
