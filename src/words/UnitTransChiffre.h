#pragma once

#include <QString>
#include <cstdint>

// Amounts of dinars written out in French or Arabic words.

// The amount as a phrase with currency and centimes; "FR" (blanks and case ignored) gives
// French, any other language Arabic, enclosed in U+202B ... U+202C.
QString NombreEnToutesLettres(double valeur, const QString &lang);

// A signed whole number in French words, lower case.
QString NombreEnLettresFr(int64_t n);

// A signed whole number in Arabic words.
QString NombreEnLettresAr(int64_t n);
