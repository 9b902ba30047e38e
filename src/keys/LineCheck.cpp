#include "LineCheck.h"

#include "Keys.h"
#include "model/TransferLine.h"
#include "model/WorkingList.h"

void ErrorLog::clearErrorList()
{
    m_lines.clear();
    m_seen.clear();
}

void ErrorLog::addErrorText(const QString &text)
{
    if (m_seen.contains(text))
        return;
    m_seen.insert(text);
    m_lines.append(text);
}

void AddError(ErrorLog &log, const TransferLine *item, int row, const QString &errMsg)
{
    if (!item) {
        log.addErrorText(errMsg);
        return;
    }
    log.addErrorText(QStringLiteral("Ligne: %1 | Compte: %2 | CLE/RIP: %3 | Nom: %4 | %5")
                         .arg(QString::number(row + 1),
                              item->subItemView(TransferLine::Compte),
                              item->subItemView(TransferLine::CleRip),
                              item->subItemView(TransferLine::NomPrenom), errMsg));
}

void AddErrorFromItem(ErrorLog &log, TransferLine *item, int row)
{
    if (!item || item->stateIndex == 1)
        return;
    const QStringView compte = item->subItemView(TransferLine::Compte);
    QChar bad;
    const int cle = ccpKeyValue(compte, true, &bad);
    TErrorRecord rec;
    rec.Row = row + 1;
    rec.Operation = QStringLiteral("CLE-RIP");
    rec.OldValue = item->subItem(TransferLine::CleRip);
    rec.NomPrenom = item->hasSubItem(TransferLine::NomPrenom)
                        ? item->subItem(TransferLine::NomPrenom)
                        : QStringLiteral("non connu");
    // An account that is not all digits has no CCP key: shown as "??".
    rec.NewValue = (cle < 0 ? QStringLiteral("??") : twoDigits(cle)) + QStringLiteral(" - ") +
                   CleCcpRip(compte);
    rec.Compte = compte.toString();
    rec.NetPayer = trimBlanks(item->subItemView(TransferLine::Net)).toString();
    rec.Rendement = trimBlanks(item->subItemView(TransferLine::Rendement)).toString();
    log.DailyRecords.push_back(std::move(rec));
    item->stateIndex = 1;
}

void CheckCLE_RIP_Item(ErrorLog &log, TransferLine *item, int row)
{
    if (!item || item->subItemCount() == 0)
        return;
    const QStringView compte = trimBlanks(item->subItemView(TransferLine::Compte));
    const QStringView key = trimBlanks(item->subItemView(TransferLine::CleRip));
    QChar bad;
    const int cle = ccpKeyValue(compte, true, &bad);
    const int rip = ripKeyValue(compte);
    auto equals = [&key](int value) {
        return key.size() == 2 && key[0].unicode() == u'0' + value / 10 &&
               key[1].unicode() == u'0' + value % 10;
    };
    // An account that is not all digits is wrong whatever its key.
    if (cle >= 0 && equals(rip)) {
        item->imageIndex = 1;
        return;
    }
    if (cle >= 0 && equals(cle)) {
        item->imageIndex = 2;
        return;
    }
    item->imageIndex = 3;
    const QString message =
        cle < 0 ? notAnIntegerMessage(QStringView(&bad, 1))
                : QStringLiteral("Cle/RIP erronée (attendu CLE=%1 RIP=%2)").arg(twoDigits(cle), twoDigits(rip));
    AddError(log, item, row, message);
    AddErrorFromItem(log, item, row);
}

void FixCleKeys(WorkingList &list)
{
    for (int r = 0; r < list.count(); ++r) {
        TransferLine &l = list.line(r);
        const int cle = ccpKeyValue(l.subItemView(TransferLine::Compte), true);
        if (cle >= 0)
            l.setSubItem(TransferLine::CleRip, twoDigits(cle));
    }
    list.allLinesChanged();
}

void FixRipKeys(WorkingList &list)
{
    for (int r = 0; r < list.count(); ++r) {
        TransferLine &l = list.line(r);
        l.setSubItem(TransferLine::CleRip, CleCcpRip(l.subItemView(TransferLine::Compte)));
    }
    list.allLinesChanged();
}
