#include "server/net/backend.h"

#include <sqlite3.h>

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSet>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>

#include "common/clock.h"
#include "common/error.h"
#include "protocol/packetcodec.h"
#include "server/db/accountcopy.h"
#include "server/db/password.h"
#include "server/db/pg_library.h"
#include "server/db/pg_sql.h"
#include "server/db/schema.h"
#include "server/net/clientwrites.h"
#include "server/procs/bill_print.h"
#include "server/procs/callrights.h"
#include "server/reports/reports.h"
#include "server/tsql/tsql.h"
#include "server/tsql/tsql_functions.h"

namespace dyt::server {

using proto::Request;
using proto::Response;

namespace {

const QString kDefaultStamp = QStringLiteral("2000-01-01");

QString nowText() {
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// Client text named in an error message: its first 64 characters, "…" marking a cut.
QString clipped(const QString& text) {
    constexpr int kShown = 64;
    if (text.size() <= kShown)
        return text;
    const int n = text.at(kShown - 1).isHighSurrogate() ? kShown - 1 : kShown;
    return text.left(n) + QChar(0x2026);
}

Response answer(qint64 result, const QCborArray& outs) {
    Response r;
    r.result = result;
    r.outs = outs;
    return r;
}

QCborValue packet(const RecordSet& rs) {
    return proto::recordSetToCbor(rs);
}
QCborValue null() {
    return QCborValue(QCborValue::Null);
}

QString text(const QCborArray& args, int i) {
    return args.at(i).toString();
}

qint64 integer(const QCborArray& args, int i) {
    const QCborValue v = args.at(i);
    return v.isInteger() ? v.toInteger() : v.toString().trimmed().toLongLong();
}

QByteArray bytes(const QCborArray& args, int i) {
    return args.at(i).toByteArray();
}

// Checks the arguments against a pattern; returns what is wrong or an empty text.
QString checkArgs(const char* pattern, const QCborArray& args) {
    const qsizetype expected = static_cast<qsizetype>(qstrlen(pattern));
    if (args.size() != expected) {
        return QStringLiteral("参数个数应为%1个，实际为%2个").arg(expected).arg(args.size());
    }
    for (qsizetype i = 0; i < expected; ++i) {
        const QCborValue v = args.at(i);
        bool ok = false;
        switch (pattern[i]) {
            case 's':
                ok = v.isString();
                break;
            case 'i':
                ok = v.isInteger();
                if (!ok && v.isString())
                    v.toString().trimmed().toLongLong(&ok);
                break;
            case 'p':
                ok = v.isNull() || v.isUndefined() || proto::isRecordSet(v) || v.isByteArray();
                break;
            case 'b':
                ok = v.isNull() || v.isUndefined() || v.isByteArray();
                break;
            default:
                break;
        }
        if (!ok) {
            static const char* const kinds[] = {"文本", "整数", "数据包", "字节数组"};
            const int k = pattern[i] == 's' ? 0 : pattern[i] == 'i' ? 1 : pattern[i] == 'p' ? 2 : 3;
            return QStringLiteral("第%1个参数应为%2").arg(i + 1).arg(QString::fromUtf8(kinds[k]));
        }
    }
    return {};
}

RecordSet packetArg(const QCborValue& v) {
    if (proto::isRecordSet(v))
        return proto::recordSetFromCbor(v);
    return {};
}

bool validProfileName(const QString& name) {
    if (name.isEmpty() || name.size() > 60)
        return false;
    for (const QChar c : name) {
        if (c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('-') ||
            c == QLatin1Char('(') || c == QLatin1Char(')') || c == QChar(0xFF08) ||
            c == QChar(0xFF09)) {
            continue;
        }
        return false;
    }
    return true;
}

// The database of an account set on a PostgreSQL server: the name its path ends with.
QString postgresDatabase(const QString& path) {
    static const QRegularExpression name(QStringLiteral("dbname=([a-z0-9_]+)$"));
    return name.match(path).captured(1);
}

void removeDatabaseFiles(const QString& path) {
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-wal"));
    QFile::remove(path + QStringLiteral("-shm"));
    QFile::remove(path + QStringLiteral("-journal"));
}

// A random text the login hands out as its database password (see backupProfile).
QString newBackupToken() {
    quint32 words[4];
    QRandomGenerator::system()->fillRange(words);
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(words), sizeof words).toHex());
}

bool validBackupFileName(const QString& name) {
    return !name.trimmed().isEmpty() && QFileInfo(name).fileName() == name &&
           !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) &&
           name != QLatin1String(".") && name != QLatin1String("..");
}

}  // namespace

// --- method table

const Backend::MethodInfo Backend::kMethods[] = {
    {"InitDataBase", "", true, &Backend::initDataBase},
    {"ConnectionVar", "s", true, &Backend::connectionVar},
    {"GetServerConf", "", true, &Backend::getServerConf},
    {"ExecQuery", "s", false, &Backend::execQuery},
    {"ExecUpdate", "s", false, &Backend::execUpdate},
    {"ExecProc", "ss", false, &Backend::execProc},
    {"ExecProcQuery", "ss", false, &Backend::execProcQuery},
    {"ExecService", "sssppp", false, &Backend::execService},
    {"ExecCommand", "s", true, &Backend::execCommand},
    {"GetProfileList", "si", true, &Backend::getProfileList},
    {"GetProfileUserInfo", "s", true, &Backend::getProfileUserInfo},
    {"CreateProfile", "ssss", true, &Backend::createProfile},
    {"DeleteProfile", "iss", true, &Backend::deleteProfile},
    {"Login", "sss", true, &Backend::login},
    {"GetProfileBackups", "s", false, &Backend::getProfileBackups},
    {"BackupProfile", "sssssi", false, &Backend::backupProfile},
    {"RestoreProfile", "ssssb", true, &Backend::restoreProfile},
};

const Backend::MethodInfo* Backend::findMethod(const QString& name) {
    for (const MethodInfo& m : kMethods) {
        if (name.compare(QLatin1String(m.name), Qt::CaseInsensitive) == 0)
            return &m;
    }
    return nullptr;
}

// --- life cycle

Backend::Backend(const ServerConfig& config)
    : config_(config),
      throttle_(ThrottleSettings{.freeAttempts = config.loginFreeAttempts,
                                 .addressFreeAttempts = config.loginAddressFreeAttempts,
                                 .delayMs = config.loginDelay,
                                 .delayMaxMs = config.loginDelayMax}) {
    if (config.backend == u"postgresql" && config.postgresql.trimmed().isEmpty()) {
        throw DytError(
            QStringLiteral("配置的数据库类型是 postgresql，但没有给出连接串（postgresql=…）"));
    }
    if (onPostgres()) {
        // The server must be reachable before clients are let in.
        Database::open(QStringLiteral("postgresql:") + config.postgresql);
    }
    dataDir_ = QDir(config.dataDir).absolutePath();
    if (!QDir().mkpath(dataDir_) || !QDir().mkpath(backupDir())) {
        throw DytError(QStringLiteral("无法创建数据目录[%1]").arg(dataDir_));
    }
    catalogue_ = std::make_unique<Catalogue>(dataDir_, config.adminAccount, config.adminPassword);
    registerSystemProcedures(procedures_);
    registerMenuProcedures(procedures_);
    registerBaseProcedures(procedures_);
    registerBillProcedures(procedures_, services_);
    registerLedgerProcedures(procedures_);
    registerPeriodProcedures(procedures_);
    registerRepairProcedures(procedures_);
    registerReportProcedures(procedures_);
}

Backend::~Backend() = default;

QString Backend::profilePath(const QString& dbName) const {
    if (onPostgres()) {
        return config_.postgresPath(dbName);
    }
    return QDir(dataDir_).filePath(dbName + QStringLiteral(".db"));
}

bool Backend::onPostgres() const {
    return config_.backend == u"postgresql";
}

