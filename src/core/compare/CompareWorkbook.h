#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

class ListComparison;

// The comparison as a workbook: a sheet "Comparaison" with one row per difference (amounts
// as numbers), and a sheet "Résumé" with the lists, the threshold and the counts.
namespace CompareWorkbook
{

// The headers of the differences' row 1.
const QStringList &headers();

// "Comparaison_" + yyyyMMdd_hhmmss + ".xlsx"
QString fileNameFor(const QDateTime &when);

// Writes the workbook to path, whole or not at all. Throws UserError when there are more
// differences than a sheet holds or the file cannot be written.
void writeFile(const ListComparison &comparison, const QString &path);

} // namespace CompareWorkbook
