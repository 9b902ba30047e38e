// How two lists are matched: people by insurance number, then by account, each matched pair
// in the first category that applies. What an entry shows is in ListComparisonTexts.cpp.
#include "ListComparison.h"

#include "keys/Keys.h"
#include "model/AmountText.h"
#include "model/UserError.h"

#include <algorithm>
#include <cstdlib>

namespace
{

const QString NetUnreadable = QStringLiteral(
    "%1, ligne %2, champ Net : « %3 » n’est pas un montant. La comparaison est abandonnée.");
const QString NewListName = QStringLiteral("Liste du mois");
const QString OldListName = QStringLiteral("Liste précédente");

constexpr uint64_t NoKey = UINT64_MAX;

// The value of a text of minDigits to maxDigits digits, surrounding blanks ignored.
uint64_t digitsKey(QStringView text, qsizetype minDigits, qsizetype maxDigits)
{
    const QStringView s = trimBlanks(text);
    if (s.size() < minDigits || s.size() > maxDigits) return NoKey;
    uint64_t v = 0;
    for (QChar c : s) {
        if (c < u'0' || c > u'9') return NoKey;
        v = v * 10 + (c.unicode() - u'0');
    }
    return v;
}

// An insurance number: exactly 12 digits.
uint64_t insuranceKey(const TransferLine &line)
{
    return digitsKey(line.subItemView(TransferLine::Insurance), 12, 12);
}

// An account: up to 10 digits, read as if zeros were put in front.
uint64_t accountKey(const TransferLine &line)
{
    return digitsKey(line.subItemView(TransferLine::Account), 1, 10);
}

struct Keyed {
    uint64_t key;
    int index;
};

// Sorts by key, keeping list order among equal keys: a radix sort, 11 bits a pass, as a
// million keys sort several times faster so than by comparisons.
void sortByKey(std::vector<Keyed> &v, uint64_t maxKey)
{
    constexpr int Bits = 11;
    constexpr size_t Buckets = size_t(1) << Bits;
    std::vector<Keyed> other(v.size());
    for (int shift = 0; shift < 64 && (maxKey >> shift) != 0; shift += Bits) {
        std::vector<size_t> start(Buckets + 1, 0);
        for (const Keyed &k : v)
            ++start[((k.key >> shift) & (Buckets - 1)) + 1];
        for (size_t b = 1; b <= Buckets; ++b)
            start[b] += start[b - 1];
        for (const Keyed &k : v)
            other[start[(k.key >> shift) & (Buckets - 1)]++] = k;
        v.swap(other);
    }
}

// One kind of key over one list: the lines that have one, sorted by key, and how often
// each line's key occurs (0 for none, 2 for two or more).
struct KeyIndex {
    std::vector<Keyed> sorted;
    std::vector<uint8_t> occurs;

    KeyIndex(const std::vector<TransferLine> &lines, uint64_t (*keyOf)(const TransferLine &))
        : occurs(lines.size(), 0)
    {
        sorted.reserve(lines.size());
        uint64_t maxKey = 0;
        for (size_t i = 0; i < lines.size(); ++i) {
            const uint64_t k = keyOf(lines[i]);
            if (k == NoKey) continue;
            sorted.push_back({k, int(i)});
            maxKey = std::max(maxKey, k);
        }
        sortByKey(sorted, maxKey);
        forRuns([this](size_t from, size_t to) {
            for (size_t j = from; j < to; ++j)
                occurs[size_t(sorted[j].index)] = uint8_t(std::min<size_t>(2, to - from));
        });
    }
    // Calls f(from, to) for each run of equal keys in sorted.
    template <class F> void forRuns(F &&f) const
    {
        for (size_t from = 0; from < sorted.size();) {
            size_t to = from + 1;
            while (to < sorted.size() && sorted[to].key == sorted[from].key)
                ++to;
            f(from, to);
            from = to;
        }
    }
};

// Calls f(oldFrom, oldTo, newFrom, newTo) for every key present in both indexes.
template <class F> void forCommonKeys(const KeyIndex &a, const KeyIndex &b, F &&f)
{
    size_t i = 0, j = 0;
    const auto &x = a.sorted, &y = b.sorted;
    while (i < x.size() && j < y.size()) {
        if (x[i].key < y[j].key) {
            ++i;
        } else if (y[j].key < x[i].key) {
            ++j;
        } else {
            size_t ie = i + 1, je = j + 1;
            while (ie < x.size() && x[ie].key == x[i].key)
                ++ie;
            while (je < y.size() && y[je].key == y[j].key)
                ++je;
            f(i, ie, j, je);
            i = ie;
            j = je;
        }
    }
}

// Keys compared as numbers when both are one or two digits ("3" is "03").
bool sameKey(QStringView a, QStringView b)
{
    a = trimBlanks(a);
    b = trimBlanks(b);
    const uint64_t ka = digitsKey(a, 1, 2), kb = digitsKey(b, 1, 2);
    if (ka != NoKey && kb != NoKey) return ka == kb;
    return a == b;
}

bool sameAccount(const TransferLine &a, const TransferLine &b)
{
    const uint64_t ka = accountKey(a), kb = accountKey(b);
    if (ka != NoKey && kb != NoKey) return ka == kb;
    return trimBlanks(a.subItemView(TransferLine::Account)) ==
           trimBlanks(b.subItemView(TransferLine::Account));
}

bool sameName(const TransferLine &a, const TransferLine &b)
{
    const QStringView x = trimBlanks(a.subItemView(TransferLine::Name));
    const QStringView y = trimBlanks(b.subItemView(TransferLine::Name));
    return x == y || foldedText(x) == foldedText(y);
}

// True when the Net moved by more than threshold hundredths of a percent of the old Net.
bool amountMoved(long long oldCents, long long newCents, int threshold)
{
    const __int128 d = __int128(newCents) - oldCents;
    const __int128 change = d < 0 ? -d : d;
    const __int128 base = oldCents < 0 ? -__int128(oldCents) : __int128(oldCents);
    return change * 10000 > base * threshold;
}

std::vector<long long> netCents(const std::vector<TransferLine> &lines, const QString &listName)
{
    std::vector<long long> nets(lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        const TransferLine::Figures &f = lines[i].figures;
        if (!f.netReadable)
            throw UserError(NetUnreadable.arg(listName).arg(i + 1).arg(
                trimBlanks(lines[i].subItemView(TransferLine::Net)).toString()));
        nets[i] = f.netCents;
    }
    return nets;
}

} // namespace

