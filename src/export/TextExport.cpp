#include "TextExport.h"

#include "keys/Keys.h"
#include "model/AmountText.h"
#include "model/UserError.h"
#include "model/WorkingList.h"

#include <QSaveFile>
#include <cfenv>
#include <cmath>

namespace TextExport {

namespace {

constexpr int RecordWidth = 87;
constexpr long long MaxCents = 9999999999999LL; // thirteen digits

struct Field {
    const char *name;
    int width;
};

// Appends text left-aligned and space-padded to width; a longer text is kept whole.
void padRight(QString &out, QStringView text, int width)
{
    out.append(text);
    for (qsizetype i = text.size(); i < width; ++i)
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
    QString compte = GetSubSafe(line, TransferLine::Compte).toString();
    if (compte.size() < 10)
        compte = compte.rightJustified(10, u'0');
    QString cle = GetSubSafe(line, TransferLine::CleRip).toString();
    if (cle.size() < 2)
        cle = cle.rightJustified(2, u'0');
    const long long net = MoneyToCents(GetSubSafe(line, TransferLine::Net));
    const long long rend = MoneyToCents(GetSubSafe(line, TransferLine::Rendement));
    const QStringView numAss = trimBlanks(GetSubSafe(line, TransferLine::NumAss));
    const QStringView nom = trimBlanks(GetSubSafe(line, TransferLine::NomPrenom));
    const QStringView type = trimBlanks(GetSubSafe(line, TransferLine::TypeContrat));

    QString rec;
    rec.reserve(RecordWidth + 8);
    padRight(rec, line.captionView().left(9), 9);
    padRight(rec, compte, 10);
    padRight(rec, cle, 2);
    rec.append(CentsTo13(net));
    rec.append(CentsTo13(rend));
    padRight(rec, numAss, 12);
    padRight(rec, nom, 27);
    padRight(rec, type, 1);
    while (rec.size() < RecordWidth)
        rec.append(u' ');

    if (faults) {
        auto tooLong = [faults](const char *name, qsizetype size, int width) {
            if (size > width)
                *faults << QStringLiteral("%1 (%2 caractères pour %3)").arg(QLatin1String(name)).arg(size).arg(width);
        };
        tooLong("Compte", compte.size(), 10);
        for (QChar c : compte) {
            if (c < u'0' || c > u'9') {
                *faults << QStringLiteral("Compte (caractère « %1 » qui n’est pas un chiffre)").arg(c);
                break;
            }
        }
        tooLong("CLE/RIP", cle.size(), 2);
        for (auto [name, cents] : {std::pair{"Net", net}, {"Rendement", rend}}) {
            if (cents < 0)
                *faults << QStringLiteral("%1 (montant négatif)").arg(QLatin1String(name));
            else if (cents > MaxCents)
                *faults << QStringLiteral("%1 (plus de 13 chiffres en centimes)").arg(QLatin1String(name));
        }
        tooLong("NumAss", numAss.size(), 12);
        tooLong("NomPrenom", nom.size(), 27);
        tooLong("TypeContrat", type.size(), 1);
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
    if (badLines > 0) {
        QString text = QStringLiteral("Export annulé : %1 ligne(s) ne donnent pas un enregistrement exact de "
                                      "87 caractères. Aucun fichier n’a été écrit.\n\n")
                           .arg(badLines) +
                       problems.join(u'\n');
        if (badLines > problems.size())
            text += QStringLiteral("\n… et %1 autre(s).").arg(badLines - problems.size());
        text += QStringLiteral("\n\nCorrigez ces lignes (par exemple avec « Clean DATA » ou l’éditeur) puis "
                               "exportez de nouveau.");
        throw UserError(text);
    }
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit())
        throw UserError(QStringLiteral("Cannot create file \"%1\". %2").arg(path, f.errorString()));
}

} // namespace TextExport
