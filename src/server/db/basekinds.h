#pragma once
// The base-data kinds as data: for each kind its table, the query type and condition line of its
// list, its rights table, the fields its editor may write and the procedures that save and delete
// it. Every table name and column name that reaches an SQL text comes from this table.

#include <QList>
#include <QString>
#include <QStringList>

#include "protocol/basekinds.h"

namespace dyt::server {
class Database;
class Registry;
}  // namespace dyt::server

namespace dyt::server::base {

// How a save stores a field (None: not written).
using FieldKind = dyt::BaseStore;

struct EditField {
    QString name;  // column and parameter name (parameters compare without regard to case)
    FieldKind kind;
    QString caption;  // for messages
};

using SystemRows = dyt::BaseSystemRows;

struct BaseKind {
    QString caption;         // 商品, 职员, … (messages)
    QStringList queryTypes;  // list kinds of P_JXC_Get_Base answered by this kind
    QString table;           // the base table
    QString conditionKey;    // the parameter line with the condition string
    QString rightsTable;     // the operator's record rights, empty when the kind has none
    QString saveProc;        // save (and for goods also delete with del=1)
    QString deleteProc;      // empty when deletes go through the save procedure
    bool hasStop = false;    // column isstop
    bool hasName = false;    // column name (short name)
    bool hasUpdateTime = false;
    bool operatorsOnly = false;  // the employees who are operators, as one flat list
    SystemRows systemRows = SystemRows::None;
    QString listFields;  // the table's columns of a list ("t.*" when empty; a record is always t.*)
    QString listColumns;      // extra columns of the list and of a record
    QString listJoins;        // their joins
    QList<EditField> fields;  // what a save may write besides the tree columns
};

const QList<BaseKind>& kinds();
// The kind of a list query type ("SP", "zy", …; letter case ignored), nullptr when none.
const BaseKind* kindByQueryType(const QString& queryType);
// The kind of a table name as the drag command sends it ("basegoods"), nullptr when none.
const BaseKind* kindByTable(const QString& table);

// True when the operator's record rights limit what he sees of this kind: the account set uses
// record rights (switch 2004), the kind has a rights table and the operator is not operator 1.
bool recordRightsApply(Database& db, const BaseKind& kind, qint64 userId);

// The save and delete procedures of every kind, p_base_Up_goodsunit, p_Base_Up_DragDrop and the
// goods picture procedures (procs_baseedit.cpp).
void registerBaseEditProcedures(Registry& procedures);

// The change stamp written into updateTime: local time "yyyy-mm-dd hh:nn:ss".
QString changeStamp();

}  // namespace dyt::server::base
