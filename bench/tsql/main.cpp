// Figures of the T-SQL dialect layer: run dyt-bench-tsql [corpus file].
//   1. translation time per corpus text, cold (translate) and cached (TranslationCache hit);
//   2. run time of the heaviest corpus texts on a synthetic account set of 100 000 goods (the
//      tables those texts touch, with the indexes the account-set schema declares).

#include <sqlite3.h>

#include <QFile>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "common/error.h"
#include "server/tsql/tsql.h"
#include "server/tsql/tsql_functions.h"

using namespace dyt::server::tsql;
using Clock = std::chrono::steady_clock;

namespace {

struct Text {
    QString id;
    QString sql;
};

QString unescape(const QString& s) {
    QString out;
    for (int i = 0; i < s.size(); ++i) {
        if (s[i] == u'\\' && i + 1 < s.size()) {
            const QChar c = s[++i];
            out += c == u'r'   ? QChar(u'\r')
                   : c == u'n' ? QChar(u'\n')
                   : c == u't' ? QChar(u'\t')
                               : c;
        } else {
            out += s[i];
        }
    }
    return out;
}

std::vector<Text> readCorpus(const QString& path) {
    std::vector<Text> out;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return out;
    while (!f.atEnd()) {
        QString line = QString::fromUtf8(f.readLine());
        while (line.endsWith(u'\n') || line.endsWith(u'\r'))
            line.chop(1);
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const QStringList cols = line.split(u'\t');
        if (cols.size() == 4)
            out.push_back({cols[0], unescape(cols[3])});
    }
    return out;
}

double microseconds(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

void exec(sqlite3* db, const char* sql) {
    char* err = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &err) != SQLITE_OK) {
        std::fprintf(stderr, "setup failed: %s\n", err ? err : "?");
        sqlite3_free(err);
        std::exit(1);
    }
}

void translationFigures(const std::vector<Text>& corpus) {
    Context ctx;
    ctx.sessionId = 57;
    TranslationCache cache(4096);
    const int reps = 200;
    for (const Text& t : corpus) (void)translate(t.sql, ctx);  // warm up (static tables)
    std::printf("%-34s %12s %12s\n", "text", "cold us", "cached us");
    double sumCold = 0, sumCached = 0;
    std::vector<std::pair<double, QString>> slowest;
    for (const Text& t : corpus) {
        auto start = Clock::now();
        for (int i = 0; i < reps; ++i)
            (void)translate(t.sql, ctx);
        const double cold = microseconds(Clock::now() - start) / reps;
        (void)cache.translate(t.sql, ctx);
        start = Clock::now();
        for (int i = 0; i < reps; ++i)
            (void)cache.translate(t.sql, ctx);
        const double cached = microseconds(Clock::now() - start) / reps;
        std::printf("%-34s %12.2f %12.2f\n", t.id.toUtf8().constData(), cold, cached);
        sumCold += cold;
        sumCached += cached;
        slowest.emplace_back(cold, t.id);
    }
    if (corpus.empty())
        return;
    std::sort(slowest.rbegin(), slowest.rend());
    std::printf("\n%zu texts: mean %.2f us cold, %.2f us cached; slowest cold: %s (%.2f us)\n\n",
                corpus.size(), sumCold / static_cast<double>(corpus.size()),
                sumCached / static_cast<double>(corpus.size()),
                slowest.front().second.toUtf8().constData(), slowest.front().first);
}

