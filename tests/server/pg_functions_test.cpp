// The PostgreSQL function library against SQLite: every expression of a table is evaluated on an
// SQLite connection with the account-set functions registered and on a scratch PostgreSQL
// database with the library installed, and the two results must agree. Runs when
// DYT_TEST_POSTGRESQL holds a libpq connection string of a role that may create databases.

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <sqlite3.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QDateTime>
#include <QString>
#include <QTimeZone>

#include <cstdlib>
#include <variant>
#include <vector>

#include "server/db/pg_functions.h"
#include "server/tsql/tsql_functions.h"

namespace {

using Param = std::variant<qint64, double, QString>;

// A result in one form for both engines: "NULL", "ERROR", a number as the shortest text of its
// double, else the text.
QString numberText(double d) {
    return QString::number(d, 'g', 17);
}

class SqliteSide {
public:
    SqliteSide() {
        sqlite3_open(":memory:", &db_);
        dyt::server::tsql::registerFunctions(db_);
    }
    ~SqliteSide() { sqlite3_close(db_); }
    SqliteSide(const SqliteSide&) = delete;
    SqliteSide& operator=(const SqliteSide&) = delete;

    bool exec(const QString& sql) {
        return sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    }

    QString value(const QString& expr, const std::vector<Param>& params = {}) {
        const QByteArray sql = (QStringLiteral("SELECT ") + expr).toUtf8();
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db_, sql.constData(), -1, &st, nullptr) != SQLITE_OK)
            return QStringLiteral("ERROR");
        for (size_t i = 0; i < params.size(); ++i) {
            const int n = static_cast<int>(i) + 1;
            if (const auto* x = std::get_if<qint64>(&params[i])) {
                sqlite3_bind_int64(st, n, *x);
            } else if (const auto* d = std::get_if<double>(&params[i])) {
                sqlite3_bind_double(st, n, *d);
            } else {
                const QByteArray u = std::get<QString>(params[i]).toUtf8();
                sqlite3_bind_text(st, n, u.constData(), static_cast<int>(u.size()),
                                  SQLITE_TRANSIENT);
            }
        }
        QString out = QStringLiteral("ERROR");
        if (sqlite3_step(st) == SQLITE_ROW) {
            switch (sqlite3_column_type(st, 0)) {
                case SQLITE_NULL:
                    out = QStringLiteral("NULL");
                    break;
                case SQLITE_INTEGER:
                case SQLITE_FLOAT:
                    out = numberText(sqlite3_column_double(st, 0));
                    break;
                default:
                    out = QString::fromUtf8(
                        reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
            }
        }
        sqlite3_finalize(st);
        return out;
    }

private:
    sqlite3* db_ = nullptr;
};

PGconn* connectTo(const char* conninfo, const char* dbname) {
    const char* keys[] = {"dbname", dbname ? "dbname" : nullptr, nullptr};
    const char* values[] = {conninfo, dbname, nullptr};
    return PQconnectdbParams(keys, values, 1);
}

// A scratch database of its own, dropped at the end.
class PgFunctions : public ::testing::Test {
protected:
    void SetUp() override {
        const char* conninfo = std::getenv("DYT_TEST_POSTGRESQL");
        if (!conninfo || !*conninfo)
            GTEST_SKIP() << "DYT_TEST_POSTGRESQL is not set";
        admin_ = connectTo(conninfo, nullptr);
        ASSERT_EQ(PQstatus(admin_), CONNECTION_OK) << PQerrorMessage(admin_);
        PQsetNoticeProcessor(
            admin_, [](void*, const char*) {}, nullptr);
        name_ = QStringLiteral("dyt_fn_test_%1").arg(QCoreApplication::applicationPid()).toUtf8();
        ASSERT_TRUE(command(admin_, "DROP DATABASE IF EXISTS " + name_));
        ASSERT_TRUE(command(admin_, "CREATE DATABASE " + name_));
        created_ = true;
        pg_ = connectTo(conninfo, name_.constData());
        ASSERT_EQ(PQstatus(pg_), CONNECTION_OK) << PQerrorMessage(pg_);
        PQsetNoticeProcessor(
            pg_, [](void*, const char*) {}, nullptr);
        // the connection as the server keeps it: the library's schema before the built-ins, the
        // local time of this process
        ASSERT_TRUE(command(pg_, "SET search_path = public, pg_catalog"));
        ASSERT_TRUE(command(pg_, "SET TimeZone = '" + QTimeZone::systemTimeZoneId() + "'"));
        ASSERT_TRUE(command(pg_, dyt::server::pg::functionLibrarySql().toUtf8()));
    }

    void TearDown() override {
        if (pg_)
            PQfinish(pg_);
        if (created_)
            command(admin_, "DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)");
        if (admin_)
            PQfinish(admin_);
    }

