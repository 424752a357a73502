// The application server end to end: a dyt-server process on an ephemeral loopback port with a
// fresh data folder, called through the protocol client.
#include <gtest/gtest.h>

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "common/error.h"
#include "common/paramlist.h"
#include "login.h"
#include "posting_packets.h"
#include "protocol/client.h"
#include "protocol/protocol.h"
#include "records.h"
#include "scratchdb.h"
#include "server/db/database.h"
#include "server/db/password.h"
#include "server/db/schema.h"
#include "server/net/backend.h"
#include "server/net/server.h"
#include "support/joined.h"
#include "support/serverprocess.h"

using namespace Qt::StringLiterals;

namespace dyt {
namespace {

using proto::Client;
using proto::Response;
using test::loginLines;
using test::rowText;

QCborValue null() {
    return QCborValue(QCborValue::Null);
}

// The values of the comma-separated names in name=value lines, "|" between them.
QString lineValues(const QString& text, const char* names) {
    return test::valuesOf(ParamList(text), QString::fromUtf8(names));
}

class ServerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        server = new test::ServerProcess;
        ASSERT_TRUE(server->start()) << server->error().toStdString();
        Client c;
        c.connectTo(u"127.0.0.1"_s, server->port());
        // Two account sets: dytv1_1 "账套甲" and dytv1_2 "账套乙".
        for (const char* name : {"账套甲", "账套乙"}) {
            const QString n = QString::fromUtf8(name);
            Response r = c.call(u"CreateProfile"_s, {n, n, u"sa"_s, QString()});
            ASSERT_EQ(0, r.code()) << r.outText(0).toStdString();
        }
    }
    static void TearDownTestSuite() {
        delete server;
        server = nullptr;
    }
    std::unique_ptr<Client> connect() {
        auto c = std::make_unique<Client>();
        c->connectTo(u"127.0.0.1"_s, server->port());
        return c;
    }
    // A connection logged in as operator 1 (empty password) to the account set.
    std::unique_ptr<Client> loggedIn(const QString& dbName = u"dytv1_1"_s,
                                     const QString& pw = QString()) {
        auto c = connect();
        Response r = test::logIn(*c, dbName, u"1"_s, pw);
        EXPECT_EQ(0, r.code()) << r.outText(0).toStdString();
        return c;
    }
    static RecordSet query(Client& c, const QString& sql) {
        Response r = c.call(u"ExecQuery"_s, {sql});
        if (r.code() != 0)
            throw DytError(r.outText(1));
        return proto::recordSetFromCbor(r.out(0));
    }
    // Set-up texts, with the server administrator's password: not held to the windows' columns.
    static qint64 update(Client& c, const QString& sql) {
        c.call(u"ExecCommand"_s, {u"Command=CheckAdminPass\r\nPassword="_s});
        return c.call(u"ExecUpdate"_s, {sql}).code();
    }
    // Runs a script directly on an account set's file, as an administrator's tool would: client
    // texts may not change the schema.
    static void script(const QString& dbName, const QString& sql) {
        auto db = server::Database::open(server->accountSetPath(dbName));
        db->executeScript(sql);
    }
    // A new account set of that name: its dbName and its number in the list.
    static std::pair<QString, qint64> created(Client& c, const QString& name) {
        if (c.call(u"CreateProfile"_s, {name, name, u"sa"_s, QString()}).code() != 0)
            return {};
        RecordSet list =
            proto::recordSetFromCbor(c.call(u"GetProfileList"_s, {u"dytv1"_s, 1}).out(0));
        list.locate(u"fullName"_s, name);
        return {list.text(u"dbName"_s), list.integer(u"orderId"_s)};
    }
    static QString errorOf(Client& c, const QString& method, const QCborArray& args) {
        return c.callRaw(method, args).error;
    }
    static test::ServerProcess* server;
};

test::ServerProcess* ServerTest::server = nullptr;

TEST_F(ServerTest, AnonymousConnectionsGetTheLoginMethodsTheConfigurationAndClearRefusals) {
    auto c = connect();
    Response init = c->call(u"InitDataBase"_s);
    EXPECT_EQ(0, init.code());
    EXPECT_EQ(QString(), init.outText(0));
    for (const char* m : {"ExecQuery", "ExecUpdate", "GetProfileBackups"}) {
        const QString err = errorOf(*c, QString::fromLatin1(m), {u"select 1"_s});
        EXPECT_TRUE(err.contains(u"尚未登录"_s)) << m << ": " << err.toStdString();
    }
    EXPECT_TRUE(errorOf(*c, u"ExecProc"_s, {u"p_sys_Up_Log"_s, QString()}).contains(u"尚未登录"_s));
    // Still serving on the same connection.
    EXPECT_EQ(0, c->call(u"GetProfileList"_s, {u"dytv1"_s, 1}).code());
    EXPECT_EQ(QDate::currentDate().toString(u"yyyy-MM-dd"_s) + u"|0|0|0"_s,
              lineValues(c->call(u"GetServerConf"_s).outText(0),
                         "系统日期,新登录模式,客户端强制记忆账套,客户端不允许修改制单日期"));
    Response r = c->call(u"ConnectionVar"_s, {u"qZevrint\r\n"_s});
    EXPECT_EQ((QStringList{u"qZevrint"_s, u"2000-01-01"_s, u"2000-01-01"_s}),
              proto::splitLines(r.result.toString()));
    // Logged in, the stamps are the latest change times of goods and partners.
    auto s = loggedIn(u"dytv1_2"_s);
    EXPECT_EQ(2, update(*s,
                        u"INSERT INTO baseGoods(id, code, fullname, updateTime) "
                        "VALUES (9001, 'S1', '章', '2026-05-01 10:00:00'), "
                        "(9002, 'S2', '印', '2026-06-02 09:00:00')"_s));
    const QStringList l2 =
        proto::splitLines(s->call(u"ConnectionVar"_s, {u"abc"_s}).result.toString());
    ASSERT_EQ(3, l2.size());
    EXPECT_EQ(u"abc|2026-06-02 09:00:00"_s, l2[0] + u'|' + l2[1]);
    // The stamps a connection reads follow every write of another one, however often it asks
    // in between (the server keeps them while nothing is committed).
    auto reader = loggedIn(u"dytv1_2"_s);
    const auto stamps = [&](Client& on) {
        return proto::splitLines(on.call(u"ConnectionVar"_s, {u"t"_s}).result.toString())
            .mid(1)
            .join(u'|');
    };
    // clang-format off
    struct Step { const char* sql; const char* stamps; };
    const Step steps[] = {
        {nullptr, "2026-06-02 09:00:00|2000-01-01"},
        {"UPDATE baseGoods SET updateTime = '2026-07-03 08:00:00' WHERE id = 9001",
         "2026-07-03 08:00:00|2000-01-01"},
        {"INSERT INTO baseWLDW(id, code, fullname, updateTime) VALUES (9003, 'W1', '甲', "
         "'2026-01-09 01:02:03')", "2026-07-03 08:00:00|2026-01-09 01:02:03"},
        {"DELETE FROM baseWLDW WHERE id = 9003", "2026-07-03 08:00:00|2000-01-01"},
        {"DELETE FROM baseGoods WHERE id IN (9001, 9002)", "2000-01-01|2000-01-01"},
    };
    // clang-format on
    for (const Step& step : steps) {
        if (step.sql) {
            EXPECT_GE(update(*s, QString::fromUtf8(step.sql)), 1) << step.sql;
        }
        for (int i = 0; i < 2; ++i)
            EXPECT_EQ(QString::fromUtf8(step.stamps), stamps(*reader))
                << (step.sql ? step.sql : "");
        EXPECT_EQ(QString::fromUtf8(step.stamps), stamps(*s));
    }
    // Unknown methods, wrong arguments and broken frames get clear answers.
    // clang-format off
    struct Case { const char* method; QCborArray args; const char* expected; };
    const Case cases[] = {
        {"NoSuchMethod", {}, "未知的方法[NoSuchMethod]"},
        {"ConnectionVar", {}, "方法[ConnectionVar]的参数不符：参数个数应为1个，实际为0个"},
        {"ConnectionVar", {1}, "方法[ConnectionVar]的参数不符：第1个参数应为文本"},
        {"GetProfileList", {u"dytv1"_s, u"x"_s}, "方法[GetProfileList]的参数不符：第2个参数应为整数"},
        {"DeleteProfile", {1, u"sa"_s}, "方法[DeleteProfile]的参数不符：参数个数应为3个，实际为2个"}};
    // clang-format on
    for (const Case& k : cases) {
        EXPECT_EQ(QString::fromUtf8(k.expected),
                  errorOf(*c, QString::fromLatin1(k.method), k.args));
    }
    // Method names are matched without regard to case; the connection still serves.
    EXPECT_EQ(0, c->call(u"initdatabase"_s).code());
    // Broken frames close only that connection.
    auto other = connect();
    const QByteArray broken[] = {
        proto::encodeFrame(QByteArray("\xff\xff\xff", 3)),  // not CBOR
        QByteArray("\x7f\xff\xff\xff", 4),                  // announces 2 GiB
    };
    for (const QByteArray& bytes : broken) {
        auto bad = connect();
        bad->sendRaw(bytes);
        EXPECT_THROW(bad->readResponse(), DytError);
        EXPECT_FALSE(bad->isConnected());
    }
    // A well-formed CBOR value that is not a request gets an error answer.
    c->sendRaw(proto::encodeFrame(QCborValue(u"hello"_s)));
    EXPECT_TRUE(c->readResponse().error.contains(u"请求不是映射"_s));
    EXPECT_EQ(0, c->call(u"InitDataBase"_s).code());
    EXPECT_EQ(0, other->call(u"InitDataBase"_s).code());
}

