// The per-line rules the import runs on every line: the record cut, the key check and the
// amount read in centimes; and the session's dictionaries filled from a million distinct
// accounts and names, as an import of a real list does, far beyond the caches.
#include "import/TextImport.h"
#include "keys/Keys.h"
#include "keys/LineCheck.h"
#include "model/AmountText.h"
#include "session/TextDictionary.h"

#include <QString>
#include <benchmark/benchmark.h>
#include <random>
#include <vector>

namespace
{

std::vector<QString> accounts(size_t n)
{
    std::mt19937_64 rng(42);
    std::vector<QString> v;
    v.reserve(n);
    for (size_t i = 0; i < n; ++i)
        v.push_back(QString::number(rng() % 10000000000ULL).rightJustified(10, u'0'));
    return v;
}

// The key check of a line, as the session runs it when a line enters the list.
void BM_CheckKeys(benchmark::State &state)
{
    std::vector<TransferLine> lines;
    for (const QString &a : accounts(4096))
        lines.emplace_back(u"160000100", a, ripKeyText(a), u"   1,00", u"   0,00", u"1", u"NOM",
                           u"P");
    size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(checkKeys(lines[i++ & 4095]).status);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_CheckKeys);

// One 87-character record cut into a line, its amounts written as amount texts.
void BM_ParseRecord(benchmark::State &state)
{
    const QString record =
        QStringLiteral("16000010000123456780300000001234560000000010000110000000001"
                       "ALI BEN                    P");
    for (auto _ : state)
        benchmark::DoNotOptimize(TextImport::parseRecord(record));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ParseRecord);

// An amount text read as whole centimes.
void BM_AmountCents(benchmark::State &state)
{
    std::mt19937_64 rng(9);
    std::vector<QString> texts(4096);
    for (QString &t : texts)
        t = AmountText::formatCents(static_cast<long long>(rng() % 100000000000ULL));
    size_t i = 0;
    long long cents = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(readAmountCents(texts[i++ & 4095], cents));
        benchmark::DoNotOptimize(cents);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AmountCents);

// A million distinct account/key pairs numbered by the pair dictionary, as an import of a
// million people does (every look-up misses, then inserts). Rate per pair.
void BM_PairDictionaryMillion(benchmark::State &state)
{
    const size_t n = size_t(state.range(0));
    std::vector<QString> accountTexts = accounts(n);
    for (auto _ : state) {
        PairDictionary d;
        d.reserve(qsizetype(n));
        for (const QString &a : accountTexts)
            benchmark::DoNotOptimize(d.intern(a, u"07"));
        // Then each pair once more, found this time.
        for (const QString &a : accountTexts)
            benchmark::DoNotOptimize(d.intern(a, u"07"));
    }
    state.SetItemsProcessed(state.iterations() * int64_t(n) * 2);
}
BENCHMARK(BM_PairDictionaryMillion)->Arg(1000000)->Unit(benchmark::kMillisecond);

// A million distinct names numbered by the text dictionary, then found again.
void BM_NameDictionaryMillion(benchmark::State &state)
{
    const size_t n = size_t(state.range(0));
    std::vector<QString> names;
    names.reserve(n);
    std::mt19937_64 rng(7);
    for (size_t i = 0; i < n; ++i)
        names.push_back(QStringLiteral("NOM%1 PRENOM").arg(rng() % 100000000000ULL));
    for (auto _ : state) {
        TextDictionary d;
        d.reserve(qsizetype(n));
        for (const QString &name : names)
            benchmark::DoNotOptimize(d.intern(name));
        for (const QString &name : names)
            benchmark::DoNotOptimize(d.intern(name));
    }
    state.SetItemsProcessed(state.iterations() * int64_t(n) * 2);
}
BENCHMARK(BM_NameDictionaryMillion)->Arg(1000000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
