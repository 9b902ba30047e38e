// Test and benchmark programs run from folders of their own: they use the reader program
// built beside the command line.
#include "import/WorkbookReader.h"

namespace
{
const bool readerSet =
    (WorkbookImport::setReaderProgram(QStringLiteral(TALVORO_READER_PATH)), true);
}
