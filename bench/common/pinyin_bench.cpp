// Pinyin initials of 1 MB of mixed Chinese and ASCII text; parameter-list reads and writes on a
// list of 50 lines.
#include <benchmark/benchmark.h>

#include "common/paramlist.h"
#include "common/pinyin.h"

#include <QStringList>

namespace {

// About 1 MB of UTF-16: goods names, partner names and codes, a third ASCII.
QString mixedText() {
    const QString sample = QStringLiteral(
        "德盈通商贸有限公司 A-1型号 进货单JH20240315-0001 长城润滑油4L 银行存款 "
        "Coca-Cola 可口可乐330ml 重庆火锅底料 番茄酱 iPhone15手机壳 厦门海鲜批发市场 ");
    QString text;
    while (text.size() * 2 < 1024 * 1024) {
        text += sample;
    }
    return text;
}

void BM_PinYinInitialsOf1MB(benchmark::State& state) {
    const QString text = mixedText();
    for (auto _ : state) {
        benchmark::DoNotOptimize(dyt::pinYinInitials(text));
    }
    state.SetBytesProcessed(state.iterations() * text.size() * 2);
}
BENCHMARK(BM_PinYinInitialsOf1MB)->Unit(benchmark::kMillisecond);

// GetPinYinLeader on short names, as base-record editors call it.
void BM_GetPinYinLeaderOfNames(benchmark::State& state) {
    const QStringList names{QStringLiteral("北京德盈通商贸有限公司"),
                            QStringLiteral("长城润滑油4L"), QStringLiteral("可口可乐330ml"),
                            QStringLiteral("张三")};
    for (auto _ : state) {
        for (const QString& n : names) {
            benchmark::DoNotOptimize(dyt::GetPinYinLeader(n));
        }
    }
    state.SetItemsProcessed(state.iterations() * names.size());
}
BENCHMARK(BM_GetPinYinLeaderOfNames);

dyt::ParamList fiftyLines(QStringList* names) {
    dyt::ParamList p;
    for (int i = 0; i < 50; ++i) {
        const QString name = QStringLiteral("Param_%1").arg(i);
        names->append(name.toUpper());
        p.setValue(name, QStringLiteral(";czy_id=1;id=%1;issub=1").arg(i));
    }
    return p;
}

void BM_ParamListGet50(benchmark::State& state) {
    QStringList names;
    const dyt::ParamList p = fiftyLines(&names);
    for (auto _ : state) {
        for (const QString& n : names) {
            benchmark::DoNotOptimize(p.value(n));
        }
    }
    state.SetItemsProcessed(state.iterations() * names.size());
}
BENCHMARK(BM_ParamListGet50);

void BM_ParamListSet50(benchmark::State& state) {
    QStringList names;
    dyt::ParamList p = fiftyLines(&names);
    const QString value = QStringLiteral("2024-03-15");
    for (auto _ : state) {
        for (const QString& n : names) {
            p.setValue(n, value);
        }
    }
    state.SetItemsProcessed(state.iterations() * names.size());
}
BENCHMARK(BM_ParamListSet50);

void BM_ParamListTextRoundTrip50(benchmark::State& state) {
    QStringList names;
    const dyt::ParamList p = fiftyLines(&names);
    for (auto _ : state) {
        dyt::ParamList back(p.text());
        benchmark::DoNotOptimize(back.count());
    }
}
BENCHMARK(BM_ParamListTextRoundTrip50);

}  // namespace
