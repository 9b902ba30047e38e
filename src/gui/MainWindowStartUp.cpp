// The main window's start (place, updater, journal), activation and close.
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

// --- start, activation and close ---

void MainWindow::cleanProgramFolder()
{
    // An installed copy's folder belongs to the system: nothing of ours to clean there.
    if (m_folders.installed()) return;
    deleteBuildTempFiles(m_folders.programDir() + QDir::separator());
    cleanAllTempFiles(m_folders.programDir());
}

QString MainWindow::settingsFile() const
{
    return m_folders.settingsFile();
}

void MainWindow::loadPlace()
{
    QString problem;
    m_placeMemo->setPlainText(
        loadLinesFromIni(settingsFile(), QStringLiteral("Infos"), &problem).join(u'\n'));
    // A settings file that cannot be read is left as it is, and the clerk told.
    if (!problem.isEmpty()) m_prompts->error(this, problem);
    if (!m_placeMemo->toPlainText().trimmed().isEmpty()) {
        m_prompts->information(this, Texts::PlaceStored());
        return;
    }
    const std::optional<QString> place =
        m_prompts->input(this, Texts::PlaceCaption(), Texts::PlacePrompt(), QString(), true);
    if (!place) {
        m_placeMemo->setPlainText(Texts::PlaceCancelled());
        return;
    }
    m_placeMemo->setPlainText(*place);
    // A place that cannot be stored is reported; the start goes on.
    runCommand([this] { savePlace(); });
}

void MainWindow::savePlace()
{
    // Every line of the memo, empty ones at the end included, so the place reads back as it
    // was; an empty memo has no line.
    const QString text = m_placeMemo->toPlainText();
    saveLinesToIni(settingsFile(), QStringLiteral("Infos"),
                   text.isEmpty() ? QStringList() : text.split(u'\n'));
}

void MainWindow::startUpdater()
{
    // The updater probes the network and reads the offered version on a worker thread: the
    // window shows at once, the light saying "checking" until the answers arrive.
    UpdaterSetup &u = m_updaterSetup;
    if (!u.http) u.http = std::make_shared<CurlHttpClient>();
    if (!u.quit) u.quit = [] { QCoreApplication::exit(0); };
    // After a download the place memo is saved as at a normal close before the program ends.
    m_updaterControls =
        std::make_unique<UpdaterControls>(m_updateLight, m_versionLabel, m_offeredVersionLabel,
                                          m_progressBar, m_updateButton, *m_prompts, this, [this] {
                                              runCommand([this] { savePlace(); });
                                              m_updaterSetup.quit();
                                          });
    Updater::Places places{m_folders.programDir(), u.probeUrl,
                           u.tlsFiles ? *u.tlsFiles : tlsLibraryFiles(m_folders.programDir()),
                           m_folders.installed()};
    m_updater = std::make_unique<Updater>(u.http, *m_updaterControls, u.manifestUrl,
                                          std::move(places), u.publicKey, u.limits);
    m_updater->showStatus();
}

void MainWindow::startJournal()
{
    const QString path = m_folders.dataPath(Folders::JournalFile);
    // One window owns the journal, through a hidden lock file in the data folder. A lock
    // left by a copy that ended without releasing it (its process is gone) is taken over.
    m_journalLock = std::make_unique<QLockFile>(m_folders.dataPath(Folders::JournalLockFile));
    m_journalLock->setStaleLockTime(0);
    if (!m_journalLock->tryLock(0) && m_journalLock->error() == QLockFile::LockFailedError) {
        // Another running copy holds it: its list is neither offered nor removed here.
        m_journal = std::make_unique<JournalKeeper>(*m_session, QString());
        m_journalMark->setText(Texts::JournalHeldMark());
        m_journalMark->show();
        m_prompts->error(this, Texts::JournalHeldElsewhere().arg(QDir::toNativeSeparators(path)));
        return;
    }
    if (QFileInfo::exists(path)) {
        runCommand([this, &path] {
            ListJournal::Contents kept;
            try {
                kept = ListJournal::read(path);
            } catch (const UserError &e) {
                // A damaged journal never blocks the start: it is kept aside for a look.
                const QString aside = JournalKeeper::setAside(path);
                m_prompts->error(this, Texts::JournalSetAside().arg(
                                           e.message(), QDir::toNativeSeparators(aside)));
                return;
            }
            const QString question =
                Texts::JournalFound()
                    .arg(kept.lines.size())
                    .arg(kept.savedAt.toLocalTime().toString(Texts::JournalDate()));
            // Yes keeps the clerk's work: it is what Enter answers.
            if (!kept.lines.empty() && m_prompts->question(this, question, Prompts::Answer::Yes))
                m_session->restoreUnexported(std::move(kept.lines));
            else
                QFile::remove(path);
        });
    }
    m_journal = std::make_unique<JournalKeeper>(*m_session, path);
    // A journal that cannot be written is told once, and marked while it lasts.
    connect(m_journal.get(), &JournalKeeper::writeFailed, this, [this](const QString &message) {
        m_journalMark->setText(Texts::JournalFailingMark());
        m_journalMark->setToolTip(message);
        m_journalMark->show();
        m_prompts->error(this, Texts::JournalNotKept().arg(message));
    });
    connect(m_journal.get(), &JournalKeeper::writeRecovered, this, [this] {
        m_journalMark->hide();
        m_journalMark->setToolTip(QString());
    });
}

void MainWindow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !m_importing)
        runCommand([this] { showFigures(); });
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (m_importing) {
        event->ignore();
        return;
    }
    if (m_session->hasUnexportedChanges() && m_session->list().totalCount() > 0 &&
        !m_prompts->question(this, Texts::LeaveUnexported())) {
        event->ignore();
        return;
    }
    // A place that cannot be stored is reported; the window closes all the same.
    runCommand([this] { savePlace(); });
    saveWindowState();
    // Leaving was confirmed, or nothing was left unexported: the journal has done its job.
    m_journal->discard();
    event->accept();
}

void MainWindow::restoreWindowState()
{
    const QSettings settings;
    restoreGeometry(settings.value(QStringLiteral("window/geometry")).toByteArray());
    m_table->horizontalHeader()->restoreState(
        settings.value(QStringLiteral("window/columns")).toByteArray());
}

void MainWindow::saveWindowState() const
{
    QSettings settings;
    settings.setValue(QStringLiteral("window/geometry"), saveGeometry());
    settings.setValue(QStringLiteral("window/columns"), m_table->horizontalHeader()->saveState());
}

void MainWindow::dragEnterEvent(QDragEnterEvent *event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!m_importing && urls.size() == 1 && urls.first().isLocalFile())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent *event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() != 1 || !urls.first().isLocalFile()) return;
    event->acceptProposedAction();
    const QString path = urls.first().toLocalFile();
    // The import may show boxes: it runs once the drop has finished.
    QTimer::singleShot(0, this, [this, path] { openFile(path); });
}
