#pragma once
// A bill-like header and detail set as the bill windows hand them to the print engine.

#include "common/recordset.h"

using namespace Qt::StringLiterals;

namespace dyt::test {

// Header: 公司全名, 公司电话, 操作员, 打印标签, 单据编号, 日期 (date), 供应商; one row.
RecordSet billHeader();
// Detail: 行号, 商品编号, 商品名称, 数量 "[%SUM%Q%]数量", 单价 "[%P%]单价",
// 金额 "[%SUM%M%]金额" (currency), 条码 "[%F%]条码" (a hidden grid column); rows lines.
// Line i (from 1): code "SP%03d", name "商品i", quantity i, price 1.5, amount 1.5 * i.
RecordSet billDetail(int lines);
// A report wider than any page: columns "库存数量1" … and last "参考单价" (currency); the header
// holds "仓库" with a long list of warehouses ending in "六分仓）".
RecordSet wideReportHeader();
RecordSet wideReportDetail(int columns, int lines);

}  // namespace dyt::test