void Backend::createProfileDatabase(const QString& path) {
    if (!Database::isPostgresPath(path))
        return;
    auto admin = Database::open(QStringLiteral("postgresql:") + config_.postgresql);
    pg::createDatabase(*admin, postgresDatabase(path));
}

void Backend::dropProfileDatabase(const QString& path) {
    if (!Database::isPostgresPath(path)) {
        removeDatabaseFiles(path);
        return;
    }
    try {
        auto admin = Database::open(QStringLiteral("postgresql:") + config_.postgresql);
        pg::dropDatabase(*admin, postgresDatabase(path));
    } catch (const DytError&) {
        // The server is out of reach: the database stays, under a name the catalogue no
        // longer gives out.
    }
}

QString Backend::backupDir() const {
    return QDir(dataDir_).filePath(QStringLiteral("backup"));
}

std::shared_ptr<ProfileState> Backend::profileState(const QString& dbName) {
    std::lock_guard lock(profilesMutex_);
    auto& slot = profiles_[dbName.toLower()];
    if (!slot)
        slot = std::make_shared<ProfileState>();
    return slot;
}

int Backend::sessionCount(const QString& dbName) {
    auto state = profileState(dbName);
    std::lock_guard lock(state->sessionsMutex);
    return static_cast<int>(state->sessions.size());
}

std::unique_ptr<Database> Backend::openProfile(const QString& dbName) {
    const QString path = profilePath(dbName);
    if (Database::isPostgresPath(path)) {
        try {
            return Database::open(path, Database::Mode::ReadWrite);
        } catch (const DytError& e) {
            throw DytError(QStringLiteral("账套[%1]的数据库无法打开：%2").arg(dbName, e.message()));
        }
    }
    if (!QFileInfo::exists(path)) {
        throw DytError(QStringLiteral("账套[%1]的数据文件不存在").arg(dbName));
    }
    auto db = Database::open(path, Database::Mode::ReadWrite);
    tsql::registerFunctions(db->handle());
    return db;
}

void Backend::closeSession(Session& session) {
    if (!session.profile)
        return;
    auto state = session.profile;
    {
        std::shared_lock lock(state->lock);
        if (session.db && !session.evicted) {
            try {
                session.db->execute(QStringLiteral("DELETE FROM syssession WHERE id = ?"),
                                    {session.spid});
            } catch (const DytError&) {
                // The session row is only informative.
            }
        }
        session.db.reset();
    }
    {
        std::lock_guard lock(state->sessionsMutex);
        state->sessions.erase(&session);
    }
    session.profile.reset();
    session.evicted = false;
    session.dbName.clear();
    session.fullName.clear();
    session.userId = 0;
    session.userName.clear();
    session.userCode.clear();
    session.backupToken.clear();
}

// Every check of the administrator's account and password goes through here.
bool Backend::checkAdmin(Session& session, const QString& account, const QString& password) {
    const QString name = account.trimmed().isEmpty() ? catalogue_->adminAccount() : account;
    LoginThrottle::Attempt attempt = throttle_.begin(QString(), name.trimmed(), session.peer);
    if (attempt.refusedFor() > 0)
        throw DytError(LoginThrottle::refusal(attempt.refusedFor()));
    if (!catalogue_->checkAdmin(account, password)) {
        attempt.failed();
        return false;
    }
    attempt.succeeded();
    return true;
}

// --- dispatch

namespace {

const QString kRestored = QStringLiteral("账套已经被恢复或关闭，请重新登录");

}  // namespace

void Backend::beginStop() {
    stopAt_ = steadyMs() + qint64(config_.stopWait) * 1000;
}

int Backend::timeLimitMs(Method fn) const {
    if (fn == &Backend::execQuery || fn == &Backend::execUpdate)
        return config_.statementTimeout * 1000;
    if (fn == &Backend::execProcQuery)
        return config_.reportTimeout * 1000;
    return 0;
}

QString Backend::interruption(Session& session, bool watchPeer, qint64& nextPeerCheck) {
    if (session.profile && session.profile->takingOver)
        return kRestored;
    const qint64 now = steadyMs();
    const qint64 stopAt = stopAt_;
    if (stopAt > 0 && now > stopAt)
        return QStringLiteral("服务器正在停止，操作已被终止");
    if (watchPeer && session.peerGone && now >= nextPeerCheck) {
        nextPeerCheck = now + 200;
        if (session.peerGone())
            return QStringLiteral("客户端已经断开连接，操作已被终止");
    }
    return {};
}

// A call of a logged-in connection. Once a restore takes the account set over, new calls are
// refused and running ones stopped; an answer finished meanwhile waits for the restore's outcome,
// so that no bill the restore discards is ever acknowledged.
Response Backend::callInAccountSet(Session& session, const MethodInfo& m, const QCborArray& args) {
    auto state = session.profile;
    const auto refuse = [&] {
        session.evicted = true;
        closeSession(session);
        return DytError(kRestored);
    };
    if (state->takingOver)
        throw refuse();
    std::shared_lock lock(state->lock);
    if (session.evicted || !session.db || state->takingOver) {
        lock.unlock();
        throw refuse();
    }
    const quint64 restoresBefore = state->restores;
    Response resp;
    {
        // Queries and client texts stop when their client leaves; postings run to their end.
        const bool watchPeer = m.fn == &Backend::execQuery || m.fn == &Backend::execUpdate ||
                               m.fn == &Backend::execProcQuery;
        qint64 nextPeerCheck = 0;
        CallLimit limit(*session.db, timeLimitMs(m.fn), [&, watchPeer]() mutable {
            return interruption(session, watchPeer, nextPeerCheck);
        });
        resp = (this->*m.fn)(session, args);
    }
    if (state->takingOver) {
        lock.unlock();
        std::unique_lock wait(state->restoreMutex);
        state->restoreEnded.wait(wait, [&] { return !state->takingOver; });
        wait.unlock();
        if (state->restores != restoresBefore)
            throw refuse();
    }
    return resp;
}

Response Backend::handle(Session& session, const Request& request) {
    session.spent.clear();
    Response resp;
    const MethodInfo* m = findMethod(request.method);
    try {
        if (!m)
            throw DytError(QStringLiteral("未知的方法[%1]").arg(clipped(request.method)));
        const QString argError = checkArgs(m->args, request.args);
        if (!argError.isEmpty()) {
            throw DytError(QStringLiteral("方法[%1]的参数不符：%2")
                               .arg(QString::fromLatin1(m->name), argError));
        }
        if (m->anonymous) {
            resp = (this->*m->fn)(session, request.args);
        } else {
            if (!session.loggedIn()) {
                throw DytError(QStringLiteral("尚未登录账套，不能调用[%1]，请先登录")
                                   .arg(QString::fromLatin1(m->name)));
            }
            if (m->fn == &Backend::restoreProfile) {
                resp = (this->*m->fn)(session, request.args);
            } else {
                resp = callInAccountSet(session, *m, request.args);
            }
        }
    } catch (const DytError& e) {
        resp = Response();
        resp.error = e.message();
    } catch (const std::exception& e) {
        resp = Response();
        resp.error = QStringLiteral("服务器内部错误：%1").arg(QString::fromLocal8Bit(e.what()));
    }
    resp.id = request.id;
    return resp;
}

// --- connection and configuration

Response Backend::initDataBase(Session&, const QCborArray&) {
    return answer(0, {QString()});
}

