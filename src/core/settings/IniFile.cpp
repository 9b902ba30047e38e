#include "IniFile.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace
{

// Windows-1252 differs from Latin-1 only in 0x80-0x9F. Its five unassigned bytes keep their C1
// control code points, as Windows reads them, so that no byte is lost.
constexpr char16_t Cp1252From80[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// Windows-1256 from 0x80 to 0xFF. French lower-case accents (à â ç è é ê ë î ï ô ù û ü) are
// where Windows-1252 has them.
constexpr char16_t Cp1256From80[128] = {
    0x20AC, 0x067E, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0679, 0x2039,
    0x0152, 0x0686, 0x0698, 0x0688, 0x06AF, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x06A9, 0x2122, 0x0691, 0x203A, 0x0153, 0x200C, 0x200D, 0x06BA, 0x00A0, 0x060C, 0x00A2, 0x00A3,
    0x00A4, 0x00A5, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x06BE, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x00B9, 0x061B, 0x00BB,
    0x00BC, 0x00BD, 0x00BE, 0x061F, 0x06C1, 0x0621, 0x0622, 0x0623, 0x0624, 0x0625, 0x0626, 0x0627,
    0x0628, 0x0629, 0x062A, 0x062B, 0x062C, 0x062D, 0x062E, 0x062F, 0x0630, 0x0631, 0x0632, 0x0633,
    0x0634, 0x0635, 0x0636, 0x00D7, 0x0637, 0x0638, 0x0639, 0x063A, 0x0640, 0x0641, 0x0642, 0x0643,
    0x00E0, 0x0644, 0x00E2, 0x0645, 0x0646, 0x0647, 0x0648, 0x00E7, 0x00E8, 0x00E9, 0x00EA, 0x00EB,
    0x0649, 0x064A, 0x00EE, 0x00EF, 0x064B, 0x064C, 0x064D, 0x064E, 0x00F4, 0x064F, 0x0650, 0x00F7,
    0x0651, 0x00F9, 0x0652, 0x00FB, 0x00FC, 0x200E, 0x200F, 0x06D2,
};

// An Arabic letter or vowel mark when the byte is read as Windows-1256.
bool isArabicIn1256(uchar b)
{
    return b >= 0x80 && Cp1256From80[b - 0x80] >= 0x0621 && Cp1256From80[b - 0x80] <= 0x06FF;
}

bool isAsciiLetter(uchar b)
{
    const uchar lower = b | 0x20;
    return lower >= 'a' && lower <= 'z';
}

// Arabic written in Windows-1256 comes as words: runs of bytes that are all Arabic letters
// there, between spaces, digits and punctuation. In French written in Windows-1252 the same
// bytes are capitals with accents and rare letters (É, Ç, À, á, ì...), nearly always inside a
// word of plain letters ("CHÉRIF", "LAKHDARI"). So the text counts as Arabic when pairs of
// adjacent Arabic letters outnumber Arabic letters that touch an ASCII letter. One pass.
bool looksLikeCp1256(QByteArrayView bytes)
{
    qsizetype pairs = 0, touching = 0;
    const qsizetype n = bytes.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (!isArabicIn1256(uchar(bytes[i]))) continue;
        if (i + 1 < n && isArabicIn1256(uchar(bytes[i + 1]))) ++pairs;
        if ((i > 0 && isAsciiLetter(uchar(bytes[i - 1]))) ||
            (i + 1 < n && isAsciiLetter(uchar(bytes[i + 1]))))
            ++touching;
    }
    return pairs > touching;
}

QString fromWindowsCodePage(QByteArrayView bytes, bool arabic)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char c : bytes) {
        const uchar b = uchar(c);
        char16_t u = b;
        if (b >= 0x80)
            u = arabic ? Cp1256From80[b - 0x80] : b < 0xA0 ? Cp1252From80[b - 0x80] : char16_t(b);
        *out++ = QChar(u);
    }
    return text;
}

// The length of the valid UTF-8 sequence of two to four bytes at i, or 0.
qsizetype utf8SequenceAt(QByteArrayView bytes, qsizetype i)
{
    const uchar b = uchar(bytes[i]);
    qsizetype n = 0;
    char32_t min = 0, c = 0;
    if (b >= 0xC2 && b <= 0xDF) {
        n = 2, min = 0x80, c = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
        n = 3, min = 0x800, c = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        n = 4, min = 0x10000, c = b & 0x07;
    } else {
        return 0;
    }
    if (i + n > bytes.size()) return 0;
    for (qsizetype k = 1; k < n; ++k) {
        const uchar t = uchar(bytes[i + k]);
        if ((t & 0xC0) != 0x80) return 0;
        c = (c << 6) | (t & 0x3F);
    }
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    return n;
}

