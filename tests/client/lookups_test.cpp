// The shared lookups (the SQL texts they send and what they make of the answers), quoting, the
// date presets, the SQL script runner, FailIf and the print options file.

#include <QCborArray>
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

TEST(QuotedStr, DoublesEveryInnerQuote) {
    const QList<QPair<QString, QString>> cases{
        {QStringLiteral("abc"), QStringLiteral("'abc'")},
        {QString(), QStringLiteral("''")},
        {QStringLiteral("O'Brien"), QStringLiteral("'O''Brien'")},
        {QStringLiteral("'"), QStringLiteral("''''")},
        {QStringLiteral("a'';drop table x--"), QStringLiteral("'a'''';drop table x--'")},
        {QStringLiteral("预收账款"), QStringLiteral("'预收账款'")}};
    for (const auto& c : cases)
        EXPECT_EQ(c.second, QuotedStr(c.first)) << c.first.toStdString();
}

// --- date presets

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
        ASSERT_TRUE(DatePresetRange(c.no, today, &begin, &end)) << c.no;
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
        ASSERT_TRUE(DatePresetRange(3, c.today, &begin, &end));
        EXPECT_EQ(c.thisMonday, begin) << c.today.toString().toStdString();
        EXPECT_EQ(c.thisMonday.addDays(6), end);
        ASSERT_TRUE(DatePresetRange(4, c.today, &begin, &end));
        EXPECT_EQ(c.thisMonday.addDays(-7), begin);
        EXPECT_EQ(c.thisMonday.addDays(-1), end);
    }
}

TEST(DatePresets, MonthsAtTheEdges) {
    QDate begin, end;
    // "上月" in January is December of the year before.
    ASSERT_TRUE(DatePresetRange(6, d(2024, 1, 31), &begin, &end));
    EXPECT_EQ(d(2023, 12, 1), begin);
    EXPECT_EQ(d(2023, 12, 31), end);
    // February of a leap year and of a common year.
    ASSERT_TRUE(DatePresetRange(6, d(2024, 3, 31), &begin, &end));
    EXPECT_EQ(d(2024, 2, 1), begin);
    EXPECT_EQ(d(2024, 2, 29), end);
    ASSERT_TRUE(DatePresetRange(5, d(2023, 2, 10), &begin, &end));
    EXPECT_EQ(d(2023, 2, 1), begin);
    EXPECT_EQ(d(2023, 2, 28), end);
    // "昨天" on the first of January.
    ASSERT_TRUE(DatePresetRange(2, d(2024, 1, 1), &begin, &end));
    EXPECT_EQ(d(2023, 12, 31), begin);
    EXPECT_EQ(d(2023, 12, 31), end);
}

TEST(DatePresets, NumbersOutsideTheListChangeNothing) {
    for (int no : {0, -1, 21}) {
        QDate begin = d(2000, 1, 1), end = d(2000, 1, 2);
        EXPECT_FALSE(DatePresetRange(no, d(2024, 5, 15), &begin, &end)) << no;
        EXPECT_EQ(d(2000, 1, 1), begin);
        EXPECT_EQ(d(2000, 1, 2), end);
    }
}

TEST(DatePresets, TheListAndItsApplication) {
    QComboBox combo;
    FillDatePresets(&combo);
    ASSERT_EQ(20, combo.count());
    EXPECT_EQ(QStringLiteral("今天"), combo.itemText(0));
    EXPECT_EQ(QStringLiteral("上月"), combo.itemText(5));
    EXPECT_EQ(QStringLiteral("今年第二季度"), combo.itemText(7));
    EXPECT_EQ(QStringLiteral("今年上半年"), combo.itemText(10));
    EXPECT_EQ(QStringLiteral("去年第一季度"), combo.itemText(13));
    EXPECT_EQ(QStringLiteral("去年下半年"), combo.itemText(18));
    EXPECT_EQ(QStringLiteral("去年全年"), combo.itemText(19));
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
    other.addItem(QStringLiteral("自定义"), 0);
    EXPECT_FALSE(ApplyDatePreset(&other, &begin, &end, d(2020, 2, 10)));
    EXPECT_EQ(d(2024, 12, 31), end.date());
}

