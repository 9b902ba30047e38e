#include "LineReader.h"

#include "model/UserError.h"

#include <QIODevice>
#include <algorithm>
#include <cstring>

namespace
{

constexpr qsizetype ChunkBytes = 1 << 22;

// Length of the UTF-8 sequence a lead byte starts, or 0 for a byte that cannot lead.
int sequenceLength(uchar c)
{
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) return 2;
    if (c >= 0xE0 && c <= 0xEF) return 3;
    if (c >= 0xF0 && c <= 0xF4) return 4;
    return 0;
}

// Strict UTF-8 to UTF-16 (no overlong forms, no surrogates, nothing above U+10FFFF) of the
// complete sequences in [p, end); returns the number of bytes consumed, or -1 on bad input
// (bad then says where it starts). Runs of ASCII, the bulk of a transfer file, are copied
// eight bytes at a time.
qsizetype decode(const uchar *p, const uchar *end, bool atEnd, QString &out, const uchar *&bad)
{
    out.resize(end - p);
    char16_t *d = reinterpret_cast<char16_t *>(out.data());
    char16_t *const start = d;
    const uchar *const begin = p;
    auto fail = [&] {
        bad = p;
        return qsizetype(-1);
    };
    while (p < end) {
        if (end - p >= 8) {
            quint64 chunk;
            std::memcpy(&chunk, p, 8);
            if ((chunk & 0x8080808080808080ULL) == 0) {
                for (int i = 0; i < 8; ++i)
                    d[i] = p[i];
                d += 8;
                p += 8;
                continue;
            }
        }
        const uchar c = *p;
        if (c < 0x80) {
            *d++ = c;
            ++p;
            continue;
        }
        const int len = sequenceLength(c);
        if (len == 0) return fail();
        if (end - p < len) {
            if (atEnd) return fail();
            break; // completed by the next chunk
        }
        char32_t cp = c & (0x7F >> len);
        for (int i = 1; i < len; ++i) {
            const uchar cc = p[i];
            if ((cc & 0xC0) != 0x80) return fail();
            cp = (cp << 6) | (cc & 0x3F);
        }
        if ((len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
            (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)))
            return fail();
        p += len;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            *d++ = char16_t(0xD800 + (cp >> 10));
            *d++ = char16_t(0xDC00 + (cp & 0x3FF));
        } else {
            *d++ = char16_t(cp);
        }
    }
    out.resize(d - start);
    return p - begin;
}

// Text in UTF-16 or UTF-32: a byte order mark, or, without one, NUL bytes beside most
// characters (no transfer file holds any).
bool looksWide(const uchar *p, qsizetype n)
{
    if (n >= 2 && ((p[0] == 0xFF && p[1] == 0xFE) || (p[0] == 0xFE && p[1] == 0xFF))) return true;
    if (n >= 4 && p[0] == 0 && p[1] == 0 && p[2] == 0xFE && p[3] == 0xFF) return true;
    const qsizetype sample = std::min<qsizetype>(n, 4096);
    qsizetype nuls = 0;
    for (qsizetype i = 0; i < sample; ++i)
        nuls += p[i] == 0;
    return sample >= 2 && nuls * 4 >= sample;
}

// The line breaks in [p, end): CR LF counts once. An LF first is the end of a CR before.
qint64 lineBreaks(const uchar *p, const uchar *end, bool skipLf)
{
    qint64 n = 0;
    if (skipLf && p < end && *p == '\n') ++p;
    for (; p < end; ++p) {
        if (*p == '\n') {
            ++n;
        } else if (*p == '\r') {
            ++n;
            if (p + 1 < end && p[1] == '\n') ++p;
        }
    }
    return n;
}

const QString BadByteAt = QStringLiteral("Fichier « %1 », ligne %2 : %3");
const QString WideText = QStringLiteral(
    "Le fichier « %1 » n’est pas un fichier de virements : son texte est en UTF-16 ou UTF-32, "
    "pas en UTF-8. Rien n’a été importé.");

} // namespace

const QString &LineReader::notUtf8Message()
{
    static const QString text = QStringLiteral(
        "No mapping for the Unicode character exists in the target multi-byte code page");
    return text;
}

LineReader::LineReader(QIODevice &device, QString name) : m_device(device), m_name(std::move(name))
{
}

bool LineReader::fill()
{
    if (m_eof) return false;
    // Never more than what is left of a device of known size, so a small file costs little.
    const qint64 want = m_device.isSequential()
                            ? ChunkBytes
                            : qBound<qint64>(1, m_device.size() - m_device.pos(), ChunkBytes);
    m_raw.resize(m_rawKept + qsizetype(want));
    const qint64 got = m_device.read(m_raw.data() + m_rawKept, want);
    if (got < 0)
        throw UserError(
            QStringLiteral("Cannot read file \"%1\". %2").arg(m_name, m_device.errorString()));
    m_bytesRead += got;
    m_eof = got == 0 || m_device.atEnd();
    const qsizetype have = m_rawKept + qsizetype(got);
    const uchar *p = reinterpret_cast<const uchar *>(m_raw.constData());
    const uchar *end = p + have;
    if (m_first) {
        m_first = false;
        if (looksWide(p, have)) throw UserError(WideText.arg(m_name));
        if (have >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) p += 3;
    }
    const uchar *bad = nullptr;
    const qsizetype used = decode(p, end, m_eof, m_text, bad);
    if (used < 0) {
        // Every line before this chunk has been handed out: the bad byte is on the next one,
        // or as many lines further as there are breaks before it in this chunk.
        const qint64 line = m_lines + 1 + lineBreaks(p, bad, m_skipLf);
        throw UserError(BadByteAt.arg(m_name).arg(line).arg(notUtf8Message()));
    }
    // Keep the bytes of an incomplete sequence for the next chunk.
    const qsizetype consumed = (p - reinterpret_cast<const uchar *>(m_raw.constData())) + used;
    m_rawKept = have - consumed;
    if (m_rawKept > 0) std::memmove(m_raw.data(), m_raw.constData() + consumed, size_t(m_rawKept));
    m_pos = 0;
    return true;
}

bool LineReader::next(QStringView &line)
{
    bool carrying = false;
    m_carry.clear();
    for (;;) {
        if (m_pos >= m_text.size()) {
            if (!fill()) {
                // End of input: a pending partial line is the last line.
                if (carrying) {
                    line = m_carry;
                    return true;
                }
                return false;
            }
            if (m_text.isEmpty() && m_eof) {
                if (carrying) {
                    line = m_carry;
                    return true;
                }
                return false;
            }
        }
        if (m_skipLf) {
            m_skipLf = false;
            if (m_pos < m_text.size() && m_text[m_pos] == u'\n') ++m_pos;
            continue;
        }
        const QChar *d = m_text.constData();
        const qsizetype n = m_text.size();
        qsizetype i = m_pos;
        while (i < n && d[i] != u'\r' && d[i] != u'\n')
            ++i;
        if (i == n) {
            // No break in the rest of this chunk: carry it over.
            m_carry.append(QStringView(d + m_pos, n - m_pos));
            carrying = true;
            m_pos = n;
            continue;
        }
        const QStringView piece(d + m_pos, i - m_pos);
        if (d[i] == u'\r') {
            if (i + 1 < n) {
                m_pos = (d[i + 1] == u'\n') ? i + 2 : i + 1;
            } else {
                m_pos = n;
                m_skipLf = true;
            }
        } else {
            m_pos = i + 1;
        }
        if (carrying) {
            m_carry.append(piece);
            line = m_carry;
        } else {
            line = piece;
        }
        ++m_lines;
        return true;
    }
}
