#include "QtPrinters.h"

#include "import/LineReader.h"
#include "import/TextImport.h"
#include "keys/LineCheck.h"
#include "model/UserError.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>
#include <random>

using namespace TextImport;

TEST(TextImport, RecordFields)
{
    const QString rec = QStringLiteral("1234ABCDE") + QStringLiteral("00 1234-56") +
                        QStringLiteral("03") + QStringLiteral("0000000123456") +
                        QStringLiteral("0002147483647") + QStringLiteral("1100000000AB") +
                        QStringLiteral("ÉLODIE ÀÏT").leftJustified(27) + QStringLiteral("D");
    ASSERT_EQ(rec.size(), 87);
    const TransferLine l = parseRecord(QString(rec + QStringLiteral("IGNORED")));
    EXPECT_EQ(l.caption(), QStringLiteral("1234ABCDE"));
    EXPECT_EQ(l.subItem(0), QStringLiteral("00123456"));
    EXPECT_EQ(l.subItem(1), QStringLiteral("03"));
    EXPECT_EQ(l.subItem(2), QStringLiteral("  1 234,56"));
    EXPECT_EQ(l.subItem(3), QStringLiteral(" 21 474 836,47"));
    EXPECT_EQ(l.subItem(4), QStringLiteral("1100000000AB"));
    EXPECT_EQ(l.subItem(5), QStringLiteral("ÉLODIE ÀÏT"));
    EXPECT_EQ(l.subItem(6), QStringLiteral("D"));
    EXPECT_EQ(l.figures.status, TransferLine::KeyStatus::Unchecked);

    // Thirteen nines are kept whole; signs and letters in an amount are dropped.
    EXPECT_EQ(amountFieldCents(u"9999999999999"), 9999999999999LL);
    EXPECT_EQ(amountFieldCents(u"  -0001234x5 "), 12345LL);
    EXPECT_EQ(amountFieldCents(u"             "), 0LL);

    // A short line reads its missing fields as empty; a key of two spaces is empty.
    const TransferLine s = parseRecord(u"    ABCDE0012345678  000000000010");
    EXPECT_EQ(s.caption(), QStringLiteral("    ABCDE"));
    EXPECT_EQ(s.subItem(1), QString());
    EXPECT_EQ(s.subItem(2), QStringLiteral("   0,10"));
    EXPECT_EQ(s.subItem(3), QStringLiteral("   0,00"));
    EXPECT_EQ(s.subItem(5), QString());
    EXPECT_EQ(s.subItemCount(), 7);
}

TEST(TextImport, LineBreaksAndChunks)
{
    struct Case {
        QByteArray bytes;
        QStringList lines;
    };
    const QByteArray big(5 << 20, 'x'); // spans two chunks
    const QByteArray accented =
        QByteArray((4 << 20) - 1, 'a') + "\xC3\xA9\r\nb";                  // é across the boundary
    const QByteArray crlfSplit = QByteArray((4 << 20) - 1, 'a') + "\r\nb"; // CR | LF across it
    const Case cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\n", {"a"}},
        {"a\r\n\r\n", {"a", ""}},
        {"a\nb\rc\r\nd", {"a", "b", "c", "d"}},
        {"\r\n", {""}},
        {"a\n\nb", {"a", "", "b"}},
        {"\xEF\xBB\xBF"
         "a\r",
         {"a"}},
        {big + "\nz", {QString::fromLatin1(big), "z"}},
        {accented, {QString((4 << 20) - 1, u'a') + QChar(0xE9), "b"}},
        {crlfSplit, {QString((4 << 20) - 1, u'a'), "b"}},
    };
    for (const Case &c : cases) {
        QBuffer buf;
        buf.setData(c.bytes);
        buf.open(QIODevice::ReadOnly);
        LineReader reader(buf);
        QStringList got;
        QStringView line;
        while (reader.next(line))
            got << line.toString();
        EXPECT_EQ(got.size(), c.lines.size()) << c.bytes.left(40).toStdString();
        EXPECT_TRUE(got == c.lines) << c.bytes.left(40).toStdString();
    }
    // Bytes that are not UTF-8, wherever they stand.
    for (const QByteArray &bad :
         {QByteArray("\xC3"), QByteArray("a\xC0\x80"), QByteArray("\xED\xA0\x80"),
          QByteArray("\xF4\x90\x80\x80"), QByteArray("\xFF"), QByteArray(big + "\xE9")}) {
        QBuffer buf;
        buf.setData(bad);
        buf.open(QIODevice::ReadOnly);
        LineReader reader(buf);
        QStringView line;
        EXPECT_THROW(while (reader.next(line)){}, UserError) << bad.left(10).toHex().toStdString();
    }
}