// --- SQL scripts

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
        QStringLiteral("insert into t1 values (1, 'a')\r\ninsert into t1 values (2, 'b')"),
        QStringLiteral("GOTO done\r\nupdate t1 set name = 'c'")};
    EXPECT_EQ(expected, SplitSqlScript(script));
}

TEST(SqlScript, EmptyAndCommentOnlyScriptsHaveNoBatch) {
    EXPECT_EQ(QStringList(), SplitSqlScript(QString()));
    EXPECT_EQ(QStringList(), SplitSqlScript(QStringLiteral("GO\r\ngo\r\n-- x\r\nUSE a\r\n\r\n")));
    EXPECT_EQ(QStringList{QStringLiteral("select 1")},
              SplitSqlScript(QStringLiteral("select 1\rGO\r")));
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
        transport->respond(QStringLiteral("ExecQuery"), 0, {proto::recordSetToCbor(rs), QString()});
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
    answer(rows(QStringLiteral("value"), FieldType::Text, {QStringLiteral("  2024 ")}));
    EXPECT_EQ(QStringLiteral("2024"), GetSysData(QStringLiteral("Current'Year")));
    EXPECT_EQ(QStringLiteral("SELECT dbo.fnGetSysData('Current''Year','') as value"), lastSql());
    answer(
        rows(QStringLiteral("value"), FieldType::Text, {QStringLiteral("a"), QStringLiteral("b")}));
    EXPECT_EQ(QString(), GetSysData(QStringLiteral("x")));
    EXPECT_EQ(QString(), GetSysData(QStringLiteral("x")));  // no row
}

TEST_F(LookupsTest, GetPurviewSendsTheOperatorAndTheQuotedRight) {
    loginedUser().UserId = 12;
    answer(rows(QStringLiteral("value"), FieldType::Integer, {1}));
    EXPECT_TRUE(GetPurview(QStringLiteral("600301")));
    EXPECT_EQ(QStringLiteral("SELECT dbo.fnGetPurview(12,'600301') as value"), lastSql());
    answer(rows(QStringLiteral("value"), FieldType::Integer, {0}));
    EXPECT_FALSE(GetPurview(QStringLiteral("600301")));
    EXPECT_FALSE(GetPurview(QStringLiteral("1'2")));
    EXPECT_EQ(QStringLiteral("SELECT dbo.fnGetPurview(12,'1''2') as value"), lastSql());
}

TEST_F(LookupsTest, PriceAndCostLookups) {
    answer(rows(QStringLiteral("price"), FieldType::Float, {12.5}));
    EXPECT_EQ(12.5, GetGoodsPrice(5, 10, 20, 3, d(2024, 2, 1)));
    EXPECT_EQ(QStringLiteral("SELECT dbo.fnGetGoodsPrice(0,5,10,20,3,'2024-02-01') as Price"),
              lastSql());
    answer(rows(QStringLiteral("Price"), FieldType::Float, {7.25}));
    EXPECT_EQ(7.25, GetCostTotal({1, 2, 3}));
    EXPECT_EQ(QStringLiteral("SELECT dbo.fnGetCostTotal(1,2,3) as Price"), lastSql());
    EXPECT_EQ(0.0, GetCostPrice({4, -5}));  // no row
    EXPECT_EQ(QStringLiteral("SELECT dbo.fnGetCostPrice(4,-5) as Price"), lastSql());
    answer(rows(QStringLiteral("price"), FieldType::Float, {3.0}));
    EXPECT_EQ(3.0, GetCostTotalOther(QStringLiteral("1,2'"), {8, 9}));
    EXPECT_EQ(QStringLiteral("SELECT dbo.fnGetCostTotalOther('1,2''',8,9) as Price"), lastSql());
    EXPECT_EQ(QStringLiteral("GetGoodsPrice: 需要五个整数参数"), errorOf([] {
                  GetGoodsPrice({1, 2}, QStringLiteral("x"));
              }));
}

