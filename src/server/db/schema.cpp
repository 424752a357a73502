#include "server/db/schema.h"

#include <sqlite3.h>

#include <QDate>

#include <algorithm>
#include <map>

#include "common/error.h"
#include "server/db/database.h"
#include "server/db/pg_library.h"
#include "server/db/schema_internal.h"

namespace dyt::server::schema {

Connection::Connection(Database& db) : db_(&db), lite_(db.handle()) {}

namespace detail {

namespace {

QString lastError(sqlite3* db) {
    return QString::fromUtf8(sqlite3_errmsg(db));
}

}  // namespace

void exec(Connection db, const char* sql) {
    if (!db.lite()) {
        db.database()->executeScript(QString::fromUtf8(sql));
        return;
    }
    char* err = nullptr;
    if (sqlite3_exec(db.lite(), sql, nullptr, nullptr, &err) != SQLITE_OK) {
        QString msg = QString::fromUtf8(err ? err : "unknown error");
        sqlite3_free(err);
        throw DytError(msg);
    }
}

Statement::Statement(Connection db, const char* sql) : db_(db), sql_(QString::fromUtf8(sql)) {
    if (!db.lite()) {
        statement_ = std::make_unique<server::Statement>(
            db.database()->prepare(QString::fromUtf8(sql)));
        return;
    }
    if (sqlite3_prepare_v2(db.lite(), sql, -1, &st_, nullptr) != SQLITE_OK) {
        QString msg = lastError(db.lite());
        sqlite3_finalize(st_);
        st_ = nullptr;
        throw DytError(msg);
    }
}

Statement::~Statement() {
    sqlite3_finalize(st_);
}

namespace {

QVariant variantOf(const Value& v) {
    if (const auto* i = std::get_if<long long>(&v))
        return QVariant(qint64(*i));
    if (const auto* d = std::get_if<double>(&v))
        return QVariant(*d);
    return QVariant(std::get<QString>(v));
}

}  // namespace

void Statement::bind(int index, const Value& v) {
    if (statement_) {
        statement_->bind(index, variantOf(v));
        return;
    }
    int rc = SQLITE_OK;
    if (const auto* i = std::get_if<long long>(&v)) {
        rc = sqlite3_bind_int64(st_, index, *i);
    } else if (const auto* d = std::get_if<double>(&v)) {
        rc = sqlite3_bind_double(st_, index, *d);
    } else {
        QByteArray text = std::get<QString>(v).toUtf8();
        rc = sqlite3_bind_text(st_, index, text.constData(), static_cast<int>(text.size()),
                               SQLITE_TRANSIENT);
    }
    if (rc != SQLITE_OK)
        throw DytError(lastError(db_.lite()));
}

void Statement::run(std::initializer_list<Value> values) {
    run(std::vector<Value>(values));
}

void Statement::run(const std::vector<Value>& values) {
    if (statement_) {
        statement_->reset();
        int index = 1;
        for (const Value& v : values)
            bind(index++, v);
        statement_->execute();
        return;
    }
    sqlite3_reset(st_);
    sqlite3_clear_bindings(st_);
    int index = 1;
    for (const Value& v : values)
        bind(index++, v);
    int rc = sqlite3_step(st_);
    while (rc == SQLITE_ROW)
        rc = sqlite3_step(st_);
    if (rc != SQLITE_DONE) {
        QString msg = lastError(db_.lite());
        sqlite3_reset(st_);
        throw DytError(msg);
    }
    sqlite3_reset(st_);
}

void Statement::runRows(const std::vector<std::vector<Value>>& rows) {
    const qsizetype values = sql_.lastIndexOf(QLatin1String("VALUES"), -1, Qt::CaseInsensitive);
    if (!statement_ || rows.empty() || values < 0) {
        for (const std::vector<Value>& row : rows)
            run(row);
        return;
    }
    const QString head = sql_.left(values + 6) + QLatin1Char(' ');
    const QString tuple = sql_.mid(values + 6).trimmed();
    const size_t columns = std::max<size_t>(1, rows.front().size());
    const size_t perBatch = std::clamp<size_t>(30000 / columns, 1, 500);
    for (size_t from = 0; from < rows.size(); from += perBatch) {
        const size_t n = std::min(perBatch, rows.size() - from);
        QStringList tuples;
        tuples.reserve(qsizetype(n));
        for (size_t i = 0; i < n; ++i)
            tuples << tuple;
        server::Statement batch = db_.database()->prepare(head + tuples.join(QLatin1String(", ")));
        int index = 1;
        for (size_t i = 0; i < n; ++i) {
            for (const Value& v : rows[from + i])
                batch.bind(index++, variantOf(v));
        }
        batch.execute();
    }
}

long long queryInt(Connection db, const char* sql) {
    if (!db.lite())
        return db.database()->scalar(QString::fromUtf8(sql)).toLongLong();
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db.lite(), sql, -1, &st, nullptr) != SQLITE_OK) {
        QString msg = lastError(db.lite());
        sqlite3_finalize(st);
        throw DytError(msg);
    }
    int rc = sqlite3_step(st);
    long long v = rc == SQLITE_ROW ? sqlite3_column_int64(st, 0) : 0;
    sqlite3_finalize(st);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        throw DytError(lastError(db.lite()));
    return v;
}

