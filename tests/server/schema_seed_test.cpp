// Seed data of a fresh account set: settings, switches, bill kinds, operator 1, accounts and field
// captions.

#include <QDate>
#include <QSet>

#include "protocol/billkinds.h"
#include "schema_test_util.h"

using namespace Qt::StringLiterals;

namespace {

using dyt::BillKindRow;
using dyt::billKindRows;
using dyt::schematest::query;
using dyt::schematest::readTsv;
using dyt::schematest::scalar;
using dyt::schematest::SchemaAccountSetTest;

QString setting(sqlite3* db, const QString& name) {
    return scalar(db, u"SELECT sysValue FROM sysData WHERE Name = '%1'"_s.arg(name));
}

TEST_F(SchemaAccountSetTest, EverySettingTheClientLoadsIsPresent) {
    // The names the settings loader compares, as the system lists them.
    const QStringList names =
        u"CurrentYear,单位全名,单位简名,单位地址,开户银行及账号,税务登记号,传真号码,"
        "法人代表,单位邮编,电话号码,单位备注,period,JxcPeriodNow,isOpen,sysIni,RPPeriod,"
        "RPInitOver,OpenPeriod,EnterpriseType,inidate,AutoSN,kmLength1,kmLength2,"
        "kmLength3,kmLength4,kmLength5,kmLength6,kmLength7,kmLength8,kmLength9,TaxIniJe,"
        "showCount,Aklfs,AGZFPType,PZType,系统使用负库存,本地快速打印,成本算法,"
        "自动备份天数,收付款结算方式,零售模式,pricedot,taxdot,totaldot,qtydot,"
        "discountdot,保质期提前报警天数,超期应收款提前报警天数,超期应付款提前报警天数,"
        "进货订单提前报警天数,销售订单提前报警天数,默认单据行数,销售单默认收款账户ID,"
        "销售单默认收款账户名,销售单默认收款金额,自动备份日期"_s.split(u',');
    for (const QString& n : names) {
        EXPECT_EQ(scalar(db_, u"SELECT count(*) FROM sysData WHERE Name = '%1'"_s.arg(n)), u"1"_s)
            << n.toStdString();
    }
}

TEST_F(SchemaAccountSetTest, SettingsStartWithSensibleDefaults) {
    const QDate today = QDate::currentDate();
    for (const char* dot : {"pricedot", "taxdot", "totaldot", "qtydot", "discountdot"}) {
        EXPECT_EQ(setting(db_, QString::fromUtf8(dot)), u"2"_s) << dot;
    }
    EXPECT_EQ(setting(db_, u"CurrentYear"_s), QString::number(today.year()));
    EXPECT_EQ(setting(db_, u"period"_s), QString::number(today.month()));
    EXPECT_EQ(setting(db_, u"isOpen"_s), u"0"_s);
    EXPECT_EQ(setting(db_, u"AutoSN"_s), u"1"_s);
    EXPECT_EQ(setting(db_, u"单位全名"_s), u"测试公司"_s);
    const int rows = setting(db_, u"默认单据行数"_s).toInt();
    EXPECT_GE(rows, 50);
    EXPECT_LE(rows, 500);
    const int days = setting(db_, u"自动备份天数"_s).toInt();
    EXPECT_GE(days, 0);
    EXPECT_LE(days, 10);
    // The cost algorithm is stored as the list index minus one: -1 … 3.
    const int cost = setting(db_, u"成本算法"_s).toInt();
    EXPECT_GE(cost, -1);
    EXPECT_LE(cost, 3);
    // The opening date parses as a date.
    EXPECT_TRUE(QDate::fromString(setting(db_, u"inidate"_s), u"yyyy-MM-dd"_s).isValid());
}

TEST_F(SchemaAccountSetTest, NumberingRulesAreLoadedInIdOrder) {
    // The numbering settings window reads five rows in id order, the first being "AutoSN".
    auto rows = query(db_,
                      u" select * from sysData where id in "
                      "(208042000,208042001,208042002,208042003,208042004) "
                      "order by id "_s);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0][1], u"AutoSN"_s);
    EXPECT_EQ(rows[0][2], u"1"_s);
    // Rule values are within their choices: one 0..1, two 0..2, three 0..2, four 0..1.
    const int maxima[] = {1, 2, 2, 1};
    for (int i = 0; i < 4; ++i) {
        const int v = rows[static_cast<size_t>(i + 1)][2].toInt();
        EXPECT_GE(v, 0);
        EXPECT_LE(v, maxima[i]) << "rule " << i + 1;
    }
}

