#pragma once

#include "ReportTemplate.h"

#include <QColor>
#include <QRectF>
#include <QStringList>
#include <QVector>
#include <memory>
#include <vector>

// A stretch of memo text set in bold or in a colour by a tag.
struct TextRun {
    int start = 0;
    int length = 0;
    bool bold = false;
    QColor color; // invalid: the memo's own colour
};

// One object placed on a page, with its final text.
struct PreparedObject {
    const ReportObject *object = nullptr; // its look (kind, font, alignment, colours)
    QRectF rect;                          // units from the paper's top-left corner
    QString text;                         // memos: '\n' separates lines
    QVector<TextRun> runs;
    QVector<int> lineStarts; // where each laid-out line starts; empty: laid out when painted
};

struct PreparedPage {
    std::vector<PreparedObject> objects; // in painting order
};

// The pages of a prepared report, ready to be shown, printed or written as PDF.
struct PreparedReport {
    std::shared_ptr<const ReportTemplate> source; // keeps the objects' looks alive
    std::vector<PreparedPage> pages;

    int pageCount() const { return int(pages.size()); }
    QString title() const { return source ? source->title : QString(); }
    QSizeF paperSize() const { return source ? source->paperSize() : QSizeF(); }

    // Texts of the memos called name on a page, top to bottom (tests and tools).
    QStringList texts(int page, const QString &name) const
    {
        QStringList out;
        if (page < 0 || page >= pageCount()) return out;
        for (const PreparedObject &o : pages[size_t(page)].objects)
            if (o.object->name == name) out << o.text;
        return out;
    }
    // The objects called name on a page, top to bottom.
    std::vector<const PreparedObject *> objects(int page, const QString &name) const
    {
        std::vector<const PreparedObject *> out;
        if (page < 0 || page >= pageCount()) return out;
        for (const PreparedObject &o : pages[size_t(page)].objects)
            if (o.object->name == name) out.push_back(&o);
        return out;
    }
};
