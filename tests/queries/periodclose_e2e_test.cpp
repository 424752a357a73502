// The period dialogs against a real server, worked with the mouse and keys: months closed and one
// undone, a bill of a closed month refused for posting, change and deletion whatever the client
// sends, its reversal in the open month; eleven closes, then the year close (with its backup)
// and the new year going on from the old year's balances; the period lists; the system rebuild.
#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include "client/common/windowregistry.h"
#include "client/logic/periodclose.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/session.h"
#include "client/queries/frmquery.h"
#include "client/system/frmsysperiod.h"
#include "protocol/protocol.h"
#include "server/posting_packets.h"
#include "support/serverfixture.h"
#include "uihelpers.h"

namespace dyt::client {
namespace {

class PeriodCloseE2E : public test::ServerFixture {
protected:
    void SetUp() override {
        ServerFixture::SetUp();
        addGoods(101, "SP101", "螺丝", 1011, "个");
        addRecord("baseWLDW", 201, "K1", "甲客户");
        addRecord("baseWLDW", 203, "G1", "华东五金");
        addRecord("baseCK", 301, "CK1", "总仓");
        ASSERT_EQ(0, openAccounts(QDate(2026, 1, 1)));
        ASSERT_TRUE(LoadSettings());
        purchase = post(5, "2026-01-10", 203, 10, 5);
        sale = post(1, "2026-02-05", 201, 4, 9);
    }
    // Posts a one-line bill; the error message when refused.
    qint64 post(int kind, const char* date, qint64 partner, double qty, double price,
                QString* error = nullptr, const char* method = "SaveToDB") {
        server::test::GoodsBill b =
            server::test::goodsBill(kind, date, partner, {{101, qty, price}});
        ParamList header = server::test::goodsBillParams(b);
        RecordSet lines = server::test::goodsLinesPacket(b);
        const RecordSet accounts = server::test::accountPacket({});
        try {
            dm.ExecService(u"QMXService"_s, QString::fromLatin1(method), header, &lines, &accounts);
        } catch (const DytError& e) {
            if (error)
                *error = e.message();
            return 0;
        }
        return stored(u"SELECT max(id) FROM djIndex WHERE dj_state = 2"_s).toLongLong();
    }
    // Runs a procedure as a modified client would; the server's message, empty on success.
    QString call(const char* proc, std::initializer_list<std::pair<const char*, QString>> lines) {
        ParamList p;
        for (const auto& [name, value] : lines)
            p.setValue(QString::fromLatin1(name), value);
        try {
            dm.ExecProc(QString::fromLatin1(proc), p, true);
        } catch (const DytError& e) {
            return e.message();
        }
        return {};
    }
    QString closeMonth(const QString& end) {
        return call("P_SYS_UP_PeriodClose", {{"type", u"0"_s}, {"Date", end}, {"Name", u"x"_s}});
    }
    QString rows(const QString& sql) {
        const RecordSet rs = query(sql);
        QStringList out;
        for (int r = 0; r < rs.rowCount(); ++r) {
            QStringList row;
            for (int f = 0; f < rs.fieldCount(); ++f)
                row << rs.at(r, f).toString();
            out << row.join(u',');
        }
        return out.join(u'|');
    }
    // Stock layers, partner balances and account totals.
    QString balances() {
        return rows(
                   u"SELECT goodsid, stockid, goodspc, qty, total FROM baseGoodsStock ORDER BY id"_s) +
               u"#"_s +
               rows(
                   u"SELECT id, ystotal, yftotal FROM baseWLDW WHERE ystotal <> 0 OR yftotal <> 0"_s) +
               u"#"_s + rows(u"SELECT id, Total FROM baseKM WHERE Total <> 0 ORDER BY id"_s);
    }
    QString messages() const { return script.messages().join(u'|'); }
    template <class Dialog>
    std::unique_ptr<Dialog> show() {
        auto d = std::make_unique<Dialog>();
        d->show();
        d->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(d.get()));
        return d;
    }
    // The period list of a function, opened from its window class, as shown.
    QString periodList(const char* className) {
        std::unique_ptr<QWidget> w(createWindow(QString::fromLatin1(className), nullptr));
        auto* q = qobject_cast<TfrmQueryWindow*>(w.get());
        if (!q)
            return u"no window"_s;
        q->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(q));
        QStringList out;
        for (int r = 0; r < q->model()->rowCount(); ++r)
            out << q->model()->index(r, 0).data().toString();
        return out.join(u',');
    }

    qint64 purchase = 0, sale = 0;
};