TEST_F(ServerTest, AccountSetListCreationHidingOperatorsAndLogin) {
    auto c = connect();
    Response r = c->call(u"GetProfileList"_s, {u"dytv1"_s, 1});
    EXPECT_EQ(0, r.code());
    RecordSet rs = proto::recordSetFromCbor(r.out(0));
    ASSERT_TRUE(rs.locate(u"dbName"_s, u"dytv1_1"_s));
    EXPECT_EQ(u"账套甲|dytv1_1|1|0"_s, rowText(rs, rs.currentRow()));
    // Another prefix lists nothing.
    EXPECT_EQ(
        0,
        proto::recordSetFromCbor(c->call(u"GetProfileList"_s, {u"other"_s, 1}).out(0)).rowCount());
    // clang-format off
    struct Case { const char* name; const char* account; const char* password; const char* message; };
    const Case refused[] = {
        {"新账套", "sa", "wrong", "管理员账号或口令错误"},
        {"新账套", "root", "", "管理员账号或口令错误"},
        {"a b", "sa", "", "账套名字由汉字或英文字母组成，请不要使用特殊字符、小数点、空格。"},
        {"a.b", "sa", "", "账套名字由汉字或英文字母组成，请不要使用特殊字符、小数点、空格。"},
        {"  ", "sa", "", "账套名字由汉字或英文字母组成，请不要使用特殊字符、小数点、空格。"},
        {"账套甲", "sa", "", "账套[账套甲]已经存在"}};
    // clang-format on
    for (const Case& k : refused) {
        const QString n = QString::fromUtf8(k.name);
        Response cr = c->call(u"CreateProfile"_s, {n, n.trimmed(), QString::fromUtf8(k.account),
                                                   QString::fromUtf8(k.password)});
        EXPECT_EQ(-1, cr.code()) << k.name;
        EXPECT_EQ(QString::fromUtf8(k.message), cr.outText(0)) << k.name;
    }
    EXPECT_EQ(2, proto::recordSetFromCbor(c->call(u"GetProfileList"_s, {u"dytv1"_s, 1}).out(0))
                     .rowCount());  // nothing half-created
    // Hiding and showing need the administrator password (the hidden flag is shown in the list:
    // CliTest.AccountSetCommandsAndTheAdministratorPassword); the operators are listed.
    const auto command = [&](const QString& lines) {
        const Response answer = c->call(u"ExecCommand"_s, {lines});
        return answer.code() == 0 ? u"0"_s : u"%1 %2"_s.arg(answer.code()).arg(answer.outText(1));
    };
    const QString hide = u"Command=HideProfile\r\nProfileName=dytv1_2"_s;
    EXPECT_EQ(u"-1 请先验证管理员口令"_s, command(hide));
    EXPECT_EQ(u"-1 管理员口令错误"_s, command(u"Command=CheckAdminPass\r\nPassword=bad"_s));
    EXPECT_EQ(u"0"_s, command(u"Command=CheckAdminPass\r\nPassword="_s));
    EXPECT_EQ(u"0"_s, command(hide));
    EXPECT_EQ(u"0"_s, command(u"Command=ShowProfile\r\nProfileName=dytv1_2"_s));
    EXPECT_EQ(u"-1 账套[nosuch]不存在"_s, command(u"Command=HideProfile\r\nProfileName=nosuch"_s));
    EXPECT_EQ(u"-1 未知的命令[Format]"_s, command(u"Command=Format"_s));
    // The operators of an account set.
    auto info = [&](const QString& method, const QString& db) {
        return c->call(u"GetProfileUserInfo"_s,
                       {proto::joinLines({u"Method="_s + method, u"ProfileName="_s + db})});
    };
    r = info(u"CheckLoginType"_s, u"dytv1_1"_s);
    ASSERT_EQ(0, r.code()) << r.outText(1).toStdString();
    rs = proto::recordSetFromCbor(r.out(0));
    ASSERT_TRUE(rs.locate(u"Id"_s, qint64(1)));
    EXPECT_EQ(u"系统管理员"_s, rs.text(u"FullName"_s));
    r = info(u"CheckLoginType"_s, u"dytv1_99"_s);
    EXPECT_EQ(u"-1 账套[dytv1_99]不存在"_s, u"%1 %2"_s.arg(r.code()).arg(r.outText(1)));
    EXPECT_EQ(-1, info(u"Other"_s, u"dytv1_1"_s).code());
    // The login answers the operator or the reason, never the administrator password.
    r = c->call(u"Login"_s, {loginLines(u"dytv1_1"_s, u"系统管理员"_s), u"1"_s, QString()});
    ASSERT_EQ(0, r.code()) << r.outText(0).toStdString();
    EXPECT_EQ(u"系统管理员|001|1|sa"_s,
              lineValues(r.outText(0), "UserName,UserCode,UserId,dbUserName"));
    // The session is registered under the connection's number.
    rs = query(*c, u"SELECT PcID, userId FROM syssession WHERE id = @@spid"_s);
    ASSERT_EQ(1, rs.rowCount());
    EXPECT_EQ(u"pc-01|1"_s, rowText(rs, 0));
    // Typed-name mode looks the operator up by code.
    auto typed = connect();
    r = typed->call(u"Login"_s,
                    {loginLines(u"dytv1_1"_s, u"001"_s, u"Check"_s, 1), u"001"_s, QString()});
    EXPECT_EQ(0, r.code()) << r.outText(0).toStdString();
    EXPECT_EQ(u"1"_s, lineValues(r.outText(0), "UserId"));
    // Failures leave the connection anonymous.
    // clang-format off
    struct Failure { const char* db; const char* user; const char* password; int code; const char* message; };
    const Failure failures[] = {
        {"dytv1_1", "1", "wrong", -3, "口令错误，请重新输入！"},
        {"dytv1_1", "7", "", -2, "操作员[7]不存在"},
        {"dytv1_1", "abc", "", -2, "操作员[abc]不存在"},
        {"dytv1_77", "1", "", -1, "账套[dytv1_77]不存在"}};
    // clang-format on
    for (const Failure& k : failures) {
        auto anon = connect();
        const Response failed =
            test::logIn(*anon, QString::fromLatin1(k.db), QString::fromLatin1(k.user),
                        QString::fromLatin1(k.password));
        EXPECT_EQ(k.code, failed.code()) << k.db << " " << k.user;
        EXPECT_EQ(QString::fromUtf8(k.message), failed.outText(0));
        // Still anonymous.
        EXPECT_TRUE(errorOf(*anon, u"ExecQuery"_s, {u"select 1"_s}).contains(u"尚未登录"_s));
    }
}

