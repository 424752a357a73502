// P_Base_Get_Goods on a real account set: levels, lists, the quick search, barcodes, stock columns,
// record rights, "QTKC" and the batches of "XZSPPC".
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "common/error.h"
#include "records.h"
#include "server/db/database.h"
#include "server/db/schema.h"
#include "server/db/where.h"
#include "server/procs/procs_goods.h"
#include "server/procs/registry.h"
#include "support/testutil.h"

using namespace Qt::StringLiterals;

namespace dyt::server {
namespace {

class GoodsProc : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        db_ = Database::open(dir_.filePath(u"a.db"_s), Database::Mode::ReadWriteCreate);
        schema::createAccountSet(db_->handle(), u"测试"_s, QString());
        registerBaseProcedures(registry_);
        seed();
    }
    void goods(qint64 id, qint64 parId, const QString& path, int level, int sonnum,
               const QString& code, const QString& fullname, const QString& name,
               const QString& pym, int spType = 0, int isstop = 0) {
        db_->execute(
            u"INSERT INTO baseGoods(id, par_id, par_jl, leveal, sonnum, code, "
            "fullname, name, pym, spType, isstop, costmode) VALUES "
            "(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 0)"_s,
            {id, parId, path, level, sonnum, code, fullname, name, pym, spType, isstop});
    }
    void unit(qint64 goodsId, int fzdwid, const QString& name, double rate, const QString& barcode,
              double price = 0, double buyPrice = 0) {
        db_->execute(
            u"INSERT INTO baseGoodsUnit(Goodsid, fzdwid, unit, rate, barcode, "
            "price, price1, latestBuyPrice) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"_s,
            {goodsId, fzdwid, name, rate, barcode, price, price + 1, buyPrice});
    }
    void stock(qint64 goodsId, qint64 stockId, qint64 batch, const QString& ph,
               const QString& indate, double qty, double total) {
        db_->execute(
            u"INSERT INTO baseGoodsStock(goodsid, stockid, goodspc, ph, "
            "indate, qty, price, total) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"_s,
            {goodsId, stockId, batch, ph, indate, qty, qty != 0 ? total / qty : 0, total});
    }
    // Classes 1 食品 (below it class 2 饼干 and goods 3), 6 日用品; goods 4, 5 below 饼干,
    // goods 7, 8, 9 below 日用品.
    void seed() {
        goods(1, 0, u"1,"_s, 1, 2, u"01"_s, u"食品"_s, u"食品"_s, u"SP"_s);
        goods(2, 1, u"1,2,"_s, 2, 2, u"0101"_s, u"饼干"_s, u"饼干"_s, u"BG"_s);
        goods(3, 1, u"1,3,"_s, 2, 0, u"0102"_s, u"矿泉水"_s, u"水"_s, u"KQS"_s);
        goods(4, 2, u"1,2,4,"_s, 3, 0, u"010101"_s, u"奥利奥饼干"_s, u"奥利奥"_s, u"ALAOBG"_s);
        goods(5, 2, u"1,2,5,"_s, 3, 0, u"010102"_s, u"苏打饼干"_s, u"苏打"_s, u"SDBG"_s, 1);
        goods(6, 0, u"6,"_s, 1, 3, u"02"_s, u"日用品"_s, u"日用品"_s, u"RYP"_s);
        goods(7, 6, u"6,7,"_s, 2, 0, u"0201"_s, u"O'Brien 牙膏"_s, u"100%纯"_s, u"YG"_s);
        goods(8, 6, u"6,8,"_s, 2, 0, u"0202"_s, u"100x牙刷"_s, u"牙刷"_s, u"YS"_s);
        goods(9, 6, u"6,9,"_s, 2, 0, u"0203"_s, u"旧牙刷"_s, u"旧牙刷"_s, u"JYS"_s, 0, 1);
        unit(4, 0, u"包"_s, 1, u"6901"_s, 3.5, 2.8);
        unit(4, 1, u"箱"_s, 12, u"6901-12"_s, 40);
        unit(5, 0, u"包"_s, 1, u"6902"_s, 4);
        unit(7, 0, u"支"_s, 1, u"6907"_s, 9);
        unit(8, 0, u"支"_s, 1, u"6908"_s, 5);
        for (int wh : {1, 2}) {
            db_->execute(
                u"INSERT INTO baseCK(id, par_id, par_jl, code, fullname) "
                "VALUES (?, 0, ?, ?, ?)"_s,
                {wh, u"%1,"_s.arg(wh), u"0%1"_s.arg(wh), u"仓库%1"_s.arg(wh)});
        }
        stock(4, 1, 0, QString(), QString(), 30, 60);
        stock(4, 2, 0, QString(), QString(), 10, 25);
        stock(5, 1, 2, u"B2"_s, u"2024-02-01"_s, 2, 4);
        stock(5, 1, 1, u"B1"_s, u"2024-01-01"_s, 4, 8);
        stock(5, 1, 4, u"B0"_s, u"2023-12-01"_s, 0, 0);
        stock(5, 2, 3, u"B3"_s, u"2024-03-01"_s, 1, 3);
    }
    // Runs the procedure as operator `user` and returns the rows.
    RecordSet run(const QString& type, const QString& goodsStr, const QString& ckStr = QString(),
                  const QString& filter = u";djtype=1"_s, qint64 user = 1,
                  const QString& wldwStr = QString()) {
        ParamList p(u"QueryType=%1\nFilter=%2\ngoodsStr=%3\nckStr=%4\nwldwStr=%5"_s.arg(
            type, filter, goodsStr, ckStr, wldwStr));
        CallContext c(*db_, p);
        c.userId = user;
        const int rc = registry_.find(u"p_base_get_goods"_s)->handler(c);
        if (rc < 0)
            throw DytError(c.message);
        return c.data;
    }
    static QList<qint64> ids(const RecordSet& rs) { return dyt::test::idsOf(rs, u"goodsid"_s); }
    static QVariant cell(const RecordSet& rs, qint64 goodsId, const QString& field) {
        return dyt::test::cellOf(rs, goodsId, field, u"goodsid"_s);
    }
    // Several fields of a goods row, "|" between them; numbers as QString::number gives them.
    static QString cells(const RecordSet& rs, qint64 goodsId, const QString& fields) {
        QStringList out;
        for (const QString& f : fields.split(u'|'))
            out << dyt::test::shown(cell(rs, goodsId, f));
        return out.join(u'|');
    }
    QTemporaryDir dir_;
    std::unique_ptr<Database> db_;
    Registry registry_;
};

