#include "client/logic/stockfollowups.h"

#include <QSet>

#include "common/error.h"
#include "common/recordset.h"

namespace dyt::client::stockfollow {

namespace {

QString dateText(const QDate& date) {
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

QString number(double value, int places) {
    QString t = QString::number(value, 'f', std::max(0, places));
    if (t.contains(u'.')) {
        while (t.endsWith(u'0'))
            t.chop(1);
        if (t.endsWith(u'.'))
            t.chop(1);
    }
    return t;
}

double limitOf(const QString& text, const QString& what) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return 0;
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok)
        throw DytError(QStringLiteral("[%1]不是有效的数字：%2").arg(what, t));
    if (v < 0)
        throw DytError(what + QStringLiteral("不能小于0"));
    return v;
}

}  // namespace

QString text::draftMade(const QString& code) {
    return QStringLiteral("已生成进货单草稿[%1]，请在进货单中核对后过账！").arg(code);
}

QList<qint64> goodsOf(const RecordSet& rows, const QList<int>& rowIndexes) {
    const int f = rows.fieldIndex(QStringLiteral("sp_id"));
    QList<qint64> out;
    QSet<qint64> seen;
    for (int r : rowIndexes) {
        if (f < 0 || r < 0 || r >= rows.rowCount())
            continue;
        const qint64 id = rows.at(r, f).toLongLong();
        if (id > 0 && !seen.contains(id)) {
            seen.insert(id);
            out << id;
        }
    }
    return out;
}

ParamList warnDraftParams(const QString& alertParams, const QList<qint64>& goods,
                          const QDate& date) {
    ParamList p(alertParams);
    QStringList ids;
    for (qint64 id : goods)
        ids << QString::number(id);
    p.setValue(QStringLiteral("Goods"), ids.join(u','));
    p.setValue(QStringLiteral("date"), dateText(date));
    return p;
}

QString planLines(const RecordSet& rows, const QList<int>& rowIndexes, int qtyDot, int priceDot) {
    const int fGoods = rows.fieldIndex(QStringLiteral("sp_id"));
    const int fQty = rows.fieldIndex(QStringLiteral("Qty"));
    const int fPrice = rows.fieldIndex(QStringLiteral("price"));
    QStringList lines;
    for (int r : rowIndexes) {
        if (fGoods < 0 || fQty < 0 || r < 0 || r >= rows.rowCount())
            continue;
        const double qty = rows.at(r, fQty).toDouble();
        const qint64 goods = rows.at(r, fGoods).toLongLong();
        if (qty <= 0 || goods <= 0)
            continue;
        const double price = fPrice >= 0 ? rows.at(r, fPrice).toDouble() : 0.0;
        lines << QStringLiteral("%1:%2:%3")
                     .arg(goods)
                     .arg(number(qty, qtyDot), number(price, priceDot));
    }
    if (lines.isEmpty())
        throw DytError(text::nothingToOrder());
    return lines.join(u';');
}

ParamList planDraftParams(qint64 partnerId, qint64 warehouseId, const QDate& date) {
    ParamList p;
    p.setInt(QStringLiteral("djType"), kPurchaseBill);
    p.setValue(QStringLiteral("date"), dateText(date));
    p.setInt(QStringLiteral("wldw_id"), std::max<qint64>(0, partnerId));
    p.setInt(QStringLiteral("IntoStock_id"), std::max<qint64>(0, warehouseId));
    p.setValue(QStringLiteral("comment"), QStringLiteral("由商品智能补货计划生成"));
    return p;
}

ParamList limitParams(qint64 goodsId, const QString& warnUp, const QString& warnDown) {
    const double up = limitOf(warnUp, QStringLiteral("库存上限"));
    const double down = limitOf(warnDown, QStringLiteral("库存下限"));
    if (up > 0 && down > up)
        throw DytError(QStringLiteral("库存上限必须大于库存下限"));
    ParamList p;
    p.setInt(QStringLiteral("goodsid"), goodsId);
    p.setValue(QStringLiteral("stockid"), QStringLiteral("0"));
    p.setValue(QStringLiteral("warnUp"), number(up, 8));
    p.setValue(QStringLiteral("warnDown"), number(down, 8));
    return p;
}

}  // namespace dyt::client::stockfollow
