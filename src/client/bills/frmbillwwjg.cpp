// The outsourced-processing and warehouse bills of the goods-bill family.
#include "client/bills/frmbillwwjg.h"

#include <cmath>

#include "common/error.h"

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
    throw DytError(u"单据没有字段[%1]"_s.arg(control));
}

GoodsHeaderField partnerField(const QString& caption) {
    return GoodsHeaderField{u"eddw"_s, caption, u"wldw_id"_s, u"wldw_Name"_s, u"wldw"_s,
                            T::Select, true};
}

GoodsHeaderField warehouseField(const QString& caption) {
    return purchaseField(u"edshck"_s, caption);
}

QList<GoodsHeaderField> commonFields() {
    QList<GoodsHeaderField> out = {purchaseField(u"edjsr"_s), purchaseField(u"edbm"_s),
                                   purchaseField(u"edzhaiyao"_s)};
    for (int i = 1; i <= 10; ++i)
        out.append(purchaseField(u"edzidingyi%1"_s.arg(i)));
    return out;
}

// No tax, freight or invoicing: the bills move goods at cost.
const QStringList kAtCostWithout = {u"tax"_s, u"Taxtotal"_s, u"TaxPrice"_s, u"yftotal"_s,
                                    u"kpTotal"_s};

const QString kProcessor = u"加工单位"_s;
const QString kIssueButton = u"委外加工领料单"_s;

}  // namespace

std::vector<GoodsBillFamily> processingBillFamilyRows() {
    std::vector<GoodsBillFamily> rows;
    const struct {
        int djType;
        const char16_t* className;
        const char16_t* title;
        const char16_t* warehouseCaption;
        bool picksIssues;
    } processing[] = {{53, u"TfrmBillWWJGLLD", u"委外加工领料单", u"发料仓库", false},
                      {54, u"TfrmBillWWJGTLD", u"委外加工退料单", u"收料仓库", true},
                      {55, u"TfrmBillWWJGWGD", u"委外加工完工单", u"收货仓库", true}};
    for (const auto& k : processing) {
        GoodsBillFamily r;
        r.djType = k.djType;
        r.className = QString::fromUtf16(k.className);
        r.title = QString::fromUtf16(k.title);
        r.headerFields = {partnerField(kProcessor),
                          warehouseField(QString::fromUtf16(k.warehouseCaption))};
        r.headerFields += commonFields();
        r.withoutColumns = kAtCostWithout;
        r.requiredControls = {u"eddw"_s, u"edshck"_s};
        r.priceChecks = false;
        if (k.picksIssues) {
            r.orderKind = 53;
            r.orderButton = kIssueButton;
        }
        if (k.djType == 55) {
            r.negativeQty = true;
            r.moreColumns = {{u"Price"_s, u"[%NUM%P%Cost%]加工费单价"_s, true, 70, 0},
                             {u"Total"_s, u"[%NUM%SUM%M%Cost%]加工费"_s, true, 80, 0}};
        }
        rows.push_back(r);
    }
    const struct {
        int djType;
        const char16_t* className;
        const char16_t* title;
        const char16_t* warehouseCaption;
    } warehouse[] = {{56, u"TfrmBillCKRKD", u"仓库入库单", u"入库仓库"},
                     {57, u"TfrmBillCKCKD", u"仓库出库单", u"出库仓库"}};
    for (const auto& k : warehouse) {
        GoodsBillFamily r;
        r.djType = k.djType;
        r.className = QString::fromUtf16(k.className);
        r.title = QString::fromUtf16(k.title);
        r.headerFields = {partnerField(u"往来单位"_s),
                          warehouseField(QString::fromUtf16(k.warehouseCaption))};
        r.headerFields += commonFields();
        r.withoutColumns = kAtCostWithout + QStringList{u"s_id"_s, u"s_orderid"_s};
        r.requiredControls = {u"edshck"_s};
        r.priceChecks = false;
        rows.push_back(r);
    }
    return rows;
}

TfrmBillWWJGWGD::TfrmBillWWJGWGD(QWidget* parent)
    : TfrmGoodsBill(*findGoodsBillFamily(u"TfrmBillWWJGWGD"_s), parent) {}

RecordSet TfrmBillWWJGWGD::consumedLines(const RecordSet& issueLines) {
    RecordSet out = issueLines;
    const int qty = out.fieldIndex(u"qty"_s);
    const int done = out.fieldIndex(u"toQty"_s);
    const int price = out.fieldIndex(u"Price"_s);
    const int tax = out.fieldIndex(u"tax"_s);
    for (int r = 0; r < out.rowCount(); ++r) {
        if (qty >= 0)
            out.setAt(r, qty, -std::abs(out.at(r, qty).toDouble()));
        if (done >= 0)
            out.setAt(r, done, 0);
        if (price >= 0)
            out.setAt(r, price, 0);
        if (tax >= 0)
            out.setAt(r, tax, QVariant());
    }
    return out;
}

void TfrmBillWWJGWGD::pullOrders() {
    const GoodsHeaderField* partner = headerField(u"eddw"_s);
    if (!partner || headerId(u"eddw"_s) <= 0)
        throw DytError(goodstext::chooseFirst(partner ? partner->caption : QString()));
    if (!goodsOrderPicker())
        return;
    RecordSet header;
    RecordSet lines;
    if (!goodsOrderPicker()(u"(53)"_s, u";wldw_id="_s + QString::number(headerId(u"eddw"_s)),
                            &header, &lines))
        return;
    takeOverOrder(header, consumedLines(lines));
}

}  // namespace dyt::client
