#include "Prompts.h"
#include "model/TranslatedText.h"

#include "DialogFolders.h"
#include "platform/Platform.h"

#include "ReportPreview.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QUrl>
#include <QVBoxLayout>

namespace
{

constexpr TranslatedText title{"Prompts", QT_TRANSLATE_NOOP("Prompts", "Talvoro CCP")};

// Enter accepts the dialog; Shift+Enter starts a new line.
class MultiLineEdit final : public QPlainTextEdit
{
public:
    using QPlainTextEdit::QPlainTextEdit;

protected:
    void keyPressEvent(QKeyEvent *e) override
    {
        if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) &&
            !(e->modifiers() & Qt::ShiftModifier)) {
            if (auto *dlg = qobject_cast<QDialog *>(window())) {
                dlg->accept();
                return;
            }
        }
        if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)) {
            insertPlainText(QStringLiteral("\n"));
            return;
        }
        QPlainTextEdit::keyPressEvent(e);
    }
};

// A box at least as wide as its title needs beside the frame's icon and buttons, so the
// title is never cut short.
void widenForTitle(QMessageBox &box)
{
    auto *grid = qobject_cast<QGridLayout *>(box.layout());
    if (!grid) return;
    QFont titleFont = box.font();
    titleFont.setBold(true);
    const int width = QFontMetrics(titleFont).horizontalAdvance(box.windowTitle()) + 160;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                  grid->rowCount(), 0, 1, grid->columnCount());
}

int showBox(QMessageBox::Icon icon, QWidget *parent, const QString &caption, const QString &text,
            QMessageBox::StandardButtons buttons,
            QMessageBox::StandardButton byDefault = QMessageBox::NoButton)
{
    QMessageBox box(icon, caption, text, buttons, parent);
    if (text.isRightToLeft()) box.setLayoutDirection(Qt::RightToLeft);
    if (byDefault != QMessageBox::NoButton) box.setDefaultButton(byDefault);
    widenForTitle(box);
    return box.exec();
}

} // namespace

void QtPrompts::message(QWidget *parent, const QString &text)
{
    showBox(QMessageBox::Information, parent, title(), text, QMessageBox::Ok);
}

void QtPrompts::notice(QWidget *parent, const QString &caption, const QString &text)
{
    showBox(QMessageBox::Information, parent, caption, text, QMessageBox::Ok);
}

void QtPrompts::information(QWidget *parent, const QString &text)
{
    showBox(QMessageBox::Information, parent, QCoreApplication::translate("Prompts", "Information"),
            text, QMessageBox::Ok);
}

void QtPrompts::error(QWidget *parent, const QString &text)
{
    showBox(QMessageBox::Critical, parent, title(), text, QMessageBox::Ok);
}

bool QtPrompts::question(QWidget *parent, const QString &text, Answer byDefault)
{
    return showBox(QMessageBox::Question, parent,
                   QCoreApplication::translate("Prompts", "Confirmation"), text,
                   QMessageBox::Yes | QMessageBox::No,
                   byDefault == Answer::Yes ? QMessageBox::Yes : QMessageBox::No) ==
           QMessageBox::Yes;
}

std::optional<QString> QtPrompts::input(QWidget *parent, const QString &caption,
                                        const QString &prompt, const QString &initial,
                                        bool multiLine)
{
    QDialog dlg(parent);
    dlg.setWindowTitle(caption);
    auto *layout = new QVBoxLayout(&dlg);
    auto *label = new QLabel(prompt, &dlg);
    layout->addWidget(label);
    QPlainTextEdit *multi = nullptr;
    QLineEdit *single = nullptr;
    if (multiLine) {
        multi = new MultiLineEdit(&dlg);
        multi->setPlainText(initial);
        multi->setTabChangesFocus(true);
        multi->setMinimumSize(360, 90);
        layout->addWidget(multi);
    } else {
        single = new QLineEdit(initial, &dlg);
        single->setMinimumWidth(300);
        layout->addWidget(single);
    }
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dlg);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dlg, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dlg, &QDialog::reject);
    layout->addWidget(buttons);
    if (dlg.exec() != QDialog::Accepted) return std::nullopt;
    return multi ? multi->toPlainText() : single->text();
}

QString QtPrompts::openFileName(QWidget *parent, const QString &filter)
{
    // The filter comes as "Name|patterns|Name|patterns"; Qt wants "Name (patterns);;...".
    const QStringList parts = filter.split(u'|');
    QStringList qtFilters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(u';', u' ');
        const QString &name = parts[i];
        qtFilters << (name.contains(u'(') ? name : name + QStringLiteral(" (") + patterns + u')');
        if (name.contains(u'('))
            qtFilters.last() =
                name.left(name.indexOf(u'(')).trimmed() + QStringLiteral(" (") + patterns + u')';
    }
    const QString chosen = QFileDialog::getOpenFileName(
        parent, QString(), DialogFolders::folderFor(filter), qtFilters.join(QStringLiteral(";;")));
    DialogFolders::remember(filter, chosen);
    return chosen;
}

void QtPrompts::openWithShell(const QString &path)
{
    QDesktopServices::openUrl(QUrl::fromUserInput(path));
}

int QtPrompts::execDialog(QDialog *dialog)
{
    return dialog->exec();
}
bool QtPrompts::startProgram(const QString &path)
{
    return Platform::startProgram(path);
}

QString QtPrompts::saveFileName(QWidget *parent, const QString &caption, const QString &suggested,
                                const QString &filter)
{
    const QString chosen = QFileDialog::getSaveFileName(
        parent, caption, DialogFolders::startingPath(caption, suggested), filter);
    DialogFolders::remember(caption, chosen);
    return chosen;
}

bool QtPrompts::printSetup(QWidget *parent, QPrinter &printer, int pageCount)
{
    QPrintDialog dlg(&printer, parent);
    dlg.setMinMax(1, pageCount);
    dlg.setOption(QAbstractPrintDialog::PrintPageRange, true);
    return dlg.exec() == QDialog::Accepted;
}

void QtPrompts::showReport(QWidget *parent, const PreparedReport &report)
{
    ReportPreview preview(report, *this, parent);
    preview.setWindowState(preview.windowState() | Qt::WindowMaximized);
    preview.exec();
}
