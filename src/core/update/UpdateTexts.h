#pragma once

#include <QCoreApplication>
#include <QString>

// Texts the updater shows.
namespace UpdateTexts
{
inline QString CurrentVersion()
{
    return QCoreApplication::translate("UpdateTexts", "النسخة الحالية: ");
}
inline QString ServerVersion()
{
    return QCoreApplication::translate("UpdateTexts", "النسخة على السيرفر: ");
}
inline QString ReadError()
{
    return QCoreApplication::translate("UpdateTexts", "خطأ في قراءة النسخة من السيرفر");
}
inline QString Offline()
{
    return QCoreApplication::translate("UpdateTexts", "--");
}
// "%1" is the library file's name.
inline QString LibraryMissing()
{
    return QCoreApplication::translate("UpdateTexts", "ملف %1 غير موجود!");
}
inline QString NoUpdateLink()
{
    return QCoreApplication::translate("UpdateTexts", "لم يتم العثور على رابط التحديث.");
}
inline QString Downloaded()
{
    return QCoreApplication::translate("UpdateTexts",
                                       "تم تنزيل التحديث بنجاح. سيتم فتح النسخة الجديدة الآن.");
}
inline QString ConfirmDownload()
{
    return QCoreApplication::translate("UpdateTexts", "نسخة جديدة متوفرة، هل تريد تحميلها؟");
}
inline QString CannotCreate()
{
    return QCoreApplication::translate("UpdateTexts", "Impossible de créer le fichier « %1 » : %2");
}
inline QString CannotStart()
{
    return QCoreApplication::translate("UpdateTexts", "Impossible de lancer « %1 ».");
}

// Tool tips of the light and the offered version while and after the check.
inline QString Checking()
{
    return QCoreApplication::translate("UpdateTexts", "Recherche d’une mise à jour…");
}
inline QString OfflineDetail()
{
    return QCoreApplication::translate("UpdateTexts",
                                       "Pas de connexion au serveur de mise à jour.");
}
// "%1" is why the manifest could not be read.
inline QString ReadErrorDetail()
{
    return QCoreApplication::translate("UpdateTexts",
                                       "Le fichier de version n’a pas pu être lu : %1");
}
inline QString NotSigned()
{
    return QCoreApplication::translate(
        "UpdateTexts", "Le fichier de version n’est pas signé : la mise à jour est refusée.");
}
inline QString BadSignature()
{
    return QCoreApplication::translate("UpdateTexts",
                                       "La signature du fichier de version ne vient pas de "
                                       "l’éditeur : la mise à jour est refusée.");
}
inline QString NoDigest()
{
    return QCoreApplication::translate(
        "UpdateTexts",
        "Le fichier de version ne donne pas l’empreinte SHA-256 du programme : la mise à jour est "
        "refusée.");
}

// The update button's caption while a download runs.
inline QString Cancel()
{
    return QCoreApplication::translate("UpdateTexts", "Annuler");
}
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
inline QString DownloadFailed()
{
    return QCoreApplication::translate("UpdateTexts", "Le téléchargement a échoué : %1");
}
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
