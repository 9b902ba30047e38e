#include "MainWindow.h"

#include "settings/Cleaner.h"
#include "ImportProgress.h"
#include "TextLinesView.h"
#include "settings/Settings.h"
#include "WaitCursor.h"
#include "CompareDialog.h"
#include "RecordEditor.h"
#include "Prompts.h"
#include "StatusLight.h"
#include "keys/Keys.h"
#include "keys/Statistics.h"
#include "reports/PreparedReport.h"
#include "model/AmountText.h"
#include "model/UserError.h"
#include "update/CurlHttpClient.h"
#include "update/Updater.h"
#include "UpdaterControls.h"
#include "reports/ReportTexts.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTimer>

namespace {

// Texts shown by the main window.
namespace Texts {
const QString Caption = QStringLiteral("Talvoro CCP");
const QString ImportFilter = QStringLiteral(
    "All Files|*.*|Text Files (*.txt)|*.txt|Excel Files (*.xlsx;*.xls;*.ods)|*.xlsx;*.xls;*.ods");
const QString Imported = QStringLiteral("Imported: ");
const QString TypeCounts = QStringLiteral("D: %1\nI: %2\nP: %3");
const QString CleCorrected = QStringLiteral("CLE corrected for all items.");
const QString RipCorrected = QStringLiteral("RIP corrected for all items.");
const QString CleanCompleted = QStringLiteral("Clean completed.");
const QString DeleteAll = QStringLiteral("Supprimer tous les enregistrements ?");
const QString DeleteAllCount = QStringLiteral("\n(%1 lignes)");
const QString DeleteShown = QStringLiteral(
    "Un filtre est en cours : supprimer les %1 lignes affichées ?\n(Les %2 lignes masquées sont gardées.)");
const QString ShownCount = QStringLiteral("%1 / %2 lignes affichées");
const QString RepairPartial = QStringLiteral(
    "%1 corrigé pour %2 lignes sur %3. %4 ligne(s) n’ont pas pu être corrigées (compte vide ou "
    "pas uniquement des chiffres) : ligne(s) %5");
const QString UnreadableAmounts = QStringLiteral("Montants illisibles (hors totaux): %1");
const QString Saved = QStringLiteral("Modifications enregistrées avec succès.");
const QString Added = QStringLiteral("Nouvelle ligne ajoutée avec succès.");
const QString Written = QStringLiteral("%1 lignes écrites.");
const QString WrittenFiltered = QStringLiteral("%1 lignes écrites : seules les lignes affichées (un filtre est en cours).");
const QString NotAvailable = QStringLiteral("« %1 » n’est pas encore disponible dans cette version.");
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
} // namespace Texts

const QColor InfoBk(255, 255, 225); // the tooltip colour
const QColor Navy(0, 0, 128);

QFont tahoma(int points, bool bold = false)
{
    QFont f(QStringLiteral("Tahoma"), points);
    // Where Tahoma is missing, a face of similar width keeps the captions inside their controls.
    f.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    f.setStyleHint(QFont::SansSerif);
    f.setBold(bold);
    return f;
}

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

// Lines with "n" appended to "prefix".
QString counted(const char *prefix, int n) { return QString::fromUtf8(prefix) + QString::number(n); }

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
    buildControls();
    buildMenu();
    connect(m_session, &Session::changed, this, &MainWindow::showFigures);
    FormCreate();
    Form2 = new RecordEditor(m_prompts, this);
}

MainWindow::~MainWindow()
{
    FormDestroy();
    m_updater.reset();
}

WorkingList &MainWindow::list() { return m_session->list(); }

template <class W> W *MainWindow::place(W *w, int x, int y, int width, int height, int anchors)
{
    m_placements.push_back({w, QRect(x, y, width, height), anchors});
    w->setGeometry(x, y, width, height);
    return w;
}

