#include "ScriptedPrompts.h"
#include "app/ShapeWidget.h"
#include "app/TForm1.h"
#include "support/LocalServer.h"
#include "support/TestAuthority.h"
#include "update/CurlHttpClient.h"
#include "update/TUpdater.h"
#include "update/UpdateTexts.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QPlainTextEdit>
#include <QtTest>

// The updater as the clerk meets it in the main window, against local servers.
class TestUpdaterWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_certDir;
    std::unique_ptr<TestAuthority> m_authority;
    std::unique_ptr<LocalServer> m_https;
    std::unique_ptr<LocalServer> m_probe;

    QTemporaryDir *m_dir = nullptr;
    std::shared_ptr<ScriptedPrompts> m_prompts;
    std::unique_ptr<TForm1> m_form;
    int m_quits = 0;

    void route(const QByteArray &path, const QByteArray &body, int status = 200)
    {
        m_https->route(path, LocalServer::Route::answer(status, body));
    }
    QByteArray manifest(const QByteArray &version, const QByteArray &programPath)
    {
        return "[UPDATE]\r\nVersion=" + version +
               "\r\nURL=" + m_https->url(programPath).toLatin1() + "\r\n";
    }
    // Builds the window with the updater pointed at the local servers.
    void start(const QString &probeUrl, const QByteArray &manifestPath,
               std::optional<std::vector<TlsLibraryFile>> tlsFiles = std::nullopt)
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
        setup.http = std::make_shared<CurlHttpClient>(m_authority->caFile);
        setup.tlsFiles = std::move(tlsFiles);
        setup.tempDir = m_dir->path();
        setup.quit = [this] { ++m_quits; };
        m_quits = 0;
        m_form = std::make_unique<TForm1>(m_prompts, Folders(m_dir->path()), std::move(setup));
        if (m_prompts->shown.value(0) == QStringLiteral("information: La saisie a été effectuée avec succès."))
            m_prompts->shown.removeFirst();
        m_form->show();
    }
    TForm1 &form() { return *m_form; }
    QString newProgram() const { return QDir(m_dir->path()).filePath(TUpdater::newProgramName()); }

