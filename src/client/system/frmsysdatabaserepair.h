#pragma once
// TfrmSysDatabaseRepair ("账套修复", function 500407): after two confirmations the server posts
// every posted bill again in date order and builds stock, costs, balances, order fulfilment and
// settlements from the bills.

#include "client/common/frmbase.h"

class QLabel;

namespace dyt::client {

class TfrmSysDatabaseRepair : public TfrmBaseDialog {
    Q_OBJECT
public:
    explicit TfrmSysDatabaseRepair(QWidget* owner = nullptr);
    ~TfrmSysDatabaseRepair() override;

    // Asks twice, then repairs; closes with OK when the server did it.
    void btnOKClick() override;

private:
    QLabel* lblNote_ = nullptr;
};

}  // namespace dyt::client
