// A request names the warehouse that delivers (配送仓库) and the one that asks (申请仓库); the
// delivery picks the open requests of its delivering warehouse and the acceptance the open
// deliveries of its receiving one. None of them states prices towards a partner. The gift
// contract names the customer and the gifts promised; it moves no goods.
#include "client/bills/distributionbills.h"

using namespace Qt::StringLiterals;

namespace dyt::client {

namespace {

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

QList<GoodsHeaderField> warehouses() {
    return {GoodsHeaderField{u"edfhck"_s, u"配送仓库"_s, u"OutStock_id"_s, u"OutStock_Name"_s,
                             u"cangku"_s},
            GoodsHeaderField{u"edshck"_s, u"申请仓库"_s, u"IntoStock_id"_s, u"IntoStock_Name"_s,
                             u"cangku"_s}};
}

QList<GoodsHeaderField> commonAndCustom() {
    QList<GoodsHeaderField> out = {purchaseField(u"edjsr"_s), purchaseField(u"edbm"_s),
                                   purchaseField(u"edzhaiyao"_s)};
    for (int i = 1; i <= 10; ++i)
        out.append(purchaseField(u"edzidingyi%1"_s.arg(i)));
    return out;
}

// Lines without tax, freight or invoicing.
const QStringList kWithout = {u"tax"_s, u"Taxtotal"_s, u"TaxPrice"_s, u"yftotal"_s, u"kpTotal"_s};

}  // namespace

std::vector<GoodsBillFamily> distributionBillFamilyRows() {
    std::vector<GoodsBillFamily> rows;
    const struct {
        int djType;
        const char16_t* className;
        const char16_t* title;
        int source;
        const char16_t* sourceButton;
        const char16_t* sourceControl;
    } kinds[] = {{61, u"TfrmBillPSSQD", u"配送申请单", 0, u"", u""},
                 {62, u"TfrmBillPSD", u"配送单", 61, u"配送申请单", u"edfhck"},
                 {63, u"TfrmBillPSYSD", u"配送验收单", 62, u"配送单", u"edshck"}};
    for (const auto& k : kinds) {
        GoodsBillFamily r;
        r.djType = k.djType;
        r.className = QString::fromUtf16(k.className);
        r.title = QString::fromUtf16(k.title);
        r.headerFields = warehouses();
        if (k.djType == 61)
            r.headerFields.append(purchaseField(u"edjhrq"_s, u"要货日期"_s));
        r.headerFields += commonAndCustom();
        r.withoutColumns = kWithout;
        if (k.source == 0)
            r.withoutColumns += QStringList{u"s_id"_s, u"s_orderid"_s};
        r.requiredControls = {u"edfhck"_s, u"edshck"_s};
        r.priceChecks = false;
        r.orderKind = k.source;
        r.orderButton = QString::fromUtf16(k.sourceButton);
        r.orderControl = QString::fromUtf16(k.sourceControl);
        rows.push_back(r);
    }
    {  // 71 赠品合同单
        GoodsBillFamily r;
        r.djType = 71;
        r.className = u"TfrmBillZPHTD"_s;
        r.title = u"赠品合同单"_s;
        r.headerFields = {GoodsHeaderField{u"eddw"_s, u"受赠单位"_s, u"wldw_id"_s, u"wldw_Name"_s,
                                           u"client"_s},
                          purchaseField(u"edjhrq"_s, u"履行日期"_s)};
        r.headerFields += commonAndCustom();
        r.withoutColumns = documentLineWithout();
        r.withoutColumns += QStringList{u"tax"_s, u"Taxtotal"_s, u"TaxPrice"_s, u"costPrice"_s,
                                        u"costTotal"_s};
        r.requiredControls = {u"eddw"_s};
        r.priceChecks = false;
        r.receivable = true;
        rows.push_back(r);
    }
    return rows;
}

}  // namespace dyt::client
