// The main window's commands: each runs inside runCommand, calls the session and tells the result.
#include "MainWindow.h"
#include "MainWindowShared.h"

#include "CompareDialog.h"
#include "HistoryDialog.h"
#include "ImportProgress.h"
#include "NamedWidget.h"
#include "Prompts.h"
#include "RecordEditor.h"
#include "StatusLight.h"
#include "TextLinesView.h"
#include "UpdaterControls.h"
#include "WaitCursor.h"
#include "WindowFonts.h"
#include "export/TextExport.h"
#include "history/HistoryRecorder.h"
#include "history/HistorySettings.h"
#include "keys/Keys.h"
#include "keys/Statistics.h"
#include "model/AmountText.h"
#include "model/UserError.h"
#include "reports/PreparedReport.h"
#include "reports/ReportTexts.h"
#include "session/JournalKeeper.h"
#include "session/ListJournal.h"
#include "session/RepairMessage.h"
#include "settings/Cleaner.h"
#include "settings/PlaceLines.h"
#include "update/CurlHttpClient.h"
#include "update/Updater.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLockFile>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QShortcut>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <array>

using namespace MainWindowShared;

void MainWindow::runCommand(const std::function<void()> &command)
{
    // The import lets window events run; other commands wait until it has finished.
    if (m_importing) return;
    try {
        command();
    } catch (const UserError &e) {
        m_prompts->error(this, e.message());
    } catch (const std::bad_alloc &) {
        m_prompts->error(this, OutOfMemoryText);
    } catch (const std::exception &e) {
        m_prompts->error(this, QString::fromLocal8Bit(e.what()));
    }
}

// --- import ---

void MainWindow::importList()
{
    const QString path = m_prompts->openFileName(this, Texts::ImportFilter());
    if (!path.isEmpty()) importChosenFile(path);
}

void MainWindow::openFile(const QString &path)
{
    runCommand([this, &path] { importChosenFile(path); });
}

void MainWindow::importChosenFile(const QString &path)
{
    // A file that cannot be imported at all is told in a plain message; read errors in
    // the general error box.
    const QString refusal = Session::refusalBeforeReading(path);
    if (!refusal.isEmpty()) {
        m_prompts->message(this, refusal);
        return;
    }
    // A new list replaces the lines and clears the undo history: changes never exported
    // are not thrown away without a word.
    if (m_session->hasUnexportedChanges() && m_session->list().totalCount() > 0 &&
        !m_prompts->question(this, Texts::ReplaceUnexported()))
        return;
    importPath(path);
    rememberRecentFile(QFileInfo(path).absoluteFilePath());
    const Statistics::TypeCounts &c = m_session->figures().types;
    m_prompts->message(this, Texts::TypeCounts().arg(c.d).arg(c.i).arg(c.p));
}

void MainWindow::importPath(const QString &path)
{
    const bool workbook = Session::kindOf(path) == Session::FileKind::Workbook;
    if (!workbook) m_folders.dataDir(Folders::ErrorReportsFolder);
    WaitCursor wait;
    m_importing = true;
    // Escape belongs to the import's cancel button while it runs.
    m_clearFilters->setEnabled(false);
    struct Reset {
        MainWindow *window;
        ~Reset()
        {
            window->m_importing = false;
            window->m_clearFilters->setEnabled(true);
        }
    } reset{this};

    int count = 0;
    {
        ImportProgress progress(m_progressBar);
        // The session is changed only once the whole file has been read.
        count = m_session->importFile(
            path, [&progress](int permille) { return progress.update(permille); });
    }
    m_progressBar->setRange(0, std::max(1, count));
    m_progressBar->setValue(m_progressBar->maximum());
    // The new list is shown whole: the filter boxes start empty again.
    for (QLineEdit *e : {m_accountFilter, m_nameFilter}) {
        const QSignalBlocker block(e);
        e->clear();
    }
    m_pathLabel->setText((workbook ? Texts::ImportedExcel() : Texts::Imported()) + path);
    if (workbook)
        m_prompts->message(
            this,
            QString(Texts::ExcelDone()).replace(QStringLiteral("%d"), QString::number(count)));
}

// --- key repairs ---

void MainWindow::repairRipKeys()
{
    reportRepair(KeyKind::Rip, m_session->repairKeys(KeyKind::Rip));
}

void MainWindow::repairCcpKeys()
{
    reportRepair(KeyKind::Ccp, m_session->repairKeys(KeyKind::Ccp));
}

void MainWindow::reportRepair(KeyKind kind, const Session::RepairResult &result)
{
    const ListFigures &f = m_session->figures();
    m_prompts->message(this, repairMessage(kind, result, f.shown, f.all));
}

bool MainWindow::confirmShownOnly(const QString &question)
{
    const ListFigures &f = m_session->figures();
    if (f.shown >= f.all) return true;
    return m_prompts->question(this, question.arg(f.shown).arg(f.all).arg(f.all - f.shown));
}

// --- list commands ---

void MainWindow::cleanList()
{
    if (m_session->list().count() == 0) return;
    m_session->clean();
    m_prompts->message(this, Texts::CleanCompleted());
}

