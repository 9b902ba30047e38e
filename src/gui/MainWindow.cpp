// The main window: its controls, built once.
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

QIcon MainWindow::applicationIcon()
{
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/app/talvoro-%1.png").arg(size), QSize(size, size));
    return icon;
}

MainWindow::MainWindow(std::shared_ptr<Prompts> prompts, Folders folders, UpdaterSetup updater,
                       QWidget *parent)
    : QWidget(parent), m_prompts(std::move(prompts)), m_folders(std::move(folders)),
      m_updaterSetup(std::move(updater)), m_session(new Session(this))
{
    // Every export of the whole list goes into the payment history, recorded on a worker
    // thread while the clerk reads that the file is written (the settings are read there
    // too: a file read, safe from any thread).
    m_history = std::make_unique<HistoryRecorder>(
        [this] { return HistorySettings::read(m_folders, settingsFile()).open(); });
    m_session->setExportRecorder(m_history->asStartingRecorder());
    buildControls();
    buildMenu();
    buildShortcuts();
    buildUndoActions();
    setAcceptDrops(true);
    connect(m_session, &Session::changed, this, &MainWindow::showFigures);

    // The window has its place before the first boxes, which open centred over it.
    sizeColumns();
    resize(940, 595);
    if (QScreen *s = screen()) move(s->availableGeometry().center() - rect().center());
    restoreWindowState();
    cleanProgramFolder();
    loadPlace();
    startJournal();
    showFigures();
    showClock();
    m_clock->start();
    startUpdater();
    m_addLineEditor = named(new RecordEditor(m_prompts, this), "addLineEditor");
}

MainWindow::~MainWindow()
{
    // The journal copies the session's lines: it goes first, then its lock.
    m_journal.reset();
    m_journalLock.reset();
    cleanProgramFolder();
    m_updater.reset();
    // The session, a child, is destroyed after this window's members: nothing it signals
    // while it goes may reach them.
    m_session->disconnect(this);
    m_session->undoStack().disconnect();
    m_session->disconnect(m_undoAction);
}

// --- building the window ---