private slots:
    void initTestCase()
    {
        m_authority = std::make_unique<TestAuthority>(TestAuthority::create(m_certDir.path()));
        m_https =
            std::make_unique<LocalServer>(m_authority->serverCertFile, m_authority->serverKeyFile);
        m_probe = std::make_unique<LocalServer>();
        m_probe->route("/generate_204", LocalServer::Route::answer(204));
        m_probe->route("/silent", LocalServer::Route::neverAnswers());
        route("/same.ini", manifest("1.0.0.0", "/Talvoro.exe"));
        route("/newer.ini", manifest("1.0.0.7", "/Talvoro.exe"));
        route("/broken.ini", manifest("1.0.0.7", "/missing.exe"));
        route("/Talvoro.exe", QByteArray(50000, 'T'));
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

    void windowShowsOfflineStateWithinTheTimeOut()
    {
        QElapsedTimer t;
        t.start();
        start(m_probe->url("/silent"), "/newer.ini");
        QVERIFY(t.elapsed() < 6000);
        QVERIFY(form().isVisible());
        QCOMPARE(form().Shape1->brushColor(), QColor(255, 0, 0));
        QCOMPARE(form().LabelServerVersion->text(), QStringLiteral("--"));
        QCOMPARE(form().LabelVersion->text(), QStringLiteral("LabelServerVersion"));
        QVERIFY(!form().ButtonUpdate->isEnabled());
        QVERIFY(m_prompts->shown.isEmpty());
    }

    void onlineStates_data()
    {
        QTest::addColumn<QByteArray>("manifestPath");
        QTest::addColumn<QString>("server");
        QTest::addColumn<bool>("enabled");
        QTest::newRow("same version")
            << QByteArray("/same.ini") << QStringLiteral("النسخة على السيرفر: 1.0.0.0") << false;
        QTest::newRow("newer") << QByteArray("/newer.ini")
                               << QStringLiteral("النسخة على السيرفر: 1.0.0.7") << true;
        QTest::newRow("missing manifest")
            << QByteArray("/none.ini") << QStringLiteral("خطأ في قراءة النسخة من السيرفر") << false;
    }
    void onlineStates()
    {
        QFETCH(QByteArray, manifestPath);
        QFETCH(QString, server);
        QFETCH(bool, enabled);
        start(m_probe->url("/generate_204"), manifestPath);
        QCOMPARE(form().Shape1->brushColor(), QColor(0, 255, 0));
        QCOMPARE(form().LabelVersion->text(), QStringLiteral("النسخة الحالية: 1.0.0.0"));
        QCOMPARE(form().LabelServerVersion->text(), server);
        QCOMPARE(form().ButtonUpdate->isEnabled(), enabled);
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
        QCOMPARE(m_prompts->take(),
                 (QStringList{QStringLiteral("message: ملف libcrypto.so.3 غير موجود!"),
                              QStringLiteral("message: ملف libssl.so.3 غير موجود!")}));
        QCOMPARE(form().Shape1->brushColor(), QColor(0, 255, 0));
        QCOMPARE(form().LabelServerVersion->text(), QStringLiteral("LabelServerVersion"));
        QVERIFY(!form().ButtonUpdate->isEnabled());
    }

    void updateAsksThenDownloadsStartsAndEnds()
    {
        start(m_probe->url("/generate_204"), "/newer.ini");
        QVERIFY(form().ButtonUpdate->isEnabled());
        const qsizetype downloads = m_https->paths().count("/Talvoro.exe");

        // No: nothing happens.
        m_prompts->answers.enqueue(false);
        QTest::mouseClick(form().ButtonUpdate, Qt::LeftButton);
        QCOMPARE(m_prompts->take(),
                 QStringList{QStringLiteral("question: نسخة جديدة متوفرة، هل تريد تحميلها؟")});
        QCOMPARE(m_https->paths().count("/Talvoro.exe"), downloads);
        QVERIFY(!QFile::exists(newProgram()));

        // Yes: the program is saved whole, started, the place memo is stored as at a normal
        // close, and the window asks the application to end.
        form().Memo2->setPlainText(QStringLiteral("APC MISE A JOUR"));
        m_prompts->answers.enqueue(true);
        QTest::mouseClick(form().ButtonUpdate, Qt::LeftButton);
        QCOMPARE(
            m_prompts->take(),
            (QStringList{
                QStringLiteral("question: نسخة جديدة متوفرة، هل تريد تحميلها؟"),
                QStringLiteral("message: تم تنزيل التحديث بنجاح. سيتم فتح النسخة الجديدة الآن.")}));
        QFile f(newProgram());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray(50000, 'T'));
        QVERIFY(QFileInfo(newProgram()).isExecutable());
        QCOMPARE(m_prompts->started, QStringList{newProgram()});
        QCOMPARE(m_quits, 1);
        QFile ini(m_dir->filePath(QStringLiteral("Fichier_INI/Direction.ini")));
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QCOMPARE(ini.readAll(), QByteArray("[Infos]\r\nLine0=APC MISE A JOUR\r\nCount=1\r\n"));
        QCOMPARE(form().ProgressBar1->maximum(), 50000);
        QCOMPARE(form().ProgressBar1->value(), 50000);
    }

    void failedDownloadShowsTheErrorAndGoesOn()
    {
        start(m_probe->url("/generate_204"), "/broken.ini");
        m_prompts->answers.enqueue(true);
        QTest::mouseClick(form().ButtonUpdate, Qt::LeftButton);
        QCOMPARE(m_prompts->take(),
                 (QStringList{QStringLiteral("question: نسخة جديدة متوفرة، هل تريد تحميلها؟"),
                              QStringLiteral("error: HTTP/1.1 404 Not Found")}));
        QVERIFY(!QFile::exists(newProgram()));
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files),
                 QStringList{QStringLiteral("Version.ini")});
        QVERIFY(m_prompts->started.isEmpty());
        QCOMPARE(m_quits, 0);
        QVERIFY(form().ButtonUpdate->isEnabled());
    }
};

QTEST_MAIN(TestUpdaterWindow)
#include "test_updater_window.moc"