TEST_F(ServerTest, QueriesStatementsAndSystemProcedures) {
    auto c = loggedIn();
    script(u"dytv1_1"_s,
           u"CREATE TABLE IF NOT EXISTS tq(id INTEGER PRIMARY KEY, name "
           "VARCHAR(20), price REAL, total MONEY); DELETE FROM tq"_s);
    // Several statements in one text are counted together.
    EXPECT_EQ(3, update(*c,
                        u"INSERT INTO tq VALUES (1, '螺丝', 0.5, 1.25); INSERT "
                        "INTO tq VALUES (2, NULL, 2, 3);\n"
                        "INSERT INTO tq VALUES (3, 'O''Neil', NULL, NULL)"_s));
    RecordSet rs = query(*c, u"SELECT id, name, price, total FROM tq ORDER BY id"_s);
    ASSERT_EQ(3, rs.rowCount());
    EXPECT_EQ(u"螺丝|O'Neil"_s, rs.at(0, 1).toString() + u'|' + rs.at(2, 1).toString());
    EXPECT_FALSE(rs.at(1, 1).isValid());
    if (!dyt::test::onPostgres()) {
        // Field kinds and sizes follow the declared types; PostgreSQL keeps no MONEY or
        // VARCHAR spelling (the account set's own tables use neither).
        EXPECT_EQ((std::vector{FieldType::Text, FieldType::Float, FieldType::Currency}),
                  (std::vector{rs.fields()[1].type, rs.fields()[2].type, rs.fields()[3].type}));
        EXPECT_EQ(20, rs.fields()[1].size);
        EXPECT_EQ(12500, rs.at(0, 3).value<Currency>().raw());
    }
    // A failing text changes nothing, also the statements before the failing one.
    Response r = c->call(
        u"ExecUpdate"_s,
        {u"INSERT INTO tq VALUES (4, 'x', 1, 1); INSERT INTO tq VALUES (1, 'dup', 1, 1)"_s});
    EXPECT_EQ(-1, r.code());
    EXPECT_TRUE(r.outText(0).contains(u"UNIQUE"_s)) << r.outText(0).toStdString();
    EXPECT_EQ(3, query(*c, u"SELECT count(*) AS n FROM tq"_s).at(0, 0).toLongLong());
    r = c->call(u"ExecQuery"_s, {u"SELECT * FROM nosuchtable"_s});
    EXPECT_EQ(-1, r.code());
    EXPECT_TRUE(r.out(0).isNull());
    EXPECT_EQ(u"no such table: nosuchtable"_s, r.outText(1));
    r = c->call(u"ExecUpdate"_s, {u"   "_s});
    EXPECT_EQ(-1, r.code());
    EXPECT_EQ(u"SQL语句为空"_s, r.outText(0));
    script(u"dytv1_1"_s, u"DROP TABLE tq"_s);
    // System procedures.
    auto proc = [&](const QString& name, const QStringList& lines) {
        return c->call(u"ExecProc"_s, {name, proto::joinLines(lines)});
    };
    // czy_id comes from the session, whatever the lines say.
    Response res =
        proc(u"P_SYS_UP_LOG"_s,
             {u"logUserName=someone"_s, u"logUserId=55"_s, u"logHostName=PC-01"_s,
              u"logMsgType=1"_s, u"logMsgCont=打开窗口[进货单]"_s, u"aTag=101"_s, u"czy_id=99"_s});
    EXPECT_EQ(0, res.code());
    EXPECT_EQ(0, res.out(1).toInteger());
    EXPECT_EQ(u"1"_s, lineValues(res.outText(0), "czy_id"));
    EXPECT_EQ(u"1|系统管理员|PC-01|1|打开窗口[进货单]|101"_s,
              rowText(query(*c,
                            u"SELECT top 1 logUserId, logUserName, logHostName, logMsgType, "
                            "logMsgCont, aTag FROM sysLog ORDER BY id DESC"_s)));
    // Settings rows: added when missing, replaced when present.
    EXPECT_EQ(
        0, proc(u"P_SYS_Up_DataRow"_s, {u"Name=自动备份日期"_s, u"DefValue=2026-01-02"_s}).code());
    EXPECT_EQ(
        0, proc(u"p_sys_up_datarow"_s, {u"Name=自动备份日期"_s, u"DefValue=2026-02-03"_s}).code());
    RecordSet data = query(*c, u"SELECT sysValue FROM sysData WHERE Name = '自动备份日期'"_s);
    ASSERT_EQ(1, data.rowCount());
    EXPECT_EQ(u"2026-02-03"_s, data.at(0, 0).toString());
    res = proc(u"P_SYS_Up_DataRow"_s, {u"DefValue=1"_s});
    EXPECT_EQ(-1, res.code());
    EXPECT_EQ(u"系统参数名称不能为空"_s, res.outText(2));
    // Grid layouts: one row per layout and operator, the operator from the session.
    for (const char* v : {"first", "second"}) {
        EXPECT_EQ(0, proc(u"p_sys_Up_ColConfigure"_s,
                          {u"ColId=进货单"_s, u"userId=5"_s, u"colstr1="_s + QString::fromLatin1(v),
                           u"ColValue=1"_s})
                         .code());
    }
    RecordSet layout =
        query(*c, u"SELECT userId, colstr1, colstr2 FROM sysColConfigure WHERE ColId = '进货单'"_s);
    ASSERT_EQ(1, layout.rowCount());
    EXPECT_EQ(u"1|second|"_s, rowText(layout, 0));
    res = c->call(u"ExecService"_s,
                  {u"NoSuchService"_s, u"SaveToDB"_s, QString(), null(), null(), null()});
    EXPECT_EQ(-1, res.code());
    EXPECT_EQ(u"服务[NoSuchService]不存在"_s, res.outText(2));
    // The bill service refuses a bill without a kind.
    res = c->call(u"ExecService"_s,
                  {u"QMXService"_s, u"SaveToDB"_s, QString(), null(), null(), null()});
    EXPECT_EQ(-1, res.code());
    EXPECT_EQ(u"单据类型[0]不存在"_s, res.outText(2));
}

