#pragma once

#include "HttpClient.h"

// HttpClient over libcurl and OpenSSL. Sends the two fixed headers, uses no proxy, follows no
// redirect, requires TLS 1.2 or newer and verifies the server's certificate against the
// system's authorities, or against the given authority file when there is one.
class CurlHttpClient final : public HttpClient
{
public:
    explicit CurlHttpClient(QString caFile = QString());

    void setTimeouts(int connectMs, int readMs) override;
    void setWorkEvents(WorkEvents events) override;
    void get(const QString &url, QIODevice *body) override;

private:
    QString m_caFile;
    int m_connectMs = 3000;
    int m_readMs = 3000;
    WorkEvents m_events;
};
