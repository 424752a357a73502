// P_Base_Get_Goods on a real account set: level and list display, the quick search over code,
// names, pinyin and barcodes (its "%", "_" and quotes taken literally), the barcode lookup, the
// goods-type rule, stopped goods, record rights, stock columns per warehouse, "QTKC" and the
// batches of "XZSPPC".
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "common/error.h"
#include "server/database.h"
#include "server/procs_goods.h"
#include "server/registry.h"
#include "server/schema.h"
#include "support/testutil.h"

namespace dyt::server {
namespace {

class GoodsProc : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        db_ =
            Database::open(dir_.filePath(QStringLiteral("a.db")), Database::Mode::ReadWriteCreate);
        schema::createAccountSet(db_->handle(), QStringLiteral("测试"), QString());
        registerBaseProcedures(registry_);
        seed();
    }

    void goods(qint64 id, qint64 parId, const QString& path, int level, int sonnum,
               const QString& code, const QString& fullname, const QString& name,
               const QString& pym, int spType = 0, int isstop = 0) {
        db_->execute(
            QStringLiteral("INSERT INTO baseGoods(id, par_id, par_jl, leveal, sonnum, code, "
                           "fullname, name, pym, spType, isstop, costmode) VALUES "
                           "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 0)"),
            {id, parId, path, level, sonnum, code, fullname, name, pym, spType, isstop});
    }
    void unit(qint64 goodsId, int fzdwid, const QString& name, double rate, const QString& barcode,
              double price = 0, double buyPrice = 0) {
        db_->execute(
            QStringLiteral("INSERT INTO baseGoodsUnit(Goodsid, fzdwid, unit, rate, barcode, "
                           "price, price1, latestBuyPrice) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
            {goodsId, fzdwid, name, rate, barcode, price, price + 1, buyPrice});
    }
    void stock(qint64 goodsId, qint64 stockId, qint64 batch, const QString& ph,
               const QString& indate, double qty, double total) {
        db_->execute(QStringLiteral("INSERT INTO baseGoodsStock(goodsid, stockid, goodspc, ph, "
                                    "indate, qty, price, total) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
                     {goodsId, stockId, batch, ph, indate, qty, qty != 0 ? total / qty : 0, total});
    }

    // Classes 1 食品 (below it class 2 饼干 and goods 3), 6 日用品; goods 4, 5 below 饼干,
    // goods 7, 8, 9 below 日用品.
    void seed() {
        goods(1, 0, QStringLiteral("1,"), 1, 2, QStringLiteral("01"), QStringLiteral("食品"),
              QStringLiteral("食品"), QStringLiteral("SP"));
        goods(2, 1, QStringLiteral("1,2,"), 2, 2, QStringLiteral("0101"), QStringLiteral("饼干"),
              QStringLiteral("饼干"), QStringLiteral("BG"));
        goods(3, 1, QStringLiteral("1,3,"), 2, 0, QStringLiteral("0102"), QStringLiteral("矿泉水"),
              QStringLiteral("水"), QStringLiteral("KQS"));
        goods(4, 2, QStringLiteral("1,2,4,"), 3, 0, QStringLiteral("010101"),
              QStringLiteral("奥利奥饼干"), QStringLiteral("奥利奥"), QStringLiteral("ALAOBG"));
        goods(5, 2, QStringLiteral("1,2,5,"), 3, 0, QStringLiteral("010102"),
              QStringLiteral("苏打饼干"), QStringLiteral("苏打"), QStringLiteral("SDBG"), 1);
        goods(6, 0, QStringLiteral("6,"), 1, 3, QStringLiteral("02"), QStringLiteral("日用品"),
              QStringLiteral("日用品"), QStringLiteral("RYP"));
        goods(7, 6, QStringLiteral("6,7,"), 2, 0, QStringLiteral("0201"),
              QStringLiteral("O'Brien 牙膏"), QStringLiteral("100%纯"), QStringLiteral("YG"));
        goods(8, 6, QStringLiteral("6,8,"), 2, 0, QStringLiteral("0202"),
              QStringLiteral("100x牙刷"), QStringLiteral("牙刷"), QStringLiteral("YS"));
        goods(9, 6, QStringLiteral("6,9,"), 2, 0, QStringLiteral("0203"), QStringLiteral("旧牙刷"),
              QStringLiteral("旧牙刷"), QStringLiteral("JYS"), 0, 1);
        unit(4, 0, QStringLiteral("包"), 1, QStringLiteral("6901"), 3.5, 2.8);
        unit(4, 1, QStringLiteral("箱"), 12, QStringLiteral("6901-12"), 40);
        unit(5, 0, QStringLiteral("包"), 1, QStringLiteral("6902"), 4);
        unit(7, 0, QStringLiteral("支"), 1, QStringLiteral("6907"), 9);
        unit(8, 0, QStringLiteral("支"), 1, QStringLiteral("6908"), 5);
        for (int wh : {1, 2}) {
            db_->execute(QStringLiteral("INSERT INTO baseCK(id, par_id, par_jl, code, fullname) "
                                        "VALUES (?, 0, ?, ?, ?)"),
                         {wh, QStringLiteral("%1,").arg(wh), QStringLiteral("0%1").arg(wh),
                          QStringLiteral("仓库%1").arg(wh)});
        }
        stock(4, 1, 0, QString(), QString(), 30, 60);
        stock(4, 2, 0, QString(), QString(), 10, 25);
        stock(5, 1, 2, QStringLiteral("B2"), QStringLiteral("2024-02-01"), 2, 4);
        stock(5, 1, 1, QStringLiteral("B1"), QStringLiteral("2024-01-01"), 4, 8);
        stock(5, 1, 4, QStringLiteral("B0"), QStringLiteral("2023-12-01"), 0, 0);
        stock(5, 2, 3, QStringLiteral("B3"), QStringLiteral("2024-03-01"), 1, 3);
    }

    // Runs the procedure as operator `user` and returns the rows.
    RecordSet run(const QString& type, const QString& goodsStr, const QString& ckStr = QString(),
                  const QString& filter = QStringLiteral(";djtype=1"), qint64 user = 1,
                  const QString& wldwStr = QString()) {
        ParamList p;
        p.setValue(QStringLiteral("QueryType"), type);
        p.setValue(QStringLiteral("Filter"), filter);
        p.setValue(QStringLiteral("goodsStr"), goodsStr);
        p.setValue(QStringLiteral("ckStr"), ckStr);
        p.setValue(QStringLiteral("wldwStr"), wldwStr);
        CallContext c(*db_, p);
        c.userId = user;
        const int rc = registry_.find(QStringLiteral("p_base_get_goods"))->handler(c);
        if (rc < 0)
            throw DytError(c.message);
        return c.data;
    }

    static QList<qint64> ids(const RecordSet& rs) {
        QList<qint64> out;
        for (int r = 0; r < rs.rowCount(); ++r)
            out.append(rs.at(r, rs.fieldIndex(QStringLiteral("goodsid"))).toLongLong());
        return out;
    }
    static QVariant cell(const RecordSet& rs, qint64 goodsId, const QString& field) {
        for (int r = 0; r < rs.rowCount(); ++r) {
            if (rs.at(r, rs.fieldIndex(QStringLiteral("goodsid"))).toLongLong() == goodsId)
                return rs.at(r, rs.fieldIndex(field));
        }
        ADD_FAILURE() << "goods " << goodsId << " not returned";
        return {};
    }

    QTemporaryDir dir_;
    std::unique_ptr<Database> db_;
    Registry registry_;
};

TEST_F(GoodsProc, LevelListAndSearchModesReturnTheRightRows) {
    struct Case {
        const char* name;
        const char* goodsStr;
        QList<qint64> expected;
    };
    const Case cases[] = {
        {"top level: the two classes", ";par_id=0;isstop=0;czy_id=1", {1, 6}},
        {"inside 食品: class first, then goods", ";par_id=1;isstop=0;czy_id=1", {2, 3}},
        {"list of 食品: goods only, by code", ";isList=1;par_id=1;isstop=0;czy_id=1", {4, 5, 3}},
        {"list of everything, stopped left out", ";isList=1;isstop=0;czy_id=1", {4, 5, 3, 7, 8}},
        {"list with stopped goods", ";isList=1;czy_id=1", {4, 5, 3, 7, 8, 9}},
        {"goods-type rule keeps classes and ordinary goods", ";par_id=2;isstop=0;sptype=0", {4}},
        {"search by full name finds class and goods", ";allfilter=饼干;isstop=0", {2, 4, 5}},
        {"search by pinyin ignores letter case", ";allfilter=alao;isstop=0", {4}},
        {"search by short name", ";allfilter=苏打;isstop=0", {5}},
        {"search by code part", ";allfilter=0201;isstop=0", {7}},
        {"search by barcode part", ";allfilter=690;isstop=0", {4, 5, 7, 8}},
        {"search by auxiliary unit barcode", ";allfilter=-12;isstop=0", {4}},
        {"percent sign is literal", ";allfilter=100%;isstop=0", {7}},
        {"underscore is literal", ";allfilter=0_0;isstop=0", {}},
        {"quote is literal", ";allfilter=O'Brien;isstop=0", {7}},
        {"quote alone", ";allfilter=';isstop=0", {7}},
        {"exact barcode", ";isstop=0;czy_id=1;barcode=6901", {4}},
        {"barcode part is no barcode", ";isstop=0;czy_id=1;barcode=690", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.expected, ids(run(QStringLiteral("XZSPALL"), QString::fromUtf8(c.goodsStr))));
    }
}

TEST_F(GoodsProc, RowsCarryTheColumnsTheSelectionShows) {
    const RecordSet rs = run(QStringLiteral("XZSPALL"), QStringLiteral(";par_id=2;isstop=0"),
                             QStringLiteral(";id=1;czy_id=1"));
    ASSERT_EQ((QList<qint64>{4, 5}), ids(rs));
    EXPECT_EQ(QStringLiteral("010101"), cell(rs, 4, QStringLiteral("code")).toString());
    EXPECT_EQ(QStringLiteral("奥利奥饼干"), cell(rs, 4, QStringLiteral("fullName")).toString());
    EXPECT_EQ(QStringLiteral("奥利奥"), cell(rs, 4, QStringLiteral("sp_spjm")).toString());
    EXPECT_EQ(QStringLiteral("ALAOBG"), cell(rs, 4, QStringLiteral("sp_pym")).toString());
    EXPECT_EQ(QStringLiteral("6901"), cell(rs, 4, QStringLiteral("barcode")).toString());
    EXPECT_EQ(QStringLiteral("包"), cell(rs, 4, QStringLiteral("unitName")).toString());
    EXPECT_EQ(0, cell(rs, 4, QStringLiteral("unitid")).toLongLong());
    EXPECT_EQ(0, cell(rs, 4, QStringLiteral("sonnum")).toLongLong());
    EXPECT_EQ(1, cell(rs, 5, QStringLiteral("sp_sptype")).toLongLong());
    EXPECT_EQ(false, cell(rs, 4, QStringLiteral("selected")).toBool());
}

TEST_F(GoodsProc, ScannedAuxiliaryBarcodeBringsItsUnit) {
    const RecordSet rs =
        run(QStringLiteral("XZSPALL"), QStringLiteral(";isstop=0;czy_id=1;barcode=6901-12"));
    ASSERT_EQ(QList<qint64>{4}, ids(rs));
    EXPECT_EQ(1, cell(rs, 4, QStringLiteral("unitid")).toLongLong());
    EXPECT_EQ(QStringLiteral("箱"), cell(rs, 4, QStringLiteral("unitName")).toString());
    EXPECT_EQ(12.0, cell(rs, 4, QStringLiteral("rate")).toDouble());
    EXPECT_EQ(40.0, cell(rs, 4, QStringLiteral("price")).toDouble());
}

TEST_F(GoodsProc, PurchaseKindsAreOfferedTheLatestPurchasePrice) {
    struct Case {
        int djType;
        double price;
    };
    // Goods 4: preset price 3.5, latest purchase price 2.8. Goods 5: no purchase price yet.
    for (const Case c : {Case{1, 3.5}, Case{5, 2.8}, Case{8, 2.8}, Case{11, 3.5}}) {
        SCOPED_TRACE(c.djType);
        const RecordSet rs = run(QStringLiteral("XZSPALL"), QStringLiteral(";par_id=2"), QString(),
                                 QStringLiteral(";djtype=%1").arg(c.djType));
        EXPECT_EQ(c.price, cell(rs, 4, QStringLiteral("price")).toDouble());
        EXPECT_EQ(4.0, cell(rs, 5, QStringLiteral("price")).toDouble());
        EXPECT_EQ(4.5, cell(rs, 4, QStringLiteral("price1")).toDouble());
    }
}

TEST_F(GoodsProc, StockColumnsFollowTheWarehouse) {
    // Orders posted: a purchase order of 5 with 2 received, a sales order of 4 not delivered.
    db_->execute(
        QStringLiteral("INSERT INTO djIndex(id, djType, dj_state) VALUES (1, 8, 2), "
                       "(2, 4, 2), (3, 8, 1)"));
    db_->execute(QStringLiteral(
        "INSERT INTO djList(id, djType, dj_state, goodsid, IntoStock_id, OutStock_id, qty, toQty) "
        "VALUES (1, 8, 2, 4, 1, 0, 5, 2), (2, 4, 2, 4, 0, 1, 4, 0), (3, 8, 1, 4, 1, 0, 100, 0)"));
    struct Case {
        const char* ckStr;
        double qty, price, total, virtualQty;
        const char* aux;
    };
    const Case cases[] = {
        {";id=1;czy_id=1", 30, 2, 60, 29, "2箱6包"},
        {";id=2;czy_id=1", 10, 2.5, 25, 10, "10包"},
        {";id=;czy_id=1", 40, 2.125, 85, 39, "3箱4包"},
    };
    {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.ckStr);
            const RecordSet rs = run(QStringLiteral("XZSPALL"), QStringLiteral(";par_id=2"),
                                     QString::fromUtf8(c.ckStr));
            EXPECT_EQ(c.qty, cell(rs, 4, QStringLiteral("stockQty")).toDouble());
            EXPECT_EQ(c.price, cell(rs, 4, QStringLiteral("stockPrice")).toDouble());
            EXPECT_EQ(c.total, cell(rs, 4, QStringLiteral("stockTotal")).toDouble());
            EXPECT_EQ(c.virtualQty, cell(rs, 4, QStringLiteral("xnStockQty")).toDouble());
            EXPECT_EQ(QString::fromUtf8(c.aux), cell(rs, 4, QStringLiteral("fzsl")).toString());
        }
        // A class sums the goods below it: 食品 in warehouse 1 holds goods 4 (30, 60) and 5 (6,
        // 12).
        const RecordSet top =
            run(QStringLiteral("XZSPALL"), QStringLiteral(";par_id=0"), QStringLiteral(";id=1"));
        EXPECT_EQ(36.0, cell(top, 1, QStringLiteral("stockQty")).toDouble());
        EXPECT_EQ(72.0, cell(top, 1, QStringLiteral("stockTotal")).toDouble());
        EXPECT_EQ(0.0, cell(top, 6, QStringLiteral("stockQty")).toDouble());
        // In every warehouse 食品 holds 40 + 6 + the batch of 1 in warehouse 2.
        const RecordSet all =
            run(QStringLiteral("XZSPALL"), QStringLiteral(";par_id=0"), QStringLiteral(";id="));
        EXPECT_EQ(47.0, cell(all, 1, QStringLiteral("stockQty")).toDouble());
        EXPECT_EQ(100.0, cell(all, 1, QStringLiteral("stockTotal")).toDouble());
    }
}

