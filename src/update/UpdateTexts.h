#pragma once

#include <QString>

// Texts the updater shows.
namespace UpdateTexts
{
inline const QString CurrentVersion = QStringLiteral("النسخة الحالية: ");
inline const QString ServerVersion = QStringLiteral("النسخة على السيرفر: ");
inline const QString ReadError = QStringLiteral("خطأ في قراءة النسخة من السيرفر");
inline const QString Offline = QStringLiteral("--");
// "%1" is the library file's name.
inline const QString LibraryMissing = QStringLiteral("ملف %1 غير موجود!");
inline const QString NoUpdateLink = QStringLiteral("لم يتم العثور على رابط التحديث.");
inline const QString Downloaded =
    QStringLiteral("تم تنزيل التحديث بنجاح. سيتم فتح النسخة الجديدة الآن.");
inline const QString ConfirmDownload = QStringLiteral("نسخة جديدة متوفرة، هل تريد تحميلها؟");
inline const QString CannotCreate = QStringLiteral("Impossible de créer le fichier « %1 » : %2");
inline const QString CannotStart = QStringLiteral("Impossible de lancer « %1 ».");
} // namespace UpdateTexts
