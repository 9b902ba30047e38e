#include "ReportEngine.h"

#include "ReportText.h"

#include <algorithm>
#include <list>
#include <memory>

namespace
{

// A band evaluated for printing, with positions relative to its top.
struct RenderedBand {
    const ReportBand *band = nullptr;
    double height = 0;
    std::vector<PreparedObject> objects;
};

constexpr double Epsilon = 1e-6;

// Running figures behind one aggregate. Sums are added as an expression adds them, so
// money and whole numbers are summed exactly.
struct Figures {
    qint64 count = 0, pageCount = 0;
    ReportValue sum = qint64(0), pageSum = qint64(0);
};

// The band whose placing opens a page: a row of a data band or the summary, part of which
// may already stand on earlier pages.
struct BandInProgress {
    int band = -1;            // index of the band in the template
    qint64 rowsAfter = 0;     // data bands: how many rows came before this one
    qint64 line = 0;          // its Line#
    bool counted = false;     // already counted in the aggregates, on an earlier page
    std::vector<double> cuts; // heights of the parts placed on earlier pages
};

// What laying out a page by itself starts from.
struct PageStart {
    BandInProgress opening; // band == -1 on the first page
    std::vector<Figures> figures;
};

} // namespace

// One layout of the whole report.
class ReportPass final : public ReportScope
{
public:
    enum Mode { Measure, Build };

    ReportPass(const ReportEngine &engine, ReportText &text, const QDateTime &start, int totalPages,
               Mode mode)
        : m_engine(engine), m_report(*engine.m_report), m_start(start), m_totalPages(totalPages),
          m_mode(mode), m_figures(m_report.accumulators.size()), m_text(text)
    {
        const QSizeF paper = m_report.paperSize();
        const QMarginsF margins = m_report.margins();
        m_origin = QPointF(margins.left(), margins.top());
        m_bodyHeight = paper.height() - margins.top() - margins.bottom();
        m_title = m_report.band(ReportBand::ReportTitle);
        m_header = m_report.band(ReportBand::PageHeader);
        m_footer = m_report.band(ReportBand::PageFooter);
        m_summary = m_report.band(ReportBand::ReportSummary);
        m_footerTop = m_bodyHeight - (m_footer ? m_footer->height : 0);
    }

    // Lays out the whole report.
    std::vector<PreparedPage> run()
    {
        newPage();
        continueAfter(-1);
        return std::move(m_pages);
    }

    // Lays out one page by itself, from where it starts.
    PreparedPage runPage(int page, const PageStart &start)
    {
        m_stopAfter = page + 1;
        m_figures = start.figures;
        m_pageNo = page;
        m_line = start.opening.line;
        if (page == 0) {
            newPage();
            continueAfter(-1);
        } else {
            reopen(start.opening);
        }
        return m_pages.empty() ? PreparedPage() : std::move(m_pages.back());
    }

    const std::vector<PageStart> &pageStarts() const { return m_pageStarts; }

    // --- expression scope ---

    ReportValue field(const QString &source, const QString &name) override
    {
        const auto it = m_engine.m_dataSets.constFind(source);
        if (it == m_engine.m_dataSets.cend() || !it->value) return std::monostate{};
        return toReportValue(it->value(name));
    }

    ReportValue name(const QString &identifier) override
    {
        if (identifier.compare(u"Page#", Qt::CaseInsensitive) == 0) return qint64(m_pageNo);
        if (identifier.compare(u"TotalPages#", Qt::CaseInsensitive) == 0)
            return qint64(m_totalPages);
        if (identifier.compare(u"Line#", Qt::CaseInsensitive) == 0) return qint64(m_line);
        if (identifier.compare(u"Date", Qt::CaseInsensitive) == 0) return m_start.date();
        if (identifier.compare(u"Time", Qt::CaseInsensitive) == 0) return m_start.time();
        if (!m_engine.m_variables) return std::monostate{};
        return toReportValue(m_engine.m_variables(identifier));
    }

    ReportValue aggregate(const ReportExpr &e) override
    {
        const Figures &f = m_figures[size_t(e.accumulator)];
        // The page footer shows the page's own figures unless asked to run on (flag 2).
        const bool page = m_bandType == ReportBand::PageFooter && e.flag != 2;
        if (e.kind == ReportExpr::Count) return page ? f.pageCount : f.count;
        return page ? f.pageSum : f.sum;
    }

private:
    const ReportDataSet *dataSetOf(const ReportBand &band) const
    {
        const auto it = m_engine.m_dataSets.constFind(band.dataSet);
        return it == m_engine.m_dataSets.cend() ? nullptr : &*it;
    }

