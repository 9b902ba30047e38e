#include "QtPrinters.h"

#include "export/TextExport.h"
#include "export/WorkbookExport.h"
#include "export/XlsxSaveFile.h"
#include "import/WorkbookReader.h"
#include "model/UserError.h"
#include "session/Session.h"

#include "support/XlsxCells.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace
{

TransferLine line(const char16_t *account, const char16_t *key, const char16_t *net,
                  const char16_t *yield, const char16_t *insurance, const char16_t *name,
                  const char16_t *type)
{
    return TransferLine(u"160000100", account, key, net, yield, insurance, name, type);
}

} // namespace

TEST(WorkbookExport, HeadersTextAndNumberCells)
{
    QTemporaryDir dir;
    Session session;
    std::vector<TransferLine> lines;
    lines.push_back(line(u"0012345678", u"03", u"  1 234,56", u"   0,00", u"110000000001",
                         u" Zoé HÉLÈNE ", u"P"));
    lines.push_back(line(u"12345678", u"05", u"   7,00", u"   12,35", u"", u"سعيد بن علي", u"D"));
    lines.push_back(line(u"0000000001", u"09", u"", u"", u"", u"", u""));
    session.replaceAll(lines);
    const QString path = dir.filePath(QStringLiteral("out.xlsx"));
    WorkbookExport::writeFile(session.list(), path);

    EXPECT_EQ(XlsxCells::read(path),
              (QStringList{"Sheet1/0/0:string:\"Compte\"",
                           "Sheet1/0/1:string:\"Clé\"",
                           "Sheet1/0/2:string:\"Net à Payer\"",
                           "Sheet1/0/3:string:\"Rendement\"",
                           "Sheet1/0/4:string:\"Num Assurance\"",
                           "Sheet1/0/5:string:\"Nom et Prénom\"",
                           "Sheet1/0/6:string:\"Type Contrat\"",
                           "Sheet1/1/0:string:\"0012345678\"",
                           "Sheet1/1/1:string:\"03\"",
                           "Sheet1/1/2:numeric:1234.56",
                           "Sheet1/1/3:numeric:0",
                           "Sheet1/1/4:string:\"110000000001\"",
                           "Sheet1/1/5:string:\" Zoé HÉLÈNE \"",
                           "Sheet1/1/6:string:\"P\"",
                           "Sheet1/2/0:string:\"12345678\"",
                           "Sheet1/2/1:string:\"05\"",
                           "Sheet1/2/2:numeric:7",
                           "Sheet1/2/3:numeric:12.35",
                           QString::fromUtf16(u"Sheet1/2/5:string:\"سعيد بن علي\""),
                           "Sheet1/2/6:string:\"D\"",
                           "Sheet1/3/0:string:\"0000000001\"",
                           "Sheet1/3/1:string:\"09\"",
                           "Sheet1/3/2:numeric:0",
                           "Sheet1/3/3:numeric:0"}));
    // Nothing else is left in the folder.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.xlsx"});

    // Values the clerk would never see in the workbook are refused by name, all or nothing:
    // no 0 for an amount that does not read, no raw text for a key or an insurance number.
    lines.push_back(line(u"12345678", u"5", u"abc", u"-   12,35", u"=1+1", u"NOM", u"D"));
    session.replaceAll(lines);
    try {
        WorkbookExport::writeFile(session.list(), dir.filePath(QStringLiteral("refus.xlsx")));
        ADD_FAILURE() << "no refusal";
    } catch (const UserError &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral(
            "Ligne 4 : CLE/RIP « 5 » (pas deux chiffres), NumAss « =1+1 » (pas uniquement des "
            "chiffres), "
            "Net « abc » (montant illisible), Rendement « -   12,35 » (montant négatif)")))
            << e.message().toStdString();
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"out.xlsx"});
}

