#include "DialogFolders.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace
{

// Dialog keys are captions or filters, which may hold '/': settings keys get a hash instead.
QString settingsKey(const QString &key)
{
    return QStringLiteral("dialogFolders/") + QString::number(qHash(key), 16);
}

} // namespace

namespace DialogFolders
{

QString folderFor(const QString &key)
{
    const QString folder = QSettings().value(settingsKey(key)).toString();
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

void remember(const QString &key, const QString &chosenFile)
{
    if (!chosenFile.isEmpty())
        QSettings().setValue(settingsKey(key), QFileInfo(chosenFile).absolutePath());
}

QString startingPath(const QString &key, const QString &suggested)
{
    const QString folder = folderFor(key);
    if (folder.isEmpty() || suggested.contains(u'/') || suggested.contains(QDir::separator()))
        return suggested;
    return QDir(folder).filePath(suggested);
}

} // namespace DialogFolders
