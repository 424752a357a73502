// Tables and indexes of an account set, schema version 1.
//
// Column types. Every table is written in SQL that SQLite and PostgreSQL both accept, with these
// conventions:
//   K  INTEGER PRIMARY KEY (SQLite's row id; a PostgreSQL port declares it an identity column)
//   I  INTEGER NOT NULL DEFAULT 0          ids of other rows (0 = none), flags, counters
//   T  TEXT NOT NULL DEFAULT ''            free text compared exactly (paths, formats, passwords)
//   N  TEXT COLLATE NOCASE ... DEFAULT ''  codes, names and remarks: the original database compared
//                                          them without regard to letter case; a PostgreSQL port
//                                          maps NOCASE to a case-insensitive collation
//   D  TEXT NOT NULL DEFAULT ''            dates "yyyy-mm-dd" and stamps "yyyy-mm-dd hh:nn:ss"
//   (text
//                                          sorts in date order and compares with the client's
//                                          texts)
//   M  NUMERIC(19,4) NOT NULL DEFAULT 0    money: fixed point with four decimals; the ledger code
//                                          rounds every amount it writes to four decimals, so SQL
//                                          arithmetic (sums, differences) stays exact enough, and
//                                          PostgreSQL keeps it as an exact decimal
//   Q  NUMERIC(24,8) NOT NULL DEFAULT 0    quantities, prices, rates and ratios: up to eight
//   decimal
//                                          places may be configured for display
//   P  TEXT COLLATE NOCASE NOT NULL PRIMARY KEY
// A column may carry "=value" for another default and "name#a-b" stands for name<a> … name<b>.
//
// Base-data kinds (goods, partners, employees, warehouses, departments, regions, abstracts,
// accounts and the small lists) keep categories and records in one table with the tree columns
// id, par_id (0 = top), par_jl (ids from the top down, each followed by ","), leveal (1..5),
// sonnum (children; above 0 marks a category), code, fullname and pym.

#include <sqlite3.h>

#include <QStringList>

#include "common/error.h"
#include "server/db/schema_internal.h"

