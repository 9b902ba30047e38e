#pragma once

#include <QString>
#include <vector>

// A library file the HTTP client's TLS layer loads: its file name as shown to the clerk and
// where it is on disk (empty when it could not be found).
struct TlsLibraryFile {
    QString name;
    QString path;
};

// The TLS library files of this platform, the crypto library first, then the TLS library.
std::vector<TlsLibraryFile> tlsLibraryFiles(const QString &programDir);