    bool command(PGconn* c, const QByteArray& sql) {
        PGresult* r = PQexec(c, sql.constData());
        const bool ok =
            PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK;
        if (!ok)
            ADD_FAILURE() << sql.left(200).constData() << ": " << PQerrorMessage(c);
        PQclear(r);
        return ok;
    }

    // typed: parameters go as bigint, double precision and text; otherwise all as untyped text.
    QString pgValue(const QString& expr, const std::vector<Param>& params = {}, bool typed = true) {
        QString text = QStringLiteral("SELECT ") + expr;
        for (size_t i = params.size(); i > 0; --i)
            text.replace(QStringLiteral("?%1").arg(i), QStringLiteral("$%1").arg(i));
        std::vector<QByteArray> data;
        std::vector<Oid> types;
        for (const Param& p : params) {
            if (const auto* x = std::get_if<qint64>(&p)) {
                data.push_back(QByteArray::number(*x));
                types.push_back(typed ? 20 : 0);
            } else if (const auto* d = std::get_if<double>(&p)) {
                data.push_back(numberText(*d).toUtf8());
                types.push_back(typed ? 701 : 0);
            } else {
                data.push_back(std::get<QString>(p).toUtf8());
                types.push_back(typed ? 25 : 0);
            }
        }
        std::vector<const char*> values;
        for (const QByteArray& b : data)
            values.push_back(b.constData());
        const QByteArray sql = text.toUtf8();
        PGresult* r = PQexecParams(pg_, sql.constData(), static_cast<int>(params.size()),
                                   types.data(), values.data(), nullptr, nullptr, 0);
        QString out = QStringLiteral("ERROR");
        if (PQresultStatus(r) == PGRES_TUPLES_OK && PQntuples(r) == 1) {
            const char* v = PQgetvalue(r, 0, 0);
            if (PQgetisnull(r, 0, 0)) {
                out = QStringLiteral("NULL");
            } else {
                switch (PQftype(r, 0)) {
                    case 16:  // boolean
                        out = numberText(v[0] == 't' ? 1 : 0);
                        break;
                    case 20:
                    case 21:
                    case 23:
                    case 700:
                    case 701:
                    case 1700:
                        out = numberText(QByteArray(v).toDouble());
                        break;
                    default:
                        out = QString::fromUtf8(v);
                }
            }
        }
        PQclear(r);
        return out;
    }

    PGconn* admin_ = nullptr;
    PGconn* pg_ = nullptr;
    QByteArray name_;
    bool created_ = false;
};

