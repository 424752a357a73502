// The demo account set, built in process and by "dyt-cli demo": same seed, same figures; the
// reports agree with the ledger, and the consistency checks pass and catch planted faults.
#include <gtest/gtest.h>

#include <QDate>
#include <QDir>
#include <QSet>
#include <QTemporaryDir>

#include <cmath>

#include "common/error.h"
#include "ledger_fixture.h"
#include "records.h"
#include "server/db/database.h"
#include "server/db/password.h"
#include "server/db/schema.h"
#include "server/demo/demo_builder.h"
#include "server/procs/registry.h"
#include "server/reports/reports.h"
#include "support/serverprocess.h"
#include "window_columns.h"

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

// Columns the demo's business leaves empty: its goods have no model ("sp_xh") and keep no
// batches ("ph", "outdate", "yxqdate"), its lines no auxiliary quantity or remark, its bills no
// summary, its receipts no payment date, and nothing is reconciled.
const QSet<QString> kEmptyOnDemo = {u"sp_xh"_s,   u"ph"_s,      u"outdate"_s,
                                    u"yxqdate"_s, u"fzqty"_s,   u"comment"_s,
                                    u"summery"_s, u"sfkdate"_s, u"duizhang"_s};

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
    // A report of the first account set with the lines a query window sends, as operator 1.
    RecordSet report(const char* procedure, const char* type,
                     std::vector<std::pair<const char*, QString>> lines = {}) {
        ParamList p;
        p.setValue(u"QueryType"_s, QString::fromLatin1(type));
        for (const char* key : {"wldwStr", "zyStr", "ckStr", "bmStr", "kmStr", "GoodsStr"})
            p.setValue(QString::fromLatin1(key), u";czy_id=1"_s);
        for (const auto& [n, v] : lines)
            p.setValue(QString::fromLatin1(n), v);
        server::Registry registry;
        server::registerBaseProcedures(registry);
        server::registerReportProcedures(registry);
        server::CallContext c(db(0), p);
        c.userId = 1;
        EXPECT_EQ(0, registry.find(QString::fromLatin1(procedure))->handler(c));
        return c.data;
    }
    double sql(const char* text) { return db(0).scalar(QString::fromUtf8(text)).toDouble(); }
    static double sum(const RecordSet& rs, const char* field) {
        const int f = rs.fieldIndex(QString::fromLatin1(field));
        EXPECT_GE(f, 0) << field;
        double total = 0;
        for (int r = 0; f >= 0 && r < rs.rowCount(); ++r)
            total += dyt::test::numberOf(rs.at(r, f));
        return total;
    }
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
               "WHERE l.goodsid > 0 AND i.isredword = 0 AND i.djType NOT IN (23, 24, 25)"_s));
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

