#include "CompareReport.h"

#include "ListComparison.h"
#include "reports/ReportEngine.h"

namespace CompareReport
{

QVariant fieldValue(const ListComparison &c, int entry, const QString &field)
{
    const ListComparison::Entry &e = c.entries()[size_t(entry)];
    if (field == u"Categorie") return ListComparison::categoryName(e.category);
    if (field == u"NumAss") return c.numAss(e);
    if (field == u"Nom") return c.name(e);
    if (field == u"AncienCompte") return c.oldPair(e);
    if (field == u"NouveauCompte") return c.newPair(e);
    if (field == u"AncienNet") return c.oldNet(e);
    if (field == u"NouveauNet") return c.newNet(e);
    if (field == u"Ecart") return c.changeText(e);
    return QVariant();
}

QVariant variableValue(const ListComparison &c, const QString &place, const QString &name)
{
    auto is = [&name](const char16_t *n) {
        return name.compare(QStringView(n), Qt::CaseInsensitive) == 0;
    };
    if (is(u"Dir")) return place;
    if (is(u"Ancienne")) return c.oldName();
    if (is(u"Nouvelle")) return c.newName();
    if (is(u"Seuil")) return ListComparison::thresholdText(c.threshold());
    static const char16_t *const counts[ListComparison::CategoryCount] = {
        u"NCompte", u"NNom", u"NMontant", u"NNouveau", u"NSorti", u"NDoublon"};
    for (int k = 0; k < ListComparison::CategoryCount; ++k)
        if (is(counts[k])) return c.count(ListComparison::Category(k));
    return QVariant();
}

PreparedReport prepare(const ListComparison &c, const QString &place, const QDateTime &start)
{
    ReportEngine engine(ReportTemplate::builtIn(Template));
    const int n = int(c.entries().size());
    int current = 0;
    engine.setDataSet(DataSet, UserDataSet{
                                   [&current] { current = 0; },
                                   [&current] { ++current; },
                                   [&](bool &eof) { eof = current >= n; },
                                   [&](const QString &field, QVariant &value) {
                                       if (current >= 0 && current < n)
                                           value = fieldValue(c, current, field);
                                   },
                               });
    engine.setOnGetValue(
        [&](const QString &name, QVariant &value) { value = variableValue(c, place, name); });
    engine.setStartTime(start);
    return engine.prepare();
}

} // namespace CompareReport