TEST_F(PeriodCloseE2E, MonthsCloseAndUndoAndClosedBillsAreRefusedOnTheServer) {
    registerQueryWindows();
    // Three months closed at the keyboard, each named as typed.
    for (const auto& [end, name] :
         {std::pair{QDate(2026, 1, 31), u"一月"_s}, std::pair{QDate(2026, 2, 28), u"二月"_s},
          std::pair{QDate(2026, 3, 31), u"三月"_s}}) {
        SCOPED_TRACE(name.toStdString());
        auto d = show<TfrmSysPeriodClose>();
        d->edEnd()->setDate(end);
        d->edName()->selectAll();
        test::typeInto(d->edName(), name);
        test::walkStep(u"period-close"_s);
        script.clearRecords();
        QTest::mouseClick(d->btnOK(), Qt::LeftButton);
        EXPECT_EQ(periodclose::done(), messages());
        EXPECT_FALSE(d->isVisible());
    }
    EXPECT_EQ(
        u"0,1,一月,2026-01-01,2026-01-31,1,1|0,2,二月,2026-02-01,2026-02-28,1,1|"
        "0,3,三月,2026-03-01,2026-03-31,0,1|0,4,4月,2026-04-01,2026-04-30,0,0"_s,
        rows(u"SELECT type, id, name, beginDate, EndDate, billSum, isClosed FROM sysPeriod "
             "ORDER BY type, id"_s));
    EXPECT_EQ(4, settings().JxcPeriodNow);
    EXPECT_EQ(4, settings().Period);

    // The undo page tells how many closes may be undone; cancelling the question sends nothing.
    auto d = show<TfrmSysPeriodClose>();
    EXPECT_EQ(u"本月开始日期：2026-04-01"_s, d->lblBegin()->text());
    QTabBar* tabs = d->pages()->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    EXPECT_EQ(periodclose::undoCaption(), d->btnOK()->text());
    EXPECT_EQ(periodclose::undoNote(4), d->lblUndoNote()->text());
    test::walkStep(u"period-undo"_s);
    EXPECT_TRUE(d->lblUndoNote()->text().endsWith(u"你可以反 3 次"_s));
    script.answer(u"取消(&C)"_s, periodclose::confirmUndo());
    QTest::mouseClick(d->btnOK(), Qt::LeftButton);
    EXPECT_EQ(4, settings().JxcPeriodNow);
    script.answer(u"确定(&O)"_s, periodclose::confirmUndo());
    QTest::mouseClick(d->btnOK(), Qt::LeftButton);
    EXPECT_EQ(3, settings().JxcPeriodNow);
    EXPECT_EQ(u"三月,2026-03-01,0"_s,
              rows(u"SELECT name, beginDate, isClosed FROM sysPeriod WHERE type = 0 AND id = 3"_s));
    EXPECT_EQ(u"一月,二月,三月"_s, periodList("TfrmQYJCXXB"));

    // The purchase of January and the sale of February, as a modified client would send them.
    const QString before = balances();
    QString error;
    EXPECT_EQ(0, post(5, "2026-02-27", 203, 1, 5, &error));
    EXPECT_EQ(u"单据日期[2026-02-27]所在的期间已经月结存，不能过账！"_s, error);
    EXPECT_EQ(u"本张单据已月结存，不能删除"_s,
              call("P_JXC_DJ_PostDel", {{"billid", QString::number(sale)}}));
    EXPECT_THROW(dm.ExecUpdate(u"UPDATE djIndex SET summery = 'x' WHERE id = %1"_s.arg(purchase)),
                 DytError);
    EXPECT_EQ(before, balances());
    // The reversal lands in the open month and takes the sale back.
    EXPECT_EQ(QString(),
              call("P_JXC_DJ_CopyRed", {{"billid", QString::number(sale)}, {"isRed", u"-1"_s}}));
    EXPECT_GE(stored(u"SELECT date FROM djIndex WHERE isredword = 1"_s).toString(),
              u"2026-03-01"_s);
    EXPECT_EQ(10, number(u"SELECT qty FROM baseGoodsStock WHERE goodsid = 101"_s));
    // A month does not end before it begins.
    EXPECT_EQ(u"本月结束日期[2026-02-01]不能早于本月开始日期[2026-03-01]！"_s,
              closeMonth(u"2026-02-01"_s));
}

