// dyt-cli and dyt-server as processes: commands, output format, exit status, configuration file
// and a graceful stop.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "common/error.h"
#include "protocol/client.h"
#include "support/serverprocess.h"

using namespace Qt::StringLiterals;

namespace dyt {
namespace {

using test::runCli;

class CliTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.start()) << server.error().toStdString(); }
    test::CliResult cli(const QStringList& args) {
        return runCli(QStringList{u"--server"_s, server.address()} + args);
    }
    test::CliResult asOperator(const QStringList& args, const QString& db = u"dytv1_1"_s) {
        return cli(QStringList{u"--profile"_s, db, u"--user"_s, u"1"_s} + args);
    }
    // The same with the server administrator's password: SQL beyond the windows' columns.
    test::CliResult asAdmin(const QStringList& args) {
        return asOperator(QStringList{u"--admin"_s, u"sa:"_s} + args);
    }
    // A refusal: exit status 1 and the message on standard error.
    static QString refusal(const test::CliResult& r) {
        return QString::number(r.exitCode) + u' ' + r.err;
    }
    test::ServerProcess server;
};

TEST_F(CliTest, AccountSetCommandsTheAdministratorPasswordAndWrongCommandLines) {
    // The output of a command that must succeed.
    const auto ok = [&](const QStringList& args) {
        const test::CliResult r = cli(args);
        EXPECT_EQ(0, r.exitCode) << r.err.toStdString();
        return r.out;
    };
    const QString head = u"fullName\tdbName\torderId\thidden\n"_s;
    EXPECT_EQ(head, ok({u"profiles"_s}));
    EXPECT_EQ(head + u"默认账套\tdytv1_1\t1\t0\n"_s, ok({u"create-profile"_s, u"默认账套"_s}));
    ok({u"create-profile"_s, u"第二"_s});
    ok({u"hide-profile"_s, u"dytv1_2"_s});
    EXPECT_EQ(head + u"默认账套\tdytv1_1\t1\t0\n第二\tdytv1_2\t2\t1\n"_s, ok({u"profiles"_s}));
    ok({u"show-profile"_s, u"dytv1_2"_s});
    ok({u"delete-profile"_s, u"2"_s});
    EXPECT_EQ(head + u"默认账套\tdytv1_1\t1\t0\n"_s, ok({u"profiles"_s}));
    // A refusal of the server: non-zero status and its message on standard error.
    test::CliResult r = cli({u"create-profile"_s, u"默认账套"_s});
    EXPECT_EQ(u"1 账套[默认账套]已经存在\n"_s, refusal(r));
    EXPECT_EQ(QString(), r.out);
    // A new administrator password: the old (empty) one no longer works, the new one does.
    EXPECT_EQ(0, cli({u"admin-password"_s, u"新的sa口令"_s}).exitCode);
    EXPECT_EQ(u"1 管理员账号或口令错误\n"_s, refusal(cli({u"create-profile"_s, u"甲"_s})));
    r = cli({u"--admin"_s, u"sa:新的sa口令"_s, u"create-profile"_s, u"甲"_s});
    EXPECT_EQ(0, r.exitCode) << r.err.toStdString();
    EXPECT_EQ(1, cli({u"--admin"_s, u"sa:wrong"_s, u"admin-password"_s, u"x"_s}).exitCode);
    // Wrong command lines exit with 2.
    const QStringList cases[] = {
        {},
        {u"profiles"_s},                    // no --server
        {u"--server"_s, u"127.0.0.1:1"_s},  // no command
        {u"--server"_s, u"127.0.0.1:1"_s, u"frobnicate"_s},
        {u"--server"_s, u"127.0.0.1:1"_s, u"sql"_s, u"select 1"_s},  // no --profile
        {u"--server"_s, u"127.0.0.1:1"_s, u"delete-profile"_s, u"x"_s}};
    for (const auto& args : cases) {
        EXPECT_EQ(2, runCli(args).exitCode) << args.join(QLatin1Char(' ')).toStdString();
    }
    // No server there: exit 1 with the connection message.
    test::CliResult usage = runCli({u"--server"_s, u"127.0.0.1:1"_s, u"profiles"_s});
    EXPECT_EQ(1, usage.exitCode);
    EXPECT_TRUE(usage.err.startsWith(u"连接失败："_s)) << usage.err.toStdString();
}

