#include "SqlArchive.h"

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
#include <atomic>
#include <sqlite3.h>

namespace
{

// One step of the schema: the statements that take an archive from the version before to
// this one, in each back-end's dialect.
struct Migration {
    int version;
    QStringList sqlite;
    QStringList postgres;
};

// Lines are kept without a row id of their own in SQLite (their key is the export and the
// position), and amounts are whole centimes. Account and insurance number are indexed
// within each export: a new export's keys all land after every other's, so recording a
// month never rewrites the pages of earlier months, and a person is found by one look-up
// per export. The name is searched through its folded form.
const std::vector<Migration> &migrations()
{
    static const QString exportsColumns = QStringLiteral(
        "exported_at BIGINT NOT NULL, code TEXT NOT NULL, kind TEXT NOT NULL, "
        "file_path TEXT NOT NULL, file_sha256 TEXT NOT NULL, line_count INTEGER NOT NULL, "
        "net_cents BIGINT NOT NULL, rend_cents BIGINT NOT NULL, program_version TEXT NOT NULL)");
    static const QString linesColumns =
        QStringLiteral("(export_id BIGINT NOT NULL REFERENCES exports(id) ON DELETE CASCADE, "
                       "position INTEGER NOT NULL, caption TEXT NOT NULL, account TEXT NOT NULL, "
                       "cle TEXT NOT NULL, net_cents BIGINT NOT NULL, rend_cents BIGINT NOT NULL, "
                       "insurance TEXT NOT NULL, name TEXT NOT NULL, name_folded TEXT NOT NULL, "
                       "contract_type TEXT NOT NULL, PRIMARY KEY (export_id, position))");
    static const QStringList indexes = {
        QStringLiteral("CREATE INDEX exports_by_time ON exports (exported_at)"),
        QStringLiteral("CREATE INDEX lines_by_insurance ON export_lines (export_id, insurance)"),
        QStringLiteral("CREATE INDEX lines_by_account ON export_lines (export_id, account)"),
    };
    static const std::vector<Migration> all = {
        {1,
         QStringList{QStringLiteral("CREATE TABLE exports (id INTEGER PRIMARY KEY, ") +
                         exportsColumns,
                     QStringLiteral("CREATE TABLE export_lines ") + linesColumns +
                         QStringLiteral(" WITHOUT ROWID")} +
             indexes,
         QStringList{QStringLiteral("CREATE TABLE exports (id BIGSERIAL PRIMARY KEY, ") +
                         exportsColumns,
                     QStringLiteral("CREATE TABLE export_lines ") + linesColumns} +
             indexes},
    };
    return all;
}

// Lines go in by statements of this many rows: one round trip per batch on a server.
constexpr int LinesPerInsert = 200;
constexpr int LineColumns = 11;

const QString ExportColumns =
    QStringLiteral("e.id, e.exported_at, e.code, e.kind, e.file_path, e.file_sha256, e.line_count, "
                   "e.net_cents, e.rend_cents, e.program_version");
const QString LineColumnsText = QStringLiteral(
    "l.caption, l.account, l.cle, l.net_cents, l.rend_cents, l.insurance, l.name, l.contract_type");

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
    e.rendCents = q.value(from + 8).toLongLong();
    e.programVersion = q.value(from + 9).toString();
    return e;
}

ArchivedLine readLine(const QSqlQuery &q, int from = 0)
{
    ArchivedLine l;
    l.caption = q.value(from).toString();
    l.account = q.value(from + 1).toString();
    l.key = q.value(from + 2).toString();
    l.netCents = q.value(from + 3).toLongLong();
    l.rendCents = q.value(from + 4).toLongLong();
    l.insurance = q.value(from + 5).toString();
    l.name = q.value(from + 6).toString();
    l.contractType = q.value(from + 7).toString();
    return l;
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
        throw UserError(HistoryTexts::DamagedNotMoved.arg(QDir::toNativeSeparators(path),
                                                          QFile(path).errorString()));
    for (const char *suffix : {"-wal", "-shm"})
        if (QFile::exists(path + QLatin1String(suffix)))
            QFile::rename(path + QLatin1String(suffix), aside + QLatin1String(suffix));
    return aside;
}

