// Client SQL through the server's entry points: the dialect layer, password hashing, the backup
// log, the upgrade at login and every corpus text on a seeded account set.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "backend_fixture.h"
#include "records.h"
#include "server/db/password.h"
#include "server/procs/callrights.h"
#include "server/db/schema.h"
#include "server/db/schema_internal.h"
#include "tsql_corpus.h"

using namespace Qt::StringLiterals;

namespace dyt::server {
namespace {

class BackendSql : public test::BackendFixture {
protected:
    void SetUp() override {
        BackendFixture::SetUp();
        for (const char* name : {"账套甲", "账套乙"})
            ASSERT_EQ(0, createProfile(QString::fromUtf8(name)).code());
    }
    void TearDown() override {
        BackendFixture::TearDown();
        backend_->closeSession(other_);
    }
    Session other_;
};

TEST_F(BackendSql, PasswordsWrittenByClientTextsAreStoredHashed) {
    ASSERT_EQ(0, login(session_, u"dytv1_1"_s).code());
    EXPECT_EQ(1, update(u"INSERT INTO baseZY(id, code, fullname) VALUES (2, '002', '张三')"_s));
    struct Case {
        const char* sql;
        qint64 id;
        const char* password;
        bool query;  // sent with ExecQuery
    };
    const Case cases[] = {
        {"insert into sysuser(id, password) values (2, 'zs')", 2, "zs", false},
        {"Update sysuser set password = 'abc' where id = 2", 2, "abc", false},
        {"UPDATE sysuser SET password = '新口令'  WHERE id = 1", 1, "新口令", false},
        {"UPDATE a SET a.password = 'q1' FROM sysuser AS a, baseZY AS b WHERE a.id = b.id AND "
         "b.code = '002'",
         2, "q1", false},
        {"UPDATE sysuser SET password = 'viaquery' WHERE id = 2; SELECT 1 AS done", 2, "viaquery",
         true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        if (c.query)
            EXPECT_EQ(1, query(QString::fromUtf8(c.sql)).rowCount());
        else
            EXPECT_EQ(1, update(QString::fromUtf8(c.sql)));
        const QString stored = Database::open(backend_->profilePath(u"dytv1_1"_s))
                                   ->scalar(u"SELECT password FROM sysuser WHERE id = ?"_s, {c.id})
                                   .toString();
        EXPECT_TRUE(password::isHash(stored)) << "stored " << stored.toStdString();
        EXPECT_TRUE(password::verify(QString::fromUtf8(c.password), stored));
    }
    // The new password opens a login; the old one no longer does.
    EXPECT_EQ(-3, login(other_, u"dytv1_1"_s).code());
    EXPECT_EQ(0, login(other_, u"dytv1_1"_s, u"新口令"_s).code());
}

TEST_F(BackendSql, BackupLogIsTheAccountSetsOwnAndDeletesReachTheCatalogue) {
    ASSERT_EQ(0, login(session_, u"dytv1_1"_s).code());
    ASSERT_EQ(0, login(other_, u"dytv1_2"_s).code());
    for (const char* file : {"甲.1.db", "甲.2.db"}) {
        ASSERT_EQ(0,
                  call(session_, "BackupProfile",
                       {u"dytv1_1"_s, u"账套甲"_s, QString::fromUtf8(file), u"sa"_s, QString(), 0})
                      .code());
    }
    ASSERT_EQ(0, call(other_, "BackupProfile",
                      {u"dytv1_2"_s, u"账套乙"_s, u"乙.1.db"_s, u"sa"_s, QString(), 0})
                     .code());
    // Each account set sees its own backups only.
    EXPECT_EQ(2, scalar(u"SELECT count(*) FROM master.dbo.mvqxDbLog"_s).toLongLong());
    EXPECT_EQ(1, query(u"select backFileName from master.dbo.mvqxDbLog"_s, &other_).rowCount());
    const QString time = scalar(
                             u"SELECT backDateTime FROM master.dbo.mvqxDbLog WHERE backFileName "
                             "= '甲.1.db'"_s)
                             .toString();
    ASSERT_FALSE(time.isEmpty());
    const QString backupFile = QDir(backend_->backupDir()).filePath(u"甲.1.db"_s);
    EXPECT_TRUE(QFile::exists(backupFile));
    // The text the backup window sends, once the administrator's password was checked.
    const QString deletion =
        u"DELETE FROM master.dbo.mvqxDbLog \r\n WHERE backFileName = '甲.1.db'\r\n AND "
        "backDateTime = '"_s +
        time + u'\'';
    EXPECT_GT(0, call(session_, "ExecUpdate", {deletion}).code());
    ASSERT_EQ(0, call(session_, "ExecCommand",
                      {proto::joinLines({u"Command=CheckAdminPass"_s, u"Password="_s})})
                     .code());
    EXPECT_EQ(1, update(deletion));
    const RecordSet left =
        proto::recordSetFromCbor(call(session_, "GetProfileBackups", {QString()}).out(0));
    ASSERT_EQ(1, left.rowCount());
    EXPECT_EQ(u"甲.2.db"_s, left.text(u"backFileName"_s));
    EXPECT_FALSE(QFile::exists(backupFile));
    // The other account set's backup is out of reach.
    EXPECT_EQ(0, update(u"DELETE FROM master.dbo.mvqxDbLog WHERE backFileName = "
                        "'乙.1.db'"_s));
    EXPECT_EQ(
        1,
        proto::recordSetFromCbor(call(other_, "GetProfileBackups", {QString()}).out(0)).rowCount());
    // The log exists only for the text that names it; the catalogue's own tables never.
    EXPECT_THROW(query(u"SELECT * FROM master.dbo.backups"_s), DytError);
    EXPECT_THROW(query(u"SELECT * FROM master.dbo.admins"_s), DytError);
}

TEST_F(BackendSql, OlderAccountSetAsksForAnUpgradeAndIsUpgradedAtLogin) {
    const int product = schema::currentVersion();
    // A step beyond the product's versions makes the account sets created above one older.
    schema::detail::ScopedUpgradeSteps steps({{product + 1, [](dyt::server::schema::Connection db) {
                                                   schema::detail::exec(
                                                       db,
                                                       "ALTER TABLE baseGoods ADD COLUMN colour "
                                                       "VARCHAR(20) NOT NULL DEFAULT '本色'");
                                               }}});
    ASSERT_EQ(product + 1, schema::currentVersion());
    proto::Response r = login(session_, u"dytv1_1"_s);
    EXPECT_EQ(-9, r.code());
    EXPECT_EQ(
        u"账套[账套甲]的版本(%1)低于系统版本(%2)，需要升级后才能使用。"
        "升级前请先备份账套。是否现在升级？"_s.arg(product)
            .arg(product + 1),
        r.outText(0));
    EXPECT_FALSE(session_.loggedIn());
    // Only an operator who passes the password check has it upgraded.
    EXPECT_EQ(-3, login(session_, u"dytv1_1"_s, u"wrong"_s, u"Update"_s).code());
    EXPECT_EQ(-9, login(session_, u"dytv1_1"_s).code());
    r = login(session_, u"dytv1_1"_s, QString(), u"Update"_s);
    ASSERT_EQ(0, r.code()) << r.outText(0).toStdString();
    EXPECT_EQ(product + 1, scalar(u"SELECT version FROM sysVersion"_s).toLongLong());
    // The new column is there, and the translation knows its type (text compared without case).
    EXPECT_EQ(1, update(u"INSERT INTO baseGoods(id, code, fullname, colour) VALUES "
                        "(1, 'G1', '螺丝', 'Red')"_s));
    EXPECT_EQ(u"G1"_s, scalar(u"SELECT code FROM baseGoods WHERE colour = 'RED'"_s).toString());
    // The other account set stays at its version until its own login asks for the upgrade.
    EXPECT_EQ(-9, login(other_, u"dytv1_2"_s).code());
}

// Base rows and bills of a small trading company, with the ids the corpus texts name (goods 101
// and 102 in category 5, partner 201, unit 301, warehouse 1, bills 1001-1003, operators 2 and 3).
const char* const kBusinessRows[] = {
    "INSERT INTO baseZY(id, code, fullname) VALUES (2, '002', '张三'), (3, '003', '李四')",
    "INSERT INTO sysuser(id, password) VALUES (2, ''), (3, '')",
    "INSERT INTO baseCK(id, code, fullname) VALUES (1, '01', '总仓')",
    "INSERT INTO baseWLDW(id, code, fullname, type, ys_xyd, yf_xyd, ystotal, yftotal) VALUES "
    "(201, 'K001', '宏达五金', 0, 5000, 3000, 1200, 800), (202, 'G001', '华南供应', 1, 0, 0, 0, 0)",
    "INSERT INTO baseGoods(id, par_id, par_jl, leveal, sonnum, code, fullname) VALUES "
    "(5, 0, '5,', 1, 2, '01', '紧固件'), (101, 5, '5,101,', 2, 0, '0101', '螺丝'), "
    "(102, 5, '5,102,', 2, 0, '0102', '螺母'), (103, 0, '103,', 1, 0, '02', '扳手')",
    "INSERT INTO baseGoodsUnit(id, Goodsid, fzdwid, unit, rate, price) VALUES "
    "(301, 101, 0, '个', 1, 3.5)",
    "INSERT INTO baseGoodsStock(goodsid, stockid, qty, price, total) VALUES "
    "(101, 1, 40, 2.5, 100), (102, 1, 8, 1.25, 10)",
    "INSERT INTO baseGoodsPurview(id, czy_id, isbj) VALUES (5, 3, 0), (101, 3, 0), (102, 3, 0), "
    "(103, 3, 0)",
    // Two rights of operator 2 (ids after the seeded ones, which belong to operator 1).
    "INSERT INTO sysPurview(userid, menuid, isbj, iscygn, openCount) SELECT 2, id, 1, 1, 5 "
    "FROM sysMenu WHERE id IN ((SELECT min(id) FROM sysMenu), (SELECT max(id) FROM sysMenu))",
    "INSERT INTO baseCuXiao(id, name, isStop) VALUES (3, '满十送一', 0), (4, '周末特价', 1)",
    "INSERT INTO djIndex(id, djType, code, date, dj_state, wldw_id) VALUES "
    "(1001, 1, 'XS-20240315-0001', '2024-03-15', 2, 201), "
    "(1002, 21, 'SK-20240316-0001', '2024-03-16', 1, 201), "
    "(1003, 5, 'JH-20240316-0001', '2024-03-16', 2, 202)",
    "INSERT INTO djList(orderid, id, djType, date, dj_state, goodsid, OutStock_id, qty, price, "
    "total, km_id) VALUES (5001, 1001, 1, '2024-03-15', 2, 101, 1, 5, 4, 20, 0), "
    "(5002, 1002, 21, '2024-03-16', 1, 0, 0, 0, 0, 20, 0), "
    "(5003, 1002, 21, '2024-03-16', 1, 0, 0, 0, 0, 15, 0), "
    "(5004, 1002, 21, '2024-03-16', 1, 0, 0, 0, 0, 5, 7)",
    // The bills lie in the current accounting month.
    "UPDATE sysPeriod SET beginDate = '2024-03-01' WHERE type = 0"};

// Rows each statement of the corpus changes on those rows, run in corpus order.
struct Expected {
    const char* id;
    qint64 changes;
};
const Expected kExpectedChanges[] = {
    {"cygn.save", 2},             // operator 2's two rights; ids 11 and 12 are operator 1's
    {"cache.goods-stamp", 4},     // every goods row
    {"cache.wldw-stamp", 2},      // every partner
    {"login.session-delete", 1},  // the session's own row
    {"login.session-insert", 1},
    {"bill.audit-set", 1},
    {"bill.audit-clear", 1},
    {"bill.print-count", 1},
    {"bill.line-note", 1},     // line 5001
    {"skd.resettle-zero", 2},  // the two lines of bill 1002 without an account
    {"fkd.resettle-negate", 2},
    {"skd.resettle-delete", 2},
    {"skd.settle-post", 0},  // deleted by the text before
    {"promotion.toggle", 2},
    {"history.change-header", 1},
    {"history.reconcile", 1},
    {"history.user-fields", 1},
    {"alerts.popup-save", 1},
    {"goods.picture-set", 1},
    {"goods.picture-clear", 1},
    {"operator.set-password", 1},
    {"operator.own-password", 1},
    {"records.grant-subtree", 3},         // category 5 and its goods 101, 102; not 103
    {"records.recompute-categories", 1},  // the one category
    {"backup.delete-record", 0},          // no backup of that name
    {"options.entry-switch-save", 1},
    {"audit.save", 8},  // eight statements on bill kind 5
    {"print.save", 2},  // bill kinds 1 and 2
    {"voucher.mark-summary", 3},
    {"voucher.mark", 3}};

// First-row values of queries on those rows, worked out by hand.
struct ExpectedValue {
    const char* id;
    const char* field;
    double value;
    const char* keyField = nullptr;  // the row whose key is this, for texts without an order
    qint64 key = 0;
};
const ExpectedValue kExpectedValues[] = {
    {"settings.goods-price", "price", 4},   // bill 1001 sold goods 101 to 201 at 4
    {"settings.cost-total", "price", 30},   // 12 pieces at 100 / 40
    {"settings.cost-price", "price", 2.5},  // per piece (unit 301, rate 1)
    {"jhd.partner-total", "total", 400},    // receivable 1200 less payable 800
    {"jhd.partner-balances", "ystotal", 400}, {"jhd.partner-balances", "yftotal", -400},
    {"xsd.available-stock", "KYKCQty", 40},  // no open sales orders
    {"xsd.available-stock", "StockQty", 40},  {"xsd.negative-stock", "qty", 40},  // goods 101 first
    {"xsd.virtual-stock", "xnkcqty", 40, "goodsid", 101},     {"partner.type", "type", 0}};

TEST_F(BackendSql, EveryCorpusTextRunsOnASeededAccountSet) {
    ASSERT_EQ(0, login(session_, u"dytv1_1"_s).code());
    for (const char* sql : kBusinessRows) {
        EXPECT_EQ(QString(),
                  dyt::test::errorOf([&] { EXPECT_LT(0, update(QString::fromUtf8(sql))) << sql; }))
            << sql;
    }
    const std::vector<dyt::test::CorpusText> corpus = dyt::test::readCorpus();
    ASSERT_GE(corpus.size(), 100u);
    int ran = 0;
    int checked = 0;
    for (const dyt::test::CorpusText& t : corpus) {
        const std::string id = t.id.toStdString();
        proto::Response r = call(session_, t.query ? "ExecQuery" : "ExecUpdate", {t.sql});
        // Every text the windows write passes operator 1's check, but those whose rows belong to
        // another operator (an audit mark) or are no posted bills (an export mark on the draft
        // 1002); those run again with the administrator's password.
        if (!t.query && r.code() < 0 && r.outText(0) == callrights::refusal()) {
            static const QStringList othersRows{u"bill.audit-set"_s, u"bill.audit-clear"_s,
                                                u"voucher.mark-summary"_s, u"voucher.mark"_s};
            EXPECT_TRUE(othersRows.contains(t.id)) << id << " is refused to operator 1";
            session_.adminVerified = true;
            r = call(session_, "ExecUpdate", {t.sql});
            session_.adminVerified = false;
        }
        ASSERT_TRUE(r.error.isEmpty()) << id << ": " << r.error.toStdString();
        if (t.query) {
            if (r.code() != 0) {
                ADD_FAILURE() << id << ": " << r.outText(1).toStdString();
                continue;
            }
            const RecordSet rs = proto::recordSetFromCbor(r.out(0));
            for (const QString& field : t.reads) {
                EXPECT_GE(rs.fieldIndex(field.trimmed()), 0)
                    << id << " lacks the column " << field.toStdString();
            }
            for (const ExpectedValue& e : kExpectedValues) {
                if (t.id != QLatin1String(e.id))
                    continue;
                ++checked;
                ASSERT_LT(0, rs.rowCount()) << id;
                RecordSet row = rs;
                if (e.keyField) {
                    ASSERT_TRUE(row.locate(QString::fromLatin1(e.keyField), e.key)) << id;
                }
                EXPECT_NEAR(e.value, row.number(QString::fromLatin1(e.field)), 1e-9)
                    << id << " " << e.field;
            }
        } else {
            for (const Expected& e : kExpectedChanges) {
                if (t.id == QLatin1String(e.id)) {
                    EXPECT_EQ(e.changes, r.code()) << id;
                    ++checked;
                }
            }
        }
        if (!t.query && r.code() < 0) {
            ADD_FAILURE() << id << ": " << r.outText(0).toStdString();
            continue;
        }
        ++ran;
    }
    EXPECT_EQ(static_cast<int>(corpus.size()), ran);
    EXPECT_EQ(static_cast<int>(std::size(kExpectedChanges) + std::size(kExpectedValues)), checked);
}

}  // namespace
}  // namespace dyt::server

namespace dyt::server {
namespace {

// What a modified client may send as SQL text: the account set's rows are all it reaches, on
// either engine. Each text is refused, or answers only what the windows may see.
TEST_F(BackendSql, ClientTextsReachTheAccountSetsRowsAndNothingElse) {
    ASSERT_EQ(0, login(session_, u"dytv1_1"_s).code());
    struct Case {
        const char* sql;
        bool refused;
        const char* rows;  // the rows when answered
    };
    // clang-format off
    const Case cases[] = {
        {"SELECT * FROM sqlite_master", true, ""},
        {"SELECT * FROM pg_authid", true, ""},
        {"SELECT usename, passwd FROM pg_shadow", true, ""},
        {"SELECT datname FROM pg_database", true, ""},
        {"SELECT table_name FROM information_schema.tables", true, ""},
        {"SELECT pg_read_file('/etc/passwd')", true, ""},
        {"SELECT set_config('role', 'postgres', false)", true, ""},
        {"DROP TABLE baseGoods", true, ""},
        {"CREATE TABLE x (a int)", true, ""},
        {"SELECT password FROM public.sysuser", true, ""},
        {"SELECT id, password FROM sysuser", false, "1|"},
        {"SELECT u.password FROM sysuser AS u JOIN baseZY AS z ON z.id = u.id", false, ""},
        {"UPDATE baseGoods SET fullname = 'x'", true, ""},
        {"DELETE FROM sysLog", true, ""},
        {"INSERT INTO sysuser (id, password) VALUES (9, 'x')", true, ""},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        const proto::Response r = call(session_, "ExecQuery", {QString::fromUtf8(c.sql)});
        EXPECT_EQ(c.refused, r.code() != 0) << r.outText(1).toStdString();
        if (!c.refused && r.code() == 0) {
            const RecordSet rs = proto::recordSetFromCbor(r.out(0));
            EXPECT_EQ(QString::fromUtf8(c.rows), dyt::test::rowTexts(rs).join(u'\n'));
        }
    }
    // Nothing of it stayed: one operator, the goods as they were.
    EXPECT_EQ(1, count(u"SELECT count(*) FROM sysuser"_s));
}

}  // namespace
}  // namespace dyt::server
