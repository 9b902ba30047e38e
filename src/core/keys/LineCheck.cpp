#include "LineCheck.h"

#include "Keys.h"

namespace
{

// The account without surrounding blanks, when it is made of digits only.
bool digitsOnly(QStringView account, QChar *offending)
{
    if (account.isEmpty()) return false;
    for (QChar c : account) {
        if (c < u'0' || c > u'9') {
            if (offending) *offending = c;
            return false;
        }
    }
    return true;
}

bool keyEquals(QStringView key, int value)
{
    return key.size() == 2 && key[0].unicode() == u'0' + value / 10 &&
           key[1].unicode() == u'0' + value % 10;
}

} // namespace

KeyVerdict checkKeys(const TransferLine &line)
{
    KeyVerdict v;
    const QStringView account = trimBlanks(line.subItemView(TransferLine::Account));
    if (!digitsOnly(account, &v.offending)) return v;
    v.ccpKey = ccpKeyValue(account);
    v.ripKey = ripKeyValue(account);
    const QStringView key = trimBlanks(line.subItemView(TransferLine::Key));
    if (keyEquals(key, v.ripKey))
        v.status = TransferLine::KeyStatus::Rip;
    else if (keyEquals(key, v.ccpKey))
        v.status = TransferLine::KeyStatus::Ccp;
    return v;
}

QString errorLineText(const TransferLine &line, int position)
{
    const KeyVerdict v = checkKeys(line);
    QString why;
    if (v.ccpKey >= 0)
        why = QStringLiteral("Cle/RIP erronée (attendu CLE=%1 RIP=%2)")
                  .arg(twoDigits(v.ccpKey), twoDigits(v.ripKey));
    else if (!v.offending.isNull())
        why = notAnIntegerMessage(QStringView(&v.offending, 1));
    else
        why = EmptyAccountText;
    return QStringLiteral("Ligne: %1 | Compte: %2 | CLE/RIP: %3 | Nom: %4 | %5")
        .arg(QString::number(position), line.subItemView(TransferLine::Account),
             line.subItemView(TransferLine::Key), line.subItemView(TransferLine::Name), why);
}

ErrorRecord errorRecord(const TransferLine &line, int position)
{
    const KeyVerdict v = checkKeys(line);
    ErrorRecord rec;
    rec.row = position;
    rec.operation = QStringLiteral("CLE-RIP");
    rec.oldValue = line.subItem(TransferLine::Key);
    rec.name = line.hasSubItem(TransferLine::Name) ? line.subItem(TransferLine::Name)
                                                   : QStringLiteral("non connu");
    // An account without keys shows "??" for both.
    rec.newValue = v.ccpKey < 0 ? QStringLiteral("?? - ??")
                                : twoDigits(v.ccpKey) + QStringLiteral(" - ") + twoDigits(v.ripKey);
    rec.account = line.subItem(TransferLine::Account);
    const TransferLine::Figures &f = line.figures;
    rec.netCents = f.netCents;
    rec.yieldCents = f.yieldCents;
    if (!f.netReadable)
        rec.unreadableAmount = trimBlanks(line.subItemView(TransferLine::Net)).toString();
    else if (!f.yieldReadable)
        rec.unreadableAmount = trimBlanks(line.subItemView(TransferLine::Yield)).toString();
    return rec;
}

QString repairedKey(const TransferLine &line, KeyKind kind)
{
    const QStringView account = trimBlanks(line.subItemView(TransferLine::Account));
    if (!digitsOnly(account, nullptr)) return QString();
    return twoDigits(kind == KeyKind::Ccp ? ccpKeyValue(account) : ripKeyValue(account));
}
