#include "Updater.h"

#include "platform/Platform.h"
#include "platform/SaveFile.h"

#include "ReleaseSignature.h"
#include "UpdateTexts.h"
#include "UpdaterUi.h"
#include "Version.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <QUrl>
#include <limits>

namespace
{

const QColor Red(255, 0, 0);
const QColor Green(0, 255, 0);
const QColor Checking(192, 192, 192);
const int ProgressIntervalMs = 100;
// The probe reads no body; this only bounds what a misbehaving answer may send.
const qint64 ProbeBytes = 4096;

int toInt(qint64 n)
{
    return int(std::clamp<qint64>(n, 0, std::numeric_limits<int>::max()));
}

} // namespace

struct Updater::DownloadResult {
    bool ok = false;
    bool cancelled = false;
    QString error;
};

Updater::Updater(std::shared_ptr<HttpClient> http, UpdaterUi &ui, QString manifestUrl,
                 Places places, const QString &publicKey, UpdateLimits limits)
    : m_http(std::move(http)), m_ui(ui), m_manifestUrl(std::move(manifestUrl)),
      m_places(std::move(places)), m_publicKey(ReleaseSignature::publicKeyFromBase64(publicKey)),
      m_keyGiven(!publicKey.trimmed().isEmpty()), m_limits(limits),
      m_currentVersion(Version::appVersion()), m_progressTimer(new QTimer(this))
{
    m_progressTimer->setInterval(ProgressIntervalMs);
    connect(m_progressTimer, &QTimer::timeout, this, &Updater::showProgress);
    m_ui.setButtonEnabled(false);
}

Updater::~Updater()
{
    // Posted steps die with the object; the worker only needs to notice the cancel.
    m_cancel = true;
    if (m_worker.joinable()) m_worker.join();
}

QString Updater::newProgramName()
{
    return Platform::executableName(QStringLiteral("Talvoro_New"));
}

QString Updater::newProgramPath() const
{
    return QDir(m_places.programDir).filePath(newProgramName());
}

void Updater::runInBackground(std::function<void()> work)
{
    if (m_worker.joinable()) m_worker.join(); // the previous job has posted its end already
    m_cancel = false;
    m_worker = std::thread(std::move(work));
}

void Updater::post(std::function<void()> step)
{
    QMetaObject::invokeMethod(this, std::move(step), Qt::QueuedConnection);
}

HttpRequest Updater::request(const QString &url, int deadlineMs, qint64 maxBytes) const
{
    HttpRequest r;
    r.url = url;
    r.connectMs = m_limits.connectMs;
    r.readMs = m_limits.readMs;
    r.deadlineMs = deadlineMs;
    r.maxBytes = maxBytes;
    r.cancel = &m_cancel;
    return r;
}

bool Updater::checkTlsLibraries()
{
    bool ok = true;
    for (const TlsLibraryFile &f : m_places.tlsFiles) {
        if (f.path.isEmpty() || !QFileInfo(f.path).isFile()) {
            m_ui.message(UpdateTexts::LibraryMissing().arg(f.name));
            ok = false;
        }
    }
    return ok;
}

bool Updater::isServerVersionNewer() const
{
    return Version::isNewer(m_currentVersion, m_manifest.version);
}

QString Updater::manifestProblem(const Manifest &m) const
{
    // A copy without the key cannot judge; it never downloads (see updateRequested).
    if (!m_keyGiven) return QString();
    if (m.signature.isEmpty()) return UpdateTexts::NotSigned();
    if (!ReleaseSignature::isSha256Hex(m.sha256)) return UpdateTexts::NoDigest();
    const auto signature = QByteArray::fromBase64Encoding(m.signature.toLatin1(),
                                                          QByteArray::AbortOnBase64DecodingErrors);
    if (!signature ||
        !ReleaseSignature::verify(m_publicKey, ReleaseSignature::signedText(m.version, m.sha256),
                                  *signature))
        return UpdateTexts::BadSignature();
    return QString();
}

// --- the check ---

void Updater::showStatus()
{
    if (m_checking || m_downloading) return;
    if (m_places.probeUrl.isEmpty()) {
        showOffline();
        emit checkFinished();
        return;
    }
    m_checking = true;
    m_ui.setLight(Checking);
    m_ui.setStatusDetail(UpdateTexts::Checking());
    HttpRequest probe = request(m_places.probeUrl, m_limits.probeMs, ProbeBytes);
    probe.httpsOnly = false;
    probe.bodyIgnored = true;
    runInBackground([this, probe, http = m_http] {
        bool online = true;
        try {
            http->get(probe, nullptr);
        } catch (const HttpError &) {
            online = false;
        }
        post([this, online] { onProbed(online); });
    });
}

void Updater::showOffline()
{
    m_ui.setLight(Red);
    m_ui.setServerText(UpdateTexts::Offline());
    m_ui.setButtonEnabled(false);
    m_detail = UpdateTexts::OfflineDetail();
    m_ui.setStatusDetail(m_detail);
}

void Updater::onProbed(bool online)
{
    if (!online) {
        showOffline();
        finishCheck();
        return;
    }
    m_ui.setLight(Green);
    m_ui.setLocalText(UpdateTexts::CurrentVersion() + m_currentVersion);
    if (!checkTlsLibraries()) {
        m_detail.clear();
        m_ui.setStatusDetail(m_detail);
        finishCheck();
        return;
    }
    // The manifest is kept in memory only.
    const HttpRequest r = request(m_manifestUrl, m_limits.manifestMs, m_limits.manifestBytes);
    runInBackground([this, r, http = m_http] {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QString error;
        try {
            http->get(r, &buffer);
        } catch (const HttpError &e) {
            error = e.message();
        }
        post([this, text = buffer.data(), error] { onManifest(text, error); });
    });
}

