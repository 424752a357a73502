#include "protocol/queryparams.h"

#include "common/condition.h"
#include "common/error.h"
#include "common/groupcondition.h"

namespace dyt {

namespace {

QString op(qint64 operatorId) {
    return conditionSegment(QStringLiteral("czy_id"), QString::number(operatorId));
}

}  // namespace

QString dateText(const QDate& date) {
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

PickedRecord QueryConditions::record(PickerRole role) const {
    return picked.value(static_cast<int>(role));
}

QString categorySegment(const Navigation& nav, const QString& quickText) {
    if (!quickText.isEmpty())
        return conditionSegment(QStringLiteral("allfilter"), quickText);
    if (!nav.listMode)
        return QStringLiteral(";par_id=") + QString::number(nav.category);
    QString s = QStringLiteral(";isList=1");
    if (nav.listCategory > 0)
        s += QStringLiteral(";isList=1;par_id=") + QString::number(nav.listCategory);
    return s;
}

QString groupCondition(qint64 operatorId, PickerKind kind, const QList<RecordGroup>& groups) {
    GroupCondition c;
    c.operatorId = operatorId;
    c.kind = pickerKindName(kind);
    for (const RecordGroup& g : groups) {
        QList<qint64> ids;
        for (const PickedRecord& r : g)
            ids.append(r.id);
        c.groups.append(ids);
    }
    return composeGroupCondition(c);
}

ParamList buildQueryParams(const QueryRequest& request) {
    if (!request.descriptor)
        throw DytError(QStringLiteral("查询窗口没有定义"));
    const QueryDescriptor& d = *request.descriptor;
    const QueryConditions& c = request.conditions;
    const QString czy = op(request.operatorId);
    ParamList p;
    p.setValue(QStringLiteral("QueryType"), d.queryType());
    if (d.billState > 0)
        p.setValue(QStringLiteral("dj_state"), QString::number(d.billState));
    QString filter = d.redBillCombo ? QStringLiteral(";isred=") + QString::number(request.redIndex)
                                    : QStringLiteral(";qty=") + QString::number(request.qtyIndex);
    const PickedRecord region = c.record(PickerRole::Region);
    if (region.id >= 1)
        filter += QStringLiteral(";dqid=") + QString::number(region.id);
    const PickedRecord out = c.record(PickerRole::OutWarehouse);
    if (!c.string(PickerRole::OutWarehouse).isEmpty())
        filter += QStringLiteral(";outckid=") + (out.id >= 1 ? QString::number(out.id) : QString());
    filter += c.extraFilter;
    p.setValue(QStringLiteral("filter"), filter);

    // Tree windows of other base data than goods narrow their own string by the category.
    const bool quick = !request.quickText.isEmpty();
    const QString treeSegment =
        d.tree == QueryTree::None ? QString() : categorySegment(request.nav, request.quickText);
    const auto withTree = [&](QueryTree tree, const QString& s) {
        return d.tree == tree ? s + treeSegment : s;
    };
    p.setValue(QStringLiteral("wldwStr"),
               withTree(QueryTree::Partner, czy + c.string(PickerRole::Partner)));
    p.setValue(QStringLiteral("zyStr"),
               withTree(QueryTree::Employee, czy + c.string(PickerRole::Employee)));
    p.setValue(QStringLiteral("ckStr"),
               withTree(QueryTree::Warehouse, czy + c.string(PickerRole::Warehouse)));
    p.setValue(QStringLiteral("bmStr"),
               withTree(QueryTree::Department, czy + c.string(PickerRole::Department)));
    p.setValue(QStringLiteral("kmStr"), czy);

    // The goods: the picked goods of the page, else the category level (goods trees), or the
    // quick search.
    QString goods;
    const PickedRecord picked = c.record(PickerRole::Goods);
    if (d.tree == QueryTree::Goods) {
        goods = (picked.id >= 1 && !quick) ? QStringLiteral(";id=") + QString::number(picked.id) +
                                                 QStringLiteral(";issub=1")
                                           : treeSegment;
    } else if (picked.id >= 1) {
        goods = QStringLiteral(";id=") + QString::number(picked.id) + QStringLiteral(";issub=1");
    }
    const QString goodsKey = d.goodsKey.isEmpty() ? QStringLiteral("GoodsStr") : d.goodsKey;
    if (d.subject == QuerySubject::StockStatus)
        p.setValue(goodsKey, QStringLiteral(";sptype=0") + czy + goods);
    else
        p.setValue(goodsKey, czy + goods);

    p.setValue(QStringLiteral("djStr"), c.billTypes.isEmpty() ? billKindList({}) : c.billTypes);
    if (c.dates) {
        p.setValue(QStringLiteral("BeginDate"), dateText(c.begin));
        p.setValue(QStringLiteral("EndDate"), dateText(c.end));
    }
    if (c.secondDates) {
        p.setValue(QStringLiteral("BeginDate2"), dateText(c.begin2));
        p.setValue(QStringLiteral("EndDate2"), dateText(c.end2));
    }
    if (!c.groups.isEmpty())
        p.setValue(QStringLiteral("GroupStr"),
                   groupCondition(request.operatorId, c.groupKind, c.groups));
    return p;
}

ParamList buildTreeParams(QueryTree tree, qint64 operatorId) {
    const QString czy = op(operatorId);
    ParamList p;
    p.setValue(QStringLiteral("QueryType"), treeQueryType(tree));
    for (const char* key : {"wldwStr", "zyStr", "ckStr", "bmStr", "kmStr"})
        p.setValue(QString::fromLatin1(key), czy);
    p.setValue(QStringLiteral("GoodsStr"), czy + QStringLiteral(";TreeView=1"));
    return p;
}

ParamList buildLedgerParams(const QString& parentParams, const QueryDescriptor& ledger,
                            qint64 operatorId, qint64 recordId, int redIndex, QuerySubject parent) {
    ParamList p(parentParams);
    p.setValue(QStringLiteral("QueryType"), ledger.queryType());
    p.setValue(QStringLiteral("filter"), QStringLiteral(";isred=") + QString::number(redIndex));
    if (parent == QuerySubject::Partner) {
        p.setValue(QStringLiteral("wldwStr"),
                   op(operatorId) + QStringLiteral(";issub=1;id=") + QString::number(recordId));
        return p;
    }
    p.remove(QStringLiteral("goodsStr"));
    p.setValue(QStringLiteral("GoodsStr"),
               op(operatorId) + QStringLiteral(";isSub=1;id=") + QString::number(recordId));
    return p;
}

}  // namespace dyt
