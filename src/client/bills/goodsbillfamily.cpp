// The goods-bill family as data: the purchase bill's header fields and line columns, and one row
// per kind with its captions, warehouses, selection kinds, columns and checks.
#include <QHash>

#include "client/bills/frmbillwwjg.h"
#include "client/bills/distributionbills.h"
#include "client/bills/frmbillkp.h"
#include "client/bills/frmbillxsd.h"
#include "client/bills/goodsbill.h"

using namespace Qt::StringLiterals;

namespace dyt::client {

namespace {

using T = HeaderFieldType;

GoodsHeaderField field(const QString& control, const QString& caption, const QString& id,
                       const QString& name, const QString& kind, T type = T::Select,
                       bool visible = true) {
    return GoodsHeaderField{control, caption, id, name, kind, type, visible};
}

// The purchase bill's fields by control name, with a caption of its own where a kind needs it.
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

GoodsHeaderField warehouse(const QString& caption, bool out) {
    return out ? field(u"edfhck"_s, caption, u"OutStock_id"_s, u"OutStock_Name"_s, u"cangku"_s)
               : field(u"edshck"_s, caption, u"IntoStock_id"_s, u"IntoStock_Name"_s, u"cangku"_s);
}

QList<GoodsHeaderField> customFields() {
    QList<GoodsHeaderField> out;
    for (int i = 1; i <= 10; ++i)
        out.append(purchaseField(u"edzidingyi%1"_s.arg(i)));
    return out;
}

// Employee, department, abstract: every member has them.
QList<GoodsHeaderField> commonFields() {
    return {purchaseField(u"edjsr"_s), purchaseField(u"edbm"_s), purchaseField(u"edzhaiyao"_s)};
}

// The money part of the purchase-like bills: payment date, account and amount, invoice discount.
QList<GoodsHeaderField> moneyFields(const QString& account, const QString& amount,
                                    const QString& date) {
    return {purchaseField(u"edjhrq"_s, date),   purchaseField(u"edfkzh"_s, account),
            purchaseField(u"edfkje"_s, amount), purchaseField(u"edzdzk"_s),
            purchaseField(u"edyouhuibilv"_s),   purchaseField(u"edyhje"_s)};
}

// The columns of bills without prices towards a partner: no tax, freight, invoicing.
const QStringList kStockOnlyWithout = {u"tax"_s,     u"Taxtotal"_s, u"TaxPrice"_s, u"yftotal"_s,
                                       u"kpTotal"_s, u"s_id"_s,     u"s_orderid"_s};

}  // namespace

const QStringList& documentLineWithout() {
    // Enquiries and quotations move no goods: no warehouse, batch, freight or source columns.
    static const QStringList without = {
        u"IntoStock_id"_s, u"IntoStock_code"_s, u"IntoStock_name"_s, u"IntoStockCode"_s,
        u"IntoStockname"_s, u"ph"_s, u"outdate"_s, u"yxqdate"_s, u"goodspc"_s, u"yftotal"_s,
        u"kpTotal"_s, u"s_id"_s, u"s_orderid"_s};
    return without;
}

namespace {

std::vector<GoodsBillFamily> defaultRows() {
    std::vector<GoodsBillFamily> rows;
    const QString supplier = u"供货单位"_s;
    const QString partner = u"往来单位"_s;

    {  // 5 进货单: the reference member.
        GoodsBillFamily r;
        r.djType = 5;
        r.className = u"TfrmBillJHD"_s;
        r.title = u"进货单"_s;
        r.headerFields = purchaseHeaderFields();
        r.requiredControls = {u"eddw"_s, u"edshck"_s};
        r.orderKind = 8;
        r.orderButton = u"进货订单"_s;
        rows.push_back(r);
    }
    {  // 6 进货退货单
        GoodsBillFamily r;
        r.djType = 6;
        r.className = u"TfrmBillJHTHD"_s;
        r.title = u"进货退货单"_s;
        r.headerFields = {purchaseField(u"eddw"_s), warehouse(u"发货仓库"_s, false)};
        r.headerFields += commonFields();
        r.headerFields += moneyFields(u"收款账户"_s, u"收款金额"_s, u"收款日期"_s);
        r.headerFields += customFields();
        r.withoutColumns = {u"yftotal"_s};
        r.requiredControls = {u"eddw"_s, u"edshck"_s};
        rows.push_back(r);
    }
    {  // 7 进货换货单: lines coming in (positive) and going out (negative).
        GoodsBillFamily r;
        r.djType = 7;
        r.className = u"TfrmBillJHHHD"_s;
        r.title = u"进货换货单"_s;
        r.headerFields = {purchaseField(u"eddw"_s, partner), warehouse(u"换入仓库"_s, false),
                          warehouse(u"换出仓库"_s, true)};
        r.headerFields += commonFields();
        r.headerFields += moneyFields(u"付款账户"_s, u"付款金额"_s, u"付款日期"_s);
        r.headerFields += customFields();
        r.withoutColumns = {u"yftotal"_s};
        r.requiredControls = {u"eddw"_s, u"edshck"_s, u"edfhck"_s};
        r.negativeQty = true;
        rows.push_back(r);
    }
    {  // 8 进货订单: no money moves.
        GoodsBillFamily r;
        r.djType = 8;
        r.className = u"TfrmBillJHDD"_s;
        r.title = u"进货订单"_s;
        r.headerFields = {purchaseField(u"eddw"_s), warehouse(u"收货仓库"_s, false)};
        r.headerFields += commonFields();
        r.headerFields.append(purchaseField(u"edjhrq"_s, u"交货日期"_s));
        r.headerFields.append(purchaseField(u"edzdzk"_s));
        r.headerFields += customFields();
        r.withoutColumns = {u"yftotal"_s, u"s_id"_s, u"s_orderid"_s};
        r.requiredControls = {u"eddw"_s, u"edshck"_s};
        rows.push_back(r);
    }
    {  // 10 其它出库单
        GoodsBillFamily r;
        r.djType = 10;
        r.className = u"TfrmBillQTCKD"_s;
        r.title = u"其它出库单"_s;
        r.headerFields = {field(u"eddw"_s, partner, u"wldw_id"_s, u"wldw_Name"_s, u"wldw"_s),
                          warehouse(u"发货仓库"_s, false)};
        r.headerFields += commonFields();
        r.headerFields += customFields();
        r.withoutColumns = kStockOnlyWithout;
        r.requiredControls = {u"edshck"_s};
        r.priceChecks = false;
        rows.push_back(r);
    }
    {  // 11 其它入库单
        GoodsBillFamily r;
        r.djType = 11;
        r.className = u"TfrmBillQTRKD"_s;
        r.title = u"其它入库单"_s;
        r.headerFields = {field(u"eddw"_s, partner, u"wldw_id"_s, u"wldw_Name"_s, u"wldw"_s),
                          warehouse(u"收货仓库"_s, false)};
        r.headerFields += commonFields();
        r.headerFields += customFields();
        r.withoutColumns = kStockOnlyWithout;
        r.requiredControls = {u"edshck"_s};
        r.priceChecks = false;
        rows.push_back(r);
    }
    // Loss, overflow, cost adjustment: a warehouse and no partner.
    const struct {
        int djType;
        const char16_t* className;
        const char16_t* title;
        const char16_t* warehouseCaption;
    } single[] = {{12, u"TfrmBillBSD", u"报损单", u"发货仓库"},
                  {13, u"TfrmBillBYD", u"报溢单", u"收货仓库"},
                  {14, u"TfrmBillCBTJD", u"成本调价单", u"发货仓库"}};
    for (const auto& s : single) {
        GoodsBillFamily r;
        r.djType = s.djType;
        r.className = QString::fromUtf16(s.className);
        r.title = QString::fromUtf16(s.title);
        r.headerFields = {warehouse(QString::fromUtf16(s.warehouseCaption), false)};
        r.headerFields += commonFields();
        r.headerFields += customFields();
        r.withoutColumns = kStockOnlyWithout;
        r.requiredControls = {u"edshck"_s};
        r.priceChecks = s.djType == 14;
        rows.push_back(r);
    }
    // Transfers: out of one warehouse into another.
    const struct {
        int djType;
        const char16_t* className;
        const char16_t* title;
        const char16_t* outCaption;
        const char16_t* inCaption;
    } transfers[] = {{15, u"TfrmBillTJDBD", u"同价调拨单", u"发货仓库", u"收货仓库"},
                     {16, u"TfrmBillBJDBD", u"变价调拨单", u"发货仓库", u"收货仓库"},
                     {58, u"TfrmBillCKDBD", u"仓库调拨单", u"出库仓库", u"入库仓库"},
                     {9, u"TfrmBillSPCZD", u"商品拆装单", u"出库仓库", u"入库仓库"}};
    for (const auto& t : transfers) {
        GoodsBillFamily r;
        r.djType = t.djType;
        r.className = QString::fromUtf16(t.className);
        r.title = QString::fromUtf16(t.title);
        r.headerFields = {warehouse(QString::fromUtf16(t.outCaption), true),
                          warehouse(QString::fromUtf16(t.inCaption), false)};
        r.headerFields += commonFields();
        r.headerFields += customFields();
        r.withoutColumns = kStockOnlyWithout;
        r.requiredControls = {u"edfhck"_s, u"edshck"_s};
        r.priceChecks = t.djType == 16;
        r.negativeQty = t.djType == 9;
        rows.push_back(r);
    }
    {  // The stocktake: the counted quantities of one warehouse.
        GoodsBillFamily r;
        r.djType = kStocktakeType;
        r.className = u"TfrmBillPDD"_s;
        r.title = u"盘点单"_s;
        r.headerFields = {warehouse(u"盘点仓库"_s, false)};
        r.headerFields += commonFields();
        r.withoutColumns = kStockOnlyWithout;
        r.withoutColumns += QStringList{u"discount"_s,    u"discountprice"_s, u"discounttotal"_s,
                                        u"taxTotalSum"_s, u"lsPrice"_s,       u"lsTotal"_s};
        r.requiredControls = {u"edshck"_s};
        r.priceChecks = false;
        rows.push_back(r);
    }
    // Gifts: goods received from a partner (at the value stated in the lines) or given to one
    // (out at cost); no tax and no money change hands.
    const struct {
        int djType;
        const char16_t* className;
        const char16_t* title;
        const char16_t* partnerCaption;
        const char16_t* warehouseCaption;
    } gifts[] = {{59, u"TfrmBillHZD", u"获赠单", u"赠送单位", u"收货仓库"},
                 {60, u"TfrmBillZSD", u"赠送单", u"受赠单位", u"发货仓库"}};
    for (const auto& g : gifts) {
        GoodsBillFamily r;
        r.djType = g.djType;
        r.className = QString::fromUtf16(g.className);
        r.title = QString::fromUtf16(g.title);
        r.headerFields = {field(u"eddw"_s, QString::fromUtf16(g.partnerCaption), u"wldw_id"_s,
                                u"wldw_Name"_s, u"wldw"_s),
                          warehouse(QString::fromUtf16(g.warehouseCaption), false)};
        r.headerFields += commonFields();
        r.headerFields += customFields();
        r.withoutColumns = kStockOnlyWithout;
        r.requiredControls = {u"eddw"_s, u"edshck"_s};
        r.priceChecks = false;
        rows.push_back(r);
    }
    {  // 64 询价单: prices asked of a supplier; copied into a purchase order or bill.
        GoodsBillFamily r;
        r.djType = 64;
        r.className = u"TfrmBillXJD"_s;
        r.title = u"询价单"_s;
        r.headerFields = {purchaseField(u"eddw"_s)};
        r.headerFields += commonFields();
        r.headerFields.append(purchaseField(u"edjhrq"_s, u"交货日期"_s));
        r.headerFields.append(purchaseField(u"edzdzk"_s));
        r.headerFields += customFields();
        r.withoutColumns = documentLineWithout();
        r.withoutColumns += QStringList{u"costPrice"_s, u"costTotal"_s};
        r.requiredControls = {u"eddw"_s};
        r.copyKinds = {8, 5};
        rows.push_back(r);
    }
    // The sales kinds 1 to 4 and the quotation.
    for (const GoodsBillFamily& r : salesBillFamilyRows())
        rows.push_back(r);
    // Outsourced processing and the warehouse receipts and issues.
    for (const GoodsBillFamily& r : processingBillFamilyRows())
        rows.push_back(r);
    for (const GoodsBillFamily& r : loanBillFamilyRows())
        rows.push_back(r);
    for (const GoodsBillFamily& r : consignBillFamilyRows())
        rows.push_back(r);
    for (const GoodsBillFamily& r : distributionBillFamilyRows())
        rows.push_back(r);
    for (const GoodsBillFamily& r : invoiceBillFamilyRows())
        rows.push_back(r);
    return rows;
}

std::vector<GoodsBillFamily>& table() {
    static std::vector<GoodsBillFamily> rows = defaultRows();
    return rows;
}

}  // namespace

const QList<GoodsHeaderField>& purchaseHeaderFields() {
    static const QList<GoodsHeaderField> fields = [] {
        QList<GoodsHeaderField> f = {
            field(u"eddw"_s, u"供货单位"_s, u"wldw_id"_s, u"wldw_Name"_s, u"gys"_s),
            field(u"edshck"_s, u"收货仓库"_s, u"IntoStock_id"_s, u"IntoStock_Name"_s, u"cangku"_s),
            field(u"edjsr"_s, u"经 手 人"_s, u"jsr_id"_s, u"jsr_Name"_s, u"zhiyuan"_s),
            field(u"edbm"_s, u"部    门"_s, u"dep_id"_s, u"bm_Name"_s, u"bumen"_s),
            field(u"edzhaiyao"_s, u"摘    要"_s, u"summery"_s, QString(), u"zhaiyao"_s, T::Text),
            field(u"edjhrq"_s, u"付款日期"_s, u"sfkDate"_s, QString(), QString(), T::Date),
            field(u"edfkzh"_s, u"付款账户"_s, u"sfkKm_id"_s, u"sfkKm_Name"_s, u"fkkm"_s),
            field(u"edfkje"_s, u"付款金额"_s, u"sfkTotal"_s, QString(), QString(), T::Number),
            field(u"edyfwldw"_s, u"运费往来单位"_s, u"yfwldw_id"_s, u"yfwldw_Name"_s, u"wldw"_s),
            field(u"edyffkzh"_s, u"运费付款账户"_s, u"yfKm_id"_s, u"yfKm_Name"_s, u"fkkm"_s),
            field(u"edyffkje"_s, u"运费付款金额"_s, u"yfTotal"_s, QString(), QString(), T::Number),
            field(u"edyfhj"_s, u"运费合计"_s, u"yfTotalSum"_s, QString(), QString(), T::Number),
            field(u"edzdzk"_s, u"整单折扣"_s, u"billDiscount"_s, QString(), QString(), T::Number),
            field(u"edyouhuibilv"_s, u"优惠比率(%)"_s, u"YouHuiBiLv"_s, QString(), QString(),
                  T::Number, false),
            field(u"edyhje"_s, u"优惠金额"_s, u"youhuiTotal"_s, QString(), QString(), T::Number),
        };
        const QStringList numbers = {u"一"_s, u"二"_s, u"三"_s, u"四"_s, u"五"_s,
                                     u"六"_s, u"七"_s, u"八"_s, u"九"_s, u"十"_s};
        for (int i = 1; i <= 10; ++i)
            f.append(field(u"edzidingyi%1"_s.arg(i), u"自定义"_s + numbers.at(i - 1),
                           u"zidingyi%1"_s.arg(i), QString(), QString(), T::Text, false));
        return f;
    }();
    return fields;
}

const QList<GoodsLineColumn>& purchaseLineColumns() {
    static const QList<GoodsLineColumn> columns = {
        {u"goodsid"_s, u"[%NUM%Q%]商品ID"_s, false, 50, 0},
        {u"orderid"_s, u"[%NUM%Q%]orderid"_s, false, 40, 0},
        {u"goodsCode"_s, u"[%SET%CNT%F%]商品编号"_s, true, 90, 0},
        {u"goodsname"_s, u"[%SET%]商品名称"_s, true, 150, 0},
        {u"IntoStock_id"_s, u"[%NUM%Q%]仓库iD"_s, false, 40, 0},
        {u"IntoStock_code"_s, u"[]仓库编号"_s, false, 60, 0},
        {u"IntoStock_name"_s, u"[]仓库全名"_s, false, 80, 0},
        {u"IntoStockCode"_s, u"[%SET%]仓库编号"_s, false, 60, 0},
        {u"IntoStockname"_s, u"[%SET%]仓库全名"_s, false, 80, 0},
        {u"costmode"_s, u"成本算法"_s, false, 60, 0},
        {u"ph"_s, u"[%F%]批号"_s, true, 70, 0},
        {u"outdate"_s, u"[%DATA%F%]生产日期"_s, true, 80, 0},
        {u"yxqdate"_s, u"[%DATA%F%]有效期至"_s, true, 80, 0},
        {u"goodspc"_s, u"[%NUM%Q%]批次"_s, false, 40, 0},
        {u"unitid"_s, u"[%NUM%Q%]单位id"_s, false, 40, 0},
        {u"unitName"_s, u"[%SEL%]单位"_s, false, 50, 0},
        {u"rate"_s, u"[%NUM%T%F%]单位关系"_s, false, 60, 0},
        {u"fzqty"_s, u"[]辅助数量"_s, false, 80, 0},
        {u"fzqty1"_s, u"[]辅助数量1"_s, false, 80, 0},
        {u"fzqty2"_s, u"[]辅助数量2"_s, false, 80, 0},
        {u"qty"_s, u"[%NUM%SUM%Q%]数量"_s, true, 70, 0},
        {u"fdwqty"_s, u"[%NUM%SUM%Q%]副单位数量"_s, false, 70, 0},
        {u"Price"_s, u"[%NUM%P%Cost%]单价"_s, true, 70, 0},
        {u"Total"_s, u"[%NUM%SUM%M%Cost%]金额"_s, true, 80, 0},
        {u"discount"_s, u"[%D%F%]折扣"_s, true, 50, 0},
        {u"discountprice"_s, u"[%NUM%P%Cost%F%]折后单价"_s, true, 70, 0},
        {u"discounttotal"_s, u"[%NUM%SUM%M%Cost%F%]折后金额"_s, true, 80, 0},
        {u"tax"_s, u"[%NUM%T%F%]税率"_s, true, 50, 0},
        {u"Taxtotal"_s, u"[%NUM%SUM%M%F%]税金"_s, false, 70, 0},
        {u"TaxPrice"_s, u"[%NUM%P%F%]含税单价"_s, true, 70, 0},
        {u"taxTotalSum"_s, u"[%NUM%SUM%M%F%]含税金额"_s, true, 80, 0},
        {u"yftotal"_s, u"[%NUM%SUM%M%]运费"_s, true, 60, 0},
        {u"costPrice"_s, u"[%NUM%P%]入库单价"_s, false, 70, 0},
        {u"costTotal"_s, u"[%NUM%SUM%M%]入库金额"_s, false, 80, 0},
        {u"lsPrice"_s, u"[%NUM%P%F%]零售价"_s, true, 70, 1},
        {u"lsTotal"_s, u"[%NUM%SUM%M%F%]零售金额"_s, false, 80, 1},
        {u"kpTotal"_s, u"[%NUM%SUM%M%]开票金额"_s, false, 80, 1},
        {u"RowTypeName"_s, u"[]是否赠品"_s, false, 60, 1},
        {u"RowType"_s, u"[%NUM%]是否赠品"_s, false, 40, 1},
        {u"comment"_s, u"[]行摘要"_s, true, 120, 1},
        {u"rowbeizhu1"_s, u"[%F%]附加信息一"_s, true, 80, 1},
        {u"rowbeizhu2"_s, u"[%F%]附加信息二"_s, true, 80, 1},
        {u"rowbeizhu3"_s, u"[%F%]附加信息三"_s, true, 80, 1},
        {u"rowbeizhu4"_s, u"[%F%]附加信息四"_s, true, 80, 1},
        {u"rowbeizhu5"_s, u"[%F%]附加信息五"_s, true, 80, 1},
        {u"barcode"_s, u"[%F%]条码"_s, true, 90, 1},
        {u"UnitRate"_s, u"[%F%]辅助单位"_s, false, 80, 1},
        {u"s_id"_s, u"[%NUM%M%]s_id"_s, false, 40, 1},
        {u"s_orderid"_s, u"[%NUM%M%]s_orderid"_s, false, 40, 1},
    };
    return columns;
}

QList<GoodsLineColumn> familyLineColumns(const GoodsBillFamily& row) {
    QList<GoodsLineColumn> out;
    for (const GoodsLineColumn& c : purchaseLineColumns()) {
        if (row.withoutColumns.contains(c.field, Qt::CaseInsensitive))
            continue;
        out.append(c);
    }
    for (const GoodsLineColumn& more : row.moreColumns) {
        bool replaced = false;
        for (GoodsLineColumn& c : out)
            if (c.field.compare(more.field, Qt::CaseInsensitive) == 0) {
                c = more;
                replaced = true;
            }
        if (!replaced)
            out.append(more);
    }
    return out;
}

const std::vector<GoodsBillFamily>& goodsBillFamily() {
    return table();
}

void addGoodsBillFamily(const GoodsBillFamily& row) {
    for (GoodsBillFamily& r : table())
        if (r.className.compare(row.className, Qt::CaseInsensitive) == 0) {
            r = row;
            return;
        }
    table().push_back(row);
}

const GoodsBillFamily* findGoodsBillFamily(const QString& className) {
    for (const GoodsBillFamily& r : table())
        if (r.className.compare(className, Qt::CaseInsensitive) == 0)
            return &r;
    return nullptr;
}

const GoodsBillFamily* findGoodsBillFamilyByType(int djType) {
    for (const GoodsBillFamily& r : table())
        if (r.djType == djType)
            return &r;
    return nullptr;
}

}  // namespace dyt::client
