// The main window's menus, shortcuts and keyboard handling.
#include "MainWindow.h"
#include "MainWindowShared.h"

#include "CompareDialog.h"
#include "HistoryDialog.h"
#include "ImportProgress.h"
#include "NamedWidget.h"
#include "Prompts.h"
#include "RecordEditor.h"
#include "StatusLight.h"
#include "TextLinesView.h"
#include "UpdaterControls.h"
#include "WaitCursor.h"
#include "WindowFonts.h"
#include "export/TextExport.h"
#include "history/HistoryRecorder.h"
#include "history/HistorySettings.h"
#include "keys/Keys.h"
#include "keys/Statistics.h"
#include "model/AmountText.h"
#include "model/UserError.h"
#include "reports/PreparedReport.h"
#include "reports/ReportTexts.h"
#include "session/JournalKeeper.h"
#include "session/ListJournal.h"
#include "session/RepairMessage.h"
#include "settings/Cleaner.h"
#include "settings/PlaceLines.h"
#include "update/CurlHttpClient.h"
#include "update/Updater.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLockFile>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QShortcut>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <array>

using namespace MainWindowShared;

void MainWindow::connectCommand(QPushButton *button, void (MainWindow::*command)())
{
    connect(button, &QPushButton::clicked, this,
            [this, command] { runCommand([this, command] { (this->*command)(); }); });
}

QAction *MainWindow::addMenuCommand(const QString &text, const char *icon, const char *name,
                                    void (MainWindow::*command)())
{
    QAction *a = m_lineMenu->addAction(
        QIcon(QStringLiteral(":/icons/menu/%1.png").arg(QLatin1String(icon))), text);
    a->setObjectName(QString::fromLatin1(name));
    connect(a, &QAction::triggered, this,
            [this, command] { runCommand([this, command] { (this->*command)(); }); });
    return a;
}

void MainWindow::buildMenu()
{
    m_lineMenu = named(new QMenu(this), "lineMenu");
    m_lineMenu->setStyleSheet(QStringLiteral("QMenu { icon-size: 24px; }"));
    addMenuCommand(tr("&Add"), "add", "addLineAction", &MainWindow::addLine);
    addMenuCommand(tr("&Modifier"), "edit", "editLineAction", &MainWindow::editSelectedLine);
    addMenuCommand(tr("&Importé (txt-xls)"), "import", "importAction", &MainWindow::importList);
    m_lineMenu->addSeparator();
    addMenuCommand(tr("&Exporté Txt"), "export-txt", "exportTextAction", &MainWindow::exportText);
    addMenuCommand(tr("Ex&porté xls"), "export-xls", "exportWorkbookAction",
                   &MainWindow::exportWorkbook);
    m_lineMenu->addSeparator();
    addMenuCommand(tr("Fixé &RIP"), "fix-rip", "repairRipAction", &MainWindow::repairRipKeys);
    addMenuCommand(tr("&Fixé Clé"), "fix-cle", "repairCcpAction", &MainWindow::repairCcpKeys);
    addMenuCommand(tr("&Clean DATA"), "clean", "cleanAction", &MainWindow::cleanList);
    m_lineMenu->addSeparator();
    addMenuCommand(tr("&Supprimé Ligne"), "delete-line", "deleteLineAction",
                   &MainWindow::deleteSelectedLine);
    addMenuCommand(tr("Supprimé &Tous"), "delete-all", "deleteShownAction",
                   &MainWindow::deleteShownLines);
    m_lineMenu->addSeparator();
    addMenuCommand(tr("Rapport &Des Erreur"), "error-report", "errorReportAction",
                   &MainWindow::printErrorReport);
    addMenuCommand(tr("Tirage &Liste"), "print-list", "printListAction", &MainWindow::printList);
    m_recentFilesMenu = m_lineMenu->addMenu(Texts::RecentFiles());
    m_recentFilesMenu->setObjectName(QStringLiteral("recentFilesMenu"));
    connect(m_recentFilesMenu, &QMenu::aboutToShow, this, &MainWindow::fillRecentFilesMenu);
    m_lineMenu->addSeparator();
    QAction *compare = addMenuCommand(tr("Comparer avec une liste…"), "import", "compareAction",
                                      &MainWindow::compareWithList);
    compare->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    // Also a window shortcut, so Ctrl+M works without opening the menu.
    addAction(compare);
    connect(m_table, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        m_lineMenu->popup(m_table->viewport()->mapToGlobal(pos));
    });
}

void MainWindow::buildShortcuts()
{
    // Menu entries with a shortcut also work with the menu closed.
    const std::pair<const char *, QKeySequence> keys[] = {
        {"importAction", QKeySequence::Open},
        {"exportTextAction", QKeySequence(Qt::CTRL | Qt::Key_E)},
        {"printListAction", QKeySequence::Print},
        {"addLineAction", QKeySequence::New},
        {"editLineAction", QKeySequence(Qt::Key_F2)},
        {"errorReportAction", QKeySequence(Qt::CTRL | Qt::Key_R)},
    };
    for (const auto &[name, key] : keys) {
        QAction *action = m_lineMenu->findChild<QAction *>(QString::fromLatin1(name));
        action->setShortcut(key);
        addAction(action);
    }
    // In the list: Enter edits the selected line (see eventFilter), Delete removes it as the
    // button does.
    m_table->installEventFilter(this);
    connect(new QShortcut(QKeySequence::Delete, m_table, nullptr, nullptr, Qt::WidgetShortcut),
            &QShortcut::activated, this, [this] { runCommand([this] { deleteSelectedLine(); }); });
    // In the filter boxes: the window's shortcuts, and Enter or Down to reach the list.
    for (QLineEdit *box : {m_accountFilter, m_nameFilter})
        box->installEventFilter(this);
    // Shift+F10 opens the list's menu from anywhere in the window, as the menu key does.
    connect(new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), this), &QShortcut::activated, this,
            &MainWindow::showLineMenu);
    connect(new QShortcut(QKeySequence::Find, this), &QShortcut::activated, this, [this] {
        m_nameFilter->setFocus(Qt::ShortcutFocusReason);
        m_nameFilter->selectAll();
    });
    m_clearFilters = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(m_clearFilters, &QShortcut::activated, this, &MainWindow::clearFilters);
}

