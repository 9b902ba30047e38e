#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

typedef struct evp_pkey_st EVP_PKEY;

// A publisher's Ed25519 key made for one test run; signs releases as the release script does.
class TestPublisher
{
public:
    TestPublisher();
    ~TestPublisher();

    // The public key as the build takes it: base64 of its 32 bytes.
    QString publicKey() const;
    // The base64 Ed25519 signature of `message`.
    QByteArray sign(const QByteArray &message) const;
    static QByteArray sha256Hex(const QByteArray &program);
    // A manifest offering `program` as `version` at `url`, signed.
    QByteArray manifest(const QByteArray &version, const QString &url,
                        const QByteArray &program) const;

private:
    std::unique_ptr<EVP_PKEY, void (*)(EVP_PKEY *)> m_key;
};
