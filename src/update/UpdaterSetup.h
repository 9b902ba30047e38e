#pragma once

#include "HttpClient.h"
#include "TlsLibraries.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// Where the updater looks and what it uses. The program takes the build-time addresses;
// tests give local ones and their own client.
struct UpdaterSetup {
    QString manifestUrl; // the version manifest "Version.ini"
    QString probeUrl;    // an address that answers 204; empty means "offline" without asking
    std::shared_ptr<HttpClient> http;                    // a libcurl client when empty
    std::optional<std::vector<TlsLibraryFile>> tlsFiles; // the platform's when not given
    QString tempDir;                                     // the user's temporary folder when empty
    std::function<void()> quit; // ends the program; the application's exit when empty

    // The build-time addresses.
    static UpdaterSetup buildDefaults();
};
