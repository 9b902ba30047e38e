#pragma once

#include "PreparedReport.h"

#include <QFont>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QRawFont>
#include <QTextLayout>
#include <climits>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

// Fonts and line breaking shared by preparation and painting, so that a text box breaks its
// lines the same way on every page, on screen, on paper and in PDF. One instance serves a
// whole report: fonts, metrics and texts that repeat from page to page are set up once.
class ReportText
{
public:
    // Space between a text box's frame and its text, in units.
    static constexpr double GapX = 2;
    static constexpr double GapY = 1;
    // A text box that does not grow shrinks its font down to this character height (7.5 pt)
    // before it cuts lines at the bottom of its box.
    static constexpr int SmallestFittedHeight = 10;
    // A box showing a figure shrinks further, and is never cut: a total cut short would
    // print another amount.
    static constexpr int SmallestFigureHeight = 5;

    // The font of a text box; bold for a bold run. The template's families resolve to fonts
    // installed with the program: Times New Roman to Liberation Serif, Arial to Liberation
    // Sans (the same widths), each backed by DejaVu Sans for Arabic and other scripts.
    static QFont font(const ReportFontLook &look, bool bold = false);

    // The text box's font at a character height in units (0: its own), made once.
    const QFont &textFont(const ReportObject &o, int pixelSize = 0);

    // Height of one line of text of the text box's font.
    double lineHeight(const ReportObject &o, int pixelSize = 0);

    // Where each line of a text box's text starts when it is set in the box's width; at most
    // limit lines are laid out.
    QVector<int> breakLines(const ReportObject &o, const QString &text,
                            const QVector<TextRun> &runs, int pixelSize = 0, int limit = INT_MAX);

    // Keeps the text of a text box that does not grow inside it: when its lines do not fit
    // the font shrinks, down to SmallestFittedHeight, and what still does not fit is cut
    // after the last whole line. A box holding a figure shrinks down to SmallestFigureHeight
    // and then keeps its whole text, past its box if need be. Sets the object's line starts, font
    // height and text.
    void fitInBox(PreparedObject &po);

    // Sets a text box's text into a layout: line breaks as line separators, wrapping at word
    // boundaries (anywhere when a word is too long), design metrics, left to right even when
    // the text starts with Arabic (a place name), and the bold and coloured runs.
    static void setUpLayout(QTextLayout &layout, const QString &text, const QFont &font,
                            const QVector<TextRun> &runs);

    // Draws a prepared text box's text in its box with the painter's pen. What is drawn for
    // a box's last text is kept, so a label repeated on every page is laid out once; a plain
    // line of Latin letters is drawn from the font's glyphs without a text layout.
    void paint(QPainter &painter, const PreparedObject &po);

    // Whole height of a text box that the text needs.
    double textHeight(const ReportObject &o, int lines, int pixelSize = 0)
    {
        return lines * lineHeight(o, pixelSize) + 2 * GapY;
    }

private:
    struct Metrics {
        QFont font;
        double lineHeight = 0;
        QFontMetricsF fm{QFont()};
        std::vector<float> advances; // Latin characters measured one by one; < 0: not yet
        QRawFont raw;                // the main face, for glyphs drawn without a layout
        std::vector<quint32> glyphs; // its glyph of each Latin character; 0: none, ~0: not yet
        std::vector<float> glyphAdvances;

        // An upper bound of the width of a text in Latin letters, found without shaping it;
        // < 0 when it holds other characters.
        double latinWidthBound(const QString &text);
    };
    Metrics &metrics(const ReportObject &o, int pixelSize);
    int linesInBox(const ReportObject &o, int pixelSize);

    struct FitEntry {
        QString text;
        QVector<TextRun> runs;
        PreparedObject fitted;
    };
    struct PaintEntry {
        QString text;
        QVector<TextRun> runs;
        QVector<int> lineStarts;
        int pixelSize = 0;
        double width = 0;
        std::unique_ptr<QTextLayout> layout; // or, for a plain Latin line:
        QGlyphRun glyphs;
        QPointF baseline; // where the glyphs start, from the top-left of the text area
    };
    bool plainLatinLine(const PreparedObject &po, PaintEntry &e);
    void layOut(const PreparedObject &po, PaintEntry &e);
    std::map<std::pair<const ReportObject *, int>, Metrics> m_metrics;
    std::unordered_map<const ReportObject *, FitEntry> m_fits;
    std::unordered_map<const ReportObject *, PaintEntry> m_paints;
};
