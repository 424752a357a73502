// The function menu: a consistent tree holding every function code, the rights of bill entries,
// the navigator's filters and the common-functions list.

#include <QHash>
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

}  // namespace
