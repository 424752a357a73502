#include "client/logic/stockstatus.h"

#include "common/condition.h"
#include "common/error.h"

namespace dyt::client::stockstatus {

namespace {

QString op(qint64 operatorId) {
    return conditionSegment(QStringLiteral("czy_id"), QString::number(operatorId));
}

QString warehouseString(qint64 operatorId, const QString& warehouseId) {
    const QString id = warehouseId.trimmed() == u"0" ? QString() : warehouseId.trimmed();
    return op(operatorId) + QStringLiteral(";id=") + id + QStringLiteral(";issub=1");
}

}  // namespace

QList<QString> priceLevelNames() {
    return {QStringLiteral("零售价"), QStringLiteral("预设售价1"), QStringLiteral("预设售价2"),
            QStringLiteral("预设售价3")};
}

QList<ReferencePrice> referencePriceChoices(const QList<bool>& levelRights,
                                            const QList<QString>& levelNames, bool extraPrices) {
    QList<ReferencePrice> out;
    for (int level = 0; level < 4; ++level) {
        if (levelRights.value(level, false))
            out.append({level, levelNames.value(level)});
    }
    if (extraPrices) {
        out.append({4, QStringLiteral("最近售价")});
        out.append({5, QStringLiteral("最低售价")});
        out.append({6, QStringLiteral("最近进价")});
    }
    return out;
}

QString priceLevelSubRight(int level) {
    if (level < 0 || level > 3)
        throw DytError(QStringLiteral("参考单价[%1]无效").arg(level));
    return QString::number(21 + level);
}

QString goodsSegment(const Request& request) {
    if (request.fromDialog) {
        if (request.dialogGoodsId >= 1) {
            return QStringLiteral(";id=") + QString::number(request.dialogGoodsId) +
                   QStringLiteral(";issub=1");
        }
        return query::categorySegment(request.nav, QString());
    }
    return query::categorySegment(request.nav, request.quickText);
}

ParamList buildParams(const Request& request) {
    if (request.qtyIndex < 0 || request.qtyIndex > 2)
        throw DytError(QStringLiteral("数量过滤条件[%1]无效").arg(request.qtyIndex));
    const QString czy = op(request.operatorId);
    ParamList p;
    p.setValue(QStringLiteral("QueryType"), text::queryType());
    p.setValue(QStringLiteral("ckStr"), warehouseString(request.operatorId, request.warehouseId));
    p.setValue(QStringLiteral("goodsStr"),
               QStringLiteral(";sptype=0") + czy + goodsSegment(request));
    p.setValue(QStringLiteral("filter"),
               QStringLiteral(";qty=") + QString::number(request.qtyIndex) +
                   QStringLiteral(";ckj=") + QString::number(request.referencePrice));
    for (const char* key : {"wldwStr", "zyStr", "bmStr", "kmStr"})
        p.setValue(QString::fromLatin1(key), czy);
    return p;
}

QString RowMemory::key(qint64 category) {
    return QStringLiteral("rowindex") + QString::number(category);
}

void RowMemory::store(qint64 category, int row) {
    list_.setInt(key(category), row < 0 ? 0 : row);
}

int RowMemory::row(qint64 category) const {
    return static_cast<int>(list_.intValue(key(category), 0));
}

bool RowMemory::contains(qint64 category) const {
    return list_.contains(key(category));
}

ParamList followOnParams(const QueryDescriptor& target, qint64 operatorId, qint64 goodsId,
                         const QString& warehouseId, const QDate& begin, const QDate& end,
                         int filterIndex) {
    query::checkDateRange(begin, end);
    const QString czy = op(operatorId);
    ParamList p;
    p.setValue(QStringLiteral("QueryType"), target.queryType());
    p.setValue(QStringLiteral("filter"),
               (target.redBillCombo ? QStringLiteral(";isred=") : QStringLiteral(";qty=")) +
                   QString::number(filterIndex));
    for (const char* key : {"wldwStr", "zyStr", "bmStr", "kmStr"})
        p.setValue(QString::fromLatin1(key), czy);
    p.setValue(QStringLiteral("ckStr"), warehouseString(operatorId, warehouseId));
    p.setValue(
        QStringLiteral("GoodsStr"),
        goodsId >= 1 ? czy + QStringLiteral(";isSub=1;id=") + QString::number(goodsId) : czy);
    p.setValue(QStringLiteral("djStr"), billKindList({}));
    p.setValue(QStringLiteral("BeginDate"), query::dateText(begin));
    p.setValue(QStringLiteral("EndDate"), query::dateText(end));
    return p;
}

QString batchDetailRefusal(qint64 sonnum, int costMode) {
    if (sonnum >= 1)
        return text::categoryBatches();
    if (costMode == 0)
        return text::averageCostBatches();
    return {};
}

}  // namespace dyt::client::stockstatus
