#include "client/logic/billsql.h"

#include <QStringList>

#include "common/sqltext.h"

namespace dyt::client {

using namespace Qt::StringLiterals;

namespace billsql {

QString lineNoteUpdate(qint64 lineId, const QString& storedNote) {
    return u"Update djList set comment = "_s + sqlQuoted(storedNote) + u" where orderid = "_s +
           QString::number(lineId);
}

QString goodsDistribution(qint64 goodsId) {
    return u" SELECT b.code AS ck_code,b.fullname AS ck_fullname,SUM(a.qty) AS qty,"
           u"SUM(a.total) AS total FROM baseGoodsStock AS a,baseCK AS b WHERE a.stockid = "
           u"b.id AND a.goodsid = "_s +
           QString::number(goodsId) +
           u" GROUP BY b.code,b.fullname HAVING SUM(a.qty) <> 0 ORDER BY b.code"_s;
}

QString recentPrices(int djType, qint64 goodsId) {
    return u" SELECT TOP 50 a.date,a.code,c.fullname AS dw_fullname,b.qty,b.price,"
           u"b.discount,b.discountprice,b.taxprice FROM djIndex AS a,djList AS b,baseWLDW "
           u"AS c WHERE a.id = b.id AND a.wldw_id = c.id AND a.dj_state = 2 AND a.isred = 0 "
           u"AND a.isredword = 0 AND a.djType = "_s +
           QString::number(djType) + u" AND b.goodsid = "_s + QString::number(goodsId) +
           u" ORDER BY a.date DESC,a.id DESC"_s;
}

QString settlements(int djType, qint64 partnerId, qint64 billId) {
    return u" SELECT a.date,a.code,a.total,a.youhuiTotal,(SELECT SUM(x.total) FROM djList "
           u"AS x WHERE x.id = a.id AND x.km_id = 0 AND x.s_id = "_s +
           QString::number(billId) +
           u") AS settled,d.fullname AS jsr_fullname,a.summery FROM djIndex AS a LEFT JOIN "
           u"baseZY AS d ON a.jsr_id = d.id WHERE a.dj_state = 2 AND a.isred = 0 AND "
           u"a.isredword = 0 AND a.djType = "_s +
           QString::number(djType) + u" AND a.wldw_id = "_s + QString::number(partnerId) +
           u" ORDER BY a.date DESC,a.id DESC"_s;
}

QString auditUpdate(const QString& field, qint64 performer, qint64 billId) {
    return u"Update djindex set "_s + field + u" = "_s + QString::number(performer) +
           u" where id = "_s + QString::number(billId);
}

QString postedAccounts(qint64 billId) {
    return u"SELECT a.*,a.dbTotal - a.LendTotal AS total,b.fullname  FROM "
           u"djKmDetail AS a,baseKM AS b WHERE a.dj_state = 2 and a.type in (1,2) and a.km_id = "
           u"b.id and a.id = "_s +
           QString::number(billId);
}

QString printLimits(qint64 billId) {
    return u" select a.printnum,b.printNumSum,b.printisCheck,b.printPassword "
           u" from djindex AS a,sysDjb AS b    WHERE a.djType = b.id AND "
           u"a.id = "_s +
           QString::number(billId);
}

QString printProcedure() {
    return u"p_sys_Up_DJPrint"_s;
}

ParamList printParams(qint64 billId, int copies, const QString& password) {
    ParamList p;
    p.setInt(u"id"_s, billId);
    p.setInt(u"PrintNum"_s, copies);
    p.setValue(u"PrintPassword"_s, password);
    return p;
}

QString assetCards(const QList<qint64>& ids) {
    QStringList list;
    for (qint64 id : ids)
        list.append(QString::number(id));
    return u"Select [id],[code],[Name],[yz],[ljzj],[czl],[zjys],[isSold] From GDZCDetail where "
           u"id in ("_s + list.join(u',') +
           u")"_s;
}

}  // namespace billsql

namespace goodsbillsql {

QString employeeDepartment(qint64 employeeId) {
    return u"SELECT a.depid AS zy_zybmid,b.fullname AS zy_zybm FROM baseZY AS a LEFT "
           u"JOIN baseBM AS b ON a.depid = b.id WHERE a.id = "_s +
           QString::number(employeeId);
}

QString employee(qint64 employeeId) {
    return u"SELECT a.id,a.fullname,a.depid AS zy_zybmid,b.fullname AS zy_zybm FROM "
           u"baseZY AS a LEFT JOIN baseBM AS b ON a.depid = b.id WHERE a.id = "_s +
           QString::number(employeeId);
}

QString partnerBalances(qint64 partnerId) {
    return u"SELECT ystotal-yftotal as ystotal,yftotal - ystotal as yftotal,yushoutotal - "
           u"yufuTotal as yushoutotal,yufutotal - yushoutotal as yufutotal FROM baseWLDW WHERE id = "_s +
           QString::number(partnerId);
}

QString lastDiscountRate(qint64 partnerId, int djType) {
    return u"SELECT TOP 1 a.YouHuiBiLv   FROM djIndex AS a  WHERE a.dj_state <> 0 "
           u"AND a.isred = 0 AND a.wldw_id = "_s +
           QString::number(partnerId) + u" AND a.djType = "_s + QString::number(djType) +
           u" ORDER BY a.id desc"_s;
}

QString shelfDays(qint64 goodsId) {
    return u"select yxqNum from baseGoods where id = "_s + QString::number(goodsId);
}

QString auxQuantities(const QString& goodsUnitQuantity) {
    const QString& args = goodsUnitQuantity;
    return u"select dbo.fnGetBaseGoodsFZQty("_s + args + u",0) fzQty "_s +
           u",dbo.fnGetBaseGoodsFZQty("_s + args + u",1) fzQty1 "_s +
           u",dbo.fnGetBaseGoodsFZQty("_s + args + u",2) fzQty2 "_s;
}

QString discountCeiling(qint64 operatorId) {
    return u"SELECT YouHuiTotalUp AS zy_YouHuiTotalUp FROM baseZY WHERE id = "_s +
           QString::number(operatorId);
}

QString unitPrices(qint64 goodsId, qint64 unitId) {
    return u" select k.id,k.goodsid as sp_id ,k.latestBuyPrice,k.lowestSalePrice"
           u" from baseGoodsunit as k  where k.goodsid = "_s +
           QString::number(goodsId) + u" and k.fzdwid = "_s + QString::number(unitId);
}

QString leafWarehouses() {
    return u"SELECT id,fullname FROM baseCK WHERE sonnum = 0 AND isnull(del,0) = 0"_s;
}

QString billAccounts(const QString& billId, int type) {
    return u" select b.fullname,a.dbTotal + a.LendTotal as total   FROM "
           u"djKmDetail AS a,baseKM AS b WHERE a.km_id = b.id AND a.id = "_s +
           billId + u" AND a.type = "_s + QString::number(type);
}

QString billAccountIds(const QString& billId, int type) {
    return u"SELECT a.km_id,b.fullname,a.dbTotal + a.LendTotal AS total "
           u"FROM djKmDetail AS a,baseKM AS b WHERE a.km_id = b.id AND "
           u"a.id = "_s +
           billId + u" AND a.type = "_s + QString::number(type);
}

QString partnerTotal(qint64 partnerId) {
    return u"SELECT dbo.fnGetWldwTotal00("_s + QString::number(partnerId) +
           u",'2990-01-01') as total"_s;
}

QString invoicedBills(const QList<qint64>& ids) {
    QString list = u"0"_s;
    for (qint64 id : ids)
        list += u","_s + QString::number(id);
    return u"SELECT a.id, a.code, a.djname, a.date, a.taxTotalSum FROM djIndex AS a WHERE a.id IN ("_s +
           list + u")"_s;
}

}  // namespace goodsbillsql

}  // namespace dyt::client
