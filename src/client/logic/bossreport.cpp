#include "client/logic/bossreport.h"

#include "client/logic/gridvalues.h"
#include "common/recordset.h"
#include "protocol/querydescriptors.h"
#include "protocol/queryparams.h"

namespace dyt::client::boss {

namespace {

QString operatorSegment(qint64 operatorId) {
    return QStringLiteral(";czy_id=") + QString::number(operatorId);
}

ParamList reportParams(qint64 operatorId, const QString& queryType, const QString& filter,
                       const QDate& begin, const QDate& end) {
    ParamList p;
    p.setValue(QStringLiteral("QueryType"), queryType);
    p.setValue(QStringLiteral("filter"), filter);
    const QString czy = operatorSegment(operatorId);
    for (const char* line : {"wldwStr", "zyStr", "ckStr", "bmStr", "kmStr", "GoodsStr"})
        p.setValue(QLatin1String(line), czy);
    p.setValue(QStringLiteral("BeginDate"), dateText(begin));
    p.setValue(QStringLiteral("EndDate"), dateText(end));
    return p;
}

// The totals by item number as the server numbers them, and where each leads.
struct TargetRow {
    int item;
    const char16_t* name;
    int functionCode;
    int account;
    const char16_t* title;
};
constexpr TargetRow kTargets[] = {
    {1, u"进货金额", 30031301, 0, u""},
    {2, u"进货退货金额", 30031302, 0, u""},
    {3, u"销售金额", 30041801, 0, u""},
    {4, u"销售退货金额", 30041802, 0, u""},
    {6, u"应收款余额", 300601, 0, u""},
    {7, u"应付款余额", 300601, 0, u""},
    {8, u"库存金额", 300501, 0, u""},
    {9, u"现金", 0, 8, u"现金"},
    {10, u"银行存款", 0, 9, u"全部银行存款合计"},
    {11, u"收入", 0, 3, u"【收入类】"},
    {12, u"支出", 0, 4, u"【支出类】"},
};

}  // namespace

QStringList text::analyses() {
    return {QStringLiteral("本期销售额分析"), QStringLiteral("月度销售额趋势"),
            QStringLiteral("月度回款额趋势"), QStringLiteral("月度销售毛利趋势"),
            QStringLiteral("月度净利润趋势")};
}

ParamList totalsParams(qint64 operatorId, const QDate& begin, const QDate& end) {
    return reportParams(operatorId, text::totalsType(), QString(), begin, end);
}

ParamList analysisParams(qint64 operatorId, const QDate& begin, const QDate& end, int index) {
    return reportParams(operatorId, text::analysisType(),
                        QStringLiteral(";ListItem=") + QString::number(index), begin, end);
}

TotalTarget totalTarget(qint64 item, const QString& name) {
    const TargetRow* hit = nullptr;
    for (const TargetRow& row : kTargets) {
        if (item > 0 ? row.item == item : name.trimmed() == QString::fromUtf16(row.name))
            hit = &row;
    }
    if (!hit)
        return {};
    return {hit->functionCode, hit->account, QString::fromUtf16(hit->title)};
}

QList<ChartPoint> chartPoints(const RecordSet& rows) {
    QList<ChartPoint> points;
    const int label = rows.fieldIndex(QStringLiteral("fullname"));
    const int value = rows.fieldIndex(QStringLiteral("total"));
    if (label < 0 || value < 0)
        return points;
    for (int r = 0; r < rows.rowCount(); ++r)
        points.append(
            {rows.at(r, label).toString(), gridfilter::cellNumber(rows.at(r, value)).value_or(0)});
    return points;
}

bool lineDrawable(const QList<ChartPoint>& points) {
    return points.size() >= 2;
}

ParamList accountLedgerParams(qint64 operatorId, qint64 account, const QDate& begin,
                              const QDate& end) {
    QueryRequest r;
    r.descriptor = findQueryDescriptor(QStringLiteral("TfrmQKMMX"));
    r.operatorId = operatorId;
    r.conditions.begin = begin;
    r.conditions.end = end;
    ParamList p = buildQueryParams(r);
    p.setValue(QStringLiteral("kmStr"),
               operatorSegment(operatorId) + QStringLiteral(";id=") + QString::number(account));
    return p;
}

}  // namespace dyt::client::boss
