#pragma once

#include <QString>

// The program folder and the data folders ("Fichier_INI", "Fichier Txt", ...). The data
// folders lie beside the executable; when that folder cannot be written (an installed
// copy), they go to the user's application data folder instead.
class Folders
{
public:
    // The folder of the running executable.
    Folders();
    // A given program folder (tests, command-line front end).
    explicit Folders(QString programDir);

    const QString &programDir() const { return m_programDir; }
    // Where the data folders go: the program folder, or the per-user folder.
    const QString &dataRoot() const { return m_dataRoot; }
    // True for an installed copy, whose program folder is not ours to write or clean.
    bool installed() const { return m_dataRoot != m_programDir; }
    // The path of a data folder, created when missing; an empty text when it cannot be.
    QString dataDir(const QString &name) const;

    // True when a file can be created in dir.
    static bool isWritableDir(const QString &dir);

private:
    QString m_programDir;
    QString m_dataRoot;
};
