// The main window's figures: lights, counters, panels and totals.
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

// --- figures ---

void MainWindow::showFigures()
{
    const ListFigures &f = m_session->figures();
    const ListPanels &p = m_session->panels();
    m_netTotalLabel->setText(Statistics::totalNetText(f.netCents));
    m_yieldTotalLabel->setText(Statistics::totalYieldText(f.yieldCents));
    m_generalTotalLabel->setText(Statistics::totalGeneralText(f.generalCents()));
    m_netTotalBox->setText(AmountText::formatCents(f.netCents));
    m_yieldTotalBox->setText(AmountText::formatCents(f.yieldCents));
    m_generalTotalBox->setText(AmountText::formatCents(f.generalCents()));

    // The error lines: the three counters, a warning for amounts that do not read, then one
    // line per shown line in error, made when shown.
    QStringList head = Statistics::counterLines(f.rip, f.ccp, f.wrong);
    if (f.unreadableAmounts > 0) head << Texts::UnreadableAmounts().arg(f.unreadableAmounts);
    if (f.shortInsuranceNumbers > 0) head << m_session->shortInsuranceWarning();
    const Session *session = m_session;
    m_errorLinesView->setSource(int(head.size()) + f.wrong, [session, head](int i) {
        return i < head.size() ? head[i] : session->errorLine(i - int(head.size()));
    });
    m_wrongKeysView->setSource(f.wrong, [session](int i) { return session->wrongPairLine(i); });

    // A light is lit while it counts something; at rest it takes the buttons' colour.
    const QColor neutral = palette().color(QPalette::Button);
    m_ripLight->setBrushColor(f.rip > 0 ? RipGreen : neutral);
    m_ccpLight->setBrushColor(f.ccp > 0 ? CcpYellow : neutral);
    m_errorLight->setBrushColor(f.wrong > 0 ? ErrorRed : neutral);
    m_ripCountLabel->setText(QString::number(f.rip));
    m_ccpCountLabel->setText(QString::number(f.ccp));
    m_errorCountLabel->setText(QString::number(f.wrong));
    m_ripCaptionLabel->setText(counted(tr("RIP: "), f.rip));
    m_ccpCaptionLabel->setText(counted(tr("CLE: "), f.ccp));
    m_errorCaptionLabel->setText(counted(tr("Erreur: "), f.wrong));

    m_duplicateNamesView->setLines(p.duplicateNames);
    m_duplicateAccountsView->setLines(p.duplicateAccounts);
    m_contractTypesView->setLines(p.contractTypes);
    m_duplicateAccountsCountLabel->setText(
        counted(tr("Nb Comptes Double : "), p.duplicateAccountCount()));
    m_contractTypesCountLabel->setText(counted(tr("Nb Type Du Contrat : "), p.contractTypeCount()));
    m_wrongKeysCountLabel->setText(counted(tr("Nb des Erreur : "), f.wrong));
    m_duplicateNamesCountLabel->setText(counted(tr("Nb Nom Double : "), p.duplicateNameCount()));
    m_shownCountLabel->setText(
        m_session->list().filtered() ? Texts::ShownCount().arg(f.shown).arg(f.all) : QString());
}
