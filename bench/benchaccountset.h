#pragma once
// An opened account set for the ledger benchmarks: warehouse 11, customer 21, supplier 22 and the
// goods given as (id, cost mode), opened on 2024-01-01.

#include <QString>

#include <memory>
#include <utility>
#include <vector>

#include "server/db/database.h"
#include "server/db/schema.h"

namespace dyt::bench {

inline std::unique_ptr<server::Database> openedAccountSet(
    const QString& path, const std::vector<std::pair<qint64, int>>& goods) {
    using server::Database;
    auto db = Database::open(path, Database::Mode::ReadWriteCreate);
    server::Transaction tx(*db);
    // Nobody logs in here: a stored value that is not a hash keeps the set-up cheap.
    server::schema::createAccountSet(db->handle(), QStringLiteral("bench"), QStringLiteral("-"));
    db->execute(QStringLiteral(
        "INSERT INTO baseCK(id, par_jl, code, fullname) VALUES (11, '11,', '01', '总仓')"));
    db->execute(
        QStringLiteral("INSERT INTO baseWLDW(id, par_jl, code, fullname) VALUES (21, "
                       "'21,', 'K1', '客户'), (22, '22,', 'G1', '供应商')"));
    for (const auto& [id, costMode] : goods) {
        db->execute(QStringLiteral("INSERT INTO baseGoods(id, par_jl, code, fullname, costmode) "
                                   "VALUES (?, ?, ?, ?, ?)"),
                    {id, QStringLiteral("%1,").arg(id), QStringLiteral("SP%1").arg(id),
                     QStringLiteral("商品%1").arg(id), costMode});
    }
    db->execute(QStringLiteral("UPDATE sysData SET sysValue = '1' WHERE Name = 'isOpen'"));
    db->execute(
        QStringLiteral("UPDATE sysData SET sysValue = '2024-01-01' WHERE Name = 'inidate'"));
    db->execute(QStringLiteral("UPDATE sysPeriod SET beginDate = '2024-01-01' WHERE type = 0"));
    tx.commit();
    return db;
}

}  // namespace dyt::bench
