#pragma once
// TfrmGoodsBill: the one window of the goods bills (purchase, purchase return and exchange,
// purchase order, other stock in and out, loss, overflow, cost adjustment, transfers, assembly,
// stocktake; the sales bills build on it too). Each kind is a row of the family table
// (GoodsBillFamily): its title, its header fields with their captions, id and name fields and
// selection kinds, its line columns and the switches of its checks. The window builds its
// header and grid from the row, recomputes a line whenever one of its cells changes, allocates
// freight, applies the invoice discount and the default discount, keeps gift lines, checks the
// bill before a save in a fixed order, asks the save-time warnings and sends the account lines
// of the payments with the bill.
//
// A kind whose behaviour differs derives from TfrmGoodsBill and overrides the hooks
// (recalcLine, checkHeader, checkLines, runWarnings, headerRecordChosen, accountLines …).

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

#include "client/bills/frmbillabstract.h"
#include "client/logic/billcalc.h"
#include "client/logic/fixedtext.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QToolButton;

namespace dyt::client {

struct SelectedGoods;

namespace goodstext {
inline constexpr FixedText gift{u"赠品"};
inline constexpr FixedText giftAction{u"赠品(&F4)"};
inline constexpr FixedText goodsInfoAction{u"商品信息(&J)"};
inline constexpr FixedText deleteLineAction{u"删除行"};
inline constexpr FixedText deleteLineQuestion{u"确定要删除当前行吗？"};
inline constexpr FixedText multiAccount{u"多账户"};
inline constexpr FixedText autoAllocate{u"自动分配"};
inline constexpr FixedText afterDiscount{u"优惠后金额："};
inline constexpr FixedText payable{u"应付款："};
inline constexpr FixedText prepaid{u"预付款："};
inline constexpr FixedText receivable{u"应收款："};
inline constexpr FixedText prereceived{u"预收款："};
inline constexpr FixedText goodsGroup{u"商品信息"};
inline constexpr FixedText otherGroup{u"其他信息"};
inline constexpr FixedText continueButton{u"继续(&O)"};
inline constexpr FixedText cancelButton{u"取消(&C)"};
inline constexpr FixedText dateDiffers{u"制单日期与系统日期不一致，是否继续？"};
inline constexpr FixedText codeEmpty{u"单据编号不能为空！"};
inline constexpr FixedText freightNotAllocated{u"运费合计没有分配完成！"};
inline constexpr FixedText freightPaidTooMuch{u"运费付款金额不能大于运费合计！"};
inline constexpr FixedText freightPartnerNeeded{u"必须输入运费往来单位！"};
inline constexpr FixedText discountOverLimit{u"优惠金额超出职员最高优惠限额\r\n\r\n请修改优惠金额"};
inline constexpr FixedText noLines{u"必须录入明细数据！"};
inline constexpr FixedText defaultDiscountRange{u"默认折扣率必须在 0...1 之间，如9折可输入 0.9"};
inline constexpr FixedText printAfterPost{u"只有保存过账后才能打印，是否立即保存过账并打印单据？"};
// "[" + label + "]不能为空，请重新输入"
QString required(const QString& label);
// "[" + label + "]不能为负数，请重新输入"
QString notNegative(const QString& label);
// "请输入" + label
QString enter(const QString& label);
// "请先选择" + label
QString chooseFirst(const QString& label);
// "第 " + line + " 行输入错误:" + what
QString lineError(int line, const QString& what);
inline constexpr FixedText qtyPositive{u"数量必须大于零！"};
inline constexpr FixedText qtyNotZero{u"数量不能为零！"};
inline constexpr FixedText pricePositive{u"单价必须大于零！"};
inline constexpr FixedText totalPositive{u"金额必须大于零！"};
inline constexpr FixedText discountPositive{u"折扣必须大于零！"};
}  // namespace goodstext

// Options of the account set that the goods bills read.
namespace goodsoption {
inline constexpr int kDefaultEmployee = 2008;  // "录单时经手人默认为当前操作员"
inline constexpr int kCodeRequired = 2016;     // "单据编号不能为空"
inline constexpr int kCustomFields = 2020;     // "单据使用自定义项"
inline constexpr int kDateQuestion = 2023;     // "制单日期与系统日期不一致时提示"
inline constexpr int kEmployeeRequired = 2027;
inline constexpr int kDepartmentRequired = 2028;
inline constexpr int kPurchasePrices = 2036;  // "进价异常时提示"
inline constexpr int kStockUpperLimit = 2039;
inline constexpr int kPayableLimit = 2041;
inline constexpr int kShowBalances = 6005;  // a right: show partner balances
}  // namespace goodsoption

enum class HeaderFieldType { Select, Text, Number, Date, Check };

// One field of a goods bill's header.
struct GoodsHeaderField {
    QString control;    // object name ("eddw")
    QString caption;    // label text ("供货单位")
    QString idField;    // the field of the parameter list ("wldw_id"; the value for non-selects)
    QString nameField;  // the name field of a select ("wldw_Name"); empty otherwise
    QString kind;       // the record selection kind ("gys"); empty: typed only
    HeaderFieldType type = HeaderFieldType::Select;
    bool visible = true;
};

// One line column: field, caption with its tags, editable, width, header group (0 "商品信息",
// 1 "其他信息").
struct GoodsLineColumn {
    QString field;
    QString caption;
    bool editable = true;
    int width = 80;
    int band = 0;
};

// The line columns of the purchase bill, in grid order.
const QList<GoodsLineColumn>& purchaseLineColumns();
// The purchase bill's header fields, in order.
const QList<GoodsHeaderField>& purchaseHeaderFields();

// One row of the goods-bill family.
struct GoodsBillFamily {
    int djType = 0;     // 42 for the stocktake, which has no row in the bill-kind table
    QString className;  // "TfrmBillJHD"
    QString title;      // "进货单"
    QList<GoodsHeaderField> headerFields;
    // The line columns: the purchase columns without `withoutColumns`; a column of `moreColumns`
    // replaces the purchase column of the same field in place, or is added at the end.
    QStringList withoutColumns;
    QList<GoodsLineColumn> moreColumns;
    // Controls that must be filled before a save (the partner, the warehouses), in check order.
    QStringList requiredControls;
    bool priceChecks = true;   // price and amount above 0 on posting (ordinary goods)
    bool negativeQty = false;  // lines may carry negative quantities (exchanges, assembly)
    int orderKind = 0;         // kind of the orders pulled into the bill (8); 0: none
    QString orderButton;       // caption of the order button ("进货订单")
    // The header control whose record the picked bills must name: the partner ("eddw", when
    // empty) or a warehouse ("edfhck", "edshck": bills naming that warehouse).
    QString orderControl;
    bool receivable = false;   // the partner's balances are receivable (sales) not payable
    int goodsTypeMode = 0;     // the goods selection's type mode
    // The kinds a posted bill of this kind can be copied into as a draft ("复制单据"); empty:
    // the window offers no copy.
    QList<int> copyKinds;
};

// The family table (kinds 5 to 16, 58, 9 and the stocktake; the sales bills add theirs).
const std::vector<GoodsBillFamily>& goodsBillFamily();
// Adds a row (or replaces the row of the same class name).
void addGoodsBillFamily(const GoodsBillFamily& row);
// The row of a class name (any letter case) or of a kind; nullptr when none.
const GoodsBillFamily* findGoodsBillFamily(const QString& className);
const GoodsBillFamily* findGoodsBillFamilyByType(int djType);
// The line columns of a family row, in grid order.
QList<GoodsLineColumn> familyLineColumns(const GoodsBillFamily& row);
// The rows of the consignment kinds 43 to 50.
std::vector<GoodsBillFamily> consignBillFamilyRows();
// The purchase columns that enquiries and quotations leave out (they move no goods).
const QStringList& documentLineWithout();
// The rows of the borrowing and lending kinds 35 to 40.
std::vector<GoodsBillFamily> loanBillFamilyRows();

// An account and the amount paid through it (the "多账户" list).
struct AccountAmount {
    qint64 accountId = 0;
    QString accountName;
    double amount = 0;
};

// The stocktake has no row in the bill-kind table; the server knows it by this number.
inline constexpr int kStocktakeType = 42;

// The save-time warning windows: kind 8 stock upper limits, kind 4 purchase prices (the rows to
// list); true when the operator goes on with the save. The default shows TfrmBaseShowPrice.
using GoodsWarningWindow = std::function<bool(int kind, const RecordSet& rows)>;
GoodsWarningWindow& goodsWarningWindow();
// The bill picking of orders: the kind list ("(8)"), the condition (";wldw_id=…"); fills the
// chosen order's header and the chosen lines; false when nothing was chosen. The default shows
// TfrmSelectBill.
using OrderPicker = std::function<bool(const QString& kinds, const QString& condition,
                                       RecordSet* header, RecordSet* lines)>;
OrderPicker& goodsOrderPicker();

// The kinds of account lines of a bill.
enum AccountLineType { kPaymentAccounts = 1, kFreightAccounts = 2 };

class TfrmGoodsBill : public TfrmBillAbstract {
    Q_OBJECT

public:
    explicit TfrmGoodsBill(const GoodsBillFamily& family, QWidget* parent = nullptr);
    ~TfrmGoodsBill() override;

