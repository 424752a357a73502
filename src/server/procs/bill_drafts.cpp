// Drafts made and posted by procedures rather than by a bill window, all through the bill service:
//   P_JXC_InertDJIndex  a new draft without lines: djType (a goods bill kind), date, code (empty:
//                       the next number of the kind), wldw_id, IntoStock_id, jsr_id, dep_id,
//                       comment. Result and output line id: the draft; output line code.
//   P_JXC_InertDJList   of a goods draft (id): Lines "goodsid:qty[:price];…", or one line in
//                       goodsid, qty and price; quantities in the base unit, an empty price the
//                       purchase price the goods starts with (billservice::purchasePrice);
//                       IntoStock_id the lines' warehouse (empty: the draft's). The draft is saved
//                       again with the lines added.
//   P_JXC_DJ_Post       posts the draft id as it stands, after the checks a bill window makes
//                       before posting goods lines.
// Each needs the operator's right to save (or post) bills of the kind.
#include <QDateTime>

#include "common/error.h"
#include "common/formatting.h"
#include "common/rounding.h"
#include "server/db/database.h"
#include "server/procs/bill_common.h"
#include "server/procs/bill_numbering.h"
#include "server/procs/registry.h"

namespace dyt::server {
namespace {

constexpr qint64 kPurchase = 5;

bool moneyKind(qint64 kind) {
    return kind == 21 || kind == 22;
}

// Kinds whose lines name accounts or asset cards, not goods: fees, income, money transfers,
// receipts and payments, fixed assets, deferred expenses, adjustments, vouchers, labour fees.
bool accountLineKind(qint64 kind) {
    return (kind >= 17 && kind <= 34) || kind == 66;
}

struct Draft {
    qint64 kind = 0;
    qint64 partner = 0;
    qint64 warehouse = 0;
};

Draft loadDraft(Database& db, qint64 id) {
    const RecordSet rs = db.query(
        QStringLiteral("SELECT dj_state, djType, wldw_id, IntoStock_id FROM djIndex WHERE id = ?"),
        {id});
    if (rs.rowCount() == 0 || rs.at(0, 0).toInt() == 0)
        throw DytError(QStringLiteral("你要保存的草稿已经不存在，有可能已被删除！"));
    if (rs.at(0, 0).toInt() == 2)
        throw DytError(QStringLiteral("这张单据已经过账，不能再次保存！"));
    return {rs.at(0, 1).toLongLong(), rs.at(0, 2).toLongLong(), rs.at(0, 3).toLongLong()};
}

// The draft: "billid" as the bill lists send it, or "id" as the draft procedures answer it.
qint64 draftId(const ParamList& p) {
    const QString text = p.value(QStringLiteral("billid")).trimmed().isEmpty()
                             ? p.value(QStringLiteral("id"))
                             : p.value(QStringLiteral("billid"));
    const qint64 id = billvalues::id(text, QStringLiteral("单据ID"));
    if (id <= 0)
        throw DytError(QStringLiteral("没有指定草稿单据"));
    return id;
}

int insertDjIndex(CallContext& c) {
    Database& db = c.db;
    const ParamList& p = c.params;
    const QString kindText = p.value(QStringLiteral("djType")).trimmed();
    const qint64 kind =
        kindText.isEmpty() ? kPurchase : billvalues::id(kindText, QStringLiteral("单据类型"));
    billvalues::billKindName(db, kind);
    if (moneyKind(kind))
        throw DytError(QStringLiteral("收款单和付款单的草稿请在单据窗口中保存！"));
    billservice::requireBillRight(db, c.userId, kind, false);
    const QString dateText = p.value(QStringLiteral("date")).trimmed();
    const QDate date = dateText.isEmpty() ? QDate::currentDate()
                                          : billvalues::date(dateText, QStringLiteral("录单日期"));
    ParamList header;
    for (const char* name : {"wldw_id", "IntoStock_id", "jsr_id", "dep_id", "comment", "summery"}) {
        const QString n = QString::fromLatin1(name);
        if (p.contains(n))
            header.setValue(n, p.value(n));
    }
    QString code = p.value(QStringLiteral("code")).trimmed();
    if (code.isEmpty())
        code = billservice::newCode(db, kind, date);
    header.setValue(QStringLiteral("djType"), QString::number(kind));
    header.setValue(QStringLiteral("date"), billvalues::dateText(date));
    header.setValue(QStringLiteral("code"), code);
    header.setValue(QStringLiteral("OldBillid"), QStringLiteral("0"));
    const int id = billservice::save(c, header, RecordSet(), false);
    c.params.setInt(QStringLiteral("id"), id);
    c.params.setValue(QStringLiteral("code"), code);
    return id;
}

int postDraft(CallContext& c) {
    Database& db = c.db;
    const qint64 id = draftId(c.params);
    const Draft d = loadDraft(db, id);
    // Goods drafts made by procedures are checked as a purchase bill checks itself; bills of
    // account or asset lines post as they stand.
    c.params.setInt(QStringLiteral("billid"), id);
    if (accountLineKind(d.kind))
        return postStoredDraft(c);
    const RecordSet lines = db.query(
        QStringLiteral("SELECT goodsid, qty, price, IntoStock_id, RowType FROM djList WHERE id = ? "
                       "AND goodsid > 0 ORDER BY orderid"),
        {id});
    if (lines.rowCount() == 0)
        throw DytError(QStringLiteral("单据中没有商品，不能过账！"));
    if (d.kind == kPurchase && d.partner <= 0)
        throw DytError(QStringLiteral("请选择供货单位！"));
    for (int r = 0; r < lines.rowCount(); ++r) {
        const int line = r + 1;
        if (lines.at(r, 1).toDouble() <= 0)
            throw DytError(QStringLiteral("第 %1 行输入错误:数量必须大于零！").arg(line));
        const bool gift = lines.at(r, 4).toInt() != 0;
        if (d.kind == kPurchase && !gift && lines.at(r, 2).toDouble() <= 0)
            throw DytError(QStringLiteral("第 %1 行输入错误:单价必须大于零！").arg(line));
        if (d.kind == kPurchase && lines.at(r, 3).toLongLong() <= 0 && d.warehouse <= 0)
            throw DytError(QStringLiteral("第 %1 行没有选择仓库，不能过账！").arg(line));
    }
    const int posted = postStoredDraft(c);
    c.params.setInt(QStringLiteral("id"), posted);
    return posted;
}

}  // namespace

int insertGoodsDraftLines(CallContext& c, qint64 id) {
    Database& db = c.db;
    const ParamList& p = c.params;
    const Draft d = loadDraft(db, id);
    if (moneyKind(d.kind))
        throw DytError(QStringLiteral("收款单和付款单的草稿请在单据窗口中保存！"));
    billservice::requireBillRight(db, c.userId, d.kind, false);
    qint64 warehouse =
        billvalues::id(p.value(QStringLiteral("IntoStock_id")), QStringLiteral("仓库"));
    if (warehouse > 0 && !db.scalar(QStringLiteral("SELECT id FROM baseCK WHERE id = ? AND "
                                                   "sonnum = 0 AND del = 0"),
                                    {warehouse})
                              .isValid())
        throw DytError(QStringLiteral("仓库[%1]不存在").arg(warehouse));
    if (warehouse == 0)
        warehouse = d.warehouse;

    QStringList items = p.value(QStringLiteral("Lines")).split(u';', Qt::SkipEmptyParts);
    if (items.isEmpty() && !p.value(QStringLiteral("goodsid")).trimmed().isEmpty()) {
        items << p.value(QStringLiteral("goodsid")) + u':' + p.value(QStringLiteral("qty")) + u':' +
                     p.value(QStringLiteral("price"));
    }
    RecordSet packet = billservice::goodsLinePacket();
    int line = 0;
    for (const QString& item : items) {
        ++line;
        const QString what = QStringLiteral("第%1行").arg(line);
        const QStringList parts = item.split(u':');
        if (parts.size() < 2 || parts.size() > 3)
            throw DytError(what + QStringLiteral("格式错误，应为 商品ID:数量:单价"));
        const qint64 goods = billvalues::id(parts[0], what + QStringLiteral("商品"));
        const double qty = billvalues::number(parts[1], what + QStringLiteral("数量"));
        if (qty <= 0)
            throw DytError(QStringLiteral("第 %1 行输入错误:数量必须大于零！").arg(line));
        const QString priceText = parts.value(2).trimmed();
        const double price = priceText.isEmpty()
                                 ? billservice::purchasePrice(db, goods, d.partner)
                                 : billvalues::number(priceText, what + QStringLiteral("单价"));
        if (price < 0)
            throw DytError(QStringLiteral("第 %1 行输入错误:单价不能小于零！").arg(line));
        billservice::appendGoodsLine(db, packet, goods, qty, price, warehouse);
    }
    if (packet.rowCount() == 0)
        throw DytError(QStringLiteral("没有要添加的商品"));
    const int saved = billservice::resaveDraft(c, id, packet);
    c.params.setInt(QStringLiteral("id"), saved);
    return saved;
}

namespace billservice {

QString newCode(Database& db, qint64 djType, const QDate& date) {
    const numbering::Rules rules = numbering::readRules(db);
    qint64 counter = numbering::nextCounter(db, rules, static_cast<int>(djType), date,
                                            rules.voiding == numbering::Voiding::OnHandout);
    const RecordSet kind =
        db.query(QStringLiteral("SELECT SNFormat, NumHead FROM sysDjb WHERE id = ?"), {djType});
    QString format = kind.rowCount() > 0 ? kind.at(0, 0).toString() : QString();
    format.remove(u'\r').remove(u'\n');
    const QString head = kind.rowCount() > 0 ? kind.at(0, 1).toString().trimmed() : QString();
    const QDateTime stamp(date, QTime::currentTime());
    const auto compose = [&](qint64 n) {
        const QString code = formatBillNumber(format, stamp, n);
        if (!code.isEmpty())
            return code;
        return (head.isEmpty() ? QStringLiteral("DJ") : head) + u'-' +
               date.toString(QStringLiteral("yyyyMMdd")) + u'-' +
               QStringLiteral("%1").arg(n, 4, 10, QLatin1Char('0'));
    };
    // A number typed by hand may already hold the counter's next value.
    QString code = compose(counter);
    for (int tries = 0; tries < 1000; ++tries) {
        if (!db.scalar(QStringLiteral("SELECT id FROM djIndex WHERE dj_state <> 0 AND code = ?"),
                       {code})
                 .isValid())
            return code;
        code = compose(++counter);
    }
    return code;
}

}  // namespace billservice

void registerDraftProcedures(Registry& procedures) {
    procedures.add(QStringLiteral("P_JXC_InertDJIndex"), insertDjIndex);
    procedures.add(QStringLiteral("P_JXC_DJ_Post"), postDraft);
}

}  // namespace dyt::server
