#include <benchmark/benchmark.h>

#include "common/gbk.h"

static void BM_GbkEncode(benchmark::State& state) {
    QString text = QStringLiteral("进货单销售单收款单付款单").repeated(1000);
    for (auto _ : state) {
        benchmark::DoNotOptimize(dyt::gbk::encode(text));
    }
    state.SetBytesProcessed(state.iterations() * text.size() * 2);
}
BENCHMARK(BM_GbkEncode);
