#include "ReportText.h"

#include <QTextLayout>

QFont ReportText::font(const ReportFontLook &look, bool bold)
{
    const QString family = look.family.toLower();
    QStringList families;
    bool italic = look.italic;
    if (family == u"times new roman") {
        families << QStringLiteral("Liberation Serif");
    } else if (family == u"arial") {
        families << QStringLiteral("Liberation Sans");
    } else if (family == u"lucida calligraphy") {
        // No metric twin exists: an italic serif keeps the handwritten feel.
        families << QStringLiteral("Liberation Serif");
        italic = true;
    } else {
        families << look.family;
    }
    families << QStringLiteral("DejaVu Sans");
    QFont f(families.first());
    f.setFamilies(families);
    f.setPixelSize(look.height);
    f.setBold(look.bold || bold);
    f.setItalic(italic);
    f.setUnderline(look.underline);
    // Unhinted outlines keep widths proportional at every resolution.
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setKerning(true);
    return f;
}

ReportText::Metrics &ReportText::metrics(const ReportObject &o)
{
    auto it = m_metrics.find(&o);
    if (it == m_metrics.end()) {
        Metrics m;
        m.font = font(o.font);
        m.fm = QFontMetricsF(m.font);
        m.lineHeight = m.fm.height();
        it = m_metrics.insert(&o, m);
    }
    return *it;
}

double ReportText::lineHeight(const ReportObject &o)
{
    return metrics(o).lineHeight;
}

void ReportText::setUpLayout(QTextLayout &layout, const QString &text, const QFont &font,
                             const QVector<TextRun> &runs)
{
    QString laid = text;
    laid.replace(u'\n', QChar::LineSeparator);
    layout.setText(laid);
    layout.setFont(font);
    QTextOption opt;
    opt.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    opt.setUseDesignMetrics(true);
    opt.setTextDirection(Qt::LeftToRight);
    layout.setTextOption(opt);
    QList<QTextLayout::FormatRange> formats;
    for (const TextRun &r : runs) {
        QTextLayout::FormatRange f;
        f.start = r.start;
        f.length = r.length;
        if (r.bold) f.format.setFontWeight(QFont::Bold);
        if (r.color.isValid()) f.format.setForeground(r.color);
        formats << f;
    }
    layout.setFormats(formats);
}

QVector<int> ReportText::breakLines(const ReportObject &o, const QString &text,
                                    const QVector<TextRun> &runs)
{
    Metrics &m = metrics(o);
    const double width = std::max(1.0, o.rect.width() - 2 * GapX);
    if (runs.isEmpty() && !text.contains(u'\n') && m.fm.horizontalAdvance(text) <= width)
        return {0};
    QTextLayout layout;
    setUpLayout(layout, text, m.font, runs);
    QVector<int> starts;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        starts << line.textStart();
    }
    layout.endLayout();
    if (starts.isEmpty()) starts << 0;
    return starts;
}
