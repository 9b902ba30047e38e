#include "Cleaner.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace
{

// Lists the entries whose names end with ext, hidden and system ones included.
QFileInfoList matching(const QString &dir, const QString &ext)
{
    QDir d(dir);
    return d.entryInfoList({u'*' + ext},
                           QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// Removes a file unless it is read-only (kept, as the desktop's own deletion would).
void removeUnlessReadOnly(const QFileInfo &fi)
{
    if (fi.isDir() || !(fi.permissions() & QFileDevice::WriteOwner)) return;
    QFile::remove(fi.absoluteFilePath());
}

// The nine extensions swept: what the program's earlier builds left in the folder it ran from
// (compiled units and packages, IDE caches and local project files, generated headers, editor
// backups, temporary files). Only these, so no file of the clerk's is ever removed.
const QStringList &buildTempExtensions()
{
    static const QStringList exts{
        QStringLiteral(".dcu"),        QStringLiteral(".dcp"),         QStringLiteral(".local"),
        QStringLiteral(".identcache"), QStringLiteral(".hpp"),         QStringLiteral(".~pas"),
        QStringLiteral(".bak"),        QStringLiteral(".dproj.local"), QStringLiteral(".tmp")};
    return exts;
}

} // namespace

void deleteBuildTempFiles(const QString &projectDir)
{
    for (const QString &ext : buildTempExtensions())
        for (const QFileInfo &fi : matching(projectDir, ext))
            removeUnlessReadOnly(fi); // a folder's removal fails and is passed over
}

void cleanAllTempFiles(const QString &projectDir)
{
    if (!QFileInfo(projectDir).isDir()) return;
    for (const QString &ext : buildTempExtensions())
        for (const QFileInfo &fi : matching(projectDir, ext))
            if (!fi.isDir()) removeUnlessReadOnly(fi);
}
