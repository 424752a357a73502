#include "ledger_fixture.h"

#include <algorithm>
#include <cmath>

#include "records.h"

using namespace Qt::StringLiterals;

namespace dyt::ledgertest {

namespace {

double round2(double v) {
    return std::round(v * 100.0) / 100.0;
}

}  // namespace

void LedgerTest::SetUp() {
    ASSERT_TRUE(dir_.isValid());
    // Nobody logs in here: operator 1 needs no password that opens.
    scratch_ = std::make_unique<test::ScratchDatabase>(dir_.filePath(u"ledger.db"_s),
                                                       u"测试账套"_s, u"-"_s);
    path_ = scratch_->path();
    db_ = Database::open(path_);
    const char* rows[] = {
        "INSERT INTO baseCK(id, par_jl, code, fullname) VALUES (11, '11,', '01', '总仓'), "
        "(12, '12,', '02', '门店')",
        "INSERT INTO baseWLDW(id, par_jl, code, fullname) VALUES (21, '21,', 'K001', '宏达五金'), "
        "(22, '22,', 'G001', '华南供应'), (23, '23,', 'W001', '顺风物流'), "
        "(24, '24,', 'D001', '代收点')",
        "INSERT INTO baseGoods(id, par_jl, code, fullname, costmode) VALUES "
        "(31, '31,', 'SP01', '螺丝', 0), (32, '32,', 'SP02', '轴承', 1), "
        "(33, '33,', 'SP03', '齿轮', 2), (34, '34,', 'SP04', '链条', 3), "
        "(35, '35,', 'SP05', '变速箱', 0)"};
    for (const char* sql : rows)
        db_->execute(QString::fromUtf8(sql));
}

QStringList ledgerRows(Database& db) {
    const char* const queries[] = {
        "SELECT * FROM baseGoodsStock ORDER BY id",
        "SELECT id, ystotal, yftotal, yushoutotal, yufutotal FROM baseWLDW ORDER BY id",
        "SELECT id, Total, dbTotal, LendTotal FROM baseKM ORDER BY id",
        "SELECT id, sfkTotalLj, isOver, isred, redBillid, postid, postDateTime FROM djIndex "
        "ORDER BY id",
        "SELECT orderid, goodspc, costprice, costtotal, toQty, isOver FROM djList ORDER BY orderid",
        "SELECT id, listid, djType, date, goodsid, stockid, goodspc, qty, total, costprice "
        "FROM djStockDetail ORDER BY 1, 2, 5, 6, 7, 8, 9",
        "SELECT id, djType, date, wldw_id, ysTotal, yfTotal, yushouTotal, yufuTotal FROM "
        "djWLDWDetail ORDER BY 1, 4, 5, 6, 7, 8",
        "SELECT id, djType, date, km_id, type, dbTotal, LendTotal, wldw_id FROM djKmDetail "
        "ORDER BY 1, 5, 4, 8, 6, 7",
        "SELECT id, yz, ljzj, isSold FROM GDZCDetail ORDER BY id",
        "SELECT id, listid, djType, date, gdzc_id, yz, ljzj, sold FROM djGDZCDetail ORDER BY 1, 2"};
    QStringList out;
    for (const char* sql : queries)
        out << test::rowTexts(db.query(QString::fromUtf8(sql)));
    return out;
}

void LedgerTest::TearDown() {
    if (db_ && !HasFailure() &&
        value(u"SELECT sysValue FROM sysData WHERE Name = 'isOpen'"_s).toString() == u"1"_s) {
        const QStringList before = ledgerRows(*db_);
        ParamList none;
        EXPECT_EQ(0, call(u"p_sys_Up_DatabaseRepair"_s, none));
        const QStringList after = ledgerRows(*db_);
        for (qsizetype i = 0; i < std::min(before.size(), after.size()); ++i)
            EXPECT_EQ(before[i].toStdString(), after[i].toStdString()) << "after the repair";
    }
    db_.reset();
    scratch_.reset();
}

void LedgerTest::openAccountSet(const QString& date) {
    ASSERT_EQ(0, call(u"P_SYS_UP_Open"_s, {{"type", u"0"_s}, {"Date", date}}));
}

qint64 LedgerTest::store(Database& db, const BillPlan& b, int state) {
    double sum = 0;
    for (const LinePlan& l : b.lines) {
        const double total = l.goods > 0 ? round2(l.qty * l.price) : l.total;
        sum += l.goods > 0 ? round2(total * (1 + l.taxRate / 100)) : total;
    }
    db.execute(
        u"INSERT INTO djIndex(djType, code, date, dj_state, wldw_id, "
        "IntoStock_id, OutStock_id, yfwldw_id, yfTotalSum, youhuiTotal, "
        "hhlx, isdaishoukuan, total, taxTotalSum, rec_id) VALUES "
        "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 1)"_s,
        {b.djType, u"T-%1"_s.arg(b.djType), b.date, state, b.wldw, b.intoStock, b.outStock,
         b.yfwldw, b.yfTotalSum, b.youhui, b.hhlx, b.daishou, sum, sum});
    const qint64 id = db.lastInsertId();
    for (const LinePlan& l : b.lines) {
        if (l.goods > 0) {
            const double total = round2(l.qty * l.price);
            const double ts = round2(total * (1 + l.taxRate / 100));
            const double taxPrice = l.qty != 0 ? ts / l.qty : 0.0;
            const double cost = l.costprice != 0 ? round2(l.costprice * l.qty) : total + l.freight;
            db.execute(
                u"INSERT INTO djList(id, djType, date, dj_state, goodsid, IntoStock_id, "
                "OutStock_id, goodspc, rate, qty, price, total, discount, discountprice, "
                "discounttotal, tax, taxtotal, taxprice, taxTotalSum, yftotal, costprice, "
                "costtotal, s_id, s_orderid) VALUES "
                "(?, ?, ?, ?, ?, ?, ?, ?, 1, ?, ?, ?, 1, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"_s,
                {id,           b.djType,    b.date,    state,       l.goods,
                 l.intoStock,  l.outStock,  l.goodspc, l.qty,       l.price,
                 total,        l.price,     total,     l.taxRate,   round2(ts - total),
                 taxPrice,     ts,          l.freight, l.costprice, cost,
                 l.sourceBill, l.sourceLine});
        } else {
            db.execute(
                u"INSERT INTO djList(id, djType, date, dj_state, km_id, s_id, "
                "total) VALUES (?, ?, ?, ?, ?, ?, ?)"_s,
                {id, b.djType, b.date, state, l.km, l.sourceBill, l.total});
        }
    }
    const bool pays =
        b.djType == 5 || b.djType == 2 || b.djType == 22 || b.djType == 17 || b.djType == 18;
    for (const MoneyPlan& m : b.money) {
        db.execute(
            u"INSERT INTO djKmDetail(id, djType, date, km_id, type, dbTotal, "
            "LendTotal, dj_state) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"_s,
            {id, b.djType, b.date, m.km, m.type, pays ? 0.0 : m.amount, pays ? m.amount : m.lend,
             state});
    }
    return id;
}

qint64 LedgerTest::post(const BillPlan& b) {
    server::Transaction tx(*db_);
    const qint64 id = store(*db_, b);
    server::posting::postBill(*db_, id, 1);
    tx.commit();
    return id;
}

int LedgerTest::call(const QString& name, ParamList& params) {
    server::Registry registry;
    server::registerLedgerProcedures(registry);
    server::registerRepairProcedures(registry);
    const server::Registry::Entry* entry = registry.find(name);
    if (!entry)
        throw DytError(u"存储过程[%1]不存在"_s.arg(name));
    params.setInt(u"czy_id"_s, 1);
    server::CallContext ctx(*db_, params);
    ctx.userId = 1;
    server::Transaction tx(*db_);
    const int result = entry->handler(ctx);
    if (result >= 0)
        tx.commit();
    return result;
}

int LedgerTest::call(const QString& name,
                     std::initializer_list<std::pair<const char*, QString>> lines) {
    ParamList p;
    for (const auto& [n, v] : lines)
        p.setValue(QString::fromUtf8(n), v);
    return call(name, p);
}

QString LedgerTest::callError(const QString& name,
                              std::initializer_list<std::pair<const char*, QString>> lines) {
    return test::errorOf([&] { call(name, lines); });
}

QVariant LedgerTest::value(const QString& sql, const QVariantList& args) {
    return db_->scalar(sql, args);
}

double LedgerTest::number(const QString& sql, const QVariantList& args) {
    return std::round(db_->scalar(sql, args).toDouble() * 1e6) / 1e6;
}

qint64 LedgerTest::lineId(qint64 billId, int line) {
    return value(
               u"SELECT orderid FROM djList WHERE id = ? ORDER BY orderid LIMIT 1 "
               "OFFSET ?"_s,
               {billId, line - 1})
        .toLongLong();
}

double LedgerTest::lineCost(qint64 billId, int line) {
    return number(u"SELECT costtotal FROM djList WHERE orderid = ?"_s, {lineId(billId, line)});
}

qint64 LedgerTest::lineBatch(qint64 billId, int line) {
    return value(u"SELECT goodspc FROM djList WHERE orderid = ?"_s, {lineId(billId, line)})
        .toLongLong();
}

}  // namespace dyt::ledgertest
