// dyt-bench-select: P_Base_Get_Goods on an account set of many goods: one class level, the top
// level with its class stock sums, the list of all goods, a quick search and a barcode, each next
// to a plain SELECT of the same rows without stock columns.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextStream>

#include "common/error.h"
#include "server/db/database.h"
#include "server/db/schema.h"
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
        const double ms = clock.nsecsElapsed() / 1e6;
        if (ms < t.ms)
            t = {ms, rows};
    }
    return t;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const int classes = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100;
    const int perClass = argc > 2 ? QString::fromLocal8Bit(argv[2]).toInt() : 1000;
    const int repeats = 3;
    try {
        QTemporaryDir dir;
        auto db = Database::open(dir.filePath(QStringLiteral("bench.db")),
                                 Database::Mode::ReadWriteCreate);
        dyt::server::schema::createAccountSet(db->handle(), QStringLiteral("bench"), QString());
        {
            dyt::server::Transaction tx(*db);
            db->execute(
                QStringLiteral("INSERT INTO baseCK(id, par_jl, code, fullname) VALUES "
                               "(1, '1,', '01', '总仓'), (2, '2,', '02', '分仓')"));
            dyt::server::Statement goods = db->prepare(QStringLiteral(
                "INSERT INTO baseGoods(id, par_id, par_jl, leveal, sonnum, code, fullname, name, "
                "pym) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"));
            dyt::server::Statement unit = db->prepare(
                QStringLiteral("INSERT INTO baseGoodsUnit(Goodsid, fzdwid, unit, rate, barcode, "
                               "price) VALUES (?, ?, ?, ?, ?, ?)"));
            dyt::server::Statement stock = db->prepare(
                QStringLiteral("INSERT INTO baseGoodsStock(goodsid, stockid, qty, price, total) "
                               "VALUES (?, ?, ?, 2, ?)"));
            qint64 id = 0;
            for (int c = 1; c <= classes; ++c) {
                const qint64 classId = ++id;
                const QString path = QString::number(classId) + u',';
                goods.bindAll({classId, 0, path, 1, perClass,
                               QString::number(c).rightJustified(3, u'0'),
                               QStringLiteral("类别%1").arg(c), QStringLiteral("类别%1").arg(c),
                               QStringLiteral("LB%1").arg(c)});
                goods.execute();
                goods.reset();
                for (int g = 1; g <= perClass; ++g) {
                    const qint64 gid = ++id;
                    const QString code = QString::number(c).rightJustified(3, u'0') +
                                         QString::number(g).rightJustified(5, u'0');
                    goods.bindAll({gid, classId, path + QString::number(gid) + u',', 2, 0, code,
                                   QStringLiteral("商品%1").arg(code),
                                   QStringLiteral("品%1").arg(g),
                                   QStringLiteral("SP%1").arg(code)});
                    goods.execute();
                    goods.reset();
                    unit.bindAll(
                        {gid, 0, QStringLiteral("个"), 1, QStringLiteral("69%1").arg(code), 3.5});
                    unit.execute();
                    unit.reset();
                    if (g % 2 == 0) {
                        stock.bindAll({gid, 1 + (g % 4 == 0), g % 50, (g % 50) * 2});
                        stock.execute();
                        stock.reset();
                    }
                }
            }
            tx.commit();
        }
        dyt::server::Registry registry;
        dyt::server::registerBaseProcedures(registry);
        const auto* proc = registry.find(QStringLiteral("P_Base_Get_Goods"));
        const auto run = [&](const QString& goodsStr, const QString& ckStr) {
            dyt::ParamList p;
            p.setValue(QStringLiteral("QueryType"), QStringLiteral("XZSPALL"));
            p.setValue(QStringLiteral("Filter"), QStringLiteral(";djtype=1"));
            p.setValue(QStringLiteral("goodsStr"), goodsStr);
            p.setValue(QStringLiteral("ckStr"), ckStr);
            dyt::server::CallContext ctx(*db, p);
            ctx.userId = 1;
            if (proc->handler(ctx) < 0)
                throw dyt::DytError(ctx.message);
            return ctx.data.rowCount();
        };
        const auto plain = [&](const QString& where, const QVariantList& values) {
            return db
                ->query(QStringLiteral("SELECT g.id, g.code, g.fullname, u.unit, u.price FROM "
                                       "baseGoods AS g LEFT JOIN baseGoodsUnit AS u ON "
                                       "u.Goodsid = g.id AND u.fzdwid = 0 WHERE g.del = 0 AND ") +
                            where,
                        values)
                .rowCount();
        };
        struct Case {
            const char* name;
            QString goodsStr;
            QString where;
            QVariantList values;
        };
        const Case cases[] = {
            {"top level (classes with stock sums)",
             QStringLiteral(";par_id=0;isstop=0"),
             QStringLiteral("g.par_id = 0"),
             {}},
            {"one class level",
             QStringLiteral(";par_id=1;isstop=0"),
             QStringLiteral("g.par_id = 1"),
             {}},
            {"list of all goods",
             QStringLiteral(";isList=1;isstop=0"),
             QStringLiteral("g.sonnum = 0"),
             {}},
            {"quick search \"00123\"",
             QStringLiteral(";allfilter=00123;isstop=0"),
             QStringLiteral("(g.code LIKE '%00123%' OR g.fullname LIKE '%00123%')"),
             {}},
            {"barcode",
             QStringLiteral(";isstop=0;barcode=6900100007"),
             QStringLiteral("EXISTS (SELECT 1 FROM baseGoodsUnit AS b WHERE b.Goodsid = g.id AND "
                            "b.barcode = ?)"),
             {QStringLiteral("6900100007")}},
        };
        out << "P_Base_Get_Goods, " << classes << " classes x " << perClass << " goods, best of "
            << repeats << "\n";
        out << QStringLiteral("%1 %2 %3 %4 %5\n")
                   .arg(QStringLiteral("case"), -40)
                   .arg(QStringLiteral("rows"), 8)
                   .arg(QStringLiteral("proc ms"), 10)
                   .arg(QStringLiteral("plain ms"), 10)
                   .arg(QStringLiteral("ratio"), 7);
        for (const Case& c : cases) {
            const Timing t =
                best(repeats, [&] { return run(c.goodsStr, QStringLiteral(";id=1")); });
            const Timing p = best(repeats, [&] { return plain(c.where, c.values); });
            out << QStringLiteral("%1 %2 %3 %4 %5\n")
                       .arg(QString::fromUtf8(c.name), -40)
                       .arg(t.rows, 8)
                       .arg(t.ms, 10, 'f', 2)
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