    // The bands after the given one (-1: all), then the summary and the last footer.
    void continueAfter(int bandIndex)
    {
        for (int i = bandIndex + 1; i < int(m_report.bands.size()) && !m_stop; ++i)
            if (m_report.bands[size_t(i)].type == ReportBand::MasterData) {
                const ReportDataSet *ds = dataSetOf(m_report.bands[size_t(i)]);
                if (ds && ds->first) ds->first();
                printRows(i, 0);
            }
        if (m_stop) return;
        if (m_summary) {
            m_bandType = ReportBand::ReportSummary;
            m_inProgress =
                BandInProgress{int(m_summary - m_report.bands.data()), 0, m_line, false, {}};
            place(render(*m_summary), nullptr);
            if (m_stop) return;
        }
        finishPage();
    }

    // Prints the rows of a data band from the given row on; the data set stands there.
    void printRows(int bandIndex, qint64 row)
    {
        const ReportBand &band = m_report.bands[size_t(bandIndex)];
        const ReportDataSet *ds = dataSetOf(band);
        if (!ds) return;
        for (;; ++row) {
            if (!ds->atEnd || ds->atEnd()) break;
            ++m_line;
            m_bandType = ReportBand::MasterData;
            m_inProgress = BandInProgress{bandIndex, row, m_line, false, {}};
            place(render(band), &band);
            if (m_stop) return;
            if (ds->next) ds->next();
        }
    }

    // Opens a page with the rest of the band that was being placed when it began, then
    // goes on with what follows that band.
    void reopen(const BandInProgress &opening)
    {
        const ReportBand &band = m_report.bands[size_t(opening.band)];
        const ReportDataSet *ds = band.type == ReportBand::MasterData ? dataSetOf(band) : nullptr;
        if (ds && ds->seek) {
            ds->seek(opening.rowsAfter);
        } else if (ds) {
            if (ds->first) ds->first();
            if (ds->next)
                for (qint64 i = 0; i < opening.rowsAfter; ++i)
                    ds->next();
        }
        newPage();
        m_bandType = band.type;
        m_inProgress = opening;
        RenderedBand rb = render(band);
        for (double cut : opening.cuts)
            rb = split(rb, cut).second;
        place(std::move(rb), opening.counted || !ds ? nullptr : &band);
        if (m_stop) return;
        if (!ds) {
            finishPage();
            return;
        }
        if (ds->next) ds->next();
        printRows(opening.band, opening.rowsAfter + 1);
        continueAfter(opening.band);
    }

    // Adds the current row to the figures of the aggregates over its band.
    void count(const ReportBand &band)
    {
        for (size_t i = 0; i < m_report.accumulators.size(); ++i) {
            const ReportAccumulator &a = m_report.accumulators[i];
            if (a.band != band.name) continue;
            Figures &f = m_figures[i];
            if (!a.summed) {
                ++f.count;
                ++f.pageCount;
                continue;
            }
            ReportValue v = evaluate(*a.summed, *this);
            // Only numbers and money are summed; texts, dates and times count as nothing.
            if (!std::holds_alternative<qint64>(v) && !std::holds_alternative<double>(v) &&
                !std::holds_alternative<Money>(v))
                v = std::monostate{};
            f.sum = arithmetic(ReportExpr::Add, f.sum, v);
            f.pageSum = arithmetic(ReportExpr::Add, f.pageSum, v);
        }
    }

    QString boxText(const ReportObject &o, QVector<TextRun> &runs, bool &holdsFigure)
    {
        QString text;
        for (const TextPiece &p : o.pieces) {
            const int from = int(text.size());
            if (p.expr) {
                const ReportValue v = evaluate(*p.expr, *this);
                holdsFigure |= std::holds_alternative<qint64>(v) ||
                               std::holds_alternative<double>(v) ||
                               std::holds_alternative<Money>(v);
                text += displayText(v, o.format);
            } else
                text += p.literal;
            if ((p.bold || p.color.isValid()) && text.size() > from)
                runs.push_back({from, int(text.size()) - from, p.bold, p.color});
        }
        return text;
    }

