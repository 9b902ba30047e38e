#include "SqlArchive.h"

#include "ArchiveBlocks.h"
#include "HistoryTexts.h"
#include "compare/ListComparison.h"
#include "model/BasicText.h"
#include "model/UserError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <algorithm>
#include <atomic>
#include <future>
#include <map>

namespace
{

// One step of the schema: the statements that take an archive from the version before to
// this one, in each back-end's dialect.
struct Migration {
    int version;
    QStringList sqlite;
    QStringList postgres;
};

// An export's lines are kept in blocks and its search keys in buckets (see ArchiveBlocks):
// a month of a million lines is about four thousand rows. A key is looked for in the rows of
// its bucket, one per export, found through an index.
const std::vector<Migration> &migrations()
{
    static const QString exportsColumns = QStringLiteral(
        "exported_at BIGINT NOT NULL, code TEXT NOT NULL, kind TEXT NOT NULL, "
        "file_path TEXT NOT NULL, file_sha256 TEXT NOT NULL, line_count INTEGER NOT NULL, "
        "net_cents BIGINT NOT NULL, rend_cents BIGINT NOT NULL, program_version TEXT NOT NULL)");
    auto tables = [](const QString &bytes) {
        const QString exportColumn =
            QStringLiteral("export_id BIGINT NOT NULL REFERENCES exports(id) ON DELETE CASCADE, "
                           "block_no INTEGER NOT NULL, ");
        return QStringList{
            QStringLiteral("CREATE TABLE export_blocks (") + exportColumn +
                QStringLiteral("line_count INTEGER NOT NULL, lines ") + bytes +
                QStringLiteral(" NOT NULL, PRIMARY KEY (export_id, block_no))"),
            QStringLiteral("CREATE TABLE export_names (") + exportColumn +
                QStringLiteral("names ") + bytes +
                QStringLiteral(" NOT NULL, PRIMARY KEY (export_id, block_no))"),
            QStringLiteral("CREATE TABLE export_keys (export_id BIGINT NOT NULL REFERENCES "
                           "exports(id) ON DELETE CASCADE, key_kind INTEGER NOT NULL, "
                           "bucket INTEGER NOT NULL, entries ") +
                bytes + QStringLiteral(" NOT NULL, PRIMARY KEY (export_id, key_kind, bucket))"),
            QStringLiteral("CREATE INDEX exports_by_time ON exports (exported_at)"),
            QStringLiteral("CREATE INDEX keys_by_bucket ON export_keys (key_kind, bucket)"),
        };
    };
    static const std::vector<Migration> all = {
        {1,
         QStringList{QStringLiteral("CREATE TABLE exports (id INTEGER PRIMARY KEY, ") +
                     exportsColumns} +
             tables(QStringLiteral("BLOB")),
         QStringList{QStringLiteral("CREATE TABLE exports (id BIGSERIAL PRIMARY KEY, ") +
                     exportsColumns} +
             tables(QStringLiteral("BYTEA"))},
    };
    return all;
}

const QString ExportColumns =
    QStringLiteral("e.id, e.exported_at, e.code, e.kind, e.file_path, e.file_sha256, e.line_count, "
                   "e.net_cents, e.rend_cents, e.program_version");

ArchivedExport readExport(const QSqlQuery &q, int from = 0)
{
    ArchivedExport e;
    e.id = q.value(from).toLongLong();
    e.exportedAt = QDateTime::fromMSecsSinceEpoch(q.value(from + 1).toLongLong());
    e.code = q.value(from + 2).toString();
    e.kind = q.value(from + 3).toString();
    e.filePath = q.value(from + 4).toString();
    e.sha256 = q.value(from + 5).toString();
    e.lineCount = q.value(from + 6).toInt();
    e.netCents = q.value(from + 7).toLongLong();
    e.yieldCents = q.value(from + 8).toLongLong();
    e.programVersion = q.value(from + 9).toString();
    return e;
}

QString uniqueConnectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("talvoro-history-%1").arg(++counter);
}

// An SQLite file begins with this header; anything else at that path is not an archive.
bool looksLikeSqlite(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return true; // the driver tells what is wrong
    const QByteArray head = f.read(16);
    return head.isEmpty() || head == QByteArray("SQLite format 3\0", 16);
}

