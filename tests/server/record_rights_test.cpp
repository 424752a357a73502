// Record rights in the lists, bill reads, reports and alerts, called as operator 2 logs in and
// queries.
#include <gtest/gtest.h>

#include "reports_fixture.h"

namespace dyt::server::test {
namespace {

class RecordRightsTest : public ReportFixture {
protected:
    void SetUp() override {
        ReportFixture::SetUp();
        postScenario();
        postMoreKinds();
        update(u"INSERT INTO sysuser(id, password) VALUES (2, '')"_s);
        update(u"INSERT INTO sysPurview(userid, menuid, isbj) SELECT 2, id, 1 FROM sysMenu"_s);
        clerk_.spid = backend_->nextSpid();
        ASSERT_EQ(0, call(clerk_, "Login", {loginLines(u"dytv1_1"_s, u"2"_s), u"2"_s, QString()})
                         .code());
    }
    void TearDown() override {
        backend_->closeSession(clerk_);
        ReportFixture::TearDown();
    }
    void rightsOn(bool on) {
        update(u"UPDATE sysConf SET sysValue = '%1' WHERE id = 2004"_s.arg(on ? 1 : 0));
    }
    // The values of a field over the rows a procedure answers the session.
    QList<qint64> values(Session& s, const char* procedure, const Lines& lines, const char* field) {
        ParamList p;
        for (const char* key : {"wldwStr", "zyStr", "ckStr", "bmStr", "kmStr"})
            p.setValue(QString::fromLatin1(key), u";czy_id=%1"_s.arg(&s == &clerk_ ? 2 : 1));
        for (const auto& [n, v] : lines)
            p.setValue(QString::fromUtf8(n), QString::fromUtf8(v));
        const proto::Response r =
            call(s, "ExecProcQuery", {QString::fromLatin1(procedure), p.text()});
        EXPECT_EQ(QString(), r.error) << procedure;
        return dyt::test::idsOf(proto::recordSetFromCbor(r.out(1)), QString::fromLatin1(field));
    }
    Session clerk_;
};

TEST_F(RecordRightsTest, ARefusedWarehouseLeavesTheStockStatusAndTheBusinessHistory) {
    rightsOn(true);
    update(u"INSERT INTO baseCKPurview(id, czy_id, isbj) VALUES (302, 2, 0)"_s);
    // The stock status: goods 101 without what lies in 302.
    const Lines status = {{"QueryType", "DQKCNEW"}, {"goodsStr", ";isList=1"}};
    const auto qtyOf101 = [&](Session& s) {
        const QList<qint64> goods = values(s, "P_Base_Get_Goods", status, "sp_id");
        const QList<qint64> qty = values(s, "P_Base_Get_Goods", status, "stockqty");
        return qty.value(static_cast<int>(goods.indexOf(101)), -1);
    };
    const qint64 in302 =
        count(u"SELECT SUM(qty) FROM baseGoodsStock WHERE goodsid = 101 AND stockid = 302"_s);
    ASSERT_GT(in302, 0);
    EXPECT_EQ(qtyOf101(session_) - in302, qtyOf101(clerk_));
    // The business history: neither the purchase into 302 nor the transfer from 301 into it.
    const Lines history = {{"dj_state", "2"}, {"BeginDate", "2025-01-01"},
                           {"EndDate", "2025-12-31"}};
    const QList<qint64> all = values(session_, "P_JXC_DJ_GetDJIndex", history, "id");
    const qint64 transfer = count(u"SELECT id FROM djIndex WHERE djType = 15"_s);
    ASSERT_TRUE(all.contains(bills_[4]) && all.contains(transfer));
    QList<qint64> seen = all;
    seen.removeAll(bills_[4]);
    seen.removeAll(transfer);
    EXPECT_EQ(seen, values(clerk_, "P_JXC_DJ_GetDJIndex", history, "id"));
    // Nor may it reverse one.
    const proto::Response red = call(clerk_, "ExecProc",
                                     {u"P_JXC_DJ_CopyRed"_s,
                                      u"billid=%1\r\nisRed=-1"_s.arg(bills_[4])});
    EXPECT_EQ(u"您没有执行该操作的权限!"_s, red.outText(2));
}

TEST_F(RecordRightsTest, ARefusedRecordDisappearsWhereverItIsSeen) {
    // A sale paid into the cash account 8.
    const qint64 paid = BillFixture::posted(goodsBill(1, "2025-03-10", 201, {{101, 1, 20, 301}}, {{8, 20}}));
    const QByteArray lines = u"%1"_s.arg(bills_[1]).toUtf8();
    struct Case {
        const char* rights;
        qint64 refused;
        const char* procedure;
        Lines lines;
        const char* field;
        qint64 gone;
    };
    const Case cases[] = {
        {"baseWLDWPurview", 203, "P_JXC_Get_XS", {{"QueryType", "DWXSTJ"}, {"wldwStr", ";par_id=0"}},
         "id", 203},
        {"baseGoodsPurview", 103, "P_JXC_Get_KC", {{"QueryType", "CKKCYEB"}, {"GoodsStr", ""}},
         "id", 103},
        {"baseGoodsPurview", 103, "P_JXC_DJ_GetDJList", {{"id", lines.constData()}}, "goodsid",
         103},
        {"baseGoodsPurview", 103, "P_Base_Get_Goods", {{"QueryType", "XZSPALL"}}, "goodsid", 103},
        {"basezyPurview", 2, "P_JXC_Get_XS", {{"QueryType", "XSDDTJ"}, {"filter", ";tjfs=2"}},
         "id", 2},
        {"baseWLDWPurview", 203, "P_JXC_Get_WL", {{"QueryType", "DWYSYF"}}, "id", 203},
        {"basezyPurview", 2, "P_JXC_Get_WL", {{"QueryType", "ZYMXZB"}}, "id", bills_[1]},
        {"basebmPurview", 401, "P_JXC_DJ_GetDJIndex", {{"dj_state", "2"}}, "dep_id", 401},
        {"baseYHZHPurview", 8, "P_JXC_DJ_GetDJIndex", {{"dj_state", "2"}}, "id", paid},
        {"baseYHZHPurview", 8, "P_JXC_Get_Base", {{"QueryType", "KM_"}}, "id", 8},
        {"baseYHZHPurview", 8, "P_JXC_Get_Base", {{"QueryType", "KM"}, {"kmStr", ";isList=1"}},
         "id", 8},
        // A transfer from 301 into 302 is hidden by either side; the upper-limit alert of 102
        // counts no stock of a refused warehouse.
        {"baseCKPurview", 301, "P_JXC_Get_KC", {{"QueryType", "TJDBDTJ"}}, "id", 100},
        {"baseCKPurview", 301, "P_JXC_Get_KC", {{"QueryType", "KCSXBJ"}}, "sp_id", 102},
        {"baseCKPurview", 302, "P_JXC_Get_KC", {{"QueryType", "KCMXZB"}}, "ck_id", 302},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.rights) + ' ' + std::to_string(c.refused) + ' ' + c.procedure);
        update(u"INSERT INTO %1(id, czy_id, isbj) VALUES (%2, 2, 0)"_s
                   .arg(QLatin1String(c.rights))
                   .arg(c.refused));
        rightsOn(false);
        EXPECT_TRUE(values(clerk_, c.procedure, c.lines, c.field).contains(c.gone));
        rightsOn(true);
        EXPECT_FALSE(values(clerk_, c.procedure, c.lines, c.field).contains(c.gone));
        EXPECT_TRUE(values(session_, c.procedure, c.lines, c.field).contains(c.gone));
        update(u"DELETE FROM %1"_s.arg(QLatin1String(c.rights)));
    }
}

}  // namespace
}  // namespace dyt::server::test
