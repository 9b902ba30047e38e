#pragma once

#include <QCoreApplication>
#include <QString>

// What the payment history tells the clerk.
namespace HistoryTexts
{
inline QString CannotOpen()
{
    return QCoreApplication::translate(
        "HistoryTexts", "L’archive des paiements (%1) ne peut pas être ouverte : %2");
}
inline QString Damaged()
{
    return QCoreApplication::translate(
        "HistoryTexts",
        "L’archive des paiements « %1 » est endommagée. Elle a été mise de côté sous "
        "« %2 » ; une nouvelle archive sera commencée au prochain export.");
}
inline QString DamagedNotMoved()
{
    return QCoreApplication::translate(
        "HistoryTexts", "L’archive des paiements « %1 » est endommagée et ne peut pas être mise de "
                        "côté : %2");
}
inline QString Newer()
{
    return QCoreApplication::translate(
        "HistoryTexts", "L’archive des paiements (%1) a été écrite par une version plus récente du "
                        "programme (schéma %2) ; mettez ce poste à jour.");
}
inline QString CannotRead()
{
    return QCoreApplication::translate("HistoryTexts",
                                       "L’archive des paiements (%1) ne peut pas être lue : %2");
}
inline QString CannotRecord()
{
    return QCoreApplication::translate(
        "HistoryTexts",
        "L’export a bien été écrit, mais il n’a pas pu être enregistré dans l’archive "
        "des paiements (%1) : %2\nLe prochain export réessaiera.");
}
inline QString PasswordInSettings()
{
    return QCoreApplication::translate(
        "HistoryTexts",
        "La connexion PostgreSQL de Direction.ini contient un mot de passe : il doit "
        "être dans le fichier ~/.pgpass de l’utilisateur, jamais dans Direction.ini.");
}
inline QString NoDriver()
{
    return QCoreApplication::translate("HistoryTexts",
                                       "Le pilote Qt SQL « %1 » n’est pas installé.");
}
inline QString DamagedExport()
{
    return QCoreApplication::translate("HistoryTexts",
                                       "les lignes de l’export n° %1 sont endommagées");
}
inline QString NoSuchExport()
{
    return QCoreApplication::translate("HistoryTexts", "Aucun export archivé n’a le numéro %1.");
}
inline QString FileUnreadable()
{
    return QCoreApplication::translate(
        "HistoryTexts", "Le fichier exporté « %1 » ne peut pas être relu pour son empreinte : %2");
}
inline QString NothingArchived()
{
    return QCoreApplication::translate("HistoryTexts",
                                       "L’archive des paiements ne contient encore aucun export.");
}
// How an archived export is named beside a file name: "Export CODE du dd/MM/yyyy HH:mm".
inline QString ExportName()
{
    return QCoreApplication::translate("HistoryTexts", "Export %1 du %2");
}
} // namespace HistoryTexts
