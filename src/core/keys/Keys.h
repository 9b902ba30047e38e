#pragma once

#include "model/BasicText.h"

#include <QString>
#include <QStringView>

// Control keys of a postal cheque account. Only '0'..'9' are digits here.

// CCP key: weighted digit sum (last character weighs 4, the one before 5, ...) modulo 100,
// two digits. Throws UserError "'c' is not a valid integer value" naming the last character
// that is not a digit.
QString ccpKeyText(QStringView ccp);

// CCP key where a character that is not a digit counts as 0 (used for colouring and by the
// record editor). Never throws.
QString lenientCcpKeyText(QStringView account);

// RIP key: 97 - ((100 * A + 85) mod 97) over the account's digits, two digits; "00" when
// the account holds no digit. Never throws.
QString ripKeyText(QStringView account);

// The CCP key value 0..99, or -1 (and the last character that is not a digit) when a
// character is not a digit.
int ccpKeyValue(QStringView account, QChar *offending = nullptr);

// The RIP key value 1..97, or 0 when the account holds no digit.
int ripKeyValue(QStringView account);

// "'%s' is not a valid integer value" for the character c.
QString notAnIntegerMessage(QStringView text);

// Two-digit text of a key value 0..99.
QString twoDigits(int value);
