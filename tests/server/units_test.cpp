// Building blocks of the server: database interface, transactions, the restricted connection for
// client texts, password hashes and the configuration file.
#include <gtest/gtest.h>

#include <QPasswordDigestor>
#include <QTemporaryDir>

#include "common/error.h"
#include "server/db/database.h"
#include "server/db/password.h"
#include "server/net/config.h"
#include "server/net/throttle.h"
#include "server/tsql/tsql.h"
#include "support/testutil.h"

using namespace Qt::StringLiterals;

namespace dyt::server {
namespace {

class DatabaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        db = Database::open(dir.filePath(u"t.db"_s), Database::Mode::ReadWriteCreate);
        db->executeScript(
            u"CREATE TABLE parent(id INTEGER PRIMARY KEY);"
            "CREATE TABLE child(id INTEGER PRIMARY KEY, pid INTEGER REFERENCES parent(id) "
            "DEFERRABLE INITIALLY DEFERRED, name TEXT, amount MONEY, day DATE, at DATETIME);"
            "INSERT INTO parent(id) VALUES (1);"_s);
    }
    qint64 count(const QString& table) {
        return db->scalar(u"SELECT count(*) FROM "_s + table).toLongLong();
    }
    QTemporaryDir dir;
    std::unique_ptr<Database> db;
};

TEST_F(DatabaseTest, OpensWithTheServerSettingsAndBindsParametersIntact) {
    EXPECT_EQ(u"wal"_s, db->scalar(u"PRAGMA journal_mode"_s).toString());
    EXPECT_EQ(1, db->scalar(u"PRAGMA foreign_keys"_s).toLongLong());
    EXPECT_EQ(2, db->scalar(u"PRAGMA synchronous"_s).toLongLong());  // FULL
    // Bound parameters keep quotes and Chinese intact; table names are found without case.
    const QString name = u"O'Brien 的 \"商品\"; DROP TABLE child;--"_s;
    EXPECT_EQ(1, db->execute(u"INSERT INTO child(id, pid, name) VALUES (?, ?, ?)"_s, {1, 1, name}));
    EXPECT_EQ(name, db->scalar(u"SELECT name FROM child WHERE id = ?"_s, {1}).toString());
    EXPECT_TRUE(db->tableExists(u"CHILD"_s));
    EXPECT_FALSE(db->tableExists(u"nosuch"_s));
}

TEST_F(DatabaseTest, TransactionRollsBackUnlessCommittedAndAFailedCommitWritesNothing) {
    {
        Transaction tx(*db);
        db->execute(u"INSERT INTO child(id, pid) VALUES (1, 1)"_s);
        EXPECT_TRUE(db->inTransaction());
    }
    EXPECT_FALSE(db->inTransaction());
    EXPECT_EQ(0, count(u"child"_s));
    {
        Transaction tx(*db);
        db->execute(u"INSERT INTO child(id, pid) VALUES (1, 1)"_s);
        tx.commit();
        EXPECT_FALSE(tx.active());
        EXPECT_THROW(tx.commit(), DytError);
    }
    EXPECT_EQ(1, count(u"child"_s));
    {
        Transaction outer(*db);
        EXPECT_THROW(Transaction inner(*db), DytError);
        EXPECT_TRUE(db->inTransaction());  // the outer one is untouched
        db->execute(u"INSERT INTO child(id, pid) VALUES (2, 1)"_s);
        db->executeScript(u"ROLLBACK"_s);
    }  // the destructor's rollback fails and is swallowed
    EXPECT_EQ(1, count(u"child"_s));
    Transaction again(*db);  // a new transaction can begin
    again.commit();
    db->execute(u"DELETE FROM child"_s);
    {
        Transaction tx(*db);
        // Deferred foreign key: the violation shows only at commit.
        db->execute(u"INSERT INTO child(id, pid) VALUES (1, 99)"_s);
        EXPECT_THROW(tx.commit(), DytError);
        EXPECT_TRUE(tx.active());
    }
    EXPECT_FALSE(db->inTransaction());
    EXPECT_EQ(0, count(u"child"_s));
}

TEST_F(DatabaseTest, StatementsOfATextRunInTurnAndRecordSetTypesFollowDeclarations) {
    QStringList seen;
    db->forEachStatement(
        u"CREATE TABLE t(a); INSERT INTO t VALUES (1); -- note\n"
        "SELECT a FROM t;  "_s,
        [&](Statement& st) {
            seen << (st.columnCount() > 0 ? u"query"_s : u"statement"_s);
            while (st.step()) {
            }
        });
    EXPECT_EQ((QStringList{u"statement"_s, u"statement"_s, u"query"_s}), seen);
    EXPECT_THROW(db->forEachStatement(u"SELEC 1"_s, [](Statement&) {}), DytError);
    db->execute(
        u"INSERT INTO child VALUES (1, 1, '甲', 12.5, '2026-01-31', "
        "'2026-01-31 08:00:00')"_s);
    db->execute(u"INSERT INTO child VALUES (2, 1, NULL, 3, NULL, NULL)"_s);
    RecordSet rs = db->query(
        u"SELECT id, name, amount, day, at, id * 1.5 AS half, 'x' || id AS tag, NULL AS empty "
        "FROM child ORDER BY id"_s);
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
    EXPECT_EQ(u"x2"_s, rs.at(1, 6).toString());
    // A declared date holding other text falls back to text.
    db->execute(u"UPDATE child SET day = '下月' WHERE id = 2"_s);
    rs = db->query(u"SELECT day FROM child WHERE id = 2"_s);
    EXPECT_EQ(FieldType::Text, rs.fields()[0].type);
    EXPECT_EQ(u"下月"_s, rs.at(0, 0).toString());
}

