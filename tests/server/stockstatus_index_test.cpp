// The stock status report's index (schema version 3): a new account set has it, an account set
// of version 2 gets it on upgrade, and the report's reads of the stock ledger use it alone.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QTemporaryDir>

#include "server/db/database.h"
#include "server/db/schema.h"
#include "server/db/schema_internal.h"

using namespace Qt::StringLiterals;

namespace dyt::server {
namespace {

class StockStatusIndex : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        db_ = Database::open(dir_.filePath(u"a.db"_s), Database::Mode::ReadWriteCreate);
        Transaction tx(*db_);
        schema::createAccountSet(db_->handle(), u"测试"_s, QString());
        tx.commit();
    }
    int indexCount() {
        return db_
            ->scalar(
                u"SELECT count(*) FROM sqlite_master WHERE type = "
                "'index' AND name = 'ix_baseGoodsStock_report'"_s)
            .toInt();
    }
    QString plan(const QString& sql) {
        const RecordSet rs = db_->query(u"EXPLAIN QUERY PLAN "_s + sql);
        QStringList details;
        for (int r = 0; r < rs.rowCount(); ++r)
            details << rs.at(r, rs.fieldIndex(u"detail"_s)).toString();
        return details.join(u'|');
    }

    QTemporaryDir dir_;
    std::unique_ptr<Database> db_;
};

TEST_F(StockStatusIndex, NewAndUpgradedAccountSetsHaveIt) {
    EXPECT_EQ(1, indexCount());
    EXPECT_LE(3, schema::currentVersion());

    // An account set of version 2: without the index until it is upgraded.
    db_->execute(u"DROP INDEX ix_baseGoodsStock_report"_s);
    schema::detail::setStoredVersion(db_->handle(), 2);
    EXPECT_EQ(0, indexCount());
    Transaction tx(*db_);
    schema::upgrade(db_->handle());
    tx.commit();
    EXPECT_EQ(1, indexCount());
    EXPECT_EQ(schema::currentVersion(), schema::storedVersion(db_->handle()));
}

TEST_F(StockStatusIndex, TheReportReadsTheStockFromTheIndexAlone) {
    const struct {
        const char* name;
        const char* sql;
    } cases[] = {
        {"whole ledger by goods",
         "SELECT goodsid, SUM(qty), SUM(total) FROM baseGoodsStock WHERE 1 = 1 GROUP BY goodsid"},
        {"one goods", "SELECT SUM(qty), SUM(total) FROM baseGoodsStock WHERE goodsid = 5"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString p = plan(QString::fromLatin1(c.sql));
        EXPECT_TRUE(p.contains(u"COVERING INDEX ix_baseGoodsStock_report"_s)) << p.toStdString();
    }
}

}  // namespace
}  // namespace dyt::server
