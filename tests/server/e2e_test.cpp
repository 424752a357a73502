// The application server end to end: a dyt-server process on an ephemeral loopback port with a
// fresh data folder, called through the protocol client.
#include <gtest/gtest.h>

#include <QDate>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <atomic>
#include <thread>
#include <vector>

#include "common/error.h"
#include "protocol/client.h"
#include "protocol/protocol.h"
#include "server/database.h"
#include "server/schema.h"
#include "support/serverprocess.h"

namespace dyt {
namespace {

using proto::Client;
using proto::Response;

QCborValue null() {
    return QCborValue(QCborValue::Null);
}

QString loginLines(const QString& dbName, const QString& user,
                   const QString& flag = QStringLiteral("Check"), int loginType = 0) {
    return proto::joinLines(
        {dbName, dbName, user, QStringLiteral("PC-01"), QStringLiteral("10.0.0.5"),
         QStringLiteral("00-11-22"), QStringLiteral("1"), QStringLiteral("正式版"),
         QStringLiteral("dytv1"), QStringLiteral("UpdateFlag=") + flag,
         QStringLiteral("LoginType=%1").arg(loginType), QStringLiteral("V11.0.140215")});
}

// Value of name in name=value lines.
QString lineValue(const QString& text, const QString& name) {
    for (const QString& l : proto::splitLines(text)) {
        if (l.section(QLatin1Char('='), 0, 0).compare(name, Qt::CaseInsensitive) == 0)
            return l.section(QLatin1Char('='), 1);
    }
    return QStringLiteral("<absent>");
}

class ServerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        server = new test::ServerProcess;
        ASSERT_TRUE(server->start()) << server->error().toStdString();
        Client c;
        c.connectTo(QStringLiteral("127.0.0.1"), server->port());
        // Two account sets: dytv1_1 "账套甲" and dytv1_2 "账套乙".
        for (const char* name : {"账套甲", "账套乙"}) {
            const QString n = QString::fromUtf8(name);
            Response r =
                c.call(QStringLiteral("CreateProfile"), {n, n, QStringLiteral("sa"), QString()});
            ASSERT_EQ(0, r.code()) << r.outText(0).toStdString();
        }
    }
    static void TearDownTestSuite() {
        delete server;
        server = nullptr;
    }

    std::unique_ptr<Client> connect() {
        auto c = std::make_unique<Client>();
        c->connectTo(QStringLiteral("127.0.0.1"), server->port());
        return c;
    }
    // A connection logged in as operator 1 (empty password) to the account set.
    std::unique_ptr<Client> loggedIn(const QString& dbName = QStringLiteral("dytv1_1"),
                                     const QString& pw = QString()) {
        auto c = connect();
        Response r = c->call(QStringLiteral("Login"),
                             {loginLines(dbName, QStringLiteral("1")), QStringLiteral("1"), pw});
        EXPECT_EQ(0, r.code()) << r.outText(0).toStdString();
        return c;
    }
    static RecordSet query(Client& c, const QString& sql) {
        Response r = c.call(QStringLiteral("ExecQuery"), {sql});
        if (r.code() != 0)
            throw DytError(r.outText(1));
        return proto::recordSetFromCbor(r.out(0));
    }
    static qint64 update(Client& c, const QString& sql) {
        return c.call(QStringLiteral("ExecUpdate"), {sql}).code();
    }
    // Runs a script directly on an account set's file, as an administrator's tool would: client
    // texts may not change the schema.
    static void script(const QString& dbName, const QString& sql) {
        auto db = server::Database::open(
            QDir(server->dataDir()).filePath(dbName + QStringLiteral(".db")));
        db->executeScript(sql);
    }
    static QString errorOf(Client& c, const QString& method, const QCborArray& args) {
        return c.callRaw(method, args).error;
    }

    static test::ServerProcess* server;
};

test::ServerProcess* ServerTest::server = nullptr;

TEST_F(ServerTest, AnonymousConnectionAnswersOnlyTheLoginMethods) {
    auto c = connect();
    Response init = c->call(QStringLiteral("InitDataBase"));
    EXPECT_EQ(0, init.code());
    EXPECT_EQ(QString(), init.outText(0));
    const char* refused[][2] = {
        {"ExecQuery", "s"}, {"ExecUpdate", "s"}, {"GetProfileBackups", "s"}};
    for (const auto& m : refused) {
        const QString err = errorOf(*c, QString::fromLatin1(m[0]), {QStringLiteral("select 1")});
        EXPECT_TRUE(err.contains(QStringLiteral("尚未登录"))) << m[0] << ": " << err.toStdString();
    }
    EXPECT_TRUE(errorOf(*c, QStringLiteral("ExecProc"), {QStringLiteral("p_sys_Up_Log"), QString()})
                    .contains(QStringLiteral("尚未登录")));
    // Still serving on the same connection.
    EXPECT_EQ(0, c->call(QStringLiteral("GetProfileList"), {QStringLiteral("dytv1"), 1}).code());
}

TEST_F(ServerTest, ServerConfigurationLines) {
    auto c = connect();
    Response r = c->call(QStringLiteral("GetServerConf"));
    EXPECT_EQ(0, r.code());
    const QString lines = r.outText(0);
    EXPECT_EQ(QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")),
              lineValue(lines, QStringLiteral("系统日期")));
    EXPECT_EQ(QStringLiteral("0"), lineValue(lines, QStringLiteral("新登录模式")));
    EXPECT_EQ(QStringLiteral("0"), lineValue(lines, QStringLiteral("客户端强制记忆账套")));
    EXPECT_EQ(QStringLiteral("0"), lineValue(lines, QStringLiteral("客户端不允许修改制单日期")));
}

