#include "support/LocalServer.h"
#include "support/TestAuthority.h"
#include "update/CurlHttpClient.h"
#include "update/Manifest.h"
#include "update/TUpdater.h"
#include "update/UpdateTexts.h"
#include "update/UpdaterUi.h"
#include "update/Version.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace
{

const QColor Red(255, 0, 0), Green(0, 255, 0), Untouched(1, 2, 3);
const QString Before = QStringLiteral("before");

// Records what the updater does to the window.
struct RecordingUi final : UpdaterUi {
    QColor light = Untouched;
    QString local = Before, server = Before;
    bool button = true;
    int progressMax = -1, progressPos = -1;
    QStringList messages, started;
    bool startSucceeds = true;
    int terminated = 0;

    void setLight(const QColor &c) override { light = c; }
    void setLocalText(const QString &t) override { local = t; }
    void setServerText(const QString &t) override { server = t; }
    void setButtonEnabled(bool e) override { button = e; }
    void progressBegin(int max) override
    {
        progressMax = max;
        progressPos = 0;
    }
    void progressWork(int pos) override { progressPos = pos; }
    void progressEnd() override { progressPos = progressMax; }
    void message(const QString &t) override { messages << t; }
    bool startProgram(const QString &path) override
    {
        started << path;
        return startSucceeds;
    }
    void terminate() override { ++terminated; }
};

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// One authority and one HTTPS server for the whole file: making them costs a few
// openssl runs.
class UpdaterTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_certDir = new QTemporaryDir;
        s_authority = new TestAuthority(TestAuthority::create(s_certDir->path()));
    }
    static void TearDownTestSuite()
    {
        delete s_authority;
        delete s_certDir;
    }
    static QTemporaryDir *s_certDir;
    static TestAuthority *s_authority;

    std::unique_ptr<LocalServer> https() const
    {
        return std::make_unique<LocalServer>(s_authority->serverCertFile,
                                             s_authority->serverKeyFile);
    }
    std::shared_ptr<CurlHttpClient> client() const
    {
        return std::make_shared<CurlHttpClient>(s_authority->caFile);
    }
};
QTemporaryDir *UpdaterTest::s_certDir = nullptr;
TestAuthority *UpdaterTest::s_authority = nullptr;

} // namespace

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

TEST(Manifest, ReadsVersionAndUrlOfSectionUpdate)
{
    struct Case {
        const char *name;
        QByteArray text;
        const char *version, *url;
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
        {"empty text", "", "", ""},
        {"not an INI text", "<html>hello</html>", "", ""},
    };
    for (const Case &c : cases) {
        const Manifest m = Manifest::parse(c.text);
        EXPECT_EQ(m.version, QString::fromUtf8(c.version)) << c.name;
        EXPECT_EQ(m.url, QString::fromUtf8(c.url)) << c.name;
    }
}

