#pragma once

#include <QString>

// The version manifest: section "UPDATE", keys "Version" and "URL".
struct Manifest {
    QString version;
    QString url;

    // Reads an INI text; a missing key reads as the empty text. Section and key names
    // match without regard to case, the first occurrence of a key counts, and one pair of
    // quotes around a value is removed.
    static Manifest parse(const QByteArray &iniText);
};
