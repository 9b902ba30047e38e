#pragma once

#include <QDialog>
#include <memory>

class Prompts;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class TForm1;

// The record editor: the seven cells of one transfer line in seven boxes, saved into the
// main window's selected line or appended as a new line; computes the account's keys.
class TForm2 final : public QDialog
{
    Q_OBJECT
public:
    // How the dialog was closed.
    enum class Closed { None, Saved, Added, Cancelled };

    // mainWindow may be null (no main window to work on).
    TForm2(std::shared_ptr<Prompts> prompts, TForm1 *mainWindow, QWidget *parent = nullptr);

    QLineEdit *EditCompte, *EditCleRip, *EditNetPayer, *EditRendement, *EditAssurance,
        *EditNomPrenom, *EditTypeContrat;
    QLineEdit *edt1, *edt2;
    QPushButton *BtnSave, *BtnCancel, *ButtonValidate1, *ButtonValidate2;
    QToolButton *SpeedButton1, *SpeedButton2, *SpeedButton3;

    // The seven boxes in sub-item order.
    QList<QLineEdit *> boxes() const;
    Closed closedBy() const { return m_closed; }

    void FormActivate();
    void BtnSaveClick();
    void ButtonValidate1Click();
    void ButtonValidate2Click();
    void ClearFields();
    void BtnCancelClick();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void EditCompteExit();
    void EditNetPayerExit();
    void EditRendementExit();
    // The editor's own count of the table's lines by status into the main window's circles.
    void UpdateTotals();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void FormCreate();
    void amountExit(QLineEdit *box);
    bool keyPress(QLineEdit *box, QKeyEvent *event);

    std::shared_ptr<Prompts> m_prompts;
    TForm1 *m_main;
    Closed m_closed = Closed::None;
};
