// The updater against local servers: the check, the download, and every hostile answer.
#include "UpdaterFixture.h"
#include "update/ReleaseSignature.h"
#include "update/UpdateTexts.h"
#include "update/Updater.h"

#include <gtest/gtest.h>
#include <openssl/ssl.h>

namespace
{

const QColor Red(255, 0, 0), Green(0, 255, 0), Checking(192, 192, 192);
const QString Before = QStringLiteral("before");
const QString Current = UpdateTexts::CurrentVersion() + QStringLiteral("1.0.0.0");

// Short limits, so the hostile cases end soon; the margins below stay generous.
UpdateLimits testLimits()
{
    UpdateLimits l;
    l.connectMs = 2000;
    l.readMs = 1500;
    l.probeMs = 2000;
    l.manifestMs = 2500;
    l.downloadMs = 4000;
    l.manifestBytes = 64 * 1024;
    l.programBytes = 1024 * 1024;
    return l;
}
const int Margin = 6000;

std::vector<TlsLibraryFile> libraryFiles(const QString &dir, bool present)
{
    std::vector<TlsLibraryFile> files{
        {QStringLiteral("libcrypto.so.3"), QDir(dir).filePath(QStringLiteral("libcrypto.so.3"))},
        {QStringLiteral("libssl.so.3"), QDir(dir).filePath(QStringLiteral("libssl.so.3"))}};
    if (present)
        for (const TlsLibraryFile &f : files)
            writeFile(f.path, "lib");
    return files;
}

const QString MissingCrypto = UpdateTexts::LibraryMissing().arg(QStringLiteral("libcrypto.so.3"));
const QString MissingSsl = UpdateTexts::LibraryMissing().arg(QStringLiteral("libssl.so.3"));

// Servers and programs shared by the cases of one test.
struct Servers {
    UpdaterWorld &world = UpdaterWorld::get();
    LocalServer probe;
    std::unique_ptr<LocalServer> tls = world.https();
    std::unique_ptr<LocalServer> oldTls = world.https(TLS1_1_VERSION);
    std::unique_ptr<LocalServer> otherHost = world.otherHostHttps();
    const QByteArray program = QByteArray(200000, 'p');

    Servers()
    {
        probe.route("/204", LocalServer::Route::answer(204));
        probe.route("/slow-head", tricklingHead());
        tls->route("/Talvoro", LocalServer::Route::answer(200, program));
    }
    QByteArray signedManifest(const QByteArray &version, const QString &url) const
    {
        return world.publisher.manifest(version, url, program);
    }
    void serve(const QByteArray &path, const QByteArray &manifest) const
    {
        tls->route(path, LocalServer::Route::answer(200, manifest));
    }
};

} // namespace

