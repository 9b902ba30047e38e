#pragma once

#include <QFile>
#include <QStringList>
#include <orcus/orcus_xlsx.hpp>
#include <orcus/spreadsheet/document.hpp>
#include <orcus/spreadsheet/factory.hpp>
#include <sstream>

// Every cell of the workbook as liborcus's own document model reads it, one
// "Sheet/row/column:type:value" line per cell (rows and columns from 0).
inline QStringList dumpWithOrcus(const QString &path)
{
    orcus::spreadsheet::document doc{{1048576, 16384}};
    orcus::spreadsheet::import_factory factory{doc};
    orcus::orcus_xlsx reader(&factory);
    reader.read_file(QFile::encodeName(path).toStdString());
    std::ostringstream os;
    doc.dump_check(os);
    return QString::fromStdString(os.str()).split(u'\n', Qt::SkipEmptyParts);
}
