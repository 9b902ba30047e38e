#include "LocalServer.h"

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

const char *reason(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 204:
        return "No Content";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

// A connection, plain or TLS.
struct Conn {
    int fd;
    SSL *ssl = nullptr;

    int read(char *buf, int n)
    {
        return ssl ? SSL_read(ssl, buf, n) : int(::recv(fd, buf, size_t(n), 0));
    }
    bool write(const QByteArray &bytes)
    {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const int chunk = int(bytes.size() - done);
            const int n =
                ssl ? SSL_write(ssl, bytes.constData() + done, chunk)
                    : int(::send(fd, bytes.constData() + done, size_t(chunk), MSG_NOSIGNAL));
            if (n <= 0) return false;
            done += n;
        }
        return true;
    }
};

sockaddr_in loopback(int port)
{
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(quint16(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
}

} // namespace

LocalServer::LocalServer(const QString &certFile, const QString &keyFile, int maxTlsVersion)
{
    std::signal(SIGPIPE, SIG_IGN);
    if (!certFile.isEmpty()) {
        m_tls = SSL_CTX_new(TLS_server_method());
        if (!m_tls ||
            SSL_CTX_use_certificate_chain_file(m_tls, certFile.toLocal8Bit().constData()) != 1 ||
            SSL_CTX_use_PrivateKey_file(m_tls, keyFile.toLocal8Bit().constData(),
                                        SSL_FILETYPE_PEM) != 1)
            throw std::runtime_error("test server: cannot load its certificate");
        if (maxTlsVersion != 0) {
            // Old protocol versions are only offered at the lowest security level.
            SSL_CTX_set_security_level(m_tls, 0);
            SSL_CTX_set_min_proto_version(m_tls, TLS1_VERSION);
            SSL_CTX_set_max_proto_version(m_tls, maxTlsVersion);
        }
    }
    m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
    const int one = 1;
    ::setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a = loopback(0);
    if (::bind(m_listen, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 ||
        ::listen(m_listen, 8) != 0)
        throw std::runtime_error("test server: cannot listen");
    socklen_t len = sizeof a;
    ::getsockname(m_listen, reinterpret_cast<sockaddr *>(&a), &len);
    m_port = ntohs(a.sin_port);
    m_thread = std::thread([this] { run(); });
}

LocalServer::~LocalServer()
{
    m_stop = true;
    m_thread.join();
    ::close(m_listen);
    if (m_tls) SSL_CTX_free(m_tls);
}

void LocalServer::route(const QByteArray &path, Route r)
{
    std::lock_guard lock(m_mutex);
    m_routes[path] = std::move(r);
}

QString LocalServer::url(const QByteArray &path) const
{
    return QStringLiteral("%1://127.0.0.1:%2")
               .arg(m_tls ? QStringLiteral("https") : QStringLiteral("http"))
               .arg(m_port) +
           QString::fromLatin1(path);
}

QList<QByteArray> LocalServer::requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

QList<QByteArray> LocalServer::paths() const
{
    QList<QByteArray> p;
    for (const QByteArray &r : requests())
        p << r.split(' ').value(1);
    return p;
}

int LocalServer::refusedPort()
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = loopback(0);
    ::bind(s, reinterpret_cast<sockaddr *>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(s, reinterpret_cast<sockaddr *>(&a), &len);
    ::close(s);
    return ntohs(a.sin_port);
}

void LocalServer::run()
{
    while (!m_stop) {
        pollfd p{m_listen, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0) continue;
        const int fd = ::accept(m_listen, nullptr, nullptr);
        if (fd < 0) continue;
        serve(fd);
        ::close(fd);
    }
}

void LocalServer::serve(int fd)
{
    // A client that goes quiet during the handshake or the request does not hold the thread.
    timeval limit{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    Conn c{fd};
    struct SslGuard {
        SSL *ssl;
        ~SslGuard()
        {
            if (ssl) {
                SSL_shutdown(ssl);
                SSL_free(ssl);
            }
        }
    } guard{nullptr};
    if (m_tls) {
        c.ssl = guard.ssl = SSL_new(m_tls);
        SSL_set_fd(c.ssl, fd);
        if (SSL_accept(c.ssl) != 1) {
            ERR_clear_error();
            return;
        }
    }
    QByteArray head;
    char buf[4096];
    while (!head.contains("\r\n\r\n")) {
        const int n = c.read(buf, sizeof buf);
        if (n <= 0) return;
        head.append(buf, n);
    }
    head.truncate(head.indexOf("\r\n\r\n"));
    Route r;
    r.status = 404;
    r.body = "missing";
    {
        std::lock_guard lock(m_mutex);
        m_requests << head;
        r = m_routes.value(head.split(' ').value(1), r);
    }
    // Waits until the client goes away or the server stops.
    auto waitForClose = [&] {
        while (!m_stop) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 20) > 0 && c.read(buf, sizeof buf) <= 0) return;
        }
    };
    if (r.silent) {
        waitForClose();
        return;
    }
    QByteArray answer =
        "HTTP/1.1 " + QByteArray::number(r.status) + ' ' + reason(r.status) + "\r\n";
    if (r.status != 204 && !r.endless)
        answer += "Content-Length: " + QByteArray::number(r.body.size()) + "\r\n";
    answer += r.extraHeaders + "Connection: close\r\n\r\n";
    if (r.endless) {
        const QByteArray chunk(16384, 'e');
        for (bool ok = c.write(answer); ok && !m_stop;)
            ok = c.write(chunk);
        return;
    }
    if (r.trickleMs > 0) {
        QByteArray rest = answer + r.body;
        if (!r.trickleHead) {
            if (!c.write(answer)) return;
            rest = r.body;
        }
        for (char byte : rest) {
            if (m_stop || !c.write(QByteArray(1, byte))) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(r.trickleMs));
        }
        return;
    }
    if (r.stallAfter >= 0) {
        c.write(answer + r.body.left(r.stallAfter));
        waitForClose();
        return;
    }
    c.write(answer + (r.status == 204 ? QByteArray() : r.body));
}