TEST_F(CliTest, SqlProceduresBackupAndRestore) {
    ASSERT_EQ(0, cli({u"create-profile"_s, u"默认账套"_s}).exitCode);
    EXPECT_EQ(u"1 您没有执行该操作的权限!\n"_s,
              refusal(asOperator({u"sql"_s, u"INSERT INTO baseGoods(id, code) VALUES (9, 'A')"_s})));
    test::CliResult r = asAdmin({u"sql"_s,
                                 u"INSERT INTO baseGoods(id, code, comment) VALUES "
                                 "(901, 'A1', 'x\ty'), (902, 'A2', '')"_s});
    EXPECT_EQ(u"count\n2\n"_s, r.out) << r.err.toStdString();
    r = asOperator({u"sql"_s, u"select id, comment from baseGoods where id > 900 order by id"_s});
    EXPECT_EQ(u"id\tcomment\n901\tx\\ty\n902\t\n"_s, r.out);
    EXPECT_EQ(u"1 no such table: nosuch\n"_s,
              refusal(asOperator({u"sql"_s, u"select * from nosuch"_s})));
    r = asOperator({u"proc"_s, u"P_SYS_Up_DataRow"_s, u"Name=自动备份天数"_s, u"DefValue=7"_s});
    EXPECT_EQ(0, r.exitCode) << r.err.toStdString();
    EXPECT_EQ(u"name\tvalue\nresult\t0\nName\t自动备份天数\nDefValue\t7\nczy_id\t1\n"_s, r.out);
    EXPECT_EQ(u"1 存储过程[p_nosuch]不存在\n"_s, refusal(asOperator({u"proc"_s, u"p_nosuch"_s})));
    EXPECT_EQ(u"1 存储过程[p_nosuch]不存在\n"_s,
              refusal(asOperator({u"procq"_s, u"p_nosuch"_s, u"a=1"_s})));
    QTemporaryDir dir;
    // The bill service's refusal (a bill without a date) comes back after the files were read.
    auto writeFile = [&](const QString& name, const QByteArray& bytes) {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return dir.filePath(name);
    };
    const QString params = writeFile(u"p.txt"_s, "djType=5\r\nckid=1\r\n");
    const QString lines = writeFile(u"l.tsv"_s, "spid\tqty\n1\t2\n");
    EXPECT_EQ(u"1 [录单日期]不是有效的日期：\n"_s,
              refusal(asOperator({u"service"_s, u"SaveToDB"_s, params, lines})));
    r = asOperator({u"service"_s, u"SaveToDB"_s, dir.filePath(u"missing"_s), lines});
    EXPECT_EQ(1, r.exitCode);
    const QString file = dir.filePath(u"copy.db"_s);
    r = asOperator({u"backup"_s, file});
    EXPECT_EQ(0, r.exitCode) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(u"file\tsize\n"_s + file + QLatin1Char('\t')));
    EXPECT_GT(QFile(file).size(), 0);
    EXPECT_EQ(u"count\n2\n"_s,
              asAdmin({u"sql"_s, u"DELETE FROM baseGoods WHERE id > 900"_s}).out);
    // An account set nobody can log in to any more is restored by the administrator alone.
    EXPECT_EQ(0, asAdmin({u"sql"_s, u"DELETE FROM sysuser"_s}).exitCode);
    EXPECT_EQ(1, asOperator({u"sql"_s, u"select 1"_s}).exitCode);
    const QStringList restore{u"--profile"_s, u"dytv1_1"_s, u"restore"_s, file};
    EXPECT_EQ(u"1 管理员口令错误\n"_s, refusal(cli(QStringList{u"--admin"_s, u"sa:x"_s} + restore)));
    r = cli(restore);
    EXPECT_EQ(0, r.exitCode) << r.err.toStdString();
    EXPECT_EQ(u"id\n901\n902\n"_s,
              asOperator({u"sql"_s, u"select id from baseGoods where id > 900 order by id"_s}).out);
    // Login failures come back as the server's message.
    EXPECT_EQ(u"1 口令错误，请重新输入！\n"_s,
              refusal(cli({u"--profile"_s, u"dytv1_1"_s, u"--user"_s, u"1"_s, u"--password"_s,
                           u"x"_s, u"sql"_s, u"select 1"_s})));
}

