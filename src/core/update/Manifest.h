#pragma once

#include <QString>

// The version manifest: section "UPDATE", keys "Version" and "URL", and for a signed
// release "SHA256" (the program's digest, hex) and "Signature" (base64); "Package" is where
// an installed copy's users get the new package.
struct Manifest {
    QString version;
    QString url;
    QString sha256;
    QString signature;
    QString package;

    // Reads an INI text; a missing key reads as the empty text. Section and key names
    // match without regard to case, the first occurrence of a key counts, and one pair of
    // quotes around a value is removed.
    static Manifest parse(const QByteArray &iniText);
};
