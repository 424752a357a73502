// The grid columns of the account ledger and of the price windows.
#include "protocol/querydescriptors.h"

namespace dyt {

namespace {

QueryColumn c(const char* field, const char* caption, int width = 80) {
    return {QString::fromUtf8(field), QString::fromUtf8(caption), width};
}

using Columns = QList<QueryColumn>;

Columns goods() {
    return {c("sp_id", "sp_id", 0), c("sp_spbh", "[]商品编号", 90), c("sp_spqm", "[]商品全名", 160),
            c("sp_gg", "[]规格", 70)};
}

Columns billHead() {
    return {c("id", "id", 0), c("djType", "djType", 0), c("djDate", "[]日期"),
            c("djNo", "[]单据编号", 120), c("djName", "[]单据类型", 90)};
}

}  // namespace

QList<QueryColumn> accountAndPriceColumns(const QString& className);

// The columns of the account ledger, the price list and the price tracking; empty for the
// other windows.
QList<QueryColumn> accountAndPriceColumns(const QString& className) {
    if (className == QLatin1String("TfrmQKMMX")) {
        // The account of each line (a category carries the lines of its accounts), the debit and
        // credit, and the balance in the account's own direction with the side it stands on.
        return billHead() + Columns{c("km_id", "km_id", 0),
                                    c("km_kmbh", "[]科目编号"),
                                    c("km_kmqm", "[]科目全名", 120),
                                    c("dw_id", "dw_id", 0),
                                    c("dw_dwqm", "[]往来单位", 150),
                                    c("zy_zyqm", "[]经手人"),
                                    c("summery", "[]摘要", 120),
                                    c("dbTotal", "[%SUM%M%]借方金额", 100),
                                    c("LendTotal", "[%SUM%M%]贷方金额", 100),
                                    c("fx", "[]方向", 40),
                                    c("yeTotal", "[%M%]余额", 100)};
    }
    if (className == QLatin1String("TfrmQWJGL")) {
        return goods() + Columns{c("sp_xh", "[]型号", 70),
                                 c("sp_cd", "[]产地", 70),
                                 c("unit", "[]单位", 50),
                                 c("rate", "[%Q%]换算率", 60),
                                 c("lsPrice", "[%P%]零售价"),
                                 c("price1", "[%P%]预设售价1"),
                                 c("price2", "[%P%]预设售价2"),
                                 c("price3", "[%P%]预设售价3"),
                                 c("latestSalePrice", "[%P%]最近售价"),
                                 c("lowestSalePrice", "[%P%]最低售价"),
                                 c("latestBuyPrice", "[%P%Cost%]最近进价"),
                                 c("costPrice", "[%P%Cost%]成本单价")};
    }
    if (className == QLatin1String("TfrmQJGZKGZ")) {
        return billHead() + Columns{c("dw_dwqm", "[]往来单位", 120), c("zy_zyqm", "[]经手人")} +
               goods() +
               Columns{c("unit", "[]单位", 50),
                       c("Qty", "[%SUM%Q%]数量"),
                       c("presetPrice", "[%P%]预设售价"),
                       c("price", "[%P%]单价"),
                       c("discount", "[%D%]折扣", 60),
                       c("discountprice", "[%P%]折后单价"),
                       c("discounttotal", "[%SUM%M%]折后金额", 100),
                       c("sjzk", "[%D%]实际折扣", 70),
                       c("cjPrice", "[%P%]单价差额"),
                       c("cjTotal", "[%SUM%M%]金额差额", 100)};
    }
    return {};
}

}  // namespace dyt
