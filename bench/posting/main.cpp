// dyt-bench-posting: bills per second when 10-line purchase and sales bills are posted through the
// bill service QMXService "SaveToDB" as the bill windows send them (parameter lines, lines packet,
// account packet): in process (the backend's dispatch, no socket) and over loopback (a dyt-server
// process on port 0, found beside this program), next to the raw rate of the same row writes done
// directly on SQLite with prepared statements, one immediate transaction per bill.
//
// Two further measures, each on its own:
//   --history N,N,…   the rate of 300 sales posted in process after N bills of history (a purchase
//                     and nine sales in turn, so that FIFO goods keep many batches), next to the
//                     raw rate; the rate should not fall as history grows.
//   --clients N [--seconds S]
//                     N clients over loopback posting sales of the same goods at once for S
//                     seconds (default 20): the latency of a posting, median, 99th percentile and
//                     worst, and the postings refused.
// Usage: dyt-bench-posting [bills] | --history N,… | --clients N [--seconds S]
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>

#include <sqlite3.h>

#include <time.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "common/error.h"
#include "common/paramlist.h"
#include "common/recordset.h"
#include "server/demo/demo_builder.h"
#include "protocol/client.h"
#include "protocol/protocol.h"
#include "server/db/database.h"
#include "server/net/backend.h"

