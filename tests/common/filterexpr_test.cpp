#include <gtest/gtest.h>

#include <QDate>

#include <functional>
#include <vector>

#include "common/currency.h"
#include "common/error.h"
#include "common/filterexpr.h"
#include "common/recordset.h"
#include "support/testutil.h"

using namespace Qt::StringLiterals;

namespace {

using dyt::Currency;
using dyt::DytError;
using dyt::FieldType;
using dyt::FilterExpr;
using dyt::FilterOptions;
using dyt::RecordSet;

// Values of `field` of the rows that pass `filter`, in row order.
QStringList passing(const RecordSet& set, const QString& filter, const QString& field,
                    FilterOptions options = {}) {
    const FilterExpr f = FilterExpr::compile(filter, set.fields(), options);
    const int c = set.fieldIndex(field);
    QStringList out;
    for (int r = 0; r < set.rowCount(); ++r) {
        if (!f.matches(set.row(r)))
            continue;
        const QVariant& v = set.at(r, c);
        out << (v.isValid() ? v.toString() : u"<null>"_s);
    }
    return out;
}

QStringList names(const std::vector<const char*>& list) {
    QStringList out;
    for (const char* s : list)
        out << QString::fromUtf8(s);
    return out;
}

QString errorOf(const QString& filter, const RecordSet& set) {
    return dyt::test::errorOf([&] { FilterExpr::compile(filter, set.fields()); });
}

// The function menu as the server returns it (cdsMenu / cdscygn).
RecordSet menu() {
    RecordSet s = dyt::test::withFields("code text, sonnum integer, isbtn integer, isbj integer, "
        "leveal integer");
    const struct {
        const char* code;
        int sonnum, isbtn, isbj, leveal;
    } rows[] = {
        {"30", 5, 0, 1, 1}, {"3003", 3, 0, 1, 2}, {"300301", 0, 0, 1, 3}, {"300302", 0, 0, 0, 3},
        {"300303", 0, 1, 1, 3}, {"3004", 2, 0, 1, 2}, {"300401", 0, 0, 1, 3}, {"3005", 0, 0, 1, 2},
        {"3007", 1, 0, 1, 2}, {"300701", 0, 0, 1, 2}, {"300702", 0, 0, 1, 3},
        {"300601", 0, 0, 0, 3}, {"300608", 0, 0, 1, 3}, {"2001", 0, 0, 1, 2},
        {"500401", 0, 0, 1, 3}, {"5003", 0, 0, 1, 2}, {"1001", 0, 0, 1, 2}, {"5002", 0, 0, 1, 2}};
    for (const auto& r : rows)
        s.appendRow({QString::fromLatin1(r.code), r.sonnum, r.isbtn, r.isbj, r.leveal});
    return s;
}

TEST(FilterExpr, TheMenuFiltersAndTheQueryFilterDialogsConditionsSelectTheRightRows) {
    const RecordSet set = menu();
    const struct {
        const char* name;
        const char* filter;
        std::vector<const char*> expected;
    } cases[] = {
        {"purchase page",
         "SUBSTRING(code,1,4) = '3003' AND sonnum = 0 and isbtn = 0 and isbj = 1",
         {"300301"}},
        {"sales page",
         "SUBSTRING(code,1,4) = '3004' AND sonnum = 0 and isbtn = 0 and isbj = 1",
         {"300401"}},
        {"stock page",
         "SUBSTRING(code,1,4) = '3005' AND sonnum = 0 and isbtn = 0 and isbj = 1",
         {"3005"}},
        // AND binds tighter than OR: the listed codes come in whatever their other fields say.
        {"finance page",
         "SUBSTRING(code,1,4) = '3007' AND sonnum = 0 and isbtn = 0 and isbj = 1 AND leveal = 2 "
         "OR code = '300601' OR code = '300608' OR code = '300609' OR code = '300613' OR code = "
         "'300618'",
         {"300701", "300601", "300608"}},
        {"common-function tiles",
         "(SUBSTRING(code,1,2) = '20')  or (code = '500401') or (code = '500402') or (code = "
         "'5003') or (code = '5006') or (code = '5005')",
         {"2001", "500401", "5003"}},
        {"common-function links",
         "SUBSTRING(code,1,2) <> '20'  and (code <> '500401') and (SUBSTRING(code,1,2) <> '10' ) "
         "and (code <> '500402') and (code <> '5003') and (code <> '5006') and (code <> '5005')",
         {"30", "3003", "300301", "300302", "300303", "3004", "300401", "3005", "3007", "300701",
          "300702", "300601", "300608", "5002"}},
        // The query filter dialog's operators: equal, greater, less, not equal, at least, at most,
        // like ("%" on both sides), left match ("%" after), right match ("%" before), not like;
        // joined by AND or OR.
        {"equal", "(code = '3004')", {"3004"}},
        {"greater", "(leveal > 2) AND (code > '3006')", {"300702", "300601", "300608", "500401"}},
        {"less", "(sonnum < 1) AND (code < '2')", {"1001"}},
        {"not equal", "(isbj <> 1)", {"300302", "300601"}},
        {"at least", "(leveal >= 3) AND (code >= '3007')", {"300702", "500401"}},
        {"at most", "(leveal <= 1)", {"30"}},
        {"like", "(code LIKE '%040%')", {"300401", "500401"}},
        {"left match", "(code LIKE '5%')", {"500401", "5003", "5002"}},
        {"right match", "(code LIKE '%02')", {"300302", "300702", "5002"}},
        {"not like", "(code NOT LIKE '%0%')", {}},
        {"like and not like",
         "(code LIKE '30%') AND (code NOT LIKE '%0_0%')",
         {"30", "3003", "3004", "3005", "3007"}},
        {"or", "(code LIKE '2%') OR (code LIKE '1%')", {"2001", "1001"}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(passing(set, QString::fromUtf8(c.filter), u"code"_s), names(c.expected));
    }
}

// " hidden=0 " on the account-set list and " Tag<>'-1' " on the column lists: the flag or tag may
// arrive as integer, boolean or text.
TEST(FilterExpr, FlagAndTagFiltersWorkWhateverTypeTheFieldArrivesAs) {
    for (FieldType type : {FieldType::Integer, FieldType::Boolean, FieldType::Text}) {
        SCOPED_TRACE(dyt::fieldTypeName(type).toStdString());
        RecordSet s = dyt::test::withFields("name text");
        s.addField(u"flag"_s, type);
        const bool boolean = type == FieldType::Boolean;
        const QVariantList flags{0, 1, QVariant(), 0, boolean ? 1 : -1, boolean ? 1 : 111};
        for (int i = 0; i < flags.size(); ++i)
            s.appendRow({QString(QChar(u'a' + i)), flags[i]});
        EXPECT_EQ(passing(s, u" flag=0 "_s, u"name"_s), (QStringList{u"a"_s, u"d"_s}));
        if (!boolean) {
            EXPECT_EQ(passing(s, u" flag<>'-1' "_s, u"name"_s),
                      (QStringList{u"a"_s, u"b"_s, u"d"_s, u"f"_s}));
        }
    }
}

TEST(FilterExpr, EmptyVoucherCaptionMatchesOnlyTheEmptyText) {
    RecordSet s = dyt::test::withFields("code text, pz_caption text");
    s.appendRow({u"JH-1"_s, u""_s});
    s.appendRow({u"JH-2"_s, u"JH-2"_s});
    s.appendRow({u"JH-3"_s, QVariant()});
    s.appendRow({u"JH-4"_s, u""_s});
    // Null is not the empty text: a bill whose caption arrives as Null needs IS NULL as well.
    EXPECT_EQ(passing(s, u"pz_caption = ''"_s, u"code"_s), (QStringList{u"JH-1"_s, u"JH-4"_s}));
    EXPECT_EQ(passing(s, u"pz_caption = '' or pz_caption is null"_s, u"code"_s),
              (QStringList{u"JH-1"_s, u"JH-3"_s, u"JH-4"_s}));
}

TEST(FilterExpr, PrecedenceIsNotThenAndThenOrInAnyLetterCase) {
    RecordSet s = dyt::test::withFields("a integer, b integer, c integer, n integer");
    for (int i = 0; i < 8; ++i)
        s.appendRow({i & 1, (i >> 1) & 1, (i >> 2) & 1, i});
    using Pred = std::function<bool(bool, bool, bool)>;
    const struct {
        const char* filter;
        Pred expected;
    } cases[] = {
        {"a = 1 OR b = 1 AND c = 1", [](bool a, bool b, bool c) { return a || (b && c); }},
        {"a = 1 oR b = 1 aNd c = 1", [](bool a, bool b, bool c) { return a || (b && c); }},
        {"(a = 1 OR b = 1) AND c = 1", [](bool a, bool b, bool c) { return (a || b) && c; }},
        {"NOT a = 1 AND b = 1", [](bool a, bool b, bool) { return !a && b; }},
        {"not (a = 1 and b = 1)", [](bool a, bool b, bool) { return !(a && b); }},
        {"a = 1 and not b = 1 or c = 1", [](bool a, bool b, bool c) { return (a && !b) || c; }},
        {"NOT NOT a = 1", [](bool a, bool, bool) { return a; }},
        {"a=1 AND b=1 AND c=1 OR a=0 AND b=0",
         [](bool a, bool b, bool c) { return (a && b && c) || (!a && !b); }},
        {"((a = 1))", [](bool a, bool, bool) { return a; }},
        {"a = 1 OR NOT (b = 1 OR c = 1)", [](bool a, bool b, bool c) { return a || !(b || c); }}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.filter);
        QStringList expected;
        for (int i = 0; i < 8; ++i) {
            if (c.expected(i & 1, (i >> 1) & 1, (i >> 2) & 1))
                expected << QString::number(i);
        }
        EXPECT_EQ(passing(s, QString::fromLatin1(c.filter), u"n"_s), expected);
    }
}

TEST(FilterExpr, FieldNamesIgnoreCaseAndMayBeBracketed) {
    RecordSet s = dyt::test::withFields("Code text");
    s.addField(u"goods name"_s, FieldType::Text);
    s.addField(u"行号"_s, FieldType::Integer);
    s.appendRow({u"A1"_s, u"笔"_s, 1});
    s.appendRow({u"B2"_s, u"纸"_s, 2});
    for (const char* filter :
         {"CODE = 'B2'", "[code]='B2'", "[goods name] = '纸'", "行号 = 2", "[行号]>1"})
        EXPECT_EQ(passing(s, QString::fromUtf8(filter), u"code"_s), QStringList{u"B2"_s}) << filter;
}

TEST(FilterExpr, StringLiteralsTakeDoubledQuotesAndNumbersTakeSignsAndDecimals) {
    RecordSet s = dyt::test::withFields("name text, qty integer, price currency");
    s.appendRow({u"it's"_s, -1, u"0.5"_s});
    s.appendRow({u"'"_s, 5, u"100"_s});
    s.appendRow({u"x"_s, 0, u"-2.25"_s});
    const struct {
        const char* filter;
        std::vector<const char*> expected;
    } cases[] = {
        {"name = 'it''s'", {"it's"}}, {"name = ''''", {"'"}}, {"qty = -1", {"it's"}},
        {"qty = - 1", {"it's"}}, {"qty = +5", {"'"}}, {"qty > -1.5", {"it's", "'", "x"}},
        {"price = .5", {"it's"}}, {"price = 0.50", {"it's"}}, {"price = 1e2", {"'"}},
        {"price = -2.25", {"x"}}, {"price < -2.2", {"x"}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.filter);
        EXPECT_EQ(passing(s, QString::fromUtf8(c.filter), u"name"_s), names(c.expected));
    }
}

RecordSet typedSet() {
    RecordSet s = dyt::test::withFields("name text, qty integer, code text, price currency, "
        "rate float, d date, stamp datetime, flag boolean");
    s.appendRow(
        {u"r1"_s, 5, u"10"_s, u"12.5"_s, 0.25, QDate(2024, 1, 31), u"2024-01-31 08:00:00"_s, true});
    s.appendRow(
        {u"r2"_s, -1, u"9"_s, u"0.1"_s, 2.0, QDate(2024, 2, 1), u"2024-02-01 00:00:00"_s, false});
    s.appendRow({u"r3"_s, 0, u"abc"_s, u"3"_s, 1e9, QDate(2023, 12, 1), u"2024-02-01 23:59:59"_s,
                 QVariant()});
    s.appendRow(
        {u"r4"_s, QVariant(), u"010"_s, QVariant(), QVariant(), QVariant(), QVariant(), true});
    return s;
}

// Literals of another kind than the field are converted sensibly; NULL takes part in no comparison
// but IS NULL; LIKE reads numbers and dates as text; IN lists compare each item.
TEST(FilterExpr, TypedFieldsMeetLiteralsNullsPatternsAndListsAsInSql) {
    const RecordSet s = typedSet();
    const struct {
        const char* filter;
        std::vector<const char*> expected;
    } cases[] = {
        // Integer field, text literal: read as the number.
        {"qty = '-1'", {"r2"}}, {"qty > '0'", {"r1"}}, {"qty <> -1", {"r1", "r3"}},
        {"qty >= 0", {"r1", "r3"}}, {"qty = '5.0'", {"r1"}},
        // Text field, number literal: numeric texts compare as numbers ("010" = 10) ...
        {"code = 10", {"r1", "r4"}}, {"code < 10", {"r2"}},
        // ... and a text that is no number compares as text ("abc" <> "9").
        {"code <> 9", {"r1", "r3", "r4"}},
        // Currency exactly to four decimals; integers against currency.
        {"price = 12.5", {"r1"}}, {"price = 0.1", {"r2"}}, {"price = 3", {"r3"}},
        {"price = '3.00'", {"r3"}}, {"price > 3", {"r1"}},
        {"price >= 0.1 and price <= 3", {"r2", "r3"}},
        // Float field against integers and decimals.
        {"rate = 0.25", {"r1"}}, {"rate = 2", {"r2"}}, {"rate > 1000000", {"r3"}},
        // Dates and stamps against date texts; a date is midnight when met with a stamp.
        {"d >= '2024-02-01'", {"r2"}}, {"d < '2024-02-01 12:00:00'", {"r1", "r2", "r3"}},
        {"d = '2024-01-31'", {"r1"}}, {"stamp >= '2024-02-01'", {"r2", "r3"}},
        {"stamp < '2024-02-01'", {"r1"}}, {"stamp = '2024-02-01 23:59:59'", {"r3"}},
        // Booleans: bare, against 0/1, against TRUE/FALSE and their texts.
        {"flag", {"r1", "r4"}}, {"not flag", {"r2"}}, {"flag = 1", {"r1", "r4"}},
        {"flag = 0", {"r2"}}, {"flag = FALSE", {"r2"}}, {"flag = 'true'", {"r1", "r4"}},
        {"flag <> true", {"r2"}},
        // NULL.
        {"qty = NULL", {}}, {"qty <> NULL", {}}, {"qty IS NULL", {"r4"}},
        {"qty is not null", {"r1", "r2", "r3"}}, {"NOT qty IS NULL", {"r1", "r2", "r3"}},
        {"NOT (qty = 5)", {"r2", "r3"}}, {"qty <> 5", {"r2", "r3"}},
        {"qty = 5 OR qty IS NULL", {"r1", "r4"}},
        // Unknown OR true is true; unknown AND false is false; NOT unknown stays unknown.
        {"price > 100 OR name = 'r4'", {"r4"}},
        {"NOT (price > 10 AND name = 'r1')", {"r2", "r3", "r4"}},
        {"NOT (price > 1 AND name = 'r4')", {"r1", "r2", "r3"}}, {"flag is null", {"r3"}},
        {"SUBSTRING(d, 1, 4) IS NULL", {"r4"}},
        // LIKE on numbers and dates; the pattern may be another field.
        {"qty LIKE '%5'", {"r1"}}, {"qty NOT LIKE '5'", {"r2", "r3"}},
        {"d LIKE '2024-%'", {"r1", "r2"}}, {"code LIKE code", {"r1", "r2", "r3", "r4"}},
        // IN lists.
        {"code IN ('9', 'abc')", {"r2", "r3"}}, {"qty in (5, -1)", {"r1", "r2"}},
        {"qty IN ('5')", {"r1"}}, {"qty NOT IN (5)", {"r2", "r3"}}, {"qty IN (5, NULL)", {"r1"}},
        // x NOT IN (…, NULL) is never true.
        {"qty NOT IN (5, NULL)", {}}, {"name in ('r4')", {"r4"}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.filter);
        EXPECT_EQ(passing(s, QString::fromUtf8(c.filter), u"name"_s), names(c.expected));
    }
}

TEST(FilterExpr, LikeMatchesPercentAndUnderscoreWildcards) {
    const struct {
        const char* pattern;
        const char* text;
        bool expected;
    } cases[] = {
        {"%30%", "a30b", true}, {"%30%", "3x0", false}, {"30%", "3030", true},
        {"30%", "a30", false}, {"%01", "300601", true}, {"%01", "0102", false},
        {"3_01", "3001", true}, {"3_01", "301", false}, {"%", "", true}, {"", "", true},
        {"", "a", false}, {"a%b%c", "aXbYc", true}, {"a%b%c", "aXcYb", false},
        {"a%b%c", "abc", true}, {"%商品%", "进货商品单", true}, {"_商%", "进商品", true},
        {"_商%", "商品", false}, {"a_", "ab", true}, {"a_", "abc", false}, {"%%a", "ba", true},
        {"A%", "abc", false}, {"abc", "abc", true}, {"%a_c%", "xxabcxx", true},
        {"%a_c", "abcabd", false}, {"a%a", "a", false}, {"a%a", "aa", true}, {"%b", "aab", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.pattern) + " / " + c.text);
        RecordSet s;
        s.addField(u"t"_s, FieldType::Text);
        s.appendRow({QString::fromUtf8(c.text)});
        QString pattern = QString::fromUtf8(c.pattern);
        const QString like = u"t LIKE '%1'"_s.arg(pattern);
        const QString notLike = u"t NOT LIKE '%1'"_s.arg(pattern);
        EXPECT_EQ(passing(s, like, u"t"_s).size(), c.expected ? 1 : 0);
        EXPECT_EQ(passing(s, notLike, u"t"_s).size(), c.expected ? 0 : 1);
    }
}

