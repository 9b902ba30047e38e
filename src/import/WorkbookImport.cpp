#include "WorkbookImport.h"

#include "model/AmountText.h"
#include "model/UserError.h"

#include <QDate>
#include <QDir>
#include <QDataStream>
#include <QFile>
#include <QFileInfo>
#include <QTime>

#include <freexl.h>
#ifdef Q_OS_UNIX
#include <cerrno>
#include <sys/wait.h>
#include <unistd.h>
#endif
#include <orcus/exception.hpp>
#include <orcus/format_detection.hpp>
#include <orcus/orcus_ods.hpp>
#include <orcus/orcus_xlsx.hpp>
#include <orcus/spreadsheet/import_interface.hpp>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <new>

namespace WorkbookImport
{

namespace
{

// Texts shown to the clerk by the workbook import.
namespace Texts
{
const QString FileNotFound = QStringLiteral("File not found: ");
const QString CannotOpen = QStringLiteral("Impossible d’ouvrir le classeur « %1 » : %2");
const QString NotWorkbook = QStringLiteral(
    "Le fichier « %1 » n’est pas un classeur lisible (.xlsx, .xls ou .ods) ou il est endommagé.");
const QString Damaged =
    QStringLiteral("Le classeur « %1 » est endommagé ou incomplet et n’a pas pu être lu (%2).");
const QString Encrypted = QStringLiteral("Le classeur « %1 » est protégé par un mot de passe. "
                                         "Enregistrez-le sans mot de passe puis importez-le.");
const QString TooLarge = QStringLiteral(
    "Le classeur « %1 » est trop volumineux pour être importé (contenu décompressé de plus de "
    "%2 Mo, ou feuille de plus de 1 048 576 lignes).");
const QString NoSheet = QStringLiteral("Le classeur « %1 » ne contient aucune feuille.");
const QString NoRows = QStringLiteral(
    "La première feuille du classeur « %1 » ne contient aucune ligne de données (les données "
    "commencent à la ligne 2, sous la ligne des en-têtes). La liste n’a pas été modifiée.");
const QString BadAmount = QStringLiteral(
    "Import annulé : dans le classeur « %1 », ligne %2 de la feuille, colonne %3 (%4), "
    "« %5 » n’est pas un montant. La liste n’a pas été modifiée.");
const QString True = QStringLiteral("VRAI");
const QString False = QStringLiteral("FAUX");
} // namespace Texts

const char *const ColumnNames[Columns] = {"Compte", "CLE/RIP",   "Net",        "Rendement",
                                          "NumAss", "NomPrenom", "TypeContrat"};

// Decompressed parts of a zip workbook are held in memory by the reader: their declared
// sizes are checked first, so a small damaged or hostile file cannot claim gigabytes.
constexpr qint64 MaxUnzippedTotal = qint64(1) << 30;
constexpr qint64 MaxUnzippedSmallEntry = qint64(64) << 20;
constexpr qint64 MaxInflation = 100; // beyond 64 MiB, an entry may grow this many times

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

[[noreturn]] void fail(const QString &pattern, const QString &path)
{
    throw UserError(pattern.arg(shown(path)));
}

[[noreturn]] void damaged(const QString &path, const QString &detail)
{
    throw UserError(Texts::Damaged.arg(shown(path), detail));
}

[[noreturn]] void tooLarge(const QString &path)
{
    throw UserError(Texts::TooLarge.arg(shown(path)).arg(MaxUnzippedTotal >> 20));
}

uint32_t le32(const char *p)
{
    const auto *u = reinterpret_cast<const unsigned char *>(p);
    return uint32_t(u[0]) | uint32_t(u[1]) << 8 | uint32_t(u[2]) << 16 | uint32_t(u[3]) << 24;
}
uint16_t le16(const char *p)
{
    const auto *u = reinterpret_cast<const unsigned char *>(p);
    return uint16_t(u[0] | u[1] << 8);
}

// Walks the zip central directory and checks the sizes it declares.
void checkZip(const QByteArray &bytes, const QString &path)
{
    const qsizetype n = bytes.size();
    const char *d = bytes.constData();
    qsizetype eocd = -1;
    for (qsizetype i = n - 22; i >= 0 && i >= n - 22 - 65535; --i) {
        if (le32(d + i) == 0x06054b50u) {
            eocd = i;
            break;
        }
    }
    if (eocd < 0) damaged(path, QStringLiteral("fin d’archive absente"));
    const uint16_t count = le16(d + eocd + 10);
    const uint32_t cdOffset = le32(d + eocd + 16);
    if (count == 0xFFFF || cdOffset == 0xFFFFFFFFu) tooLarge(path);
    qint64 total = 0;
    qsizetype p = cdOffset;
    for (int e = 0; e < count; ++e) {
        if (p < 0 || p + 46 > n || le32(d + p) != 0x02014b50u)
            damaged(path, QStringLiteral("répertoire d’archive illisible"));
        const qint64 packed = le32(d + p + 20);
        const qint64 size = le32(d + p + 24);
        const qint64 local = le32(d + p + 42);
        const uint16_t method = le16(d + p + 10);
        // The reader sizes its buffers from these fields: each part must lie inside the file.
        if (local + 30 + packed > n || (method != 0 && method != 8))
            damaged(path, QStringLiteral("répertoire d’archive incohérent"));
        if (size == 0xFFFFFFFFu || packed == 0xFFFFFFFFu ||
            (size > MaxUnzippedSmallEntry && size > packed * MaxInflation))
            tooLarge(path);
        total += size;
        if (total > MaxUnzippedTotal) tooLarge(path);
        p += 46 + le16(d + p + 28) + le16(d + p + 30) + le16(d + p + 32);
    }
}

bool startsWith(const QByteArray &bytes, const char *magic, int len)
{
    return bytes.size() >= len && std::memcmp(bytes.constData(), magic, size_t(len)) == 0;
}

// --- collecting cells from liborcus ---

namespace ss = orcus::spreadsheet;
namespace iface = orcus::spreadsheet::iface;

// Built-in number formats of the .xlsx format that show dates or times.
bool builtInDateFormat(size_t id)
{
    return (id >= 14 && id <= 22) || (id >= 27 && id <= 36) || (id >= 45 && id <= 47) ||
           (id >= 50 && id <= 58);
}

// A number format code shows a date or time when it holds y, m, d, h or s outside quoted
// text, escaped characters and bracketed parts (colours, locales).
bool dateFormatCode(std::string_view code)
{
    for (size_t i = 0; i < code.size(); ++i) {
        const char c = code[i];
        if (c == '"') {
            const size_t end = code.find('"', i + 1);
            if (end == std::string_view::npos) return false;
            i = end;
        } else if (c == '[') {
            const size_t end = code.find(']', i + 1);
            if (end == std::string_view::npos) return false;
            // [h], [mm] and [ss] are elapsed times.
            const std::string_view inner = code.substr(i + 1, end - i - 1);
            if (!inner.empty() && std::strchr("hHmMsS", inner[0]) &&
                inner.find_first_not_of(inner[0]) == std::string_view::npos)
                return true;
            i = end;
        } else if (c == '\\' || c == '_' || c == '*') {
            ++i;
        } else if (std::strchr("yYmMdDhHsS", c)) {
            return true;
        }
    }
    return false;
}

class Styles final : public iface::import_styles
{
public:
    // Number format of a cell format: true when it shows a date or time.
    bool isDate(size_t xf) const
    {
        if (xf >= m_xfNumberFormat.size()) return false;
        const size_t id = m_xfNumberFormat[xf];
        const auto it = m_codes.find(id);
        return it != m_codes.end() ? it->second : builtInDateFormat(id);
    }

