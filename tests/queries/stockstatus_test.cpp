// The stock status report: its parameters, the window on the recording transport, and against a
// real server the posted stock by level, warehouse, distribution and batch.
#include "client/logic/stockstatus.h"
#include "../server/posting_packets.h"
#include "../server/records.h"
#include "client/logic/localcache.h"
#include "client/queries/frmqkczkb.h"
#include "client/queries/frmstockwindows.h"
#include "common/currency.h"
#include "querytest_support.h"
#include "support/serverfixture.h"
#include "uihelpers.h"

using namespace Qt::StringLiterals;

namespace dyt::client {
namespace {

TEST(StockStatusParams, GoodsWarehouseAndFilterStringsPerCase) {
    stockstatus::Request level;
    level.operatorId = 7;
    level.warehouseId = u"3"_s;
    level.nav.category = 5;
    level.nav.path = u"5,"_s;
    level.qtyIndex = 1;
    level.referencePrice = 2;
    stockstatus::Request listOne;
    listOne.operatorId = 7;
    listOne.nav.listMode = true;
    listOne.nav.listCategory = 5;
    listOne.qtyIndex = 2;
    stockstatus::Request dialogNoGoods = level;
    dialogNoGoods.fromDialog = true;
    dialogNoGoods.quickText = u"ignored"_s;
    stockstatus::Request zeroWarehouse;
    zeroWarehouse.operatorId = 7;
    zeroWarehouse.warehouseId = u"0"_s;
    zeroWarehouse.referencePrice = 6;
    const struct {
        const char* name;
        stockstatus::Request request;
        const char* expected;  // goodsStr|ckStr|filter
    } cases[] = {
        {"category level in one warehouse", level,
         ";sptype=0;czy_id=7;par_id=5|;czy_id=7;id=3;issub=1|;qty=1;ckj=2"},
        {"list of one category", listOne,
         ";sptype=0;czy_id=7;isList=1;isList=1;par_id=5|;czy_id=7;id=;issub=1|;qty=2;ckj=-1"},
        {"dialog without goods keeps the level", dialogNoGoods,
         ";sptype=0;czy_id=7;par_id=5|;czy_id=7;id=3;issub=1|;qty=1;ckj=2"},
        {"warehouse 0 is all", zeroWarehouse,
         ";sptype=0;czy_id=7;par_id=0|;czy_id=7;id=;issub=1|;qty=0;ckj=6"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ParamList p = stockstatus::buildParams(c.request);
        EXPECT_EQ(u"DQKCNEW|"_s + s(c.expected),
                  test::valuesOf(p, u"QueryType,goodsStr,ckStr,filter"_s));
        EXPECT_EQ(u";czy_id=7|;czy_id=7|;czy_id=7|;czy_id=7"_s,
                  test::valuesOf(p, u"wldwStr,zyStr,bmStr,kmStr"_s));
        // The goods line is spelled with a lower-case g, and there are no dates.
        EXPECT_EQ(1, p.lines().filter(u"goodsStr="_s).size());
        EXPECT_FALSE(p.contains(u"BeginDate"_s));
    }
    stockstatus::Request bad = level;
    bad.qtyIndex = 3;
    EXPECT_THROW(stockstatus::buildParams(bad), DytError);
}

TEST(StockStatusParams, ReferencePriceChoicesAndRowMemory) {
    const QList<QString> names = stockstatus::priceLevelNames();
    struct Case { const char* name; QList<bool> rights; bool extras; QList<int> codes; };
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
        for (const auto& choice : choices)
            EXPECT_TRUE(choice.code >= 4 || names[choice.code] == choice.name) << choice.code;
    }
    EXPECT_THROW(stockstatus::priceLevelSubRight(4), DytError);
    // The row memory is a name=value list per level.
    stockstatus::RowMemory m;
    EXPECT_FALSE(m.contains(5));
    m.store(0, 3);
    m.store(5, 1);
    m.store(5, 2);  // a level keeps its last row
    m.store(9, -1);
    // Level 9 stored no row, level 7 none at all.
    EXPECT_EQ(u"3|2|0|0"_s, u"%1|%2|%3|%4"_s.arg(m.row(0)).arg(m.row(5)).arg(m.row(9)).arg(m.row(7)));
    EXPECT_EQ(u"3|2"_s, test::valuesOf(m.list(), u"rowindex0,rowindex5"_s));
    EXPECT_EQ(3, m.list().count());
}

TEST(StockStatusParams, FollowOnWindowsAndBatchDetailRefusals) {
    const QueryDescriptor* ledger = findQueryDescriptor(u"TfrmQSPMX"_s);
    const QueryDescriptor* batches = findQueryDescriptor(u"TfrmQKCPCLB"_s);
    ASSERT_NE(nullptr, ledger);
    ASSERT_NE(nullptr, batches);
    const QDate begin(2026, 3, 1), end(2026, 3, 31);
    const ParamList p = stockstatus::followOnParams(*ledger, 7, 101, u"3"_s, begin, end, 1);
    EXPECT_EQ(
        u"SPMX|;isred=1|;czy_id=7;isSub=1;id=101|;czy_id=7;id=3;issub=1|2026-03-01|2026-03-31| (0) "_s,
        test::valuesOf(p, u"QueryType,filter,GoodsStr,ckStr,BeginDate,EndDate,djStr"_s));
    const ParamList b = stockstatus::followOnParams(*batches, 7, 0, QString(), begin, end, 2);
    EXPECT_EQ(u"KCPCLB|;qty=2|;czy_id=7|;czy_id=7;id=;issub=1"_s,
              test::valuesOf(b, u"QueryType,filter,GoodsStr,ckStr"_s));
    // A reversed range of the shared dates is refused.
    EXPECT_THROW(stockstatus::followOnParams(*ledger, 7, 101, u"3"_s, end, begin, 0), DytError);
    // Batch details are refused for a category and for an average-cost goods.
    const struct { qint64 sonnum; int costMode; const char* refusal; } cases[] = {
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

struct StockRow {
    int sonnum, id, parId;
    const char *path, *name;
    int costMode;
    double qty, total;
};

RecordSet stockRows(const QList<StockRow>& rows) {
    RecordSet rs = test::withFields(
        "sonnum integer, id integer, par_id integer, sp_id integer, costMode integer, par_jl text "
        "100, sp_spqm text 100, stockqty float, stockPrice float, stockTotal float, lsPrice float, "
        "lstotal float, total_ float");
    for (const StockRow& r : rows) {
        const double price = r.qty == 0 ? 0 : r.total / r.qty;
        rs.appendRow({qint64(r.sonnum), qint64(r.id), qint64(r.parId), qint64(r.id),
                      qint64(r.costMode), s(r.path), s(r.name), r.qty, price, r.total, 0.0, 0.0,
                      -r.total});
    }
    return rs;
}

constexpr int kMenu = 300501;

class StockStatusWindowTest : public test::QueryWindowFixture {
protected:
    void SetUp() override {
        QueryWindowFixture::SetUp();
        // Operator 7 holds the report with its ledger and print rights.
        rights = test::rightsRows({{"300501", 1}, {"30050101", 1}, {"30050102", 1}});
        setOperatorRights(&rights);
    }
    void TearDown() override {
        setOperatorRights(nullptr);
        QueryWindowFixture::TearDown();
    }
    // Opens the window as the dispatcher does: the function code, then show (no categories).
    std::unique_ptr<TfrmQKCZKB> open() {
        auto w = std::make_unique<TfrmQKCZKB>();
        w->setTag(kMenu);
        answerRows(test::treeRows({}));
        w->show();
        EXPECT_TRUE(script.messages().isEmpty()) << script.messages().join(u'|').toStdString();
        return w;
    }
    QList<RecordedCall> calls(const char* method) const { return callsOf(s(method)); }
    QString goodsStr() const { return lastParams().value(u"goodsStr"_s); }
    RecordSet rights;
};

const QList<StockRow> kTop = {{0, 101, 0, "101,", "散装糖", 0, 4, 20},
                              {2, 5, 0, "5,", "饮料", 0, 30, 90}};
const QList<StockRow> kDrinks = {{0, 102, 5, "5,102,", "雪碧", 1, 10, 30},
                                 {3, 7, 5, "5,7,", "碳酸饮料", 0, 20, 60}};
const QList<StockRow> kSoda = {{0, 201, 7, "5,7,201,", "可口可乐", 2, 20, 60}};

TEST_F(StockStatusWindowTest, OpensAsTheReportOfItsMenuCodeAndSendsDQKCNEW) {
    registerQueryWindows();
    for (const char* name : {"TfrmQKCZKB", "TfrmBaseGoodsFenBu", "TfrmBaseKCPCB"}) {
        std::unique_ptr<QWidget> created(createWindow(s(name), nullptr));
        EXPECT_TRUE(created && QLatin1String(created->metaObject()->className()).endsWith(
                                   QLatin1String("::") + QLatin1String(name)))
            << name;
    }
    auto w = open();
    const ParamList tree = lastParams();
    EXPECT_EQ(u";czy_id=7;sptype=0;TreeView=1"_s, tree.value(u"GoodsStr"_s));
    // Nothing is queried before "查询".
    EXPECT_EQ(1, calls("ExecProcQuery").size());
    answerRows(stockRows(kTop));
    w->btnRefurbishClick();
    QString procedure;
    const ParamList p = lastParams(&procedure);
    EXPECT_EQ(u"P_Base_Get_Goods"_s, procedure);
    EXPECT_EQ(u"DQKCNEW|;sptype=0;czy_id=7;par_id=0|;czy_id=7;id=;issub=1"_s,
              test::valuesOf(p, u"QueryType,goodsStr,ckStr"_s));
    EXPECT_EQ(2, w->model()->rowCount());
    EXPECT_EQ(u"全部仓库"_s, w->edWarehouse()->text());
}

TEST_F(StockStatusWindowTest, ASingleCachedWarehouseIsPresetAndTwoAreNot) {
    for (int count : {1, 2}) {
        SCOPED_TRACE(count);
        TLocalCache cache(dir.path(), dm.get());
        QList<QStringList> rows = {{u"3"_s, u"总仓"_s}, {u"4"_s, u"门店"_s}};
        answerRows(test::textRows({u"ck_id"_s, u"ck_ckqm"_s}, rows.mid(0, count)));
        ASSERT_EQ(count, cache.GetWarehouses().rowCount());
        auto w = open();
        answerRows(stockRows(kTop));
        w->btnRefurbishClick();
        EXPECT_EQ(count == 1 ? u"3|总仓|;czy_id=7;id=3;issub=1"_s
                             : u"|全部仓库|;czy_id=7;id=;issub=1"_s,
                  w->warehouseId() + u'|' + w->edWarehouse()->text() + u'|' +
                      lastParams().value(u"ckStr"_s));
    }
}

TEST_F(StockStatusWindowTest, WarehouseFromPickerShortcutAndDialog) {
    auto w = open();
    QString searched;
    pickerSelector() = [&searched](const QString& kind, const QString& text, QWidget*) {
        EXPECT_EQ(u"cangku"_s, kind);
        searched = text;
        return std::optional<PickerChoice>(PickerChoice{4, u"门店"_s});
    };
    // Typed text is searched; the choice runs the query at once.
    w->edWarehouse()->setText(u"门"_s);
    answerRows(stockRows(kTop));
    w->chooseWarehouse();
    EXPECT_EQ(u"门|;czy_id=7;id=4;issub=1|门店"_s,
              searched + u'|' + lastParams().value(u"ckStr"_s) + u'|' + w->edWarehouse()->text());
    // The name unchanged searches nothing.
    answerRows(stockRows(kTop));
    w->chooseWarehouse();
    EXPECT_EQ(QString(), searched);
    // A shortcut button: its tag and caption.
    answerRows(stockRows(kTop));
    w->btnAllckClick(u"9"_s, u"北仓"_s);
    EXPECT_EQ(u";czy_id=7;id=9;issub=1|北仓"_s,
              lastParams().value(u"ckStr"_s) + u'|' + w->lblCk()->text());
    // The dialog gets the window's warehouse and gives back the one chosen there, with goods.
    onDialog = [](TfrmSelectItems& d) {
        EXPECT_EQ(9, d.picker(PickerRole::Warehouse).id);
        EXPECT_FALSE(d.page().dates);
        d.setPicker(PickerRole::Warehouse, 3, u"总仓"_s);
        d.setPicker(PickerRole::Goods, 88, u"橙汁"_s);
        return d.accept();
    };
    answerRows(stockRows(kTop));
    w->btnQueryClick();
    EXPECT_EQ(1, dialogs);
    EXPECT_EQ(u";czy_id=7;id=3;issub=1|;sptype=0;czy_id=7;id=88;issub=1|3|总仓"_s,
              test::valuesOf(lastParams(), u"ckStr,goodsStr"_s) + u'|' + w->warehouseId() + u'|' +
                  w->edWarehouse()->text());
    // A refresh without the dialog goes back to the level.
    answerRows(stockRows(kTop));
    w->btnRefurbishClick();
    EXPECT_EQ(u";sptype=0;czy_id=7;par_id=0"_s, goodsStr());
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
    w->edQuick()->setText(u"可"_s);
    answerRows(stockRows({kSoda[0], kDrinks[0], kTop[0]}));
    w->quickSearch();
    EXPECT_EQ(u";sptype=0;czy_id=7;allfilter=可"_s, goodsStr());
    EXPECT_EQ(0, w->focusedRow());
    // Moving in the results and leaving them stores nothing for the level searched from.
    w->setFocusedRow(2);
    answerRows(stockRows(kTop));
    w->btnExitClick();
    EXPECT_EQ(u";sptype=0;czy_id=7;par_id=0"_s, goodsStr());
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
    EXPECT_EQ(u";sptype=0;czy_id=7;par_id=7 5,7,"_s, goodsStr() + u' ' + w->navigation().path);
    EXPECT_EQ(1, w->rowMemory().row(0));
    // The flat list of all goods, chosen in "列表选择".
    script.answer(u"全部列表"_s);
    answerRows(stockRows({kSoda[0], kDrinks[0], kTop[0]}));
    w->btnListClick();
    EXPECT_EQ(u";sptype=0;czy_id=7;isList=1"_s, goodsStr());
    answerRows(stockRows(kSoda));
    w->btnListClick();
    EXPECT_EQ(u";sptype=0;czy_id=7;par_id=7"_s, goodsStr());
}

TEST_F(StockStatusWindowTest, ReferencePricesByRightAndTheCodeSent) {
    // No price right and no extra prices: the drop-down is hidden and "no selection" is sent.
    rights = test::rightsRows({{"300501", 1}, {"30050101", 1}, {"30050121", 0}});
    for (const char* level : {"30050122", "30050123", "30050124"})
        rights.appendRow({QString::fromLatin1(level), qint64(0), qint64(0)});
    settings().ExtraReferencePrices = false;
    {
        auto w = open();
        EXPECT_FALSE(w->referencePriceShown() || w->cbPrice()->count() > 0);
        answerRows(stockRows(kTop));
        w->btnRefurbishClick();
        EXPECT_EQ(u";qty=0;ckj=-1"_s, lastParams().value(u"filter"_s));
    }
    // The second level's right (no row: not controlled) and the extra prices, switched on by the
    // account set's setting as the settings load reads it.
    rights = test::rightsRows({{"300501", 1}, {"30050121", 0}, {"30050123", 0}, {"30050124", 0}});
    EXPECT_TRUE(settings().applySysData(u"扩展参考价格"_s, u"1"_s));
    EXPECT_TRUE(settings().ExtraReferencePrices);
    {
        auto w = open();
        EXPECT_TRUE(w->referencePriceShown());
        EXPECT_EQ(4, w->cbPrice()->count());
        EXPECT_EQ(u"预设售价1"_s, w->cbPrice()->itemText(0));
        w->cbPrice()->setCurrentIndex(3);
        answerRows(stockRows(kTop));
        w->btnRefurbishClick();
        EXPECT_EQ(u";qty=0;ckj=6"_s, lastParams().value(u"filter"_s));
        // The quantity filter runs the query again with its index.
        answerRows(stockRows(kTop));
        w->cbqty()->setCurrentIndex(1);
        EXPECT_EQ(u";qty=1;ckj=6"_s, lastParams().value(u"filter"_s));
    }
}

TEST_F(StockStatusWindowTest, ButtonsAndCostColumnsFollowRightsAndSettings) {
    struct Case {
        const char* name;
        QList<std::pair<const char*, int>> rights;
        bool auxSwitch; int costAlgorithm; bool ledger, print, aux, batches, seeCost;
    };
    const Case cases[] = {
        {"all rights, switch on, FIFO account set",
         {{"300501", 1}, {"30050101", 1}, {"30050102", 1}}, true, 1, true, true, true, true, true},
        {"no ledger right hides the auxiliary detail too",
         {{"300501", 1}, {"30050101", 0}, {"30050102", 1}}, true, -1, false, true, false, true, false},
        {"switch off, average cost",
         {{"300501", 1}, {"30050101", 1}, {"30050102", 0}}, false, 0, true, false, false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        rights = test::rightsRows(c.rights);
        settings().setSwitch(2029, c.auxSwitch);
        settings().CostAlgorithm = c.costAlgorithm;
        settings().SeeCost = c.seeCost;
        auto w = open();
        EXPECT_EQ((QList<bool>{c.ledger, c.print, c.aux, c.batches}),
                  (QList<bool>{w->btnQList()->isVisible(), w->btnPrint()->isVisible(),
                               w->btnSelecAll()->isVisible(), w->btnBatchList()->isVisible()}));
        // Without the cost right the cost columns are hidden, the others stay.
        answerRows(stockRows(kTop));
        w->btnRefurbishClick();
        QStringList hidden;
        for (const char* field : {"stockPrice", "stockTotal", "total_", "stockqty", "lsPrice", "lstotal"}) {
            const int col = w->gridDefinition().columnIndex(s(field));
            if (col < 0 || w->dbgvX()->table()->isColumnHidden(col))
                hidden << s(field);
        }
        EXPECT_EQ(c.seeCost ? QStringList() : QStringList({u"stockPrice"_s, u"stockTotal"_s, u"total_"_s}),
                  hidden);
    }
}

TEST_F(StockStatusWindowTest, LedgerAuxiliaryDetailAndBatchListOpenWithTheirConditions) {
    settings().setSwitch(2029, true);
    settings().CostAlgorithm = 1;
    auto w = open();
    answerRows(stockRows(kDrinks));
    w->btnAllckClick(u"3"_s, u"总仓"_s);
    w->setFocusedRow(0);  // 雪碧
    // Each button, and a goods row activated, opens its window with goods, warehouse and dates.
    const struct {
        std::function<void()> click;
        const char* expected;
    } cases[] = {
        {[&] { w->btnQListClick(); }, "TfrmQSPMX SPMX|;czy_id=7;isSub=1;id=102"},
        {[&] { w->btnSelecAllClick(); }, "TfrmQFDWKCSLMX FDWKCSLMX|;czy_id=7;isSub=1;id=102"},
        {[&] { w->btnSelecAll_Click(); }, "TfrmQKCPCLB KCPCLB|;czy_id=7"},
        {[&] { w->setFocusedRow(0), w->btnDownLevelClick(); },
         "TfrmQSPMX SPMX|;czy_id=7;isSub=1;id=102"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        const auto before = children.size();
        c.click();
        ASSERT_EQ(before + 1, children.size());
        auto* child = qobject_cast<TfrmQueryWindow*>(children.back().get());
        ASSERT_NE(nullptr, child);
        QString procedure;
        const ParamList p = lastParams(&procedure);
        EXPECT_EQ(s(c.expected), child->descriptor().className + u' ' +
                                     test::valuesOf(p, u"QueryType,GoodsStr"_s));
        EXPECT_EQ(u"P_JXC_Get_KC|;czy_id=7;id=3;issub=1|2026-03-01|2026-03-31|总仓"_s,
                  procedure + u'|' + test::valuesOf(p, u"ckStr,BeginDate,EndDate"_s) + u'|' +
                      child->lblCk()->text());
    }
    auto* ledger = qobject_cast<TfrmQueryWindow*>(children.front().get());
    ASSERT_NE(nullptr, ledger->lblGoods());
    EXPECT_EQ(u"雪碧"_s, ledger->lblGoods()->text());
    // Batch details are refused for a category and open for a FIFO goods.
    const auto before = children.size();
    w->setFocusedRow(1);
    w->btnpcxqClick();
    w->setFocusedRow(0);
    w->btnpcxqClick();
    ASSERT_EQ(before + 1, children.size());
    EXPECT_EQ(QStringList{u"不能查看某一类商品的批次详情！"_s}, script.messages());
    EXPECT_NE(nullptr, qobject_cast<TfrmBaseKCPCB*>(children.back().get()));
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

constexpr qint64 kDrinksCategory = 50, kCola = 101, kSprite = 102, kSugar = 103;
constexpr qint64 kMain = 301, kShop = 302, kAnnex = 303;

double round4(const QVariant& v) {
    return std::round(test::numberOf(v) * 10000.0) / 10000.0;
}

// The quantity, total and price of the row of `key` in a window's records, by '|'; "" when none.
QString figuresOf(const RecordSet& rows, const char* keyField, qint64 key,
                  const char* fields = "stockqty,stockTotal,stockPrice") {
    const int k = rows.fieldIndex(s(keyField));
    for (int r = 0; k >= 0 && r < rows.rowCount(); ++r)
        if (rows.at(r, k).toLongLong() == key)
            return test::each(s(fields), [&](const QString& f) {
                return QString::number(round4(rows.at(r, rows.fieldIndex(f))));
            });
    return QString();
}

class StockStatusE2E : public test::ServerFixture {};

TEST_F(StockStatusE2E, TheReportShowsThePostedStockByLevelWarehouseAndBatch) {
    addRecord("baseGoods", 50, "C1", "饮料", 0, 2, {{"costmode", u"0"_s}});
    addRecord("baseGoods", 101, "SP101", "可乐", 50, 0, {{"costmode", u"0"_s}});
    addRecord("baseGoods", 102, "SP102", "雪碧", 50, 0, {{"costmode", u"2"_s}});
    addRecord("baseGoods", 103, "SP103", "白糖", 0, 0, {{"costmode", u"0"_s}});
    dm.ExecUpdate(
        s("INSERT INTO baseGoodsUnit(Goodsid, fzdwid, unit, rate, price) VALUES "
          "(101, 0, '瓶', 1, 3), (102, 0, '瓶', 1, 5), (103, 0, '包', 1, 8)"));
    addRecord("baseWLDW", 203, "G1", "供应商");
    addRecord("baseCK", 301, "CK1", "总仓");
    addRecord("baseCK", 302, "CK2", "门店");
    addRecord("baseZY", 2, "002", "张三", 0, 0, {{"name", u"'张三'"_s}});
    addRecord("baseBM", 401, "BM1", "业务部");
    ASSERT_EQ(0, openAccounts(QDate(2025, 1, 1)));
    // Into 总仓: 可乐 10 at 2, 雪碧 20 at 3 and 10 at 4 (two FIFO batches), 白糖 5 at 6.
    // Into 门店: 可乐 6 at 2.5.
    const auto post = [this](qint64 warehouse, std::vector<server::test::GoodsLine> lines) {
        const server::test::GoodsBill bill =
            server::test::goodsBill(5, "2025-02-03", 203, std::move(lines), {}, warehouse);
        ParamList header = server::test::goodsBillParams(bill);
        RecordSet packet = server::test::goodsLinesPacket(bill);
        const RecordSet accounts = server::test::accountPacket({});
        dm.ExecService(u"QMXService"_s, u"SaveToDB"_s, header, &packet, &accounts);
    };
    post(kMain, {{.goods = kCola, .qty = 10, .price = 2},
                 {.goods = kSprite, .qty = 20, .price = 3},
                 {.goods = kSugar, .qty = 5, .price = 6}});
    post(kMain, {{.goods = kSprite, .qty = 10, .price = 4}});
    post(kShop, {{.goods = kCola, .qty = 6, .price = 2.5}});
    // 总仓 gets a sub-warehouse 总仓二库 holding 雪碧 5 at 5.
    dm.ExecUpdate(u"UPDATE baseCK SET sonnum = 1 WHERE id = 301"_s);
    dm.ExecUpdate(
        s("INSERT INTO baseCK(id, par_id, par_jl, leveal, sonnum, code, fullname) "
          "VALUES (303, 301, '301,303,', 2, 0, 'CK101', '总仓二库')"));
    post(kAnnex, {{.goods = kSprite, .qty = 5, .price = 5}});
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
        // 10 + 30 + 6 + 5 for 20 + 60 + 40 + 15 + 25.
        EXPECT_EQ(u"51|160"_s, figuresOf(top, "sp_id", kDrinksCategory, "stockqty,stockTotal"));
        EXPECT_EQ(u"5|30|6"_s, figuresOf(top, "sp_id", kSugar));
        // The reference price: the retail price (level 0) times the stock.
        ASSERT_GT(w.cbPrice()->count(), 0);
        EXPECT_EQ(0, w.referencePriceCode());
        EXPECT_EQ(u"40|8"_s, figuresOf(top, "sp_id", kSugar, "lstotal,lsPrice"));
        // The row shown of a goods or category.
        const auto rowOfId = [&w](qint64 id) {
            const int k = w.records().fieldIndex(u"sp_id"_s);
            for (int r = 0; r < w.model()->rowCount(); ++r)
                if (w.records().at(w.model()->rawRow(r), k).toLongLong() == id)
                    return r;
            return -1;
        };
        ASSERT_GE(rowOfId(kDrinksCategory), 0);
        // Down into 饮料 with a double-click goes one level down and opens nothing; on a goods it opens one ledger.
        QTableView* table = w.dbgvX()->table();
        int shown = 0;
        while (table->isColumnHidden(shown))
            ++shown;
        const auto doubleClick = [&](int row) {
            test::doubleClick(table->viewport(),
                              table->visualRect(w.model()->index(row, shown)).center());
        };
        doubleClick(rowOfId(kDrinksCategory));
        EXPECT_TRUE(children.empty());
        EXPECT_EQ(u"16|35"_s, figuresOf(w.records(), "sp_id", kCola, "stockqty,stockTotal"));
        EXPECT_EQ(u"35|125"_s, figuresOf(w.records(), "sp_id", kSprite, "stockqty,stockTotal"));
        doubleClick(rowOfId(kCola));
        ASSERT_EQ(1u, children.size());
        // One warehouse with its sub-warehouse: 总仓 holds 10 可乐 and all of 雪碧.
        w.btnAllckClick(QString::number(kMain), u"总仓"_s);
        EXPECT_EQ(u"35|125"_s, figuresOf(w.records(), "sp_id", kSprite, "stockqty,stockTotal"));
        EXPECT_EQ(u"10|20"_s, figuresOf(w.records(), "sp_id", kCola, "stockqty,stockTotal"));
        // The goods distribution of 可乐 and the batches of 雪碧 in 总仓.
        w.setFocusedRow(rowOfId(kCola));
        w.btnAddClick();
        w.setFocusedRow(rowOfId(kSprite));
        w.btnpcxqClick();
        ASSERT_EQ(3u, children.size()) << script.messages().join(u'|').toStdString();
        auto* fenbu = qobject_cast<TfrmBaseGoodsFenBu*>(children[1].get());
        auto* batches = qobject_cast<TfrmBaseKCPCB*>(children[2].get());
        ASSERT_NE(nullptr, fenbu);
        ASSERT_NE(nullptr, batches);
        EXPECT_EQ(2, fenbu->records().rowCount());
        EXPECT_EQ(u"10|20|2"_s, figuresOf(fenbu->records(), "ck_id", kMain, "qty,total,price"));
        EXPECT_EQ(u"6|15|2.5"_s, figuresOf(fenbu->records(), "ck_id", kShop, "qty,total,price"));
        // The batches of 总仓 and its sub-warehouse, the older first; 门店 holds none.
        ASSERT_EQ(3, batches->records().rowCount());
        const RecordSet& b = batches->records();
        QStringList rows;
        for (int r = 0; r < 3; ++r)
            rows << test::each(u"qty,price,total"_s, [&](const QString& f) {
                return QString::number(round4(b.at(r, b.fieldIndex(f))));
            });
        EXPECT_EQ((QStringList{u"20|3|60"_s, u"10|4|40"_s, u"5|5|25"_s}), rows);
        EXPECT_EQ(u"总仓二库"_s, b.at(2, b.fieldIndex(u"ck_ckqm"_s)).toString());
    }
    EXPECT_TRUE(script.messages().isEmpty()) << script.messages().join(u'|').toStdString();
    children.clear();
    queryChildHost() = savedHost;
}

}  // namespace
}  // namespace dyt::client
