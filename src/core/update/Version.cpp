#include "Version.h"

#include "BuildVersion.h"

#include <QStringList>

namespace Version
{

namespace
{

qint64 partValue(const QString &part)
{
    bool ok = false;
    const qint64 v = part.toLongLong(&ok, 10);
    return ok ? v : 0;
}

QStringList parts(const QString &version)
{
    return version.isEmpty() ? QStringList() : version.split(u'.');
}

} // namespace

QString appVersion()
{
    // Always four parts, missing ones as 0.
    const QStringList given = parts(QStringLiteral(TALVORO_VERSION));
    QStringList four;
    for (int i = 0; i < 4; ++i)
        four << QString::number(partValue(given.value(i)));
    return four.join(u'.');
}

bool isNewer(const QString &running, const QString &offered)
{
    const QStringList local = parts(running);
    const QStringList server = parts(offered);
    const qsizetype n = std::min(local.size(), server.size());
    for (qsizetype i = 0; i < n; ++i) {
        const qint64 l = partValue(local[i]);
        const qint64 s = partValue(server[i]);
        if (s != l) return s > l;
    }
    return false;
}

} // namespace Version
