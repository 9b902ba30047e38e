// Feeds arbitrary text to the report expression parser, evaluates what parses against a
// scope that answers every kind of value, and formats the result with a format read from
// the same input.
#include "reports/ReportExpression.h"
#include "reports/ReportValue.h"

#include <QString>
#include <cstddef>
#include <cstdint>

namespace
{
class AnyScope final : public ReportScope
{
public:
    ReportValue field(const QString &, const QString &name) override
    {
        return name.size() % 2 ? ReportValue(QStringLiteral("  1 234,56"))
                               : ReportValue(qint64(name.size()) - 3);
    }
    ReportValue name(const QString &identifier) override
    {
        switch (identifier.size() % 6) {
        case 0:
            return ReportValue(1e300);
        case 1:
            return ReportValue(qint64(9223372036854775807LL));
        case 2:
            return ReportValue(QDate(2026, 12, 10));
        case 3:
            return ReportValue(Money{-9223372036854775807LL - 1});
        case 4:
            return ReportValue(Money{qint64(identifier.size()) * 12345});
        default:
            return ReportValue();
        }
    }
    ReportValue aggregate(const ReportExpr &e) override
    {
        return e.flag % 2 ? ReportValue(Money{-50}) : ReportValue(-0.5);
    }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype bar = text.indexOf(u'|');
    const QString expr = bar < 0 ? text : text.left(bar);
    const QString format = bar < 0 ? QString() : text.mid(bar + 1);
    try {
        const std::unique_ptr<ReportExpr> e = parseExpression(expr);
        AnyScope scope;
        const ReportValue v = evaluate(*e, scope);
        displayText(v, DisplayFormat::parse(format));
        displayText(v, DisplayFormat::parse(QStringLiteral("%2.2n")));
        displayText(v, DisplayFormat::parse(QStringLiteral("dd mmm yyyy")));
    } catch (const ExpressionError &) {
    }
    return 0;
}
