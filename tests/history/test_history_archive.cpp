#include "history/HistoryRecorder.h"
#include "history/HistorySettings.h"
#include "history/HistoryTexts.h"
#include "history/SqlArchive.h"
#include "import/TextImport.h"
#include "keys/LineCheck.h"
#include "model/AmountText.h"
#include "model/UserError.h"
#include "session/Session.h"
#include "settings/Folders.h"
#include "support/ThrowawayPostgres.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// One server for the whole run (see main below).
ThrowawayPostgres *postgresServer();

namespace
{

enum class Backend { Sqlite, Postgres };

std::string nameOf(const testing::TestParamInfo<Backend> &info)
{
    return info.param == Backend::Sqlite ? "SQLite" : "PostgreSQL";
}

ArchivedLine line(const char *account, const char *key, int64_t net, int64_t yield,
                  const char *insurance, const QString &name, const char *type = "P")
{
    return {QStringLiteral("160000100"),
            QString::fromLatin1(account),
            QString::fromLatin1(key),
            net,
            yield,
            QString::fromLatin1(insurance),
            name,
            QString::fromLatin1(type)};
}

ArchivedExport exportAt(const QDateTime &when, const QString &code,
                        const std::vector<ArchivedLine> &lines)
{
    ArchivedExport e;
    e.exportedAt = when;
    e.code = code;
    e.kind = QStringLiteral("txt");
    e.filePath = QStringLiteral("/tmp/Liste_Nominative_") + code + QStringLiteral(".txt");
    e.sha256 = QString(64, u'a');
    e.lineCount = int(lines.size());
    for (const ArchivedLine &l : lines) {
        e.netCents += l.netCents;
        e.yieldCents += l.yieldCents;
    }
    e.programVersion = QStringLiteral("1.0.0");
    return e;
}

QDateTime at(int year, int month, int day)
{
    return QDateTime(QDate(year, month, day), QTime(10, 30));
}

class HistoryArchiveTest : public testing::TestWithParam<Backend>
{
protected:
    void SetUp() override
    {
        if (GetParam() == Backend::Postgres) {
            const QString missing = ThrowawayPostgres::missing();
            if (!missing.isEmpty()) GTEST_SKIP() << missing.toStdString();
            ThrowawayPostgres *server = postgresServer();
            ASSERT_TRUE(server->running()) << server->whyNot().toStdString();
            m_connection = server->newDatabase();
        } else {
            ASSERT_TRUE(m_dir.isValid());
        }
    }

    QString sqlitePath() const { return m_dir.filePath(QStringLiteral("paiements.sqlite")); }

    std::unique_ptr<SqlArchive> open() const
    {
        return GetParam() == Backend::Sqlite ? SqlArchive::openSqlite(sqlitePath())
                                             : SqlArchive::openPostgres(m_connection);
    }

    HistorySettings settings() const
    {
        HistorySettings s;
        s.sqliteFile = sqlitePath();
        if (GetParam() == Backend::Postgres) s.postgres = m_connection;
        return s;
    }

    // Two months of a small office.
    void recordTwoMonths(HistoryArchive &a)
    {
        a.record(exportAt(at(2026, 3, 25), QStringLiteral("M03"), m_march), m_march);
        a.record(exportAt(at(2026, 4, 25), QStringLiteral("M04"), m_april), m_april);
    }