void MainWindow::buildControls()
{
    setWindowTitle(Texts::Caption);
    setWindowIcon(applicationIcon());
    setFont(tahoma(8));
    resize(940, 595);
    setMinimumSize(940, 595);

    auto button = [this](const QString &text, int x) {
        auto *b = new QPushButton(text, this);
        return place(b, x, 4, 100, 30);
    };
    BtnImport = button(QStringLiteral("Import (txt, xlsx)"), 8);
    BtnFix = button(QStringLiteral("Fixeé RIP"), 114);
    Button1 = button(QStringLiteral("Fixeé Cle"), 220);
    BtnExport = button(QStringLiteral("Export TXT"), 326);
    BtnExcel = button(QStringLiteral("Export Excel"), 432);
    Button2 = button(QStringLiteral("Supprimeé"), 538);
    Button3 = button(QStringLiteral("Supprimer tous"), 644);

    ProgressBar1 = place(new QProgressBar(this), 8, 40, 606, 21, Left | Top | Right);
    ProgressBar1->setTextVisible(false);
    LabelShown = place(new QLabel(this), 618, 40, 135, 21, Right | Top);
    LabelShown->setObjectName(QStringLiteral("shownCountLabel"));
    LabelShown->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    ListView1 = place(new QTableView(this), 8, 67, 745, 254, Left | Top | Right | Bottom);
    ListView1->setModel(&m_session->list());
    ListView1->setFont(QFont(QStringLiteral("Times New Roman"), 10));
    setBackground(ListView1, InfoBk);
    ListView1->setShowGrid(true);
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setWordWrap(false);
    ListView1->verticalHeader()->hide();
    // Fixed row heights keep scrolling and painting independent of the number of lines.
    ListView1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    ListView1->verticalHeader()->setDefaultSectionSize(QFontMetrics(ListView1->font()).height() + 4);
    ListView1->horizontalHeader()->setHighlightSections(false);
    ListView1->horizontalHeader()->setStretchLastSection(false);
    ListView1->setContextMenuPolicy(Qt::CustomContextMenu);

    MemoErreurs = place(new TextLinesView(this), 8, 327, 748, 122, Left | Right | Bottom);
    setBackground(MemoErreurs, Qt::white);

    auto shape = [this](int x, int y, int w, int h, int anchors) {
        return place(new StatusLight(this), x, y, w, h, anchors);
    };
    ShapeRip = shape(759, 4, 60, 50, Right | Top);
    ShapeCle = shape(817, 4, 60, 50, Right | Top);
    ShapeError = shape(876, 4, 60, 50, Right | Top);

    auto label = [this](const QString &text, int x, int y, int w, int h, int anchors,
                        Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) {
        auto *l = new QLabel(text, this);
        l->setAlignment(align);
        return place(l, x, y, w, h, anchors);
    };
    Label3 = label(QStringLiteral("0"), 758, 16, 63, 25, Right | Top, Qt::AlignCenter);
    Label4 = label(QStringLiteral("0"), 816, 16, 63, 25, Right | Top, Qt::AlignCenter);
    Label2 = label(QStringLiteral("0"), 874, 16, 63, 25, Right | Top, Qt::AlignCenter);
    Label2->setFont(tahoma(8, true));
    setTextColour(Label2, Navy);
    LabelRip = label(QString(), 744, 53, 80, 14, Right | Top, Qt::AlignCenter);
    LabelCle = label(QString(), 809, 53, 72, 14, Right | Top, Qt::AlignCenter);
    LabelError = label(QString(), 872, 53, 68, 14, Right | Top, Qt::AlignCenter);

    auto memo = [this](int x, int y, int w, int h, const QString &hint, const QColor &c) {
        auto *m = place(new TextLinesView(this), x, y, w, h, Right | Top);
        m->setToolTip(hint);
        setBackground(m, c);
        return m;
    };
    memoNomPrenom = memo(759, 67, 178, 89, QStringLiteral("Nom Prenom En Double"), QColor(0xFE, 0xF9, 0xE9));
    MemoComptes = memo(759, 177, 173, 89, QStringLiteral("Compte en Double"), QColor(0xF2, 0xFD, 0xB5));
    MemoNoms = memo(762, 284, 173, 89, QStringLiteral("Type de Contrat Nb"), InfoBk);
    Memo1 = memo(762, 392, 173, 89, QStringLiteral("Erreur Cle Rip"), QColor(0xFF, 0xA6, 0xA6));
    setTextColour(Memo1, Navy);
    Label11 = label(QString(), 759, 158, 178, 16, Right | Top);
    Label8 = label(QString(), 759, 267, 173, 16, Right | Top);
    Label9 = label(QString(), 762, 374, 173, 16, Right | Top);
    Label10 = label(QString(), 762, 482, 173, 16, Right | Top);

    const QColor filterColour(0xE3, 0xF9, 0x9B);
    Label5 = label(QStringLiteral("R.Compte"), 8, 455, 52, 19, Left | Bottom);
    Edit1 = place(new QLineEdit(this), 62, 455, 123, 19, Left | Bottom);
    setBackground(Edit1, filterColour);
    Label6 = label(QStringLiteral("R.Nom"), 207, 455, 36, 19, Left | Bottom);
    Edit2 = place(new QLineEdit(this), 245, 455, 156, 19, Left | Bottom);
    setBackground(Edit2, filterColour);

    // The three totals: lime and yellow figures on a dark field, like a counter display.
    auto total = [this, &label](const QString &caption, int lx, int y, const QColor &c, QLineEdit *&edit) {
        label(caption, lx, y, 28, 19, Left | Bottom);
        edit = place(new QLineEdit(this), 245, y, 156, 19, Left | Bottom);
        edit->setReadOnly(true);
        edit->setAlignment(Qt::AlignRight);
        setBackground(edit, Qt::black);
        setTextColour(edit, c);
        return edit;
    };
    total(QStringLiteral("Net"), 222, 475, QColor(0, 255, 0), Edit3);
    Label12 = static_cast<QLabel *>(m_placements[m_placements.size() - 2].widget);
    total(QStringLiteral("Rend"), 214, 494, QColor(0, 255, 0), Edit4);
    Label13 = static_cast<QLabel *>(m_placements[m_placements.size() - 2].widget);
    total(QStringLiteral("Total"), 213, 513, QColor(255, 255, 0), Edit5);
    Label15 = static_cast<QLabel *>(m_placements[m_placements.size() - 2].widget);

    Memo2 = place(new QPlainTextEdit(this), 408, 455, 348, 60, Left | Bottom | Right);
    Memo2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setBackground(Memo2, InfoBk);

    ButtonUpdate = place(new QPushButton(QStringLiteral("Update"), this), 8, 482, 81, 33, Left | Bottom);
    Shape1 = shape(95, 482, 34, 33, Left | Bottom);
    // The version texts are Arabic: they still start at the labels' left edge.
    const Qt::Alignment atLeft = Qt::AlignLeft | Qt::AlignAbsolute | Qt::AlignVCenter;
    LabelVersion =
        label(QStringLiteral("LabelServerVersion"), 8, 521, 200, 16, Left | Bottom, atLeft);
    LabelServerVersion =
        label(QStringLiteral("LabelServerVersion"), 8, 537, 200, 16, Left | Bottom, atLeft);

    const QFont totalsFont(QStringLiteral("Times New Roman"), 10);
    for (auto [target, y] : {std::pair{&LabelTotalNet, 500}, {&LabelTotalRendement, 519}, {&Label1, 538}}) {
        *target = label(QString(), 932 - 420, y, 420, 18, Right | Bottom, Qt::AlignRight | Qt::AlignVCenter);
        (*target)->setFont(totalsFont);
    }
    LabelPath = label(QString(), 8, 556, 690, 16, Left | Right | Bottom);
    Label7 = label(QString(), 8, 571, 300, 20, Left | Bottom);
    Label7->setFont(tahoma(10, true));
    setTextColour(Label7, Navy);
    Label14 = label(Texts::Credit, 705, 573, 232, 17, Right | Bottom, Qt::AlignRight | Qt::AlignVCenter);
    QFont italic = tahoma(8);
    italic.setItalic(true);
    Label14->setFont(italic);
    setTextColour(Label14, Qt::blue);

    // Labels over the circles must stay above them.
    for (QLabel *l : {Label3, Label4, Label2})
        l->raise();

    auto wire = [this](QPushButton *b, void (MainWindow::*cmd)()) {
        connect(b, &QPushButton::clicked, this, [this, cmd] { runCommand([this, cmd] { (this->*cmd)(); }); });
    };
    wire(BtnImport, &MainWindow::BtnImportClick);
    wire(BtnFix, &MainWindow::BtnFixClick);
    wire(Button1, &MainWindow::Button1Click);
    wire(Button2, &MainWindow::Button2Click);
    wire(Button3, &MainWindow::Button3Click);
    wire(BtnExport, &MainWindow::BtnExportClick);
    wire(BtnExcel, &MainWindow::BtnExcelClick);
    wire(ButtonUpdate, &MainWindow::ButtonUpdateClick);
    connect(ListView1, &QTableView::doubleClicked, this,
            [this] { runCommand([this] { ListView1DblClick(); }); });
    connect(Edit1, &QLineEdit::textChanged, this, [this] { runCommand([this] { Edit1Change(); }); });
    connect(Edit2, &QLineEdit::textChanged, this, [this] { runCommand([this] { Edit2Change(); }); });

    tmr1 = new QTimer(this);
    tmr1->setInterval(1000);
    connect(tmr1, &QTimer::timeout, this, &MainWindow::tmr1Timer);
}

