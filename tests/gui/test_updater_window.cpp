#include "MainWindow.h"
#include "RecordEditor.h"
#include "ScriptedPrompts.h"
#include "StatusLight.h"
#include "TextLinesView.h"
#include "support/FindWidget.h"

#include "support/LocalServer.h"
#include "support/TestAuthority.h"
#include "support/TestPublisher.h"
#include "update/CurlHttpClient.h"
#include "update/UpdateTexts.h"
#include "update/Updater.h"
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>

#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

// The updater as the clerk meets it in the main window, against local servers.
class TestUpdaterWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_certDir;
    std::unique_ptr<TestAuthority> m_authority;
    std::unique_ptr<TestPublisher> m_publisher;
    std::unique_ptr<LocalServer> m_https;
    std::unique_ptr<LocalServer> m_probe;
    const QByteArray m_program = QByteArray(50000, 'T');

    QTemporaryDir *m_dir = nullptr;
    std::shared_ptr<ScriptedPrompts> m_prompts;
    std::unique_ptr<MainWindow> m_form;
    int m_quits = 0;

    void route(const QByteArray &path, const QByteArray &body, int status = 200)
    {
        m_https->route(path, LocalServer::Route::answer(status, body));
    }
    QByteArray manifest(const QByteArray &version, const QByteArray &programPath)
    {
        return m_publisher->manifest(version, m_https->url(programPath), m_program);
    }
    // Builds the window with the updater pointed at the local servers.
    void start(const QString &probeUrl, const QByteArray &manifestPath,
               std::optional<std::vector<TlsLibraryFile>> tlsFiles = std::nullopt,
               UpdateLimits limits = {})
    {
        m_form.reset();
        delete m_dir;
        m_dir = new QTemporaryDir;
        // A place is stored, so the start asks nothing.
        QDir(m_dir->path()).mkpath(QStringLiteral("Fichier_INI"));
        QFile ini(m_dir->filePath(QStringLiteral("Fichier_INI/Direction.ini")));
        ini.open(QIODevice::WriteOnly);
        ini.write("[Infos]\r\nLine0=APC TEST\r\nCount=1\r\n");
        ini.close();
        m_prompts = std::make_shared<ScriptedPrompts>();
        UpdaterSetup setup;
        setup.manifestUrl = m_https->url(manifestPath);
        setup.probeUrl = probeUrl;
        setup.publicKey = m_publisher->publicKey();
        setup.http = std::make_shared<CurlHttpClient>(m_authority->caFile);
        setup.tlsFiles = std::move(tlsFiles);
        setup.limits = limits;
        setup.quit = [this] { ++m_quits; };
        m_quits = 0;
        m_form = std::make_unique<MainWindow>(m_prompts, Folders(m_dir->path()), std::move(setup));
        if (m_prompts->shown.value(0) ==
            QStringLiteral("information: La saisie a été effectuée avec succès."))
            m_prompts->shown.removeFirst();
        m_form->show();
    }
    MainWindow &form() { return *m_form; }
    QString newProgram() const { return QDir(m_dir->path()).filePath(Updater::newProgramName()); }
    // The files the updater could have left in the program's folder.
    QStringList programFiles() const
    {
        return QDir(m_dir->path())
            .entryList({QStringLiteral("Talvoro_New*"), QStringLiteral("Version.ini")},
                       QDir::Files | QDir::Hidden);
    }
    // Waits for the end of the start-up check: the light is no longer grey.
    bool checked()
    {
        return QTest::qWaitFor(
            [&] {
                return findNamed<StatusLight>(&form(), "updateLight")->brushColor() !=
                       QColor(192, 192, 192);
            },
            20000);
    }

    // Starts the window on the manifest, answers Yes to the update button, and waits until the
    // program's address has been asked for; false when something never came.
    bool startDownload(const QByteArray &manifestPath, const QByteArray &programPath)
    {
        start(m_probe->url("/generate_204"), manifestPath);
        if (!QTest::qWaitFor(
                [&] { return findNamed<QPushButton>(&form(), "updateButton")->isEnabled(); },
                20000))
            return false;
        const qsizetype before = m_https->paths().count(programPath);
        m_prompts->answers.enqueue(true);
        QTest::mouseClick(findNamed<QPushButton>(&form(), "updateButton"), Qt::LeftButton);
        return QTest::qWaitFor([&] { return m_https->paths().count(programPath) > before; }, 20000);
    }