// Moves a damaged archive (and its journal files) aside; returns the new name.
QString setAside(const QString &path)
{
    const QString aside = path + QStringLiteral(".endommagée-") +
                          QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    if (!QFile::rename(path, aside))
        throw UserError(HistoryTexts::DamagedNotMoved().arg(QDir::toNativeSeparators(path),
                                                            QFile(path).errorString()));
    for (const char *suffix : {"-wal", "-shm"})
        if (QFile::exists(path + QLatin1String(suffix)))
            QFile::rename(path + QLatin1String(suffix), aside + QLatin1String(suffix));
    return aside;
}

} // namespace

SqlArchive::SqlArchive(Backend backend, QString location)
    : m_backend(backend), m_location(std::move(location)), m_connectionName(uniqueConnectionName())
{
}

SqlArchive::~SqlArchive()
{
    if (m_db.isValid()) m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connectionName);
}

std::unique_ptr<SqlArchive> SqlArchive::openSqlite(const QString &path)
{
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
        throw UserError(HistoryTexts::NoDriver().arg(QStringLiteral("QSQLITE")));
    const QString shown = QDir::toNativeSeparators(path);
    if (!looksLikeSqlite(path)) {
        const QString aside = setAside(path);
        throw UserError(HistoryTexts::Damaged().arg(shown, QDir::toNativeSeparators(aside)));
    }
    std::unique_ptr<SqlArchive> a(new SqlArchive(Backend::Sqlite, path));
    a->m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), a->m_connectionName);
    a->m_db.setDatabaseName(path);
    // Another program (or workstation on a shared folder) may hold the file a moment.
    a->m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
    if (!a->m_db.open())
        throw UserError(HistoryTexts::CannotOpen().arg(shown, a->m_db.lastError().text()));
    // The journal mode is kept in the file; foreign keys are per connection.
    a->execText(QStringLiteral("PRAGMA journal_mode=WAL"));
    a->execText(QStringLiteral("PRAGMA foreign_keys=ON"));
    // Room for the pages a month's recording touches, so that none is written twice.
    a->execText(QStringLiteral("PRAGMA cache_size=-65536"));
    a->migrate();
    return a;
}

std::unique_ptr<SqlArchive> SqlArchive::openPostgres(const QString &connection)
{
    static const QRegularExpression password(QStringLiteral("(^|[\\s;])password\\s*="),
                                             QRegularExpression::CaseInsensitiveOption);
    if (password.match(connection).hasMatch()) throw UserError(HistoryTexts::PasswordInSettings());
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        throw UserError(HistoryTexts::NoDriver().arg(QStringLiteral("QPSQL")));
    std::unique_ptr<SqlArchive> a(new SqlArchive(Backend::Postgres, connection));
    a->m_db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), a->m_connectionName);
    // The whole connection string goes to libpq as it is: service files and ~/.pgpass apply.
    a->m_db.setConnectOptions(connection);
    if (!a->m_db.open())
        throw UserError(HistoryTexts::CannotOpen().arg(connection, a->m_db.lastError().text()));
    a->execText(QStringLiteral("SET client_min_messages TO WARNING"));
    a->migrate();
    return a;
}

void SqlArchive::fail(const QString &message, const QString &error, int nativeCode)
{
    // A damaged SQLite file (SQLITE_CORRUPT, SQLITE_NOTADB) is set aside, never written to again.
    if (m_backend == Backend::Sqlite && ((nativeCode & 0xff) == 11 || (nativeCode & 0xff) == 26)) {
        m_db.close();
        const QString aside = setAside(m_location);
        throw UserError(HistoryTexts::Damaged().arg(QDir::toNativeSeparators(m_location),
                                                    QDir::toNativeSeparators(aside)));
    }
    throw UserError(message.arg(QDir::toNativeSeparators(m_location), error));
}

void SqlArchive::exec(QSqlQuery &query)
{
    if (!query.exec()) {
        const QSqlError e = query.lastError();
        fail(HistoryTexts::CannotRead(), e.text(), e.nativeErrorCode().toInt());
    }
}

void SqlArchive::execText(const QString &sql)
{
    QSqlQuery q(m_db);
    if (!q.exec(sql)) {
        const QSqlError e = q.lastError();
        fail(HistoryTexts::CannotRead(), e.text(), e.nativeErrorCode().toInt());
    }
}

QSqlQuery SqlArchive::prepared(const QString &sql)
{
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.prepare(sql)) {
        const QSqlError e = q.lastError();
        fail(HistoryTexts::CannotRead(), e.text(), e.nativeErrorCode().toInt());
    }
    return q;
}

void SqlArchive::begin()
{
    // SQLite: take the write lock at once, so that two writers never deadlock on an upgrade.
    if (m_backend == Backend::Sqlite)
        execText(QStringLiteral("BEGIN IMMEDIATE"));
    else
        execText(QStringLiteral("BEGIN"));
}