// Two connections post sales at once while also writing a read-modify-write text each time:
// every call succeeds, no two writes interleave, and stock and balances add up.
TEST_F(ServerTest, ConcurrentPostingAndWritingAreSerialised) {
    auto admin = connect();
    const QString db = created(*admin, u"过账测试"_s).first;
    ASSERT_FALSE(db.isEmpty());
    auto c = loggedIn(db);
    const char* const rows[][4] = {
        {"baseGoods", "101", "SP101", "螺丝"}, {"baseGoods", "102", "SP102", "齿轮"},
        {"baseWLDW", "201", "K1", "甲客户"},   {"baseWLDW", "202", "K2", "乙客户"},
        {"baseWLDW", "203", "G1", "供应商"},   {"baseCK", "301", "CK1", "总仓"},
        {"baseZY", "2", "002", "张三"},        {"baseBM", "401", "BM1", "业务部"}};
    for (const auto& r : rows) {
        ASSERT_EQ(1, update(*c,
                            u"INSERT INTO %1(id, par_id, par_jl, leveal, sonnum, code, "
                            "fullname) VALUES (%2, 0, '%2,', 1, 0, '%3', '%4')"_s.arg(
                                QString::fromUtf8(r[0]), QString::fromUtf8(r[1]),
                                QString::fromUtf8(r[2]), QString::fromUtf8(r[3]))));
    }
    update(*c, u"UPDATE baseGoods SET costmode = 2 WHERE id = 102"_s);  // FIFO
    update(*c, u"UPDATE baseZY SET name = '张三' WHERE id = 2"_s);
    ASSERT_EQ(0, c->call(u"ExecProc"_s, {u"P_SYS_UP_Open"_s,
                                         proto::joinLines({u"type=0"_s, u"Date=2025-01-01"_s})})
                     .out(1)
                     .toInteger());
    script(db, u"CREATE TABLE tc(id INTEGER PRIMARY KEY, who INTEGER, n INTEGER)"_s);
    const auto post = [](Client& to, const server::test::GoodsBill& b) {
        const Response r =
            to.call(u"ExecService"_s,
                    {u"QMXService"_s, u"SaveToDB"_s, server::test::goodsBillParams(b).text(),
                     proto::recordSetToCbor(server::test::goodsLinesPacket(b)),
                     proto::recordSetToCbor(server::test::accountPacket(b.accounts)), null()});
        return r.out(1).toInteger() > 0 ? QString() : r.outText(2) + r.error;
    };
    using server::test::goodsBill;
    ASSERT_EQ(QString(), post(*c, goodsBill(5, "2025-02-03", 203,
                                            {{.goods = 101, .qty = 100, .price = 10},
                                             {.goods = 102, .qty = 100, .price = 10}})));
    constexpr int kEach = 12;
    std::vector<QString> errors(2);
    std::vector<std::thread> threads;
    for (int w = 0; w < 2; ++w) {
        threads.emplace_back([&, w] {
            try {
                auto own = test::loggedIn(server->port(), db);
                for (int i = 0; i < kEach && errors[w].isEmpty(); ++i) {
                    // A sale of 2 of each goods at 15 with 5 received in cash.
                    errors[w] = post(*own, goodsBill(1, "2025-02-03", 201 + w,
                                                     {{.goods = 101, .qty = 2, .price = 15},
                                                      {.goods = 102, .qty = 2, .price = 15}},
                                                     {{.km = 8, .amount = 5}}));
                    // Read-modify-write in one text: each must see the other's committed rows.
                    if (update(*own,
                               u"INSERT INTO tc(who, n) SELECT %1, count(*) FROM tc"_s.arg(w)) != 1)
                        errors[w] = u"write refused"_s;
                }
            } catch (const DytError& e) {
                errors[w] = e.message();
            }
        });
    }
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(u"|"_s, errors[0] + u'|' + errors[1]);
    const auto row = [&](const QString& sql) { return rowText(query(*c, sql)); };
    // Every insert saw a different number of earlier rows.
    EXPECT_EQ(u"24|24|23"_s, row(u"SELECT count(*), count(DISTINCT n), max(n) FROM tc"_s));
    // 2 × 12 sales of 2 of each goods, one stock movement per line; each customer owes
    // 12 × (60 − 5); the cash took 24 × 5.
    for (int goods : {101, 102}) {
        EXPECT_EQ(u"52|520"_s, row(u"SELECT sum(qty), sum(total) FROM baseGoodsStock WHERE "
                                   "goodsid = %1"_s.arg(goods)));
    }
    EXPECT_EQ(u"660|660"_s, row(u"SELECT a.ystotal, b.ystotal FROM baseWLDW AS a, baseWLDW AS b "
                                "WHERE a.id = 201 AND b.id = 202"_s));
    EXPECT_EQ(u"24|120|50"_s,
              row(u"SELECT (SELECT count(*) FROM djIndex WHERE djType = 1 AND dj_state = 2) AS n, "
                  "(SELECT Total FROM baseKM WHERE id = 8) AS cash, "
                  "(SELECT count(*) FROM djStockDetail) AS moves"_s));
}

