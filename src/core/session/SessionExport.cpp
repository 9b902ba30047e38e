// The session's exports: the computer code, where each file goes, writing and recording it.
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

const QString CannotCreateFolder = QStringLiteral("Le dossier « %1 » ne peut pas être créé.");

} // namespace

// --- exports ---

QString Session::checkedCode(const QString &code, ExportKind kind)
{
    const QString trimmed = trimBlanks(code).toString();
    if (trimmed.isEmpty())
        throw UserError(kind == ExportKind::Text ? TextExport::CodeEmptyText
                                                 : WorkbookExport::CodeEmptyText);
    const QString problem = TextExport::codeProblem(trimmed);
    if (!problem.isEmpty()) throw UserError(problem + TextExport::CancelledSuffix);
    return trimmed;
}

QString Session::exportPath(const Folders &folders, ExportKind kind, const QString &code,
                            const QDateTime &when)
{
    const QString trimmed = checkedCode(code, kind);
    const QString name =
        (kind == ExportKind::Text ? Folders::TextExportFolder : Folders::WorkbookExportFolder)
            .toString();
    const QString folder = folders.dataDir(name);
    if (folder.isEmpty())
        throw UserError(CannotCreateFolder.arg(
            QDir::toNativeSeparators(QDir(folders.dataRoot()).filePath(name))));
    const QString file = kind == ExportKind::Text ? TextExport::fileNameFor(trimmed)
                                                  : WorkbookExport::fileNameFor(trimmed, when);
    return QDir::toNativeSeparators(QDir(folder).filePath(file));
}

void Session::recordExport(ExportResult &result, ExportKind kind, const QString &code)
{
    if (result.filtered || !m_exportRecorder) return;
    try {
        result.recordProblem =
            m_exportRecorder(*this, {kind, result.path, code, QDateTime::currentDateTime()});
    } catch (const std::exception &e) {
        result.recordProblem = QString::fromUtf8(e.what());
    }
    result.recorded = result.recordProblem.isEmpty();
}

Session::ExportResult Session::exportText(const QString &path, const QString &code)
{
    TextExport::writeFile(m_list, path);
    return exported(path, ExportKind::Text, code);
}

Session::ExportResult Session::exportWorkbook(const QString &path, RepairResult *repair,
                                              const QString &code)
{
    // The keys are repaired first, as they are to be sent, even if the workbook then
    // cannot be written.
    const RepairResult repaired = repairKeys(KeyKind::Rip);
    if (repair) *repair = repaired;
    WorkbookExport::writeFile(m_list, path);
    return exported(path, ExportKind::Workbook, code);
}

Session::ExportResult Session::exported(const QString &path, ExportKind kind, const QString &code)
{
    markExported();
    ExportResult result;
    result.path = path;
    result.lines = m_list.count();
    result.filtered = m_list.filtered();
    recordExport(result, kind, code);
    return result;
}

void Session::markExported()
{
    // A file of the shown lines under a filter that hides some holds only part of the list:
    // the list as a whole stays unexported, and its journal and the question at close with it.
    if (m_list.count() == m_list.totalCount()) m_undoStack.setClean();
}
