#pragma once
// TfrmBillJHD ("进货单"): the purchase bill, the reference member of the goods-bill family.

#include "client/bills/goodsbill.h"

namespace dyt::client {

class TfrmBillJHD : public TfrmGoodsBill {
    Q_OBJECT
public:
    explicit TfrmBillJHD(QWidget* parent = nullptr);
    ~TfrmBillJHD() override;
};

}  // namespace dyt::client
