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

// Tool tips of the light and the offered version while and after the check.
inline const QString Checking = QStringLiteral("Recherche d’une mise à jour…");
inline const QString OfflineDetail = QStringLiteral("Pas de connexion au serveur de mise à jour.");
// "%1" is why the manifest could not be read.
inline const QString ReadErrorDetail =
    QStringLiteral("Le fichier de version n’a pas pu être lu : %1");
inline const QString NotSigned =
    QStringLiteral("Le fichier de version n’est pas signé : la mise à jour est refusée.");
inline const QString BadSignature = QStringLiteral(
    "La signature du fichier de version ne vient pas de l’éditeur : la mise à jour est refusée.");
inline const QString NoDigest = QStringLiteral(
    "Le fichier de version ne donne pas l’empreinte SHA-256 du programme : la mise à jour est "
    "refusée.");

// The update button's caption while a download runs.
inline const QString Cancel = QStringLiteral("Annuler");
// "%1" is the address.
inline const QString NotHttps = QStringLiteral(
    "Le programme doit être téléchargé par une adresse https ; celle-ci est refusée : %1");
// "%1" is the program file.
inline const QString WrongDigest = QStringLiteral(
    "Le programme téléchargé ne correspond pas à l’empreinte signée par l’éditeur ; il a été "
    "supprimé sans être lancé (%1).");
// "%1" is the reason given by the network.
inline const QString DownloadFailed = QStringLiteral("Le téléchargement a échoué : %1");
// "%1" is the offered version, "%2" where to get it.
inline const QString GetPackage = QStringLiteral(
    "La version %1 est disponible. Cette copie est installée par un paquet et ne se remplace "
    "pas elle-même : installez le nouveau paquet depuis %2");
inline const QString GetUnsigned = QStringLiteral(
    "La version %1 est disponible. Cette copie ne contient pas la clé de l’éditeur et ne peut "
    "donc pas vérifier un téléchargement : installez la nouvelle version depuis %2");
} // namespace UpdateTexts