TEST_F(UpdaterTest, ClientGetsOnlySuccessfulAnswers)
{
    LocalServer http;
    auto tls = https();
    const QByteArray big(300000, 'x');
    http.route("/ok", LocalServer::Route::answer(200, "hello"));
    http.route("/probe", LocalServer::Route::answer(204));
    http.route("/moved", LocalServer::Route::answer(302, "see there", "Location: /ok\r\n"));
    http.route("/error", LocalServer::Route::answer(500, "oops"));
    http.route("/silent", LocalServer::Route::neverAnswers());
    http.route("/stall", LocalServer::Route::stalling(big, 1000));
    tls->route("/big", LocalServer::Route::answer(200, big));
    const QString refused = QStringLiteral("http://127.0.0.1:%1/").arg(LocalServer::refusedPort());

    struct Case {
        QString name, url;
        bool ok;
        QByteArray body;
        QString error; // a part of the error's text
        bool timed;    // waits for the read time-out
    };
    const std::vector<Case> cases{
        {"200 with a body", http.url("/ok"), true, "hello", {}, false},
        {"204 without a body", http.url("/probe"), true, {}, {}, false},
        {"HTTPS with the test authority", tls->url("/big"), true, big, {}, false},
        {"redirect not followed", http.url("/moved"), false, {}, "HTTP/1.1 302 Found", false},
        {"404", http.url("/nothing"), false, {}, "HTTP/1.1 404 Not Found", false},
        {"500", http.url("/error"), false, {}, "HTTP/1.1 500", false},
        {"refused port", refused, false, {}, {}, false},
        {"other protocol", QStringLiteral("file:///etc/hostname"), false, {}, {}, false},
        {"server that never answers", http.url("/silent"), false, {}, "Read timed out.", true},
        {"body that stalls", http.url("/stall"), false, {}, "Read timed out.", true},
    };
    auto c = client();
    c->setTimeouts(3000, 3000);
    for (const Case &k : cases) {
        QBuffer body;
        body.open(QIODevice::WriteOnly);
        QElapsedTimer t;
        t.start();
        QString error;
        try {
            c->get(k.url, &body);
        } catch (const HttpError &e) {
            error = e.message();
        }
        EXPECT_EQ(error.isEmpty(), k.ok) << qPrintable(k.name) << ": " << qPrintable(error);
        if (k.ok) {
            EXPECT_EQ(body.data(), k.body) << qPrintable(k.name);
        } else {
            EXPECT_TRUE(error.contains(k.error)) << qPrintable(k.name) << ": " << qPrintable(error);
        }
        // A stall ends at the read time-out, not seconds later; nothing else waits for it.
        if (k.timed) {
            EXPECT_TRUE(t.elapsed() >= 2500 && t.elapsed() < 6000)
                << qPrintable(k.name) << t.elapsed();
        } else {
            EXPECT_LT(t.elapsed(), 2500) << qPrintable(k.name);
        }
    }
    // The redirect's target was never asked for; the error answers' bodies were not kept.
    EXPECT_EQ(http.paths().count("/ok"), 1);
}

TEST_F(UpdaterTest, ClientSendsFixedHeadersVerifiesServersAndIgnoresProxies)
{
    auto tls = https();
    tls->route("/v", LocalServer::Route::answer(200, "v"));
    // Proxy settings of the environment are not used.
    qputenv("https_proxy",
            QStringLiteral("http://127.0.0.1:%1").arg(LocalServer::refusedPort()).toLatin1());
    qputenv("HTTPS_PROXY", qgetenv("https_proxy"));
    QByteArray events;
    auto c = client();
    c->setWorkEvents({[&](qint64 max) { events += "begin " + QByteArray::number(max) + ';'; },
                      [&](qint64 n) { events += "work " + QByteArray::number(n) + ';'; },
                      [&] { events += "end;"; }});
    QBuffer body;
    body.open(QIODevice::WriteOnly);
    EXPECT_NO_THROW(c->get(tls->url("/v"), &body));
    qunsetenv("https_proxy");
    qunsetenv("HTTPS_PROXY");
    EXPECT_EQ(events, "begin 1;work 1;end;");
    ASSERT_EQ(tls->requests().size(), 1);
    const QByteArray head = tls->requests().first();
    EXPECT_TRUE(head.startsWith("GET /v HTTP/1.1\r\n")) << head.constData();
    EXPECT_TRUE(head.contains("\r\nUser-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n"));
    EXPECT_TRUE(head.contains(
        "\r\nAccept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8"));

    // A client that trusts only the system's authorities refuses the test server.
    CurlHttpClient system;
    EXPECT_THROW(system.get(tls->url("/v"), nullptr), HttpError);
    EXPECT_EQ(tls->requests().size(), 1);
}

