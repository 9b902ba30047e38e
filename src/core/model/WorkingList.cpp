#include "WorkingList.h"

#include "BasicText.h"

#include <QGuiApplication>
#include <QPalette>
#include <QVarLengthArray>
#include <algorithm>
#include <array>
#include <cstring>
#include <iterator>
#include <thread>

namespace
{

struct Column {
    const char *caption;
    int width;
    Qt::Alignment align;
};
const Column Columns[8] = {
    {"CodePTT+Agence", 80, Qt::AlignLeft}, {"Compte", 80, Qt::AlignLeft},
    {"CLE/RIP", 30, Qt::AlignLeft},        {"Net", 100, Qt::AlignRight},
    {"Rendement", 100, Qt::AlignRight},    {"NumAss", 90, Qt::AlignLeft},
    {"NomPrenom", 200, Qt::AlignLeft},     {"TypeContrat", 30, Qt::AlignLeft},
};

const QColor LightGreen(198, 255, 198);
const QColor Yellow(255, 255, 0);
const QColor Red(255, 0, 0);

// The field folded whole into a buffer on the stack (a heap one only past 256 units), then
// searched for the target.
bool containsFoldedWhole(QStringView field, QStringView target, const TextFolding &fold)
{
    QVarLengthArray<char16_t, 256> folded(field.size());
    char16_t *out = folded.data();
    for (const QChar c : field) {
        *out = fold(c.unicode());
        out += *out != 0;
    }
    return QStringView(folded.data(), out - folded.data()).contains(target);
}

bool containsFolded(QStringView field, const QString &target)
{
    // Most fields have no blanks around them: the call is saved.
    if (field.isEmpty() || field.front().unicode() <= 32 || field.back().unicode() <= 32)
        field = trimBlanks(field);
    if (target.isEmpty()) return true;
    if (field.size() < target.size()) return false;
    // The field is folded on the fly while compared with the target (folded once), with no
    // copy. A unit that folds to nothing shifts the alignment, so when a comparison meets one
    // the field is folded whole instead: a match with such a unit inside always reaches it,
    // since the units before it match.
    const TextFolding &fold = TextFolding::instance();
    const char16_t *f = field.utf16();
    const char16_t *t = QStringView(target).utf16();
    const qsizetype m = target.size();
    const qsizetype last = field.size() - m;
    for (qsizetype i = 0; i <= last; ++i) {
        if (fold(f[i]) != t[0]) // a unit folding to nothing never starts a match
            continue;
        qsizetype j = 1;
        for (; j < m; ++j) {
            const char16_t c = fold(f[i + j]);
            if (c != t[j]) {
                if (c == 0) return containsFoldedWhole(field, target, fold);
                break;
            }
        }
        if (j == m) return true;
    }
    return false;
}

} // namespace

WorkingList::WorkingList(QObject *parent) : QAbstractTableModel(parent) {}

void WorkingList::replaceAll(std::vector<TransferLine> lines)
{
    beginResetModel();
    m_all = std::move(lines);
    m_shown.clear();
    m_shown.shrink_to_fit();
    m_filter = FilterField::None;
    m_target.clear();
    m_hiddenUnchanged = false;
    endResetModel();
}

void WorkingList::append(TransferLine line)
{
    const int row = count();
    beginInsertRows({}, row, row);
    m_all.push_back(std::move(line));
    if (m_filter != FilterField::None) m_shown.push_back(int(m_all.size()) - 1);
    endInsertRows();
}

TransferLine WorkingList::removeAt(int row)
{
    if (row < 0 || row >= count()) return {};
    beginRemoveRows({}, row, row);
    const int index = toIndex(row);
    TransferLine removed = std::move(m_all[size_t(index)]);
    eraseLine(size_t(index));
    if (m_filter != FilterField::None) {
        m_shown.erase(m_shown.begin() + row);
        for (size_t k = size_t(row); k < m_shown.size(); ++k)
            --m_shown[k];
    }
    endRemoveRows();
    return removed;
}

void WorkingList::eraseLine(size_t index)
{
    // A line is a QString and plain numbers, both relocatable: the lines after it move
    // down as bytes, which keeps deleting one line of a million lines quick.
    static_assert(QTypeInfo<QString>::isRelocatable);
    TransferLine *at = m_all.data() + index;
    at->~TransferLine();
    std::memmove(static_cast<void *>(at), static_cast<const void *>(at + 1),
                 (m_all.size() - index - 1) * sizeof(TransferLine));
    new (m_all.data() + m_all.size() - 1) TransferLine();
    m_all.pop_back();
}

