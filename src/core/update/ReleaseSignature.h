#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <memory>

// What proves that an offered program is the publisher's: the manifest gives the program's
// SHA-256 and an Ed25519 signature, made with the publisher's private key, over the text
// signedText(version, sha256). The program carries the matching public key.
namespace ReleaseSignature
{

// "Talvoro CCP update\nVersion=<version>\nSHA256=<64 lower-case hex digits>\n"
QByteArray signedText(const QString &version, const QString &sha256Hex);

// The raw 32-byte public key from its base64 text; empty when it is not one.
QByteArray publicKeyFromBase64(const QString &base64);

// True when `signature` (64 bytes) is the key's Ed25519 signature of `message`.
bool verify(const QByteArray &publicKey, const QByteArray &message, const QByteArray &signature);

// True for 64 hexadecimal digits.
bool isSha256Hex(const QString &text);

} // namespace ReleaseSignature

// Passes what is written on to another device and keeps the SHA-256 of it.
class HashingWriter final : public QIODevice
{
public:
    explicit HashingWriter(QIODevice &target);
    ~HashingWriter() override;

    // The digest of everything written so far, lower-case hex.
    QString sha256Hex() const;

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override;

private:
    struct Digest;
    QIODevice &m_target;
    std::unique_ptr<Digest> m_digest;
};
