#pragma once

#include <QDir>
#include <QString>
#include <QStringList>

// Texts shown to the clerk by the workbook import, and the one way they are filled in: every
// value goes in at once, so a path holding "%1" is never read as a place-holder.
namespace WorkbookImport::Texts
{
inline const QString CannotOpen = QStringLiteral("Impossible d’ouvrir le classeur « %1 » : %2");
inline const QString NotWorkbook = QStringLiteral(
    "Le fichier « %1 » n’est pas un classeur lisible (.xlsx, .xls ou .ods) ou il est endommagé.");
inline const QString Damaged =
    QStringLiteral("Le classeur « %1 » est endommagé ou incomplet et n’a pas pu être lu (%2).");
inline const QString Encrypted = QStringLiteral(
    "Le classeur « %1 » est protégé par un mot de passe. Enregistrez-le sans mot de passe puis "
    "importez-le.");
inline const QString TooManyRows = QStringLiteral(
    "Le classeur « %1 » est trop volumineux pour être importé (feuille de plus de 1 048 576 "
    "lignes).");
inline const QString TooMuchMemory = QStringLiteral(
    "Le classeur « %1 » est trop volumineux pour être importé : sa lecture demandait plus de "
    "%2 Mo de mémoire. La liste n’a pas été modifiée.");
inline const QString PartTooLarge = QStringLiteral(
    "Le classeur « %1 » est endommagé ou trop volumineux pour être importé : sa partie %2 "
    "dépasse %3 Mo une fois décompressée. La liste n’a pas été modifiée.");
inline const QString TooLong = QStringLiteral(
    "La lecture du classeur « %1 » a été arrêtée après %2 secondes : le fichier est trop "
    "volumineux ou endommagé. La liste n’a pas été modifiée.");
inline const QString CellTooLong = QStringLiteral(
    "Le classeur « %1 » ne peut pas être importé : feuille « %2 », ligne %3, colonne %4, une "
    "cellule contient plus de 32 767 caractères. La liste n’a pas été modifiée.");
inline const QString OldXls = QStringLiteral(
    "Le classeur « %1 » est au format Excel 95 ou plus ancien, qui n’est pas lu. Enregistrez-le "
    "au format .xlsx (ou Excel 97-2003) puis importez-le.");
inline const QString NoSheet = QStringLiteral("Le classeur « %1 » ne contient aucune feuille.");
inline const QString ReaderMissing = QStringLiteral(
    "Le programme de lecture des classeurs « %1 » est introuvable ou ne démarre pas. "
    "Réinstallez Talvoro CCP.");
inline const QString Interrupted = QStringLiteral("lecture interrompue");

// A cell that gives no value refuses the import: "%6" says what was found.
inline const QString Refused = QStringLiteral(
    "Import annulé : dans le classeur « %1 », feuille « %2 », ligne %3, colonne %4 (%5), %6. "
    "La liste n’a pas été modifiée.");
inline const QString NotAnAmount = QStringLiteral("« %1 » n’est pas un montant");
inline const QString FormulaError = QStringLiteral("la cellule donne l’erreur « %1 »");
inline const QString Boolean = QStringLiteral("la cellule contient la valeur logique « %1 »");
inline const QString FormulaWithoutResult = QStringLiteral(
    "la formule n’a pas de résultat enregistré (ouvrez le classeur dans un tableur, laissez-le "
    "calculer et enregistrez-le)");
inline const QString TooManyDecimals = QStringLiteral(
    "« %1 » a plus de deux chiffres après la virgule : ce montant est ambigu (1,234 peut valoir "
    "1 234)");
inline const QString ControlCharacter =
    QStringLiteral("le texte contient un caractère de contrôle (U+%1)");
inline const QString AmountTooLarge =
    QStringLiteral("le montant « %1 » dépasse 13 chiffres de centimes");
inline const QString NotFinite = QStringLiteral("« %1 » n’est pas un nombre fini");

inline const QString True = QStringLiteral("VRAI");
inline const QString False = QStringLiteral("FAUX");

inline QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// pattern with %1, %2, ... replaced by values in one pass.
inline QString filled(const QString &pattern, const QStringList &values)
{
    QString out;
    out.reserve(pattern.size() + 64);
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == u'%' && i + 1 < pattern.size() && pattern[i + 1].isDigit()) {
            const int n = pattern[i + 1].digitValue();
            if (n >= 1 && n <= values.size()) {
                out += values[n - 1];
                ++i;
                continue;
            }
        }
        out += pattern[i];
    }
    return out;
}
} // namespace WorkbookImport::Texts
