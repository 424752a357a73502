#pragma once
// The methods of the application server, independent of the network: a connection thread owns a
// Session and hands each request to Backend::handle().

#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <shared_mutex>
#include <vector>

#include "protocol/protocol.h"
#include "server/db/database.h"
#include "server/net/catalogue.h"
#include "server/net/config.h"
#include "server/net/throttle.h"
#include "server/procs/registry.h"
#include "server/tsql/tsql.h"

namespace dyt::server {

struct ProfileState;

// What one connection knows about itself. Anonymous until a login succeeds.
struct Session {
    qint64 spid = 0;
    QString peer;                // client address
    bool adminVerified = false;  // "CheckAdminPass" succeeded on this connection
    QString backupToken;  // handed out at login: lets the client's own backups stay on the server
    // Set after login:
    QString dbName;
    QString fullName;
    qint64 userId = 0;
    QString userName;
    QString userCode;
    std::shared_ptr<ProfileState> profile;
    std::unique_ptr<Database> db;  // touched only under the profile's shared lock
    bool evicted = false;          // the account set was restored under this session
    // True once the client has closed its end of the connection (checked while a call runs).
    std::function<bool()> peerGone;
    // The rows of the last answer: given back after the answer has gone out (the connection
    // clears them once it has written the frame; the next call at the latest).
    std::vector<RecordSet> spent;

    bool loggedIn() const { return profile != nullptr; }
};

// Per account set: a call holds the shared lock, restore and delete take it exclusively.
struct ProfileState {
    std::shared_timed_mutex lock;
    std::atomic<bool> restoring{false};  // a restore runs (one at a time; no new logins)
    // The restore has its file checked and takes the account set over: the other connections'
    // calls are refused or stopped, their answers held until it ends.
    std::atomic<bool> takingOver{false};
    std::atomic<quint64> restores{0};  // restores completed
    std::mutex restoreMutex;
    std::condition_variable restoreEnded;
    std::mutex sessionsMutex;
    std::set<Session*> sessions;

    // Client SQL texts: translations and the column types they were made with, dropped when the
    // account set's schema changes (upgrade, restore).
    tsql::TranslationCache translations;
    std::mutex schemaMutex;
    tsql::SchemaLookup schema;  // read from the first connection that needs it
    void schemaChanged();

    // The change stamps of goods and partners that ConnectionVar answers, as last read, and the
    // file's commit count and the restores when they were read: while both stay, the stamps do.
    struct Stamps {
        qint64 commits = -1;
        quint64 restores = 0;
        QString goods;
        QString partners;
    };
    std::mutex stampsMutex;
    Stamps stamps;
};

class Backend {
public:
    explicit Backend(const ServerConfig& config);
    ~Backend();

    const ServerConfig& config() const { return config_; }
    QString dataDir() const { return dataDir_; }
    QString profilePath(const QString& dbName) const;
    // Whether the account sets live on a PostgreSQL server.
    bool onPostgres() const;
    QString backupDir() const;
    Catalogue& catalogue() { return *catalogue_; }
    Registry& procedures() { return procedures_; }
    Registry& services() { return services_; }

    // Answers one request. Never throws: failures become error answers.
    proto::Response handle(Session& session, const proto::Request& request);
    // A new connection's session number.
    qint64 nextSpid() { return ++spidCounter_; }
    // Leaves the account set (connection closed or another login).
    void closeSession(Session& session);

    // Connections the account set has now (for tests and the delete check).
    int sessionCount(const QString& dbName);

    // The server stops: calls in flight may run on for the configured wait, then they are stopped.
    void beginStop();
    void endStop() { stopAt_ = 0; }

private:
    using Method = proto::Response (Backend::*)(Session&, const QCborArray&);
    struct MethodInfo {
        const char* name;
        const char* args;  // s text, i integer, p data packet or Null, b byte array or Null
        bool anonymous;    // answers before login
        Method fn;
    };
    static const MethodInfo* findMethod(const QString& name);
    static const MethodInfo kMethods[];