// The reports agree with the bill lines and the stock ledger they sum; the consistency checks
// pass and catch planted faults.
TEST_F(DemoSet, ReportsAgreeWithTheLedgerAndConsistencyChecksCatchPlantedFaults) {
    build(u"e.db"_s, smallSet(5));
    struct Case {
        const char* procedure;
        const char* type;
        const char* kinds;  // the bill kinds summed; returns (2) count back
    };
    const Case cases[] = {{"P_JXC_Get_XS", "SPXSTJ", "1"},
                          {"P_JXC_Get_JH", "SPJHTJ", "5"},
                          {"P_JXC_Get_XS", "SPXSTJ", "1,2"}};
    const auto posted = [&](const char* what, const char* kinds) {
        return db(0)
            .scalar(
                u"SELECT SUM(CASE a.djType WHEN 2 THEN -1 ELSE 1 END * %1) FROM djList l JOIN "
                "djIndex a ON a.id = l.id WHERE a.djType IN (%2) AND a.dj_state = 2 AND "
                "l.dj_state = 2 AND l.goodsid > 0"_s.arg(QString::fromLatin1(what),
                                                         QString::fromLatin1(kinds)))
            .toDouble();
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.type) + c.kinds);
        const double qty = posted("l.qty * l.rate", c.kinds);
        const double amount = posted("l.discounttotal", c.kinds);
        ASSERT_GT(qty, 0);
        const QString kinds = u" (%1,0) "_s.arg(QString::fromLatin1(c.kinds));
        const RecordSet top = report(c.procedure, c.type, {{"djStr", kinds}});
        EXPECT_NEAR(qty, sum(top, "Qty"), 1e-6);
        EXPECT_NEAR(amount, sum(top, "discounttotal"), 0.01);
        const RecordSet flat =
            report(c.procedure, c.type, {{"djStr", kinds}, {"GoodsStr", u";czy_id=1;isList=1"_s}});
        EXPECT_NEAR(qty, sum(flat, "Qty"), 1e-6);
        EXPECT_GT(flat.rowCount(), top.rowCount());
        // Every category row is the sum of the level below it.
        const int son = top.fieldIndex(u"sonnum"_s);
        const int id = top.fieldIndex(u"id"_s);
        const int q = top.fieldIndex(u"Qty"_s);
        for (int r = 0; r < top.rowCount(); ++r) {
            if (top.at(r, son).toLongLong() == 0)
                continue;
            const RecordSet below =
                report(c.procedure, c.type,
                       {{"djStr", kinds},
                        {"GoodsStr", u";czy_id=1;par_id=%1"_s.arg(top.at(r, id).toLongLong())}});
            EXPECT_NEAR(dyt::test::numberOf(top.at(r, q)), sum(below, "Qty"), 1e-6);
        }
    }
    // Partners divide the same sales as goods do.
    const RecordSet byPartner = report("P_JXC_Get_XS", "DWXSTJ", {{"djStr", u" (1,0) "_s}});
    EXPECT_NEAR(posted("l.discounttotal", "1"), sum(byPartner, "discounttotal"), 0.01);
    // The stock reports agree with the stock ledger.
    const double stockQty = sql("SELECT SUM(qty) FROM baseGoodsStock");
    const double stockValue = sql("SELECT SUM(total) FROM baseGoodsStock");
    ASSERT_GT(stockQty, 0);
    const RecordSet balance = report("P_JXC_Get_KC", "CKKCYEB");
    EXPECT_NEAR(stockQty, sum(balance, "Qty"), 1e-6);
    EXPECT_NEAR(stockValue, sum(balance, "total"), 0.01);
    const RecordSet move = report("P_JXC_Get_KC", "QNJXCBDB",
                                  {{"BeginDate", u"2025-01-01"_s}, {"EndDate", u"2030-12-31"_s}});
    EXPECT_NEAR(sql("SELECT SUM(qty) FROM iniGoodsStock"), sum(move, "qcQty"), 1e-6);
    EXPECT_NEAR(sql("SELECT SUM(total) FROM iniGoodsStock"), sum(move, "qcTotal"), 0.01);
    EXPECT_NEAR(stockQty, sum(move, "jcQty"), 1e-6);
    EXPECT_NEAR(stockValue, sum(move, "jcTotal"), 0.01);
    EXPECT_NEAR(sql("SELECT SUM(qty) FROM djStockDetail WHERE qty > 0"), sum(move, "rkQty"), 1e-6);
    // The goods ledger of one goods ends at its stock.
    const qint64 goods = static_cast<qint64>(
        sql("SELECT goodsid FROM djStockDetail GROUP BY goodsid ORDER BY COUNT(*) DESC, goodsid "
            "LIMIT 1"));
    const RecordSet ledger =
        report("P_JXC_Get_KC", "SPMX", {{"GoodsStr", u";czy_id=1;isSub=1;id=%1"_s.arg(goods)}});
    ASSERT_GT(ledger.rowCount(), 2);
    const double last =
        dyt::test::numberOf(ledger.at(ledger.rowCount() - 1, ledger.fieldIndex(u"jcQty"_s)));
    EXPECT_NEAR(db(0)
                    .scalar(u"SELECT SUM(qty) FROM baseGoodsStock WHERE goodsid = ?"_s, {goods})
                    .toDouble(),
                last, 1e-6);
    // The stock status report agrees with the ledger.
    const auto status = [&](const QString& condition) {
        return report("P_Base_Get_Goods", "DQKCNEW",
                      {{"GoodsStr", u";sptype=0;czy_id=1"_s + condition},
                       {"ckStr", u";czy_id=1;id="_s},
                       {"filter", u";qty=0;ckj=0"_s}});
    };
    const RecordSet levels = status(u";par_id=0"_s);
    EXPECT_EQ(5, levels.rowCount());
    EXPECT_NEAR(sql("SELECT SUM(qty) FROM baseGoodsStock"), sum(levels, "stockqty"), 1e-6);
    EXPECT_NEAR(sql("SELECT SUM(total) FROM baseGoodsStock"), sum(levels, "stockTotal"), 0.005);
    const RecordSet goodsList = status(u";isList=1"_s);
    EXPECT_EQ(40, goodsList.rowCount());
    EXPECT_NEAR(sum(levels, "lstotal"), sum(goodsList, "lstotal"), 0.005);
    const qint64 first = levels.at(0, levels.fieldIndex(u"id"_s)).toLongLong();
    const RecordSet level = status(u";par_id=%1"_s.arg(first));
    EXPECT_NEAR(dyt::test::numberOf(levels.at(0, levels.fieldIndex(u"stockqty"_s))),
                sum(level, "stockqty"), 1e-6);
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