Response Backend::connectionVar(Session& session, const QCborArray& args) {
    const QString token = proto::splitLines(text(args, 0)).value(0);
    QString goods = kDefaultStamp;
    QString partners = kDefaultStamp;
    if (session.loggedIn()) {
        ProfileState& state = *session.profile;
        std::shared_lock lock(state.lock);
        // The stamps change only with a commit: the client's regular check reads no file while
        // nothing was written (the count is read before the file, so a commit meanwhile makes
        // the next check read again).
        const qint64 commits = session.db ? session.db->commitCount() : -1;
        const quint64 restores = state.restores;
        if (commits >= 0 && session.db && !session.evicted) {
            std::lock_guard stampsLock(state.stampsMutex);
            if (state.stamps.commits == commits && state.stamps.restores == restores) {
                Response r;
                r.result = proto::joinLines({token, state.stamps.goods, state.stamps.partners});
                return r;
            }
        }
        if (session.db && !session.evicted) {
            // Both stamps in one statement; each alone when that fails.
            bool both = false;
            try {
                Statement st = session.db->prepare(
                    QStringLiteral("SELECT (SELECT max(updateTime) FROM baseGoods), "
                                   "(SELECT max(updateTime) FROM basewldw)"));
                if (st.step()) {
                    const QVariant g = st.value(0);
                    const QVariant p = st.value(1);
                    goods = g.isValid() ? g.toString() : kDefaultStamp;
                    partners = p.isValid() ? p.toString() : kDefaultStamp;
                    both = true;
                }
            } catch (const DytError&) {
                both = false;
            }
            auto stamp = [&](const QString& table) {
                try {
                    const QVariant v = session.db->scalar(
                        QStringLiteral("SELECT max(updateTime) FROM %1").arg(table));
                    return v.isValid() ? v.toString() : kDefaultStamp;
                } catch (const DytError&) {
                    return kDefaultStamp;
                }
            };
            if (!both) {
                goods = stamp(QStringLiteral("baseGoods"));
                partners = stamp(QStringLiteral("basewldw"));
            }
            if (commits >= 0 && both) {
                std::lock_guard stampsLock(state.stampsMutex);
                state.stamps = {commits, restores, goods, partners};
            }
        }
    }
    Response r;
    r.result = proto::joinLines({token, goods, partners});
    return r;
}

Response Backend::getServerConf(Session&, const QCborArray&) {
    const QStringList lines{
        QStringLiteral("系统日期=") + QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")),
        QStringLiteral("新登录模式=%1").arg(config_.newLoginMode),
        QStringLiteral("客户端强制记忆账套=%1").arg(config_.rememberProfile),
        QStringLiteral("客户端不允许修改制单日期=%1").arg(config_.lockBillDate),
    };
    return answer(0, {proto::joinLines(lines)});
}

// --- SQL

void ProfileState::schemaChanged() {
    std::lock_guard guard(schemaMutex);
    schema = nullptr;
    translations.clear();
}

namespace {

// Schema name under which a client text sees the backup log ("master.dbo.mvqxDbLog").
const QString kMasterSchema = QStringLiteral("temp");

bool namesBackupLog(const QString& sql) {
    return sql.contains(QLatin1String("mvqxDbLog"), Qt::CaseInsensitive);
}

}  // namespace

namespace {

// The columns of a PostgreSQL account set with their types, for the translation.
tsql::SchemaLookup postgresSchemaLookup(Database& db) {
    pg::ensureClientCollation(db);
    const RecordSet rs = db.query(QStringLiteral(
        "SELECT c.relname, a.attname, format_type(a.atttypid, a.atttypmod) FROM pg_attribute a "
        "JOIN pg_class c ON c.oid = a.attrelid JOIN pg_namespace n ON n.oid = c.relnamespace "
        "WHERE n.nspname = current_schema() AND c.relkind IN ('r', 'v') AND a.attnum > 0 "
        "AND NOT a.attisdropped"));
    auto columns = std::make_shared<QHash<QString, tsql::ColumnType>>();
    for (int r = 0; r < rs.rowCount(); ++r) {
        columns->insert(rs.at(r, 0).toString().toLower() + u'\n' + rs.at(r, 1).toString().toLower(),
                        tsql::columnTypeFromDeclared(rs.at(r, 2).toString()));
    }
    return [columns](const QString& table, const QString& column) {
        return columns->value(table.toLower() + u'\n' + column.toLower(),
                              tsql::ColumnType::Unknown);
    };
}

}  // namespace

namespace {

// Every password value a client text writes is hashed by the server. The values before the text
// tell which ones it wrote; they are read only when the text names the operators' table (a write
// of it that is not named so is refused).
std::optional<QSet<QString>> storedPasswords(Database& db, const QString& sql) {
    if (!sql.contains(QLatin1String("sysuser"), Qt::CaseInsensitive))
        return std::nullopt;
    const RecordSet users = db.query(QStringLiteral("SELECT password FROM sysuser"));
    QSet<QString> out;
    for (int r = 0; r < users.rowCount(); ++r)
        out.insert(users.at(r, 0).toString());
    return out;
}

// The kinds' print passwords read as Null but for the server administrator, operator 1 and the
// print-count window's holders (asked only when the text names the kinds' table).
bool seesPrintPasswordsIn(const Session& session, const QString& sql) {
    return session.adminVerified || session.userId == 1 ||
           (sql.contains(QLatin1String("sysdjb"), Qt::CaseInsensitive) &&
            callrights::Held(*session.db, session.userId).holds(QStringLiteral("4009")));
}

void hashWrittenPasswords(Database& db, const QSet<QString>& before) {
    const RecordSet users = db.query(QStringLiteral("SELECT id, password FROM sysuser"));
    for (int r = 0; r < users.rowCount(); ++r) {
        const QString written = users.at(r, 1).toString();
        if (!before.contains(written) || !password::isHash(written)) {
            db.execute(QStringLiteral("UPDATE sysuser SET password = ? WHERE id = ?"),
                       {password::hash(written), users.at(r, 0)});
        }
    }
}

}  // namespace

tsql::Program Backend::translateClientSql(Session& session, const QString& sql) {
    ProfileState& state = *session.profile;
    tsql::Context context;
    context.sessionId = session.spid;
    context.masterSchema = kMasterSchema;
    context.databaseName = session.dbName;
    {
        std::lock_guard guard(state.schemaMutex);
        if (!state.schema)
            state.schema = session.db->isPostgres()
                               ? postgresSchemaLookup(*session.db)
                               : tsql::schemaLookupFromDatabase(session.db->handle());
        context.schema = state.schema;
    }
    return state.translations.translate(sql, context);
}

void Backend::exposeBackupLog(Session& session) {
    Database& db = *session.db;
    db.execute(QStringLiteral("DROP TABLE IF EXISTS temp.mvqxDbLog"));
    db.execute(QStringLiteral(
        "CREATE TEMP TABLE mvqxDbLog(recNo INTEGER PRIMARY KEY, backDate TEXT, "
        "profileName TEXT, profileText TEXT, backFileName TEXT, backDateTime TEXT)"));
    const RecordSet rows = catalogue_->backups(session.dbName);
    for (int r = 0; r < rows.rowCount(); ++r) {
        QVariantList values;
        for (int c = 0; c < 6; ++c)
            values << rows.at(r, c);
        db.execute(QStringLiteral("INSERT INTO temp.mvqxDbLog VALUES (?, ?, ?, ?, ?, ?)"), values);
    }
}

std::vector<qint64> Backend::removedBackups(Session& session) {
    Database& db = *session.db;
    const RecordSet before = catalogue_->backups(session.dbName);
    std::vector<qint64> removed;
    for (int r = 0; r < before.rowCount(); ++r) {
        const qint64 recNo = before.at(r, 0).toLongLong();
        if (!db.scalar(QStringLiteral("SELECT 1 FROM temp.mvqxDbLog WHERE recNo = ?"), {recNo})
                 .isValid())
            removed.push_back(recNo);
    }
    if (!removed.empty() && !session.adminVerified)
        throw DytError(QStringLiteral("删除服务器备份需要先验证管理员口令"));
    return removed;
}

void Backend::forgetBackups(const std::vector<qint64>& recNos) {
    for (qint64 recNo : recNos) {
        if (const auto entry = catalogue_->findBackup(recNo)) {
            catalogue_->removeBackup(recNo);
            if (validBackupFileName(entry->fileName))
                QFile::remove(QDir(backupDir()).filePath(entry->fileName));
        }
    }
}

