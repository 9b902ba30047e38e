#include "ListReport.h"

#include "ReportEngine.h"
#include "ReportTexts.h"
#include "keys/Keys.h"
#include "keys/LineCheck.h"
#include "model/AmountText.h"
#include "model/UserError.h"
#include "model/WorkingList.h"
#include "words/AmountInWords.h"

namespace ListReport
{

namespace
{

// An amount of a line as money: the centimes derived when the line entered or changed.
QVariant lineAmount(const TransferLine &line, TransferLine::SubItem cell)
{
    const TransferLine::Figures &f = line.figures;
    const bool net = cell == TransferLine::Net;
    if (!(net ? f.netReadable : f.yieldReadable))
        throw UserError(notAFloatMessage(trimBlanks(line.subItemView(cell))));
    return moneyValue(net ? f.netCents : f.yieldCents);
}

} // namespace

QVariant fieldValue(const TransferLine &line, const QString &field)
{
    if (field == u"CodePTT") {
        QStringView caption = line.captionView();
        if (caption.startsWith(u'*')) caption = caption.mid(1);
        return caption.toString();
    }
    if (field == u"Compte") return line.subItem(TransferLine::Account);
    if (field == u"Cle") return line.subItem(TransferLine::Key);
    if (field == u"NetPayer") return lineAmount(line, TransferLine::Net);
    if (field == u"Rend") return lineAmount(line, TransferLine::Yield);
    if (field == u"Assur") return line.subItem(TransferLine::Insurance);
    if (field == u"NomPrenom") return line.subItem(TransferLine::Name);
    if (field == u"Type") return line.subItem(TransferLine::ContractType);
    return QVariant();
}

QVariant variableValue(const QString &name, const Variables &v)
{
    auto is = [&name](const char16_t *n) {
        return name.compare(QStringView(n), Qt::CaseInsensitive) == 0;
    };
    // The templates' short names: ChN and ChR are the Net and yield totals in words (chiffre du
    // Net, du Rendement), P, I and D the counts of the contract types.
    if (is(u"ChN")) return amountInWordsOfCents(v.totalNetCents, QStringLiteral("FR"));
    if (is(u"ChR")) return amountInWordsOfCents(v.totalYieldCents, QStringLiteral("FR"));
    if (is(u"P") || is(u"I") || is(u"D")) {
        const Statistics::TypeCounts &c = v.typeCounts;
        return is(u"P") ? c.p : is(u"I") ? c.i : c.d;
    }
    if (is(u"Dir")) return v.place;
    if (!v.selected) return QVariant();
    static const char16_t *const cells[] = {u"CodePTT", u"Compte", u"Cle",       u"NetPayer",
                                            u"Rend",    u"Assur",  u"NomPrenom", u"Type"};
    for (int k = 0; k < 8; ++k)
        if (is(cells[k])) return k == 0 ? v.selected->caption() : v.selected->subItem(k - 1);
    return QVariant();
}

namespace
{

// The list's template bound to the shown lines; the cursor and the variables are owned by the
// callbacks, so that pages can be laid out after this returns.
ReportEngine listEngine(const WorkingList &list, const Variables &v, const QDateTime &start)
{
    ReportEngine engine(ReportTemplate::builtIn(Template));
    engine.setDataSet(DataSet,
                      ReportDataSet::overRows(list.count(), [&list](int row, const QString &field) {
                          return fieldValue(list.line(row), field);
                      }));
    engine.setVariables([v](const QString &name) { return variableValue(name, v); });
    engine.setStartTime(start);
    return engine;
}

} // namespace

PreparedReport prepare(const WorkingList &list, const Variables &v, const QDateTime &start)
{
    return listEngine(list, v, start).prepare();
}

PreparedReport prepareOnDemand(const WorkingList &list, const Variables &v, const QDateTime &start)
{
    return listEngine(list, v, start).prepareOnDemand();
}

} // namespace ListReport

namespace ErrorReport
{

QVariant fieldValue(const ErrorRecord &r, const QString &field)
{
    if (field == u"Row") return r.row;
    if (field == u"Operation") return r.operation;
    if (field == u"OldValue") return r.oldValue;
    if (field == u"NewValue") return r.newValue;
    if (field == u"NomPrenom") return r.name;
    if (field == u"Compte") return r.account;
    // The payment is asked for with a trailing blank, and only so.
    if (field == u"NetPayer " || field == u"Rendement") {
        if (!r.unreadableAmount.isEmpty()) throw UserError(notAFloatMessage(r.unreadableAmount));
        return moneyValue(field == u"Rendement" ? r.yieldCents : r.netCents);
    }
    return QVariant();
}

PreparedReport prepare(std::vector<ErrorRecord> records, const QDateTime &start)
{
    // The report keeps the records: its pages are laid out when asked for.
    auto kept = std::make_shared<const std::vector<ErrorRecord>>(std::move(records));
    ReportEngine engine(ReportTemplate::builtIn(Template));
    engine.setDataSet(
        DataSet, ReportDataSet::overRows(int(kept->size()), [kept](int row, const QString &field) {
            return fieldValue((*kept)[size_t(row)], field);
        }));
    engine.setStartTime(start);
    return engine.prepareOnDemand();
}

} // namespace ErrorReport