// The boss report's totals are the posted bills' sums and the balances of the ledgers; the
// business status rows of a range add up to them; the monthly trends are the monthly rows; the
// gross profit of the bill lines with the other income and expenses is the profit of the books.
TEST_F(DemoSet, BossReportAgreesWithTheBillsTheLedgersAndTheBusinessStatusReports) {
    build(u"boss.db"_s, smallSet(7));
    // The red copy of the reversal may be dated today.
    const QString last = QDate::currentDate().addDays(1).toString(Qt::ISODate);
    const std::vector<std::pair<const char*, QString>> range = {{"BeginDate", u"2025-01-01"_s},
                                                                {"EndDate", last}};
    const RecordSet totals = report("P_JXC_Get_LBBB", "LBBBTJ", range);
    ASSERT_EQ(13, totals.rowCount());
    const auto item = [&](int id) {
        EXPECT_EQ(id, totals.at(id - 1, totals.fieldIndex(u"id"_s)).toInt());
        return dyt::test::numberOf(totals.at(id - 1, totals.fieldIndex(u"total"_s)));
    };
    const auto lines = [&](const char* what, const char* kinds) {
        return db(0)
            .scalar(
                u"SELECT SUM(CASE a.djType WHEN 1 THEN 1 WHEN 5 THEN 1 ELSE -1 END * %1) FROM "
                "djList l JOIN djIndex a ON a.id = l.id WHERE a.djType IN (%2) AND "
                "a.dj_state = 2 AND l.dj_state = 2 AND l.goodsid > 0"_s.arg(
                    QString::fromLatin1(what), QString::fromLatin1(kinds)))
            .toDouble();
    };
    const double profit = lines("(l.taxTotalSum - l.taxtotal - l.costtotal)", "1, 2, 3");
    const std::pair<int, double> direct[] = {
        {1, lines("l.taxTotalSum", "5")},
        {2, -lines("l.taxTotalSum", "6")},
        {3, lines("l.taxTotalSum", "1")},
        {4, -lines("l.taxTotalSum", "2")},
        {5, profit},
        {6, sql("SELECT SUM(ystotal) FROM baseWLDW WHERE sonnum = 0")},
        {7, sql("SELECT SUM(yftotal) FROM baseWLDW WHERE sonnum = 0")},
        {8, sql("SELECT SUM(total) FROM baseGoodsStock")},
        {9, sql("SELECT Total FROM baseKM WHERE id = 8")},
        {10, sql("SELECT Total FROM baseKM WHERE id = 9")},
        {13, sql("SELECT Total FROM baseKM WHERE id = 3") -
                 sql("SELECT Total FROM baseKM WHERE id = 4")}};
    for (const auto& [id, expected] : direct) {
        SCOPED_TRACE(id);
        EXPECT_NE(0.0, expected);
        EXPECT_NEAR(expected, item(id), 0.01);
    }
    // Each period report adds up to the totals.
    const std::pair<const char*, int> columns[] = {
        {"jhTotal", 1}, {"jhthTotal", 2}, {"xsTotal", 3},  {"xsthTotal", 4},
        {"ml", 5},      {"srTotal", 11},  {"zcTotal", 12}, {"lr", 13}};
    const RecordSet months = report("P_JXC_Get_Other", "JYZKYB", range);
    for (const char* type : {"JYZKRB", "JYZKYB", "JYZKNB"}) {
        const RecordSet rows = report("P_JXC_Get_Other", type, range);
        for (const auto& [column, id] : columns) {
            SCOPED_TRACE(std::string(type) + column);
            EXPECT_NEAR(item(id), sum(rows, column), 0.01);
        }
    }
    EXPECT_EQ(u"2025-01"_s, months.at(0, months.fieldIndex(u"date"_s)).toString());
    // The analyses: sales by category, and the monthly trends of the monthly report.
    const auto analysis = [&](int k) {
        auto withItem = range;
        withItem.push_back({"filter", u";ListItem=%1"_s.arg(k)});
        return report("P_JXC_Get_LBBB", "LBBBFX", withItem);
    };
    EXPECT_NEAR(item(3) - item(4), sum(analysis(0), "total"), 0.01);
    const char* const trends[] = {"xsTotal", "skTotal", "ml", "lr"};
    for (int k = 1; k <= 4; ++k) {
        SCOPED_TRACE(k);
        const RecordSet points = analysis(k);
        ASSERT_EQ(months.rowCount(), points.rowCount());
        for (int r = 0; r < points.rowCount(); ++r) {
            EXPECT_EQ(months.at(r, months.fieldIndex(u"date"_s)),
                      points.at(r, points.fieldIndex(u"fullname"_s)));
            EXPECT_NEAR(dyt::test::numberOf(
                            months.at(r, months.fieldIndex(QString::fromLatin1(trends[k - 1])))),
                        dyt::test::numberOf(points.at(r, points.fieldIndex(u"total"_s))), 0.005);
        }
    }
    // Bad analyses and ranges too long for one answer are refused.
    EXPECT_EQ(u"查询条件[ListItem]只能是0到4：5"_s, dyt::test::errorOf([&] {
                  report("P_JXC_Get_LBBB", "LBBBFX", {{"filter", u";ListItem=5"_s}});
              }));
    EXPECT_EQ(u"查询的日期范围太长，最多只能查询3660天！"_s, dyt::test::errorOf([&] {
                  report("P_JXC_Get_Other", "JYZKRB",
                         {{"BeginDate", u"2000-01-01"_s}, {"EndDate", u"2010-12-31"_s}});
              }));
}