// Every outcome of the start-up check, the hostile ones included. Each ends within its
// deadline with the right state and detail, and writes no file anywhere.
TEST(Updater, CheckStates)
{
    Servers s;
    const QString programUrl = s.tls->url("/Talvoro");
    s.serve("/newer", s.signedManifest("1.0.0.1", programUrl));
    s.serve("/same", s.signedManifest("1.0.0.0", programUrl));
    s.serve("/unsigned", "[UPDATE]\nVersion=1.0.0.1\nURL=" + programUrl.toLatin1() + '\n');
    QByteArray forged = s.signedManifest("1.0.0.1", programUrl);
    forged.replace("Version=1.0.0.1", "Version=9.0.0.0"); // signed for another version
    s.serve("/forged", forged);
    QByteArray noDigest = s.signedManifest("1.0.0.1", programUrl);
    noDigest.replace("SHA256=", "Digest=");
    s.serve("/nodigest", noDigest);
    s.tls->route("/moved", LocalServer::Route::answer(302, {}, "Location: /newer\r\n"));
    s.tls->route("/trickle", LocalServer::Route::trickling(
                                 200, s.signedManifest("1.0.0.1", programUrl), 100, false));
    s.tls->route("/endless", LocalServer::Route::endlessBody());
    s.oldTls->route("/newer",
                    LocalServer::Route::answer(200, s.signedManifest("1.0.0.1", programUrl)));
    s.otherHost->route("/newer",
                       LocalServer::Route::answer(200, s.signedManifest("1.0.0.1", programUrl)));
    const QString refused = QStringLiteral("http://127.0.0.1:%1/").arg(LocalServer::refusedPort());
    const QString key = s.world.publisher.publicKey();
    const UpdateLimits limits = testLimits();
    const QString offered = UpdateTexts::ServerVersion() + QStringLiteral("1.0.0.1");

    struct Case {
        QString name, probeUrl, manifestUrl;
        QColor light;
        QString local, server;
        bool button;
        QString detail; // a part of the tool tip; empty: none
        int atLeastMs = 0;
        int deadlineMs = 0;
        QStringList messages = {};
        bool librariesPresent = true;
        QString publicKey = {};
    };
    const std::vector<Case> cases{
        {"offline: refused probe", refused, s.tls->url("/newer"), Red, Before,
         UpdateTexts::Offline(), false, UpdateTexts::OfflineDetail()},
        {"offline: probe not configured",
         {},
         s.tls->url("/newer"),
         Red,
         Before,
         UpdateTexts::Offline(),
         false,
         UpdateTexts::OfflineDetail()},
        {"offline: probe whose headers trickle", s.probe.url("/slow-head"), s.tls->url("/newer"),
         Red, Before, UpdateTexts::Offline(), false, UpdateTexts::OfflineDetail(), limits.probeMs,
         limits.probeMs},
        {"online, library files missing",
         s.probe.url("/204"),
         s.tls->url("/newer"),
         Green,
         Current,
         Before,
         false,
         {},
         0,
         0,
         {MissingCrypto, MissingSsl},
         false},
        {"manifest missing", s.probe.url("/204"), s.tls->url("/none"), Green, Current,
         UpdateTexts::ReadError(), false, QStringLiteral("404")},
        {"manifest redirected", s.probe.url("/204"), s.tls->url("/moved"), Green, Current,
         UpdateTexts::ReadError(), false, QStringLiteral("302")},
        {"manifest over plain http", s.probe.url("/204"), s.probe.url("/204"), Green, Current,
         UpdateTexts::ReadError(), false, QStringLiteral("Only https")},
        {"manifest that trickles", s.probe.url("/204"), s.tls->url("/trickle"), Green, Current,
         UpdateTexts::ReadError(), false, QStringLiteral("within 2500 ms"), limits.manifestMs,
         limits.manifestMs},
        {"endless manifest", s.probe.url("/204"), s.tls->url("/endless"), Green, Current,
         UpdateTexts::ReadError(), false, QStringLiteral("larger than 65536 bytes")},
        {"server offering only TLS below 1.2", s.probe.url("/204"), s.oldTls->url("/newer"), Green,
         Current, UpdateTexts::ReadError(), false, QStringLiteral("protocol version")},
        {"certificate for another host", s.probe.url("/204"), s.otherHost->url("/newer"), Green,
         Current, UpdateTexts::ReadError(), false, QStringLiteral("127.0.0.1")},
        {"manifest without signature", s.probe.url("/204"), s.tls->url("/unsigned"), Green, Current,
         UpdateTexts::ReadError(), false, UpdateTexts::NotSigned()},
        {"signature of another version", s.probe.url("/204"), s.tls->url("/forged"), Green, Current,
         UpdateTexts::ReadError(), false, UpdateTexts::BadSignature()},
        {"signature by another key",
         s.probe.url("/204"),
         s.tls->url("/newer"),
         Green,
         Current,
         UpdateTexts::ReadError(),
         false,
         UpdateTexts::BadSignature(),
         0,
         0,
         {},
         true,
         TestPublisher().publicKey()},
        {"signed manifest without digest", s.probe.url("/204"), s.tls->url("/nodigest"), Green,
         Current, UpdateTexts::ReadError(), false, UpdateTexts::NoDigest()},
        {"same version",
         s.probe.url("/204"),
         s.tls->url("/same"),
         Green,
         Current,
         UpdateTexts::ServerVersion() + QStringLiteral("1.0.0.0"),
         false,
         {}},
        {"newer", s.probe.url("/204"), s.tls->url("/newer"), Green, Current, offered, true, {}},
        {"newer, unsigned, no key built in",
         s.probe.url("/204"),
         s.tls->url("/unsigned"),
         Green,
         Current,
         offered,
         true,
         {},
         0,
         0,
         {},
         true,
         QStringLiteral(" ")},
    };
    for (const Case &c : cases) {
        QTemporaryDir programDir, libs;
        RecordingUi ui;
        Updater updater(
            s.world.client(), ui, c.manifestUrl,
            {programDir.path(), c.probeUrl, libraryFiles(libs.path(), c.librariesPresent), false},
            c.publicKey.isEmpty() ? key : c.publicKey, limits);
        EXPECT_FALSE(ui.button) << qPrintable(c.name) << ": disabled at creation";
        QElapsedTimer t;
        t.start();
        updater.showStatus();
        // The answer comes later: the light says "checking" meanwhile.
        if (!c.probeUrl.isEmpty()) {
            EXPECT_EQ(ui.light, Checking) << qPrintable(c.name);
            EXPECT_EQ(ui.detail, UpdateTexts::Checking()) << qPrintable(c.name);
        }
        EXPECT_TRUE(waitFor([&] { return !updater.checking(); }, c.deadlineMs + 3 * Margin))
            << qPrintable(c.name);
        const qint64 elapsed = t.elapsed();
        EXPECT_GE(elapsed, c.atLeastMs) << qPrintable(c.name);
        EXPECT_LT(elapsed, c.deadlineMs + Margin) << qPrintable(c.name);
        EXPECT_EQ(ui.light, c.light) << qPrintable(c.name);
        EXPECT_EQ(ui.local, c.local) << qPrintable(c.name);
        EXPECT_EQ(ui.server, c.server) << qPrintable(c.name);
        EXPECT_EQ(ui.button, c.button) << qPrintable(c.name);
        EXPECT_EQ(ui.messages, c.messages) << qPrintable(c.name);
        if (c.detail.isEmpty()) {
            EXPECT_TRUE(ui.detail.isEmpty()) << qPrintable(c.name) << qPrintable(ui.detail);
        } else {
            EXPECT_TRUE(ui.detail.contains(c.detail))
                << qPrintable(c.name) << ": " << qPrintable(ui.detail);
        }
        EXPECT_EQ(updater.statusDetail(), ui.detail) << qPrintable(c.name);
        // The check leaves the progress bar alone and writes nothing.
        EXPECT_EQ(ui.progressMax, -1) << qPrintable(c.name);
        EXPECT_TRUE(entries(programDir.path()).isEmpty()) << qPrintable(c.name);
    }
}

