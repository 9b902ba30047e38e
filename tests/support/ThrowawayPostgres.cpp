#include "ThrowawayPostgres.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <unistd.h>

namespace
{

// Debian keeps the server's programs out of PATH, in /usr/lib/postgresql/VERSION/bin.
QString serverBinDir()
{
    const QDir versions(QStringLiteral("/usr/lib/postgresql"));
    QStringList found = versions.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    std::sort(found.begin(), found.end(),
              [](const QString &a, const QString &b) { return a.toInt() > b.toInt(); });
    for (const QString &v : found) {
        const QString bin = versions.filePath(v + QStringLiteral("/bin"));
        if (QFileInfo(bin + QStringLiteral("/initdb")).isExecutable()) return bin;
    }
    const QString initdb = QStandardPaths::findExecutable(QStringLiteral("initdb"));
    return initdb.isEmpty() ? QString() : QFileInfo(initdb).canonicalPath();
}

} // namespace

QString ThrowawayPostgres::missing()
{
    if (serverBinDir().isEmpty())
        return QStringLiteral("PostgreSQL is not installed (Debian package postgresql): "
                              "the PostgreSQL runs are skipped");
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        return QStringLiteral("Qt's PostgreSQL driver is not installed (Debian package "
                              "libqt6sql6-psql): the PostgreSQL runs are skipped");
    return {};
}

ThrowawayPostgres::ThrowawayPostgres() : m_binDir(serverBinDir())
{
    if (m_binDir.isEmpty()) {
        m_whyNot = missing();
        return;
    }
    // A short path: the socket's path must stay under the system's limit.
    m_dir = std::make_unique<QTemporaryDir>(QStringLiteral("/tmp/tpg-XXXXXX"));
    if (!m_dir->isValid()) {
        m_whyNot = QStringLiteral("no temporary folder");
        return;
    }
    m_data = m_dir->filePath(QStringLiteral("data"));
    m_asPostgres = ::geteuid() == 0;
    if (m_asPostgres && QProcess::execute(QStringLiteral("chown"),
                                          {QStringLiteral("postgres:"), m_dir->path()}) != 0) {
        m_whyNot = QStringLiteral("cannot hand the temporary folder to the postgres user");
        return;
    }
    QString output;
    if (!run({m_binDir + QStringLiteral("/initdb"), QStringLiteral("-D"), m_data,
              QStringLiteral("-A"), QStringLiteral("trust"), QStringLiteral("-U"),
              QStringLiteral("talvoro"), QStringLiteral("--no-sync"), QStringLiteral("-E"),
              QStringLiteral("UTF8"), QStringLiteral("--locale=C")},
             &output)) {
        m_whyNot = QStringLiteral("initdb failed: ") + output;
        return;
    }
    const QString options = QStringLiteral("-c listen_addresses='' -c unix_socket_directories=%1 "
                                           "-c fsync=off -c full_page_writes=off -p 5432")
                                .arg(m_dir->path());
    if (!run({m_binDir + QStringLiteral("/pg_ctl"), QStringLiteral("-D"), m_data,
              QStringLiteral("-o"), options, QStringLiteral("-l"),
              m_dir->filePath(QStringLiteral("server.log")), QStringLiteral("-w"),
              QStringLiteral("start")},
             &output)) {
        m_whyNot = QStringLiteral("pg_ctl start failed: ") + output;
        return;
    }
    m_running = true;
}

ThrowawayPostgres::~ThrowawayPostgres()
{
    if (m_running)
        run({m_binDir + QStringLiteral("/pg_ctl"), QStringLiteral("-D"), m_data,
             QStringLiteral("-m"), QStringLiteral("fast"), QStringLiteral("-w"),
             QStringLiteral("stop")});
}

bool ThrowawayPostgres::run(const QStringList &command, QString *output)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.setWorkingDirectory(m_dir->path());
    if (m_asPostgres)
        p.start(
            QStringLiteral("runuser"),
            QStringList{QStringLiteral("-u"), QStringLiteral("postgres"), QStringLiteral("--")} +
                command);
    else
        p.start(command.first(), command.mid(1));
    const bool ok =
        p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (output) *output = QString::fromLocal8Bit(p.readAll());
    return ok;
}

QString ThrowawayPostgres::newDatabase()
{
    const QString name = QStringLiteral("archive%1").arg(++m_databases);
    const QString admin = QStringLiteral("talvoro-admin-%1").arg(m_databases);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), admin);
        db.setConnectOptions(
            QStringLiteral("host=%1 port=5432 dbname=postgres user=talvoro").arg(m_dir->path()));
        if (db.open()) {
            QSqlQuery q(db);
            q.exec(QStringLiteral("CREATE DATABASE ") + name);
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(admin);
    return QStringLiteral("host=%1 port=5432 dbname=%2 user=talvoro").arg(m_dir->path(), name);
}
