// Feeds arbitrary bytes to the settings-file reader (its encoding detection included),
// rewrites one section and checks that it reads back and that the rest came through.
#include "settings/IniFile.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    IniFile ini = IniFile::fromBytes(bytes);
    if (!ini.problem().isEmpty()) return 0;
    const int count = ini.readInteger(QStringLiteral("Infos"), QStringLiteral("Count"), 0);
    for (int i = 0; i < count && i < 1000; ++i)
        ini.readString(QStringLiteral("Infos"), QStringLiteral("Line%1").arg(i));
    const QString other = ini.readString(QStringLiteral("Autre"), QStringLiteral("Cle"));
    ini.replaceSection(QStringLiteral("Infos"),
                       {{QStringLiteral("Line0"), QStringLiteral("Réda ب")},
                        {QStringLiteral("Count"), QStringLiteral("1")}});
    const IniFile again = IniFile::fromBytes(ini.toBytes());
    if (again.readString(QStringLiteral("Infos"), QStringLiteral("Line0")) != u"Réda ب"_qs)
        std::abort();
    // Another section reads as it did: its lines and their encoding were kept.
    if (again.readString(QStringLiteral("Autre"), QStringLiteral("Cle")) != other) std::abort();
    // Text parsed from a string goes through as well.
    IniFile text = IniFile::parse(QString::fromUtf8(bytes));
    text.replaceSection(QStringLiteral("Infos"), {});
    IniFile::parse(text.toText());
    return 0;
}
