#pragma once

#include "model/TranslatedText.h"
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
inline constexpr TranslatedText CannotRead{
    "HistoryTexts",
    QT_TRANSLATE_NOOP("HistoryTexts", "L’archive des paiements (%1) ne peut pas être lue : %2")};
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
inline constexpr TranslatedText NoDriver{
    "HistoryTexts",
    QT_TRANSLATE_NOOP("HistoryTexts", "Le pilote Qt SQL « %1 » n’est pas installé.")};
inline constexpr TranslatedText DamagedExport{
    "HistoryTexts",
    QT_TRANSLATE_NOOP("HistoryTexts", "les lignes de l’export n° %1 sont endommagées")};
inline constexpr TranslatedText NoSuchExport{
    "HistoryTexts", QT_TRANSLATE_NOOP("HistoryTexts", "Aucun export archivé n’a le numéro %1.")};
inline QString FileUnreadable()
{
    return QCoreApplication::translate(
        "HistoryTexts", "Le fichier exporté « %1 » ne peut pas être relu pour son empreinte : %2");
}
inline constexpr TranslatedText NothingArchived{
    "HistoryTexts",
    QT_TRANSLATE_NOOP("HistoryTexts", "L’archive des paiements ne contient encore aucun export.")};
// How an archived export is named beside a file name: "Export CODE du dd/MM/yyyy HH:mm".
inline constexpr TranslatedText ExportName{"HistoryTexts",
                                           QT_TRANSLATE_NOOP("HistoryTexts", "Export %1 du %2")};
} // namespace HistoryTexts
