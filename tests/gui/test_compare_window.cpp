#include "WindowFixture.h"

#include "CompareDialog.h"

#include <QAction>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

namespace
{
const QString Title = QStringLiteral("Comparaison avec la liste précédente");
const QString OpenPrompt = QStringLiteral(
    "open: Listes (*.txt, *.xlsx, *.xls, *.ods)|*.txt;*.xlsx;*.xls;*.ods|Tous les fichiers|*.*");
} // namespace

// The comparison through the real window and dialog, with scripted answers.
class TestCompareWindow : public QObject, WindowFixture
{
    Q_OBJECT

    QAction *compareAction()
    {
        return form().findChild<QAction *>(QStringLiteral("compareAction"));
    }
    // Opens the comparison with Ctrl+M against the previous list, and lets play act on the dialog.
    void compareWith(const QString &previous, const std::function<void(CompareDialog *)> &play)
    {
        m_prompts->files.enqueue(previous);
        m_prompts->dialogs.enqueue([play](QDialog *d) { play(qobject_cast<CompareDialog *>(d)); });
        QTest::keyClick(&form(), Qt::Key_M, Qt::ControlModifier);
    }
    static QStringList column(QTableView *table, int col)
    {
        QStringList out;
        for (int r = 0; r < table->model()->rowCount(); ++r)
            out << table->model()->index(r, col).data().toString();
        return out;
    }

private slots:
    void init() { startWindow(); }
    void cleanup() { closeWindow(); }