TEST_F(ServerTest, EchoReturnsTheTokenAndTheStamps) {
    auto c = connect();
    Response r = c->call(QStringLiteral("ConnectionVar"), {QStringLiteral("qZevrint\r\n")});
    const QStringList lines = proto::splitLines(r.result.toString());
    ASSERT_EQ(3, lines.size());
    EXPECT_EQ(QStringLiteral("qZevrint"), lines[0]);
    EXPECT_EQ(QStringLiteral("2000-01-01"), lines[1]);
    EXPECT_EQ(QStringLiteral("2000-01-01"), lines[2]);

    // Logged in, the stamps are the latest change times of goods and partners.
    auto s = loggedIn(QStringLiteral("dytv1_2"));
    EXPECT_EQ(2, update(*s, QStringLiteral("INSERT INTO baseGoods(id, code, fullname, updateTime) "
                                           "VALUES (9001, 'S1', '章', '2026-05-01 10:00:00'), "
                                           "(9002, 'S2', '印', '2026-06-02 09:00:00')")));
    const QStringList l2 = proto::splitLines(
        s->call(QStringLiteral("ConnectionVar"), {QStringLiteral("abc")}).result.toString());
    ASSERT_EQ(3, l2.size());
    EXPECT_EQ(QStringLiteral("abc"), l2[0]);
    EXPECT_EQ(QStringLiteral("2026-06-02 09:00:00"), l2[1]);
    EXPECT_EQ(2, update(*s, QStringLiteral("DELETE FROM baseGoods WHERE id IN (9001, 9002)")));
}

TEST_F(ServerTest, UnknownMethodsAndWrongArgumentsGetClearErrors) {
    auto c = connect();
    struct Case {
        const char* method;
        QCborArray args;
        const char* expected;
    };
    const Case cases[] = {
        {"NoSuchMethod", {}, "未知的方法[NoSuchMethod]"},
        {"ConnectionVar", {}, "方法[ConnectionVar]的参数不符：参数个数应为1个，实际为0个"},
        {"ConnectionVar", {1}, "方法[ConnectionVar]的参数不符：第1个参数应为文本"},
        {"GetProfileList",
         {QStringLiteral("dytv1"), QStringLiteral("x")},
         "方法[GetProfileList]的参数不符：第2个参数应为整数"},
        {"DeleteProfile",
         {1, QStringLiteral("sa")},
         "方法[DeleteProfile]的参数不符：参数个数应为3个，实际为2个"},
    };
    for (const Case& k : cases) {
        EXPECT_EQ(QString::fromUtf8(k.expected),
                  errorOf(*c, QString::fromLatin1(k.method), k.args));
    }
    // Method names are matched without regard to case; the connection still serves.
    EXPECT_EQ(0, c->call(QStringLiteral("initdatabase")).code());
}

TEST_F(ServerTest, BrokenFramesCloseOnlyThatConnection) {
    auto other = connect();
    const QByteArray broken[] = {
        proto::encodeFrame(QByteArray("\xff\xff\xff", 3)),  // not CBOR
        QByteArray("\x7f\xff\xff\xff", 4),                  // announces 2 GiB
    };
    for (const QByteArray& bytes : broken) {
        auto c = connect();
        c->sendRaw(bytes);
        EXPECT_THROW(c->readResponse(), DytError);
        EXPECT_FALSE(c->isConnected());
    }
    // A well-formed CBOR value that is not a request gets an error answer.
    auto c = connect();
    c->sendRaw(proto::encodeFrame(QCborValue(QStringLiteral("hello"))));
    EXPECT_TRUE(c->readResponse().error.contains(QStringLiteral("请求不是映射")));
    EXPECT_EQ(0, c->call(QStringLiteral("InitDataBase")).code());
    EXPECT_EQ(0, other->call(QStringLiteral("InitDataBase")).code());
}

