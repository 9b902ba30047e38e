#pragma once

#include "TextDictionary.h"
#include "compare/ListComparison.h"
#include "keys/LineCheck.h"
#include "keys/Statistics.h"
#include "model/WorkingList.h"
#include "reports/PreparedReport.h"

#include <QDateTime>
#include <QObject>
#include <QUndoStack>
#include <functional>
#include <vector>

class Folders;

// The figures of the shown lines.
struct ListFigures {
    int shown = 0;
    int all = 0;
    int rip = 0;   // lines whose key is their account's RIP key
    int ccp = 0;   // lines whose key is their account's CCP key (and not the RIP key)
    int wrong = 0; // lines whose key is neither, or whose account has no keys
    long long netCents = 0;
    long long yieldCents = 0;
    int unreadableAmounts = 0;     // amount cells that do not read (counted as nothing)
    int shortInsuranceNumbers = 0; // insurance numbers of digits shorter than twelve
    Statistics::TypeCounts types;

    // The general total: net and yield together.
    long long generalCents() const { return netCents + yieldCents; }

    bool operator==(const ListFigures &o) const = default;
};

// The panels beside the list, computed from the shown lines.
struct ListPanels {
    QStringList duplicateNames;    // "name  (n)" for every name on two or more lines
    QStringList duplicateAccounts; // "---------", then "account/key  (n)"
    QStringList contractTypes;     // "T.Contrat Doublons", then "type  (n)"

    // What the panels count, without their headings.
    int duplicateNameCount() const { return int(duplicateNames.size()); }
    int duplicateAccountCount() const { return int(duplicateAccounts.size()) - 1; }
    int contractTypeCount() const { return int(contractTypes.size()) - 1; }

    bool operator==(const ListPanels &o) const = default;
};

// The working session: the list of transfer lines, the filter, and every figure derived
// from the shown lines (key counters, totals in whole centimes, error lines and records,
// duplicate and contract-type panels). Every command is a function here; each leaves the
// figures equal to a fresh check of the shown lines and then emits changed(). A command
// that fails throws UserError and leaves the session as it stood.
class Session final : public QObject
{
    Q_OBJECT
public:
    explicit Session(QObject *parent = nullptr);

    // The list, as a model for a table view.
    WorkingList &list() { return m_list; }
    const WorkingList &list() const { return m_list; }

    const ListFigures &figures() const { return m_figures; }
    const ListPanels &panels() const { return m_panels; }

    // The shown lines in error, in table order: their rows, their error lines
    // ("Ligne: ..." with the line's number in the whole list, as the clerk finds it with
    // the filter cleared), their account/key pairs ("account/key - Error") and their error
    // records (numbered the same way).
    const std::vector<int> &wrongRows() const { return m_wrongRows; }
    QString errorLine(int i) const;
    QString wrongPairLine(int i) const;
    QStringList errorLines() const;
    // A warning for the shown lines whose insurance number is digits but shorter than
    // twelve (the first five named by their line numbers); empty when there are none.
    QString shortInsuranceWarning() const;
    std::vector<ErrorRecord> errorRecords() const;

    // --- import ---
    enum class FileKind { Text, Workbook, Unsupported };
    // Told by the extension: .txt, or .xlsx, .xls and .ods.
    static FileKind kindOf(const QString &path);
    // Why a file cannot be imported before it is even read (unsupported kind, missing), or
    // an empty text.
    static QString refusalBeforeReading(const QString &path);
    // Progress of a long read, in thousandths; returns false to stop the read.
    using Progress = std::function<bool(int permille)>;
    // Replaces the list with the file's lines and clears the filter. Throws UserError when
    // the file is missing, unsupported or unreadable, and Cancelled when progress stops it;
    // the session is then unchanged.
    int importFile(const QString &path, const Progress &progress = {});
    // Reads a file's lines as the import does, without touching any session.
    static std::vector<TransferLine> readFile(const QString &path, const Progress &progress = {});
    // The same, for reading two lists at once: a reader's message that does not name the
    // file is prefixed with it.
    static std::vector<TransferLine> readNamedFile(const QString &path,
                                                   const Progress &progress = {});
    // Replaces the list with lines read elsewhere (tests, benchmarks).
    void replaceAll(std::vector<TransferLine> lines);

