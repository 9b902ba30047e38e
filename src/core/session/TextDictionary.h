#pragma once

#include <QHashFunctions>
#include <QStringView>
#include <algorithm>
#include <bit>
#include <cstring>
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
        if ((m_texts.size() + 1) * 2 > m_slots.size())
            rehash(std::max<size_t>(64, m_slots.size() * 2));
        const quint64 h = hashOf(text);
        const quint32 tag = quint32(h >> 32);
        const size_t mask = m_slots.size() - 1;
        for (size_t at = size_t(h) & mask;; at = (at + 1) & mask) {
            Slot &s = m_slots[at];
            if (s.id < 0) {
                const int id = int(m_texts.size());
                m_texts.push_back(keep(text));
                s = {tag, id};
                return id;
            }
            if (s.tag == tag && m_texts[size_t(s.id)] == text) return s.id;
        }
    }
    QStringView text(int id) const { return m_texts[size_t(id)]; }
    int size() const { return int(m_texts.size()); }
    // Most lists repeat names and contract types: the table grows with the distinct texts,
    // not with the lines, so only the list of texts takes the hint.
    void reserve(qsizetype n) { m_texts.reserve(size_t(std::min<qsizetype>(n, 1 << 16))); }

private:
    static constexpr qsizetype BlockChars = 1 << 16;

    // Open addressing with linear probing, at most half full; each slot keeps 32 bits of the
    // text's hash, so that a probe compares texts only when those agree.
    struct Slot {
        quint32 tag = 0;
        int id = -1; // -1: empty
    };

    // Eight bytes at a time, multiply and shift; seeded per process as Qt's own hashes are,
    // so that a file cannot be made to collide on purpose.
    static quint64 hashOf(QStringView text)
    {
        const char *p = reinterpret_cast<const char *>(text.data());
        size_t n = size_t(text.size()) * sizeof(QChar);
        quint64 h = 0x9E3779B97F4A7C15ULL ^ quint64(QHashSeed::globalSeed()) ^ n;
        auto mix = [&h](quint64 v) {
            h = (h ^ v) * 0xBF58476D1CE4E5B9ULL;
            h ^= h >> 31;
        };
        for (; n >= 8; p += 8, n -= 8) {
            quint64 v;
            std::memcpy(&v, p, 8);
            mix(v);
        }
        if (n) {
            quint64 v = 0;
            std::memcpy(&v, p, n);
            mix(v);
        }
        h *= 0x94D049BB133111EBULL;
        return h ^ (h >> 29);
    }

    void rehash(size_t count)
    {
        std::vector<Slot> table(count);
        const size_t mask = count - 1;
        for (size_t id = 0; id < m_texts.size(); ++id) {
            const quint64 h = hashOf(m_texts[id]);
            size_t at = size_t(h) & mask;
            while (table[at].id >= 0)
                at = (at + 1) & mask;
            table[at] = {quint32(h >> 32), int(id)};
        }
        m_slots.swap(table);
    }

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

    std::vector<Slot> m_slots;
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
            if ((m_packedCount + 1) * 2 > m_slots.size()) rehash(m_slots.size() * 2);
            const size_t mask = m_slots.size() - 1;
            for (size_t at = slotOf(code, mask);; at = (at + 1) & mask) {
                Slot &s = m_slots[at];
                if (s.id < 0) {
                    s = Slot(code, size());
                    ++m_packedCount;
                    m_codes.push_back(code);
                    return s.id;
                }
                if (s.code() == code) return s.id;
            }
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
    void reserve(qsizetype n)
    {
        if (size_t(n) * 2 > m_slots.size()) rehash(std::bit_ceil(size_t(n) * 2));
    }

private:
    static constexpr quint64 TextFlag = quint64(1) << 63;

    // Packed pairs are found in one flat table, open addressing with linear probing, kept at
    // most half full: a look-up mostly reads one slot. Over a million accounts the table no
    // longer fits the caches, and a hash map of separate nodes costs a second miss per probe.
    // Twelve bytes: the code in two halves, so that no padding follows the id.
    struct Slot {
        Slot() = default;
        Slot(quint64 code, int i) : low(quint32(code)), high(quint32(code >> 32)), id(i) {}
        quint64 code() const { return (quint64(high) << 32) | low; }
        quint32 low = 0, high = 0;
        int id = -1; // -1: empty
    };
    static size_t slotOf(quint64 code, size_t mask)
    {
        // Every bit of the code moves the slot: accounts often differ in a few digits only.
        code ^= code >> 31;
        code *= 0x9E3779B97F4A7C15ULL;
        return size_t(code ^ (code >> 29)) & mask;
    }
    void rehash(size_t count)
    {
        count = std::max<size_t>(count, 64);
        std::vector<Slot> old(count);
        old.swap(m_slots);
        const size_t mask = count - 1;
        for (const Slot &s : old) {
            if (s.id < 0) continue;
            size_t at = slotOf(s.code(), mask);
            while (m_slots[at].id >= 0)
                at = (at + 1) & mask;
            m_slots[at] = s;
        }
    }

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

    std::vector<Slot> m_slots;
    size_t m_packedCount = 0;
    TextDictionary m_texts;
    std::vector<int> m_textPairs; // pair id of each text
    std::vector<quint64> m_codes; // packed pair, or TextFlag and the text's number
};
