// The stock status report against a real dyt-server with posted purchases: the levels, one
// warehouse, the goods distribution and the batch details read what the postings booked.
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QTableView>

#include <cmath>
#include <memory>
#include <vector>

#include "../server/posting_packets.h"
#include "client/logic/clientconfig.h"
#include "client/common/gridview.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/settings.h"
#include "client/queries/frmqkczkb.h"
#include "client/queries/frmselectitems.h"
#include "client/queries/frmstockwindows.h"
#include "common/currency.h"
#include "common/recordset.h"
#include "support/serverfixture.h"
#include "uihelpers.h"

namespace dyt::client {
namespace {

QString s(const char* text) {
    return QString::fromUtf8(text);
}

constexpr qint64 kDrinks = 50, kCola = 101, kSprite = 102, kSugar = 103;
constexpr qint64 kMain = 301, kShop = 302, kAnnex = 303;

double round4(const QVariant& v) {
    const double d =
        v.userType() == qMetaTypeId<Currency>() ? v.value<Currency>().toDouble() : v.toDouble();
    return std::round(d * 10000.0) / 10000.0;
}

// The figures of a row of a window's records by a key field.
struct Figures {
    bool found = false;
    double qty = 0;
    double total = 0;
    double price = 0;
};

Figures figuresOf(const RecordSet& rows, const char* keyField, qint64 key, const char* qtyField,
                  const char* totalField, const char* priceField) {
    Figures f;
    const int k = rows.fieldIndex(s(keyField));
    for (int r = 0; k >= 0 && r < rows.rowCount(); ++r) {
        if (rows.at(r, k).toLongLong() != key)
            continue;
        f.found = true;
        f.qty = round4(rows.at(r, rows.fieldIndex(s(qtyField))));
        f.total = round4(rows.at(r, rows.fieldIndex(s(totalField))));
        f.price = round4(rows.at(r, rows.fieldIndex(s(priceField))));
    }
    return f;
}

class StockStatusE2E : public test::ServerFixture {};

TEST_F(StockStatusE2E, TheReportShowsThePostedStockByLevelWarehouseAndBatch) {
    openClientConfig(programDir.path());
    addRecord("baseGoods", 50, "C1", "饮料", 0, 2, {{"costmode", s("0")}});
    addRecord("baseGoods", 101, "SP101", "可乐", 50, 0, {{"costmode", s("0")}});
    addRecord("baseGoods", 102, "SP102", "雪碧", 50, 0, {{"costmode", s("2")}});
    addRecord("baseGoods", 103, "SP103", "白糖", 0, 0, {{"costmode", s("0")}});
    dm.ExecUpdate(
        s("INSERT INTO baseGoodsUnit(Goodsid, fzdwid, unit, rate, price) VALUES "
          "(101, 0, '瓶', 1, 3), (102, 0, '瓶', 1, 5), (103, 0, '包', 1, 8)"));
    addRecord("baseWLDW", 203, "G1", "供应商");
    addRecord("baseCK", 301, "CK1", "总仓");
    addRecord("baseCK", 302, "CK2", "门店");
    addRecord("baseZY", 2, "002", "张三", 0, 0, {{"name", s("'张三'")}});
    addRecord("baseBM", 401, "BM1", "业务部");
    ASSERT_EQ(0, openAccounts(QDate(2025, 1, 1)));

    // Into 总仓: 可乐 10 at 2, 雪碧 20 at 3 and 10 at 4 (two FIFO batches), 白糖 5 at 6.
    // Into 门店: 可乐 6 at 2.5.
    const auto post = [this](qint64 warehouse, const char* code,
                             std::vector<server::test::GoodsLine> lines) {
        server::test::GoodsBill bill;
        bill.djType = 5;
        bill.date = s("2025-02-03");
        bill.code = s(code);
        bill.partner = 203;
        bill.intoStock = warehouse;
        bill.lines = std::move(lines);
        ParamList header = server::test::goodsBillParams(bill);
        RecordSet lines_ = server::test::goodsLinesPacket(bill);
        const RecordSet accounts = server::test::accountPacket({});
        dm.ExecService(s("QMXService"), s("SaveToDB"), header, &lines_, &accounts);
    };
    post(kMain, "JH-1",
         {{.goods = kCola, .qty = 10, .price = 2},
          {.goods = kSprite, .qty = 20, .price = 3},
          {.goods = kSugar, .qty = 5, .price = 6}});
    post(kMain, "JH-2", {{.goods = kSprite, .qty = 10, .price = 4}});
    post(kShop, "JH-3", {{.goods = kCola, .qty = 6, .price = 2.5}});
    // 总仓 gets a sub-warehouse 总仓二库 holding 雪碧 5 at 5.
    dm.ExecUpdate(s("UPDATE baseCK SET sonnum = 1 WHERE id = 301"));
    dm.ExecUpdate(
        s("INSERT INTO baseCK(id, par_id, par_jl, leveal, sonnum, code, fullname) "
          "VALUES (303, 301, '301,303,', 2, 0, 'CK101', '总仓二库')"));
    post(kAnnex, "JH-4", {{.goods = kSprite, .qty = 5, .price = 5}});
    ASSERT_TRUE(script.messages().isEmpty()) << script.messages().join(u'|').toStdString();

    settings().SeeCost = true;
    settings().CostAlgorithm = 1;
    std::vector<std::unique_ptr<QWidget>> children;
    const ChildWindowHost savedHost = queryChildHost();
    queryChildHost() = [&children](QWidget* w) { children.emplace_back(w); };
    {
        TfrmQKCZKB w;
        w.setTag(300501);
        w.resize(1500, 520);
        w.show();
        // The top level: the category sums its goods in both warehouses.
        ASSERT_TRUE(w.runQuery(false));
        const RecordSet& top = w.records();
        const Figures drinks =
            figuresOf(top, "sp_id", kDrinks, "stockqty", "stockTotal", "stockPrice");
        ASSERT_TRUE(drinks.found);
        EXPECT_EQ(10 + 30 + 6 + 5, drinks.qty);
        EXPECT_EQ(20 + 60 + 40 + 15 + 25, drinks.total);
        const Figures sugar =
            figuresOf(top, "sp_id", kSugar, "stockqty", "stockTotal", "stockPrice");
        EXPECT_EQ(5, sugar.qty);
        EXPECT_EQ(30, sugar.total);
        EXPECT_EQ(6, sugar.price);

        // The reference price: the retail price (level 0) times the stock.
        ASSERT_GT(w.cbPrice()->count(), 0);
        EXPECT_EQ(0, w.referencePriceCode());
        const Figures sugarRef = figuresOf(top, "sp_id", kSugar, "stockqty", "lstotal", "lsPrice");
        EXPECT_EQ(8, sugarRef.price);
        EXPECT_EQ(40, sugarRef.total);

        // Down into 饮料: the goods with their own stock.
        int drinksRow = -1;
        for (int r = 0; r < w.model()->rowCount(); ++r) {
            if (w.records()
                    .at(w.model()->rawRow(r), w.records().fieldIndex(s("sp_id")))
                    .toLongLong() == kDrinks)
                drinksRow = r;
        }
        ASSERT_GE(drinksRow, 0);
        // A double-click goes one level down and opens nothing; on a goods it opens one ledger.
        QTableView* table = w.dbgvX()->table();
        int shown = 0;
        while (table->isColumnHidden(shown))
            ++shown;
        const auto doubleClick = [&](int row) {
            test::doubleClick(table->viewport(),
                              table->visualRect(w.model()->index(row, shown)).center());
        };
        doubleClick(drinksRow);
        EXPECT_TRUE(children.empty());
        const Figures cola =
            figuresOf(w.records(), "sp_id", kCola, "stockqty", "stockTotal", "stockPrice");
        EXPECT_EQ(16, cola.qty);
        EXPECT_EQ(35, cola.total);
        const Figures sprite =
            figuresOf(w.records(), "sp_id", kSprite, "stockqty", "stockTotal", "stockPrice");
        EXPECT_EQ(35, sprite.qty);
        EXPECT_EQ(125, sprite.total);
        for (int r = 0; r < w.model()->rowCount(); ++r) {
            if (w.records()
                    .at(w.model()->rawRow(r), w.records().fieldIndex(s("sp_id")))
                    .toLongLong() == kCola)
                doubleClick(r);
        }
        ASSERT_EQ(1u, children.size());
        QCoreApplication::processEvents();
        test::saveScreenshot(&w, s("stockstatus_report"));

        // One warehouse with its sub-warehouse: 总仓 holds 10 可乐 and all of 雪碧.
        w.btnAllckClick(QString::number(kMain), s("总仓"));
        const Figures spriteMain =
            figuresOf(w.records(), "sp_id", kSprite, "stockqty", "stockTotal", "stockPrice");
        EXPECT_EQ(35, spriteMain.qty);
        EXPECT_EQ(125, spriteMain.total);
        EXPECT_EQ(
            10, figuresOf(w.records(), "sp_id", kCola, "stockqty", "stockTotal", "stockPrice").qty);
        EXPECT_EQ(
            20,
            figuresOf(w.records(), "sp_id", kCola, "stockqty", "stockTotal", "stockPrice").total);

        // The goods distribution of 可乐 and the batches of 雪碧 in 总仓.
        for (int r = 0; r < w.model()->rowCount(); ++r) {
            const qint64 id = w.records()
                                  .at(w.model()->rawRow(r), w.records().fieldIndex(s("sp_id")))
                                  .toLongLong();
            w.setFocusedRow(r);
            if (id == kCola)
                w.btnAddClick();
            else if (id == kSprite)
                w.btnpcxqClick();
        }
        ASSERT_EQ(3u, children.size()) << script.messages().join(u'|').toStdString();
        TfrmBaseGoodsFenBu* fenbu = nullptr;
        TfrmBaseKCPCB* batches = nullptr;
        for (const auto& c : children) {
            if (auto* f = qobject_cast<TfrmBaseGoodsFenBu*>(c.get()))
                fenbu = f;
            if (auto* b = qobject_cast<TfrmBaseKCPCB*>(c.get()))
                batches = b;
        }
        ASSERT_NE(nullptr, fenbu);
        ASSERT_NE(nullptr, batches);
        EXPECT_EQ(2, fenbu->records().rowCount());
        const Figures main = figuresOf(fenbu->records(), "ck_id", kMain, "qty", "total", "price");
        const Figures shop = figuresOf(fenbu->records(), "ck_id", kShop, "qty", "total", "price");
        EXPECT_EQ(10, main.qty);
        EXPECT_EQ(20, main.total);
        EXPECT_EQ(2, main.price);
        EXPECT_EQ(6, shop.qty);
        EXPECT_EQ(15, shop.total);
        EXPECT_EQ(2.5, shop.price);

        // The batches of 总仓 and its sub-warehouse, the older first; 门店 holds none.
        ASSERT_EQ(3, batches->records().rowCount());
        const RecordSet& b = batches->records();
        EXPECT_EQ(20, round4(b.at(0, b.fieldIndex(s("qty")))));
        EXPECT_EQ(3, round4(b.at(0, b.fieldIndex(s("price")))));
        EXPECT_EQ(10, round4(b.at(1, b.fieldIndex(s("qty")))));
        EXPECT_EQ(40, round4(b.at(1, b.fieldIndex(s("total")))));
        EXPECT_EQ(5, round4(b.at(2, b.fieldIndex(s("qty")))));
        EXPECT_EQ(25, round4(b.at(2, b.fieldIndex(s("total")))));
        EXPECT_EQ(s("总仓二库"), b.at(2, b.fieldIndex(s("ck_ckqm"))).toString());
    }
    EXPECT_TRUE(script.messages().isEmpty()) << script.messages().join(u'|').toStdString();
    children.clear();
    queryChildHost() = savedHost;
    closeClientConfig();
}

}  // namespace
}  // namespace dyt::client
