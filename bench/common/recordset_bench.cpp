// Record set figures on a goods-like table of 100 000 rows and 20 fields: filtering, walking the
// filtered rows, locating by code with and without an index, sorting, worksheet export.
#include <benchmark/benchmark.h>

#include <QDate>

#include "common/filterexpr.h"
#include "common/paramlist.h"
#include "common/recordset.h"
#include "common/worksheet.h"
#include "protocol/protocol.h"

namespace {

using dyt::FieldType;
using dyt::RecordSet;

constexpr int kRows = 100000;

RecordSet makeGoods(int rows) {
    RecordSet s;
    s.addField(QStringLiteral("id"), FieldType::Integer);
    s.addField(QStringLiteral("code"), FieldType::Text, 20);
    s.addField(QStringLiteral("fullname"), FieldType::Text, 60);
    s.addField(QStringLiteral("pym"), FieldType::Text, 20);
    s.addField(QStringLiteral("par_id"), FieldType::Integer);
    s.addField(QStringLiteral("par_jl"), FieldType::Text, 60);
    s.addField(QStringLiteral("sonnum"), FieldType::Integer);
    s.addField(QStringLiteral("leveal"), FieldType::Integer);
    s.addField(QStringLiteral("price"), FieldType::Currency);
    s.addField(QStringLiteral("price1"), FieldType::Currency);
    s.addField(QStringLiteral("price2"), FieldType::Currency);
    s.addField(QStringLiteral("qty"), FieldType::Float);
    s.addField(QStringLiteral("unit"), FieldType::Text, 8);
    s.addField(QStringLiteral("spec"), FieldType::Text, 30);
    s.addField(QStringLiteral("isstop"), FieldType::Integer);
    s.addField(QStringLiteral("isbj"), FieldType::Integer);
    s.addField(QStringLiteral("barcode"), FieldType::Text, 30);
    s.addField(QStringLiteral("memo"), FieldType::Text, 100);
    s.addField(QStringLiteral("createdate"), FieldType::Date);
    s.addField(QStringLiteral("hidden"), FieldType::Boolean);
    static const char* names[] = {"进货单", "销售单", "铅笔", "圆珠笔", "笔记本", "文件夹"};
    static const char* pyms[] = {"JHD", "XSD", "QB", "YZB", "BJB", "WJJ"};
    const QDate base(2020, 1, 1);
    for (int i = 0; i < rows; ++i) {
        const int kind = i % 6;
        const int group = i / 1000;
        const QString code =
            QStringLiteral("%1%2").arg(3000 + group % 10).arg(i, 6, 10, QLatin1Char('0'));
        s.appendRow({i + 1,
                     code,
                     QString::fromUtf8(names[kind]) + QString::number(i),
                     QString::fromLatin1(pyms[kind]) + QString::number(i % 100),
                     group + 1,
                     QStringLiteral("0,%1,%2,").arg(group + 1).arg(i + 1),
                     i % 50 == 0 ? 3 : 0,
                     i % 50 == 0 ? 2 : 3,
                     QStringLiteral("%1.%2").arg(i % 997).arg(i % 100),
                     QStringLiteral("12.5"),
                     QStringLiteral("0.1"),
                     (i % 37) * 1.5,
                     QStringLiteral("个"),
                     QStringLiteral("规格 %1").arg(i % 13),
                     i % 11 == 0 ? 1 : 0,
                     i % 3 == 0 ? 0 : 1,
                     QStringLiteral("69%1").arg(i, 11, 10, QLatin1Char('0')),
                     QString(),
                     base.addDays(i % 1500),
                     i % 17 == 0});
    }
    return s;
}

const RecordSet& goods() {
    static const RecordSet s = makeGoods(kRows);
    return s;
}

const char* const kFilters[] = {
    " hidden=0 ",
    "SUBSTRING(code,1,4) = '3003' AND sonnum = 0 and isstop = 0 and isbj = 1 AND leveal = 3 OR "
    "code = '3006006001'",
    "(SUBSTRING(code,1,2) = '30')  or (code = '500401') or (code = '500402')",
    "fullname LIKE '%笔%' AND price > 100.5",
    "UPPER(pym) LIKE 'QB1_' OR createdate >= '2023-06-01'",
};

void BM_FilterCompile(benchmark::State& state) {
    goods();  // built before the clock runs
    const QString text = QString::fromUtf8(kFilters[state.range(0)]);
    for (auto _ : state) {
        benchmark::DoNotOptimize(dyt::FilterExpr::compile(text, goods().fields()));
    }
}
BENCHMARK(BM_FilterCompile)->DenseRange(0, 4);

void BM_SetFilter(benchmark::State& state) {
    RecordSet s = goods();
    const QString text = QString::fromUtf8(kFilters[state.range(0)]);
    for (auto _ : state) {
        s.setFilter(text);
        benchmark::DoNotOptimize(s.recordCount());
        state.PauseTiming();
        s.setFilter(QString());
        state.ResumeTiming();
    }
    s.setFilter(text);
    state.counters["visible"] = s.recordCount();
    state.SetItemsProcessed(state.iterations() * s.rowCount());
    state.SetLabel("100000 rows x 20 fields");
}
BENCHMARK(BM_SetFilter)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

void BM_WalkFilteredRows(benchmark::State& state) {
    RecordSet s = goods();
    s.setFilter(QString::fromUtf8(kFilters[0]));
    const int price = s.fieldIndex(QStringLiteral("price"));
    for (auto _ : state) {
        qint64 n = 0;
        for (s.first(); !s.eof(); s.next()) {
            n += s.value(price).isValid() ? 1 : 0;
        }
        benchmark::DoNotOptimize(n);
    }
    state.SetItemsProcessed(state.iterations() * s.recordCount());
}
BENCHMARK(BM_WalkFilteredRows)->Unit(benchmark::kMillisecond);

// Locates codes spread over the table; the last one is near the end.
void locateCodes(benchmark::State& state, RecordSet& s) {
    QStringList codes;
    for (int i = 0; i < 16; ++i) {
        const int row = kRows - 1 - i * 397;
        codes << s.at(row, 1).toString();
    }
    int k = 0;
    for (auto _ : state) {
        const bool found = s.locate(QStringLiteral("code"), codes[k++ % codes.size()]);
        benchmark::DoNotOptimize(found);
    }
}

void BM_LocateByCodeScan(benchmark::State& state) {
    RecordSet s = goods();
    locateCodes(state, s);
}
BENCHMARK(BM_LocateByCodeScan)->Unit(benchmark::kMicrosecond);

void BM_LocateByCodeIndexed(benchmark::State& state) {
    RecordSet s = goods();
    s.addIndex(QStringLiteral("code"));
    s.locate(QStringLiteral("code"), QStringLiteral("none"));  // builds the index
    locateCodes(state, s);
}
BENCHMARK(BM_LocateByCodeIndexed)->Unit(benchmark::kMicrosecond);

void BM_LocateByCodeIndexedFiltered(benchmark::State& state) {
    RecordSet s = goods();
    s.setFilter(QString::fromUtf8(kFilters[0]));
    s.addIndex(QStringLiteral("code"));
    s.locate(QStringLiteral("code"), QStringLiteral("none"));
    locateCodes(state, s);
}
BENCHMARK(BM_LocateByCodeIndexedFiltered)->Unit(benchmark::kMicrosecond);

void BM_IndexBuild(benchmark::State& state) {
    RecordSet s = goods();
    s.addIndex(QStringLiteral("code"));
    for (auto _ : state) {
        s.removeRow(s.rowCount() - 1);  // drops the index, rebuilt by the next locate
        s.appendRow(goods().row(kRows - 1));
        benchmark::DoNotOptimize(s.locate(QStringLiteral("code"), QStringLiteral("none")));
    }
}
BENCHMARK(BM_IndexBuild)->Unit(benchmark::kMillisecond);

void BM_Sort(benchmark::State& state) {
    static const char* fields[] = {"code", "fullname", "price", "id"};
    const QString field = QString::fromLatin1(fields[state.range(0)]);
    RecordSet s = goods();
    s.sort(field);  // the first sort also detaches the copy from the shared rows
    bool descending = true;
    for (auto _ : state) {
        s.sort(field, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
        descending = !descending;
        benchmark::DoNotOptimize(s.rowCount());
    }
    state.SetLabel(fields[state.range(0)]);
}
BENCHMARK(BM_Sort)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

void BM_WorksheetExport(benchmark::State& state) {
    RecordSet s = goods();
    s.setFilter(QStringLiteral("id <= 65535"));
    qint64 size = 0;
    for (auto _ : state) {
        const QByteArray bytes = dyt::worksheet::toBytes(s);
        size = bytes.size();
        benchmark::DoNotOptimize(size);
    }
    state.SetBytesProcessed(state.iterations() * size);
    state.SetLabel("65535 rows x 20 fields");
}
BENCHMARK(BM_WorksheetExport)->Unit(benchmark::kMillisecond);

// Packets and parameter lists with many fields: decoding a record-set packet of N text fields and
// building a parameter list of N lines must stay linear in N (the per-field figure flat).
void BM_WidePacketDecode(benchmark::State& state) {
    RecordSet s;
    for (int i = 0; i < state.range(0); ++i)
        s.addField(QStringLiteral("field%1").arg(i), FieldType::Text, 20);
    s.appendRow(QVariantList(state.range(0), QStringLiteral("x")));
    const QCborValue packet = dyt::proto::recordSetToCbor(s);
    for (auto _ : state) {
        const RecordSet back = dyt::proto::recordSetFromCbor(packet);
        benchmark::DoNotOptimize(back.fieldCount());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_WidePacketDecode)->Arg(10000)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond);

void BM_WideParamList(benchmark::State& state) {
    for (auto _ : state) {
        dyt::ParamList p;
        for (int i = 0; i < state.range(0); ++i)
            p.setValue(QStringLiteral("field%1").arg(i), QStringLiteral("x"));
        benchmark::DoNotOptimize(p.value(QStringLiteral("field0")));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_WideParamList)->Arg(10000)->Arg(20000)->Arg(40000)->Unit(benchmark::kMillisecond);

}  // namespace