TEST_F(SchemaAccountSetTest, SwitchesCoverEveryIdWithNames) {
    for (int id = 2001; id <= 2042; ++id) {
        auto r = query(db_, u"SELECT name, sysValue FROM sysConf WHERE id = %1"_s.arg(id));
        ASSERT_EQ(r.size(), 1u) << id;
        EXPECT_FALSE(r[0][0].trimmed().isEmpty()) << id;
        EXPECT_TRUE(r[0][1] == QLatin1String("0") || r[0][1] == QLatin1String("1")) << id;
    }
    // The options dialog's query lists exactly its ten switches.
    auto dialog = query(db_,
                        u"SELECT * FROM sysConf  WHERE type = 1 and isuse = 1 AND ID IN "
                        "(-1,'2006','2009','2010','2011','2012','2013','2014','2015','2016',"
                        "'2027')  ORDER BY name"_s);
    QSet<int> ids;
    for (const auto& r : dialog)
        ids.insert(r[0].toInt());
    EXPECT_EQ(ids, (QSet<int>{2006, 2009, 2010, 2011, 2012, 2013, 2014, 2015, 2016, 2027}));
    // Switches outside the dialog are not of type 1; the pop-up switch is one of them.
    EXPECT_EQ(scalar(db_, u"SELECT count(*) FROM sysConf WHERE type = 1"_s), u"10"_s);
    EXPECT_EQ(scalar(db_, u"SELECT name FROM sysConf WHERE id = 2017"_s),
              u"登入系统时弹出报警窗口"_s);
}

TEST_F(SchemaAccountSetTest, EveryBillKindHasItsRow) {
    EXPECT_EQ(scalar(db_, u"SELECT count(*) FROM sysDjb"_s).toInt(),
              static_cast<int>(billKindRows().size()));
    for (const BillKindRow& k : billKindRows()) {
        auto r = query(db_,
                       u"SELECT fullname, menuid, sonnum, inputnum, inputName1, "
                       "inputName5, inputid2, SNFormat, NumHead, printisCheck "
                       "FROM sysDjb WHERE id = %1"_s.arg(k.djType));
        ASSERT_EQ(r.size(), 1u) << k.djType;
        EXPECT_EQ(r[0][0], k.kindName());
        EXPECT_EQ(r[0][1], QString::number(k.menuTag)) << k.djType;
        EXPECT_EQ(r[0][2], u"0"_s);
        EXPECT_EQ(r[0][3], u"1"_s);
        EXPECT_EQ(r[0][4], u"审查人一"_s);
        EXPECT_EQ(r[0][5], u"审查人五"_s);
        // An empty step list: "(0" directly followed by ",0)".
        EXPECT_EQ(r[0][6], u"(0,0)"_s);
        // The format starts with the quoted prefix and ends with a counter mask.
        EXPECT_TRUE(r[0][7].startsWith(QLatin1Char('"') + r[0][8] + QLatin1Char('"')))
            << r[0][7].toStdString();
        EXPECT_TRUE(r[0][7].endsWith(u"[00000]"_s));
        EXPECT_EQ(r[0][9], u"0"_s);
    }
    EXPECT_EQ(scalar(db_, u"SELECT count(*) FROM sysDjb"_s), u"69"_s);
    EXPECT_EQ(scalar(db_, u"SELECT count(DISTINCT NumHead) FROM sysDjb"_s), u"69"_s);
}

TEST_F(SchemaAccountSetTest, AuditWindowListsItsThirtyKindsInTableOrder) {
    const QString list =
        u"1,2,5,6,12,13,11,10,15,16,14,9,35,36,37,38,39,40,21,22,17,18,19,20,29,28,30,31,33,32"_s;
    auto rows = query(db_,
                      u"select id, fullname from sysDjb where sonnum=0 and id in "
                      "(0,%1) order by orderly "_s.arg(list));
    QStringList ids;
    for (const auto& r : rows)
        ids << r[0];
    EXPECT_EQ(ids.join(QLatin1Char(',')), list);
}

TEST_F(SchemaAccountSetTest, PrintCountWindowFindsItsSixtyTwoKinds) {
    QStringList numbers;
    for (int i = 1; i <= 40; ++i)
        numbers << QString::number(i);
    for (int i = 43; i <= 50; ++i)
        numbers << QString::number(i);
    for (int i = 53; i <= 66; ++i)
        numbers << QString::number(i);
    ASSERT_EQ(numbers.size(), 62);
    auto rows = query(db_,
                      u"select *,a.printPassword as printPassword2 from sysdjb as "
                      "a where a.id in (-1 ,%1,0) order by a.id"_s.arg(numbers.join(u" ,"_s)));
    EXPECT_EQ(rows.size(), 62u);
}

