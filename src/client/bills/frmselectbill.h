#pragma once
// TfrmSelectBill ("选择单据"): picking lines of earlier posted bills into a bill. The upper grid
// lists the posted bills of the caller's kinds for a partner and period, the lower grid the lines
// of the bills the operator marked ("选择商品"); "确定" hands the marked lines back.
//
// BillPicking is the behaviour apart from the widgets: the two queries, the marks and the result.
// A bill calls TfrmSelectBill::Execute() and reads the SelectBillResult.

#include <QDate>
#include <QList>
#include <QString>

#include <functional>

#include "client/common/frmbase.h"
#include "client/logic/fixedtext.h"
#include "client/logic/gridcolumn.h"
#include "common/paramlist.h"
#include "common/recordset.h"

class QLabel;
class QPushButton;
class QTableView;

namespace dyt {
class GridView;
class RecordSetModel;
}  // namespace dyt

namespace dyt::client {

class SelectionKeys;

namespace selbilltext {
inline constexpr FixedText title{u"选择单据"};
inline constexpr FixedText periodTitle{u"制单日期"};
inline constexpr FixedText periodPrompt{u"请选择制单日期"};
inline constexpr FixedText noBill{u"请选择单据！"};
inline constexpr FixedText noLine{u"请您选中一条或多条商品！"};
inline constexpr FixedText pickLines{u"选择商品"};
inline constexpr FixedText markAll{u"全选"};
inline constexpr FixedText unmarkAll{u"全消"};
inline constexpr FixedText confirm{u"确定"};
QString periodText(const QDate& begin, const QDate& end);  // "查询时间:" b " 至 " e
}  // namespace selbilltext

// What the calling bill asks for.
struct SelectBillArgs {
    // The bill kinds to list: "(" kind numbers ")", e.g. "(8)" for purchase orders.
    QString djStr;
    // The calling bill's kind; the lines query carries it as ";djtype=".
    int djType = 0;
    // Condition strings: partner (";wldw_id=" + id), employee (appended to the operator's own
    // ";czy_id=…;candel=0"), warehouse, department, account, goods. Empty means all.
    QString wldwStr;
    QString zyStr;
    QString ckStr;
    QString bmStr;
    QString kmStr;
    QString goodsStr;
    // The bill-date range; when either is invalid the window asks for it first.
    QDate beginDate;
    QDate endDate;
};

// What the window hands back on "确定".
struct SelectBillResult {
    // "orderid in (0," + each marked orderid + "," + "0)".
    QString orderFilter;
    // The marked lines, as P_JXC_DJ_GetDJList ("xuandan") returned them (without isSelect), with
    // s_id and s_orderid set to the source bill (id) and line (orderid) for the calling bill.
    RecordSet lines;
    // The header rows of the marked bills (as P_JXC_DJ_GetDJIndex returned them), in list order;
    // the first is the bill whose header values a caller takes over.
    RecordSet bills;
};

// True when the kind list is one of the single kinds whose bills are taken over until done
// (orders, contracts, consignment, borrowing, requests, enquiries, quotations): "(4)", "(71)",
// "(45)", "(43)", "(8)", "(35)", "(38)", "(61)", "(62)", "(64)", "(65)".
bool isTakeOverKindList(const QString& djStr);

// The result text for the marked line ids: "orderid in (0,11,12,0)".
QString orderFilterText(const QList<qint64>& orderIds);

class BillPicking {
public:
    explicit BillPicking(SelectBillArgs args);

    const SelectBillArgs& args() const { return args_; }
    void setPeriod(const QDate& begin, const QDate& end);
    bool hasPeriod() const;

    // --- the bill list (upper grid)
    ParamList listParams() const;
    // Runs P_JXC_DJ_GetDJIndex into bills(); the marks start cleared.
    void runList();
    RecordSet& bills() { return bills_; }
    const RecordSet& bills() const { return bills_; }

