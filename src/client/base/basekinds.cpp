#include "client/base/basekinds.h"

#include "client/logic/settings.h"
#include "common/error.h"

namespace dyt::client::base {

namespace {

QString u8(const char* text) {
    return QString::fromUtf8(text);
}

BaseKind fromRow(const BaseKindRow& row) {
    BaseKind k;
    k.listClass = QLatin1String(row.listClass);
    k.editorClass = QLatin1String(row.editorClass);
    k.title = u8(row.title);
    k.editorTitle = k.title;
    k.kindCode = QLatin1String(row.kindCode);
    k.functionCode = row.functionCode;
    k.fieldPrefix = row.fieldPrefix;
    k.listProcedure = QLatin1String(row.listProcedure);
    // Kinds listed by an SQL text of their own send no query type or condition line.
    if (!k.listProcedure.isEmpty()) {
        k.queryType = row.queryTypeList().value(0);
        k.conditionKey = QLatin1String(row.conditionKey);
    }
    k.editorKey = QLatin1String(row.editorKey);
    k.listSql = QLatin1String(row.listSql);
    k.treeQueryType = QLatin1String(row.treeQueryType);
    k.recordTable = QLatin1String(row.table);
    k.table = k.recordTable.toLower();
    k.saveProcedure = QLatin1String(row.saveProcedure);
    k.deleteProcedure = QLatin1String(row.deleteProcedure);
    k.autoCodeKind = QLatin1String(row.autoCodeKind);
    k.sendsOperator = row.sendsOperator;
    k.hasStopped = row.hasStop;
    k.searchCaption = u8(row.searchCaption);
    for (const BaseColumnRow& c : row.columns)
        k.columns.append({QLatin1String(c.field), u8(c.caption), c.width, c.fieldNo, c.flag});
    for (const BaseFieldRow& f : row.fields) {
        if (f.edit == EditKind::None)
            continue;
        EditField field;
        field.name = f.fieldName();
        field.label = f.labelText();
        field.kind = f.edit;
        field.fieldNo = f.fieldNo;
        field.page = u8(f.page);
        field.items = u8(f.items).split(QLatin1Char('|'), Qt::SkipEmptyParts);
        field.pickKind = QLatin1String(f.pickKind);
        field.showField = QLatin1String(f.showField);
        k.fields.append(field);
    }
    // The ten free fields of a kind ("自定义1" … "自定义10", captions 41 … 50).
    if (row.customFields == BaseCustomFields::Edited) {
        for (int i = 1; i <= 10; ++i) {
            EditField f;
            f.name = QStringLiteral("bz%1").arg(i);
            f.label = QStringLiteral("自定义%1").arg(i);
            f.fieldNo = 40 + i;
            f.page = QStringLiteral("自定义");
            k.fields.append(f);
        }
    }
    return k;
}

}  // namespace

const QList<BaseKind>& baseKinds() {
    static const QList<BaseKind> kinds = [] {
        QList<BaseKind> out;
        for (const BaseKindRow& row : baseKindRows()) {
            if (*row.listClass)
                out.append(fromRow(row));
        }
        return out;
    }();
    return kinds;
}

const BaseKind& assetCardKind() {
    static const BaseKind kind = [] {
        BaseKind k;
        k.listClass = QStringLiteral("TfrmBaseKM");
        k.editorClass = QStringLiteral("TfrmBaseGDZCSet");
        k.title = QStringLiteral("固定资产");
        k.editorTitle = QStringLiteral("固定资产卡片");
        k.kindCode = QStringLiteral("GDZC");
        k.functionCode = 1012;
        k.listSql = QStringLiteral(
            "SELECT a.id, a.par_id, a.code, a.Name, a.Name AS fullname, a.lbid, "
            "COALESCE(c.Name, '') AS lbName, a.dep_id, COALESCE(d.fullname, '') AS depName, "
            "a.km_id, COALESCE(k.fullname, '') AS kmName, a.BuyDate, a.yz, a.czl, a.zjys, "
            "a.ljzj, a.yz - a.ljzj AS jz, a.isSold, a.comment, CASE WHEN EXISTS (SELECT 1 FROM "
            "djGDZCDetail AS m WHERE m.gdzc_id = a.id) THEN 1 ELSE 0 END AS moved FROM "
            "GDZCDetail AS a LEFT JOIN GDZCDetail AS c ON c.id = a.lbid LEFT JOIN baseBM AS d "
            "ON d.id = a.dep_id LEFT JOIN baseKM AS k ON k.id = a.km_id WHERE a.IsBaseInfo = 0 "
            "AND a.Del <> 1");
        k.recordIdColumn = QStringLiteral("a.id");
        k.recordTable = QStringLiteral("GDZCDetail");
        k.table = QStringLiteral("gdzcdetail");
        k.saveProcedure = QStringLiteral("P_JXC_GDZC_Save");
        k.sendsOperator = true;
        k.searchCaption = QStringLiteral("快速查找固定资产(Tab)");
        k.nameField = QStringLiteral("Name");
        k.flat = true;
        const struct {
            const char* field;
            const char* caption;
            int width;
            bool flag;
        } columns[] = {
            {"code", "资产编号", 80, false},
            {"Name", "资产名称", 140, false},
            {"lbName", "类别", 90, false},
            {"depName", "使用部门", 90, false},
            {"kmName", "会计科目", 110, false},
            {"BuyDate", "购置日期", 80, false},
            {"yz", "[%NUM%SUM%M%]原值", 90, false},
            {"czl", "[%NUM%]残值率(%)", 70, false},
            {"zjys", "[%NUM%]折旧月数", 70, false},
            {"ljzj", "[%NUM%SUM%M%]累计折旧", 90, false},
            {"jz", "[%NUM%SUM%M%]净值", 90, false},
            {"isSold", "已变卖", 60, true},
            {"comment", "备注", 140, false},
        };
        for (const auto& c : columns)
            k.columns.append({QLatin1String(c.field), u8(c.caption), c.width, 0, c.flag});
        auto field = [&k](const char* name, const char* label, EditKind edit) -> EditField& {
            EditField f;
            f.name = QLatin1String(name);
            f.label = u8(label);
            f.kind = edit;
            k.fields.append(f);
            return k.fields.last();
        };
        auto picker = [&](const char* name, const char* label, const char* pick,
                          const char* shown) {
            EditField& f = field(name, label, EditKind::Picker);
            f.pickKind = QLatin1String(pick);
            f.showField = QLatin1String(shown);
        };
        field("code", "资产编号", EditKind::Text);
        field("Name", "资产名称", EditKind::Text);
        picker("lbid", "类别", "gdzclb", "lbName");
        picker("dep_id", "使用部门", "bumen", "depName");
        picker("km_id", "会计科目", "kmleaf", "kmName");
        field("BuyDate", "购置日期", EditKind::Date);
        // The original value is an opening value: the bills move it once they exist.
        EditField& yz = field("yz", "原值", EditKind::Number);
        yz.lockedWhenOpened = true;
        yz.lockField = QStringLiteral("moved");
        field("czl", "残值率(%)", EditKind::Number);
        field("zjys", "折旧月数", EditKind::Number);
        field("ljzj", "累计折旧", EditKind::Number).readOnly = true;
        field("isSold", "已变卖", EditKind::Check).readOnly = true;
        field("comment", "备注", EditKind::Memo);
        return k;
    }();
    return kind;
}

const BaseKind& kindForFunction(const BaseKind& listed, int functionCode) {
    if (listed.kindCode == u"KM" && functionCode == assetCardKind().functionCode)
        return assetCardKind();
    return listed;
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
    if (!kind.recordIdColumn.isEmpty())
        return kind.listSql + QStringLiteral(" AND ") + kind.recordIdColumn +
               QStringLiteral(" = ") + QString::number(sourceId);
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
