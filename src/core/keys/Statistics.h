#pragma once

#include <QString>
#include <QStringList>

// Texts of the figures shown beside the working list.
namespace Statistics
{

struct TypeCounts {
    int d = 0, i = 0, p = 0;
    bool operator==(const TypeCounts &o) const = default;
};

QString totalNetText(long long netCents);       // "Total Net: ... DA"
QString totalYieldText(long long yieldCents);   // "Total Rend: ... DA"
QString totalGeneralText(long long totalCents); // "Total General: ... DA"
// "RIP: n", "CLE: n", "ERR: n": the first lines of the error memo.
QStringList counterLines(int rip, int ccp, int wrong);

} // namespace Statistics
