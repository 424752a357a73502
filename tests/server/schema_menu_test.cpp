// A fresh account set: the function menu (a consistent tree holding every function code, the
// rights of bill entries, the navigator's filters and the common-functions list), the seed data,
// and every table and column the system's texts name.

#include <QHash>
#include <QSet>

#include <QDate>
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

struct MenuRow {
    QString id, code, name, parent, parJl, level, sonnum, isbtn, hide, ordercode, djType;
};

QHash<QString, MenuRow> loadMenu(sqlite3* db) {
    QHash<QString, MenuRow> byCode;
    for (const auto& r : query(db,
                               u"SELECT id, code, Name, par_id, par_jl, leveal, "
                               "sonnum, isbtn, hide, ordercode, djType FROM "
                               "sysMenu"_s)) {
        byCode.insert(r[1],
                      MenuRow{r[0], r[1], r[2], r[3], r[4], r[5], r[6], r[7], r[8], r[9], r[10]});
    }
    return byCode;
}

// Rows of the operator's permission set (menu joined with operator 1's rights) that a navigator
// filter selects, as codes.
QSet<QString> navigatorSelection(sqlite3* db, const QString& filter) {
    QSet<QString> out;
    for (const auto& r : query(db,
                               u"SELECT code FROM (SELECT b.*, a.isbj FROM sysPurview AS a, "
                               "sysMenu AS b WHERE a.menuid = b.id AND a.userid = 1) WHERE "_s +
                                   filter)) {
        out.insert(r[0]);
    }
    return out;
}