Savepoint::Savepoint(Connection db, const char* name) : db_(db), name_(name) {
    exec(db_, (QByteArray("SAVEPOINT ") + name_).constData());
}

Savepoint::~Savepoint() {
    if (done_)
        return;
    // Undo this unit only; a failure here leaves the caller's rollback to finish the job.
    for (const QByteArray& sql :
         {QByteArray("ROLLBACK TO ") + name_, QByteArray("RELEASE ") + name_}) {
        try {
            exec(db_, sql.constData());
        } catch (const DytError&) {
        }
    }
}

void Savepoint::commit() {
    exec(db_, (QByteArray("RELEASE ") + name_).constData());
    done_ = true;
}

void setStoredVersion(Connection db, int version) {
    exec(db, "DELETE FROM sysVersion");
    Statement(db, "INSERT INTO sysVersion(version) VALUES (?)")
        .run({static_cast<long long>(version)});
}

// Migration steps of the product, one per schema version after 1. A step changes tables and rows
// of an account set of version toVersion - 1 so that it equals a freshly created one of toVersion;
// createAccountSet builds version 1 and then runs these same steps, so both roads meet.
namespace {
const std::vector<UpgradeStep>* overriddenSteps = nullptr;

// Version 2: the change stamps of goods and partners. Account sets of version 1 may lack the
// triggers that keep updateTime; they get them, and every goods and partner row is stamped now,
// so that each client's next synchronisation takes all rows changed while nothing stamped them.
void addChangeStamps(Connection db) {
    const QString now = changeStampExpression();
    for (const char* table : {"baseGoods", "baseWLDW"}) {
        exec(db, QStringLiteral("UPDATE %1 SET updateTime = %2")
                     .arg(QString::fromLatin1(table), now)
                     .toUtf8()
                     .constData());
    }
    createChangeStampTriggers(db, true);
}

// Version 3: the stock status report's index. The report sums the stock ledger by goods (the
// whole ledger for the top level and the flat list, one goods at a time inside a category); with
// quantity and value in the index it reads the index alone.
void addStockStatusIndex(Connection db) {
    exec(db,
         "CREATE INDEX IF NOT EXISTS ix_baseGoodsStock_report ON baseGoodsStock(goodsid, "
         "stockid, qty, total)");
}

// Version 4: the guard of the header fields of posted bills.
void addBillGuards(Connection db) {
    createBillGuards(db, true);
}

// Version 5: the movements of fixed-asset cards. Purchase, depreciation and sale of an asset
// change its card (original value yz, accumulated depreciation ljzj, sold); each change is kept
// per bill line so that deletion and red reversal take back exactly what the bill did.
void addAssetMovements(Connection db) {
    exec(db,
         "CREATE TABLE IF NOT EXISTS djGDZCDetail (orderid INTEGER PRIMARY KEY, id INTEGER NOT "
         "NULL DEFAULT 0, listid INTEGER NOT NULL DEFAULT 0, djType INTEGER NOT NULL DEFAULT 0, "
         "date TEXT NOT NULL DEFAULT '', gdzc_id INTEGER NOT NULL DEFAULT 0, yz NUMERIC(19,4) NOT "
         "NULL DEFAULT 0, ljzj NUMERIC(19,4) NOT NULL DEFAULT 0, sold INTEGER NOT NULL DEFAULT 0, "
         "FOREIGN KEY (id) REFERENCES djIndex(id) ON DELETE CASCADE)");
    exec(db, "CREATE INDEX IF NOT EXISTS ix_djGDZCDetail_bill ON djGDZCDetail(id)");
    exec(db, "CREATE INDEX IF NOT EXISTS ix_djGDZCDetail_card ON djGDZCDetail(gdzc_id)");
    if (queryInt(db, "SELECT COUNT(*) FROM pragma_table_info('GDZCDetail') WHERE name = "
                     "'isSold'") == 0)
        exec(db, "ALTER TABLE GDZCDetail ADD COLUMN isSold INTEGER NOT NULL DEFAULT 0");
}

// Version 6: the finance accounts of base records for the voucher export. type 1 goods,
// 2 partners, 3 warehouses, 4 departments; id the record or category (a category's account
// holds for every record below it that has none of its own); kmcode the account's code in the
// finance program.
void addFinanceAccounts(Connection db) {
    exec(db,
         "CREATE TABLE IF NOT EXISTS baseCWKM (type INTEGER NOT NULL, id INTEGER NOT NULL, "
         "kmcode TEXT COLLATE NOCASE NOT NULL DEFAULT '', PRIMARY KEY (type, id), "
         "CHECK (type BETWEEN 1 AND 4))");
}

// Version 7: the print log. Every print of a bill the server counts is written here: the bill,
// the copies, the count afterwards, whether it went beyond the kind's limit (with the print
// password), who printed and when.
void addPrintLog(Connection db) {
    exec(db,
         "CREATE TABLE IF NOT EXISTS djPrintLog (id INTEGER PRIMARY KEY AUTOINCREMENT, billid "
         "INTEGER NOT NULL, djType INTEGER NOT NULL DEFAULT 0, copies INTEGER NOT NULL, printnum "
         "INTEGER NOT NULL, overLimit INTEGER NOT NULL DEFAULT 0, userid INTEGER NOT NULL, "
         "userName TEXT NOT NULL DEFAULT '', printTime TEXT NOT NULL)");
    exec(db, "CREATE INDEX IF NOT EXISTS ix_djPrintLog_bill ON djPrintLog(billid)");
}

// Version 8: the movements of goods held by or for partners. Borrowing, lending, consignment and
// outsourced processing change baseGoodsStockOther; each change is kept per bill line. And the
// index of the batch layers that still hold stock, in the order FIFO takes them, so that a sale
// reads the few layers it takes from, not every batch the goods ever had.
void addOtherStockMovements(Connection db) {
    exec(db,
         "CREATE INDEX IF NOT EXISTS ix_baseGoodsStock_open ON baseGoodsStock(goodsid, stockid, "
         "indate, id) WHERE qty > 0");
    exec(db,
         "CREATE TABLE IF NOT EXISTS djStockOtherDetail (orderid INTEGER PRIMARY KEY, id INTEGER "
         "NOT NULL DEFAULT 0, listid INTEGER NOT NULL DEFAULT 0, djType INTEGER NOT NULL DEFAULT "
         "0, date TEXT NOT NULL DEFAULT '', dj_state INTEGER NOT NULL DEFAULT 2, goodsid INTEGER "
         "NOT NULL DEFAULT 0, wldw_id INTEGER NOT NULL DEFAULT 0, typeid INTEGER NOT NULL DEFAULT "
         "0, qty NUMERIC(19,8) NOT NULL DEFAULT 0, total NUMERIC(19,4) NOT NULL DEFAULT 0, "
         "costtotal NUMERIC(19,4) NOT NULL DEFAULT 0, FOREIGN KEY (id) REFERENCES djIndex(id) ON "
         "DELETE CASCADE)");
    exec(db, "CREATE INDEX IF NOT EXISTS ix_djStockOtherDetail_bill ON djStockOtherDetail(id)");
    exec(db,
         "CREATE INDEX IF NOT EXISTS ix_djStockOtherDetail_goods ON djStockOtherDetail(goodsid, "
         "wldw_id, typeid, date)");
}

// Version 10: the purchase and sales contracts with their goods lines. A line's quantity is in its
// unit (rate base units each); its amount is quantity times price to the cent, and the contract's
// total is the sum of its lines.
void addContracts(Connection db) {
    exec(db,
         "CREATE TABLE IF NOT EXISTS baseHeTong (id INTEGER PRIMARY KEY AUTOINCREMENT, htType "
         "INTEGER NOT NULL DEFAULT 0 CHECK (htType IN (0, 1)), code TEXT NOT NULL DEFAULT '', "
         "wldw_id INTEGER NOT NULL DEFAULT 0, signDate TEXT NOT NULL DEFAULT '', BeginDate TEXT "
         "NOT NULL DEFAULT '', EndDate TEXT NOT NULL DEFAULT '', jsr_id INTEGER NOT NULL DEFAULT "
         "0, summary TEXT NOT NULL DEFAULT '', total NUMERIC(19,4) NOT NULL DEFAULT 0, isStop "
         "INTEGER NOT NULL DEFAULT 0, del INTEGER NOT NULL DEFAULT 0, czy_id INTEGER NOT NULL "
         "DEFAULT 0, updateTime TEXT NOT NULL DEFAULT '')");
    exec(db, "CREATE INDEX IF NOT EXISTS ix_baseHeTong_partner ON baseHeTong(wldw_id, signDate)");
    exec(db,
         "CREATE TABLE IF NOT EXISTS baseHeTongList (orderid INTEGER PRIMARY KEY AUTOINCREMENT, "
         "id INTEGER NOT NULL, goodsid INTEGER NOT NULL, unit TEXT NOT NULL DEFAULT '', rate "
         "NUMERIC(19,8) NOT NULL DEFAULT 1, qty NUMERIC(19,8) NOT NULL DEFAULT 0, price "
         "NUMERIC(19,8) NOT NULL DEFAULT 0, total NUMERIC(19,4) NOT NULL DEFAULT 0, comment TEXT "
         "NOT NULL DEFAULT '', FOREIGN KEY (id) REFERENCES baseHeTong(id) ON DELETE CASCADE)");
    exec(db, "CREATE INDEX IF NOT EXISTS ix_baseHeTongList_contract ON baseHeTongList(id)");
}

// Version 11: the commission plans. A plan (basetcIndex, tclxid 1 employees, 2 goods) computes a
// line's commission by its way tcfs: 1 tcl percent of the sales amount, 2 tcl per base unit sold,
// 3 tcl percent of the gross profit. basetcAssign gives a goods (tclxid 2) or an employee
// (tclxid 1) its plan.
void addCommissionPlans(Connection db) {
    if (queryInt(db, "SELECT COUNT(*) FROM pragma_table_info('basetcIndex') WHERE name = "
                     "'tcfs'") == 0) {
        exec(db, "ALTER TABLE basetcIndex ADD COLUMN tcfs INTEGER NOT NULL DEFAULT 1");
        exec(db, "ALTER TABLE basetcIndex ADD COLUMN tcl NUMERIC(19,6) NOT NULL DEFAULT 0");
    }
    exec(db,
         "CREATE TABLE IF NOT EXISTS basetcAssign (tclxid INTEGER NOT NULL, objid INTEGER NOT "
         "NULL, tcid INTEGER NOT NULL, PRIMARY KEY (tclxid, objid), CHECK (tclxid IN (1, 2)))");
    exec(db, "CREATE INDEX IF NOT EXISTS ix_basetcAssign_plan ON basetcAssign(tcid)");
}

}  // namespace

