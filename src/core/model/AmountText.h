#pragma once

#include <QString>
#include <QStringView>

// Amount texts: two decimals behind a comma, digit groups separated by literal spaces.
namespace AmountText
{

// The list's pattern "### ### ### ##0.00" and the record editor's "# ##0.00".
inline constexpr QStringView ListPattern = u"### ### ### ##0.00";
inline constexpr QStringView EditorPattern = u"# ##0.00";

// Writes value with a pattern made of '#', '0' and ' ' before ".00": digits fill the digit
// places from the right, every space of the pattern is printed where it stands, extra
// leading digits go in front of the first place, and a minus sign comes before everything.
// The value is rounded to two decimals, halves away from zero.
QString format(double value, QStringView pattern = ListPattern);

// Same, from a whole number of centimes (exact; no floating point involved).
QString formatCents(long long cents, QStringView pattern = ListPattern);

// Same with the list's pattern, without the leading spaces the pattern puts in front
// ("1 234,56"): how an amount stands in a sentence, a cell of its own or a message.
QString formatCentsTrimmed(long long cents);

// Same, written into out (room for 64 characters); returns the length.
int formatCentsInto(long long cents, QStringView pattern, QChar *out);

} // namespace AmountText

// Number rule: drop every U+0020, then read with the comma as decimal mark: optional blanks,
// sign, digits, optional comma and digits, optional exponent, optional blanks. False for
// anything else.
bool readNumber(QStringView s, double &value);

// An amount text as whole centimes, by the number rule: exact for plain texts (digits, an
// optional comma and up to two decimals), otherwise read as a number and rounded to the
// nearest centime. A blank text reads as 0. False for a text that does not read, or
// whose value lies beyond 18 digits of centimes.
bool readAmountCents(QStringView s, long long &cents);

// "'%s' is not a valid floating point value" for a text the number rule cannot read.
QString notAFloatMessage(QStringView text);

// The largest amount a line may hold: thirteen digits of centimes, the width of the
// transfer file's amount fields.
inline constexpr long long MaxAmountCents = 9999999999999LL;

// An amount typed or pasted in the record editor, as the editor keeps it: a blank text stays
// empty; a text that reads as an amount (readAmountCents) of at most MaxAmountCents either
// way is written with the editor's pattern. Otherwise false, with the message to show in
// message: the same rule whether the clerk leaves the box or saves.
bool normaliseEditedAmount(QStringView text, QString &normalised, QString &message);