Backend::SqlOutcome Backend::runSql(Session& session, const QString& sql, bool writeLock,
                                     bool packet) {
    Database& db = *session.db;
    // Translation errors name the construct; nothing runs half-translated.
    const tsql::Program program = translateClientSql(session, sql);
    if (db.isPostgres())
        return runSqlOnPostgres(session, program, sql, writeLock, packet);
    const bool backupLog = namesBackupLog(sql);

    // The text runs inside one transaction, so that a failing text changes nothing and a
    // password written in clear is never committed. Queries take no write lock up front.
    std::unique_ptr<Transaction> tx;
    if (!db.inTransaction()) {
        tx = std::make_unique<Transaction>(
            db, writeLock ? Transaction::Lock::Immediate : Transaction::Lock::Deferred);
    }
    struct DropLog {
        Database& d;
        bool on;
        ~DropLog() {
            if (!on)
                return;
            try {
                d.execute(QStringLiteral("DROP TABLE IF EXISTS temp.mvqxDbLog"));
            } catch (const DytError&) {
                // The connection keeps no state worth saving; the next text recreates it.
            }
        }
    } dropLog{db, backupLog};
    if (backupLog)
        exposeBackupLog(session);

    // Every password value the text writes is hashed here (a write of the operators' table that
    // the text does not name is refused below).
    const std::optional<QSet<QString>> passwordsBefore = storedPasswords(db, sql);
    bool passwordWritten = false;
    db.setWriteWatcher([&passwordWritten](const QString& table, const QString& column) {
        if (table.compare(QLatin1String("sysuser"), Qt::CaseInsensitive) == 0 &&
            (column.isEmpty() ||
             column.compare(QLatin1String("password"), Qt::CaseInsensitive) == 0)) {
            passwordWritten = true;
        }
    });
    struct WatchOff {
        Database& d;
        ~WatchOff() {
            d.setWriteWatcher(nullptr);
            d.setRestricted(nullptr);
        }
    } watchOff{db};
    // What the text may write: the columns the windows write, with the rights they need. A
    // connection that passed the server administrator's password (who may replace the whole
    // account set by a restore) is not held to the windows' columns.
    const bool administrator = session.adminVerified;
    const bool seesPrintPasswords = seesPrintPasswordsIn(session, sql);
    ClientWrites writes(db, session.userId, session.spid,
                        !administrator && ClientWrites::mayContainWrites(sql));
    tsql::ExecuteOptions options;
    options.packet = packet;
    options.restrict = [&db, &writes, administrator, seesPrintPasswords](bool on) {
        if (on) {
            db.setRestricted([&writes, administrator, seesPrintPasswords](
                                 int action, const char* a, const char* b, const char* dbName,
                                 const char* trigger) {
                const int rc = tsql::clientAuthorizer(nullptr, action, a, b, dbName, trigger);
                if (rc == SQLITE_OK && action == SQLITE_READ && !seesPrintPasswords && a && b &&
                    sqlite3_stricmp(a, "sysdjb") == 0 && sqlite3_stricmp(b, "printpassword") == 0)
                    return SQLITE_IGNORE;
                if (rc != SQLITE_OK || administrator)
                    return rc;
                return writes.authorize(action, a, b, dbName, trigger);
            });
        } else {
            db.setRestricted(nullptr);
        }
        if (!administrator)
            writes.watch(on);
    };
    if (!administrator)
        options.verify = [&writes] { writes.verify(); };
    tsql::Result result;
    try {
        result = tsql::execute(db.handle(), program, options);
    } catch (const DytError&) {
        if (writes.refused())
            throw DytError(callrights::refusal());
        throw;
    }
    db.setWriteWatcher(nullptr);

    if (passwordWritten) {
        if (!passwordsBefore)
            throw DytError(QStringLiteral("语句修改了操作员口令，但无法确定修改了哪些"));
        hashWrittenPasswords(db, *passwordsBefore);
    }
    const std::vector<qint64> removed = backupLog ? removedBackups(session) : std::vector<qint64>{};
    if (tx)
        tx->commit();
    forgetBackups(removed);
    SqlOutcome out;
    out.changes = static_cast<int>(result.changedRows);
    out.hasData = result.hasRows;
    out.data = std::move(result.rows);
    out.packet = std::move(result.packet);
    return out;
}

namespace {

// Whether a program holds a statement that changes rows (on some branch).
bool programWrites(const std::vector<tsql::Step>& steps) {
    for (const tsql::Step& st : steps) {
        if (st.kind == tsql::Step::Kind::Statement)
            return true;
        if (st.kind == tsql::Step::Kind::If &&
            (programWrites(st.thenSteps) || programWrites(st.elseSteps)))
            return true;
    }
    return false;
}

void runPostgresSteps(Database& db, const std::vector<tsql::Step>& steps, tsql::Result& result,
                      ClientWrites* writes, const QHash<QString, QString>& shadows) {
    for (const tsql::Step& step : steps) {
        // The server's catalogue is no client's, on PostgreSQL as on SQLite.
        if (pgsql::namesCatalogue(step.sql))
            throw DytError(QStringLiteral("not authorized"));
        const QString sql = shadows.isEmpty() ? step.sql : pgsql::shadowTables(step.sql, shadows);
        switch (step.kind) {
            case tsql::Step::Kind::Query:
                result.rows = db.query(sql);
                result.hasRows = true;
                break;
            case tsql::Step::Kind::Statement:
                if (writes)
                    writes->checkStatement(step.sql);
                result.changedRows += db.execute(sql);
                break;
            case tsql::Step::Kind::If:
                runPostgresSteps(db,
                                 db.scalar(sql).toLongLong() != 0 ? step.thenSteps
                                                                  : step.elseSteps,
                                 result, writes, shadows);
                break;
        }
    }
}

// The table read with a column as Null, for client texts that must not see it.
QString withoutColumn(Database& db, const QString& table, const QString& column) {
    QStringList columns = pg::columnsOf(db, table);
    for (QString& name : columns) {
        if (name == column)
            name = QStringLiteral("NULL AS ") + name;
    }
    return QStringLiteral("SELECT %1 FROM %2").arg(columns.join(QStringLiteral(", ")), table);
}

}  // namespace