    void set_number_format_identifier(size_t id) override { m_pendingId = id; }
    void set_number_format_code(std::string_view s) override { m_pendingCode = dateFormatCode(s); }
    size_t commit_number_format() override
    {
        m_codes[m_pendingId] = m_pendingCode;
        m_pendingCode = false;
        return m_count++;
    }
    void set_xf_number_format(size_t index) override { m_xfPending = index; }
    size_t commit_cell_xf() override
    {
        if (m_xfNumberFormat.size() < (size_t(1) << 24)) m_xfNumberFormat.push_back(m_xfPending);
        m_xfPending = 0;
        return m_xfNumberFormat.size() - 1;
    }
    size_t commit_cell_style_xf() override
    {
        m_xfPending = 0;
        return 0;
    }
    size_t commit_dxf() override
    {
        m_xfPending = 0;
        return 0;
    }

    // Everything else about styles is of no use to the import.
    void set_font_count(size_t) override {}
    void set_font_bold(bool) override {}
    void set_font_italic(bool) override {}
    void set_font_name(std::string_view) override {}
    void set_font_size(double) override {}
    void set_font_underline(ss::underline_t) override {}
    void set_font_underline_width(ss::underline_width_t) override {}
    void set_font_underline_mode(ss::underline_mode_t) override {}
    void set_font_underline_type(ss::underline_type_t) override {}
    void set_font_underline_color(ss::color_elem_t, ss::color_elem_t, ss::color_elem_t,
                                  ss::color_elem_t) override
    {
    }
    void set_font_color(ss::color_elem_t, ss::color_elem_t, ss::color_elem_t,
                        ss::color_elem_t) override
    {
    }
    void set_strikethrough_style(ss::strikethrough_style_t) override {}
    void set_strikethrough_type(ss::strikethrough_type_t) override {}
    void set_strikethrough_width(ss::strikethrough_width_t) override {}
    void set_strikethrough_text(ss::strikethrough_text_t) override {}
    size_t commit_font() override { return 0; }
    void set_fill_count(size_t) override {}
    void set_fill_pattern_type(ss::fill_pattern_t) override {}
    void set_fill_fg_color(ss::color_elem_t, ss::color_elem_t, ss::color_elem_t,
                           ss::color_elem_t) override
    {
    }
    void set_fill_bg_color(ss::color_elem_t, ss::color_elem_t, ss::color_elem_t,
                           ss::color_elem_t) override
    {
    }
    size_t commit_fill() override { return 0; }
    void set_border_count(size_t) override {}
    void set_border_style(ss::border_direction_t, ss::border_style_t) override {}
    void set_border_color(ss::border_direction_t, ss::color_elem_t, ss::color_elem_t,
                          ss::color_elem_t, ss::color_elem_t) override
    {
    }
    void set_border_width(ss::border_direction_t, double, orcus::length_unit_t) override {}
    size_t commit_border() override { return 0; }
    void set_cell_hidden(bool) override {}
    void set_cell_locked(bool) override {}
    void set_cell_print_content(bool) override {}
    void set_cell_formula_hidden(bool) override {}
    size_t commit_cell_protection() override { return 0; }
    void set_number_format_count(size_t) override {}
    void set_cell_xf_count(size_t) override {}
    void set_cell_style_xf_count(size_t) override {}
    void set_dxf_count(size_t) override {}
    void set_xf_font(size_t) override {}
    void set_xf_fill(size_t) override {}
    void set_xf_border(size_t) override {}
    void set_xf_protection(size_t) override {}
    void set_xf_style_xf(size_t) override {}
    void set_xf_apply_alignment(bool) override {}
    void set_xf_horizontal_alignment(ss::hor_alignment_t) override {}
    void set_xf_vertical_alignment(ss::ver_alignment_t) override {}
    void set_cell_style_count(size_t) override {}
    void set_cell_style_name(std::string_view) override {}
    void set_cell_style_xf(size_t) override {}
    void set_cell_style_builtin(size_t) override {}
    void set_cell_style_parent_name(std::string_view) override {}
    size_t commit_cell_style() override { return 0; }

private:
    std::map<size_t, bool> m_codes; // number format id -> shows a date
    std::vector<size_t> m_xfNumberFormat;
    size_t m_pendingId = 0, m_xfPending = 0, m_count = 0;
    bool m_pendingCode = false;
};

class Strings final : public iface::import_shared_strings
{
public:
    explicit Strings(std::vector<QString> &texts) : m_texts(texts) {}

