#pragma once

// Texts, colours and small helpers shared by the main window's source files.
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
inline QString Caption()
{
    return QCoreApplication::translate("MainWindow", "Talvoro CCP");
}
inline QString ImportFilter()
{
    return QCoreApplication::translate("MainWindow",
                                       "All Files|*.*|Text Files (*.txt)|*.txt|Excel Files "
                                       "(*.xlsx;*.xls;*.ods)|*.xlsx;*.xls;*.ods");
}
inline QString Imported()
{
    return QCoreApplication::translate("MainWindow", "Imported: ");
}
inline QString TypeCounts()
{
    return QCoreApplication::translate("MainWindow", "D: %1\nI: %2\nP: %3");
}
inline QString CleanCompleted()
{
    return QCoreApplication::translate("MainWindow", "Clean completed.");
}
inline QString DeleteAll()
{
    return QCoreApplication::translate("MainWindow", "Supprimer tous les enregistrements ?");
}
inline QString DeleteAllCount()
{
    return QCoreApplication::translate("MainWindow", "\n(%1 lignes)");
}
inline QString DeleteShown()
{
    return QCoreApplication::translate("MainWindow",
                                       "Un filtre est en cours : supprimer les %1 lignes "
                                       "affichées ?\n(Les %2 lignes masquées sont gardées.)");
}
inline QString ShownCount()
{
    return QCoreApplication::translate("MainWindow", "%1 / %2 lignes affichées");
}
inline QString UnreadableAmounts()
{
    return QCoreApplication::translate("MainWindow", "Montants illisibles (hors totaux): %1");
}
inline QString Saved()
{
    return QCoreApplication::translate("MainWindow", "Modifications enregistrées avec succès.");
}
inline QString Added()
{
    return QCoreApplication::translate("MainWindow", "Nouvelle ligne ajoutée avec succès.");
}
inline QString Written()
{
    return QCoreApplication::translate("MainWindow", "%1 lignes écrites.");
}
inline QString WrittenFiltered()
{
    return QCoreApplication::translate(
        "MainWindow", "%1 lignes écrites : seules les lignes affichées (un filtre est en cours).");
}
inline QString LineDeleted()
{
    return QCoreApplication::translate("MainWindow",
                                       "Ligne %1 supprimée (%2, compte %3) : Ctrl+Z la rétablit.");
}
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
inline QString ReplaceUnexported()
{
    return QCoreApplication::translate("MainWindow",
                                       "La liste a été modifiée depuis le dernier export "
                                       ": ces modifications seront perdues.\nImporter "
                                       "quand même ?");
}
inline QString ControlTitle()
{
    return QCoreApplication::translate("MainWindow", "Contrôle des modifications depuis l’import");
}
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
inline QString RecentFiles()
{
    return QCoreApplication::translate("MainWindow", "Fic&hiers récents");
}
inline QString NoRecentFiles()
{
    return QCoreApplication::translate("MainWindow", "(aucun)");
}
inline QString Credit()
{
    return QCoreApplication::translate("MainWindow", "Talvoro CCP — paie par virement CCP");
}
inline QString PlaceStored()
{
    return QCoreApplication::translate("MainWindow", "La saisie a été effectuée avec succès.");
}
inline QString PlaceCaption()
{
    return QCoreApplication::translate("MainWindow", "Saisie du lieu de l’ordonnateur :");
}
inline QString PlacePrompt()
{
    return QCoreApplication::translate("MainWindow",
                                       "Entrez le lieu (appuyez sur Shift+Enter pour une nouvelle "
                                       "ligne)\nLieu APC - Direction....:");
}
inline QString PlaceCancelled()
{
    return QCoreApplication::translate("MainWindow", "Vous n’avez pas saisi de lieu.");
}
inline QString CodeCaption()
{
    return QCoreApplication::translate("MainWindow", "Code Ordinateur");
}
inline QString CodePrompt()
{
    return QCoreApplication::translate("MainWindow", "Entrez le code ordinateur :");
}
inline QString Exported()
{
    return QCoreApplication::translate("MainWindow", "Fichier exporté avec succès : ");
}
inline QString ExportMissing()
{
    return QCoreApplication::translate("MainWindow", "Le fichier est introuvable : ");
}
inline QString ImportedExcel()
{
    return QCoreApplication::translate("MainWindow", "Imported Excel: ");
}
inline QString ExcelDone()
{
    return QCoreApplication::translate("MainWindow", "Import Excel terminé: %d lignes");
}
inline QString ExcelCodeCaption()
{
    return QCoreApplication::translate("MainWindow", "Copier les messages en arabe");
}
inline QString ExcelCodePrompt()
{
    return QCoreApplication::translate("MainWindow", "Entrez le code de l'ordonnateur :");
}
inline QString ExcelWritten()
{
    return QCoreApplication::translate("MainWindow", "Fichier Excel créé : ");
}
inline QString ExcelCreated()
{
    return QCoreApplication::translate("MainWindow", "Le fichier a été créé avec succès :");
}
inline QString ExcelMissing()
{
    return QCoreApplication::translate("MainWindow",
                                       "Le fichier n’a pas été trouvé après l’exportation : ");
}
inline QString Undo()
{
    return QCoreApplication::translate("MainWindow", "Annuler");
}
inline QString Redo()
{
    return QCoreApplication::translate("MainWindow", "Rétablir");
}
inline QString UndoDropped()
{
    return QCoreApplication::translate(
        "MainWindow", "Annuler : les étapes plus anciennes ne sont plus gardées (mémoire limitée)");
}
inline QString JournalFound()
{
    return QCoreApplication::translate("MainWindow",
                                       "Une liste non exportée de %1 lignes a été retrouvée "
                                       "(dernière modification le %2). La reprendre ?");
}
inline QString JournalDate()
{
    return QCoreApplication::translate("MainWindow", "dd/MM/yyyy 'à' hh:mm");
}
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
inline QString JournalFailingMark()
{
    return QCoreApplication::translate("MainWindow", "Journal non écrit");
}
inline QString JournalHeldElsewhere()
{
    return QCoreApplication::translate(
        "MainWindow",
        "Une autre fenêtre de Talvoro CCP est ouverte et tient la liste non exportée (journal « %1 "
        "») : elle n’est ni proposée ni effacée ici.\nLes modifications faites dans cette "
        "fenêtre-ci ne sont pas gardées en cas d’arrêt brutal : exportez-les avant de la fermer.");
}
inline QString JournalHeldMark()
{
    return QCoreApplication::translate("MainWindow", "Sans journal (autre fenêtre ouverte)");
}
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
