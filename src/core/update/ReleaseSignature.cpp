#include "ReleaseSignature.h"

#include <openssl/evp.h>

namespace ReleaseSignature
{

QByteArray signedText(const QString &version, const QString &sha256Hex)
{
    return "Talvoro CCP update\nVersion=" + version.toUtf8() +
           "\nSHA256=" + sha256Hex.toLower().toLatin1() + '\n';
}

QByteArray publicKeyFromBase64(const QString &base64)
{
    const auto decoded = QByteArray::fromBase64Encoding(base64.trimmed().toLatin1(),
                                                        QByteArray::AbortOnBase64DecodingErrors);
    return decoded && decoded.decoded.size() == 32 ? decoded.decoded : QByteArray();
}

bool verify(const QByteArray &publicKey, const QByteArray &message, const QByteArray &signature)
{
    if (publicKey.size() != 32 || signature.size() != 64) return false;
    std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(
        EVP_PKEY_new_raw_public_key(EVP_PKEY_ED25519, nullptr,
                                    reinterpret_cast<const unsigned char *>(publicKey.constData()),
                                    size_t(publicKey.size())),
        EVP_PKEY_free);
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!key || !ctx || EVP_DigestVerifyInit(ctx.get(), nullptr, nullptr, nullptr, key.get()) != 1)
        return false;
    return EVP_DigestVerify(ctx.get(),
                            reinterpret_cast<const unsigned char *>(signature.constData()),
                            size_t(signature.size()),
                            reinterpret_cast<const unsigned char *>(message.constData()),
                            size_t(message.size())) == 1;
}

bool isSha256Hex(const QString &text)
{
    if (text.size() != 64) return false;
    for (QChar c : text)
        if (!c.isDigit() && !(c.toLower() >= u'a' && c.toLower() <= u'f')) return false;
    return true;
}

} // namespace ReleaseSignature

struct HashingWriter::Digest {
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx{EVP_MD_CTX_new(), EVP_MD_CTX_free};
};

HashingWriter::HashingWriter(QIODevice &target) : m_target(target), m_digest(new Digest)
{
    EVP_DigestInit_ex(m_digest->ctx.get(), EVP_sha256(), nullptr);
    open(QIODevice::WriteOnly);
}

HashingWriter::~HashingWriter() = default;

qint64 HashingWriter::writeData(const char *data, qint64 size)
{
    const qint64 written = m_target.write(data, size);
    if (written != size) {
        setErrorString(m_target.errorString());
        return -1;
    }
    EVP_DigestUpdate(m_digest->ctx.get(), data, size_t(size));
    return size;
}

QString HashingWriter::sha256Hex() const
{
    // The digest of a copy, so writing may go on.
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> copy(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    unsigned char out[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!copy || EVP_MD_CTX_copy_ex(copy.get(), m_digest->ctx.get()) != 1 ||
        EVP_DigestFinal_ex(copy.get(), out, &length) != 1)
        return QString();
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char *>(out), int(length)).toHex());
}
