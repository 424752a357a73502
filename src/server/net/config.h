#pragma once
// Server configuration: the file "dyt-server.ini" beside the program, overridden by the command
// line (--config FILE, --listen ADDR, --port N, --data DIR, --backend sqlite|postgresql,
// --postgresql CONNINFO, --postgresql-prefix TEXT).

#include <QString>
#include <QStringList>

namespace dyt::server {

struct ServerConfig {
    QString listen = QStringLiteral("127.0.0.1");
    int port = 211;
    QString dataDir;  // empty: "data" beside the program
    // Where the account sets live: "sqlite", a file each in dataDir (the catalogue is always
    // there), or "postgresql", a database each on the server that the libpq connection string
    // postgresql names (its dbname is the database the server connects to for creating and
    // dropping account sets; the role needs CREATEDB).
    QString backend = QStringLiteral("sqlite");
    QString postgresql;
    // Put before the catalogue's name of each account-set database (several servers sharing one
    // PostgreSQL server).
    QString postgresqlPrefix;
    QString adminAccount = QStringLiteral("sa");
    QString adminPassword;  // initial password of a new catalogue
    qint64 frameLimit = 256LL * 1024 * 1024;
    // Limits against clients that hold the server's threads or memory: connections in total and
    // from one address, the largest request before login, and how long a connection may stay
    // without a whole request before login and after it (seconds; 0 after login: no limit).
    int maxConnections = 200;
    int maxConnectionsPerAddress = 50;
    qint64 loginFrameLimit = 64 * 1024;
    int loginIdleTimeout = 60;
    int idleTimeout = 8 * 60 * 60;
    int newLoginMode = 0;     // "新登录模式": operators type account set and user code
    int rememberProfile = 0;  // "客户端强制记忆账套"
    int lockBillDate = 0;     // "客户端不允许修改制单日期"
    // Time limits in seconds (0: none): one client SQL text, one query procedure (reports, lists),
    // the restore's wait for the calls of other connections, the stop's wait for calls in flight.
    int statementTimeout = 5;
    int reportTimeout = 120;
    int restoreWait = 30;
    int stopWait = 10;
    // Password checks: failures of one account and of one address before a lock, the first lock
    // and the longest one (each further failure doubles it), in milliseconds; and how long a login
    // waits for an account set another connection is writing.
    int loginFreeAttempts = 5;
    int loginAddressFreeAttempts = 20;
    int loginDelay = 1000;
    int loginDelayMax = 60000;
    int loginBusyTimeout = 2000;

    // The PostgreSQL database of an account set: the prefix and the catalogue's name, lower
    // case, letters, digits and "_" only; and what Database::open takes for it.
    QString postgresDatabase(const QString& dbName) const;
    QString postgresPath(const QString& dbName) const;

    // Reads key=value lines ("#" and ";" start comments, "[section]" lines are ignored).
    // Unknown keys and bad values throw DytError naming the line.
    void loadFile(const QString& path);
    void loadText(const QString& text, const QString& origin);

    // Applies the command line (arguments after the program name). Throws DytError for an
    // unknown option or a missing value. A --config option is read first, the others override it.
    void applyArguments(const QStringList& args, const QString& defaultConfigPath);
};

QString usageText();

}  // namespace dyt::server
