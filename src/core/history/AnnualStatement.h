#pragma once

#include "HistoryArchive.h"
#include "reports/PreparedReport.h"

#include <QDateTime>
#include <QVariant>

// The printed statement of one person's year (template "annual-statement", data source
// "Paiements"): one line per archived payment, the year's totals and the totals in words.
// Amounts are written from the archive's whole centimes.
namespace AnnualStatement
{

inline const QString Template = QStringLiteral("annual-statement");
inline const QString DataSet = QStringLiteral("Paiements");

struct Totals {
    int64_t netCents = 0;
    int64_t yieldCents = 0;
};
Totals totals(const std::vector<PersonPayment> &payments);

// A field of a payment: Mois ("MM/yyyy"), Code, Compte ("account/key"), Net and Rendement
// (money).
QVariant fieldValue(const PersonPayment &payment, const QString &field);
// A variable, case ignored: Dir, NumAss, Nom (the latest name), Annee, TotalNet, TotalRend,
// TotalGeneral, ChN and ChR (the totals in French words).
QVariant variableValue(const QString &insurance, int year,
                       const std::vector<PersonPayment> &payments, const QString &place,
                       const QString &name);

PreparedReport prepare(const QString &insurance, int year,
                       const std::vector<PersonPayment> &payments, const QString &place,
                       const QDateTime &start = {});

} // namespace AnnualStatement
