#include "Session.h"
#include "model/TranslatedText.h"

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

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <thread>
#include <utility>

namespace
{

// What undo and redo name, after "Annuler" or "Rétablir".
namespace EditTexts
{
constexpr TranslatedText DeleteLine{"Session",
                                    QT_TRANSLATE_NOOP("Session", "la suppression d’une ligne")};
constexpr TranslatedText DeleteLines{"Session",
                                     QT_TRANSLATE_NOOP("Session", "la suppression de %1 lignes")};
constexpr TranslatedText AddLine{"Session", QT_TRANSLATE_NOOP("Session", "l’ajout d’une ligne")};
constexpr TranslatedText EditLine{"Session",
                                  QT_TRANSLATE_NOOP("Session", "la modification d’une ligne")};
constexpr TranslatedText RepairRip{"Session",
                                   QT_TRANSLATE_NOOP("Session", "la correction des RIP")};
constexpr TranslatedText RepairCcp{"Session",
                                   QT_TRANSLATE_NOOP("Session", "la correction des CLE")};
constexpr TranslatedText Clean{"Session", QT_TRANSLATE_NOOP("Session", "le nettoyage des données")};
} // namespace EditTexts

} // namespace

// One recorded change on the undo stack. Pushed once the session has made the change, so
// its first redo does nothing.
class Session::Edit final : public QUndoCommand
{
public:
    Edit(Session &session, const QString &text, LineChange change)
        : QUndoCommand(text), m_session(session), m_change(std::move(change))
    {
    }
    void undo() override
    {
        if (!m_forgotten) m_session.apply(m_change);
    }
    const LineChange &change() const { return m_change; }
    void redo() override
    {
        if (m_done)
            m_done = false;
        else if (!m_forgotten)
            m_session.apply(m_change);
    }

    // The memory its record holds, roughly.
    qint64 bytes() const { return m_forgotten ? 0 : Session::changeBytes(m_change); }
    bool forgotten() const { return m_forgotten; }
    // Frees the record: the step can no longer be undone.
    void forget()
    {
        m_forgotten = true;
        m_change = LineChange();
    }

private:
    Session &m_session;
    LineChange m_change;
    bool m_done = true;
    bool m_forgotten = false;
};

Session::Session(QObject *parent) : QObject(parent)
{
    // Only the latest steps are kept; the oldest go first (see keepUndoWithinBudget()).
    m_undoStack.setUndoLimit(UndoStepLimit);
    recount();
    publish();
}

void Session::pushEdit(const QString &text, LineChange change)
{
    // A step pushed on a full history drops the oldest one.
    if (m_undoStack.index() >= UndoStepLimit) m_undoDropped = true;
    m_undoStack.push(new Edit(*this, text, std::move(change)));
    keepUndoWithinBudget();
    emit linesChanged();
}

qint64 Session::lineBytes(const TransferLine &line)
{
    qint64 chars = line.captionView().size();
    for (int k = 0; k < line.subItemCount(); ++k)
        chars += line.subItemView(k).size();
    return qint64(sizeof(TransferLine)) + 32 + 2 * chars;
}

qint64 Session::changeBytes(const LineChange &change)
{
    qint64 bytes = qint64(sizeof(LineChange)) + qint64(change.indices.size() * sizeof(int)) +
                   qint64(change.cells.size()) + 2 * change.oldTexts.size() +
                   qint64(change.textEnds.size() * sizeof(quint32));
    for (const TransferLine &line : change.lines)
        bytes += lineBytes(line);
    return bytes;
}

qint64 Session::undoBytes() const
{
    qint64 total = 0;
    for (int i = 0; i < m_undoStack.count(); ++i)
        total += static_cast<const Edit *>(m_undoStack.command(i))->bytes();
    return total;
}

void Session::keepUndoWithinBudget()
{
    qint64 total = undoBytes();
    // Oldest first; the latest step is always kept, so that what was just done can be undone.
    for (int i = 0; i < m_undoStack.count() - 1 && total > m_undoBudget; ++i) {
        auto *edit = const_cast<Edit *>(static_cast<const Edit *>(m_undoStack.command(i)));
        if (edit->forgotten()) continue;
        total -= edit->bytes();
        edit->forget();
        m_undoDropped = true;
    }
}

bool Session::canUndo() const
{
    const int i = m_undoStack.index();
    return i > 0 && !static_cast<const Edit *>(m_undoStack.command(i - 1))->forgotten();
}

bool Session::undoDropped() const
{
    return !canUndo() && m_undoDropped;
}

void Session::undo()
{
    if (canUndo()) m_undoStack.undo();
}

