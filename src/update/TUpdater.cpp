#include "TUpdater.h"

#include "Manifest.h"
#include "UpdateTexts.h"
#include "UpdaterUi.h"
#include "Version.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <limits>

namespace
{

const QColor Red(255, 0, 0);
const QColor Green(0, 255, 0);

int toInt(qint64 n)
{
    return int(std::clamp<qint64>(n, 0, std::numeric_limits<int>::max()));
}

} // namespace

TUpdater::TUpdater(std::shared_ptr<HttpClient> http, UpdaterUi &ui, QString iniUrl, Places places)
    : FHTTP(std::move(http)), m_ui(ui), m_places(std::move(places))
{
    FCurrentVersion = GetAppVersionStr();
    FIniURL = std::move(iniUrl);
    FHTTP->setWorkEvents({[this](qint64 max) { HTTPWorkBegin(max); },
                          [this](qint64 count) { HTTPWork(count); }, [this] { HTTPWorkEnd(); }});
    m_ui.setButtonEnabled(false);
}

// The borrowed client outlives the updater: its events must not point here any more.
TUpdater::~TUpdater()
{
    FHTTP->setWorkEvents({});
}

QString TUpdater::GetAppVersionStr()
{
    return Version::appVersion();
}

QString TUpdater::newProgramName()
{
#if defined(Q_OS_WIN)
    return QStringLiteral("Talvoro_New.exe");
#else
    return QStringLiteral("Talvoro_New");
#endif
}

QString TUpdater::newProgramPath() const
{
    return QDir(m_places.programDir).filePath(newProgramName());
}

bool TUpdater::CheckInternet()
{
    FHTTP->setTimeouts(TimeoutMs, TimeoutMs);
    if (m_places.probeUrl.isEmpty()) return false;
    try {
        FHTTP->get(m_places.probeUrl, nullptr);
        return true;
    } catch (const HttpError &) {
        return false;
    }
}

bool TUpdater::CheckOpenSSL()
{
    bool ok = true;
    for (const TlsLibraryFile &f : m_places.tlsFiles) {
        if (f.path.isEmpty() || !QFileInfo(f.path).isFile()) {
            m_ui.message(UpdateTexts::LibraryMissing.arg(f.name));
            ok = false;
        }
    }
    return ok;
}

bool TUpdater::IsServerVersionNewer() const
{
    return Version::isNewer(FCurrentVersion, FServerVersion);
}

void TUpdater::ShowStatus()
{
    if (!CheckInternet()) {
        m_ui.setLight(Red);
        m_ui.setServerText(UpdateTexts::Offline);
        m_ui.setButtonEnabled(false);
        return;
    }
    m_ui.setLight(Green);
    m_ui.setLocalText(UpdateTexts::CurrentVersion + FCurrentVersion);
    if (!CheckOpenSSL()) return;

    const QString tempDir = m_places.tempDir.isEmpty() ? QDir::tempPath() : m_places.tempDir;
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    try {
        FHTTP->get(FIniURL, &buffer);
    } catch (const HttpError &) {
        m_ui.setServerText(UpdateTexts::ReadError);
        return;
    }
    QSaveFile copy(QDir(tempDir).filePath(QStringLiteral("Version.ini")));
    if (!copy.open(QIODevice::WriteOnly) || copy.write(buffer.data()) != buffer.size() ||
        !copy.commit()) {
        m_ui.setServerText(UpdateTexts::ReadError);
        return;
    }
    const Manifest manifest = Manifest::parse(buffer.data());
    FServerVersion = manifest.version;
    FAppURL = manifest.url;
    m_ui.setServerText(UpdateTexts::ServerVersion + FServerVersion);
    m_ui.setButtonEnabled(IsServerVersionNewer());
}

void TUpdater::DownloadUpdate()
{
    if (!CheckOpenSSL()) return;
    if (FAppURL.isEmpty()) {
        m_ui.message(UpdateTexts::NoUpdateLink);
        return;
    }
    // The program is written to a temporary file beside its place and takes its name only
    // once complete, so a failed download leaves no partial file and an older copy intact.
    const QString newPath = newProgramPath();
    QSaveFile file(newPath);
    if (!file.open(QIODevice::WriteOnly))
        throw UserError(
            UpdateTexts::CannotCreate.arg(QDir::toNativeSeparators(newPath), file.errorString()));
    FHTTP->get(FAppURL, &file);
    file.setPermissions(file.permissions() | QFileDevice::ExeOwner | QFileDevice::ExeGroup |
                        QFileDevice::ExeOther | QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (!file.commit())
        throw UserError(
            UpdateTexts::CannotCreate.arg(QDir::toNativeSeparators(newPath), file.errorString()));

    m_ui.message(UpdateTexts::Downloaded);
    if (!m_ui.startProgram(newPath))
        throw UserError(UpdateTexts::CannotStart.arg(QDir::toNativeSeparators(newPath)));
    m_ui.terminate();
}

void TUpdater::HTTPWorkBegin(qint64 countMax)
{
    m_ui.progressBegin(toInt(countMax));
}

void TUpdater::HTTPWork(qint64 count)
{
    m_ui.progressWork(toInt(count));
}

void TUpdater::HTTPWorkEnd()
{
    m_ui.progressEnd();
}
