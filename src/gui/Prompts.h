#pragma once

#include <QString>
#include <optional>

class QDialog;
class QPrinter;
class QWidget;
struct PreparedReport;

// Every message box, question, input box, file dialog and shell "open" of the windows goes
// through this interface, so tests can script the clerk's answers.
class Prompts
{
public:
    virtual ~Prompts() = default;

    // Plain message (OK).
    virtual void message(QWidget *parent, const QString &text) = 0;
    // Message with its own caption (OK).
    virtual void notice(QWidget *parent, const QString &caption, const QString &text) = 0;
    // Information box (OK).
    virtual void information(QWidget *parent, const QString &text) = 0;
    // The general error box for an error that left a command.
    virtual void error(QWidget *parent, const QString &text) = 0;
    // The answer Enter gives to a question.
    enum class Answer { Yes, No };
    // Confirmation with Yes and No; true for Yes. Enter answers byDefault: No, unless Yes
    // is the answer that keeps the clerk's work.
    virtual bool question(QWidget *parent, const QString &text, Answer byDefault = Answer::No) = 0;
    // Input box; nothing when cancelled. multiLine lets Shift+Enter start a new line.
    virtual std::optional<QString> input(QWidget *parent, const QString &caption,
                                         const QString &prompt, const QString &initial,
                                         bool multiLine) = 0;
    // File-open dialog; an empty text when cancelled.
    virtual QString openFileName(QWidget *parent, const QString &filter) = 0;
    // The desktop's "open" action on a file or address.
    virtual void openWithShell(const QString &path) = 0;
    // Shows a dialog modally and returns its result.
    virtual int execDialog(QDialog *dialog) = 0;
    // Starts a program file as a new process of its own; false when it cannot be started.
    virtual bool startProgram(const QString &path) = 0;
    // File-save dialog; an empty text when cancelled.
    virtual QString saveFileName(QWidget *parent, const QString &caption, const QString &suggested,
                                 const QString &filter) = 0;
    // The platform's print dialog for a document of pageCount pages; false when cancelled.
    virtual bool printSetup(QWidget *parent, QPrinter &printer, int pageCount) = 0;
    // Shows prepared report pages in the modal preview; returns when it is closed.
    virtual void showReport(QWidget *parent, const PreparedReport &report) = 0;
};

// The real dialogs.
class QtPrompts final : public Prompts
{
public:
    void message(QWidget *parent, const QString &text) override;
    void notice(QWidget *parent, const QString &caption, const QString &text) override;
    void information(QWidget *parent, const QString &text) override;
    void error(QWidget *parent, const QString &text) override;
    bool question(QWidget *parent, const QString &text, Answer byDefault = Answer::No) override;
    std::optional<QString> input(QWidget *parent, const QString &caption, const QString &prompt,
                                 const QString &initial, bool multiLine) override;
    QString openFileName(QWidget *parent, const QString &filter) override;
    void openWithShell(const QString &path) override;
    int execDialog(QDialog *dialog) override;
    bool startProgram(const QString &path) override;
    QString saveFileName(QWidget *parent, const QString &caption, const QString &suggested,
                         const QString &filter) override;
    bool printSetup(QWidget *parent, QPrinter &printer, int pageCount) override;
    void showReport(QWidget *parent, const PreparedReport &report) override;
};
