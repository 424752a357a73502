// dyt-cli and dyt-server as processes: commands, output format, exit status, configuration file
// and a graceful stop.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "common/error.h"
#include "protocol/client.h"
#include "support/serverprocess.h"

namespace dyt {
namespace {

using test::runCli;

class CliTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.start()) << server.error().toStdString(); }
    test::CliResult cli(const QStringList& args) {
        return runCli(QStringList{QStringLiteral("--server"), server.address()} + args);
    }
    test::CliResult asOperator(const QStringList& args,
                               const QString& db = QStringLiteral("dytv1_1")) {
        return cli(QStringList{QStringLiteral("--profile"), db, QStringLiteral("--user"),
                               QStringLiteral("1")} +
                   args);
    }
    test::ServerProcess server;
};

TEST_F(CliTest, AccountSetCommands) {
    test::CliResult r = cli({QStringLiteral("profiles")});
    EXPECT_EQ(0, r.exitCode) << r.err.toStdString();
    EXPECT_EQ(QStringLiteral("fullName\tdbName\torderId\thidden\n"), r.out);

    r = cli({QStringLiteral("create-profile"), QStringLiteral("默认账套")});
    EXPECT_EQ(0, r.exitCode) << r.err.toStdString();
    EXPECT_EQ(QStringLiteral("fullName\tdbName\torderId\thidden\n默认账套\tdytv1_1\t1\t0\n"),
              r.out);
    r = cli({QStringLiteral("create-profile"), QStringLiteral("第二")});
    EXPECT_EQ(0, r.exitCode);

    r = cli({QStringLiteral("hide-profile"), QStringLiteral("dytv1_2")});
    EXPECT_EQ(0, r.exitCode) << r.err.toStdString();
    r = cli({QStringLiteral("profiles")});
    EXPECT_EQ(
        QStringLiteral(
            "fullName\tdbName\torderId\thidden\n默认账套\tdytv1_1\t1\t0\n第二\tdytv1_2\t2\t1\n"),
        r.out);
    EXPECT_EQ(0, cli({QStringLiteral("show-profile"), QStringLiteral("dytv1_2")}).exitCode);
    r = cli({QStringLiteral("delete-profile"), QStringLiteral("2")});
    EXPECT_EQ(0, r.exitCode) << r.err.toStdString();
    EXPECT_EQ(QStringLiteral("fullName\tdbName\torderId\thidden\n默认账套\tdytv1_1\t1\t0\n"),
              cli({QStringLiteral("profiles")}).out);

    // A refusal of the server: non-zero status and its message on standard error.
    r = cli({QStringLiteral("create-profile"), QStringLiteral("默认账套")});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_EQ(QStringLiteral("账套[默认账套]已经存在\n"), r.err);
    EXPECT_EQ(QString(), r.out);
}

TEST_F(CliTest, AdministratorPasswordChange) {
    EXPECT_EQ(0, cli({QStringLiteral("admin-password"), QStringLiteral("新的sa口令")}).exitCode);
    // The old (empty) password no longer works, the new one does.
    test::CliResult r = cli({QStringLiteral("create-profile"), QStringLiteral("甲")});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_EQ(QStringLiteral("管理员账号或口令错误\n"), r.err);
    r = cli({QStringLiteral("--admin"), QStringLiteral("sa:新的sa口令"),
             QStringLiteral("create-profile"), QStringLiteral("甲")});
    EXPECT_EQ(0, r.exitCode) << r.err.toStdString();
    r = cli({QStringLiteral("--admin"), QStringLiteral("sa:wrong"),
             QStringLiteral("admin-password"), QStringLiteral("x")});
    EXPECT_EQ(1, r.exitCode);
}

TEST_F(CliTest, SqlProceduresBackupAndRestore) {
    ASSERT_EQ(0, cli({QStringLiteral("create-profile"), QStringLiteral("默认账套")}).exitCode);
    test::CliResult r = asOperator(
        {QStringLiteral("sql"), QStringLiteral("INSERT INTO baseGoods(id, code, comment) VALUES "
                                               "(901, 'A1', 'x\ty'), (902, 'A2', '')")});
    EXPECT_EQ(QStringLiteral("count\n2\n"), r.out) << r.err.toStdString();
    r = asOperator(
        {QStringLiteral("sql"),
         QStringLiteral("select id, comment from baseGoods where id > 900 order by id")});
    EXPECT_EQ(QStringLiteral("id\tcomment\n901\tx\\ty\n902\t\n"), r.out);
    r = asOperator({QStringLiteral("sql"), QStringLiteral("select * from nosuch")});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_EQ(QStringLiteral("no such table: nosuch\n"), r.err);

    r = asOperator({QStringLiteral("proc"), QStringLiteral("P_SYS_Up_DataRow"),
                    QStringLiteral("Name=自动备份天数"), QStringLiteral("DefValue=7")});
    EXPECT_EQ(0, r.exitCode) << r.err.toStdString();
    EXPECT_EQ(
        QStringLiteral("name\tvalue\nresult\t0\nName\t自动备份天数\nDefValue\t7\nczy_id\t1\n"),
        r.out);
    r = asOperator({QStringLiteral("proc"), QStringLiteral("p_nosuch")});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_EQ(QStringLiteral("存储过程[p_nosuch]不存在\n"), r.err);

    r = asOperator({QStringLiteral("procq"), QStringLiteral("p_nosuch"), QStringLiteral("a=1")});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_EQ(QStringLiteral("存储过程[p_nosuch]不存在\n"), r.err);

    QTemporaryDir dir;
    // The bill service's refusal (a bill without a date) comes back after the files were read.
    auto writeFile = [&](const QString& name, const QByteArray& bytes) {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return dir.filePath(name);
    };
    const QString params = writeFile(QStringLiteral("p.txt"), "djType=5\r\nckid=1\r\n");
    const QString lines = writeFile(QStringLiteral("l.tsv"), "spid\tqty\n1\t2\n");
    r = asOperator({QStringLiteral("service"), QStringLiteral("SaveToDB"), params, lines});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_EQ(QStringLiteral("[录单日期]不是有效的日期：\n"), r.err);
    r = asOperator({QStringLiteral("service"), QStringLiteral("SaveToDB"),
                    dir.filePath(QStringLiteral("missing")), lines});
    EXPECT_EQ(1, r.exitCode);

    const QString file = dir.filePath(QStringLiteral("copy.db"));
    r = asOperator({QStringLiteral("backup"), file});
    EXPECT_EQ(0, r.exitCode) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("file\tsize\n") + file + QLatin1Char('\t')));
    EXPECT_GT(QFile(file).size(), 0);
    EXPECT_EQ(
        QStringLiteral("count\n2\n"),
        asOperator({QStringLiteral("sql"), QStringLiteral("DELETE FROM baseGoods WHERE id > 900")})
            .out);
    r = asOperator({QStringLiteral("restore"), file});
    EXPECT_EQ(0, r.exitCode) << r.err.toStdString();
    EXPECT_EQ(QStringLiteral("id\n901\n902\n"),
              asOperator({QStringLiteral("sql"),
                          QStringLiteral("select id from baseGoods where id > 900 order by id")})
                  .out);

    // Login failures come back as the server's message.
    r = cli({QStringLiteral("--profile"), QStringLiteral("dytv1_1"), QStringLiteral("--user"),
             QStringLiteral("1"), QStringLiteral("--password"), QStringLiteral("x"),
             QStringLiteral("sql"), QStringLiteral("select 1")});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_EQ(QStringLiteral("口令错误，请重新输入！\n"), r.err);
}