TEST(FilterExpr, FunctionsFollowTheirSqlMeaning) {
    RecordSet s = dyt::test::withFields("t text, n integer");
    s.appendRow({u"abcdef"_s, 15});
    const struct {
        const char* filter;
        bool expected;
    } cases[] = {
        {"SUBSTRING(t,1,3) = 'abc'", true}, {"SUBSTRING(t,0,3) = 'ab'", true},
        {"SUBSTRING(t,-1,3) = 'a'", true}, {"SUBSTRING(t,5,10) = 'ef'", true},
        {"SUBSTRING(t,7,2) = ''", true}, {"SUBSTRING(t,3) = 'cdef'", true},
        {"SUBSTRING(t,2,0) = ''", true}, {"SUBSTRING(t,'2',2) = 'bc'", true},
        {"substr(t,2,2) = 'bc'", true}, {"SUBSTRING(n,1,1) = '1'", true},
        {"SUBSTRING(n,1,1) = 1", true}, {"UPPER(t) = 'ABCDEF'", true},
        {"LOWER(UPPER(t)) = t", true}, {"UPPER(SUBSTRING(t,2,2)) = 'BC'", true},
        {"TRIM(UPPER('  ab ')) = 'AB'", true}, {"SUBSTRING(UPPER(t), 2, 3) = 'BCD'", true},
        {"LTRIM('  ab ') = 'ab '", true}, {"RTRIM('  ab ') = '  ab'", true}, {"LEN(t) = 6", true},
        {"LEN(t) > 6", false}, {"LEN(SUBSTRING(t, 2, 3)) = 3", true},
        {"SUBSTRING(t,1,3) = 'abd'", false}, {"SUBSTRING(t,2,1e300) = 'bcdef'", true},
        {"SUBSTRING(t,-1e300,1e300) = ''", true}, {"SUBSTRING(t,1e300) = ''", true},
        {"SUBSTRING(t,9223372036854775807,9223372036854775807) = ''", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.filter);
        EXPECT_EQ(passing(s, QString::fromUtf8(c.filter), u"t"_s).size(), c.expected ? 1 : 0);
    }
    RecordSet z;
    z.addField(u"t"_s, FieldType::Text);
    z.appendRow({u"进货单"_s});
    EXPECT_EQ(passing(z, u"SUBSTRING(t,2,1) = '货'"_s, u"t"_s).size(), 1);
}

