// dyt-bench-stockstatus: the time of the stock status report (P_Base_Get_Goods "DQKCNEW") on a
// large account set: the top category level, one sub-category level, the flat list of all goods,
// the top level of one warehouse, a quick search and the top level with the latest sales price as
// reference price; each the best and the median of five runs, with the rows answered, next to a
// plain grouped SELECT of the stock ledger; next to the wall-clock figures the least processor
// time of the runs, which a busy machine does not blur.
//
// The account set (by default 100 000 goods, 20 warehouses, 1 000 000 posted bill lines) is built
// once by the demo builder's bulk path and kept in the temporary folder for later runs.
// Usage: dyt-bench-stockstatus [GOODS] [WAREHOUSES] [LINES] [ONLY]
// ONLY, when given, runs just the figures whose names contain it (for a profiler).
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>

#include <algorithm>
#include <ctime>
#include <vector>

#include "common/error.h"
#include "server/db/database.h"
#include "server/db/password.h"
#include "server/db/schema.h"
#include "server/demo/demo_builder.h"
#include "server/procs/registry.h"

namespace {

using dyt::server::Database;

QTextStream out(stdout);

void build(const QString& path, const dyt::demo::DemoOptions& o) {
    const QString part = path + QStringLiteral(".part");
    for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
        QFile::remove(part + suffix);
    QElapsedTimer timer;
    timer.start();
    {
        auto db = Database::open(part, Database::Mode::ReadWriteCreate);
        {
            dyt::server::Transaction tx(*db);
            dyt::server::schema::createAccountSet(db->handle(), QStringLiteral("演示账套"),
                                                  dyt::server::password::hash(QString()));
            tx.commit();
        }
        // A cache file for benchmarks: no waiting for the disk at each commit.
        db->execute(QStringLiteral("PRAGMA synchronous=OFF"));
        dyt::demo::LocalDemoCalls calls(*db, 500);
        const dyt::demo::DemoSummary s = dyt::demo::buildDemo(calls, o, [&](const QString& text) {
            out << "  " << text << " (" << timer.elapsed() / 1000 << " s)\n";
            out.flush();
        });
        calls.flush();
        out << "built: " << s.goods << " goods, " << s.warehouses << " warehouses, " << s.bills
            << " bills, " << s.lines << " goods lines in " << timer.elapsed() / 1000 << " s\n";
    }
    if (!QFile::rename(part, path))
        throw dyt::DytError(QStringLiteral("无法写入文件[%1]").arg(path));
}

struct Figure {
    double best = 0;
    double median = 0;
    double cpu = 0;  // the least processor time of the runs: what a busy machine does not blur
    int rows = 0;
};

double threadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

template <typename Fn>
Figure measure(Fn&& fn) {
    std::vector<double> ms;
    double cpu = 0;
    int rows = 0;
    for (int i = 0; i < 5; ++i) {
        QElapsedTimer t;
        const double cpuStart = threadCpuMs();
        t.start();
        rows = fn();
        ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
        const double spent = threadCpuMs() - cpuStart;
        cpu = i == 0 ? spent : std::min(cpu, spent);
    }
    std::sort(ms.begin(), ms.end());
    return {ms.front(), ms[ms.size() / 2], cpu, rows};
}

QString only;

bool wanted(const char* what) {
    return only.isEmpty() || QString::fromUtf8(what).contains(only);
}

void print(const char* what, const Figure& f) {
    out << qSetFieldWidth(44) << Qt::left << QString::fromUtf8(what) << qSetFieldWidth(0)
        << QStringLiteral("best %1 ms  median %2 ms  cpu %3 ms  rows %4\n")
               .arg(f.best, 9, 'f', 1)
               .arg(f.median, 9, 'f', 1)
               .arg(f.cpu, 9, 'f', 1)
               .arg(f.rows);
    out.flush();
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    dyt::demo::DemoOptions o;
    o.goods = args.size() > 1 ? args[1].toInt() : 100000;
    o.warehouses = args.size() > 2 ? args[2].toInt() : 20;
    o.lines = args.size() > 3 ? args[3].toLongLong() : 1000000;
    o.seed = 2025;
    only = args.value(4);
    try {
        const QString path = QDir::temp().filePath(QStringLiteral("dyt-stockstatus-%1-%2-%3.db")
                                                       .arg(o.goods)
                                                       .arg(o.warehouses)
                                                       .arg(o.lines));
        if (!QFile::exists(path)) {
            out << "building " << path << " ...\n";
            out.flush();
            build(path, o);
        }
        auto db = Database::open(path, Database::Mode::ReadWrite);
        if (dyt::server::schema::storedVersion(db->handle()) <
            dyt::server::schema::currentVersion()) {
            // A set cached by an older build: upgraded as a login with "UpdateFlag=Update" would.
            dyt::server::Transaction tx(*db);
            dyt::server::schema::upgrade(db->handle());
            tx.commit();
            out << "upgraded to schema version " << dyt::server::schema::currentVersion() << '\n';
        }
        dyt::server::Registry registry;
        dyt::server::registerBaseProcedures(registry);
        const auto* entry = registry.find(QStringLiteral("P_Base_Get_Goods"));

        auto report = [&](const QString& goods, const QString& warehouse, const QString& ckj) {
            dyt::ParamList p;
            p.setValue(QStringLiteral("QueryType"), QStringLiteral("DQKCNEW"));
            p.setValue(QStringLiteral("goodsStr"), QStringLiteral(";sptype=0;czy_id=1") + goods);
            p.setValue(QStringLiteral("ckStr"),
                       QStringLiteral(";czy_id=1;id=") + warehouse + QStringLiteral(";issub=1"));
            p.setValue(QStringLiteral("filter"), QStringLiteral(";qty=0;ckj=") + ckj);
            p.setInt(QStringLiteral("czy_id"), 1);
            dyt::server::CallContext ctx(*db, p);
            ctx.userId = 1;
            if (entry->handler(ctx) != 0)
                throw dyt::DytError(ctx.message);
            return ctx.data.rowCount();
        };

        const qint64 goodsCount =
            db->scalar(QStringLiteral("SELECT COUNT(*) FROM baseGoods WHERE sonnum = 0"))
                .toLongLong();
        const qint64 stockRows =
            db->scalar(QStringLiteral("SELECT COUNT(*) FROM baseGoodsStock")).toLongLong();
        const qint64 lines =
            db->scalar(QStringLiteral("SELECT COUNT(*) FROM djList WHERE goodsid > 0"))
                .toLongLong();
        // The deepest category level: the one the goods sit in.
        const QString sub = db->scalar(QStringLiteral("SELECT MIN(par_id) FROM baseGoods WHERE "
                                                      "sonnum = 0"))
                                .toString();
        const QString warehouse =
            db->scalar(QStringLiteral("SELECT MIN(id) FROM baseCK")).toString();
        out << "account set: " << goodsCount << " goods, " << stockRows << " stock rows, " << lines
            << " bill lines\n";

        if (wanted("plain SELECT of the stock per goods"))
            print("plain SELECT of the stock per goods", measure([&] {
                      dyt::server::Statement st = db->prepare(QStringLiteral(
                          "SELECT goodsid, SUM(qty), SUM(total) FROM baseGoodsStock GROUP BY "
                          "goodsid"));
                      int n = 0;
                      while (st.step())
                          ++n;
                      return n;
                  }));
        if (wanted("DQKCNEW top category level"))
            print("DQKCNEW top category level", measure([&] {
                      return report(QStringLiteral(";par_id=0"), QString(), QStringLiteral("0"));
                  }));
        if (wanted("DQKCNEW one category level (its goods)"))
            print("DQKCNEW one category level (its goods)", measure([&] {
                      return report(QStringLiteral(";par_id=") + sub, QString(),
                                    QStringLiteral("0"));
                  }));
        if (wanted("DQKCNEW flat list of all goods"))
            print("DQKCNEW flat list of all goods", measure([&] {
                      return report(QStringLiteral(";isList=1"), QString(), QStringLiteral("0"));
                  }));
        if (wanted("DQKCNEW top level, one warehouse"))
            print("DQKCNEW top level, one warehouse", measure([&] {
                      return report(QStringLiteral(";par_id=0"), warehouse, QStringLiteral("0"));
                  }));
        if (wanted("DQKCNEW quick search"))
            print("DQKCNEW quick search", measure([&] {
                      return report(QStringLiteral(";allfilter=矿泉水"), QString(),
                                    QStringLiteral("0"));
                  }));
        if (wanted("DQKCNEW top level, latest sales price"))
            print("DQKCNEW top level, latest sales price", measure([&] {
                      return report(QStringLiteral(";par_id=0"), QString(), QStringLiteral("4"));
                  }));
    } catch (const dyt::DytError& e) {
        QTextStream(stderr) << e.message() << '\n';
        return 1;
    }
    return 0;
}