    // The administrator's account and password, as every method that needs them checks them;
    // throttled like the logins, a refusal throws DytError telling the wait.
    bool checkAdmin(Session& session, const QString& account, const QString& password);

    proto::Response callInAccountSet(Session& session, const MethodInfo& m, const QCborArray& args);
    std::shared_ptr<ProfileState> profileState(const QString& dbName);
    std::unique_ptr<Database> openProfile(const QString& dbName);
    // A PostgreSQL account set's database made empty, or dropped (files removed on SQLite).
    void createProfileDatabase(const QString& path);
    void dropProfileDatabase(const QString& path);

    proto::Response initDataBase(Session&, const QCborArray&);
    proto::Response connectionVar(Session&, const QCborArray&);
    proto::Response getServerConf(Session&, const QCborArray&);
    proto::Response execQuery(Session&, const QCborArray&);
    proto::Response execUpdate(Session&, const QCborArray&);
    proto::Response execProc(Session&, const QCborArray&);
    proto::Response execProcQuery(Session&, const QCborArray&);
    proto::Response execService(Session&, const QCborArray&);
    proto::Response execCommand(Session&, const QCborArray&);
    proto::Response getProfileList(Session&, const QCborArray&);
    RecordSet servedQueries() const;
    proto::Response getProfileUserInfo(Session&, const QCborArray&);
    proto::Response createProfile(Session&, const QCborArray&);
    proto::Response deleteProfile(Session&, const QCborArray&);
    proto::Response login(Session&, const QCborArray&);
    proto::Response getProfileBackups(Session&, const QCborArray&);
    proto::Response backupProfile(Session&, const QCborArray&);
    proto::Response restoreProfile(Session&, const QCborArray&);

    // Runs client SQL text; every sysuser.password value it writes is replaced by its hash.
    struct SqlOutcome {
        int changes = 0;
        bool hasData = false;
        RecordSet data;
        QByteArray packet;  // the rows as packet bytes instead, when asked for
    };
    SqlOutcome runSql(Session& session, const QString& sql, bool writeLock, bool packet = false);
    // The same on a PostgreSQL account set: the program runs in the role of the client texts,
    // which PostgreSQL itself holds to reading and writing the account set's rows.
    SqlOutcome runSqlOnPostgres(Session& session, const tsql::Program& program, const QString& sql,
                                bool writeLock, bool packet);
    tsql::Program translateClientSql(Session& session, const QString& sql);
    // The backup log that "master.dbo.mvqxDbLog" names: this account set's rows of the catalogue,
    // copied into a temporary table of the session's connection for one text, and the rows the
    // text removed from it (refused but to the server administrator).
    void exposeBackupLog(Session& session);
    std::vector<qint64> removedBackups(Session& session);
    // The catalogue entries and files of the backups a client text deleted from the log.
    void forgetBackups(const std::vector<qint64>& recNos);
    int callHandler(Session& session, const Registry::Entry& entry, CallContext& ctx);

    // Why the running call of the session must stop now (empty: it may go on).
    QString interruption(Session& session, bool watchPeer, qint64& nextPeerCheck);
    // Time limit of a method's statements in ms (0: none).
    int timeLimitMs(Method fn) const;

    ServerConfig config_;
    std::atomic<qint64> stopAt_{0};  // steady clock ms after which running calls are stopped
    QString dataDir_;
    std::unique_ptr<Catalogue> catalogue_;
    Registry procedures_;
    Registry services_;
    std::atomic<qint64> spidCounter_{0};
    std::mutex profilesMutex_;
    std::map<QString, std::shared_ptr<ProfileState>> profiles_;
    std::mutex createMutex_;
    LoginThrottle throttle_;
};

// True when the file is an account set this server can open: an SQLite database that passes the
// integrity check and carries a schema version not newer than the current one. The message says
// what is wrong otherwise.
bool validateAccountSetFile(const QString& path, QString* message);

}  // namespace dyt::server
