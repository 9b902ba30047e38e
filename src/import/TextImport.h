#pragma once

#include "model/TransferLine.h"

#include <QString>
#include <QStringView>
#include <functional>
#include <vector>

class ErrorLog;

// Reader of the fixed-width transfer text file: 87-character records, UTF-8.
namespace TextImport {

inline constexpr int RecordWidth = 87;

// Cuts one record (padded with spaces to 87 characters when shorter) into a line.
TransferLine parseRecord(QStringView record);

// Called after every line with the lines read so far and the bytes read of the file's size.
using Progress = std::function<void(int lines, qint64 bytesRead, qint64 bytesTotal)>;

// Reads a transfer file into lines, checking each line's key as it is built (positions
// from 0 in file order). Throws UserError when the file cannot be opened, read or decoded;
// the caller's list is then untouched.
std::vector<TransferLine> importFile(const QString &path, ErrorLog &log, const Progress &progress = {});

// Amount field: surrounding blanks removed, non-digits dropped, whole centimes (64-bit).
long long amountFieldCents(QStringView field);

} // namespace TextImport
