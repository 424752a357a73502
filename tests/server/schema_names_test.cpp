// Every table and column that the system's SQL texts and packets name exists in a fresh account
// set (the corpus tests/data/schema_names.tsv), with the column types the conventions ask.

#include <QHash>
#include <QSet>

#include "schema_test_util.h"

using namespace Qt::StringLiterals;

namespace {

using dyt::schematest::query;
using dyt::schematest::readTsv;
using dyt::schematest::scalar;
using dyt::schematest::SchemaAccountSetTest;

// Lower-cased column names of a table.
QSet<QString> columnsOf(sqlite3* db, const QString& table) {
    QSet<QString> out;
    for (const QStringList& r : query(db, u"PRAGMA table_info(\"%1\")"_s.arg(table))) {
        out.insert(r.value(1).toLower());
    }
    return out;
}

TEST_F(SchemaAccountSetTest, EveryHarvestedTableAndColumnExistsWithoutRegardToCaseAndIsIndexed) {
    const auto names = readTsv(u"schema_names.tsv"_s, false);
    ASSERT_GT(names.size(), 300u);
    QHash<QString, QSet<QString>> cache;
    int missing = 0;
    for (const QStringList& n : names) {
        ASSERT_EQ(n.size(), 2) << n.join(QLatin1Char('|')).toStdString();
        const QString table = n[0];
        if (!cache.contains(table))
            cache.insert(table, columnsOf(db_, table));
        const QSet<QString>& cols = cache[table];
        EXPECT_FALSE(cols.isEmpty()) << "table missing: " << table.toStdString();
        if (!cols.contains(n[1].toLower())) {
            ++missing;
            ADD_FAILURE() << "column missing: " << table.toStdString() << "." << n[1].toStdString();
        }
    }
    EXPECT_EQ(missing, 0);
    // Names are found without regard to case, and indexes serve the frequent lookups.
    // The system's texts spell the same table in several ways (djIndex, djindex, sysDjb, sysdjb).
    for (const char* spelled :
         {"djindex", "DJINDEX", "sysdjb", "basewldw", "syspurview", "sysconf"}) {
        EXPECT_EQ(
            scalar(db_, u"SELECT count(*) FROM %1 WHERE 1 = 0"_s.arg(QString::fromUtf8(spelled))),
            u"0"_s)
            << spelled;
    }
    // Codes and names compare without regard to case too.
    ASSERT_EQ(dyt::schematest::run(db_,
                                   u"INSERT INTO baseGoods(id, par_jl, code, fullname, pym) "
                                   "VALUES (7, '7,', 'ab-01', 'Widget', 'WG')"_s),
              SQLITE_OK);
    EXPECT_EQ(scalar(db_, u"SELECT id FROM baseGoods WHERE code = 'AB-01'"_s), u"7"_s);
    EXPECT_EQ(scalar(db_, u"SELECT id FROM baseGoods WHERE fullname = 'WIDGET'"_s), u"7"_s);
    EXPECT_EQ(scalar(db_, u"SELECT sysValue FROM sysData WHERE Name = 'autosn'"_s), u"1"_s);
    struct Case {
        const char* sql;
        const char* index;
    };
    const Case cases[] = {
        {"SELECT * FROM djIndex WHERE date >= '2024-01-01'", "ix_djIndex_date"},
        {"SELECT * FROM djIndex WHERE djType = 1 AND date >= '2024-01-01'", "ix_djIndex_type"},
        {"SELECT * FROM djList WHERE id = 5", "ix_djList_bill"},
        {"SELECT * FROM djList WHERE goodsid = 5 AND dj_state <> 0", "ix_djList_goods"},
        {"SELECT * FROM baseGoods WHERE par_id = 3", "ix_baseGoods_par"},
        {"SELECT * FROM baseWLDW WHERE code = 'K01'", "ix_baseWLDW_code"},
        {"SELECT * FROM baseGoodsStock WHERE goodsid = 1 AND stockid = 2",
         "ix_baseGoodsStock_goods"},
        {"SELECT top1.id FROM baseGoods AS top1 WHERE top1.updateTime > '2024-01-01'",
         "ix_baseGoods_update"},
        // The stock status report reads the stock ledger from its index alone.
        {"SELECT goodsid, SUM(qty), SUM(total) FROM baseGoodsStock WHERE 1 = 1 GROUP BY goodsid",
         "COVERING INDEX ix_baseGoodsStock_report"},
        {"SELECT SUM(qty), SUM(total) FROM baseGoodsStock WHERE goodsid = 5",
         "COVERING INDEX ix_baseGoodsStock_report"}};
    for (const Case& c : cases) {
        QString plan;
        for (const QStringList& r :
             query(db_, u"EXPLAIN QUERY PLAN "_s + QString::fromUtf8(c.sql))) {
            plan += r.value(3) + QLatin1Char('\n');
        }
        EXPECT_TRUE(plan.contains(QString::fromUtf8(c.index))) << c.sql << "\n"
                                                               << plan.toStdString();
    }
}

}  // namespace
