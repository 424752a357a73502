// The consignment kinds of the goods-bill family: goods given to a consignee to sell for us
// (委托: delivery, return, settlement, price change) and goods a consignor gives us to sell for
// him (受托: receipt, return, settlement, price change). Returns and settlements take over the
// open quantities of the deliveries (receipts) of the same partner.
#include "client/bills/goodsbill.h"

using namespace Qt::StringLiterals;

namespace dyt::client {

namespace {

using T = HeaderFieldType;

GoodsHeaderField purchaseField(const QString& control, const QString& caption = QString()) {
    for (const GoodsHeaderField& f : purchaseHeaderFields())
        if (f.control == control) {
            GoodsHeaderField copy = f;
            if (!caption.isEmpty())
                copy.caption = caption;
            return copy;
        }
    return {};
}

GoodsHeaderField partner(const QString& caption, const QString& kind) {
    return GoodsHeaderField{u"eddw"_s, caption,   u"wldw_id"_s, u"wldw_Name"_s,
                            kind,      T::Select, true};
}

GoodsHeaderField warehouse(const QString& caption) {
    return GoodsHeaderField{
        u"edshck"_s, caption, u"IntoStock_id"_s, u"IntoStock_Name"_s, u"cangku"_s, T::Select, true};
}

QList<GoodsHeaderField> commonAndCustom() {
    QList<GoodsHeaderField> out = {purchaseField(u"edjsr"_s), purchaseField(u"edbm"_s),
                                   purchaseField(u"edzhaiyao"_s)};
    for (int i = 1; i <= 10; ++i)
        out.append(purchaseField(u"edzidingyi%1"_s.arg(i)));
    return out;
}

// Money received from a consignee (or paid to a consignor) on the spot, and the discount.
QList<GoodsHeaderField> settlementMoney(bool receipt) {
    GoodsHeaderField account = purchaseField(u"edfkzh"_s, receipt ? u"收款账户"_s : u"付款账户"_s);
    account.kind = receipt ? u"skkm"_s : u"fkkm"_s;
    return {purchaseField(u"edjhrq"_s, receipt ? u"收款日期"_s : u"付款日期"_s),
            account,
            purchaseField(u"edfkje"_s, receipt ? u"收款金额"_s : u"付款金额"_s),
            purchaseField(u"edzdzk"_s),
            purchaseField(u"edyouhuibilv"_s),
            purchaseField(u"edyhje"_s)};
}

const QStringList kNoTax = {u"tax"_s, u"Taxtotal"_s, u"TaxPrice"_s, u"yftotal"_s, u"kpTotal"_s};
const QStringList kNoWarehouse = {u"IntoStock_id"_s, u"IntoStock_code"_s, u"IntoStock_name"_s,
                                  u"IntoStockCode"_s, u"IntoStockname"_s};
const QStringList kNoSource = {u"s_id"_s, u"s_orderid"_s};

}  // namespace

std::vector<GoodsBillFamily> consignBillFamilyRows() {
    const struct {
        int djType;
        const char16_t* className;
        const char16_t* title;
        bool out;  // 委托 (the partner sells our goods) or 受托 (we sell the partner's)
        int role;  // 0 goods move, 1 goods come back, 2 settlement, 3 price change
        const char16_t* warehouseCaption;
    } kinds[] = {
        {43, u"TfrmBillWTFHD", u"委托发货单", true, 0, u"发货仓库"},
        {47, u"TfrmBillWTTHD", u"委托退货单", true, 1, u"收货仓库"},
        {44, u"TfrmBillWTJSD", u"委托结算单", true, 2, nullptr},
        {49, u"TfrmBillWTTJD", u"委托调价单", true, 3, nullptr},
        {45, u"TfrmBillSTSHD", u"受托收货单", false, 0, u"收货仓库"},
        {48, u"TfrmBillSTTHD", u"受托退货单", false, 1, u"发货仓库"},
        {46, u"TfrmBillSTJSD", u"受托结算单", false, 2, nullptr},
        {50, u"TfrmBillSTTJD", u"受托调价单", false, 3, nullptr},
    };
    std::vector<GoodsBillFamily> rows;
    for (const auto& k : kinds) {
        GoodsBillFamily r;
        r.djType = k.djType;
        r.className = QString::fromUtf16(k.className);
        r.title = QString::fromUtf16(k.title);
        r.headerFields = {k.out ? partner(u"受托单位"_s, u"wldw"_s)
                                : partner(u"委托单位"_s, u"gys"_s)};
        r.requiredControls = {u"eddw"_s};
        if (k.warehouseCaption) {
            r.headerFields.append(warehouse(QString::fromUtf16(k.warehouseCaption)));
            r.requiredControls.append(u"edshck"_s);
        }
        r.headerFields += commonAndCustom();
        switch (k.role) {
            case 0:  // valued at the partner's prices, without tax
                r.withoutColumns = kNoTax + kNoSource;
                break;
            case 1:  // back at what the partner holds
                r.withoutColumns = kNoTax;
                r.priceChecks = false;
                break;
            case 2:  // a sale or a purchase at the settled prices
                r.headerFields += settlementMoney(k.out);
                r.withoutColumns = kNoWarehouse + QStringList{u"yftotal"_s, u"kpTotal"_s};
                r.receivable = k.out;
                break;
            default:  // the new price of what the partner holds
                r.withoutColumns = kNoTax + kNoWarehouse + kNoSource;
                r.priceChecks = false;
                break;
        }
        if (k.role == 1 || k.role == 2) {
            r.orderKind = k.out ? 43 : 45;
            r.orderButton = k.out ? u"委托发货单"_s : u"受托收货单"_s;
        }
        rows.push_back(r);
    }
    return rows;
}

}  // namespace dyt::client
