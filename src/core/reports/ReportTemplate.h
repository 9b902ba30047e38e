#pragma once

#include "ReportExpression.h"
#include "ReportValue.h"

#include <QColor>
#include <QMarginsF>
#include <QPageLayout>
#include <QRectF>
#include <QSizeF>
#include <memory>
#include <vector>

// A report template: a page and its bands of objects. Templates are data files (JSON)
// compiled into the program; positions and sizes are in units of 1/96 inch.

struct ReportFontLook {
    QString family = QStringLiteral("Arial");
    int height = 13; // character height in units (a stored height of -13 reads 13)
    bool bold = false, italic = false, underline = false;
    QColor color = Qt::black;
};

// A piece of a text box's text: a literal, or the value of an expression, with the look
// given by the HTML tags around it.
struct TextPiece {
    QString literal;
    std::shared_ptr<const ReportExpr> expr;
    bool bold = false;
    QColor color; // invalid: the box's own colour
};

struct ReportObject {
    enum Kind { TextBox, Rectangle, RoundRectangle, Line };
    Kind kind = TextBox;
    QString name;
    QRectF rect; // from the top-left corner of the band

    // Text boxes.
    std::vector<TextPiece> pieces;
    bool html = false;
    bool grows = false;
    bool hasExpressions = false;
    bool styled = false; // some piece is bold or coloured by a tag
    Qt::Alignment align = Qt::AlignLeft;
    ReportFontLook font;
    QColor fill; // invalid: transparent
    bool bottomBorder = false;
    DisplayFormat format;

    // Shapes and lines.
    QColor penColor = Qt::black;
    double penWidth = 1;
    Qt::PenStyle penStyle = Qt::SolidLine;
};

struct ReportBand {
    enum Type { ReportTitle, PageHeader, MasterData, ReportSummary, PageFooter };
    Type type = MasterData;
    QString name;
    double height = 0;
    QString dataSet; // master data only
    bool grows = false;
    bool split = false;
    std::vector<ReportObject> objects;
};

// Running figures behind COUNT and SUM: one per band and summed expression.
struct ReportAccumulator {
    QString band;
    const ReportExpr *summed = nullptr; // nullptr for COUNT
};

class ReportTemplate
{
public:
    static constexpr double UnitsPerMm = 96.0 / 25.4;

    // Reads a template; throws UserError naming what is wrong.
    static std::shared_ptr<const ReportTemplate> fromJson(const QByteArray &json);
    // One of the templates compiled into the program, by name ("nominative-list", "error-report",
    // "comparison").
    static std::shared_ptr<const ReportTemplate> builtIn(const QString &name);

    QString name;
    QString title; // shown as the preview's caption and the PDF's title
    QSizeF paperMm{210, 297};
    QMarginsF marginsMm{10, 10, 10, 10};
    std::vector<ReportBand> bands;
    std::vector<ReportAccumulator> accumulators;

    QSizeF paperSize() const { return paperMm * UnitsPerMm; }
    QMarginsF margins() const { return marginsMm * UnitsPerMm; }
    // The paper for printers and PDF, without margins: a paper wider than tall is the
    // standard size turned to landscape, so printers are asked for A4, not a custom size.
    QPageLayout pageLayout() const;
    const ReportBand *band(ReportBand::Type type) const;
};
