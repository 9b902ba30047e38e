#include "UpdaterSetup.h"

#ifndef TALVORO_UPDATE_MANIFEST_URL
#define TALVORO_UPDATE_MANIFEST_URL ""
#endif
#ifndef TALVORO_UPDATE_PROBE_URL
#define TALVORO_UPDATE_PROBE_URL ""
#endif
#ifndef TALVORO_UPDATE_PUBLIC_KEY
#define TALVORO_UPDATE_PUBLIC_KEY ""
#endif

UpdaterSetup UpdaterSetup::buildDefaults()
{
    UpdaterSetup s;
    s.manifestUrl = QStringLiteral(TALVORO_UPDATE_MANIFEST_URL);
    s.probeUrl = QStringLiteral(TALVORO_UPDATE_PROBE_URL);
    s.publicKey = QStringLiteral(TALVORO_UPDATE_PUBLIC_KEY);
    return s;
}
