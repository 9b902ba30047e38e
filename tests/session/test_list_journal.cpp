#include "session/JournalKeeper.h"
#include "session/ListJournal.h"
#include "session/Session.h"
#include "support/FileBytes.h"

#include "model/UserError.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

namespace
{

QStringList cellsOf(const std::vector<TransferLine> &lines)
{
    QStringList out;
    for (const TransferLine &l : lines) {
        out << l.caption() << QString::number(l.subItemCount());
        for (int k = 0; k < l.subItemCount(); ++k)
            out << l.subItem(k);
    }
    return out;
}

} // namespace

TEST(ListJournal, ReadsBackEveryCellAsWritten)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Journal/liste.journal"));
    TransferLine few;
    few.setCaption(u"*00799999");
    few.addSubItem(u"0012345678");
    std::vector<TransferLine> lines{
        TransferLine(u"160000100", u"0012345678", u"03", u"  1 000,00", u"0,50", u"1",
                     u"ZOÉ Hélène\tà\\b\nc\rd \\t", u"P"),
        TransferLine(u"", u"", u"", u"", u"", u"", u"", u""),
        few,
        TransferLine(),
        TransferLine(u"1", u"2", u"3", u"4", u"5", u"6", u"مولود قاسم", u"D"),
    };
    const QDateTime when = QDateTime::fromString(u"2026-12-10T14:03:00Z"_qs, Qt::ISODate);
    for (const std::vector<TransferLine> &list : {lines, std::vector<TransferLine>()}) {
        ASSERT_EQ(ListJournal::write(path, list, when), QString());
        const ListJournal::Contents back = ListJournal::read(path);
        EXPECT_EQ(cellsOf(back.lines), cellsOf(list));
        EXPECT_EQ(back.savedAt, when);
        EXPECT_EQ(QFile::permissions(path) & (QFileDevice::ReadGroup | QFileDevice::ReadOther),
                  QFileDevice::Permissions());
    }
}

TEST(ListJournal, DamageIsToldNeverTakenForAList)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("liste.journal"));
    const std::vector<TransferLine> lines(
        3, TransferLine(u"160000100", u"0012345678", u"03", u"1,00", u"0,50", u"1", u"NOM", u"P"));
    ASSERT_EQ(ListJournal::write(path, lines), QString());
    const QByteArray good = readAll(path);
    const qsizetype body = good.indexOf("160000100");
    QByteArray flipped = good;
    flipped[body + 12] = '9';
    QByteArray badEscape = good;
    badEscape[body + 2] = '\\';
    const QByteArray damaged[] = {
        QByteArray(),
        QByteArray("\x89PNG\r\n\x1a\n"),
        good.left(good.size() - 1),          // its last line feed lost
        good.left(body + 20),                // cut inside the list
        good.left(good.lastIndexOf("end ")), // no sum
        QByteArray(good).replace("JOURNAL 1", "JOURNAL 2"),
        QByteArray(good).replace("lines 3", "lines 4"),
        QByteArray(good).replace("lines 3", "lines 2"),
        QByteArray(good).replace("lines 3", "lines 99999999999"),
        QByteArray(good).replace("lines 3", "lines -1"),
        QByteArray(good).replace("saved 20", "saved xx"),
        flipped,
        badEscape,
        good + "more",
    };
    for (size_t i = 0; i < std::size(damaged); ++i) {
        writeAll(path, damaged[i]);
        EXPECT_THROW(ListJournal::read(path), UserError) << i;
    }
    QFile::remove(path);
    EXPECT_THROW(ListJournal::read(path), UserError);
}

TEST(JournalKeeper, KeepsTheListWhileUnexportedAndRemovesItAfter)
{
    char name[] = "core_tests";
    char *argv[] = {name, nullptr};
    int argc = 1;
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Journal/liste.journal"));
    Session s;
    s.replaceAll(std::vector<TransferLine>(
        2, TransferLine(u"160000100", u"0012345678", u"03", u"1,00", u"0,50", u"1", u"NOM", u"P")));
    auto keeper = std::make_unique<JournalKeeper>(s, path);
    keeper->setDelay(std::chrono::milliseconds(0));
    auto settle = [] {
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
    };

    s.deleteRow(0);
    settle();
    keeper->discard(); // waits for the writing, then removes
    EXPECT_FALSE(QFile::exists(path));

    s.appendLine(TransferLine(u"1", u"0000000001", u"45", u"2,00", u"", u"2", u"AUTRE", u"D"));
    settle();
    // The destructor waits for the writing under way.
    keeper.reset();
    ASSERT_TRUE(QFile::exists(path));
    std::vector<TransferLine> kept = ListJournal::read(path).lines;
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[1].subItem(TransferLine::Name), QStringLiteral("AUTRE"));

    // Undone back to the list read: nothing is left unexported, the journal goes.
    keeper = std::make_unique<JournalKeeper>(s, path);
    s.undoStack().undo();
    s.undoStack().undo();
    EXPECT_FALSE(s.hasUnexportedChanges());
    EXPECT_FALSE(QFile::exists(path));

    // A restored list counts as unexported and is journalled again.
    s.restoreUnexported(std::move(kept));
    EXPECT_TRUE(s.hasUnexportedChanges());
    keeper.reset(); // a change still waiting for its delay is written at once
    EXPECT_EQ(ListJournal::read(path).lines.size(), 2u);
}

