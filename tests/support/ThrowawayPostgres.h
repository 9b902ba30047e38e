#pragma once

#include <QString>
#include <QTemporaryDir>
#include <memory>

// A PostgreSQL server of its own for a test: initdb into a temporary folder, listening only
// on a Unix socket in that folder, stopped and removed at the end. Run as the "postgres"
// user when the tests run as root (the server refuses root).
class ThrowawayPostgres final
{
public:
    ThrowawayPostgres();
    ~ThrowawayPostgres();
    ThrowawayPostgres(const ThrowawayPostgres &) = delete;
    ThrowawayPostgres &operator=(const ThrowawayPostgres &) = delete;

    // False, with the reason in whyNot(), when the server could not be started.
    bool running() const { return m_running; }
    const QString &whyNot() const { return m_whyNot; }
    // Why a PostgreSQL run is skipped on this machine (the package or the driver missing),
    // or an empty text.
    static QString missing();

    // A new empty database; returns the libpq connection string that reaches it.
    QString newDatabase();

private:
    bool run(const QStringList &command, QString *output = nullptr);
    QString m_binDir;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_data;
    bool m_asPostgres = false;
    bool m_running = false;
    QString m_whyNot;
    int m_databases = 0;
};
