#include "ListJournal.h"

#include "model/UserError.h"
#include "platform/SaveFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <algorithm>
#include <iterator>

namespace
{

const QByteArray Magic = QByteArrayLiteral("TALVORO-JOURNAL ");
const QByteArray SavedTag = QByteArrayLiteral("saved ");
const QByteArray LinesTag = QByteArrayLiteral("lines ");
const QByteArray EndTag = QByteArrayLiteral("end ");

const QString CannotWrite = QStringLiteral("Le journal « %1 » ne peut pas être écrit : %2");
const QString CannotRead = QStringLiteral("Le journal « %1 » ne peut pas être lu : %2");
const QString Damaged = QStringLiteral("Le journal « %1 » est endommagé : %2");
const QString NotAJournal = QStringLiteral("ce n’est pas un journal de liste");
const QString UnknownVersion = QStringLiteral("version %1 inconnue");
const QString BadHeader = QStringLiteral("en-tête illisible");
const QString BadLine = QStringLiteral("ligne %1 illisible");
const QString Truncated = QStringLiteral("il s’arrête avant la fin de la liste");
const QString BadSum = QStringLiteral("son contenu ne correspond pas à sa somme de contrôle");

bool needsEscape(QStringView text)
{
    for (QChar c : text)
        if (c == u'\\' || c == u'\t' || c == u'\n' || c == u'\r') return true;
    return false;
}

void appendEscaped(QByteArray &out, QStringView text)
{
    if (!needsEscape(text)) {
        // Encoded straight into the buffer: no text of its own for each cell.
        QStringEncoder utf8(QStringEncoder::Utf8);
        const qsizetype at = out.size();
        out.resize(at + utf8.requiredSpace(text.size()));
        char *end = utf8.appendToBuffer(out.data() + at, text);
        out.truncate(end - out.constData());
        return;
    }
    for (char c : text.toUtf8()) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
            break;
        }
    }
}

void appendLine(QByteArray &out, const TransferLine &line)
{
    appendEscaped(out, line.captionView());
    for (int k = 0; k < line.subItemCount(); ++k) {
        out += '\t';
        appendEscaped(out, line.subItemView(k));
    }
    out += '\n';
}

// Decodes the escapes of a field; false when one is not an escape the writer makes.
bool unescape(QString &field)
{
    qsizetype w = 0;
    for (qsizetype r = 0; r < field.size(); ++r) {
        QChar c = field[r];
        if (c == u'\\') {
            if (++r == field.size()) return false;
            switch (field[r].unicode()) {
            case u'\\':
                break;
            case u't':
                c = u'\t';
                break;
            case u'n':
                c = u'\n';
                break;
            case u'r':
                c = u'\r';
                break;
            default:
                return false;
            }
        }
        field[w++] = c;
    }
    field.truncate(w);
    return true;
}

TransferLine lineOf(const QStringView *f, qsizetype count)
{
    if (count == 1 + TransferLine::MaxSubItems)
        return TransferLine(f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7]);
    TransferLine line;
    line.setCaption(f[0]);
    for (qsizetype k = 1; k < count; ++k)
        line.addSubItem(f[k]);
    return line;
}

// The line a record holds; false when the record is not one the writer makes.
bool readRecord(QByteArrayView record, TransferLine &line)
{
    const QString text = QString::fromUtf8(record);
    QStringView fields[1 + TransferLine::MaxSubItems];
    qsizetype count = 0;
    for (qsizetype from = 0;;) {
        if (count == qsizetype(std::size(fields))) return false;
        const qsizetype tab = text.indexOf(u'\t', from);
        fields[count++] = QStringView(text).sliced(from, (tab < 0 ? text.size() : tab) - from);
        if (tab < 0) break;
        from = tab + 1;
    }
    if (!text.contains(u'\\')) {
        line = lineOf(fields, count);
        return true;
    }
    QString decoded[std::size(fields)];
    for (qsizetype k = 0; k < count; ++k) {
        decoded[k] = fields[k].toString();
        if (!unescape(decoded[k])) return false;
        fields[k] = decoded[k];
    }
    line = lineOf(fields, count);
    return true;
}

