#pragma once

#include <QByteArray>
#include <QFileDevice>
#include <QString>
#include <QTemporaryFile>
#include <optional>

// A file written whole or not at all, and never through a symbolic link planted at its
// place: the data goes to a new temporary file beside the target (created exclusively, so
// nothing planted can take its place), which commit() flushes to disk and renames over the
// target. A link at the target is thus replaced by the file, and whatever it pointed to is
// left as it was. Dropped without commit(), it leaves the target as it was.
//
// The file keeps the permissions of the regular file it replaces, or gets those of any new
// file (setPermissions() overrides both). Every writer of the program goes through it.
class SaveFile final
{
public:
    explicit SaveFile(const QString &path);
    SaveFile(const SaveFile &) = delete;
    SaveFile &operator=(const SaveFile &) = delete;

    // Creates the temporary file, open for writing; false, with errorString(), when it
    // cannot be made.
    bool open();
    // The temporary file, open for writing after open().
    QFileDevice &device() { return m_temp; }
    qint64 write(const QByteArray &bytes) { return m_temp.write(bytes); }
    // For a library that writes by name: the temporary file's path, after open(); the file
    // is then closed for the library to write, and commit() renames it all the same.
    QString temporaryPath();
    void setPermissions(QFileDevice::Permissions permissions) { m_permissions = permissions; }

    // Renames the temporary file over the target once every byte is on disk; false, with
    // errorString(), when any write failed or the rename did (the target then stays).
    bool commit();
    QString errorString() const { return m_error; }
    const QString &path() const { return m_path; }

    // Writes bytes to path whole; an empty text, or why the file could not be written.
    static QString writeAll(const QString &path, const QByteArray &bytes,
                            std::optional<QFileDevice::Permissions> permissions = std::nullopt);

private:
    QString m_path;
    QTemporaryFile m_temp;
    std::optional<QFileDevice::Permissions> m_permissions;
    QString m_error;
    bool m_closedForLibrary = false;
};
