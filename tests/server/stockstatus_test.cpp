// The stock status report (P_Base_Get_Goods "DQKCNEW") on bills posted through the ledgers;
// every figure is worked out by hand from the postings of SetUp.
#include <gtest/gtest.h>

#include <QStringList>

#include "common/error.h"
#include "ledger_fixture.h"
#include "server/procs/procs_goods.h"
#include "server/procs/registry.h"

using namespace Qt::StringLiterals;

namespace dyt::ledgertest {
namespace {

constexpr qint64 kHardware = 40;   // 五金 (top level): 紧固件 and 齿轮
constexpr qint64 kFasteners = 41;  // 紧固件 below 五金: 螺丝
constexpr qint64 kAnnex = 13;      // 总仓二库, a sub-warehouse of 总仓

class StockStatusReport : public LedgerTest {
protected:
    void SetUp() override {
        LedgerTest::SetUp();
        const char* rows[] = {
            "INSERT INTO baseGoods(id, par_id, par_jl, leveal, sonnum, code, fullname) VALUES "
            "(40, 0, '40,', 1, 2, 'C1', '五金'), (41, 40, '40,41,', 2, 1, 'C101', '紧固件')",
            "UPDATE baseGoods SET par_id = 41, par_jl = '40,41,31,', leveal = 3 WHERE id = 31",
            "UPDATE baseGoods SET par_id = 40, par_jl = '40,33,', leveal = 2 WHERE id = 33",
            "UPDATE baseCK SET sonnum = 1 WHERE id = 11",
            "INSERT INTO baseCK(id, par_id, par_jl, leveal, code, fullname) VALUES "
            "(13, 11, '11,13,', 2, '0101', '总仓二库')",
            "INSERT INTO baseGoodsUnit(Goodsid, fzdwid, unit, rate, price, price1, price2) VALUES "
            "(31, 0, '个', 1, 2.5, 2.9, 2.7), (31, 1, '盒', 10, 0, 0, 0), "
            "(33, 0, '个', 1, 20, 22, 21)",
            "UPDATE sysData SET sysValue = '1' WHERE Name = '系统使用负库存'"};
        for (const char* sql : rows)
            db_->execute(QString::fromUtf8(sql));
        openAccountSet();
        // 螺丝 (31, moving average): 100 @ 1.0 into 总仓, 30 @ 1.4 into 总仓二库, 20 @ 1.1 into
        // 门店; sold from 总仓 40 @ 3.0 and 5 @ 3.2 at the average cost 1.0.
        // 齿轮 (33, FIFO): 10 @ 12 into 总仓.
        // 变速箱 (35): 4 sold from 门店 without stock at the cost price 5 (negative stock).
        BillPlan first = purchase(31, 100, 1.0, "2024-01-05");
        first.lines.push_back({.goods = 33, .qty = 10, .price = 12});
        post(first);
        post(purchase(31, 30, 1.4, "2024-01-06", kAnnex));
        post(purchase(31, 20, 1.1, "2024-01-07", kShop));
        post(sale(31, 40, 3.0, "2024-01-10"));
        lastSale_ = post(sale(31, 5, 3.2, "2024-01-12"));
        BillPlan negative = sale(35, 4, 8, "2024-01-12", kShop);
        negative.lines[0].costprice = 5;
        post(negative);
    }
    RecordSet report(const QString& goods, const QString& ck = u";czy_id=1;id="_s,
                     const QString& filter = u";qty=0;ckj=0"_s, qint64 user = 1) {
        server::Registry registry;
        server::registerBaseProcedures(registry);
        ParamList p;
        p.setValue(u"QueryType"_s, u"DQKCNEW"_s);
        p.setValue(u"goodsStr"_s, u";sptype=0;czy_id=1"_s + goods);
        p.setValue(u"ckStr"_s, ck);
        p.setValue(u"filter"_s, filter);
        p.setInt(u"czy_id"_s, user);
        server::CallContext ctx(*db_, p);
        ctx.userId = user;
        const int rc = registry.find(u"P_Base_Get_Goods"_s)->handler(ctx);
        if (rc != 0)
            throw DytError(ctx.message);
        return ctx.data;
    }
    // Each row as "id|sonnum|qty|price|value|reference price|reference value|difference|
    // auxiliary quantity|auxiliary text", the figures to nine decimals.
    static QStringList rowsOf(RecordSet rs) {
        QStringList out;
        for (rs.first(); !rs.eof(); rs.next()) {
            QStringList row;
            for (const char* f : {"sp_id", "sonnum", "stockqty", "stockPrice", "stockTotal",
                                  "lsPrice", "lstotal", "total_", "fdwqty"})
                row << QString::number(rs.number(QString::fromLatin1(f)) + 0.0, 'f', 9);
            out << row.join(u'|') + u'|' + rs.text(u"fzqty"_s);
        }
        return out;
    }
    static QString row(std::initializer_list<double> figures, const QString& aux = {}) {
        QStringList out;
        for (double v : figures)
            out << QString::number(v + 0.0, 'f', 9);
        return out.join(u'|') + u'|' + aux;
    }
    static QList<qint64> idsOf(const RecordSet& rs) {
        QList<qint64> ids;
        for (const QString& r : rowsOf(rs))
            ids.append(r.section(u'|', 0, 0).toDouble());
        return ids;
    }
    // The row of the goods or category id.
    static QString only(const RecordSet& rs, qint64 id) {
        for (const QString& r : rowsOf(rs)) {
            if (r.section(u'|', 0, 0).toDouble() == id)
                return r;
        }
        return u"no row %1"_s.arg(id);
    }
    qint64 lastSale_ = 0;
};

// Stock of 螺丝 over all warehouses: 55 (总仓) + 30 (二库) + 20 (门店) = 105, worth 55 + 42 + 22
// = 119; at price level 0 (2.5) the reference value is 262.5. 五金 = 螺丝 + 齿轮 (10 worth 120,
// reference 10 × 20); categories come first, then the goods by code; 变速箱 is 4 below zero at
// cost 5.
TEST_F(StockStatusReport, OneCategoryLevelAtATimeReferencePricesAndARedReversal) {
    const QString hardware = row({kHardware, 2, 115, 0, 239, 0, 462.5, 223.5, 10.5});
    const QString fasteners = row({kFasteners, 1, 105, 0, 119, 0, 262.5, 143.5, 10.5});
    const QString gears = row({33, 0, 10, 12, 120, 20, 200, 80, 0});
    const QString screws =
        row({31, 0, 105, 119.0 / 105, 119, 2.5, 262.5, 143.5, 10.5}, u"10盒5个"_s);
    EXPECT_EQ(
        (QStringList{hardware, row({32, 0, 0, 0, 0, 0, 0, 0, 0}), row({34, 0, 0, 0, 0, 0, 0, 0, 0}),
                     row({35, 0, -4, 5, -20, 0, 0, 20, 0})}),
        rowsOf(report(u";par_id=0"_s)));
    EXPECT_EQ((QStringList{fasteners, gears}), rowsOf(report(u";par_id=40"_s)));
    EXPECT_EQ(QStringList{screws}, rowsOf(report(u";par_id=41"_s)));
    EXPECT_THROW(report(u";par_id=999"_s), DytError);
    // The flat list holds goods only, at any depth, in code order.
    EXPECT_EQ((QList<qint64>{31, 32, 33, 34, 35}), idsOf(report(u";isList=1"_s)));
    EXPECT_EQ((QList<qint64>{31, 33}), idsOf(report(u";isList=1;isList=1;par_id=40"_s)));
    EXPECT_EQ(gears, only(report(u";isList=1"_s), 33));
    // The quick search finds goods and categories at any level, ignoring the current level.
    EXPECT_EQ((QList<qint64>{31}), idsOf(report(u";par_id=40;allfilter=螺"_s)));
    EXPECT_EQ(fasteners, only(report(u";allfilter=紧固"_s), kFasteners));
    EXPECT_EQ((QList<qint64>{40, 41}), idsOf(report(u";allfilter=C1"_s)));
    EXPECT_EQ(0, report(u";allfilter=没有这种"_s).rowCount());
    // One goods chosen in the dialog; a category with ";issub=1" lists the goods below it.
    EXPECT_EQ((QList<qint64>{33}), idsOf(report(u";id=33;issub=1"_s)));
    EXPECT_EQ((QList<qint64>{31, 33}), idsOf(report(u";id=40;issub=1"_s)));
    EXPECT_EQ(hardware, only(report(u";id=40"_s), kHardware));
    struct Case {
        const char* ckj;
        double screwPrice;
    };
    // 0 to 2: the unit's price levels; 3: not set; 4: the latest sale (3.2); 5: the lowest sale
    // (3.0); 6: the latest purchase (1.1 into 门店); -1 and empty: none.
    const QList<Case> cases = {{"0", 2.5}, {"1", 2.9}, {"2", 2.7}, {"3", 0}, {"4", 3.2},
                               {"5", 3.0}, {"6", 1.1}, {"-1", 0},  {"", 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ckj);
        const RecordSet rs =
            report(u";par_id=41"_s, {}, u";qty=0;ckj="_s + QString::fromLatin1(c.ckj));
        const double value = 105 * c.screwPrice;
        EXPECT_EQ(row({31, 0, 105, 119.0 / 105, 119, c.screwPrice, value, value - 119, 10.5},
                      u"10盒5个"_s),
                  only(rs, 31));
    }
    EXPECT_THROW(report(u";par_id=41"_s, {}, u";ckj=7"_s), DytError);
    // The 5 sold at 3.2 come back at their cost 1.0; the latest sale is the one at 3.0 again.
    ASSERT_GT(
        call(u"P_JXC_DJ_CopyRed"_s, {{"isRed", u"-1"_s}, {"billid", QString::number(lastSale_)}}),
        0);
    EXPECT_EQ(row({31, 0, 110, 124.0 / 110, 124, 3.0, 330, 206, 11}, u"11盒"_s),
              only(report(u";par_id=41"_s, {}, u";qty=0;ckj=4"_s), 31));
}

TEST_F(StockStatusReport, WarehousesAndTheQuantityFilter) {
    // clang-format off
    struct Case { const char* ck; QString screws; QString gears; };
    const QString gears = row({33, 0, 10, 12, 120, 20, 200, 80, 0});
    const QString noGears = row({33, 0, 0, 0, 0, 20, 0, 0, 0});
    // 总仓 (11) with 二库 (13): 螺丝 55 + 30 worth 55 + 42; 门店 is 12.
    const Case cases[] = {
        {"id=11;issub=1", row({31, 0, 85, 97.0 / 85, 97, 2.5, 212.5, 115.5, 8.5}, u"8盒5个"_s), gears},
        {"id=11", row({31, 0, 55, 1, 55, 2.5, 137.5, 82.5, 5.5}, u"5盒5个"_s), gears},
        {"id=13;issub=1", row({31, 0, 30, 1.4, 42, 2.5, 75, 33, 3}, u"3盒"_s), noGears},
        {"id=12;issub=1", row({31, 0, 20, 1.1, 22, 2.5, 50, 28, 2}, u"2盒"_s), noGears}};
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ck);
        const RecordSet rs = report(u";isList=1"_s, u";czy_id=1;"_s + QString::fromLatin1(c.ck));
        EXPECT_EQ(c.screws, only(rs, 31));
        EXPECT_EQ(c.gears, only(rs, 33));
    }
    EXPECT_THROW(report(u";isList=1"_s, u";id=99;issub=1"_s), DytError);
    // Above 0: 五金 keeps both its goods; the goods without stock and 变速箱 (below 0) go.
    EXPECT_EQ((QList<qint64>{kHardware}), idsOf(report(u";par_id=0"_s, {}, u";qty=1;ckj=0"_s)));
    // Equal to 0: the two goods never moved; 五金 has none of them.
    EXPECT_EQ((QList<qint64>{32, 34}), idsOf(report(u";par_id=0"_s, {}, u";qty=2;ckj=0"_s)));
    // In 门店 齿轮 has no stock: 五金 stays for it, summing only the qualifying goods.
    const QString shop = u";czy_id=1;id=12;issub=1"_s;
    EXPECT_EQ(row({kHardware, 2, 0, 0, 0, 0, 0, 0, 0}),
              only(report(u";par_id=0"_s, shop, u";qty=2;ckj=0"_s), kHardware));
    EXPECT_EQ(row({kHardware, 2, 20, 0, 22, 0, 50, 28, 2}),
              only(report(u";par_id=0"_s, shop, u";qty=1;ckj=0"_s), kHardware));
    EXPECT_THROW(report(u";par_id=0"_s, {}, u";qty=3"_s), DytError);
}

