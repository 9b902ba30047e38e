#pragma once

#include "PreparedReport.h"

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QTextLayout>

// Fonts and line breaking shared by preparation and painting, so that a memo breaks its
// lines the same way on every page, on screen, on paper and in PDF.
class ReportText
{
public:
    // Space between a memo's frame and its text, in units.
    static constexpr double GapX = 2;
    static constexpr double GapY = 1;

    // The font of a memo; bold for a bold run. The template's families resolve to fonts
    // installed with the program: Times New Roman to Liberation Serif, Arial to Liberation
    // Sans (the same widths), each backed by DejaVu Sans for Arabic and other scripts.
    static QFont font(const ReportFontLook &look, bool bold = false);

    // Height of one line of text of the memo's font.
    double lineHeight(const ReportObject &o);

    // Where each line of a memo's text starts when it is set in the memo's width.
    QVector<int> breakLines(const ReportObject &o, const QString &text,
                            const QVector<TextRun> &runs);

    // Sets a memo's text into a layout: line breaks as line separators, wrapping at word
    // boundaries (anywhere when a word is too long), design metrics, left to right even when
    // the text starts with Arabic (a place name), and the bold and coloured runs.
    static void setUpLayout(QTextLayout &layout, const QString &text, const QFont &font,
                            const QVector<TextRun> &runs);

    // Whole memo height that the text needs.
    double textHeight(const ReportObject &o, int lines) { return lines * lineHeight(o) + 2 * GapY; }

private:
    struct Metrics {
        QFont font;
        double lineHeight = 0;
        QFontMetricsF fm{QFont()};
    };
    Metrics &metrics(const ReportObject &o);
    QHash<const ReportObject *, Metrics> m_metrics;
};
