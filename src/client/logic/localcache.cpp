#include "client/logic/localcache.h"

#include <sqlite3.h>

#include <QCoreApplication>
#include <QDir>

#include "client/logic/clientconfig.h"
#include "client/logic/dmmain.h"
#include "client/logic/prompter.h"
#include "client/logic/session.h"
#include "common/basecache.h"
#include "common/currency.h"
#include "common/error.h"
#include "common/paramlist.h"
#include "protocol/packetcodec.h"
#include "protocol/protocol.h"

namespace dyt::client {

namespace cachetext {
QString goodsClockSql() {
    return QStringLiteral(
        "SELECT top 1 a.id FROM baseGoods AS a WHERE a.updateTime > getdate() AND a.del = 0");
}
QString partnerClockSql() {
    return QStringLiteral(
        "SELECT top 1 a.id FROM basewldw AS a WHERE a.updateTime > getdate() AND a.del = 0");
}
}  // namespace cachetext

namespace {

TLocalCache* g_localCache = nullptr;
std::unique_ptr<TLocalCache> g_ownedCache;

constexpr int kBusyTimeoutMs = 10000;

// An identifier for SQL: in double quotes, inner quotes doubled.
QString quoteName(const QString& name) {
    QString n = name;
    n.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + n + QLatin1Char('"');
}

[[noreturn]] void raiseSqlite(sqlite3* db, const QString& context) {
    throw DytError(QStringLiteral("本地数据缓存错误：%1：%2")
                       .arg(context, QString::fromUtf8(sqlite3_errmsg(db))));
}

// A prepared statement of the local file, finalised on every way out.
class LocalStatement {
public:
    LocalStatement(sqlite3* db, const QString& sql) : db_(db) {
        const QByteArray u = sql.toUtf8();
        if (sqlite3_prepare_v2(db, u.constData(), static_cast<int>(u.size()), &st_, nullptr) !=
            SQLITE_OK) {
            raiseSqlite(db, sql);
        }
    }
    ~LocalStatement() { sqlite3_finalize(st_); }
    LocalStatement(const LocalStatement&) = delete;
    LocalStatement& operator=(const LocalStatement&) = delete;

