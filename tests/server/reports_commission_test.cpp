// The commission plans and the commission reports on the report account set (reports_fixture.h),
// against figures worked out by hand. The plans:
//   G5  goods 101: 5 % of the sales amount
//   G05 goods 102: 0.5 per base unit
//   Z10 employee 2 (张三, the employee of every bill): 10 % of the gross profit (so for 103)
// The sales lines and their commission:
//   bill 2 (2025-01-10) 101 × 3 @ 20 = 60, cost 30: 60 × 5 %         = 3.00
//                       103 × 1 @ 40 = 40, cost 25: (40 − 25) × 10 %  = 1.50
//   bill 3 (2025-02-03) 102 × 5 @ 8  = 40, cost 25: 5 × 0.5           = 2.50
//                       101 × 2 @ 20 = 40, cost 20: 40 × 5 %          = 2.00
//   bill 4 (return)     101 × 1 @ 20 = 20, cost 20: −20 × 5 %         = −1.00
// In all 8.00 for 张三.
#include "reports_fixture.h"

using namespace Qt::StringLiterals;

namespace dyt::server::test {
namespace {

class CommissionReports : public ReportFixture {
protected:
    void SetUp() override {
        ReportFixture::SetUp();
        postScenario();
        const std::array<qint64, 3> ids = postCommissionPlans();
        g5_ = ids[0];
        g05_ = ids[1];
        z10_ = ids[2];
    }
    qint64 assign(int kind, qint64 record, qint64 plan) {
        return proc(u"p_Base_Up_TCFP"_s, {{"tclxid", QString::number(kind)},
                                          {"objid", QString::number(record)},
                                          {"tcid", QString::number(plan)}});
    }
    RecordSet other(const char* type, const Lines& more = {}) {
        Lines lines = {{"BeginDate", "2025-01-01"}, {"EndDate", "2025-03-31"}};
        lines.insert(lines.end(), more.begin(), more.end());
        return report(u"P_JXC_Get_Other"_s, QString::fromLatin1(type), lines);
    }
    double employeeTotal() {
        const RecordSet rs = other("TCTJ", {{"tjfs", "1"}});
        return rs.rowCount() == 1 ? num(rs, 0, "tcTotal") : NAN;
    }
    qint64 g5_ = 0, g05_ = 0, z10_ = 0;
};

TEST_F(CommissionReports, EveryLineEarnsByThePlanOfItsGoodsElseOfItsEmployee) {
    const RecordSet rs = other("SPXSTCMX");
    ASSERT_EQ(5, rs.rowCount());
    const struct {
        const char* goods;
        const char* plan;
        QList<double> figures;  // Qty, total, costtotal, ml, tcTotal
    } rows[] = {{"SP101", "商品按金额5%", {3, 60, 30, 30, 3}},
                {"SP103", "职员毛利10%", {1, 40, 25, 15, 1.5}},
                {"SP102", "每箱0.5元", {5, 40, 25, 15, 2.5}},
                {"SP101", "商品按金额5%", {2, 40, 20, 20, 2}},
                {"SP101", "商品按金额5%", {-1, -20, -20, 0, -1}}};
    for (int r = 0; r < 5; ++r) {
        EXPECT_EQ(QString::fromLatin1(rows[r].goods) + u'|' + QString::fromUtf8(rows[r].plan) +
                      u"|张三"_s,
                  text(rs, r, "sp_spbh") + u'|' + text(rs, r, "tcfa") + u'|' +
                      text(rs, r, "zy_zyqm"))
            << r;
        EXPECT_EQ(rows[r].figures, nums(rs, r, {"Qty", "total", "costtotal", "ml", "tcTotal"}))
            << r;
    }
    EXPECT_EQ(u"销售退货单"_s, text(rs, 4, "djName"));
    // Only February: bill 3 and the return, 2.5 + 2 − 1.
    const RecordSet feb = other("SPXSTCMX", {{"BeginDate", "2025-02-01"}});
    double sum = 0;
    for (int r = 0; r < feb.rowCount(); ++r)
        sum += num(feb, r, "tcTotal");
    EXPECT_EQ(3, feb.rowCount());
    EXPECT_DOUBLE_EQ(3.5, sum);
}

TEST_F(CommissionReports, GoodsTreeAndEmployeeSumTheLines) {
    // Per goods: 101 4 / 80 / 30 / 50 / 4.00; 102 5 / 40 / 25 / 15 / 2.50; 103 1 / 40 / 25 / 15
    // / 1.50.
    const RecordSet goods = other("SPXSTCCX");
    ASSERT_EQ(3, goods.rowCount());
    EXPECT_EQ((QList<qint64>{101, 102, 103}), ids(goods, "sp_id"));
    EXPECT_EQ((QList<double>{4, 80, 30, 50, 4, 5, 40, 25, 15, 2.5, 1, 40, 25, 15, 1.5}),
              nums(goods, 0, {"Qty", "total", "costtotal", "ml", "tcTotal"}) +
                  nums(goods, 1, {"Qty", "total", "costtotal", "ml", "tcTotal"}) +
                  nums(goods, 2, {"Qty", "total", "costtotal", "ml", "tcTotal"}));
    // The top level: category 100 (101 and 102) 9 / 120 / 6.50 and 103 1 / 40 / 1.50.
    const RecordSet top = other("TCTJ");
    ASSERT_EQ(2, top.rowCount());
    EXPECT_EQ((QList<qint64>{100, 103}), ids(top));
    EXPECT_EQ((QList<double>{9, 120, 6.5, 1, 40, 1.5}),
              nums(top, 0, {"Qty", "total", "tcTotal"}) + nums(top, 1, {"Qty", "total", "tcTotal"}));
    EXPECT_EQ(u"SP103"_s, text(top, 1, "code"));
    const RecordSet below = other("TCTJ", {{"GoodsStr", ";czy_id=1;par_id=100"}});
    EXPECT_EQ((QList<qint64>{101, 102}), ids(below));
    // By employee: 张三 10 / 160 / 80 / 80 / 8.00.
    const RecordSet staff = other("TCTJ", {{"tjfs", "1"}});
    ASSERT_EQ(1, staff.rowCount());
    EXPECT_EQ(u"002|张三"_s, text(staff, 0, "code") + u'|' + text(staff, 0, "fullname"));
    EXPECT_EQ((QList<double>{10, 160, 80, 80, 8}),
              nums(staff, 0, {"Qty", "total", "costtotal", "ml", "tcTotal"}));
}

TEST_F(CommissionReports, ReversalDeletionAndPlanChangesFollowTheLines) {
    // Taking the employee's plan away leaves 103 without commission: 8 − 1.5.
    ASSERT_EQ(0, assign(1, 2, 0));
    EXPECT_DOUBLE_EQ(6.5, employeeTotal());
    ASSERT_EQ(z10_, assign(1, 2, z10_));
    // The red reversal of bill 3 takes back its 4.50; deleting bill 2 its 4.50 as well.
    ASSERT_LT(0, proc(u"P_JXC_DJ_CopyRed"_s, {{"isRed", u"-1"_s}, {"billid", QString::number(bills_[2])}}))
        << lastMessage_.toStdString();
    EXPECT_DOUBLE_EQ(3.5, employeeTotal());
    ASSERT_EQ(0, proc(u"P_JXC_DJ_PostDel"_s, {{"billid", QString::number(bills_[1])}}))
        << lastMessage_.toStdString();
    EXPECT_DOUBLE_EQ(-1, employeeTotal());
}

TEST_F(CommissionReports, PlansAreCheckedAndKeptApart) {
    const struct {
        std::initializer_list<std::pair<const char*, QString>> lines;
        const char* message;
    } refused[] = {
        {{{"tclxid", u"3"_s}, {"code", u"X"_s}, {"fullname", u"X"_s}, {"tcfs", u"1"_s}},
         "提成方案类型[3]无效，应为 1（职员）或 2（商品）"},
        {{{"tclxid", u"2"_s}, {"code", u""_s}, {"fullname", u"X"_s}, {"tcfs", u"1"_s}},
         "请输入方案编号"},
        {{{"tclxid", u"2"_s}, {"code", u"G5"_s}, {"fullname", u"X"_s}, {"tcfs", u"1"_s}},
         "提成方案编号[G5]已存在"},
        {{{"tclxid", u"2"_s}, {"code", u"X"_s}, {"fullname", u"X"_s}, {"tcfs", u"4"_s}},
         "提成方式[4]无效"},
        {{{"tclxid", u"2"_s}, {"code", u"X"_s}, {"fullname", u"X"_s}, {"tcfs", u"3"_s},
          {"tcl", u"120"_s}},
         "提成比例不能大于 100%"},
        {{{"tclxid", u"2"_s}, {"code", u"X"_s}, {"fullname", u"X"_s}, {"tcfs", u"2"_s},
          {"tcl", u"-1"_s}},
         "提成值[-1]无效，不能小于 0"},
        {{{"id", QString::number(g5_)}, {"del", u"1"_s}}, "该提成方案已被 1 个商品或职员使用，不能删除"},
    };
    const int plans = count(u"SELECT COUNT(*) FROM basetcIndex"_s);
    for (const auto& r : refused) {
        EXPECT_EQ(-1, proc(u"p_Base_Up_TCFA"_s, r.lines)) << r.message;
        EXPECT_EQ(QString::fromUtf8(r.message), lastMessage_);
    }
    EXPECT_EQ(plans, count(u"SELECT COUNT(*) FROM basetcIndex"_s));
    // A goods plan is not an employee's, a category takes none, and a plan without users goes.
    EXPECT_EQ(-1, assign(1, 2, g5_));
    EXPECT_EQ(u"该方案不是职员提成方案，不能指定给职员"_s, lastMessage_);
    EXPECT_EQ(-1, assign(2, 100, g5_));
    EXPECT_EQ(-1, assign(2, 999, g5_));
    ASSERT_EQ(0, assign(2, 102, 0));
    EXPECT_EQ(g05_, proc(u"p_Base_Up_TCFA"_s, {{"id", QString::number(g05_)}, {"del", u"1"_s}}));
    EXPECT_EQ(plans - 1, count(u"SELECT COUNT(*) FROM basetcIndex"_s));
    // A changed plan counts for the lines at once: 101 at 10 % doubles its 4.00.
    ASSERT_EQ(g5_, proc(u"p_Base_Up_TCFA"_s, {{"id", QString::number(g5_)},
                                               {"code", u"G5"_s},
                                               {"fullname", u"商品按金额10%"_s},
                                               {"tcfs", u"1"_s},
                                               {"tcl", u"10"_s}}));
    EXPECT_DOUBLE_EQ(8, num(other("SPXSTCCX", {{"GoodsStr", ";czy_id=1;id=101"}}), 0, "tcTotal"));
}

}  // namespace
}  // namespace dyt::server::test
