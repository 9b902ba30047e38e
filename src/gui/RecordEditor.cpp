#include "RecordEditor.h"
#include "model/TranslatedText.h"

#include "NamedWidget.h"
#include "Prompts.h"
#include "WindowFonts.h"
#include "keys/Keys.h"
#include "model/AmountText.h"
#include "model/TextColumns.h"
#include "model/TransferLine.h"

#include <QApplication>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

namespace
{

namespace Texts
{
constexpr TranslatedText Caption{"RecordEditor",
                                 QT_TRANSLATE_NOOP("RecordEditor", "Modifier les informations")};
} // namespace Texts

// The editor's CCP key: a character that is not a digit counts as 0.
QString editorCcpKey(QStringView account)
{
    return lenientCcpKeyText(account);
}

void fill(QWidget *w, const QColor &c)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Window, c);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

} // namespace

RecordEditor::RecordEditor(std::shared_ptr<Prompts> prompts, QWidget *parent)
    : QDialog(parent), m_prompts(std::move(prompts))
{
    buildControls();
}

void RecordEditor::buildControls()
{
    setWindowTitle(Texts::Caption());
    setFont(WindowFonts::interface(8));
    fill(this, QColor(245, 245, 245));

    // Seven labelled boxes, one per cell.
    auto *cells = new QGridLayout;
    cells->setHorizontalSpacing(5);
    cells->setVerticalSpacing(9);
    cells->setColumnMinimumWidth(0, 125);
    const struct {
        const char *label, *name;
        QLineEdit *RecordEditor::*box;
    } boxes[] = {
        {QT_TR_NOOP("Compte :"), "accountBox", &RecordEditor::m_accountBox},
        {QT_TR_NOOP("Cle/Rip :"), "keyBox", &RecordEditor::m_keyBox},
        {QT_TR_NOOP("Net à Payer :"), "netBox", &RecordEditor::m_netBox},
        {QT_TR_NOOP("Rendement :"), "rendementBox", &RecordEditor::m_yieldBox},
        {QT_TR_NOOP("Num Assurance :"), "insuranceBox", &RecordEditor::m_insuranceBox},
        {QT_TR_NOOP("Nom et Prénom :"), "nameBox", &RecordEditor::m_nameBox},
        {QT_TR_NOOP("Type Contrat :"), "contractTypeBox", &RecordEditor::m_contractTypeBox},
    };
    int row = 0;
    for (const auto &b : boxes) {
        auto *e = named(new QLineEdit(this), b.name);
        e->installEventFilter(this);
        this->*b.box = e;
        auto *label = new QLabel(tr(b.label), this);
        label->setBuddy(e);
        cells->addWidget(label, row, 0);
        if (e != m_contractTypeBox) {
            e->setMinimumWidth(240);
            cells->addWidget(e, row, 1, 1, 2);
        }
        ++row;
    }
    const QFontMetrics metrics(font());
    m_contractTypeBox->setFixedWidth(
        std::max(40, metrics.horizontalAdvance(QStringLiteral("MM")) + 16));
    cells->addWidget(m_contractTypeBox, row - 1, 1, Qt::AlignLeft);

    auto button = [this](const QString &text, const char *name) {
        auto *b = named(new QPushButton(text, this), name);
        b->setMinimumSize(100, 30);
        b->setAutoDefault(false);
        return b;
    };
    QPushButton *clear = button(tr("C&lear Case"), "clearButton");
    cells->addWidget(clear, row - 1, 2, Qt::AlignRight);
    QPushButton *save = m_saveButton = button(tr("&Enregistrer"), "saveButton");
    // Enter saves; Escape cancels.
    save->setDefault(true);
    QPushButton *addNew = m_addNewButton = button(tr("&Add New"), "addNewButton");
    QPushButton *cancel = m_cancelButton = button(tr("Annuler"), "cancelButton");
    auto *actions = new QHBoxLayout;
    actions->addWidget(save);
    actions->addStretch();
    actions->addWidget(addNew);
    actions->addStretch();
    actions->addWidget(cancel);

    auto *separator = new QFrame(this);
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Plain);
    separator->setStyleSheet(
        QStringLiteral("QFrame { border: none; border-top: 1px dotted black; }"));
    separator->setFixedHeight(1);

    // The keys worked out from the account.
    auto flat = [this](const QString &text, const char *name) {
        auto *b = named(new QToolButton(this), name);
        b->setAutoRaise(true);
        b->setText(text);
        return b;
    };
    QToolButton *compute = flat(tr("Calc Rip / Cle"), "computeKeysButton");
    compute->setMinimumSize(97, 33);
    QToolButton *useCcp = flat(QStringLiteral("+"), "useCcpKeyButton");
    QToolButton *useRip = flat(QStringLiteral("+"), "useRipKeyButton");
    m_computedCcpKeyBox = named(new QLineEdit(this), "computedCcpKeyBox");
    m_computedRipKeyBox = named(new QLineEdit(this), "computedRipKeyBox");
    for (QLineEdit *e : {m_computedCcpKeyBox, m_computedRipKeyBox})
        e->setFixedWidth(std::max(49, metrics.horizontalAdvance(QStringLiteral("000")) + 16));
    auto *keys = new QGridLayout;
    keys->setVerticalSpacing(2);
    keys->setColumnStretch(0, 1);
    keys->addWidget(compute, 0, 1, 2, 1, Qt::AlignVCenter);
    keys->setColumnMinimumWidth(2, 16);
    keys->addWidget(new QLabel(tr("Cle"), this), 0, 3);
    keys->addWidget(m_computedCcpKeyBox, 0, 4);
    keys->addWidget(useCcp, 0, 5);
    keys->addWidget(new QLabel(tr("Rip"), this), 1, 3);
    keys->addWidget(m_computedRipKeyBox, 1, 4);
    keys->addWidget(useRip, 1, 5);
    keys->setColumnStretch(6, 1);

    auto *content = new QVBoxLayout;
    content->setContentsMargins(20, 12, 20, 6);
    content->addLayout(cells);
    content->addSpacing(8);
    content->addLayout(actions);
    content->addSpacing(4);
    content->addWidget(separator);
    content->addLayout(keys);

    // A blue strip along the top edge, then the content.
    auto *strip = new QFrame(this);
    strip->setFixedHeight(4);
    fill(strip, QColor(64, 128, 255));
    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    root->addWidget(strip);
    root->addLayout(content);
    // The dialog takes the size its content needs, at any font size or scale.
    root->setSizeConstraint(QLayout::SetFixedSize);

    // Names and contract types are shown and kept in upper case; the contract type is one
    // character (a pasted longer text keeps its first).
    for (QLineEdit *e : {m_nameBox, m_contractTypeBox}) {
        const bool single = e == m_contractTypeBox;
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

    QWidget *order[] = {
        m_accountBox,       m_keyBox, m_netBox, m_yieldBox, m_insuranceBox, m_nameBox,
        m_contractTypeBox,  save,     cancel,   addNew,     clear,          m_computedCcpKeyBox,
        m_computedRipKeyBox};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(save, &QPushButton::clicked, this, &RecordEditor::save);
    connect(cancel, &QPushButton::clicked, this, &RecordEditor::cancel);
    connect(addNew, &QPushButton::clicked, this, &RecordEditor::addNew);
    connect(clear, &QPushButton::clicked, this, &RecordEditor::clearBoxes);
    connect(compute, &QToolButton::clicked, this, &RecordEditor::computeKeys);
    connect(useCcp, &QToolButton::clicked, this,
            [this] { m_keyBox->setText(m_computedCcpKeyBox->text()); });
    connect(useRip, &QToolButton::clicked, this,
            [this] { m_keyBox->setText(m_computedRipKeyBox->text()); });
}