namespace {

using dyt::DytError;
using dyt::ParamList;
using dyt::RecordSet;
using dyt::proto::Response;

constexpr int kLines = 10;
constexpr qint64 kFirstGoods = 101, kCustomer = 201, kSupplier = 202, kStock = 301, kCash = 8;

// Bills per second by the clock and by the processor time of this thread (what a loaded machine
// leaves of the first).
struct Rate {
    double wall = 0;
    double cpu = 0;
};

qint64 threadCpuNs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// Times `bills` bills posted by `run`.
template <typename Run>
Rate timed(int bills, const Run& run) {
    QElapsedTimer t;
    t.start();
    const qint64 cpu0 = threadCpuNs();
    run();
    const qint64 cpuNs = std::max<qint64>(1, threadCpuNs() - cpu0);
    return {bills * 1000.0 / std::max<qint64>(1, t.elapsed()), bills * 1e9 / double(cpuNs)};
}

// Sends one call and returns its answer; the two ways differ only here.
using Caller = std::function<Response(const QString& method, const QCborArray& args)>;

// The backend's dispatch as one connection's thread calls it, numbering the requests.
Caller inProcessCaller(dyt::server::Backend& backend, dyt::server::Session& session,
                       qint64& requestId) {
    return [&backend, &session, &requestId](const QString& method, const QCborArray& args) {
        dyt::proto::Request r;
        r.id = ++requestId;
        r.method = method;
        r.args = args;
        return backend.handle(session, r);
    };
}

QString loginLines() {
    return dyt::proto::joinLines({QStringLiteral("dytv1_1"), QStringLiteral("dytv1_1"),
                                  QStringLiteral("1"), QStringLiteral("bench"), QString(),
                                  QString(), QStringLiteral("1"), QStringLiteral("bench"),
                                  QStringLiteral("dytv1"), QStringLiteral("UpdateFlag=Check"),
                                  QStringLiteral("LoginType=0"), QStringLiteral("V11.0.140215")});
}

void check(const Response& r, const QString& what, int resultOut = -1) {
    if (!r.error.isEmpty())
        throw DytError(what + QStringLiteral(": ") + r.error);
    if (resultOut >= 0 && r.out(resultOut).toInteger() < 0)
        throw DytError(what + QStringLiteral(": ") + r.outText(resultOut + 1));
}

// Creates the account set, logs in, enters the base records and opens the account set. The base
// records go straight into the file (dbFile): the windows' own SQL may not write them.
void prepare(const Caller& call, const std::function<QString()>& dbFile) {
    check(call(QStringLiteral("CreateProfile"),
               {QStringLiteral("bench"), QStringLiteral("bench"), QStringLiteral("sa"), QString()}),
          QStringLiteral("CreateProfile"));
    const Response login =
        call(QStringLiteral("Login"), {loginLines(), QStringLiteral("1"), QString()});
    check(login, QStringLiteral("Login"));
    if (login.code() != 0)
        throw DytError(QStringLiteral("Login: ") + login.outText(0));
    QStringList sql = {
        QStringLiteral("INSERT INTO baseWLDW(id, par_id, par_jl, leveal, sonnum, code, fullname) "
                       "VALUES (201, 0, '201,', 1, 0, 'K1', '客户')"),
        QStringLiteral("INSERT INTO baseWLDW(id, par_id, par_jl, leveal, sonnum, code, fullname) "
                       "VALUES (202, 0, '202,', 1, 0, 'G1', '供应商')"),
        QStringLiteral("INSERT INTO baseCK(id, par_id, par_jl, leveal, sonnum, code, fullname) "
                       "VALUES (301, 0, '301,', 1, 0, 'CK1', '总仓')"),
    };
    for (int i = 0; i < kLines; ++i) {
        // Half the goods by moving average, half FIFO.
        sql << QStringLiteral(
                   "INSERT INTO baseGoods(id, par_id, par_jl, leveal, sonnum, code, "
                   "fullname, costmode) VALUES (%1, 0, '%1,', 1, 0, 'SP%1', '商品%1', "
                   "%2)")
                   .arg(kFirstGoods + i)
                   .arg(i % 2 ? 2 : 0);
    }
    {
        auto db = dyt::server::Database::open(dbFile());
        for (const QString& s : sql)
            db->execute(s);
    }
    ParamList open;
    open.setValue(QStringLiteral("type"), QStringLiteral("0"));
    open.setValue(QStringLiteral("Date"), QStringLiteral("2025-01-01"));
    check(call(QStringLiteral("ExecProc"), {QStringLiteral("P_SYS_UP_Open"), open.text()}),
          QStringLiteral("P_SYS_UP_Open"), 1);
}

RecordSet textPacket(const QStringList& fields) {
    RecordSet rs;
    for (const QString& f : fields)
        rs.addField(f, dyt::FieldType::Text, 8000);
    return rs;
}

// The arguments of one SaveToDB: kLines lines of qty at price, a tenth of the bill paid in cash.
QCborArray saveArgs(int djType, qint64 partner, int number, double qty, double price) {
    const double lineTotal = qty * price;
    const double total = lineTotal * kLines;
    ParamList p;
    p.setValue(QStringLiteral("date"), QStringLiteral("2025-02-01"));
    p.setValue(QStringLiteral("code"), QStringLiteral("B-%1-%2").arg(djType).arg(number));
    p.setInt(QStringLiteral("wldw_id"), partner);
    p.setInt(QStringLiteral("IntoStock_id"), kStock);
    p.setInt(QStringLiteral("sfkKm_id"), kCash);
    p.setValue(QStringLiteral("sfkTotal"), QString::number(total / 10, 'f', 2));
    p.setValue(QStringLiteral("summery"), QString());
    p.setValue(QStringLiteral("comment"), QString());
    p.setValue(QStringLiteral("dj_Caption"), QStringLiteral("单据"));
    p.setInt(QStringLiteral("djType"), djType);
    p.setInt(QStringLiteral("OldBillid"), 0);
    p.setValue(QStringLiteral("total"), QString::number(total, 'f', 2));
    RecordSet lines = textPacket({QStringLiteral("goodsid"),       QStringLiteral("orderid"),
                                  QStringLiteral("goodsCode"),     QStringLiteral("goodsname"),
                                  QStringLiteral("IntoStock_id"),  QStringLiteral("unitid"),
                                  QStringLiteral("rate"),          QStringLiteral("qty"),
                                  QStringLiteral("Price"),         QStringLiteral("Total"),
                                  QStringLiteral("discount"),      QStringLiteral("discountprice"),
                                  QStringLiteral("discounttotal"), QStringLiteral("tax"),
                                  QStringLiteral("Taxtotal"),      QStringLiteral("TaxPrice"),
                                  QStringLiteral("taxTotalSum"),   QStringLiteral("yftotal"),
                                  QStringLiteral("costPrice"),     QStringLiteral("costTotal"),
                                  QStringLiteral("comment")});
    const QString q = QString::number(qty), pr = QString::number(price),
                  t = QString::number(lineTotal, 'f', 2);
    for (int i = 0; i < kLines; ++i) {
        const QString goods = QString::number(kFirstGoods + i);
        lines.appendRow({goods,
                         QString(),
                         QStringLiteral("SP") + goods,
                         QStringLiteral("商品") + goods,
                         QStringLiteral("0"),
                         QString(),
                         QStringLiteral("1"),
                         q,
                         pr,
                         t,
                         QStringLiteral("1"),
                         pr,
                         t,
                         QStringLiteral("0"),
                         QStringLiteral("0"),
                         pr,
                         t,
                         QStringLiteral("0"),
                         pr,
                         t,
                         QString()});
    }
    RecordSet accounts = textPacket({QStringLiteral("km_id"), QStringLiteral("type"),
                                     QStringLiteral("dbtotal"), QStringLiteral("Lendtotal")});
    accounts.appendRow({QString::number(kCash), QStringLiteral("1"), QStringLiteral("0"),
                        QString::number(total / 10, 'f', 2)});
    return {QStringLiteral("QMXService"),
            QStringLiteral("SaveToDB"),
            p.text(),
            dyt::proto::recordSetToCbor(lines),
            dyt::proto::recordSetToCbor(accounts),
            QCborValue(QCborValue::Null)};
}

// Posts `bills` purchases and then as many sales; returns bills per second of each.
std::pair<double, double> postThroughService(const Caller& call, int bills) {
    auto run = [&](int djType, qint64 partner, double qty, double price) {
        QElapsedTimer t;
        t.start();
        for (int b = 0; b < bills; ++b) {
            check(call(QStringLiteral("ExecService"), saveArgs(djType, partner, b, qty, price)),
                  QStringLiteral("SaveToDB"), 1);
        }
        return bills * 1000.0 / std::max<qint64>(1, t.elapsed());
    };
    const double purchases = run(5, kSupplier, 20, 10);
    const double sales = run(1, kCustomer, 2, 20);
    return {purchases, sales};
}

// The row writes of one posted 10-line bill with one cash line, done with prepared statements
// and no reading: the bill (1 + 10 + 1 rows), the line costs (10), stock layers and movements
// (10 + 10), the partner (1 + 1), derived account lines (5) with the balances of each account
// and its category (10), and the posting mark (1).
Rate rawRate(sqlite3* db, int bills, int djType) {
    auto prepareSql = [&](const char* sql) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK)
            throw DytError(QString::fromUtf8(sqlite3_errmsg(db)));
        return st;
    };
    auto run = [&](sqlite3_stmt* st, std::initializer_list<double> values) {
        int i = 1;
        for (double v : values)
            sqlite3_bind_double(st, i++, v);
        if (sqlite3_step(st) != SQLITE_DONE)
            throw DytError(QString::fromUtf8(sqlite3_errmsg(db)));
        sqlite3_reset(st);
    };
    sqlite3_stmt* head = prepareSql(
        "INSERT INTO djIndex(djType, code, date, dj_state, wldw_id, IntoStock_id, total) VALUES "
        "(?1, 'B', '2025-02-01', 2, ?2, 301, ?3)");
    sqlite3_stmt* line = prepareSql(
        "INSERT INTO djList(id, djType, date, dj_state, goodsid, qty, price, total) VALUES "
        "(?1, ?2, '2025-02-01', 2, ?3, ?4, ?5, ?6)");
    sqlite3_stmt* km = prepareSql(
        "INSERT INTO djKmDetail(id, djType, date, km_id, type, dbTotal, LendTotal, dj_state) "
        "VALUES (?1, ?2, '2025-02-01', ?3, ?4, ?5, 0, 2)");
    sqlite3_stmt* cost =
        prepareSql("UPDATE djList SET costprice = ?1, costtotal = ?2 WHERE orderid = ?3");
    sqlite3_stmt* layer = prepareSql(
        "UPDATE baseGoodsStock SET qty = qty + ?1, total = total + ?2 WHERE goodsid = ?3 AND "
        "stockid = 301");
    sqlite3_stmt* move = prepareSql(
        "INSERT INTO djStockDetail(id, listid, djType, date, dj_state, goodsid, stockid, qty, "
        "total) VALUES (?1, ?2, ?3, '2025-02-01', 2, ?4, 301, ?5, ?6)");
    sqlite3_stmt* partnerMove = prepareSql(
        "INSERT INTO djWLDWDetail(id, djType, date, dj_state, wldw_id, ysTotal) VALUES "
        "(?1, ?2, '2025-02-01', 2, ?3, ?4)");
    sqlite3_stmt* partner = prepareSql("UPDATE baseWLDW SET ystotal = ystotal + ?1 WHERE id = ?2");
    sqlite3_stmt* account =
        prepareSql("UPDATE baseKM SET dbTotal = dbTotal + ?1, Total = Total + ?1 WHERE id = ?2");
    sqlite3_stmt* mark = prepareSql("UPDATE djIndex SET postid = 1 WHERE id = ?1");
    const double sign = djType == 1 ? -1.0 : 1.0;
    const double partnerId = djType == 1 ? kCustomer : kSupplier;
    const Rate rate = timed(bills, [&] {
        for (int b = 0; b < bills; ++b) {
            sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
            run(head, {double(djType), partnerId, 400});
            const double id = static_cast<double>(sqlite3_last_insert_rowid(db));
            double firstLine = 0;
            for (int i = 0; i < kLines; ++i) {
                run(line, {id, double(djType), double(kFirstGoods + i), 2, 20, 40});
                if (i == 0)
                    firstLine = static_cast<double>(sqlite3_last_insert_rowid(db));
            }
            run(km, {id, double(djType), double(kCash), 1, 40});
            for (int i = 0; i < kLines; ++i) {
                run(cost, {10, 20, firstLine + i});
                run(layer, {sign * 2, sign * 20, double(kFirstGoods + i)});
                run(move, {id, firstLine + i, double(djType), double(kFirstGoods + i), sign * 2,
                           sign * 20});
            }
            run(partnerMove, {id, double(djType), partnerId, 360});
            run(partner, {360, partnerId});
            for (int k = 0; k < 5; ++k) {
                run(km, {id, double(djType), double(6 + k), 0, 80});
                run(account, {80, double(6 + k)});
                run(account, {80, 1});
            }
            run(mark, {id});
            sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        }
    });
    for (sqlite3_stmt* st :
         {head, line, km, cost, layer, move, partnerMove, partner, account, mark})
        sqlite3_finalize(st);
    return rate;
}

