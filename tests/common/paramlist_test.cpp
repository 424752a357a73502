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
    for (const char* i : items)
        l.append(s(i));
    return l;
}

// Runs f and returns the message of the DytError it throws ("" when it throws none).
using dyt::test::errorOf;

TEST(ParamList, SetValueAppendsOrReplacesTheFirstLineOfThatName) {
    ParamList p;
    p.setValue(u"QueryType"_s, u"SPXSTJ"_s);
    p.setValue(u"BeginDate"_s, u"2024-01-01"_s);
    EXPECT_EQ(p.text(), u"QueryType=SPXSTJ\r\nBeginDate=2024-01-01"_s);
    // Any letter case finds the line; the line keeps its own spelling of the name.
    p.setValue(u"QUERYTYPE"_s, u"XSMXZB"_s);
    EXPECT_EQ(p.lines(), list({"QueryType=XSMXZB", "BeginDate=2024-01-01"}));
    EXPECT_EQ(p.value(u"querytype"_s), u"XSMXZB"_s);
    EXPECT_EQ(p.count(), 2);
    // Chinese names too; blanks are part of the name.
    p.setValue(u"数量"_s, u"1"_s);
    EXPECT_EQ(p.value(u"数量"_s), u"1"_s);
    EXPECT_FALSE(p.contains(u"querytyp"_s));
    EXPECT_FALSE(p.contains(u"querytype "_s));
    // With a repeated name only the first line is read and replaced.
    ParamList twice(u"a=1\r\nA=2"_s);
    EXPECT_EQ(twice.value(u"a"_s), u"1"_s);
    twice.setValue(u"a"_s, u"3"_s);
    EXPECT_EQ(twice.lines(), list({"a=3", "A=2"}));
}

TEST(ParamList, ValueSplitsAtTheFirstEqualsSign) {
    ParamList p(u"filter=;qty=1\r\nsql=a=b=c\r\nempty=\r\n=noname"_s);
    EXPECT_EQ(p.value(u"filter"_s), u";qty=1"_s);
    EXPECT_EQ(p.value(u"sql"_s), u"a=b=c"_s);
    EXPECT_EQ(p.value(u"empty"_s), QString());
    EXPECT_TRUE(p.contains(u"empty"_s));
    EXPECT_FALSE(p.contains(u"missing"_s));
    EXPECT_EQ(p.value(u"missing"_s, u"dflt"_s), u"dflt"_s);
    EXPECT_EQ(p.value(u"empty"_s, u"dflt"_s), QString());  // present, though empty
    // A name is the whole text before "=", not a prefix of it.
    EXPECT_FALSE(p.contains(u"fil"_s));
    EXPECT_FALSE(p.contains(u"filter=;qty"_s));
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
    EXPECT_FALSE(p.contains(u"dytv1Default"_s));
    EXPECT_FALSE(p.contains(u"dytv1"_s));
    EXPECT_EQ(p.value(u"UpdateFlag"_s), u"Check"_s);
    p.setValue(u"UpdateFlag"_s, u"Update"_s);
    EXPECT_EQ(p.line(9), u"UpdateFlag=Update"_s);
    EXPECT_EQ(p.count(), 12);
    EXPECT_EQ(p.nameAt(0), QString());
    EXPECT_EQ(p.valueAt(0), u"dytv1Default"_s);
    EXPECT_EQ(p.nameAt(10), u"LoginType"_s);
    EXPECT_EQ(p.valueAt(10), u"0"_s);
    EXPECT_EQ(p.names(), list({"UpdateFlag", "LoginType"}));
    // The text carries every line, the empty one too, in order.
    EXPECT_EQ(ParamList(p.text()).lines(), p.lines());
    EXPECT_TRUE(
        p.text().startsWith(u"dytv1Default\r\n默认账套\r\n管理员\r\nPC-01\r\n\r\nABCD1234"_s));
}

