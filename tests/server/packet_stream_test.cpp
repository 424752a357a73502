// Client texts answered as packet bytes written straight from the statements: the bytes are those
// of the record set the same text gives, for every kind of column and value, and the errors are
// the same.

#include "tsql_fixture.h"

#include "protocol/packetcodec.h"
#include "server/db/database.h"

using namespace Qt::StringLiterals;

namespace dyt::test {
namespace {

using server::tsql::ExecuteOptions;
using server::tsql::Result;

class PacketStream : public TsqlDb {
protected:
    void SetUp() override {
        TsqlDb::SetUp();
        sql("CREATE TABLE t(id INTEGER PRIMARY KEY, n INT, r REAL, m MONEY, num NUMERIC(18,4), "
            "code VARCHAR(20), name TEXT, d DATE, dt DATETIME, b BIT, ok BOOLEAN, bl BLOB, x);"
            "INSERT INTO t VALUES(1, 7, 2.5, 12.5, 3, 'A01', '可乐', '2026-01-15', "
            "'2026-01-15 08:30:00', 1, 0, X'00FF10', 5);"
            "INSERT INTO t VALUES(2, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, "
            "NULL, NULL);"
            "INSERT INTO t VALUES(3, 9223372036854775807, -1e300, 1.00005, 2.50005, '', "
            "'Grüße 😀', '0001-01-01', '9999-12-31 23:59:59', 2, -1, X'', 'text');"
            "INSERT INTO t VALUES(4, -9223372036854775808, 0.1, -2.50005, -0.00005, 'B', "
            "CAST(X'C328E282' AS TEXT), '2024-02-29', '2024-02-29 00:00:00', 0, 1, "
            "CAST('商品' AS BLOB), 2.75);"
            "INSERT INTO t VALUES(5, 0, 1e-300, 922337203685477, 123456789012, 'C', "
            "CAST(X'EFBBBF414243' AS TEXT), '2024-1-5', '2024-01-05', 1, 1, NULL, NULL);"
            "CREATE TABLE odd(id INTEGER PRIMARY KEY, n INT, m MONEY, d DATE, dt DATETIME, "
            "b BIT, code VARCHAR(10), bl BLOB, r REAL);"
            "INSERT INTO odd VALUES(1, 5, 3, '2026-01-15', '2026-01-15 10:00:00', 1, 'a', X'41', 1);"
            "INSERT INTO odd VALUES(2, 'x', 'abc', '', 'soon', 'yes', 12, 'text', 'no');"
            "INSERT INTO odd VALUES(3, 2.5, 1e20, 20260115, CAST(X'EFBBBF' AS TEXT) || "
            "'2026-01-15 10:00:00', 3, 4.5, 7, NULL);"
            "INSERT INTO odd VALUES(4, 1, 9e18, CAST(X'EFBBBF' AS TEXT) || '2026-01-15', "
            "'2026-02-30 10:00:00', 0, X'C328', NULL, 2);"
            "CREATE TABLE big(id INTEGER PRIMARY KEY, t VARCHAR(100));"
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300) "
            "INSERT INTO big SELECT i, hex(zeroblob(50)) FROM n;");
    }

