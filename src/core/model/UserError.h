#pragma once

#include <QString>
#include <exception>

// Told when memory runs out during a command; the command is abandoned, nothing changed.
inline const QString OutOfMemoryText =
    QStringLiteral("Mémoire insuffisante pour terminer l’opération.");
// Put before the path of a file that is not there.
inline const QString FileNotFoundText = QStringLiteral("File not found: ");
// "Cannot create file \"path\". reason", for a file that cannot be written.
inline const QString CannotCreateFileText = QStringLiteral("Cannot create file \"%1\". %2");

// An error whose text is meant for the clerk. It leaves the command that met it; the
// window's command wrapper shows the text in the general error box.
class UserError : public std::exception
{
public:
    explicit UserError(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8())
    {
    }
    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// The clerk stopped a long operation; the state is as it stood.
class Cancelled final : public UserError
{
public:
    Cancelled()
        : UserError(
              QStringLiteral("Import annulé à votre demande : la liste n’a pas été modifiée."))
    {
    }
};
