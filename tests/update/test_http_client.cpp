// The updater's parts: version comparison, manifest, signatures, the release script and the
// HTTP client against hostile local servers.
#include "BuildVersion.h"
#include "UpdaterFixture.h"
#include "platform/TlsLibraries.h"
#include "update/Manifest.h"
#include "update/ReleaseSignature.h"
#include "update/Version.h"

#include <QBuffer>
#include <QProcess>
#include <gtest/gtest.h>
#include <openssl/ssl.h>
#include <thread>

TEST(Version, ComparesPartByPartAsNumbers)
{
    struct Case {
        const char *running, *offered;
        bool newer;
    };
    const std::vector<Case> cases{
        {"1.0.0.1", "1.0.0.2", true},     {"1.0.0.1", "1.0.1", true},
        {"1.0.0.1", "1.0.0", false},      {"1.0.0.1", "1.0.0.1.5", false},
        {"1.0.0.1", "1.0.0.1", false},    {"1.2.0.0", "1.10", true},
        {"1.9.0.0", "2.x", true},         {"1.0.0.1", "1.x", false},
        {"1.0.0.1", "", false},           {"1.0.0.0", "0.9.9.9", false},
        {"1.0.0.0", "1..1", true},        {"1.0.0.0", "1.0.0.0000001", true},
        {"1.0.0.0", "99999999999", true}, {"0.0.0.0", "abc.def", false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(Version::isNewer(QString::fromLatin1(c.running), QString::fromLatin1(c.offered)),
                  c.newer)
            << c.running << " vs " << c.offered;
}

TEST(Version, RunningVersionHasFourParts)
{
    EXPECT_EQ(Version::appVersion(), QStringLiteral(TALVORO_VERSION));
    EXPECT_EQ(Version::appVersion().split(u'.').size(), 4);
}

TEST(TlsLibraries, NamesTheLoadedCryptoThenTlsLibrary)
{
    const std::vector<TlsLibraryFile> files = tlsLibraryFiles(QDir::currentPath());
    ASSERT_EQ(files.size(), 2u);
    EXPECT_TRUE(files[0].name.startsWith(u"libcrypto")) << qPrintable(files[0].name);
    EXPECT_TRUE(files[1].name.startsWith(u"libssl")) << qPrintable(files[1].name);
    for (const TlsLibraryFile &f : files)
        EXPECT_TRUE(QFileInfo(f.path).isFile()) << qPrintable(f.path);
}

TEST(Manifest, ReadsTheKeysOfSectionUpdate)
{
    struct Case {
        const char *name;
        QByteArray text;
        const char *version, *url, *sha256 = "", *signature = "", *package = "";
    };
    const std::vector<Case> cases{
        {"plain", "[UPDATE]\nVersion=1.2.3.4\nURL=https://h/Talvoro.exe?dl=1\n", "1.2.3.4",
         "https://h/Talvoro.exe?dl=1"},
        {"CR LF, blanks, other case, byte-order mark",
         "\xEF\xBB\xBF[update]\r\n version = 2.0 \r\nurl= https://h/a,b \r\n", "2.0",
         "https://h/a,b"},
        {"missing URL", "[UPDATE]\nVersion=3\n", "3", ""},
        {"missing Version", "[UPDATE]\nURL=u\n", "", "u"},
        {"other sections ignored, first key counts",
         "[OTHER]\nVersion=9\n[UPDATE]\n; note\nVersion=4\nVersion=5\n[X]\nURL=no\n", "4", ""},
        {"quoted values", "[UPDATE]\nVersion=\"1.5\"\nURL='u v'\n", "1.5", "u v"},
        {"signed release",
         "[UPDATE]\nVersion=2\nURL=https://h/p\nSHA256=AB12\nSignature=c2ln==\nPackage=https://h/"
         "d\n",
         "2", "https://h/p", "AB12", "c2ln==", "https://h/d"},
        {"empty text", "", "", ""},
        {"not an INI text", "<html>hello</html>", "", ""},
    };
    for (const Case &c : cases) {
        const Manifest m = Manifest::parse(c.text);
        EXPECT_EQ(m.version, QString::fromUtf8(c.version)) << c.name;
        EXPECT_EQ(m.url, QString::fromUtf8(c.url)) << c.name;
        EXPECT_EQ(m.sha256, QString::fromUtf8(c.sha256)) << c.name;
        EXPECT_EQ(m.signature, QString::fromUtf8(c.signature)) << c.name;
        EXPECT_EQ(m.package, QString::fromUtf8(c.package)) << c.name;
    }
}

TEST(ReleaseSignature, VerifiesOnlyThePublishersSignatureOfTheSameText)
{
    const TestPublisher &publisher = UpdaterWorld::get().publisher;
    const TestPublisher stranger;
    const QByteArray key = ReleaseSignature::publicKeyFromBase64(publisher.publicKey());
    ASSERT_EQ(key.size(), 32);
    const QString digest(64, u'a');
    const QByteArray text = ReleaseSignature::signedText(QStringLiteral("1.0.0.7"), digest);
    EXPECT_EQ(text, "Talvoro CCP update\nVersion=1.0.0.7\nSHA256=" + QByteArray(64, 'a') + '\n');
    const QByteArray good = QByteArray::fromBase64(publisher.sign(text));
    QByteArray flipped = good;
    flipped[10] = char(flipped[10] ^ 1);

    struct Case {
        const char *name;
        QByteArray key, message, signature;
        bool valid;
    };
    const std::vector<Case> cases{
        {"the publisher's", key, text, good, true},
        {"another version", key, ReleaseSignature::signedText(QStringLiteral("1.0.0.8"), digest),
         good, false},
        {"another digest", key,
         ReleaseSignature::signedText(QStringLiteral("1.0.0.7"), QString(64, u'b')), good, false},
        {"a stranger's", key, text, QByteArray::fromBase64(stranger.sign(text)), false},
        {"one bit changed", key, text, flipped, false},
        {"cut short", key, text, good.left(63), false},
        {"empty", key, text, {}, false},
        {"no key", {}, text, good, false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ReleaseSignature::verify(c.key, c.message, c.signature), c.valid) << c.name;

    EXPECT_TRUE(ReleaseSignature::publicKeyFromBase64(QStringLiteral("abc")).isEmpty());
    EXPECT_TRUE(ReleaseSignature::publicKeyFromBase64(QStringLiteral("!!!!")).isEmpty());
    EXPECT_TRUE(ReleaseSignature::isSha256Hex(QString(64, u'F')));
    EXPECT_FALSE(ReleaseSignature::isSha256Hex(QString(63, u'0')));
    EXPECT_FALSE(ReleaseSignature::isSha256Hex(QString(64, u'g')));
}

TEST(ReleaseSignature, HashingWriterPassesBytesOnAndKeepsTheirDigest)
{
    QBuffer target;
    target.open(QIODevice::WriteOnly);
    HashingWriter w(target);
    w.write("a");
    w.write("bc");
    EXPECT_EQ(target.data(), "abc");
    EXPECT_EQ(w.sha256Hex(),
              QStringLiteral("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"));
}

// The documented script makes a key and a manifest that the program accepts.
TEST(ReleaseSignature, ReleaseScriptSignsWhatTheProgramVerifies)
{
    QTemporaryDir dir;
    auto run = [&](const QStringList &args) {
        QProcess p;
        p.setWorkingDirectory(dir.path());
        p.start(QStringLiteral(TALVORO_SIGN_SCRIPT), args);
        EXPECT_TRUE(p.waitForFinished(60000));
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().constData();
        return p.readAllStandardOutput();
    };
    const QString publicKey = QString::fromLatin1(
        run({QStringLiteral("new-key"), QStringLiteral("publisher.pem")}).trimmed());
    ASSERT_EQ(ReleaseSignature::publicKeyFromBase64(publicKey).size(), 32) << qPrintable(publicKey);
    EXPECT_EQ(QFile::permissions(dir.filePath(QStringLiteral("publisher.pem"))) &
                  (QFileDevice::ReadOther | QFileDevice::ReadGroup),
              QFileDevice::Permissions());
    const QByteArray program(70000, 'r');
    ASSERT_TRUE(writeFile(dir.filePath(QStringLiteral("Talvoro")), program));
    const Manifest m = Manifest::parse(
        run({QStringLiteral("sign"), QStringLiteral("publisher.pem"), QStringLiteral("Talvoro"),
             QStringLiteral("1.0.0.9"), QStringLiteral("https://host/Talvoro"),
             QStringLiteral("https://host/talvoro.deb")}));
    EXPECT_EQ(m.version, QStringLiteral("1.0.0.9"));
    EXPECT_EQ(m.url, QStringLiteral("https://host/Talvoro"));
    EXPECT_EQ(m.package, QStringLiteral("https://host/talvoro.deb"));
    EXPECT_EQ(m.sha256.toLatin1(), TestPublisher::sha256Hex(program));
    EXPECT_TRUE(ReleaseSignature::verify(ReleaseSignature::publicKeyFromBase64(publicKey),
                                         ReleaseSignature::signedText(m.version, m.sha256),
                                         QByteArray::fromBase64(m.signature.toLatin1())));
    EXPECT_EQ(entries(dir.path()),
              (QStringList{QStringLiteral("Talvoro"), QStringLiteral("publisher.pem")}));
}

namespace
{

HttpRequest plainRequest(const QString &url)
{
    HttpRequest r;
    r.url = url;
    r.httpsOnly = false;
    r.connectMs = 2000;
    r.readMs = 1500;
    r.deadlineMs = 20000;
    r.maxBytes = 1024 * 1024;
    return r;
}

} // namespace

TEST(HttpClient, GetsOnlySuccessfulAnswersWithinItsLimits)
{
    UpdaterWorld &world = UpdaterWorld::get();
    LocalServer http;
    auto tls = world.https();
    auto oldTls = world.https(TLS1_1_VERSION);
    auto otherHost = world.otherHostHttps();
    const QByteArray big(300000, 'x');
    http.route("/ok", LocalServer::Route::answer(200, "hello"));
    http.route("/probe", LocalServer::Route::answer(204));
    http.route("/moved", LocalServer::Route::answer(302, "see there", "Location: /ok\r\n"));
    http.route("/error", LocalServer::Route::answer(500, "oops"));
    http.route("/silent", LocalServer::Route::neverAnswers());
    http.route("/stall", LocalServer::Route::stalling(big, 1000));
    http.route("/slow-head", tricklingHead());
    http.route("/slow-body", LocalServer::Route::trickling(200, QByteArray(1000, 't'), 100, false));
    http.route("/endless", LocalServer::Route::endlessBody());
    http.route("/big", LocalServer::Route::answer(200, big));
    tls->route("/big", LocalServer::Route::answer(200, big));
    tls->route("/endless", LocalServer::Route::endlessBody());
    oldTls->route("/v", LocalServer::Route::answer(200, "v"));
    otherHost->route("/v", LocalServer::Route::answer(200, "v"));
    const QString refused = QStringLiteral("http://127.0.0.1:%1/").arg(LocalServer::refusedPort());
    using Kind = HttpError::Kind;

    struct Case {
        QString name;
        HttpRequest request;
        std::optional<Kind> failure = {}; // none: success
        QByteArray body = {};
        QString error = {}; // a part of the error's text
        int atLeastMs = 0;  // a time-out case waits for its limit
    };
    auto with = [](HttpRequest r, auto change) {
        change(r);
        return r;
    };
    const std::vector<Case> cases{
        {"200 with a body", plainRequest(http.url("/ok")), {}, "hello"},
        {"204 without a body", plainRequest(http.url("/probe")), {}, {}},
        {"HTTPS with the test authority",
         with(plainRequest(tls->url("/big")), [](auto &r) { r.httpsOnly = true; }),
         {},
         big},
        {"ignored body: the status is enough",
         with(plainRequest(http.url("/big")), [](auto &r) { r.bodyIgnored = true; }),
         {},
         {}},
        {"plain http where https is required",
         with(plainRequest(http.url("/ok")), [](auto &r) { r.httpsOnly = true; }),
         Kind::Refused,
         {},
         "Only https"},
        {"other protocol", plainRequest(QStringLiteral("file:///etc/hostname")), Kind::Refused},
        {"redirect not followed",
         plainRequest(http.url("/moved")),
         Kind::Status,
         {},
         "HTTP/1.1 302 Found"},
        {"404", plainRequest(http.url("/nothing")), Kind::Status, {}, "HTTP/1.1 404 Not Found"},
        {"500", plainRequest(http.url("/error")), Kind::Status, {}, "HTTP/1.1 500"},
        {"refused port", plainRequest(refused), Kind::Network},
        {"server that never answers",
         plainRequest(http.url("/silent")),
         Kind::TimedOut,
         {},
         "Read timed out.",
         1500},
        {"body that stalls",
         plainRequest(http.url("/stall")),
         Kind::TimedOut,
         {},
         "Read timed out.",
         1500},
        {"headers that trickle",
         with(plainRequest(http.url("/slow-head")), [](auto &r) { r.deadlineMs = 2500; }),
         Kind::TimedOut,
         {},
         "within 2500 ms",
         2500},
        {"body that trickles",
         with(plainRequest(http.url("/slow-body")), [](auto &r) { r.deadlineMs = 2500; }),
         Kind::TimedOut,
         {},
         "within 2500 ms",
         2500},
        {"endless body",
         with(plainRequest(http.url("/endless")), [](auto &r) { r.maxBytes = 64 * 1024; }),
         Kind::TooLarge,
         {},
         "larger than 65536 bytes"},
        {"endless body over TLS",
         with(plainRequest(tls->url("/endless")), [](auto &r) { r.maxBytes = 64 * 1024; }),
         Kind::TooLarge,
         {},
         "larger than 65536 bytes"},
        {"declared length over the cap",
         with(plainRequest(http.url("/big")), [](auto &r) { r.maxBytes = 100000; }),
         Kind::TooLarge,
         {},
         "larger than 100000 bytes"},
        {"TLS below 1.2", plainRequest(oldTls->url("/v")), Kind::Network, {}, "protocol version"},
        {"certificate for another host",
         plainRequest(otherHost->url("/v")),
         Kind::Network,
         {},
         "127.0.0.1"},
    };
    auto c = world.client();
    for (const Case &k : cases) {
        QBuffer body;
        body.open(QIODevice::WriteOnly);
        QElapsedTimer t;
        t.start();
        std::optional<Kind> failure;
        QString error;
        try {
            c->get(k.request, &body);
        } catch (const HttpError &e) {
            failure = e.kind();
            error = e.message();
        }
        const qint64 elapsed = t.elapsed();
        EXPECT_EQ(failure, k.failure) << qPrintable(k.name) << ": " << qPrintable(error);
        if (!k.failure) {
            EXPECT_EQ(body.data(), k.body) << qPrintable(k.name);
        } else {
            EXPECT_TRUE(error.contains(k.error)) << qPrintable(k.name) << ": " << qPrintable(error);
            EXPECT_LE(body.size(), k.request.maxBytes) << qPrintable(k.name);
        }
        // Each ends at its own limit, not at a later one.
        EXPECT_GE(elapsed, k.atLeastMs) << qPrintable(k.name);
        EXPECT_LT(elapsed, std::max(k.atLeastMs, 1500) + 6000) << qPrintable(k.name);
    }
    // The redirect's target was never asked for; the plain request refused sent nothing.
    EXPECT_EQ(http.paths().count("/ok"), 1);
    EXPECT_TRUE(oldTls->requests().isEmpty());
    EXPECT_TRUE(otherHost->requests().isEmpty());
}

TEST(HttpClient, ACancelEndsTheRequestAtOnce)
{
    LocalServer http;
    http.route("/stall", LocalServer::Route::stalling(QByteArray(100000, 's'), 10));
    std::atomic<bool> cancel{false};
    HttpRequest r = plainRequest(http.url("/stall"));
    r.readMs = 60000;
    r.deadlineMs = 60000;
    r.cancel = &cancel;
    std::optional<HttpError::Kind> failure;
    QElapsedTimer t;
    t.start();
    std::thread worker([&] {
        try {
            UpdaterWorld::get().client()->get(r, nullptr);
        } catch (const HttpError &e) {
            failure = e.kind();
        }
    });
    ASSERT_TRUE(waitFor([&] { return !http.requests().isEmpty(); }, 20000));
    cancel = true;
    worker.join();
    EXPECT_EQ(failure, HttpError::Kind::Cancelled);
    EXPECT_LT(t.elapsed(), 20000);
}

TEST(HttpClient, SendsFixedHeadersReportsProgressAndIgnoresProxies)
{
    UpdaterWorld &world = UpdaterWorld::get();
    auto tls = world.https();
    tls->route("/v", LocalServer::Route::answer(200, "v"));
    // Proxy settings of the environment are not used.
    qputenv("https_proxy",
            QStringLiteral("http://127.0.0.1:%1").arg(LocalServer::refusedPort()).toLatin1());
    qputenv("HTTPS_PROXY", qgetenv("https_proxy"));
    QByteArray events;
    HttpRequest r = plainRequest(tls->url("/v"));
    r.progress = [&](qint64 n, qint64 total) {
        events += QByteArray::number(n) + '/' + QByteArray::number(total) + ';';
    };
    QBuffer body;
    body.open(QIODevice::WriteOnly);
    EXPECT_NO_THROW(world.client()->get(r, &body));
    qunsetenv("https_proxy");
    qunsetenv("HTTPS_PROXY");
    EXPECT_EQ(events, "1/1;");
    ASSERT_EQ(tls->requests().size(), 1);
    const QByteArray head = tls->requests().first();
    EXPECT_TRUE(head.startsWith("GET /v HTTP/1.1\r\n")) << head.constData();
    EXPECT_TRUE(head.contains("\r\nUser-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n"));
    EXPECT_TRUE(head.contains(
        "\r\nAccept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8"));

    // A client that trusts only the system's authorities refuses the test server.
    CurlHttpClient system;
    EXPECT_THROW(system.get(r, nullptr), HttpError);
    EXPECT_EQ(tls->requests().size(), 1);
}