const std::vector<UpgradeStep>& upgradeSteps() {
    static const std::vector<UpgradeStep> steps = {
        {2, addChangeStamps},   {3, addStockStatusIndex}, {4, addBillGuards},
        {5, addAssetMovements}, {6, addFinanceAccounts},  {7, addPrintLog},
        {8, addOtherStockMovements}, {9, addAssemblyTemplates}, {10, addContracts},
        {11, addCommissionPlans}};
    return overriddenSteps ? *overriddenSteps : steps;
}

ScopedUpgradeSteps::ScopedUpgradeSteps(std::vector<UpgradeStep> steps)
    : steps_(std::move(steps)), previous_(overriddenSteps) {
    overriddenSteps = &steps_;
}

ScopedUpgradeSteps::~ScopedUpgradeSteps() {
    overriddenSteps = previous_;
}

void applyUpgrades(Connection db, const std::vector<UpgradeStep>& steps, int target) {
    const int from = storedVersion(db);
    if (from <= 0)
        throw DytError(QStringLiteral("数据库不是有效的账套，不能升级"));
    if (from > target) {
        throw DytError(QStringLiteral("账套版本（%1）高于服务器支持的版本（%2），请升级服务器程序")
                           .arg(from)
                           .arg(target));
    }
    if (from == target)
        return;
    Savepoint sp(db, "dyt_upgrade");
    for (int v = from + 1; v <= target; ++v) {
        const UpgradeStep* step = nullptr;
        for (const UpgradeStep& s : steps) {
            if (s.toVersion == v)
                step = &s;
        }
        if (!step)
            throw DytError(QStringLiteral("缺少账套升级步骤：版本 %1").arg(v));
        try {
            step->apply(db);
        } catch (const DytError& e) {
            throw DytError(QStringLiteral("账套升级到版本 %1 失败：%2").arg(v).arg(e.message()));
        }
        setStoredVersion(db, v);
    }
    sp.commit();
}

}  // namespace detail