// A dyt-server process on a free loopback port with its own data folder.
// With DYT_BENCH_POSTGRESQL (a libpq connection string) the servers keep their account sets on
// that PostgreSQL server, in databases named after this run.
QString postgresServer() {
    return qEnvironmentVariable("DYT_BENCH_POSTGRESQL");
}

QString postgresPrefix() {
    static const QString prefix =
        QStringLiteral("bench_%1_").arg(QCoreApplication::applicationPid());
    return prefix;
}

QStringList engineArgs() {
    if (postgresServer().isEmpty())
        return {};
    return {QStringLiteral("--backend"), QStringLiteral("postgresql"), QStringLiteral("--postgresql"),
            postgresServer(), QStringLiteral("--postgresql-prefix"), postgresPrefix()};
}

// The account set a server of this run keeps in dataDir (or on PostgreSQL).
QString accountSetOf(const QString& dataDir) {
    if (postgresServer().isEmpty())
        return QDir(dataDir).filePath(QStringLiteral("dytv1_1.db"));
    return QStringLiteral("postgresql:%1 dbname=%2dytv1_1").arg(postgresServer(), postgresPrefix());
}

void dropPostgresDatabases() {
    if (postgresServer().isEmpty())
        return;
    try {
        auto admin = dyt::server::Database::open(QStringLiteral("postgresql:") + postgresServer());
        const RecordSet rs = admin->query(
            QStringLiteral("SELECT datname FROM pg_database WHERE starts_with(datname, ?)"),
            {postgresPrefix()});
        for (int r = 0; r < rs.rowCount(); ++r)
            admin->executeScript(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)")
                                     .arg(rs.at(r, 0).toString()));
    } catch (const DytError&) {
    }
}

