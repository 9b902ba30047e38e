#include "TlsLibraries.h"

#include <QDir>
#include <QFileInfo>

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
