#pragma once

#include <QHash>
#include <QStringView>
#include <memory>
#include <vector>

// Gives each distinct text a small number, so that counting duplicates over a million
// lines is counting integers. The texts are copied once into large blocks that never move,
// so the dictionary's keys stay valid whatever happens to the lines they came from.
class TextDictionary final
{
public:
    int intern(QStringView text)
    {
        const auto it = m_ids.constFind(text);
        if (it != m_ids.cend())
            return it.value();
        const QStringView kept = keep(text);
        const int id = int(m_texts.size());
        m_texts.push_back(kept);
        m_ids.insert(kept, id);
        return id;
    }
    QStringView text(int id) const { return m_texts[size_t(id)]; }
    int size() const { return int(m_texts.size()); }
    void reserve(qsizetype n) { m_ids.reserve(n); }

private:
    static constexpr qsizetype BlockChars = 1 << 16;

    QStringView keep(QStringView text)
    {
        if (text.isEmpty())
            return QStringView(u"", 0);
        if (m_blocks.empty() || m_used + text.size() > m_blockSize) {
            m_blockSize = std::max(BlockChars, text.size());
            m_blocks.push_back(std::make_unique<QChar[]>(size_t(m_blockSize)));
            m_used = 0;
        }
        QChar *to = m_blocks.back().get() + m_used;
        std::copy(text.begin(), text.end(), to);
        m_used += text.size();
        return QStringView(to, text.size());
    }

    QHash<QStringView, int> m_ids;
    std::vector<QStringView> m_texts;
    std::vector<std::unique_ptr<QChar[]>> m_blocks;
    qsizetype m_used = 0;
    qsizetype m_blockSize = 0;
};
