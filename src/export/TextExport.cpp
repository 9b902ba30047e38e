#include "TextExport.h"

#include "ExportChecks.h"
#include "keys/Keys.h"
#include "model/TextColumns.h"
#include "model/AmountText.h"
#include "model/UserError.h"
#include "model/WorkingList.h"

#include <QSaveFile>
#include <cfenv>
#include <cmath>

namespace TextExport {

namespace {

constexpr int RecordWidth = 87;

struct Field {
    const char *name;
    int width;
};

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
        if (c.unicode() < 32 || c.unicode() == 127)
            return true;
    return false;
}

} // namespace

long long MoneyToCents(QStringView s)
{
    const double v = SafeStrToFloat(s) * 100.0;
    if (!std::isfinite(v) || std::fabs(v) > 9.0e18)
        return 0;
    const int previous = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double r = std::nearbyint(v);
    std::fesetround(previous);
    return static_cast<long long>(r);
}

QString CentsTo13(long long value)
{
    const unsigned long long a = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                           : static_cast<unsigned long long>(value);
    const QString digits = QString::number(a).rightJustified(13, u'0');
    return value < 0 ? u'-' + digits : digits;
}

QStringView GetSubSafe(const TransferLine &item, int index) { return item.subItemView(index); }

QString buildRecord(const TransferLine &line, QStringList *faults)
{
    QString compte = trimBlanks(GetSubSafe(line, TransferLine::Compte)).toString();
    if (compte.size() < 10)
        compte = compte.rightJustified(10, u'0');
    const QString cle = trimBlanks(GetSubSafe(line, TransferLine::CleRip)).toString();
    long long net = 0, rend = 0;
    TryAmountCents(GetSubSafe(line, TransferLine::Net), net);
    TryAmountCents(GetSubSafe(line, TransferLine::Rendement), rend);
    const QStringView numAss = trimBlanks(GetSubSafe(line, TransferLine::NumAss));
    const QStringView nom = trimBlanks(GetSubSafe(line, TransferLine::NomPrenom));
    const QStringView type = trimBlanks(GetSubSafe(line, TransferLine::TypeContrat));

    QString rec;
    rec.reserve(RecordWidth + 8);
    padRight(rec, TextColumns::mid(line.captionView(), 0, 9), 9);
    padRight(rec, compte, 10);
    padRight(rec, cle, 2);
    rec.append(CentsTo13(net));
    rec.append(CentsTo13(rend));
    padRight(rec, numAss, 12);
    padRight(rec, nom, 27);
    padRight(rec, type, 1);

    if (faults) {
        *faults += ExportChecks::faults(line);
        auto tooLong = [faults](const char *name, QStringView text, int width) {
            const qsizetype size = TextColumns::length(text);
            if (size > width)
                *faults << QStringLiteral("%1 (%2 caractères pour %3)").arg(QLatin1String(name)).arg(size).arg(width);
        };
        tooLong("Compte", compte, 10);
        tooLong("NumAss", numAss, 12);
        tooLong("NomPrenom", nom, 27);
        tooLong("TypeContrat", type, 1);
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
            return QStringLiteral("Le code ordinateur ne peut pas contenir de caractère de contrôle.");
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

void writeFile(const WorkingList &list, const QString &path)
{
    QByteArray bytes("\xEF\xBB\xBF");
    bytes.reserve(qsizetype(list.count()) * (RecordWidth + 8) + 3);
    QStringList problems;
    int badLines = 0;
    for (int r = 0; r < list.count(); ++r) {
        QStringList faults;
        const QString rec = buildRecord(list.line(r), &faults);
        if (!faults.isEmpty()) {
            if (++badLines <= 5)
                problems << QStringLiteral("Ligne %1 : %2").arg(r + 1).arg(faults.join(QStringLiteral(", ")));
            continue;
        }
        bytes += rec.toUtf8();
        bytes += "\r\n";
    }
    if (badLines > 0)
        throw UserError(ExportChecks::refusalText(badLines, problems));
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit())
        throw UserError(QStringLiteral("Cannot create file \"%1\". %2").arg(path, f.errorString()));
}

} // namespace TextExport
