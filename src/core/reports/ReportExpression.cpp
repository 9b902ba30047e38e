#include "ReportExpression.h"

#include <cmath>
#include <limits>

namespace
{

class Parser
{
public:
    explicit Parser(const QString &text) : m_s(text) {}

    std::unique_ptr<ReportExpr> parseAll()
    {
        auto e = expression();
        skip();
        if (m_i != m_s.size()) fail("unexpected text");
        return e;
    }

private:
    [[noreturn]] void fail(const char *what) const
    {
        throw ExpressionError(QStringLiteral("%1 at %2 in \"%3\"")
                                  .arg(QString::fromLatin1(what))
                                  .arg(m_i + 1)
                                  .arg(m_s)
                                  .toStdString());
    }
    void skip()
    {
        while (m_i < m_s.size() && m_s[m_i].isSpace())
            ++m_i;
    }
    bool accept(QChar c)
    {
        skip();
        if (m_i < m_s.size() && m_s[m_i] == c) {
            ++m_i;
            return true;
        }
        return false;
    }
    void expect(QChar c)
    {
        if (!accept(c)) fail("missing character");
    }
    static std::unique_ptr<ReportExpr> binary(ReportExpr::Kind k, std::unique_ptr<ReportExpr> a,
                                              std::unique_ptr<ReportExpr> b)
    {
        auto e = std::make_unique<ReportExpr>();
        e->kind = k;
        e->a = std::move(a);
        e->b = std::move(b);
        return e;
    }
    std::unique_ptr<ReportExpr> expression()
    {
        auto e = term();
        for (;;) {
            if (accept(u'+'))
                e = binary(ReportExpr::Add, std::move(e), term());
            else if (accept(u'-'))
                e = binary(ReportExpr::Subtract, std::move(e), term());
            else
                return e;
        }
    }
    std::unique_ptr<ReportExpr> term()
    {
        auto e = factor();
        for (;;) {
            if (accept(u'*'))
                e = binary(ReportExpr::Multiply, std::move(e), factor());
            else if (accept(u'/'))
                e = binary(ReportExpr::Divide, std::move(e), factor());
            else
                return e;
        }
    }
    QString identifier()
    {
        skip();
        const qsizetype from = m_i;
        while (m_i < m_s.size() && (m_s[m_i].isLetterOrNumber() || m_s[m_i] == u'_'))
            ++m_i;
        if (m_i < m_s.size() && m_s[m_i] == u'#') ++m_i;
        if (m_i == from) fail("name expected");
        return m_s.mid(from, m_i - from);
    }
    QString quoted(QChar q)
    {
        // The opening quote has been read; a doubled quote stands for itself.
        QString out;
        for (;;) {
            if (m_i >= m_s.size()) fail("unterminated text");
            const QChar c = m_s[m_i++];
            if (c == q) {
                if (m_i < m_s.size() && m_s[m_i] == q) {
                    out += q;
                    ++m_i;
                    continue;
                }
                return out;
            }
            out += c;
        }
    }
    int flagArgument()
    {
        if (!accept(u',')) return 0;
        skip();
        const qsizetype from = m_i;
        while (m_i < m_s.size() && m_s[m_i].isDigit())
            ++m_i;
        if (m_i == from) fail("number expected");
        return m_s.mid(from, m_i - from).toInt();
    }
    std::unique_ptr<ReportExpr> factor()
    {
        // Bounds on nesting and size keep parsing, evaluating and freeing an expression well
        // within the stack, whatever text it is given.
        struct Depth {
            int &d;
            explicit Depth(int &depth) : d(++depth) {}
            ~Depth() { --d; }
        } depth(m_depth);
        if (m_depth > 64) fail("expression nested too deeply");
        if (++m_factors > 512) fail("expression too long");
        skip();
        if (m_i >= m_s.size()) fail("expression expected");
        auto e = std::make_unique<ReportExpr>();
        const QChar c = m_s[m_i];
        if (c == u'<' || c == u'(') {
            ++m_i;
            e = expression();
            expect(c == u'<' ? u'>' : u')');
            return e;
        }
        if (c == u'-') {
            ++m_i;
            e->kind = ReportExpr::Negate;
            e->a = factor();
            return e;
        }
        if (c.isDigit()) {
            const qsizetype from = m_i;
            while (m_i < m_s.size() && (m_s[m_i].isDigit() || m_s[m_i] == u'.'))
                ++m_i;
            bool ok = false;
            e->number = m_s.mid(from, m_i - from).toDouble(&ok);
            if (!ok) fail("bad number");
            return e;
        }
        if (c == u'\'') {
            ++m_i;
            e->kind = ReportExpr::Text;
            e->text = quoted(u'\'');
            return e;
        }
        const QString name = identifier();
        if (accept(u'.')) {
            expect(u'"');
            e->kind = ReportExpr::Field;
            e->source = name;
            e->text = quoted(u'"');
            return e;
        }
        const QString upper = name.toUpper();
        if ((upper == u"COUNT" || upper == u"SUM") && accept(u'(')) {
            if (upper == u"SUM") {
                e->kind = ReportExpr::Sum;
                skip();
                const qsizetype from = m_i;
                e->a = expression();
                e->innerText = m_s.mid(from, m_i - from).trimmed();
                expect(u',');
            } else {
                e->kind = ReportExpr::Count;
            }
            e->text = identifier();
            e->flag = flagArgument();
            expect(u')');
            return e;
        }
        e->kind = ReportExpr::Name;
        e->text = name;
        return e;
    }