TEST_F(ServerTest, AccountSetListAndCreation) {
    auto c = connect();
    Response r = c->call(QStringLiteral("GetProfileList"), {QStringLiteral("dytv1"), 1});
    EXPECT_EQ(0, r.code());
    RecordSet rs = proto::recordSetFromCbor(r.out(0));
    ASSERT_EQ(4, rs.fieldCount());
    EXPECT_EQ(QStringLiteral("fullName"), rs.fields()[0].name);
    EXPECT_EQ(QStringLiteral("dbName"), rs.fields()[1].name);
    EXPECT_EQ(QStringLiteral("orderId"), rs.fields()[2].name);
    EXPECT_EQ(QStringLiteral("hidden"), rs.fields()[3].name);
    EXPECT_EQ(FieldType::Integer, rs.fields()[2].type);
    ASSERT_TRUE(rs.locate(QStringLiteral("dbName"), QStringLiteral("dytv1_1")));
    EXPECT_EQ(QStringLiteral("账套甲"), rs.text(QStringLiteral("fullName")));
    EXPECT_EQ(1, rs.integer(QStringLiteral("orderId")));
    EXPECT_EQ(0, rs.integer(QStringLiteral("hidden")));

    // Another prefix lists nothing.
    EXPECT_EQ(0, proto::recordSetFromCbor(
                     c->call(QStringLiteral("GetProfileList"), {QStringLiteral("other"), 1}).out(0))
                     .rowCount());

    struct Case {
        const char* name;
        const char* account;
        const char* password;
        const char* message;
    };
    const Case refused[] = {
        {"新账套", "sa", "wrong", "管理员账号或口令错误"},
        {"新账套", "root", "", "管理员账号或口令错误"},
        {"a b", "sa", "", "账套名字由汉字或英文字母组成，请不要使用特殊字符、小数点、空格。"},
        {"a.b", "sa", "", "账套名字由汉字或英文字母组成，请不要使用特殊字符、小数点、空格。"},
        {"  ", "sa", "", "账套名字由汉字或英文字母组成，请不要使用特殊字符、小数点、空格。"},
        {"账套甲", "sa", "", "账套[账套甲]已经存在"},
    };
    for (const Case& k : refused) {
        const QString n = QString::fromUtf8(k.name);
        Response cr =
            c->call(QStringLiteral("CreateProfile"),
                    {n, n.trimmed(), QString::fromUtf8(k.account), QString::fromUtf8(k.password)});
        EXPECT_EQ(-1, cr.code()) << k.name;
        EXPECT_EQ(QString::fromUtf8(k.message), cr.outText(0)) << k.name;
    }
    const int before =
        proto::recordSetFromCbor(
            c->call(QStringLiteral("GetProfileList"), {QStringLiteral("dytv1"), 1}).out(0))
            .rowCount();
    EXPECT_EQ(2, before);  // nothing half-created
}

TEST_F(ServerTest, HideAndShowNeedTheAdministratorPassword) {
    auto c = connect();
    auto command = [&](const QStringList& lines) {
        return c->call(QStringLiteral("ExecCommand"), {proto::joinLines(lines)});
    };
    Response r =
        command({QStringLiteral("Command=HideProfile"), QStringLiteral("ProfileName=dytv1_2")});
    EXPECT_EQ(-1, r.code());
    EXPECT_EQ(QStringLiteral("请先验证管理员口令"), r.outText(1));
    r = command({QStringLiteral("Command=CheckAdminPass"), QStringLiteral("Password=bad")});
    EXPECT_EQ(-1, r.code());
    EXPECT_EQ(QStringLiteral("管理员口令错误"), r.outText(1));
    EXPECT_EQ(
        0, command({QStringLiteral("Command=CheckAdminPass"), QStringLiteral("Password=")}).code());
    EXPECT_EQ(
        0, command({QStringLiteral("Command=HideProfile"), QStringLiteral("ProfileName=dytv1_2")})
               .code());
    auto hiddenOf = [&]() {
        RecordSet rs = proto::recordSetFromCbor(
            c->call(QStringLiteral("GetProfileList"), {QStringLiteral("dytv1"), 1}).out(0));
        rs.locate(QStringLiteral("dbName"), QStringLiteral("dytv1_2"));
        return rs.integer(QStringLiteral("hidden"));
    };
    EXPECT_EQ(1, hiddenOf());
    EXPECT_EQ(
        0, command({QStringLiteral("Command=ShowProfile"), QStringLiteral("ProfileName=dytv1_2")})
               .code());
    EXPECT_EQ(0, hiddenOf());
    r = command({QStringLiteral("Command=HideProfile"), QStringLiteral("ProfileName=nosuch")});
    EXPECT_EQ(QStringLiteral("账套[nosuch]不存在"), r.outText(1));
    r = command({QStringLiteral("Command=Format")});
    EXPECT_EQ(QStringLiteral("未知的命令[Format]"), r.outText(1));
}

TEST_F(ServerTest, OperatorsOfAnAccountSet) {
    auto c = connect();
    auto info = [&](const QString& method, const QString& db) {
        return c->call(QStringLiteral("GetProfileUserInfo"),
                       {proto::joinLines({QStringLiteral("Method=") + method,
                                          QStringLiteral("ProfileName=") + db})});
    };
    Response r = info(QStringLiteral("CheckLoginType"), QStringLiteral("dytv1_1"));
    ASSERT_EQ(0, r.code()) << r.outText(1).toStdString();
    RecordSet rs = proto::recordSetFromCbor(r.out(0));
    EXPECT_EQ(QStringLiteral("Id"), rs.fields()[0].name);
    EXPECT_EQ(QStringLiteral("FullName"), rs.fields()[1].name);
    ASSERT_TRUE(rs.locate(QStringLiteral("Id"), qint64(1)));
    EXPECT_EQ(QStringLiteral("系统管理员"), rs.text(QStringLiteral("FullName")));

    r = info(QStringLiteral("CheckLoginType"), QStringLiteral("dytv1_99"));
    EXPECT_EQ(-1, r.code());
    EXPECT_EQ(QStringLiteral("账套[dytv1_99]不存在"), r.outText(1));
    r = info(QStringLiteral("Other"), QStringLiteral("dytv1_1"));
    EXPECT_EQ(-1, r.code());
}