    // The text's answer both ways: the record set's packet, or the error either gives.
    struct Answer {
        QByteArray bytes;
        QString error;
        bool rows = false;
    };
    Answer answer(const QString& text, bool packet) {
        ExecuteOptions options;
        options.packet = packet;
        Answer a;
        try {
            const Result r =
                server::tsql::execute(db, server::tsql::translate(text, context()), options);
            a.rows = r.hasRows;
            // A text without a result answers an empty record set.
            a.bytes = packet && r.hasRows ? r.packet : proto::packetcodec::encode(r.rows);
        } catch (const DytError& e) {
            a.error = e.message();
        }
        return a;
    }
    void expectSame(const QString& text) {
        const Answer recordSet = answer(text, false);
        const Answer streamed = answer(text, true);
        EXPECT_EQ(recordSet.error, streamed.error) << text.toStdString();
        EXPECT_EQ(recordSet.rows, streamed.rows) << text.toStdString();
        EXPECT_EQ(recordSet.bytes.toHex(), streamed.bytes.toHex()) << text.toStdString();
        if (recordSet.error.isEmpty()) {
            RecordSet back;
            EXPECT_TRUE(proto::packetcodec::decode(streamed.bytes.constData(),
                                                   streamed.bytes.size(), &back) ||
                        streamed.bytes.isEmpty())
                << text.toStdString();
        }
    }
};

TEST_F(PacketStream, EveryColumnKindAndValueGivesTheRecordSetsBytes) {
    const char* const texts[] = {
        // declared types, every value fitting or not
        "SELECT * FROM t",
        "SELECT * FROM t ORDER BY id DESC",
        "SELECT * FROM odd",
        "SELECT id, n FROM odd",
        "SELECT m, d FROM odd WHERE id <> 2",
        "SELECT dt, b FROM odd WHERE id IN (1, 3)",
        "SELECT code, bl, r FROM odd",
        "SELECT d, dt FROM t WHERE id IN (1, 3, 4)",
        "SELECT name, code FROM t WHERE id >= 3",
        "SELECT m, num FROM t",
        "SELECT b, ok FROM t",
        "SELECT bl FROM t WHERE bl IS NOT NULL",
        // expressions without a declared type: integers, reals, both, texts, blobs, mixed
        "SELECT id * 2 AS a, r + 1 AS b, x AS c, code + 'z' AS e FROM t",
        "SELECT n + 0 AS v FROM odd",
        "SELECT m * 1 AS v FROM odd",
        "SELECT CASE WHEN id = 1 THEN 1 WHEN id = 2 THEN 2.5 ELSE NULL END AS v FROM t",
        "SELECT CASE WHEN id = 1 THEN 1 ELSE 'one' END AS v FROM t",
        "SELECT CASE WHEN id = 1 THEN bl ELSE name END AS v FROM t",
        "SELECT NULL AS nothing, 'x' AS letter FROM t",
        // aggregates, empty results, repeated names
        "SELECT count(*) AS c, sum(m) AS s, max(name) AS top, avg(n) AS a FROM t",
        "SELECT sum(num) AS s FROM t GROUP BY b ORDER BY b",
        "SELECT * FROM t WHERE id < 0",
        "SELECT max(d) AS d FROM t WHERE id < 0",
        "SELECT a.id, b.id, a.code, b.code FROM t AS a, odd AS b WHERE a.id = b.id",
        // several statements: the last result counts
        "SELECT id FROM t; SELECT name, d FROM t",
        "SELECT * FROM odd; UPDATE t SET n = n WHERE id = 1",
        "UPDATE t SET code = 'Z' WHERE id = 5; SELECT code, name FROM t WHERE id > 3",
        "IF EXISTS(SELECT * FROM t WHERE id = 1) SELECT code FROM t ELSE SELECT name FROM t",
        "IF EXISTS(SELECT * FROM t WHERE id = 9) SELECT code FROM t ELSE SELECT m, dt FROM t",
        "UPDATE t SET n = 1 WHERE id = 99",
        // errors
        "SELECT nosuch FROM t",
        "SELECT * FROM t; SELECT nosuch FROM t",
        "SELECT 1 AS [ ] FROM t",
    };
    for (const char* text : texts)
        expectSame(QString::fromUtf8(text));
}

TEST_F(PacketStream, TheResultLimitRefusesAtTheSameRow) {
    // 300 rows of a hundred characters: about 31 kB by the limit's count.
    const qint64 limits[] = {0, 1000, 30000, 31200, 31500, 40000};
    for (const qint64 limit : limits) {
        const server::ResultLimit bound(limit);
        expectSame(u"SELECT id, t FROM big"_s);
        expectSame(u"SELECT id FROM big; SELECT t FROM big WHERE id > 150"_s);
        const Answer streamed = answer(u"SELECT id, t FROM big"_s, true);
        EXPECT_EQ(limit > 0 && limit < 31000, !streamed.error.isEmpty()) << limit;
    }
}

TEST_F(PacketStream, CallersWithoutThePacketKeepTheirRecordSet) {
    const Result r = run(u"SELECT id, name FROM t WHERE id = 1"_s);
    ASSERT_TRUE(r.hasRows);
    EXPECT_TRUE(r.packet.isEmpty());
    ASSERT_EQ(1, r.rows.rowCount());
    EXPECT_EQ(u"可乐"_s, r.rows.at(0, 1).toString());
}

}  // namespace
}  // namespace dyt::test
