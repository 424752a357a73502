#pragma once
// TfrmSelectGoodsPC ("请选择商品批次"): the stock batch of one goods in one warehouse for the
// focused line of a bill. BatchSelection is the behaviour apart from the widgets.

#include <QString>

#include "client/bills/selectwindow.h"
#include "client/logic/fixedtext.h"
#include "client/logic/gridcolumn.h"
#include "common/paramlist.h"
#include "common/recordset.h"

class QLabel;

namespace dyt {
class GridView;
class RecordSetModel;
}  // namespace dyt

namespace dyt::client {

namespace batchtext {
inline constexpr FixedText title{u"请选择商品批次"};
inline constexpr FixedText gridCaption{u"选择商品批次"};
inline constexpr FixedText allWarehouses{u"全部仓库"};
}  // namespace batchtext

class BatchSelection {
public:
    BatchSelection(qint64 goodsId, qint64 warehouseId);

    ParamList queryParams() const;
    // Runs P_Base_Get_Goods ("XZSPPC") into rows().
    void runQuery();
    RecordSet& rows() { return rows_; }

    // "商品：" + the goods' full name from the cache ("商品：" alone when it is not found).
    QString goodsLabel() const;
    // "仓库：" + the warehouse's full name, or "仓库：全部仓库" when the id is not found.
    QString warehouseLabel() const;

    // Only a batch row (sonnum 0) can be chosen.
    bool canChoose(int row) const;
    // Writes the chosen batch into row `lineRow` of the bill lines: every column of `columns`
    // (every field of `lines` when columns is null) whose field name, in lower case, is goodspc,
    // ph, outdate, yxqdate or stockqty takes the batch's goodspc, ph, outdate, yxqdate or
    // stockQty. Returns the number of values written.
    int writeInto(int row, RecordSet& lines, int lineRow, const GridDefinition* columns) const;

private:
    qint64 goodsId_;
    qint64 warehouseId_;
    RecordSet rows_;
};

class TfrmSelectGoodsPC : public TfrmSelectWindow {
    Q_OBJECT
public:
    // billLines/billColumns/lineRow: the bill's lines grid and its focused line (optional).
    TfrmSelectGoodsPC(qint64 goodsId, qint64 warehouseId, RecordSet* billLines = nullptr,
                      const GridDefinition* billColumns = nullptr, int lineRow = -1,
                      QWidget* parent = nullptr);
    ~TfrmSelectGoodsPC() override;

    BatchSelection& selection() { return selection_; }
    GridView* grid() const { return grid_; }
    // "选中(&S)" or a double-click on a row.
    void chooseClick();
    int chosenRow() const { return chosen_; }

protected:
    // Closing stores the grid layout.
    void done(bool accepted) override;
    // Enter or a double-click on a row: as "选中(&S)".
    void chooseCurrent() override;

private:
    BatchSelection selection_;
    RecordSet* billLines_;
    const GridDefinition* billColumns_;
    int lineRow_;
    GridDefinition def_;
    RecordSetModel* model_ = nullptr;
    GridView* grid_ = nullptr;
    int chosen_ = -1;
};

}  // namespace dyt::client
