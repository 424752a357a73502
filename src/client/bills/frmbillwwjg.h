#pragma once
// The outsourced-processing bills (委外加工领料单 53, 委外加工退料单 54, 委外加工完工单 55) and
// the warehouse receipts and issues (仓库入库单 56, 仓库出库单 57) as rows of the goods-bill
// family, and the completion window, which picks the issues of its processor as the materials it
// consumes.

#include <vector>

#include "client/bills/goodsbill.h"

namespace dyt::client {

// The family rows of the kinds 53 to 57.
std::vector<GoodsBillFamily> processingBillFamilyRows();

// 委外加工完工单: lines with a positive quantity are the finished goods (their amount is the
// processing fee), lines with a negative quantity the materials consumed at the processor. The
// button "委外加工领料单" picks lines of that processor's issues as consumed materials.
class TfrmBillWWJGWGD : public TfrmGoodsBill {
    Q_OBJECT

public:
    explicit TfrmBillWWJGWGD(QWidget* parent = nullptr);

    // The picked issue lines as consumed materials: negative quantities, no price.
    static RecordSet consumedLines(const RecordSet& issueLines);

    void pullOrders() override;
};

}  // namespace dyt::client