Backend::SqlOutcome Backend::runSqlOnPostgres(Session& session, const tsql::Program& program,
                                              const QString& sql, bool writeLock, bool packet) {
    Database& db = *session.db;
    const bool backupLog = namesBackupLog(sql);
    // The writes of the windows (audit steps, one's own password, ...) are held to their rules
    // on SQLite by watching each changed row; here only the server administrator's texts may
    // write for now.
    const bool administrator = session.adminVerified;
    const bool writing = programWrites(program.steps);
    // What the text may write: the columns the windows write, with the rights they need (the
    // server administrator is not held to them). Each statement is checked before it runs, each
    // changed row after the last one.
    std::optional<ClientWrites> writes;
    if (writing && !administrator)
        writes.emplace(db, session.userId, session.spid, ClientWrites::mayContainWrites(sql));
    const bool seesPrintPasswords = seesPrintPasswordsIn(session, sql);
    std::unique_ptr<Transaction> tx;
    if (!db.inTransaction()) {
        tx = std::make_unique<Transaction>(
            db, writeLock ? Transaction::Lock::Immediate : Transaction::Lock::Deferred);
    }
    const std::optional<QSet<QString>> passwordsBefore = storedPasswords(db, sql);
    // Stored passwords read as Null, and the print passwords but for their holders, as on SQLite;
    // the role's grants refuse any other way to them.
    QHash<QString, QString> shadows;
    if (sql.contains(QLatin1String("sysuser"), Qt::CaseInsensitive))
        shadows.insert(QStringLiteral("sysuser"),
                       withoutColumn(db, QStringLiteral("sysuser"), QStringLiteral("password")));
    if (!seesPrintPasswords && sql.contains(QLatin1String("sysdjb"), Qt::CaseInsensitive))
        shadows.insert(QStringLiteral("sysdjb"), withoutColumn(db, QStringLiteral("sysdjb"),
                                                               QStringLiteral("printpassword")));
    tsql::Result result;
    if (backupLog) {
        // The backup log as on SQLite: a temporary table of the catalogue's rows for this text,
        // readable and deletable by the client's roles; it goes with the transaction.
        exposeBackupLog(session);
        db.execute(QStringLiteral("GRANT SELECT, DELETE ON mvqxDbLog TO dyt_client, dyt_client_print"));
    }
    db.executeScript(QStringLiteral("SAVEPOINT dyt_tsql"));
    try {
        // The role of client texts reads and writes rows and nothing else: no schema, no other
        // database, no server files or settings; stored passwords (and the print passwords but
        // for their holders) are not in what it may read.
        if (writes) {
            ClientWrites::prepareCapture(db);
            db.executeScript(QStringLiteral("SET LOCAL dyt.capture = '1'"));
        }
        db.executeScript(seesPrintPasswords ? QStringLiteral("SET LOCAL ROLE dyt_client_print")
                                            : QStringLiteral("SET LOCAL ROLE dyt_client"));
        runPostgresSteps(db, program.steps, result, writes ? &*writes : nullptr, shadows);
        db.executeScript(QStringLiteral("RESET ROLE"));
        if (writes) {
            db.executeScript(QStringLiteral("SET LOCAL dyt.capture = ''"));
            writes->readCapturedRows();
            writes->verify();
        }
        db.executeScript(QStringLiteral("RELEASE dyt_tsql"));
    } catch (const DytError&) {
        try {
            db.executeScript(QStringLiteral("ROLLBACK TO dyt_tsql"));
            db.executeScript(QStringLiteral("RELEASE dyt_tsql"));
            db.executeScript(QStringLiteral("RESET ROLE"));
        } catch (const DytError&) {
            // The transaction ends with the call.
        }
        throw;
    }
    if (passwordsBefore)
        hashWrittenPasswords(db, *passwordsBefore);
    const std::vector<qint64> removed = backupLog ? removedBackups(session) : std::vector<qint64>{};
    if (backupLog)
        db.execute(QStringLiteral("DROP TABLE IF EXISTS temp.mvqxDbLog"));
    if (tx)
        tx->commit();
    forgetBackups(removed);
    SqlOutcome out;
    out.changes = static_cast<int>(result.changedRows);
    out.hasData = result.hasRows;
    if (packet && result.hasRows)
        out.packet = proto::packetcodec::encode(result.rows);
    else
        out.data = std::move(result.rows);
    return out;
}

Response Backend::execQuery(Session& session, const QCborArray& args) {
    try {
        // The rows go straight into the answer's packet bytes; a text without a result answers
        // an empty record set.
        SqlOutcome o = runSql(session, text(args, 0), false, true);
        return answer(0, {o.hasData ? proto::packetToCbor(o.packet) : packet(RecordSet()),
                          QString()});
    } catch (const DytError& e) {
        return answer(-1, {null(), e.message()});
    }
}

Response Backend::execUpdate(Session& session, const QCborArray& args) {
    const QString sql = text(args, 0);
    if (sql.trimmed().isEmpty())
        return answer(-1, {QStringLiteral("SQL语句为空")});
    // The bill windows' print count goes by the server's rule of print limits.
    if (const auto increment = billprint::parseIncrement(sql)) {
        try {
            Database& db = *session.db;
            ParamList params;
            params.setInt(QStringLiteral("id"), increment->billId);
            callrights::checkProcedure(db, session.userId, billprint::procedureName(), params);
            Transaction tx(db);
            billprint::record(db, session.userId, session.userName, increment->billId,
                              increment->copies, QString());
            tx.commit();
            return answer(1, {QString()});
        } catch (const DytError& e) {
            return answer(-1, {e.message()});
        }
    }
    try {
        SqlOutcome o = runSql(session, sql, true);
        return answer(o.changes, {QString()});
    } catch (const DytError& e) {
        return answer(-1, {e.message()});
    }
}

// --- procedures and services

int Backend::callHandler(Session& session, const Registry::Entry& entry, CallContext& ctx) {
    ctx.params.setInt(QStringLiteral("czy_id"), session.userId);
    if (!entry.writes)
        return entry.handler(ctx);
    Transaction tx(*session.db);
    const int result = entry.handler(ctx);
    if (result >= 0)
        tx.commit();
    return result;
}

Response Backend::execProc(Session& session, const QCborArray& args) {
    const QString name = text(args, 0);
    ParamList params(text(args, 1));
    const Registry::Entry* entry = procedures_.find(name);
    if (!entry) {
        return answer(-1,
                      {params.text(), -1, QStringLiteral("存储过程[%1]不存在").arg(clipped(name))});
    }
    CallContext ctx(*session.db, params);
    ctx.userId = session.userId;
    ctx.userName = session.userName;
    ctx.dbName = session.dbName;
    int result = -1;
    try {
        callrights::checkProcedure(*session.db, session.userId, entry->name, params);
        result = callHandler(session, *entry, ctx);
    } catch (const DytError& e) {
        ctx.message = e.message();
        result = -1;
    }
    return answer(result, {params.text(), result, ctx.message});
}

Response Backend::execProcQuery(Session& session, const QCborArray& args) {
    const QString name = text(args, 0);
    ParamList params(text(args, 1));
    const Registry::Entry* entry = procedures_.find(name);
    if (!entry)
        throw DytError(QStringLiteral("存储过程[%1]不存在").arg(clipped(name)));
    CallContext ctx(*session.db, params);
    ctx.userId = session.userId;
    ctx.userName = session.userName;
    ctx.dbName = session.dbName;
    ctx.packetWanted = true;
    callrights::checkProcedure(*session.db, session.userId, entry->name, params);
    const int result = callHandler(session, *entry, ctx);
    if (result < 0 && !ctx.message.isEmpty())
        throw DytError(ctx.message);
    if (!ctx.packet.isEmpty())
        return answer(result, {params.text(), proto::packetToCbor(ctx.packet)});
    Response r = answer(result, {params.text(), packet(ctx.data)});
    session.spent.push_back(std::move(ctx.data));
    return r;
}

Response Backend::execService(Session& session, const QCborArray& args) {
    const QString service = text(args, 0);
    const QString method = text(args, 1);
    ParamList params(text(args, 2));
    const Registry::Entry* entry = services_.find(service);
    if (!entry) {
        return answer(-1,
                      {params.text(), -1, QStringLiteral("服务[%1]不存在").arg(clipped(service))});
    }
    CallContext ctx(*session.db, params);
    ctx.userId = session.userId;
    ctx.userName = session.userName;
    ctx.dbName = session.dbName;
    ctx.method = method;
    int result = -1;
    try {
        for (int i = 0; i < 3; ++i)
            ctx.packets[i] = packetArg(args.at(3 + i));
        callrights::checkService(*session.db, session.userId, entry->name, method, params);
        result = callHandler(session, *entry, ctx);
    } catch (const DytError& e) {
        ctx.message = e.message();
        result = -1;
    }
    return answer(result, {params.text(), result, ctx.message});
}

// --- account sets