int currentVersion() {
    const auto& steps = detail::upgradeSteps();
    return steps.empty() ? 1 : steps.back().toVersion;
}

int storedVersion(Connection db) {
    if (!db.lite()) {
        // A failed statement would end the caller's transaction on PostgreSQL: asked first.
        Database& d = *db.database();
        return d.tableExists(QStringLiteral("sysVersion"))
                   ? d.scalar(QStringLiteral("SELECT version FROM sysVersion")).toInt()
                   : 0;
    }
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db.lite(), "SELECT version FROM sysVersion", -1, &st, nullptr) !=
        SQLITE_OK) {
        sqlite3_finalize(st);
        return 0;
    }
    int v = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int(st, 0) : 0;
    sqlite3_finalize(st);
    return v;
}

namespace {

detail::SeedContext seedContext(const QString& name, const QString& adminPasswordHash) {
    const QDate today = QDate::currentDate();
    detail::SeedContext ctx;
    ctx.displayName = name;
    ctx.adminPasswordHash = adminPasswordHash;
    ctx.year = today.year();
    ctx.month = today.month();
    ctx.today = today.toString(QStringLiteral("yyyy-MM-dd"));
    return ctx;
}

}  // namespace

void createPostgresAccountSet(Database& admin, const QString& conninfo, const QString& database,
                              const QString& displayName, const QString& adminPasswordHash) {
    const QString name = displayName.trimmed();
    if (name.isEmpty())
        throw DytError(QStringLiteral("账套名称不能为空"));
    pg::createFromTemplate(admin, conninfo, database, [](Database& db) {
        Transaction tx(db);
        createAccountSet(db, QStringLiteral("-"), QStringLiteral("-"));
        tx.commit();
    });
    // What a new account set takes from its creation: its name, month and the administrator's
    // password.
    auto db = Database::open(QStringLiteral("postgresql:%1 dbname=%2").arg(conninfo, database));
    const detail::SeedContext ctx = seedContext(name, adminPasswordHash);
    Transaction tx(*db);
    detail::personalizeSettings(*db, ctx);
    detail::Statement(*db, "UPDATE sysuser SET password = ? WHERE id = 1").run({adminPasswordHash});
    tx.commit();
}

