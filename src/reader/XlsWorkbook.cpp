// The legacy .xls workbook's globals: the Workbook stream taken from the compound file with
// libgsf, texts that go on in CONTINUE records, the shared string table, and the globals
// substream (date mode, number formats, cell formats, the sheet list).
#include "SheetReaders.h"
#include "XlsRecords.h"
#include "import/WorkbookTexts.h"
#include "model/UserError.h"

#include <QFile>

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-input.h>

#include <algorithm>
#include <map>
#include <memory>
#include <new>

namespace WorkbookImport::Xls
{

namespace
{

// The shared string table: the SST record and the CONTINUE records after it, read as one
// run of bytes whose record boundaries matter only inside a string's characters.
class SharedStrings
{
public:
    void add(const unsigned char *data, size_t len) { m_parts.push_back({data, len}); }

    // False when the table is cut short or malformed.
    bool read(std::vector<QString> &out)
    {
        if (m_parts.empty()) return true;
        uint32_t total = 0, unique = 0;
        if (!u32(total) || !u32(unique)) return false;
        size_t bytes = 0;
        for (const auto &p : m_parts)
            bytes += p.second;
        out.reserve(std::min<size_t>(unique, bytes / 3));
        for (uint32_t i = 0; i < unique; ++i) {
            uint16_t count = 0;
            uint8_t flags = 0;
            if (!u16(count) || !byte(flags)) return false;
            uint16_t runs = 0;
            uint32_t extra = 0;
            if ((flags & 0x08) && !u16(runs)) return false;
            if ((flags & 0x04) && !u32(extra)) return false;
            QString text;
            text.reserve(count);
            bool wide = flags & 1;
            for (uint16_t c = 0; c < count; ++c) {
                if (m_at >= m_parts[m_part].second) {
                    // The characters go on in the next record, after their own width flag.
                    if (!advance()) return false;
                    uint8_t f = 0;
                    if (!byte(f)) return false;
                    wide = f & 1;
                }
                if (wide) {
                    uint16_t unit = 0;
                    if (!u16(unit)) return false;
                    text += QChar(unit);
                } else {
                    uint8_t unit = 0;
                    if (!byte(unit)) return false;
                    text += QChar(char16_t(unit));
                }
            }
            if (!skip(size_t(runs) * 4 + extra)) return false;
            out.push_back(std::move(text));
        }
        return true;
    }

private:
    bool advance()
    {
        if (m_part + 1 >= m_parts.size()) return false;
        ++m_part;
        m_at = 0;
        return true;
    }
    bool byte(uint8_t &v)
    {
        while (m_at >= m_parts[m_part].second)
            if (!advance()) return false;
        v = m_parts[m_part].first[m_at++];
        return true;
    }
    bool u16(uint16_t &v)
    {
        uint8_t a = 0, b = 0;
        if (!byte(a) || !byte(b)) return false;
        v = uint16_t(a | b << 8);
        return true;
    }
    bool u32(uint32_t &v)
    {
        uint16_t a = 0, b = 0;
        if (!u16(a) || !u16(b)) return false;
        v = uint32_t(a) | uint32_t(b) << 16;
        return true;
    }
    bool skip(size_t n)
    {
        while (n > 0) {
            while (m_at >= m_parts[m_part].second)
                if (!advance()) return false;
            const size_t step = std::min(n, m_parts[m_part].second - m_at);
            m_at += step;
            n -= step;
        }
        return true;
    }