TEST_F(ServerTest, LoginAnswersTheOperatorAndNeverTheAdministratorPassword) {
    auto c = connect();
    Response r = c->call(QStringLiteral("Login"),
                         {loginLines(QStringLiteral("dytv1_1"), QStringLiteral("系统管理员")),
                          QStringLiteral("1"), QString()});
    ASSERT_EQ(0, r.code()) << r.outText(0).toStdString();
    const QString reply = r.outText(0);
    EXPECT_EQ(QStringLiteral("系统管理员"), lineValue(reply, QStringLiteral("UserName")));
    EXPECT_EQ(QStringLiteral("001"), lineValue(reply, QStringLiteral("UserCode")));
    EXPECT_EQ(QStringLiteral("1"), lineValue(reply, QStringLiteral("UserId")));
    EXPECT_EQ(QStringLiteral("sa"), lineValue(reply, QStringLiteral("dbUserName")));
    EXPECT_EQ(QString(), lineValue(reply, QStringLiteral("dbPassword")));
    // The session is registered under the connection's number.
    RecordSet rs =
        query(*c, QStringLiteral("SELECT PcID, userId FROM syssession WHERE id = @@spid"));
    ASSERT_EQ(1, rs.rowCount());
    EXPECT_EQ(QStringLiteral("pc-01"), rs.at(0, 0).toString());
    EXPECT_EQ(1, rs.at(0, 1).toLongLong());
    // Typed-name mode looks the operator up by code.
    auto typed = connect();
    r = typed->call(
        QStringLiteral("Login"),
        {loginLines(QStringLiteral("dytv1_1"), QStringLiteral("001"), QStringLiteral("Check"), 1),
         QStringLiteral("001"), QString()});
    EXPECT_EQ(0, r.code()) << r.outText(0).toStdString();
    EXPECT_EQ(QStringLiteral("1"), lineValue(r.outText(0), QStringLiteral("UserId")));
}

TEST_F(ServerTest, LoginFailures) {
    struct Case {
        const char* db;
        const char* user;
        const char* password;
        int code;
        const char* message;
    };
    const Case cases[] = {
        {"dytv1_1", "1", "wrong", -3, "口令错误，请重新输入！"},
        {"dytv1_1", "7", "", -2, "操作员[7]不存在"},
        {"dytv1_1", "abc", "", -2, "操作员[abc]不存在"},
        {"dytv1_77", "1", "", -1, "账套[dytv1_77]不存在"},
    };
    for (const Case& k : cases) {
        auto c = connect();
        Response r = c->call(QStringLiteral("Login"),
                             {loginLines(QString::fromLatin1(k.db), QString::fromLatin1(k.user)),
                              QString::fromLatin1(k.user), QString::fromLatin1(k.password)});
        EXPECT_EQ(k.code, r.code()) << k.db << " " << k.user;
        EXPECT_EQ(QString::fromUtf8(k.message), r.outText(0));
        // Still anonymous.
        EXPECT_TRUE(errorOf(*c, QStringLiteral("ExecQuery"), {QStringLiteral("select 1")})
                        .contains(QStringLiteral("尚未登录")));
    }
}

TEST_F(ServerTest, OperatorPasswordsAreStoredAsHashes) {
    auto c = loggedIn(QStringLiteral("dytv1_2"));
    // The client sends the new password inside the SQL text.
    EXPECT_EQ(1,
              update(*c, QStringLiteral("Update sysuser set password = '新口令1' where id = 1")));
    RecordSet rs = query(*c, QStringLiteral("SELECT password FROM sysuser WHERE id = 1"));
    const QString stored = rs.at(0, 0).toString();
    EXPECT_TRUE(stored.startsWith(QStringLiteral("pbkdf2-sha256$"))) << stored.toStdString();
    EXPECT_FALSE(stored.contains(QStringLiteral("新口令1")));

    // A new operator inserted with a clear password is hashed too.
    update(*c, QStringLiteral("INSERT INTO baseZY(id, code, fullname) VALUES (2, '002', '张三')"));
    EXPECT_EQ(1, update(*c, QStringLiteral("insert into sysuser(id, password) values (2, 'zs')")));
    EXPECT_TRUE(query(*c, QStringLiteral("SELECT password FROM sysuser WHERE id = 2"))
                    .at(0, 0)
                    .toString()
                    .startsWith(QStringLiteral("pbkdf2-sha256$")));

    auto tryLogin = [&](const QString& user, const QString& pw) {
        auto n = connect();
        return n
            ->call(QStringLiteral("Login"), {loginLines(QStringLiteral("dytv1_2"), user), user, pw})
            .code();
    };
    EXPECT_EQ(0, tryLogin(QStringLiteral("1"), QStringLiteral("新口令1")));
    EXPECT_EQ(-3, tryLogin(QStringLiteral("1"), QString()));
    EXPECT_EQ(0, tryLogin(QStringLiteral("2"), QStringLiteral("zs")));
    // Through the query call as well.
    Response q =
        c->call(QStringLiteral("ExecQuery"),
                {QStringLiteral(
                    "UPDATE sysuser SET password = 'viaquery' WHERE id = 1; SELECT 1 AS done")});
    EXPECT_EQ(0, q.code()) << q.outText(1).toStdString();
    EXPECT_TRUE(query(*c, QStringLiteral("SELECT password FROM sysuser WHERE id = 1"))
                    .at(0, 0)
                    .toString()
                    .startsWith(QStringLiteral("pbkdf2-sha256$")));
    EXPECT_EQ(0, tryLogin(QStringLiteral("1"), QStringLiteral("viaquery")));
    // Back to the empty password for the other tests.
    EXPECT_EQ(1, update(*c, QStringLiteral("Update sysuser set password = '' where id = 1")));
    EXPECT_EQ(0, tryLogin(QStringLiteral("1"), QString()));
    update(*c, QStringLiteral("DELETE FROM sysuser WHERE id = 2; DELETE FROM baseZY WHERE id = 2"));
}

