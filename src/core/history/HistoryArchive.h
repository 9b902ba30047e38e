#pragma once

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// One line of an archived export, as it stood in the list when the file was written. The
// amounts are the session's whole centimes.
struct ArchivedLine {
    QString caption;
    QString account;
    QString key;
    int64_t netCents = 0;
    int64_t yieldCents = 0;
    QString insurance;
    QString name;
    QString contractType;

    bool operator==(const ArchivedLine &o) const = default;
};

// A line to record, read where it stands (the list's cells), without a copy.
struct ArchivedLineView {
    QStringView caption, account, key;
    int64_t netCents = 0;
    int64_t yieldCents = 0;
    QStringView insurance, name, contractType;
};

// One archived export: what was written, when, and its figures.
struct ArchivedExport {
    int64_t id = 0; // given by the archive
    QDateTime exportedAt;
    QString code;     // the ordering code
    QString kind;     // "txt" or "xlsx"
    QString filePath; // the file written
    QString sha256;   // of the file written, lower-case hexadecimal
    int lineCount = 0;
    int64_t netCents = 0;
    int64_t yieldCents = 0;
    QString programVersion;

    bool operator==(const ArchivedExport &o) const = default;
};

// One archived line with the export it belongs to.
struct PersonPayment {
    ArchivedExport exported;
    ArchivedLine line;
};

// What a person search looks at.
enum class PersonField { Insurance, Account, Name };

// The payment history: every export of the whole list, with its lines. Functions that fail
// throw UserError with a message for the clerk; a recording that fails leaves nothing of
// itself behind.
class HistoryArchive
{
public:
    virtual ~HistoryArchive() = default;

    // Records one export and its count lines, line(i) giving the i-th, all or nothing.
    // line may be called from two threads at once. Returns the export's id.
    using LineSource = std::function<ArchivedLineView(size_t)>;
    // fileSha256, when given, is the hash of the file written still being worked out: it is
    // asked for once the lines are in, and stands for exported.sha256.
    using PendingText = std::function<QString()>;
    virtual int64_t record(const ArchivedExport &exported, size_t count, const LineSource &line,
                           const PendingText &fileSha256) = 0;
    int64_t record(const ArchivedExport &exported, size_t count, const LineSource &line)
    {
        return record(exported, count, line, {});
    }
    int64_t record(const ArchivedExport &exported, const std::vector<ArchivedLine> &lines)
    {
        return record(exported, lines.size(), [&lines](size_t i) {
            const ArchivedLine &l = lines[i];
            return ArchivedLineView{l.caption,    l.account,   l.key,  l.netCents,
                                    l.yieldCents, l.insurance, l.name, l.contractType};
        });
    }
    // Every export, newest first.
    virtual std::vector<ArchivedExport> exports() = 0;
    virtual std::optional<ArchivedExport> exportById(int64_t id) = 0;
    // The lines of one export, in their order in the file.
    virtual std::vector<ArchivedLine> lines(int64_t exportId) = 0;
    // Every archived line of a person, newest export first. An insurance number matches
    // whole (surrounding blanks ignored); an account matches with or without its leading
    // zeros; a name matches when it contains the text, case and accents ignored.
    virtual std::vector<PersonPayment> findPerson(PersonField field, const QString &text) = 0;
    // A person's lines (by insurance number) exported in a calendar year, oldest first.
    virtual std::vector<PersonPayment> personYear(const QString &insurance, int year) = 0;
    // Where the archive lives, for messages: a file path or a connection.
    virtual QString location() const = 0;
};
