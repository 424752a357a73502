#include "common/basecache.h"

#include <iterator>

namespace dyt::basecache {

QString goodsKind() {
    return QStringLiteral("SP_");
}
QString partnersKind() {
    return QStringLiteral("DW_");
}
QString departmentsKind() {
    return QStringLiteral("BM_");
}
QString accountsKind() {
    return QStringLiteral("KM_");
}
QString accountNamesKind() {
    return QStringLiteral("KMName");
}
QString warehousesKind() {
    return QStringLiteral("CK_");
}
QString employeesKind() {
    return QStringLiteral("ZY_");
}

QStringList cacheKinds() {
    return {goodsKind(),        partnersKind(),   departmentsKind(), accountsKind(),
            accountNamesKind(), warehousesKind(), employeesKind()};
}

QString procedureName() {
    return QStringLiteral("P_JXC_Get_Base");
}
QString updateTimeKey() {
    return QStringLiteral("UpdateTime");
}
QString initialStamp() {
    return QStringLiteral("2000-01-01");
}

namespace {

void addTexts(QList<Column>& out, const char* const* names, int count) {
    for (int i = 0; i < count; ++i)
        out.append({QString::fromLatin1(names[i]), ColumnKind::Text});
}

void addNumbered(QList<Column>& out, const QString& stem, int from, int to) {
    for (int i = from; i <= to; ++i)
        out.append({stem + QString::number(i), ColumnKind::Text});
}

}  // namespace

const QList<Column>& goodsColumns() {
    static const QList<Column> columns = [] {
        QList<Column> out{{QStringLiteral("sp_id"), ColumnKind::Id}};
        const char* const texts[] = {"sp_spbh", "sp_spqm", "sp_spjm", "sp_pym",  "sp_gg",
                                     "sp_xh",   "sp_cd",   "sp_cbsf", "sp_zt",   "sp_jbdw",
                                     "sp_dwgx", "sp_yxq",  "sp_sptm", "sp_lsj",  "sp_lsj1",
                                     "sp_lsj2", "sp_lsj3", "sp_bz",   "sp_fzdw", "sp_tcfs"};
        addTexts(out, texts, static_cast<int>(std::size(texts)));
        addNumbered(out, QStringLiteral("sp_bz"), 1, 10);
        out.append({QStringLiteral("isCanYuZheShangZhe"), ColumnKind::Integer});
        out.append({QStringLiteral("sp_sptype"), ColumnKind::Integer});
        out.append({QStringLiteral("sp_sptypename"), ColumnKind::Text});
        out.append({QStringLiteral("sp_jxqNum"), ColumnKind::Integer});
        out.append({QStringLiteral("sp_wldw_name"), ColumnKind::Text});
        out.append({QStringLiteral("sp_fdw"), ColumnKind::Text});
        return out;
    }();
    return columns;
}

const QList<Column>& partnerColumns() {
    static const QList<Column> columns = [] {
        QList<Column> out{{QStringLiteral("dw_id"), ColumnKind::Id}};
        const char* const texts[] = {"dw_dwbh", "dw_dwqm", "dw_dwjm", "dw_pym",  "dw_dhhm",
                                     "dw_dwdz", "dw_cz",   "dw_dzyj", "dw_sjhm", "dw_khyh",
                                     "dw_yhzh", "dw_yzbm", "dw_lxr",  "dw_sh",   "dw_dqbh",
                                     "dw_dqqm", "dw_bz",   "dw_je"};
        addTexts(out, texts, static_cast<int>(std::size(texts)));
        addNumbered(out, QStringLiteral("dw_bz"), 1, 10);
        for (const char* money : {"ystotal", "yftotal", "yushoutotal", "yufutotal"})
            out.append({QString::fromLatin1(money), ColumnKind::Money});
        return out;
    }();
    return columns;
}

FieldType fieldTypeOf(ColumnKind kind) {
    switch (kind) {
        case ColumnKind::Id:
        case ColumnKind::Integer:
            return FieldType::Integer;
        case ColumnKind::Money:
            return FieldType::Currency;
        case ColumnKind::Text:
            break;
    }
    return FieldType::Text;
}

RecordSet emptyRecordSet(const QList<Column>& columns) {
    RecordSet rs;
    for (const Column& c : columns)
        rs.addField(c.name, fieldTypeOf(c.kind));
    return rs;
}

}  // namespace dyt::basecache
