// The shared lookups and the SQL they send, quoting, date presets, SQL scripts, FailIf, print.ini.

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>

#include "client/common/lookupwidgets.h"
#include "client/logic/settings.h"
#include "common/error.h"
#include "common/gbk.h"
#include "common/inifile.h"
#include "common/recordset.h"
#include "dmtest_support.h"
#include "protocol/protocol.h"
#include "support/testutil.h"

using namespace dyt;
using namespace dyt::client;
using dyt::test::DmFixture;

namespace {

using dyt::test::errorOf;

QDate d(int y, int m, int day) {
    return QDate(y, m, day);
}

}  // namespace

TEST(quotedStr, DoublesEveryInnerQuote) {
    const QList<QPair<QString, QString>> cases{{u"abc"_s, u"'abc'"_s}, {QString(), u"''"_s},
        {u"O'Brien"_s, u"'O''Brien'"_s}, {u"'"_s, u"''''"_s},
        {u"a'';drop table x--"_s, u"'a'''';drop table x--'"_s}, {u"预收账款"_s, u"'预收账款'"_s}};
    for (const auto& c : cases)
        EXPECT_EQ(c.second, quotedStr(c.first)) << c.first.toStdString();
}

TEST(DatePresets, EveryPresetOnAWednesdayInMay) {
    const QDate today = d(2024, 5, 15);  // a Wednesday
    struct Case {
        int no;
        QDate begin;
        QDate end;
    };
    const QList<Case> cases{
        {1, d(2024, 5, 15), d(2024, 5, 15)},   {2, d(2024, 5, 14), d(2024, 5, 14)},
        {3, d(2024, 5, 13), d(2024, 5, 19)},   {4, d(2024, 5, 6), d(2024, 5, 12)},
        {5, d(2024, 5, 1), d(2024, 5, 31)},    {6, d(2024, 4, 1), d(2024, 4, 30)},
        {7, d(2024, 1, 1), d(2024, 3, 31)},    {8, d(2024, 4, 1), d(2024, 6, 30)},
        {9, d(2024, 7, 1), d(2024, 9, 30)},    {10, d(2024, 10, 1), d(2024, 12, 31)},
        {11, d(2024, 1, 1), d(2024, 6, 30)},   {12, d(2024, 7, 1), d(2024, 12, 31)},
        {13, d(2024, 1, 1), d(2024, 12, 31)},  {14, d(2023, 1, 1), d(2023, 3, 31)},
        {15, d(2023, 4, 1), d(2023, 6, 30)},   {16, d(2023, 7, 1), d(2023, 9, 30)},
        {17, d(2023, 10, 1), d(2023, 12, 31)}, {18, d(2023, 1, 1), d(2023, 6, 30)},
        {19, d(2023, 7, 1), d(2023, 12, 31)},  {20, d(2023, 1, 1), d(2023, 12, 31)},
    };
    ASSERT_EQ(20, cases.size());
    for (const Case& c : cases) {
        QDate begin, end;
        ASSERT_TRUE(datePresetRange(c.no, today, &begin, &end)) << c.no;
        EXPECT_EQ(c.begin, begin) << "preset " << c.no;
        EXPECT_EQ(c.end, end) << "preset " << c.no;
    }
}
TEST(DatePresets, WeeksRunMondayToSunday) {
    struct Case {
        QDate today;
        QDate thisMonday;
    };
    const QList<Case> cases{
        {d(2024, 5, 19), d(2024, 5, 13)},  // Sunday: the week that began six days before
        {d(2024, 5, 13), d(2024, 5, 13)},  // Monday: its own week
        {d(2024, 5, 18), d(2024, 5, 13)},  // Saturday
        {d(2024, 1, 1), d(2024, 1, 1)},    // a Monday at the turn of the year
        {d(2023, 1, 1), d(2022, 12, 26)},  // a Sunday at the turn of the year
    };
    for (const Case& c : cases) {
        QDate begin, end;
        ASSERT_TRUE(datePresetRange(3, c.today, &begin, &end));
        EXPECT_EQ(c.thisMonday, begin) << c.today.toString().toStdString();
        EXPECT_EQ(c.thisMonday.addDays(6), end);
        ASSERT_TRUE(datePresetRange(4, c.today, &begin, &end));
        EXPECT_EQ(c.thisMonday.addDays(-7), begin);
        EXPECT_EQ(c.thisMonday.addDays(-1), end);
    }
}
// Months at the edges; numbers outside the list (no range) leave the dates unchanged.
TEST(DatePresets, MonthsAtTheEdgesAndNumbersOutsideTheList) {
    const struct {
        int no;
        QDate today, begin, end;
    } cases[] = {
        {6, d(2024, 1, 31), d(2023, 12, 1), d(2023, 12, 31)},  // "上月" in January
        {6, d(2024, 3, 31), d(2024, 2, 1), d(2024, 2, 29)},    // February of a leap year
        {5, d(2023, 2, 10), d(2023, 2, 1), d(2023, 2, 28)},    // and of a common year
        {2, d(2024, 1, 1), d(2023, 12, 31), d(2023, 12, 31)},  // "昨天" on the first of January
        {0, d(2024, 5, 15), {}, {}}, {-1, d(2024, 5, 15), {}, {}}, {21, d(2024, 5, 15), {}, {}},
    };
    for (const auto& c : cases) {
        QDate begin = d(2000, 1, 1), end = d(2000, 1, 2);
        EXPECT_EQ(c.begin.isValid(), datePresetRange(c.no, c.today, &begin, &end)) << c.no;
        EXPECT_EQ(c.begin.isValid() ? c.begin : d(2000, 1, 1), begin) << c.no;
        EXPECT_EQ(c.end.isValid() ? c.end : d(2000, 1, 2), end) << c.no;
    }
}
TEST(DatePresets, TheListAndItsApplication) {
    QComboBox combo;
    FillDatePresets(&combo);
    ASSERT_EQ(20, combo.count());
    for (int i = 0; i < combo.count(); ++i)
        EXPECT_EQ(i + 1, combo.itemData(i).toInt());
    QDateEdit begin(d(2000, 1, 1)), end(d(2000, 1, 1));
    combo.setCurrentIndex(11);  // "今年下半年"
    EXPECT_TRUE(ApplyDatePreset(&combo, &begin, &end, d(2024, 2, 10)));
    EXPECT_EQ(d(2024, 7, 1), begin.date());
    EXPECT_EQ(d(2024, 12, 31), end.date());
    combo.setCurrentIndex(-1);
    EXPECT_FALSE(ApplyDatePreset(&combo, &begin, &end, d(2020, 2, 10)));
    EXPECT_EQ(d(2024, 7, 1), begin.date());
    QComboBox other;
    other.addItem(u"自定义"_s, 0);
    EXPECT_FALSE(ApplyDatePreset(&other, &begin, &end, d(2020, 2, 10)));
    EXPECT_EQ(d(2024, 12, 31), end.date());
}

