#include "TextImport.h"

#include "keys/Keys.h"
#include "keys/LineCheck.h"
#include "model/AmountText.h"
#include "model/UserError.h"

#include <QFile>
#include <QStringDecoder>

namespace TextImport {

QString readWholeFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw UserError(QStringLiteral("Cannot open file \"%1\". %2").arg(path, f.errorString()));
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw UserError(QStringLiteral("Cannot read file \"%1\". %2").arg(path, f.errorString()));
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        throw UserError(
            QStringLiteral("No mapping for the Unicode character exists in the target multi-byte code page"));
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

std::vector<QStringView> splitLines(QStringView text)
{
    std::vector<QStringView> lines;
    lines.reserve(size_t(text.size() / (RecordWidth + 2) + 1));
    const QChar *d = text.data();
    const qsizetype n = text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = d[i].unicode();
        if (c == u'\r' || c == u'\n') {
            lines.push_back(text.mid(start, i - start));
            if (c == u'\r' && i + 1 < n && d[i + 1].unicode() == u'\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < n)
        lines.push_back(text.mid(start));
    return lines;
}

long long amountFieldCents(QStringView field)
{
    // Thirteen digits fit easily; longer fields (none are cut that way) are capped.
    long long v = 0;
    int digits = 0;
    for (QChar c : trimBlanks(field)) {
        if (c >= u'0' && c <= u'9') {
            if (digits < 18)
                v = v * 10 + (c.unicode() - u'0');
            ++digits;
        }
    }
    return v;
}

TransferLine parseRecord(QStringView record)
{
    QString padded;
    if (record.size() < RecordWidth) {
        padded = record.toString();
        padded.resize(RecordWidth, u' ');
        record = padded;
    }
    const QString compte = OnlyDigits(record.mid(9, 10));
    const QString net = AmountText::formatCents(amountFieldCents(record.mid(21, 13)));
    const QString rend = AmountText::formatCents(amountFieldCents(record.mid(34, 13)));
    return TransferLine(record.left(9), compte, trimBlanks(record.mid(19, 2)), net, rend,
                        trimBlanks(record.mid(47, 12)), trimBlanks(record.mid(59, 27)),
                        trimBlanks(record.mid(86, 1)));
}

std::vector<TransferLine> importFile(const QString &path, ErrorLog &log,
                                     const std::function<void(int, int)> &progress)
{
    const QString text = readWholeFile(path);
    const std::vector<QStringView> records = splitLines(text);
    std::vector<TransferLine> lines;
    lines.reserve(records.size());
    const int total = int(records.size());
    for (int i = 0; i < total; ++i) {
        lines.push_back(parseRecord(records[size_t(i)]));
        CheckCLE_RIP_Item(log, &lines.back(), i);
        if (progress)
            progress(i + 1, total);
    }
    return lines;
}

} // namespace TextImport
