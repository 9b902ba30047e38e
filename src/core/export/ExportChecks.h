#pragma once

#include "model/AmountText.h"

#include <QString>
#include <QStringList>

class TransferLine;
class WorkingList;

// What every export refuses to write, so that no file carries a value the clerk never saw.
namespace ExportChecks
{

inline constexpr long long MaxCents = MaxAmountCents; // thirteen digits

// The faults of a line, each naming the column and the value: an account that is not
// digits, a key that is not two digits, an insurance number that is not digits, an amount
// that does not read, is negative or has more than 13 digits of centimes.
QStringList faults(const TransferLine &line);

// Collects the faults of the shown lines (with extra ones from more(line)); throws
// UserError naming the first five lines at fault, and how many there are, when any.
template <class More> void refuseFaultyLines(const WorkingList &list, More more);
void refuseFaultyLines(const WorkingList &list);

// The refusal for badLines lines, the first of them described in problems.
QString refusalText(int badLines, const QStringList &problems);

} // namespace ExportChecks

#include "model/UserError.h"
#include "model/WorkingList.h"

template <class More> void ExportChecks::refuseFaultyLines(const WorkingList &list, More more)
{
    QStringList problems;
    int badLines = 0;
    for (int r = 0; r < list.count(); ++r) {
        const TransferLine &line = list.line(r);
        QStringList f = faults(line);
        f += more(line);
        if (!f.isEmpty() && ++badLines <= 5)
            problems
                << QStringLiteral("Ligne %1 : %2").arg(r + 1).arg(f.join(QStringLiteral(", ")));
    }
    if (badLines > 0) throw UserError(refusalText(badLines, problems));
}