    QTemporaryDir m_dir;
    QString m_connection;
    std::vector<ArchivedLine> m_march = {
        line("0012345678", "07", 4500000, 12050, "123456789012", QStringLiteral("HÉLÈNE Zoé")),
        line("12345", "55", 3000099, 0, "210987654321", QStringLiteral("BEN ALI Omar"), "D"),
        line("0000000004", "99", 1, 2, "333333333333", QStringLiteral("علي بن"), "I"),
        line("0000000005", "", 0, 0, "", QString(), ""),
    };
    std::vector<ArchivedLine> m_april = {
        line("0012345678", "07", 4600000, 0, "123456789012", QStringLiteral("HELENE ZOE")),
        line("0000012345", "55", 3000099, 100, "210987654321", QStringLiteral("BEN ALI Omar"), "D"),
    };
};

TEST_P(HistoryArchiveTest, KeepsExportsAndTheirLinesNewestFirst)
{
    auto a = open();
    EXPECT_EQ(a->schemaVersion(), SqlArchive::SchemaVersion);
    EXPECT_TRUE(a->exports().empty());
    recordTwoMonths(*a);

    const std::vector<ArchivedExport> all = a->exports();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].code, QStringLiteral("M04"));
    EXPECT_EQ(all[1].code, QStringLiteral("M03"));
    ArchivedExport expected = exportAt(at(2026, 3, 25), QStringLiteral("M03"), m_march);
    expected.id = all[1].id;
    EXPECT_EQ(all[1], expected);
    EXPECT_EQ(all[1].netCents, 4500000 + 3000099 + 1);
    EXPECT_EQ(all[1].lineCount, 4);
    EXPECT_EQ(a->lines(all[1].id), m_march);
    EXPECT_EQ(a->lines(all[0].id), m_april);
    EXPECT_EQ(a->exportById(all[0].id)->code, QStringLiteral("M04"));
    EXPECT_FALSE(a->exportById(all[0].id + 100).has_value());

    // A second connection (another workstation, or the next start) sees the same.
    auto b = open();
    EXPECT_EQ(b->exports(), all);
}

TEST_P(HistoryArchiveTest, FindsAPersonAcrossMonths)
{
    auto a = open();
    recordTwoMonths(*a);
    struct Case {
        PersonField field;
        QString text;
        std::vector<QString> codes; // of the exports found, in order
    };
    const std::vector<Case> cases = {
        {PersonField::Insurance, QStringLiteral(" 123456789012 "), {"M04", "M03"}},
        {PersonField::Insurance, QStringLiteral("12345678901"), {}},
        {PersonField::Account, QStringLiteral("12345"), {"M04", "M03"}},
        {PersonField::Account, QStringLiteral("0000012345"), {"M04", "M03"}},
        {PersonField::Account, QStringLiteral("4"), {"M03"}},
        {PersonField::Name, QStringLiteral("helene"), {"M04", "M03"}},
        {PersonField::Name, QStringLiteral("zoé"), {"M04", "M03"}},
        {PersonField::Name, QStringLiteral("ali om"), {"M04", "M03"}},
        {PersonField::Name, QStringLiteral("علي"), {"M03"}},
        {PersonField::Name, QStringLiteral("%"), {}},
        {PersonField::Name, QStringLiteral("   "), {}},
    };
    for (const Case &c : cases) {
        std::vector<QString> codes;
        for (const PersonPayment &p : a->findPerson(c.field, c.text))
            codes.push_back(p.exported.code);
        EXPECT_EQ(codes, c.codes) << c.text.toStdString();
    }
    const auto found = a->findPerson(PersonField::Insurance, QStringLiteral("210987654321"));
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].line, m_april[1]);
    EXPECT_EQ(found[1].line, m_march[1]);

    const auto year = a->personYear(QStringLiteral("123456789012"), 2026);
    ASSERT_EQ(year.size(), 2u);
    EXPECT_EQ(year[0].exported.code, QStringLiteral("M03")); // oldest first
    EXPECT_EQ(year[0].line.netCents + year[1].line.netCents, 9100000);
    EXPECT_TRUE(a->personYear(QStringLiteral("123456789012"), 2025).empty());
}

