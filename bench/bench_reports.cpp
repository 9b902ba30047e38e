// Times the printed reports on a generated list: preparation (both layouts), PDF writing,
// the list to PDF from start to end, pages laid out on demand, and the "Tirage Liste"
// command up to the preview's first painted page. Each figure is printed beside a bare parse
// of the same list file measured in the same run, so that its ratio holds on any machine.
// Usage: bench_reports [LINES]   (needs gen_transfer beside it)
#include "BenchSupport.h"
#include "MainWindow.h"
#include "RecordEditor.h"
#include "SilentPrompts.h"
#include "StatusLight.h"
#include "TextLinesView.h"
#include "import/TextImport.h"
#include "support/FindWidget.h"

#include "ReportPreview.h"
#include "keys/LineCheck.h"
#include "keys/Statistics.h"
#include "model/AmountText.h"
#include "model/WorkingList.h"
#include "reports/ListReport.h"
#include "reports/ReportPainter.h"
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

namespace
{

// Answers every prompt silently; the preview is opened without blocking and painted once.
class BenchPrompts final : public SilentPrompts
{
public:
    QElapsedTimer command;
    double firstPage = 0;
    int pages = 0;
    void showReport(QWidget *, const PreparedReport &report) override
    {
        ReportPreview preview(report, *this);
        preview.resize(1280, 800);
        preview.show();
        preview.repaint();
        firstPage = double(command.nsecsElapsed()) / 1e6;
        pages = report.pageCount();
    }
};

// Bare parse of the list file: the reference every figure is divided by.
double bare = 0;

void figure(const char *what, double took)
{
    std::printf("%-30s %9.1f ms   ratio %6.2f\n", what, took, took / bare);
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString lines = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("10000");
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("liste.txt"));
    if (!generateList(lines, file)) return 2;
    bare = 1e30;
    for (int run = 0; run < 2; ++run)
        bare = std::min(bare, ms([&] { (void)TextImport::importFile(file); }));
    std::printf("list: %s lines, %.1f MB\n", qPrintable(lines),
                double(QFileInfo(file).size()) / 1e6);
    std::printf("%-30s %9.1f ms   ratio   1.00\n", "bare parse (reference)", bare);
    auto prompts = std::make_shared<BenchPrompts>();
    prompts->file = file;
    MainWindow form(prompts, Folders(dir.path()));
    form.show();
    findNamed<QPushButton>(&form, "importButton")->click();
    std::printf("rows: %d\n", form.session().list().count());

    const ListFigures &f = form.session().figures();
    ListReport::Variables v;
    v.totalNetCents = f.netCents;
    v.totalRendCents = f.rendCents;
    v.typeCounts = f.types;
    v.place = QStringLiteral("APC Talvoro\nDirection des Finances");
    PreparedReport report;
    for (int run = 0; run < 3; ++run)
        figure("prepare (both layouts)",
               ms([&] { report = ListReport::prepare(form.session().list(), v); }));
    std::printf("pages: %d\n", report.pageCount());
    const QString pdf = dir.filePath(QStringLiteral("liste.pdf"));
    figure("write PDF", ms([&] { ReportPainter::writePdf(report, pdf); }));
    for (int run = 0; run < 3; ++run)
        figure("list to PDF (both)", ms([&] {
                   ReportPainter::writePdf(ListReport::prepare(form.session().list(), v), pdf);
               }));
    figure("on demand, page count",
           ms([&] { report = ListReport::prepareOnDemand(form.session().list(), v); }));
    figure("on demand, page 1 at 96 dpi", ms([&] { ReportPainter::renderPage(report, 0, 96); }));
    figure("on demand, last page",
           ms([&] { ReportPainter::renderPage(report, report.pageCount() - 1, 96); }));
    std::printf("PDF size: %.1f MB\n", double(QFileInfo(pdf).size()) / 1e6);
    figure("render page 1 at 96 dpi", ms([&] { ReportPainter::renderPage(report, 0, 96); }));
    prompts->command.start();
    const double whole = ms([&] { findNamed<QAction>(&form, "printListAction")->trigger(); });
    std::printf("(%d pages)\n", prompts->pages);
    figure("Tirage Liste to first page", prompts->firstPage);
    figure("Tirage Liste, whole", whole);
    std::printf("%-30s %9ld MB\n", "peak memory (one process)", peakMegabytes());
    return 0;
}