TEST_F(GoodsProc, RecordRightsHideRefusedGoodsFromOtherOperators) {
    db_->execute(
        QStringLiteral("INSERT INTO baseZY(id, par_jl, code, fullname) VALUES (2, '2,', "
                       "'002', '张三')"));
    db_->execute(QStringLiteral("INSERT INTO sysuser(id, password) VALUES (2, '')"));
    db_->execute(
        QStringLiteral("INSERT INTO baseGoodsPurview(id, czy_id, isbj) VALUES (4, 2, 0), "
                       "(5, 2, 1)"));
    EXPECT_EQ((QList<qint64>{5}), ids(run(QStringLiteral("XZSPALL"), QStringLiteral(";par_id=2"),
                                          QString(), QStringLiteral(";djtype=1"), 2)));
    EXPECT_EQ((QList<qint64>{4, 5}), ids(run(QStringLiteral("XZSPALL"), QStringLiteral(";par_id=2"),
                                             QString(), QStringLiteral(";djtype=1"), 1)));
}

TEST_F(GoodsProc, OtherStockListsTheGoodsHeldForThePartner) {
    db_->execute(
        QStringLiteral("INSERT INTO baseWLDW(id, par_jl, code, fullname) VALUES "
                       "(1, '1,', 'K1', '客户一'), (2, '2,', 'K2', '客户二')"));
    db_->execute(
        QStringLiteral("INSERT INTO baseGoodsStockOther(goodsid, wldw_id, typeid, qty, "
                       "total) VALUES (5, 1, 2, 3, 6), (4, 2, 2, 7, 14)"));
    const auto wldw = [](int id) { return QStringLiteral(";issub=1;id=%1;czy_id=1").arg(id); };
    RecordSet rs = run(QStringLiteral("QTKC"), QStringLiteral(";par_id=0;isstop=0"), QString(),
                       QStringLiteral(";djtype=38;typeid=2"), 1, wldw(1));
    ASSERT_EQ(QList<qint64>{5}, ids(rs));
    EXPECT_EQ(3.0, cell(rs, 5, QStringLiteral("stockQty")).toDouble());
    EXPECT_EQ(QList<qint64>{},
              ids(run(QStringLiteral("QTKC"), QStringLiteral(";par_id=0"), QString(),
                      QStringLiteral(";djtype=38;typeid=1"), 1, wldw(1))));
    EXPECT_EQ(QList<qint64>{4},
              ids(run(QStringLiteral("QTKC"), QStringLiteral(";allfilter=奥利奥"), QString(),
                      QStringLiteral(";djtype=38;typeid=2"), 1, wldw(2))));
    EXPECT_EQ(QStringLiteral("往来商品类型[9]无效"), test::errorOf([&] {
                  run(QStringLiteral("QTKC"), QString(), QString(),
                      QStringLiteral(";djtype=38;typeid=9"), 1, wldw(1));
              }));
}