TEST(WorkbookExport, RoundTripThroughTheImport)
{
    QTemporaryDir dir;
    Session session;
    const WorkingList &list = session.list();
    std::vector<TransferLine> lines;
    lines.push_back(line(u"0012345678", u"03", u"  1 234,56", u"   100,25", u"110000000001",
                         u"Zoé HÉLÈNE", u"P"));
    lines.push_back(
        line(u"0000000004", u"97", u" 21 474 836,47", u"   0,00", u"", u"سعيد بن علي", u"I"));
    lines.push_back(
        line(u"0000000001", u"09", u"   0,01", u"   0,10", u"110000", u"ÉLODIE ÀÏT", u"D"));
    session.replaceAll(lines);
    // With a filter in force only the shown lines are written.
    session.setFilter(WorkingList::FilterField::Name, QStringLiteral("HÉL"));
    ASSERT_EQ(list.count(), 1);
    const QString one = dir.filePath(QStringLiteral("un.xlsx"));
    WorkbookExport::writeFile(list, one);
    EXPECT_EQ(WorkbookImport::toLines(WorkbookImport::readFirstSheet(one), one).size(), size_t(1));

    session.setFilter(WorkingList::FilterField::None, QString());
    const QString path = dir.filePath(QStringLiteral("tous.xlsx"));
    WorkbookExport::writeFile(list, path);
    const std::vector<TransferLine> back =
        WorkbookImport::toLines(WorkbookImport::readFirstSheet(path), path);
    ASSERT_EQ(back.size(), lines.size());
    for (size_t r = 0; r < lines.size(); ++r) {
        EXPECT_EQ(back[r].caption(), QStringLiteral("*00799999"));
        for (int i = 0; i < 7; ++i)
            EXPECT_EQ(back[r].subItem(i), lines[r].subItem(i)) << r << ' ' << i;
    }
}

TEST(WorkbookExport, FileNameAndWholeOrNothing)
{
    EXPECT_EQ(WorkbookExport::fileNameFor(QStringLiteral("A12"),
                                          QDateTime(QDate(2024, 3, 5), QTime(9, 5, 7))),
              QStringLiteral("Liste Nominative_A12_20240305_090507.xlsx"));

    QTemporaryDir dir;
    Session session;
    const WorkingList &list = session.list();
    session.appendLine(line(u"0012345678", u"03", u"1,00", u"0,00", u"", u"NOM", u"P"));
    // An existing file of the same name is replaced.
    const QString path = dir.filePath(QStringLiteral("liste.xlsx"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old");
    }
    WorkbookExport::writeFile(list, path);
    EXPECT_TRUE(QFile(path).size() > 1000);

    // A cell the format cannot hold stops the export; the earlier file stays as it was.
    const QByteArray before = [&] {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    TransferLine longName = list.line(0);
    longName.setSubItem(5, QString(40000, u'N'));
    session.replaceLine(0, longName);
    try {
        WorkbookExport::writeFile(list, path);
        ADD_FAILURE() << "no error";
    } catch (const UserError &e) {
        EXPECT_TRUE(e.message().startsWith(
            QStringLiteral("Ligne 2, colonne 6 : la cellule n’a pas pu être écrite")))
            << e.message().toStdString();
    }
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"liste.xlsx"});

    // A folder that does not exist: nothing is written.
    try {
        WorkbookExport::writeFile(list, dir.filePath(QStringLiteral("absent/liste.xlsx")));
        ADD_FAILURE() << "no error";
    } catch (const UserError &e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Cannot create file \"")))
            << e.message().toStdString();
    }
}

// Rows go to the file as they are written: a cell above the row being written is refused,
// never dropped, and nothing is left behind.
TEST(WorkbookExport, CellAboveTheRowBeingWrittenIsRefused)
{
    QTemporaryDir dir;
    {
        XlsxSaveFile book(dir.filePath(QStringLiteral("rangs.xlsx")));
        book.addSheet();
        book.text(1, 0, u"B2");
        try {
            book.number(0, 2, 1.0);
            ADD_FAILURE() << "no error";
        } catch (const UserError &e) {
            EXPECT_TRUE(e.message().startsWith(
                QStringLiteral("Ligne 1, colonne 3 : la cellule n’a pas pu être écrite")))
                << e.message().toStdString();
        }
    }
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST(WorkbookExport, WorkbookGetsTheTextExportsPermissions)
{
    QTemporaryDir dir;
    Session session;
    session.appendLine(line(u"0012345678", u"03", u"1,00", u"0,00", u"", u"NOM", u"P"));
    const mode_t previous = ::umask(022);
    const QString xlsx = dir.filePath(QStringLiteral("liste.xlsx"));
    const QString txt = dir.filePath(QStringLiteral("liste.txt"));
    WorkbookExport::writeFile(session.list(), xlsx);
    TextExport::writeFile(session.list(), txt);
    ::umask(previous);
    const auto usual = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser |
                       QFileDevice::WriteUser | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    EXPECT_EQ(QFile::permissions(xlsx), usual);
    EXPECT_EQ(QFile::permissions(txt), usual);
}
