#pragma once
// TfrmBillPDD ("盘点单"): the stocktake. The counted quantities of the goods of one warehouse;
// posting books what is over or short against the stock. The kind has no menu entry of its own:
// the stocktake window makes its drafts, and the bill opener opens them from there and from the
// bill lists.

#include "client/bills/goodsbill.h"

namespace dyt::client {

class TfrmBillPDD : public TfrmGoodsBill {
    Q_OBJECT
public:
    explicit TfrmBillPDD(QWidget* parent = nullptr);
    ~TfrmBillPDD() override;

protected:
    bool acceptsKind(int djType) const override;
};

}  // namespace dyt::client
