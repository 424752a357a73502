// dyt-bench-recost: re-costing after a backdated purchase that comes before 10 000 later sale
// lines of the same goods (one-line bills), next to posting those 10 000 lines afresh in the same
// run. Both sides run in one immediate transaction, so the figures compare the ledger work, not
// the commits. Counters: fresh_s (storing and posting the sales), recost_s (storing and posting
// the backdated purchase, which re-costs every sale), ratio = recost_s / fresh_s. One run per cost
// method: 0 moving average, 2 FIFO.
#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QTemporaryDir>

#include "../benchaccountset.h"
#include "server/db/database.h"
#include "server/ledger/posting.h"

namespace {

using dyt::server::Database;
using dyt::server::Transaction;

constexpr int kSales = 10000;
constexpr qint64 kStock = 11, kCustomer = 21, kSupplier = 22, kGoods = 100;

std::unique_ptr<Database> makeAccountSet(const QString& path, int costMode) {
    return dyt::bench::openedAccountSet(path, {{kGoods, costMode}});
}

// Stores a one-line bill as the bill service does and posts it.
void postBill(Database& db, int djType, qint64 partner, const QString& date, double qty,
              double price) {
    const double total = qty * price;
    db.execute(
        QStringLiteral("INSERT INTO djIndex(djType, code, date, dj_state, wldw_id, "
                       "IntoStock_id, total, taxTotalSum) VALUES (?, 'B', ?, 2, ?, ?, ?, ?)"),
        {djType, date, partner, kStock, total, total});
    const qint64 id = db.lastInsertId();
    db.execute(QStringLiteral("INSERT INTO djList(id, djType, date, dj_state, goodsid, rate, qty, "
                              "price, total, discount, discountprice, discounttotal, taxprice, "
                              "taxTotalSum) VALUES (?, ?, ?, 2, ?, 1, ?, ?, ?, 1, ?, ?, ?, ?)"),
               {id, djType, date, kGoods, qty, price, total, price, total, price, total});
    dyt::server::posting::postBill(db, id, 1);
}

void BM_RecostAfterBackdatedPurchase(benchmark::State& state) {
    const int costMode = static_cast<int>(state.range(0));
    double fresh = 0, recost = 0;
    for (auto _ : state) {
        QTemporaryDir dir;
        auto db = makeAccountSet(dir.filePath(QStringLiteral("recost.db")), costMode);
        {
            Transaction tx(*db);
            postBill(*db, 5, kSupplier, QStringLiteral("2024-01-05"), 2 * kSales, 5);
            tx.commit();
        }
        QElapsedTimer t;
        t.start();
        {
            Transaction tx(*db);
            for (int i = 0; i < kSales; ++i) {
                // In date order: spread over February.
                const int day = 1 + i * 28 / kSales;
                postBill(*db, 1, kCustomer,
                         QStringLiteral("2024-02-%1").arg(day, 2, 10, QLatin1Char('0')), 1, 9);
            }
            tx.commit();
        }
        const double freshSeconds = t.nsecsElapsed() / 1e9;
        t.restart();
        {
            Transaction tx(*db);
            postBill(*db, 5, kSupplier, QStringLiteral("2024-01-10"), 10, 8);
            tx.commit();
        }
        const double recostSeconds = t.nsecsElapsed() / 1e9;
        state.SetIterationTime(recostSeconds);
        fresh += freshSeconds;
        recost += recostSeconds;
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["fresh_s"] = fresh / n;
    state.counters["recost_s"] = recost / n;
    state.counters["ratio"] = recost / fresh;
}

BENCHMARK(BM_RecostAfterBackdatedPurchase)
    ->ArgName("costmode")
    ->Arg(0)
    ->Arg(2)
    ->Iterations(2)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