    const GoodsBillFamily& family() const { return family_; }

    // --- header
    // The editor of a header field by control name (the line edit of a select, a QDateEdit, a
    // QCheckBox); nullptr when the bill has no such field.
    QWidget* headerControl(const QString& control) const;
    // The field definition by control name or by id field; nullptr when none.
    const GoodsHeaderField* headerField(const QString& controlOrIdField) const;
    QLabel* headerLabel(const QString& control) const;
    QToolButton* headerButton(const QString& control) const;
    // Puts a chosen record into a select field (as the record selection does) and runs the
    // follow-ups of that field (balances and last discount rate of the partner …).
    void chooseHeaderRecord(const QString& control, qint64 id, const QString& name);
    // Clears a select field.
    void clearHeaderRecord(const QString& control);
    // The id of a select field (0 when none), the text of any field.
    qint64 headerId(const QString& control) const;
    QString headerText(const QString& control) const;
    void setHeaderText(const QString& control, const QString& text);
    // The number in a field (0 for empty or not a number).
    double headerNumber(const QString& control) const;
    // The record selection of a select field (its button); true when a record was chosen.
    virtual bool selectHeaderRecord(const QString& control);

    QLabel* lbyhhje() const { return lbyhhje_; }
    QLabel* lbyf() const { return lbyf_; }
    QLabel* lbyufu() const { return lbyufu_; }
    QPushButton* btnfkje() const { return btnfkje_; }
    QPushButton* btnyffkje() const { return btnyffkje_; }
    QPushButton* btnzdfp() const { return btnzdfp_; }
    QPushButton* btnOrder() const { return btnOrder_; }
    QAction* actGift() const { return actGift_; }
    QAction* actDeleteLine() const { return actDeleteLine_; }
    QAction* btnCopy() const { return btnCopy_; }