// Synthetic account set: 100 categories (5 top, 20 below each) and 100 000 goods under them.
void seed(sqlite3* db) {
    exec(
        db,
        "CREATE TABLE baseGoods(id INTEGER PRIMARY KEY, par_id INTEGER, par_jl TEXT COLLATE "
        "NOCASE, leveal INTEGER, sonnum INTEGER, del INTEGER DEFAULT 0, code TEXT COLLATE NOCASE,"
        " fullname TEXT COLLATE NOCASE, yxqNum INTEGER, jxqNum INTEGER, updateTime TEXT);"
        "CREATE INDEX ix_goods_par ON baseGoods(par_id);"
        "CREATE INDEX ix_goods_jl ON baseGoods(par_jl);"
        "CREATE TABLE baseGoodsStock(id INTEGER PRIMARY KEY, goodsid INTEGER, stockid INTEGER, "
        "Qty REAL, price REAL, outdate TEXT);"
        "CREATE INDEX ix_stock_goods ON baseGoodsStock(goodsid, stockid);"
        "CREATE TABLE baseGoodsPurview(id INTEGER, czy_id INTEGER, isbj INTEGER, "
        "PRIMARY KEY(czy_id, id));"
        "CREATE TABLE baseGoodsUnit(id INTEGER PRIMARY KEY, Goodsid INTEGER, fzdwid INTEGER, "
        "unit TEXT, rate REAL);"
        "CREATE INDEX ix_unit_goods ON baseGoodsUnit(Goodsid, fzdwid);"
        "BEGIN;"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 5)"
        " INSERT INTO baseGoods SELECT i, 0, i || ',', 1, 20, 0, printf('%02d', i), '类' || i, "
        "0, 0, '2024-01-01' FROM n;"
        "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 99)"
        " INSERT INTO baseGoods SELECT 1000 + i, i / 20 + 1, (i / 20 + 1) || ',' || (1000 + i) || "
        "',', 2, 1000, 0, printf('%02d%02d', i / 20 + 1, i % 20), '小类' || i, 0, 0, "
        "'2024-01-01' FROM n;"
        "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 99999)"
        " INSERT INTO baseGoods SELECT 100000 + i, 1000 + i / 1000, ((i / 1000) / 20 + 1) || ',' ||"
        " (1000 + i / 1000) || ',' || (100000 + i) || ',', 3, 0, 0, printf('G%06d', i), '商品' || "
        "i, 30 + i % 300, i % 7, '2024-01-01' FROM n;"
        "INSERT INTO baseGoodsStock(goodsid, stockid, Qty, price, outdate) SELECT id, 1 + id % 3,"
        " 10 + id % 50, 2.5, date('2023-01-01', '+' || (id % 400) || ' days') FROM baseGoods "
        "WHERE sonnum = 0;"
        "INSERT INTO baseGoodsPurview SELECT id, 3, 0 FROM baseGoods;"
        "INSERT INTO baseGoodsUnit(Goodsid, fzdwid, unit, rate) SELECT id, 0, '个', 1 FROM "
        "baseGoods WHERE sonnum = 0;"
        "COMMIT;");
}

void runFigures(const std::vector<Text>& corpus) {
    sqlite3* db = nullptr;
    sqlite3_open(":memory:", &db);
    registerFunctions(db);
    auto start = Clock::now();
    seed(db);
    std::printf("seeded 100 000 goods in %.0f ms\n", microseconds(Clock::now() - start) / 1000);
    Context ctx;
    ctx.sessionId = 57;
    ctx.schema = schemaLookupFromDatabase(db);
    const char* heavy[] = {
        "alerts.shelf-life",  "records.grant-subtree", "records.recompute-categories",
        "xsd.negative-stock", "cache.goods-clock",     "goods.auto-code",
        "jhd.aux-quantities"};
    std::printf("%-34s %12s %10s\n", "text", "run ms", "rows");
    for (const char* id : heavy) {
        const auto it = std::find_if(corpus.begin(), corpus.end(),
                                     [&](const Text& t) { return t.id == QLatin1String(id); });
        if (it == corpus.end())
            continue;
        try {
            const Program p = translate(it->sql, ctx);
            sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
            start = Clock::now();
            const Result r = execute(db, p);
            const double ms = microseconds(Clock::now() - start) / 1000;
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            std::printf("%-34s %12.1f %10lld\n", id, ms,
                        static_cast<long long>(r.hasRows ? r.rows.rowCount() : r.changedRows));
        } catch (const dyt::DytError& e) {
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            std::printf("%-34s failed: %s\n", id, e.message().toUtf8().constData());
        }
    }
    sqlite3_close(db);
}

}  // namespace

int main(int argc, char** argv) {
    // default: the corpus of the source tree this program was built from
    const QString here = QString::fromUtf8(__FILE__);
    const QString path = argc > 1 ? QString::fromLocal8Bit(argv[1])
                                  : here.left(here.lastIndexOf(QLatin1String("bench/"))) +
                                        QStringLiteral("tests/data/tsql_corpus.tsv");
    const std::vector<Text> corpus = readCorpus(path);
    if (corpus.empty()) {
        std::fprintf(stderr, "no corpus at %s\n", path.toUtf8().constData());
        return 1;
    }
    translationFigures(corpus);
    runFigures(corpus);
    return 0;
}
