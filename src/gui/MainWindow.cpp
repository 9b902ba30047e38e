#include "MainWindow.h"

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
#include "settings/Settings.h"
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

namespace
{

// Texts shown by the main window.
namespace Texts
{
const QString Caption = QStringLiteral("Talvoro CCP");
const QString ImportFilter = QStringLiteral(
    "All Files|*.*|Text Files (*.txt)|*.txt|Excel Files (*.xlsx;*.xls;*.ods)|*.xlsx;*.xls;*.ods");
const QString Imported = QStringLiteral("Imported: ");
const QString TypeCounts = QStringLiteral("D: %1\nI: %2\nP: %3");
const QString CleanCompleted = QStringLiteral("Clean completed.");
const QString DeleteAll = QStringLiteral("Supprimer tous les enregistrements ?");
const QString DeleteAllCount = QStringLiteral("\n(%1 lignes)");
const QString DeleteShown = QStringLiteral("Un filtre est en cours : supprimer les %1 lignes "
                                           "affichées ?\n(Les %2 lignes masquées sont gardées.)");
const QString ShownCount = QStringLiteral("%1 / %2 lignes affichées");
const QString UnreadableAmounts = QStringLiteral("Montants illisibles (hors totaux): %1");
const QString Saved = QStringLiteral("Modifications enregistrées avec succès.");
const QString Added = QStringLiteral("Nouvelle ligne ajoutée avec succès.");
const QString Written = QStringLiteral("%1 lignes écrites.");
const QString WrittenFiltered =
    QStringLiteral("%1 lignes écrites : seules les lignes affichées (un filtre est en cours).");
const QString LineDeleted =
    QStringLiteral("Ligne %1 supprimée (%2, compte %3) : Ctrl+Z la rétablit.");
const QString PrintShown =
    QStringLiteral("Imprimer %1 lignes affichées sur %2 ? Les %3 lignes masquées ne figureront "
                   "pas sur la liste.");
const QString PrintErrorsShown =
    QStringLiteral("Imprimer les erreurs des %1 lignes affichées sur %2 ? Les erreurs des %3 "
                   "lignes masquées ne figureront pas sur le rapport.");
const QString ExportShown =
    QStringLiteral("Exporter %1 lignes affichées sur %2 ? Les %3 lignes masquées ne figureront "
                   "pas dans le fichier.");
const QString LeaveUnexported =
    QStringLiteral("La liste a été modifiée depuis le dernier export : ces modifications seront "
                   "perdues.\nQuitter quand même ?");
const QString ReplaceUnexported = QStringLiteral("La liste a été modifiée depuis le dernier export "
                                                 ": ces modifications seront perdues.\nImporter "
                                                 "quand même ?");
const QString ControlTitle = QStringLiteral("Contrôle des modifications depuis l’import");
const QString ExportWithChanges =
    QStringLiteral("La liste a été modifiée depuis l’import. Exporter la liste avec ces "
                   "modifications ?");
const QString ControlUnavailable = QStringLiteral(
    "La liste a été modifiée depuis l’import, mais les modifications les plus anciennes ne "
    "sont plus gardées (mémoire limitée) : elles ne peuvent plus être listées. Exporter la "
    "liste telle qu’elle est ?");
const QString CompareWithLast =
    QStringLiteral("Comparer la liste avec le dernier export archivé (%1) ?\nNon : choisir un "
                   "fichier.");
const QString RecentFiles = QStringLiteral("Fic&hiers récents");
const QString NoRecentFiles = QStringLiteral("(aucun)");
const QString Credit = QStringLiteral("Talvoro CCP — paie par virement CCP");
const QString PlaceStored = QStringLiteral("La saisie a été effectuée avec succès.");
const QString PlaceCaption = QStringLiteral("Saisie du lieu de l’ordonnateur :");
const QString PlacePrompt = QStringLiteral(
    "Entrez le lieu (appuyez sur Shift+Enter pour une nouvelle ligne)\nLieu APC - Direction....:");
const QString PlaceCancelled = QStringLiteral("Vous n’avez pas saisi de lieu.");
const QString CodeCaption = QStringLiteral("Code Ordinateur");
const QString CodePrompt = QStringLiteral("Entrez le code ordinateur :");
const QString Exported = QStringLiteral("Fichier exporté avec succès : ");
const QString ExportMissing = QStringLiteral("Le fichier est introuvable : ");
const QString ImportedExcel = QStringLiteral("Imported Excel: ");
const QString ExcelDone = QStringLiteral("Import Excel terminé: %d lignes");
const QString ExcelCodeCaption = QStringLiteral("Copier les messages en arabe");
const QString ExcelCodePrompt = QStringLiteral("Entrez le code de l'ordonnateur :");
const QString ExcelWritten = QStringLiteral("Fichier Excel créé : ");
const QString ExcelCreated = QStringLiteral("Le fichier a été créé avec succès :");
const QString ExcelMissing = QStringLiteral("Le fichier n’a pas été trouvé après l’exportation : ");
const QString Undo = QStringLiteral("Annuler");
const QString Redo = QStringLiteral("Rétablir");
const QString UndoDropped =
    QStringLiteral("Annuler : les étapes plus anciennes ne sont plus gardées (mémoire limitée)");
const QString JournalFound = QStringLiteral("Une liste non exportée de %1 lignes a été retrouvée "
                                            "(dernière modification le %2). La reprendre ?");
const QString JournalDate = QStringLiteral("dd/MM/yyyy 'à' hh:mm");
const QString JournalSetAside = QStringLiteral(
    "%1\nLa liste qu’il gardait n’a pas pu être reprise ; il a été mis de côté : %2");
const QString JournalNotKept = QStringLiteral(
    "%1\nLa liste n’est plus gardée en cas d’arrêt brutal : exportez-la dès que possible. "
    "L’ancien journal a été retiré pour ne jamais être proposé à la place de la liste.");
const QString JournalFailingMark = QStringLiteral("Journal non écrit");
const QString JournalHeldElsewhere = QStringLiteral(
    "Une autre fenêtre de Talvoro CCP est ouverte et tient la liste non exportée (journal « %1 "
    "») : elle n’est ni proposée ni effacée ici.\nLes modifications faites dans cette "
    "fenêtre-ci ne sont pas gardées en cas d’arrêt brutal : exportez-les avant de la fermer.");
const QString JournalHeldMark = QStringLiteral("Sans journal (autre fenêtre ouverte)");
} // namespace Texts

const QColor TooltipYellow(255, 255, 225);
const QColor Navy(0, 0, 128);
const QColor FilterGreen(0xE3, 0xF9, 0x9B);
const QColor RipGreen(0, 255, 0), CcpYellow(255, 255, 0), ErrorRed(255, 0, 0);

void setBackground(QWidget *w, const QColor &c)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Base, c);
    p.setColor(QPalette::Window, c);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

