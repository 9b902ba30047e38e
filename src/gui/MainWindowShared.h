#pragma once

// Texts, colours and small helpers shared by the main window's source files.
#include <QColor>
#include <QPalette>
#include <QString>
#include <QWidget>

namespace MainWindowShared
{

// Texts shown by the main window.
namespace Texts
{
const QString Caption = QStringLiteral("Talvoro CCP");
const QString ImportFilter = QStringLiteral(
    "All Files|*.*|Text Files (*.txt)|*.txt|Excel Files (*.xlsx;*.xls;*.ods)|*.xlsx;*.xls;*.ods");
const QString Imported = QStringLiteral("Imported: ");
const QString TypeCounts = QStringLiteral("D: %1\nI: %2\nP: %3");
const QString CleanCompleted = QStringLiteral("Clean completed.");
const QString DeleteAll = QStringLiteral("Supprimer tous les enregistrements ?");
const QString DeleteAllCount = QStringLiteral("\n(%1 lignes)");
const QString DeleteShown = QStringLiteral("Un filtre est en cours : supprimer les %1 lignes "
                                           "affichées ?\n(Les %2 lignes masquées sont gardées.)");
const QString ShownCount = QStringLiteral("%1 / %2 lignes affichées");
const QString UnreadableAmounts = QStringLiteral("Montants illisibles (hors totaux): %1");
const QString Saved = QStringLiteral("Modifications enregistrées avec succès.");
const QString Added = QStringLiteral("Nouvelle ligne ajoutée avec succès.");
const QString Written = QStringLiteral("%1 lignes écrites.");
const QString WrittenFiltered =
    QStringLiteral("%1 lignes écrites : seules les lignes affichées (un filtre est en cours).");
const QString LineDeleted =
    QStringLiteral("Ligne %1 supprimée (%2, compte %3) : Ctrl+Z la rétablit.");
const QString PrintShown =
    QStringLiteral("Imprimer %1 lignes affichées sur %2 ? Les %3 lignes masquées ne figureront "
                   "pas sur la liste.");
const QString PrintErrorsShown =
    QStringLiteral("Imprimer les erreurs des %1 lignes affichées sur %2 ? Les erreurs des %3 "
                   "lignes masquées ne figureront pas sur le rapport.");
const QString ExportShown =
    QStringLiteral("Exporter %1 lignes affichées sur %2 ? Les %3 lignes masquées ne figureront "
                   "pas dans le fichier.");
const QString LeaveUnexported =
    QStringLiteral("La liste a été modifiée depuis le dernier export : ces modifications seront "
                   "perdues.\nQuitter quand même ?");
const QString ReplaceUnexported = QStringLiteral("La liste a été modifiée depuis le dernier export "
                                                 ": ces modifications seront perdues.\nImporter "
                                                 "quand même ?");
const QString ControlTitle = QStringLiteral("Contrôle des modifications depuis l’import");
const QString ExportWithChanges =
    QStringLiteral("La liste a été modifiée depuis l’import. Exporter la liste avec ces "
                   "modifications ?");
const QString ControlUnavailable = QStringLiteral(
    "La liste a été modifiée depuis l’import, mais les modifications les plus anciennes ne "
    "sont plus gardées (mémoire limitée) : elles ne peuvent plus être listées. Exporter la "
    "liste telle qu’elle est ?");
const QString CompareWithLast =
    QStringLiteral("Comparer la liste avec le dernier export archivé (%1) ?\nNon : choisir un "
                   "fichier.");
const QString RecentFiles = QStringLiteral("Fic&hiers récents");
const QString NoRecentFiles = QStringLiteral("(aucun)");
const QString Credit = QStringLiteral("Talvoro CCP — paie par virement CCP");
const QString PlaceStored = QStringLiteral("La saisie a été effectuée avec succès.");
const QString PlaceCaption = QStringLiteral("Saisie du lieu de l’ordonnateur :");
const QString PlacePrompt = QStringLiteral(
    "Entrez le lieu (appuyez sur Shift+Enter pour une nouvelle ligne)\nLieu APC - Direction....:");
const QString PlaceCancelled = QStringLiteral("Vous n’avez pas saisi de lieu.");
const QString CodeCaption = QStringLiteral("Code Ordinateur");
const QString CodePrompt = QStringLiteral("Entrez le code ordinateur :");
const QString Exported = QStringLiteral("Fichier exporté avec succès : ");
const QString ExportMissing = QStringLiteral("Le fichier est introuvable : ");
const QString ImportedExcel = QStringLiteral("Imported Excel: ");
const QString ExcelDone = QStringLiteral("Import Excel terminé: %d lignes");
const QString ExcelCodeCaption = QStringLiteral("Copier les messages en arabe");
const QString ExcelCodePrompt = QStringLiteral("Entrez le code de l'ordonnateur :");
const QString ExcelWritten = QStringLiteral("Fichier Excel créé : ");
const QString ExcelCreated = QStringLiteral("Le fichier a été créé avec succès :");
const QString ExcelMissing = QStringLiteral("Le fichier n’a pas été trouvé après l’exportation : ");
const QString Undo = QStringLiteral("Annuler");
const QString Redo = QStringLiteral("Rétablir");
const QString UndoDropped =
    QStringLiteral("Annuler : les étapes plus anciennes ne sont plus gardées (mémoire limitée)");
const QString JournalFound = QStringLiteral("Une liste non exportée de %1 lignes a été retrouvée "
                                            "(dernière modification le %2). La reprendre ?");
const QString JournalDate = QStringLiteral("dd/MM/yyyy 'à' hh:mm");
const QString JournalSetAside = QStringLiteral(
    "%1\nLa liste qu’il gardait n’a pas pu être reprise ; il a été mis de côté : %2");
const QString JournalNotKept = QStringLiteral(
    "%1\nLa liste n’est plus gardée en cas d’arrêt brutal : exportez-la dès que possible. "
    "L’ancien journal a été retiré pour ne jamais être proposé à la place de la liste.");
const QString JournalFailingMark = QStringLiteral("Journal non écrit");
const QString JournalHeldElsewhere = QStringLiteral(
    "Une autre fenêtre de Talvoro CCP est ouverte et tient la liste non exportée (journal « %1 "
    "») : elle n’est ni proposée ni effacée ici.\nLes modifications faites dans cette "
    "fenêtre-ci ne sont pas gardées en cas d’arrêt brutal : exportez-les avant de la fermer.");
const QString JournalHeldMark = QStringLiteral("Sans journal (autre fenêtre ouverte)");
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
inline QString counted(const char *prefix, int n)
{
    return QString::fromUtf8(prefix) + QString::number(n);
}

} // namespace MainWindowShared
