#pragma once
// Building blocks of the account-set schema: a thin statement wrapper over the SQLite C API, the
// savepoint guard, and the pieces that schema.cpp puts together (tables, seed data, upgrades).
// Only the schema code and its tests include this header.

#include <QString>

#include <functional>
#include <memory>
#include <initializer_list>
#include <variant>
#include <vector>

#include "server/db/schema.h"

struct sqlite3;
struct sqlite3_stmt;

namespace dyt::server {
class Statement;
}

namespace dyt::server::schema::detail {

// Runs one or more statements without parameters; throws DytError with the database's message.
void exec(Connection db, const char* sql);

// A bound value: integer, floating point or text.
using Value = std::variant<long long, double, QString>;

// One prepared statement, reused for many rows: bind, step, reset.
class Statement {
public:
    Statement(Connection db, const char* sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Binds the values to the parameters 1..n, runs the statement to its end and resets it.
    void run(std::initializer_list<Value> values);
    void run(const std::vector<Value>& values);
    // The same for many rows of an INSERT … VALUES (?, …): on a server connection they go as
    // inserts of many rows each, not one round trip a row.
    void runRows(const std::vector<std::vector<Value>>& rows);

private:
    void bind(int index, const Value& v);
    Connection db_;
    QString sql_;
    sqlite3_stmt* st_ = nullptr;
    std::unique_ptr<server::Statement> statement_;  // a server connection's
};

// Integer result of a one-value query (0 when it returns no row).
long long queryInt(Connection db, const char* sql);

// Savepoint around a unit of work: released by commit(), rolled back by the destructor otherwise.
// Works inside a caller's transaction (only this unit is undone) and outside one.
class Savepoint {
public:
    Savepoint(Connection db, const char* name);
    ~Savepoint();
    Savepoint(const Savepoint&) = delete;
    Savepoint& operator=(const Savepoint&) = delete;
    void commit();

private:
    Connection db_;
    QByteArray name_;
    bool done_ = false;
};

// ---- Schema version 1 -------------------------------------------------------------------------

// Creates every table and index of schema version 1 (no rows).
void createTablesV1(Connection db);

// Values that the seeding needs from the caller and the clock.
struct SeedContext {
    QString displayName;
    QString adminPasswordHash;
    int year = 0;   // current business year
    int month = 0;  // current month, 1..12
    QString today;  // "yyyy-mm-dd"
};

void seedSettings(Connection db, const SeedContext& ctx);  // sysData, sysConf, sysPeriod
// The rows of seedSettings that follow the context, set to another context's values.
void personalizeSettings(Connection db, const SeedContext& ctx);
void seedBillKinds(Connection db);                         // sysDjb, sysbillNo
void seedAccounts(Connection db);                          // baseKM, sysSubjectInterface
void seedFieldCaptions(Connection db);                     // baseFieldNames
void seedMenu(Connection db);                              // sysMenu (with rights rows)
void seedOperator(Connection db, const SeedContext& ctx);  // baseZY 1, sysuser 1, sysPurview
void seedLookups(Connection db);                           // cost methods, home currency

// Creates the triggers that stamp every change of goods (units, barcodes and prices included) and
// of partners (balances included) with the current time in updateTime, which tells a client what
// changed since its last synchronisation. An insert or update that writes updateTime itself keeps
// the value it wrote. With ifMissing, triggers already there are left as they are (the upgrade of
// an older account set).
void createChangeStampTriggers(Connection db, bool ifMissing = false);
// Takes them away again, for a copy of rows that carry their stamps already.
void dropChangeStampTriggers(Connection db);
// The guards of posted bills against changes their state forbids.
void createBillGuards(Connection db, bool ifMissing = false);

// The stamp the triggers write: the local time as "yyyy-mm-dd hh:nn:ss", the same text that the
// dialect layer's getdate() gives.
QString changeStampExpression();

// ---- Static data shared between the seed files ------------------------------------------------

// One base-data field caption: kind prefix (1001 goods … 1005 departments), field number (two
// digits, from 21 up, so that the code never meets a sub-right "01".."20" of the list's menu
// entry), the record column it names and the standard caption.
struct FieldCaption {
    int prefix;
    int number;
    const char* column;
    const char* caption;
};
const std::vector<FieldCaption>& fieldCaptions();
QString fieldCode(const FieldCaption& f);  // prefix followed by the two-digit number

// ---- Upgrades ----------------------------------------------------------------------------------

// One migration step: brings an account set from version toVersion - 1 to toVersion.
struct UpgradeStep {
    int toVersion;
    std::function<void(Connection)> apply;
};

// Version 9: the assembly template tables (schema_scmb.cpp).
void addAssemblyTemplates(Connection db);

// The steps of the product, ordered by target version.
const std::vector<UpgradeStep>& upgradeSteps();

// Tests of the upgrade road through the server: while an object lives, upgradeSteps() and
// currentVersion() answer the given steps instead of the product's. Not thread-safe: create it
// before the server handles requests.
class ScopedUpgradeSteps {
public:
    explicit ScopedUpgradeSteps(std::vector<UpgradeStep> steps);
    ~ScopedUpgradeSteps();
    ScopedUpgradeSteps(const ScopedUpgradeSteps&) = delete;
    ScopedUpgradeSteps& operator=(const ScopedUpgradeSteps&) = delete;

private:
    std::vector<UpgradeStep> steps_;
    const std::vector<UpgradeStep>* previous_;
};

// Runs the steps from the stored version up to target inside one savepoint and stores the new
// version; throws DytError (and leaves the account set unchanged) when a step fails, when a step
// is missing, when the database is no account set or when it is newer than target.
void applyUpgrades(Connection db, const std::vector<UpgradeStep>& steps, int target);

// Writes the version row (replacing the one there).
void setStoredVersion(Connection db, int version);

}  // namespace dyt::server::schema::detail