TEST(ParamList, SetTextAcceptsEveryLineBreakAndTextPutsCrLf) {
    struct Row {
        const char* name;
        const char* text;
        std::vector<const char*> lines;
    };
    const std::vector<Row> rows{
        {"empty", "", {}}, {"one line", "a=1", {"a=1"}}, {"CR LF", "a=1\r\nb=2", {"a=1", "b=2"}},
        {"LF", "a=1\nb=2", {"a=1", "b=2"}}, {"lone CR", "a=1\rb=2", {"a=1", "b=2"}},
        {"mixed", "a=1\r\nb=2\nc=3\rd=4", {"a=1", "b=2", "c=3", "d=4"}},
        {"final break dropped", "a=1\r\n", {"a=1"}}, {"final LF dropped", "a=1\n", {"a=1"}},
        {"only one final break dropped", "a=1\r\n\r\n", {"a=1", ""}},
        {"empty lines inside", "a=1\r\n\r\nb=2", {"a=1", "", "b=2"}},
        {"LF CR is two breaks", "a=1\n\rb=2", {"a=1", "", "b=2"}},
        {"CR CR LF", "a=1\r\r\nb=2", {"a=1", "", "b=2"}}, {"a lone break", "\r\n", {""}}};
    for (const Row& r : rows) {
        ParamList p(QString::fromUtf8(r.text));
        QStringList expected;
        for (const char* l : r.lines)
            expected.append(s(l));
        EXPECT_EQ(p.lines(), expected) << r.name;
    }
    // The text puts CR LF between lines and round trips.
    ParamList p;
    EXPECT_EQ(p.text(), QString());
    p.setValue(u"czy_id"_s, u"1"_s);
    EXPECT_EQ(p.text(), u"czy_id=1"_s);
    p.setValue(u"wldwStr"_s, u";czy_id=1;id=;issub=1;Other=1"_s);
    p.setValue(u"comment"_s, u"备注 = 中文"_s);
    EXPECT_EQ(p.text(),
              u"czy_id=1\r\nwldwStr=;czy_id=1;id=;issub=1;Other=1\r\ncomment=备注 = 中文"_s);
    ParamList back;
    back.setText(p.text());
    EXPECT_EQ(back, p);
    // setText replaces the whole list.
    back.setText(u"x=1"_s);
    EXPECT_EQ(back.lines(), list({"x=1"}));
}

TEST(ParamList, LineBreaksInsideALineAreRefusedAndNothingChanges) {
    ParamList p(u"a=1\r\nb=2"_s);
    const QStringList before = p.lines();
    for (const char* bad : {"x\ry", "x\ny", "x\r\ny", "\n", "tail\r"}) {
        const QString v = s(bad);
        EXPECT_EQ(errorOf([&] { p.setValue(u"a"_s, v); }),
                  u"参数[a]的值不能含有换行符，请去掉回车或换行后再试"_s);
        EXPECT_EQ(errorOf([&] { p.setValue(u"new"_s, v); }),
                  u"参数[new]的值不能含有换行符，请去掉回车或换行后再试"_s);
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
        EXPECT_EQ(errorOf([&] { p.setValue(name, u"1"_s); }),
                  u"参数名[%1]无效：参数名不能为空，也不能含有等号或换行符"_s.arg(name))
            << bad;
    }
    EXPECT_TRUE(p.isEmpty());
    // Looking up such names finds nothing rather than failing.
    ParamList q(u"a=b=c"_s);
    EXPECT_FALSE(q.contains(u"a=b"_s));
    EXPECT_EQ(q.value(u"a=b"_s, u"none"_s), u"none"_s);
}

TEST(ParamList, RemoveContainsClearAndNames) {
    ParamList p(u"a=1\r\nB=2\r\nA=3\r\nraw\r\nc=4"_s);
    EXPECT_EQ(p.remove(u"A"_s), 2);
    EXPECT_EQ(p.lines(), list({"B=2", "raw", "c=4"}));
    EXPECT_EQ(p.remove(u"a"_s), 0);
    EXPECT_EQ(p.remove(u"raw"_s), 0);  // a line without "=" has no name
    EXPECT_EQ(p.remove(QString()), 0);
    EXPECT_FALSE(p.contains(u"a"_s));
    EXPECT_TRUE(p.contains(u"b"_s));
    EXPECT_EQ(p.indexOfName(u"C"_s), 2);
    EXPECT_EQ(p.names(), list({"B", "c"}));
    p.clear();
    EXPECT_TRUE(p.isEmpty());
    EXPECT_EQ(p.text(), QString());
}

TEST(ParamList, IndexAccessToRawLines) {
    ParamList p;
    p.appendLine(u"first"_s);
    p.appendLine(u"b=2"_s);
    p.insertLine(0, u"zero=0"_s);
    p.insertLine(3, u"last"_s);  // insert at the end is allowed
    EXPECT_EQ(p.lines(), list({"zero=0", "first", "b=2", "last"}));
    p.setLine(1, u"one=1"_s);
    EXPECT_EQ(p.value(u"one"_s), u"1"_s);
    p.removeAt(0);
    EXPECT_EQ(p.lines(), list({"one=1", "b=2", "last"}));
    EXPECT_EQ(p.line(2), u"last"_s);
    EXPECT_EQ(p.nameAt(1), u"b"_s);
    EXPECT_EQ(p.valueAt(1), u"2"_s);
    for (qsizetype bad : {qsizetype(-1), qsizetype(3), qsizetype(100)}) {
        EXPECT_EQ(errorOf([&] { (void)p.line(bad); }), u"参数行号%1超出范围（共3行）"_s.arg(bad));
        EXPECT_FALSE(errorOf([&] { p.setLine(bad, u"x"_s); }).isEmpty());
        EXPECT_FALSE(errorOf([&] { p.removeAt(bad); }).isEmpty());
        EXPECT_FALSE(errorOf([&] { (void)p.nameAt(bad); }).isEmpty());
    }
    EXPECT_FALSE(errorOf([&] { p.insertLine(4, u"x"_s); }).isEmpty());
    EXPECT_FALSE(errorOf([&] { p.insertLine(-1, u"x"_s); }).isEmpty());
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
    for (const Row& r : std::vector<Row>{
        {"n", 42}, {"N", 42}, {"neg", -7}, {"spaced", 12},
        {"big", std::numeric_limits<qint64>::max()}, {"over", -1}, {"text", -1}, {"frac", -1},
        {"empty", -1}, {"missing", -1}}) {
        EXPECT_EQ(p.intValue(s(r.name), -1), r.expected) << r.name;
    }
    EXPECT_EQ(p.intValue(u"missing"_s), 0);
    p.setInt(u"n"_s, -123456789012LL);
    EXPECT_EQ(p.value(u"n"_s), u"-123456789012"_s);
    EXPECT_EQ(p.intValue(u"n"_s), -123456789012LL);
}