void setTextColour(QWidget *w, const QColor &c)
{
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, c);
    p.setColor(QPalette::Text, c);
    w->setPalette(p);
}

// "prefix" followed by n.
QString counted(const char *prefix, int n)
{
    return QString::fromUtf8(prefix) + QString::number(n);
}

} // namespace

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
    // Every export of the whole list goes into the payment history.
    m_history = std::make_unique<HistoryRecorder>(
        [this] { return HistorySettings::read(m_folders, settingsFile()).open(); });
    m_session->setExportRecorder(m_history->asSessionRecorder());
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
    setWindowTitle(Texts::Caption);
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
    m_importButton = button(QStringLiteral("&Import (txt, xlsx)"), "importButton");
    m_repairRipButton = button(QStringLiteral("Fixeé &RIP"), "repairRipButton");
    m_repairCcpButton = button(QStringLiteral("Fixeé &Cle"), "repairCcpButton");
    m_exportTextButton = button(QStringLiteral("Export &TXT"), "exportTextButton");
    m_exportWorkbookButton = button(QStringLiteral("Export E&xcel"), "exportWorkbookButton");
    m_deleteLineButton = button(QStringLiteral("&Supprimeé"), "deleteLineButton");
    m_deleteShownButton = button(QStringLiteral("Supprimer t&ous"), "deleteShownButton");
    m_historyButton = button(QStringLiteral("Histori&que"), "historyButton");
    buttons->addStretch();

    // The progress bar, and beside it how many lines a filter leaves shown.
    m_progressBar = named(new QProgressBar(this), "progressBar");
    m_progressBar->setTextVisible(false);
    m_progressBar->setRange(0, 100);
    m_progressBar->setValue(0);
    m_shownCountLabel = named(new QLabel(this), "shownCountLabel");
    m_shownCountLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_shownCountLabel->setMinimumWidth(
        metrics.horizontalAdvance(Texts::ShownCount.arg(9999999).arg(9999999)) + 8);
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
    m_rendementTotalBox = totalBox("rendementTotalBox", QColor(0, 255, 0));
    m_generalTotalBox = totalBox("generalTotalBox", QColor(255, 255, 0));

    m_updateButton = named(new QPushButton(QStringLiteral("&Update"), this), "updateButton");
    m_updateButton->setMinimumSize(81, 33);
    m_updateLight = named(new StatusLight(this), "updateLight");
    m_updateLight->setFixedSize(34, 33);
    // The version texts are Arabic: they still start at the labels' left edge.
    const Qt::Alignment atLeft = Qt::AlignLeft | Qt::AlignAbsolute | Qt::AlignVCenter;
    // Both read "LabelServerVersion" until the updater writes the versions: the placeholder
    // clerks have always seen before the first answer, kept as it was.
    m_versionLabel = named(caption(QStringLiteral("LabelServerVersion"), atLeft), "versionLabel");
    m_offeredVersionLabel =
        named(caption(QStringLiteral("LabelServerVersion"), atLeft), "offeredVersionLabel");

    auto *update = new QHBoxLayout;
    update->addWidget(m_updateButton);
    update->addWidget(m_updateLight);
    update->addStretch();
    const Qt::Alignment atRight = Qt::AlignRight | Qt::AlignVCenter;
    auto *underList = new QGridLayout;
    underList->setVerticalSpacing(2);
    underList->addWidget(caption(QStringLiteral("R.Compte")), 0, 0);
    underList->addWidget(m_accountFilter, 0, 1);
    underList->addWidget(caption(QStringLiteral("R.Nom"), atRight), 0, 2);
    underList->addWidget(m_nameFilter, 0, 3);
    underList->addLayout(update, 1, 0, 2, 2);
    underList->addWidget(m_versionLabel, 3, 0, 1, 2);
    underList->addWidget(m_offeredVersionLabel, 4, 0, 1, 2);
    underList->addWidget(caption(QStringLiteral("Net"), atRight), 1, 2);
    underList->addWidget(m_netTotalBox, 1, 3);
    underList->addWidget(caption(QStringLiteral("Rend"), atRight), 2, 2);
    underList->addWidget(m_rendementTotalBox, 2, 3);
    underList->addWidget(caption(QStringLiteral("Total"), atRight), 3, 2);
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
    panel("duplicateNamesView", "duplicateNamesCountLabel", QStringLiteral("Nom Prenom En Double"),
          QColor(0xFE, 0xF9, 0xE9), m_duplicateNamesView, m_duplicateNamesCountLabel);
    panel("duplicateAccountsView", "duplicateAccountsCountLabel",
          QStringLiteral("Compte en Double"), QColor(0xF2, 0xFD, 0xB5), m_duplicateAccountsView,
          m_duplicateAccountsCountLabel);
    panel("contractTypesView", "contractTypesCountLabel", QStringLiteral("Type de Contrat Nb"),
          TooltipYellow, m_contractTypesView, m_contractTypesCountLabel);
    panel("wrongKeysView", "wrongKeysCountLabel", QStringLiteral("Erreur Cle Rip"),
          QColor(0xFF, 0xA6, 0xA6), m_wrongKeysView, m_wrongKeysCountLabel);
    setTextColour(m_wrongKeysView, Navy);
    // The totals in words of currency, right-aligned under the panels.
    for (auto [target, name] : {std::pair{&m_netTotalLabel, "netTotalLabel"},
                                {&m_rendementTotalLabel, "rendementTotalLabel"},
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
    QLabel *credit = named(caption(Texts::Credit, atRight), "creditLabel");
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

void MainWindow::connectCommand(QPushButton *button, void (MainWindow::*command)())
{
    connect(button, &QPushButton::clicked, this,
            [this, command] { runCommand([this, command] { (this->*command)(); }); });
}

QAction *MainWindow::addMenuCommand(const QString &text, const char *icon, const char *name,
                                    void (MainWindow::*command)())
{
    QAction *a = m_lineMenu->addAction(
        QIcon(QStringLiteral(":/icons/menu/%1.png").arg(QLatin1String(icon))), text);
    a->setObjectName(QString::fromLatin1(name));
    connect(a, &QAction::triggered, this,
            [this, command] { runCommand([this, command] { (this->*command)(); }); });
    return a;
}

void MainWindow::buildMenu()
{
    m_lineMenu = named(new QMenu(this), "lineMenu");
    m_lineMenu->setStyleSheet(QStringLiteral("QMenu { icon-size: 24px; }"));
    addMenuCommand(QStringLiteral("&Add"), "add", "addLineAction", &MainWindow::addLine);
    addMenuCommand(QStringLiteral("&Modifier"), "edit", "editLineAction",
                   &MainWindow::editSelectedLine);
    addMenuCommand(QStringLiteral("&Importé (txt-xls)"), "import", "importAction",
                   &MainWindow::importList);
    m_lineMenu->addSeparator();
    addMenuCommand(QStringLiteral("&Exporté Txt"), "export-txt", "exportTextAction",
                   &MainWindow::exportText);
    addMenuCommand(QStringLiteral("Ex&porté xls"), "export-xls", "exportWorkbookAction",
                   &MainWindow::exportWorkbook);
    m_lineMenu->addSeparator();
    addMenuCommand(QStringLiteral("Fixé &RIP"), "fix-rip", "repairRipAction",
                   &MainWindow::repairRipKeys);
    addMenuCommand(QStringLiteral("&Fixé Clé"), "fix-cle", "repairCcpAction",
                   &MainWindow::repairCcpKeys);
    addMenuCommand(QStringLiteral("&Clean DATA"), "clean", "cleanAction", &MainWindow::cleanList);
    m_lineMenu->addSeparator();
    addMenuCommand(QStringLiteral("&Supprimé Ligne"), "delete-line", "deleteLineAction",
                   &MainWindow::deleteSelectedLine);
    addMenuCommand(QStringLiteral("Supprimé &Tous"), "delete-all", "deleteShownAction",
                   &MainWindow::deleteShownLines);
    m_lineMenu->addSeparator();
    addMenuCommand(QStringLiteral("Rapport &Des Erreur"), "error-report", "errorReportAction",
                   &MainWindow::printErrorReport);
    addMenuCommand(QStringLiteral("Tirage &Liste"), "print-list", "printListAction",
                   &MainWindow::printList);
    m_recentFilesMenu = m_lineMenu->addMenu(Texts::RecentFiles);
    m_recentFilesMenu->setObjectName(QStringLiteral("recentFilesMenu"));
    connect(m_recentFilesMenu, &QMenu::aboutToShow, this, &MainWindow::fillRecentFilesMenu);
    m_lineMenu->addSeparator();
    QAction *compare = addMenuCommand(QStringLiteral("Comparer avec une liste…"), "import",
                                      "compareAction", &MainWindow::compareWithList);
    compare->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    // Also a window shortcut, so Ctrl+M works without opening the menu.
    addAction(compare);
    connect(m_table, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        m_lineMenu->popup(m_table->viewport()->mapToGlobal(pos));
    });
}

void MainWindow::buildShortcuts()
{
    // Menu entries with a shortcut also work with the menu closed.
    const std::pair<const char *, QKeySequence> keys[] = {
        {"importAction", QKeySequence::Open},
        {"exportTextAction", QKeySequence(Qt::CTRL | Qt::Key_E)},
        {"printListAction", QKeySequence::Print},
        {"addLineAction", QKeySequence::New},
        {"editLineAction", QKeySequence(Qt::Key_F2)},
        {"errorReportAction", QKeySequence(Qt::CTRL | Qt::Key_R)},
    };
    for (const auto &[name, key] : keys) {
        QAction *action = m_lineMenu->findChild<QAction *>(QString::fromLatin1(name));
        action->setShortcut(key);
        addAction(action);
    }
    // In the list: Enter edits the selected line (see eventFilter), Delete removes it as the
    // button does.
    m_table->installEventFilter(this);
    connect(new QShortcut(QKeySequence::Delete, m_table, nullptr, nullptr, Qt::WidgetShortcut),
            &QShortcut::activated, this, [this] { runCommand([this] { deleteSelectedLine(); }); });
    // In the filter boxes: the window's shortcuts, and Enter or Down to reach the list.
    for (QLineEdit *box : {m_accountFilter, m_nameFilter})
        box->installEventFilter(this);
    // Shift+F10 opens the list's menu from anywhere in the window, as the menu key does.
    connect(new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), this), &QShortcut::activated, this,
            &MainWindow::showLineMenu);
    connect(new QShortcut(QKeySequence::Find, this), &QShortcut::activated, this, [this] {
        m_nameFilter->setFocus(Qt::ShortcutFocusReason);
        m_nameFilter->selectAll();
    });
    m_clearFilters = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(m_clearFilters, &QShortcut::activated, this, &MainWindow::clearFilters);
}

