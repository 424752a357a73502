// Seed data of a fresh account set: bill kinds and their counters, operator 1, accounts, the
// seeded trees, the current period and the version.

#include <QDate>

#include "protocol/billkinds.h"
#include "schema_test_util.h"

using namespace Qt::StringLiterals;

namespace {

using dyt::schematest::query;
using dyt::schematest::scalar;
using dyt::schematest::SchemaAccountSetTest;

TEST_F(SchemaAccountSetTest, BillKindsOperatorOneAndTheInterfaceRolesAreSeeded) {
    EXPECT_EQ(scalar(db_, u"SELECT count(DISTINCT NumHead) FROM sysDjb"_s),
              scalar(db_, u"SELECT count(*) FROM sysDjb"_s));
    // The format starts with the quoted prefix and ends with a counter mask.
    EXPECT_EQ(scalar(db_,
                     u"SELECT count(*) FROM sysDjb WHERE substr(SNFormat, 1, length(NumHead) + 2) "
                     "<> '\"' || NumHead || '\"' OR SNFormat NOT LIKE '%[00000]'"_s),
              u"0"_s);
    // The seed writes every row of the bill-kind table the client opens bills by, and no other;
    // the stocktake, made in a window of its own, has none.
    size_t seeded = 0;
    for (const dyt::BillKindRow& k : dyt::billKindRows()) {
        const auto r = query(
            db_, u"SELECT fullname, menuid, NumHead FROM sysDjb WHERE id = %1"_s.arg(k.djType));
        if (k.ownEntries()) {
            EXPECT_EQ(r.size(), 0u) << k.djType;
            continue;
        }
        ++seeded;
        ASSERT_EQ(r.size(), 1u) << k.djType;
        EXPECT_EQ(r[0], (QStringList{k.kindName(), QString::number(k.menuTag), k.numberHead()}));
    }
    EXPECT_EQ(scalar(db_, u"SELECT count(*) FROM sysDjb"_s), QString::number(seeded));
    EXPECT_EQ(69u, seeded);
    // Every kind has its counter, starting at zero.
    EXPECT_EQ(scalar(db_, u"SELECT count(*) FROM sysbillNo"_s), u"70"_s);
    EXPECT_EQ(scalar(db_,
                     u"SELECT count(*) FROM sysbillNo WHERE yearMaxNo <> 0 OR "
                     "monthMaxNo <> 0 OR dayMaxNo <> 0"_s),
              u"0"_s);
    EXPECT_EQ(scalar(db_,
                     u"SELECT count(*) FROM sysDjb WHERE id NOT IN "
                     "(SELECT id FROM sysbillNo)"_s),
              u"0"_s);
    // Operator 1 and the interface roles are seeded.
    auto r = query(db_,
                   u"  SELECT a.*,b.code,b.fullname FROM sysuser AS a,baseZY AS b "
                   " WHERE a.id = b.id"_s);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0][0], u"1"_s);
    EXPECT_EQ(r[0][1], u"salt$hash"_s);
    EXPECT_EQ(r[0].last(), u"系统管理员"_s);
    EXPECT_EQ(scalar(db_, u"SELECT candel FROM baseZY WHERE id = 1"_s), u"0"_s);
    // Operator 1 holds every function and operation right.
    EXPECT_EQ(scalar(db_, u"SELECT count(*) FROM sysMenu"_s),
              scalar(db_,
                     u"SELECT count(*) FROM sysPurview WHERE userid = 1 AND "
                     "isbj = 1"_s));
    // The login list of operators: employees that are operators.
    EXPECT_EQ(scalar(db_,
                     u"SELECT count(*) FROM baseZY AS a, sysuser AS b WHERE "
                     "a.id = b.id AND a.del = 0"_s),
              u"1"_s);
    // Roles the posting needs, each on one account (the role read by name: LedgerFunctions).
    for (const char* role : {"应收账款", "应付账款", "预付账款", "库存商品", "现金", "销售收入",
                             "销售成本", "应交税金", "本年利润"}) {
        EXPECT_EQ(scalar(db_,
                         u"SELECT count(*) FROM sysSubjectInterface AS a, baseKM "
                         "AS b WHERE a.km_id = b.id AND a.type = 0 AND a.name "
                         "= '%1'"_s.arg(QString::fromUtf8(role))),
                  u"1"_s)
            << role;
    }
    // The payment-account picker (type 1) offers leaves only.
    EXPECT_EQ(scalar(db_,
                     u"SELECT count(*) FROM sysSubjectInterface AS a, baseKM AS "
                     "b WHERE a.km_id = b.id AND a.type = 1 AND b.sonnum > 0"_s),
              u"0"_s);
}

