#pragma once

#include <QString>

// What the payment history tells the clerk.
namespace HistoryTexts
{
inline const QString CannotOpen =
    QStringLiteral("L’archive des paiements (%1) ne peut pas être ouverte : %2");
inline const QString Damaged =
    QStringLiteral("L’archive des paiements « %1 » est endommagée. Elle a été mise de côté sous "
                   "« %2 » ; une nouvelle archive sera commencée au prochain export.");
inline const QString DamagedNotMoved =
    QStringLiteral("L’archive des paiements « %1 » est endommagée et ne peut pas être mise de "
                   "côté : %2");
inline const QString Newer =
    QStringLiteral("L’archive des paiements (%1) a été écrite par une version plus récente du "
                   "programme (schéma %2) ; mettez ce poste à jour.");
inline const QString CannotRead =
    QStringLiteral("L’archive des paiements (%1) ne peut pas être lue : %2");
inline const QString CannotRecord =
    QStringLiteral("L’export a bien été écrit, mais il n’a pas pu être enregistré dans l’archive "
                   "des paiements (%1) : %2\nLe prochain export réessaiera.");
inline const QString PasswordInSettings =
    QStringLiteral("La connexion PostgreSQL de Direction.ini contient un mot de passe : il doit "
                   "être dans le fichier ~/.pgpass de l’utilisateur, jamais dans Direction.ini.");
inline const QString NoDriver = QStringLiteral("Le pilote Qt SQL « %1 » n’est pas installé.");
inline const QString DamagedExport =
    QStringLiteral("les lignes de l’export n° %1 sont endommagées");
inline const QString NoSuchExport = QStringLiteral("Aucun export archivé n’a le numéro %1.");
inline const QString FileUnreadable =
    QStringLiteral("Le fichier exporté « %1 » ne peut pas être relu pour son empreinte : %2");
inline const QString NothingArchived =
    QStringLiteral("L’archive des paiements ne contient encore aucun export.");
// How an archived export is named beside a file name: "Export CODE du dd/MM/yyyy HH:mm".
inline const QString ExportName = QStringLiteral("Export %1 du %2");
} // namespace HistoryTexts
