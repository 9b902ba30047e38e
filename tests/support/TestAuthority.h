#pragma once

#include <QString>

// A certificate authority made for one test run, and a server certificate it signed for
// 127.0.0.1. Files live in the given folder.
struct TestAuthority {
    QString caFile;
    QString serverCertFile;
    QString serverKeyFile;

    // Makes the files with the openssl tool; throws std::runtime_error when it fails.
    static TestAuthority create(const QString &dir);
};