void Session::redo()
{
    m_undoStack.redo();
}

void Session::apply(LineChange &change)
{
    if (change.kind == LineChange::Kind::Cells)
        swapCells(change);
    else if (change.kind == LineChange::Kind::Replacement)
        m_list.swapLines(change.indices, change.lines);
    else if (change.lines.empty())
        change.lines = m_list.takeLines(change.indices);
    else
        m_list.insertLines(change.indices, std::exchange(change.lines, {}));
    recount();
    publish();
    emit linesChanged();
}

void Session::swapCells(LineChange &change)
{
    // Each line takes back the recorded texts of its changed cells, in place, and the record
    // takes the texts it held; the lines recorded whole (cells 0) are exchanged whole.
    QString texts;
    texts.reserve(change.oldTexts.size());
    std::vector<quint32> ends;
    ends.reserve(change.textEnds.size());
    std::vector<int> wholeIndices;
    size_t text = 0;
    quint32 from = 0;
    for (size_t k = 0; k < change.indices.size(); ++k) {
        if (change.cells[k] == 0) {
            wholeIndices.push_back(change.indices[k]);
            continue;
        }
        TransferLine &line = m_list.lineOfAllToChange(change.indices[k]);
        for (int cell = 0; cell < TransferLine::MaxSubItems; ++cell) {
            if (!(change.cells[k] & (1u << cell))) continue;
            const quint32 to = change.textEnds[text++];
            texts += line.subItemView(cell);
            ends.push_back(quint32(texts.size()));
            line.setSubItem(cell, QStringView(change.oldTexts).mid(from, to - from));
            from = to;
        }
        if (change.cells[k] == 1u << TransferLine::Key)
            deriveKey(line, m_dictionaries.pairs);
        else
            derive(line, m_dictionaries);
    }
    // The whole lines go back to the record in exchange for the ones in the list.
    if (!wholeIndices.empty()) m_list.swapLines(wholeIndices, change.lines);
    m_list.linesChangedInPlace(change.indices);
    change.oldTexts = std::move(texts);
    change.textEnds = std::move(ends);
}

void Session::recordCells(LineChange &change, int index, const TransferLine &before,
                          const TransferLine &after)
{
    change.indices.push_back(index);
    // A line short of sub-items would come back longer from its cells alone: kept whole.
    if (before.subItemCount() < TransferLine::MaxSubItems ||
        before.captionView() != after.captionView()) {
        change.cells.push_back(0);
        change.lines.push_back(before);
        return;
    }
    quint8 cells = 0;
    for (int cell = 0; cell < TransferLine::MaxSubItems; ++cell) {
        if (before.subItemView(cell) == after.subItemView(cell)) continue;
        cells |= quint8(1u << cell);
        change.oldTexts += before.subItemView(cell);
        change.textEnds.push_back(quint32(change.oldTexts.size()));
    }
    change.cells.push_back(cells);
}

// --- repairs and cleaning ---

Session::RepairResult Session::repairKeys(KeyKind kind)
{
    RepairResult result;
    LineChange change{LineChange::Kind::Cells, {}, {}};
    for (int row = 0; row < m_list.count(); ++row) {
        TransferLine &line = m_list.mutableLine(row);
        const QString key = repairedKey(line, kind);
        if (key.isEmpty()) {
            result.leftRows.push_back(m_list.toIndex(row));
            continue;
        }
        ++result.repaired;
        if (line.subItemView(TransferLine::Key) == key) continue;
        const int index = m_list.toIndex(row);
        if (line.subItemCount() < TransferLine::MaxSubItems) {
            TransferLine before = line;
            line.setSubItem(TransferLine::Key, key);
            derive(line, m_dictionaries);
            recordCells(change, index, before, line);
            continue;
        }
        // Only the key changes: the record holds the line's place and its old key, and of the
        // derived figures only the key's status and the account/key pair can change.
        change.indices.push_back(index);
        change.cells.push_back(quint8(1u << TransferLine::Key));
        change.oldTexts += line.subItemView(TransferLine::Key);
        change.textEnds.push_back(quint32(change.oldTexts.size()));
        line.setSubItem(TransferLine::Key, key);
        deriveKey(line, m_dictionaries.pairs);
    }
    if (change.indices.empty()) return result;
    m_list.allLinesChanged();
    recount();
    publish();
    pushEdit(kind == KeyKind::Rip ? EditTexts::RepairRip() : EditTexts::RepairCcp(),
             std::move(change));
    return result;
}

