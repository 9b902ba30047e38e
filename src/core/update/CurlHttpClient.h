#pragma once

#include "HttpClient.h"

// HttpClient over libcurl and OpenSSL. Sends the two fixed headers, uses no proxy, follows no
// redirect, requires TLS 1.2 or newer and verifies the server's certificate and name against
// the system's authorities, or against the given authority file when there is one.
class CurlHttpClient final : public HttpClient
{
public:
    explicit CurlHttpClient(QString caFile = QString());

    void get(const HttpRequest &request, QIODevice *body) override;

private:
    QString m_caFile;
};
