#pragma once
// TfrmQKCZKB "库存状况表": the stock status report. A query window of the descriptor table with
// its own differences: the warehouse is chosen on the window, the reference price by the
// operator's price rights, the query is P_Base_Get_Goods "DQKCNEW" with a lower-case goodsStr,
// the focused row is remembered per category level, and it opens the goods detail ledger, the
// auxiliary-unit detail, the batch list, the goods distribution and the batch details.

#include <QString>

#include "client/logic/stockstatus.h"
#include "client/queries/frmquery.h"

class QComboBox;
class QLineEdit;

namespace dyt::client {

class TfrmQKCZKB : public TfrmQueryWindow {
    Q_OBJECT
public:
    explicit TfrmQKCZKB(QWidget* parent = nullptr);
    ~TfrmQKCZKB() override;

    // --- controls
    QComboBox* cbPrice() const { return cbPrice_; }  // "参考单价"
    // Whether the reference-price drop-down is shown (its tool bar entry).
    bool referencePriceShown() const { return priceField_->isVisible(); }
    QLineEdit* edWarehouse() const { return edWarehouse_; }  // "请选择仓库"
    QAction* btnSelecAll() const { return btnSelecAll_; }    // "副单位明细"
    QAction* btnBatchList() const { return btnBatchList_; }  // "批次列表"
    QAction* btnAdd() const { return btnAdd_; }              // "商品分布"
    QAction* btnpcxq() const { return btnPcxq_; }            // "批次详情"

    // --- state
    QString warehouseId() const { return warehouseId_; }
    QString warehouseName() const { return warehouseName_; }
    void setWarehouse(const QString& id, const QString& name);
    // The code of the chosen reference price (-1 when the drop-down is empty).
    int referencePriceCode() const;
    const stockstatus::RowMemory& rowMemory() const { return rows_; }

    // --- operations
    bool runQuery(bool showDialog, const QString& quickText = QString()) override;
    void btnQListClick() override;  // "明细账本"
    // The warehouse picker's button: the selection of warehouses with the typed text.
    void chooseWarehouse();
    // A warehouse shortcut button: its tag is the warehouse id, its caption the name.
    void btnAllckClick(const QString& tag, const QString& caption);
    void btnSelecAllClick();   // "副单位明细"
    void btnSelecAll_Click();  // "批次列表"
    void btnAddClick();        // "商品分布"
    void btnpcxqClick();       // "批次详情"

protected:
    // A window of the same frame with a descriptor of its own (the opening stock windows): the
    // warehouse picker, the levels, the quick search, the goods distribution and the batch
    // details stay; the reference price, the ledgers and the batch list go.
    TfrmQKCZKB(const QueryDescriptor& descriptor, QWidget* parent);
    void showEvent(QShowEvent* event) override;
    void rememberRow() override;
    // The parameter list of a query.
    virtual ParamList queryParams(const stockstatus::Request& request) const;
    // Takes the warehouse picker out of the tool bar.
    void hideWarehousePicker();

private:
    void buildControls();
    void fillReferencePrices();
    void presetSingleWarehouse();
    void showWarehouse();
    // Opens one of the stock query windows for the focused goods (0: none) and runs its query.
    void openStockWindow(const QString& className, qint64 goodsId, const QString& goodsName);

    QComboBox* cbPrice_ = nullptr;
    QAction* priceCaption_ = nullptr;  // the tool bar's entries of the reference price
    QAction* priceField_ = nullptr;
    QAction* warehouseCaption_ = nullptr;  // the tool bar's entries of the warehouse picker
    QAction* warehouseField_ = nullptr;
    QLineEdit* edWarehouse_ = nullptr;
    QAction* btnSelecAll_ = nullptr;
    QAction* btnBatchList_ = nullptr;
    QAction* btnAdd_ = nullptr;
    QAction* btnPcxq_ = nullptr;
    QString warehouseId_;
    QString warehouseName_;
    stockstatus::RowMemory rows_;
    bool searchResult_ = false;  // the rows shown came from a quick search
    bool opened_ = false;
    bool report_ = true;  // the stock status report itself
};

}  // namespace dyt::client