// The profit statement's sales, cost and gross profit are those of the sales lines, its gross
// profit and profit the boss report's, its year to date the range from the first of January; the
// balance sheet balances at the end of every month and holds the stock and the cash of the ledger.
TEST_F(DemoSet, ProfitStatementAgreesWithTheBossReportAndTheBalanceSheetBalancesEveryMonth) {
    build(u"cw.db"_s, smallSet(7));
    const QDate lastBill = QDate::fromString(
        db(0).scalar(u"SELECT MAX(date) FROM djIndex WHERE dj_state = 2"_s).toString(), Qt::ISODate);
    const auto line = [](const RecordSet& rs, const QString& name, const char* field) {
        for (int r = 0; r < rs.rowCount(); ++r) {
            if (rs.at(r, rs.fieldIndex(u"fullname"_s)).toString() == name)
                return dyt::test::numberOf(rs.at(r, rs.fieldIndex(QString::fromLatin1(field))));
        }
        ADD_FAILURE() << name.toStdString();
        return std::nan("");
    };
    const auto sales = [&](const char* what, const QString& end) {
        return db(0)
            .scalar(u"SELECT SUM(CASE a.djType WHEN 1 THEN 1 ELSE -1 END * %1) FROM djList l "
                    "JOIN djIndex a ON a.id = l.id WHERE a.djType IN (1, 2, 3) AND a.dj_state = 2 "
                    "AND l.dj_state = 2 AND l.goodsid > 0 AND a.date <= '%2'"_s.arg(
                        QString::fromLatin1(what), end))
            .toDouble();
    };
    for (const QString& end : {u"2025-02-28"_s, u"2025-03-31"_s}) {
        SCOPED_TRACE(qPrintable(end));
        const std::vector<std::pair<const char*, QString>> range = {{"BeginDate", u"2025-01-01"_s},
                                                                    {"EndDate", end}};
        const RecordSet lrb = report("P_JXC_Get_CW", "LRB", range);
        const RecordSet boss = report("P_JXC_Get_LBBB", "LBBBTJ", range);
        const double revenue = sales("(l.taxTotalSum - l.taxtotal)", end);
        const double cost = sales("l.costtotal", end);
        ASSERT_GT(revenue, cost);
        const std::pair<const char*, double> expected[] = {
            {"一、销售收入", revenue},
            {"减：销售成本", cost},
            {"二、销售毛利", revenue - cost},
            {"二、销售毛利", line(boss, u"销售毛利"_s, "total")},
            {"三、利润", line(boss, u"净利润"_s, "total")}};
        for (const auto& [name, value] : expected) {
            EXPECT_NEAR(value, line(lrb, QString::fromUtf8(name), "total"), 0.01) << name;
            EXPECT_NEAR(value, line(lrb, QString::fromUtf8(name), "yearTotal"), 0.01) << name;
        }
        // A later range of the same year keeps the year to date.
        const RecordSet day = report("P_JXC_Get_CW", "LRB", {{"BeginDate", end}, {"EndDate", end}});
        EXPECT_NEAR(line(lrb, u"三、利润"_s, "total"), line(day, u"三、利润"_s, "yearTotal"), 0.01);
    }
    int months = 0;
    for (QDate m(2025, 1, 1); m <= lastBill; m = m.addMonths(1), ++months) {
        const QDate end = m.addMonths(1).addDays(-1);
        SCOPED_TRACE(qPrintable(end.toString(Qt::ISODate)));
        const RecordSet sheet = report(
            "P_Base_Get_KM", "ZCFZB",
            {{"BeginDate", m.toString(Qt::ISODate)}, {"EndDate", end.toString(Qt::ISODate)}});
        for (const char* field : {"qcTotal", "qmTotal"}) {
            const double assets = line(sheet, u"【资产类】"_s, field);
            EXPECT_GT(assets, 0) << field;
            EXPECT_NEAR(assets, line(sheet, u"负债和所有者权益合计"_s, field), 0.01) << field;
        }
        if (end >= lastBill) {
            EXPECT_NEAR(sql("SELECT SUM(total) FROM baseGoodsStock"),
                        line(sheet, u"库存商品"_s, "qmTotal"), 0.01);
            EXPECT_NEAR(sql("SELECT Total FROM baseKM WHERE id = 8"),
                        line(sheet, u"现金"_s, "qmTotal"), 0.01);
        }
    }
    EXPECT_GE(months, 3);
}

