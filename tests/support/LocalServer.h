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

        static Route answer(int status, QByteArray body = {}, QByteArray extraHeaders = {})
        {
            return {status, std::move(body), std::move(extraHeaders), false, -1};
        }
        static Route neverAnswers() { return {200, {}, {}, true, -1}; }
        static Route stalling(QByteArray body, qsizetype after)
        {
            return {200, std::move(body), {}, false, after};
        }
    };

    // Plain HTTP without files; HTTPS with a certificate chain and its key.
    explicit LocalServer(const QString &certFile = QString(), const QString &keyFile = QString());
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
