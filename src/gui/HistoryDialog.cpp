#include "HistoryDialog.h"
#include "model/TranslatedText.h"

#include "CompareDialog.h"
#include "Prompts.h"
#include "WaitCursor.h"
#include "history/AnnualStatement.h"
#include "history/HistoryRecorder.h"
#include "model/AmountText.h"
#include "model/UserError.h"
#include "session/Session.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace
{
namespace Texts
{
constexpr TranslatedText Title{"HistoryDialog",
                               QT_TRANSLATE_NOOP("HistoryDialog", "Historique des paiements")};
constexpr TranslatedText ExportsTab{"HistoryDialog",
                                    QT_TRANSLATE_NOOP("HistoryDialog", "Exports archivés")};
constexpr TranslatedText PersonTab{"HistoryDialog",
                                   QT_TRANSLATE_NOOP("HistoryDialog", "Recherche d’une personne")};
QStringList ExportColumns()
{
    return {QCoreApplication::translate("HistoryDialog", "Date"),
            QCoreApplication::translate("HistoryDialog", "Code"),
            QCoreApplication::translate("HistoryDialog", "Fichier"),
            QCoreApplication::translate("HistoryDialog", "Lignes"),
            QCoreApplication::translate("HistoryDialog", "Total Net"),
            QCoreApplication::translate("HistoryDialog", "Total Rendement")};
}
QStringList PersonColumns()
{
    return {QCoreApplication::translate("HistoryDialog", "Mois"),
            QCoreApplication::translate("HistoryDialog", "Code"),
            QCoreApplication::translate("HistoryDialog", "Compte"),
            QCoreApplication::translate("HistoryDialog", "Clé"),
            QCoreApplication::translate("HistoryDialog", "Net"),
            QCoreApplication::translate("HistoryDialog", "Rendement"),
            QCoreApplication::translate("HistoryDialog", "Nom Prénom"),
            QCoreApplication::translate("HistoryDialog", "N° Assurance")};
}
QStringList LineColumns()
{
    return {QCoreApplication::translate("HistoryDialog", "CodePTT+Agence"),
            QCoreApplication::translate("HistoryDialog", "Compte"),
            QCoreApplication::translate("HistoryDialog", "CLE/RIP"),
            QCoreApplication::translate("HistoryDialog", "Net"),
            QCoreApplication::translate("HistoryDialog", "Rendement"),
            QCoreApplication::translate("HistoryDialog", "NumAss"),
            QCoreApplication::translate("HistoryDialog", "NomPrenom"),
            QCoreApplication::translate("HistoryDialog", "TypeContrat")};
}
constexpr TranslatedText View{"HistoryDialog",
                              QT_TRANSLATE_NOOP("HistoryDialog", "Voir les lignes")};
constexpr TranslatedText Open{"HistoryDialog",
                              QT_TRANSLATE_NOOP("HistoryDialog", "Ouvrir comme liste de travail")};
constexpr TranslatedText Compare{
    "HistoryDialog", QT_TRANSLATE_NOOP("HistoryDialog", "Comparer avec la liste actuelle")};
constexpr TranslatedText Search{"HistoryDialog", QT_TRANSLATE_NOOP("HistoryDialog", "Rechercher")};
constexpr TranslatedText Statement{"HistoryDialog",
                                   QT_TRANSLATE_NOOP("HistoryDialog", "Relevé annuel…")};
constexpr TranslatedText Close{"HistoryDialog", QT_TRANSLATE_NOOP("HistoryDialog", "Fermer")};
QStringList Fields()
{
    return {QCoreApplication::translate("HistoryDialog", "N° Assurance"),
            QCoreApplication::translate("HistoryDialog", "Compte"),
            QCoreApplication::translate("HistoryDialog", "Nom")};
}
constexpr TranslatedText NoneSelected{
    "HistoryDialog",
    QT_TRANSLATE_NOOP("HistoryDialog", "Choisissez d’abord un export dans la liste.")};
QString NoPerson()
{
    return QCoreApplication::translate(
        "HistoryDialog",
        "Cherchez d’abord la personne par son numéro d’assurance ou choisissez une "
        "de ses lignes.");
}
constexpr TranslatedText NothingFound{
    "HistoryDialog",
    QT_TRANSLATE_NOOP("HistoryDialog", "Aucun paiement archivé ne correspond à « %1 ».")};
constexpr TranslatedText NothingToCompare{
    "HistoryDialog",
    QT_TRANSLATE_NOOP("HistoryDialog", "La liste est vide : importez d’abord la liste du mois.")};
constexpr TranslatedText YearCaption{"HistoryDialog",
                                     QT_TRANSLATE_NOOP("HistoryDialog", "Relevé annuel")};
constexpr TranslatedText YearPrompt{"HistoryDialog", QT_TRANSLATE_NOOP("HistoryDialog", "Année :")};
constexpr TranslatedText NotAYear{
    "HistoryDialog", QT_TRANSLATE_NOOP("HistoryDialog", "« %1 » n’est pas une année.")};
constexpr TranslatedText NoPaymentInYear{
    "HistoryDialog", QT_TRANSLATE_NOOP("HistoryDialog", "Aucun paiement archivé pour %1 en %2.")};
constexpr TranslatedText Opened{
    "HistoryDialog",
    QT_TRANSLATE_NOOP("HistoryDialog", "%1 ouvert comme liste de travail (%2 lignes).")};
constexpr TranslatedText ViewTitle{
    "HistoryDialog", QT_TRANSLATE_NOOP("HistoryDialog", "%1 — %2 lignes (lecture seule)")};
} // namespace Texts

QString money(int64_t cents)
{
    return AmountText::formatCentsTrimmed(cents);
}

QTableWidget *table(QWidget *parent, const char *name, const QStringList &columns, int count)
{
    auto *t = new QTableWidget(0, count, parent);
    t->setObjectName(QLatin1String(name));
    for (int c = 0; c < count; ++c)
        t->setHorizontalHeaderItem(c, new QTableWidgetItem(columns[c]));
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->horizontalHeader()->setStretchLastSection(true);
    t->verticalHeader()->setVisible(false);
    return t;
}

void setRow(QTableWidget *t, int row, const QStringList &cells, const std::vector<int> &right)
{
    for (int c = 0; c < cells.size(); ++c) {
        auto *item = new QTableWidgetItem(cells[c]);
        if (std::find(right.begin(), right.end(), c) != right.end())
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        t->setItem(row, c, item);
    }
}

QPushButton *button(QWidget *parent, const QString &text, const char *name)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    return b;
}

} // namespace

