// Running translated programs, the translation cache and the authorizer for client texts.

#include <sqlite3.h>

#include <QHash>

#include <list>
#include <mutex>
#include <unordered_map>

#include "common/error.h"
#include "server/db/database.h"
#include "server/tsql/tsql.h"

namespace dyt::server::tsql {

// ---------------------------------------------------------------- cache

struct TranslationCache::Impl {
    int capacity;
    mutable std::mutex mutex;
    using Entry = std::pair<QString, Program>;
    std::list<Entry> order;  // most recently used first
    QHash<QString, std::list<Entry>::iterator> index;
};

TranslationCache::TranslationCache(int capacity) : d_(new Impl) {
    d_->capacity = capacity > 0 ? capacity : 1;
}

TranslationCache::~TranslationCache() {
    delete d_;
}

Program TranslationCache::translate(const QString& text, const Context& context) {
    // The session id takes part in the key only where the text reads it.
    QString key = QString::number(static_cast<int>(context.dialect)) + u'\x1f' +
                  context.masterSchema + u'\x1f' + context.databaseName + u'\x1f';
    if (text.contains(QLatin1String("@@")))
        key += QString::number(context.sessionId);
    key += u'\x1f' + text;
    {
        std::lock_guard<std::mutex> lock(d_->mutex);
        auto it = d_->index.find(key);
        if (it != d_->index.end()) {
            d_->order.splice(d_->order.begin(), d_->order, it.value());
            return it.value()->second;
        }
    }
    Program program = tsql::translate(text, context);  // outside the lock; may throw
    std::lock_guard<std::mutex> lock(d_->mutex);
    if (!d_->index.contains(key)) {
        d_->order.emplace_front(key, program);
        d_->index.insert(key, d_->order.begin());
        while (static_cast<int>(d_->order.size()) > d_->capacity) {
            d_->index.remove(d_->order.back().first);
            d_->order.pop_back();
        }
    }
    return program;
}

int TranslationCache::size() const {
    std::lock_guard<std::mutex> lock(d_->mutex);
    return static_cast<int>(d_->order.size());
}

void TranslationCache::clear() {
    std::lock_guard<std::mutex> lock(d_->mutex);
    d_->order.clear();
    d_->index.clear();
}

// ---------------------------------------------------------------- authorizer

int clientAuthorizer(void*, int action, const char* arg1, const char* arg2, const char*,
                     const char*) {
    const auto catalogue = [](const char* table) {
        return table && sqlite3_strnicmp(table, "sqlite_", 7) == 0;
    };
    switch (action) {
        case SQLITE_ATTACH:
        case SQLITE_DETACH:
        case SQLITE_PRAGMA:
        case SQLITE_TRANSACTION:
        case SQLITE_SAVEPOINT:
        case SQLITE_ANALYZE:
        case SQLITE_REINDEX:
        case SQLITE_ALTER_TABLE:
        case SQLITE_CREATE_INDEX:
        case SQLITE_CREATE_TABLE:
        case SQLITE_CREATE_TEMP_INDEX:
        case SQLITE_CREATE_TEMP_TABLE:
        case SQLITE_CREATE_TEMP_TRIGGER:
        case SQLITE_CREATE_TEMP_VIEW:
        case SQLITE_CREATE_TRIGGER:
        case SQLITE_CREATE_VIEW:
        case SQLITE_CREATE_VTABLE:
        case SQLITE_DROP_INDEX:
        case SQLITE_DROP_TABLE:
        case SQLITE_DROP_TEMP_INDEX:
        case SQLITE_DROP_TEMP_TABLE:
        case SQLITE_DROP_TEMP_TRIGGER:
        case SQLITE_DROP_TEMP_VIEW:
        case SQLITE_DROP_TRIGGER:
        case SQLITE_DROP_VIEW:
        case SQLITE_DROP_VTABLE:
            return SQLITE_DENY;
        case SQLITE_FUNCTION:
            if (arg2 &&
                (sqlite3_stricmp(arg2, "load_extension") == 0 ||
                 sqlite3_stricmp(arg2, "fts3_tokenizer") == 0 ||
                 sqlite3_stricmp(arg2, "readfile") == 0 ||
                 sqlite3_stricmp(arg2, "writefile") == 0 || sqlite3_stricmp(arg2, "edit") == 0))
                return SQLITE_DENY;
            return SQLITE_OK;
        case SQLITE_READ:
            if (catalogue(arg1))
                return SQLITE_DENY;
            // Stored passwords read as Null.
            return arg1 && arg2 && sqlite3_stricmp(arg1, "sysuser") == 0 &&
                           sqlite3_stricmp(arg2, "password") == 0
                       ? SQLITE_IGNORE
                       : SQLITE_OK;
        case SQLITE_INSERT:
        case SQLITE_UPDATE:
        case SQLITE_DELETE:
            return catalogue(arg1) ? SQLITE_DENY : SQLITE_OK;
        default:
            return SQLITE_OK;
    }
}

// ---------------------------------------------------------------- execution

namespace {

QString errorText(sqlite3* db) {
    return errorMessage(db);
}

void exec(sqlite3* db, const char* sql) {
    char* err = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &err) != SQLITE_OK) {
        const QString msg = QString::fromUtf8(err ? err : "error");
        sqlite3_free(err);
        throw DytError(msg);
    }
}

