// The reports on a demo account set agree with the bill lines and the stock ledger they sum.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <cmath>

#include "common/currency.h"
#include "records.h"
#include "server/db/database.h"
#include "server/db/password.h"
#include "server/db/schema.h"
#include "server/demo/demo_builder.h"
#include "server/procs/registry.h"
#include "server/reports/reports.h"

using namespace Qt::StringLiterals;

namespace dyt::server::test {
namespace {

using dyt::test::numberOf;

double sum(const RecordSet& rs, const char* field) {
    const int f = rs.fieldIndex(QString::fromLatin1(field));
    EXPECT_GE(f, 0) << field;
    double total = 0;
    for (int r = 0; f >= 0 && r < rs.rowCount(); ++r)
        total += numberOf(rs.at(r, f));
    return total;
}

class DemoReports : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        db_ = Database::open(dir_.filePath(u"demo.db"_s), Database::Mode::ReadWriteCreate);
        {
            Transaction tx(*db_);
            schema::createAccountSet(db_->handle(), u"演示账套"_s, password::hash(QString()));
            tx.commit();
        }
        demo::DemoOptions o;
        o.seed = 5;
        o.goods = 40;
        o.lines = 300;
        demo::LocalDemoCalls calls(*db_, 50);
        demo::buildDemo(calls, o);
        calls.flush();
        registerReportProcedures(registry_);
        registerBaseProcedures(registry_);
    }
    RecordSet report(const char* procedure, const char* type,
                     std::vector<std::pair<const char*, QString>> lines = {}) {
        ParamList p;
        p.setValue(u"QueryType"_s, QString::fromLatin1(type));
        for (const char* key : {"wldwStr", "zyStr", "ckStr", "bmStr", "kmStr", "GoodsStr"})
            p.setValue(QString::fromLatin1(key), u";czy_id=1"_s);
        for (const auto& [n, v] : lines)
            p.setValue(QString::fromLatin1(n), v);
        CallContext c(*db_, p);
        c.userId = 1;
        EXPECT_EQ(0, registry_.find(QString::fromLatin1(procedure))->handler(c));
        return c.data;
    }
    double sql(const char* text) { return db_->scalar(QString::fromUtf8(text)).toDouble(); }
    QTemporaryDir dir_;
    std::unique_ptr<Database> db_;
    Registry registry_;
};

TEST_F(DemoReports, SalesPurchaseAndStockReportsAgreeWithThePostedLinesAndTheLedger) {
    struct Case {
        const char* procedure;
        const char* type;
        const char* kinds;  // the bill kinds summed; returns (2) count back
    };
    const Case cases[] = {{"P_JXC_Get_XS", "SPXSTJ", "1"},
                          {"P_JXC_Get_JH", "SPJHTJ", "5"},
                          {"P_JXC_Get_XS", "SPXSTJ", "1,2"}};
    const auto posted = [&](const char* what, const char* kinds) {
        return db_
            ->scalar(
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
            EXPECT_NEAR(numberOf(top.at(r, q)), sum(below, "Qty"), 1e-6);
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
    const double last = numberOf(ledger.at(ledger.rowCount() - 1, ledger.fieldIndex(u"jcQty"_s)));
    EXPECT_NEAR(
        db_->scalar(u"SELECT SUM(qty) FROM baseGoodsStock WHERE goodsid = ?"_s, {goods}).toDouble(),
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
    EXPECT_NEAR(numberOf(levels.at(0, levels.fieldIndex(u"stockqty"_s))), sum(level, "stockqty"),
                1e-6);
}

}  // namespace
}  // namespace dyt::server::test
