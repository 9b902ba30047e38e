#pragma once

// Figures of a session recomputed from nothing over its shown lines, with the plainest
// code: what every incremental update must agree with.
#include "keys/Keys.h"
#include "keys/LineCheck.h"
#include "model/AmountText.h"
#include "session/Session.h"

#include <QHash>
#include <QRegularExpression>
#include <algorithm>

struct OracleView {
    ListFigures figures;
    ListPanels panels;
    QStringList errorLines;
    QStringList wrongPairs;
    std::vector<int> recordRows;
};

inline QStringList oracleRepeated(QStringList heading, const QHash<QString, int> &counts)
{
    std::vector<std::pair<QString, int>> runs;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        if (it.value() >= 2) runs.emplace_back(it.key(), it.value());
    std::sort(runs.begin(), runs.end(), [](const auto &a, const auto &b) {
        const int c = a.first.compare(b.first, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a.first < b.first;
    });
    for (const auto &[text, n] : runs)
        heading << QStringLiteral("%1  (%2)").arg(text).arg(n);
    return heading;
}

inline OracleView oracle(const WorkingList &list)
{
    OracleView v;
    ListFigures &f = v.figures;
    QHash<QString, int> names, pairs, types;
    f.all = list.totalCount();
    int place = 0; // the shown line's place among all lines, found by its address
    for (int row = 0; row < list.count(); ++row) {
        const TransferLine &l = list.line(row);
        while (&list.lineOfAll(place) != &l)
            ++place;
        ++f.shown;
        switch (checkKeys(l).status) {
        case TransferLine::KeyStatus::Rip:
            ++f.rip;
            break;
        case TransferLine::KeyStatus::Ccp:
            ++f.ccp;
            break;
        default:
            ++f.wrong;
            v.errorLines << errorLineText(l, place + 1);
            v.wrongPairs << trimBlanks(l.subItemView(TransferLine::Account)).toString() + u'/' +
                                trimBlanks(l.subItemView(TransferLine::Key)).toString() +
                                QStringLiteral(" - Error");
            v.recordRows.push_back(place + 1);
            break;
        }
        long long c = 0;
        if (readAmountCents(l.subItemView(TransferLine::Net), c))
            f.netCents += c;
        else
            ++f.unreadableAmounts;
        if (readAmountCents(l.subItemView(TransferLine::Yield), c))
            f.yieldCents += c;
        else
            ++f.unreadableAmounts;
        const QString insurance = trimBlanks(l.subItemView(TransferLine::Insurance)).toString();
        static const QRegularExpression shortDigits(QStringLiteral("^[0-9]{1,11}$"));
        if (shortDigits.match(insurance).hasMatch()) ++f.shortInsuranceNumbers;
        const QString name = trimBlanks(l.subItemView(TransferLine::Name)).toString();
        if (!name.isEmpty()) ++names[name];
        ++pairs[trimBlanks(l.subItemView(TransferLine::Account)).toString() + u'/' +
                trimBlanks(l.subItemView(TransferLine::Key)).toString()];
        const QString type = trimBlanks(l.subItemView(TransferLine::ContractType)).toString();
        ++types[type];
        const QString upper = type.toUpper();
        if (upper == u"D")
            ++f.types.d;
        else if (upper == u"I")
            ++f.types.i;
        else if (upper == u"P")
            ++f.types.p;
    }
    v.panels.duplicateNames = oracleRepeated({}, names);
    v.panels.duplicateAccounts = oracleRepeated({QStringLiteral("---------")}, pairs);
    v.panels.contractTypes = oracleRepeated({QStringLiteral("T.Contrat Doublons")}, types);
    return v;
}
