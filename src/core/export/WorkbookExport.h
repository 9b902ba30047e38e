#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

class WorkingList;

// Writer of the workbook: one sheet, headers in row 1, one row per shown line from row 2,
// seven columns (amounts as numbers, everything else as text).
namespace WorkbookExport
{

// Told when the ordering code is blank.
inline const QString CodeEmptyText =
    QStringLiteral("Veuillez saisir le code de l’ordonnateur avant de continuer.");

// The headers of row 1, columns 1 to 7.
const QStringList &headers();

// "Liste Nominative_" + code + "_" + yyyyMMdd_hhmmss + ".xlsx"
QString fileNameFor(const QString &code, const QDateTime &when);

// Writes the shown lines of the list to path, whole or not at all: the workbook is made
// under a temporary name in the same folder and renamed over path once complete. Throws
// UserError, with nothing written, when a line holds a value that cannot be sent (naming
// the first lines, columns and values at fault) or when the file cannot be written.
void writeFile(const WorkingList &list, const QString &path);

} // namespace WorkbookExport
