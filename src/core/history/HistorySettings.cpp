#include "HistorySettings.h"

#include "SqlArchive.h"
#include "settings/Folders.h"
#include "settings/IniFile.h"

#include <QDir>

HistorySettings HistorySettings::read(const Folders &folders)
{
    return read(folders, folders.settingsFile());
}

HistorySettings HistorySettings::read(const Folders &folders, const QString &iniFile)
{
    HistorySettings s;
    s.postgres =
        IniFile::load(iniFile).readString(Section.toString(), PostgresKey.toString()).trimmed();
    QString dir = folders.dataDir(Folders::HistoryFolder);
    if (dir.isEmpty()) dir = folders.dataPath(Folders::HistoryFolder);
    s.sqliteFile = QDir(dir).filePath(Folders::HistoryFileName.toString());
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