TEST(FilterExpr, CaseInsensitiveOptionAppliesToComparisonsLikeAndIn) {
    RecordSet s;
    s.addField(u"t"_s, FieldType::Text);
    s.appendRow({u"abc"_s});
    s.appendRow({u"ABD"_s});
    const FilterOptions ci{true};
    const QStringList abc{u"abc"_s};
    EXPECT_EQ(passing(s, u"t = 'ABC'"_s, u"t"_s), QStringList());
    EXPECT_EQ(passing(s, u"t = 'ABC'"_s, u"t"_s, ci), abc);
    EXPECT_EQ(passing(s, u"t LIKE 'a%'"_s, u"t"_s), abc);
    EXPECT_EQ(passing(s, u"t LIKE 'a%'"_s, u"t"_s, ci), (QStringList{u"abc"_s, u"ABD"_s}));
    EXPECT_EQ(passing(s, u"t LIKE '_b_'"_s, u"t"_s, ci).size(), 2);
    EXPECT_EQ(passing(s, u"t IN ('ABC')"_s, u"t"_s, ci), abc);
    // Ordering: 'abd' < 'ABD' is false case-sensitively ('A' < 'a') but equal ignoring case.
    EXPECT_EQ(passing(s, u"t >= 'abd'"_s, u"t"_s, ci), QStringList{u"ABD"_s});
}

