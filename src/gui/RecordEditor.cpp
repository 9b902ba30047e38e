#include "RecordEditor.h"

#include "Prompts.h"
#include "keys/Keys.h"
#include "model/AmountText.h"
#include "model/TextColumns.h"
#include "model/TransferLine.h"

#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

namespace {

namespace Texts {
const QString Caption = QStringLiteral("Modifier les informations");
const QString NewLineCaption = QStringLiteral("*00799999");
} // namespace Texts

// The editor's CCP key: a character that is not a digit counts as 0.
QString editorCleCCP(QStringView compte) { return lenientCcpKeyText(compte); }

} // namespace

RecordEditor::RecordEditor(std::shared_ptr<Prompts> prompts, QWidget *parent)
    : QDialog(parent), m_prompts(std::move(prompts))
{
    setFixedSize(420, 339);
    QFont f(QStringLiteral("Tahoma"));
    f.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    f.setPixelSize(11);
    f.setStyleHint(QFont::SansSerif);
    setFont(f);

    auto *panel = new QFrame(this);
    panel->setGeometry(0, 0, 420, 339);
    panel->setAutoFillBackground(true);
    QPalette pp = panel->palette();
    pp.setColor(QPalette::Window, QColor(245, 245, 245));
    panel->setPalette(pp);
    auto *strip = new QFrame(panel);
    strip->setGeometry(0, 0, 420, 4);
    strip->setAutoFillBackground(true);
    QPalette sp = strip->palette();
    sp.setColor(QPalette::Window, QColor(64, 128, 255));
    strip->setPalette(sp);

    const char *labels[] = {"Compte :", "Cle/Rip :", "Net à Payer :", "Rendement :",
                            "Num Assurance :", "Nom et Prénom :", "Type Contrat :"};
    QLineEdit **edits[] = {&EditCompte, &EditCleRip, &EditNetPayer, &EditRendement,
                           &EditAssurance, &EditNomPrenom, &EditTypeContrat};
    for (int i = 0; i < 7; ++i) {
        auto *l = new QLabel(QString::fromUtf8(labels[i]), panel);
        l->setGeometry(20, 20 + 30 * i - 3, 125, 21);
        auto *e = new QLineEdit(panel);
        e->setGeometry(150, 16 + 30 * i, i == 6 ? 40 : 240, 21);
        e->installEventFilter(this);
        *edits[i] = e;
    }
    // Names and contract types are shown and kept in upper case; the contract type is one
    // character (a pasted longer text keeps its first).
    for (QLineEdit *e : {EditNomPrenom, EditTypeContrat}) {
        const bool single = e == EditTypeContrat;
        connect(e, &QLineEdit::textEdited, this, [e, single](const QString &text) {
            QString upper = text.toUpper();
            if (single && TextColumns::length(upper) > 1)
                upper = TextColumns::mid(upper, 0, 1).toString();
            if (upper != text) {
                const int pos = e->cursorPosition();
                e->setText(upper);
                e->setCursorPosition(pos);
            }
        });
    }

    auto button = [panel](int x, int y) {
        auto *b = new QPushButton(panel);
        b->setGeometry(x, y, 100, 30);
        return b;
    };
    BtnSave = button(20, 240);
    BtnCancel = button(300, 240);
    ButtonValidate1 = button(156, 240);
    ButtonValidate2 = button(300, 204);

    auto *dots = new QLabel(QString(105, u'.'), panel);
    dots->setGeometry(0, 272, 420, 13);
    dots->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    auto flat = [panel](int x, int y, int w, int h, const QString &text) {
        auto *b = new QToolButton(panel);
        b->setAutoRaise(true);
        b->setGeometry(x, y, w, h);
        b->setText(text);
        return b;
    };
    SpeedButton1 = flat(160, 294, 97, 33, QString());
    auto *label8 = new QLabel(QStringLiteral("Cle"), panel);
    label8->setGeometry(276, 292, 22, 16);
    edt1 = new QLineEdit(panel);
    edt1->setGeometry(299, 288, 49, 21);
    SpeedButton3 = flat(352, 289, 19, 19, QStringLiteral("+"));
    auto *label9 = new QLabel(QStringLiteral("Rip"), panel);
    label9->setGeometry(275, 314, 22, 16);
    edt2 = new QLineEdit(panel);
    edt2->setGeometry(299, 312, 49, 21);
    SpeedButton2 = flat(352, 313, 19, 19, QStringLiteral("+"));

    setTabOrder(EditCompte, EditCleRip);
    setTabOrder(EditCleRip, EditNetPayer);
    setTabOrder(EditNetPayer, EditRendement);
    setTabOrder(EditRendement, EditAssurance);
    setTabOrder(EditAssurance, EditNomPrenom);
    setTabOrder(EditNomPrenom, EditTypeContrat);
    setTabOrder(EditTypeContrat, BtnSave);
    setTabOrder(BtnSave, BtnCancel);
    setTabOrder(BtnCancel, ButtonValidate1);
    setTabOrder(ButtonValidate1, ButtonValidate2);
    setTabOrder(ButtonValidate2, edt1);
    setTabOrder(edt1, edt2);

    connect(BtnSave, &QPushButton::clicked, this, &RecordEditor::BtnSaveClick);
    connect(BtnCancel, &QPushButton::clicked, this, &RecordEditor::BtnCancelClick);
    connect(ButtonValidate1, &QPushButton::clicked, this, &RecordEditor::ButtonValidate1Click);
    connect(ButtonValidate2, &QPushButton::clicked, this, &RecordEditor::ButtonValidate2Click);
    connect(SpeedButton1, &QToolButton::clicked, this, &RecordEditor::SpeedButton1Click);
    connect(SpeedButton2, &QToolButton::clicked, this, &RecordEditor::SpeedButton2Click);
    connect(SpeedButton3, &QToolButton::clicked, this, &RecordEditor::SpeedButton3Click);

    FormCreate();
}

