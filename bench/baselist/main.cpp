// dyt-bench-baselist: the goods list of the base-data window on an account set of many goods:
// one category level, the flat list of all goods, the category tree and a quick search, each with
// the packing of the rows into the answer packet and back (what travels to the client), next to a
// plain SELECT of the same rows.
//
// Usage: dyt-bench-baselist [categories (100)] [goods per category (1000)]
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

#include "common/error.h"
#include "protocol/protocol.h"
#include "server/db/database.h"
#include "server/db/schema.h"
#include "server/procs/procs_baselist.h"
#include "server/procs/registry.h"

namespace {

using dyt::server::Database;

struct Timing {
    double ms = 0;
    int rows = 0;
};

template <typename F>
Timing best(int repeats, F&& f) {
    Timing t{1e18, 0};
    for (int i = 0; i < repeats; ++i) {
        QElapsedTimer clock;
        clock.start();
        const int rows = f();
        const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        if (ms < t.ms)
            t = {ms, rows};
    }
    return t;
}

void fill(Database& db, int categories, int perCategory) {
    dyt::server::Transaction tx(db);
    dyt::server::Statement goods = db.prepare(QStringLiteral(
        "INSERT INTO baseGoods(id, par_id, par_jl, leveal, sonnum, code, fullname, name, pym, gg, "
        "orderly) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    dyt::server::Statement unit = db.prepare(
        QStringLiteral("INSERT INTO baseGoodsUnit(Goodsid, fzdwid, unit, rate, barcode, price, "
                       "price1) VALUES (?, 0, '个', 1, ?, 3.5, 4)"));
    qint64 id = 0;
    for (int c = 1; c <= categories; ++c) {
        const qint64 catId = ++id;
        const QString path = QString::number(catId) + u',';
        const QString catCode = QString::number(c).rightJustified(3, u'0');
        goods.bindAll({catId, 0, path, 1, perCategory, catCode, QStringLiteral("类别%1").arg(c),
                       QStringLiteral("类别%1").arg(c), QStringLiteral("LB%1").arg(c), QString(),
                       c});
        goods.execute();
        goods.reset();
        for (int g = 1; g <= perCategory; ++g) {
            const qint64 gid = ++id;
            const QString code = catCode + QString::number(g).rightJustified(5, u'0');
            goods.bindAll({gid, catId, path + QString::number(gid) + u',', 2, 0, code,
                           QStringLiteral("商品%1").arg(code), QStringLiteral("品%1").arg(g),
                           QStringLiteral("SP%1").arg(code), QStringLiteral("500g"), g});
            goods.execute();
            goods.reset();
            unit.bindAll({gid, QStringLiteral("69%1").arg(code)});
            unit.execute();
            unit.reset();
        }
    }
    tx.commit();
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const int categories = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100;
    const int perCategory = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 1000;
    const int repeats = 3;
    try {
        QTemporaryDir dir;
        auto db = Database::open(dir.filePath(QStringLiteral("bench.db")),
                                 Database::Mode::ReadWriteCreate);
        dyt::server::schema::createAccountSet(db->handle(), QStringLiteral("bench"), QString());
        QElapsedTimer fillClock;
        fillClock.start();
        fill(*db, categories, perCategory);
        out << "filled " << categories << " categories x " << perCategory << " goods in "
            << fillClock.elapsed() << " ms\n";

        // The list and its packet, as P_JXC_Get_Base answers and the client reads it.
        const auto run = [&](const QString& goodsStr, bool packet) {
            dyt::ParamList p;
            p.setValue(QStringLiteral("QueryType"), QStringLiteral("SP"));
            p.setValue(QStringLiteral("GoodsStr"), QStringLiteral(";czy_id=1") + goodsStr);
            dyt::server::CallContext ctx(*db, p);
            ctx.userId = 1;
            if (dyt::server::getBaseList(ctx) < 0)
                throw dyt::DytError(ctx.message);
            if (!packet)
                return ctx.data.rowCount();
            const QByteArray bytes = dyt::proto::recordSetToCbor(ctx.data).toCbor();
            const dyt::RecordSet back = dyt::proto::recordSetFromCbor(QCborValue::fromCbor(bytes));
            return back.rowCount();
        };
        const auto plain = [&](const QString& where) {
            return db
                ->query(QStringLiteral("SELECT t.*, u.unit, u.barcode, u.price FROM baseGoods AS "
                                       "t LEFT JOIN baseGoodsUnit AS u ON u.Goodsid = t.id AND "
                                       "u.fzdwid = 0 WHERE t.del = 0 AND ") +
                        where + QStringLiteral(" ORDER BY t.orderly, t.code, t.id"))
                .rowCount();
        };
        struct Case {
            const char* name;
            QString goodsStr;
            QString where;
        };
        const Case cases[] = {
            {"top level (categories)", QStringLiteral(";par_id=0;isstop=0"),
             QStringLiteral("t.par_id = 0")},
            {"one category level", QStringLiteral(";par_id=1;isstop=0"),
             QStringLiteral("t.par_id = 1")},
            {"flat list of all goods", QStringLiteral(";isList=1;isstop=0"),
             QStringLiteral("t.sonnum = 0")},
            {"category tree", QStringLiteral(";TreeView=1"), QStringLiteral("t.sonnum > 0")},
            {"quick search \"00123\"", QStringLiteral(";allfilter=00123;isstop=0"),
             QStringLiteral("(t.code LIKE '%00123%' OR t.fullname LIKE '%00123%')")},
        };
        out << "goods list (P_JXC_Get_Base \"SP\"), best of " << repeats << "\n";
        out << QStringLiteral("%1 %2 %3 %4 %5 %6\n")
                   .arg(QStringLiteral("case"), -30)
                   .arg(QStringLiteral("rows"), 8)
                   .arg(QStringLiteral("list ms"), 10)
                   .arg(QStringLiteral("+packet ms"), 11)
                   .arg(QStringLiteral("plain ms"), 10)
                   .arg(QStringLiteral("ratio"), 7);
        for (const Case& c : cases) {
            const Timing t = best(repeats, [&] { return run(c.goodsStr, false); });
            const Timing w = best(repeats, [&] { return run(c.goodsStr, true); });
            const Timing p = best(repeats, [&] { return plain(c.where); });
            out << QStringLiteral("%1 %2 %3 %4 %5 %6\n")
                       .arg(QString::fromUtf8(c.name), -30)
                       .arg(t.rows, 8)
                       .arg(t.ms, 10, 'f', 2)
                       .arg(w.ms, 11, 'f', 2)
                       .arg(p.ms, 10, 'f', 2)
                       .arg(p.ms > 0 ? t.ms / p.ms : 0.0, 7, 'f', 1);
            out.flush();
        }
    } catch (const dyt::DytError& e) {
        out << "error: " << e.message() << "\n";
        return 1;
    }
    return 0;
}