void MainWindow::deleteSelectedLine()
{
    // No question: the status line names the line that went, and undo brings it back.
    const int row = selectedRow();
    if (row >= 0) {
        const TransferLine &line = m_session->list().line(row);
        const QString told = Texts::LineDeleted()
                                 .arg(m_session->list().lineNumber(row))
                                 .arg(trimBlanks(line.subItemView(TransferLine::Name)),
                                      trimBlanks(line.subItemView(TransferLine::Account)));
        if (m_session->deleteRow(row)) m_statusLabel->setText(told);
    }
    // Nothing stays selected, so a second click deletes nothing.
    m_table->selectionModel()->clearSelection();
    m_table->setCurrentIndex(QModelIndex());
}

void MainWindow::deleteShownLines()
{
    const ListFigures &f = m_session->figures();
    const QString question = m_session->list().filtered()
                                 ? Texts::DeleteShown().arg(f.shown).arg(f.all - f.shown)
                                 : Texts::DeleteAll() + Texts::DeleteAllCount().arg(f.shown);
    if (m_prompts->question(this, question)) m_session->deleteShown();
}

// --- filters ---

void MainWindow::filterByAccount()
{
    m_session->setFilter(WorkingList::FilterField::Account, m_accountFilter->text());
}

void MainWindow::filterByName()
{
    m_session->setFilter(WorkingList::FilterField::Name, m_nameFilter->text());
}

// --- record editor ---