std::vector<int> WorkingList::shownIndices() const
{
    if (m_filter != FilterField::None) return m_shown;
    std::vector<int> all(m_all.size());
    for (size_t i = 0; i < all.size(); ++i)
        all[i] = int(i);
    return all;
}

std::vector<TransferLine> WorkingList::takeLines(const std::vector<int> &indices)
{
    beginResetModel();
    m_hiddenUnchanged = false;
    std::vector<TransferLine> taken;
    if (indices.size() == m_all.size()) {
        taken.swap(m_all);
        m_shown.clear();
    } else {
        taken.reserve(indices.size());
        std::vector<int> shown;
        size_t next = 0;      // in indices
        size_t nextShown = 0; // in m_shown
        size_t kept = 0;
        for (size_t i = 0; i < m_all.size(); ++i) {
            const bool isShown = nextShown < m_shown.size() && m_shown[nextShown] == int(i);
            if (isShown) ++nextShown;
            if (next < indices.size() && indices[next] == int(i)) {
                taken.push_back(std::move(m_all[i]));
                ++next;
                continue;
            }
            if (isShown) shown.push_back(int(kept));
            if (kept != i) m_all[kept] = std::move(m_all[i]);
            ++kept;
        }
        m_all.resize(kept);
        m_shown = std::move(shown);
    }
    endResetModel();
    return taken;
}

void WorkingList::insertLines(const std::vector<int> &indices, std::vector<TransferLine> lines)
{
    beginResetModel();
    m_hiddenUnchanged = false;
    if (m_all.empty()) {
        m_all = std::move(lines);
        m_shown = indices;
    } else {
        // Filled from the end, each line moving once to its final place.
        const size_t total = m_all.size() + lines.size();
        size_t from = m_all.size();
        size_t next = lines.size();
        size_t nextShown = m_shown.size();
        std::vector<int> shown;
        m_all.resize(total);
        for (size_t at = total; at-- > 0;) {
            if (next > 0 && indices[next - 1] == int(at)) {
                m_all[at] = std::move(lines[--next]);
                shown.push_back(int(at));
                continue;
            }
            --from;
            if (nextShown > 0 && m_shown[nextShown - 1] == int(from)) {
                --nextShown;
                shown.push_back(int(at));
            }
            if (at != from) m_all[at] = std::move(m_all[from]);
        }
        std::reverse(shown.begin(), shown.end());
        m_shown = std::move(shown);
    }
    if (m_filter == FilterField::None) m_shown.clear();
    endResetModel();
}

namespace
{

// The changed lines join the shown ones under a filter, matching it or not; both sorted.
void showAlso(std::vector<int> &shown, const std::vector<int> &indices)
{
    std::vector<int> both;
    both.reserve(shown.size() + indices.size());
    std::set_union(shown.begin(), shown.end(), indices.begin(), indices.end(),
                   std::back_inserter(both));
    shown = std::move(both);
}

} // namespace

void WorkingList::swapLines(const std::vector<int> &indices, std::vector<TransferLine> &lines)
{
    beginResetModel();
    m_hiddenUnchanged = false;
    for (size_t k = 0; k < indices.size(); ++k)
        std::swap(m_all[size_t(indices[k])], lines[k]);
    if (m_filter != FilterField::None) showAlso(m_shown, indices);
    endResetModel();
}

void WorkingList::linesChangedInPlace(const std::vector<int> &indices)
{
    beginResetModel();
    m_hiddenUnchanged = false;
    if (m_filter != FilterField::None) showAlso(m_shown, indices);
    endResetModel();
}

TransferLine WorkingList::replaceLine(int row, TransferLine line)
{
    if (row < 0 || row >= count()) return {};
    std::swap(m_all[size_t(toIndex(row))], line);
    emit dataChanged(index(row, 0), index(row, 7));
    return line;
}

void WorkingList::allLinesChanged()
{
    if (count() > 0) emit dataChanged(index(0, 0), index(count() - 1, 7));
}

void WorkingList::setFilter(FilterField field, const QString &text, const NameTable &names)
{
    beginResetModel();
    QString target = foldedText(text);
    // Every line the new text matches also matches the old one, so it is among those shown.
    const bool narrowing =
        m_hiddenUnchanged && m_filter == field && !m_target.isEmpty() && target.contains(m_target);
    m_target = std::move(target);
    m_filter = m_target.isEmpty() ? FilterField::None : field;
    applyFilter(narrowing, names);
    endResetModel();
}

