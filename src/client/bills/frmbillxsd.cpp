// The sales bill and the rows of the sales kinds in the goods-bill family.
#include "client/bills/frmbillxsd.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include "client/bills/frmselectbill.h"
#include "client/bills/salescheck.h"
#include "client/logic/dmmain.h"
#include "client/logic/prompter.h"
#include "client/logic/salesrules.h"
#include "client/logic/settings.h"
#include "common/currency.h"
#include "common/error.h"
#include "common/rounding.h"

using namespace Qt::StringLiterals;

namespace dyt::client {

namespace salestext {
QString enterFirst(const QString& label) {
    return u"请先输入"_s + label;
}
QString scanFirst(const QString& label) {
    return u"请先选择[ "_s + label + u" ]再扫描条码！"_s;
}
QString chooseOrOrder(const QString& label) {
    return u"请先选择"_s + label + u"  或者  输入订单编号"_s;
}
}  // namespace salestext

namespace {

using T = HeaderFieldType;

GoodsHeaderField field(const QString& control, const QString& caption, const QString& id,
                       const QString& name, const QString& kind, T type = T::Select,
                       bool visible = true) {
    return GoodsHeaderField{control, caption, id, name, kind, type, visible};
}

// The purchase bill's field of that control, with another caption where given.
GoodsHeaderField purchaseField(const QString& control, const QString& caption = QString()) {
    for (const GoodsHeaderField& f : purchaseHeaderFields())
        if (f.control == control) {
            GoodsHeaderField copy = f;
            if (!caption.isEmpty())
                copy.caption = caption;
            return copy;
        }
    throw DytError(u"单据没有字段[%1]"_s.arg(control));
}

QList<GoodsHeaderField> commonFields() {
    return {purchaseField(u"edjsr"_s), purchaseField(u"edbm"_s), purchaseField(u"edzhaiyao"_s)};
}

QList<GoodsHeaderField> customFields() {
    QList<GoodsHeaderField> out;
    for (int i = 1; i <= 10; ++i)
        out.append(purchaseField(u"edzidingyi%1"_s.arg(i)));
    return out;
}

// Money received (or paid back) on the spot and the invoice discount.
QList<GoodsHeaderField> moneyFields(bool receipt) {
    const QString kind = receipt ? u"skkm"_s : u"fkkm"_s;
    GoodsHeaderField account = purchaseField(u"edfkzh"_s, receipt ? u"收款账户"_s : u"付款账户"_s);
    account.kind = kind;
    return {purchaseField(u"edjhrq"_s, receipt ? u"收款日期"_s : u"付款日期"_s),
            account,
            purchaseField(u"edfkje"_s, receipt ? u"收款金额"_s : u"付款金额"_s),
            purchaseField(u"edzdzk"_s),
            purchaseField(u"edyouhuibilv"_s),
            purchaseField(u"edyhje"_s)};
}

GoodsHeaderField customer(const QString& caption, const QString& kind) {
    return field(u"eddw"_s, caption, u"wldw_id"_s, u"wldw_Name"_s, kind);
}

GoodsHeaderField warehouse(const QString& caption, bool out) {
    return out ? field(u"edfhck"_s, caption, u"OutStock_id"_s, u"OutStock_Name"_s, u"cangku"_s)
               : field(u"edshck"_s, caption, u"IntoStock_id"_s, u"IntoStock_Name"_s, u"cangku"_s);
}

// Sales lines: no freight and stock-in amount; prices without the cost tag; the cost price and
// the further-discount flag.
QStringList salesWithout() {
    return {u"yftotal"_s, u"costTotal"_s};
}
QList<GoodsLineColumn> salesColumns() {
    return {{u"Price"_s, u"[%NUM%P%]单价"_s, true, 70, 0},
            {u"Total"_s, u"[%NUM%SUM%M%]金额"_s, true, 80, 0},
            {u"discountprice"_s, u"[%NUM%P%F%]折后单价"_s, true, 70, 0},
            {u"discounttotal"_s, u"[%NUM%SUM%M%F%]折后金额"_s, true, 80, 0},
            {u"costPrice"_s, u"[%NUM%Q%]成本价"_s, false, 70, 0},
            {u"isCanYuZheShangZhe"_s, u"[%NUM%Q%]参与折上折"_s, false, 60, 1}};
}

QString numberText(double v) {
    return Currency::fromDouble(v).toString();
}

QString moneyText(Currency v) {
    const int dot = qBound(0, settings().TotalDot, 4);
    return QString::number(roundTo(v, dot).toDouble(), 'f', dot);
}

const GoodsBillFamily& salesRow() {
    const GoodsBillFamily* row = findGoodsBillFamilyByType(1);
    if (!row)
        throw DytError(u"单据[销售单]的窗口尚未提供"_s);
    return *row;
}

}  // namespace

std::vector<GoodsBillFamily> salesBillFamilyRows() {
    std::vector<GoodsBillFamily> rows;
    {  // 1 销售单
        GoodsBillFamily r;
        r.djType = 1;
        r.className = u"TfrmBillXSD"_s;
        r.title = salestext::title();
        r.headerFields = {
            field(u"eddd"_s, salestext::orderCode(), u"dd_id"_s, u"dd_Code"_s, QString()),
            customer(u"购买单位"_s, u"client"_s), warehouse(u"发货仓库"_s, false)};
        r.headerFields += commonFields();
        r.headerFields += moneyFields(true);
        r.headerFields +=
            {field(u"eddsk"_s, u"代收款"_s, u"isdaishoukuan"_s, QString(), QString(), T::Check),
             field(u"eddsdw"_s, u"代收款单位"_s, u"yfwldw_id"_s, u"yfwldw_Name"_s, u"wldw"_s),
             field(u"eddsje"_s, u"代收金额"_s, u"yfTotalSum"_s, QString(), QString(), T::Number),
             field(u"edjsr2"_s, u"介绍人"_s, u"JieShaoRenID"_s, u"JieShaoRenName"_s, u"zhiyuan"_s)};
        r.headerFields += customFields();
        r.withoutColumns = salesWithout();
        r.moreColumns = salesColumns();
        r.requiredControls = {u"eddw"_s, u"edshck"_s};
        r.orderKind = 4;
        r.orderButton = u"销售订单"_s;
        r.receivable = true;
        rows.push_back(r);
    }
    {  // 2 销售退货单: goods come back; the money goes back to the customer.
        GoodsBillFamily r;
        r.djType = 2;
        r.className = u"TfrmBillXSTHD"_s;
        r.title = u"销售退货单"_s;
        r.headerFields = {customer(u"往来单位"_s, u"wldw"_s), warehouse(u"收货仓库"_s, false)};
        r.headerFields += commonFields();
        r.headerFields += moneyFields(false);
        r.headerFields += customFields();
        r.withoutColumns = salesWithout();
        r.moreColumns = salesColumns();
        r.requiredControls = {u"eddw"_s, u"edshck"_s};
        r.receivable = true;
        rows.push_back(r);
    }
    {  // 3 销售换货单: lines coming back (positive) and going out (negative).
        GoodsBillFamily r;
        r.djType = 3;
        r.className = u"TfrmBillXSHHD"_s;
        r.title = u"销售换货单"_s;
        r.headerFields = {customer(u"往来单位"_s, u"wldw"_s), warehouse(u"换入仓库"_s, false),
                          warehouse(u"换出仓库"_s, true)};
        r.headerFields += commonFields();
        r.headerFields += moneyFields(true);
        r.headerFields += customFields();
        r.withoutColumns = salesWithout();
        r.moreColumns = salesColumns();
        r.requiredControls = {u"eddw"_s, u"edshck"_s, u"edfhck"_s};
        r.negativeQty = true;
        r.receivable = true;
        rows.push_back(r);
    }
    {  // 4 销售订单: no goods or money move.
        GoodsBillFamily r;
        r.djType = 4;
        r.className = u"TfrmBillXSDD"_s;
        r.title = u"销售订单"_s;
        r.headerFields = {customer(u"购买单位"_s, u"client"_s), warehouse(u"发货仓库"_s, false)};
        r.headerFields += commonFields();
        r.headerFields.append(purchaseField(u"edjhrq"_s, u"交货日期"_s));
        r.headerFields.append(purchaseField(u"edzdzk"_s));
        r.headerFields += customFields();
        r.withoutColumns = salesWithout() + QStringList{u"s_id"_s, u"s_orderid"_s};
        r.moreColumns = salesColumns();
        r.requiredControls = {u"eddw"_s, u"edshck"_s};
        r.receivable = true;
        rows.push_back(r);
    }
    {  // 65 报价单: prices offered to a customer; copied into a sales order or bill.
        GoodsBillFamily r;
        r.djType = 65;
        r.className = u"TfrmBillBJD"_s;
        r.title = u"报价单"_s;
        r.headerFields = {customer(u"购买单位"_s, u"client"_s)};
        r.headerFields += commonFields();
        r.headerFields.append(purchaseField(u"edjhrq"_s, u"交货日期"_s));
        r.headerFields.append(purchaseField(u"edzdzk"_s));
        r.headerFields += customFields();
        r.withoutColumns = salesWithout() + documentLineWithout();
        r.moreColumns = salesColumns();
        r.requiredControls = {u"eddw"_s};
        r.receivable = true;
        r.copyKinds = {4, 1};
        rows.push_back(r);
    }
    return rows;
}

SalesOrderPicker defaultSalesOrderPicker() {
    return [](const QString& condition, RecordSet* header, RecordSet* lines) {
        SelectBillArgs args;
        args.djStr = u"(4)"_s;
        args.djType = 1;
        args.wldwStr = condition;
        args.beginDate = QDate(2000, 1, 1);
        args.endDate = QDate(2030, 1, 1);
        SelectBillResult result;
        if (!TfrmSelectBill::Execute(args, &result))
            return false;
        *header = result.bills;
        *lines = result.lines;
        return true;
    };
}

SalesOrderPicker& salesOrderPicker() {
    static SalesOrderPicker picker = defaultSalesOrderPicker();
    return picker;
}

// ---------------------------------------------------------------- TfrmBillXSD

TfrmBillXSD::TfrmBillXSD(QWidget* parent) : TfrmGoodsBill(salesRow(), parent) {
    buildSalesControls();
}

TfrmBillXSD::~TfrmBillXSD() = default;

void TfrmBillXSD::buildSalesControls() {
    auto* panel = findChild<QWidget*>(u"panGoodsHeader"_s);
    auto* grid = panel ? qobject_cast<QGridLayout*>(panel->layout()) : nullptr;
    QWidget* owner = panel ? panel : this;
    auto* label = new QLabel(salestext::barcode() + u"："_s, owner);
    label->setObjectName(u"lbBarcode"_s);
    edBarcode_ = new QLineEdit(owner);
    edBarcode_->setObjectName(u"edBarcode"_s);
    label->setBuddy(edBarcode_);
    lbAvailable_ = new QLabel(owner);
    lbAvailable_->setObjectName(u"lbkykc"_s);
    if (grid) {
        const int row = grid->rowCount();
        grid->addWidget(label, row, 0);
        grid->addWidget(edBarcode_, row, 1, 1, 2);
        grid->addWidget(lbAvailable_, row, 3, 1, 6);
    }
    connect(edBarcode_, &QLineEdit::returnPressed, this, [this] {
        try {
            if (scanBarcodeChecked(edBarcode_->text()))
                edBarcode_->clear();
        } catch (const std::exception& e) {
            showError(e);
        }
    });
    if (auto* order = qobject_cast<QLineEdit*>(headerControl(u"eddd"_s)))
        connect(order, &QLineEdit::returnPressed, this, [this] {
            try {
                linkOrderByCode();
            } catch (const std::exception& e) {
                showError(e);
            }
        });
    // The receipt amount follows every change of the discount amount (and of the rate, which
    // writes the amount).
    if (auto* discount = qobject_cast<QLineEdit*>(headerControl(u"edyhje"_s)))
        connect(discount, &QLineEdit::textChanged, this, [this] {
            discountAmountChanged();
            refreshReceiptAmount();
        });
}

// --- the order link

void TfrmBillXSD::linkOrderByCode() {
    const QString code = headerText(u"eddd"_s).trimmed();
    if (code.isEmpty())
        throw DytError(salestext::enterFirst(salestext::orderCode()));
    RecordSet header;
    RecordSet lines;
    if (!salesOrderPicker()(u";Code="_s + code, &header, &lines))
        return;
    takeOverOrder(header, lines);
    if (header.rowCount() > 0) {
        setHeaderValue(u"dd_id"_s, header.at(0, header.fieldIndex(u"id"_s)).toString());
        setHeaderText(u"eddd"_s, header.at(0, header.fieldIndex(u"code"_s)).toString());
    }
}

void TfrmBillXSD::pullOrders() {
    if (isReadOnly())
        return;
    const qint64 customerId = headerId(u"eddw"_s);
    const QString code = headerText(u"eddd"_s).trimmed();
    QString condition;
    if (customerId > 0)
        condition = u";wldw_id="_s + QString::number(customerId);
    else if (!code.isEmpty())
        condition = u";Code="_s + code;
    else
        throw DytError(salestext::chooseOrOrder(headerField(u"eddw"_s)->caption));
    RecordSet header;
    RecordSet lines;
    if (!salesOrderPicker()(condition, &header, &lines))
        return;
    takeOverOrder(header, lines);
    if (header.rowCount() > 0) {
        const int id = header.fieldIndex(u"id"_s);
        const int c = header.fieldIndex(u"code"_s);
        if (id >= 0)
            setHeaderValue(u"dd_id"_s, header.at(0, id).toString());
        if (c >= 0)
            setHeaderText(u"eddd"_s, header.at(0, c).toString());
    }
}

// --- barcode and available stock

bool TfrmBillXSD::scanBarcodeChecked(const QString& barcode) {
    if (barcode.trimmed().isEmpty())
        return false;
    for (const QString& control : {u"eddw"_s, u"edshck"_s})
        if (headerId(control) <= 0) {
            if (QWidget* w = headerControl(control))
                w->setFocus();
            throw DytError(salestext::scanFirst(headerField(control)->caption));
        }
    return scanBarcode(barcode);
}

bool TfrmBillXSD::refreshAvailableStock(int row) {
    const qint64 warehouse = headerId(u"edshck"_s);
    if (!isGoodsLine(row) || warehouse <= 0 || !dmMain()) {
        lbAvailable_->clear();
        return false;
    }
    RecordSet rs;
    billDataModule().ExecQuery(
        sales::availableStockSql(cell(row, u"goodsid"_s).toLongLong(), warehouse), &rs);
    if (rs.rowCount() == 0) {
        lbAvailable_->clear();
        return false;
    }
    rs.first();
    availableQty_ = rs.number(u"KYKCQty"_s);
    stockQty_ = rs.number(u"StockQty"_s);
    lbAvailable_->setText(salestext::available() + numberText(availableQty_) + u"  "_s +
                          salestext::stock() + numberText(stockQty_));
    return true;
}

// --- promotion

std::optional<GiftRule> TfrmBillXSD::promotionFor(qint64 goodsId) {
    const qint64 customerId = headerId(u"eddw"_s);
    if (goodsId <= 0 || customerId <= 0 || !settings().HasPromotions || !dmMain())
        return std::nullopt;
    const QString date = edBillDate()->date().toString(u"yyyy-MM-dd"_s);
    const QString key = u"%1/%2/%3"_s.arg(goodsId).arg(customerId).arg(date);
    if (promotions_.contains(key))
        return promotions_.value(key);
    RecordSet rs;
    billDataModule().ExecQuery(sales::promotionSql(date, goodsId, customerId), &rs);
    std::optional<GiftRule> rule;
    if (rs.rowCount() > 0) {
        rs.first();
        GiftRule r;
        r.buy = rs.number(u"gmsl"_s);
        r.give = rs.number(u"zssl"_s);
        r.text = rs.text(u"mzsm"_s);
        if (r.text.isEmpty())
            r.text = u"买 %1 赠 %2"_s.arg(numberText(r.buy), numberText(r.give));
        if (r.buy > 0 && r.give > 0)
            rule = r;
    }
    promotions_.insert(key, rule);
    return rule;
}

std::optional<double> TfrmBillXSD::promotionPriceFor(qint64 goodsId) {
    const qint64 customerId = headerId(u"eddw"_s);
    if (goodsId <= 0 || customerId <= 0 || !settings().HasPromotions || !dmMain())
        return std::nullopt;
    const QString date = edBillDate()->date().toString(u"yyyy-MM-dd"_s);
    const QString key = u"%1/%2/%3"_s.arg(goodsId).arg(customerId).arg(date);
    if (promotionPrices_.contains(key))
        return promotionPrices_.value(key);
    RecordSet rs;
    billDataModule().ExecQuery(
        sales::promotionSql(date, goodsId, customerId, sales::PromotionKind::Price), &rs);
    std::optional<double> price;
    if (rs.rowCount() > 0) {
        rs.first();
        if (rs.number(u"cxPrice"_s) > 0)
            price = rs.number(u"cxPrice"_s);
    }
    promotionPrices_.insert(key, price);
    return price;
}

void TfrmBillXSD::goodsEntered(int row) {
    if (applyingPromotion_ || !isGoodsLine(row) || isGift(row))
        return;
    const std::optional<double> price = promotionPriceFor(cell(row, u"goodsid"_s).toLongLong());
    if (!price)
        return;
    // The agreement's price is per base unit; a line in a larger unit pays it per base unit.
    const double rate = number(row, u"rate"_s) > 0 ? number(row, u"rate"_s) : 1;
    setCell(row, u"Price"_s, numberText(*price * rate));
}

int TfrmBillXSD::findGiftRow(int row, const QString& ruleText) const {
    for (int r = 0; r < records().rowCount(); ++r)
        if (r != row && isGoodsLine(r) && isGift(r) &&
            cell(r, u"goodsid"_s) == cell(row, u"goodsid"_s) &&
            cell(r, u"unitid"_s) == cell(row, u"unitid"_s) && cell(r, u"comment"_s) == ruleText)
            return r;
    return -1;
}

int TfrmBillXSD::applyPromotion(int row) {
    if (!isGoodsLine(row) || isGift(row))
        return -1;
    const std::optional<GiftRule> rule = promotionFor(cell(row, u"goodsid"_s).toLongLong());
    if (!rule)
        return -1;
    const double given = sales::giftQuantity(number(row, u"qty"_s), rule->buy, rule->give);
    int gift = findGiftRow(row, rule->text);
    if (given <= 0) {
        if (gift >= 0) {
            records().removeRow(gift);
            reshowLines();
        }
        return -1;
    }
    applyingPromotion_ = true;
    if (gift < 0) {
        for (int r = row + 1; r < records().rowCount() && gift < 0; ++r)
            if (!isGoodsLine(r) && cell(r, u"goodsCode"_s).isEmpty() &&
                cell(r, u"goodsname"_s).isEmpty())
                gift = r;
        if (gift < 0) {
            records().appendRow(RecordSet::Row(records().fieldCount()));
            gift = records().rowCount() - 1;
        }
        for (const QString& f :
             {u"goodsid"_s, u"goodsCode"_s, u"goodsname"_s, u"unitid"_s, u"unitName"_s, u"rate"_s,
              u"costmode"_s, u"IntoStock_id"_s, u"barcode"_s, u"costPrice"_s})
            if (records().fieldIndex(f) >= 0)
                setCell(gift, f, cell(row, f));
        setCell(gift, u"Price"_s, u"0"_s);
        setCell(gift, u"discount"_s, u"1"_s);
        setCell(gift, u"tax"_s, u"0"_s);
        setCell(gift, u"RowTypeName"_s, sales::giftMarker());
        setCell(gift, u"RowType"_s, u"1"_s);
        setCell(gift, u"comment"_s, rule->text);
        if (gift == records().rowCount() - 1)
            records().appendRow(RecordSet::Row(records().fieldCount()));
    }
    setCell(gift, u"qty"_s, numberText(given));
    TfrmGoodsBill::recalcLine(gift, u"qty"_s);
    applyingPromotion_ = false;
    setModified(true);
    reshowLines();
    return gift;
}

// --- lines

void TfrmBillXSD::recalcLine(int row, const QString& changedColumn) {
    // The cost price of a sales line is the stock cost, not what the purchase computation
    // derives from the amounts: it stays as it was.
    const QString cost = cell(row, u"costPrice"_s);
    TfrmGoodsBill::recalcLine(row, changedColumn);
    if (isGoodsLine(row))
        setCell(row, u"costPrice"_s, cost.isEmpty() ? u"0"_s : cost);
    refreshReceiptAmount();
    if (applyingPromotion_ || changedColumn.compare(u"qty"_s, Qt::CaseInsensitive) != 0)
        return;
    applyPromotion(row);
    refreshAvailableStock(row);
}

void TfrmBillXSD::linesChanged() {
    TfrmGoodsBill::linesChanged();
    refreshReceiptAmount();
}

void TfrmBillXSD::refreshReceiptAmount() {
    QWidget* amount = headerControl(u"edfkje"_s);
    if (!amount || isReadOnly() || loading_ ||
        !sales::receiptFollowsBill(settings().SalesDefaultReceipt, amount->isEnabled(),
                                   amount->isVisibleTo(this)))
        return;
    QList<Currency> sums;
    for (int r : goodsRows())
        sums.append(Currency::fromDouble(number(r, u"taxTotalSum"_s)));
    const Currency receipt = sales::defaultReceiptAmount(
        sums, Currency::fromDouble(headerNumber(u"edyhje"_s)), settings().TotalDot);
    setHeaderText(u"edfkje"_s, moneyText(receipt));
}

void TfrmBillXSD::headerRecordChosen(const GoodsHeaderField& f) {
    TfrmGoodsBill::headerRecordChosen(f);
    if (f.idField.compare(u"wldw_id"_s, Qt::CaseInsensitive) == 0) {
        promotions_.clear();
        promotionPrices_.clear();
    }
    else if (f.idField.compare(u"IntoStock_id"_s, Qt::CaseInsensitive) == 0)
        refreshAvailableStock(focusedRow());
}

void TfrmBillXSD::loadBill() {
    // A saved bill shows the amount it was saved with.
    loading_ = true;
    try {
        TfrmGoodsBill::loadBill();
    } catch (...) {
        loading_ = false;
        throw;
    }
    loading_ = false;
}

void TfrmBillXSD::resetToNewBill() {
    TfrmGoodsBill::resetToNewBill();
    promotions_.clear();
    promotionPrices_.clear();
    const TSettings& s = settings();
    if (s.SalesReceiptAccountId > 0) {
        setHeaderValue(u"sfkKm_id"_s, QString::number(s.SalesReceiptAccountId));
        setHeaderText(u"edfkzh"_s, s.SalesReceiptAccountName);
    }
    setHeaderText(u"edfkje"_s, u"0"_s);
    lbyf()->setText(salestext::receivableZero());
    lbyufu()->setText(salestext::prereceivedZero());
    lbAvailable_->clear();
    setModified(false);
}

// --- warnings

void TfrmBillXSD::runWarnings(bool post) {
    TdmMain* dm = dmMain();
    if (!dm)
        return;
    sales::SalesCheckInput in;
    in.customerId = headerId(u"eddw"_s);
    in.warehouseId = headerId(u"edshck"_s);
    in.posting = post;
    in.billPosted = billState() == kBillPosted;
    in.billReceivable = roundTo(Currency::fromDouble(columnSum(u"taxTotalSum"_s)) -
                                    Currency::fromDouble(headerNumber(u"edyhje"_s)),
                                qBound(0, settings().TotalDot, 4));
    const QList<int> rows = goodsRows();
    for (int r : rows) {
        sales::SalesCheckLine l;
        l.row = r + 1;
        l.goodsId = cell(r, u"goodsid"_s).toLongLong();
        l.code = cell(r, u"goodsCode"_s);
        l.name = cell(r, u"goodsname"_s);
        l.unitName = cell(r, u"unitName"_s);
        l.unitId = cell(r, u"unitid"_s).toLongLong();
        l.batch = cell(r, u"goodspc"_s).toLongLong();
        l.qty = number(r, u"qty"_s);
        l.rate = number(r, u"rate"_s) > 0 ? number(r, u"rate"_s) : 1;
        l.discountPrice = Currency::fromDouble(number(r, u"discountprice"_s));
        l.costPrice = Currency::fromDouble(number(r, u"costPrice"_s));
        l.gift = isGift(r);
        in.lines.append(l);
    }
    if (!sales::runSalesWarnings(*dm, in))
        throw DytError(silentErrorText());
    for (int i = 0; i < rows.size(); ++i)
        setCell(rows.at(i), u"costPrice"_s, in.lines.at(i).costPrice.toString());
}

}  // namespace dyt::client
