// The report catalogue against the query-window table.
#include <QSet>

#include <cstdio>

#include "protocol/querydescriptors.h"
#include "reports_fixture.h"
#include "window_columns.h"
#include "server/procs/callrights.h"
#include "server/reports/reports.h"

using namespace Qt::StringLiterals;

namespace dyt::server::test {
namespace {

// The report procedures the server answers itself; the others of the table (bill lists, the
// goods procedure, base accounts, stocktake) belong to other modules.
const QStringList kReportProcedures = {
    u"P_JXC_Get_XS"_s,    u"P_JXC_Get_JH"_s, u"P_JXC_Get_KC"_s,   u"P_JXC_Get_WL"_s,
    u"P_JXC_Get_CW"_s,    u"P_JXC_Get_DX"_s, u"P_JXC_Get_JQ"_s,   u"P_JXC_Get_WWJG"_s,
    u"P_JXC_Get_Other"_s, u"P_JXC_Get_KP"_s, u"P_JXC_Get_LBBB"_s,
};

// The families that must have real figures: sales and purchase statistics, ledgers, returns,
// exchanges, distributions, rankings, monthly analysis, the cost table; the stock ledgers, stock
// bills' statistics, warehouse ledgers and balances, batches, virtual stock, limit alerts, the
// stock per warehouse, the in/out differences, batch tracking and shelf life; the partner ledger,
// the partner balances and the overdue lists; the account ledger and the price reports.
const QStringList kMustBeReal = {
    u"P_JXC_Get_XS/SPXSTJ"_s,    u"P_JXC_Get_XS/DWXSTJ"_s,   u"P_JXC_Get_XS/XSMXZB"_s,
    u"P_JXC_Get_XS/SPXSTHTJ"_s,  u"P_JXC_Get_XS/DWXSTHTJ"_s, u"P_JXC_Get_XS/XSTHDTJ"_s,
    u"P_JXC_Get_XS/XSHHDTJ"_s,   u"P_JXC_Get_XS/XSHHMXZB"_s, u"P_JXC_Get_XS/DWXSFB"_s,
    u"P_JXC_Get_XS/CKXSFB"_s,    u"P_JXC_Get_XS/XSPHB"_s,    u"P_JXC_Get_XS/SPXSYFX"_s,
    u"P_JXC_Get_XS/SPXSCBB"_s,   u"P_JXC_Get_JH/SPJHTJ"_s,   u"P_JXC_Get_JH/DWJHTJ"_s,
    u"P_JXC_Get_JH/JHMXZB"_s,    u"P_JXC_Get_JH/SPJHTHTJ"_s, u"P_JXC_Get_JH/DWJHTHTJ"_s,
    u"P_JXC_Get_JH/JHTHDTJ"_s,   u"P_JXC_Get_JH/JHHHDTJ"_s,  u"P_JXC_Get_JH/DWJHFB"_s,
    u"P_JXC_Get_JH/CKJHFB"_s,    u"P_JXC_Get_JH/SPJHYFX"_s,  u"P_JXC_Get_KC/SPMX"_s,
    u"P_JXC_Get_KC/KCMXZB"_s,    u"P_JXC_Get_KC/BSDTJ"_s,    u"P_JXC_Get_KC/BYDTJ"_s,
    u"P_JXC_Get_KC/QTRKDTJ"_s,   u"P_JXC_Get_KC/QTCKDTJ"_s,  u"P_JXC_Get_KC/TJDBDTJ"_s,
    u"P_JXC_Get_KC/BJDBDTJ"_s,   u"P_JXC_Get_KC/CKLSZ"_s,    u"P_JXC_Get_KC/CKMXB"_s,
    u"P_JXC_Get_KC/CKKCYEB"_s,   u"P_JXC_Get_KC/KCPCLB"_s,   u"P_JXC_Get_KC/XNKCCX"_s,
    u"P_JXC_Get_KC/KCSXBJ"_s,    u"P_JXC_Get_KC/KCXXBJ"_s,   u"P_JXC_Get_KC/KCZKFB"_s,
    u"P_JXC_Get_KC/CKFBB"_s,     u"P_JXC_Get_KC/CKZMCYB"_s,  u"P_JXC_Get_KC/QTCRKMXB"_s,
    u"P_JXC_Get_KC/QTCRKCYB"_s,  u"P_JXC_Get_KC/SPBZQCX"_s,  u"P_JXC_Get_KC/SPPCGZ"_s,
    u"P_JXC_Get_WL/DWYFMX"_s,    u"P_JXC_Get_WL/DWYSYF"_s,   u"P_JXC_Get_WL/CQYSK"_s,
    u"P_JXC_Get_WL/CQYFK"_s,     u"P_JXC_Get_CW/KMMXZ"_s,    u"P_JXC_Get_Other/WJGL"_s,
    u"P_JXC_Get_Other/JGZKGZ"_s,
};
// The owner's reports: the boss report and the business status reports.
const QStringList kOwnersReports = {u"P_JXC_Get_LBBB/LBBBTJ"_s, u"P_JXC_Get_LBBB/LBBBFX"_s,
                                    u"P_JXC_Get_Other/JYZKRB"_s, u"P_JXC_Get_Other/JYZKYB"_s,
                                    u"P_JXC_Get_Other/JYZKNB"_s};

// The finance reports: the profit statement, the expense reports and the balance sheet.
const QStringList kFinanceReports = {u"P_JXC_Get_CW/LRB"_s, u"P_JXC_Get_CW/NDFYBB"_s,
                                     u"P_JXC_Get_CW/FYFBB"_s, u"P_Base_Get_KM/ZCFZB"_s};

QString key(const QString& procedure, const QString& type) {
    return procedure + u'/' + type;
}

// Follow-up procedures that windows name and the server does not have yet. A procedure that gets
// built must leave this list (the test fails until it does).
const QString kFollowUpsToBuild = u""_s;

class ReportColumns : public ReportFixture {
protected:
    // What the server says it answers with rows, read as the client's function list reads it
    // before any login: procedure in lower case -> the QueryTypes answered with figures in upper
    // case ("" for a procedure that takes none); a procedure without any has an empty set.
    QHash<QString, QSet<QString>> served() {
        ParamList lines;
        lines.setValue(u"Method"_s, u"ServedQueries"_s);
        Session anyone;
        anyone.spid = backend_->nextSpid();
        const proto::Response r = call(anyone, "GetProfileUserInfo", {lines.text()});
        EXPECT_EQ(0, r.code());
        const RecordSet rs = proto::recordSetFromCbor(r.out(0));
        QHash<QString, QSet<QString>> out;
        for (int i = 0; i < rs.rowCount(); ++i) {
            QSet<QString>& types = out[rs.at(i, 0).toString().toLower()];
            if (rs.at(i, 2).toInt() == 1)
                types.insert(rs.at(i, 1).toString().toUpper());
        }
        return out;
    }
};

// Each query type, with or without figures, answers every column its windows document (that
// every query type a window sends is known, and the gap printed: the test below).
TEST_F(ReportColumns,
       EveryReportAnswersItsColumnsTheRequiredFamiliesHaveFiguresAndUnknownTypesAreRefused) {
    postScenario();
    for (const ReportInfo& r : reportCatalogue()) {
        SCOPED_TRACE(qPrintable(key(r.procedure, r.queryType)));
        const RecordSet rs = report(r.procedure, r.queryType);
        QStringList absent;
        for (const QueryDescriptor* d : findQueryDescriptors(r.procedure, r.queryType)) {
            for (const QueryColumn& c : d->columns) {
                if (!rs.hasField(c.field))
                    absent << c.field;
            }
        }
        EXPECT_EQ(QStringList(), absent);
    }
    for (const QString& procedure : kReportProcedures) {
        SCOPED_TRACE(qPrintable(procedure));
        EXPECT_EQ(u"%1不支持查询类型[XYZ]"_s.arg(procedure), reportError(procedure, u"XYZ"_s, {}));
        EXPECT_EQ(u"%1缺少查询类型[QueryType]"_s.arg(procedure),
                  reportError(procedure, QString(), {}));
    }
    // The families that must have figures have them, and each is one a window sends.
    QSet<QString> real;
    for (const ReportInfo& r : reportCatalogue()) {
        if (r.realFigures)
            real.insert(key(r.procedure, r.queryType));
    }
    QStringList missing;
    for (const QString& k : kMustBeReal + kOwnersReports + kFinanceReports) {
        if (!real.contains(k))
            missing << k;
    }
    EXPECT_EQ(QStringList(), missing);
    // Every report with real figures is one a window sends.
    QStringList unused;
    for (const QString& k : real) {
        const QString procedure = k.section(u'/', 0, 0);
        const QString type = k.section(u'/', 1);
        if (findQueryDescriptors(procedure, type).isEmpty())
            unused << k;
    }
    EXPECT_EQ(QStringList(), unused);
}

// Every procedure and QueryType a window names is served; the reports still without figures are
// exactly those the report catalogue lists.
TEST_F(ReportColumns, EveryProcedureAndQueryTypeOfTheWindowsIsServed) {
    const auto served = this->served();
    const auto serves = [&](const QString& procedure, const QString& type) {
        const auto it = served.constFind(procedure.toLower());
        return it != served.constEnd() && (it->contains(QString()) || it->contains(type.toUpper()));
    };
    QStringList unknown, withoutFigures, followUps;
    for (const QueryDescriptor& d : queryDescriptors()) {
        if (d.procedure.isEmpty())
            continue;
        if (!served.contains(d.procedure.toLower()))
            unknown << d.className + u' ' + d.procedure;
        for (const QString& type : d.queryTypes) {
            if (serves(d.procedure, type))
                continue;
            // Answered with its columns only: a report of the catalogue without figures.
            const ReportInfo* r = findReport(d.procedure, type);
            if (r && !r->realFigures)
                withoutFigures << d.procedure + u'/' + type;
            else
                unknown << d.className + u' ' + d.procedure + u'/' + type;
        }
        for (const QString& other : d.otherProcedures) {
            if (!serves(other, QString()) && !followUps.contains(other))
                followUps << other;
        }
    }
    EXPECT_EQ(QString(), unknown.join(u", "_s));
    followUps.sort();
    EXPECT_EQ(kFollowUpsToBuild, followUps.join(u' '));
    withoutFigures.removeDuplicates();
    std::printf("Query types without figures yet (%lld)\n",
                static_cast<long long>(withoutFigures.size()));
    // Every report with figures is served as such.
    for (const ReportInfo& r : reportCatalogue())
        EXPECT_EQ(r.realFigures, serves(r.procedure, r.queryType)) << qPrintable(r.queryType);
}

// Columns a window keeps that no row of the fixture fills: its goods have no auxiliary unit
// ("fzqty", "fdwqty"), specification, model or origin ("sp_gg", "sp_xh", "sp_cd"), the flat
// lists no category path ("par_jl"), its bills no summary ("summery") and its lines no remark
// ("comment"), none is reconciled ("DuiZhang"), its batches have no expiry date ("yxqdate") and
// its other receipts and issues name no partner.
const QSet<QString> kEmptyInFixture = {
    u"fzqty"_s,   u"fdwqty"_s,  u"sp_gg"_s,    u"sp_xh"_s,   u"sp_cd"_s,           u"par_jl"_s,
    u"summery"_s, u"comment"_s, u"duizhang"_s, u"yxqdate"_s, u"QTCRKMXB/dw_dwqm"_s};

// A window of a report with figures shows what the report answers, queried as the window queries
// its top level.
TEST_F(ReportColumns, EveryWindowShowsTheNamesAndFiguresOfItsReport) {
    postScenario();
    postMoreKinds();
    postDealings();
    postLoans();
    postConsignment();
    postCommissionPlans();
    for (const QueryDescriptor& d : queryDescriptors()) {
        const ReportInfo* info = findReport(d.procedure, d.queryType());
        if (!info || !info->realFigures)
            continue;
        SCOPED_TRACE(qPrintable(d.className + u' ' + d.queryType()));
        const RecordSet rs = report(d.procedure, d.queryType(), topLevelLines(d));
        const ColumnFaults faults = windowColumnFaults(d, rs, [&](const QString& field) {
            return kEmptyInFixture.contains(field.toLower()) ||
                   kEmptyInFixture.contains(d.queryType() + u'/' + field);
        });
        EXPECT_EQ("", faults.absent.join(u' ').toStdString());
        EXPECT_EQ("", faults.empty.join(u' ').toStdString()) << rs.rowCount() << " rows";
        EXPECT_EQ("", faults.unshown.join(u' ').toStdString());
    }
}

// A procedure without a rule would be refused to every operator but 1.
TEST_F(ReportColumns, EveryServedProcedureHasARightsRule) {
    const QHash<QString, QSet<QString>> procedures = served();
    ASSERT_GT(procedures.size(), 40);
    for (auto it = procedures.cbegin(); it != procedures.cend(); ++it)
        EXPECT_TRUE(callrights::ruled(it.key())) << it.key().toStdString();
}

}  // namespace
}  // namespace dyt::server::test