TEST_F(GoodsProc, LevelsListsSearchesAndTheStockColumnsOfAWarehouse) {
    // clang-format off
    struct Case { const char* name; const char* goodsStr; QList<qint64> expected; };
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
        {"barcode part is no barcode", ";isstop=0;czy_id=1;barcode=690", {}}};
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.expected, ids(run(u"XZSPALL"_s, QString::fromUtf8(c.goodsStr))));
    }
    // Orders posted: a purchase order of 5 with 2 received, a sales order of 4 not delivered.
    db_->execute(
        u"INSERT INTO djIndex(id, djType, dj_state) VALUES (1, 8, 2), "
        "(2, 4, 2), (3, 8, 1)"_s);
    db_->execute(
        u"INSERT INTO djList(id, djType, dj_state, goodsid, IntoStock_id, OutStock_id, qty, toQty) "
        "VALUES (1, 8, 2, 4, 1, 0, 5, 2), (2, 4, 2, 4, 0, 1, 4, 0), (3, 8, 1, 4, 1, 0, 100, 0)"_s);
    // clang-format off
    struct StockCase { const char* ckStr; double qty, price, total, virtualQty; const char* aux; };
    const StockCase stocks[] = {
        {";id=1;czy_id=1", 30, 2, 60, 29, "2箱6包"},
        {";id=2;czy_id=1", 10, 2.5, 25, 10, "10包"},
        {";id=;czy_id=1", 40, 2.125, 85, 39, "3箱4包"}};
    // clang-format on
    for (const StockCase& c : stocks) {
        SCOPED_TRACE(c.ckStr);
        const RecordSet rs = run(u"XZSPALL"_s, u";par_id=2"_s, QString::fromUtf8(c.ckStr));
        EXPECT_EQ(u"%1|%2|%3|%4|"_s.arg(c.qty).arg(c.price).arg(c.total).arg(c.virtualQty) +
                      QString::fromUtf8(c.aux),
                  cells(rs, 4, u"stockQty|stockPrice|stockTotal|xnStockQty|fzsl"_s));
    }
    // A class sums the goods below it: 食品 in warehouse 1 holds goods 4 (30, 60) and 5 (6, 12).
    const RecordSet top = run(u"XZSPALL"_s, u";par_id=0"_s, u";id=1"_s);
    EXPECT_EQ(u"36|72"_s, cells(top, 1, u"stockQty|stockTotal"_s));
    EXPECT_EQ(0.0, cell(top, 6, u"stockQty"_s).toDouble());
    // In every warehouse 食品 holds 40 + 6 + the batch of 1 in warehouse 2.
    EXPECT_EQ(u"47|100"_s,
              cells(run(u"XZSPALL"_s, u";par_id=0"_s, u";id="_s), 1, u"stockQty|stockTotal"_s));
}