// The demo's finances, worked out from its fixed figures: a van of 120000 depreciated 1900 a month
// (95 % over 60 months), 36000 of rent paid ahead and 3000 a month amortised, and every month
// one cash expense, one service invoice and one other income.
TEST_F(DemoSet, FinanceBillsGiveTheStatementsTheirFigures) {
    build(u"f.db"_s, smallSet(5));
    EXPECT_EQ((QStringList{u"17|3"_s, u"18|3"_s, u"19|3"_s, u"23|1"_s, u"24|3"_s, u"26|1"_s,
                           u"27|3"_s}),
              dyt::test::rowTexts(db(0).query(
                  u"SELECT djType, COUNT(*) FROM djIndex WHERE dj_state = 2 AND djType IN (17, "
                  "18, 19, 23, 24, 26, 27) GROUP BY djType ORDER BY djType"_s)));
    EXPECT_EQ((QStringList{u"120000|5700|0"_s}),
              dyt::test::rowTexts(db(0).query(u"SELECT yz, ljzj, isSold FROM GDZCDetail"_s)));
    const auto line = [](const RecordSet& rs, const char* name, const char* field) {
        for (int r = 0; r < rs.rowCount(); ++r) {
            if (rs.at(r, rs.fieldIndex(u"fullname"_s)).toString() == QString::fromUtf8(name))
                return dyt::test::numberOf(rs.at(r, rs.fieldIndex(QString::fromLatin1(field))));
        }
        ADD_FAILURE() << name;
        return std::nan("");
    };
    const std::vector<std::pair<const char*, QString>> quarter = {{"BeginDate", u"2025-01-01"_s},
                                                                  {"EndDate", u"2025-03-31"_s}};
    const RecordSet lrb = report("P_JXC_Get_CW", "LRB", quarter);
    EXPECT_NEAR(5700, line(lrb, "折旧费用", "total"), 0.005);
    EXPECT_NEAR(9000, line(lrb, "摊销费用", "total"), 0.005);
    const RecordSet february = report("P_JXC_Get_CW", "LRB",
                                      {{"BeginDate", u"2025-02-01"_s}, {"EndDate", u"2025-02-28"_s}});
    EXPECT_NEAR(1900, line(february, "折旧费用", "total"), 0.005);
    EXPECT_NEAR(3800, line(february, "折旧费用", "yearTotal"), 0.005);
    const RecordSet sheet = report("P_Base_Get_KM", "ZCFZB", quarter);
    const std::pair<const char*, double> closing[] = {
        {"固定资产", 120000}, {"累计折旧", 5700}, {"待摊费用", 27000}};
    for (const auto& [name, value] : closing)
        EXPECT_NEAR(value, line(sheet, name, "qmTotal"), 0.005) << name;
}