// A text to bind: never null, which Qt would bind as NULL.
QString text(QStringView s)
{
    return s.isEmpty() ? QStringLiteral("") : s.toString();
}

QString likePattern(const QString &text)
{
    QString escaped = text;
    escaped.replace(u'\\', QStringLiteral("\\\\"));
    escaped.replace(u'%', QStringLiteral("\\%"));
    escaped.replace(u'_', QStringLiteral("\\_"));
    return u'%' + escaped + u'%';
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
        throw UserError(HistoryTexts::NoDriver.arg(QStringLiteral("QSQLITE")));
    const QString shown = QDir::toNativeSeparators(path);
    if (!looksLikeSqlite(path)) {
        const QString aside = setAside(path);
        throw UserError(HistoryTexts::Damaged.arg(shown, QDir::toNativeSeparators(aside)));
    }
    std::unique_ptr<SqlArchive> a(new SqlArchive(Backend::Sqlite, path));
    a->m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), a->m_connectionName);
    a->m_db.setDatabaseName(path);
    // Another program (or workstation on a shared folder) may hold the file a moment.
    a->m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
    if (!a->m_db.open())
        throw UserError(HistoryTexts::CannotOpen.arg(shown, a->m_db.lastError().text()));
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
    if (password.match(connection).hasMatch()) throw UserError(HistoryTexts::PasswordInSettings);
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        throw UserError(HistoryTexts::NoDriver.arg(QStringLiteral("QPSQL")));
    std::unique_ptr<SqlArchive> a(new SqlArchive(Backend::Postgres, connection));
    a->m_db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), a->m_connectionName);
    // The whole connection string goes to libpq as it is: service files and ~/.pgpass apply.
    a->m_db.setConnectOptions(connection);
    if (!a->m_db.open())
        throw UserError(HistoryTexts::CannotOpen.arg(connection, a->m_db.lastError().text()));
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
        throw UserError(HistoryTexts::Damaged.arg(QDir::toNativeSeparators(m_location),
                                                  QDir::toNativeSeparators(aside)));
    }
    throw UserError(message.arg(QDir::toNativeSeparators(m_location), error));
}

void SqlArchive::exec(QSqlQuery &query)
{
    if (!query.exec()) {
        const QSqlError e = query.lastError();
        fail(HistoryTexts::CannotRead, e.text(), e.nativeErrorCode().toInt());
    }
}

void SqlArchive::execText(const QString &sql)
{
    QSqlQuery q(m_db);
    if (!q.exec(sql)) {
        const QSqlError e = q.lastError();
        fail(HistoryTexts::CannotRead, e.text(), e.nativeErrorCode().toInt());
    }
}

QSqlQuery SqlArchive::prepared(const QString &sql)
{
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!q.prepare(sql)) {
        const QSqlError e = q.lastError();
        fail(HistoryTexts::CannotRead, e.text(), e.nativeErrorCode().toInt());
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
                HistoryTexts::Newer.arg(QDir::toNativeSeparators(m_location)).arg(current));
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

