#pragma once
// The alerts ("报警薄") apart from their window: the fixed list of alert kinds, the query of each
// kind (the stock-limit report's parameter lines, or an SQL text), the grid columns of each kind
// and the statements that store the alert settings.

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include "client/logic/fixedtext.h"
#include "common/paramlist.h"

namespace dyt::client::alerts {

namespace text {
inline constexpr FixedText title{u"报警薄"};
inline constexpr FixedText popupAtLogin{u"登入系统时弹出报警窗口"};
inline constexpr FixedText warehouse{u"报警仓库"};
inline constexpr FixedText allWarehouses{u"全部仓库"};
inline constexpr FixedText viewBill{u"查看单据"};
inline constexpr FixedText busy{u"系统正在处理中，请等待....."};
inline constexpr FixedText stockProcedure{u"P_JXC_Get_KC"};
inline constexpr FixedText settingProcedure{u"P_SYS_Up_DataRow"};
}  // namespace text

// The alert kinds, by their ids in the kind list.
enum Kind {
    kStockAbove = 1,
    kStockBelow = 2,
    kShelfLife = 3,
    kOverdueReceivables = 4,
    kOverduePayables = 5,
    kReceivableAboveLimit = 6,
    kPayableAboveLimit = 7,
};
inline constexpr int kKindCount = 7;

// The id of the sysConf switch that opens the window after login.
inline constexpr int kPopupSwitch = 2017;
// The function code of the window.
inline constexpr int kFunctionCode = 3029;

// The kind's name ("库存商品上限" …); empty outside 1..7.
QString kindName(int kind);
// The union of constant rows (par_jl, id, leveal, fullname) that lists the kinds.
QString kindListSql();

// Whether rows of the kind are bills that "查看单据" opens (kinds 4 and 5).
bool listsBills(int kind);
// Whether the kind runs the stock-limit report (kinds 1 and 2) rather than an SQL text.
bool usesStockReport(int kind);

// The report lines of a stock-limit kind for the operator and the warehouse chosen (0: all).
ParamList stockLimitParams(int kind, qint64 operatorId, qint64 warehouseId);

// The SQL text of kinds 3 to 7: today's date, the kind's advance days and the settlement mode of
// receipts and payments (0 by bill). Kinds 4 and 5 list the bills still owing money whose payment
// date, less the advance days, has been reached.
QString kindSql(int kind, const QDate& today, int advanceDays, int settlementMode);

// One grid column of a kind: the field, the caption with its tags and the width (0: hidden).
struct Column {
    QString field;
    QString caption;
    int width = 0;
};
// The columns of a kind in order, with the goods (sp_id) or partner (dw_id) description columns
// after the hidden keys.
QList<Column> columnsOf(int kind);
// The description columns filled from the goods or the partner of a row ("sp_spbh" …).
QList<Column> goodsColumns();
QList<Column> partnerColumns();

// The five advance-day settings in their stored names, in the order they are saved.
QStringList daySettingNames();
// The statement that stores the pop-up switch.
QString popupSql(bool on);
// The lines of P_SYS_Up_DataRow for one day setting.
ParamList daySettingParams(const QString& name, int days);

}  // namespace dyt::client::alerts