class ServerProcess {
public:
    explicit ServerProcess(const QString& dataDir) {
        process_.setProgram(
            QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("dyt-server")));
        process_.setArguments(QStringList{QStringLiteral("--data"), dataDir,
                                          QStringLiteral("--port"), QStringLiteral("0")} +
                              engineArgs());
        process_.start();
        if (!process_.waitForStarted(10000))
            throw DytError(QStringLiteral("dyt-server: ") + process_.errorString());
        static const QRegularExpression re(QStringLiteral("listening on [^\\s:]+:(\\d+)"));
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 15000 && port_ == 0) {
            if (!process_.canReadLine()) {
                if (!process_.waitForReadyRead(200) && process_.state() != QProcess::Running)
                    break;
                continue;
            }
            const auto m = re.match(QString::fromUtf8(process_.readLine()));
            if (m.hasMatch())
                port_ = m.captured(1).toInt();
        }
        if (port_ == 0)
            throw DytError(QStringLiteral("dyt-server did not start"));
    }
    ~ServerProcess() {
        ::kill(static_cast<pid_t>(process_.processId()), SIGTERM);
        if (!process_.waitForFinished(15000))
            process_.kill();
    }
    int port() const { return port_; }

private:
    QProcess process_;
    int port_ = 0;
};

