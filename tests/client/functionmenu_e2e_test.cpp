// The function menu from a real dyt-server's seeded rows, and the function listing of dyt-client.

#include <QDir>
#include <QMenuBar>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>

#include <cstdio>

#include "client/shell/functionmenu.h"
#include "client/shell/functions.h"
#include "client/shell/mainwindow.h"
#include "functionmenu_support.h"
#include "protocol/protocol.h"
#include "support/serverfixture.h"

namespace dyt::client {
namespace {

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
    for (QAction* a : bar->findChildren<QAction*>())
        if (!a->menu() && a->property(kTagProperty).toInt() == code)
            return a;
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
    // Operator 1: every function is an entry, but the two that are operation rights.
    QSet<int> codes;
    entryCodes(bar->actions(), &codes);
    for (const FunctionEntry& e : functionTable()) {
        const bool button = e.code == 401701 || e.code == 401901;
        EXPECT_EQ(!button, codes.contains(e.code)) << e.code;
    }
    EXPECT_FALSE(codes.contains(6001) || codes.contains(100101));
    // Shortcuts of the rows.
    ASSERT_NE(nullptr, commandOf(bar, 300501));
    EXPECT_EQ(QKeySequence(Qt::Key_F9), commandOf(bar, 300501)->shortcut());
    EXPECT_EQ(QKeySequence(Qt::Key_F5), commandOf(bar, 2004)->shortcut());
    EXPECT_EQ(12, main.openingMenu()->actions().size());
    EXPECT_EQ(u"委托发货单"_s, billTypeTitle(43));
    EXPECT_TRUE(script.records().isEmpty());
    // Operator 2 with the rights of two base lists and the boss report.
    for (const char* sql :
         {"INSERT INTO baseZY(id, par_id, par_jl, leveal, sonnum, code, fullname, name, pym, "
          "depid, del, candel) VALUES (2, 0, '2,', 1, 0, '002', '李四', '李四', 'LS', 0, 0, 1)",
          "INSERT INTO sysuser(id, password, par_id) VALUES (2, 'pw2', 1)",
          "INSERT INTO sysPurview(userid, menuid, isbj, iscygn, openCount) SELECT 2, id, 1, 0, 0 "
          "FROM sysMenu WHERE code IN ('10', '1001', '1003', '30', '3030')"})
        dm.ExecUpdate(QString::fromUtf8(sql));
    const QString lines = proto::joinLines(
        {u"dytv1_1"_s, u"dytv1_1"_s, u"2"_s, u"PC-01"_s, u"127.0.0.1"_s, u"00-11-22"_s, u"1"_s,
         u"正式版"_s, u"dytv1"_s, u"UpdateFlag=Check"_s, u"LoginType=0"_s, u"V11.0.140215"_s});
    const Response r = dm.GetAppServer().call(u"Login"_s, {lines, u"2"_s, u"pw2"_s});
    ASSERT_EQ(0, r.code()) << r.outText(0).toStdString();
    loginedUser().UserId = 2;
    main.BuildFunctionMenu();
    EXPECT_EQ(QStringLiteral("基本资料[商品信息#1001,往来单位#1003],综合查询[老板报表#3030],"
                             "系统维护[重新登录#5001,更换账套或操作员#5002,修改密码#5003,-,"
                             "常用功能设置#5013,-,退出系统(不备份)#5011],"
                             "帮助[帮助主题#5014,版本信息#5012,-,公司主页#7002,在线升级#7003,"
                             "服务支持#7004]"),
              test::describe(bar, {u"窗口(&W)"_s}));
    EXPECT_EQ(QString(), test::describe(main.openingMenu()));
    EXPECT_EQ(QKeySequence(Qt::Key_F1), commandOf(bar, 5014)->shortcut());
    const TFunctionMenu& menu = main.functionMenu();
    EXPECT_EQ((QList<bool>{true, false, false, true}),
              (QList<bool>{menu.HasPurview(u"1001"_s, false), menu.HasPurview(u"1002"_s, false),
                           menu.HasPurview(u"100101"_s, false), menu.HasPurview(u"5012"_s, false)}));
    // The dispatcher refuses what the operator does not hold.
    main.functions().OpenFunction(1002);
    main.functions().OpenFunction(1001);
    EXPECT_EQ((QStringList{u"您没有执行该操作的权限!"_s, u"功能建设中......"_s}),
              script.messages());
}

// Without a server every query window is missing; with one, those it answers with figures are
// built; bill codes whose kind opens are built either way.
TEST(ClientCommandLine, ListFunctionsJudgesQueryWindowsByWhatTheServerServes) {
    const auto listing = [](const QString& server) {
        QProcess p;
        p.setProgram(QDir(test::binDir()).filePath(u"dyt-client"_s));
        p.setArguments({u"--list-functions"_s});
        // No display at all: a window would fail to start.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"QT_QPA_PLATFORM"_s, u"none-such-platform"_s);
        env.insert(u"DYT_SERVER"_s, server);
        p.setProcessEnvironment(env);
        p.start();
        EXPECT_TRUE(p.waitForFinished(30000)) << p.errorString().toStdString();
        EXPECT_EQ(0, p.exitCode()) << p.readAllStandardError().toStdString();
        return QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    };
    test::ServerProcess server;
    ASSERT_TRUE(server.start()) << server.error().toStdString();
    const QStringList offline = listing(u"127.0.0.1:1"_s);
    const QStringList online = listing(server.address());
    ASSERT_EQ(275, offline.size());
    ASSERT_EQ(275, online.size());
    QSet<QString> codes;
    int billsBuilt = 0, queriesBuilt = 0;
    for (const QString& line : online) {
        const QStringList f = line.split(u'\t');
        ASSERT_EQ(3, f.size()) << line.toStdString();
        ASSERT_TRUE(f[2] == u"built"_s || f[2] == u"missing"_s) << line.toStdString();
        codes.insert(f[0]);
        billsBuilt += f[1].startsWith(u"bill type"_s) && f[2] == u"built"_s;
        queriesBuilt += f[1].startsWith(u"TfrmQ"_s) && f[2] == u"built"_s;
    }
    EXPECT_EQ(275, codes.size());
    std::printf("Built: %lld of 275 (bill codes %d, query windows %d)\n",
                static_cast<long long>(online.filter(u"\tbuilt"_s).size()), billsBuilt,
                queriesBuilt);
    for (const char* line : {"2004\tbill type 5\tbuilt", "300501\tTfrmQKCZKB\tbuilt",
                             "300601\tTfrmQDWYSYF\tmissing", "101301\tTfrmIniGoodsStock\tbuilt",
                             "300505\tunder construction\tmissing"})
        EXPECT_TRUE(online.contains(QString::fromUtf8(line))) << line;
    EXPECT_TRUE(offline.contains(u"300501\tTfrmQKCZKB\tmissing"_s));
    EXPECT_TRUE(offline.contains(u"2004\tbill type 5\tbuilt"_s));
    EXPECT_EQ(0, offline.filter(QRegularExpression(u"^\\d+\tTfrmQ\\w+\tbuilt$"_s)).size());
    EXPECT_GT(queriesBuilt, 40);
}

}  // namespace
}  // namespace dyt::client