QList<QLineEdit *> RecordEditor::boxes() const
{
    return {m_accountBox,   m_keyBox,  m_netBox,         m_yieldBox,
            m_insuranceBox, m_nameBox, m_contractTypeBox};
}

void RecordEditor::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_closed = Closed::None;
    if (!m_accountBox->text().isEmpty()) computeKeys();
}

void RecordEditor::closeEvent(QCloseEvent *event)
{
    // Closing by the window frame gives Cancel.
    if (m_closed == Closed::None) m_closed = Closed::Cancelled;
    QDialog::closeEvent(event);
}

void RecordEditor::computeKeys()
{
    m_computedCcpKeyBox->setText(editorCcpKey(m_accountBox->text()));
    m_computedRipKeyBox->setText(ripKeyText(m_accountBox->text()));
}

void RecordEditor::clearBoxes()
{
    for (QLineEdit *e : boxes())
        e->clear();
}

void RecordEditor::cancel()
{
    reject();
}

void RecordEditor::reject()
{
    m_closed = Closed::Cancelled;
    QDialog::reject();
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
        out.setCaption(TransferLine::DefaultCaption.toString());
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

bool RecordEditor::formatAmounts()
{
    // Saving applies what leaving an amount box does, so that Enter, which saves without
    // leaving the box, keeps exactly what Tab would have shown.
    for (QLineEdit *box : {m_netBox, m_yieldBox}) {
        if (!formatAmount(box)) {
            box->setFocus();
            return false;
        }
    }
    return true;
}

void RecordEditor::save()
{
    if (!formatAmounts()) return;
    keepBoxes();
    m_closed = Closed::Saved;
    done(QDialog::Accepted);
}

void RecordEditor::addNew()
{
    if (!formatAmounts()) return;
    keepBoxes();
    m_closed = Closed::Added;
    done(QDialog::Accepted);
}

void RecordEditor::completeAccount()
{
    QString t = m_accountBox->text();
    if (t.size() < 10) m_accountBox->setText(t.rightJustified(10, u'0'));
}

bool RecordEditor::formatAmount(QLineEdit *box)
{
    const QString t = box->text();
    if (t.isEmpty()) return true;
    QString normalised, message;
    if (!normaliseEditedAmount(t, normalised, message)) {
        m_prompts->error(this, message);
        return false;
    }
    if (normalised != t) box->setText(normalised);
    return true;
}

bool RecordEditor::refusesKey(QLineEdit *box, QKeyEvent *event)
{
    const QString text = event->text();
    // Keys that type nothing (arrows, Delete, shortcuts such as Ctrl+V) are not filtered.
    if (text.size() != 1 || text[0].unicode() < 32 || event->key() == Qt::Key_Backspace)
        return false;
    const QChar c = text[0];
    const bool digit = c >= u'0' && c <= u'9';
    int limit = 0;
    // Characters as the user sees them: only digits reach these boxes anyway.
    if (box == m_accountBox)
        limit = 10;
    else if (box == m_keyBox)
        limit = 2;
    else if (box == m_insuranceBox)
        limit = 12;
    if (limit > 0)
        return !(digit && (TextColumns::length(box->text()) < limit ||
                           box->hasSelectedText())); // true: refused
    if (box == m_netBox || box == m_yieldBox) {
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
        return refusesKey(box, static_cast<QKeyEvent *>(event));
    if (box && event->type() == QEvent::FocusOut) {
        // Only the clerk moving on counts as leaving: not the dialog closing or losing the
        // active window (to a message box, say). Saving applies the amount rule itself, and
        // cancelling drops the boxes: neither needs it first.
        const auto reason = static_cast<QFocusEvent *>(event)->reason();
        const QWidget *next = QApplication::focusWidget();
        const bool leaving = isVisible() && reason != Qt::ActiveWindowFocusReason &&
                             reason != Qt::PopupFocusReason && next != m_saveButton &&
                             next != m_addNewButton && next != m_cancelButton;
        if (box == m_accountBox)
            completeAccount();
        else if ((box == m_netBox || box == m_yieldBox) && leaving)
            formatAmount(box);
    }
    return QDialog::eventFilter(watched, event);
}
