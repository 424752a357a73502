#include "client/logic/stocktake.h"

#include "client/logic/stockstatus.h"
#include "common/condition.h"
#include "common/error.h"
#include "common/recordset.h"
#include "common/rounding.h"
#include "protocol/queryparams.h"

namespace dyt::client::stocktake {

QString text::negativeCount(int row) {
    return QStringLiteral("第 %1 行盘点数量不能为负数！").arg(row);
}

QString text::draftMade() {
    return QStringLiteral("已生成盘点单草稿，请在盘点单中核对后过账！");
}

ParamList goodsParams(qint64 operatorId, qint64 warehouseId) {
    stockstatus::Request r;
    r.operatorId = operatorId;
    r.warehouseId = QString::number(warehouseId);
    r.nav.listMode = true;
    ParamList p = stockstatus::buildParams(r);
    // The book quantity of this warehouse only: what the stocktake of it posts against.
    p.setValue(QStringLiteral("ckStr"),
               conditionSegment(QStringLiteral("czy_id"), QString::number(operatorId)) +
                   QStringLiteral(";id=") + QString::number(warehouseId));
    return p;
}

void addCountField(RecordSet& rows) {
    if (!rows.hasField(countField()))
        rows.addField(countField(), FieldType::Float);
}

QList<Count> countsOf(const RecordSet& rows) {
    QList<Count> counts;
    const int goods = rows.fieldIndex(QStringLiteral("sp_id"));
    const int count = rows.fieldIndex(countField());
    if (goods < 0 || count < 0)
        throw DytError(text::nothingCounted());
    for (int r = 0; r < rows.rowCount(); ++r) {
        const QVariant v = rows.at(r, count);
        if (v.isNull() || v.toString().trimmed().isEmpty())
            continue;
        const double qty = v.toDouble();
        if (qty < 0)
            throw DytError(text::negativeCount(r + 1));
        counts.append({rows.at(r, goods).toLongLong(), qty});
    }
    if (counts.isEmpty())
        throw DytError(text::nothingCounted());
    return counts;
}

QString linesText(const QList<Count>& counts, int qtyDot) {
    QStringList lines;
    for (const Count& c : counts) {
        QString qty = QString::number(roundTo(c.qty, qtyDot), 'f', qtyDot);
        if (qty.contains(QLatin1Char('.'))) {
            while (qty.endsWith(QLatin1Char('0')))
                qty.chop(1);
            if (qty.endsWith(QLatin1Char('.')))
                qty.chop(1);
        }
        lines.append(QString::number(c.goodsId) + QLatin1Char(':') + qty);
    }
    return lines.join(QLatin1Char(';'));
}

ParamList draftParams(qint64 warehouseId, const QDate& date, const QString& lines) {
    if (warehouseId <= 0)
        throw DytError(text::noWarehouse());
    ParamList p;
    p.setInt(QStringLiteral("ckid"), warehouseId);
    p.setValue(QStringLiteral("Date"), dateText(date));
    p.setValue(QStringLiteral("Lines"), lines);
    return p;
}

}  // namespace dyt::client::stocktake