TEST_F(GoodsProc, RowsCarryTheColumnsTheSelectionShowsAndPurchasesTheLatestPrice) {
    const RecordSet rs = run(u"XZSPALL"_s, u";par_id=2;isstop=0"_s, u";id=1;czy_id=1"_s);
    ASSERT_EQ((QList<qint64>{4, 5}), ids(rs));
    EXPECT_EQ(
        u"010101|奥利奥饼干|奥利奥|ALAOBG|6901|包|0|0|0"_s,
        cells(rs, 4, u"code|fullName|sp_spjm|sp_pym|barcode|unitName|unitid|sonnum|selected"_s));
    EXPECT_EQ(1, cell(rs, 5, u"sp_sptype"_s).toLongLong());
    // A scanned auxiliary barcode brings its unit.
    const RecordSet scanned = run(u"XZSPALL"_s, u";isstop=0;czy_id=1;barcode=6901-12"_s);
    ASSERT_EQ(QList<qint64>{4}, ids(scanned));
    EXPECT_EQ(u"1|箱|12|40"_s, cells(scanned, 4, u"unitid|unitName|rate|price"_s));
    // Purchase kinds are offered the latest purchase price.
    struct Case {
        int djType;
        double price;
    };
    // Goods 4: preset price 3.5, latest purchase price 2.8. Goods 5: no purchase price yet.
    for (const Case c : {Case{1, 3.5}, Case{5, 2.8}, Case{8, 2.8}, Case{11, 3.5}}) {
        SCOPED_TRACE(c.djType);
        const RecordSet offered =
            run(u"XZSPALL"_s, u";par_id=2"_s, QString(), u";djtype=%1"_s.arg(c.djType));
        EXPECT_EQ(c.price, cell(offered, 4, u"price"_s).toDouble());
        EXPECT_EQ(4.0, cell(offered, 5, u"price"_s).toDouble());
        EXPECT_EQ(4.5, cell(offered, 4, u"price1"_s).toDouble());
    }
}

