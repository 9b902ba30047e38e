#pragma once

// Texts, colours and small helpers shared by the main window's source files.
#include "model/TranslatedText.h"
#include <QColor>
#include <QCoreApplication>
#include <QPalette>
#include <QString>
#include <QWidget>

namespace MainWindowShared
{

// Texts shown by the main window.
namespace Texts
{
inline constexpr TranslatedText Caption{"MainWindow",
                                        QT_TRANSLATE_NOOP("MainWindow", "Talvoro CCP")};
inline constexpr TranslatedText ImportFilter{
    "MainWindow",
    QT_TRANSLATE_NOOP("MainWindow", "All Files|*.*|Text Files (*.txt)|*.txt|Excel Files "
                                    "(*.xlsx;*.xls;*.ods)|*.xlsx;*.xls;*.ods")};
inline constexpr TranslatedText Imported{"MainWindow",
                                         QT_TRANSLATE_NOOP("MainWindow", "Imported: ")};
inline constexpr TranslatedText TypeCounts{"MainWindow",
                                           QT_TRANSLATE_NOOP("MainWindow", "D: %1\nI: %2\nP: %3")};
inline constexpr TranslatedText CleanCompleted{"MainWindow",
                                               QT_TRANSLATE_NOOP("MainWindow", "Clean completed.")};
inline constexpr TranslatedText DeleteAll{
    "MainWindow", QT_TRANSLATE_NOOP("MainWindow", "Supprimer tous les enregistrements ?")};
inline constexpr TranslatedText DeleteAllCount{"MainWindow",
                                               QT_TRANSLATE_NOOP("MainWindow", "\n(%1 lignes)")};
inline constexpr TranslatedText DeleteShown{
    "MainWindow",
    QT_TRANSLATE_NOOP("MainWindow", "Un filtre est en cours : supprimer les %1 lignes "
                                    "affichées ?\n(Les %2 lignes masquées sont gardées.)")};
inline constexpr TranslatedText ShownCount{
    "MainWindow", QT_TRANSLATE_NOOP("MainWindow", "%1 / %2 lignes affichées")};
inline constexpr TranslatedText UnreadableAmounts{
    "MainWindow", QT_TRANSLATE_NOOP("MainWindow", "Montants illisibles (hors totaux): %1")};
inline constexpr TranslatedText Saved{
    "MainWindow", QT_TRANSLATE_NOOP("MainWindow", "Modifications enregistrées avec succès.")};
inline constexpr TranslatedText Added{
    "MainWindow", QT_TRANSLATE_NOOP("MainWindow", "Nouvelle ligne ajoutée avec succès.")};
inline constexpr TranslatedText Written{"MainWindow",
                                        QT_TRANSLATE_NOOP("MainWindow", "%1 lignes écrites.")};
inline QString WrittenFiltered()
{
    return QCoreApplication::translate(
        "MainWindow", "%1 lignes écrites : seules les lignes affichées (un filtre est en cours).");
}
inline constexpr TranslatedText LineDeleted{
    "MainWindow",
    QT_TRANSLATE_NOOP("MainWindow", "Ligne %1 supprimée (%2, compte %3) : Ctrl+Z la rétablit.")};
inline QString PrintShown()
{
    return QCoreApplication::translate(
        "MainWindow", "Imprimer %1 lignes affichées sur %2 ? Les %3 lignes masquées ne figureront "
                      "pas sur la liste.");
}
inline QString PrintErrorsShown()
{
    return QCoreApplication::translate(
        "MainWindow", "Imprimer les erreurs des %1 lignes affichées sur %2 ? Les erreurs des %3 "
                      "lignes masquées ne figureront pas sur le rapport.");
}
inline QString ExportShown()
{
    return QCoreApplication::translate(
        "MainWindow", "Exporter %1 lignes affichées sur %2 ? Les %3 lignes masquées ne figureront "
                      "pas dans le fichier.");
}
inline QString LeaveUnexported()
{
    return QCoreApplication::translate(
        "MainWindow", "La liste a été modifiée depuis le dernier export : ces modifications seront "
                      "perdues.\nQuitter quand même ?");
}
inline constexpr TranslatedText ReplaceUnexported{
    "MainWindow",
    QT_TRANSLATE_NOOP("MainWindow", "La liste a été modifiée depuis le dernier export "
                                    ": ces modifications seront perdues.\nImporter "
                                    "quand même ?")};
inline constexpr TranslatedText ControlTitle{
    "MainWindow", QT_TRANSLATE_NOOP("MainWindow", "Contrôle des modifications depuis l’import")};
inline QString ExportWithChanges()
{
    return QCoreApplication::translate(
        "MainWindow", "La liste a été modifiée depuis l’import. Exporter la liste avec ces "
                      "modifications ?");
}
inline QString ControlUnavailable()
{
    return QCoreApplication::translate(
        "MainWindow",
        "La liste a été modifiée depuis l’import, mais les modifications les plus anciennes ne "
        "sont plus gardées (mémoire limitée) : elles ne peuvent plus être listées. Exporter la "
        "liste telle qu’elle est ?");
}
inline QString CompareWithLast()
{
    return QCoreApplication::translate(
        "MainWindow", "Comparer la liste avec le dernier export archivé (%1) ?\nNon : choisir un "
                      "fichier.");
}
inline constexpr TranslatedText RecentFiles{"MainWindow",
                                            QT_TRANSLATE_NOOP("MainWindow", "Fic&hiers récents")};
inline constexpr TranslatedText NoRecentFiles{"MainWindow",
                                              QT_TRANSLATE_NOOP("MainWindow", "(aucun)")};
inline constexpr TranslatedText Credit{
    "MainWindow", QT_TRANSLATE_NOOP("MainWindow", "Talvoro CCP — paie par virement CCP")};
inline constexpr TranslatedText PlaceStored{
    "MainWindow", QT_TRANSLATE_NOOP("MainWindow", "La saisie a été effectuée avec succès.")};
inline constexpr TranslatedText PlaceCaption{
    "MainWindow", QT_TRANSLATE_NOOP("MainWindow", "Saisie du lieu de l’ordonnateur :")};
inline constexpr TranslatedText PlacePrompt{
    "MainWindow",
    QT_TRANSLATE_NOOP("MainWindow", "Entrez le lieu (appuyez sur Shift+Enter pour une nouvelle "
                                    "ligne)\nLieu APC - Direction....:")};
inline constexpr TranslatedText PlaceCancelled{
    "MainWindow", QT_TRANSLATE_NOOP("MainWindow", "Vous n’avez pas saisi de lieu.")};
inline constexpr TranslatedText CodeCaption{"MainWindow",
                                            QT_TRANSLATE_NOOP("MainWindow", "Code Ordinateur")};
inline constexpr TranslatedText CodePrompt{
    "MainWindow", QT_TRANSLATE_NOOP("MainWindow", "Entrez le code ordinateur :")};
inline constexpr TranslatedText Exported{
    "MainWindow", QT_TRANSLATE_NOOP("MainWindow", "Fichier exporté avec succès : ")};
inline constexpr TranslatedText ExportMissing{
    "MainWindow", QT_TRANSLATE_NOOP("MainWindow", "Le fichier est introuvable : ")};
inline constexpr TranslatedText ImportedExcel{"MainWindow",
                                              QT_TRANSLATE_NOOP("MainWindow", "Imported Excel: ")};
inline constexpr TranslatedText ExcelDone{
    "MainWindow", QT_TRANSLATE_NOOP("MainWindow", "Import Excel terminé: %d lignes")};
inline constexpr TranslatedText ExcelCodeCaption{
    "MainWindow", QT_TRANSLATE_NOOP("MainWindow", "Copier les messages en arabe")};
inline constexpr TranslatedText ExcelCodePrompt{
    "MainWindow", QT_TRANSLATE_NOOP("MainWindow", "Entrez le code de l'ordonnateur :")};
inline constexpr TranslatedText ExcelWritten{
    "MainWindow", QT_TRANSLATE_NOOP("MainWindow", "Fichier Excel créé : ")};
inline constexpr TranslatedText ExcelCreated{
    "MainWindow", QT_TRANSLATE_NOOP("MainWindow", "Le fichier a été créé avec succès :")};
inline constexpr TranslatedText ExcelMissing{
    "MainWindow",
    QT_TRANSLATE_NOOP("MainWindow", "Le fichier n’a pas été trouvé après l’exportation : ")};
inline constexpr TranslatedText Undo{"MainWindow", QT_TRANSLATE_NOOP("MainWindow", "Annuler")};
inline constexpr TranslatedText Redo{"MainWindow", QT_TRANSLATE_NOOP("MainWindow", "Rétablir")};
inline QString UndoDropped()
{
    return QCoreApplication::translate(
        "MainWindow", "Annuler : les étapes plus anciennes ne sont plus gardées (mémoire limitée)");
}
inline constexpr TranslatedText JournalFound{
    "MainWindow",
    QT_TRANSLATE_NOOP("MainWindow", "Une liste non exportée de %1 lignes a été retrouvée "
                                    "(dernière modification le %2). La reprendre ?")};
inline constexpr TranslatedText JournalDate{
    "MainWindow", QT_TRANSLATE_NOOP("MainWindow", "dd/MM/yyyy 'à' hh:mm")};
inline QString JournalSetAside()
{
    return QCoreApplication::translate(
        "MainWindow",
        "%1\nLa liste qu’il gardait n’a pas pu être reprise ; il a été mis de côté : %2");
}
inline QString JournalNotKept()
{
    return QCoreApplication::translate(
        "MainWindow",
        "%1\nLa liste n’est plus gardée en cas d’arrêt brutal : exportez-la dès que possible. "
        "L’ancien journal a été retiré pour ne jamais être proposé à la place de la liste.");
}
inline constexpr TranslatedText JournalFailingMark{
    "MainWindow", QT_TRANSLATE_NOOP("MainWindow", "Journal non écrit")};
inline QString JournalHeldElsewhere()
{
    return QCoreApplication::translate(
        "MainWindow",
        "Une autre fenêtre de Talvoro CCP est ouverte et tient la liste non exportée (journal « %1 "
        "») : elle n’est ni proposée ni effacée ici.\nLes modifications faites dans cette "
        "fenêtre-ci ne sont pas gardées en cas d’arrêt brutal : exportez-les avant de la fermer.");
}
inline constexpr TranslatedText JournalHeldMark{
    "MainWindow", QT_TRANSLATE_NOOP("MainWindow", "Sans journal (autre fenêtre ouverte)")};
} // namespace Texts

const QColor TooltipYellow(255, 255, 225);
const QColor Navy(0, 0, 128);
const QColor FilterGreen(0xE3, 0xF9, 0x9B);
const QColor RipGreen(0, 255, 0), CcpYellow(255, 255, 0), ErrorRed(255, 0, 0);

inline void setBackground(QWidget *w, const QColor &c)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Base, c);
    p.setColor(QPalette::Window, c);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

inline void setTextColour(QWidget *w, const QColor &c)
{
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, c);
    p.setColor(QPalette::Text, c);
    w->setPalette(p);
}

// "prefix" followed by n.
inline QString counted(const QString &prefix, int n)
{
    return prefix + QString::number(n);
}

} // namespace MainWindowShared
