#include "MainWindow.h"
#include "PdfText.h"
#include "RecordEditor.h"
#include "ScriptedPrompts.h"
#include "StatusLight.h"
#include "TextLinesView.h"
#include "support/FindWidget.h"

#include "ReportPreview.h"
#include "keys/Keys.h"
#include "model/WorkingList.h"
#include "words/AmountInWords.h"
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

namespace
{

QString fixture(const char *name)
{
    return QStringLiteral(TALVORO_FIXTURES "/") + QString::fromLatin1(name);
}

const QString Rip = QStringLiteral("message: RIP corrected for all items.");
const QString NoErrors = QStringLiteral("message: Il n'y a aucune erreur à afficher.");

} // namespace

// The print commands of the main window, driven with scripted answers: the preview is not
// opened, the prepared report is kept by the prompts instead.
class TestReportsWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::shared_ptr<ScriptedPrompts> m_prompts;
    std::unique_ptr<MainWindow> m_form;

    MainWindow &form() { return *m_form; }
    WorkingList &list() { return m_form->session().list(); }
    void importSmall()
    {
        m_prompts->files.enqueue(fixture("small.txt"));
        findNamed<QPushButton>(&form(), "importButton")->click();
        m_prompts->take();
    }
    const PreparedReport &lastReport() { return m_prompts->reports.back(); }
    void setNet(int row, const QString &text)
    {
        TransferLine line = list().line(row);
        line.setSubItem(TransferLine::Net, text);
        form().session().replaceLine(row, line);
    }