void MainWindow::buildMenu()
{
    pm1 = new QMenu(this);
    pm1->setStyleSheet(QStringLiteral("QMenu { icon-size: 24px; }"));
    auto entry = [this](const QString &text, void (MainWindow::*cmd)(), const char *icon) {
        QAction *a = pm1->addAction(QIcon(QStringLiteral(":/icons/menu/%1.png").arg(QLatin1String(icon))), text);
        if (cmd)
            connect(a, &QAction::triggered, this, [this, cmd] { runCommand([this, cmd] { (this->*cmd)(); }); });
        else
            connect(a, &QAction::triggered, this, [this, text] { notAvailable(text); });
        return a;
    };
    mniA1 = entry(QStringLiteral("Add"), &MainWindow::mniA1Click, "add");
    mniM1 = entry(QStringLiteral("Modifier"), &MainWindow::mniM1Click, "edit");
    mnii1 = entry(QStringLiteral("Importé (txt-xls)"), &MainWindow::mnii1Click, "import");
    pm1->addSeparator();
    mniE1 = entry(QStringLiteral("Exporté Txt"), &MainWindow::mniE1Click, "export-txt");
    mniE2 = entry(QStringLiteral("Exporté xls"), &MainWindow::mniE2Click, "export-xls");
    pm1->addSeparator();
    mniF1 = entry(QStringLiteral("Fixé RIP"), &MainWindow::mniF1Click, "fix-rip");
    mniF2 = entry(QStringLiteral("Fixé Clé"), &MainWindow::mniF2Click, "fix-cle");
    mniC1 = entry(QStringLiteral("Clean DATA"), &MainWindow::mniC1Click, "clean");
    pm1->addSeparator();
    mniS1 = entry(QStringLiteral("Supprimé Ligne"), &MainWindow::mniS1Click, "delete-line");
    mniS2 = entry(QStringLiteral("Supprimé Tous"), &MainWindow::mniS2Click, "delete-all");
    pm1->addSeparator();
    mniS3 = entry(QStringLiteral("Rapport Des Erreur"), &MainWindow::mniS3Click, "error-report");
    mniT1 = entry(QStringLiteral("Tirage Liste"), &MainWindow::mniT1Click, "print-list");
    pm1->addSeparator();
    m_compareAction =
        entry(QStringLiteral("Comparer avec une liste…"), &MainWindow::compareWithList, "import");
    m_compareAction->setObjectName(QStringLiteral("compareAction"));
    m_compareAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_M));
    // Also a window shortcut, so Ctrl+M works without opening the menu.
    addAction(m_compareAction);
    connect(ListView1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { pm1->popup(ListView1->viewport()->mapToGlobal(pos)); });
}

