#include "ReportPreview.h"
#include "model/TranslatedText.h"

#include "Prompts.h"
#include "reports/ReportPainter.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QStandardPaths>
#include <QToolBar>
#include <QVBoxLayout>

namespace
{

// Texts of the preview window.
namespace Texts
{
constexpr TranslatedText Caption{"ReportPreview",
                                 QT_TRANSLATE_NOOP("ReportPreview", "Aperçu — %1")};
constexpr TranslatedText First{"ReportPreview",
                               QT_TRANSLATE_NOOP("ReportPreview", "Première page")};
constexpr TranslatedText Previous{"ReportPreview",
                                  QT_TRANSLATE_NOOP("ReportPreview", "Page précédente")};
constexpr TranslatedText Next{"ReportPreview", QT_TRANSLATE_NOOP("ReportPreview", "Page suivante")};
constexpr TranslatedText Last{"ReportPreview", QT_TRANSLATE_NOOP("ReportPreview", "Dernière page")};
constexpr TranslatedText Of{"ReportPreview", QT_TRANSLATE_NOOP("ReportPreview", "/ %1")};
constexpr TranslatedText ZoomIn{"ReportPreview", QT_TRANSLATE_NOOP("ReportPreview", "Zoom +")};
constexpr TranslatedText ZoomOut{"ReportPreview", QT_TRANSLATE_NOOP("ReportPreview", "Zoom −")};
constexpr TranslatedText FitWidth{"ReportPreview",
                                  QT_TRANSLATE_NOOP("ReportPreview", "Largeur de page")};
constexpr TranslatedText FitPage{"ReportPreview",
                                 QT_TRANSLATE_NOOP("ReportPreview", "Page entière")};
constexpr TranslatedText Print{"ReportPreview", QT_TRANSLATE_NOOP("ReportPreview", "Imprimer…")};
constexpr TranslatedText ExportPdf{"ReportPreview",
                                   QT_TRANSLATE_NOOP("ReportPreview", "Exporter en PDF…")};
constexpr TranslatedText Close{"ReportPreview", QT_TRANSLATE_NOOP("ReportPreview", "Fermer")};
constexpr TranslatedText SavePdf{"ReportPreview",
                                 QT_TRANSLATE_NOOP("ReportPreview", "Exporter en PDF")};
constexpr TranslatedText PdfFilter{"ReportPreview",
                                   QT_TRANSLATE_NOOP("ReportPreview", "Fichiers PDF (*.pdf)")};
constexpr TranslatedText PrintFailed{
    "ReportPreview", QT_TRANSLATE_NOOP("ReportPreview", "L’impression n’a pas pu être lancée.")};
} // namespace Texts

const double Zooms[] = {0.25, 0.5, 0.75, 1.0, 1.25, 1.5, 2.0, 3.0, 4.0};
constexpr int Border = 12; // grey around the paper, in pixels

} // namespace

// Paints the current page on grey, at the preview's zoom.
class ReportPreview::PageView final : public QWidget
{
public:
    explicit PageView(ReportPreview &preview) : QWidget(nullptr), m_preview(preview)
    {
        setAutoFillBackground(true);
        QPalette pal = palette();
        pal.setColor(QPalette::Window, QColor(128, 128, 128));
        setPalette(pal);
    }
    QSize paperPixels() const
    {
        return (m_preview.m_report.paperSize() * m_preview.pixelsPerUnit()).toSize();
    }
    QSize sizeHint() const override { return paperPixels() + QSize(2 * Border, 2 * Border); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        const QSize paper = paperPixels();
        const int x = std::max(Border, (width() - paper.width()) / 2);
        const QRect sheet(QPoint(x, Border), paper);
        p.fillRect(sheet.translated(3, 3), QColor(64, 64, 64));
        p.fillRect(sheet, Qt::white);
        p.translate(sheet.topLeft());
        p.scale(m_preview.pixelsPerUnit(), m_preview.pixelsPerUnit());
        ReportPainter::paintPage(p, m_preview.m_report, m_preview.m_page);
    }

private:
    ReportPreview &m_preview;
};

