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

inline void writeSheet(QByteArray &out, const SheetCells &sheet)
{
    qsizetype size = 64 + qsizetype(sheet.entries.size() * sizeof(Entry));
    for (const QString &t : sheet.texts)
        size += 4 + t.size() * 2;
    out.reserve(out.size() + size);
    appendText(out, sheet.name);
    const qint32 lastRow = sheet.lastRow;
    const quint32 entries = quint32(sheet.entries.size()), texts = quint32(sheet.texts.size());
    out.append(reinterpret_cast<const char *>(&lastRow), sizeof lastRow);
    out.append(reinterpret_cast<const char *>(&entries), sizeof entries);
    out.append(reinterpret_cast<const char *>(sheet.entries.data()),
               qsizetype(entries * sizeof(Entry)));
    out.append(reinterpret_cast<const char *>(&texts), sizeof texts);
    for (const QString &t : sheet.texts)
        appendText(out, t);
}

} // namespace WorkbookImport
