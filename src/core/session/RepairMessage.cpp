#include "RepairMessage.h"

namespace
{

const QString CcpKeyCorrected = QStringLiteral("CLE corrected for all items.");
const QString RipCorrected = QStringLiteral("RIP corrected for all items.");
const QString RepairedOfAll = QStringLiteral("%1 corrigé pour %2 lignes sur %3.");
const QString RepairedShown = QStringLiteral(
    "%1 corrigé pour les %2 lignes affichées sur %3 : les %4 lignes masquées par le filtre n’ont "
    "pas été corrigées.");
const QString RepairedOfShown = QStringLiteral(
    "%1 corrigé pour %2 des %3 lignes affichées sur %4 : les %5 lignes masquées par le filtre "
    "n’ont pas été corrigées.");
const QString LeftAsTheyWere =
    QStringLiteral(" %1 ligne(s) n’ont pas pu être corrigées (compte vide ou pas uniquement des "
                   "chiffres) : ligne(s) %2");
constexpr size_t RowsNamed = 5;

} // namespace

QString repairMessage(KeyKind kind, const Session::RepairResult &result, int shown, int all)
{
    const bool rip = kind == KeyKind::Rip;
    const QString keys = rip ? QStringLiteral("RIP") : QStringLiteral("CLE");
    const int left = int(result.leftRows.size());
    const bool hidden = shown >= 0 && shown < all;
    if (left == 0 && !hidden) return rip ? RipCorrected : CcpKeyCorrected;
    QString text;
    if (!hidden)
        text = RepairedOfAll.arg(keys).arg(result.repaired).arg(result.repaired + left);
    else if (left == 0)
        text = RepairedShown.arg(keys).arg(shown).arg(all).arg(all - shown);
    else
        text = RepairedOfShown.arg(keys).arg(result.repaired).arg(shown).arg(all).arg(all - shown);
    if (left == 0) return text;
    QStringList numbers;
    for (size_t i = 0; i < result.leftRows.size() && i < RowsNamed; ++i)
        numbers << QString::number(result.leftRows[i] + 1);
    text += LeftAsTheyWere.arg(left).arg(numbers.join(QStringLiteral(", ")));
    if (result.leftRows.size() > RowsNamed) text += QStringLiteral(" …");
    return text;
}
