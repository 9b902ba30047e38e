#pragma once

#include "HttpClient.h"
#include "TlsLibraries.h"

#include <QString>
#include <memory>
#include <vector>

class UpdaterUi;

// Tells at start whether the machine is online, which version runs and which one the web
// server offers; on request downloads the offered program beside the running one, starts it
// and ends the running program.
class TUpdater final
{
public:
    // Where the updater looks and writes.
    struct Places {
        QString programDir; // the new program is saved here
        QString tempDir;    // the manifest's copy "Version.ini" is saved here
        QString probeUrl;   // answers 204 when online; empty means offline
        std::vector<TlsLibraryFile> tlsFiles;
    };

    // Borrows the client and the controls (neither is owned); disables the update button.
    TUpdater(std::shared_ptr<HttpClient> http, UpdaterUi &ui, QString iniUrl, Places places);
    ~TUpdater();
    TUpdater(const TUpdater &) = delete;
    TUpdater &operator=(const TUpdater &) = delete;

    const QString &ServerVersion() const { return FServerVersion; }
    const QString &AppURL() const { return FAppURL; }
    const QString &CurrentVersion() const { return FCurrentVersion; }

    // The start-up check: light, labels and button.
    void ShowStatus();
    // Downloads the offered program, starts it and ends this one. Throws UserError when
    // the download fails or the program cannot be started; nothing is left half-written.
    void DownloadUpdate();

    // "Talvoro_New.exe" on Windows, "Talvoro_New" elsewhere.
    static QString newProgramName();
    QString newProgramPath() const;

    static constexpr int TimeoutMs = 3000;

private:
    static QString GetAppVersionStr();
    bool CheckInternet();
    bool CheckOpenSSL();
    bool IsServerVersionNewer() const;
    void HTTPWorkBegin(qint64 countMax);
    void HTTPWork(qint64 count);
    void HTTPWorkEnd();

    QString FCurrentVersion;
    QString FServerVersion;
    QString FAppURL;
    QString FIniURL;
    std::shared_ptr<HttpClient> FHTTP;
    UpdaterUi &m_ui;
    Places m_places;
};