    size_t append(std::string_view s) override { return push(s); }
    size_t add(std::string_view s) override { return push(s); }
    void set_segment_font(size_t) override {}
    void set_segment_bold(bool) override {}
    void set_segment_italic(bool) override {}
    void set_segment_font_name(std::string_view) override {}
    void set_segment_font_size(double) override {}
    void set_segment_font_color(ss::color_elem_t, ss::color_elem_t, ss::color_elem_t,
                                ss::color_elem_t) override
    {
    }
    void append_segment(std::string_view s) override
    {
        m_segments.append(s.data(), qsizetype(s.size()));
    }
    size_t commit_segments() override
    {
        const size_t i = push(std::string_view(m_segments.constData(), size_t(m_segments.size())));
        m_segments.clear();
        return i;
    }

    size_t push(std::string_view s)
    {
        m_texts.push_back(QString::fromUtf8(s.data(), qsizetype(s.size())));
        return m_texts.size() - 1;
    }

private:
    std::vector<QString> &m_texts;
    QByteArray m_segments;
};

struct Format {
    int32_t row, col;
    uint32_t xf;
};

struct FormatRange {
    int32_t row1, col1, row2, col2;
    uint32_t xf;
};

// The first sheet: keeps columns 1 to 7 and the last row holding a value.
class FirstSheet final : public iface::import_sheet
{
public:
    class Formula final : public iface::import_formula
    {
    public:
        explicit Formula(FirstSheet &sheet) : m_sheet(sheet) {}
        void set_position(ss::row_t row, ss::col_t col) override
        {
            m_row = row;
            m_col = col;
            m_cell = Cell();
        }
        void set_formula(ss::formula_grammar_t, std::string_view) override {}
        void set_shared_formula_index(size_t) override {}
        void set_result_string(std::string_view value) override
        {
            m_cell = {Cell::Kind::Text, 0, m_sheet.addText(value)};
        }
        void set_result_value(double value) override { m_cell = {Cell::Kind::Number, value, -1}; }
        void set_result_bool(bool value) override
        {
            m_cell = {Cell::Kind::Bool, value ? 1.0 : 0.0, -1};
        }
        void set_result_empty() override { m_cell = Cell(); }
        void commit() override { m_sheet.put(m_row, m_col, m_cell); }

    private:
        FirstSheet &m_sheet;
        ss::row_t m_row = 0;
        ss::col_t m_col = 0;
        Cell m_cell;
    };

    class ArrayFormula final : public iface::import_array_formula
    {
    public:
        explicit ArrayFormula(FirstSheet &sheet) : m_sheet(sheet) {}
        void set_range(const ss::range_t &) override {}
        void set_formula(ss::formula_grammar_t, std::string_view) override {}
        void set_result_string(ss::row_t row, ss::col_t col, std::string_view value) override
        {
            m_sheet.put(row, col, {Cell::Kind::Text, 0, m_sheet.addText(value)});
        }
        void set_result_value(ss::row_t row, ss::col_t col, double value) override
        {
            m_sheet.put(row, col, {Cell::Kind::Number, value, -1});
        }
        void set_result_bool(ss::row_t row, ss::col_t col, bool value) override
        {
            m_sheet.put(row, col, {Cell::Kind::Bool, value ? 1.0 : 0.0, -1});
        }
        void set_result_empty(ss::row_t, ss::col_t) override {}
        void commit() override {}

