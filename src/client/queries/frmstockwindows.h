#pragma once
// Two small read-only windows opened from the stock status report: the goods distribution
// TfrmBaseGoodsFenBu (the stock of one goods in each warehouse) and the batch details
// TfrmBaseKCPCB (the stock batches of one goods in one warehouse or in all). In its
// opening-entry mode the batch window lists the opening batches of one goods in one warehouse
// and adds, changes and deletes them.

#include <QString>

#include "client/common/frmxabstract.h"
#include "common/paramlist.h"

namespace dyt::client {

namespace stockwindows {
// The SELECT of the goods distribution: warehouse id, code and name, quantity and cost value of
// one goods, one row per warehouse holding it.
QString distributionSql(qint64 goodsId);
// The SELECT of the batch details of one goods, in one warehouse with its sub-warehouses
// (warehouseId above 0) or in all, oldest batch first.
QString batchSql(qint64 goodsId, qint64 warehouseId);
}  // namespace stockwindows

class TfrmBaseGoodsFenBu : public TfrmXAbstract {
    Q_OBJECT
public:
    explicit TfrmBaseGoodsFenBu(QWidget* parent = nullptr);
    // Reads the stock of that goods per warehouse; false (the error shown) when the call fails.
    bool showGoods(qint64 goodsId, const QString& goodsName);
    qint64 goodsId() const { return goodsId_; }
    void refreshData() override;

private:
    qint64 goodsId_ = 0;
    QLabel* lblGoods_ = nullptr;
};

class TfrmBaseKCPCB : public TfrmXAbstract {
    Q_OBJECT
public:
    explicit TfrmBaseKCPCB(QWidget* parent = nullptr);
    bool showBatches(qint64 goodsId, const QString& goodsName, qint64 warehouseId,
                     const QString& warehouseName);
    // Opening entry: the opening batches of the goods in the warehouse, with "新增", "修改"
    // and "删除"; false (the error shown) when they cannot be read.
    bool showOpeningBatches(qint64 goodsId, const QString& goodsName, qint64 warehouseId,
                            const QString& warehouseName);
    bool openingEntry() const { return opening_; }
    qint64 goodsId() const { return goodsId_; }
    qint64 warehouseId() const { return warehouseId_; }
    void refreshData() override;

    QAction* btnAdd() const { return btnAdd_; }        // "新增"
    QAction* btnEdit() const { return btnEdit_; }      // "修改"
    QAction* btnDelete() const { return btnDelete_; }  // "删除"
    void btnAddClick();
    void btnEditClick();
    void btnDeleteClick();

Q_SIGNALS:
    // An opening batch was saved or deleted.
    void openingChanged();

protected:
private:
    void buildOpeningColumns();
    // Asks for the batch's values (those of the focused row when id is above 0) and saves it.
    void editBatch(bool current);
    bool save(ParamList params);

    qint64 goodsId_ = 0;
    qint64 warehouseId_ = 0;
    bool opening_ = false;
    QLabel* lblGoods_ = nullptr;
    QLabel* lblWarehouse_ = nullptr;
    QAction* btnAdd_ = nullptr;
    QAction* btnEdit_ = nullptr;
    QAction* btnDelete_ = nullptr;
};

}  // namespace dyt::client