TEST_F(DatabaseTest, RestrictedConnectionRefusesEscapesAndStillWatchesWrites) {
    // The server's own statements are kept prepared; none of them may serve a restricted text.
    for (const char* sql : {"PRAGMA table_info(child)", "SELECT name FROM sqlite_master",
                            "UPDATE child SET amount = 1 WHERE id IN (SELECT id FROM parent)",
                            "INSERT INTO parent(id) VALUES (5)"})
        db->prepare(QString::fromLatin1(sql)).step();
    QStringList seen;
    db->setWriteWatcher(
        [&](const QString& t, const QString& c) { seen << t + QLatin1Char('.') + c; });
    db->setRestricted([](int action, const char* a, const char* b, const char* d, const char* t) {
        return tsql::clientAuthorizer(nullptr, action, a, b, d, t);
    });
    const char* refused[] = {"ATTACH DATABASE 'other.db' AS o",
                             "DETACH DATABASE temp",
                             "PRAGMA foreign_keys = OFF",
                             "PRAGMA table_info(child)",
                             "CREATE TABLE x(a)",
                             "DROP TABLE child",
                             "ALTER TABLE child ADD COLUMN b",
                             "BEGIN",
                             "SAVEPOINT s",
                             "SELECT name FROM sqlite_master",
                             "SELECT load_extension('x')"};
    for (const char* sql : refused) {
        // "not authorized", for reads "access to … is prohibited".
        const QString e = dyt::test::errorOf([&] { db->prepare(QString::fromLatin1(sql)); });
        EXPECT_TRUE(e.contains(u"not authorized"_s) || e.contains(u"prohibited"_s)) << sql;
    }
    // Business statements pass, and the watcher sees the columns they write (a row insert as
    // its table alone); once it is removed nothing more is seen.
    db->prepare(u"UPDATE child SET amount = 1 WHERE id IN (SELECT id FROM parent)"_s);
    db->prepare(u"INSERT INTO parent(id) VALUES (5)"_s);
    EXPECT_EQ((QStringList{u"child.amount"_s, u"parent."_s}), seen);
    db->setRestricted(nullptr);
    db->setWriteWatcher(nullptr);
    db->prepare(u"PRAGMA table_info(child)"_s);
    db->prepare(u"DELETE FROM parent"_s);
    EXPECT_EQ(2, seen.size());
}

TEST(Password, HashesAreSaltedAndOnlyTheServersOwnVerify) {
    const QString a = password::hash(u"口令123"_s);
    EXPECT_NE(a, password::hash(u"口令123"_s));  // different salts
    EXPECT_TRUE(password::isHash(a));
    EXPECT_FALSE(a.contains(u"口令123"_s));
    EXPECT_TRUE(password::verify(u"口令123"_s, a));
    EXPECT_FALSE(password::verify(u"口令124"_s, a));
    EXPECT_FALSE(password::verify(QString(), a));
    // A genuine PBKDF2 value with another iteration count, clear text, an empty value and an
    // altered form never match.
    const QByteArray salt(16, 's');
    const QString cheap = u"pbkdf2-sha256$1$%1$%2"_s.arg(
        QString::fromLatin1(salt.toBase64()),
        QString::fromLatin1(
            QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256, "x", salt, 1, 32)
                .toBase64()));
    const std::pair<QString, QString> foreign[] = {
        {u"x"_s, cheap}, {u"x"_s, u"x"_s}, {QString(), QString()}, {u"口令123"_s, a + u"="_s}};
    for (const auto& [typed, stored] : foreign) {
        EXPECT_FALSE(password::verify(typed, stored)) << stored.toStdString();
        EXPECT_FALSE(password::isHash(stored));
    }
}

