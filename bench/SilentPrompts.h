#pragma once

#include "Prompts.h"

// Answers every prompt silently: the file to import, the code "BENCH", Yes to questions.
// It remembers the last message and the last file handed to the shell.
class SilentPrompts : public Prompts
{
public:
    QString file, last, opened;
    void message(QWidget *, const QString &text) override { last = text; }
    void information(QWidget *, const QString &) override {}
    void error(QWidget *, const QString &text) override
    {
        std::fprintf(stderr, "error: %s\n", qPrintable(text));
    }
    bool question(QWidget *, const QString &, Answer = Answer::No) override { return true; }
    std::optional<QString> input(QWidget *, const QString &, const QString &, const QString &,
                                 bool) override
    {
        return QStringLiteral("BENCH");
    }
    QString openFileName(QWidget *, const QString &) override { return file; }
    void openWithShell(const QString &path) override { opened = path; }
    int execDialog(QDialog *) override { return 0; }
    bool startProgram(const QString &) override { return false; }
    void notice(QWidget *, const QString &, const QString &) override {}
    QString saveFileName(QWidget *, const QString &, const QString &, const QString &) override
    {
        return {};
    }
    bool printSetup(QWidget *, QPrinter &, int) override { return false; }
    void showReport(QWidget *, const PreparedReport &) override {}
};
