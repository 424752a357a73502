// The opening balances: the parameters of their queries and saves, and the windows driven by
// keys on the recording transport: stock per warehouse and batch, partner goods, accounts; the
// stocktake window.
#include <list>
#include <string>
#include "client/base/frminiwindows.h"
#include "client/logic/openingbalance.h"
#include "client/logic/stocktake.h"
#include "client/queries/frmqkcpd2.h"
#include "client/queries/frmstockwindows.h"
#include "querytest_support.h"

using namespace Qt::StringLiterals;

namespace dyt::client {
namespace {

TEST(OpeningParams, QueriesSavesRefusalsPricesAndPages) {
    stockstatus::Request r;
    r.operatorId = 7;
    r.warehouseId = u"3"_s;
    r.nav.category = 5;
    r.qtyIndex = 1;
    r.referencePrice = 2;
    EXPECT_EQ(u"QCKCNEW|;sptype=0;czy_id=7;par_id=5|;czy_id=7;id=3;issub=1|;qty=1"_s,
              test::valuesOf(opening::goodsStockParams(r), u"QueryType,goodsStr,ckStr,filter"_s));
    stockstatus::Request search = r;
    search.quickText = u"可乐"_s;
    search.warehouseId = u"0"_s;
    const opening::PartnerGoodsKind* wt = opening::findPartnerGoodsKind(u"tfrminiwtsp"_s);
    const opening::PartnerGoodsKind* jj = opening::findPartnerGoodsKind(u"TfrmIniJJSP"_s);
    ASSERT_TRUE(wt && jj);
    EXPECT_EQ(u"WTSP|;sptype=0;czy_id=7;allfilter=可乐|;czy_id=7;id=;issub=1|;qty=1|;czy_id=7"_s,
              test::valuesOf(opening::partnerGoodsParams(*wt, search),
                             u"QueryType,goodsStr,wldwStr,filter,ckStr"_s));
    dyt::Navigation nav;
    nav.category = 4;
    EXPECT_EQ(u"WLDW|;czy_id=7;par_id=4|;qcqty=2"_s,
              test::valuesOf(opening::partnerParams(7, nav, {}, 2), u"QueryType,wldwStr,filter"_s));
    EXPECT_THROW(opening::partnerParams(7, nav, {}, 3), DytError);
    EXPECT_EQ(u";czy_id=7;par_id=9|;czy_id=7;id=8"_s,
              opening::accountParams(7, 9).value(u"kmStr"_s) + u'|' +
                  opening::accountParams(7, 0, 8).value(u"kmStr"_s));
    // The figures go rounded, half away from zero, as decimal text.
    opening::GoodsStockEntry e{12, 101, 3, 2.34567, 10.005, {}, {}, {}, false};
    const ParamList stock = opening::goodsStockSave(e, 3, 2);
    EXPECT_EQ(u"12|101|3|2.346|10.01"_s, test::valuesOf(stock, u"id,goodsid,stockid,Qty,Total"_s));
    EXPECT_FALSE(stock.contains(u"ph"_s));
    const opening::PartnerGoodsEntry pe{0, 101, 44, 2, 9.999, 5};
    // A kind without cost columns costs what it is worth.
    EXPECT_EQ(u"1|2|10|10"_s, test::valuesOf(opening::partnerGoodsSave(*jj, pe, 2, 2),
                                             u"typeid,Qty,Total,costTotal"_s));
    EXPECT_EQ(u"3|10|5"_s, test::valuesOf(opening::partnerGoodsSave(*wt, pe, 2, 2),
                                          u"typeid,Total,costTotal"_s));
    EXPECT_EQ(u"31|2|0|-1.01"_s, test::valuesOf(opening::partnerSave({31, 2, 0, 0, 0, -1.005}, 2),
                                                u"id,par_id,ysTotal,yufuTotal"_s));
    // Refusals, prices and pages.
    const QString all = opening::text::allWarehouses();
    EXPECT_EQ(opening::text::opened(), opening::editRefusal(true, false, all));
    EXPECT_EQ(all, opening::editRefusal(false, false, all));
    EXPECT_EQ(QString(), opening::editRefusal(false, true, all));
    EXPECT_EQ(opening::text::totalRow(), opening::accountRefusal(2, u"银行存款"_s));
    EXPECT_EQ(opening::text::computedRow(), opening::accountRefusal(0, u"本年利润"_s));
    EXPECT_EQ(opening::text::computedRow(), opening::accountRefusal(0, u"固定资产"_s));
    EXPECT_EQ(QString(), opening::accountRefusal(0, u"现金"_s));
    EXPECT_EQ(0.0, opening::unitPrice(0, 5, 2));
    EXPECT_EQ(3.33, opening::unitPrice(3, 10, 2));
    EXPECT_EQ(3.333, opening::unitPrice(-3, -10, 3));
    const struct {
        int code;
        opening::AccountPage page;
        bool balance;
    } codes[] = {{101303, opening::AccountPage::CashBank, false},
                 {101304, opening::AccountPage::FixedAssets, false},
                 {101305, opening::AccountPage::All, false},
                 {300701, opening::AccountPage::CashBank, true},
                 {300703, opening::AccountPage::Income, true},
                 {300704, opening::AccountPage::Expenses, true},
                 {300709, opening::AccountPage::All, true}};
    for (const auto& c : codes) {
        EXPECT_EQ(c.page, opening::accountPageOf(c.code)) << c.code;
        EXPECT_EQ(c.balance, opening::accountBalanceView(c.code)) << c.code;
    }
}

// --- the windows

RecordSet goodsRows(const QList<QVariantList>& rows) {
    return test::recordSet({u"sonnum:integer"_s, u"id:integer"_s, u"par_id:integer"_s,
                            u"sp_id:integer"_s, u"costMode:integer"_s, u"stockid:integer"_s,
                            u"par_jl"_s, u"sp_spqm"_s, u"stockqty:float"_s, u"stockTotal:float"_s,
                            u"qty:float"_s, u"Total:float"_s, u"costTotal:float"_s},
                           rows);
}

// A category, an average-cost goods with its opening record 55, a FIFO goods.
const QList<QVariantList> kLevel = {
    {2, 5, 0, 5, 0, 0, u"5,"_s, u"饮料"_s, 30.0, 90.0, 0.0, 0.0, 0.0},
    {0, 101, 0, 101, 0, 55, u"101,"_s, u"散装糖"_s, 4.0, 20.0, 4.0, 10.0, 8.0},
    {0, 102, 0, 102, 1, 0, u"102,"_s, u"雪碧"_s, 0.0, 0.0, 0.0, 0.0, 0.0}};

// Types into the dialog's fields by keys: for each, select all, the text, Enter.
void typeFields(QWidget* dialog,
                std::initializer_list<std::pair<const char*, const char*>> fields) {
    for (const auto& [key, text] : fields) {
        auto* e = dialog->findChild<QLineEdit*>(u"ed"_s + QLatin1String(key));
        ASSERT_NE(nullptr, e) << key;
        QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(e, QString::fromUtf8(text));
        QTest::keyClick(e, Qt::Key_Return);
    }
}

class OpeningWindowTest : public test::QueryWindowFixture {
protected:
    void SetUp() override {
        QueryWindowFixture::SetUp();
        registerBaseWindows();
        // Operator 7 holds the opening windows with "修改" and "打印".
        QList<std::pair<const char*, int>> granted;
        for (const char* code : {"101301", "101302", "101303", "101308", "300709"}) {
            for (const char* sub : {"", "01", "02"})
                granted.append({codes.emplace_back(std::string(code) + sub).c_str(), 1});
        }
        rights = test::rightsRows(granted);
        setOperatorRights(&rights);
    }
    void TearDown() override {
        setOperatorRights(nullptr);
        QueryWindowFixture::TearDown();
    }
    // Opens a window as the menu does: by class and function code; the category tree is empty.
    template <class W>
    std::unique_ptr<W> open(const char* className, int code, const RecordSet& rows) {
        std::unique_ptr<QWidget> created(createWindow(s(className), nullptr));
        auto* w = qobject_cast<W*>(created.get());
        EXPECT_NE(nullptr, w) << className;
        created.release();
        w->setTag(code);
        w->resize(1800, 600);  // the tool bar shows all its entries
        answerRows(test::treeRows({}));
        answerRows(rows);
        w->show();
        w->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(w));
        return std::unique_ptr<W>(w);
    }
    QTableView* table(TfrmXAbstract* w) { return w->dbgvX()->table(); }
    void press(TfrmXAbstract* w, Qt::Key key) { QTest::keyClick(table(w), key); }
    void click(TfrmXAbstract* w, QAction* a) {
        QTest::mouseClick(w->toolBar()->widgetForAction(a), Qt::LeftButton);
    }
    RecordSet rights;
    std::list<std::string> codes;
    // The opening procedures called (the operation log left out).
    int saves() const {
        int n = 0;
        for (const RecordedCall& c : callsOf(u"ExecProc"_s))
            n += c.procedure.startsWith(u"P_JXC_INI_"_s) ? 1 : 0;
        return n;
    }
    // The lines of the last opening procedure, and its name.
    ParamList lastProc(QString* procedure = nullptr) {
        const auto calls = callsOf(u"ExecProc"_s);
        for (auto c = calls.rbegin(); c != calls.rend(); ++c) {
            if (!c->procedure.startsWith(u"P_JXC_INI_"_s))
                continue;
            if (procedure)
                *procedure = c->procedure;
            return linesOf(*c);
        }
        return {};
    }
};

TEST_F(OpeningWindowTest, GoodsStockIsSetPerWarehouseByKeys) {
    auto w = open<TfrmIniGoodsStock>("TfrmIniGoodsStock", 101301, goodsRows(kLevel));
    QString procedure;
    EXPECT_EQ(u"QCKCNEW|;qty=0|;czy_id=7;id=;issub=1"_s,
              test::valuesOf(lastParams(&procedure), u"QueryType,filter,ckStr"_s));
    EXPECT_EQ(u"P_Base_Get_Goods"_s, procedure);
    EXPECT_EQ(3, w->model()->rowCount());
    // All warehouses: the goods cannot be set, the warehouse picker takes the focus.
    press(w.get(), Qt::Key_Down);
    press(w.get(), Qt::Key_Return);
    EXPECT_EQ(QStringList{opening::text::allWarehouses()}, script.messages());
    EXPECT_EQ(w->edWarehouse(), QApplication::focusWidget());
    EXPECT_EQ(0, saves());
    pickerSelector() = [](const QString&, const QString& text, QWidget*) {
        EXPECT_EQ(u"zc"_s, text);
        return std::optional<PickerChoice>(PickerChoice{3, u"总仓"_s});
    };
    answerRows(goodsRows(kLevel));
    QTest::keyClick(w->edWarehouse(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(w->edWarehouse(), u"zc"_s);
    QTest::keyClick(w->edWarehouse(), Qt::Key_Return);
    EXPECT_EQ(u";czy_id=7;id=3;issub=1"_s, lastParams().value(u"ckStr"_s));
    // "修改" on a category goes down into it.
    w->setFocusedRow(0);
    answerRows(goodsRows({}));
    click(w.get(), w->btnModify());
    EXPECT_EQ(u";sptype=0;czy_id=7;par_id=5"_s, lastParams().value(u"goodsStr"_s));
    answerRows(goodsRows(kLevel));
    w->btnExitClick();
    // Enter on the average-cost goods: quantity and amount typed, the unit price follows.
    QString price;
    test::onNextModal([&price](QWidget* d) {
        typeFields(d, {{"qty", "3"}, {"total", "10"}});
        price = d->findChild<QLineEdit*>(u"edprice"_s)->text();
    });
    w->setFocusedRow(1);
    answerRows(goodsRows(kLevel));
    const auto queries = procCalls().size();
    press(w.get(), Qt::Key_Return);
    EXPECT_EQ(u"3.33"_s, price);
    EXPECT_EQ(u"55|101|3|3|10"_s,
              test::valuesOf(lastProc(&procedure), u"id,goodsid,stockid,Qty,Total"_s));
    EXPECT_EQ(u"P_JXC_INI_GoodsStock"_s, procedure);
    EXPECT_EQ(queries + 1, procCalls().size());  // the level again
    // Once opened, nothing is set any more.
    settings().IsOpen = 1;
    press(w.get(), Qt::Key_F2);
    EXPECT_EQ(opening::text::opened(), script.messages().last());
    EXPECT_EQ(1, saves());
}

TEST_F(OpeningWindowTest, BatchGoodsAreEnteredBatchByBatch) {
    auto w = open<TfrmIniGoodsStock>("TfrmIniGoodsStock", 101301, goodsRows(kLevel));
    answerRows(goodsRows(kLevel));
    w->btnAllckClick(u"3"_s, u"总仓"_s);
    w->setFocusedRow(2);
    const RecordSet batches =
        test::recordSet({u"id:integer"_s, u"ph"_s, u"outdate"_s, u"yxqdate"_s, u"qty:float"_s,
                         u"price:float"_s, u"total:float"_s},
                        {{qint64(71), u"A1"_s, u"2026-01-02"_s, u""_s, 4.0, 2.0, 8.0}});
    answerQuery(batches);
    press(w.get(), Qt::Key_F2);
    ASSERT_EQ(1u, children.size());
    auto* b = qobject_cast<TfrmBaseKCPCB*>(children.back().get());
    ASSERT_NE(nullptr, b);
    EXPECT_TRUE(sqlOf(u"ExecQuery"_s).last().contains(u"FROM iniGoodsStock"_s));
    EXPECT_TRUE(sqlOf(u"ExecQuery"_s).last().contains(u"goodsid = 102 AND a.stockid = 3"_s));
    EXPECT_EQ(1, b->model()->rowCount());
    // Insert: a new batch; a wrong date is named and can be put right.
    test::onNextModal([this](QWidget* d) {
        typeFields(d, {{"ph", "B2"}, {"outdate", "2026-13-01"}, {"yxqdate", "2027-01-05"},
                        {"qty", "2"}, {"total", "5"}});
        EXPECT_EQ(QStringList{opening::text::badDate()}, script.messages());
        EXPECT_TRUE(d->isVisible());
        typeFields(d, {{"outdate", "2026-01-05"}});
        auto* last = d->findChild<QLineEdit*>(u"edtotal"_s);
        QTest::keyClick(last, Qt::Key_Return);
    });
    answerQuery(batches);
    answerRows(goodsRows(kLevel));
    QTest::keyClick(table(b), Qt::Key_Insert);
    EXPECT_EQ(u"0|102|3|2|5|B2|2026-01-05|2027-01-05"_s,
              test::valuesOf(lastProc(), u"id,goodsid,stockid,Qty,Total,ph,outdate,yxqdate"_s));
    // Enter changes the focused batch, Delete (confirmed) sends it with quantity 0.
    test::onNextModal([](QWidget* d) {
        EXPECT_EQ(u"A1"_s, d->findChild<QLineEdit*>(u"edph"_s)->text());
        typeFields(d, {{"qty", "6"}, {"total", "12"}});
    });
    answerQuery(batches);
    answerRows(goodsRows(kLevel));
    QTest::keyClick(table(b), Qt::Key_Return);
    EXPECT_EQ(u"71|6|12|A1|2026-01-02"_s, test::valuesOf(lastProc(), u"id,Qty,Total,ph,outdate"_s));
    script.answer(u"确定(&O)"_s);
    answerQuery(batches);
    answerRows(goodsRows(kLevel));
    QTest::keyClick(table(b), Qt::Key_Delete);
    EXPECT_EQ(u"71|0|0"_s, test::valuesOf(lastProc(), u"id,Qty,Total"_s));
    EXPECT_EQ(3, saves());
}

TEST_F(OpeningWindowTest, ConsignedGoodsAreSetPerPartner) {
    auto w = open<TfrmIniGoodsOther>("TfrmIniWTSP", 101308, goodsRows(kLevel));
    QString procedure;
    EXPECT_EQ(u"WTSP|;czy_id=7;id=;issub=1"_s,
              test::valuesOf(lastParams(&procedure), u"QueryType,wldwStr"_s));
    EXPECT_EQ(u"P_JXC_Get_QC"_s, procedure);
    // The prices follow from the amounts.
    w->setFocusedRow(1);
    EXPECT_EQ(2.5, w->focusedValue(u"Price"_s).toDouble());
    EXPECT_EQ(2.0, w->focusedValue(u"costPrice"_s).toDouble());
    press(w.get(), Qt::Key_Return);
    EXPECT_EQ(QStringList{opening::text::allPartners()}, script.messages());
    EXPECT_EQ(w->edPartner(), QApplication::focusWidget());
    pickerSelector() = [](const QString& kind, const QString&, QWidget*) {
        EXPECT_EQ(u"wldw"_s, kind);
        return std::optional<PickerChoice>(PickerChoice{44, u"华联"_s});
    };
    answerRows(goodsRows(kLevel));
    QTest::keyClick(w->edPartner(), Qt::Key_Return);
    EXPECT_EQ(u";czy_id=7;id=44;issub=1"_s, lastParams().value(u"wldwStr"_s));
    test::onNextModal([](QWidget* d) {
        typeFields(d, {{"qty", "4"}, {"total", "12"}, {"costTotal", "9"}});
    });
    w->setFocusedRow(1);
    answerRows(goodsRows(kLevel));
    click(w.get(), w->btnModify());
    EXPECT_EQ(
        u"101|44|3|4|12|9"_s,
        test::valuesOf(lastProc(&procedure), u"goodsid,wldw_id,typeid,Qty,Total,costTotal"_s));
    EXPECT_EQ(u"P_JXC_INI_GoodsStockOther"_s, procedure);
}

TEST_F(OpeningWindowTest, PartnersAndAccountsAreSetByKeys) {
    const RecordSet partners = test::recordSet(
        {u"sonnum:integer"_s, u"id:integer"_s, u"par_id:integer"_s, u"par_jl"_s, u"fullname"_s,
         u"ystotal00:float"_s, u"yftotal00:float"_s, u"yushouTotal00:float"_s,
         u"yufuTotal00:float"_s},
        {{1, 2, 0, u"2,"_s, u"客户"_s, 0.0, 0.0, 0.0, 0.0},
         {0, 31, 0, u"31,"_s, u"华联"_s, 100.0, 0.0, 0.0, 0.0}});
    auto p = open<TfrmIniYSYF>("TfrmIniYSYF", 101302, partners);
    EXPECT_EQ(u"WLDW|;czy_id=7;par_id=0|;qcqty=0"_s,
              test::valuesOf(lastParams(), u"QueryType,wldwStr,filter"_s));
    answerRows(partners);
    QTest::keyClicks(p->edSearch(), u"hl"_s);
    QTest::keyClick(p->edSearch(), Qt::Key_Return);
    EXPECT_EQ(u";czy_id=7;allfilter=hl"_s, lastParams().value(u"wldwStr"_s));
    test::onNextModal([](QWidget* d) {
        EXPECT_EQ(u"100"_s, d->findChild<QLineEdit*>(u"edysTotal"_s)->text());
        typeFields(d, {{"ysTotal", "120.5"}, {"yfTotal", ""}, {"yuShouTotal", ""},
                        {"yufuTotal", "30"}});
    });
    answerRows(partners);
    press(p.get(), Qt::Key_Down);
    press(p.get(), Qt::Key_Return);
    QString procedure;
    EXPECT_EQ(
        u"31|0|120.5|0|0|30"_s,
        test::valuesOf(lastProc(&procedure), u"id,par_id,ysTotal,yfTotal,yuShouTotal,yufuTotal"_s));
    EXPECT_EQ(u"P_JXC_INI_baseWLDW"_s, procedure);
    // The rows again are the search's.
    EXPECT_EQ(u";czy_id=7;allfilter=hl"_s, lastParams().value(u"wldwStr"_s));
    p.reset();
    // The cash and bank page: the two roles' accounts, then the level below the bank total.
    const QStringList fields = {
        u"id:integer"_s, u"par_id:integer"_s, u"sonnum:integer"_s,  u"code"_s,
        u"fullname"_s,   u"Total00:float"_s,  u"InterfaceKMName"_s, u"pathName"_s};
    answerQuery(test::recordSet({u"name"_s, u"km_id:integer"_s},
                                {{u"现金"_s, 8}, {u"银行存款"_s, 9}}));
    answerProc(test::recordSet(
        fields, {{8, 1, 0, u"103"_s, u"现金"_s, 50.0, u"现金"_s, u"【资产类】/现金"_s}}));
    answerProc(test::recordSet(fields, {{9, 1, 1, u"104"_s, u"全部银行存款合计"_s, 0.0,
                                         u"银行存款"_s, u"【资产类】/全部银行存款合计"_s}}));
    std::unique_ptr<TfrmIniKmData> k(
        qobject_cast<TfrmIniKmData*>(createWindow(u"TfrmIniKmData"_s, nullptr)));
    ASSERT_NE(nullptr, k);
    k->setTag(101303);
    k->show();
    EXPECT_EQ(u"期初现金银行"_s, k->tabPages()->tabText(k->tabPages()->currentIndex()));
    auto kmCalls = procCalls();
    ASSERT_GE(kmCalls.size(), 2);
    EXPECT_EQ(u";czy_id=7;id=8|;czy_id=7;id=9"_s,
              linesOf(kmCalls[kmCalls.size() - 2]).value(u"kmStr"_s) + u'|' +
                  linesOf(kmCalls.last()).value(u"kmStr"_s));
    EXPECT_EQ(2, k->model()->rowCount());
    // A total row is not set; Enter goes down into it, where the advances are not shown.
    press(k.get(), Qt::Key_Down);
    press(k.get(), Qt::Key_F2);
    EXPECT_EQ(opening::text::totalRow(), script.messages().last());
    answerProc(test::recordSet(
        fields, {{36, 9, 0, u"10401"_s, u"银行存款"_s, 0.0, u""_s,
                  u"【资产类】/全部银行存款合计/银行存款"_s},
                 {17, 9, 0, u"202"_s, u"预收账款"_s, 0.0, u"预收账款"_s, u""_s}}));
    press(k.get(), Qt::Key_Return);
    EXPECT_EQ(u";czy_id=7;par_id=9"_s, linesOf(procCalls().last()).value(u"kmStr"_s));
    EXPECT_EQ(1, k->model()->rowCount());
    EXPECT_EQ(u"分类路径：【资产类】/全部银行存款合计/银行存款"_s, k->lblPath()->text());
    test::onNextModal([](QWidget* d) { typeFields(d, {{"Total", "2000"}}); });
    press(k.get(), Qt::Key_F2);
    EXPECT_EQ(u"36|2000"_s, test::valuesOf(lastProc(&procedure), u"id,Total"_s));
    EXPECT_EQ(u"P_JXC_INI_baseKM"_s, procedure);
    // The balances of the finance menu are read only.
    std::unique_ptr<QWidget> view(createWindow(u"TfrmIniKmData"_s, nullptr));
    auto* balances = qobject_cast<TfrmIniKmData*>(view.get());
    balances->setTag(300709);
    balances->show();
    EXPECT_TRUE(balances->balanceView());
    EXPECT_FALSE(balances->btnModify()->isVisible());
}

// --- the stocktake window at the keyboard: counts typed down the column become the draft opened
// in the stocktake bill; the refusals without a warehouse or a count.

RecordSet goodsOfWarehouse() {
    return test::recordSet(
        {u"sonnum:integer"_s, u"sp_id:integer"_s, u"sp_spbh"_s, u"sp_spqm"_s, u"stockqty:float"_s},
        {{0, 101, u"SP101"_s, u"螺丝"_s, 40.0},
         {0, 102, u"SP102"_s, u"齿轮"_s, 7.0},
         {0, 103, u"SP103"_s, u"轴承"_s, 0.0}});
}

class StocktakeWindowTest : public test::QueryWindowFixture {};

TEST_F(StocktakeWindowTest, CountsTypedDownTheColumnBecomeTheDraftWhichOpensInTheBill) {
    registerWindowClass(u"TfrmBillPDD"_s, [](QWidget*) { return new QWidget; });
    settings().QtyDot = 2;
    pickerSelector() = [](const QString& kind, const QString&, QWidget*) {
        EXPECT_EQ(u"cangku"_s, kind);
        return std::optional<PickerChoice>(PickerChoice{3, u"总仓"_s});
    };
    TfrmQKCPD2 w;
    w.resize(900, 500);
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    // Nothing to make a draft of yet: no warehouse, then no count.
    QTest::mouseClick(w.btnMakeBill(), Qt::LeftButton);
    w.edWarehouse()->setFocus();
    answerRows(goodsOfWarehouse());
    QTest::keyClick(w.edWarehouse(), Qt::Key_Return);
    ASSERT_EQ(3, w.dbgvX()->table()->model()->rowCount());
    EXPECT_EQ(u"P_Base_Get_Goods"_s, procCalls().last().procedure);
    EXPECT_EQ(u"DQKCNEW|;czy_id=7;id=3|;sptype=0;czy_id=7;isList=1"_s,
              test::valuesOf(lastParams(), u"QueryType,ckStr,goodsStr"_s));
    QTest::mouseClick(w.btnMakeBill(), Qt::LeftButton);
    EXPECT_EQ((QStringList{stocktake::text::noWarehouse(), stocktake::text::nothingCounted()}),
              script.messages());
    EXPECT_TRUE(callsOf(u"ExecProc"_s).isEmpty());
    // The cursor waits in the first count: 12, the second goods passed by, 0.5 for the third.
    EXPECT_EQ(w.dbgvX()->table(), QApplication::focusWidget());
    // One key a step: the first key opens the cell's editor, which takes the focus.
    test::perform(
        &w, w.dbgvX()->table(),
        {test::typed("1"), test::typed("2"), test::key(Qt::Key_Return), test::key(Qt::Key_Return),
         test::typed("0"), test::typed("."), test::typed("5"), test::key(Qt::Key_Return)});
    script.clearRecords();
    transport->respondWith(u"ExecProc"_s, [](const QCborArray& args) {
        ParamList out(args.at(1).toString());
        out.setInt(u"id"_s, 88);
        Response r;
        r.result = 0;
        r.outs = {out.text(), qint64(88), QString()};
        return r;
    });
    QTest::mouseClick(w.btnMakeBill(), Qt::LeftButton);
    const QList<RecordedCall> procs = callsOf(u"ExecProc"_s);
    ASSERT_EQ(1, procs.size()) << script.messages().join(u'|').toStdString();
    EXPECT_EQ(u"P_JXC_DJ_PanDianToDraft"_s, procs[0].procedure);
    EXPECT_EQ(u"3|2026-03-31|101:12;103:0.5"_s,
              test::valuesOf(linesOf(procs[0]), u"ckid,Date,Lines"_s));
    EXPECT_EQ(QStringList{stocktake::text::draftMade()}, script.messages());
    ASSERT_EQ(1u, children.size());
    EXPECT_EQ(42, children[0]->property(kBillTypeProperty).toInt());
    EXPECT_EQ(qint64(88), children[0]->property(kBillIdProperty).toLongLong());
}

}  // namespace
}  // namespace dyt::client