int Session::clean()
{
    const int n = m_list.count();
    LineChange change{LineChange::Kind::Cells, {}, {}};
    for (int row = 0; row < n; ++row) {
        TransferLine &line = m_list.mutableLine(row);
        TransferLine cleaned = line;
        QString account = trimBlanks(line.subItemView(TransferLine::Account)).toString();
        account = TextColumns::right(account.rightJustified(10, u'0'), 10);
        cleaned.setSubItem(TransferLine::Account, account);
        const QString name = trimBlanks(line.subItemView(TransferLine::Name)).toString();
        cleaned.setSubItem(TransferLine::Name, TextColumns::fitLeft(name, 27));
        QString key = trimBlanks(line.subItemView(TransferLine::Key)).toString();
        key = TextColumns::right(key.rightJustified(2, u'0'), 2);
        cleaned.setSubItem(TransferLine::Key, key);
        if (cleaned == line) continue;
        derive(cleaned, m_dictionaries);
        recordCells(change, m_list.toIndex(row), line, cleaned);
        line = std::move(cleaned);
    }
    if (change.indices.empty()) return n;
    m_list.allLinesChanged();
    recount();
    publish();
    pushEdit(EditTexts::Clean(), std::move(change));
    return n;
}

// --- lines ---

bool Session::deleteRow(int row)
{
    if (row < 0 || row >= m_list.count()) return false;
    const int index = m_list.toIndex(row);
    add(m_list.line(row), -1);
    TransferLine removed = m_list.removeAt(row);
    auto it = std::lower_bound(m_wrongRows.begin(), m_wrongRows.end(), row);
    if (it != m_wrongRows.end() && *it == row) it = m_wrongRows.erase(it);
    for (; it != m_wrongRows.end(); ++it)
        --*it;
    publish();
    LineChange change{LineChange::Kind::Removal, {index}, {}};
    change.lines.push_back(std::move(removed));
    pushEdit(EditTexts::DeleteLine(), std::move(change));
    return true;
}

int Session::deleteShown()
{
    const int n = m_list.count();
    if (n == 0) return 0;
    LineChange change{LineChange::Kind::Removal, m_list.shownIndices(), {}};
    change.lines = m_list.takeLines(change.indices);
    recount();
    publish();
    pushEdit(n == 1 ? EditTexts::DeleteLine() : EditTexts::DeleteLines().arg(n), std::move(change));
    return n;
}

int Session::appendLine(TransferLine line)
{
    derive(line, m_dictionaries);
    m_list.append(std::move(line));
    const int row = m_list.count() - 1;
    const TransferLine &added = m_list.line(row);
    add(added, 1);
    if (added.figures.status == TransferLine::KeyStatus::Wrong) m_wrongRows.push_back(row);
    publish();
    pushEdit(EditTexts::AddLine(),
             LineChange{LineChange::Kind::Insertion, {m_list.totalCount() - 1}, {}});
    return row;
}

void Session::replaceLine(int row, TransferLine line)
{
    if (row < 0 || row >= m_list.count()) return;
    if (line == m_list.line(row)) return;
    derive(line, m_dictionaries);
    const bool wasWrong = m_list.line(row).figures.status == TransferLine::KeyStatus::Wrong;
    const bool isWrong = line.figures.status == TransferLine::KeyStatus::Wrong;
    add(m_list.line(row), -1);
    add(line, 1);
    const int index = m_list.toIndex(row);
    TransferLine before = m_list.replaceLine(row, std::move(line));
    const auto it = std::lower_bound(m_wrongRows.begin(), m_wrongRows.end(), row);
    if (wasWrong && !isWrong)
        m_wrongRows.erase(it);
    else if (isWrong && !wasWrong)
        m_wrongRows.insert(it, row);
    publish();
    LineChange change{LineChange::Kind::Replacement, {index}, {}};
    change.lines.push_back(std::move(before));
    pushEdit(EditTexts::EditLine(), std::move(change));
}

void Session::refresh()
{
    recount();
    publish();
}

void Session::setFilter(WorkingList::FilterField field, const QString &text)
{
    const TextDictionary &names = m_dictionaries.names;
    m_list.setFilter(field, text, {names.size(), [&names](int id) { return names.text(id); }});
    recount();
    publish();
}

// --- comparison ---

ListComparison Session::compareWith(const QString &oldPath, int thresholdHundredths,
                                    const Progress &progress) const
{
    std::vector<TransferLine> previous = readNamedFile(oldPath, progress);
    std::vector<TransferLine> current;
    current.reserve(size_t(m_list.totalCount()));
    for (int i = 0; i < m_list.totalCount(); ++i)
        current.push_back(m_list.lineOfAll(i));
    return ListComparison::compare(std::move(previous), std::move(current), thresholdHundredths,
                                   QFileInfo(oldPath).fileName());
}