TEST(CliUsage, WrongCommandLinesExitWithTwo) {
    const QStringList cases[] = {
        {},
        {QStringLiteral("profiles")},                                 // no --server
        {QStringLiteral("--server"), QStringLiteral("127.0.0.1:1")},  // no command
        {QStringLiteral("--server"), QStringLiteral("127.0.0.1:1"), QStringLiteral("frobnicate")},
        {QStringLiteral("--server"), QStringLiteral("127.0.0.1:1"), QStringLiteral("sql"),
         QStringLiteral("select 1")},  // no --profile
        {QStringLiteral("--server"), QStringLiteral("127.0.0.1:1"),
         QStringLiteral("delete-profile"), QStringLiteral("x")},
    };
    for (const auto& args : cases) {
        EXPECT_EQ(2, runCli(args).exitCode) << args.join(QLatin1Char(' ')).toStdString();
    }
    // No server there: exit 1 with the connection message.
    test::CliResult r = runCli(
        {QStringLiteral("--server"), QStringLiteral("127.0.0.1:1"), QStringLiteral("profiles")});
    EXPECT_EQ(1, r.exitCode);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("连接失败："))) << r.err.toStdString();
}

TEST(ServerProcessTest, ConfigurationFileAndGracefulStop) {
    QTemporaryDir dir;
    const QString ini = dir.filePath(QStringLiteral("server.ini"));
    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("# test\nframeLimit=2048\nnewLoginMode=1\nadmin=boss\nadminPassword=pw1\n");
    f.close();
    test::ServerProcess server;
    ASSERT_TRUE(
        server.start({QStringLiteral("--config"), ini}, dir.filePath(QStringLiteral("data"))))
        << server.error().toStdString();
    proto::Client c;
    c.connectTo(QStringLiteral("127.0.0.1"), server.port());
    const QString conf = c.call(QStringLiteral("GetServerConf")).outText(0);
    EXPECT_TRUE(conf.contains(QStringLiteral("新登录模式=1"))) << conf.toStdString();
    // The administrator of the configuration with its initial password.
    EXPECT_EQ(-1,
              c.call(QStringLiteral("CreateProfile"),
                     {QStringLiteral("甲"), QStringLiteral("甲"), QStringLiteral("sa"), QString()})
                  .code());
    EXPECT_EQ(
        0, c.call(QStringLiteral("CreateProfile"), {QStringLiteral("甲"), QStringLiteral("甲"),
                                                    QStringLiteral("boss"), QStringLiteral("pw1")})
               .code());
    // A frame above the limit closes the connection; others go on.
    proto::Client big;
    big.connectTo(QStringLiteral("127.0.0.1"), server.port());
    EXPECT_THROW(big.call(QStringLiteral("ConnectionVar"), {QString(3000, QLatin1Char('x'))}),
                 DytError);
    EXPECT_FALSE(big.isConnected());
    EXPECT_EQ(0, c.call(QStringLiteral("InitDataBase")).code());
    // An answer above the limit becomes an error answer.
    EXPECT_FALSE(c.callRaw(QStringLiteral("ConnectionVar"), {QString(2000, QLatin1Char('y'))})
                     .error.isEmpty());

    EXPECT_EQ(0, server.stop());
    EXPECT_TRUE(server.output().contains(QStringLiteral("stopped")))
        << server.output().toStdString();
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("data/catalogue.db"))));
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("data/dytv1_1.db"))));
}

TEST(ServerProcessTest, BadConfigurationStopsTheStart) {
    test::ServerProcess server;
    EXPECT_FALSE(server.start({QStringLiteral("--listen"), QStringLiteral("not-an-address")}));
    test::ServerProcess server2;
    EXPECT_FALSE(server2.start({QStringLiteral("--bogus")}));
}

}  // namespace
}  // namespace dyt
