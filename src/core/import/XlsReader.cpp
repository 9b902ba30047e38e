// The legacy .xls reader: FreeXL reads the cells; FreeXL gives nothing for formula cells, so
// their saved results are taken from the sheet's own FORMULA and STRING records, read from
// the compound file with libgsf.
#include "SheetReaders.h"
#include "WorkbookTexts.h"
#include "model/UserError.h"

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QTime>

#include <freexl.h>
#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-input.h>

#include <cstring>
#include <map>
#include <new>

namespace WorkbookImport
{

namespace
{

uint16_t le16(const unsigned char *p)
{
    return uint16_t(p[0] | p[1] << 8);
}
uint32_t le32(const unsigned char *p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

QString errorText(unsigned char code)
{
    switch (code) {
    case 0x00:
        return QStringLiteral("#NULL!");
    case 0x07:
        return QStringLiteral("#DIV/0!");
    case 0x0F:
        return QStringLiteral("#VALUE!");
    case 0x17:
        return QStringLiteral("#REF!");
    case 0x1D:
        return QStringLiteral("#NAME?");
    case 0x24:
        return QStringLiteral("#NUM!");
    case 0x2A:
        return QStringLiteral("#N/A");
    }
    return QStringLiteral("#%1").arg(code);
}

struct FormulaResult {
    Cell::Kind kind = Cell::Kind::NoValue;
    double number = 0;
    QString text;
};
using FormulaResults = std::map<std::pair<int, int>, FormulaResult>;

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
    if (!stream) stream.reset(gsf_infile_child_by_name(ole.get(), "Book"));
    if (!stream) damaged(path, QStringLiteral("flux Workbook absent"));
    const gsf_off_t size = gsf_input_size(stream.get());
    if (size < 0 || size > (gsf_off_t(1) << 30)) throw std::bad_alloc();
    QByteArray bytes(qsizetype(size), Qt::Uninitialized);
    if (size > 0 &&
        !gsf_input_read(stream.get(), size_t(size), reinterpret_cast<guint8 *>(bytes.data())))
        damaged(path, QStringLiteral("flux Workbook illisible"));
    return bytes;
}

// The saved results of the first worksheet's formulas, by 0-based row and column.
FormulaResults formulaResults(const QString &path)
{
    const QByteArray bytes = workbookStream(path);
    const auto *d = reinterpret_cast<const unsigned char *>(bytes.constData());
    const size_t n = size_t(bytes.size());
    // Walks records from pos; each call to next() gives type, data and length.
    struct Records {
        const unsigned char *d;
        size_t n, pos;
        uint16_t type = 0, len = 0;
        const unsigned char *data = nullptr;
        bool next()
        {
            if (pos + 4 > n) return false;
            type = le16(d + pos);
            len = le16(d + pos + 2);
            if (pos + 4 + len > n) return false;
            data = d + pos + 4;
            pos += 4 + size_t(len);
            return true;
        }
    };
    Records globals{d, n, 0};
    bool biff8 = false;
    int64_t sheetAt = -1;
    while (globals.next()) {
        if (globals.type == 0x0809 && globals.len >= 2 && globals.pos == size_t(4 + globals.len))
            biff8 = le16(globals.data) == 0x0600;
        else if (globals.type == 0x0085 && globals.len >= 6 && globals.data[5] == 0) {
            sheetAt = le32(globals.data);
            break;
        }
    }
    FormulaResults results;
    if (sheetAt < 0 || size_t(sheetAt) >= n) return results;

    Records sheet{d, n, size_t(sheetAt)};
    std::pair<int, int> pendingString{-1, -1};
    while (sheet.next() && sheet.type != 0x000A) {
        if (sheet.type == 0x0006 && sheet.len >= 14) {
            const std::pair<int, int> at{le16(sheet.data), le16(sheet.data + 2)};
            const unsigned char *r = sheet.data + 6;
            FormulaResult result;
            pendingString = {-1, -1};
            if (le16(r + 6) != 0xFFFF) {
                result.kind = Cell::Kind::Number;
                std::memcpy(&result.number, r, sizeof(double));
            } else if (r[0] == 0) {
                pendingString = at; // the text follows in a STRING record
            } else if (r[0] == 1) {
                result.kind = Cell::Kind::Bool;
                result.number = r[2] ? 1 : 0;
            } else if (r[0] == 2) {
                result.kind = Cell::Kind::Error;
                result.text = errorText(r[2]);
            } else if (r[0] == 3) {
                result.kind = Cell::Kind::Text;
            }
            results[at] = result;
        } else if (sheet.type == 0x0207 && pendingString.first >= 0 && sheet.len >= 2) {
            FormulaResult &result = results[pendingString];
            const size_t count = le16(sheet.data);
            QString text;
            size_t at = 2;
            bool wide = false;
            const unsigned char *data = sheet.data;
            size_t len = sheet.len;
            if (biff8 && at < len) wide = data[at++] & 1;
            // A long text goes on in CONTINUE records, each opening with its own width flag.
            while (size_t(text.size()) < count) {
                if (at >= len) {
                    const size_t keep = sheet.pos;
                    if (!sheet.next() || sheet.type != 0x003C || sheet.len < 1) {
                        sheet.pos = keep;
                        break;
                    }
                    data = sheet.data;
                    len = sheet.len;
                    at = 0;
                    if (biff8) wide = data[at++] & 1;
                    continue;
                }
                if (wide) {
                    if (at + 2 > len) break;
                    text += QChar(le16(data + at));
                    at += 2;
                } else {
                    text += QChar(data[at++]);
                }
            }
            if (size_t(text.size()) == count) {
                result.kind = Cell::Kind::Text;
                result.text = text;
            }
            pendingString = {-1, -1};
        }
    }
    return results;
}

} // namespace

SheetCells readXls(const QString &path, const ReadProgress &progress)
{
    struct Handle {
        const void *h = nullptr;
        ~Handle()
        {
            if (h) freexl_close(h);
        }
    } handle;
    const QByteArray name = QFile::encodeName(path);
    const int rc = freexl_open(name.constData(), &handle.h);
    if (rc == FREEXL_INSUFFICIENT_MEMORY) throw std::bad_alloc();
    if (rc != FREEXL_OK) damaged(path, QStringLiteral("FreeXL %1").arg(rc));
    unsigned int info = 0;
    if (freexl_get_info(handle.h, FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK &&
        info == FREEXL_BIFF_OBFUSCATED)
        fail(Texts::Encrypted, path);
    if (freexl_get_info(handle.h, FREEXL_BIFF_SHEET_COUNT, &info) != FREEXL_OK || info == 0)
        fail(Texts::NoSheet, path);
    if (freexl_select_active_worksheet(handle.h, 0) != FREEXL_OK)
        damaged(path, QStringLiteral("feuille 1"));
    unsigned int rows = 0;
    unsigned short columns = 0;
    if (freexl_worksheet_dimensions(handle.h, &rows, &columns) != FREEXL_OK)
        damaged(path, QStringLiteral("dimensions"));

    SheetCells out;
    const char *sheetName = nullptr;
    if (freexl_get_worksheet_name(handle.h, 0, &sheetName) == FREEXL_OK && sheetName)
        out.name = QString::fromUtf8(sheetName);
    const FormulaResults formulas = formulaResults(path);
    SheetBuilder builder(out, path);
    using K = Cell::Kind;
    for (const auto &[at, result] : formulas) {
        if (result.kind == K::Number || result.kind == K::Bool || result.kind == K::NoValue)
            builder.put(at.first, at.second, result.kind, result.number);
        else
            builder.putText(at.first, at.second, result.kind, result.text);
    }
    for (unsigned r = 0; r < rows; ++r) {
        if (progress && rows > 0 && r % 1024 == 0) progress(int(qint64(r) * 1000 / rows));
        for (unsigned short c = 0; c < columns; ++c) {
            FreeXL_CellValue v;
            if (freexl_get_cell_value(handle.h, r, c, &v) != FREEXL_OK ||
                v.type == FREEXL_CELL_NULL || formulas.count({int(r), int(c)}))
                continue;
            switch (v.type) {
            case FREEXL_CELL_INT:
                builder.put(r, c, K::Number, double(v.value.int_value));
                break;
            case FREEXL_CELL_DOUBLE:
                builder.put(r, c, K::Number, v.value.double_value);
                break;
            case FREEXL_CELL_TEXT:
            case FREEXL_CELL_SST_TEXT:
                builder.put(r, c, K::Text, 0, v.value.text_value ? v.value.text_value : "");
                break;
            case FREEXL_CELL_DATE:
            case FREEXL_CELL_DATETIME:
            case FREEXL_CELL_TIME: {
                // "YYYY-MM-DD", "YYYY-MM-DD HH:MM:SS" or "HH:MM:SS".
                const std::string_view iso = v.value.text_value ? v.value.text_value : "";
                QString text = v.type == FREEXL_CELL_TIME
                                   ? QString::fromLatin1(iso.data(), qsizetype(iso.size()))
                                   : isoDateText(iso);
                if (text.isEmpty()) text = QString::fromLatin1(iso.data(), qsizetype(iso.size()));
                builder.putText(r, c, K::Date, text);
                break;
            }
            default:
                break;
            }
        }
    }
    builder.finish();
    return out;
}

} // namespace WorkbookImport
