// Reading bills: P_JXC_DJ_GetDJIndex (one bill header, or the bill lists of the query and picking
// windows) and P_JXC_DJ_GetDJList (the lines of a bill, the account rows and settled bills of a
// receipt or payment, the open bills of a partner, the lines offered for picking).
//
// Condition strings (wldwStr, zyStr, ckStr, bmStr, kmStr, GoodsStr, filter) are parsed and their
// values bound; a record filter is ";id=<record>" (";wldw_id=" for the partner too), with
// ";issub=1" taking in the record's sub-records as well; an empty id means all records.
// `filter` carries ";isred=" (0 all bills; 1 neither reversed bills nor reversal bills;
// 2 only those), ";isOver=" (0 or 1: only bills not yet / already fully taken over),
// ";djtype=" (one bill kind), ";code=" and ";summery=" (bills whose number or abstract holds
// that text) and ";state=" (orders: 0 all, 1 open, 2 finished, 3 stopped).
// Drafts of other operators are listed only to operator 1 and holders of right 6010.
// The rows carry OrderState, the state of an order in words ("未执行", "部分执行", "已完成",
// "已中止"; empty for other bills); an order's isOver is 0 open, 1 delivered in full, 2 stopped
// and 3 finished by hand.
// Kind and id lists (djStr) are "(" numbers separated by "," ")", blanks allowed around each
// number, the 0 that closes the list ignored: " (1,5,0) ", "(8)", " (11,12, 0)".
#include <QStringList>

#include "common/condition.h"
#include "common/error.h"
#include "server/db/database.h"
#include "server/db/where.h"
#include "server/procs/bill_common.h"
#include "server/procs/registry.h"

