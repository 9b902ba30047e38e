// Feeds arbitrary bytes to the version manifest reader, and its version text to the
// version comparison against a few running versions (and the other way round).
#include "update/Manifest.h"
#include "update/Version.h"

#include <QByteArray>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const Manifest m = Manifest::parse(bytes);
    const QString raw = QString::fromUtf8(bytes.left(256));
    for (const QString &running :
         {QStringLiteral("1.0.0.0"), QStringLiteral("0"), QString(), raw}) {
        Version::isNewer(running, m.version);
        Version::isNewer(m.version, running);
    }
    return 0;
}
