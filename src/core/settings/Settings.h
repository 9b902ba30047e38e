#pragma once

#include <QString>
#include <QStringList>

// The ordering party's place, kept as lines of text in section "Infos" of "Direction.ini":
// Line0, Line1, ... then Count.

// Writes the lines to the section, replacing it, in UTF-8. Throws UserError "Unable to write
// to %s" when the file cannot be written, and a message naming the limit when the file would
// be longer than the reader takes (IniFile::MaxTextLength); the earlier file then stays as it was.
void saveLinesToIni(const QString &fileName, const QString &section, const QStringList &lines);

// The lines stored in the section; none when the file, the section or Count is missing.
QStringList loadLinesFromIni(const QString &fileName, const QString &section);
