#include "Folders.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

Folders::Folders() : Folders(QCoreApplication::applicationDirPath()) {}

Folders::Folders(QString programDir) : m_programDir(std::move(programDir))
{
    m_dataRoot = m_programDir;
    // An installed copy: a folder we may not write, or one that sits in an installation
    // tree beside its launcher (a system folder even for an administrator).
    const bool installTree = QFileInfo::exists(
        QDir(m_programDir).filePath(QStringLiteral("../share/applications/talvoro.desktop")));
    if (installTree || !isWritableDir(m_programDir)) {
        const QString perUser = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        if (!perUser.isEmpty()) m_dataRoot = perUser;
    }
}

bool Folders::isWritableDir(const QString &dir)
{
    // Asking the file system is the only reliable test (permissions, read-only mounts).
    QTemporaryFile probe(QDir(dir).filePath(QStringLiteral(".talvoro-probe-XXXXXX")));
    return probe.open();
}

QString Folders::dataDir(const QString &name) const
{
    const QString path = QDir(m_dataRoot).filePath(name);
    if (!QDir().mkpath(path)) return QString();
    return path;
}

QString Folders::dataPath(QStringView relative) const
{
    return QDir(m_dataRoot).filePath(relative.toString());
}

QString Folders::settingsFile() const
{
    QString dir = dataDir(SettingsFolder);
    if (dir.isEmpty()) dir = dataPath(SettingsFolder);
    return QDir(dir).filePath(SettingsFileName.toString());
}
