// The alerts window against a real server, worked at the keyboard: the kinds run as the arrow keys
// reach them, bills still owed are listed from their payment date less the advance days on, the
// bill of a row opens, the settings are stored on closing (also for an operator who holds only the
// alerts' right) and the window opens by itself after login when so set.
#include <QCheckBox>
#include <QComboBox>
#include <QMdiArea>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>

#include "client/bills/billkinds.h"
#include "client/bills/frmbillabstract.h"
#include "client/common/gridview.h"
#include "client/common/windowregistry.h"
#include "client/logic/alerts.h"
#include "client/logic/localcache.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/session.h"
#include "client/queries/frmquery.h"
#include "client/queries/frmsysbjb.h"
#include "client/shell/mainwindow.h"
#include "client/shell/settingshooks.h"
#include "server/posting_packets.h"
#include "support/serverfixture.h"
#include "uihelpers.h"

namespace dyt::client {
namespace {

QString day(int offset) {
    return QDate::currentDate().addDays(offset).toString(u"yyyy-MM-dd"_s);
}

class AlertsE2E : public test::ServerFixture {
protected:
    void SetUp() override {
        ServerFixture::SetUp();
        addGoods(101, "SP101", "螺丝", 1011, "个");
        addRecord("baseGoods", 102, "SP102", "牛奶", 0, 0, {{"yxqNum", u"30"_s}, {"jxqNum", u"5"_s}});
        addRecord("baseWLDW", 201, "K1", "甲客户");
        addRecord("baseWLDW", 202, "K2", "乙客户", 0, 0, {{"ys_xyd", u"1"_s}});
        addRecord("baseWLDW", 203, "G1", "华东五金");
        addRecord("baseCK", 301, "CK1", "总仓");
        addRecord("baseCK", 302, "CK2", "门店");
        addRecord("baseZY", 2, "002", "张三");
        addRecord("baseZY", 3, "003", "李四");
        addRecord("baseBM", 401, "BM1", "业务部");
        const QDate back = QDate::currentDate().addMonths(-2);
        ASSERT_EQ(0, openAccounts(QDate(back.year(), back.month(), 1)));
        loadBillKinds(dm);
        registerBillWindows();
        registerQueryWindows();
        post(5, "P1", 203, 4, 0);
        // Sales of 9.0 each: overdue 40 days, due in 2 and in 5 days, one paid in full and one
        // payable on its own date.
        for (const auto& [code, partner, due, paid] :
             {std::tuple{"S-40", 201, -40, 0.0}, {"S+2", 202, 2, 0.0}, {"S+5", 201, 5, 0.0},
              {"S-10paid", 201, -10, 9.0}, {"S=date", 201, -20, 0.0}})
            post(1, code, partner, due, paid);
        dm.ExecUpdate(u"UPDATE baseGoods SET warnUp = 1 WHERE id = 101"_s);
        dm.ExecUpdate(u"INSERT INTO baseGoodsStock(goodsid, stockid, qty, price, outdate) VALUES "
                      "(102, 301, 3, 2, '%1'), (102, 301, 4, 2, '%2')"_s.arg(day(-26), day(-24)));
        loginedUser().ProfileName = u"dytv1_1"_s;
        loginedUser().ProfileCaption = caption();
        cache = std::make_unique<TLocalCache>(programDir.path(), &dm);
        cache->OpenLocalCache();
        ASSERT_TRUE(LoadSettings());
        savedHost = queryChildHost();
        queryChildHost() = [this](QWidget* w) { opened.emplace_back(w); };
    }
    void TearDown() override {
        window.reset();
        opened.clear();
        queryChildHost() = savedHost;
        cache.reset();
        ServerFixture::TearDown();
    }
    // A bill of 1 × 9 (sales) or 10 × 5 (purchase) dated 20 days ago, payable `due` days from
    // today, with `paid` paid at once.
    void post(int djType, const char* code, qint64 partner, int due, double paid) {
        const QByteArray date = day(-20).toLatin1();
        server::test::GoodsBill b = server::test::goodsBill(
            djType, date.constData(), partner,
            {djType == 1 ? server::test::GoodsLine{101, 1, 9} : server::test::GoodsLine{101, 10, 5}});
        if (paid > 0)
            b.accounts = {{8, paid}};
        b.code = QString::fromLatin1(code);
        ParamList header = server::test::goodsBillParams(b);
        header.setValue(u"sfkDate"_s, day(due));
        RecordSet lines = server::test::goodsLinesPacket(b);
        const RecordSet accounts = server::test::accountPacket(b.accounts);
        dm.ExecService(u"QMXService"_s, u"SaveToDB"_s, header, &lines, &accounts);
    }
    void open() {
        window = std::make_unique<TfrmsysBJB>();
        window->resize(1200, 600);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    // Walks the kind tree with the arrow keys to the kind (each kind passed runs as well).
    void goTo(int kind) {
        QTreeWidget* tree = window->tvCategory();
        tree->setFocus();
        QTest::keyClick(tree, Qt::Key_End);
        for (int k = alerts::kKindCount; k > kind; --k)
            QTest::keyClick(tree, Qt::Key_Up);
        ASSERT_EQ(kind, window->kind());
    }
    void typeDays(QSpinBox* edit, int days) {
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(edit, QString::number(days));
    }
    // The field of every row shown, sorted, joined by spaces.
    QString shown(const char* field) const {
        QStringList out;
        const RecordSet& rs = window->records();
        for (int r = 0; r < window->model()->rowCount(); ++r)
            out << rs.at(window->model()->rawRow(r), rs.fieldIndex(QString::fromLatin1(field)))
                       .toString();
        out.sort();
        return out.join(u' ');
    }

    std::unique_ptr<TLocalCache> cache;
    std::unique_ptr<TfrmsysBJB> window;
    std::vector<std::unique_ptr<QWidget>> opened;
    ChildWindowHost savedHost;
};

TEST_F(AlertsE2E, KindsListWhatIsDueFromThePaymentDateLessTheAdvanceDays) {
    open();
    struct Case {
        int kind;
        int days;  // typed into the kind's advance-day field (kinds 3 to 5)
        int settlement;
        const char* field;
        const char* listed;
    } cases[] = {
        // Receivables: owed and due within the advance days, or overdue; paid bills never.
        {alerts::kOverdueReceivables, 3, 0, "code", "S+2 S-40"},
        {alerts::kOverdueReceivables, 1, 0, "code", "S-40"},
        {alerts::kOverdueReceivables, 5, 0, "code", "S+2 S+5 S-40"},
        {alerts::kOverdueReceivables, 3, 1, "code", ""},
        {alerts::kOverduePayables, 3, 0, "code", ""},
        {alerts::kOverduePayables, 4, 0, "code", "P1"},
        // Shelf life 30 less 5 own days: the batch of 3 made 26 days ago is due, the batch of 4
        // made 24 days ago only a day ahead.
        {alerts::kShelfLife, 0, 0, "Qty", "3"},
        {alerts::kShelfLife, 1, 0, "Qty", "3 4"},
        // A receivable limit of 0 is no limit.
        {alerts::kReceivableAboveLimit, 0, 0, "dw_dwqm", "乙客户"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(u"%1/%2/%3"_s.arg(c.kind).arg(c.days).arg(c.settlement).toStdString());
        settings().SettlementMode = c.settlement;
        if (c.kind <= alerts::kOverduePayables)
            typeDays(window->edDays(c.kind - alerts::kShelfLife), c.days);
        goTo(c.kind);
        test::walkStep(u"alerts-kind%1-days%2"_s.arg(c.kind).arg(c.days));
        EXPECT_EQ(QString::fromUtf8(c.listed), shown(c.field));
        EXPECT_EQ(alerts::kindName(c.kind), window->lblKind()->text());
    }
    EXPECT_TRUE(script.messages().isEmpty()) << script.messages().join(u'|').toStdString();
}

TEST_F(AlertsE2E, StockLimitsFollowTheWarehouseAndOnlyBillRowsOpenTheirBill) {
    open();
    // Kind 1 is shown at once: 5 of the 10 bought remain, 4 above the upper limit 1, in 总仓.
    ASSERT_EQ(alerts::kStockAbove, window->kind());
    EXPECT_EQ(u"SP101|5|1|4"_s,
              u"%1|%2|%3|%4"_s.arg(shown("sp_spbh"), shown("KCQty"), shown("warnUp"), shown("qty")));
    // 总仓, 门店, then back to all warehouses.
    for (const auto& [key, listed] : {std::pair{Qt::Key_Down, "螺丝"}, {Qt::Key_Down, ""},
                                      {Qt::Key_Home, "螺丝"}}) {
        window->cbWarehouse()->setFocus();
        QTest::keyClick(window->cbWarehouse(), key);
        EXPECT_EQ(QString::fromUtf8(listed), shown("sp_spqm"))
            << window->cbWarehouse()->currentText().toStdString();
    }
    // Enter on a stock row opens nothing; on an overdue sale it opens that bill, read-only.
    QTableView* grid = window->dbgvX()->table();
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Return);
    EXPECT_TRUE(opened.empty());
    typeDays(window->edDays(1), 1);
    goTo(alerts::kOverdueReceivables);
    ASSERT_EQ(u"S-40"_s, shown("code"));
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Return);
    ASSERT_EQ(1u, opened.size());
    EXPECT_EQ(stored(u"SELECT id FROM djIndex WHERE code = 'S-40'"_s).toLongLong(),
              opened[0]->property(kBillIdProperty).toLongLong());
    auto* bill = qobject_cast<TfrmBillAbstract*>(opened[0].get());
    ASSERT_NE(nullptr, bill);
    EXPECT_TRUE(bill->isReadOnly());
    EXPECT_TRUE(script.messages().isEmpty()) << script.messages().join(u'|').toStdString();
}

TEST_F(AlertsE2E, SettingsSurviveClosingAndOpenTheWindowAfterLogin) {
    // Operator 2 holds the alerts' right and nothing else.
    ParamList user(u"id=2"_s);
    dm.ExecProc(u"p_sys_Up_User"_s, user);
    ParamList grant(u"userid=2\nisbj=1"_s);
    grant.setValue(u"id"_s, stored(u"SELECT id FROM sysMenu WHERE code = '3029'"_s).toString());
    dm.ExecProc(u"p_sys_up_purview"_s, grant);
    ASSERT_EQ(QString(), test::logIn(dm, 2));
    const auto reopen = [this] {
        window.reset();
        resetSettings();
        ASSERT_TRUE(LoadSettings());
        open();
    };
    for (const bool popup : {true, false}) {
        SCOPED_TRACE(popup);
        reopen();
        if (window->cbPopup()->isChecked() != popup) {
            window->cbPopup()->setFocus();
            QTest::keyClick(window->cbPopup(), Qt::Key_Space);
        }
        for (int i = 0; i < 5; ++i)
            typeDays(window->edDays(i), (popup ? 10 : 20) + i);
        QTest::keyClick(window.get(), Qt::Key_Escape);
        EXPECT_FALSE(window->isVisible());
        reopen();
        EXPECT_EQ(popup, window->cbPopup()->isChecked());
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ((popup ? 10 : 20) + i, window->edDays(i)->value()) << i;
        window.reset();

        // The start after login: the alerts open in the workspace when wanted.
        TfrmMain main(programDir.path());
        main.attachDataModule(&dm);
        main.installFunctionHooks();
        installSettingsHooks(main);
        main.hooks.login = [] { return true; };
        main.show();
        ASSERT_TRUE(test::waitUntil([&] { return main.activated(); }));
        EXPECT_EQ(popup ? 1 : 0, int(main.workspace()->findChildren<TfrmsysBJB*>().size()));
        main.CloseAllWindows(true);
    }
    EXPECT_TRUE(script.messages().isEmpty()) << script.messages().join(u'|').toStdString();
    // Without the right the switch and the days stay as they are.
    ASSERT_EQ(QString(), test::logIn(dm, 1));
    user.setValue(u"id"_s, u"3"_s);
    dm.ExecProc(u"p_sys_Up_User"_s, user);
    ASSERT_EQ(QString(), test::logIn(dm, 3));
    ParamList days = alerts::daySettingParams(alerts::daySettingNames().at(0), 99);
    EXPECT_THROW(dm.ExecProc(alerts::text::settingProcedure(), days), DytError);
    EXPECT_THROW(dm.ExecUpdate(alerts::popupSql(true)), DytError);
}

}  // namespace
}  // namespace dyt::client
