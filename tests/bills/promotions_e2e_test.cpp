// Promotion agreements against a real server: the save procedure's checks and its date overlap
// rule over the wire, its rights, the entry and list windows at the keyboard, and the promotion
// price a sales line takes within an agreement's dates.
#include "bills_support.h"
#include "client/base/frmbasecuxiao.h"
#include "client/bills/frmbillxsd.h"
#include "client/logic/promotions.h"
#include "uihelpers.h"

using namespace Qt::StringLiterals;
using namespace dyt::client;

namespace dyt::test {
namespace {

QString day(int offset) {
    return QDate::currentDate().addDays(offset).toString(u"yyyy-MM-dd"_s);
}

class PromotionE2E : public SalesServerFixture {
protected:
    void SetUp() override {
        SalesServerFixture::SetUp();
        settings().DefaultBillRows = 2;
        loadBillKinds(dm);
    }
    static promo::Agreement agreement(const QString& begin, const QString& end, bool gift = true) {
        promo::Agreement a;
        a.name = u"春季促销"_s;
        a.partnerId = kCustomerA;
        a.goodsId = kScrew;
        a.begin = begin;
        a.end = end;
        a.gift = gift;
        a.price = !gift;
        a.buy = 10;
        a.give = 1;
        a.promotionPrice = 3.5;
        return a;
    }
    // The server's refusal, empty when saved (the new id in lastId).
    QString save(const promo::Agreement& a) { return call(promo::saveParams(a)); }
    QString call(ParamList p) {
        try {
            lastId = dm.ExecProc(promo::text::procedure(), p, true);
            return {};
        } catch (const DytError& e) {
            return e.message();
        }
    }
    QString updateError(const QString& sql) {
        try {
            dm.ExecUpdate(sql);
            return {};
        } catch (const DytError& e) {
            return e.message();
        }
    }
    static void show(QWidget* w) {
        w->resize(1100, 650);
        setKeyWindow(w);
        w->show();
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w));
    }
    static void click(QToolBar* bar, QAction* action) {
        QTest::mouseClick(bar->widgetForAction(action), Qt::LeftButton);
    }
    qint64 lastId = 0;
};

TEST_F(PromotionE2E, OverlappingDatesOfTheSameKindAreRefusedWhereverTheyLie) {
    ASSERT_EQ(QString(), save(agreement(u"2024-03-10"_s, u"2024-03-20"_s)));
    const qint64 first = lastId;
    const struct {
        const char* begin;
        const char* end;
        bool gift;
        qint64 partner;
        bool refused;
    } cases[] = {
        {"2024-03-12", "2024-03-15", true, kCustomerA, true},    // inside
        {"2024-03-01", "2024-03-31", true, kCustomerA, true},    // around
        {"2024-03-01", "2024-03-10", true, kCustomerA, true},    // touching the begin
        {"2024-03-20", "2024-03-25", true, kCustomerA, true},    // touching the end
        {"2024-03-01", "2024-03-09", true, kCustomerA, false},   // before
        {"2024-03-21", "2024-03-31", true, kCustomerA, false},   // after
        {"2024-03-12", "2024-03-15", false, kCustomerA, false},  // the other kind
        {"2024-03-12", "2024-03-15", true, kCustomerB, false},   // another partner
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.begin) + " " + c.end);
        promo::Agreement a =
            agreement(QString::fromLatin1(c.begin), QString::fromLatin1(c.end), c.gift);
        a.partnerId = c.partner;
        const QString error = save(a);
        EXPECT_EQ(c.refused, error.contains(u"日期不能重叠"_s)) << error.toStdString();
        if (error.isEmpty()) {
            ASSERT_EQ(QString(), call(promo::deleteParams(lastId)));
        }
    }
    EXPECT_EQ(1, number(u"SELECT count(*) FROM baseCuXiao WHERE del = 0"_s));
    // A stopped agreement blocks nothing.
    dm.ExecUpdate(promo::toggleStopSql({first}));
    EXPECT_EQ(QString(), save(agreement(u"2024-03-15"_s, u"2024-03-25"_s)));
}

