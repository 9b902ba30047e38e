#include "TextImport.h"

#include "LineReader.h"
#include "keys/Keys.h"
#include "model/AmountText.h"
#include "model/RecordLayout.h"
#include "model/TextColumns.h"
#include "model/UserError.h"

#include <QFile>
#include <limits>

namespace TextImport
{

long long amountFieldCents(QStringView field)
{
    // Thirteen digits fit easily; longer fields (none are cut that way) are capped.
    long long v = 0;
    int digits = 0;
    for (QChar c : trimBlanks(field)) {
        if (c >= u'0' && c <= u'9') {
            if (digits < 18) v = v * 10 + (c.unicode() - u'0');
            ++digits;
        }
    }
    return v;
}

TransferLine parseRecord(QStringView record)
{
    namespace L = RecordLayout;
    if (TextColumns::hasSurrogates(record)) {
        // Rare: each character stands in one unit for the cut, then the text fields get
        // their true characters back.
        QString plain;
        for (qsizetype i = 0, n = TextColumns::length(record); i < n; ++i) {
            const QStringView c = TextColumns::mid(record, i, 1);
            plain.append(c.size() == 1 ? c[0] : QChar(QChar::ReplacementCharacter));
        }
        TransferLine line = parseRecord(QStringView(plain));
        auto field = [record](const L::Field &f) {
            return TextColumns::mid(record, f.start, f.width);
        };
        line.setCaption(field(L::Caption));
        line.setSubItem(TransferLine::CleRip, trimBlanks(field(L::Key)));
        line.setSubItem(TransferLine::NumAss, trimBlanks(field(L::Insurance)));
        line.setSubItem(TransferLine::NomPrenom, trimBlanks(field(L::Name)));
        line.setSubItem(TransferLine::TypeContrat, trimBlanks(field(L::ContractType)));
        return line;
    }
    // Built in place on the stack: a line costs one allocation, its own cell text.
    QChar padded[TransferLine::RecordWidth];
    if (record.size() < TransferLine::RecordWidth) {
        std::copy(record.begin(), record.end(), padded);
        std::fill(padded + record.size(), padded + TransferLine::RecordWidth, QChar(u' '));
        record = QStringView(padded, TransferLine::RecordWidth);
    }
    QChar compte[L::Account.width];
    int compteLen = 0;
    for (QChar c : L::Account.of(record))
        if (c >= u'0' && c <= u'9') compte[compteLen++] = c;
    QChar net[64], rend[64];
    const int netLen = AmountText::formatCentsInto(amountFieldCents(L::Net.of(record)),
                                                   AmountText::ListPattern, net);
    const int rendLen = AmountText::formatCentsInto(amountFieldCents(L::Rendement.of(record)),
                                                    AmountText::ListPattern, rend);
    return TransferLine(L::Caption.of(record), QStringView(compte, compteLen),
                        trimBlanks(L::Key.of(record)), QStringView(net, netLen),
                        QStringView(rend, rendLen), trimBlanks(L::Insurance.of(record)),
                        trimBlanks(L::Name.of(record)), trimBlanks(L::ContractType.of(record)));
}

std::vector<TransferLine> importFile(const QString &path, const Progress &progress)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw UserError(QStringLiteral("Cannot open file \"%1\". %2").arg(path, f.errorString()));
    const qint64 size = f.size();
    LineReader reader(f, path);
    std::vector<TransferLine> lines;
    lines.reserve(size_t(std::min<qint64>(size / (TransferLine::RecordWidth + 2) + 1, 1 << 24)));
    QStringView record;
    while (reader.next(record)) {
        // A blank line holds no record: it is skipped, so that a file of blank lines costs
        // nothing and adds no empty transfer.
        if (trimBlanks(record).isEmpty()) continue;
        if (lines.size() >= size_t(std::numeric_limits<int>::max()))
            throw UserError(QStringLiteral("The file \"%1\" holds too many lines.").arg(path));
        lines.push_back(parseRecord(record));
        if (progress) progress(int(lines.size()), reader.bytesRead(), size);
    }
    // A file cut short while it was read would give a list missing its last lines.
    if (reader.bytesRead() != size)
        throw UserError(
            QStringLiteral("The file \"%1\" changed while it was being read. Nothing was imported; "
                           "import it again.")
                .arg(path));
    return lines;
}

} // namespace TextImport
