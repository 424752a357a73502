#include "client/logic/alerts.h"

#include "common/condition.h"

namespace dyt::client::alerts {

namespace {

constexpr const char16_t* kKindNames[kKindCount] = {
    u"库存商品上限", u"库存商品下限", u"库存商品保质期", u"超期应收款",
    u"超期应付款",   u"应收款上限",   u"应付款上限",
};

constexpr int kSalesBill = 1;
constexpr int kPurchaseBill = 5;

QString operatorSegment(qint64 operatorId) {
    return conditionSegment(QStringLiteral("czy_id"), QString::number(operatorId));
}

Column hidden(const char* field) {
    return {QString::fromLatin1(field), QString::fromLatin1(field), 0};
}

Column shown(const char* field, const char16_t* caption, int width = 80) {
    return {QString::fromLatin1(field), QString::fromUtf16(caption), width};
}

}  // namespace

QString kindName(int kind) {
    if (kind < 1 || kind > kKindCount)
        return {};
    return QString::fromUtf16(kKindNames[kind - 1]);
}

QString kindListSql() {
    QStringList rows;
    for (int kind = 1; kind <= kKindCount; ++kind) {
        rows << QStringLiteral("        SELECT '  ' as par_jl, %1 AS id,0 AS leveal,'%2' AS fullname")
                    .arg(kind)
                    .arg(kindName(kind));
    }
    return rows.join(QStringLiteral(" union all"));
}

bool listsBills(int kind) {
    return kind == kOverdueReceivables || kind == kOverduePayables;
}

bool usesStockReport(int kind) {
    return kind == kStockAbove || kind == kStockBelow;
}

ParamList stockLimitParams(int kind, qint64 operatorId, qint64 warehouseId) {
    const QString who = operatorSegment(operatorId);
    const QString id = QString::number(warehouseId);
    ParamList p;
    p.setValue(QStringLiteral("QueryType"),
               kind == kStockAbove ? QStringLiteral("KCSXBJ") : QStringLiteral("KCXXBJ"));
    p.setValue(QStringLiteral("filter"),
               QStringLiteral(";bjfs=") + (warehouseId > 0 ? u'1' : u'0'));
    p.setValue(QStringLiteral("wldwStr"), who);
    p.setValue(QStringLiteral("zyStr"), who + QStringLiteral(";candel=0"));
    p.setValue(QStringLiteral("ckStr"), who + (kind == kStockAbove ? QStringLiteral(";id=")
                                                                   : QStringLiteral(";issub=1;id=")) +
                                            id);
    p.setValue(QStringLiteral("bmStr"), who);
    p.setValue(QStringLiteral("kmStr"), who);
    p.setValue(QStringLiteral("GoodsStr"), who);
    p.setValue(QStringLiteral("djStr"), QString());
    return p;
}

QString kindSql(int kind, const QDate& today, int advanceDays, int settlementMode) {
    const QString day = today.toString(QStringLiteral("yyyy-MM-dd"));
    const QString n = QString::number(advanceDays);
    switch (kind) {
        case kShelfLife:
            return QStringLiteral(
                       "SELECT a.id AS sp_id,b.stockid AS ck_id,b.Qty,b.price,a.yxqNum AS baozhiqi  "
                       ",b.outdate AS shengchanriqi    ,CONVERT(varchar(10),CONVERT(datetime,"
                       "b.outdate)+a.yxqNum,20) AS daoqiriqi  FROM baseGoods AS a,baseGoodsStock AS "
                       "b  WHERE a.ID = b.goodsid AND b.outdate <> ''  AND CONVERT(varchar(10),"
                       "CONVERT(datetime,b.outdate)+a.yxqNum - a.jxqNum - ") +
                   n + QStringLiteral(" ,20) <= '") + day + u'\'';
        case kOverdueReceivables:
        case kOverduePayables: {
            const bool sales = kind == kOverdueReceivables;
            // A bill is overdue from its payment date on and is warned of the advance days
            // before; one paid in full is no longer owed.
            return QStringLiteral(
                       " SELECT a.id,a.djType,a.code,a.wldw_id AS dw_id  ,a.taxTotalSum as "
                       "jiashuiheji,a.sfkTotalLj as ") +
                   (sales ? QStringLiteral("yishoujine") : QStringLiteral("yifujine")) +
                   QStringLiteral("  ,a.sfkDate as qixianriqi,a.taxTotalSum - a.sfkTotalLj AS "
                                  "qiankuanjine FROM djIndex AS a WHERE a.dj_state = 2  AND "
                                  "a.isred = 0 AND a.djType IN (") +
                   QString::number(sales ? kSalesBill : kPurchaseBill) +
                   QStringLiteral(") AND a.sfkDate <> '' AND a.sfkdate <> a.date AND  0 = ") +
                   QString::number(settlementMode) +
                   QStringLiteral(" AND a.taxTotalSum - a.sfkTotalLj > 0 AND "
                                  "CONVERT(varchar(10),CONVERT(datetime,a.sfkDate) - ") +
                   n + QStringLiteral(" ,20) <= '") + day + u'\'';
        }
        case kReceivableAboveLimit:
            return QStringLiteral(
                "  SELECT * ,a.id as dw_id  FROM baseWLDW AS a WHERE a.sonnum = 0 AND a.del = 0 "
                "AND a.ystotal > a.ys_xyd AND a.ys_xyd > 0");
        case kPayableAboveLimit:
            return QStringLiteral(
                "  SELECT * ,a.id as dw_id  FROM baseWLDW AS a WHERE a.sonnum = 0 AND a.del = 0 "
                "AND a.yftotal > a.yf_xyd AND a.yf_xyd > 0");
        default:
            return {};
    }
}

QList<Column> goodsColumns() {
    return {shown("sp_spbh", u"[]商品编号", 90), shown("sp_spqm", u"[]商品全名", 160),
            shown("sp_gg", u"[]规格", 70),       shown("sp_xh", u"[]型号", 70),
            shown("sp_cd", u"[]产地", 70),       shown("sp_jbdw", u"[]单位", 50)};
}

QList<Column> partnerColumns() {
    return {shown("dw_dwbh", u"[]单位编号", 90), shown("dw_dwqm", u"[]单位全名", 160)};
}

QList<Column> columnsOf(int kind) {
    QList<Column> c;
    switch (kind) {
        case kStockAbove:
        case kStockBelow:
            c << hidden("id") << hidden("sp_id") << goodsColumns()
              << shown("KCQty", u"[%Q%]库存数量")
              << (kind == kStockAbove ? shown("warnUp", u"[%Q%]库存上限")
                                      : shown("warnDown", u"[%Q%]库存下限"))
              << shown("qty", u"[%Q%]调整数量");
            break;
        case kShelfLife:
            c << hidden("id") << hidden("sp_id") << hidden("ck_id") << goodsColumns()
              << shown("ck_ckqm", u"[]仓库", 100) << shown("Qty", u"[%Q%]库存数量")
              << shown("Price", u"[%P%Cost%]成本单价") << shown("baozhiqi", u"[%Q%]保质期")
              << shown("shengchanriqi", u"生产日期") << shown("daoqiriqi", u"到期日期");
            break;
        case kOverdueReceivables:
        case kOverduePayables:
            c << hidden("id") << hidden("djType") << hidden("dw_id") << partnerColumns()
              << shown("code", u"单据编号", 150) << shown("jiashuiheji", u"[%Q%]价税合计")
              << (kind == kOverdueReceivables ? shown("yishoujine", u"[%P%]已收金额")
                                              : shown("yifujine", u"[%P%]已付金额"))
              << shown("qixianriqi", u"[%Q%]期限日期") << shown("qiankuanjine", u"欠款金额");
            break;
        case kReceivableAboveLimit:
            c << hidden("id") << hidden("dw_id") << partnerColumns()
              << shown("ystotal", u"[%M%]应收金额") << shown("ys_xyd", u"[%M%]应收上限");
            break;
        case kPayableAboveLimit:
            c << hidden("id") << hidden("dw_id") << partnerColumns()
              << shown("yftotal", u"[%M%]应付金额") << shown("yf_xyd", u"[%M%]应付上限");
            break;
        default:
            break;
    }
    return c;
}

QStringList daySettingNames() {
    return {QStringLiteral("保质期提前报警天数"), QStringLiteral("超期应收款提前报警天数"),
            QStringLiteral("超期应付款提前报警天数"), QStringLiteral("进货订单提前报警天数"),
            QStringLiteral("销售订单提前报警天数")};
}

QString popupSql(bool on) {
    return QStringLiteral("Update sysconf set sysvalue = ") + (on ? u'1' : u'0') +
           QStringLiteral("  where id = 2017 ");
}

ParamList daySettingParams(const QString& name, int days) {
    ParamList p;
    p.setValue(QStringLiteral("Name"), name);
    p.setValue(QStringLiteral("DefValue"), QString::number(days));
    return p;
}

}  // namespace dyt::client::alerts
