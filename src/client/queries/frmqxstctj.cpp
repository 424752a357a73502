#include "client/queries/frmqxstctj.h"

#include <QTreeWidget>

#include "client/logic/commission.h"

namespace dyt::client {

TfrmQXSTCTJ::TfrmQXSTCTJ(QWidget* parent)
    : TfrmQueryWindow(QStringLiteral("TfrmQXSTCTJ"), parent) {}

bool TfrmQXSTCTJ::byEmployee() const {
    return tag() == commission::kEmployeeStatistics;
}

void TfrmQXSTCTJ::completeParams(ParamList& params) {
    if (byEmployee())
        params.setValue(QStringLiteral("tjfs"), QStringLiteral("1"));
}

void TfrmQXSTCTJ::showEvent(QShowEvent* event) {
    if (byEmployee() && !shownOnce_) {
        shownOnce_ = true;
        setTitle(QStringLiteral("职员提成统计"));
        tvCategory()->hide();
    }
    TfrmQueryWindow::showEvent(event);
}

}  // namespace dyt::client