// The raw rate of `bills` bills of a kind (5 purchases, 1 sales) on a fresh account set with stock.
Rate rawKindRate(int bills, int djType) {
    QTemporaryDir rawDir;
    dyt::server::ServerConfig rawConfig;
    rawConfig.dataDir = rawDir.path();
    dyt::server::Backend rawBackend(rawConfig);
    dyt::server::Session rawSession;
    rawSession.spid = rawBackend.nextSpid();
    qint64 id = 0;
    prepare(inProcessCaller(rawBackend, rawSession, id),
            [&] { return rawBackend.profilePath(QStringLiteral("dytv1_1")); });
    rawBackend.closeSession(rawSession);
    auto raw = dyt::server::Database::open(rawBackend.profilePath(QStringLiteral("dytv1_1")));
    raw->execute(
        QStringLiteral("INSERT INTO baseGoodsStock(goodsid, stockid, qty, total) "
                       "SELECT id, 301, 1000000, 10000000 FROM baseGoods"));
    return rawRate(raw->handle(), bills, djType);
}

int historyRun(QTextStream& out, const QList<int>& checkpoints) {
    constexpr int kProbe = 300;
    const Rate raw = rawKindRate(kProbe, 1);
    QTemporaryDir dir;
    dyt::server::ServerConfig config;
    config.dataDir = dir.path();
    dyt::server::Backend backend(config);
    dyt::server::Session session;
    session.spid = backend.nextSpid();
    qint64 requestId = 0;
    const Caller call = inProcessCaller(backend, session, requestId);
    prepare(call, [&] { return backend.profilePath(QStringLiteral("dytv1_1")); });
    int posted = 0;
    auto post = [&](int n) {
        for (int i = 0; i < n; ++i, ++posted) {
            const bool purchase = posted % 10 == 0;
            check(call(QStringLiteral("ExecService"), purchase
                                                          ? saveArgs(5, kSupplier, posted, 100, 10)
                                                          : saveArgs(1, kCustomer, posted, 2, 20)),
                  QStringLiteral("SaveToDB"), 1);
        }
    };
    post(10);  // stock first
    out << "sales posted in process after a history of bills (raw SQLite " << qRound(raw.wall)
        << " bills/s, " << qRound(raw.cpu) << " by processor time)\n";
    for (int h : checkpoints) {
        if (h > posted)
            post(h - posted);
        const Rate rate = timed(kProbe, [&] {
            for (int i = 0; i < kProbe; ++i, ++posted) {
                check(call(QStringLiteral("ExecService"), saveArgs(1, kCustomer, posted, 2, 20)),
                      QStringLiteral("SaveToDB"), 1);
            }
        });
        out << QStringLiteral(
                   "  history %1  %2 bills/s   in process/raw %3   by processor time %4 "
                   "bills/s, in process/raw %5\n")
                   .arg(h, 7)
                   .arg(rate.wall, 8, 'f', 1)
                   .arg(rate.wall / raw.wall, 5, 'f', 2)
                   .arg(rate.cpu, 8, 'f', 1)
                   .arg(rate.cpu / raw.cpu, 5, 'f', 2);
        out.flush();
    }
    backend.closeSession(session);
    return 0;
}

