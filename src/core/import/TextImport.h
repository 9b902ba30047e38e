#pragma once

#include "model/TransferLine.h"

#include <QString>
#include <QStringView>
#include <functional>
#include <vector>

// Reader of the fixed-width transfer text file: 87-character records, UTF-8.
namespace TextImport
{

// Cuts one record (padded with spaces to 87 characters when shorter) into a line. Columns
// count characters as the user sees them (a character outside the Basic Multilingual
// Plane is one).
TransferLine parseRecord(QStringView record);

// Called after every line with the lines read so far and the bytes read of the file's size.
using Progress = std::function<void(int lines, qint64 bytesRead, qint64 bytesTotal)>;

// Reads a transfer file into lines; blank lines are skipped. Throws UserError when the file cannot
// be opened, read or decoded; the caller's list is then untouched.
std::vector<TransferLine> importFile(const QString &path, const Progress &progress = {});

// Amount field: surrounding blanks removed, non-digits dropped, whole centimes (64-bit).
long long amountFieldCents(QStringView field);

} // namespace TextImport