    void bindInt(int index, qint64 value) { check(sqlite3_bind_int64(st_, index, value)); }
    void bindNull(int index) { check(sqlite3_bind_null(st_, index)); }
    // UTF-8 bytes that stay in place until the statement has run.
    void bindUtf8(int index, const char* data, qsizetype size) {
        check(sqlite3_bind_text64(st_, index, data, static_cast<sqlite3_uint64>(size),
                                  SQLITE_STATIC, SQLITE_UTF8));
    }
    void bindText(int index, const QString& value) {
        const QByteArray u = value.toUtf8();
        check(sqlite3_bind_text64(st_, index, u.constData(), static_cast<sqlite3_uint64>(u.size()),
                                  SQLITE_TRANSIENT, SQLITE_UTF8));
    }
    // Steps once; true with a row.
    bool step() {
        const int rc = sqlite3_step(st_);
        if (rc == SQLITE_ROW)
            return true;
        if (rc != SQLITE_DONE)
            raiseSqlite(db_, QString::fromUtf8(sqlite3_sql(st_)));
        return false;
    }
    void run() {
        step();
        reset();
    }
    void reset() {
        sqlite3_reset(st_);
        sqlite3_clear_bindings(st_);
    }
    sqlite3_stmt* handle() const { return st_; }

private:
    void check(int rc) {
        if (rc != SQLITE_OK)
            raiseSqlite(db_, QStringLiteral("参数绑定失败"));
    }
    sqlite3* db_;
    sqlite3_stmt* st_ = nullptr;
};

// One local transaction: begins with the write lock (so that a second client on this computer
// waits rather than failing halfway), rolls back unless committed.
class LocalTransaction {
public:
    explicit LocalTransaction(sqlite3* db) : db_(db) {
        if (sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
            raiseSqlite(db_, QStringLiteral("BEGIN IMMEDIATE"));
    }
    ~LocalTransaction() {
        if (!done_)
            sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    LocalTransaction(const LocalTransaction&) = delete;
    LocalTransaction& operator=(const LocalTransaction&) = delete;
    void commit() {
        if (sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
            raiseSqlite(db_, QStringLiteral("COMMIT"));
        done_ = true;
    }

private:
    sqlite3* db_;
    bool done_ = false;
};

QString columnDefinition(const basecache::Column& c) {
    switch (c.kind) {
        case basecache::ColumnKind::Id:
            return c.name + QStringLiteral(" INTEGER NOT NULL");
        case basecache::ColumnKind::Integer:
            return c.name + QStringLiteral(" integer not null DEFAULT 0");
        case basecache::ColumnKind::Money:
            return c.name + QStringLiteral(" Currency not null DEFAULT 0");
        case basecache::ColumnKind::Text:
            break;
    }
    return c.name + QStringLiteral(" TEXT not null DEFAULT ''");
}

QString columnList(const QList<basecache::Column>& columns) {
    QStringList names;
    for (const basecache::Column& c : columns)
        names << c.name;
    return names.join(QLatin1Char(','));
}

// A value of a received row as the local column stores it.
void bindValue(LocalStatement& st, int index, const basecache::Column& c, const QVariant& v) {
    switch (c.kind) {
        case basecache::ColumnKind::Id:
            // A row without its key is refused by the table (NOT NULL) and the whole
            // synchronisation with it.
            if (!v.isValid())
                st.bindNull(index);
            else
                st.bindInt(index, v.toLongLong());
            return;
        case basecache::ColumnKind::Integer:
            st.bindInt(index, v.isValid() ? v.toLongLong() : 0);
            return;
        case basecache::ColumnKind::Money: {
            Currency money;
            if (v.metaType().id() == qMetaTypeId<Currency>())
                money = v.value<Currency>();
            else if (v.isValid() && !Currency::fromString(v.toString(), &money))
                throw DytError(
                    QStringLiteral("本地数据缓存错误：%1的金额无效：%2").arg(c.name, v.toString()));
            st.bindText(index, money.toString());
            return;
        }
        case basecache::ColumnKind::Text:
            break;
    }
    if (v.metaType().id() == qMetaTypeId<Currency>())
        st.bindText(index, v.value<Currency>().toString());
    else
        st.bindText(index, v.isValid() ? v.toString() : QString());
}

// A cell of the received packet as the local column stores it: numbers and texts as they lie in
// the packet, everything else as bindValue() stores the record set's value.
void bindCell(LocalStatement& st, int index, const basecache::Column& c,
              const proto::packetcodec::RowReader& rows, int from) {
    using Cell = proto::packetcodec::RowReader::Cell;
    if (from < 0) {
        bindValue(st, index, c, QVariant());
        return;
    }
    const Cell& cell = rows.cell(from);
    switch (c.kind) {
        case basecache::ColumnKind::Id:
        case basecache::ColumnKind::Integer:
            if (cell.kind == Cell::Integer) {
                st.bindInt(index, cell.integer);
                return;
            }
            break;
        case basecache::ColumnKind::Text:
            if (cell.kind == Cell::Text && rows.fields()[from].type == FieldType::Text) {
                st.bindUtf8(index, cell.data, cell.size);
                return;
            }
            if (cell.kind == Cell::Null) {
                st.bindUtf8(index, "", 0);
                return;
            }
            break;
        case basecache::ColumnKind::Money:
            break;
    }
    bindValue(st, index, c, rows.value(from));
}

QVariant readValue(sqlite3_stmt* st, int column, const basecache::Column& c) {
    switch (c.kind) {
        case basecache::ColumnKind::Id:
        case basecache::ColumnKind::Integer:
            return static_cast<qint64>(sqlite3_column_int64(st, column));
        case basecache::ColumnKind::Money: {
            Currency money;
            Currency::fromString(
                QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, column))),
                &money);
            return QVariant::fromValue(money);
        }
        case basecache::ColumnKind::Text:
            break;
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, column));
    return QString::fromUtf8(text, sqlite3_column_bytes(st, column));
}

QString conditionOfOperator() {
    return QStringLiteral(";czy_id=%1").arg(loginedUser().UserId);
}

// The parameter lines of P_JXC_Get_Base for a kind; every condition line carries the operator.
ParamList baseParams(const QString& kind) {
    ParamList p;
    p.setValue(QStringLiteral("QueryType"), kind);
    const QString who = conditionOfOperator();
    for (const char* line : {"wldwStr", "zyStr", "ckStr", "bmStr", "kmStr", "GoodsStr"})
        p.setValue(QString::fromLatin1(line), who);
    return p;
}

}  // namespace