int clientsRun(QTextStream& out, int clients, int seconds) {
    QTemporaryDir dir;
    ServerProcess server(dir.path());
    {
        dyt::proto::Client c;
        c.connectTo(QStringLiteral("127.0.0.1"), server.port());
        const Caller call = [&](const QString& method, const QCborArray& args) {
            return c.callRaw(method, args);
        };
        prepare(call, [&] { return accountSetOf(dir.path()); });
        for (int i = 0; i < 10; ++i)  // stock for the sales: 100 000 of each goods
            check(call(QStringLiteral("ExecService"), saveArgs(5, kSupplier, i, 10000, 10)),
                  QStringLiteral("SaveToDB"), 1);
    }
    std::mutex lock;
    std::vector<double> latencies;
    std::atomic<int> refused{0}, number{1000}, ready{0};
    QString firstRefusal;
    QStringList errors;
    std::vector<std::thread> threads;
    for (int k = 0; k < clients; ++k) {
        threads.emplace_back([&] {
            try {
                dyt::proto::Client c;
                c.connectTo(QStringLiteral("127.0.0.1"), server.port());
                // Logins of one operator at once are spaced by the server's throttle.
                Response login;
                for (int attempt = 0; attempt < 30; ++attempt) {
                    login = c.call(QStringLiteral("Login"),
                                   {loginLines(), QStringLiteral("1"), QString()});
                    if (login.code() == 0)
                        break;
                    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
                }
                if (login.code() != 0)
                    throw DytError(QStringLiteral("Login: ") + login.outText(0));
                ++ready;  // every client logged in before the clock starts
                while (ready < clients)
                    std::this_thread::sleep_for(std::chrono::milliseconds(10));
                std::vector<double> mine;
                QElapsedTimer run;
                run.start();
                while (run.elapsed() < seconds * 1000) {
                    QElapsedTimer t;
                    t.start();
                    const Response r = c.callRaw(QStringLiteral("ExecService"),
                                                 saveArgs(1, kCustomer, number++, 1, 20));
                    mine.push_back(t.nsecsElapsed() / 1e6);
                    if (!r.error.isEmpty() || r.out(1).toInteger() < 0) {
                        if (refused++ == 0) {
                            std::lock_guard<std::mutex> g(lock);
                            firstRefusal = r.error.isEmpty() ? r.outText(2) : r.error;
                        }
                    }
                }
                std::lock_guard<std::mutex> g(lock);
                latencies.insert(latencies.end(), mine.begin(), mine.end());
            } catch (const DytError& e) {
                ++ready;
                std::lock_guard<std::mutex> g(lock);
                errors << e.message();
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    if (!errors.isEmpty())
        throw DytError(errors.first());
    std::sort(latencies.begin(), latencies.end());
    auto at = [&](double q) {
        return latencies.empty() ? 0.0
                                 : latencies[std::min(latencies.size() - 1,
                                                      static_cast<size_t>(q * latencies.size()))];
    };
    out << QStringLiteral(
               "%1 clients posting sales of the same goods for %2 s over loopback: %3 "
               "postings (%4/s), %5 refused\n  latency p50 %6 ms   p99 %7 ms   max %8 "
               "ms\n")
               .arg(clients)
               .arg(seconds)
               .arg(latencies.size())
               .arg(latencies.size() / double(seconds), 0, 'f', 1)
               .arg(refused.load())
               .arg(at(0.5), 0, 'f', 1)
               .arg(at(0.99), 0, 'f', 1)
               .arg(latencies.empty() ? 0.0 : latencies.back(), 0, 'f', 1);
    if (!firstRefusal.isEmpty())
        out << "  first refusal: " << firstRefusal << "\n";
    // The ledgers after the rush: every stock row its opening plus its movements, every balance
    // the same, every bill's account lines balanced.
    {
        auto db = dyt::server::Database::open(accountSetOf(dir.path()));
        dyt::demo::LocalDemoCalls calls(*db, 1);
        const QStringList faults = dyt::demo::checkConsistency(calls);
        out << QStringLiteral("  ledger checks: %1 faults\n").arg(faults.size());
        for (const QString& f : faults.mid(0, 5))
            out << "    " << f << "\n";
        if (!faults.isEmpty())
            return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QStringList options = app.arguments().mid(1);
    try {
        if (options.value(0) == QLatin1String("--history")) {
            QList<int> points;
            for (const QString& n : options.value(1).split(QLatin1Char(',')))
                points << n.toInt();
            return historyRun(out, points);
        }
        if (options.value(0) == QLatin1String("--clients")) {
            const qsizetype s = options.indexOf(QLatin1String("--seconds"));
            const int rc = clientsRun(out, options.value(1).toInt(),
                                      s > 0 ? options.value(s + 1).toInt() : 20);
            dropPostgresDatabases();
            return rc;
        }
    } catch (const DytError& e) {
        out << "failed: " << e.message() << "\n";
        return 1;
    }
    const int bills = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 200;
    try {
        // In process: the backend's dispatch, as a connection's thread calls it.
        QTemporaryDir inDir;
        dyt::server::ServerConfig config;
        config.dataDir = inDir.path();
        dyt::server::Backend backend(config);
        dyt::server::Session session;
        session.spid = backend.nextSpid();
        qint64 requestId = 0;
        const Caller inProcess = inProcessCaller(backend, session, requestId);
        prepare(inProcess, [&] { return backend.profilePath(QStringLiteral("dytv1_1")); });
        const auto [inPurchases, inSales] = postThroughService(inProcess, bills);
        backend.closeSession(session);

        // The same in process on PostgreSQL, when a server is named: the two engines side by
        // side.
        double pgPurchases = 0, pgSales = 0;
        if (!postgresServer().isEmpty()) {
            QTemporaryDir pgDir;
            dyt::server::ServerConfig pgConfig;
            pgConfig.dataDir = pgDir.path();
            pgConfig.backend = QStringLiteral("postgresql");
            pgConfig.postgresql = postgresServer();
            pgConfig.postgresqlPrefix = postgresPrefix();
            dyt::server::Backend pgBackend(pgConfig);
            dyt::server::Session pgSession;
            pgSession.spid = pgBackend.nextSpid();
            const Caller onPostgres = inProcessCaller(pgBackend, pgSession, requestId);
            prepare(onPostgres, [&] { return pgBackend.profilePath(QStringLiteral("dytv1_1")); });
            std::tie(pgPurchases, pgSales) = postThroughService(onPostgres, bills);
            pgBackend.closeSession(pgSession);
            dropPostgresDatabases();
        }

        // Over loopback: a dyt-server process and a protocol client.
        QTemporaryDir netDir;
        double netPurchases = 0, netSales = 0;
        {
            ServerProcess server(netDir.path());
            dyt::proto::Client client;
            client.connectTo(QStringLiteral("127.0.0.1"), server.port());
            const Caller overLoopback = [&](const QString& method, const QCborArray& args) {
                return client.callRaw(method, args);
            };
            prepare(overLoopback, [&] { return accountSetOf(netDir.path()); });
            std::tie(netPurchases, netSales) = postThroughService(overLoopback, bills);
        }

        // Raw: the same row writes on SQLite, one immediate transaction per bill.
        const double rawPurchases = rawKindRate(bills, 5).wall;
        const double rawSales = rawKindRate(bills, 1).wall;

        out << "10-line bills posted through QMXService SaveToDB (one immediate transaction "
               "each, synchronous=FULL), "
            << bills << " of each kind\n";
        auto row = [&](const char* kind, double in, double net, double rawRate) {
            out << QStringLiteral(
                       "  %1  in process %2 bills/s   loopback %3 bills/s   raw SQLite "
                       "%4 bills/s   raw/in process %5   raw/loopback %6\n")
                       .arg(QString::fromLatin1(kind))
                       .arg(in, 8, 'f', 1)
                       .arg(net, 8, 'f', 1)
                       .arg(rawRate, 8, 'f', 1)
                       .arg(rawRate / in, 5, 'f', 2)
                       .arg(rawRate / net, 5, 'f', 2);
        };
        row("purchases", inPurchases, netPurchases, rawPurchases);
        row("sales    ", inSales, netSales, rawSales);
        if (pgPurchases > 0) {
            out << "On PostgreSQL (" << postgresServer() << "), in process:\n";
            for (const auto& [kind, pg, lite] :
                 {std::tuple{"purchases", pgPurchases, inPurchases},
                  std::tuple{"sales    ", pgSales, inSales}}) {
                out << QStringLiteral("  %1  %2 bills/s   SQLite in process %3 bills/s   "
                                      "PostgreSQL/SQLite %4\n")
                           .arg(QString::fromLatin1(kind))
                           .arg(pg, 8, 'f', 1)
                           .arg(lite, 8, 'f', 1)
                           .arg(pg / lite, 5, 'f', 2);
            }
        }
    } catch (const DytError& e) {
        out << "failed: " << e.message() << "\n";
        return 1;
    }
    return 0;
}
