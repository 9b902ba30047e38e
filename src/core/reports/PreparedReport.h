#pragma once

#include "ReportTemplate.h"

#include <QColor>
#include <QRectF>
#include <QStringList>
#include <QVector>
#include <memory>
#include <vector>

// A stretch of a text box's text set in bold or in a colour by a tag.
struct TextRun {
    int start = 0;
    int length = 0;
    bool bold = false;
    QColor color; // invalid: the text box's own colour

    bool operator==(const TextRun &) const = default;
};

// One object placed on a page, with its final text.
struct PreparedObject {
    const ReportObject *object = nullptr; // its look (kind, font, alignment, colours)
    QRectF rect;                          // units from the paper's top-left corner
    QString text;                         // text boxes: '\n' separates lines
    QVector<TextRun> runs;
    QVector<int> lineStarts;  // where each laid-out line starts; empty: laid out when painted
    int fontPixelSize = 0;    // character height when shrunk to fit its box; 0: its own
    bool holdsFigure = false; // shows a number or an amount: shrunk further, never cut
};

struct PreparedPage {
    std::vector<PreparedObject> objects; // in painting order
};

class ReportText;

// Lays out the pages of a report one at a time, when they are first asked for.
class PageSource
{
public:
    virtual ~PageSource() = default;
    virtual int pageCount() const = 0;
    // The page (from 0). The page stays valid until a few other pages have been asked for:
    // only the latest ones are kept.
    virtual const PreparedPage &page(int index) = 0;
};

// The pages of a prepared report, ready to be shown, printed or written as PDF.
struct PreparedReport {
    std::shared_ptr<const ReportTemplate> source; // keeps the objects' looks alive
    std::vector<PreparedPage> pages;              // every page, unless laid out on demand
    std::shared_ptr<PageSource> onDemand;         // set: the pages come from here instead
    std::shared_ptr<ReportText> text;             // fonts and layouts made once for all pages

    int pageCount() const { return onDemand ? onDemand->pageCount() : int(pages.size()); }
    // A page (from 0 to pageCount() - 1); from a report laid out on demand, valid until a few
    // other pages have been asked for.
    const PreparedPage &page(int index) const
    {
        return onDemand ? onDemand->page(index) : pages[size_t(index)];
    }
    QString title() const { return source ? source->title : QString(); }
    QSizeF paperSize() const { return source ? source->paperSize() : QSizeF(); }

    // Texts of the text boxes called name on a page, top to bottom (tests and tools).
    QStringList texts(int page, const QString &name) const
    {
        QStringList out;
        if (page < 0 || page >= pageCount()) return out;
        for (const PreparedObject &o : this->page(page).objects)
            if (o.object->name == name) out << o.text;
        return out;
    }
    // The objects called name on a page, top to bottom.
    std::vector<const PreparedObject *> objects(int page, const QString &name) const
    {
        std::vector<const PreparedObject *> out;
        if (page < 0 || page >= pageCount()) return out;
        for (const PreparedObject &o : this->page(page).objects)
            if (o.object->name == name) out.push_back(&o);
        return out;
    }
};
