#pragma once

#include <QString>
#include <QStringList>

class WorkingList;
class ErrorLog;

// Figures of the statistics panels, computed from the shown lines of the working list.
namespace Statistics {

struct Totals {
    int rip = 0, cle = 0, err = 0; // by the status the line check just set
    double net = 0, rendement = 0;
};

// Full refresh: checks every line again (logging and recording wrong lines), counts the
// statuses and sums both amounts by the number rule.
Totals checkAndTotal(WorkingList &list, ErrorLog &log);

// Texts written from the totals.
QString totalNetText(const Totals &t);       // "Total Net: ... DA"
QString totalRendementText(const Totals &t); // "Total Rend: ... DA"
QString totalGeneralText(const Totals &t);   // "Total General: ... DA"
QStringList memoErreursLines(const Totals &t, const QStringList &errorList);

struct Counts {
    int rip = 0, cle = 0, err = 0;
};

// Lines by their stored status (1, 2, 3); other statuses count nowhere.
Counts byStatus(const WorkingList &list);

// Lines verified again: RIP key, else CCP key read as an integer, else error.
Counts verified(const WorkingList &list);

struct Memos {
    QStringList comptes; // "---------", then "account/key  (n)" for repeated pairs
    QStringList noms;    // "T.Contrat Doublons", then "type  (n)" for repeated types
    QStringList errors;  // "account/key - Error"
};
Memos duplicatePanels(const WorkingList &list);

// "name  (n)" for every name (trimmed, not empty) carried by two or more lines, in order of
// first appearance.
QStringList duplicateNames(const WorkingList &list);

struct TypeCounts {
    int d = 0, i = 0, p = 0;
};
// Lines whose contract type, trimmed and upper-cased, is exactly D, I or P.
TypeCounts contractTypes(const WorkingList &list);

} // namespace Statistics