void RecordEditor::FormCreate()
{
    setWindowTitle(Texts::Caption);
    BtnSave->setText(QStringLiteral("Enregistrer"));
    BtnCancel->setText(QStringLiteral("Annuler"));
    ButtonValidate1->setText(QStringLiteral("Add New"));
    ButtonValidate2->setText(QStringLiteral("Clear Case"));
    SpeedButton1->setText(QStringLiteral("Calc Rip / Cle"));
    // Enter in a box must not close the dialog through a default button.
    for (QPushButton *b : {BtnSave, BtnCancel, ButtonValidate1, ButtonValidate2}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
}

QList<QLineEdit *> RecordEditor::boxes() const
{
    return {EditCompte, EditCleRip, EditNetPayer, EditRendement, EditAssurance, EditNomPrenom, EditTypeContrat};
}

void RecordEditor::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_closed = Closed::None;
    FormActivate();
}

void RecordEditor::closeEvent(QCloseEvent *event)
{
    // Closing by the window frame gives Cancel.
    if (m_closed == Closed::None)
        m_closed = Closed::Cancelled;
    QDialog::closeEvent(event);
}

void RecordEditor::FormActivate()
{
    if (!EditCompte->text().isEmpty())
        SpeedButton1Click();
}

void RecordEditor::SpeedButton1Click()
{
    edt1->setText(editorCleCCP(EditCompte->text()));
    edt2->setText(ripKeyText(EditCompte->text()));
}

void RecordEditor::SpeedButton3Click() { EditCleRip->setText(edt1->text()); }

void RecordEditor::SpeedButton2Click() { EditCleRip->setText(edt2->text()); }

void RecordEditor::ClearFields()
{
    for (QLineEdit *e : boxes())
        e->clear();
}

void RecordEditor::ButtonValidate2Click() { ClearFields(); }

void RecordEditor::BtnCancelClick()
{
    m_closed = Closed::Cancelled;
    done(QDialog::Rejected);
}

void RecordEditor::setCells(const TransferLine &line)
{
    const QList<QLineEdit *> b = boxes();
    for (int i = 0; i < 7; ++i)
        b[i]->setText(line.subItem(i));
}

TransferLine RecordEditor::line(const TransferLine &base) const
{
    TransferLine out = base;
    if (base.subItemCount() == 0 && base.captionView().isEmpty())
        out.setCaption(Texts::NewLineCaption);
    for (int i = 0; i < 7; ++i)
        out.setSubItem(i, m_closedWith.value(i));
    return out;
}

void RecordEditor::keepBoxes()
{
    m_closedWith.clear();
    for (QLineEdit *e : boxes())
        m_closedWith << e->text();
}

bool RecordEditor::amountsRead()
{
    for (QLineEdit *box : {EditNetPayer, EditRendement}) {
        long long cents = 0;
        if (!readAmountCents(box->text(), cents)) {
            m_prompts->error(this, notAFloatMessage(box->text()));
            box->setFocus();
            return false;
        }
    }
    return true;
}

void RecordEditor::BtnSaveClick()
{
    if (!amountsRead())
        return;
    keepBoxes();
    m_closed = Closed::Saved;
    done(QDialog::Accepted);
}

void RecordEditor::ButtonValidate1Click()
{
    if (!amountsRead())
        return;
    keepBoxes();
    m_closed = Closed::Added;
    done(QDialog::Accepted);
}

void RecordEditor::EditCompteExit()
{
    QString t = EditCompte->text();
    if (t.size() < 10)
        EditCompte->setText(t.rightJustified(10, u'0'));
}

void RecordEditor::amountExit(QLineEdit *box)
{
    const QString t = box->text();
    if (t.isEmpty())
        return;
    double v = 0;
    if (readNumber(t, v))
        box->setText(AmountText::format(v, AmountText::EditorPattern));
    else
        m_prompts->error(this, notAFloatMessage(t));
}

void RecordEditor::EditNetPayerExit() { amountExit(EditNetPayer); }

void RecordEditor::EditRendementExit() { amountExit(EditRendement); }

bool RecordEditor::keyPress(QLineEdit *box, QKeyEvent *event)
{
    const QString text = event->text();
    // Keys that type nothing (arrows, Delete, shortcuts such as Ctrl+V) are not filtered.
    if (text.size() != 1 || text[0].unicode() < 32 || event->key() == Qt::Key_Backspace)
        return false;
    const QChar c = text[0];
    const bool digit = c >= u'0' && c <= u'9';
    int limit = 0;
    // Characters as the user sees them: only digits reach these boxes anyway.
    if (box == EditCompte)
        limit = 10;
    else if (box == EditCleRip)
        limit = 2;
    else if (box == EditAssurance)
        limit = 12;
    if (limit > 0)
        return !(digit && (TextColumns::length(box->text()) < limit || box->hasSelectedText())); // true: refused
    if (box == EditNetPayer || box == EditRendement) {
        if (c == u'.') {
            box->insert(QStringLiteral(","));
            return true;
        }
        return !(digit || c == u',');
    }
    return false;
}

bool RecordEditor::eventFilter(QObject *watched, QEvent *event)
{
    auto *box = qobject_cast<QLineEdit *>(watched);
    if (box && event->type() == QEvent::KeyPress)
        return keyPress(box, static_cast<QKeyEvent *>(event));
    if (box && event->type() == QEvent::FocusOut) {
        if (box == EditCompte)
            EditCompteExit();
        else if (box == EditNetPayer)
            EditNetPayerExit();
        else if (box == EditRendement)
            EditRendementExit();
    }
    return QDialog::eventFilter(watched, event);
}
