// The grid columns of the sales commission windows.
#include "protocol/querydescriptors.h"

namespace dyt {

namespace {

QueryColumn c(const char* field, const char* caption, int width = 80) {
    return {QString::fromUtf8(field), QString::fromUtf8(caption), width};
}

using Columns = QList<QueryColumn>;

Columns sums() {
    return {c("Qty", "[%SUM%Q%]销售数量"), c("total", "[%SUM%M%]销售金额", 100),
            c("costtotal", "[%SUM%M%Cost%]成本金额", 100), c("ml", "[%SUM%M%Cost%]毛利", 100),
            c("tcTotal", "[%SUM%M%]提成金额", 100)};
}

}  // namespace

QList<QueryColumn> commissionColumns(const QString& queryType);

// The statistics list goods (400702) or employees (400703) in the same code and name columns.
QList<QueryColumn> commissionColumns(const QString& queryType) {
    if (queryType == QLatin1String("SPXSTCMX")) {
        return Columns{c("id", "id", 0),          c("djType", "djType", 0),
                       c("djDate", "[]日期"),     c("djNo", "[]单据编号", 120),
                       c("djName", "[]单据类型"), c("dw_dwqm", "[]往来单位", 120),
                       c("ck_ckqm", "[]仓库"),    c("zy_zyqm", "[]经手人"),
                       c("sp_spbh", "[]商品编号", 90), c("sp_spqm", "[]商品全名", 160),
                       c("Qty", "[%SUM%Q%]数量"), c("price", "[%P%]单价"),
                       c("total", "[%SUM%M%]金额", 100), c("costtotal", "[%SUM%M%Cost%]成本金额", 100),
                       c("ml", "[%SUM%M%Cost%]毛利", 100), c("tcfa", "[]提成方案", 100),
                       c("tcfs", "[]提成方式", 100),   c("tcl", "[%P%]提成值"),
                       c("tcTotal", "[%SUM%M%]提成金额", 100)};
    }
    if (queryType == QLatin1String("SPXSTCCX")) {
        return Columns{c("sp_id", "sp_id", 0),          c("sp_spbh", "[]商品编号", 90),
                       c("sp_spqm", "[]商品全名", 160), c("sp_gg", "[]规格", 70),
                       c("sp_jbdw", "[]单位", 50)} +
               sums();
    }
    if (queryType == QLatin1String("TCTJ")) {
        return Columns{c("sonnum", "sonnum", 0), c("id", "id", 0),
                       c("par_id", "par_id", 0), c("par_jl", "par_jl", 0),
                       c("code", "[]编号", 90),  c("fullname", "[]名称", 160)} +
               sums();
    }
    return {};
}

}  // namespace dyt