void SqlArchive::commit()
{
    execText(QStringLiteral("COMMIT"));
}

void SqlArchive::rollback()
{
    QSqlQuery q(m_db);
    q.exec(QStringLiteral("ROLLBACK"));
}

void SqlArchive::migrate()
{
    begin();
    try {
        // Workstations opening a new server at once take turns here.
        if (m_backend == Backend::Postgres)
            execText(QStringLiteral("SELECT pg_advisory_xact_lock(28028028)"));
        execText(
            QStringLiteral("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)"));
        const int current = schemaVersion();
        if (current > SchemaVersion)
            throw UserError(
                HistoryTexts::Newer().arg(QDir::toNativeSeparators(m_location)).arg(current));
        for (const Migration &m : migrations()) {
            if (m.version <= current) continue;
            for (const QString &sql : m_backend == Backend::Sqlite ? m.sqlite : m.postgres)
                execText(sql);
            QSqlQuery q =
                prepared(QStringLiteral("INSERT INTO schema_version (version) VALUES (?)"));
            q.addBindValue(m.version);
            exec(q);
        }
        commit();
    } catch (...) {
        rollback();
        throw;
    }
}

int SqlArchive::schemaVersion()
{
    QSqlQuery q = prepared(QStringLiteral("SELECT MAX(version) FROM schema_version"));
    exec(q);
    return q.next() ? q.value(0).toInt() : 0;
}

int64_t SqlArchive::record(const ArchivedExport &exported, size_t count, const LineSource &line,
                           const PendingText &fileSha256)
{
    begin();
    try {
        QSqlQuery q = prepared(QStringLiteral(
            "INSERT INTO exports (exported_at, code, kind, file_path, file_sha256, line_count, "
            "net_cents, rend_cents, program_version) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?) "
            "RETURNING id"));
        q.addBindValue(qlonglong(exported.exportedAt.toMSecsSinceEpoch()));
        q.addBindValue(exported.code);
        q.addBindValue(exported.kind);
        q.addBindValue(exported.filePath);
        // Never NULL (Qt binds a null text so): empty while the hash is still to come.
        q.addBindValue(exported.sha256.isNull() ? QStringLiteral("") : exported.sha256);
        q.addBindValue(exported.lineCount);
        q.addBindValue(qlonglong(exported.netCents));
        q.addBindValue(qlonglong(exported.yieldCents));
        q.addBindValue(exported.programVersion);
        exec(q);
        if (!q.next()) fail(HistoryTexts::CannotRead(), QStringLiteral("no id"), 0);
        const int64_t id = q.value(0).toLongLong();
        q.finish();
        insertLines(id, count, line);
        if (fileSha256) {
            QSqlQuery hash =
                prepared(QStringLiteral("UPDATE exports SET file_sha256 = ? WHERE id = ?"));
            hash.addBindValue(fileSha256());
            hash.addBindValue(qlonglong(id));
            exec(hash);
        }
        if (m_beforeCommit) m_beforeCommit();
        commit();
        return id;
    } catch (...) {
        rollback();
        throw;
    }
}

