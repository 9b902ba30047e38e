#pragma once

#include "Folders.h"
#include "keys/LineCheck.h"
#include "update/UpdaterSetup.h"

#include <QIcon>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class MemoList;
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
class ReportEngine;
class ShapeWidget;
class TForm2;
class Updater;
class UpdaterControls;
class WorkingList;

// The main window: the working list, its panels and every command.
class TForm1 final : public QWidget
{
    Q_OBJECT
public:
    // The window uses the given prompts, folders and updater setup (tests give their own; the
    // default updater setup makes no request and shows the offline state); it runs its
    // creation sequence at once.
    TForm1(std::shared_ptr<Prompts> prompts, Folders folders, UpdaterSetup updater = {},
           QWidget *parent = nullptr);
    ~TForm1() override;

    // The program's icon at every size it is drawn at.
    static QIcon applicationIcon();

    // --- controls ---
    QPushButton *BtnImport, *BtnFix, *Button1, *BtnExport, *BtnExcel, *Button2, *Button3;
    QProgressBar *ProgressBar1;
    QTableView *ListView1;
    MemoList *MemoErreurs;
    ShapeWidget *ShapeRip, *ShapeCle, *ShapeError, *Shape1;
    QLabel *Label3, *Label4, *Label2;
    QLabel *LabelRip, *LabelCle, *LabelError;
    MemoList *memoNomPrenom, *MemoComptes, *MemoNoms, *Memo1;
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

    // The shared record editor used by "Add"; it keeps its boxes between openings.
    TForm2 *Form2 = nullptr;

    WorkingList &list() { return *m_list; }
    // The selected row of the table, or -1.
    int selectedRow() const;
    // Selects a row and makes it the current one.
    void selectRow(int row);
    ErrorLog &errors() { return m_errors; }
    int FCurrentRecord = 0;
    int CurrentIndex = 0;

    // --- commands (each runs inside the command wrapper when triggered from the window) ---
    void BtnImportClick();
    void mnii1Click();
    void BtnFixClick();
    void Button1Click();
    void mniF1Click();
    void mniF2Click();
    void mniC1Click();
    void Button2Click();
    void mniS1Click();
    void Button3Click();
    void mniS2Click();
    void ButtonUpdateClick();
    void Edit1Change();
    void mniA1Click();
    void mniM1Click();
    void ListView1DblClick();
    void ExportToTxtWithCodee();
    void BtnExportClick();
    void mniE1Click();
    void Edit2Change();
    void mniT1Click();
    void mniS3Click();

    // --- report callbacks: the nominative list (frxReport1) and the error report (frxReport2) ---
    void frxUserDataSet1First();
    void frxUserDataSet1Next();
    void frxUserDataSet1CheckEOF(bool &Eof);
    void frxUserDataSet1GetValue(const QString &VarName, QVariant &Value);
    void frxReport1GetValue(const QString &VarName, QVariant &Value);
    void frxUserDataSet2First();
    void frxUserDataSet2Next();
    void frxUserDataSet2CheckEOF(bool &Eof);
    void frxUserDataSet2GetValue(const QString &VarName, QVariant &Value);
    void BtnExcelClick();
    void mniE2Click();
    void ExportToExcelFile(const QString &fileName);

    void ImportTxtFile(const QString &fileName);
    void ImportExcel(const QString &fileName);

    // --- refreshes ---
    void UpdateStats();
    void UpdateTotals();
    void MettreAJourShapes();
    void MettreAJourMemos();
    void CompterNomsPrenoms();
    int CompterD();
    int CompterI();
    int CompterP();
    void CompterTypes(int &countD, int &countI, int &countP);

    void FixCle();
    void FixErrors();

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

private:
    void FormCreate();
    void FormActivate();
    void FormDestroy();
    QString settingsFile() const;
    void cleanProgramFolder();
    void loadPlace();
    // Writes the place memo to the settings file.
    void savePlace();
    // Opens a new editor on the selected line; afterwards runs nothing (double-click) or
    // the refreshes of "Modifier".
    void editSelectedLine(bool refreshAfter);

    void buildControls();
    void buildMenu();
    void notAvailable(const QString &what);
    // Places a control at its design position, with the edges it keeps when the window grows.
    enum Anchor { Left = 1, Top = 2, Right = 4, Bottom = 8 };
    template <class W> W *place(W *w, int x, int y, int width, int height, int anchors = Left | Top);
    void layOut();
    void keepEventsFlowing();
    // Prepares a report and shows it; a preparation that fails is reported and shows nothing.
    void showReport(ReportEngine &report);

    std::shared_ptr<Prompts> m_prompts;
    Folders m_folders;
    UpdaterSetup m_updaterSetup;
    std::unique_ptr<UpdaterControls> m_updaterControls;
    std::unique_ptr<Updater> m_updater;
    WorkingList *m_list;
    ErrorLog m_errors;
    bool m_importing = false;
    struct Placement {
        QWidget *widget;
        QRect design;
        int anchors;
    };
    std::vector<Placement> m_placements;
    std::unique_ptr<ReportEngine> frxReport1, frxReport2;
    bool m_reportTotalsFresh = false;
};