// Reads the text after a tag on a header line; false when the line is not that tag's.
bool tagged(QByteArrayView line, const QByteArray &tag, QByteArrayView &value)
{
    if (!line.startsWith(tag)) return false;
    value = line.sliced(tag.size());
    return true;
}

} // namespace

namespace ListJournal
{

QString write(const QString &path, const std::vector<TransferLine> &lines, const QDateTime &savedAt)
{
    const QString shown = QDir::toNativeSeparators(path);
    QDir().mkpath(QFileInfo(path).absolutePath());
    SaveFile file(path);
    // Names, accounts and amounts: for the clerk's eyes only.
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (!file.open()) return CannotWrite.arg(shown, file.errorString());
    QByteArray chunk = Magic + QByteArray::number(Version) + '\n' + SavedTag +
                       savedAt.toUTC().toString(Qt::ISODate).toUtf8() + '\n' + LinesTag +
                       QByteArray::number(qsizetype(lines.size())) + '\n';
    file.write(chunk);
    QCryptographicHash sum(QCryptographicHash::Blake2b_256);
    // Written in pieces of about a megabyte: a long list never sits whole in a second buffer.
    chunk.clear();
    chunk.reserve(1 << 20);
    auto flush = [&] {
        sum.addData(chunk);
        file.write(chunk);
        chunk.clear();
    };
    for (const TransferLine &line : lines) {
        appendLine(chunk, line);
        if (chunk.size() >= (1 << 20)) flush();
    }
    flush();
    file.write(EndTag + sum.result().toHex() + '\n');
    if (!file.commit()) return CannotWrite.arg(shown, file.errorString());
    return QString();
}

Contents read(const QString &path)
{
    const QString shown = QDir::toNativeSeparators(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) throw UserError(CannotRead.arg(shown, file.errorString()));
    const QByteArray data = file.readAll();
    auto damaged = [&shown](const QString &why) { return UserError(Damaged.arg(shown, why)); };

    qsizetype at = 0;
    // The next line without its line feed; false at the end of the data or of a last line
    // that has none (a file cut short).
    auto nextLine = [&data, &at](QByteArrayView &line) {
        const qsizetype end = data.indexOf('\n', at);
        if (end < 0) return false;
        line = QByteArrayView(data).sliced(at, end - at);
        at = end + 1;
        return true;
    };

    QByteArrayView line, value;
    if (!nextLine(line) || !tagged(line, Magic, value)) throw damaged(NotAJournal);
    bool ok = false;
    const int version = value.toByteArray().toInt(&ok);
    if (!ok) throw damaged(NotAJournal);
    if (version != Version) throw damaged(UnknownVersion.arg(version));

    Contents contents;
    if (!nextLine(line) || !tagged(line, SavedTag, value)) throw damaged(BadHeader);
    contents.savedAt = QDateTime::fromString(QString::fromLatin1(value), Qt::ISODate);
    if (!contents.savedAt.isValid()) throw damaged(BadHeader);
    if (!nextLine(line) || !tagged(line, LinesTag, value)) throw damaged(BadHeader);
    const qlonglong count = value.toByteArray().toLongLong(&ok);
    // Each list line takes at least its line feed: a count past that is a damaged header.
    if (!ok || count < 0 || count > data.size()) throw damaged(BadHeader);

    const qsizetype bodyStart = at;
    // Room for the lines the rest of the file can hold (a line of seven cells takes at least
    // eight bytes), not for what a damaged count claims.
    contents.lines.reserve(size_t(std::min<qlonglong>(count, (data.size() - at) / 8 + 1)));
    TransferLine read;
    for (qlonglong n = 0; n < count; ++n) {
        if (!nextLine(line)) throw damaged(Truncated);
        if (!readRecord(line, read)) throw damaged(BadLine.arg(n + 1));
        contents.lines.push_back(std::move(read));
    }
    const QByteArray expected =
        QCryptographicHash::hash(QByteArrayView(data).sliced(bodyStart, at - bodyStart),
                                 QCryptographicHash::Blake2b_256)
            .toHex();
    if (!nextLine(line)) throw damaged(Truncated);
    if (!tagged(line, EndTag, value) || value != expected || at != data.size())
        throw damaged(BadSum);
    return contents;
}

} // namespace ListJournal