    // --- key repairs, on the shown lines ---
    struct RepairResult {
        int repaired = 0;
        // Places among all lines (from 0) of the lines whose account has no keys, left as
        // they were.
        std::vector<int> leftRows;
    };
    RepairResult repairKeys(KeyKind kind);

    // Normalises the shown lines' account (10 digits, zeros in front), key (2 characters,
    // zeros in front) and name (27 characters). Returns the number of lines cleaned.
    int clean();

    // --- lines ---
    // Removes the shown line at row; false when there is none.
    bool deleteRow(int row);
    // Removes every shown line; returns how many.
    int deleteShown();
    // Appends a line (shown whatever the filter); returns its row.
    int appendLine(TransferLine line);
    // Replaces the cells of the shown line at row.
    void replaceLine(int row, TransferLine line);

    // Deletions, edits, additions, repairs and cleaning, to undo and redo. An import
    // empties it; the filter is not on it. Its clean state is the list last read or
    // written to a file.
    QUndoStack &undoStack() { return m_undoStack; }

    // The undo history keeps the latest UndoStepLimit steps and at most a budget of memory
    // (UndoByteBudget unless told); past it the oldest steps are dropped first. The latest
    // step is always kept.
    static constexpr int UndoStepLimit = 20;
    static constexpr qint64 UndoByteBudget = qint64(200) << 20;
    void setUndoBudget(qint64 bytes) { m_undoBudget = bytes; }
    // The memory the undo history's records hold, roughly.
    qint64 undoBytes() const;
    // True when there is a step to undo that is still kept.
    bool canUndo() const;
    // True when nothing more can be undone because older steps were dropped.
    bool undoDropped() const;
    // Undoes the latest kept step, or does nothing.
    void undo();
    void redo();

    // True when the lines changed since they were last read or written to a file.
    bool hasUnexportedChanges() const { return !m_undoStack.isClean(); }
    // Replaces the list with lines kept from a session that ended before they were
    // exported: they count as changes not yet exported.
    void restoreUnexported(std::vector<TransferLine> lines);

    // Recomputes every figure from the shown lines' derived figures (a full refresh).
    void refresh();

    // --- filter ---
    void setFilter(WorkingList::FilterField field, const QString &text);

    // --- exports, of the shown lines ---
    enum class ExportKind { Text, Workbook };
    // The ordering code without surrounding blanks. Throws UserError when it is blank or
    // cannot name a file.
    static QString checkedCode(const QString &code, ExportKind kind);
    // The file an export with this ordering code writes (folder created when missing).
    // Throws UserError when the code cannot name a file or the folder cannot be made.
    static QString exportPath(const Folders &folders, ExportKind kind, const QString &code,
                              const QDateTime &when = QDateTime::currentDateTime());
    struct ExportResult {
        QString path;
        int lines = 0;
        bool filtered = false;
        bool recorded = false; // kept by the export recorder (or its recording started)
        QString recordProblem; // why the recorder could not keep it; the file stands
    };
    // Writes the text file, whole or not at all. Only a file of the whole list (no line
    // hidden by a filter) marks the list as exported. code is the ordering code, for the
    // recorder.
    ExportResult exportText(const QString &path, const QString &code = {});
    // Repairs the shown lines' keys to their RIP keys (told in repair, even when the
    // writing then fails), then writes the workbook; marks the list exported as above.
    ExportResult exportWorkbook(const QString &path, RepairResult *repair = nullptr,
                                const QString &code = {});

    // What the recorder is told after an export of the whole list has been written.
    struct WrittenExport {
        ExportKind kind;
        QString path;
        QString code;
        QDateTime when;
    };
    // Called after each export of the whole list (none while a filter is in force), once
    // its file is written. Returns an empty text (recorded, or its recording started), or
    // why the export could not be recorded: that never undoes the export.
    using ExportRecorder = std::function<QString(const Session &, const WrittenExport &)>;
    void setExportRecorder(ExportRecorder recorder) { m_exportRecorder = std::move(recorder); }

    // --- reports ---
    // Repairs the shown lines' keys to their RIP keys, then prepares the nominative list
    // of the shown lines. selectedRow answers the line variables (-1: none). Pages are laid
    // out when first asked for: the session must not change while the report is in use.
    PreparedReport listReport(const QString &place, int selectedRow = -1,
                              const QDateTime &start = {}, RepairResult *repair = nullptr);
    // Prepares the report of the shown lines in error.
    PreparedReport errorReport(const QDateTime &start = {}) const;