TEST_P(HistoryArchiveTest, AMonthLargerThanABlockComesBackWholeAndIsFoundAcrossBlockEdges)
{
    // Lines are stored by blocks of consecutive lines and keys by sorted blocks: a month
    // that fills several of each, with one insurance number shared by more lines than a key
    // block holds, and a person on the edges between line blocks.
    constexpr int Lines = 10000;
    std::vector<ArchivedLine> month;
    month.reserve(Lines);
    for (int i = 0; i < Lines; ++i) {
        const bool shared = i % 2 == 0;
        const QByteArray insurance = shared ? QByteArray("999") : QByteArray::number(100000 + i);
        const QByteArray account = QByteArray::number(i + 1).rightJustified(10, '0');
        month.push_back(line(account.constData(), "07", 100 * i - 5000, i, insurance.constData(),
                             QStringLiteral("PERSONNE N°%1 É").arg(i)));
    }
    for (int edge : {4095, 4096, 8191, 9999})
        month[size_t(edge)].insurance = QStringLiteral("424242424242");
    auto a = open();
    const int64_t id = a->record(exportAt(at(2026, 5, 25), QStringLiteral("M05"), month), month);
    EXPECT_EQ(a->lines(id), month);

    std::vector<int64_t> positions;
    for (const PersonPayment &p : a->findPerson(PersonField::Insurance, QStringLiteral("999")))
        positions.push_back(p.line.yieldCents);
    ASSERT_EQ(positions.size(), size_t(Lines / 2 - 1)); // line 4096 has the other number
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));

    std::vector<QString> names;
    for (const PersonPayment &p :
         a->findPerson(PersonField::Insurance, QStringLiteral("424242424242")))
        names.push_back(p.line.name);
    EXPECT_EQ(names, (std::vector<QString>{QStringLiteral("PERSONNE N°4095 É"),
                                           QStringLiteral("PERSONNE N°4096 É"),
                                           QStringLiteral("PERSONNE N°8191 É"),
                                           QStringLiteral("PERSONNE N°9999 É")}));
    const auto byAccount = a->findPerson(PersonField::Account, QStringLiteral("8192"));
    ASSERT_EQ(byAccount.size(), 1u);
    EXPECT_EQ(byAccount[0].line, month[8191]);
    const auto byName = a->findPerson(PersonField::Name, QStringLiteral("n°9999 e"));
    ASSERT_EQ(byName.size(), 1u);
    EXPECT_EQ(byName[0].line, month[9999]);
    EXPECT_EQ(a->findPerson(PersonField::Name, QStringLiteral("n°40")).size(), 111u);
}

TEST_P(HistoryArchiveTest, AFailureBeforeTheCommitLeavesNothingAndTheNextTryWorks)
{
    auto a = open();
    a->record(exportAt(at(2026, 3, 25), QStringLiteral("M03"), m_march), m_march);
    a->setBeforeCommit([] { throw UserError(QStringLiteral("disk full")); });
    EXPECT_THROW(a->record(exportAt(at(2026, 4, 25), QStringLiteral("M04"), m_april), m_april),
                 UserError);
    EXPECT_EQ(a->exports().size(), 1u);
    EXPECT_TRUE(a->findPerson(PersonField::Name, QStringLiteral("HELENE ZOE")).size() == 1);
    a->setBeforeCommit({});
    a->record(exportAt(at(2026, 4, 25), QStringLiteral("M04"), m_april), m_april);
    EXPECT_EQ(a->exports().size(), 2u);
}

TEST_P(HistoryArchiveTest, AProcessKilledBeforeTheCommitLeavesTheArchiveAsItWas)
{
    // Created with the first month by this process; a child then records a second month
    // with many lines and dies just before committing.
    {
        auto a = open();
        a->record(exportAt(at(2026, 3, 25), QStringLiteral("M03"), m_march), m_march);
    }
    std::vector<ArchivedLine> many;
    for (int i = 0; i < 5000; ++i)
        many.push_back(line("0012345678", "07", 100 + i, 0,
                            QString::number(100000000000LL + i).toLatin1().constData(),
                            QStringLiteral("NOM %1").arg(i)));
    GTEST_FLAG_SET(death_test_style, "fast");
    EXPECT_DEATH(
        {
            auto child = open();
            child->setBeforeCommit([] { std::abort(); });
            child->record(exportAt(at(2026, 4, 25), QStringLiteral("M04"), many), many);
        },
        "");
    auto a = open();
    ASSERT_EQ(a->exports().size(), 1u);
    EXPECT_EQ(a->lines(a->exports()[0].id), m_march);
    EXPECT_TRUE(a->findPerson(PersonField::Name, QStringLiteral("NOM 1")).empty());
    a->record(exportAt(at(2026, 4, 25), QStringLiteral("M04"), many), many);
    EXPECT_EQ(a->lines(a->exports()[0].id).size(), many.size());
}

