// The data module against the recording transport: address parsing, connecting, the call
// channel, the query-only rules, the echo check with its reconnect dialog, the wrappers.
// Against a real dyt-server: the data module (connect, echo, errors, the reconnect dialog), the
// settings load and the bill-number rules.
// The account-set settings: sysData and sysConf rows, patterns, switches and the whole load.
// The shared lookups and the SQL they send, quoting, date presets, SQL scripts, FailIf, print.ini.

#include <QCborArray>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <functional>
#include <map>
#include <memory>

#include "client/common/lookupwidgets.h"
#include "client/logic/billnumber.h"
#include "client/logic/clientconfig.h"
#include "client/logic/lookups.h"
#include "client/logic/settings.h"
#include "client/shell/mainwindow.h"
#include "client/shell/settingshooks.h"
#include "client/system/frmbillnoset.h"
#include "common/error.h"
#include "common/gbk.h"
#include "common/inifile.h"
#include "common/paramlist.h"
#include "common/recordset.h"
#include "dmtest_support.h"
#include "protocol/protocol.h"
#include "support/serverfixture.h"
#include "support/testutil.h"

using namespace dyt;
using namespace dyt::client;
using dyt::test::DmFixture;

namespace {

using dyt::test::errorOf;

RecordSet goodsRows(int rows) {
    RecordSet rs = test::recordSet({u"sp_spbh"_s, u"qty:integer"_s});
    for (int i = 0; i < rows; ++i)
        rs.appendRow({u"G%1"_s.arg(i + 1), 10 * (i + 1)});
    return rs;
}

}  // namespace