TEST(FilterExpr, MalformedTextsNameThePosition) {
    const RecordSet s = menu();
    const struct {
        const char* filter;
        int position;
        const char* detail;
    } cases[] = {
        {"code = ", 8, "条件不完整"}, {"code = 'abc", 8, "单引号"}, {"(code = '1'", 12, "右括号"},
        {"code = '1')", 11, "多余的右括号"}, {"nosuch = 1", 1, "字段[nosuch]不存在"},
        {"UPPER(nosuch) = 'A'", 7, "字段[nosuch]不存在"}, {"code = '1' AND", 15, "条件不完整"},
        {"code # 1", 6, "不认识的字符 '#'"}, {"SUBSTRING(code) = '3'", 1, "需要 2 或 3 个参数"},
        {"FOO(code) = 1", 1, "未知的函数 FOO"}, {"sonnum = 'abc'", 10, "'abc' 不是数值"},
        {"code", 5, "缺少比较运算符"}, {"sonnum = 1 = 2", 12, "不能连用"},
        {"code = \"x\"", 8, "单引号"}, {"sonnum = 1 leveal = 2", 12, "多余的内容 'leveal'"},
        {"[code = '1'", 1, "']'"}, {"sonnum IS 1", 11, "NULL"}, {"sonnum = -x", 10, "应为数字"},
        {"code IN ('1', '2'", 18, "条件不完整"}, {"12abc = 1", 3, "'a'"},
        {"code = AND", 8, "'AND'"}, {"sonnum = '2024-01-01' AND", 10, "不是数值"},
        {"sonnum", 7, "缺少比较运算符"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.filter);
        const QString message = errorOf(QString::fromUtf8(c.filter), s);
        const QString head = u"过滤条件错误: 第 %1 个字符处 "_s.arg(c.position);
        EXPECT_TRUE(message.startsWith(head)) << message.toStdString();
        EXPECT_TRUE(message.contains(QString::fromUtf8(c.detail))) << message.toStdString();
    }
    // Deep nesting is refused before it exhausts the stack; a hundred levels compile.
    for (const QString& head : {u"("_s, u"NOT "_s, u"UPPER("_s})
        EXPECT_TRUE(errorOf(head.repeated(100000) + u"code"_s, s).contains(u"嵌套超过 200 层"_s));
    EXPECT_EQ(errorOf(u"("_s.repeated(100) + u"code = '1'"_s + u")"_s.repeated(100), s), QString());
}

