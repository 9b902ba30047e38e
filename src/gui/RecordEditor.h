#pragma once

#include <QDialog>
#include <QStringList>
#include <memory>

class Prompts;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class TransferLine;

// The record editor: the seven cells of one transfer line in seven boxes; computes the
// account's keys. It only returns a line: the caller applies it ("Enregistrer" or
// "Add New", told by closedBy()).
class RecordEditor final : public QDialog
{
    Q_OBJECT
public:
    // How the dialog was closed.
    enum class Closed { None, Saved, Added, Cancelled };

    explicit RecordEditor(std::shared_ptr<Prompts> prompts, QWidget *parent = nullptr);

    QLineEdit *EditCompte, *EditCleRip, *EditNetPayer, *EditRendement, *EditAssurance,
        *EditNomPrenom, *EditTypeContrat;
    QLineEdit *edt1, *edt2;
    QPushButton *BtnSave, *BtnCancel, *ButtonValidate1, *ButtonValidate2;
    QToolButton *SpeedButton1, *SpeedButton2, *SpeedButton3;

    // The seven boxes in sub-item order.
    QList<QLineEdit *> boxes() const;
    Closed closedBy() const { return m_closed; }
    // Fills the boxes with a line's cells.
    void setCells(const TransferLine &line);
    // The line the dialog closed with: base with its seven cells replaced (a new line, with no base
    // caption, gets the caption of lines made by hand).
    TransferLine line(const TransferLine &base) const;

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

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void FormCreate();
    void amountExit(QLineEdit *box);
    bool keyPress(QLineEdit *box, QKeyEvent *event);
    // False, after telling the clerk, when an amount box holds a text that does not read.
    bool amountsRead();
    void keepBoxes();

    std::shared_ptr<Prompts> m_prompts;
    QStringList m_closedWith; // the boxes as they were when "Enregistrer" or "Add New" closed
    Closed m_closed = Closed::None;
};
