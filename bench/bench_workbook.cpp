// Times the workbook export and import of the main window on a generated list.
// Usage: bench_workbook [LINES]   (default 100000; needs gen_transfer beside it)
#include "BenchSupport.h"
#include "app/TForm1.h"
#include "import/WorkbookReader.h"
#include "model/WorkingList.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString lines = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("100000");
    QTemporaryDir dir;
    const QString txt = dir.filePath(QStringLiteral("liste.txt"));
    if (!generateList(lines, txt))
        return 2;
    auto prompts = std::make_shared<SilentPrompts>();
    prompts->file = txt;
    TForm1 form(prompts, Folders(dir.path()));
    form.show();
    form.BtnImportClick();
    std::printf("lines: %d\n", form.list().count());

    // The export command: prompt, repair with its refresh, write, messages (opening is
    // answered by remembering the path).
    std::printf("export Excel command:      %8.1f ms\n", ms([&] { form.BtnExcelClick(); }));
    const QString xlsx = prompts->opened;
    std::printf("workbook: %.1f MB\n", double(QFileInfo(xlsx).size()) / 1e6);

    // The import command on that workbook: read, convert, check, replace, every refresh.
    std::printf("import command (workbook): %8.1f ms\n", ms([&] { form.BtnImportClick(); }));
    std::printf("rows: %d, %s\n", form.list().count(),
                qPrintable(prompts->last.section(u'\n', 0, 0)));
    WorkbookImport::SheetCells sheet;
    std::printf("  of which reading:       %8.1f ms\n",
                ms([&] { sheet = WorkbookImport::readFirstSheet(xlsx); }));
    std::printf("  of which converting:    %8.1f ms\n",
                ms([&] { WorkbookImport::toLines(sheet, xlsx); }));
    std::printf("peak memory:               %8ld MB\n", peakMegabytes());
    return 0;
}