// The receivables reports read the partner ledger: per partner they are its balances, a
// partner's ledger ends at its balance from any begin date, and an overdue list holds exactly the
// bills owing money past their payment date (the demo settles no bill by receipt, so what a bill
// owes is its own movement of the partner's balance).
TEST_F(DemoSet, ReceivablesReportsAreThePartnerBalancesAndOverdueListsTheOpenBills) {
    build(u"w.db"_s, smallSet(7));
    const auto value = [](const RecordSet& rs, int row, const char* field) {
        const int f = rs.fieldIndex(QString::fromLatin1(field));
        return std::round(dyt::test::numberOf(rs.at(row, f)) * 100) / 100;
    };
    const auto balances = [&](const RecordSet& rs) {
        std::string out;
        for (int r = 0; r < rs.rowCount(); ++r) {
            out += rs.at(r, rs.fieldIndex(u"id"_s)).toString().toStdString() + ':';
            for (const char* f : {"ystotal", "yftotal", "yushoutotal", "yufutotal"})
                out += QString::number(value(rs, r, f)).toStdString() + '/';
        }
        return out;
    };
    ASSERT_GT(sql("SELECT COUNT(*) FROM baseWLDW WHERE ystotal <> 0"), 2);
    ASSERT_GT(sql("SELECT COUNT(*) FROM baseWLDW WHERE yftotal <> 0"), 2);
    EXPECT_EQ(balances(db(0).query(
                  u"SELECT id, ystotal, yftotal, yushoutotal, yufutotal FROM baseWLDW WHERE "
                  "sonnum = 0 AND id IN (SELECT wldw_id FROM djWLDWDetail) ORDER BY code, id"_s)),
              balances(report("P_JXC_Get_WL", "DWYSYF", {{"wldwStr", u";czy_id=1;isList=1"_s}})));
    const RecordSet top = report("P_JXC_Get_WL", "DWYSYF");
    EXPECT_NEAR(sql("SELECT SUM(ystotal) FROM baseWLDW"), sum(top, "ystotal"), 0.005);
    EXPECT_NEAR(sql("SELECT SUM(yftotal) FROM baseWLDW"), sum(top, "yftotal"), 0.005);
    // The busiest customer's and supplier's ledgers, whole and from the middle of their bills.
    for (const QString& side : {u"ys"_s, u"yf"_s}) {
        const RecordSet busiest = db(0).query(
            u"SELECT d.wldw_id, MIN(d.date), MAX(d.date), w.%1total FROM djWLDWDetail AS d JOIN "
            "baseWLDW AS w ON w.id = d.wldw_id WHERE d.%1Total <> 0 GROUP BY d.wldw_id, "
            "w.%1total ORDER BY COUNT(*) DESC, d.wldw_id LIMIT 1"_s.arg(side));
        const QDate first = QDate::fromString(busiest.at(0, 1).toString().left(10), Qt::ISODate);
        const QDate last = QDate::fromString(busiest.at(0, 2).toString().left(10), Qt::ISODate);
        for (const QDate& begin : {QDate(), first.addDays(first.daysTo(last) / 2)}) {
            SCOPED_TRACE(qPrintable(side + begin.toString(Qt::ISODate)));
            const RecordSet ledger =
                report("P_JXC_Get_WL", "DWYFMX",
                       {{"wldwStr", u";czy_id=1;id="_s + busiest.at(0, 0).toString()},
                        {"BeginDate", begin.toString(Qt::ISODate)},
                        {"filter", side == u"ys"_s ? u";mxtype=0"_s : u";mxtype=1"_s}});
            ASSERT_GT(ledger.rowCount(), 2);
            const double balance = value(busiest, 0, qPrintable(side + u"total"_s));
            EXPECT_NEAR(balance, value(ledger, ledger.rowCount() - 1, "yeTotal"), 0.005);
            EXPECT_NEAR(balance - value(ledger, 0, "yeTotal"),
                        sum(ledger, "zjTotal") - sum(ledger, "jsTotal"), 0.005);
        }
    }
    // Payment terms of up to 44 days (none when the term falls on the bill date), cut off half
    // a year after the first bill.
    db(0).execute(
        u"UPDATE djIndex SET sfkDate = date(date, '+' || (id % 45) || ' day') WHERE "
        "djType IN (1, 5)"_s);
    const QString cutoff =
        db(0).scalar(u"SELECT date(MIN(date), '+6 months') FROM djIndex"_s).toString();
    for (const auto& [type, kind, side] : {std::tuple{"CQYSK", 1, "ys"}, {"CQYFK", 5, "yf"}}) {
        SCOPED_TRACE(type);
        const RecordSet owed = db(0).query(
            u"SELECT a.id, (SELECT SUM(d.%1Total) FROM djWLDWDetail AS d WHERE d.id = a.id AND "
            "d.wldw_id = a.wldw_id) AS owed FROM djIndex AS a WHERE a.djType = ? AND a.dj_state "
            "= 2 AND a.isred = 0 AND a.isredword = 0 AND a.sfkDate <> a.date AND a.sfkDate < ? "
            "AND owed > 0 ORDER BY a.sfkDate, a.date, a.id"_s.arg(QString::fromLatin1(side)),
            {kind, cutoff});
        const RecordSet overdue =
            report("P_JXC_Get_WL", type, {{"filter", u";enddate="_s + cutoff}});
        ASSERT_GT(owed.rowCount(), 3);
        EXPECT_LT(owed.rowCount(),
                  db(0)
                      .scalar(u"SELECT COUNT(*) FROM djIndex WHERE djType = ? AND sfkDate < ?"_s,
                              {kind, cutoff})
                      .toInt());
        EXPECT_EQ(dyt::test::idsOf(owed), dyt::test::idsOf(overdue));
        EXPECT_NEAR(sum(owed, "owed"), sum(overdue, "qkTotal"), 0.005);
    }
}

