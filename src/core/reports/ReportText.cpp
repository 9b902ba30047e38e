#include "ReportText.h"

#include <QPainter>
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

ReportText::Metrics &ReportText::metrics(const ReportObject &o, int pixelSize)
{
    if (pixelSize == o.font.height) pixelSize = 0;
    const auto key = std::make_pair(&o, pixelSize);
    auto it = m_metrics.find(key);
    if (it == m_metrics.end()) {
        Metrics m;
        m.font = font(o.font);
        if (pixelSize > 0) m.font.setPixelSize(pixelSize);
        m.fm = QFontMetricsF(m.font);
        m.lineHeight = m.fm.height();
        it = m_metrics.emplace(key, std::move(m)).first;
    }
    return it->second;
}

double ReportText::Metrics::latinWidthBound(const QString &text)
{
    // Up to Latin Extended-B: no joining, no marks that stack, no right-to-left text.
    constexpr char16_t Last = 0x024F;
    if (advances.empty()) advances.assign(Last + 1, -1.0f);
    double width = 0;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u > Last) return -1;
        float &a = advances[u];
        if (a < 0) a = float(fm.horizontalAdvance(c));
        width += a;
    }
    // Kerning seldom widens a pair of Latin letters; a little room per character covers it.
    return width + 0.05 * font.pixelSize() * double(text.size());
}

const QFont &ReportText::textFont(const ReportObject &o, int pixelSize)
{
    return metrics(o, pixelSize).font;
}

double ReportText::lineHeight(const ReportObject &o, int pixelSize)
{
    return metrics(o, pixelSize).lineHeight;
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
                                    const QVector<TextRun> &runs, int pixelSize, int limit)
{
    Metrics &m = metrics(o, pixelSize);
    const double width = std::max(1.0, o.rect.width() - 2 * GapX);
    if (runs.isEmpty() && !text.contains(u'\n')) {
        const double bound = m.latinWidthBound(text);
        if (bound >= 0 && bound <= width) return {0};
        if (bound < 0 && m.fm.horizontalAdvance(text) <= width) return {0};
    }
    QTextLayout layout;
    setUpLayout(layout, text, m.font, runs);
    QVector<int> starts;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid() && starts.size() < limit;
         line = layout.createLine()) {
        line.setLineWidth(width);
        starts << line.textStart();
    }
    layout.endLayout();
    if (starts.isEmpty()) starts << 0;
    return starts;
}

int ReportText::linesInBox(const ReportObject &o, int pixelSize)
{
    const double room = o.rect.height() - 2 * GapY + 1e-6;
    return std::max(1, int(room / lineHeight(o, pixelSize)));
}

namespace
{

// The runs of a text cut to its first length characters.
QVector<TextRun> runsBefore(const QVector<TextRun> &runs, int length)
{
    QVector<TextRun> out;
    for (const TextRun &r : runs)
        if (r.start < length)
            out.push_back({r.start, std::min(r.length, length - r.start), r.bold, r.color});
    return out;
}

} // namespace

void ReportText::fitInBox(PreparedObject &po)
{
    const ReportObject &o = *po.object;
    FitEntry &cached = m_fits[&o];
    if (cached.fitted.object == &o && cached.text == po.text && cached.runs == po.runs) {
        po.text = cached.fitted.text;
        po.runs = cached.fitted.runs;
        po.lineStarts = cached.fitted.lineStarts;
        po.fontPixelSize = cached.fitted.fontPixelSize;
        return;
    }
    cached.text = po.text;
    cached.runs = po.runs;

    const int own = o.font.height;
    const int smallest =
        std::min(own, po.holdsFigure ? SmallestFigureHeight : SmallestFittedHeight);
    // Hard lines past those that could show at the smallest size are never laid out.
    QString text = po.text;
    qsizetype end = -1;
    for (int hardLines = po.holdsFigure ? 0 : linesInBox(o, smallest);
         hardLines > 0 && end < text.size(); --hardLines) {
        end = text.indexOf(u'\n', end + 1);
        if (end < 0) break;
    }
    if (end >= 0 && end < text.size()) text.truncate(end);
    QVector<TextRun> runs = runsBefore(po.runs, int(text.size()));

    QVector<int> starts;
    int size = own;
    for (;; --size) {
        const int room = linesInBox(o, size);
        starts = breakLines(o, text, runs, size, room + 1);
        if (starts.size() <= room) break;
        if (size <= smallest) { // still too long: keep the whole lines that fit
            if (po.holdsFigure) {
                starts = breakLines(o, text, runs, size);
                break;
            }
            text.truncate(starts[room]);
            while (text.endsWith(u'\n'))
                text.chop(1);
            starts.resize(room);
            runs = runsBefore(runs, int(text.size()));
            break;
        }
    }
    po.text = std::move(text);
    po.runs = std::move(runs);
    po.lineStarts = std::move(starts);
    po.fontPixelSize = size == own ? 0 : size;
    cached.fitted = po;
}