TEST_F(PeriodCloseE2E, ElevenClosesThenTheYearCloseCarriesTheBalancesIntoTheNewYear) {
    for (int month = 1; month <= 11; ++month) {
        const QDate end = QDate(2026, month, 1).addMonths(1).addDays(-1);
        ASSERT_EQ(QString(), closeMonth(end.toString(u"yyyy-MM-dd"_s))) << month;
    }
    ASSERT_TRUE(LoadSettings());
    // The twelfth close is refused by the dialog before anything is sent, and by the server.
    {
        auto d = show<TfrmSysPeriodClose>();
        d->edEnd()->setDate(QDate(2026, 12, 31));
        script.clearRecords();
        QTest::mouseClick(d->btnOK(), Qt::LeftButton);
        EXPECT_EQ(periodclose::yearFull(), messages());
        EXPECT_TRUE(d->isVisible());
    }
    EXPECT_EQ(periodclose::yearFull(), closeMonth(u"2026-12-31"_s));
    post(5, "2026-12-20", 203, 2, 6);
    post(1, "2026-12-21", 201, 1, 9, nullptr, "SaveToDraft");
    ASSERT_EQ(1, number(u"SELECT count(*) FROM djIndex WHERE dj_state = 1"_s));
    ASSERT_GT(post(4, "2026-12-22", 201, 5, 9), 0);  // an open order stays
    const QString closing = balances();

    auto y = show<TfrmSysYearClose>();
    QTest::mouseClick(y->cbClearOrders(), Qt::LeftButton);
    test::walkStep(u"year-close"_s);
    script.answer(u"确定(&O)"_s, yearclose::confirm());
    script.clearRecords();
    QTest::mouseClick(y->btnOK(), Qt::LeftButton);
    EXPECT_EQ(yearclose::done(), messages());
    EXPECT_TRUE(script.progressTexts().contains(yearclose::backingUp()));
    const Response backups =
        dm.GetAppServer().call(u"GetProfileBackups"_s, {loginedUser().ProfileName});
    ASSERT_EQ(0, backups.code());
    const RecordSet logged = proto::recordSetFromCbor(backups.out(0));
    ASSERT_EQ(1, logged.rowCount());
    EXPECT_TRUE(logged.at(0, logged.fieldIndex(u"backFileName"_s))
                    .toString()
                    .endsWith(u".年结存自动备份.db"_s));
    EXPECT_EQ(
        u"1,2026年,2026-01-01,2026-12-31,4"_s,
        rows(u"SELECT id, name, beginDate, EndDate, billSum FROM sysPeriod WHERE type = 1"_s));
    EXPECT_EQ(closing, balances());
    EXPECT_EQ(0, number(u"SELECT count(*) FROM djIndex WHERE dj_state = 1"_s));
    registerQueryWindows();
    EXPECT_EQ(u"2026年"_s, periodList("TfrmQNJCXXB"));

    // The new year: December is closed, January goes on from the old year's stock.
    ASSERT_TRUE(LoadSettings());
    EXPECT_EQ(2027, settings().CurrentYear);
    QString error;
    EXPECT_EQ(0, post(5, "2026-12-30", 203, 1, 5, &error));
    EXPECT_FALSE(error.isEmpty());
    ASSERT_GT(post(5, "2027-01-05", 203, 3, 7), 0);
    EXPECT_EQ(11, number(u"SELECT qty FROM baseGoodsStock WHERE goodsid = 101"_s));
    EXPECT_EQ(closing.section(u'#', 0, 0).section(u',', 4, 4).toDouble() + 21,
              number(u"SELECT total FROM baseGoodsStock WHERE goodsid = 101"_s));

    // The rebuild: cancelling the second question sends nothing; then every bill but the order
    // goes and the balances are the opening ones (none here), the account set back before its
    // opening.
    auto r = show<TfrmSysRestart>();
    QTest::mouseClick(r->cbDelDraft(), Qt::LeftButton);
    test::walkStep(u"rebuild"_s);
    script.answer(u"确认(&O)"_s, rebuild::confirmBackup())
        .answer(u"取消(&C)"_s, rebuild::confirmAgain());
    QTest::mouseClick(r->btnOK(), Qt::LeftButton);
    EXPECT_EQ(5, number(u"SELECT count(*) FROM djIndex"_s));
    script.answer(u"确认(&O)"_s, rebuild::confirmBackup())
        .answer(u"确认(&O)"_s, rebuild::confirmAgain());
    script.clearRecords();
    QTest::mouseClick(r->btnOK(), Qt::LeftButton);
    EXPECT_EQ(rebuild::done(), messages());
    EXPECT_EQ(u"4,2,0|0|0|0"_s,
              u"%1|%2|%3|%4"_s.arg(rows(u"SELECT djType, dj_state, isOver FROM djIndex"_s))
                  .arg(number(u"SELECT count(*) FROM baseGoodsStock"_s))
                  .arg(number(u"SELECT count(*) FROM baseKM WHERE Total <> 0"_s))
                  .arg(stored(u"SELECT sysValue FROM sysData WHERE Name = 'isOpen'"_s).toString()));
}

}  // namespace
}  // namespace dyt::client