ListComparison ListComparison::compare(std::vector<TransferLine> oldLines,
                                       std::vector<TransferLine> newLines, int thresholdHundredths,
                                       const QString &oldListName, const QString &newListName)
{
    ListComparison r;
    r.m_oldListName = oldListName.isEmpty() ? OldListName : oldListName;
    r.m_newListName = newListName.isEmpty() ? NewListName : newListName;
    r.m_threshold = std::max(0, thresholdHundredths);
    r.m_oldNet = netCents(oldLines, r.m_oldListName);
    r.m_newNet = netCents(newLines, r.m_newListName);
    r.m_old = std::move(oldLines);
    r.m_new = std::move(newLines);

    const size_t nOld = r.m_old.size(), nNew = r.m_new.size();
    std::vector<int> oldMatch(nOld, -1), newMatch(nNew, -1);
    std::vector<uint8_t> absorbed(nOld, 0), repeated(nNew, 0);
    {
        const KeyIndex oldAss(r.m_old, insuranceKey), newAss(r.m_new, insuranceKey);
        const KeyIndex oldAcc(r.m_old, accountKey), newAcc(r.m_new, accountKey);
        for (size_t n = 0; n < nNew; ++n)
            repeated[n] = newAss.occurs[n] >= 2 || newAcc.occurs[n] >= 2;

        // A person's previous line whose number or account is repeated in the new list is
        // told through the repetition.
        auto absorbIfRepeated = [&](const KeyIndex &o, size_t of, size_t ot, const KeyIndex &nw,
                                    size_t nf, size_t nt) {
            bool any = false;
            for (size_t j = nf; j < nt; ++j)
                any = any || repeated[size_t(nw.sorted[j].index)];
            if (any)
                for (size_t j = of; j < ot; ++j) {
                    const size_t o2 = size_t(o.sorted[j].index);
                    if (oldMatch[o2] < 0) absorbed[o2] = 1;
                }
            return any;
        };

        // First by insurance number, where it is once in each list.
        forCommonKeys(oldAss, newAss, [&](size_t of, size_t ot, size_t nf, size_t nt) {
            if (absorbIfRepeated(oldAss, of, ot, newAss, nf, nt)) return;
            if (ot - of != 1 || nt - nf != 1) return;
            const int o = oldAss.sorted[of].index, n = newAss.sorted[nf].index;
            oldMatch[size_t(o)] = n;
            newMatch[size_t(n)] = o;
        });
        // Then by account, for lines still alone, unless both carry a number of their own.
        forCommonKeys(oldAcc, newAcc, [&](size_t of, size_t ot, size_t nf, size_t nt) {
            if (absorbIfRepeated(oldAcc, of, ot, newAcc, nf, nt)) return;
            if (ot - of != 1 || nt - nf != 1) return;
            const size_t o = size_t(oldAcc.sorted[of].index), n = size_t(newAcc.sorted[nf].index);
            if (oldMatch[o] >= 0 || newMatch[n] >= 0 || absorbed[o]) return;
            if (oldAss.occurs[o] == 1 && newAss.occurs[n] == 1) return;
            oldMatch[o] = int(n);
            newMatch[n] = int(o);
        });
    }

    std::array<std::vector<Entry>, CategoryCount> byCategory;
    auto put = [&](Category c, int o, int n) { byCategory[size_t(c)].push_back({c, o, n}); };
    for (size_t n = 0; n < nNew; ++n) {
        const int o = newMatch[n];
        if (repeated[n]) {
            put(Category::Duplicate, -1, int(n));
        } else if (o < 0) {
            put(Category::New, -1, int(n));
        } else {
            const TransferLine &a = r.m_old[size_t(o)], &b = r.m_new[n];
            if (!sameAccount(a, b) ||
                !sameKey(a.subItemView(TransferLine::Key), b.subItemView(TransferLine::Key)))
                put(Category::AccountChanged, o, int(n));
            else if (!sameName(a, b))
                put(Category::NameChanged, o, int(n));
            else if (amountMoved(r.m_oldNet[size_t(o)], r.m_newNet[n], r.m_threshold))
                put(Category::AmountChanged, o, int(n));
        }
    }
    for (size_t o = 0; o < nOld; ++o)
        if (oldMatch[o] < 0 && !absorbed[o]) put(Category::Left, int(o), -1);

    size_t total = 0;
    for (const auto &v : byCategory)
        total += v.size();
    r.m_entries.reserve(total);
    for (int k = 0; k < CategoryCount; ++k) {
        r.m_counts[size_t(k)] = int(byCategory[size_t(k)].size());
        r.m_entries.insert(r.m_entries.end(), byCategory[size_t(k)].begin(),
                           byCategory[size_t(k)].end());
    }
    return r;
}