    void menuEntryAndShortcut()
    {
        QAction *a = compareAction();
        QVERIFY(a);
        QCOMPARE(a->text(), QStringLiteral("Comparer avec une liste…"));
        QCOMPARE(a->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_M));
        QVERIFY(findNamed<QMenu>(&form(), "lineMenu")->actions().contains(a));
        // An empty list: nothing to compare, no file asked for.
        QTest::keyClick(&form(), Qt::Key_M, Qt::ControlModifier);
        QCOMPARE(m_prompts->take(), QStringList{"message: La liste est vide : importez d’abord la "
                                                "liste du mois, puis comparez-la avec "
                                                "la précédente."});
    }

    void dialogShowsCountsFiltersPrintsAndExports()
    {
        import(fixture("compare_new.txt"));
        m_prompts->take();
        const QString saved = m_tmp->filePath(QStringLiteral("comparaison"));
        m_prompts->saveFiles.enqueue(saved);
        compareWith(fixture("compare_old.txt"), [&](CompareDialog *d) {
            QVERIFY(d);
            QVERIFY(d->isVisible());
            QStringList counts;
            for (int k = 0; k < 6; ++k)
                counts << d->findChild<QLabel *>(QStringLiteral("count%1").arg(k))->text();
            QCOMPARE(counts,
                     (QStringList{"Compte modifié : 2", "Nom modifié : 1", "Montant modifié : 1",
                                  "Nouveau : 2", "Sorti : 2", "Doublon : 4"}));
            QVERIFY(
                d->findChild<QLabel *>(QStringLiteral("listsLabel"))
                    ->text()
                    .startsWith(QStringLiteral("Liste précédente : compare_old.txt (14 lignes)")));
            auto *table = d->findChild<QTableView *>(QStringLiteral("differences"));
            auto *filter = d->findChild<QComboBox *>(QStringLiteral("categoryFilter"));
            QCOMPARE(table->model()->rowCount(), 12);
            QCOMPARE(filter->currentText(), QStringLiteral("Toutes (12)"));

            struct Case {
                int index; // in the filter box
                QStringList categories, names, changes;
            };
            const std::vector<Case> cases = {
                {1,
                 {"Compte modifié", "Compte modifié"},
                 {"BENALI AMINE", "MERZOUK RÉDA"},
                 {"", ""}},
                {2, {"Nom modifié"}, {"TALEB OMAR KARIM"}, {"Ancien nom : TALEB OMAR"}},
                {3, {"Montant modifié"}, {"KACI NADIA"}, {"+15 000,00 (+33,3 %)"}},
                {5, {"Sorti", "Sorti"}, {"OUALI SAMIA", "MANSOURI KARIM"}, {"", ""}},
                {6,
                 {"Doublon", "Doublon", "Doublon", "Doublon"},
                 {"BOUZID YACINE", "BOUZID YACINE", "HAMDANI ZOÉ", "TALEB NADIA"},
                 {"", "", "", ""}},
            };
            for (const Case &c : cases) {
                filter->setCurrentIndex(c.index);
                QCOMPARE(column(table, 0), c.categories);
                QCOMPARE(column(table, 2), c.names);
                QCOMPARE(column(table, 7), c.changes);
            }
            filter->setCurrentIndex(1);
            QCOMPARE(column(table, 3), (QStringList{"0011111111/11", "0088888888/88"}));
            QCOMPARE(column(table, 4), (QStringList{"0099999999/22", "0088888888/81"}));
            QCOMPARE(table->model()->index(0, 0).data(Qt::ForegroundRole).value<QColor>(),
                     QColor(200, 0, 0));

            if (qEnvironmentVariableIsSet("TALVORO_SHOTS")) {
                filter->setCurrentIndex(0);
                d->grab().save(qEnvironmentVariable("TALVORO_SHOTS") +
                               QStringLiteral("/compare-dialog.png"));
            }

            // Any change of Net, from the threshold box: one more amount change.
            filter->setCurrentIndex(3);
            d->findChild<QDoubleSpinBox *>(QStringLiteral("thresholdBox"))->setValue(0);
            QCOMPARE(d->findChild<QLabel *>(QStringLiteral("count2"))->text(),
                     QStringLiteral("Montant modifié : 2"));
            QCOMPARE(filter->itemText(0), QStringLiteral("Toutes (13)"));
            QCOMPARE(column(table, 2), (QStringList{"KACI NADIA", "REZKI FARID"}));
            QCOMPARE(column(table, 7),
                     (QStringList{"+15 000,00 (+33,3 %)", "+5 000,00 (+10,0 %)"}));

            d->findChild<QPushButton *>(QStringLiteral("printButton"))->click();
            d->findChild<QPushButton *>(QStringLiteral("exportButton"))->click();
            d->findChild<QPushButton *>(QStringLiteral("closeButton"))->click();
        });
        QCOMPARE(m_prompts->take(),
                 (QStringList{OpenPrompt, "dialog: " + Title, "report: comparison (1 pages)",
                              "save: Exporter la comparaison",
                              "message: Comparaison écrite dans « " +
                                  QDir::toNativeSeparators(saved) + ".xlsx » (13 lignes)."}));
        QVERIFY(QFile::exists(saved + ".xlsx"));
        const PreparedReport &report = m_prompts->reports.back();
        QVERIFY(report.paperSize().width() > report.paperSize().height());
        QCOMPARE(report.texts(0, QStringLiteral("Title")), QStringList{Title});
        QCOMPARE(report.texts(0, QStringLiteral("Place")), QStringList{"APC TEST"});
        QCOMPARE(report.texts(0, QStringLiteral("RowNom")).size(), 13);
        QCOMPARE(report.texts(0, QStringLiteral("Threshold")),
                 QStringList{"Variation du Net signalée au-delà de : 0 %"});
        // The list itself is untouched.
        QCOMPARE(list().count(), 16);
    }

    void unreadablePreviousListIsRefusedWithItsName()
    {
        import(fixture("compare_new.txt"));
        m_prompts->take();
        const QString missing = m_tmp->filePath(QStringLiteral("absent.txt"));
        const QString wrongKind = m_tmp->filePath(QStringLiteral("liste.pdf"));
        const QString shortLine =
            writeFile(QStringLiteral("mars.txt"), "trop court\r\n\xff\xfe\r\n");
        struct Case {
            QString path, error;
        };
        const std::vector<Case> cases = {
            {missing, "error: File not found: " + missing},
            {wrongKind, "error: Format not supported: " + wrongKind},
        };
        for (const Case &c : cases) {
            m_prompts->files.enqueue(c.path);
            compareAction()->trigger();
            QCOMPARE(m_prompts->take(), (QStringList{OpenPrompt, c.error}));
        }
        m_prompts->files.enqueue(shortLine);
        compareAction()->trigger();
        const QStringList shown = m_prompts->take();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[1], "error: Fichier « " + shortLine +
                               " », ligne 2 : No mapping for the Unicode character exists in the "
                               "target multi-byte code page");
        // Cancelled file dialog: nothing happens.
        m_prompts->files.enqueue(QString());
        compareAction()->trigger();
        QCOMPARE(m_prompts->take(), QStringList{OpenPrompt});
        QCOMPARE(list().count(), 16);
    }

    void exportFailureWritesNothing()
    {
        import(fixture("compare_new.txt"));
        m_prompts->take();
        const QString target = m_tmp->filePath(QStringLiteral("absent/comparaison.xlsx"));
        m_prompts->saveFiles.enqueue(target);
        compareWith(fixture("compare_old.txt"), [](CompareDialog *d) {
            d->findChild<QPushButton *>(QStringLiteral("exportButton"))->click();
            d->accept();
        });
        const QStringList shown = m_prompts->take();
        QCOMPARE(shown.size(), 4);
        QVERIFY2(shown[3].startsWith(QStringLiteral("error: Cannot create file")),
                 qPrintable(shown[3]));
        QVERIFY(!QFile::exists(target));
    }
};

QTEST_MAIN(TestCompareWindow)
#include "test_compare_window.moc"
