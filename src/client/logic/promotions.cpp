#include "client/logic/promotions.h"

#include <cmath>

#include "common/condition.h"
#include "common/currency.h"
#include "common/sqltext.h"

namespace dyt::client::promo {

namespace text {

QString enter(const QString& caption) {
    return QStringLiteral("请输入") + caption;
}
QString choose(const QString& caption) {
    return QStringLiteral("请选择") + caption;
}
QString headerEmpty(const QString& caption) {
    return u'[' + caption + QStringLiteral("]不能为空，请重新输入");
}
QString lineQtyError(int line) {
    return QStringLiteral("第 %1 行输入错误,数量必须大于 0").arg(line);
}
QString linePriceError(int line) {
    return QStringLiteral("第 %1 行输入错误:促销价格必须大于 0").arg(line);
}
QString lineExists(int line, const QString& goodsName) {
    return QStringLiteral("第 %1 行：").arg(line) + goodsName +
           QStringLiteral(" 已存在，不能添加，是否继续保存下一行！");
}
QString savedCount(int count) {
    return QStringLiteral("本次共计保存成功 %1 条").arg(count);
}
QString defaultGiftText(qint64 buy, qint64 give) {
    return QStringLiteral("买 %1 赠 %2").arg(buy).arg(give);
}
QStringList userFields() {
    return QString::fromUtf8(
               "自定义一 自定义二 自定义三 自定义四 自定义五 自定义六 自定义七 "
               "自定义八 自定义九 自定义十")
        .split(u' ');
}

}  // namespace text

namespace {

QString operatorCondition(qint64 operatorId, qint64 picked) {
    ConditionString c;
    c.add(QStringLiteral("czy_id"), operatorId);
    if (picked > 0)
        c.add(QStringLiteral("id"), picked);
    return c.toString();
}

QString wholeText(double v) {
    return QString::number(static_cast<qint64>(std::llround(v)));
}

}  // namespace

ParamList listParams(qint64 operatorId, qint64 partnerId, qint64 goodsId, bool includeStopped) {
    ParamList p;
    p.setValue(QStringLiteral("QueryType"), text::queryType());
    const QString own = operatorCondition(operatorId, 0);
    p.setValue(QStringLiteral("wldwStr"), operatorCondition(operatorId, partnerId));
    for (const char* key : {"zyStr", "ckStr", "bmStr", "kmStr"})
        p.setValue(QString::fromLatin1(key), own);
    p.setValue(QStringLiteral("GoodsStr"), operatorCondition(operatorId, goodsId));
    p.setValue(QStringLiteral("filter"), includeStopped ? QStringLiteral(";isstop=1") : QString());
    return p;
}

ParamList recordParams(qint64 id) {
    ParamList p;
    p.setValue(QStringLiteral("QueryType"), text::queryType());
    p.setValue(QStringLiteral("filter"), QStringLiteral(";id=%1").arg(id));
    return p;
}

ParamList deleteParams(qint64 id) {
    ParamList p;
    p.setInt(QStringLiteral("id"), id);
    p.setValue(QStringLiteral("del"), QStringLiteral("1"));
    return p;
}

ParamList saveParams(const Agreement& a) {
    ParamList p;
    p.setInt(QStringLiteral("id"), a.id);
    p.setValue(QStringLiteral("name"), a.name.trimmed());
    p.setInt(QStringLiteral("khid"), a.partnerId);
    p.setInt(QStringLiteral("goodsid"), a.goodsId);
    p.setValue(QStringLiteral("BeginDate"), a.begin);
    p.setValue(QStringLiteral("EndDate"), a.end);
    p.setValue(QStringLiteral("ismzcx"), a.gift ? QStringLiteral("1") : QStringLiteral("0"));
    p.setValue(QStringLiteral("isjgcx"), a.price ? QStringLiteral("1") : QStringLiteral("0"));
    p.setValue(QStringLiteral("gmsl"), wholeText(a.buy));
    p.setValue(QStringLiteral("zssl"), wholeText(a.give));
    p.setValue(QStringLiteral("mzsm"), a.giftText.trimmed());
    p.setValue(QStringLiteral("cxPrice"), Currency::fromDouble(a.promotionPrice).toString());
    p.setValue(QStringLiteral("comment"), a.comment.trimmed());
    for (int i = 0; i < 10; ++i)
        p.setValue(QStringLiteral("zidingyi%1").arg(i + 1), a.userFields[i].trimmed());
    return p;
}

QString toggleStopSql(const QList<qint64>& ids) {
    QStringList parts;
    for (qint64 id : ids)
        parts << QStringLiteral(
                     "Update basecuxiao set isstop = case when isstop = 1 then 0 else 1 end "
                     "where id = ") +
                     QString::number(id);
    return parts.join(QStringLiteral("\r\n"));
}

QString overlapSql(Mode mode, qint64 partnerId, qint64 goodsId, const QString& begin,
                   const QString& end) {
    const QString b = sqlQuoted(begin);
    const QString e = sqlQuoted(end);
    return QStringLiteral(
               "  SELECT * FROM baseCuXiao AS a  \tWHERE a.del = 0 AND A.isStop = 0  "
               "     \tAND ") +
           (mode == Mode::Gift ? QStringLiteral("a.ismzcx = 1") : QStringLiteral("a.isjgcx = 1")) +
           QStringLiteral("                         \tAND a.khid = ") + QString::number(partnerId) +
           QStringLiteral("\tAND a.goodsid = ") + QString::number(goodsId) +
           QStringLiteral("\tAND ((a.BeginDate <= ") + e + QStringLiteral(") AND (") + b +
           QStringLiteral(" <= a.EndDate))");
}

std::optional<QString> editorError(const Agreement& a) {
    if (a.begin > a.end)
        return text::beginAfterEnd();
    if (!a.gift && !a.price)
        return text::noMode();
    if (a.buy < 0)
        return text::buyNegative();
    if (a.give < 0)
        return text::giveNegative();
    if (a.promotionPrice < 0)
        return text::priceNegative();
    return std::nullopt;
}

std::optional<QString> lineError(Mode mode, int line, double buy, double give, double price) {
    if (mode == Mode::Gift && (buy <= 0 || give <= 0))
        return text::lineQtyError(line);
    if (mode == Mode::Price && price <= 0)
        return text::linePriceError(line);
    return std::nullopt;
}

}  // namespace dyt::client::promo
