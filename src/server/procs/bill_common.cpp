// Reading the values of bill procedures.
#include "server/procs/bill_common.h"

#include <cmath>

#include "common/condition.h"
#include "common/error.h"
#include "protocol/protocol.h"
#include "server/db/database.h"
#include "server/db/where.h"

namespace dyt::server::billvalues {

double number(const QString& text, const QString& what) {
    QString t = text.trimmed();
    if (t.isEmpty())
        return 0.0;
    const int point = t.indexOf(QLatin1Char('.'));
    const int lastComma = t.lastIndexOf(QLatin1Char(','));
    // Thousands separators stand only in the whole part.
    if (lastComma >= 0 && point >= 0 && lastComma > point)
        throw DytError(QStringLiteral("[%1]不是有效的数字：%2").arg(what, text));
    t.remove(QLatin1Char(','));
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        throw DytError(QStringLiteral("[%1]不是有效的数字：%2").arg(what, text));
    return v;
}

qint64 id(const QString& text, const QString& what) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return 0;
    bool ok = false;
    const qint64 v = t.toLongLong(&ok);
    if (!ok || v < 0)
        throw DytError(QStringLiteral("[%1]不是有效的数字：%2").arg(what, text));
    return v;
}

QDate date(const QString& text, const QString& what) {
    const QDate d = proto::parseDate(text.trimmed());
    if (!d.isValid())
        throw DytError(QStringLiteral("[%1]不是有效的日期：%2").arg(what, text));
    return d;
}

std::optional<QDate> optionalDate(const QString& text, const QString& what) {
    if (text.trimmed().isEmpty())
        return std::nullopt;
    return date(text, what);
}

QString dateText(const QDate& d) {
    return proto::formatDate(d);
}

QString billKindName(Database& db, qint64 djType) {
    const QVariant name = db.scalar(
        QStringLiteral("SELECT fullname FROM sysDjb WHERE id = ? AND sonnum = 0"), {djType});
    if (name.isValid() && djType > 0)
        return name.toString();
    // The stocktake bill is opened by its own menu entry and has no row of its own in sysDjb.
    if (djType == kStocktakeKind)
        return QStringLiteral("盘点单");
    throw DytError(QStringLiteral("单据类型[%1]不存在").arg(djType));
}

}  // namespace dyt::server::billvalues

namespace dyt::server {

void addRedFilter(Where& w, int redFilter, const QString& alias) {
    if (redFilter == 1)
        w.add(QStringLiteral("%1.isred = 0 AND %1.isredword = 0").arg(alias));
    else if (redFilter == 2)
        w.add(QStringLiteral("(%1.isred = 1 OR %1.isredword = 1)").arg(alias));
}

RecordChoice recordChoice(const QString& text, const QString& what, const QString& altKey) {
    RecordChoice r;
    const ConditionString cs = ConditionString::parse(text.trimmed());
    QString idText = cs.value(QStringLiteral("id"));
    if (idText.trimmed().isEmpty() && !altKey.isEmpty())
        idText = cs.value(altKey);
    r.id = billvalues::id(idText, what);
    r.withSubs = cs.value(QStringLiteral("issub")).trimmed() == QLatin1String("1");
    return r;
}

bool holdsRight(Database& db, qint64 userId, const QString& code) {
    if (userId == 1)
        return true;
    const QVariant granted = db.scalar(
        QStringLiteral("SELECT max(CASE WHEN a.isbj = 1 OR b.hide = 1 THEN 1 ELSE 0 END) FROM "
                       "sysMenu AS b LEFT JOIN sysPurview AS a ON a.menuid = b.id AND "
                       "a.userid = ? WHERE b.code = ?"),
        {userId, code});
    return granted.toInt() == 1;
}

bool mayHandleOthersDrafts(Database& db, qint64 userId) {
    return holdsRight(db, userId, QStringLiteral("6010"));
}

void checkDraftMaker(Database& db, qint64 userId, qint64 makerId) {
    if (makerId != userId && !mayHandleOthersDrafts(db, userId))
        throw DytError(QStringLiteral("这是其他操作员的草稿，您没有处理他人单据的权限！"));
}

}  // namespace dyt::server
