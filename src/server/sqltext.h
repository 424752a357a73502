#pragma once
// The one place where SQL text received from a client becomes the text the database runs.
// The T-SQL dialect layer plugs in here.

#include <QString>

namespace dyt::server {

struct SqlTextContext {
    qint64 spid = 0;  // the connection's number, the value of @@spid
};

QString prepareSqlText(const QString& clientSql, const SqlTextContext& context);

}  // namespace dyt::server
