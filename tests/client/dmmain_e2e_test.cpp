// The data module against a real dyt-server: connect, echo, errors, and the reconnect dialog
// after the server went away.

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

}  // namespace