void MainWindow::buildControls()
{
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(Texts::Caption());
    setWindowIcon(applicationIcon());
    setFont(WindowFonts::interface(8));
    const QFontMetrics metrics(font());

    // Command buttons along the top.
    auto *buttons = new QHBoxLayout;
    // "&" marks each button's Alt+letter.
    auto button = [this, buttons](const QString &text, const char *name) {
        auto *b = named(new QPushButton(text, this), name);
        b->setMinimumSize(100, 30);
        buttons->addWidget(b);
        return b;
    };
    m_importButton = button(tr("&Import (txt, xlsx)"), "importButton");
    m_repairRipButton = button(tr("Fixeé &RIP"), "repairRipButton");
    m_repairCcpButton = button(tr("Fixeé &Cle"), "repairCcpButton");
    m_exportTextButton = button(tr("Export &TXT"), "exportTextButton");
    m_exportWorkbookButton = button(tr("Export E&xcel"), "exportWorkbookButton");
    m_deleteLineButton = button(tr("&Supprimeé"), "deleteLineButton");
    m_deleteShownButton = button(tr("Supprimer t&ous"), "deleteShownButton");
    m_historyButton = button(tr("Histori&que"), "historyButton");
    buttons->addStretch();

    // The progress bar, and beside it how many lines a filter leaves shown.
    m_progressBar = named(new QProgressBar(this), "progressBar");
    m_progressBar->setTextVisible(false);
    m_progressBar->setRange(0, 100);
    m_progressBar->setValue(0);
    m_shownCountLabel = named(new QLabel(this), "shownCountLabel");
    m_shownCountLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_shownCountLabel->setMinimumWidth(
        metrics.horizontalAdvance(Texts::ShownCount().arg(9999999).arg(9999999)) + 8);
    // Shown while the list is not kept in the journal.
    m_journalMark = named(new QLabel(this), "journalMark");
    setTextColour(m_journalMark, ErrorRed);
    m_journalMark->hide();
    auto *progressRow = new QHBoxLayout;
    progressRow->addWidget(m_progressBar, 1);
    progressRow->addWidget(m_journalMark);
    progressRow->addWidget(m_shownCountLabel);

    // The list of lines.
    m_table = named(new QTableView(this), "lineTable");
    m_table->setModel(&m_session->list());
    m_table->setFont(WindowFonts::list());
    setBackground(m_table, TooltipYellow);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setWordWrap(false);
    m_table->verticalHeader()->hide();
    // Fixed row heights keep scrolling and painting independent of the number of lines.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(QFontMetrics(m_table->font()).height() + 4);
    m_table->horizontalHeader()->setHighlightSections(false);
    m_table->setContextMenuPolicy(Qt::CustomContextMenu);
    // Tab moves on to the next control instead of from cell to cell.
    m_table->setTabKeyNavigation(false);
    m_table->setMinimumHeight(120);

    m_errorLinesView = named(new TextLinesView(this), "errorLinesView");
    setBackground(m_errorLinesView, Qt::white);
    m_errorLinesView->setMinimumHeight(80);

    // Under the list: filters, the update button and versions, the totals, the place memo.
    auto caption = [this](const QString &text,
                          Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) {
        auto *l = new QLabel(text, this);
        l->setAlignment(align);
        return l;
    };
    auto filter = [this](const char *name, int width) {
        auto *e = named(new QLineEdit(this), name);
        e->setMinimumWidth(width);
        setBackground(e, FilterGreen);
        return e;
    };
    m_accountFilter = filter("accountFilter", 123);
    m_nameFilter = filter("nameFilter", 156);
    // Totals: lime and yellow figures on a dark field, like a counter display.
    auto totalBox = [this](const char *name, const QColor &colour) {
        auto *e = named(new QLineEdit(this), name);
        e->setReadOnly(true);
        e->setFocusPolicy(Qt::ClickFocus);
        e->setAlignment(Qt::AlignRight);
        e->setMinimumWidth(156);
        setBackground(e, Qt::black);
        setTextColour(e, colour);
        return e;
    };
    m_netTotalBox = totalBox("netTotalBox", QColor(0, 255, 0));
    m_yieldTotalBox = totalBox("rendementTotalBox", QColor(0, 255, 0));
    m_generalTotalBox = totalBox("generalTotalBox", QColor(255, 255, 0));

    m_updateButton = named(new QPushButton(tr("&Update"), this), "updateButton");
    m_updateButton->setMinimumSize(81, 33);
    m_updateLight = named(new StatusLight(this), "updateLight");
    m_updateLight->setFixedSize(34, 33);
    // The version texts are Arabic: they still start at the labels' left edge.
    const Qt::Alignment atLeft = Qt::AlignLeft | Qt::AlignAbsolute | Qt::AlignVCenter;
    // Both read "LabelServerVersion" until the updater writes the versions: the placeholder
    // clerks have always seen before the first answer, kept as it was.
    m_versionLabel = named(caption(tr("LabelServerVersion"), atLeft), "versionLabel");
    m_offeredVersionLabel = named(caption(tr("LabelServerVersion"), atLeft), "offeredVersionLabel");

    auto *update = new QHBoxLayout;
    update->addWidget(m_updateButton);
    update->addWidget(m_updateLight);
    update->addStretch();
    const Qt::Alignment atRight = Qt::AlignRight | Qt::AlignVCenter;
    auto *underList = new QGridLayout;
    underList->setVerticalSpacing(2);
    underList->addWidget(caption(tr("R.Compte")), 0, 0);
    underList->addWidget(m_accountFilter, 0, 1);
    underList->addWidget(caption(tr("R.Nom"), atRight), 0, 2);
    underList->addWidget(m_nameFilter, 0, 3);
    underList->addLayout(update, 1, 0, 2, 2);
    underList->addWidget(m_versionLabel, 3, 0, 1, 2);
    underList->addWidget(m_offeredVersionLabel, 4, 0, 1, 2);
    underList->addWidget(caption(tr("Net"), atRight), 1, 2);
    underList->addWidget(m_netTotalBox, 1, 3);
    underList->addWidget(caption(tr("Rend"), atRight), 2, 2);
    underList->addWidget(m_yieldTotalBox, 2, 3);
    underList->addWidget(caption(tr("Total"), atRight), 3, 2);
    underList->addWidget(m_generalTotalBox, 3, 3);
    underList->setRowStretch(5, 1);

    m_placeMemo = named(new QPlainTextEdit(this), "placeMemo");
    m_placeMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_placeMemo->setTabChangesFocus(true);
    // As tall as the filters and totals beside it; wider as the window grows.
    m_placeMemo->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Ignored);
    setBackground(m_placeMemo, TooltipYellow);
    auto *bottom = new QHBoxLayout;
    bottom->addLayout(underList);
    bottom->addWidget(m_placeMemo, 1);

    auto *left = new QVBoxLayout;
    left->addLayout(buttons);
    left->addLayout(progressRow);
    left->addWidget(m_table, 3);
    left->addWidget(m_errorLinesView, 1);
    left->addLayout(bottom);

    // To the right: the three key lights with their counts, then the panels.
    auto light = [this](const char *name) {
        auto *l = named(new StatusLight(this), name);
        l->setFixedSize(60, 50);
        return l;
    };
    auto count = [this](const char *name) {
        auto *l = named(new QLabel(QStringLiteral("0"), this), name);
        l->setAlignment(Qt::AlignCenter);
        return l;
    };
    m_ripLight = light("ripLight");
    m_ccpLight = light("ccpLight");
    m_errorLight = light("errorLight");
    m_ripCountLabel = count("ripCountLabel");
    m_ccpCountLabel = count("ccpCountLabel");
    m_errorCountLabel = count("errorCountLabel");
    m_errorCountLabel->setFont(WindowFonts::interface(8, true));
    setTextColour(m_errorCountLabel, Navy);
    // A caption keeps to its light's width: a long count goes on a second line, and the
    // room for that line is kept, so the panel neither widens nor jumps.
    const int lightWidth = std::max(60, metrics.horizontalAdvance(QStringLiteral("9999999")) + 8);
    for (auto [target, name] : {std::pair{&m_ripCaptionLabel, "ripCaptionLabel"},
                                {&m_ccpCaptionLabel, "ccpCaptionLabel"},
                                {&m_errorCaptionLabel, "errorCaptionLabel"}}) {
        *target = named(caption(QString(), Qt::AlignHCenter | Qt::AlignTop), name);
        (*target)->setWordWrap(true);
        (*target)->setFixedSize(lightWidth, 2 * metrics.lineSpacing() + 2);
    }
    auto *lights = new QGridLayout;
    lights->setSpacing(0);
    const std::array<std::array<QWidget *, 3>, 3> lightColumns{{
        {m_ripLight, m_ripCountLabel, m_ripCaptionLabel},
        {m_ccpLight, m_ccpCountLabel, m_ccpCaptionLabel},
        {m_errorLight, m_errorCountLabel, m_errorCaptionLabel},
    }};
    for (int column = 0; column < 3; ++column) {
        // The count sits on its light; added after it, it is drawn above it.
        lights->addWidget(lightColumns[column][0], 0, column, Qt::AlignCenter);
        lights->addWidget(lightColumns[column][1], 0, column, Qt::AlignCenter);
        lights->addWidget(lightColumns[column][2], 1, column);
    }

    auto *right = new QVBoxLayout;
    right->setSpacing(2);
    right->addLayout(lights);
    auto panel = [this, right, &caption](const char *name, const char *countName,
                                         const QString &hint, const QColor &colour,
                                         TextLinesView *&view, QLabel *&countLabel) {
        view = named(new TextLinesView(this), name);
        view->setToolTip(hint);
        view->setMinimumSize(173, 48);
        // As wide as the lights above; taller as the window grows.
        view->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Expanding);
        setBackground(view, colour);
        countLabel = named(caption(QString()), countName);
        right->addWidget(view, 1);
        right->addWidget(countLabel);
    };
    panel("duplicateNamesView", "duplicateNamesCountLabel", tr("Nom Prenom En Double"),
          QColor(0xFE, 0xF9, 0xE9), m_duplicateNamesView, m_duplicateNamesCountLabel);
    panel("duplicateAccountsView", "duplicateAccountsCountLabel", tr("Compte en Double"),
          QColor(0xF2, 0xFD, 0xB5), m_duplicateAccountsView, m_duplicateAccountsCountLabel);
    panel("contractTypesView", "contractTypesCountLabel", tr("Type de Contrat Nb"), TooltipYellow,
          m_contractTypesView, m_contractTypesCountLabel);
    panel("wrongKeysView", "wrongKeysCountLabel", tr("Erreur Cle Rip"), QColor(0xFF, 0xA6, 0xA6),
          m_wrongKeysView, m_wrongKeysCountLabel);
    setTextColour(m_wrongKeysView, Navy);
    // The totals in words of currency, right-aligned under the panels.
    for (auto [target, name] : {std::pair{&m_netTotalLabel, "netTotalLabel"},
                                {&m_yieldTotalLabel, "rendementTotalLabel"},
                                {&m_generalTotalLabel, "generalTotalLabel"}}) {
        *target = named(caption(QString(), atRight), name);
        (*target)->setFont(WindowFonts::list());
        right->addWidget(*target);
    }

    // Along the bottom: the file last read or written, the clock and the credit line.
    m_pathLabel = named(caption(QString()), "pathLabel");
    m_pathLabel->setMinimumWidth(1);
    m_clockLabel = named(caption(QString()), "clockLabel");
    m_clockLabel->setFont(WindowFonts::interface(10, true));
    setTextColour(m_clockLabel, Navy);
    QLabel *credit = named(caption(Texts::Credit(), atRight), "creditLabel");
    QFont italic = WindowFonts::interface(8);
    italic.setItalic(true);
    credit->setFont(italic);
    setTextColour(credit, Qt::blue);
    // What the last command did that the list alone does not show (a line deleted).
    m_statusLabel = named(caption(QString()), "statusLabel");
    m_statusLabel->setMinimumWidth(1);
    setTextColour(m_statusLabel, Navy);
    auto *footer = new QHBoxLayout;
    footer->addWidget(m_clockLabel);
    footer->addSpacing(16);
    footer->addWidget(m_statusLabel, 1);
    footer->addWidget(credit);

    auto *columns = new QHBoxLayout;
    columns->addLayout(left, 1);
    columns->addLayout(right);
    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(8, 4, 4, 4);
    root->setSpacing(4);
    root->addLayout(columns, 1);
    root->addWidget(m_pathLabel);
    root->addLayout(footer);

    connectCommand(m_importButton, &MainWindow::importList);
    connectCommand(m_repairRipButton, &MainWindow::repairRipKeys);
    connectCommand(m_repairCcpButton, &MainWindow::repairCcpKeys);
    connectCommand(m_exportTextButton, &MainWindow::exportText);
    connectCommand(m_exportWorkbookButton, &MainWindow::exportWorkbook);
    connectCommand(m_deleteLineButton, &MainWindow::deleteSelectedLine);
    connectCommand(m_deleteShownButton, &MainWindow::deleteShownLines);
    connectCommand(m_historyButton, &MainWindow::showHistory);
    // Asks before a download, or cancels the one running.
    connect(m_updateButton, &QPushButton::clicked, this, [this] {
        if (m_updater) m_updater->updateRequested();
    });
    connect(m_table, &QTableView::doubleClicked, this,
            [this] { runCommand([this] { editSelectedLine(); }); });
    // One filter applies at a time: typing in a box empties the other, so both boxes say
    // what the table shows.
    connect(m_accountFilter, &QLineEdit::textChanged, this,
            [this] { clearFilterBox(m_nameFilter); });
    connect(m_nameFilter, &QLineEdit::textChanged, this,
            [this] { clearFilterBox(m_accountFilter); });
    connect(m_accountFilter, &QLineEdit::textChanged, this,
            [this] { runCommand([this] { filterByAccount(); }); });
    connect(m_nameFilter, &QLineEdit::textChanged, this,
            [this] { runCommand([this] { filterByName(); }); });
    // A line that went is told until the list changes again.
    connect(m_session, &Session::linesChanged, m_statusLabel, &QLabel::clear);

    m_clock = new QTimer(this);
    m_clock->setInterval(1000);
    connect(m_clock, &QTimer::timeout, this, &MainWindow::showClock);
}

void MainWindow::showClock()
{
    m_clockLabel->setText(
        QDateTime::currentDateTime().toString(QStringLiteral("dd-MM-yyyy, hh:mm:ss")));
}
