#include "QtPrinters.h"

#include "session/Session.h"

#include <gtest/gtest.h>

TEST(ListFilter, NameFilterIgnoresCaseAndAccentsOfLatinLetters)
{
    struct Case {
        QString name;
        QString typed;
        bool found;
    };
    const Case cases[] = {
        {u"CHÉRIF"_qs, u"cherif"_qs, true},
        {u"Chérif"_qs, u"CHERIF"_qs, true},
        {u"LAKHDARI Réda"_qs, u"reda"_qs, true},
        {u"LAKHDARI Réda"_qs, u"RÉDA"_qs, true},
        {u"LAKHDARI Reda"_qs, u"réda"_qs, true},
        {u"FRANÇOIS Zoé"_qs, u"francois zoe"_qs, true},
        {u"François"_qs, u"Ç"_qs, true},
        {u"AÏT Naïma"_qs, u"ait naima"_qs, true},
        {u"Hélène ÊLIÖ"_qs, u"HELENE elio"_qs, true},
        {u"Che\u0301rif"_qs, u"chérif"_qs, true}, // an accent typed as a combining mark
        {u"Re\u0301da"_qs, u"eda"_qs, true},
        {u"Ali\u0301"_qs, u"li"_qs, true},
        {u"Re\u0301do"_qs, u"reda"_qs, false},
        {QString(300, u'x') + u"Che\u0301rif"_qs, u"xcherif"_qs, true},
        {u"  Réda  "_qs, u" réda "_qs, true},
        {u"BENALI Ahmed"_qs, u"ali a"_qs, true}, // what A-Z folding found
        {u"بن علي أحمد"_qs, u"علي"_qs, true},
        {u"بن علي أحمد"_qs, u"على"_qs, false}, // Arabic letters are not folded
        {u"أحمد"_qs, u"احمد"_qs, false},
        {u"مُحَمَّد"_qs, u"محمد"_qs, false},
        {u"CHÉRIF"_qs, u"cherifa"_qs, false},
        {u"Réda"_qs, u"rida"_qs, false},
        {u"Omar"_qs, u"omär"_qs, true},
        {u"Omar"_qs, u"omer"_qs, false},
        {u"Ali"_qs, u"l i"_qs, false},
    };
    for (const Case &c : cases) {
        TransferLine line;
        line.setSubItem(TransferLine::Name, c.name);
        std::vector<TransferLine> lines{line};
        Session s;
        s.replaceAll(lines);
        s.setFilter(WorkingList::FilterField::Name, c.typed);
        EXPECT_EQ(s.list().count(), c.found ? 1 : 0)
            << c.name.toStdString() << " / " << c.typed.toStdString();
    }
}

namespace
{

// The line numbers of the shown lines.
std::vector<int> shownNumbers(const Session &s)
{
    std::vector<int> numbers;
    for (int row = 0; row < s.list().count(); ++row)
        numbers.push_back(s.list().lineNumber(row));
    return numbers;
}

TransferLine named(const QString &account, const QString &name)
{
    return TransferLine(u"*00799999", account, u"00", u"0000000010000", u"0000000000000",
                        u"100000000001", name, u"P");
}

} // namespace

// Keys typed one after another (a text that extends the last one looks only at the lines
// shown) leave the same lines shown as the final text typed at once, whatever came between:
// backspaces, the other box, changes while filtered, undo and redo.
TEST(ListFilter, TypingAndErasingShowTheSameLinesAsAFreshFilter)
{
    using F = WorkingList::FilterField;
    const std::vector<TransferLine> lines = {
        named(u"0012345678"_qs, u"BENALI Ahmed"_qs),   named(u"0045678901"_qs, u"Chérif ALI"_qs),
        named(u"0045600000"_qs, u"  Réda  "_qs),       named(u"0012345678"_qs, u"BENALI Ahmed"_qs),
        named(u"0099945600"_qs, u"Re\u0301da Ali"_qs), named(u"0000000456"_qs, QString()),
        named(u"0045645645"_qs, u"ALIA Zoé"_qs),       named(u"0011111111"_qs, u"mALIk"_qs),
    };
    // A step: a text typed in a box, or a change of the list while filtered.
    enum Change { None, Append, DeleteFirst, Undo, Redo, RenameFirst };
    struct Step {
        F field;
        QString text;
        Change change = None;
    };
    const std::vector<std::vector<Step>> sequences = {
        {{F::Name, u"a"_qs}, {F::Name, u"al"_qs}, {F::Name, u"ali"_qs}},
        {{F::Name, u"r"_qs},
         {F::Name, u"ré"_qs},
         {F::Name, u"réd"_qs},
         {F::Name, u"ré"_qs},
         {F::Name, u"red"_qs}},
        {{F::Account, u"4"_qs},
         {F::Account, u"45"_qs},
         {F::Account, u"456"_qs},
         {F::Account, u"45"_qs},
         {F::Account, u"3456"_qs}},
        {{F::Account, u"45"_qs},
         {F::Name, u"a"_qs},
         {F::Name, u"ali"_qs},
         {F::Name, QString()},
         {F::Account, u"1"_qs}},
        {{F::Name, u"li"_qs}, {F::Name, u"ali"_qs}, {F::Name, u"alia"_qs}},
        {{F::Name, u" al"_qs}, {F::Name, u" ali "_qs}, {F::Name, u"ÀLI"_qs}},
        // A line added while filtered is shown whatever the filter until the next key.
        {{F::Name, u"a"_qs}, {F::Name, {}, Append}, {F::Name, u"al"_qs}, {F::Name, u"ali"_qs}},
        // Undo and redo bring back lines hidden by the filter.
        {{F::Name, {}, DeleteFirst},
         {F::Name, u"ben"_qs},
         {F::Name, {}, Undo},
         {F::Name, u"bena"_qs},
         {F::Name, {}, Redo},
         {F::Name, u"benal"_qs}},
        {{F::Name, u"m"_qs},
         {F::Name, {}, RenameFirst},
         {F::Name, u"ma"_qs},
         {F::Name, {}, Undo},
         {F::Name, u"mal"_qs},
         {F::Name, {}, Redo},
         {F::Name, u"mali"_qs}},
    };
    for (size_t n = 0; n < sequences.size(); ++n) {
        Session typed, fresh;
        typed.replaceAll(lines);
        fresh.replaceAll(lines);
        for (size_t k = 0; k < sequences[n].size(); ++k) {
            const Step &step = sequences[n][k];
            for (Session *s : {&typed, &fresh}) {
                switch (step.change) {
                case None:
                    break;
                case Append:
                    s->appendLine(named(u"0045600001"_qs, u"NOUVEAU"_qs));
                    break;
                case DeleteFirst:
                    s->deleteRow(0);
                    break;
                case Undo:
                    s->undo();
                    break;
                case Redo:
                    s->redo();
                    break;
                case RenameFirst:
                    s->replaceLine(0, named(u"0012345678"_qs, u"MALIKA"_qs));
                    break;
                }
            }
            if (step.change != None) {
                EXPECT_EQ(shownNumbers(typed), shownNumbers(fresh)) << "sequence " << n;
                continue;
            }
            typed.setFilter(step.field, step.text);
            // The fresh session only ever sees the text typed at once, from no filter.
            fresh.setFilter(WorkingList::FilterField::Account, QString());
            fresh.setFilter(step.field, step.text);
            EXPECT_EQ(shownNumbers(typed), shownNumbers(fresh))
                << "sequence " << n << ", step " << k << ": " << step.text.toStdString();
            EXPECT_EQ(typed.figures().shown, fresh.figures().shown);
        }
    }
}
