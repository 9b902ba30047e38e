#include "PdfText.h"
#include "QtPrinters.h"
#include "keys/Keys.h"
#include "keys/LineCheck.h"
#include "keys/Statistics.h"
#include "model/AmountText.h"
#include "model/UserError.h"
#include "reports/ListReport.h"
#include "reports/ReportEngine.h"
#include "reports/ReportPainter.h"
#include "reports/ReportText.h"
#include "session/Session.h"
#include "words/AmountInWords.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace
{

const QDateTime Start(QDate(2026, 3, 5), QTime(14, 30, 0));
// Rows of 22.68 units between the page header (162.52) and the page footer (26.46) of an
// A4 page with 10 mm margins (1046.93 units high).
constexpr int RowsPerPage = 37;

// "1 234,56" from centimes, written independently of the code under test.
QString money(qint64 cents)
{
    const bool neg = cents < 0;
    cents = std::abs(cents);
    QString whole = QString::number(cents / 100);
    for (qsizetype i = whole.size() - 3; i > 0; i -= 3)
        whole.insert(i, u' ');
    return (neg ? QStringLiteral("-") : QString()) + whole + u',' +
           QString::number(cents % 100).rightJustified(2, u'0');
}

QString account(int i)
{
    return QString::number(1000000 + i).rightJustified(10, u'0');
}

TransferLine line(int i, qint64 net, qint64 yield, const QString &type, const QString &name = {})
{
    const QString accountText = account(i);
    const QString caption = QStringLiteral("16000010") + QString::number(i % 10);
    const QString fullName = name.isEmpty() ? QString::fromUtf16(u"NOM%1 Prénom").arg(i) : name;
    return TransferLine(caption, accountText, ripKeyText(accountText), AmountText::formatCents(net),
                        AmountText::formatCents(yield), QString::number(110000000000LL + i),
                        fullName, type);
}

// The variables as the session gives them for its shown lines.
ListReport::Variables variables(const Session &session, const QString &place)
{
    ListReport::Variables v;
    v.totalNetCents = session.figures().netCents;
    v.totalYieldCents = session.figures().yieldCents;
    v.typeCounts = session.figures().types;
    v.place = place;
    return v;
}

// A template with one data band over "ds" and a summary, each holding text boxes of the given
// texts.
std::shared_ptr<const ReportTemplate> smallTemplate(const QStringList &dataBoxes,
                                                    const QStringList &summaryBoxes,
                                                    const QString &extra = {})
{
    auto boxes = [](const QStringList &texts, const QString &prefix) {
        QStringList out;
        for (int i = 0; i < texts.size(); ++i) {
            QString t = texts[i];
            t.replace(u'\\', QStringLiteral("\\\\")).replace(u'"', QStringLiteral("\\\""));
            out << QStringLiteral(R"({"name": "%1%2", "rect": [0, %3, 300, 18], "text": "%4" %5})")
                       .arg(prefix)
                       .arg(i)
                       .arg(i * 20)
                       .arg(t, QString());
        }
        return out.join(u',');
    };
    const QString json = QStringLiteral(R"({"name": "t", "bands": [
        {"type": "MasterData", "name": "Data", "height": %1, "dataSet": "ds", "objects": [%2]},
        {"type": "ReportSummary", "name": "Sum", "height": %3, "objects": [%4]} %5]})")
                             .arg(20 * std::max<qsizetype>(1, dataBoxes.size()))
                             .arg(boxes(dataBoxes, QStringLiteral("D")))
                             .arg(20 * std::max<qsizetype>(1, summaryBoxes.size()))
                             .arg(boxes(summaryBoxes, QStringLiteral("S")), extra);
    return ReportTemplate::fromJson(json.toUtf8());
}

// A data set over a vector of rows of named values.
ReportDataSet rowsDataSet(const std::vector<QVariantMap> &rows, int &cursor,
                          QStringList *calls = nullptr)
{
    return ReportDataSet{
        [&cursor, calls] {
            cursor = 0;
            if (calls) *calls << QStringLiteral("first");
        },
        [&cursor, calls] {
            ++cursor;
            if (calls) *calls << QStringLiteral("next");
        },
        [&rows, &cursor, calls] {
            const bool end = cursor >= int(rows.size());
            if (calls) *calls << QStringLiteral("eof=%1").arg(end);
            return end;
        },
        [&rows, &cursor, calls](const QString &field) {
            if (calls) *calls << QStringLiteral("get ") + field;
            return cursor >= 0 && cursor < int(rows.size()) ? rows[size_t(cursor)].value(field)
                                                            : QVariant();
        },
        {}, // no seek: a page laid out by itself is reached by first and next
    };
}

} // namespace