TEST_F(PromotionE2E, TheServerChecksTheValues) {
    const auto with = [](const std::function<void(promo::Agreement&)>& change) {
        promo::Agreement a = agreement(u"2024-05-01"_s, u"2024-05-31"_s);
        change(a);
        return a;
    };
    const struct {
        promo::Agreement a;
        const char* message;
    } cases[] = {
        {with([](auto& a) { a.name = u"  "_s; }), "请输入促销名称"},
        {with([](auto& a) { a.end = u"2024-04-30"_s; }), "开始日期不能大于结束日期"},
        {with([](auto& a) { a.begin = u"2024-02-30"_s; }), "开始日期不是有效的日期：2024-02-30"},
        {with([](auto& a) { a.gift = false; }), "请至少选择一种促销方式！"},
        {with([](auto& a) { a.buy = -1; }), "购买数量不能小于 0"},
        {with([](auto& a) { a.give = 0; }), "买赠促销的购买数量和赠送数量必须大于 0"},
        {with([](auto& a) { a.promotionPrice = -2; }), "促销价不能小于 0"},
        {with([](auto& a) {
             a.gift = false;
             a.price = true;
             a.promotionPrice = 0;
         }),
         "价格促销的促销价格必须大于 0"},
        {with([](auto& a) { a.goodsId = 999; }), "商品[999]不存在"},
        {with([](auto& a) { a.partnerId = 0; }), "请选择促销客户"},
        {with([](auto& a) { a.id = 77; }), "促销协议[77]不存在或已被删除"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(QString::fromUtf8(c.message), save(c.a));
    EXPECT_EQ(0, number(u"SELECT count(*) FROM baseCuXiao"_s));
}

TEST_F(PromotionE2E, AnOperatorNeedsTheWindowsSubRights) {
    ParamList user;
    user.setValue(u"id"_s, u"2"_s);
    ASSERT_GE(dm.ExecProc(u"p_sys_Up_User"_s, user, true), 0);
    const auto grant = [this](const QString& codes) {
        ASSERT_EQ(QString(), logIn(dm, 1));
        dm.ExecUpdate(
            u"DELETE FROM sysPurview WHERE userid = 2 AND menuid IN (SELECT id FROM "
            "sysMenu WHERE code IN (%1))"_s.arg(codes));
        dm.ExecUpdate(
            u"INSERT INTO sysPurview(userid, menuid, isbj, iscygn, openCount) SELECT 2, "
            "id, 1, 0, 0 FROM sysMenu WHERE code IN (%1)"_s.arg(codes));
        ASSERT_EQ(QString(), logIn(dm, 2));
    };
    const QString refused = u"您没有执行该操作的权限!"_s;
    ASSERT_EQ(QString(), logIn(dm, 2));
    EXPECT_EQ(refused, save(agreement(day(0), day(1))));
    grant(u"'4015', '401501'"_s);
    ASSERT_EQ(QString(), save(agreement(day(0), day(1))));
    promo::Agreement changed = agreement(day(0), day(2));
    changed.id = lastId;
    EXPECT_EQ(refused, save(changed));
    EXPECT_EQ(refused, call(promo::deleteParams(changed.id)));
    EXPECT_EQ(refused, updateError(promo::toggleStopSql({changed.id})));
    grant(u"'401502', '401503'"_s);
    EXPECT_EQ(QString(), save(changed));
    // Stopped, it lets another run over its dates, and may not be taken back while that one runs.
    EXPECT_EQ(QString(), updateError(promo::toggleStopSql({changed.id})));
    ASSERT_EQ(QString(), save(agreement(day(1), day(3))));
    EXPECT_TRUE(updateError(promo::toggleStopSql({changed.id})).contains(u"日期不能重叠"_s));
    EXPECT_EQ(QString(), call(promo::deleteParams(lastId)));
    EXPECT_EQ(QString(), updateError(promo::toggleStopSql({changed.id})));
    EXPECT_EQ(QString(), call(promo::deleteParams(changed.id)));
    EXPECT_EQ(u"%1 0 1|%2 0 1"_s.arg(day(2), day(3)),
              rowsOf(query(u"SELECT EndDate, isStop, del FROM baseCuXiao ORDER BY id"_s),
                     u"EndDate,isStop,del"_s));
}

TEST_F(PromotionE2E, AnAgreementEnteredStoppedAndDeletedAtTheKeyboard) {
    {
        TfrmBillCuXiao entry;
        show(&entry);
        entry.edPartner()->setFocus();
        typeKeys(u"KH201"_s);
        pickNext(u"KH201"_s);
        pressKey(Qt::Key_Return);
        ASSERT_EQ(entry.edName(), entry.focusWidget());
        typeKeys(u"春季促销"_s);
        entry.deEnd()->setFocus();
        pressKey(Qt::Key_Up);  // the year section: one year on
        entry.edGoods()->setFocus();
        typeKeys(u"SP101"_s);
        pressKey(Qt::Key_Return);
        ASSERT_EQ(1, entry.goodsRows().size()) << script.messages().join(u'|').toStdString();
        for (const char* figure : {"10", "1"}) {
            typeKeys(QString::fromLatin1(figure));
            pressKey(Qt::Key_Return);
        }
        pressKey(Qt::Key_Return);  // the rule's words as they came
        EXPECT_EQ(entry.edGoods(), QApplication::focusWidget());
        click(entry.toolBar(), entry.btnSave());
        EXPECT_EQ(u"保存成功！"_s, script.messages().join(u'|'));
        EXPECT_TRUE(entry.goodsRows().isEmpty());
        // Again with a new goods and the one just saved: "否" at the second line stops the pass,
        // which reports what it saved and keeps the line.
        for (const char* code : {"SP102", "SP101"}) {
            entry.edGoods()->setFocus();
            typeKeys(QString::fromLatin1(code));
            pressKey(Qt::Key_Return);
            for (const char* figure : {"5", "1"}) {
                typeKeys(QString::fromLatin1(figure));
                pressKey(Qt::Key_Return);
            }
        }
        script.answer(u"否(&C)"_s, promo::text::lineExists(2, u"螺丝"_s));
        click(entry.toolBar(), entry.btnSave());
        EXPECT_EQ(u"保存成功！|本次共计保存成功 1 条"_s, script.messages().join(u'|'));
        EXPECT_EQ(1, entry.goodsRows().size());
    }
    const QString end = QDate::currentDate().addYears(1).toString(u"yyyy-MM-dd"_s);
    EXPECT_EQ(
        u"春季促销 201 101 %1 %2 1 0 10 1 买 10 赠 1 0|春季促销 201 102 %1 %2 1 0 5 1 买 5 赠 1 0"_s
            .arg(day(0), end),
        rowsOf(query(u"SELECT * FROM baseCuXiao ORDER BY id"_s),
               u"name,khid,goodsid,BeginDate,EndDate,ismzcx,isjgcx,gmsl,zssl,mzsm,isStop"_s));
    // The list: the first agreement stopped leaves the list until stopped ones are included,
    // then it is deleted.
    TfrmBaseCUXiao list;
    list.setTag(promo::kFunctionCode);
    show(&list);
    ASSERT_EQ(2, list.model()->rowCount());
    list.dbgvX()->table()->setFocus();
    list.setFocusedRow(0);
    click(list.toolBar(), list.btnStop());
    EXPECT_EQ(1, list.model()->rowCount());
    QTest::mouseClick(list.cbStopped(), Qt::LeftButton);
    ASSERT_EQ(2, list.model()->rowCount());
    test::walkStep(u"promotions"_s);
    EXPECT_EQ(u"1 已停用|2 正常"_s, rowsOf(list.records(), u"id,stopName"_s));
    // The second changed in its editor, opened by Enter on its row: a begin after the end is
    // refused and the editor stays; a new quantity is saved with its rule's words.
    list.dbgvX()->table()->setFocus();
    list.setFocusedRow(1);
    onNextModal([](QWidget* w) {
        auto* editor = qobject_cast<TfrmBaseCuXiaoSet*>(w);
        ASSERT_NE(nullptr, editor);
        editor->deBegin()->setFocus();
        for (Qt::Key k : {Qt::Key_Up, Qt::Key_Up})
            QTest::keyClick(editor->deBegin(), k);
        QTest::mouseClick(editor->btnOK(), Qt::LeftButton);
        EXPECT_TRUE(editor->isVisible());
        for (Qt::Key k : {Qt::Key_Down, Qt::Key_Down})
            QTest::keyClick(editor->deBegin(), k);
        editor->edBuy()->setFocus();
        editor->edBuy()->selectAll();
        typeInto(editor->edBuy(), u"20"_s);
        QTest::mouseClick(editor->btnOK(), Qt::LeftButton);
    });
    pressKey(Qt::Key_Return);
    EXPECT_EQ(u"开始日期不能大于结束日期"_s, script.messages().last());
    EXPECT_EQ(u"%1 20 买 20 赠 1"_s.arg(day(0)),
              rowsOf(query(u"SELECT BeginDate, gmsl, mzsm FROM baseCuXiao WHERE id = 2"_s),
                     u"BeginDate,gmsl,mzsm"_s));
    list.dbgvX()->table()->setFocus();
    list.setFocusedRow(0);
    script.answer(u"确定(&O)"_s, promo::text::confirmDelete());
    pressKey(Qt::Key_Delete);
    EXPECT_EQ(u"2 正常"_s, rowsOf(list.records(), u"id,stopName"_s));
    EXPECT_EQ(u"1 1|2 0"_s,
              rowsOf(query(u"SELECT id, del FROM baseCuXiao ORDER BY id"_s), u"id,del"_s));
}

TEST_F(PromotionE2E, ASalesLineTakesThePromotionPriceOnlyWithinARunningAgreement) {
    settings().HasPromotions = true;
    const struct {
        const char* what;
        int from, to;
        bool stopped;
        const char* customer;
        bool promoted;
    } cases[] = {
        {"none", 0, 0, false, "KH201", false},
        {"within the dates", -1, 1, false, "KH201", true},
        {"a member of the class", -1, 1, false, "KH202", true},
        {"after the end", -10, -2, false, "KH201", false},
        {"before the begin", 2, 9, false, "KH201", false},
        {"stopped", -1, 1, true, "KH201", false},
        {"outside the class", -1, 1, false, "KH203", false},
    };
    QString normal;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        dm.ExecUpdate(u"UPDATE baseCuXiao SET del = 1"_s);
        if (c.from != 0 || c.to != 0) {
            promo::Agreement a = agreement(day(c.from), day(c.to), false);
            a.partnerId = kClass;
            ASSERT_EQ(QString(), save(a));
            if (c.stopped)
                dm.ExecUpdate(promo::toggleStopSql({lastId}));
        }
        TfrmBillXSD bill;
        bill.OpenBill(1, 0, false);
        bill.edBillCode()->setText(u"XS-P"_s);
        show(&bill);
        bill.headerControl(u"eddw"_s)->setFocus();
        const QString customer = QString::fromLatin1(c.customer);
        typeKeys(customer);
        pickNext(customer);
        pressKey(Qt::Key_Return);
        for (int i = 0; i < 40 && bill.focusWidget() != bill.dbgvX()->table(); ++i)
            pressKey(Qt::Key_Return);
        typeKeys(u"SP101"_s);
        pressKey(Qt::Key_Return);
        ASSERT_EQ(u"101"_s, bill.cell(0, u"goodsid"_s));
        const QString price = bill.cell(0, u"Price"_s);
        if (normal.isEmpty())
            normal = price;
        EXPECT_EQ(c.promoted ? u"3.5"_s : normal, price);
        EXPECT_NE(u"3.5"_s, normal);
        bill.setModified(false);
    }
}

}  // namespace
}  // namespace dyt::test
