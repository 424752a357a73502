#pragma once
// TfrmMultiAccount ("多账户"): a payment split over several accounts, one account and amount per
// row. The goods bills send its rows as the account lines of one type.

#include <QList>

#include "client/common/frmbase.h"

class QLabel;
class QTableWidget;

namespace dyt::client {

struct AccountAmount;

class TfrmMultiAccount : public TfrmBaseDialog {
    Q_OBJECT
public:
    explicit TfrmMultiAccount(QWidget* parent = nullptr);
    ~TfrmMultiAccount() override;

    QTableWidget* grid() const { return grid_; }
    QLabel* lbTotal() const { return lbTotal_; }

    // The rows shown, and the rows with an account (amounts as typed; 0 for text that is not a
    // number).
    void setAccounts(const QList<AccountAmount>& accounts);
    QList<AccountAmount> accounts() const;
    // Puts an account into a row (the last row grows the list by an empty one).
    void setAccount(int row, qint64 id, const QString& name);
    void setAmount(int row, double amount);
    // The account selection ("fkkm") for a row.
    bool chooseAccount(int row);
    double total() const;

    // Refuses negative amounts ("金额不能为负数！").
    void btnOKClick() override;

private:
    void ensureEmptyRow();
    void refreshTotal();

    QTableWidget* grid_ = nullptr;
    QLabel* lbTotal_ = nullptr;
};

}  // namespace dyt::client