void MainWindow::notAvailable(const QString &what)
{
    m_prompts->message(this, Texts::NotAvailable.arg(what));
}

void MainWindow::runCommand(const std::function<void()> &command)
{
    // The import lets window events run; other commands wait until it has finished.
    if (m_importing)
        return;
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

// --- window events ---

void MainWindow::cleanProgramFolder()
{
    // An installed copy's folder belongs to the system: nothing of ours to clean there.
    if (m_folders.installed())
        return;
    deleteBuildTempFiles(m_folders.programDir() + QDir::separator());
    cleanAllTempFiles(m_folders.programDir());
}

QString MainWindow::settingsFile() const
{
    QString dir = m_folders.dataDir(QStringLiteral("Fichier_INI"));
    if (dir.isEmpty())
        dir = QDir(m_folders.dataRoot()).filePath(QStringLiteral("Fichier_INI"));
    return QDir(dir).filePath(QStringLiteral("Direction.ini"));
}

void MainWindow::loadPlace()
{
    Memo2->setPlainText(loadLinesFromIni(settingsFile(), QStringLiteral("Infos")).join(u'\n'));
    const QString stored = Memo2->toPlainText();
    if (!stored.trimmed().isEmpty()) {
        m_prompts->information(this, Texts::PlaceStored);
        return;
    }
    const std::optional<QString> place =
        m_prompts->input(this, Texts::PlaceCaption, Texts::PlacePrompt, QString(), true);
    if (!place) {
        Memo2->setPlainText(Texts::PlaceCancelled);
        return;
    }
    Memo2->setPlainText(*place);
    // A place that cannot be stored is reported; the start goes on.
    runCommand([this] { savePlace(); });
}

void MainWindow::FormCreate()
{
    cleanProgramFolder();
    loadPlace();
    ShapeCle->setBrushColor(QColor(255, 255, 0));
    ShapeRip->setBrushColor(QColor(0, 128, 0));
    ShapeError->setBrushColor(QColor(255, 0, 0));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    for (TextLinesView *m : {MemoComptes, MemoErreurs, MemoNoms, Memo1, memoNomPrenom})
        m->clear();
    // Column widths as designed, widened where this platform's fonts need more room for
    // the caption or a full cell.
    const QFontMetrics header(ListView1->horizontalHeader()->font());
    const QFontMetrics cells(ListView1->font());
    const QString widest[8] = {QStringLiteral("0000AAAAA"), QStringLiteral("0000000000"), QStringLiteral("00"),
                               QStringLiteral("000 000 000,00"), QStringLiteral("000 000 000,00"),
                               QStringLiteral("000000000000"), QString(), QStringLiteral("P")};
    for (int c = 0; c < 8; ++c)
        ListView1->setColumnWidth(c, std::max({WorkingList::columnWidth(c),
                                               header.horizontalAdvance(WorkingList::columnCaption(c)) + 16,
                                               cells.horizontalAdvance(widest[c]) + 12}));
    tmr1Timer();
    tmr1->start();
    // Centre on the desktop.
    if (QScreen *s = screen())
        move(s->availableGeometry().center() - rect().center());

    // The updater probes the network and reads the offered version on a worker thread: the
    // window shows at once, the light saying "checking" until the answers arrive.
    UpdaterSetup &u = m_updaterSetup;
    if (!u.http) u.http = std::make_shared<CurlHttpClient>();
    if (!u.quit) u.quit = [] { QCoreApplication::exit(0); };
    // After a download the place memo is saved as at a normal close before the program ends.
    m_updaterControls =
        std::make_unique<UpdaterControls>(Shape1, LabelVersion, LabelServerVersion, ProgressBar1,
                                          ButtonUpdate, *m_prompts, this, [this] {
                                              FormClose();
                                              m_updaterSetup.quit();
                                          });
    Updater::Places places{m_folders.programDir(), u.probeUrl,
                           u.tlsFiles ? *u.tlsFiles : tlsLibraryFiles(m_folders.programDir()),
                           m_folders.installed()};
    m_updater = std::make_unique<Updater>(u.http, *m_updaterControls, u.manifestUrl,
                                          std::move(places), u.publicKey, u.limits);
    m_updater->showStatus();
}

void MainWindow::FormActivate() { showFigures(); }

void MainWindow::FormClose() { savePlace(); }

void MainWindow::savePlace()
{
    // A memo's lines; a final line break starts no line of its own.
    QStringList lines = Memo2->toPlainText().split(u'\n');
    if (lines.last().isEmpty())
        lines.removeLast();
    saveLinesToIni(settingsFile(), QStringLiteral("Infos"), lines);
}

void MainWindow::FormDestroy()
{
    cleanProgramFolder();
}

void MainWindow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !m_importing)
        runCommand([this] { FormActivate(); });
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (m_importing) {
        event->ignore();
        return;
    }
    // A place that cannot be stored is reported; the window closes all the same.
    runCommand([this] { FormClose(); });
    event->accept();
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layOut();
}

