#include "server/net/config.h"

#include <QRegularExpression>

#include <QFile>
#include <QFileInfo>

#include "common/error.h"
#include "protocol/protocol.h"

namespace dyt::server {
namespace {

int toInt(const QString& value, const QString& where, int min, int max) {
    bool ok = false;
    const int v = value.trimmed().toInt(&ok);
    if (!ok || v < min || v > max) {
        throw DytError(QStringLiteral("配置项数值无效：%1").arg(where));
    }
    return v;
}

qint64 toBytes(const QString& value, const QString& where) {
    bool ok = false;
    const qint64 v = value.toLongLong(&ok);
    if (!ok || v < 1024 || v > 0xffffffffLL)
        throw DytError(QStringLiteral("配置项数值无效：%1").arg(where));
    return v;
}

QString checkedBackend(const QString& value, const QString& where) {
    const QString v = value.trimmed().toLower();
    if (v != u"sqlite" && v != u"postgresql") {
        throw DytError(
            QStringLiteral("数据库类型只能是 sqlite 或 postgresql：%1").arg(where));
    }
    return v;
}

}  // namespace

void ServerConfig::loadText(const QString& text, const QString& origin) {
    const QStringList lines = proto::splitLines(text);
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')) ||
            line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('['))) {
            continue;
        }
        const QString where = QStringLiteral("%1 第%2行").arg(origin).arg(i + 1);
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            throw DytError(QStringLiteral("配置行格式错误：%1").arg(where));
        const QString key = line.left(eq).trimmed().toLower();
        const QString value = line.mid(eq + 1).trimmed();
        if (key == QLatin1String("listen")) {
            listen = value;
        } else if (key == QLatin1String("port")) {
            port = toInt(value, where, 0, 65535);
        } else if (key == QLatin1String("data")) {
            dataDir = value;
        } else if (key == QLatin1String("backend")) {
            backend = checkedBackend(value, where);
        } else if (key == QLatin1String("postgresql")) {
            postgresql = value;
        } else if (key == QLatin1String("postgresqlprefix")) {
            postgresqlPrefix = value;
        } else if (key == QLatin1String("admin")) {
            if (value.isEmpty())
                throw DytError(QStringLiteral("管理员账号不能为空：%1").arg(where));
            adminAccount = value;
        } else if (key == QLatin1String("adminpassword")) {
            adminPassword = value;
        } else if (key == QLatin1String("framelimit")) {
            frameLimit = toBytes(value, where);
        } else if (key == QLatin1String("loginframelimit")) {
            loginFrameLimit = toBytes(value, where);
        } else if (key == QLatin1String("maxconnections")) {
            maxConnections = toInt(value, where, 1, 100000);
        } else if (key == QLatin1String("maxconnectionsperaddress")) {
            maxConnectionsPerAddress = toInt(value, where, 1, 100000);
        } else if (key == QLatin1String("loginidletimeout")) {
            loginIdleTimeout = toInt(value, where, 1, 24 * 60 * 60);
        } else if (key == QLatin1String("idletimeout")) {
            idleTimeout = toInt(value, where, 0, 30 * 24 * 60 * 60);
        } else if (key == QLatin1String("newloginmode")) {
            newLoginMode = toInt(value, where, 0, 1);
        } else if (key == QLatin1String("rememberprofile")) {
            rememberProfile = toInt(value, where, 0, 1);
        } else if (key == QLatin1String("lockbilldate")) {
            lockBillDate = toInt(value, where, 0, 1);
        } else if (key == QLatin1String("statementtimeout")) {
            statementTimeout = toInt(value, where, 0, 86400);
        } else if (key == QLatin1String("reporttimeout")) {
            reportTimeout = toInt(value, where, 0, 86400);
        } else if (key == QLatin1String("restorewait")) {
            restoreWait = toInt(value, where, 1, 3600);
        } else if (key == QLatin1String("stopwait")) {
            stopWait = toInt(value, where, 0, 3600);
        } else if (key == QLatin1String("loginfreeattempts")) {
            loginFreeAttempts = toInt(value, where, 1, 1000);
        } else if (key == QLatin1String("loginaddressfreeattempts")) {
            loginAddressFreeAttempts = toInt(value, where, 1, 100000);
        } else if (key == QLatin1String("logindelay")) {
            loginDelay = toInt(value, where, 1, 3600000);
        } else if (key == QLatin1String("logindelaymax")) {
            loginDelayMax = toInt(value, where, 1, 86400000);
        } else if (key == QLatin1String("loginbusytimeout")) {
            loginBusyTimeout = toInt(value, where, 0, 60000);
        } else {
            throw DytError(QStringLiteral("未知的配置项[%1]：%2").arg(key, where));
        }
    }
}

void ServerConfig::loadFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        throw DytError(QStringLiteral("无法读取配置文件[%1]：%2").arg(path, f.errorString()));
    }
    loadText(QString::fromUtf8(f.readAll()), QFileInfo(path).fileName());
}

void ServerConfig::applyArguments(const QStringList& args, const QString& defaultConfigPath) {
    auto valueAt = [&](int i) {
        if (i + 1 >= args.size()) {
            throw DytError(QStringLiteral("选项%1缺少参数").arg(args[i]));
        }
        return args[i + 1];
    };
    QString configPath;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--config"))
            configPath = valueAt(i);
    }
    if (!configPath.isEmpty()) {
        loadFile(configPath);
    } else if (!defaultConfigPath.isEmpty() && QFileInfo::exists(defaultConfigPath)) {
        loadFile(defaultConfigPath);
    }
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--config")) {
            ++i;
        } else if (a == QLatin1String("--listen")) {
            listen = valueAt(i);
            ++i;
        } else if (a == QLatin1String("--port")) {
            port = toInt(valueAt(i), a, 0, 65535);
            ++i;
        } else if (a == QLatin1String("--data")) {
            dataDir = valueAt(i);
            ++i;
        } else if (a == QLatin1String("--backend")) {
            backend = checkedBackend(valueAt(i), a);
            ++i;
        } else if (a == QLatin1String("--postgresql")) {
            postgresql = valueAt(i);
            ++i;
        } else if (a == QLatin1String("--postgresql-prefix")) {
            postgresqlPrefix = valueAt(i);
            ++i;
        } else {
            throw DytError(QStringLiteral("未知选项：%1").arg(a));
        }
    }
}

QString ServerConfig::postgresDatabase(const QString& dbName) const {
    QString name = (postgresqlPrefix + dbName).toLower();
    name.remove(QRegularExpression(QStringLiteral("[^a-z0-9_]")));
    return name;
}

QString ServerConfig::postgresPath(const QString& dbName) const {
    return QStringLiteral("postgresql:%1 dbname=%2").arg(postgresql, postgresDatabase(dbName));
}

QString usageText() {
    return QStringLiteral(
        "usage: dyt-server [--config FILE] [--listen ADDR] [--port N] [--data DIR]\n"
        "                  [--backend sqlite|postgresql] [--postgresql CONNINFO]\n"
        "                  [--postgresql-prefix TEXT]\n");
}

}  // namespace dyt::server
