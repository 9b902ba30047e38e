#pragma once

#include "settings/Folders.h"
#include "keys/LineCheck.h"
#include "session/Session.h"
#include "update/UpdaterSetup.h"

#include <QIcon>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class TextLinesView;
class Prompts;
class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTableView;
class QTimer;
class QVariant;
class StatusLight;
class RecordEditor;
class Updater;
class UpdaterControls;

// The main window: the working list, its panels and every command.
class MainWindow final : public QWidget
{
    Q_OBJECT
public:
    // The window uses the given prompts, folders and updater setup (tests give their own; the
    // default updater setup makes no request and shows the offline state); it runs its
    // creation sequence at once.
    MainWindow(std::shared_ptr<Prompts> prompts, Folders folders, UpdaterSetup updater = {},
           QWidget *parent = nullptr);
    ~MainWindow() override;

    // The program's icon at every size it is drawn at.
    static QIcon applicationIcon();

    // --- controls ---
    QPushButton *BtnImport, *BtnFix, *Button1, *BtnExport, *BtnExcel, *Button2, *Button3;
    QProgressBar *ProgressBar1;
    QTableView *ListView1;
    TextLinesView *MemoErreurs;
    StatusLight *ShapeRip, *ShapeCle, *ShapeError, *Shape1;
    QLabel *Label3, *Label4, *Label2;
    QLabel *LabelRip, *LabelCle, *LabelError;
    TextLinesView *memoNomPrenom, *MemoComptes, *MemoNoms, *Memo1;
    QLabel *Label11, *Label8, *Label9, *Label10;
    QLabel *Label5, *Label6, *Label12, *Label13, *Label15;
    QLineEdit *Edit1, *Edit2, *Edit3, *Edit4, *Edit5;
    QPlainTextEdit *Memo2;
    QPushButton *ButtonUpdate;
    QLabel *LabelVersion, *LabelServerVersion;
    QLabel *LabelTotalNet, *LabelTotalRendement, *Label1;
    QLabel *LabelPath, *Label7, *Label14;
    QMenu *pm1;
    QAction *mniA1, *mniM1, *mnii1, *mniE1, *mniE2, *mniF1, *mniF2, *mniC1, *mniS1, *mniS2,
        *mniS3, *mniT1;
    QTimer *tmr1;

    // While a filter hides lines: "n / N lignes affichées".
    QLabel *LabelShown;

    // The shared record editor used by "Add"; it keeps its boxes between openings.
    RecordEditor *Form2 = nullptr;

    // The working session: the list and every figure shown.
    Session &session() { return *m_session; }
    WorkingList &list();
    // The selected row of the table, or -1.
    int selectedRow() const;
    // Selects a row and makes it the current one.
    void selectRow(int row);

    // --- commands (each runs inside the command wrapper when triggered from the window) ---
    void BtnImportClick();
    void mnii1Click() { BtnImportClick(); }
    void BtnFixClick() { repairKeys(KeyKind::Rip); }
    void Button1Click() { repairKeys(KeyKind::Ccp); }
    void mniF1Click() { BtnFixClick(); }
    void mniF2Click() { Button1Click(); }
    void mniC1Click();
    void Button2Click();
    void mniS1Click() { Button2Click(); }
    void Button3Click();
    void mniS2Click() { Button3Click(); }
    void ButtonUpdateClick();
    void Edit1Change();
    void Edit2Change();
    void mniA1Click();
    void mniM1Click() { editSelectedLine(); }
    void ListView1DblClick() { editSelectedLine(); }
    void ExportToTxtWithCodee();
    void BtnExportClick() { ExportToTxtWithCodee(); }
    void mniE1Click() { ExportToTxtWithCodee(); }
    void BtnExcelClick();
    void mniE2Click() { BtnExcelClick(); }
    void mniT1Click();
    void mniS3Click();
    // Compares the list with the previous month's, picked by the clerk (Ctrl+M).
    void compareWithList();

    // Writes every figure, panel and caption from the session.
    void showFigures();

    void tmr1Timer();

    // Runs a command; an error that leaves it is shown in the general error box.
    void runCommand(const std::function<void()> &command);

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

    // Writes the place memo to the settings file (at close, and before the program ends
    // after an update).
    void FormClose();
    void FormActivate();

private:
    void FormCreate();
    void FormDestroy();
    QString settingsFile() const;
    void cleanProgramFolder();
    void loadPlace();
    // Writes the place memo to the settings file.
    void savePlace();
    void repairKeys(KeyKind kind);
    // Tells the clerk what a repair did.
    void reportRepair(KeyKind kind, const Session::RepairResult &result);
    // Opens a new editor on the selected line and applies what it returns.
    void editSelectedLine();
    // Appends the editor's line and selects it.
    void appendFromEditor(const RecordEditor &editor);
    // Reads a file into the session, with progress.
    void importPath(const QString &path);
    // Asks for the ordering code; the file the export writes, or an empty text when the
    // clerk cancelled or the code was refused (and said why).
    QString askExportPath(Session::ExportKind kind, const QString &caption, const QString &prompt);
    // Runs a command that first repairs the keys to RIP keys, and tells the clerk what the
    // repair did, also when the command then fails.
    template <class Command> auto tellingRipRepair(Command &&command);
    // " (n lignes écrites)" and the filter's note for an export's message.
    static QString writtenNote(const Session::ExportResult &result);

    void buildControls();
    void buildMenu();
    void notAvailable(const QString &what);
    // Places a control at its design position, with the edges it keeps when the window grows.
    enum Anchor { Left = 1, Top = 2, Right = 4, Bottom = 8 };
    template <class W> W *place(W *w, int x, int y, int width, int height, int anchors = Left | Top);
    void layOut();

    std::shared_ptr<Prompts> m_prompts;
    Folders m_folders;
    UpdaterSetup m_updaterSetup;
    std::unique_ptr<UpdaterControls> m_updaterControls;
    std::unique_ptr<Updater> m_updater;
    Session *m_session;
    bool m_importing = false;
    struct Placement {
        QWidget *widget;
        QRect design;
        int anchors;
    };
    std::vector<Placement> m_placements;
    QAction *m_compareAction = nullptr;
};