    // --- the lines of the marked bills (lower grid)
    // The ids of the marked bills in list order.
    QList<qint64> markedBillIds() const;
    // " (" + each marked id + "," + " 0)".
    QString markedBillList() const;
    ParamList linesParams() const;
    // Runs P_JXC_DJ_GetDJList ("xuandan") into lines(); marks start cleared.
    void runLines();
    RecordSet& lines() { return lines_; }
    const RecordSet& lines() const { return lines_; }

    // --- marks: the field isSelect of either record set
    static void setMark(RecordSet& rows, int row, bool marked);
    static bool isMarked(const RecordSet& rows, int row);
    static void markAll(RecordSet& rows, bool marked);
    QList<qint64> markedOrderIds() const;

    // Checks "确定" and builds the result; throws DytError "请选择单据！" when no bill is listed,
    // "请您选中一条或多条商品！" when no line is marked.
    SelectBillResult result() const;

private:
    SelectBillArgs args_;
    RecordSet bills_;
    RecordSet lines_;
};

// The date-range dialog: title "制单日期", prompt "请选择制单日期". Returns false when
// cancelled. Tests may replace it.
using PeriodAsker = std::function<bool(QDate* begin, QDate* end, QWidget* parent)>;
PeriodAsker& periodAsker();
// The product's dialog (the default periodAsker).
bool askBillPeriod(QDate* begin, QDate* end, QWidget* parent);
// The same dialog with its own title and prompt.
bool askPeriod(const QString& title, const QString& prompt, QDate* begin, QDate* end,
               QWidget* parent);

class TfrmSelectBill : public TfrmBaseDialog {
    Q_OBJECT

public:
    // The window over the arguments; the period must be set (Execute asks for it).
    explicit TfrmSelectBill(const SelectBillArgs& args, QWidget* parent = nullptr);
    ~TfrmSelectBill() override;

    // Asks for the period when none was given (false when cancelled), lists the bills, shows the
    // window modally; true with *result filled when the operator confirmed.
    static bool Execute(const SelectBillArgs& args, SelectBillResult* result,
                        QWidget* parent = nullptr);

    BillPicking& picking() { return picking_; }
    GridView* billGrid() const { return billGrid_; }
    GridView* lineGrid() const { return lineGrid_; }
    QLabel* periodLabel() const { return lblPeriod_; }
    QPushButton* btnPickLines() const { return btnPickLines_; }
    QPushButton* btnMarkAll() const { return btnMarkAll_; }
    QPushButton* btnUnmarkAll() const { return btnUnmarkAll_; }
    const GridDefinition& billColumns() const { return billDef_; }
    const GridDefinition& lineColumns() const { return lineDef_; }

    // Lists the bills again (errors are shown, "提示").
    void refreshBills();
    // "选择商品": the lines of the marked bills.
    void pickLinesClick();
    // "全选" / "全消" on the active grid (the lines grid once it had focus last, else the bills).
    void markAllClick(bool marked);
    // "确定": checks; on success keeps the result and closes with OK.
    void btnOKClick() override;
    // The keys of the grids: Space marks or unmarks the current row; Enter on a bill marks it and
    // lists the lines of the marked bills; Enter on a line marks it and confirms; Up on the first
    // line goes back to the bills.
    const SelectBillResult& chosen() const { return result_; }

protected:
    void FormShow() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildColumns();
    void showBills();
    void showLines();
    // Marks the current row of the grid (toggle: flips it); false when the grid has no current
    // row.
    static bool markCurrent(GridView* grid, bool toggle);
    void enterOnBill();
    void enterOnLine();

    BillPicking picking_;
    GridDefinition billDef_;
    GridDefinition lineDef_;
    RecordSetModel* billModel_ = nullptr;
    RecordSetModel* lineModel_ = nullptr;
    GridView* billGrid_ = nullptr;
    GridView* lineGrid_ = nullptr;
    QLabel* lblPeriod_ = nullptr;
    QPushButton* btnPickLines_ = nullptr;
    QPushButton* btnMarkAll_ = nullptr;
    QPushButton* btnUnmarkAll_ = nullptr;
    SelectionKeys* billKeys_ = nullptr;
    SelectionKeys* lineKeys_ = nullptr;
    bool linesActive_ = false;
    SelectBillResult result_;
};

}  // namespace dyt::client
