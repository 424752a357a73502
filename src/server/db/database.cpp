#include "server/db/database.h"

#include <QDate>
#include <QDateTime>
#include <QRegularExpression>
#include <QTime>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <vector>

#include <sqlite3.h>

#include "common/clock.h"
#include "common/error.h"
#include "server/db/accountcopy.h"
#include "server/db/pg_connection.h"
#include "server/db/pg_sql.h"
#include "server/db/schema.h"
#include "protocol/packetcodec.h"
#include "protocol/protocol.h"

namespace dyt::server {

// --- statements

Statement::Statement(Database* db, sqlite3_stmt* stmt) : db_(db), stmt_(stmt) {}

Statement::Statement(Database* db, sqlite3_stmt* stmt, QString cacheKey)
    : db_(db), stmt_(stmt), cacheKey_(std::move(cacheKey)) {}

Statement::Statement(Database* db, std::unique_ptr<pg::Cursor> cursor)
    : db_(db), pg_(std::move(cursor)) {}

Statement::~Statement() {
    if (!stmt_)
        return;
    if (cacheKey_.isEmpty())
        sqlite3_finalize(stmt_);
    else
        db_->release(std::move(cacheKey_), stmt_);
}

Statement::Statement(Statement&& other) noexcept
    : db_(other.db_),
      stmt_(other.stmt_),
      cacheKey_(std::move(other.cacheKey_)),
      pg_(std::move(other.pg_)) {
    other.stmt_ = nullptr;
}

Statement& Statement::bind(int index, const QVariant& value) {
    if (pg_) {
        pg_->bind(index, value);
        return *this;
    }
    int rc = SQLITE_OK;
    if (!value.isValid() || value.isNull()) {
        rc = sqlite3_bind_null(stmt_, index);
    } else {
        switch (value.metaType().id()) {
            case QMetaType::Bool:
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::LongLong:
            case QMetaType::ULongLong:
            case QMetaType::Long:
                rc = sqlite3_bind_int64(stmt_, index, value.toLongLong());
                break;
            case QMetaType::Double:
            case QMetaType::Float:
                rc = sqlite3_bind_double(stmt_, index, value.toDouble());
                break;
            case QMetaType::QByteArray: {
                const QByteArray b = value.toByteArray();
                rc = sqlite3_bind_blob64(stmt_, index, b.constData(),
                                         static_cast<sqlite3_uint64>(b.size()), SQLITE_TRANSIENT);
                break;
            }
            default: {
                QString text;
                if (value.metaType().id() == QMetaType::QDate) {
                    text = value.toDate().toString(QStringLiteral("yyyy-MM-dd"));
                } else if (value.metaType().id() == QMetaType::QDateTime) {
                    text = value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
                } else if (value.metaType().id() == qMetaTypeId<Currency>()) {
                    text = value.value<Currency>().toString();
                } else {
                    text = value.toString();
                }
                const QByteArray u = text.toUtf8();
                rc = sqlite3_bind_text64(stmt_, index, u.constData(),
                                         static_cast<sqlite3_uint64>(u.size()), SQLITE_TRANSIENT,
                                         SQLITE_UTF8);
            }
        }
    }
    if (rc != SQLITE_OK)
        db_->raise(rc, QStringLiteral("参数绑定失败"));
    return *this;
}

Statement& Statement::bindAll(const QVariantList& values) {
    for (int i = 0; i < values.size(); ++i)
        bind(i + 1, values[i]);
    return *this;
}

bool Statement::step() {
    if (pg_)
        return pg_->step();
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    db_->raise(rc);
}

int Statement::execute() {
    if (pg_) {
        while (pg_->step()) {
        }
        return db_->postgres()->changes;
    }
    // A write outside a transaction waits its turn among this process's writers like a
    // transaction does; SQLite's own busy wait would let it starve behind them.
    WriterTurn turn(*db_, !readOnly() && sqlite3_get_autocommit(db_->handle()) != 0);
    while (step()) {
    }
    return sqlite3_changes(db_->handle());
}

void Statement::reset() {
    if (pg_) {
        pg_->reset();
        pg_->clearBindings();
        return;
    }
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

int Statement::columnCount() const {
    if (pg_)
        return pg_->columnCount();
    return sqlite3_column_count(stmt_);
}

QString Statement::columnName(int column) const {
    if (pg_)
        return pg_->columnName(column);
    return QString::fromUtf8(sqlite3_column_name(stmt_, column));
}

namespace {

QVariant columnValue(sqlite3_stmt* stmt, int column) {
    switch (sqlite3_column_type(stmt, column)) {
        case SQLITE_INTEGER:
            return static_cast<qint64>(sqlite3_column_int64(stmt, column));
        case SQLITE_FLOAT:
            return sqlite3_column_double(stmt, column);
        case SQLITE_TEXT:
            return QString::fromUtf8(
                reinterpret_cast<const char*>(sqlite3_column_text(stmt, column)),
                sqlite3_column_bytes(stmt, column));
        case SQLITE_BLOB:
            return QByteArray(static_cast<const char*>(sqlite3_column_blob(stmt, column)),
                              sqlite3_column_bytes(stmt, column));
        default:
            return {};
    }
}

}  // namespace

QVariant Statement::value(int column) const {
    if (pg_)
        return pg_->value(column);
    return columnValue(stmt_, column);
}

const char* Statement::declaredType(int column) const {
    if (pg_)
        return pg_->declaredType(column);
    return sqlite3_column_decltype(stmt_, column);
}

bool Statement::readOnly() const {
    if (pg_)
        return pg_->readOnly();
    return sqlite3_stmt_readonly(stmt_) != 0;
}

// --- connections

Database::Database(sqlite3* db, QString path) : db_(db), path_(std::move(path)) {}

Database::Database(std::unique_ptr<pg::Connection> conn, QString path)
    : pg_(std::move(conn)), path_(std::move(path)) {}

std::unique_ptr<Database> Database::open(const QString& path, Mode mode) {
    if (isPostgresPath(path)) {
        pg::setSchemaSpellings(&schema::declaredSpelling);
        auto conn = std::make_unique<pg::Connection>(path.mid(int(qstrlen("postgresql:"))));
        std::unique_ptr<Database> db(new Database(std::move(conn), path));
        db->setBusyTimeout(kBusyTimeoutMs);
        return db;
    }
    int flags = SQLITE_OPEN_NOMUTEX;
    switch (mode) {
        case Mode::ReadOnly:
            flags |= SQLITE_OPEN_READONLY;
            break;
        case Mode::ReadWrite:
        case Mode::File:
            flags |= SQLITE_OPEN_READWRITE;
            break;
        case Mode::ReadWriteCreate:
            flags |= SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
            break;
    }
    sqlite3* handle = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &handle, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString msg = QString::fromUtf8(handle ? sqlite3_errmsg(handle) : sqlite3_errstr(rc));
        sqlite3_close(handle);
        throw DytError(QStringLiteral("无法打开数据库[%1]：%2").arg(path, msg));
    }
    std::unique_ptr<Database> db(new Database(handle, path));
    sqlite3_busy_timeout(handle, kBusyTimeoutMs);
    sqlite3_extended_result_codes(handle, 1);
    if (mode == Mode::File)
        return db;
    if (mode != Mode::ReadOnly) {
        db->executeScript(QStringLiteral(
            "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL; PRAGMA foreign_keys=ON;"));
        if (db->scalar(QStringLiteral("PRAGMA journal_mode")).toString() == u"wal")
            db->countCommits();
    } else {
        db->executeScript(QStringLiteral("PRAGMA foreign_keys=ON;"));
    }
    return db;
}

Database::~Database() {
    if (pg_)
        return;
    clearCache();
    sqlite3_set_authorizer(db_, nullptr, nullptr);
    sqlite3_close_v2(db_);
}

void Database::setBusyTimeout(int ms) {
    busyTimeoutMs_ = ms;
    if (pg_) {
        pg_->setBusyTimeout(ms);
        return;
    }
    sqlite3_busy_timeout(db_, ms);
}

bool Database::isBusy(const DytError& e) {
    return (e.code() & 0xff) == SQLITE_BUSY;  // PostgreSQL's lock timeouts are reported so too
}

QString Database::lastError() const {
    if (pg_)
        return {};
    return errorMessage(db_);
}

// --- limits

namespace {

// The limit of the call running on this thread (a connection's calls run on its own thread).
thread_local const CallLimit* currentLimit = nullptr;
thread_local sqlite3* currentLimitDb = nullptr;

}  // namespace

CallLimit::CallLimit(Database& db, int timeLimitMs, std::function<QString()> check)
    : db_(db), timeLimitMs_(timeLimitMs), check_(std::move(check)) {
    if (timeLimitMs_ > 0)
        deadline_ = steadyMs() + timeLimitMs_;
    currentLimit = this;
    currentLimitDb = db_.handle();
    if (auto* pg = db_.postgres()) {
        // PostgreSQL stops a statement at the time limit itself; the other reasons are looked at
        // between statements.
        if (timeLimitMs_ > 0)
            pg->exec(QStringLiteral("SET statement_timeout = %1").arg(timeLimitMs_));
        return;
    }
    sqlite3_progress_handler(db_.handle(), 2000, &CallLimit::progress, this);
}

CallLimit::~CallLimit() {
    if (auto* pg = db_.postgres()) {
        try {
            if (pg->inTransaction())
                pg->exec(QStringLiteral("ROLLBACK"));
            if (timeLimitMs_ > 0)
                pg->exec(QStringLiteral("SET statement_timeout = 0"));
        } catch (const DytError&) {
            // The connection is gone; its next statement says so.
        }
        currentLimit = nullptr;
        currentLimitDb = nullptr;
        return;
    }
    sqlite3_progress_handler(db_.handle(), 0, nullptr, nullptr);
    if (!sqlite3_get_autocommit(db_.handle())) {
        // A stopped call must not leave its transaction holding the account set.
        sqlite3_exec(db_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    }
    currentLimit = nullptr;
    currentLimitDb = nullptr;
}

int CallLimit::progress(void* self) {
    auto* limit = static_cast<CallLimit*>(self);
    if (!limit->reason_.isEmpty())
        return 1;
    if (limit->deadline_ > 0 && steadyMs() > limit->deadline_) {
        limit->reason_ = QStringLiteral("语句执行超过了%1秒的时间限制，已被服务器终止")
                             .arg(limit->timeLimitMs_ / 1000.0);
        return 1;
    }
    if (limit->check_)
        limit->reason_ = limit->check_();
    return limit->reason_.isEmpty() ? 0 : 1;
}

QString errorMessage(sqlite3* db) {
    const int code = sqlite3_errcode(db);
    if (currentLimit && currentLimitDb == db && !currentLimit->reason().isEmpty() &&
        (code == SQLITE_INTERRUPT || code == SQLITE_ABORT))
        return currentLimit->reason();
    return QString::fromUtf8(sqlite3_errmsg(db));
}

void Database::raise(int rc, const QString& context) const {
    QString msg = lastError();
    if (msg.isEmpty() || msg == QLatin1String("not an error")) {
        msg = QString::fromUtf8(sqlite3_errstr(rc));
    }
    if (!context.isEmpty())
        msg = context + QStringLiteral("：") + msg;
    throw DytError(msg, rc);
}

void Database::release(QString key, sqlite3_stmt* stmt) {
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    // Only while nothing watches or restricts what is prepared: a statement prepared without the
    // rules must never serve a text the rules would refuse.
    if (watcher_ || restriction_ || cache_.size() >= kCacheSize) {
        sqlite3_finalize(stmt);
        return;
    }
    // One look-up of the text: a slot already holding a statement of it keeps that one.
    sqlite3_stmt*& slot = cache_[std::move(key)];
    if (slot)
        sqlite3_finalize(stmt);
    else
        slot = stmt;
}

void Database::clearCache() {
    for (sqlite3_stmt* st : std::as_const(cache_))
        sqlite3_finalize(st);
    cache_.clear();
}

Statement Database::prepare(const QString& sql) {
    if (pg_) {
        if (watcher_ || restriction_)
            throw DytError(QStringLiteral("PostgreSQL 账套不支持客户端直接执行的SQL语句"));
        return Statement(this, std::make_unique<pg::Cursor>(*pg_, pg_->text(sql)));
    }
    const bool cached = !watcher_ && !restriction_;
    if (cached) {
        if (sqlite3_stmt* st = cache_.take(sql))
            return Statement(this, st, sql);
    }
    const QByteArray u = sql.toUtf8();
    sqlite3_stmt* st = nullptr;
    const int rc = sqlite3_prepare_v2(db_, u.constData(), static_cast<int>(u.size()), &st, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(st);
        raise(rc);
    }
    if (!st)
        throw DytError(QStringLiteral("SQL语句为空"));
    return cached ? Statement(this, st, sql) : Statement(this, st);
}

void Database::forEachStatement(const QString& sql, const std::function<void(Statement&)>& fn) {
    if (pg_) {
        for (const QString& one : pgsql::splitStatements(sql)) {
            Statement statement = prepare(one);
            fn(statement);
        }
        return;
    }
    const QByteArray u = sql.toUtf8();
    const char* tail = u.constData();
    const char* end = u.constData() + u.size();
    while (tail < end) {
        sqlite3_stmt* st = nullptr;
        const char* next = nullptr;
        const int rc = sqlite3_prepare_v2(db_, tail, static_cast<int>(end - tail), &st, &next);
        if (rc != SQLITE_OK) {
            sqlite3_finalize(st);
            raise(rc);
        }
        tail = next;
        if (!st)
            continue;  // whitespace or a comment
        Statement statement(this, st);
        fn(statement);
    }
}

int Database::changes() const {
    if (pg_)
        return pg_->changes;
    return sqlite3_changes(db_);
}

int Database::execute(const QString& sql, const QVariantList& values) {
    // A schema statement takes PostgreSQL's types and may become several statements.
    if (pg_ && values.isEmpty() && pgsql::isSchemaStatement(sql)) {
        executeScript(sql);
        return 0;
    }
    Statement st = prepare(sql);
    st.bindAll(values);
    return st.execute();
}

void Database::executeScript(const QString& sql) {
    if (pg_) {
        // Schema statements are made PostgreSQL's; the catalogue of serial columns follows them.
        bool schema = false;
        for (const QString& one : pgsql::splitStatements(sql)) {
            schema = schema || pgsql::isSchemaStatement(one);
            for (const QString& st : pgsql::adaptSchemaStatement(one))
                pg_->exec(st);
        }
        if (schema)
            pg_->schemaChanged();
        return;
    }
    char* err = nullptr;
    const int rc = sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &err);
    if (rc != SQLITE_OK) {
        const QString msg = QString::fromUtf8(err ? err : sqlite3_errstr(rc));
        sqlite3_free(err);
        throw DytError(msg, rc);
    }
}

QVariant Database::scalar(const QString& sql, const QVariantList& values) {
    Statement st = prepare(sql);
    st.bindAll(values);
    return st.step() ? st.value(0) : QVariant();
}

RecordSet Database::query(const QString& sql, const QVariantList& values) {
    Statement st = prepare(sql);
    st.bindAll(values);
    return readRecordSet(st);
}

qint64 Database::lastInsertId() const {
    if (pg_)
        return pg_->lastInsertId;
    return sqlite3_last_insert_rowid(db_);
}

bool Database::tableExists(const QString& name) {
    if (pg_) {
        return scalar(QStringLiteral("SELECT count(*) FROM pg_tables WHERE schemaname = "
                                     "current_schema() AND tablename = lower(?)"),
                      {name})
                   .toLongLong() > 0;
    }
    return scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND "
                                 "lower(name) = lower(?)"),
                  {name})
               .toLongLong() > 0;
}

