#pragma once

#include "model/UserError.h"

#include <QString>
#include <QtGlobal>
#include <atomic>
#include <functional>

class QIODevice;

// A request that failed: network error, time-out, a status other than 2xx, an answer too
// large, an address refused, a body that could not be stored, or a cancel. The text is shown
// to the clerk when it leaves a command.
class HttpError : public UserError
{
public:
    enum class Kind { Network, Status, TimedOut, TooLarge, Refused, Write, Cancelled };

    HttpError(Kind kind, const QString &message) : UserError(message), m_kind(kind) {}
    Kind kind() const { return m_kind; }

private:
    Kind m_kind;
};

// One GET. Every request is bounded: a connect time-out (the TLS handshake included), a
// longest wait for data, an overall deadline and a size cap.
struct HttpRequest {
    QString url;
    bool httpsOnly = true;       // plain http is refused before anything is sent
    bool bodyIgnored = false;    // a 2xx status is enough: no body byte is read
    int connectMs = 3000;        // to connect, the TLS handshake included
    int readMs = 3000;           // longest stretch without data once connected
    int deadlineMs = 3000;       // the whole request
    qint64 maxBytes = 64 * 1024; // a larger body (declared or received) is refused
    // Polled while the request runs; true ends it with Kind::Cancelled.
    const std::atomic<bool> *cancel = nullptr;
    // Bytes received so far and the declared size (0 when unknown); on the calling thread.
    std::function<void(qint64 received, qint64 total)> progress;
};

// The HTTP client the updater borrows: GET only, synchronous (the updater calls it from a
// worker thread), safe to use from one thread at a time.
class HttpClient
{
public:
    virtual ~HttpClient() = default;

    // Writes the answer's body into `body` (nothing is written for an ignored body).
    // Throws HttpError when the request does not succeed with a 2xx status within its limits.
    virtual void get(const HttpRequest &request, QIODevice *body) = 0;
};