// The account ledger ends on each account's balance: every account in one run, and cash, the
// bank accounts, income and expenses (categories with their accounts) one by one, from the
// opening date and from the middle of the business, where the balance before the range and the
// lines of the range add up to it.
TEST_F(DemoSet, AccountLedgerEndsOnEveryAccountBalance) {
    build(u"k.db"_s, smallSet(7));
    const auto balance = [&](qint64 km) {
        return sql(qPrintable(u"SELECT Total FROM baseKM WHERE id = %1"_s.arg(km)));
    };
    const RecordSet all = report("P_JXC_Get_CW", "KMMXZ");
    const int name = all.fieldIndex(u"djName"_s), km = all.fieldIndex(u"km_id"_s);
    QSet<qint64> closed;
    for (int r = 0; r < all.rowCount(); ++r) {
        if (all.at(r, name).toString() != u"期末"_s)
            continue;
        closed.insert(all.at(r, km).toLongLong());
        EXPECT_NEAR(balance(all.at(r, km).toLongLong()),
                    dyt::test::numberOf(all.at(r, all.fieldIndex(u"yeTotal"_s))), 0.005)
            << all.at(r, km).toLongLong();
    }
    const RecordSet moved = db(0).query(
        u"SELECT DISTINCT km_id FROM djKmDetail WHERE type = 0 AND dj_state = 2 UNION SELECT id "
        "FROM baseKM WHERE sonnum = 0 AND Total00 <> 0"_s);
    ASSERT_GT(moved.rowCount(), 5);
    for (int r = 0; r < moved.rowCount(); ++r)
        EXPECT_TRUE(closed.contains(moved.at(r, 0).toLongLong())) << moved.at(r, 0).toLongLong();
    ASSERT_GT(sql("SELECT COUNT(*) FROM djKmDetail WHERE km_id = 36"), 3);
    const QString middle =
        db(0)
            .scalar(
                u"SELECT date(MIN(date), '+' || CAST((julianday(MAX(date)) - "
                "julianday(MIN(date))) / 2 AS INTEGER) || ' day') FROM djKmDetail"_s)
            .toString();
    for (qint64 account : {8, 9, 3, 4}) {
        for (const QString& begin : {QString(), middle}) {
            SCOPED_TRACE(qPrintable(u"%1 %2"_s.arg(account).arg(begin)));
            const RecordSet ledger =
                report("P_JXC_Get_CW", "KMMXZ",
                       {{"kmStr", u";czy_id=1;id=%1"_s.arg(account)}, {"BeginDate", begin}});
            ASSERT_GT(ledger.rowCount(), 3);
            const int last = ledger.rowCount() - 1;
            const int ye = ledger.fieldIndex(u"yeTotal"_s);
            const double dc = account == 3 ? -1 : 1;
            EXPECT_NEAR(balance(account), dyt::test::numberOf(ledger.at(last, ye)), 0.005);
            EXPECT_NEAR(balance(account) - dyt::test::numberOf(ledger.at(0, ye)),
                        dc * (sum(ledger, "dbTotal") - sum(ledger, "LendTotal")), 0.005);
        }
    }
}

