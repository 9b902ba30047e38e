#pragma once

#include <QFont>
#include <QStringList>

// The faces the windows are drawn with. Where Tahoma or Times New Roman is missing, a face of
// similar width takes its place, so captions keep their room.
namespace WindowFonts
{

// Captions, buttons and boxes.
inline QFont interface(int points, bool bold = false)
{
    QFont f(QStringLiteral("Tahoma"), points);
    f.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"),
                   QStringLiteral("DejaVu Sans")});
    f.setStyleHint(QFont::SansSerif);
    f.setBold(bold);
    return f;
}

// The list of lines and the totals under the panels.
inline QFont list(int points = 10)
{
    QFont f(QStringLiteral("Times New Roman"), points);
    f.setFamilies({QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"),
                   QStringLiteral("DejaVu Serif")});
    f.setStyleHint(QFont::Serif);
    return f;
}

} // namespace WindowFonts