bool Database::inTransaction() const {
    if (pg_)
        return pg_->inTransaction();
    return sqlite3_get_autocommit(db_) == 0;
}

bool Database::backupTo(const QString& path) {
    if (pg_) {
        // The same file a SQLite account set's backup is: every row copied into it, all read
        // in one snapshot of the account set.
        std::unique_ptr<Database> file;
        try {
            file = open(path, Mode::ReadWriteCreate);
        } catch (const DytError&) {
            return false;
        }
        const bool own = !pg_->inTransaction();
        if (own)
            pg_->exec(QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY"));
        try {
            copyAccountSet(*this, *file);
            file->executeScript(QStringLiteral("PRAGMA journal_mode=DELETE"));
        } catch (...) {
            if (own)
                pg_->exec(QStringLiteral("ROLLBACK"));
            throw;
        }
        if (own)
            pg_->exec(QStringLiteral("COMMIT"));
        return true;
    }
    sqlite3* dest = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &dest,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        sqlite3_close(dest);
        return false;
    }
    sqlite3_backup* b = sqlite3_backup_init(dest, "main", db_, "main");
    int rc = b ? sqlite3_backup_step(b, -1) : sqlite3_errcode(dest);
    if (b)
        sqlite3_backup_finish(b);
    if (rc == SQLITE_DONE)
        rc = sqlite3_exec(dest, "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr);
    const QString err = QString::fromUtf8(sqlite3_errmsg(dest));
    sqlite3_close(dest);
    if (rc != SQLITE_OK && rc != SQLITE_DONE)
        throw DytError(err);
    return true;
}

int Database::authorizer(void* self, int action, const char* a, const char* b, const char* dbName,
                         const char* trigger) {
    auto* db = static_cast<Database*>(self);
    if (db->restriction_) {
        const int rc = db->restriction_(action, a, b, dbName, trigger);
        if (rc != SQLITE_OK)
            return rc;
    }
    if (!db->watcher_)
        return SQLITE_OK;
    switch (action) {
        case SQLITE_UPDATE:
            db->watcher_(QString::fromUtf8(a), QString::fromUtf8(b));
            break;
        case SQLITE_INSERT:
        case SQLITE_DELETE:
            db->watcher_(QString::fromUtf8(a), QString());
            break;
        default:
            break;
    }
    return SQLITE_OK;
}

void Database::updateAuthorizer() {
    if (pg_)
        return;
    const bool on = watcher_ || restriction_;
    sqlite3_set_authorizer(db_, on ? &Database::authorizer : nullptr, this);
}

void Database::setWriteWatcher(std::function<void(const QString&, const QString&)> watcher) {
    clearCache();
    watcher_ = std::move(watcher);
    updateAuthorizer();
}

void Database::setRestricted(AccessRule rule) {
    clearCache();
    restriction_ = std::move(rule);
    updateAuthorizer();
}

// --- record sets from statements

namespace {

struct ColumnGuess {
    FieldType type = FieldType::Text;
    int size = 0;
    bool declared = false;
};

ColumnGuess fromDeclared(const char* decl) {
    ColumnGuess g;
    if (!decl)
        return g;
    const QString d = QString::fromUtf8(decl).toUpper();
    g.declared = true;
    static const QRegularExpression sizeRe(QStringLiteral("\\((\\d+)"));
    const auto m = sizeRe.match(d);
    if (d.contains(QLatin1String("INT"))) {
        g.type = FieldType::Integer;
    } else if (d.contains(QLatin1String("MONEY")) || d.contains(QLatin1String("CURRENCY"))) {
        g.type = FieldType::Currency;
    } else if (d.contains(QLatin1String("DATETIME")) || d.contains(QLatin1String("TIMESTAMP"))) {
        g.type = FieldType::DateTime;
    } else if (d.contains(QLatin1String("DATE"))) {
        g.type = FieldType::Date;
    } else if (d.contains(QLatin1String("BOOL")) || d == QLatin1String("BIT")) {
        g.type = FieldType::Boolean;
    } else if (d.contains(QLatin1String("CHAR")) || d.contains(QLatin1String("TEXT")) ||
               d.contains(QLatin1String("CLOB"))) {
        g.type = FieldType::Text;
        if (m.hasMatch())
            g.size = m.captured(1).toInt();
    } else if (d.contains(QLatin1String("BLOB")) || d.contains(QLatin1String("BINARY")) ||
               d.contains(QLatin1String("IMAGE"))) {
        g.type = FieldType::Blob;
    } else if (d.contains(QLatin1String("REAL")) || d.contains(QLatin1String("FLOA")) ||
               d.contains(QLatin1String("DOUB")) || d.contains(QLatin1String("NUMERIC")) ||
               d.contains(QLatin1String("DECIMAL"))) {
        g.type = FieldType::Float;
    } else {
        g.declared = false;
    }
    return g;
}

// Date and date-time texts as the packet writes them: ten or nineteen ASCII bytes. Such a text is
// read here without a conversion; the value it gives is the one parseDate/parseDateTime give.
int asciiDigits(const char* p, int n) {
    int v = 0;
    for (int i = 0; i < n; ++i) {
        if (p[i] < '0' || p[i] > '9')
            return -1;
        v = v * 10 + (p[i] - '0');
    }
    return v;
}

bool plainAscii(const char* p, int n) {
    for (int i = 0; i < n; ++i) {
        if (static_cast<unsigned char>(p[i]) >= 0x80)
            return false;
    }
    return true;
}

// Whether a text cell is a valid value of a date or date-time field, as parseDate/parseDateTime
// of the text decide.
bool stampFits(const char* p, int n, FieldType type) {
    const int want = type == FieldType::Date ? 10 : 19;
    if (n != want || !plainAscii(p, n)) {
        const QString t = QString::fromUtf8(p, n);
        return type == FieldType::Date ? proto::parseDate(t).isValid()
                                       : proto::parseDateTime(t).isValid();
    }
    if (p[4] != '-' || p[7] != '-')
        return false;
    const int y = asciiDigits(p, 4), m = asciiDigits(p + 5, 2), d = asciiDigits(p + 8, 2);
    if (y < 0 || m < 0 || d < 0 || !QDate::isValid(y, m, d))
        return false;
    if (type == FieldType::Date)
        return true;
    if (p[10] != ' ' || p[13] != ':' || p[16] != ':')
        return false;
    const int h = asciiDigits(p + 11, 2), mi = asciiDigits(p + 14, 2), s = asciiDigits(p + 17, 2);
    return h >= 0 && mi >= 0 && s >= 0 && QTime::isValid(h, mi, s);
}

// The field of one result column: its declared type when every value fits it, else the type the
// values have, integers widened to float beside floats and anything mixed taken as text. Both
// readers feed it the same cells.
class ColumnTyper {
public:
    explicit ColumnTyper(const char* decl) : guess_(fromDeclared(decl)) {}

    // A cell of the current row; data and size are the text's bytes for SQLITE_TEXT.
    void see(int type, const char* data, int size) {
        if (type == SQLITE_NULL)
            return;
        if (fits_)
            fits_ = fitsDeclared(type, data, size);
        const FieldType vt = type == SQLITE_INTEGER ? FieldType::Integer
                             : type == SQLITE_FLOAT ? FieldType::Float
                             : type == SQLITE_BLOB  ? FieldType::Blob
                                                    : FieldType::Text;
        if (!seen_) {
            valueType_ = vt;
            seen_ = true;
        } else if (valueType_ != vt) {
            const bool numeric =
                (valueType_ == FieldType::Integer || valueType_ == FieldType::Float) &&
                (vt == FieldType::Integer || vt == FieldType::Float);
            valueType_ = numeric ? FieldType::Float : FieldType::Text;
        }
    }
    bool needsText() const {
        return fits_ && guess_.declared &&
               (guess_.type == FieldType::Date || guess_.type == FieldType::DateTime);
    }
    FieldType type() const { return guess_.declared && fits_ ? guess_.type : valueType_; }
    int size() const { return fits_ ? guess_.size : 0; }

private:
    bool fitsDeclared(int type, const char* data, int size) const {
        switch (guess_.type) {
            case FieldType::Integer:
            case FieldType::Boolean:
                return type == SQLITE_INTEGER;
            case FieldType::Float:
            case FieldType::Currency:
                return type == SQLITE_INTEGER || type == SQLITE_FLOAT;
            case FieldType::Date:
            case FieldType::DateTime:
                return type == SQLITE_TEXT && stampFits(data, size, guess_.type);
            case FieldType::Text:
                return type == SQLITE_TEXT;
            case FieldType::Blob:
                return type == SQLITE_BLOB;
        }
        return false;
    }

    ColumnGuess guess_;
    bool fits_ = true;
    bool seen_ = false;
    FieldType valueType_ = FieldType::Text;
};

// The fields of a result. A name the result already has (SELECT * over a join) gets a suffix, as
// the client's data sets name such fields; the first keeps the plain name.
RecordSet resultFields(const std::function<QString(int)>& nameOf,
                       const std::vector<ColumnTyper>& typers) {
    RecordSet rs;
    for (int c = 0; c < int(typers.size()); ++c) {
        const QString name = nameOf(c);
        QString unique = name;
        for (int n = 1; rs.fieldIndex(unique) >= 0; ++n)
            unique = name + QStringLiteral("_%1").arg(n);
        rs.addField(unique, typers[c].type(), typers[c].size());
    }
    return rs;
}

RecordSet resultFields(sqlite3_stmt* stmt, const std::vector<ColumnTyper>& typers) {
    return resultFields(
        [stmt](int c) { return QString::fromUtf8(sqlite3_column_name(stmt, c)); }, typers);
}


std::vector<ColumnTyper> columnTypers(sqlite3_stmt* stmt) {
    std::vector<ColumnTyper> typers;
    const int columns = sqlite3_column_count(stmt);
    typers.reserve(size_t(columns));
    for (int c = 0; c < columns; ++c)
        typers.emplace_back(sqlite3_column_decltype(stmt, c));
    return typers;
}

// A value as the statement gave it, in the representation of its field's type (what the record
// set's rows then coerce once more).
void convertCell(QVariant& v, FieldType t) {
    if (!v.isValid())
        return;
    if (t == FieldType::Text && v.metaType().id() != QMetaType::QString) {
        v = v.metaType().id() == QMetaType::QByteArray ? QString::fromUtf8(v.toByteArray())
                                                       : v.toString();
    } else if (t == FieldType::Currency) {
        v = QVariant::fromValue(v.metaType().id() == QMetaType::LongLong
                                    ? Currency::fromRaw(v.toLongLong() * Currency::kScale)
                                    : Currency::fromDouble(v.toDouble()));
    } else if (t == FieldType::Date) {
        v = proto::parseDate(v.toString());
    } else if (t == FieldType::DateTime) {
        v = proto::parseDateTime(v.toString());
    } else if (t == FieldType::Boolean) {
        v = v.toLongLong() != 0;
    } else if (t == FieldType::Float) {
        v = v.toDouble();
    }
}

// The rows read, each value converted to its field's type, after the fields.
RecordSet withRows(RecordSet rs, QList<RecordSet::Row>& rows) {
    const int columns = rs.fieldCount();
    for (auto& row : rows) {
        for (int c = 0; c < columns; ++c)
            convertCell(row[c], rs.fields()[c].type);
        rs.appendRow(row);
    }
    rs.first();
    return rs;
}

// Bytes a result may take on this thread (0: no limit).
thread_local qint64 resultLimit = 0;

// What the rows take in an answer, at least: a byte for each row and cell and the bytes of texts
// and blobs (numbers take one to nine). Refuses a result past the thread's limit as it is read.
class ResultSize {
public:
    explicit ResultSize(int columns) : columns_(columns), limit_(resultLimit) {}
    void row() { size_ += 1 + columns_; }
    void bytes(int n) { size_ += n; }
    void check() const {
        if (limit_ > 0 && size_ > limit_)
            throw DytError(QStringLiteral("应答数据过大，超过了服务器的数据帧上限"));
    }

private:
    int columns_;
    qint64 limit_;
    qint64 size_ = 0;
};

[[noreturn]] void stepFailed(sqlite3_stmt* stmt, int rc) {
    sqlite3* db = sqlite3_db_handle(stmt);
    QString msg = errorMessage(db);
    if (msg.isEmpty() || msg == QLatin1String("not an error"))
        msg = QString::fromUtf8(sqlite3_errstr(rc));
    throw DytError(msg, rc);
}

// A cell of a statement's row kept for the packet writer: numbers in place, texts and blobs in
// the reader's byte store.
struct RawCell {
    qint64 word = 0;  // integer, double bits, or the bytes' offset in the store
    int type = SQLITE_NULL;
    int size = 0;
};

QVariant rawValue(const RawCell& cell, const char* store) {
    switch (cell.type) {
        case SQLITE_INTEGER:
            return cell.word;
        case SQLITE_FLOAT: {
            double d = 0;
            std::memcpy(&d, &cell.word, sizeof d);
            return d;
        }
        case SQLITE_TEXT:
            return QString::fromUtf8(store + cell.word, cell.size);
        case SQLITE_BLOB:
            return QByteArray(store + cell.word, cell.size);
        default:
            return {};
    }
}

// Writes one cell into its field of type t: straight from the statement's value where that gives
// what a record set holds, else through the record set's own conversion.
void writeRawCell(proto::packetcodec::Writer& w, FieldType t, const RawCell& cell,
                  const char* store) {
    switch (cell.type) {
        case SQLITE_NULL:
            w.null();
            return;
        case SQLITE_INTEGER: {
            const qint64 i = cell.word;
            qint64 raw = 0;
            if (t == FieldType::Integer)
                return w.integer(i);
            if (t == FieldType::Float)
                return w.real(static_cast<double>(i));
            if (t == FieldType::Boolean)
                return w.boolean(i != 0);
            if (t == FieldType::Currency && !__builtin_mul_overflow(i, Currency::kScale, &raw))
                return w.currency(raw);
            break;
        }
        case SQLITE_FLOAT: {
            double d = 0;
            std::memcpy(&d, &cell.word, sizeof d);
            if (t == FieldType::Float)
                return w.real(d);
            if (t == FieldType::Currency)
                return w.currency(Currency::fromDouble(d).raw());
            break;
        }
        case SQLITE_TEXT:
        case SQLITE_BLOB: {
            const char* p = store + cell.word;
            if (t == FieldType::Text)
                return w.utf8(p, cell.size);
            // A date as the packet writes it: its value without a text in between.
            if (t == FieldType::Date && cell.type == SQLITE_TEXT && cell.size == 10 &&
                p[4] == '-' && p[7] == '-') {
                const int y = asciiDigits(p, 4), m = asciiDigits(p + 5, 2),
                          d = asciiDigits(p + 8, 2);
                if (y >= 0 && m >= 0 && d >= 0 && QDate::isValid(y, m, d))
                    return w.value(QVariant(QDate(y, m, d)));
            }
            break;
        }
        default:
            break;
    }
    QVariant v = rawValue(cell, store);
    convertCell(v, t);
    w.value(v);
}

}  // namespace

ResultLimit::ResultLimit(qint64 bytes) : previous_(resultLimit) {
    resultLimit = bytes;
}

ResultLimit::~ResultLimit() {
    resultLimit = previous_;
}

void checkResultSize(qint64 bytes) {
    if (resultLimit > 0 && bytes > resultLimit)
        throw DytError(QStringLiteral("应答数据过大，超过了服务器的数据帧上限"));
}

RecordSet readRecordSet(Statement& st) {
    if (st.handle())
        return readRecordSet(st.handle());
    // A PostgreSQL statement: its values already have SQLite's kinds (integer, double, text,
    // bytes), so the fields are typed as for SQLite.
    std::vector<ColumnTyper> typers;
    std::vector<QString> names;
    QList<RecordSet::Row> rows;
    int columns = -1;
    ResultSize size(0);
    while (st.step()) {
        if (columns < 0) {
            columns = st.columnCount();
            size = ResultSize(columns);
        }
        RecordSet::Row row;
        row.reserve(columns);
        size.row();
        for (int c = 0; c < columns; ++c) {
            QVariant v = st.value(c);
            int type = SQLITE_NULL;
            QByteArray text;
            if (v.isValid()) {
                switch (v.metaType().id()) {
                    case QMetaType::LongLong:
                        type = SQLITE_INTEGER;
                        break;
                    case QMetaType::Double:
                        type = SQLITE_FLOAT;
                        break;
                    case QMetaType::QByteArray:
                        type = SQLITE_BLOB;
                        size.bytes(int(v.toByteArray().size()));
                        break;
                    default:
                        type = SQLITE_TEXT;
                        text = v.toString().toUtf8();
                        size.bytes(int(text.size()));
                }
            }
            if (typers.size() < size_t(columns)) {
                for (int k = 0; k < columns; ++k)
                    typers.emplace_back(st.declaredType(k));
            }
            typers[size_t(c)].see(type, text.constData(), int(text.size()));
            row.append(std::move(v));
        }
        size.check();
        rows.append(std::move(row));
    }
    if (columns < 0) {
        columns = st.columnCount();
        for (int k = 0; k < columns; ++k)
            typers.emplace_back(st.declaredType(k));
    }
    return withRows(resultFields([&st](int c) { return st.columnName(c); }, typers), rows);
}

RecordSet readRecordSet(sqlite3_stmt* stmt) {
    const int columns = sqlite3_column_count(stmt);
    std::vector<ColumnTyper> typers = columnTypers(stmt);
    QList<RecordSet::Row> rows;
    ResultSize size(columns);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        RecordSet::Row row;
        row.reserve(columns);
        size.row();
        for (int c = 0; c < columns; ++c) {
            const int type = sqlite3_column_type(stmt, c);
            row.append(columnValue(stmt, c));
            const char* text = nullptr;
            int bytes = 0;
            if (type == SQLITE_TEXT || type == SQLITE_BLOB) {
                if (type == SQLITE_TEXT && typers[size_t(c)].needsText())
                    text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, c));
                bytes = sqlite3_column_bytes(stmt, c);
                size.bytes(bytes);
            }
            typers[size_t(c)].see(type, text, bytes);
        }
        size.check();
        rows.append(std::move(row));
    }
    if (rc != SQLITE_DONE)
        stepFailed(stmt, rc);
    return withRows(resultFields(stmt, typers), rows);
}