TEST(LoginThrottle, LocksDoubleToTheCapPerAccountAndAddressAndParallelAttemptsGainNothing) {
    qint64 now = 0;
    QStringList log;
    LoginThrottle t(
        {.freeAttempts = 2,
         .addressFreeAttempts = 4,
         .delayMs = 1000,
         .delayMaxMs = 4000,
         .maxEntries = 40},
        [&] { return now; }, [&](const QString& line) { log << line; });
    const auto guess = [&](const QString& user, const QString& address) {  // a wrong password
        LoginThrottle::Attempt a = t.begin(u"dytv1_1"_s, user, address);
        if (a.refusedFor() == 0)
            a.failed();
        return a.refusedFor();
    };
    const auto wait = [&](const QString& user, const QString& address) {  // nothing answered
        return t.begin(u"dytv1_1"_s, user, address).refusedFor();
    };
    // Two free failures, then 1 s doubling to 4 s; the address locks from its fifth failure on,
    // which is shorter here. Each lock is waited out.
    std::vector<qint64> locks;
    for (int i = 0; i < 6; ++i) {
        ASSERT_EQ(0, guess(u"1"_s, u"10.0.0.1"_s));
        locks.push_back(wait(u"1"_s, u"10.0.0.1"_s));
        now += locks.back();
    }
    EXPECT_EQ((std::vector<qint64>{0, 0, 1000, 2000, 4000, 4000}), locks);
    ASSERT_EQ(6, log.size());
    EXPECT_TRUE(log[2].contains(u"账套[dytv1_1] 操作员[1] 地址[10.0.0.1] 连续失败3次"_s));
    // One more failure from the address locks it for every account; not other addresses.
    ASSERT_EQ(0, guess(u"2"_s, u"10.0.0.1"_s));
    EXPECT_EQ(4000, wait(u"3"_s, u"::ffff:10.0.0.1"_s));
    EXPECT_EQ(0, wait(u"3"_s, u"10.0.0.2"_s));
    // A right password forgets the account's failures.
    LoginThrottle::Attempt right = t.begin(u"dytv1_1"_s, u"1"_s, u"10.0.0.2"_s);
    ASSERT_EQ(0, right.refusedFor());
    right.succeeded();
    for (int i = 0; i < 2; ++i)
        ASSERT_EQ(0, guess(u"1"_s, u"10.0.0.2"_s));
    EXPECT_EQ(0, wait(u"1"_s, u"10.0.0.2"_s));
    // Checks running at once count as failures until they end.
    std::vector<LoginThrottle::Attempt> running;
    for (int i = 0; i < 3; ++i)
        running.push_back(t.begin(u"dytv1_1"_s, u"p"_s, u"10.0.0.3"_s));
    EXPECT_EQ(1000, wait(u"p"_s, u"10.0.0.3"_s));
    running.clear();
    EXPECT_EQ(0, wait(u"p"_s, u"10.0.0.3"_s));
    // After a long quiet while an account and an address start afresh.
    now += 15 * 4000 + 1;
    ASSERT_EQ(0, guess(u"1"_s, u"10.0.0.1"_s));
    EXPECT_EQ(0, wait(u"1"_s, u"10.0.0.1"_s));
    // Names and addresses cycled by an attacker do not grow the memory.
    for (int i = 0; i < 500; ++i)
        guess(u"n%1"_s.arg(i), u"10.1.%1.%2"_s.arg(i / 200).arg(i % 200));
    EXPECT_LE(t.size(), 40);
}

TEST(Config, FileAndCommandLineAndBadLinesAndOptionsAreRefused) {
    ServerConfig c;
    c.loadText(
        u"# comment\n[server]\nlisten = 0.0.0.0\nport=8019\n; other\n"
        "data=/srv/dyt\nadmin=boss\nframeLimit=4096\nnewLoginMode=1\n"
        "rememberProfile=1\nlockBillDate=1\n"_s,
        u"test.ini"_s);
    const auto fields = [&] {
        return u"%1|%2|%3|%4|%5|%6|%7|%8"_s.arg(c.listen)
            .arg(c.port)
            .arg(c.dataDir, c.adminAccount)
            .arg(c.frameLimit)
            .arg(c.newLoginMode)
            .arg(c.rememberProfile)
            .arg(c.lockBillDate);
    };
    EXPECT_EQ(u"0.0.0.0|8019|/srv/dyt|boss|4096|1|1|1"_s, fields());
    c.applyArguments({u"--port"_s, u"0"_s, u"--data"_s, u"d2"_s, u"--listen"_s, u"::1"_s},
                     QString());
    EXPECT_EQ(u"::1|0|d2|boss|4096|1|1|1"_s, fields());
    const char* badTexts[] = {"port=70000",       "port=abc",         "colour=red",
                              "no equals sign",   "frameLimit=10",    "newLoginMode=2",
                              "admin=",           "maxConnections=0", "loginIdleTimeout=0",
                              "loginFrameLimit=1"};
    for (const char* t : badTexts) {
        ServerConfig bad;
        EXPECT_THROW(bad.loadText(QString::fromLatin1(t), u"x.ini"_s), DytError) << t;
    }
    const QStringList badArgs[] = {{u"--port"_s},
                                   {u"--verbose"_s},
                                   {u"--port"_s, u"-1"_s},
                                   {u"--config"_s, u"/nonexistent/x.ini"_s}};
    for (const auto& a : badArgs) {
        ServerConfig bad;
        EXPECT_THROW(bad.applyArguments(a, QString()), DytError)
            << a.join(QLatin1Char(' ')).toStdString();
    }
}

}  // namespace
}  // namespace dyt::server
