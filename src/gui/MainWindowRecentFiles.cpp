// The main window's recent-files menu.
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

// --- recent files ---

void MainWindow::rememberRecentFile(const QString &path)
{
    QSettings settings;
    QStringList files = settings.value(QStringLiteral("recentFiles")).toStringList();
    files.removeAll(path);
    files.prepend(path);
    settings.setValue(QStringLiteral("recentFiles"), files.mid(0, 8));
}

void MainWindow::fillRecentFilesMenu()
{
    m_recentFilesMenu->clear();
    const QStringList files = QSettings().value(QStringLiteral("recentFiles")).toStringList();
    if (files.isEmpty()) m_recentFilesMenu->addAction(Texts::NoRecentFiles())->setEnabled(false);
    for (const QString &file : files)
        connect(m_recentFilesMenu->addAction(QDir::toNativeSeparators(file)), &QAction::triggered,
                this, [this, file] { openFile(file); });
}