int MainWindow::selectedRow() const
{
    const QModelIndexList rows = m_table->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void MainWindow::selectRow(int row)
{
    if (row < 0 || row >= m_session->list().count()) return;
    m_table->selectRow(row);
    m_table->setCurrentIndex(m_session->list().index(row, 0));
    m_table->scrollTo(m_session->list().index(row, 0));
}

void MainWindow::appendFromEditor(const RecordEditor &editor)
{
    selectRow(m_session->appendLine(editor.line(TransferLine())));
    m_prompts->message(this, Texts::Added());
}

void MainWindow::editSelectedLine()
{
    const int row = selectedRow();
    if (row < 0) return;
    const TransferLine original = m_session->list().line(row);
    RecordEditor dialog(m_prompts, this);
    dialog.setCells(original);
    if (m_prompts->execDialog(&dialog) != QDialog::Accepted) return;
    // "Enregistrer" writes the boxes back into the line; "Add New" appends a line of its own
    // and leaves this one as it was.
    if (dialog.closedBy() == RecordEditor::Closed::Saved && row < m_session->list().count()) {
        m_session->replaceLine(row, dialog.line(original));
        m_prompts->message(this, Texts::Saved());
    } else if (dialog.closedBy() == RecordEditor::Closed::Added) {
        appendFromEditor(dialog);
    }
}

void MainWindow::addLine()
{
    // From "Add", both "Enregistrer" and "Add New" append: no existing line is overwritten.
    if (m_prompts->execDialog(m_addLineEditor) == QDialog::Accepted &&
        (m_addLineEditor->closedBy() == RecordEditor::Closed::Saved ||
         m_addLineEditor->closedBy() == RecordEditor::Closed::Added))
        appendFromEditor(*m_addLineEditor);
}

// --- exports ---

QString MainWindow::writtenNote(const Session::ExportResult &result)
{
    return u'\n' +
           (result.filtered ? Texts::WrittenFiltered() : Texts::Written()).arg(result.lines);
}

QString MainWindow::askExportPath(Session::ExportKind kind, const QString &caption,
                                  const QString &prompt)
{
    const std::optional<QString> answer = m_prompts->input(this, caption, prompt, QString(), false);
    if (!answer) return QString();
    try {
        return Session::exportPath(m_folders, kind, *answer);
    } catch (const UserError &e) {
        m_prompts->message(this, e.message());
        return QString();
    }
}

bool MainWindow::changesAccepted(bool checkLinesFirst)
{
    // Before the whole list goes out, the changes made by hand since the import are shown,
    // printable, for a second person to check.
    if (m_session->list().filtered() || !m_session->hasUnexportedChanges() ||
        !m_session->changedSinceImport())
        return true;
    // A list the export would refuse is refused first, as the export itself would.
    if (checkLinesFirst) TextExport::refuseFaultyLines(m_session->list());
    if (!m_session->changesSinceImportKnown())
        return m_prompts->question(this, Texts::ControlUnavailable());
    ListComparison changes;
    {
        WaitCursor wait;
        changes = m_session->changesSinceImport();
    }
    if (changes.same()) return true;
    CompareDialog dialog(std::move(changes), *m_prompts, m_placeMemo->toPlainText(),
                         m_folders.dataDir(Folders::WorkbookExportFolder), this);
    dialog.setObjectName(QStringLiteral("controlDialog"));
    dialog.setWindowTitle(Texts::ControlTitle());
    m_prompts->execDialog(&dialog);
    return m_prompts->question(this, Texts::ExportWithChanges());
}

template <class Command> auto MainWindow::tellingRipRepair(Command &&command)
{
    Session::RepairResult repair;
    try {
        auto result = command(&repair);
        reportRepair(KeyKind::Rip, repair);
        return result;
    } catch (const UserError &) {
        // The keys were repaired before the command failed: say so, then why.
        reportRepair(KeyKind::Rip, repair);
        throw;
    }
}

void MainWindow::tellRecording(const Session::ExportResult &result)
{
    // The recording started with the export has mostly ended by the time the clerk has read
    // that the file is written.
    QString problem = result.recordProblem;
    if (problem.isEmpty()) {
        WaitCursor wait;
        problem = m_history->finishRecording();
    }
    if (!problem.isEmpty()) m_prompts->error(this, problem);
}

void MainWindow::exportText()
{
    if (!confirmShownOnly(Texts::ExportShown())) return;
    const QString path =
        askExportPath(Session::ExportKind::Text, Texts::CodeCaption(), Texts::CodePrompt());
    if (path.isEmpty() || !changesAccepted(true)) return;
    const Session::ExportResult result = m_session->exportText(path);
    m_prompts->message(this, Texts::Exported() + path + writtenNote(result));
    tellRecording(result);
    m_pathLabel->setText(path);
    if (QFileInfo::exists(path))
        m_prompts->openWithShell(path);
    else
        m_prompts->message(this, Texts::ExportMissing() + path);
}

void MainWindow::exportWorkbook()
{
    if (!confirmShownOnly(Texts::ExportShown())) return;
    const QString path = askExportPath(Session::ExportKind::Workbook, Texts::ExcelCodeCaption(),
                                       Texts::ExcelCodePrompt());
    if (path.isEmpty() || !changesAccepted(false)) return;
    const Session::ExportResult result =
        tellingRipRepair([this, &path](Session::RepairResult *repair) {
            return m_session->exportWorkbook(path, repair);
        });
    m_prompts->message(this, Texts::ExcelWritten() + path);
    tellRecording(result);
    if (QFileInfo::exists(path)) {
        m_prompts->message(this, Texts::ExcelCreated() + u'\n' + path + writtenNote(result));
        m_prompts->openWithShell(path);
    } else {
        m_prompts->message(this, Texts::ExcelMissing() + path);
    }
}

// --- printed reports and comparison ---

void MainWindow::printList()
{
    if (m_session->list().count() == 0) {
        m_prompts->notice(this, ReportTexts::NoDataCaption(), ReportTexts::NoDataToPrint());
        return;
    }
    // Asked before the keys are repaired: No leaves the list as it is.
    if (!confirmShownOnly(Texts::PrintShown())) return;
    const PreparedReport pages = tellingRipRepair([this](Session::RepairResult *repair) {
        WaitCursor wait;
        return m_session->listReport(m_placeMemo->toPlainText(), selectedRow(), {}, repair);
    });
    m_prompts->showReport(this, pages);
}

void MainWindow::printErrorReport()
{
    if (m_session->wrongRows().empty()) {
        m_prompts->message(this, ReportTexts::NoErrors());
        return;
    }
    if (!confirmShownOnly(Texts::PrintErrorsShown())) return;
    PreparedReport pages;
    {
        WaitCursor wait;
        pages = m_session->errorReport();
    }
    m_prompts->showReport(this, pages);
}

void MainWindow::showHistory()
{
    HistoryArchive *archive = nullptr;
    try {
        archive = &m_history->archive();
    } catch (const UserError &) {
        m_history->reset();
        throw;
    }
    HistoryDialog dialog(
        *archive, *m_session, *m_prompts, m_placeMemo->toPlainText(),
        m_folders.dataDir(Folders::WorkbookExportFolder),
        [this](std::vector<TransferLine> lines) {
            if (m_session->hasUnexportedChanges() && m_session->list().totalCount() > 0 &&
                !m_prompts->question(this, Texts::ReplaceUnexported()))
                return false;
            m_session->replaceAll(std::move(lines));
            return true;
        },
        this);
    m_prompts->execDialog(&dialog);
}

void MainWindow::compareWithList()
{
    // The last archived export is the comparison's default; No chooses a file instead.
    if (m_session->list().totalCount() > 0) {
        std::optional<ArchivedExport> last;
        try {
            const std::vector<ArchivedExport> all = m_history->archive().exports();
            if (!all.empty()) last = all.front();
        } catch (const UserError &) {
            m_history->reset(); // no archive to offer: the file is asked for
        }
        if (last && m_prompts->question(
                        this, Texts::CompareWithLast().arg(HistoryRecorder::exportName(*last)))) {
            ListComparison comparison;
            {
                WaitCursor wait;
                comparison = m_session->compareWithLines(
                    HistoryRecorder::asTransferLines(m_history->archive().lines(last->id)),
                    HistoryRecorder::exportName(*last));
            }
            CompareDialog dialog(std::move(comparison), *m_prompts, m_placeMemo->toPlainText(),
                                 m_folders.dataDir(Folders::WorkbookExportFolder), this);
            m_prompts->execDialog(&dialog);
            return;
        }
    }
    CompareDialog::run(this, *m_session, *m_prompts, m_placeMemo->toPlainText(),
                       m_folders.dataDir(Folders::WorkbookExportFolder));
}