TEST_F(ServerTest, NewerOrBrokenAccountSetsCannotBeUsedAndOneInUseIsNotDeleted) {
    // A throw-away account set whose version is raised beyond the server's.
    auto admin = connect();
    const auto [db, order] = created(*admin, u"版本测试"_s);
    ASSERT_FALSE(db.isEmpty());
    {
        auto c = loggedIn(db);
        update(*c,
               u"UPDATE sysVersion SET version = %1"_s.arg(server::schema::currentVersion() + 1));
    }
    auto c = connect();
    Response r = test::logIn(*c, db);
    EXPECT_EQ(-8, r.code());
    EXPECT_TRUE(r.outText(0).contains(u"版本"_s)) << r.outText(0).toStdString();
    // A file that is not an account set; a PostgreSQL database without the account set's tables.
    if (dyt::test::onPostgres()) {
        script(db, u"DROP TABLE sysVersion"_s);
    } else {
        QFile f(QDir(server->dataDir()).filePath(db + u".db"_s));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("this is not a database file at all, not even close.........");
    }
    r = test::logIn(*c, db);
    EXPECT_EQ(-8, r.code());
    EXPECT_EQ(0, admin->call(u"DeleteProfile"_s, {order, u"sa"_s, QString()}).code());
    // An account set in use is not deleted.
    const auto [db2, order2] = created(*admin, u"删除测试"_s);
    ASSERT_FALSE(db2.isEmpty());
    const auto exists = [&] {
        if (!dyt::test::onPostgres())
            return QFile::exists(QDir(server->dataDir()).filePath(db2 + u".db"_s));
        try {
            server::Database::open(server->accountSetPath(db2));
            return true;
        } catch (const DytError&) {
            return false;
        }
    };
    EXPECT_TRUE(exists());
    {
        auto user = loggedIn(db2);
        Response del = admin->call(u"DeleteProfile"_s, {order2, u"sa"_s, QString()});
        EXPECT_EQ(-1, del.code());
        EXPECT_EQ(u"账套[删除测试]正在使用中，不能删除"_s, del.outText(0));
        del = admin->call(u"DeleteProfile"_s, {order2, u"sa"_s, u"x"_s});
        EXPECT_EQ(u"管理员账号或口令错误"_s, del.outText(0));
    }
    // The server notices the closed connection; give it a moment by retrying.
    Response del;
    for (int i = 0; i < 50; ++i) {
        del = admin->call(u"DeleteProfile"_s, {order2, u"sa"_s, QString()});
        if (del.code() == 0)
            break;
        QThread::msleep(100);
    }
    EXPECT_EQ(0, del.code()) << del.outText(0).toStdString();
    EXPECT_FALSE(exists());
    del = admin->call(u"DeleteProfile"_s, {order2, u"sa"_s, QString()});
    EXPECT_EQ(u"要删除的账套不存在"_s, del.outText(0));
}

// The backup's bytes changed by a script, as a hostile file would come.
QByteArray changedBackup(const QByteArray& content, const QString& sql) {
    QTemporaryDir d;
    const QString p = d.filePath(u"changed.db"_s);
    QFile f(p);
    if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size())
        return {};
    f.close();
    server::Database::open(p, server::Database::Mode::File)->executeScript(sql);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST_F(ServerTest, BackupAndRestoreNeedTheAdministratorAndTakeOnlyTheServersAccountSets) {
    auto c = connect();
    const Response login = test::logIn(*c, u"dytv1_2"_s);
    ASSERT_EQ(0, login.code());
    const QString token = ParamList(login.outText(0)).value(u"dbPassword"_s);
    ASSERT_EQ(1,
              update(*c, u"INSERT INTO sysData(Name, sysValue) VALUES ('恢复标记', '备份前')"_s));
    ASSERT_EQ(1, update(*c,
                        u"INSERT INTO baseGoods(id, code, fullname, updateTime) VALUES "
                        "(9101, 'R1', '恢复', '2099-02-02 02:02:02')"_s));
    const auto goodsStamp = [&] {
        return proto::splitLines(c->call(u"ConnectionVar"_s, {u"t"_s}).result.toString()).value(1);
    };
    const auto backup = [&](const QString& file, int local, const QString& pw = QString()) {
        const Response r =
            c->call(u"BackupProfile"_s, {u"dytv1_2"_s, u"账套乙"_s, file, u"sa"_s, pw, local});
        return u"%1 %2"_s.arg(r.code()).arg(r.outText(1));
    };
    // A wrong administrator password is refused whatever the target; the login's own token makes
    // server backups only (the client's automatic backup); a name twice or outside is refused.
    const char* const ok = "0 数据备份到服务器成功完成";
    const char* const wrong = "-1 管理员账号或口令错误";
    const struct {
        const char* file;
        int local;
        QString password;
        const char* expected;
    } backups[] = {{"乙.bad.db", 0, u"bad"_s, wrong},
                   {"乙.bad.db", 1, u"bad"_s, wrong},
                   {"乙.token.db", 1, token, wrong},
                   {"乙.token.db", 0, token, ok},
                   {"乙.token.db", 0, QString(), "-1 备份文件[乙.token.db]已经存在，请重新命名"},
                   {"../escape.db", 0, QString(), "-1 备份文件名称[../escape.db]无效"}};
    for (const auto& b : backups) {
        EXPECT_EQ(QString::fromUtf8(b.expected),
                  backup(QString::fromUtf8(b.file), b.local, b.password))
            << b.file;
    }
    const Response local = c->call(
        u"BackupProfile"_s, {u"dytv1_2"_s, u"账套乙"_s, u"乙.local.db"_s, u"sa"_s, QString(), 1});
    ASSERT_EQ(0, local.code());
    const QByteArray content = local.out(2).toByteArray();
    RecordSet backupRows =
        proto::recordSetFromCbor(c->call(u"GetProfileBackups"_s, {u"dytv1_2"_s}).out(0));
    EXPECT_EQ((QStringList{u"乙.token.db"_s, u"乙.local.db"_s}),
              test::rowTexts(backupRows, u"backFileName"_s));
    // Another account set's backup is not this one's to restore.
    ASSERT_EQ(0, loggedIn(u"dytv1_1"_s)
                     ->call(u"BackupProfile"_s,
                            {u"dytv1_1"_s, u"账套甲"_s, u"甲.other.db"_s, u"sa"_s, QString(), 0})
                     .code());
    update(*c, u"UPDATE sysData SET sysValue = '备份后' WHERE Name = '恢复标记'"_s);
    update(*c, u"UPDATE baseGoods SET updateTime = '2099-03-03 03:03:03' WHERE id = 9101"_s);
    EXPECT_EQ(u"2099-03-03 03:03:03"_s, goodsStamp());
    const auto restore = [&](const QString& name, const QByteArray& bytes,
                             const QString& pw = QString()) {
        const Response r = c->call(
            u"RestoreProfile"_s,
            {u"dytv1_2"_s, name, u"sa"_s, pw, bytes.isEmpty() ? null() : QCborValue(bytes)});
        return u"%1 %2"_s.arg(r.code()).arg(r.outText(3));
    };
    const auto marker = [&] {
        return query(*c, u"SELECT sysValue FROM sysData WHERE Name = '恢复标记'"_s)
            .at(0, 0)
            .toString();
    };
    EXPECT_EQ(u"-1 管理员账号或口令错误"_s, restore(u"乙.token.db"_s, {}, token));
    EXPECT_EQ(u"-1 服务器备份[甲.other.db]不存在"_s, restore(u"甲.other.db"_s, {}));
    EXPECT_EQ(u"-1 服务器备份[nosuch.db]不存在"_s, restore(u"nosuch.db"_s, {}));
    EXPECT_EQ(u"0 账套恢复成功"_s, restore(u"乙.token.db"_s, {}));
    EXPECT_EQ(u"备份前"_s, marker());
    // The stamps are those of the restored file, not those seen before.
    EXPECT_EQ(u"2099-02-02 02:02:02"_s, goodsStamp());
    update(*c, u"DELETE FROM baseGoods WHERE id = 9101"_s);
    update(*c, u"UPDATE sysData SET sysValue = '保持不变' WHERE Name = '恢复标记'"_s);
    // Files that are not this server's account sets leave everything as it was: broken bytes,
    // a database without the tables, one with only the version, ones lacking a table the server
    // needs or carrying one it never makes.
    QByteArray plain;
    {
        QTemporaryDir d;
        const QString p = d.filePath(u"plain.db"_s);
        server::Database::open(p, server::Database::Mode::ReadWriteCreate)
            ->executeScript(u"PRAGMA journal_mode=DELETE; CREATE TABLE a(x)"_s);
        QFile pf(p);
        ASSERT_TRUE(pf.open(QIODevice::ReadOnly));
        plain = pf.readAll();
    }
    const QString onlyVersion =
        u"CREATE TABLE sysVersion(version INTEGER NOT NULL); "
        "INSERT INTO sysVersion VALUES (%1)"_s.arg(server::schema::currentVersion());
    const struct {
        QByteArray bytes;
        const char* reason;
    } foreign[] = {
        {QByteArray("garbage garbage garbage"), "文件不是有效的账套备份"},
        {content.left(content.size() / 2), "备份文件已损坏"},
        {plain, "文件不是有效的账套备份"},
        {changedBackup(plain, onlyVersion), "文件不是有效的账套备份：缺少"},
        {changedBackup(content, u"DROP TABLE sysuser"_s), "缺少[sysuser]"},
        {changedBackup(content, u"DROP TABLE djIndex"_s), "缺少[djindex]"},
        {changedBackup(content,
                       u"CREATE TRIGGER tr_extra AFTER INSERT ON djStockDetail BEGIN "
                       "UPDATE baseGoodsStock SET qty = qty * 2; END"_s),
         "含有本系统没有的[tr_extra]"},
        {changedBackup(content, u"CREATE VIEW v_extra AS SELECT 1"_s), "含有本系统没有的[v_extra]"},
    };
    for (const auto& f : foreign) {
        const QString answer = restore(u"x.db"_s, f.bytes);
        EXPECT_TRUE(answer.startsWith(u"-1 恢复失败："_s) &&
                    answer.contains(QString::fromUtf8(f.reason)))
            << answer.toStdString();
    }
    EXPECT_EQ(u"保持不变"_s, marker());
    // The genuine local copy is taken.
    EXPECT_EQ(u"0 账套恢复成功"_s, restore(u"乙.local.db"_s, content));
    EXPECT_EQ(u"备份前"_s, marker());
    update(*c, u"DELETE FROM sysData WHERE Name = '恢复标记'"_s);
}

