#pragma once
// In-memory SQLite database with the dialect layer's functions, for the T-SQL tests.

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <QString>

#include "common/error.h"
#include "schema_test_util.h"
#include "server/tsql/tsql.h"
#include "server/tsql/tsql_functions.h"

using namespace Qt::StringLiterals;

namespace dyt::test {

class TsqlDb : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(SQLITE_OK, sqlite3_open(":memory:", &db));
        server::tsql::registerFunctions(db, functionOptions());
    }
    void TearDown() override { sqlite3_close(db); }
    virtual server::tsql::FunctionOptions functionOptions() { return {}; }
    // Runs native SQLite text (table set-up and checks).
    void sql(const char* text) {
        char* err = nullptr;
        const int rc = sqlite3_exec(db, text, nullptr, nullptr, &err);
        const QString msg = QString::fromUtf8(err ? err : "");
        sqlite3_free(err);
        ASSERT_EQ(SQLITE_OK, rc) << msg.toStdString() << "\n" << text;
    }
    // First column of the first row of native SQLite text, as text ("<null>" for Null).
    QString value(const char* text) { return schematest::scalar(db, QString::fromUtf8(text)); }
    server::tsql::Context context(bool withSchema = true) {
        server::tsql::Context c;
        c.sessionId = 57;
        if (withSchema)
            c.schema = server::tsql::schemaLookupFromDatabase(db);
        return c;
    }
    server::tsql::Result run(const QString& text, bool withSchema = true) {
        return server::tsql::execute(db, server::tsql::translate(text, context(withSchema)));
    }
    // First row's field of the query's result, as text.
    QString cell(const QString& text, const QString& field, bool withSchema = true) {
        const server::tsql::Result r = run(text, withSchema);
        EXPECT_TRUE(r.hasRows) << text.toStdString();
        if (!r.hasRows || r.rows.rowCount() == 0)
            return u"<none>"_s;
        const int c = r.rows.fieldIndex(field);
        EXPECT_GE(c, 0) << field.toStdString();
        if (c < 0)
            return u"<nofield>"_s;
        const QVariant v = r.rows.at(0, c);
        return v.isValid() ? v.toString() : u"<null>"_s;
    }
    sqlite3* db = nullptr;
};

}  // namespace dyt::test
