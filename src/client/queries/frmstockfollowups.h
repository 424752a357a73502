#pragma once
// The stock-limit windows with actions of their own, on the one query window:
// - TfrmQKCXXBJ 库存下限报警: "生成进货单" turns the goods below their lower limit (the chosen
//   rows or all) into a purchase draft of the missing quantities, which opens in the purchase
//   bill;
// - TfrmQSPZNBHJH 商品智能补货计划: "生成进货单" makes a purchase draft of the suggested
//   quantities and posts it at once or opens it in the purchase bill;
// - TfrmQKCSXXBJSZ 库存上下限报警设置: the lower and upper limits are typed in the list and saved
//   row by row as they are entered.

#include <QList>

#include "client/queries/frmquery.h"

class QAction;
class QModelIndex;

namespace dyt::client {

// The query window of the two purchase-draft windows.
class TfrmQStockDraftWindow : public TfrmQueryWindow {
    Q_OBJECT
public:
    explicit TfrmQStockDraftWindow(const QString& className, QWidget* parent = nullptr);
    QAction* btnMakeBill() const { return btnMakeBill_; }  // "生成进货单"
    // The draft of the rows the operator chooses; false when none was made.
    bool btnMakeBillClick();

protected:
    void showEvent(QShowEvent* event) override;
    // The rows of the grid (record indexes) the draft is made of; empty when cancelled.
    QList<int> chosenRows();
    // Makes the draft of the rows; returns its id (0: nothing made, the reason shown).
    virtual qint64 makeDraft(const QList<int>& rows) = 0;

private:
    QAction* btnMakeBill_ = nullptr;
};

class TfrmQKCXXBJ : public TfrmQStockDraftWindow {
    Q_OBJECT
public:
    explicit TfrmQKCXXBJ(QWidget* parent = nullptr);

protected:
    qint64 makeDraft(const QList<int>& rows) override;
};

class TfrmQSPZNBHJH : public TfrmQStockDraftWindow {
    Q_OBJECT
public:
    explicit TfrmQSPZNBHJH(QWidget* parent = nullptr);

protected:
    qint64 makeDraft(const QList<int>& rows) override;
};

class TfrmQKCSXXBJSZ : public TfrmQueryWindow {
    Q_OBJECT
public:
    explicit TfrmQKCSXXBJSZ(QWidget* parent = nullptr);
    // Saves the limits of the grid row (a record index); false (the error shown, the stored
    // limits read again) when they are refused.
    bool saveLimits(int row);

private:
    void cellChanged(const QModelIndex& index);
    bool saving_ = false;
};

}  // namespace dyt::client