int64_t SqlArchive::record(const ArchivedExport &exported, size_t count, const LineSource &line)
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
        q.addBindValue(exported.sha256);
        q.addBindValue(exported.lineCount);
        q.addBindValue(qlonglong(exported.netCents));
        q.addBindValue(qlonglong(exported.rendCents));
        q.addBindValue(exported.programVersion);
        exec(q);
        if (!q.next()) fail(HistoryTexts::CannotRead, QStringLiteral("no id"), 0);
        const int64_t id = q.value(0).toLongLong();
        q.finish();
        if (m_backend == Backend::Sqlite)
            insertLinesSqlite(id, count, line);
        else
            insertLines(id, count, line);
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
    auto statement = [this](int rows) {
        QString sql = QStringLiteral(
            "INSERT INTO export_lines (export_id, position, caption, account, cle, net_cents, "
            "rend_cents, insurance, name, name_folded, contract_type) VALUES ");
        const QString row = QStringLiteral("(?,?,?,?,?,?,?,?,?,?,?)");
        sql.reserve(sql.size() + rows * (row.size() + 1));
        for (int r = 0; r < rows; ++r) {
            if (r) sql += u',';
            sql += row;
        }
        return prepared(sql);
    };
    QSqlQuery full;
    bool haveFull = false;
    for (size_t from = 0; from < count; from += LinesPerInsert) {
        const int rows = int(std::min<size_t>(LinesPerInsert, count - from));
        QSqlQuery partial;
        if (rows == LinesPerInsert && !haveFull) {
            full = statement(rows);
            haveFull = true;
        } else if (rows != LinesPerInsert) {
            partial = statement(rows);
        }
        QSqlQuery &q = rows == LinesPerInsert ? full : partial;
        int at = 0;
        for (int r = 0; r < rows; ++r) {
            const ArchivedLineView l = line(from + size_t(r));
            q.bindValue(at++, qlonglong(exportId));
            q.bindValue(at++, int(from) + r);
            q.bindValue(at++, text(l.caption));
            q.bindValue(at++, text(l.account));
            q.bindValue(at++, text(l.key));
            q.bindValue(at++, qlonglong(l.netCents));
            q.bindValue(at++, qlonglong(l.rendCents));
            q.bindValue(at++, text(l.insurance));
            q.bindValue(at++, text(l.name));
            q.bindValue(at++, text(foldedText(l.name)));
            q.bindValue(at++, text(l.contractType));
        }
        Q_ASSERT(at == rows * LineColumns);
        exec(q);
    }
}