    std::vector<std::pair<const unsigned char *, size_t>> m_parts;
    size_t m_part = 0, m_at = 0;
};

// A short text of the globals (a sheet name, a number format): count characters after a
// width flag, or empty when it does not fit.
QString shortText(const unsigned char *p, size_t len, size_t count)
{
    if (len < 1) return QString();
    const bool wide = p[0] & 1;
    ++p, --len;
    if (count * (wide ? 2 : 1) > len) return QString();
    QString text;
    text.reserve(qsizetype(count));
    for (size_t i = 0; i < count; ++i)
        text += wide ? QChar(le16(p + 2 * i)) : QChar(char16_t(p[i]));
    return text;
}

} // namespace

// The workbook stream of the compound file, whole.
QByteArray workbookStream(const QString &path)
{
    struct Unref {
        void operator()(gpointer p) const
        {
            if (p) g_object_unref(p);
        }
    };
    GError *error = nullptr;
    std::unique_ptr<GsfInput, Unref> input(
        gsf_input_stdio_new(QFile::encodeName(path).constData(), &error));
    if (error) g_error_free(error), error = nullptr;
    if (!input) damaged(path, QStringLiteral("fichier composé illisible"));
    std::unique_ptr<GsfInfile, Unref> ole(gsf_infile_msole_new(input.get(), &error));
    if (error) g_error_free(error), error = nullptr;
    if (!ole) damaged(path, QStringLiteral("fichier composé illisible"));
    std::unique_ptr<GsfInput, Unref> stream(gsf_infile_child_by_name(ole.get(), "Workbook"));
    if (!stream) {
        // Excel 5 and 95 named the stream "Book" and wrote BIFF5, which is not read.
        std::unique_ptr<GsfInput, Unref> old(gsf_infile_child_by_name(ole.get(), "Book"));
        if (old) fail(Texts::OldXls(), path);
        fail(Texts::NotWorkbook(), path);
    }
    const gsf_off_t size = gsf_input_size(stream.get());
    if (size < 0 || size > (gsf_off_t(1) << 30)) throw std::bad_alloc();
    QByteArray bytes(qsizetype(size), Qt::Uninitialized);
    if (size > 0 &&
        !gsf_input_read(stream.get(), size_t(size), reinterpret_cast<guint8 *>(bytes.data())))
        damaged(path, QStringLiteral("flux Workbook illisible"));
    return bytes;
}

// A text whose characters may go on in CONTINUE records, each of those opening with the
// width flag of the characters it holds. Reads count characters from data[at] on, taking
// CONTINUE records from records as needed; false when they run out first.
bool continuedText(Records &records, const unsigned char *data, size_t len, size_t at, bool wide,
                   size_t count, QString &text)
{
    text.clear();
    text.reserve(qsizetype(count));
    while (size_t(text.size()) < count) {
        if (at >= len) {
            if (records.peek() != Continue || !records.next() || records.len < 1) return false;
            data = records.data;
            len = records.len;
            wide = data[0] & 1;
            at = 1;
            continue;
        }
        if (wide) {
            if (at + 2 > len) return false;
            text += QChar(le16(data + at));
            at += 2;
        } else {
            text += QChar(char16_t(data[at++]));
        }
    }
    return true;
}

Globals readGlobals(Records &r, const QString &path)
{
    if (!r.next() || r.type != Bof || r.len < 4)
        fail(r.type == 0x0009 || r.type == 0x0209 || r.type == 0x0409 ? Texts::OldXls()
                                                                      : Texts::NotWorkbook(),
             path);
    if (le16(r.data) != 0x0600) fail(Texts::OldXls(), path);
    if (le16(r.data + 2) != 0x0005) damaged(path, QStringLiteral("en-tête du classeur"));
    Globals g;
    std::map<uint16_t, bool> formats;
    std::vector<uint16_t> xfFormats;
    SharedStrings sst;
    bool sawSst = false, ended = false;
    while (!ended && r.next()) {
        switch (r.type) {
        case FilePass:
            fail(Texts::Encrypted(), path);
        case DateMode:
            if (r.len >= 2) g.date1904 = le16(r.data) != 0;
            break;
        case Format:
            if (r.len >= 5)
                formats[le16(r.data)] = dateFormatCode(
                    shortText(r.data + 4, r.len - 4, le16(r.data + 2)).toStdString());
            break;
        case Xf:
            if (r.len >= 4) xfFormats.push_back(le16(r.data + 2));
            break;
        case BoundSheet:
            if (r.len < 8) damaged(path, QStringLiteral("liste des feuilles"));
            g.sheets.push_back(
                {le32(r.data), r.data[5], shortText(r.data + 7, r.len - 7, r.data[6])});
            break;
        case Sst:
            if (sawSst) damaged(path, QStringLiteral("table des chaînes répétée"));
            sawSst = true;
            sst.add(r.data, r.len);
            while (r.peek() == Continue && r.next())
                sst.add(r.data, r.len);
            break;
        case Eof:
            ended = true;
            break;
        default:
            break;
        }
    }
    if (!ended) damaged(path, QStringLiteral("classeur tronqué"));
    if (!sst.read(g.strings)) damaged(path, QStringLiteral("table des chaînes"));
    g.xfIsDate.reserve(xfFormats.size());
    for (uint16_t f : xfFormats) {
        const auto it = formats.find(f);
        g.xfIsDate.push_back(it != formats.end() ? it->second : builtInDateFormat(f));
    }
    return g;
}

// Whether the substream at offset is a worksheet: a dialog sheet shares its sheet type but
// says what it is in its WSBOOL record.
bool isWorksheet(const Records &stream, uint32_t offset)
{
    Records r{stream.d, stream.n, offset};
    if (!r.next() || r.type != Bof || r.len < 4 || le16(r.data + 2) != 0x0010) return false;
    while (r.next() && r.type != Eof && r.type != Bof) {
        if (r.type == WsBool && r.len >= 1) return !(r.data[0] & 0x10);
        if (r.type == Dimensions) break; // WSBOOL comes before the cells
    }
    return true;
}

} // namespace WorkbookImport::Xls
