// The selection windows against a real dyt-server, picked by code, barcode and from the keyboard,
// and wired to the local cache, the layouts kept per operator and the column configuration.
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "client/bills/selectbase.h"
#include "client/bills/selectgoods.h"
#include "client/bills/selectgoodsfzxx.h"
#include "client/bills/selectgoodspc.h"
#include "client/bills/selectionservices.h"
#include "client/common/frmxgridcolfilter.h"
#include "client/common/gridlayout.h"
#include "client/common/gridview.h"
#include "client/logic/clientconfig.h"
#include "client/logic/localcache.h"
#include "client/logic/recordsetmodel.h"
#include "common/inifile.h"
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


// The selection windows wired to the rest of the client: the local cache, the layouts kept per
// operator and the column configuration.
const char kGoodsKey[] = "TfrmSelectGoods_grdGoods";

class SelectWiring : public ServerFixture {
protected:
    void SetUp() override {
        client::resetSelectionServices();
        ServerFixture::SetUp();
        client::loginedUser().ProfileName = u"dytv1_1"_s;
        client::loginedUser().ProfileCaption = caption();
        seedFoodGoods();
        exec(
            {"INSERT INTO baseCK(id, par_id, par_jl, leveal, sonnum, code, fullname) VALUES "
             "(1, 0, '1,', 1, 0, '01', '总仓'), (2, 0, '2,', 1, 0, '02', '东区''门店仓')",
             "INSERT INTO baseGoodsStock(goodsid, stockid, goodspc, ph, indate, qty, price, total) "
             "VALUES (2, 2, 7, 'P7', '2024-01-05', 30, 2, 60), "
             "(2, 2, 8, 'P8', '2024-02-05', 6, 2.5, 15)",
             // A second operator with an empty password.
             "INSERT INTO baseZY(id, code, fullname) VALUES (2, '002', '张三')",
             "INSERT INTO sysuser(id, password) VALUES (2, '')"});
        ASSERT_TRUE(client::ReloadColumnConfigs());
    }
    void TearDown() override {
        cache.reset();
        client::columnConfigs().clear();
        ServerFixture::TearDown();
        client::resetSelectionServices();
    }
    // Logs the operator in again on a new connection and reads his layouts, as a login does.
    void logInAs(int userId) {
        dm.Disconnect();
        ASSERT_TRUE(dm.ConnectServer(server.address(), false, 1));
        const QString lines = proto::joinLines(
            {u"dytv1_1"_s, u"dytv1_1"_s, u"1"_s, u"PC-01"_s, u"127.0.0.1"_s, u"00-11-22"_s, u"1"_s,
             u"正式版"_s, u"dytv1"_s, u"UpdateFlag=Check"_s, u"LoginType=0"_s, u"V11.0.140215"_s});
        const client::Response r =
            dm.GetAppServer().call(u"Login"_s, {lines, QString::number(userId), QString()});
        ASSERT_EQ(0, r.code()) << r.outText(0).toStdString();
        client::loginedUser().UserId = userId;
        client::setLoggedIn(true);
        client::columnConfigs().clear();
        ASSERT_TRUE(client::ReloadColumnConfigs());
    }
    // The goods window on the class 食品, as a bill opens it.
    std::unique_ptr<client::TfrmSelectGoods> goodsWindow() {
        auto selection = std::make_shared<client::GoodsSelection>(target, 1, 0, 1);
        selection->runQuery();
        EXPECT_TRUE(selection->openClass(0));
        auto w = std::make_unique<client::TfrmSelectGoods>(selection, QString(), false);
        w->resize(1000, 320);
        return w;
    }
    static int columnOf(const client::TfrmSelectGoods& w, const char* field) {
        const auto& columns = w.grid()->model()->definition()->columns;
        for (int i = 0; i < columns.size(); ++i)
            if (columns[i].fieldName == QLatin1String(field))
                return i;
        return -1;
    }
    static QString header(const client::TfrmSelectGoods& w, const char* field) {
        return w.grid()->model()->headerData(columnOf(w, field), Qt::Horizontal).toString();
    }
    // The rows of sysColConfigure under the goods window's key: userId → layout text.
    QMap<qint64, QString> storedGoodsLayouts() {
        RecordSet rs;
        dm.ExecQuery(
            u"select * from sysColConfigure where ColId = '%1'"_s.arg(QLatin1String(kGoodsKey)),
            &rs);
        QMap<qint64, QString> out;
        for (int r = 0; r < rs.rowCount(); ++r) {
            QString text;
            for (int i = 1; i <= 10; ++i)
                text += rs.at(r, rs.fieldIndex(u"colstr%1"_s.arg(i))).toString();
            out.insert(rs.at(r, rs.fieldIndex(u"userId"_s)).toLongLong(),
                       client::unpackLayoutText(text));
        }
        return out;
    }
    // Closes the goods window at the top class through its exit button.
    static void closeAtTop(client::TfrmSelectGoods& w) {
        auto* exit = w.findChild<QPushButton*>(u"btnExit"_s);
        while (exit->text() == u"返回(&C)"_s)
            exit->click();
        EXPECT_EQ(u"退出(&C)"_s, exit->text());
        exit->click();
        EXPECT_FALSE(w.isVisible());
    }
    std::unique_ptr<client::TLocalCache> cache;
    client::GoodsTarget target;
};
TEST_F(SelectWiring, BatchWindowNamesGoodsAndWarehouseFromTheLocalCache) {
    // Without a local cache no name is found.
    ASSERT_EQ(nullptr, client::existingLocalCache());
    EXPECT_EQ(u"商品："_s, client::BatchSelection(2, 2).goodsLabel());
    EXPECT_EQ(u"仓库：全部仓库"_s, client::BatchSelection(2, 2).warehouseLabel());
    // The login opens the process's cache.
    dm.GoodsStampNewer = 1;
    dm.PartnerStampNewer = 1;
    cache = std::make_unique<client::TLocalCache>(programDir.path(), &dm);
    ASSERT_EQ(cache.get(), client::existingLocalCache());
    cache->OpenLocalCache();
    struct Case {
        const char* name;
        qint64 goods;
        qint64 warehouse;
        const char* goodsLabel;
        const char* warehouseLabel;
    };
    const Case cases[] = {
        {"goods and warehouse known", 2, 2, "商品：奥利奥饼干", "仓库：东区'门店仓"},
        {"a name with a quote", 3, 1, "商品：O'Brien 苏打饼干", "仓库：总仓"},
        {"unknown goods, all warehouses", 99, 0, "商品：", "仓库：全部仓库"},
        {"unknown warehouse", 2, 77, "商品：奥利奥饼干", "仓库：全部仓库"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const client::BatchSelection b(c.goods, c.warehouse);
        EXPECT_EQ(QString::fromUtf8(c.goodsLabel), b.goodsLabel());
        EXPECT_EQ(QString::fromUtf8(c.warehouseLabel), b.warehouseLabel());
    }
    // A goods renamed on the server is named anew once its editor marks the cache stale.
    dm.ExecUpdate(u"UPDATE baseGoods SET fullname = '奥利奥夹心饼干' WHERE id = 2"_s);
    cache->GoodsReload = true;
    EXPECT_EQ(u"商品：奥利奥夹心饼干"_s, client::BatchSelection(2, 2).goodsLabel());
    // The window shows the labels and the batches of the warehouse.
    client::TfrmSelectGoodsPC w(2, 2);
    w.resize(760, 300);
    w.show();
    QApplication::processEvents();
    EXPECT_EQ(u"商品：奥利奥夹心饼干|仓库：东区'门店仓|2"_s,
              clientValuesText(w.findChild<QLabel*>(u"lblGoods"_s)->text(),
                               w.findChild<QLabel*>(u"lblStock"_s)->text(), w.grid()->model()->rowCount()));
    perform(&w, w.grid()->table(), {key(Qt::Key_Escape)});
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(w.result());
    cache->Close();
}
TEST_F(SelectWiring, GoodsLayoutIsKeptPerOperator) {
    EXPECT_TRUE(storedGoodsLayouts().isEmpty());
    int nameColumn = -1;
    {
        auto w = goodsWindow();
        w->show();
        QApplication::processEvents();
        nameColumn = columnOf(*w, "fullName");
        ASSERT_GE(nameColumn, 0);
        EXPECT_EQ(160, w->grid()->table()->columnWidth(nameColumn));  // as designed
        w->grid()->table()->setColumnWidth(nameColumn, 251);          // dragged by operator 1
        closeAtTop(*w);
    }
    QMap<qint64, QString> stored = storedGoodsLayouts();
    ASSERT_EQ(QList<qint64>{1}, stored.keys());
    const IniFile ini = IniFile::fromText(stored.value(1));
    EXPECT_EQ(u"V10"_s, ini.readString(u"_Sys_"_s, u"_Ver_"_s));
    EXPECT_EQ(u"251"_s, ini.readString(u"_Sys_"_s, u"%1_W"_s.arg(nameColumn)));
    // Operator 1's next login: the window opens with his width.
    logInAs(1);
    {
        auto w = goodsWindow();
        EXPECT_EQ(251, w->grid()->table()->columnWidth(columnOf(*w, "fullName")));
    }
    // Operator 2 sees the designed width, and keeps a width of his own.
    logInAs(2);
    {
        auto w = goodsWindow();
        w->show();
        QApplication::processEvents();
        EXPECT_EQ(160, w->grid()->table()->columnWidth(columnOf(*w, "fullName")));
        w->grid()->table()->setColumnWidth(columnOf(*w, "fullName"), 97);
        closeAtTop(*w);
    }
    stored = storedGoodsLayouts();
    EXPECT_EQ((QList<qint64>{1, 2}), stored.keys());
    logInAs(2);
    {
        auto w = goodsWindow();
        EXPECT_EQ(97, w->grid()->table()->columnWidth(columnOf(*w, "fullName")));
    }
    logInAs(1);
    {
        auto w = goodsWindow();
        EXPECT_EQ(251, w->grid()->table()->columnWidth(columnOf(*w, "fullName")));
    }
}
TEST_F(SelectWiring, ColumnConfigurationFromTheGoodsWindowIsAppliedAndKept) {
    auto w = goodsWindow();
    w->show();
    QApplication::processEvents();
    const int shortName = columnOf(*w, "sp_spjm");
    const int fullName = columnOf(*w, "fullName");
    ASSERT_GE(shortName, 0);
    ASSERT_GE(fullName, 0);
    ASSERT_FALSE(w->grid()->table()->isColumnHidden(shortName));
    bool dialogSeen = false;
    onNextModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<TfrmXGridColFilter*>(modal);
        ASSERT_NE(nullptr, dialog);
        dialogSeen = true;
        gridfilter::ColumnConfig& config = dialog->config();
        for (int r = 0; r < config.rowCount(); ++r) {
            if (config.rows()[r].name == u"简名"_s)
                config.setVisible(r, false);
            if (config.rows()[r].name == u"商品全名"_s)
                config.setCaption(r, u"品名"_s);
        }
        dialog->listModel()->refresh();
        dialog->btnOKClick();
    });
    w->findChild<QPushButton*>(u"btnColumns"_s)->click();
    ASSERT_TRUE(dialogSeen);
    EXPECT_TRUE(w->grid()->table()->isColumnHidden(columnOf(*w, "sp_spjm")));
    EXPECT_EQ(u"品名"_s, header(*w, "fullName"));
    // The choice is stored at once, before the window closes.
    ASSERT_EQ(QList<qint64>{1}, storedGoodsLayouts().keys());
    w->activateWindow();                                          // back from the dialog
    perform(w.get(), w->grid()->table(), {key(Qt::Key_Escape)});  // up to the top class
    EXPECT_TRUE(w->isVisible());
    closeAtTop(*w);
    // The next login shows the window as configured.
    logInAs(1);
    auto again = goodsWindow();
    EXPECT_TRUE(again->grid()->table()->isColumnHidden(columnOf(*again, "sp_spjm")));
    EXPECT_EQ(u"品名"_s, header(*again, "fullName"));
}

}  // namespace
}  // namespace dyt::test
