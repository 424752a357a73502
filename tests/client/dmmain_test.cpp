// The data module against the recording transport: address parsing, connecting, the call
// channel, the query-only rules, the echo check with its reconnect dialog, the wrappers.
// Against a real dyt-server: the data module (connect, echo, errors, the reconnect dialog), the
// settings load and the bill-number rules.

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>

#include "client/logic/billnumber.h"
#include "client/logic/clientconfig.h"
#include "client/logic/lookups.h"
#include "client/logic/settings.h"
#include "client/system/frmbillnoset.h"
#include "common/error.h"
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
TEST_F(DmFixture, ConnectOpensHostAndPortAndKeepsTheAddressAsTyped) {
    ASSERT_TRUE(dm->ConnectServer(u"srv:x"_s, false, 1));
    EXPECT_EQ(u"srv"_s, transport->host());
    EXPECT_EQ(211, transport->port());
    EXPECT_TRUE(dm->Connected());
    EXPECT_EQ(u"srv:x"_s, loginedUser().ServerAddress);
    EXPECT_EQ(QStringList{u"InitDataBase"_s}, transport->methods());
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
TEST_F(DmFixture, ConnectTriesAsOftenAsAskedAndShowsProgress) {
    transport->failOpens(2);
    EXPECT_TRUE(dm->ConnectServer(u"srv:8019"_s, true, 3));
    EXPECT_EQ(3, transport->openCount());
    EXPECT_EQ(QStringList{u"客户端系统正在尝试连接应用服务器，请稍后..."_s},
              script.progressTexts());
    EXPECT_FALSE(script.progressVisible());
}
TEST_F(DmFixture, GetAppServerAndDisconnect) {
    EXPECT_EQ(u"应用服务器还没有初始化，或者连接没有打开"_s, errorOf([&] { dm->GetAppServer(); }));
    connectLoggedIn();
    EXPECT_EQ(transport, &dm->GetAppServer());
    dm->Disconnect();
    EXPECT_FALSE(dm->Connected());
    EXPECT_FALSE(transport->isOpen());
}
TEST_F(DmFixture, CallWhileDisconnectedFailsAtOnceWithoutSending) {
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
TEST_F(DmFixture, ChannelIsFreeAgainAfterAFailure) {
    connectLoggedIn();
    transport->respond(u"ExecUpdate"_s, -1, {u"违反唯一约束"_s});
    EXPECT_EQ(u"违反唯一约束"_s, errorOf([&] { dm->ExecUpdate(u"insert into t values(1)"_s); }));
    EXPECT_FALSE(dm->CallBusy());
    transport->respond(u"ExecUpdate"_s, 3, {QString()});
    EXPECT_EQ(3, dm->ExecUpdate(u"update t set a=1"_s));
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
    transport->respond(u"ExecQuery"_s, 0, {QCborValue(QCborValue::Null), u"没有数据"_s});
    EXPECT_EQ(u"没有数据"_s, errorOf([&] { dm->ExecQuery(u"select 1"_s, &rs); }));
}
TEST_F(DmFixture, ExecProcQueryCopiesASingleRowIntoTheList) {
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
}
TEST_F(DmFixture, ExecProcQueryErrors) {
    connectLoggedIn();
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
    EXPECT_EQ(u"系统错误|客户端与服务器连接断开, 您要继续尝试连接服务器还是退出系统?|继续连接,退出系统"_s,
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
TEST_F(DmFixture, WrappersRefuseMissingArguments) {
    connectLoggedIn();
    ParamList params;
    EXPECT_NE(QString(), errorOf([&] { dm->ExecUpdate(u"  "_s); }));
    EXPECT_NE(QString(), errorOf([&] { dm->ExecQuery(u"select 1"_s, nullptr); }));
    EXPECT_NE(QString(), errorOf([&] { dm->ExecService(QString(), u"SaveToDB"_s, params); }));
    EXPECT_TRUE(transport->calls().isEmpty());
    EXPECT_FALSE(dm->CallBusy());
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
        test::clientValuesText(s.SeeCost, s.AmountPattern, s.LoginDateText, s.LoginDateFromText,
            s.StatusPeriodText.isEmpty(), s.CompanyFullName, GetSysData(u"qtydot"_s)));
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