TEST(ServerAddress, SplitsAtTheFirstColonWith211AsFallback) {
    struct Case {
        const char* address;
        const char* host;
        int port;
    } cases[] = {
        {"dyt-host:8019", "dyt-host", 8019},   {"dyt-host:abc", "dyt-host", 211},
        {"dyt-host", "dyt-host", 211},         {"10.0.0.5:", "10.0.0.5", 211},
        {"10.0.0.5:1:2", "10.0.0.5", 211},  // "1:2" is no number
        {"127.0.0.1:3001", "127.0.0.1", 3001},
    };
    for (const Case& c : cases) {
        QString host;
        int port = 0;
        splitServerAddress(QString::fromUtf8(c.address), &host, &port);
        EXPECT_EQ(QString::fromUtf8(c.host), host) << c.address;
        EXPECT_EQ(c.port, port) << c.address;
    }
}
TEST_F(DmFixture, ConnectOpensHostAndPortKeepsTheAddressAsTypedAndTriesAsOftenAsAsked) {
    EXPECT_EQ(u"应用服务器还没有初始化，或者连接没有打开"_s, errorOf([&] { dm->GetAppServer(); }));
    ASSERT_TRUE(dm->ConnectServer(u"srv:x"_s, false, 1));
    EXPECT_EQ(u"srv"_s, transport->host());
    EXPECT_EQ(211, transport->port());
    EXPECT_TRUE(dm->Connected());
    EXPECT_EQ(u"srv:x"_s, loginedUser().ServerAddress);
    EXPECT_EQ(QStringList{u"InitDataBase"_s}, transport->methods());
    EXPECT_EQ(transport, &dm->GetAppServer());
    dm->Disconnect();
    EXPECT_FALSE(dm->Connected());
    EXPECT_FALSE(transport->isOpen());
    // Two refused opens: the third try connects, under the progress window.
    const int opened = transport->openCount();
    transport->failOpens(2);
    EXPECT_TRUE(dm->ConnectServer(u"srv:8019"_s, true, 3));
    EXPECT_EQ(opened + 3, transport->openCount());
    EXPECT_EQ(QStringList{u"客户端系统正在尝试连接应用服务器，请稍后..."_s},
              script.progressTexts());
    EXPECT_FALSE(script.progressVisible());
}
TEST_F(DmFixture, ConnectFailuresRaiseTheirMessage) {
    transport->failOpens(1, u"连接被拒绝"_s);
    EXPECT_EQ(u"连接失败：连接被拒绝"_s, errorOf([&] { dm->ConnectServer(u"srv"_s, false, 1); }));
    EXPECT_FALSE(dm->Connected());
    transport->respond(u"InitDataBase"_s, 1, {u"数据库没有准备好"_s});
    EXPECT_EQ(u"连接失败：数据库没有准备好"_s,
              errorOf([&] { dm->ConnectServer(u"srv"_s, false, 1); }));
    EXPECT_FALSE(dm->Connected());
    EXPECT_EQ(QString(), loginedUser().ServerAddress);
    // A failure without a message is a plain false.
    transport->respond(u"InitDataBase"_s, 1, {QString()});
    EXPECT_FALSE(dm->ConnectServer(u"srv"_s, false, 1));
}
TEST_F(DmFixture, CallsWhileDisconnectedOrWithoutArgumentsFailAtOnceWithoutSending) {
    RecordSet rs;
    ParamList params;
    const QString down = u"当前网络数据通道断开,请稍后再次尝试!"_s;
    EXPECT_EQ(down, errorOf([&] { dm->ExecQuery(u"select 1"_s, &rs); }));
    EXPECT_EQ(down, errorOf([&] { dm->ExecUpdate(u"delete from t"_s); }));
    EXPECT_EQ(down, errorOf([&] { dm->ExecProc(u"p_x"_s, params); }));
    EXPECT_EQ(down, errorOf([&] { dm->ExecProcQuery(u"p_x"_s, params, &rs); }));
    EXPECT_EQ(down, errorOf([&] { dm->ExecService(u"QMXService"_s, u"SaveToDB"_s, params); }));
    EXPECT_EQ(0, transport->calls().size());
    EXPECT_EQ(0, transport->openCount());
    EXPECT_TRUE(script.records().isEmpty());
    // Connected, the wrappers refuse missing arguments before sending.
    connectLoggedIn();
    EXPECT_NE(QString(), errorOf([&] { dm->ExecUpdate(u"  "_s); }));
    EXPECT_NE(QString(), errorOf([&] { dm->ExecQuery(u"select 1"_s, nullptr); }));
    EXPECT_NE(QString(), errorOf([&] { dm->ExecService(QString(), u"SaveToDB"_s, params); }));
    EXPECT_TRUE(transport->calls().isEmpty());
    EXPECT_FALSE(dm->CallBusy());
}
TEST_F(DmFixture, CallDuringACallFailsBusyAndLeavesTheRunningCallUndisturbed) {
    connectLoggedIn();
    QString inner;
    transport->duringCall = [&](const RecordedCall& c) {
        if (c.method == QLatin1String("ExecProc"))
            inner = errorOf([&] { dm->ExecUpdate(u"update t set a=1"_s); });
    };
    transport->respond(u"ExecProc"_s, 0, {u"a=1\r\nczy_id=7\r\nNewId=42"_s, 5, QString()});
    ParamList params;
    params.setValue(u"a"_s, u"1"_s);
    EXPECT_EQ(5, dm->ExecProc(u"P_JXC_Save"_s, params));
    EXPECT_EQ(u"当前网络数据通道繁忙,请稍后再次尝试!"_s, inner);
    EXPECT_EQ(u"42"_s, params.value(u"NewId"_s));
    EXPECT_EQ((QStringList{u"ConnectionVar"_s, u"ExecProc"_s}), transport->methods());
    EXPECT_FALSE(dm->CallBusy());
}
TEST_F(DmFixture, QueryOnlyModeRefusesChangesBeforeSendingAndAllowsTheLog) {
    connectLoggedIn();
    setRunMode(kQueryOnlyMode);
    const QString refused = u"您当前使用的是查询版,只能查询"_s;
    struct Case {
        const char* name;
        std::function<void()> call;
        bool allowed;
    };
    ParamList params;
    RecordSet rs;
    const Case cases[] = {
        {"ExecUpdate", [&] { dm->ExecUpdate(u"update t set a=1"_s); }, false},
        {"ExecService", [&] { dm->ExecService(u"QMXService"_s, u"SaveToDB"_s, params); }, false},
        {"ExecProc P_JXC_SaveGoods", [&] { dm->ExecProc(u"P_JXC_SaveGoods"_s, params); }, false},
        {"ExecProc p_sys_Up_LogX", [&] { dm->ExecProc(u"p_sys_Up_LogX"_s, params); }, false},
        {"ExecProc p_sys_Up_Log", [&] { dm->ExecProc(u"p_sys_Up_Log"_s, params); }, true},
        {"ExecProc P_SYS_UP_LOG", [&] { dm->ExecProc(u"P_SYS_UP_LOG"_s, params); }, true},
        {"ExecProc p_Sys_up_log", [&] { dm->ExecProc(u"p_Sys_up_log"_s, params); }, true},
        {"ExecProc P_sys_up_colconfigure",
         [&] { dm->ExecProc(u"P_sys_up_colconfigure"_s, params); }, true},
        {"ExecQuery", [&] { dm->ExecQuery(u"select 1"_s, &rs); }, true},
        {"ExecProcQuery", [&] { dm->ExecProcQuery(u"p_q"_s, params, &rs); }, true},
    };
    for (const Case& c : cases) {
        transport->clearCalls();
        const QString error = errorOf(c.call);
        EXPECT_EQ(c.allowed ? QString() : refused, error) << c.name;
        EXPECT_EQ(c.allowed ? 2 : 0, transport->calls().size()) << c.name;
    }
}
TEST_F(DmFixture, ProceduresCarryTheOperatorAndTakeBackTheLines) {
    connectLoggedIn(7);
    ParamList params;
    params.setValue(u"CZY_ID"_s, u"99"_s);  // replaced, any case
    params.setValue(u"id"_s, u"3"_s);
    transport->respond(u"ExecProc"_s, 0, {u"CZY_ID=7\r\nid=3\r\nmsg=done"_s, -2, u"单据已审核"_s});
    EXPECT_EQ(u"单据已审核"_s, errorOf([&] { dm->ExecProc(u"P_JXC_Del"_s, params); }));
    ASSERT_EQ(2, transport->calls().size());
    EXPECT_EQ((QStringList{u"CZY_ID=7"_s, u"id=3"_s}), transport->calls().at(1).paramLines);
    EXPECT_EQ(u"P_JXC_Del"_s, transport->calls().at(1).procedure);
    EXPECT_EQ(u"done"_s, params.value(u"msg"_s));
    // Without raising, the negative result comes back.
    transport->respond(u"ExecProc"_s, 0, {params.text(), -2, u"x"_s});
    EXPECT_EQ(-2, dm->ExecProc(u"P_JXC_Del"_s, params, false));
    // Services carry the operator too and pass their packets.
    transport->clearCalls();
    ParamList svc;
    const RecordSet lines = goodsRows(2);
    EXPECT_EQ(0, dm->ExecService(u"QMXService"_s, u"SaveToDraft"_s, svc, &lines));
    const RecordedCall& call = transport->calls().at(1);
    EXPECT_EQ(u"QMXService"_s, call.procedure);
    EXPECT_EQ(u"SaveToDraft"_s, call.serviceMethod);
    EXPECT_EQ(QStringList{u"czy_id=7"_s}, call.paramLines);
    EXPECT_EQ(2, proto::recordSetFromCbor(call.args.at(3)).rowCount());
    EXPECT_TRUE(call.args.at(4).isNull());
}
TEST_F(DmFixture, ExecQueryTakesThePacketOrRaisesTheMessage) {
    connectLoggedIn();
    RecordSet rs = goodsRows(1);  // an open record set is emptied first
    transport->respond(u"ExecQuery"_s, 0, {proto::recordSetToCbor(goodsRows(3)), QString()});
    dm->ExecQuery(u"select sp_spbh, qty from goods"_s, &rs);
    EXPECT_EQ(u"select sp_spbh, qty from goods"_s, transport->calls().at(1).sql);
    EXPECT_EQ(3, rs.recordCount());
    EXPECT_EQ(0, rs.recNo());
    EXPECT_EQ(u"G1"_s, rs.text(u"sp_spbh"_s));
    transport->respond(u"ExecQuery"_s, -1, {QCborValue(QCborValue::Null), u"对象名无效"_s});
    EXPECT_EQ(u"对象名无效"_s, errorOf([&] { dm->ExecQuery(u"select * from nope"_s, &rs); }));
    // The channel is free again: the next call is sent and answered.
    transport->respond(u"ExecQuery"_s, 0, {QCborValue(QCborValue::Null), u"没有数据"_s});
    EXPECT_EQ(u"没有数据"_s, errorOf([&] { dm->ExecQuery(u"select 1"_s, &rs); }));
}
TEST_F(DmFixture, ExecProcQueryCopiesASingleRowIntoTheListOrRaisesItsError) {
    connectLoggedIn(7);
    struct Case {
        const char* name;
        int rows;
        QStringList expected;
    } cases[] = {
        // One row: the field lines replace (qty) or join (sp_spbh) the returned lines.
        {"one row", 1, {u"qty=10"_s, u"czy_id=7"_s, u"out=1"_s, u"sp_spbh=G1"_s}},
        // Two rows: the list stays as the server returned it.
        {"two rows", 2, {u"qty=0"_s, u"czy_id=7"_s, u"out=1"_s}},
        {"no row", 0, {u"qty=0"_s, u"czy_id=7"_s, u"out=1"_s}},
    };
    for (const Case& c : cases) {
        ParamList params;
        params.setValue(u"qty"_s, u"0"_s);
        transport->respond(
            u"ExecProcQuery"_s, 0,
            {u"qty=0\r\nczy_id=7\r\nout=1"_s, proto::recordSetToCbor(goodsRows(c.rows))});
        RecordSet rs;
        EXPECT_EQ(0, dm->ExecProcQuery(u"p_Base_Goods"_s, params, &rs)) << c.name;
        EXPECT_EQ(c.expected, params.lines()) << c.name;
        EXPECT_EQ(c.rows, rs.recordCount()) << c.name;
    }
    // Errors: the server's, and an answer without a packet.
    ParamList params;
    RecordSet rs;
    transport->fail(u"ExecProcQuery"_s, u"除数为零"_s);
    EXPECT_EQ(u"ProcName:[P_JXC_Query]Error:[除数为零]"_s,
              errorOf([&] { dm->ExecProcQuery(u"P_JXC_Query"_s, params, &rs); }));
    transport->respond(u"ExecProcQuery"_s, 0, {params.text(), QCborValue(QCborValue::Null)});
    EXPECT_EQ(u"查询数据为空"_s,
              errorOf([&] { dm->ExecProcQuery(u"P_JXC_Query"_s, params, &rs); }));
    EXPECT_FALSE(dm->CallBusy());
}
TEST_F(DmFixture, EchoStampsReplaceOnlyOlderStamps) {
    connectLoggedIn();
    dm->GoodsStamp = u"2026-01-01 00:00:00"_s;
    dm->PartnerStamp = u"2025-06-01 00:00:00"_s;
    transport->setStamps(u"2026-01-02 10:00:00"_s, u"2025-01-01 00:00:00"_s);
    EXPECT_TRUE(dm->CheckConnection());
    EXPECT_EQ(test::clientValuesText(u"2026-01-02 10:00:00"_s, 1, u"2025-06-01 00:00:00"_s, 0),
              test::clientValuesText(dm->GoodsStamp, dm->GoodsStampNewer, dm->PartnerStamp,
                                     dm->PartnerStampNewer));
    // The token travels with CR LF.
    EXPECT_EQ(u"qZevrint\r\n"_s, transport->calls().at(0).args.at(0).toString());
}
TEST_F(DmFixture, EchoMismatchLeadsToTheDialogAndContinueReconnectsAndLogsIn) {
    connectLoggedIn();
    int relogins = 0;
    bool connectedDuringRelogin = true;
    dm->relogin = [&] {
        ++relogins;
        connectedDuringRelogin = dm->Connected();
        return true;
    };
    // The socket is open but the echo is wrong; the first reconnect attempt fails.
    transport->respond(u"ConnectionVar"_s, u"xxxx\r\n1\r\n2"_s);
    transport->failOpens(1);
    script.answer(u"继续连接"_s, u"客户端与服务器连接断开"_s);
    transport->respond(u"ExecUpdate"_s, 1, {QString()});
    EXPECT_EQ(1, dm->ExecUpdate(u"update t set a=1"_s));
    const auto q = script.records(PromptKind::Question);
    ASSERT_EQ(1, q.size());
    EXPECT_EQ(
        u"系统错误|客户端与服务器连接断开, 您要继续尝试连接服务器还是退出系统?|继续连接,退出系统"_s,
        q.at(0).caption + u'|' + q.at(0).text + u'|' + q.at(0).buttons.join(u','));
    EXPECT_EQ(1, relogins);
    EXPECT_TRUE(connectedDuringRelogin);
    EXPECT_TRUE(dm->Connected());
    EXPECT_FALSE(dm->ConnectionLost());
    EXPECT_EQ(3, transport->openCount());  // first connect, failed attempt, good attempt
    EXPECT_EQ((QStringList{u"ConnectionVar"_s, u"InitDataBase"_s, u"ExecUpdate"_s}),
              transport->methods());
    EXPECT_EQ(0, quitCalls);
    EXPECT_TRUE(started.isEmpty());  // a remote server is not started here
}
TEST_F(DmFixture, EchoMismatchAndQuitEndsTheProgramSilently) {
    connectLoggedIn();
    int networkSignals = 0;
    QObject::connect(dm.get(), &TdmMain::networkStateChanged, [&] { ++networkSignals; });
    dm->relogin = [] { return true; };
    transport->drop();  // the connection broke
    transport->failOpens(1);
    script.answer(u"退出系统"_s);
    EXPECT_EQ(u"不提示"_s, errorOf([&] { dm->ExecUpdate(u"update t set a=1"_s); }));
    EXPECT_EQ(1, quitCalls);
    EXPECT_FALSE(dm->Connected());
    EXPECT_FALSE(dm->CallBusy());
    EXPECT_GE(networkSignals, 1);
    EXPECT_FALSE(transport->methods().contains(u"ExecUpdate"_s));
    // The next call fails at once: the module knows it is disconnected.
    EXPECT_EQ(u"当前网络数据通道断开,请稍后再次尝试!"_s,
              errorOf([&] { dm->ExecUpdate(u"update t set a=1"_s); }));
}
TEST_F(DmFixture, FailedReloginCountsAsAFailedReconnect) {
    connectLoggedIn();
    int relogins = 0;
    dm->relogin = [&] { return ++relogins > 1; };
    transport->respond(u"ConnectionVar"_s, u"bad"_s);
    script.answer(u"继续连接"_s);
    EXPECT_TRUE(dm->CheckConnection());
    EXPECT_EQ(2, relogins);
    EXPECT_EQ(1, script.records(PromptKind::Question).size());
}
// The local server starts only with its program in the program folder; a reconnect to this
// computer starts it first when nothing answers.
TEST_F(DmFixture, ReconnectToThisComputerStartsTheLocalServerFirst) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    dm->programDir = dir.path();
    EXPECT_EQ(u"本地计算机套接字文件被异常删除，程序无法运行,重新修复安装！"_s,
              errorOf([&] { dm->startLocalServer(211); }));
    EXPECT_TRUE(started.isEmpty());
    QFile program(QDir(dir.path()).filePath(u"dyt-server"_s));
    ASSERT_TRUE(program.open(QIODevice::WriteOnly));
    program.close();
    dm->startLocalServer(3001);
    EXPECT_EQ(QStringList{QDir(dir.path()).filePath(u"dyt-server"_s) + u" --port 3001 --data "_s +
                          TdmMain::localServerDataDir()},
              started);
    started.clear();
    ASSERT_TRUE(dm->ConnectServer(u"127.0.0.1:4000"_s, false, 1));
    dm->localServerWaitMs = 0;
    // Nothing answers at the address: the server is started there, then connected to.
    transport->drop();
    transport->failOpens(1);
    EXPECT_TRUE(dm->CheckConnection());
    EXPECT_EQ(1, started.size());
    EXPECT_TRUE(started.value(0).contains(u"dyt-server --port 4000 --data "_s))
        << started.value(0).toStdString();
    EXPECT_EQ(4000, transport->port());
    // A server answers there again (only the connection broke): none is started.
    transport->drop();
    EXPECT_TRUE(dm->CheckConnection());
    EXPECT_EQ(1, started.size());
    EXPECT_TRUE(dm->Connected());
}
TEST_F(DmFixture, ConnectAndCheckDoNotReenterThemselves) {
    connectLoggedIn();
    // A connect started while one runs (through message processing) returns false at once.
    bool nested = true;
    transport->duringCall = [&](const RecordedCall& c) {
        if (c.method == QLatin1String("InitDataBase"))
            nested = dm->ConnectServer(u"other:1"_s, false, 1);
    };
    EXPECT_TRUE(dm->ConnectServer(u"srv:8019"_s, false, 1));
    EXPECT_FALSE(nested);
    EXPECT_EQ(u"srv"_s, transport->host());
    // A check started while one runs aborts silently; the running check goes on.
    QString inner;
    transport->duringCall = [&](const RecordedCall& c) {
        if (c.method == QLatin1String("ConnectionVar"))
            inner = errorOf([&] { dm->CheckConnection(); });
    };
    EXPECT_TRUE(dm->CheckConnection());
    EXPECT_EQ(u"不提示"_s, inner);
}

