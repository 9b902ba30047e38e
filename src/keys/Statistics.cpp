#include "Statistics.h"

#include "Keys.h"
#include "LineCheck.h"
#include "model/AmountText.h"
#include "model/WorkingList.h"

#include <QHash>
#include <algorithm>
#include <vector>

namespace Statistics {

namespace {

// True when the key matches the account's RIP key or, read as an integer, its CCP key.
// Accounts that are not all digits match nothing.
enum class Verdict { Rip, Cle, Error };
Verdict verify(QStringView key, QStringView account)
{
    const int cle = ccpKeyValue(trimBlanks(account), false);
    if (cle < 0)
        return Verdict::Error;
    if (VerifierRIP(key, account))
        return Verdict::Rip;
    if (keyTextToInt(key) == cle)
        return Verdict::Cle;
    return Verdict::Error;
}

// Repeated texts with their counts, sorted ascending with letter case ignored.
QStringList repeated(QStringList heading, const QHash<QString, int> &counts)
{
    std::vector<std::pair<QString, int>> runs;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() >= 2)
            runs.emplace_back(it.key(), it.value());
    std::sort(runs.begin(), runs.end(), [](const auto &a, const auto &b) {
        const int c = a.first.compare(b.first, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a.first < b.first;
    });
    for (const auto &[text, n] : runs)
        heading << QStringLiteral("%1  (%2)").arg(text).arg(n);
    return heading;
}

} // namespace

Totals checkAndTotal(WorkingList &list, ErrorLog &log)
{
    Totals t;
    for (int r = 0; r < list.count(); ++r) {
        TransferLine &l = list.line(r);
        CheckCLE_RIP_Item(log, &l, r);
        switch (l.imageIndex) {
        case 1: ++t.rip; break;
        case 2: ++t.cle; break;
        default: ++t.err; break;
        }
        if (l.hasSubItem(TransferLine::Net))
            t.net += SafeStrToFloat(l.subItemView(TransferLine::Net));
        if (l.hasSubItem(TransferLine::Rendement))
            t.rendement += SafeStrToFloat(l.subItemView(TransferLine::Rendement));
    }
    return t;
}

QString totalNetText(const Totals &t)
{
    return QStringLiteral("Total Net: ") + AmountText::format(t.net) + QStringLiteral(" DA");
}

QString totalRendementText(const Totals &t)
{
    return QStringLiteral("Total Rend: ") + AmountText::format(t.rendement) + QStringLiteral(" DA");
}

QString totalGeneralText(const Totals &t)
{
    return QStringLiteral("Total General: ") + AmountText::format(t.net + t.rendement) +
           QStringLiteral(" DA");
}

QStringList memoErreursLines(const Totals &t, const QStringList &errorList)
{
    QStringList lines;
    lines.reserve(errorList.size() + 3);
    lines << QStringLiteral("RIP: %1").arg(t.rip) << QStringLiteral("CLE: %1").arg(t.cle)
          << QStringLiteral("ERR: %1").arg(t.err);
    lines << errorList;
    return lines;
}

Counts byStatus(const WorkingList &list)
{
    Counts c;
    for (int r = 0; r < list.count(); ++r) {
        switch (list.line(r).imageIndex) {
        case 1: ++c.rip; break;
        case 2: ++c.cle; break;
        case 3: ++c.err; break;
        default: break;
        }
    }
    return c;
}

Counts verified(const WorkingList &list)
{
    Counts c;
    for (int r = 0; r < list.count(); ++r) {
        const TransferLine &l = list.line(r);
        switch (verify(l.subItemView(TransferLine::CleRip), l.subItemView(TransferLine::Compte))) {
        case Verdict::Rip: ++c.rip; break;
        case Verdict::Cle: ++c.cle; break;
        case Verdict::Error: ++c.err; break;
        }
    }
    return c;
}

namespace {

// An account/key pair of digits packed into 64 bits, lengths included so that leading
// zeros count: the account (up to 15 digits) and the key (up to 2). Packing lets a
// million pairs be sorted and counted without building a text for each.
bool packPair(QStringView account, QStringView key, quint64 &code)
{
    if (account.size() > 15 || key.size() > 2)
        return false;
    quint64 a = 0, k = 0;
    for (QChar c : account) {
        const unsigned d = unsigned(c.unicode()) - u'0';
        if (d > 9)
            return false;
        a = a * 10 + d;
    }
    for (QChar c : key) {
        const unsigned d = unsigned(c.unicode()) - u'0';
        if (d > 9)
            return false;
        k = k * 10 + d;
    }
    code = (quint64(account.size()) << 59) | (a << 9) | (quint64(key.size()) << 7) | k;
    return true;
}

QString unpackPair(quint64 code)
{
    const int accountLen = int(code >> 59);
    const quint64 a = (code >> 9) & ((quint64(1) << 50) - 1);
    const int keyLen = int((code >> 7) & 3);
    const int k = int(code & 127);
    QString s = accountLen ? QString::number(a).rightJustified(accountLen, u'0') : QString();
    s += u'/';
    if (keyLen)
        s += QString::number(k).rightJustified(keyLen, u'0');
    return s;
}

} // namespace

Memos duplicatePanels(const WorkingList &list)
{
    Memos m;
    std::vector<quint64> packed;
    packed.reserve(size_t(list.count()));
    QHash<QString, int> otherPairs;
    QHash<QStringView, int> types; // views into the list's own cells
    for (int r = 0; r < list.count(); ++r) {
        const TransferLine &l = list.line(r);
        const QStringView account = trimBlanks(l.subItemView(TransferLine::Compte));
        const QStringView key = trimBlanks(l.subItemView(TransferLine::CleRip));
        quint64 code;
        const bool isPacked = packPair(account, key, code);
        if (isPacked)
            packed.push_back(code);
        const bool wrong = verify(key, account) == Verdict::Error;
        if (!isPacked || wrong) {
            QString pair;
            pair.reserve(account.size() + key.size() + 1);
            pair.append(account).append(u'/').append(key);
            if (wrong)
                m.errors << pair + QStringLiteral(" - Error");
            if (!isPacked)
                ++otherPairs[pair];
        }
        ++types[trimBlanks(l.subItemView(TransferLine::TypeContrat))];
    }
    std::sort(packed.begin(), packed.end());
    for (size_t i = 0; i < packed.size();) {
        size_t j = i + 1;
        while (j < packed.size() && packed[j] == packed[i])
            ++j;
        if (j - i >= 2)
            otherPairs.insert(unpackPair(packed[i]), int(j - i));
        i = j;
    }
    QHash<QString, int> typeCounts;
    for (auto it = types.cbegin(); it != types.cend(); ++it)
        typeCounts.insert(it.key().toString(), it.value());
    m.comptes = repeated({QStringLiteral("---------")}, otherPairs);
    m.noms = repeated({QStringLiteral("T.Contrat Doublons")}, typeCounts);
    return m;
}

QStringList duplicateNames(const WorkingList &list)
{
    QHash<QStringView, int> index; // views into the list's own cells
    std::vector<std::pair<QStringView, int>> counted;
    for (int r = 0; r < list.count(); ++r) {
        const QStringView name = trimBlanks(list.line(r).subItemView(TransferLine::NomPrenom));
        if (name.isEmpty())
            continue;
        auto it = index.find(name);
        if (it == index.end()) {
            index.insert(name, int(counted.size()));
            counted.emplace_back(name, 1);
        } else {
            ++counted[size_t(*it)].second;
        }
    }
    QStringList out;
    for (const auto &[name, n] : counted)
        if (n >= 2)
            out << name.toString() + QStringLiteral("  (") + QString::number(n) + u')';
    return out;
}

TypeCounts contractTypes(const WorkingList &list)
{
    TypeCounts c;
    for (int r = 0; r < list.count(); ++r) {
        const QStringView t = trimBlanks(list.line(r).subItemView(TransferLine::TypeContrat));
        if (t.size() != 1)
            continue;
        switch (t[0].unicode()) {
        case u'D': case u'd': ++c.d; break;
        case u'I': case u'i': ++c.i; break;
        case u'P': case u'p': ++c.p; break;
        default: break;
        }
    }
    return c;
}

} // namespace Statistics
