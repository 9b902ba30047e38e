#include "WorkbookExport.h"

#include "ExportChecks.h"
#include "model/AmountText.h"
#include "model/UserError.h"
#include "model/WorkingList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

#include <filesystem>
#include <system_error>
#include <xlsxwriter.h>

namespace WorkbookExport
{

namespace
{

// Texts shown to the clerk by the workbook export.
namespace Texts
{
const QString CannotCreate = QStringLiteral("Cannot create file \"%1\". %2");
const QString TooManyRows = QStringLiteral(
    "La liste compte %1 lignes : une feuille de classeur n’en tient que 1 048 575 sous les "
    "en-têtes. Aucun fichier n’a été écrit.");
const QString CellRefused = QStringLiteral(
    "Ligne %1, colonne %2 : la cellule n’a pas pu être écrite (%3). Aucun fichier n’a été écrit.");
} // namespace Texts

constexpr int MaxDataRows = 1048575;

// Closes the workbook on every path; a workbook closed early writes nothing useful, and
// the temporary file is removed by its owner.
struct Book {
    lxw_workbook *wb = nullptr;
    ~Book()
    {
        if (wb) workbook_close(wb);
    }
};

} // namespace

const QStringList &headers()
{
    static const QStringList h{QStringLiteral("Compte"),        QStringLiteral("Clé"),
                               QStringLiteral("Net à Payer"),   QStringLiteral("Rendement"),
                               QStringLiteral("Num Assurance"), QStringLiteral("Nom et Prénom"),
                               QStringLiteral("Type Contrat")};
    return h;
}

QString fileNameFor(const QString &code, const QDateTime &when)
{
    return QStringLiteral("Liste Nominative_") + code + u'_' +
           when.toString(QStringLiteral("yyyyMMdd_HHmmss")) + QStringLiteral(".xlsx");
}

namespace
{

// What a new file gets from the process's file-creation mask (0644 under the usual 022).
QFileDevice::Permissions newFilePermissions()
{
    QFileDevice::Permissions all = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                   QFileDevice::ReadUser | QFileDevice::WriteUser |
                                   QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                   QFileDevice::ReadOther | QFileDevice::WriteOther;
#ifdef Q_OS_UNIX
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (mask & S_IWGRP) all &= ~QFileDevice::WriteGroup;
    if (mask & S_IWOTH) all &= ~QFileDevice::WriteOther;
    if (mask & S_IRGRP) all &= ~QFileDevice::ReadGroup;
    if (mask & S_IROTH) all &= ~QFileDevice::ReadOther;
#endif
    return all;
}

} // namespace

void writeFile(const WorkingList &list, const QString &path)
{
    const QString shown = QDir::toNativeSeparators(path);
    if (list.count() > MaxDataRows) throw UserError(Texts::TooManyRows.arg(list.count()));
    ExportChecks::refuseFaultyLines(list);

    // Reserve a unique name beside the target; the library then writes its file there.
    QTemporaryFile temp(QFileInfo(path).absolutePath() + QStringLiteral("/.~XXXXXX.xlsx.part"));
    if (!temp.open()) throw UserError(Texts::CannotCreate.arg(shown, temp.errorString()));
    temp.close();
    const QByteArray tempName = QFile::encodeName(temp.fileName());

    Book book;
    lxw_workbook_options options = {};
    // Shared strings, not the streaming mode's inline strings: some readers still drop those.
    options.constant_memory = LXW_FALSE;
    options.use_zip64 = LXW_FALSE;
    book.wb = workbook_new_opt(tempName.constData(), &options);
    if (!book.wb) throw UserError(Texts::CannotCreate.arg(shown, QStringLiteral("workbook")));
    lxw_worksheet *ws = workbook_add_worksheet(book.wb, nullptr);
    if (!ws) throw UserError(Texts::CannotCreate.arg(shown, QStringLiteral("worksheet")));

    auto check = [](lxw_error rc, int row, int col) {
        if (rc != LXW_NO_ERROR)
            throw UserError(Texts::CellRefused.arg(row + 1).arg(col + 1).arg(
                QString::fromUtf8(lxw_strerror(rc))));
    };
    auto text = [&](int row, int col, QStringView s) {
        if (s.isEmpty())
            return; // an empty text leaves the cell empty, which reads back as an empty text
        const QByteArray utf8 = s.toUtf8();
        check(worksheet_write_string(ws, lxw_row_t(row), lxw_col_t(col), utf8.constData(), nullptr),
              row, col);
    };
    for (int c = 0; c < headers().size(); ++c)
        text(0, c, headers()[c]);
    for (int r = 0; r < list.count(); ++r) {
        const TransferLine &line = list.line(r);
        const int row = r + 1;
        text(row, 0, line.subItemView(TransferLine::Compte));
        text(row, 1, line.subItemView(TransferLine::CleRip));
        for (int col : {2, 3}) {
            long long cents = 0;
            TryAmountCents(line.subItemView(col == 2 ? TransferLine::Net : TransferLine::Rendement), cents);
            check(worksheet_write_number(ws, lxw_row_t(row), lxw_col_t(col), double(cents) / 100.0, nullptr),
                  row, col);
        }
        text(row, 4, line.subItemView(TransferLine::NumAss));
        text(row, 5, line.subItemView(TransferLine::NomPrenom));
        text(row, 6, line.subItemView(TransferLine::TypeContrat));
    }
    const lxw_error rc = workbook_close(book.wb);
    book.wb = nullptr;
    if (rc != LXW_NO_ERROR)
        throw UserError(Texts::CannotCreate.arg(shown, QString::fromUtf8(lxw_strerror(rc))));

    // The temporary name was made private; the workbook gets the permissions of any new file.
    QFile::setPermissions(temp.fileName(), newFilePermissions());
    std::error_code ec;
    std::filesystem::rename(std::filesystem::path(tempName.toStdString()),
                            std::filesystem::path(QFile::encodeName(path).toStdString()), ec);
    if (ec)
        throw UserError(
            Texts::CannotCreate.arg(shown, QString::fromLocal8Bit(ec.message().c_str())));
}

} // namespace WorkbookExport
