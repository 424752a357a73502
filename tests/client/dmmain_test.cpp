// The data module against the recording transport: address parsing, connecting, the call
// channel, the query-only rules, the echo check with its reconnect dialog, the wrappers.

#include <QCborArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "common/error.h"
#include "common/paramlist.h"
#include "common/recordset.h"
#include "dmtest_support.h"
#include "protocol/protocol.h"
#include "support/testutil.h"

using namespace dyt;
using namespace dyt::client;
using dyt::test::DmFixture;

namespace {

using dyt::test::errorOf;

RecordSet goodsRows(int rows) {
    RecordSet rs = test::recordSet({QStringLiteral("sp_spbh"), QStringLiteral("qty:integer")});
    for (int i = 0; i < rows; ++i)
        rs.appendRow({QStringLiteral("G%1").arg(i + 1), 10 * (i + 1)});
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
    const struct {
        const char* address;
        const char* host;
        int port;
    } cases[] = {{"srv:8019", "srv", 8019}, {"srv:x", "srv", 211}, {"srv", "srv", 211}};
    for (const auto& c : cases) {
        ASSERT_TRUE(dm->ConnectServer(QString::fromUtf8(c.address), false, 1));
        EXPECT_EQ(QString::fromUtf8(c.host), transport->host());
        EXPECT_EQ(c.port, transport->port());
        EXPECT_TRUE(dm->Connected());
        EXPECT_EQ(QString::fromUtf8(c.address), loginedUser().ServerAddress);
        EXPECT_EQ(QStringList{QStringLiteral("InitDataBase")}, transport->methods());
        transport->clearCalls();
    }
}

TEST_F(DmFixture, ConnectFailuresRaiseTheirMessage) {
    transport->failOpens(1, QStringLiteral("连接被拒绝"));
    EXPECT_EQ(QStringLiteral("连接失败：连接被拒绝"),
              errorOf([&] { dm->ConnectServer(QStringLiteral("srv"), false, 1); }));
    EXPECT_FALSE(dm->Connected());

    transport->respond(QStringLiteral("InitDataBase"), 1, {QStringLiteral("数据库没有准备好")});
    EXPECT_EQ(QStringLiteral("连接失败：数据库没有准备好"),
              errorOf([&] { dm->ConnectServer(QStringLiteral("srv"), false, 1); }));
    EXPECT_FALSE(dm->Connected());
    EXPECT_EQ(QString(), loginedUser().ServerAddress);

    // A failure without a message is a plain false.
    transport->respond(QStringLiteral("InitDataBase"), 1, {QString()});
    EXPECT_FALSE(dm->ConnectServer(QStringLiteral("srv"), false, 1));
}

TEST_F(DmFixture, ConnectTriesAsOftenAsAskedAndShowsProgress) {
    transport->failOpens(2);
    EXPECT_TRUE(dm->ConnectServer(QStringLiteral("srv:8019"), true, 3));
    EXPECT_EQ(3, transport->openCount());
    EXPECT_EQ(QStringList{QStringLiteral("客户端系统正在尝试连接应用服务器，请稍后...")},
              script.progressTexts());
    EXPECT_FALSE(script.progressVisible());
}

TEST_F(DmFixture, GetAppServerAndDisconnect) {
    EXPECT_EQ(QStringLiteral("应用服务器还没有初始化，或者连接没有打开"),
              errorOf([&] { dm->GetAppServer(); }));
    connectLoggedIn();
    EXPECT_EQ(transport, &dm->GetAppServer());
    dm->Disconnect();
    EXPECT_FALSE(dm->Connected());
    EXPECT_FALSE(transport->isOpen());
}

TEST_F(DmFixture, CallWhileDisconnectedFailsAtOnceWithoutSending) {
    RecordSet rs;
    ParamList params;
    const QString down = QStringLiteral("当前网络数据通道断开,请稍后再次尝试!");
    EXPECT_EQ(down, errorOf([&] { dm->ExecQuery(QStringLiteral("select 1"), &rs); }));
    EXPECT_EQ(down, errorOf([&] { dm->ExecUpdate(QStringLiteral("delete from t")); }));
    EXPECT_EQ(down, errorOf([&] { dm->ExecProc(QStringLiteral("p_x"), params); }));
    EXPECT_EQ(down, errorOf([&] { dm->ExecProcQuery(QStringLiteral("p_x"), params, &rs); }));
    EXPECT_EQ(down, errorOf([&] {
                  dm->ExecService(QStringLiteral("QMXService"), QStringLiteral("SaveToDB"), params);
              }));
    EXPECT_EQ(0, transport->calls().size());
    EXPECT_EQ(0, transport->openCount());
    EXPECT_TRUE(script.records().isEmpty());
}

TEST_F(DmFixture, CallDuringACallFailsBusyAndLeavesTheRunningCallUndisturbed) {
    connectLoggedIn();
    QString inner;
    transport->duringCall = [&](const RecordedCall& c) {
        if (c.method == QLatin1String("ExecProc")) {
            inner = errorOf([&] { dm->ExecUpdate(QStringLiteral("update t set a=1")); });
        }
    };
    transport->respond(QStringLiteral("ExecProc"), 0,
                       {QStringLiteral("a=1\r\nczy_id=7\r\nNewId=42"), 5, QString()});
    ParamList params;
    params.setValue(QStringLiteral("a"), QStringLiteral("1"));
    EXPECT_EQ(5, dm->ExecProc(QStringLiteral("P_JXC_Save"), params));
    EXPECT_EQ(QStringLiteral("当前网络数据通道繁忙,请稍后再次尝试!"), inner);
    EXPECT_EQ(QStringLiteral("42"), params.value(QStringLiteral("NewId")));
    EXPECT_EQ((QStringList{QStringLiteral("ConnectionVar"), QStringLiteral("ExecProc")}),
              transport->methods());
    EXPECT_FALSE(dm->CallBusy());
}

TEST_F(DmFixture, ChannelIsFreeAgainAfterAFailure) {
    connectLoggedIn();
    transport->respond(QStringLiteral("ExecUpdate"), -1, {QStringLiteral("违反唯一约束")});
    EXPECT_EQ(QStringLiteral("违反唯一约束"),
              errorOf([&] { dm->ExecUpdate(QStringLiteral("insert into t values(1)")); }));
    EXPECT_FALSE(dm->CallBusy());
    transport->respond(QStringLiteral("ExecUpdate"), 3, {QString()});
    EXPECT_EQ(3, dm->ExecUpdate(QStringLiteral("update t set a=1")));
}

TEST_F(DmFixture, QueryOnlyModeRefusesChangesBeforeSendingAndAllowsTheLog) {
    connectLoggedIn();
    setRunMode(kQueryOnlyMode);
    const QString refused = QStringLiteral("您当前使用的是查询版,只能查询");
    struct Case {
        const char* name;
        std::function<void()> call;
        bool allowed;
    };
    ParamList params;
    RecordSet rs;
    const Case cases[] = {
        {"ExecUpdate", [&] { dm->ExecUpdate(QStringLiteral("update t set a=1")); }, false},
        {"ExecService",
         [&] { dm->ExecService(QStringLiteral("QMXService"), QStringLiteral("SaveToDB"), params); },
         false},
        {"ExecProc P_JXC_SaveGoods",
         [&] { dm->ExecProc(QStringLiteral("P_JXC_SaveGoods"), params); }, false},
        {"ExecProc p_sys_Up_LogX", [&] { dm->ExecProc(QStringLiteral("p_sys_Up_LogX"), params); },
         false},
        {"ExecProc p_sys_Up_Log", [&] { dm->ExecProc(QStringLiteral("p_sys_Up_Log"), params); },
         true},
        {"ExecProc P_SYS_UP_LOG", [&] { dm->ExecProc(QStringLiteral("P_SYS_UP_LOG"), params); },
         true},
        {"ExecProc p_Sys_up_log", [&] { dm->ExecProc(QStringLiteral("p_Sys_up_log"), params); },
         true},
        {"ExecProc P_sys_up_colconfigure",
         [&] { dm->ExecProc(QStringLiteral("P_sys_up_colconfigure"), params); }, true},
        {"ExecQuery", [&] { dm->ExecQuery(QStringLiteral("select 1"), &rs); }, true},
        {"ExecProcQuery", [&] { dm->ExecProcQuery(QStringLiteral("p_q"), params, &rs); }, true},
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
    params.setValue(QStringLiteral("CZY_ID"), QStringLiteral("99"));  // replaced, any case
    params.setValue(QStringLiteral("id"), QStringLiteral("3"));
    transport->respond(
        QStringLiteral("ExecProc"), 0,
        {QStringLiteral("CZY_ID=7\r\nid=3\r\nmsg=done"), -2, QStringLiteral("单据已审核")});
    EXPECT_EQ(QStringLiteral("单据已审核"),
              errorOf([&] { dm->ExecProc(QStringLiteral("P_JXC_Del"), params); }));
    ASSERT_EQ(2, transport->calls().size());
    EXPECT_EQ((QStringList{QStringLiteral("CZY_ID=7"), QStringLiteral("id=3")}),
              transport->calls().at(1).paramLines);
    EXPECT_EQ(QStringLiteral("P_JXC_Del"), transport->calls().at(1).procedure);
    EXPECT_EQ(QStringLiteral("done"), params.value(QStringLiteral("msg")));

    // Without raising, the negative result comes back.
    transport->respond(QStringLiteral("ExecProc"), 0, {params.text(), -2, QStringLiteral("x")});
    EXPECT_EQ(-2, dm->ExecProc(QStringLiteral("P_JXC_Del"), params, false));

    // Services carry the operator too and pass their packets.
    transport->clearCalls();
    ParamList svc;
    const RecordSet lines = goodsRows(2);
    EXPECT_EQ(0, dm->ExecService(QStringLiteral("QMXService"), QStringLiteral("SaveToDraft"), svc,
                                 &lines));
    const RecordedCall& call = transport->calls().at(1);
    EXPECT_EQ(QStringLiteral("QMXService"), call.procedure);
    EXPECT_EQ(QStringLiteral("SaveToDraft"), call.serviceMethod);
    EXPECT_EQ(QStringList{QStringLiteral("czy_id=7")}, call.paramLines);
    EXPECT_EQ(2, proto::recordSetFromCbor(call.args.at(3)).rowCount());
    EXPECT_TRUE(call.args.at(4).isNull());
}

TEST_F(DmFixture, ExecQueryTakesThePacketOrRaisesTheMessage) {
    connectLoggedIn();
    RecordSet rs = goodsRows(1);  // an open record set is emptied first
    transport->respond(QStringLiteral("ExecQuery"), 0,
                       {proto::recordSetToCbor(goodsRows(3)), QString()});
    dm->ExecQuery(QStringLiteral("select sp_spbh, qty from goods"), &rs);
    EXPECT_EQ(QStringLiteral("select sp_spbh, qty from goods"), transport->calls().at(1).sql);
    EXPECT_EQ(3, rs.recordCount());
    EXPECT_EQ(0, rs.recNo());
    EXPECT_EQ(QStringLiteral("G1"), rs.text(QStringLiteral("sp_spbh")));

    transport->respond(QStringLiteral("ExecQuery"), -1,
                       {QCborValue(QCborValue::Null), QStringLiteral("对象名无效")});
    EXPECT_EQ(QStringLiteral("对象名无效"),
              errorOf([&] { dm->ExecQuery(QStringLiteral("select * from nope"), &rs); }));
    transport->respond(QStringLiteral("ExecQuery"), 0,
                       {QCborValue(QCborValue::Null), QStringLiteral("没有数据")});
    EXPECT_EQ(QStringLiteral("没有数据"),
              errorOf([&] { dm->ExecQuery(QStringLiteral("select 1"), &rs); }));
}

TEST_F(DmFixture, ExecProcQueryCopiesASingleRowIntoTheList) {
    connectLoggedIn(7);
    struct Case {
        const char* name;
        int rows;
        QStringList expected;
    } cases[] = {
        // One row: the field lines replace (qty) or join (sp_spbh) the returned lines.
        {"one row",
         1,
         {QStringLiteral("qty=10"), QStringLiteral("czy_id=7"), QStringLiteral("out=1"),
          QStringLiteral("sp_spbh=G1")}},
        // Two rows: the list stays as the server returned it.
        {"two rows",
         2,
         {QStringLiteral("qty=0"), QStringLiteral("czy_id=7"), QStringLiteral("out=1")}},
        {"no row",
         0,
         {QStringLiteral("qty=0"), QStringLiteral("czy_id=7"), QStringLiteral("out=1")}},
    };
    for (const Case& c : cases) {
        ParamList params;
        params.setValue(QStringLiteral("qty"), QStringLiteral("0"));
        transport->respond(QStringLiteral("ExecProcQuery"), 0,
                           {QStringLiteral("qty=0\r\nczy_id=7\r\nout=1"),
                            proto::recordSetToCbor(goodsRows(c.rows))});
        RecordSet rs;
        EXPECT_EQ(0, dm->ExecProcQuery(QStringLiteral("p_Base_Goods"), params, &rs)) << c.name;
        EXPECT_EQ(c.expected, params.lines()) << c.name;
        EXPECT_EQ(c.rows, rs.recordCount()) << c.name;
    }
}

TEST_F(DmFixture, ExecProcQueryErrors) {
    connectLoggedIn();
    ParamList params;
    RecordSet rs;
    transport->fail(QStringLiteral("ExecProcQuery"), QStringLiteral("除数为零"));
    EXPECT_EQ(QStringLiteral("ProcName:[P_JXC_Query]Error:[除数为零]"),
              errorOf([&] { dm->ExecProcQuery(QStringLiteral("P_JXC_Query"), params, &rs); }));
    transport->respond(QStringLiteral("ExecProcQuery"), 0,
                       {params.text(), QCborValue(QCborValue::Null)});
    EXPECT_EQ(QStringLiteral("查询数据为空"),
              errorOf([&] { dm->ExecProcQuery(QStringLiteral("P_JXC_Query"), params, &rs); }));
    EXPECT_FALSE(dm->CallBusy());
}

TEST_F(DmFixture, EchoStampsReplaceOnlyOlderStamps) {
    connectLoggedIn();
    dm->GoodsStamp = QStringLiteral("2026-01-01 00:00:00");
    dm->PartnerStamp = QStringLiteral("2025-06-01 00:00:00");
    transport->setStamps(QStringLiteral("2026-01-02 10:00:00"),
                         QStringLiteral("2025-01-01 00:00:00"));
    EXPECT_TRUE(dm->CheckConnection());
    EXPECT_EQ(QStringLiteral("2026-01-02 10:00:00"), dm->GoodsStamp);
    EXPECT_EQ(1, dm->GoodsStampNewer);
    EXPECT_EQ(QStringLiteral("2025-06-01 00:00:00"), dm->PartnerStamp);
    EXPECT_EQ(0, dm->PartnerStampNewer);
    // The token travels with CR LF.
    EXPECT_EQ(QStringLiteral("qZevrint\r\n"), transport->calls().at(0).args.at(0).toString());
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
    transport->respond(QStringLiteral("ConnectionVar"), QStringLiteral("xxxx\r\n1\r\n2"));
    transport->failOpens(1);
    script.answer(QStringLiteral("继续连接"), QStringLiteral("客户端与服务器连接断开"));
    transport->respond(QStringLiteral("ExecUpdate"), 1, {QString()});
    EXPECT_EQ(1, dm->ExecUpdate(QStringLiteral("update t set a=1")));

    const auto questions = script.records(PromptKind::Question);
    ASSERT_EQ(1, questions.size());
    EXPECT_EQ(QStringLiteral("系统错误"), questions.at(0).caption);
    EXPECT_EQ(QStringLiteral("客户端与服务器连接断开, 您要继续尝试连接服务器还是退出系统?"),
              questions.at(0).text);
    EXPECT_EQ((QStringList{QStringLiteral("继续连接"), QStringLiteral("退出系统")}),
              questions.at(0).buttons);
    EXPECT_EQ(1, relogins);
    EXPECT_TRUE(connectedDuringRelogin);
    EXPECT_TRUE(dm->Connected());
    EXPECT_FALSE(dm->ConnectionLost());
    EXPECT_EQ(3, transport->openCount());  // first connect, failed attempt, good attempt
    EXPECT_EQ((QStringList{QStringLiteral("ConnectionVar"), QStringLiteral("InitDataBase"),
                           QStringLiteral("ExecUpdate")}),
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
    script.answer(QStringLiteral("退出系统"));
    EXPECT_EQ(QStringLiteral("不提示"),
              errorOf([&] { dm->ExecUpdate(QStringLiteral("update t set a=1")); }));
    EXPECT_EQ(1, quitCalls);
    EXPECT_FALSE(dm->Connected());
    EXPECT_FALSE(dm->CallBusy());
    EXPECT_GE(networkSignals, 1);
    EXPECT_FALSE(transport->methods().contains(QStringLiteral("ExecUpdate")));
    // The next call fails at once: the module knows it is disconnected.
    EXPECT_EQ(QStringLiteral("当前网络数据通道断开,请稍后再次尝试!"),
              errorOf([&] { dm->ExecUpdate(QStringLiteral("update t set a=1")); }));
}

TEST_F(DmFixture, FailedReloginCountsAsAFailedReconnect) {
    connectLoggedIn();
    int relogins = 0;
    dm->relogin = [&] { return ++relogins > 1; };
    transport->respond(QStringLiteral("ConnectionVar"), QStringLiteral("bad"));
    script.answer(QStringLiteral("继续连接"));
    EXPECT_TRUE(dm->CheckConnection());
    EXPECT_EQ(2, relogins);
    EXPECT_EQ(1, script.records(PromptKind::Question).size());
}

TEST_F(DmFixture, LocalServerStartNeedsTheServerProgram) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    dm->programDir = dir.path();
    EXPECT_EQ(QStringLiteral("本地计算机套接字文件被异常删除，程序无法运行,重新修复安装！"),
              errorOf([&] { dm->StartLocalServer(211); }));
    EXPECT_TRUE(started.isEmpty());
    QFile program(QDir(dir.path()).filePath(QStringLiteral("dyt-server")));
    ASSERT_TRUE(program.open(QIODevice::WriteOnly));
    program.close();
    dm->StartLocalServer(3001);
    EXPECT_EQ(QStringList{QDir(dir.path()).filePath(QStringLiteral("dyt-server")) +
                          QStringLiteral(" --port 3001 --data ") + TdmMain::localServerDataDir()},
              started);
}

TEST_F(DmFixture, ReconnectToThisComputerStartsTheLocalServerFirst) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    dm->programDir = dir.path();
    QFile program(QDir(dir.path()).filePath(QStringLiteral("dyt-server")));
    ASSERT_TRUE(program.open(QIODevice::WriteOnly));
    program.close();
    ASSERT_TRUE(dm->ConnectServer(QStringLiteral("127.0.0.1:4000"), false, 1));
    dm->localServerWaitMs = 0;
    // Nothing answers at the address: the server is started there, then connected to.
    transport->drop();
    transport->failOpens(1);
    EXPECT_TRUE(dm->CheckConnection());
    EXPECT_EQ(1, started.size());
    EXPECT_TRUE(started.value(0).contains(QStringLiteral("dyt-server --port 4000 --data ")))
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
            nested = dm->ConnectServer(QStringLiteral("other:1"), false, 1);
    };
    EXPECT_TRUE(dm->ConnectServer(QStringLiteral("srv:8019"), false, 1));
    EXPECT_FALSE(nested);
    EXPECT_EQ(QStringLiteral("srv"), transport->host());

    // A check started while one runs aborts silently; the running check goes on.
    QString inner;
    transport->duringCall = [&](const RecordedCall& c) {
        if (c.method == QLatin1String("ConnectionVar"))
            inner = errorOf([&] { dm->CheckConnection(); });
    };
    EXPECT_TRUE(dm->CheckConnection());
    EXPECT_EQ(QStringLiteral("不提示"), inner);
}

TEST_F(DmFixture, WrappersRefuseMissingArguments) {
    connectLoggedIn();
    ParamList params;
    EXPECT_NE(QString(), errorOf([&] { dm->ExecUpdate(QStringLiteral("  ")); }));
    EXPECT_NE(QString(), errorOf([&] { dm->ExecQuery(QStringLiteral("select 1"), nullptr); }));
    EXPECT_NE(QString(),
              errorOf([&] { dm->ExecService(QString(), QStringLiteral("SaveToDB"), params); }));
    EXPECT_TRUE(transport->calls().isEmpty());
    EXPECT_FALSE(dm->CallBusy());
}
