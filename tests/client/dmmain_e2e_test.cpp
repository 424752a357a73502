// The data module against a real dyt-server: connect, echo, the wrappers, and the reconnect
// dialog after the server went away.

#include "common/error.h"
#include "common/paramlist.h"
#include "common/recordset.h"
#include "protocol/protocol.h"
#include "support/serverfixture.h"
#include "support/testutil.h"

using namespace dyt;
using namespace dyt::client;

namespace {

using dyt::test::errorOf;

class DmMainEndToEnd : public test::ServerFixture {};

// The fixture connects (without progress) and logs in through the direct server handle.
TEST_F(DmMainEndToEnd, CallsARealServerAndAsksWhenItIsGone) {
    EXPECT_TRUE(dm.Connected());
    EXPECT_EQ(server.address(), loginedUser().ServerAddress);
    EXPECT_TRUE(dm.CheckConnection());
    EXPECT_FALSE(dm.GoodsStamp.isEmpty());
    EXPECT_EQ(1, dm.GoodsStampNewer);

    RecordSet rs;
    dm.ExecQuery(QStringLiteral("SELECT 1 AS a, 'x' AS b"), &rs);
    ASSERT_EQ(1, rs.recordCount());
    EXPECT_EQ(1, rs.integer(QStringLiteral("a")));
    EXPECT_EQ(QStringLiteral("x"), rs.text(QStringLiteral("b")));

    ParamList params;
    EXPECT_EQ(QStringLiteral("存储过程[p_nope]不存在"),
              errorOf([&] { dm.ExecProc(QStringLiteral("p_nope"), params); }));
    EXPECT_EQ(QStringLiteral("1"), params.value(QStringLiteral("czy_id")));
    EXPECT_EQ(QStringLiteral("ProcName:[p_nope]Error:[存储过程[p_nope]不存在]"),
              errorOf([&] { dm.ExecProcQuery(QStringLiteral("p_nope"), params, &rs); }));
    EXPECT_NE(QString(),
              errorOf([&] { dm.ExecUpdate(QStringLiteral("UPDATE no_such_table SET a = 1")); }));
    EXPECT_FALSE(dm.CallBusy());

    // The server goes away: the echo fails, the local server cannot be started (no program in
    // the program folder), the operator chooses to quit.
    server.stop();
    script.answer(QStringLiteral("退出系统"), QStringLiteral("客户端与服务器连接断开"));
    EXPECT_EQ(QStringLiteral("不提示"),
              errorOf([&] { dm.ExecQuery(QStringLiteral("SELECT 1 AS a"), &rs); }));
    EXPECT_EQ(1, quits);
    EXPECT_EQ(
        QStringList{QStringLiteral("本地计算机套接字文件被异常删除，程序无法运行,重新修复安装！")},
        script.messages());
    EXPECT_FALSE(dm.Connected());
    EXPECT_FALSE(dm.CallBusy());
}

}  // namespace
