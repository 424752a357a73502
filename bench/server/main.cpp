// dyt-bench-server: echo round trips and ExecQuery rows per second over loopback, next to the
// same query run directly on SQLite in this process.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

#include <sqlite3.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "common/error.h"
#include "protocol/client.h"
#include "server/db/database.h"
#include "server/net/backend.h"
#include "server/net/server.h"

namespace {

using dyt::proto::Client;

QString loginLines(const QString& db) {
    return dyt::proto::joinLines({db, db, QStringLiteral("1"), QStringLiteral("bench"), QString(),
                                  QString(), QStringLiteral("1"), QStringLiteral("bench"),
                                  QStringLiteral("dytv1"), QStringLiteral("UpdateFlag=Check"),
                                  QStringLiteral("LoginType=0"), QStringLiteral("V11.0.140215")});
}

// The same number of round trips of a frame of the echo's size over a bare loopback TCP
// connection (blocking sockets, TCP_NODELAY, a thread that sends back what it reads): what the
// echo costs without the server.
double rawEchoSeconds(int echoes, int frameBytes) {
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listener, 1) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
        throw dyt::DytError(QStringLiteral("raw echo: no socket"));
    auto readFull = [](int fd, char* buf, int n) {
        for (int got = 0; got < n;) {
            const ssize_t r = ::read(fd, buf + got, static_cast<size_t>(n - got));
            if (r <= 0)
                return false;
            got += static_cast<int>(r);
        }
        return true;
    };
    const int one = 1;
    std::thread echo([&] {
        const int fd = ::accept(listener, nullptr, nullptr);
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        QByteArray buf(frameBytes, '\0');
        while (readFull(fd, buf.data(), frameBytes))
            ::write(fd, buf.constData(), static_cast<size_t>(frameBytes));
        ::close(fd);
    });
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
        throw dyt::DytError(QStringLiteral("raw echo: no connection"));
    QByteArray buf(frameBytes, 'x');
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < echoes; ++i) {
        if (::write(fd, buf.constData(), static_cast<size_t>(frameBytes)) != frameBytes ||
            !readFull(fd, buf.data(), frameBytes))
            break;
    }
    const double sec = t.nsecsElapsed() / 1e9;
    ::close(fd);
    echo.join();
    ::close(listener);
    return sec;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const int rows = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;
    const int echoes = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 5000;
    const int repeats = 5;
    try {
        QTemporaryDir dir;
        dyt::server::ServerConfig config;
        config.dataDir = dir.path();
        dyt::server::Backend backend(config);
        dyt::server::Server server(backend);
        const quint16 port = server.start(QStringLiteral("127.0.0.1"), 0);

        Client c;
        c.connectTo(QStringLiteral("127.0.0.1"), port);
        c.call(QStringLiteral("CreateProfile"),
               {QStringLiteral("bench"), QStringLiteral("bench"), QStringLiteral("sa"), QString()});
        const QString db = QStringLiteral("dytv1_1");
        if (c.call(QStringLiteral("Login"), {loginLines(db), QStringLiteral("1"), QString()})
                .code() != 0) {
            throw dyt::DytError(QStringLiteral("login failed"));
        }
        // The bench table is made directly on the file: client texts may not change the schema.
        auto local = dyt::server::Database::open(backend.profilePath(db));
        local->executeScript(
            QStringLiteral("CREATE TABLE benchrows(id INTEGER PRIMARY KEY, code VARCHAR(20), "
                           "fullname VARCHAR(60), price REAL, amount MONEY, day DATE);"
                           "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                           "WHERE i < %1) INSERT INTO benchrows SELECT i, printf('SP%06d', i), "
                           "'商品名称' || i, i * 0.37, i * 1.25, '2026-01-15' FROM n")
                .arg(rows));

        // Echo round trips.
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < echoes; ++i)
            c.call(QStringLiteral("ConnectionVar"), {QStringLiteral("qZevrint\r\n")});
        const double echoSec = t.nsecsElapsed() / 1e9;
        out << "echo round trips:            " << qRound(echoes / echoSec) << " /s  ("
            << QString::number(echoSec / echoes * 1e6, 'f', 1) << " us each)\n";
        const double rawEcho = rawEchoSeconds(echoes, 64);
        out << "bare TCP echo, 64 bytes:     " << qRound(echoes / rawEcho) << " /s  ("
            << QString::number(rawEcho / echoes * 1e6, 'f', 1) << " us each)  echo/bare "
            << QString::number(echoSec / rawEcho, 'f', 2) << "\n";

        const QString sql =
            QStringLiteral("SELECT id, code, fullname, price, amount, day FROM benchrows");
        // Over loopback: query, packet, frame, transfer, decode into a record set.
        t.restart();
        qint64 got = 0;
        for (int i = 0; i < repeats; ++i) {
            dyt::proto::Response r = c.call(QStringLiteral("ExecQuery"), {sql});
            got += dyt::proto::recordSetFromCbor(r.out(0)).rowCount();
        }
        const double remoteSec = t.nsecsElapsed() / 1e9;

        // In process: the same query into a record set through the database interface.
        t.restart();
        qint64 gotLocal = 0;
        for (int i = 0; i < repeats; ++i)
            gotLocal += local->query(sql).rowCount();
        const double localSec = t.nsecsElapsed() / 1e9;

        // In process: bare sqlite3_step over the rows, reading every column.
        t.restart();
        qint64 gotRaw = 0;
        for (int i = 0; i < repeats; ++i) {
            sqlite3_stmt* st = nullptr;
            sqlite3_prepare_v2(local->handle(), sql.toUtf8().constData(), -1, &st, nullptr);
            while (sqlite3_step(st) == SQLITE_ROW) {
                for (int col = 0; col < 6; ++col)
                    sqlite3_column_text(st, col);
                ++gotRaw;
            }
            sqlite3_finalize(st);
        }
        const double rawSec = t.nsecsElapsed() / 1e9;

        out << "ExecQuery over loopback:     " << qRound64(got / remoteSec) << " rows/s\n";
        out << "same query, record set:      " << qRound64(gotLocal / localSec) << " rows/s\n";
        out << "same query, bare sqlite3:    " << qRound64(gotRaw / rawSec) << " rows/s\n";
        out << "loopback / in-process ratio: " << QString::number(localSec / remoteSec, 'f', 3)
            << "  (record set), " << QString::number(rawSec / remoteSec, 'f', 3) << " (bare)\n";
        out << "(" << rows << " rows x " << repeats << " runs, 6 columns)\n";

        // A client T-SQL text (the navigator's common functions): translation (cached after the
        // first call), the dbo-free join on the seeded menu and rights, packet and transfer.
        const QString tsqlText = QStringLiteral(
            "  SELECT top 50 a.openCount,b.code,b.name FROM sysPurview AS a,sysMenu AS b  WHERE "
            "a.menuid = b.id AND a.userid = 1 AND a.isbj = 1 AND b.sonnum = 0 AND b.hide = 0   "
            "ORDER BY a.openCount desc,b.code");
        const int tsqlCalls = echoes;
        t.restart();
        for (int i = 0; i < tsqlCalls; ++i) {
            if (c.call(QStringLiteral("ExecQuery"), {tsqlText}).code() != 0)
                throw dyt::DytError(QStringLiteral("T-SQL query failed"));
        }
        const double tsqlSec = t.nsecsElapsed() / 1e9;
        out << "ExecQuery of a T-SQL text:   " << qRound(tsqlCalls / tsqlSec) << " calls/s  ("
            << QString::number(tsqlSec / tsqlCalls * 1e6, 'f', 1) << " us each)\n";
        c.close();
        local.reset();
        server.stop();
    } catch (const dyt::DytError& e) {
        QTextStream(stderr) << "dyt-bench-server: " << e.message() << '\n';
        return 1;
    }
    return 0;
}
