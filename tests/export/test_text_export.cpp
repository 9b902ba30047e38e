#include "QtPrinters.h"

#include "export/TextExport.h"
#include "model/TransferLine.h"
#include "model/UserError.h"
#include "session/Session.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace TextExport;

TEST(TextExport, CentsAsThirteenDigits)
{
    EXPECT_EQ(centsTo13Digits(123456), QStringLiteral("0000000123456"));
    EXPECT_EQ(centsTo13Digits(-5), QStringLiteral("-0000000000005"));
    EXPECT_EQ(centsTo13Digits(12345678901234LL), QStringLiteral("12345678901234"));
}

TEST(TextExport, RecordsAndTheirFaults)
{
    // A row without sub-items is refused: it would be sent as a zero account and key the
    // clerk never saw.
    TransferLine bare;
    bare.setCaption(u"ABC");
    QStringList faults;
    buildRecord(bare, &faults);
    EXPECT_EQ(faults, (QStringList{"Compte vide", "CLE/RIP «  » (pas deux chiffres)"}));

    struct Case {
        int sub;
        const char16_t *value;
        const char16_t *fault; // empty when the record is exact
    };
    const Case cases[] = {
        {TransferLine::Account, u"12345678901", u"Compte (11 caractères pour 10)"},
        {TransferLine::Account, u"12 4567890",
         u"Compte « 12 4567890 » (pas uniquement des chiffres)"},
        {TransferLine::Account, u" 12345 ", u""}, // zeros in front
        {TransferLine::Key, u"123", u"CLE/RIP « 123 » (pas deux chiffres)"},
        {TransferLine::Key, u"5", u"CLE/RIP « 5 » (pas deux chiffres)"},
        {TransferLine::Key, u" 03 ", u""},
        {TransferLine::Net, u"-0,01", u"Net « -0,01 » (montant négatif)"},
        {TransferLine::Net, u"douze", u"Net « douze » (montant illisible)"},
        {TransferLine::Net, u"", u""}, // an empty amount is 0,00 on screen too
        {TransferLine::Yield, u"100 000 000 000,00",
         u"Rendement « 100 000 000 000,00 » (plus de 13 chiffres en centimes)"},
        {TransferLine::Insurance, u"12A", u"NumAss « 12A » (pas uniquement des chiffres)"},
        // A character outside the Basic Multilingual Plane is one character of the record.
        {TransferLine::Name, u"\U0002000B\U0002000BABCDEFGHIJKLMNOPQRSTUVWXY", u""},
        {TransferLine::Name, u"\U0002000BABCDEFGHIJKLMNOPQRSTUVWXYZ1",
         u"NomPrenom (28 caractères pour 27)"},
        {TransferLine::Insurance, u" 1234567890123 ", u"NumAss (13 caractères pour 12)"},
        {TransferLine::Name, u"  ÉLODIE ÀÏT  ", u""},
        {TransferLine::Name, u"NOM\tPRENOM", u"caractère de contrôle (saut de ligne, tabulation…)"},
        {TransferLine::ContractType, u"PD", u"TypeContrat (2 caractères pour 1)"},
    };
    QTemporaryDir dir;
    for (const Case &c : cases) {
        TransferLine l(u"160000100", u"0012345678", u"03", u"1,00", u"0,00", u"1", u"NOM", u"P");
        l.setSubItem(c.sub, QString::fromUtf16(c.value));
        QStringList f;
        const QString rec = buildRecord(l, &f);
        const QString fault = QString::fromUtf16(c.fault);
        // The file writer agrees with the record: the same bytes, or the same refusal.
        Session session;
        session.replaceAll({l});
        const QString path = dir.filePath(QStringLiteral("out.txt"));
        QFile::remove(path);
        QString refusal;
        try {
            writeFile(session.list(), path);
        } catch (const UserError &e) {
            refusal = e.message();
        }
        if (fault.isEmpty()) {
            EXPECT_TRUE(f.isEmpty()) << f.join(u'|').toStdString();
            EXPECT_EQ(rec.toUcs4().size(), 87);
            QFile written(path);
            ASSERT_TRUE(written.open(QIODevice::ReadOnly)) << refusal.toStdString();
            EXPECT_EQ(written.readAll(), "\xEF\xBB\xBF" + rec.toUtf8() + "\r\n");
        } else {
            EXPECT_EQ(f, QStringList{fault});
            EXPECT_TRUE(refusal.contains(QStringLiteral("Ligne 1 : ") + fault))
                << refusal.toStdString();
            EXPECT_FALSE(QFile::exists(path));
        }
    }
}

TEST(TextExport, CodesThatCannotNameAFile)
{
    for (const char16_t *ok : {u"A12", u"2026-12 APC", u"é"})
        EXPECT_TRUE(codeProblem(QString::fromUtf16(ok)).isEmpty());
    for (const char16_t *bad :
         {u".", u"..", u"a/b", u"a\\b", u"C:", u"*", u"?", u"\"", u"<", u">", u"|", u"a\tb"})
        EXPECT_FALSE(codeProblem(QString::fromUtf16(bad)).isEmpty())
            << QString::fromUtf16(bad).toStdString();
    EXPECT_EQ(fileNameFor(QStringLiteral("A12")), QStringLiteral("Liste_Nominative_A12.txt"));
}
