#include "AnnualStatement.h"

#include "model/AmountText.h"
#include "reports/ReportEngine.h"
#include "reports/ReportValue.h"
#include "words/AmountInWords.h"

namespace AnnualStatement
{

namespace
{

QString amount(int64_t cents)
{
    return AmountText::formatCentsTrimmed(cents);
}

QString inWords(int64_t cents)
{
    return amountInWordsOfCents(cents, QStringLiteral("FR"));
}

} // namespace

Totals totals(const std::vector<PersonPayment> &payments)
{
    Totals t;
    for (const PersonPayment &p : payments) {
        t.netCents += p.line.netCents;
        t.yieldCents += p.line.yieldCents;
    }
    return t;
}

QVariant fieldValue(const PersonPayment &p, const QString &field)
{
    if (field == u"Mois") return p.exported.exportedAt.toString(QStringLiteral("MM/yyyy"));
    if (field == u"Code") return p.exported.code;
    if (field == u"Compte") return QString(p.line.account + u'/' + p.line.key);
    // Amounts go to the page as money, formatted (and summed) by the template.
    if (field == u"Net") return moneyValue(p.line.netCents);
    if (field == u"Rendement") return moneyValue(p.line.yieldCents);
    return QVariant();
}

QVariant variableValue(const QString &insurance, int year,
                       const std::vector<PersonPayment> &payments, const QString &place,
                       const QString &name)
{
    auto is = [&name](const char16_t *n) {
        return name.compare(QStringView(n), Qt::CaseInsensitive) == 0;
    };
    const Totals t = totals(payments);
    // The templates' short names: Dir is the place (Direction); ChN and ChR are the Net and
    // yield totals in words.
    if (is(u"Dir")) return place;
    if (is(u"NumAss")) return insurance;
    if (is(u"Nom")) return payments.empty() ? QString() : payments.back().line.name;
    if (is(u"Annee")) return QString::number(year);
    if (is(u"TotalNet")) return amount(t.netCents);
    if (is(u"TotalRend")) return amount(t.yieldCents);
    if (is(u"TotalGeneral")) return amount(t.netCents + t.yieldCents);
    if (is(u"ChN")) return inWords(t.netCents);
    if (is(u"ChR")) return inWords(t.yieldCents);
    return QVariant();
}

PreparedReport prepare(const QString &insurance, int year,
                       const std::vector<PersonPayment> &payments, const QString &place,
                       const QDateTime &start)
{
    ReportEngine engine(ReportTemplate::builtIn(Template));
    engine.setDataSet(
        DataSet, ReportDataSet::overRows(int(payments.size()), [&](int row, const QString &field) {
            return fieldValue(payments[size_t(row)], field);
        }));
    engine.setVariables(
        [&](const QString &name) { return variableValue(insurance, year, payments, place, name); });
    engine.setStartTime(start);
    return engine.prepare();
}

} // namespace AnnualStatement
