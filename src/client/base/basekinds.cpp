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