TEST(ParamList, DoubleAccessors) {
    ParamList p(u"price=12.5\r\nneg=-0.25\r\nexp=1e3\r\nspaced= 3.75 \r\ncomma=1,5\r\ntext=x"_s);
    // "." is the only decimal point.
    const std::pair<const char*, double> cases[] = {
        {"price", 12.5},  {"PRICE", 12.5}, {"neg", -0.25}, {"exp", 1000.0},
        {"spaced", 3.75}, {"comma", -1.0}, {"text", -1.0}, {"missing", -1.0}};
    for (const auto& [name, expected] : cases)
        EXPECT_EQ(p.doubleValue(s(name), -1.0), expected) << name;
    for (double v : {0.1, 1.0 / 3.0, -2.5e-7, 123456789.125, 0.0}) {
        p.setDouble(u"v"_s, v);
        EXPECT_EQ(p.doubleValue(u"v"_s), v) << p.value(u"v"_s).toStdString();
    }
    p.setDouble(u"v"_s, 0.1);
    EXPECT_EQ(p.value(u"v"_s), u"0.1"_s);
    p.setDouble(u"v"_s, 2.0);
    EXPECT_EQ(p.value(u"v"_s), u"2"_s);
}

// The escape for values with line breaks.
TEST(ParamListLineBreaks, EscapedValuesFitALineAndReadBackAsTheyWere) {
    const QList<QPair<QString, QString>> cases = {{u"第一行\r\n第二行"_s, u"第一行\\r\\n第二行"_s},
                                                  {u"a\nb\rc"_s, u"a\\nb\\rc"_s},
                                                  {u"C:\\new\\r"_s, u"C:\\\\new\\\\r"_s},
                                                  {u"plain"_s, u"plain"_s},
                                                  {QString(), QString()}};
    for (const auto& [value, escaped] : cases) {
        EXPECT_EQ(escaped, dyt::encodeLineBreaks(value));
        EXPECT_EQ(value, dyt::decodeLineBreaks(dyt::encodeLineBreaks(value)));
        ParamList p;
        p.setValue(u"comment"_s, dyt::encodeLineBreaks(value));
        EXPECT_EQ(value, dyt::decodeLineBreaks(ParamList(p.text()).value(u"comment"_s)));
    }
    // A backslash that starts no escape is kept.
    EXPECT_EQ(u"a\\tb"_s, dyt::decodeLineBreaks(u"a\\tb"_s));
    EXPECT_EQ(u"end\\"_s, dyt::decodeLineBreaks(u"end\\"_s));
}

}  // namespace

TEST(ParamList, LongListsFindNamesAfterEveryKindOfChange) {
    ParamList p;
    for (int i = 0; i < 40; ++i)
        p.setInt(QStringLiteral("f%1").arg(i), i);
    p.appendLine(QStringLiteral("F3=again"));  // a later line of a name already there
    p.removeAt(0);                                  // f0 gone, every line moves up
    p.insertLine(5, QStringLiteral("new=1"));
    p.setLine(10, QStringLiteral("renamed=9"));     // the line that held f10
    p.remove(QStringLiteral("f20"));
    const std::pair<const char*, qsizetype> cases[] = {
        {"f0", -1},      {"f1", 0},   {"F3", 2},   {"f5", 4},   {"new", 5},  {"f6", 6},
        {"f9", 9},       {"f10", -1}, {"renamed", 10}, {"f20", -1}, {"f21", 20}, {"f39", 38}};
    for (const auto& [name, at] : cases)
        EXPECT_EQ(at, p.indexOfName(QString::fromLatin1(name))) << name;
    p.setText(QStringLiteral("a=1\r\nb=2"));
    EXPECT_EQ(-1, p.indexOfName(QStringLiteral("f1")));
    EXPECT_EQ(QStringLiteral("2"), p.value(QStringLiteral("B")));
}