    private:
        FirstSheet &m_sheet;
    };

    explicit FirstSheet(SheetCells &out) : m_out(out), m_formula(*this), m_array(*this) {}

    iface::import_formula *get_formula() override { return &m_formula; }
    iface::import_array_formula *get_array_formula() override { return &m_array; }

    void set_auto(ss::row_t row, ss::col_t col, std::string_view s) override
    {
        put(row, col, {Cell::Kind::Text, 0, addText(s)});
    }
    void set_string(ss::row_t row, ss::col_t col, ss::string_id_t sindex) override
    {
        // The shared strings may arrive after the sheet: the reference is kept as -2 - index
        // and resolved at the end.
        put(row, col,
            {Cell::Kind::Text, 0, -2 - int32_t(std::min<ss::string_id_t>(sindex, INT32_MAX - 2))});
    }
    void set_value(ss::row_t row, ss::col_t col, double value) override
    {
        put(row, col, {Cell::Kind::Number, value, -1});
    }
    void set_bool(ss::row_t row, ss::col_t col, bool value) override
    {
        put(row, col, {Cell::Kind::Bool, value ? 1.0 : 0.0, -1});
    }
    void set_date_time(ss::row_t row, ss::col_t col, int year, int month, int day, int hour,
                       int minute, double second) override
    {
        const QDate date(year, month, day);
        const QTime time(hour, minute, std::clamp(int(second), 0, 59));
        QString text = date.isValid() ? date.toString(QStringLiteral("dd/MM/yyyy")) : QString();
        if (time.isValid() && time != QTime(0, 0))
            text += (text.isEmpty() ? QString() : QStringLiteral(" ")) +
                    time.toString(QStringLiteral("hh:mm:ss"));
        put(row, col, {Cell::Kind::Date, 0, addText(text)});
    }
    void set_format(ss::row_t row, ss::col_t col, size_t xf) override
    {
        if (row >= 1 && col >= 0 && col < Columns && row < MaxRows)
            m_formats.push_back({row, col, uint32_t(std::min<size_t>(xf, UINT32_MAX))});
    }
    void set_format(ss::row_t row1, ss::col_t col1, ss::row_t row2, ss::col_t col2,
                    size_t xf) override
    {
        if (col1 < Columns && col2 >= 0 && row2 >= 1 && m_ranges.size() < 100000)
            m_ranges.push_back(
                {row1, col1, row2, col2, uint32_t(std::min<size_t>(xf, UINT32_MAX))});
    }
    void fill_down_cells(ss::row_t row, ss::col_t col, ss::row_t count) override
    {
        if (col < 0 || col >= Columns || row < 0 || count <= 0)
            return touch(row + std::max(count, 0));
        // The cell last put at (row, col) is repeated below it.
        Cell cell;
        for (auto it = m_out.entries.rbegin(); it != m_out.entries.rend(); ++it) {
            if (it->row == row && it->col == col) {
                cell = it->cell;
                break;
            }
        }
        if (cell.kind == Cell::Kind::Empty) return;
        const ss::row_t last = std::min<ss::row_t>(row + count, MaxRows);
        for (ss::row_t r = row + 1; r <= last; ++r)
            put(r, col, cell);
    }
    ss::range_size_t get_sheet_size() const override { return {MaxRows, 16384}; }

    int32_t addText(std::string_view s)
    {
        return addText(QString::fromUtf8(s.data(), qsizetype(s.size())));
    }
    int32_t addText(const QString &s)
    {
        m_out.texts.push_back(s);
        return int32_t(m_out.texts.size() - 1);
    }

    void put(ss::row_t row, ss::col_t col, const Cell &cell)
    {
        if (row < 0 || col < 0) return;
        touch(row);
        if (row >= 1 && col < Columns && cell.kind != Cell::Kind::Empty) {
            if (!m_out.entries.empty()) {
                const Entry &last = m_out.entries.back();
                if (row < last.row || (row == last.row && col <= last.col)) m_unordered = true;
            }
            m_out.entries.push_back({row, uint8_t(col), cell});
        }
    }

    void touch(ss::row_t row)
    {
        if (row >= MaxRows)
            m_tooLarge = true;
        else if (row > m_out.lastRow)
            m_out.lastRow = row;
    }

