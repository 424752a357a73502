// The grid columns of the receivables and payables windows (P_JXC_Get_WL): the partner and
// employee ledgers, the balance tables, the overdue and settlement lists, the collections and the
// profit tables.
#include "protocol/querydescriptors.h"

namespace dyt {

namespace {

QueryColumn c(const char* field, const char* caption, int width = 90) {
    return {QString::fromUtf8(field), QString::fromUtf8(caption), width};
}

QList<QueryColumn> billHead() {
    return {c("id", "id", 0),
            c("djType", "djType", 0),
            c("djDate", "[]日期", 80),
            c("djNo", "[]单据编号", 120),
            c("djName", "[]单据类型", 90),
            c("dw_dwbh", "[]单位编号"),
            c("dw_dwqm", "[]往来单位", 150),
            c("zy_zyqm", "[]经手人", 80),
            c("summery", "[]摘要", 120)};
}

QList<QueryColumn> bothSides() {
    return {c("ysZj", "[%SUM%M%]应收增加"), c("ysJs", "[%SUM%M%]应收减少"),
            c("ysYe", "[%M%]应收余额"),     c("yfZj", "[%SUM%M%]应付增加"),
            c("yfJs", "[%SUM%M%]应付减少"), c("yfYe", "[%M%]应付余额")};
}

QList<QueryColumn> bills(bool overdue, bool payable) {
    QList<QueryColumn> out = billHead();
    out << c("taxTotalSum", "[%SUM%M%]价税合计") << c("youhuiTotal", "[%SUM%M%]优惠金额")
        << c("sfkTotalLj", payable ? "[%SUM%M%]已付金额" : "[%SUM%M%]已收金额")
        << c("qkTotal", overdue ? "[%SUM%M%]欠款金额" : "[%SUM%M%]未结算金额")
        << c("sfkDate", payable ? "[]付款日期" : "[]收款日期", 80);
    if (overdue)
        out << c("cqDays", "[]超期天数", 70);
    return out;
}

QList<QueryColumn> receivable() {
    return {c("qcys", "[%SUM%M%]期初应收"), c("ysZj", "[%SUM%M%]本期增加"),
            c("ysJs", "[%SUM%M%]本期收回"), c("ystotal", "[%SUM%M%]应收余额"),
            c("yushoutotal", "[%SUM%M%]预收余额")};
}

QList<QueryColumn> payable() {
    return {c("qcyf", "[%SUM%M%]期初应付"), c("yfZj", "[%SUM%M%]本期增加"),
            c("yfJs", "[%SUM%M%]本期付出"), c("yftotal", "[%SUM%M%]应付余额"),
            c("yufutotal", "[%SUM%M%]预付余额")};
}

}  // namespace

QList<QueryColumn> partnerMoneyColumns(const QString& className, const QList<QueryColumn>& subject);

// The columns of a receivables or payables window, the tree windows' after their subject's
// columns; empty for the other windows.
QList<QueryColumn> partnerMoneyColumns(const QString& className,
                                       const QList<QueryColumn>& subject) {
    const auto is = [&](const char* name) { return className == QLatin1String(name); };
    // The ledgers: the side chosen (receivables unless the conditions say payables) with its
    // running balance, then both sides.
    const QList<QueryColumn> ledger =
        billHead() +
        QList<QueryColumn>{c("zjTotal", "[%SUM%M%]增加"), c("jsTotal", "[%SUM%M%]减少"),
                           c("yeTotal", "[%M%]余额")} +
        bothSides();
    if (is("TfrmQWLDWMX") || is("TfrmQYSYFDWMX") || is("TfrmQYSYFZYMX") || is("TfrmQZYMXZB"))
        return ledger;
    if (is("TfrmQWLDZ"))
        return ledger + QList<QueryColumn>{c("DuiZhang", "[]是否对账", 60)};
    if (is("TfrmQDWYSYF") || is("TfrmQWLYSYF"))
        return subject + receivable() + payable();
    if (is("TfrmQKHWLCX"))
        return subject + receivable();
    if (is("TfrmQGYSWLCX"))
        return subject + payable();
    if (is("TfrmQCQYSK") || is("TfrmQCQYFK"))
        return bills(true, is("TfrmQCQYFK"));
    if (is("TfrmQADJSCX"))
        return bills(false, false);
    const QList<QueryColumn> collected = {c("skTotal", "[%SUM%M%]收款金额"),
                                          c("yhTotal", "[%SUM%M%]优惠金额"),
                                          c("hkTotal", "[%SUM%M%]回款合计")};
    if (is("TfrmQJSRHKTJ") || is("TfrmQWLDWHKTJ") || is("TfrmQZDRSKTJ"))
        return subject + collected;
    if (is("TfrmQJSRHKXQ") || is("TfrmQDWHKMXZB"))
        return billHead() + collected;
    if (is("TfrmQWLDWLRB") || is("TfrmQZYLRB") || is("TfrmQBMLRB")) {
        return subject + QList<QueryColumn>{c("Qty", "[%SUM%Q%]销售数量"),
                                            c("price", "[%P%]销售均价"),
                                            c("discounttotal", "[%SUM%M%]销售收入"),
                                            c("Taxtotal", "[%SUM%M%]税额"),
                                            c("TaxPrice", "[%P%]含税单价"),
                                            c("costtotal", "[%SUM%M%Cost%]销售成本"),
                                            c("ml", "[%SUM%M%Cost%]毛利")};
    }
    return {};
}

}  // namespace dyt