HistoryDialog::HistoryDialog(HistoryArchive &archive, const Session &session, Prompts &prompts,
                             QString place, QString exportFolder, OpenAsList openAsList,
                             QWidget *parent)
    : QDialog(parent), m_archive(archive), m_session(session), m_prompts(prompts),
      m_place(std::move(place)), m_exportFolder(std::move(exportFolder)),
      m_openAsList(std::move(openAsList))
{
    setObjectName(QStringLiteral("historyDialog"));
    setWindowTitle(Texts::Title());
    auto *layout = new QVBoxLayout(this);
    auto *tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("historyTabs"));
    layout->addWidget(tabs, 1);

    auto *exportsPage = new QWidget(tabs);
    auto *exportsLayout = new QVBoxLayout(exportsPage);
    m_exportTable = table(exportsPage, "exportTable", Texts::ExportColumns(), 6);
    exportsLayout->addWidget(m_exportTable, 1);
    auto *exportButtons = new QHBoxLayout;
    auto *view = button(exportsPage, Texts::View(), "viewExportButton");
    auto *open = button(exportsPage, Texts::Open(), "openExportButton");
    auto *compare = button(exportsPage, Texts::Compare(), "compareExportButton");
    exportButtons->addWidget(view);
    exportButtons->addWidget(open);
    exportButtons->addWidget(compare);
    exportButtons->addStretch();
    exportsLayout->addLayout(exportButtons);
    tabs->addTab(exportsPage, Texts::ExportsTab());

    auto *personPage = new QWidget(tabs);
    auto *personLayout = new QVBoxLayout(personPage);
    auto *searchRow = new QHBoxLayout;
    m_searchField = new QComboBox(personPage);
    m_searchField->setObjectName(QStringLiteral("searchField"));
    for (const QString &f : Texts::Fields())
        m_searchField->addItem(f);
    m_searchText = new QLineEdit(personPage);
    m_searchText->setObjectName(QStringLiteral("searchText"));
    auto *searchButton = button(personPage, Texts::Search(), "searchButton");
    auto *statement = button(personPage, Texts::Statement(), "statementButton");
    searchRow->addWidget(m_searchField);
    searchRow->addWidget(m_searchText, 1);
    searchRow->addWidget(searchButton);
    searchRow->addWidget(statement);
    personLayout->addLayout(searchRow);
    m_personTable = table(personPage, "personTable", Texts::PersonColumns(), 8);
    personLayout->addWidget(m_personTable, 1);
    tabs->addTab(personPage, Texts::PersonTab());

    auto *bottom = new QHBoxLayout;
    bottom->addStretch();
    auto *close = button(this, Texts::Close(), "closeButton");
    bottom->addWidget(close);
    layout->addLayout(bottom);

    connect(view, &QPushButton::clicked, this, [this] { guarded(&HistoryDialog::viewSelected); });
    connect(open, &QPushButton::clicked, this, [this] { guarded(&HistoryDialog::openSelected); });
    connect(compare, &QPushButton::clicked, this,
            [this] { guarded(&HistoryDialog::compareSelected); });
    connect(m_exportTable, &QTableWidget::cellDoubleClicked, this,
            [this] { guarded(&HistoryDialog::viewSelected); });
    connect(searchButton, &QPushButton::clicked, this, [this] { guarded(&HistoryDialog::search); });
    connect(m_searchText, &QLineEdit::returnPressed, this,
            [this] { guarded(&HistoryDialog::search); });
    connect(statement, &QPushButton::clicked, this,
            [this] { guarded(&HistoryDialog::printStatement); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    resize(980, 560);
    reload();
}

void HistoryDialog::guarded(void (HistoryDialog::*action)())
{
    try {
        (this->*action)();
    } catch (const UserError &e) {
        m_prompts.error(this, e.message());
    } catch (const std::bad_alloc &) {
        m_prompts.error(this, OutOfMemoryText);
    }
}

void HistoryDialog::reload()
{
    m_exports = m_archive.exports();
    m_exportTable->setRowCount(int(m_exports.size()));
    for (int r = 0; r < int(m_exports.size()); ++r) {
        const ArchivedExport &e = m_exports[size_t(r)];
        setRow(m_exportTable, r,
               {e.exportedAt.toString(QStringLiteral("dd/MM/yyyy HH:mm")), e.code,
                e.kind == u"txt" ? QStringLiteral("TXT") : QStringLiteral("Excel"),
                QString::number(e.lineCount), money(e.netCents), money(e.yieldCents)},
               {3, 4, 5});
    }
    if (!m_exports.empty()) m_exportTable->selectRow(0);
    m_exportTable->resizeColumnsToContents();
}

std::optional<ArchivedExport> HistoryDialog::selectedExport() const
{
    const int row = m_exportTable->currentRow();
    if (row < 0 || row >= int(m_exports.size())) return std::nullopt;
    return m_exports[size_t(row)];
}

void HistoryDialog::viewSelected()
{
    const std::optional<ArchivedExport> e = selectedExport();
    if (!e) {
        m_prompts.message(this, Texts::NoneSelected());
        return;
    }
    std::vector<ArchivedLine> lines;
    {
        WaitCursor wait;
        lines = m_archive.lines(e->id);
    }
    QDialog view(this);
    view.setObjectName(QStringLiteral("archivedLinesDialog"));
    view.setWindowTitle(Texts::ViewTitle().arg(HistoryRecorder::exportName(*e)).arg(lines.size()));
    auto *layout = new QVBoxLayout(&view);
    QTableWidget *t = table(&view, "archivedLines", Texts::LineColumns(), 8);
    t->setRowCount(int(lines.size()));
    for (int r = 0; r < int(lines.size()); ++r) {
        const ArchivedLine &l = lines[size_t(r)];
        setRow(t, r,
               {l.caption, l.account, l.key, money(l.netCents), money(l.yieldCents), l.insurance,
                l.name, l.contractType},
               {3, 4});
    }
    layout->addWidget(t);
    auto *close = button(&view, Texts::Close(), "closeButton");
    connect(close, &QPushButton::clicked, &view, &QDialog::accept);
    layout->addWidget(close, 0, Qt::AlignRight);
    view.resize(900, 520);
    m_prompts.execDialog(&view);
}

void HistoryDialog::openSelected()
{
    const std::optional<ArchivedExport> e = selectedExport();
    if (!e) {
        m_prompts.message(this, Texts::NoneSelected());
        return;
    }
    std::vector<TransferLine> lines = HistoryRecorder::asTransferLines(m_archive.lines(e->id));
    const size_t n = lines.size();
    if (m_openAsList(std::move(lines))) {
        m_prompts.message(this, Texts::Opened().arg(HistoryRecorder::exportName(*e)).arg(n));
        accept();
    }
}

void HistoryDialog::compareSelected()
{
    const std::optional<ArchivedExport> e = selectedExport();
    if (!e) {
        m_prompts.message(this, Texts::NoneSelected());
        return;
    }
    if (m_session.list().totalCount() == 0) {
        m_prompts.message(this, Texts::NothingToCompare());
        return;
    }
    ListComparison comparison;
    {
        WaitCursor wait;
        comparison =
            m_session.compareWithLines(HistoryRecorder::asTransferLines(m_archive.lines(e->id)),
                                       HistoryRecorder::exportName(*e));
    }
    CompareDialog dialog(std::move(comparison), m_prompts, m_place, m_exportFolder, this);
    m_prompts.execDialog(&dialog);
}

void HistoryDialog::search()
{
    const QString text = m_searchText->text().trimmed();
    if (text.isEmpty()) return;
    {
        WaitCursor wait;
        m_found = m_archive.findPerson(PersonField(m_searchField->currentIndex()), text);
    }
    m_personTable->setRowCount(int(m_found.size()));
    for (int r = 0; r < int(m_found.size()); ++r) {
        const PersonPayment &p = m_found[size_t(r)];
        setRow(m_personTable, r,
               {p.exported.exportedAt.toString(QStringLiteral("MM/yyyy")), p.exported.code,
                p.line.account, p.line.key, money(p.line.netCents), money(p.line.yieldCents),
                p.line.name, p.line.insurance},
               {4, 5});
    }
    m_personTable->resizeColumnsToContents();
    if (m_found.empty())
        m_prompts.message(this, Texts::NothingFound().arg(text));
    else
        m_personTable->selectRow(0);
}

void HistoryDialog::printStatement()
{
    // The person of the selected line found, or the first.
    const int row = std::max(0, m_personTable->currentRow());
    if (m_found.empty() || row >= int(m_found.size()) ||
        m_found[size_t(row)].line.insurance.isEmpty()) {
        m_prompts.message(this, Texts::NoPerson());
        return;
    }
    const QString insurance = m_found[size_t(row)].line.insurance;
    const QString initial = QString::number(m_found[size_t(row)].exported.exportedAt.date().year());
    const std::optional<QString> answer =
        m_prompts.input(this, Texts::YearCaption(), Texts::YearPrompt(), initial, false);
    if (!answer) return;
    bool ok = false;
    const int year = answer->trimmed().toInt(&ok);
    if (!ok || year < 1900 || year > 9999) {
        m_prompts.message(this, Texts::NotAYear().arg(*answer));
        return;
    }
    const std::vector<PersonPayment> payments = m_archive.personYear(insurance, year);
    if (payments.empty()) {
        m_prompts.message(this, Texts::NoPaymentInYear().arg(insurance).arg(year));
        return;
    }
    PreparedReport report;
    {
        WaitCursor wait;
        report = AnnualStatement::prepare(insurance, year, payments, m_place);
    }
    m_prompts.showReport(this, report);
}
