// The selection windows against a real dyt-server, picked by code, barcode and from the keyboard.
#include <QTest>

#include "client/bills/selectbase.h"
#include "client/bills/selectgoods.h"
#include "client/bills/selectgoodsfzxx.h"
#include "client/bills/selectgoodspc.h"
#include "client/common/gridview.h"
#include "client/logic/recordsetmodel.h"
#include "support/serverfixture.h"
#include "support/testutil.h"
#include "uihelpers.h"

namespace dyt::test {
namespace {

class SelectEndToEnd : public ServerFixture {
protected:
    void SetUp() override {
        ServerFixture::SetUp();
        seedFoodGoods();
        exec(
            {"INSERT INTO baseGoodsUnit(Goodsid, fzdwid, unit, rate, barcode, price) VALUES "
             "(2, 1, '箱', 12, '6901-12', 40), (1, 0, '', 1, 'CLASS-01', 0)",
             "INSERT INTO baseCK(id, par_id, par_jl, code, fullname) VALUES (1, 0, '1,', '01', "
             "'总仓')",
             "INSERT INTO baseGoodsStock(goodsid, stockid, goodspc, ph, indate, qty, price, total) "
             "VALUES (2, 1, 7, 'P7', '2024-01-05', 30, 2, 60), "
             "(2, 1, 8, 'P8', '2024-02-05', 6, 2.5, 15)",
             "INSERT INTO baseDQ(id, par_id, par_jl, code, fullname, pym) VALUES "
             "(1, 0, '1,', 'D1', 'O''Hara 区', 'OHQ'), (2, 0, '2,', 'D2', '100%区', 'BFQ'), "
             "(3, 0, '3,', 'D3', '100x区', 'BXQ'), (4, 0, '4,', 'D_4', '四区', 'SQ')",
             "INSERT INTO baseWLDW(id, par_id, par_jl, leveal, sonnum, code, fullname, pym, type) "
             "VALUES (1, 0, '1,', 1, 0, '001', '华达食品', 'HDSP', 1), (2, 0, '2,', 1, 0, '002', "
             "'华联商贸', 'HLSM', 1), (3, 0, '3,', 1, 0, '003', '华润超市', 'HRCS', 2)"});
        target.lineOf = [this](qint64 goodsId, qint64 unitId) {
            for (int i = 0; i < bill.size(); ++i)
                if (bill[i].goodsId == goodsId && bill[i].unitId == unitId)
                    return i + 1;
            return 0;
        };
        target.add = [this](const client::SelectedGoods& g) { bill.append(g); };
    }
    client::GoodsTarget target;
    QList<client::SelectedGoods> bill;
};
TEST_F(SelectEndToEnd, GoodsPickedByCodeBarcodeRefusedBatchesAndUnits) {
    // The exact code of one goods: added at once, with its price and the warehouse's stock.
    ASSERT_TRUE(client::selectGoodsByText(target, 1, 0, 1, 0, u"0101"_s, u"商品选择"_s));
    ASSERT_EQ(1, bill.size());
    const client::SelectedGoods& g = bill[0];
    EXPECT_EQ(u"奥利奥饼干"_s, g.name);
    // Id, price, stock of the warehouse, cost method, quantity and total.
    EXPECT_EQ((QList<double>{2, 3.5, 36, 2, 1, 3.5}),
              (QList<double>{double(g.goodsId), g.price, g.stockQty, double(g.costmode), g.qty,
                             g.total}));
    // A quote in the text finds the goods it names.
    ASSERT_TRUE(client::selectGoodsByText(target, 1, 0, 1, 0, u"o'brien"_s, QString()));
    EXPECT_EQ(3, bill.last().goodsId);
    // Scanning: the class's barcode is refused, an unknown one too, the box unit comes with its
    // rate.
    EXPECT_FALSE(client::selectGoodsByBarcode(target, 1, 0, 1, 0, u"CLASS-01"_s));
    EXPECT_FALSE(client::selectGoodsByBarcode(target, 1, 0, 1, 0, u"0000"_s));
    EXPECT_EQ((QStringList{u"你扫描的条码在数据库中是一类商品，不能添加！"_s, u"无此条码商品！"_s}),
              script.messages());
    EXPECT_EQ(u"提示"_s, script.records().value(0).caption);
    EXPECT_TRUE(client::selectGoodsByBarcode(target, 1, 0, 1, 0, u"6901-12"_s));
    EXPECT_EQ((QList<double>{1, 12, 40}),
              (QList<double>{double(bill.last().unitId), bill.last().rate, bill.last().price}));
    // Batches of the goods in the warehouse, oldest first.
    client::BatchSelection batches(2, 1);
    batches.runQuery();
    ASSERT_EQ(2, batches.rows().rowCount());
    EXPECT_EQ(u"P7"_s, batches.rows().at(0, batches.rows().fieldIndex(u"ph"_s)).toString());
    EXPECT_EQ(6.0, batches.rows().at(1, batches.rows().fieldIndex(u"stockQty"_s)).toDouble());
    // Units of the goods.
    client::UnitSelection units(2);
    units.load();
    ASSERT_EQ(2, units.rows().rowCount());
    EXPECT_EQ(u"箱"_s, units.choice(1)->unitName);
    EXPECT_EQ(12.0, units.choice(1)->rate);
}
// Closes a window the steps left open, as the operator would: Esc until it goes.
void closeByEsc(QWidget* w) {
    for (int i = 0; i < 5 && w->isVisible(); ++i)
        QTest::keyClick(w, Qt::Key_Escape);
}
TEST_F(SelectEndToEnd, RecordSelectionFromTheKeyboard) {
    using Qt::Key_Down, Qt::Key_Return, Qt::Key_Escape;
    struct Case {
        const char* name;
        const char* kind;
        const char* opened;  // the text the window opens with
        qint64 chosen;       // 0: nothing
        const char* message;
        QList<UiStep> steps;
    };
    // clang-format off
    const Case cases[] = {
        {"typing narrows, Down into the list, Enter", "area", "", 3, "",
         {typed("100"), rows(2), key(Key_Down), key(Key_Down), key(Key_Return)}},
        {"Enter in the box on one match", "area", "", 3, "", {typed("bxq"), key(Key_Return)}},
        {"the text opened with is replaced", "area", "O'Hara 区", 4, "",
         {rows(1), typed("sq"), key(Key_Return)}},
        {"Tab reaches the list", "area", "", 3, "",
         {typed("100"), rows(2), key(Qt::Key_Tab), key(Key_Down), key(Qt::Key_Enter)}},
        {"Up on the first row goes back to the box", "area", "", 3, "",
         {typed("100"), rows(2), key(Key_Down), key(Key_Down), key(Qt::Key_Up), key(Qt::Key_Up),
          typed("x"), rows(1), key(Key_Return)}},
        {"Esc chooses nothing", "area", "", 0, "", {typed("100"), key(Key_Escape)}},
        {"确定 after a text matching nothing", "area", "", 0, "请选择地区",
         {typed("zzz"), click("btnOK")}},
        {"a double-click", "area", "", 3, "", {rows(4), doubleClick(2)}},
        {"suppliers narrowed as typed", "gys", "", 2, "",
         {typed("华"), rows(2), key(Qt::Key_PageDown), key(Key_Down), key(Key_Return)}},
        {"a customer is no supplier", "gys", "", 0, "请选择供应商", {typed("华润"), click("btnOK")}},
        {"a warehouse", "cangku", "", 1, "", {typed("总"), key(Key_Return)}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        script.clearRecords();
        onNextModal([&](QWidget* w) {
            perform(w, static_cast<client::TfrmSelectBase*>(w)->grid()->table(), c.steps);
            closeByEsc(w);
        });
        const auto chosen =
            client::selectBase(QString::fromLatin1(c.kind), QString::fromUtf8(c.opened));
        EXPECT_EQ(c.chosen, chosen ? chosen->id : 0);
        EXPECT_EQ(*c.message ? QStringList{QString::fromUtf8(c.message)} : QStringList(),
                  script.messages());
    }
}
TEST_F(SelectEndToEnd, GoodsWindowFromTheKeyboard) {
    using Qt::Key_Down, Qt::Key_Return, Qt::Key_Escape;
    struct Case {
        const char* name;
        QList<qint64> added;
        const char* message;
        QList<UiStep> steps;
    };
    // clang-format off
    const Case cases[] = {
        {"typing narrows, Down into the list, Enter adds", {3}, "",
         {typed("饼干"), rows(2), key(Key_Down), key(Key_Down), key(Key_Return)}},
        {"Enter in the box on one goods adds it", {3}, "", {typed("0102"), key(Key_Return)}},
        {"one class found: Enter opens it, Enter adds", {2}, "",
         {typed("食品"), key(Key_Return), key(Key_Return), rows(2), key(Key_Return)}},
        {"Esc steps up out of the class, then closes", {}, "",
         {key(Qt::Key_PageDown), key(Key_Return), rows(2), key(Key_Escape), rows(1),
          key(Key_Escape)}},
        {"选择 after a text matching nothing", {}, "请选择商品", {typed("zzz"), click("btnOK")}},
        {"a double-click adds once", {3}, "", {typed("饼干"), rows(2), doubleClick(1)}},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        script.clearRecords();
        bill.clear();
        onNextModal([&](QWidget* w) {
            perform(w, static_cast<client::TfrmSelectGoods*>(w)->grid()->table(), c.steps);
            closeByEsc(w);
        });
        EXPECT_EQ(!c.added.isEmpty(),
                  client::selectGoodsByText(target, 1, 0, 1, 0, QString(), QString()));
        QList<qint64> added;
        for (const auto& g : bill)
            added << g.goodsId;
        EXPECT_EQ(c.added, added);
        EXPECT_EQ(*c.message ? QStringList{QString::fromUtf8(c.message)} : QStringList(),
                  script.messages());
    }
}
TEST_F(SelectEndToEnd, BatchFromTheKeyboard) {
    // The batch window opens in its list: Down to the second batch, Enter.
    client::TfrmSelectGoodsPC batches(2, 1);
    onNextModal([&](QWidget*) {
        perform(&batches, batches.grid()->table(), {key(Qt::Key_Down), key(Qt::Key_Return)});
    });
    EXPECT_EQ(1, batches.exec());
    EXPECT_EQ(1, batches.chosenRow());
    // The unit window from the keyboard: SelectWindowModal.
}
TEST_F(SelectEndToEnd, RecordSelectionTextWithQuotesAndWildcardsFindsWhatItSays) {
    struct Case {
        const char* text;
        QList<qint64> ids;
    };
    const Case cases[] = {{"", {1, 2, 3, 4}}, {"o'hara", {1}}, {"'", {1}}, {"100%", {2}},
                          {"100", {2, 3}}, {"d_", {4}}, {"%", {2}}, {"x' or '1'='1", {}}, {"bxq", {3}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        client::RecordSelection s(u"area"_s);
        s.load(QString::fromUtf8(c.text));
        QList<qint64> ids;
        for (int r = 0; r < s.rows().rowCount(); ++r)
            ids << s.choice(r)->id;
        EXPECT_EQ(c.ids, ids);
    }
    // Every kind read by SQL runs on the server with a hostile text.
    for (const QString& kind : client::baseKindNames()) {
        client::RecordSelection s(kind);
        if (s.kind().sql.isEmpty())
            continue;
        SCOPED_TRACE(kind.toStdString());
        EXPECT_EQ(QString(), errorOf([&] { s.load(u"a'b%c_d\\"_s); }));
        EXPECT_EQ(QString(), errorOf([&] { s.load(QString()); }));
    }
    // The currencies keep their order and find the home currency by code.
    client::RecordSelection wb(u"wb"_s);
    wb.load(u"rm"_s);
    ASSERT_EQ(1, wb.rows().rowCount());
    EXPECT_EQ(u"人民币"_s, wb.choice(0)->name);
}

}  // namespace
}  // namespace dyt::test