namespace {

class ServerEndToEnd : public test::ServerFixture {};

// The fixture connects (without progress) and logs in through the direct server handle.
TEST_F(ServerEndToEnd, CallsARealServerAndAsksWhenItIsGone) {
    EXPECT_TRUE(dm.Connected());
    EXPECT_EQ(server.address(), loginedUser().ServerAddress);
    EXPECT_TRUE(dm.CheckConnection());
    EXPECT_FALSE(dm.GoodsStamp.isEmpty());
    EXPECT_EQ(1, dm.GoodsStampNewer);
    // The server's refusals come back as errors and free the channel.
    RecordSet rs;
    ParamList params;
    EXPECT_EQ(u"ProcName:[p_nope]Error:[存储过程[p_nope]不存在]"_s,
              errorOf([&] { dm.ExecProcQuery(u"p_nope"_s, params, &rs); }));
    EXPECT_NE(QString(), errorOf([&] { dm.ExecUpdate(u"UPDATE no_such_table SET a = 1"_s); }));
    EXPECT_FALSE(dm.CallBusy());
    // The server goes away: the echo fails, the local server cannot be started (no program in
    // the program folder), the operator chooses to quit.
    server.stop();
    script.answer(u"退出系统"_s, u"客户端与服务器连接断开"_s);
    EXPECT_EQ(u"不提示"_s, errorOf([&] { dm.ExecQuery(u"SELECT 1 AS a"_s, &rs); }));
    EXPECT_EQ(1, quits);
    EXPECT_EQ(QStringList{u"本地计算机套接字文件被异常删除，程序无法运行,重新修复安装！"_s},
              script.messages());
    EXPECT_FALSE(dm.Connected());
    EXPECT_FALSE(dm.CallBusy());
}
// The whole load after a real login: the rights, the period and the lookups go through the server's
// dialect translation and its functions.
TEST_F(ServerEndToEnd, WholeLoadAfterALoginReadsTheSeededAccountSet) {
    // A typed quote in a changed setting reaches the server intact.
    dm.ExecUpdate(u"UPDATE sysData SET sysValue = "_s + quotedStr(u"甲's 公司"_s) +
                  u" WHERE Name = '单位全名'"_s);
    TSettings& s = settings();
    s.LoginDate = QDate(2026, 3, 15);
    ASSERT_TRUE(LoadSettings());
    EXPECT_TRUE(s.Loaded);
    EXPECT_TRUE(script.records().isEmpty()) << "the load showed a message";
    // Operator 1 holds every right, the cost view among them.
    EXPECT_EQ(test::clientValuesText(true, u"0.00"_s, u"2026-03-15"_s, u"2026-02-13"_s, false,
                                     u"甲's 公司"_s, u"2"_s),
              test::clientValuesText(s.SeeCost, s.AmountPattern, s.LoginDateText,
                                     s.LoginDateFromText, s.StatusPeriodText.isEmpty(),
                                     s.CompanyFullName, GetSysData(u"qtydot"_s)));
    // The seeded field captions and audit steps as the load reads them.
    EXPECT_EQ(u"商品编号"_s, s.FieldCaption(u"100121"_s));
    ASSERT_TRUE(s.BillAuditSteps.contains(5));
    EXPECT_EQ(1, s.BillAuditSteps.value(5).inputNum);
    EXPECT_TRUE(s.Switch(2012));  // seeded on
}
TEST_F(ServerEndToEnd, SeededRulesThenASavedRuleDriveTheNextNumbers) {
    // The seeded format of the purchase bill and its yearly counter; a number typed by hand is
    // stepped past through the server's dialect layer; sales bills count on their own.
    billnumber::Options seeded;
    seeded.autoNumbering = true;
    seeded.checkDuplicates = true;
    seeded.timeOfDay = QTime(8, 30);
    const QDate march(2025, 3, 4);
    EXPECT_EQ(u"JH-2025-03-04-00001"_s,
              billnumber::nextBillNumber(dm, 5, march, QString(), seeded));
    dm.ExecUpdate(
        QStringLiteral("INSERT INTO djIndex(djType, code, date, dj_state) VALUES (5, "
                       "'JH-2025-03-04-00002', '2025-03-04', 2)"));
    EXPECT_EQ(u"JH-2025-03-04-00003"_s,
              billnumber::nextBillNumber(dm, 5, march, QString(), seeded));
    EXPECT_EQ(u"XS-2025-03-04-00001"_s,
              billnumber::nextBillNumber(dm, 1, march, QString(), seeded));
    TfrmBillNoSet dlg;
    ASSERT_GE(dlg.kindList()->count(), 2);
    EXPECT_TRUE(script.messages().isEmpty())
        << script.messages().join(QLatin1Char('|')).toStdString();
    const int kind = dlg.currentKind();
    ASSERT_GT(kind, 0);
    // Per kind, used at once, daily counter; format "XS" - yyyy - [000].
    dlg.piece(0)->setCurrentText(u"\"XS\""_s);
    dlg.applyPreset(1);
    dlg.piece(4)->setCurrentText(u"[000]"_s);
    dlg.autoBox()->setChecked(true);
    dlg.ruleBox(0)->setCurrentIndex(1);
    dlg.ruleBox(1)->setCurrentIndex(0);
    dlg.ruleBox(2)->setCurrentIndex(2);
    ASSERT_TRUE(dlg.Save());
    EXPECT_EQ(QStringList{u"保存成功！"_s}, script.messages());
    RecordSet rs;
    dm.ExecQuery(billnoset::settingsSql(), &rs);
    billnoset::Settings stored;
    stored.load(rs);
    EXPECT_TRUE(stored.autoSN);
    EXPECT_EQ(1, stored.rule1);
    EXPECT_EQ(2, stored.rule3);
    billnumber::Options options;
    options.autoNumbering = true;
    options.timeOfDay = QTime(9, 30);
    auto next = [&](const QDate& d) {
        return billnumber::nextBillNumber(dm, kind, d, QString(), options);
    };
    EXPECT_EQ(u"XS-2025-001"_s, next(QDate(2025, 7, 1)));
    EXPECT_EQ(u"XS-2025-002"_s, next(QDate(2025, 7, 1)));
    // The reset sets every counter back: the same day starts at 1 again.
    script.answer(u"确定"_s, u"是否将系统所有的计数器复位？"_s);
    ASSERT_TRUE(dlg.resetCounters());
    EXPECT_EQ(u"XS-2025-001"_s, next(QDate(2025, 7, 1)));
    // Apply to all: another kind gets the format.
    ASSERT_TRUE(dlg.applyToAll());
    int other = -1;
    for (int row = 0; row < dlg.kindList()->count() && other < 0; ++row) {
        dlg.kindList()->setCurrentRow(row);
        if (dlg.currentKind() != kind)
            other = dlg.currentKind();
    }
    ASSERT_GT(other, 0);
    EXPECT_EQ(u"\"XS\""_s, dlg.piece(0)->currentText());
    EXPECT_EQ(u"[000]"_s, dlg.piece(4)->currentText());
    EXPECT_EQ(u"XS-2025-001"_s,
              billnumber::nextBillNumber(dm, other, QDate(2025, 7, 1), QString(), options));
    EXPECT_EQ(0, script.pendingAnswers());
}

}  // namespace

