#pragma once

#include "keys/LineCheck.h"
#include "session/Session.h"
#include "settings/Folders.h"
#include "update/UpdaterSetup.h"

#include <QIcon>
#include <QWidget>
#include <functional>
#include <memory>

class HistoryRecorder;
class JournalKeeper;
class QLockFile;
class Prompts;
class QAction;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QShortcut;
class QPushButton;
class QTableView;
class QTimer;
class RecordEditor;
class StatusLight;
class TextLinesView;
class Updater;
class UpdaterControls;

// The main window: the working list, its figures and panels, and every command on them.
// Each command runs on the session and the window then shows what the session says.
// Widgets carry object names (importButton, lineTable, netTotalLabel, ...) so scripts and
// tests find them.
class MainWindow final : public QWidget
{
    Q_OBJECT
public:
    // The window uses the given prompts, folders and updater setup (tests give their own; the
    // default updater setup makes no request and shows the offline state). It reads the
    // ordering party's place at once, asking for it when none is stored.
    MainWindow(std::shared_ptr<Prompts> prompts, Folders folders, UpdaterSetup updater = {},
               QWidget *parent = nullptr);
    ~MainWindow() override;

    // The program's icon at every size it is drawn at.
    static QIcon applicationIcon();

    // The working session: the list and every figure shown.
    Session &session() { return *m_session; }
    // What keeps the list on disk while it has changes not yet exported.
    JournalKeeper &journal() { return *m_journal; }

    // Imports a file as the import command does: a file named on the command line or
    // dropped on the window.
    void openFile(const QString &path);

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // --- commands, each run inside runCommand ---
    void importList();
    // Reads the chosen file into the list and tells the clerk what it holds.
    void importChosenFile(const QString &path);
    void clearFilters();
    void repairRipKeys();
    void repairCcpKeys();
    void cleanList();
    void deleteSelectedLine();
    void deleteShownLines();
    void addLine();
    void editSelectedLine();
    void exportText();
    void exportWorkbook();
    // Tells the clerk when the export just made could not go into the payment history.
    void tellRecording(const Session::ExportResult &result);
    void printList();
    void printErrorReport();
    void compareWithList();
    // The payment history: archived exports, a person's months, the annual statement.
    void showHistory();
    void filterByAccount();
    void filterByName();

    // Runs a command; an error that leaves it is shown in the general error box.
    void runCommand(const std::function<void()> &command);
    // Connects a button or a menu entry to a command.
    void connectCommand(QPushButton *button, void (MainWindow::*command)());
    QAction *addMenuCommand(const QString &text, const char *icon, const char *name,
                            void (MainWindow::*command)());

    // Writes every figure, panel and caption from the session.
    void showFigures();
    void showClock();

    void buildControls();
    void buildMenu();
    void buildShortcuts();
    // "Annuler" and "Rétablir" in the list's menu and on the keyboard.
    void buildUndoActions();
    void fillRecentFilesMenu();
    void rememberRecentFile(const QString &path);
    // Window geometry and column widths, kept per user between runs.
    void restoreWindowState();
    void saveWindowState() const;
    void sizeColumns();
    void startUpdater();
    // Offers back a list left unexported by an earlier run, then starts keeping the journal.
    void startJournal();

    QString settingsFile() const;
    void cleanProgramFolder();
    // Reads the ordering party's place, asking for it when none is stored.
    void loadPlace();
    // Writes the place memo to the settings file.
    void savePlace();

    int selectedRow() const;
    // Selects a row and makes it the current one.
    void selectRow(int row);
    // Tells the clerk what a repair did.
    void reportRepair(KeyKind kind, const Session::RepairResult &result);
    // While a filter hides lines, asks whether a command may go on with the shown ones only
    // (question filled with shown, all and hidden counts; No by default). True to go on.
    bool confirmShownOnly(const QString &question);
    // True when the key is the shortcut of one of the window's commands.
    bool isWindowShortcut(const QKeyEvent &key) const;
    // Moves to the list, on its first line when none is current.
    void focusList();
    // Opens the list's menu at the current line.
    void showLineMenu();
    // Empties a filter box without filtering.
    static void clearFilterBox(QLineEdit *box);
    // Appends the editor's line and selects it.
    void appendFromEditor(const RecordEditor &editor);
    // Reads a file into the session, with progress.
    void importPath(const QString &path);
    // Asks for the ordering code; the file the export writes, or an empty text when the
    // clerk cancelled or the code was refused (and said why).
    QString askExportPath(Session::ExportKind kind, const QString &caption, const QString &prompt);
    // Shows the changes made by hand since the import before a whole-list export; false
    // when the clerk then declines the export. checkLinesFirst: lines the export would
    // refuse are refused (UserError) before anything is shown.
    bool changesAccepted(bool checkLinesFirst);
    // Runs a command that first repairs the keys to RIP keys, and tells the clerk what the
    // repair did, also when the command then fails.
    template <class Command> auto tellingRipRepair(Command &&command);
    // " (n lignes écrites)" and the filter's note for an export's message.
    static QString writtenNote(const Session::ExportResult &result);