// A table whose self-join keeps a query busy for a while: the calls sent meanwhile find it running.
void addSlowTable(const QString& accountSetPath) {
    auto db = server::Database::open(accountSetPath);
    db->executeScript(
        u"CREATE TABLE slow(x INTEGER); WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL "
        "SELECT x + 1 FROM c WHERE x < 4000) INSERT INTO slow SELECT x FROM c"_s);
}
const QString kSlowQuery = u"SELECT count(*) AS n FROM slow a, slow b WHERE (a.x * b.x) % 7 = 3"_s;
constexpr qint64 kSlowCount = 1959674;

// Sends a call without waiting for its answer (read it later with readResponse()).
void send(Client& c, qint64 id, const QString& method, const QCborArray& args) {
    c.sendRaw(proto::encodeFrame(proto::Request{id, method, args}.toCbor()));
}

TEST_F(ServerTest, ARestoreUnderWritingClientsRefusesTheirCallsAndLeavesExactlyTheBackup) {
    const QString db = u"dytv1_1"_s;
    const QString restored = u"账套已经被恢复或关闭，请重新登录"_s;
    auto restorer = loggedIn(db);
    ASSERT_EQ(
        0, restorer
               ->call(u"BackupProfile"_s, {db, u"账套甲"_s, u"甲.load.db"_s, u"sa"_s, QString(), 0})
               .code());
    // Three clients write as fast as they can until they are sent back to log in; a long query
    // runs meanwhile. Acknowledgements are counted, also those after the restore answered.
    constexpr int kWriters = 3;
    std::atomic<bool> restoreAnswered{false};
    std::vector<std::atomic<int>> acks(kWriters);
    std::vector<int> acksAfter(kWriters, 0);
    std::vector<QString> ends(kWriters);
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w) {
        writers.emplace_back([&, w] {
            try {
                auto own = test::loggedIn(server->port(), db);
                own->call(u"ExecCommand"_s, {u"Command=CheckAdminPass\r\nPassword="_s});
                for (int i = 0; ends[w].isEmpty() && i < 100000; ++i) {
                    const Response r = own->callRaw(
                        u"ExecUpdate"_s,
                        {u"INSERT INTO sysLog(logMsgCont) VALUES ('写入%1-%2')"_s.arg(w).arg(i)});
                    if (r.error.isEmpty() && r.code() == 1) {
                        ++acks[w];
                        acksAfter[w] += restoreAnswered ? 1 : 0;
                    } else {
                        ends[w] = r.error + r.outText(0);
                    }
                }
            } catch (const DytError& e) {
                ends[w] = e.message();
            }
        });
    }
    for (int w = 0; w < kWriters; ++w) {
        for (int wait = 0; acks[w] < 20 && wait < 600; ++wait)
            QThread::msleep(50);
    }
    auto reader = loggedIn(db);
    send(*reader, 1, u"ExecQuery"_s,
         {u"SELECT count(*) FROM sysLog a, sysLog b, sysLog c, sysLog d, sysLog e, sysLog f"_s});
    QElapsedTimer timer;
    timer.start();
    const Response r =
        restorer->call(u"RestoreProfile"_s, {db, u"甲.load.db"_s, u"sa"_s, QString(), null()});
    restoreAnswered = true;
    const qint64 took = timer.elapsed();
    for (auto& t : writers)
        t.join();
    ASSERT_EQ(0, r.code()) << r.outText(3).toStdString();
    EXPECT_LT(took, 15000);
    for (int w = 0; w < kWriters; ++w) {
        EXPECT_GT(acks[w], 0);
        EXPECT_EQ(u"%1 0"_s.arg(restored), u"%1 %2"_s.arg(ends[w]).arg(acksAfter[w]));
    }
    EXPECT_EQ(restored, reader->readResponse().error);
    // Nothing written after the backup survived; the others log in again.
    EXPECT_EQ(0, query(*restorer, u"SELECT count(*) FROM sysLog WHERE logMsgCont LIKE '写入%'"_s)
                     .at(0, 0)
                     .toLongLong());
    EXPECT_TRUE(errorOf(*reader, u"ExecQuery"_s, {u"SELECT 1"_s}).contains(u"尚未登录"_s));
    EXPECT_EQ(0, test::logIn(*reader, db).code());
}

