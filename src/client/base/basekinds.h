#pragma once
// The base-data kinds as data: goods, employees, warehouses, departments, trading partners,
// regions, abstracts and accounts. One row per kind names its list and editor classes, where its
// rows come from (P_JXC_Get_Base with a query type and a condition key, P_Base_Get_KM, or an SQL
// text of its own), its save and delete procedures, its automatic-code kind, the table the drag
// and the row order write, its list columns and its editor fields. The list window and the editor
// read everything that differs between the kinds from here.
//
// The texts that go to the server are built by the free functions below, so that the windows and
// their tests share one source.

#include <QList>
#include <QString>
#include <QStringList>

#include "common/paramlist.h"
#include "protocol/basekinds.h"

namespace dyt::client::base {

// How an editor field is edited (None: kept out of the editor).
using EditKind = dyt::BaseEdit;

struct ListColumn {
    QString field;
    QString caption;  // default caption, with its tag list
    int width = 80;
    int fieldNo = 0;    // number of the field caption and the field right; 0: neither
    bool flag = false;  // a yes/no field: shown "是"/"否"
};

struct EditField {
    QString name;   // the field name the value travels under
    QString label;  // default label
    EditKind kind = EditKind::Text;
    int fieldNo = 0;    // field caption number (label from the settings); 0: none
    QString page;       // the editor page; empty: the main page
    QStringList items;  // Combo: the items by index
    QString pickKind;   // Picker: the record selection kind
    QString showField;  // Picker: the field holding the shown name
    bool readOnly = false;       // shown only
    bool lockedWhenOpened = false;  // read-only once the account set is opened
    QString lockField;  // read-only when the loaded record holds a non-zero value here
};

struct BaseKind {
    QString listClass;    // "TfrmBaseGoods"
    QString editorClass;  // "TfrmBaseGoodsSet"
    QString title;        // window title
    QString editorTitle;  // editor caption
    QString kindCode;     // "SP", "ZY" …
    int functionCode = 0;
    int fieldPrefix = 0;  // 1001 … of the field captions and rights; 0: none

    // Rows: a procedure (with QueryType and the condition key) or an SQL text.
    QString listProcedure;  // "P_JXC_Get_Base", "P_Base_Get_KM"; empty for an SQL source
    QString queryType;      // "SP" …
    QString conditionKey;   // "GoodsStr", "zyStr" …
    QString editorKey;      // the key the editor loads its record with ("goodsStr", "CKStr" …)
    QString listSql;        // SQL source: all live rows
    QString treeQueryType;  // the query type of the tree ("SP", "KM" …)

    QString table;        // "basegoods": the drag table and the row order table
    QString recordTable;  // the table the copy add reads ("baseGoods")
    QString saveProcedure;
    QString deleteProcedure;  // with "id"; empty: the save procedure with "del" = "1"
    QString autoCodeKind;     // 'SP', 'zy' …
    bool sendsOperator = true;
    bool hasStopped = false;  // the list offers "包含停用"
    QString searchCaption;    // caption of the quick search box
    QString nameField = QStringLiteral("fullname");  // the name the editor requires
    bool flat = false;  // no categories: no tree, no levels, no list mode, no row order
    QString recordIdColumn;  // SQL source: the editor reads its record as the source narrowed
                             // by this column; empty: the record table by id

    QList<ListColumn> columns;
    QList<EditField> fields;
};

// Every kind, in menu order.
const QList<BaseKind>& baseKinds();
// The fixed-asset cards (GDZCDetail rows that are cards), listed under function 1012 by the
// account list's class.
const BaseKind& assetCardKind();
// The kind a list window shows when opened by a function code: the listed kind, or the variant
// the code names (1012: the fixed-asset cards).
const BaseKind& kindForFunction(const BaseKind& listed, int functionCode);
// The kind of a list or editor class name (letter case ignored); nullptr when unknown.
const BaseKind* findBaseKind(const QString& className);
const BaseKind& kindByCode(const QString& kindCode);

// The caption of a list column or editor label: the field caption of the settings when the kind
// has field captions and the settings hold one, else the default.
QString fieldCaptionCode(const BaseKind& kind, int fieldNo);  // "100121"; empty for 0
QString columnCaption(const BaseKind& kind, const ListColumn& column);
QString fieldLabel(const BaseKind& kind, const EditField& field);

// --- what the list sends
struct ListState {
    qint64 parentId = 0;      // the category shown (0 = top)
    bool listMode = false;    // flat list of records
    qint64 listCategory = 0;  // list mode restricted to one category (0 = all)
    QString searchText;       // quick search
    bool includeStopped = false;
};

// The kind's condition segment: ";par_id=…", ";isList=1[;isList=1;par_id=…]" or ";allfilter=…",
// then ";isstop=0" unless stopped records are included.
QString listSegment(const BaseKind& kind, const ListState& state);
// The parameter lines of a list load: QueryType, the five base condition strings
// (";czy_id=" + operator), GoodsStr likewise, and the kind's key with its segment.
ParamList listParams(const BaseKind& kind, const ListState& state, int operatorId);
// The parameter lines of the category tree: the kind's key carries ";TreeView=1".
ParamList treeParams(const BaseKind& kind, int operatorId);
// The id list of a drag: "(0", ",id" for each id, ",-1)".
QString dragIdList(const QList<qint64>& ids);
// "SELECT dbo.fnGetBaseAutoCode('SP', 12) as Code" with the kind's auto-code kind.
QString autoCodeSql(const BaseKind& kind, qint64 parentId);

// --- goods editor texts
QString goodsUnitsSql(qint64 goodsId);
QString goodsTypeLockSql(qint64 goodsId);
QString costMethodLockSql(qint64 goodsId);
QString unitLockSql(qint64 goodsId, int unitSlot);
QString copySourceSql(const BaseKind& kind, qint64 sourceId);
QString pictureMarkSql(qint64 goodsId, bool present);

// The goods pages, in order.
QStringList goodsPages();

}  // namespace dyt::client::base
