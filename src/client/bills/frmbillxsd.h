#pragma once
// TfrmBillXSD ("销售单", djType 1): the sales bill. It is the goods-bill window with a customer
// in place of the supplier and adds the sales-order link (typed number or picking), the
// collection agent, the introducer, the default receipt account and a receipt amount that follows
// the bill, a barcode field, the available stock of the current line, the buy-and-give gift lines
// and the promotion prices of the customer's agreements, and the sales warnings before a save. The other sales kinds
// (return 2, exchange 3, order 4) are rows of the goods-bill family.

#include <QHash>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

#include "client/bills/goodsbill.h"
#include "client/logic/fixedtext.h"

class QLabel;
class QLineEdit;

namespace dyt::client {

namespace salestext {
inline constexpr FixedText title{u"销售单"};
inline constexpr FixedText orderCode{u"订单编号"};
inline constexpr FixedText barcode{u"条码"};
inline constexpr FixedText available{u"可用库存："};
inline constexpr FixedText stock{u"库存数量："};
inline constexpr FixedText receivableZero{u"应收款：0"};
inline constexpr FixedText prereceivedZero{u"预收款：0"};
QString enterFirst(const QString& label);  // "请先输入" + label
QString scanFirst(const QString& label);   // "请先选择[ " + label + " ]再扫描条码！"
QString chooseOrOrder(const QString& label);  // "请先选择" + label + "  或者  输入订单编号"
}  // namespace salestext

// The rows of the sales kinds 1 to 4 in the goods-bill family.
std::vector<GoodsBillFamily> salesBillFamilyRows();

// The picking of sales orders: the partner condition (";wldw_id=" + customer or ";Code=" +
// order number) over the bill dates 2000-01-01 to 2030-01-01; fills the chosen order's header
// row and its chosen lines; false when nothing was chosen.
using SalesOrderPicker =
    std::function<bool(const QString& condition, RecordSet* header, RecordSet* lines)>;
SalesOrderPicker& salesOrderPicker();
// The product's picker (the bill picking window over posted sales orders not yet delivered).
SalesOrderPicker defaultSalesOrderPicker();

// A running buy-and-give agreement as the bill uses it.
struct GiftRule {
    double buy = 0;   // gmsl
    double give = 0;  // zssl
    QString text;     // mzsm
};

class TfrmBillXSD : public TfrmGoodsBill {
    Q_OBJECT

public:
    explicit TfrmBillXSD(QWidget* parent = nullptr);
    ~TfrmBillXSD() override;

    QLineEdit* edBarcode() const { return edBarcode_; }
    QLabel* lbAvailable() const { return lbAvailable_; }

    // "订单编号" entered: the picking of the orders with that number.
    void linkOrderByCode();
    // The order button: the orders of the customer, else of the typed number.
    void pullOrders() override;
    // A scanned barcode: needs the customer and the warehouse first.
    bool scanBarcodeChecked(const QString& barcode);

    // The available stock and the stock of a line's goods in the bill's warehouse; shown in the
    // label. False when the row has no goods or no warehouse is chosen.
    bool refreshAvailableStock(int row);
    double availableQty() const { return availableQty_; }
    double stockQty() const { return stockQty_; }

    // The gift line that the customer's running agreement gives for the quantity of `row`: added,
    // changed or removed. Returns the gift row, -1 when there is none.
    int applyPromotion(int row);
    // The agreement for a goods of this bill's customer and date (asked once per goods).
    std::optional<GiftRule> promotionFor(qint64 goodsId);
    // The promotion price (per base unit) of the customer's running price agreement for a goods
    // on the bill's date; none when no agreement runs.
    std::optional<double> promotionPriceFor(qint64 goodsId);

    void recalcLine(int row, const QString& changedColumn) override;
    void resetToNewBill() override;

protected:
    void runWarnings(bool post) override;
    void linesChanged() override;
    void headerRecordChosen(const GoodsHeaderField& field) override;
    // A goods entered for a customer with a running price agreement takes its promotion price.
    void goodsEntered(int row) override;
    void loadBill() override;

private:
    void buildSalesControls();
    void refreshReceiptAmount();
    int findGiftRow(int row, const QString& ruleText) const;

    QLineEdit* edBarcode_ = nullptr;
    QLabel* lbAvailable_ = nullptr;
    double availableQty_ = 0;
    double stockQty_ = 0;
    bool applyingPromotion_ = false;
    bool loading_ = false;
    QHash<QString, std::optional<GiftRule>> promotions_;
    QHash<QString, std::optional<double>> promotionPrices_;
};

}  // namespace dyt::client