void createAccountSet(Connection db, const QString& displayName, const QString& adminPasswordHash) {
    using namespace detail;
    const QString name = displayName.trimmed();
    if (name.isEmpty())
        throw DytError(QStringLiteral("账套名称不能为空"));
    if (queryInt(db, db.postgres() ? "SELECT count(*) FROM pg_tables WHERE schemaname = "
                                     "current_schema()"
                                   : "SELECT count(*) FROM sqlite_master WHERE type = 'table'") > 0) {
        throw DytError(QStringLiteral("数据库中已经有数据，不能在其中创建账套"));
    }

    const SeedContext ctx = seedContext(name, adminPasswordHash);
    if (db.postgres())
        pg::installLibrary(*db.database());
    Savepoint sp(db, "dyt_create_account_set");
    createTablesV1(db);
    seedSettings(db, ctx);
    seedBillKinds(db);
    seedAccounts(db);
    seedFieldCaptions(db);
    seedMenu(db);
    seedOperator(db, ctx);
    seedLookups(db);
    setStoredVersion(db, 1);
    applyUpgrades(db, upgradeSteps(), currentVersion());
    if (db.postgres())
        pg::restrictClientReads(*db.database());
    sp.commit();
}

QString goodsImageTable() {
    return QStringLiteral(
        "CREATE TABLE IF NOT EXISTS baseGoodsImage (goodsid INTEGER PRIMARY KEY, image BLOB NOT "
        "NULL, updateTime TEXT NOT NULL DEFAULT '')");
}