TEST_F(PgFunctions, ExpressionsAgreeWithSqlite) {
    // Texts valid on both engines; the SQLite side is the reference.
    const std::vector<const char*> cases = {
        // julianday, date, datetime, strftime: the forms of the server's texts and the
        // translation of date arithmetic
        "julianday('2024-01-01')",
        "julianday('2024-03-05 10:11:12')",
        "julianday('2024-03-05 10:11:12.345')",
        "julianday('2024-03-05 10:11')",
        "julianday('2024-02-30')",
        "julianday('2024-13-01')",
        "julianday('2024-1-5')",
        "julianday('2024-03-05T10:11:12')",
        "julianday(' 2024-03-05')",
        "julianday('2024-03-05 ')",
        "julianday('2024-03-05 24:00')",
        "julianday('2024-03-05 10:61')",
        "julianday('2024-03-05 10:11:12.0005')",
        "julianday('2024-03-05 10:11:12Z')",
        "julianday('2024-03-05 10:11:12+02:30')",
        "julianday('12:30')",
        "julianday('2460310.25')",
        "julianday(2460310.25)",
        "julianday('')",
        "julianday('abc')",
        "julianday(NULL)",
        "julianday('2023-12-31 23:59:59') - julianday('2023-01-01')",
        "julianday('2024-03-05', '+1 days')",
        "julianday('2024-03-05 10:11:12', '-2.25 days', '+1.5 hours')",
        "datetime(julianday('2024-01-31') + (1.25))",
        "datetime(julianday('2024-03-05 10:11:12') - (0.5))",
        "datetime(julianday('2024-03-05 10:11:12') + (1))",
        "datetime(julianday('2024-03-05 10:11:12.999'))",
        "datetime('2024-03-05')",
        "datetime('2024-03-05 10:11:12', '+1 days')",
        "datetime('2024-03-05 10:11:12', '-36 hours')",
        "datetime('2024-03-05 10:11:12', '+90 minutes', '+30 seconds')",
        "datetime('2024-03-05 10:11:12', 'start of month')",
        "datetime('2024-03-05 10:11:12', 'start of year')",
        "datetime('2024-03-05 10:11:12', 'start of day')",
        "datetime('2024-03-05 10:11:12', 'bogus')",
        "datetime('2024-03-05', NULL)",
        "datetime(NULL)",
        "date('2024-03-05 10:11:12')",
        "date('2024-01-31', '+1 months')",
        "date('2024-01-31', '+1 month')",
        "date('2023-03-31', '-1 months')",
        "date('2024-02-29', '+1 years')",
        "date('2024-11-15', '+3 months')",
        "date('2024-01-31', '+1.5 months')",
        "date('2024-01-31', '+' || 30 || ' days')",
        "date('2024-01-31', '+' || 2.5 || ' days')",
        "date('2024-01-31', '-400 days')",
        "date('2024-01-31', '+30days')",
        "date('2024-01-31', '+30 DAYS')",
        "date(2460310.5)",
        // (a single untyped literal is a cast to date on PostgreSQL: date('x') raises there)
        "date(CAST('x' AS TEXT))",
        "strftime('%Y-%m-%d %H:%M:%f', '2024-03-05 10:11:12.345')",
        "strftime('%Y-%m-%d %H:%M:%f', '2024-03-05 10:11:12')",
        "strftime('%Y.%m.%d', '2024-03-05 10:11:12')",
        "strftime('%Y/%m/%d', '2024-03-05')",
        "strftime('%Y%m%d', '2024-03-05')",
        "strftime('%H:%M:%S', '2024-03-05 07:08:09')",
        "strftime('%j %w %s %%', '2024-03-05 07:08:09')",
        "strftime('%Q', '2024-03-05')",
        "strftime('%Y', NULL)",
        // total, ifnull, instr, round
        "(SELECT total(x) FROM (SELECT 1 AS x UNION ALL SELECT 2.5 UNION ALL SELECT NULL) AS t)",
        "(SELECT total(x) FROM (SELECT 1.5 AS x) AS t WHERE 1 = 0)",
        "(SELECT total(x) FROM (SELECT NULL AS x) AS t)",
        "(SELECT total(x) FROM (SELECT '1.5' AS x UNION ALL SELECT '12abc') AS t)",
        "(SELECT total(x) FROM (SELECT 0.1 AS x UNION ALL SELECT 0.2 UNION ALL SELECT 0.3) AS t)",
        "ifnull(NULL, 3)",
        "ifnull(2, 3)",
        "ifnull(NULL, 'a')",
        "ifnull('b', 'a')",
        "ifnull(NULL, NULL)",
        "instr('abcabc', 'ca')",
        "instr('abc', 'x')",
        "instr('abc', '')",
        "instr('编号甲乙', '甲')",
        "instr(NULL, 'a')",
        "round(CAST(2.675 AS double precision), 2)",
        "round(CAST(1.00005 AS double precision), 4)",
        "round(CAST(-1.00005 AS double precision), 4)",
        "round(CAST(123456789012.34567 AS double precision), 4)",
        "round(CAST(0.1 AS double precision) * 3, 4)",
        "round(CAST(2.5 AS double precision), 0)",
        "round(CAST(-2.5 AS double precision), 0)",
        "round(CAST(2.5 AS double precision))",
        "round(CAST(3.14159 AS double precision), -2)",
        "round(CAST(NULL AS double precision), 2)",
        // substr as SQLite counts (LEFT and RIGHT of the translated texts)
        "substr('abcdef', 2)",
        "substr('abcdef', -2)",
        "substr('abcdef', 0, 2)",
        "substr('abcdef', 3, -2)",
        "substr('abcdef', -8, 4)",
        "substr('abcdef', 1, -1)",
        "substr('螺丝钉', -1)",
        "CASE WHEN (2) > 0 THEN substr('abcdef', -(2)) ELSE '' END",
        "substr(CAST('abcdef' AS TEXT), CAST(-3 AS BIGINT), CAST(2 AS BIGINT))",
        // dyt_datetime
        "dyt_datetime('2024-03-05')",
        "dyt_datetime('2024-03-05 10:11:12')",
        "dyt_datetime('2024-3-5 7:08')",
        "dyt_datetime('2024/03/05 10:11:12.5')",
        "dyt_datetime('2024.03.05')",
        "dyt_datetime('20240305')",
        "dyt_datetime('20240305 10:11')",
        "dyt_datetime('2024-03-05T10:11:12')",
        "dyt_datetime('  2024-03-05  ')",
        "dyt_datetime('')",
        "dyt_datetime(45000)",
        "dyt_datetime(45000.25)",
        "dyt_datetime(-1.5)",
        "dyt_datetime('2024-02-30')",
        "dyt_datetime('2024-03-05 24:00')",
        "dyt_datetime('abc')",
        "dyt_datetime(NULL)",
        // dyt_dateadd
        "dyt_dateadd('year', 1, '2024-02-29')",
        "dyt_dateadd('quarter', -1, '2024-05-31')",
        "dyt_dateadd('month', 1, '2024-01-31 10:00:00')",
        "dyt_dateadd('month', '2', '2024-01-31')",
        "dyt_dateadd('day', 2.9, '2024-03-05')",
        "dyt_dateadd('day', -2.9, '2024-03-05')",
        "dyt_dateadd('dayofyear', 1, '2024-12-31')",
        "dyt_dateadd('weekday', 1, '2024-12-31')",
        "dyt_dateadd('week', 2, '2024-03-05')",
        "dyt_dateadd('hour', 30, '2024-03-05 10:11:12.250')",
        "dyt_dateadd('minute', -90, '2024-03-05')",
        "dyt_dateadd('second', 61, '2024-03-05')",
        "dyt_dateadd('day', 1, 45000)",
        "dyt_dateadd('fortnight', 1, '2024-03-05')",
        "dyt_dateadd('day', 1, 'x')",
        "dyt_dateadd('day', NULL, '2024-03-05')",
        // dyt_datediff
        "dyt_datediff('year', '2023-12-31', '2024-01-01')",
        "dyt_datediff('quarter', '2023-12-31', '2024-04-01')",
        "dyt_datediff('month', '2024-01-31', '2023-11-01')",
        "dyt_datediff('day', '2024-03-05 23:59', '2024-03-06 00:01')",
        "dyt_datediff('dayofyear', '2024-01-01', '2024-12-31')",
        "dyt_datediff('week', '2024-03-09', '2024-03-10')",
        "dyt_datediff('week', '2024-03-10', '2024-03-16')",
        "dyt_datediff('week', '2024-03-10', '2023-03-10')",
        "dyt_datediff('hour', '2024-03-05 10:59:59', '2024-03-05 11:00:00')",
        "dyt_datediff('minute', '2024-03-05 10:59:59', '2024-03-05 10:58:00')",
        "dyt_datediff('second', '2024-03-05 10:00:00.900', '2024-03-05 10:00:01.100')",
        "dyt_datediff('day', 45000, '2024-03-05')",
        "dyt_datediff('day', '2024-03-05', 'x')",
        "dyt_datediff('day', NULL, '2024-03-05')",
        // dyt_datepart
        "dyt_datepart('year', '2024-03-05')",
        "dyt_datepart('quarter', '2024-03-05')",
        "dyt_datepart('quarter', '2024-10-01')",
        "dyt_datepart('month', '2024-03-05')",
        "dyt_datepart('dayofyear', '2024-03-05')",
        "dyt_datepart('day', '2024-03-05')",
        "dyt_datepart('weekday', '2024-03-10')",
        "dyt_datepart('weekday', '2024-03-05')",
        "dyt_datepart('week', '2024-01-06')",
        "dyt_datepart('week', '2024-01-07')",
        "dyt_datepart('week', '2024-12-31')",
        "dyt_datepart('hour', '2024-03-05 10:11:12')",
        "dyt_datepart('minute', '2024-03-05 10:11:12')",
        "dyt_datepart('second', '2024-03-05 10:11:12.9')",
        "dyt_datepart('day', 45000.75)",
        "dyt_datepart('day', '2024-02-30')",
        "dyt_datepart('day', NULL)",
        // dyt_add
        "dyt_add('ab', 'cd')",
        "dyt_add('12', '3')",
        "dyt_add(1, 2)",
        "dyt_add(1.5, 2)",
        "dyt_add('12', 3)",
        "dyt_add(' 12 ', 3)",
        "dyt_add('1.5', 2)",
        "dyt_add('1e3', 1)",
        "dyt_add(2, '0.25')",
        "dyt_add(CAST(0.1 AS double precision), '0.2')",
        "dyt_add('12abc', 3)",
        "dyt_add('', 3)",
        "dyt_add(NULL, 3)",
        "dyt_add('a', NULL)",
        // tsql_like
        "tsql_like('abc', 'ABC')",
        "tsql_like('a%', 'Abc')",
        "tsql_like('a_c', 'abc')",
        "tsql_like('a_c', 'abbc')",
        "tsql_like('%b%', 'abc')",
        "tsql_like('%', '')",
        "tsql_like('', '')",
        "tsql_like('', 'a')",
        "tsql_like('a[b-d]%', 'ACx')",
        "tsql_like('a[b-d]%', 'Aex')",
        "tsql_like('[^0-9]%', '5a')",
        "tsql_like('[^0-9]%', 'a5')",
        "tsql_like('%[0-9]', 'sp01')",
        "tsql_like('[abc]', 'B')",
        "tsql_like('[a', 'a')",
        "tsql_like('[]]', ']')",
        "tsql_like('[^]', '^')",
        "tsql_like('[%]x', '%x')",
        "tsql_like('[_]x', 'ax')",
        "tsql_like('[d-a]', 'b')",
        "tsql_like('[^d-a]', 'b')",
        "tsql_like('[A-C]', 'b')",
        "tsql_like('%a%b%c', 'xxaxxbxxcxc')",
        "tsql_like('%a%b%c', 'xxaxxbxxcxd')",
        "tsql_like('螺%', '螺丝')",
        "tsql_like('%[螺]_', '大螺丝')",
        "tsql_like('100!%', '100%', '!')",
        "tsql_like('100!%', '1000', '!')",
        "tsql_like('a!', 'a', '!')",
        "tsql_like('[!]a', '!a', '!')",
        "tsql_like('a%', 'abc', '')",
        "tsql_like('a%', 'abc', 'xy')",
        "tsql_like(NULL, 'abc')",
        "tsql_like('a%', NULL)",
        "tsql_like('a%', 'abc', NULL)",
        // fnGetFirstDayOfMonth, fnGetLastDayOfMonth
        "fnGetFirstDayOfMonth(2024, 3)",
        "fnGetFirstDayOfMonth(2024, 14)",
        "fnGetFirstDayOfMonth(2024, 0)",
        "fnGetFirstDayOfMonth(2024, -13)",
        "fnGetFirstDayOfMonth('2024', '7')",
        "fnGetFirstDayOfMonth(2024.9, 3.7)",
        "fnGetFirstDayOfMonth(NULL, 3)",
        "fnGetLastDayOfMonth(2024, 2)",
        "fnGetLastDayOfMonth(2023, 2)",
        "fnGetLastDayOfMonth(2024, 12)",
        "fnGetLastDayOfMonth(2024, 13)",
        "fnGetLastDayOfMonth('2024x', 4)",
        "fnGetLastDayOfMonth(2024, NULL)",
    };
    SqliteSide lite;
    for (const char* expr : cases) {
        const QString text = QString::fromUtf8(expr);
        EXPECT_EQ(pgValue(text).toStdString(), lite.value(text).toStdString()) << expr;
    }
}

