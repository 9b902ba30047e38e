#include "QtPrinters.h"

#include "model/UserError.h"
#include "settings/IniFile.h"
#include "settings/Settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
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
        {"[Infos]\r\nCount=3\r\nLine0=APC\r\n", {"APC", "", ""}}, {"[Autre]\r\nCount=2\r\n", {}},
        {"[Infos]\r\nCount=deux\r\nLine0=APC\r\n", {}},           {"", {}},
        {"\xEF\xBB\xBF[Infos]\nLine0=A\nCount=1", {"A"}},
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
