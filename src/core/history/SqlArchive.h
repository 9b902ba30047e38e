#pragma once

#include "ArchiveBlocks.h"
#include "HistoryArchive.h"

#include <QSqlDatabase>
#include <functional>

class QSqlQuery;

// The payment history in a Qt SQL database: an SQLite file (the default, one workstation)
// or a PostgreSQL server (several workstations sharing one archive). Both hold the same
// schema, brought to the current version by forward migrations when the archive is opened.
class SqlArchive final : public HistoryArchive
{
public:
    // The schema this program writes.
    static constexpr int SchemaVersion = 1;

    // Opens (creating when missing) the SQLite archive at path. A file that is not a sound
    // SQLite database is set aside under a new name and reported (UserError); it is never
    // written over.
    static std::unique_ptr<SqlArchive> openSqlite(const QString &path);
    // Connects to PostgreSQL with a libpq connection string ("host=... dbname=...") or a
    // service ("service=name"); the password comes from ~/.pgpass.
    static std::unique_ptr<SqlArchive> openPostgres(const QString &connection);

    ~SqlArchive() override;
    SqlArchive(const SqlArchive &) = delete;
    SqlArchive &operator=(const SqlArchive &) = delete;

    using HistoryArchive::record;
    int64_t record(const ArchivedExport &exported, size_t count, const LineSource &line,
                   const PendingText &fileSha256) override;
    std::vector<ArchivedExport> exports() override;
    std::optional<ArchivedExport> exportById(int64_t id) override;
    std::vector<ArchivedLine> lines(int64_t exportId) override;
    std::vector<PersonPayment> findPerson(PersonField field, const QString &text) override;
    std::vector<PersonPayment> personYear(const QString &insurance, int year) override;
    QString location() const override { return m_location; }

    // The schema version the archive holds.
    int schemaVersion();
    // Runs just before a recording commits (tests: a failure or a crash at that moment).
    void setBeforeCommit(std::function<void()> hook) { m_beforeCommit = std::move(hook); }

private:
    enum class Backend { Sqlite, Postgres };
    SqlArchive(Backend backend, QString location);
    void migrate();
    void begin();
    void commit();
    void rollback();
    QSqlQuery prepared(const QString &sql);
    void exec(QSqlQuery &query);
    void execText(const QString &sql);
    // Throws the message for a failed statement; an SQLite file found damaged is set aside.
    [[noreturn]] void fail(const QString &message, const QString &error, int nativeCode);
    void insertLines(int64_t exportId, size_t count, const LineSource &line);
    // The positions of the lines whose key is key, in every export.
    std::vector<std::pair<int64_t, uint32_t>> withKey(ArchiveBlocks::Key kind,
                                                      const QByteArray &key);
    // The lines found (export, position), those of the exports keep accepts, in export order
    // (newest or oldest first) then in their order in the file.
    using ExportFilter = std::function<bool(const ArchivedExport &)>;
    std::vector<PersonPayment> payments(std::vector<std::pair<int64_t, uint32_t>> found,
                                        bool newestFirst, const ExportFilter &keep = {});
    QByteArray lineBlockBytes(int64_t exportId, int blockNo);
    [[noreturn]] void damaged(int64_t exportId);

    Backend m_backend;
    QString m_location; // file path or connection string
    QString m_connectionName;
    QSqlDatabase m_db;
    std::function<void()> m_beforeCommit;
};