TEST_F(LookupsTest, InterfaceSubjectWithAndWithoutTheAccountRights) {
    loginedUser().UserId = 3;
    RecordSet km;
    km.addField(QStringLiteral("id"), FieldType::Integer);
    km.addField(QStringLiteral("fullname"), FieldType::Text);
    km.appendRow({2203, QStringLiteral("预收账款")});
    answer(km);
    int id = 0;
    QString name;
    EXPECT_TRUE(GetInterfaceSubject(QStringLiteral("预收账款"), &id, &name));
    EXPECT_EQ(QStringLiteral("select * from basekm where id = dbo.fnGetInterfaceKMID('预收账款')"),
              lastSql());
    EXPECT_EQ(2203, id);
    EXPECT_EQ(QStringLiteral("预收账款"), name);

    settings().setSwitch(2004, true);
    RecordSet withBj;
    withBj.addField(QStringLiteral("id"), FieldType::Integer);
    withBj.addField(QStringLiteral("fullname"), FieldType::Text);
    withBj.addField(QStringLiteral("bj"), FieldType::Integer);
    withBj.appendRow({101, QStringLiteral("现金"), 0});
    withBj.first();
    answer(withBj);
    EXPECT_FALSE(GetInterfaceSubject(QStringLiteral("现金'"), &id, &name));
    EXPECT_EQ(QStringLiteral(" SELECT a.* ,isnull(b.isbj,1) AS bj FROM basekm AS a LEFT JOIN "
                             "baseYHZHPurview AS b ON a.id = b.id AND b.czy_id = 3 WHERE a.id = "
                             "dbo.fnGetInterfaceKMID('现金''')"),
              lastSql());
    withBj.setValue(QStringLiteral("bj"), 1);
    answer(withBj);
    EXPECT_TRUE(GetInterfaceSubject(QStringLiteral("现金"), &id, &name));
    EXPECT_FALSE(GetInterfaceSubject(QStringLiteral("现金"), &id, &name));  // no row
}

TEST_F(LookupsTest, PeriodDates) {
    RecordSet p;
    p.addField(QStringLiteral("beginDate"), FieldType::Date);
    p.addField(QStringLiteral("EndDate"), FieldType::Text);
    p.appendRow({d(2024, 3, 1), QStringLiteral("2024-03-31 00:00:00")});
    answer(p);
    QString begin, end;
    EXPECT_TRUE(GetPeriodDates(3, &begin, &end));
    EXPECT_EQ(QStringLiteral("SELECT * FROM sysPeriod AS a WHERE a.type = 0 AND a.id = 3"),
              lastSql());
    EXPECT_EQ(QStringLiteral("2024-03-01"), begin);
    EXPECT_EQ(QStringLiteral("2024-03-31"), end);
    EXPECT_FALSE(GetPeriodDates(13, &begin, &end));
    EXPECT_EQ(QString(), begin);
    EXPECT_EQ(QString(), end);
}

