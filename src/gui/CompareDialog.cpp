#include "CompareDialog.h"
#include "model/TranslatedText.h"

#include "Prompts.h"
#include "WaitCursor.h"
#include "compare/CompareReport.h"
#include "compare/CompareWorkbook.h"
#include "model/UserError.h"
#include "session/Session.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableView>
#include <QVBoxLayout>
#include <cmath>

namespace
{
namespace Texts
{
const QString Title = CompareReport::DefaultTitle;
constexpr TranslatedText NothingToCompare{
    "CompareDialog",
    QT_TRANSLATE_NOOP("CompareDialog", "La liste est vide : importez d’abord la liste du mois, "
                                       "puis comparez-la avec la précédente.")};
QString OpenFilter()
{
    return QCoreApplication::translate(
        "CompareDialog",
        "Listes (*.txt, *.xlsx, *.xls, *.ods)|*.txt;*.xlsx;*.xls;*.ods|Tous les fichiers|*.*");
}
QString Lists()
{
    return QCoreApplication::translate(
        "CompareDialog", "Liste précédente : %1 (%2 lignes)   —   Liste du mois : %3 lignes   —   "
                         "Variation du Net signalée au-delà de %4");
}
constexpr TranslatedText NoDifference{
    "CompareDialog",
    QT_TRANSLATE_NOOP("CompareDialog", "Aucune différence entre les deux listes.")};
constexpr TranslatedText Category{"CompareDialog",
                                  QT_TRANSLATE_NOOP("CompareDialog", "Catégorie :")};
constexpr TranslatedText Threshold{
    "CompareDialog", QT_TRANSLATE_NOOP("CompareDialog", "Variation du Net signalée au-delà de :")};
constexpr TranslatedText All{"CompareDialog", QT_TRANSLATE_NOOP("CompareDialog", "Toutes")};
constexpr TranslatedText Print{"CompareDialog",
                               QT_TRANSLATE_NOOP("CompareDialog", "&Imprimer / PDF…")};
constexpr TranslatedText Export{"CompareDialog",
                                QT_TRANSLATE_NOOP("CompareDialog", "&Exporter en classeur…")};
constexpr TranslatedText Close{"CompareDialog", QT_TRANSLATE_NOOP("CompareDialog", "&Fermer")};
constexpr TranslatedText SaveCaption{"CompareDialog",
                                     QT_TRANSLATE_NOOP("CompareDialog", "Exporter la comparaison")};
constexpr TranslatedText SaveFilter{"CompareDialog",
                                    QT_TRANSLATE_NOOP("CompareDialog", "Classeur Excel (*.xlsx)")};
constexpr TranslatedText Written{
    "CompareDialog",
    QT_TRANSLATE_NOOP("CompareDialog", "Comparaison écrite dans « %1 » (%2 lignes).")};
QStringList Columns()
{
    return {QCoreApplication::translate("CompareDialog", "Catégorie"),
            QCoreApplication::translate("CompareDialog", "N° Assurance"),
            QCoreApplication::translate("CompareDialog", "Nom Prénom"),
            QCoreApplication::translate("CompareDialog", "Ancien compte/clé"),
            QCoreApplication::translate("CompareDialog", "Nouveau compte/clé"),
            QCoreApplication::translate("CompareDialog", "Ancien Net"),
            QCoreApplication::translate("CompareDialog", "Nouveau Net"),
            QCoreApplication::translate("CompareDialog", "Écart")};
}
} // namespace Texts

const QColor AccountRed(200, 0, 0);

} // namespace

// The differences of one category, or of all, as rows of a table.
class CompareModel final : public QAbstractTableModel
{
public:
    explicit CompareModel(const ListComparison &c, QObject *parent)
        : QAbstractTableModel(parent), m_c(c)
    {
        showCategory(-1);
    }