TEST_F(GoodsProc, BatchesOfOneGoodsInOneWarehouseInArrivalOrder) {
    RecordSet rs = run(QStringLiteral("XZSPPC"), QStringLiteral(";isSub=1;id=5;isstop=0;czy_id=1"),
                       QStringLiteral(";id=1"));
    ASSERT_EQ(2, rs.rowCount());
    QStringList batches;
    for (rs.first(); !rs.eof(); rs.next()) {
        batches << rs.text(QStringLiteral("ph")) + u':' +
                       QString::number(rs.number(QStringLiteral("stockQty"))) + u':' +
                       QString::number(rs.number(QStringLiteral("stockPrice")));
        EXPECT_EQ(0, rs.integer(QStringLiteral("sonnum")));
    }
    EXPECT_EQ((QStringList{QStringLiteral("B1:4:2"), QStringLiteral("B2:2:2")}), batches);
    // Every warehouse: the batch of warehouse 2 joins, after the older ones.
    rs = run(QStringLiteral("XZSPPC"), QStringLiteral(";isSub=1;id=5;isstop=0"),
             QStringLiteral(";id="));
    EXPECT_EQ(3, rs.rowCount());
    rs.last();
    EXPECT_EQ(QStringLiteral("B3"), rs.text(QStringLiteral("ph")));
    EXPECT_EQ(2, rs.integer(QStringLiteral("stockid")));
}

