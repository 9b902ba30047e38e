#pragma once

#include <QString>
#include <QStringList>

// The ordering party's place, kept as lines of text in section "Infos" of "Direction.ini":
// Line0, Line1, ... then Count.

// Writes the lines to the section, replacing it; every other section and line of the file
// stays byte for byte. Throws UserError, and leaves the file as it was, when a line holds a
// line break, when the file exists but cannot be read whole (it is never saved over), when
// the file would be longer than the reader takes (IniFile::MaxTextLength), or with "Unable to
// write to %s" when it cannot be written.
void saveLinesToIni(const QString &fileName, const QString &section, const QStringList &lines);

// The lines stored in the section; none when the file, the section or Count is missing. When
// the file exists but cannot be read, none, and problem (if given) says so for the clerk.
QStringList loadLinesFromIni(const QString &fileName, const QString &section,
                             QString *problem = nullptr);
