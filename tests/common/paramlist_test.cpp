#include <gtest/gtest.h>

#include "common/error.h"
#include "common/paramlist.h"
#include "support/testutil.h"

#include <cmath>
#include <limits>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

using dyt::DytError;
using dyt::ParamList;

QString s(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QStringList list(std::initializer_list<const char*> items) {
    QStringList l;
    for (const char* i : items) {
        l.append(s(i));
    }
    return l;
}

// Runs f and returns the message of the DytError it throws ("" when it throws none).
using dyt::test::errorOf;

TEST(ParamList, SetValueAppendsOrReplacesTheFirstLineOfThatName) {
    ParamList p;
    p.setValue(s("QueryType"), s("SPXSTJ"));
    p.setValue(s("BeginDate"), s("2024-01-01"));
    EXPECT_EQ(p.text(), s("QueryType=SPXSTJ\r\nBeginDate=2024-01-01"));
    // Any letter case finds the line; the line keeps its own spelling of the name.
    p.setValue(s("QUERYTYPE"), s("XSMXZB"));
    EXPECT_EQ(p.lines(), list({"QueryType=XSMXZB", "BeginDate=2024-01-01"}));
    EXPECT_EQ(p.value(s("querytype")), s("XSMXZB"));
    EXPECT_EQ(p.count(), 2);

    // With a repeated name only the first line is read and replaced.
    ParamList twice(s("a=1\r\nA=2"));
    EXPECT_EQ(twice.value(s("a")), s("1"));
    twice.setValue(s("a"), s("3"));
    EXPECT_EQ(twice.lines(), list({"a=3", "A=2"}));
}

TEST(ParamList, ValueSplitsAtTheFirstEqualsSign) {
    ParamList p(s("filter=;qty=1\r\nsql=a=b=c\r\nempty=\r\n=noname"));
    EXPECT_EQ(p.value(s("filter")), s(";qty=1"));
    EXPECT_EQ(p.value(s("sql")), s("a=b=c"));
    EXPECT_EQ(p.value(s("empty")), QString());
    EXPECT_TRUE(p.contains(s("empty")));
    EXPECT_FALSE(p.contains(s("missing")));
    EXPECT_EQ(p.value(s("missing"), s("dflt")), s("dflt"));
    EXPECT_EQ(p.value(s("empty"), s("dflt")), QString());  // present, though empty
    // A name is the whole text before "=", not a prefix of it.
    EXPECT_FALSE(p.contains(s("fil")));
    EXPECT_FALSE(p.contains(s("filter=;qty")));
    EXPECT_EQ(p.value(QString()), QString());
    EXPECT_EQ(p.names(), list({"filter", "sql", "empty"}));
}

// The login request starts with lines that have no "=" (account-set names, host, version ...).
TEST(ParamList, LinesWithoutEqualsAreKeptButNeverFoundByName) {
    ParamList p;
    for (const char* l : {"dytv1Default", "默认账套", "管理员", "PC-01", "", "ABCD1234", "1",
                          "正式版", "dytv1", "UpdateFlag=Check", "LoginType=0", "V11.0.140215"}) {
        p.appendLine(s(l));
    }
    EXPECT_FALSE(p.contains(s("dytv1Default")));
    EXPECT_FALSE(p.contains(s("dytv1")));
    EXPECT_EQ(p.value(s("UpdateFlag")), s("Check"));
    p.setValue(s("UpdateFlag"), s("Update"));
    EXPECT_EQ(p.line(9), s("UpdateFlag=Update"));
    EXPECT_EQ(p.count(), 12);
    EXPECT_EQ(p.nameAt(0), QString());
    EXPECT_EQ(p.valueAt(0), s("dytv1Default"));
    EXPECT_EQ(p.nameAt(10), s("LoginType"));
    EXPECT_EQ(p.valueAt(10), s("0"));
    EXPECT_EQ(p.names(), list({"UpdateFlag", "LoginType"}));
    // The text carries every line, the empty one too, in order.
    EXPECT_EQ(ParamList(p.text()).lines(), p.lines());
    EXPECT_TRUE(
        p.text().startsWith(s("dytv1Default\r\n默认账套\r\n管理员\r\nPC-01\r\n\r\nABCD1234")));
}

TEST(ParamList, SetTextAcceptsEveryLineBreak) {
    struct Row {
        const char* name;
        const char* text;
        std::vector<const char*> lines;
    };
    const std::vector<Row> rows{{"empty", "", {}},
                                {"one line", "a=1", {"a=1"}},
                                {"CR LF", "a=1\r\nb=2", {"a=1", "b=2"}},
                                {"LF", "a=1\nb=2", {"a=1", "b=2"}},
                                {"lone CR", "a=1\rb=2", {"a=1", "b=2"}},
                                {"mixed", "a=1\r\nb=2\nc=3\rd=4", {"a=1", "b=2", "c=3", "d=4"}},
                                {"final break dropped", "a=1\r\n", {"a=1"}},
                                {"final LF dropped", "a=1\n", {"a=1"}},
                                {"only one final break dropped", "a=1\r\n\r\n", {"a=1", ""}},
                                {"empty lines inside", "a=1\r\n\r\nb=2", {"a=1", "", "b=2"}},
                                {"LF CR is two breaks", "a=1\n\rb=2", {"a=1", "", "b=2"}},
                                {"CR CR LF", "a=1\r\r\nb=2", {"a=1", "", "b=2"}},
                                {"a lone break", "\r\n", {""}}};
    for (const Row& r : rows) {
        ParamList p(QString::fromUtf8(r.text));
        QStringList expected;
        for (const char* l : r.lines) {
            expected.append(s(l));
        }
        EXPECT_EQ(p.lines(), expected) << r.name;
    }
}

TEST(ParamList, TextPutsCrLfBetweenLinesAndRoundTrips) {
    ParamList p;
    EXPECT_EQ(p.text(), QString());
    p.setValue(s("czy_id"), s("1"));
    EXPECT_EQ(p.text(), s("czy_id=1"));
    p.setValue(s("wldwStr"), s(";czy_id=1;id=;issub=1;Other=1"));
    p.setValue(s("comment"), s("备注 = 中文"));
    EXPECT_EQ(p.text(),
              s("czy_id=1\r\nwldwStr=;czy_id=1;id=;issub=1;Other=1\r\ncomment=备注 = 中文"));
    ParamList back;
    back.setText(p.text());
    EXPECT_EQ(back, p);
    // setText replaces the whole list.
    back.setText(s("x=1"));
    EXPECT_EQ(back.lines(), list({"x=1"}));
}

TEST(ParamList, LineBreaksInsideALineAreRefusedAndNothingChanges) {
    ParamList p(s("a=1\r\nb=2"));
    const QStringList before = p.lines();
    for (const char* bad : {"x\ry", "x\ny", "x\r\ny", "\n", "tail\r"}) {
        const QString v = s(bad);
        EXPECT_EQ(errorOf([&] { p.setValue(s("a"), v); }),
                  s("参数[a]的值不能含有换行符，请去掉回车或换行后再试"));
        EXPECT_EQ(errorOf([&] { p.setValue(s("new"), v); }),
                  s("参数[new]的值不能含有换行符，请去掉回车或换行后再试"));
        EXPECT_FALSE(errorOf([&] { p.appendLine(v); }).isEmpty());
        EXPECT_FALSE(errorOf([&] { p.setLine(0, v); }).isEmpty());
        EXPECT_FALSE(errorOf([&] { p.insertLine(0, v); }).isEmpty());
    }
    EXPECT_EQ(p.lines(), before);
}

TEST(ParamList, InvalidNamesAreRefused) {
    ParamList p;
    for (const char* bad : {"", "a=b", "=", "a\nb", "a\r"}) {
        const QString name = s(bad);
        EXPECT_EQ(errorOf([&] { p.setValue(name, s("1")); }),
                  u"参数名[%1]无效：参数名不能为空，也不能含有等号或换行符"_s.arg(name))
            << bad;
    }
    EXPECT_TRUE(p.isEmpty());
    // Looking up such names finds nothing rather than failing.
    ParamList q(s("a=b=c"));
    EXPECT_FALSE(q.contains(s("a=b")));
    EXPECT_EQ(q.value(s("a=b"), s("none")), s("none"));
}

TEST(ParamList, RemoveContainsClearAndNames) {
    ParamList p(s("a=1\r\nB=2\r\nA=3\r\nraw\r\nc=4"));
    EXPECT_EQ(p.remove(s("A")), 2);
    EXPECT_EQ(p.lines(), list({"B=2", "raw", "c=4"}));
    EXPECT_EQ(p.remove(s("a")), 0);
    EXPECT_EQ(p.remove(s("raw")), 0);  // a line without "=" has no name
    EXPECT_EQ(p.remove(QString()), 0);
    EXPECT_FALSE(p.contains(s("a")));
    EXPECT_TRUE(p.contains(s("b")));
    EXPECT_EQ(p.indexOfName(s("C")), 2);
    EXPECT_EQ(p.names(), list({"B", "c"}));
    p.clear();
    EXPECT_TRUE(p.isEmpty());
    EXPECT_EQ(p.text(), QString());
}

TEST(ParamList, IndexAccessToRawLines) {
    ParamList p;
    p.appendLine(s("first"));
    p.appendLine(s("b=2"));
    p.insertLine(0, s("zero=0"));
    p.insertLine(3, s("last"));  // insert at the end is allowed
    EXPECT_EQ(p.lines(), list({"zero=0", "first", "b=2", "last"}));
    p.setLine(1, s("one=1"));
    EXPECT_EQ(p.value(s("one")), s("1"));
    p.removeAt(0);
    EXPECT_EQ(p.lines(), list({"one=1", "b=2", "last"}));
    EXPECT_EQ(p.line(2), s("last"));
    EXPECT_EQ(p.nameAt(1), s("b"));
    EXPECT_EQ(p.valueAt(1), s("2"));

    for (qsizetype bad : {qsizetype(-1), qsizetype(3), qsizetype(100)}) {
        EXPECT_EQ(errorOf([&] { (void)p.line(bad); }), u"参数行号%1超出范围（共3行）"_s.arg(bad));
        EXPECT_FALSE(errorOf([&] { p.setLine(bad, s("x")); }).isEmpty());
        EXPECT_FALSE(errorOf([&] { p.removeAt(bad); }).isEmpty());
        EXPECT_FALSE(errorOf([&] { (void)p.nameAt(bad); }).isEmpty());
    }
    EXPECT_FALSE(errorOf([&] { p.insertLine(4, s("x")); }).isEmpty());
    EXPECT_FALSE(errorOf([&] { p.insertLine(-1, s("x")); }).isEmpty());
    EXPECT_EQ(p.count(), 3);
}

TEST(ParamList, IntegerAccessors) {
    ParamList p(
        s("n=42\r\nneg=-7\r\nspaced= 12 \r\nbig=9223372036854775807\r\n"
          "over=9223372036854775808\r\ntext=abc\r\nfrac=1.5\r\nempty="));
    struct Row {
        const char* name;
        qint64 expected;
    };
    for (const Row& r : std::vector<Row>{{"n", 42},
                                         {"N", 42},
                                         {"neg", -7},
                                         {"spaced", 12},
                                         {"big", std::numeric_limits<qint64>::max()},
                                         {"over", -1},
                                         {"text", -1},
                                         {"frac", -1},
                                         {"empty", -1},
                                         {"missing", -1}}) {
        EXPECT_EQ(p.intValue(s(r.name), -1), r.expected) << r.name;
    }
    EXPECT_EQ(p.intValue(s("missing")), 0);
    p.setInt(s("n"), -123456789012LL);
    EXPECT_EQ(p.value(s("n")), s("-123456789012"));
    EXPECT_EQ(p.intValue(s("n")), -123456789012LL);
}

TEST(ParamList, DoubleAccessors) {
    ParamList p(s("price=12.5\r\nneg=-0.25\r\nexp=1e3\r\nspaced= 3.75 \r\ncomma=1,5\r\ntext=x"));
    EXPECT_EQ(p.doubleValue(s("price")), 12.5);
    EXPECT_EQ(p.doubleValue(s("PRICE")), 12.5);
    EXPECT_EQ(p.doubleValue(s("neg")), -0.25);
    EXPECT_EQ(p.doubleValue(s("exp")), 1000.0);
    EXPECT_EQ(p.doubleValue(s("spaced")), 3.75);
    EXPECT_EQ(p.doubleValue(s("comma"), -1.0), -1.0);  // "." is the only decimal point
    EXPECT_EQ(p.doubleValue(s("text"), -1.0), -1.0);
    EXPECT_EQ(p.doubleValue(s("missing"), 7.0), 7.0);

    for (double v : {0.1, 1.0 / 3.0, -2.5e-7, 123456789.125, 0.0}) {
        p.setDouble(s("v"), v);
        EXPECT_EQ(p.doubleValue(s("v")), v) << p.value(s("v")).toStdString();
    }
    p.setDouble(s("v"), 0.1);
    EXPECT_EQ(p.value(s("v")), s("0.1"));
    p.setDouble(s("v"), 2.0);
    EXPECT_EQ(p.value(s("v")), s("2"));
}

TEST(ParamList, NamesAreComparedWithoutCaseForChineseAndLatin) {
    ParamList p;
    p.setValue(s("数量"), s("1"));
    p.setValue(s("Dj_Caption"), s("进货单"));
    EXPECT_EQ(p.value(s("数量")), s("1"));
    EXPECT_EQ(p.value(s("DJ_CAPTION")), s("进货单"));
    EXPECT_EQ(p.value(s("dj_caption")), s("进货单"));
    EXPECT_FALSE(p.contains(s("dj_captio")));
    EXPECT_FALSE(p.contains(s("dj_caption ")));  // blanks are part of the name
}

}  // namespace