    // --- lines (grid rows of records())
    // A cell by field name (empty text for a missing field or row).
    QString cell(int row, const QString& field) const;
    double number(int row, const QString& field) const;
    // Writes a cell without recomputation; the row is added when missing.
    void setCell(int row, const QString& field, const QVariant& value);
    // Writes a cell as the operator does: the cell, then the line recomputed from that column,
    // then the bill's sums. A goods code typed into the goods cell runs the selection by text.
    void editCell(int row, const QString& field, const QString& text);
    // True when the row holds a goods.
    bool isGoodsLine(int row) const;
    // The rows holding goods.
    QList<int> goodsRows() const;
    // Writes a chosen goods into the first empty row (a new row when none is empty) and
    // recomputes it; returns the row.
    int AddGoods(const SelectedGoods& goods);
    // The 1-based line on which the goods with the unit stands; 0 when none.
    int lineOfGoods(qint64 goodsId, qint64 unitId) const;

    // The line computation hook: recomputes `row` after `changedColumn` changed.
    virtual void recalcLine(int row, const QString& changedColumn);
    // The values of a row for the computation, and back.
    billcalc::Line lineValues(int row) const;
    void setLineValues(int row, const billcalc::Line& line);

    // Σ of a column over the goods rows.
    double columnSum(const QString& field) const;

    // --- commands
    // "自动分配": the freight total over the lines by quantity.
    void allocateFreight();
    // "优惠金额" changed: refreshes "优惠后金额：".
    void discountAmountChanged();
    // "优惠比率(%)" changed: normalises the rate, sets the discount amount.
    void discountRateChanged();
    // "整单折扣" entered: refused outside 0..1 (message, field reset to 0); otherwise written into
    // every goods line's discount and the lines recomputed. True when applied.
    bool applyDefaultDiscount();
    // "运费合计" changed: a negative total of a new bill is reset to 0.
    void freightTotalChanged();
    // "赠品(&F4)": toggles the gift mark of the row.
    void toggleGift(int row);
    bool isGift(int row) const;
    // Deletes the row after the operator confirms; true when deleted.
    bool deleteLine(int row);
    // Types a text into the goods cell of the row: the goods selection by text.
    bool selectGoodsText(int row, const QString& text);
    // A scanned barcode: the goods selection by barcode.
    bool scanBarcode(const QString& barcode);
    // Pulls order lines into the bill through the bill picking ("进货订单").
    virtual void pullOrders();
    // Takes over the header of an order and adds its lines (s_id, s_orderid set).
    void takeOverOrder(const RecordSet& orderHeader, const RecordSet& orderLines);
    // The auxiliary quantities of a row from the server.
    void refreshAuxQuantities(int row);
    // The partner's balances from the server (right 6005), shown in the balance labels.
    void RefreshBalances();
    // The partner's last discount rate from the server.
    void refreshLastDiscountRate();

