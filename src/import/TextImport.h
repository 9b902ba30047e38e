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

// Reads the whole file and splits it into lines (CR LF, LF or CR; a final line break adds
// no line; a leading UTF-8 byte-order mark is skipped). Throws UserError when the file
// cannot be opened or is not valid UTF-8; nothing is returned then.
QString readWholeFile(const QString &path);

// Splits decoded text into line views (views into text).
std::vector<QStringView> splitLines(QStringView text);

// Cuts one record (padded with spaces to 87 characters when shorter) into a line.
TransferLine parseRecord(QStringView record);

// Reads a transfer file into lines, checking each line's key as it is built (positions
// from 0 in file order). progress(done, total) is called after every line. Throws
// UserError when the file cannot be read; the caller's list is then untouched.
std::vector<TransferLine> importFile(const QString &path, ErrorLog &log,
                                     const std::function<void(int, int)> &progress = {});

// Amount field: surrounding blanks removed, non-digits dropped, whole centimes (64-bit).
long long amountFieldCents(QStringView field);

} // namespace TextImport