    const QString &m_s;
    qsizetype m_i = 0;
    int m_depth = 0;
    int m_factors = 0;
};

// Money in centimes, or false when the value is neither money nor a whole number (a whole
// number counts as units) or leaves 64 bits.
bool asCents(const ReportValue &v, qint64 &cents)
{
    if (const Money *m = std::get_if<Money>(&v)) {
        cents = m->cents;
        return true;
    }
    if (const qint64 *i = std::get_if<qint64>(&v)) return !__builtin_mul_overflow(*i, 100, &cents);
    if (std::holds_alternative<std::monostate>(v)) {
        cents = 0;
        return true;
    }
    return false;
}

} // namespace

ReportValue arithmetic(ReportExpr::Kind k, const ReportValue &x, const ReportValue &y)
{
    const bool nothing =
        std::holds_alternative<std::monostate>(x) && std::holds_alternative<std::monostate>(y);
    if (nothing) return std::monostate{};
    if (k == ReportExpr::Add &&
        (std::holds_alternative<QString>(x) || std::holds_alternative<QString>(y)))
        return displayText(x, {}) + displayText(y, {});
    const bool real = std::holds_alternative<double>(x) || std::holds_alternative<double>(y);
    const bool money = std::holds_alternative<Money>(x) || std::holds_alternative<Money>(y);
    if (money && !real) {
        // Money plus or minus money (or whole units) stays exact money, as does money times
        // a whole number; the rest, or a result beyond 64 bits, is a real.
        qint64 a = 0, b = 0, r = 0;
        if ((k == ReportExpr::Add || k == ReportExpr::Subtract) && asCents(x, a) && asCents(y, b)) {
            const bool overflow = k == ReportExpr::Add ? __builtin_add_overflow(a, b, &r)
                                                       : __builtin_sub_overflow(a, b, &r);
            if (!overflow) return Money{r};
        }
        if (k == ReportExpr::Multiply) {
            const Money *m = std::get_if<Money>(&x);
            const ReportValue &other = m ? y : x;
            if (!m) m = std::get_if<Money>(&y);
            qint64 n = 0;
            if (const qint64 *i = std::get_if<qint64>(&other)) n = *i;
            const bool whole = std::holds_alternative<qint64>(other) ||
                               std::holds_alternative<std::monostate>(other);
            if (whole && !__builtin_mul_overflow(m->cents, n, &r)) return Money{r};
        }
    } else if (!real && k != ReportExpr::Divide) {
        const qint64 a = std::holds_alternative<qint64>(x) ? std::get<qint64>(x) : 0;
        const qint64 b = std::holds_alternative<qint64>(y) ? std::get<qint64>(y) : 0;
        // Whole numbers stay whole unless the result leaves 64 bits; then it is a real.
        qint64 r = 0;
        const bool overflow = k == ReportExpr::Add        ? __builtin_add_overflow(a, b, &r)
                              : k == ReportExpr::Subtract ? __builtin_sub_overflow(a, b, &r)
                                                          : __builtin_mul_overflow(a, b, &r);
        if (!overflow) return r;
    }
    const double a = toReal(x), b = toReal(y);
    switch (k) {
    case ReportExpr::Add:
        return a + b;
    case ReportExpr::Subtract:
        return a - b;
    case ReportExpr::Multiply:
        return a * b;
    default:
        if (b == 0) return std::monostate{};
        return a / b;
    }
}

std::unique_ptr<ReportExpr> parseExpression(const QString &text)
{
    return Parser(text).parseAll();
}

ReportValue evaluate(const ReportExpr &e, ReportScope &scope)
{
    switch (e.kind) {
    case ReportExpr::Number:
        // A literal that is a whole number within 64 bits stays whole.
        if (std::fabs(e.number) < 9.2e18 && e.number == std::trunc(e.number))
            return qint64(e.number);
        return e.number;
    case ReportExpr::Text:
        return e.text;
    case ReportExpr::Field:
        return scope.field(e.source, e.text);
    case ReportExpr::Name:
        return scope.name(e.text);
    case ReportExpr::Count:
    case ReportExpr::Sum:
        return scope.aggregate(e);
    case ReportExpr::Negate: {
        const ReportValue v = evaluate(*e.a, scope);
        if (const qint64 *i = std::get_if<qint64>(&v))
            return *i == std::numeric_limits<qint64>::min() ? ReportValue(-double(*i))
                                                            : ReportValue(-*i);
        if (const double *d = std::get_if<double>(&v)) return -*d;
        if (const Money *m = std::get_if<Money>(&v))
            return m->cents == std::numeric_limits<qint64>::min()
                       ? ReportValue(-double(m->cents) / 100.0)
                       : ReportValue(Money{-m->cents});
        return v;
    }
    default:
        return arithmetic(e.kind, evaluate(*e.a, scope), evaluate(*e.b, scope));
    }
}
