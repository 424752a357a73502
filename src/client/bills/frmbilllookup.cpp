// The read-only look-up dialog of the bill windows.
#include "client/bills/frmbilllookup.h"

#include <QAbstractItemView>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "client/common/gridview.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/settings.h"
#include "common/error.h"

namespace dyt::client {

TfrmBillLookup::TfrmBillLookup(const BillLookup& lookup, const RecordSet& rows, QWidget* parent)
    : TfrmBaseDialog(parent), lookup_(lookup), records_(rows) {
    setObjectName(QStringLiteral("frmBillLookup"));
    setWindowTitle(lookup_.title);
    lbltitle()->setText(lookup_.title);
    btnOK()->setVisible(false);
    resize(640, 400);

    const TSettings& s = settings();
    GridContext& c = def_.context;
    c.qtyDot = s.QtyDot;
    c.priceDot = s.PriceDot;
    c.totalDot = s.TotalDot;
    c.discountDot = s.DiscountDot;
    c.taxDot = s.TaxDot;
    c.canSeeCost = s.SeeCost;
    def_.allowHideColumns = false;
    for (const BillLookupColumn& column : lookup_.columns) {
        // A field the answer lacks shows as an empty column instead of failing the dialog.
        if (records_.fieldIndex(column.fieldName) < 0)
            records_.addField(column.fieldName, FieldType::Text, 50);
        AddGridColumn(def_, column.captionText, column.fieldName, false, column.width);
    }

    auto* layout = new QVBoxLayout(contentBox());
    grid_ = new GridView(contentBox());
    grid_->setObjectName(QStringLiteral("dbgLookup"));
    layout->addWidget(grid_);
    // The grid owns the model: its table goes first, the model after it.
    model_ = new RecordSetModel(grid_);
    model_->setSource(&records_, &def_);
    grid_->setModel(model_);
    grid_->table()->setEditTriggers(QAbstractItemView::NoEditTriggers);
}

TfrmBillLookup::~TfrmBillLookup() {
    // The view (and the model it owns) reads the grid description held by a member: it goes first.
    delete grid_;
}

QString TfrmBillLookup::cellText(int row, int column) const {
    return model_->data(model_->index(row, column), Qt::DisplayRole).toString();
}

}  // namespace dyt::client