// The manifest is never written to the shared temporary folder, so a link planted there by
// another user redirects nothing.
TEST(Updater, CheckWritesNothingThroughALinkInTheTemporaryFolder)
{
    Servers s;
    s.serve("/newer", s.signedManifest("1.0.0.1", s.tls->url("/Talvoro")));
    QTemporaryDir sharedTemp, victimDir, programDir;
    const QString victim = victimDir.filePath(QStringLiteral("victim"));
    ASSERT_TRUE(writeFile(victim, "precious"));
    const QString link = QDir(sharedTemp.path()).filePath(QStringLiteral("Version.ini"));
    ASSERT_TRUE(QFile::link(victim, link));
    const QByteArray oldTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(sharedTemp.path()));
    ASSERT_EQ(QDir::tempPath(), QDir(sharedTemp.path()).canonicalPath());

    RecordingUi ui;
    Updater updater(s.world.client(), ui, s.tls->url("/newer"),
                    {programDir.path(), s.probe.url("/204"), {}, false},
                    s.world.publisher.publicKey(), testLimits());
    updater.showStatus();
    EXPECT_TRUE(waitFor([&] { return !updater.checking(); }, Margin));
    qputenv("TMPDIR", oldTemp);
    EXPECT_EQ(ui.server, UpdateTexts::ServerVersion() + QStringLiteral("1.0.0.1"));
    EXPECT_EQ(readFile(victim), "precious");
    EXPECT_EQ(QFileInfo(link).symLinkTarget(), victim);
    EXPECT_EQ(entries(sharedTemp.path()), QStringList{QStringLiteral("Version.ini")});
    EXPECT_TRUE(entries(programDir.path()).isEmpty());
}