    void showCategory(int category)
    {
        beginResetModel();
        if (category >= 0) {
            // Entries are grouped by category, in category order.
            int from = 0;
            for (int k = 0; k < category; ++k)
                from += m_c.count(ListComparison::Category(k));
            m_from = from;
            m_count = m_c.count(ListComparison::Category(category));
        } else {
            m_from = 0;
            m_count = int(m_c.entries().size());
        }
        endResetModel();
    }

    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : m_count;
    }
    int columnCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : ListComparison::ColumnCount;
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid()) return QVariant();
        const ListComparison::Entry &e = m_c.entries()[size_t(m_from) + size_t(index.row())];
        const int col = index.column();
        if (role == Qt::DisplayRole) return m_c.text(e, col);
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(col == ListComparison::OldNetColumn ||
                                               col == ListComparison::NewNetColumn
                                           ? Qt::AlignRight | Qt::AlignVCenter
                                           : Qt::AlignLeft | Qt::AlignVCenter);
        if (role == Qt::ForegroundRole && col == 0 &&
            e.category == ListComparison::Category::AccountChanged)
            return AccountRed;
        return QVariant();
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
            section < ListComparison::ColumnCount)
            return Texts::Columns().at(section);
        return QAbstractTableModel::headerData(section, orientation, role);
    }

private:
    const ListComparison &m_c;
    int m_from = 0, m_count = 0;
};

void CompareDialog::run(QWidget *parent, const Session &session, Prompts &prompts,
                        const QString &place, const QString &exportFolder)
{
    if (session.list().totalCount() == 0) {
        prompts.message(parent, Texts::NothingToCompare());
        return;
    }
    const QString path = prompts.openFileName(parent, Texts::OpenFilter());
    if (path.isEmpty()) return;
    ListComparison comparison;
    {
        WaitCursor wait;
        comparison = session.compareWith(path);
    }
    CompareDialog dialog(std::move(comparison), prompts, place, exportFolder, parent);
    prompts.execDialog(&dialog);
}

