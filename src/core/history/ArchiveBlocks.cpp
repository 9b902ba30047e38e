#include "ArchiveBlocks.h"

#include <algorithm>
#include <cstring>

namespace ArchiveBlocks
{

namespace
{

constexpr char LineFormat = 1;
constexpr char IndexFormat = 1;

void putUnsigned(QByteArray &out, uint64_t v)
{
    while (v >= 0x80) {
        out += char(uchar(v) | 0x80);
        v >>= 7;
    }
    out += char(v);
}

void putSigned(QByteArray &out, int64_t v)
{
    putUnsigned(out, (uint64_t(v) << 1) ^ uint64_t(v >> 63));
}

void putText(QByteArray &out, QStringView text)
{
    // Room for the worst case, then the byte count written in front of the bytes.
    const qsizetype start = out.size();
    const qsizetype most = text.size() * 3;
    out.resize(start + 5 + most);
    char *bytes = out.data() + start + 5;
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() &&
            QChar::isLowSurrogate(text[i + 1].unicode())) {
            c = QChar::surrogateToUcs4(char16_t(c), text[++i].unicode());
        } else if (QChar::isSurrogate(c)) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            bytes[n++] = char(c);
        } else if (c < 0x800) {
            bytes[n++] = char(0xC0 | (c >> 6));
            bytes[n++] = char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            bytes[n++] = char(0xE0 | (c >> 12));
            bytes[n++] = char(0x80 | ((c >> 6) & 0x3F));
            bytes[n++] = char(0x80 | (c & 0x3F));
        } else {
            bytes[n++] = char(0xF0 | (c >> 18));
            bytes[n++] = char(0x80 | ((c >> 12) & 0x3F));
            bytes[n++] = char(0x80 | ((c >> 6) & 0x3F));
            bytes[n++] = char(0x80 | (c & 0x3F));
        }
    }
    QByteArray count;
    putUnsigned(count, uint64_t(n));
    std::memmove(out.data() + start + count.size(), bytes, size_t(n));
    std::memcpy(out.data() + start, count.constData(), size_t(count.size()));
    out.resize(start + count.size() + n);
}

// Reads a block front to back; any read past its end or any impossible value throws.
class Reader
{
public:
    explicit Reader(QByteArrayView block) : m_at(block.data()), m_end(block.data() + block.size())
    {
    }
    bool atEnd() const { return m_at == m_end; }
    char byte()
    {
        if (m_at == m_end) throw DamagedBlock();
        return *m_at++;
    }
    uint64_t number()
    {
        uint64_t v = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            const uchar b = uchar(byte());
            v |= uint64_t(b & 0x7F) << shift;
            if (!(b & 0x80)) return v;
        }
        throw DamagedBlock();
    }
    int64_t signedNumber()
    {
        const uint64_t v = number();
        return int64_t(v >> 1) ^ -int64_t(v & 1);
    }
    QByteArrayView bytes()
    {
        const uint64_t n = number();
        if (n > uint64_t(m_end - m_at)) throw DamagedBlock();
        const QByteArrayView v(m_at, qsizetype(n));
        m_at += n;
        return v;
    }
    QString text() { return QString::fromUtf8(bytes()); }
    void skipText() { bytes(); }

private:
    const char *m_at;
    const char *m_end;
};

int lineCountOf(Reader &r)
{
    if (r.byte() != LineFormat) throw DamagedBlock();
    const uint64_t count = r.number();
    if (count > uint64_t(LinesPerBlock)) throw DamagedBlock();
    return int(count);
}

ArchivedLine nextLine(Reader &r)
{
    ArchivedLine l;
    l.netCents = r.signedNumber();
    l.rendCents = r.signedNumber();
    l.caption = r.text();
    l.account = r.text();
    l.key = r.text();
    l.insurance = r.text();
    l.name = r.text();
    l.contractType = r.text();
    return l;
}

void skipLine(Reader &r)
{
    r.number();
    r.number();
    for (int k = 0; k < 6; ++k)
        r.skipText();
}

} // namespace

QByteArray accountKey(QStringView account)
{
    QStringView bare = account.trimmed();
    while (bare.size() > 1 && bare.front() == u'0')
        bare = bare.sliced(1);
    return bare.toUtf8();
}

void appendLine(QByteArray &body, const ArchivedLineView &line)
{
    putSigned(body, line.netCents);
    putSigned(body, line.rendCents);
    for (QStringView text :
         {line.caption, line.account, line.key, line.insurance, line.name, line.contractType})
        putText(body, text);
}

