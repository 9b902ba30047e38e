#pragma once

#include <QString>
#include <QStringList>

class TransferLine;
class WorkingList;

// Writer of the fixed-width transfer text file: 87-character records, UTF-8 with a
// byte-order mark, CR LF after every record.
namespace TextExport
{

// Told when the ordering code is blank, and put after the reason a code is refused.
inline const QString CodeEmptyText = QStringLiteral("Le code ordinateur est vide. Export annulé.");
inline const QString CancelledSuffix = QStringLiteral(" Export annulé.");

// At least 13 digits, zero-filled on the left.
QString centsTo13Digits(long long value);

// The record of one line. faults receives, for a line that would not make an exact
// 87-character record, the fields at fault ("NomPrenom (30 caractères pour 27)", ...).
QString buildRecord(const TransferLine &line, QStringList *faults = nullptr);

// Why an ordering code cannot name the file, or an empty text when it can.
QString codeProblem(const QString &code);

// "Liste_Nominative_" + code + ".txt"
QString fileNameFor(const QString &code);

// Writes the shown lines of the list to path, whole or not at all. Throws UserError, with
// nothing written, when a line would be misaligned (naming the first lines at fault) or
// when the file cannot be written.
void writeFile(const WorkingList &list, const QString &path);
// Throws the UserError writeFile would for lines it cannot write, without writing anything.
void refuseFaultyLines(const WorkingList &list);

} // namespace TextExport