    // --- accounts
    // The "多账户" list of a type; setting a non-empty list disables the single account and
    // amount fields of that type and puts the sum into the amount field.
    QList<AccountAmount> multiAccounts(int type) const { return multi_.value(type); }
    void setMultiAccounts(int type, const QList<AccountAmount>& accounts);
    // The account lines of a loaded bill by type, as its account details list them (name and
    // amount; ids only when several accounts were used).
    QList<AccountAmount> loadedAccounts(int type) const { return loaded_.value(type); }
    // Opens the "多账户" dialog of a type (a read-only bill shows its loaded accounts).
    void btnMultiAccountClick(int type);
    // The account lines of a type as the packet carries them.
    virtual QList<AccountAmount> accountLines(int type) const;
    RecordSet buildAccountPacket() const override;

    // "复制单据": a posted bill copied into a draft of one of the family row's copy kinds, the
    // kind asked from the operator. True when the server made the copy.
    bool btnCopyClick();

    // --- printing
    // The print variables "上次欠款=", "本次欠款=", "累计欠款=".
    virtual QStringList PrintVariables();
    void btnPrintClick() override;

    void resetToNewBill() override;

    // The sub-rights of the bill's menu entry decide the save and print buttons.
    void ApplyRights();

protected:
    void checkBill(bool post) override;
    // The checks of algorithm 9 (header part, then lines); each throws the message.
    virtual void checkHeader(bool post);
    virtual void checkLines(bool post);
    // The save-time warnings; a refusal throws the silent error.
    virtual void runWarnings(bool post);
    // Follow-ups after a select field got a record.
    virtual void headerRecordChosen(const GoodsHeaderField& field);
    // The bill's sums changed (lines recomputed, rows added or removed).
    virtual void linesChanged();
    // A goods was just written into the row, before the line is computed (its price may change).
    virtual void goodsEntered(int row);
    void loadBill() override;
    // The kinds of the bill-kind table, and the family row's own kind (the stocktake).
    bool acceptsKind(int djType) const override;
    bool eventFilter(QObject* watched, QEvent* event) override;

    // Focuses a cell (by field) of a row.
    void focusCell(int row, const QString& field);
    // Puts the cursor on a cell and the focus into the grid.
    void enterCell(int row, const QString& field);
    // Throws the message after focusing the control.
    [[noreturn]] void failAt(QWidget* control, const QString& message);
    // The defaults of a new bill: single warehouse, default employee.
    virtual void applyNewBillDefaults();

private:
    void buildHeader();
    void buildColumns();
    void buildCommands();
    void onModelDataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight);
    void refreshLine(int row);
    void refreshAccountsFromLoaded();
    void setSelectEnabled(bool enabled);
    void moveFocusOn(QWidget* from);
    // --- keyboard entry in the lines
    // The goods cell the operator types into: the code when its column shows, else the name.
    QString goodsColumnField();
    bool isGoodsColumn(int column);
    // The first line without goods (a new one when all hold goods).
    int firstEmptyRow();
    // The goods text typed into a line's goods cell: the selection by text.
    void runGoodsEntry();
    void chooseGoods(int row, const QString& text);
    // Enter on a cell: the next editable cell of the line, else the next line's goods cell.
    void walkFrom(const QModelIndex& from);
    // Enter closed the editor of a cell.
    void cellEntered(const QModelIndex& index);

    GoodsBillFamily family_;
    struct HeaderControl {
        GoodsHeaderField def;
        QLabel* label = nullptr;
        QWidget* editor = nullptr;  // QLineEdit, QDateEdit or QCheckBox
        QToolButton* button = nullptr;
    };
    QList<HeaderControl> header_;
    QLabel* lbyhhje_ = nullptr;
    QLabel* lbyf_ = nullptr;
    QLabel* lbyufu_ = nullptr;
    QPushButton* btnfkje_ = nullptr;
    QPushButton* btnyffkje_ = nullptr;
    QPushButton* btnzdfp_ = nullptr;
    QPushButton* btnOrder_ = nullptr;
    QAction* actGift_ = nullptr;
    QAction* actGoodsInfo_ = nullptr;
    QAction* actDeleteLine_ = nullptr;
    QAction* btnCopy_ = nullptr;
    QMap<int, QList<AccountAmount>> multi_;
    QMap<int, QList<AccountAmount>> loaded_;
    bool recalculating_ = false;
    int pendingRow_ = -1;     // the row a goods typed into its cell goes to
    int firstAddedRow_ = -1;  // the first row a selection wrote to
    int goodsEntryRow_ = -1;  // a row whose goods cell got text not yet looked up
};

}  // namespace dyt::client
