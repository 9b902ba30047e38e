#include "Platform.h"

#include "TlsLibraries.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace Platform
{

QString executableName(const QString &name)
{
#if defined(Q_OS_WIN)
    return name + QStringLiteral(".exe");
#else
    return name;
#endif
}

qint64 peakMemoryKb()
{
#ifdef Q_OS_LINUX
    // The high-water mark of this process's own memory. Linux keeps ru_maxrss across exec, so
    // it would also count what a parent held when it started this process.
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n'))
            if (line.startsWith("VmHWM:"))
                return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
#endif
#ifdef Q_OS_UNIX
    struct rusage usage = {};
    if (getrusage(RUSAGE_SELF, &usage) == 0) return qint64(usage.ru_maxrss);
#endif
    return 0;
}

void limitAddressSpace(int megabytes)
{
#if defined(Q_OS_UNIX) && !defined(__SANITIZE_ADDRESS__)
    const rlim_t bytes = rlim_t(megabytes) << 20;
    const struct rlimit limit = {bytes, bytes};
    setrlimit(RLIMIT_AS, &limit);
#else
    Q_UNUSED(megabytes);
#endif
}

QFileDevice::Permissions newFilePermissions()
{
    QFileDevice::Permissions all = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                   QFileDevice::ReadUser | QFileDevice::WriteUser |
                                   QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                   QFileDevice::ReadOther | QFileDevice::WriteOther;
#ifdef Q_OS_UNIX
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (mask & S_IWGRP) all &= ~QFileDevice::WriteGroup;
    if (mask & S_IWOTH) all &= ~QFileDevice::WriteOther;
    if (mask & S_IRGRP) all &= ~QFileDevice::ReadGroup;
    if (mask & S_IROTH) all &= ~QFileDevice::ReadOther;
#endif
    return all;
}

bool startProgram(const QString &path)
{
#if defined(Q_OS_WIN)
    // The shell's "open" starts an executable there.
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
#else
    // The desktop's "open" action does not run program files here: start it directly.
    return QProcess::startDetached(path, {}, QFileInfo(path).absolutePath());
#endif
}

void ensureRuntimeFolder()
{
#ifdef Q_OS_UNIX
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) return;
    const QString dir =
        QDir::tempPath() + QStringLiteral("/talvoro-runtime-") + QString::number(getuid());
    if (QDir().mkpath(dir) &&
        QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                       QFileDevice::ExeOwner))
        qputenv("XDG_RUNTIME_DIR", dir.toLocal8Bit());
#endif
}

} // namespace Platform

#if defined(Q_OS_WIN)

std::vector<TlsLibraryFile> tlsLibraryFiles(const QString &programDir)
{
    // The OpenSSL 3 libraries are shipped beside the executable.
    std::vector<TlsLibraryFile> files;
    for (const char *name : {"libcrypto-3-x64.dll", "libssl-3-x64.dll"}) {
        const QString n = QString::fromLatin1(name);
        files.push_back({n, QDir(programDir).filePath(n)});
    }
    return files;
}

#else

#include <link.h>

namespace
{

struct Found {
    QString crypto, ssl;
};

int visit(dl_phdr_info *info, size_t, void *data)
{
    auto *found = static_cast<Found *>(data);
    const QString path = QString::fromLocal8Bit(info->dlpi_name);
    const QString name = QFileInfo(path).fileName();
    if (found->crypto.isEmpty() && name.startsWith(u"libcrypto.so"))
        found->crypto = path;
    else if (found->ssl.isEmpty() && name.startsWith(u"libssl.so"))
        found->ssl = path;
    return 0;
}

} // namespace

std::vector<TlsLibraryFile> tlsLibraryFiles(const QString &)
{
    // The libraries are loaded with the HTTP client; their file names and places are the
    // ones the loader used.
    Found found;
    dl_iterate_phdr(visit, &found);
    auto entry = [](const QString &path, const char *fallback) {
        return TlsLibraryFile{
            path.isEmpty() ? QString::fromLatin1(fallback) : QFileInfo(path).fileName(), path};
    };
    return {entry(found.crypto, "libcrypto.so.3"), entry(found.ssl, "libssl.so.3")};
}

#endif
