#pragma once
// A fresh account set on disk with warehouses, partners and goods, and bills written as the bill
// service stores them and posted in one immediate transaction.

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QVariant>

#include <memory>
#include <vector>

#include "common/paramlist.h"
#include "ledger_figures.h"
#include "scratchdb.h"
#include "server/db/database.h"
#include "server/db/schema.h"
#include "server/ledger/posting.h"
#include "server/procs/registry.h"
#include "support/testutil.h"

using namespace Qt::StringLiterals;

namespace dyt::ledgertest {

using server::Database;

// Warehouses, partners and goods of the fixture.
enum : qint64 {
    kMain = 11,      // 总仓
    kShop = 12,      // 门店
    kCustomer = 21,  // 宏达五金
    kSupplier = 22,  // 华南供应
    kCarrier = 23,   // 顺风物流 (freight partner)
    kAgent = 24,     // 代收点 (collection agent)
    kAverage = 31,   // 螺丝, moving average
    kManual = 32,    // 轴承, manual batch
    kFifo = 33,      // 齿轮, FIFO
    kLifo = 34,      // 链条, LIFO
    kProduct = 35,   // 变速箱, moving average (assembled)
};

using namespace dyt::test::chart;

struct LinePlan {
    qint64 goods = 0;
    double qty = 0;
    double price = 0;
    double taxRate = 0;     // percent
    double freight = 0;     // yftotal
    qint64 goodspc = 0;     // chosen batch
    qint64 intoStock = 0;   // line warehouse
    qint64 outStock = 0;    // line warehouse taken from (two-warehouse bills)
    qint64 sourceBill = 0;  // s_id
    qint64 sourceLine = 0;  // s_orderid
    qint64 km = 0;          // account of money lines
    double total = 0;       // amount of money lines
    double costprice = 0;
};

struct MoneyPlan {
    qint64 km = 0;
    int type = 1;
    double amount = 0;  // written as LendTotal for payments, dbTotal otherwise
    double lend = 0;    // LendTotal of the other bills (money going out of the account)
};

struct BillPlan {
    int djType = 0;
    QString date = u"2024-01-10"_s;
    qint64 wldw = 0;
    qint64 intoStock = 0;
    qint64 outStock = 0;
    double youhui = 0;
    qint64 yfwldw = 0;
    double yfTotalSum = 0;
    int hhlx = 0;
    int daishou = 0;
    std::vector<LinePlan> lines;
    std::vector<MoneyPlan> money;
};

// A bill of the kind with the partner and one goods line, into (or out of) the main warehouse.
inline BillPlan goodsBill(int djType, qint64 partner, qint64 goods, double qty, double price,
                          const char* date, qint64 stock = kMain) {
    BillPlan b;
    b.djType = djType;
    b.date = QString::fromLatin1(date);
    b.wldw = partner;
    b.intoStock = stock;
    b.lines.push_back({.goods = goods, .qty = qty, .price = price});
    return b;
}
inline BillPlan purchase(qint64 goods, double qty, double price, const char* date,
                         qint64 stock = kMain) {
    return goodsBill(5, kSupplier, goods, qty, price, date, stock);
}
inline BillPlan sale(qint64 goods, double qty, double price, const char* date,
                     qint64 stock = kMain) {
    return goodsBill(1, kCustomer, goods, qty, price, date, stock);
}

// Every row the ledgers write or change (the movement rows without their own keys), as texts.
QStringList ledgerRows(Database& db);

class LedgerTest : public ::testing::Test, public test::LedgerFigures<LedgerTest> {
    friend class test::LedgerFigures<LedgerTest>;

protected:
    void SetUp() override;
    // Every test of an opened account set ends with the repair, which must change nothing.
    void TearDown() override;
    // Writes the bill as the bill service stores it (dj_state 2) and posts it, all in one
    // immediate transaction; throws what the posting throws (and nothing stays written).
    qint64 post(const BillPlan& bill);
    // Writes the bill without posting it, inside the caller's transaction.
    qint64 store(Database& db, const BillPlan& bill, int state = 2);
    // Calls a ledger procedure as the backend does: one immediate transaction, committed when
    // the result is not negative.
    int call(const QString& name, ParamList& params);
    int call(const QString& name, std::initializer_list<std::pair<const char*, QString>> lines);
    QString callError(const QString& name,
                      std::initializer_list<std::pair<const char*, QString>> lines);

    QVariant value(const QString& sql, const QVariantList& args = {});
    double number(const QString& sql, const QVariantList& args = {});
    double lineCost(qint64 billId, int line);  // costtotal of the n-th line (1-based)
    qint64 lineId(qint64 billId, int line);
    qint64 lineBatch(qint64 billId, int line);
    RecordSet query(const QString& sql) { return db_->query(sql); }
    void openAccountSet(const QString& date = u"2024-01-01"_s);
    QTemporaryDir dir_;
    std::unique_ptr<test::ScratchDatabase> scratch_;
    QString path_;
    std::unique_ptr<Database> db_;
};

// The account set opened on 2024-01-01.
class OpenedLedgerTest : public LedgerTest {
protected:
    void SetUp() override {
        LedgerTest::SetUp();
        openAccountSet();
    }
};

}  // namespace dyt::ledgertest
