#pragma once

#include <QString>

// Texts the clerk sees around the printed reports.
namespace ReportTexts
{
inline const QString NoDataToPrint = QStringLiteral("لا توجد بيانات للطباعة");
inline const QString NoDataCaption = QStringLiteral("تنبيه");
inline const QString NoErrors = QStringLiteral("Il n'y a aucune erreur à afficher.");
} // namespace ReportTexts
