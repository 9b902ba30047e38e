#include "TextExport.h"

#include "ExportChecks.h"
#include "keys/Keys.h"
#include "model/RecordLayout.h"
#include "model/TextColumns.h"
#include "model/UserError.h"
#include "model/WorkingList.h"
#include "platform/SaveFile.h"

#include <cstring>
#include <vector>

namespace TextExport
{

namespace
{

// Appends text left-aligned and space-padded to width characters; a longer text is kept
// whole (and refused by the checks).
void padRight(QString &out, QStringView text, int width)
{
    out.append(text);
    for (qsizetype i = TextColumns::length(text); i < width; ++i)
        out.append(u' ');
}

bool hasControl(QStringView s)
{
    for (QChar c : s)
        if (c.unicode() < 32 || c.unicode() == 127) return true;
    return false;
}

} // namespace

QString centsTo13Digits(long long value)
{
    const unsigned long long a = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                           : static_cast<unsigned long long>(value);
    const QString digits = QString::number(a).rightJustified(RecordLayout::Net.width, u'0');
    return value < 0 ? u'-' + digits : digits;
}

QString buildRecord(const TransferLine &line, QStringList *faults)
{
    namespace L = RecordLayout;
    QString account = trimBlanks(line.subItemView(TransferLine::Account)).toString();
    if (account.size() < L::Account.width) account = account.rightJustified(L::Account.width, u'0');
    const QString key = trimBlanks(line.subItemView(TransferLine::Key)).toString();
    const QStringView insurance = trimBlanks(line.subItemView(TransferLine::Insurance));
    const QStringView name = trimBlanks(line.subItemView(TransferLine::Name));
    const QStringView type = trimBlanks(line.subItemView(TransferLine::ContractType));

    QString rec;
    rec.reserve(TransferLine::RecordWidth + 8);
    padRight(rec, TextColumns::mid(line.captionView(), 0, L::Caption.width), L::Caption.width);
    padRight(rec, account, L::Account.width);
    padRight(rec, key, L::Key.width);
    rec.append(centsTo13Digits(line.figures.netCents));
    rec.append(centsTo13Digits(line.figures.yieldCents));
    padRight(rec, insurance, L::Insurance.width);
    padRight(rec, name, L::Name.width);
    padRight(rec, type, L::ContractType.width);

    if (faults) {
        *faults += ExportChecks::faults(line);
        auto tooLong = [faults](const L::Field &field, QStringView text) {
            const qsizetype size = TextColumns::length(text);
            if (size > field.width)
                *faults << QStringLiteral("%1 (%2 caractères pour %3)")
                               .arg(QLatin1String(field.name))
                               .arg(size)
                               .arg(field.width);
        };
        tooLong(L::Account, account);
        tooLong(L::Insurance, insurance);
        tooLong(L::Name, name);
        tooLong(L::ContractType, type);
        if (hasControl(rec))
            *faults << QStringLiteral("caractère de contrôle (saut de ligne, tabulation…)");
    }
    return rec;
}

QString codeProblem(const QString &code)
{
    if (code == u"." || code == u"..")
        return QStringLiteral("Le code ordinateur « %1 » ne peut pas nommer un fichier.").arg(code);
    for (QChar c : code) {
        if (c.unicode() < 32 || c.unicode() == 127)
            return QStringLiteral(
                "Le code ordinateur ne peut pas contenir de caractère de contrôle.");
        if (QStringView(u"\\/:*?\"<>|").contains(c))
            return QStringLiteral("Le code ordinateur ne peut pas contenir le caractère « %1 » "
                                  "(interdit dans un nom de fichier).")
                .arg(c);
    }
    return QString();
}

QString fileNameFor(const QString &code)
{
    return QStringLiteral("Liste_Nominative_") + code + QStringLiteral(".txt");
}

namespace
{

// Appends the UTF-8 form of text at out; returns the end. Control characters make it fail.
char *utf8(QStringView text, char *out, bool &control)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (c < 0x80) {
            control |= c < 32 || c == 127;
            *out++ = char(c);
        } else if (c < 0x800) {
            *out++ = char(0xC0 | (c >> 6));
            *out++ = char(0x80 | (c & 0x3F));
        } else if (QChar::isHighSurrogate(c) && i + 1 < text.size() &&
                   text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(char16_t(c), text[++i].unicode());
            *out++ = char(0xF0 | (c >> 18));
            *out++ = char(0x80 | ((c >> 12) & 0x3F));
            *out++ = char(0x80 | ((c >> 6) & 0x3F));
            *out++ = char(0x80 | (c & 0x3F));
        } else {
            *out++ = char(0xE0 | (c >> 12));
            *out++ = char(0x80 | ((c >> 6) & 0x3F));
            *out++ = char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// Writes text padded with spaces to width characters; false when it is wider or holds a
// control character.
bool textColumn(QStringView text, int width, char *&out)
{
    const qsizetype n = TextColumns::length(text);
    if (n > width) return false;
    bool control = false;
    out = utf8(text, out, control);
    for (qsizetype i = n; i < width; ++i)
        *out++ = ' ';
    return !control;
}

// Writes digits right-aligned on width places with zeros in front; false when the text is
// not 1 to width digits (or exactly width digits when exact).
bool digitsColumn(QStringView digits, int width, bool exact, char *&out)
{
    if (digits.isEmpty() || digits.size() > width || (exact && digits.size() != width))
        return false;
    for (qsizetype i = digits.size(); i < width; ++i)
        *out++ = '0';
    for (QChar c : digits) {
        if (c < u'0' || c > u'9') return false;
        *out++ = char(c.unicode());
    }
    return true;
}

// Writes an amount as centimes on its field, zeros in front; false when it did not read, is
// negative or does not fit.
bool centsColumn(const RecordLayout::Field &field, bool readable, long long cents, char *&out)
{
    static_assert(RecordLayout::Net.width == 13 && RecordLayout::Yield.width == 13 &&
                  ExportChecks::MaxCents == 9999999999999LL);
    if (!readable || cents < 0 || cents > ExportChecks::MaxCents) return false;
    for (int i = field.width - 1; i >= 0; --i, cents /= 10)
        out[i] = char('0' + cents % 10);
    out += field.width;
    return true;
}

// The record of a line with its line break, written as UTF-8 at out; nullptr when the line
// has a fault (buildRecord then names it). out must have room for recordRoom(line) bytes.
char *writeRecord(const TransferLine &line, char *out)
{
    namespace L = RecordLayout;
    const TransferLine::Figures &f = line.figures;
    const QStringView insurance = trimBlanks(line.subItemView(TransferLine::Insurance));
    bool ok =
        textColumn(TextColumns::mid(line.captionView(), 0, L::Caption.width), L::Caption.width,
                   out) &&
        digitsColumn(trimBlanks(line.subItemView(TransferLine::Account)), L::Account.width, false,
                     out) &&
        digitsColumn(trimBlanks(line.subItemView(TransferLine::Key)), L::Key.width, true, out) &&
        centsColumn(L::Net, f.netReadable, f.netCents, out) &&
        centsColumn(L::Yield, f.yieldReadable, f.yieldCents, out);
    if (!ok) return nullptr;
    if (insurance.isEmpty()) {
        std::fill(out, out + L::Insurance.width, ' ');
        out += L::Insurance.width;
    } else {
        for (QChar c : insurance)
            if (c < u'0' || c > u'9') return nullptr;
        if (!textColumn(insurance, L::Insurance.width, out)) return nullptr;
    }
    if (!textColumn(trimBlanks(line.subItemView(TransferLine::Name)), L::Name.width, out) ||
        !textColumn(trimBlanks(line.subItemView(TransferLine::ContractType)), L::ContractType.width,
                    out))
        return nullptr;
    *out++ = '\r';
    *out++ = '\n';
    return out;
}

qsizetype recordRoom(const TransferLine &line)
{
    qsizetype room = 64 + 3 * 9;
    for (int k = 0; k < TransferLine::MaxSubItems; ++k)
        room += 3 * line.subItemView(k).size();
    return room;
}

} // namespace

void writeFile(const WorkingList &list, const QString &path)
{
    // Records are written straight into a buffer that goes to the save file in chunks; the
    // save file only replaces path once every line has been written.
    SaveFile f(path);
    if (!f.open()) throw UserError(CannotCreateFileText.arg(path, f.errorString()));
    constexpr qsizetype Chunk = 4 << 20;
    std::vector<char> buffer(size_t(Chunk) + 4096);
    qsizetype used = 0;
    std::memcpy(buffer.data(), "\xEF\xBB\xBF", 3);
    used = 3;
    auto flush = [&] {
        if (used > 0 && f.device().write(buffer.data(), used) != used)
            throw UserError(CannotCreateFileText.arg(path, f.device().errorString()));
        used = 0;
    };
    QStringList problems;
    int badLines = 0;
    for (int r = 0; r < list.count(); ++r) {
        const TransferLine &line = list.line(r);
        const qsizetype room = recordRoom(line);
        if (used + room > qsizetype(buffer.size())) {
            if (badLines == 0) flush();
            used = 0;
            if (room > qsizetype(buffer.size())) buffer.resize(size_t(room));
        }
        char *end = writeRecord(line, buffer.data() + used);
        if (end) {
            used = end - buffer.data();
            continue;
        }
        QStringList faults;
        buildRecord(line, &faults);
        if (faults.isEmpty()) faults << QStringLiteral("enregistrement inexact");
        if (++badLines <= 5)
            problems << QStringLiteral("Ligne %1 : %2")
                            .arg(list.lineNumber(r))
                            .arg(faults.join(QStringLiteral(", ")));
    }
    if (badLines > 0) {
        throw UserError(ExportChecks::refusalText(badLines, problems));
    }
    flush();
    if (!f.commit()) throw UserError(CannotCreateFileText.arg(path, f.errorString()));
}

void refuseFaultyLines(const WorkingList &list)
{
    QStringList problems;
    int badLines = 0;
    std::vector<char> scratch;
    for (int r = 0; r < list.count(); ++r) {
        const TransferLine &line = list.line(r);
        scratch.resize(size_t(recordRoom(line)));
        if (writeRecord(line, scratch.data())) continue;
        QStringList faults;
        buildRecord(line, &faults);
        if (faults.isEmpty()) faults << QStringLiteral("enregistrement inexact");
        if (++badLines <= 5)
            problems << QStringLiteral("Ligne %1 : %2")
                            .arg(r + 1)
                            .arg(faults.join(QStringLiteral(", ")));
    }
    if (badLines > 0) throw UserError(ExportChecks::refusalText(badLines, problems));
}

} // namespace TextExport