TEST_F(SchemaAccountSetTest, NumberingCountersExistForEveryKind) {
    EXPECT_EQ(scalar(db_, u"SELECT count(*) FROM sysbillNo"_s), u"70"_s);
    EXPECT_EQ(scalar(db_,
                     u"SELECT count(*) FROM sysbillNo WHERE yearMaxNo <> 0 OR "
                     "monthMaxNo <> 0 OR dayMaxNo <> 0"_s),
              u"0"_s);
    EXPECT_EQ(scalar(db_,
                     u"SELECT count(*) FROM sysDjb WHERE id NOT IN "
                     "(SELECT id FROM sysbillNo)"_s),
              u"0"_s);
}

TEST_F(SchemaAccountSetTest, OperatorOneIsTheAdministratorWithTheGivenHash) {
    auto r = query(db_,
                   u"  SELECT a.*,b.code,b.fullname FROM sysuser AS a,baseZY AS b "
                   " WHERE a.id = b.id"_s);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0][0], u"1"_s);
    EXPECT_EQ(r[0][1], u"salt$hash"_s);
    EXPECT_EQ(r[0].last(), u"系统管理员"_s);
    EXPECT_EQ(scalar(db_, u"SELECT candel FROM baseZY WHERE id = 1"_s), u"0"_s);
    // Operator 1 holds every function and operation right.
    EXPECT_EQ(scalar(db_, u"SELECT count(*) FROM sysMenu"_s),
              scalar(db_,
                     u"SELECT count(*) FROM sysPurview WHERE userid = 1 AND "
                     "isbj = 1"_s));
    // The login list of operators: employees that are operators.
    EXPECT_EQ(scalar(db_,
                     u"SELECT count(*) FROM baseZY AS a, sysuser AS b WHERE "
                     "a.id = b.id AND a.del = 0"_s),
              u"1"_s);
}

TEST_F(SchemaAccountSetTest, AccountsTheBossReportOpensHaveTheirFixedIds) {
    struct Case {
        int id;
        const char* name;
    };
    for (const Case& c : {Case{3, "【收入类】"}, Case{4, "【支出类】"}, Case{8, "现金"},
                          Case{9, "全部银行存款合计"}}) {
        EXPECT_EQ(scalar(db_, u"SELECT fullname FROM baseKM WHERE id = %1"_s.arg(c.id)),
                  QString::fromUtf8(c.name));
    }
}

TEST_F(SchemaAccountSetTest, InterfaceRolesResolveToAccountsOfTheSameName) {
    // The advance-receipt subject that the settings loader asks for.
    EXPECT_EQ(scalar(db_,
                     u"SELECT b.fullname FROM sysSubjectInterface AS a, baseKM "
                     "AS b WHERE a.km_id = b.id AND a.type = 0 AND a.name = "
                     "'预收账款'"_s),
              u"预收账款"_s);
    // Roles the posting needs: receivables, payables, advances, stock, cash, income, cost.
    for (const char* role : {"应收账款", "应付账款", "预付账款", "库存商品", "现金", "销售收入",
                             "销售成本", "应交税金", "本年利润"}) {
        EXPECT_EQ(scalar(db_,
                         u"SELECT count(*) FROM sysSubjectInterface AS a, baseKM "
                         "AS b WHERE a.km_id = b.id AND a.type = 0 AND a.name "
                         "= '%1'"_s.arg(QString::fromUtf8(role))),
                  u"1"_s)
            << role;
    }
    // The payment-account picker (type 1) offers cash and a bank account, both leaves.
    auto pick = query(db_,
                      u"SELECT a.*,b.code as kmcode,b.fullname as kmName FROM "
                      "sysSubjectInterface AS a,baseKM AS b WHERE a.km_id = b.id "
                      "and a.type = 1"_s);
    EXPECT_EQ(pick.size(), 2u);
    EXPECT_EQ(scalar(db_,
                     u"SELECT count(*) FROM sysSubjectInterface AS a, baseKM AS "
                     "b WHERE a.km_id = b.id AND a.type = 1 AND b.sonnum > 0"_s),
              u"0"_s);
}

