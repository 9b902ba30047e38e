#include "CurlHttpClient.h"

#include <QElapsedTimer>
#include <QIODevice>
#include <QUrl>
#include <curl/curl.h>
#include <memory>
#include <mutex>

namespace
{

// The agent and Accept header the office's earlier updater sent: the update host and any
// filter in front of it were set up for those requests, so ours look the same.
const char UserAgent[] = "Mozilla/3.0 (compatible; Indy Library)";
const char AcceptHeader[] =
    "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8";
// How often the transfer loop looks at the read clock.
const int PollMs = 25;

struct EasyDeleter {
    void operator()(CURL *h) const { curl_easy_cleanup(h); }
};
struct MultiDeleter {
    void operator()(CURLM *h) const { curl_multi_cleanup(h); }
};
struct ListDeleter {
    void operator()(curl_slist *l) const { curl_slist_free_all(l); }
};

// What the callbacks share with the transfer loop.
struct Transfer {
    CURL *easy = nullptr;
    QIODevice *body = nullptr;
    const HttpRequest *request = nullptr;
    bool connected = false; // the read clock runs from here
    bool activity = false;  // bytes came since the loop last looked
    bool begun = false;     // the body has started
    bool enough = false;    // a 2xx status came and the body is ignored
    bool tooLarge = false;  // the body is, or says it is, over the cap
    long refusedStatus = 0; // a non-2xx status stopped the body
    bool writeFailed = false;
    QString statusLine;
    qint64 total = 0;
    qint64 received = 0;
};

size_t onHeader(char *data, size_t size, size_t count, void *user)
{
    auto *t = static_cast<Transfer *>(user);
    t->activity = true;
    const QByteArray line = QByteArray(data, qsizetype(size * count)).trimmed();
    if (line.startsWith("HTTP/")) t->statusLine = QString::fromLatin1(line);
    return size * count;
}

size_t onBody(char *data, size_t size, size_t count, void *user)
{
    auto *t = static_cast<Transfer *>(user);
    t->activity = true;
    const size_t bytes = size * count;
    if (!t->begun) {
        // The body of an error or redirect answer is never stored.
        long status = 0;
        curl_easy_getinfo(t->easy, CURLINFO_RESPONSE_CODE, &status);
        if (status < 200 || status > 299) {
            t->refusedStatus = status;
            return 0;
        }
        if (t->request->bodyIgnored) {
            t->enough = true;
            return 0;
        }
        curl_off_t length = -1;
        curl_easy_getinfo(t->easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        t->total = length > 0 ? qint64(length) : 0;
        t->begun = true;
    }
    if (t->received + qint64(bytes) > t->request->maxBytes) {
        t->tooLarge = true;
        return 0;
    }
    if (t->body && t->body->write(data, qint64(bytes)) != qint64(bytes)) {
        t->writeFailed = true;
        return 0;
    }
    t->received += qint64(bytes);
    if (t->request->progress) t->request->progress(t->received, t->total);
    return bytes;
}

int onConnected(void *user, char *, char *, int, int)
{
    static_cast<Transfer *>(user)->connected = true;
    return CURL_PREREQFUNC_OK;
}

void initialiseCurl()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

} // namespace

CurlHttpClient::CurlHttpClient(QString caFile) : m_caFile(std::move(caFile))
{
    initialiseCurl();
}

void CurlHttpClient::get(const HttpRequest &request, QIODevice *body)
{
    const QString scheme = QUrl(request.url).scheme().toLower();
    if (scheme != u"https" && (request.httpsOnly || scheme != u"http"))
        throw HttpError(HttpError::Kind::Refused,
                        QStringLiteral("Only https addresses are accepted: %1").arg(request.url));

    std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
    std::unique_ptr<CURLM, MultiDeleter> multi(curl_multi_init());
    std::unique_ptr<curl_slist, ListDeleter> headers(curl_slist_append(nullptr, AcceptHeader));
    if (!easy || !multi || !headers)
        throw HttpError(HttpError::Kind::Network, QStringLiteral("HTTP client could not start."));

    Transfer t;
    t.easy = easy.get();
    t.body = body;
    t.request = &request;
    char errorText[CURL_ERROR_SIZE] = {};
    const QByteArray address = request.url.toUtf8();
    const QByteArray caFile = m_caFile.toLocal8Bit();
    CURL *h = easy.get();
    curl_easy_setopt(h, CURLOPT_URL, address.constData());
    curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, request.httpsOnly ? "https" : "http,https");
    curl_easy_setopt(h, CURLOPT_USERAGENT, UserAgent);
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(h, CURLOPT_PROXY, ""); // also ignores proxy variables of the environment
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS,
                     long(std::max(1, std::min(request.connectMs, request.deadlineMs))));
    curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(request.maxBytes));
    curl_easy_setopt(h, CURLOPT_SSLVERSION, long(CURL_SSLVERSION_TLSv1_2));
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!caFile.isEmpty()) curl_easy_setopt(h, CURLOPT_CAINFO, caFile.constData());
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    // A name lookup still running when the request ends is left behind, not waited for.
    curl_easy_setopt(h, CURLOPT_QUICK_EXIT, 1L);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &t);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, onBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(h, CURLOPT_PREREQFUNCTION, onConnected);
    curl_easy_setopt(h, CURLOPT_PREREQDATA, &t);
    curl_multi_add_handle(multi.get(), h);

    // curl's own low-speed rule only notices a stall seconds late, so the loop keeps a read
    // clock of its own (it restarts whenever bytes arrive), the overall deadline and the
    // cancel flag.
    QElapsedTimer clock;
    clock.start();
    qint64 lastActivity = -1;
    enum class Stop { No, Stalled, Deadline, Cancelled } stop = Stop::No;
    bool done = false;
    CURLcode result = CURLE_OK;
    while (!done) {
        int running = 0;
        curl_multi_perform(multi.get(), &running);
        int queued = 0;
        while (CURLMsg *msg = curl_multi_info_read(multi.get(), &queued)) {
            if (msg->msg == CURLMSG_DONE) {
                result = msg->data.result;
                done = true;
            }
        }
        if (done) break;
        if (t.connected && (t.activity || lastActivity < 0)) {
            lastActivity = clock.elapsed();
            t.activity = false;
        }
        if (request.cancel && request.cancel->load())
            stop = Stop::Cancelled;
        else if (clock.elapsed() >= request.deadlineMs)
            stop = Stop::Deadline;
        else if (lastActivity >= 0 && clock.elapsed() - lastActivity >= request.readMs)
            stop = Stop::Stalled;
        if (stop != Stop::No) break;
        curl_multi_poll(multi.get(), nullptr, 0, PollMs, nullptr);
    }
    curl_multi_remove_handle(multi.get(), h);

    switch (stop) {
    case Stop::Cancelled:
        throw HttpError(HttpError::Kind::Cancelled, QStringLiteral("Cancelled."));
    case Stop::Deadline:
        throw HttpError(HttpError::Kind::TimedOut,
                        QStringLiteral("Not answered within %1 ms.").arg(request.deadlineMs));
    case Stop::Stalled:
        throw HttpError(HttpError::Kind::TimedOut, QStringLiteral("Read timed out."));
    case Stop::No:
        break;
    }
    if (t.enough) return;
    if (t.tooLarge || result == CURLE_FILESIZE_EXCEEDED)
        throw HttpError(
            HttpError::Kind::TooLarge,
            QStringLiteral("The answer is larger than %1 bytes.").arg(request.maxBytes));
    if (t.writeFailed)
        throw HttpError(HttpError::Kind::Write,
                        body ? body->errorString() : QStringLiteral("Write error."));
    long status = t.refusedStatus;
    if (result == CURLE_OK && status == 0) curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    if (result == CURLE_OK || t.refusedStatus != 0) {
        if (status >= 200 && status <= 299) return;
        throw HttpError(HttpError::Kind::Status, t.statusLine.isEmpty()
                                                     ? QStringLiteral("HTTP status %1").arg(status)
                                                     : t.statusLine);
    }
    if (result == CURLE_OPERATION_TIMEDOUT)
        throw HttpError(HttpError::Kind::TimedOut, QStringLiteral("Connect timed out."));
    throw HttpError(HttpError::Kind::Network, errorText[0]
                                                  ? QString::fromLocal8Bit(errorText).trimmed()
                                                  : QString::fromUtf8(curl_easy_strerror(result)));
}
