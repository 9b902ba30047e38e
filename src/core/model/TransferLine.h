#pragma once

#include <QString>
#include <QStringView>
#include <array>
#include <cstdint>

// One row of the working list: a caption and up to seven text sub-items
// (0 Account, 1 Key, 2 Net, 3 Yield, 4 Insurance number, 5 Name, 6 Contract type),
// plus the figures the session derives from them when the line enters the list or changes.
//
// All cells live in one string with end offsets, so a row costs one allocation: a list of a
// million rows stays small, and copying a row (snapshot) only shares that string.
class TransferLine
{
public:
    enum SubItem { Account = 0, Key, Net, Yield, Insurance, Name, ContractType };
    static constexpr int MaxSubItems = 7;
    // Characters in one record of the transfer text file.
    static constexpr int RecordWidth = 87;
    // The caption of a line that has no postal or agency code of its own: one made in the
    // record editor or read from a workbook.
    static constexpr QStringView DefaultCaption = u"*00799999";

    TransferLine() = default;
    // A full row: caption, then sub-items 0 to 6.
    TransferLine(QStringView caption, QStringView account, QStringView key, QStringView net,
                 QStringView yield, QStringView insurance, QStringView name,
                 QStringView contractType);

    QStringView captionView() const { return cell(0); }
    QString caption() const { return captionView().toString(); }
    void setCaption(QStringView text) { replaceCell(0, text); }

    int subItemCount() const { return m_count; }
    bool hasSubItem(int n) const { return n >= 0 && n < m_count; }
    // A sub-item the row lacks reads as an empty text.
    QStringView subItemView(int n) const { return hasSubItem(n) ? cell(n + 1) : QStringView(); }
    QString subItem(int n) const { return subItemView(n).toString(); }
    // Sets sub-item n; a row with fewer sub-items is first filled with empty ones.
    void setSubItem(int n, QStringView text);
    // Appends a sub-item (at most seven).
    void addSubItem(QStringView text);

    // What the key cell holds, from the account without surrounding blanks.
    enum class KeyStatus : uint8_t { Unchecked = 0, Rip = 1, Ccp = 2, Wrong = 3 };

    // Figures derived from the cells. The amounts are read whenever an amount cell is set,
    // so they always stand for the cells: every total, printed figure, file and comparison
    // takes them from here, never from the text again. The key status and the ids are set
    // once the session has taken the line in; the ids name the trimmed name, account/key
    // pair and contract type in that session's dictionaries (-1 for an empty name).
    struct Figures {
        int64_t netCents = 0;   // 0 when the cell does not read
        int64_t yieldCents = 0; // 0 when the cell does not read
        int32_t nameId = -1;
        int32_t pairId = -1;
        int32_t typeId = -1;
        KeyStatus status = KeyStatus::Unchecked;
        // The insurance number is digits but fewer than twelve: stored as a number, it may
        // have lost its leading zeros. Said as a warning, never refused.
        bool shortInsurance = false;
        bool netReadable = true;
        bool yieldReadable = true;
    };
    Figures figures;

    // Same cells (derived figures are not compared).
    bool operator==(const TransferLine &o) const
    {
        return m_data == o.m_data && m_end == o.m_end && m_count == o.m_count;
    }

private:
    QStringView cell(int k) const
    {
        const uint32_t from = k == 0 ? 0 : m_end[k - 1];
        return QStringView(m_data).mid(from, m_end[k] - from);
    }
    void replaceCell(int k, QStringView text);
    // Reads amount sub-item n (Net or Yield) into the figures.
    void readAmount(int n);

    QString m_data;
    std::array<uint32_t, MaxSubItems + 1> m_end{}; // end of the caption, then of each sub-item
    uint8_t m_count = 0;
};
