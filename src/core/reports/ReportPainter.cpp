#include "ReportPainter.h"

#include "ReportText.h"
#include "platform/SaveFile.h"

#include <QFileInfo>
#include <QPageLayout>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QTextLayout>

namespace ReportPainter
{

namespace
{

// Rounded corners of a rounded rectangle, in units.
constexpr double CornerRadius = 6;

void paintShape(QPainter &p, const PreparedObject &po)
{
    const ReportObject &o = *po.object;
    if (o.kind == ReportObject::Line) {
        QPen pen(o.penColor, o.penWidth, o.penStyle, Qt::FlatCap);
        p.setPen(pen);
        p.drawLine(po.rect.topLeft(),
                   po.rect.topLeft() + QPointF(po.rect.width(), po.rect.height()));
        return;
    }
    p.setPen(QPen(o.penColor, o.penWidth));
    p.setBrush(o.fill.isValid() ? QBrush(o.fill) : QBrush(Qt::NoBrush));
    if (o.kind == ReportObject::RoundRectangle)
        p.drawRoundedRect(po.rect, CornerRadius, CornerRadius);
    else
        p.drawRect(po.rect);
    p.setBrush(Qt::NoBrush);
}

void paintTextBox(QPainter &p, ReportText &text, const PreparedObject &po)
{
    const ReportObject &o = *po.object;
    if (o.fill.isValid()) p.fillRect(po.rect, o.fill);
    if (o.bottomBorder) {
        p.setPen(QPen(Qt::black, 1));
        p.drawLine(po.rect.bottomLeft(), po.rect.bottomRight());
    }
    if (po.text.isEmpty()) return;
    p.setPen(o.font.color);
    text.paint(p, po);
}

} // namespace

void paintPage(QPainter &painter, const PreparedReport &report, int page)
{
    if (page < 0 || page >= report.pageCount()) return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setLayoutDirection(Qt::LeftToRight);
    ReportText ownText;
    ReportText &text = report.text ? *report.text : ownText;
    for (const PreparedObject &po : report.page(page).objects) {
        if (po.object->kind == ReportObject::TextBox)
            paintTextBox(painter, text, po);
        else
            paintShape(painter, po);
    }
    painter.restore();
}

QImage renderPage(const PreparedReport &report, int page, double dpi)
{
    const QSizeF paper = report.paperSize() * (dpi / 96.0);
    QImage img(paper.toSize(), QImage::Format_RGB32);
    img.setDotsPerMeterX(int(dpi / 0.0254));
    img.setDotsPerMeterY(int(dpi / 0.0254));
    img.fill(Qt::white);
    QPainter p(&img);
    p.scale(dpi / 96.0, dpi / 96.0);
    paintPage(p, report, page);
    return img;
}

bool paintPages(QPagedPaintDevice &device, const PreparedReport &report, int first, int last)
{
    QPainter p;
    if (!p.begin(&device)) return false;
    const double sx = device.logicalDpiX() / 96.0, sy = device.logicalDpiY() / 96.0;
    first = std::max(0, first);
    last = std::min(last, report.pageCount() - 1);
    for (int i = first; i <= last; ++i) {
        if (i > first) device.newPage();
        p.save();
        p.scale(sx, sy);
        paintPage(p, report, i);
        p.restore();
    }
    return p.end();
}

bool writePdf(const PreparedReport &report, const QString &path, QString *error)
{
    auto fail = [&](const QString &why) {
        if (error)
            *error =
                QStringLiteral("Impossible d’écrire le fichier PDF « %1 » : %2").arg(path, why);
        return false;
    };
    SaveFile file(path);
    if (!file.open()) return fail(file.errorString());
    {
        QPdfWriter pdf(&file.device());
        pdf.setResolution(1200);
        pdf.setTitle(report.title());
        pdf.setCreator(QStringLiteral("Talvoro CCP"));
        pdf.setPageLayout(report.source->pageLayout());
        if (!paintPages(pdf, report, 0, report.pageCount() - 1))
            return fail(QStringLiteral("le dessin des pages a échoué"));
    }
    if (!file.commit()) return fail(file.errorString());
    return true;
}

} // namespace ReportPainter
