#include "Folders.h"

#include <QCoreApplication>
#include <QDir>

Folders::Folders() : m_programDir(QCoreApplication::applicationDirPath()) {}

Folders::Folders(QString programDir) : m_programDir(std::move(programDir)) {}

QString Folders::dataDir(const QString &name) const
{
    const QString path = QDir(m_programDir).filePath(name);
    if (!QDir().mkpath(path))
        return QString();
    return path;
}
