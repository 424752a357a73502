#pragma once
// Helpers of the account-set schema tests: an in-memory database, queries returning text rows,
// and the tab-separated data files under tests/data.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QFile>
#include <QStringList>
#include <QTextStream>

#include <vector>

#include "server/db/schema.h"
#include "support/testutil.h"

using namespace Qt::StringLiterals;

namespace dyt::schematest {

using Rows = std::vector<QStringList>;

// Runs a query and returns its rows as text (NULL becomes "<null>").
inline Rows query(sqlite3* db, const QString& sql) {
    Rows rows;
    sqlite3_stmt* st = nullptr;
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(db, text.constData(), -1, &st, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << "prepare failed: " << sqlite3_errmsg(db) << "\n" << text.constData();
        sqlite3_finalize(st);
        return rows;
    }
    while (sqlite3_step(st) == SQLITE_ROW) {
        QStringList row;
        for (int i = 0; i < sqlite3_column_count(st); ++i) {
            if (sqlite3_column_type(st, i) == SQLITE_NULL) {
                row << u"<null>"_s;
            } else {
                row << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, i)));
            }
        }
        rows.push_back(row);
    }
    sqlite3_finalize(st);
    return rows;
}

// First column of the first row, or an empty text.
inline QString scalar(sqlite3* db, const QString& sql) {
    Rows r = query(db, sql);
    return r.empty() || r[0].isEmpty() ? QString() : r[0][0];
}

// Runs a statement; returns SQLite's result code.
inline int run(sqlite3* db, const QString& sql) {
    return sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
}

// Rows of a tab-separated data file under tests/data, without the header line and the
// comment lines (starting with "#").
inline std::vector<QStringList> readTsv(const QString& name, bool hasHeader = true) {
    std::vector<QStringList> out;
    QFile f(dyt::test::dataPath(name));
    if (!f.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot read " << name.toStdString();
        return out;
    }
    QTextStream in(&f);
    bool first = hasHeader;
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (first) {
            first = false;
            continue;
        }
        out.push_back(line.split(QLatin1Char('\t')));
    }
    return out;
}

// A fresh account set in memory, foreign keys on, created in one transaction.
class SchemaAccountSetTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(sqlite3_open(":memory:", &db_), SQLITE_OK);
        run(db_, u"PRAGMA foreign_keys = ON"_s);
        ASSERT_EQ(run(db_, u"BEGIN"_s), SQLITE_OK);
        dyt::server::schema::createAccountSet(db_, u"测试公司"_s, u"salt$hash"_s);
        ASSERT_EQ(run(db_, u"COMMIT"_s), SQLITE_OK);
    }
    void TearDown() override { sqlite3_close(db_); }
    sqlite3* db_ = nullptr;
};

}  // namespace dyt::schematest
