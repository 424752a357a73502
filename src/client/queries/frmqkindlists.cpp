#include "client/queries/frmqkindlists.h"

#include "common/condition.h"

namespace dyt::client {

TfrmQKindList::TfrmQKindList(const QString& className, QWidget* parent)
    : TfrmQBillListBase(className, parent), djType_(kindOf(className)) {}

int TfrmQKindList::kindOf(const QString& className) {
    if (className == QLatin1String("TfrmQPSSQCX"))
        return 61;
    if (className == QLatin1String("TfrmQPSYSCX"))
        return 63;
    if (className == QLatin1String("TfrmQZPHTCX"))
        return 71;
    return 0;
}

void TfrmQKindList::completeParams(ParamList& params) {
    params.setValue(QStringLiteral("djStr"), billKindList({djType_}));
}

}  // namespace dyt::client
