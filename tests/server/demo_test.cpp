// The demo account set, built in process and by "dyt-cli demo": same seed, same figures; the
// consistency checks pass and catch planted faults.
#include <gtest/gtest.h>

#include <QDir>
#include <QSet>
#include <QTemporaryDir>

#include <cmath>

#include "common/error.h"
#include "records.h"
#include "server/db/database.h"
#include "server/db/password.h"
#include "server/db/schema.h"
#include "server/demo/demo_builder.h"
#include "support/serverprocess.h"

using namespace Qt::StringLiterals;

namespace dyt::demo {
namespace {

using server::Database;

std::unique_ptr<Database> freshAccountSet(const QString& path) {
    auto db = Database::open(path, Database::Mode::ReadWriteCreate);
    server::Transaction tx(*db);
    server::schema::createAccountSet(db->handle(), u"演示账套"_s,
                                     server::password::hash(QString()));
    tx.commit();
    return db;
}

DemoOptions smallSet(quint64 seed) {
    DemoOptions o;
    o.seed = seed;
    o.goods = 40;
    o.lines = 300;
    return o;
}

// Everything the business made, as text rows: records, units, stock layers, balances, bills and
// their lines (stamps of the moment left out).
QStringList figures(Database& db) {
    const char* const queries[] = {
        "SELECT id, par_id, code, fullname, gg, costmode FROM baseGoods ORDER BY id",
        "SELECT Goodsid, fzdwid, unit, rate, barcode, price, price1 FROM baseGoodsUnit ORDER BY "
        "Goodsid, fzdwid",
        "SELECT id, code, fullname FROM baseWLDW ORDER BY id",
        "SELECT goodsid, stockid, goodspc, qty, total FROM baseGoodsStock ORDER BY goodsid, "
        "stockid, goodspc, id",
        "SELECT id, ystotal, yftotal, yushoutotal, yufutotal FROM baseWLDW ORDER BY id",
        "SELECT id, Total, dbTotal, LendTotal FROM baseKM ORDER BY id",
        "SELECT id, djType, code, date, dj_state, wldw_id, IntoStock_id, OutStock_id, total, "
        "isred, isredword FROM djIndex ORDER BY id",
        "SELECT id, goodsid, unit, qty, price, discounttotal, costtotal FROM djList ORDER BY "
        "orderid"};
    QStringList out;
    for (const char* sql : queries)
        out << dyt::test::rowTexts(db.query(QString::fromUtf8(sql)));
    return out;
}

double number(Database& db, const QString& sql) {
    return db.scalar(sql).toDouble();
}

// The check digit of a GTIN, worked out here on its own: weights 3 and 1 from the right.
int gtinCheck(const QString& digits) {
    int sum = 0;
    int weight = 3;
    for (qsizetype i = digits.size() - 1; i >= 0; --i) {
        sum += (digits.at(i).unicode() - '0') * weight;
        weight = weight == 3 ? 1 : 3;
    }
    return (10 - sum % 10) % 10;
}

class DemoSet : public ::testing::Test {
protected:
    DemoSummary build(const QString& file, const DemoOptions& o) {
        auto db = freshAccountSet(dir_.filePath(file));
        LocalDemoCalls calls(*db, 50);
        const DemoSummary sum = buildDemo(calls, o);
        calls.flush();
        dbs_.push_back(std::move(db));
        return sum;
    }
    Database& db(size_t i) { return *dbs_.at(i); }
    QTemporaryDir dir_;
    std::vector<std::unique_ptr<Database>> dbs_;
};

TEST_F(DemoSet, HoldsTheRecordsAndBusinessOfADemoAndAnotherSeedGivesOtherFigures) {
    DemoOptions o = smallSet(3);
    o.warehouses = 4;
    const DemoSummary sum = build(u"d.db"_s, o);
    Database& d = db(0);
    EXPECT_EQ(40, sum.goods);
    EXPECT_EQ(40, number(d, u"SELECT COUNT(*) FROM baseGoods WHERE sonnum = 0"_s));
    EXPECT_EQ(sum.categories, number(d, u"SELECT COUNT(*) FROM baseGoods WHERE sonnum > 0"_s));
    EXPECT_EQ(4, number(d, u"SELECT COUNT(*) FROM baseCK"_s));
    EXPECT_EQ(sum.partners, number(d,
                                   u"SELECT COUNT(*) FROM baseWLDW WHERE "
                                   "sonnum = 0"_s));
    // Every goods has a base unit with an EAN-13 barcode whose check digit is right, and no
    // barcode is used twice.
    const RecordSet units = d.query(
        u"SELECT g.id, u.barcode, u.fzdwid FROM baseGoods AS g LEFT JOIN baseGoodsUnit AS u ON "
        "u.Goodsid = g.id WHERE g.sonnum = 0 ORDER BY g.id, u.fzdwid"_s);
    QSet<QString> barcodes;
    QSet<qint64> withBase;
    for (int r = 0; r < units.rowCount(); ++r) {
        const QString code = units.at(r, 1).toString();
        const int slot = units.at(r, 2).toInt();
        ASSERT_EQ(slot == 0 ? 13 : 14, code.size()) << code.toStdString();
        EXPECT_EQ(gtinCheck(code.left(code.size() - 1)), code.back().unicode() - '0')
            << code.toStdString();
        EXPECT_FALSE(barcodes.contains(code)) << code.toStdString();
        barcodes.insert(code);
        if (slot == 0)
            withBase.insert(units.at(r, 0).toLongLong());
    }
    EXPECT_EQ(40, withBase.size());
    // Opening balances, then three months of every kind of business, all posted.
    EXPECT_GT(number(d, u"SELECT COUNT(*) FROM iniGoodsStock"_s), 0);
    EXPECT_GT(number(d, u"SELECT COUNT(*) FROM baseWLDW WHERE ystotal00 > 0"_s), 0);
    EXPECT_EQ(u"1"_s, d.scalar(u"SELECT sysValue FROM sysData WHERE Name = 'isOpen'"_s).toString());
    EXPECT_EQ(0, number(d, u"SELECT COUNT(*) FROM djIndex WHERE dj_state <> 2"_s));
    // The goods lines reach the size asked for (a last bill may go a little beyond it).
    const qint64 lines = static_cast<qint64>(
        number(d,
               u"SELECT COUNT(*) FROM djList AS l JOIN djIndex AS i ON i.id = l.id "
               "WHERE l.goodsid > 0 AND i.isredword = 0"_s));
    EXPECT_EQ(sum.lines, lines);
    EXPECT_GE(lines, 300);
    EXPECT_LE(lines, 300 + 80);
    // One red reversal: the copy of a sale, linked both ways.
    EXPECT_EQ(1, number(d, u"SELECT COUNT(*) FROM djIndex WHERE isredword = 1"_s));
    EXPECT_EQ(sum.redBill, number(d, u"SELECT id FROM djIndex WHERE isredword = 1"_s));
    EXPECT_EQ(1, number(d, u"SELECT djType FROM djIndex WHERE isred = 1"_s));
    EXPECT_EQ(sum.redBill, number(d, u"SELECT redBillid FROM djIndex WHERE isred = 1"_s));
    // Another seed gives other figures.
    build(u"c.db"_s, smallSet(8));
    const QStringList first = figures(db(0));
    EXPECT_GT(first.size(), 500);
    EXPECT_NE(first, figures(db(1)));
}

TEST_F(DemoSet, ConsistencyChecksPassAndCatchPlantedFaults) {
    build(u"e.db"_s, smallSet(5));
    LocalDemoCalls calls(db(0), 1);
    EXPECT_EQ(QStringList(), checkConsistency(calls));
    // A stock row changed behind the ledger's back.
    const RecordSet row =
        db(0).query(u"SELECT id, goodsid, stockid FROM baseGoodsStock ORDER BY id LIMIT 1"_s);
    db(0).execute(u"UPDATE baseGoodsStock SET qty = qty + 1 WHERE id = ?"_s, {row.at(0, 0)});
    QStringList faults = checkConsistency(calls);
    ASSERT_EQ(1, faults.size());
    EXPECT_TRUE(
        faults[0].contains(u"%1/%2"_s.arg(row.at(0, 1).toString(), row.at(0, 2).toString())))
        << faults[0].toStdString();
    // A receivable changed, and a bill whose account lines no longer balance.
    db(0).execute(
        u"UPDATE baseWLDW SET ystotal = ystotal + 10 WHERE id = (SELECT "
        "MIN(id) FROM baseWLDW WHERE sonnum = 0)"_s);
    db(0).execute(
        u"UPDATE djKmDetail SET dbTotal = dbTotal + 1 WHERE orderid = (SELECT MIN(orderid) FROM "
        "djKmDetail WHERE type = 0 AND dbTotal > 0)"_s);
    faults = checkConsistency(calls);
    EXPECT_EQ(3, faults.size());
    EXPECT_EQ(1, faults.filter(u"应收"_s).size());
    EXPECT_EQ(1, faults.filter(u"借方"_s).size());
}

// "dyt-cli demo" over the wire makes the same account set as the bulk path with the same seed;
// a second run refuses the existing name and leaves it alone.
TEST(DemoCli, OverTheWireEqualsTheBulkPath) {
    test::ServerProcess server;
    ASSERT_TRUE(server.start()) << server.error().toStdString();
    const test::CliResult r = test::runCli({u"--server"_s, server.address(), u"demo"_s, u"--seed"_s,
                                            u"11"_s, u"--goods"_s, u"40"_s, u"--lines"_s, u"300"_s},
                                           180000);
    ASSERT_EQ(0, r.exitCode) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(u"item\tvalue\ndbName\tdytv1_1\n"_s)) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(u"\ngoods\t40\n"_s)) << r.out.toStdString();
    EXPECT_TRUE(r.out.endsWith(u"\nfaults\t0\n"_s)) << r.out.toStdString();
    QTemporaryDir dir;
    auto local = freshAccountSet(dir.filePath(u"local.db"_s));
    {
        LocalDemoCalls calls(*local, 50);
        buildDemo(calls, smallSet(11));
    }
    auto remote =
        Database::open(QDir(server.dataDir()).filePath(u"dytv1_1.db"_s), Database::Mode::ReadOnly);
    EXPECT_EQ(figures(*local), figures(*remote));
    const test::CliResult again =
        test::runCli({u"--server"_s, server.address(), u"demo"_s, u"--goods"_s, u"5"_s});
    EXPECT_EQ(1, again.exitCode);
    EXPECT_EQ(u"账套[演示账套]已经存在\n"_s, again.err);
    const test::CliResult bad =
        test::runCli({u"--server"_s, server.address(), u"demo"_s, u"--goods"_s, u"many"_s});
    EXPECT_EQ(2, bad.exitCode);
}

TEST(DemoOptionsCheck, RefusesSizesOutOfRange) {
    QTemporaryDir dir;
    auto db = freshAccountSet(dir.filePath(u"g.db"_s));
    LocalDemoCalls calls(*db, 10);
    struct Case {
        const char* name;
        DemoOptions options;
    };
    DemoOptions noGoods;
    noGoods.goods = 0;
    DemoOptions manyWarehouses;
    manyWarehouses.warehouses = 100;
    DemoOptions negativeLines;
    negativeLines.lines = -1;
    for (const Case& c : {Case{"goods", noGoods}, Case{"warehouses", manyWarehouses},
                          Case{"lines", negativeLines}}) {
        SCOPED_TRACE(c.name);
        EXPECT_THROW(buildDemo(calls, c.options), DytError);
    }
    // Nothing was written.
    EXPECT_EQ(0, db->scalar(u"SELECT COUNT(*) FROM baseGoods"_s).toInt());
}

}  // namespace
}  // namespace dyt::demo
