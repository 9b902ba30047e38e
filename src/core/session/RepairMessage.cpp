#include "RepairMessage.h"

namespace
{

const QString CleCorrected = QStringLiteral("CLE corrected for all items.");
const QString RipCorrected = QStringLiteral("RIP corrected for all items.");
const QString RepairPartial = QStringLiteral(
    "%1 corrigé pour %2 lignes sur %3. %4 ligne(s) n’ont pas pu être corrigées (compte vide ou "
    "pas uniquement des chiffres) : ligne(s) %5");
constexpr size_t RowsNamed = 5;

} // namespace

QString repairMessage(KeyKind kind, const Session::RepairResult &result)
{
    const bool rip = kind == KeyKind::Rip;
    if (result.leftRows.empty()) return rip ? RipCorrected : CleCorrected;
    QStringList rows;
    for (size_t i = 0; i < result.leftRows.size() && i < RowsNamed; ++i)
        rows << QString::number(result.leftRows[i] + 1);
    QString text = RepairPartial.arg(rip ? QStringLiteral("RIP") : QStringLiteral("CLE"))
                       .arg(result.repaired)
                       .arg(result.repaired + int(result.leftRows.size()))
                       .arg(result.leftRows.size())
                       .arg(rows.join(QStringLiteral(", ")));
    if (result.leftRows.size() > RowsNamed) text += QStringLiteral(" …");
    return text;
}
