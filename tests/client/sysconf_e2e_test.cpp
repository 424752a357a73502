// The account-set options against a real server: worked with the keys, read back after the next
// login, and the changes that are not allowed refused by the window and by the server alike.
#include <QTest>
#include <QtWidgets>

#include "client/logic/session.h"
#include "client/logic/sysconf.h"
#include "client/system/frmsysconf.h"
#include "server/posting_packets.h"
#include "support/serverfixture.h"
#include "uihelpers.h"

using namespace Qt::StringLiterals;

namespace dyt::client {
namespace {

class SysConfE2E : public test::ServerFixture {
protected:
    void SetUp() override {
        ServerFixture::SetUp();
        addRecord("baseZY", 2, "002", "李四");
        ParamList user;
        user.setValue(u"id"_s, u"2"_s);
        ASSERT_NO_THROW(dm.ExecProc(u"p_sys_Up_User"_s, user));
        addGoods(101, "SP101", "螺丝", 1011, "个");
        addRecord("baseWLDW", 201, "K1", "甲客户");
        addRecord("baseCK", 301, "CK1", "总仓");
        // From here on the texts the window sends are held to what the windows may write.
        relogin(1);
    }
    void TearDown() override {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ServerFixture::TearDown();
    }
    void relogin(int user) {
        ASSERT_EQ(QString(), test::logIn(dm, user));
        resetSettings();
        ASSERT_TRUE(LoadSettings());
    }
    // Sells goods 101 out of a warehouse without stock; the server's message, empty when posted.
    QString sellBeyondStock() {
        const QByteArray today = QDate::currentDate().toString(u"yyyy-MM-dd"_s).toLatin1();
        const server::test::GoodsBill b =
            server::test::goodsBill(1, today.constData(), 201, {{101, 2, 9}});
        ParamList header = server::test::goodsBillParams(b);
        RecordSet lines = server::test::goodsLinesPacket(b);
        const RecordSet accounts = server::test::accountPacket({});
        try {
            dm.ExecService(u"QMXService"_s, u"SaveToDB"_s, header, &lines, &accounts);
        } catch (const DytError& e) {
            return e.message();
        }
        return {};
    }
    std::unique_ptr<TfrmSysConf> open() {
        auto w = std::make_unique<TfrmSysConf>();
        w->show();
        w->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(w.get()));
        test::setKeyWindow(w.get());
        return w;
    }
    // Tab until the widget has the focus; false when it is not reached.
    static bool tabTo(QWidget* target) {
        for (int i = 0; i < 60 && QApplication::focusWidget() != target; ++i)
            test::pressKey(Qt::Key_Tab);
        return QApplication::focusWidget() == target;
    }
    // Tab to a spin box and type the value over it.
    static void typeOver(QSpinBox* box, int value) {
        ASSERT_TRUE(tabTo(box)) << box->objectName().toStdString();
        test::typeKeys(QString::number(value));
    }
    // Ctrl+Tab until the page is in front.
    static void page(TfrmSysConf& w, int index) {
        for (int i = 0; i < 3 && w.pages()->currentIndex() != index; ++i)
            test::pressKey(Qt::Key_Tab, Qt::ControlModifier);
        ASSERT_EQ(index, w.pages()->currentIndex());
    }
    QString setting(const QString& name) {
        return stored(u"SELECT sysValue FROM sysData WHERE Name = '%1'"_s.arg(name)).toString();
    }
    QString dots() {
        QStringList out;
        for (const char* n : {"qtydot", "pricedot", "totaldot", "discountdot", "taxdot"})
            out << setting(QString::fromLatin1(n));
        return out.join(u',');
    }
    // Everything the options may change: the settings and the switches.
    QString footprint() {
        QStringList out;
        for (const char* sql : {"SELECT Name, sysValue FROM sysData ORDER BY id",
                                "SELECT id, sysValue FROM sysConf ORDER BY id"}) {
            const RecordSet rs = query(QString::fromUtf8(sql));
            for (int r = 0; r < rs.rowCount(); ++r)
                out << rs.at(r, 0).toString() + u'=' + rs.at(r, 1).toString();
        }
        return out.join(u'|');
    }
};

TEST_F(SysConfE2E, OptionsTypedAreStoredAndSeenAfterTheNextLogin) {
    const TSettings before = settings();
    auto w = open();
    ASSERT_EQ(w->companyEdit(0), QApplication::focusWidget());
    QStringList texts;
    for (int i = 0; i < 10; ++i) {
        texts << u"甲%1-%2"_s.arg(i).arg(QString::fromUtf16(sysconf::kCompanyFields[i].caption));
        ASSERT_EQ(w->companyEdit(i), QApplication::focusWidget()) << i;
        test::typeKeys(texts.last());
        test::pressKey(Qt::Key_Tab);
    }
    page(*w, 2);
    ASSERT_TRUE(tabTo(w->chkNegativeStock()));
    test::pressKey(Qt::Key_Space);
    test::pressKey(Qt::Key_Tab);
    ASSERT_EQ(w->chkQuickPrint(), QApplication::focusWidget());
    test::pressKey(Qt::Key_Space);
    ASSERT_TRUE(tabTo(w->rbEveryDays()));
    test::pressKey(Qt::Key_Right);
    EXPECT_TRUE(w->rbOnExit()->isChecked());
    typeOver(w->spDot(sysconf::Qty), 4);
    typeOver(w->spDot(sysconf::Price), 3);
    typeOver(w->spBillRows(), 120);
    test::walkStep(u"sysconf-options"_s);
    // Longer decimal places are asked for also before the account set is opened.
    script.answer(u"确定(&O)"_s, sysconf::askLongerDots());
    test::pressKey(Qt::Key_Return);
    EXPECT_EQ(QStringList{sysconf::saved()}, script.messages());
    EXPECT_FALSE(w->isVisible());

    relogin(1);
    const TSettings& s = settings();
    const QStringList company{s.PostCode,    s.CompanyAddress,   s.PhoneNumber, s.CompanyFullName,
                              s.LegalPerson, s.CompanyShortName, s.BankAccount, s.FaxNumber,
                              s.TaxNumber,   s.CompanyNote};
    EXPECT_EQ(texts, company);
    const std::pair<int, int> values[] = {
        {!before.NegativeStock, s.NegativeStock},
        {!before.QuickLocalPrint, s.QuickLocalPrint},
        {0, s.AutoBackupDays},
        {4, s.QtyDot},
        {3, s.PriceDot},
        {before.TotalDot, s.TotalDot},
        {120, s.DefaultBillRows},
        {0, s.CostAlgorithm},
        {before.SettlementMode, s.SettlementMode},
        {0, s.SalesReceiptAccountId},
    };
    for (std::size_t i = 0; i < std::size(values); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(values[i].first, values[i].second);
    }
    EXPECT_EQ(u"0.0000"_s, s.QtyPattern);
    // Reopened, the window shows what was stored: the exit backup with one day in the box.
    w = open();
    EXPECT_EQ(texts.at(3), w->companyEdit(3)->text());
    EXPECT_TRUE(w->rbOnExit()->isChecked());
    EXPECT_EQ(1, w->spDays()->value());
    EXPECT_EQ(4, w->spDot(sysconf::Qty)->value());
    EXPECT_EQ(s.NegativeStock, w->chkNegativeStock()->isChecked());

    // The switches: one row for each offered switch; Space turns the first over, and closing
    // with Esc asks to store it.
    page(*w, 1);
    QTableWidget* grid = w->grdConf();
    ASSERT_EQ(
        stored(u"SELECT count(*) FROM sysConf WHERE type = 1 AND isuse = 1 AND id IN (2006, 2009, "
               "2010, 2011, 2012, 2013, 2014, 2015, 2016, 2027)"_s)
            .toInt(),
        grid->rowCount());
    // Down to "销售时检查负库存" (2012), a switch the bills read.
    const QString name = stored(u"SELECT name FROM sysConf WHERE id = 2012"_s).toString();
    const QString value = u"SELECT sysValue FROM sysConf WHERE id = 2012"_s;
    const QString was = stored(value).toString();
    ASSERT_TRUE(tabTo(grid));
    while (grid->currentRow() + 1 < grid->rowCount() &&
           grid->item(grid->currentRow(), 0)->text() != name)
        test::pressKey(Qt::Key_Down);
    test::pressKey(Qt::Key_Space);
    EXPECT_TRUE(w->modified());
    script.clearRecords();
    script.answer(u"是(&O)"_s, sysconf::askSaveSwitches());
    test::pressKey(Qt::Key_Escape);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(was == u"1"_s ? u"0"_s : u"1"_s, stored(value).toString());
    EXPECT_EQ(was != u"1"_s, settings().Switch(2012));
}

TEST_F(SysConfE2E, DecimalPlacesOfAnOpenedAccountSetOnlyGrowAndOnlyWhenConfirmed) {
    ASSERT_EQ(0, openAccounts());
    relogin(1);
    struct Case {
        sysconf::Dot dot;
        int delta;
        const char* answer;  // to the question about longer places; none when not asked
        const char* message;
        bool stored;
    };
    const Case cases[] = {
        {sysconf::Qty, -1, nullptr, "系统已经开账，不能缩短小数位数！", false},
        {sysconf::Price, 1, "取消(&C)", "", false},
        {sysconf::Tax, 2, "确定(&O)", "保存成功！", true},
        {sysconf::Tax, 0, nullptr, "保存成功！", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.delta);
        script.clearRecords();
        const QString before = dots();
        auto w = open();
        page(*w, 2);
        const int wanted = w->spDot(c.dot)->value() + c.delta;
        typeOver(w->spDot(c.dot), wanted);
        if (c.answer)
            script.answer(QString::fromUtf8(c.answer), sysconf::askLongerDots());
        test::pressKey(Qt::Key_Return);
        EXPECT_EQ(QString::fromUtf8(c.message), script.messages().join(u'|'));
        EXPECT_EQ(c.stored, !w->isVisible());
        QStringList expected = before.split(u',');
        if (c.stored)
            expected[c.dot] = QString::number(wanted);
        EXPECT_EQ(expected.join(u','), dots());
        const std::array<int, sysconf::DotCount> loaded = sysconf::fromSettings(settings()).dots;
        EXPECT_EQ(c.stored ? wanted : wanted - c.delta, loaded[c.dot]);
    }
}

TEST_F(SysConfE2E, TheServerRefusesWhatTheWindowWouldNotSend) {
    ASSERT_EQ(0, openAccounts());
    relogin(1);
    struct Attempt {
        int user;
        const char* what;  // a statement, or a procedure followed by its lines
        const char* refusal;
    };
    const Attempt attempts[] = {
        {1, "P_SYS_Up_DataRow\nName=qtydot\nDefValue=1", "系统已经开账，不能缩短小数位数！"},
        {1, "P_SYS_Up_DataRow\nName=QTYDOT\nDefValue=0", "系统已经开账，不能缩短小数位数！"},
        {1, "P_SYS_Up_DataRow\nName=pricedot\nDefValue=9", "0到8"},
        {1, "P_SYS_Up_DataRow\nName=成本算法\nDefValue=2", "不能修改成本算法"},
        {1, "P_SYS_Up_DataRow\nName=自动备份天数\nDefValue=11", "0到10"},
        {1, "P_SYS_Up_DataRow\nName=默认单据行数\nDefValue=20", "50到500"},
        {1, "P_SYS_Up_DataRow\nName=销售单默认收款账户ID\nDefValue=999", "不是收款账户"},
        {1, "P_SYS_Up_DataRow\nName=isOpen\nDefValue=0", "不能在此修改"},
        {1, "UPDATE sysData SET sysValue = '0' WHERE Name = 'qtydot'", "权限"},
        {1, "Update sysconf set sysvalue = 5  where id = 2006", "权限"},
        {1, "Update sysconf set sysvalue = 1  where id = 2004", "权限"},
        {2, "P_SYS_Up_DataRow\nName=系统使用负库存\nDefValue=1", "您没有执行该操作的权限!"},
        {2, "p_sys_Up_DataWLDW\ncompanyname=冒名", "您没有执行该操作的权限!"},
        {2, "Update sysconf set sysvalue = 0  where id = 2006", "权限"},
    };
    const QString before = footprint();
    for (const Attempt& a : attempts) {
        SCOPED_TRACE(a.what);
        relogin(a.user);
        QStringList lines = QString::fromUtf8(a.what).split(u'\n');
        const QString head = lines.takeFirst();
        QString message;
        try {
            if (lines.isEmpty()) {
                dm.ExecUpdate(head);
            } else {
                ParamList p(lines.join(u"\r\n"_s));
                dm.ExecProc(head, p);
            }
        } catch (const DytError& e) {
            message = e.message();
        }
        EXPECT_TRUE(message.contains(QString::fromUtf8(a.refusal), Qt::CaseInsensitive))
            << message.toStdString();
    }
    relogin(1);
    EXPECT_EQ(before, footprint());
    // What the window sends is taken: a switch of the second page and a longer place.
    EXPECT_NO_THROW(dm.ExecUpdate(sysconf::switchUpdateSql(2006, true)));
    ParamList longer = sysconf::rowParams({u"qtydot"_s, u"5"_s});
    EXPECT_NO_THROW(dm.ExecProc(sysconf::rowProcedure(), longer));
    EXPECT_EQ(u"5"_s, setting(u"qtydot"_s));
    EXPECT_EQ(u"1"_s, stored(u"SELECT sysValue FROM sysConf WHERE id = 2006"_s).toString());
    // The server's own posting follows the stored negative-stock option.
    EXPECT_TRUE(sellBeyondStock().contains(u"库存不足"_s));
    ParamList negative = sysconf::rowParams({u"系统使用负库存"_s, u"1"_s});
    ASSERT_EQ(0, dm.ExecProc(sysconf::rowProcedure(), negative));
    EXPECT_EQ(QString(), sellBeyondStock());
}

}  // namespace
}  // namespace dyt::client
