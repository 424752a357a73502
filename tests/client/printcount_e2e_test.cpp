// The print count of bills against a real server: the count is the server's (limits, password,
// log), the settings window worked with keys, and a bill printed beyond its kind's limit.
#include <QTest>
#include <QtWidgets>

#include <functional>

#include "client/bills/frmbillabstract.h"
#include "client/common/windowregistry.h"
#include "client/logic/billsql.h"
#include "client/shell/functions.h"
#include "client/system/frmsysdjdycssz.h"
#include "printengine/printengine.h"
#include "server/posting_packets.h"
#include "support/serverfixture.h"
#include "uihelpers.h"

using namespace Qt::StringLiterals;

namespace dyt::client {
namespace {

constexpr int kPurchase = 5;
const QString kRefused = u"您没有执行该操作的权限!"_s;

class PrintCountE2E : public test::ServerFixture {
protected:
    void SetUp() override {
        ServerFixture::SetUp();
        addGoods(101, "SP101", "螺丝", 1011, "个");
        addRecord("baseWLDW", 203, "G1", "华东五金");
        addRecord("baseCK", 301, "CK1", "总仓");
        addRecord("baseZY", 2, "002", "李四");
        addRecord("baseBM", 401, "BM1", "业务部");
        ASSERT_EQ(0, openAccounts());
        loadBillKinds(dm);
        const QByteArray day = QDate::currentDate().toString(u"yyyy-MM-dd"_s).toLatin1();
        server::test::GoodsBill b =
            server::test::goodsBill(kPurchase, day.constData(), 203, {{101, 10, 5}});
        ParamList header = server::test::goodsBillParams(b);
        RecordSet lines = server::test::goodsLinesPacket(b);
        const RecordSet accounts = server::test::accountPacket({});
        bill = dm.ExecService(u"QMXService"_s, u"SaveToDB"_s, header, &lines, &accounts);
        ASSERT_GT(bill, 0);
    }
    // Purchases print twice; then the password.
    void limitPurchases() {
        exec({" Update sysdjb set printisCheck = 1,printNumSum = 2,printPassword = 'p''w' "
              "where id = 5"});
    }
    int printed() {
        return stored(u"SELECT printnum FROM djIndex WHERE id = %1"_s.arg(bill)).toInt();
    }
    // The server's answer to a print of `copies` (0: may one be made?) or to a text; empty when
    // it took it.
    QString print(int copies, const QString& password) {
        ParamList p = billsql::printParams(bill, copies, password);
        return refusal([&] { dm.ExecProc(billsql::printProcedure(), p); });
    }
    QString update(const QString& sql) {
        return refusal([&] { dm.ExecUpdate(sql); });
    }
    static QString refusal(const std::function<void()>& call) {
        try {
            call();
        } catch (const DytError& e) {
            return e.message();
        }
        return {};
    }
    static void showActive(QWidget& w) {
        w.show();
        w.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
        test::setKeyWindow(&w);
    }
    // A kind's limits as stored: switch, maximum, password (Null as empty).
    QString limits(int kind = kPurchase) {
        return rows(u"SELECT printisCheck, printNumSum, printPassword FROM sysDjb WHERE id = %1"_s
                        .arg(kind));
    }
    // The rows of a query, fields joined by "|", rows by ",".
    QString rows(const QString& sql) {
        const RecordSet rs = query(sql);
        QStringList out;
        for (int r = 0; r < rs.rowCount(); ++r) {
            QStringList fields;
            for (int f = 0; f < rs.fieldCount(); ++f)
                fields << rs.at(r, f).toString();
            out << fields.join(u'|');
        }
        return out.join(u',');
    }
    qint64 bill = 0;
};

TEST(PrintLimits, ATickedRowNeedsAMaximumAndTwoEqualPasswordsAndIsNamedByItsNumber) {
    struct Case {
        printlimits::Row row;  // the third row; the rows above are unticked and empty
        QString failure;
    };
    const Case cases[] = {
        {{5, {}, false, {}, {}, {}}, {}},
        {{5, {}, true, u"2"_s, u"a"_s, u"a"_s}, {}},
        {{5, {}, true, u"0"_s, u"a"_s, u"a"_s}, u"第 3 行设置了控制 最大打印次数不能小于 1"_s},
        {{5, {}, true, u"1"_s, {}, u"a"_s}, u"第 3 行设置了控制 打印密码不能为空"_s},
        {{5, {}, true, u"1"_s, u"a"_s, {}}, u"第 3 行设置了控制 确认密码不能为空"_s},
        {{5, {}, true, u"1"_s, u"a"_s, u"b"_s}, u"第 3 行设置了控制 打印密码和确认密码必须相同"_s},
    };
    for (const Case& c : cases) {
        const QList<printlimits::Row> rows{{1, {}, false, {}, {}, {}},
                                           {2, {}, false, {}, {}, {}}, c.row};
        const auto failure = printlimits::check(rows);
        EXPECT_EQ(c.failure, failure ? failure->message : QString());
        EXPECT_EQ(c.failure.isEmpty() ? -1 : 2, failure ? failure->row : -1);
    }
}

TEST_F(PrintCountE2E, OnlyTheServerCountsPrintsAndBeyondTheLimitOnlyWithThePassword) {
    limitPurchases();
    ParamList user;
    user.setValue(u"id"_s, u"2"_s);
    dm.ExecProc(u"p_sys_Up_User"_s, user);
    // Operator 1 again, held to the windows' columns like every client.
    ASSERT_EQ(QString(), test::logIn(dm, 1));
    struct Step {
        const char* what;
        int copies;  // -1: the SQL text instead
        QString password;
        QString sql;
        QString refusal;  // part of the server's message; empty: taken
        int count;        // the bill's count afterwards
    };
    const QString increment = u"Update djindex set printNum = printNum +1 where id = %1"_s;
    const Step steps[] = {
        {"first print", 1, {}, {}, {}, 1},
        {"the bill window's increment text", -1, {}, increment, {}, 2},
        {"asked beyond the limit without password", 0, {}, {}, u"请输入打印密码"_s, 2},
        {"wrong password", 1, u"pw"_s, {}, u"打印密码错误"_s, 2},
        {"the increment text beyond the limit", -1, {}, increment, u"请输入打印密码"_s, 2},
        {"count reset", -1, {}, u"update djindex set printnum=0 where id=%1"_s, kRefused, 2},
        {"count written beside a note", -1, {},
         u"update djindex set printnum = printnum + 1, summery = 'x' where id = %1"_s, kRefused,
         2},
        {"asked with the right password", 0, u"p'w"_s, {}, {}, 2},
        {"two copies with the right password", 2, u"p'w"_s, {}, {}, 4},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        const QString answer =
            s.copies < 0 ? update(s.sql.arg(bill)) : print(s.copies, s.password);
        if (s.refusal.isEmpty())
            EXPECT_EQ(QString(), answer);
        else
            EXPECT_TRUE(answer.contains(s.refusal)) << answer.toStdString();
        EXPECT_EQ(s.count, printed());
    }
    // Each counted print is logged with who made it and whether it went beyond the limit.
    EXPECT_EQ(u"1|1|0|1,1|2|0|1,2|4|1|1"_s,
              rows(u"SELECT copies, printnum, overLimit, userid FROM djPrintLog WHERE billid = "
                   "%1 ORDER BY id"_s.arg(bill)));
    // The print-count window's holder reads the password; operator 2, without that right, reads
    // nothing, may not change the limits and may not print purchases.
    EXPECT_EQ(u"1|2|p'w"_s, limits());
    ASSERT_EQ(QString(), test::logIn(dm, 2));
    EXPECT_EQ(u"1|2|"_s, limits());
    EXPECT_EQ(QString(),
              stored(u"SELECT max(printPassword) FROM sysdjb WHERE printPassword = 'p''w'"_s)
                  .toString());
    EXPECT_EQ(kRefused,
              update(u" Update sysdjb set printisCheck = 0,printNumSum = 0,printPassword = '' "
                     "where id = 5"_s));
    EXPECT_EQ(kRefused, print(1, u"p'w"_s));
    ASSERT_EQ(QString(), test::logIn(dm, 1));
    EXPECT_EQ(u"1|2|p'w"_s, limits());
    EXPECT_EQ(4, printed());
}

TEST_F(PrintCountE2E, TheWindowSetsOneKindAndAllKindsByKeys) {
    registerSystemWindows();
    EXPECT_TRUE(functionListing().contains(u"4009\tTfrmSysDJDYCSSZ (modal)\tbuilt"_s))
        << functionListing().filter(u"4009"_s).join(u' ').toStdString();
    {
        TfrmSysDJDYCSSZ w;
        showActive(w);
        QTableWidget* g = w.grid();
        ASSERT_EQ(62, g->rowCount());
        EXPECT_EQ(u"进货单"_s, g->item(4, printlimits::kName)->text());
        g->setFocus();
        // Sales ticked without a maximum; purchases ticked with 2 prints and the password.
        test::pressKey(Qt::Key_Space);
        for (int i = 0; i < 4; ++i)
            test::pressKey(Qt::Key_Down);
        test::pressKey(Qt::Key_Space);
        for (const char* text : {"2", "a'b", "a'b"}) {
            test::pressKey(Qt::Key_Right);
            test::typeKeys(QString::fromUtf8(text));
            test::pressKey(Qt::Key_Return);
            QCoreApplication::processEvents();  // the cell takes the text after the key
        }
        w.btnOK()->setFocus();
        QTest::keyClick(w.btnOK(), Qt::Key_Space);
        EXPECT_EQ(QStringList{u"第 1 行设置了控制 最大打印次数不能小于 1"_s}, script.messages());
        EXPECT_EQ(u"0|0|"_s, limits());  // nothing saved
        // The failing row is focused: unticked, then saved.
        g->setFocus();
        test::pressKey(Qt::Key_Space);
        w.btnOK()->setFocus();
        QTest::keyClick(w.btnOK(), Qt::Key_Space);
        EXPECT_EQ(u"保存成功"_s, script.messages().value(1));
        EXPECT_FALSE(w.isVisible());
    }
    EXPECT_EQ(u"1|2|a'b"_s, limits());
    EXPECT_EQ(u"0|0|"_s, limits(1));
    script.clearRecords();
    // Reopened, it shows what was saved; "全部设置" gives every kind one setting.
    TfrmSysDJDYCSSZ w;
    showActive(w);
    test::walkStep(u"print-limits"_s);
    const printlimits::Row purchases = w.rows().value(4);
    EXPECT_EQ(u"5|1|2|a'b|a'b"_s, test::clientValuesText(purchases.id, purchases.check ? 1 : 0,
                                                         purchases.maximum, purchases.password,
                                                         purchases.confirm));
    script.answer(u"确定(&O)"_s, printlimits::askSetAll());
    test::onNextModal([](QWidget* d) {
        auto* dialog = qobject_cast<TfrmBaseSet2*>(d);
        ASSERT_NE(nullptr, dialog);
        const auto ok = [dialog] {
            dialog->btnOK()->setFocus();
            QTest::keyClick(dialog->btnOK(), Qt::Key_Space);
        };
        dialog->countEdit()->setFocus();
        QTest::keyClick(dialog->countEdit(), Qt::Key_A, Qt::ControlModifier);
        test::typeInto(dialog->countEdit(), u"0"_s);
        ok();  // a count below 1
        QTest::keyClick(dialog->countEdit(), Qt::Key_A, Qt::ControlModifier);
        test::typeInto(dialog->countEdit(), u"3"_s);
        ok();  // no password
        dialog->passwordEdit()->setFocus();
        test::typeInto(dialog->passwordEdit(), u" xy "_s);
        QTest::keyClick(dialog->passwordEdit(), Qt::Key_Return);
        test::typeInto(dialog->confirmEdit(), u"xz"_s);
        QTest::keyClick(dialog->confirmEdit(), Qt::Key_Return);  // not the same
        EXPECT_EQ(dialog->confirmEdit(), dialog->focusWidget());
        QTest::keyClick(dialog->confirmEdit(), Qt::Key_A, Qt::ControlModifier);
        test::typeInto(dialog->confirmEdit(), u"xy"_s);
        QTest::keyClick(dialog->confirmEdit(), Qt::Key_Return);
    });
    w.btnSetAll()->setFocus();
    QTest::keyClick(w.btnSetAll(), Qt::Key_Space);
    EXPECT_EQ((QStringList{u"打印次数不能小于 1 "_s, u"请输入密码"_s, u"确认密码不正确，请重新输入"_s}),
              script.messages());
    EXPECT_EQ(u"0|0|"_s, limits(66));  // nothing reaches the server before OK
    w.btnOK()->setFocus();
    QTest::keyClick(w.btnOK(), Qt::Key_Space);
    EXPECT_EQ(u"保存成功"_s, script.messages().value(3));
    EXPECT_EQ(62, stored(u"SELECT count(*) FROM sysDjb WHERE printisCheck = 1 AND printNumSum = 3 "
                         "AND printPassword = 'xy'"_s)
                      .toInt());
}

TEST_F(PrintCountE2E, ABillPrintedBeyondItsLimitAsksThePasswordTheServerJudges) {
    limitPurchases();
    ASSERT_EQ(QString(), print(2, {}));
    ASSERT_EQ(QString(), test::logIn(dm, 1));
    registerBillWindows();
    int prints = 0;
    const PrintHandler saved = TfrmXAbstract::printHandler();
    print::resetPrintValues();
    TfrmXAbstract::printHandler() = [&prints](QWidget*, int, const RecordSet&, const RecordSet&,
                                              const QString&) {
        ++prints;
        print::setPrintValue(u"PRINTNUM"_s, u"1"_s);
        return 1;
    };
    std::unique_ptr<QWidget> window(OpenBill(kPurchase, bill));
    auto* w = qobject_cast<TfrmBillAbstract*>(window.get());
    ASSERT_NE(nullptr, w);
    w->resize(1200, 700);
    showActive(*w);
    struct Case {
        const char* what;
        QString entered;  // empty: cancelled
        QString message;
        int prints;
        int count;
    };
    const Case cases[] = {
        {"cancelled", {}, {}, 0, 2},
        {"wrong", u"pw"_s, u"打印密码错误"_s, 0, 2},
        {"right", u"p'w"_s, {}, 1, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        script.clearRecords();
        prints = 0;
        if (c.entered.isEmpty())
            script.cancelInput(u"请输入打印密码"_s);
        else
            script.enter(c.entered, u"请输入打印密码"_s);
        test::pressKey(Qt::Key_P, Qt::ControlModifier);
        EXPECT_EQ(0, script.pendingAnswers());
        EXPECT_EQ(c.message.isEmpty() ? QStringList() : QStringList{c.message}, script.messages());
        EXPECT_EQ(c.prints, prints);
        EXPECT_EQ(c.count, printed());
    }
    EXPECT_EQ(1, stored(u"SELECT count(*) FROM djPrintLog WHERE billid = %1 AND overLimit = 1 AND "
                        "userid = 1"_s.arg(bill))
                     .toInt());
    window.reset();
    TfrmXAbstract::printHandler() = saved;
    print::resetPrintValues();
}

}  // namespace
}  // namespace dyt::client
