#pragma once

#include <QString>
#include <QStringView>
#include <array>

// Removes leading and trailing characters of code 32 and below.
QStringView trimBlanks(QStringView s);

// How texts are compared wherever a person or a typed text is looked for (the list's filter,
// the comparison of two lists, the payment history's person search): Latin letters lose their
// case and their accents (É, é, E and e are one letter, so are Ç and c), combining accents
// are dropped, and every other character, Arabic included, stays as it is. Each UTF-16 unit
// folds to one unit or to none (0), so a text can be folded on the fly as it is searched.
class TextFolding final
{
public:
    // The one table, built on first use.
    static const TextFolding &instance();

    // A table over every unit: one load per character on the filter's hot path.
    char16_t operator()(char16_t c) const { return m_fold[c]; }

private:
    TextFolding();

    std::array<char16_t, 0x10000> m_fold;
};

// The text trimmed of blanks (trimBlanks), then folded unit by unit (TextFolding).
QString foldedText(QStringView text);
// The same, written at out (room for text.size() units); returns the folded length.
qsizetype foldTextInto(QStringView text, QChar *out);
