// SQL Server's meaning where SQLite's differs: LIKE with bracket classes and its letter case,
// trailing blanks in comparisons, and names of other databases.

#include "server/tsql/tsql_functions.h"
#include "tsql_fixture.h"

using namespace Qt::StringLiterals;

namespace dyt::test {
namespace {

class TsqlDialect : public TsqlDb {
protected:
    void SetUp() override {
        TsqlDb::SetUp();
        sql("CREATE TABLE t(id INTEGER PRIMARY KEY, code TEXT NOT NULL);"
            "INSERT INTO t VALUES(1, 'Z1'), (2, 'z2'), (3, 'Z3'), (4, 'A1'), (5, 'Z[1]'),"
            " (6, 'ab '), (7, '50%'), (8, 'Zx');");
    }
    // The ids the text selects, in id order.
    QString ids(const QString& text) {
        const server::tsql::Result r = run(text);
        QStringList out;
        for (int i = 0; i < r.rows.rowCount(); ++i)
            out << r.rows.at(i, 0).toString();
        return out.join(u',');
    }
};

TEST_F(TsqlDialect, LikeComparisonsAndNamesMeanWhatSqlServerMeans) {
    struct Case {
        const char* where;
        const char* ids;
    } cases[] = {
        {"code LIKE 'Z[12]'", "1,2"},
        {"code LIKE 'z[1-3]'", "1,2,3"},
        {"code LIKE 'Z[^12]'", "3,8"},
        {"code NOT LIKE '[Z]%'", "4,6,7"},
        {"code LIKE 'Z[[]1]'", "5"},
        {"code LIKE 'Z_'", "1,2,3,8"},
        {"code LIKE '%!%' ESCAPE '!'", "7"},
        {"code LIKE '5[0]\\%' ESCAPE '\\'", "7"},
        {"code LIKE 'Z[12'", ""},
        {"code LIKE '%%1%'", "1,4,5"},
        // Trailing blanks do not count in comparisons, letter case neither.
        {"code = 'AB'", "6"},
        {"code IN ('ab', 'zx  ')", "6,8"},
        {"code BETWEEN 'z1 ' AND 'Z2'", "1,2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.where);
        EXPECT_EQ(QString::fromLatin1(c.ids),
                  ids(u"SELECT id FROM t WHERE "_s + QString::fromLatin1(c.where) +
                      u" ORDER BY id"_s));
    }
    EXPECT_TRUE(server::tsql::likeMatches(u"商品%"_s, u"商品甲"_s));
    EXPECT_FALSE(server::tsql::likeMatches(u"[^商]%"_s, u"商品甲"_s));
    EXPECT_EQ(0, server::tsql::compareText(u"Abc  "_s, u"aBC"_s));

    // A three-part name reads the session's own account set or master, nothing else.
    server::tsql::Context own = context(true);
    own.databaseName = u"dytv1_1"_s;
    const server::tsql::Result counted = server::tsql::execute(
        db, server::tsql::translate(u"SELECT count(*) FROM dytv1_1.dbo.t WHERE id = 1"_s, own));
    ASSERT_EQ(1, counted.rows.rowCount());
    EXPECT_EQ(u"1"_s, counted.rows.at(0, 0).toString());
    for (const char* other : {"SELECT * FROM dytv1_2.dbo.t", "DELETE FROM otherdb.dbo.t",
                              "SELECT * FROM t WHERE id IN (SELECT id FROM x.dbo.t)"}) {
        SCOPED_TRACE(other);
        EXPECT_THROW(server::tsql::translate(QString::fromLatin1(other), own), DytError);
    }
    EXPECT_THROW(run(u"SELECT * FROM dytv1_1.dbo.t"_s), DytError);  // no database known
}

}  // namespace
}  // namespace dyt::test