ListComparison Session::compareWithLines(std::vector<TransferLine> previous, const QString &oldName,
                                         int thresholdHundredths) const
{
    std::vector<TransferLine> current;
    current.reserve(size_t(m_list.totalCount()));
    for (int i = 0; i < m_list.totalCount(); ++i)
        current.push_back(m_list.lineOfAll(i));
    return ListComparison::compare(std::move(previous), std::move(current), thresholdHundredths,
                                   oldName);
}

bool Session::changesSinceImportKnown() const
{
    for (int k = 0; k < m_undoStack.index(); ++k) {
        const auto *edit = dynamic_cast<const Edit *>(m_undoStack.command(k));
        if (edit && edit->forgotten()) return false;
    }
    return true;
}

std::vector<TransferLine> Session::linesAsImported() const
{
    std::vector<TransferLine> lines;
    lines.reserve(size_t(m_list.totalCount()));
    for (int i = 0; i < m_list.totalCount(); ++i)
        lines.push_back(m_list.lineOfAll(i));
    // The changes in force, newest first, taken back on the copy as undo would.
    for (int k = m_undoStack.index() - 1; k >= 0; --k) {
        const auto *edit = dynamic_cast<const Edit *>(m_undoStack.command(k));
        if (!edit) continue;
        const LineChange &c = edit->change();
        if (c.kind == LineChange::Kind::Cells) {
            // The recorded texts of the changed cells, or whole lines, go back.
            size_t text = 0, whole = 0;
            quint32 from = 0;
            for (size_t j = 0; j < c.indices.size(); ++j) {
                TransferLine &line = lines[size_t(c.indices[j])];
                if (c.cells[j] == 0) {
                    line = c.lines[whole++];
                    continue;
                }
                for (int cell = 0; cell < TransferLine::MaxSubItems; ++cell) {
                    if (!(c.cells[j] & (1u << cell))) continue;
                    const quint32 to = c.textEnds[text++];
                    line.setSubItem(cell, QStringView(c.oldTexts).mid(from, to - from));
                    from = to;
                }
            }
        } else if (c.kind == LineChange::Kind::Replacement) {
            for (size_t j = 0; j < c.indices.size(); ++j)
                lines[size_t(c.indices[j])] = c.lines[j];
        } else if (c.lines.empty()) {
            // Lines brought in, standing at the (ascending) indices: one pass drops them.
            std::vector<TransferLine> kept;
            kept.reserve(lines.size() - c.indices.size());
            size_t j = 0;
            for (size_t i = 0; i < lines.size(); ++i) {
                if (j < c.indices.size() && size_t(c.indices[j]) == i)
                    ++j;
                else
                    kept.push_back(std::move(lines[i]));
            }
            lines = std::move(kept);
        } else {
            // Lines taken out go back so that they stand at the indices: one merging pass.
            std::vector<TransferLine> merged;
            merged.reserve(lines.size() + c.lines.size());
            size_t from = 0, j = 0;
            while (merged.size() < lines.size() + c.lines.size()) {
                if (j < c.indices.size() &&
                    (size_t(c.indices[j]) == merged.size() || from >= lines.size()))
                    merged.push_back(c.lines[j++]);
                else
                    merged.push_back(std::move(lines[from++]));
            }
            lines = std::move(merged);
        }
    }
    return lines;
}

ListComparison Session::changesSinceImport() const
{
    std::vector<TransferLine> current;
    current.reserve(size_t(m_list.totalCount()));
    for (int i = 0; i < m_list.totalCount(); ++i)
        current.push_back(m_list.lineOfAll(i));
    return ListComparison::compare(linesAsImported(), std::move(current), 0,
                                   QStringLiteral("Liste importée"),
                                   QStringLiteral("Liste à exporter"));
}

// --- reports ---

PreparedReport Session::listReport(const QString &place, int selectedRow, const QDateTime &start,
                                   RepairResult *repair)
{
    const RepairResult repaired = repairKeys(KeyKind::Rip);
    if (repair) *repair = repaired;
    ListReport::Variables v;
    v.totalNetCents = m_figures.netCents;
    v.totalYieldCents = m_figures.yieldCents;
    v.typeCounts = m_figures.types;
    v.place = place;
    if (selectedRow >= 0 && selectedRow < m_list.count()) v.selected = &m_list.line(selectedRow);
    return ListReport::prepareOnDemand(m_list, v, start);
}

PreparedReport Session::errorReport(const QDateTime &start) const
{
    return ErrorReport::prepare(errorRecords(), start);
}