TEST(ReportFormats, NumbersDatesAndTimes)
{
    struct Case {
        ReportValue value;
        QString format;
        QChar mark;
        QString expected;
    };
    const std::vector<Case> cases = {
        {1234.5, "%2.2n", u',', "1 234,50"},
        {0.0, "%2.2n", u',', "0,00"},
        {-1234567.891, "#,##0.00", u',', "-1 234 567,89"},
        {1234567890.125, "%2.2n", u',', "1 234 567 890,13"},
        {999.995, "#,##0.00", u',', "1 000,00"},
        {1234.565, "%2.2n", u',', "1 234,57"}, // 1234.5649999... in binary
        {1234.5, "#,##0.00", u'.', "1 234.50"},
        {qint64(5), "%2.2n", u',', "5,00"},
        {qint64(5), "", u',', "5"},
        {2.5, "", u',', "2,5"},
        {QDate(2026, 2, 5), "dd mmm yyyy", u',', QString::fromUtf16(u"05 févr. 2026")},
        {QDate(2026, 8, 15), "dd mmm yyyy", u',', QString::fromUtf16(u"15 août 2026")},
        {QDate(2026, 12, 1), "dd mmm yyyy", u',', QString::fromUtf16(u"01 déc. 2026")},
        {QDate(2026, 8, 15), "", u',', "15/08/2026"},
        {QTime(9, 5, 7), "", u',', "09:05:07"},
        {QString("abc"), "%2.2n", u',', "abc"},
        {std::monostate{}, "%2.2n", u',', ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(displayText(c.value, DisplayFormat::parse(c.format, c.mark)), c.expected)
            << c.format.toStdString();
}

TEST(ReportEngine, ExpressionsAggregatesAndVariables)
{
    struct Case {
        QString text, expected;
    };
    const std::vector<Case> cases = {
        {"Total [SUM(<ds.\"a\">,Data)]", "Total 6,75"},
        {"[COUNT(Data)] lignes", "3 lignes"},
        {"[<SUM(<ds.\"a\">,Data)>+<COUNT(Data)>]", "9,75"},
        {"[<SUM(<ds.\"a\">,Data)>-<SUM(<ds.\"a\">,Data)>]", "0"},
        {"[N * 2 - 4]", "10"},
        {"[N / 2]", "3,5"},
        {"[(N + 1) * 2]", "16"},
        {"[-N]", "-7"},
        {"[V]", "vee"},
        {"['x' + V]", "xvee"},
        {"[Unknown]", ""},
        {"[ds.\"missing\"]", ""},
        {"a [b", "a [b"},
        {"[Page#]/[TotalPages#]", "1/1"},
        {"[Date] [Time]", "05/03/2026 14:30:00"},
    };
    QStringList summary;
    for (const Case &c : cases)
        summary << c.text;
    ReportEngine engine(smallTemplate({"[Line#]:[ds.\"name\"]"}, summary));
    const std::vector<QVariantMap> rows = {
        {{"a", 1.5}, {"name", "x"}}, {{"a", 2.25}, {"name", "y"}}, {{"a", 3}, {"name", "z"}}};
    int cursor = 0;
    engine.setDataSet("ds", rowsDataSet(rows, cursor));
    engine.setVariables([](const QString &name) {
        if (name == u"V") return QVariant(QStringLiteral("vee"));
        if (name == u"N") return QVariant(7);
        return QVariant();
    });
    engine.setStartTime(Start);
    const PreparedReport r = engine.prepare();
    ASSERT_EQ(r.pageCount(), 1);
    EXPECT_EQ(r.texts(0, "D0"), (QStringList{"1:x", "2:y", "3:z"}));
    for (size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(r.texts(0, QStringLiteral("S%1").arg(i)), QStringList{cases[i].expected})
            << cases[i].text.toStdString();
}

TEST(ReportEngine, DataSourceProtocolAndHtmlRuns)
{
    // HTML text boxes: tags become runs; values put in by expressions are never read as tags.
    const QString extra =
        QStringLiteral(R"(,{"type": "PageFooter", "name": "F", "height": 20, "objects": [
        {"name": "H", "rect": [0, 0, 400, 18], "html": true,
         "text": "A <b>B</b> <font color=red>[V]</font> <i>"}]})");
    ReportEngine engine(smallTemplate({"[ds.\"name\"]"}, {}, extra));
    const std::vector<QVariantMap> rows = {{{"name", "x"}}, {{"name", "y"}}};
    int cursor = 0;
    QStringList calls;
    engine.setDataSet("ds", rowsDataSet(rows, cursor, &calls));
    engine.setVariables([](const QString &) { return QVariant(QStringLiteral("<b>v</b>")); });
    const PreparedReport r = engine.prepare();
    // Two layouts, each: first, then end test, one band's values, next, until the end.
    const QStringList pass = {"first", "eof=0",    "get name", "next",
                              "eof=0", "get name", "next",     "eof=1"};
    EXPECT_EQ(calls, pass + pass);

    const auto h = r.objects(0, "H");
    ASSERT_EQ(h.size(), size_t(1));
    EXPECT_EQ(h[0]->text, QStringLiteral("A B <b>v</b> <i>"));
    ASSERT_EQ(h[0]->runs.size(), 2);
    EXPECT_EQ(h[0]->runs[0].start, 2);
    EXPECT_EQ(h[0]->runs[0].length, 1);
    EXPECT_TRUE(h[0]->runs[0].bold);
    EXPECT_EQ(h[0]->runs[1].start, 4);
    EXPECT_EQ(h[0]->runs[1].length, 8);
    EXPECT_EQ(h[0]->runs[1].color, QColor(Qt::red));
    EXPECT_FALSE(h[0]->runs[1].bold);
}

TEST(ReportTemplates, BuiltInTemplatesHoldTheirObjects)
{
    struct Band {
        QString report, band;
        QStringList objects;
    };
    const std::vector<Band> bands = {
        {"nominative-list",
         "Header",
         {"Republic", "Place", "Title", "Month", "PageNumber", "HeadingBox", "HeadingName",
          "HeadingAccount", "HeadingNet", "HeadingRendement", "HeadingInsurance",
          "HeadingContract"}},
        {"nominative-list",
         "Lines",
         {"LineNumber", "LineName", "LineAccount", "LineNet", "LineRendement", "LineInsurance",
          "LineContract"}},
        {"nominative-list",
         "Summary",
         {"SummaryTopRule", "LineCount", "TotalNet", "TotalRendement", "TotalsRule", "NetInWords",
          "RendementInWords", "WordsRule", "PermanentCount", "GrandTotal", "IndefiniteCount",
          "FixedTermCount", "CountsRule", "PlaceAndDate", "Signature"}},
        {"nominative-list",
         "Footer",
         {"FooterBox", "PrintedAt", "PageLineCount", "PageNet", "PageRendement", "FooterPage"}},
        {"error-report",
         "Title",
         {"ReportTitle", "PrintedAt", "HeadingBox", "HeadingName", "HeadingAccount",
          "HeadingWrongKey", "HeadingRightKeys", "HeadingRow", "HeadingNet", "HeadingRendement"}},
        {"error-report",
         "Errors",
         {"ErrorRow", "ErrorName", "ErrorAccount", "ErrorWrongKey", "ErrorRightKeys", "ErrorNet",
          "ErrorRendement"}},
        {"error-report",
         "Summary",
         {"SummaryTopRule", "LineCount", "TotalNet", "TotalRendement", "TotalsRule", "GrandTotal",
          "Signature"}},
        {"error-report", "Footer", {"FooterPage"}},
    };
    for (const Band &b : bands) {
        const auto t = ReportTemplate::builtIn(b.report);
        QStringList names;
        for (const ReportBand &band : t->bands)
            if (band.name == b.band)
                for (const ReportObject &o : band.objects)
                    names << o.name;
        EXPECT_EQ(names, b.objects) << b.report.toStdString() << " " << b.band.toStdString();
    }
    const auto t1 = ReportTemplate::builtIn("nominative-list");
    EXPECT_NEAR(t1->paperSize().width() - t1->margins().left() - t1->margins().right(), 718.11,
                0.01);

    // Broken templates are refused with a message.
    const std::vector<QByteArray> broken = {
        "{", R"({"bands": [{"type": "Nonsense"}]})",
        R"({"bands": [{"type": "ReportSummary", "objects": [{"name": "M", "rect": [0,0,1,1], "text": "[SUM(]"}]}]})",
        R"({"bands": [{"type": "ReportSummary", "objects": [{"name": "M", "rect": [0,0,1]}]}]})"};
    for (const QByteArray &json : broken)
        EXPECT_THROW(ReportTemplate::fromJson(json), UserError) << json.toStdString();
}

TEST(ListReport, FieldsVariablesAndAmounts)
{
    TransferLine l(u"*00799999", u"0012345678", u"03", u"  1 234,56", u"", u"110000000001",
                   u"ALI BEN", u" p ");
    struct Field {
        QString name;
        QVariant value;
    };
    const std::vector<Field> fields = {
        {"CodePTT", "00799999"},          {"Compte", "0012345678"}, {"Cle", "03"},
        {"NetPayer", moneyValue(123456)}, {"Rend", moneyValue(0)},  {"Assur", "110000000001"},
        {"NomPrenom", "ALI BEN"},         {"Type", " p "},          {"nomprenom", QVariant()},
        {"NetPayer ", QVariant()},        {"Dir", QVariant()},
    };
    for (const Field &f : fields)
        EXPECT_EQ(ListReport::fieldValue(l, f.name), f.value) << f.name.toStdString();

    // Amounts are the centimes read when the cell was set, whatever the cell's form: an
    // empty cell is 0, a sign is kept, a cell that does not read stops the report.
    struct Amount {
        QString cell;
        qint64 cents;
        QString error;
    };
    const std::vector<Amount> amounts = {
        {"  1 234,56", 123456, {}},
        {"   0,05", 5, {}},
        {"45000", 4500000, {}},
        {"12,5", 1250, {}},
        {"-100,00", -10000, {}},
        {"", 0, {}},
        {"   ", 0, {}},
        {"12.5", 0, "'12.5' is not a valid floating point value"},
        {"abc", 0, "'abc' is not a valid floating point value"},
    };
    for (const Amount &a : amounts) {
        TransferLine cell = l;
        cell.setSubItem(TransferLine::Net, a.cell);
        if (a.error.isEmpty()) {
            EXPECT_EQ(ListReport::fieldValue(cell, "NetPayer"), moneyValue(a.cents))
                << a.cell.toStdString();
            continue;
        }
        try {
            ListReport::fieldValue(cell, "NetPayer");
            ADD_FAILURE() << "no error for " << a.cell.toStdString();
        } catch (const UserError &e) {
            EXPECT_EQ(e.message(), a.error);
        }
    }

    ListReport::Variables v;
    v.totalNetCents = 5306962;
    v.totalYieldCents = 0;
    v.typeCounts = Statistics::TypeCounts{1, 2, 3};
    v.place = QStringLiteral("Lieu\nDirection");
    struct Var {
        QString name;
        QVariant value;
    };
    const std::vector<Var> vars = {
        {"ChN", amountInWords(53069.62, "FR")},
        {"chn", amountInWords(53069.62, "FR")},
        {"ChR", QString::fromUtf16(u"Zéro dinar")},
        {"P", 3},
        {"i", 2},
        {"D", 1},
        {"DIR", "Lieu\nDirection"},
        {"CodePTT", QVariant()},
    };
    for (const Var &x : vars)
        EXPECT_EQ(ListReport::variableValue(x.name, v), x.value) << x.name.toStdString();
    v.selected = &l;
    EXPECT_EQ(ListReport::variableValue("codeptt", v), QVariant("*00799999"));
    EXPECT_EQ(ListReport::variableValue("NetPayer", v), QVariant("  1 234,56"));
    EXPECT_EQ(ListReport::variableValue("Other", v), QVariant());
}

TEST(ListReport, PagesRunningFiguresSummaryAndWords)
{
    // 40 lines: 37 on the first page, 3 and the summary on the second.
    Session session;
    const WorkingList &list = session.list();
    std::vector<TransferLine> lines;
    qint64 net = 0, yield = 0, netPage1 = 0, yieldPage1 = 0;
    const QString types[] = {"P", "I", "D", " p ", "X"};
    for (int i = 0; i < 40; ++i) {
        const qint64 n = 100000 + i * 12345 + i % 7, r = i * 101;
        lines.push_back(line(i, n, r, types[i % 5]));
        net += n;
        yield += r;
        if (i < RowsPerPage) {
            netPage1 += n;
            yieldPage1 += r;
        }
    }
    session.replaceAll(std::move(lines));
    const PreparedReport r =
        ListReport::prepare(list, variables(session, "Commune de Talvoro\nDirection X"), Start);

    ASSERT_EQ(r.pageCount(), 2);
    EXPECT_EQ(r.texts(0, "FooterPage"), QStringList{"Page 1 - 2"});
    EXPECT_EQ(r.texts(1, "FooterPage"), QStringList{"Page 2 - 2"});
    EXPECT_EQ(r.texts(1, "PageNumber"), QStringList{"Page :  2 / 2"});
    // Line numbers run on over the pages.
    const QStringList first = r.texts(0, "LineNumber"), second = r.texts(1, "LineNumber");
    ASSERT_EQ(first.size(), RowsPerPage);
    EXPECT_EQ(first.first(), "1");
    EXPECT_EQ(second, (QStringList{"38", "39", "40"}));
    EXPECT_EQ(r.texts(1, "LineName").first(), QString::fromUtf16(u"NOM37 Prénom"));
    EXPECT_EQ(r.texts(0, "LineAccount").first(), account(0) + u'/' + ripKeyText(account(0)));
    EXPECT_EQ(r.texts(0, "LineNet").first(), money(100000));
    // The footer runs on: page 2 shows pages 1 and 2 together.
    EXPECT_EQ(r.texts(0, "PageLineCount"), QStringList{"Ligne Par Page : 37"});
    EXPECT_EQ(r.texts(0, "PageNet"), QStringList{"Total Paiement :" + money(netPage1)});
    EXPECT_EQ(r.texts(0, "PageRendement"), QStringList{"Total Rendement : " + money(yieldPage1)});
    EXPECT_EQ(r.texts(1, "PageLineCount"), QStringList{"Ligne Par Page : 40"});
    EXPECT_EQ(r.texts(1, "PageNet"), QStringList{"Total Paiement :" + money(net)});
    EXPECT_EQ(r.texts(1, "PageRendement"), QStringList{"Total Rendement : " + money(yield)});
    EXPECT_EQ(r.texts(0, "PrintedAt"), QStringList{"05/03/2026 -14:30:00"});
    // The summary.
    EXPECT_EQ(r.texts(1, "LineCount"), QStringList{"Nb Ligne : 40"});
    EXPECT_EQ(r.texts(1, "TotalNet"), QStringList{money(net)});
    EXPECT_EQ(r.texts(1, "TotalRendement"), QStringList{money(yield)});
    EXPECT_EQ(r.texts(1, "GrandTotal"),
              QStringList{"Montant Global De La Liste :  " + money(net + yield)});
    EXPECT_EQ(r.texts(1, "NetInWords"),
              QStringList{QString::fromUtf16(u"1- La Somme Du Net A Payé et Arrété a : ") +
                          amountInWords(double(net) / 100, "FR")});
    EXPECT_EQ(r.texts(1, "RendementInWords"),
              QStringList{QString::fromUtf16(u"2- La Somme Du Rendement et Arrété a : ") +
                          amountInWords(double(yield) / 100, "FR")});
    // P, I, D: " p " counts as P; "X" in none.
    EXPECT_EQ(r.texts(1, "PermanentCount"), QStringList{"Agents Permanents (P) : 16"});
    EXPECT_EQ(
        r.texts(1, "IndefiniteCount"),
        QStringList{QString::fromUtf16(u"Agents Contractuels à durée Indeterminée (I) :  8")});
    EXPECT_EQ(r.texts(1, "FixedTermCount"),
              QStringList{QString::fromUtf16(u"Agents Contractuels à durée determinée (D) :8")});
    EXPECT_EQ(r.texts(1, "PlaceAndDate"),
              QStringList{"Fait a ........................le :  05 mars 2026"});
    // The place keeps its line breaks, on every page.
    for (int p = 0; p < 2; ++p)
        EXPECT_EQ(
            r.texts(p, "Place"),
            QStringList{"Commune de Talvoro\nDirection X\nRef : ................................"});
    EXPECT_EQ(r.texts(1, "HeadingName"),
              QStringList{"Nom Prenom"}); // column headings on every page

    // A filter prints the shown lines only, with their own figures.
    session.setFilter(WorkingList::FilterField::Name, QStringLiteral("nom3"));
    const PreparedReport f = ListReport::prepare(list, variables(session, QString()), Start);
    ASSERT_EQ(f.pageCount(), 1);
    EXPECT_EQ(f.texts(0, "LineCount"), QStringList{"Nb Ligne : 11"}); // NOM3, NOM30..NOM39
    EXPECT_EQ(f.texts(0, "PermanentCount"), QStringList{"Agents Permanents (P) : 5"});
    EXPECT_TRUE(f.texts(0, "NetInWords")
                    .first()
                    .endsWith(amountInWords(double(session.figures().netCents) / 100.0, "FR")));
}

TEST(ListReport, GrowingTextBoxesMoveWhatFollowAndHugeRowsSplit)
{
    Session session;
    const WorkingList &list = session.list();
    const QString longName = QStringLiteral("BENABDELLAH MOHAMMED EL AMINE ABDERRAHMANE OULD SIDI");
    const QString hugeName = QStringLiteral("MOT ").repeated(800).trimmed();
    session.replaceAll({line(0, 100, 0, "P", longName), line(1, 200, 0, "P"),
                        line(2, 300, 0, "P", hugeName), line(3, 400, 0, "P")});
    // A total large enough for its words to need two lines.
    TransferLine big = list.line(3);
    big.setSubItem(TransferLine::Net, AmountText::formatCents(78787878787));
    session.replaceLine(3, big);
    const PreparedReport r = ListReport::prepare(list, variables(session, QString()), Start);

    // The long name takes two or more lines; the row grows and the next row moves down.
    const auto names = r.objects(0, "LineName");
    const auto numbers = r.objects(0, "LineNumber");
    ASSERT_GE(names.size(), size_t(2));
    EXPECT_GT(names[0]->lineStarts.size(), 1);
    EXPECT_GT(names[0]->rect.height(), 30.0);
    EXPECT_NEAR(numbers[1]->rect.top() - numbers[0]->rect.top(),
                22.67718 + names[0]->rect.height() - 18.89765, 0.01);

    // The huge name does not fit a page: its lines run on over the next pages, numbered once.
    QString joined;
    int numbered = 0, pagesWithHuge = 0;
    for (int p = 0; p < r.pageCount(); ++p) {
        for (const PreparedObject *o : r.objects(p, "LineName"))
            if (o->text.startsWith(u"MOT")) {
                joined += o->text;
                ++pagesWithHuge;
            }
        numbered += int(r.texts(p, "LineNumber").count("3"));
    }
    EXPECT_GE(pagesWithHuge, 3);
    EXPECT_EQ(joined.simplified(), hugeName);
    EXPECT_EQ(numbered, 1);
    EXPECT_EQ(r.texts(r.pageCount() - 1, "FooterPage").first(),
              QStringLiteral("Page %1 - %1").arg(r.pageCount()));

    // In the summary the grown words push the boxes below them down.
    const int last = r.pageCount() - 1;
    const auto chn = r.objects(last, "NetInWords"), chr = r.objects(last, "RendementInWords");
    const auto line4 = r.objects(last, "WordsRule");
    ASSERT_EQ(chn.size(), size_t(1));
    EXPECT_GT(chn[0]->rect.height(), 22.67718);
    EXPECT_NEAR(chr[0]->rect.top() - chn[0]->rect.top(),
                75.5906 - 49.13389 + chn[0]->rect.height() - 22.67718, 0.01);
    EXPECT_GE(line4[0]->rect.top(), chr[0]->rect.bottom());
}

TEST(ErrorReport, ColumnsSummaryAndHeadingsOnTheFirstPageOnly)
{
    std::vector<ErrorRecord> records;
    qint64 net = 0, yield = 0;
    for (int i = 0; i < 45; ++i) {
        ErrorRecord rec;
        rec.row = 100 - 2 * i; // as recorded, not renumbered
        rec.operation = QStringLiteral("CLE-RIP");
        rec.oldValue = QStringLiteral("11");
        rec.name = i == 1 ? QStringLiteral("non connu") : QStringLiteral("NOM %1").arg(i);
        rec.newValue = QStringLiteral("28 - 03");
        rec.account = account(i);
        rec.netCents = 123456 + i;
        rec.yieldCents = i == 2 ? 0 : i * 10;
        net += 123456 + i;
        yield += i == 2 ? 0 : i * 10;
        records.push_back(rec);
    }
    // "NetPayer " is answered, "NetPayer" is not.
    EXPECT_EQ(ErrorReport::fieldValue(records[0], "NetPayer "), moneyValue(123456));
    EXPECT_EQ(ErrorReport::fieldValue(records[0], "NetPayer"), QVariant());
    EXPECT_EQ(ErrorReport::fieldValue(records[0], "Row"), QVariant(100));
    EXPECT_EQ(ErrorReport::fieldValue(records[0], "TimeStamp"), QVariant());

    const PreparedReport r = ErrorReport::prepare(records, Start);
    ASSERT_EQ(r.pageCount(), 2);
    EXPECT_EQ(r.texts(0, "ErrorRow").mid(0, 3), (QStringList{"100", "98", "96"}));
    EXPECT_EQ(r.texts(0, "ErrorName").mid(0, 3), (QStringList{"NOM 0", "non connu", "NOM 2"}));
    EXPECT_EQ(r.texts(0, "ErrorAccount").first(), account(0));
    EXPECT_EQ(r.texts(0, "ErrorWrongKey").first(), "11");
    EXPECT_EQ(r.texts(0, "ErrorRightKeys").first(), "28 - 03");
    EXPECT_EQ(r.texts(0, "ErrorNet").first(), money(123456));
    EXPECT_EQ(r.texts(0, "ErrorRendement").mid(0, 3), (QStringList{"0,00", "0,10", "0,00"}));
    EXPECT_EQ(r.texts(0, "PrintedAt"), QStringList{"05/03/2026 --- 14:30:00"});
    for (const char *heading :
         {"ReportTitle", "HeadingName", "HeadingAccount", "HeadingWrongKey", "HeadingRightKeys",
          "HeadingRow", "HeadingNet", "HeadingRendement", "HeadingBox"}) {
        EXPECT_EQ(r.objects(0, heading).size(), size_t(1)) << heading;
        EXPECT_EQ(r.objects(1, heading).size(), size_t(0)) << heading;
    }
    EXPECT_EQ(r.texts(0, "HeadingAccount"), QStringList{"Compte\nCCP"});
    EXPECT_EQ(r.texts(1, "LineCount"), QStringList{"Nombre De Ligne : ( 45 )"});
    EXPECT_EQ(r.texts(1, "TotalNet"), QStringList{money(net)});
    EXPECT_EQ(r.texts(1, "TotalRendement"), QStringList{money(yield)});
    EXPECT_EQ(r.texts(1, "GrandTotal"), QStringList{"Total Global :  " + money(net + yield)});
    EXPECT_EQ(r.texts(0, "FooterPage"), QStringList{"Page 1 - 2"});
    EXPECT_EQ(r.texts(1, "FooterPage"), QStringList{"Page 2 - 2"});
    for (int p = 0; p < 2; ++p) // every text fits its box as drawn in the template
        for (const PreparedObject &o : r.page(p).objects)
            EXPECT_EQ(o.fontPixelSize, 0) << o.object->name.toStdString();

    // An amount that does not read abandons the report.
    records[3].unreadableAmount = QStringLiteral("1.234,00");
    EXPECT_THROW(ErrorReport::prepare(records, Start), UserError);
    EXPECT_EQ(ErrorReport::prepare({}, Start).texts(0, "LineCount"),
              QStringList{"Nombre De Ligne : ( 0 )"});
}

TEST(ReportPainter, PagesPaintTheTemplateAndPdfReadsBack)
{
    Session session;
    session.replaceAll(
        {line(0, 123456, 10000, "P", QStringLiteral("ZOÉ Hélène")), line(1, 5000, 0, "I")});
    const PreparedReport r = ListReport::prepare(
        session.list(),
        variables(session, QString::fromUtf16(u"بلدية تالفورو\nDirection des Finances")), Start);

    // At 96 dpi a unit is a pixel: the heading box and the footer box show their fills.
    const QImage page = ReportPainter::renderPage(r, 0, 96);
    EXPECT_EQ(page.size(), QSize(794, 1123));
    const double left = 37.795, top = 37.795;
    EXPECT_EQ(page.pixelColor(int(left + 8), int(top + 127.5 + 3)), QColor(0xFF, 0xFF, 0xCC));
    EXPECT_EQ(page.pixelColor(int(left + 300), int(top + 1046.93 - 26.46 + 2)),
              QColor(0xED, 0xFF, 0xEA));
    EXPECT_EQ(page.pixelColor(5, 5), QColor(Qt::white));

    QTemporaryDir dir;
    const QString pdf = dir.filePath("liste.pdf");
    QString error;
    ASSERT_TRUE(ReportPainter::writePdf(r, pdf, &error)) << error.toStdString();
    const QString text = pdfText(pdf);
    for (const QString &s :
         {QString::fromUtf16(u"Republique Algérienne Démocratique et Populaire"),
          QString::fromUtf16(u"Liste Des Bénéficiers Commune"), QString::fromUtf16(u"ZOÉ Hélène"),
          QString::fromUtf16(u"بلدية تالفورو"), QStringLiteral("Direction des Finances"),
          money(128456), QStringLiteral("Page 1 - 1"),
          QString::fromUtf16(u"Mille deux cent quatre-vingt-quatre dinars et cinquante-six")})
        EXPECT_TRUE(text.contains(s)) << s.toStdString() << "\n" << text.toStdString();
    const QString fonts = pdfFonts(pdf);
    EXPECT_TRUE(fonts.contains("LiberationSerif")) << fonts.toStdString();
    EXPECT_TRUE(fonts.contains("LiberationSans")) << fonts.toStdString();

    // A link planted where the PDF goes is replaced; what it points to is left alone.
    QTemporaryDir elsewhere;
    const QString victim = elsewhere.filePath("autre.txt");
    {
        QFile v(victim);
        ASSERT_TRUE(v.open(QIODevice::WriteOnly));
        v.write("precious");
    }
    const QString linked = dir.filePath("lien.pdf");
    ASSERT_TRUE(QFile::link(victim, linked));
    ASSERT_TRUE(ReportPainter::writePdf(r, linked, &error)) << error.toStdString();
    EXPECT_FALSE(QFileInfo(linked).isSymLink());
    EXPECT_TRUE(pdfText(linked).contains(QStringLiteral("Page 1 - 1")));
    {
        QFile v(victim);
        ASSERT_TRUE(v.open(QIODevice::ReadOnly));
        EXPECT_EQ(v.readAll(), QByteArray("precious"));
    }

    // A file that cannot be written is reported and leaves nothing behind.
    const QString bad = dir.filePath("missing/folder/x.pdf");
    EXPECT_FALSE(ReportPainter::writePdf(r, bad, &error));
    EXPECT_TRUE(error.contains(bad)) << error.toStdString();
    EXPECT_FALSE(QFile::exists(bad));
}

TEST(ListReport, PlaceOfAnyLengthStaysInsideItsBox)
{
    Session session;
    const WorkingList &list = session.list();
    session.replaceAll({line(0, 8000000, 0, "P"), line(1, 0, 100, "I")});
    const QString ref = QStringLiteral("Ref : ................................");
    auto placeOf = [](int lines) {
        QStringList out;
        for (int i = 1; i <= lines; ++i)
            out << QStringLiteral("Lieu %1").arg(i);
        return out.join(u'\n');
    };
    struct Case {
        int lines;
        bool shrinks, cut;
    };
    for (const Case &c : {Case{2, false, false}, Case{6, true, false}, Case{10000, true, true}}) {
        const QString place = placeOf(c.lines);
        const PreparedReport r = ListReport::prepare(list, variables(session, place), Start);
        ASSERT_EQ(r.pageCount(), 1) << c.lines;
        const auto box = r.objects(0, "Place");
        ASSERT_EQ(box.size(), size_t(1));
        const PreparedObject &o = *box[0];
        // The box keeps its place and size; the lines drawn fit in it.
        EXPECT_EQ(o.rect.size(), o.object->rect.size());
        ReportText text;
        const int size = o.fontPixelSize ? o.fontPixelSize : o.object->font.height;
        EXPECT_LE(text.textHeight(*o.object, int(o.lineStarts.size()), o.fontPixelSize),
                  o.rect.height() + 1e-6)
            << c.lines;
        EXPECT_EQ(size < o.object->font.height, c.shrinks) << c.lines;
        if (!c.shrinks) { // nothing else of the template needs to shrink either
            for (const PreparedObject &other : r.page(0).objects)
                EXPECT_EQ(other.fontPixelSize, 0) << other.object->name.toStdString();
        }
        EXPECT_GE(size, ReportText::SmallestFittedHeight);
        if (c.cut) {
            EXPECT_TRUE(o.text.startsWith(QStringLiteral("Lieu 1\nLieu 2\nLieu 3\n")));
            EXPECT_FALSE(o.text.contains(QStringLiteral("Lieu 10000")));
        } else {
            EXPECT_EQ(o.text, place + u'\n' + ref);
        }
        // As an image: nothing is drawn between the box and the column headings below it.
        const QImage page = ReportPainter::renderPage(r, 0, 96);
        const int below = int(o.rect.bottom()) + 2, headings = int(37.795 + 127.5) - 2;
        for (int y = below; y < headings; ++y)
            for (int x = int(o.rect.left()) + 1; x < int(o.rect.right()); ++x)
                ASSERT_EQ(page.pixelColor(x, y), QColor(Qt::white))
                    << c.lines << " lines: ink at " << x << "," << y;
    }
    // The words of the totals in the summary follow the traditional spelling.
    const PreparedReport r = ListReport::prepare(list, variables(session, QString()), Start);
    EXPECT_EQ(r.texts(0, "NetInWords").first(),
              QString::fromUtf16(u"1- La Somme Du Net A Payé et Arrété a : Quatre-vingt mille "
                                 u"dinars"));
    EXPECT_EQ(r.texts(0, "RendementInWords").first(),
              QString::fromUtf16(u"2- La Somme Du Rendement et Arrété a : Un dinar"));
}

TEST(ReportEngine, PagesOnDemandAreThePagesPreparedAtOnce)
{
    // Rows that grow, a row split over several pages and a summary that grows.
    Session session;
    const WorkingList &list = session.list();
    std::vector<TransferLine> lines;
    for (int i = 0; i < 400; ++i)
        lines.push_back(line(i, 1000 + i, i, "P",
                             i == 50      ? QStringLiteral("MOT ").repeated(900).trimmed()
                             : i % 7 == 0 ? QStringLiteral("NOM TRES LONG ").repeated(3)
                                          : QString()));
    session.replaceAll(std::move(lines));
    const ListReport::Variables v = variables(session, QStringLiteral("Lieu\nDirection"));
    const PreparedReport whole = ListReport::prepare(list, v, Start);
    const PreparedReport lazy = ListReport::prepareOnDemand(list, v, Start);
    ASSERT_EQ(lazy.pageCount(), whole.pageCount());
    ASSERT_GE(whole.pageCount(), 16);
    // Any order: the last page first, then the others; then again, after the lazy report
    // has let go of the pages it laid out first.
    std::vector<int> order = {whole.pageCount() - 1};
    for (int p = 0; p + 1 < whole.pageCount(); ++p)
        order.push_back((p * 5) % (whole.pageCount() - 1));
    const std::vector<int> once = order;
    order.insert(order.end(), once.begin(), once.end());
    for (int p : order) {
        const PreparedPage &a = whole.page(p), &b = lazy.page(p);
        ASSERT_EQ(a.objects.size(), b.objects.size()) << "page " << p;
        for (size_t i = 0; i < a.objects.size(); ++i) {
            EXPECT_EQ(a.objects[i].object, b.objects[i].object) << "page " << p;
            EXPECT_EQ(a.objects[i].text, b.objects[i].text) << "page " << p;
            EXPECT_EQ(a.objects[i].rect, b.objects[i].rect) << "page " << p;
        }
    }
    // Two pages kept at once stay as they were while others are laid out.
    const PreparedPage &first = lazy.page(0), &last = lazy.page(lazy.pageCount() - 1);
    const size_t firstObjects = first.objects.size(), lastObjects = last.objects.size();
    for (int p = 1; p < 4; ++p)
        (void)lazy.page(p);
    EXPECT_EQ(first.objects.size(), firstObjects);
    EXPECT_EQ(last.objects.size(), lastObjects);
    for (int p : {0, 9, whole.pageCount() - 1})
        EXPECT_EQ(ReportPainter::renderPage(lazy, p, 48), ReportPainter::renderPage(whole, p, 48))
            << "page " << p;
}