TEST_P(HistoryArchiveTest, TheSessionRecordsEveryWholeListExportAsWritten)
{
    const QString folder = m_dir.filePath(QStringLiteral("out"));
    ASSERT_TRUE(QDir().mkpath(folder));
    Session session;
    session.replaceAll({
        TransferLine(u"160000100", u"0012345678", u"07", u" 45 000,00", u"  120,50",
                     u"123456789012", u"HÉLÈNE Zoé", u"P"),
        TransferLine(u"*00799999", u"12345", u"55", u"30 000,99", u"0,00", u"210987654321",
                     u"BEN ALI Omar", u"D"),
    });
    HistoryRecorder recorder([this] { return open(); });
    session.setExportRecorder(recorder.asSessionRecorder());

    // The whole list, in text: recorded, with the file's own figures.
    const QString text = folder + QStringLiteral("/Liste_Nominative_A12.txt");
    Session::ExportResult r = session.exportText(text, QStringLiteral("A12"));
    EXPECT_TRUE(r.recorded) << r.recordProblem.toStdString();
    auto a = open();
    ASSERT_EQ(a->exports().size(), 1u);
    const ArchivedExport e = a->exports()[0];
    EXPECT_EQ(e.code, QStringLiteral("A12"));
    {
        QFile written(text);
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        EXPECT_EQ(
            e.sha256,
            QString::fromLatin1(
                QCryptographicHash::hash(written.readAll(), QCryptographicHash::Sha256).toHex()));
    }
    const std::vector<TransferLine> fromFile = TextImport::importFile(text);
    const std::vector<ArchivedLine> kept = a->lines(e.id);
    ASSERT_EQ(kept.size(), fromFile.size());
    int64_t net = 0;
    for (size_t i = 0; i < kept.size(); ++i) {
        long long fileNet = 0, fileYield = 0;
        ASSERT_TRUE(readAmountCents(fromFile[i].subItemView(TransferLine::Net), fileNet));
        ASSERT_TRUE(readAmountCents(fromFile[i].subItemView(TransferLine::Yield), fileYield));
        EXPECT_EQ(kept[i].netCents, fileNet);
        EXPECT_EQ(kept[i].yieldCents, fileYield);
        EXPECT_EQ(kept[i].insurance, fromFile[i].subItemView(TransferLine::Insurance).trimmed());
        net += fileNet;
    }
    EXPECT_EQ(e.netCents, net);
    EXPECT_EQ(e.lineCount, 2);

    // A filtered export is not the month's list: not recorded.
    session.setFilter(WorkingList::FilterField::Name, QStringLiteral("ben"));
    r = session.exportText(folder + QStringLiteral("/Liste_Nominative_F.txt"), QStringLiteral("F"));
    EXPECT_TRUE(r.filtered);
    EXPECT_FALSE(r.recorded);
    session.setFilter(WorkingList::FilterField::Name, QString());

    // A failed export records nothing.
    EXPECT_THROW(
        session.exportText(m_dir.filePath(QStringLiteral("missing/x.txt")), QStringLiteral("X")),
        UserError);

    // The workbook: recorded too, the code found in its name when not given.
    r = session.exportWorkbook(folder +
                               QStringLiteral("/Liste Nominative_B7_20260425_103000.xlsx"));
    EXPECT_TRUE(r.recorded) << r.recordProblem.toStdString();
    const auto all = a->exports();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].kind, QStringLiteral("xlsx"));
    EXPECT_EQ(all[0].code, QStringLiteral("B7"));
}

