#pragma once

#include "model/TransferLine.h"

#include <QDateTime>
#include <QString>
#include <vector>

// The journal file: every line of the working list, kept on disk while the list has changes
// not yet exported, so that a crash or a power cut loses nothing. A text file in UTF-8:
//
//   TALVORO-JOURNAL 1
//   saved 2026-12-10T14:03:00Z
//   lines 2
//   <caption> TAB <cell 1> TAB ... TAB <cell 7>     (one line per list line; a line with
//   ...                                              fewer cells has fewer fields)
//   end <BLAKE2b-256 sum of the list lines above, in hexadecimal>
//
// In the fields a backslash, a tab, a line feed and a carriage return are written \\, \t,
// \n and \r. The file is written whole or not at all.
namespace ListJournal
{

constexpr int Version = 1;

struct Contents {
    std::vector<TransferLine> lines; // their figures are not derived
    QDateTime savedAt;
};

// Writes the lines (folder created when missing). Returns an empty text, or why the file
// could not be written.
QString write(const QString &path, const std::vector<TransferLine> &lines,
              const QDateTime &savedAt = QDateTime::currentDateTimeUtc());

// Reads a journal back, checking every part. Throws UserError saying what is wrong when the
// file cannot be read or is damaged.
Contents read(const QString &path);

} // namespace ListJournal