    // Sorts the cells, keeps the last value given to a position, marks dated numbers and
    // checks the string references. Returns false when the sheet is too large or damaged.
    bool finish(const Styles &styles, int originYear, int originMonth, int originDay,
                const std::vector<QString> &shared, QString &problem)
    {
        if (m_tooLarge) {
            problem = QStringLiteral("too large");
            return false;
        }
        auto &e = m_out.entries;
        if (m_unordered) {
            std::stable_sort(e.begin(), e.end(), [](const Entry &a, const Entry &b) {
                return a.row != b.row ? a.row < b.row : a.col < b.col;
            });
            // Of several values given to one position, the last one counts.
            size_t w = 0;
            for (size_t i = 0; i < e.size(); ++i) {
                if (w > 0 && e[w - 1].row == e[i].row && e[w - 1].col == e[i].col)
                    e[w - 1] = e[i];
                else
                    e[w++] = e[i];
            }
            e.resize(w);
        }
        std::sort(m_formats.begin(), m_formats.end(), [](const Format &a, const Format &b) {
            return a.row != b.row ? a.row < b.row : a.col < b.col;
        });
        for (Entry &entry : e) {
            if (entry.cell.kind == Cell::Kind::Text && entry.cell.text <= -2) {
                const size_t index = size_t(-2 - int64_t(entry.cell.text));
                if (index >= shared.size()) {
                    problem = QStringLiteral("chaîne partagée %1 absente").arg(index);
                    return false;
                }
                m_out.texts.push_back(shared[index]);
                entry.cell.text = int32_t(m_out.texts.size() - 1);
            }
            if (entry.cell.kind != Cell::Kind::Number || !std::isfinite(entry.cell.number))
                continue;
            if (styles.isDate(xfAt(entry.row, entry.col))) {
                entry.cell.kind = Cell::Kind::Date;
                m_out.texts.push_back(
                    serialDateText(entry.cell.number, originYear, originMonth, originDay));
                entry.cell.text = int32_t(m_out.texts.size() - 1);
            }
        }
        return true;
    }

private:
    uint32_t xfAt(int32_t row, int32_t col) const
    {
        const auto it = std::lower_bound(m_formats.begin(), m_formats.end(), Format{row, col, 0},
                                         [](const Format &a, const Format &b) {
                                             return a.row != b.row ? a.row < b.row : a.col < b.col;
                                         });
        if (it != m_formats.end() && it->row == row && it->col == col) return it->xf;
        for (auto r = m_ranges.rbegin(); r != m_ranges.rend(); ++r)
            if (row >= r->row1 && row <= r->row2 && col >= r->col1 && col <= r->col2) return r->xf;
        return 0;
    }

    SheetCells &m_out;
    Formula m_formula;
    ArrayFormula m_array;
    std::vector<Format> m_formats;
    std::vector<FormatRange> m_ranges;
    bool m_unordered = false;
    bool m_tooLarge = false;
};

// Every sheet after the first: read by the library, kept by nobody.
class IgnoredSheet final : public iface::import_sheet
{
public:
    void set_auto(ss::row_t, ss::col_t, std::string_view) override {}
    void set_string(ss::row_t, ss::col_t, ss::string_id_t) override {}
    void set_value(ss::row_t, ss::col_t, double) override {}
    void set_bool(ss::row_t, ss::col_t, bool) override {}
    void set_date_time(ss::row_t, ss::col_t, int, int, int, int, int, double) override {}
    void set_format(ss::row_t, ss::col_t, size_t) override {}
    void set_format(ss::row_t, ss::col_t, ss::row_t, ss::col_t, size_t) override {}
    void fill_down_cells(ss::row_t, ss::col_t, ss::row_t) override {}
    ss::range_size_t get_sheet_size() const override { return {MaxRows, 16384}; }
};

class Settings final : public iface::import_global_settings
{
public:
    void set_origin_date(int year, int month, int day) override
    {
        if (QDate(year, month, day).isValid()) {
            this->year = year;
            this->month = month;
            this->day = day;
        }
    }
    void set_default_formula_grammar(ss::formula_grammar_t g) override { m_grammar = g; }
    ss::formula_grammar_t get_default_formula_grammar() const override { return m_grammar; }
    void set_character_set(orcus::character_set_t) override {}

    int year = 1899, month = 12, day = 30;

private:
    ss::formula_grammar_t m_grammar = ss::formula_grammar_t::unknown;
};

// Reads A1-style references ("B7", "$A$1", "Feuil1!A1:G9"), which the library asks for
// while it reads shared formulas and ranges.
class References final : public iface::import_reference_resolver
{
public:
    ss::src_address_t resolve_address(std::string_view address) override
    {
        if (const size_t bang = address.rfind('!'); bang != std::string_view::npos)
            address = address.substr(bang + 1);
        ss::src_address_t a{0, 0, 0};
        size_t i = 0;
        auto skipDollar = [&] {
            if (i < address.size() && address[i] == '$') ++i;
        };
        skipDollar();
        int64_t col = 0, row = 0;
        size_t letters = 0, digits = 0;
        for (; i < address.size() && std::isalpha(static_cast<unsigned char>(address[i])) &&
               letters < 4;
             ++i, ++letters)
            col = col * 26 + (std::toupper(static_cast<unsigned char>(address[i])) - 'A' + 1);
        skipDollar();
        for (; i < address.size() && std::isdigit(static_cast<unsigned char>(address[i])) &&
               digits < 8;
             ++i, ++digits)
            row = row * 10 + (address[i] - '0');
        if (i != address.size() || (letters == 0 && digits == 0))
            throw orcus::invalid_arg_error("invalid cell address");
        // A whole column or row reads as its first cell.
        a.column = letters ? ss::col_t(col - 1) : 0;
        a.row = digits ? ss::row_t(std::max<int64_t>(row - 1, 0)) : 0;
        return a;
    }
    ss::src_range_t resolve_range(std::string_view range) override
    {
        const size_t colon = range.find(':');
        if (colon == std::string_view::npos) {
            const ss::src_address_t a = resolve_address(range);
            return {a, a};
        }
        return {resolve_address(range.substr(0, colon)), resolve_address(range.substr(colon + 1))};
    }
};

class Factory final : public iface::import_factory
{
public:
    explicit Factory(SheetCells &out) : m_strings(m_shared), m_first(out) {}

