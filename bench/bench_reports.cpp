// Times the printed reports on a generated list beside a bare QPdfWriter painting the same
// rows (bench_pdf_bare, which shares no code with the program), each figure the median of
// RUNS runs, with the peak memory (VmHWM) of each process.
//
// Each PDF path runs in a process of its own, so that its peak is its own: the list is read
// into a session, then the path is timed. The preview and the window's "Tirage Liste" run in
// this process.
// Usage: bench_reports [LINES] [RUNS]   (needs gen_transfer and bench_pdf_bare beside it)
//        bench_reports --child PATH LIST OUT.pdf   (one run of one path; prints its figures)
#include "BenchSupport.h"
#include "MainWindow.h"
#include "ReportPreview.h"
#include "SilentPrompts.h"
#include "support/FindWidget.h"

#include "reports/ListReport.h"
#include "reports/ReportPainter.h"
#include "session/Session.h"
#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// Answers every prompt silently; the preview is opened without blocking, its first page
// painted, then every page stepped through when asked to.
class BenchPrompts final : public SilentPrompts
{
public:
    QElapsedTimer command;
    double firstPage = 0;
    int pages = 0;
    int stepThrough = 0; // pages to step through after the first
    void showReport(QWidget *, const PreparedReport &report) override
    {
        ReportPreview preview(report, *this);
        preview.resize(1280, 800);
        preview.show();
        preview.repaint();
        firstPage = double(command.nsecsElapsed()) / 1e6;
        pages = report.pageCount();
        for (int i = 1; i <= stepThrough && i < pages; ++i) {
            preview.setCurrentPage(i);
            preview.repaint();
        }
    }
};

// One run of a PDF path in this process: prints "milliseconds pages peak-KB peak-KB-before".
int child(const QString &path, const QString &list, const QString &out)
{
    Session session;
    session.importFile(list);
    const long before = long(Platform::peakMemoryKb());
    int pages = 0;
    QString error;
    const double took = ms([&] {
        PreparedReport report;
        if (path == u"list")
            report = session.listReport(QStringLiteral("APC Talvoro\nDirection des Finances"));
        else if (path == u"list-all-pages") {
            // Every page laid out and kept before the first is written.
            const ListFigures &f = session.figures();
            ListReport::Variables v;
            v.totalNetCents = f.netCents;
            v.totalYieldCents = f.yieldCents;
            v.typeCounts = f.types;
            v.place = QStringLiteral("APC Talvoro\nDirection des Finances");
            report = ListReport::prepare(session.list(), v);
        } else if (path == u"errors")
            report = session.errorReport();
        pages = report.pageCount();
        if (!ReportPainter::writePdf(report, out, &error)) pages = -1;
    });
    if (pages < 0) std::fprintf(stderr, "%s\n", qPrintable(error));
    std::printf("%.1f %d %ld %ld\n", took, pages, long(Platform::peakMemoryKb()), before);
    return pages < 0 ? 1 : 0;
}

// The figures a child printed, or none when it failed.
std::vector<double> run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(-1);
    std::vector<double> figures;
    for (const QByteArray &f : p.readAllStandardOutput().simplified().split(' '))
        figures.push_back(f.toDouble());
    if (p.exitCode() != 0) {
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program),
                     p.readAllStandardError().constData());
        return {};
    }
    return figures;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc == 5 && QByteArray(argv[1]) == "--child")
        return child(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                     QString::fromLocal8Bit(argv[4]));
    const QString lines = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("10000");
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 5;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("liste.txt"));
    if (!generateList(lines, file)) return 2;
    const QString pdf = dir.filePath(QStringLiteral("liste.pdf"));
    const QString here = QCoreApplication::applicationFilePath();
    const QString bareProgram = QCoreApplication::applicationDirPath() + "/bench_pdf_bare";
    std::printf("list: %s lines, %.1f MB; medians of %d runs, peak = VmHWM of each process\n",
                qPrintable(lines), double(QFileInfo(file).size()) / 1e6, runs);

    // The floor: bare QPdfWriter, reading and cutting the file, then painting and writing.
    std::vector<double> bareRead, barePaint, barePeak;
    int barePages = 0;
    for (int r = 0; r < runs; ++r) {
        const std::vector<double> f = run(bareProgram, {file, pdf});
        if (f.size() < 4) return 2;
        bareRead.push_back(f[0]);
        barePaint.push_back(f[1]);
        barePages = int(f[2]);
        barePeak.push_back(f[3] / 1024);
    }
    const double floor = median(barePaint);
    std::printf("%-34s %9.1f ms  (+ %.1f ms read)  %6d pages  peak %5.0f MB\n",
                "bare QPdfWriter (reference)", floor, median(bareRead), barePages,
                median(barePeak));
    const double bareBytes = double(QFileInfo(pdf).size()) / 1e6;
    const char *const paths[][2] = {
        {"list", "list to PDF (talvoro-cli report)"},
        {"list-all-pages", "list to PDF, every page kept"},
        {"errors", "error report to PDF"},
    };
    for (const auto &[path, what] : paths) {
        // Every page kept takes gigabytes at a million lines: only measured on smaller lists.
        if (QByteArray(path) == "list-all-pages" && lines.toLongLong() > 200000) continue;
        std::vector<double> took, peak, before;
        int pages = 0;
        for (int r = 0; r < runs; ++r) {
            const std::vector<double> f = run(here, {"--child", path, file, pdf});
            if (f.size() < 4) break;
            took.push_back(f[0]);
            pages = int(f[1]);
            peak.push_back(f[2] / 1024);
            before.push_back(f[3] / 1024);
        }
        if (took.empty()) continue;
        std::printf("%-34s %9.1f ms  ratio %5.2f  %6d pages  peak %5.0f MB (%.0f MB before "
                    "the report), PDF %.1f MB\n",
                    what, median(took), median(took) / floor, pages, median(peak), median(before),
                    double(QFileInfo(pdf).size()) / 1e6);
    }
    std::printf("bare PDF size: %.1f MB\n", bareBytes);

    // The window's "Tirage Liste": the repair, the page count, the preview's first page; then
    // the preview stepped through up to 500 pages, which it must not all keep.
    auto prompts = std::make_shared<BenchPrompts>();
    prompts->file = file;
    MainWindow form(prompts, Folders(dir.path()));
    form.show();
    findNamed<QPushButton>(&form, "importButton")->click();
    const long imported = peakMegabytes();
    std::vector<double> first, whole;
    for (int r = 0; r < runs; ++r) {
        prompts->command.start();
        whole.push_back(ms([&] { findNamed<QAction>(&form, "printListAction")->trigger(); }));
        first.push_back(prompts->firstPage);
    }
    std::printf("%-34s %9.1f ms  (%d pages)\n", "Tirage Liste to first page", median(first),
                prompts->pages);
    prompts->stepThrough = 500;
    prompts->command.start();
    const double stepped = ms([&] { findNamed<QAction>(&form, "printListAction")->trigger(); });
    std::printf("%-34s %9.1f ms  peak %ld MB (%ld MB after the import)\n",
                "preview stepped through 500 pages", stepped, peakMegabytes(), imported);
    return 0;
}
