// talvoro-reader: reads one workbook for the program and writes its first sheet to standard
// output. Started by the program, never by the clerk.
#include "import/WorkbookReader.h"

#include <QFile>
#include <QStringList>

int main(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QFile::decodeName(argv[i]);
    return WorkbookImport::readerMain(arguments);
}