// Tree columns of a base table agree with each other: the path ends with the row's id and starts
// with the parent's path, the level is the path's length, sonnum counts the children, codes
// extend their parent's code.
void expectConsistentTree(sqlite3* db, const QString& table) {
    auto rows = query(db,
                      u"SELECT id, par_id, par_jl, leveal, sonnum, "
                      "(SELECT count(*) FROM %1 AS c WHERE c.par_id = t.id), "
                      "COALESCE((SELECT p.par_jl FROM %1 AS p WHERE p.id = "
                      "t.par_id), '') FROM %1 AS t"_s.arg(table));
    ASSERT_FALSE(rows.empty()) << table.toStdString();
    for (const auto& r : rows) {
        const QStringList path = r[2].split(QLatin1Char(','), Qt::SkipEmptyParts);
        EXPECT_TRUE(r[2].endsWith(QLatin1Char(','))) << r[2].toStdString();
        EXPECT_EQ(path.last(), r[0]);
        EXPECT_EQ(QString::number(path.size()), r[3])
            << table.toStdString() << " " << r[0].toStdString();
        EXPECT_EQ(r[4], r[5]) << table.toStdString() << " " << r[0].toStdString();
        EXPECT_TRUE(r[2].startsWith(r[6]));
        EXPECT_EQ(r[1] == QLatin1String("0"), r[6].isEmpty());
    }
}

TEST_F(SchemaAccountSetTest, SeededBaseTreesAreConsistent) {
    expectConsistentTree(db_, u"baseKM"_s);
    expectConsistentTree(db_, u"baseZY"_s);
    // Account codes extend their parent's code by the level length of kmLength<level>.
    auto rows = query(db_,
                      u"SELECT c.code, p.code, c.leveal FROM baseKM AS c, baseKM "
                      "AS p WHERE c.par_id = p.id"_s);
    for (const auto& r : rows) {
        EXPECT_TRUE(r[0].startsWith(r[1])) << r[0].toStdString();
        const QString len = scalar(db_,
                                   u"SELECT sysValue FROM sysData WHERE Name = "
                                   "'kmLength%1'"_s.arg(r[2]));
        EXPECT_EQ(r[0].size() - r[1].size(), len.toInt()) << r[0].toStdString();
    }
}

TEST_F(SchemaAccountSetTest, FieldCaptionsCoverTheFiveKindsWithTenFreeFields) {
    for (int prefix = 1001; prefix <= 1005; ++prefix) {
        auto rows = query(db_,
                          u"SELECT * FROM baseFieldNames  WHERE code LIKE '%1%' "
                          "order by code"_s.arg(prefix));
        EXPECT_GE(rows.size(), 14u) << prefix;
        QStringList captions;
        for (const auto& r : rows) {
            captions << r[1];
            EXPECT_EQ(r[1], r[2]);  // the shown caption starts as the standard one
            EXPECT_EQ(r[0].size(), 6);
        }
        for (int i = 1; i <= 10; ++i) {
            EXPECT_TRUE(captions.contains(u"自定义%1"_s.arg(i))) << prefix << " " << i;
        }
    }
    EXPECT_EQ(scalar(db_,
                     u"SELECT count(*) FROM baseFieldNames WHERE code NOT LIKE "
                     "'1001%' AND code NOT LIKE '1002%' AND code NOT LIKE '1003%' "
                     "AND code NOT LIKE '1004%' AND code NOT LIKE '1005%'"_s),
              u"0"_s);
}

TEST_F(SchemaAccountSetTest, CurrentPeriodRowMakesTheMonthClosedTestWork) {
    // The bill-correction windows compare a bill's date with the begin of the current period.
    auto r = query(db_,
                   u"SELECT beginDate, EndDate FROM sysPeriod AS a WHERE a.type = "
                   "0 AND a.id = (SELECT sysValue FROM sysData WHERE Name = "
                   "'JxcPeriodNow')"_s);
    ASSERT_EQ(r.size(), 1u);
    const QDate begin = QDate::fromString(r[0][0], u"yyyy-MM-dd"_s);
    const QDate end = QDate::fromString(r[0][1], u"yyyy-MM-dd"_s);
    ASSERT_TRUE(begin.isValid());
    EXPECT_EQ(begin.day(), 1);
    EXPECT_EQ(end, begin.addMonths(1).addDays(-1));
    EXPECT_LE(begin, QDate::currentDate());
}

TEST_F(SchemaAccountSetTest, StoredVersionIsTheCurrentOne) {
    EXPECT_EQ(dyt::server::schema::storedVersion(db_), dyt::server::schema::currentVersion());
    EXPECT_EQ(scalar(db_, u"SELECT count(*) FROM sysVersion"_s), u"1"_s);
}

}  // namespace