void MainWindow::layOut()
{
    // The extra room goes to the table; controls to its right and below it follow their edge.
    const int dx = std::max(0, width() - 940);
    const int dy = std::max(0, height() - 595);
    for (const Placement &p : m_placements) {
        QRect r = p.design;
        if (p.anchors & Right) {
            if (p.anchors & Left)
                r.setWidth(r.width() + dx);
            else
                r.translate(dx, 0);
        }
        if (p.anchors & Bottom) {
            if (p.anchors & Top)
                r.setHeight(r.height() + dy);
            else
                r.translate(0, dy);
        }
        p.widget->setGeometry(r);
    }
}

void MainWindow::tmr1Timer()
{
    Label7->setText(QDateTime::currentDateTime().toString(QStringLiteral("dd-MM-yyyy, hh:mm:ss")));
}

// --- import ---

void MainWindow::BtnImportClick()
{
    const QString path = m_prompts->openFileName(this, Texts::ImportFilter);
    if (path.isEmpty())
        return;
    // A file that cannot be imported at all is told in a plain message; read errors in
    // the general error box.
    const QString refusal = Session::refusalBeforeReading(path);
    if (!refusal.isEmpty()) {
        m_prompts->message(this, refusal);
        return;
    }
    importPath(path);
    const Statistics::TypeCounts &c = m_session->figures().types;
    m_prompts->message(this, Texts::TypeCounts.arg(c.d).arg(c.i).arg(c.p));
}

