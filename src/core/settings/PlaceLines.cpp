#include "PlaceLines.h"

#include "IniFile.h"
#include "model/UserError.h"
#include "platform/SaveFile.h"

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
const QString LineBreakInPlace =
    QStringLiteral("Le lieu ne peut pas être enregistré : sa ligne %1 contient un saut de ligne "
                   "que le fichier « %2 » ne peut pas garder.");
const QString Unreadable = QStringLiteral(
    "Le fichier « %1 » ne peut pas être lu (%2) : il est laissé tel quel et rien n’y sera "
    "enregistré.");

bool holdsLineBreak(const QString &text)
{
    for (QChar c : text)
        if (c == u'\n' || c == u'\r' || c == QChar(0x85) || c == QChar(0x2028) ||
            c == QChar(0x2029) || c == u'\v' || c == u'\f')
            return true;
    return false;
}

} // namespace

void saveLinesToIni(const QString &fileName, const QString &section, const QStringList &lines)
{
    const QString shown = QDir::toNativeSeparators(fileName);
    for (int i = 0; i < lines.size(); ++i)
        if (holdsLineBreak(lines[i])) throw UserError(LineBreakInPlace.arg(i + 1).arg(shown));
    IniFile ini = IniFile::load(fileName);
    // A file that could not be read whole is never saved over.
    if (!ini.problem().isEmpty()) throw UserError(Unreadable.arg(shown, ini.problem()));
    IniFile::Entries entries;
    for (int i = 0; i < lines.size(); ++i)
        entries.append({QStringLiteral("Line%1").arg(i), lines[i]});
    entries.append({QStringLiteral("Count"), QString::number(lines.size())});
    ini.replaceSection(section, entries);
    // Nothing is written that the reader could not read back.
    if (ini.toText().size() > IniFile::MaxTextLength)
        throw UserError(
            PlaceTooLong.arg(QFileInfo(fileName).fileName(),
                             QLocale(QLocale::French).toString(qlonglong(IniFile::MaxTextLength))));
    if (!SaveFile::writeAll(fileName, ini.toBytes()).isEmpty())
        throw UserError(QStringLiteral("Unable to write to %1").arg(shown));
}

QStringList loadLinesFromIni(const QString &fileName, const QString &section, QString *problem)
{
    const IniFile ini = IniFile::load(fileName);
    if (problem)
        *problem = ini.problem().isEmpty()
                       ? QString()
                       : Unreadable.arg(QDir::toNativeSeparators(fileName), ini.problem());
    const int count = ini.readInteger(section, QStringLiteral("Count"), 0);
    QStringList lines;
    for (int i = 0; i < count && i < MaxMemoLines; ++i)
        lines << ini.readString(section, QStringLiteral("Line%1").arg(i));
    return lines;
}
