// The selection windows against a real dyt-server: a goods picked by its code, a scanned class
// refused, batches and units read, the goods window with server rows on screen, and the record
// selection's filter text with quotes and wildcards going through the server's SQL layer.
#include <QApplication>
#include <QPushButton>

#include "client/bills/selectbase.h"
#include "client/bills/selectgoods.h"
#include "client/bills/selectgoodsfzxx.h"
#include "client/bills/selectgoodspc.h"
#include "client/common/gridview.h"
#include "client/common/recordsetmodel.h"
#include "dmtest_support.h"
#include "support/serverprocess.h"
#include "support/testutil.h"

namespace dyt::test {
namespace {

class SelectEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        client::resetSession();
        client::setRunMode(client::kFullMode);
        reportFaultsToTest(script);
        ASSERT_TRUE(server.start()) << server.error().toStdString();
        dm = std::make_unique<client::TdmMain>();
        dm->quitApplication = [] {};
        ASSERT_TRUE(dm->ConnectServer(server.address(), false, 1));
        ASSERT_EQ(QString(), createAndLogIn(*dm, QStringLiteral("选择测试")));
        const char* const statements[] = {
            "INSERT INTO baseGoods(id, par_id, par_jl, leveal, sonnum, code, fullname, name, pym, "
            "costmode) VALUES (1, 0, '1,', 1, 2, '01', '食品', '食品', 'SP', 0)",
            "INSERT INTO baseGoods(id, par_id, par_jl, leveal, sonnum, code, fullname, name, pym, "
            "costmode) VALUES (2, 1, '1,2,', 2, 0, '0101', '奥利奥饼干', '奥利奥', 'ALAOBG', 2)",
            "INSERT INTO baseGoods(id, par_id, par_jl, leveal, sonnum, code, fullname, name, pym, "
            "costmode) VALUES (3, 1, '1,3,', 2, 0, '0102', 'O''Brien 苏打饼干', '苏打', 'SDBG', 0)",
            "INSERT INTO baseGoodsUnit(Goodsid, fzdwid, unit, rate, barcode, price) VALUES "
            "(2, 0, '包', 1, '6901', 3.5)",
            "INSERT INTO baseGoodsUnit(Goodsid, fzdwid, unit, rate, barcode, price) VALUES "
            "(2, 1, '箱', 12, '6901-12', 40)",
            "INSERT INTO baseGoodsUnit(Goodsid, fzdwid, unit, rate, barcode, price) VALUES "
            "(3, 0, '包', 1, '6903', 4)",
            "INSERT INTO baseGoodsUnit(Goodsid, fzdwid, unit, rate, barcode, price) VALUES "
            "(1, 0, '', 1, 'CLASS-01', 0)",
            "INSERT INTO baseCK(id, par_id, par_jl, code, fullname) VALUES (1, 0, '1,', '01', "
            "'总仓')",
            "INSERT INTO baseGoodsStock(goodsid, stockid, goodspc, ph, indate, qty, price, total) "
            "VALUES (2, 1, 7, 'P7', '2024-01-05', 30, 2, 60)",
            "INSERT INTO baseGoodsStock(goodsid, stockid, goodspc, ph, indate, qty, price, total) "
            "VALUES (2, 1, 8, 'P8', '2024-02-05', 6, 2.5, 15)",
            "INSERT INTO baseDQ(id, par_id, par_jl, code, fullname, pym) VALUES (1, 0, '1,', "
            "'D1', 'O''Hara 区', 'OHQ')",
            "INSERT INTO baseDQ(id, par_id, par_jl, code, fullname, pym) VALUES (2, 0, '2,', "
            "'D2', '100%区', 'BFQ')",
            "INSERT INTO baseDQ(id, par_id, par_jl, code, fullname, pym) VALUES (3, 0, '3,', "
            "'D3', '100x区', 'BXQ')",
            "INSERT INTO baseDQ(id, par_id, par_jl, code, fullname, pym) VALUES (4, 0, '4,', "
            "'D_4', '四区', 'SQ')",
        };
        for (const char* sql : statements)
            dm->ExecUpdate(QString::fromUtf8(sql));
        target.lineOf = [this](qint64 goodsId, qint64 unitId) {
            for (int i = 0; i < bill.size(); ++i) {
                if (bill[i].goodsId == goodsId && bill[i].unitId == unitId)
                    return i + 1;
            }
            return 0;
        };
        target.add = [this](const client::SelectedGoods& g) { bill.append(g); };
    }
    void TearDown() override {
        dm.reset();
        client::resetSession();
    }

    client::ScriptedPrompter script;
    client::PrompterOverride override_{&script};
    ServerProcess server;
    std::unique_ptr<client::TdmMain> dm;
    client::GoodsTarget target;
    QList<client::SelectedGoods> bill;
};

