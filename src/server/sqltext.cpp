#include "server/sqltext.h"

#include <QRegularExpression>

namespace dyt::server {

QString prepareSqlText(const QString& clientSql, const SqlTextContext& context) {
    static const QRegularExpression spid(QStringLiteral("@@spid\\b"),
                                         QRegularExpression::CaseInsensitiveOption);
    QString sql = clientSql;
    sql.replace(spid, QString::number(context.spid));
    return sql;
}

}  // namespace dyt::server