// The window never waits for the network: the check starts and returns, and an updater
// destroyed while its request hangs stops at once, long before the request's deadline.
TEST(Updater, NeitherStartNorDestructionWaitsForTheNetwork)
{
    LocalServer probe;
    probe.route("/silent", LocalServer::Route::neverAnswers());
    UpdateLimits longLimits = testLimits();
    longLimits.connectMs = longLimits.readMs = longLimits.probeMs = 60000;
    QTemporaryDir dir;
    RecordingUi ui;
    QElapsedTimer t;
    t.start();
    {
        Updater updater(UpdaterWorld::get().client(), ui, QStringLiteral("https://127.0.0.1:1/"),
                        {dir.path(), probe.url("/silent"), {}, false}, {}, longLimits);
        updater.showStatus();
        EXPECT_LT(t.elapsed(), 20000);
        EXPECT_TRUE(updater.checking());
        EXPECT_EQ(ui.light, Checking);
        ASSERT_TRUE(waitFor([&] { return !probe.requests().isEmpty(); }, 20000));
    }
    EXPECT_LT(t.elapsed(), 30000);
    EXPECT_EQ(ui.light, Checking);
    QTest::qWait(50); // no answer arrives for the updater that is gone
    EXPECT_EQ(ui.server, Before);
}

