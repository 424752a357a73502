// The stocktake bill.
#include "client/bills/frmbillpdd.h"

#include "common/error.h"

using namespace Qt::StringLiterals;

namespace dyt::client {

namespace {
const GoodsBillFamily& stocktakeRow() {
    const GoodsBillFamily* row = findGoodsBillFamilyByType(kStocktakeType);
    if (!row)
        throw DytError(u"单据[盘点单]的窗口尚未提供"_s);
    return *row;
}
}  // namespace

TfrmBillPDD::TfrmBillPDD(QWidget* parent) : TfrmGoodsBill(stocktakeRow(), parent) {}

TfrmBillPDD::~TfrmBillPDD() = default;

bool TfrmBillPDD::acceptsKind(int djType) const {
    return djType == kStocktakeType;
}

}  // namespace dyt::client
