// The report procedures: each reads its parameter lines, finds the report of its QueryType and
// returns its rows. Reports with real figures are the sales, purchase, stock, receivables and
// payables reports, the boss report, the business status reports and the finance reports; the
// other query types of the query windows answer their columns without rows for now.
#include <optional>

#include "common/error.h"
#include "server/db/database.h"
#include "server/procs/registry.h"
#include "server/reports/reports.h"
#include "server/reports/reports_business.h"
#include "server/reports/reports_commission.h"
#include "server/reports/reports_cw.h"
#include "server/reports/reports_dx.h"
#include "server/reports/reports_distribution.h"
#include "server/reports/reports_finance.h"
#include "server/reports/reports_giftcontract.h"
#include "server/reports/reports_internal.h"
#include "server/reports/reports_processing.h"
#include "server/reports/reports_loans.h"
#include "server/reports/reports_kp.h"
#include "server/reports/reports_stock.h"
#include "server/reports/reports_trade.h"
#include "server/reports/reports_voucher.h"
#include "server/reports/reports_wl.h"

namespace dyt::server {

namespace {

const QStringList& reportProcedures() {
    static const QStringList names = {
        QStringLiteral("P_JXC_Get_XS"),    QStringLiteral("P_JXC_Get_JH"),
        QStringLiteral("P_JXC_Get_KC"),    QStringLiteral("P_JXC_Get_WL"),
        QStringLiteral("P_JXC_Get_CW"),    QStringLiteral("P_JXC_Get_DX"),
        QStringLiteral("P_JXC_Get_JQ"),    QStringLiteral("P_JXC_Get_WWJG"),
        QStringLiteral("P_JXC_Get_Other"), QStringLiteral("P_JXC_Get_KP"),
        QStringLiteral("P_JXC_Get_LBBB"),
    };
    return names;
}

int runReport(CallContext& c, const QString& procedure) {
    const reports::ReportParams p = reports::ReportParams::parse(c.db, c.params, c.userId);
    if (p.queryType.isEmpty())
        throw DytError(QStringLiteral("%1缺少查询类型[QueryType]").arg(procedure));
    // The families with figures, each by its own table.
    const auto figures = [&]() -> std::optional<RecordSet> {
        if (const reports::TradeReport* r = reports::findTradeReport(procedure, p.queryType))
            return reports::runTradeReport(c.db, p, *r);
        if (const reports::StockReport* r = reports::findStockReport(procedure, p.queryType))
            return reports::runStockReport(c.db, p, *r);
        if (const reports::PartnerReport* r = reports::findPartnerReport(procedure, p.queryType))
            return reports::runPartnerReport(c.db, p, *r);
        if (const reports::BusinessReport* r =
                reports::findBusinessReport(procedure, p.queryType))
            return reports::runBusinessReport(c.db, p, *r);
        if (const reports::DirectReport* r =
                reports::findAccountOrPriceReport(procedure, p.queryType))
            return r->run(c.db, p);
        if (const reports::DirectReport* r = reports::findConsignReport(procedure, p.queryType))
            return r->run(c.db, p);
        if (const reports::DirectReport* r =
                reports::findDistributionReport(procedure, p.queryType))
            return r->run(c.db, p);
        if (const reports::DirectReport* r = reports::findInvoiceReport(procedure, p.queryType))
            return r->run(c.db, p);
        if (const reports::DirectReport* r =
                reports::findGiftContractReport(procedure, p.queryType))
            return r->run(c.db, p);
        if (const reports::DirectReport* r = reports::findCommissionReport(procedure, p.queryType))
            return r->run(c.db, p);
        if (const reports::FinanceReport* r = reports::findFinanceReport(procedure, p.queryType))
            return reports::runFinanceReport(c.db, p, *r);
        if (const reports::DirectReport* r =
                reports::findProcessingReport(procedure, p.queryType))
            return r->run(c.db, p);
        if (const reports::DirectReport* r = reports::findLoanReport(procedure, p.queryType))
            return r->run(c.db, p);
        // The voucher lines are the voucher export's, no query window's report.
        if (const reports::DirectReport* r = reports::findVoucherReport(procedure, p.queryType))
            return r->run(c.db, p);
        return std::nullopt;
    }();
    if (figures) {
        c.data = *figures;
        reports::completeColumns(c.data, procedure, p.queryType);
        return 0;
    }
    if (findReport(procedure, p.queryType)) {
        c.data = reports::documentedColumns(procedure, p.queryType);
        return 0;
    }
    throw DytError(QStringLiteral("%1不支持查询类型[%2]").arg(procedure, p.queryType));
}

}  // namespace

const QList<ReportInfo>& reportCatalogue() {
    static const QList<ReportInfo> list = [] {
        QList<ReportInfo> out;
        for (const reports::TradeReport& r : reports::tradeReports())
            out << ReportInfo{r.procedure, r.queryType, true};
        for (const reports::StockReport& r : reports::stockReports())
            out << ReportInfo{r.procedure, r.queryType, true};
        for (const reports::PartnerReport& r : reports::partnerReports())
            out << ReportInfo{r.procedure, r.queryType, true};
        for (const reports::BusinessReport& r : reports::businessReports())
            out << ReportInfo{r.procedure, r.queryType, true};
        for (const reports::DirectReport& r : reports::accountAndPriceReports())
            out << ReportInfo{r.procedure, r.queryType, true};
        for (const reports::DirectReport& r : reports::consignReports())
            out << ReportInfo{r.procedure, r.queryType, true};
        for (const reports::FinanceReport& r : reports::financeReports())
            out << ReportInfo{r.procedure, r.queryType, true};
        for (const reports::DirectReport& r : reports::processingReports())
            out << ReportInfo{r.procedure, r.queryType, true};
        for (const reports::DirectReport& r : reports::loanReports())
            out << ReportInfo{r.procedure, r.queryType, true};
        for (const reports::DirectReport& r : reports::distributionReports())
            out << ReportInfo{r.procedure, r.queryType, true};
        for (const reports::DirectReport& r : reports::invoiceReports())
            out << ReportInfo{r.procedure, r.queryType, true};
        for (const reports::DirectReport& r : reports::giftContractReports())
            out << ReportInfo{r.procedure, r.queryType, true};
        for (const reports::DirectReport& r : reports::commissionReports())
            out << ReportInfo{r.procedure, r.queryType, true};
        for (const ReportInfo& r : reports::documentedReports()) {
            bool known = false;
            for (const ReportInfo& o : out) {
                known = known || (o.procedure.compare(r.procedure, Qt::CaseInsensitive) == 0 &&
                                  o.queryType.compare(r.queryType, Qt::CaseInsensitive) == 0);
            }
            if (!known && reportProcedures().contains(r.procedure, Qt::CaseInsensitive))
                out << ReportInfo{r.procedure, r.queryType, false};
        }
        return out;
    }();
    return list;
}

const ReportInfo* findReport(const QString& procedure, const QString& queryType) {
    for (const ReportInfo& r : reportCatalogue()) {
        if (r.procedure.compare(procedure, Qt::CaseInsensitive) == 0 &&
            r.queryType.compare(queryType, Qt::CaseInsensitive) == 0)
            return &r;
    }
    return nullptr;
}

void registerReportProcedures(Registry& procedures) {
    for (const QString& name : reportProcedures()) {
        // Only the reports with figures count as answered; the others give their columns only.
        QStringList types;
        for (const ReportInfo& r : reportCatalogue()) {
            if (r.realFigures && r.procedure.compare(name, Qt::CaseInsensitive) == 0)
                types << r.queryType;
        }
        procedures.add(
            name, [name](CallContext& c) { return runReport(c, name); }, false, types);
    }
    reports::registerStockFollowUps(procedures);
    reports::registerBalanceSheet(procedures);
}

}  // namespace dyt::server