TEST_P(HistoryArchiveTest, AnArchiveThatCannotBeWrittenNeverStopsTheExport)
{
    Session session;
    session.replaceAll({TransferLine(u"160000100", u"0012345678", u"07", u"10,00", u"0,00",
                                     u"123456789012", u"NOM", u"P")});
    bool broken = true;
    HistoryRecorder recorder([&]() -> std::unique_ptr<HistoryArchive> {
        if (broken) throw UserError(QStringLiteral("server unreachable"));
        return open();
    });
    session.setExportRecorder(recorder.asSessionRecorder());
    const QString path = m_dir.filePath(QStringLiteral("Liste_Nominative_C.txt"));
    Session::ExportResult r = session.exportText(path, QStringLiteral("C"));
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_FALSE(r.recorded);
    EXPECT_TRUE(r.recordProblem.contains(QStringLiteral("server unreachable")));
    EXPECT_TRUE(r.recordProblem.contains(QStringLiteral("Le prochain export réessaiera")));
    EXPECT_FALSE(session.hasUnexportedChanges());
    broken = false;
    r = session.exportText(path, QStringLiteral("C"));
    EXPECT_TRUE(r.recorded) << r.recordProblem.toStdString();
    EXPECT_EQ(open()->exports().size(), 1u);
}

TEST_P(HistoryArchiveTest, ARecordingOnAWorkerThreadKeepsTheListAsExportedAndTellsItsFailure)
{
    Session session;
    session.replaceAll({
        TransferLine(u"160000100", u"0012345678", u"07", u"45 000,00", u"120,50", u"123456789012",
                     u"HÉLÈNE Zoé", u"P"),
        TransferLine(u"*00799999", u"12345", u"55", u"30 000,99", u"0,00", u"210987654321",
                     u"BEN ALI Omar", u"D"),
    });
    const std::vector<ArchivedLine> exported = HistoryRecorder::linesOf(session.list());
    bool broken = false;
    HistoryRecorder recorder([&]() -> std::unique_ptr<HistoryArchive> {
        if (broken) throw UserError(QStringLiteral("server unreachable"));
        return open();
    });
    session.setExportRecorder(recorder.asStartingRecorder());
    const QString path = m_dir.filePath(QStringLiteral("Liste_Nominative_W.txt"));
    Session::ExportResult r = session.exportText(path, QStringLiteral("W"));
    EXPECT_TRUE(r.recorded);
    // The clerk changes the list while the recording runs: the archive keeps the list as
    // it was written.
    session.replaceAll({TransferLine(u"*00799999", u"999", u"01", u"1,00", u"0,00", u"111111111111",
                                     u"AUTRE", u"P")});
    EXPECT_EQ(recorder.finishRecording(), QString());
    EXPECT_EQ(recorder.finishRecording(), QString()); // nothing left to wait for
    auto a = open();
    ASSERT_EQ(a->exports().size(), 1u);
    EXPECT_EQ(a->exports()[0].netCents, 4500000 + 3000099);
    EXPECT_EQ(a->lines(a->exports()[0].id), exported);

    // A failure is told when the recording is collected; the export stands.
    broken = true;
    r = session.exportText(path, QStringLiteral("W"));
    EXPECT_TRUE(QFile::exists(path));
    const QString problem = recorder.finishRecording();
    EXPECT_TRUE(problem.contains(QStringLiteral("server unreachable"))) << problem.toStdString();
    EXPECT_TRUE(problem.contains(QStringLiteral("Le prochain export réessaiera")));
    // A recording still running is waited for by whoever reads the archive next.
    broken = false;
    r = session.exportText(path, QStringLiteral("W"));
    EXPECT_EQ(recorder.archive().exports().size(), 2u);
    EXPECT_EQ(recorder.finishRecording(), QString());
}