void MainWindow::buildUndoActions()
{
    QUndoStack &stack = m_session->undoStack();
    auto action = [this](const QString &text, const char *name, const QList<QKeySequence> &keys,
                         void (Session::*step)()) {
        auto *a = new QAction(text, this);
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcuts(keys);
        a->setEnabled(false);
        connect(a, &QAction::triggered, this, [this, step] {
            Session *session = m_session;
            runCommand([session, step] { (session->*step)(); });
        });
        // Also a window shortcut, so the keys work without opening the menu.
        addAction(a);
        return a;
    };
    m_undoAction =
        action(Texts::Undo, "undoAction", {QKeySequence(Qt::CTRL | Qt::Key_Z)}, &Session::undo);
    m_redoAction =
        action(Texts::Redo, "redoAction",
               {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)},
               &Session::redo);
    // Each names what it would undo or redo, and the undo entry says when older steps were
    // dropped. The session outlives the window's own members while the window is destroyed:
    // the connections reach only the actions.
    auto show = [session = m_session, undo = m_undoAction, redo = m_redoAction] {
        const QUndoStack &s = session->undoStack();
        undo->setEnabled(session->canUndo());
        if (session->undoDropped())
            undo->setText(Texts::UndoDropped);
        else
            undo->setText(s.undoText().isEmpty() || !session->canUndo()
                              ? Texts::Undo
                              : Texts::Undo + u' ' + s.undoText());
        redo->setEnabled(s.canRedo());
        redo->setText(s.redoText().isEmpty() ? Texts::Redo : Texts::Redo + u' ' + s.redoText());
    };
    connect(&stack, &QUndoStack::indexChanged, m_undoAction, show);
    connect(m_session, &Session::linesChanged, m_undoAction, show);
    QAction *first = m_lineMenu->actions().value(0);
    m_lineMenu->insertActions(first, {m_undoAction, m_redoAction});
    m_lineMenu->insertSeparator(first);
}

