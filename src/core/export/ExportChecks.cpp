#include "ExportChecks.h"

#include "keys/Keys.h"
#include "keys/LineCheck.h"
#include "model/AmountText.h"
#include "model/TransferLine.h"

#include <tuple>

namespace ExportChecks
{

namespace
{

bool allDigits(QStringView s)
{
    for (QChar c : s)
        if (c < u'0' || c > u'9') return false;
    return true;
}

QString quoted(QStringView value)
{
    return QStringLiteral("« %1 »").arg(value);
}

} // namespace

QStringList faults(const TransferLine &line)
{
    QStringList out;
    const QStringView account = trimBlanks(line.subItemView(TransferLine::Account));
    if (account.isEmpty())
        out << EmptyAccountText;
    else if (!allDigits(account))
        out << QStringLiteral("Compte %1 (pas uniquement des chiffres)").arg(quoted(account));
    const QStringView key = trimBlanks(line.subItemView(TransferLine::Key));
    if (key.size() != 2 || !allDigits(key))
        out << QStringLiteral("CLE/RIP %1 (pas deux chiffres)").arg(quoted(key));
    const QStringView insurance = trimBlanks(line.subItemView(TransferLine::Insurance));
    if (!allDigits(insurance))
        out << QStringLiteral("NumAss %1 (pas uniquement des chiffres)").arg(quoted(insurance));
    const TransferLine::Figures &figures = line.figures;
    for (auto [name, sub, readable, cents] :
         {std::tuple{"Net", TransferLine::Net, figures.netReadable, figures.netCents},
          {"Rendement", TransferLine::Yield, figures.yieldReadable, figures.yieldCents}}) {
        const QStringView cell = line.subItemView(sub);
        if (!readable)
            out << QStringLiteral("%1 %2 (montant illisible)")
                       .arg(QLatin1String(name), quoted(trimBlanks(cell)));
        else if (cents < 0)
            out << QStringLiteral("%1 %2 (montant négatif)")
                       .arg(QLatin1String(name), quoted(trimBlanks(cell)));
        else if (cents > MaxCents)
            out << QStringLiteral("%1 %2 (plus de 13 chiffres en centimes)")
                       .arg(QLatin1String(name), quoted(trimBlanks(cell)));
    }
    return out;
}

void refuseFaultyLines(const WorkingList &list)
{
    refuseFaultyLines(list, [](const TransferLine &) { return QStringList(); });
}

QString refusalText(int badLines, const QStringList &problems)
{
    QString text =
        QStringLiteral("Export annulé : %1 ligne(s) ne peuvent pas être écrites telles quelles. "
                       "Aucun fichier n’a été écrit.\n\n")
            .arg(badLines) +
        problems.join(u'\n');
    if (badLines > problems.size())
        text += QStringLiteral("\n… et %1 autre(s).").arg(badLines - problems.size());
    text += QStringLiteral(
        "\n\nCorrigez ces lignes (par exemple avec « Clean DATA » ou l’éditeur) puis "
        "exportez de nouveau.");
    return text;
}

} // namespace ExportChecks
