// dyt-bench-cache: the local base-data cache against a server on loopback. For 100 000 goods and
// 20 000 partners: the first full synchronisation, an incremental one of 100 changed goods, and
// FindGoods per lookup, each next to the same rows copied (or read) between two SQLite databases
// directly in this process.
//
// Usage: dyt-bench-cache [goods] [partners] [lookups]
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextStream>

#include <sqlite3.h>

#include "client/logic/clientconfig.h"
#include "client/logic/dmmain.h"
#include "client/logic/localcache.h"
#include "client/logic/session.h"
#include "common/basecache.h"
#include "common/error.h"
#include "common/paramlist.h"
#include "common/recordset.h"
#include "protocol/protocol.h"
#include "server/db/database.h"
#include "server/net/backend.h"
#include "server/net/server.h"
#include "server/procs/registry.h"

namespace {

using namespace dyt;

QString loginLines(const QString& db) {
    return proto::joinLines({db, db, QStringLiteral("1"), QStringLiteral("bench"), QString(),
                             QString(), QStringLiteral("1"), QStringLiteral("bench"),
                             QStringLiteral("dytv1"), QStringLiteral("UpdateFlag=Check"),
                             QStringLiteral("LoginType=0"), QStringLiteral("V11.0.140215")});
}

void check(int rc, sqlite3* db, const char* what) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        throw DytError(QStringLiteral("%1: %2").arg(QString::fromLatin1(what),
                                                    QString::fromUtf8(sqlite3_errmsg(db))));
    }
}

// Copies the rows a SELECT gives from one database into a table of another, in one transaction
// with one prepared insert: the floor for writing the same rows locally.
qint64 copyRows(sqlite3* from, sqlite3* to, const QString& select, const QString& table,
                int columns) {
    QStringList marks;
    for (int i = 0; i < columns; ++i)
        marks << QStringLiteral("?");
    sqlite3_stmt* src = nullptr;
    sqlite3_stmt* dst = nullptr;
    check(sqlite3_prepare_v2(from, select.toUtf8().constData(), -1, &src, nullptr), from, "select");
    check(sqlite3_prepare_v2(to,
                             QStringLiteral("INSERT OR REPLACE INTO %1 VALUES (%2)")
                                 .arg(table, marks.join(QLatin1Char(',')))
                                 .toUtf8()
                                 .constData(),
                             -1, &dst, nullptr),
          to, "insert");
    check(sqlite3_exec(to, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), to, "begin");
    qint64 n = 0;
    while (sqlite3_step(src) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c)
            sqlite3_bind_value(dst, c + 1, sqlite3_column_value(src, c));
        check(sqlite3_step(dst), to, "step");
        sqlite3_reset(dst);
        ++n;
    }
    check(sqlite3_exec(to, "COMMIT", nullptr, nullptr, nullptr), to, "commit");
    sqlite3_finalize(src);
    sqlite3_finalize(dst);
    return n;
}

