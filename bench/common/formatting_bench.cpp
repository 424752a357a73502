// Figures for the number and date-time formatters: a grid of a million amounts and a list of a
// hundred thousand stamps.
#include <benchmark/benchmark.h>

#include "common/formatting.h"
#include "common/rounding.h"

#include <QDateTime>

#include <vector>

namespace {

std::vector<double> amounts(size_t n) {
    std::vector<double> v;
    v.reserve(n);
    double x = 0.37;
    for (size_t i = 0; i < n; ++i) {
        x = x * 1.61803 + 13.7;
        if (x > 1e7)
            x /= 9973.0;
        v.push_back((i % 7 == 0) ? -x : x);
    }
    return v;
}

// formatFloat with the grid display pattern over 1 000 000 values (pattern taken from the cache).
void BM_FormatFloatMillion(benchmark::State& state) {
    const std::vector<double> values = amounts(1000000);
    const QString pattern = QStringLiteral(",0.00;-,0.00");
    for (auto _ : state) {
        qsizetype total = 0;
        for (double v : values)
            total += dyt::formatFloat(pattern, v).size();
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(values.size()));
}
BENCHMARK(BM_FormatFloatMillion)->Unit(benchmark::kMillisecond);

// The same with a compiled pattern held by the caller.
void BM_FloatPatternMillion(benchmark::State& state) {
    const std::vector<double> values = amounts(1000000);
    const dyt::FloatPattern pattern(QStringLiteral(",0.00;-,0.00"));
    for (auto _ : state) {
        qsizetype total = 0;
        for (double v : values)
            total += pattern.format(v).size();
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(values.size()));
}
BENCHMARK(BM_FloatPatternMillion)->Unit(benchmark::kMillisecond);

// Rounding by decimal text, as the bill lines do for every computed figure.
void BM_RoundToMillion(benchmark::State& state) {
    const std::vector<double> values = amounts(1000000);
    for (auto _ : state) {
        double total = 0;
        for (double v : values)
            total += dyt::roundTo(v, 2);
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(values.size()));
}
BENCHMARK(BM_RoundToMillion)->Unit(benchmark::kMillisecond);

// FormatDateTime of 100 000 stamps with the stamp pattern of the system.
void BM_FormatDateTimeHundredThousand(benchmark::State& state) {
    std::vector<QDateTime> stamps;
    stamps.reserve(100000);
    const QDateTime start(QDate(2008, 1, 1), QTime(8, 0, 0));
    for (int i = 0; i < 100000; ++i)
        stamps.push_back(start.addSecs(static_cast<qint64>(i) * 937));
    const QString pattern = QStringLiteral("yyyy-mm-dd hh:nn:ss");
    for (auto _ : state) {
        qsizetype total = 0;
        for (const QDateTime& t : stamps)
            total += dyt::FormatDateTime(pattern, t).size();
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(stamps.size()));
}
BENCHMARK(BM_FormatDateTimeHundredThousand)->Unit(benchmark::kMillisecond);

// Bill numbers with a counter mask.
void BM_FormatBillNumber(benchmark::State& state) {
    const QDateTime stamp(QDate(2008, 1, 1), QTime(10, 30, 0));
    const QString format = QStringLiteral("\"JH\"\r-\rYYYY\r-\rMM\r-\rDD\r-\r[00000]");
    std::int64_t counter = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(dyt::formatBillNumber(format, stamp, ++counter));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FormatBillNumber);

}  // namespace
