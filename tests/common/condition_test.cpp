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
    for (const auto& [k, v] : items)
        l.append({s(k), s(v)});
    return l;
}

// What a condition dialog and a query window compose for a picker left empty.
TEST(ConditionString, BuildsTheSegmentsOfTheQueryWindowsAndParsesThem) {
    ConditionString dialog;
    dialog.add(u"id"_s, u""_s).add(u"issub"_s, u"1"_s).add(u"Other"_s, u"1"_s);
    EXPECT_EQ(dialog.toString(), u";id=;issub=1;Other=1"_s);
    ConditionString wldw;
    wldw.add(u"czy_id"_s, 1).append(dialog);
    EXPECT_EQ(wldw.toString(), u";czy_id=1;id=;issub=1;Other=1"_s);
    ConditionString goods;
    goods.add(u"czy_id"_s, 12).add(u"isList"_s, 1).add(u"isList"_s, 1).add(u"par_id"_s, 35);
    EXPECT_EQ(goods.toString(), u";czy_id=12;isList=1;isList=1;par_id=35"_s);
    EXPECT_EQ(dyt::conditionSegment(u"allfilter"_s, u"可乐"_s), u";allfilter=可乐"_s);
    EXPECT_EQ(dyt::conditionSegment(u"qty"_s, u"0"_s), u";qty=0"_s);
    EXPECT_EQ(ConditionString().toString(), QString());
    EXPECT_TRUE(ConditionString().isEmpty());
    // Parsing gives ordered pairs.
    struct Row {
        const char* text;
        QList<ConditionPair> expected;
    };
    const std::vector<Row> rows{
        {"", {}}, {";czy_id=1", pairs({{"czy_id", "1"}})},
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
    for (const Row& r : rows)
        EXPECT_EQ(dyt::parseConditions(s(r.text)), r.expected) << r.text;
}

TEST(ConditionString, SemicolonsInValuesRoundTrip) {
    for (const char* v : {"", "a;b", ";", ";;", "a;", ";a", "x;;y", "a=b;c=d", "含;分号"}) {
        ConditionString c;
        c.add(u"czy_id"_s, 1).add(u"allfilter"_s, s(v)).add(u"id"_s, u""_s);
        const ConditionString back = ConditionString::parse(c.toString());
        EXPECT_EQ(back, c) << v;
        EXPECT_EQ(back.value(u"allfilter"_s), s(v)) << v;
        EXPECT_EQ(back.value(u"id"_s, u"none"_s), QString()) << v;
    }
    EXPECT_EQ(dyt::conditionSegment(u"allfilter"_s, u"a;b"_s), u";allfilter=a;;b"_s);
    // A key is read without regard to case.
    const QString text = u";czy_id=7;isSub=1;id=27;ID=99"_s;
    const ConditionString c = ConditionString::parse(text);
    EXPECT_EQ(c.value(u"issub"_s), u"1"_s);
    EXPECT_EQ(c.value(u"ISSUB"_s), u"1"_s);
    EXPECT_EQ(c.value(u"id"_s), u"27"_s);  // the first of a repeated key
    EXPECT_TRUE(c.contains(u"Czy_Id"_s));
    EXPECT_FALSE(c.contains(u"czy"_s));
    EXPECT_EQ(c.value(u"par_id"_s, u"0"_s), u"0"_s);
    EXPECT_EQ(dyt::conditionValue(text, u"CZY_ID"_s), u"7"_s);
    EXPECT_EQ(dyt::conditionValue(text, u"Other"_s), QString());
    EXPECT_EQ(dyt::conditionValue(text, u"Other"_s, u"-"_s), u"-"_s);
}

TEST(ConditionString, MalformedTextsAreRefused) {
    struct Row {
        const char* text;
        const char* message;
    };
    const std::vector<Row> rows{
        {"czy_id=1", "条件串格式错误（必须以分号开始）：czy_id=1"},
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
    // Invalid keys and values are refused and nothing is added.
    ConditionString c;
    c.add(u"czy_id"_s, 1);
    for (const char* key : {"", "a;b", "a=b", "a\rb", "a\n"}) {
        EXPECT_EQ(errorOf([&] { c.add(s(key), u"1"_s); }),
                  u"条件名[%1]无效：不能为空，也不能含有分号、等号或换行符"_s.arg(s(key)))
            << key;
    }
    EXPECT_EQ(errorOf([&] { c.add(u"allfilter"_s, u"a\r\nb"_s); }),
              u"条件[allfilter]的值不能含有换行符"_s);
    EXPECT_EQ(errorOf([&] { dyt::conditionSegment(u"allfilter"_s, u"\n"_s); }),
              u"条件[allfilter]的值不能含有换行符"_s);
    EXPECT_EQ(c.toString(), u";czy_id=1"_s);
}

TEST(BillKindList, BuildsTheListOfTheConditionDialogsAndParsesOnlyItsShape) {
    EXPECT_EQ(dyt::billKindList({1}), u" (1,0) "_s);
    EXPECT_EQ(dyt::billKindList({1, 5}), u" (1,5,0) "_s);
    EXPECT_EQ(dyt::billKindList({5, 6, 7, 37}), u" (5,6,7,37,0) "_s);
    EXPECT_EQ(dyt::billKindList({}), u" (0) "_s);
    for (int bad : {0, -1}) {
        const QString error = errorOf([&] { dyt::billKindList({1, bad}); });
        EXPECT_EQ(error, u"单据类型[%1]无效，必须大于0"_s.arg(bad));
    }
    // Only the exact shape parses.
    struct Good {
        const char* text;
        QList<int> kinds;
    };
    for (const Good& g : std::vector<Good>{
        {" (0) ", {}}, {" (1,0) ", {1}}, {" (1,5,0) ", {1, 5}}, {" (21,22,0) ", {21, 22}},
        {" (40,1,40,0) ", {40, 1, 40}}, {" (999999999,0) ", {999999999}}}) {
        EXPECT_EQ(dyt::parseBillKindList(s(g.text)), g.kinds) << g.text;
        EXPECT_EQ(dyt::billKindList(g.kinds), s(g.text));
    }
    const char* bad[] = {
        "", " () ", "(1,0)", " (1,0)", "(1,0) ", "  (1,0) ", " (1,0)  ", " (1) ", " (10) ",
        " (1,50) ", " (1,,0) ", " (,0) ", " (01,0) ", " (00) ", " (-1,0) ", " (+1,0) ", " (1 ,0) ",
        " ( 1,0) ", " (1,0 ) ", " (1;0) ", " (1,0);drop table djIndex) ", " (1,0) or 1=1 ",
        " (1) or (0) ", " (1000000000,0) ", " (１,0) ", " (0x10,0) ", " (1.5,0) "};
    for (const char* text : bad) {
        EXPECT_EQ(errorOf([&] { dyt::parseBillKindList(s(text)); }),
                  u"单据类型列表格式错误：[%1]"_s.arg(s(text)))
            << text;
    }
}

}  // namespace
