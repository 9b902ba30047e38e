#pragma once

#include <QString>
#include <cstdint>

// Amounts of dinars written out in French or Arabic words.

// The amount as a phrase with currency and centimes; "FR" (blanks and case ignored) gives
// French, any other language Arabic, enclosed in U+202B ... U+202C. French follows the
// traditional spelling of official documents: "Un million de dinars", "Quatre-vingt mille
// dinars et soixante et onze centimes".
// A negative amount starts with "Moins" (French) or "ناقص" (Arabic).
QString amountInWords(double value, const QString &language);

// The same for a whole number of centimes, exactly.
QString amountInWordsOfCents(int64_t cents, const QString &language);

// A signed whole number in French words, lower case, traditional spelling: "soixante et
// onze", "quatre-vingts" but "quatre-vingt mille", "deux cents" but "deux cent un".
QString frenchWords(int64_t n);

// A signed whole number in Arabic words.
QString arabicWords(int64_t n);
