#pragma once
// The arithmetic of the query windows, apart from any widget: the condition strings a condition
// dialog composes, the shared query dates, the category path of the drill-down, the parameter
// list a window sends and the average prices it derives from the rows it receives.

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>

#include "common/paramlist.h"
#include "protocol/querydescriptors.h"
#include "protocol/queryparams.h"

namespace dyt {
class RecordSet;
}

namespace dyt::client::query {

using dyt::buildLedgerParams;
using dyt::buildQueryParams;
using dyt::buildTreeParams;
using dyt::categorySegment;
using dyt::dateText;
using dyt::groupCondition;
using dyt::Navigation;
using dyt::PickedRecord;
using dyt::QueryConditions;
using dyt::QueryRequest;
using dyt::RecordGroup;

// --- texts of the query windows and dialogs
namespace text {
QString reversedRange();                     // "开始日期不能大于结束日期！"
QString noBillType();                        // "至少选择一种单据！"
QString listOnlyCategory();                  // "只能对一类商品进行列表！"
QString badDemandDays();                     // "需求量天数录入错误，只能大于零！"
QString dialogCaption();                     // "查询条件"
QString keepDates();                         // "保存时间条件"
QString rangeSeparator();                    // " 至 "
QString listChoice();                        // "列表选择"
QString listAll();                           // "全部列表"
QString listPart(const QString& goodsName);  // "部分列表(" + name + ")"
QString exitCaption();                       // "退出(&C)"
QString backCaption();                       // "返回(&C)"
QString listMode();                          // "列表显示"
QString levelMode();                         // "层级显示"
QString quickSearch();                       // "快速查找商品(Tab)"
QString qtyFilter();                         // "过滤数量"
QStringList qtyFilterItems();                // "全部显示", "数量大于0", "数量等于0"
QString qtyIndexKey();                       // "cbqtyItemIndex"
QString redIndexKey();                       // "cbredItemIndex"
QString priceFormat();                       // "0.000000"
QString addGroup();                          // "新增组"
QString deleteGroup();                       // "删除组"
QString groupName(int number);               // "第" + number + "组"
QString noGroups();                          // "请至少新增一个组！"
QString noGroupChosen();                     // "请选择要删除的组！"
QString alreadyGrouped(const QString& name, int number);  // "[name]已经在第n组中！"
QString groupsCaption();                                  // "分组"
QString copyRightsCaption();                              // "复制所选操作员的权限"
QString noOperatorToCopy();                               // "没有可复制的操作员！"
QString noOperatorChosen();                               // "请选择操作员！"
QString operatorCode();                                   // "职员编号"
QString operatorName();                                   // "职员全名"
}  // namespace text

// --- the shared query dates of the logged-in operator: begin, end and the keep-dates flag.
// They start from the login date (minus 30 days, and the day itself) and follow the operator's
// saves; a new login date starts them again.
struct QueryDates {
    QDate begin;
    QDate end;
    bool keep = false;
};
QueryDates& sharedQueryDates();
// Back to the login date's defaults (a new login).
void resetSharedQueryDates();

// --- condition strings
// The string of one base-record picker: ";id=" + id (nothing when below 1) + ";issub=1;Other=1".
QString pickerCondition(qint64 id);
// "全部单位", "全部职员", "全部仓库", "全部部门", "全部商品", "全部地区" of a picker kind.
QString allRecordsText(PickerKind kind);
// What a condition label shows: the name when the id is 1 or more, else allRecordsText.
QString conditionLabel(PickerKind kind, qint64 id, const QString& name);
// The bill-type list of a page: its boxes that are ticked (in box order) or its one type.
// Throws DytError "至少选择一种单据！" on a page with boxes none of which is ticked.
QString pageBillTypes(const QueryDialogPage& page, const QList<bool>& ticked);
// Throws DytError "开始日期不能大于结束日期！" when end is before begin.
void checkDateRange(const QDate& begin, const QDate& end);

// What the group list shows for a group: "第n组: " + the member names joined by "、".
QString groupLabel(int number, const RecordGroup& group);


// --- category navigation
// The path without its last id ("3,7," -> "3,"); "" stays "".
QString parentPath(const QString& path);
// The last id of a path ("3,7," -> 7), 0 for an empty path.
qint64 lastPathId(const QString& path);


// --- derived average prices
// For every row with a non-zero quantity: each target = |amount ÷ qty| when the amount is not 0,
// the values taken with four decimals and the quotient rounded with the pattern. Rows with a zero
// quantity keep what the server sent. Adds missing target fields.
void deriveAveragePrices(RecordSet& rows, const QList<QueryDerivedPrice>& derived,
                         const QString& pattern);

}  // namespace dyt::client::query