ReportPreview::ReportPreview(const PreparedReport &report, Prompts &prompts, QWidget *parent)
    : QDialog(parent), m_report(report), m_prompts(prompts)
{
    setWindowTitle(Texts::Caption().arg(report.title()));
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    setWindowFlag(Qt::WindowMinimizeButtonHint, true);
    resize(1000, 760);

    auto *bar = new QToolBar(this);
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto action = [this, bar](const QString &text, const QKeySequence &key, auto slot) {
        QAction *a = bar->addAction(text);
        a->setShortcut(key);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    actPrint = action(Texts::Print(), QKeySequence::Print, [this] { print(); });
    actExportPdf = action(Texts::ExportPdf(), QKeySequence::Save, [this] { exportPdf(); });
    bar->addSeparator();
    actFirst = action(Texts::First(), QKeySequence(Qt::CTRL | Qt::Key_Home),
                      [this] { setCurrentPage(0); });
    actPrevious = action(Texts::Previous(), QKeySequence(Qt::Key_PageUp),
                         [this] { setCurrentPage(m_page - 1); });
    pageBox = new QSpinBox(bar);
    pageBox->setRange(1, std::max(1, report.pageCount()));
    pageBox->setKeyboardTracking(false);
    bar->addWidget(pageBox);
    pageCountLabel = new QLabel(Texts::Of().arg(report.pageCount()), bar);
    pageCountLabel->setContentsMargins(4, 0, 8, 0);
    bar->addWidget(pageCountLabel);
    connect(pageBox, &QSpinBox::valueChanged, this, [this](int v) { setCurrentPage(v - 1); });
    actNext = action(Texts::Next(), QKeySequence(Qt::Key_PageDown),
                     [this] { setCurrentPage(m_page + 1); });
    actLast = action(Texts::Last(), QKeySequence(Qt::CTRL | Qt::Key_End),
                     [this] { setCurrentPage(m_report.pageCount() - 1); });
    bar->addSeparator();
    actZoomOut = action(Texts::ZoomOut(), QKeySequence::ZoomOut, [this] {
        double z = Zooms[0];
        for (double s : Zooms)
            if (s < m_zoom - 1e-9) z = s;
        setZoom(z);
    });
    zoomBox = new QComboBox(bar);
    for (double z : Zooms)
        zoomBox->addItem(QStringLiteral("%1 %").arg(qRound(z * 100)), z);
    bar->addWidget(zoomBox);
    connect(zoomBox, &QComboBox::activated, this,
            [this](int i) { setZoom(zoomBox->itemData(i).toDouble()); });
    actZoomIn = action(Texts::ZoomIn(), QKeySequence::ZoomIn, [this] {
        double z = Zooms[std::size(Zooms) - 1];
        for (auto it = std::rbegin(Zooms); it != std::rend(Zooms); ++it)
            if (*it > m_zoom + 1e-9) z = *it;
        setZoom(z);
    });
    actFitWidth = action(Texts::FitWidth(), QKeySequence(), [this] { fitWidth(); });
    actFitPage = action(Texts::FitPage(), QKeySequence(), [this] { fitPage(); });
    bar->addSeparator();
    actClose = action(Texts::Close(), QKeySequence(), [this] { accept(); });

    m_view = new PageView(*this);
    m_scroll = new QScrollArea(this);
    m_scroll->setWidget(m_view);
    m_scroll->setWidgetResizable(true);
    m_scroll->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_scroll->setBackgroundRole(QPalette::Dark);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(m_scroll, 1);
    refresh();
}

double ReportPreview::pixelsPerUnit() const
{
    // At 100 % a unit of 1/96 inch is one logical pixel of a 96 dpi screen.
    return m_zoom * logicalDpiX() / 96.0;
}

void ReportPreview::setCurrentPage(int page)
{
    page = std::clamp(page, 0, std::max(0, m_report.pageCount() - 1));
    if (page == m_page) return;
    m_page = page;
    m_scroll->verticalScrollBar()->setValue(0);
    refresh();
}

void ReportPreview::setZoom(double zoom)
{
    m_zoom = std::clamp(zoom, 0.1, 8.0);
    refresh();
}

void ReportPreview::fitWidth()
{
    const double w = m_scroll->viewport()->width() - 2 * Border;
    setZoom(w / (m_report.paperSize().width() * logicalDpiX() / 96.0));
}

void ReportPreview::fitPage()
{
    const QSizeF room = QSizeF(m_scroll->viewport()->size()) - QSizeF(2 * Border, 2 * Border);
    const QSizeF paper = m_report.paperSize() * (logicalDpiX() / 96.0);
    setZoom(std::min(room.width() / paper.width(), room.height() / paper.height()));
}

void ReportPreview::refresh()
{
    const int n = m_report.pageCount();
    {
        const QSignalBlocker block(pageBox);
        pageBox->setValue(m_page + 1);
    }
    actFirst->setEnabled(m_page > 0);
    actPrevious->setEnabled(m_page > 0);
    actNext->setEnabled(m_page + 1 < n);
    actLast->setEnabled(m_page + 1 < n);
    const QSignalBlocker block(zoomBox);
    int index = zoomBox->findData(m_zoom);
    if (index < 0) {
        const QString text = QStringLiteral("%1 %").arg(qRound(m_zoom * 100));
        index = zoomBox->findText(text);
        if (index < 0) {
            zoomBox->addItem(text, m_zoom);
            index = zoomBox->count() - 1;
        }
    }
    zoomBox->setCurrentIndex(index);
    m_view->setMinimumSize(m_view->sizeHint());
    m_view->updateGeometry();
    m_view->update();
}

void ReportPreview::exportPdf()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QString path = m_prompts.saveFileName(
        this, Texts::SavePdf(), QDir(folder).filePath(m_report.title() + QStringLiteral(".pdf")),
        Texts::PdfFilter());
    if (path.isEmpty()) return;
    if (!path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) path += QStringLiteral(".pdf");
    QString error;
    if (!ReportPainter::writePdf(m_report, path, &error)) m_prompts.error(this, error);
}

void ReportPreview::print()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setFullPage(true);
    printer.setPageLayout(m_report.source->pageLayout());
    printer.setDocName(m_report.title());
    printer.setFromTo(1, m_report.pageCount());
    if (!m_prompts.printSetup(this, printer, m_report.pageCount())) return;
    int first = 0, last = m_report.pageCount() - 1;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = printer.fromPage() - 1;
        last = printer.toPage() - 1;
    } else if (printer.printRange() == QPrinter::CurrentPage) {
        first = last = m_page;
    }
    if (!ReportPainter::paintPages(printer, m_report, first, last))
        m_prompts.error(this, Texts::PrintFailed());
}