// Every state of the start-up check.
TEST_F(UpdaterTest, ShowStatusStates)
{
    auto tls = https();
    LocalServer probe;
    probe.route("/204", LocalServer::Route::answer(204));
    tls->route("/newer",
               LocalServer::Route::answer(200, "[UPDATE]\nVersion=1.0.0.1\nURL=https://h/new\n"));
    tls->route("/same",
               LocalServer::Route::answer(200, "[UPDATE]\nVersion=1.0.0.0\nURL=https://h/new\n"));
    tls->route("/noversion", LocalServer::Route::answer(200, "[UPDATE]\nURL=https://h/new\n"));
    tls->route("/moved", LocalServer::Route::answer(302, {}, "Location: /newer\r\n"));
    const QString refused = QStringLiteral("http://127.0.0.1:%1/").arg(LocalServer::refusedPort());
    const QString current = UpdateTexts::CurrentVersion + QStringLiteral("1.0.0.0");

    struct Case {
        QString name, probeUrl, manifestUrl;
        bool librariesPresent = true;
        bool tempWritable = true;
        QColor light;
        QString local, server;
        bool button;
        QStringList messages;
        QString serverVersion;
    };
    const QString missingCrypto = UpdateTexts::LibraryMissing.arg(QStringLiteral("libcrypto.so.3"));
    const QString missingSsl = UpdateTexts::LibraryMissing.arg(QStringLiteral("libssl.so.3"));
    const std::vector<Case> cases{
        {"offline: refused probe",
         refused,
         tls->url("/newer"),
         true,
         true,
         Red,
         Before,
         UpdateTexts::Offline,
         false,
         {},
         {}},
        {"offline: probe not configured",
         {},
         tls->url("/newer"),
         true,
         true,
         Red,
         Before,
         UpdateTexts::Offline,
         false,
         {},
         {}},
        {"online, library files missing",
         probe.url("/204"),
         tls->url("/newer"),
         false,
         true,
         Green,
         current,
         Before,
         false,
         {missingCrypto, missingSsl},
         {}},
        {"online, manifest missing",
         probe.url("/204"),
         tls->url("/none"),
         true,
         true,
         Green,
         current,
         UpdateTexts::ReadError,
         false,
         {},
         {}},
        {"online, manifest redirected",
         probe.url("/204"),
         tls->url("/moved"),
         true,
         true,
         Green,
         current,
         UpdateTexts::ReadError,
         false,
         {},
         {}},
        {"online, manifest copy not writable",
         probe.url("/204"),
         tls->url("/newer"),
         true,
         false,
         Green,
         current,
         UpdateTexts::ReadError,
         false,
         {},
         {}},
        {"online, same version",
         probe.url("/204"),
         tls->url("/same"),
         true,
         true,
         Green,
         current,
         UpdateTexts::ServerVersion + QStringLiteral("1.0.0.0"),
         false,
         {},
         QStringLiteral("1.0.0.0")},
        {"online, no version key",
         probe.url("/204"),
         tls->url("/noversion"),
         true,
         true,
         Green,
         current,
         UpdateTexts::ServerVersion,
         false,
         {},
         {}},
        {"online, newer",
         probe.url("/204"),
         tls->url("/newer"),
         true,
         true,
         Green,
         current,
         UpdateTexts::ServerVersion + QStringLiteral("1.0.0.1"),
         true,
         {},
         QStringLiteral("1.0.0.1")},
    };
    for (const Case &c : cases) {
        QTemporaryDir dir;
        const QString libs = dir.filePath(QStringLiteral("libs"));
        QDir().mkpath(libs);
        std::vector<TlsLibraryFile> files{
            {QStringLiteral("libcrypto.so.3"), libs + QStringLiteral("/libcrypto.so.3")},
            {QStringLiteral("libssl.so.3"), libs + QStringLiteral("/libssl.so.3")}};
        if (c.librariesPresent)
            for (const TlsLibraryFile &f : files)
                writeFile(f.path, "lib");
        const QString temp =
            c.tempWritable ? dir.path() : dir.filePath(QStringLiteral("no/such/folder"));
        const qsizetype requestsBefore = tls->requests().size();
        RecordingUi ui;
        TUpdater updater(client(), ui, c.manifestUrl, {dir.path(), temp, c.probeUrl, files});
        EXPECT_FALSE(ui.button) << qPrintable(c.name) << ": disabled at creation";
        updater.ShowStatus();
        EXPECT_EQ(ui.light, c.light) << qPrintable(c.name);
        EXPECT_EQ(ui.local, c.local) << qPrintable(c.name);
        EXPECT_EQ(ui.server, c.server) << qPrintable(c.name);
        EXPECT_EQ(ui.button, c.button) << qPrintable(c.name);
        EXPECT_EQ(ui.messages, c.messages) << qPrintable(c.name);
        EXPECT_EQ(updater.ServerVersion(), c.serverVersion) << qPrintable(c.name);
        if (c.light == Red || !c.librariesPresent) {
            EXPECT_EQ(tls->requests().size(), requestsBefore)
                << qPrintable(c.name) << ": no HTTPS request";
        }
        if (!c.serverVersion.isEmpty()) {
            EXPECT_TRUE(readFile(dir.filePath(QStringLiteral("Version.ini"))).contains("Version="))
                << qPrintable(c.name);
        }
    }
}