TEST_F(StockStatusReport, RefusedGoodsAreLeftOutOfRowsAndSums) {
    db_->execute(
        u"INSERT INTO baseZY(id, par_jl, code, fullname) VALUES (5, '5,', 'Z5', '李四')"_s);
    db_->execute(u"INSERT INTO sysuser(id, password) VALUES (5, '')"_s);
    db_->execute(u"UPDATE sysConf SET sysValue = '1' WHERE id = 2004"_s);
    db_->execute(u"INSERT INTO baseGoodsPurview(id, czy_id, isbj) VALUES (33, 5, 0)"_s);
    const RecordSet rs = report(u";par_id=40"_s, u";czy_id=5;id="_s, u";qty=0;ckj=0"_s, 5);
    EXPECT_EQ((QList<qint64>{kFasteners}), idsOf(rs));
    EXPECT_EQ(row({kHardware, 2, 105, 0, 119, 0, 262.5, 143.5, 10.5}),
              only(report(u";par_id=0"_s, u";czy_id=5;id="_s, u";qty=0;ckj=0"_s, 5), kHardware));
    // Operator 1 sees everything.
    EXPECT_EQ((QList<qint64>{kFasteners, 33}), idsOf(report(u";par_id=40"_s)));
}

// The flat list is ordered as the goods lists order: by order number, then code as the column's
// collation compares (ASCII letters without case, other characters by their bytes), then id;
// an order number that is not a number leaves the ordering to the database.
TEST_F(StockStatusReport, TheFlatListKeepsTheOrderOfTheGoodsLists) {
    db_->execute(
        u"INSERT INTO baseGoods(id, par_id, par_jl, leveal, code, fullname, orderly) VALUES "
        "(50, 0, '50,', 1, 'b2', '乙', 0), (51, 0, '51,', 1, 'B10', '丙', 0), "
        "(52, 0, '52,', 1, '中', '丁', 0), (53, 0, '53,', 1, 'é', '戊', 0), "
        "(54, 0, '54,', 1, 'b2', '己', 0), (55, 0, '55,', 1, 'Z', '庚', -1), "
        "(56, 0, '56,', 1, 'a3', '辛', 0), (57, 0, '57,', 1, '_x', '壬', 0), "
        "(58, 0, '58,', 1, '[', '癸', 0)"_s);
    const auto expected = [&] {
        QList<qint64> ids;
        const RecordSet rs = db_->query(
            u"SELECT id FROM baseGoods WHERE del = 0 AND sonnum = 0 AND spType = 0 "
            "ORDER BY orderly, code, id"_s);
        for (int r = 0; r < rs.rowCount(); ++r)
            ids << rs.at(r, 0).toLongLong();
        return ids;
    };
    const char* changes[] = {nullptr, "UPDATE baseGoods SET orderly = 'x' WHERE id = 52"};
    for (const char* change : changes) {
        // A text in a number column is SQLite's alone.
        if (change && db_->isPostgres())
            continue;
        if (change)
            db_->execute(QString::fromUtf8(change));
        SCOPED_TRACE(change ? change : "numbers");
        const QList<qint64> ids = expected();
        EXPECT_EQ(ids.size(), 14);
        EXPECT_EQ(ids, idsOf(report(u";isList=1"_s)));
    }
}

TEST(StockStatusText, StockInTheAuxiliaryUnitThenTheRestInTheBaseUnit) {
    struct Case {
        double qty;
        double rate;
        const char* text;
    };
    const Case cases[] = {{105, 10, "10盒5个"},
                          {-25, 10, "-2盒5个"},
                          {30, 10, "3盒"},
                          {2.5, 10, "2.5个"},
                          {12.75, 12, "1盒0.75个"},
                          {0, 10, ""},
                          {7, 1, ""},
                          {1e-10, 10, ""},
                          {1000000000003, 10, "100000000000盒3个"},
                          {1.0 / 3, 10, "0.333333333333个"}};
    for (const Case& c : cases) {
        EXPECT_EQ(QString::fromUtf8(c.text),
                  server::auxiliaryQuantity(c.qty, u"盒"_s, c.rate, u"个"_s))
            << c.qty << " / " << c.rate;
    }
    EXPECT_EQ(QString(), server::auxiliaryQuantity(105, QString(), 10, u"个"_s));
}

}  // namespace
}  // namespace dyt::ledgertest
