// The dbo. functions over the account-set schema as created and seeded, against values worked
// out by hand from the rows each test writes.

#include "schema_test_util.h"
#include "server/tsql/tsql_functions.h"

using namespace Qt::StringLiterals;

namespace {

using dyt::schematest::run;
using dyt::schematest::scalar;

class LedgerFunctions : public dyt::schematest::SchemaAccountSetTest {
protected:
    void SetUp() override {
        SchemaAccountSetTest::SetUp();
        dyt::server::tsql::registerFunctions(db_);
        const char* rows[] = {
            "INSERT INTO baseCK(id, code, fullname) VALUES (11, '01', '总仓'), (12, '02', '门店')",
            "INSERT INTO baseWLDW(id, code, fullname, ystotal, yftotal) VALUES "
            "(21, 'K001', '宏达五金', 1200, 800), (22, 'G001', '华南供应', 0, 350.5)",
            "INSERT INTO baseGoods(id, code, fullname) VALUES (31, 'SP01', '螺丝'), "
            "(32, 'SP02', '螺母')",
            // Goods 31: base unit 个 (rate 1) and box 盒 of 12.
            "INSERT INTO baseGoodsUnit(id, Goodsid, fzdwid, unit, rate, price, latestBuyPrice) "
            "VALUES (301, 31, 0, '个', 1, 3.5, 2.4), (302, 31, 1, '盒', 12, 40, 28)",
            // Stock of goods 31 in batches 7, 8, 9: 40 at 2.5 and 10 at 3.1 in the main
            // warehouse, 10 at 2.5 in the shop. Value in the main warehouse 100 + 31 = 131 over 50.
            "INSERT INTO baseGoodsStock(goodsid, stockid, goodspc, qty, price, total) VALUES "
            "(31, 11, 7, 40, 2.5, 100), (31, 11, 8, 10, 3.1, 31), (31, 12, 9, 10, 2.5, 25)",
            // Consignment (type 1) and borrowed (type 2) stock of goods 31, and type 3.
            "INSERT INTO baseGoodsStockOther(goodsid, wldw_id, typeid, stockid, qty, costtotal) "
            "VALUES (31, 21, 1, 11, 4, 10), (31, 21, 2, 11, 6, 21), (31, 21, 3, 11, 100, 1)",
            // Bills of partner 21: two posted sales (the later one in boxes), one draft sale,
            // a posted purchase from 22, and orders.
            "INSERT INTO djIndex(id, djType, code, date, dj_state, wldw_id) VALUES "
            "(41, 1, 'XS-1', '2024-03-01', 2, 21), (42, 1, 'XS-2', '2024-03-10', 2, 21), "
            "(43, 1, 'XS-3', '2024-03-12', 1, 21), (44, 5, 'JH-1', '2024-03-02', 2, 22), "
            "(45, 4, 'XSDD-1', '2024-03-05', 2, 21), (46, 8, 'JHDD-1', '2024-03-05', 2, 22), "
            "(47, 1, 'XS-4', '2024-04-01', 2, 21)",
            "INSERT INTO djList(id, djType, date, dj_state, goodsid, OutStock_id, IntoStock_id, "
            "qty, rate, price, toQty, isOver) VALUES "
            "(41, 1, '2024-03-01', 2, 31, 11, 0, 5, 1, 4.2, 0, 0), "
            "(42, 1, '2024-03-10', 2, 31, 11, 0, 1, 12, 45.6, 0, 0), "
            "(43, 1, '2024-03-12', 1, 31, 11, 0, 1, 1, 9.9, 0, 0), "
            "(44, 5, '2024-03-02', 2, 31, 0, 11, 10, 1, 2.6, 0, 0), "
            // Sales order: 2 boxes open, 1 box of 3 delivered; a completed line; the shop.
            "(45, 4, '2024-03-05', 2, 31, 11, 0, 3, 12, 40, 1, 0), "
            "(45, 4, '2024-03-05', 2, 31, 11, 0, 7, 1, 4, 0, 1), "
            "(45, 4, '2024-03-05', 2, 31, 12, 0, 4, 1, 4, 0, 0), "
            // Purchase order: 20 pieces, 5 received, into the main warehouse.
            "(46, 8, '2024-03-05', 2, 31, 0, 11, 20, 1, 2.5, 5, 0), "
            "(47, 1, '2024-04-01', 2, 31, 11, 0, 1, 1, 8.8, 0, 0)"};
        for (const char* sql : rows)
            ASSERT_EQ(SQLITE_OK, run(db_, QString::fromUtf8(sql))) << sql << sqlite3_errmsg(db_);
    }
    QString value(const char* sql) { return scalar(db_, QString::fromUtf8(sql)); }
    double number(const char* sql) { return value(sql).toDouble(); }
};

TEST_F(LedgerFunctions, StockCostsPricesBalancesRightsAndInterfaceAccounts) {
    struct Case {
        const char* sql;
        double expected;
    } cases[] = {
        {"SELECT fnGetStockQty(31, 11, 0)", 50},
        {"SELECT fnGetStockQty(31, 0, 0)", 60},
        {"SELECT fnGetStockQty(32, 11, 0)", 0},
        // Open sales orders: (3 - 1) boxes of 12 from the main warehouse, 4 from the shop;
        // the completed line and the other kinds do not count.
        {"SELECT fnGetKYQty(31, 11)", 50 - 24},
        {"SELECT fnGetKYQty(31, 12)", 10 - 4},
        {"SELECT fnGetKYQty(31, 0)", 60 - 28},
        // Virtual stock adds the 15 still to come on the purchase order.
        {"SELECT fnGetXNKCQty(31, 11)", 50 + 15 - 24},
        {"SELECT fnGetXNKCQty(31, 12)", 10 - 4},
        {"SELECT fnGetXNKCQty(32, 0)", 0},
        // 131 / 50 = 2.62 a piece in the main warehouse.
        {"SELECT fnGetCostTotal(31, 11, 12)", 31.44},
        // All warehouses: 156 / 60 = 2.6; 7 pieces 18.2.
        {"SELECT fnGetCostTotal(31, 0, 7)", 18.2},
        // 1/3 piece of 131/50: 0.873333… rounds to four decimals.
        {"SELECT fnGetCostTotal(31, 11, 1.0 / 3)", 0.8733},
        {"SELECT fnGetCostTotal(32, 11, 5)", 0},
        // Consignment and borrowed stock: (10 + 21) / (4 + 6) = 3.1 a piece.
        {"SELECT fnGetCostTotalOther('1,2,', 31, 11, 3)", 9.3},
        {"SELECT fnGetCostTotalOther('3', 31, 0, 50)", 0.5},
        {"SELECT fnGetCostTotalOther('', 31, 11, 3)", 0},
        // Cost price per unit: 156 / 60 per piece, a box of 12 is 31.2.
        {"SELECT fnGetCostPrice(31, 0, 302)", 31.2},
        // Batch 8 alone (the second row): 31 / 10.
        {"SELECT fnGetCostPrice(31, 8, 301)", 3.1},
        {"SELECT fnGetCostPrice(31, 2, 301)", 0},
        // Latest posted sale to 21 up to 03-15 is 1 box at 45.6: 3.8 a piece.
        {"SELECT fnGetGoodsPrice(0, 1, 31, 21, 301, '2024-03-15')", 3.8},
        {"SELECT fnGetGoodsPrice(0, 1, 31, 21, 302, '2024-03-15')", 45.6},
        // On 03-05 the latest is the 4.2 of 03-01; the draft of 03-12 never counts.
        {"SELECT fnGetGoodsPrice(0, 4, 31, 21, 301, '2024-03-05')", 4.2},
        // The sale of 04-01 counts from that day on.
        {"SELECT fnGetGoodsPrice(0, 1, 31, 21, 301, '2024-04-01')", 8.8},
        // Purchases from 22: 2.6 a piece; a box 31.2.
        {"SELECT fnGetGoodsPrice(0, 5, 31, 22, 302, '2024-03-15')", 31.2},
        // Without history: the unit's price for sales, its latest purchase price for purchases.
        {"SELECT fnGetGoodsPrice(0, 1, 31, 22, 302, '2024-03-15')", 40},
        {"SELECT fnGetGoodsPrice(0, 5, 31, 21, 301, '2024-03-15')", 2.4},
        {"SELECT fnGetGoodsPrice(0, 1, 31, 21, 301, '2024-02-01')", 3.5},
        {"SELECT fnGetGoodsPrice(0, 12, 31, 21, 301, '2024-03-15')", 3.5},
        {"SELECT fnGetGoodsPrice(0, 1, 32, 21, 999, '2024-03-15')", 0}};
    for (const Case& c : cases)
        EXPECT_NEAR(c.expected, number(c.sql), 1e-9) << c.sql;
    EXPECT_EQ(QString(), value("SELECT fnGetCostTotalOther('1,x', 31, 11, 3)"));
    EXPECT_DOUBLE_EQ(400, number("SELECT fnGetWldwTotal00(21, '2990-01-01')"));
    EXPECT_DOUBLE_EQ(-350.5, number("SELECT fnGetWldwTotal00(22, '2990-01-01')"));
    EXPECT_DOUBLE_EQ(0, number("SELECT fnGetWldwTotal00(99, '2990-01-01')"));
    // The interface roles resolve to the seeded accounts by name.
    struct Role {
        const char* role;
        const char* fullname;
    } roles[] = {{"预收账款", "预收账款"}, {"现金", "现金"}, {"收入类", "【收入类】"}};
    for (const Role& r : roles) {
        const QString id =
            scalar(db_, u"SELECT fnGetInterfaceKMID('%1')"_s.arg(QString::fromUtf8(r.role)));
        EXPECT_EQ(QString::fromUtf8(r.fullname),
                  scalar(db_, u"SELECT fullname FROM baseKM WHERE id = %1"_s.arg(id)))
            << r.role;
    }
    EXPECT_EQ(u"0"_s, value("SELECT fnGetInterfaceKMID('无此科目')"));
    // Rights: operator 1 holds every code; another operator only what sysPurview grants.
    const QString code = value("SELECT code FROM sysMenu WHERE sonnum = 0 ORDER BY id LIMIT 1");
    ASSERT_FALSE(code.isEmpty());
    EXPECT_EQ(u"1"_s, scalar(db_, u"SELECT fnGetPurview(1, '%1')"_s.arg(code)));
    ASSERT_EQ(SQLITE_OK, run(db_,
                             u"INSERT INTO baseZY(id, code, fullname) VALUES (2, '002', "
                             "'张三'); INSERT INTO sysuser(id) VALUES (2)"_s));
    EXPECT_EQ(u"0"_s, scalar(db_, u"SELECT fnGetPurview(2, '%1')"_s.arg(code)));
    ASSERT_EQ(SQLITE_OK, run(db_,
                             u"INSERT INTO sysPurview(userid, menuid, isbj) "
                             "SELECT 2, id, 1 FROM sysMenu WHERE code = '%1'"_s.arg(code)));
    EXPECT_EQ(u"1"_s, scalar(db_, u"SELECT fnGetPurview(2, '%1')"_s.arg(code)));
    // An entry every operator may use (version information) is not controlled even where its row
    // does not grant it; an unknown code is refused.
    ASSERT_EQ(SQLITE_OK, run(db_,
                             u"INSERT INTO sysPurview(userid, menuid, isbj) "
                             "SELECT 2, id, 0 FROM sysMenu WHERE code = '5012'"_s));
    EXPECT_EQ(u"1"_s, value("SELECT fnGetPurview(2, '5012')"));
    EXPECT_EQ(u"0"_s, value("SELECT fnGetPurview(2, '7777')"));
}

}  // namespace