namespace {

RecordSet nameValueRows(const QList<QPair<QString, QString>>& rows) {
    RecordSet rs = test::recordSet({u"Name"_s, u"sysValue"_s});
    for (const auto& r : rows)
        rs.appendRow({r.first, r.second});
    return rs;
}
RecordSet confRows(const QList<QPair<int, QString>>& rows) {
    RecordSet rs = test::recordSet({u"id:integer"_s, u"sysValue"_s});
    for (const auto& r : rows)
        rs.appendRow({r.first, r.second});
    return rs;
}
RecordSet oneValue(const QString& field, const QVariant& value) {
    return test::recordSet({value.typeId() == QMetaType::QString ? field : field + u":integer"_s},
                           {{value}});
}

}  // namespace

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { resetSettings(); }
    void TearDown() override { resetSettings(); }
};
TEST_F(SettingsTest, PatternsArePrefixesOfTheLongPatternNamesMatchWithoutCaseMissingOnesStay) {
    TSettings& s = settings();
    RecordSet rows = nameValueRows({{u"pricedot"_s, u"0"_s},
                                    {u"taxdot"_s, u"1"_s},
                                    {u"totaldot"_s, u"3"_s},
                                    {u"qtydot"_s, u"0"_s},
                                    {u"discountdot"_s, u"4"_s}});
    s.applySysData(rows);
    s.buildPatterns();
    EXPECT_EQ((QList<int>{0, 1, 3, 0, 4}),
              (QList<int>{s.PriceDot, s.TaxDot, s.TotalDot, s.QtyDot, s.DiscountDot}));
    EXPECT_EQ((QStringList{u"0."_s, u"0.0"_s, u"0.000"_s, u"0."_s, u"0.0000"_s}),
              (QStringList{s.PricePattern, s.RatioPattern, s.AmountPattern, s.QtyPattern,
                           s.DiscountPattern}));
    // Names match without case, unknown ones are ignored, missing ones stay.
    s.Period = 5;
    s.CompanyFullName = u"旧名"_s;
    rows = nameValueRows({{u"CURRENTYEAR"_s, u"2024"_s},
                          {u"isopen"_s, u"1"_s},
                          {u"KmLength3"_s, u"2"_s},
                          {u"NoSuchSetting"_s, u"abc"_s},
                          {u"单位简名"_s, u"德盈"_s}});
    s.applySysData(rows);
    EXPECT_EQ((QList<int>{2024, 1, 2}), (QList<int>{s.CurrentYear, s.IsOpen, s.kmLength[2]}));
    EXPECT_EQ(u"德盈"_s, s.CompanyShortName);
    EXPECT_EQ(5, s.Period);                   // not in the rows
    EXPECT_EQ(u"旧名"_s, s.CompanyFullName);  // not in the rows
    EXPECT_FALSE(s.applySysData(u"NoSuchSetting"_s, u"12"_s));
    EXPECT_TRUE(s.applySysData(u"Period"_s, u"7"_s));
    EXPECT_EQ(7, s.Period);
}
TEST_F(SettingsTest, FlagsAndSpecialValues) {
    struct Row {
        const char* name;
        const char* value;
        std::function<bool(const TSettings&)> read;
        bool expected;
    };
    const QList<Row> rows{
        {"RPInitOver", "1", [](const TSettings& s) { return s.RPInitOver; }, true},
        {"RPInitOver", "2", [](const TSettings& s) { return s.RPInitOver; }, false},
        {"sysIni", "T", [](const TSettings& s) { return s.SysIni; }, true},
        {"sysIni", "t", [](const TSettings& s) { return s.SysIni; }, true},
        {"sysIni", "1", [](const TSettings& s) { return s.SysIni; }, false},
        {"AutoSN", "1", [](const TSettings& s) { return s.AutoSN; }, true},
        {"AutoSN", "", [](const TSettings& s) { return s.AutoSN; }, false},
        {"系统使用负库存", "1", [](const TSettings& s) { return s.NegativeStock; }, true},
        {"本地快速打印", "0", [](const TSettings& s) { return s.QuickLocalPrint; }, false},
        {"销售单默认收款金额", "1", [](const TSettings& s) { return s.SalesDefaultReceipt; }, true},
        {"销售单默认收款金额", "x", [](const TSettings& s) { return s.SalesDefaultReceipt; },
         false},
    };
    for (const Row& r : rows) {
        resetSettings();
        settings().applySysData(QString::fromUtf8(r.name), QString::fromUtf8(r.value));
        EXPECT_EQ(r.expected, r.read(settings())) << r.name << "=" << r.value;
    }
}
TEST_F(SettingsTest, EnterpriseTypeSetsItsCodeAndTheWageSubject) {
    const QList<QPair<QString, int>> cases{{u"c2006"_s, 97}, {u"C2006"_s, 97}, {u"gy"_s, 103},
                                           {u"GY"_s, 103},   {u"xqy"_s, 78},   {u"other"_s, 78}};
    for (const auto& c : cases) {
        resetSettings();
        settings().EnterpriseCode = 0;
        settings().applySysData(u"EnterpriseType"_s, c.first);
        EXPECT_EQ(c.second, settings().EnterpriseCode) << c.first.toStdString();
        EXPECT_EQ(c.first, settings().EnterpriseType);
        EXPECT_EQ(u"应付职工薪酬"_s, settings().WageSubjectName);
    }
}
TEST_F(SettingsTest, NumbersTextsTheAccountIdDefaultAndTheSwitchesOfSysConf) {
    TSettings& s = settings();
    s.applySysData(u"TaxIniJe"_s, u"12.5"_s);
    s.applySysData(u"inidate"_s, u"2024-01-01"_s);
    s.applySysData(u"自动备份天数"_s, u" 3 "_s);
    s.applySysData(u"销售单默认收款账户ID"_s, u"abc"_s);
    s.applySysData(u"销售单默认收款账户名"_s, u"现金"_s);
    EXPECT_EQ(12.5, s.TaxIniJe);
    EXPECT_EQ((QList<int>{3, 0}), (QList<int>{s.AutoBackupDays, s.SalesReceiptAccountId}));
    EXPECT_EQ((QStringList{u"2024-01-01"_s, u"现金"_s}),
              (QStringList{s.IniDate, s.SalesReceiptAccountName}));
    s.applySysData(u"销售单默认收款账户ID"_s, u"12"_s);
    EXPECT_EQ(12, s.SalesReceiptAccountId);
    // An integer setting holding something else is refused and keeps its value.
    s.Period = 4;
    EXPECT_EQ(u"系统参数[period]的值[五]不是整数"_s,
              test::errorOf([&s] { s.applySysData(u"period"_s, u"五"_s); }));
    EXPECT_EQ(4, s.Period);
    // The switches of sysConf.
    // 2003 is no switch of the list, 2022, 2033 and 2038 are gaps in it: each stays off.
    struct Row {
        int id;
        const char* value;
        bool on;
    };
    const Row rows[] = {{2002, "1", true},  {2003, "1", false}, {2004, "0", false},
                        {2014, "1", true},  {2021, "1", true},  {2022, "1", false},
                        {2033, "1", false}, {2038, "1", false}, {2042, "1", true},
                        {2005, "1", true},  {2028, "1", true},  {2029, "1", true},
                        {2030, "1", true},  {2031, "1", true}};
    QList<QPair<int, QString>> conf{{2001, u"3"_s}};
    for (const Row& r : rows)
        conf.append({r.id, QString::fromLatin1(r.value)});
    RecordSet confSet = confRows(conf);
    s.applySysConf(confSet);
    EXPECT_EQ(3, s.Conf2001);
    for (const Row& r : rows)
        EXPECT_EQ(r.on, s.Switch(r.id)) << r.id;  // as read, before the forcing
    s.forceSwitchesOff();
    for (int id : {2005, 2028, 2029, 2030})
        EXPECT_FALSE(s.Switch(id)) << id;
    EXPECT_TRUE(s.Switch(2031));
}
TEST_F(SettingsTest, PeriodTextOfTheStatusBarAndTheLoginDateTexts) {
    struct Case {
        int period;
        int isOpen;
        QString text;
    };
    const QList<Case> cases{{3, 1, u"会计期间：3 月"_s},
                            {12, 2, u"会计期间：12 月"_s},
                            {3, 0, u"期初"_s},
                            {0, 1, u"期初"_s}};
    for (const Case& c : cases) {
        settings().Period = c.period;
        settings().IsOpen = c.isOpen;
        EXPECT_EQ(c.text, settings().periodText()) << c.period << " " << c.isOpen;
    }
    // The login date texts reach back thirty days.
    settings().setLoginDateTexts(QDate(2024, 3, 15));
    EXPECT_EQ(u"2024-03-15"_s, settings().LoginDateText);
    EXPECT_EQ(u"2024-02-14"_s, settings().LoginDateFromText);
    settings().setLoginDateTexts(QDate(2023, 1, 5));
    EXPECT_EQ(u"2022-12-06"_s, settings().LoginDateFromText);
}

