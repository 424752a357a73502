// The borrowing and lending bills as rows of the goods-bill family: goods borrowed from a partner
// (借进单) and sent back (借进还出单) or bought (借转进货单); goods lent to a partner (借出单) and
// taken back (借出还回单) or sold (借转销售单). The returns and conversions pick the lines of the
// partner's borrowings or lendings not yet settled.
#include "client/bills/goodsbill.h"

using namespace Qt::StringLiterals;

namespace dyt::client {
namespace {

GoodsHeaderField purchaseField(const QString& control, const QString& caption = QString()) {
    for (const GoodsHeaderField& f : purchaseHeaderFields()) {
        if (f.control == control) {
            GoodsHeaderField copy = f;
            if (!caption.isEmpty())
                copy.caption = caption;
            return copy;
        }
    }
    return {};
}

GoodsHeaderField partner(const QString& caption, const QString& kind) {
    return GoodsHeaderField{u"eddw"_s,   caption, u"wldw_id"_s, u"wldw_Name"_s,
                            kind,        HeaderFieldType::Select, true};
}

GoodsHeaderField warehouse(const QString& caption) {
    return GoodsHeaderField{u"edshck"_s, caption, u"IntoStock_id"_s, u"IntoStock_Name"_s,
                            u"cangku"_s, HeaderFieldType::Select, true};
}

QList<GoodsHeaderField> commonAndCustom() {
    QList<GoodsHeaderField> out = {purchaseField(u"edjsr"_s), purchaseField(u"edbm"_s),
                                   purchaseField(u"edzhaiyao"_s)};
    for (int i = 1; i <= 10; ++i)
        out.append(purchaseField(u"edzidingyi%1"_s.arg(i)));
    return out;
}

// Money paid or received on the spot by a conversion, and its invoice discount.
QList<GoodsHeaderField> moneyFields(bool receipt) {
    GoodsHeaderField account = purchaseField(u"edfkzh"_s, receipt ? u"收款账户"_s : u"付款账户"_s);
    if (receipt)
        account.kind = u"skkm"_s;
    return {purchaseField(u"edjhrq"_s, receipt ? u"收款日期"_s : u"付款日期"_s),
            account,
            purchaseField(u"edfkje"_s, receipt ? u"收款金额"_s : u"付款金额"_s),
            purchaseField(u"edzdzk"_s),
            purchaseField(u"edyouhuibilv"_s),
            purchaseField(u"edyhje"_s)};
}

// Borrowings, lendings and their returns carry values, not prices to pay: no tax, freight or
// invoicing; the source columns stay for picking.
const QStringList kLoanWithout = {u"tax"_s,      u"Taxtotal"_s, u"TaxPrice"_s,
                                  u"taxTotalSum"_s, u"yftotal"_s, u"kpTotal"_s};

}  // namespace

std::vector<GoodsBillFamily> loanBillFamilyRows() {
    std::vector<GoodsBillFamily> rows;
    const struct {
        int djType;
        const char16_t* className;
        const char16_t* title;
        const char16_t* partnerCaption;
        const char16_t* warehouseCaption;
        int source;  // the kind whose lines the bill picks (0: none)
        const char16_t* sourceButton;
    } loans[] = {{35, u"TfrmBillJJD", u"借进单", u"借出单位", u"收货仓库", 0, u""},
                 {36, u"TfrmBillJJHCD", u"借进还出单", u"借出单位", u"发货仓库", 35, u"借进单"},
                 {38, u"TfrmBillJCD", u"借出单", u"借入单位", u"发货仓库", 0, u""},
                 {39, u"TfrmBillJCHHD", u"借出还回单", u"借入单位", u"收货仓库", 38, u"借出单"}};
    for (const auto& l : loans) {
        GoodsBillFamily r;
        r.djType = l.djType;
        r.className = QString::fromUtf16(l.className);
        r.title = QString::fromUtf16(l.title);
        r.headerFields = {partner(QString::fromUtf16(l.partnerCaption), u"wldw"_s),
                          warehouse(QString::fromUtf16(l.warehouseCaption))};
        r.headerFields += commonAndCustom();
        r.withoutColumns = kLoanWithout;
        r.requiredControls = {u"eddw"_s, u"edshck"_s};
        r.priceChecks = false;
        r.orderKind = l.source;
        r.orderButton = QString::fromUtf16(l.sourceButton);
        rows.push_back(r);
    }
    {  // 37 借转进货单: borrowed goods bought; they stay where they are.
        GoodsBillFamily r;
        r.djType = 37;
        r.className = u"TfrmBillJZJHD"_s;
        r.title = u"借转进货单"_s;
        r.headerFields = {partner(u"供货单位"_s, u"gys"_s)};
        r.headerFields += moneyFields(false);
        r.headerFields += commonAndCustom();
        r.withoutColumns = {u"yftotal"_s};
        r.requiredControls = {u"eddw"_s};
        r.orderKind = 35;
        r.orderButton = u"借进单"_s;
        rows.push_back(r);
    }
    {  // 40 借转销售单: lent goods sold to the partner holding them.
        GoodsBillFamily r;
        r.djType = 40;
        r.className = u"TfrmBillJZXSD"_s;
        r.title = u"借转销售单"_s;
        r.headerFields = {partner(u"购买单位"_s, u"wldw"_s)};
        r.headerFields += moneyFields(true);
        r.headerFields += commonAndCustom();
        r.withoutColumns = {u"yftotal"_s, u"costTotal"_s};
        r.requiredControls = {u"eddw"_s};
        r.orderKind = 38;
        r.orderButton = u"借出单"_s;
        r.receivable = true;
        rows.push_back(r);
    }
    return rows;
}

}  // namespace dyt::client