    iface::import_global_settings *get_global_settings() override { return &m_settings; }
    iface::import_shared_strings *get_shared_strings() override { return &m_strings; }
    iface::import_styles *get_styles() override { return &m_styles; }
    iface::import_reference_resolver *get_reference_resolver(ss::formula_ref_context_t) override
    {
        return &m_references;
    }
    iface::import_sheet *append_sheet(ss::sheet_t index, std::string_view name) override
    {
        if (m_sheets == 0 && index == 0) {
            m_firstName = std::string(name);
            ++m_sheets;
            return &m_first;
        }
        ++m_sheets;
        return &m_ignored;
    }
    iface::import_sheet *get_sheet(std::string_view name) override
    {
        if (m_sheets == 0) return nullptr;
        return name == m_firstName ? static_cast<iface::import_sheet *>(&m_first) : &m_ignored;
    }
    iface::import_sheet *get_sheet(ss::sheet_t index) override
    {
        if (index < 0 || index >= m_sheets) return nullptr;
        return index == 0 ? static_cast<iface::import_sheet *>(&m_first) : &m_ignored;
    }
    void finalize() override {}

    int sheets() const { return m_sheets; }
    FirstSheet &first() { return m_first; }
    const Styles &styles() const { return m_styles; }
    const Settings &settings() const { return m_settings; }
    const std::vector<QString> &shared() const { return m_shared; }

private:
    std::vector<QString> m_shared;
    Settings m_settings;
    Strings m_strings;
    Styles m_styles;
    References m_references;
    FirstSheet m_first;
    IgnoredSheet m_ignored;
    std::string m_firstName;
    int m_sheets = 0;
};

SheetCells readWithOrcus(const QByteArray &bytes, const QString &path)
{
    checkZip(bytes, path);
    const std::string_view stream(bytes.constData(), size_t(bytes.size()));
    orcus::format_t format = orcus::format_t::unknown;
    try {
        format = orcus::detect(reinterpret_cast<const unsigned char *>(bytes.constData()),
                               size_t(bytes.size()));
    } catch (const std::exception &) {
        format = orcus::format_t::unknown;
    }
    if (format != orcus::format_t::xlsx && format != orcus::format_t::ods)
        fail(Texts::NotWorkbook, path);

    SheetCells out;
    Factory factory(out);
    try {
        if (format == orcus::format_t::xlsx) {
            orcus::orcus_xlsx reader(&factory);
            reader.read_stream(stream);
        } else {
            orcus::orcus_ods reader(&factory);
            reader.read_stream(stream);
        }
    } catch (const std::bad_alloc &) {
        throw;
    } catch (const std::exception &e) {
        damaged(path, QString::fromUtf8(e.what()));
    }
    if (factory.sheets() == 0) fail(Texts::NoSheet, path);
    QString problem;
    const Settings &s = factory.settings();
    if (!factory.first().finish(factory.styles(), s.year, s.month, s.day, factory.shared(),
                                problem)) {
        if (problem == u"too large") tooLarge(path);
        damaged(path, problem);
    }
    return out;
}

// --- legacy .xls through FreeXL ---

SheetCells readWithFreeXL(const QString &path)
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
    auto value = [&](unsigned r, unsigned short c, FreeXL_CellValue &v) {
        return freexl_get_cell_value(handle.h, r, c, &v) == FREEXL_OK && v.type != FREEXL_CELL_NULL;
    };
    // The last row holding a value in any column; the dimensions may count empty cells.
    for (unsigned r = rows; r-- > 0 && out.lastRow < 0;) {
        FreeXL_CellValue v;
        for (unsigned short c = 0; c < columns; ++c) {
            if (value(r, c, v)) {
                out.lastRow = int(r);
                break;
            }
        }
    }
    for (int r = 1; r <= out.lastRow; ++r) {
        for (unsigned short c = 0; c < std::min<unsigned short>(columns, Columns); ++c) {
            FreeXL_CellValue v;
            if (!value(unsigned(r), c, v)) continue;
            Cell cell;
            switch (v.type) {
            case FREEXL_CELL_INT:
                cell = {Cell::Kind::Number, double(v.value.int_value), -1};
                break;
            case FREEXL_CELL_DOUBLE:
                cell = {Cell::Kind::Number, v.value.double_value, -1};
                break;
            case FREEXL_CELL_TEXT:
            case FREEXL_CELL_SST_TEXT:
                out.texts.push_back(QString::fromUtf8(v.value.text_value));
                cell = {Cell::Kind::Text, 0, int32_t(out.texts.size() - 1)};
                break;
            case FREEXL_CELL_DATE:
            case FREEXL_CELL_DATETIME:
            case FREEXL_CELL_TIME: {
                // "YYYY-MM-DD", "YYYY-MM-DD HH:MM:SS" or "HH:MM:SS".
                const QString iso = QString::fromUtf8(v.value.text_value);
                QString text = iso;
                if (v.type == FREEXL_CELL_DATE)
                    text =
                        QDate::fromString(iso, Qt::ISODate).toString(QStringLiteral("dd/MM/yyyy"));
                else if (v.type == FREEXL_CELL_DATETIME) {
                    const QDateTime dt =
                        QDateTime::fromString(iso, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
                    text = dt.time() == QTime(0, 0)
                               ? dt.toString(QStringLiteral("dd/MM/yyyy"))
                               : dt.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss"));
                }
                if (text.isEmpty()) text = iso;
                out.texts.push_back(text);
                cell = {Cell::Kind::Date, 0, int32_t(out.texts.size() - 1)};
                break;
            }
            default:
                continue;
            }
            out.entries.push_back({r, uint8_t(c), cell});
        }
    }
    return out;
}

#ifdef Q_OS_UNIX
// The spreadsheet libraries are not safe with damaged files: FreeXL reads past its own
// buffers on some, liborcus stops the whole process on a failed internal check on others.
// A workbook is therefore read in a child process: whatever a library does there, the
// program goes on, and a child that does not finish cleanly means a damaged file.
SheetCells readIsolated(const QString &path, SheetCells (*reader)(const QString &))
{
    int fds[2];
    if (pipe(fds) != 0)
        return reader(path);
    const pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return reader(path);
    }
    if (pid == 0) {
        close(fds[0]);
        QByteArray payload;
        QDataStream out(&payload, QIODevice::WriteOnly);
        try {
            const SheetCells sheet = reader(path);
            out << qint32(0) << qint32(sheet.lastRow) << quint32(sheet.entries.size());
            for (const Entry &e : sheet.entries)
                out << qint32(e.row) << quint8(e.col) << quint8(e.cell.kind) << e.cell.number << qint32(e.cell.text);
            out << quint32(sheet.texts.size());
            for (const QString &t : sheet.texts)
                out << t;
        } catch (const UserError &e) {
            out << qint32(1) << e.message();
        } catch (...) {
            out << qint32(2);
        }
        for (qsizetype done = 0; done < payload.size();) {
            const ssize_t n = write(fds[1], payload.constData() + done, size_t(payload.size() - done));
            if (n <= 0)
                _exit(3);
            done += n;
        }
        _exit(0);
    }
    close(fds[1]);
    QByteArray payload;
    char buf[65536];
    for (;;) {
        const ssize_t n = read(fds[0], buf, sizeof buf);
        if (n > 0)
            payload.append(buf, n);
        else if (n == 0 || errno != EINTR)
            break;
    }
    close(fds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || payload.isEmpty())
        damaged(path, QStringLiteral("lecture interrompue"));
    QDataStream in(payload);
    qint32 kind = 0;
    in >> kind;
    if (kind == 1) {
        QString message;
        in >> message;
        throw UserError(message);
    }
    if (kind != 0)
        throw std::bad_alloc();
    SheetCells sheet;
    qint32 lastRow = -1;
    quint32 count = 0;
    in >> lastRow >> count;
    sheet.lastRow = lastRow;
    sheet.entries.reserve(std::min<quint32>(count, 1u << 24));
    for (quint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        qint32 row = 0, text = -1;
        quint8 col = 0, cellKind = 0;
        double number = 0;
        in >> row >> col >> cellKind >> number >> text;
        sheet.entries.push_back({row, col, Cell{Cell::Kind(cellKind), number, text}});
    }
    quint32 texts = 0;
    in >> texts;
    for (quint32 i = 0; i < texts && in.status() == QDataStream::Ok; ++i) {
        QString t;
        in >> t;
        sheet.texts.push_back(t);
    }
    if (in.status() != QDataStream::Ok)
        damaged(path, QStringLiteral("lecture interrompue"));
    return sheet;
}
#else
SheetCells readIsolated(const QString &path, SheetCells (*reader)(const QString &)) { return reader(path); }
#endif

} // namespace

