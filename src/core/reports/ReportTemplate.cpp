#include "ReportTemplate.h"

#include "model/UserError.h"

#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>

namespace
{

[[noreturn]] void bad(const QString &what)
{
    throw UserError(QStringLiteral("Modèle d’état incorrect : %1").arg(what));
}

QColor colour(const QJsonValue &v, const QString &where)
{
    const QColor c = QColor::fromString(v.toString());
    if (!c.isValid())
        bad(where + QStringLiteral(" : couleur « ") + v.toString() + QStringLiteral(" »"));
    return c;
}

QRectF rect(const QJsonValue &v, const QString &where)
{
    const QJsonArray a = v.toArray();
    if (a.size() != 4) bad(where + QStringLiteral(" : position"));
    return QRectF(a[0].toDouble(), a[1].toDouble(), a[2].toDouble(), a[3].toDouble());
}

// Splits a text box's text into literals and bracketed expressions.
struct Segment {
    QString text;
    bool expression;
};

std::vector<Segment> segments(const QString &text)
{
    std::vector<Segment> out;
    QString literal;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'[') {
            literal += text[i];
            continue;
        }
        // Find the closing bracket, stepping over quoted names and nested brackets.
        int depth = 0;
        QChar quote;
        qsizetype j = i;
        for (; j < text.size(); ++j) {
            const QChar c = text[j];
            if (!quote.isNull()) {
                if (c == quote) quote = QChar();
            } else if (c == u'"' || c == u'\'') {
                quote = c;
            } else if (c == u'[') {
                ++depth;
            } else if (c == u']' && --depth == 0) {
                break;
            }
        }
        if (j >= text.size()) { // no closing bracket: the rest is literal
            literal += text.mid(i);
            break;
        }
        if (!literal.isEmpty()) out.push_back({literal, false});
        literal.clear();
        out.push_back({text.mid(i + 1, j - i - 1), true});
        i = j;
    }
    if (!literal.isEmpty()) out.push_back({literal, false});
    return out;
}

// The look set by the tags read so far.
struct TagState {
    int bold = 0;
    std::vector<QColor> colours;
    bool isBold() const { return bold > 0; }
    QColor colour() const { return colours.empty() ? QColor() : colours.back(); }
};

// Reads the tags b, /b, font color=..., /font out of a literal; other text stays.
void appendHtmlLiteral(const QString &text, TagState &state, std::vector<TextPiece> &pieces)
{
    QString run;
    auto flush = [&] {
        if (!run.isEmpty()) pieces.push_back({run, nullptr, state.isBold(), state.colour()});
        run.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'<') {
            const qsizetype close = text.indexOf(u'>', i);
            if (close > i) {
                const QString tag = text.mid(i + 1, close - i - 1).trimmed();
                const QString lower = tag.toLower();
                bool known = true;
                if (lower == u"b") {
                    flush();
                    ++state.bold;
                } else if (lower == u"/b") {
                    flush();
                    state.bold = std::max(0, state.bold - 1);
                } else if (lower.startsWith(u"font") && lower.contains(u"color")) {
                    QString value = tag.mid(lower.indexOf(u"color") + 5).trimmed();
                    if (value.startsWith(u'=')) value = value.mid(1).trimmed();
                    value.remove(u'"').remove(u'\'');
                    flush();
                    state.colours.push_back(QColor::fromString(value.trimmed()));
                } else if (lower == u"/font") {
                    flush();
                    if (!state.colours.empty()) state.colours.pop_back();
                } else {
                    known = false;
                }
                if (known) {
                    i = close;
                    continue;
                }
            }
        }
        run += text[i];
    }
    flush();
}

void collectAggregates(ReportExpr &e, ReportTemplate &t, QHash<QString, int> &seen)
{
    if (e.kind == ReportExpr::Count || e.kind == ReportExpr::Sum) {
        const QString key = e.text + u'|' + (e.kind == ReportExpr::Sum ? e.innerText : QString());
        auto it = seen.find(key);
        if (it == seen.end()) {
            it = seen.insert(key, int(t.accumulators.size()));
            t.accumulators.push_back({e.text, e.kind == ReportExpr::Sum ? e.a.get() : nullptr});
        }
        e.accumulator = *it;
    }
    if (e.a) collectAggregates(*e.a, t, seen);
    if (e.b) collectAggregates(*e.b, t, seen);
}