void SqlArchive::insertLinesSqlite(int64_t exportId, size_t count, const LineSource &line)
{
    const QVariant handle = m_db.driver()->handle();
    sqlite3 *db = handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0
                      ? *static_cast<sqlite3 *const *>(handle.constData())
                      : nullptr;
    if (!db) {
        insertLines(exportId, count, line);
        return;
    }
    sqlite3_stmt *stmt = nullptr;
    auto failed = [&](int rc) {
        const QString error = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_finalize(stmt);
        fail(HistoryTexts::CannotRead, error, rc);
    };
    int rc = sqlite3_prepare_v2(db,
                                "INSERT INTO export_lines (export_id, position, caption, account, "
                                "cle, net_cents, rend_cents, insurance, name, name_folded, "
                                "contract_type) VALUES (?,?,?,?,?,?,?,?,?,?,?)",
                                -1, &stmt, nullptr);
    if (rc != SQLITE_OK) failed(rc);
    auto text = [&stmt](int column, QStringView s) {
        // The text stays where it is until the step that reads it.
        // An empty text is "" (a null pointer would bind NULL).
        static const char16_t empty[] = u"";
        return sqlite3_bind_text16(stmt, column, s.isEmpty() ? empty : s.utf16(), int(s.size() * 2),
                                   SQLITE_STATIC);
    };
    for (size_t i = 0; i < count; ++i) {
        const ArchivedLineView l = line(i);
        const QString folded = foldedText(l.name);
        rc = sqlite3_bind_int64(stmt, 1, exportId);
        if (rc == SQLITE_OK) rc = sqlite3_bind_int64(stmt, 2, sqlite3_int64(i));
        if (rc == SQLITE_OK) rc = text(3, l.caption);
        if (rc == SQLITE_OK) rc = text(4, l.account);
        if (rc == SQLITE_OK) rc = text(5, l.key);
        if (rc == SQLITE_OK) rc = sqlite3_bind_int64(stmt, 6, l.netCents);
        if (rc == SQLITE_OK) rc = sqlite3_bind_int64(stmt, 7, l.rendCents);
        if (rc == SQLITE_OK) rc = text(8, l.insurance);
        if (rc == SQLITE_OK) rc = text(9, l.name);
        if (rc == SQLITE_OK) rc = text(10, folded);
        if (rc == SQLITE_OK) rc = text(11, l.contractType);
        if (rc != SQLITE_OK) failed(rc);
        rc = sqlite3_step(stmt);
        if (rc != SQLITE_DONE) failed(rc);
        sqlite3_reset(stmt);
    }
    sqlite3_finalize(stmt);
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

std::vector<ArchivedLine> SqlArchive::lines(int64_t exportId)
{
    QSqlQuery q = prepared(QStringLiteral("SELECT ") + LineColumnsText +
                           QStringLiteral(" FROM export_lines l WHERE l.export_id = ? "
                                          "ORDER BY l.position"));
    q.addBindValue(qlonglong(exportId));
    exec(q);
    std::vector<ArchivedLine> all;
    while (q.next())
        all.push_back(readLine(q));
    return all;
}

std::vector<PersonPayment> SqlArchive::payments(const QString &where, const QVariantList &values,
                                                const QString &order, const QString &sqliteIndex)
{
    // Export by export, each looked up through the indexes that begin with the export (SQLite
    // takes CROSS JOIN as that order).
    const QString from =
        m_backend == Backend::Sqlite
            ? QStringLiteral(" FROM exports e CROSS JOIN export_lines l") +
                  (sqliteIndex.isEmpty() ? QString() : QStringLiteral(" INDEXED BY ") + sqliteIndex)
            : QStringLiteral(" FROM exports e JOIN export_lines l ON true");
    QSqlQuery q = prepared(QStringLiteral("SELECT ") + ExportColumns + u',' + LineColumnsText +
                           from + QStringLiteral(" WHERE l.export_id = e.id AND ") + where +
                           QStringLiteral(" ORDER BY ") + order);
    for (const QVariant &v : values)
        q.addBindValue(v);
    exec(q);
    std::vector<PersonPayment> found;
    while (q.next())
        found.push_back({readExport(q), readLine(q, 10)});
    return found;
}

std::vector<PersonPayment> SqlArchive::findPerson(PersonField field, const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty()) return {};
    const QString newestFirst = QStringLiteral("e.exported_at DESC, e.id DESC, l.position");
    switch (field) {
    case PersonField::Insurance:
        return payments(QStringLiteral("l.insurance = ?"), {trimmed}, newestFirst,
                        QStringLiteral("lines_by_insurance"));
    case PersonField::Account: {
        // The list may hold an account with or without its leading zeros.
        QString bare = trimmed;
        while (bare.size() > 1 && bare.startsWith(u'0'))
            bare.remove(0, 1);
        const QString padded = bare.size() < 10 ? QString(10 - bare.size(), u'0') + bare : bare;
        return payments(QStringLiteral("l.account IN (?, ?, ?)"), {trimmed, bare, padded},
                        newestFirst, QStringLiteral("lines_by_account"));
    }
    case PersonField::Name:
        return payments(QStringLiteral("l.name_folded LIKE ? ESCAPE '\\'"),
                        {likePattern(foldedText(trimmed))}, newestFirst);
    }
    return {};
}

std::vector<PersonPayment> SqlArchive::personYear(const QString &insurance, int year)
{
    const qlonglong from = QDateTime(QDate(year, 1, 1), QTime(0, 0)).toMSecsSinceEpoch();
    const qlonglong to = QDateTime(QDate(year + 1, 1, 1), QTime(0, 0)).toMSecsSinceEpoch();
    return payments(QStringLiteral("l.insurance = ? AND e.exported_at >= ? AND e.exported_at < ?"),
                    {insurance.trimmed(), from, to},
                    QStringLiteral("e.exported_at, e.id, l.position"),
                    QStringLiteral("lines_by_insurance"));
}