// What differs between the goods and the partner list.
struct TLocalCache::CachedList {
    bool goods;
    const QList<basecache::Column>& columns;
    QString suffix;         // "goods" / "wldw"
    QString kind;           // "SP_" / "DW_"
    QString conditionLine;  // "GoodsStr" / "wldwStr"
    QString clockSql;
    QString resetSql;

    int& newer(TdmMain& dm) const { return goods ? dm.GoodsStampNewer : dm.PartnerStampNewer; }
    QString& stamp(TdmMain& dm) const { return goods ? dm.GoodsStamp : dm.PartnerStamp; }
    bool& reload(TLocalCache& c) const { return goods ? c.GoodsReload : c.PartnerReload; }
    RecordSet& local(TLocalCache& c) const { return goods ? c.cdsbaseGoods : c.cdsbaseDW; }
    RecordSet& received(TLocalCache& c) const { return goods ? c.cdsbaseGoods0 : c.cdsbaseDW0; }
    QString key() const {
        const TLoginedUser& u = loginedUser();
        return goods ? goodsStampKey(u.ProfileCaption, u.UserId)
                     : partnerStampKey(u.ProfileCaption, u.UserId);
    }
    QString keyColumn() const { return columns.first().name; }
};

TLocalCache::TLocalCache(const QString& programDir, TdmMain* dm)
    : programDir_(programDir.isEmpty() ? QCoreApplication::applicationDirPath() : programDir),
      dm_(dm) {
    if (!g_localCache)
        g_localCache = this;
}

TLocalCache::~TLocalCache() {
    Close();
    if (g_localCache == this)
        g_localCache = nullptr;
}

TLocalCache& localCache() {
    if (!g_localCache)
        g_ownedCache = std::make_unique<TLocalCache>();
    return *g_localCache;
}

TLocalCache* existingLocalCache() {
    return g_localCache;
}

QString TLocalCache::relativeFileName() {
    return QStringLiteral("data/baseDB.db");
}

QString TLocalCache::fileName() const {
    return QDir(programDir_).filePath(relativeFileName());
}

QString TLocalCache::goodsTable() const {
    return profile_ + QStringLiteral("goods");
}

QString TLocalCache::partnerTable() const {
    return profile_ + QStringLiteral("wldw");
}

QString TLocalCache::goodsStampKey(const QString& profileCaption, int userId) {
    return profileCaption + QStringLiteral("spUpdateDate_") + QString::number(userId);
}

QString TLocalCache::partnerStampKey(const QString& profileCaption, int userId) {
    return profileCaption + QStringLiteral("wldwUpdateDate_") + QString::number(userId);
}

TdmMain& TLocalCache::dm() const {
    TdmMain* dm = dm_ ? dm_ : dmMain();
    if (!dm)
        throw DytError(dmtext::notInitialised());
    return *dm;
}

void TLocalCache::requireOpen() const {
    if (!db_)
        throw DytError(cachetext::notOpen());
}

