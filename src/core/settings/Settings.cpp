#include "Settings.h"

#include "IniFile.h"
#include "model/UserError.h"

#include <QDir>

void saveLinesToIni(const QString &fileName, const QString &section, const QStringList &lines)
{
    IniFile ini = IniFile::load(fileName);
    ini.eraseSection(section);
    for (int i = 0; i < lines.size(); ++i)
        ini.writeString(section, QStringLiteral("Line%1").arg(i), lines[i]);
    ini.writeString(section, QStringLiteral("Count"), QString::number(lines.size()));
    if (!ini.save(fileName))
        throw UserError(
            QStringLiteral("Unable to write to %1").arg(QDir::toNativeSeparators(fileName)));
}

QStringList loadLinesFromIni(const QString &fileName, const QString &section)
{
    const IniFile ini = IniFile::load(fileName);
    // A count beyond what a place text can sensibly hold is not a count.
    const int count = ini.readInteger(section, QStringLiteral("Count"), 0);
    QStringList lines;
    for (int i = 0; i < count && i < 100000; ++i)
        lines << ini.readString(section, QStringLiteral("Line%1").arg(i));
    return lines;
}