struct Statement {
    sqlite3_stmt* st = nullptr;
    Statement(sqlite3* db, const QString& sql) {
        const QByteArray u = sql.toUtf8();
        const char* tail = nullptr;
        if (sqlite3_prepare_v2(db, u.constData(), static_cast<int>(u.size()), &st, &tail) !=
            SQLITE_OK)
            throw DytError(errorText(db));
        if (!st)
            throw DytError(QStringLiteral("SQL语句为空"));
        while (tail && *tail && (*tail == ' ' || *tail == '\t' || *tail == '\r' || *tail == '\n'))
            ++tail;
        if (tail && *tail) {
            sqlite3_finalize(st);
            st = nullptr;
            throw DytError(QStringLiteral("一个步骤只能有一条语句"));
        }
    }
    ~Statement() { sqlite3_finalize(st); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
};

void runQuery(sqlite3* db, const QString& sql, bool packet, Result& result) {
    Statement s(db, sql);
    if (packet)
        result.packet = readPacket(s.st);
    else
        result.rows = readRecordSet(s.st);
    result.hasRows = true;
}

qint64 runStatement(sqlite3* db, const QString& sql) {
    Statement s(db, sql);
    int rc;
    while ((rc = sqlite3_step(s.st)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE)
        throw DytError(errorText(db));
    return sqlite3_changes64(db);
}

bool runCondition(sqlite3* db, const QString& sql) {
    Statement s(db, sql);
    const int rc = sqlite3_step(s.st);
    if (rc == SQLITE_ROW)
        return sqlite3_column_int64(s.st, 0) != 0;
    if (rc == SQLITE_DONE)
        return false;
    throw DytError(errorText(db));
}

void runSteps(sqlite3* db, const std::vector<Step>& steps, bool packet, Result& result) {
    for (const Step& step : steps) {
        switch (step.kind) {
            case Step::Kind::Query:
                runQuery(db, step.sql, packet, result);
                break;
            case Step::Kind::Statement:
                result.changedRows += runStatement(db, step.sql);
                break;
            case Step::Kind::If:
                runSteps(db, runCondition(db, step.sql) ? step.thenSteps : step.elseSteps, packet,
                         result);
                break;
        }
    }
}

}  // namespace

Result execute(sqlite3* db, const Program& program, const ExecuteOptions& options) {
    if (program.dialect != Dialect::SQLite)
        throw DytError(QStringLiteral("程序的目标数据库类型不是 SQLite"));
    exec(db, "SAVEPOINT dyt_tsql");
    Result result;
    const auto restrict = [&](bool on) {
        if (options.restrict)
            options.restrict(on);
        else if (options.installAuthorizer)
            sqlite3_set_authorizer(db, on ? clientAuthorizer : nullptr, nullptr);
    };
    try {
        restrict(true);
        runSteps(db, program.steps, options.packet, result);
        restrict(false);
        if (options.verify)
            options.verify();
        exec(db, "RELEASE dyt_tsql");
    } catch (...) {
        restrict(false);
        sqlite3_exec(db, "ROLLBACK TO dyt_tsql", nullptr, nullptr, nullptr);
        sqlite3_exec(db, "RELEASE dyt_tsql", nullptr, nullptr, nullptr);
        throw;
    }
    return result;
}

}  // namespace dyt::server::tsql
