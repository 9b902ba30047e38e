// Feeds arbitrary text to the settings-file reader and writes it back.
#include "settings/IniFile.h"

#include <QString>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    IniFile ini = IniFile::parse(text);
    const int count = ini.readInteger(QStringLiteral("Infos"), QStringLiteral("Count"), 0);
    for (int i = 0; i < count && i < 1000; ++i)
        ini.readString(QStringLiteral("Infos"), QStringLiteral("Line%1").arg(i));
    ini.eraseSection(QStringLiteral("Infos"));
    ini.writeString(QStringLiteral("Infos"), QStringLiteral("Count"), QStringLiteral("0"));
    const QString again = ini.toText();
    IniFile::parse(again);
    return 0;
}