ReportObject readObject(const QJsonObject &o, ReportTemplate &t, QHash<QString, int> &aggregates)
{
    ReportObject obj;
    obj.name = o.value(u"name").toString();
    const QString kind = o.value(u"kind").toString(QStringLiteral("text"));
    obj.rect = rect(o.value(u"rect"), obj.name);
    if (kind == u"rectangle" || kind == u"roundRectangle" || kind == u"line") {
        obj.kind = kind == u"line"        ? ReportObject::Line
                   : kind == u"rectangle" ? ReportObject::Rectangle
                                          : ReportObject::RoundRectangle;
        if (o.contains(u"fill")) obj.fill = colour(o.value(u"fill"), obj.name);
        if (o.contains(u"color")) obj.penColor = colour(o.value(u"color"), obj.name);
        obj.penWidth = o.value(u"width").toDouble(1);
        const QString style = o.value(u"style").toString(QStringLiteral("solid"));
        obj.penStyle = style == u"dashDotDot" ? Qt::DashDotDotLine
                       : style == u"dash"     ? Qt::DashLine
                       : style == u"dot"      ? Qt::DotLine
                                              : Qt::SolidLine;
        return obj;
    }
    if (kind != u"text")
        bad(obj.name + QStringLiteral(" : genre « ") + kind + QStringLiteral(" »"));

    obj.kind = ReportObject::TextBox;
    const QString align = o.value(u"align").toString(QStringLiteral("left"));
    obj.align = align == u"center"  ? Qt::AlignHCenter
                : align == u"right" ? Qt::AlignRight
                                    : Qt::AlignLeft;
    obj.html = o.value(u"html").toBool();
    obj.grows = o.value(u"grows").toBool();
    obj.bottomBorder = o.value(u"border").toString() == u"bottom";
    if (o.contains(u"fill")) obj.fill = colour(o.value(u"fill"), obj.name);
    const QJsonObject f = o.value(u"font").toObject();
    if (!f.isEmpty()) {
        obj.font.family = f.value(u"family").toString(obj.font.family);
        obj.font.height = std::abs(f.value(u"height").toInt(-obj.font.height));
        obj.font.bold = f.value(u"bold").toBool();
        obj.font.italic = f.value(u"italic").toBool();
        obj.font.underline = f.value(u"underline").toBool();
        if (f.contains(u"color")) obj.font.color = colour(f.value(u"color"), obj.name);
    }
    const QString mark = o.value(u"decimalMark").toString(QStringLiteral(","));
    obj.format =
        DisplayFormat::parse(o.value(u"format").toString(), mark.isEmpty() ? u',' : mark[0]);

    TagState state;
    for (const Segment &s : segments(o.value(u"text").toString())) {
        if (!s.expression) {
            if (obj.html)
                appendHtmlLiteral(s.text, state, obj.pieces);
            else
                obj.pieces.push_back({s.text, nullptr, false, QColor()});
            continue;
        }
        std::unique_ptr<ReportExpr> e;
        try {
            e = parseExpression(s.text);
        } catch (const ExpressionError &err) {
            bad(obj.name + QStringLiteral(" : ") + QString::fromStdString(err.what()));
        }
        collectAggregates(*e, t, aggregates);
        obj.pieces.push_back({QString(), std::shared_ptr<const ReportExpr>(std::move(e)),
                              state.isBold(), state.colour()});
        obj.hasExpressions = true;
    }
    for (const TextPiece &p : obj.pieces)
        obj.styled = obj.styled || p.bold || p.color.isValid();
    return obj;
}

} // namespace

const ReportBand *ReportTemplate::band(ReportBand::Type type) const
{
    for (const ReportBand &b : bands)
        if (b.type == type) return &b;
    return nullptr;
}

std::shared_ptr<const ReportTemplate> ReportTemplate::fromJson(const QByteArray &json)
{
    QJsonParseError perr;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &perr);
    if (!doc.isObject()) bad(perr.errorString());
    const QJsonObject root = doc.object();
    auto t = std::make_shared<ReportTemplate>();
    t->name = root.value(u"name").toString();
    t->title = root.value(u"title").toString(t->name);
    const QJsonArray paper = root.value(u"paper").toArray();
    if (paper.size() == 2) t->paperMm = QSizeF(paper[0].toDouble(), paper[1].toDouble());
    const QJsonArray m = root.value(u"margins").toArray();
    if (m.size() == 4)
        t->marginsMm =
            QMarginsF(m[0].toDouble(), m[1].toDouble(), m[2].toDouble(), m[3].toDouble());

    static const QHash<QString, ReportBand::Type> types = {
        {QStringLiteral("ReportTitle"), ReportBand::ReportTitle},
        {QStringLiteral("PageHeader"), ReportBand::PageHeader},
        {QStringLiteral("MasterData"), ReportBand::MasterData},
        {QStringLiteral("ReportSummary"), ReportBand::ReportSummary},
        {QStringLiteral("PageFooter"), ReportBand::PageFooter}};
    QHash<QString, int> aggregates;
    for (const QJsonValue &bv : root.value(u"bands").toArray()) {
        const QJsonObject b = bv.toObject();
        ReportBand band;
        band.name = b.value(u"name").toString();
        const auto type = types.constFind(b.value(u"type").toString());
        if (type == types.cend()) bad(band.name + QStringLiteral(" : type de bande"));
        band.type = *type;
        band.height = b.value(u"height").toDouble();
        band.dataSet = b.value(u"dataSet").toString();
        band.grows = b.value(u"grows").toBool();
        band.split = b.value(u"split").toBool();
        for (const QJsonValue &ov : b.value(u"objects").toArray())
            band.objects.push_back(readObject(ov.toObject(), *t, aggregates));
        t->bands.push_back(std::move(band));
    }
    return t;
}

QPageLayout ReportTemplate::pageLayout() const
{
    const bool landscape = paperMm.width() > paperMm.height();
    return QPageLayout(QPageSize(landscape ? paperMm.transposed() : paperMm, QPageSize::Millimeter),
                       landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(0, 0, 0, 0));
}

std::shared_ptr<const ReportTemplate> ReportTemplate::builtIn(const QString &name)
{
    // Loaded once; a prepared report keeps its template alive as long as it needs it.
    static QMutex mutex;
    static QHash<QString, std::shared_ptr<const ReportTemplate>> cache;
    const QMutexLocker lock(&mutex);
    auto it = cache.constFind(name);
    if (it != cache.cend()) return *it;
    QFile f(QStringLiteral(":/reports/") + name + QStringLiteral(".json"));
    if (!f.open(QIODevice::ReadOnly))
        throw UserError(QStringLiteral("Modèle d’état introuvable : ") + name);
    auto t = fromJson(f.readAll());
    cache.insert(name, t);
    return t;
}
