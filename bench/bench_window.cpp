// Times the main window's commands on a generated list of a million lines and reports the
// peak memory. Usage: bench_window [LINES]   (needs gen_transfer beside it)
#include "BenchSupport.h"
#include "app/TForm1.h"
#include "model/WorkingList.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTableView>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>

namespace {


} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString lines = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("1000000");
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("liste.txt"));
    if (!generateList(lines, file))
        return 2;
    std::printf("file: %s lines, %.1f MB\n", qPrintable(lines), double(QFileInfo(file).size()) / 1e6);
    auto prompts = std::make_shared<SilentPrompts>();
    prompts->file = file;
    TForm1 form(prompts, Folders(dir.path()));
    form.show();

    std::printf("import command:        %8.1f ms\n", ms([&] { form.BtnImportClick(); }));
    std::printf("rows: %d\n", form.list().count());
    std::printf("UpdateStats:           %8.1f ms\n", ms([&] { form.UpdateStats(); }));
    std::printf("UpdateTotals:          %8.1f ms\n", ms([&] { form.UpdateTotals(); }));
    std::printf("CompterNomsPrenoms:    %8.1f ms\n", ms([&] { form.CompterNomsPrenoms(); }));
    std::printf("MettreAJourMemos:      %8.1f ms\n", ms([&] { form.MettreAJourMemos(); }));
    std::printf("MettreAJourShapes:     %8.1f ms\n", ms([&] { form.MettreAJourShapes(); }));
    std::printf("filter keystroke '4':  %8.1f ms\n", ms([&] { form.Edit1->setText(QStringLiteral("4")); }));
    std::printf("filter keystroke '45': %8.1f ms\n", ms([&] { form.Edit1->setText(QStringLiteral("45")); }));
    std::printf("filter name 'ali':     %8.1f ms\n", ms([&] { form.Edit2->setText(QStringLiteral("ali")); }));
    std::printf("filter cleared:        %8.1f ms\n", ms([&] { form.Edit2->setText(QString()); }));
    std::printf("export TXT:            %8.1f ms\n", ms([&] { form.ExportToTxtWithCodee(); }));
    std::printf("repaint:               %8.1f ms\n", ms([&] { form.repaint(); }));
    std::printf("scroll to end+repaint: %8.1f ms\n", ms([&] {
        form.ListView1->scrollToBottom();
        form.repaint();
    }));
    std::printf("peak memory:           %8ld MB\n", peakMegabytes());
    return 0;
}
