#include "protocol/billkinds.h"

#include <algorithm>

namespace dyt {

namespace {

// clang-format off
const BillKindRow kBillKinds[] = {
    {1, "TfrmBillXSD", 2009, "销售单", "XS"},
    {2, "TfrmBillXSTHD", 2010, "销售退货单", "XSTH"},
    {3, "TfrmBillXSHHD", 2011, "销售换货单", "XSHH"},
    {4, "TfrmBillXSDD", 2008, "销售订单", "XSDD"},
    {5, "TfrmBillJHD", 2004, "进货单", "JH"},
    {6, "TfrmBillJHTHD", 2005, "进货退货单", "JHTH"},
    {7, "TfrmBillJHHHD", 2006, "进货换货单", "JHHH"},
    {8, "TfrmBillJHDD", 2003, "进货订单", "JHDD"},
    {9, "TfrmBillSPCZD", 201708, "商品拆装单", "SPCZ"},
    {10, "TfrmBillQTCKD", 201704, "其它出库单", "QTCK"},
    {11, "TfrmBillQTRKD", 201703, "其它入库单", "QTRK"},
    {12, "TfrmBillBSD", 201701, "报损单", "BS"},
    {13, "TfrmBillBYD", 201702, "报溢单", "BY"},
    {14, "TfrmBillCBTJD", 201707, "成本调价单", "CBTJ"},
    {15, "TfrmBillTJDBD", 201705, "同价调拨单", "TJDB"},
    {16, "TfrmBillBJDBD", 201706, "变价调拨单", "BJDB"},
    {17, "TfrmBillXJFYD", 201901, "现金费用单", "XJFY"},
    {18, "TfrmBillYBFYD", 201902, "一般费用单", "YBFY"},
    {19, "TfrmBillQTSRD", 201903, "其它收入单", "QTSR"},
    {20, "TfrmBillTXCXZZ", 201904, "提现存现转账", "TXCX"},
    {21, "TfrmBillSKD", 2012, "收款单", "SK"},
    {22, "TfrmBillFKD", 2007, "付款单", "FK"},
    {23, "TfrmBillGDZCGZ", 20190501, "固定资产购置", "GDGZ"},
    {24, "TfrmBillGDZCZJ", 20190502, "固定资产折旧", "GDZJ"},
    {25, "TfrmBillGDZCBM", 20190503, "固定资产变卖", "GDBM"},
    {26, "TfrmBillDTFYFS", 20190601, "待摊费用发生", "DTFS"},
    {27, "TfrmBillDTFYTX", 20190602, "待摊费用摊销", "DTTX"},
    {28, "TfrmBillYSJS", 20190702, "调账：应收款减少", "YSJS"},
    {29, "TfrmBillYSZJ", 20190701, "调账：应收款增加", "YSZJ"},
    {30, "TfrmBillYFZJ", 20190703, "调账：应付款增加", "YFZJ"},
    {31, "TfrmBillYFJS", 20190704, "调账：应付款减少", "YFJS"},
    {32, "TfrmBillZJJS", 20190706, "调账：资金减少", "ZJJS"},
    {33, "TfrmBillZJZJ", 20190705, "调账：资金增加", "ZJZJ"},
    {34, "TfrmBillKJPZ", 201908, "会计凭证", "PZ"},
    {35, "TfrmBillJJD", 202001, "借进单", "JJ"},
    {36, "TfrmBillJJHCD", 202002, "借进还出单", "JJHC"},
    {37, "TfrmBillJZJHD", 202003, "借转进货单", "JZJH"},
    {38, "TfrmBillJCD", 202004, "借出单", "JC"},
    {39, "TfrmBillJCHHD", 202005, "借出还回单", "JCHH"},
    {40, "TfrmBillJZXSD", 202006, "借转销售单", "JZXS"},
    {41, "", 0, "账外入库单", "ZWRK"},
    {42, "TfrmBillPDD", 0, "盘点单", "PD"},
    {43, "TfrmBillWTFHD", 201805, "委托发货单", "WTFH"},
    {44, "TfrmBillWTJSD", 201807, "委托结算单", "WTJS"},
    {45, "TfrmBillSTSHD", 201801, "受托收货单", "STSH"},
    {46, "TfrmBillSTJSD", 201803, "受托结算单", "STJS"},
    {47, "TfrmBillWTTHD", 201806, "委托退货单", "WTTH"},
    {48, "TfrmBillSTTHD", 201802, "受托退货单", "STTH"},
    {49, "TfrmBillWTTJD", 201808, "委托调价单", "WTTJ"},
    {50, "TfrmBillSTTJD", 201804, "受托调价单", "STTJ"},
    {51, "", 0, "零售单", "LS"},
    {53, "TfrmBillWWJGLLD", 202101, "委外加工领料单", "WWLL"},
    {54, "TfrmBillWWJGTLD", 202102, "委外加工退料单", "WWTL"},
    {55, "TfrmBillWWJGWGD", 202103, "委外加工完工单", "WWWG"},
    {56, "TfrmBillCKRKD", 202201, "仓库入库单", "CKRK"},
    {57, "TfrmBillCKCKD", 202202, "仓库出库单", "CKCK"},
    {58, "TfrmBillCKDBD", 202203, "仓库调拨单", "CKDB"},
    {59, "TfrmBillHZD", 2024, "获赠单", "HZ"},
    {60, "TfrmBillZSD", 2025, "赠送单", "ZS"},
    {61, "TfrmBillPSSQD", 4501, "配送申请单", "PSSQ"},
    {62, "TfrmBillPSD", 4502, "配送单", "PS"},
    {63, "TfrmBillPSYSD", 4503, "配送验收单", "PSYS"},
    {64, "TfrmBillXJD", 2026, "询价单", "XJ"},
    {65, "TfrmBillBJD", 2027, "报价单", "BJ"},
    {66, "TfrmBillLWFYD", 201909, "劳务费用单", "LWFY"},
    {67, "TfrmBillJHKPADJ", 4301, "进货开票[按单据]", "JHKPD"},
    {68, "TfrmBillJHKPASP", 4302, "进货开票[按商品]", "JHKPS"},
    {69, "TfrmBillXSKPADJ", 4303, "销售开票[按单据]", "XSKPD"},
    {70, "TfrmBillXSKPASP", 4304, "销售开票[按商品]", "XSKPS"},
    {71, "TfrmBillZPHTD", 4401, "赠品合同单", "ZPHT"},
};
// clang-format on

}  // namespace

std::span<const BillKindRow> billKindRows() {
    return kBillKinds;
}

const BillKindRow* findBillKindRow(int djType) {
    const auto it = std::find_if(std::begin(kBillKinds), std::end(kBillKinds),
                                 [djType](const BillKindRow& row) { return row.djType == djType; });
    return it == std::end(kBillKinds) ? nullptr : it;
}

}  // namespace dyt