TEST(ServerStop, ACallInFlightIsAnsweredBeforeTheServerExits) {
    test::ServerProcess s;
    ASSERT_TRUE(s.start()) << s.error().toStdString();
    Client c;
    c.connectTo(u"127.0.0.1"_s, s.port());
    ASSERT_EQ(0, c.call(u"CreateProfile"_s, {u"停止"_s, u"停止"_s, u"sa"_s, QString()}).code());
    addSlowTable(s.accountSetPath(u"dytv1_1"_s));
    ASSERT_EQ(0, test::logIn(c, u"dytv1_1"_s).code());
    send(c, 1, u"ExecQuery"_s, {kSlowQuery});
    QThread::msleep(100);
    EXPECT_EQ(0, s.stop());
    const Response r = c.readResponse();
    ASSERT_EQ(0, r.code()) << r.outText(1).toStdString();
    EXPECT_EQ(kSlowCount, proto::recordSetFromCbor(r.out(0)).at(0, 0).toLongLong());
}

// A server inside the test process with its own data folder and settings.
struct LocalServer {
    explicit LocalServer(int statementTimeout, int stopWait) {
        server::ServerConfig config;
        config.dataDir = dir.path();
        config.statementTimeout = statementTimeout;
        config.stopWait = stopWait;
        backend = std::make_unique<server::Backend>(config);
        srv = std::make_unique<server::Server>(*backend);
        port = srv->start(u"127.0.0.1"_s, 0);
        Client c;
        c.connectTo(u"127.0.0.1"_s, port);
        c.call(u"CreateProfile"_s, {u"限时"_s, u"限时"_s, u"sa"_s, QString()});
        addSlowTable(QDir(dir.path()).filePath(u"dytv1_1.db"_s));
    }
    // A write through a procedure, which has no time limit: "" when it got through.
    QString write(const QString& value) const {
        const Response r = test::loggedIn(port)->call(
            u"ExecProc"_s, {u"P_SYS_Up_DataRow"_s,
                            proto::joinLines({u"Name=并发写入"_s, u"DefValue="_s + value})});
        return r.code() == 0 ? QString() : r.outText(2);
    }
    QTemporaryDir dir;
    std::unique_ptr<server::Backend> backend;
    std::unique_ptr<server::Server> srv;
    quint16 port = 0;
};

// Statements that would hold the write lock for ever.
const QString kEndlessUpdate =
    u"UPDATE sysData SET sysValue = sysValue WHERE (SELECT count(*) FROM slow a, slow b, slow c) "
    "> 0"_s;

TEST(StatementLimits, ClientSqlStopsAtTheLimitWhenItsClientLeavesAndWhenTheServerStops) {
    {
        // At the limit the text is stopped with the reason and a concurrent write gets through.
        LocalServer s(1, 10);
        auto a = test::loggedIn(s.port);
        send(*a, 1, u"ExecUpdate"_s, {kEndlessUpdate});
        QThread::msleep(200);
        EXPECT_EQ(QString(), s.write(u"1"_s));
        const Response r = a->readResponse();
        EXPECT_EQ(u"-1 语句执行超过了1秒的时间限制，已被服务器终止"_s,
                  u"%1 %2"_s.arg(r.code()).arg(r.outText(0)));
    }
    LocalServer s(0, 1);
    {
        // Without a limit, a client that leaves takes its statement along.
        auto gone = test::loggedIn(s.port);
        send(*gone, 1, u"ExecUpdate"_s, {kEndlessUpdate});
        QThread::msleep(200);
    }
    EXPECT_EQ(QString(), s.write(u"2"_s));
    // A stop waits for running calls only as long as configured.
    auto last = test::loggedIn(s.port);
    send(*last, 1, u"ExecUpdate"_s, {kEndlessUpdate});
    QThread::msleep(200);
    QElapsedTimer timer;
    timer.start();
    s.srv->stop();
    EXPECT_LT(timer.elapsed(), 8000);
    const Response r = last->readResponse();
    EXPECT_EQ(u"-1 服务器正在停止，操作已被终止"_s, u"%1 %2"_s.arg(r.code()).arg(r.outText(0)));
}