// Tree columns of a base table agree with each other: the path ends with the row's id and starts
// with the parent's path, the level is the path's length, sonnum counts the children, codes
// extend their parent's code.
void expectConsistentTree(sqlite3* db, const QString& table) {
    auto rows = query(db,
                      u"SELECT id, par_id, par_jl, leveal, sonnum, "
                      "(SELECT count(*) FROM %1 AS c WHERE c.par_id = t.id), "
                      "COALESCE((SELECT p.par_jl FROM %1 AS p WHERE p.id = "
                      "t.par_id), '') FROM %1 AS t"_s.arg(table));
    ASSERT_FALSE(rows.empty()) << table.toStdString();
    for (const auto& r : rows) {
        const QStringList path = r[2].split(QLatin1Char(','), Qt::SkipEmptyParts);
        EXPECT_TRUE(r[2].endsWith(QLatin1Char(','))) << r[2].toStdString();
        EXPECT_EQ(path.last(), r[0]);
        EXPECT_EQ(QString::number(path.size()), r[3])
            << table.toStdString() << " " << r[0].toStdString();
        EXPECT_EQ(r[4], r[5]) << table.toStdString() << " " << r[0].toStdString();
        EXPECT_TRUE(r[2].startsWith(r[6]));
        EXPECT_EQ(r[1] == QLatin1String("0"), r[6].isEmpty());
    }
}

TEST_F(SchemaAccountSetTest, SeededBaseTreesAndTheCurrentPeriodAreConsistent) {
    expectConsistentTree(db_, u"baseKM"_s);
    expectConsistentTree(db_, u"baseZY"_s);
    // Account codes extend their parent's code by the level length of kmLength<level>.
    auto rows = query(db_,
                      u"SELECT c.code, p.code, c.leveal FROM baseKM AS c, baseKM "
                      "AS p WHERE c.par_id = p.id"_s);
    for (const auto& r : rows) {
        EXPECT_TRUE(r[0].startsWith(r[1])) << r[0].toStdString();
        const QString len = scalar(db_,
                                   u"SELECT sysValue FROM sysData WHERE Name = "
                                   "'kmLength%1'"_s.arg(r[2]));
        EXPECT_EQ(r[0].size() - r[1].size(), len.toInt()) << r[0].toStdString();
    }
    // The bill-correction windows compare a bill's date with the begin of the current period.
    auto r = query(db_,
                   u"SELECT beginDate, EndDate FROM sysPeriod AS a WHERE a.type = "
                   "0 AND a.id = (SELECT sysValue FROM sysData WHERE Name = "
                   "'JxcPeriodNow')"_s);
    ASSERT_EQ(r.size(), 1u);
    const QDate begin = QDate::fromString(r[0][0], u"yyyy-MM-dd"_s);
    const QDate end = QDate::fromString(r[0][1], u"yyyy-MM-dd"_s);
    ASSERT_TRUE(begin.isValid());
    EXPECT_EQ(begin.day(), 1);
    EXPECT_EQ(end, begin.addMonths(1).addDays(-1));
    EXPECT_LE(begin, QDate::currentDate());
}

}  // namespace
