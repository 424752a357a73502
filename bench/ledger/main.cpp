// dyt-bench-ledger: bills per second when 10-line purchase and sales bills are stored and posted
// in process (one immediate transaction per bill, as the bill service does), next to the raw rate
// of the same row writes done directly on SQLite with prepared statements, one transaction per
// bill. Usage: dyt-bench-ledger [bills]
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

#include <sqlite3.h>

#include "common/error.h"
#include "../benchaccountset.h"
#include "server/db/database.h"
#include "server/ledger/posting.h"

namespace {

using dyt::server::Database;
using dyt::server::Transaction;

constexpr int kLines = 10;
constexpr qint64 kStock = 11, kCustomer = 21, kSupplier = 22, kFirstGoods = 100;

std::unique_ptr<Database> makeAccountSet(const QString& path) {
    // Half the goods by moving average, half FIFO.
    std::vector<std::pair<qint64, int>> goods;
    for (int i = 0; i < kLines; ++i)
        goods.emplace_back(kFirstGoods + i, i % 2 ? 2 : 0);
    return dyt::bench::openedAccountSet(path, goods);
}

qint64 storeBill(Database& db, int djType, qint64 partner, double qty, double price) {
    const double total = qty * price * kLines;
    db.execute(QStringLiteral("INSERT INTO djIndex(djType, code, date, dj_state, wldw_id, "
                              "IntoStock_id, total, taxTotalSum) VALUES (?, 'B', '2024-02-01', 2, "
                              "?, ?, ?, ?)"),
               {djType, partner, kStock, total, total});
    const qint64 id = db.lastInsertId();
    for (int i = 0; i < kLines; ++i) {
        db.execute(QStringLiteral("INSERT INTO djList(id, djType, date, dj_state, goodsid, rate, "
                                  "qty, price, total, discount, discountprice, discounttotal, "
                                  "taxprice, taxTotalSum) VALUES (?, ?, '2024-02-01', 2, ?, 1, ?, "
                                  "?, ?, 1, ?, ?, ?, ?)"),
                   {id, djType, kFirstGoods + i, qty, price, qty * price, price, qty * price, price,
                    qty * price});
    }
    db.execute(QStringLiteral("INSERT INTO djKmDetail(id, djType, date, km_id, type, dbTotal, "
                              "LendTotal, dj_state) VALUES (?, ?, '2024-02-01', 8, 1, ?, ?, 2)"),
               {id, djType, djType == 1 ? total / 2 : 0.0, djType == 1 ? 0.0 : total / 2});
    return id;
}

double postBills(Database& db, int djType, qint64 partner, int bills, double qty, double price) {
    QElapsedTimer t;
    t.start();
    for (int b = 0; b < bills; ++b) {
        Transaction tx(db);
        const qint64 id = storeBill(db, djType, partner, qty, price);
        dyt::server::posting::postBill(db, id, 1);
        tx.commit();
    }
    return bills * 1000.0 / std::max<qint64>(1, t.elapsed());
}

// The row writes of one posted 10-line bill, done with prepared statements and no reading: the
// bill (1 + 10 + 1 rows), the line costs (10), stock layers and movements (10 + 10), the partner
// (1 + 1), account lines and balances (5 + 10) and the posting mark (1).
double rawRate(sqlite3* db, int bills) {
    auto prepare = [&](const char* sql) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK)
            throw dyt::DytError(QString::fromUtf8(sqlite3_errmsg(db)));
        return st;
    };
    auto run = [&](sqlite3_stmt* st, std::initializer_list<double> values) {
        int i = 1;
        for (double v : values)
            sqlite3_bind_double(st, i++, v);
        if (sqlite3_step(st) != SQLITE_DONE)
            throw dyt::DytError(QString::fromUtf8(sqlite3_errmsg(db)));
        sqlite3_reset(st);
    };
    sqlite3_stmt* head = prepare(
        "INSERT INTO djIndex(djType, code, date, dj_state, wldw_id, IntoStock_id, total) VALUES "
        "(?1, 'B', '2024-02-01', 2, ?2, 11, ?3)");
    sqlite3_stmt* line = prepare(
        "INSERT INTO djList(id, djType, date, dj_state, goodsid, qty, price, total) VALUES "
        "(?1, 1, '2024-02-01', 2, ?2, ?3, ?4, ?5)");
    sqlite3_stmt* km = prepare(
        "INSERT INTO djKmDetail(id, djType, date, km_id, type, dbTotal, LendTotal, dj_state) "
        "VALUES (?1, 1, '2024-02-01', ?2, ?3, ?4, 0, 2)");
    sqlite3_stmt* cost =
        prepare("UPDATE djList SET costprice = ?1, costtotal = ?2 WHERE orderid = ?3");
    sqlite3_stmt* layer = prepare(
        "UPDATE baseGoodsStock SET qty = qty + ?1, total = total + ?2 WHERE goodsid = ?3 AND "
        "stockid = 11");
    sqlite3_stmt* move = prepare(
        "INSERT INTO djStockDetail(id, listid, djType, date, dj_state, goodsid, stockid, qty, "
        "total) VALUES (?1, ?2, 1, '2024-02-01', 2, ?3, 11, ?4, ?5)");
    sqlite3_stmt* partnerMove = prepare(
        "INSERT INTO djWLDWDetail(id, djType, date, dj_state, wldw_id, ysTotal) VALUES "
        "(?1, 1, '2024-02-01', 2, 21, ?2)");
    sqlite3_stmt* partner = prepare("UPDATE baseWLDW SET ystotal = ystotal + ?1 WHERE id = 21");
    sqlite3_stmt* account =
        prepare("UPDATE baseKM SET dbTotal = dbTotal + ?1, Total = Total + ?1 WHERE id = ?2");
    sqlite3_stmt* mark = prepare("UPDATE djIndex SET postid = 1 WHERE id = ?1");
    QElapsedTimer t;
    t.start();
    for (int b = 0; b < bills; ++b) {
        sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
        run(head, {1, 21, 200});
        const double id = static_cast<double>(sqlite3_last_insert_rowid(db));
        double firstLine = 0;
        for (int i = 0; i < kLines; ++i) {
            run(line, {id, double(kFirstGoods + i), 2, 10, 20});
            if (i == 0)
                firstLine = static_cast<double>(sqlite3_last_insert_rowid(db));
        }
        run(km, {id, 8, 1, 100});
        for (int i = 0; i < kLines; ++i) {
            run(cost, {5, 10, firstLine + i});
            run(layer, {-2, -10, double(kFirstGoods + i)});
            run(move, {id, firstLine + i, double(kFirstGoods + i), -2, -10});
        }
        run(partnerMove, {id, 100});
        run(partner, {100});
        for (int k = 0; k < 5; ++k) {
            run(km, {id, double(6 + k), 0, 20});
            run(account, {20, double(6 + k)});
            run(account, {20, 1});
        }
        run(mark, {id});
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    }
    const double rate = bills * 1000.0 / std::max<qint64>(1, t.elapsed());
    for (sqlite3_stmt* st :
         {head, line, km, cost, layer, move, partnerMove, partner, account, mark})
        sqlite3_finalize(st);
    return rate;
}

}  // namespace

