#pragma once
// The commission statistics TfrmQXSTCTJ: the query window of its descriptor row; opened as
// "职员提成统计" (400703) it asks for the figures per employee instead of per goods level.

#include "client/queries/frmquery.h"

namespace dyt::client {

class TfrmQXSTCTJ : public TfrmQueryWindow {
    Q_OBJECT
public:
    explicit TfrmQXSTCTJ(QWidget* parent = nullptr);
    // Whether the window lists employees (its function code is 400703).
    bool byEmployee() const;

protected:
    void completeParams(ParamList& params) override;
    // Opened per employee: the title "职员提成统计" and no goods tree.
    void showEvent(QShowEvent* event) override;

private:
    bool shownOnce_ = false;
};

}  // namespace dyt::client
