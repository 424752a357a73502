#pragma once
// TfrmInitOver ("期初完成..开账"): opens the account set for business once the opening balances
// are entered ("开账"), or takes it back to the opening-balance state ("反开账") while no bill has
// been posted. The server performs both and refuses what its rules forbid; after a success the
// account-set settings are read again, which brings the new state isOpen.

#include "client/common/frmbase.h"

class QDateEdit;
class QLabel;
class QPushButton;

namespace dyt::client {

class TfrmInitOver : public TfrmBaseDialog {
    Q_OBJECT
public:
    explicit TfrmInitOver(QWidget* owner = nullptr);
    ~TfrmInitOver() override;

    QDateEdit* edDate() const { return edDate_; }            // "开账日期："
    QPushButton* btnOpen() const { return btnOpen_; }        // "开账"
    QPushButton* btnReverse() const { return btnReverse_; }  // "反开账"

    // "开账": opens the account set; on success closes the dialog with OK.
    void btnOpenClick();
    // "反开账": back to the opening-balance state; on success closes the dialog.
    void btnReverseClick();

protected:
    // The buttons and the date follow the account set's state at every show.
    void FormShow() override;

private:
    // Runs the operation; true when the server performed it. A refusal is shown and the dialog
    // stays as it is.
    bool run(bool reverse);
    void showState();

    QLabel* lblText_ = nullptr;
    QLabel* lblDate_ = nullptr;
    QDateEdit* edDate_ = nullptr;
    QPushButton* btnOpen_ = nullptr;
    QPushButton* btnReverse_ = nullptr;
};

}  // namespace dyt::client