void MainWindow::importPath(const QString &path)
{
    const bool workbook = Session::kindOf(path) == Session::FileKind::Workbook;
    if (!workbook)
        m_folders.dataDir(QStringLiteral("Error_Reports"));
    WaitCursor wait;
    m_importing = true;
    struct Reset {
        bool &flag;
        ~Reset() { flag = false; }
    } reset{m_importing};

    int count = 0;
    {
        ImportProgress progress(ProgressBar1, this);
        // The session is changed only once the whole file has been read.
        count = m_session->importFile(path, [&progress](int permille) { return progress.update(permille); });
    }
    ProgressBar1->setRange(0, std::max(1, count));
    ProgressBar1->setValue(ProgressBar1->maximum());
    // The new list is shown whole: the filter boxes start empty again.
    for (QLineEdit *e : {Edit1, Edit2}) {
        const QSignalBlocker block(e);
        e->clear();
    }
    LabelPath->setText((workbook ? Texts::ImportedExcel : Texts::Imported) + path);
    if (workbook)
        m_prompts->message(this, QString(Texts::ExcelDone).replace(QStringLiteral("%d"), QString::number(count)));
}

// --- figures ---

void MainWindow::showFigures()
{
    const ListFigures &f = m_session->figures();
    const ListPanels &p = m_session->panels();
    LabelTotalNet->setText(Statistics::totalNetText(f.netCents));
    LabelTotalRendement->setText(Statistics::totalRendementText(f.rendCents));
    Label1->setText(Statistics::totalGeneralText(f.netCents + f.rendCents));
    Edit3->setText(AmountText::formatCents(f.netCents));
    Edit4->setText(AmountText::formatCents(f.rendCents));
    Edit5->setText(AmountText::formatCents(f.netCents + f.rendCents));

    // The error memo: the three counters, a warning for amounts that do not read, then one
    // line per shown line in error, made when shown.
    QStringList head = Statistics::counterLines(f.rip, f.ccp, f.wrong);
    if (f.unreadableAmounts > 0)
        head << Texts::UnreadableAmounts.arg(f.unreadableAmounts);
    const Session *session = m_session;
    MemoErreurs->setSource(int(head.size()) + f.wrong, [session, head](int i) {
        return i < head.size() ? head[i] : session->errorLine(i - int(head.size()));
    });
    Memo1->setSource(f.wrong, [session](int i) { return session->wrongPairLine(i); });

    const QColor neutral = palette().color(QPalette::Button);
    ShapeRip->setBrushColor(f.rip > 0 ? QColor(0, 255, 0) : neutral);
    ShapeCle->setBrushColor(f.ccp > 0 ? QColor(255, 255, 0) : neutral);
    ShapeError->setBrushColor(f.wrong > 0 ? QColor(255, 0, 0) : neutral);
    Label3->setText(QString::number(f.rip));
    Label4->setText(QString::number(f.ccp));
    Label2->setText(QString::number(f.wrong));
    LabelRip->setText(counted("RIP: ", f.rip));
    LabelCle->setText(counted("CLE: ", f.ccp));
    LabelError->setText(counted("Erreur: ", f.wrong));

    memoNomPrenom->setLines(p.duplicateNames);
    MemoComptes->setLines(p.duplicateAccounts);
    MemoNoms->setLines(p.contractTypes);
    Label8->setText(counted("Nb Comptes Double : ", int(p.duplicateAccounts.size()) - 1));
    Label9->setText(counted("Nb Type Du Contrat : ", int(p.contractTypes.size()) - 1));
    Label10->setText(counted("Nb des Erreur : ", f.wrong));
    Label11->setText(counted("Nb Nom Double : ", int(p.duplicateNames.size())));
    LabelShown->setText(m_session->list().filtered() ? Texts::ShownCount.arg(f.shown).arg(f.all) : QString());
}