TEST_F(LookupsTest, BillTypesWithAndWithoutTheAllEntry) {
    RecordSet types;
    types.addField(QStringLiteral("id"), FieldType::Integer);
    types.addField(QStringLiteral("fullname"), FieldType::Text);
    types.appendRow({5, QStringLiteral("进货单")});
    types.appendRow({1, QStringLiteral("销售单")});
    answer(types);
    QComboBox combo;
    combo.addItem(QStringLiteral("旧的"));
    FillBillTypes(&combo, false);
    EXPECT_EQ(QStringLiteral(" SELECT a.djType as id,a.dj_Caption as fullname FROM djIndex AS a "
                             "WHERE a.dj_state <> 0  GROUP BY a.djType,a.dj_Caption"),
              lastSql());
    ASSERT_EQ(3, combo.count());
    EXPECT_EQ(QStringLiteral("[全部单据]"), combo.itemText(0));
    EXPECT_EQ(0, combo.itemData(0).toInt());
    EXPECT_EQ(QStringLiteral("销售单"), combo.itemText(2));
    EXPECT_EQ(1, combo.itemData(2).toInt());
    EXPECT_EQ(0, combo.currentIndex());

    answer(types);
    FillBillTypes(&combo, true);
    ASSERT_EQ(2, combo.count());
    EXPECT_EQ(QStringLiteral("进货单"), combo.currentText());
    EXPECT_EQ(5, combo.currentData().toInt());
}

TEST_F(LookupsTest, RunSqlScriptSendsEachBatch) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString utf8 = dir.filePath(QStringLiteral("a.sql"));
    {
        QFile f(utf8);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("USE x\r\nupdate t set a = '甲'\r\nGO\r\ndelete from t\r\n");
    }
    EXPECT_EQ(2, RunSqlScript(utf8));
    QStringList sent;
    for (const RecordedCall& c : transport->calls()) {
        if (c.method == QLatin1String("ExecUpdate"))
            sent.append(c.sql);
    }
    EXPECT_EQ(
        (QStringList{QStringLiteral("update t set a = '甲'"), QStringLiteral("delete from t")}),
        sent);

    const QString gbkFile = dir.filePath(QStringLiteral("b.sql"));
    {
        QFile f(gbkFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(gbk::encode(QStringLiteral("update t set a = '乙'\r\ngo\r\n")));
    }
    EXPECT_EQ(1, RunSqlScript(gbkFile));
    EXPECT_EQ(QStringLiteral("update t set a = '乙'"), lastSql());

    const QString missing = dir.filePath(QStringLiteral("none.sql"));
    EXPECT_EQ(QStringLiteral("找不到脚本文件：") + missing,
              errorOf([&] { RunSqlScript(missing); }));
}

TEST(FailIf, RaisesWhenTheConditionDoesNotHoldAndFocusesTheControl) {
    QWidget window;
    auto* edit = new QLineEdit(&window);
    auto* other = new QLineEdit(&window);
    window.show();
    window.activateWindow();
    other->setFocus();
    EXPECT_EQ(QString(), errorOf([&] { FailIf(edit, true, QStringLiteral("请输入名称")); }));
    EXPECT_EQ(QStringLiteral("请输入名称"),
              errorOf([&] { FailIf(edit, false, QStringLiteral("请输入名称")); }));
    EXPECT_EQ(edit, window.focusWidget());

    other->setFocus();
    edit->setEnabled(false);
    EXPECT_EQ(QStringLiteral("请输入名称"),
              errorOf([&] { FailIf(edit, false, QStringLiteral("请输入名称")); }));
    EXPECT_EQ(other, window.focusWidget());
    EXPECT_EQ(QStringLiteral("无控件"),
              errorOf([] { FailIf(nullptr, false, QStringLiteral("无控件")); }));
}

TEST(PrintIni, OpenedOnceInTheProgramFolderAndKept) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    resetPrintIni();
    setPrintIniFolder(dir.path());
    IniFile& first = GetPrintIni();
    EXPECT_EQ(QDir(dir.path()).filePath(QStringLiteral("print.ini")), first.fileName());
    first.WriteString(QStringLiteral("打印"), QStringLiteral("份数"), QStringLiteral("2"));
    EXPECT_EQ(&first, &GetPrintIni());
    EXPECT_EQ(QStringLiteral("2"),
              IniFile(first.fileName()).ReadString(QStringLiteral("打印"), QStringLiteral("份数")));
    resetPrintIni();
    setPrintIniFolder(QString());
}