TEST_F(GoodsProc, RecordRightsHideRefusedGoodsAndOtherStockListsThePartnersGoods) {
    db_->execute(
        u"INSERT INTO baseZY(id, par_jl, code, fullname) VALUES (2, '2,', "
        "'002', '张三')"_s);
    db_->execute(u"INSERT INTO sysuser(id, password) VALUES (2, '')"_s);
    db_->execute(u"UPDATE sysConf SET sysValue = '1' WHERE id = 2004"_s);
    db_->execute(
        u"INSERT INTO baseGoodsPurview(id, czy_id, isbj) VALUES (4, 2, 0), "
        "(5, 2, 1)"_s);
    EXPECT_EQ((QList<qint64>{5}),
              ids(run(u"XZSPALL"_s, u";par_id=2"_s, QString(), u";djtype=1"_s, 2)));
    EXPECT_EQ((QList<qint64>{4, 5}),
              ids(run(u"XZSPALL"_s, u";par_id=2"_s, QString(), u";djtype=1"_s, 1)));
    db_->execute(
        u"INSERT INTO baseWLDW(id, par_jl, code, fullname) VALUES "
        "(1, '1,', 'K1', '客户一'), (2, '2,', 'K2', '客户二')"_s);
    db_->execute(
        u"INSERT INTO baseGoodsStockOther(goodsid, wldw_id, typeid, qty, "
        "total) VALUES (5, 1, 2, 3, 6), (4, 2, 2, 7, 14)"_s);
    const auto wldw = [](int id) { return u";issub=1;id=%1;czy_id=1"_s.arg(id); };
    RecordSet rs =
        run(u"QTKC"_s, u";par_id=0;isstop=0"_s, QString(), u";djtype=38;typeid=2"_s, 1, wldw(1));
    ASSERT_EQ(QList<qint64>{5}, ids(rs));
    EXPECT_EQ(3.0, cell(rs, 5, u"stockQty"_s).toDouble());
    EXPECT_EQ(QList<qint64>{},
              ids(run(u"QTKC"_s, u";par_id=0"_s, QString(), u";djtype=38;typeid=1"_s, 1, wldw(1))));
    EXPECT_EQ(QList<qint64>{4}, ids(run(u"QTKC"_s, u";allfilter=奥利奥"_s, QString(),
                                        u";djtype=38;typeid=2"_s, 1, wldw(2))));
    EXPECT_EQ(u"往来商品类型[9]无效"_s, test::errorOf([&] {
                  run(u"QTKC"_s, QString(), QString(), u";djtype=38;typeid=9"_s, 1, wldw(1));
              }));
}

TEST_F(GoodsProc, BatchesInArrivalOrderAndBadRequestsAreRefused) {
    RecordSet rs = run(u"XZSPPC"_s, u";isSub=1;id=5;isstop=0;czy_id=1"_s, u";id=1"_s);
    ASSERT_EQ(2, rs.rowCount());
    QStringList batches;
    for (rs.first(); !rs.eof(); rs.next()) {
        batches << rs.text(u"ph"_s) + u':' + QString::number(rs.number(u"stockQty"_s)) + u':' +
                       QString::number(rs.number(u"stockPrice"_s));
        EXPECT_EQ(0, rs.integer(u"sonnum"_s));
    }
    EXPECT_EQ((QStringList{u"B1:4:2"_s, u"B2:2:2"_s}), batches);
    // Every warehouse: the batch of warehouse 2 joins, after the older ones.
    rs = run(u"XZSPPC"_s, u";isSub=1;id=5;isstop=0"_s, u";id="_s);
    EXPECT_EQ(3, rs.rowCount());
    rs.last();
    EXPECT_EQ(u"B3"_s, rs.text(u"ph"_s));
    EXPECT_EQ(2, rs.integer(u"stockid"_s));
    EXPECT_EQ(u"P_Base_Get_Goods不支持查询类型[XYZ]"_s,
              test::errorOf([&] { run(u"XYZ"_s, QString()); }));
    EXPECT_EQ(u"查询条件[par_id]不是有效的编号: x"_s,
              test::errorOf([&] { run(u"XZSPALL"_s, u";par_id=x"_s); }));
    EXPECT_EQ(u"商品类别[77]不存在"_s,
              test::errorOf([&] { run(u"XZSPALL"_s, u";isList=1;par_id=77"_s); }));
    EXPECT_FALSE(test::errorOf([&] { run(u"XZSPALL"_s, u"par_id=1"_s); }).isEmpty());
    EXPECT_EQ(u"请选择商品"_s, test::errorOf([&] { run(u"XZSPPC"_s, u";id="_s); }));
}

TEST(GoodsPattern, ContainsPatternEscapesTheWildcardsAndTheEscape) {
    EXPECT_EQ(u"%100\\%%|%a\\_b%|%c:\\\\d%|%it's%|%%"_s,
              QStringList({containsPattern(u"100%"_s), containsPattern(u"a_b"_s),
                           containsPattern(u"c:\\d"_s), containsPattern(u"it's"_s),
                           containsPattern(QString())})
                  .join(u'|'));
}

}  // namespace
}  // namespace dyt::server