QString ms(double seconds) {
    return QString::number(seconds * 1000.0, 'f', 1) + QStringLiteral(" ms");
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const int goods = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;
    const int partners = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 20000;
    const int lookups = argc > 3 ? QString::fromLocal8Bit(argv[3]).toInt() : 20000;
    const int changed = 100;
    try {
        QTemporaryDir serverDir;
        QTemporaryDir clientDir;
        QTemporaryDir copyDir;
        server::ServerConfig config;
        config.dataDir = serverDir.path();
        server::Backend backend(config);
        server::Server srv(backend);
        const quint16 port = srv.start(QStringLiteral("127.0.0.1"), 0);

        client::openClientConfig(clientDir.path());
        client::TdmMain dm;
        if (!dm.ConnectServer(QStringLiteral("127.0.0.1:%1").arg(port), false, 1))
            throw DytError(QStringLiteral("connect failed"));
        const QString dbName = QStringLiteral("dytv1_1");
        if (dm.GetAppServer()
                    .call(QStringLiteral("CreateProfile"),
                          {QStringLiteral("bench"), QStringLiteral("bench"), QStringLiteral("sa"),
                           QString()})
                    .code() != 0 ||
            dm.GetAppServer()
                    .call(QStringLiteral("Login"),
                          {loginLines(dbName), QStringLiteral("1"), QString()})
                    .code() != 0) {
            throw DytError(QStringLiteral("account set or login failed"));
        }
        client::TLoginedUser& user = client::loginedUser();
        user.UserId = 1;
        user.ProfileName = dbName;
        user.ProfileCaption = QStringLiteral("bench");
        client::setLoggedIn(true);

        // The account set, filled with bulk inserts on the file. The stamps are spread over the
        // past (one second per row) as an account set in use would have them.
        QElapsedTimer t;
        t.start();
        {
            auto fill = server::Database::open(backend.profilePath(dbName));
            fill->executeScript(
                QStringLiteral(
                    "BEGIN;"
                    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                    "INSERT INTO baseWLDW(id, par_id, par_jl, leveal, sonnum, code, fullname, "
                    "name, pym, tel, addr, Person, ystotal, yftotal) SELECT 100000000 + i, 0, "
                    "(100000000 + i) || ',', 1, 0, printf('DW%06d', i), '往来单位' || i, '单位' "
                    "|| i, 'WLDW', '021-' || i, '上海路' || i || '号', '联系人', i * 1.25, i * "
                    "0.5 FROM n;"
                    "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %2) "
                    "INSERT INTO baseGoods(id, par_id, par_jl, leveal, sonnum, code, fullname, "
                    "name, pym, gg, xh, addr, costmode, comment) SELECT i, 0, i || ',', 1, 0, "
                    "printf('SP%06d', i), '商品名称' || i, '商品' || i, 'SPMC', '规格' || (i % "
                    "50), 'X' || (i % 7), '产地', i % 4, '' FROM n;"
                    "INSERT INTO baseGoodsUnit(Goodsid, fzdwid, unit, rate, barcode, price, "
                    "price1, price2, price3) SELECT id, 0, '个', 1, '69' || printf('%011d', id), "
                    "id * 0.37, id * 0.4, id * 0.45, id * 0.5 FROM baseGoods;"
                    "INSERT INTO baseGoodsUnit(Goodsid, fzdwid, unit, rate, barcode, price) "
                    "SELECT id, 1, '箱', 12, '', id * 4.2 FROM baseGoods WHERE id % 2 = 0;"
                    "UPDATE baseGoods SET updateTime = datetime('2026-01-01', '+' || id || ' "
                    "seconds');"
                    "UPDATE baseWLDW SET updateTime = datetime('2026-01-01', '+' || (id - "
                    "100000000) || ' seconds');"
                    "COMMIT;")
                    .arg(partners)
                    .arg(goods));
        }
        out << "account set filled:          " << goods << " goods, " << partners << " partners in "
            << ms(t.nsecsElapsed() / 1e9) << '\n';

        // The server procedure alone, in process: both lists in full.
        t.restart();
        {
            auto direct = server::Database::open(backend.profilePath(dbName));
            server::Registry procedures;
            server::registerBaseProcedures(procedures);
            for (const QString& kind : {basecache::goodsKind(), basecache::partnersKind()}) {
                ParamList params;
                params.setValue(QStringLiteral("QueryType"), kind);
                server::CallContext ctx(*direct, params);
                ctx.userId = 1;
                ctx.packetWanted = true;  // the answer's bytes, as the server sends them
                procedures.find(basecache::procedureName())->handler(ctx);
            }
        }
        const double procSec = t.nsecsElapsed() / 1e9;

        // The remote part alone: both lists in full over loopback into record sets.
        t.restart();
        for (const QString& kind : {basecache::goodsKind(), basecache::partnersKind()}) {
            ParamList params;
            params.setValue(QStringLiteral("QueryType"), kind);
            params.setValue(QStringLiteral("GoodsStr"), QStringLiteral(";czy_id=1"));
            params.setValue(QStringLiteral("wldwStr"), QStringLiteral(";czy_id=1"));
            RecordSet rows;
            dm.ExecProcQuery(basecache::procedureName(), params, &rows);
        }
        const double remoteSec = t.nsecsElapsed() / 1e9;

        // First full synchronisation: OpenLocalCache on a new file (clock check, both lists).
        client::TLocalCache cache(clientDir.path(), &dm);
        dm.GoodsStampNewer = 1;
        dm.PartnerStampNewer = 1;
        t.restart();
        cache.OpenLocalCache();
        const double fullSec = t.nsecsElapsed() / 1e9;

        // The same rows copied between two SQLite databases directly.
        sqlite3* source = nullptr;
        sqlite3* target = nullptr;
        sqlite3_open_v2(cache.fileName().toUtf8().constData(), &source, SQLITE_OPEN_READONLY,
                        nullptr);
        sqlite3_open_v2((copyDir.path() + QStringLiteral("/copy.db")).toUtf8().constData(), &target,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        check(sqlite3_exec(target, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL", nullptr,
                           nullptr, nullptr),
              target, "pragma");
        sqlite3_stmt* ddl = nullptr;
        check(sqlite3_prepare_v2(source,
                                 "SELECT sql FROM sqlite_master WHERE sql IS NOT NULL ORDER BY "
                                 "type DESC",
                                 -1, &ddl, nullptr),
              source, "schema");
        while (sqlite3_step(ddl) == SQLITE_ROW) {
            check(sqlite3_exec(target, reinterpret_cast<const char*>(sqlite3_column_text(ddl, 0)),
                               nullptr, nullptr, nullptr),
                  target, "create");
        }
        sqlite3_finalize(ddl);
        const int goodsColumns = static_cast<int>(basecache::goodsColumns().size());
        const int partnerColumns = static_cast<int>(basecache::partnerColumns().size());
        t.restart();
        const qint64 copiedGoods =
            copyRows(source, target, QStringLiteral("SELECT * FROM dytv1_1goods"),
                     QStringLiteral("dytv1_1goods"), goodsColumns);
        const qint64 copiedPartners =
            copyRows(source, target, QStringLiteral("SELECT * FROM dytv1_1wldw"),
                     QStringLiteral("dytv1_1wldw"), partnerColumns);
        const double copySec = t.nsecsElapsed() / 1e9;
        out << "first full synchronisation:  " << ms(fullSec) << "  (" << copiedGoods << " goods, "
            << copiedPartners << " partners)\n";
        out << "  P_JXC_Get_Base alone:      " << ms(remoteSec) << " over loopback, " << ms(procSec)
            << " in process\n";
        out << "  same rows, SQLite to SQLite: " << ms(copySec) << "  ratio "
            << QString::number(fullSec / copySec, 'f', 1) << "x\n";

        // 100 goods change on the server; a connection check sees the newer stamp.
        {
            auto edit = server::Database::open(backend.profilePath(dbName));
            edit->execute(QStringLiteral("UPDATE baseGoods SET fullname = fullname || '改' "
                                         "WHERE id % ? = 0 AND id <= ?"),
                          {goods / changed, goods});
        }
        dm.CheckConnection();
        t.restart();
        cache.SyncGoods();
        const double incSec = t.nsecsElapsed() / 1e9;
        QStringList changedIds;
        for (int i = 1; i <= changed; ++i)
            changedIds << QString::number(i * (goods / changed));
        t.restart();
        const qint64 copiedChanged =
            copyRows(source, target,
                     QStringLiteral("SELECT * FROM dytv1_1goods WHERE sp_id IN (%1)")
                         .arg(changedIds.join(QLatin1Char(','))),
                     QStringLiteral("dytv1_1goods"), goodsColumns);
        const double incCopySec = t.nsecsElapsed() / 1e9;
        out << "incremental synchronisation: " << ms(incSec) << "  (" << changed
            << " changed goods)\n";
        out << "  same rows, SQLite to SQLite: " << ms(incCopySec) << " (" << copiedChanged
            << " rows)  ratio " << QString::number(incSec / incCopySec, 'f', 1) << "x\n";

        // FindGoods per lookup (no stale flag: a local read), next to a prepared SELECT by id.
        QRandomGenerator rng(42);
        QList<qint64> ids;
        for (int i = 0; i < lookups; ++i)
            ids << 1 + rng.bounded(goods);
        int found = 0;
        t.restart();
        for (qint64 id : ids)
            found += cache.FindGoods(id) ? 1 : 0;
        const double findSec = t.nsecsElapsed() / 1e9;
        sqlite3_stmt* byId = nullptr;
        check(sqlite3_prepare_v2(source, "SELECT * FROM dytv1_1goods WHERE sp_id = ?", -1, &byId,
                                 nullptr),
              source, "select by id");
        int foundRaw = 0;
        t.restart();
        for (qint64 id : ids) {
            sqlite3_bind_int64(byId, 1, id);
            while (sqlite3_step(byId) == SQLITE_ROW) {
                for (int c = 0; c < goodsColumns; ++c)
                    sqlite3_column_text(byId, c);
                ++foundRaw;
            }
            sqlite3_reset(byId);
        }
        const double rawSec = t.nsecsElapsed() / 1e9;
        sqlite3_finalize(byId);
        out << "FindGoods per lookup:        " << QString::number(findSec / lookups * 1e6, 'f', 1)
            << " us  (" << found << " of " << lookups << " found)\n";
        out << "  prepared SELECT by id:     " << QString::number(rawSec / lookups * 1e6, 'f', 1)
            << " us  (" << foundRaw << " found)  ratio "
            << QString::number(findSec / rawSec, 'f', 1) << "x\n";

        sqlite3_close_v2(source);
        sqlite3_close_v2(target);
        cache.Close();
        dm.Disconnect();
        srv.stop();
        client::closeClientConfig();
    } catch (const DytError& e) {
        QTextStream(stderr) << "dyt-bench-cache: " << e.message() << '\n';
        return 1;
    }
    return 0;
}