// --- the whole load against the recording transport

class LoadSettingsTest : public DmFixture {
protected:
    void SetUp() override {
        DmFixture::SetUp();
        resetSettings();
        connectLoggedIn();
    }
    void TearDown() override {
        resetSettings();
        DmFixture::TearDown();
    }
    // Answers the next `count` queries from the table of SQL texts; texts not in it get an empty
    // record set, texts in `failures` the error message.
    void serve(int count = 40) {
        for (int i = 0; i < count; ++i) {
            transport->respondWith(u"ExecQuery"_s, [this](const QCborArray& args) {
                const QString sql = args.at(0).toString();
                const auto f = failures.find(sql);
                if (f != failures.end())
                    throw DytError(f->second);
                Response r;
                r.result = 0;
                const auto it = answers.find(sql);
                r.outs = {proto::recordSetToCbor(it == answers.end() ? RecordSet() : it->second),
                          QString()};
                return r;
            });
        }
    }
    QStringList sentSql() const { return sqlOf(u"ExecQuery"_s); }

    static QString purviewSql(int userId, int right) {
        return u"SELECT dbo.fnGetPurview(%1,'%2') as value"_s.arg(userId).arg(right);
    }
    std::map<QString, RecordSet> answers;
    std::map<QString, QString> failures;
};
TEST_F(LoadSettingsTest, SendsTheQueriesInOrderAndStoresWhatComesBack) {
    answers[u"SELECT * FROM sysData"_s] = nameValueRows({{u"period"_s, u"4"_s},
                                                         {u"isOpen"_s, u"1"_s},
                                                         {u"qtydot"_s, u"0"_s},
                                                         {u"PriceDot"_s, u"3"_s}});
    answers[u"SELECT * FROM sysConf"_s] = confRows({{2004, u"1"_s}, {2028, u"1"_s}});
    answers[purviewSql(7, 6003)] = oneValue(u"value"_s, 1);
    answers[purviewSql(7, 6004)] = oneValue(u"value"_s, 1);
    answers[purviewSql(7, 6005)] = oneValue(u"value"_s, 0);
    answers[purviewSql(7, 6016)] = oneValue(u"value"_s, 1);
    RecordSet fields = test::recordSet({u"code"_s, u"name"_s}, {{u"sp_spbh"_s, u"商品编号"_s}});
    answers[u"SELECT * FROM baseFieldNames"_s] = fields;
    RecordSet djb = test::recordSet({u"id:integer"_s, u"inputnum:integer"_s, u"InputName1"_s,
                                     u"InputName2"_s, u"InputID2:integer"_s},
                                    {{5, 2, u"制单"_s, u"审核"_s, 9}});
    answers[u"SELECT * FROM sysdjb"_s] = djb;
    answers[u"SELECT TOP 1 id  FROM baseCuXiao WHERE isStop = 0"_s] = oneValue(u"id"_s, 3);
    answers[u"SELECT dbo.fnGetInterfaceKMID('预收账款') as yushoukm_id "_s] =
        oneValue(u"yushoukm_id"_s, 2203);
    serve();
    settings().LoginDate = QDate(2024, 5, 31);
    EXPECT_TRUE(LoadSettings());
    QStringList expected{u"SELECT * FROM sysData"_s, u"SELECT * FROM sysConf"_s};
    for (int right : {6003, 6004, 6005, 6006, 6007, 6009, 6010, 6013, 6016, 6017})
        expected.append(purviewSql(7, right));
    expected << u"SELECT * FROM baseFieldNames"_s << u"SELECT * FROM sysdjb"_s
             << u"SELECT TOP 1 id  FROM baseCuXiao WHERE isStop = 0"_s
             << QStringLiteral(
                    "SELECT TOP 1 a.id FROM djIndex AS a WHERE a.dj_state = 2 AND a.djType = 71")
             << u"SELECT dbo.fnGetInterfaceKMID('预收账款') as yushoukm_id "_s;
    EXPECT_EQ(expected, sentSql());
    const TSettings& s = settings();
    EXPECT_EQ(4, s.Period);
    // totaldot missing: the default amount pattern stays.
    EXPECT_EQ((QStringList{u"0."_s, u"0.000"_s, u"0.00"_s}),
              (QStringList{s.QtyPattern, s.PricePattern, s.AmountPattern}));
    // 2028 is forced off; right 6016 is held, so its inverted flag is off.
    EXPECT_EQ((QList<bool>{true, false, true, true, false, false, false}),
              (QList<bool>{s.Switch(2004), s.Switch(2028), s.SeeCost, s.Right(6004), s.Right(6005),
                           s.Right(6016), s.Right(6017)}));
    EXPECT_EQ((QStringList{u"2024-05-31"_s, u"2024-05-01"_s, u"商品编号"_s}),
              (QStringList{s.LoginDateText, s.LoginDateFromText, s.FieldCaption(u"SP_SPBH"_s)}));
    ASSERT_TRUE(s.BillAuditSteps.contains(5));
    EXPECT_EQ(test::clientValuesText(2, u"审核"_s, 9, true, false, 2203, u"会计期间：4 月"_s, true),
              test::clientValuesText(s.BillAuditSteps[5].inputNum, s.BillAuditSteps[5].names[1],
                                     s.BillAuditSteps[5].operatorIds[1], s.HasPromotions,
                                     s.HasGiftContractDrafts, s.AdvanceReceiptSubjectId,
                                     s.StatusPeriodText, script.messages().isEmpty()));
}
TEST_F(LoadSettingsTest,
       RightSixteenIsStoredInvertedFieldNameAndAuditFailuresAreShownAndTheLoadGoesOn) {
    loginedUser().UserId = 2;
    serve();  // every purview query answers no row
    EXPECT_TRUE(LoadSettings());
    EXPECT_TRUE(settings().Right(6016));
    EXPECT_FALSE(settings().SeeCost);
    EXPECT_EQ(u"期初"_s, settings().StatusPeriodText);
    // Field-name and audit failures are shown and the load goes on.
    failures[u"SELECT * FROM baseFieldNames"_s] = u"对象名无效"_s;
    failures[u"SELECT * FROM sysdjb"_s] = u"超时"_s;
    answers[QStringLiteral(
        "SELECT TOP 1 a.id FROM djIndex AS a WHERE a.dj_state = 2 AND a.djType = 71")] =
        oneValue(u"id"_s, 1);
    serve();
    EXPECT_TRUE(LoadSettings());
    EXPECT_EQ((QStringList{u"读取基本信息字段配置信息失败:对象名无效"_s,
                           u"读取单据审核配置信息失败:超时"_s}),
              script.messages());
    ASSERT_EQ(2, script.records(PromptKind::Message).size());
    EXPECT_EQ(u"提示"_s, script.records(PromptKind::Message).at(0).caption);
    EXPECT_TRUE(settings().HasGiftContractDrafts);
}
// Any other failure, a bad value too, ends the load with its message and keeps what was stored.
TEST_F(LoadSettingsTest, AnyOtherFailureOrABadValueEndsTheLoad) {
    answers[u"SELECT * FROM sysData"_s] = nameValueRows({{u"period"_s, u"6"_s}});
    failures[u"SELECT * FROM sysConf"_s] = u"连接中断"_s;
    serve();
    EXPECT_FALSE(LoadSettings());
    EXPECT_EQ(QStringList{u"读取配置信息失败:连接中断"_s}, script.messages());
    EXPECT_EQ(u"提示"_s, script.records(PromptKind::Message).at(0).caption);
    EXPECT_EQ(6, settings().Period);
    EXPECT_EQ(2, sentSql().size());  // nothing after the failing query
    EXPECT_EQ(QString(), settings().StatusPeriodText);
    transport->clearCalls();
    script.clearRecords();
    answers[u"SELECT * FROM sysData"_s] = nameValueRows({{u"qtydot"_s, u"two"_s}});
    EXPECT_FALSE(LoadSettings());
    EXPECT_EQ(QStringList{u"读取配置信息失败:系统参数[qtydot]的值[two]不是整数"_s},
              script.messages());
    EXPECT_EQ(1, sentSql().size());
}

