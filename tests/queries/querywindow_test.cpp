// The query window and its condition dialog on the recording transport, and against a real
// server the category tree, a statistics query and the business history.
#include "../server/records.h"
#include "client/queries/frmqkcpd2.h"
#include "client/queries/frmqlbbb.h"
#include "client/shell/functions.h"
#include "common/currency.h"
#include "common/inifile.h"
#include "querytest_support.h"
#include "support/serverfixture.h"

using namespace Qt::StringLiterals;

namespace dyt::client {
namespace {

// One result row of a goods statistics window.
struct GoodsRow {
    int sonnum, id, parId;
    const char *path, *name;
    double qty, income, taxTotal;
};

RecordSet goodsRows(const QList<GoodsRow>& rows) {
    RecordSet rs = test::withFields(
        "sonnum integer, id integer, par_id integer, sp_id integer, par_jl text 100, "
        "sp_spqm text 100, Qty currency, discounttotal currency, taxTotalSum currency");
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
    QString goodsStr() const { return lastParams().value(u"GoodsStr"_s); }
    static QString shared() {
        return query::dateText(query::sharedQueryDates().begin) + u' ' +
               query::dateText(query::sharedQueryDates().end);
    }
};

const QList<GoodsRow> kTopRows = {{0, 101, 0, "101,", "可乐", -4, -10, -11.3},
                                  {2, 5, 0, "5,", "饮料", 10, 100, 113}};

TEST_F(QueryWindowTest, SalesBillStatisticsSendsItsConditionsAndShowsThem) {
    TfrmQueryWindow w(u"TfrmQXSDTJ"_s);
    EXPECT_EQ(u"TfrmSelectItems_XS4"_s, w.dialog()->definition().className);
    // The window opens empty: nothing is asked before "查询".
    EXPECT_TRUE(procCalls().isEmpty());
    onDialog = [](TfrmSelectItems& d) {
        d.beginEdit()->setDate(QDate(2026, 3, 1));  // one day: begin = end
        d.endEdit()->setDate(QDate(2026, 3, 1));
        d.setPicker(PickerRole::Partner, 3, u"甲公司"_s);
        return d.accept();
    };
    answerRows(goodsRows(kTopRows));
    w.btnQuery()->trigger();
    EXPECT_EQ(1, dialogs);
    QString procedure;
    ParamList sent = lastParams(&procedure);
    EXPECT_EQ(u"P_JXC_Get_XS"_s, procedure);
    EXPECT_EQ(u"7"_s, sent.value(u"czy_id"_s));  // added by the data module
    sent.remove(u"czy_id"_s);
    const QString want =
        u"QueryType=SPXSTJ|filter=;qty=0|wldwStr=;czy_id=7;id=3;issub=1;Other=1|"
        u"zyStr=;czy_id=7;id=;issub=1;Other=1|ckStr=;czy_id=7;id=;issub=1;Other=1|"
        u"bmStr=;czy_id=7;id=;issub=1;Other=1|kmStr=;czy_id=7|GoodsStr=;czy_id=7;par_id=0|"
        u"djStr= (1,0) |BeginDate=2026-03-01|EndDate=2026-03-01"_s;
    EXPECT_EQ(want, sent.lines().join(u'|'));
    EXPECT_EQ(u"2026-03-01 至 2026-03-01|甲公司|全部职员|全部仓库|全部部门"_s,
              test::textsOf(w.lblDate(), w.lblWldw(), w.lblZy(), w.lblCk(), w.lblBm()));
    // The rows with their derived prices; returns give positive prices.
    ASSERT_EQ(2, w.records().rowCount());
    const RecordSet& rows = w.records();
    EXPECT_EQ(u"2.5 2.825 10"_s, u"%1 %2 %3"_s.arg(rows.at(0, rows.fieldIndex(u"price"_s)).toDouble())
                                     .arg(rows.at(0, rows.fieldIndex(u"TaxPrice"_s)).toDouble())
                                     .arg(rows.at(1, rows.fieldIndex(u"price"_s)).toDouble()));
    // Refresh sends the same conditions again without the dialog.
    answerRows(goodsRows(kTopRows));
    w.btnRefurbish()->trigger();
    EXPECT_EQ(1, dialogs);
    ParamList again = lastParams();
    again.remove(u"czy_id"_s);
    EXPECT_EQ(want, again.lines().join(u'|'));
}

TEST_F(QueryWindowTest, TheRealDialogRunsModallyUntilOK) {
    TfrmQueryWindow::dialogRunner() = savedRunner;
    TfrmQueryWindow w(u"TfrmQXSDTJ"_s);
    bool keepShown = false;
    test::onNextModal([&](QWidget* modal) {
        auto* d = qobject_cast<TfrmSelectItems*>(modal);
        ASSERT_NE(nullptr, d);
        d->beginEdit()->setDate(QDate(2026, 3, 10));
        keepShown = d->keepDatesBox()->isVisible();
        d->btnOK()->click();
    });
    answerRows(goodsRows(kTopRows));
    w.btnQueryClick();
    EXPECT_TRUE(keepShown);
    EXPECT_EQ(u"2026-03-10"_s, lastParams().value(u"BeginDate"_s));
}

TEST_F(QueryWindowTest, ReversedRangeIsRefusedAndNothingIsSent) {
    TfrmQueryWindow w(u"TfrmQXSDTJ"_s);
    onDialog = [](TfrmSelectItems& d) {
        d.beginEdit()->setDate(QDate(2026, 3, 2));
        d.endEdit()->setDate(QDate(2026, 3, 1));
        return d.accept();
    };
    EXPECT_FALSE(w.runQuery(true));
    EXPECT_EQ(QStringList{u"开始日期不能大于结束日期！"_s}, script.messages());
    EXPECT_TRUE(procCalls().isEmpty());
    EXPECT_EQ(QString(), w.lblDate()->text());
    // A cancelled dialog changes nothing either.
    onDialog = [](TfrmSelectItems&) { return false; };
    EXPECT_FALSE(w.runQuery(true));
    EXPECT_TRUE(procCalls().isEmpty());
}

TEST_F(QueryWindowTest, SharedDatesChangeOnlyWhenSaveIsTicked) {
    TfrmQueryWindow w(u"TfrmQXSDTJ"_s);
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
    EXPECT_EQ(u"2026-02-01"_s, lastParams().value(u"BeginDate"_s));
    EXPECT_EQ(u"2026-03-01 2026-03-31"_s, shared());
    // The next dialog, here of another window, opens with the old dates; this time they are kept.
    TfrmQueryWindow other(u"TfrmQSPXSTJ"_s);
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
    EXPECT_EQ(u"2026-01-05 2026-01-06"_s, shared());
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

TEST_F(QueryWindowTest, QuickSearchInListModeSendsNoCategorySegmentAndKeepsTab) {
    TfrmQueryWindow w(u"TfrmQXSDTJ"_s);
    answerRows(treeRows({}));
    w.show();
    w.activateWindow();
    w.edQuick()->setFocus(Qt::OtherFocusReason);
    QCoreApplication::processEvents();
    ASSERT_TRUE(w.edQuick()->hasFocus());
    QTest::keyClick(w.edQuick(), Qt::Key_Tab);
    EXPECT_TRUE(w.edQuick()->hasFocus());
    // Other keys reach the box.
    QTest::keyClick(w.edQuick(), Qt::Key_A);
    EXPECT_EQ(u"a"_s, w.edQuick()->text());
    // No rows yet: list mode without the question.
    answerRows(goodsRows({}));
    w.btnListClick();
    EXPECT_EQ(u";czy_id=7;isList=1|层级显示"_s, goodsStr() + u'|' + w.btnList()->text());
    w.edQuick()->setText(u"可乐"_s);
    answerRows(goodsRows({}));
    w.quickSearch();
    EXPECT_EQ(u";czy_id=7;allfilter=可乐"_s, goodsStr());
    // A read-only box does not search.
    const int calls = static_cast<int>(procCalls().size());
    w.edQuick()->setReadOnly(true);
    w.quickSearch();
    EXPECT_EQ(calls, procCalls().size());
}

TEST_F(QueryWindowTest, TheTreeChoosesTheLevelAndTwoLevelsDownCloseBackWithRowMemory) {
    TfrmQueryWindow w(u"TfrmQXSDTJ"_s);
    answerRows(treeRows({{5, "饮料", 1, "5,"}, {7, "碳酸饮料", 2, "5,7,"}, {9, "食品", 1, "9,"}}));
    w.show();
    QString procedure;
    const ParamList tree = lastParams(&procedure);
    EXPECT_EQ(u"P_JXC_Get_Base"_s, procedure);
    EXPECT_EQ(u"SP|;czy_id=7;TreeView=1"_s, test::valuesOf(tree, u"QueryType,GoodsStr"_s));
    ASSERT_EQ(2, w.tvCategory()->topLevelItemCount());
    EXPECT_EQ(1, w.tvCategory()->topLevelItem(0)->childCount());
    answerRows(goodsRows({{0, 201, 7, "5,7,201,", "可口可乐", 1, 1, 1}}));
    w.treeNodeChosen(7);
    EXPECT_EQ(u";czy_id=7;par_id=7 5,7, 返回(&C)"_s,
              goodsStr() + u' ' + w.navigation().path + u' ' + w.btnExit()->text());
    answerRows(goodsRows({{3, 7, 5, "5,7,", "碳酸饮料", 1, 1, 1}}));
    w.btnUpLevelClick();
    EXPECT_EQ(u";czy_id=7;par_id=5"_s, goodsStr());
    answerRows(goodsRows(kTopRows));
    w.btnExitClick();
    EXPECT_EQ(u";czy_id=7;par_id=0"_s, goodsStr());
    answerRows(goodsRows(kTopRows));
    w.btnQueryClick();
    EXPECT_EQ(u"2026-03-01 至 2026-03-31"_s, w.lblDate()->text());  // the shared dates
    w.setFocusedRow(1);  // the category 饮料
    answerRows(goodsRows(
        {{3, 7, 5, "5,7,", "碳酸饮料", 1, 1, 1}, {0, 102, 5, "5,102,", "雪碧", 1, 1, 1}}));
    w.btnDownLevelClick();
    EXPECT_EQ(u";czy_id=7;par_id=5 5,"_s, goodsStr() + u' ' + w.navigation().path);
    EXPECT_EQ(u"返回(&C)"_s, w.btnExit()->text());
    EXPECT_EQ(0, w.focusedRow());
    answerRows(goodsRows({{0, 201, 7, "5,7,201,", "可口可乐", 1, 1, 1}}));
    w.btnDownLevelClick();
    EXPECT_EQ(u";czy_id=7;par_id=7 5,7,"_s, goodsStr() + u' ' + w.navigation().path);
    // Close inside a category goes up a level, the cursor back on the category entered.
    answerRows(goodsRows(
        {{3, 7, 5, "5,7,", "碳酸饮料", 1, 1, 1}, {0, 102, 5, "5,102,", "雪碧", 1, 1, 1}}));
    w.btnExitClick();
    EXPECT_EQ(u";czy_id=7;par_id=5"_s, goodsStr());
    EXPECT_EQ(0, w.focusedRow());
    EXPECT_TRUE(w.isVisible());
    answerRows(goodsRows(kTopRows));
    w.btnExitClick();
    EXPECT_EQ(u";czy_id=7;par_id=0"_s, goodsStr());
    EXPECT_EQ(1, w.focusedRow());
    EXPECT_EQ(u"退出(&C)"_s, w.btnExit()->text());
    // At the top it closes.
    const int calls = static_cast<int>(procCalls().size());
    w.btnExitClick();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(calls, procCalls().size());
}

TEST_F(QueryWindowTest, GoodsRowsOpenTheLedgerInsteadOfGoingDown) {
    TfrmQueryWindow w(u"TfrmQXSDTJ"_s);
    onDialog = [](TfrmSelectItems& d) {
        d.setPicker(PickerRole::Partner, 3, u"甲公司"_s);
        return d.accept();
    };
    answerRows(goodsRows(kTopRows));
    w.btnQueryClick();
    const ParamList parent = lastParams();
    w.setFocusedRow(0);  // 可乐, a goods row
    const RecordSet ledgerRows =
        test::recordSet({u"id:integer"_s, u"djType:integer"_s}, {{qint64(900), qint64(1)}});
    answerRows(ledgerRows);
    w.btnDownLevelClick();
    ASSERT_EQ(1u, children.size());
    auto* ledger = qobject_cast<TfrmQueryWindow*>(children[0].get());
    ASSERT_NE(nullptr, ledger);
    EXPECT_EQ(u"TfrmQXSMXZB"_s, ledger->descriptor().className);
    QString procedure;
    const ParamList sent = lastParams(&procedure);
    EXPECT_EQ(u"P_JXC_Get_XS"_s, procedure);
    EXPECT_EQ(u"XSMXZB|;isred=0|;czy_id=7;isSub=1;id=101"_s,
              test::valuesOf(sent, u"QueryType,filter,GoodsStr"_s));
    for (const char* key : {"wldwStr", "zyStr", "ckStr", "bmStr", "djStr", "BeginDate", "EndDate"})
        EXPECT_EQ(parent.value(s(key)), sent.value(s(key))) << key;
    EXPECT_EQ(u"可乐|甲公司|"_s + w.lblDate()->text(),
              test::textsOf(ledger->lblGoods(), ledger->lblWldw(), ledger->lblDate()));
    // The parent stays as it was.
    EXPECT_EQ(u"1 2"_s, u"%1 %2"_s.arg(ledger->records().rowCount()).arg(w.records().rowCount()));
    // The ledger's red-bill filter sends its index with the held conditions.
    ASSERT_NE(nullptr, ledger->cbred());
    ledger->show();
    answerRows(ledgerRows);
    ledger->cbred()->setCurrentIndex(2);
    const ParamList red = lastParams();
    EXPECT_EQ(u";isred=2|;czy_id=7;isSub=1;id=101"_s, test::valuesOf(red, u"filter,GoodsStr"_s));
    EXPECT_EQ(u"2"_s, clientConfig().ini().readString(u"销售明细账本"_s, u"cbredItemIndex"_s));
}

// Enter on a partner row of the balances opens that partner's ledger.
TEST_F(QueryWindowTest, PartnerRowsOpenThePartnerLedger) {
    TfrmQueryWindow w(u"TfrmQDWYSYF"_s);
    onDialog = [](TfrmSelectItems& d) { return d.accept(); };
    answerRows(test::recordSet({u"sonnum:integer"_s, u"id:integer"_s, u"dw_id:integer"_s,
                                u"dw_dwqm:text"_s},
                               {{qint64(0), qint64(203), qint64(203), u"丙公司"_s}}));
    w.btnQueryClick();
    w.setFocusedRow(0);
    answerRows(test::recordSet({u"id:integer"_s, u"djType:integer"_s}, {{qint64(3), qint64(1)}}));
    QTest::keyClick(w.dbgvX()->table(), Qt::Key_Return);
    ASSERT_EQ(1u, children.size());
    auto* ledger = qobject_cast<TfrmQueryWindow*>(children[0].get());
    ASSERT_NE(nullptr, ledger);
    EXPECT_EQ(u"TfrmQYSYFDWMX|YSYFDWMX|;czy_id=7;issub=1;id=203|丙公司"_s,
              ledger->descriptor().className + u'|' +
                  test::valuesOf(lastParams(), u"QueryType,wldwStr"_s) + u'|' +
                  ledger->lblWldw()->text());
}

TEST_F(QueryWindowTest, DrillDownWithoutRowsOrWithTheButtonHiddenDoesNothingAndFailuresKeepRows) {
    TfrmQueryWindow w(u"TfrmQXSDTJ"_s);
    w.btnQListClick();
    EXPECT_TRUE(children.empty());
    answerRows(goodsRows(kTopRows));
    w.btnQueryClick();
    const QString before = w.lastParams();
    transport->fail(u"ExecProcQuery"_s, u"数据库忙"_s);
    EXPECT_FALSE(w.runQuery(false, u"雪碧"_s));
    ASSERT_EQ(1, script.messages().size());
    EXPECT_TRUE(script.messages()[0].contains(u"数据库忙"_s)) << script.messages()[0].toStdString();
    EXPECT_EQ(u"2 "_s + before, u"%1 "_s.arg(w.records().rowCount()) + w.lastParams());
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
    TfrmQueryWindow w(u"TfrmQXSDTJ"_s);
    answerRows(goodsRows(kTopRows));
    w.btnQueryClick();
    const int calls = static_cast<int>(procCalls().size());
    w.setFocusedRow(0);  // goods 可乐
    script.answer(u"部分列表(可乐)"_s);
    w.btnListClick();
    EXPECT_EQ(QStringList{u"只能对一类商品进行列表！"_s}, script.messages());
    script.escape();
    w.btnListClick();
    EXPECT_FALSE(w.navigation().listMode);
    EXPECT_EQ(calls, procCalls().size());
    EXPECT_EQ((QStringList{u"全部列表"_s, u"部分列表(可乐)"_s}),
              script.records(PromptKind::Question).value(0).buttons);
    w.setFocusedRow(1);  // category 饮料
    script.answer(u"部分列表(饮料)"_s);
    answerRows(goodsRows({}));
    w.btnListClick();
    EXPECT_EQ(u";czy_id=7;isList=1;isList=1;par_id=5|层级显示"_s, goodsStr() + u'|' + w.btnList()->text());
    EXPECT_FALSE(w.tvCategory()->isVisible());
    // Back to levels without a question.
    answerRows(goodsRows(kTopRows));
    w.btnListClick();
    EXPECT_FALSE(w.navigation().listMode);
    EXPECT_EQ(u";czy_id=7;par_id=0|列表显示"_s, goodsStr() + u'|' + w.btnList()->text());
    script.answer(u"全部列表"_s);
    answerRows(goodsRows({}));
    w.btnListClick();
    EXPECT_EQ(u";czy_id=7;isList=1"_s, goodsStr());
}

TEST_F(QueryWindowTest, QuantityFilterIsStoredPerWindow) {
    {
        TfrmQueryWindow w(u"TfrmQXSDTJ"_s);
        ASSERT_NE(nullptr, w.cbqty());
        EXPECT_EQ(0, w.cbqty()->currentIndex());
        // Not shown yet: stored, but no query.
        w.cbqty()->setCurrentIndex(2);
        EXPECT_TRUE(procCalls().isEmpty());
        EXPECT_EQ(u"2"_s, clientConfig().ini().readString(u"销售单统计"_s, u"cbqtyItemIndex"_s));
    }
    TfrmQueryWindow again(u"TfrmQXSDTJ"_s);
    EXPECT_EQ(2, again.cbqty()->currentIndex());
    TfrmQueryWindow other(u"TfrmQSPXSTJ"_s);
    EXPECT_EQ(0, other.cbqty()->currentIndex());
    // Once shown a change runs the query with the new index.
    answerRows(treeRows({}));
    again.show();
    answerRows(goodsRows({}));
    again.cbqty()->setCurrentIndex(1);
    EXPECT_EQ(u";qty=1"_s, lastParams().value(u"filter"_s));
    EXPECT_EQ(u"1"_s, clientConfig().ini().readString(u"销售单统计"_s, u"cbqtyItemIndex"_s));
}

TEST_F(QueryWindowTest, LedgerRowsOpenTheirBillWithTheRight) {
    registerWindowClass(u"TfrmBillXSD"_s, [](QWidget*) { return new QWidget; });
    registerWindowClass(u"TfrmBillPDD"_s, [](QWidget*) { return new QWidget; });
    TfrmQueryWindow ledger(u"TfrmQXSMXZB"_s);
    ASSERT_NE(nullptr, ledger.btnBill());
    EXPECT_EQ(nullptr, ledger.cbqty());
    EXPECT_EQ(u"全部商品"_s, ledger.lblGoods()->text());
    answerRows(test::textRows({u"id"_s, u"djType"_s}, {{u"900"_s, u"1"_s}, {u"901"_s, u"42"_s}}));
    ledger.btnQueryClick();
    ledger.setFocusedRow(0);
    // Operator 7 holds no rights: refused.
    ledger.btnBillClick();
    EXPECT_EQ(QStringList{u"您没有执行该操作的权限!"_s}, script.messages());
    EXPECT_TRUE(children.empty());
    loginedUser().UserId = 1;
    ledger.btnBillClick();
    ASSERT_EQ(1u, children.size());
    EXPECT_EQ(u"900 1"_s, children[0]->property(kBillIdProperty).toString() + u' ' +
                              children[0]->property(kBillTypeProperty).toString());
    // A stocktake opens in the stocktake bill like any other kind.
    ledger.setFocusedRow(1);
    ledger.btnBillClick();
    ASSERT_EQ(2u, children.size()) << script.messages().join(u'|').toStdString();
    EXPECT_EQ(u"901 42"_s, children[1]->property(kBillIdProperty).toString() + u' ' +
                               children[1]->property(kBillTypeProperty).toString());
    // Hidden button: nothing.
    ledger.btnBill()->setVisible(false);
    ledger.btnBillClick();
    EXPECT_EQ(2u, children.size());
}

TEST_F(QueryWindowTest, EveryDescriptorIsARegisteredWindowClass) {
    registerQueryWindows();
    for (const QueryDescriptor& d : queryDescriptors()) {
        ASSERT_TRUE(windowClassRegistered(d.className)) << d.className.toStdString();
        std::unique_ptr<QWidget> w(createWindow(d.className, nullptr));
        // The stocktake (counts typed, a draft made) and the boss report (totals and charts) are
        // windows of their own, not reports.
        if (d.className == u"TfrmQKCPD2"_s || d.className == u"TfrmQLBBB"_s) {
            EXPECT_TRUE(qobject_cast<TfrmQKCPD2*>(w.get()) || qobject_cast<TfrmQLBBB*>(w.get()));
            continue;
        }
        auto* q = qobject_cast<TfrmQueryWindow*>(w.get());
        ASSERT_NE(nullptr, q) << d.className.toStdString();
        EXPECT_EQ(d.title, q->titleText());
        EXPECT_EQ(d.dialogPage, q->dialog()->page().caption) << d.className.toStdString();
        EXPECT_EQ(d.columns.size(), q->gridDefinition().columns.size());
        EXPECT_EQ(d.className + u"_dbgvX"_s, q->layoutKey());
    }
    EXPECT_TRUE(procCalls().isEmpty());
    // The function menu's query entries all open a window.
    int menuEntries = 0;
    for (const FunctionEntry& e : functionTable()) {
        if (e.kind != FunctionKind::Window || !e.className ||
            !QString::fromLatin1(e.className).startsWith(u"TfrmQ"_s))
            continue;
        ++menuEntries;
        EXPECT_TRUE(windowClassRegistered(QString::fromLatin1(e.className)))
            << e.code << " " << e.className;
    }
    EXPECT_GT(menuEntries, 100);
}

TEST_F(QueryWindowTest, PrintNeedsTheFirstSubRightAndHandsTheRowsAndConditionsToTheEngine) {
    const struct {
        int subRight;  // -1 for no row
        bool visible;
    } cases[] = {{-1, false}, {0, false}, {1, true}};
    for (const auto& c : cases) {
        RecordSet rights = c.subRight < 0
                               ? test::rightsRows({{"30041801", 1}})
                               : test::rightsRows({{"30041801", 1}, {"3004180101", c.subRight}});
        setOperatorRights(&rights);
        TfrmQueryWindow w(u"TfrmQXSDTJ"_s);
        w.setTag(30041801);
        answerRows(treeRows({}));
        w.show();
        EXPECT_EQ(c.visible, w.btnPrint()->isVisible()) << c.subRight;
        setOperatorRights(nullptr);
    }
    // The rows and the conditions go to the print engine.
    TfrmQueryWindow w(u"TfrmQXSDTJ"_s);
    onDialog = [](TfrmSelectItems& d) {
        d.setPicker(PickerRole::Partner, 3, u"甲公司"_s);
        return d.accept();
    };
    answerRows(goodsRows(kTopRows));
    w.btnQueryClick();
    const PrintHandler saved = TfrmXAbstract::printHandler();
    QString printed;  // template, the names of the rows, the partner; hidden fields printed
    TfrmXAbstract::printHandler() = [&](QWidget*, int, const RecordSet& header,
                                        const RecordSet& detail, const QString& file) {
        QStringList names;
        for (int r = 0; r < detail.rowCount(); ++r)
            names.append(detail.at(r, detail.fieldIndex(u"sp_spqm"_s)).toString());
        printed = file + u'|' + names.join(u',') + u'|' +
                  header.at(0, header.fieldIndex(u"往来单位"_s)).toString() +
                  (detail.hasField(u"par_jl"_s) || detail.hasField(u"sonnum"_s) ? u"|hidden"_s
                                                                                : u""_s);
        return 1;
    };
    w.btnPrint()->trigger();
    TfrmXAbstract::printHandler() = saved;
    EXPECT_EQ(u"销售单统计.QXF|可乐,饮料|甲公司"_s, printed);
}

TEST_F(QueryWindowTest, DialogPagesComposeTheirOwnConditions) {
    TfrmSelectItems exchange(u"TfrmSelectItems_XS4"_s);
    exchange.selectPage(u"销售换货单统计"_s);
    EXPECT_EQ(2, exchange.pageIndex());
    ASSERT_EQ(5, exchange.pickerEdits().size());
    QStringList kinds;
    pickerSelector() = [&kinds](const QString& kind, const QString&, QWidget*) {
        kinds.append(kind);
        return std::optional<PickerChoice>(PickerChoice{9, u"乙仓库"_s});
    };
    exchange.choosePicker(3);  // 出库仓库
    EXPECT_EQ(QStringList{u"cangku"_s}, kinds);
    EXPECT_EQ(u"乙仓库"_s, exchange.pickerEdits()[3]->text());
    ASSERT_TRUE(exchange.accept());
    EXPECT_EQ(u" (3,0) "_s, exchange.conditions().billTypes);
    EXPECT_EQ(u";id=;issub=1;Other=1"_s, exchange.conditions().string(PickerRole::Warehouse));
    EXPECT_EQ(9, exchange.conditions().record(PickerRole::OutWarehouse).id);
    query::QueryRequest r;
    r.descriptor = findQueryDescriptor(u"TfrmQXSHHDTJ"_s);
    r.operatorId = 7;
    r.conditions = exchange.conditions();
    EXPECT_EQ(u";qty=0;outckid=9"_s, query::buildQueryParams(r).value(u"filter"_s));
    TfrmSelectItems boxes(u"TfrmSelectItems_XS1"_s);
    boxes.selectPage(u"商品销售统计"_s);
    ASSERT_EQ(6, boxes.billBoxes().size());
    for (QCheckBox* b : boxes.billBoxes())
        b->setChecked(false);
    boxes.billBoxes()[3]->setChecked(true);
    ASSERT_TRUE(boxes.accept());
    EXPECT_EQ(u" (40,0) "_s, boxes.conditions().billTypes);
    boxes.billBoxes()[3]->setChecked(false);
    EXPECT_FALSE(boxes.accept());
    EXPECT_EQ(QStringList{u"至少选择一种单据！"_s}, script.messages());
    TfrmSelectItems plan(u"TfrmSelectItems"_s);
    plan.selectPage(u"商品智能补货计划"_s);
    auto* days = plan.findChild<QSpinBox*>(u"ex_days"_s);
    ASSERT_NE(nullptr, days);
    script.clearRecords();
    days->setValue(0);
    EXPECT_FALSE(plan.accept());
    EXPECT_EQ(QStringList{u"需求量天数录入错误，只能大于零！"_s}, script.messages());
    days->setValue(15);
    ASSERT_TRUE(plan.accept());
    EXPECT_TRUE(plan.conditions().extraFilter.contains(u";days=15"_s))
        << plan.conditions().extraFilter.toStdString();
    EXPECT_THROW(TfrmSelectItems(u"TfrmSelectItems_None"_s), DytError);
    EXPECT_THROW(boxes.selectPage(u"不存在的页面"_s), DytError);
}

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
                EXPECT_EQ(kind->name + u"统计"_s, p.caption);
            }
        }
    }
    EXPECT_GT(boxes, 10);
}

