// The session's import: the kinds of list file, reading them, and replacing the list.
#include "Session.h"

#include "export/TextExport.h"
#include "export/WorkbookExport.h"
#include "import/TextImport.h"
#include "import/WorkbookReader.h"
#include "keys/Keys.h"
#include "model/AmountText.h"
#include "model/TextColumns.h"
#include "model/UserError.h"
#include "reports/ListReport.h"
#include "settings/Folders.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <thread>
#include <utility>

namespace
{

const QString FormatNotSupported = QStringLiteral("Format not supported: ");
const QString FileMessage = QStringLiteral("Fichier « %1 » : %2");

} // namespace

// --- import ---

Session::FileKind Session::kindOf(const QString &path)
{
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == u"txt") return FileKind::Text;
    if (ext == u"xlsx" || ext == u"xls" || ext == u"ods") return FileKind::Workbook;
    return FileKind::Unsupported;
}

QString Session::refusalBeforeReading(const QString &path)
{
    if (kindOf(path) == FileKind::Unsupported) return FormatNotSupported + path;
    if (!QFileInfo(path).isFile()) return FileNotFoundText + path;
    return QString();
}

std::vector<TransferLine> Session::readFile(const QString &path, const Progress &progress)
{
    const QString refusal = refusalBeforeReading(path);
    if (!refusal.isEmpty()) throw UserError(refusal);
    if (kindOf(path) == FileKind::Text) {
        return TextImport::importFile(path, [&progress](int, qint64 read, qint64 total) {
            if (progress && total > 0 &&
                !progress(int(std::min<qint64>(1000, read * 1000 / total))))
                throw Cancelled();
        });
    }
    return WorkbookImport::importFile(path, progress);
}

std::vector<TransferLine> Session::readNamedFile(const QString &path, const Progress &progress)
{
    try {
        return readFile(path, progress);
    } catch (const UserError &e) {
        if (e.message().contains(path)) throw;
        throw UserError(FileMessage.arg(QDir::toNativeSeparators(path), e.message()));
    }
}

int Session::importFile(const QString &path, const Progress &progress)
{
    replaceAll(readFile(path, progress));
    return m_list.count();
}

void Session::replaceAll(std::vector<TransferLine> lines)
{
    Dictionaries fresh;
    fresh.names.reserve(qsizetype(lines.size()));
    fresh.pairs.reserve(qsizetype(lines.size()));
    // Keys, amounts, names and contract types are worked out on a second thread while this
    // one numbers the account/key pairs (the largest dictionary, one cache miss a line):
    // each writes its own members of the lines' figures.
    auto figures = [&lines, &fresh] {
        for (TransferLine &line : lines) {
            deriveFigures(line);
            deriveNameAndType(line, fresh.names, fresh.types);
        }
    };
    std::thread other;
    if (lines.size() >= 100000)
        other = std::thread(figures);
    else
        figures();
    for (TransferLine &line : lines)
        derivePair(line, fresh.pairs);
    if (other.joinable()) other.join();
    // The recorded changes name ids of the old dictionaries: they go first.
    m_undoStack.clear();
    m_undoDropped = false;
    m_dictionaries = std::move(fresh);
    m_list.replaceAll(std::move(lines));
    recount();
    publish();
    emit linesChanged();
}

void Session::restoreUnexported(std::vector<TransferLine> lines)
{
    replaceAll(std::move(lines));
    m_undoStack.resetClean();
}
