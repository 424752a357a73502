#pragma once
// The distribution kinds between warehouses (61 配送申请单, 62 配送单, 63 配送验收单) and the gift
// contract (71 赠品合同单) as rows of the goods-bill family.

#include <vector>

#include "client/bills/goodsbill.h"

namespace dyt::client {

std::vector<GoodsBillFamily> distributionBillFamilyRows();

}  // namespace dyt::client