bool WorkingList::matches(const TransferLine &line, int sub, const NameTable &names)
{
    const int id = line.figures.nameId;
    if (sub != TransferLine::Name || id < 0 || id >= names.count)
        return containsFolded(line.subItemView(sub), m_target);
    // The names are trimmed as the filter trims the field: one answer per name.
    qint8 &known = m_nameMatch[size_t(id)];
    if (known < 0) known = containsFolded(names.text(id), m_target) ? 1 : 0;
    return known != 0;
}

void WorkingList::applyFilter(bool narrowing, const NameTable &names)
{
    m_hiddenUnchanged = true;
    if (m_filter == FilterField::None) {
        m_shown.clear();
        m_shown.shrink_to_fit();
        return;
    }
    const int sub = m_filter == FilterField::Account ? TransferLine::Account : TransferLine::Name;
    const bool byName = sub == TransferLine::Name && names.count > 0 && names.text;
    if (byName) m_nameMatch.assign(size_t(names.count), qint8(-1));
    const NameTable none;
    const NameTable &table = byName ? names : none;
    if (narrowing) {
        // Only the lines shown can still match: they are kept in place, in order.
        size_t kept = 0;
        for (const int i : m_shown)
            if (matches(m_all[size_t(i)], sub, table)) m_shown[kept++] = i;
        m_shown.resize(kept);
        return;
    }
    m_shown.clear();
    const size_t n = m_all.size();
    if (byName) {
        for (size_t i = 0; i < n; ++i)
            if (matches(m_all[i], sub, table)) m_shown.push_back(int(i));
        return;
    }
    auto scan = [this, sub](size_t from, size_t to, std::vector<int> &out) {
        for (size_t i = from; i < to; ++i)
            if (containsFolded(m_all[i].subItemView(sub), m_target)) out.push_back(int(i));
    };
    // A long list is scanned in two halves at once: a keystroke stays quick on a million lines.
    if (n < 200000) {
        scan(0, n, m_shown);
        return;
    }
    std::vector<int> second;
    std::thread other([&] { scan(n / 2, n, second); });
    scan(0, n / 2, m_shown);
    other.join();
    m_shown.insert(m_shown.end(), second.begin(), second.end());
}

QColor WorkingList::background(const TransferLine &line)
{
    switch (line.figures.status) {
    case TransferLine::KeyStatus::Rip:
        return LightGreen;
    case TransferLine::KeyStatus::Ccp:
        return Yellow;
    default:
        return Red;
    }
}

QColor WorkingList::foreground(const TransferLine &line, int column)
{
    switch (line.figures.status) {
    case TransferLine::KeyStatus::Rip:
        return QGuiApplication::palette().color(QPalette::Active, QPalette::WindowText);
    case TransferLine::KeyStatus::Ccp:
        return QColor(); // the table's own text colour
    default:
        return column == 0 ? QColor(255, 255, 255) : QColor(0, 0, 0);
    }
}

int WorkingList::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

int WorkingList::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant WorkingList::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= count()) return {};
    const TransferLine &l = line(index.row());
    const int col = index.column();
    switch (role) {
    case Qt::DisplayRole:
        return col == 0 ? l.caption() : l.subItem(col - 1);
    case Qt::ToolTipRole:
        // A name cut short by a narrow column shows whole under the pointer.
        return col == NameColumn ? QVariant(l.subItem(col - 1)) : QVariant();
    case Qt::BackgroundRole:
        return background(l);
    case Qt::ForegroundRole: {
        const QColor c = foreground(l, col);
        return c.isValid() ? QVariant(c) : QVariant();
    }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Columns[col].align | Qt::AlignVCenter);
    default:
        return {};
    }
}

QVariant WorkingList::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < ColumnCount)
        return columnCaption(section);
    if (orientation == Qt::Horizontal && role == Qt::TextAlignmentRole && section >= 0 &&
        section < ColumnCount)
        return QVariant::fromValue(Columns[section].align | Qt::AlignVCenter);
    return QAbstractTableModel::headerData(section, orientation, role);
}

QString WorkingList::columnCaption(int column)
{
    return QString::fromLatin1(Columns[column].caption);
}
int WorkingList::columnWidth(int column)
{
    return Columns[column].width;
}
