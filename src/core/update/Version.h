#pragma once

#include <QString>

namespace Version
{

// The running program's version, "a.b.c.d", compiled in from the project's version.
QString appVersion();

// True when `offered` is newer than `running`: both split at every "."; the parts they
// both have compare as decimal integers (a part that is not one counts as 0) from the
// first on; extra parts of the longer one are ignored, and an empty version has no parts.
bool isNewer(const QString &running, const QString &offered);

} // namespace Version