TEST(FilterExpr, ComparingDatesWithNumbersOrBlobsIsRefused) {
    RecordSet s = dyt::test::withFields("d date, pic blob");
    EXPECT_TRUE(errorOf(u"d = 5"_s, s).contains(u"不是日期"_s));
    EXPECT_TRUE(errorOf(u"d = 'tomorrow'"_s, s).contains(u"不是日期"_s));
    EXPECT_TRUE(errorOf(u"pic = 'x'"_s, s).contains(u"二进制字段[pic]"_s));
    EXPECT_EQ(errorOf(u"pic IS NULL"_s, s), QString());
}

TEST(FilterExpr, BlankTextIsTheEmptyFilterAndColumnsListsTheFieldsRead) {
    const RecordSet s = menu();
    const FilterExpr empty = FilterExpr::compile(u"   "_s, s.fields());
    EXPECT_TRUE(empty.isEmpty());
    EXPECT_TRUE(empty.matches(s.row(0)));
    const FilterExpr f = FilterExpr::compile(
        u"leveal = 2 AND SUBSTRING(code,1,4) = '3003' AND sonnum = 0 OR code = '1'"_s, s.fields());
    EXPECT_FALSE(f.isEmpty());
    EXPECT_EQ(f.columns(), (QList<int>{0, 1, 4}));
    // A copy shares the compiled tree and means the same.
    const FilterExpr copy = f;
    for (int r = 0; r < s.rowCount(); ++r)
        EXPECT_EQ(copy.matches(s.row(r)), f.matches(s.row(r)));
}

}  // namespace