TEST_F(PgFunctions, BoundParametersAgreeWithSqlite) {
    // Values bound to parameters, on PostgreSQL both typed (bigint, double precision, text) and
    // untyped.
    struct Case {
        const char* expr;
        std::vector<Param> params;
    };
    const std::vector<Case> cases = {
        {"julianday(?1)", {QStringLiteral("2024-03-05 10:11:12")}},
        {"julianday(?1) + ?2 - ?3 <= julianday(?4)",
         {QStringLiteral("2024-03-05"), qint64{30}, qint64{5}, QStringLiteral("2024-03-30")}},
        {"CAST(julianday(?1) + ?2 - julianday(?3) AS INTEGER)",
         {QStringLiteral("2024-03-05"), qint64{30}, QStringLiteral("2024-03-20")}},
        {"date(?1, '+' || ?2 || ' days')", {QStringLiteral("2024-03-05"), qint64{30}}},
        {"datetime(julianday(?1) + (?2))", {QStringLiteral("2024-03-05 10:00:00"), 0.5}},
        {"round(?1, 4)", {2.00005}},
        {"round(?1 * ?2, 4)", {0.1, 3.0}},
        {"round(?1 - ?2, 4)", {10.0, 3.33335}},
        {"ifnull(?1, 0)", {2.5}},
        {"CASE WHEN (?2) > 0 THEN substr(?1, -(?2)) ELSE '' END",
         {QStringLiteral("SP0012"), qint64{3}}},
        {"instr(?1, ?2)", {QStringLiteral("螺丝钉"), QStringLiteral("丝")}},
        {"dyt_datetime(?1)", {QStringLiteral("2024/3/5")}},
        {"dyt_datetime(?1)", {45000.5}},
        {"dyt_dateadd('month', ?1, ?2)", {qint64{-1}, QStringLiteral("2024-03-31")}},
        {"dyt_dateadd('day', ?1, ?2)", {2.5, QStringLiteral("2024-03-31 23:00")}},
        {"dyt_datediff('day', ?1, ?2)",
         {QStringLiteral("2024-01-01"), QStringLiteral("2024-03-01")}},
        {"dyt_datepart('weekday', ?1)", {QStringLiteral("2024-03-09")}},
        {"dyt_add(?1, ?2)", {QStringLiteral("a"), QStringLiteral("b")}},
        {"dyt_add(?1, ?2)", {qint64{7}, qint64{5}}},
        {"dyt_add(?1, ?2)", {1.25, qint64{5}}},
        {"tsql_like(?1, ?2)", {QStringLiteral("sp[0-9]%"), QStringLiteral("SP1x")}},
        {"tsql_like(?1, ?2, ?3)",
         {QStringLiteral("5!%%"), QStringLiteral("5% off"), QStringLiteral("!")}},
        {"fnGetFirstDayOfMonth(?1, ?2)", {qint64{2024}, qint64{11}}},
        {"fnGetLastDayOfMonth(?1, ?2)", {qint64{2023}, qint64{2}}},
    };
    SqliteSide lite;
    for (const Case& c : cases) {
        const QString text = QString::fromUtf8(c.expr);
        const QString expected = lite.value(text, c.params);
        EXPECT_EQ(pgValue(text, c.params, true).toStdString(), expected.toStdString())
            << c.expr << " (typed)";
        bool textual = true;
        for (const Param& p : c.params)
            textual = textual && std::holds_alternative<QString>(p);
        // Untyped parameters are texts to PostgreSQL: numbers must go typed (an untyped 7 and 5
        // concatenate in dyt_add, an untyped ?1 * ?2 does not resolve), so only cases that bind
        // texts alone compare untyped.
        if (textual) {
            EXPECT_EQ(pgValue(text, c.params, false).toStdString(), expected.toStdString())
                << c.expr << " (untyped)";
        }
    }
}

