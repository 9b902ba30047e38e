#pragma once

#include "WorkbookImport.h"

#include <QByteArray>

// How the reader program answers the program. Internal to the workbook import.
namespace WorkbookImport
{

// The reader's answer on standard output: any number of progress frames ('P' and the
// thousandths as 4 bytes), then one last frame: 'R' and the sheet, 'E' and a message for
// the clerk, or 'M' when the memory limit was reached. The last frame opens with the
// reader's peak memory.
inline constexpr char ProgressFrame = 'P', SheetFrame = 'R', ErrorFrame = 'E', MemoryFrame = 'M';

// The sheet travels as raw memory: the reader is built with the program, so both sides lay
// it out alike. Texts go as their UTF-16 units, so that nothing is converted twice.
inline void appendText(QByteArray &out, const QString &text)
{
    const quint32 units = quint32(text.size());
    out.append(reinterpret_cast<const char *>(&units), sizeof units);
    out.append(reinterpret_cast<const char *>(text.constData()), qsizetype(units) * 2);
}

// Writes the sheet through write(const char *, size_t) straight from where it lies, so that
// the reader never holds a second copy: the name, the last row, the entries, then the texts
// as their count, their ends and all their units end to end.
template <class Write> void writeSheet(const SheetCells &sheet, Write &&write)
{
    QByteArray head;
    appendText(head, sheet.name);
    const qint32 lastRow = sheet.lastRow;
    const quint32 entries = quint32(sheet.entries.size());
    head.append(reinterpret_cast<const char *>(&lastRow), sizeof lastRow);
    head.append(reinterpret_cast<const char *>(&entries), sizeof entries);
    write(head.constData(), size_t(head.size()));
    write(reinterpret_cast<const char *>(sheet.entries.data()), entries * sizeof(Entry));
    const quint32 texts = quint32(sheet.texts.size());
    const quint64 units = quint64(sheet.texts.units().size());
    write(reinterpret_cast<const char *>(&texts), sizeof texts);
    write(reinterpret_cast<const char *>(&units), sizeof units);
    write(reinterpret_cast<const char *>(sheet.texts.ends().data()), texts * sizeof(quint32));
    write(reinterpret_cast<const char *>(sheet.texts.units().constData()), size_t(units) * 2);
}

} // namespace WorkbookImport