// --- the main window's hooks: panel 5 shows the period, the close reads the backup settings

namespace {

class SettingsHooksTest : public DmFixture {
protected:
    void SetUp() override {
        DmFixture::SetUp();
        resetSettings();
        ASSERT_TRUE(dir.isValid());
        main = std::make_unique<TfrmMain>(dir.path());
        main->attachDataModule(dm.get());
        installSettingsHooks(*main);
        connectLoggedIn();
    }
    void TearDown() override {
        main.reset();
        resetSettings();
        DmFixture::TearDown();
    }
    QTemporaryDir dir;
    std::unique_ptr<TfrmMain> main;
};

}  // namespace

// A load shows the period in panel 5 and gives the backup settings; a failed one leaves the panel
// and reports false.
TEST_F(SettingsHooksTest, LoadShowsThePeriodInPanelFiveAndGivesTheBackupSettings) {
    QString last = u"unchanged"_s;
    int interval = -5;
    ASSERT_TRUE(main->hooks.autoBackupSettings);
    EXPECT_FALSE(main->hooks.autoBackupSettings(&last, &interval));  // nothing loaded yet
    EXPECT_EQ(u"unchanged"_s, last);
    answerQuery(
        nameValueRows({{u"period"_s, u"4"_s}, {u"isOpen"_s, u"1"_s}, {u"自动备份天数"_s, u"7"_s}}));
    ASSERT_TRUE(main->hooks.loadSettings);
    EXPECT_TRUE(main->hooks.loadSettings());
    EXPECT_EQ(u"会计期间：4 月"_s, main->panelText(TfrmMain::kMessagePanel));
    EXPECT_FALSE(main->panelVisible(TfrmMain::kMessagePanel));  // the panel stays hidden
    answerQuery(test::recordSet({u"value"_s}, {{u"2026-11-29"_s}}));
    EXPECT_TRUE(main->hooks.autoBackupSettings(&last, &interval));
    EXPECT_EQ(u"2026-11-29 7"_s, last + u' ' + QString::number(interval));
    EXPECT_EQ(u"SELECT dbo.fnGetSysData('自动备份日期','') as value"_s,
              transport->calls().last().sql);
    transport->fail(u"ExecQuery"_s, u"对象名无效"_s);
    EXPECT_FALSE(main->hooks.loadSettings());
    EXPECT_EQ(u"会计期间：4 月"_s, main->panelText(TfrmMain::kMessagePanel));
    EXPECT_EQ(QStringList{u"读取配置信息失败:对象名无效"_s}, script.messages());
}

namespace {

QDate d(int y, int m, int day) {
    return QDate(y, m, day);
}

}  // namespace

TEST(quotedStr, DoublesEveryInnerQuote) {
    const QList<QPair<QString, QString>> cases{
        {u"abc"_s, u"'abc'"_s},
        {QString(), u"''"_s},
        {u"O'Brien"_s, u"'O''Brien'"_s},
        {u"'"_s, u"''''"_s},
        {u"a'';drop table x--"_s, u"'a'''';drop table x--'"_s},
        {u"预收账款"_s, u"'预收账款'"_s}};
    for (const auto& c : cases)
        EXPECT_EQ(c.second, quotedStr(c.first)) << c.first.toStdString();
}