namespace {

struct SchemaObject {
    QString type;
    QString table;
    QString sql;  // blanks folded, lower case
};
using SchemaObjects = std::map<QString, SchemaObject>;

// The objects of sqlite_master by lower-case name; SQLite's own are left out.
SchemaObjects schemaObjects(sqlite3* db) {
    SchemaObjects out;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db,
                           "SELECT type, name, tbl_name, sql FROM sqlite_master "
                           "WHERE substr(name, 1, 7) <> 'sqlite_'",
                           -1, &st, nullptr) != SQLITE_OK) {
        sqlite3_finalize(st);
        throw DytError(detail::lastError(db));
    }
    const auto column = [st](int c) {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, c)));
    };
    while (sqlite3_step(st) == SQLITE_ROW) {
        QString sql = column(3).simplified().toLower();
        sql.replace(QStringLiteral(" if not exists "), QStringLiteral(" "));
        out[column(1).toLower()] = {column(0), column(2).toLower(), sql};
    }
    sqlite3_finalize(st);
    return out;
}

}  // namespace

QString structureDifference(Connection db) {
    // Only a SQLite file comes from outside (a restore); a PostgreSQL account set is made by the
    // server.
    if (!db.lite())
        return {};
    sqlite3* ref = nullptr;
    if (sqlite3_open_v2(":memory:", &ref, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        sqlite3_close(ref);
        throw DytError(QStringLiteral("无法建立账套结构的比较库"));
    }
    struct Close {
        sqlite3* d;
        ~Close() { sqlite3_close(d); }
    } close{ref};
    detail::createTablesV1(ref);
    detail::setStoredVersion(ref, 1);
    detail::applyUpgrades(ref, detail::upgradeSteps(), currentVersion());
    const SchemaObjects expected = schemaObjects(ref);
    detail::exec(ref, goodsImageTable().toUtf8().constData());
    const SchemaObjects allowed = schemaObjects(ref);
    const SchemaObjects actual = schemaObjects(db.lite());
    for (const auto& [name, object] : expected) {
        const auto it = actual.find(name);
        if (it == actual.end())
            return QStringLiteral("缺少[%1]").arg(name);
    }
    for (const auto& [name, object] : actual) {
        const auto it = allowed.find(name);
        if (it == allowed.end())
            return QStringLiteral("含有本系统没有的[%1]").arg(name);
        if (it->second.type != object.type || it->second.table != object.table ||
            it->second.sql != object.sql)
            return QStringLiteral("[%1]的定义与本系统的不同").arg(name);
    }
    return {};
}

QString declaredSpelling(const QString& lower) {
    // Read once from a fresh account set of the current version, in memory.
    static const QHash<QString, QString> spellings = [] {
        QHash<QString, QString> out;
        sqlite3* ref = nullptr;
        if (sqlite3_open_v2(":memory:", &ref, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                            nullptr) != SQLITE_OK) {
            sqlite3_close(ref);
            return out;
        }
        try {
            detail::createTablesV1(ref);
            detail::setStoredVersion(ref, 1);
            detail::applyUpgrades(ref, detail::upgradeSteps(), currentVersion());
            detail::exec(ref, goodsImageTable().toUtf8().constData());
            sqlite3_stmt* st = nullptr;
            if (sqlite3_prepare_v2(ref,
                                   "SELECT p.name FROM sqlite_master AS m, pragma_table_info(m.name) "
                                   "AS p WHERE m.type = 'table'",
                                   -1, &st, nullptr) == SQLITE_OK) {
                while (sqlite3_step(st) == SQLITE_ROW) {
                    const QString name = QString::fromUtf8(
                        reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
                    if (!out.contains(name.toLower()))
                        out.insert(name.toLower(), name);
                }
            }
            sqlite3_finalize(st);
        } catch (const DytError&) {
            out.clear();
        }
        sqlite3_close(ref);
        return out;
    }();
    return spellings.value(lower, lower);
}

void upgrade(Connection db) {
    detail::applyUpgrades(db, detail::upgradeSteps(), currentVersion());
}

}  // namespace dyt::server::schema