    // --- comparison ---
    // Compares every line of the list, hidden ones included, with the previous month's
    // list read from oldPath. The session is not changed. Throws UserError when the file
    // cannot be read or a Net does not read.
    ListComparison compareWith(const QString &oldPath,
                               int thresholdHundredths = ListComparison::DefaultThreshold,
                               const Progress &progress = {}) const;

    // The same with a previous list given as lines (an archived export), named oldName.
    ListComparison
    compareWithLines(std::vector<TransferLine> previous, const QString &oldName,
                     int thresholdHundredths = ListComparison::DefaultThreshold) const;

    // --- changes by hand since the import ---
    // True when commands since the list was imported (or opened) are in force.
    bool changedSinceImport() const { return m_undoStack.index() > 0; }
    // Every line as it stood when the list was imported: the list with the recorded
    // changes in force taken back.
    std::vector<TransferLine> linesAsImported() const;
    // The list as imported compared with the list as it stands: accounts, names and amounts
    // changed (any change), lines added or removed.
    ListComparison changesSinceImport() const;
    // False when the oldest changes were dropped from the undo history (its memory is
    // bounded): the list as imported can then no longer be rebuilt.
    bool changesSinceImportKnown() const;

signals:
    // The lines, the filter or the figures changed.
    void changed();
    // The lines themselves changed (a command, an undo or a redo, an import).
    void linesChanged();

private:
    struct Dictionaries {
        TextDictionary names, types;
        PairDictionary pairs;
    };
    static void deriveFigures(TransferLine &line);
    static void deriveIds(TransferLine &line, Dictionaries &dictionaries);
    static void deriveNameAndType(TransferLine &line, TextDictionary &names, TextDictionary &types);
    static void derivePair(TransferLine &line, PairDictionary &pairs);
    static void derive(TransferLine &line, Dictionaries &dictionaries);
    // What depends on the key alone, after only the key cell changed: its status and the
    // account/key pair.
    static void deriveKey(TransferLine &line, PairDictionary &pairs);
    void add(const TransferLine &line, int sign);
    // A change of the list by positions among all lines, recorded for undo and redo.
    struct LineChange {
        enum class Kind { Removal, Insertion, Replacement, Cells };
        LineChange(Kind k = Kind::Replacement, std::vector<int> i = {},
                   std::vector<TransferLine> l = {})
            : kind(k), indices(std::move(i)), lines(std::move(l))
        {
        }
        Kind kind = Kind::Replacement;
        std::vector<int> indices; // ascending, where the lines stand while in the list
        // Removals and insertions: the lines while out of the list. Replacements: the
        // version of each line that is not in the list. Cells: the lines recorded whole.
        std::vector<TransferLine> lines;
        // Cells (repairs, cleaning), per index: the sub-items changed, one bit each (none:
        // the line is recorded whole), and the texts those cells hold while not in the list,
        // one after another, each ending at its textEnds entry.
        std::vector<quint8> cells;
        QString oldTexts;
        std::vector<quint32> textEnds;
    };
    class Edit;
    // Records a change just made, then drops the oldest steps past the budget.
    void pushEdit(const QString &text, LineChange change);
    // Undoes or redoes a change: moves its lines in or out, or exchanges them or their cells.
    void apply(LineChange &change);
    void swapCells(LineChange &change);
    // Adds a line changed in place to a Cells change: only the cells that differ.
    static void recordCells(LineChange &change, int index, const TransferLine &before,
                            const TransferLine &after);
    static qint64 lineBytes(const TransferLine &line);
    static qint64 changeBytes(const LineChange &change);
    void keepUndoWithinBudget();
    void recount();
    void publish();
    void markExported();
    void recordExport(ExportResult &result, ExportKind kind, const QString &code);
    // What an export that wrote its file did: marks the list exported when it was whole,
    // hands it to the recorder, and says what was written.
    ExportResult exported(const QString &path, ExportKind kind, const QString &code);

    WorkingList m_list;
    QUndoStack m_undoStack;
    qint64 m_undoBudget = UndoByteBudget;
    bool m_undoDropped = false; // a step was dropped since the last import
    Dictionaries m_dictionaries;
    std::vector<int> m_nameCount, m_pairCount, m_typeCount; // over the shown lines
    std::vector<int> m_wrongRows;
    ListFigures m_figures;
    ListPanels m_panels;
    ExportRecorder m_exportRecorder;
};
