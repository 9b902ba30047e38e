#pragma once

#include "WorkbookImport.h"

#include <QStringList>

// Workbooks are read in a reader process of their own (the program "talvoro-reader"): the
// spreadsheet libraries are not safe with damaged files, and a hostile file must not freeze
// or exhaust the program. The reader has a time limit and a memory limit, reports its
// progress and can be stopped.
namespace WorkbookImport
{

struct ReaderLimits {
    int seconds = 120;
    int memoryMb = 2048; // address space of the reader process
};

// What the last read cost the reader process.
struct ReaderReport {
    qint64 peakMemoryKb = 0;
};

// Told progress in thousandths; returns false to stop the read.
using ReaderProgress = std::function<bool(int permille)>;

// Reads the first sheet in a reader process. Throws UserError as the reader process's
// readFirstSheetHere does, and when the reader goes past its limits, stops without an answer or
// cannot be started; throws Cancelled when progress returns false.
SheetCells readFirstSheet(const QString &path, const ReaderProgress &progress = {},
                          const ReaderLimits &limits = {}, ReaderReport *report = nullptr);

// Reads and converts the first sheet (see toLines).
std::vector<TransferLine> importFile(const QString &path, const ReaderProgress &progress = {},
                                     const ReaderLimits &limits = {},
                                     ReaderReport *report = nullptr);

// The reader program: beside the running program, or where it is installed.
QString readerProgram();
// Uses another reader program (tests and benchmarks run from other folders).
void setReaderProgram(const QString &program);

} // namespace WorkbookImport