// --- public ---

// Reads the first sheet in this process.
static SheetCells readFirstSheetHere(const QString &path)
{
    QFile f(path);
    if (!QFileInfo(path).isFile()) throw UserError(Texts::FileNotFound + shown(path));
    if (!f.open(QIODevice::ReadOnly))
        throw UserError(Texts::CannotOpen.arg(shown(path), f.errorString()));
    const QByteArray head = f.peek(8);
    if (startsWith(head, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)) {
        // A compound file: a legacy workbook, or a password-protected .xlsx wrapped in one.
        const QByteArray all = f.readAll();
        const QByteArray marker =
            QByteArray::fromRawData("E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e", 31);
        if (all.contains(marker)) fail(Texts::Encrypted, path);
        f.close();
        return readWithFreeXL(path);
    }
    if (!startsWith(head, "PK\x03\x04", 4)) fail(Texts::NotWorkbook, path);
    if (f.size() > MaxUnzippedTotal) tooLarge(path);
    const QByteArray bytes = f.readAll();
    if (bytes.size() != f.size())
        throw UserError(Texts::CannotOpen.arg(shown(path), f.errorString()));
    return readWithOrcus(bytes, path);
}

SheetCells readFirstSheet(const QString &path) { return readIsolated(path, readFirstSheetHere); }

