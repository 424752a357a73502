#include "client/queries/frmqkpcx.h"

#include <QAction>

#include "client/logic/billhistory.h"
#include "client/logic/prompter.h"
#include "common/error.h"

namespace dyt::client {

TfrmQKPCX::TfrmQKPCX(QWidget* parent) : TfrmQBillListBase(QStringLiteral("TfrmQKPCX"), parent) {
    btnRed_ = addButton(history::text::red(), QStringLiteral("btnRed"), [this] { btnRedClick(); });
    btnRed_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
}

void TfrmQKPCX::btnRedClick() {
    const qint64 id = focusedBill();
    if (id <= 0)
        return;
    if (focusedValue(QStringLiteral("isred")).toInt() == 1 ||
        focusedValue(QStringLiteral("isredword")).toInt() == 1) {
        showError(DytError(history::text::alreadyRed()));
        return;
    }
    ParamList p;
    p.setValue(QStringLiteral("isRed"), QStringLiteral("-1"));
    p.setValue(QStringLiteral("billid"), QString::number(id));
    p.setValue(QStringLiteral("dj_state"), QStringLiteral("2"));
    changeBill(history::text::confirmRed(), QStringLiteral("P_JXC_DJ_CopyRed"), p,
               history::text::redDone());
}

}  // namespace dyt::client
