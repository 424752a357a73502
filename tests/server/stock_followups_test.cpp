// The follow-ups of the stock-limit windows: limits saved (P_JXC_INI_Other), the lower-limit alert
// turned into a purchase draft (P_JXC_DJ_WarnToDraft), the replenishment plan (ZNBHJH) made into
// a draft line by line and posted (P_JXC_InertDJIndex, P_JXC_InertDJList, P_JXC_DJ_Post), and the
// limit settings list (KCSXXBJSZ).
#include "bill_fixture.h"
#include "login.h"

namespace dyt::server::test {
namespace {

#define EXPECT_TEXT(a, b) EXPECT_EQ(QString(a).toStdString(), QString(b).toStdString())

class StockFollowUps : public BillFixture {
protected:
    // A procedure with "name=value&…" lines; returns the result, or the refusal's message.
    QString proc(const QString& name, const QString& lines, Session* s = nullptr,
                 ParamList* out = nullptr) {
        ParamList p;
        for (const QString& line : lines.split(u'&', Qt::SkipEmptyParts))
            p.setValue(line.section(u'=', 0, 0), line.section(u'=', 1));
        const proto::Response r = call(s ? *s : session_, "ExecProc", {name, p.text()});
        if (out)
            *out = ParamList(r.outText(0));
        return r.code() < 0 ? r.outText(2) : QString::number(r.code());
    }
    QString lines(const QString& id) {
        return rowsOf(u"SELECT goodsid, qty, price, total, IntoStock_id FROM djList WHERE id = "_s +
                      id + u" ORDER BY orderid"_s)
            .join(u' ');
    }
    QString report(const QString& procedure, const QString& type, const QString& extra,
                   const QString& fields) {
        ParamList p;
        p.setValue(u"QueryType"_s, type);
        for (const QString& line : extra.split(u'&', Qt::SkipEmptyParts))
            p.setValue(line.section(u'=', 0, 0), line.section(u'=', 1));
        return dyt::test::rowTexts(procQuery(procedure, p), fields).join(u' ');
    }
};

TEST_F(StockFollowUps,
       LimitsBecomeDraftsOfTheMissingQuantitiesAndThePlanPostsThroughTheBillService) {
    // Everything happens on the working day; the sales period is the ten days up to it.
    const QDate day = QDate::currentDate();
    const QString d = today(), begin = day.addDays(-9).toString(u"yyyy-MM-dd"_s);
    saveGoodsBill(true, 5, d, {{101, 2, 10}});
    update(u"UPDATE baseGoodsUnit SET latestBuyPrice = 7 WHERE id = 1021"_s);
    EXPECT_TEXT(u"0"_s, proc(u"P_JXC_INI_Other"_s, u"goodsid=101&warnUp=20&warnDown=5.5"_s));
    EXPECT_TEXT(u"0"_s, proc(u"P_JXC_INI_Other"_s, u"goodsid=102&warnUp=&warnDown=3"_s));

    // Refusals leave bills, counters and limits as they were.
    const QString before = footprint();
    update(u"INSERT INTO sysuser(id, password) VALUES (2, '')"_s);
    Session clerk;
    ASSERT_EQ(0,
              call(clerk, "Login", {loginLines(u"dytv1_1"_s, u"2"_s), u"2"_s, QString()}).code());
    const qint64 postedId = count(u"SELECT max(id) FROM djIndex"_s);
    struct Case {
        const char* proc;
        QString lines;
        const char* message;
        bool clerk = false;
    };
    const Case cases[] = {
        {"P_JXC_INI_Other", u"goodsid=100&warnDown=1"_s, "不能对商品类别设置库存上下限！"},
        {"P_JXC_INI_Other", u"goodsid=999&warnDown=1"_s, "商品[999]不存在"},
        {"P_JXC_INI_Other", u"goodsid=101&warnDown=-1"_s, "库存下限不能小于0"},
        {"P_JXC_INI_Other", u"goodsid=101&warnUp=2&warnDown=5"_s, "库存上限必须大于库存下限"},
        {"P_JXC_INI_Other", u"goodsid=101&warnUp=x"_s, "[库存上限]不是有效的数字：x"},
        {"P_JXC_INI_Other", u"goodsid=101&warnUp=9"_s, "您没有执行该操作的权限!", true},
        {"P_JXC_DJ_WarnToDraft", u"Goods=103"_s, "没有需要补货的商品，不能生成进货单！"},
        {"P_JXC_DJ_WarnToDraft", u"Goods=100"_s, "商品[100]不存在"},
        {"P_JXC_DJ_WarnToDraft", u"IntoStock_id=999"_s, "仓库[999]不存在"},
        {"P_JXC_DJ_WarnToDraft", QString(), "您没有执行该操作的权限!", true},
        {"p_sys_Up_DatabaseRepair", QString(), "您没有执行该操作的权限!", true},
        {"P_JXC_InertDJIndex", u"djType=21"_s, "收款单和付款单的草稿请在单据窗口中保存！"},
        {"P_JXC_DJ_Post", u"id=%1"_s.arg(postedId), "这张单据已经过账，不能再次保存！"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.proc + (u' ' + c.lines).toStdString());
        EXPECT_TEXT(QString::fromUtf8(c.message),
                    proc(QString::fromLatin1(c.proc), c.lines, c.clerk ? &clerk : nullptr));
    }
    backend_->closeSession(clerk);
    EXPECT_TEXT(before, footprint());
    EXPECT_TEXT(
        u"101|20|5.5 102|0|3"_s,
        rowsOf(u"SELECT id, warnUP, warnDown FROM baseGoods WHERE id IN (101, 102)"_s).join(u' '));

    // The alert of warehouse 301: 101 is 3.5 short (4 whole units at its last purchase price),
    // 102 is 3 short at its latest purchase price; a second draft of 102 alone gets a new number.
    ParamList out;
    const QString warn = u"ckStr=;czy_id=1;id=301;issub=1;Other=1&date="_s + d;
    const QString first = proc(u"P_JXC_DJ_WarnToDraft"_s, warn, nullptr, &out);
    const QString firstCode = out.value(u"code"_s);
    EXPECT_TEXT(u"101|4|10|40|301 102|3|7|21|301"_s, lines(first));
    const QString second = proc(u"P_JXC_DJ_WarnToDraft"_s, warn + u"&Goods=102"_s, nullptr, &out);
    EXPECT_TEXT(u"102|3|7|21|301"_s, lines(second));
    EXPECT_TEXT(u"5|1|%1 5|1|%1"_s.arg(d),
                rowsOf(u"SELECT djType, dj_state, date FROM djIndex WHERE id IN (%1, %2)"_s.arg(
                           first, second))
                    .join(u' '));
    EXPECT_FALSE(firstCode.isEmpty());
    EXPECT_NE(firstCode, out.value(u"code"_s));

    // The plan's draft: a header, lines added (an empty price: the supplier's last purchase
    // price), then posted by the bill service; a posted draft is not posted twice.
    const QString plan =
        proc(u"P_JXC_InertDJIndex"_s, u"wldw_id=201&IntoStock_id=301&date="_s + d, nullptr, &out);
    ASSERT_GT(plan.toLongLong(), 0) << plan.toStdString();
    EXPECT_TEXT(u"第 2 行输入错误:数量必须大于零！"_s,
                proc(u"P_JXC_InertDJList"_s, u"id=%1&Lines=101:4:;102:0:8"_s.arg(plan)));
    EXPECT_TEXT(u"单据中没有商品，不能过账！"_s, proc(u"P_JXC_DJ_Post"_s, u"id="_s + plan));
    EXPECT_TEXT(plan, proc(u"P_JXC_InertDJList"_s, u"id=%1&Lines=101:4:;102:3:8"_s.arg(plan)));
    EXPECT_TEXT(u"101|4|10|40|301 102|3|8|24|301"_s, lines(plan));
    EXPECT_TEXT(plan, proc(u"P_JXC_DJ_Post"_s, u"id="_s + plan));
    EXPECT_TEXT(u"这张单据已经过账，不能再次保存！"_s, proc(u"P_JXC_DJ_Post"_s, u"id="_s + plan));
    EXPECT_TEXT(u"2|6|3"_s,
                rowsOf(u"SELECT (SELECT dj_state FROM djIndex WHERE id = %1), "
                       "SUM(CASE WHEN goodsid = 101 THEN qty END), SUM(CASE WHEN goodsid "
                       "= 102 THEN qty END) FROM djStockDetail"_s.arg(plan))
                    .join(u' '));

    // Three of 101 sold in ten days: 0.3 a day, 6 for twenty days (above the lower limit 5.5),
    // 3 in stock: 3 to order. 102 sold nothing and holds its lower limit: nothing to order.
    saveGoodsBill(true, 1, d, {{101, 3, 15}});
    EXPECT_TEXT(u"101|3|5.5|20|3|0.3|6|3|10|30 102|3|3|0|0|0|0|0|8|0"_s,
                report(u"P_JXC_Get_JH"_s, u"ZNBHJH"_s,
                       u"BeginDate=%1&EndDate=%2&filter=;qty=0;days=20;bhckid=301"_s.arg(begin, d),
                       u"sp_id,stockqty,warnDown,warnUp,xsQty,rjxsQty,xqQty,Qty,price,total"_s));
    // The settings list: one level at a time, a category with the stock below it.
    EXPECT_TEXT(u"100|2|6|| 103|0|0|0|0"_s,
                report(u"P_JXC_Get_KC"_s, u"KCSXXBJSZ"_s, u"GoodsStr=;par_id=0"_s,
                       u"id,sonnum,stockqty,warnUp,warnDown"_s));
    EXPECT_TEXT(u"101|3|20|5.5 102|3|0|3"_s,
                report(u"P_JXC_Get_KC"_s, u"KCSXXBJSZ"_s, u"GoodsStr=;par_id=100"_s,
                       u"sp_id,stockqty,warnUp,warnDown"_s));
}

}  // namespace
}  // namespace dyt::server::test