TEST(TextImport, FileReadingAndErrors)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("l.txt"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("\xEF\xBB\xBF"
            "1600");
    f.close();
    const std::vector<TransferLine> lines = importFile(path);
    ASSERT_EQ(lines.size(), size_t(1));
    EXPECT_EQ(lines[0].caption(), QStringLiteral("1600     ")); // the byte-order mark is skipped

    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("1600\xE9\r\n");
    f.close();
    try {
        importFile(path);
        ADD_FAILURE() << "a file that is not UTF-8 was read";
    } catch (const UserError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("Fichier « ") + path +
                                   QStringLiteral(" », ligne 1 : No mapping for the Unicode "
                                                  "character exists in the target multi-byte "
                                                  "code page"));
    }
    EXPECT_THROW(importFile(dir.filePath(QStringLiteral("none.txt"))), UserError);
}

TEST(TextImport, BadBytesAreToldByLineAndWideTextIsRefused)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("l.txt"));
    const QByteArray good(87, '1');
    const QString utf16 = QStringLiteral("1600%1\r\n").arg(QString(83, u'0'));
    struct Case {
        const char *what;
        QByteArray file;
        QString message; // empty: read
    };
    auto badAt = [&](int line) {
        return QStringLiteral("Fichier « %1 », ligne %2 : No mapping for the Unicode character "
                              "exists in the target multi-byte code page")
            .arg(path)
            .arg(line);
    };
    const QString wide = QStringLiteral("Le fichier « ") + path +
                         QStringLiteral(" » n’est pas un fichier de virements : son texte est en "
                                        "UTF-16 ou UTF-32, pas en UTF-8. Rien n’a été importé.");
    QByteArray longFile; // past the reader's 4 MB chunk, the bad byte on line 60 001
    for (int i = 0; i < 60000; ++i)
        longFile += good + "\r\n";
    const Case cases[] = {
        {"CR LF", good + "\r\n" + good + "\r\n\xE9", badAt(3)},
        {"LF, blank lines count", good + "\n\n\n" + "ab\xE9", badAt(4)},
        {"CR alone", good + "\r" + good + "\rab\xC3", badAt(3)},
        {"far into the file", longFile + "1600\xE9\r\n", badAt(60001)},
        {"UTF-16 without mark",
         QByteArray(reinterpret_cast<const char *>(utf16.utf16()), utf16.size() * 2), wide},
        {"UTF-16 big-endian with mark", QByteArray("\xFE\xFF\0001", 4), wide},
        {"UTF-32 without mark", QByteArray("1\0\0\0006\0\0\0", 8), wide},
        {"one NUL among text is not wide", good + QByteArray(1, '\0') + "\r\n", QString()},
    };
    for (const Case &c : cases) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(c.file);
        f.close();
        try {
            importFile(path);
            EXPECT_TRUE(c.message.isEmpty()) << c.what;
        } catch (const UserError &e) {
            EXPECT_EQ(e.message(), c.message) << c.what;
        }
    }
}

