#pragma once

#include <QString>
#include <QStringView>

// The program folder and the data folders ("Fichier_INI", "Fichier Txt", ...). The data
// folders lie beside the executable; when that folder cannot be written (an installed
// copy), they go to the user's application data folder instead.
class Folders
{
public:
    // The data folders, by what they hold (their names are the clerk's, in French).
    static constexpr QStringView SettingsFolder = u"Fichier_INI";
    static constexpr QStringView TextExportFolder = u"Fichier Txt";
    static constexpr QStringView WorkbookExportFolder = u"Fichier Excel";
    // Made by a text import, as the office's earlier program did; nothing is written to it.
    static constexpr QStringView ErrorReportsFolder = u"Error_Reports";
    static constexpr QStringView HistoryFolder = u"Historique";
    // The files directly under the data root or in a data folder.
    static constexpr QStringView SettingsFileName = u"Direction.ini";
    static constexpr QStringView HistoryFileName = u"paiements.sqlite";
    static constexpr QStringView JournalFile = u"Journal/liste.journal";
    // Hidden, beside the journal's folder: one window at a time owns the journal.
    static constexpr QStringView JournalLockFile = u".liste.journal.lock";

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
    QString dataDir(QStringView name) const { return dataDir(name.toString()); }
    // A path under the data root, nothing created.
    QString dataPath(QStringView relative) const;
    // Fichier_INI/Direction.ini; its folder is created when missing.
    QString settingsFile() const;

    // True when a file can be created in dir.
    static bool isWritableDir(const QString &dir);

private:
    QString m_programDir;
    QString m_dataRoot;
};