TEST(SqlScript, SplitsAtGoLinesAndLeavesOutUseAndLeadingComments) {
    const QString script = QStringLiteral(
        "USE dyt_data\r\n"
        "-- the first batch\r\n"
        "\r\n"
        "create table t1 (\r\n"
        "  USER_ID int,\r\n"
        "  -- a comment inside stays\r\n"
        "  name varchar(20))\r\n"
        "go\r\n"
        "  GO  \r\n"
        "use [other]\r\n"
        "insert into t1 values (1, 'a')\n"
        "USE other\n"
        "insert into t1 values (2, 'b')\n"
        "\tGo\t\n"
        "-- only a comment between\n"
        "GOTO done\n"
        "update t1 set name = 'c'");
    const QStringList expected{
        QStringLiteral("create table t1 (\r\n  USER_ID int,\r\n  -- a comment inside "
                       "stays\r\n  name varchar(20))"),
        u"insert into t1 values (1, 'a')\r\ninsert into t1 values (2, 'b')"_s,
        u"GOTO done\r\nupdate t1 set name = 'c'"_s};
    EXPECT_EQ(expected, splitSqlScript(script));
}
TEST(SqlScript, EmptyAndCommentOnlyScriptsHaveNoBatch) {
    EXPECT_EQ(QStringList(), splitSqlScript(QString()));
    EXPECT_EQ(QStringList(), splitSqlScript(u"GO\r\ngo\r\n-- x\r\nUSE a\r\n\r\n"_s));
    EXPECT_EQ(QStringList{u"select 1"_s}, splitSqlScript(u"select 1\rGO\r"_s));
}
class LookupsTest : public DmFixture {
protected:
    void SetUp() override {
        DmFixture::SetUp();
        resetSettings();
        connectLoggedIn();
    }
    void TearDown() override {
        resetSettings();
        DmFixture::TearDown();
    }
    void answer(const RecordSet& rs) {
        transport->respond(u"ExecQuery"_s, 0, {proto::recordSetToCbor(rs), QString()});
    }
    QString lastSql() const { return transport->calls().last().sql; }
    static RecordSet rows(const QString& field, FieldType type, const QVariantList& values) {
        RecordSet rs;
        rs.addField(field, type);
        for (const QVariant& v : values)
            rs.appendRow({v});
        return rs;
    }
};
TEST_F(LookupsTest, GetSysDataQuotesTheNameAndWantsOneRow) {
    answer(rows(u"value"_s, FieldType::Text, {u"  2024 "_s}));
    EXPECT_EQ(u"2024"_s, GetSysData(u"Current'Year"_s));
    EXPECT_EQ(u"SELECT dbo.fnGetSysData('Current''Year','') as value"_s, lastSql());
    answer(rows(u"value"_s, FieldType::Text, {u"a"_s, u"b"_s}));
    EXPECT_EQ(QString(), GetSysData(u"x"_s));
    EXPECT_EQ(QString(), GetSysData(u"x"_s));  // no row
}
TEST_F(LookupsTest, GetPurviewSendsTheOperatorAndTheQuotedRight) {
    loginedUser().UserId = 12;
    answer(rows(u"value"_s, FieldType::Integer, {1}));
    EXPECT_TRUE(GetPurview(u"600301"_s));
    EXPECT_EQ(u"SELECT dbo.fnGetPurview(12,'600301') as value"_s, lastSql());
    answer(rows(u"value"_s, FieldType::Integer, {0}));
    EXPECT_FALSE(GetPurview(u"600301"_s));
    EXPECT_FALSE(GetPurview(u"1'2"_s));
    EXPECT_EQ(u"SELECT dbo.fnGetPurview(12,'1''2') as value"_s, lastSql());
}
TEST_F(LookupsTest, PriceAndCostLookups) {
    answer(rows(u"price"_s, FieldType::Float, {12.5}));
    EXPECT_EQ(12.5, GetGoodsPrice(5, 10, 20, 3, d(2024, 2, 1)));
    EXPECT_EQ(u"SELECT dbo.fnGetGoodsPrice(0,5,10,20,3,'2024-02-01') as Price"_s, lastSql());
    answer(rows(u"Price"_s, FieldType::Float, {7.25}));
    EXPECT_EQ(7.25, GetCostTotal({1, 2, 3}));
    EXPECT_EQ(u"SELECT dbo.fnGetCostTotal(1,2,3) as Price"_s, lastSql());
    EXPECT_EQ(0.0, GetCostPrice({4, -5}));  // no row
    EXPECT_EQ(u"SELECT dbo.fnGetCostPrice(4,-5) as Price"_s, lastSql());
    answer(rows(u"price"_s, FieldType::Float, {3.0}));
    EXPECT_EQ(3.0, GetCostTotalOther(u"1,2'"_s, {8, 9}));
    EXPECT_EQ(u"SELECT dbo.fnGetCostTotalOther('1,2''',8,9) as Price"_s, lastSql());
    EXPECT_EQ(u"GetGoodsPrice: 需要五个整数参数"_s, errorOf([] { GetGoodsPrice({1, 2}, u"x"_s); }));
}
TEST_F(LookupsTest, InterfaceSubjectWithAndWithoutTheAccountRights) {
    loginedUser().UserId = 3;
    RecordSet km = test::recordSet({u"id:integer"_s, u"fullname"_s}, {{2203, u"预收账款"_s}});
    answer(km);
    int id = 0;
    QString name;
    EXPECT_TRUE(GetInterfaceSubject(u"预收账款"_s, &id, &name));
    EXPECT_EQ(u"select * from basekm where id = dbo.fnGetInterfaceKMID('预收账款')"_s, lastSql());
    EXPECT_EQ(2203, id);
    EXPECT_EQ(u"预收账款"_s, name);
    settings().setSwitch(2004, true);
    RecordSet withBj =
        test::recordSet({u"id:integer"_s, u"fullname"_s, u"bj:integer"_s}, {{101, u"现金"_s, 0}});
    withBj.first();
    answer(withBj);
    EXPECT_FALSE(GetInterfaceSubject(u"现金'"_s, &id, &name));
    EXPECT_EQ(QStringLiteral(" SELECT a.* ,isnull(b.isbj,1) AS bj FROM basekm AS a LEFT JOIN "
                             "baseYHZHPurview AS b ON a.id = b.id AND b.czy_id = 3 WHERE a.id = "
                             "dbo.fnGetInterfaceKMID('现金''')"),
              lastSql());
    withBj.setValue(u"bj"_s, 1);
    answer(withBj);
    EXPECT_TRUE(GetInterfaceSubject(u"现金"_s, &id, &name));
    EXPECT_FALSE(GetInterfaceSubject(u"现金"_s, &id, &name));  // no row
}
TEST_F(LookupsTest, PeriodDates) {
    RecordSet p = test::recordSet({u"beginDate:date"_s, u"EndDate"_s},
                                  {{d(2024, 3, 1), u"2024-03-31 00:00:00"_s}});
    answer(p);
    QString begin, end;
    EXPECT_TRUE(GetPeriodDates(3, &begin, &end));
    EXPECT_EQ(u"SELECT * FROM sysPeriod AS a WHERE a.type = 0 AND a.id = 3"_s, lastSql());
    EXPECT_EQ(u"2024-03-01 2024-03-31"_s, begin + u' ' + end);
    EXPECT_FALSE(GetPeriodDates(13, &begin, &end));
    EXPECT_EQ(u" "_s, begin + u' ' + end);
}
TEST_F(LookupsTest, BillTypesWithAndWithoutTheAllEntry) {
    RecordSet types =
        test::recordSet({u"id:integer"_s, u"fullname"_s}, {{5, u"进货单"_s}, {1, u"销售单"_s}});
    answer(types);
    QComboBox combo;
    combo.addItem(u"旧的"_s);
    FillBillTypes(&combo, false);
    EXPECT_EQ(QStringLiteral(" SELECT a.djType as id,a.dj_Caption as fullname FROM djIndex AS a "
                             "WHERE a.dj_state <> 0  GROUP BY a.djType,a.dj_Caption"),
              lastSql());
    const auto entries = [&combo] {
        QStringList out;
        for (int i = 0; i < combo.count(); ++i)
            out << combo.itemText(i) + u'=' + combo.itemData(i).toString();
        return out.join(u',') + u" @"_s + QString::number(combo.currentIndex());
    };
    EXPECT_EQ(u"[全部单据]=0,进货单=5,销售单=1 @0"_s, entries());
    answer(types);
    FillBillTypes(&combo, true);
    EXPECT_EQ(u"进货单=5,销售单=1 @0"_s, entries());
}
TEST_F(LookupsTest, RunSqlScriptSendsEachBatch) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString utf8 = dir.filePath(u"a.sql"_s);
    {
        QFile f(utf8);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("USE x\r\nupdate t set a = '甲'\r\nGO\r\ndelete from t\r\n");
    }
    EXPECT_EQ(2, RunSqlScript(utf8));
    EXPECT_EQ((QStringList{u"update t set a = '甲'"_s, u"delete from t"_s}),
              sqlOf(u"ExecUpdate"_s));
    const QString gbkFile = dir.filePath(u"b.sql"_s);
    {
        QFile f(gbkFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(gbk::encode(u"update t set a = '乙'\r\ngo\r\n"_s));
    }
    EXPECT_EQ(1, RunSqlScript(gbkFile));
    EXPECT_EQ(u"update t set a = '乙'"_s, lastSql());
    const QString missing = dir.filePath(u"none.sql"_s);
    EXPECT_EQ(u"找不到脚本文件："_s + missing, errorOf([&] { RunSqlScript(missing); }));
}
TEST(FailIf, RaisesWhenTheConditionDoesNotHoldAndFocusesTheControl) {
    QWidget window;
    auto* edit = new QLineEdit(&window);
    auto* other = new QLineEdit(&window);
    window.show();
    window.activateWindow();
    other->setFocus();
    EXPECT_EQ(QString(), errorOf([&] { FailIf(edit, true, u"请输入名称"_s); }));
    EXPECT_EQ(u"请输入名称"_s, errorOf([&] { FailIf(edit, false, u"请输入名称"_s); }));
    EXPECT_EQ(edit, window.focusWidget());
    other->setFocus();
    edit->setEnabled(false);
    EXPECT_EQ(u"请输入名称"_s, errorOf([&] { FailIf(edit, false, u"请输入名称"_s); }));
    EXPECT_EQ(other, window.focusWidget());
    EXPECT_EQ(u"无控件"_s, errorOf([] { FailIf(nullptr, false, u"无控件"_s); }));
}
TEST(PrintIni, OpenedOnceInTheProgramFolderAndKept) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    resetPrintIni();
    setPrintIniFolder(dir.path());
    IniFile& first = GetPrintIni();
    EXPECT_EQ(QDir(dir.path()).filePath(u"print.ini"_s), first.fileName());
    first.writeString(u"打印"_s, u"份数"_s, u"2"_s);
    EXPECT_EQ(&first, &GetPrintIni());
    EXPECT_EQ(u"2"_s, IniFile(first.fileName()).readString(u"打印"_s, u"份数"_s));
    resetPrintIni();
    setPrintIniFolder(QString());
}