void TLocalCache::exec(const QString& sql) {
    if (sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        raiseSqlite(db_, sql);
}

void TLocalCache::Close() {
    for (sqlite3_stmt*& st : findStatements_) {
        sqlite3_finalize(st);
        st = nullptr;
    }
    if (db_) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
    profile_.clear();
    cdsbaseGoods.clear();
    cdsbaseDW.clear();
    cdsbaseGoods0.clear();
    cdsbaseDW0.clear();
}

void TLocalCache::OpenLocalCache() {
    const QString profile = loginedUser().ProfileName.trimmed();
    if (profile.isEmpty())
        throw DytError(QStringLiteral("本地数据缓存：没有登录的账套"));
    // 1. Close and reopen the file, shared with the other clients of this computer.
    Close();
    if (!QDir().mkpath(QDir(programDir_).filePath(QStringLiteral("data")))) {
        throw DytError(QStringLiteral("本地数据缓存：不能创建目录%1")
                           .arg(QDir(programDir_).filePath(QStringLiteral("data"))));
    }
    sqlite3* db = nullptr;
    const QByteArray path = QDir::toNativeSeparators(fileName()).toUtf8();
    if (sqlite3_open_v2(path.constData(), &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                        nullptr) != SQLITE_OK) {
        const QString message = QString::fromUtf8(db ? sqlite3_errmsg(db) : "out of memory");
        sqlite3_close_v2(db);
        throw DytError(QStringLiteral("本地数据缓存错误：%1：%2").arg(fileName(), message));
    }
    db_ = db;
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    bool created[2] = {false, false};
    try {
        exec(QStringLiteral("PRAGMA journal_mode=WAL"));
        exec(QStringLiteral("PRAGMA synchronous=NORMAL"));
        profile_ = profile;
        // 2. The account set's tables.
        createTables(created);
    } catch (...) {
        Close();
        throw;
    }
    for (SmallSet& s : small_)
        s.open = false;
    stampsAhead_[0] = stampsAhead_[1] = false;

    // The stamps of this account set and operator as the last synchronisation left them; the
    // connection checks compare the server's stamps with these.
    TdmMain& d = dm();
    d.GoodsStamp = clientConfig().read(goodsList().key(), basecache::initialStamp());
    d.PartnerStamp = clientConfig().read(partnerList().key(), basecache::initialStamp());
    // A new table (a first run, or a file that was deleted) is loaded in full, whatever stamp the
    // configuration file still holds.
    for (const CachedList* list : {&goodsList(), &partnerList()}) {
        if (!created[list->goods ? 0 : 1])
            continue;
        clientConfig().write(list->key(), basecache::initialStamp());
        list->stamp(d) = basecache::initialStamp();
        list->newer(d) = 1;
    }

    // 3. The clock check, 4. the synchronisation.
    clockCheck(goodsList());
    clockCheck(partnerList());
    SyncGoods();
    SyncPartners();
}

void TLocalCache::createTables(bool created[2]) {
    LocalTransaction tx(db_);
    for (const CachedList* list : {&goodsList(), &partnerList()}) {
        const QString table = profile_ + list->suffix;
        LocalStatement exists(db_, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = "
                                                  "'table' AND name = ? COLLATE NOCASE"));
        exists.bindText(1, table);
        created[list->goods ? 0 : 1] =
            exists.step() && sqlite3_column_int64(exists.handle(), 0) == 0;
        QStringList columns;
        for (const basecache::Column& c : list->columns)
            columns << columnDefinition(c);
        exec(QStringLiteral(" create table IF NOT EXISTS %1(%2)")
                 .arg(quoteName(table), columns.join(QLatin1Char(','))));
        // Index names are shared by all tables of the file: each table's carries its name.
        exec(QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS %1 ON %2(%3)")
                 .arg(quoteName(table + QStringLiteral("_sp_id_Index")), quoteName(table),
                      list->keyColumn()));
    }
    tx.commit();
}

void TLocalCache::clockCheck(const CachedList& list) {
    TdmMain& d = dm();
    RecordSet found;
    d.ExecQuery(list.clockSql, &found);
    if (found.recordCount() == 0)
        return;
    // A stamp lies in the future: the server's stamps go back to now and this client reloads
    // the whole list.
    list.newer(d) = 1;
    clientConfig().write(list.key(), basecache::initialStamp());
    if (queryOnly())
        stampsAhead_[list.goods ? 0 : 1] = true;
    else
        d.ExecUpdate(list.resetSql);
    // After the reset: the echo of the update saw the future stamp, the next one sees now.
    list.stamp(d) = basecache::initialStamp();
}

RecordSet& TLocalCache::SyncGoods() {
    return sync(goodsList());
}

RecordSet& TLocalCache::SyncPartners() {
    return sync(partnerList());
}