TEST_P(HistoryArchiveTest, AnArchiveOfANewerProgramIsRefused)
{
    open();
    {
        const QString name = QStringLiteral("raw");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(
                GetParam() == Backend::Sqlite ? QStringLiteral("QSQLITE") : QStringLiteral("QPSQL"),
                name);
            if (GetParam() == Backend::Sqlite)
                db.setDatabaseName(sqlitePath());
            else
                db.setConnectOptions(m_connection);
            ASSERT_TRUE(db.open());
            QSqlQuery q(db);
            ASSERT_TRUE(q.exec(QStringLiteral("INSERT INTO schema_version (version) VALUES (99)")));
        }
        QSqlDatabase::removeDatabase(name);
    }
    try {
        open();
        FAIL() << "opened";
    } catch (const UserError &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("version plus récente"))) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, HistoryArchiveTest,
                         testing::Values(Backend::Sqlite, Backend::Postgres), nameOf);

TEST(HistorySqlite, ADamagedFileIsSetAsideAndReportedNeverWrittenOver)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("paiements.sqlite"));
    struct Case {
        const char *what;
        QByteArray content;
    };
    QByteArray truncated;
    {
        // A real archive cut short in its middle.
        auto a = SqlArchive::openSqlite(path);
        std::vector<ArchivedLine> lines;
        for (int i = 0; i < 2000; ++i)
            lines.push_back(line("0012345678", "07", i, 0, "123456789012", QStringLiteral("N")));
        a->record(exportAt(at(2026, 1, 25), QStringLiteral("X"), lines), lines);
    }
    {
        // Fold the journal in, so that the file alone holds everything (still in WAL mode).
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("ck"));
        db.setDatabaseName(path);
        ASSERT_TRUE(db.open());
        QSqlQuery(db).exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("ck"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        truncated = f.readAll();
        // Garbage over the pages after the first two.
        for (qsizetype i = 8192; i < truncated.size(); ++i)
            truncated[i] = char(0x5a);
    }
    const std::vector<Case> cases = {
        {"not a database", QByteArray("PK\x03\x04 this is a zip, not an archive")},
        {"damaged pages", truncated},
    };
    for (const Case &c : cases) {
        for (const QString &leftover : QDir(dir.path()).entryList(QDir::Files))
            QFile::remove(dir.filePath(leftover));
        {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(c.content);
        }
        bool told = false;
        try {
            auto a = SqlArchive::openSqlite(path);
            a->exports();
            a->lines(1);
            a->findPerson(PersonField::Name, QStringLiteral("n"));
        } catch (const UserError &e) {
            told = e.message().contains(QStringLiteral("endommagée"));
        }
        EXPECT_TRUE(told) << c.what;
        EXPECT_FALSE(QFile::exists(path)) << c.what;
        const QStringList aside =
            QDir(dir.path())
                .entryList({QStringLiteral("paiements.sqlite.endommagée-*")}, QDir::Files);
        ASSERT_FALSE(aside.isEmpty()) << c.what;
        QFile kept(dir.filePath(aside.first()));
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), c.content) << c.what;
        // The next opening starts a new archive.
        EXPECT_TRUE(SqlArchive::openSqlite(path)->exports().empty());
    }
}

TEST(HistorySqlite, ADamagedBlockOfLinesIsReportedNeverReadAsOtherLines)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("paiements.sqlite"));
    const std::vector<ArchivedLine> lines = {
        line("0012345678", "07", 4500000, 0, "123456789012", QStringLiteral("HÉLÈNE Zoé"))};
    const int64_t id = SqlArchive::openSqlite(path)->record(
        exportAt(at(2026, 1, 25), QStringLiteral("X"), lines), lines);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("b"));
        db.setDatabaseName(path);
        ASSERT_TRUE(db.open());
        // A line block whose text runs past its end.
        ASSERT_TRUE(QSqlQuery(db).exec(QStringLiteral("UPDATE export_blocks SET lines = "
                                                      "x'0101020200'")));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("b"));
    auto a = SqlArchive::openSqlite(path);
    for (auto read : std::vector<std::function<void()>>{
             [&] { a->lines(id); },
             [&] { a->findPerson(PersonField::Insurance, QStringLiteral("123456789012")); },
             [&] { a->findPerson(PersonField::Name, QStringLiteral("zoe")); }}) {
        try {
            read();
            ADD_FAILURE() << "a damaged block was read";
        } catch (const UserError &e) {
            EXPECT_TRUE(e.message().contains(QStringLiteral("n° %1 sont endommagées").arg(id)))
                << e.message().toStdString();
        }
    }
    // The archive itself stays where it is: the other exports remain readable.
    EXPECT_TRUE(QFile::exists(path));
}

