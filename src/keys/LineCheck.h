#pragma once

#include <QDateTime>
#include <QSet>
#include <QString>
#include <QStringList>
#include <vector>

class TransferLine;
class WorkingList;

// One recorded key error, as the error report prints it.
struct TErrorRecord {
    int Row = 0; // position of the line when recorded, from 1; not renumbered later
    QString Operation;
    QString OldValue;
    QString NomPrenom;
    QString NewValue;
    QString Compte;
    QDateTime TimeStamp; // never filled
    QString NetPayer;
    QString Rendement;
};

// The error lines shown under the table (FErrorList, each text once, in order of appending)
// and the error records printed by the error report (DailyRecords).
class ErrorLog
{
public:
    const QStringList &errorList() const { return m_lines; }
    void clearErrorList();
    // Appends the text unless the list holds it already.
    void addErrorText(const QString &text);

    std::vector<TErrorRecord> DailyRecords;

private:
    QStringList m_lines;
    QSet<QString> m_seen;
};

// Logs a line's error: "Ligne: %d | Compte: %s | CLE/RIP: %s | Nom: %s | %s" (row from 0).
void AddError(ErrorLog &log, const TransferLine *item, int row, const QString &errMsg);

// Records a wrong line once: appends a TErrorRecord unless the line is marked, then marks it.
void AddErrorFromItem(ErrorLog &log, TransferLine *item, int row);

// Checks a line's key against its account's RIP and CCP keys and sets its status
// (1 RIP, 2 CCP, 3 neither). A wrong line is logged and recorded. An account holding a
// character other than a digit is a wrong line too; its error line names the character.
void CheckCLE_RIP_Item(ErrorLog &log, TransferLine *item, int row);

// Rewrite every shown line's key as its CCP key / its RIP key. A line whose account holds
// a character other than a digit has no CCP key and keeps its key.
void FixCleKeys(WorkingList &list);
void FixRipKeys(WorkingList &list);
