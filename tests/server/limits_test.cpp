// The server's limits against hostile clients, over the wire: connection caps, idle timeouts and
// the small frame limit before login, client names clipped in errors, answers counted while their
// rows are read.
#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QTcpSocket>
#include <QThread>
#include <QtEndian>

#include <vector>

#include "login.h"
#include "protocol/client.h"
#include "protocol/packetcodec.h"
#include "protocol/protocol.h"
#include "server/db/database.h"
#include "support/serverprocess.h"

using namespace Qt::StringLiterals;

namespace dyt {
namespace {

using proto::Client;
using Socket = std::unique_ptr<QTcpSocket>;

Socket openFrom(const test::ServerProcess& s, const QString& from = u"127.0.0.1"_s) {
    auto socket = std::make_unique<QTcpSocket>();
    socket->bind(QHostAddress(from));
    socket->connectToHost(QHostAddress(QHostAddress::LocalHost), s.port());
    EXPECT_TRUE(socket->waitForConnected(10000)) << socket->errorString().toStdString();
    return socket;
}

// True when the server has closed the connection by the deadline.
bool closedBy(QTcpSocket& s, QDeadlineTimer deadline) {
    while (s.state() == QAbstractSocket::ConnectedState) {
        if (!s.waitForReadyRead(std::max<qint64>(1, deadline.remainingTime())) &&
            deadline.hasExpired())
            break;
        s.readAll();
    }
    return s.state() != QAbstractSocket::ConnectedState;
}

QByteArray header(quint32 length) {
    QByteArray h(4, '\0');
    qToBigEndian(length, h.data());
    return h;
}

// The server's error for a call on a connection it refuses or has closed.
QString refusal(Client& c) {
    try {
        c.callRaw(u"InitDataBase"_s);
    } catch (const DytError& e) {
        return e.message();
    }
    return {};
}

// A server with the configuration lines and one account set, dytv1_1.
void startWithAccountSet(test::ServerProcess& s, const QString& config) {
    ASSERT_TRUE(s.startWithConfig(config)) << s.error().toStdString();
    Client c;
    c.connectTo(u"127.0.0.1"_s, s.port());
    ASSERT_EQ(0, c.call(u"CreateProfile"_s, {u"甲"_s, u"甲"_s, u"sa"_s, QString()}).code());
}

TEST(ServerLimits, ConnectionCapsKeepThreadsBoundedAndNewConnectionsAreServedOnceOthersClose) {
    test::ServerProcess s;
    ASSERT_TRUE(s.startWithConfig(u"maxConnections=12\nmaxConnectionsPerAddress=8\n"_s))
        << s.error().toStdString();
    const int baseline = s.threads();
    // 400 idle connections from one address, then 20 from another: 8 and then 4 more stay.
    std::vector<Socket> sockets;
    for (int i = 0; i < 420; ++i)
        sockets.push_back(openFrom(s, i < 400 ? u"127.0.0.1"_s : u"127.0.0.2"_s));
    const QDeadlineTimer deadline(2000);
    int kept[2] = {0, 0};
    for (int i = 0; i < 420; ++i)
        kept[i < 400 ? 0 : 1] += closedBy(*sockets[i], deadline) ? 0 : 1;
    EXPECT_EQ(8, kept[0]);
    EXPECT_EQ(4, kept[1]);
    EXPECT_LE(s.threads(), baseline + 12);
    Client over;
    over.connectTo(u"127.0.0.1"_s, s.port());
    const QString why = refusal(over);
    EXPECT_TRUE(why.contains(u"连接数已满"_s)) << why.toStdString();
    sockets.clear();
    QDeadlineTimer until(10000);
    QString error = u"-"_s;
    while (!error.isEmpty() && !until.hasExpired()) {
        Client c;
        c.connectTo(u"127.0.0.1"_s, s.port());
        error = refusal(c);
        QThread::msleep(error.isEmpty() ? 0 : 50);
    }
    EXPECT_EQ(QString(), error);
}

TEST(ServerLimits, BeforeLoginFramesAreSmallAndIdleConnectionsCloseAfterLoginLater) {
    test::ServerProcess s;
    startWithAccountSet(s, u"loginFrameLimit=4096\nloginIdleTimeout=1\nidleTimeout=2\n"_s);
    // A frame announced at 1 MB closes the connection at once, without waiting for its bytes.
    Socket announced = openFrom(s);
    announced->write(header(1 << 20) + QByteArray(1000, 'x'));
    EXPECT_TRUE(closedBy(*announced, QDeadlineTimer(700)));
    // Clients that send huge frames do not make the server buffer them.
    const qint64 peakBefore = s.memoryKb("VmHWM");
    std::vector<Socket> floods;
    for (int i = 0; i < 3; ++i) {
        floods.push_back(openFrom(s));
        floods.back()->write(header(200 << 20));
        const QByteArray chunk(1 << 20, 'x');
        for (int mb = 0; mb < 64 && floods.back()->write(chunk) > 0; ++mb)
            floods.back()->waitForBytesWritten(1000);
    }
    EXPECT_LT(s.memoryKb("VmHWM") - peakBefore, 32 * 1024);
    // Half a frame and bytes trickling in: closed after the idle timeout.
    Socket slow = openFrom(s);
    slow->write(header(100) + QByteArray(10, 'x'));
    QDeadlineTimer until(4000);
    while (!until.hasExpired() && !closedBy(*slow, QDeadlineTimer(200)))
        slow->write("x");
    EXPECT_FALSE(until.hasExpired());
    // After login the big limit and the longer timeout hold; past that the connection is closed
    // with its reason.
    auto c = test::loggedIn(s.port());
    EXPECT_TRUE(c->callRaw(u"InitDataBase"_s, {QString(1 << 20, u'x')}).error.contains(u"参数"_s));
    QThread::msleep(1500);
    EXPECT_EQ(QString(), refusal(*c));
    QThread::msleep(2500);
    EXPECT_TRUE(refusal(*c).contains(u"空闲"_s));
}

TEST(ServerLimits, NamesInErrorsAreClippedAndAQueryPastTheFrameLimitStopsEarly) {
    test::ServerProcess s;
    startWithAccountSet(s, u"frameLimit=1048576\n"_s);
    // 20 000 rows of 1000 characters: 20 MB, twenty times the frame limit.
    server::Database::open(s.accountSetPath(u"dytv1_1"_s))
        ->executeScript(
            u"CREATE TABLE big(id INTEGER PRIMARY KEY, t VARCHAR(1000));"
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20000) "
            "INSERT INTO big SELECT i, hex(zeroblob(500)) FROM n"_s);
    auto c = test::loggedIn(s.port());
    const QString name(5000, u'x');
    const QCborValue null(QCborValue::Null);
    const std::pair<QString, QCborArray> calls[] = {
        {name, {}},
        {u"ExecProc"_s, {name, QString()}},
        {u"ExecProcQuery"_s, {name, QString()}},
        {u"ExecService"_s, {name, u"m"_s, QString(), null, null, null}},
        {u"ExecCommand"_s, {u"Command="_s + name}},
        {u"GetProfileUserInfo"_s, {u"Method="_s + name}}};
    for (const auto& [method, args] : calls) {
        const proto::Response r = c->callRaw(method, args);
        QString all = r.error;
        for (const QCborValue& v : r.outs)
            all += v.toString();
        EXPECT_TRUE(all.contains(u"[%1…]"_s.arg(QString(64, u'x')))) << all.left(200).toStdString();
        EXPECT_LT(all.size(), 200) << method.left(20).toStdString();
    }
    const qint64 peakBefore = s.memoryKb("VmHWM");
    const proto::Response r = c->call(u"ExecQuery"_s, {u"select * from big"_s});
    EXPECT_EQ(-1, r.code());
    EXPECT_EQ(u"应答数据过大，超过了服务器的数据帧上限"_s, r.outText(1));
    // The rows read whole would take well over 40 MB (texts of two bytes a character).
    EXPECT_LT(s.memoryKb("VmHWM") - peakBefore, 16 * 1024);
    // The connection serves on, and an answer within the limit still comes.
    const proto::Response part = c->call(u"ExecQuery"_s, {u"select top 500 * from big"_s});
    ASSERT_EQ(0, part.code()) << part.outText(1).toStdString();
    EXPECT_EQ(500, proto::recordSetFromCbor(part.out(0)).rowCount());
}

TEST(ServerLimits, StreamedQueryAnswersAreTheRecordSetsBytesAndKeepTheFrameLimit) {
    test::ServerProcess s;
    startWithAccountSet(s, u"frameLimit=1048576\n"_s);
    const QString path = QDir(s.dataDir()).filePath(u"dytv1_1.db"_s);
    // 2000 rows of 1000 characters: twice the frame limit.
    server::Database::open(path)->executeScript(
        u"CREATE TABLE big(id INTEGER PRIMARY KEY, t VARCHAR(1000), m MONEY, d DATE, x);"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 2000) "
        "INSERT INTO big SELECT i, hex(zeroblob(500)), i * 1.00005, '2026-01-15', "
        "CASE WHEN i % 3 = 0 THEN i * 0.5 WHEN i % 3 = 1 THEN '字' || i END FROM n"_s);
    auto c = test::loggedIn(s.port());
    const QString refused[] = {
        u"select * from big"_s,
        u"select id from big; select t from big"_s,
        u"select t from big; select top 10 id from big"_s,
    };
    for (const QString& text : refused) {
        const proto::Response r = c->call(u"ExecQuery"_s, {text});
        EXPECT_EQ(-1, r.code()) << text.toStdString();
        EXPECT_EQ(u"应答数据过大，超过了服务器的数据帧上限"_s, r.outText(1)) << text.toStdString();
    }
    // Within the limit, the answer is the packet of the record set the same rows read into.
    const std::pair<QString, QString> same[] = {
        {u"select top 300 id, t, m, d, x from big order by id"_s,
         u"SELECT id, t, m, d, x FROM big ORDER BY id LIMIT 300"_s},
        {u"select id, m * 2 as m2, x from big where id > 1990 order by id"_s,
         u"SELECT id, m * 2 AS m2, x FROM big WHERE id > 1990 ORDER BY id"_s},
        {u"select id from big where id < 0"_s, u"SELECT id FROM big WHERE id < 0"_s},
    };
    const auto local = server::Database::open(path, server::Database::Mode::ReadOnly);
    for (const auto& [text, native] : same) {
        const proto::Response r = c->call(u"ExecQuery"_s, {text});
        ASSERT_EQ(0, r.code()) << r.outText(1).toStdString();
        ASSERT_TRUE(proto::isRecordSet(r.out(0)));
        EXPECT_EQ(proto::packetcodec::encode(local->query(native)).toHex(),
                  r.out(0).taggedValue().toByteArray().toHex())
            << text.toStdString();
    }
}

}  // namespace
}  // namespace dyt
