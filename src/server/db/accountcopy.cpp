#include "server/db/accountcopy.h"

#include <cmath>

#include "common/error.h"
#include "server/db/database.h"
#include "server/db/schema.h"
#include "server/db/schema_internal.h"

namespace dyt::server {
namespace {

// The columns of a table as a statement gives them, with whether each holds amounts.
struct Columns {
    QStringList names;
    QList<bool> numeric;
};

Columns columnsOf(Database& db, const QString& table) {
    Statement st = db.prepare(QStringLiteral("SELECT * FROM %1 LIMIT 0").arg(table));
    Columns c;
    for (int i = 0; i < st.columnCount(); ++i) {
        c.names << st.columnName(i).toLower();
        const char* decl = st.declaredType(i);
        c.numeric << (decl && QByteArray(decl).toUpper().startsWith("NUMERIC"));
    }
    return c;
}

}  // namespace

QStringList accountSetTables(Database& db) {
    const RecordSet rs = db.query(
        db.isPostgres()
            ? QStringLiteral("SELECT tablename FROM pg_tables WHERE schemaname = current_schema() "
                             "ORDER BY 1")
            : QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT "
                             "LIKE 'sqlite%' ORDER BY 1"));
    QStringList out;
    for (int r = 0; r < rs.rowCount(); ++r)
        out << rs.at(r, 0).toString().toLower();
    out.sort();
    return out;
}

void copyAccountSet(Database& from, Database& to) {
    const int version = schema::storedVersion(from);
    if (version <= 0)
        throw DytError(QStringLiteral("数据库不是有效的账套"));
    if (version != schema::currentVersion())
        throw DytError(QStringLiteral("账套版本（%1）不是当前版本（%2），请先升级账套")
                           .arg(version)
                           .arg(schema::currentVersion()));
    if (!accountSetTables(to).isEmpty())
        throw DytError(QStringLiteral("目标数据库中已经有数据，不能复制到其中"));
    const QStringList tables = accountSetTables(from);

    Transaction tx(to);
    schema::createAccountSet(to, QStringLiteral("-"), QStringLiteral("-"));
    if (tables.contains(QStringLiteral("basegoodsimage")))
        to.executeScript(schema::goodsImageTable());
    // Parents and children come in name order: their keys are checked at the commit.
    to.executeScript(to.isPostgres() ? QStringLiteral("SET CONSTRAINTS ALL DEFERRED")
                                     : QStringLiteral("PRAGMA defer_foreign_keys = ON"));
    // The rows carry their change stamps: the triggers that stamp changes wait for the end.
    schema::detail::dropChangeStampTriggers(to);
    const QStringList made = accountSetTables(to);
    for (const QString& table : made)
        to.execute(QStringLiteral("DELETE FROM %1").arg(table));
    for (const QString& table : tables) {
        if (!made.contains(table))
            throw DytError(QStringLiteral("表[%1]不是本系统的账套表").arg(table));
        const Columns source = columnsOf(from, table);
        const Columns target = columnsOf(to, table);
        QStringList names;
        for (const QString& n : source.names) {
            if (!target.names.contains(n))
                throw DytError(QStringLiteral("表[%1]的列[%2]不是本系统的").arg(table, n));
            names << n;
        }
        QStringList marks;
        for (qsizetype i = 0; i < names.size(); ++i)
            marks << QStringLiteral("?");
        Statement insert = to.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                          .arg(table, names.join(QLatin1Char(',')),
                                               marks.join(QLatin1Char(','))));
        Statement read = from.prepare(
            QStringLiteral("SELECT %1 FROM %2").arg(names.join(QLatin1Char(',')), table));
        while (read.step()) {
            insert.reset();
            for (int c = 0; c < names.size(); ++c)
                insert.bind(c + 1, read.value(c));
            insert.execute();
        }
    }
    schema::detail::createChangeStampTriggers(to);
    tx.commit();
}

QStringList accountSetFigures(Database& db) {
    QStringList out;
    for (const QString& table : accountSetTables(db)) {
        const Columns c = columnsOf(db, table);
        QStringList sums{QStringLiteral("count(*)")};
        QStringList names;
        for (qsizetype i = 0; i < c.names.size(); ++i) {
            if (c.numeric[i]) {
                sums << QStringLiteral("sum(%1)").arg(c.names[i]);
                names << c.names[i];
            }
        }
        Statement st = db.prepare(
            QStringLiteral("SELECT %1 FROM %2").arg(sums.join(QLatin1Char(',')), table));
        QStringList parts{table, QStringLiteral("rows=%1").arg(st.step() ? st.value(0).toLongLong() : 0)};
        for (qsizetype i = 0; i < names.size(); ++i) {
            double v = st.value(int(i) + 1).toDouble();
            v = std::round(v * 10000.0) / 10000.0;
            parts << QStringLiteral("%1=%2").arg(names[i], QString::number(v == 0 ? 0.0 : v, 'f', 4));
        }
        out << parts.join(QLatin1Char(' '));
    }
    return out;
}

}  // namespace dyt::server
