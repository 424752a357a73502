// The report catalogue against the query-window table.
#include <QSet>

#include "protocol/querydescriptors.h"
#include "reports_fixture.h"
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
// bills' statistics, warehouse ledgers and balances, batches, virtual stock and limit alerts.
const QStringList kMustBeReal = {
    u"P_JXC_Get_XS/SPXSTJ"_s,   u"P_JXC_Get_XS/DWXSTJ"_s,   u"P_JXC_Get_XS/XSMXZB"_s,
    u"P_JXC_Get_XS/SPXSTHTJ"_s, u"P_JXC_Get_XS/DWXSTHTJ"_s, u"P_JXC_Get_XS/XSTHDTJ"_s,
    u"P_JXC_Get_XS/XSHHDTJ"_s,  u"P_JXC_Get_XS/XSHHMXZB"_s, u"P_JXC_Get_XS/DWXSFB"_s,
    u"P_JXC_Get_XS/CKXSFB"_s,   u"P_JXC_Get_XS/XSPHB"_s,    u"P_JXC_Get_XS/SPXSYFX"_s,
    u"P_JXC_Get_XS/SPXSCBB"_s,  u"P_JXC_Get_JH/SPJHTJ"_s,   u"P_JXC_Get_JH/DWJHTJ"_s,
    u"P_JXC_Get_JH/JHMXZB"_s,   u"P_JXC_Get_JH/SPJHTHTJ"_s, u"P_JXC_Get_JH/DWJHTHTJ"_s,
    u"P_JXC_Get_JH/JHTHDTJ"_s,  u"P_JXC_Get_JH/JHHHDTJ"_s,  u"P_JXC_Get_JH/DWJHFB"_s,
    u"P_JXC_Get_JH/CKJHFB"_s,   u"P_JXC_Get_JH/SPJHYFX"_s,  u"P_JXC_Get_KC/SPMX"_s,
    u"P_JXC_Get_KC/KCMXZB"_s,   u"P_JXC_Get_KC/BSDTJ"_s,    u"P_JXC_Get_KC/BYDTJ"_s,
    u"P_JXC_Get_KC/QTRKDTJ"_s,  u"P_JXC_Get_KC/QTCKDTJ"_s,  u"P_JXC_Get_KC/TJDBDTJ"_s,
    u"P_JXC_Get_KC/BJDBDTJ"_s,  u"P_JXC_Get_KC/CKLSZ"_s,    u"P_JXC_Get_KC/CKMXB"_s,
    u"P_JXC_Get_KC/CKKCYEB"_s,  u"P_JXC_Get_KC/KCPCLB"_s,   u"P_JXC_Get_KC/XNKCCX"_s,
    u"P_JXC_Get_KC/KCSXBJ"_s,   u"P_JXC_Get_KC/KCXXBJ"_s,
};

QString key(const QString& procedure, const QString& type) {
    return procedure + u'/' + type;
}

class ReportColumns : public ReportFixture {};

// Each query type, with or without figures, answers every column its windows document (that
// every query type a window sends is known, and the gap printed: ServedQueries).
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

}  // namespace
}  // namespace dyt::server::test
