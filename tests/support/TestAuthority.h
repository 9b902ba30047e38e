#pragma once

#include <QString>

// A certificate authority made for one test run, a server certificate it signed for
// 127.0.0.1, and one it signed for another host name. Files live in the given folder.
struct TestAuthority {
    QString caFile;
    QString serverCertFile;
    QString serverKeyFile;
    QString otherHostCertFile; // for "elsewhere.invalid" only
    QString otherHostKeyFile;

    // Makes the files with the openssl tool; throws std::runtime_error when it fails.
    static TestAuthority create(const QString &dir);
};