    std::shared_ptr<Prompts> m_prompts;
    Folders m_folders;
    UpdaterSetup m_updaterSetup;
    Session *m_session;
    std::unique_ptr<UpdaterControls> m_updaterControls;
    std::unique_ptr<Updater> m_updater;
    std::unique_ptr<JournalKeeper> m_journal;
    std::unique_ptr<QLockFile> m_journalLock; // held while this window owns the journal
    std::unique_ptr<HistoryRecorder> m_history;
    bool m_importing = false;

    // Command buttons.
    QPushButton *m_importButton = nullptr;
    QPushButton *m_repairRipButton = nullptr;
    QPushButton *m_repairCcpButton = nullptr;
    QPushButton *m_exportTextButton = nullptr;
    QPushButton *m_exportWorkbookButton = nullptr;
    QPushButton *m_deleteLineButton = nullptr;
    QPushButton *m_deleteShownButton = nullptr;
    QPushButton *m_historyButton = nullptr;
    QPushButton *m_updateButton = nullptr;

    // The list and what is said about it.
    QProgressBar *m_progressBar = nullptr;
    QLabel *m_shownCountLabel = nullptr; // "n / N lignes affichées" while a filter hides lines
    QLabel *m_journalMark = nullptr;     // while the list is not kept in the journal
    QTableView *m_table = nullptr;
    TextLinesView *m_errorLinesView = nullptr;
    QMenu *m_lineMenu = nullptr;
    QMenu *m_recentFilesMenu = nullptr;
    QAction *m_undoAction = nullptr;
    QAction *m_redoAction = nullptr;
    QLabel *m_pathLabel = nullptr;
    QLabel *m_statusLabel = nullptr; // what the last command did that the list does not show

    // Key counters: a light each, its count on it and a caption under it.
    StatusLight *m_ripLight = nullptr;
    StatusLight *m_ccpLight = nullptr;
    StatusLight *m_errorLight = nullptr;
    QLabel *m_ripCountLabel = nullptr;
    QLabel *m_ccpCountLabel = nullptr;
    QLabel *m_errorCountLabel = nullptr;
    QLabel *m_ripCaptionLabel = nullptr;
    QLabel *m_ccpCaptionLabel = nullptr;
    QLabel *m_errorCaptionLabel = nullptr;

    // Panels beside the list, each with its count under it.
    TextLinesView *m_duplicateNamesView = nullptr;
    TextLinesView *m_duplicateAccountsView = nullptr;
    TextLinesView *m_contractTypesView = nullptr;
    TextLinesView *m_wrongKeysView = nullptr;
    QLabel *m_duplicateNamesCountLabel = nullptr;
    QLabel *m_duplicateAccountsCountLabel = nullptr;
    QLabel *m_contractTypesCountLabel = nullptr;
    QLabel *m_wrongKeysCountLabel = nullptr;

    // Filters, totals and the ordering party's place.
    QLineEdit *m_accountFilter = nullptr;
    QLineEdit *m_nameFilter = nullptr;
    QLineEdit *m_netTotalBox = nullptr;
    QLineEdit *m_yieldTotalBox = nullptr;
    QLineEdit *m_generalTotalBox = nullptr;
    QLabel *m_netTotalLabel = nullptr;
    QLabel *m_yieldTotalLabel = nullptr;
    QLabel *m_generalTotalLabel = nullptr;
    QPlainTextEdit *m_placeMemo = nullptr;

    // Updater and clock.
    StatusLight *m_updateLight = nullptr;
    QLabel *m_versionLabel = nullptr;
    QLabel *m_offeredVersionLabel = nullptr;
    QLabel *m_clockLabel = nullptr;
    QTimer *m_clock = nullptr;
    QShortcut *m_clearFilters = nullptr;

    // The editor "Add" opens; it keeps its boxes between openings.
    RecordEditor *m_addLineEditor = nullptr;
};