QByteArray lineBlock(QByteArrayView body, int count)
{
    QByteArray block;
    block.reserve(body.size() + 4);
    block += LineFormat;
    putUnsigned(block, uint64_t(count));
    block += body;
    return block;
}

std::vector<ArchivedLine> readLines(QByteArrayView block)
{
    Reader r(block);
    const int count = lineCountOf(r);
    std::vector<ArchivedLine> lines;
    lines.reserve(size_t(count));
    for (int i = 0; i < count; ++i)
        lines.push_back(nextLine(r));
    if (!r.atEnd()) throw DamagedBlock();
    return lines;
}

ArchivedLine readLine(QByteArrayView block, int index)
{
    Reader r(block);
    const int count = lineCountOf(r);
    if (index < 0 || index >= count) throw DamagedBlock();
    for (int i = 0; i < index; ++i)
        skipLine(r);
    return nextLine(r);
}

void IndexBuilder::reserve(size_t lines, size_t bytes)
{
    m_entries.reserve(lines);
    m_keys.reserve(qsizetype(bytes));
}

void IndexBuilder::add(QByteArrayView key, uint32_t position)
{
    if (key.isEmpty()) return;
    m_entries.push_back({uint32_t(m_keys.size()), uint32_t(key.size()), position});
    m_keys += key;
}

std::vector<IndexBlock> IndexBuilder::blocks()
{
    const char *keys = m_keys.constData();
    auto keyOf = [keys](const Entry &e) { return QByteArrayView(keys + e.offset, e.size); };
    // Byte order, as the databases compare BLOB and BYTEA values.
    std::sort(m_entries.begin(), m_entries.end(), [&keyOf](const Entry &a, const Entry &b) {
        const int c = keyOf(a).compare(keyOf(b));
        return c != 0 ? c < 0 : a.position < b.position;
    });
    std::vector<IndexBlock> out;
    for (size_t from = 0; from < m_entries.size(); from += EntriesPerIndexBlock) {
        const size_t to = std::min(m_entries.size(), from + size_t(EntriesPerIndexBlock));
        IndexBlock b;
        b.firstKey = keyOf(m_entries[from]).toByteArray();
        b.lastKey = keyOf(m_entries[to - 1]).toByteArray();
        b.entries += IndexFormat;
        putUnsigned(b.entries, to - from);
        for (size_t i = from; i < to; ++i) {
            const QByteArrayView key = keyOf(m_entries[i]);
            putUnsigned(b.entries, uint64_t(key.size()));
            b.entries += key;
            putUnsigned(b.entries, m_entries[i].position);
        }
        out.push_back(std::move(b));
    }
    return out;
}

std::vector<uint32_t> positionsOf(QByteArrayView block, QByteArrayView key)
{
    Reader r(block);
    if (r.byte() != IndexFormat) throw DamagedBlock();
    const uint64_t count = r.number();
    if (count > uint64_t(EntriesPerIndexBlock)) throw DamagedBlock();
    std::vector<uint32_t> found;
    for (uint64_t i = 0; i < count; ++i) {
        const QByteArrayView k = r.bytes();
        const uint64_t position = r.number();
        if (position > UINT32_MAX) throw DamagedBlock();
        if (k == key) found.push_back(uint32_t(position));
    }
    if (!r.atEnd()) throw DamagedBlock();
    return found;
}

std::vector<int> namesContaining(QByteArrayView namesBlock, QByteArrayView needle)
{
    std::vector<int> found;
    if (needle.isEmpty()) return found;
    const char *begin = namesBlock.data();
    const char *end = begin + namesBlock.size();
    int line = 0;
    const char *lineStart = begin;
    for (qsizetype at = namesBlock.indexOf(needle); at >= 0;
         at = namesBlock.indexOf(needle, at + 1)) {
        const char *match = begin + at;
        // Count the line ends passed since the last match.
        for (const char *nl; (nl = static_cast<const char *>(
                                  std::memchr(lineStart, '\n', size_t(match - lineStart))));) {
            ++line;
            lineStart = nl + 1;
        }
        // A needle never holds '\n', so a match lies within one name.
        if (found.empty() || found.back() != line) found.push_back(line);
        // The rest of this name cannot add another line.
        const char *nl = static_cast<const char *>(std::memchr(match, '\n', size_t(end - match)));
        if (!nl) break;
        at = nl - begin;
        lineStart = nl + 1;
        ++line;
    }
    return found;
}

} // namespace ArchiveBlocks