// The list as imported is found again behind every kind of change, undone or not.
TEST(ChangesSinceImport, TheImportedLinesComeBackFromBehindEveryChange)
{
    std::vector<TransferLine> imported;
    for (int i = 0; i < 12; ++i)
        imported.emplace_back(u"160000100", QStringLiteral("%1").arg(1000 + i, 10, 10, QChar(u'0')),
                              u"5", QStringLiteral("%1,00").arg(100 + i), u"0,00",
                              QStringLiteral("1100000000%1").arg(i, 2, 10, QChar(u'0')),
                              QStringLiteral("NOM %1").arg(i), i % 2 ? u"P" : u"D");
    Session s;
    s.replaceAll(imported);
    EXPECT_FALSE(s.changedSinceImport());
    const std::vector<std::function<void()>> steps = {
        [&] { s.deleteRow(3); },
        [&] {
            s.appendLine(
                TransferLine(u"*00799999", u"7", u"07", u"5,00", u"0,00", u"9", u"NEW", u"P"));
        },
        [&] {
            TransferLine l = s.list().line(0);
            l.setSubItem(TransferLine::Net, u"999,00");
            s.replaceLine(0, l);
        },
        [&] { s.repairKeys(KeyKind::Rip); },
        [&] {
            s.setFilter(WorkingList::FilterField::Name, QStringLiteral("nom 1"));
            s.deleteShown();
            s.setFilter(WorkingList::FilterField::Name, QString());
        },
        [&] { s.clean(); },
        [&] { s.undoStack().undo(); },
        [&] { s.deleteRow(0); },
    };
    for (size_t k = 0; k < steps.size(); ++k) {
        steps[k]();
        EXPECT_TRUE(s.changedSinceImport()) << k;
        EXPECT_EQ(s.linesAsImported(), imported) << k;
    }
    const ListComparison c = s.changesSinceImport();
    EXPECT_FALSE(c.same());
    EXPECT_EQ(c.count(ListComparison::Category::New), 1);
    while (s.undoStack().canUndo())
        s.undoStack().undo();
    EXPECT_FALSE(s.changedSinceImport());
    EXPECT_EQ(s.linesAsImported(), imported);
    EXPECT_TRUE(s.changesSinceImport().same());
}

TEST(HistorySettings, PostgresConnectionFromDirectionIniNeverWithAPassword)
{
    QTemporaryDir dir;
    const Folders folders(dir.path());
    const QString ini = dir.filePath(QStringLiteral("Direction.ini"));
    {
        QFile f(ini);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Infos]\nCount=0\n[Historique]\nPostgreSQL= service=paie \n");
    }
    HistorySettings s = HistorySettings::read(folders, ini);
    EXPECT_EQ(s.postgres, QStringLiteral("service=paie"));
    EXPECT_TRUE(s.sqliteFile.endsWith(QStringLiteral("Historique/paiements.sqlite")));
    EXPECT_TRUE(HistorySettings::read(folders, dir.filePath(QStringLiteral("none.ini")))
                    .postgres.isEmpty());
    for (const char *connection : {"host=x password=secret", "host=x;PASSWORD = secret"}) {
        try {
            SqlArchive::openPostgres(QString::fromLatin1(connection));
            ADD_FAILURE() << connection;
        } catch (const UserError &e) {
            EXPECT_EQ(e.message(), HistoryTexts::PasswordInSettings());
        }
    }
}

} // namespace

namespace
{
ThrowawayPostgres *server = nullptr;
}

ThrowawayPostgres *postgresServer()
{
    if (!server) server = new ThrowawayPostgres;
    return server;
}

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    // The server stops here, once, after every test.
    delete server;
    return result;
}
