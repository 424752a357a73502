// Building blocks of the server: database interface, transactions, the restricted connection for
// client texts, password hashes and the configuration file.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "common/error.h"
#include "server/config.h"
#include "server/database.h"
#include "server/password.h"

namespace dyt::server {
namespace {

class DatabaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        db = Database::open(dir.filePath(QStringLiteral("t.db")), Database::Mode::ReadWriteCreate);
        db->executeScript(QStringLiteral(
            "CREATE TABLE parent(id INTEGER PRIMARY KEY);"
            "CREATE TABLE child(id INTEGER PRIMARY KEY, pid INTEGER REFERENCES parent(id) "
            "DEFERRABLE INITIALLY DEFERRED, name TEXT, amount MONEY, day DATE, at DATETIME);"
            "INSERT INTO parent(id) VALUES (1);"));
    }
    qint64 count(const QString& table) {
        return db->scalar(QStringLiteral("SELECT count(*) FROM ") + table).toLongLong();
    }
    QTemporaryDir dir;
    std::unique_ptr<Database> db;
};

TEST_F(DatabaseTest, OpensWithTheServerSettings) {
    EXPECT_EQ(QStringLiteral("wal"), db->scalar(QStringLiteral("PRAGMA journal_mode")).toString());
    EXPECT_EQ(1, db->scalar(QStringLiteral("PRAGMA foreign_keys")).toLongLong());
    EXPECT_EQ(2, db->scalar(QStringLiteral("PRAGMA synchronous")).toLongLong());  // FULL
}

TEST_F(DatabaseTest, BoundParametersKeepQuotesAndChineseIntact) {
    const QString name = QStringLiteral("O'Brien 的 \"商品\"; DROP TABLE child;--");
    EXPECT_EQ(1, db->execute(QStringLiteral("INSERT INTO child(id, pid, name) VALUES (?, ?, ?)"),
                             {1, 1, name}));
    EXPECT_EQ(name,
              db->scalar(QStringLiteral("SELECT name FROM child WHERE id = ?"), {1}).toString());
    EXPECT_TRUE(db->tableExists(QStringLiteral("CHILD")));
    EXPECT_FALSE(db->tableExists(QStringLiteral("nosuch")));
}

TEST_F(DatabaseTest, RecordSetTypesFollowDeclarationsAndValues) {
    db->execute(
        QStringLiteral("INSERT INTO child VALUES (1, 1, '甲', 12.5, '2026-01-31', "
                       "'2026-01-31 08:00:00')"));
    db->execute(QStringLiteral("INSERT INTO child VALUES (2, 1, NULL, 3, NULL, NULL)"));
    RecordSet rs = db->query(QStringLiteral(
        "SELECT id, name, amount, day, at, id * 1.5 AS half, 'x' || id AS tag, NULL AS empty "
        "FROM child ORDER BY id"));
    ASSERT_EQ(8, rs.fieldCount());
    const FieldType expected[] = {FieldType::Integer, FieldType::Text,     FieldType::Currency,
                                  FieldType::Date,    FieldType::DateTime, FieldType::Float,
                                  FieldType::Text,    FieldType::Text};
    for (int c = 0; c < 8; ++c)
        EXPECT_EQ(expected[c], rs.fields()[c].type) << c;
    EXPECT_EQ(Currency::fromRaw(125000).raw(), rs.at(0, 2).value<Currency>().raw());
    EXPECT_EQ(Currency::fromRaw(30000).raw(), rs.at(1, 2).value<Currency>().raw());
    EXPECT_EQ(QDate(2026, 1, 31), rs.at(0, 3).toDate());
    EXPECT_FALSE(rs.at(1, 1).isValid());
    EXPECT_EQ(3.0, rs.at(1, 5).toDouble());
    EXPECT_EQ(QStringLiteral("x2"), rs.at(1, 6).toString());
}

TEST_F(DatabaseTest, DeclaredDateHoldingOtherTextFallsBackToText) {
    db->execute(QStringLiteral("INSERT INTO child(id, pid, day) VALUES (1, 1, '下月')"));
    RecordSet rs = db->query(QStringLiteral("SELECT day FROM child"));
    EXPECT_EQ(FieldType::Text, rs.fields()[0].type);
    EXPECT_EQ(QStringLiteral("下月"), rs.at(0, 0).toString());
}

