#pragma once

#include "PreparedReport.h"
#include "keys/Statistics.h"

#include <QDateTime>
#include <QVariant>
#include <functional>

class TransferLine;
class WorkingList;
struct ErrorRecord;

// The nominative list of beneficiaries (template "nominative-list", data source "Line").
namespace ListReport
{

inline const QString Template = QStringLiteral("nominative-list");
inline const QString DataSet = QStringLiteral("Line");

// A field of a line by its exact name (CodePTT, Compte, Cle, NetPayer, Rend, Assur,
// NomPrenom, Type); any other name gives an invalid value (nothing). The amounts are the
// line's derived centimes, as money; an amount cell that does not read throws UserError
// "'...' is not a valid floating point value".
QVariant fieldValue(const TransferLine &line, const QString &field);

// What the report's variables are drawn from: the figures of the printed lines.
struct Variables {
    long long totalNetCents = 0;
    long long totalYieldCents = 0;
    Statistics::TypeCounts typeCounts;
    QString place;                          // the ordering party's place, line breaks kept
    const TransferLine *selected = nullptr; // the selected line, if any
};

// A report variable by name, case ignored: ChN and ChR (totals in French words), P, I, D
// (head counts), Dir (place); any other name is answered from the selected line's cells
// (caption unchanged) when a line is selected, else nothing.
QVariant variableValue(const QString &name, const Variables &v);

// Prepares the list of the shown lines of list with the variables given.
PreparedReport prepare(const WorkingList &list, const Variables &v, const QDateTime &start = {});

// The same, counting the pages now and laying each out when first shown: list and what v
// reads must stay alive and unchanged while the report is in use.
PreparedReport prepareOnDemand(const WorkingList &list, const Variables &v,
                               const QDateTime &start = {});

} // namespace ListReport

// The report of recorded key errors (template "error-report", data source "Error").
namespace ErrorReport
{

inline const QString Template = QStringLiteral("error-report");
inline const QString DataSet = QStringLiteral("Error");

// A field of a record by its exact name (Row, Operation, OldValue, NewValue, NomPrenom,
// Compte, "NetPayer " with its blank, Rendement); any other name gives nothing.
QVariant fieldValue(const ErrorRecord &record, const QString &field);

// Prepares the report of the records, which it keeps; pages are laid out when asked for.
PreparedReport prepare(std::vector<ErrorRecord> records, const QDateTime &start = {});

} // namespace ErrorReport
