#pragma once

#include <QString>
#include <QStringView>

// Control keys of a postal cheque account. Only '0'..'9' are digits here.

// CCP key: weighted digit sum (last character weighs 4, the one before 5, ...) modulo 100,
// two digits. Throws UserError "'c' is not a valid integer value" naming the last character
// that is not a digit.
QString CleCCP(QStringView ccp);

// CCP key where a character that is not a digit counts as 0 (used for colouring and by the
// record editor). Never throws.
QString VerifierCle(QStringView compte);

// True when the key, read as an integer (leading blanks, optional sign, digits to the end),
// equals the account's CCP key value. Throws UserError naming the first character of the
// account that is not a digit.
bool VerifierCLEe(QStringView cle, QStringView compte);

// The number written by the digits of the text, modulo 97; other characters are skipped.
int Mod97OfString(QStringView t);

// RIP key: 97 - ((100 * A + 85) mod 97) over the account's digits, two digits; "00" when
// the account holds no digit. Never throws.
QString CleCcpRip(QStringView compte);

// True when the key, surrounding blanks removed, equals CleCcpRip(compte) exactly.
bool VerifierRIP(QStringView cle, QStringView compte);

// The CCP key value 0..99, or -1 (and the offending character) when a character is not a
// digit. Scans from the last character when fromEnd, else from the first.
int ccpKeyValue(QStringView compte, bool fromEnd, QChar *offending = nullptr);

// The RIP key value 1..97, or 0 when the account holds no digit.
int ripKeyValue(QStringView compte);

// "'%s' is not a valid integer value" for the character c.
QString notAnIntegerMessage(QStringView text);

// Reads a key text as an integer: leading blanks, optional sign, digits up to the end.
// Returns -1 for anything else.
int keyTextToInt(QStringView key);

// Two-digit text of a key value 0..99.
QString twoDigits(int value);

// Removes leading and trailing characters of code 32 and below.
QStringView trimBlanks(QStringView s);
