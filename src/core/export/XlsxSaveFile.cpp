#include "XlsxSaveFile.h"

#include "model/UserError.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <xlsxwriter.h>

namespace
{
const QString CellRefused = QStringLiteral(
    "Ligne %1, colonne %2 : la cellule n’a pas pu être écrite (%3). Aucun fichier n’a été écrit.");
} // namespace

XlsxSaveFile::XlsxSaveFile(const QString &path) : m_path(path), m_file(path)
{
    // Reserve a unique name beside the target; the library then writes its file there.
    if (!m_file.open())
        throw UserError(
            CannotCreateFileText.arg(QDir::toNativeSeparators(path), m_file.errorString()));
    m_tempName = QFile::encodeName(m_file.temporaryPath());
    // Rows go to the file as they are written and texts are stored in their cells (inline
    // strings): no per-cell tree and no shared-string table to build, so a long list is
    // written faster and in flat memory. Cells must therefore come row by row.
    lxw_workbook_options options = {};
    options.constant_memory = LXW_TRUE;
    options.use_zip64 = LXW_FALSE;
    m_book = workbook_new_opt(m_tempName.constData(), &options);
    if (!m_book)
        throw UserError(
            CannotCreateFileText.arg(QDir::toNativeSeparators(path), QStringLiteral("workbook")));
}

XlsxSaveFile::~XlsxSaveFile()
{
    // A workbook closed early writes nothing useful; the temporary file removes itself.
    if (m_book) workbook_close(m_book);
}

void XlsxSaveFile::addSheet(const QString &name)
{
    const QByteArray utf8 = name.toUtf8();
    m_sheet = workbook_add_worksheet(m_book, name.isEmpty() ? nullptr : utf8.constData());
    if (!m_sheet)
        throw UserError(CannotCreateFileText.arg(QDir::toNativeSeparators(m_path),
                                                 QStringLiteral("worksheet")));
}

static void check(lxw_error rc, int row, int col)
{
    if (rc != LXW_NO_ERROR)
        throw UserError(
            CellRefused.arg(row + 1).arg(col + 1).arg(QString::fromUtf8(lxw_strerror(rc))));
}

void XlsxSaveFile::escapeLiteralEscapes(std::string &utf8)
{
    // Readers turn "_xHHHH_" into the character HHHH (the library writes control characters
    // so): a text holding such a sequence itself has its underscore written as "_x005F_".
    auto isHex = [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    };
    for (size_t at = utf8.find("_x"); at != std::string::npos; at = utf8.find("_x", at + 1)) {
        if (at + 7 > utf8.size() || utf8[at + 6] != '_') continue;
        if (!std::all_of(utf8.begin() + qsizetype(at) + 2, utf8.begin() + qsizetype(at) + 6, isHex))
            continue;
        utf8.insert(at + 1, "x005F_");
        at += 6;
    }
}

void XlsxSaveFile::text(int row, int col, QStringView s)
{
    if (s.isEmpty()) return;
    // Cells are mostly ASCII: they are copied into one reused buffer, not converted each
    // into a new array.
    m_utf8.clear();
    for (QChar c : s) {
        if (c.unicode() >= 0x80) {
            m_utf8 = s.toUtf8().toStdString();
            break;
        }
        m_utf8.push_back(char(c.unicode()));
    }
    escapeLiteralEscapes(m_utf8);
    check(worksheet_write_string(m_sheet, lxw_row_t(row), lxw_col_t(col), m_utf8.c_str(), nullptr),
          row, col);
}

void XlsxSaveFile::number(int row, int col, double value)
{
    check(worksheet_write_number(m_sheet, lxw_row_t(row), lxw_col_t(col), value, nullptr), row,
          col);
}

void XlsxSaveFile::commit()
{
    const QString shown = QDir::toNativeSeparators(m_path);
    const lxw_error rc = workbook_close(m_book);
    m_book = nullptr;
    if (rc != LXW_NO_ERROR)
        throw UserError(CannotCreateFileText.arg(shown, QString::fromUtf8(lxw_strerror(rc))));
    if (!m_file.commit()) throw UserError(CannotCreateFileText.arg(shown, m_file.errorString()));
}
