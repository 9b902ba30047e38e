#include "QtPrinters.h"

#include "model/UserError.h"
#include "settings/IniFile.h"
#include "settings/PlaceLines.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

namespace
{
QString write(const QTemporaryDir &dir, const QByteArray &bytes)
{
    const QString path = dir.filePath(QStringLiteral("Direction.ini"));
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return path;
}
QByteArray read(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

TEST(Settings, LinesRoundTripAndOtherSectionsStay)
{
    QTemporaryDir dir;
    const QString path =
        write(dir, "[Autre]\r\nCle=valeur = avec égal\r\n[infos]\r\nCount=9\r\nLine0=old\r\n");
    saveLinesToIni(path, QStringLiteral("Infos"),
                   {QStringLiteral("APC X"), QString(), QStringLiteral(" Direction Y ")});
    EXPECT_EQ(read(path),
              QByteArray("[Autre]\r\nCle=valeur = avec égal\r\n[Infos]\r\nLine0=APC X\r\nLine1=\r\n"
                         "Line2= Direction Y \r\nCount=3\r\n"));
    EXPECT_EQ(loadLinesFromIni(path, QStringLiteral("Infos")),
              (QStringList{"APC X", "", " Direction Y "}));
    EXPECT_EQ(IniFile::load(path).readString(QStringLiteral("Autre"), QStringLiteral("cle")),
              QStringLiteral("valeur = avec égal"));

    saveLinesToIni(path, QStringLiteral("Infos"), {});
    EXPECT_TRUE(read(path).endsWith("[Infos]\r\nCount=0\r\n"));
    EXPECT_EQ(loadLinesFromIni(path, QStringLiteral("Infos")), QStringList());
}

TEST(Settings, MissingOrShortSections)
{
    QTemporaryDir dir;
    struct Case {
        QByteArray file;
        QStringList lines;
    };
    const Case cases[] = {
        {"[Infos]\r\nCount=3\r\nLine0=APC\r\n", {"APC", "", ""}},
        {"[Autre]\r\nCount=2\r\n", {}},
        {"[Infos]\r\nCount=deux\r\nLine0=APC\r\n", {}},
        {"", {}},
        {"\xEF\xBB\xBF[Infos]\nLine0=A\nCount=1", {"A"}},
        // The first of repeated keys and sections counts.
        {"[Infos]\r\nCount=1\r\nLine0=A\r\nLine0=B\r\n[infos]\r\nLine0=C\r\nCount=3\r\n", {"A"}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(loadLinesFromIni(write(dir, c.file), QStringLiteral("Infos")), c.lines)
            << c.file.toStdString();
    EXPECT_EQ(loadLinesFromIni(dir.filePath(QStringLiteral("none.ini")), QStringLiteral("Infos")),
              QStringList());
}

TEST(Settings, UnwritableFileIsReportedAndTheOldOneStays)
{
    QTemporaryDir dir;
    const QString blocked = dir.filePath(QStringLiteral("Fichier_INI"));
    QFile f(blocked);
    f.open(QIODevice::WriteOnly);
    f.close();
    const QString path = blocked + QStringLiteral("/Direction.ini");
    try {
        saveLinesToIni(path, QStringLiteral("Infos"), {QStringLiteral("APC")});
        ADD_FAILURE() << "wrote into a file as if it were a folder";
    } catch (const UserError &e) {
        EXPECT_EQ(e.message(),
                  QStringLiteral("Unable to write to ") + QDir::toNativeSeparators(path));
    }
}

namespace
{
bool isUtf8(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringConverter::Utf8, QStringDecoder::Flag::Stateless);
    (void)QString(utf8(bytes));
    return !utf8.hasError();
}
QByteArray utf16(const QString &text)
{
    QStringEncoder encoder(QStringConverter::Utf16LE, QStringEncoder::Flag::WriteBom);
    return encoder(text);
}
QByteArray fixture(const char *name)
{
    return read(QStringLiteral(TALVORO_FIXTURES "/settings/") + QLatin1String(name));
}
} // namespace

TEST(Settings, OlderEncodingsAreReadAndTheSectionWrittenBackAsUtf8)
{
    struct Case {
        const char *what;
        QByteArray file;
        QStringList lines;
    };
    const Case cases[] = {
        {"Windows-1252 with French accents",
         fixture("Direction-1252.ini"),
         {u"APC de Sidi Réda"_qs, u"Direction de l’Éducation — Service des salaires"_qs,
          u"CHÉRIF Ça, à côté, naïve, où, Ÿ, 100 €"_qs}},
        {"Windows-1256 with Arabic",
         fixture("Direction-1256.ini"),
         {u"بلدية سيدي رضا"_qs, u"مديرية التربية - مصلحة الأجور"_qs, u"APC Sidi Réda, été"_qs}},
        // A capital alone or doubled inside a word is still French.
        {"Windows-1252 capitals",
         "[Infos]\r\nLine0=\xC0 Alger\r\nLine1=CR\xC9\xC9"
         "E\r\nCount=2\r\n",
         {u"À Alger"_qs, u"CRÉÉE"_qs}},
        {"Windows-1256 single word",
         "[Infos]\r\nLine0=\xC8\xE1\xCF\xED\xC9\r\nCount=1\r\n",
         {u"بلدية"_qs}},
        {"UTF-8 cut short is not UTF-8", "[Infos]\r\nLine0=Caf\xC3\r\nCount=1\r\n", {u"CafÃ"_qs}},
        {"Windows-1252 bytes Windows leaves unassigned",
         "[Infos]\r\nLine0=a\x81"
         "b\x8D"
         "c\x8F"
         "d\x90"
         "e\x9D"
         "f\r\nCount=1\r\n",
         {u"a\u0081b\u008Dc\u008Fd\u0090e\u009Df"_qs}},
        {"UTF-8", "[Infos]\r\nLine0=Réda بلدية\r\nCount=1\r\n", {u"Réda بلدية"_qs}},
        {"UTF-16 with its mark",
         utf16(u"[Infos]\r\nLine0=Réda بلدية\r\nCount=1\r\n"_qs),
         {u"Réda بلدية"_qs}},
    };
    QTemporaryDir dir;
    for (const Case &c : cases) {
        const QString path = write(dir, c.file);
        const QStringList lines = loadLinesFromIni(path, QStringLiteral("Infos"));
        EXPECT_EQ(lines, c.lines) << c.what;
        saveLinesToIni(path, QStringLiteral("Infos"), lines);
        // The section written is UTF-8 (a UTF-16 file stays UTF-16, other sections stay as
        // they were).
        const QByteArray after = read(path);
        if (!c.file.startsWith("\xFF\xFE")) {
            const QByteArray section = after.mid(after.indexOf("[Infos]"));
            EXPECT_TRUE(isUtf8(section.left(section.indexOf("\n[")))) << c.what;
        }
        EXPECT_EQ(loadLinesFromIni(path, QStringLiteral("Infos")), c.lines) << c.what;
    }
    // Other sections come through as they were.
    const QString path = write(dir, fixture("Direction-1252.ini"));
    saveLinesToIni(path, QStringLiteral("Infos"), {QStringLiteral("APC")});
    EXPECT_EQ(IniFile::load(path).readString(QStringLiteral("Autre"), QStringLiteral("Organisme")),
              u"Société Générale des Œuvres – Alger"_qs);
    EXPECT_TRUE(read(path).startsWith(
        fixture("Direction-1252.ini").left(fixture("Direction-1252.ini").indexOf("[Infos]"))));
}

TEST(Settings, OnlyTheSectionIsRewrittenEveryOtherLineKeptByteForByte)
{
    struct Case {
        const char *what;
        QByteArray before, after;
    };
    const Case cases[] = {
        {"sections around it, comments, odd spacing, LF line ends, Windows-1252 bytes",
         "; r\xE9glages\n[Avant]\n  cl\xE9 = v\xE2leur  \n\n[Infos]\nCount=1\nLine0=old\n; note\n\n"
         "[Apr\xE8s]\nx=1\n",
         "; r\xE9glages\n[Avant]\n  cl\xE9 = v\xE2leur  \n\n[Infos]\nLine0=APC\nLine1=\nCount=2\n\n"
         "[Apr\xE8s]\nx=1\n"},
        {"a repeated section goes, the first one is replaced where it stands",
         "[infos]\r\nCount=0\r\n[B]\r\nb=2\r\n[INFOS]\r\nLine0=x\r\n",
         "[Infos]\r\nLine0=APC\r\nLine1=\r\nCount=2\r\n[B]\r\nb=2\r\n"},
        {"no section yet, last line without its end", "[B]\r\nb=2",
         "[B]\r\nb=2\r\n[Infos]\r\nLine0=APC\r\nLine1=\r\nCount=2\r\n"},
        {"a last line ending in a lone CR keeps it", "[B]\nb=2\r",
         "[B]\nb=2\r\r\n[Infos]\nLine0=APC\nLine1=\nCount=2\n"},
        {"a UTF-8 byte order mark stays", "\xEF\xBB\xBF[B]\r\nb=\xC3\xA9\r\n",
         "\xEF\xBB\xBF[B]\r\nb=\xC3\xA9\r\n[Infos]\r\nLine0=APC\r\nLine1=\r\nCount=2\r\n"},
    };
    QTemporaryDir dir;
    for (const Case &c : cases) {
        const QString path = write(dir, c.before);
        // A trailing empty line of the place is kept.
        saveLinesToIni(path, QStringLiteral("Infos"), {QStringLiteral("APC"), QString()});
        EXPECT_EQ(read(path), c.after) << c.what;
        EXPECT_EQ(loadLinesFromIni(path, QStringLiteral("Infos")),
                  (QStringList{QStringLiteral("APC"), QString()}))
            << c.what;
    }
}

TEST(Settings, Utf8FileWithAStrayByteKeepsItsUtf8Lines)
{
    // Written in UTF-8, then one line edited by hand in a Windows-1252 editor.
    const QByteArray file = "[Infos]\r\nLine0=APC B\xC3\x89JA\xC3\x8F"
                            "A\r\nLine1=Wilaya d\x92"
                            "Alger\r\n"
                            "Line2=Service \xC3\xA9t\xC3\xA9 \x96 paie\r\nCount=3\r\n";
    QTemporaryDir dir;
    const QString path = write(dir, file);
    const QStringList lines = loadLinesFromIni(path, QStringLiteral("Infos"));
    EXPECT_EQ(lines,
              (QStringList{u"APC BÉJAÏA"_qs, u"Wilaya d’Alger"_qs, u"Service été – paie"_qs}));
    saveLinesToIni(path, QStringLiteral("Infos"), lines);
    EXPECT_EQ(read(path), QByteArray("[Infos]\r\nLine0=APC B\xC3\x89JA\xC3\x8F"
                                     "A\r\n"
                                     "Line1=Wilaya d\xE2\x80\x99"
                                     "Alger\r\nLine2=Service \xC3\xA9t\xC3\xA9 \xE2\x80\x93 "
                                     "paie\r\nCount=3\r\n"));
    EXPECT_EQ(loadLinesFromIni(path, QStringLiteral("Infos")), lines);
}

TEST(Settings, AFileThatCannotBeReadIsNeverSavedOver)
{
    QTemporaryDir dir;
    struct Case {
        const char *what;
        std::function<QString()> make; // the file, made
        const char *reason;
    };
    const QByteArray big = "[Autre]\r\nx=" + QByteArray(3 * IniFile::MaxTextLength + 8, 'a') +
                           "\r\n[Infos]\r\nLine0=APC\r\nCount=1\r\n";
    const Case cases[] = {
        {"over the limit", [&] { return write(dir, big); }, "il dépasse"},
        {"a folder in its place",
         [&] {
             const QString p = dir.filePath(QStringLiteral("dossier.ini"));
             QDir().mkpath(p);
             return p;
         },
         ""},
        {"damaged UTF-16", [&] { return write(dir, QByteArray("\xFF\xFE[\0I\0n", 7)); }, "UTF-16"},
        {"UTF-16 holding a NUL",
         [&] { return write(dir, QByteArray("\xFF\xFE\xFF\xFE\0\0\0\x02\x17\x17", 10)); },
         "UTF-16"},
    };
    for (const Case &c : cases) {
        const QString path = c.make();
        const QByteArray before = read(path);
        QString problem;
        EXPECT_EQ(loadLinesFromIni(path, QStringLiteral("Infos"), &problem), QStringList())
            << c.what;
        EXPECT_TRUE(problem.startsWith(QStringLiteral("Le fichier « ") +
                                       QDir::toNativeSeparators(path) +
                                       QStringLiteral(" » ne peut pas être lu (")))
            << c.what << problem.toStdString();
        EXPECT_TRUE(problem.contains(QString::fromUtf8(c.reason)))
            << c.what << problem.toStdString();
        try {
            saveLinesToIni(path, QStringLiteral("Infos"), {QStringLiteral("APC")});
            ADD_FAILURE() << c.what << ": saved over a file it could not read";
        } catch (const UserError &e) {
            EXPECT_EQ(e.message(), problem) << c.what;
        }
        EXPECT_EQ(read(path), before) << c.what;
    }
}

TEST(Settings, APlaceLineHoldingALineBreakIsRefused)
{
    QTemporaryDir dir;
    const QString path = write(dir, "[Infos]\r\nLine0=avant\r\nCount=1\r\n");
    for (const QString &bad : {u"a\rb"_qs, u"a\nb"_qs, u"a\u2028b"_qs}) {
        try {
            saveLinesToIni(path, QStringLiteral("Infos"), {QStringLiteral("APC"), bad});
            ADD_FAILURE() << "saved a line break";
        } catch (const UserError &e) {
            EXPECT_EQ(e.message(),
                      QStringLiteral("Le lieu ne peut pas être enregistré : sa ligne 2 contient "
                                     "un saut de ligne que le fichier « ") +
                          QDir::toNativeSeparators(path) +
                          QStringLiteral(" » ne peut pas garder."));
        }
    }
    EXPECT_EQ(read(path), QByteArray("[Infos]\r\nLine0=avant\r\nCount=1\r\n"));
}

TEST(Settings, LargeFileIsReadWhole)
{
    // About 1 MB: thousands of lines, stored out of order, Count first.
    const int n = 20000;
    QStringList lines;
    QByteArray file = "[Infos]\r\nCount=" + QByteArray::number(n) + "\r\n";
    for (int i = 0; i < n; ++i)
        lines << QStringLiteral("Ligne %1 de la direction de Sidi Réda").arg(i);
    for (int i = n - 1; i >= 0; --i)
        file += "Line" + QByteArray::number(i) + '=' + lines[i].toUtf8() + "\r\n";
    QTemporaryDir dir;
    const QString path = write(dir, file);
    ASSERT_GT(file.size(), 1000000);
    EXPECT_EQ(loadLinesFromIni(path, QStringLiteral("Infos")), lines);
    saveLinesToIni(path, QStringLiteral("Infos"), lines);
    EXPECT_EQ(loadLinesFromIni(path, QStringLiteral("Infos")), lines);
}

TEST(Settings, NoPlaceIsSavedThatCannotBeReadBack)
{
    // "[Infos]\r\n", "Line0=", "\r\n" and "Count=1\r\n" around the place's one line.
    const qsizetype room = IniFile::MaxTextLength - 26;
    struct Case {
        QChar letter; // '€' takes three bytes in UTF-8
        qsizetype length;
        bool saved;
    };
    const Case cases[] = {
        {u'a', room, true},
        {u'€', room, true},
        {u'a', room + 1, false},
        {u'€', room + 1, false},
    };
    QTemporaryDir dir;
    for (const Case &c : cases) {
        const QString path = write(dir, "[Infos]\r\nLine0=avant\r\nCount=1\r\n");
        const QStringList place{QString(c.length, c.letter)};
        try {
            saveLinesToIni(path, QStringLiteral("Infos"), place);
            EXPECT_TRUE(c.saved) << c.length;
            EXPECT_EQ(loadLinesFromIni(path, QStringLiteral("Infos")), place);
        } catch (const UserError &e) {
            EXPECT_FALSE(c.saved) << c.length;
            const QString limit =
                QLocale(QLocale::French).toString(qlonglong(IniFile::MaxTextLength));
            EXPECT_EQ(e.message(), QStringLiteral("Le lieu est trop long pour être enregistré : le "
                                                  "fichier « Direction.ini » ne peut dépasser ") +
                                       limit + QStringLiteral(" caractères."));
            EXPECT_EQ(loadLinesFromIni(path, QStringLiteral("Infos")),
                      QStringList{QStringLiteral("avant")});
        }
    }
    // A longer file is not one this program wrote: it reads as no place, and says why.
    const QByteArray tooLong(IniFile::MaxTextLength, 'a');
    const QString path = write(dir, "[Infos]\r\nCount=1\r\nLine0=" + tooLong + "\r\n");
    QString problem;
    EXPECT_EQ(loadLinesFromIni(path, QStringLiteral("Infos"), &problem), QStringList());
    EXPECT_FALSE(problem.isEmpty());
}