// The update button after a check that offered a newer version: each way it can end.
TEST(Updater, DownloadOutcomes)
{
    Servers s;
    LocalServer plain;
    plain.route("/Talvoro", LocalServer::Route::answer(200, s.program));
    const QByteArray big(2 * 1024 * 1024, 'b');
    s.tls->route("/big", LocalServer::Route::answer(200, big));
    s.tls->route("/endless", LocalServer::Route::endlessBody());
    s.tls->route("/stall", LocalServer::Route::stalling(s.program, 5000));
    s.tls->route("/trickle", LocalServer::Route::trickling(200, s.program, 50, false));
    s.tls->route("/moved", LocalServer::Route::answer(301, {}, "Location: /Talvoro\r\n"));
    const QString refused =
        QStringLiteral("https://127.0.0.1:%1/Talvoro").arg(LocalServer::refusedPort());
    const QString key = s.world.publisher.publicKey();
    const UpdateLimits limits = testLimits();
    auto signedFor = [&](const QString &url) { return s.signedManifest("1.0.0.1", url); };

    enum class File { None, Old, New };
    struct Case {
        QString name;
        QByteArray manifest;
        File file = File::None; // what is left in the program's folder
        bool requested = true;  // a request reached a server after the check
        QStringList questions = {UpdateTexts::ConfirmDownload()};
        QStringList messages = {};
        QString error = {}; // a part of the error box's text; empty: no error box
        bool started = false;
        bool oldCopy = false;
        bool installed = false;
        QString publicKey = {};
        bool librariesPresent = true;
        bool startSucceeds = true;
        bool cancel = false;
    };
    const QString packageUrl = QStringLiteral("https://talvoro.example/talvoro.deb");
    const QByteArray emptyDigest = TestPublisher::sha256Hex({});
    const QByteArray noLink = "[UPDATE]\nVersion=1.0.0.1\nSHA256=" + emptyDigest + "\nSignature=" +
                              s.world.publisher.sign(ReleaseSignature::signedText(
                                  QStringLiteral("1.0.0.1"), QString::fromLatin1(emptyDigest))) +
                              '\n';
    const std::vector<Case> cases{
        {.name = "whole and signed: started, then the end",
         .manifest = signedFor(s.tls->url("/Talvoro")),
         .file = File::New,
         .messages = {UpdateTexts::Downloaded()},
         .started = true},
        {.name = "old copy replaced",
         .manifest = signedFor(s.tls->url("/Talvoro")),
         .file = File::New,
         .messages = {UpdateTexts::Downloaded()},
         .started = true,
         .oldCopy = true},
        {.name = "404, old copy kept",
         .manifest = signedFor(s.tls->url("/none")),
         .file = File::Old,
         .error = QStringLiteral("HTTP/1.1 404 Not Found"),
         .oldCopy = true},
        {.name = "redirect",
         .manifest = signedFor(s.tls->url("/moved")),
         .error = QStringLiteral("HTTP/1.1 301")},
        {.name = "refused",
         .manifest = signedFor(refused),
         .requested = false,
         .error = UpdateTexts::DownloadFailed().left(10)},
        {.name = "stalled body, old copy kept",
         .manifest = signedFor(s.tls->url("/stall")),
         .file = File::Old,
         .error = QStringLiteral("Read timed out."),
         .oldCopy = true},
        {.name = "body that trickles past the deadline",
         .manifest = signedFor(s.tls->url("/trickle")),
         .error = QStringLiteral("within 4000 ms")},
        {.name = "declared size over the cap",
         .manifest = signedFor(s.tls->url("/big")),
         .error = QStringLiteral("larger than 1048576 bytes")},
        {.name = "endless body",
         .manifest = signedFor(s.tls->url("/endless")),
         .error = QStringLiteral("larger than 1048576 bytes")},
        {.name = "plain http address",
         .manifest = signedFor(plain.url("/Talvoro")),
         .requested = false,
         .error = UpdateTexts::NotHttps().arg(plain.url("/Talvoro"))},
        {.name = "program other than the signed one",
         .manifest =
             s.world.publisher.manifest("1.0.0.1", s.tls->url("/Talvoro"), "another program"),
         .error = UpdateTexts::WrongDigest().left(30)},
        {.name = "cancelled by the clerk",
         .manifest = signedFor(s.tls->url("/trickle")),
         .cancel = true},
        {.name = "installed copy: where to get the package",
         .manifest =
             signedFor(s.tls->url("/Talvoro")) + "Package=" + packageUrl.toLatin1() + "\r\n",
         .requested = false,
         .questions = {},
         .messages = {UpdateTexts::GetPackage().arg(QStringLiteral("1.0.0.1"), packageUrl)},
         .installed = true},
        {.name = "no key built in: where to get it",
         .manifest = "[UPDATE]\nVersion=1.0.0.1\nURL=" + s.tls->url("/Talvoro").toLatin1() + '\n',
         .requested = false,
         .questions = {},
         .messages = {UpdateTexts::GetUnsigned().arg(QStringLiteral("1.0.0.1"),
                                                     s.tls->url("/Talvoro"))},
         .publicKey = QStringLiteral(" ")},
        {.name = "library files missing",
         .manifest = signedFor(s.tls->url("/Talvoro")),
         .requested = false,
         .messages = {MissingCrypto, MissingSsl},
         .librariesPresent = false},
        {.name = "no link",
         .manifest = noLink,
         .requested = false,
         .messages = {UpdateTexts::NoUpdateLink()}},
        {.name = "new program does not start",
         .manifest = signedFor(s.tls->url("/Talvoro")),
         .file = File::New,
         .messages = {UpdateTexts::Downloaded()},
         .error = UpdateTexts::CannotStart().left(10),
         .started = true,
         .startSucceeds = false},
    };
    for (const Case &c : cases) {
        QTemporaryDir programDir, libs;
        const QString target = QDir(programDir.path()).filePath(Updater::newProgramName());
        if (c.oldCopy) writeFile(target, "old program");
        s.serve("/m", c.manifest);
        RecordingUi ui;
        ui.startSucceeds = c.startSucceeds;
        const std::vector<TlsLibraryFile> libraries = libraryFiles(libs.path(), true);
        Updater updater(s.world.client(), ui, s.tls->url("/m"),
                        {programDir.path(), s.probe.url("/204"), libraries, c.installed},
                        c.publicKey.isEmpty() ? key : c.publicKey, limits);
        updater.showStatus();
        ASSERT_TRUE(waitFor([&] { return !updater.checking(); }, Margin)) << qPrintable(c.name);
        ASSERT_TRUE(ui.button) << qPrintable(c.name) << ": " << qPrintable(ui.detail);
        // Library files that go missing after the check.
        if (!c.librariesPresent)
            for (const TlsLibraryFile &f : libraries)
                QFile::remove(f.path);
        const qsizetype before = s.tls->requests().size() + plain.requests().size();

        updater.updateRequested();
        if (c.cancel) {
            ASSERT_TRUE(updater.downloading()) << qPrintable(c.name);
            EXPECT_TRUE(ui.downloadingShown) << qPrintable(c.name);
            ASSERT_TRUE(waitFor([&] { return s.tls->requests().size() > before; }, Margin));
            updater.updateRequested(); // the button is Cancel now
        }
        EXPECT_TRUE(waitFor([&] { return !updater.downloading(); }, limits.downloadMs + Margin))
            << qPrintable(c.name);
        EXPECT_FALSE(ui.downloadingShown) << qPrintable(c.name);
        EXPECT_EQ(ui.questions, c.questions) << qPrintable(c.name);
        EXPECT_EQ(ui.messages, c.messages) << qPrintable(c.name);
        if (c.error.isEmpty()) {
            EXPECT_TRUE(ui.errors.isEmpty())
                << qPrintable(c.name) << ": " << qPrintable(ui.errors.join(u'|'));
        } else {
            ASSERT_EQ(ui.errors.size(), 1) << qPrintable(c.name);
            EXPECT_TRUE(ui.errors[0].contains(c.error))
                << qPrintable(c.name) << ": " << qPrintable(ui.errors[0]);
        }
        const qsizetype requests = s.tls->requests().size() + plain.requests().size() - before;
        EXPECT_EQ(requests > 0, c.requested) << qPrintable(c.name) << ": " << requests;
        EXPECT_EQ(ui.started, c.started ? QStringList{target} : QStringList())
            << qPrintable(c.name);
        EXPECT_EQ(ui.terminated, c.started && c.startSucceeds ? 1 : 0) << qPrintable(c.name);
        // Nothing but the finished program, or the old copy, is left behind.
        switch (c.file) {
        case File::None:
            EXPECT_TRUE(entries(programDir.path()).isEmpty())
                << qPrintable(c.name) << ": " << qPrintable(entries(programDir.path()).join(u' '));
            break;
        case File::Old:
            EXPECT_EQ(entries(programDir.path()), QStringList{Updater::newProgramName()});
            EXPECT_EQ(readFile(target), "old program") << qPrintable(c.name);
            break;
        case File::New:
            EXPECT_EQ(entries(programDir.path()), QStringList{Updater::newProgramName()});
            EXPECT_EQ(readFile(target), s.program) << qPrintable(c.name);
            EXPECT_TRUE(QFileInfo(target).isExecutable()) << qPrintable(c.name);
            EXPECT_EQ(ui.progressMax, s.program.size()) << qPrintable(c.name);
            EXPECT_EQ(ui.progressPos, s.program.size()) << qPrintable(c.name);
            break;
        }
        // A download that began and did not succeed leaves the progress bar at rest.
        if (c.file != File::New && ui.progressMax != -1) {
            EXPECT_TRUE(ui.progressAtRest) << qPrintable(c.name);
        }
    }
}
