// The purchase bill.
#include "client/bills/frmbilljhd.h"

#include "common/error.h"

using namespace Qt::StringLiterals;

namespace dyt::client {

namespace {
const GoodsBillFamily& purchaseRow() {
    const GoodsBillFamily* row = findGoodsBillFamilyByType(5);
    if (!row)
        throw DytError(u"单据[进货单]的窗口尚未提供"_s);
    return *row;
}
}  // namespace

TfrmBillJHD::TfrmBillJHD(QWidget* parent) : TfrmGoodsBill(purchaseRow(), parent) {}

TfrmBillJHD::~TfrmBillJHD() = default;

}  // namespace dyt::client