bool isUtf8(QByteArrayView bytes)
{
    for (qsizetype i = 0; i < bytes.size();) {
        if (uchar(bytes[i]) < 0x80) {
            ++i;
            continue;
        }
        const qsizetype n = utf8SequenceAt(bytes, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

bool holdsUtf8Sequence(QByteArrayView bytes)
{
    for (qsizetype i = 0; i < bytes.size(); ++i)
        if (uchar(bytes[i]) >= 0x80 && utf8SequenceAt(bytes, i) > 0) return true;
    return false;
}

// UTF-8 characters as such, every other byte in the code page.
QString fromMixed(QByteArrayView bytes, bool arabic)
{
    QString text;
    text.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size();) {
        const qsizetype n = uchar(bytes[i]) < 0x80 ? 0 : utf8SequenceAt(bytes, i);
        if (n > 0) {
            text += QString::fromUtf8(bytes.sliced(i, n));
            i += n;
        } else {
            text += fromWindowsCodePage(bytes.sliced(i, 1), arabic);
            ++i;
        }
    }
    return text;
}

const QString TooLong = QStringLiteral("il dépasse %1 caractères");
const QString BadWideText = QStringLiteral("son texte %1 est endommagé");

} // namespace

IniFile IniFile::load(const QString &path)
{
    IniFile ini;
    QFile f(path);
    if (!f.exists()) return ini;
    if (!f.open(QIODevice::ReadOnly)) {
        ini.m_problem = f.errorString();
        return ini;
    }
    // Any text a save writes takes at most three bytes per UTF-16 unit, after a byte order
    // mark; a longer file is not one of ours.
    const qsizetype maxBytes = 3 * MaxTextLength + 4;
    const QByteArray bytes = f.read(maxBytes + 1);
    if (f.error() != QFileDevice::NoError) {
        ini.m_problem = f.errorString();
        return ini;
    }
    if (bytes.size() > maxBytes) {
        ini.m_problem = TooLong.arg(MaxTextLength);
        return ini;
    }
    ini = fromBytes(bytes);
    if (ini.m_problem.isEmpty() && ini.toText().size() > MaxTextLength + 1) {
        ini = IniFile();
        ini.m_problem = TooLong.arg(MaxTextLength);
    }
    return ini;
}

IniFile IniFile::fromBytes(const QByteArray &bytes)
{
    IniFile ini;
    const std::optional<QStringConverter::Encoding> marked =
        QStringConverter::encodingForData(bytes);
    if (marked && *marked != QStringConverter::Utf8) {
        QStringDecoder wide(*marked, QStringDecoder::Flag::Stateless);
        QString text = wide(bytes);
        // Written back whole in its encoding: only a text that encodes to the very same bytes
        // keeps every other line as it was.
        QStringEncoder back(*marked, QStringEncoder::Flag::WriteBom);
        // A NUL character is no settings text, and right after a UTF-16LE mark it would make
        // the saved file read back as UTF-32.
        if (wide.hasError() || text.contains(QChar(0)) || QByteArray(back(text)) != bytes) {
            ini.m_problem =
                BadWideText.arg(QString::fromLatin1(QStringConverter::nameForEncoding(*marked)));
            return ini;
        }
        ini = parse(text);
        ini.m_wide = marked;
        return ini;
    }
    // Lines, each with its own bytes.
    QList<QByteArrayView> raws;
    for (qsizetype at = 0; at < bytes.size();) {
        qsizetype end = bytes.indexOf('\n', at);
        end = end < 0 ? bytes.size() : end + 1;
        raws.append(QByteArrayView(bytes).sliced(at, end - at));
        at = end;
    }
    for (qsizetype k = 0; k < raws.size(); ++k) {
        QByteArrayView raw = raws[k];
        Line line;
        line.raw = raw.toByteArray();
        if (raw.endsWith('\n')) {
            raw.chop(1);
            line.eol = QStringLiteral("\n");
            if (raw.endsWith('\r')) {
                raw.chop(1);
                line.eol = QStringLiteral("\r\n");
            }
        }
        if (k == 0 && raw.startsWith("\xEF\xBB\xBF")) raw = raw.sliced(3);
        // A line is UTF-8, or UTF-8 with a few stray bytes (it holds UTF-8 characters), or
        // in a code page, Arabic or not by its own bytes. Each line is told apart alone, so
        // that rewriting one never changes how another reads.
        if (isUtf8(raw))
            line.text = QString::fromUtf8(raw);
        else if (holdsUtf8Sequence(raw))
            line.text = fromMixed(raw, looksLikeCp1256(raw));
        else
            line.text = fromWindowsCodePage(raw, looksLikeCp1256(raw));
        ini.m_lines.append(std::move(line));
    }
    ini.reindex();
    return ini;
}

IniFile IniFile::parse(const QString &text)
{
    IniFile ini;
    QStringView body = text;
    if (body.startsWith(QChar(0xFEFF))) body = body.sliced(1);
    for (qsizetype at = 0; at < body.size();) {
        qsizetype end = body.indexOf(u'\n', at);
        Line line;
        QStringView t = body.sliced(at, (end < 0 ? body.size() : end) - at);
        if (end >= 0) {
            line.eol = QStringLiteral("\n");
            if (t.endsWith(u'\r')) {
                t.chop(1);
                line.eol = QStringLiteral("\r\n");
            }
        }
        line.text = t.toString();
        line.raw = (line.text + line.eol).toUtf8();
        ini.m_lines.append(std::move(line));
        at = end < 0 ? body.size() : end + 1;
    }
    ini.reindex();
    return ini;
}

IniFile::Parsed IniFile::parseLine(const QString &line)
{
    const QString t = line.trimmed();
    if (t.startsWith(u'[') && t.endsWith(u']') && t.size() >= 2)
        return {Kind::Header, t.mid(1, t.size() - 2).trimmed(), {}};
    const qsizetype eq = line.indexOf(u'=');
    const QString key = eq > 0 ? line.left(eq).trimmed() : QString();
    // A line without a key (blank before "=") is kept as it was, like a comment.
    if (!key.isEmpty() && !t.startsWith(u';')) return {Kind::Entry, key, line.mid(eq + 1)};
    return {};
}

void IniFile::reindex()
{
    m_values.clear();
    QString section; // case-folded; lines before any header belong to no section
    for (const Line &line : std::as_const(m_lines)) {
        const Parsed p = parseLine(line.text);
        if (p.kind == Kind::Header) {
            section = p.name.toCaseFolded();
        } else if (p.kind == Kind::Entry && !section.isEmpty()) {
            // The first occurrence counts, also when a section header is repeated.
            std::pair<QString, QString> key{section, p.name.toCaseFolded()};
            if (!m_values.contains(key)) m_values.emplace(std::move(key), p.value);
        }
    }
}

QString IniFile::readString(const QString &section, const QString &key, const QString &def) const
{
    const auto it = m_values.constFind({section.toCaseFolded(), key.toCaseFolded()});
    return it == m_values.cend() ? def : *it;
}

int IniFile::readInteger(const QString &section, const QString &key, int def) const
{
    bool ok = false;
    const int v = readString(section, key).trimmed().toInt(&ok);
    return ok ? v : def;
}

QString IniFile::newLineEnd() const
{
    for (const Line &line : m_lines)
        if (!line.eol.isEmpty()) return line.eol;
    return QStringLiteral("\r\n");
}

void IniFile::replaceSection(const QString &section, const Entries &entries)
{
    const QString eol = newLineEnd();
    QList<Line> fresh;
    auto add = [&fresh, &eol](const QString &text) {
        Line line{{}, text, eol};
        line.raw = (text + eol).toUtf8();
        fresh.append(std::move(line));
    };
    add(u'[' + section + u']');
    for (const auto &[key, value] : entries)
        add(key + u'=' + value);

    QList<Line> out;
    bool placed = false;
    for (qsizetype i = 0; i < m_lines.size();) {
        const Parsed p = parseLine(m_lines[i].text);
        if (p.kind != Kind::Header || p.name.compare(section, Qt::CaseInsensitive) != 0) {
            out.append(m_lines[i++]);
            continue;
        }
        // The section runs to the next header; its closing blank lines stay.
        qsizetype end = i + 1;
        while (end < m_lines.size() && parseLine(m_lines[end].text).kind != Kind::Header)
            ++end;
        qsizetype blanks = end;
        while (blanks > i + 1 && m_lines[blanks - 1].text.trimmed().isEmpty())
            --blanks;
        if (!placed) {
            out += fresh;
            placed = true;
        }
        for (qsizetype k = blanks; k < end; ++k)
            out.append(m_lines[k]);
        i = end;
    }
    if (!placed) {
        // The last line gets its line end before the section follows it.
        // A last line ending in a lone CR takes CRLF: a bare LF would join that CR into one
        // line end and the line would read back without it.
        if (!out.isEmpty() && out.last().eol.isEmpty()) {
            const QString end = out.last().text.endsWith(u'\r') ? QStringLiteral("\r\n") : eol;
            out.last().eol = end;
            out.last().raw += end.toUtf8();
        }
        out += fresh;
    }
    m_lines = std::move(out);
    reindex();
}

QString IniFile::toText() const
{
    QString out;
    for (const Line &line : m_lines)
        out += line.text + line.eol;
    return out;
}

QByteArray IniFile::toBytes() const
{
    if (m_wide) {
        QStringEncoder encoder(*m_wide, QStringEncoder::Flag::WriteBom);
        return encoder(toText());
    }
    QByteArray out;
    for (const Line &line : m_lines)
        out += line.raw;
    return out;
}