// --- key repairs ---

void MainWindow::repairKeys(KeyKind kind)
{
    reportRepair(kind, m_session->repairKeys(kind));
}

void MainWindow::reportRepair(KeyKind kind, const Session::RepairResult &result)
{
    const bool rip = kind == KeyKind::Rip;
    if (result.leftRows.empty()) {
        m_prompts->message(this, rip ? Texts::RipCorrected : Texts::CleCorrected);
        return;
    }
    QStringList rows;
    for (size_t i = 0; i < result.leftRows.size() && i < 5; ++i)
        rows << QString::number(result.leftRows[i] + 1);
    QString text = Texts::RepairPartial.arg(rip ? QStringLiteral("RIP") : QStringLiteral("CLE"))
                       .arg(result.repaired)
                       .arg(result.repaired + int(result.leftRows.size()))
                       .arg(result.leftRows.size())
                       .arg(rows.join(QStringLiteral(", ")));
    if (result.leftRows.size() > 5)
        text += QStringLiteral(" …");
    m_prompts->message(this, text);
}

// --- list commands ---

void MainWindow::mniC1Click()
{
    if (m_session->list().count() == 0)
        return;
    m_session->clean();
    m_prompts->message(this, Texts::CleanCompleted);
}

void MainWindow::Button2Click()
{
    const int row = selectedRow();
    if (row >= 0)
        m_session->deleteRow(row);
    // Nothing stays selected, so a second click deletes nothing.
    ListView1->selectionModel()->clearSelection();
    ListView1->setCurrentIndex(QModelIndex());
}

void MainWindow::Button3Click()
{
    const ListFigures &f = m_session->figures();
    const QString question = m_session->list().filtered()
                                 ? Texts::DeleteShown.arg(f.shown).arg(f.all - f.shown)
                                 : Texts::DeleteAll + Texts::DeleteAllCount.arg(f.shown);
    if (m_prompts->question(this, question))
        m_session->deleteShown();
}

// --- update ---

void MainWindow::ButtonUpdateClick()
{
    // Asks before a download, or cancels the one running.
    if (m_updater) m_updater->updateRequested();
}

// --- filters ---

void MainWindow::Edit1Change()
{
    m_session->setFilter(WorkingList::FilterField::Compte, Edit1->text());
}

void MainWindow::Edit2Change()
{
    m_session->setFilter(WorkingList::FilterField::NomPrenom, Edit2->text());
}

// --- record editor ---