int main(int argc, char** argv) {
    QTextStream out(stdout);
    const int bills = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 500;
    try {
        QTemporaryDir dir;
        auto db = makeAccountSet(dir.filePath(QStringLiteral("posting.db")));
        // Purchases first (they bring the stock the sales take), then as many sales.
        const double purchases = postBills(*db, 5, kSupplier, bills, 20, 10);
        const double sales = postBills(*db, 1, kCustomer, bills, 2, 20);
        auto raw = makeAccountSet(dir.filePath(QStringLiteral("raw.db")));
        raw->execute(
            QStringLiteral("INSERT INTO baseGoodsStock(goodsid, stockid, qty, total) "
                           "SELECT id, 11, 1000000, 10000000 FROM baseGoods"));
        const double direct = rawRate(raw->handle(), bills);
        out << "10-line bills posted in process (one immediate transaction each, "
               "synchronous=FULL), "
            << bills << " of each kind\n";
        out << QStringLiteral("  purchases: %1 bills/s\n").arg(purchases, 0, 'f', 1);
        out << QStringLiteral("  sales:     %1 bills/s\n").arg(sales, 0, 'f', 1);
        out << QStringLiteral("  raw SQLite, the same row writes per bill: %1 bills/s\n")
                   .arg(direct, 0, 'f', 1);
        out << QStringLiteral("  ratio raw / posted sales: %1\n").arg(direct / sales, 0, 'f', 2);
    } catch (const dyt::DytError& e) {
        out << "failed: " << e.message() << "\n";
        return 1;
    }
    return 0;
}
