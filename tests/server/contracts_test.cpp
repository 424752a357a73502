// Purchase and sales contracts on the report account set: the fulfilment worked out by hand from
// the posted bills of the contract's partner and period, numbering, the checks that leave nothing
// written, deleting only what nothing fulfils, stopping, and the right of the contract window.
#include "login.h"
#include "reports_fixture.h"

using namespace Qt::StringLiterals;

namespace dyt::server::test {
namespace {

class Contracts : public ReportFixture {
protected:
    void SetUp() override {
        ReportFixture::SetUp();
        postScenario();
    }
    using Line = std::tuple<int, const char*, double, double>;  // goods, unit, qty, price
    static ParamList contract(int type, int partner, const char* begin, const char* end,
                              std::vector<Line> lines, const char* code = "") {
        ParamList p;
        p.setValue(u"htType"_s, QString::number(type));
        p.setValue(u"code"_s, QString::fromUtf8(code));
        p.setValue(u"wldw_id"_s, QString::number(partner));
        p.setValue(u"jsr_id"_s, u"2"_s);
        p.setValue(u"signDate"_s, u"2025-01-02"_s);
        p.setValue(u"BeginDate"_s, QString::fromLatin1(begin));
        p.setValue(u"EndDate"_s, QString::fromLatin1(end));
        p.setValue(u"summary"_s, u"年度供货"_s);
        p.setValue(u"lineCount"_s, QString::number(lines.size()));
        for (size_t i = 0; i < lines.size(); ++i) {
            const auto& [goods, unit, qty, price] = lines[i];
            const QString n = QString::number(i + 1);
            p.setValue(u"goodsid"_s + n, QString::number(goods));
            p.setValue(u"unit"_s + n, QString::fromUtf8(unit));
            p.setValue(u"qty"_s + n, QString::number(qty));
            p.setValue(u"price"_s + n, QString::number(price));
        }
        return p;
    }
    // p_base_Up_HeTong: the id, or -1 with the message in lastMessage_.
    qint64 up(const ParamList& p, Session* s = nullptr) {
        const proto::Response r = call(s ? *s : session_, "ExecProc",
                                       {u"p_base_Up_HeTong"_s, p.text()});
        lastMessage_ = r.error.isEmpty() ? r.outText(2) : r.error;
        return r.error.isEmpty() ? r.out(1).toInteger() : -1;
    }
    RecordSet list(const QString& filter = {}) {
        ParamList p;
        p.setValue(u"filter"_s, filter);
        p.setValue(u"wldwStr"_s, u";czy_id=1"_s);
        return procQuery(u"P_JXC_Get_HeTong"_s, p);
    }
    RecordSet lines(qint64 id) {
        ParamList p;
        p.setInt(u"id"_s, id);
        return procQuery(u"P_JXC_Get_HeTongList"_s, p);
    }
    static QString texts(const RecordSet& rs, int row, std::initializer_list<const char*> fields) {
        QStringList out;
        for (const char* f : fields)
            out << text(rs, row, f);
        return out.join(u'|');
    }
    // A contract's quantity and amount, what is fulfilled of them and what is left.
    static QList<double> totals(const RecordSet& rs, int row) {
        return nums(rs, row, {"Qty", "total", "zxQty", "zxTotal", "wzxQty", "wzxTotal"});
    }
    static QList<double> lineFigures(const RecordSet& rs, int row) {
        return nums(rs, row, {"qty", "price", "total", "zxQty", "zxTotal", "wzxQty", "wzxTotal"});
    }
};

TEST_F(Contracts, FulfilmentCountsThePartnersPostedBillsOfThePeriodInTheLinesUnits) {
    // Purchase from 202 in January: 101 × 15 @ 10 and 102 × 1 托 (20 箱) @ 100. Bill 1 of
    // 2025-01-05 brings 101 × 10 (100) and 102 × 20 箱 (100 = 1 托); bill 5 of 2025-02-12 lies
    // outside the period.
    const qint64 buy = up(contract(0, 202, "2025-01-01", "2025-01-31",
                                   {{101, "", 15, 10}, {102, "托", 1, 100}}));
    ASSERT_GT(buy, 0) << lastMessage_.toStdString();
    // Sales to 201 in the first quarter: 101 × 5 @ 20 and 103 × 2 @ 40. Sold 101 × 3 (60) and
    // 103 × 1 (40) on 2025-01-10, 101 × 1 (20) back on 2025-02-10; the sale to 203 is not his.
    const qint64 sell =
        up(contract(1, 201, "2025-01-01", "2025-03-31", {{101, "个", 5, 20}, {103, "", 2, 40}}));
    ASSERT_GT(sell, 0) << lastMessage_.toStdString();

    RecordSet rs = lines(buy);
    ASSERT_EQ(2, rs.rowCount());
    EXPECT_EQ(u"SP101|个|SP102|托"_s, texts(rs, 0, {"sp_spbh", "unit"}) + u'|' +
                                          texts(rs, 1, {"sp_spbh", "unit"}));
    EXPECT_EQ((QList<double>{15, 10, 150, 10, 100, 5, 50}), lineFigures(rs, 0));
    EXPECT_EQ((QList<double>{1, 100, 100, 1, 100, 0, 0}), lineFigures(rs, 1));
    rs = lines(sell);
    EXPECT_EQ((QList<double>{5, 20, 100, 2, 40, 3, 60}), lineFigures(rs, 0));
    EXPECT_EQ((QList<double>{2, 40, 80, 1, 40, 1, 40}), lineFigures(rs, 1));

    rs = list();
    ASSERT_EQ(2, rs.rowCount());
    EXPECT_EQ(u"采购合同|HT20250102-001|乙公司|张三|年度供货|已过期"_s,
              texts(rs, 0, {"htTypeName", "code", "dw_dwqm", "zy_zyqm", "summary", "stateName"}));
    EXPECT_EQ((QList<double>{16, 250, 11, 200, 5, 50}), totals(rs, 0));
    EXPECT_EQ(u"销售合同|HT20250102-002|甲公司"_s, texts(rs, 1, {"htTypeName", "code", "dw_dwqm"}));
    EXPECT_EQ((QList<double>{7, 180, 3, 80, 4, 100}), totals(rs, 1));
    EXPECT_EQ(1, list(u";httype=1"_s).rowCount());

    // Through February bill 5 (101 × 5 @ 12) fulfils the rest: done, 260 against 250 (none left).
    ParamList wider = contract(0, 202, "2025-01-01", "2025-02-28",
                               {{101, "", 15, 10}, {102, "托", 1, 100}}, "HT20250102-001");
    wider.setInt(u"id"_s, buy);
    ASSERT_EQ(buy, up(wider)) << lastMessage_.toStdString();
    rs = list(u";id=%1"_s.arg(buy));
    ASSERT_EQ(1, rs.rowCount());
    EXPECT_EQ(u"已完成"_s, text(rs, 0, "stateName"));
    EXPECT_EQ((QList<double>{16, 250, 16, 260, 0, 0}), totals(rs, 0));
}

TEST_F(Contracts, RefusalsWriteNothing) {
    const auto with = [](const std::function<void(ParamList&)>& change) {
        ParamList p = contract(0, 202, "2025-01-01", "2025-01-31", {{101, "", 1, 10}});
        change(p);
        return p;
    };
    ASSERT_GT(up(with([](ParamList& p) { p.setValue(u"code"_s, u"HT-A"_s); })), 0);
    const QString before = rowsOf(u"SELECT COUNT(*), SUM(total) FROM baseHeTong"_s).join(u';') +
                           rowsOf(u"SELECT COUNT(*) FROM baseHeTongList"_s).join(u';');
    const struct {
        ParamList p;
        const char* message;
    } cases[] = {
        {with([](ParamList& p) { p.setValue(u"htType"_s, u"2"_s); }),
         "请选择合同类型（采购合同或销售合同）"},
        {with([](ParamList& p) { p.setValue(u"wldw_id"_s, u"0"_s); }), "请选择往来单位"},
        {with([](ParamList& p) { p.setValue(u"wldw_id"_s, u"200"_s); }),
         "往来单位[单位类]是一个分类，不能用于合同"},
        {with([](ParamList& p) { p.setValue(u"EndDate"_s, u"2024-12-31"_s); }),
         "开始日期不能大于结束日期"},
        {with([](ParamList& p) { p.setValue(u"signDate"_s, u"2025-02-30"_s); }),
         "签订日期不是有效的日期：2025-02-30"},
        {with([](ParamList& p) { p.setValue(u"lineCount"_s, u"0"_s); }), "合同没有商品明细"},
        {with([](ParamList& p) { p.setValue(u"qty1"_s, u"0"_s); }), "第1行数量必须大于0"},
        {with([](ParamList& p) { p.setValue(u"price1"_s, u"-1"_s); }), "第1行单价不能小于0"},
        {with([](ParamList& p) { p.setValue(u"unit1"_s, u"桶"_s); }), "第1行商品没有单位[桶]"},
        {with([](ParamList& p) { p.setValue(u"goodsid1"_s, u"999"_s); }), "商品[999]不存在"},
        {with([](ParamList& p) {
             p.setValue(u"lineCount"_s, u"2"_s);
             p.setValue(u"goodsid2"_s, u"101"_s);
             p.setValue(u"qty2"_s, u"2"_s);
         }),
         "第2行的商品在合同中重复"},
        {with([](ParamList& p) { p.setValue(u"code"_s, u"HT-A"_s); }), "合同编号[HT-A]已经存在"},
        {with([](ParamList& p) { p.setValue(u"id"_s, u"77"_s); }), "合同[77]不存在或已被删除"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(-1, up(c.p));
        EXPECT_EQ(QString::fromUtf8(c.message), lastMessage_);
    }
    EXPECT_EQ(before, rowsOf(u"SELECT COUNT(*), SUM(total) FROM baseHeTong"_s).join(u';') +
                          rowsOf(u"SELECT COUNT(*) FROM baseHeTongList"_s).join(u';'));
}

TEST_F(Contracts, OnlyAnUnfulfilledContractIsDeletedAFulfilledOneIsStopped) {
    const qint64 done = up(contract(0, 202, "2025-01-01", "2025-01-31", {{101, "", 15, 10}}));
    const qint64 open = up(contract(0, 203, "2025-01-01", "2025-01-31", {{101, "", 15, 10}}));
    ASSERT_GT(open, done);
    ParamList del;
    del.setInt(u"id"_s, done);
    del.setValue(u"del"_s, u"1"_s);
    EXPECT_EQ(-1, up(del));
    EXPECT_EQ(u"该合同已经部分执行，不能删除，只能中止！"_s, lastMessage_);
    del.setInt(u"id"_s, open);
    EXPECT_EQ(open, up(del)) << lastMessage_.toStdString();
    EXPECT_EQ(QStringList{u"0"_s}, rowsOf(u"SELECT COUNT(*) FROM baseHeTongList WHERE id = %1"_s.arg(open)));

    ParamList stop;
    stop.setInt(u"id"_s, done);
    stop.setValue(u"stop"_s, u"1"_s);
    EXPECT_EQ(done, up(stop));
    EXPECT_EQ(0, list().rowCount());
    const RecordSet all = list(u";isstop=1"_s);
    ASSERT_EQ(1, all.rowCount());
    EXPECT_EQ(u"已中止"_s, text(all, 0, "stateName"));
    ParamList change = contract(0, 202, "2025-01-01", "2025-01-31", {{101, "", 20, 10}});
    change.setInt(u"id"_s, done);
    EXPECT_EQ(-1, up(change));
    EXPECT_EQ(u"合同已中止，不能修改"_s, lastMessage_);
    stop.setValue(u"stop"_s, u"0"_s);
    EXPECT_EQ(done, up(stop));
    EXPECT_EQ(done, up(change)) << lastMessage_.toStdString();
    EXPECT_EQ((QList<double>{20, 200, 10, 100, 10, 100}), totals(list(), 0));
}

TEST_F(Contracts, AnOperatorNeedsTheContractWindowsRight) {
    ASSERT_GT(up(contract(0, 202, "2025-01-01", "2025-01-31", {{101, "", 1, 10}})), 0);
    update(u"INSERT INTO sysuser(id, password) VALUES (2, '')"_s);
    Session clerk;
    ASSERT_EQ(0, call(clerk, "Login", {loginLines(u"dytv1_1"_s, u"2"_s), u"2"_s, QString()}).code());
    const auto listError = [&] {
        const proto::Response r = call(clerk, "ExecProcQuery",
                                       {u"P_JXC_Get_HeTong"_s, u"filter="_s});
        return r.error;
    };
    const QString refused = u"您没有执行该操作的权限!"_s;
    EXPECT_EQ(refused, listError());
    EXPECT_EQ(-1, up(contract(0, 202, "2025-01-01", "2025-01-31", {{101, "", 1, 10}}), &clerk));
    EXPECT_EQ(refused, lastMessage_);
    update(u"INSERT INTO sysPurview(userid, menuid, isbj, iscygn, openCount) SELECT 2, id, 1, 0, "
           "0 FROM sysMenu WHERE code = '4016'"_s);
    Session granted;
    ASSERT_EQ(0,
              call(granted, "Login", {loginLines(u"dytv1_1"_s, u"2"_s), u"2"_s, QString()}).code());
    EXPECT_GT(up(contract(0, 202, "2025-01-01", "2025-01-31", {{101, "", 1, 10}}), &granted), 0)
        << lastMessage_.toStdString();
}

}  // namespace
}  // namespace dyt::server::test
