#pragma once

#include "reports/PreparedReport.h"

#include <QDateTime>
#include <QString>
#include <QVariant>

class ListComparison;

// The printed comparison of two lists (template "comparison", data source "Ecarts"): one
// line per difference, in category order, with the counts, the place and the date.
namespace CompareReport
{

inline const QString Template = QStringLiteral("comparison");
inline const QString DataSet = QStringLiteral("Ecarts");
// The title printed when no other is given.
inline const QString DefaultTitle = QStringLiteral("Comparaison avec la liste précédente");

// A field of an entry by its exact name (Categorie, NumAss, Nom, AncienCompte,
// NouveauCompte, AncienNet, NouveauNet, Ecart); any other name gives nothing.
QVariant fieldValue(const ListComparison &comparison, int entry, const QString &field);

// A report variable by name, case ignored: Titre (title), Dir (place), Ancienne and Nouvelle
// (the lists' names), Seuil, and the counts NCompte, NNom, NMontant, NNouveau, NSorti,
// NDoublon.
QVariant variableValue(const ListComparison &comparison, const QString &place, const QString &name,
                       const QString &title = DefaultTitle);

// title: the comparison with last month's list, or the control of the changes made since
// the import.
PreparedReport prepare(const ListComparison &comparison, const QString &place,
                       const QDateTime &start = {}, const QString &title = DefaultTitle);

} // namespace CompareReport
