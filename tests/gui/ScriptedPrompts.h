#pragma once

#include "Prompts.h"
#include "reports/PreparedReport.h"

#include <QApplication>
#include <QDialog>
#include <QPrinter>
#include <QQueue>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <vector>

// Per-user settings written by the windows under test go to a folder of the test program's
// own, removed when it ends, never to the user's.
inline const QTemporaryDir testSettingsFolder = [] {
    QTemporaryDir dir;
    qputenv("XDG_CONFIG_HOME", dir.path().toUtf8());
    return dir;
}();

// Prompts for tests: answers come from queues filled by the test, and every box shown is
// recorded as "kind: text" in order. A question with no scripted answer is recorded as
// unexpected and answered No / Cancel, so no test ever blocks on a dialog.
class ScriptedPrompts final : public Prompts
{
public:
    QStringList shown;      // "message: ...", "information: ...", "error: ...", "question: ..."
    QStringList unexpected; // prompts that found no scripted answer
    QQueue<bool> answers;
    QStringList enterSaysYes; // questions whose default answer (Enter) is Yes
    QQueue<std::optional<QString>> inputs;
    QQueue<QString> files;
    QStringList opened;
    // Plays the clerk's part in a dialog shown modally: gets the shown dialog, acts on it
    // (types, clicks), and the dialog's result is returned to the caller.
    QQueue<std::function<void(QDialog *)>> dialogs;
    QStringList started;                 // programs started, in order
    bool startSucceeds = true;           // what starting a program answers
    QQueue<QString> saveFiles;           // answers of save dialogs
    QQueue<QString> printToFiles;        // print dialogs: print to this PDF file; empty: cancel
    std::vector<PreparedReport> reports; // every report shown, in order

    void message(QWidget *, const QString &text) override
    {
        shown << QStringLiteral("message: ") + text;
    }
    void information(QWidget *, const QString &text) override
    {
        shown << QStringLiteral("information: ") + text;
    }
    void notice(QWidget *, const QString &caption, const QString &text) override
    {
        shown << QStringLiteral("notice: ") + caption + u'|' + text;
    }
    void error(QWidget *, const QString &text) override
    {
        shown << QStringLiteral("error: ") + text;
    }
    bool question(QWidget *, const QString &text, Answer byDefault = Answer::No) override
    {
        shown << QStringLiteral("question: ") + text;
        if (byDefault == Answer::Yes) enterSaysYes << text;
        if (answers.isEmpty()) {
            unexpected << text;
            return false;
        }
        return answers.dequeue();
    }
    std::optional<QString> input(QWidget *, const QString &caption, const QString &prompt,
                                 const QString &, bool) override
    {
        shown << QStringLiteral("input: ") + caption + u'|' + prompt;
        if (inputs.isEmpty()) {
            unexpected << caption;
            return std::nullopt;
        }
        return inputs.dequeue();
    }
    QString openFileName(QWidget *, const QString &filter) override
    {
        shown << QStringLiteral("open: ") + filter;
        if (files.isEmpty()) {
            unexpected << filter;
            return QString();
        }
        return files.dequeue();
    }
    void openWithShell(const QString &path) override { opened << path; }
    int execDialog(QDialog *dialog) override
    {
        shown << QStringLiteral("dialog: ") + dialog->windowTitle();
        if (dialogs.isEmpty()) {
            unexpected << dialog->windowTitle();
            return QDialog::Rejected;
        }
        dialog->setResult(QDialog::Rejected);
        dialog->show();
        QApplication::processEvents();
        dialogs.dequeue()(dialog);
        if (dialog->isVisible()) // closed by the frame
            dialog->close();
        return dialog->result();
    }
    bool startProgram(const QString &path) override
    {
        started << path;
        return startSucceeds;
    }
    QString saveFileName(QWidget *, const QString &caption, const QString &,
                         const QString &) override
    {
        shown << QStringLiteral("save: ") + caption;
        if (saveFiles.isEmpty()) {
            unexpected << caption;
            return QString();
        }
        return saveFiles.dequeue();
    }
    bool printSetup(QWidget *, QPrinter &printer, int pageCount) override
    {
        shown << QStringLiteral("print: %1 pages").arg(pageCount);
        if (printToFiles.isEmpty()) {
            unexpected << QStringLiteral("print");
            return false;
        }
        const QString file = printToFiles.dequeue();
        if (file.isEmpty()) return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        return true;
    }
    // The preview is not opened: the report is kept for the test to look at.
    void showReport(QWidget *, const PreparedReport &report) override
    {
        shown << QStringLiteral("report: %1 (%2 pages)")
                     .arg(report.source->name)
                     .arg(report.pageCount());
        reports.push_back(report);
    }

    // Returns and forgets what was shown so far.
    QStringList take()
    {
        QStringList s = shown;
        shown.clear();
        return s;
    }
};
