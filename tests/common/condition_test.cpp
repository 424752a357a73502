#include <gtest/gtest.h>

#include "common/condition.h"
#include "common/error.h"
#include "support/testutil.h"

#include <vector>

using namespace Qt::StringLiterals;

namespace {

using dyt::ConditionPair;
using dyt::ConditionString;
using dyt::DytError;

QString s(const char* utf8) {
    return QString::fromUtf8(utf8);
}

using dyt::test::errorOf;

QList<ConditionPair> pairs(std::initializer_list<std::pair<const char*, const char*>> items) {
    QList<ConditionPair> l;
    for (const auto& [k, v] : items) {
        l.append({s(k), s(v)});
    }
    return l;
}

// What a condition dialog and a query window compose for a picker left empty.
TEST(ConditionString, BuildsTheSegmentsOfTheQueryWindows) {
    ConditionString dialog;
    dialog.add(s("id"), s("")).add(s("issub"), s("1")).add(s("Other"), s("1"));
    EXPECT_EQ(dialog.toString(), s(";id=;issub=1;Other=1"));

    ConditionString wldw;
    wldw.add(s("czy_id"), 1).append(dialog);
    EXPECT_EQ(wldw.toString(), s(";czy_id=1;id=;issub=1;Other=1"));

    ConditionString goods;
    goods.add(s("czy_id"), 12).add(s("isList"), 1).add(s("isList"), 1).add(s("par_id"), 35);
    EXPECT_EQ(goods.toString(), s(";czy_id=12;isList=1;isList=1;par_id=35"));

    EXPECT_EQ(dyt::conditionSegment(s("allfilter"), s("可乐")), s(";allfilter=可乐"));
    EXPECT_EQ(dyt::conditionSegment(s("qty"), s("0")), s(";qty=0"));
    EXPECT_EQ(ConditionString().toString(), QString());
    EXPECT_TRUE(ConditionString().isEmpty());
}

TEST(ConditionString, ParsesIntoOrderedPairs) {
    struct Row {
        const char* text;
        QList<ConditionPair> expected;
    };
    const std::vector<Row> rows{
        {"", {}},
        {";czy_id=1", pairs({{"czy_id", "1"}})},
        {";czy_id=1;id=;issub=1;Other=1",
         pairs({{"czy_id", "1"}, {"id", ""}, {"issub", "1"}, {"Other", "1"}})},
        {";czy_id=1;isSub=1;id=27", pairs({{"czy_id", "1"}, {"isSub", "1"}, {"id", "27"}})},
        {";isList=1;isList=1;par_id=5", pairs({{"isList", "1"}, {"isList", "1"}, {"par_id", "5"}})},
        {";allfilter=a=b", pairs({{"allfilter", "a=b"}})},
        {";allfilter= 可口 可乐 ", pairs({{"allfilter", " 可口 可乐 "}})},
        {";allfilter=50%", pairs({{"allfilter", "50%"}})},
        {";allfilter=a;;b", pairs({{"allfilter", "a;b"}})},
        {";allfilter=;;;id=1", pairs({{"allfilter", ";"}, {"id", "1"}})},
        {";allfilter=x;;;;", pairs({{"allfilter", "x;;"}})},
        {";id=;;issub=1", pairs({{"id", ";issub=1"}})}};
    for (const Row& r : rows) {
        EXPECT_EQ(dyt::parseConditions(s(r.text)), r.expected) << r.text;
    }
}

TEST(ConditionString, SemicolonsInValuesRoundTrip) {
    for (const char* v : {"", "a;b", ";", ";;", "a;", ";a", "x;;y", "a=b;c=d", "含;分号"}) {
        ConditionString c;
        c.add(s("czy_id"), 1).add(s("allfilter"), s(v)).add(s("id"), s(""));
        const ConditionString back = ConditionString::parse(c.toString());
        EXPECT_EQ(back, c) << v;
        EXPECT_EQ(back.value(s("allfilter")), s(v)) << v;
        EXPECT_EQ(back.value(s("id"), s("none")), QString()) << v;
    }
    EXPECT_EQ(dyt::conditionSegment(s("allfilter"), s("a;b")), s(";allfilter=a;;b"));
}

TEST(ConditionString, ReadsAKeyWithoutRegardToCase) {
    const QString text = s(";czy_id=7;isSub=1;id=27;ID=99");
    const ConditionString c = ConditionString::parse(text);
    EXPECT_EQ(c.value(s("issub")), s("1"));
    EXPECT_EQ(c.value(s("ISSUB")), s("1"));
    EXPECT_EQ(c.value(s("id")), s("27"));  // the first of a repeated key
    EXPECT_TRUE(c.contains(s("Czy_Id")));
    EXPECT_FALSE(c.contains(s("czy")));
    EXPECT_EQ(c.value(s("par_id"), s("0")), s("0"));
    EXPECT_EQ(dyt::conditionValue(text, s("CZY_ID")), s("7"));
    EXPECT_EQ(dyt::conditionValue(text, s("Other")), QString());
    EXPECT_EQ(dyt::conditionValue(text, s("Other"), s("-")), s("-"));
}

TEST(ConditionString, MalformedTextsAreRefused) {
    struct Row {
        const char* text;
        const char* message;
    };
    const std::vector<Row> rows{{"czy_id=1", "条件串格式错误（必须以分号开始）：czy_id=1"},
                                {" ;czy_id=1", "条件串格式错误（必须以分号开始）： ;czy_id=1"},
                                {";czy_id", "条件串格式错误（第1个条件缺少等号）：;czy_id"},
                                {";czy_id=1;", "条件串格式错误（第2个条件缺少等号）：;czy_id=1;"},
                                {";a;b=1", "条件串格式错误（第1个条件缺少等号）：;a;b=1"},
                                {";=1", "条件串格式错误（第1个条件缺少名称）：;=1"},
                                {";a=1;=2", "条件串格式错误（第2个条件缺少名称）：;a=1;=2"},
                                {";", "条件串格式错误（第1个条件缺少等号）：;"},
                                {";a=1\r\n", "条件串格式错误（含有换行符）：;a=1\r\n"},
                                {";a=x\ny", "条件串格式错误（含有换行符）：;a=x\ny"}};
    for (const Row& r : rows) {
        EXPECT_EQ(errorOf([&] { dyt::parseConditions(s(r.text)); }), s(r.message)) << r.text;
        EXPECT_EQ(errorOf([&] { ConditionString::parse(s(r.text)); }), s(r.message)) << r.text;
    }
}

TEST(ConditionString, InvalidKeysAndValuesAreRefusedAndNothingIsAdded) {
    ConditionString c;
    c.add(s("czy_id"), 1);
    for (const char* key : {"", "a;b", "a=b", "a\rb", "a\n"}) {
        EXPECT_EQ(errorOf([&] { c.add(s(key), s("1")); }),
                  u"条件名[%1]无效：不能为空，也不能含有分号、等号或换行符"_s.arg(s(key)))
            << key;
    }
    EXPECT_EQ(errorOf([&] { c.add(s("allfilter"), s("a\r\nb")); }),
              s("条件[allfilter]的值不能含有换行符"));
    EXPECT_EQ(errorOf([&] { dyt::conditionSegment(s("allfilter"), s("\n")); }),
              s("条件[allfilter]的值不能含有换行符"));
    EXPECT_EQ(c.toString(), s(";czy_id=1"));
}

TEST(BillKindList, BuildsTheListOfTheConditionDialogs) {
    EXPECT_EQ(dyt::billKindList({1}), s(" (1,0) "));
    EXPECT_EQ(dyt::billKindList({1, 5}), s(" (1,5,0) "));
    EXPECT_EQ(dyt::billKindList({5, 6, 7, 37}), s(" (5,6,7,37,0) "));
    EXPECT_EQ(dyt::billKindList({}), s(" (0) "));
    for (int bad : {0, -1}) {
        EXPECT_EQ(errorOf([&] {
                      dyt::billKindList({1, bad});
                  }),
                  u"单据类型[%1]无效，必须大于0"_s.arg(bad));
    }
}

TEST(BillKindList, ParsesOnlyTheExactShape) {
    struct Good {
        const char* text;
        QList<int> kinds;
    };
    for (const Good& g : std::vector<Good>{{" (0) ", {}},
                                           {" (1,0) ", {1}},
                                           {" (1,5,0) ", {1, 5}},
                                           {" (21,22,0) ", {21, 22}},
                                           {" (40,1,40,0) ", {40, 1, 40}},
                                           {" (999999999,0) ", {999999999}}}) {
        EXPECT_EQ(dyt::parseBillKindList(s(g.text)), g.kinds) << g.text;
        EXPECT_EQ(dyt::billKindList(g.kinds), s(g.text));
    }
    for (const char* bad : {"",
                            " () ",
                            "(1,0)",
                            " (1,0)",
                            "(1,0) ",
                            "  (1,0) ",
                            " (1,0)  ",
                            " (1) ",
                            " (10) ",
                            " (1,50) ",
                            " (1,,0) ",
                            " (,0) ",
                            " (01,0) ",
                            " (00) ",
                            " (-1,0) ",
                            " (+1,0) ",
                            " (1 ,0) ",
                            " ( 1,0) ",
                            " (1,0 ) ",
                            " (1;0) ",
                            " (1,0);drop table djIndex) ",
                            " (1,0) or 1=1 ",
                            " (1) or (0) ",
                            " (1000000000,0) ",
                            " (１,0) ",
                            " (0x10,0) ",
                            " (1.5,0) "}) {
        EXPECT_EQ(errorOf([&] { dyt::parseBillKindList(s(bad)); }),
                  u"单据类型列表格式错误：[%1]"_s.arg(s(bad)))
            << bad;
    }
}

}  // namespace
