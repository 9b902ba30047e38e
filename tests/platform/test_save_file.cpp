// Every writer of the program replaces a symbolic link planted at its target and leaves
// whatever the link points to as it was; a failed write leaves the earlier file as it was.
#include "compare/CompareWorkbook.h"
#include "compare/ListComparison.h"
#include "export/TextExport.h"
#include "export/WorkbookExport.h"
#include "model/UserError.h"
#include "platform/SaveFile.h"
#include "session/ListJournal.h"
#include "session/Session.h"
#include "settings/PlaceLines.h"
#include "support/FileBytes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

namespace
{

std::vector<TransferLine> someLines()
{
    return {TransferLine(u"160000100", u"0012345678", u"03", u"1,00", u"0,50", u"110000000001",
                         u"ALPHA Samia", u"P"),
            TransferLine(u"160000100", u"0000000004", u"97", u"2,00", u"0,00", u"110000000002",
                         u"BETA Omar", u"D")};
}

int runCli(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(TALVORO_CLI_PATH), args);
    p.waitForFinished(30000);
    return p.exitCode();
}

} // namespace

TEST(SaveFile, EveryWriterReplacesALinkAtItsTargetAndLeavesWhatItPointsTo)
{
    Session session;
    session.replaceAll(someLines());
    const QString small = QStringLiteral(TALVORO_FIXTURES "/small.txt");
    struct Writer {
        const char *what;
        const char *name;
        std::function<void(const QString &)> write;
    };
    const Writer writers[] = {
        {"text export", "Liste_Nominative_A12.txt",
         [&](const QString &p) { TextExport::writeFile(session.list(), p); }},
        {"workbook export", "Liste Nominative_A12.xlsx",
         [&](const QString &p) { WorkbookExport::writeFile(session.list(), p); }},
        {"journal", "liste.journal",
         [&](const QString &p) { ASSERT_EQ(ListJournal::write(p, someLines()), QString()); }},
        {"settings", "Direction.ini",
         [&](const QString &p) {
             saveLinesToIni(p, QStringLiteral("Infos"), {QStringLiteral("APC X")});
         }},
        {"comparison workbook", "comparaison.xlsx",
         [&](const QString &p) {
             CompareWorkbook::writeFile(ListComparison::compare(someLines(), someLines()), p);
         }},
        {"talvoro-cli report --pdf", "liste.pdf",
         [&](const QString &p) {
             EXPECT_EQ(runCli({QStringLiteral("report"), QStringLiteral("list"), small,
                               QStringLiteral("--pdf"), p}),
                       0);
         }},
        {"talvoro-cli compare --pdf", "comparaison.pdf",
         [&](const QString &p) {
             // 1: the list holds duplicates, told as differences.
             EXPECT_NE(
                 runCli({QStringLiteral("compare"), small, small, QStringLiteral("--pdf"), p}), 2);
         }},
    };
    for (const Writer &w : writers) {
        QTemporaryDir folder, elsewhere;
        const QString victim = elsewhere.filePath(QStringLiteral("autre-utilisateur.txt"));
        writeAll(victim, "precious\n");
        const QString target = folder.filePath(QString::fromUtf8(w.name));
        ASSERT_TRUE(QFile::link(victim, target)) << w.what;
        w.write(target);
        EXPECT_EQ(readAll(victim), QByteArray("precious\n")) << w.what;
        const QFileInfo written(target);
        EXPECT_FALSE(written.isSymLink()) << w.what;
        EXPECT_TRUE(written.isFile()) << w.what;
        EXPECT_GT(written.size(), 0) << w.what;
        // Nothing left beside it.
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
                  QStringList{QString::fromUtf8(w.name)})
            << w.what;
    }
}

TEST(SaveFile, KeepsTheOldFileAndItsPermissionsUntilWhole)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f.txt"));
    writeAll(path, "old");
    const auto mine = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    ASSERT_TRUE(QFile::setPermissions(path, mine));
    {
        SaveFile f(path);
        ASSERT_TRUE(f.open());
        f.write("never committed");
    }
    EXPECT_EQ(readAll(path), QByteArray("old"));
    EXPECT_EQ(SaveFile::writeAll(path, "new"), QString());
    EXPECT_EQ(readAll(path), QByteArray("new"));
    // Owner, group and others.
    EXPECT_EQ(QFileInfo(path).permissions() & 0x7077, mine);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"f.txt"});

#ifdef Q_OS_UNIX
    // A write that fails (the file-size limit, as a full disk would) is never committed.
    struct rlimit old {
    };
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const QString problem = SaveFile::writeAll(path, QByteArray(64 * 1024, 'x'));
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(problem.isEmpty());
    EXPECT_EQ(readAll(path), QByteArray("new"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"f.txt"});
#endif
}
