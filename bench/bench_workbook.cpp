// Times the workbook export and import of the main window on a generated list, beside
// ssconvert (Gnumeric) converting the same workbooks to CSV when it is installed.
// Usage: bench_workbook [LINES]   (default 100000; needs gen_transfer beside it)
//        bench_workbook --import FILE   (one import command in a fresh window; used by the run)
#include "BenchSupport.h"
#include "MainWindow.h"
#include "RecordEditor.h"
#include "SilentPrompts.h"
#include "StatusLight.h"
#include "TextLinesView.h"
#include "export/WorkbookExport.h"
#include "import/TextImport.h"
#include "support/FindWidget.h"

#include "import/WorkbookReader.h"
#include "model/WorkingList.h"
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
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

namespace
{

// One import command in this process, which does nothing else: its time, the rows, this
// process's peak memory and the reader process's.
int importOnly(const QString &file)
{
    QTemporaryDir dir;
    auto prompts = std::make_shared<SilentPrompts>();
    prompts->file = file;
    MainWindow form(prompts, Folders(dir.path()));
    form.show();
    const double took = ms([&] { findNamed<QPushButton>(&form, "importButton")->click(); });
    // This process's peak is taken before the second read, which only asks the reader
    // process what the same file costs it.
    const long windowPeak = peakMegabytes();
    WorkbookImport::ReaderReport reader;
    WorkbookImport::readFirstSheet(file, {}, {}, &reader);
    std::printf("%.1f %d %ld %lld\n", took, form.session().list().count(), windowPeak,
                reader.peakMemoryKb / 1024);
    return 0;
}

// ssconvert's time to turn a workbook into CSV, in milliseconds; -1 without ssconvert.
double ssconvertToCsv(const QString &workbook, const QString &csv)
{
    const QString ssconvert = QStandardPaths::findExecutable(QStringLiteral("ssconvert"));
    if (ssconvert.isEmpty()) return -1;
    return ms([&] {
        QProcess::execute(ssconvert,
                          {QStringLiteral("--export-type=Gnumeric_stf:stf_csv"), workbook, csv});
    });
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--import")
        return importOnly(QFile::decodeName(argv[2]));

    const QString lines = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("100000");
    QTemporaryDir dir;
    const QString txt = dir.filePath(QStringLiteral("liste.txt"));
    if (!generateList(lines, txt)) return 2;
    // Reference for the export: the bare parse of the same list as a text file.
    double bare = 1e30;
    for (int run = 0; run < 2; ++run)
        bare = std::min(bare, ms([&] { (void)TextImport::importFile(txt); }));
    auto prompts = std::make_shared<SilentPrompts>();
    prompts->file = txt;
    MainWindow form(prompts, Folders(dir.path()));
    form.show();
    findNamed<QPushButton>(&form, "importButton")->click();
    std::printf("lines: %d\n", form.session().list().count());

    // The export command: prompt, repair with its refresh, write, messages (opening is
    // answered by remembering the path).
    std::printf("%-34s %8.1f ms\n", "bare parse of the text file (ref.)", bare);
    const double command =
        ms([&] { findNamed<QPushButton>(&form, "exportWorkbookButton")->click(); });
    const QString xlsx = prompts->opened;
    const QString again = dir.filePath(QStringLiteral("again.xlsx"));
    double writing = 1e30;
    for (int run = 0; run < 2; ++run)
        writing =
            std::min(writing, ms([&] { WorkbookExport::writeFile(form.session().list(), again); }));
    std::printf("%-34s %8.1f ms   ratio %.2f\n", "export Excel command", command, command / bare);
    std::printf("%-34s %8.1f ms   ratio %.2f (target <= 1500 ms)\n", "  writing the workbook alone",
                writing, writing / bare);
    std::printf("workbook: %.1f MB, window peak so far %ld MB\n\n",
                double(QFileInfo(xlsx).size()) / 1e6, peakMegabytes());

    // The same list as Gnumeric saves it: texts as inline strings; the .ods with its
    // thousands of empty columns.
    QStringList workbooks{xlsx};
    const QString ssconvert = QStandardPaths::findExecutable(QStringLiteral("ssconvert"));
    if (!ssconvert.isEmpty()) {
        for (const char *ext : {"xlsx", "ods"}) {
            const QString made = dir.filePath(QStringLiteral("gnumeric.") + QLatin1String(ext));
            QProcess::execute(ssconvert, {xlsx, made});
            workbooks << made;
        }
    }
    std::printf("%-16s %7s %9s %9s %6s %7s %7s %7s\n", "workbook", "MB", "import ms", "ssconv ms",
                "ratio", "win MB", "read MB", "all MB");
    for (const QString &workbook : workbooks) {
        // Each import runs in a fresh process, so that its peak memory is its own.
        QProcess run;
        run.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--import"), workbook});
        run.waitForFinished(-1);
        const QStringList figures =
            QString::fromLatin1(run.readAllStandardOutput()).trimmed().split(u' ');
        if (figures.size() != 4) {
            std::printf("%s: import failed\n", qPrintable(workbook));
            continue;
        }
        const double took = figures[0].toDouble();
        const double reference = ssconvertToCsv(workbook, dir.filePath(QStringLiteral("out.csv")));
        std::printf("%-16s %7.1f %9.0f %9.0f %5.0f%% %7s %7s %7ld\n",
                    qPrintable(QFileInfo(workbook).fileName().left(16)),
                    double(QFileInfo(workbook).size()) / 1e6, took, reference,
                    reference > 0 ? 100 * took / reference : 0.0, qPrintable(figures[2]),
                    qPrintable(figures[3]), figures[2].toLong() + figures[3].toLong());
    }
    return 0;
}