// The product's TCP transport with a record of the procedure queries sent through it.
class WatchedTcpTransport : public ITransport {
public:
    void open(const QString& host, int port) override { inner_.open(host, port); }
    void close() override { inner_.close(); }
    bool isOpen() const override { return inner_.isOpen(); }
    Response call(const QString& method, const QCborArray& args) override {
        if (method == u"ExecProcQuery"_s)
            procQueries.append({args.at(0).toString(), ParamList(args.at(1).toString())});
        return inner_.call(method, args);
    }
    QList<QPair<QString, ParamList>> procQueries;
private:
    TcpTransport inner_;
};

class QueryWindowE2E : public test::ServerFixture {
protected:
    void beforeConnect() override {
        auto transport = std::make_unique<WatchedTcpTransport>();
        watched = transport.get();
        dm.setTransport(std::move(transport));
    }
    WatchedTcpTransport* watched = nullptr;
};

TEST_F(QueryWindowE2E, TreeStatisticsAgainstTheServer) {
    settings().LoginDate = QDate(2026, 3, 31);
    query::resetSharedQueryDates();
    const auto savedRunner = TfrmQueryWindow::dialogRunner();
    TfrmQueryWindow::dialogRunner() = [](TfrmSelectItems& d) { return d.accept(); };
    addRecord("baseGoods", 5, "01", "饮料", 0, 1);
    addRecord("baseGoods", 101, "0101", "可乐", 5);
    {
        // The sales bill statistics: the goods categories come from the server.
        TfrmQueryWindow xs(u"TfrmQXSDTJ"_s);
        xs.show();
        ASSERT_EQ(1, xs.tvCategory()->topLevelItemCount())
            << script.messages().join(u'|').toStdString();
        EXPECT_EQ(u"饮料"_s, xs.tvCategory()->topLevelItem(0)->text(0));
        EXPECT_EQ(5, xs.treeRows().integer(u"id"_s));
        // The query sends its conditions; whatever the server answers, the window stays open.
        xs.runQuery(false);
        ASSERT_FALSE(watched->procQueries.isEmpty());
        const auto& [procedure, p] = watched->procQueries.last();
        EXPECT_EQ(u"P_JXC_Get_XS"_s, procedure);
        EXPECT_EQ(u"SPXSTJ|;czy_id=1;par_id=0|;czy_id=1;id=;issub=1;Other=1"_s,
                  test::valuesOf(p, u"QueryType,GoodsStr,wldwStr"_s));
        EXPECT_EQ(u" (1,0) "_s, p.value(u"djStr"_s));
        EXPECT_EQ(u"2026-03-01|2026-03-31"_s, test::valuesOf(p, u"BeginDate,EndDate"_s));
        EXPECT_TRUE(xs.isVisible());
        script.clearRecords();
    }
    TfrmQueryWindow::dialogRunner() = savedRunner;
    query::resetSharedQueryDates();
}

}  // namespace
}  // namespace dyt::client
