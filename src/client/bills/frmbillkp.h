#pragma once
// The invoices: 进货开票[按单据] (67), 进货开票[按商品] (68), 销售开票[按单据] (69) and
// 销售开票[按商品] (70). An invoice takes bills of its partner through the bill picking
// ("进货单" or "销售单") and records against each the amount invoiced now (kpTotal, "开票金额"),
// offered as what is not yet invoiced: by bill one line per bill (its number, kind and date in the
// goods cells, its amount in "含税金额"), by goods the picked goods lines themselves. The server
// keeps what has been invoiced and refuses more than a bill or line holds.

#include "client/bills/goodsbill.h"

namespace dyt::client {

namespace invoicetext {
inline constexpr FixedText amountPositive{u"开票金额必须大于零！"};
}  // namespace invoicetext

// The family rows of the four invoice kinds.
std::vector<GoodsBillFamily> invoiceBillFamilyRows();
// True for 67 … 70; by bill for 67 and 69.
bool isInvoiceKind(int djType);
bool invoicesByBill(int djType);

class TfrmBillKP : public TfrmGoodsBill {
    Q_OBJECT

public:
    explicit TfrmBillKP(const GoodsBillFamily& family, QWidget* parent = nullptr);

    bool byBill() const { return invoicesByBill(family().djType); }
    // The invoice's lines: one per bill (by bill) or per goods line (by goods).
    QList<int> invoiceRows() const;
    // The picking of the partner's bills; adds their lines with what is not yet invoiced.
    void pullOrders() override;
    // Adds the picked bills (by bill: the header rows of the picking) or lines (by goods).
    void takeOverBills(const RecordSet& bills, const RecordSet& lines);

protected:
    void checkLines(bool post) override;
    void loadBill() override;
};

}  // namespace dyt::client
