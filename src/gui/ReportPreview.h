#pragma once

#include "reports/PreparedReport.h"

#include <QDialog>

class Prompts;
class QAction;
class QComboBox;
class QLabel;
class QScrollArea;
class QSpinBox;

// The preview of a prepared report: one page at a time, with navigation, zoom, printing and
// PDF export. The pages are drawn by the same code that prints them and writes the PDF.
class ReportPreview final : public QDialog
{
    Q_OBJECT
public:
    ReportPreview(const PreparedReport &report, Prompts &prompts, QWidget *parent = nullptr);

    int currentPage() const { return m_page; } // from 0
    void setCurrentPage(int page);
    double zoom() const { return m_zoom; } // 1.0 is 100 %
    void setZoom(double zoom);
    void fitWidth();
    void fitPage();

    // Asks for a file name and writes every page to it as PDF.
    void exportPdf();
    // Shows the print dialog and prints the pages chosen.
    void print();

    QAction *actFirst, *actPrevious, *actNext, *actLast;
    QAction *actZoomIn, *actZoomOut, *actFitWidth, *actFitPage;
    QAction *actPrint, *actExportPdf, *actClose;
    QSpinBox *pageBox;
    QComboBox *zoomBox;
    QLabel *pageCountLabel;

private:
    class PageView;
    void refresh();
    double pixelsPerUnit() const;

    const PreparedReport &m_report;
    Prompts &m_prompts;
    int m_page = 0;
    double m_zoom = 1.0;
    QScrollArea *m_scroll;
    PageView *m_view;
};