QString generalNumber(double value)
{
    if (!std::isfinite(value)) return QString();
    if (value == 0) return QStringLiteral("0");
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", value);
    QString s = QString::fromLatin1(buf);
    s.replace(u'.', u',');
    const qsizetype e = s.indexOf(u'e');
    if (e >= 0) {
        // "1,5e+20" -> "1,5E20", "1e-05" -> "1E-5"
        const QStringView exp = QStringView(s).mid(e + 1);
        const bool negative = exp.startsWith(u'-');
        QString digits = exp.mid(1).toString();
        while (digits.size() > 1 && digits.startsWith(u'0'))
            digits.remove(0, 1);
        s = s.left(e) + u'E' + (negative ? QStringLiteral("-") : QString()) + digits;
    }
    return s;
}

QString serialDateText(double serial, int originYear, int originMonth, int originDay)
{
    if (!std::isfinite(serial) || serial < 0 || serial > 2958465.0) return generalNumber(serial);
    double days = std::floor(serial);
    qint64 seconds = std::llround((serial - days) * 86400.0);
    if (seconds >= 86400) {
        days += 1;
        seconds -= 86400;
    }
    const QTime time = QTime(0, 0).addSecs(int(seconds));
    if (days < 1 && originYear == 1899) return time.toString(QStringLiteral("hh:mm:ss"));
    const QDate date = QDate(originYear, originMonth, originDay).addDays(qint64(days));
    QString text = date.toString(QStringLiteral("dd/MM/yyyy"));
    if (seconds != 0) text += u' ' + time.toString(QStringLiteral("hh:mm:ss"));
    return text;
}

QString cellText(const Cell &cell, const std::vector<QString> &texts)
{
    switch (cell.kind) {
    case Cell::Kind::Empty:
        return QString();
    case Cell::Kind::Number:
        return generalNumber(cell.number);
    case Cell::Kind::Bool:
        return cell.number != 0 ? Texts::True : Texts::False;
    case Cell::Kind::Text:
    case Cell::Kind::Date:
        return cell.text >= 0 && size_t(cell.text) < texts.size() ? texts[size_t(cell.text)]
                                                                  : QString();
    }
    return QString();
}

bool cellAmount(const Cell &cell, const std::vector<QString> &texts, double &value)
{
    switch (cell.kind) {
    case Cell::Kind::Empty:
        value = 0;
        return true;
    case Cell::Kind::Number:
        value = cell.number;
        return std::isfinite(value);
    case Cell::Kind::Text: {
        const QString text = cellText(cell, texts);
        if (text.isEmpty()) {
            value = 0;
            return true;
        }
        // Regional formats group digits with no-break spaces; the number rule drops spaces.
        QString plain = text;
        plain.replace(QChar(0x00A0), u' ').replace(QChar(0x202F), u' ');
        return TryStrToFloat(plain, value);
    }
    case Cell::Kind::Bool:
    case Cell::Kind::Date:
        return false;
    }
    return false;
}

std::vector<TransferLine> toLines(const SheetCells &sheet, const QString &path,
                                  const Progress &progress)
{
    if (sheet.lastRow < 1) fail(Texts::NoRows, path);
    const int total = sheet.lastRow; // rows 2 .. lastRow + 1
    std::vector<TransferLine> lines;
    lines.reserve(size_t(total));
    const QString zero = AmountText::format(0);
    size_t next = 0;
    for (int row = 1; row <= sheet.lastRow; ++row) {
        Cell cells[Columns];
        while (next < sheet.entries.size() && sheet.entries[next].row < row)
            ++next;
        for (; next < sheet.entries.size() && sheet.entries[next].row == row; ++next)
            cells[sheet.entries[next].col] = sheet.entries[next].cell;
        QString text[Columns];
        for (int c : {0, 1, 4, 5, 6})
            text[c] = cellText(cells[c], sheet.texts);
        for (int c : {2, 3}) {
            double v = 0;
            if (!cellAmount(cells[c], sheet.texts, v))
                throw UserError(
                    Texts::BadAmount.arg(shown(path))
                        .arg(row + 1)
                        .arg(c + 1)
                        .arg(QLatin1String(ColumnNames[c]), cellText(cells[c], sheet.texts)));
            text[c] = cells[c].kind == Cell::Kind::Empty ? zero : AmountText::format(v);
        }
        lines.emplace_back(Caption, text[0], text[1], text[2], text[3], text[4], text[5], text[6]);
        if (progress) progress(row, total);
    }
    return lines;
}

std::vector<TransferLine> importFile(const QString &path, const Progress &progress)
{
    return toLines(readFirstSheet(path), path, progress);
}

} // namespace WorkbookImport
