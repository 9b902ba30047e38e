#include "TestPublisher.h"

#include "update/ReleaseSignature.h"

#include <QCryptographicHash>
#include <openssl/evp.h>
#include <stdexcept>

TestPublisher::TestPublisher()
    : m_key(EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519"), EVP_PKEY_free)
{
    if (!m_key) throw std::runtime_error("cannot make an Ed25519 key");
}

TestPublisher::~TestPublisher() = default;

QString TestPublisher::publicKey() const
{
    unsigned char raw[32];
    size_t length = sizeof raw;
    EVP_PKEY_get_raw_public_key(m_key.get(), raw, &length);
    return QString::fromLatin1(QByteArray(reinterpret_cast<char *>(raw), int(length)).toBase64());
}

QByteArray TestPublisher::sign(const QByteArray &message) const
{
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    unsigned char signature[64];
    size_t length = sizeof signature;
    if (EVP_DigestSignInit(ctx.get(), nullptr, nullptr, nullptr, m_key.get()) != 1 ||
        EVP_DigestSign(ctx.get(), signature, &length,
                       reinterpret_cast<const unsigned char *>(message.constData()),
                       size_t(message.size())) != 1)
        throw std::runtime_error("cannot sign");
    return QByteArray(reinterpret_cast<char *>(signature), int(length)).toBase64();
}

QByteArray TestPublisher::sha256Hex(const QByteArray &program)
{
    return QCryptographicHash::hash(program, QCryptographicHash::Sha256).toHex();
}

QByteArray TestPublisher::manifest(const QByteArray &version, const QString &url,
                                   const QByteArray &program) const
{
    const QByteArray digest = sha256Hex(program);
    return "[UPDATE]\r\nVersion=" + version + "\r\nURL=" + url.toUtf8() + "\r\nSHA256=" + digest +
           "\r\nSignature=" +
           sign(ReleaseSignature::signedText(QString::fromLatin1(version),
                                             QString::fromLatin1(digest))) +
           "\r\n";
}
