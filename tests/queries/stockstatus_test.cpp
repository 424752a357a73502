// The stock status report against the recording transport: the parameters of "DQKCNEW", the
// warehouse on the window, the reference prices by right, the row memory per level, the quick
// search, the cost columns and the windows it opens.
#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>

#include <memory>
#include <vector>

#include "client/logic/clientconfig.h"
#include "client/common/gridview.h"
#include "client/logic/localcache.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/rights.h"
#include "client/logic/settings.h"
#include "client/common/windowregistry.h"
#include "client/queries/frmqkczkb.h"
#include "client/queries/frmselectitems.h"
#include "client/queries/frmstockwindows.h"
#include "client/logic/stockstatus.h"
#include "common/error.h"
#include "common/paramlist.h"
#include "common/recordset.h"
#include "protocol/protocol.h"
#include "querytest_support.h"

namespace dyt::client {
namespace {

QString s(const char* text) {
    return QString::fromUtf8(text);
}

// --- the parameters, apart from the window

TEST(StockStatusParams, GoodsWarehouseAndFilterStringsPerCase) {
    struct Case {
        const char* name;
        stockstatus::Request request;
        const char* goodsStr;
        const char* ckStr;
        const char* filter;
    };
    stockstatus::Request top;
    top.operatorId = 7;
    stockstatus::Request level = top;
    level.warehouseId = s("3");
    level.nav.category = 5;
    level.nav.path = s("5,");
    level.qtyIndex = 1;
    level.referencePrice = 2;
    stockstatus::Request search = level;
    search.quickText = s("可乐");
    stockstatus::Request listAll = top;
    listAll.nav.listMode = true;
    listAll.qtyIndex = 2;
    stockstatus::Request listOne = listAll;
    listOne.nav.listCategory = 5;
    stockstatus::Request dialogGoods = level;
    dialogGoods.fromDialog = true;
    dialogGoods.dialogGoodsId = 88;
    stockstatus::Request dialogNoGoods = level;
    dialogNoGoods.fromDialog = true;
    dialogNoGoods.quickText = s("ignored");
    stockstatus::Request zeroWarehouse = top;
    zeroWarehouse.warehouseId = s("0");
    zeroWarehouse.referencePrice = 6;

    const Case cases[] = {
        {"top level, all warehouses, no price", top, ";sptype=0;czy_id=7;par_id=0",
         ";czy_id=7;id=;issub=1", ";qty=0;ckj=-1"},
        {"category level in one warehouse", level, ";sptype=0;czy_id=7;par_id=5",
         ";czy_id=7;id=3;issub=1", ";qty=1;ckj=2"},
        {"quick search has no category segment", search, ";sptype=0;czy_id=7;allfilter=可乐",
         ";czy_id=7;id=3;issub=1", ";qty=1;ckj=2"},
        {"list of all goods", listAll, ";sptype=0;czy_id=7;isList=1", ";czy_id=7;id=;issub=1",
         ";qty=2;ckj=-1"},
        {"list of one category", listOne, ";sptype=0;czy_id=7;isList=1;isList=1;par_id=5",
         ";czy_id=7;id=;issub=1", ";qty=2;ckj=-1"},
        {"dialog with goods", dialogGoods, ";sptype=0;czy_id=7;id=88;issub=1",
         ";czy_id=7;id=3;issub=1", ";qty=1;ckj=2"},
        {"dialog without goods keeps the level", dialogNoGoods, ";sptype=0;czy_id=7;par_id=5",
         ";czy_id=7;id=3;issub=1", ";qty=1;ckj=2"},
        {"warehouse 0 is all", zeroWarehouse, ";sptype=0;czy_id=7;par_id=0",
         ";czy_id=7;id=;issub=1", ";qty=0;ckj=6"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ParamList p = stockstatus::buildParams(c.request);
        EXPECT_EQ(s("DQKCNEW"), p.value(s("QueryType")));
        EXPECT_EQ(s(c.goodsStr), p.value(s("goodsStr")));
        EXPECT_EQ(s(c.ckStr), p.value(s("ckStr")));
        EXPECT_EQ(s(c.filter), p.value(s("filter")));
        for (const char* key : {"wldwStr", "zyStr", "bmStr", "kmStr"})
            EXPECT_EQ(s(";czy_id=7"), p.value(QString::fromLatin1(key))) << key;
        // The goods line is spelled with a lower-case g, and there are no dates.
        EXPECT_TRUE(p.lines().filter(QStringLiteral("goodsStr=")).size() == 1);
        EXPECT_FALSE(p.contains(s("BeginDate")));
    }
    stockstatus::Request bad = top;
    bad.qtyIndex = 3;
    EXPECT_THROW(stockstatus::buildParams(bad), DytError);
}

TEST(StockStatusParams, ReferencePriceChoicesFollowRightsAndTheExtraSetting) {
    const QList<QString> names = stockstatus::priceLevelNames();
    struct Case {
        const char* name;
        QList<bool> rights;
        bool extras;
        QList<int> codes;
    };
    const Case cases[] = {
        {"everything", {true, true, true, true}, true, {0, 1, 2, 3, 4, 5, 6}},
        {"nothing", {false, false, false, false}, false, {}},
        {"two levels and the extras", {false, true, false, true}, true, {1, 3, 4, 5, 6}},
        {"extras only", {false, false, false, false}, true, {4, 5, 6}},
        {"levels only", {true, false, true, false}, false, {0, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto choices = stockstatus::referencePriceChoices(c.rights, names, c.extras);
        QList<int> codes;
        for (const auto& choice : choices)
            codes.append(choice.code);
        EXPECT_EQ(c.codes, codes);
        for (const auto& choice : choices) {
            if (choice.code < 4) {
                EXPECT_EQ(names[choice.code], choice.name);
            }
        }
    }
    const auto all = stockstatus::referencePriceChoices({false, false, false, false}, names, true);
    ASSERT_EQ(3, all.size());
    EXPECT_EQ(s("最近售价"), all[0].name);
    EXPECT_EQ(s("最低售价"), all[1].name);
    EXPECT_EQ(s("最近进价"), all[2].name);
    EXPECT_EQ(s("21"), stockstatus::priceLevelSubRight(0));
    EXPECT_EQ(s("24"), stockstatus::priceLevelSubRight(3));
    EXPECT_THROW(stockstatus::priceLevelSubRight(4), DytError);
}

TEST(StockStatusParams, RowMemoryIsANameValueListPerLevel) {
    stockstatus::RowMemory m;
    EXPECT_EQ(0, m.row(5));
    EXPECT_FALSE(m.contains(5));
    m.store(0, 3);
    m.store(5, 1);
    m.store(5, 2);  // a level keeps its last row
    m.store(9, -1);
    EXPECT_EQ(3, m.row(0));
    EXPECT_EQ(2, m.row(5));
    EXPECT_EQ(0, m.row(9));
    EXPECT_EQ(s("2"), m.list().value(s("rowindex5")));
    EXPECT_EQ(s("3"), m.list().value(s("rowindex0")));
    EXPECT_EQ(3, m.list().count());
}

TEST(StockStatusParams, FollowOnWindowsGetGoodsWarehouseAndDates) {
    const QueryDescriptor* ledger = findQueryDescriptor(s("TfrmQSPMX"));
    const QueryDescriptor* batches = findQueryDescriptor(s("TfrmQKCPCLB"));
    ASSERT_NE(nullptr, ledger);
    ASSERT_NE(nullptr, batches);
    const QDate begin(2026, 3, 1), end(2026, 3, 31);
    const ParamList p = stockstatus::followOnParams(*ledger, 7, 101, s("3"), begin, end, 1);
    EXPECT_EQ(s("SPMX"), p.value(s("QueryType")));
    EXPECT_EQ(s(";isred=1"), p.value(s("filter")));
    EXPECT_EQ(s(";czy_id=7;isSub=1;id=101"), p.value(s("GoodsStr")));
    EXPECT_EQ(s(";czy_id=7;id=3;issub=1"), p.value(s("ckStr")));
    EXPECT_EQ(s("2026-03-01"), p.value(s("BeginDate")));
    EXPECT_EQ(s("2026-03-31"), p.value(s("EndDate")));
    EXPECT_EQ(s(" (0) "), p.value(s("djStr")));

    const ParamList b = stockstatus::followOnParams(*batches, 7, 0, QString(), begin, end, 2);
    EXPECT_EQ(s("KCPCLB"), b.value(s("QueryType")));
    EXPECT_EQ(s(";qty=2"), b.value(s("filter")));
    EXPECT_EQ(s(";czy_id=7"), b.value(s("GoodsStr")));
    EXPECT_EQ(s(";czy_id=7;id=;issub=1"), b.value(s("ckStr")));
    // A reversed range of the shared dates is refused.
    EXPECT_THROW(stockstatus::followOnParams(*ledger, 7, 101, s("3"), end, begin, 0), DytError);
}

TEST(StockStatusParams, BatchDetailRefusals) {
    const struct {
        qint64 sonnum;
        int costMode;
        const char* refusal;
    } cases[] = {
        {2, 1, "不能查看某一类商品的批次详情！"},
        {1, 0, "不能查看某一类商品的批次详情！"},
        {0, 0, "该商品成本算法是“加权平均法”，不能查看批次详情"},
        {0, 1, ""},
        {0, 3, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(s(c.refusal), stockstatus::batchDetailRefusal(c.sonnum, c.costMode))
            << c.sonnum << "/" << c.costMode;
    }
}

// --- the window

struct StockRow {
    int sonnum;
    int id;
    int parId;
    const char* path;
    const char* name;
    int costMode;
    double qty;
    double total;
};

RecordSet stockRows(const QList<StockRow>& rows) {
    RecordSet rs;
    for (const char* f : {"sonnum", "id", "par_id", "sp_id", "costMode"})
        rs.addField(QString::fromLatin1(f), FieldType::Integer);
    rs.addField(s("par_jl"), FieldType::Text, 100);
    rs.addField(s("sp_spqm"), FieldType::Text, 100);
    for (const char* f : {"stockqty", "stockPrice", "stockTotal", "lsPrice", "lstotal", "total_"})
        rs.addField(QString::fromLatin1(f), FieldType::Float);
    for (const StockRow& r : rows) {
        const double price = r.qty == 0 ? 0 : r.total / r.qty;
        rs.appendRow({qint64(r.sonnum), qint64(r.id), qint64(r.parId), qint64(r.id),
                      qint64(r.costMode), s(r.path), s(r.name), r.qty, price, r.total, 0.0, 0.0,
                      -r.total});
    }
    return rs;
}

RecordSet rightsRows(const QList<std::pair<const char*, int>>& rows) {
    RecordSet rs;
    rs.addField(s("code"), FieldType::Text, 20);
    rs.addField(s("isbj"), FieldType::Integer);
    rs.addField(s("hide"), FieldType::Integer);
    for (const auto& [code, isbj] : rows)
        rs.appendRow({s(code), qint64(isbj), qint64(0)});
    return rs;
}

constexpr int kMenu = 300501;

class StockStatusWindowTest : public test::QueryWindowFixture {
protected:
    void SetUp() override {
        QueryWindowFixture::SetUp();
        // Operator 7 holds the report with its ledger and print rights.
        rights = rightsRows({{"300501", 1}, {"30050101", 1}, {"30050102", 1}});
        setOperatorRights(&rights);
    }
    void TearDown() override {
        setOperatorRights(nullptr);
        QueryWindowFixture::TearDown();
    }

    // Opens the window as the dispatcher does: the function code, then show (the category tree
    // answers with no categories).
    std::unique_ptr<TfrmQKCZKB> open() {
        auto w = std::make_unique<TfrmQKCZKB>();
        w->setTag(kMenu);
        answerRows(test::treeRows({}));
        w->show();
        EXPECT_TRUE(script.messages().isEmpty()) << script.messages().join(u'|').toStdString();
        return w;
    }
    QList<RecordedCall> calls(const char* method) const { return callsOf(s(method)); }
    QString goodsStr() const { return lastParams().value(s("goodsStr")); }

    RecordSet rights;
};

const QList<StockRow> kTop = {{0, 101, 0, "101,", "散装糖", 0, 4, 20},
                              {2, 5, 0, "5,", "饮料", 0, 30, 90}};
const QList<StockRow> kDrinks = {{0, 102, 5, "5,102,", "雪碧", 1, 10, 30},
                                 {3, 7, 5, "5,7,", "碳酸饮料", 0, 20, 60}};
const QList<StockRow> kSoda = {{0, 201, 7, "5,7,201,", "可口可乐", 2, 20, 60}};

TEST_F(StockStatusWindowTest, OpensAsTheReportOfItsMenuCodeAndSendsDQKCNEW) {
    registerQueryWindows();
    std::unique_ptr<QWidget> created(createWindow(s("TfrmQKCZKB"), nullptr));
    EXPECT_NE(nullptr, qobject_cast<TfrmQKCZKB*>(created.get()));
    std::unique_ptr<QWidget> fenbu(createWindow(s("TfrmBaseGoodsFenBu"), nullptr));
    EXPECT_NE(nullptr, qobject_cast<TfrmBaseGoodsFenBu*>(fenbu.get()));
    std::unique_ptr<QWidget> batches(createWindow(s("TfrmBaseKCPCB"), nullptr));
    EXPECT_NE(nullptr, qobject_cast<TfrmBaseKCPCB*>(batches.get()));

    auto w = open();
    EXPECT_EQ(s("库存状况表"), w->titleText());
    // The category tree of goods type 0.
    const ParamList tree = lastParams();
    EXPECT_EQ(s(";czy_id=7;sptype=0;TreeView=1"), tree.value(s("GoodsStr")));
    // Nothing is queried before "查询".
    EXPECT_EQ(1, calls("ExecProcQuery").size());
    answerRows(stockRows(kTop));
    w->btnRefurbishClick();
    QString procedure;
    const ParamList p = lastParams(&procedure);
    EXPECT_EQ(s("P_Base_Get_Goods"), procedure);
    EXPECT_EQ(s("DQKCNEW"), p.value(s("QueryType")));
    EXPECT_EQ(s(";sptype=0;czy_id=7;par_id=0"), p.value(s("goodsStr")));
    EXPECT_EQ(s(";czy_id=7;id=;issub=1"), p.value(s("ckStr")));
    EXPECT_EQ(2, w->model()->rowCount());
    EXPECT_EQ(s("全部仓库"), w->edWarehouse()->text());
    EXPECT_EQ(s("退出(&C)"), w->btnExit()->text());
}

TEST_F(StockStatusWindowTest, ASingleCachedWarehouseIsPresetAndTwoAreNot) {
    for (int count : {1, 2}) {
        SCOPED_TRACE(count);
        TLocalCache cache(dir.path(), dm.get());
        RecordSet warehouses;
        warehouses.addField(s("ck_id"), FieldType::Integer);
        warehouses.addField(s("ck_ckqm"), FieldType::Text, 50);
        warehouses.appendRow({qint64(3), s("总仓")});
        if (count == 2)
            warehouses.appendRow({qint64(4), s("门店")});
        answerRows(warehouses);
        ASSERT_EQ(count, cache.GetWarehouses().rowCount());

        auto w = open();
        answerRows(stockRows(kTop));
        w->btnRefurbishClick();
        if (count == 1) {
            EXPECT_EQ(s("3"), w->warehouseId());
            EXPECT_EQ(s("总仓"), w->edWarehouse()->text());
            EXPECT_EQ(s("总仓"), w->lblCk()->text());
            EXPECT_EQ(s(";czy_id=7;id=3;issub=1"), lastParams().value(s("ckStr")));
        } else {
            EXPECT_EQ(QString(), w->warehouseId());
            EXPECT_EQ(s("全部仓库"), w->edWarehouse()->text());
            EXPECT_EQ(s(";czy_id=7;id=;issub=1"), lastParams().value(s("ckStr")));
        }
    }
}

TEST_F(StockStatusWindowTest, WarehouseFromPickerShortcutAndDialog) {
    auto w = open();
    QString searched;
    pickerSelector() = [&searched](const QString& kind, const QString& text, QWidget*) {
        EXPECT_EQ(s("cangku"), kind);
        searched = text;
        return std::optional<PickerChoice>(PickerChoice{4, s("门店")});
    };
    // Typed text is searched; the choice runs the query at once.
    w->edWarehouse()->setText(s("门"));
    answerRows(stockRows(kTop));
    w->chooseWarehouse();
    EXPECT_EQ(s("门"), searched);
    EXPECT_EQ(s(";czy_id=7;id=4;issub=1"), lastParams().value(s("ckStr")));
    EXPECT_EQ(s("门店"), w->edWarehouse()->text());
    // The name unchanged searches nothing.
    answerRows(stockRows(kTop));
    w->chooseWarehouse();
    EXPECT_EQ(QString(), searched);

    // A shortcut button: its tag and caption.
    answerRows(stockRows(kTop));
    w->btnAllckClick(s("9"), s("北仓"));
    EXPECT_EQ(s(";czy_id=7;id=9;issub=1"), lastParams().value(s("ckStr")));
    EXPECT_EQ(s("北仓"), w->lblCk()->text());

    // The dialog gets the window's warehouse and gives back the one chosen there, with goods.
    onDialog = [](TfrmSelectItems& d) {
        EXPECT_EQ(9, d.picker(PickerRole::Warehouse).id);
        EXPECT_FALSE(d.page().dates);
        d.setPicker(PickerRole::Warehouse, 3, s("总仓"));
        d.setPicker(PickerRole::Goods, 88, s("橙汁"));
        return d.accept();
    };
    answerRows(stockRows(kTop));
    w->btnQueryClick();
    EXPECT_EQ(1, dialogs);
    const ParamList p = lastParams();
    EXPECT_EQ(s(";czy_id=7;id=3;issub=1"), p.value(s("ckStr")));
    EXPECT_EQ(s(";sptype=0;czy_id=7;id=88;issub=1"), p.value(s("goodsStr")));
    EXPECT_EQ(s("3"), w->warehouseId());
    EXPECT_EQ(s("总仓"), w->edWarehouse()->text());
    // A refresh without the dialog goes back to the level.
    answerRows(stockRows(kTop));
    w->btnRefurbishClick();
    EXPECT_EQ(s(";sptype=0;czy_id=7;par_id=0"), goodsStr());

    // A cancelled dialog sends nothing.
    const auto before = calls("ExecProcQuery").size();
    onDialog = [](TfrmSelectItems&) { return false; };
    w->btnQueryClick();
    EXPECT_EQ(before, calls("ExecProcQuery").size());
}

TEST_F(StockStatusWindowTest, QuickSearchSendsNoCategoryAndLeavesTheRowMemory) {
    auto w = open();
    answerRows(stockRows(kTop));
    w->btnRefurbishClick();
    w->setFocusedRow(1);
    answerRows(stockRows(kDrinks));
    w->btnDownLevelClick();
    w->setFocusedRow(1);

    // The search inside category 5 sends the text alone and focuses the first row.
    w->edQuick()->setText(s("可"));
    answerRows(stockRows({kSoda[0], kDrinks[0], kTop[0]}));
    w->quickSearch();
    EXPECT_EQ(s(";sptype=0;czy_id=7;allfilter=可"), goodsStr());
    EXPECT_FALSE(goodsStr().contains(s("par_id")));
    EXPECT_EQ(0, w->focusedRow());
    // Moving in the results and leaving them stores nothing for the level searched from.
    w->setFocusedRow(2);
    answerRows(stockRows(kTop));
    w->btnExitClick();
    EXPECT_EQ(s(";sptype=0;czy_id=7;par_id=0"), goodsStr());
    EXPECT_FALSE(w->rowMemory().contains(5));
    EXPECT_EQ(1, w->focusedRow());
}

TEST_F(StockStatusWindowTest, TreeNodeAndListModeKeepTheLevelsMemory) {
    auto w = std::make_unique<TfrmQKCZKB>();
    w->setTag(kMenu);
    answerRows(test::treeRows({{5, "饮料", 1, "5,"}, {7, "碳酸饮料", 2, "5,7,"}}));
    w->show();
    answerRows(stockRows(kTop));
    w->btnRefurbishClick();
    w->setFocusedRow(1);

    // A tree node: the top level's row is stored, the node's level is queried.
    answerRows(stockRows(kSoda));
    w->treeNodeChosen(7);
    EXPECT_EQ(s(";sptype=0;czy_id=7;par_id=7"), goodsStr());
    EXPECT_EQ(s("5,7,"), w->navigation().path);
    EXPECT_EQ(1, w->rowMemory().row(0));

    // The flat list of all goods, chosen in "列表选择".
    script.answer(s("全部列表"));
    answerRows(stockRows({kSoda[0], kDrinks[0], kTop[0]}));
    w->btnListClick();
    EXPECT_EQ(s(";sptype=0;czy_id=7;isList=1"), goodsStr());
    EXPECT_TRUE(w->navigation().listMode);
    // Back to the levels.
    answerRows(stockRows(kSoda));
    w->btnListClick();
    EXPECT_EQ(s(";sptype=0;czy_id=7;par_id=7"), goodsStr());
}

TEST_F(StockStatusWindowTest, CostColumnsAreHiddenWithoutTheCostRight) {
    for (bool seeCost : {false, true}) {
        SCOPED_TRACE(seeCost);
        settings().SeeCost = seeCost;
        auto w = open();
        answerRows(stockRows(kTop));
        w->btnRefurbishClick();
        QTableView* table = w->dbgvX()->table();
        const auto hidden = [&](const char* field) {
            const int c = w->records().fieldIndex(s(field));
            for (int i = 0; i < w->gridDefinition().columns.size(); ++i) {
                if (w->gridDefinition().columns[i].fieldName == s(field))
                    return table->isColumnHidden(i);
            }
            ADD_FAILURE() << field << " " << c;
            return false;
        };
        for (const char* cost : {"stockPrice", "stockTotal", "total_"})
            EXPECT_EQ(!seeCost, hidden(cost)) << cost;
        for (const char* open : {"stockqty", "lsPrice", "lstotal"})
            EXPECT_FALSE(hidden(open)) << open;
    }
}

TEST_F(StockStatusWindowTest, ReferencePricesByRightAndTheCodeSent) {
    // No price right and no extra prices: the drop-down is hidden and "no selection" is sent.
    rights = rightsRows({{"300501", 1},
                         {"30050101", 1},
                         {"30050121", 0},
                         {"30050122", 0},
                         {"30050123", 0},
                         {"30050124", 0}});
    settings().ExtraReferencePrices = false;
    {
        auto w = open();
        EXPECT_FALSE(w->referencePriceShown());
        EXPECT_EQ(0, w->cbPrice()->count());
        answerRows(stockRows(kTop));
        w->btnRefurbishClick();
        EXPECT_EQ(s(";qty=0;ckj=-1"), lastParams().value(s("filter")));
    }
    // The second level's right (no row: not controlled) and the extra prices, switched on by the
    // account set's setting as the settings load reads it.
    rights = rightsRows({{"300501", 1}, {"30050121", 0}, {"30050123", 0}, {"30050124", 0}});
    EXPECT_TRUE(settings().applySysData(s("扩展参考价格"), s("1")));
    EXPECT_TRUE(settings().ExtraReferencePrices);
    {
        auto w = open();
        EXPECT_TRUE(w->referencePriceShown());
        QStringList items;
        for (int i = 0; i < w->cbPrice()->count(); ++i)
            items.append(w->cbPrice()->itemText(i));
        EXPECT_EQ(QStringList({s("预设售价1"), s("最近售价"), s("最低售价"), s("最近进价")}),
                  items);
        w->cbPrice()->setCurrentIndex(3);
        answerRows(stockRows(kTop));
        w->btnRefurbishClick();
        EXPECT_EQ(s(";qty=0;ckj=6"), lastParams().value(s("filter")));
        // The quantity filter runs the query again with its index.
        answerRows(stockRows(kTop));
        w->cbqty()->setCurrentIndex(1);
        EXPECT_EQ(s(";qty=1;ckj=6"), lastParams().value(s("filter")));
    }
}

TEST_F(StockStatusWindowTest, ButtonsFollowRightsAndSettings) {
    struct Case {
        const char* name;
        QList<std::pair<const char*, int>> rights;
        bool auxSwitch;
        int costAlgorithm;
        bool ledger, print, aux, batches;
    };
    const Case cases[] = {
        {"all rights, switch on, FIFO account set",
         {{"300501", 1}, {"30050101", 1}, {"30050102", 1}},
         true,
         1,
         true,
         true,
         true,
         true},
        {"no ledger right hides the auxiliary detail too",
         {{"300501", 1}, {"30050101", 0}, {"30050102", 1}},
         true,
         -1,
         false,
         true,
         false,
         true},
        {"switch off, average cost",
         {{"300501", 1}, {"30050101", 1}, {"30050102", 0}},
         false,
         0,
         true,
         false,
         false,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        rights = rightsRows(c.rights);
        settings().setSwitch(2029, c.auxSwitch);
        settings().CostAlgorithm = c.costAlgorithm;
        auto w = open();
        EXPECT_EQ(c.ledger, w->btnQList()->isVisible());
        EXPECT_EQ(c.print, w->btnPrint()->isVisible());
        EXPECT_EQ(c.aux, w->btnSelecAll()->isVisible());
        EXPECT_EQ(c.batches, w->btnBatchList()->isVisible());
    }
}

TEST_F(StockStatusWindowTest, LedgerAuxiliaryDetailAndBatchListOpenWithTheirConditions) {
    settings().setSwitch(2029, true);
    settings().CostAlgorithm = 1;
    auto w = open();
    answerRows(stockRows(kDrinks));
    w->btnAllckClick(s("3"), s("总仓"));
    w->setFocusedRow(0);  // 雪碧

    struct Case {
        const char* name;
        std::function<void()> click;
        const char* className;
        const char* queryType;
        const char* goodsStr;
    };
    const Case cases[] = {
        {"明细账本", [&] { w->btnQListClick(); }, "TfrmQSPMX", "SPMX", ";czy_id=7;isSub=1;id=102"},
        {"副单位明细", [&] { w->btnSelecAllClick(); }, "TfrmQFDWKCSLMX", "FDWKCSLMX",
         ";czy_id=7;isSub=1;id=102"},
        {"批次列表", [&] { w->btnSelecAll_Click(); }, "TfrmQKCPCLB", "KCPCLB", ";czy_id=7"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto before = children.size();
        c.click();
        ASSERT_EQ(before + 1, children.size());
        auto* child = qobject_cast<TfrmQueryWindow*>(children.back().get());
        ASSERT_NE(nullptr, child);
        EXPECT_EQ(s(c.className), child->descriptor().className);
        QString procedure;
        const ParamList p = lastParams(&procedure);
        EXPECT_EQ(s("P_JXC_Get_KC"), procedure);
        EXPECT_EQ(s(c.queryType), p.value(s("QueryType")));
        EXPECT_EQ(s(c.goodsStr), p.value(s("GoodsStr")));
        EXPECT_EQ(s(";czy_id=7;id=3;issub=1"), p.value(s("ckStr")));
        EXPECT_EQ(s("2026-03-01"), p.value(s("BeginDate")));
        EXPECT_EQ(s("2026-03-31"), p.value(s("EndDate")));
        EXPECT_EQ(s("总仓"), child->lblCk()->text());
    }
    auto* ledger = qobject_cast<TfrmQueryWindow*>(children.front().get());
    ASSERT_NE(nullptr, ledger->lblGoods());
    EXPECT_EQ(s("雪碧"), ledger->lblGoods()->text());
    // Activating a goods row opens its ledger too, instead of going down.
    w->setFocusedRow(0);
    w->btnDownLevelClick();
    ASSERT_EQ(4u, children.size());
    auto* activated = qobject_cast<TfrmQueryWindow*>(children.back().get());
    ASSERT_NE(nullptr, activated);
    EXPECT_EQ(s("TfrmQSPMX"), activated->descriptor().className);
    EXPECT_EQ(s(";czy_id=7;isSub=1;id=102"), lastParams().value(s("GoodsStr")));

    // Without rows nothing opens.
    answerRows(RecordSet());
    w->btnRefurbishClick();
    const auto opened = children.size();
    w->btnQListClick();
    w->btnSelecAllClick();
    w->btnAddClick();
    w->btnpcxqClick();
    EXPECT_EQ(opened, children.size());
}

TEST_F(StockStatusWindowTest, BatchDetailsRefuseCategoriesAndAverageCostGoods) {
    auto w = open();
    answerRows(stockRows(kDrinks));
    w->btnAllckClick(s("3"), s("总仓"));

    w->setFocusedRow(1);  // the category 碳酸饮料
    w->btnpcxqClick();
    w->setFocusedRow(0);  // 雪碧, FIFO
    w->btnpcxqClick();
    ASSERT_EQ(1u, children.size());
    ASSERT_EQ(1, script.messages().size()) << script.messages().join(u'|').toStdString();
    EXPECT_EQ(s("不能查看某一类商品的批次详情！"), script.messages().value(0));
    auto* batches = qobject_cast<TfrmBaseKCPCB*>(children.back().get());
    ASSERT_NE(nullptr, batches);
    EXPECT_EQ(102, batches->goodsId());
    EXPECT_EQ(3, batches->warehouseId());
    const QList<RecordedCall> sql = calls("ExecQuery");
    ASSERT_FALSE(sql.isEmpty());
    EXPECT_EQ(stockwindows::batchSql(102, 3), sql.last().sql);

    // An average-cost goods.
    answerRows(stockRows(kTop));
    w->btnRefurbishClick();
    w->setFocusedRow(0);
    w->btnpcxqClick();
    EXPECT_EQ(1u, children.size());
    EXPECT_EQ(s("该商品成本算法是“加权平均法”，不能查看批次详情"), script.messages().value(1));

    // The goods distribution of the focused goods.
    w->btnAddClick();
    ASSERT_EQ(2u, children.size());
    auto* fenbu = qobject_cast<TfrmBaseGoodsFenBu*>(children.back().get());
    ASSERT_NE(nullptr, fenbu);
    EXPECT_EQ(101, fenbu->goodsId());
    EXPECT_EQ(stockwindows::distributionSql(101), calls("ExecQuery").last().sql);
}

}  // namespace
}  // namespace dyt::client
