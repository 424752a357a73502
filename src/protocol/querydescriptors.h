#pragma once
// The query windows as data. Every query and report window of the client is one row of this
// table: its class name (the key the function menu opens it by), its title, the stored procedure
// it calls with its report codes (QueryType), the condition dialog and page it shows, its grid
// columns with their caption tags, the category tree it loads, the window it drills down into and
// the columns it derives on the client. The condition dialogs are data as well: each dialog class
// has one page per window that uses it, and a page names its pickers, dates, bill-type boxes and
// extra conditions.
//
// The server dispatches on procedure + QueryType and answers the column field names listed here;
// the client builds one generic window from a row. QtCore only.

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace dyt {

// The base data whose category tree a window shows on its left (loaded through P_JXC_Get_Base).
enum class QueryTree { None, Goods, Partner, Employee, Department, Warehouse };

// What one grid row of a window stands for.
enum class QuerySubject {
    Goods,        // goods and goods categories (drill-down by category)
    Partner,      // trading partners
    Employee,     // employees
    Department,   // departments
    Warehouse,    // warehouses
    Ledger,       // one bill line per row ("查看单据" opens the bill)
    BillList,     // one bill per row ("查看单据" opens the bill)
    StockStatus,  // the stock status report
    Plain         // anything else (periods, accounts, summaries)
};

// One grid column: the data field and the caption with its tags ("[%SUM%Q%]销售数量"); width 0
// keeps the column hidden.
struct QueryColumn {
    QString field;
    QString caption;
    int width = 80;
};

// A column the client computes after filling: target = |amount ÷ qty| when qty and amount are
// not 0, rounded with the account set's number format.
struct QueryDerivedPrice {
    QString target;
    QString amountField;
    QString qtyField;
};

struct QueryDescriptor {
    QString className;
    QString title;
    QString procedure;            // empty: the window calls no report procedure
    QString sql;                  // the SQL text of a window that reads its rows without one
    QStringList queryTypes;       // first = the one the window sends; may be empty
    QStringList otherProcedures;  // further procedures the window calls
    QString dialogClass;          // condition dialog class
    QString dialogPage;           // the page's caption in that dialog
    QuerySubject subject = QuerySubject::Plain;
    QueryTree tree = QueryTree::None;
    QList<QueryColumn> columns;
    QString drillDown;  // class name of the detail ledger opened from a row
    QList<QueryDerivedPrice> derived;
    bool redBillCombo = false;  // detail ledgers: red-bill filter and "查看单据"
    QString goodsKey;           // "GoodsStr", or "goodsStr" for the stock status report
    int billState = 0;          // bill lists: the dj_state they list (2 posted, 1 drafts), 0 any

    // The QueryType the window sends ("" when it has none).
    QString queryType() const { return queryTypes.value(0); }
    // True when the window opens bills from its rows ("查看单据").
    bool opensBills() const {
        return subject == QuerySubject::Ledger || subject == QuerySubject::BillList;
    }
    // The column with that field name (case-insensitive), nullptr when none.
    const QueryColumn* column(const QString& field) const;
};

// The whole table in menu order.
const QList<QueryDescriptor>& queryDescriptors();
// The row of a class name (case-insensitive), nullptr for an unknown name.
const QueryDescriptor* findQueryDescriptor(const QString& className);
// Every row that calls that procedure with that QueryType (both case-insensitive).
QList<const QueryDescriptor*> findQueryDescriptors(const QString& procedure,
                                                   const QString& queryType);
// The QueryType of the category tree of a tree kind: "SP", "WLDW", "ZY", "BM", "ck"; "" for None.
QString treeQueryType(QueryTree tree);

// The columns of an answer that spreads its figures over the warehouses: for each field
// "ckQty_<id>" a quantity column and for each "ckTotal_<id>" an amount column, captioned with the
// warehouse's name (warehouseName(id); the id itself when it gives nothing), in the answer's order.
QList<QueryColumn> warehouseSpreadColumns(const QStringList& answerFields,
                                          const std::function<QString(qint64)>& warehouseName);

// --- condition dialogs

// The base-data kind behind a picker; the kind names are those of the selection windows.
enum class PickerKind { Partner, Employee, Warehouse, Department, Goods, Region };

// Which parameter line the picker's condition string goes to.
enum class PickerRole {
    Partner,       // wldwStr
    Employee,      // zyStr
    Warehouse,     // ckStr
    Department,    // bmStr
    Goods,         // GoodsStr (the stock status report only)
    Region,        // ";dqid=" in filter
    OutWarehouse,  // second warehouse of exchange bills: ";outckid=" in filter
    Extra          // any other warehouse role: ";" + key + "=" in filter
};

struct QueryPicker {
    PickerKind kind = PickerKind::Partner;
    PickerRole role = PickerRole::Partner;
    QString label;  // "单位全名" …
    QString key;    // filter key for Extra
};

struct QueryBillBox {
    QString caption;
    int djType = 0;
};

enum class ExtraKind { Radio, Days, Date, Text, Number };

// A condition of a page beyond pickers, dates and bill types; its value goes into filter as
// ";" + key + "=" + value.
struct QueryExtra {
    ExtraKind kind = ExtraKind::Text;
    QString key;
    QString caption;
    QStringList items;  // radio items
};

// What a page is made of.
enum class PageKind {
    Conditions,  // dates, pickers, bill-type boxes and extra conditions
    Groups,  // a group editor: a list of groups of partners or warehouses ("新增组", "删除组")
    OperatorList  // one operator picked from the other operators (the rights copy)
};

struct QueryDialogPage {
    QString caption;
    PageKind kind = PageKind::Conditions;
    // Group editors: the base data the groups are made of (Partner or Warehouse).
    PickerKind groupKind = PickerKind::Partner;
    int width = 355;
    int height = 331;
    bool dates = true;
    bool secondDates = false;  // a second comparison range ("对比开始时间"/"对比结束时间")
    QList<QueryPicker> pickers;
    int billType = 0;  // the page's one bill type (0: none) when it has no boxes
    QList<QueryBillBox> billBoxes;
    QList<QueryExtra> extras;
};

struct QueryDialog {
    QString className;
    QList<QueryDialogPage> pages;
    // The index of the page with that caption, -1 when none.
    int pageIndex(const QString& caption) const;
};

const QList<QueryDialog>& queryDialogs();
// The caption of a bill's user field 1..10: "自定义一" … "自定义十"; empty outside that range.
QString userFieldCaption(int index);
// The dialog of a class name (case-insensitive), nullptr when none.
const QueryDialog* findQueryDialog(const QString& className);
// The page of a dialog class and caption, nullptr when none.
const QueryDialogPage* findQueryDialogPage(const QString& className, const QString& caption);
// The base-data kind name of the selection windows: "wldw", "zhiyuan", "cangku", "bumen", "sp",
// "area".
QString pickerKindName(PickerKind kind);

}  // namespace dyt
