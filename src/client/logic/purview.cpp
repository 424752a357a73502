#include "client/logic/purview.h"

#include "client/logic/lookups.h"

namespace dyt::client::purview {

namespace {

const char16_t* const kGroups[] = {
    u"全部权限",   u"基本信息资料", u"进货类单据", u"销售类单据", u"库存类单据", u"财务类单据",
    u"借欠类单据", u"进货类报表",   u"销售类报表", u"库存类报表", u"往来账报表", u"财务类报表",
    u"借欠类报表", u"其它类报表",   u"期初建账",   u"辅助功能",   u"系统维护",   u"其它权限"};

const RecordKind kKinds[] = {
    {u"商品授权", "SPSQ", "GoodsStr", "baseGoods", "baseGoodsPurview"},
    {u"单位授权", "DWSQ", "wldwStr", "baseWLDW", "baseWLDWPurview"},
    {u"仓库授权", "CKSQ", "ckStr", "baseCK", "baseCKPurview"},
    {u"银行账户授权", "YHZHSQ", "kmStr", "baseKM", "baseYHZHPurview", true},
    {u"职员授权", "ZYSQ", "zyStr", "baseZY", "basezyPurview"},
    {u"部门授权", "BMSQ", "BMStr", "baseBM", "basebmPurview"},
};

QString latin(const char* text) {
    return QString::fromLatin1(text);
}

}  // namespace

std::span<const char16_t* const> groupNames() {
    return kGroups;
}

QString copySourcesSql(qint64 chosen) {
    return QStringLiteral(
               "  SELECT a.*,b.code,b.fullname FROM sysuser AS a,baseZY AS b  WHERE a.id = b.id "
               "AND a.id <> 1 AND a.id <> ") +
           QString::number(chosen);
}

QString setPasswordSql(qint64 user, const QString& password) {
    return QStringLiteral("Update sysuser set password = ") + quotedStr(password) +
           QStringLiteral(" where id = ") + QString::number(user);
}

QString ownPasswordSql(qint64 user, const QString& password) {
    return QStringLiteral("UPDATE sysuser SET password = ") + quotedStr(password) +
           QStringLiteral("  WHERE id = ") + QString::number(user);
}

QString checkOwnPassword(const QString& oldPassword, const QString& loginPassword,
                         const QString& newPassword, const QString& confirmation) {
    if (oldPassword.trimmed() != loginPassword)
        return wrongOldPassword();
    if (newPassword.trimmed() != confirmation.trimmed())
        return passwordsDiffer();
    return {};
}

std::span<const RecordKind> recordKinds() {
    return kKinds;
}

QString grantableOperatorsSql(qint64 loggedIn) {
    return QStringLiteral(
               "  SELECT a.* FROM basezy AS a,sysUser AS b WHERE a.id = b.id AND a.sonnum = 0  "
               "AND a.del = 0 AND a.candel = 1 AND a.id <> ") +
           QString::number(loggedIn);
}

QString subtreeSql(const RecordKind& kind, int state, qint64 user, qint64 id) {
    const QString table = latin(kind.table);
    return QStringLiteral("  UPDATE a SET a.isbj = ") + QString::number(state) +
           QStringLiteral(" FROM ") + latin(kind.rightsTable) + QStringLiteral(" AS a,") + table +
           QStringLiteral(" AS b") + QStringLiteral(" WHERE a.id = b.ID ") +
           QStringLiteral(" AND a.czy_id = ") + QString::number(user) +
           QStringLiteral(" AND b.par_jl LIKE (SELECT k.par_jl FROM ") + table +
           QStringLiteral(" AS k WHERE k.ID = ") + QString::number(id) + QStringLiteral(") + '%'");
}

QString categoriesSql(const RecordKind& kind, qint64 user) {
    const QString table = latin(kind.table);
    const QString rights = latin(kind.rightsTable);
    return QStringLiteral("  UPDATE a SET a.isbj = CASE WHEN  (SELECT count(m.id) FROM ") + rights +
           QStringLiteral(" AS m,") + table +
           QStringLiteral(
               " AS h WHERE m.id = h.id AND  m.czy_id = a.czy_id AND  h.par_jl LIKE b.par_jl + "
               "'%' AND m.isbj = 1 AND h.sonnum = 0 AND h.del = 0) > 0 THEN 1 ELSE 0 END") +
           QStringLiteral(" FROM ") + rights + QStringLiteral(" AS a,") + table +
           QStringLiteral(" AS b WHERE a.id = b.ID  AND a.czy_id = ") + QString::number(user) +
           QStringLiteral(" AND b.sonnum > 0");
}

}  // namespace dyt::client::purview