TEST(DatePresets, EveryPresetOnAWednesdayInMayAndWeeksRunMondayToSunday) {
    const QDate today = d(2024, 5, 15);  // a Wednesday
    struct Case {
        int no;
        QDate begin;
        QDate end;
    };
    const QList<Case> cases{
        {1, d(2024, 5, 15), d(2024, 5, 15)},   {2, d(2024, 5, 14), d(2024, 5, 14)},
        {3, d(2024, 5, 13), d(2024, 5, 19)},   {4, d(2024, 5, 6), d(2024, 5, 12)},
        {5, d(2024, 5, 1), d(2024, 5, 31)},    {6, d(2024, 4, 1), d(2024, 4, 30)},
        {7, d(2024, 1, 1), d(2024, 3, 31)},    {8, d(2024, 4, 1), d(2024, 6, 30)},
        {9, d(2024, 7, 1), d(2024, 9, 30)},    {10, d(2024, 10, 1), d(2024, 12, 31)},
        {11, d(2024, 1, 1), d(2024, 6, 30)},   {12, d(2024, 7, 1), d(2024, 12, 31)},
        {13, d(2024, 1, 1), d(2024, 12, 31)},  {14, d(2023, 1, 1), d(2023, 3, 31)},
        {15, d(2023, 4, 1), d(2023, 6, 30)},   {16, d(2023, 7, 1), d(2023, 9, 30)},
        {17, d(2023, 10, 1), d(2023, 12, 31)}, {18, d(2023, 1, 1), d(2023, 6, 30)},
        {19, d(2023, 7, 1), d(2023, 12, 31)},  {20, d(2023, 1, 1), d(2023, 12, 31)},
    };
    ASSERT_EQ(20, cases.size());
    for (const Case& c : cases) {
        QDate begin, end;
        ASSERT_TRUE(datePresetRange(c.no, today, &begin, &end)) << c.no;
        EXPECT_EQ(c.begin, begin) << "preset " << c.no;
        EXPECT_EQ(c.end, end) << "preset " << c.no;
    }
    // Weeks run Monday to Sunday.
    const QList<std::pair<QDate, QDate>> weeks{
        {d(2024, 5, 19), d(2024, 5, 13)},  // Sunday: the week that began six days before
        {d(2024, 5, 13), d(2024, 5, 13)},  // Monday: its own week
        {d(2024, 5, 18), d(2024, 5, 13)},  // Saturday
        {d(2024, 1, 1), d(2024, 1, 1)},    // a Monday at the turn of the year
        {d(2023, 1, 1), d(2022, 12, 26)},  // a Sunday at the turn of the year
    };
    for (const auto& [day, monday] : weeks) {
        QDate begin, end;
        ASSERT_TRUE(datePresetRange(3, day, &begin, &end));
        EXPECT_EQ(monday, begin) << day.toString().toStdString();
        EXPECT_EQ(monday.addDays(6), end);
        ASSERT_TRUE(datePresetRange(4, day, &begin, &end));
        EXPECT_EQ(monday.addDays(-7), begin);
        EXPECT_EQ(monday.addDays(-1), end);
    }
}
// Months at the edges; numbers outside the list (no range) leave the dates unchanged.
TEST(DatePresets, MonthsAtTheEdgesNumbersOutsideTheListAndTheListAndItsApplication) {
    const struct {
        int no;
        QDate today, begin, end;
    } cases[] = {
        {6, d(2024, 1, 31), d(2023, 12, 1), d(2023, 12, 31)},  // "上月" in January
        {6, d(2024, 3, 31), d(2024, 2, 1), d(2024, 2, 29)},    // February of a leap year
        {5, d(2023, 2, 10), d(2023, 2, 1), d(2023, 2, 28)},    // and of a common year
        {2, d(2024, 1, 1), d(2023, 12, 31), d(2023, 12, 31)},  // "昨天" on the first of January
        {0, d(2024, 5, 15), {}, {}},
        {-1, d(2024, 5, 15), {}, {}},
        {21, d(2024, 5, 15), {}, {}},
    };
    for (const auto& c : cases) {
        QDate begin = d(2000, 1, 1), end = d(2000, 1, 2);
        EXPECT_EQ(c.begin.isValid(), datePresetRange(c.no, c.today, &begin, &end)) << c.no;
        EXPECT_EQ(c.begin.isValid() ? c.begin : d(2000, 1, 1), begin) << c.no;
        EXPECT_EQ(c.end.isValid() ? c.end : d(2000, 1, 2), end) << c.no;
    }
    // The list and its application.
    QComboBox combo;
    FillDatePresets(&combo);
    ASSERT_EQ(20, combo.count());
    for (int i = 0; i < combo.count(); ++i)
        EXPECT_EQ(i + 1, combo.itemData(i).toInt());
    QDateEdit begin(d(2000, 1, 1)), end(d(2000, 1, 1));
    combo.setCurrentIndex(11);  // "今年下半年"
    EXPECT_TRUE(ApplyDatePreset(&combo, &begin, &end, d(2024, 2, 10)));
    EXPECT_EQ(d(2024, 7, 1), begin.date());
    EXPECT_EQ(d(2024, 12, 31), end.date());
    combo.setCurrentIndex(-1);
    EXPECT_FALSE(ApplyDatePreset(&combo, &begin, &end, d(2020, 2, 10)));
    EXPECT_EQ(d(2024, 7, 1), begin.date());
    QComboBox other;
    other.addItem(u"自定义"_s, 0);
    EXPECT_FALSE(ApplyDatePreset(&other, &begin, &end, d(2020, 2, 10)));
    EXPECT_EQ(d(2024, 12, 31), end.date());
}