QByteArray readPacket(sqlite3_stmt* stmt) {
    const int columns = sqlite3_column_count(stmt);
    std::vector<ColumnTyper> typers = columnTypers(stmt);
    // The rows are kept as the statement gives them until the last one has told the fields'
    // types; only then can the first be written.
    std::vector<RawCell> cells;
    QByteArray store;
    qsizetype stored = 0;
    ResultSize size(columns);
    qsizetype rows = 0;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        size.row();
        for (int c = 0; c < columns; ++c) {
            RawCell cell;
            cell.type = sqlite3_column_type(stmt, c);
            const char* data = nullptr;
            switch (cell.type) {
                case SQLITE_INTEGER:
                    cell.word = sqlite3_column_int64(stmt, c);
                    break;
                case SQLITE_FLOAT: {
                    const double d = sqlite3_column_double(stmt, c);
                    std::memcpy(&cell.word, &d, sizeof d);
                    break;
                }
                case SQLITE_TEXT:
                case SQLITE_BLOB: {
                    data = cell.type == SQLITE_TEXT
                               ? reinterpret_cast<const char*>(sqlite3_column_text(stmt, c))
                               : static_cast<const char*>(sqlite3_column_blob(stmt, c));
                    cell.size = sqlite3_column_bytes(stmt, c);
                    size.bytes(cell.size);
                    if (stored + cell.size > store.size())
                        store.resize(qMax<qsizetype>(store.size() * 2, stored + cell.size + 4096));
                    if (cell.size > 0)
                        std::memcpy(store.data() + stored, data, size_t(cell.size));
                    cell.word = stored;
                    stored += cell.size;
                    break;
                }
                default:
                    break;
            }
            typers[size_t(c)].see(cell.type, data, cell.size);
            cells.push_back(cell);
        }
        size.check();
        ++rows;
    }
    if (rc != SQLITE_DONE)
        stepFailed(stmt, rc);
    const RecordSet head = resultFields(stmt, typers);
    QList<FieldType> types;
    for (const Field& f : head.fields())
        types.append(f.type);
    proto::packetcodec::Writer w(head.fields(), rows);
    const char* bytes = store.constData();
    size_t at = 0;
    for (qsizetype r = 0; r < rows; ++r) {
        w.beginRow();
        for (int c = 0; c < columns; ++c)
            writeRawCell(w, types[c], cells[at++], bytes);
    }
    return w.finish();
}

}  // namespace dyt::server