Response Backend::execCommand(Session& session, const QCborArray& args) {
    const ParamList lines(text(args, 0));
    const QString command = lines.value(QStringLiteral("Command")).trimmed();
    auto fail = [](const QString& msg) { return answer(-1, {null(), msg}); };
    // The administrator's check; empty when passed, else what to answer.
    const auto admin = [&](const QString& account, const QString& wrong) {
        try {
            return checkAdmin(session, account, lines.value(QStringLiteral("Password"))) ? QString()
                                                                                         : wrong;
        } catch (const DytError& e) {
            return e.message();
        }
    };
    if (command.compare(QLatin1String("CheckAdminPass"), Qt::CaseInsensitive) == 0) {
        const QString why = admin(QString(), QStringLiteral("管理员口令错误"));
        if (!why.isEmpty())
            return fail(why);
        session.adminVerified = true;
        return answer(0, {null(), QString()});
    }
    if (command.compare(QLatin1String("HideProfile"), Qt::CaseInsensitive) == 0 ||
        command.compare(QLatin1String("ShowProfile"), Qt::CaseInsensitive) == 0) {
        if (!session.adminVerified)
            return fail(QStringLiteral("请先验证管理员口令"));
        const QString db = lines.value(QStringLiteral("ProfileName")).trimmed();
        const bool hide = command.compare(QLatin1String("HideProfile"), Qt::CaseInsensitive) == 0;
        if (!catalogue_->setHidden(db, hide)) {
            return fail(QStringLiteral("账套[%1]不存在").arg(clipped(db)));
        }
        return answer(0, {null(), QString()});
    }
    if (command.compare(QLatin1String("SetAdminPass"), Qt::CaseInsensitive) == 0) {
        const QString why =
            admin(lines.value(QStringLiteral("Account")), QStringLiteral("管理员账号或口令错误"));
        if (!why.isEmpty())
            return fail(why);
        catalogue_->setAdminPassword(lines.value(QStringLiteral("NewPassword")));
        return answer(0, {null(), QString()});
    }
    return fail(QStringLiteral("未知的命令[%1]").arg(clipped(command)));
}

Response Backend::getProfileList(Session&, const QCborArray& args) {
    try {
        return answer(0, {packet(catalogue_->profileList(text(args, 0)))});
    } catch (const DytError&) {
        return answer(-1, {null()});
    }
}

// The procedures and what they answer with rows: a procedure that takes no QueryType has one row
// (QueryType empty, figures 1); one that dispatches on it has a row with QueryType empty and
// figures 0, then one row per QueryType it answers with figures. Report query types that give
// their columns only have no row of their own.
RecordSet Backend::servedQueries() const {
    RecordSet rs;
    rs.addField(QStringLiteral("procedure"), FieldType::Text);
    rs.addField(QStringLiteral("QueryType"), FieldType::Text);
    rs.addField(QStringLiteral("figures"), FieldType::Integer);
    for (const QString& name : procedures_.names()) {
        const Registry::Entry* e = procedures_.find(name);
        rs.appendRow({e->name, QString(), e->queryTypes ? 0 : 1});
        if (e->queryTypes) {
            for (const QString& type : *e->queryTypes)
                rs.appendRow({e->name, type, 1});
        }
    }
    rs.first();
    return rs;
}

Response Backend::getProfileUserInfo(Session&, const QCborArray& args) {
    const ParamList lines(text(args, 0));
    auto fail = [](const QString& msg) { return answer(-1, {null(), msg}); };
    const QString method = lines.value(QStringLiteral("Method")).trimmed();
    if (method.compare(QLatin1String("ServedQueries"), Qt::CaseInsensitive) == 0)
        return answer(0, {packet(servedQueries()), QString()});
    if (method.compare(QLatin1String("CheckLoginType"), Qt::CaseInsensitive) != 0) {
        return fail(QStringLiteral("未知的查询方式[%1]").arg(clipped(method)));
    }
    const QString dbName = lines.value(QStringLiteral("ProfileName")).trimmed();
    if (!catalogue_->findByDbName(dbName))
        return fail(QStringLiteral("账套[%1]不存在").arg(clipped(dbName)));
    auto state = profileState(dbName);
    if (state->restoring)
        return fail(QStringLiteral("账套[%1]正在恢复，请稍后再试").arg(dbName));
    std::shared_lock lock(state->lock);
    try {
        auto db = openProfile(dbName);
        if (schema::storedVersion(*db) <= 0) {
            return fail(QStringLiteral("账套[%1]不是有效的账套").arg(dbName));
        }
        RecordSet rs = db->query(
            QStringLiteral("SELECT z.id AS Id, z.fullname AS FullName FROM sysuser AS u "
                           "JOIN baseZY AS z ON z.id = u.id WHERE z.del = 0 ORDER BY z.id"));
        return answer(0, {packet(rs), QString()});
    } catch (const DytError& e) {
        return fail(e.message());
    }
}

Response Backend::createProfile(Session& session, const QCborArray& args) {
    auto fail = [](const QString& msg) { return answer(-1, {msg}); };
    const QString name = text(args, 1).trimmed();
    if (!checkAdmin(session, text(args, 2), text(args, 3))) {
        return fail(QStringLiteral("管理员账号或口令错误"));
    }
    if (!validProfileName(name)) {
        return fail(
            QStringLiteral("账套名字由汉字或英文字母组成，请不要使用特殊字符、小数点、空格。"));
    }
    std::lock_guard createLock(createMutex_);
    if (catalogue_->findByFullName(name))
        return fail(QStringLiteral("账套[%1]已经存在").arg(name));
    const ProfileEntry entry = catalogue_->addProfile(name);
    const QString path = profilePath(entry.dbName);
    try {
        dropProfileDatabase(path);
        if (Database::isPostgresPath(path)) {
            auto admin = Database::open(QStringLiteral("postgresql:") + config_.postgresql);
            schema::createPostgresAccountSet(*admin, config_.postgresql, postgresDatabase(path),
                                             name, password::hash(QString()));
        } else {
            auto db = Database::open(path, Database::Mode::ReadWriteCreate);
            Transaction tx(*db);
            schema::createAccountSet(*db, name, password::hash(QString()));
            tx.commit();
        }
    } catch (const DytError& e) {
        catalogue_->removeProfile(entry.orderId);
        dropProfileDatabase(path);
        return fail(QStringLiteral("创建账套失败：%1").arg(e.message()));
    }
    return answer(0, {QString()});
}

Response Backend::deleteProfile(Session& session, const QCborArray& args) {
    auto fail = [](const QString& msg) { return answer(-1, {msg}); };
    if (!checkAdmin(session, text(args, 1), text(args, 2))) {
        return fail(QStringLiteral("管理员账号或口令错误"));
    }
    const auto entry = catalogue_->findByOrderId(integer(args, 0));
    if (!entry)
        return fail(QStringLiteral("要删除的账套不存在"));
    auto state = profileState(entry->dbName);
    std::unique_lock lock(state->lock);
    {
        std::lock_guard sessionsLock(state->sessionsMutex);
        if (!state->sessions.empty()) {
            return fail(QStringLiteral("账套[%1]正在使用中，不能删除").arg(entry->fullName));
        }
    }
    catalogue_->removeProfile(entry->orderId);
    dropProfileDatabase(profilePath(entry->dbName));
    return answer(0, {QString()});
}

// --- login

