#pragma once

#include "PreparedReport.h"

#include <QImage>

class QPagedPaintDevice;
class QPainter;

// Paints prepared pages. The same code draws the preview, the printed pages, the PDF and
// the images used by tests.
namespace ReportPainter
{

// Paints one page onto a painter whose coordinates are units of 1/96 inch from the
// paper's top-left corner. Paints nothing under the objects (the caller lays the paper).
void paintPage(QPainter &painter, const PreparedReport &report, int page);

// The page as an image at the given resolution, on white paper.
QImage renderPage(const PreparedReport &report, int page, double dpi);

// Paints pages first..last (from 0) onto a paged device (printer, PDF writer), one sheet each,
// at the device's resolution. The device's page layout must be set beforehand.
bool paintPages(QPagedPaintDevice &device, const PreparedReport &report, int first, int last);

// Writes every page to a PDF file, whole or not at all. Returns false and sets error when
// the file cannot be written.
bool writePdf(const PreparedReport &report, const QString &path, QString *error = nullptr);

} // namespace ReportPainter