namespace dyt::server {

namespace {

// The writers of one database file in this process, served in the order they came. SQLite's own
// busy wait lets a writer that just arrived take the lock before one that has been sleeping for
// it, so that under many posting clients a few wait for seconds; the queue hands the lock on in
// turn, and the busy wait is left for writers of other processes.
struct WriterQueue {
    std::mutex mutex;
    std::condition_variable turn;
    quint64 next = 0;                // the ticket the next writer draws
    quint64 serving = 0;             // the ticket that may write now
    std::set<quint64> abandoned;     // tickets whose writers gave up waiting
    std::atomic<qint64> commits{0};  // done by this process's connections (WAL files)
};

// After each commit of a WAL file: counted, then the checkpoint SQLite's own hook would make
// (at 1000 pages in the log, its default), which a hook of one's own replaces.
int afterCommit(void* queue, sqlite3* db, const char* name, int pages) {
    static_cast<WriterQueue*>(queue)->commits.fetch_add(1, std::memory_order_acq_rel);
    if (pages >= 1000)
        sqlite3_wal_checkpoint(db, name);
    return SQLITE_OK;
}

WriterQueue* writerQueue(const QString& path) {
    static std::mutex registryMutex;
    static std::map<QString, std::unique_ptr<WriterQueue>> queues;
    std::lock_guard lock(registryMutex);
    auto& q = queues[path];
    if (!q)
        q = std::make_unique<WriterQueue>();
    return q.get();
}

}  // namespace

void Database::countCommits() {
    if (path_.isEmpty() || path_ == u":memory:")
        return;
    auto* q = writerQueue(path_);
    file_ = q;
    sqlite3_wal_hook(db_, afterCommit, q);
}

qint64 Database::commitCount() const {
    return file_ ? static_cast<WriterQueue*>(file_)->commits.load(std::memory_order_acquire) : -1;
}

WriterTurn::WriterTurn(Database& db, bool wanted) {
    if (!wanted || db.path().isEmpty() || db.path() == u":memory:")
        return;
    auto* q = writerQueue(db.path());
    std::unique_lock guard(q->mutex);
    const quint64 ticket = q->next++;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(db.busyTimeout());
    while (q->serving != ticket) {
        if (q->turn.wait_until(guard, deadline) == std::cv_status::timeout &&
            q->serving != ticket) {
            // Give the turn up without blocking those behind: the ticket is served as soon as
            // it comes up, and passed on at once.
            q->abandoned.insert(ticket);
            throw DytError(QStringLiteral("数据库正忙，请稍后再试"), SQLITE_BUSY);
        }
    }
    queue_ = q;
}

void WriterTurn::release() {
    if (!queue_)
        return;
    auto* q = static_cast<WriterQueue*>(queue_);
    queue_ = nullptr;
    {
        std::lock_guard guard(q->mutex);
        ++q->serving;
        while (q->abandoned.erase(q->serving) > 0)
            ++q->serving;
    }
    q->turn.notify_all();
}

namespace {

// A transaction inside another of the same connection is refused at once: its writer's turn
// would never come, and PostgreSQL would only warn and let the inner commit end the outer one.
Database& outsideTransaction(Database& db) {
    if (db.inTransaction())
        throw DytError(QStringLiteral("cannot start a transaction within a transaction"));
    return db;
}

}  // namespace

Transaction::Transaction(Database& db, Lock lock)
    : db_(db), turn_(outsideTransaction(db), lock == Lock::Immediate) {
    if (auto* pg = db_.postgres()) {
        pg->exec(QStringLiteral("BEGIN"));
        active_ = true;
        if (lock == Lock::Immediate) {
            // As SQLite's write lock: the writers of an account set take their turns, whichever
            // process or server they come from; readers are not held up. The lock ends with the
            // transaction, and waits at most the connection's lock timeout.
            try {
                pg->exec(QStringLiteral("SELECT pg_advisory_xact_lock(4242)"));
            } catch (const DytError&) {
                active_ = false;
                try {
                    pg->exec(QStringLiteral("ROLLBACK"));
                } catch (const DytError&) {
                    // The connection is gone; the server ends the transaction itself.
                }
                throw;
            }
        }
        return;
    }
    db_.executeScript(lock == Lock::Immediate ? QStringLiteral("BEGIN IMMEDIATE")
                                              : QStringLiteral("BEGIN"));
    active_ = true;
}

Transaction::~Transaction() {
    if (active_) {
        try {
            db_.executeScript(QStringLiteral("ROLLBACK"));
        } catch (const DytError&) {
            // A failed statement may already have ended the transaction.
        }
    }
}

void Transaction::commit() {
    if (!active_)
        throw DytError(QStringLiteral("事务已经结束"));
    db_.executeScript(QStringLiteral("COMMIT"));
    active_ = false;
    turn_.release();
}

}  // namespace dyt::server
