#include "Statistics.h"

#include "model/AmountText.h"

namespace Statistics
{

QString totalNetText(long long netCents)
{
    return QStringLiteral("Total Net: ") + AmountText::formatCents(netCents) +
           QStringLiteral(" DA");
}

QString totalYieldText(long long yieldCents)
{
    return QStringLiteral("Total Rend: ") + AmountText::formatCents(yieldCents) +
           QStringLiteral(" DA");
}

QString totalGeneralText(long long totalCents)
{
    return QStringLiteral("Total General: ") + AmountText::formatCents(totalCents) +
           QStringLiteral(" DA");
}

QStringList counterLines(int rip, int ccp, int wrong)
{
    return {QStringLiteral("RIP: %1").arg(rip), QStringLiteral("CLE: %1").arg(ccp),
            QStringLiteral("ERR: %1").arg(wrong)};
}

} // namespace Statistics
