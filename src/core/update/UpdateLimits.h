#pragma once

#include <QtGlobal>

// Bounds of the updater's requests, in milliseconds and bytes.
struct UpdateLimits {
    int connectMs = 3000; // to connect, the TLS handshake included
    int readMs = 3000;    // longest stretch without data
    int probeMs = 3000;   // the whole connectivity probe (its body is ignored)
    int manifestMs = 10000;
    int downloadMs = 30 * 60 * 1000;
    qint64 manifestBytes = 64 * 1024;
    qint64 programBytes = qint64(256) * 1024 * 1024; // well above the program's size
};
