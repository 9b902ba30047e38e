#pragma once

#include "HistoryArchive.h"

#include <QString>
#include <memory>

class Folders;

// Where the payment history lives. By default an SQLite file in the data folder
// "Historique"; an office whose workstations share one archive sets, in Direction.ini,
//   [Historique]
//   PostgreSQL=host=server dbname=talvoro user=clerk      (or: PostgreSQL=service=talvoro)
// The password never goes there: libpq reads it from the user's ~/.pgpass.
struct HistorySettings {
    static constexpr QStringView Section = u"Historique";
    static constexpr QStringView PostgresKey = u"PostgreSQL";

    QString postgres;   // a libpq connection string; empty: the SQLite file
    QString sqliteFile; // the SQLite archive's path

    // The settings of a program whose folders are these (Fichier_INI/Direction.ini).
    static HistorySettings read(const Folders &folders);
    // The same from a given settings file.
    static HistorySettings read(const Folders &folders, const QString &iniFile);

    // Opens the archive; throws UserError when it cannot be opened.
    std::unique_ptr<HistoryArchive> open() const;
    // For messages.
    QString location() const;
};
