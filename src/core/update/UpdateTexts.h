#pragma once

#include "model/TranslatedText.h"
#include <QCoreApplication>
#include <QString>

// Texts the updater shows.
namespace UpdateTexts
{
inline constexpr TranslatedText CurrentVersion{
    "UpdateTexts", QT_TRANSLATE_NOOP("UpdateTexts", "النسخة الحالية: ")};
inline constexpr TranslatedText ServerVersion{
    "UpdateTexts", QT_TRANSLATE_NOOP("UpdateTexts", "النسخة على السيرفر: ")};
inline constexpr TranslatedText ReadError{
    "UpdateTexts", QT_TRANSLATE_NOOP("UpdateTexts", "خطأ في قراءة النسخة من السيرفر")};
inline constexpr TranslatedText Offline{"UpdateTexts", QT_TRANSLATE_NOOP("UpdateTexts", "--")};
// "%1" is the library file's name.
inline constexpr TranslatedText LibraryMissing{
    "UpdateTexts", QT_TRANSLATE_NOOP("UpdateTexts", "ملف %1 غير موجود!")};
inline constexpr TranslatedText NoUpdateLink{
    "UpdateTexts", QT_TRANSLATE_NOOP("UpdateTexts", "لم يتم العثور على رابط التحديث.")};
inline constexpr TranslatedText Downloaded{
    "UpdateTexts",
    QT_TRANSLATE_NOOP("UpdateTexts", "تم تنزيل التحديث بنجاح. سيتم فتح النسخة الجديدة الآن.")};
inline constexpr TranslatedText ConfirmDownload{
    "UpdateTexts", QT_TRANSLATE_NOOP("UpdateTexts", "نسخة جديدة متوفرة، هل تريد تحميلها؟")};
inline constexpr TranslatedText CannotCreate{
    "UpdateTexts", QT_TRANSLATE_NOOP("UpdateTexts", "Impossible de créer le fichier « %1 » : %2")};
inline constexpr TranslatedText CannotStart{
    "UpdateTexts", QT_TRANSLATE_NOOP("UpdateTexts", "Impossible de lancer « %1 ».")};

// Tool tips of the light and the offered version while and after the check.
inline constexpr TranslatedText Checking{
    "UpdateTexts", QT_TRANSLATE_NOOP("UpdateTexts", "Recherche d’une mise à jour…")};
inline constexpr TranslatedText OfflineDetail{
    "UpdateTexts", QT_TRANSLATE_NOOP("UpdateTexts", "Pas de connexion au serveur de mise à jour.")};
// "%1" is why the manifest could not be read.
inline constexpr TranslatedText ReadErrorDetail{
    "UpdateTexts",
    QT_TRANSLATE_NOOP("UpdateTexts", "Le fichier de version n’a pas pu être lu : %1")};
inline QString NotSigned()
{
    return QCoreApplication::translate(
        "UpdateTexts", "Le fichier de version n’est pas signé : la mise à jour est refusée.");
}
inline constexpr TranslatedText BadSignature{
    "UpdateTexts",
    QT_TRANSLATE_NOOP("UpdateTexts", "La signature du fichier de version ne vient pas de "
                                     "l’éditeur : la mise à jour est refusée.")};
inline QString NoDigest()
{
    return QCoreApplication::translate(
        "UpdateTexts",
        "Le fichier de version ne donne pas l’empreinte SHA-256 du programme : la mise à jour est "
        "refusée.");
}

// The update button's caption while a download runs.
inline constexpr TranslatedText Cancel{"UpdateTexts", QT_TRANSLATE_NOOP("UpdateTexts", "Annuler")};
// "%1" is the address.
inline QString NotHttps()
{
    return QCoreApplication::translate(
        "UpdateTexts",
        "Le programme doit être téléchargé par une adresse https ; celle-ci est refusée : %1");
}
// "%1" is the program file.
inline QString WrongDigest()
{
    return QCoreApplication::translate(
        "UpdateTexts",
        "Le programme téléchargé ne correspond pas à l’empreinte signée par l’éditeur ; il a été "
        "supprimé sans être lancé (%1).");
}
// "%1" is the reason given by the network.
inline constexpr TranslatedText DownloadFailed{
    "UpdateTexts", QT_TRANSLATE_NOOP("UpdateTexts", "Le téléchargement a échoué : %1")};
// "%1" is the offered version, "%2" where to get it.
inline QString GetPackage()
{
    return QCoreApplication::translate(
        "UpdateTexts",
        "La version %1 est disponible. Cette copie est installée par un paquet et ne se remplace "
        "pas elle-même : installez le nouveau paquet depuis %2");
}
inline QString GetUnsigned()
{
    return QCoreApplication::translate(
        "UpdateTexts",
        "La version %1 est disponible. Cette copie ne contient pas la clé de l’éditeur et ne peut "
        "donc pas vérifier un téléchargement : installez la nouvelle version depuis %2");
}
} // namespace UpdateTexts
