#include "Settings.h"

#include "IniFile.h"
#include "model/UserError.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

namespace
{

// "LineN=" and a line end take eight characters at least, so no place text the writer accepts has
// more lines than this; a larger count is not a count.
constexpr qsizetype MaxMemoLines = IniFile::MaxTextLength / 8;

const QString PlaceTooLong = QStringLiteral("Le lieu est trop long pour être enregistré : le "
                                            "fichier « %1 » ne peut dépasser %2 caractères.");

} // namespace

void saveLinesToIni(const QString &fileName, const QString &section, const QStringList &lines)
{
    IniFile ini = IniFile::load(fileName);
    ini.eraseSection(section);
    for (int i = 0; i < lines.size(); ++i)
        ini.writeString(section, QStringLiteral("Line%1").arg(i), lines[i]);
    ini.writeString(section, QStringLiteral("Count"), QString::number(lines.size()));
    // Nothing is written that the reader could not read back.
    if (ini.toText().size() > IniFile::MaxTextLength)
        throw UserError(
            PlaceTooLong.arg(QFileInfo(fileName).fileName(),
                             QLocale(QLocale::French).toString(qlonglong(IniFile::MaxTextLength))));
    if (!ini.save(fileName))
        throw UserError(
            QStringLiteral("Unable to write to %1").arg(QDir::toNativeSeparators(fileName)));
}

QStringList loadLinesFromIni(const QString &fileName, const QString &section)
{
    const IniFile ini = IniFile::load(fileName);
    const int count = ini.readInteger(section, QStringLiteral("Count"), 0);
    QStringList lines;
    for (int i = 0; i < count && i < MaxMemoLines; ++i)
        lines << ini.readString(section, QStringLiteral("Line%1").arg(i));
    return lines;
}
