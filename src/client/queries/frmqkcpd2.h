#pragma once
// TfrmQKCPD2 ("库存盘点"): the stocktake of one warehouse. The operator chooses the warehouse,
// the window lists its goods with the book quantity, and the operator types the counted quantity
// beside the goods he counted (Enter moves down the column). "生成盘点单" hands the counts to the
// server, which makes a stocktake draft of them; the draft opens in the stocktake bill, where it
// is checked and posted.

#include <QString>

#include "client/common/frmxabstract.h"

class QLineEdit;
class QModelIndex;
class QPushButton;

namespace dyt::client {

class TfrmQKCPD2 : public TfrmXAbstract {
    Q_OBJECT
public:
    explicit TfrmQKCPD2(QWidget* parent = nullptr);
    ~TfrmQKCPD2() override;

    QLineEdit* edWarehouse() const { return edWarehouse_; }    // "盘点仓库："
    QPushButton* btnMakeBill() const { return btnMakeBill_; }  // "生成盘点单"
    qint64 warehouseId() const { return warehouseId_; }

    // The warehouse picker (Enter in the field or its button): the selection of warehouses with
    // the typed text; a choice lists the warehouse's goods.
    void chooseWarehouse();
    // Lists the goods of the warehouse with their book quantity; the counts typed so far go.
    bool showWarehouse(qint64 id, const QString& name);
    // "生成盘点单": the draft of the counted rows, then the draft in the stocktake bill.
    void btnMakeBillClick();
    void refreshData() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int countColumn();
    // The counted-quantity cell of the row, focused for typing.
    void enterCount(int row);
    void moveDown(const QModelIndex& from);

    QLineEdit* edWarehouse_ = nullptr;
    QPushButton* btnMakeBill_ = nullptr;
    qint64 warehouseId_ = 0;
    QString warehouseName_;
};

}  // namespace dyt::client