TEST_F(SchemaAccountSetTest, EveryFunctionCodeReachesTheMenuBarOfAConsistentTreeWithItsRights) {
    const auto codes = readTsv(u"schema/function_codes.tsv"_s);
    ASSERT_EQ(codes.size(), 275u);
    const QHash<QString, MenuRow> menu = loadMenu(db_);
    QHash<QString, MenuRow> byId;
    for (const MenuRow& m : menu)
        byId.insert(m.id, m);
    for (const QStringList& c : codes) {
        ASSERT_TRUE(menu.contains(c[0])) << "no entry for " << c[0].toStdString();
        const MenuRow& m = menu[c[0]];
        EXPECT_FALSE(m.name.trimmed().isEmpty()) << c[0].toStdString();
        // Walk up: each step is one level up, and the walk ends at the level-0 menu bar.
        MenuRow cur = m;
        int steps = 0;
        while (cur.parent != QLatin1String("0") && steps < 20) {
            ASSERT_TRUE(byId.contains(cur.parent)) << c[0].toStdString();
            const MenuRow& p = byId[cur.parent];
            EXPECT_EQ(p.level.toInt() + 1, cur.level.toInt()) << cur.code.toStdString();
            EXPECT_EQ(p.isbtn, u"0"_s) << "parent of " << cur.code.toStdString();
            cur = p;
            ++steps;
        }
        EXPECT_EQ(cur.level, u"0"_s) << c[0].toStdString();
        EXPECT_GE(m.level.toInt(), 2) << c[0].toStdString();
    }
    // The tree columns are consistent and every parent comes before its children.
    QHash<QString, int> menuChildren;
    for (const MenuRow& m : menu) {
        if (m.isbtn == QLatin1String("0"))
            ++menuChildren[m.parent];
    }
    int roots = 0;
    for (const MenuRow& m : menu) {
        if (m.level == QLatin1String("0")) {
            ++roots;
            EXPECT_EQ(m.parent, u"0"_s);
            EXPECT_EQ(m.hide, u"1"_s);  // the menu bar row is always allowed
        }
        // sonnum counts the menu children only: a window with operation rights stays a command.
        EXPECT_EQ(m.sonnum.toInt(), menuChildren.value(m.id)) << m.code.toStdString();
        const QString parentPath = byId.contains(m.parent) ? byId[m.parent].parJl : QString();
        EXPECT_EQ(m.parJl, parentPath + m.id + QLatin1Char(',')) << m.code.toStdString();
        if (byId.contains(m.parent)) {
            EXPECT_TRUE(m.ordercode.startsWith(byId[m.parent].ordercode));
            EXPECT_GT(m.ordercode, byId[m.parent].ordercode);
        }
    }
    EXPECT_EQ(roots, 1);
    // Right groups of the operator rights window run from 0 to 17.
    EXPECT_EQ(scalar(db_,
                     u"SELECT count(*) FROM sysMenu WHERE type NOT BETWEEN 0 AND "
                     "17"_s),
              u"0"_s);
    // Operation rights hang below command entries (or their group below the menu bar), never
    // below sub-menus.
    EXPECT_EQ(scalar(db_,
                     u"SELECT count(*) FROM sysMenu AS r, sysMenu AS w WHERE "
                     "r.par_id = w.id AND r.isbtn = 1 AND w.isbtn = 0 AND w.leveal > 0 AND "
                     "w.sonnum > 0"_s),
              u"0"_s);
    // The menu is built walking rows in menu order; a child attaches to the last entry built one
    // level up, so that entry must be its parent.
    auto rows = query(db_,
                      u"SELECT id, par_id, leveal FROM sysMenu WHERE isbtn = 0 "
                      "ORDER BY ordercode"_s);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.front()[2], u"0"_s);
    QHash<int, QString> lastAtLevel;
    for (const auto& r : rows) {
        const int level = r[2].toInt();
        if (level > 0) {
            EXPECT_EQ(lastAtLevel.value(level - 1), r[1]) << r[0].toStdString();
        }
        lastAtLevel[level] = r[0];
    }
    // Every bill entry can be posted, drafted and printed; every base list's field captions have
    // a right of the same code, which is how saving the captions reaches the menu rows.
    for (const BillKindRow& k : billKindRows()) {
        if (k.menuTag == 0)
            continue;
        for (const char* sub : {"01", "02", "03"}) {
            EXPECT_TRUE(menu.contains(QString::number(k.menuTag) + QString::fromUtf8(sub)))
                << k.menuTag << sub;
        }
    }
    EXPECT_EQ(scalar(db_,
                     u"SELECT count(*) FROM baseFieldNames AS a,sysMenu AS b  "
                     "WHERE a.code = b.code AND b.isbtn = 1"_s),
              scalar(db_, u"SELECT count(*) FROM baseFieldNames"_s));
    // The navigator filters and the common functions select their entries.
    // Expected from the function codes alone: the area's report codes that open a window. The
    // finance page takes the finance reports one level below the menu bar (six digits) and five
    // receivable reports.
    QSet<QString> purchase, sales, stock, finance;
    for (const auto& c : codes) {
        const QString& code = c[0];
        if (code == QLatin1String("300418"))
            continue;  // the sales bill statistics sub-menu
        if (code.startsWith(QLatin1String("3003")))
            purchase.insert(code);
        if (code.startsWith(QLatin1String("3004")))
            sales.insert(code);
        if (code.startsWith(QLatin1String("3005")))
            stock.insert(code);
        if (code.startsWith(QLatin1String("3007")) && code.size() == 6)
            finance.insert(code);
    }
    for (const char* c : {"300601", "300608", "300609", "300613", "300618"}) {
        finance.insert(QString::fromUtf8(c));
    }
    const std::pair<const char*, const QSet<QString>*> areas[] = {
        {"3003", &purchase}, {"3004", &sales}, {"3005", &stock}};
    for (const auto& [prefix, expected] : areas) {
        EXPECT_EQ(navigatorSelection(db_,
                                     u"SUBSTRING(code,1,4) = '%1' AND sonnum = 0 and isbtn = "
                                     "0 and isbj = 1"_s.arg(QLatin1String(prefix))),
                  *expected)
            << prefix;
    }
    EXPECT_EQ(navigatorSelection(db_,
                                 u"SUBSTRING(code,1,4) = '3007' AND sonnum = 0 and isbtn = 0 "
                                 "and isbj = 1 AND leveal = 2 OR code = '300601' OR code = "
                                 "'300608' OR code = '300609' OR code = '300613' OR code = "
                                 "'300618'"_s),
              finance);
    EXPECT_EQ(finance.size(), 13);
    // The common-functions dialog's list: held, visible leaf functions in menu order.
    rows = query(db_,
                 u"  SELECT a.id,a.iscygn,b.name FROM sysPurview AS a,sysMenu "
                 "AS b   WHERE a.menuid = b.id AND a.userid = 1 AND a.isbj "
                 "= 1 AND b.hide = 0 AND b.sonnum = 0 AND b.isBtn = 0  "
                 "ORDER BY b.ordercode"_s);
    EXPECT_GT(rows.size(), 200u);
    QStringList names;
    for (const auto& r : rows)
        names << r[2];
    EXPECT_TRUE(names.contains(u"进货单"_s));
    EXPECT_TRUE(names.contains(u"库存状况表"_s));
    EXPECT_FALSE(names.contains(u"采购管理"_s));  // a sub-menu
    EXPECT_FALSE(names.contains(u"过账"_s));      // an operation right
    // The opening-balance drop-down takes the command entries below 1013 and 1014.
    EXPECT_EQ(scalar(db_,
                     u"SELECT count(*) FROM sysMenu WHERE isbtn = 0 AND sonnum = 0 "
                     "AND (code LIKE '1013%' OR code = '1014')"_s),
              u"12"_s);
}

