#include "client/logic/sysadmin.h"

#include "common/error.h"
#include "common/recordset.h"
#include "protocol/queryparams.h"

// The build passes the project's version and the date it was configured on.
#ifndef DYT_CLIENT_VERSION
#error "DYT_CLIENT_VERSION must be defined by the build"
#endif
#ifndef DYT_BUILD_DATE
#error "DYT_BUILD_DATE must be defined by the build"
#endif

namespace dyt::client {

namespace initover {

ParamList params(Operation operation, const QDate& date) {
    ParamList p;
    p.setValue(QStringLiteral("type"),
               operation == Operation::Open ? QStringLiteral("0") : QStringLiteral("1"));
    p.setValue(QStringLiteral("Date"), dateText(date));
    return p;
}

}  // namespace initover

namespace versioninfo {

QString clientVersion() {
    return QStringLiteral("V") + QStringLiteral(DYT_CLIENT_VERSION);
}

QString buildDate() {
    return QStringLiteral(DYT_BUILD_DATE);
}

ServerVersion fromRows(const RecordSet& rows) {
    const int server = rows.fieldIndex(QStringLiteral("ServerVersion"));
    const int schema = rows.fieldIndex(QStringLiteral("SchemaVersion"));
    if (server < 0 || schema < 0 || rows.rowCount() != 1)
        throw DytError(QStringLiteral("服务器没有返回版本信息"));
    ServerVersion v;
    v.server = rows.at(0, server).toString();
    v.schema = rows.at(0, schema).toString();
    return v;
}

}  // namespace versioninfo

}  // namespace dyt::client
