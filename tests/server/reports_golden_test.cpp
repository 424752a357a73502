// Golden files of the reports: "dyt-cli report" on ReportFixture's account set must print
// tests/data/reports/<class>.tsv (rewritten with DYT_UPDATE_GOLDEN=1, then checked by hand).
#include <QDir>
#include <QFile>

#include "protocol/querydescriptors.h"
#include "reports_fixture.h"
#include "server/reports/reports.h"
#include "support/serverprocess.h"

using namespace Qt::StringLiterals;

namespace dyt::server::test {
namespace {

// The windows whose report has real figures, by class name.
std::vector<std::string> goldenClasses() {
    std::vector<std::string> out;
    for (const QueryDescriptor& d : queryDescriptors()) {
        const ReportInfo* r = findReport(d.procedure, d.queryType());
        if (r && r->realFigures)
            out.push_back(d.className.toStdString());
    }
    return out;
}

// The conditions of a window's run: the three months of the bills; the detail ledgers look at
// goods category 100 (goods 101 and 102), as when opened from that row of a statistic.
QStringList conditionsOf(const QueryDescriptor& d) {
    QStringList c = {u"BeginDate=2025-01-01"_s, u"EndDate=2025-03-31"_s};
    // The daily report: the first twelve days of March (the other bills and the money).
    if (d.queryType() == u"JYZKRB"_s)
        c = {u"BeginDate=2025-03-01"_s, u"EndDate=2025-03-12"_s};
    // The outsourced-processing windows: the April issue and completion; what is held, after
    // the issue.
    if (d.procedure == u"P_JXC_Get_WWJG"_s) {
        c = {u"BeginDate=2025-04-01"_s, d.queryType() == u"WWKCCX"_s ? u"EndDate=2025-04-02"_s
                                                                      : u"EndDate=2025-04-03"_s};
    }
    // The loans are April's.
    if (d.procedure == u"P_JXC_Get_JQ"_s)
        c = {u"BeginDate=2025-04-01"_s, u"EndDate=2025-04-30"_s};
    if (d.subject == QuerySubject::Ledger)
        c << u"GoodsStr=;isSub=1;id=100"_s;
    // Comparisons set March against the three months.
    const QueryDialogPage* page = findQueryDialogPage(d.dialogClass, d.dialogPage);
    if (page && page->secondDates)
        c << u"BeginDate2=2025-03-01"_s << u"EndDate2=2025-03-31"_s;
    return c;
}

QString goldenPath(const QString& className) {
    return QDir(QStringLiteral(DYT_TEST_DATA_DIR "/reports")).filePath(className + u".tsv"_s);
}

// The account set of the report files, posted once per suite, in a dyt-server process.
class ReportServer : public ::testing::Test {
protected:
    struct Builder : ReportFixture {
        void TestBody() override {}
        void build() {
            SetUp();
            postScenario();
            postMoreKinds();
            postDealings();
            // Goods out for processing and back processed in April, after the months of the
            // other reports, without a fee: the stock stays as it was.
            posted(53, "2025-04-02", 202, {{101, 2, 0}});
            posted(55, "2025-04-03", 202, {{101, 2, 0}, {101, -2, 0}});
            postLoans();
            postConsignPrices();
            postDistribution();
            postInvoices();
            postCommissionPlans();
            // The account set stays in the data folder; the server process opens it from there.
            backend_->closeSession(session_);
            backend_.reset();
        }
        QString dataDir() const { return dir_.path(); }
        QStringList serverArgs() const { return backendArgs(); }
        QString databasePrefix() const { return prefix_; }
    };
    static void SetUpTestSuite() {
        builder_ = new Builder;
        builder_->build();
        server_ = new dyt::test::ServerProcess;
        ASSERT_TRUE(server_->start(builder_->serverArgs(), builder_->dataDir()))
            << server_->error().toStdString();
    }
    static void TearDownTestSuite() {
        delete server_;
        if (builder_ && !builder_->databasePrefix().isEmpty())
            dyt::test::dropDatabases(builder_->databasePrefix());
        delete builder_;
        server_ = nullptr;
        builder_ = nullptr;
    }
    static dyt::test::CliResult report(const QStringList& args) {
        return dyt::test::runCli(QStringList{u"--server"_s, server_->address(), u"--profile"_s,
                                             u"dytv1_1"_s, u"--user"_s, u"1"_s, u"report"_s} +
                                 args);
    }
    static inline Builder* builder_ = nullptr;
    static inline dyt::test::ServerProcess* server_ = nullptr;
};

class ReportGolden : public ReportServer, public ::testing::WithParamInterface<std::string> {};

TEST_F(ReportServer, CliReportByClassOrByProcedureAndRefusals) {
    const dyt::test::CliResult byClass = report({u"TfrmQSPXSTJ"_s, u"GoodsStr=;par_id=100"_s});
    ASSERT_EQ(0, byClass.exitCode) << byClass.err.toStdString();
    const QStringList lines = byClass.out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(3, lines.size());
    EXPECT_EQ(u"sonnum\tid\tpar_id"_s, lines[0].section(u'\t', 0, 2));
    EXPECT_EQ(u"0\t101\t100"_s, lines[1].section(u'\t', 0, 2));
    EXPECT_EQ(u"0\t102\t100"_s, lines[2].section(u'\t', 0, 2));
    const dyt::test::CliResult byProcedure =
        report({u"P_JXC_Get_XS"_s, u"SPXSTJ"_s, u"GoodsStr=;czy_id=1;par_id=100"_s});
    EXPECT_EQ(byClass.out, byProcedure.out);
    // clang-format off
    struct Case { QStringList args; QString message; };
    const Case cases[] = {
        {{u"TfrmQNoSuch"_s}, u"查询窗口[TfrmQNoSuch]不存在"_s},
        {{u"TfrmQSPXSTJ"_s, u"par_id"_s}, u"report: 条件[par_id]应写作 名称=值"_s},
        {{u"P_JXC_Get_XS"_s, u"NOSUCH"_s}, u"P_JXC_Get_XS不支持查询类型[NOSUCH]"_s}};
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(qPrintable(c.args.join(u' ')));
        const dyt::test::CliResult r = report(c.args);
        EXPECT_EQ(1, r.exitCode);
        EXPECT_EQ(c.message, r.err.trimmed());
    }
}

TEST_P(ReportGolden, CliOutputEqualsTheCheckedFile) {
    const QString className = QString::fromStdString(GetParam());
    const QueryDescriptor* d = findQueryDescriptor(className);
    ASSERT_NE(nullptr, d);
    const dyt::test::CliResult r = report(QStringList{className} + conditionsOf(*d));
    ASSERT_EQ(0, r.exitCode) << r.err.toStdString();
    const QString path = goldenPath(className);
    if (qEnvironmentVariableIsSet("DYT_UPDATE_GOLDEN")) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(r.out.toUtf8());
    }
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly)) << "missing " << path.toStdString();
    EXPECT_EQ(QString::fromUtf8(f.readAll()), r.out);
}

INSTANTIATE_TEST_SUITE_P(Windows, ReportGolden, ::testing::ValuesIn(goldenClasses()),
                         [](const ::testing::TestParamInfo<std::string>& p) { return p.param; });

}  // namespace
}  // namespace dyt::server::test
