#pragma once

// What the window benchmarks share: prompts that answer by themselves, a timer and the
// peak memory of the process.
#include "app/Prompts.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QString>
#include <cstdio>
#include <sys/resource.h>

// Answers every prompt silently: the file to import, the code "BENCH", Yes to questions.
// It remembers the last message and the last file handed to the shell.
class SilentPrompts : public Prompts
{
public:
    QString file, last, opened;
    void message(QWidget *, const QString &text) override { last = text; }
    void information(QWidget *, const QString &) override {}
    void error(QWidget *, const QString &text) override { std::fprintf(stderr, "error: %s\n", qPrintable(text)); }
    bool question(QWidget *, const QString &) override { return true; }
    std::optional<QString> input(QWidget *, const QString &, const QString &, const QString &, bool) override
    {
        return QStringLiteral("BENCH");
    }
    QString openFileName(QWidget *, const QString &) override { return file; }
    void openWithShell(const QString &path) override { opened = path; }
    int execDialog(QDialog *) override { return 0; }
    bool startProgram(const QString &) override { return false; }
    void notice(QWidget *, const QString &, const QString &) override {}
    QString saveFileName(QWidget *, const QString &, const QString &, const QString &) override { return {}; }
    bool printSetup(QWidget *, QPrinter &, int) override { return false; }
    void showReport(QWidget *, const PreparedReport &) override {}
};

// Writes a made-up transfer file of the given number of lines (5 % wrong keys, as real
// lists have) with the gen_transfer program beside the benchmark; false when it cannot.
inline bool generateList(const QString &lines, const QString &file, int errorPercent = 5)
{
    const QString gen = QCoreApplication::applicationDirPath() + QStringLiteral("/gen_transfer");
    if (QProcess::execute(gen, {QStringLiteral("--lines"), lines, QStringLiteral("--errors"),
                                QString::number(errorPercent), QStringLiteral("--out"), file}) == 0)
        return true;
    std::fprintf(stderr, "cannot generate %s\n", qPrintable(file));
    return false;
}

inline long peakMegabytes()
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