    RenderedBand render(const ReportBand &band)
    {
        RenderedBand rb;
        rb.band = &band;
        rb.height = band.height;
        rb.objects.reserve(band.objects.size());
        bool grew = false;
        std::vector<double> growth(band.objects.size(), 0.0);
        for (size_t i = 0; i < band.objects.size(); ++i) {
            const ReportObject &o = band.objects[i];
            PreparedObject po;
            po.object = &o;
            po.rect = o.rect;
            if (o.kind == ReportObject::TextBox) {
                if (!o.grows && m_mode == Measure) {
                    // Its size is fixed: only its values are asked for.
                    for (const TextPiece &p : o.pieces)
                        if (p.expr) evaluate(*p.expr, *this);
                    rb.objects.push_back(std::move(po));
                    continue;
                }
                po.text = boxText(o, po.runs, po.holdsFigure);
                if (!o.grows) {
                    m_text.fitInBox(po);
                } else {
                    po.lineStarts = m_text.breakLines(o, po.text, po.runs);
                    const double need = m_text.textHeight(o, int(po.lineStarts.size()));
                    if (need > o.rect.height() + Epsilon) {
                        growth[i] = need - o.rect.height();
                        po.rect.setHeight(need);
                        grew = true;
                    }
                }
            }
            rb.objects.push_back(std::move(po));
        }
        if (grew) shiftBelowGrowth(band, growth, rb);
        return rb;
    }