RecordSet& TLocalCache::sync(const CachedList& list) {
    TdmMain& d = dm();
    if (!list.newer(d) && !list.reload(*this))
        return list.local(*this);
    requireOpen();
    const QString stored = clientConfig().read(list.key(), basecache::initialStamp());
    ParamList params = baseParams(list.kind);
    params.setValue(list.conditionLine, conditionOfOperator() + QLatin1Char(';') +
                                            basecache::updateTimeKey() + QLatin1Char('=') + stored);
    list.received(*this).clear();
    QCborValue packet;
    d.ExecProcQueryPacket(basecache::procedureName(), params, &packet);
    writePacket(list, packet);
    // The stamp the server sent with the last connection check, which preceded the query.
    const QString stamp =
        stampsAhead_[list.goods ? 0 : 1] ? basecache::initialStamp() : list.stamp(d);
    if (!stamp.isEmpty())
        clientConfig().write(list.key(), stamp);
    list.newer(d) = 0;
    list.reload(*this) = false;
    return list.local(*this);
}

void TLocalCache::writeRows(const CachedList& list, const RecordSet& rows) {
    const QString table = quoteName(profile_ + list.suffix);
    const QList<basecache::Column>& columns = list.columns;
    QStringList marks;
    for (qsizetype i = 0; i < columns.size(); ++i)
        marks << QStringLiteral("?");
    // Where each column's value stands in the received rows (-1: not sent, the default).
    QList<int> source;
    for (const basecache::Column& c : columns)
        source << rows.fieldIndex(c.name);
    if (source.first() < 0 && rows.rowCount() > 0) {
        throw DytError(
            QStringLiteral("本地数据缓存错误：服务器返回的数据缺少%1").arg(list.keyColumn()));
    }

    LocalTransaction tx(db_);
    LocalStatement del(db_,
                       QStringLiteral("delete from %1 where %2 = ?").arg(table, list.keyColumn()));
    LocalStatement ins(db_, QStringLiteral("Insert into %1(%2) values(%3)")
                                .arg(table, columnList(columns), marks.join(QLatin1Char(','))));
    for (int r = 0; r < rows.rowCount(); ++r) {
        const QVariant id = rows.at(r, source.first());
        bindValue(del, 1, columns.first(), id);
        del.run();
        for (qsizetype i = 0; i < columns.size(); ++i) {
            const int from = source.at(i);
            bindValue(ins, static_cast<int>(i + 1), columns.at(i),
                      from >= 0 ? rows.at(r, from) : QVariant());
        }
        ins.run();
    }
    tx.commit();
}

void TLocalCache::writePacket(const CachedList& list, const QCborValue& packet) {
    // The rows go from the packet's bytes straight into the prepared insert, without a record
    // set in between; a packet in a form the row reader leaves aside goes through a record set.
    const QByteArray bytes = packet.taggedValue().toByteArray();
    proto::packetcodec::RowReader rows;
    if (!rows.open(bytes.constData(), bytes.size())) {
        writeRows(list, proto::recordSetFromCbor(packet));
        return;
    }
    const QList<basecache::Column>& columns = list.columns;
    QList<int> source;
    for (const basecache::Column& c : columns) {
        int at = -1;
        for (int f = 0; f < rows.fields().size() && at < 0; ++f) {
            if (rows.fields()[f].name.compare(c.name, Qt::CaseInsensitive) == 0)
                at = f;
        }
        source << at;
    }
    if (source.first() < 0 && rows.rowCount() > 0) {
        throw DytError(
            QStringLiteral("本地数据缓存错误：服务器返回的数据缺少%1").arg(list.keyColumn()));
    }
    QStringList marks;
    for (qsizetype i = 0; i < columns.size(); ++i)
        marks << QStringLiteral("?");
    LocalTransaction tx(db_);
    // The key's unique index makes the insert replace the row of the same key.
    LocalStatement ins(db_, QStringLiteral("Insert or replace into %1(%2) values(%3)")
                                .arg(quoteName(profile_ + list.suffix), columnList(columns),
                                     marks.join(QLatin1Char(','))));
    while (rows.next()) {
        for (qsizetype i = 0; i < columns.size(); ++i)
            bindCell(ins, static_cast<int>(i + 1), columns.at(i), rows, source.at(i));
        ins.run();
    }
    if (!rows.ok()) {
        proto::recordSetFromCbor(packet);  // names the fault
        throw DytError(QStringLiteral("本地数据缓存错误：服务器返回的数据无法读取"));
    }
    tx.commit();
}