void Updater::onManifest(const QByteArray &text, const QString &error)
{
    const Manifest manifest = Manifest::parse(text);
    m_detail =
        error.isEmpty() ? manifestProblem(manifest) : UpdateTexts::ReadErrorDetail().arg(error);
    m_ui.setStatusDetail(m_detail);
    if (!m_detail.isEmpty()) {
        m_ui.setServerText(UpdateTexts::ReadError());
        finishCheck();
        return;
    }
    m_manifest = manifest;
    m_ui.setServerText(UpdateTexts::ServerVersion() + m_manifest.version);
    m_ui.setButtonEnabled(isServerVersionNewer());
    finishCheck();
}

void Updater::finishCheck()
{
    m_checking = false;
    emit checkFinished();
}

// --- the download ---

void Updater::updateRequested()
{
    if (m_downloading) {
        cancel();
        return;
    }
    if (m_checking) return;
    if (m_places.installedCopy || !m_keyGiven) {
        const QString where = m_manifest.package.isEmpty() ? m_manifest.url : m_manifest.package;
        if (where.isEmpty())
            m_ui.message(UpdateTexts::NoUpdateLink());
        else
            m_ui.message(
                (m_places.installedCopy ? UpdateTexts::GetPackage() : UpdateTexts::GetUnsigned())
                    .arg(m_manifest.version, where));
        return;
    }
    if (m_ui.question(UpdateTexts::ConfirmDownload())) downloadUpdate();
}

void Updater::cancel()
{
    m_cancel = true;
}

void Updater::downloadUpdate()
{
    if (m_checking || m_downloading) return;
    if (!checkTlsLibraries()) return;
    if (m_manifest.url.isEmpty()) {
        m_ui.message(UpdateTexts::NoUpdateLink());
        return;
    }
    if (!m_keyGiven || !manifestProblem(m_manifest).isEmpty()) return; // never offered
    if (QUrl(m_manifest.url).scheme().compare(u"https", Qt::CaseInsensitive) != 0) {
        m_detail = UpdateTexts::NotHttps().arg(m_manifest.url);
        m_ui.error(m_detail);
        return;
    }
    m_downloading = true;
    m_received = 0;
    m_total = 0;
    m_shownTotal = -1;
    m_ui.setDownloading(true);
    m_ui.progressBegin(0);
    m_progressTimer->start();
    HttpRequest r = request(m_manifest.url, m_limits.downloadMs, m_limits.programBytes);
    r.progress = [this](qint64 received, qint64 total) {
        m_received = received;
        m_total = total;
    };
    runInBackground([this, r, http = m_http, path = newProgramPath(), sha = m_manifest.sha256] {
        const DownloadResult result = download(*http, r, path, sha);
        post([this, result] { onDownloaded(result); });
    });
}

// On the worker: the program goes to a temporary file beside its place and takes its name
// only once whole and matching the signed digest, so nothing else is ever left behind.
Updater::DownloadResult Updater::download(HttpClient &http, const HttpRequest &request,
                                          const QString &path, const QString &sha256)
{
    SaveFile file(path);
    if (!file.open())
        return {
            false, false,
            UpdateTexts::CannotCreate().arg(QDir::toNativeSeparators(path), file.errorString())};
    HashingWriter hashing(file.device());
    try {
        http.get(request, &hashing);
    } catch (const HttpError &e) {
        return {false, e.kind() == HttpError::Kind::Cancelled,
                UpdateTexts::DownloadFailed().arg(e.message())};
    }
    if (hashing.sha256Hex() != sha256.toLower())
        return {false, false, UpdateTexts::WrongDigest().arg(QDir::toNativeSeparators(path))};
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                        QFileDevice::ReadGroup | QFileDevice::ExeGroup | QFileDevice::ReadOther |
                        QFileDevice::ExeOther);
    if (!file.commit())
        return {
            false, false,
            UpdateTexts::CannotCreate().arg(QDir::toNativeSeparators(path), file.errorString())};
    return {true, false, {}};
}

void Updater::showProgress()
{
    const qint64 total = m_total;
    if (total != m_shownTotal) {
        m_ui.progressBegin(toInt(total));
        m_shownTotal = total;
    }
    m_ui.progressWork(toInt(m_received));
}

void Updater::onDownloaded(const DownloadResult &result)
{
    m_progressTimer->stop();
    m_downloading = false;
    m_ui.setDownloading(false);
    if (!result.ok) {
        m_ui.progressRest();
        m_detail = result.cancelled ? QString() : result.error;
        if (!result.cancelled) m_ui.error(result.error);
        emit downloadFinished();
        return;
    }
    showProgress();
    m_ui.progressEnd();
    m_detail.clear();
    const QString path = newProgramPath();
    m_ui.message(UpdateTexts::Downloaded());
    if (!m_ui.startProgram(path)) {
        m_detail = UpdateTexts::CannotStart().arg(QDir::toNativeSeparators(path));
        m_ui.error(m_detail);
        emit downloadFinished();
        return;
    }
    emit downloadFinished();
    m_ui.terminate();
}