void SqlArchive::insertLines(int64_t exportId, size_t count, const LineSource &line)
{
    using namespace ArchiveBlocks;
    // The keys and the folded names are made on a second thread while this one packs and
    // writes the lines.
    struct Search {
        std::vector<KeyBucket> byInsurance, byAccount;
        std::vector<QByteArray> names; // one per block of lines
    };
    auto searchParts = std::async(std::launch::async, [count, &line] {
        KeyBuckets insurance, account;
        insurance.reserve(count, count * 13);
        account.reserve(count, count * 11);
        Search search;
        QString foldBuffer;
        for (size_t from = 0; from < count; from += LinesPerBlock) {
            const size_t to = std::min(count, from + LinesPerBlock);
            QByteArray folded;
            folded.reserve(qsizetype(to - from) * 32);
            for (size_t i = from; i < to; ++i) {
                const ArchivedLineView l = line(i);
                insurance.add(l.insurance.trimmed(), uint32_t(i));
                account.add(accountKeyText(l.account), uint32_t(i));
                if (foldBuffer.size() < l.name.size()) foldBuffer.resize(l.name.size());
                const qsizetype n = foldTextInto(l.name, foldBuffer.data());
                appendName(folded, QStringView(foldBuffer).first(n));
            }
            search.names.push_back(std::move(folded));
        }
        search.byInsurance = insurance.buckets();
        search.byAccount = account.buckets();
        return search;
    });
    QSqlQuery blocks = prepared(QStringLiteral(
        "INSERT INTO export_blocks (export_id, block_no, line_count, lines) VALUES (?, ?, ?, ?)"));
    int blockNo = 0;
    for (size_t from = 0; from < count; from += LinesPerBlock) {
        const int rows = int(std::min<size_t>(LinesPerBlock, count - from));
        QByteArray body;
        body.reserve(rows * 96);
        for (int r = 0; r < rows; ++r)
            appendLine(body, line(from + size_t(r)));
        blocks.bindValue(0, qlonglong(exportId));
        blocks.bindValue(1, blockNo++);
        blocks.bindValue(2, rows);
        blocks.bindValue(3, lineBlock(body, rows));
        exec(blocks);
    }
    const Search search = searchParts.get();
    QSqlQuery names = prepared(
        QStringLiteral("INSERT INTO export_names (export_id, block_no, names) VALUES (?, ?, ?)"));
    for (size_t b = 0; b < search.names.size(); ++b) {
        names.bindValue(0, qlonglong(exportId));
        names.bindValue(1, int(b));
        names.bindValue(2, search.names[b]);
        exec(names);
    }
    QSqlQuery keys = prepared(QStringLiteral(
        "INSERT INTO export_keys (export_id, key_kind, bucket, entries) VALUES (?, ?, ?, ?)"));
    for (const auto &[kind, buckets] :
         {std::pair{Key::Insurance, &search.byInsurance}, {Key::Account, &search.byAccount}}) {
        for (const KeyBucket &b : *buckets) {
            keys.bindValue(0, qlonglong(exportId));
            keys.bindValue(1, int(kind));
            keys.bindValue(2, b.bucket);
            keys.bindValue(3, b.entries);
            exec(keys);
        }
    }
}

std::vector<ArchivedExport> SqlArchive::exports()
{
    QSqlQuery q =
        prepared(QStringLiteral("SELECT ") + ExportColumns +
                 QStringLiteral(" FROM exports e ORDER BY e.exported_at DESC, e.id DESC"));
    exec(q);
    std::vector<ArchivedExport> all;
    while (q.next())
        all.push_back(readExport(q));
    return all;
}

std::optional<ArchivedExport> SqlArchive::exportById(int64_t id)
{
    QSqlQuery q = prepared(QStringLiteral("SELECT ") + ExportColumns +
                           QStringLiteral(" FROM exports e WHERE e.id = ?"));
    q.addBindValue(qlonglong(id));
    exec(q);
    if (!q.next()) return std::nullopt;
    return readExport(q);
}

QByteArray SqlArchive::lineBlockBytes(int64_t exportId, int blockNo)
{
    QSqlQuery q = prepared(
        QStringLiteral("SELECT lines FROM export_blocks WHERE export_id = ? AND block_no = ?"));
    q.addBindValue(qlonglong(exportId));
    q.addBindValue(blockNo);
    exec(q);
    if (!q.next()) damaged(exportId);
    return q.value(0).toByteArray();
}

void SqlArchive::damaged(int64_t exportId)
{
    throw UserError(HistoryTexts::CannotRead().arg(QDir::toNativeSeparators(m_location),
                                                   HistoryTexts::DamagedExport().arg(exportId)));
}

std::vector<ArchivedLine> SqlArchive::lines(int64_t exportId)
{
    QSqlQuery q = prepared(QStringLiteral(
        "SELECT block_no, lines FROM export_blocks WHERE export_id = ? ORDER BY block_no"));
    q.addBindValue(qlonglong(exportId));
    exec(q);
    std::vector<ArchivedLine> all;
    try {
        for (int expected = 0; q.next(); ++expected) {
            if (q.value(0).toInt() != expected) damaged(exportId);
            std::vector<ArchivedLine> block = ArchiveBlocks::readLines(q.value(1).toByteArray());
            std::move(block.begin(), block.end(), std::back_inserter(all));
        }
    } catch (const ArchiveBlocks::DamagedBlock &) {
        damaged(exportId);
    }
    return all;
}

