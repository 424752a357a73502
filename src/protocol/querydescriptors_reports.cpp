// The grid columns of the sales, purchase and stock windows whose rows are bill lines, batches,
// movements or comparisons rather than the plain figures of their subject.
#include "protocol/querydescriptors.h"

namespace dyt {

namespace {

QueryColumn c(const char* field, const char* caption, int width = 80) {
    return {QString::fromUtf8(field), QString::fromUtf8(caption), width};
}

using Columns = QList<QueryColumn>;

// A bill line: the bill, its partner and warehouse, the goods.
Columns lineHead(bool employee) {
    Columns out = {c("id", "id", 0),          c("djType", "djType", 0),
                   c("djDate", "[]日期"),     c("djNo", "[]单据编号", 120),
                   c("djName", "[]单据类型"), c("dw_dwqm", "[]往来单位", 120),
                   c("ck_ckqm", "[]仓库")};
    if (employee)
        out << c("zy_zyqm", "[]经手人");
    return out << c("sp_spbh", "[]商品编号", 90) << c("sp_spqm", "[]商品全名", 160);
}

// The amounts of a sales or purchase line, cost at the end.
Columns lineAmounts() {
    return {c("Qty", "[%SUM%Q%]数量"),
            c("price", "[%P%]单价"),
            c("total", "[%SUM%M%]金额", 100),
            c("Taxtotal", "[%SUM%M%]税额"),
            c("TaxPrice", "[%P%]含税单价"),
            c("taxTotalSum", "[%SUM%M%]价税合计", 100),
            c("costprice", "[%P%Cost%]成本单价"),
            c("costtotal", "[%SUM%M%Cost%]成本金额", 100)};
}

// A stock movement with what came in, what went out and the running balance, at cost.
Columns movement() {
    return lineHead(false) +
           Columns{c("inQty", "[%SUM%Q%]入库数量"),  c("inTotal", "[%SUM%M%Cost%]入库金额", 100),
                   c("outQty", "[%SUM%Q%]出库数量"), c("outTotal", "[%SUM%M%Cost%]出库金额", 100),
                   c("Qty", "[%SUM%Q%]变动数量"),    c("total", "[%SUM%M%Cost%]变动金额", 100),
                   c("jcQty", "[%Q%]结存数量"),      c("jcTotal", "[%M%Cost%]结存金额", 100),
                   c("comment", "[]摘要", 120)};
}

// A level's quantity, average cost and amount at cost.
Columns atCost(const char* qty, const char* total) {
    return {c("Qty", qty), c("price", "[%P%Cost%]成本均价"), c("total", total, 100)};
}

// What went in and out of a level.
Columns inAndOut(bool cost) {
    return {c("outQty", "[%SUM%Q%]出库数量"),
            c("outTotal", cost ? "[%SUM%M%Cost%]出库金额" : "[%SUM%M%]出库金额", 100),
            c("inQty", "[%SUM%Q%]入库数量"),
            c("inTotal", cost ? "[%SUM%M%Cost%]入库金额" : "[%SUM%M%]入库金额", 100)};
}

// The bill amounts of a level of the stock bills, with their cost and the difference.
Columns stockBillAmounts() {
    return {c("Qty", "[%SUM%Q%]数量"),
            c("price", "[%P%]均价"),
            c("total", "[%SUM%M%]金额", 100),
            c("Taxtotal", "[%SUM%M%]税额"),
            c("TaxPrice", "[%P%]含税单价"),
            c("taxTotalSum", "[%SUM%M%]价税合计", 100),
            c("costtotal", "[%SUM%M%Cost%]成本金额", 100),
            c("ml", "[%SUM%M%Cost%]成本差额", 100)};
}

// A batch of goods in a warehouse.
Columns batch() {
    return {c("sp_id", "sp_id", 0),
            c("sp_spbh", "[]商品编号", 90),
            c("sp_spqm", "[]商品全名", 160),
            c("ck_ckqm", "[]仓库"),
            c("ph", "[]批号"),
            c("outdate", "[]生产日期"),
            c("yxqdate", "[]有效期至")};
}

}  // namespace

QList<QueryColumn> reportColumns(const QString& queryType, const QList<QueryColumn>& subject);

QList<QueryColumn> reportColumns(const QString& queryType, const QList<QueryColumn>& subject) {
    const auto is = [&](std::initializer_list<const char*> types) {
        for (const char* t : types) {
            if (queryType == QLatin1String(t))
                return true;
        }
        return false;
    };
    // The owner's reports: the boss report's totals, the business figures per period.
    if (is({"LBBBTJ"}))
        return {c("id", "id", 0), c("fullname", "[]项目", 160), c("total", "[%M%]内容", 120)};
    if (is({"JYZKRB", "JYZKYB", "JYZKNB"})) {
        return {c("date", is({"JYZKRB"})   ? "[]日期"
                          : is({"JYZKYB"}) ? "[]月份"
                                           : "[]年份"),
                c("jhTotal", "[%SUM%M%]进货金额", 100),
                c("jhthTotal", "[%SUM%M%]进货退货金额", 100),
                c("xsTotal", "[%SUM%M%]销售金额", 100),
                c("xsthTotal", "[%SUM%M%]销售退货金额", 100),
                c("xssr", "[%SUM%M%]销售收入", 100),
                c("xscb", "[%SUM%M%Cost%]销售成本", 100),
                c("ml", "[%SUM%M%Cost%]销售毛利", 100),
                c("skTotal", "[%SUM%M%]收款金额", 100),
                c("fkTotal", "[%SUM%M%]付款金额", 100),
                c("srTotal", "[%SUM%M%]收入", 100),
                c("zcTotal", "[%SUM%M%]支出", 100),
                c("lr", "[%SUM%M%Cost%]净利润", 100)};
    }
    // Consignment: what the partners hold, at their prices and at cost; its changes; the
    // settlements.
    if (is({"WTKCCX", "STKCCX", "WTKHCX", "STGYSCX", "WTKHSPCX", "STGYSSPCX"})) {
        return subject + Columns{c("Qty", "[%SUM%Q%]数量"),
                                 c("price", "[%P%]单价"),
                                 c("total", "[%SUM%M%]金额", 100),
                                 c("costprice", "[%P%Cost%]成本单价"),
                                 c("costtotal", "[%SUM%M%Cost%]成本金额", 100)};
    }
    if (is({"WTKHSPMX", "WTFHKCMX", "WTCXMXZB", "WTSPMX", "STSHCKMXZB", "STGYSSPMX"})) {
        return lineHead(false) + Columns{c("price", "[%P%]单价"),
                                         c("Qty", "[%SUM%Q%]变动数量"),
                                         c("total", "[%SUM%M%]变动金额", 100),
                                         c("costtotal", "[%SUM%M%Cost%]变动成本", 100),
                                         c("jcQty", "[%Q%]结存数量"),
                                         c("jcTotal", "[%M%]结存金额", 100),
                                         c("jcCostTotal", "[%M%Cost%]结存成本", 100),
                                         c("comment", "[]摘要", 120)};
    }
    if (is({"WTJSCX", "STJSCX"})) {
        return subject + Columns{c("Qty", "[%SUM%Q%]结算数量"),
                                 c("price", "[%P%]结算均价"),
                                 c("total", "[%SUM%M%]结算金额", 100),
                                 c("Taxtotal", "[%SUM%M%]税额"),
                                 c("costtotal", "[%SUM%M%Cost%]成本金额", 100),
                                 c("ml", "[%SUM%M%Cost%]差额", 100)};
    }
    if (is({"JHMXZB", "XSMXZB", "JHHHMXZB", "XSHHMXZB", "SPCZDMXZB", "CBMXB"}))
        return lineHead(true) + lineAmounts() + Columns{c("comment", "[]摘要", 120)};
    if (is({"JHDDZXQK", "XSDDZXQK", "JHDDMXCX", "XSDDMXCX"})) {
        return lineHead(true) + lineAmounts() +
               Columns{c("zxQty", "[%SUM%Q%]执行数量"), c("wzxQty", "[%SUM%Q%]未执行数量"),
                       c("comment", "[]摘要", 120)};
    }
    if (is({"PSSPMXZB"})) {
        return Columns{c("id", "id", 0),           c("djType", "djType", 0),
                       c("djDate", "[]日期"),      c("djNo", "[]单据编号", 120),
                       c("djName", "[]单据类型"),  c("ck_ckqm", "[]配送仓库"),
                       c("sqck_ckqm", "[]申请仓库"), c("zy_zyqm", "[]经手人"),
                       c("sp_spbh", "[]商品编号", 90), c("sp_spqm", "[]商品全名", 160),
                       c("Qty", "[%SUM%Q%]配送数量"), c("price", "[%P%Cost%]成本单价"),
                       c("total", "[%SUM%M%Cost%]成本金额", 100),
                       c("ysQty", "[%SUM%Q%]验收数量"), c("wysQty", "[%SUM%Q%]未验收数量"),
                       c("comment", "[]摘要", 120)};
    }
    if (is({"PSSPTJ"})) {
        return subject + Columns{c("Qty", "[%SUM%Q%]配送数量"), c("price", "[%P%Cost%]成本均价"),
                                 c("total", "[%SUM%M%Cost%]成本金额", 100),
                                 c("ysQty", "[%SUM%Q%]验收数量"),
                                 c("wysQty", "[%SUM%Q%]未验收数量")};
    }
    if (is({"ZPHTMXCX"})) {
        return Columns{c("id", "id", 0),           c("djType", "djType", 0),
                       c("djDate", "[]日期"),      c("djNo", "[]单据编号", 120),
                       c("djName", "[]单据类型"),  c("dw_dwqm", "[]受赠单位", 120),
                       c("zy_zyqm", "[]经手人"),   c("sp_spbh", "[]商品编号", 90),
                       c("sp_spqm", "[]商品全名", 160), c("Qty", "[%SUM%Q%]赠送数量"),
                       c("price", "[%P%]单价"),    c("total", "[%SUM%M%]金额", 100),
                       c("comment", "[]摘要", 120)};
    }
    if (is({"ZPHTTJ"})) {
        return Columns{c("dw_id", "dw_id", 0),           c("dw_dwbh", "[]单位编号", 90),
                       c("dw_dwqm", "[]受赠单位", 160),  c("sp_id", "sp_id", 0),
                       c("sp_spbh", "[]商品编号", 90),   c("sp_spqm", "[]商品全名", 160),
                       c("billCount", "[%SUM%]合同数", 60), c("Qty", "[%SUM%Q%]赠送数量"),
                       c("price", "[%P%]均价"),          c("total", "[%SUM%M%]金额", 100)};
    }
    if (is({"XSYHMXZB"})) {
        return lineHead(true) + Columns{c("bm_bmqm", "[]部门"),
                                        c("Qty", "[%SUM%Q%]数量"),
                                        c("price", "[%P%]单价"),
                                        c("taxTotalSum", "[%SUM%M%]价税合计", 100),
                                        c("total", "[%SUM%M%]优惠金额", 100),
                                        c("comment", "[]摘要", 120)};
    }
    if (is({"XSYHTJ"})) {
        return subject + Columns{c("billCount", "[%SUM%]单据数", 60), c("Qty", "[%SUM%Q%]数量"),
                                 c("taxTotalSum", "[%SUM%M%]价税合计", 100),
                                 c("total", "[%SUM%M%]优惠金额", 100)};
    }
    if (is({"JHDDTJ", "XSDDTJ"})) {
        return subject + Columns{c("Qty", "[%SUM%Q%]订货数量"),
                                 c("price", "[%P%]均价"),
                                 c("discounttotal", "[%SUM%M%]订货金额", 100),
                                 c("Taxtotal", "[%SUM%M%]税额"),
                                 c("TaxPrice", "[%P%]含税单价"),
                                 c("taxTotalSum", "[%SUM%M%]价税合计", 100)};
    }
    if (is({"SPMX", "FDWKCSLMX", "KCMXZB", "CKLSZ", "CKMXB"}))
        return movement();
    if (is({"SPPCGZ", "QTCRKMXB"})) {
        Columns out = lineHead(false);
        if (is({"SPPCGZ"}))
            out << c("ph", "[]批号") << c("outdate", "[]生产日期") << c("yxqdate", "[]有效期至");
        return out +
               Columns{c("inQty", "[%SUM%Q%]入库数量"),       c("outQty", "[%SUM%Q%]出库数量"),
                       c("Qty", "[%SUM%Q%]变动数量"),         c("price", "[%P%Cost%]成本单价"),
                       c("total", "[%SUM%M%Cost%]金额", 100), c("comment", "[]摘要", 120)};
    }
    if (is({"KCPCLB"})) {
        return batch() + Columns{c("indate", "[]入库日期")} +
               atCost("[%SUM%Q%]数量", "[%SUM%M%Cost%]金额");
    }
    if (is({"SPBZQCX"})) {
        return batch().mid(0, 5) + atCost("[%SUM%Q%]数量", "[%SUM%M%Cost%]金额") +
               Columns{c("baozhiqi", "[]保质期(天)"), c("shengchanriqi", "[]生产日期"),
                       c("daoqiriqi", "[]到期日期"), c("syts", "[]剩余天数", 70)};
    }
    if (is({"SPJJBDB"})) {
        return {c("id", "id", 0),
                c("date", "[]日期"),
                c("code", "[]单据编号", 120),
                c("dw_dwqm", "[]单位全名", 120),
                c("sp_id", "sp_id", 0),
                c("sp_spbh", "[]商品编号", 90),
                c("sp_spqm", "[]商品全名", 160),
                c("qty", "[%SUM%Q%]数量"),
                c("price", "[%P%]进价"),
                c("lastPrice", "[%P%]上次进价"),
                c("bdje", "[%P%]波动金额")};
    }
    if (is({"SPJHMXHZB", "SPXSMXHZB"})) {
        return {c("sp_id", "sp_id", 0),          c("sp_spbh", "[]商品编号", 90),
                c("sp_spqm", "[]商品全名", 160), c("dw_id", "dw_id", 0),
                c("dw_dwbh", "[]单位编号", 90),  c("dw_dwqm", "[]单位全名", 160),
                c("Qty", "[%SUM%Q%]数量"),       c("discounttotal", "[%SUM%M%]金额", 100),
                c("Taxtotal", "[%SUM%M%]税额"),  c("taxTotalSum", "[%SUM%M%]价税合计", 100)};
    }
    if (is({"XNKCCX"})) {
        return subject + Columns{c("Qty", "[%SUM%Q%]库存数量"),
                                 c("jhddQty", "[%SUM%Q%]进货订单数量", 100),
                                 c("xsddQty", "[%SUM%Q%]销售订单数量", 100),
                                 c("xnQty", "[%SUM%Q%]虚拟库存数量", 100)};
    }
    if (is({"QNJXCBDB"})) {
        return subject +
               Columns{
                   c("qcQty", "[%SUM%Q%]期初数量"), c("qcTotal", "[%SUM%M%Cost%]期初金额", 100),
                   c("rkQty", "[%SUM%Q%]入库数量"), c("rkTotal", "[%SUM%M%Cost%]入库金额", 100),
                   c("ckQty", "[%SUM%Q%]出库数量"), c("ckTotal", "[%SUM%M%Cost%]出库金额", 100),
                   c("jcQty", "[%SUM%Q%]期末数量"), c("jcTotal", "[%SUM%M%Cost%]期末金额", 100)};
    }
    if (is({"QTCRKCYB", "CKZMCYB"})) {
        return subject +
               Columns{c("rkQty", "[%SUM%Q%]入库数量"), c("rkTotal", "[%SUM%M%Cost%]入库金额", 100),
                       c("ckQty", "[%SUM%Q%]出库数量"), c("ckTotal", "[%SUM%M%Cost%]出库金额", 100),
                       c("Qty", "[%SUM%Q%]差异数量"),   c("total", "[%SUM%M%Cost%]差异金额", 100)};
    }
    if (is({"CKKCYEB", "KCZKFB", "CKFBB"}))
        return subject + atCost("[%SUM%Q%]库存数量", "[%SUM%M%Cost%]库存金额");
    if (is({"XSHHDTJ", "JHHHDTJ"}))
        return subject + inAndOut(false);
    if (is({"SPCZDTJ"}))
        return subject + inAndOut(true);
    if (is({"BSDTJ", "BYDTJ", "QTRKDTJ", "QTCKDTJ", "TJDBDTJ", "BJDBDTJ", "CBTJDTJ", "JJDTJ",
            "JJHCDTJ", "JZJHDTJ", "JCDTJ", "JCHHDTJ", "JZXSDTJ"}))
        return subject + stockBillAmounts();
    if (is({"JJSPCX", "JCSPCX"})) {
        return subject + Columns{c("Qty", "[%SUM%Q%]数量"), c("price", "[%P%]单价"),
                                 c("total", "[%SUM%M%]金额", 100),
                                 c("costtotal", "[%SUM%M%Cost%]成本金额", 100)};
    }
    if (is({"SPJJMX", "SPJCMX"})) {
        return subject + Columns{c("costtotal", "[%SUM%M%Cost%]成本金额", 100),
                                 c("jcQty", "[%Q%]结存数量"), c("jcTotal", "[%M%]结存金额", 100)};
    }
    if (is({"SPXSDBFX", "KHXSDBFX"})) {
        return subject + Columns{c("Qty", "[%SUM%Q%]本期数量"),
                                 c("discounttotal", "[%SUM%M%]本期金额", 100),
                                 c("Qty2", "[%SUM%Q%]对比期数量", 90),
                                 c("discounttotal2", "[%SUM%M%]对比期金额", 100),
                                 c("cyQty", "[%SUM%Q%]数量差异"),
                                 c("cyTotal", "[%SUM%M%]金额差异", 100)};
    }
    return {};
}

}  // namespace dyt