    // Objects under a text box that grew move down with it; the band grows by as much as its
    // lowest object went down.
    static void shiftBelowGrowth(const ReportBand &band, const std::vector<double> &growth,
                                 RenderedBand &rb)
    {
        const size_t n = band.objects.size();
        std::vector<size_t> order(n);
        for (size_t i = 0; i < n; ++i)
            order[i] = i;
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
            return band.objects[a].rect.top() < band.objects[b].rect.top();
        });
        std::vector<double> shift(n, 0.0);
        double lowestBefore = 0, lowestAfter = 0;
        for (size_t k = 0; k < n; ++k) {
            const size_t i = order[k];
            const QRectF &ri = band.objects[i].rect;
            for (size_t m = 0; m < k; ++m) {
                const size_t j = order[m];
                const QRectF &rj = band.objects[j].rect;
                const double moved = shift[j] + growth[j];
                const bool above = rj.bottom() <= ri.top() + Epsilon;
                const bool overlaps = rj.left() < ri.right() && ri.left() < rj.right();
                if (moved > 0 && above && overlaps) shift[i] = std::max(shift[i], moved);
            }
            rb.objects[i].rect.translate(0, shift[i]);
            lowestBefore = std::max(lowestBefore, ri.bottom());
            lowestAfter = std::max(lowestAfter, rb.objects[i].rect.bottom());
        }
        rb.height = band.height + std::max(0.0, lowestAfter - lowestBefore);
    }

    // Splits a band taller than any page at height h: objects above h stay, objects below
    // go to the rest, and a text box across h keeps the lines that fit.
    std::pair<RenderedBand, RenderedBand> split(const RenderedBand &rb, double h)
    {
        RenderedBand head, tail;
        head.band = tail.band = rb.band;
        head.height = h;
        tail.height = rb.height - h;
        for (const PreparedObject &po : rb.objects) {
            if (po.rect.bottom() <= h + Epsilon) {
                head.objects.push_back(po);
                continue;
            }
            PreparedObject rest = po;
            rest.rect.moveTop(std::max(0.0, po.rect.top() - h));
            if (po.object->kind == ReportObject::TextBox && po.object->grows &&
                po.lineStarts.size() > 1 && po.rect.top() < h) {
                const double lh = m_text.lineHeight(*po.object);
                int fit = 0;
                while (fit < po.lineStarts.size() &&
                       po.rect.top() + ReportText::GapY + (fit + 1) * lh <= h + Epsilon)
                    ++fit;
                if (fit > 0) {
                    const int cut = po.lineStarts[fit];
                    PreparedObject first = po;
                    first.text = po.text.left(cut);
                    first.lineStarts = po.lineStarts.mid(0, fit);
                    first.runs.clear();
                    for (const TextRun &r : po.runs)
                        if (r.start < cut)
                            first.runs.push_back(
                                {r.start, std::min(r.length, cut - r.start), r.bold, r.color});
                    first.rect.setHeight(h - po.rect.top());
                    head.objects.push_back(first);

                    rest.text = po.text.mid(cut);
                    rest.lineStarts.clear();
                    for (int k = fit; k < po.lineStarts.size(); ++k)
                        rest.lineStarts << po.lineStarts[k] - cut;
                    rest.runs.clear();
                    for (const TextRun &r : po.runs) {
                        const int end = r.start + r.length;
                        if (end > cut)
                            rest.runs.push_back({std::max(0, r.start - cut),
                                                 end - std::max(r.start, cut), r.bold, r.color});
                    }
                    rest.rect.setHeight(m_text.textHeight(*po.object, int(rest.lineStarts.size())));
                }
            }
            tail.height = std::max(tail.height, rest.rect.bottom());
            tail.objects.push_back(std::move(rest));
        }
        return {std::move(head), std::move(tail)};
    }

    void putBand(const RenderedBand &rb, double y)
    {
        if (m_mode == Measure) return;
        PreparedPage &page = m_pages.back();
        const QPointF offset = m_origin + QPointF(0, y);
        for (const PreparedObject &po : rb.objects) {
            page.objects.push_back(po);
            page.objects.back().rect.translate(offset);
        }
    }

    // Puts a band at the current position, opening new pages as needed. rowBand: the data
    // band whose row this is, counted in the aggregates of the page it starts on.
    void place(RenderedBand rb, const ReportBand *rowBand)
    {
        for (;;) {
            const double room = m_footerTop - m_y;
            const bool fresh = m_y <= m_bodyTop + Epsilon;
            if (rb.height <= room + Epsilon || (fresh && !(rb.band->split && rb.height > room))) {
                if (rowBand) count(*rowBand);
                putBand(rb, m_y);
                m_y += rb.height;
                return;
            }
            const double freshRoom = m_footerTop - m_bodyTop;
            if (rb.band->split && rb.height > freshRoom) {
                auto [head, tail] = split(rb, room);
                if (!head.objects.empty()) {
                    if (rowBand) {
                        count(*rowBand);
                        rowBand = nullptr;
                    }
                    m_inProgress.counted = true;
                    m_inProgress.cuts.push_back(room);
                    putBand(head, m_y);
                    finishPage();
                    if (m_stop) return;
                    newPage();
                    rb = std::move(tail);
                    continue;
                }
                if (fresh) { // nothing of it fits even here: print it as it is
                    if (rowBand) count(*rowBand);
                    putBand(rb, m_y);
                    m_y += rb.height;
                    return;
                }
            }
            finishPage();
            if (m_stop) return;
            newPage();
        }
    }

    void newPage()
    {
        m_pages.emplace_back();
        ++m_pageNo;
        m_y = 0;
        for (Figures &f : m_figures) {
            f.pageCount = 0;
            f.pageSum = qint64(0);
        }
        if (m_mode == Measure)
            m_pageStarts.push_back(
                PageStart{m_pageNo == 1 ? BandInProgress{} : m_inProgress, m_figures});
        const ReportBand::Type was = m_bandType;
        if (m_pageNo == 1 && m_title) {
            m_bandType = ReportBand::ReportTitle;
            const RenderedBand rb = render(*m_title);
            putBand(rb, m_y);
            m_y += rb.height;
        }
        if (m_header) {
            m_bandType = ReportBand::PageHeader;
            const RenderedBand rb = render(*m_header);
            putBand(rb, m_y);
            m_y += rb.height;
        }
        m_bandType = was;
        m_bodyTop = m_y;
    }

    void finishPage()
    {
        if (m_footer) {
            const ReportBand::Type was = m_bandType;
            m_bandType = ReportBand::PageFooter;
            putBand(render(*m_footer), m_footerTop);
            m_bandType = was;
        }
        if (m_pageNo == m_stopAfter) m_stop = true;
    }

    const ReportEngine &m_engine;
    const ReportTemplate &m_report;
    const QDateTime m_start;
    const int m_totalPages;
    const Mode m_mode;
    std::vector<Figures> m_figures;
    const ReportBand *m_title = nullptr, *m_header = nullptr, *m_footer = nullptr,
                     *m_summary = nullptr;
    QPointF m_origin;
    double m_bodyHeight = 0, m_footerTop = 0, m_bodyTop = 0, m_y = 0;
    int m_pageNo = 0;
    qint64 m_line = 0;
    ReportBand::Type m_bandType = ReportBand::PageHeader;
    std::vector<PreparedPage> m_pages;
    ReportText &m_text;
    BandInProgress m_inProgress;
    std::vector<PageStart> m_pageStarts;
    int m_stopAfter = 0; // the page number after which to stop; 0: none
    bool m_stop = false;
};

