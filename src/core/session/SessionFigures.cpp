// The session's figures: derived per line when it enters or changes, counted over the shown lines;
// error lines and records.
#include "Session.h"

#include "export/TextExport.h"
#include "export/WorkbookExport.h"
#include "import/TextImport.h"
#include "import/WorkbookReader.h"
#include "keys/Keys.h"
#include "model/AmountText.h"
#include "model/TextColumns.h"
#include "model/UserError.h"
#include "reports/ListReport.h"
#include "settings/Folders.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <thread>
#include <utility>

namespace
{

QString asString(QStringView text)
{
    return text.toString();
}
QString asString(const QString &text)
{
    return text;
}

// "text  (n)" for every text counted two or more times, sorted with letter case ignored.
template <class Dictionary>
QStringList repeated(QStringList heading, const Dictionary &dictionary,
                     const std::vector<int> &counts)
{
    std::vector<std::pair<QString, int>> runs;
    for (size_t id = 0; id < counts.size(); ++id)
        if (counts[id] >= 2) runs.emplace_back(asString(dictionary.text(int(id))), counts[id]);
    std::sort(runs.begin(), runs.end(), [](const auto &a, const auto &b) {
        const int c = a.first.compare(b.first, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a.first < b.first;
    });
    heading.reserve(heading.size() + qsizetype(runs.size()));
    for (const auto &[text, n] : runs)
        heading << text + QStringLiteral("  (") + QString::number(n) + u')';
    return heading;
}

// The contract type a trimmed type text counts as: 'D', 'I', 'P', or 0.
char contractType(QStringView type)
{
    if (type.size() != 1) return 0;
    switch (type[0].unicode()) {
    case u'D':
    case u'd':
        return 'D';
    case u'I':
    case u'i':
        return 'I';
    case u'P':
    case u'p':
        return 'P';
    default:
        return 0;
    }
}

void grow(std::vector<int> &counts, int id)
{
    if (id >= int(counts.size())) counts.resize(size_t(id) + 1, 0);
}

} // namespace

// --- derived figures ---

void Session::deriveFigures(TransferLine &line)
{
    // The amounts were read when the cells were set.
    line.figures.status = checkKeys(line).status;
    const QStringView insurance = trimBlanks(line.subItemView(TransferLine::Insurance));
    line.figures.shortInsurance = !insurance.isEmpty() && insurance.size() < 12 &&
                                  std::all_of(insurance.begin(), insurance.end(),
                                              [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// The ids of a line's name and contract type, then of its account/key pair: an import
// fills the two on different threads.
void Session::deriveNameAndType(TransferLine &line, TextDictionary &names, TextDictionary &types)
{
    const QStringView name = trimBlanks(line.subItemView(TransferLine::Name));
    line.figures.nameId = name.isEmpty() ? -1 : names.intern(name);
    line.figures.typeId = types.intern(trimBlanks(line.subItemView(TransferLine::ContractType)));
}

void Session::derivePair(TransferLine &line, PairDictionary &pairs)
{
    line.figures.pairId = pairs.intern(trimBlanks(line.subItemView(TransferLine::Account)),
                                       trimBlanks(line.subItemView(TransferLine::Key)));
}

void Session::deriveIds(TransferLine &line, Dictionaries &d)
{
    deriveNameAndType(line, d.names, d.types);
    derivePair(line, d.pairs);
}

void Session::deriveKey(TransferLine &line, PairDictionary &pairs)
{
    line.figures.status = checkKeys(line).status;
    line.figures.pairId = pairs.intern(trimBlanks(line.subItemView(TransferLine::Account)),
                                       trimBlanks(line.subItemView(TransferLine::Key)));
}

void Session::derive(TransferLine &line, Dictionaries &d)
{
    deriveFigures(line);
    deriveIds(line, d);
}

void Session::add(const TransferLine &line, int sign)
{
    const TransferLine::Figures &f = line.figures;
    ListFigures &t = m_figures;
    t.shown += sign;
    switch (f.status) {
    case TransferLine::KeyStatus::Rip:
        t.rip += sign;
        break;
    case TransferLine::KeyStatus::Ccp:
        t.ccp += sign;
        break;
    default:
        t.wrong += sign;
        break;
    }
    if (f.netReadable)
        t.netCents += sign * f.netCents;
    else
        t.unreadableAmounts += sign;
    if (f.yieldReadable)
        t.yieldCents += sign * f.yieldCents;
    else
        t.unreadableAmounts += sign;
    if (f.shortInsurance) t.shortInsuranceNumbers += sign;
    if (f.nameId >= 0) {
        grow(m_nameCount, f.nameId);
        m_nameCount[size_t(f.nameId)] += sign;
    }
    grow(m_pairCount, f.pairId);
    m_pairCount[size_t(f.pairId)] += sign;
    grow(m_typeCount, f.typeId);
    m_typeCount[size_t(f.typeId)] += sign;
}

void Session::recount()
{
    m_figures = ListFigures();
    m_nameCount.assign(size_t(m_dictionaries.names.size()), 0);
    m_pairCount.assign(size_t(m_dictionaries.pairs.size()), 0);
    m_typeCount.assign(size_t(m_dictionaries.types.size()), 0);
    m_wrongRows.clear();
    // As add(line, 1) for every shown line, counted in locals that no store to the counts can
    // alias: this runs on every filter keystroke.
    ListFigures t;
    auto count = [](std::vector<int> &counts, int id) {
        if (size_t(id) >= counts.size()) grow(counts, id);
        ++counts[size_t(id)];
    };
    const int n = m_list.count();
    for (int row = 0; row < n; ++row) {
        const TransferLine::Figures &f = m_list.line(row).figures;
        switch (f.status) {
        case TransferLine::KeyStatus::Rip:
            ++t.rip;
            break;
        case TransferLine::KeyStatus::Ccp:
            ++t.ccp;
            break;
        default:
            ++t.wrong;
            if (f.status == TransferLine::KeyStatus::Wrong) m_wrongRows.push_back(row);
            break;
        }
        if (f.netReadable)
            t.netCents += f.netCents;
        else
            ++t.unreadableAmounts;
        if (f.yieldReadable)
            t.yieldCents += f.yieldCents;
        else
            ++t.unreadableAmounts;
        t.shortInsuranceNumbers += f.shortInsurance;
        if (f.nameId >= 0) count(m_nameCount, f.nameId);
        count(m_pairCount, f.pairId);
        count(m_typeCount, f.typeId);
    }
    t.shown = n;
    m_figures = t;
}

void Session::publish()
{
    m_figures.all = m_list.totalCount();
    m_figures.types = {};
    for (size_t id = 0; id < m_typeCount.size(); ++id) {
        switch (contractType(m_dictionaries.types.text(int(id)))) {
        case 'D':
            m_figures.types.d += m_typeCount[id];
            break;
        case 'I':
            m_figures.types.i += m_typeCount[id];
            break;
        case 'P':
            m_figures.types.p += m_typeCount[id];
            break;
        default:
            break;
        }
    }
    m_panels.duplicateNames = repeated({}, m_dictionaries.names, m_nameCount);
    m_panels.duplicateAccounts =
        repeated({QStringLiteral("---------")}, m_dictionaries.pairs, m_pairCount);
    m_panels.contractTypes =
        repeated({QStringLiteral("T.Contrat Doublons")}, m_dictionaries.types, m_typeCount);
    emit changed();
}

// --- error lines and records ---

QString Session::errorLine(int i) const
{
    const int row = m_wrongRows[size_t(i)];
    return errorLineText(m_list.line(row), m_list.lineNumber(row));
}

QString Session::wrongPairLine(int i) const
{
    const TransferLine &line = m_list.line(m_wrongRows[size_t(i)]);
    return trimBlanks(line.subItemView(TransferLine::Account)).toString() + u'/' +
           trimBlanks(line.subItemView(TransferLine::Key)) + QStringLiteral(" - Error");
}

QStringList Session::errorLines() const
{
    QStringList lines;
    lines.reserve(qsizetype(m_wrongRows.size()));
    for (int i = 0; i < int(m_wrongRows.size()); ++i)
        lines << errorLine(i);
    return lines;
}

QString Session::shortInsuranceWarning() const
{
    if (m_figures.shortInsuranceNumbers == 0) return QString();
    QStringList rows;
    for (int row = 0; row < m_list.count() && rows.size() < 5; ++row)
        if (m_list.line(row).figures.shortInsurance)
            rows << QString::number(m_list.lineNumber(row));
    QString text = QStringLiteral("NumAss de moins de 12 chiffres (zéros de tête perdus ?) : "
                                  "%1 ligne(s) : %2")
                       .arg(m_figures.shortInsuranceNumbers)
                       .arg(rows.join(QStringLiteral(", ")));
    if (m_figures.shortInsuranceNumbers > rows.size()) text += QStringLiteral(" …");
    return text;
}

std::vector<ErrorRecord> Session::errorRecords() const
{
    std::vector<ErrorRecord> records;
    records.reserve(m_wrongRows.size());
    for (int row : m_wrongRows)
        records.push_back(errorRecord(m_list.line(row), m_list.lineNumber(row)));
    return records;
}
