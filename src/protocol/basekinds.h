#pragma once
// The base-data kinds as data: goods, employees, operators, trading partners, warehouses,
// departments, regions, abstracts and accounts. One row per kind names its list and editor
// windows, where its rows come from (P_JXC_Get_Base with a query type and a condition key,
// P_Base_Get_KM, or an SQL text of its own), its table, record rights, save and delete procedures,
// its automatic-code kind, the columns of its list and the fields of its record: how the editor
// shows each one and how the server stores it. The client's list and editor and the server's base
// procedures read everything that differs between the kinds from here. QtCore only.

#include <QString>
#include <QStringList>

#include <span>

namespace dyt {

// How the editor shows a field.
enum class BaseEdit {
    None,    // not in the editor
    Text,    // one line of text
    Memo,    // several lines
    Check,   // "1" / "0"
    Date,    // "yyyy-mm-dd"
    Number,  // a decimal number (amounts, limits)
    Days,    // a positive whole number of days, or empty
    Combo,   // the index of the chosen item
    Picker,  // a record id chosen through the record selection; its name is shown
};

// How a save stores a field.
enum class BaseStore {
    None,     // not written by a save
    Text,     // stored as sent
    Integer,  // whole number; "" is 0, "True"/"False" are 1/0 (check boxes)
    Number,   // quantity with up to eight decimals; "" is 0
    Money,    // amount rounded to four decimals; "" is 0
    Date,     // "yyyy-mm-dd" or ""
};

// The ten free fields bz1 … bz10 ("自定义1" …, field captions 41 … 50).
enum class BaseCustomFields { None, Stored, Edited };

// Rows the system keeps whatever an operator does.
enum class BaseSystemRows {
    None,
    Employee,  // candel = 0: the system's default operators
    Account,   // sysrow = 1: the system's accounts
};

struct BaseFieldRow {
    const char* name;   // the field and column name (the server compares without regard to case)
    const char* label;  // the editor's default label, and the field's name in messages
    BaseEdit edit = BaseEdit::Text;
    BaseStore store = BaseStore::Text;
    int fieldNo = 0;          // field caption number (label from the settings); 0: none
    const char* page = "";    // the editor page; empty: the main page
    const char* items = "";   // Combo: the items by index, separated by "|"
    const char* pickKind = "";   // Picker: the record selection kind
    const char* showField = "";  // Picker: the field holding the shown name

    QString fieldName() const { return QString::fromLatin1(name); }
    QString labelText() const { return QString::fromUtf8(label); }
};

struct BaseColumnRow {
    const char* field;
    const char* caption;  // default caption, with its tag list
    int width = 80;
    int fieldNo = 0;    // number of the field caption and the field right; 0: neither
    bool flag = false;  // a yes/no field: shown "是"/"否"
};

struct BaseKindRow {
    const char* kindCode;     // "SP", "ZY" …
    const char* caption;      // "商品" …: the kind's name in messages
    const char* listClass;    // "TfrmBaseGoods"; empty: no window of its own
    const char* editorClass;  // "TfrmBaseGoodsSet"
    const char* title;        // list and editor title
    int functionCode = 0;
    int fieldPrefix = 0;  // 1001 … of the field captions and rights; 0: none
    // Rows: a procedure with its query types and condition key, or an SQL text.
    const char* listProcedure = "";  // "P_JXC_Get_Base", "P_Base_Get_KM"; empty for an SQL source
    const char* queryTypes = "";     // list kinds of P_JXC_Get_Base answered by this kind, "," apart
    const char* conditionKey = "";   // the parameter line with the condition string
    const char* editorKey = "";      // the key the editor loads its record with
    const char* listSql = "";        // SQL source: all live rows
    const char* treeQueryType = "";  // the query type of the category tree
    const char* table = "";          // the base table
    const char* rightsTable = "";    // the operator's record rights; empty when none
    const char* saveProcedure = "";  // save (and for goods also delete with del=1)
    const char* deleteProcedure = "";  // with "id"; empty: the save procedure with "del" = "1"
    const char* autoCodeKind = "";     // 'SP', 'zy' …
    const char* searchCaption = "";    // caption of the list's quick search box
    bool sendsOperator = true;         // saves carry the operator
    bool hasStop = false;              // column isstop; the list offers "包含停用"
    bool hasName = false;              // column name (short name)
    bool hasUpdateTime = false;        // column updateTime, stamped by every save
    bool operatorsOnly = false;        // the employees who are operators, as one flat list
    BaseSystemRows systemRows = BaseSystemRows::None;
    BaseCustomFields customFields = BaseCustomFields::None;
    // The server's list: the table's columns ("t.*" when empty; a record is always t.*), extra
    // columns of the list and of a record, and their joins.
    const char* listFields = "";
    const char* listColumns = "";
    const char* listJoins = "";
    std::span<const BaseColumnRow> columns = {};
    std::span<const BaseFieldRow> fields = {};

    QStringList queryTypeList() const;
};

// Every kind, in menu order.
std::span<const BaseKindRow> baseKindRows();

}  // namespace dyt