void ReportText::paint(QPainter &painter, const PreparedObject &po)
{
    const double width = po.rect.width() - 2 * GapX;
    PaintEntry &e = m_paints[po.object];
    const bool same = (e.layout || !e.glyphs.isEmpty()) && e.text == po.text && e.runs == po.runs &&
                      e.lineStarts == po.lineStarts && e.pixelSize == po.fontPixelSize &&
                      e.width == width;
    if (!same) {
        e.text = po.text;
        e.runs = po.runs;
        e.lineStarts = po.lineStarts;
        e.pixelSize = po.fontPixelSize;
        e.width = width;
        e.layout.reset();
        e.glyphs = QGlyphRun();
        if (!plainLatinLine(po, e)) layOut(po, e);
    }
    const QPointF origin = po.rect.topLeft() + QPointF(GapX, GapY);
    if (e.layout)
        e.layout->draw(&painter, origin);
    else
        painter.drawGlyphRun(origin + e.baseline, e.glyphs);
}

bool ReportText::plainLatinLine(const PreparedObject &po, PaintEntry &e)
{
    if (!po.runs.isEmpty() || po.lineStarts.size() > 1 || po.text.contains(u'\n')) return false;
    Metrics &m = metrics(*po.object, po.fontPixelSize);
    constexpr char16_t Last = 0x024F;
    if (m.glyphs.empty()) {
        m.raw = QRawFont::fromFont(m.font);
        m.glyphs.assign(Last + 1, ~0u);
        m.glyphAdvances.assign(Last + 1, 0);
    }
    if (!m.raw.isValid()) return false;
    QVector<quint32> ids;
    QVector<QPointF> positions;
    ids.reserve(po.text.size());
    positions.reserve(po.text.size());
    double x = 0;
    for (QChar c : po.text) {
        const char16_t u = c.unicode();
        if (u > Last) return false;
        if (m.glyphs[u] == ~0u) {
            const QVector<quint32> g = m.raw.glyphIndexesForString(QString(c));
            m.glyphs[u] = g.size() == 1 ? g[0] : 0;
            if (m.glyphs[u]) m.glyphAdvances[u] = float(m.raw.advancesForGlyphIndexes(g)[0].x());
        }
        if (m.glyphs[u] == 0) return false; // left to the layout and its fallback fonts
        ids << m.glyphs[u];
        positions << QPointF(x, 0);
        x += m.glyphAdvances[u];
    }
    const ReportObject &o = *po.object;
    double left = 0;
    if (o.align & Qt::AlignRight)
        left = e.width - x;
    else if (o.align & Qt::AlignHCenter)
        left = (e.width - x) / 2;
    e.glyphs.setRawFont(m.raw);
    e.glyphs.setGlyphIndexes(ids);
    e.glyphs.setPositions(positions);
    e.glyphs.setUnderline(m.font.underline());
    e.baseline = QPointF(left, m.fm.ascent());
    return true;
}

void ReportText::layOut(const PreparedObject &po, PaintEntry &e)
{
    const ReportObject &o = *po.object;
    e.layout = std::make_unique<QTextLayout>();
    QTextLayout &layout = *e.layout;
    const QVector<int> starts =
        po.lineStarts.isEmpty() ? breakLines(o, po.text, po.runs, po.fontPixelSize) : po.lineStarts;
    const double lh = lineHeight(o, po.fontPixelSize);
    setUpLayout(layout, po.text, textFont(o, po.fontPixelSize), po.runs);
    const qsizetype textLength = layout.text().size();
    layout.beginLayout();
    for (int i = 0; i < starts.size(); ++i) {
        QTextLine line = layout.createLine();
        if (!line.isValid()) break;
        const int end = i + 1 < starts.size() ? starts[i + 1] : int(textLength);
        // The lines break where preparation broke them, whatever this device measures.
        line.setNumColumns(std::max(1, end - starts[i]), e.width);
        const double w = line.naturalTextWidth();
        double x = 0;
        if (o.align & Qt::AlignRight)
            x = e.width - w;
        else if (o.align & Qt::AlignHCenter)
            x = (e.width - w) / 2;
        line.setPosition(QPointF(x, i * lh));
    }
    layout.endLayout();
}
