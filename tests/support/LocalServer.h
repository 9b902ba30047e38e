#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <atomic>
#include <mutex>
#include <thread>

typedef struct ssl_ctx_st SSL_CTX;

// A small HTTP or HTTPS server on 127.0.0.1 for tests. It serves one connection at a time
// from a thread of its own, answers each path as routed (404 otherwise) and stops with the
// object.
class LocalServer
{
public:
    struct Route {
        int status = 200;
        QByteArray body;
        QByteArray extraHeaders;   // whole header lines, each ending in "\r\n"
        bool silent = false;       // reads the request and never answers
        qsizetype stallAfter = -1; // sends the headers and this many body bytes, then waits
        int trickleMs = 0;         // sends one byte every this many milliseconds
        bool trickleHead = false;  // ... from the status line on, not only the body
        bool endless = false;      // no length; body bytes until the client goes away

        static Route answer(int status, QByteArray body = {}, QByteArray extraHeaders = {})
        {
            Route r;
            r.status = status;
            r.body = std::move(body);
            r.extraHeaders = std::move(extraHeaders);
            return r;
        }
        static Route neverAnswers()
        {
            Route r;
            r.silent = true;
            return r;
        }
        static Route stalling(QByteArray body, qsizetype after)
        {
            Route r = answer(200, std::move(body));
            r.stallAfter = after;
            return r;
        }
        // A 2xx answer whose bytes come one at a time, from its first line or its body.
        static Route trickling(int status, QByteArray body, int everyMs, bool head)
        {
            Route r = answer(status, std::move(body));
            r.trickleMs = everyMs;
            r.trickleHead = head;
            return r;
        }
        static Route endlessBody()
        {
            Route r;
            r.endless = true;
            return r;
        }
    };

    // Plain HTTP without files; HTTPS with a certificate chain and its key, offering TLS up
    // to the given version (0: any; TLS1_1_VERSION for an outdated server).
    explicit LocalServer(const QString &certFile = QString(), const QString &keyFile = QString(),
                         int maxTlsVersion = 0);
    ~LocalServer();
    LocalServer(const LocalServer &) = delete;
    LocalServer &operator=(const LocalServer &) = delete;

    void route(const QByteArray &path, Route r);
    // "http(s)://127.0.0.1:PORT" + path.
    QString url(const QByteArray &path) const;
    // The request heads received so far, in order.
    QList<QByteArray> requests() const;
    // The paths requested so far, in order.
    QList<QByteArray> paths() const;

    // A port on 127.0.0.1 where nothing listens: connecting is refused.
    static int refusedPort();

private:
    void run();
    void serve(int fd);

    SSL_CTX *m_tls = nullptr;
    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    QMap<QByteArray, Route> m_routes;
    QList<QByteArray> m_requests;
    std::thread m_thread;
};