void MainWindow::buildUndoActions()
{
    QUndoStack &stack = m_session->undoStack();
    auto action = [this](const QString &text, const char *name, const QList<QKeySequence> &keys,
                         void (Session::*step)()) {
        auto *a = new QAction(text, this);
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcuts(keys);
        a->setEnabled(false);
        connect(a, &QAction::triggered, this, [this, step] {
            Session *session = m_session;
            runCommand([session, step] { (session->*step)(); });
        });
        // Also a window shortcut, so the keys work without opening the menu.
        addAction(a);
        return a;
    };
    m_undoAction =
        action(Texts::Undo(), "undoAction", {QKeySequence(Qt::CTRL | Qt::Key_Z)}, &Session::undo);
    m_redoAction =
        action(Texts::Redo(), "redoAction",
               {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)},
               &Session::redo);
    // Each names what it would undo or redo, and the undo entry says when older steps were
    // dropped. The session outlives the window's own members while the window is destroyed:
    // the connections reach only the actions.
    auto show = [session = m_session, undo = m_undoAction, redo = m_redoAction] {
        const QUndoStack &s = session->undoStack();
        undo->setEnabled(session->canUndo());
        if (session->undoDropped())
            undo->setText(Texts::UndoDropped());
        else
            undo->setText(s.undoText().isEmpty() || !session->canUndo()
                              ? Texts::Undo()
                              : Texts::Undo() + u' ' + s.undoText());
        redo->setEnabled(s.canRedo());
        redo->setText(s.redoText().isEmpty() ? Texts::Redo() : Texts::Redo() + u' ' + s.redoText());
    };
    connect(&stack, &QUndoStack::indexChanged, m_undoAction, show);
    connect(m_session, &Session::linesChanged, m_undoAction, show);
    QAction *first = m_lineMenu->actions().value(0);
    m_lineMenu->insertActions(first, {m_undoAction, m_redoAction});
    m_lineMenu->insertSeparator(first);
}

bool MainWindow::isWindowShortcut(const QKeyEvent &key) const
{
    const QKeySequence pressed(
        QKeyCombination(key.modifiers() & ~Qt::KeypadModifier, Qt::Key(key.key())));
    const QList<QAction *> windowActions = actions();
    return std::any_of(windowActions.begin(), windowActions.end(),
                       [&pressed](const QAction *a) { return a->shortcuts().contains(pressed); });
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    // The list view uses Enter itself, so it is caught before the view sees it.
    if (watched == m_table && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            runCommand([this] { editSelectedLine(); });
            return true;
        }
    }
    if ((watched == m_accountFilter || watched == m_nameFilter) &&
        (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)) {
        const auto *key = static_cast<QKeyEvent *>(event);
        // A line edit claims Ctrl+E, Ctrl+Z and the like for its own editing; in a filter
        // box they are the window's commands. Left unclaimed, the shortcut runs; a key whose
        // command is disabled (nothing to undo) does nothing rather than edit the box.
        if (isWindowShortcut(*key)) {
            event->ignore();
            return true;
        }
        if (event->type() == QEvent::KeyPress &&
            (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ||
             key->key() == Qt::Key_Down) &&
            !(key->modifiers() & ~Qt::KeypadModifier)) {
            focusList();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::focusList()
{
    m_table->setFocus(Qt::ShortcutFocusReason);
    if (!m_table->currentIndex().isValid() && m_session->list().count() > 0) selectRow(0);
}

void MainWindow::showLineMenu()
{
    const QModelIndex current = m_table->currentIndex();
    const QPoint at = current.isValid() ? m_table->visualRect(current).bottomLeft() : QPoint(0, 0);
    m_lineMenu->popup(m_table->viewport()->mapToGlobal(at));
}

void MainWindow::clearFilterBox(QLineEdit *box)
{
    // Emptied without filtering: the box being typed in sets the filter next.
    const QSignalBlocker block(box);
    box->clear();
}

void MainWindow::clearFilters()
{
    if (m_importing) return;
    m_accountFilter->clear();
    m_nameFilter->clear();
}

void MainWindow::sizeColumns()
{
    // Column widths as designed, widened where this platform's fonts need more room for the
    // caption or a full cell. The name column takes the room left, so the contract type
    // stays in view at every window size.
    QHeaderView *header = m_table->horizontalHeader();
    const QFontMetrics headerMetrics(header->font());
    const QFontMetrics cells(m_table->font());
    const QString widest[WorkingList::ColumnCount] = {QStringLiteral("0000AAAAA"),
                                                      QStringLiteral("0000000000"),
                                                      QStringLiteral("00"),
                                                      QStringLiteral("000 000 000,00"),
                                                      QStringLiteral("000 000 000,00"),
                                                      QStringLiteral("000000000000"),
                                                      QString(),
                                                      QStringLiteral("P")};
    for (int c = 0; c < WorkingList::ColumnCount; ++c)
        m_table->setColumnWidth(
            c, std::max({WorkingList::columnWidth(c),
                         headerMetrics.horizontalAdvance(WorkingList::columnCaption(c)) + 16,
                         cells.horizontalAdvance(widest[c]) + 12}));
    header->setSectionResizeMode(WorkingList::NameColumn, QHeaderView::Stretch);
}
