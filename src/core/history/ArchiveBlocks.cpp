#include "ArchiveBlocks.h"

#include <algorithm>
#include <cstring>

namespace ArchiveBlocks
{

namespace
{

constexpr char LineFormat = 1;
constexpr char IndexFormat = 1;

// Writes v in 7-bit groups, low first; returns the bytes written (at most 10).
int encodeUnsigned(char *out, uint64_t v)
{
    int n = 0;
    while (v >= 0x80) {
        out[n++] = char(uchar(v) | 0x80);
        v >>= 7;
    }
    out[n++] = char(v);
    return n;
}

void putUnsigned(QByteArray &out, uint64_t v)
{
    char bytes[10];
    out.append(bytes, encodeUnsigned(bytes, v));
}

// Writes text as UTF-8 at out (room for three bytes per unit); returns the bytes written.
qsizetype encodeUtf8(char *out, QStringView text)
{
    qsizetype n = 0;
    const qsizetype size = text.size();
    const char16_t *units = text.utf16();
    for (qsizetype i = 0; i < size; ++i) {
        char32_t c = units[i];
        if (c < 0x80) {
            out[n++] = char(c);
            continue;
        }
        if (QChar::isHighSurrogate(c) && i + 1 < size && QChar::isLowSurrogate(units[i + 1])) {
            c = QChar::surrogateToUcs4(char16_t(c), units[++i]);
        } else if (QChar::isSurrogate(c)) {
            c = 0xFFFD;
        }
        if (c < 0x800) {
            out[n++] = char(0xC0 | (c >> 6));
            out[n++] = char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out[n++] = char(0xE0 | (c >> 12));
            out[n++] = char(0x80 | ((c >> 6) & 0x3F));
            out[n++] = char(0x80 | (c & 0x3F));
        } else {
            out[n++] = char(0xF0 | (c >> 18));
            out[n++] = char(0x80 | ((c >> 12) & 0x3F));
            out[n++] = char(0x80 | ((c >> 6) & 0x3F));
            out[n++] = char(0x80 | (c & 0x3F));
        }
    }
    return n;
}

// Makes room for more bytes after the end of out and returns where they go; the caller
// gives the end it reached to finish().
char *room(QByteArray &out, qsizetype more)
{
    const qsizetype start = out.size();
    if (out.capacity() < start + more) out.reserve(std::max(2 * out.capacity(), start + more));
    out.resize(start + more);
    return out.data() + start;
}

void finish(QByteArray &out, const char *end)
{
    out.resize(end - out.constData());
}

// Writes text as UTF-8 after its byte count; returns the end. Room: 10 + 3 * size bytes.
char *writeText(char *out, QStringView text)
{
    // The count of an ASCII text is its length: most are written in place at once. Otherwise
    // the bytes are written after room for the longest count and moved up to it.
    const qsizetype most = 3 * text.size();
    char count[10];
    const int reserved = encodeUnsigned(count, uint64_t(most));
    const qsizetype n = encodeUtf8(out + reserved, text);
    const int used = encodeUnsigned(count, uint64_t(n));
    if (used != reserved) std::memmove(out + used, out + reserved, size_t(n));
    std::memcpy(out, count, size_t(used));
    return out + used + n;
}

// Reads a block front to back; any read past its end or any impossible value throws.
class Reader
{
public:
    explicit Reader(QByteArrayView block) : m_at(block.data()), m_end(block.data() + block.size())
    {
    }
    bool atEnd() const { return m_at == m_end; }
    qsizetype offsetIn(QByteArrayView block) const { return m_at - block.data(); }
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
    l.yieldCents = r.signedNumber();
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

QStringView accountKeyText(QStringView account)
{
    QStringView bare = account.trimmed();
    while (bare.size() > 1 && bare.front() == u'0')
        bare = bare.sliced(1);
    return bare;
}

QByteArray accountKey(QStringView account)
{
    return accountKeyText(account).toUtf8();
}

void appendName(QByteArray &names, QStringView folded)
{
    char *start = room(names, 3 * folded.size() + 1);
    char *end = start + encodeUtf8(start, folded);
    // One name per line: a line end inside one would shift every name after it.
    std::replace(start, end, '\n', ' ');
    *end++ = '\n';
    finish(names, end);
}

void appendLine(QByteArray &body, const ArchivedLineView &line)
{
    const QStringView texts[] = {line.caption,   line.account, line.key,
                                 line.insurance, line.name,    line.contractType};
    qsizetype most = 20;
    for (QStringView text : texts)
        most += 10 + 3 * text.size();
    char *o = room(body, most);
    o += encodeUnsigned(o, (uint64_t(line.netCents) << 1) ^ uint64_t(line.netCents >> 63));
    o += encodeUnsigned(o, (uint64_t(line.yieldCents) << 1) ^ uint64_t(line.yieldCents >> 63));
    for (QStringView text : texts)
        o = writeText(o, text);
    finish(body, o);
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

std::vector<qsizetype> lineStarts(QByteArrayView block)
{
    Reader r(block);
    const int count = lineCountOf(r);
    std::vector<qsizetype> starts;
    starts.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        starts.push_back(r.offsetIn(block));
        skipLine(r);
    }
    if (!r.atEnd()) throw DamagedBlock();
    return starts;
}

ArchivedLine readLineAt(QByteArrayView block, qsizetype start)
{
    if (start < 0 || start >= block.size()) throw DamagedBlock();
    Reader r(block.sliced(start));
    return nextLine(r);
}

uint32_t bucketOf(QByteArrayView key)
{
    // FNV-1a: the same bucket on every machine and in every version.
    uint32_t h = 2166136261u;
    for (const char c : key) {
        h ^= uchar(c);
        h *= 16777619u;
    }
    return h % uint32_t(Buckets);
}

void KeyBuckets::reserve(size_t lines, size_t bytes)
{
    m_entries.reserve(lines);
    m_keys.reserve(qsizetype(bytes));
}

void KeyBuckets::add(QStringView key, uint32_t position)
{
    if (key.isEmpty()) return;
    char *start = room(m_keys, 3 * key.size());
    const qsizetype size = encodeUtf8(start, key);
    finish(m_keys, start + size);
    m_entries.push_back({uint32_t(start - m_keys.constData()), uint32_t(size), position,
                         bucketOf(QByteArrayView(start, size))});
}

std::vector<KeyBucket> KeyBuckets::buckets() const
{
    // One pass to size each bucket, one to fill them; lines stay in their order within one.
    std::vector<qsizetype> bytes(Buckets, 0);
    std::vector<uint32_t> counts(Buckets, 0);
    for (const Entry &e : m_entries) {
        bytes[e.bucket] += 15 + e.size;
        ++counts[e.bucket];
    }
    std::vector<KeyBucket> out(Buckets);
    std::vector<char *> at(Buckets, nullptr);
    for (int b = 0; b < Buckets; ++b) {
        out[size_t(b)].bucket = b;
        if (!counts[size_t(b)]) continue;
        char *o = room(out[size_t(b)].entries, 11 + bytes[size_t(b)]);
        *o++ = IndexFormat;
        o += encodeUnsigned(o, counts[size_t(b)]);
        at[size_t(b)] = o;
    }
    const char *keys = m_keys.constData();
    for (const Entry &e : m_entries) {
        char *&o = at[e.bucket];
        o += encodeUnsigned(o, e.size);
        std::memcpy(o, keys + e.offset, e.size);
        o += e.size;
        o += encodeUnsigned(o, e.position);
    }
    for (int b = 0; b < Buckets; ++b)
        if (counts[size_t(b)]) finish(out[size_t(b)].entries, at[size_t(b)]);
    std::erase_if(out, [](const KeyBucket &b) { return b.entries.isEmpty(); });
    return out;
}

std::vector<uint32_t> positionsOf(QByteArrayView bucket, QByteArrayView key)
{
    Reader r(bucket);
    if (r.byte() != IndexFormat) throw DamagedBlock();
    const uint64_t count = r.number();
    if (count > uint64_t(bucket.size())) throw DamagedBlock();
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
