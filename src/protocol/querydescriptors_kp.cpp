// The columns of the invoicing windows: the invoices, their lines against the bills and goods
// lines they invoice, and the invoiced and not yet invoiced amounts of the purchase and sales
// bills and of their goods lines.
#include "protocol/querydescriptors.h"

namespace dyt {
namespace {

QueryColumn c(const char* field, const char* caption, int width = 80) {
    return {QString::fromUtf8(field), QString::fromUtf8(caption), width};
}

QList<QueryColumn> billHead(const char* dateCaption, const char* codeCaption,
                            const char* kindCaption) {
    return {c("id", "id", 0),
            c("djType", "djType", 0),
            c("djDate", dateCaption, 80),
            c("djNo", codeCaption, 120),
            c("djName", kindCaption, 100),
            c("dw_dwbh", "[]单位编号", 80),
            c("dw_dwqm", "[]往来单位", 160)};
}

QList<QueryColumn> goods() {
    return {c("sp_spbh", "[]商品编号", 90), c("sp_spqm", "[]商品全名", 160),
            c("sp_gg", "[]规格", 70)};
}

}  // namespace

QList<QueryColumn> invoiceColumns(const QString& queryType) {
    const QString t = queryType.toUpper();
    if (t == QLatin1String("KPCX")) {
        return billHead("[]开票日期", "[]单据编号", "[]单据类型") +
               QList<QueryColumn>{c("zy_zyqm", "[]经手人"),
                                  c("total", "[%SUM%M%]开票金额", 100),
                                  c("summery", "[]摘要", 120),
                                  c("comment", "[]附加说明", 120),
                                  c("rec_Name", "[]制单人", 70),
                                  c("isred", "isred", 0),
                                  c("isredword", "isredword", 0)};
    }
    if (t == QLatin1String("DJKPMXCX") || t == QLatin1String("SPKPMXCX")) {
        QList<QueryColumn> out = billHead("[]开票日期", "[]开票单号", "[]开票类型");
        out << c("s_id", "s_id", 0) << c("s_djNo", "[]单据编号", 120)
            << c("s_djDate", "[]单据日期") << c("s_djName", "[]单据类型", 100);
        if (t == QLatin1String("SPKPMXCX"))
            out << goods() << c("Qty", "[%Q%]数量") << c("djTotal", "[%M%]商品金额", 100);
        else
            out << c("djTotal", "[%M%]单据金额", 100);
        out << c("total", "[%SUM%M%]开票金额", 100) << c("comment", "[]行摘要", 120);
        return out;
    }
    if (t == QLatin1String("DJKPQKCX") || t == QLatin1String("JHKPCX") ||
        t == QLatin1String("XSKPCX")) {
        return billHead("[]日期", "[]单据编号", "[]单据类型") +
               QList<QueryColumn>{c("zy_zyqm", "[]经手人"),
                                  c("total", "[%SUM%M%]单据金额", 100),
                                  c("kpTotal", "[%SUM%M%]已开票金额", 100),
                                  c("wkpTotal", "[%SUM%M%]未开票金额", 100),
                                  c("summery", "[]摘要", 120)};
    }
    if (t == QLatin1String("SPKPQKCX")) {
        return billHead("[]日期", "[]单据编号", "[]单据类型") +
               QList<QueryColumn>{c("zy_zyqm", "[]经手人"), c("orderid", "orderid", 0)} + goods() +
               QList<QueryColumn>{c("Qty", "[%SUM%Q%]数量"),
                                  c("total", "[%SUM%M%]金额", 100),
                                  c("kpTotal", "[%SUM%M%]已开票金额", 100),
                                  c("wkpTotal", "[%SUM%M%]未开票金额", 100)};
    }
    return {};
}

}  // namespace dyt