bool MainWindow::isWindowShortcut(const QKeyEvent &key) const
{
    const QKeySequence pressed(
        QKeyCombination(key.modifiers() & ~Qt::KeypadModifier, Qt::Key(key.key())));
    const QList<QAction *> windowActions = actions();
    return std::any_of(windowActions.begin(), windowActions.end(),
                       [&pressed](const QAction *a) { return a->shortcuts().contains(pressed); });
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    // The list view uses Enter itself, so it is caught before the view sees it.
    if (watched == m_table && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            runCommand([this] { editSelectedLine(); });
            return true;
        }
    }
    if ((watched == m_accountFilter || watched == m_nameFilter) &&
        (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)) {
        const auto *key = static_cast<QKeyEvent *>(event);
        // A line edit claims Ctrl+E, Ctrl+Z and the like for its own editing; in a filter
        // box they are the window's commands. Left unclaimed, the shortcut runs; a key whose
        // command is disabled (nothing to undo) does nothing rather than edit the box.
        if (isWindowShortcut(*key)) {
            event->ignore();
            return true;
        }
        if (event->type() == QEvent::KeyPress &&
            (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ||
             key->key() == Qt::Key_Down) &&
            !(key->modifiers() & ~Qt::KeypadModifier)) {
            focusList();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::focusList()
{
    m_table->setFocus(Qt::ShortcutFocusReason);
    if (!m_table->currentIndex().isValid() && m_session->list().count() > 0) selectRow(0);
}

void MainWindow::showLineMenu()
{
    const QModelIndex current = m_table->currentIndex();
    const QPoint at = current.isValid() ? m_table->visualRect(current).bottomLeft() : QPoint(0, 0);
    m_lineMenu->popup(m_table->viewport()->mapToGlobal(at));
}

void MainWindow::clearFilterBox(QLineEdit *box)
{
    // Emptied without filtering: the box being typed in sets the filter next.
    const QSignalBlocker block(box);
    box->clear();
}

void MainWindow::clearFilters()
{
    if (m_importing) return;
    m_accountFilter->clear();
    m_nameFilter->clear();
}

void MainWindow::sizeColumns()
{
    // Column widths as designed, widened where this platform's fonts need more room for the
    // caption or a full cell. The name column takes the room left, so the contract type
    // stays in view at every window size.
    QHeaderView *header = m_table->horizontalHeader();
    const QFontMetrics headerMetrics(header->font());
    const QFontMetrics cells(m_table->font());
    const QString widest[WorkingList::ColumnCount] = {QStringLiteral("0000AAAAA"),
                                                      QStringLiteral("0000000000"),
                                                      QStringLiteral("00"),
                                                      QStringLiteral("000 000 000,00"),
                                                      QStringLiteral("000 000 000,00"),
                                                      QStringLiteral("000000000000"),
                                                      QString(),
                                                      QStringLiteral("P")};
    for (int c = 0; c < WorkingList::ColumnCount; ++c)
        m_table->setColumnWidth(
            c, std::max({WorkingList::columnWidth(c),
                         headerMetrics.horizontalAdvance(WorkingList::columnCaption(c)) + 16,
                         cells.horizontalAdvance(widest[c]) + 12}));
    header->setSectionResizeMode(WorkingList::NameColumn, QHeaderView::Stretch);
}

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
        m_prompts->information(this, Texts::PlaceStored);
        return;
    }
    const std::optional<QString> place =
        m_prompts->input(this, Texts::PlaceCaption, Texts::PlacePrompt, QString(), true);
    if (!place) {
        m_placeMemo->setPlainText(Texts::PlaceCancelled);
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
        m_journalMark->setText(Texts::JournalHeldMark);
        m_journalMark->show();
        m_prompts->error(this, Texts::JournalHeldElsewhere.arg(QDir::toNativeSeparators(path)));
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
                m_prompts->error(
                    this, Texts::JournalSetAside.arg(e.message(), QDir::toNativeSeparators(aside)));
                return;
            }
            const QString question =
                Texts::JournalFound.arg(kept.lines.size())
                    .arg(kept.savedAt.toLocalTime().toString(Texts::JournalDate));
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
        m_journalMark->setText(Texts::JournalFailingMark);
        m_journalMark->setToolTip(message);
        m_journalMark->show();
        m_prompts->error(this, Texts::JournalNotKept.arg(message));
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
        !m_prompts->question(this, Texts::LeaveUnexported)) {
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
    if (files.isEmpty()) m_recentFilesMenu->addAction(Texts::NoRecentFiles)->setEnabled(false);
    for (const QString &file : files)
        connect(m_recentFilesMenu->addAction(QDir::toNativeSeparators(file)), &QAction::triggered,
                this, [this, file] { openFile(file); });
}