bool TLocalCache::FindGoods(qint64 id) {
    return find(goodsList(), id);
}

bool TLocalCache::FindPartner(qint64 id) {
    return find(partnerList(), id);
}

bool TLocalCache::find(const CachedList& list, qint64 id) {
    sync(list);
    requireOpen();
    RecordSet& out = list.local(*this);
    if (out.fieldCount() != list.columns.size() || out.filtered())
        out = basecache::emptyRecordSet(list.columns);
    else
        out.clearRows();
    sqlite3_stmt*& st = findStatements_[list.goods ? 0 : 1];
    if (!st) {
        const QByteArray sql =
            QStringLiteral("select %1 from %2 where %3 = ?")
                .arg(columnList(list.columns), quoteName(profile_ + list.suffix), list.keyColumn())
                .toUtf8();
        if (sqlite3_prepare_v2(db_, sql.constData(), static_cast<int>(sql.size()), &st, nullptr) !=
            SQLITE_OK) {
            sqlite3_finalize(st);
            st = nullptr;
            raiseSqlite(db_, QString::fromUtf8(sql));
        }
    }
    sqlite3_bind_int64(st, 1, id);
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        RecordSet::Row row;
        row.reserve(list.columns.size());
        for (qsizetype i = 0; i < list.columns.size(); ++i)
            row << readValue(st, static_cast<int>(i), list.columns.at(i));
        out.appendRow(row);
    }
    sqlite3_reset(st);
    if (rc != SQLITE_DONE)
        raiseSqlite(db_, QStringLiteral("select"));
    out.first();
    return out.recordCount() == 1;
}

// --- small kinds

QString TLocalCache::queryTypeOf(SmallKind kind) {
    switch (kind) {
        case SmallKind::Departments:
            return basecache::departmentsKind();
        case SmallKind::Accounts:
            return basecache::accountsKind();
        case SmallKind::AccountNames:
            return basecache::accountNamesKind();
        case SmallKind::Warehouses:
            return basecache::warehousesKind();
        case SmallKind::Employees:
            break;
    }
    return basecache::employeesKind();
}

RecordSet& TLocalCache::small(SmallKind kind) {
    SmallSet& s = small_[static_cast<int>(kind)];
    if (s.open && !s.reload)
        return s.data;
    ParamList params = baseParams(queryTypeOf(kind));
    RecordSet loaded;
    dm().ExecProcQuery(basecache::procedureName(), params, &loaded);
    s.data = std::move(loaded);
    s.data.first();
    s.open = true;
    s.reload = false;
    return s.data;
}

void TLocalCache::setReload(SmallKind kind) {
    small_[static_cast<int>(kind)].reload = true;
}

bool TLocalCache::reloadPending(SmallKind kind) const {
    const SmallSet& s = small_[static_cast<int>(kind)];
    return !s.open || s.reload;
}

void TLocalCache::loginStep(int position) {
    static const SmallKind kinds[] = {SmallKind::Departments, SmallKind::Accounts,
                                      SmallKind::AccountNames, SmallKind::Warehouses,
                                      SmallKind::Employees};
    try {
        if (position >= 1 && position <= 5) {
            setReload(kinds[position - 1]);
            small(kinds[position - 1]);
        } else if (position == 6) {
            OpenLocalCache();
        }
    } catch (const DytError& e) {
        if (e.message() != silentErrorText())
            prompter().showError(caption::error(), e);
    }
}

const TLocalCache::CachedList& TLocalCache::goodsList() {
    static const CachedList list{true,
                                 basecache::goodsColumns(),
                                 QStringLiteral("goods"),
                                 basecache::goodsKind(),
                                 QStringLiteral("GoodsStr"),
                                 cachetext::goodsClockSql(),
                                 cachetext::goodsStampResetSql()};
    return list;
}

const TLocalCache::CachedList& TLocalCache::partnerList() {
    static const CachedList list{false,
                                 basecache::partnerColumns(),
                                 QStringLiteral("wldw"),
                                 basecache::partnersKind(),
                                 QStringLiteral("wldwStr"),
                                 cachetext::partnerClockSql(),
                                 cachetext::partnerStampResetSql()};
    return list;
}

}  // namespace dyt::client