TEST_F(UpdaterTest, OfflineWhenTheProbeNeverAnswers)
{
    LocalServer probe;
    probe.route("/silent", LocalServer::Route::neverAnswers());
    QTemporaryDir dir;
    RecordingUi ui;
    TUpdater updater(client(), ui, QStringLiteral("https://127.0.0.1:1/none"),
                     {dir.path(), dir.path(), probe.url("/silent"), {}});
    QElapsedTimer t;
    t.start();
    updater.ShowStatus();
    EXPECT_LT(t.elapsed(), 6000);
    EXPECT_EQ(ui.light, Red);
    EXPECT_EQ(ui.server, UpdateTexts::Offline);
}

TEST_F(UpdaterTest, DownloadSavesWholeProgramStartsItAndEnds)
{
    auto tls = https();
    LocalServer probe;
    probe.route("/204", LocalServer::Route::answer(204));
    const QByteArray program(200000, 'p');
    tls->route("/m", LocalServer::Route::answer(
                         200, "[UPDATE]\nVersion=2\nURL=" + tls->url("/new").toLatin1() + '\n'));
    tls->route("/new", LocalServer::Route::answer(200, program));
    QTemporaryDir dir;
    const QString target = dir.filePath(TUpdater::newProgramName());
    writeFile(target, "old program");
    QFile::setPermissions(target, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    RecordingUi ui;
    TUpdater updater(client(), ui, tls->url("/m"), {dir.path(), dir.path(), probe.url("/204"), {}});
    updater.ShowStatus();
    ASSERT_TRUE(ui.button);

    updater.DownloadUpdate();
    EXPECT_EQ(readFile(target), program);
    EXPECT_TRUE(QFileInfo(target).isExecutable());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
              (QStringList{TUpdater::newProgramName(), QStringLiteral("Version.ini")}));
    EXPECT_EQ(ui.messages, QStringList{UpdateTexts::Downloaded});
    EXPECT_EQ(ui.started, QStringList{target});
    EXPECT_EQ(ui.terminated, 1);
    EXPECT_EQ(ui.progressMax, program.size());
    EXPECT_EQ(ui.progressPos, program.size());
}

TEST_F(UpdaterTest, FailedDownloadLeavesNoPartialFile)
{
    auto tls = https();
    LocalServer probe;
    probe.route("/204", LocalServer::Route::answer(204));
    tls->route("/stall", LocalServer::Route::stalling(QByteArray(100000, 's'), 5000));
    tls->route("/moved", LocalServer::Route::answer(301, {}, "Location: /stall\r\n"));
    const QString refused =
        QStringLiteral("https://127.0.0.1:%1/new").arg(LocalServer::refusedPort());
    struct Case {
        QString name, url;
        bool oldCopy;
        QString error;
    };
    const std::vector<Case> cases{
        {"404, old copy kept", tls->url("/none"), true, QStringLiteral("HTTP/1.1 404 Not Found")},
        {"redirect", tls->url("/moved"), false, QStringLiteral("HTTP/1.1 301 Moved Permanently")},
        {"refused", refused, false, {}},
        {"stalled body, old copy kept", tls->url("/stall"), true,
         QStringLiteral("Read timed out.")},
    };
    for (const Case &c : cases) {
        QTemporaryDir dir;
        const QString target = dir.filePath(TUpdater::newProgramName());
        if (c.oldCopy) writeFile(target, "old program");
        tls->route("/m", LocalServer::Route::answer(
                             200, "[UPDATE]\nVersion=2\nURL=" + c.url.toLatin1() + '\n'));
        RecordingUi ui;
        TUpdater updater(client(), ui, tls->url("/m"),
                         {dir.path(), dir.path(), probe.url("/204"), {}});
        updater.ShowStatus();
        QString error;
        try {
            updater.DownloadUpdate();
        } catch (const UserError &e) {
            error = e.message();
        }
        EXPECT_FALSE(error.isEmpty()) << qPrintable(c.name);
        EXPECT_TRUE(error.contains(c.error)) << qPrintable(c.name) << ": " << qPrintable(error);
        const QStringList expected =
            c.oldCopy ? QStringList{TUpdater::newProgramName(), QStringLiteral("Version.ini")}
                      : QStringList{QStringLiteral("Version.ini")};
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), expected) << qPrintable(c.name);
        if (c.oldCopy) {
            EXPECT_EQ(readFile(target), "old program") << qPrintable(c.name);
        }
        EXPECT_TRUE(ui.messages.isEmpty()) << qPrintable(c.name);
        EXPECT_TRUE(ui.started.isEmpty()) << qPrintable(c.name);
        EXPECT_EQ(ui.terminated, 0) << qPrintable(c.name);
    }
}