void MainWindow::showClock()
{
    m_clockLabel->setText(
        QDateTime::currentDateTime().toString(QStringLiteral("dd-MM-yyyy, hh:mm:ss")));
}

// --- import ---

void MainWindow::importList()
{
    const QString path = m_prompts->openFileName(this, Texts::ImportFilter);
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
        !m_prompts->question(this, Texts::ReplaceUnexported))
        return;
    importPath(path);
    rememberRecentFile(QFileInfo(path).absoluteFilePath());
    const Statistics::TypeCounts &c = m_session->figures().types;
    m_prompts->message(this, Texts::TypeCounts.arg(c.d).arg(c.i).arg(c.p));
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
    m_pathLabel->setText((workbook ? Texts::ImportedExcel : Texts::Imported) + path);
    if (workbook)
        m_prompts->message(
            this, QString(Texts::ExcelDone).replace(QStringLiteral("%d"), QString::number(count)));
}

// --- figures ---

void MainWindow::showFigures()
{
    const ListFigures &f = m_session->figures();
    const ListPanels &p = m_session->panels();
    m_netTotalLabel->setText(Statistics::totalNetText(f.netCents));
    m_rendementTotalLabel->setText(Statistics::totalRendementText(f.rendCents));
    m_generalTotalLabel->setText(Statistics::totalGeneralText(f.generalCents()));
    m_netTotalBox->setText(AmountText::formatCents(f.netCents));
    m_rendementTotalBox->setText(AmountText::formatCents(f.rendCents));
    m_generalTotalBox->setText(AmountText::formatCents(f.generalCents()));

    // The error lines: the three counters, a warning for amounts that do not read, then one
    // line per shown line in error, made when shown.
    QStringList head = Statistics::counterLines(f.rip, f.ccp, f.wrong);
    if (f.unreadableAmounts > 0) head << Texts::UnreadableAmounts.arg(f.unreadableAmounts);
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
    m_ripCaptionLabel->setText(counted("RIP: ", f.rip));
    m_ccpCaptionLabel->setText(counted("CLE: ", f.ccp));
    m_errorCaptionLabel->setText(counted("Erreur: ", f.wrong));

    m_duplicateNamesView->setLines(p.duplicateNames);
    m_duplicateAccountsView->setLines(p.duplicateAccounts);
    m_contractTypesView->setLines(p.contractTypes);
    m_duplicateAccountsCountLabel->setText(
        counted("Nb Comptes Double : ", p.duplicateAccountCount()));
    m_contractTypesCountLabel->setText(counted("Nb Type Du Contrat : ", p.contractTypeCount()));
    m_wrongKeysCountLabel->setText(counted("Nb des Erreur : ", f.wrong));
    m_duplicateNamesCountLabel->setText(counted("Nb Nom Double : ", p.duplicateNameCount()));
    m_shownCountLabel->setText(
        m_session->list().filtered() ? Texts::ShownCount.arg(f.shown).arg(f.all) : QString());
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
    m_prompts->message(this, Texts::CleanCompleted);
}

