#include "IniFile.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

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

// UTF-8 when the bytes are valid UTF-8; UTF-16 or UTF-32 when they start with its byte order
// mark; else the Windows code page an older copy of the file was saved in.
QString decode(const QByteArray &bytes)
{
    const std::optional<QStringConverter::Encoding> marked =
        QStringConverter::encodingForData(bytes);
    if (marked && *marked != QStringConverter::Utf8) {
        QStringDecoder wide(*marked, QStringDecoder::Flag::Stateless);
        return wide(bytes);
    }
    // Stateless: a sequence cut short at the end is an error, not a character left pending.
    QStringDecoder utf8(QStringConverter::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError()) return text;
    return fromWindowsCodePage(bytes, looksLikeCp1256(bytes));
}

} // namespace

IniFile IniFile::load(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return IniFile();
    // Any text save() accepts takes at most three bytes per UTF-16 unit, after a byte order
    // mark; a longer file is not one of ours.
    const qsizetype maxBytes = 3 * MaxTextLength + 4;
    const QByteArray bytes = f.read(maxBytes + 1);
    if (bytes.size() > maxBytes) return IniFile();
    QString text = decode(bytes);
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
    if (text.size() > MaxTextLength) return IniFile();
    return parse(text);
}

IniFile IniFile::parse(const QString &text)
{
    IniFile ini;
    ini.m_sections.append(Section{QString(), {}});
    QString body = text;
    if (body.startsWith(QChar(0xFEFF))) body.remove(0, 1);
    const QStringList lines = body.split(u'\n');
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(u'\r')) line.chop(1);
        if (i == lines.size() - 1 && line.isEmpty()) break;
        const QString t = line.trimmed();
        if (t.startsWith(u'[') && t.endsWith(u']')) {
            ini.m_sections.append(Section{t.mid(1, t.size() - 2).trimmed(), {}});
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        const QString key = eq > 0 ? line.left(eq).trimmed() : QString();
        // A line without a key (blank before "=") is kept as it was, like a comment.
        if (!key.isEmpty() && !t.startsWith(u';'))
            ini.m_sections.last().entries.append(Entry{key, line.mid(eq + 1), {}});
        else
            ini.m_sections.last().entries.append(Entry{{}, {}, line});
    }
    ini.reindex();
    return ini;
}

void IniFile::reindex()
{
    m_firstSection.clear();
    m_firstEntry.clear();
    for (qsizetype s = 0; s < m_sections.size(); ++s) {
        const Section &section = m_sections[s];
        if (section.name.isEmpty()) continue;
        const QString name = section.name.toCaseFolded();
        if (!m_firstSection.contains(name)) m_firstSection.insert(name, s);
        for (qsizetype e = 0; e < section.entries.size(); ++e) {
            if (section.entries[e].key.isEmpty()) continue;
            FoldedKey key{name, section.entries[e].key.toCaseFolded()};
            if (!m_firstEntry.contains(key)) m_firstEntry.insert(std::move(key), Place{s, e});
        }
    }
}

QString IniFile::readString(const QString &section, const QString &key, const QString &def) const
{
    // The first occurrence counts, also when a section header is repeated.
    const auto it = m_firstEntry.constFind(FoldedKey{section.toCaseFolded(), key.toCaseFolded()});
    return it == m_firstEntry.cend() ? def : m_sections[it->section].entries[it->entry].value;
}

int IniFile::readInteger(const QString &section, const QString &key, int def) const
{
    bool ok = false;
    const int v = readString(section, key).trimmed().toInt(&ok);
    return ok ? v : def;
}

void IniFile::writeString(const QString &section, const QString &key, const QString &value)
{
    // Into the first section of that name, made when there is none; a key already there is
    // updated, any other is appended to it and becomes the one read.
    const QString name = section.toCaseFolded();
    const auto found = section.isEmpty() ? m_firstSection.cend() : m_firstSection.constFind(name);
    qsizetype s = 0;
    if (found != m_firstSection.cend()) {
        s = *found;
    } else {
        m_sections.append(Section{section, {}});
        s = m_sections.size() - 1;
        if (!section.isEmpty()) m_firstSection.insert(name, s);
    }
    QList<Entry> &entries = m_sections[s].entries;
    FoldedKey folded{name, key.toCaseFolded()};
    const auto at = m_firstEntry.constFind(folded);
    if (at != m_firstEntry.cend() && at->section == s) {
        entries[at->entry].value = value;
        return;
    }
    entries.append(Entry{key, value, {}});
    if (!section.isEmpty() && !key.isEmpty())
        m_firstEntry.insert(std::move(folded), Place{s, entries.size() - 1});
}

void IniFile::eraseSection(const QString &section)
{
    if (section.isEmpty()) return;
    m_sections.removeIf(
        [&](const Section &s) { return s.name.compare(section, Qt::CaseInsensitive) == 0; });
    reindex();
}

QString IniFile::toText() const
{
    QString out;
    for (const Section &s : m_sections) {
        if (!s.name.isEmpty()) out += u'[' + s.name + QStringLiteral("]\r\n");
        for (const Entry &e : s.entries)
            out += (e.key.isEmpty() ? e.raw : e.key + u'=' + e.value) + QStringLiteral("\r\n");
    }
    return out;
}

bool IniFile::save(const QString &path) const
{
    const QString text = toText();
    if (text.size() > MaxTextLength) return false;
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    const QByteArray bytes = text.toUtf8();
    return f.write(bytes) == bytes.size() && f.commit();
}
