#pragma once

#include <QString>
#include <QStringList>

// Removal of leftover build and temporary files directly inside the program folder.
// Nothing is reported; a file that cannot be removed stays.

// The nine extensions swept.
const QStringList &BuildTempExt();

// One pass over projectDir (which ends with a separator) with the nine extensions; every
// matching entry is tried, folders included (their removal simply fails).
void DeleteBuildTempFiles(const QString &projectDir);

// One pass over dir with the given extensions; folders are skipped.
void DeleteFilesInDir(const QString &dir, const QStringList &fileExts);

// The second pass over the program folder, when it exists. Shared temporary folders are
// never swept: other programs' files live there.
void CleanAllTempFiles(const QString &projectDir);
