#include "Manifest.h"

#include <QByteArrayView>
#include <QList>

namespace
{

QString unquoted(QString v)
{
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
        return v.mid(1, v.size() - 2);
    return v;
}

} // namespace

Manifest Manifest::parse(const QByteArray &iniText)
{
    Manifest m;
    bool versionSeen = false, urlSeen = false;
    QByteArray text = iniText;
    if (text.startsWith("\xEF\xBB\xBF")) text.remove(0, 3);
    bool inUpdate = false;
    for (const QByteArray &raw : text.split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.isEmpty() || line.startsWith(u';')) continue;
        if (line.startsWith(u'[')) {
            const qsizetype close = line.indexOf(u']');
            const QString name = line.mid(1, close < 0 ? -1 : close - 1).trimmed();
            inUpdate = name.compare(u"UPDATE", Qt::CaseInsensitive) == 0;
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (!inUpdate || eq < 0) continue;
        const QString key = line.left(eq).trimmed();
        const QString value = unquoted(line.mid(eq + 1).trimmed());
        if (!versionSeen && key.compare(u"Version", Qt::CaseInsensitive) == 0) {
            m.version = value;
            versionSeen = true;
        } else if (!urlSeen && key.compare(u"URL", Qt::CaseInsensitive) == 0) {
            m.url = value;
            urlSeen = true;
        }
    }
    return m;
}