// The repair posts every bill again from the opening data: on the demo it changes no ledger
// row, balance, cost, fulfilment or settlement, and it mends figures changed behind the ledger.
// Every window of a report with figures shows, on the demo, what its report answers.
TEST_F(DemoSet, EveryWindowShowsTheNamesAndFiguresItsReportAnswers) {
    build(u"w.db"_s, smallSet(6));
    int windows = 0;
    for (const QueryDescriptor& d : queryDescriptors()) {
        const server::ReportInfo* info = server::findReport(d.procedure, d.queryType());
        // The demo holds no goods with partners: the consignment ledgers show their opening.
        if (!info || !info->realFigures || d.procedure == u"P_JXC_Get_DX"_s)
            continue;
        SCOPED_TRACE(qPrintable(d.className + u' ' + d.queryType()));
        std::vector<std::pair<const char*, QString>> lines;
        for (const auto& [name, value] : server::test::topLevelLines(d))
            lines.push_back({name, QString::fromUtf8(value)});
        const RecordSet rs = report(d.procedure.toLatin1().constData(),
                                    d.queryType().toLatin1().constData(), lines);
        const auto faults = server::test::windowColumnFaults(
            d, rs, [](const QString& field) { return kEmptyOnDemo.contains(field.toLower()); });
        EXPECT_EQ("", faults.absent.join(u' ').toStdString());
        EXPECT_EQ("", faults.empty.join(u' ').toStdString()) << rs.rowCount() << " rows";
        EXPECT_EQ("", faults.unshown.join(u' ').toStdString());
        ++windows;
    }
    EXPECT_GT(windows, 90);
}

TEST_F(DemoSet, RepairChangesNothingOnTheDemoAndMendsWhatWasChangedBehindTheLedger) {
    build(u"r.db"_s, smallSet(6));
    const auto ledgers = [this] { return ledgertest::ledgerRows(db(0)); };
    const QStringList before = ledgers();
    for (const char* fault :
         {"UPDATE baseGoodsStock SET qty = qty + 3, total = total + 7 WHERE id IN (SELECT id "
          "FROM baseGoodsStock WHERE qty > 0 ORDER BY id DESC LIMIT 2)",
          "UPDATE baseWLDW SET ystotal = ystotal + 10, yftotal = 5",
          "UPDATE baseKM SET Total = Total + 1",
          "UPDATE djList SET costtotal = 0, toQty = 0 WHERE goodsid > 0",
          "UPDATE djIndex SET sfkTotalLj = 0, isOver = 0 WHERE isOver < 2 AND isredword = 0",
          "DELETE FROM djKmDetail WHERE type = 0 AND id = (SELECT MAX(id) FROM djIndex)"})
        db(0).execute(QString::fromUtf8(fault));
    ASSERT_NE(before, ledgers());
    LocalDemoCalls calls(db(0), 1);
    ParamList none;
    EXPECT_EQ(0, calls.proc(u"p_sys_Up_DatabaseRepair"_s, none));
    calls.flush();
    const QStringList after = ledgers();
    ASSERT_EQ(before.size(), after.size());
    for (qsizetype i = 0; i < before.size(); ++i)
        EXPECT_EQ(before[i].toStdString(), after[i].toStdString());
    EXPECT_EQ(sql("SELECT COUNT(*) FROM djIndex WHERE dj_state = 2"),
              none.value(u"BillCount"_s).toDouble());
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
        Database::open(server.accountSetPath(u"dytv1_1"_s), Database::Mode::ReadOnly);
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