private slots:
    void initTestCase()
    {
        m_authority = std::make_unique<TestAuthority>(TestAuthority::create(m_certDir.path()));
        m_publisher = std::make_unique<TestPublisher>();
        m_https =
            std::make_unique<LocalServer>(m_authority->serverCertFile, m_authority->serverKeyFile);
        m_probe = std::make_unique<LocalServer>();
        m_probe->route("/generate_204", LocalServer::Route::answer(204));
        m_probe->route("/silent", LocalServer::Route::neverAnswers());
        route("/same.ini", manifest("1.0.0.0", "/Talvoro.exe"));
        route("/newer.ini", manifest("1.0.0.7", "/Talvoro.exe"));
        route("/broken.ini", manifest("1.0.0.7", "/missing.exe"));
        route("/slow.ini", manifest("1.0.0.7", "/slow.exe"));
        route("/unsigned.ini", "[UPDATE]\r\nVersion=1.0.0.7\r\nURL=" +
                                   m_https->url("/Talvoro.exe").toLatin1() + "\r\n");
        route("/Talvoro.exe", m_program);
        m_https->route("/slow.exe", LocalServer::Route::trickling(200, m_program, 20, false));
    }
    void cleanup()
    {
        QVERIFY2(m_prompts->unexpected.isEmpty(), qPrintable(m_prompts->unexpected.join(u'\n')));
        m_form.reset();
        delete m_dir;
        m_dir = nullptr;
    }
    void cleanupTestCase()
    {
        m_https.reset();
        m_probe.reset();
    }

    // The window shows at once, the light saying "checking", even when the probe hangs; and
    // closing it then does not wait for the probe's deadline.
    void windowShowsAtOnceAndClosesDuringTheCheck()
    {
        UpdateLimits slow;
        slow.connectMs = slow.readMs = slow.probeMs = 120000;
        QElapsedTimer t;
        t.start();
        start(m_probe->url("/silent"), "/newer.ini", std::nullopt, slow);
        QVERIFY(t.elapsed() < 30000);
        QVERIFY(form().isVisible());
        QCOMPARE(findNamed<StatusLight>(&form(), "updateLight")->brushColor(),
                 QColor(192, 192, 192));
        QCOMPARE(findNamed<StatusLight>(&form(), "updateLight")->toolTip(),
                 UpdateTexts::Checking());
        QVERIFY(!findNamed<QPushButton>(&form(), "updateButton")->isEnabled());
        QVERIFY(QTest::qWaitFor([&] { return !m_probe->requests().isEmpty(); }, 20000));
        t.restart();
        m_form.reset();
        QVERIFY(t.elapsed() < 30000);
        QVERIFY(m_prompts->shown.isEmpty());
    }

    void offlineWhenTheProbeIsRefused()
    {
        start(QStringLiteral("http://127.0.0.1:%1/").arg(LocalServer::refusedPort()), "/newer.ini");
        QVERIFY(checked());
        QCOMPARE(findNamed<StatusLight>(&form(), "updateLight")->brushColor(), QColor(255, 0, 0));
        QCOMPARE(findNamed<QLabel>(&form(), "offeredVersionLabel")->text(), QStringLiteral("--"));
        QCOMPARE(findNamed<QLabel>(&form(), "versionLabel")->text(),
                 QStringLiteral("LabelServerVersion"));
        QVERIFY(!findNamed<QPushButton>(&form(), "updateButton")->isEnabled());
        QVERIFY(m_prompts->shown.isEmpty());
    }

    void onlineStates_data()
    {
        QTest::addColumn<QByteArray>("manifestPath");
        QTest::addColumn<QString>("server");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QString>("detail");
        QTest::newRow("same version")
            << QByteArray("/same.ini") << QStringLiteral("النسخة على السيرفر: 1.0.0.0") << false
            << QString();
        QTest::newRow("newer") << QByteArray("/newer.ini")
                               << QStringLiteral("النسخة على السيرفر: 1.0.0.7") << true
                               << QString();
        QTest::newRow("missing manifest")
            << QByteArray("/none.ini") << QStringLiteral("خطأ في قراءة النسخة من السيرفر") << false
            << UpdateTexts::ReadErrorDetail().arg(QStringLiteral("HTTP/1.1 404 Not Found"));
        QTest::newRow("unsigned manifest")
            << QByteArray("/unsigned.ini") << QStringLiteral("خطأ في قراءة النسخة من السيرفر")
            << false << UpdateTexts::NotSigned();
    }
    void onlineStates()
    {
        QFETCH(QByteArray, manifestPath);
        QFETCH(QString, server);
        QFETCH(bool, enabled);
        QFETCH(QString, detail);
        start(m_probe->url("/generate_204"), manifestPath);
        QTRY_COMPARE_WITH_TIMEOUT(findNamed<QLabel>(&form(), "offeredVersionLabel")->text(), server,
                                  20000);
        QCOMPARE(findNamed<StatusLight>(&form(), "updateLight")->brushColor(), QColor(0, 255, 0));
        QCOMPARE(findNamed<QLabel>(&form(), "versionLabel")->text(),
                 QStringLiteral("النسخة الحالية: 1.0.0.0"));
        QCOMPARE(findNamed<QPushButton>(&form(), "updateButton")->isEnabled(), enabled);
        QCOMPARE(findNamed<QLabel>(&form(), "offeredVersionLabel")->toolTip(), detail);
        // The check leaves the progress bar at rest, and the manifest nowhere on disk.
        QCOMPARE(findNamed<QProgressBar>(&form(), "progressBar")->value(), 0);
        QVERIFY(programFiles().isEmpty());
        QVERIFY(m_prompts->shown.isEmpty());
        // Development aid: pictures of the window for a look at the light and the labels.
        const QString shots = qEnvironmentVariable("TALVORO_SCREENSHOT_DIR");
        if (!shots.isEmpty())
            form().grab().save(
                QDir(shots).filePath(QString::fromLatin1(QTest::currentDataTag()) + ".png"));
    }

    void missingLibraryFilesAreNamedInOrder()
    {
        start(m_probe->url("/generate_204"), "/newer.ini",
              std::vector<TlsLibraryFile>{
                  {QStringLiteral("libcrypto.so.3"), QStringLiteral("/nonexistent/a")},
                  {QStringLiteral("libssl.so.3"), QStringLiteral("/nonexistent/b")}});
        QTRY_COMPARE_WITH_TIMEOUT(
            m_prompts->shown,
            (QStringList{QStringLiteral("message: ملف libcrypto.so.3 غير موجود!"),
                         QStringLiteral("message: ملف libssl.so.3 غير موجود!")}),
            20000);
        QCOMPARE(findNamed<StatusLight>(&form(), "updateLight")->brushColor(), QColor(0, 255, 0));
        QCOMPARE(findNamed<QLabel>(&form(), "offeredVersionLabel")->text(),
                 QStringLiteral("LabelServerVersion"));
        QVERIFY(!findNamed<QPushButton>(&form(), "updateButton")->isEnabled());
        m_prompts->take();
    }

    void updateAsksThenDownloadsStartsAndEnds()
    {
        start(m_probe->url("/generate_204"), "/newer.ini");
        QTRY_VERIFY_WITH_TIMEOUT(findNamed<QPushButton>(&form(), "updateButton")->isEnabled(),
                                 20000);
        const qsizetype downloads = m_https->paths().count("/Talvoro.exe");

        // No: nothing happens.
        m_prompts->answers.enqueue(false);
        QTest::mouseClick(findNamed<QPushButton>(&form(), "updateButton"), Qt::LeftButton);
        QCOMPARE(m_prompts->take(),
                 QStringList{QStringLiteral("question: نسخة جديدة متوفرة، هل تريد تحميلها؟")});
        QTest::qWait(100);
        QCOMPARE(m_https->paths().count("/Talvoro.exe"), downloads);
        QVERIFY(programFiles().isEmpty());

        // Yes: the program is saved whole, its signature checked, started, the place memo is
        // stored as at a normal close, and the window asks the application to end.
        findNamed<QPlainTextEdit>(&form(), "placeMemo")
            ->setPlainText(QStringLiteral("APC MISE A JOUR"));
        m_prompts->answers.enqueue(true);
        QTest::mouseClick(findNamed<QPushButton>(&form(), "updateButton"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(m_quits, 1, 20000);
        QCOMPARE(
            m_prompts->take(),
            (QStringList{
                QStringLiteral("question: نسخة جديدة متوفرة، هل تريد تحميلها؟"),
                QStringLiteral("message: تم تنزيل التحديث بنجاح. سيتم فتح النسخة الجديدة الآن.")}));
        QFile f(newProgram());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), m_program);
        QVERIFY(QFileInfo(newProgram()).isExecutable());
        QCOMPARE(programFiles(), QStringList{Updater::newProgramName()});
        QCOMPARE(m_prompts->started, QStringList{newProgram()});
        QFile ini(m_dir->filePath(QStringLiteral("Fichier_INI/Direction.ini")));
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QCOMPARE(ini.readAll(), QByteArray("[Infos]\r\nLine0=APC MISE A JOUR\r\nCount=1\r\n"));
        QCOMPARE(findNamed<QProgressBar>(&form(), "progressBar")->maximum(), 50000);
        QCOMPARE(findNamed<QProgressBar>(&form(), "progressBar")->value(), 50000);
    }

    void failedDownloadShowsTheErrorAndGoesOn()
    {
        QVERIFY(startDownload("/broken.ini", "/missing.exe"));
        QTRY_COMPARE_WITH_TIMEOUT(m_prompts->shown.size(), 2, 20000);
        QCOMPARE(m_prompts->take(),
                 (QStringList{QStringLiteral("question: نسخة جديدة متوفرة، هل تريد تحميلها؟"),
                              QStringLiteral("error: ") +
                                  UpdateTexts::DownloadFailed().arg(
                                      QStringLiteral("HTTP/1.1 404 Not Found"))}));
        QVERIFY(programFiles().isEmpty());
        QVERIFY(m_prompts->started.isEmpty());
        QCOMPARE(m_quits, 0);
        QVERIFY(findNamed<QPushButton>(&form(), "updateButton")->isEnabled());
        QCOMPARE(findNamed<QPushButton>(&form(), "updateButton")->text(),
                 QStringLiteral("&Update"));
        QCOMPARE(findNamed<QProgressBar>(&form(), "progressBar")->value(), 0);
    }

    // While the program downloads, the window stays usable and the update button is its
    // Cancel; a cancel leaves nothing behind.
    void downloadCanBeCancelled()
    {
        QVERIFY(startDownload("/slow.ini", "/slow.exe"));
        QCOMPARE(findNamed<QPushButton>(&form(), "updateButton")->text(), UpdateTexts::Cancel());
        QVERIFY(findNamed<QPushButton>(&form(), "updateButton")->isEnabled());
        QTest::mouseClick(findNamed<QPushButton>(&form(), "updateButton"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(findNamed<QPushButton>(&form(), "updateButton")->text(),
                                  QStringLiteral("&Update"), 20000);
        QCOMPARE(m_prompts->take(),
                 QStringList{QStringLiteral("question: نسخة جديدة متوفرة، هل تريد تحميلها؟")});
        QVERIFY(findNamed<QPushButton>(&form(), "updateButton")->isEnabled());
        QCOMPARE(findNamed<QProgressBar>(&form(), "progressBar")->value(), 0);
        QVERIFY(programFiles().isEmpty());
        QCOMPARE(m_quits, 0);
    }

    // Closing the window during a download ends it without waiting, and leaves no file.
    void closingDuringADownloadLeavesNothing()
    {
        start(m_probe->url("/generate_204"), "/slow.ini");
        QTRY_VERIFY_WITH_TIMEOUT(findNamed<QPushButton>(&form(), "updateButton")->isEnabled(),
                                 20000);
        m_prompts->answers.enqueue(true);
        const qsizetype before = m_https->paths().count("/slow.exe");
        QTest::mouseClick(findNamed<QPushButton>(&form(), "updateButton"), Qt::LeftButton);
        QVERIFY(
            QTest::qWaitFor([&] { return m_https->paths().count("/slow.exe") > before; }, 20000));
        QElapsedTimer t;
        t.start();
        m_form.reset();
        QVERIFY(t.elapsed() < 30000);
        QVERIFY(programFiles().isEmpty());
        QCOMPARE(m_quits, 0);
        m_prompts->take();
    }
};

QTEST_MAIN(TestUpdaterWindow)
#include "test_updater_window.moc"
