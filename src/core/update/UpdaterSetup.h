#pragma once

#include "HttpClient.h"
#include "UpdateLimits.h"
#include "platform/TlsLibraries.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// Where the updater looks and what it uses. The program takes the build-time addresses and
// key; tests give local ones, their own client and key.
struct UpdaterSetup {
    QString manifestUrl; // the version manifest "Version.ini", https
    QString probeUrl;    // an address that answers 204; empty means "offline" without asking
    // The publisher's Ed25519 public key, base64 of its 32 bytes. Without it no program is
    // downloaded: the clerk is told where to get the new version.
    QString publicKey;
    std::shared_ptr<HttpClient> http;                    // a libcurl client when empty
    std::optional<std::vector<TlsLibraryFile>> tlsFiles; // the platform's when not given
    UpdateLimits limits;
    std::function<void()> quit; // ends the program; the application's exit when empty

    // The build-time addresses and key.
    static UpdaterSetup buildDefaults();
};