namespace dyt::server {
namespace {

QList<qint64> parseIdList(const QString& text, const QString& what) {
    const QString t = text.trimmed();
    QList<qint64> ids;
    if (t.isEmpty())
        return ids;
    if (!t.startsWith(QLatin1Char('(')) || !t.endsWith(QLatin1Char(')')))
        throw DytError(QStringLiteral("[%1]格式错误：%2").arg(what, text));
    const QStringList items = t.mid(1, t.size() - 2).split(QLatin1Char(','));
    for (const QString& item : items) {
        const QString n = item.trimmed();
        bool digits = !n.isEmpty() && n.size() <= 18;
        for (QChar ch : n)
            digits = digits && ch >= QLatin1Char('0') && ch <= QLatin1Char('9');
        if (!digits)
            throw DytError(QStringLiteral("[%1]格式错误：%2").arg(what, text));
        const qint64 v = n.toLongLong();
        if (v != 0)
            ids << v;
    }
    return ids;
}

QString marks(qsizetype n) {
    QStringList m;
    for (qsizetype i = 0; i < n; ++i)
        m << QStringLiteral("?");
    return m.join(QStringLiteral(", "));
}

QVariantList variants(const QList<qint64>& ids) {
    QVariantList out;
    for (qint64 v : ids)
        out << v;
    return out;
}

// filter: ";isred=…;isOver=…;djtype=…".
void addBillFilter(Where& w, const QString& text, const QString& alias) {
    const ConditionString cs = ConditionString::parse(text.trimmed());
    const QString isred = cs.value(QStringLiteral("isred")).trimmed();
    if (!isred.isEmpty()) {
        const qint64 v = billvalues::id(isred, QStringLiteral("isred"));
        if (v > 2)
            throw DytError(QStringLiteral("[isred]只能是0、1或2：%1").arg(isred));
        addRedFilter(w, static_cast<int>(v), alias);
    }
    const QString isOver = cs.value(QStringLiteral("isOver")).trimmed();
    if (!isOver.isEmpty())
        w.add(QStringLiteral("%1.isOver = ?").arg(alias),
              {billvalues::id(isOver, QStringLiteral("isOver"))});
    const QString state = cs.value(QStringLiteral("state")).trimmed();
    if (!state.isEmpty()) {
        const qint64 v = billvalues::id(state, QStringLiteral("订单状态"));
        if (v > 3)
            throw DytError(QStringLiteral("[订单状态]只能是0、1、2或3：%1").arg(state));
        const char* const clauses[] = {nullptr, "%1.isOver = 0", "%1.isOver IN (1, 3)",
                                       "%1.isOver = 2"};
        if (v > 0)
            w.add(QString::fromLatin1(clauses[v]).arg(alias));
    }
    const QString kind = cs.value(QStringLiteral("djtype")).trimmed();
    if (!kind.isEmpty())
        w.add(QStringLiteral("%1.djType = ?").arg(alias),
              {billvalues::id(kind, QStringLiteral("djtype"))});
    // The advanced query of the business history: part of the number or of the abstract.
    for (const char* column : {"code", "summery"}) {
        const QString part = cs.value(QLatin1String(column)).trimmed();
        if (!part.isEmpty())
            w.add(QStringLiteral("instr(%1.%2, ?) > 0").arg(alias, QLatin1String(column)), {part});
    }
}

void addDateRange(Where& w, const ParamList& p, const QString& column) {
    const auto begin =
        billvalues::optionalDate(p.value(QStringLiteral("BeginDate")), QStringLiteral("开始日期"));
    const auto end =
        billvalues::optionalDate(p.value(QStringLiteral("EndDate")), QStringLiteral("结束日期"));
    if (begin)
        w.add(column + QStringLiteral(" >= ?"), {billvalues::dateText(*begin)});
    if (end)
        w.add(column + QStringLiteral(" <= ?"), {billvalues::dateText(*end)});
}

const QString kIndexSelect = QStringLiteral(
    "SELECT a.*, COALESCE(w.code, '') AS wldw_code, COALESCE(w.fullname, '') AS wldw_name, "
    "COALESCE(z.code, '') AS jsr_code, COALESCE(z.fullname, '') AS jsr_name, "
    "COALESCE(b.code, '') AS bm_Code, COALESCE(b.fullname, '') AS bm_Name, "
    "COALESCE(ci.code, '') AS IntoStock_Code, COALESCE(ci.fullname, '') AS IntoStock_Name, "
    "COALESCE(co.code, '') AS OutStock_Code, COALESCE(co.fullname, '') AS OutStock_Name, "
    "COALESCE(pz.fullname, '') AS post_Name, COALESCE(k1.fullname, '') AS sfkKm_Name, "
    "COALESCE(k2.fullname, '') AS yfKm_Name, COALESCE(yw.fullname, '') AS yfwldw_Name, "
    "a.total - a.youhuiTotal AS yhhtotal, "
    "CASE WHEN a.isDuiZhang = 1 THEN '是' ELSE '' END AS DuiZhang, "
    "CASE WHEN a.djType NOT IN (4, 8) THEN '' WHEN a.isOver = 2 THEN '已中止' "
    "WHEN a.isOver <> 0 THEN '已完成' WHEN EXISTS (SELECT 1 FROM djList AS o WHERE o.id = a.id "
    "AND o.toQty <> 0) THEN '部分执行' ELSE '未执行' END AS OrderState "
    "FROM djIndex AS a "
    "LEFT JOIN baseWLDW AS w ON w.id = a.wldw_id "
    "LEFT JOIN baseZY AS z ON z.id = a.jsr_id "
    "LEFT JOIN baseBM AS b ON b.id = a.dep_id "
    "LEFT JOIN baseCK AS ci ON ci.id = a.IntoStock_id "
    "LEFT JOIN baseCK AS co ON co.id = a.OutStock_id "
    "LEFT JOIN baseZY AS pz ON pz.id = a.postid "
    "LEFT JOIN baseKM AS k1 ON k1.id = a.sfkKm_id "
    "LEFT JOIN baseKM AS k2 ON k2.id = a.yfKm_id "
    "LEFT JOIN baseWLDW AS yw ON yw.id = a.yfwldw_id");

int getDJIndex(CallContext& c) {
    const ParamList& p = c.params;
    Where w;
    // The operator's own condition string must at least be well formed.
    ConditionString::parse(p.value(QStringLiteral("zyStr")).trimmed());
    const qint64 id = billvalues::id(p.value(QStringLiteral("id")), QStringLiteral("单据ID"));
    // The operator's record rights (switch 2004): a bill of a refused partner, warehouse,
    // employee, department or bank account is neither listed nor read.
    RecordRights(c.db, c.userId).addBill(w, QStringLiteral("a"));
    if (id > 0) {
        w.add(QStringLiteral("a.id = ? AND a.dj_state <> 0"), {id});
    } else {
        const QString state = p.value(QStringLiteral("dj_state")).trimmed();
        if (state.isEmpty()) {
            w.add(QStringLiteral("a.dj_state <> 0"));
        } else {
            const qint64 s = billvalues::id(state, QStringLiteral("单据状态"));
            if (s > 2)
                throw DytError(QStringLiteral("[单据状态]只能是0、1或2：%1").arg(state));
            w.add(QStringLiteral("a.dj_state = ?"), {s});
        }
        const QList<qint64> kinds =
            parseIdList(p.value(QStringLiteral("djStr")), QStringLiteral("单据类型"));
        if (!kinds.isEmpty())
            w.add(QStringLiteral("a.djType IN (%1)").arg(marks(kinds.size())), variants(kinds));
        addDateRange(w, p, QStringLiteral("a.date"));
        addBillFilter(w, p.value(QStringLiteral("filter")), QStringLiteral("a"));

        const RecordChoice partner =
            recordChoice(p.value(QStringLiteral("wldwStr")), QStringLiteral("往来单位"),
                         QStringLiteral("wldw_id"));
        if (partner.id > 0) {
            QVariantList v;
            const QString in = inRecords(partner, QStringLiteral("baseWLDW"), &v);
            w.add(QStringLiteral("a.wldw_id ") + in, v);
        }
        // The picking of an order by its number: ";Code=" in place of the partner.
        const QString billCode =
            ConditionString::parse(p.value(QStringLiteral("wldwStr")).trimmed())
                .value(QStringLiteral("Code"))
                .trimmed();
        if (!billCode.isEmpty())
            w.add(QStringLiteral("a.code = ?"), {billCode});
        const RecordChoice employee =
            recordChoice(p.value(QStringLiteral("zyStr")), QStringLiteral("职员"));
        if (employee.id > 0) {
            QVariantList v;
            const QString in = inRecords(employee, QStringLiteral("baseZY"), &v);
            w.add(QStringLiteral("a.jsr_id ") + in, v);
        }
        const RecordChoice dept =
            recordChoice(p.value(QStringLiteral("bmStr")), QStringLiteral("部门"));
        if (dept.id > 0) {
            QVariantList v;
            const QString in = inRecords(dept, QStringLiteral("baseBM"), &v);
            w.add(QStringLiteral("a.dep_id ") + in, v);
        }
        const RecordChoice stock =
            recordChoice(p.value(QStringLiteral("ckStr")), QStringLiteral("仓库"));
        if (stock.id > 0) {
            QVariantList v;
            const QString in1 = inRecords(stock, QStringLiteral("baseCK"), &v);
            const QString in2 = inRecords(stock, QStringLiteral("baseCK"), &v);
            const QString in3 = inRecords(stock, QStringLiteral("baseCK"), &v);
            const QString in4 = inRecords(stock, QStringLiteral("baseCK"), &v);
            w.add(QStringLiteral("(a.IntoStock_id %1 OR a.OutStock_id %2 OR EXISTS (SELECT 1 FROM "
                                 "djList AS l WHERE l.id = a.id AND (l.IntoStock_id %3 OR "
                                 "l.OutStock_id %4)))")
                      .arg(in1, in2, in3, in4),
                  v);
        }
        const RecordChoice account =
            recordChoice(p.value(QStringLiteral("kmStr")), QStringLiteral("账户"));
        if (account.id > 0) {
            QVariantList v;
            const QString in1 = inRecords(account, QStringLiteral("baseKM"), &v);
            const QString in2 = inRecords(account, QStringLiteral("baseKM"), &v);
            w.add(QStringLiteral("(EXISTS (SELECT 1 FROM djKmDetail AS k WHERE k.id = a.id AND "
                                 "k.km_id %1) OR EXISTS (SELECT 1 FROM djList AS l WHERE l.id = "
                                 "a.id AND l.km_id %2))")
                      .arg(in1, in2),
                  v);
        }
        if (!mayHandleOthersDrafts(c.db, c.userId))
            w.add(QStringLiteral("(a.dj_state <> 1 OR a.rec_id = ?)"), {c.userId});
        const RecordChoice goods =
            recordChoice(p.value(QStringLiteral("GoodsStr")), QStringLiteral("商品"));
        if (goods.id > 0) {
            QVariantList v;
            const QString in = inRecords(goods, QStringLiteral("baseGoods"), &v);
            w.add(QStringLiteral("EXISTS (SELECT 1 FROM djList AS l WHERE l.id = a.id AND "
                                 "l.goodsid %1)")
                      .arg(in),
                  v);
        }
    }
    c.data =
        c.db.query(kIndexSelect + w.clause() + QStringLiteral(" ORDER BY a.date, a.id"), w.values);
    return 0;
}

// Receipts settle the receivable side, payments the payable side; returns count negative.
const QList<qint64> kReceivableKinds = {1, 2, 3, 40, 44};
const QList<qint64> kPayableKinds = {5, 6, 7, 37, 46};

// Signed amount of a bill (its total after the discount) and what it leaves to settle (less what
// was paid at once).
const QString kSignedTotal =
    QStringLiteral("(CASE WHEN s.djType IN (2, 6) THEN -1 ELSE 1 END) * (s.total - s.youhuiTotal)");
const QString kSignedOpen = QStringLiteral(
    "(CASE WHEN s.djType IN (2, 6) THEN -1 ELSE 1 END) * (s.total - s.youhuiTotal - s.sfkTotal)");
// What posted receipts and payments other than bill ?1 settled of bill s.
const QString kSettledByOthers = QStringLiteral(
    "(SELECT COALESCE(SUM(o.total), 0) FROM djList AS o, djIndex AS oi WHERE oi.id = o.id AND "
    "o.km_id = 0 AND o.s_id = s.id AND oi.dj_state = 2 AND oi.djType IN (21, 22) AND o.id <> ?)");

const QString kLineSelect = QStringLiteral(
    "SELECT l.*, l.unit AS unitid, COALESCE(g.code, '') AS goodsCode, "
    "COALESCE(g.fullname, '') AS goodsname, COALESCE(g.gg, '') AS gg, COALESCE(g.xh, '') AS xh, "
    "COALESCE(u.unit, '') AS unitName, COALESCE(ci.code, '') AS IntoStockCode, "
    "COALESCE(ci.fullname, '') AS IntoStockname, COALESCE(co.code, '') AS OutStockCode, "
    "COALESCE(co.fullname, '') AS OutStockname, COALESCE(k.code, '') AS km_Code, "
    "COALESCE(k.fullname, '') AS km_Name, "
    "CASE WHEN l.RowType = 1 THEN '赠品' ELSE '' END AS RowTypeName ");
const QString kLineJoins = QStringLiteral(
    "LEFT JOIN baseGoods AS g ON g.id = l.goodsid "
    "LEFT JOIN baseGoodsUnit AS u ON u.Goodsid = l.goodsid AND u.fzdwid = l.unit "
    "LEFT JOIN baseCK AS ci ON ci.id = l.IntoStock_id "
    "LEFT JOIN baseCK AS co ON co.id = l.OutStock_id "
    "LEFT JOIN baseKM AS k ON k.id = l.km_id ");

// The receipt (21) or payment (22) side a WSKDJ call is for: the line djType, else the filter's
// djtype, else the kind of bill `id`, else a receipt.
qint64 settlingKind(CallContext& c, qint64 billId) {
    const ParamList& p = c.params;
    qint64 kind = billvalues::id(p.value(QStringLiteral("djType")), QStringLiteral("单据类型"));
    if (kind == 0) {
        kind = billvalues::id(
            conditionValue(p.value(QStringLiteral("filter")).trimmed(), QStringLiteral("djtype")),
            QStringLiteral("djtype"));
    }
    if (kind == 0 && billId > 0) {
        kind = c.db.scalar(QStringLiteral("SELECT djType FROM djIndex WHERE id = ?"), {billId})
                   .toLongLong();
    }
    return kind == 22 ? 22 : 21;
}

int getDJList(CallContext& c) {
    const ParamList& p = c.params;
    const QString type = p.value(QStringLiteral("QueryType")).trimmed();
    const qint64 id = billvalues::id(p.value(QStringLiteral("id")), QStringLiteral("单据ID"));
    // Record rights: nothing of a bill the operator may not see, no line of a refused goods, no
    // settled or open bill he may not see.
    const RecordRights rights(c.db, c.userId);
    Where lines;
    lines.add(QStringLiteral("l.id = ?"), {id});
    rights.addBillOf(lines, QStringLiteral("l.id"));

    const qint64 kind =
        type.isEmpty()
            ? c.db.scalar(QStringLiteral("SELECT djType FROM djIndex WHERE id = ?"), {id}).toLongLong()
            : 0;
    if (kind == 23 || kind == 24 || kind == 25) {
        // Fixed-asset bills: the line's goodsid is the asset card.
        c.data = c.db.query(
            QStringLiteral("SELECT l.*, l.goodsid AS gdzc_id, COALESCE(z.code, '') AS gdzc_Code, "
                           "COALESCE(z.Name, '') AS gdzc_Name, COALESCE(k.code, '') AS km_Code, "
                           "COALESCE(k.fullname, '') AS km_Name FROM djList AS l LEFT JOIN "
                           "GDZCDetail AS z ON z.id = l.goodsid LEFT JOIN baseKM AS k ON k.id = "
                           "l.km_id WHERE ") +
                lines.text() + QStringLiteral(" ORDER BY l.orderid"),
            lines.values);
    } else if (kind == 34) {
        // Vouchers: each entry's amount split back into its debit and credit side.
        c.data = c.db.query(
            QStringLiteral("SELECT l.*, CASE WHEN l.total > 0 THEN l.total ELSE 0 END AS dbTotal, "
                           "CASE WHEN l.total < 0 THEN -l.total ELSE 0 END AS LendTotal, "
                           "COALESCE(k.code, '') AS km_Code, COALESCE(k.fullname, '') AS km_Name "
                           "FROM djList AS l LEFT JOIN baseKM AS k ON k.id = l.km_id WHERE ") +
                lines.text() + QStringLiteral(" ORDER BY l.orderid"),
            lines.values);
    } else if (type.isEmpty()) {
        rights.add(lines, RecordKind::Goods, QStringLiteral("l.goodsid"));
        c.data = c.db.query(kLineSelect + QStringLiteral("FROM djList AS l ") + kLineJoins +
                                QStringLiteral("WHERE ") + lines.text() +
                                QStringLiteral(" ORDER BY l.orderid"),
                            lines.values);
    } else if (type.compare(QLatin1String("SKD_KM"), Qt::CaseInsensitive) == 0) {
        c.data = c.db.query(
            QStringLiteral("SELECT l.km_id, l.orderid, k.code AS km_Code, k.fullname AS km_Name, "
                           "l.total, l.rowbeizhu1, l.rowbeizhu2, l.rowbeizhu3, l.rowbeizhu4, "
                           "l.rowbeizhu5, l.comment FROM djList AS l, baseKM AS k WHERE k.id = "
                           "l.km_id AND l.km_id > 0 AND ") +
                lines.text() + QStringLiteral(" ORDER BY l.orderid"),
            lines.values);
    } else if (type.compare(QLatin1String("SKD_DJ"), Qt::CaseInsensitive) == 0) {
        rights.addBill(lines, QStringLiteral("s"));
        c.data = c.db.query(
            QStringLiteral("SELECT l.s_id, s.djType, s.code AS billCode, s.date, s.dj_Caption, "
                           "%1 AS totalSum, ROUND(%2 - %3, 4) AS ye, l.total AS Total, l.comment, "
                           "l.orderid FROM djList AS l, djIndex AS s WHERE s.id = l.s_id AND "
                           "l.km_id = 0 AND l.s_id > 0 AND %4 ORDER BY l.orderid")
                .arg(kSignedTotal, kSignedOpen, kSettledByOthers, lines.text()),
            QVariantList{id} + lines.values);
    } else if (type.compare(QLatin1String("WSKDJ"), Qt::CaseInsensitive) == 0) {
        const QList<qint64>& kinds = settlingKind(c, id) == 22 ? kPayableKinds : kReceivableKinds;
        Where w;
        w.add(QStringLiteral("s.dj_state = 2 AND s.isred = 0 AND s.isredword = 0"));
        w.add(QStringLiteral("s.djType IN (%1)").arg(marks(kinds.size())), variants(kinds));
        const RecordChoice partner =
            recordChoice(p.value(QStringLiteral("wldwStr")), QStringLiteral("往来单位"),
                         QStringLiteral("wldw_id"));
        if (partner.id == 0)
            throw DytError(QStringLiteral("请先选择往来单位"));
        QVariantList v;
        const QString in = inRecords(partner, QStringLiteral("baseWLDW"), &v);
        w.add(QStringLiteral("s.wldw_id ") + in, v);
        addDateRange(w, p, QStringLiteral("s.date"));
        rights.addBill(w, QStringLiteral("s"));
        c.data = c.db.query(
            QStringLiteral("SELECT * FROM (SELECT s.id AS s_id, s.djType, s.code AS billCode, "
                           "s.date, s.dj_Caption, s.summery, s.comment, %1 AS totalSum, "
                           "ROUND(%2 - %3, 4) AS ye, 0 AS Total FROM djIndex AS s%4) AS t "
                           "WHERE t.ye <> 0 ORDER BY t.date, t.s_id")
                .arg(kSignedTotal, kSignedOpen, kSettledByOthers, w.clause()),
            QVariantList{id} + w.values);
    } else if (type.compare(QLatin1String("xuandan"), Qt::CaseInsensitive) == 0) {
        const QList<qint64> bills =
            parseIdList(p.value(QStringLiteral("djStr")), QStringLiteral("单据"));
        ConditionString::parse(p.value(QStringLiteral("filter")).trimmed());
        if (bills.isEmpty()) {
            c.data = c.db.query(kLineSelect +
                                QStringLiteral(", a.code AS djcode, g.fullname AS fullname "
                                               "FROM djList AS l, djIndex AS a ") +
                                kLineJoins + QStringLiteral("WHERE 1 = 0"));
            return 0;
        }
        Where w;
        w.add(QStringLiteral("a.id IN (%1) AND a.dj_state = 2 AND l.goodsid > 0 AND l.isOver = 0")
                  .arg(marks(bills.size())),
              variants(bills));
        rights.addBill(w, QStringLiteral("a"));
        rights.add(w, RecordKind::Goods, QStringLiteral("l.goodsid"));
        c.data = c.db.query(
            kLineSelect +
                QStringLiteral(", a.code AS djcode, COALESCE(g.fullname, '') AS fullname FROM "
                               "djIndex AS a JOIN djList AS l ON l.id = a.id ") +
                kLineJoins + QStringLiteral("WHERE ") + w.text() +
                QStringLiteral(" ORDER BY a.date, a.id, l.orderid"),
            w.values);
    } else {
        throw DytError(QStringLiteral("未知的查询类型[%1]").arg(type));
    }
    return 0;
}

}  // namespace

void registerBillReadProcedures(Registry& procedures) {
    procedures.add(QStringLiteral("P_JXC_DJ_GetDJIndex"), getDJIndex, false);
    procedures.add(QStringLiteral("P_JXC_DJ_GetDJList"), getDJList, false);
}

}  // namespace dyt::server
