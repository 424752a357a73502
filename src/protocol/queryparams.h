#pragma once
// The parameter lines a query window sends, built from its row of the query-window table and the
// conditions chosen in its dialog. The query windows and dyt-cli report send them through this one
// builder, so the report files of the tests check what a window really sends. QtCore only.

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>

#include "common/paramlist.h"
#include "protocol/querydescriptors.h"

namespace dyt {

// "yyyy-mm-dd".
QString dateText(const QDate& date);

// --- what a condition dialog hands the window after OK
struct PickedRecord {
    PickerKind kind = PickerKind::Partner;
    qint64 id = 0;
    QString name;
};

// One group of a group editor: its members in the order they were chosen.
using RecordGroup = QList<PickedRecord>;

// The groups line of a group editor (sent as "GroupStr", see common/groupcondition.h) for the
// groups in list order. Throws DytError "请至少新增一个组！" when there is no group.
QString groupCondition(qint64 operatorId, PickerKind kind, const QList<RecordGroup>& groups);

struct QueryConditions {
    QDate begin;
    QDate end;
    QDate begin2;  // comparison range (pages with a second range)
    QDate end2;
    bool dates = true;
    bool secondDates = false;
    QHash<int, PickedRecord> picked;  // by PickerRole
    QHash<int, QString> strings;      // composed strings by PickerRole
    QString billTypes;                // djStr
    QString extraFilter;              // ";key=value" segments of the extra conditions
    // Group editors: the kind of the members and the groups in list order.
    PickerKind groupKind = PickerKind::Partner;
    QList<RecordGroup> groups;
    // The operator picked on an operator-list page (0 for other pages).
    qint64 operatorId = 0;
    // The picked record of a role (id 0 when the page has no such picker).
    PickedRecord record(PickerRole role) const;
    // The composed string of a role; empty when the page has no such picker.
    QString string(PickerRole role) const { return strings.value(static_cast<int>(role)); }
};

// The category level a window shows.
struct Navigation {
    qint64 category = 0;      // current category id (0 = top)
    QString path;             // ids from the top down to the category, each followed by ","
    bool listMode = false;    // flat list instead of category levels
    qint64 listCategory = 0;  // the category listed in list mode (0 = all goods)
};

// The category segment: ";par_id=" + category in category mode; ";isList=1" in list mode,
// followed by ";isList=1;par_id=" + list category when one is chosen. With quick-search text
// ";allfilter=" + the text instead.
QString categorySegment(const Navigation& nav, const QString& quickText);

// --- the parameter list of a query
struct QueryRequest {
    const QueryDescriptor* descriptor = nullptr;
    qint64 operatorId = 0;
    int qtyIndex = 0;
    int redIndex = 0;
    QueryConditions conditions;
    Navigation nav;
    QString quickText;
};
// The lines a window sends: QueryType, filter, wldwStr, zyStr, ckStr, bmStr, kmStr, the goods
// string (under the descriptor's goods key), djStr, BeginDate, EndDate; GroupStr when the
// conditions carry groups.
ParamList buildQueryParams(const QueryRequest& request);
// The parameters of the category tree of a tree kind (P_JXC_Get_Base).
ParamList buildTreeParams(QueryTree tree, qint64 operatorId);
// A detail ledger's parameters from the parent's last parameter text: the goods string of one
// goods (or, from a partner row, the partner string of one partner with its sub-records), the
// ledger's QueryType and its red-bill filter.
ParamList buildLedgerParams(const QString& parentParams, const QueryDescriptor& ledger,
                            qint64 operatorId, qint64 recordId, int redIndex,
                            QuerySubject parent = QuerySubject::Goods);

}  // namespace dyt
