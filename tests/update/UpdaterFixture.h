#pragma once

#include "support/LocalServer.h"
#include "support/TestAuthority.h"
#include "support/TestPublisher.h"
#include "update/CurlHttpClient.h"
#include "update/UpdaterUi.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>

// One certificate authority and one publisher's key for the whole test program: making them
// costs a few openssl runs.
struct UpdaterWorld {
    QTemporaryDir dir;
    TestAuthority authority = TestAuthority::create(dir.path());
    TestPublisher publisher;

    static UpdaterWorld &get()
    {
        static UpdaterWorld world;
        return world;
    }
    std::unique_ptr<LocalServer> https(int maxTlsVersion = 0) const
    {
        return std::make_unique<LocalServer>(authority.serverCertFile, authority.serverKeyFile,
                                             maxTlsVersion);
    }
    std::unique_ptr<LocalServer> otherHostHttps() const
    {
        return std::make_unique<LocalServer>(authority.otherHostCertFile,
                                             authority.otherHostKeyFile);
    }
    std::shared_ptr<CurlHttpClient> client() const
    {
        return std::make_shared<CurlHttpClient>(authority.caFile);
    }
};

// Records what the updater does to the window; questions are answered from `answers`
// (Yes when it is empty).
struct RecordingUi final : UpdaterUi {
    QColor light = QColor(1, 2, 3);
    QString local = QStringLiteral("before"), server = QStringLiteral("before"), detail;
    bool button = true, downloadingShown = false;
    int progressMax = -1, progressPos = -1;
    bool progressAtRest = false;
    QStringList messages, errors, questions, started;
    QList<bool> answers;
    bool startSucceeds = true;
    int terminated = 0;

    void setLight(const QColor &c) override { light = c; }
    void setLocalText(const QString &t) override { local = t; }
    void setServerText(const QString &t) override { server = t; }
    void setStatusDetail(const QString &t) override { detail = t; }
    void setButtonEnabled(bool e) override { button = e; }
    void setDownloading(bool d) override { downloadingShown = d; }
    void progressBegin(int max) override
    {
        progressMax = max;
        progressPos = 0;
        progressAtRest = false;
    }
    void progressWork(int pos) override { progressPos = pos; }
    void progressEnd() override { progressPos = progressMax; }
    void progressRest() override { progressAtRest = true; }
    void message(const QString &t) override { messages << t; }
    void error(const QString &t) override { errors << t; }
    bool question(const QString &t) override
    {
        questions << t;
        return answers.isEmpty() ? true : answers.takeFirst();
    }
    bool startProgram(const QString &path) override
    {
        started << path;
        return startSucceeds;
    }
    void terminate() override { ++terminated; }
};

// A 204 answer whose head comes one byte every 30 ms: its lines arrive well within the read
// time-out, the whole head only after several seconds.
inline LocalServer::Route tricklingHead()
{
    LocalServer::Route r = LocalServer::Route::trickling(204, {}, 30, true);
    r.extraHeaders = QByteArray("X-Pad: 0123\r\n").repeated(30);
    return r;
}

// Runs the event loop until `done` holds or `ms` have passed; true when it holds.
inline bool waitFor(const std::function<bool()> &done, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QTest::qWait(10);
    }
    return true;
}

// Every entry of a folder, hidden ones too.
inline QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<none>");
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}
