#pragma once
// Two small read-only windows opened from the stock status report: the goods distribution
// TfrmBaseGoodsFenBu (the stock of one goods in each warehouse) and the batch details
// TfrmBaseKCPCB (the stock batches of one goods in one warehouse or in all).

#include <QString>

#include "client/common/frmxabstract.h"

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
    qint64 goodsId() const { return goodsId_; }
    qint64 warehouseId() const { return warehouseId_; }
    void refreshData() override;

private:
    qint64 goodsId_ = 0;
    qint64 warehouseId_ = 0;
    QLabel* lblGoods_ = nullptr;
    QLabel* lblWarehouse_ = nullptr;
};

}  // namespace dyt::client