TEST_F(ServerTest, QueriesAndStatements) {
    auto c = loggedIn();
    script(QStringLiteral("dytv1_1"),
           QStringLiteral("CREATE TABLE IF NOT EXISTS tq(id INTEGER PRIMARY KEY, name "
                          "VARCHAR(20), price REAL, total MONEY); DELETE FROM tq"));
    // Several statements in one text are counted together.
    EXPECT_EQ(3, update(*c, QStringLiteral("INSERT INTO tq VALUES (1, '螺丝', 0.5, 1.25); INSERT "
                                           "INTO tq VALUES (2, NULL, 2, 3);\n"
                                           "INSERT INTO tq VALUES (3, 'O''Neil', NULL, NULL)")));
    RecordSet rs = query(*c, QStringLiteral("SELECT id, name, price, total FROM tq ORDER BY id"));
    ASSERT_EQ(3, rs.rowCount());
    EXPECT_EQ(FieldType::Text, rs.fields()[1].type);
    EXPECT_EQ(20, rs.fields()[1].size);
    EXPECT_EQ(FieldType::Float, rs.fields()[2].type);
    EXPECT_EQ(FieldType::Currency, rs.fields()[3].type);
    EXPECT_EQ(QStringLiteral("螺丝"), rs.at(0, 1).toString());
    EXPECT_FALSE(rs.at(1, 1).isValid());
    EXPECT_EQ(QStringLiteral("O'Neil"), rs.at(2, 1).toString());
    EXPECT_EQ(12500, rs.at(0, 3).value<Currency>().raw());

    // A failing text changes nothing, also the statements before the failing one.
    Response r = c->call(
        QStringLiteral("ExecUpdate"),
        {QStringLiteral(
            "INSERT INTO tq VALUES (4, 'x', 1, 1); INSERT INTO tq VALUES (1, 'dup', 1, 1)")});
    EXPECT_EQ(-1, r.code());
    EXPECT_TRUE(r.outText(0).contains(QStringLiteral("UNIQUE"))) << r.outText(0).toStdString();
    EXPECT_EQ(3, query(*c, QStringLiteral("SELECT count(*) AS n FROM tq")).at(0, 0).toLongLong());

    r = c->call(QStringLiteral("ExecQuery"), {QStringLiteral("SELECT * FROM nosuchtable")});
    EXPECT_EQ(-1, r.code());
    EXPECT_TRUE(r.out(0).isNull());
    EXPECT_EQ(QStringLiteral("no such table: nosuchtable"), r.outText(1));

    // Client text cannot reach other files, change the connection's settings or the schema.
    const char* denied[][2] = {{"ATTACH DATABASE 'catalogue.db' AS cat", "不允许执行 ATTACH"},
                               {"PRAGMA foreign_keys = OFF", "不允许执行 PRAGMA"},
                               {"pragma journal_mode = DELETE", "不允许执行 PRAGMA"},
                               {"DROP TABLE tq", "不支持 语句 DROP"},
                               {"VACUUM INTO 'copy.db'", "不允许执行 VACUUM"}};
    for (const auto& d : denied) {
        r = c->call(QStringLiteral("ExecUpdate"), {QString::fromLatin1(d[0])});
        EXPECT_EQ(-1, r.code()) << d[0];
        EXPECT_TRUE(r.outText(0).contains(QString::fromUtf8(d[1]))) << r.outText(0).toStdString();
    }
    // Nor through a function or a sub-query that the translation lets through: the server's
    // authorizer refuses them as the statement is prepared.
    r = c->call(QStringLiteral("ExecQuery"), {QStringLiteral("SELECT load_extension('x')")});
    EXPECT_EQ(-1, r.code());
    EXPECT_FALSE(QFile::exists(QDir(server->dataDir()).filePath(QStringLiteral("copy.db"))));
    EXPECT_EQ(3, query(*c, QStringLiteral("SELECT count(*) AS n FROM tq")).at(0, 0).toLongLong());

    r = c->call(QStringLiteral("ExecUpdate"), {QStringLiteral("   ")});
    EXPECT_EQ(-1, r.code());
    EXPECT_EQ(QStringLiteral("SQL语句为空"), r.outText(0));
    script(QStringLiteral("dytv1_1"), QStringLiteral("DROP TABLE tq"));
}

