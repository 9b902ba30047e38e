#include "Manifest.h"

#include "settings/IniFile.h"

namespace
{

// A value as the manifest gives it: blanks around it and one pair of quotes removed.
QString unquoted(const QString &raw)
{
    const QString v = raw.trimmed();
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
        return v.mid(1, v.size() - 2);
    return v;
}

} // namespace

Manifest Manifest::parse(const QByteArray &iniText)
{
    const IniFile ini = IniFile::parse(QString::fromUtf8(iniText));
    const QString section = QStringLiteral("UPDATE");
    auto value = [&](const char *key) {
        return unquoted(ini.readString(section, QString::fromLatin1(key)));
    };
    return {value("Version"), value("URL"), value("SHA256"), value("Signature"), value("Package")};
}