// A file of several megabytes is cut on a second thread: its lines are those of the records
// cut one by one, in the file's order, with their figures.
TEST(TextImport, LargeFileGivesTheLinesOfItsRecordsInOrder)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("grande.txt"));
    const QString records[] = {
        QStringLiteral("16000010000123456780300000001234560000000010000110000000001"
                       "ALI BEN                    P"),
        QStringLiteral("16000010112345678901700000000000050000000000000200000000002"
                       "SAÏDI Hélène               I"),
        QStringLiteral("1600001021234567890") + QStringLiteral("45") +
            QStringLiteral("0000000099999") + QStringLiteral("0000000000001") +
            QStringLiteral("000000000003") +
            QStringLiteral("NOM \U0001F600 PRÉNOM").leftJustified(28, u' ') + u'D',
        QStringLiteral("160000103"), // short: padded
    };
    const char *const breaks[] = {"\r\n", "\n", "\r", "\r\n\r\n"};
    QByteArray file;
    std::vector<QString> written;
    for (int i = 0; file.size() < (5 << 20); ++i) {
        QString r = records[i % 4];
        r.replace(9, 1, QChar(u'0' + i % 10)); // accounts differ from line to line
        file += r.toUtf8() + breaks[i % 4];
        written.push_back(r);
    }
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(file);
    f.close();
    const std::vector<TransferLine> lines = importFile(path);
    ASSERT_EQ(lines.size(), written.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        const TransferLine one = parseRecord(written[i]);
        ASSERT_TRUE(lines[i] == one) << "line " << i + 1;
        ASSERT_EQ(lines[i].figures.netCents, one.figures.netCents) << "line " << i + 1;
        ASSERT_EQ(lines[i].figures.yieldCents, one.figures.yieldCents) << "line " << i + 1;
    }
}

TEST(TextImport, HostileFiles)
{
    QTemporaryDir dir;
    // 200 MB of random bytes: refused as not UTF-8, without reading it all into memory.
    const QString noise = dir.filePath(QStringLiteral("noise.txt"));
    {
        QFile f(noise);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        std::mt19937_64 rng(5);
        QByteArray block(1 << 20, Qt::Uninitialized);
        for (int mb = 0; mb < 200; ++mb) {
            for (qsizetype i = 0; i + 8 <= block.size(); i += 8) {
                const quint64 v = rng();
                std::memcpy(block.data() + i, &v, 8);
            }
            ASSERT_EQ(f.write(block), block.size());
        }
    }
    EXPECT_THROW(importFile(noise), UserError);

    // One line of 10 MB: a single row, its fields cut from the first 87 characters.
    const QString longLine = dir.filePath(QStringLiteral("long.txt"));
    {
        QFile f(longLine);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(10 << 20, '7'));
    }
    const std::vector<TransferLine> lines = importFile(longLine);
    ASSERT_EQ(lines.size(), size_t(1));
    EXPECT_EQ(lines[0].caption(), QStringLiteral("777777777"));
    EXPECT_EQ(lines[0].subItem(6), QStringLiteral("7"));

    // Five megabytes of blank lines: no record at all.
    const QString blank = dir.filePath(QStringLiteral("blank.txt"));
    {
        QFile f(blank);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(5 << 20, '\n').replace(0, 4, "  \r\n"));
    }
    EXPECT_TRUE(importFile(blank).empty());

    // A file cut short while it is read: refused, nothing returned.
    const QString shrinking = dir.filePath(QStringLiteral("shrinking.txt"));
    {
        QFile f(shrinking);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        const QByteArray rec = QByteArray(87, '1') + "\r\n";
        for (int i = 0; i < 60000; ++i) // a little over one read chunk
            f.write(rec);
    }
    bool truncated = false;
    EXPECT_THROW(importFile(shrinking,
                            [&](int, qint64, qint64) {
                                if (!truncated) {
                                    truncated = true;
                                    QFile::resize(shrinking, 1000);
                                }
                            }),
                 UserError);
}
