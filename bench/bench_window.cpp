// Times the main window's commands on a generated list (a million lines, 5 % wrong keys)
// through the functions the window calls, beside a bare parse of the same file measured in
// the same run, and reports the peak memory. Usage: bench_window [LINES]
#include "BenchSupport.h"
#include "MainWindow.h"
#include "RecordEditor.h"
#include "SilentPrompts.h"
#include "StatusLight.h"
#include "TextLinesView.h"
#include "support/FindWidget.h"

#include "import/TextImport.h"
#include "model/WorkingList.h"
#include "session/Session.h"
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
#include <QFile>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

namespace
{

// The best of a few runs of f, in milliseconds.
template <class F> double best(int runs, F &&f)
{
    double b = 1e30;
    for (int i = 0; i < runs; ++i)
        b = std::min(b, ms(f));
    return b;
}

void line(const char *what, double value, const char *target)
{
    std::printf("%-44s %9.1f ms   %s\n", what, value, target);
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString lines = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("1000000");
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("liste.txt"));
    if (!generateList(lines, file)) return 2;
    std::printf("file: %s lines, %.1f MB, 5 %% wrong keys\n", qPrintable(lines),
                double(QFileInfo(file).size()) / 1e6);
    auto prompts = std::make_shared<SilentPrompts>();
    prompts->file = file;
    MainWindow form(prompts, Folders(dir.path()));
    form.show();

    // Memory bounded by the content: five megabytes of blank lines.
    {
        const QString blank = dir.filePath(QStringLiteral("blanks.txt"));
        QFile f(blank);
        f.open(QIODevice::WriteOnly);
        f.write(QByteArray(5 << 20, '\n'));
        f.close();
        Session session;
        const double t = ms([&] { session.importFile(blank); });
        std::printf("%-44s %9.1f ms   peak so far %ld MB (target < 2 s, < 100 MB)\n",
                    "5 MB of blank lines", t, peakMegabytes());
    }
    // Reference: the bare parse of the same file (read, decode, cut into lines).
    const double bare = best(2, [&] { (void)TextImport::importFile(file); });
    line("bare parse (reference)", bare, "");
    const double check = best(1, [&] {
        Session session; // what talvoro-cli check does: import, figures, error lines
        session.importFile(file);
        (void)session.errorLines();
    });
    std::printf("%-44s %9.1f ms   ratio %.2f (target <= 1.6)\n",
                "check (talvoro-cli check's session path)", check, check / bare);
    const double import = best(1, [&] { findNamed<QPushButton>(&form, "importButton")->click(); });
    const long importPeak = peakMegabytes();
    std::printf("%-44s %9.1f ms   ratio %.2f (target <= 2)\n",
                "import command (read, check, figures, show)", import, import / bare);
    std::printf("rows: %d, wrong: %d\n", form.session().list().count(),
                form.session().figures().wrong);

    line("full refresh (recount, panels, show, repaint)",
         best(3,
              [&] {
                  form.session().refresh();
                  form.repaint();
              }),
         "target <= 150 ms");
    line("filter keystroke '4' with repaint",
         best(1,
              [&] {
                  findNamed<QLineEdit>(&form, "accountFilter")->setText(QStringLiteral("4"));
                  form.repaint();
              }),
         "target <= 60 ms");
    line("filter keystroke '45' with repaint",
         best(1,
              [&] {
                  findNamed<QLineEdit>(&form, "accountFilter")->setText(QStringLiteral("45"));
                  form.repaint();
              }),
         "target <= 60 ms");
    line("filter name 'ali' with repaint",
         best(1,
              [&] {
                  findNamed<QLineEdit>(&form, "nameFilter")->setText(QStringLiteral("ali"));
                  form.repaint();
              }),
         "target <= 60 ms");
    line("filter cleared with repaint",
         best(1,
              [&] {
                  findNamed<QLineEdit>(&form, "nameFilter")->setText(QString());
                  form.repaint();
              }),
         "target <= 60 ms");
    const int middle = form.session().list().count() / 2;
    line("edit one line (replace) with repaint",
         best(3,
              [&] {
                  TransferLine l = form.session().list().line(middle);
                  l.setSubItem(TransferLine::CleRip,
                               l.subItemView(TransferLine::CleRip) == u"00" ? u"01" : u"00");
                  form.session().replaceLine(middle, l);
                  form.repaint();
              }),
         "target <= 20 ms");
    line("delete one line with repaint",
         best(3,
              [&] {
                  findNamed<QTableView>(&form, "lineTable")->selectRow(middle);
                  findNamed<QPushButton>(&form, "deleteLineButton")->click();
                  form.repaint();
              }),
         "target <= 20 ms");
    const double exported =
        best(1, [&] { findNamed<QPushButton>(&form, "exportTextButton")->click(); });
    std::printf("%-44s %9.1f ms   ratio %.2f (target <= 1.3)\n", "export TXT command", exported,
                exported / bare);
    std::printf("%-44s %9ld MB   after the import %ld MB (target: + 50 MB at most)\n",
                "peak memory after the export", peakMegabytes(), importPeak);
    line("scroll to end and repaint",
         best(3,
              [&] {
                  findNamed<QTableView>(&form, "lineTable")->scrollToBottom();
                  form.repaint();
              }),
         "");
    std::printf("%-44s %9ld MB\n", "peak memory", peakMegabytes());
    return 0;
}
