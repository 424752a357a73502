#include "client/logic/billhistory.h"

#include "common/gbk.h"
#include "common/recordset.h"
#include "common/sqltext.h"

namespace dyt::client::history {

namespace {

QString field(const RecordSet& rows, int row, const char* name) {
    const int f = rows.fieldIndex(QLatin1String(name));
    return f < 0 ? QString() : rows.at(row, f).toString().trimmed();
}

qint64 number(const RecordSet& rows, int row, const char* name) {
    return field(rows, row, name).toLongLong();
}

QString id(qint64 v) {
    return QString::number(v);
}

// The kinds of purchase and sale that a copy may turn into one another.
const QList<int> kTradeKinds = {1, 2, 3, 4, 5, 6, 7, 8};
// Documents that become orders or bills: the enquiry a purchase order or bill, the quotation a
// sales order or bill.
const QList<QPair<int, QList<int>>> kDocumentTargets = {{64, {8, 5}}, {65, {4, 1}}};

}  // namespace

BillRow BillRow::at(const RecordSet& rows, int row) {
    BillRow b;
    if (row < 0 || row >= rows.rowCount())
        return b;
    b.id = number(rows, row, "id");
    b.djType = static_cast<int>(number(rows, row, "djType"));
    b.kindName = field(rows, row, "dj_Caption");
    b.isred = static_cast<int>(number(rows, row, "isred"));
    b.isredword = static_cast<int>(number(rows, row, "isredword"));
    b.isOver = static_cast<int>(number(rows, row, "isOver"));
    b.reconciled = field(rows, row, "DuiZhang") == QStringLiteral("是") ||
                   number(rows, row, "isDuiZhang") == 1;
    b.reconcileRemark = field(rows, row, "DuiZhangShuoMing");
    b.partnerId = number(rows, row, "wldw_id");
    b.employeeId = number(rows, row, "jsr_id");
    return b;
}

QString redRefusal(const BillRow& bill) {
    if (bill.djType == kDeliveryBill && bill.isOver != 0)
        return QStringLiteral("配送单") + QStringLiteral(" 已经完成验收不能红冲！");
    if (bill.isred == 1)
        return text::alreadyRed();
    if (bill.djType == kSalesOrder)
        return bill.kindName + QStringLiteral("不能不能红冲，请在销售订单查询中直接删除单据！");
    if (bill.djType == kPurchaseOrder)
        return bill.kindName + QStringLiteral("不能不能红冲，请在进货订单查询中直接删除单据！");
    return {};
}

QString copyRefusal(const BillRow& bill) {
    return bill.isredword == 1 ? text::noCopyOfRed() : QString();
}

QString deleteRefusal(const BillRow& bill) {
    if (bill.djType == kDeliveryBill && bill.isOver != 0)
        return QStringLiteral("配送单") + QStringLiteral(" 已经完成验收不能删除");
    return {};
}

QString changeRefusal(const BillRow& bill) {
    if (bill.isred == 1)
        return text::noChangeOfRed();
    if (bill.reconciled)
        return text::noChangeReconciled();
    return {};
}

bool copyChoosesKind(int djType) {
    if (kTradeKinds.contains(djType))
        return true;
    for (const auto& d : kDocumentTargets)
        if (d.first == djType)
            return true;
    return false;
}

QList<int> copyTargets(int djType) {
    if (!copyChoosesKind(djType))
        return {djType};
    for (const auto& d : kDocumentTargets)
        if (d.first == djType)
            return QList<int>{djType} + d.second;
    QList<int> out{djType};
    for (int k : kTradeKinds) {
        if (k != djType)
            out.append(k);
    }
    return out;
}

QString settledSql(qint64 billId) {
    return QStringLiteral(
               "SELECT * FROM djIndex AS a,djList AS b  WHERE a.id = b.id AND a.dj_state = 2  AND "
               "((a.djType = ") +
           id(kReceipt) + QStringLiteral(") or (a.djtype = ") + id(kPayment) +
           QStringLiteral(")) AND b.s_id = ") + id(billId);
}

QString monthClosedSql(qint64 billId) {
    return QStringLiteral("SELECT * FROM djIndex AS a,sysPeriod AS b  WHERE a.id = ") + id(billId) +
           QStringLiteral(" AND a.dj_state = 2 AND a.date < b.beginDate ") +
           QStringLiteral(" AND b.type = 0 AND b.id = dbo.fnGetSysData('JxcPeriodNow',1)");
}

QString changeSql(qint64 billId, qint64 employeeId, qint64 departmentId, const QString& code,
                  const QString& summary) {
    return QStringLiteral("Update djindex set jsr_id = ") + id(employeeId) +
           QStringLiteral(" ,dep_id =") + id(departmentId) + QStringLiteral(" ,code = ") +
           sqlQuoted(code) + QStringLiteral(" ,summery = ") + sqlQuoted(summary) +
           QStringLiteral(" where id = ") + id(billId);
}

QString reconcileSql(qint64 billId, bool reconciled, const QString& remark) {
    return QStringLiteral("Update djindex set isDuiZhang = ") + id(reconciled ? 1 : 0) +
           QStringLiteral(",DuiZhangShuoMing = ") + sqlQuoted(remark) +
           QStringLiteral(" where id = ") + id(billId);
}

QString userFieldsSql(qint64 billId, const QStringList& values) {
    QString sql = QStringLiteral("Update djindex set ");
    for (int i = 0; i < 10; ++i) {
        sql += (i == 0 ? QStringLiteral(" zidingyi") : QStringLiteral(" ,zidingyi")) + id(i + 1) +
               QStringLiteral(" = ") + sqlQuoted(values.value(i));
    }
    return sql + QStringLiteral(" where id = ") + id(billId);
}

QString invoiceLinesSql(qint64 billId) {
    return QStringLiteral(
               " SELECT a.code,a.wldw_id AS dw_id,a.jsr_id AS zy_id,sp.fullname AS sp_spqm  "
               ",isnull(k.unit,'') AS spdw,sp.gg,b.qty,b.discounttotal AS total,b.tax/100 as tax  "
               "FROM baseGoods AS sp,djIndex AS a, djList AS b  LEFT JOIN baseGoodsUnit AS k ON "
               "k.Goodsid = b.goodsid AND k.fzdwid = b.unit  WHERE a.id = b.id AND b.goodsid = "
               "sp.id AND b.id = ") +
           id(billId);
}

QString invoicePartySql(qint64 partnerId, qint64 employeeId) {
    return QStringLiteral(
               "SELECT w.fullname AS dw_dwqm, w.tax AS dw_sh, w.addr AS dw_dwdz, w.tel AS "
               "dw_dhhm, w.bankname AS dw_khyh, w.bankcount AS dw_yhzh, isnull((SELECT "
               "z.fullname FROM baseZY AS z WHERE z.id = ") +
           id(employeeId) + QStringLiteral("),'') AS zy_zyqm FROM baseWLDW AS w WHERE w.id = ") +
           id(partnerId);
}

InvoiceParty invoiceParty(const RecordSet& rows) {
    InvoiceParty p;
    if (rows.rowCount() == 0)
        return p;
    p.partnerName = field(rows, 0, "dw_dwqm");
    p.taxNumber = field(rows, 0, "dw_sh");
    p.address = field(rows, 0, "dw_dwdz");
    p.telephone = field(rows, 0, "dw_dhhm");
    p.bank = field(rows, 0, "dw_khyh");
    p.account = field(rows, 0, "dw_yhzh");
    p.handler = field(rows, 0, "zy_zyqm");
    return p;
}

QByteArray invoiceFile(const QString& billCode, const InvoiceParty& party, const RecordSet& lines,
                       int qtyDot) {
    const QString sep = QStringLiteral("~~");
    // A field may not carry the separator or a line break of its own.
    const auto clean = [](QString s) {
        s.replace(QStringLiteral("~~"), QStringLiteral("~"));
        s.replace(QLatin1Char('\r'), QLatin1Char(' '));
        s.replace(QLatin1Char('\n'), QLatin1Char(' '));
        return s.trimmed();
    };
    const auto joined = [&](const QString& a, const QString& b) {
        return clean((a.trimmed() + QLatin1Char(' ') + b.trimmed()).trimmed());
    };
    QStringList out;
    out << QStringLiteral("SJJK0101") + sep + QStringLiteral("销售单据传入");
    // The bill record: number, line count, buyer, tax number, address and telephone, bank and
    // account, handler; the program reads "~~0" as the closing field of a bill record.
    out << QStringList{clean(billCode),
                       QString::number(lines.rowCount()),
                       clean(party.partnerName),
                       clean(party.taxNumber),
                       joined(party.address, party.telephone),
                       joined(party.bank, party.account),
                       clean(party.handler),
                       QStringLiteral("0")}
               .join(sep);
    // The line records: goods, unit, specification, quantity, amount, tax rate, and the closing
    // field "~~1510" the program expects after a goods line.
    for (int r = 0; r < lines.rowCount(); ++r) {
        const auto value = [&](const char* name) {
            const int f = lines.fieldIndex(QLatin1String(name));
            return f < 0 ? QVariant() : lines.at(r, f);
        };
        out << QStringList{clean(value("sp_spqm").toString()),
                           clean(value("spdw").toString()),
                           clean(value("gg").toString()),
                           QString::number(value("qty").toDouble(), 'f', qtyDot),
                           QString::number(value("total").toDouble(), 'f', 2),
                           QString::number(value("tax").toDouble(), 'g', 6),
                           QStringLiteral("1510")}
                   .join(sep);
    }
    return gbk::encode(out.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"));
}

}  // namespace dyt::client::history
