#include "TransferLine.h"

#include "AmountText.h"

#include <algorithm>

TransferLine::TransferLine(QStringView caption, QStringView account, QStringView key,
                           QStringView net, QStringView yield, QStringView insurance,
                           QStringView name, QStringView contractType)
{
    const QStringView cells[] = {caption, account, key, net, yield, insurance, name, contractType};
    qsizetype total = 0;
    for (const auto &c : cells)
        total += c.size();
    // One block of the exact size, filled in place: a million lines are built this way on
    // an import, and appending cell by cell cost a third of it.
    m_data = QString(total, Qt::Uninitialized);
    QChar *to = m_data.data();
    for (int k = 0; k < 8; ++k) {
        to = std::copy(cells[k].begin(), cells[k].end(), to);
        m_end[k] = uint32_t(to - m_data.constData());
    }
    m_count = MaxSubItems;
    readAmount(Net);
    readAmount(Yield);
}

void TransferLine::readAmount(int n)
{
    long long cents = 0;
    const bool readable = readAmountCents(subItemView(n), cents);
    if (n == Net) {
        figures.netReadable = readable;
        figures.netCents = readable ? cents : 0;
    } else {
        figures.yieldReadable = readable;
        figures.yieldCents = readable ? cents : 0;
    }
}

void TransferLine::replaceCell(int k, QStringView text)
{
    const uint32_t from = k == 0 ? 0 : m_end[k - 1];
    const uint32_t oldLen = m_end[k] - from;
    if (QStringView(m_data).mid(from, oldLen) == text) return;
    m_data.replace(from, oldLen, text.toString());
    const int64_t delta = int64_t(text.size()) - int64_t(oldLen);
    for (int j = k; j <= MaxSubItems; ++j)
        m_end[j] = uint32_t(int64_t(m_end[j]) + delta);
}

void TransferLine::setSubItem(int n, QStringView text)
{
    if (n < 0 || n >= MaxSubItems) return;
    while (m_count <= n)
        addSubItem(QStringView());
    replaceCell(n + 1, text);
    if (n == Net || n == Yield) readAmount(n);
}

void TransferLine::addSubItem(QStringView text)
{
    if (m_count >= MaxSubItems) return;
    ++m_count;
    // Cells after the last one are empty and end where the data ends.
    for (int j = m_count; j <= MaxSubItems; ++j)
        m_end[j] = uint32_t(m_data.size());
    replaceCell(m_count, text);
    if (m_count - 1 == Net || m_count - 1 == Yield) readAmount(m_count - 1);
}
