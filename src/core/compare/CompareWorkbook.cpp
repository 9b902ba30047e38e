#include "CompareWorkbook.h"

#include "ListComparison.h"
#include "export/XlsxSaveFile.h"
#include "model/UserError.h"

namespace CompareWorkbook
{

namespace
{
const QString TooManyRows = QStringLiteral(
    "La comparaison compte %1 différences : une feuille de classeur n’en tient que 1 048 575 sous "
    "les en-têtes. Aucun fichier n’a été écrit.");
} // namespace

const QStringList &headers()
{
    static const QStringList h{QStringLiteral("Catégorie"),     QStringLiteral("N° Assurance"),
                               QStringLiteral("Nom et Prénom"), QStringLiteral("Ancien nom"),
                               QStringLiteral("Ancien compte"), QStringLiteral("Nouveau compte"),
                               QStringLiteral("Ancien Net"),    QStringLiteral("Nouveau Net"),
                               QStringLiteral("Écart"),         QStringLiteral("Écart (%)")};
    return h;
}

QString fileNameFor(const QDateTime &when)
{
    return QStringLiteral("Comparaison_") + when.toString(QStringLiteral("yyyyMMdd_HHmmss")) +
           QStringLiteral(".xlsx");
}

void writeFile(const ListComparison &c, const QString &path)
{
    const auto &entries = c.entries();
    if (entries.size() > size_t(XlsxSaveFile::MaxDataRows))
        throw UserError(TooManyRows.arg(entries.size()));

    XlsxSaveFile book(path);
    book.addSheet(QStringLiteral("Comparaison"));
    for (int col = 0; col < headers().size(); ++col)
        book.text(0, col, headers()[col]);
    int row = 1;
    for (const ListComparison::Entry &e : entries) {
        book.text(row, 0, ListComparison::categoryName(e.category));
        book.text(row, 1, c.insurance(e));
        book.text(row, 2, c.name(e));
        if (e.category == ListComparison::Category::NameChanged) book.text(row, 3, c.oldName(e));
        book.text(row, 4, c.oldPair(e));
        book.text(row, 5, c.newPair(e));
        if (c.hasOldNet(e)) book.number(row, 6, double(c.oldNetCents(e)) / 100.0);
        if (c.hasNewNet(e)) book.number(row, 7, double(c.newNetCents(e)) / 100.0);
        if (c.hasOldNet(e) && c.hasNewNet(e)) {
            book.number(row, 8, double(c.newNetCents(e) - c.oldNetCents(e)) / 100.0);
            if (c.oldNetCents(e) != 0)
                book.number(row, 9,
                            double(c.newNetCents(e) - c.oldNetCents(e)) * 100.0 /
                                double(std::abs(c.oldNetCents(e))));
        }
        ++row;
    }

    book.addSheet(QStringLiteral("Résumé"));
    const QStringList labels = {QStringLiteral("Liste précédente"), QStringLiteral("Liste du mois"),
                                QStringLiteral("Seuil de variation du Net")};
    const QStringList values = {c.oldListName(), c.newListName(),
                                ListComparison::thresholdText(c.threshold())};
    for (int i = 0; i < labels.size(); ++i) {
        book.text(i, 0, labels[i]);
        book.text(i, 1, values[i]);
    }
    for (int k = 0; k < ListComparison::CategoryCount; ++k) {
        book.text(labels.size() + 1 + k, 0,
                  ListComparison::categoryName(ListComparison::Category(k)));
        book.number(labels.size() + 1 + k, 1, c.count(ListComparison::Category(k)));
    }
    book.commit();
}

} // namespace CompareWorkbook
