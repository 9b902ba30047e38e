// Times the main window's commands on a generated list (a million lines, 5 % wrong keys)
// through the functions the window calls, beside a minimal parse of the same file by a
// program of its own (ref_parse) measured in the same run, and reports the peak memory.
// Filter keystrokes and the key repair are the median of five runs. Usage: bench_window [LINES]
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
#include <QKeyEvent>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <malloc.h>
#include <vector>

namespace
{

// The median of runs of f (at least five), in milliseconds.
template <class F> double median(int runs, F &&f)
{
    std::vector<double> t;
    for (int i = 0; i < std::max(runs, 5); ++i)
        t.push_back(ms(f));
    std::sort(t.begin(), t.end());
    return t.size() % 2 ? t[t.size() / 2] : (t[t.size() / 2 - 1] + t[t.size() / 2]) / 2;
}

// This process's resident memory now, in megabytes.
double residentMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray &l : status.readAll().split('\n'))
            if (l.startsWith("VmRSS:"))
                return l.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    return 0;
}

// The heap in use (malloc's own count, mapped blocks included), in megabytes: unlike the
// resident size it falls when memory is freed and grows by what is kept.
double heapMegabytes()
{
    const struct mallinfo2 m = mallinfo2();
    return double(m.uordblks + m.hblkhd) / 1048576;
}

// The reference: ref_parse, a program sharing no code with this one, reading, cutting and
// checking the same file in a process of its own (time from start to exit).
double referenceParse(const QString &file)
{
    return median(5, [&] {
        QProcess p;
        p.setStandardOutputFile(QProcess::nullDevice());
        p.start(QStringLiteral(REF_PARSE), {file});
        p.waitForFinished(-1);
    });
}