CompareDialog::CompareDialog(ListComparison comparison, Prompts &prompts, QString place,
                             QString exportFolder, QWidget *parent)
    : QDialog(parent), m_comparison(std::move(comparison)), m_prompts(prompts),
      m_place(std::move(place)), m_exportFolder(std::move(exportFolder))
{
    setObjectName(QStringLiteral("compareDialog"));
    setWindowTitle(Texts::Title);
    auto *layout = new QVBoxLayout(this);

    m_lists = new QLabel(this);
    m_lists->setObjectName(QStringLiteral("listsLabel"));
    m_lists->setWordWrap(true);
    layout->addWidget(m_lists);

    auto *counts = new QHBoxLayout;
    for (int k = 0; k < ListComparison::CategoryCount; ++k) {
        auto *label = new QLabel(this);
        label->setObjectName(QStringLiteral("count%1").arg(k));
        label->setFrameShape(QFrame::StyledPanel);
        label->setMargin(4);
        m_counts[size_t(k)] = label;
        counts->addWidget(label);
    }
    counts->addStretch();
    layout->addLayout(counts);

    auto *filterRow = new QHBoxLayout;
    auto *filterLabel = new QLabel(Texts::Category(), this);
    m_categoryFilter = new QComboBox(this);
    m_categoryFilter->setObjectName(QStringLiteral("categoryFilter"));
    for (int k = -1; k < ListComparison::CategoryCount; ++k)
        m_categoryFilter->addItem(QString(), k);
    filterLabel->setBuddy(m_categoryFilter);
    filterRow->addWidget(filterLabel);
    filterRow->addWidget(m_categoryFilter);
    auto *thresholdLabel = new QLabel(Texts::Threshold(), this);
    m_threshold = new QDoubleSpinBox(this);
    m_threshold->setObjectName(QStringLiteral("thresholdBox"));
    m_threshold->setLocale(QLocale(QLocale::French));
    m_threshold->setDecimals(2);
    m_threshold->setRange(0, 1000000);
    m_threshold->setSuffix(QStringLiteral(" %"));
    m_threshold->setValue(m_comparison.threshold() / 100.0);
    m_threshold->setKeyboardTracking(false);
    thresholdLabel->setBuddy(m_threshold);
    filterRow->addSpacing(20);
    filterRow->addWidget(thresholdLabel);
    filterRow->addWidget(m_threshold);
    m_none = new QLabel(Texts::NoDifference(), this);
    m_none->setObjectName(QStringLiteral("noDifferenceLabel"));
    filterRow->addSpacing(20);
    filterRow->addWidget(m_none);
    filterRow->addStretch();
    layout->addLayout(filterRow);

    m_model = new CompareModel(m_comparison, this);
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("differences"));
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->horizontalHeader()->setStretchLastSection(true);
    const int widths[] = {115, 100, 185, 130, 130, 90, 90};
    for (int col = 0; col < 7; ++col)
        m_table->setColumnWidth(col, widths[col]);
    layout->addWidget(m_table, 1);

    auto *buttons = new QHBoxLayout;
    auto *print = new QPushButton(Texts::Print(), this);
    print->setObjectName(QStringLiteral("printButton"));
    auto *exportButton = new QPushButton(Texts::Export(), this);
    exportButton->setObjectName(QStringLiteral("exportButton"));
    auto *close = new QPushButton(Texts::Close(), this);
    close->setObjectName(QStringLiteral("closeButton"));
    close->setDefault(true);
    buttons->addWidget(print);
    buttons->addWidget(exportButton);
    buttons->addStretch();
    buttons->addWidget(close);
    layout->addLayout(buttons);

    connect(m_threshold, &QDoubleSpinBox::valueChanged, this,
            [this](double percent) { setThreshold(int(std::lround(percent * 100))); });
    connect(m_categoryFilter, &QComboBox::currentIndexChanged, this,
            [this](int i) { m_model->showCategory(m_categoryFilter->itemData(i).toInt()); });
    connect(print, &QPushButton::clicked, this, [this] { guarded(&CompareDialog::print); });
    connect(exportButton, &QPushButton::clicked, this,
            [this] { guarded(&CompareDialog::exportWorkbook); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    showCounts();
    resize(1120, 560);
}

void CompareDialog::showCounts()
{
    const ListComparison &c = m_comparison;
    m_lists->setText(Texts::Lists()
                         .arg(c.oldListName())
                         .arg(c.oldCount())
                         .arg(c.newCount())
                         .arg(ListComparison::thresholdText(c.threshold())));
    m_categoryFilter->setItemText(
        0, QStringLiteral("%1 (%2)").arg(Texts::All()).arg(c.entries().size()));
    for (int k = 0; k < ListComparison::CategoryCount; ++k) {
        const auto category = ListComparison::Category(k);
        const QString name = ListComparison::categoryName(category);
        const int n = c.count(category);
        m_counts[size_t(k)]->setText(name + QStringLiteral(" : ") + QString::number(n));
        m_categoryFilter->setItemText(k + 1, QStringLiteral("%1 (%2)").arg(name).arg(n));
    }
    // An account change is the one that diverts pay: it stands out.
    m_counts[0]->setStyleSheet(
        c.count(ListComparison::Category::AccountChanged) > 0
            ? QStringLiteral("QLabel { color: rgb(200, 0, 0); font-weight: bold; }")
            : QString());
    m_none->setVisible(c.same());
}

void CompareDialog::setThreshold(int hundredths)
{
    if (hundredths == m_comparison.threshold()) return;
    {
        WaitCursor wait;
        m_comparison = m_comparison.withThreshold(hundredths);
    }
    showCounts();
    m_model->showCategory(m_categoryFilter->currentData().toInt());
    if (m_threshold->value() != hundredths / 100.0) {
        const QSignalBlocker block(m_threshold);
        m_threshold->setValue(hundredths / 100.0);
    }
}

CompareDialog::~CompareDialog() = default;

void CompareDialog::showCategory(int category)
{
    m_categoryFilter->setCurrentIndex(std::clamp(category + 1, 0, ListComparison::CategoryCount));
}

void CompareDialog::guarded(void (CompareDialog::*action)())
{
    try {
        (this->*action)();
    } catch (const UserError &e) {
        m_prompts.error(this, e.message());
    } catch (const std::bad_alloc &) {
        m_prompts.error(this, tr("Mémoire insuffisante pour terminer l’opération."));
    }
}

void CompareDialog::print()
{
    PreparedReport report;
    {
        WaitCursor wait;
        // The dialog's title says which comparison this is.
        report = CompareReport::prepare(m_comparison, m_place, {}, windowTitle());
    }
    m_prompts.showReport(this, report);
}

void CompareDialog::exportWorkbook()
{
    const QString suggested =
        QDir(m_exportFolder).filePath(CompareWorkbook::fileNameFor(QDateTime::currentDateTime()));
    QString path =
        m_prompts.saveFileName(this, Texts::SaveCaption(), suggested, Texts::SaveFilter());
    if (path.isEmpty()) return;
    if (!path.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive))
        path += QStringLiteral(".xlsx");
    {
        WaitCursor wait;
        CompareWorkbook::writeFile(m_comparison, path);
    }
    m_prompts.message(
        this,
        Texts::Written().arg(QDir::toNativeSeparators(path)).arg(m_comparison.entries().size()));
}