void MainWindow::deleteSelectedLine()
{
    // No question: the status line names the line that went, and undo brings it back.
    const int row = selectedRow();
    if (row >= 0) {
        const TransferLine &line = m_session->list().line(row);
        const QString told = Texts::LineDeleted.arg(m_session->list().lineNumber(row))
                                 .arg(trimBlanks(line.subItemView(TransferLine::NomPrenom)),
                                      trimBlanks(line.subItemView(TransferLine::Compte)));
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
                                 ? Texts::DeleteShown.arg(f.shown).arg(f.all - f.shown)
                                 : Texts::DeleteAll + Texts::DeleteAllCount.arg(f.shown);
    if (m_prompts->question(this, question)) m_session->deleteShown();
}

// --- filters ---

void MainWindow::filterByAccount()
{
    m_session->setFilter(WorkingList::FilterField::Compte, m_accountFilter->text());
}

void MainWindow::filterByName()
{
    m_session->setFilter(WorkingList::FilterField::NomPrenom, m_nameFilter->text());
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
    m_prompts->message(this, Texts::Added);
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
        m_prompts->message(this, Texts::Saved);
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
    return u'\n' + (result.filtered ? Texts::WrittenFiltered : Texts::Written).arg(result.lines);
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
        return m_prompts->question(this, Texts::ControlUnavailable);
    ListComparison changes;
    {
        WaitCursor wait;
        changes = m_session->changesSinceImport();
    }
    if (changes.same()) return true;
    CompareDialog dialog(std::move(changes), *m_prompts, m_placeMemo->toPlainText(),
                         m_folders.dataDir(Folders::WorkbookExportFolder), this);
    dialog.setObjectName(QStringLiteral("controlDialog"));
    dialog.setWindowTitle(Texts::ControlTitle);
    m_prompts->execDialog(&dialog);
    return m_prompts->question(this, Texts::ExportWithChanges);
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

void MainWindow::exportText()
{
    if (!confirmShownOnly(Texts::ExportShown)) return;
    const QString path =
        askExportPath(Session::ExportKind::Text, Texts::CodeCaption, Texts::CodePrompt);
    if (path.isEmpty() || !changesAccepted(true)) return;
    const Session::ExportResult result = m_session->exportText(path);
    m_prompts->message(this, Texts::Exported + path + writtenNote(result));
    if (!result.recordProblem.isEmpty()) m_prompts->error(this, result.recordProblem);
    m_pathLabel->setText(path);
    if (QFileInfo::exists(path))
        m_prompts->openWithShell(path);
    else
        m_prompts->message(this, Texts::ExportMissing + path);
}

void MainWindow::exportWorkbook()
{
    if (!confirmShownOnly(Texts::ExportShown)) return;
    const QString path = askExportPath(Session::ExportKind::Workbook, Texts::ExcelCodeCaption,
                                       Texts::ExcelCodePrompt);
    if (path.isEmpty() || !changesAccepted(false)) return;
    const Session::ExportResult result =
        tellingRipRepair([this, &path](Session::RepairResult *repair) {
            return m_session->exportWorkbook(path, repair);
        });
    m_prompts->message(this, Texts::ExcelWritten + path);
    if (!result.recordProblem.isEmpty()) m_prompts->error(this, result.recordProblem);
    if (QFileInfo::exists(path)) {
        m_prompts->message(this, Texts::ExcelCreated + u'\n' + path + writtenNote(result));
        m_prompts->openWithShell(path);
    } else {
        m_prompts->message(this, Texts::ExcelMissing + path);
    }
}

// --- printed reports and comparison ---

void MainWindow::printList()
{
    if (m_session->list().count() == 0) {
        m_prompts->notice(this, ReportTexts::NoDataCaption, ReportTexts::NoDataToPrint);
        return;
    }
    // Asked before the keys are repaired: No leaves the list as it is.
    if (!confirmShownOnly(Texts::PrintShown)) return;
    const PreparedReport pages = tellingRipRepair([this](Session::RepairResult *repair) {
        WaitCursor wait;
        return m_session->listReport(m_placeMemo->toPlainText(), selectedRow(), {}, repair);
    });
    m_prompts->showReport(this, pages);
}

void MainWindow::printErrorReport()
{
    if (m_session->wrongRows().empty()) {
        m_prompts->message(this, ReportTexts::NoErrors);
        return;
    }
    if (!confirmShownOnly(Texts::PrintErrorsShown)) return;
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
                !m_prompts->question(this, Texts::ReplaceUnexported))
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
                        this, Texts::CompareWithLast.arg(HistoryRecorder::exportName(*last)))) {
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
