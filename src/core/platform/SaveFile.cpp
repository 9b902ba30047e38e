#include "SaveFile.h"

#include "Platform.h"

#include <QFile>
#include <QFileInfo>
#include <filesystem>
#include <system_error>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <unistd.h>
#endif

SaveFile::SaveFile(const QString &path)
    : m_path(path),
      // Beside the name as given, not beside what a link there points to.
      m_temp(QFileInfo(path).absolutePath() + QStringLiteral("/.~XXXXXX.part"))
{
}

bool SaveFile::open()
{
    if (!m_temp.open()) {
        m_error = m_temp.errorString();
        return false;
    }
    return true;
}

QString SaveFile::temporaryPath()
{
    if (m_temp.isOpen()) {
        m_temp.close();
        m_closedForLibrary = true;
    }
    return m_temp.fileName();
}

bool SaveFile::commit()
{
    if (!m_closedForLibrary) {
        if (!m_temp.isOpen()) {
            m_error = QStringLiteral("not open");
            return false;
        }
        // A write that failed earlier (disk full, file too large) is never committed.
        if (m_temp.error() != QFileDevice::NoError || !m_temp.flush()) {
            m_error = m_temp.errorString();
            return false;
        }
#ifdef Q_OS_UNIX
        if (::fsync(m_temp.handle()) != 0) {
            m_error = QString::fromLocal8Bit(strerror(errno));
            return false;
        }
#endif
        m_temp.close();
    } else {
#ifdef Q_OS_UNIX
        // What the library wrote reaches the disk before it takes the target's name.
        QFile written(m_temp.fileName());
        if (!written.open(QIODevice::ReadOnly)) {
            m_error = written.errorString();
            return false;
        }
        if (::fsync(written.handle()) != 0) {
            m_error = QString::fromLocal8Bit(strerror(errno));
            return false;
        }
#endif
    }
    // The permissions of the regular file replaced (not of a link's target), else those
    // of any new file.
    QFileDevice::Permissions permissions = Platform::newFilePermissions();
    if (m_permissions) {
        permissions = *m_permissions;
    } else {
        const QFileInfo old(m_path);
        if (old.exists() && !old.isSymLink() && old.isFile()) permissions = old.permissions();
    }
    m_temp.setPermissions(permissions);
    std::error_code ec;
    std::filesystem::rename(
        std::filesystem::path(QFile::encodeName(m_temp.fileName()).toStdString()),
        std::filesystem::path(QFile::encodeName(m_path).toStdString()), ec);
    if (ec) {
        m_error = QString::fromLocal8Bit(ec.message().c_str());
        return false;
    }
    // Renamed: the temporary object must not remove the file now at the target.
    m_temp.setAutoRemove(false);
    return true;
}

QString SaveFile::writeAll(const QString &path, const QByteArray &bytes,
                           std::optional<QFileDevice::Permissions> permissions)
{
    SaveFile file(path);
    if (permissions) file.setPermissions(*permissions);
    if (!file.open()) return file.errorString();
    if (file.write(bytes) != bytes.size() || !file.commit())
        return file.errorString().isEmpty() ? file.device().errorString() : file.errorString();
    return QString();
}