Response Backend::login(Session& session, const QCborArray& args) {
    ParamList lines(text(args, 0));
    const QString userIdText = text(args, 1).trimmed();
    const QString pass = text(args, 2);
    auto fail = [](int code, const QString& msg) { return answer(code, {msg}); };
    const QString dbName = lines.lines().value(0).trimmed();
    // Every answer about an operator's password passes the throttle: a locked account or address
    // is refused before anything is checked, and an unknown account set or operator counts as a
    // failure like a wrong password.
    const auto refused = [&](const LoginThrottle::Attempt& attempt) {
        return fail(-3, LoginThrottle::refusal(attempt.refusedFor()));
    };
    const auto unknown = [&](int code, const QString& msg) {
        LoginThrottle::Attempt attempt = throttle_.begin(dbName, userIdText, session.peer);
        if (attempt.refusedFor() > 0)
            return refused(attempt);
        attempt.failed();
        return fail(code, msg);
    };
    const auto entry = catalogue_->findByDbName(dbName);
    if (!entry)
        return unknown(-1, QStringLiteral("账套[%1]不存在").arg(dbName));
    auto state = profileState(dbName);
    if (state->restoring) {
        return fail(
            -8,
            QStringLiteral("账套[%1]正在恢复，暂时不能使用，请稍后再登录。").arg(entry->fullName));
    }
    std::shared_lock lock(state->lock);
    std::unique_ptr<Database> db;
    try {
        db = openProfile(dbName);
    } catch (const DytError& e) {
        return fail(-8, QStringLiteral("账套[%1]无法使用：%2").arg(entry->fullName, e.message()));
    }
    // Another connection's long write keeps a login waiting only briefly.
    db->setBusyTimeout(config_.loginBusyTimeout);
    const auto busy = [&] {
        return fail(-1, QStringLiteral("账套[%1]正忙，请稍后再登录。").arg(entry->fullName));
    };
    const int stored = schema::storedVersion(*db);
    const int current = schema::currentVersion();
    if (stored <= 0) {
        return fail(
            -8, QStringLiteral("账套[%1]已损坏或不是有效的账套，无法使用。").arg(entry->fullName));
    }
    if (stored > current) {
        return fail(-8, QStringLiteral("账套[%1]的版本(%2)比服务器的版本(%3)新，请先升级服务器。")
                            .arg(entry->fullName)
                            .arg(stored)
                            .arg(current));
    }
    if (stored < current) {
        if (lines.value(QStringLiteral("UpdateFlag"))
                .trimmed()
                .compare(QLatin1String("Update"), Qt::CaseInsensitive) != 0) {
            return fail(-9,
                        QStringLiteral("账套[%1]的版本(%2)低于系统版本(%3)，需要升级后才能使用。"
                                       "升级前请先备份账套。是否现在升级？")
                            .arg(entry->fullName)
                            .arg(stored)
                            .arg(current));
        }
    }
    const bool byCode = lines.intValue(QStringLiteral("LoginType")) == 1;
    bool isNumber = false;
    const qint64 id = userIdText.toLongLong(&isNumber);
    if (!byCode && !isNumber)
        return unknown(-2, QStringLiteral("操作员[%1]不存在").arg(userIdText));
    qint64 userId = 0;
    QString userCode;
    QString userName;
    QString storedHash;
    {
        // The statement is finished before anything is written, so that no read snapshot is
        // held open across the password check.
        Statement st = db->prepare(
            QStringLiteral("SELECT z.id, z.code, z.fullname, u.password FROM sysuser AS u "
                           "JOIN baseZY AS z ON z.id = u.id WHERE z.del = 0 AND ") +
            (byCode ? QStringLiteral("z.code = ?") : QStringLiteral("z.id = ?")));
        st.bind(1, byCode ? QVariant(userIdText) : QVariant(id));
        if (!st.step())
            return unknown(-2, QStringLiteral("操作员[%1]不存在").arg(userIdText));
        userId = st.value(0).toLongLong();
        userCode = st.value(1).toString();
        userName = st.value(2).toString();
        storedHash = st.value(3).toString();
    }
    {
        LoginThrottle::Attempt attempt =
            throttle_.begin(dbName, QString::number(userId), session.peer);
        if (attempt.refusedFor() > 0)
            return refused(attempt);
        if (!password::verify(pass, storedHash)) {
            attempt.failed();
            return fail(-3, QStringLiteral("口令错误，请重新输入！"));
        }
        attempt.succeeded();
    }
    // Only an operator who passed the check upgrades the account set.
    if (stored < current) {
        try {
            Transaction tx(*db);
            schema::upgrade(*db);
            tx.commit();
            state->schemaChanged();
        } catch (const DytError& e) {
            if (Database::isBusy(e))
                return busy();
            return fail(-8,
                        QStringLiteral("账套[%1]升级失败：%2").arg(entry->fullName, e.message()));
        }
    }
    try {
        db->execute(QStringLiteral("DELETE FROM syssession WHERE id = ?"), {session.spid});
        db->execute(QStringLiteral(
                        "INSERT INTO syssession(id, PcID, userId, loginTime) VALUES (?, ?, ?, ?)"),
                    {session.spid, lines.lines().value(3).trimmed().toLower(), userId, nowText()});
    } catch (const DytError& e) {
        if (Database::isBusy(e))
            return busy();
        throw;
    }
    db->setBusyTimeout(Database::kBusyTimeoutMs);
    // Leave the previous account set; its lock is taken unless it is the one held here.
    if (session.profile && session.profile != state) {
        lock.unlock();
        closeSession(session);
        lock.lock();
        if (state->restoring) {
            return fail(-8, QStringLiteral("账套[%1]正在恢复，暂时不能使用，请稍后再登录。")
                                .arg(entry->fullName));
        }
    } else if (session.profile) {
        std::lock_guard sessionsLock(state->sessionsMutex);
        state->sessions.erase(&session);
        session.db.reset();
    }
    session.profile = state;
    session.db = std::move(db);
    session.evicted = false;
    session.dbName = entry->dbName;
    session.fullName = entry->fullName;
    session.userId = userId;
    session.userCode = userCode;
    session.userName = userName;
    session.backupToken = newBackupToken();
    // The administrator's password checked before (the login window's account-set list) does not
    // carry over to the operator who logs in on this connection.
    session.adminVerified = false;
    {
        std::lock_guard sessionsLock(state->sessionsMutex);
        state->sessions.insert(&session);
    }
    const QStringList reply{
        QStringLiteral("UserName=") + userName,
        QStringLiteral("UserCode=") + userCode,
        QStringLiteral("UserId=%1").arg(userId),
        QStringLiteral("dbUserName=") + catalogue_->adminAccount(),
        QStringLiteral("dbPassword=") + session.backupToken,
    };
    return answer(0, {proto::joinLines(reply)});
}

// --- backup and restore

Response Backend::getProfileBackups(Session& session, const QCborArray&) {
    return answer(0, {packet(catalogue_->backups(session.dbName)), QString()});
}

Response Backend::backupProfile(Session& session, const QCborArray& args) {
    const qint64 target = integer(args, 5);
    auto fail = [target](const QString& msg) { return answer(-1, {target, msg, null()}); };
    // The whole account set leaves the server only for the administrator; the client's automatic
    // backup on closing, which keeps its copy on the server, shows the login's own token instead.
    const bool ownBackup =
        target == 0 && !session.backupToken.isEmpty() && text(args, 4) == session.backupToken;
    if (!ownBackup && !checkAdmin(session, text(args, 3), text(args, 4)))
        return fail(QStringLiteral("管理员账号或口令错误"));
    QString fileName = text(args, 2).trimmed();
    if (fileName.isEmpty()) {
        fileName = QStringLiteral("%1.%2.db")
                       .arg(session.fullName,
                            QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd.hhmm")));
    }
    if (!validBackupFileName(fileName)) {
        return fail(QStringLiteral("备份文件名称[%1]无效").arg(fileName));
    }
    const QString path = QDir(backupDir()).filePath(fileName);
    if (QFileInfo::exists(path) || catalogue_->findBackup(fileName)) {
        return fail(QStringLiteral("备份文件[%1]已经存在，请重新命名").arg(fileName));
    }
    const QString tmp = path + QStringLiteral(".part");
    QFile::remove(tmp);
    try {
        if (!session.db->backupTo(tmp))
            return fail(QStringLiteral("无法创建备份文件[%1]").arg(fileName));
    } catch (const DytError& e) {
        QFile::remove(tmp);
        return fail(QStringLiteral("备份账套时出错：%1").arg(e.message()));
    }
    if (!QFile::rename(tmp, path)) {
        QFile::remove(tmp);
        return fail(QStringLiteral("无法保存备份文件[%1]").arg(fileName));
    }
    catalogue_->addBackup({0, session.dbName, session.fullName, fileName, nowText()});
    QCborValue content = null();
    if (target == 1) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return fail(QStringLiteral("无法读取备份文件"));
        const QByteArray data = f.readAll();
        if (data.size() > config_.frameLimit - 65536) {
            return fail(QStringLiteral("备份文件太大，无法传回客户端，已保存在服务器"));
        }
        content = QCborValue(data);
    }
    return answer(0, {target, QStringLiteral("数据备份到服务器成功完成"), content});
}

