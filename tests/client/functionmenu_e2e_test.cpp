// The function menu from a real dyt-server's seeded rows: operator 1 sees every function, an
// operator with a few rights sees those and the functions open to everyone. And the function
// listing of dyt-client.

#include <QDir>
#include <QMenuBar>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>

#include "client/shell/functionmenu.h"
#include "client/shell/functions.h"
#include "client/shell/mainwindow.h"
#include "support/serverfixture.h"
#include "functionmenu_support.h"
#include "protocol/protocol.h"

namespace dyt::client {
namespace {

QStringList topEntries(QMenuBar* bar) {
    QStringList t;
    for (QAction* a : bar->actions()) {
        if (!a->isSeparator())
            t.append(a->text());
    }
    return t;
}

// The codes of all entries (sub-menus and commands) below a list of actions.
void entryCodes(const QList<QAction*>& actions, QSet<int>* codes) {
    for (QAction* a : actions) {
        if (a->isSeparator())
            continue;
        codes->insert(a->property(kTagProperty).toInt());
        if (a->menu())
            entryCodes(a->menu()->actions(), codes);
    }
}

QAction* commandOf(QMenuBar* bar, int code) {
    for (QAction* a : bar->findChildren<QAction*>()) {
        if (!a->menu() && a->property(kTagProperty).toInt() == code)
            return a;
    }
    return nullptr;
}

class FunctionMenuEndToEnd : public dyt::test::ServerFixture {};

TEST_F(FunctionMenuEndToEnd, SeededRowsBuildTheMenusOfOperatorOneAndOfARestrictedOperator) {
    clearBillTypeTitles();
    TfrmMain main(programDir.path());
    main.attachDataModule(&dm);
    main.installFunctionHooks();
    main.functions().createWindow = [](const QString&, QWidget*) { return nullptr; };
    main.BuildFunctionMenu();
    QMenuBar* bar = main.menuBar();

    // Operator 1: every menu of the bar but the group of the other rights, which are buttons.
    EXPECT_EQ(
        (QStringList{
            QStringLiteral("基本资料"), QStringLiteral("采购管理"), QStringLiteral("销售管理"),
            QStringLiteral("仓库管理"), QStringLiteral("财务管理"), QStringLiteral("其它业务"),
            QStringLiteral("综合查询"), QStringLiteral("辅助功能"), QStringLiteral("系统维护"),
            QStringLiteral("帮助"), QStringLiteral("窗口(&W)")}),
        topEntries(bar));
    // Every function of the dispatcher is an entry, but the two that are operation rights.
    QSet<int> codes;
    entryCodes(bar->actions(), &codes);
    for (const FunctionEntry& e : functionTable()) {
        const bool button = e.code == 401701 || e.code == 401901;
        EXPECT_EQ(!button, codes.contains(e.code)) << e.code;
    }
    EXPECT_FALSE(codes.contains(6001));
    EXPECT_FALSE(codes.contains(100101));
    // Shortcuts of the rows.
    ASSERT_NE(nullptr, commandOf(bar, 300501));
    EXPECT_EQ(QKeySequence(Qt::Key_F9), commandOf(bar, 300501)->shortcut());
    EXPECT_EQ(QKeySequence(Qt::Key_F5), commandOf(bar, 2004)->shortcut());
    // The opening-balance drop-down.
    EXPECT_EQ(QStringLiteral("期初库存商品#101301,期初应收应付#101302,期初现金银行#101303,"
                             "期初固定资产#101304,期初财务数据#101305,期初借进商品#101306,"
                             "期初借出商品#101307,期初委托商品#101308,期初受托商品#101309,"
                             "期初委外商品#101311,资产负债表(平衡表)#101310,期初完成..开账#1014"),
              test::describe(main.openingMenu()));
    // The consignment entries title their bill types.
    EXPECT_EQ(QStringLiteral("委托发货单"), billTypeTitle(43));
    EXPECT_EQ(QStringLiteral("委托退货单"), billTypeTitle(47));
    EXPECT_EQ(QStringLiteral("委托结算单"), billTypeTitle(44));
    EXPECT_EQ(QStringLiteral("委托调价单"), billTypeTitle(49));
    EXPECT_TRUE(script.records().isEmpty());

    // Operator 2 with the rights of two base lists and the boss report.
    for (const char* sql :
         {"INSERT INTO baseZY(id, par_id, par_jl, leveal, sonnum, code, fullname, name, pym, "
          "depid, del, candel) VALUES (2, 0, '2,', 1, 0, '002', '李四', '李四', 'LS', 0, 0, 1)",
          "INSERT INTO sysuser(id, password, par_id) VALUES (2, 'pw2', 1)",
          "INSERT INTO sysPurview(userid, menuid, isbj, iscygn, openCount) SELECT 2, id, 1, 0, 0 "
          "FROM sysMenu WHERE code IN ('10', '1001', '1003', '30', '3030')"}) {
        dm.ExecUpdate(QString::fromUtf8(sql));
    }
    const QString lines =
        proto::joinLines({QStringLiteral("dytv1_1"), QStringLiteral("dytv1_1"), QStringLiteral("2"),
                          QStringLiteral("PC-01"), QStringLiteral("127.0.0.1"),
                          QStringLiteral("00-11-22"), QStringLiteral("1"), QStringLiteral("正式版"),
                          QStringLiteral("dytv1"), QStringLiteral("UpdateFlag=Check"),
                          QStringLiteral("LoginType=0"), QStringLiteral("V11.0.140215")});
    const Response r = dm.GetAppServer().call(QStringLiteral("Login"),
                                              {lines, QStringLiteral("2"), QStringLiteral("pw2")});
    ASSERT_EQ(0, r.code()) << r.outText(0).toStdString();
    loginedUser().UserId = 2;

    main.BuildFunctionMenu();
    EXPECT_EQ(QStringLiteral("基本资料[商品信息#1001,往来单位#1003],综合查询[老板报表#3030],"
                             "系统维护[重新登录#5001,更换账套或操作员#5002,修改密码#5003,-,"
                             "常用功能设置#5013,-,退出系统(不备份)#5011],"
                             "帮助[帮助主题#5014,版本信息#5012,-,公司主页#7002,在线升级#7003,"
                             "服务支持#7004]"),
              test::describe(bar, {QStringLiteral("窗口(&W)")}));
    EXPECT_EQ(QString(), test::describe(main.openingMenu()));
    EXPECT_EQ(QKeySequence(Qt::Key_F1), commandOf(bar, 5014)->shortcut());

    const TFunctionMenu& menu = main.functionMenu();
    EXPECT_TRUE(menu.HasPurview(QStringLiteral("1001"), false));
    EXPECT_FALSE(menu.HasPurview(QStringLiteral("1002"), false));
    EXPECT_FALSE(menu.HasPurview(QStringLiteral("100101"), false));
    EXPECT_TRUE(menu.HasPurview(QStringLiteral("5012"), false));

    // The dispatcher refuses what the operator does not hold.
    main.functions().OpenFunction(1002);
    main.functions().OpenFunction(1001);
    EXPECT_EQ((QStringList{QStringLiteral("您没有执行该操作的权限!"),
                           QStringLiteral("功能建设中......")}),
              script.messages());
}

TEST(ClientCommandLine, ListFunctionsPrintsEveryCodeWithoutAWindowOrAConnection) {
    QProcess p;
    p.setProgram(QDir(test::binDir()).filePath(QStringLiteral("dyt-client")));
    p.setArguments({QStringLiteral("--list-functions")});
    // No display at all: a window would fail to start.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("none-such-platform"));
    env.insert(QStringLiteral("DYT_SERVER"), QStringLiteral("127.0.0.1:1"));
    p.setProcessEnvironment(env);
    p.start();
    ASSERT_TRUE(p.waitForFinished(30000)) << p.errorString().toStdString();
    EXPECT_EQ(0, p.exitCode()) << p.readAllStandardError().toStdString();
    const QStringList lines =
        QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(275, lines.size());
    QSet<QString> seen;
    for (const QString& line : lines) {
        const QStringList f = line.split(QLatin1Char('\t'));
        ASSERT_EQ(3, f.size()) << line.toStdString();
        EXPECT_TRUE(f[2] == QLatin1String("built") || f[2] == QLatin1String("missing"))
            << line.toStdString();
        seen.insert(f[0]);
    }
    EXPECT_EQ(275, seen.size());
    EXPECT_EQ(1, lines.filter(QRegularExpression(QStringLiteral("^2009\tbill type 1\t"))).size());
    EXPECT_TRUE(lines.contains(QStringLiteral("5002\tchange account set or operator\tbuilt")));
    EXPECT_TRUE(lines.contains(QStringLiteral("300505\tunder construction\tmissing")));
    EXPECT_EQ(
        1, lines.filter(QRegularExpression(QStringLiteral("^5008\tTfrmSysYearClose \\(modal\\)\t")))
               .size());
    EXPECT_EQ(QStringLiteral("1000"), lines.first().section(QLatin1Char('\t'), 0, 0));
}

}  // namespace
}  // namespace dyt::client