TEST_F(PgFunctions, ClockFunctionsAgreeWithSqlite) {
    // The clock moves between the two evaluations: the moments must lie within seconds.
    const std::vector<const char*> cases = {"dyt_getdate()", "datetime('now')",
                                            "datetime('now', 'localtime')"};
    SqliteSide lite;
    for (const char* expr : cases) {
        const QString text = QString::fromUtf8(expr);
        const QDateTime a =
            QDateTime::fromString(lite.value(text), QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        const QDateTime b =
            QDateTime::fromString(pgValue(text), QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        ASSERT_TRUE(a.isValid() && b.isValid()) << expr;
        EXPECT_LE(std::abs(a.secsTo(b)), 5) << expr;
    }
}

TEST_F(PgFunctions, TableFunctionsAgreeWithSqlite) {
    // The tables the functions read, with the column types of each engine (%N: a code or name
    // compared without regard to case; %M money; %Q quantities), and the same rows on both.
    const std::vector<const char*> ddl = {
        "CREATE TABLE sysData (id bigint PRIMARY KEY, Name %N, sysValue text, comment %N)",
        "CREATE TABLE sysMenu (id bigint PRIMARY KEY, code %N, Name %N, hide integer)",
        "CREATE TABLE sysPurview (id bigint PRIMARY KEY, userid integer, menuid integer, "
        "isbj integer)",
        "CREATE TABLE sysSubjectInterface (id bigint PRIMARY KEY, name %N, km_id integer, "
        "type integer)",
        "CREATE TABLE baseDQ (id bigint PRIMARY KEY, par_id integer, fullname %N)",
        "CREATE TABLE baseGoodsUnit (id bigint PRIMARY KEY, Goodsid integer, fzdwid integer, "
        "unit %N, rate %Q, price %Q, latestBuyPrice %Q)",
        "CREATE TABLE baseGoodsStock (id bigint PRIMARY KEY, goodsid integer, stockid integer, "
        "goodspc integer, qty %Q, total %M)",
        "CREATE TABLE baseGoodsStockOther (id bigint PRIMARY KEY, goodsid integer, wldw_id "
        "integer, typeid integer, stockid integer, qty %Q, costtotal %M)",
        "CREATE TABLE baseWLDW (id bigint PRIMARY KEY, ystotal %M, yftotal %M)",
        "CREATE TABLE baseGoods (id bigint PRIMARY KEY, par_id integer, code %N)",
        "CREATE TABLE baseCK (id bigint PRIMARY KEY, par_id integer, code %N)",
        "CREATE TABLE djIndex (id bigint PRIMARY KEY, djType integer, date text, dj_state "
        "integer, wldw_id integer)",
        "CREATE TABLE djList (orderid bigint PRIMARY KEY, id integer, djType integer, dj_state "
        "integer, goodsid integer, OutStock_id integer, IntoStock_id integer, qty %Q, rate %Q, "
        "price %Q, toQty %Q, isOver integer)",
        "INSERT INTO sysData VALUES (1, 'JxcPeriodNow', '3', ''), (2, 'StartDate', "
        "'2024-01-01', ''), (3, 'Empty', NULL, '')",
        "INSERT INTO sysMenu VALUES (1, '0101', '销售单', 0), (2, '0102', '进货单', 1), "
        "(3, 'A0103', '报表', 0), (4, '0104', '凭证', 0)",
        "INSERT INTO sysPurview VALUES (1, 5, 1, 1), (2, 5, 3, 1), (3, 5, 4, 0), (4, 6, 1, 0)",
        "INSERT INTO sysSubjectInterface VALUES (1, '预收账款', 12, 0), (2, 'Cash', 7, 0), "
        "(3, 'Cash', 3, 1)",
        "INSERT INTO baseDQ VALUES (1, 0, '华南 '), (2, 1, '广东'), (3, 2, ' 深圳'), (4, 9, "
        "'孤立')",
        "INSERT INTO baseGoodsUnit VALUES (301, 31, 0, '个', 1, 3.5, 2.4), "
        "(302, 31, 1, '盒', 12, 40, 28), (303, 31, 2, '箱', 0, 0, 0), "
        "(304, 32, 0, '个', 1, 1.1, 0.7)",
        "INSERT INTO baseGoodsStock VALUES (1, 31, 11, 7, 40, 100), (2, 31, 11, 8, 10, 31.3333), "
        "(3, 31, 12, 9, 10, 25.1), (4, 32, 11, 0, 3, 0.1), (5, 32, 11, 0, 0.3, 0.2)",
        "INSERT INTO baseGoodsStockOther VALUES (1, 31, 21, 1, 11, 4, 10), "
        "(2, 31, 21, 2, 11, 6, 21.35), (3, 31, 21, 3, 11, 100, 1), (4, 31, 21, 1, 12, 3, 7.77)",
        "INSERT INTO baseWLDW VALUES (21, 1200, 800.25), (22, 0, 350.5), (23, NULL, 5)",
        // goods codes: under 01 the highest is 01009, and 01010 is taken at the top; under A a
        // lower-case child and an A002 elsewhere; under 02 a run of nines
        "INSERT INTO baseGoods VALUES (1, 0, '01'), (2, 0, '02'), (3, 0, 'A'), (4, 1, '01001'), "
        "(5, 1, ' 01009 '), (6, 1, '01x1'), (7, 1, '0102'), (8, 0, '01010'), (9, 3, 'a001'), "
        "(10, 0, 'A002'), (11, 2, '0299'), (12, 2, '02 1')",
        "INSERT INTO baseCK VALUES (11, 0, '01'), (12, 0, '02'), (13, 12, 'B')",
        "INSERT INTO djIndex VALUES (41, 1, '2024-03-01', 2, 21), (42, 1, '2024-03-10 09:30:00', "
        "2, 21), (43, 1, '2024-03-12', 1, 21), (44, 5, '2024-03-02', 2, 22), "
        "(45, 4, '2024-03-05', 2, 21), (46, 8, '2024-03-05', 2, 22), (47, 3, '2024-04-01', 2, 21)",
        "INSERT INTO djList VALUES (1, 41, 1, 2, 31, 11, 0, 5, 1, 4.2, 0, 0), "
        "(2, 42, 1, 2, 31, 11, 0, 1, 12, 45.6, 0, 0), (3, 43, 1, 1, 31, 11, 0, 1, 1, 9.9, 0, 0), "
        "(4, 44, 5, 2, 31, 0, 11, 10, 1, 2.6, 0, 0), (5, 45, 4, 2, 31, 11, 0, 3, 12, 40, 1, 0), "
        "(6, 45, 4, 2, 31, 11, 0, 7, 1, 4, 0, 1), (7, 45, 4, 2, 31, 12, 0, 4, 1, 4, 0, 0), "
        "(8, 45, 4, 2, 31, 12, 0, 2, 1, 4, 5, 0), (9, 46, 8, 2, 31, 0, 11, 20, 1, 2.5, 5, 0), "
        "(10, 47, 3, 2, 31, 11, 0, 2, 0, 8.8, 0, 0)",
    };
    SqliteSide lite;
    ASSERT_TRUE(command(pg_, "CREATE EXTENSION IF NOT EXISTS citext"));
    for (const char* statement : ddl) {
        QString sql = QString::fromUtf8(statement);
        QString liteSql = sql;
        liteSql.replace(QStringLiteral("%N"), QStringLiteral("TEXT COLLATE NOCASE"))
            .replace(QStringLiteral("%M"), QStringLiteral("NUMERIC(19,4)"))
            .replace(QStringLiteral("%Q"), QStringLiteral("NUMERIC(24,8)"));
        sql.replace(QStringLiteral("%N"), QStringLiteral("citext"))
            .replace(QStringLiteral("%M"), QStringLiteral("numeric(19,4)"))
            .replace(QStringLiteral("%Q"), QStringLiteral("numeric(24,8)"));
        ASSERT_TRUE(lite.exec(liteSql)) << statement;
        ASSERT_TRUE(command(pg_, sql.toUtf8())) << statement;
    }
    const std::vector<const char*> cases = {
        "fnGetSysData('JxcPeriodNow', '0')",
        "fnGetSysData('jxcperiodnow', 'x')",
        "fnGetSysData('StartDate', '')",
        "fnGetSysData('Missing', 'default')",
        "fnGetSysData('Empty', 'default')",
        "fnGetSysData(NULL, 'default')",
        "fnGetSysData('JxcPeriodNow', 0) + 1",
        "fnGetPurview(1, 'nothing')",
        "fnGetPurview(5, '0101')",
        "fnGetPurview(5, '0102')",
        "fnGetPurview(5, ' a0103 ')",
        "fnGetPurview(5, '0104')",
        "fnGetPurview(6, '0101')",
        "fnGetPurview(5, '9999')",
        "fnGetPurview('5', '0101')",
        "fnGetInterfaceKMID('预收账款')",
        "fnGetInterfaceKMID(' cash ')",
        "fnGetInterfaceKMID('none')",
        "fnGetBaseDQFullName(3)",
        "fnGetBaseDQFullName(1)",
        "fnGetBaseDQFullName(4)",
        "fnGetBaseDQFullName(0)",
        "fnGetStockQty(31, 0, 0)",
        "fnGetStockQty(31, 11, 0)",
        "fnGetStockQty(32, 11, 0)",
        "fnGetStockQty(99, 0, 0)",
        "fnGetBaseGoodsFZQty(31, 302, 2, 0)",
        "fnGetBaseGoodsFZQty(31, 301, 30, 1)",
        "fnGetBaseGoodsFZQty(31, 999, 30, 1)",
        "fnGetBaseGoodsFZQty(31, 301, 30, 2)",
        "fnGetBaseGoodsFZQty(32, 304, 3.3, 1)",
        "fnGetCostPrice(31, 0, 301)",
        "fnGetCostPrice(31, 8, 302)",
        "fnGetCostPrice(32, 0, 0)",
        "fnGetCostPrice(99, 0, 0)",
        "fnGetWldwTotal00(21, '2990-01-01')",
        "fnGetWldwTotal00(22, '')",
        "fnGetWldwTotal00(23, '')",
        "fnGetWldwTotal00(99, '')",
        "fnGetCostTotal(31, 11, 7)",
        "fnGetCostTotal(31, 0, 1)",
        "fnGetCostTotal(32, 11, 1)",
        "fnGetCostTotal(99, 0, 1)",
        "fnGetCostTotalOther('1,2,', 31, 11, 3)",
        "fnGetCostTotalOther('1', 31, 0, 2)",
        "fnGetCostTotalOther('', 31, 0, 2)",
        "fnGetCostTotalOther('1,x', 31, 0, 2)",
        "fnGetCostTotalOther('6', 31, 0, 2)",
        "fnGetKYQty(31, 0)",
        "fnGetKYQty(31, 11)",
        "fnGetKYQty(31, 12)",
        "fnGetXNKCQty(31, 0)",
        "fnGetXNKCQty(31, 11)",
        "fnGetBaseAutoCode('sp', 1)",
        "fnGetBaseAutoCode(' SP ', 0)",
        "fnGetBaseAutoCode('sp', 2)",
        "fnGetBaseAutoCode('sp', 3)",
        "fnGetBaseAutoCode('sp', 4)",
        "fnGetBaseAutoCode('sp', 99)",
        "fnGetBaseAutoCode('cangku', 0)",
        "fnGetBaseAutoCode('ck', 12)",
        "fnGetBaseAutoCode('ck', '11')",
        "fnGetBaseAutoCode('xx', 0)",
        "fnGetGoodsPrice(0, 1, 31, 21, 301, '2024-03-31')",
        "fnGetGoodsPrice(0, 1, 31, 21, 302, '2024-03-31')",
        "fnGetGoodsPrice(0, 1, 31, 21, 301, '2024-03-10')",
        "fnGetGoodsPrice(0, 1, 31, 21, 301, '2024-02-01')",
        "fnGetGoodsPrice(0, 3, 31, 21, 301, '2024-12-31')",
        "fnGetGoodsPrice(0, 5, 31, 22, 302, '2024-03-31')",
        "fnGetGoodsPrice(0, 6, 31, 22, 302, '2024-01-01')",
        "fnGetGoodsPrice(0, 9, 31, 21, 302, '2024-03-31')",
        "fnGetGoodsPrice(0, 1, 31, 21, 301, NULL)",
        "fnGetGoodsPrice(0, 1, 31, 21, 301, 'bad')",
    };
    for (const char* expr : cases) {
        const QString text = QString::fromUtf8(expr);
        EXPECT_EQ(pgValue(text).toStdString(), lite.value(text).toStdString()) << expr;
    }
}

}  // namespace
