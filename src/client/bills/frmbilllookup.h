#pragma once
// TfrmBillLookup: the read-only look-up of a bill window ("商品分布", "历史进价", "历史售价",
// "收款过程", "付款过程"): a title and a grid of tagged columns over the rows of one query.
//
// BillLookup describes one look-up as data: its title, the query text the bill window sends and
// the columns that show the answer. The bill window builds it (TfrmBillAbstract::lookupFor) and
// runs it; this dialog only shows the rows.

#include <QList>
#include <QString>

#include "client/common/frmbase.h"
#include "client/logic/gridcolumn.h"
#include "common/recordset.h"

namespace dyt {
class GridView;
class RecordSetModel;
}  // namespace dyt

namespace dyt::client {

// The look-ups of the lines grid's context menu.
enum class BillLookupKind { GoodsDistribution, PurchasePrices, SalePrices, Receipts, Payments };

struct BillLookupColumn {
    QString captionText;  // with its tag list, e.g. "[%NUM%SUM%Q%]数量"
    QString fieldName;
    int width = 80;
};

// The ids of the bill a look-up is made for: the focused line's goods and the header's partner,
// employee, department and warehouses (the line's warehouses when the header has none); 0 when
// not chosen. A window that shows a look-up as a query window passes them on as its conditions.
struct BillLookupIds {
    qint64 goodsid = 0;
    qint64 wldw_id = 0;
    qint64 jsr_id = 0;
    qint64 dep_id = 0;
    qint64 IntoStock_id = 0;
    qint64 OutStock_id = 0;
};

struct BillLookup {
    BillLookupKind kind = BillLookupKind::GoodsDistribution;
    BillLookupIds ids;
    QString title;  // the menu entry's caption
    QString sql;    // the query the bill window sends through ExecQuery
    QList<BillLookupColumn> columns;
};

class TfrmBillLookup : public TfrmBaseDialog {
    Q_OBJECT

public:
    // Shows rows under the look-up's title and columns; the rows are copied.
    TfrmBillLookup(const BillLookup& lookup, const RecordSet& rows, QWidget* parent = nullptr);
    ~TfrmBillLookup() override;

    const BillLookup& lookup() const { return lookup_; }
    GridView* grid() const { return grid_; }
    RecordSetModel* model() const { return model_; }
    const RecordSet& records() const { return records_; }
    const GridDefinition& definition() const { return def_; }
    // The text the grid shows in a cell (model row and column).
    QString cellText(int row, int column) const;

private:
    BillLookup lookup_;
    RecordSet records_;
    GridDefinition def_;
    GridView* grid_ = nullptr;
    RecordSetModel* model_ = nullptr;
};

}  // namespace dyt::client
