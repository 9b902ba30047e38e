#pragma once

#include <QString>

// The program folder and the data folders beside it.
class Folders
{
public:
    // The folder of the running executable.
    Folders();
    // A given folder (tests, command-line front end).
    explicit Folders(QString programDir);

    const QString &programDir() const { return m_programDir; }
    // The path of a data folder ("Fichier_INI", "Fichier Txt", ...), created when missing.
    // Returns an empty text when it cannot be created.
    QString dataDir(const QString &name) const;

private:
    QString m_programDir;
};
