// What a comparison shows: category names, thresholds, and the texts of an entry in the
// tables, the report and the command line. The matching itself is in ListComparison.cpp.
#include "ListComparison.h"

#include "model/AmountText.h"
#include "model/BasicText.h"

#include <cstdlib>

namespace
{

const char16_t *const CategoryNames[ListComparison::CategoryCount] = {
    u"Compte modifié", u"Nom modifié", u"Montant modifié", u"Nouveau", u"Sorti", u"Doublon"};

QString amountText(long long cents)
{
    return AmountText::formatCentsTrimmed(cents);
}

QString pairText(const TransferLine *line)
{
    if (!line) return QString();
    return trimBlanks(line->subItemView(TransferLine::Account)).toString() + u'/' +
           trimBlanks(line->subItemView(TransferLine::Key));
}

} // namespace

QString ListComparison::categoryName(Category category)
{
    return QString::fromUtf16(CategoryNames[int(category)]);
}

bool ListComparison::parseThreshold(QStringView text, int &hundredths)
{
    const QStringView s = trimBlanks(text);
    long long whole = 0, fraction = 0;
    int digits = 0, decimals = -1;
    for (QChar c : s) {
        if ((c == u',' || c == u'.') && decimals < 0) {
            decimals = 0;
        } else if (c >= u'0' && c <= u'9') {
            if (decimals < 0) {
                whole = whole * 10 + (c.unicode() - u'0');
                if (whole > 1000000) return false;
                ++digits;
            } else {
                if (++decimals > 2) return false;
                fraction = fraction * 10 + (c.unicode() - u'0');
            }
        } else {
            return false;
        }
    }
    if (digits == 0 || decimals == 0) return false;
    if (decimals == 1) fraction *= 10;
    const long long value = whole * 100 + fraction;
    if (value > 100000000) return false;
    hundredths = int(value);
    return true;
}

QString ListComparison::thresholdText(int hundredths)
{
    QString text = QString::number(hundredths / 100);
    if (const int f = hundredths % 100) {
        text += u',' + QString::number(f).rightJustified(2, u'0');
        if (text.endsWith(u'0')) text.chop(1);
    }
    return text + QStringLiteral(" %");
}

QString ListComparison::insurance(const Entry &e) const
{
    // The new list's number, or the previous one's when the new line has none.
    for (const TransferLine *line : {newLine(e), oldLine(e)}) {
        const QStringView n =
            line ? trimBlanks(line->subItemView(TransferLine::Insurance)) : QStringView();
        if (!n.isEmpty()) return n.toString();
    }
    return QString();
}

QString ListComparison::name(const Entry &e) const
{
    const TransferLine *line = e.newIndex >= 0 ? newLine(e) : oldLine(e);
    return trimBlanks(line->subItemView(TransferLine::Name)).toString();
}

QString ListComparison::oldName(const Entry &e) const
{
    const TransferLine *line = oldLine(e);
    return line ? trimBlanks(line->subItemView(TransferLine::Name)).toString() : QString();
}

QString ListComparison::oldPair(const Entry &e) const
{
    return pairText(oldLine(e));
}
QString ListComparison::newPair(const Entry &e) const
{
    return pairText(newLine(e));
}

long long ListComparison::oldNetCents(const Entry &e) const
{
    return e.oldIndex >= 0 ? m_oldNet[size_t(e.oldIndex)] : 0;
}

long long ListComparison::newNetCents(const Entry &e) const
{
    return e.newIndex >= 0 ? m_newNet[size_t(e.newIndex)] : 0;
}

QString ListComparison::oldNet(const Entry &e) const
{
    return hasOldNet(e) ? amountText(oldNetCents(e)) : QString();
}

QString ListComparison::newNet(const Entry &e) const
{
    return hasNewNet(e) ? amountText(newNetCents(e)) : QString();
}

QString ListComparison::difference(const Entry &e) const
{
    if (!hasOldNet(e) || !hasNewNet(e)) return QString();
    const long long d = newNetCents(e) - oldNetCents(e);
    const QString sign = d > 0 ? QStringLiteral("+") : d < 0 ? QStringLiteral("-") : QString();
    return sign + amountText(d < 0 ? -d : d);
}

QString ListComparison::percent(const Entry &e) const
{
    if (!hasOldNet(e) || !hasNewNet(e) || oldNetCents(e) == 0) return QString();
    const __int128 base = std::abs(oldNetCents(e));
    const __int128 d = __int128(newNetCents(e)) - oldNetCents(e);
    // In tenths of a percent, halves away from zero.
    const __int128 mag = ((d < 0 ? -d : d) * 2000 / base + 1) / 2;
    const QString sign = d > 0 ? QStringLiteral("+") : d < 0 ? QStringLiteral("-") : QString();
    const long long tenths = mag > __int128(INT64_MAX) ? INT64_MAX : (long long)mag;
    return sign + QString::number(tenths / 10) + u',' + QString::number(tenths % 10) +
           QStringLiteral(" %");
}

QString ListComparison::changeText(const Entry &e) const
{
    if (e.category == Category::NameChanged) return QStringLiteral("Ancien nom : ") + oldName(e);
    if (e.category != Category::AmountChanged) return QString();
    const QString p = percent(e);
    return p.isEmpty() ? difference(e) : difference(e) + QStringLiteral(" (") + p + u')';
}

QString ListComparison::text(const Entry &e, int column) const
{
    switch (column) {
    case CategoryColumn:
        return categoryName(e.category);
    case InsuranceColumn:
        return insurance(e);
    case NameColumn:
        return name(e);
    case OldPairColumn:
        return oldPair(e);
    case NewPairColumn:
        return newPair(e);
    case OldNetColumn:
        return oldNet(e);
    case NewNetColumn:
        return newNet(e);
    case ChangeColumn:
        return changeText(e);
    default:
        return QString();
    }
}

QStringList ListComparison::summaryLines() const
{
    QStringList lines;
    for (int k = 0; k < CategoryCount; ++k)
        lines << categoryName(Category(k)) + QStringLiteral(": ") +
                     QString::number(m_counts[size_t(k)]);
    return lines;
}

QString ListComparison::detailLine(const Entry &e) const
{
    const QString sep = QStringLiteral(" | ");
    QString line = categoryName(e.category) + sep + QStringLiteral("NumAss: ") + insurance(e) +
                   sep + QStringLiteral("Nom: ") + name(e) + sep;
    switch (e.category) {
    case Category::AccountChanged:
        return line + QStringLiteral("Ancien: ") + oldPair(e) + sep + QStringLiteral("Nouveau: ") +
               newPair(e);
    case Category::NameChanged:
        return line + QStringLiteral("Ancien: ") + oldName(e) + sep + QStringLiteral("Nouveau: ") +
               name(e);
    case Category::AmountChanged: {
        const QString p = percent(e);
        return line + QStringLiteral("Ancien: ") + oldNet(e) + sep + QStringLiteral("Nouveau: ") +
               newNet(e) + sep + (p.isEmpty() ? difference(e) : p);
    }
    case Category::Left:
        return line + QStringLiteral("Compte: ") + oldPair(e) + sep + QStringLiteral("Net: ") +
               oldNet(e);
    case Category::New:
    case Category::Duplicate:
        break;
    }
    return line + QStringLiteral("Compte: ") + newPair(e) + sep + QStringLiteral("Net: ") +
           newNet(e);
}