TEST_F(SelectEndToEnd, GoodsPickedByCodeBarcodeRefusedBatchesAndUnits) {
    // The exact code of one goods: added at once, with its price and the warehouse's stock.
    ASSERT_TRUE(client::SelectGoodsByText(target, 1, 0, 1, 0, QStringLiteral("0101"),
                                          QStringLiteral("商品选择")));
    ASSERT_EQ(1, bill.size());
    EXPECT_EQ(2, bill[0].goodsId);
    EXPECT_EQ(QStringLiteral("奥利奥饼干"), bill[0].name);
    EXPECT_EQ(3.5, bill[0].price);
    EXPECT_EQ(36.0, bill[0].stockQty);
    EXPECT_EQ(2, bill[0].costmode);

    // A quote in the text finds the goods it names.
    ASSERT_TRUE(
        client::SelectGoodsByText(target, 1, 0, 1, 0, QStringLiteral("o'brien"), QString()));
    EXPECT_EQ(3, bill.last().goodsId);

    // Scanning: the class's barcode is refused, an unknown one too, the box unit comes with its
    // rate.
    EXPECT_FALSE(client::SelectGoodsByBarcode(target, 1, 0, 1, 0, QStringLiteral("CLASS-01")));
    EXPECT_FALSE(client::SelectGoodsByBarcode(target, 1, 0, 1, 0, QStringLiteral("0000")));
    EXPECT_EQ((QStringList{QStringLiteral("你扫描的条码在数据库中是一类商品，不能添加！"),
                           QStringLiteral("无此条码商品！")}),
              script.messages());
    EXPECT_TRUE(client::SelectGoodsByBarcode(target, 1, 0, 1, 0, QStringLiteral("6901-12")));
    EXPECT_EQ(1, bill.last().unitId);
    EXPECT_EQ(12.0, bill.last().rate);
    EXPECT_EQ(40.0, bill.last().price);

    // Batches of the goods in the warehouse, oldest first.
    client::BatchSelection batches(2, 1);
    batches.runQuery();
    ASSERT_EQ(2, batches.rows().rowCount());
    EXPECT_EQ(QStringLiteral("P7"),
              batches.rows().at(0, batches.rows().fieldIndex(QStringLiteral("ph"))).toString());
    EXPECT_EQ(
        6.0,
        batches.rows().at(1, batches.rows().fieldIndex(QStringLiteral("stockQty"))).toDouble());

    // Units of the goods.
    client::UnitSelection units(2);
    units.load();
    ASSERT_EQ(2, units.rows().rowCount());
    EXPECT_EQ(QStringLiteral("箱"), units.choice(1)->unitName);
    EXPECT_EQ(12.0, units.choice(1)->rate);
}

TEST_F(SelectEndToEnd, TheGoodsWindowShowsTheServerRows) {
    auto selection = std::make_shared<client::GoodsSelection>(target, 1, 0, 1);
    selection->runQuery();
    ASSERT_EQ(1, selection->rows().rowCount());  // the class 食品
    ASSERT_TRUE(selection->openClass(0));
    client::TfrmSelectGoods w(selection, QString(), false);
    w.resize(1000, 300);
    w.show();
    QApplication::processEvents();
    EXPECT_EQ(2, w.grid()->model()->rowCount());
    EXPECT_EQ(QStringLiteral("返回(&C)"),
              w.findChild<QPushButton*>(QStringLiteral("btnExit"))->text());
    EXPECT_FALSE(saveScreenshot(&w, QStringLiteral("select_goods_server")).isEmpty());
    w.listClick();
    EXPECT_EQ(2, w.grid()->model()->rowCount());
    w.close();
}

TEST_F(SelectEndToEnd, RecordSelectionTextWithQuotesAndWildcardsFindsWhatItSays) {
    struct Case {
        const char* text;
        QList<qint64> ids;
    };
    const Case cases[] = {
        {"", {1, 2, 3, 4}}, {"o'hara", {1}}, {"'", {1}},           {"100%", {2}}, {"100", {2, 3}},
        {"d_", {4}},        {"%", {2}},      {"x' or '1'='1", {}}, {"bxq", {3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        client::RecordSelection s(QStringLiteral("area"));
        s.load(QString::fromUtf8(c.text));
        QList<qint64> ids;
        for (int r = 0; r < s.rows().rowCount(); ++r)
            ids << s.choice(r)->id;
        EXPECT_EQ(c.ids, ids);
    }
    // Every kind read by SQL runs on the server with a hostile text.
    for (const QString& kind : client::BaseKindNames()) {
        client::RecordSelection s(kind);
        if (s.kind().sql.isEmpty())
            continue;
        SCOPED_TRACE(kind.toStdString());
        EXPECT_EQ(QString(), errorOf([&] { s.load(QStringLiteral("a'b%c_d\\")); }));
        EXPECT_EQ(QString(), errorOf([&] { s.load(QString()); }));
    }
    // The currencies keep their order and find the home currency by code.
    client::RecordSelection wb(QStringLiteral("wb"));
    wb.load(QStringLiteral("rm"));
    ASSERT_EQ(1, wb.rows().rowCount());
    EXPECT_EQ(QStringLiteral("人民币"), wb.choice(0)->name);
}

}  // namespace
}  // namespace dyt::test
