#pragma once

#include "model/TranslatedText.h"
#include <QCoreApplication>
#include <QDir>
#include <QString>
#include <QStringList>

// Texts shown to the clerk by the workbook import, and the one way they are filled in: every
// value goes in at once, so a path holding "%1" is never read as a place-holder.
namespace WorkbookImport::Texts
{
inline constexpr TranslatedText CannotOpen{
    "WorkbookImport",
    QT_TRANSLATE_NOOP("WorkbookImport", "Impossible d’ouvrir le classeur « %1 » : %2")};
inline constexpr TranslatedText NotWorkbook{
    "WorkbookImport",
    QT_TRANSLATE_NOOP("WorkbookImport", "Le fichier « %1 » n’est pas un classeur lisible (.xlsx, "
                                        ".xls ou .ods) ou il est endommagé.")};
inline QString Damaged()
{
    return QCoreApplication::translate(
        "WorkbookImport",
        "Le classeur « %1 » est endommagé ou incomplet et n’a pas pu être lu (%2).");
}
inline QString Encrypted()
{
    return QCoreApplication::translate(
        "WorkbookImport",
        "Le classeur « %1 » est protégé par un mot de passe. Enregistrez-le sans mot de passe puis "
        "importez-le.");
}
inline QString TooManyRows()
{
    return QCoreApplication::translate(
        "WorkbookImport",
        "Le classeur « %1 » est trop volumineux pour être importé (feuille de plus de 1 048 576 "
        "lignes).");
}
inline QString TooMuchMemory()
{
    return QCoreApplication::translate(
        "WorkbookImport",
        "Le classeur « %1 » est trop volumineux pour être importé : sa lecture demandait plus de "
        "%2 Mo de mémoire. La liste n’a pas été modifiée.");
}
inline QString PartTooLarge()
{
    return QCoreApplication::translate(
        "WorkbookImport",
        "Le classeur « %1 » est endommagé ou trop volumineux pour être importé : sa partie %2 "
        "dépasse %3 Mo une fois décompressée. La liste n’a pas été modifiée.");
}
inline QString TooLong()
{
    return QCoreApplication::translate(
        "WorkbookImport",
        "La lecture du classeur « %1 » a été arrêtée après %2 secondes : le fichier est trop "
        "volumineux ou endommagé. La liste n’a pas été modifiée.");
}
inline QString CellTooLong()
{
    return QCoreApplication::translate(
        "WorkbookImport",
        "Le classeur « %1 » ne peut pas être importé : feuille « %2 », ligne %3, colonne %4, une "
        "cellule contient plus de 32 767 caractères. La liste n’a pas été modifiée.");
}
inline constexpr TranslatedText OldXls{
    "WorkbookImport",
    QT_TRANSLATE_NOOP("WorkbookImport", "Le classeur « %1 » est au format Excel 95 ou plus ancien, "
                                        "qui n’est pas lu. Enregistrez-le "
                                        "au format .xlsx (ou Excel 97-2003) puis importez-le.")};
inline constexpr TranslatedText NoSheet{
    "WorkbookImport",
    QT_TRANSLATE_NOOP("WorkbookImport", "Le classeur « %1 » ne contient aucune feuille.")};
inline QString ReaderMissing()
{
    return QCoreApplication::translate(
        "WorkbookImport",
        "Le programme de lecture des classeurs « %1 » est introuvable ou ne démarre pas. "
        "Réinstallez Talvoro CCP.");
}
inline constexpr TranslatedText Interrupted{
    "WorkbookImport", QT_TRANSLATE_NOOP("WorkbookImport", "lecture interrompue")};

// A cell that gives no value refuses the import: "%6" says what was found.
inline QString Refused()
{
    return QCoreApplication::translate(
        "WorkbookImport",
        "Import annulé : dans le classeur « %1 », feuille « %2 », ligne %3, colonne %4 (%5), %6. "
        "La liste n’a pas été modifiée.");
}
inline constexpr TranslatedText NotAnAmount{
    "WorkbookImport", QT_TRANSLATE_NOOP("WorkbookImport", "« %1 » n’est pas un montant")};
inline constexpr TranslatedText FormulaError{
    "WorkbookImport", QT_TRANSLATE_NOOP("WorkbookImport", "la cellule donne l’erreur « %1 »")};
inline constexpr TranslatedText Boolean{
    "WorkbookImport",
    QT_TRANSLATE_NOOP("WorkbookImport", "la cellule contient la valeur logique « %1 »")};
inline QString FormulaWithoutResult()
{
    return QCoreApplication::translate(
        "WorkbookImport",
        "la formule n’a pas de résultat enregistré (ouvrez le classeur dans un tableur, laissez-le "
        "calculer et enregistrez-le)");
}
inline constexpr TranslatedText TooManyDecimals{
    "WorkbookImport",
    QT_TRANSLATE_NOOP("WorkbookImport", "« %1 » a plus de deux chiffres après la virgule : ce "
                                        "montant est ambigu (1,234 peut valoir "
                                        "1 234)")};
inline constexpr TranslatedText ControlCharacter{
    "WorkbookImport",
    QT_TRANSLATE_NOOP("WorkbookImport", "le texte contient un caractère de contrôle (U+%1)")};
inline constexpr TranslatedText AmountTooLarge{
    "WorkbookImport",
    QT_TRANSLATE_NOOP("WorkbookImport", "le montant « %1 » dépasse 13 chiffres de centimes")};
inline constexpr TranslatedText NotFinite{
    "WorkbookImport", QT_TRANSLATE_NOOP("WorkbookImport", "« %1 » n’est pas un nombre fini")};

// The text a boolean cell gives in the list: the cell's value, not a message, so it is not
// translated.
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
