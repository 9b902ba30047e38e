#include "ListJournal.h"

#include "model/UserError.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

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

void appendEscaped(QByteArray &out, QStringView text)
{
    const QByteArray utf8 = text.toUtf8();
    for (char c : utf8) {
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

// The fields of one list line; false when an escape is not one the writer makes.
bool splitFields(QByteArrayView record, QStringList &fields)
{
    fields.clear();
    QByteArray field;
    for (qsizetype i = 0; i < record.size(); ++i) {
        const char c = record[i];
        if (c == '\t') {
            fields << QString::fromUtf8(field);
            field.clear();
        } else if (c == '\\') {
            if (++i == record.size()) return false;
            switch (record[i]) {
            case '\\':
                field += '\\';
                break;
            case 't':
                field += '\t';
                break;
            case 'n':
                field += '\n';
                break;
            case 'r':
                field += '\r';
                break;
            default:
                return false;
            }
        } else {
            field += c;
        }
    }
    fields << QString::fromUtf8(field);
    return fields.size() <= 1 + TransferLine::MaxSubItems;
}

TransferLine lineOf(const QStringList &f)
{
    if (f.size() == 1 + TransferLine::MaxSubItems)
        return TransferLine(f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7]);
    TransferLine line;
    line.setCaption(f[0]);
    for (qsizetype k = 1; k < f.size(); ++k)
        line.addSubItem(f[k]);
    return line;
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
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return CannotWrite.arg(shown, file.errorString());
    QByteArray chunk = Magic + QByteArray::number(Version) + '\n' + SavedTag +
                       savedAt.toUTC().toString(Qt::ISODate).toUtf8() + '\n' + LinesTag +
                       QByteArray::number(qsizetype(lines.size())) + '\n';
    file.write(chunk);
    QCryptographicHash sum(QCryptographicHash::Sha256);
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
    contents.lines.reserve(size_t(count));
    QStringList fields;
    for (qlonglong n = 0; n < count; ++n) {
        if (!nextLine(line)) throw damaged(Truncated);
        if (!splitFields(line, fields)) throw damaged(BadLine.arg(n + 1));
        contents.lines.push_back(lineOf(fields));
    }
    const QByteArray expected =
        QCryptographicHash::hash(QByteArrayView(data).sliced(bodyStart, at - bodyStart),
                                 QCryptographicHash::Sha256)
            .toHex();
    if (!nextLine(line)) throw damaged(Truncated);
    if (!tagged(line, EndTag, value) || value != expected || at != data.size())
        throw damaged(BadSum);
    return contents;
}

} // namespace ListJournal
