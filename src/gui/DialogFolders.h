#pragma once

#include <QString>

// The folder each file dialog last opened in, kept per user between runs, so a dialog opens
// where the clerk left it rather than in the program's folder.
namespace DialogFolders
{

// The folder the dialog named by key last chose a file in; empty when none is known or it
// no longer exists.
QString folderFor(const QString &key);
// Remembers the folder of a chosen file for the dialog named by key (nothing when empty).
void remember(const QString &key, const QString &chosenFile);
// Where a save dialog starts: the suggested file in the remembered folder when the
// suggestion names no folder of its own.
QString startingPath(const QString &key, const QString &suggested);

} // namespace DialogFolders
