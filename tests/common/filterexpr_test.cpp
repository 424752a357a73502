#include <gtest/gtest.h>

#include <QDate>
#include <QDateTime>

#include <functional>
#include <vector>

#include "common/currency.h"
#include "common/error.h"
#include "common/filterexpr.h"
#include "common/recordset.h"

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
        out << (v.isValid() ? v.toString() : QStringLiteral("<null>"));
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
    try {
        FilterExpr::compile(filter, set.fields());
    } catch (const DytError& e) {
        return e.message();
    }
    return QStringLiteral("<no error>");
}

// The function menu as the server returns it (cdsMenu / cdscygn).
RecordSet menu() {
    RecordSet s;
    s.addField(QStringLiteral("code"), FieldType::Text);
    s.addField(QStringLiteral("sonnum"), FieldType::Integer);
    s.addField(QStringLiteral("isbtn"), FieldType::Integer);
    s.addField(QStringLiteral("isbj"), FieldType::Integer);
    s.addField(QStringLiteral("leveal"), FieldType::Integer);
    const struct {
        const char* code;
        int sonnum, isbtn, isbj, leveal;
    } rows[] = {
        {"30", 5, 0, 1, 1},     {"3003", 3, 0, 1, 2},   {"300301", 0, 0, 1, 3},
        {"300302", 0, 0, 0, 3}, {"300303", 0, 1, 1, 3}, {"3004", 2, 0, 1, 2},
        {"300401", 0, 0, 1, 3}, {"3005", 0, 0, 1, 2},   {"3007", 1, 0, 1, 2},
        {"300701", 0, 0, 1, 2}, {"300702", 0, 0, 1, 3}, {"300601", 0, 0, 0, 3},
        {"300608", 0, 0, 1, 3}, {"2001", 0, 0, 1, 2},   {"500401", 0, 0, 1, 3},
        {"5003", 0, 0, 1, 2},   {"1001", 0, 0, 1, 2},   {"5002", 0, 0, 1, 2},
    };
    for (const auto& r : rows) {
        s.appendRow({QString::fromLatin1(r.code), r.sonnum, r.isbtn, r.isbj, r.leveal});
    }
    return s;
}

TEST(FilterExpr, EveryFilterTheSystemAppliesToTheMenuSelectsTheRightRows) {
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
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(passing(set, QString::fromUtf8(c.filter), QStringLiteral("code")),
                  names(c.expected));
    }
}