TEST_F(UpdaterTest, DownloadStopsEarlyWithAMessage)
{
    auto tls = https();
    LocalServer probe;
    probe.route("/204", LocalServer::Route::answer(204));
    tls->route("/nourl", LocalServer::Route::answer(200, "[UPDATE]\nVersion=2\n"));
    tls->route("/m", LocalServer::Route::answer(
                         200, "[UPDATE]\nVersion=2\nURL=" + tls->url("/new").toLatin1() + '\n'));
    tls->route("/new", LocalServer::Route::answer(200, "program"));
    const QString missingCrypto = UpdateTexts::LibraryMissing.arg(QStringLiteral("libcrypto.so.3"));
    const QString missingSsl = UpdateTexts::LibraryMissing.arg(QStringLiteral("libssl.so.3"));
    struct Case {
        QString name, manifest;
        bool librariesPresent, startSucceeds;
        QStringList messages;
        QString error;
        bool file;
    };
    const std::vector<Case> cases{
        {"no link", QStringLiteral("/nourl"), true, true, {UpdateTexts::NoUpdateLink}, {}, false},
        {"library files missing",
         QStringLiteral("/m"),
         false,
         true,
         {missingCrypto, missingSsl},
         {},
         false},
        {"new program does not start",
         QStringLiteral("/m"),
         true,
         false,
         {UpdateTexts::Downloaded},
         UpdateTexts::CannotStart.left(10),
         true},
    };
    for (const Case &c : cases) {
        QTemporaryDir dir;
        std::vector<TlsLibraryFile> files{
            {QStringLiteral("libcrypto.so.3"), dir.filePath(QStringLiteral("c"))},
            {QStringLiteral("libssl.so.3"), dir.filePath(QStringLiteral("s"))}};
        RecordingUi ui;
        ui.startSucceeds = c.startSucceeds;
        TUpdater checked(client(), ui, tls->url(c.manifest.toLatin1()),
                         {dir.path(), dir.path(), probe.url("/204"),
                          c.librariesPresent ? std::vector<TlsLibraryFile>{} : files});
        checked.ShowStatus();
        EXPECT_EQ(ui.button, c.librariesPresent) << qPrintable(c.name);
        ui.messages.clear();
        const qsizetype before = tls->paths().count("/new");
        QString error;
        try {
            checked.DownloadUpdate();
        } catch (const UserError &e) {
            error = e.message();
        }
        EXPECT_EQ(ui.messages, c.messages) << qPrintable(c.name);
        EXPECT_EQ(error.isEmpty(), c.error.isEmpty()) << qPrintable(c.name);
        EXPECT_TRUE(error.startsWith(c.error)) << qPrintable(c.name);
        EXPECT_EQ(QFileInfo::exists(checked.newProgramPath()), c.file) << qPrintable(c.name);
        EXPECT_EQ(tls->paths().count("/new") - before, c.file ? 1 : 0) << qPrintable(c.name);
        EXPECT_EQ(ui.terminated, 0) << qPrintable(c.name);
    }
}
