#pragma once

#include "model/TransferLine.h"

#include <QString>

// Said of a line whose account cell is blank.
inline const QString EmptyAccountText = QStringLiteral("Compte vide");

// One key error as the error report prints it.
struct ErrorRecord {
    int row = 0; // the line's place among all lines, from 1, whatever the filter
    QString operation;
    QString oldValue; // the key cell as it stands
    QString name;
    QString newValue; // "CCP - RIP", the keys the account has
    QString account;
    // The line's amounts as the session read them when the line entered or changed.
    long long netCents = 0;
    long long yieldCents = 0;
    QString unreadableAmount; // the text of an amount cell that does not read, if any
};

// What a line's key cell holds compared with its account's keys. Both cells are read
// without surrounding blanks; an account that is empty or holds a character other than a
// digit has no keys and its line is wrong whatever its key.
struct KeyVerdict {
    TransferLine::KeyStatus status = TransferLine::KeyStatus::Wrong;
    int ccpKey = -1; // 0..99, or -1 when the account has no keys
    int ripKey = -1; // 1..97, or -1 when the account has no keys
    QChar offending; // the account's character that is not a digit, if any
};
KeyVerdict checkKeys(const TransferLine &line);

// "Ligne: %d | Compte: %s | CLE/RIP: %s | Nom: %s | %s" for a wrong line at a position
// counted from 1, with what was expected (or why nothing can be).
QString errorLineText(const TransferLine &line, int position);

// The error report's record of a wrong line at a position counted from 1; its amounts are
// the line's derived figures.
ErrorRecord errorRecord(const TransferLine &line, int position);

// The key a repair writes: the account's CCP key or RIP key, from the account without
// surrounding blanks. An empty text when the account has no keys (empty, or a character
// other than a digit): such a line cannot be repaired.
enum class KeyKind { Ccp, Rip };
QString repairedKey(const TransferLine &line, KeyKind kind);
