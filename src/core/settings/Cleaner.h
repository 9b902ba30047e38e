#pragma once

#include <QString>

// Removal of leftover build and temporary files directly inside the program folder.
// Nothing is reported; a file that cannot be removed stays.

// One pass over projectDir (which ends with a separator) with the nine extensions
// (.dcu, .dcp, .local, .identcache, .hpp, .~pas, .bak, .dproj.local, .tmp); every
// matching entry is tried, folders included (their removal simply fails).
void deleteBuildTempFiles(const QString &projectDir);

// The second pass over the program folder, when it exists, with the same extensions;
// folders are skipped. Shared temporary folders are never swept: other programs' files
// live there.
void cleanAllTempFiles(const QString &projectDir);
