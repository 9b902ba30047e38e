#pragma once

#include "model/TranslatedText.h"
#include <QCoreApplication>
#include <QString>

// Texts the clerk sees around the printed reports.
namespace ReportTexts
{
inline constexpr TranslatedText NoDataToPrint{
    "ReportTexts", QT_TRANSLATE_NOOP("ReportTexts", "لا توجد بيانات للطباعة")};
inline constexpr TranslatedText NoDataCaption{"ReportTexts",
                                              QT_TRANSLATE_NOOP("ReportTexts", "تنبيه")};
inline constexpr TranslatedText NoErrors{
    "ReportTexts", QT_TRANSLATE_NOOP("ReportTexts", "Il n'y a aucune erreur à afficher.")};
} // namespace ReportTexts