TEST(ServerProcessTest, ConfigurationFileGracefulStopAndBadConfiguration) {
    QTemporaryDir dir;
    const QString ini = dir.filePath(u"server.ini"_s);
    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("# test\nframeLimit=2048\nnewLoginMode=1\nadmin=boss\nadminPassword=pw1\n");
    f.close();
    test::ServerProcess server;
    ASSERT_TRUE(server.start({u"--config"_s, ini}, dir.filePath(u"data"_s)))
        << server.error().toStdString();
    proto::Client c;
    c.connectTo(u"127.0.0.1"_s, server.port());
    const QString conf = c.call(u"GetServerConf"_s).outText(0);
    EXPECT_TRUE(conf.contains(u"新登录模式=1"_s)) << conf.toStdString();
    // The administrator of the configuration with its initial password.
    EXPECT_EQ(-1, c.call(u"CreateProfile"_s, {u"甲"_s, u"甲"_s, u"sa"_s, QString()}).code());
    EXPECT_EQ(0, c.call(u"CreateProfile"_s, {u"甲"_s, u"甲"_s, u"boss"_s, u"pw1"_s}).code());
    // A frame above the limit closes the connection; others go on.
    proto::Client big;
    big.connectTo(u"127.0.0.1"_s, server.port());
    EXPECT_THROW(big.call(u"ConnectionVar"_s, {QString(3000, QLatin1Char('x'))}), DytError);
    EXPECT_FALSE(big.isConnected());
    EXPECT_EQ(0, c.call(u"InitDataBase"_s).code());
    // An answer above the limit becomes an error answer.
    EXPECT_FALSE(c.callRaw(u"ConnectionVar"_s, {QString(2000, QLatin1Char('y'))}).error.isEmpty());
    EXPECT_EQ(0, server.stop());
    EXPECT_TRUE(server.output().contains(u"stopped"_s)) << server.output().toStdString();
    EXPECT_TRUE(QFile::exists(dir.filePath(u"data/catalogue.db"_s)));
    EXPECT_TRUE(QFile::exists(dir.filePath(u"data/dytv1_1.db"_s)));
    // A bad listen address or option stops the start.
    test::ServerProcess bad;
    EXPECT_FALSE(bad.start({u"--listen"_s, u"not-an-address"_s}));
    test::ServerProcess server2;
    EXPECT_FALSE(server2.start({u"--bogus"_s}));
}

// A modified client as operator 2 with no rights, through the calls anybody can send with the
// admin tool: each is refused and changes nothing; operator 1 gets the same calls through.
TEST_F(CliTest, AnOperatorWithoutRightsIsRefusedWhatTheToolSends) {
    ASSERT_EQ(0, cli({u"create-profile"_s, u"默认账套"_s}).exitCode);
    ASSERT_EQ(0, asAdmin({u"sql"_s, u"INSERT INTO baseZY(id, par_id, par_jl, leveal, sonnum, code, "
                                    "fullname) VALUES (2, 0, '2,', 1, 0, '002', '乙'); INSERT INTO "
                                    "sysuser(id, password) VALUES (2, '')"_s})
                     .exitCode);
    QTemporaryDir dir;
    QFile params(dir.filePath(u"p.txt"_s));
    ASSERT_TRUE(params.open(QIODevice::WriteOnly));
    params.write("djType=5\r\ndate=2026-01-05\r\n");
    params.close();
    QFile lines(dir.filePath(u"l.tsv"_s));
    ASSERT_TRUE(lines.open(QIODevice::WriteOnly));
    lines.write("goodsid\tqty\n1\t2\n");
    lines.close();
    const QStringList calls[] = {
        {u"sql"_s, u"INSERT INTO sysPurview(userid, menuid, isbj) SELECT 2, id, 1 FROM sysMenu "
                   "WHERE code = '500402'"_s},
        {u"proc"_s, u"p_sys_up_purview"_s, u"id=0"_s, u"userid=2"_s, u"isbj=1"_s},
        {u"proc"_s, u"p_sys_Up_DatabaseRepair"_s},
        {u"service"_s, u"SaveToDB"_s, params.fileName(), lines.fileName()},
        {u"sql"_s, u"UPDATE sysuser SET password = '' WHERE id = 1"_s},
    };
    const auto state = [&] {
        return asAdmin({u"sql"_s, u"SELECT (SELECT count(*) FROM sysPurview WHERE isbj = 1), "
                                  "(SELECT group_concat(password) FROM sysuser)"_s})
            .out;
    };
    const QString before = state();
    for (const QStringList& c : calls) {
        SCOPED_TRACE(c.join(u' ').toStdString());
        const test::CliResult r = cli(QStringList{u"--profile"_s, u"dytv1_1"_s, u"--user"_s,
                                                  u"2"_s} + c);
        EXPECT_EQ(u"1 您没有执行该操作的权限!\n"_s, refusal(r));
        EXPECT_EQ(before, state());
    }
    // Operator 1 passes the rights (the bill itself is refused for its lines).
    for (const QStringList& c : calls) {
        SCOPED_TRACE(c.join(u' ').toStdString());
        EXPECT_NE(u"1 您没有执行该操作的权限!\n"_s, refusal(asOperator(c)));
    }
    // Nobody reads a stored password.
    EXPECT_EQ(u"password\n\n"_s,
              cli({u"--profile"_s, u"dytv1_1"_s, u"--user"_s, u"2"_s, u"sql"_s,
                   u"select password from sysuser where id = 1"_s})
                  .out);
}

}  // namespace
}  // namespace dyt
