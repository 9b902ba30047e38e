// Times the main window's commands on a generated list of a million lines and reports the
// peak memory. Usage: bench_window [LINES]   (needs gen_transfer beside it)
#include "app/Prompts.h"
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

// Answers every prompt silently: the file to import, Yes to questions.
class SilentPrompts final : public Prompts
{
public:
    QString file;
    void message(QWidget *, const QString &) override {}
    void information(QWidget *, const QString &) override {}
    void error(QWidget *, const QString &text) override { std::fprintf(stderr, "error: %s\n", qPrintable(text)); }
    bool question(QWidget *, const QString &) override { return true; }
    std::optional<QString> input(QWidget *, const QString &, const QString &, const QString &, bool) override
    {
        return QStringLiteral("BENCH");
    }
    QString openFileName(QWidget *, const QString &) override { return file; }
    void openWithShell(const QString &) override {}
    int execDialog(QDialog *) override { return 0; }
    bool startProgram(const QString &) override { return false; }
    void notice(QWidget *, const QString &, const QString &) override {}
    QString saveFileName(QWidget *, const QString &, const QString &, const QString &) override
    {
        return QString();
    }
    bool printSetup(QWidget *, QPrinter &, int) override { return false; }
    void showReport(QWidget *, const PreparedReport &) override {}
};

long peakMegabytes()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss / 1024;
}

template <class F> double ms(F &&f)
{
    QElapsedTimer t;
    t.start();
    f();
    return double(t.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString lines = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("1000000");
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("liste.txt"));
    const QString gen = QCoreApplication::applicationDirPath() + QStringLiteral("/gen_transfer");
    if (QProcess::execute(gen, {QStringLiteral("--lines"), lines, QStringLiteral("--errors"), QStringLiteral("1"),
                                QStringLiteral("--out"), file}) != 0) {
        std::fprintf(stderr, "cannot generate %s\n", qPrintable(file));
        return 2;
    }
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
