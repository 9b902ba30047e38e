#include "CompareReport.h"

#include "ListComparison.h"
#include "reports/ReportEngine.h"

namespace CompareReport
{

QVariant fieldValue(const ListComparison &c, int entry, const QString &field)
{
    // The fields in the order of the comparison's columns.
    static const char16_t *const fields[ListComparison::ColumnCount] = {
        u"Categorie",     u"NumAss",    u"Nom",        u"AncienCompte",
        u"NouveauCompte", u"AncienNet", u"NouveauNet", u"Ecart"};
    const ListComparison::Entry &e = c.entries()[size_t(entry)];
    for (int col = 0; col < ListComparison::ColumnCount; ++col) {
        if (field != QStringView(fields[col])) continue;
        // The amounts go to the page as money, formatted by the template.
        if (col == ListComparison::OldNetColumn)
            return c.hasOldNet(e) ? moneyValue(c.oldNetCents(e)) : QVariant();
        if (col == ListComparison::NewNetColumn)
            return c.hasNewNet(e) ? moneyValue(c.newNetCents(e)) : QVariant();
        return c.text(e, col);
    }
    return QVariant();
}

QVariant variableValue(const ListComparison &c, const QString &place, const QString &name,
                       const QString &title)
{
    auto is = [&name](const char16_t *n) {
        return name.compare(QStringView(n), Qt::CaseInsensitive) == 0;
    };
    if (is(u"Titre")) return title;
    // Dir: the place typed in the window (Direction), as in the other reports.
    if (is(u"Dir")) return place;
    if (is(u"Ancienne")) return c.oldListName();
    if (is(u"Nouvelle")) return c.newListName();
    if (is(u"Seuil")) return ListComparison::thresholdText(c.threshold());
    static const char16_t *const counts[ListComparison::CategoryCount] = {
        u"NCompte", u"NNom", u"NMontant", u"NNouveau", u"NSorti", u"NDoublon"};
    for (int k = 0; k < ListComparison::CategoryCount; ++k)
        if (is(counts[k])) return c.count(ListComparison::Category(k));
    return QVariant();
}

PreparedReport prepare(const ListComparison &c, const QString &place, const QDateTime &start,
                       const QString &title)
{
    ReportEngine engine(ReportTemplate::builtIn(Template));
    engine.setDataSet(DataSet, ReportDataSet::overRows(int(c.entries().size()),
                                                       [&c](int row, const QString &field) {
                                                           return fieldValue(c, row, field);
                                                       }));
    engine.setVariables([&](const QString &name) { return variableValue(c, place, name, title); });
    engine.setStartTime(start);
    return engine.prepare();
}

} // namespace CompareReport