TEST_F(DatabaseTest, TransactionRollsBackUnlessCommitted) {
    {
        Transaction tx(*db);
        db->execute(QStringLiteral("INSERT INTO child(id, pid) VALUES (1, 1)"));
        EXPECT_TRUE(db->inTransaction());
    }
    EXPECT_FALSE(db->inTransaction());
    EXPECT_EQ(0, count(QStringLiteral("child")));
    {
        Transaction tx(*db);
        db->execute(QStringLiteral("INSERT INTO child(id, pid) VALUES (1, 1)"));
        tx.commit();
        EXPECT_FALSE(tx.active());
        EXPECT_THROW(tx.commit(), DytError);
    }
    EXPECT_EQ(1, count(QStringLiteral("child")));
}

TEST_F(DatabaseTest, TransactionBeginFailsInsideAnother) {
    Transaction outer(*db);
    EXPECT_THROW(Transaction inner(*db), DytError);
    EXPECT_TRUE(db->inTransaction());  // the outer one is untouched
}

TEST_F(DatabaseTest, FailedCommitLeavesNothingWritten) {
    {
        Transaction tx(*db);
        // Deferred foreign key: the violation shows only at commit.
        db->execute(QStringLiteral("INSERT INTO child(id, pid) VALUES (1, 99)"));
        EXPECT_THROW(tx.commit(), DytError);
        EXPECT_TRUE(tx.active());
    }
    EXPECT_FALSE(db->inTransaction());
    EXPECT_EQ(0, count(QStringLiteral("child")));
}

TEST_F(DatabaseTest, RollbackOfAnAlreadyEndedTransactionIsQuiet) {
    {
        Transaction tx(*db);
        db->execute(QStringLiteral("INSERT INTO child(id, pid) VALUES (1, 1)"));
        db->executeScript(QStringLiteral("ROLLBACK"));
    }  // the destructor's rollback fails and is swallowed
    EXPECT_EQ(0, count(QStringLiteral("child")));
    Transaction again(*db);  // a new transaction can begin
    again.commit();
}

TEST_F(DatabaseTest, StatementsOfATextRunInTurn) {
    QStringList seen;
    db->forEachStatement(
        QStringLiteral("CREATE TABLE t(a); INSERT INTO t VALUES (1); -- note\n"
                       "SELECT a FROM t;  "),
        [&](Statement& st) {
            seen << (st.columnCount() > 0 ? QStringLiteral("query") : QStringLiteral("statement"));
            while (st.step()) {
            }
        });
    EXPECT_EQ((QStringList{QStringLiteral("statement"), QStringLiteral("statement"),
                           QStringLiteral("query")}),
              seen);
    EXPECT_THROW(db->forEachStatement(QStringLiteral("SELEC 1"), [](Statement&) {}), DytError);
}

TEST_F(DatabaseTest, WriteWatcherSeesTablesAndColumns) {
    QStringList seen;
    db->setWriteWatcher(
        [&](const QString& t, const QString& c) { seen << t + QLatin1Char('.') + c; });
    db->prepare(QStringLiteral("UPDATE child SET name = 'a' WHERE id = 1"));
    db->prepare(QStringLiteral("INSERT INTO parent(id) VALUES (5)"));
    db->setWriteWatcher(nullptr);
    db->prepare(QStringLiteral("DELETE FROM parent"));
    EXPECT_TRUE(seen.contains(QStringLiteral("child.name")))
        << seen.join(QLatin1Char(' ')).toStdString();
    EXPECT_TRUE(seen.contains(QStringLiteral("parent.")));
    EXPECT_EQ(2, seen.size());
}

