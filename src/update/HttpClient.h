#pragma once

#include "model/UserError.h"

#include <QString>
#include <QtGlobal>
#include <functional>

class QIODevice;

// A request that failed: network error, time-out, a status other than 2xx, or a body that
// could not be stored. The text is shown to the clerk when it leaves a command.
class HttpError : public UserError
{
public:
    using UserError::UserError;
};

// The HTTP client the updater borrows: GET only, synchronous, with transfer events.
class HttpClient
{
public:
    // Transfer events of every request: begin (the expected byte count, 0 when unknown),
    // progress (bytes received so far) and end.
    struct WorkEvents {
        std::function<void(qint64 countMax)> begin;
        std::function<void(qint64 count)> work;
        std::function<void()> end;
    };

    virtual ~HttpClient() = default;

    // Time-outs in milliseconds: to connect (the TLS handshake included), and for any
    // stretch of waiting for data once connected.
    virtual void setTimeouts(int connectMs, int readMs) = 0;
    virtual void setWorkEvents(WorkEvents events) = 0;
    // GETs the address and writes the answer's body into `body` (discarded when null).
    // Throws HttpError when the request does not succeed with a 2xx status.
    virtual void get(const QString &url, QIODevice *body) = 0;
};
