#include "client/logic/voucher.h"

#include "common/gbk.h"
#include "common/recordset.h"
#include "common/sqltext.h"

namespace dyt::client {

namespace fieldcaptions {

const QList<Kind>& kinds() {
    static const QList<Kind> list = {{QStringLiteral("商品信息"), 1001},
                                     {QStringLiteral("单位信息"), 1003},
                                     {QStringLiteral("职员信息"), 1002},
                                     {QStringLiteral("仓库信息"), 1004},
                                     {QStringLiteral("部门信息"), 1005}};
    return list;
}

QString loadSql(int prefix) {
    return QStringLiteral("SELECT * FROM baseFieldNames ") + QStringLiteral(" WHERE code LIKE '") +
           QString::number(prefix) + QStringLiteral("%'") + QStringLiteral(" order by code");
}

QString updateSql(const QString& code, const QString& name) {
    return QStringLiteral("Update baseFieldNames set name = ") + sqlQuoted(name) +
           QStringLiteral("  where code = ") + sqlQuoted(code);
}

}  // namespace fieldcaptions

namespace financeaccounts {

const QList<Kind>& kinds() {
    static const QList<Kind> list = {
        {202301, 1, QStringLiteral("商品财务科目配置"), QStringLiteral("baseGoods"),
         QStringLiteral("商品编号"), QStringLiteral("商品全名")},
        {202302, 2, QStringLiteral("往来单位财务科目配置"), QStringLiteral("baseWLDW"),
         QStringLiteral("单位编号"), QStringLiteral("单位全名")},
        {202303, 3, QStringLiteral("仓库财务科目配置"), QStringLiteral("baseCK"),
         QStringLiteral("仓库编号"), QStringLiteral("仓库全名")},
        {202304, 4, QStringLiteral("部门财务科目配置"), QStringLiteral("baseBM"),
         QStringLiteral("部门编号"), QStringLiteral("部门全名")},
    };
    return list;
}

const Kind& kindOf(int functionCode) {
    for (const Kind& k : kinds()) {
        if (k.functionCode == functionCode)
            return k;
    }
    return kinds().first();
}

QString listSql(const Kind& kind) {
    return QStringLiteral(
               "SELECT a.id, a.code, a.fullname, a.sonnum, a.leveal, a.par_jl, "
               "isnull(m.kmcode, '') AS kmcode FROM %1 AS a LEFT JOIN baseCWKM AS m "
               "ON m.type = %2 AND m.id = a.id WHERE a.del = 0 ORDER BY a.code, a.id")
        .arg(kind.table)
        .arg(kind.type);
}

ParamList saveParams(const Kind& kind, qint64 id, const QString& kmcode) {
    ParamList p;
    p.setValue(QStringLiteral("type"), QString::number(kind.type));
    p.setValue(QStringLiteral("id"), QString::number(id));
    p.setValue(QStringLiteral("kmcode"), kmcode.trimmed());
    return p;
}

}  // namespace financeaccounts

namespace voucher {

QString billKindList() {
    // The kinds whose posting writes account lines.
    static const int kinds[] = {1,  2,  3,  5,  6,  7,  10, 11, 12, 13, 14, 16, 17, 18,
                                19, 20, 21, 22, 28, 29, 30, 31, 32, 33, 42, 59, 60};
    QString text = QStringLiteral(" (");
    for (int k : kinds)
        text += QString::number(k) + QLatin1Char(',');
    return text + QStringLiteral("0) ");
}

QString idList(const QList<qint64>& ids) {
    QString text = QStringLiteral(" (");
    for (qint64 id : ids)
        text += QString::number(id) + QLatin1Char(',');
    return text + QStringLiteral(" 0)");
}

ParamList billParams(const QDate& begin, const QDate& end, int operatorId) {
    ParamList p;
    const QString op = QStringLiteral(";czy_id=") + QString::number(operatorId);
    p.setValue(QStringLiteral("dj_state"), QStringLiteral("2"));
    p.setValue(QStringLiteral("QueryType"), QString());
    p.setValue(QStringLiteral("filter"), QStringLiteral(";isred=1"));
    for (const char* key : {"wldwStr", "ckStr", "bmStr", "kmStr", "GoodsStr"})
        p.setValue(QLatin1String(key), op);
    p.setValue(QStringLiteral("zyStr"), op + QStringLiteral(";candel=0"));
    p.setValue(QStringLiteral("djStr"), billKindList());
    p.setValue(QStringLiteral("BeginDate"), begin.toString(QStringLiteral("yyyy-MM-dd")));
    p.setValue(QStringLiteral("EndDate"), end.toString(QStringLiteral("yyyy-MM-dd")));
    return p;
}

ParamList lineParams(const QList<qint64>& ids, bool summary) {
    ParamList p;
    p.setValue(QStringLiteral("QueryType"), QStringLiteral("DCPZ"));
    p.setValue(QStringLiteral("filter"),
               QStringLiteral(";isred=1;itype=") + (summary ? QLatin1Char('1') : QLatin1Char('0')));
    p.setValue(QStringLiteral("djStr"), idList(ids));
    return p;
}

QString summaryCaption(const QDateTime& now) {
    return summaryBox() + now.toString(QStringLiteral("yyyyMMddHHmmss"));
}

QString proposedFileName(const QDateTime& now) {
    return QStringLiteral("财务凭证接口") + now.toString(QStringLiteral("yyyy-MM-dd.HHmm"));
}

QString targetFile(const QString& chosen) {
    return chosen + QStringLiteral(".txt");
}

QString fileLine(const RecordSet& lines) {
    static const char* const fields[] = {"date",      "comment",  "",         "kmcode",   "dbTotal",
                                         "LendTotal", "rec_name", "wldwCode", "jsr_name", "bm_name",
                                         "dbQty",     "LendQty",  "summery"};
    QString line;
    for (const char* f : fields) {
        if (*f)
            line += lines.text(QLatin1String(f));
        line += QLatin1Char('|');
    }
    return line;
}

QByteArray fileBytes(const QStringList& lines) {
    QByteArray out;
    for (const QString& l : lines)
        out += gbk::encode(l) + QByteArrayLiteral("\r\n");
    return out;
}

QString markSql(const QList<qint64>& ids, bool summary, const QString& caption) {
    if (summary)
        return QStringLiteral("UPDATE djindex SET pz_Caption = ") + sqlQuoted(caption.trimmed()) +
               QStringLiteral(" WHERE id IN ") + idList(ids);
    return QStringLiteral("UPDATE djindex SET pz_Caption = code WHERE id IN ") + idList(ids);
}

}  // namespace voucher
}  // namespace dyt::client