private slots:
    void init()
    {
        // A place is stored, so the start asks nothing.
        QDir(m_dir.path()).mkpath(QStringLiteral("Fichier_INI"));
        QFile ini(m_dir.filePath(QStringLiteral("Fichier_INI/Direction.ini")));
        ini.open(QIODevice::WriteOnly);
        ini.write("[Infos]\r\nLine0=APC TEST\r\nCount=1\r\n");
        ini.close();
        m_prompts = std::make_shared<ScriptedPrompts>();
        m_form = std::make_unique<MainWindow>(m_prompts, Folders(m_dir.path()));
        m_form->show();
        m_prompts->take();
    }
    void cleanup()
    {
        QVERIFY2(m_prompts->unexpected.isEmpty(), qPrintable(m_prompts->unexpected.join(u'\n')));
        m_form.reset();
        // The folder is shared: no test starts with the journal of the one before.
        QDir(m_dir.filePath(QStringLiteral("Journal"))).removeRecursively();
    }

    void emptyTableWarnsInArabicAndChangesNothing()
    {
        findNamed<QAction>(&form(), "printListAction")->trigger();
        QCOMPARE(m_prompts->take(),
                 QStringList{QString::fromUtf16(u"notice: تنبيه|لا توجد بيانات للطباعة")});
        QVERIFY(m_prompts->reports.empty());
    }

    void tirageListeRepairsPrintsAndClearsTheErrors()
    {
        importSmall();
        QCOMPARE(form().session().errorRecords().size(), size_t(2));
        findNamed<QPlainTextEdit>(&form(), "placeMemo")
            ->setPlainText(QStringLiteral("APC Talvoro\nDirection des Finances"));
        findNamed<QAction>(&form(), "printListAction")->trigger();
        // The repair's message before the preview opens.
        QCOMPARE(m_prompts->take(),
                 (QStringList{Rip, QStringLiteral("report: nominative-list (1 pages)")}));
        const PreparedReport &r = lastReport();
        // The key column prints every row's RIP key, whatever it held before.
        QStringList keys;
        for (int i = 0; i < list().count(); ++i) {
            const QString account = list().line(i).subItem(0);
            QCOMPARE(list().line(i).subItem(1), ripKeyText(account));
            keys << account + u'/' + ripKeyText(account);
        }
        QCOMPARE(r.texts(0, "LineAccount"), keys);
        QCOMPARE(r.texts(0, "LineNumber"), (QStringList{"1", "2", "3", "4", "5", "6"}));
        QCOMPARE(r.texts(0, "LineCount"), QStringList{"Nb Ligne : 6"});
        QCOMPARE(r.texts(0, "TotalNet"), QStringList{"53 069,62"});
        QCOMPARE(r.texts(0, "NetInWords").first(),
                 QString::fromUtf16(u"1- La Somme Du Net A Payé et Arrété a : ") +
                     amountInWords(53069.62, QStringLiteral("FR")));
        QCOMPARE(r.texts(0, "PermanentCount"), QStringList{"Agents Permanents (P) : 3"});
        QCOMPARE(
            r.texts(0, "Place"),
            QStringList{
                "APC Talvoro\nDirection des Finances\nRef : ................................"});
        // Afterwards no line is in error and the error report has nothing to show.
        QVERIFY(form().session().errorRecords().empty());
        findNamed<QAction>(&form(), "errorReportAction")->trigger();
        QCOMPARE(m_prompts->take(), QStringList{NoErrors});
    }

    void filteredListPrintsOnlyTheShownRows()
    {
        importSmall();
        findNamed<QLineEdit>(&form(), "nameFilter")->setText(QStringLiteral("ali ben"));
        QCOMPARE(list().count(), 2);
        m_prompts->answers.enqueue(true); // printing only the shown lines, as the clerk agrees
        findNamed<QAction>(&form(), "printListAction")->trigger();
        m_prompts->take();
        const PreparedReport &r = lastReport();
        QCOMPARE(r.texts(0, "LineName"), (QStringList{"ALI BEN", "ALI BEN"}));
        QCOMPARE(r.texts(0, "PermanentCount"), QStringList{"Agents Permanents (P) : 2"});
        QCOMPARE(r.texts(0, "IndefiniteCount").first().right(1), QStringLiteral("0"));
        QCOMPARE(r.texts(0, "NetInWords").first(),
                 QString::fromUtf16(u"1- La Somme Du Net A Payé et Arrété a : ") +
                     amountInWords(2469.12, QStringLiteral("FR")));
    }

    void amountCellsEmptyPrintZeroAndUnreadableStopThePreparation()
    {
        importSmall();
        setNet(1, QString());
        findNamed<QAction>(&form(), "printListAction")->trigger();
        m_prompts->take();
        QCOMPARE(lastReport().texts(0, "LineNet").at(1), QStringLiteral("0,00"));

        setNet(1, QStringLiteral("12.5"));
        findNamed<QAction>(&form(), "printListAction")->trigger();
        QCOMPARE(m_prompts->take(),
                 (QStringList{
                     Rip, QStringLiteral("error: '12.5' is not a valid floating point value")}));
        QCOMPARE(m_prompts->reports.size(), size_t(1));
        QVERIFY(form().session().errorRecords().empty());
    }

    void errorReportPrintsTheLinesInErrorNow()
    {
        // With no line in error the command only speaks.
        importSmall();
        findNamed<QPushButton>(&form(), "repairRipButton")->click();
        m_prompts->take();
        findNamed<QAction>(&form(), "errorReportAction")->trigger();
        QCOMPARE(m_prompts->take(), QStringList{NoErrors});
        QVERIFY(m_prompts->reports.empty());

        m_prompts->answers.enqueue(true); // the repaired list is replaced all the same
        importSmall();                    // rows 3 and 6 are wrong
        QCOMPARE(form().session().errorRecords().size(), size_t(2));
        TransferLine first = list().line(0);
        first.setSubItem(TransferLine::Key, u"99"); // wrong since the import
        form().session().replaceLine(0, first);
        findNamed<QAction>(&form(), "errorReportAction")->trigger();
        QCOMPARE(m_prompts->take(), QStringList{QStringLiteral("report: error-report (1 pages)")});
        const PreparedReport &r = lastReport();
        QCOMPARE(r.texts(0, "ErrorRow"), (QStringList{"1", "3", "6"}));
        QCOMPARE(r.texts(0, "ErrorName"),
                 (QStringList{"ALI BEN", "NOM PRENOM", QString::fromUtf16(u"SAÏD Réda")}));
        QCOMPARE(r.texts(0, "ErrorWrongKey"), (QStringList{"99", "11", "4"}));
        QCOMPARE(r.texts(0, "ErrorRightKeys"), (QStringList{"28 - 03", "16 - 97", "04 - 09"}));
        QCOMPARE(r.texts(0, "ErrorNet"), (QStringList{"1 234,56", "3 000,50", "100,00"}));
        QCOMPARE(r.texts(0, "LineCount"), QStringList{"Nombre De Ligne : ( 3 )"});
        QCOMPARE(r.texts(0, "TotalNet"), QStringList{"4 335,06"});
        QCOMPARE(r.texts(0, "GrandTotal"), QStringList{"Total Global :  4 435,06"});

        // Deleting a line in error takes it out of the report, and the rows follow the table.
        findNamed<QTableView>(&form(), "lineTable")->selectRow(0);
        findNamed<QPushButton>(&form(), "deleteLineButton")->click();
        findNamed<QAction>(&form(), "errorReportAction")->trigger();
        m_prompts->take();
        QCOMPARE(lastReport().texts(0, "ErrorRow"), (QStringList{"2", "5"}));
    }

    void previewNavigatesZoomsExportsAndPrints()
    {
        importSmall();
        // A two-page list.
        for (int i = 0; i < 6; ++i)
            for (int r = 0; r < 6; ++r)
                form().session().appendLine(list().line(r));
        findNamed<QAction>(&form(), "printListAction")->trigger();
        m_prompts->take();
        const PreparedReport report = lastReport();
        QCOMPARE(report.pageCount(), 2);

        ReportPreview preview(report, *m_prompts);
        preview.show();
        QCOMPARE(preview.currentPage(), 0);
        QCOMPARE(preview.zoom(), 1.0);
        QCOMPARE(preview.zoomBox->currentText(), QStringLiteral("100 %"));
        QVERIFY(!preview.actPrevious->isEnabled());
        preview.actNext->trigger();
        QCOMPARE(preview.currentPage(), 1);
        QCOMPARE(preview.pageBox->value(), 2);
        QVERIFY(!preview.actNext->isEnabled());
        preview.actFirst->trigger();
        QCOMPARE(preview.currentPage(), 0);
        preview.actZoomIn->trigger();
        QCOMPARE(preview.zoom(), 1.25);
        preview.actZoomOut->trigger();
        preview.actZoomOut->trigger();
        QCOMPARE(preview.zoom(), 0.75);

        // Export: the file chosen gets every page; a cancelled dialog writes nothing.
        const QString pdf = m_dir.filePath(QStringLiteral("liste"));
        m_prompts->saveFiles.enqueue(pdf);
        preview.actExportPdf->trigger();
        QVERIFY(QFile::exists(pdf + QStringLiteral(".pdf")));
        QVERIFY(pdfText(pdf + QStringLiteral(".pdf")).contains(QStringLiteral("Page 2 - 2")));
        m_prompts->saveFiles.enqueue(QString());
        preview.actExportPdf->trigger();
        // Printing goes through the print dialog and paints the same pages.
        const QString printed = m_dir.filePath(QStringLiteral("printed.pdf"));
        m_prompts->printToFiles.enqueue(printed);
        preview.actPrint->trigger();
        QVERIFY(pdfText(printed).contains(QStringLiteral("Page 1 - 2")));
        m_prompts->printToFiles.enqueue(QString());
        preview.actPrint->trigger();
        QCOMPARE(m_prompts->take(), (QStringList{"save: Exporter en PDF", "save: Exporter en PDF",
                                                 "print: 2 pages", "print: 2 pages"}));
        preview.actClose->trigger();
        QVERIFY(!preview.isVisible());
    }
};

QTEST_MAIN(TestReportsWindow)
#include "test_reports_window.moc"
