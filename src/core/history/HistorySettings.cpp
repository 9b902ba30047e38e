#include "HistorySettings.h"

#include "SqlArchive.h"
#include "settings/Folders.h"
#include "settings/IniFile.h"

#include <QDir>

HistorySettings HistorySettings::read(const Folders &folders)
{
    QString dir = folders.dataDir(QStringLiteral("Fichier_INI"));
    if (dir.isEmpty()) dir = QDir(folders.dataRoot()).filePath(QStringLiteral("Fichier_INI"));
    return read(folders, QDir(dir).filePath(QStringLiteral("Direction.ini")));
}

HistorySettings HistorySettings::read(const Folders &folders, const QString &iniFile)
{
    HistorySettings s;
    s.postgres =
        IniFile::load(iniFile).readString(Section.toString(), PostgresKey.toString()).trimmed();
    QString dir = folders.dataDir(FolderName.toString());
    if (dir.isEmpty()) dir = QDir(folders.dataRoot()).filePath(FolderName.toString());
    s.sqliteFile = QDir(dir).filePath(FileName.toString());
    return s;
}

std::unique_ptr<HistoryArchive> HistorySettings::open() const
{
    if (!postgres.isEmpty()) return SqlArchive::openPostgres(postgres);
    return SqlArchive::openSqlite(sqliteFile);
}

QString HistorySettings::location() const
{
    return postgres.isEmpty() ? QDir::toNativeSeparators(sqliteFile) : postgres;
}
