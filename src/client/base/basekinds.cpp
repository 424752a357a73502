#include "client/base/basekinds.h"

#include "client/logic/settings.h"
#include "common/error.h"

namespace dyt::client::base {

namespace {

QString u8(const char* text) {
    return QString::fromUtf8(text);
}

ListColumn col(const char* field, const char* caption, int width, int fieldNo = 0) {
    return ListColumn{QLatin1String(field), u8(caption), width, fieldNo};
}

// A yes/no field of the list, shown "是"/"否" as the goods list shows its state.
ListColumn flagCol(const char* field, const char* caption, int width, int fieldNo = 0) {
    ListColumn c = col(field, caption, width, fieldNo);
    c.flag = true;
    return c;
}

EditField fld(const char* name, const char* label, EditKind kind = EditKind::Text, int fieldNo = 0,
              const char* page = "") {
    EditField f;
    f.name = QLatin1String(name);
    f.label = u8(label);
    f.kind = kind;
    f.fieldNo = fieldNo;
    f.page = u8(page);
    return f;
}

EditField picker(const char* name, const char* label, const char* kind, const char* showField,
                 int fieldNo = 0, const char* page = "") {
    EditField f = fld(name, label, EditKind::Picker, fieldNo, page);
    f.pickKind = QLatin1String(kind);
    f.showField = QLatin1String(showField);
    return f;
}

EditField combo(const char* name, const char* label, const QStringList& items,
                const char* page = "") {
    EditField f = fld(name, label, EditKind::Combo, 0, page);
    f.items = items;
    return f;
}

// The ten free fields of a kind ("自定义1" … "自定义10", captions 41 … 50).
void addCustomFields(QList<EditField>& fields, const char* page) {
    for (int i = 1; i <= 10; ++i) {
        EditField f;
        f.name = QStringLiteral("bz%1").arg(i);
        f.label = QStringLiteral("自定义%1").arg(i);
        f.fieldNo = 40 + i;
        f.page = u8(page);
        fields.append(f);
    }
}

BaseKind goods() {
    BaseKind k;
    k.listClass = QStringLiteral("TfrmBaseGoods");
    k.editorClass = QStringLiteral("TfrmBaseGoodsSet");
    k.title = QStringLiteral("商品信息");
    k.editorTitle = QStringLiteral("商品信息");
    k.kindCode = QStringLiteral("SP");
    k.functionCode = 1001;
    k.fieldPrefix = 1001;
    k.listProcedure = QStringLiteral("P_JXC_Get_Base");
    k.queryType = QStringLiteral("SP");
    k.conditionKey = QStringLiteral("GoodsStr");
    k.editorKey = QStringLiteral("goodsStr");
    k.treeQueryType = QStringLiteral("SP");
    k.table = QStringLiteral("basegoods");
    k.recordTable = QStringLiteral("baseGoods");
    k.saveProcedure = QStringLiteral("p_base_Up_Goods");
    k.autoCodeKind = QStringLiteral("SP");
    k.hasStopped = true;
    k.searchCaption = QStringLiteral("快速查找商品(Tab)");
    k.columns = {
        col("code", "商品编号", 90, 21),
        col("fullname", "商品全名", 160, 22),
        col("name", "商品简名", 90, 23),
        col("pym", "拼音码", 80, 24),
        col("gg", "规格", 70, 25),
        col("xh", "型号", 70, 26),
        col("addr", "产地", 70, 27),
        col("stopName", "状态", 50, 28),
        col("unitName", "基本单位", 60, 29),
        col("barcode", "条码", 110, 30),
        col("LSprice", "[%P%]零售价", 70, 31),
        col("price1", "[%P%]预设售价1", 80, 32),
        col("price2", "[%P%]预设售价2", 80, 33),
        col("price3", "[%P%]预设售价3", 80, 34),
        col("comment", "备注", 120, 35),
        col("YouWuTuPian", "有无图片", 60, 36),
    };
    const char* other = "其它信息";
    k.fields = {
        fld("code", "商品编号", EditKind::Text, 21),
        fld("fullname", "商品全名", EditKind::Text, 22),
        fld("name", "商品简名", EditKind::Text, 23),
        fld("pym", "拼音码", EditKind::Text, 24),
        fld("gg", "规格", EditKind::Text, 25),
        fld("xh", "型号", EditKind::Text, 26),
        fld("addr", "产地", EditKind::Text, 27),
        combo("costmode", "成本算法",
              {QStringLiteral("移动加权平均"), QStringLiteral("手工指定法"),
               QStringLiteral("先进先出"), QStringLiteral("后进先出")}),
        combo("spType", "商品类型", {QStringLiteral("库存商品"), QStringLiteral("服务/劳务")}),
        fld("warnDown", "库存下限", EditKind::Number),
        fld("warnUP", "库存上限", EditKind::Number),
        fld("isstop", "停用", EditKind::Check),
        fld("isCanYuZheShangZhe", "参与折上折", EditKind::Check, 0, other),
        fld("yxqNum", "保质期天数", EditKind::Days, 0, other),
        fld("jxqNum", "近效期天数", EditKind::Days, 0, other),
        picker("wldw_id", "默认供应商", "gys", "wldwName", 0, other),
        fld("fdwName", "辅助单位名称", EditKind::Text, 0, other),
        fld("comment", "备注", EditKind::Memo, 35, "备注信息"),
    };
    addCustomFields(k.fields, "自定义");
    return k;
}

BaseKind employees() {
    BaseKind k;
    k.listClass = QStringLiteral("TfrmBaseZY");
    k.editorClass = QStringLiteral("TfrmBaseZYSet");
    k.title = QStringLiteral("职员信息");
    k.editorTitle = QStringLiteral("职员信息");
    k.kindCode = QStringLiteral("ZY");
    k.functionCode = 1002;
    k.fieldPrefix = 1002;
    k.listProcedure = QStringLiteral("P_JXC_Get_Base");
    k.queryType = QStringLiteral("ZY");
    k.conditionKey = QStringLiteral("zyStr");
    k.editorKey = QStringLiteral("zyStr");
    k.treeQueryType = QStringLiteral("ZY");
    k.table = QStringLiteral("basezy");
    k.recordTable = QStringLiteral("baseZY");
    k.saveProcedure = QStringLiteral("p_Base_Up_ZY");
    k.deleteProcedure = QStringLiteral("p_Base_Del_ZY");
    k.autoCodeKind = QStringLiteral("zy");
    k.hasStopped = true;
    k.searchCaption = QStringLiteral("快速查找职员(Tab)");
    k.columns = {
        col("code", "职员编号", 90, 21),
        col("fullname", "职员全名", 120, 22),
        col("pym", "拼音码", 70, 23),
        col("bmName", "部门", 100, 24),
        col("Birthday", "出生日期", 80, 25),
        col("tel", "电话", 100, 26),
        col("Worktime", "参加工作时间", 90, 27),
        col("addr", "地址", 140, 28),
        col("Anumber", "身份证号", 140, 29),
        col("comment", "备注", 120, 30),
    };
    k.fields = {
        fld("code", "职员编号", EditKind::Text, 21),
        fld("FullName", "职员全名", EditKind::Text, 22),
        fld("pym", "拼音码", EditKind::Text, 23),
        picker("depid", "部门", "bumen", "bmName", 24),
        fld("Birthday", "出生日期", EditKind::Date, 25),
        fld("tel", "电话", EditKind::Text, 26),
        fld("Worktime", "参加工作时间", EditKind::Date, 27),
        fld("addr", "地址", EditKind::Text, 28),
        fld("Anumber", "身份证号", EditKind::Text, 29),
        fld("comment", "备注", EditKind::Memo, 30),
    };
    return k;
}

BaseKind warehouses() {
    BaseKind k;
    k.listClass = QStringLiteral("TfrmBaseCK");
    k.editorClass = QStringLiteral("TfrmBaseCKSet");
    k.title = QStringLiteral("仓库信息");
    k.editorTitle = QStringLiteral("仓库信息");
    k.kindCode = QStringLiteral("CK");
    k.functionCode = 1004;
    k.fieldPrefix = 1004;
    k.listProcedure = QStringLiteral("P_JXC_Get_Base");
    k.queryType = QStringLiteral("CK");
    k.conditionKey = QStringLiteral("ckStr");
    k.editorKey = QStringLiteral("CKStr");
    k.treeQueryType = QStringLiteral("CK");
    k.table = QStringLiteral("baseck");
    k.recordTable = QStringLiteral("baseCK");
    k.saveProcedure = QStringLiteral("p_Base_Up_CK");
    k.deleteProcedure = QStringLiteral("p_Base_Del_CK");
    k.autoCodeKind = QStringLiteral("ck");
    k.hasStopped = true;
    k.searchCaption = QStringLiteral("快速查找仓库(Tab)");
    k.columns = {
        col("code", "仓库编号", 90, 21), col("fullname", "仓库全名", 160, 22),
        col("pym", "拼音码", 70, 23),    flagCol("isstop", "停用", 50, 24),
        col("comment", "备注", 160, 25),
    };
    k.fields = {
        fld("code", "仓库编号", EditKind::Text, 21),
        fld("FullName", "仓库全名", EditKind::Text, 22),
        fld("pym", "拼音码", EditKind::Text, 23),
        fld("isstop", "停用", EditKind::Check, 24),
        fld("comment", "备注", EditKind::Memo, 25),
    };
    return k;
}

BaseKind departments() {
    BaseKind k;
    k.listClass = QStringLiteral("TfrmBaseBM");
    k.editorClass = QStringLiteral("TfrmBaseBMSet");
    k.title = QStringLiteral("部门信息");
    k.editorTitle = QStringLiteral("部门信息");
    k.kindCode = QStringLiteral("BM");
    k.functionCode = 1005;
    k.fieldPrefix = 1005;
    k.listProcedure = QStringLiteral("P_JXC_Get_Base");
    k.queryType = QStringLiteral("BM");
    k.conditionKey = QStringLiteral("bmStr");
    k.editorKey = QStringLiteral("bmStr");
    k.treeQueryType = QStringLiteral("BM");
    k.table = QStringLiteral("basebm");
    k.recordTable = QStringLiteral("baseBM");
    k.saveProcedure = QStringLiteral("p_base_Up_BM");
    k.deleteProcedure = QStringLiteral("p_base_Del_BM");
    k.autoCodeKind = QStringLiteral("bm");
    k.searchCaption = QStringLiteral("快速查找部门(Tab)");
    k.columns = {
        col("code", "部门编号", 90, 21),
        col("fullname", "部门全名", 160, 22),
        col("pym", "拼音码", 70, 23),
        col("comment", "备注", 160, 24),
    };
    k.fields = {
        fld("code", "部门编号", EditKind::Text, 21),
        fld("FullName", "部门全名", EditKind::Text, 22),
        fld("pym", "拼音码", EditKind::Text, 23),
        fld("comment", "备注", EditKind::Memo, 24),
    };
    return k;
}

BaseKind partners() {
    BaseKind k;
    k.listClass = QStringLiteral("TfrmBaseWLDW");
    k.editorClass = QStringLiteral("TfrmBaseWldwSet");
    k.title = QStringLiteral("往来单位");
    k.editorTitle = QStringLiteral("往来单位");
    k.kindCode = QStringLiteral("WLDW");
    k.functionCode = 1003;
    k.fieldPrefix = 1003;
    k.listProcedure = QStringLiteral("P_JXC_Get_Base");
    k.queryType = QStringLiteral("WLDW");
    k.conditionKey = QStringLiteral("wldwStr");
    k.editorKey = QStringLiteral("wldwStr");
    k.treeQueryType = QStringLiteral("WLDW");
    k.table = QStringLiteral("basewldw");
    k.recordTable = QStringLiteral("baseWLDW");
    k.saveProcedure = QStringLiteral("p_Base_Up_Wldw");
    k.deleteProcedure = QStringLiteral("p_Base_Del_WLDW");
    k.autoCodeKind = QStringLiteral("WLDW");
    k.hasStopped = true;
    k.searchCaption = QStringLiteral("快速查找单位(Tab)");
    k.columns = {
        col("code", "单位编号", 90, 21),
        col("fullname", "单位全名", 180, 22),
        col("name", "单位简名", 90, 23),
        col("pym", "拼音码", 70, 24),
        col("addr", "地址", 140, 25),
        col("tel", "电话", 90, 26),
        col("fax", "传真", 90, 27),
        col("email", "电子邮件", 110, 28),
        col("sjhm", "手机号码", 100, 29),
        col("postcode", "邮政编码", 70, 30),
        col("bankname", "开户银行", 110, 31),
        col("bankcount", "银行账号", 130, 32),
        col("weburl", "网址", 110, 33),
        col("Person", "联系人", 70, 34),
        col("tax", "税号", 120, 35),
        col("ys_xyd", "[%M%]应收上限", 80, 36),
        col("yf_xyd", "[%M%]应付上限", 80, 37),
        col("AreaName", "地区", 80, 38),
        col("comment", "备注", 120, 39),
    };
    const char* money = "账款信息";
    k.fields = {
        combo("type", "单位类型",
              {QStringLiteral("客户及供应商"), QStringLiteral("客户"), QStringLiteral("供应商")}),
        fld("code", "单位编号", EditKind::Text, 21),
        fld("fullname", "单位全名", EditKind::Text, 22),
        fld("name", "单位简名", EditKind::Text, 23),
        fld("pym", "拼音码", EditKind::Text, 24),
        fld("isstop", "停用", EditKind::Check),
        picker("jsrid", "经手人", "zhiyuan", "jsrName"),
        fld("addr", "地址", EditKind::Text, 25),
        fld("tel", "电话", EditKind::Text, 26),
        fld("fax", "传真", EditKind::Text, 27),
        fld("email", "电子邮件", EditKind::Text, 28),
        fld("sjhm", "手机号码", EditKind::Text, 29),
        fld("postcode", "邮政编码", EditKind::Text, 30),
        fld("bankcount", "银行账号", EditKind::Text, 32),
        fld("weburl", "网址", EditKind::Text, 33),
        fld("Person", "联系人", EditKind::Text, 34),
        fld("tax", "税号", EditKind::Text, 35),
        picker("Areaid", "地区", "area", "AreaName", 38),
        picker("zwgs_id", "账务归属单位", "wldw", "zwgs_Name"),
        fld("saleselect", "销售时可选", EditKind::Check),
        fld("ys_xyd", "应收上限", EditKind::Number, 36, money),
        fld("yf_xyd", "应付上限", EditKind::Number, 37, money),
        fld("ysDays", "收款期限天数", EditKind::Days, 0, money),
        fld("yfDays", "付款期限天数", EditKind::Days, 0, money),
        fld("ystotal00", "期初应收", EditKind::Number, 0, money),
        fld("yftotal00", "期初应付", EditKind::Number, 0, money),
        fld("yushouTotal00", "期初预收", EditKind::Number, 0, money),
        fld("yufuTotal00", "期初预付", EditKind::Number, 0, money),
        fld("comment", "备注", EditKind::Memo, 39),
    };
    return k;
}

BaseKind regions() {
    BaseKind k;
    k.listClass = QStringLiteral("TfrmBaseDiQu");
    k.editorClass = QStringLiteral("TfrmBaseDiQuSet");
    k.title = QStringLiteral("地区信息");
    k.editorTitle = QStringLiteral("地区信息");
    k.kindCode = QStringLiteral("DQ");
    k.functionCode = 1006;
    k.listSql = QStringLiteral(
        "SELECT dbo.fnGetBaseDQFullName(id) as PathName,* FROM baseDQ WHERE del = 0");
    k.table = QStringLiteral("basedq");
    k.recordTable = QStringLiteral("baseDQ");
    k.saveProcedure = QStringLiteral("p_base_Up_DQ");
    k.deleteProcedure = QStringLiteral("p_base_Del_DQ");
    k.autoCodeKind = QStringLiteral("dq");
    k.sendsOperator = false;
    k.searchCaption = QStringLiteral("快速查找地区(Tab)");
    k.columns = {col("code", "地区编号", 90), col("fullname", "地区全名", 160),
                 col("pym", "拼音码", 70), col("comment", "备注", 160)};
    k.fields = {fld("code", "地区编号"), fld("fullname", "地区全名"), fld("pym", "拼音码"),
                fld("comment", "备注", EditKind::Memo)};
    return k;
}

BaseKind abstracts() {
    BaseKind k;
    k.listClass = QStringLiteral("TfrmBaseZhaiYao");
    k.editorClass = QStringLiteral("TfrmBaseZhaiYaoSet");
    k.title = QStringLiteral("摘要信息");
    k.editorTitle = QStringLiteral("摘要信息");
    k.kindCode = QStringLiteral("ZHAIYAO");
    k.functionCode = 1007;
    k.listSql = QStringLiteral("SELECT * FROM baseZhaiYao WHERE del = 0");
    k.table = QStringLiteral("basezhaiyao");
    k.recordTable = QStringLiteral("baseZhaiYao");
    k.saveProcedure = QStringLiteral("p_Base_Up_ZhaiYao");
    k.deleteProcedure = QStringLiteral("p_Base_Del_ZhaiYao");
    k.autoCodeKind = QStringLiteral("zhaiyao");
    k.sendsOperator = false;
    k.searchCaption = QStringLiteral("快速查找摘要(Tab)");
    k.columns = {col("code", "摘要编号", 90), col("fullname", "摘要全名", 240),
                 col("pym", "拼音码", 80)};
    k.fields = {fld("code", "摘要编号"), fld("FullName", "摘要全名"), fld("pym", "拼音码")};
    return k;
}

BaseKind accounts() {
    BaseKind k;
    k.listClass = QStringLiteral("TfrmBaseKM");
    k.editorClass = QStringLiteral("TfrmBasekMSet");
    k.title = QStringLiteral("会计科目");
    k.editorTitle = QStringLiteral("会计科目");
    k.kindCode = QStringLiteral("KM");
    k.functionCode = 1008;
    k.listProcedure = QStringLiteral("P_Base_Get_KM");
    k.queryType = QStringLiteral("KM");
    k.conditionKey = QStringLiteral("kmStr");
    k.editorKey = QStringLiteral("kmStr");
    k.treeQueryType = QStringLiteral("KM");
    k.table = QStringLiteral("basekm");
    k.recordTable = QStringLiteral("baseKM");
    k.saveProcedure = QStringLiteral("p_base_Up_KM");
    k.deleteProcedure = QStringLiteral("p_base_Del_kM");
    k.autoCodeKind = QStringLiteral("KM");
    k.hasStopped = true;
    k.searchCaption = QStringLiteral("快速查找科目(Tab)");
    k.columns = {col("code", "科目编号", 90), col("fullname", "科目全名", 180),
                 col("name", "科目简名", 100), col("pym", "拼音码", 70),
                 col("comment", "备注", 160)};
    k.fields = {fld("code", "科目编号"), fld("fullname", "科目全名"), fld("name", "科目简名"),
                fld("pym", "拼音码"), fld("comment", "备注", EditKind::Memo)};
    return k;
}

}  // namespace

const QList<BaseKind>& baseKinds() {
    static const QList<BaseKind> kinds = {goods(),       employees(), partners(),  warehouses(),
                                          departments(), regions(),   abstracts(), accounts()};
    return kinds;
}

const BaseKind* findBaseKind(const QString& className) {
    for (const BaseKind& k : baseKinds()) {
        if (k.listClass.compare(className, Qt::CaseInsensitive) == 0 ||
            k.editorClass.compare(className, Qt::CaseInsensitive) == 0)
            return &k;
    }
    return nullptr;
}

const BaseKind& kindByCode(const QString& kindCode) {
    for (const BaseKind& k : baseKinds()) {
        if (k.kindCode.compare(kindCode, Qt::CaseInsensitive) == 0)
            return k;
    }
    throw DytError(QStringLiteral("未知的基本信息类型[%1]").arg(kindCode));
}

QString fieldCaptionCode(const BaseKind& kind, int fieldNo) {
    if (kind.fieldPrefix <= 0 || fieldNo <= 0)
        return {};
    return QString::number(kind.fieldPrefix) +
           QStringLiteral("%1").arg(fieldNo, 2, 10, QLatin1Char('0'));
}

namespace {
QString captionOr(const BaseKind& kind, int fieldNo, const QString& fallback) {
    const QString code = fieldCaptionCode(kind, fieldNo);
    if (code.isEmpty())
        return fallback;
    const QString caption = settings().FieldCaption(code).trimmed();
    return caption.isEmpty() ? fallback : caption;
}
}  // namespace

QString columnCaption(const BaseKind& kind, const ListColumn& column) {
    // The tag list stays in front of the caption the settings give.
    const int close = column.caption.indexOf(QLatin1Char(']'));
    const QString tags = close >= 0 ? column.caption.left(close + 1) : QString();
    const QString plain = close >= 0 ? column.caption.mid(close + 1) : column.caption;
    return tags + captionOr(kind, column.fieldNo, plain);
}

QString fieldLabel(const BaseKind& kind, const EditField& field) {
    return captionOr(kind, field.fieldNo, field.label);
}

QString listSegment(const BaseKind& kind, const ListState& state) {
    QString segment;
    const QString text = state.searchText.trimmed();
    if (!text.isEmpty()) {
        segment = QStringLiteral(";allfilter=") + text;
    } else if (state.listMode) {
        segment = QStringLiteral(";isList=1");
        if (state.listCategory > 0)
            segment += QStringLiteral(";isList=1;par_id=") + QString::number(state.listCategory);
    } else {
        segment = QStringLiteral(";par_id=") + QString::number(state.parentId);
    }
    if (kind.hasStopped && !state.includeStopped)
        segment += QStringLiteral(";isstop=0");
    return segment;
}

namespace {
ParamList baseParams(const BaseKind& kind, int operatorId) {
    ParamList p;
    const QString op = QStringLiteral(";czy_id=") + QString::number(operatorId);
    p.setValue(QStringLiteral("QueryType"), kind.queryType);
    for (const char* key : {"wldwStr", "zyStr", "ckStr", "bmStr", "kmStr", "GoodsStr"})
        p.setValue(QLatin1String(key), op);
    return p;
}
}  // namespace

ParamList listParams(const BaseKind& kind, const ListState& state, int operatorId) {
    ParamList p = baseParams(kind, operatorId);
    p.setValue(kind.conditionKey,
               QStringLiteral(";czy_id=") + QString::number(operatorId) + listSegment(kind, state));
    return p;
}

ParamList treeParams(const BaseKind& kind, int operatorId) {
    ParamList p = baseParams(kind, operatorId);
    p.setValue(QStringLiteral("QueryType"), kind.treeQueryType);
    p.setValue(kind.conditionKey, QStringLiteral(";czy_id=") + QString::number(operatorId) +
                                      QStringLiteral(";TreeView=1"));
    return p;
}

QString dragIdList(const QList<qint64>& ids) {
    QString text = QStringLiteral("(0");
    for (qint64 id : ids)
        text += QLatin1Char(',') + QString::number(id);
    return text + QStringLiteral(",-1)");
}

QString autoCodeSql(const BaseKind& kind, qint64 parentId) {
    return QStringLiteral("SELECT dbo.fnGetBaseAutoCode('") + kind.autoCodeKind +
           QStringLiteral("', ") + QString::number(parentId) + QStringLiteral(") as Code");
}

QString goodsUnitsSql(qint64 goodsId) {
    return QStringLiteral("SELECT a.* FROM baseGoodsUnit as a  WHERE a.Goodsid = ") +
           QString::number(goodsId);
}

QString goodsTypeLockSql(qint64 goodsId) {
    return QStringLiteral(
               " SELECT top 1 id FROM djList AS a WHERE a.dj_state <> 0 AND a.goodsid = ") +
           QString::number(goodsId);
}

QString costMethodLockSql(qint64 goodsId) {
    const QString id = QString::number(goodsId);
    const QStringList parts = {
        QStringLiteral(" SELECT top 1 a.goodsid FROM baseGoodsStock AS a WHERE a.goodsid = "),
        QStringLiteral(" SELECT top 1 a.goodsid FROM baseGoodsStockOther AS a WHERE a.goodsid = "),
        QStringLiteral(" SELECT top 1 a.goodsid FROM iniGoodsStock AS a WHERE a.goodsid = "),
        QStringLiteral(" SELECT top 1 a.goodsid FROM iniGoodsStockOther AS a WHERE a.goodsid = "),
        QStringLiteral(
            " SELECT top 1 a.goodsid FROM djList AS a WHERE a.dj_state <> 0 AND a.goodsid = "),
    };
    QStringList texts;
    for (const QString& p : parts)
        texts.append(p + id);
    return texts.join(QStringLiteral(" UNION ALL"));
}

QString unitLockSql(qint64 goodsId, int unitSlot) {
    return goodsTypeLockSql(goodsId) + QStringLiteral(" AND a.unit = ") + QString::number(unitSlot);
}

QString copySourceSql(const BaseKind& kind, qint64 sourceId) {
    return QStringLiteral(" SELECT * FROM ") + kind.recordTable + QStringLiteral(" WHERE id = ") +
           QString::number(sourceId);
}

QString pictureMarkSql(qint64 goodsId, bool present) {
    return QStringLiteral("Update basegoods set YouWuTuPian = '") +
           (present ? QStringLiteral("有") : QStringLiteral("无")) +
           QStringLiteral("' where id = ") + QString::number(goodsId);
}

QStringList goodsPages() {
    return {QStringLiteral("主要信息"), QStringLiteral("价格信息"), QStringLiteral("商品提成"),
            QStringLiteral("备注信息"), QStringLiteral("商品图片"), QStringLiteral("其它信息"),
            QStringLiteral("自定义")};
}

}  // namespace dyt::client::base
