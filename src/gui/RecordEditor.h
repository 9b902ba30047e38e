#pragma once

#include <QDialog>
#include <QStringList>
#include <memory>

class Prompts;
class QLineEdit;
class QPushButton;
class QToolButton;
class TransferLine;

// The record editor: the seven cells of one transfer line in seven boxes, with the keys
// worked out from the account. It only returns a line: the caller applies it, told by
// closedBy() whether "Enregistrer" or "Add New" closed it. Boxes and buttons carry object
// names (accountBox, saveButton, ...) so scripts and tests find them.
class RecordEditor final : public QDialog
{
    Q_OBJECT
public:
    // How the dialog was closed.
    enum class Closed { None, Saved, Added, Cancelled };

    explicit RecordEditor(std::shared_ptr<Prompts> prompts, QWidget *parent = nullptr);

    Closed closedBy() const { return m_closed; }
    // Fills the boxes with a line's cells.
    void setCells(const TransferLine &line);
    // The line the dialog closed with: base with its seven cells replaced (a new line, with no
    // base caption, gets the caption of lines made by hand).
    TransferLine line(const TransferLine &base) const;

public slots:
    void reject() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void buildControls();
    // The seven boxes in sub-item order.
    QList<QLineEdit *> boxes() const;
    void computeKeys();
    void clearBoxes();
    void save();
    void addNew();
    void cancel();
    // Pads the account with leading zeros to ten digits when the clerk leaves its box.
    void completeAccount();
    // Shows an amount in the editor's format when the clerk leaves its box; false, after
    // telling the clerk, when it does not read or is too large.
    bool formatAmount(QLineEdit *box);
    // True when the key press is refused by the box's rule.
    bool refusesKey(QLineEdit *box, QKeyEvent *event);
    // Formats both amounts as leaving their boxes does, before a save; false, after telling
    // the clerk, when one does not read or is too large.
    bool formatAmounts();
    void keepBoxes();

    std::shared_ptr<Prompts> m_prompts;
    QStringList m_closedWith; // the boxes as they were when "Enregistrer" or "Add New" closed
    Closed m_closed = Closed::None;

    QLineEdit *m_accountBox = nullptr;
    QLineEdit *m_keyBox = nullptr;
    QLineEdit *m_netBox = nullptr;
    QLineEdit *m_yieldBox = nullptr;
    QLineEdit *m_insuranceBox = nullptr;
    QLineEdit *m_nameBox = nullptr;
    QLineEdit *m_contractTypeBox = nullptr;
    QPushButton *m_saveButton = nullptr;
    QPushButton *m_addNewButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
    // The keys worked out from the account, each with a button that copies it to the key box.
    QLineEdit *m_computedCcpKeyBox = nullptr;
    QLineEdit *m_computedRipKeyBox = nullptr;
};
