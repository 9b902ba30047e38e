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

double amount(QStringView cell)
{
    const QStringView trimmed = trimBlanks(cell);
    // A line made in the record editor may have no amount at all: it prints as 0,00.
    if (trimmed.isEmpty()) return 0.0;
    const QString digits = onlyDigitsAndDot(trimmed);
    double v = 0;
    if (!readNumber(digits, v)) throw UserError(notAFloatMessage(digits));
    return v / 100.0;
}

QVariant fieldValue(const TransferLine &line, const QString &field)
{
    if (field == u"CodePTT") {
        QStringView caption = line.captionView();
        if (caption.startsWith(u'*')) caption = caption.mid(1);
        return caption.toString();
    }
    if (field == u"Compte") return line.subItem(TransferLine::Compte);
    if (field == u"Cle") return line.subItem(TransferLine::CleRip);
    if (field == u"NetPayer") return amount(line.subItemView(TransferLine::Net));
    if (field == u"Rend") return amount(line.subItemView(TransferLine::Rendement));
    if (field == u"Assur") return line.subItem(TransferLine::NumAss);
    if (field == u"NomPrenom") return line.subItem(TransferLine::NomPrenom);
    if (field == u"Type") return line.subItem(TransferLine::TypeContrat);
    return QVariant();
}

QVariant variableValue(const QString &name, const Variables &v)
{
    auto is = [&name](const char16_t *n) {
        return name.compare(QStringView(n), Qt::CaseInsensitive) == 0;
    };
    if (is(u"ChN")) return amountInWords(double(v.totalNetCents) / 100.0, QStringLiteral("FR"));
    if (is(u"ChR")) return amountInWords(double(v.totalRendCents) / 100.0, QStringLiteral("FR"));
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
    auto current = std::make_shared<int>(0);
    engine.setDataSet(DataSet, ReportDataSet{
                                   [current] { *current = 0; },
                                   [current] { ++*current; },
                                   [current, &list] { return *current >= list.count(); },
                                   [current, &list](const QString &field) {
                                       return *current >= 0 && *current < list.count()
                                                  ? fieldValue(list.line(*current), field)
                                                  : QVariant();
                                   },
                               });
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
    if (field == u"NomPrenom") return r.nomPrenom;
    if (field == u"Compte") return r.compte;
    // The payment is asked for with a trailing blank, and only so.
    if (field == u"NetPayer ") return ListReport::amount(r.netPayer);
    if (field == u"Rendement") return ListReport::amount(r.rendement);
    return QVariant();
}

PreparedReport prepare(const std::vector<ErrorRecord> &records, const QDateTime &start)
{
    ReportEngine engine(ReportTemplate::builtIn(Template));
    int current = 0;
    const int n = int(records.size());
    engine.setDataSet(DataSet, ReportDataSet{
                                   [&] { current = n > 0 ? 0 : -1; },
                                   [&] {
                                       if (current >= 0) ++current;
                                   },
                                   [&] { return current < 0 || current >= n; },
                                   [&](const QString &field) {
                                       return current >= 0 && current < n
                                                  ? fieldValue(records[size_t(current)], field)
                                                  : QVariant();
                                   },
                               });
    engine.setStartTime(start);
    return engine.prepare();
}

} // namespace ErrorReport
