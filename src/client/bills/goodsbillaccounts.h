#pragma once
// TfrmMultiAccount ("多账户"): a payment split over several accounts, one account and amount per
// row. The goods bills send its rows as the account lines of one type.

#include <QList>
#include <QString>

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
    // The selection kind of the accounts: "fkkm" (payment accounts, the default) or "skkm".
    void setAccountKind(const QString& kind);
    // The account selection for a row, narrowed by the text; the amount cell follows a choice.
    bool chooseAccount(int row, const QString& text = QString());
    double total() const;

    // Refuses negative amounts ("金额不能为负数！").
    void btnOKClick() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ensureEmptyRow();
    void refreshTotal();
    qint64 accountIdOf(int row) const;
    // A code or name typed into an account cell: taken when one account has it, else the
    // selection; nothing chosen puts the cell back.
    void lookUpTyped();
    void enter(int row, int column);
    void walkFrom(int row, int column);

    QTableWidget* grid_ = nullptr;
    QLabel* lbTotal_ = nullptr;
    QString kind_ = QStringLiteral("fkkm");
    int typedRow_ = -1;
    bool filling_ = false;
};

}  // namespace dyt::client