namespace
{

// Pages laid out when asked for, from where the measuring layout saw them start. Only the
// latest few are kept: a preview going back and forth finds them again, and writing or
// printing every page in turn holds one page at a time.
class PagesOnDemand final : public PageSource
{
public:
    static constexpr size_t KeptPages = 8;

    PagesOnDemand(const ReportEngine &engine, std::shared_ptr<ReportText> text,
                  const QDateTime &start, std::vector<PageStart> starts)
        : m_engine(engine), m_text(std::move(text)), m_start(start), m_starts(std::move(starts))
    {
    }

    int pageCount() const override { return int(m_starts.size()); }

    const PreparedPage &page(int index) override
    {
        for (auto it = m_kept.begin(); it != m_kept.end(); ++it)
            if (it->index == index) {
                // The latest asked for goes last; the first is dropped next.
                m_kept.splice(m_kept.end(), m_kept, it);
                return m_kept.back().page;
            }
        if (m_kept.size() >= KeptPages) m_kept.pop_front();
        PreparedPage laidOut;
        ReportPass pass(m_engine, *m_text, m_start, pageCount(), ReportPass::Build);
        try {
            laidOut = pass.runPage(index, m_starts[size_t(index)]);
        } catch (const std::exception &) {
            // The callbacks answered during the measuring layout; a page they now refuse
            // is left blank rather than taking the preview down.
            laidOut = PreparedPage();
        }
        m_kept.push_back(Kept{index, std::move(laidOut)});
        return m_kept.back().page;
    }

private:
    struct Kept {
        int index;
        PreparedPage page;
    };
    const ReportEngine m_engine; // a copy: the callbacks as they were bound at preparation
    std::shared_ptr<ReportText> m_text;
    const QDateTime m_start;
    const std::vector<PageStart> m_starts;
    std::list<Kept> m_kept; // oldest first; a page stays put until dropped
};

} // namespace

ReportEngine::ReportEngine(std::shared_ptr<const ReportTemplate> report)
    : m_report(std::move(report))
{
}

ReportDataSet ReportDataSet::overRows(int count,
                                      std::function<QVariant(int row, const QString &field)> value)
{
    auto current = std::make_shared<int>(0);
    return ReportDataSet{
        [current] { *current = 0; },
        [current] { ++*current; },
        [current, count] { return *current >= count; },
        [current, count, value = std::move(value)](const QString &field) {
            return *current >= 0 && *current < count ? value(*current, field) : QVariant();
        },
        [current, count](qint64 row) { *current = int(std::clamp<qint64>(row, 0, count)); },
    };
}

void ReportEngine::setDataSet(const QString &name, ReportDataSet dataSet)
{
    m_dataSets.emplace(name, std::move(dataSet));
}

void ReportEngine::setVariables(std::function<QVariant(const QString &)> variables)
{
    m_variables = std::move(variables);
}

PreparedReport ReportEngine::prepare()
{
    const QDateTime start = startTime();
    PreparedReport out = measured(start);
    // The second layout prints the final page count.
    const int total = out.pageCount();
    out.pages = ReportPass(*this, *out.text, start, total, ReportPass::Build).run();
    out.onDemand.reset();
    return out;
}

PreparedReport ReportEngine::prepareOnDemand()
{
    return measured(startTime());
}

QDateTime ReportEngine::startTime() const
{
    return m_startTime.isValid() ? m_startTime : QDateTime::currentDateTime();
}

PreparedReport ReportEngine::measured(const QDateTime &start) const
{
    PreparedReport out;
    out.source = m_report;
    out.text = std::make_shared<ReportText>();
    ReportPass measure(*this, *out.text, start, 0, ReportPass::Measure);
    measure.run();
    out.onDemand = std::make_shared<PagesOnDemand>(*this, out.text, start, measure.pageStarts());
    return out;
}