// Runs of each step whose median is printed.
constexpr int Runs = 5;

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// A key pressed and released in a widget, as the keyboard sends it.
void sendKey(QWidget *to, int key, const QString &text)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(to, &press);
    QApplication::sendEvent(to, &release);
}

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
    // A file where the payment history's folder would be: each export's recording fails at
    // once (the window says so), so the export is timed alone; bench_history times recordings.
    QFile history(dir.filePath(QStringLiteral("Historique")));
    history.open(QIODevice::WriteOnly);
    history.close();
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
    // Reference: a minimal parse of the same file by a program of its own.
    const double bare = referenceParse(file);
    line("minimal parse (reference: ref_parse), median of 5", bare, "");
    // The first import, before anything else has held a list: the memory it leaves.
    const double heapBefore = heapMegabytes();
    const double firstImport = ms([&] { findNamed<QPushButton>(&form, "importButton")->click(); });
    const double heldByList = heapMegabytes() - heapBefore;
    const double afterImport = residentMegabytes();
    const long importPeak = peakMegabytes();
    const double fileMb = double(QFileInfo(file).size()) / 1048576;
    std::printf("%-44s %9.1f MB   %.2f x the file (target <= 2.5); heap held by the list %.1f MB "
                "(%.2f x); peak %ld MB; that import took %.1f ms\n",
                "resident memory after the first import", afterImport, afterImport / fileMb,
                heldByList, heldByList / fileMb, importPeak, firstImport);
    const double check = median(5, [&] {
        Session session; // what talvoro-cli check does: import, figures, error lines
        session.importFile(file);
        (void)session.errorLines();
    });
    std::printf("%-44s %9.1f ms   ratio %.2f (target <= 1.3), median of 5\n",
                "check (talvoro-cli check's session path)", check, check / bare);
    const double import =
        median(5, [&] { findNamed<QPushButton>(&form, "importButton")->click(); });
    std::printf("%-44s %9.1f ms   ratio %.2f (target <= 1.5), median of 5\n",
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
    // Filter keystrokes, each the median of Runs runs of the whole sequence: typing narrows,
    // a backspace widens, the other box takes over, then the box is emptied. "felt" sends the
    // key to the box as the keyboard would and stops when the "n / N lignes affichées" label
    // has changed and the window is painted again.
    {
        auto *account = findNamed<QLineEdit>(&form, "accountFilter");
        auto *name = findNamed<QLineEdit>(&form, "nameFilter");
        auto *shown = findNamed<QLabel>(&form, "shownCountLabel");
        struct Key {
            QLineEdit *box;
            QString text; // what the box holds after the key
            const char *what;
        };
        const std::vector<Key> keys = {
            {account, QStringLiteral("4"), "filter keystroke '4' (account)"},
            {account, QStringLiteral("45"), "filter keystroke '45' (narrows)"},
            {account, QStringLiteral("456"), "filter keystroke '456' (narrows)"},
            {account, QStringLiteral("45"), "filter backspace to '45' (widens)"},
            {name, QStringLiteral("a"), "filter name 'a' (other box)"},
            {name, QStringLiteral("al"), "filter name 'al' (narrows)"},
            {name, QStringLiteral("ali"), "filter name 'ali' (narrows)"},
            {name, QString(), "filter cleared"},
        };
        std::vector<std::vector<double>> set(keys.size()), felt(keys.size());
        for (int run = 0; run < Runs; ++run) {
            for (size_t k = 0; k < keys.size(); ++k)
                set[k].push_back(ms([&] {
                    keys[k].box->setText(keys[k].text);
                    form.repaint();
                }));
            for (size_t k = 0; k < keys.size(); ++k) {
                QLineEdit *box = keys[k].box;
                box->setFocus();
                box->setCursorPosition(int(box->text().size()));
                const QString before = shown->text();
                const QString &want = keys[k].text;
                const bool erase = want.size() < box->text().size() && !box->text().isEmpty();
                // The other box is emptied first when the key goes to a new box.
                felt[k].push_back(ms([&] {
                    if (want.isEmpty()) {
                        box->selectAll();
                        sendKey(box, Qt::Key_Backspace, QString());
                    } else if (erase) {
                        sendKey(box, Qt::Key_Backspace, QString());
                    } else {
                        sendKey(box, want.back().toUpper().unicode(), want.right(1));
                    }
                    form.repaint();
                }));
                if (shown->text() == before && !keys[k].text.isEmpty())
                    std::fprintf(stderr, "the shown count did not change after %s\n", keys[k].what);
            }
        }
        for (size_t k = 0; k < keys.size(); ++k)
            std::printf("%-44s %9.1f ms   felt %6.1f ms   (target <= 30 ms)\n", keys[k].what,
                        median(set[k]), median(felt[k]));
    }
    // "Fixeé RIP" on every line, its undo and its redo, each the median of Runs runs, with the
    // size of its undo record.
    {
        auto *repair = findNamed<QPushButton>(&form, "repairRipButton");
        std::vector<double> took, undone, redone;
        double record = 0;
        int changed = 0;
        for (int run = 0; run < Runs; ++run) {
            const qint64 before = form.session().undoBytes();
            const int rip = form.session().figures().rip;
            took.push_back(ms([&] {
                repair->click();
                form.repaint();
            }));
            // Steps undone are dropped when the next is pushed: the first run's figure.
            if (run == 0) record = double(form.session().undoBytes() - before) / 1e6;
            changed = form.session().figures().rip - rip;
            undone.push_back(ms([&] {
                form.session().undo();
                form.repaint();
            }));
            redone.push_back(ms([&] {
                form.session().redo();
                form.repaint();
            }));
            form.session().undo();
        }
        std::printf("%-44s %9.1f ms   undo record %.1f MB for %d keys (target <= 200 ms, "
                    "<= 20 MB)\n",
                    "\"Fixeé RIP\" on every line, with repaint", median(took), record, changed);
        std::printf("%-44s %9.1f ms\n", "its undo, with repaint", median(undone));
        std::printf("%-44s %9.1f ms\n", "its redo, with repaint", median(redone));
    }
    const int middle = form.session().list().count() / 2;
    line("edit one line (replace) with repaint",
         best(3,
              [&] {
                  TransferLine l = form.session().list().line(middle);
                  l.setSubItem(TransferLine::Key,
                               l.subItemView(TransferLine::Key) == u"00" ? u"01" : u"00");
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
        median(5, [&] { findNamed<QPushButton>(&form, "exportTextButton")->click(); });
    std::printf("%-44s %9.1f ms   ratio %.2f to the parse, median of 5\n", "export TXT command",
                exported, exported / bare);
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