namespace dyt::server::schema::detail {
namespace {

#define DYT_TREE "id:K par_id:I par_jl:T leveal:I=1 sonnum:I code:N fullname:N pym:N "
#define DYT_TREE_CHECK "CHECK (leveal BETWEEN 1 AND 5 AND sonnum >= 0)"

struct TableDef {
    const char* name;
    const char* columns;                        // the column mini-language above, or raw SQL
    std::vector<const char*> constraints = {};  // table constraints, written as SQL
    bool raw = false;                           // columns is a complete SQL column list
};

// The tables whose columns the server runtime relies on (schema.h) are written out in SQL so
// that they read exactly as documented there.
const std::vector<TableDef>& tables() {
    static const std::vector<TableDef> defs = {
        // ---- core tables (schema.h) ----
        {"sysVersion", "version INTEGER NOT NULL", {}, true},
        {"baseZY",
         DYT_TREE "depid:I del:I candel:I=1 name:N Birthday:D tel:N Worktime:D addr:N Anumber:N "
                  "zyjbid:I YouHuiTotalUp:M isstop:I comment:N bz#1-10:N orderly:I updateTime:D",
         {DYT_TREE_CHECK}},
        {"sysuser",
         "id:K password:T par_id:I isstop:I",
         {"FOREIGN KEY (id) REFERENCES baseZY(id)"}},
        {"syssession",
         "id INTEGER PRIMARY KEY, PcID TEXT, userId INTEGER, loginTime TEXT",
         {},
         true},
        {"sysLog",
         "id INTEGER PRIMARY KEY AUTOINCREMENT, logTime TEXT, logUserName TEXT, logUserId INTEGER, "
         "logHostName TEXT, logIpAddr TEXT, logMacAddr TEXT, logMsgType INTEGER, logMsgCont TEXT, "
         "aTag TEXT",
         {},
         true},
        {"sysColConfigure",
         "ColId TEXT NOT NULL, userId INTEGER NOT NULL, colstr1 TEXT, colstr2 TEXT, colstr3 TEXT, "
         "colstr4 TEXT, colstr5 TEXT, colstr6 TEXT, colstr7 TEXT, colstr8 TEXT, colstr9 TEXT, "
         "colstr10 TEXT, ColValue TEXT, PRIMARY KEY (ColId, userId)",
         {},
         true},
        {"sysData",
         "id INTEGER PRIMARY KEY, Name TEXT UNIQUE COLLATE NOCASE, sysValue TEXT, comment TEXT",
         {},
         true},

        // ---- settings, switches, numbering, periods ----
        // Bill-entry switches: type 1 rows are edited in the options dialog, isuse 0 rows are
        // reserved and read by nobody.
        {"sysConf", "id:K name:N sysValue:T type:I isuse:I=1 comment:N"},
        // Closed and current periods: type 0 = month, 1 = year; sysData "JxcPeriodNow" names the
        // month row of the current stock period.
        {"sysPeriod",
         "type:I id:I name:N beginDate:D EndDate:D billSum:I isClosed:I",
         {"PRIMARY KEY (type, id)", "CHECK (type IN (0, 1))"}},
        // Numbering counters per bill kind (id = djType; 0 = the shared counter when all kinds
        // are numbered in one run); lastDate is the bill date the counters were last used for.
        {"sysbillNo", "id:K lastDate:D yearMaxNo:I monthMaxNo:I dayMaxNo:I"},

        // ---- bill kinds, menu, rights ----
        {"sysDjb",
         DYT_TREE "orderly:I menuid:I inputnum:I=1 inputName#1-5:N inputid#2-5:T inputText#2-5:N "
                  "printNum:I printNumSum:I printisCheck:I printPassword:T NumHead:N SNFormat:T "
                  "comment:T",
         {"CHECK (inputnum BETWEEN 1 AND 5)"}},
        // Function menu and rights catalogue. leveal 0 is the menu bar itself; isbtn rows are
        // operation rights inside windows (never menu entries); sonnum counts the menu children
        // (isbtn = 0) only, so a window with operation rights stays a command entry; type is the
        // right group (0..17) of the operator rights window; djType the bill kind an entry opens.
        {"sysMenu",
         "id:K code:N Name:N par_id:I par_jl:T leveal:I sonnum:I isbtn:I hide:I groupby:I "
         "ShortCut:T ordercode:T type:I djType:I",
         {"UNIQUE (code)", "CHECK (leveal >= 0 AND sonnum >= 0)"}},
        {"sysPurview",
         "id:K userid:I menuid:I isbj:I iscygn:I openCount:I",
         {"UNIQUE (userid, menuid)",
          "FOREIGN KEY (userid) REFERENCES sysuser(id) ON DELETE CASCADE",
          "FOREIGN KEY (menuid) REFERENCES sysMenu(id) ON DELETE CASCADE"}},

        // ---- base data ----
        {"baseGoods",
         DYT_TREE "name:N gg:N xh:N addr:N costmode:I spType:I isstop:I isCanYuZheShangZhe:I "
                  "yxqNum:I jxqNum:I warnUP:Q warnDown:Q wldw_id:I fdwName:N tcfs:I comment:N "
                  "bz#1-10:N YouWuTuPian:N='无' del:I orderly:I updateTime:D",
         {DYT_TREE_CHECK, "CHECK (costmode BETWEEN 0 AND 3)"}},
        // Units of a goods: fzdwid 0 = base unit, 1 and 2 = auxiliary units.
        {"baseGoodsUnit",
         "id:K Goodsid:I fzdwid:I unit:N rate:Q=1 barcode:N price:Q price1:Q price2:Q price3:Q "
         "isDefault:I latestBuyPrice:Q lowestSalePrice:Q latestSalePrice:Q",
         {"UNIQUE (Goodsid, fzdwid)",
          "FOREIGN KEY (Goodsid) REFERENCES baseGoods(id) ON DELETE CASCADE"}},
        {"baseWLDW",
         DYT_TREE
         "name:N type:I isstop:I jsrid:I addr:N tel:N fax:N email:N sjhm:N postcode:N "
         "bankname:N bankcount:N weburl:N Person:N tax:N ys_xyd:M yf_xyd:M ysDays:I "
         "yfDays:I Areaid:I zwgs_id:I saleselect:I comment:N bz#1-10:N ystotal:M yftotal:M "
         "yushoutotal:M yufutotal:M ystotal00:M yftotal00:M yushouTotal00:M yufuTotal00:M "
         "del:I orderly:I updateTime:D",
         {DYT_TREE_CHECK}},
        {"baseCK",
         DYT_TREE "isstop:I comment:N bz#1-10:N del:I orderly:I updateTime:D",
         {DYT_TREE_CHECK}},
        {"baseBM", DYT_TREE "comment:N bz#1-10:N del:I orderly:I updateTime:D", {DYT_TREE_CHECK}},
        {"baseDQ", DYT_TREE "comment:N del:I orderly:I", {DYT_TREE_CHECK}},
        {"baseZhaiYao", DYT_TREE "comment:N del:I orderly:I", {DYT_TREE_CHECK}},
        // Accounts: kmType 1 assets, 2 liabilities, 3 income, 4 expenses, 5 equity; dc 1 = debit
        // balance, -1 = credit balance; sysrow 1 = system account (no change, no children added,
        // no deletion); Total00 opening balance, Total current balance, dbTotal / LendTotal the
        // debit and credit sums posted.
        {"baseKM",
         DYT_TREE "name:N comment:N kmType:I dc:I=1 sysrow:I Total00:M Total:M dbTotal:M "
                  "LendTotal:M isstop:I del:I orderly:I",
         {DYT_TREE_CHECK}},
        {"baseZYJB", DYT_TREE "comment:N del:I orderly:I", {DYT_TREE_CHECK}},
        {"basePP", DYT_TREE "comment:N del:I orderly:I", {DYT_TREE_CHECK}},
        {"baseJSFS", DYT_TREE "comment:N del:I orderly:I", {DYT_TREE_CHECK}},
        // Costing methods (id = the goods' costmode 0..3).
        {"baseGoodsHS", DYT_TREE "comment:N del:I", {"CHECK (id BETWEEN 0 AND 3)"}},
        {"basetcIndex", DYT_TREE "tclxid:I comment:N del:I orderly:I", {DYT_TREE_CHECK}},
        {"T_base_unit", DYT_TREE "comment:N del:I", {DYT_TREE_CHECK}},
        {"T_base_currency", "moneyId:K code:N Name:N rate:Q=1 comment:N deleted:I"},
        // Fixed assets (IsBaseInfo 0) and their base lists: 1 classes, 2 depreciation methods,
        // 3 settlement methods, 4 states of use.
        {"GDZCDetail",
         "id:K par_id:I code:N Name:N Del:I IsBaseInfo:I lbid:I zjfsid:I jsfsid:I syzkid:I "
         "dep_id:I "
         "km_id:I BuyDate:D yz:M czl:Q zjys:I ljzj:M comment:N"},
        {"baseCuXiao",
         "id:K name:N khid:I goodsid:I unitid:I BeginDate:D EndDate:D ismzcx:I isjgcx:I gmsl:I "
         "zssl:I mzsm:N cxPrice:Q comment:N isStop:I del:I czy_id:I zidingyi#1-10:N updateTime:D"},
        // Field captions: code = kind prefix (1001 goods, 1002 employees, 1003 partners,
        // 1004 warehouses, 1005 departments) + two-digit field number; colName = the record column.
        {"baseFieldNames", "code:P fieldName:N Name:N colName:T orderly:I"},
        // Roles of accounts: type 0 = interface role (name resolved by dbo.fnGetInterfaceKMID),
        // 1 = cash and bank accounts (payment and receipt accounts), 2 = income types,
        // 3 = expense types.
        {"sysSubjectInterface",
         "id:K name:N km_id:I type:I comment:N",
         {"UNIQUE (type, km_id)", "FOREIGN KEY (km_id) REFERENCES baseKM(id)"}},

        // ---- record rights (per operator and record) ----
        {"baseGoodsPurview",
         "id:I czy_id:I isbj:I=1",
         {"PRIMARY KEY (id, czy_id)",
          "FOREIGN KEY (czy_id) REFERENCES sysuser(id) ON DELETE CASCADE"}},
        {"baseWLDWPurview",
         "id:I czy_id:I isbj:I=1",
         {"PRIMARY KEY (id, czy_id)",
          "FOREIGN KEY (czy_id) REFERENCES sysuser(id) ON DELETE CASCADE"}},
        {"baseCKPurview",
         "id:I czy_id:I isbj:I=1",
         {"PRIMARY KEY (id, czy_id)",
          "FOREIGN KEY (czy_id) REFERENCES sysuser(id) ON DELETE CASCADE"}},
        {"baseYHZHPurview",
         "id:I czy_id:I isbj:I=1",
         {"PRIMARY KEY (id, czy_id)",
          "FOREIGN KEY (czy_id) REFERENCES sysuser(id) ON DELETE CASCADE"}},
        {"basezyPurview",
         "id:I czy_id:I isbj:I=1",
         {"PRIMARY KEY (id, czy_id)",
          "FOREIGN KEY (czy_id) REFERENCES sysuser(id) ON DELETE CASCADE"}},
        {"basebmPurview",
         "id:I czy_id:I isbj:I=1",
         {"PRIMARY KEY (id, czy_id)",
          "FOREIGN KEY (czy_id) REFERENCES sysuser(id) ON DELETE CASCADE"}},

        // ---- bills ----
        // One row per bill. dj_state 0 deleted, 1 draft, 2 posted. The names of the audit
        // performers follow their ids (triggers below); rec_Name is the maker's name when made.
        {"djIndex",
         "id:K djType:I code:N date:D dj_state:I=1 dj_Caption:N djname:N isred:I isredword:I "
         "redBillid:I rec_id:I rec_Name:N inputid#2-5:I inputid2Name:N inputid3Name:N "
         "inputid4Name:N inputid5Name:N postid:I postDateTime:D printnum:I wldw_id:I jsr_id:I "
         "dep_id:I IntoStock_id:I OutStock_id:I dd_id:I yfwldw_id:I JieShaoRenID:I sfkKm_id:I "
         "yfKm_id:I total:M taxTotalSum:M sfkTotal:M sfkTotalLj:M sfkDate:D yfTotal:M "
         "yfTotalSum:M billDiscount:Q YouHuiBiLv:Q youhuiTotal:M kpTotal:M isdaishoukuan:I hhlx:I "
         "isOver:I summery:N comment:N isDuiZhang:I DuiZhangShuoMing:N pz_Caption:N PcID:N "
         "zidingyi#1-10:N updateTime:D",
         {"CHECK (dj_state IN (0, 1, 2))"}},
        // One row per bill line (orderid). Receipt and payment bills keep their account rows
        // (km_id > 0) and their settled bills (km_id = 0, s_id = the settled bill) here too.
        {"djList",
         "orderid:K id:I djType:I date:D dj_state:I=1 goodsid:I IntoStock_id:I OutStock_id:I "
         "costmode:I ph:N outdate:D yxqdate:D goodspc:I unit:I rate:Q=1 qty:Q fdwqty:Q price:Q "
         "total:M discount:Q=1 discountprice:Q discounttotal:M tax:Q taxtotal:M taxprice:Q "
         "taxTotalSum:M yftotal:M costprice:Q costtotal:M lsprice:Q lstotal:M kpTotal:M RowType:I "
         "comment:N rowbeizhu#1-5:N barcode:N UnitRate:N s_id:I s_orderid:I km_id:I toQty:Q "
         "isOver:I isCanYuZheShangZhe:I",
         {"CHECK (dj_state IN (0, 1, 2))",
          "FOREIGN KEY (id) REFERENCES djIndex(id) ON DELETE CASCADE"}},
        // Money lines of a bill: type 1 payment/receipt accounts, 2 freight accounts, 0 the
        // account lines the posting derives (stock, receivables, income, …).
        {"djKmDetail",
         "orderid:K id:I djType:I date:D km_id:I type:I dbTotal:M LendTotal:M dj_state:I=1 "
         "wldw_id:I comment:N",
         {"CHECK (dj_state IN (0, 1, 2))",
          "FOREIGN KEY (id) REFERENCES djIndex(id) ON DELETE CASCADE",
          "FOREIGN KEY (km_id) REFERENCES baseKM(id)"}},

        // ---- ledgers written by the posting ----
        // Stock and cost layers: one row per goods, warehouse and batch (goodspc). Goods costed by
        // moving weighted average keep one row with goodspc 0; FIFO, LIFO and manual batches keep
        // one row per batch, ordered by indate and id.
        {"baseGoodsStock",
         "id:K goodsid:I stockid:I goodspc:I ph:N outdate:D yxqdate:D indate:D qty:Q price:Q "
         "total:M s_id:I",
         {"FOREIGN KEY (goodsid) REFERENCES baseGoods(id)",
          "FOREIGN KEY (stockid) REFERENCES baseCK(id)"}},
        // Goods held by or for partners: typeid 1 borrowed in, 2 lent out, 3 consigned out,
        // 4 held on consignment, 5 out for processing.
        {"baseGoodsStockOther",
         "id:K goodsid:I wldw_id:I typeid:I stockid:I goodspc:I qty:Q price:Q total:M costprice:Q "
         "costtotal:M",
         {"CHECK (typeid BETWEEN 1 AND 5)", "FOREIGN KEY (goodsid) REFERENCES baseGoods(id)",
          "FOREIGN KEY (wldw_id) REFERENCES baseWLDW(id)"}},
        {"baseGoodsWarn",
         "goodsid:I stockid:I warnUp:Q warnDown:Q",
         {"PRIMARY KEY (goodsid, stockid)", "FOREIGN KEY (goodsid) REFERENCES baseGoods(id)"}},
        // Movement ledger of stock: qty and total signed (+ in, − out), at cost.
        {"djStockDetail",
         "orderid:K id:I listid:I djType:I date:D dj_state:I=2 goodsid:I stockid:I goodspc:I qty:Q "
         "total:M costprice:Q",
         {"FOREIGN KEY (id) REFERENCES djIndex(id) ON DELETE CASCADE"}},
        // Movement ledger of partner balances: the signed change of each balance by a bill.
        {"djWLDWDetail",
         "orderid:K id:I djType:I date:D dj_state:I=2 wldw_id:I ysTotal:M yfTotal:M "
         "yushouTotal:M yufuTotal:M comment:N",
         {"FOREIGN KEY (id) REFERENCES djIndex(id) ON DELETE CASCADE"}},

        // ---- opening balances ----
        {"iniGoodsStock",
         "id:K goodsid:I stockid:I goodspc:I ph:N outdate:D yxqdate:D qty:Q price:Q total:M",
         {"FOREIGN KEY (goodsid) REFERENCES baseGoods(id)",
          "FOREIGN KEY (stockid) REFERENCES baseCK(id)"}},
        {"iniGoodsStockOther",
         "id:K goodsid:I wldw_id:I typeid:I qty:Q price:Q total:M costprice:Q costtotal:M",
         {"CHECK (typeid BETWEEN 1 AND 5)", "FOREIGN KEY (goodsid) REFERENCES baseGoods(id)",
          "FOREIGN KEY (wldw_id) REFERENCES baseWLDW(id)"}},
    };
    return defs;
}

const char* const kIndexes[] = {
    "CREATE INDEX ix_djIndex_date ON djIndex(date)",
    "CREATE INDEX ix_djIndex_type ON djIndex(djType, date)",
    "CREATE INDEX ix_djIndex_state ON djIndex(dj_state, date)",
    "CREATE INDEX ix_djIndex_wldw ON djIndex(wldw_id, date)",
    "CREATE INDEX ix_djIndex_code ON djIndex(code)",
    "CREATE INDEX ix_djList_bill ON djList(id)",
    "CREATE INDEX ix_djList_goods ON djList(goodsid, dj_state)",
    "CREATE INDEX ix_djList_source ON djList(s_id, s_orderid)",
    "CREATE INDEX ix_djKmDetail_bill ON djKmDetail(id)",
    "CREATE INDEX ix_djKmDetail_km ON djKmDetail(km_id, dj_state)",
    "CREATE INDEX ix_djStockDetail_bill ON djStockDetail(id)",
    "CREATE INDEX ix_djStockDetail_goods ON djStockDetail(goodsid, stockid, date)",
    "CREATE INDEX ix_djWLDWDetail_bill ON djWLDWDetail(id)",
    "CREATE INDEX ix_djWLDWDetail_wldw ON djWLDWDetail(wldw_id, date)",
    "CREATE INDEX ix_baseGoods_update ON baseGoods(updateTime)",
    "CREATE INDEX ix_baseWLDW_update ON baseWLDW(updateTime)",
    "CREATE INDEX ix_baseGoodsUnit_barcode ON baseGoodsUnit(barcode)",
    "CREATE INDEX ix_baseGoodsStock_goods ON baseGoodsStock(goodsid, stockid, goodspc)",
    "CREATE INDEX ix_baseGoodsStock_stock ON baseGoodsStock(stockid)",
    "CREATE INDEX ix_baseGoodsStockOther_goods ON baseGoodsStockOther(goodsid, wldw_id, typeid)",
    "CREATE INDEX ix_iniGoodsStock_goods ON iniGoodsStock(goodsid, stockid)",
    "CREATE INDEX ix_iniGoodsStockOther_goods ON iniGoodsStockOther(goodsid, wldw_id, typeid)",
    "CREATE INDEX ix_baseCuXiao_goods ON baseCuXiao(goodsid, khid)",
    "CREATE INDEX ix_sysLog_time ON sysLog(logTime)",
    "CREATE INDEX ix_sysMenu_par ON sysMenu(par_id)",
    "CREATE INDEX ix_sysMenu_order ON sysMenu(ordercode)",
    "CREATE INDEX ix_sysPurview_menu ON sysPurview(menuid)",
    "CREATE UNIQUE INDEX ux_sysSubjectInterface_role ON sysSubjectInterface(name) WHERE type = 0",
};

// Tables with the base-data tree get an index on par_id and on code.
const char* const kTreeTables[] = {"baseZY",   "baseGoods",   "baseWLDW",    "baseCK",   "baseBM",
                                   "baseDQ",   "baseZhaiYao", "baseKM",      "baseZYJB", "basePP",
                                   "baseJSFS", "basetcIndex", "T_base_unit", "sysDjb"};

// The audit performers' names follow the ids that the bill windows write directly.
const char* const kTriggers[] = {
    "CREATE TRIGGER tr_djIndex_inputid2 AFTER UPDATE OF inputid2 ON djIndex BEGIN "
    "UPDATE djIndex SET inputid2Name = COALESCE((SELECT fullname FROM baseZY WHERE id = "
    "NEW.inputid2), '') WHERE id = NEW.id; END",
    "CREATE TRIGGER tr_djIndex_inputid3 AFTER UPDATE OF inputid3 ON djIndex BEGIN "
    "UPDATE djIndex SET inputid3Name = COALESCE((SELECT fullname FROM baseZY WHERE id = "
    "NEW.inputid3), '') WHERE id = NEW.id; END",
    "CREATE TRIGGER tr_djIndex_inputid4 AFTER UPDATE OF inputid4 ON djIndex BEGIN "
    "UPDATE djIndex SET inputid4Name = COALESCE((SELECT fullname FROM baseZY WHERE id = "
    "NEW.inputid4), '') WHERE id = NEW.id; END",
    "CREATE TRIGGER tr_djIndex_inputid5 AFTER UPDATE OF inputid5 ON djIndex BEGIN "
    "UPDATE djIndex SET inputid5Name = COALESCE((SELECT fullname FROM baseZY WHERE id = "
    "NEW.inputid5), '') WHERE id = NEW.id; END",
};

// The header fields the business history may change on a posted bill are refused while the bill
// is reversed, reconciled or lies before the current accounting month, whatever statement
// carries the change.
const char* const kPostedHeaderGuard =
    "CREATE TRIGGER tr_djIndex_posted_header BEFORE UPDATE OF jsr_id, dep_id, code, summery ON "
    "djIndex WHEN OLD.dj_state = 2 AND (NEW.jsr_id IS NOT OLD.jsr_id OR NEW.dep_id IS NOT "
    "OLD.dep_id OR NEW.code IS NOT OLD.code OR NEW.summery IS NOT OLD.summery) BEGIN "
    "SELECT RAISE(ABORT, '不能修改已红冲的单据') WHERE OLD.isred = 1; "
    "SELECT RAISE(ABORT, '不能修改已对账的单据') WHERE OLD.isDuiZhang = 1; "
    "SELECT RAISE(ABORT, '本张单据已月结存，不能修改') WHERE OLD.date < (SELECT p.beginDate "
    "FROM sysPeriod AS p WHERE p.type = 0 AND p.id = COALESCE((SELECT CAST(d.sysValue AS "
    "INTEGER) FROM sysData AS d WHERE d.Name = 'JxcPeriodNow'), 1)); END";

QString columnType(QChar kind, const QString& name) {
    switch (kind.unicode()) {
        case 'K':
            return QStringLiteral("INTEGER PRIMARY KEY");
        case 'I':
            return QStringLiteral("INTEGER NOT NULL DEFAULT 0");
        case 'T':
        case 'D':
            return QStringLiteral("TEXT NOT NULL DEFAULT ''");
        case 'N':
            return QStringLiteral("TEXT COLLATE NOCASE NOT NULL DEFAULT ''");
        case 'M':
            return QStringLiteral("NUMERIC(19,4) NOT NULL DEFAULT 0");
        case 'Q':
            return QStringLiteral("NUMERIC(24,8) NOT NULL DEFAULT 0");
        case 'P':
            return QStringLiteral("TEXT COLLATE NOCASE NOT NULL PRIMARY KEY");
        default:
            throw DytError(QStringLiteral("列类型错误：%1").arg(name));
    }
}

// Turns the column mini-language into SQL column definitions.
QString columnsSql(const TableDef& t) {
    if (t.raw)
        return QString::fromUtf8(t.columns);
    QStringList out;
    const QStringList tokens =
        QString::fromUtf8(t.columns).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (const QString& token : tokens) {
        const int colon = token.indexOf(QLatin1Char(':'));
        if (colon <= 0 || colon + 1 >= token.size()) {
            throw DytError(
                QStringLiteral("列定义错误：%1.%2").arg(QString::fromUtf8(t.name), token));
        }
        QString name = token.left(colon);
        QString type = columnType(token.at(colon + 1), token);
        const int eq = token.indexOf(QLatin1Char('='), colon);
        if (eq > 0) {
            const int at = type.indexOf(QLatin1String("DEFAULT"));
            if (at < 0) {
                throw DytError(
                    QStringLiteral("列定义错误：%1.%2").arg(QString::fromUtf8(t.name), token));
            }
            type = type.left(at) + QStringLiteral("DEFAULT ") + token.mid(eq + 1);
        }
        QStringList names;
        const int hash = name.indexOf(QLatin1Char('#'));
        if (hash > 0) {
            const QStringList range = name.mid(hash + 1).split(QLatin1Char('-'));
            const QString stem = name.left(hash);
            for (int i = range.value(0).toInt(); i <= range.value(1).toInt(); ++i) {
                names << stem + QString::number(i);
            }
        } else {
            names << name;
        }
        for (const QString& n : names)
            out << n + QLatin1Char(' ') + type;
    }
    for (const char* c : t.constraints)
        out << QString::fromUtf8(c);
    return out.join(QStringLiteral(", "));
}

}  // namespace

void createTablesV1(Connection db) {
    for (const TableDef& t : tables()) {
        const QString sql =
            QStringLiteral("CREATE TABLE %1 (%2)").arg(QString::fromUtf8(t.name), columnsSql(t));
        exec(db, sql.toUtf8().constData());
    }
    for (const char* table : kTreeTables) {
        const QString t = QString::fromUtf8(table);
        exec(db,
             QStringLiteral("CREATE INDEX ix_%1_par ON %1(par_id)").arg(t).toUtf8().constData());
        exec(db, QStringLiteral("CREATE INDEX ix_%1_code ON %1(code)").arg(t).toUtf8().constData());
    }
    for (const char* sql : kIndexes)
        exec(db, sql);
    for (const char* sql : kTriggers)
        exec(db, sql);
    createChangeStampTriggers(db);
}

void createBillGuards(Connection db, bool ifMissing) {
    QString sql = QString::fromUtf8(kPostedHeaderGuard);
    if (ifMissing)
        sql.replace(QStringLiteral("CREATE TRIGGER "),
                    QStringLiteral("CREATE TRIGGER IF NOT EXISTS "));
    exec(db, sql.toUtf8().constData());
}

void dropChangeStampTriggers(Connection db) {
    const char* const triggers[][2] = {
        {"tr_baseGoods_stamp_insert", "baseGoods"},     {"tr_baseGoods_stamp_update", "baseGoods"},
        {"tr_baseWLDW_stamp_insert", "baseWLDW"},       {"tr_baseWLDW_stamp_update", "baseWLDW"},
        {"tr_baseGoodsUnit_stamp_insert", "baseGoodsUnit"},
        {"tr_baseGoodsUnit_stamp_update", "baseGoodsUnit"},
        {"tr_baseGoodsUnit_stamp_delete", "baseGoodsUnit"},
        {"tr_baseWLDW_stamp_goods", "baseWLDW"},        {"tr_baseDQ_stamp_wldw", "baseDQ"}};
    for (const auto& t : triggers) {
        const QString sql = db.postgres()
                                ? QStringLiteral("DROP TRIGGER IF EXISTS %1 ON %2").arg(
                                      QLatin1String(t[0]), QLatin1String(t[1]))
                                : QStringLiteral("DROP TRIGGER IF EXISTS %1").arg(QLatin1String(t[0]));
        exec(db, sql.toUtf8().constData());
    }
}

QString changeStampExpression() {
    return QStringLiteral("datetime('now', 'localtime')");
}

void createChangeStampTriggers(Connection db, bool ifMissing) {
    const QString now = changeStampExpression();
    // Goods and partners: a change that leaves updateTime as it was gets the current time. The
    // clock check of the clients writes updateTime itself and keeps what it wrote.
    QStringList sql;
    for (const char* table : {"baseGoods", "baseWLDW"}) {
        const QString t = QString::fromLatin1(table);
        sql << QStringLiteral(
                   "CREATE TRIGGER tr_%1_stamp_insert AFTER INSERT ON %1 "
                   "WHEN NEW.updateTime = '' BEGIN "
                   "UPDATE %1 SET updateTime = %2 WHERE id = NEW.id; END")
                   .arg(t, now)
            << QStringLiteral(
                   "CREATE TRIGGER tr_%1_stamp_update AFTER UPDATE ON %1 "
                   "WHEN NEW.updateTime IS OLD.updateTime BEGIN "
                   "UPDATE %1 SET updateTime = %2 WHERE id = NEW.id; END")
                   .arg(t, now);
    }
    // Units, barcodes and prices belong to their goods.
    sql << QStringLiteral(
               "CREATE TRIGGER tr_baseGoodsUnit_stamp_insert AFTER INSERT ON "
               "baseGoodsUnit BEGIN UPDATE baseGoods SET updateTime = %1 "
               "WHERE id = NEW.Goodsid; END")
               .arg(now)
        << QStringLiteral(
               "CREATE TRIGGER tr_baseGoodsUnit_stamp_update AFTER UPDATE ON "
               "baseGoodsUnit BEGIN UPDATE baseGoods SET updateTime = %1 "
               "WHERE id IN (NEW.Goodsid, OLD.Goodsid); END")
               .arg(now)
        << QStringLiteral(
               "CREATE TRIGGER tr_baseGoodsUnit_stamp_delete AFTER DELETE ON "
               "baseGoodsUnit BEGIN UPDATE baseGoods SET updateTime = %1 "
               "WHERE id = OLD.Goodsid; END")
               .arg(now)
        // The cached goods carry the name of their default supplier, the cached partners the code
        // and name of their region.
        << QStringLiteral(
               "CREATE TRIGGER tr_baseWLDW_stamp_goods AFTER UPDATE OF fullname ON "
               "baseWLDW WHEN NEW.fullname IS NOT OLD.fullname BEGIN "
               "UPDATE baseGoods SET updateTime = %1 WHERE wldw_id = NEW.id; END")
               .arg(now)
        << QStringLiteral(
               "CREATE TRIGGER tr_baseDQ_stamp_wldw AFTER UPDATE OF code, fullname ON "
               "baseDQ WHEN NEW.code IS NOT OLD.code OR NEW.fullname IS NOT "
               "OLD.fullname BEGIN UPDATE baseWLDW SET updateTime = %1 "
               "WHERE Areaid = NEW.id; END")
               .arg(now);
    for (QString& s : sql) {
        if (ifMissing)
            s.replace(QStringLiteral("CREATE TRIGGER "),
                      QStringLiteral("CREATE TRIGGER IF NOT EXISTS "));
        exec(db, s.toUtf8().constData());
    }
}

}  // namespace dyt::server::schema::detail
