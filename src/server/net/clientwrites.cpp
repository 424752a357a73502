#define SQLITE_ENABLE_PREUPDATE_HOOK 1
#include "server/net/clientwrites.h"

#include <sqlite3.h>

#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <mutex>

#include "common/error.h"
#include "protocol/billkinds.h"
#include "server/db/database.h"
#include "server/db/pg_sql.h"
#include "server/procs/bill_common.h"
#include "server/procs/callrights.h"
#include "server/procs/procs_cuxiao.h"

namespace dyt::server {

namespace {

constexpr int kReceipt = 21;
constexpr int kPayment = 22;

const char* const kRecordRightsTables[] = {"basegoodspurview", "basewldwpurview",
                                           "baseckpurview",    "baseyhzhpurview",
                                           "basezypurview",    "basebmpurview"};

bool isRecordRights(const QString& table) {
    for (const char* t : kRecordRightsTables) {
        if (table == QLatin1String(t))
            return true;
    }
    return false;
}

bool oneOf(const QString& column, std::initializer_list<const char*> names) {
    for (const char* n : names) {
        if (column == QLatin1String(n))
            return true;
    }
    return false;
}

// The audit step a column of djIndex records (2 … 5), 0 for another column.
int auditStep(const QString& column) {
    if (column.size() == 8 && column.startsWith(QLatin1String("inputid"))) {
        const int step = column.at(7).digitValue();
        return step >= 2 && step <= 5 ? step : 0;
    }
    return 0;
}

// The old values a row rule reads: djIndex inputid2 … inputid5, printnum, dj_state, djType;
// djList id, km_id, djType.
const QStringList& watchedColumns(const QString& table) {
    static const QStringList bill =
        QStringLiteral("inputid2,inputid3,inputid4,inputid5,printnum,dj_state,djtype")
            .split(QLatin1Char(','));
    static const QStringList line = QStringLiteral("id,km_id,djtype").split(QLatin1Char(','));
    static const QStringList none;
    if (table == QLatin1String("djindex"))
        return bill;
    if (table == QLatin1String("djlist"))
        return line;
    return none;
}

// Column positions of the watched columns, read once: the tables' columns keep their order
// (upgrades only add columns at the end).
QList<int> columnPositions(Database& db, const QString& table) {
    static std::mutex mutex;
    static QHash<QString, QList<int>> cache;
    std::lock_guard lock(mutex);
    const auto it = cache.constFind(table);
    if (it != cache.constEnd())
        return *it;
    const RecordSet info = db.query(QStringLiteral("PRAGMA table_info(%1)").arg(table));
    QList<int> positions;
    for (const QString& name : watchedColumns(table)) {
        int at = -1;
        for (int r = 0; r < info.rowCount() && at < 0; ++r) {
            if (info.at(r, 1).toString().compare(name, Qt::CaseInsensitive) == 0)
                at = info.at(r, 0).toInt();
        }
        if (at < 0)
            throw DytError(QStringLiteral("数据表%1缺少字段%2").arg(table, name));
        positions << at;
    }
    cache.insert(table, positions);
    return positions;
}

QVariant valueOf(sqlite3_value* v) {
    switch (sqlite3_value_type(v)) {
        case SQLITE_INTEGER:
            return QVariant(static_cast<qint64>(sqlite3_value_int64(v)));
        case SQLITE_FLOAT:
            return QVariant(sqlite3_value_double(v));
        case SQLITE_NULL:
            return QVariant();
        default:
            return QVariant(QString::fromUtf8(
                reinterpret_cast<const char*>(sqlite3_value_text(v)), sqlite3_value_bytes(v)));
    }
}

}  // namespace

ClientWrites::ClientWrites(Database& db, qint64 userId, qint64 spid, bool writes)
    : db_(db), userId_(userId), spid_(spid) {
    if (!writes)
        return;
    // What the checks read is read before any statement runs: nothing may be read while one is
    // prepared or steps.
    held_ = std::make_unique<callrights::Held>(db, userId);
    if (db_.isPostgres())
        return;  // old values come by name
    for (const char* table : {"djindex", "djlist"}) {
        const QString t = QString::fromLatin1(table);
        positions_.insert(t, columnPositions(db_, t));
    }
}

bool ClientWrites::mayContainWrites(const QString& sql) {
    for (const char* word : {"update", "insert", "delete", "replace", "merge"}) {
        if (sql.contains(QLatin1String(word), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

ClientWrites::~ClientWrites() {
    watch(false);
}

bool ClientWrites::mayWrite(int action, const QString& table, const QString& column) {
    const callrights::Held& h = *held_;
    const bool update = action == SQLITE_UPDATE;
    if (table == QLatin1String("sysuser"))
        return update && column == QLatin1String("password");
    if (table == QLatin1String("syspurview")) {
        if (update && oneOf(column, {"iscygn", "opencount"}))
            return true;
        return (!update || column == QLatin1String("isbj")) && h.holds(QStringLiteral("500402"));
    }
    if (isRecordRights(table))
        return update && column == QLatin1String("isbj") && h.holds(QStringLiteral("500403"));
    if (table == QLatin1String("djindex")) {
        if (!update)
            return false;
        // The print count is the server's (p_sys_Up_DJPrint; the bill windows' increment text
        // is run through that procedure before it gets here): the row rule lets no text change
        // it.
        if (auditStep(column) > 0 || column == QLatin1String("printnum"))
            return true;
        if (column == QLatin1String("pz_caption")) {
            exportMark_ = true;
            return h.holds(QStringLiteral("202305"));
        }
        if (oneOf(column, {"jsr_id", "dep_id", "code", "summery", "isduizhang",
                           "duizhangshuoming"}) ||
            (column.startsWith(QLatin1String("zidingyi")) && column.mid(8).toInt() >= 1 &&
             column.mid(8).toInt() <= 10))
            return h.holdsSub(QStringLiteral("2002"), QStringLiteral("04"));
        return false;
    }
    if (table == QLatin1String("djlist")) {
        if (update && column == QLatin1String("comment"))
            return true;
        if ((update && oneOf(column, {"total", "dj_state"})) || action == SQLITE_DELETE) {
            settlementWrite_ = true;
            return true;
        }
        return false;
    }
    if (table == QLatin1String("sysconf"))
        return update && column == QLatin1String("sysvalue");  // rows: see rowAllowed
    if (table == QLatin1String("basecuxiao"))
        return update && column == QLatin1String("isstop") &&
               h.holdsSub(QStringLiteral("4015"), QStringLiteral("02"));
    if (table == QLatin1String("basefieldnames") || table == QLatin1String("sysmenu"))
        return update && column == QLatin1String("name") && h.holds(QStringLiteral("500408"));
    if (table == QLatin1String("sysdata"))  // the numbering rules; options go by procedure
        return update && column == QLatin1String("sysvalue") && h.holds(QStringLiteral("4008"));
    if (table == QLatin1String("sysdjb")) {
        if (!update)
            return false;
        if (oneOf(column, {"comment", "snformat"}))
            return h.holds(QStringLiteral("4008"));
        if (column == QLatin1String("inputnum") ||
            (column.size() == 10 && column.startsWith(QLatin1String("inputname"))) ||
            auditStep(column) > 0 ||
            (column.size() == 10 && column.startsWith(QLatin1String("inputtext"))))
            return h.holds(QStringLiteral("4010"));
        if (oneOf(column, {"printnum", "printnumsum", "printischeck", "printpassword"}))
            return h.holds(QStringLiteral("4009"));
        return false;
    }
    if (table == QLatin1String("sysbillno"))
        return update && oneOf(column, {"yearmaxno", "monthmaxno", "daymaxno"}) &&
               h.holds(QStringLiteral("4008"));
    if (table == QLatin1String("syssession"))
        return action == SQLITE_INSERT || action == SQLITE_DELETE;
    if (table == QLatin1String("basegoods") || table == QLatin1String("basewldw")) {
        if (update && column == QLatin1String("updatetime"))
            return true;  // the clients' clock check of their cache
        return update && table == QLatin1String("basegoods") &&
               column == QLatin1String("youwutupian") &&
               (h.holdsSub(QStringLiteral("1001"), QStringLiteral("01")) ||
                h.holdsSub(QStringLiteral("1001"), QStringLiteral("02")));
    }
    return false;
}

int ClientWrites::authorize(int action, const char* table, const char* column,
                            const char* dbName, const char* trigger) {
    if (action != SQLITE_INSERT && action != SQLITE_UPDATE && action != SQLITE_DELETE)
        return SQLITE_OK;
    // The schema's own triggers (audit names, change stamps) and the connection's temporary
    // tables (the backup log) are not the client's writes.
    if (trigger || (dbName && sqlite3_stricmp(dbName, "temp") == 0))
        return SQLITE_OK;
    const QString t = QString::fromUtf8(table ? table : "").toLower();
    const QString c = QString::fromUtf8(column ? column : "").toLower();
    if (held_ && mayWrite(action, t, c))
        return SQLITE_OK;
    refused_ = true;
    return SQLITE_DENY;
}

void ClientWrites::onPreUpdate(void* self, sqlite3* db, int op, const char* dbName,
                               const char* table, long long oldKey, long long newKey) {
    auto* w = static_cast<ClientWrites*>(self);
    if (sqlite3_preupdate_depth(db) > 0 || (dbName && sqlite3_stricmp(dbName, "main") != 0))
        return;
    Row row{QString::fromUtf8(table).toLower(), op, oldKey, newKey, {}, {}};
    const QStringList& columns = watchedColumns(row.table);
    if (!columns.isEmpty() && op != SQLITE_INSERT) {
        for (int at : w->positions_.value(row.table)) {
            sqlite3_value* v = nullptr;
            row.old << (sqlite3_preupdate_old(db, at, &v) == SQLITE_OK ? valueOf(v) : QVariant());
        }
    }
    w->rows_.push_back(std::move(row));
}

void ClientWrites::watch(bool on) {
    if (db_.isPostgres())
        return;
    if (on)
        sqlite3_preupdate_hook(db_.handle(), &ClientWrites::onPreUpdate, this);
    else
        sqlite3_preupdate_hook(db_.handle(), nullptr, nullptr);
}

bool ClientWrites::rowAllowed(const Row& row) {
    if (!held_)
        return false;
    const callrights::Held& h = *held_;
    const QString& t = row.table;
    const auto current = [&](const char* column) {
        if (db_.isPostgres())
            return row.now.value(QLatin1String(column));
        return db_.scalar(QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?")
                              .arg(QLatin1String(column), t),
                          {row.newKey});
    };
    if (t == QLatin1String("sysuser")) {
        // One's own password; another's with the rights window, operator 1's only by itself.
        if (row.op != SQLITE_UPDATE || row.oldKey != row.newKey)
            return false;
        return row.oldKey == userId_ ||
               (h.holds(QStringLiteral("500402")) && (row.oldKey != 1 || userId_ == 1));
    }
    if (t == QLatin1String("syspurview"))
        return row.op == SQLITE_DELETE || h.holds(QStringLiteral("500402")) ||
               current("userid").toLongLong() == userId_;
    if (isRecordRights(t))
        return userId_ == 1 || current("czy_id").toLongLong() != userId_;
    if (t == QLatin1String("syssession"))
        return (row.op == SQLITE_DELETE ? row.oldKey : row.newKey) == spid_;
    // The options window's switches (type 1 in use); the alerts' "show at start" switch is the
    // alerts window's. A switch is on or off.
    if (t == QLatin1String("sysconf")) {
        if (row.op != SQLITE_UPDATE || row.oldKey != row.newKey)
            return false;
        const QString value = current("sysvalue").toString();
        if (value != QLatin1String("0") && value != QLatin1String("1"))
            return false;
        if (row.newKey == 2017 && h.holds(QStringLiteral("3029")))
            return true;
        return h.holds(QStringLiteral("500401")) &&
               db_.scalar(QStringLiteral(
                              "SELECT 1 FROM sysConf WHERE id = ? AND type = 1 AND isuse = 1"),
                          {row.newKey})
                   .isValid();
    }
    // An agreement taken back into use may not overlap another active one.
    if (t == QLatin1String("basecuxiao")) {
        if (row.op != SQLITE_UPDATE || row.oldKey != row.newKey)
            return false;
        promotions::checkTakenBack(db_, row.newKey);
        return true;
    }
    if (t == QLatin1String("sysdata"))
        return row.oldKey >= 208042000 && row.oldKey <= 208042004;
    if (t == QLatin1String("djindex")) {
        // old: inputid2 … inputid5, printnum, dj_state, djType
        if (row.op != SQLITE_UPDATE || row.oldKey != row.newKey || row.old.size() != 7)
            return false;
        const RecordSet now = db_.query(
            QStringLiteral("SELECT inputid2, inputid3, inputid4, inputid5, printnum FROM djIndex "
                           "WHERE id = ?"),
            {row.newKey});
        if (now.rowCount() != 1)
            return false;
        if (now.at(0, 4).toLongLong() != row.old.at(4).toLongLong())
            return false;  // the print count is not the client's
        // Only posted bills are exported as vouchers.
        if (exportMark_ && row.old.at(5).toInt() != 2)
            return false;
        qint64 before[4], after[4];
        bool audits = false;
        for (int step = 2; step <= 5; ++step) {
            before[step - 2] = row.old.at(step - 2).toLongLong();
            after[step - 2] = now.at(0, step - 2).toLongLong();
            audits = audits || before[step - 2] != after[step - 2];
        }
        if (!audits)
            return true;
        const auditsteps::Steps steps = auditsteps::read(db_, row.old.at(6).toLongLong());
        for (int step = 2; step <= 5; ++step) {
            const qint64 was = before[step - 2];
            const qint64 is = after[step - 2];
            if (was == is)
                continue;
            // An audit step is set or taken back by an operator on its list, on a bill not yet
            // posted, and only its own mark.
            if ((is != 0 && is != userId_) || (was != 0 && was != userId_) ||
                row.old.at(5).toInt() == 2 || !steps.allows(step, userId_))
                return false;
        }
        // The steps one after the other: the refusal says which one comes first.
        auditsteps::checkOrder(steps, before, after);
        return true;
    }
    if (t == QLatin1String("djlist")) {
        if (!settlementWrite_)
            return true;  // line notes only
        // The settlement lines (no account) of a receipt or payment whose kind one may use.
        qint64 kmId = 0;
        int kind = 0;
        if (row.op == SQLITE_DELETE) {
            kmId = row.old.value(1).toLongLong();
            kind = row.old.value(2).toInt();
        } else {
            if (row.op != SQLITE_UPDATE)
                return false;
            if (db_.isPostgres()) {
                kmId = row.now.value(QStringLiteral("km_id")).toLongLong();
                kind = row.now.value(QStringLiteral("djtype")).toInt();
            } else {
                const RecordSet now = db_.query(
                    QStringLiteral("SELECT km_id, djType FROM djList WHERE rowid = ?"),
                    {row.newKey});
                if (now.rowCount() != 1)
                    return false;
                kmId = now.at(0, 0).toLongLong();
                kind = now.at(0, 1).toInt();
            }
        }
        if (kmId != 0 || (kind != kReceipt && kind != kPayment))
            return false;
        const BillKindRow* k = findBillKindRow(kind);
        return !k || k->menuTag <= 0 || h.holds(QString::number(k->menuTag));
    }
    // Tables whose columns alone decide (numbering and audit settings, cache stamps, pictures).
    return true;
}

void ClientWrites::checkStatement(const QString& sql) {
    const auto target = pgsql::writeTarget(sql);
    if (!target) {
        refused_ = true;
        throw DytError(callrights::refusal());
    }
    const QByteArray table = target->table.toUtf8();
    // The backup log is the one temporary table a client text may change (its role's grants
    // allow deletes only).
    const char* dbName =
        target->temporary && target->table == QLatin1String("mvqxdblog") ? "temp" : "main";
    const auto check = [&](int action, const QString& column) {
        const QByteArray c = column.toUtf8();
        if (authorize(action, table.constData(), column.isEmpty() ? nullptr : c.constData(),
                      dbName, nullptr) != SQLITE_OK)
            throw DytError(callrights::refusal());
    };
    switch (target->action) {
        case pgsql::WriteTarget::None:
            return;
        case pgsql::WriteTarget::Insert:
            return check(SQLITE_INSERT, QString());
        case pgsql::WriteTarget::Delete:
            return check(SQLITE_DELETE, QString());
        case pgsql::WriteTarget::Update:
            for (const QString& column : target->columns)
                check(SQLITE_UPDATE, column);
            return;
    }
}

void ClientWrites::prepareCapture(Database& db) {
    db.executeScript(QStringLiteral(
        "CREATE TEMP TABLE IF NOT EXISTS dyt_client_rows (tbl text, op text, old_row jsonb, "
        "new_row jsonb); DELETE FROM dyt_client_rows"));
}

void ClientWrites::readCapturedRows() {
    const RecordSet rs = db_.query(QStringLiteral(
        "SELECT tbl, op, old_row::text, new_row::text FROM dyt_client_rows"));
    const auto object = [](const QVariant& v) {
        return QJsonDocument::fromJson(v.toString().toUtf8()).object().toVariantMap();
    };
    // The key SQLite's hook gives: the row id, which is the integer primary key.
    const auto key = [](const QVariantMap& row) {
        for (const char* k : {"id", "orderid"}) {
            if (row.contains(QLatin1String(k)))
                return row.value(QLatin1String(k)).toLongLong();
        }
        return qint64(0);
    };
    for (int r = 0; r < rs.rowCount(); ++r) {
        const QString op = rs.at(r, 1).toString();
        const QVariantMap old = object(rs.at(r, 2));
        Row row{rs.at(r, 0).toString().toLower(),
                op == u"INSERT"   ? SQLITE_INSERT
                : op == u"DELETE" ? SQLITE_DELETE
                                  : SQLITE_UPDATE,
                key(old), 0, {}, object(rs.at(r, 3))};
        row.newKey = row.op == SQLITE_DELETE ? row.oldKey : key(row.now);
        if (row.op == SQLITE_INSERT)
            row.oldKey = row.newKey;
        if (row.op != SQLITE_INSERT) {
            for (const QString& column : watchedColumns(row.table))
                row.old << old.value(column);
        }
        rows_.push_back(std::move(row));
    }
}

void ClientWrites::verify() {
    if (refused_)
        throw DytError(callrights::refusal());
    for (const Row& row : rows_) {
        if (!rowAllowed(row))
            throw DytError(callrights::refusal());
    }
}

}  // namespace dyt::server
