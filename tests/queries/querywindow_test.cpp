// The query window and its condition dialog against the recording transport: what a query sends,
// the condition labels, the shared dates, category levels with row memory, list mode, the quick
// search, the stored quantity filter, drill-down into the detail ledger and into the bill.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <memory>
#include <vector>

#include "client/bills/billkinds.h"
#include "client/logic/clientconfig.h"
#include "client/logic/rights.h"
#include "client/logic/settings.h"
#include "client/common/windowregistry.h"
#include "client/queries/frmquery.h"
#include "client/queries/frmselectitems.h"
#include "client/shell/functions.h"
#include "common/currency.h"
#include "common/error.h"
#include "common/inifile.h"
#include "common/paramlist.h"
#include "common/recordset.h"
#include "protocol/protocol.h"
#include "querytest_support.h"

namespace dyt::client {
namespace {

QString s(const char* text) {
    return QString::fromUtf8(text);
}

// One result row of a goods statistics window.
struct GoodsRow {
    int sonnum;
    int id;
    int parId;
    const char* path;
    const char* name;
    double qty;
    double income;
    double taxTotal;
};

RecordSet goodsRows(const QList<GoodsRow>& rows) {
    RecordSet rs;
    for (const char* f : {"sonnum", "id", "par_id", "sp_id"})
        rs.addField(QString::fromLatin1(f), FieldType::Integer);
    rs.addField(s("par_jl"), FieldType::Text, 100);
    rs.addField(s("sp_spqm"), FieldType::Text, 100);
    for (const char* f : {"Qty", "discounttotal", "taxTotalSum"})
        rs.addField(QString::fromLatin1(f), FieldType::Currency);
    for (const GoodsRow& r : rows) {
        rs.appendRow({qint64(r.sonnum), qint64(r.id), qint64(r.parId), qint64(r.id), s(r.path),
                      s(r.name), QVariant::fromValue(Currency::fromDouble(r.qty)),
                      QVariant::fromValue(Currency::fromDouble(r.income)),
                      QVariant::fromValue(Currency::fromDouble(r.taxTotal))});
    }
    return rs;
}

using test::treeRows;

class QueryWindowTest : public test::QueryWindowFixture {
protected:
    QString goodsStr() const { return lastParams().value(s("GoodsStr")); }
};

const QList<GoodsRow> kTopRows = {{0, 101, 0, "101,", "可乐", -4, -10, -11.3},
                                  {2, 5, 0, "5,", "饮料", 10, 100, 113}};

TEST_F(QueryWindowTest, SalesBillStatisticsSendsItsConditionsAndShowsThem) {
    TfrmQueryWindow w(s("TfrmQXSDTJ"));
    EXPECT_EQ(s("销售单统计"), w.titleText());
    EXPECT_EQ(s("TfrmSelectItems_XS4"), w.dialog()->definition().className);
    EXPECT_EQ(0, w.dialog()->pageIndex());
    EXPECT_EQ(s("查询条件"), w.dialog()->windowTitle());
    // The window opens empty: nothing is asked before "查询".
    EXPECT_TRUE(procCalls().isEmpty());

    onDialog = [](TfrmSelectItems& d) {
        d.beginEdit()->setDate(QDate(2026, 3, 1));  // one day: begin = end
        d.endEdit()->setDate(QDate(2026, 3, 1));
        d.setPicker(PickerRole::Partner, 3, s("甲公司"));
        return d.accept();
    };
    answerRows(goodsRows(kTopRows));
    w.btnQuery()->trigger();
    EXPECT_EQ(1, dialogs);
    QString procedure;
    ParamList sent = lastParams(&procedure);
    EXPECT_EQ(s("P_JXC_Get_XS"), procedure);
    EXPECT_EQ(s("7"), sent.value(s("czy_id")));  // added by the data module
    sent.remove(s("czy_id"));
    const QStringList want = {
        s("QueryType=SPXSTJ"),
        s("filter=;qty=0"),
        s("wldwStr=;czy_id=7;id=3;issub=1;Other=1"),
        s("zyStr=;czy_id=7;id=;issub=1;Other=1"),
        s("ckStr=;czy_id=7;id=;issub=1;Other=1"),
        s("bmStr=;czy_id=7;id=;issub=1;Other=1"),
        s("kmStr=;czy_id=7"),
        s("GoodsStr=;czy_id=7;par_id=0"),
        s("djStr= (1,0) "),
        s("BeginDate=2026-03-01"),
        s("EndDate=2026-03-01"),
    };
    EXPECT_EQ(want, sent.lines());

    EXPECT_EQ(s("2026-03-01 至 2026-03-01"), w.lblDate()->text());
    EXPECT_EQ(s("甲公司"), w.lblWldw()->text());
    EXPECT_EQ(s("全部职员"), w.lblZy()->text());
    EXPECT_EQ(s("全部仓库"), w.lblCk()->text());
    EXPECT_EQ(s("全部部门"), w.lblBm()->text());

    // The rows with their derived prices; returns give positive prices.
    ASSERT_EQ(2, w.records().rowCount());
    const int price = w.records().fieldIndex(s("price"));
    const int taxPrice = w.records().fieldIndex(s("TaxPrice"));
    ASSERT_GE(price, 0);
    EXPECT_DOUBLE_EQ(2.5, w.records().at(0, price).toDouble());
    EXPECT_DOUBLE_EQ(2.825, w.records().at(0, taxPrice).toDouble());
    EXPECT_DOUBLE_EQ(10.0, w.records().at(1, price).toDouble());
    EXPECT_EQ(s("退出(&C)"), w.btnExit()->text());

    // Refresh sends the same conditions again without the dialog.
    answerRows(goodsRows(kTopRows));
    w.btnRefurbish()->trigger();
    EXPECT_EQ(1, dialogs);
    ParamList again = lastParams();
    again.remove(s("czy_id"));
    EXPECT_EQ(want, again.lines());
}

TEST_F(QueryWindowTest, ReversedRangeIsRefusedAndNothingIsSent) {
    TfrmQueryWindow w(s("TfrmQXSDTJ"));
    onDialog = [](TfrmSelectItems& d) {
        d.beginEdit()->setDate(QDate(2026, 3, 2));
        d.endEdit()->setDate(QDate(2026, 3, 1));
        return d.accept();
    };
    EXPECT_FALSE(w.runQuery(true));
    EXPECT_EQ(QStringList{s("开始日期不能大于结束日期！")}, script.messages());
    EXPECT_EQ(s("提示"), script.records().value(0).caption);
    EXPECT_TRUE(procCalls().isEmpty());
    EXPECT_EQ(QString(), w.lblDate()->text());
    // A cancelled dialog changes nothing either.
    onDialog = [](TfrmSelectItems&) { return false; };
    EXPECT_FALSE(w.runQuery(true));
    EXPECT_TRUE(procCalls().isEmpty());
}

TEST_F(QueryWindowTest, SharedDatesChangeOnlyWhenSaveIsTicked) {
    TfrmQueryWindow w(s("TfrmQXSDTJ"));
    QDate openedBegin;
    bool openedKeep = true;
    onDialog = [&](TfrmSelectItems& d) {
        openedBegin = d.beginEdit()->date();
        openedKeep = d.keepDatesBox()->isChecked();
        d.beginEdit()->setDate(QDate(2026, 2, 1));
        d.endEdit()->setDate(QDate(2026, 2, 10));
        d.keepDatesBox()->setChecked(false);
        return d.accept();
    };
    answerRows(goodsRows({}));
    w.btnQueryClick();
    EXPECT_EQ(QDate(2026, 3, 1), openedBegin);  // login date minus 30 days
    EXPECT_FALSE(openedKeep);
    EXPECT_EQ(s("2026-02-01"), lastParams().value(s("BeginDate")));
    EXPECT_EQ(QDate(2026, 3, 1), query::sharedQueryDates().begin);
    EXPECT_EQ(QDate(2026, 3, 31), query::sharedQueryDates().end);

    // The next dialog, here of another window, opens with the old dates; this time they are kept.
    TfrmQueryWindow other(s("TfrmQSPXSTJ"));
    onDialog = [&](TfrmSelectItems& d) {
        openedBegin = d.beginEdit()->date();
        d.beginEdit()->setDate(QDate(2026, 1, 5));
        d.endEdit()->setDate(QDate(2026, 1, 6));
        d.keepDatesBox()->setChecked(true);
        return d.accept();
    };
    answerRows(goodsRows({}));
    other.btnQueryClick();
    EXPECT_EQ(QDate(2026, 3, 1), openedBegin);
    EXPECT_EQ(QDate(2026, 1, 5), query::sharedQueryDates().begin);
    EXPECT_EQ(QDate(2026, 1, 6), query::sharedQueryDates().end);
    EXPECT_TRUE(query::sharedQueryDates().keep);
    onDialog = [&](TfrmSelectItems& d) {
        openedBegin = d.beginEdit()->date();
        openedKeep = d.keepDatesBox()->isChecked();
        return false;
    };
    w.btnQueryClick();
    EXPECT_EQ(QDate(2026, 1, 5), openedBegin);
    EXPECT_TRUE(openedKeep);
}

TEST_F(QueryWindowTest, EmptyPickersSendEmptyIdsAndShowAllRecords) {
    TfrmQueryWindow w(s("TfrmQXSDTJ"));
    answerRows(goodsRows({}));
    w.btnQueryClick();
    const ParamList p = lastParams();
    for (const char* key : {"wldwStr", "zyStr", "ckStr", "bmStr"})
        EXPECT_EQ(s(";czy_id=7;id=;issub=1;Other=1"), p.value(s(key))) << key;
    EXPECT_EQ(s("全部单位"), w.lblWldw()->text());
    EXPECT_EQ(s("全部职员"), w.lblZy()->text());
    EXPECT_EQ(s("全部仓库"), w.lblCk()->text());
    EXPECT_EQ(s("全部部门"), w.lblBm()->text());
    // The dialog's own dates were used: the shared ones.
    EXPECT_EQ(s("2026-03-01 至 2026-03-31"), w.lblDate()->text());
}

TEST_F(QueryWindowTest, QuickSearchInListModeSendsNoCategorySegment) {
    TfrmQueryWindow w(s("TfrmQXSDTJ"));
    ASSERT_NE(nullptr, w.edQuick());
    ASSERT_NE(nullptr, w.btnList());
    EXPECT_EQ(s("列表显示"), w.btnList()->text());
    // No rows yet: list mode without the question.
    answerRows(goodsRows({}));
    w.btnListClick();
    EXPECT_TRUE(w.navigation().listMode);
    EXPECT_EQ(s("层级显示"), w.btnList()->text());
    EXPECT_EQ(s(";czy_id=7;isList=1"), goodsStr());

    w.edQuick()->setText(s("可乐"));
    answerRows(goodsRows({}));
    w.quickSearch();
    EXPECT_EQ(s(";czy_id=7;allfilter=可乐"), goodsStr());
    EXPECT_FALSE(goodsStr().contains(s("par_id")));
    EXPECT_FALSE(goodsStr().contains(s("isList")));
    // A read-only box does not search.
    const int calls = static_cast<int>(procCalls().size());
    w.edQuick()->setReadOnly(true);
    w.quickSearch();
    EXPECT_EQ(calls, procCalls().size());
}

TEST_F(QueryWindowTest, TwoLevelsDownAndCloseBackWithRowMemory) {
    TfrmQueryWindow w(s("TfrmQXSDTJ"));
    answerRows(treeRows({}));
    w.show();
    answerRows(goodsRows(kTopRows));
    w.btnQueryClick();
    w.setFocusedRow(1);  // the category 饮料
    answerRows(goodsRows(
        {{3, 7, 5, "5,7,", "碳酸饮料", 1, 1, 1}, {0, 102, 5, "5,102,", "雪碧", 1, 1, 1}}));
    w.btnDownLevelClick();
    EXPECT_EQ(s(";czy_id=7;par_id=5"), goodsStr());
    EXPECT_EQ(s("5,"), w.navigation().path);
    EXPECT_EQ(s("返回(&C)"), w.btnExit()->text());
    EXPECT_EQ(0, w.focusedRow());
    answerRows(goodsRows({{0, 201, 7, "5,7,201,", "可口可乐", 1, 1, 1}}));
    w.btnDownLevelClick();
    EXPECT_EQ(s(";czy_id=7;par_id=7"), goodsStr());
    EXPECT_EQ(s("5,7,"), w.navigation().path);

    // Close inside a category goes up a level, the cursor back on the category entered.
    answerRows(goodsRows(
        {{3, 7, 5, "5,7,", "碳酸饮料", 1, 1, 1}, {0, 102, 5, "5,102,", "雪碧", 1, 1, 1}}));
    w.btnExitClick();
    EXPECT_EQ(s(";czy_id=7;par_id=5"), goodsStr());
    EXPECT_EQ(0, w.focusedRow());
    EXPECT_TRUE(w.isVisible());
    answerRows(goodsRows(kTopRows));
    w.btnExitClick();
    EXPECT_EQ(s(";czy_id=7;par_id=0"), goodsStr());
    EXPECT_EQ(1, w.focusedRow());
    EXPECT_EQ(s("退出(&C)"), w.btnExit()->text());
    EXPECT_TRUE(w.isVisible());
    // At the top it closes.
    const int calls = static_cast<int>(procCalls().size());
    w.btnExitClick();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(calls, procCalls().size());
}

TEST_F(QueryWindowTest, GoodsRowsOpenTheLedgerInsteadOfGoingDown) {
    TfrmQueryWindow w(s("TfrmQXSDTJ"));
    onDialog = [](TfrmSelectItems& d) {
        d.setPicker(PickerRole::Partner, 3, s("甲公司"));
        return d.accept();
    };
    answerRows(goodsRows(kTopRows));
    w.btnQueryClick();
    const ParamList parent = lastParams();
    w.setFocusedRow(0);  // 可乐, a goods row
    RecordSet ledgerRows;
    ledgerRows.addField(s("id"), FieldType::Integer);
    ledgerRows.addField(s("djType"), FieldType::Integer);
    ledgerRows.appendRow({qint64(900), qint64(1)});
    answerRows(ledgerRows);
    w.btnDownLevelClick();
    ASSERT_EQ(1u, children.size());
    auto* ledger = qobject_cast<TfrmQueryWindow*>(children[0].get());
    ASSERT_NE(nullptr, ledger);
    EXPECT_EQ(s("TfrmQXSMXZB"), ledger->descriptor().className);
    EXPECT_EQ(s("销售明细账本"), ledger->titleText());
    QString procedure;
    const ParamList sent = lastParams(&procedure);
    EXPECT_EQ(s("P_JXC_Get_XS"), procedure);
    EXPECT_EQ(s("XSMXZB"), sent.value(s("QueryType")));
    EXPECT_EQ(s(";isred=0"), sent.value(s("filter")));
    EXPECT_EQ(s(";czy_id=7;isSub=1;id=101"), sent.value(s("GoodsStr")));
    for (const char* key : {"wldwStr", "zyStr", "ckStr", "bmStr", "djStr", "BeginDate", "EndDate"})
        EXPECT_EQ(parent.value(s(key)), sent.value(s(key))) << key;
    EXPECT_EQ(s("可乐"), ledger->lblGoods()->text());
    EXPECT_EQ(s("甲公司"), ledger->lblWldw()->text());
    EXPECT_EQ(w.lblDate()->text(), ledger->lblDate()->text());
    EXPECT_EQ(1, ledger->records().rowCount());
    // The parent stays as it was.
    EXPECT_EQ(2, w.records().rowCount());

    // The ledger's red-bill filter sends its index with the held conditions.
    ASSERT_NE(nullptr, ledger->cbred());
    ledger->show();
    answerRows(ledgerRows);
    ledger->cbred()->setCurrentIndex(2);
    const ParamList red = lastParams();
    EXPECT_EQ(s(";isred=2"), red.value(s("filter")));
    EXPECT_EQ(s(";czy_id=7;isSub=1;id=101"), red.value(s("GoodsStr")));
    EXPECT_EQ(s("2"), clientConfig().ini().ReadString(s("销售明细账本"), s("cbredItemIndex")));
}

TEST_F(QueryWindowTest, DrillDownWithoutRowsOrWithTheButtonHiddenDoesNothing) {
    TfrmQueryWindow w(s("TfrmQXSDTJ"));
    w.btnQListClick();
    EXPECT_TRUE(children.empty());
    answerRows(goodsRows(kTopRows));
    w.btnQueryClick();
    w.setFocusedRow(0);
    w.btnQList()->setVisible(false);
    const int calls = static_cast<int>(procCalls().size());
    w.btnQListClick();
    w.btnQList()->setVisible(true);
    w.btnQList()->setEnabled(false);
    w.btnQListClick();
    EXPECT_TRUE(children.empty());
    EXPECT_EQ(calls, procCalls().size());
}

TEST_F(QueryWindowTest, ListChoiceOnACategoryOrAGoodsRow) {
    TfrmQueryWindow w(s("TfrmQXSDTJ"));
    answerRows(goodsRows(kTopRows));
    w.btnQueryClick();
    const int calls = static_cast<int>(procCalls().size());

    w.setFocusedRow(0);  // goods 可乐
    script.answer(s("部分列表(可乐)"));
    w.btnListClick();
    EXPECT_EQ(QStringList{s("只能对一类商品进行列表！")}, script.messages());
    EXPECT_FALSE(w.navigation().listMode);
    script.escape();
    w.btnListClick();
    EXPECT_FALSE(w.navigation().listMode);
    EXPECT_EQ(calls, procCalls().size());
    const PromptRecord question = script.records(PromptKind::Question).value(0);
    EXPECT_EQ(s("列表选择"), question.caption);
    EXPECT_EQ((QStringList{s("全部列表"), s("部分列表(可乐)")}), question.buttons);

    w.setFocusedRow(1);  // category 饮料
    script.answer(s("部分列表(饮料)"));
    answerRows(goodsRows({}));
    w.btnListClick();
    EXPECT_TRUE(w.navigation().listMode);
    EXPECT_EQ(s(";czy_id=7;isList=1;isList=1;par_id=5"), goodsStr());
    EXPECT_EQ(s("层级显示"), w.btnList()->text());
    EXPECT_FALSE(w.tvCategory()->isVisible());

    // Back to levels without a question.
    answerRows(goodsRows(kTopRows));
    w.btnListClick();
    EXPECT_FALSE(w.navigation().listMode);
    EXPECT_EQ(s(";czy_id=7;par_id=0"), goodsStr());
    EXPECT_EQ(s("列表显示"), w.btnList()->text());

    script.answer(s("全部列表"));
    answerRows(goodsRows({}));
    w.btnListClick();
    EXPECT_EQ(s(";czy_id=7;isList=1"), goodsStr());
}

TEST_F(QueryWindowTest, QuantityFilterIsStoredPerWindow) {
    {
        TfrmQueryWindow w(s("TfrmQXSDTJ"));
        ASSERT_NE(nullptr, w.cbqty());
        EXPECT_EQ(
            (QStringList{s("全部显示"), s("数量大于0"), s("数量等于0")}),
            (QStringList{w.cbqty()->itemText(0), w.cbqty()->itemText(1), w.cbqty()->itemText(2)}));
        EXPECT_EQ(0, w.cbqty()->currentIndex());
        // Not shown yet: stored, but no query.
        w.cbqty()->setCurrentIndex(2);
        EXPECT_TRUE(procCalls().isEmpty());
        EXPECT_EQ(s("2"), clientConfig().ini().ReadString(s("销售单统计"), s("cbqtyItemIndex")));
    }
    TfrmQueryWindow again(s("TfrmQXSDTJ"));
    EXPECT_EQ(2, again.cbqty()->currentIndex());
    TfrmQueryWindow other(s("TfrmQSPXSTJ"));
    EXPECT_EQ(0, other.cbqty()->currentIndex());

    // Once shown a change runs the query with the new index.
    answerRows(treeRows({}));
    again.show();
    answerRows(goodsRows({}));
    again.cbqty()->setCurrentIndex(1);
    EXPECT_EQ(s(";qty=1"), lastParams().value(s("filter")));
    EXPECT_EQ(s("1"), clientConfig().ini().ReadString(s("销售单统计"), s("cbqtyItemIndex")));
}

TEST_F(QueryWindowTest, AFailedQueryKeepsTheRowsShown) {
    TfrmQueryWindow w(s("TfrmQXSDTJ"));
    answerRows(goodsRows(kTopRows));
    w.btnQueryClick();
    ASSERT_EQ(2, w.records().rowCount());
    const QString before = w.lastParams();
    transport->fail(s("ExecProcQuery"), s("数据库忙"));
    EXPECT_FALSE(w.runQuery(false, s("雪碧")));
    ASSERT_EQ(1, script.messages().size());
    EXPECT_TRUE(script.messages()[0].contains(s("数据库忙"))) << script.messages()[0].toStdString();
    EXPECT_EQ(2, w.records().rowCount());
    EXPECT_EQ(before, w.lastParams());
}

TEST_F(QueryWindowTest, TheCategoryTreeLoadsOnShowAndChoosesTheLevel) {
    TfrmQueryWindow w(s("TfrmQXSDTJ"));
    answerRows(treeRows({{5, "饮料", 1, "5,"}, {7, "碳酸饮料", 2, "5,7,"}, {9, "食品", 1, "9,"}}));
    w.show();
    QString procedure;
    const ParamList tree = lastParams(&procedure);
    EXPECT_EQ(s("P_JXC_Get_Base"), procedure);
    EXPECT_EQ(s("SP"), tree.value(s("QueryType")));
    EXPECT_EQ(s(";czy_id=7;TreeView=1"), tree.value(s("GoodsStr")));
    for (const char* key : {"wldwStr", "zyStr", "ckStr", "bmStr", "kmStr"})
        EXPECT_EQ(s(";czy_id=7"), tree.value(s(key))) << key;
    ASSERT_EQ(2, w.tvCategory()->topLevelItemCount());
    EXPECT_EQ(1, w.tvCategory()->topLevelItem(0)->childCount());

    answerRows(goodsRows({{0, 201, 7, "5,7,201,", "可口可乐", 1, 1, 1}}));
    w.treeNodeChosen(7);
    EXPECT_EQ(s(";czy_id=7;par_id=7"), goodsStr());
    EXPECT_EQ(s("5,7,"), w.navigation().path);
    EXPECT_EQ(s("返回(&C)"), w.btnExit()->text());
    answerRows(goodsRows({{3, 7, 5, "5,7,", "碳酸饮料", 1, 1, 1}}));
    w.btnUpLevelClick();
    EXPECT_EQ(s(";czy_id=7;par_id=5"), goodsStr());
}

TEST_F(QueryWindowTest, LedgerRowsOpenTheirBillWithTheRight) {
    // A stand-in window for the sales bill class.
    registerWindowClass(s("TfrmBillXSD"), [](QWidget*) { return new QWidget; });
    TfrmQueryWindow ledger(s("TfrmQXSMXZB"));
    ASSERT_NE(nullptr, ledger.btnBill());
    EXPECT_EQ(nullptr, ledger.cbqty());
    EXPECT_EQ(s("全部商品"), ledger.lblGoods()->text());
    RecordSet rows;
    rows.addField(s("id"), FieldType::Integer);
    rows.addField(s("djType"), FieldType::Integer);
    rows.appendRow({qint64(900), qint64(1)});
    answerRows(rows);
    ledger.btnQueryClick();
    ledger.setFocusedRow(0);
    // Operator 7 holds no rights: refused.
    ledger.btnBillClick();
    EXPECT_EQ(QStringList{s("您没有执行该操作的权限!")}, script.messages());
    EXPECT_TRUE(children.empty());
    loginedUser().UserId = 1;
    ledger.btnBillClick();
    ASSERT_EQ(1u, children.size());
    EXPECT_EQ(qint64(900), children[0]->property(kBillIdProperty).toLongLong());
    EXPECT_EQ(1, children[0]->property(kBillTypeProperty).toInt());
    // Hidden button: nothing.
    ledger.btnBill()->setVisible(false);
    ledger.btnBillClick();
    EXPECT_EQ(1u, children.size());
}

TEST_F(QueryWindowTest, EveryDescriptorIsARegisteredWindowClass) {
    registerQueryWindows();
    for (const QueryDescriptor& d : queryDescriptors()) {
        ASSERT_TRUE(windowClassRegistered(d.className)) << d.className.toStdString();
        std::unique_ptr<QWidget> w(createWindow(d.className, nullptr));
        auto* q = qobject_cast<TfrmQueryWindow*>(w.get());
        ASSERT_NE(nullptr, q) << d.className.toStdString();
        EXPECT_EQ(d.title, q->titleText());
        EXPECT_EQ(d.dialogPage, q->dialog()->page().caption) << d.className.toStdString();
        EXPECT_EQ(d.columns.size(), q->gridDefinition().columns.size());
        EXPECT_EQ(d.className + s("_dbgvX"), q->layoutKey());
    }
    EXPECT_TRUE(procCalls().isEmpty());
    // The function menu's query entries all open a window now.
    int menuEntries = 0;
    for (const FunctionEntry& e : functionTable()) {
        if (e.kind != FunctionKind::Window || !e.className ||
            !QString::fromLatin1(e.className).startsWith(s("TfrmQ")))
            continue;
        ++menuEntries;
        EXPECT_TRUE(functionBuilt(e)) << e.code << " " << e.className;
    }
    EXPECT_GT(menuEntries, 100);
}

TEST_F(QueryWindowTest, PrintNeedsTheFirstSubRightOfTheMenuEntry) {
    RecordSet rights;
    rights.addField(s("code"), FieldType::Text, 20);
    rights.addField(s("isbj"), FieldType::Integer);
    rights.addField(s("hide"), FieldType::Integer);
    rights.appendRow({s("30041801"), qint64(1), qint64(0)});
    setOperatorRights(&rights);
    const struct {
        const char* subRight;  // "" for no row
        bool visible;
    } cases[] = {{"", false}, {"0", false}, {"1", true}};
    for (const auto& c : cases) {
        if (*c.subRight)
            rights.appendRow(
                {s("3004180101"), QString::fromUtf8(c.subRight).toLongLong(), qint64(0)});
        TfrmQueryWindow w(s("TfrmQXSDTJ"));
        w.setTag(30041801);
        answerRows(treeRows({}));
        w.show();
        EXPECT_EQ(c.visible, w.btnPrint()->isVisible()) << c.subRight;
        if (*c.subRight)
            rights.removeRow(rights.rowCount() - 1);
    }
    setOperatorRights(nullptr);
}

TEST_F(QueryWindowTest, PrintHandsTheRowsAndTheConditionsToTheEngine) {
    TfrmQueryWindow w(s("TfrmQXSDTJ"));
    onDialog = [](TfrmSelectItems& d) {
        d.setPicker(PickerRole::Partner, 3, s("甲公司"));
        return d.accept();
    };
    answerRows(goodsRows(kTopRows));
    w.btnQueryClick();
    const PrintHandler saved = TfrmXAbstract::printHandler();
    QString templateFile;
    int detailRows = -1;
    QStringList names;
    QString partner;
    bool hiddenPrinted = true;
    TfrmXAbstract::printHandler() = [&](QWidget*, int, const RecordSet& header,
                                        const RecordSet& detail, const QString& file) {
        templateFile = file;
        detailRows = detail.rowCount();
        const int name = detail.fieldIndex(s("sp_spqm"));
        for (int r = 0; name >= 0 && r < detail.rowCount(); ++r)
            names.append(detail.at(r, name).toString());
        hiddenPrinted = detail.hasField(s("par_jl")) || detail.hasField(s("sonnum"));
        const int f = header.fieldIndex(s("往来单位"));
        partner = f >= 0 ? header.at(0, f).toString() : QString();
        return 1;
    };
    w.btnPrint()->trigger();
    TfrmXAbstract::printHandler() = saved;
    EXPECT_EQ(s("销售单统计.QXF"), templateFile);
    EXPECT_EQ(2, detailRows);
    EXPECT_EQ((QStringList{s("可乐"), s("饮料")}), names);
    EXPECT_EQ(s("甲公司"), partner);
    EXPECT_FALSE(hiddenPrinted);
}

TEST_F(QueryWindowTest, TabStaysInTheQuickSearchBox) {
    TfrmQueryWindow w(s("TfrmQXSDTJ"));
    answerRows(treeRows({}));
    w.show();
    w.activateWindow();
    w.edQuick()->setFocus(Qt::OtherFocusReason);
    QCoreApplication::processEvents();
    ASSERT_TRUE(w.edQuick()->hasFocus());
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Tab, Qt::NoModifier);
    QCoreApplication::sendEvent(w.edQuick(), &press);
    QCoreApplication::sendEvent(w.edQuick(), &release);
    QCoreApplication::processEvents();
    EXPECT_TRUE(w.edQuick()->hasFocus());
    // Other keys reach the box.
    QKeyEvent letter(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, s("a"));
    QCoreApplication::sendEvent(w.edQuick(), &letter);
    EXPECT_EQ(s("a"), w.edQuick()->text());
}

// --- the condition dialogs built from their pages

TEST_F(QueryWindowTest, DialogPagesComposeTheirOwnConditions) {
    TfrmSelectItems exchange(s("TfrmSelectItems_XS4"));
    exchange.selectPage(s("销售换货单统计"));
    EXPECT_EQ(2, exchange.pageIndex());
    ASSERT_EQ(5, exchange.pickerEdits().size());
    QStringList kinds;
    pickerSelector() = [&kinds](const QString& kind, const QString&, QWidget*) {
        kinds.append(kind);
        return std::optional<PickerChoice>(PickerChoice{9, s("乙仓库")});
    };
    exchange.choosePicker(3);  // 出库仓库
    EXPECT_EQ(QStringList{s("cangku")}, kinds);
    EXPECT_EQ(s("乙仓库"), exchange.pickerEdits()[3]->text());
    ASSERT_TRUE(exchange.accept());
    EXPECT_EQ(s(" (3,0) "), exchange.conditions().billTypes);
    EXPECT_EQ(s(";id=;issub=1;Other=1"), exchange.conditions().string(PickerRole::Warehouse));
    EXPECT_EQ(9, exchange.conditions().record(PickerRole::OutWarehouse).id);
    query::QueryRequest r;
    r.descriptor = findQueryDescriptor(s("TfrmQXSHHDTJ"));
    r.operatorId = 7;
    r.conditions = exchange.conditions();
    EXPECT_EQ(s(";qty=0;outckid=9"), query::buildQueryParams(r).value(s("filter")));

    TfrmSelectItems boxes(s("TfrmSelectItems_XS1"));
    boxes.selectPage(s("商品销售统计"));
    ASSERT_EQ(6, boxes.billBoxes().size());
    for (QCheckBox* b : boxes.billBoxes())
        b->setChecked(false);
    EXPECT_FALSE(boxes.accept());
    EXPECT_EQ(QStringList{s("至少选择一种单据！")}, script.messages());
    boxes.billBoxes()[1]->setChecked(true);
    boxes.billBoxes()[3]->setChecked(true);
    ASSERT_TRUE(boxes.accept());
    EXPECT_EQ(s(" (2,40,0) "), boxes.conditions().billTypes);

    TfrmSelectItems plan(s("TfrmSelectItems"));
    plan.selectPage(s("商品智能补货计划"));
    auto* days = plan.findChild<QSpinBox*>(s("ex_days"));
    ASSERT_NE(nullptr, days);
    script.clearRecords();
    for (int bad : {0, -3}) {
        days->setValue(bad);
        EXPECT_FALSE(plan.accept());
    }
    EXPECT_EQ(
        (QStringList{s("需求量天数录入错误，只能大于零！"), s("需求量天数录入错误，只能大于零！")}),
        script.messages());
    days->setValue(15);
    ASSERT_TRUE(plan.accept());
    EXPECT_TRUE(plan.conditions().extraFilter.contains(s(";days=15")))
        << plan.conditions().extraFilter.toStdString();

    EXPECT_THROW(TfrmSelectItems(s("TfrmSelectItems_None")), DytError);
    EXPECT_THROW(boxes.selectPage(s("不存在的页面")), DytError);
}

}  // namespace
}  // namespace dyt::client

namespace dyt::client {
namespace {

TEST(QueryDialogBillBoxes, EveryBoxNamesTheBillKindOfItsNumber) {
    resetBillKinds();
    int boxes = 0;
    for (const QueryDialog& d : queryDialogs()) {
        for (const QueryDialogPage& p : d.pages) {
            for (const QueryBillBox& b : p.billBoxes) {
                ++boxes;
                const BillKind* kind = findBillKind(b.djType);
                ASSERT_NE(nullptr, kind) << b.djType;
                EXPECT_EQ(kind->name, b.caption) << p.caption.toStdString();
            }
            if (p.billType > 0) {
                const BillKind* kind = findBillKind(p.billType);
                ASSERT_NE(nullptr, kind) << p.billType;
                // A one-kind page is the statistics of that kind: "<kind>统计".
                EXPECT_EQ(kind->name + QStringLiteral("统计"), p.caption);
            }
        }
    }
    EXPECT_GT(boxes, 10);
}

}  // namespace
}  // namespace dyt::client