TEST_F(DatabaseTest, RestrictedConnectionRefusesEscapesAndStillWatchesWrites) {
    QStringList seen;
    db->setWriteWatcher(
        [&](const QString& t, const QString& c) { seen << t + QLatin1Char('.') + c; });
    db->setRestricted(true);
    const char* refused[] = {
        "ATTACH DATABASE 'other.db' AS o",
        "DETACH DATABASE temp",
        "PRAGMA foreign_keys = OFF",
        "PRAGMA table_info(child)",
        "CREATE TABLE x(a)",
        "DROP TABLE child",
        "ALTER TABLE child ADD COLUMN b",
        "BEGIN",
        "SAVEPOINT s",
        "SELECT name FROM sqlite_master",
        "SELECT load_extension('x')",
    };
    for (const char* sql : refused) {
        try {
            db->prepare(QString::fromLatin1(sql));
            ADD_FAILURE() << "prepared: " << sql;
        } catch (const DytError& e) {
            // "not authorized", for reads "access to … is prohibited", for functions "not
            // authorized to use function: …".
            EXPECT_TRUE(e.message().contains(QLatin1String("not authorized")) ||
                        e.message().contains(QLatin1String("prohibited")))
                << sql << ": " << e.message().toStdString();
        }
    }
    // Business statements pass, and the watcher sees their writes.
    db->prepare(QStringLiteral("UPDATE child SET amount = 1 WHERE id IN (SELECT id FROM parent)"));
    EXPECT_EQ(QStringList{QStringLiteral("child.amount")}, seen);
    db->setRestricted(false);
    db->setWriteWatcher(nullptr);
    db->prepare(QStringLiteral("PRAGMA table_info(child)"));
}

TEST(Password, HashesAreSaltedAndVerify) {
    const QString a = password::hash(QStringLiteral("口令123"), 1000);
    const QString b = password::hash(QStringLiteral("口令123"), 1000);
    EXPECT_NE(a, b);  // different salts
    EXPECT_TRUE(password::isHash(a));
    EXPECT_FALSE(a.contains(QStringLiteral("口令123")));
    EXPECT_TRUE(password::verify(QStringLiteral("口令123"), a));
    EXPECT_TRUE(password::verify(QStringLiteral("口令123"), b));
    EXPECT_FALSE(password::verify(QStringLiteral("口令124"), a));
    EXPECT_FALSE(password::verify(QString(), a));
    // Stored values that are not hashes.
    EXPECT_TRUE(password::verify(QString(), QString()));
    EXPECT_FALSE(password::verify(QStringLiteral("x"), QString()));
    EXPECT_FALSE(password::verify(QStringLiteral("secret"), QStringLiteral("secret")));
    EXPECT_FALSE(password::isHash(QStringLiteral("pbkdf2-sha256$0$a$b")));
}

TEST(Config, FileAndCommandLine) {
    ServerConfig c;
    c.loadText(QStringLiteral("# comment\n[server]\nlisten = 0.0.0.0\nport=8019\n; other\n"
                              "data=/srv/dyt\nadmin=boss\nframeLimit=4096\nnewLoginMode=1\n"
                              "rememberProfile=1\nlockBillDate=1\n"),
               QStringLiteral("test.ini"));
    EXPECT_EQ(QStringLiteral("0.0.0.0"), c.listen);
    EXPECT_EQ(8019, c.port);
    EXPECT_EQ(QStringLiteral("/srv/dyt"), c.dataDir);
    EXPECT_EQ(QStringLiteral("boss"), c.adminAccount);
    EXPECT_EQ(4096, c.frameLimit);
    EXPECT_EQ(1, c.newLoginMode);
    EXPECT_EQ(1, c.rememberProfile);
    EXPECT_EQ(1, c.lockBillDate);

    c.applyArguments({QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--data"),
                      QStringLiteral("d2"), QStringLiteral("--listen"), QStringLiteral("::1")},
                     QString());
    EXPECT_EQ(0, c.port);
    EXPECT_EQ(QStringLiteral("d2"), c.dataDir);
    EXPECT_EQ(QStringLiteral("::1"), c.listen);
}

TEST(Config, BadLinesAndOptionsAreRefused) {
    const char* badTexts[] = {"port=70000",    "port=abc",       "colour=red", "no equals sign",
                              "frameLimit=10", "newLoginMode=2", "admin="};
    for (const char* t : badTexts) {
        ServerConfig c;
        EXPECT_THROW(c.loadText(QString::fromLatin1(t), QStringLiteral("x.ini")), DytError) << t;
    }
    const QStringList badArgs[] = {
        {QStringLiteral("--port")},
        {QStringLiteral("--verbose")},
        {QStringLiteral("--port"), QStringLiteral("-1")},
        {QStringLiteral("--config"), QStringLiteral("/nonexistent/x.ini")}};
    for (const auto& a : badArgs) {
        ServerConfig c;
        EXPECT_THROW(c.applyArguments(a, QString()), DytError)
            << a.join(QLatin1Char(' ')).toStdString();
    }
}

}  // namespace
}  // namespace dyt::server
