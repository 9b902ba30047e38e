// Every amount and total that reaches paper is the session's own figure, to the centime.

#include "keys/Keys.h"
#include "model/AmountText.h"
#include "reports/PreparedReport.h"
#include "session/Session.h"
#include "words/AmountInWords.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace
{

const QDateTime Start(QDate(2026, 3, 5), QTime(14, 30, 0));

// "1 234,56" from centimes, written independently of the code under test.
QString money(qint64 cents)
{
    const bool neg = cents < 0;
    const quint64 a = neg ? 0 - quint64(cents) : quint64(cents);
    QString whole = QString::number(a / 100);
    for (qsizetype i = whole.size() - 3; i > 0; i -= 3)
        whole.insert(i, u' ');
    return (neg ? QStringLiteral("-") : QString()) + whole + u',' +
           QString::number(a % 100).rightJustified(2, u'0');
}

// A line whose amount cells hold the given texts, exactly as an import or an edit left them.
// Every third line has a wrong key, so that the error report has lines too.
TransferLine line(int i, const QString &net, const QString &yield)
{
    const QString account = QString::number(1000000 + i).rightJustified(10, u'0');
    const QString key = i % 3 == 0 ? QStringLiteral("99") : ripKeyText(account);
    return TransferLine(u"*00799999", account, key, net, yield, QString::number(110000000000LL + i),
                        QStringLiteral("NOM%1 PRENOM").arg(i), u"P");
}

struct ListCase {
    const char *name;
    std::vector<TransferLine> lines;
};

std::vector<ListCase> cases()
{
    std::vector<ListCase> out;
    // Texts as the record editor once saved them, typed and never formatted.
    out.push_back({"edited",
                   {line(0, "45000", "12,5"), line(1, "1 234,5", "0"), line(2, "45 000,00", ""),
                    line(3, " 5,00", "  0,05")}});
    // A negative amount read from a workbook keeps its sign.
    out.push_back(
        {"negative", {line(0, "-100,00", "0,00"), line(1, "250,00", "-0,01"), line(2, "3", "4")}});
    // Thirteen digits of centimes, the most a line holds.
    out.push_back({"large",
                   {line(0, "99 999 999 999,99", "99 999 999 999,99"),
                    line(1, "99 999 999 999,99", "0,01"), line(2, "12 345 678 901,23", "1")}});
    // Many lines of the same amount: a sum in floating point drifts by centimes here.
    std::vector<TransferLine> many;
    many.reserve(200000);
    for (int i = 0; i < 200000; ++i)
        many.push_back(line(i, "123 456,78", "1 000,01"));
    out.push_back({"many", std::move(many)});
    return out;
}

// The amount in a page footer or a total, without its caption.
QString amountOf(const QString &text)
{
    static const QRegularExpression amount(QStringLiteral("-?[0-9][0-9 ]*,[0-9]{2}$"));
    const QRegularExpressionMatch m = amount.match(text);
    return m.hasMatch() ? m.captured() : QString();
}

} // namespace

TEST(PrintedMoney, NominativeListSaysTheSessionsFiguresToTheCentime)
{
    for (ListCase &c : cases()) {
        SCOPED_TRACE(c.name);
        Session session;
        session.replaceAll(std::move(c.lines));
        const PreparedReport r = session.listReport(QStringLiteral("APC"), -1, Start);
        const WorkingList &list = session.list();
        const ListFigures &f = session.figures();

        // The page footers run on: each shows the sum of the lines up to its page's last.
        int row = 0;
        qint64 pageNet = 0, pageYield = 0;
        for (int p = 0; p < r.pageCount(); ++p) {
            const QStringList nets = r.texts(p, "LineNet"), yields = r.texts(p, "LineRendement");
            ASSERT_EQ(nets.size(), yields.size());
            for (int k = 0; k < nets.size(); ++k, ++row) {
                const TransferLine::Figures &lf = list.line(row).figures;
                ASSERT_EQ(nets[k], money(lf.netCents)) << "row " << row;
                ASSERT_EQ(yields[k], money(lf.yieldCents)) << "row " << row;
                pageNet += lf.netCents;
                pageYield += lf.yieldCents;
            }
            ASSERT_EQ(amountOf(r.texts(p, "PageNet").value(0)), money(pageNet)) << "page " << p;
            ASSERT_EQ(amountOf(r.texts(p, "PageRendement").value(0)), money(pageYield))
                << "page " << p;
        }
        EXPECT_EQ(row, list.count());
        EXPECT_EQ(pageNet, f.netCents);

        const int last = r.pageCount() - 1;
        EXPECT_EQ(r.texts(last, "TotalNet"), QStringList{money(f.netCents)});
        EXPECT_EQ(r.texts(last, "TotalRendement"), QStringList{money(f.yieldCents)});
        EXPECT_EQ(amountOf(r.texts(last, "GrandTotal").value(0)), money(f.generalCents()));
        EXPECT_TRUE(r.texts(last, "NetInWords")
                        .value(0)
                        .contains(amountInWordsOfCents(f.netCents, QStringLiteral("FR"))));
        EXPECT_TRUE(r.texts(last, "RendementInWords")
                        .value(0)
                        .contains(amountInWordsOfCents(f.yieldCents, QStringLiteral("FR"))));
    }
}

TEST(PrintedMoney, ErrorReportSaysTheLinesFiguresToTheCentime)
{
    for (ListCase &c : cases()) {
        SCOPED_TRACE(c.name);
        Session session;
        session.replaceAll(std::move(c.lines));
        const PreparedReport r = session.errorReport(Start);
        const std::vector<int> &rows = session.wrongRows();
        ASSERT_FALSE(rows.empty());

        size_t k = 0;
        qint64 net = 0, yield = 0;
        for (int p = 0; p < r.pageCount(); ++p) {
            const QStringList nets = r.texts(p, "ErrorNet"), yields = r.texts(p, "ErrorRendement");
            for (int i = 0; i < nets.size(); ++i, ++k) {
                ASSERT_LT(k, rows.size());
                const TransferLine::Figures &lf = session.list().line(rows[k]).figures;
                ASSERT_EQ(nets[i], money(lf.netCents));
                ASSERT_EQ(yields[i], money(lf.yieldCents));
                net += lf.netCents;
                yield += lf.yieldCents;
            }
        }
        EXPECT_EQ(k, rows.size());
        const int last = r.pageCount() - 1;
        EXPECT_EQ(r.texts(last, "TotalNet"), QStringList{money(net)});
        EXPECT_EQ(r.texts(last, "TotalRendement"), QStringList{money(yield)});
        EXPECT_EQ(amountOf(r.texts(last, "GrandTotal").value(0)), money(net + yield));
    }
}
