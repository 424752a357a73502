// The reports the server knows against the query-window table: every query type a window sends
// is answered, with the columns the window documents; the list of query types still without real
// figures is printed so that the gap stays visible.
#include <QSet>

#include <cstdio>

#include "protocol/querydescriptors.h"
#include "reports_fixture.h"
#include "server/reports.h"

namespace dyt::server::test {
namespace {

// The report procedures the server answers itself; the others of the table (bill lists, the
// goods procedure, base accounts, stocktake) belong to other modules.
const QStringList kReportProcedures = {
    QStringLiteral("P_JXC_Get_XS"),    QStringLiteral("P_JXC_Get_JH"),
    QStringLiteral("P_JXC_Get_KC"),    QStringLiteral("P_JXC_Get_WL"),
    QStringLiteral("P_JXC_Get_CW"),    QStringLiteral("P_JXC_Get_DX"),
    QStringLiteral("P_JXC_Get_JQ"),    QStringLiteral("P_JXC_Get_WWJG"),
    QStringLiteral("P_JXC_Get_Other"), QStringLiteral("P_JXC_Get_KP"),
    QStringLiteral("P_JXC_Get_LBBB"),
};

// The families that must have real figures: sales and purchase statistics, ledgers, returns,
// exchanges, distributions, rankings, monthly analysis, the cost table; the stock ledgers, stock
// bills' statistics, warehouse ledgers and balances, batches, virtual stock and limit alerts.
const QStringList kMustBeReal = {
    QStringLiteral("P_JXC_Get_XS/SPXSTJ"),   QStringLiteral("P_JXC_Get_XS/DWXSTJ"),
    QStringLiteral("P_JXC_Get_XS/XSMXZB"),   QStringLiteral("P_JXC_Get_XS/SPXSTHTJ"),
    QStringLiteral("P_JXC_Get_XS/DWXSTHTJ"), QStringLiteral("P_JXC_Get_XS/XSTHDTJ"),
    QStringLiteral("P_JXC_Get_XS/XSHHDTJ"),  QStringLiteral("P_JXC_Get_XS/XSHHMXZB"),
    QStringLiteral("P_JXC_Get_XS/DWXSFB"),   QStringLiteral("P_JXC_Get_XS/CKXSFB"),
    QStringLiteral("P_JXC_Get_XS/XSPHB"),    QStringLiteral("P_JXC_Get_XS/SPXSYFX"),
    QStringLiteral("P_JXC_Get_XS/SPXSCBB"),  QStringLiteral("P_JXC_Get_JH/SPJHTJ"),
    QStringLiteral("P_JXC_Get_JH/DWJHTJ"),   QStringLiteral("P_JXC_Get_JH/JHMXZB"),
    QStringLiteral("P_JXC_Get_JH/SPJHTHTJ"), QStringLiteral("P_JXC_Get_JH/DWJHTHTJ"),
    QStringLiteral("P_JXC_Get_JH/JHTHDTJ"),  QStringLiteral("P_JXC_Get_JH/JHHHDTJ"),
    QStringLiteral("P_JXC_Get_JH/DWJHFB"),   QStringLiteral("P_JXC_Get_JH/CKJHFB"),
    QStringLiteral("P_JXC_Get_JH/SPJHYFX"),  QStringLiteral("P_JXC_Get_KC/SPMX"),
    QStringLiteral("P_JXC_Get_KC/KCMXZB"),   QStringLiteral("P_JXC_Get_KC/BSDTJ"),
    QStringLiteral("P_JXC_Get_KC/BYDTJ"),    QStringLiteral("P_JXC_Get_KC/QTRKDTJ"),
    QStringLiteral("P_JXC_Get_KC/QTCKDTJ"),  QStringLiteral("P_JXC_Get_KC/TJDBDTJ"),
    QStringLiteral("P_JXC_Get_KC/BJDBDTJ"),  QStringLiteral("P_JXC_Get_KC/CKLSZ"),
    QStringLiteral("P_JXC_Get_KC/CKMXB"),    QStringLiteral("P_JXC_Get_KC/CKKCYEB"),
    QStringLiteral("P_JXC_Get_KC/KCPCLB"),   QStringLiteral("P_JXC_Get_KC/XNKCCX"),
    QStringLiteral("P_JXC_Get_KC/KCSXBJ"),   QStringLiteral("P_JXC_Get_KC/KCXXBJ"),
};

QString key(const QString& procedure, const QString& type) {
    return procedure + u'/' + type;
}

TEST(ReportCatalogue, EveryQueryTypeOfTheWindowsIsKnownAndTheGapIsListed) {
    QSet<QString> real;
    for (const ReportInfo& r : reportCatalogue()) {
        if (r.realFigures)
            real.insert(key(r.procedure, r.queryType));
    }
    QStringList unknown;
    QStringList withoutFigures;
    for (const QueryDescriptor& d : queryDescriptors()) {
        if (!kReportProcedures.contains(d.procedure, Qt::CaseInsensitive))
            continue;
        for (const QString& type : d.queryTypes) {
            const ReportInfo* r = findReport(d.procedure, type);
            if (!r)
                unknown << d.className + u' ' + key(d.procedure, type);
            else if (!r->realFigures && !withoutFigures.contains(key(d.procedure, type)))
                withoutFigures << key(d.procedure, type);
        }
    }
    std::printf("Query types without real figures yet (%lld):\n",
                static_cast<long long>(withoutFigures.size()));
    for (const QString& k : withoutFigures)
        std::printf("  %s\n", qPrintable(k));
    EXPECT_EQ(QStringList(), unknown);
    QStringList missing;
    for (const QString& k : kMustBeReal) {
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

class ReportColumns : public ReportFixture {};

// Each query type, with or without figures, answers every column its windows document.
TEST_F(ReportColumns, EveryReportAnswersTheColumnsItsWindowsDocument) {
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
        if (!r.realFigures) {
            EXPECT_EQ(0, rs.rowCount());
        }
    }
}

TEST_F(ReportColumns, ProceduresRefuseAQueryTypeTheyDoNotKnow) {
    for (const QString& procedure : kReportProcedures) {
        SCOPED_TRACE(qPrintable(procedure));
        EXPECT_EQ(QStringLiteral("%1不支持查询类型[XYZ]").arg(procedure),
                  reportError(procedure, QStringLiteral("XYZ"), {}));
        EXPECT_EQ(QStringLiteral("%1缺少查询类型[QueryType]").arg(procedure),
                  reportError(procedure, QString(), {}));
    }
}

}  // namespace
}  // namespace dyt::server::test
