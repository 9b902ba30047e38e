#include "PdfText.h"
#include "ScriptedPrompts.h"
#include "app/TForm1.h"
#include "keys/Keys.h"
#include "model/WorkingList.h"
#include "reports/ReportPreview.h"
#include "words/UnitTransChiffre.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
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
    std::unique_ptr<TForm1> m_form;

    TForm1 &form() { return *m_form; }
    WorkingList &list() { return m_form->list(); }
    void importSmall()
    {
        m_prompts->files.enqueue(fixture("small.txt"));
        form().runCommand([this] { form().BtnImportClick(); });
        m_prompts->take();
    }
    const PreparedReport &lastReport() { return m_prompts->reports.back(); }

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
        m_form = std::make_unique<TForm1>(m_prompts, Folders(m_dir.path()));
        m_form->show();
        m_prompts->take();
    }
    void cleanup()
    {
        QVERIFY2(m_prompts->unexpected.isEmpty(), qPrintable(m_prompts->unexpected.join(u'\n')));
        m_form.reset();
    }

    void emptyTableWarnsInArabicAndChangesNothing()
    {
        form().FCurrentRecord = 5;
        form().mniT1->trigger();
        QCOMPARE(m_prompts->take(),
                 QStringList{QString::fromUtf16(u"notice: تنبيه|لا توجد بيانات للطباعة")});
        QVERIFY(m_prompts->reports.empty());
        QCOMPARE(form().FCurrentRecord, 5);
    }

    void tirageListeRepairsPrintsAndClearsTheErrors()
    {
        importSmall();
        QCOMPARE(form().errors().DailyRecords.size(), size_t(2));
        form().Memo2->setPlainText(QStringLiteral("APC Talvoro\nDirection des Finances"));
        form().mniT1->trigger();
        // The repair's message before the preview opens and again after it closes.
        QCOMPARE(m_prompts->take(),
                 (QStringList{Rip, QStringLiteral("report: frxReport1 (1 pages)"), Rip}));
        const PreparedReport &r = lastReport();
        // The key column prints every row's RIP key, whatever it held before.
        QStringList keys;
        for (int i = 0; i < list().count(); ++i) {
            const QString compte = list().line(i).subItem(0);
            QCOMPARE(list().line(i).subItem(1), CleCcpRip(compte));
            keys << compte + u'/' + CleCcpRip(compte);
        }
        QCOMPARE(r.texts(0, "ListeNominativeCompte"), keys);
        QCOMPARE(r.texts(0, "Memo19"), (QStringList{"1", "2", "3", "4", "5", "6"}));
        QCOMPARE(r.texts(0, "Memo7"), QStringList{"Nb Ligne : 6"});
        QCOMPARE(r.texts(0, "Memo8"), QStringList{"53 069,62"});
        QCOMPARE(r.texts(0, "Memo14").first(),
                 QString::fromUtf16(u"1- La Somme Du Net A Payé et Arrété a : ") +
                     NombreEnToutesLettres(53069.62, QStringLiteral("FR")));
        QCOMPARE(r.texts(0, "Memo20"), QStringList{"Agents Permanents (P) : 3"});
        QCOMPARE(
            r.texts(0, "Memo13"),
            QStringList{
                "APC Talvoro\nDirection des Finances\nRef : ................................"});
        // Afterwards the error records are empty and the error report has nothing to show.
        QVERIFY(form().errors().DailyRecords.empty());
        QCOMPARE(form().FCurrentRecord, -1);
        QCOMPARE(form().CurrentIndex, list().count());
        form().mniS3->trigger();
        QCOMPARE(m_prompts->take(), QStringList{NoErrors});
    }

    void filteredListPrintsOnlyTheShownRows()
    {
        importSmall();
        form().Edit2->setText(QStringLiteral("ali ben"));
        QCOMPARE(list().count(), 2);
        form().mniT1->trigger();
        m_prompts->take();
        const PreparedReport &r = lastReport();
        QCOMPARE(r.texts(0, "ListeNominativeNomPrenom"), (QStringList{"ALI BEN", "ALI BEN"}));
        QCOMPARE(r.texts(0, "Memo20"), QStringList{"Agents Permanents (P) : 2"});
        QCOMPARE(r.texts(0, "Memo21").first().right(1), QStringLiteral("0"));
        QCOMPARE(r.texts(0, "Memo14").first(),
                 QString::fromUtf16(u"1- La Somme Du Net A Payé et Arrété a : ") +
                     NombreEnToutesLettres(2469.12, QStringLiteral("FR")));
    }

    void amountCellsEmptyPrintZeroAndUnreadableStopThePreparation()
    {
        importSmall();
        list().line(1).setSubItem(TransferLine::Net, u"");
        form().mniT1->trigger();
        m_prompts->take();
        QCOMPARE(lastReport().texts(0, "ListeNominativeNetPayer").at(1), QStringLiteral("0,00"));

        list().line(1).setSubItem(TransferLine::Net, u"12.5");
        form().mniT1->trigger();
        QCOMPARE(
            m_prompts->take(),
            (QStringList{Rip, QStringLiteral("error: '12.5' is not a valid floating point value"),
                         Rip}));
        QCOMPARE(m_prompts->reports.size(), size_t(1));
        QVERIFY(form().errors().DailyRecords.empty());
    }

    void reportCallbacksAnswerAsTheWindowShowsIt()
    {
        importSmall();
        list().line(0).setCaption(u"*00799999");
        form().ListView1->selectRow(0);
        QVariant v;
        form().frxReport1GetValue(QStringLiteral("codeptt"), v);
        QCOMPARE(v, QVariant("*00799999"));
        form().CurrentIndex = 0;
        v.clear();
        form().frxUserDataSet1GetValue(QStringLiteral("CodePTT"), v);
        QCOMPARE(v, QVariant("00799999"));
        form().CurrentIndex = list().count();
        v.clear();
        form().frxUserDataSet1GetValue(QStringLiteral("CodePTT"), v);
        QVERIFY(!v.isValid());

        form().errors().DailyRecords.clear();
        form().frxUserDataSet2First();
        QCOMPARE(form().FCurrentRecord, -1);
        form().frxUserDataSet2Next();
        QCOMPARE(form().FCurrentRecord, -1);
        bool eof = false;
        form().frxUserDataSet2CheckEOF(eof);
        QVERIFY(eof);
    }

    void errorReportPrintsTheRecordsAndNewErrorsFoundByTheCheck()
    {
        // With no record the command only speaks, even with wrong keys in the table.
        importSmall();
        form().errors().DailyRecords.clear();
        form().mniS3->trigger();
        QCOMPARE(m_prompts->take(), QStringList{NoErrors});
        QVERIFY(m_prompts->reports.empty());

        importSmall(); // records rows 3 and 6 again
        QCOMPARE(form().errors().DailyRecords.size(), size_t(2));
        list().line(0).setSubItem(TransferLine::CleRip, u"99"); // wrong since the last check
        form().mniS3->trigger();
        QCOMPARE(m_prompts->take(), QStringList{QStringLiteral("report: frxReport2 (1 pages)")});
        const PreparedReport &r = lastReport();
        QCOMPARE(r.texts(0, "frxUserDataSet2Row"), (QStringList{"3", "6", "1"}));
        QCOMPARE(r.texts(0, "frxUserDataSet2Operation"),
                 (QStringList{"NOM PRENOM", QString::fromUtf16(u"SAÏD Réda"), "ALI BEN"}));
        QCOMPARE(r.texts(0, "frxUserDataSet2OldValue"), (QStringList{"11", "4", "99"}));
        QCOMPARE(r.texts(0, "frxUserDataSet2NewValue"),
                 (QStringList{"16 - 97", "04 - 09", "28 - 03"}));
        QCOMPARE(r.texts(0, "frxUserDataSet2TimeStamp"),
                 (QStringList{"3 000,50", "100,00", "1 234,56"}));
        QCOMPARE(r.texts(0, "Memo9"), QStringList{"Nombre De Ligne : ( 3 )"});
        QCOMPARE(r.texts(0, "Memo13"), QStringList{"4 335,06"});
        QCOMPARE(r.texts(0, "Memo15"), QStringList{"Total Global :  4 435,06"});
        // The records stay; the cursor stays where the last step put it.
        QCOMPARE(form().errors().DailyRecords.size(), size_t(3));
        QCOMPARE(form().FCurrentRecord, 3);
    }

    void previewNavigatesZoomsExportsAndPrints()
    {
        importSmall();
        // A two-page list.
        for (int i = 0; i < 6; ++i)
            for (int r = 0; r < 6; ++r)
                list().append(list().line(r));
        form().mniT1->trigger();
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