// A hostile client against a server with a short lock schedule: planted hash-shaped passwords,
// password columns read back, a long write lock at login, and wrong passwords from four
// connections at once, for an operator and for the administrator.
TEST(ServerThrottle, GuessesAreThrottledAndOnlyTheServersOwnHashesAreStored) {
    QTemporaryDir dir;
    QFile ini(dir.filePath(u"dyt-server.ini"_s));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write(
        "loginFreeAttempts=2\nloginAddressFreeAttempts=1000\nloginDelay=100\n"
        "loginDelayMax=1000\nloginBusyTimeout=200\n");
    ini.close();
    test::ServerProcess s;
    ASSERT_TRUE(s.start({u"--config"_s, ini.fileName()})) << s.error().toStdString();
    const QString db = u"dytv1_1"_s;
    Client c;
    Client other;
    c.connectTo(u"127.0.0.1"_s, s.port());
    other.connectTo(u"127.0.0.1"_s, s.port());
    ASSERT_EQ(0, c.call(u"CreateProfile"_s, {u"甲"_s, u"甲"_s, u"sa"_s, QString()}).code());
    ASSERT_EQ(0, test::logIn(c, db).code());
    const QString planted = server::password::hash(u"秘密"_s);
    ASSERT_EQ(0, c.call(u"ExecCommand"_s, {u"Command=CheckAdminPass\r\nPassword="_s}).code());
    ASSERT_EQ(3, c.call(u"ExecUpdate"_s,
                        {u"UPDATE sysuser SET password = '%1' WHERE id = 1; INSERT INTO "
                         "baseZY(id, code, fullname) VALUES (2, '002', '乙'); INSERT INTO "
                         "sysuser(id) VALUES (2)"_s.arg(planted)})
                     .code());
    const RecordSet users = proto::recordSetFromCbor(
        c.call(u"ExecQuery"_s, {u"SELECT a.*, a.password AS p FROM sysuser AS a ORDER BY a.id"_s})
            .out(0));
    ASSERT_EQ(2, users.rowCount());
    EXPECT_EQ(u"1||/2||"_s,
              rowText(users, 0, u"id,password,p"_s) + u'/' + rowText(users, 1, u"id,password,p"_s));
    int wrongLogins = 0;  // wrong passwords of operator 1 that reached the check
    const auto logIn = [&](const QString& pw) {
        const Response r = test::logIn(other, db, u"1"_s, pw);
        wrongLogins += r.outText(0) == u"口令错误，请重新输入！"_s;
        return r;
    };
    EXPECT_EQ(-3, logIn(u"秘密"_s).code());
    EXPECT_EQ(0, logIn(planted).code());
    EXPECT_EQ(0, test::logIn(other, db, u"2"_s).code());
    {
        auto holder = server::Database::open(s.accountSetPath(db));
        server::Transaction writing(*holder);
        QElapsedTimer t;
        t.start();
        EXPECT_EQ(u"账套[甲]正忙，请稍后再登录。"_s, test::logIn(other, db, u"2"_s).outText(0));
        EXPECT_LT(t.elapsed(), server::Database::kBusyTimeoutMs / 2);
    }
    // The most checks the schedule lets through in the window: the free ones, then one per lock.
    constexpr qint64 kWindow = 1200;
    int most = 3;
    for (qint64 spent = 0, lock = 100; spent < kWindow; spent += std::min<qint64>(lock, 1000))
        ++most, lock *= 2;
    const QString locked = u"登录失败次数过多，请1秒后再试。"_s;
    // Wrong guesses from four connections for the window; a last one then starts a full lock.
    const auto hammer = [&](const std::function<QString(Client&)>& guess, const QString& wrong) {
        std::atomic<int> checked = 0;
        std::atomic<int> strange = 0;
        std::vector<std::thread> threads;
        for (int i = 0; i < 4; ++i) {
            threads.emplace_back([&] {
                Client own;
                own.connectTo(u"127.0.0.1"_s, s.port());
                QElapsedTimer t;
                t.start();
                while (t.elapsed() < kWindow) {
                    const QString answer = guess(own);
                    checked += answer == wrong;
                    strange += answer != wrong && answer != locked;
                }
            });
        }
        for (auto& t : threads)
            t.join();
        EXPECT_EQ(0, strange.load());
        EXPECT_LE(checked.load(), most);
        while (guess(c) == locked)
            QThread::msleep(20);
        return checked.load() + 1;
    };
    wrongLogins +=
        hammer([&](Client& cl) { return test::logIn(cl, db, u"1"_s, u"guess"_s).outText(0); },
               u"口令错误，请重新输入！"_s);
    // Even the right password is refused now; another operator is not.
    EXPECT_EQ(locked, logIn(planted).outText(0));
    EXPECT_EQ(0, test::logIn(other, db, u"2"_s).code());
    // After the lock the right password gets in, and the count starts afresh.
    QThread::msleep(1000);
    EXPECT_EQ(0, logIn(planted).code());
    EXPECT_EQ(-3, logIn(u"x"_s).code());
    EXPECT_EQ(0, logIn(planted).code());
    const int wrongAdmin = hammer(
        [](Client& cl) {
            return cl.call(u"ExecCommand"_s, {u"Command=CheckAdminPass\r\nPassword=guess"_s})
                .outText(1);
        },
        u"管理员口令错误"_s);
    // Every door of the administrator's check refuses the right password now.
    const std::pair<const char*, QCborArray> doors[] = {
        {"ExecCommand", {u"Command=CheckAdminPass\r\nPassword="_s}},
        {"ExecCommand", {u"Command=SetAdminPass\r\nAccount=sa\r\nPassword=\r\nNewPassword=x"_s}},
        {"CreateProfile", {u"乙"_s, u"乙"_s, u"sa"_s, QString()}},
        {"DeleteProfile", {1, u"sa"_s, QString()}},
        {"RestoreProfile", {db, u"none.db"_s, u"sa"_s, QString(), null()}}};
    for (const auto& [method, args] : doors) {
        const Response r = c.callRaw(QString::fromLatin1(method), args);
        EXPECT_EQ(locked, r.error + r.outText(1)) << method;
    }
    // One log line per wrong password, without the password.
    s.stop();
    const QString log = s.errorOutput();
    EXPECT_EQ(wrongLogins, log.count(u"登录失败：账套[dytv1_1] 操作员[1] 地址[127.0.0.1]"_s));
    EXPECT_EQ(wrongAdmin, log.count(u"管理员口令错误：账号[sa] 地址[127.0.0.1]"_s));
    EXPECT_FALSE(log.contains(u"guess"_s) || log.contains(u"秘密"_s));
}

// The server inside the test process: start, serve, stop with connections open.
TEST(InProcessServer, StopClosesSessionsTheServerStartsAgainAndAnAddressInUseIsReported) {
    QTemporaryDir dir;
    server::ServerConfig config;
    config.dataDir = dir.path();
    server::Backend backend(config);
    server::Server server(backend);
    const quint16 port = server.start(u"127.0.0.1"_s, 0);
    EXPECT_NE(0, port);
    proto::Client c;
    c.connectTo(u"127.0.0.1"_s, port);
    ASSERT_EQ(0, c.call(u"CreateProfile"_s, {u"甲"_s, u"甲"_s, u"sa"_s, QString()}).code());
    ASSERT_EQ(0, test::logIn(c, u"dytv1_1"_s).code());
    EXPECT_EQ(1, backend.sessionCount(u"dytv1_1"_s));
    EXPECT_EQ(1, server.connectionCount());
    server.stop();
    EXPECT_EQ(0, backend.sessionCount(u"dytv1_1"_s));
    EXPECT_EQ(0, server.connectionCount());
    EXPECT_THROW(c.call(u"InitDataBase"_s), DytError);
    server.stop();  // twice is harmless
    // The same backend serves again; the account set is intact.
    const quint16 again = server.start(u"127.0.0.1"_s, 0);
    proto::Client c2;
    c2.connectTo(u"127.0.0.1"_s, again);
    EXPECT_EQ(0, test::logIn(c2, u"dytv1_1"_s).code());
    // An address in use or no address at all is reported.
    EXPECT_THROW(server::Server(backend).start(u"127.0.0.1"_s, again), DytError);
    EXPECT_THROW(server::Server(backend).start(u"999.1.1.1"_s, 0), DytError);
}

}  // namespace
}  // namespace dyt
