#pragma once
// The bill lists on which bills are handled after saving: the drafts ("业务草稿"), posted from the
// list, opened or deleted; and the purchase and sales orders ("进货订单查询", "销售订单查询"),
// stopped, resumed, finished by hand, copied into a new draft order or deleted. The server keeps
// the rules (whose drafts an operator handles, what state an order may change from); the windows
// ask, send and show the list again.

#include <functional>

#include "client/queries/frmquery.h"

class QComboBox;

namespace dyt::client {

// The window both lists build on: the focused bill and a re-query after each change and after a
// bill opened from the list was closed.
class TfrmQBillListBase : public TfrmQueryWindow {
    Q_OBJECT

public:
    explicit TfrmQBillListBase(const QString& className, QWidget* parent = nullptr);

protected:
    // A tool-bar button before "打印".
    QAction* addButton(const QString& text, const QString& name, const std::function<void()>& slot);
    // The focused bill's id; 0 (and nothing done) when the list is empty.
    qint64 focusedBill() const;
    // Runs a procedure on the focused bill after the question (none when empty); shows `done`
    // (none when empty) and queries again. False when nothing was changed.
    bool changeBill(const QString& question, const QString& procedure, ParamList params,
                    const QString& done);
    void billClosed() override;
};

// "业务草稿": the drafts of one or all bill kinds; "过账" posts the focused draft as it stands,
// "删除" deletes it; other operators' drafts only for operator 1 and holders of right 6010.
class TfrmQYWCG : public TfrmQBillListBase {
    Q_OBJECT

public:
    explicit TfrmQYWCG(QWidget* parent = nullptr);

    QComboBox* cbBillType() const { return cbBillType_; }
    QAction* btnPost() const { return btnPost_; }
    QAction* btnDelete() const { return btnDelete_; }

    void btnPostClick();
    void btnDeleteClick();

protected:
    void completeParams(ParamList& params) override;

private:
    // False (with the refusal shown) for another operator's draft the operator may not handle.
    bool mayHandleFocused();

    QComboBox* cbBillType_ = nullptr;
    QAction* btnPost_ = nullptr;
    QAction* btnDelete_ = nullptr;
};

// "进货订单查询" (TfrmQJHDDCX) and "销售订单查询" (TfrmQXSDDCX): posted orders with their state.
class TfrmQOrderList : public TfrmQBillListBase {
    Q_OBJECT

public:
    explicit TfrmQOrderList(const QString& className, QWidget* parent = nullptr);

    QAction* btnStop() const { return btnStop_; }
    QAction* btnResume() const { return btnResume_; }
    QAction* btnFinish() const { return btnFinish_; }
    QAction* btnCopy() const { return btnCopy_; }
    QAction* btnDelete() const { return btnDelete_; }

    void btnStopClick();
    void btnResumeClick();
    void btnFinishClick();
    void btnCopyClick();
    void btnDeleteClick();

protected:
    // The list's one kind of order.
    void completeParams(ParamList& params) override;
    void showEvent(QShowEvent* event) override;

private:
    bool changeState(int type, const QString& question);

    int djType_ = 0;
    QAction* btnStop_ = nullptr;
    QAction* btnResume_ = nullptr;
    QAction* btnFinish_ = nullptr;
    QAction* btnCopy_ = nullptr;
    QAction* btnDelete_ = nullptr;
};

}  // namespace dyt::client