namespace
{
// Runs the events of the keeper's thread until done() or the deadline.
bool waitFor(const std::function<bool()> &done, int ms = 5000)
{
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) {
        QCoreApplication::processEvents();
        QThread::msleep(5);
    }
    return done();
}

std::vector<TransferLine> manyLines(int n)
{
    return std::vector<TransferLine>(size_t(n), TransferLine(u"160000100", u"0012345678", u"03",
                                                             u"1,00", u"0,50", u"110000000001",
                                                             u"NOM ASSEZ LONG", u"P"));
}
} // namespace

TEST(JournalKeeper, ASteadyStreamOfChangesIsStillWrittenWithinTheDelay)
{
    char name[] = "core_tests";
    char *argv[] = {name, nullptr};
    int argc = 1;
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Journal/liste.journal"));
    Session s;
    s.replaceAll(manyLines(40));
    JournalKeeper keeper(s, path);
    keeper.setDelay(std::chrono::milliseconds(200));
    // A change every 50 ms for two seconds: each would have put the writing off again.
    QElapsedTimer t;
    t.start();
    qint64 firstChange = -1, written = -1;
    while (t.elapsed() < 2000) {
        s.deleteRow(0);
        if (firstChange < 0) firstChange = t.elapsed();
        const qint64 until = t.elapsed() + 50;
        while (t.elapsed() < until) {
            QCoreApplication::processEvents();
            QThread::msleep(5);
        }
        if (written < 0 && QFile::exists(path)) written = t.elapsed();
    }
    ASSERT_GE(written, 0) << "never written while the changes went on";
    EXPECT_LT(written - firstChange, 1500);
    keeper.discard();
}

#ifdef Q_OS_UNIX
TEST(JournalKeeper, AFailedWritingIsToldOnceAndTheOlderJournalNeverOffered)
{
    char name[] = "core_tests";
    char *argv[] = {name, nullptr};
    int argc = 1;
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Journal/liste.journal"));
    Session s;
    s.replaceAll(manyLines(3));
    JournalKeeper keeper(s, path);
    keeper.setDelay(std::chrono::milliseconds(0));
    QStringList told;
    int recovered = 0;
    QObject::connect(&keeper, &JournalKeeper::writeFailed,
                     [&](const QString &message) { told << message; });
    QObject::connect(&keeper, &JournalKeeper::writeRecovered, [&] { ++recovered; });

    s.deleteRow(0);
    ASSERT_TRUE(waitFor([&] { return QFile::exists(path); }));
    ASSERT_EQ(ListJournal::read(path).lines.size(), 2u);

    // The disk is full, as far as files over 4 KB go.
    struct rlimit old {
    };
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    for (const TransferLine &line : manyLines(500))
        s.appendLine(line);
    const bool failed = waitFor([&] { return !told.isEmpty(); });
    s.deleteRow(0); // fails again: not told twice
    waitFor([] { return false; }, 300);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);

    ASSERT_TRUE(failed);
    EXPECT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0].startsWith(QStringLiteral("Le journal « ") +
                                   QDir::toNativeSeparators(path) +
                                   QStringLiteral(" » ne peut pas être écrit : ")))
        << told[0].toStdString();
    EXPECT_TRUE(keeper.failing());
    // The older journal, two lines where the screen shows 501, is gone.
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(QDir(dir.filePath(QStringLiteral("Journal"))).entryList(QDir::Files | QDir::Hidden),
              QStringList());

    // Room again: the next change is written and the failure is over.
    s.deleteRow(0);
    ASSERT_TRUE(waitFor([&] { return recovered == 1; }));
    EXPECT_FALSE(keeper.failing());
    EXPECT_EQ(ListJournal::read(path).lines.size(), 500u);
}
#endif
