#pragma once

#include "HttpClient.h"
#include "Manifest.h"
#include "UpdateLimits.h"
#include "platform/TlsLibraries.h"

#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

class QTimer;
class UpdaterUi;

// Tells whether the machine is online, which version runs and which one the web server
// offers; on request downloads the offered program beside the running one, checks that the
// publisher signed it, starts it and ends the running program.
//
// Every request runs on a worker thread with a deadline and a size cap; the results come
// back to the window's thread, where the controls are set. Destroying the updater cancels
// the request in flight and waits for the worker, which stops within a fraction of a second.
class Updater final : public QObject
{
    Q_OBJECT
public:
    struct Places {
        QString programDir; // the new program is saved here
        QString probeUrl;   // answers 204 when online; empty means offline
        std::vector<TlsLibraryFile> tlsFiles;
        bool installedCopy = false; // a package's copy: it may not replace itself
    };

    // Borrows the client and the controls (neither is owned); disables the update button.
    // `publicKey` is the publisher's Ed25519 key, base64 (empty: downloads are not made).
    Updater(std::shared_ptr<HttpClient> http, UpdaterUi &ui, QString manifestUrl, Places places,
            const QString &publicKey, UpdateLimits limits = {});
    ~Updater() override;

    const QString &serverVersion() const { return m_manifest.version; }
    // Why the last check or download ended as it did; empty when all went well.
    const QString &statusDetail() const { return m_detail; }
    bool checking() const { return m_checking; }
    bool downloading() const { return m_downloading; }

    // Starts the check (light, labels, button) and returns at once: the light shows
    // "checking" until the answers arrive.
    void showStatus();
    // The update button: cancels a running download; for a copy that may not download,
    // says where the new version is; otherwise asks, then downloads.
    void updateRequested();
    // Starts downloading the offered program. When it is whole and its digest is the signed
    // one, it is made executable, started, and this program ends; otherwise the error box
    // says why and no file is left.
    void downloadUpdate();
    void cancel();

    // "Talvoro_New.exe" on Windows, "Talvoro_New" elsewhere.
    static QString newProgramName();
    QString newProgramPath() const;

signals:
    void checkFinished();
    void downloadFinished();

private:
    struct DownloadResult;

    bool checkTlsLibraries();
    bool isServerVersionNewer() const;
    // Empty when the manifest may be trusted; otherwise why not.
    QString manifestProblem(const Manifest &m) const;
    void showOffline();
    void onProbed(bool online);
    void onManifest(const QByteArray &text, const QString &error);
    void finishCheck();
    void onDownloaded(const DownloadResult &result);
    void showProgress();
    HttpRequest request(const QString &url, int deadlineMs, qint64 maxBytes) const;
    // Runs `work` on the worker thread (one job at a time).
    void runInBackground(std::function<void()> work);
    // Runs `step` on the window's thread, unless the updater is gone by then.
    void post(std::function<void()> step);
    static DownloadResult download(HttpClient &http, const HttpRequest &request,
                                   const QString &path, const QString &sha256);

    std::shared_ptr<HttpClient> m_http;
    UpdaterUi &m_ui;
    QString m_manifestUrl;
    Places m_places;
    QByteArray m_publicKey;
    bool m_keyGiven;
    UpdateLimits m_limits;
    QString m_currentVersion;
    Manifest m_manifest;
    QString m_detail;
    bool m_checking = false;
    bool m_downloading = false;

    std::thread m_worker;
    std::atomic<bool> m_cancel{false};
    std::atomic<qint64> m_received{0};
    std::atomic<qint64> m_total{0};
    qint64 m_shownTotal = -1;
    QTimer *m_progressTimer;
};
