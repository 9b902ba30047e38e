#pragma once

#include "model/TransferLine.h"

#include <QString>
#include <QStringList>
#include <QStringView>
#include <array>
#include <cstdint>
#include <vector>

// The comparison of this month's list with the previous one: who came, who left, whose
// account, name or amount changed, and which lines are repeated in the new list.
//
// People are matched by insurance number (12 digits, once in each list); lines that cannot
// be matched so are matched by account (10 digits once zeros are put in front, once in each
// list), unless both lines carry such an insurance number (then they are two people). A
// matched person lands in one category at most, the first that applies in category order.
// Every line of the new list whose insurance number or account appears more than once in
// it is a repetition, and takes no part in the matching: the previous list's lines of the
// same number or account are then reported through it, not as gone.
class ListComparison final
{
public:
    // In the order they are shown everywhere: an account change first, as it is the one
    // that diverts pay.
    enum class Category : uint8_t {
        AccountChanged,
        NameChanged,
        AmountChanged,
        New,
        Left,
        Duplicate
    };
    static constexpr int CategoryCount = 6;
    static QString categoryName(Category category);

    struct Entry {
        Category category;
        int oldIndex; // in the previous list, -1 for none
        int newIndex; // in the new list, -1 for none
    };

    // The amount threshold in hundredths of a percent: a Net that moves by more than this
    // share of the previous Net is reported. 0 reports any change.
    static constexpr int DefaultThreshold = 2000;
    // A threshold typed by the clerk ("20", "12,5", "7.25") in hundredths of a percent;
    // false when it is not a number from 0 to 1,000,000 with at most two decimals.
    static bool parseThreshold(QStringView text, int &hundredths);
    // "20 %", "12,5 %".
    static QString thresholdText(int hundredths);

    ListComparison() = default;

    // Compares the lists, which the result keeps. The names tell the lists apart in
    // messages. Throws UserError, naming the list, the line and the text, for a Net that
    // does not read as an amount.
    static ListComparison compare(std::vector<TransferLine> oldLines,
                                  std::vector<TransferLine> newLines,
                                  int thresholdHundredths = DefaultThreshold,
                                  const QString &oldListName = QString(),
                                  const QString &newListName = QString());

    // The same lists compared with another amount threshold.
    ListComparison withThreshold(int thresholdHundredths) const
    {
        return compare(m_old, m_new, thresholdHundredths, m_oldListName, m_newListName);
    }

    // In category order, then in list order (the new list's, or the previous one's for
    // people who left).
    const std::vector<Entry> &entries() const { return m_entries; }
    int count(Category category) const { return m_counts[size_t(category)]; }
    // True when no category holds anything.
    bool same() const { return m_entries.empty(); }
    int threshold() const { return m_threshold; }
    int oldCount() const { return int(m_old.size()); }
    int newCount() const { return int(m_new.size()); }
    // The names the lists go by in messages (their file names, or "Liste précédente" and
    // "Liste du mois").
    const QString &oldListName() const { return m_oldListName; }
    const QString &newListName() const { return m_newListName; }

    // What an entry shows. Texts are trimmed; a side the entry does not have is empty.
    QString insurance(const Entry &e) const; // the new line's, else the previous line's
    QString name(const Entry &e) const;      // the new list's name, or the previous one's
    QString oldName(const Entry &e) const;   // the previous name (name changes)
    QString oldPair(const Entry &e) const;   // "account/key"
    QString newPair(const Entry &e) const;
    bool hasOldNet(const Entry &e) const { return e.oldIndex >= 0; }
    bool hasNewNet(const Entry &e) const { return e.newIndex >= 0; }
    long long oldNetCents(const Entry &e) const;
    long long newNetCents(const Entry &e) const;
    QString oldNet(const Entry &e) const; // "45 000,00"
    QString newNet(const Entry &e) const;
    // For people in both lists: the Net's change, "+15 000,00" and "+33,3 %" (empty when the
    // previous Net is 0).
    QString difference(const Entry &e) const;
    QString percent(const Entry &e) const;
    // What changed, for the tables: "Ancien nom : ..." for a name, "+15 000,00 (+33,3 %)"
    // for an amount, otherwise empty.
    QString changeText(const Entry &e) const;

    // The columns the tables and the report show, in order.
    enum Column {
        CategoryColumn,
        InsuranceColumn,
        NameColumn,
        OldPairColumn,
        NewPairColumn,
        OldNetColumn,
        NewNetColumn,
        ChangeColumn
    };
    static constexpr int ColumnCount = 8;
    // The text of an entry in a column.
    QString text(const Entry &e, int column) const;

    // "Compte modifié: N", one per category in order.
    QStringList summaryLines() const;
    // "Compte modifié | NumAss: ... | Nom: ... | Ancien: ... | Nouveau: ...".
    QString detailLine(const Entry &e) const;

private:
    const TransferLine *oldLine(const Entry &e) const
    {
        return e.oldIndex >= 0 ? &m_old[size_t(e.oldIndex)] : nullptr;
    }
    const TransferLine *newLine(const Entry &e) const
    {
        return e.newIndex >= 0 ? &m_new[size_t(e.newIndex)] : nullptr;
    }

    std::vector<TransferLine> m_old, m_new;
    std::vector<long long> m_oldNet, m_newNet;
    std::vector<Entry> m_entries;
    std::array<int, CategoryCount> m_counts{};
    int m_threshold = DefaultThreshold;
    QString m_oldListName, m_newListName;
};
