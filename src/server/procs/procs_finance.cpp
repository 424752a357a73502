// The finance accounts of the base records (baseCWKM) that the voucher export maps the account
// lines of the bills through: p_Base_Up_CWKM sets or clears the account of one goods, partner,
// warehouse or department (or of a category, for every record below it).
#include "common/error.h"
#include "server/db/database.h"
#include "server/procs/bill_common.h"
#include "server/procs/registry.h"

namespace dyt::server {

namespace {

// The longest account code the finance programs take.
constexpr int kMaxCodeLength = 40;

struct FinanceKind {
    int type;
    const char* table;
    const char* name;
};

constexpr FinanceKind kKinds[] = {
    {1, "baseGoods", "商品"},
    {2, "baseWLDW", "往来单位"},
    {3, "baseCK", "仓库"},
    {4, "baseBM", "部门"},
};

// type (1 goods, 2 partners, 3 warehouses, 4 departments), id, kmcode (empty: no account).
int upFinanceAccount(CallContext& c) {
    const ParamList& p = c.params;
    const qint64 type =
        billvalues::id(p.value(QStringLiteral("type")).trimmed(), QStringLiteral("类型"));
    const FinanceKind* kind = nullptr;
    for (const FinanceKind& k : kKinds) {
        if (k.type == type)
            kind = &k;
    }
    if (!kind)
        throw DytError(QStringLiteral("财务科目配置的类型只能是1到4：%1").arg(type));
    const qint64 id =
        billvalues::id(p.value(QStringLiteral("id")).trimmed(), QString::fromUtf8(kind->name));
    const QString what = QString::fromUtf8(kind->name);
    const QVariant fullname =
        c.db.scalar(QStringLiteral("SELECT fullname FROM %1 WHERE id = ? AND del = 0")
                        .arg(QLatin1String(kind->table)),
                    {id});
    if (!fullname.isValid())
        throw DytError(QStringLiteral("%1不存在（ID：%2）").arg(what).arg(id));
    const QString code = p.value(QStringLiteral("kmcode")).trimmed();
    // The code goes into the "|"-separated lines of the voucher file as it is.
    for (QChar ch : code) {
        if (ch == u'|' || ch.category() == QChar::Other_Control)
            throw DytError(QStringLiteral("财务科目编号不能含有“|”或控制字符：%1").arg(code));
    }
    if (code.size() > kMaxCodeLength)
        throw DytError(
            QStringLiteral("财务科目编号不能超过%1个字符：%2").arg(kMaxCodeLength).arg(code));
    if (code.isEmpty()) {
        c.db.execute(QStringLiteral("DELETE FROM baseCWKM WHERE type = ? AND id = ?"), {type, id});
    } else {
        c.db.execute(QStringLiteral("INSERT INTO baseCWKM(type, id, kmcode) VALUES (?, ?, ?) "
                                    "ON CONFLICT(type, id) DO UPDATE SET kmcode = excluded.kmcode"),
                     {type, id, code});
    }
    return 0;
}

}  // namespace

void registerFinanceAccountProcedures(Registry& procedures) {
    procedures.add(QStringLiteral("p_Base_Up_CWKM"), upFinanceAccount);
}

}  // namespace dyt::server