TEST(SqlScript, SplitsAtGoLinesAndLeavesOutUseAndLeadingComments) {
    const QString script = QStringLiteral(
        "USE dyt_data\r\n"
        "-- the first batch\r\n"
        "\r\n"
        "create table t1 (\r\n"
        "  USER_ID int,\r\n"
        "  -- a comment inside stays\r\n"
        "  name varchar(20))\r\n"
        "go\r\n"
        "  GO  \r\n"
        "use [other]\r\n"
        "insert into t1 values (1, 'a')\n"
        "USE other\n"
        "insert into t1 values (2, 'b')\n"
        "\tGo\t\n"
        "-- only a comment between\n"
        "GOTO done\n"
        "update t1 set name = 'c'");
    const QStringList expected{
        QStringLiteral("create table t1 (\r\n  USER_ID int,\r\n  -- a comment inside "
                       "stays\r\n  name varchar(20))"),
        u"insert into t1 values (1, 'a')\r\ninsert into t1 values (2, 'b')"_s,
        u"GOTO done\r\nupdate t1 set name = 'c'"_s};
    EXPECT_EQ(expected, splitSqlScript(script));
    // Empty and comment-only scripts have no batch.
    EXPECT_EQ(QStringList(), splitSqlScript(QString()));
    EXPECT_EQ(QStringList(), splitSqlScript(u"GO\r\ngo\r\n-- x\r\nUSE a\r\n\r\n"_s));
    EXPECT_EQ(QStringList{u"select 1"_s}, splitSqlScript(u"select 1\rGO\r"_s));
}
// The same logged-in data module with fresh settings.
class LookupsTest : public LoadSettingsTest {
protected:
    QString lastSql() const { return transport->calls().last().sql; }
    static RecordSet rows(const QString& field, FieldType type, const QVariantList& values) {
        RecordSet rs;
        rs.addField(field, type);
        for (const QVariant& v : values)
            rs.appendRow({v});
        return rs;
    }
};
TEST_F(LookupsTest, SysDataPurviewAndPeriodDatesQuoteTheirTextsAndWantOneRow) {
    answerQuery(rows(u"value"_s, FieldType::Text, {u"  2024 "_s}));
    EXPECT_EQ(u"2024"_s, GetSysData(u"Current'Year"_s));
    EXPECT_EQ(u"SELECT dbo.fnGetSysData('Current''Year','') as value"_s, lastSql());
    answerQuery(rows(u"value"_s, FieldType::Text, {u"a"_s, u"b"_s}));
    EXPECT_EQ(QString(), GetSysData(u"x"_s));
    EXPECT_EQ(QString(), GetSysData(u"x"_s));  // no row
    // The purview sends the operator and the quoted right.
    loginedUser().UserId = 12;
    answerQuery(rows(u"value"_s, FieldType::Integer, {1}));
    EXPECT_TRUE(GetPurview(u"600301"_s));
    EXPECT_EQ(u"SELECT dbo.fnGetPurview(12,'600301') as value"_s, lastSql());
    answerQuery(rows(u"value"_s, FieldType::Integer, {0}));
    EXPECT_FALSE(GetPurview(u"600301"_s));
    EXPECT_FALSE(GetPurview(u"1'2"_s));
    EXPECT_EQ(u"SELECT dbo.fnGetPurview(12,'1''2') as value"_s, lastSql());
    // The dates of a period.
    RecordSet p = test::recordSet({u"beginDate:date"_s, u"EndDate"_s},
                                  {{d(2024, 3, 1), u"2024-03-31 00:00:00"_s}});
    answerQuery(p);
    QString begin, end;
    EXPECT_TRUE(GetPeriodDates(3, &begin, &end));
    EXPECT_EQ(u"SELECT * FROM sysPeriod AS a WHERE a.type = 0 AND a.id = 3"_s, lastSql());
    EXPECT_EQ(u"2024-03-01 2024-03-31"_s, begin + u' ' + end);
    EXPECT_FALSE(GetPeriodDates(13, &begin, &end));
    EXPECT_EQ(u" "_s, begin + u' ' + end);
}
TEST_F(LookupsTest, PriceAndCostLookups) {
    answerQuery(rows(u"price"_s, FieldType::Float, {12.5}));
    EXPECT_EQ(12.5, GetGoodsPrice(5, 10, 20, 3, d(2024, 2, 1)));
    EXPECT_EQ(u"SELECT dbo.fnGetGoodsPrice(0,5,10,20,3,'2024-02-01') as Price"_s, lastSql());
    answerQuery(rows(u"Price"_s, FieldType::Float, {7.25}));
    EXPECT_EQ(7.25, GetCostTotal({1, 2, 3}));
    EXPECT_EQ(u"SELECT dbo.fnGetCostTotal(1,2,3) as Price"_s, lastSql());
    EXPECT_EQ(0.0, GetCostPrice({4, -5}));  // no row
    EXPECT_EQ(u"SELECT dbo.fnGetCostPrice(4,-5) as Price"_s, lastSql());
    answerQuery(rows(u"price"_s, FieldType::Float, {3.0}));
    EXPECT_EQ(3.0, GetCostTotalOther(u"1,2'"_s, {8, 9}));
    EXPECT_EQ(u"SELECT dbo.fnGetCostTotalOther('1,2''',8,9) as Price"_s, lastSql());
    EXPECT_EQ(u"GetGoodsPrice: 需要五个整数参数"_s, errorOf([] { GetGoodsPrice({1, 2}, u"x"_s); }));
}
TEST_F(LookupsTest, InterfaceSubjectWithAndWithoutTheAccountRights) {
    loginedUser().UserId = 3;
    RecordSet km = test::recordSet({u"id:integer"_s, u"fullname"_s}, {{2203, u"预收账款"_s}});
    answerQuery(km);
    int id = 0;
    QString name;
    EXPECT_TRUE(GetInterfaceSubject(u"预收账款"_s, &id, &name));
    EXPECT_EQ(u"select * from basekm where id = dbo.fnGetInterfaceKMID('预收账款')"_s, lastSql());
    EXPECT_EQ(2203, id);
    EXPECT_EQ(u"预收账款"_s, name);
    settings().setSwitch(2004, true);
    RecordSet withBj =
        test::recordSet({u"id:integer"_s, u"fullname"_s, u"bj:integer"_s}, {{101, u"现金"_s, 0}});
    withBj.first();
    answerQuery(withBj);
    EXPECT_FALSE(GetInterfaceSubject(u"现金'"_s, &id, &name));
    EXPECT_EQ(QStringLiteral(" SELECT a.* ,isnull(b.isbj,1) AS bj FROM basekm AS a LEFT JOIN "
                             "baseYHZHPurview AS b ON a.id = b.id AND b.czy_id = 3 WHERE a.id = "
                             "dbo.fnGetInterfaceKMID('现金''')"),
              lastSql());
    withBj.setValue(u"bj"_s, 1);
    answerQuery(withBj);
    EXPECT_TRUE(GetInterfaceSubject(u"现金"_s, &id, &name));
    EXPECT_FALSE(GetInterfaceSubject(u"现金"_s, &id, &name));  // no row
}
TEST_F(LookupsTest, BillTypesWithAndWithoutTheAllEntry) {
    RecordSet types =
        test::recordSet({u"id:integer"_s, u"fullname"_s}, {{5, u"进货单"_s}, {1, u"销售单"_s}});
    answerQuery(types);
    QComboBox combo;
    combo.addItem(u"旧的"_s);
    FillBillTypes(&combo, false);
    EXPECT_EQ(QStringLiteral(" SELECT a.djType as id,a.dj_Caption as fullname FROM djIndex AS a "
                             "WHERE a.dj_state <> 0  GROUP BY a.djType,a.dj_Caption"),
              lastSql());
    const auto entries = [&combo] {
        QStringList out;
        for (int i = 0; i < combo.count(); ++i)
            out << combo.itemText(i) + u'=' + combo.itemData(i).toString();
        return out.join(u',') + u" @"_s + QString::number(combo.currentIndex());
    };
    EXPECT_EQ(u"[全部单据]=0,进货单=5,销售单=1 @0"_s, entries());
    answerQuery(types);
    FillBillTypes(&combo, true);
    EXPECT_EQ(u"进货单=5,销售单=1 @0"_s, entries());
}
TEST_F(LookupsTest, RunSqlScriptSendsEachBatch) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString utf8 = dir.filePath(u"a.sql"_s);
    {
        QFile f(utf8);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("USE x\r\nupdate t set a = '甲'\r\nGO\r\ndelete from t\r\n");
    }
    EXPECT_EQ(2, RunSqlScript(utf8));
    EXPECT_EQ((QStringList{u"update t set a = '甲'"_s, u"delete from t"_s}),
              sqlOf(u"ExecUpdate"_s));
    const QString gbkFile = dir.filePath(u"b.sql"_s);
    {
        QFile f(gbkFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(gbk::encode(u"update t set a = '乙'\r\ngo\r\n"_s));
    }
    EXPECT_EQ(1, RunSqlScript(gbkFile));
    EXPECT_EQ(u"update t set a = '乙'"_s, lastSql());
    const QString missing = dir.filePath(u"none.sql"_s);
    EXPECT_EQ(u"找不到脚本文件："_s + missing, errorOf([&] { RunSqlScript(missing); }));
}
TEST(FailIf, RaisesWhenTheConditionDoesNotHoldAndFocusesTheControl) {
    QWidget window;
    auto* edit = new QLineEdit(&window);
    auto* other = new QLineEdit(&window);
    window.show();
    window.activateWindow();
    other->setFocus();
    EXPECT_EQ(QString(), errorOf([&] { FailIf(edit, true, u"请输入名称"_s); }));
    EXPECT_EQ(u"请输入名称"_s, errorOf([&] { FailIf(edit, false, u"请输入名称"_s); }));
    EXPECT_EQ(edit, window.focusWidget());
    other->setFocus();
    edit->setEnabled(false);
    EXPECT_EQ(u"请输入名称"_s, errorOf([&] { FailIf(edit, false, u"请输入名称"_s); }));
    EXPECT_EQ(other, window.focusWidget());
    EXPECT_EQ(u"无控件"_s, errorOf([] { FailIf(nullptr, false, u"无控件"_s); }));
}
TEST(PrintIni, OpenedOnceInTheProgramFolderAndKept) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    resetPrintIni();
    setPrintIniFolder(dir.path());
    IniFile& first = GetPrintIni();
    EXPECT_EQ(QDir(dir.path()).filePath(u"print.ini"_s), first.fileName());
    first.writeString(u"打印"_s, u"份数"_s, u"2"_s);
    EXPECT_EQ(&first, &GetPrintIni());
    EXPECT_EQ(u"2"_s, IniFile(first.fileName()).readString(u"打印"_s, u"份数"_s));
    resetPrintIni();
    setPrintIniFolder(QString());
}
