#pragma once

#include <QString>
#include <QStringList>

// The ordering party's place, kept as lines of text in section "Infos" of "Direction.ini":
// Line0, Line1, ... then Count.

// Writes the lines to the section, replacing it. Throws UserError "Unable to write to %s"
// when the file cannot be written; the earlier file then stays as it was.
void saveLinesToIni(const QString &fileName, const QString &section, const QStringList &lines);

// The lines stored in the section; none when the file, the section or Count is missing.
QStringList loadLinesFromIni(const QString &fileName, const QString &section);