TEST_F(ServerTest, ConcurrentWritersAreSerialised) {
    auto setup = loggedIn();
    script(QStringLiteral("dytv1_1"),
           QStringLiteral("CREATE TABLE IF NOT EXISTS tc(id INTEGER PRIMARY KEY, who INTEGER, "
                          "n INTEGER); DELETE FROM tc"));
    constexpr int kWriters = 4;
    constexpr int kEach = 40;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    const int port = server->port();
    for (int w = 0; w < kWriters; ++w) {
        threads.emplace_back([w, port, &failures] {
            try {
                Client c;
                c.connectTo(QStringLiteral("127.0.0.1"), port);
                if (c.call(QStringLiteral("Login"),
                           {loginLines(QStringLiteral("dytv1_1"), QStringLiteral("1")),
                            QStringLiteral("1"), QString()})
                        .code() != 0) {
                    ++failures;
                    return;
                }
                for (int i = 0; i < kEach; ++i) {
                    // Read-modify-write in one text: each must see the others' committed rows.
                    const Response r =
                        c.call(QStringLiteral("ExecUpdate"),
                               {QStringLiteral("INSERT INTO tc(who, n) SELECT %1, count(*) FROM tc")
                                    .arg(w)});
                    if (r.code() != 1)
                        ++failures;
                }
            } catch (const DytError&) {
                ++failures;
            }
        });
    }
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(0, failures.load());
    RecordSet rs =
        query(*setup,
              QStringLiteral("SELECT count(*) AS c, count(DISTINCT n) AS d, max(n) AS m FROM tc"));
    EXPECT_EQ(kWriters * kEach, rs.at(0, 0).toLongLong());
    // Every insert saw a different number of earlier rows: no two ran interleaved.
    EXPECT_EQ(kWriters * kEach, rs.at(0, 1).toLongLong());
    EXPECT_EQ(kWriters * kEach - 1, rs.at(0, 2).toLongLong());
    script(QStringLiteral("dytv1_1"), QStringLiteral("DROP TABLE tc"));
}

TEST_F(ServerTest, SystemProcedures) {
    auto c = loggedIn();
    auto proc = [&](const QString& name, const QStringList& lines) {
        return c->call(QStringLiteral("ExecProc"), {name, proto::joinLines(lines)});
    };
    // czy_id comes from the session, whatever the lines say.
    Response r = proc(QStringLiteral("P_SYS_UP_LOG"),
                      {QStringLiteral("logUserName=someone"), QStringLiteral("logUserId=55"),
                       QStringLiteral("logHostName=PC-01"), QStringLiteral("logMsgType=1"),
                       QStringLiteral("logMsgCont=打开窗口[进货单]"), QStringLiteral("aTag=101"),
                       QStringLiteral("czy_id=99")});
    EXPECT_EQ(0, r.code());
    EXPECT_EQ(0, r.out(1).toInteger());
    EXPECT_EQ(QStringLiteral("1"), lineValue(r.outText(0), QStringLiteral("czy_id")));
    RecordSet log =
        query(*c, QStringLiteral("SELECT top 1 logUserId, logUserName, logHostName, logMsgType, "
                                 "logMsgCont, aTag FROM sysLog ORDER BY id DESC"));
    EXPECT_EQ(1, log.at(0, 0).toLongLong());
    EXPECT_EQ(QStringLiteral("系统管理员"), log.at(0, 1).toString());
    EXPECT_EQ(QStringLiteral("PC-01"), log.at(0, 2).toString());
    EXPECT_EQ(1, log.at(0, 3).toLongLong());
    EXPECT_EQ(QStringLiteral("打开窗口[进货单]"), log.at(0, 4).toString());
    EXPECT_EQ(QStringLiteral("101"), log.at(0, 5).toString());

    // Settings rows: added when missing, replaced when present.
    EXPECT_EQ(0, proc(QStringLiteral("P_SYS_Up_DataRow"),
                      {QStringLiteral("Name=自动备份日期"), QStringLiteral("DefValue=2026-01-02")})
                     .code());
    EXPECT_EQ(0, proc(QStringLiteral("p_sys_up_datarow"),
                      {QStringLiteral("Name=自动备份日期"), QStringLiteral("DefValue=2026-02-03")})
                     .code());
    RecordSet data =
        query(*c, QStringLiteral("SELECT sysValue FROM sysData WHERE Name = '自动备份日期'"));
    ASSERT_EQ(1, data.rowCount());
    EXPECT_EQ(QStringLiteral("2026-02-03"), data.at(0, 0).toString());
    r = proc(QStringLiteral("P_SYS_Up_DataRow"), {QStringLiteral("DefValue=1")});
    EXPECT_EQ(-1, r.code());
    EXPECT_EQ(QStringLiteral("系统参数名称不能为空"), r.outText(2));

    // Grid layouts: one row per layout and operator, the operator from the session.
    for (const char* v : {"first", "second"}) {
        EXPECT_EQ(0, proc(QStringLiteral("p_sys_Up_ColConfigure"),
                          {QStringLiteral("ColId=进货单"), QStringLiteral("userId=5"),
                           QStringLiteral("colstr1=") + QString::fromLatin1(v),
                           QStringLiteral("ColValue=1")})
                         .code());
    }
    RecordSet layout = query(
        *c, QStringLiteral(
                "SELECT userId, colstr1, colstr2 FROM sysColConfigure WHERE ColId = '进货单'"));
    ASSERT_EQ(1, layout.rowCount());
    EXPECT_EQ(1, layout.at(0, 0).toLongLong());
    EXPECT_EQ(QStringLiteral("second"), layout.at(0, 1).toString());
    EXPECT_EQ(QString(), layout.at(0, 2).toString());

    r = proc(QStringLiteral("p_nosuch"), {});
    EXPECT_EQ(-1, r.code());
    EXPECT_EQ(QStringLiteral("存储过程[p_nosuch]不存在"), r.outText(2));
    EXPECT_EQ(
        QStringLiteral("存储过程[p_nosuch]不存在"),
        errorOf(*c, QStringLiteral("ExecProcQuery"), {QStringLiteral("p_nosuch"), QString()}));
    r = c->call(QStringLiteral("ExecService"),
                {QStringLiteral("NoSuchService"), QStringLiteral("SaveToDB"), QString(), null(),
                 null(), null()});
    EXPECT_EQ(-1, r.code());
    EXPECT_EQ(QStringLiteral("服务[NoSuchService]不存在"), r.outText(2));
    // The bill service refuses a bill without a kind.
    r = c->call(QStringLiteral("ExecService"),
                {QStringLiteral("QMXService"), QStringLiteral("SaveToDB"), QString(), null(),
                 null(), null()});
    EXPECT_EQ(-1, r.code());
    EXPECT_EQ(QStringLiteral("单据类型[0]不存在"), r.outText(2));
}

