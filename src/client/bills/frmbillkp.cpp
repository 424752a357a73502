#include "client/bills/frmbillkp.h"

#include "client/logic/billsql.h"
#include "client/logic/dmmain.h"
#include "common/currency.h"
#include "common/error.h"

using namespace Qt::StringLiterals;

namespace dyt::client {

namespace {

QString amountText(double v) {
    return Currency::fromDouble(v).toString();
}

// What an invoice line shows: the goods (or the bill in the goods cells), what it invoices and
// the amount invoiced now; only that amount is typed.
QList<GoodsLineColumn> invoiceColumns(bool byBill) {
    QList<GoodsLineColumn> c = {
        {u"goodsid"_s, u"[%NUM%Q%]商品ID"_s, false, 50, 0},
        {u"orderid"_s, u"[%NUM%Q%]orderid"_s, false, 40, 0},
        {u"goodsCode"_s, byBill ? u"[]单据编号"_s : u"[%CNT%]商品编号"_s, false, 120, 0},
        {u"goodsname"_s, byBill ? u"[]单据类型及日期"_s : u"[]商品名称"_s, false, 160, 0}};
    if (!byBill) {
        c << GoodsLineColumn{u"unitid"_s, u"[%NUM%Q%]单位id"_s, false, 40, 0}
          << GoodsLineColumn{u"unitName"_s, u"[]单位"_s, false, 50, 0}
          << GoodsLineColumn{u"rate"_s, u"[%NUM%T%F%]单位关系"_s, false, 60, 0}
          << GoodsLineColumn{u"qty"_s, u"[%NUM%SUM%Q%]数量"_s, false, 70, 0}
          << GoodsLineColumn{u"Price"_s, u"[%NUM%P%]单价"_s, false, 70, 0}
          << GoodsLineColumn{u"discount"_s, u"[%D%F%]折扣"_s, false, 50, 0}
          << GoodsLineColumn{u"tax"_s, u"[%NUM%T%F%]税率"_s, false, 50, 0};
    }
    c << GoodsLineColumn{u"taxTotalSum"_s, u"[%NUM%SUM%M%]含税金额"_s, false, 90, 0}
      << GoodsLineColumn{u"kpTotal"_s, u"[%NUM%SUM%M%]开票金额"_s, true, 90, 0}
      << GoodsLineColumn{u"comment"_s, u"[]行摘要"_s, true, 120, 1}
      << GoodsLineColumn{u"s_id"_s, u"[%NUM%M%]s_id"_s, false, 40, 1}
      << GoodsLineColumn{u"s_orderid"_s, u"[%NUM%M%]s_orderid"_s, false, 40, 1};
    return c;
}

GoodsBillFamily row(int djType, const QString& className, const QString& title) {
    const bool purchase = djType == 67 || djType == 68;
    GoodsBillFamily r;
    r.djType = djType;
    r.className = className;
    r.title = title;
    for (const GoodsHeaderField& f : purchaseHeaderFields()) {
        if (f.control == u"eddw"_s) {
            GoodsHeaderField partner = f;
            if (!purchase) {
                partner.caption = u"购买单位"_s;
                partner.kind = u"wldw"_s;
            }
            r.headerFields.append(partner);
        }
    }
    for (const GoodsHeaderField& f : purchaseHeaderFields()) {
        if (f.control == u"edjsr"_s || f.control == u"edbm"_s || f.control == u"edzhaiyao"_s ||
            f.control.startsWith(u"edzidingyi"_s))
            r.headerFields.append(f);
    }
    // Every purchase column goes; the invoice's own come in their place.
    for (const GoodsLineColumn& c : purchaseLineColumns())
        r.withoutColumns << c.field;
    r.moreColumns = invoiceColumns(invoicesByBill(djType));
    r.requiredControls = {u"eddw"_s};
    r.priceChecks = false;
    r.orderKind = purchase ? 5 : 1;
    r.orderButton = purchase ? u"进货单"_s : u"销售单"_s;
    r.receivable = !purchase;
    return r;
}

}  // namespace

std::vector<GoodsBillFamily> invoiceBillFamilyRows() {
    return {row(67, u"TfrmBillJHKPADJ"_s, u"进货开票[按单据]"_s),
            row(68, u"TfrmBillJHKPASP"_s, u"进货开票[按商品]"_s),
            row(69, u"TfrmBillXSKPADJ"_s, u"销售开票[按单据]"_s),
            row(70, u"TfrmBillXSKPASP"_s, u"销售开票[按商品]"_s)};
}

bool isInvoiceKind(int djType) {
    return djType >= 67 && djType <= 70;
}

bool invoicesByBill(int djType) {
    return djType == 67 || djType == 69;
}

TfrmBillKP::TfrmBillKP(const GoodsBillFamily& family, QWidget* parent)
    : TfrmGoodsBill(family, parent) {}

QList<int> TfrmBillKP::invoiceRows() const {
    QList<int> out;
    const QString key = byBill() ? u"s_id"_s : u"s_orderid"_s;
    for (int r = 0; r < records().rowCount(); ++r)
        if (cell(r, key).toLongLong() > 0)
            out << r;
    return out;
}

void TfrmBillKP::pullOrders() {
    const GoodsHeaderField* partner = headerField(u"eddw"_s);
    if (!partner || headerId(u"eddw"_s) <= 0)
        throw DytError(goodstext::chooseFirst(partner ? partner->caption : QString()));
    if (!goodsOrderPicker())
        return;
    RecordSet bills;
    RecordSet lines;
    if (!goodsOrderPicker()(u"("_s + QString::number(family().orderKind) + u")"_s,
                            u";wldw_id="_s + QString::number(headerId(u"eddw"_s)), &bills,
                            &lines))
        return;
    takeOverBills(bills, lines);
}

void TfrmBillKP::takeOverBills(const RecordSet& bills, const RecordSet& lines) {
    const auto value = [](const RecordSet& rs, int r, const QString& f) {
        const int i = rs.fieldIndex(f);
        return i < 0 ? QVariant() : rs.at(r, i);
    };
    if (byBill()) {
        const QList<int> present = invoiceRows();
        for (int b = 0; b < bills.rowCount(); ++b) {
            const qint64 id = value(bills, b, u"id"_s).toLongLong();
            bool known = false;
            for (int r : present)
                known = known || cell(r, u"s_id"_s).toLongLong() == id;
            if (id <= 0 || known)
                continue;
            const double amount = value(bills, b, u"taxTotalSum"_s).toDouble();
            const double open = amount - value(bills, b, u"kpTotal"_s).toDouble();
            int row = 0;
            while (row < records().rowCount() && !cell(row, u"goodsCode"_s).isEmpty())
                ++row;
            QString kind = value(bills, b, u"dj_Caption"_s).toString();
            if (kind.isEmpty())
                kind = value(bills, b, u"djname"_s).toString();
            setCell(row, u"goodsCode"_s, value(bills, b, u"code"_s).toString());
            setCell(row, u"goodsname"_s, kind + u' ' + value(bills, b, u"date"_s).toString());
            setCell(row, u"taxTotalSum"_s, amountText(amount));
            setCell(row, u"kpTotal"_s, amountText(open > 0 ? open : 0));
            setCell(row, u"s_id"_s, QString::number(id));
        }
        setModified(true);
        linesChanged();
        reshowLines();
        return;
    }
    // By goods: the picked lines as the orders' lines are taken over (without the header, which
    // belongs to the invoice), each offering what is not yet invoiced of it.
    RecordSet source;
    source.addField(u"id"_s, FieldType::Integer);
    source.appendRow({bills.rowCount() > 0 ? value(bills, 0, u"id"_s) : QVariant(0)});
    takeOverOrder(source, lines);
    for (int l = 0; l < lines.rowCount(); ++l) {
        const QString sourceLine = value(lines, l, u"orderid"_s).toString();
        for (int r = 0; r < records().rowCount(); ++r) {
            if (cell(r, u"s_orderid"_s) != sourceLine)
                continue;
            const double open = value(lines, l, u"taxTotalSum"_s).toDouble() -
                                value(lines, l, u"kpTotal"_s).toDouble();
            setCell(r, u"taxTotalSum"_s, amountText(value(lines, l, u"taxTotalSum"_s).toDouble()));
            setCell(r, u"kpTotal"_s, amountText(open > 0 ? open : 0));
            setCell(r, u"s_id"_s, value(lines, l, u"id"_s).toString());
        }
    }
    linesChanged();
    reshowLines();
}

void TfrmBillKP::checkLines(bool) {
    const QList<int> rows = invoiceRows();
    for (int r : rows) {
        if (number(r, u"kpTotal"_s) <= 0) {
            focusCell(r, u"kpTotal"_s);
            throw DytError(goodstext::lineError(r + 1, invoicetext::amountPositive()));
        }
    }
    if (rows.isEmpty())
        throw DytError(goodstext::noLines());
}

void TfrmBillKP::loadBill() {
    TfrmGoodsBill::loadBill();
    if (!byBill())
        return;
    // The lines name bills: their number, kind and date come from the bills themselves.
    QList<qint64> ids;
    for (int r : invoiceRows())
        ids << cell(r, u"s_id"_s).toLongLong();
    if (ids.isEmpty())
        return;
    RecordSet rs;
    billDataModule().ExecQuery(goodsbillsql::invoicedBills(ids), &rs);
    for (int r : invoiceRows()) {
        for (rs.first(); !rs.eof(); rs.next()) {
            if (rs.integer(u"id"_s) != cell(r, u"s_id"_s).toLongLong())
                continue;
            setCell(r, u"goodsCode"_s, rs.text(u"code"_s));
            setCell(r, u"goodsname"_s, rs.text(u"djname"_s) + u' ' + rs.text(u"date"_s));
            setCell(r, u"taxTotalSum"_s, amountText(rs.number(u"taxTotalSum"_s)));
        }
    }
    reshowLines();
    setModified(false);
}

}  // namespace dyt::client
