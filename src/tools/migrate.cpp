#include "tools/migrate.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include "common/error.h"
#include "server/db/accountcopy.h"
#include "server/db/database.h"
#include "server/db/pg_library.h"
#include "server/net/config.h"

namespace dyt::tools {
using server::Database;

int migrate(const QStringList& args, QTextStream& out) {
    // migrate --to postgresql|sqlite DBNAME, with the server's own options (--config, --data,
    // --postgresql, --postgresql-prefix) telling where both sides are.
    QString to;
    QString dbName;
    QStringList serverArgs;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--to") && i + 1 < args.size()) {
            to = args[++i].toLower();
        } else if (args[i].startsWith(QLatin1String("--")) && i + 1 < args.size()) {
            serverArgs << args[i] << args[i + 1];
            ++i;
        } else if (dbName.isEmpty()) {
            dbName = args[i].trimmed();
        } else {
            throw DytError(QStringLiteral("migrate: 多余的参数 %1").arg(args[i]));
        }
    }
    if ((to != u"postgresql" && to != u"sqlite") || dbName.isEmpty())
        throw DytError(QStringLiteral("migrate: 用法 migrate --to postgresql|sqlite DBNAME "
                                      "[--config FILE] [--data DIR] [--postgresql CONNINFO]"));
    if (!QRegularExpression(QStringLiteral("^[A-Za-z0-9_]+$")).match(dbName).hasMatch())
        throw DytError(QStringLiteral("migrate: 账套库名[%1]不正确").arg(dbName));
    server::ServerConfig config;
    config.applyArguments(serverArgs, QString());
    if (config.dataDir.isEmpty())
        config.dataDir = QStringLiteral("data");
    if (config.postgresql.trimmed().isEmpty())
        throw DytError(QStringLiteral("migrate: 没有给出 PostgreSQL 连接串（--postgresql）"));
    const QString file = QDir(config.dataDir).filePath(dbName + QStringLiteral(".db"));
    const QString database = config.postgresDatabase(dbName);
    const QString pgPath = config.postgresPath(dbName);
    auto admin = Database::open(QStringLiteral("postgresql:") + config.postgresql);
    const bool exists =
        admin->scalar(QStringLiteral("SELECT count(*) FROM pg_database WHERE datname = ?"),
                      {database})
            .toLongLong() > 0;

    std::unique_ptr<Database> from;
    std::unique_ptr<Database> target;
    if (to == u"postgresql") {
        if (!QFileInfo::exists(file))
            throw DytError(QStringLiteral("账套[%1]的数据文件不存在：%2").arg(dbName, file));
        if (exists)
            throw DytError(QStringLiteral("PostgreSQL 上已经有数据库[%1]，不能迁移到其中").arg(database));
        server::pg::createDatabase(*admin, database);
        from = Database::open(file, Database::Mode::ReadOnly);
        target = Database::open(pgPath);
    } else {
        if (!exists)
            throw DytError(QStringLiteral("PostgreSQL 上没有数据库[%1]").arg(database));
        if (QFileInfo::exists(file))
            throw DytError(QStringLiteral("账套[%1]的数据文件已经存在，不能迁移到其中：%2").arg(dbName, file));
        from = Database::open(pgPath);
        target = Database::open(file, Database::Mode::ReadWriteCreate);
    }
    const auto undo = [&] {
        target.reset();
        if (to == u"postgresql")
            server::pg::dropDatabase(*admin, database);
        else
            QFile::remove(file);
    };
    QStringList before, after;
    try {
        server::copyAccountSet(*from, *target);
        before = server::accountSetFigures(*from);
        after = server::accountSetFigures(*target);
    } catch (const DytError&) {
        undo();
        throw;
    }
    if (before != after) {
        for (qsizetype i = 0; i < before.size(); ++i) {
            if (i >= after.size() || before[i] != after[i]) {
                const QString differs = before[i];
                undo();
                throw DytError(QStringLiteral("迁移后的数字不一致，已撤销：%1").arg(differs));
            }
        }
        undo();
        throw DytError(QStringLiteral("迁移后的表不一致，已撤销"));
    }
    qint64 rows = 0;
    for (const QString& line : after) {
        static const QRegularExpression count(QStringLiteral(" rows=(\\d+)"));
        rows += count.match(line).captured(1).toLongLong();
    }
    out << QStringLiteral("账套[%1]已迁移到 %2：%3 张表，%4 行，行数与金额数量合计一致\n")
               .arg(dbName, to == u"postgresql" ? QStringLiteral("PostgreSQL 数据库 ") + database
                                                : file)
               .arg(after.size())
               .arg(rows);
    return 0;
}

}  // namespace dyt::tools
