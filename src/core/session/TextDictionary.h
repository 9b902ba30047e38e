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
        if (it != m_ids.cend()) return it.value();
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
        if (text.isEmpty()) return QStringView(u"", 0);
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

// Gives each distinct account/key pair a small number. Pairs of digits (the usual case) are
// packed into 64 bits, the length of each part included so that leading zeros count; other
// pairs are kept as "account/key" texts.
class PairDictionary final
{
public:
    int intern(QStringView account, QStringView key)
    {
        quint64 code = 0;
        if (pack(account, key, code)) {
            const auto it = m_packed.constFind(code);
            if (it != m_packed.cend()) return it.value();
            const int id = size();
            m_packed.insert(code, id);
            m_codes.push_back(code);
            return id;
        }
        const QString text = account.toString() + u'/' + key;
        const int t = m_texts.intern(text);
        if (t == int(m_textPairs.size())) {
            m_textPairs.push_back(size());
            m_codes.push_back(TextFlag | quint64(t));
        }
        return m_textPairs[size_t(t)];
    }
    // "account/key".
    QString text(int id) const
    {
        const quint64 code = m_codes[size_t(id)];
        if (code & TextFlag) return m_texts.text(int(code & ~TextFlag)).toString();
        const int accountLength = int(code >> 59);
        const quint64 account = (code >> 9) & ((quint64(1) << 50) - 1);
        const int keyLength = int((code >> 7) & 3);
        QString s = accountLength ? QString::number(account).rightJustified(accountLength, u'0')
                                  : QString();
        s += u'/';
        if (keyLength) s += QString::number(code & 127).rightJustified(keyLength, u'0');
        return s;
    }
    int size() const { return int(m_codes.size()); }
    void reserve(qsizetype n) { m_packed.reserve(n); }

private:
    static constexpr quint64 TextFlag = quint64(1) << 63;

    static bool pack(QStringView account, QStringView key, quint64 &code)
    {
        if (account.size() > 15 || key.size() > 2) return false;
        quint64 a = 0, k = 0;
        for (QChar c : account) {
            const unsigned d = unsigned(c.unicode()) - u'0';
            if (d > 9) return false;
            a = a * 10 + d;
        }
        for (QChar c : key) {
            const unsigned d = unsigned(c.unicode()) - u'0';
            if (d > 9) return false;
            k = k * 10 + d;
        }
        code = (quint64(account.size()) << 59) | (a << 9) | (quint64(key.size()) << 7) | k;
        return true;
    }

    QHash<quint64, int> m_packed;
    TextDictionary m_texts;
    std::vector<int> m_textPairs; // pair id of each text
    std::vector<quint64> m_codes; // packed pair, or TextFlag and the text's number
};