std::vector<PersonPayment> SqlArchive::payments(std::vector<std::pair<int64_t, uint32_t>> found,
                                                bool newestFirst, const ExportFilter &keep)
{
    std::map<int64_t, ArchivedExport> exportsFound;
    for (const auto &[exportId, position] : found) {
        if (exportsFound.count(exportId)) continue;
        const std::optional<ArchivedExport> e = exportById(exportId);
        if (!e) damaged(exportId);
        exportsFound.emplace(exportId, *e);
    }
    std::erase_if(found, [&](const auto &f) { return keep && !keep(exportsFound[f.first]); });
    auto order = [&](const auto &a, const auto &b) {
        const ArchivedExport &x = exportsFound[a.first], &y = exportsFound[b.first];
        if (x.id != y.id) {
            const auto kx = std::pair(x.exportedAt.toMSecsSinceEpoch(), x.id);
            const auto ky = std::pair(y.exportedAt.toMSecsSinceEpoch(), y.id);
            return newestFirst ? ky < kx : kx < ky;
        }
        return a.second < b.second;
    };
    std::sort(found.begin(), found.end(), order);
    found.erase(std::unique(found.begin(), found.end()), found.end());
    std::vector<PersonPayment> payments;
    payments.reserve(found.size());
    // The hits come sorted by export and position: each block is read and walked once.
    std::pair<int64_t, int> cachedAt{0, -1};
    QByteArray cached;
    std::vector<qsizetype> starts;
    try {
        for (const auto &[exportId, position] : found) {
            const int blockNo = int(position / ArchiveBlocks::LinesPerBlock);
            if (cachedAt != std::pair(exportId, blockNo)) {
                cachedAt = {exportId, blockNo};
                cached = lineBlockBytes(exportId, blockNo);
                starts = ArchiveBlocks::lineStarts(cached);
            }
            const size_t index = position % ArchiveBlocks::LinesPerBlock;
            if (index >= starts.size()) throw ArchiveBlocks::DamagedBlock();
            payments.push_back(
                {exportsFound[exportId], ArchiveBlocks::readLineAt(cached, starts[index])});
        }
    } catch (const ArchiveBlocks::DamagedBlock &) {
        damaged(cachedAt.first);
    }
    return payments;
}

std::vector<std::pair<int64_t, uint32_t>> SqlArchive::withKey(ArchiveBlocks::Key kind,
                                                              const QByteArray &key)
{
    std::vector<std::pair<int64_t, uint32_t>> found;
    if (key.isEmpty()) return found;
    QSqlQuery q = prepared(QStringLiteral(
        "SELECT export_id, entries FROM export_keys WHERE key_kind = ? AND bucket = ?"));
    q.addBindValue(int(kind));
    q.addBindValue(int(ArchiveBlocks::bucketOf(key)));
    exec(q);
    while (q.next()) {
        const int64_t exportId = q.value(0).toLongLong();
        try {
            for (uint32_t position : ArchiveBlocks::positionsOf(q.value(1).toByteArray(), key))
                found.emplace_back(exportId, position);
        } catch (const ArchiveBlocks::DamagedBlock &) {
            damaged(exportId);
        }
    }
    return found;
}

std::vector<PersonPayment> SqlArchive::findPerson(PersonField field, const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) return {};
    switch (field) {
    case PersonField::Insurance:
        return payments(withKey(ArchiveBlocks::Key::Insurance, trimmed.toUtf8()), true);
    case PersonField::Account:
        // The list may hold an account with or without its leading zeros.
        return payments(withKey(ArchiveBlocks::Key::Account, ArchiveBlocks::accountKey(trimmed)),
                        true);
    case PersonField::Name: {
        const QByteArray needle = foldedText(trimmed).toUtf8();
        QSqlQuery q =
            prepared(QStringLiteral("SELECT export_id, block_no, names FROM export_names"));
        exec(q);
        std::vector<std::pair<int64_t, uint32_t>> found;
        while (q.next()) {
            const int64_t exportId = q.value(0).toLongLong();
            const uint32_t first = uint32_t(q.value(1).toInt()) * ArchiveBlocks::LinesPerBlock;
            for (int at : ArchiveBlocks::namesContaining(q.value(2).toByteArray(), needle))
                found.emplace_back(exportId, first + uint32_t(at));
        }
        return payments(std::move(found), true);
    }
    }
    return {};
}

std::vector<PersonPayment> SqlArchive::personYear(const QString &insurance, int year)
{
    const QDateTime from(QDate(year, 1, 1), QTime(0, 0));
    const QDateTime to(QDate(year + 1, 1, 1), QTime(0, 0));
    return payments(
        withKey(ArchiveBlocks::Key::Insurance, insurance.trimmed().toUtf8()), false,
        [&](const ArchivedExport &e) { return e.exportedAt >= from && e.exportedAt < to; });
}
