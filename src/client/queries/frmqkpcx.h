#pragma once
// "开票查询" (TfrmQKPCX): the posted invoices of the period; "红冲单据" reverses the focused
// invoice, which gives back what it invoiced of its bills. A reversed invoice and a reversal are
// refused before anything is sent.

#include "client/queries/frmqbilllists.h"

namespace dyt::client {

class TfrmQKPCX : public TfrmQBillListBase {
    Q_OBJECT

public:
    explicit TfrmQKPCX(QWidget* parent = nullptr);

    QAction* btnRed() const { return btnRed_; }
    void btnRedClick();

private:
    QAction* btnRed_ = nullptr;
};

}  // namespace dyt::client
