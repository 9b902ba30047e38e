// Times the printed reports on a generated list: preparation (both layouts), PDF writing,
// the list to PDF from start to end, pages laid out on demand, and the "Tirage Liste"
// command up to the preview's first painted page.
// Usage: bench_reports [LINES]   (needs gen_transfer beside it)
#include "BenchSupport.h"
#include "SilentPrompts.h"
#include "MainWindow.h"
#include "RecordEditor.h"
#include "StatusLight.h"
#include "TextLinesView.h"
#include "support/FindWidget.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include "keys/LineCheck.h"
#include "keys/Statistics.h"
#include "model/AmountText.h"
#include "model/WorkingList.h"
#include "reports/ListReport.h"
#include "reports/ReportPainter.h"
#include "ReportPreview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
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

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString lines = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("10000");
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("liste.txt"));
    if (!generateList(lines, file)) return 2;
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
        std::printf("prepare (both layouts):    %8.1f ms\n",
                    ms([&] { report = ListReport::prepare(form.session().list(), v); }));
    std::printf("pages: %d\n", report.pageCount());
    const QString pdf = dir.filePath(QStringLiteral("liste.pdf"));
    std::printf("write PDF:                 %8.1f ms\n",
                ms([&] { ReportPainter::writePdf(report, pdf); }));
    for (int run = 0; run < 3; ++run)
        std::printf("list to PDF (both):        %8.1f ms\n",
                    ms([&] { ReportPainter::writePdf(ListReport::prepare(form.session().list(), v), pdf); }));
    std::printf("on demand, page count:     %8.1f ms\n",
                ms([&] { report = ListReport::prepareOnDemand(form.session().list(), v); }));
    std::printf("on demand, page 1 at 96 dpi:%7.1f ms\n",
                ms([&] { ReportPainter::renderPage(report, 0, 96); }));
    std::printf("on demand, last page:      %8.1f ms\n",
                ms([&] { ReportPainter::renderPage(report, report.pageCount() - 1, 96); }));
    std::printf("PDF size: %.1f MB\n", double(QFileInfo(pdf).size()) / 1e6);
    std::printf("render page 1 at 96 dpi:   %8.1f ms\n",
                ms([&] { ReportPainter::renderPage(report, 0, 96); }));
    prompts->command.start();
    const double whole = ms([&] { findNamed<QAction>(&form, "printListAction")->trigger(); });
    std::printf("Tirage Liste to first page:%8.1f ms (%d pages)\n", prompts->firstPage,
                prompts->pages);
    std::printf("Tirage Liste, whole:       %8.1f ms\n", whole);
    return 0;
}
