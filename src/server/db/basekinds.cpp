// The base-data kinds of the list windows and record editors.
#include "server/db/basekinds.h"

#include <QDateTime>

#include "server/db/database.h"

namespace dyt::server::base {

namespace {

EditField text(const char* name, const char* caption) {
    return {QString::fromLatin1(name), FieldKind::Text, QString::fromUtf8(caption)};
}
EditField integer(const char* name, const char* caption) {
    return {QString::fromLatin1(name), FieldKind::Integer, QString::fromUtf8(caption)};
}
EditField number(const char* name, const char* caption) {
    return {QString::fromLatin1(name), FieldKind::Number, QString::fromUtf8(caption)};
}
EditField money(const char* name, const char* caption) {
    return {QString::fromLatin1(name), FieldKind::Money, QString::fromUtf8(caption)};
}
EditField date(const char* name, const char* caption) {
    return {QString::fromLatin1(name), FieldKind::Date, QString::fromUtf8(caption)};
}

// code, fullname and pym, which every kind has.
QList<EditField> treeFields() {
    return {text("code", "编号"), text("fullname", "全名"), text("pym", "拼音码")};
}

QList<EditField> userFields() {
    QList<EditField> out;
    for (int i = 1; i <= 10; ++i) {
        out.append(
            {QStringLiteral("bz%1").arg(i), FieldKind::Text, QStringLiteral("自定义%1").arg(i)});
    }
    return out;
}

const QString kStopName =
    QStringLiteral(", CASE WHEN t.isstop = 1 THEN '是' ELSE '否' END AS stopName");

QList<BaseKind> build() {
    QList<BaseKind> out;

    BaseKind goods;
    goods.caption = QStringLiteral("商品");
    goods.queryTypes = {QStringLiteral("SP")};
    goods.table = QStringLiteral("baseGoods");
    goods.conditionKey = QStringLiteral("GoodsStr");
    goods.rightsTable = QStringLiteral("baseGoodsPurview");
    goods.saveProc = QStringLiteral("p_base_Up_Goods");
    goods.hasStop = goods.hasName = goods.hasUpdateTime = true;
    // The goods list carries the columns the list window shows; the editor reads the whole record.
    goods.listFields = QStringLiteral(
        "t.id, t.par_id, t.par_jl, t.leveal, t.sonnum, t.code, t.fullname, t.name, t.pym, t.gg, "
        "t.xh, t.addr, t.isstop, t.costmode, t.spType, t.comment, t.YouWuTuPian, t.orderly");
    goods.listColumns =
        kStopName + QStringLiteral(
                        ", COALESCE(u.unit, '') AS unitName, COALESCE(u.barcode, '') AS barcode, "
                        "COALESCE(u.price, 0) AS LSprice, COALESCE(u.price1, 0) AS price1, "
                        "COALESCE(u.price2, 0) AS price2, COALESCE(u.price3, 0) AS price3, "
                        "COALESCE(w.fullname, '') AS wldwName");
    goods.listJoins = QStringLiteral(
        " LEFT JOIN baseGoodsUnit AS u ON u.Goodsid = t.id AND u.fzdwid = 0"
        " LEFT JOIN baseWLDW AS w ON w.id = t.wldw_id");
    goods.fields = treeFields();
    goods.fields << text("name", "简名") << text("gg", "规格") << text("xh", "型号")
                 << text("addr", "产地") << integer("costmode", "成本核算方法")
                 << integer("spType", "商品类型") << integer("isstop", "停用")
                 << integer("isCanYuZheShangZhe", "参与折上折") << integer("yxqNum", "保质期天数")
                 << integer("jxqNum", "近效期天数") << number("warnUP", "库存上限")
                 << number("warnDown", "库存下限") << integer("wldw_id", "默认供应商")
                 << text("fdwName", "辅助单位") << integer("tcfs", "提成方式")
                 << text("comment", "备注");
    goods.fields << userFields();
    out.append(goods);

    BaseKind zy;
    zy.caption = QStringLiteral("职员");
    zy.queryTypes = {QStringLiteral("ZY")};
    zy.table = QStringLiteral("baseZY");
    zy.conditionKey = QStringLiteral("zyStr");
    zy.rightsTable = QStringLiteral("basezyPurview");
    zy.saveProc = QStringLiteral("p_Base_Up_ZY");
    zy.deleteProc = QStringLiteral("p_Base_Del_ZY");
    zy.hasStop = zy.hasName = zy.hasUpdateTime = true;
    zy.systemRows = SystemRows::Employee;
    zy.listColumns = kStopName + QStringLiteral(", COALESCE(b.fullname, '') AS bmName");
    zy.listJoins = QStringLiteral(" LEFT JOIN baseBM AS b ON b.id = t.depid");
    zy.fields = treeFields();
    zy.fields << text("name", "简名") << integer("depid", "部门") << date("Birthday", "出生日期")
              << text("tel", "电话") << date("Worktime", "入职日期") << text("addr", "地址")
              << text("Anumber", "身份证号") << integer("zyjbid", "职员级别")
              << money("YouHuiTotalUp", "优惠金额上限") << integer("isstop", "停用")
              << text("comment", "备注");
    zy.fields << userFields();
    out.append(zy);

    // The operators (employees with a login) for the record selection: no editor of their own.
    BaseKind czy = zy;
    czy.caption = QStringLiteral("操作员");
    czy.queryTypes = {QStringLiteral("CZY")};
    czy.saveProc.clear();
    czy.deleteProc.clear();
    czy.operatorsOnly = true;
    out.append(czy);

    BaseKind ck;
    ck.caption = QStringLiteral("仓库");
    ck.queryTypes = {QStringLiteral("CK")};
    ck.table = QStringLiteral("baseCK");
    ck.conditionKey = QStringLiteral("ckStr");
    ck.rightsTable = QStringLiteral("baseCKPurview");
    ck.saveProc = QStringLiteral("p_Base_Up_CK");
    ck.deleteProc = QStringLiteral("p_Base_Del_CK");
    ck.hasStop = ck.hasUpdateTime = true;
    ck.listColumns = kStopName;
    ck.fields = treeFields();
    ck.fields << integer("isstop", "停用") << text("comment", "备注");
    ck.fields << userFields();
    out.append(ck);

    BaseKind bm;
    bm.caption = QStringLiteral("部门");
    bm.queryTypes = {QStringLiteral("BM")};
    bm.table = QStringLiteral("baseBM");
    bm.conditionKey = QStringLiteral("bmStr");
    bm.rightsTable = QStringLiteral("basebmPurview");
    bm.saveProc = QStringLiteral("p_base_Up_BM");
    bm.deleteProc = QStringLiteral("p_base_Del_BM");
    bm.hasUpdateTime = true;
    bm.fields = treeFields();
    bm.fields << text("comment", "备注");
    bm.fields << userFields();
    out.append(bm);

    BaseKind dw;
    dw.caption = QStringLiteral("往来单位");
    dw.queryTypes = {QStringLiteral("WLDW")};
    dw.table = QStringLiteral("baseWLDW");
    dw.conditionKey = QStringLiteral("wldwStr");
    dw.rightsTable = QStringLiteral("baseWLDWPurview");
    dw.saveProc = QStringLiteral("p_Base_Up_Wldw");
    dw.deleteProc = QStringLiteral("p_Base_Del_WLDW");
    dw.hasStop = dw.hasName = dw.hasUpdateTime = true;
    dw.listColumns = kStopName + QStringLiteral(
                                     ", COALESCE(z.fullname, '') AS jsrName, COALESCE(a.fullname, "
                                     "'') AS AreaName, COALESCE(g.fullname, '') AS zwgs_Name");
    dw.listJoins = QStringLiteral(
        " LEFT JOIN baseZY AS z ON z.id = t.jsrid LEFT JOIN baseDQ AS a ON a.id = t.Areaid"
        " LEFT JOIN baseWLDW AS g ON g.id = t.zwgs_id");
    dw.fields = treeFields();
    dw.fields << integer("type", "单位类型") << text("name", "简名") << integer("isstop", "停用")
              << integer("jsrid", "经手人") << text("addr", "地址") << text("tel", "电话")
              << text("fax", "传真") << text("email", "电子邮件") << text("sjhm", "手机号码")
              << text("postcode", "邮政编码") << text("bankname", "开户银行")
              << text("bankcount", "银行账号") << text("weburl", "网址") << text("Person", "联系人")
              << text("tax", "税号") << money("ys_xyd", "应收信用额度")
              << money("yf_xyd", "应付信用额度") << integer("ysDays", "收款期限天数")
              << integer("yfDays", "付款期限天数") << integer("Areaid", "地区")
              << integer("zwgs_id", "账务归属单位") << integer("saleselect", "销售价格选择")
              << text("comment", "备注");
    dw.fields << userFields();
    out.append(dw);

    BaseKind dq;
    dq.caption = QStringLiteral("地区");
    dq.queryTypes = {QStringLiteral("DQ"), QStringLiteral("DiQu")};
    dq.table = QStringLiteral("baseDQ");
    dq.conditionKey = QStringLiteral("dqStr");
    dq.saveProc = QStringLiteral("p_base_Up_DQ");
    dq.deleteProc = QStringLiteral("p_base_Del_DQ");
    dq.fields = treeFields();
    dq.fields << text("comment", "备注");
    out.append(dq);

    BaseKind zhaiyao;
    zhaiyao.caption = QStringLiteral("摘要");
    zhaiyao.queryTypes = {QStringLiteral("ZhaiYao")};
    zhaiyao.table = QStringLiteral("baseZhaiYao");
    zhaiyao.conditionKey = QStringLiteral("zhaiyaoStr");
    zhaiyao.saveProc = QStringLiteral("p_Base_Up_ZhaiYao");
    zhaiyao.deleteProc = QStringLiteral("p_Base_Del_ZhaiYao");
    zhaiyao.fields = treeFields();
    zhaiyao.fields << text("comment", "备注");
    out.append(zhaiyao);

    BaseKind km;
    km.caption = QStringLiteral("会计科目");
    km.queryTypes = {QStringLiteral("KM")};
    km.table = QStringLiteral("baseKM");
    km.conditionKey = QStringLiteral("kmStr");
    km.saveProc = QStringLiteral("p_base_Up_KM");
    km.deleteProc = QStringLiteral("p_base_Del_kM");
    km.hasStop = km.hasName = true;
    km.systemRows = SystemRows::Account;
    km.listColumns =
        kStopName + QStringLiteral(
                        ", COALESCE((SELECT MIN(s.name) FROM sysSubjectInterface AS s WHERE "
                        "s.km_id = t.id AND s.type = 0), '') AS InterfaceKMName");
    km.fields = treeFields();
    km.fields << text("name", "简名") << text("comment", "备注");
    out.append(km);

    return out;
}

}  // namespace

const QList<BaseKind>& kinds() {
    static const QList<BaseKind> all = build();
    return all;
}

const BaseKind* kindByQueryType(const QString& queryType) {
    const QString wanted = queryType.trimmed();
    for (const BaseKind& k : kinds()) {
        for (const QString& q : k.queryTypes) {
            if (q.compare(wanted, Qt::CaseInsensitive) == 0)
                return &k;
        }
    }
    return nullptr;
}

const BaseKind* kindByTable(const QString& table) {
    const QString wanted = table.trimmed();
    for (const BaseKind& k : kinds()) {
        if (k.table.compare(wanted, Qt::CaseInsensitive) == 0)
            return &k;
    }
    return nullptr;
}

bool recordRightsApply(Database& db, const BaseKind& kind, qint64 userId) {
    if (kind.rightsTable.isEmpty() || userId == 1)
        return false;
    const QVariant on = db.scalar(QStringLiteral("SELECT sysValue FROM sysConf WHERE id = 2004"));
    return on.toString().trimmed() == QLatin1String("1");
}

QString changeStamp() {
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

}  // namespace dyt::server::base
