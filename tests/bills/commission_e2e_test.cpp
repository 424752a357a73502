// Sales commission against a real server, at the keyboard: a plan of 5 % of the sales amount is
// added in "提成方案管理" (400701) and given to the employee 张三; a sale of 4 screws at 20 by
// 张三 is posted; "职员提成统计" (400703) shows 张三 with 80 sold and 4.00 commission.
#include "menubill_fixture.h"
#include "client/base/frmbasetcfagl.h"
#include "client/bills/goodsbill.h"
#include "client/logic/queryconditions.h"
#include "client/queries/frmqxstctj.h"
#include "client/shell/functions.h"
#include "client/shell/mainwindow.h"
#include "server/records.h"
#include "uihelpers.h"

using namespace Qt::StringLiterals;

namespace dyt::client {
namespace {

using test::pickNext;
using test::pressKey;
using test::typeKeys;

class CommissionE2E : public test::MenuBillFixture {
protected:
    void addBaseData() override {
        addGoods(101, "SP101", "螺丝", 1011, "个");
        addRecord("baseWLDW", 201, "K1", "甲客户");
        addRecord("baseCK", 301, "CK1", "总仓");
        addRecord("baseZY", 2, "002", "张三", 0, 0, {{"name", u"'张三'"_s}});
    }
    void SetUp() override {
        MenuBillFixture::SetUp();
        if (HasFatalFailure())
            return;
        dm.ExecUpdate(
            u"INSERT INTO baseGoodsStock(goodsid, stockid, goodspc, qty, price, total) VALUES "
            "(101, 301, 0, 10, 10, 100)"_s);
    }
    static void click(QToolBar* bar, QAction* action) {
        QTest::mouseClick(bar->widgetForAction(action), Qt::LeftButton);
    }
};

TEST_F(CommissionE2E, APlanGivenToTheEmployeeEarnsOnHisPostedSale) {
    // 400701: Insert adds a plan; the editor filled by keys and closed with its OK button.
    auto* plans = openFromMenu<TfrmBaseTCFAGL>(400701);
    ASSERT_NE(nullptr, plans) << messages().toStdString();
    plans->dbgvX()->table()->setFocus();
    bool edited = false;
    test::onNextModal([&edited](QWidget* w) {
        auto* editor = qobject_cast<TfrmBaseTCFASet*>(w);
        EXPECT_NE(nullptr, editor);
        if (editor) {
            test::typeInto(editor->edCode(), u"Z5"_s);
            test::typeInto(editor->edName(), u"张三提成"_s);
            QTest::keyClick(editor->cbKind(), Qt::Key_Up);  // 职员提成方案
            EXPECT_EQ(u"职员提成方案"_s, editor->cbKind()->currentText());
            EXPECT_EQ(u"按销售金额比例"_s, editor->cbWay()->currentText());
            EXPECT_EQ(u"提成比例(%)："_s, editor->lblValue()->text());
            test::typeInto(editor->edValue(), u"5"_s);
            QTest::mouseClick(editor->btnOK(), Qt::LeftButton);
            edited = true;
        }
        if (w->isVisible())
            w->close();
    });
    QTest::keyClick(plans->dbgvX()->table(), Qt::Key_Insert);
    ASSERT_TRUE(edited);
    ASSERT_EQ(1, plans->model()->rowCount()) << messages().toStdString();
    const commission::Plan plan = plans->focusedPlan();
    EXPECT_EQ(u"Z5 张三提成 1 1 5"_s, u"%1 %2 %3 %4 %5"_s.arg(plan.code, plan.name)
                                           .arg(plan.kind)
                                           .arg(plan.way)
                                           .arg(plan.value));

    // F3 lists the employees; Space ticks 张三, OK gives him the plan.
    plans->dbgvX()->table()->setFocus();
    bool assigned = false;
    test::onNextModal([&assigned](QWidget* w) {
        auto* dialog = qobject_cast<TfrmBaseTCFPSet*>(w);
        EXPECT_NE(nullptr, dialog);
        int row = -1;
        for (int r = 0; dialog && r < dialog->records()->rowCount(); ++r) {
            if (dialog->records()->item(r, 2)->text() == u"张三"_s)
                row = r;
        }
        EXPECT_GE(row, 0);
        if (row >= 0) {
            // Down to 张三's row from the first, Space ticks him.
            for (int i = 0; i < row; ++i)
                QTest::keyClick(dialog->records(), Qt::Key_Down);
            QTest::keyClick(dialog->records(), Qt::Key_Space);
            for (int r = 0; r < dialog->records()->rowCount(); ++r) {
                EXPECT_EQ(r == row ? Qt::Checked : Qt::Unchecked,
                          dialog->records()->item(r, 0)->checkState());
            }
            QTest::mouseClick(dialog->btnOK(), Qt::LeftButton);
            assigned = true;
        }
        if (w->isVisible())
            w->close();
    });
    // The workspace is active again once the editor has closed.
    test::setKeyWindow(main.get());
    main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
    plans->dbgvX()->table()->setFocus();
    pressKey(Qt::Key_F3);
    ASSERT_TRUE(assigned) << messages().toStdString();
    EXPECT_EQ(plan.id, number(u"SELECT tcid FROM basetcAssign WHERE tclxid = 1 AND objid = 2"_s))
        << messages().toStdString();

    // The sale by 张三: 4 × 20, posted by Ctrl+S.
    auto* bill = openFromMenu<TfrmGoodsBill>(2009);
    ASSERT_NE(nullptr, bill);
    bill->headerControl(u"eddw"_s)->setFocus();
    typeKeys(u"K1"_s);
    pickNext(u"K1"_s);
    pressKey(Qt::Key_Return);
    bill->headerControl(u"edjsr"_s)->setFocus();
    typeKeys(u"002"_s);
    pickNext(u"002"_s);
    pressKey(Qt::Key_Return);
    EXPECT_EQ(2, bill->headerId(u"edjsr"_s));
    for (int i = 0; i < 40 && !gridFocused(bill); ++i)
        pressKey(Qt::Key_Return);
    ASSERT_TRUE(gridFocused(bill));
    for (int i = 0; i < 40 && cursorField(bill) != u"goodsname"_s; ++i)
        pressKey(Qt::Key_Return);
    typeKeys(u"SP101"_s);
    pressKey(Qt::Key_Return);
    ASSERT_EQ(u"qty"_s, cursorField(bill));
    typeKeys(u"4"_s);
    pressKey(Qt::Key_Return);
    ASSERT_EQ(u"Price"_s, cursorField(bill));
    typeKeys(u"20"_s);
    pressKey(Qt::Key_Return);
    qint64 sale = 0;
    QObject::connect(bill, &TfrmBillAbstract::billSaved, [&sale](qint64 id) { sale = id; });
    bill->dbgvX()->table()->setFocus();
    pressKey(Qt::Key_S, Qt::ControlModifier);
    ASSERT_GT(sale, 0) << messages().toStdString();

    // 400703: the query's conditions taken as they come; one row, 张三's.
    auto* stats = openFromMenu<TfrmQXSTCTJ>(400703);
    ASSERT_NE(nullptr, stats);
    EXPECT_TRUE(stats->byEmployee());
    EXPECT_EQ(u"职员提成统计"_s, stats->titleText());
    test::onNextModal([](QWidget* w) {
        QTest::mouseClick(static_cast<TfrmBaseDialog*>(w)->btnOK(), Qt::LeftButton);
    });
    click(stats->toolBar(), stats->btnQuery());
    const RecordSet& rs = stats->records();
    ASSERT_EQ(1, stats->model()->rowCount()) << messages().toStdString();
    EXPECT_EQ(u"张三|80|4"_s,
              test::rowText(rs, stats->model()->rawRow(0), u"fullname,total,tcTotal"_s));
    test::walkStep(u"employee commission"_s);
}

TEST_F(CommissionE2E, ThePlanCallsNeedTheirRightsWhateverTheClientSends) {
    ParamList user;
    user.setValue(u"id"_s, u"2"_s);
    ASSERT_GE(dm.ExecProc(u"p_sys_Up_User"_s, user, true), 0);
    const auto grant = [this](const QString& codes) {
        ASSERT_EQ(QString(), test::logIn(dm, 1));
        dm.ExecUpdate(
            u"INSERT INTO sysPurview(userid, menuid, isbj, iscygn, openCount) SELECT 2, "
            "id, 1, 0, 0 FROM sysMenu WHERE code IN (%1)"_s.arg(codes));
        ASSERT_EQ(QString(), test::logIn(dm, 2));
    };
    const auto refusal = [this](const QString& procedure, ParamList p) {
        try {
            dm.ExecProc(procedure, p, true);
            return QString();
        } catch (const DytError& e) {
            return e.message();
        }
    };
    commission::Plan plan;
    plan.code = u"G1"_s;
    plan.name = u"商品1%"_s;
    plan.value = 1;
    const QString refused = u"您没有执行该操作的权限!"_s;
    ASSERT_EQ(QString(), test::logIn(dm, 2));
    EXPECT_EQ(refused, refusal(commission::text::saveProcedure(), commission::saveParams(plan)));
    grant(u"'400701', '40070101'"_s);
    ASSERT_EQ(QString(), refusal(commission::text::saveProcedure(), commission::saveParams(plan)));
    const qint64 id = qint64(number(u"SELECT id FROM basetcIndex WHERE code = 'G1'"_s));
    // Giving the plan is a change (02); the goods editor's right gives goods plans only.
    const ParamList toGoods = commission::assignParams(commission::kGoodsPlan, 101, id);
    EXPECT_EQ(refused, refusal(commission::text::assignProcedure(), toGoods));
    EXPECT_EQ(refused, refusal(commission::text::saveProcedure(), commission::deleteParams(id)));
    grant(u"'1001', '100102'"_s);
    EXPECT_EQ(QString(), refusal(commission::text::assignProcedure(), toGoods));
    EXPECT_EQ(refused, refusal(commission::text::assignProcedure(),
                               commission::assignParams(commission::kEmployeePlan, 2, id)));
    grant(u"'40070102', '40070103'"_s);
    EXPECT_EQ(u"该方案不是职员提成方案，不能指定给职员"_s,
              refusal(commission::text::assignProcedure(),
                      commission::assignParams(commission::kEmployeePlan, 2, id)));
    EXPECT_EQ(u"该提成方案已被 1 个商品或职员使用，不能删除"_s,
              refusal(commission::text::saveProcedure(), commission::deleteParams(id)));
    EXPECT_EQ(1, number(u"SELECT count(*) FROM basetcAssign"_s));
}

}  // namespace
}  // namespace dyt::client