TEST(FilterExpr, ConditionsOfTheQueryFilterDialogParseForEachOperator) {
    // The dialog's operators: equal, greater, less, not equal, at least, at most, like ("%" on both
    // sides), left match ("%" after), right match ("%" before), not like; joined by AND or OR.
    const RecordSet set = menu();
    const struct {
        const char* filter;
        std::vector<const char*> expected;
    } cases[] = {
        {"(code = '3004')", {"3004"}},
        {"(leveal > 2) AND (code > '3006')", {"300702", "300601", "300608", "500401"}},
        {"(sonnum < 1) AND (code < '2')", {"1001"}},
        {"(isbj <> 1)", {"300302", "300601"}},
        {"(leveal >= 3) AND (code >= '3007')", {"300702", "500401"}},
        {"(leveal <= 1)", {"30"}},
        {"(code LIKE '%040%')", {"300401", "500401"}},
        {"(code LIKE '5%')", {"500401", "5003", "5002"}},
        {"(code LIKE '%02')", {"300302", "300702", "5002"}},
        {"(code NOT LIKE '%0%')", {}},
        {"(code LIKE '30%') AND (code NOT LIKE '%0_0%')", {"30", "3003", "3004", "3005", "3007"}},
        {"(code LIKE '2%') OR (code LIKE '1%')", {"2001", "1001"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.filter);
        EXPECT_EQ(passing(set, QString::fromUtf8(c.filter), QStringLiteral("code")),
                  names(c.expected));
    }
}

TEST(FilterExpr, HiddenFlagFilterWorksWhateverTypeTheFlagArrivesAs) {
    // " hidden=0 " on the account-set list: the flag may come as integer, boolean or text.
    for (FieldType type : {FieldType::Integer, FieldType::Boolean, FieldType::Text}) {
        SCOPED_TRACE(dyt::fieldTypeName(type).toStdString());
        RecordSet s;
        s.addField(QStringLiteral("dbName"), FieldType::Text);
        s.addField(QStringLiteral("hidden"), type);
        s.appendRow({QStringLiteral("a"), 0});
        s.appendRow({QStringLiteral("b"), 1});
        s.appendRow({QStringLiteral("c"), QVariant()});
        s.appendRow({QStringLiteral("d"), 0});
        EXPECT_EQ(passing(s, QStringLiteral(" hidden=0 "), QStringLiteral("dbName")),
                  (QStringList{QStringLiteral("a"), QStringLiteral("d")}));
    }
}

TEST(FilterExpr, ColumnTagFilterHidesTheMinusOneColumnsForIntegerAndTextTags) {
    for (FieldType type : {FieldType::Integer, FieldType::Text}) {
        SCOPED_TRACE(dyt::fieldTypeName(type).toStdString());
        RecordSet s;
        s.addField(QStringLiteral("Name"), FieldType::Text);
        s.addField(QStringLiteral("Tag"), type);
        s.appendRow({QStringLiteral("qty"), 0});
        s.appendRow({QStringLiteral("id"), -1});
        s.appendRow({QStringLiteral("price"), 111});
        EXPECT_EQ(passing(s, QStringLiteral(" Tag<>'-1' "), QStringLiteral("Name")),
                  (QStringList{QStringLiteral("qty"), QStringLiteral("price")}));
    }
}

TEST(FilterExpr, EmptyVoucherCaptionMatchesOnlyTheEmptyText) {
    RecordSet s;
    s.addField(QStringLiteral("code"), FieldType::Text);
    s.addField(QStringLiteral("pz_caption"), FieldType::Text);
    s.appendRow({QStringLiteral("JH-1"), QStringLiteral("")});
    s.appendRow({QStringLiteral("JH-2"), QStringLiteral("JH-2")});
    s.appendRow({QStringLiteral("JH-3"), QVariant()});
    s.appendRow({QStringLiteral("JH-4"), QStringLiteral("")});
    // Null is not the empty text: a bill whose caption arrives as Null needs IS NULL as well.
    EXPECT_EQ(passing(s, QStringLiteral("pz_caption = ''"), QStringLiteral("code")),
              (QStringList{QStringLiteral("JH-1"), QStringLiteral("JH-4")}));
    EXPECT_EQ(
        passing(s, QStringLiteral("pz_caption = '' or pz_caption is null"), QStringLiteral("code")),
        (QStringList{QStringLiteral("JH-1"), QStringLiteral("JH-3"), QStringLiteral("JH-4")}));
}

TEST(FilterExpr, PrecedenceIsNotThenAndThenOrInAnyLetterCase) {
    RecordSet s;
    s.addField(QStringLiteral("a"), FieldType::Integer);
    s.addField(QStringLiteral("b"), FieldType::Integer);
    s.addField(QStringLiteral("c"), FieldType::Integer);
    s.addField(QStringLiteral("n"), FieldType::Integer);
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
        {"a = 1 OR NOT (b = 1 OR c = 1)", [](bool a, bool b, bool c) { return a || !(b || c); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.filter);
        QStringList expected;
        for (int i = 0; i < 8; ++i) {
            if (c.expected(i & 1, (i >> 1) & 1, (i >> 2) & 1))
                expected << QString::number(i);
        }
        EXPECT_EQ(passing(s, QString::fromLatin1(c.filter), QStringLiteral("n")), expected);
    }
}

TEST(FilterExpr, FieldNamesIgnoreCaseAndMayBeBracketed) {
    RecordSet s;
    s.addField(QStringLiteral("Code"), FieldType::Text);
    s.addField(QStringLiteral("goods name"), FieldType::Text);
    s.addField(QStringLiteral("行号"), FieldType::Integer);
    s.appendRow({QStringLiteral("A1"), QStringLiteral("笔"), 1});
    s.appendRow({QStringLiteral("B2"), QStringLiteral("纸"), 2});
    const QStringList b2{QStringLiteral("B2")};
    EXPECT_EQ(passing(s, QStringLiteral("CODE = 'B2'"), QStringLiteral("code")), b2);
    EXPECT_EQ(passing(s, QStringLiteral("[code]='B2'"), QStringLiteral("code")), b2);
    EXPECT_EQ(passing(s, QStringLiteral("[goods name] = '纸'"), QStringLiteral("code")), b2);
    EXPECT_EQ(passing(s, QStringLiteral("行号 = 2"), QStringLiteral("code")), b2);
    EXPECT_EQ(passing(s, QStringLiteral("[行号]>1"), QStringLiteral("code")), b2);
}

TEST(FilterExpr, StringLiteralsTakeDoubledQuotesAndNumbersTakeSignsAndDecimals) {
    RecordSet s;
    s.addField(QStringLiteral("name"), FieldType::Text);
    s.addField(QStringLiteral("qty"), FieldType::Integer);
    s.addField(QStringLiteral("price"), FieldType::Currency);
    s.appendRow({QStringLiteral("it's"), -1, QStringLiteral("0.5")});
    s.appendRow({QStringLiteral("'"), 5, QStringLiteral("100")});
    s.appendRow({QStringLiteral("x"), 0, QStringLiteral("-2.25")});
    const struct {
        const char* filter;
        std::vector<const char*> expected;
    } cases[] = {
        {"name = 'it''s'", {"it's"}}, {"name = ''''", {"'"}},
        {"qty = -1", {"it's"}},       {"qty = - 1", {"it's"}},
        {"qty = +5", {"'"}},          {"qty > -1.5", {"it's", "'", "x"}},
        {"price = .5", {"it's"}},     {"price = 0.50", {"it's"}},
        {"price = 1e2", {"'"}},       {"price = -2.25", {"x"}},
        {"price < -2.2", {"x"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.filter);
        EXPECT_EQ(passing(s, QString::fromUtf8(c.filter), QStringLiteral("name")),
                  names(c.expected));
    }
}

RecordSet typedSet() {
    RecordSet s;
    s.addField(QStringLiteral("name"), FieldType::Text);
    s.addField(QStringLiteral("qty"), FieldType::Integer);
    s.addField(QStringLiteral("code"), FieldType::Text);
    s.addField(QStringLiteral("price"), FieldType::Currency);
    s.addField(QStringLiteral("rate"), FieldType::Float);
    s.addField(QStringLiteral("d"), FieldType::Date);
    s.addField(QStringLiteral("stamp"), FieldType::DateTime);
    s.addField(QStringLiteral("flag"), FieldType::Boolean);
    s.appendRow({QStringLiteral("r1"), 5, QStringLiteral("10"), QStringLiteral("12.5"), 0.25,
                 QDate(2024, 1, 31), QStringLiteral("2024-01-31 08:00:00"), true});
    s.appendRow({QStringLiteral("r2"), -1, QStringLiteral("9"), QStringLiteral("0.1"), 2.0,
                 QDate(2024, 2, 1), QStringLiteral("2024-02-01 00:00:00"), false});
    s.appendRow({QStringLiteral("r3"), 0, QStringLiteral("abc"), QStringLiteral("3"), 1e9,
                 QDate(2023, 12, 1), QStringLiteral("2024-02-01 23:59:59"), QVariant()});
    s.appendRow({QStringLiteral("r4"), QVariant(), QStringLiteral("010"), QVariant(), QVariant(),
                 QVariant(), QVariant(), true});
    return s;
}

TEST(FilterExpr, LiteralsOfAnotherKindAreConvertedSensibly) {
    const RecordSet s = typedSet();
    const struct {
        const char* filter;
        std::vector<const char*> expected;
    } cases[] = {
        // Integer field, text literal: read as the number.
        {"qty = '-1'", {"r2"}},
        {"qty > '0'", {"r1"}},
        {"qty <> -1", {"r1", "r3"}},
        {"qty >= 0", {"r1", "r3"}},
        {"qty = '5.0'", {"r1"}},
        // Text field, number literal: numeric texts compare as numbers ("010" = 10) ...
        {"code = 10", {"r1", "r4"}},
        {"code < 10", {"r2"}},
        // ... and a text that is no number compares as text ("abc" <> "9").
        {"code <> 9", {"r1", "r3", "r4"}},
        // Currency exactly to four decimals; integers against currency.
        {"price = 12.5", {"r1"}},
        {"price = 0.1", {"r2"}},
        {"price = 3", {"r3"}},
        {"price = '3.00'", {"r3"}},
        {"price > 3", {"r1"}},
        {"price >= 0.1 and price <= 3", {"r2", "r3"}},
        // Float field against integers and decimals.
        {"rate = 0.25", {"r1"}},
        {"rate = 2", {"r2"}},
        {"rate > 1000000", {"r3"}},
        // Dates and stamps against date texts; a date is midnight when met with a stamp.
        {"d >= '2024-02-01'", {"r2"}},
        {"d < '2024-02-01 12:00:00'", {"r1", "r2", "r3"}},
        {"d = '2024-01-31'", {"r1"}},
        {"stamp >= '2024-02-01'", {"r2", "r3"}},
        {"stamp < '2024-02-01'", {"r1"}},
        {"stamp = '2024-02-01 23:59:59'", {"r3"}},
        // Booleans: bare, against 0/1, against TRUE/FALSE and their texts.
        {"flag", {"r1", "r4"}},
        {"not flag", {"r2"}},
        {"flag = 1", {"r1", "r4"}},
        {"flag = 0", {"r2"}},
        {"flag = FALSE", {"r2"}},
        {"flag = 'true'", {"r1", "r4"}},
        {"flag <> true", {"r2"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.filter);
        EXPECT_EQ(passing(s, QString::fromUtf8(c.filter), QStringLiteral("name")),
                  names(c.expected));
    }
}

TEST(FilterExpr, NullTakesPartInNoComparisonExceptIsNull) {
    const RecordSet s = typedSet();
    const struct {
        const char* filter;
        std::vector<const char*> expected;
    } cases[] = {
        {"qty = NULL", {}},
        {"qty <> NULL", {}},
        {"qty IS NULL", {"r4"}},
        {"qty is not null", {"r1", "r2", "r3"}},
        {"NOT qty IS NULL", {"r1", "r2", "r3"}},
        {"NOT (qty = 5)", {"r2", "r3"}},
        {"qty <> 5", {"r2", "r3"}},
        {"qty = 5 OR qty IS NULL", {"r1", "r4"}},
        // Unknown OR true is true; unknown AND false is false; NOT unknown stays unknown.
        {"price > 100 OR name = 'r4'", {"r4"}},
        {"NOT (price > 10 AND name = 'r1')", {"r2", "r3", "r4"}},
        {"NOT (price > 1 AND name = 'r4')", {"r1", "r2", "r3"}},
        {"flag is null", {"r3"}},
        {"SUBSTRING(d, 1, 4) IS NULL", {"r4"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.filter);
        EXPECT_EQ(passing(s, QString::fromUtf8(c.filter), QStringLiteral("name")),
                  names(c.expected));
    }
}

TEST(FilterExpr, LikeMatchesPercentAndUnderscoreWildcards) {
    const struct {
        const char* pattern;
        const char* text;
        bool expected;
    } cases[] = {
        {"%30%", "a30b", true},
        {"%30%", "3x0", false},
        {"30%", "3030", true},
        {"30%", "a30", false},
        {"%01", "300601", true},
        {"%01", "0102", false},
        {"3_01", "3001", true},
        {"3_01", "301", false},
        {"%", "", true},
        {"", "", true},
        {"", "a", false},
        {"a%b%c", "aXbYc", true},
        {"a%b%c", "aXcYb", false},
        {"a%b%c", "abc", true},
        {"%商品%", "进货商品单", true},
        {"_商%", "进商品", true},
        {"_商%", "商品", false},
        {"a_", "ab", true},
        {"a_", "abc", false},
        {"%%a", "ba", true},
        {"A%", "abc", false},
        {"abc", "abc", true},
        {"%a_c%", "xxabcxx", true},
        {"%a_c", "abcabd", false},
        {"a%a", "a", false},
        {"a%a", "aa", true},
        {"%b", "aab", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.pattern) + " / " + c.text);
        RecordSet s;
        s.addField(QStringLiteral("t"), FieldType::Text);
        s.appendRow({QString::fromUtf8(c.text)});
        QString pattern = QString::fromUtf8(c.pattern);
        const QString like = QStringLiteral("t LIKE '%1'").arg(pattern);
        const QString notLike = QStringLiteral("t NOT LIKE '%1'").arg(pattern);
        EXPECT_EQ(passing(s, like, QStringLiteral("t")).size(), c.expected ? 1 : 0);
        EXPECT_EQ(passing(s, notLike, QStringLiteral("t")).size(), c.expected ? 0 : 1);
    }
}

TEST(FilterExpr, LikeReadsNumbersAsTextAndSkipsNull) {
    const RecordSet s = typedSet();
    EXPECT_EQ(passing(s, QStringLiteral("qty LIKE '%5'"), QStringLiteral("name")),
              QStringList{QStringLiteral("r1")});
    EXPECT_EQ(passing(s, QStringLiteral("qty NOT LIKE '5'"), QStringLiteral("name")),
              (QStringList{QStringLiteral("r2"), QStringLiteral("r3")}));
    EXPECT_EQ(passing(s, QStringLiteral("d LIKE '2024-%'"), QStringLiteral("name")),
              (QStringList{QStringLiteral("r1"), QStringLiteral("r2")}));
    // The pattern may be another field.
    EXPECT_EQ(passing(s, QStringLiteral("code LIKE code"), QStringLiteral("name")),
              (QStringList{QStringLiteral("r1"), QStringLiteral("r2"), QStringLiteral("r3"),
                           QStringLiteral("r4")}));
}

TEST(FilterExpr, InListsCompareEachItemAndFollowNullRules) {
    const RecordSet s = typedSet();
    const struct {
        const char* filter;
        std::vector<const char*> expected;
    } cases[] = {
        {"code IN ('9', 'abc')", {"r2", "r3"}},
        {"qty in (5, -1)", {"r1", "r2"}},
        {"qty IN ('5')", {"r1"}},
        {"qty NOT IN (5)", {"r2", "r3"}},
        {"qty IN (5, NULL)", {"r1"}},
        // x NOT IN (…, NULL) is never true.
        {"qty NOT IN (5, NULL)", {}},
        {"name in ('r4')", {"r4"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.filter);
        EXPECT_EQ(passing(s, QString::fromUtf8(c.filter), QStringLiteral("name")),
                  names(c.expected));
    }
}

TEST(FilterExpr, FunctionsFollowTheirSqlMeaning) {
    RecordSet s;
    s.addField(QStringLiteral("t"), FieldType::Text);
    s.addField(QStringLiteral("n"), FieldType::Integer);
    s.appendRow({QStringLiteral("abcdef"), 15});
    const struct {
        const char* filter;
        bool expected;
    } cases[] = {
        {"SUBSTRING(t,1,3) = 'abc'", true},
        {"SUBSTRING(t,0,3) = 'ab'", true},
        {"SUBSTRING(t,-1,3) = 'a'", true},
        {"SUBSTRING(t,5,10) = 'ef'", true},
        {"SUBSTRING(t,7,2) = ''", true},
        {"SUBSTRING(t,3) = 'cdef'", true},
        {"SUBSTRING(t,2,0) = ''", true},
        {"SUBSTRING(t,'2',2) = 'bc'", true},
        {"substr(t,2,2) = 'bc'", true},
        {"SUBSTRING(n,1,1) = '1'", true},
        {"SUBSTRING(n,1,1) = 1", true},
        {"UPPER(t) = 'ABCDEF'", true},
        {"LOWER(UPPER(t)) = t", true},
        {"UPPER(SUBSTRING(t,2,2)) = 'BC'", true},
        {"TRIM(UPPER('  ab ')) = 'AB'", true},
        {"SUBSTRING(UPPER(t), 2, 3) = 'BCD'", true},
        {"LTRIM('  ab ') = 'ab '", true},
        {"RTRIM('  ab ') = '  ab'", true},
        {"LEN(t) = 6", true},
        {"LEN(t) > 6", false},
        {"LEN(SUBSTRING(t, 2, 3)) = 3", true},
        {"SUBSTRING(t,1,3) = 'abd'", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.filter);
        EXPECT_EQ(passing(s, QString::fromUtf8(c.filter), QStringLiteral("t")).size(),
                  c.expected ? 1 : 0);
    }
    RecordSet z;
    z.addField(QStringLiteral("t"), FieldType::Text);
    z.appendRow({QStringLiteral("进货单")});
    EXPECT_EQ(passing(z, QStringLiteral("SUBSTRING(t,2,1) = '货'"), QStringLiteral("t")).size(), 1);
}

TEST(FilterExpr, CaseInsensitiveOptionAppliesToComparisonsLikeAndIn) {
    RecordSet s;
    s.addField(QStringLiteral("t"), FieldType::Text);
    s.appendRow({QStringLiteral("abc")});
    s.appendRow({QStringLiteral("ABD")});
    const FilterOptions ci{true};
    const QStringList abc{QStringLiteral("abc")};
    EXPECT_EQ(passing(s, QStringLiteral("t = 'ABC'"), QStringLiteral("t")), QStringList());
    EXPECT_EQ(passing(s, QStringLiteral("t = 'ABC'"), QStringLiteral("t"), ci), abc);
    EXPECT_EQ(passing(s, QStringLiteral("t LIKE 'a%'"), QStringLiteral("t")), abc);
    EXPECT_EQ(passing(s, QStringLiteral("t LIKE 'a%'"), QStringLiteral("t"), ci),
              (QStringList{QStringLiteral("abc"), QStringLiteral("ABD")}));
    EXPECT_EQ(passing(s, QStringLiteral("t LIKE '_b_'"), QStringLiteral("t"), ci).size(), 2);
    EXPECT_EQ(passing(s, QStringLiteral("t IN ('ABC')"), QStringLiteral("t"), ci), abc);
    // Ordering: 'abd' < 'ABD' is false case-sensitively ('A' < 'a') but equal ignoring case.
    EXPECT_EQ(passing(s, QStringLiteral("t >= 'abd'"), QStringLiteral("t"), ci),
              QStringList{QStringLiteral("ABD")});
}

TEST(FilterExpr, MalformedTextsNameThePosition) {
    const RecordSet s = menu();
    const struct {
        const char* filter;
        int position;
        const char* detail;
    } cases[] = {
        {"code = ", 8, "条件不完整"},
        {"code = 'abc", 8, "单引号"},
        {"(code = '1'", 12, "右括号"},
        {"code = '1')", 11, "多余的右括号"},
        {"nosuch = 1", 1, "字段[nosuch]不存在"},
        {"UPPER(nosuch) = 'A'", 7, "字段[nosuch]不存在"},
        {"code = '1' AND", 15, "条件不完整"},
        {"code # 1", 6, "不认识的字符 '#'"},
        {"SUBSTRING(code) = '3'", 1, "需要 2 或 3 个参数"},
        {"FOO(code) = 1", 1, "未知的函数 FOO"},
        {"sonnum = 'abc'", 10, "'abc' 不是数值"},
        {"code", 5, "缺少比较运算符"},
        {"sonnum = 1 = 2", 12, "不能连用"},
        {"code = \"x\"", 8, "单引号"},
        {"sonnum = 1 leveal = 2", 12, "多余的内容 'leveal'"},
        {"[code = '1'", 1, "']'"},
        {"sonnum IS 1", 11, "NULL"},
        {"sonnum = -x", 10, "应为数字"},
        {"code IN ('1', '2'", 18, "条件不完整"},
        {"12abc = 1", 3, "'a'"},
        {"code = AND", 8, "'AND'"},
        {"sonnum = '2024-01-01' AND", 10, "不是数值"},
        {"sonnum", 7, "缺少比较运算符"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.filter);
        const QString message = errorOf(QString::fromUtf8(c.filter), s);
        const QString head = QStringLiteral("过滤条件错误: 第 %1 个字符处 ").arg(c.position);
        EXPECT_TRUE(message.startsWith(head)) << message.toStdString();
        EXPECT_TRUE(message.contains(QString::fromUtf8(c.detail))) << message.toStdString();
    }
}

TEST(FilterExpr, ComparingDatesWithNumbersOrBlobsIsRefused) {
    RecordSet s;
    s.addField(QStringLiteral("d"), FieldType::Date);
    s.addField(QStringLiteral("pic"), FieldType::Blob);
    EXPECT_TRUE(errorOf(QStringLiteral("d = 5"), s).contains(QStringLiteral("不是日期")));
    EXPECT_TRUE(errorOf(QStringLiteral("d = 'tomorrow'"), s).contains(QStringLiteral("不是日期")));
    EXPECT_TRUE(
        errorOf(QStringLiteral("pic = 'x'"), s).contains(QStringLiteral("二进制字段[pic]")));
    EXPECT_EQ(errorOf(QStringLiteral("pic IS NULL"), s), QStringLiteral("<no error>"));
}

TEST(FilterExpr, BlankTextIsTheEmptyFilterAndColumnsListsTheFieldsRead) {
    const RecordSet s = menu();
    const FilterExpr empty = FilterExpr::compile(QStringLiteral("   "), s.fields());
    EXPECT_TRUE(empty.isEmpty());
    EXPECT_TRUE(empty.matches(s.row(0)));
    const FilterExpr f = FilterExpr::compile(
        QStringLiteral("leveal = 2 AND SUBSTRING(code,1,4) = '3003' AND sonnum = 0 OR code = '1'"),
        s.fields());
    EXPECT_FALSE(f.isEmpty());
    EXPECT_EQ(f.columns(), (QList<int>{0, 1, 4}));
    // A copy shares the compiled tree and means the same.
    const FilterExpr copy = f;
    for (int r = 0; r < s.rowCount(); ++r)
        EXPECT_EQ(copy.matches(s.row(r)), f.matches(s.row(r)));
}

}  // namespace