TEST_F(ServerTest, NewerAccountSetCannotBeUsed) {
    // A throw-away account set whose version is raised beyond the server's.
    auto admin = connect();
    ASSERT_EQ(0, admin
                     ->call(QStringLiteral("CreateProfile"),
                            {QStringLiteral("版本测试"), QStringLiteral("版本测试"),
                             QStringLiteral("sa"), QString()})
                     .code());
    RecordSet list = proto::recordSetFromCbor(
        admin->call(QStringLiteral("GetProfileList"), {QStringLiteral("dytv1"), 1}).out(0));
    ASSERT_TRUE(list.locate(QStringLiteral("fullName"), QStringLiteral("版本测试")));
    const QString db = list.text(QStringLiteral("dbName"));
    const qint64 order = list.integer(QStringLiteral("orderId"));
    {
        auto c = loggedIn(db);
        update(*c, QStringLiteral("UPDATE sysVersion SET version = %1")
                       .arg(server::schema::currentVersion() + 1));
    }
    auto c = connect();
    Response r = c->call(QStringLiteral("Login"),
                         {loginLines(db, QStringLiteral("1")), QStringLiteral("1"), QString()});
    EXPECT_EQ(-8, r.code());
    EXPECT_TRUE(r.outText(0).contains(QStringLiteral("版本"))) << r.outText(0).toStdString();

    // A file that is not an account set.
    QFile f(QDir(server->dataDir()).filePath(db + QStringLiteral(".db")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("this is not a database file at all, not even close.........");
    f.close();
    r = c->call(QStringLiteral("Login"),
                {loginLines(db, QStringLiteral("1")), QStringLiteral("1"), QString()});
    EXPECT_EQ(-8, r.code());
    EXPECT_EQ(0,
              admin->call(QStringLiteral("DeleteProfile"), {order, QStringLiteral("sa"), QString()})
                  .code());
}

TEST_F(ServerTest, DeleteRefusesAnAccountSetInUse) {
    auto admin = connect();
    ASSERT_EQ(0, admin
                     ->call(QStringLiteral("CreateProfile"),
                            {QStringLiteral("删除测试"), QStringLiteral("删除测试"),
                             QStringLiteral("sa"), QString()})
                     .code());
    RecordSet list = proto::recordSetFromCbor(
        admin->call(QStringLiteral("GetProfileList"), {QStringLiteral("dytv1"), 1}).out(0));
    ASSERT_TRUE(list.locate(QStringLiteral("fullName"), QStringLiteral("删除测试")));
    const QString db = list.text(QStringLiteral("dbName"));
    const qint64 order = list.integer(QStringLiteral("orderId"));
    const QString file = QDir(server->dataDir()).filePath(db + QStringLiteral(".db"));
    EXPECT_TRUE(QFile::exists(file));
    {
        auto user = loggedIn(db);
        Response r =
            admin->call(QStringLiteral("DeleteProfile"), {order, QStringLiteral("sa"), QString()});
        EXPECT_EQ(-1, r.code());
        EXPECT_EQ(QStringLiteral("账套[删除测试]正在使用中，不能删除"), r.outText(0));
        r = admin->call(QStringLiteral("DeleteProfile"),
                        {order, QStringLiteral("sa"), QStringLiteral("x")});
        EXPECT_EQ(QStringLiteral("管理员账号或口令错误"), r.outText(0));
    }
    // The server notices the closed connection; give it a moment by retrying.
    Response r;
    for (int i = 0; i < 50; ++i) {
        r = admin->call(QStringLiteral("DeleteProfile"), {order, QStringLiteral("sa"), QString()});
        if (r.code() == 0)
            break;
        QThread::msleep(100);
    }
    EXPECT_EQ(0, r.code()) << r.outText(0).toStdString();
    EXPECT_FALSE(QFile::exists(file));
    r = admin->call(QStringLiteral("DeleteProfile"), {order, QStringLiteral("sa"), QString()});
    EXPECT_EQ(QStringLiteral("要删除的账套不存在"), r.outText(0));
}

TEST_F(ServerTest, BackupAndRestoreRoundTripAnAccountSet) {
    auto c = loggedIn(QStringLiteral("dytv1_2"));
    auto other = loggedIn(QStringLiteral("dytv1_2"));
    script(QStringLiteral("dytv1_2"),
           QStringLiteral("CREATE TABLE IF NOT EXISTS tb(v TEXT); "
                          "DELETE FROM tb; INSERT INTO tb VALUES ('备份前')"));

    // Server backup, then a local one with the content.
    Response b = c->call(QStringLiteral("BackupProfile"),
                         {QStringLiteral("dytv1_2"), QStringLiteral("账套乙"),
                          QStringLiteral("乙.server.db"), QStringLiteral("sa"), QString(), 0});
    ASSERT_EQ(0, b.code()) << b.outText(1).toStdString();
    EXPECT_TRUE(b.out(2).isNull());
    b = c->call(QStringLiteral("BackupProfile"),
                {QStringLiteral("dytv1_2"), QStringLiteral("账套乙"), QStringLiteral("乙.local.db"),
                 QStringLiteral("sa"), QString(), 1});
    ASSERT_EQ(0, b.code());
    const QByteArray content = b.out(2).toByteArray();
    EXPECT_TRUE(content.startsWith(QByteArray("SQLite format 3", 15)));
    // The same name twice is refused.
    b = c->call(QStringLiteral("BackupProfile"),
                {QStringLiteral("dytv1_2"), QStringLiteral("账套乙"),
                 QStringLiteral("乙.server.db"), QStringLiteral("sa"), QString(), 0});
    EXPECT_EQ(-1, b.code());
    b = c->call(QStringLiteral("BackupProfile"),
                {QStringLiteral("dytv1_2"), QStringLiteral("账套乙"),
                 QStringLiteral("../escape.db"), QStringLiteral("sa"), QString(), 0});
    EXPECT_EQ(-1, b.code());

    Response list = c->call(QStringLiteral("GetProfileBackups"), {QStringLiteral("dytv1_2")});
    RecordSet backups = proto::recordSetFromCbor(list.out(0));
    EXPECT_EQ(2, backups.rowCount());
    for (const char* f :
         {"recNo", "backDate", "profileName", "profileText", "backFileName", "backDateTime"}) {
        EXPECT_TRUE(backups.hasField(QString::fromLatin1(f))) << f;
    }
    EXPECT_TRUE(backups.locate(QStringLiteral("backFileName"), QStringLiteral("乙.server.db")));
    EXPECT_EQ(QStringLiteral("账套乙"), backups.text(QStringLiteral("profileName")));

    // Change, then restore from the server backup.
    update(*c, QStringLiteral("UPDATE tb SET v = '备份后'"));
    auto restore = [&](const QString& name, const QByteArray& bytes,
                       const QString& pw = QString()) {
        return c->call(QStringLiteral("RestoreProfile"),
                       {QStringLiteral("dytv1_2"), name, QStringLiteral("sa"), pw,
                        bytes.isEmpty() ? null() : QCborValue(bytes)});
    };
    Response r = restore(QStringLiteral("乙.server.db"), {}, QStringLiteral("bad"));
    EXPECT_EQ(-1, r.code());
    EXPECT_EQ(QStringLiteral("管理员账号或口令错误"), r.outText(3));
    r = restore(QStringLiteral("乙.server.db"), {});
    ASSERT_EQ(0, r.code()) << r.outText(3).toStdString();
    EXPECT_EQ(0, r.out(2).toInteger());
    EXPECT_EQ(QStringLiteral("备份前"),
              query(*c, QStringLiteral("SELECT v FROM tb")).at(0, 0).toString());
    // The other session of that account set was closed.
    EXPECT_TRUE(errorOf(*other, QStringLiteral("ExecQuery"), {QStringLiteral("SELECT 1")})
                    .contains(QStringLiteral("重新登录")));
    EXPECT_TRUE(errorOf(*other, QStringLiteral("ExecQuery"), {QStringLiteral("SELECT 1")})
                    .contains(QStringLiteral("尚未登录")));

    // Uploaded content.
    update(*c, QStringLiteral("UPDATE tb SET v = '再次修改'"));
    r = restore(QStringLiteral("乙.local.db"), content);
    ASSERT_EQ(0, r.code()) << r.outText(3).toStdString();
    EXPECT_EQ(QStringLiteral("备份前"),
              query(*c, QStringLiteral("SELECT v FROM tb")).at(0, 0).toString());

    // Content that is not an account set leaves everything as it was.
    update(*c, QStringLiteral("UPDATE tb SET v = '保持不变'"));
    QByteArray corrupt = content;
    corrupt.truncate(content.size() / 2);
    const QByteArray bad[] = {QByteArray("garbage garbage garbage"), corrupt};
    for (const QByteArray& bytes : bad) {
        r = restore(QStringLiteral("x.db"), bytes);
        EXPECT_EQ(-1, r.code());
        EXPECT_TRUE(r.outText(3).startsWith(QStringLiteral("恢复失败：")))
            << r.outText(3).toStdString();
    }
    // A genuine SQLite file without the version table.
    {
        QTemporaryDir d;
        const QString p = d.filePath(QStringLiteral("plain.db"));
        auto plain = server::Database::open(p, server::Database::Mode::ReadWriteCreate);
        plain->executeScript(QStringLiteral("PRAGMA journal_mode=DELETE; CREATE TABLE a(x)"));
        plain.reset();
        QFile pf(p);
        ASSERT_TRUE(pf.open(QIODevice::ReadOnly));
        r = restore(QStringLiteral("plain.db"), pf.readAll());
        EXPECT_EQ(-1, r.code());
        EXPECT_EQ(QStringLiteral("恢复失败：文件不是有效的账套备份"), r.outText(3));
    }
    r = restore(QStringLiteral("nosuch.db"), {});
    EXPECT_EQ(QStringLiteral("服务器备份[nosuch.db]不存在"), r.outText(3));
    EXPECT_EQ(QStringLiteral("保持不变"),
              query(*c, QStringLiteral("SELECT v FROM tb")).at(0, 0).toString());
    script(QStringLiteral("dytv1_2"), QStringLiteral("DROP TABLE tb"));
}

}  // namespace
}  // namespace dyt
