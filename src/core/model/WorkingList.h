#pragma once

#include "TransferLine.h"

#include <QAbstractTableModel>
#include <QColor>
#include <functional>
#include <vector>

// The working list: every transfer line of the month, shown by the main window's table.
//
// A filter hides the lines that do not match; it never rebuilds or drops lines, so edits,
// additions, deletions and key repairs survive any filter change. Row numbers given to and
// returned by this class are positions among the shown lines, which are "the table's rows"
// for every command.
class WorkingList final : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum class FilterField { None, Account, Name };

    explicit WorkingList(QObject *parent = nullptr);

    // Shown lines.
    int count() const
    {
        return m_filter == FilterField::None ? int(m_all.size()) : int(m_shown.size());
    }
    const TransferLine &line(int row) const { return m_all[size_t(toIndex(row))]; }
    // All lines, hidden ones included.
    int totalCount() const { return int(m_all.size()); }
    const TransferLine &lineOfAll(int index) const { return m_all[size_t(index)]; }
    // True while a filter hides lines.
    bool filtered() const { return m_filter != FilterField::None; }
    // The line's number for the clerk: its place among all lines, from 1, which does not
    // change with the filter.
    int lineNumber(int row) const { return toIndex(row) + 1; }

    // Background and text colours of a line for a column (0 = caption), from its key status.
    static QColor background(const TransferLine &line);
    static QColor foreground(const TransferLine &line, int column);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The table's columns: the caption, then the seven cells in sub-item order.
    enum : int {
        CaptionColumn,
        AccountColumn,
        KeyColumn,
        NetColumn,
        YieldColumn,
        InsuranceColumn,
        NameColumn,
        ContractTypeColumn,
        ColumnCount
    };

    static QString columnCaption(int column);
    static int columnWidth(int column);

private:
    // Only the session changes the lines, so that it can keep their figures current.
    friend class Session;

    TransferLine &mutableLine(int row) { return m_all[size_t(toIndex(row))]; }
    // Replaces every line (an import). Clears the filter.
    void replaceAll(std::vector<TransferLine> lines);
    // Appends a line at the end; it is shown whatever the filter.
    void append(TransferLine line);
    // Replaces the shown line at row; returns the line it held.
    TransferLine replaceLine(int row, TransferLine line);
    // Removes the shown line at row and returns it.
    TransferLine removeAt(int row);
    // The positions among all lines of the shown lines, in order.
    std::vector<int> shownIndices() const;

    // Changes by position among all lines (indices ascending), as undo and redo replay
    // them. The lines they bring in are shown whatever the filter; every other line keeps
    // its place among the shown or hidden lines.
    // Removes the lines at the indices and returns them, in order.
    std::vector<TransferLine> takeLines(const std::vector<int> &indices);
    // Puts lines back so that they stand at the indices afterwards.
    void insertLines(const std::vector<int> &indices, std::vector<TransferLine> lines);
    // Exchanges the lines at the indices with the given ones.
    void swapLines(const std::vector<int> &indices, std::vector<TransferLine> &lines);
    // The line at an index, to be changed in place; linesChangedInPlace must follow.
    TransferLine &lineOfAllToChange(int index) { return m_all[size_t(index)]; }
    // The lines at the indices changed in place (undo, redo): they are shown whatever the
    // filter, as lines exchanged are.
    void linesChangedInPlace(const std::vector<int> &indices);
    // Tells the view that cells of many lines changed.
    void allLinesChanged();
    // The distinct names of the lines, by the number their figures' nameId gives each.
    struct NameTable {
        int count = 0;
        std::function<QStringView(int id)> text;
    };
    // Shows only the lines whose field, folded (case and accents of Latin letters) and trimmed,
    // contains the text lower-cased and trimmed; an empty text shows every line. A text that
    // contains the last one in the same field (a key typed) looks only at the lines shown.
    // Given the names, a name is compared once however many lines bear it.
    void setFilter(FilterField field, const QString &text, const NameTable &names);
    void setFilter(FilterField field, const QString &text) { setFilter(field, text, NameTable()); }

    void eraseLine(size_t index);
    int toIndex(int row) const
    {
        return m_filter == FilterField::None ? row : m_shown[size_t(row)];
    }
    void applyFilter(bool narrowing, const NameTable &names);
    bool matches(const TransferLine &line, int sub, const NameTable &names);

    std::vector<TransferLine> m_all;
    std::vector<int> m_shown; // indices into m_all while a filter is in force
    FilterField m_filter = FilterField::None;
    QString m_target;
    // False once a change may have touched hidden lines (undo, redo): the next filter then
    // looks at every line again.
    bool m_hiddenUnchanged = false;
    std::vector<qint8> m_nameMatch; // per name number: -1 not yet compared, 0 no, 1 yes
};
