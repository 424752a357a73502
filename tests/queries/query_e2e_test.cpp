// Query windows against a real dyt-server: the category tree comes from the server, a statistics
// query sends its documented conditions, and the business history lists the posted bills of the
// date range, narrowed by its red-bill filter.
#include <QComboBox>
#include <QTreeWidget>

#include "client/logic/clientconfig.h"
#include "client/logic/settings.h"
#include "client/queries/frmquery.h"
#include "client/queries/frmselectitems.h"
#include "common/paramlist.h"
#include "common/recordset.h"
#include "support/serverfixture.h"

namespace dyt::client {
namespace {

QString s(const char* text) {
    return QString::fromUtf8(text);
}

// The product's TCP transport with a record of the procedure queries sent through it.
class WatchedTcpTransport : public ITransport {
public:
    void open(const QString& host, int port) override { inner_.open(host, port); }
    void close() override { inner_.close(); }
    bool isOpen() const override { return inner_.isOpen(); }
    Response call(const QString& method, const QCborArray& args) override {
        if (method == s("ExecProcQuery"))
            procQueries.append({args.at(0).toString(), ParamList(args.at(1).toString())});
        return inner_.call(method, args);
    }
    QList<QPair<QString, ParamList>> procQueries;

private:
    TcpTransport inner_;
};

class QueryWindowE2E : public test::ServerFixture {
protected:
    void beforeConnect() override {
        auto transport = std::make_unique<WatchedTcpTransport>();
        watched = transport.get();
        dm.setTransport(std::move(transport));
    }
    WatchedTcpTransport* watched = nullptr;
};

TEST_F(QueryWindowE2E, TreeStatisticsAndBusinessHistoryAgainstTheServer) {
    openClientConfig(programDir.path());
    settings().LoginDate = QDate(2026, 3, 31);
    query::resetSharedQueryDates();
    const auto savedRunner = TfrmQueryWindow::dialogRunner();
    TfrmQueryWindow::dialogRunner() = [](TfrmSelectItems& d) { return d.accept(); };
    addRecord("baseGoods", 5, "01", "饮料", 0, 1);
    addRecord("baseGoods", 101, "0101", "可乐", 5);
    dm.ExecUpdate(
        s("INSERT INTO djIndex(id, djType, code, date, dj_state, total) VALUES "
          "(1, 1, 'XS-1', '2026-03-05', 2, 100), (2, 5, 'JH-1', '2026-03-06', 2, 50), "
          "(3, 1, 'XS-2', '2026-04-20', 2, 70), (4, 1, 'XS-3', '2026-03-07', 1, 30)"));

    {
        // The sales bill statistics: the goods categories come from the server.
        TfrmQueryWindow xs(s("TfrmQXSDTJ"));
        xs.show();
        ASSERT_EQ(1, xs.tvCategory()->topLevelItemCount())
            << script.messages().join(u'|').toStdString();
        EXPECT_EQ(s("饮料"), xs.tvCategory()->topLevelItem(0)->text(0));
        EXPECT_EQ(5, xs.treeRows().integer(s("id")));
        // The query sends the documented conditions; whatever the server answers (rows, or the
        // message of a report not offered yet), the window stays open.
        xs.runQuery(false);
        ASSERT_FALSE(watched->procQueries.isEmpty());
        const auto& [procedure, p] = watched->procQueries.last();
        EXPECT_EQ(s("P_JXC_Get_XS"), procedure);
        EXPECT_EQ(s("SPXSTJ"), p.value(s("QueryType")));
        EXPECT_EQ(s(";czy_id=1;par_id=0"), p.value(s("GoodsStr")));
        EXPECT_EQ(s(";czy_id=1;id=;issub=1;Other=1"), p.value(s("wldwStr")));
        EXPECT_EQ(s(" (1,0) "), p.value(s("djStr")));
        EXPECT_EQ(s("2026-03-01"), p.value(s("BeginDate")));
        EXPECT_EQ(s("2026-03-31"), p.value(s("EndDate")));
        EXPECT_TRUE(xs.isVisible());
        script.clearRecords();
    }

    {
        // The business history: posted bills of March, all kinds; the draft and April stay out.
        TfrmQueryWindow jylc(s("TfrmQJYLC"));
        jylc.show();
        ASSERT_TRUE(jylc.runQuery(true)) << script.messages().join(u'|').toStdString();
        QStringList codes;
        RecordSet& rows = jylc.records();
        for (int r = 0; r < rows.rowCount(); ++r)
            codes.append(rows.at(r, rows.fieldIndex(s("code"))).toString());
        codes.sort();
        EXPECT_EQ((QStringList{s("JH-1"), s("XS-1")}), codes);
        EXPECT_EQ(s("P_JXC_DJ_GetDJIndex"), watched->procQueries.last().first);
        // Only red-reversed bills: none of these.
        ASSERT_NE(nullptr, jylc.cbred());
        jylc.cbred()->setCurrentIndex(2);
        EXPECT_EQ(s(";isred=2"), watched->procQueries.last().second.value(s("filter")));
        EXPECT_EQ(0, jylc.records().rowCount());
        EXPECT_TRUE(script.messages().isEmpty()) << script.messages().join(u'|').toStdString();
    }
    TfrmQueryWindow::dialogRunner() = savedRunner;
    query::resetSharedQueryDates();
    closeClientConfig();
}

}  // namespace
}  // namespace dyt::client
