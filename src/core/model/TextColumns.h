#pragma once

#include <QString>
#include <QStringView>

// Widths of fixed columns counted in characters as the user sees them: a character outside
// the Basic Multilingual Plane (a surrogate pair in UTF-16) is one character.
namespace TextColumns
{

inline bool hasSurrogates(QStringView s)
{
    for (QChar c : s)
        if (c.isSurrogate()) return true;
    return false;
}

// Number of characters.
inline qsizetype length(QStringView s)
{
    qsizetype n = 0;
    for (qsizetype i = 0; i < s.size(); ++i, ++n)
        if (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate()) ++i;
    return n;
}

// UTF-16 offset of the character at position chars (or the end).
inline qsizetype offsetOf(QStringView s, qsizetype chars)
{
    qsizetype i = 0;
    for (; i < s.size() && chars > 0; ++i, --chars)
        if (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate()) ++i;
    return i;
}

// Characters [from, from + count) of s.
inline QStringView mid(QStringView s, qsizetype from, qsizetype count)
{
    if (!hasSurrogates(s)) return s.mid(from, count);
    const qsizetype a = offsetOf(s, from);
    const qsizetype b = a + offsetOf(s.mid(a), count);
    return s.mid(a, b - a);
}

// The last count characters.
inline QString right(QStringView s, qsizetype count)
{
    const qsizetype n = length(s);
    return n <= count ? s.toString() : mid(s, n - count, count).toString();
}

// The text cut or padded with spaces to exactly width characters.
inline QString fitLeft(QStringView s, qsizetype width)
{
    const qsizetype n = length(s);
    if (n >= width) return mid(s, 0, width).toString();
    return s.toString() + QString(width - n, u' ');
}

} // namespace TextColumns
