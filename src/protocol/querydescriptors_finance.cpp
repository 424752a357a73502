// The grid columns of the finance windows: the profit statement, the expense reports and the
// balance sheet.
#include "protocol/querydescriptors.h"

namespace dyt {

namespace {

QueryColumn c(const char* field, const char* caption, int width = 100) {
    return {QString::fromUtf8(field), QString::fromUtf8(caption), width};
}

}  // namespace

QList<QueryColumn> financeColumns(const QString& queryType);

// The columns of a finance window by its QueryType; empty for the other windows. The profit
// statement and the balance sheet carry their totals in rows of their own, so their amounts are
// not summed again.
QList<QueryColumn> financeColumns(const QString& queryType) {
    if (queryType == QLatin1String("LRB")) {
        return {c("id", "id", 0),         c("km_id", "km_id", 0),
                c("code", "[]科目编号", 80), c("fullname", "[]项目", 180),
                c("total", "[%M%]本期金额"), c("yearTotal", "[%M%]本年累计")};
    }
    if (queryType == QLatin1String("ZCFZB")) {
        return {c("id", "id", 0),
                c("leveal", "leveal", 0),
                c("sonnum", "sonnum", 0),
                c("code", "[]科目编号", 80),
                c("fullname", "[]科目名称", 180),
                c("qcTotal", "[%M%]期初余额"),
                c("qmTotal", "[%M%]期末余额")};
    }
    if (queryType == QLatin1String("NDFYBB")) {
        QList<QueryColumn> out = {c("id", "id", 0), c("code", "[]科目编号", 80),
                                  c("fullname", "[]费用科目", 140)};
        for (int m = 1; m <= 12; ++m) {
            out << QueryColumn{QStringLiteral("m%1").arg(m),
                               QStringLiteral("[%SUM%M%]%1月").arg(m), 80};
        }
        return out << c("total", "[%SUM%M%]全年合计");
    }
    if (queryType == QLatin1String("FYFBB")) {
        return {c("id", "id", 0),          c("code", "[]编号", 80),
                c("fullname", "[]名称", 140), c("km_id", "km_id", 0),
                c("km_code", "[]科目编号", 80), c("km_name", "[]费用科目", 120),
                c("total", "[%SUM%M%]费用金额")};
    }
    return {};
}

}  // namespace dyt