// --- seed data of a fresh account set: bill kinds and their counters, operator 1, accounts, the
// seeded trees, the current period and the version

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

TEST_F(SchemaAccountSetTest, BillKindsOperatorOneInterfaceRolesTreesAndThePeriodAreSeeded) {
    EXPECT_EQ(scalar(db_, u"SELECT count(DISTINCT NumHead) FROM sysDjb"_s),
              scalar(db_, u"SELECT count(*) FROM sysDjb"_s));
    // The format starts with the quoted prefix and ends with a counter mask.
    EXPECT_EQ(scalar(db_,
                     u"SELECT count(*) FROM sysDjb WHERE substr(SNFormat, 1, length(NumHead) + 2) "
                     "<> '\"' || NumHead || '\"' OR SNFormat NOT LIKE '%[00000]'"_s),
              u"0"_s);
    // The seed writes every row of the bill-kind table the client opens bills by, and no other;
    // the stocktake, made in a window of its own, has none.
    size_t seeded = 0;
    for (const dyt::BillKindRow& k : dyt::billKindRows()) {
        const auto r = query(
            db_, u"SELECT fullname, menuid, NumHead FROM sysDjb WHERE id = %1"_s.arg(k.djType));
        if (k.ownEntries()) {
            EXPECT_EQ(r.size(), 0u) << k.djType;
            continue;
        }
        ++seeded;
        ASSERT_EQ(r.size(), 1u) << k.djType;
        EXPECT_EQ(r[0], (QStringList{k.kindName(), QString::number(k.menuTag), k.numberHead()}));
    }
    EXPECT_EQ(scalar(db_, u"SELECT count(*) FROM sysDjb"_s), QString::number(seeded));
    EXPECT_EQ(69u, seeded);
    // Every kind has its counter, starting at zero.
    EXPECT_EQ(scalar(db_, u"SELECT count(*) FROM sysbillNo"_s), u"70"_s);
    EXPECT_EQ(scalar(db_,
                     u"SELECT count(*) FROM sysbillNo WHERE yearMaxNo <> 0 OR "
                     "monthMaxNo <> 0 OR dayMaxNo <> 0"_s),
              u"0"_s);
    EXPECT_EQ(scalar(db_,
                     u"SELECT count(*) FROM sysDjb WHERE id NOT IN "
                     "(SELECT id FROM sysbillNo)"_s),
              u"0"_s);
    // Operator 1 and the interface roles are seeded.
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
    // Roles the posting needs, each on one account (the role read by name: LedgerFunctions).
    for (const char* role : {"应收账款", "应付账款", "预付账款", "库存商品", "现金", "销售收入",
                             "销售成本", "应交税金", "本年利润"}) {
        EXPECT_EQ(scalar(db_,
                         u"SELECT count(*) FROM sysSubjectInterface AS a, baseKM "
                         "AS b WHERE a.km_id = b.id AND a.type = 0 AND a.name "
                         "= '%1'"_s.arg(QString::fromUtf8(role))),
                  u"1"_s)
            << role;
    }
    // The payment-account picker (type 1) offers leaves only.
    EXPECT_EQ(scalar(db_,
                     u"SELECT count(*) FROM sysSubjectInterface AS a, baseKM AS "
                     "b WHERE a.km_id = b.id AND a.type = 1 AND b.sonnum > 0"_s),
              u"0"_s);
    // The seeded base trees and the current period are consistent.
    expectConsistentTree(db_, u"baseKM"_s);
    expectConsistentTree(db_, u"baseZY"_s);
    // Account codes extend their parent's code by the level length of kmLength<level>.
    auto rows = query(db_,
                      u"SELECT c.code, p.code, c.leveal FROM baseKM AS c, baseKM "
                      "AS p WHERE c.par_id = p.id"_s);
    for (const auto& km : rows) {
        EXPECT_TRUE(km[0].startsWith(km[1])) << km[0].toStdString();
        const QString len = scalar(db_,
                                   u"SELECT sysValue FROM sysData WHERE Name = "
                                   "'kmLength%1'"_s.arg(km[2]));
        EXPECT_EQ(km[0].size() - km[1].size(), len.toInt()) << km[0].toStdString();
    }
    // The bill-correction windows compare a bill's date with the begin of the current period.
    r = query(db_,
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

// --- every table and column that the system's SQL texts and packets name exists
// (tests/data/schema_names.tsv). Lower-cased column names of a table.
QSet<QString> columnsOf(sqlite3* db, const QString& table) {
    QSet<QString> out;
    for (const QStringList& r : query(db, u"PRAGMA table_info(\"%1\")"_s.arg(table))) {
        out.insert(r.value(1).toLower());
    }
    return out;
}

// The corpus test runs the texts the corpus holds; these are the others.
const char* const kTexts[] = {
    // settings, menu and rights
    " select * from sysColConfigure where UserId=1 ",
    " insert into syssession(id, PcID) values(7, 'pc-01') ",
    "UPDATE syspurview SET isCYGN = 0,openCount = 0 WHERE userid = 1",
    " Update syspurview set iscygn = 1,openCount = 99999999 where userid = 1 and id in (3, 0)",
    "Update sysuser set password = 'x' where id = 1",
    "select id,fullname from basezy where del = 0 and sonnum = 0 and id in (0,1,0)",
    "SELECT * FROM sysPeriod AS a WHERE a.type = 0 AND a.id = 1",
    // bill kinds and numbering
    " select * from sysdjb where id  = 1",
    " Update sysdjb set inputnum = 2 where id = 1",
    " Update sysdjb set inputname2 = '复核' where id = 1",
    " Update sysdjb set inputid2 = '(0,1,0)' where id = 1",
    " Update sysdjb set inputText2 = '系统管理员' where id = 1",
    " Update sysdjb set printisCheck = 1,printNumSum = 3,printPassword = 'p' where id = 1",
    " update sysDjb set comment='\"JH\"', SNFormat='\"JH\"' where id=5 ",
    " update sysDjb set SNFormat='x' where (sonnum=0) and (id<>5) ",
    // bills
    "Update djindex set inputid3 = 1 where id = 1",
    "Update djList set comment = 'x' where orderid = 1",
    " select b.fullname,a.dbTotal + a.LendTotal as total   FROM djKmDetail AS a,baseKM AS b WHERE "
    "a.km_id = b.id AND a.id = 1 AND a.type = 1",
    "Update djindex set jsr_id = 1 ,dep_id =1 ,code = 'JH-1' ,summery = 'x' where id = 1",
    "Update djindex set isDuiZhang = 1,DuiZhangShuoMing = 'x' where id = 1",
    "Update djindex set  zidingyi1 = 'a' ,zidingyi10 = 'b' where id = 1",
    "UPDATE djindex SET pz_Caption = code WHERE id IN  (1, 0)",
    // base data and stock
    "SELECT ystotal-yftotal as ystotal,yftotal - ystotal as yftotal,yushoutotal - yufuTotal as "
    "yushoutotal,yufutotal - yushoutotal as yufutotal FROM baseWLDW WHERE id = 1",
    "select a.* from basewldw as a where a.id = 1",
    "select type from basewldw where id = 1",
    " select k.id,k.goodsid as sp_id ,k.latestBuyPrice,k.lowestSalePrice from baseGoodsunit as k  "
    "where k.id = 1",
    "SELECT goodsid,sum(qty) as qty FROM baseGoodsStock  WHERE stockid = 1 and goodsid in (1,2) "
    "GROUP BY goodsid",
    " SELECT a.goodsid,a.stockid,a.warnUp FROM baseGoodsWarn AS a WHERE a.stockid = 1 and "
    "a.goodsid = 2 union all SELECT a.goodsid,a.stockid,a.warnDown FROM baseGoodsWarn AS a WHERE "
    "a.stockid = 1",
    " SELECT a.goodsid FROM baseGoodsStock AS a WHERE a.goodsid = 1 UNION ALL  SELECT a.goodsid "
    "FROM baseGoodsStockOther AS a WHERE a.goodsid = 1 UNION ALL  SELECT a.goodsid FROM "
    "iniGoodsStock AS a WHERE a.goodsid = 1 UNION ALL  SELECT a.goodsid FROM iniGoodsStockOther AS "
    "a WHERE a.goodsid = 1",
    "SELECT a.id AS sp_id,b.stockid AS ck_id,b.Qty,b.price,a.yxqNum AS baozhiqi  ,b.outdate AS "
    "shengchanriqi FROM baseGoods AS a,baseGoodsStock AS b  WHERE a.ID = b.goodsid AND b.outdate "
    "<> ''",
    "Update basecuxiao set isstop = case when isstop = 1 then 0 else 1 end where id = 1",
    "  SELECT * FROM baseCuXiao AS a  \tWHERE a.del = 0 AND A.isStop = 0       \tAND a.isjgcx = 1 "
    "\tAND a.khid = 1\tAND a.goodsid = 1\tAND (((a.BeginDate <= '2024-01-01') AND ('2024-01-01' "
    "<=a.EndDate)) \t\tOR ((a.BeginDate <= '2024-02-01') AND ('2024-02-01'<=a.EndDate)))",
    "select * from basekm where id = 8",
    "SELECT * FROM baseFieldNames  WHERE code LIKE '1001%' order by code",
    "Update baseFieldNames set name = '颜色'  where code = '100141'",
    "SELECT a.id FROM baseGoods AS a WHERE a.updateTime > '2030-01-01' AND a.del = 0",
    " Update basegoods SET updateTime = '2024-01-01 00:00:00' ",
};

TEST_F(SchemaAccountSetTest, EveryNamedTableAndColumnExistsIsFoundWithoutRegardToCaseAndIsIndexed) {
    const auto names = readTsv(u"schema_names.tsv"_s, false);
    ASSERT_GT(names.size(), 300u);
    QHash<QString, QSet<QString>> cache;
    int missing = 0;
    for (const QStringList& n : names) {
        ASSERT_EQ(n.size(), 2) << n.join(QLatin1Char('|')).toStdString();
        const QString table = n[0];
        if (!cache.contains(table))
            cache.insert(table, columnsOf(db_, table));
        const QSet<QString>& cols = cache[table];
        EXPECT_FALSE(cols.isEmpty()) << "table missing: " << table.toStdString();
        if (!cols.contains(n[1].toLower())) {
            ++missing;
            ADD_FAILURE() << "column missing: " << table.toStdString() << "." << n[1].toStdString();
        }
    }
    EXPECT_EQ(missing, 0);
    // Names are found without regard to case, and indexes serve the frequent lookups.
    // The system's texts spell the same table in several ways (djIndex, djindex, sysDjb, sysdjb).
    for (const char* spelled :
         {"djindex", "DJINDEX", "sysdjb", "basewldw", "syspurview", "sysconf"}) {
        EXPECT_EQ(
            scalar(db_, u"SELECT count(*) FROM %1 WHERE 1 = 0"_s.arg(QString::fromUtf8(spelled))),
            u"0"_s)
            << spelled;
    }
    // Codes and names compare without regard to case too.
    ASSERT_EQ(dyt::schematest::run(db_,
                                   u"INSERT INTO baseGoods(id, par_jl, code, fullname, pym) "
                                   "VALUES (7, '7,', 'ab-01', 'Widget', 'WG')"_s),
              SQLITE_OK);
    EXPECT_EQ(scalar(db_, u"SELECT id FROM baseGoods WHERE code = 'AB-01'"_s), u"7"_s);
    EXPECT_EQ(scalar(db_, u"SELECT id FROM baseGoods WHERE fullname = 'WIDGET'"_s), u"7"_s);
    EXPECT_EQ(scalar(db_, u"SELECT sysValue FROM sysData WHERE Name = 'autosn'"_s), u"1"_s);
    struct Case {
        const char* sql;
        const char* index;
    };
    const Case cases[] = {
        {"SELECT * FROM djIndex WHERE date >= '2024-01-01'", "ix_djIndex_date"},
        {"SELECT * FROM djIndex WHERE djType = 1 AND date >= '2024-01-01'", "ix_djIndex_type"},
        {"SELECT * FROM djList WHERE id = 5", "ix_djList_bill"},
        {"SELECT * FROM djList WHERE goodsid = 5 AND dj_state <> 0", "ix_djList_goods"},
        {"SELECT * FROM baseGoods WHERE par_id = 3", "ix_baseGoods_par"},
        {"SELECT * FROM baseWLDW WHERE code = 'K01'", "ix_baseWLDW_code"},
        {"SELECT * FROM baseGoodsStock WHERE goodsid = 1 AND stockid = 2",
         "ix_baseGoodsStock_goods"},
        {"SELECT top1.id FROM baseGoods AS top1 WHERE top1.updateTime > '2024-01-01'",
         "ix_baseGoods_update"},
        // The stock status report reads the stock ledger from its index alone.
        {"SELECT goodsid, SUM(qty), SUM(total) FROM baseGoodsStock WHERE 1 = 1 GROUP BY goodsid",
         "COVERING INDEX ix_baseGoodsStock_report"},
        {"SELECT SUM(qty), SUM(total) FROM baseGoodsStock WHERE goodsid = 5",
         "COVERING INDEX ix_baseGoodsStock_report"}};
    for (const Case& c : cases) {
        QString plan;
        for (const QStringList& r :
             query(db_, u"EXPLAIN QUERY PLAN "_s + QString::fromUtf8(c.sql))) {
            plan += r.value(3) + QLatin1Char('\n');
        }
        EXPECT_TRUE(plan.contains(QString::fromUtf8(c.index))) << c.sql << "\n"
                                                               << plan.toStdString();
    }
    // The windows' own SQL texts that need no dialect translation run unchanged: every table and
    // column they name exists with a fitting type.
    for (const char* text : kTexts) {
        char* err = nullptr;
        const int rc = sqlite3_exec(db_, text, nullptr, nullptr, &err);
        EXPECT_EQ(rc, SQLITE_OK) << text << "\n" << (err ? err : "");
        sqlite3_free(err);
    }
}

}  // namespace