int MainWindow::selectedRow() const
{
    const QModelIndexList rows = ListView1->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void MainWindow::selectRow(int row)
{
    if (row < 0 || row >= m_session->list().count())
        return;
    ListView1->selectRow(row);
    ListView1->setCurrentIndex(m_session->list().index(row, 0));
    ListView1->scrollTo(m_session->list().index(row, 0));
}

void MainWindow::appendFromEditor(const RecordEditor &editor)
{
    selectRow(m_session->appendLine(editor.line(TransferLine())));
    m_prompts->message(this, Texts::Added);
}

void MainWindow::editSelectedLine()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    const TransferLine original = m_session->list().line(row);
    RecordEditor dialog(m_prompts, this);
    dialog.setCells(original);
    if (m_prompts->execDialog(&dialog) != QDialog::Accepted)
        return;
    // "Enregistrer" writes the boxes back into the line; "Add New" appends a line of its own
    // and leaves this one as it was.
    if (dialog.closedBy() == RecordEditor::Closed::Saved && row < m_session->list().count()) {
        m_session->replaceLine(row, dialog.line(original));
        m_prompts->message(this, Texts::Saved);
    } else if (dialog.closedBy() == RecordEditor::Closed::Added) {
        appendFromEditor(dialog);
    }
}

void MainWindow::mniA1Click()
{
    // From "Add", both "Enregistrer" and "Add New" append: no existing line is overwritten.
    if (m_prompts->execDialog(Form2) == QDialog::Accepted &&
        (Form2->closedBy() == RecordEditor::Closed::Saved || Form2->closedBy() == RecordEditor::Closed::Added))
        appendFromEditor(*Form2);
}

// --- exports ---

QString MainWindow::writtenNote(const Session::ExportResult &result)
{
    return u'\n' + (result.filtered ? Texts::WrittenFiltered : Texts::Written).arg(result.lines);
}

QString MainWindow::askExportPath(Session::ExportKind kind, const QString &caption, const QString &prompt)
{
    const std::optional<QString> answer = m_prompts->input(this, caption, prompt, QString(), false);
    if (!answer)
        return QString();
    try {
        return Session::exportPath(m_folders, kind, *answer);
    } catch (const UserError &e) {
        m_prompts->message(this, e.message());
        return QString();
    }
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

void MainWindow::ExportToTxtWithCodee()
{
    const QString path = askExportPath(Session::ExportKind::Text, Texts::CodeCaption, Texts::CodePrompt);
    if (path.isEmpty())
        return;
    const Session::ExportResult result = m_session->exportText(path);
    m_prompts->message(this, Texts::Exported + path + writtenNote(result));
    LabelPath->setText(path);
    if (QFileInfo::exists(path))
        m_prompts->openWithShell(path);
    else
        m_prompts->message(this, Texts::ExportMissing + path);
}

void MainWindow::BtnExcelClick()
{
    const QString path =
        askExportPath(Session::ExportKind::Workbook, Texts::ExcelCodeCaption, Texts::ExcelCodePrompt);
    if (path.isEmpty())
        return;
    const Session::ExportResult result = tellingRipRepair(
        [this, &path](Session::RepairResult *repair) { return m_session->exportWorkbook(path, repair); });
    m_prompts->message(this, Texts::ExcelWritten + path);
    if (QFileInfo::exists(path)) {
        m_prompts->message(this, Texts::ExcelCreated + u'\n' + path + writtenNote(result));
        m_prompts->openWithShell(path);
    } else {
        m_prompts->message(this, Texts::ExcelMissing + path);
    }
}

// --- printed reports ---

void MainWindow::mniT1Click()
{
    if (m_session->list().count() == 0) {
        m_prompts->notice(this, ReportTexts::NoDataCaption, ReportTexts::NoDataToPrint);
        return;
    }
    const PreparedReport pages = tellingRipRepair([this](Session::RepairResult *repair) {
        WaitCursor wait;
        return m_session->listReport(Memo2->toPlainText(), selectedRow(), {}, repair);
    });
    m_prompts->showReport(this, pages);
}

void MainWindow::compareWithList()
{
    CompareDialog::run(this, *m_session, *m_prompts, Memo2->toPlainText(),
                       m_folders.dataDir(QStringLiteral("Fichier Excel")));
}

void MainWindow::mniS3Click()
{
    if (m_session->wrongRows().empty()) {
        m_prompts->message(this, ReportTexts::NoErrors);
        return;
    }
    PreparedReport pages;
    {
        WaitCursor wait;
        pages = m_session->errorReport();
    }
    m_prompts->showReport(this, pages);
}
