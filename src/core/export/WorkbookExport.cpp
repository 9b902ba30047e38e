#include "WorkbookExport.h"

#include "ExportChecks.h"
#include "XlsxSaveFile.h"
#include "model/AmountText.h"
#include "model/UserError.h"
#include "model/WorkingList.h"

namespace WorkbookExport
{

namespace
{

const QString TooManyRows = QStringLiteral(
    "La liste compte %1 lignes : une feuille de classeur n’en tient que 1 048 575 sous les "
    "en-têtes. Aucun fichier n’a été écrit.");

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

void writeFile(const WorkingList &list, const QString &path)
{
    if (list.count() > XlsxSaveFile::MaxDataRows) throw UserError(TooManyRows.arg(list.count()));
    ExportChecks::refuseFaultyLines(list);

    XlsxSaveFile book(path);
    book.addSheet();
    for (int c = 0; c < headers().size(); ++c)
        book.text(0, c, headers()[c]);
    for (int r = 0; r < list.count(); ++r) {
        const TransferLine &line = list.line(r);
        const int row = r + 1;
        book.text(row, 0, line.subItemView(TransferLine::Account));
        book.text(row, 1, line.subItemView(TransferLine::Key));
        // Amounts are the line's centimes (checked before writing), as numbers of dinars.
        book.number(row, 2, double(line.figures.netCents) / 100.0);
        book.number(row, 3, double(line.figures.yieldCents) / 100.0);
        book.text(row, 4, line.subItemView(TransferLine::Insurance));
        book.text(row, 5, line.subItemView(TransferLine::Name));
        book.text(row, 6, line.subItemView(TransferLine::ContractType));
    }
    book.commit();
}

} // namespace WorkbookExport
