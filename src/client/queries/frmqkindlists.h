#pragma once
// The bill lists of one kind without order states: "配送申请查询" (TfrmQPSSQCX, requests),
// "配送验收查询" (TfrmQPSYSCX, acceptances) and "赠品合同查询" (TfrmQZPHTCX, gift contracts). A
// bill opens from the list; reversal and deletion are the business history's.

#include "client/queries/frmqbilllists.h"

namespace dyt::client {

class TfrmQKindList : public TfrmQBillListBase {
    Q_OBJECT

public:
    explicit TfrmQKindList(const QString& className, QWidget* parent = nullptr);

    // The kind a list class shows; 0 for other classes.
    static int kindOf(const QString& className);

protected:
    void completeParams(ParamList& params) override;

private:
    int djType_ = 0;
};

}  // namespace dyt::client
