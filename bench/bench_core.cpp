#include "keys/Keys.h"
#include "model/AmountText.h"

#include <QString>
#include <benchmark/benchmark.h>
#include <random>
#include <vector>

namespace {

std::vector<QString> accounts(size_t n)
{
    std::mt19937_64 rng(42);
    std::vector<QString> v;
    v.reserve(n);
    for (size_t i = 0; i < n; ++i)
        v.push_back(QString::number(rng() % 10000000000ULL).rightJustified(10, u'0'));
    return v;
}

void BM_BothKeys(benchmark::State &state)
{
    const auto acc = accounts(4096);
    size_t i = 0;
    for (auto _ : state) {
        const QString &a = acc[i++ & 4095];
        benchmark::DoNotOptimize(CleCCP(a));
        benchmark::DoNotOptimize(CleCcpRip(a));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BothKeys);

void BM_FormatAmount(benchmark::State &state)
{
    std::mt19937_64 rng(7);
    std::vector<double> values(4096);
    for (double &v : values)
        v = double(rng() % 1000000000ULL) / 100.0;
    size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(AmountText::format(values[i++ & 4095]));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FormatAmount);

void BM_SafeStrToFloat(benchmark::State &state)
{
    std::mt19937_64 rng(9);
    std::vector<QString> texts(4096);
    for (QString &t : texts)
        t = AmountText::format(double(rng() % 1000000000ULL) / 100.0);
    size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(SafeStrToFloat(texts[i++ & 4095]));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SafeStrToFloat);

} // namespace

BENCHMARK_MAIN();