bool validateAccountSetFile(const QString& path, QString* message) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly) || f.read(16) != QByteArray("SQLite format 3\0", 16)) {
        *message = QStringLiteral("文件不是有效的账套备份");
        return false;
    }
    f.close();
    std::unique_ptr<Database> db;
    try {
        db = Database::open(path, Database::Mode::File);
    } catch (const DytError&) {
        *message = QStringLiteral("文件不是有效的账套备份");
        return false;
    }
    QString integrity;
    try {
        db->executeScript(QStringLiteral("PRAGMA journal_mode=DELETE"));
        integrity = db->scalar(QStringLiteral("PRAGMA integrity_check")).toString();
    } catch (const DytError&) {
        integrity.clear();
    }
    if (integrity != QLatin1String("ok")) {
        *message = QStringLiteral("备份文件已损坏：%1")
                       .arg(integrity.isEmpty() ? QStringLiteral("无法读取") : integrity);
        return false;
    }
    const int version = schema::storedVersion(db->handle());
    if (version <= 0) {
        *message = QStringLiteral("文件不是有效的账套备份");
        return false;
    }
    if (version > schema::currentVersion()) {
        *message = QStringLiteral("备份的版本(%1)比服务器的版本(%2)新，不能恢复")
                       .arg(version)
                       .arg(schema::currentVersion());
        return false;
    }
    // Its tables, indexes and triggers must be exactly the server's: an older one is compared
    // as the login would upgrade it, and the upgrade is undone again.
    QString difference;
    try {
        tsql::registerFunctions(db->handle());
        Transaction tx(*db);
        if (version < schema::currentVersion())
            schema::upgrade(db->handle());
        difference = schema::structureDifference(db->handle());
    } catch (const DytError& e) {
        difference = e.message();
    }
    if (!difference.isEmpty()) {
        *message = QStringLiteral("文件不是有效的账套备份：%1").arg(difference);
        return false;
    }
    return true;
}

Response Backend::restoreProfile(Session& session, const QCborArray& args) {
    const QString first = text(args, 0);
    const QString backupName = text(args, 1).trimmed();
    const QByteArray content = bytes(args, 4);
    auto done = [&](int code, const QString& msg) {
        return answer(code, {first, backupName, code, msg});
    };
    if (!checkAdmin(session, text(args, 2), text(args, 3))) {
        return done(-1, QStringLiteral("管理员账号或口令错误"));
    }
    // An operator restores the account set of the login; an administrator's connection without a
    // login (one nobody can log in to any more) names it in the first value.
    const QString dbName =
        session.loggedIn() ? session.dbName : proto::splitLines(first).value(0).trimmed();
    if (session.loggedIn() && session.evicted)
        return done(-1, kRestored);
    if (!catalogue_->findByDbName(dbName))
        return done(-1, QStringLiteral("账套[%1]不存在").arg(dbName));
    auto state = profileState(dbName);
    if (state->restoring.exchange(true))
        return done(-1, QStringLiteral("账套正在恢复中，请稍后"));
    struct Reset {
        ProfileState& s;
        ~Reset() {
            {
                std::lock_guard guard(s.restoreMutex);
                s.takingOver = false;
                s.restoring = false;
            }
            s.restoreEnded.notify_all();
        }
    } reset{*state};

    const QString target = profilePath(dbName);
    const bool postgres = Database::isPostgresPath(target);
    // On PostgreSQL the file is loaded into a database beside the account set's, which then
    // takes its name.
    const QString tmp = postgres ? QDir(backupDir()).filePath(dbName + QStringLiteral(".restore"))
                                 : target + QStringLiteral(".restore");
    const QString fresh = target + QStringLiteral("_restore");
    removeDatabaseFiles(tmp);
    if (!content.isEmpty()) {
        QFile f(tmp);
        if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size()) {
            return done(-1, QStringLiteral("无法写入临时文件"));
        }
    } else {
        if (backupName.isEmpty())
            return done(-1, QStringLiteral("请先选择你要恢复的服务器备份"));
        // Only this account set's own backups.
        const auto backup = catalogue_->findBackup(backupName);
        const QString source = QDir(backupDir()).filePath(backupName);
        if (!backup || backup->dbName.compare(dbName, Qt::CaseInsensitive) != 0 ||
            !validBackupFileName(backupName) || !QFileInfo::exists(source)) {
            return done(-1, QStringLiteral("服务器备份[%1]不存在").arg(backupName));
        }
        if (!QFile::copy(source, tmp))
            return done(-1, QStringLiteral("无法读取服务器备份"));
    }
    QString why;
    if (!validateAccountSetFile(tmp, &why)) {
        removeDatabaseFiles(tmp);
        return done(-1, QStringLiteral("恢复失败：%1").arg(why));
    }
    if (postgres) {
        try {
            createProfileDatabase(fresh);
            auto from = Database::open(tmp, Database::Mode::ReadWrite);
            tsql::registerFunctions(from->handle());
            {
                // An older backup is brought to the current version first, as a login would.
                Transaction tx(*from);
                schema::upgrade(*from);
                tx.commit();
            }
            auto to = Database::open(fresh);
            copyAccountSet(*from, *to);
        } catch (const DytError& e) {
            removeDatabaseFiles(tmp);
            dropProfileDatabase(fresh);
            return done(-1, QStringLiteral("恢复失败：%1").arg(e.message()));
        }
        removeDatabaseFiles(tmp);
    }
    // Take the account set over: from here the other connections' calls are refused, running
    // ones stop at their next step; the swap waits for them within a bound.
    state->takingOver = true;
    std::unique_lock lock(state->lock, std::defer_lock);
    if (!lock.try_lock_for(std::chrono::seconds(config_.restoreWait))) {
        removeDatabaseFiles(tmp);
        return done(-1, QStringLiteral("账套正在使用中，%1秒内未能停下，恢复失败，请稍后再试")
                            .arg(config_.restoreWait));
    }
    state->schemaChanged();
    {
        std::lock_guard sessionsLock(state->sessionsMutex);
        for (Session* other : state->sessions) {
            other->db.reset();
            if (other != &session)
                other->evicted = true;
        }
        state->sessions.clear();
        if (session.profile == state)
            state->sessions.insert(&session);
    }
    session.db.reset();
    std::error_code ec;
    if (postgres) {
        try {
            auto admin = Database::open(QStringLiteral("postgresql:") + config_.postgresql);
            pg::dropDatabase(*admin, postgresDatabase(target));
            admin->executeScript(QStringLiteral("ALTER DATABASE %1 RENAME TO %2")
                                     .arg(postgresDatabase(fresh), postgresDatabase(target)));
        } catch (const DytError& e) {
            ec = std::make_error_code(std::errc::io_error);
            Q_UNUSED(e);
        }
    } else {
        QFile::remove(target + QStringLiteral("-wal"));
        QFile::remove(target + QStringLiteral("-shm"));
        std::filesystem::rename(tmp.toStdString(), target.toStdString(), ec);
    }
    const auto reopen = [&] {
        if (session.profile != state)
            return true;
        try {
            session.db = openProfile(dbName);
            return true;
        } catch (const DytError&) {
            session.evicted = true;
            return false;
        }
    };
    if (ec) {
        removeDatabaseFiles(tmp);
        reopen();
        return done(-1, QStringLiteral("无法替换账套文件：%1")
                            .arg(QString::fromLocal8Bit(ec.message().c_str())));
    }
    ++state->restores;
    if (!reopen())
        return done(-1, QStringLiteral("账套已恢复，但无法打开，请重新登录"));
    return done(0, QStringLiteral("账套恢复成功"));
}

}  // namespace dyt::server