TEST_F(GoodsProc, BadRequestsAreRefusedWithAMessage) {
    EXPECT_EQ(QStringLiteral("P_Base_Get_Goods不支持查询类型[XYZ]"),
              test::errorOf([&] { run(QStringLiteral("XYZ"), QString()); }));
    EXPECT_EQ(QStringLiteral("查询条件[par_id]不是有效的编号: x"),
              test::errorOf([&] { run(QStringLiteral("XZSPALL"), QStringLiteral(";par_id=x")); }));
    EXPECT_EQ(QStringLiteral("商品类别[77]不存在"), test::errorOf([&] {
                  run(QStringLiteral("XZSPALL"), QStringLiteral(";isList=1;par_id=77"));
              }));
    EXPECT_FALSE(test::errorOf([&] {
                     run(QStringLiteral("XZSPALL"), QStringLiteral("par_id=1"));
                 }).isEmpty());
    EXPECT_EQ(QStringLiteral("请选择商品"),
              test::errorOf([&] { run(QStringLiteral("XZSPPC"), QStringLiteral(";id=")); }));
}

TEST(GoodsPattern, ContainsPatternEscapesTheWildcards) {
    struct Case {
        const char* text;
        const char* pattern;
    };
    for (const Case c : {Case{"abc", "%abc%"}, Case{"100%", "%100\\%%"}, Case{"a_b", "%a\\_b%"},
                         Case{"c:\\d", "%c:\\\\d%"}, Case{"it's", "%it's%"}, Case{"", "%%"}}) {
        EXPECT_EQ(QString::fromUtf8(c.pattern), containsPattern(QString::fromUtf8(c.text)));
    }
}

}  // namespace
}  // namespace dyt::server
