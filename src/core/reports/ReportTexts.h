#pragma once

#include <QCoreApplication>
#include <QString>

// Texts the clerk sees around the printed reports.
namespace ReportTexts
{
inline QString NoDataToPrint()
{
    return QCoreApplication::translate("ReportTexts", "لا توجد بيانات للطباعة");
}
inline QString NoDataCaption()
{
    return QCoreApplication::translate("ReportTexts", "تنبيه");
}
inline QString NoErrors()
{
    return QCoreApplication::translate("ReportTexts", "Il n'y a aucune erreur à afficher.");
}
} // namespace ReportTexts
