// The function menu and rights catalogue (sysMenu).
//
// The menu bar groups the functions by business area, so that each area's bills and reports sit
// in one menu: the purchase, sales, stock and finance menus carry the codes of their report groups
// (3003, 3004, 3005, 3007) and hold the reports directly, one level below the bar. Deeper codes
// hang below the code without its last two digits (300313 → 30031301). Below each window hang its
// operation rights ("01".."04": the window's code followed by the sub-right), the field rights of
// the base lists (the codes of baseFieldNames) and, in the group "其它权限", the rights 6001..6017
// that the windows read through dbo.fnGetPurview.

#include <QHash>
#include <QStringList>

#include "common/error.h"
#include "protocol/billkinds.h"
#include "server/db/schema_internal.h"

namespace dyt::server::schema::detail {
namespace {

enum class Rights { None, BaseList, Bill, Query, Opening, History, Config, Promotion };

enum Flags : unsigned { kHide = 1, kSep = 2, kBtn = 4 };

// Right groups of the operator rights window ("权限类型").
enum Group {
    kAll = 0,
    kBase = 1,
    kPurchaseBills = 2,
    kSalesBills = 3,
    kStockBills = 4,
    kMoneyBills = 5,
    kLoanBills = 6,
    kPurchaseReports = 7,
    kSalesReports = 8,
    kStockReports = 9,
    kDealings = 10,
    kFinanceReports = 11,
    kLoanReports = 12,
    kOtherReports = 13,
    kOpening = 14,
    kTools = 15,
    kSystem = 16,
    kOtherRights = 17
};

struct Entry {
    int level;
    const char* code;
    const char* name;  // nullptr: the name of the bill kind the entry opens
    Rights rights = Rights::None;
    int group = 0;  // 0: the parent's group
    unsigned flags = 0;
    const char* shortcut = "";
    int djType = 0;  // bill kind of an operation right that opens a bill
};

// The menu in display order; level 0 is the menu bar itself.
const Entry kMenu[] = {
    {0, "0", "主菜单", Rights::None, kAll, kHide},

    {1, "10", "基本资料", Rights::None, kBase},
    {2, "1001", "商品信息", Rights::BaseList},
    {2, "1002", "职员信息", Rights::BaseList},
    {2, "1003", "往来单位", Rights::BaseList},
    {2, "1004", "仓库信息", Rights::BaseList},
    {2, "1005", "部门信息", Rights::BaseList},
    {2, "1006", "地区信息", Rights::BaseList},
    {2, "1007", "摘要信息", Rights::BaseList},
    {2, "1008", "会计科目", Rights::BaseList, 0, kSep},
    {2, "1009", "现金银行", Rights::BaseList},
    {2, "1010", "收入类型", Rights::BaseList},
    {2, "1011", "费用类型", Rights::BaseList},
    {2, "1012", "固定资产", Rights::BaseList},
    {2, "1000", "规则设置", Rights::None, 0, kSep},
    {2, "1013", "期初建账", Rights::None, kOpening, kSep},
    {3, "101301", "期初库存商品", Rights::Opening},
    {3, "101302", "期初应收应付", Rights::Opening},
    {3, "101303", "期初现金银行", Rights::Opening},
    {3, "101304", "期初固定资产", Rights::Opening},
    {3, "101305", "期初财务数据", Rights::Opening},
    {3, "101306", "期初借进商品", Rights::Opening},
    {3, "101307", "期初借出商品", Rights::Opening},
    {3, "101308", "期初委托商品", Rights::Opening},
    {3, "101309", "期初受托商品", Rights::Opening},
    {3, "101311", "期初委外商品", Rights::Opening},
    {3, "101310", "资产负债表(平衡表)", Rights::Query},
    {2, "1014", "期初完成..开账", Rights::None, kOpening},

    {1, "3003", "采购管理", Rights::None, kPurchaseReports},
    {2, "2003", nullptr, Rights::Bill, kPurchaseBills},
    {2, "2004", nullptr, Rights::Bill, kPurchaseBills, 0, "F5"},
    {2, "2005", nullptr, Rights::Bill, kPurchaseBills},
    {2, "2006", nullptr, Rights::Bill, kPurchaseBills},
    {2, "2007", nullptr, Rights::Bill, kPurchaseBills, 0, "F8"},
    {2, "2024", nullptr, Rights::Bill, kPurchaseBills},
    {2, "2026", nullptr, Rights::Bill, kPurchaseBills},
    {2, "300301", "商品进货统计", Rights::Query, 0, kSep},
    {2, "300302", "单位进货统计", Rights::Query},
    {2, "300303", "商品进货退货统计", Rights::Query},
    {2, "300304", "单位进货退货统计", Rights::Query},
    {2, "300305", "单位进货分布", Rights::Query},
    {2, "300306", "仓库进货分布", Rights::Query},
    {2, "300307", "商品进价波动分析", Rights::Query},
    {2, "300308", "商品进货月分析", Rights::Query},
    {2, "300309", "商品智能补货计划", Rights::Query},
    {2, "300310", "商品进货明细汇总表", Rights::Query},
    {2, "300311", "单位进货明细汇总表", Rights::Query},
    {2, "300312", "进货开票查询", Rights::Query},
    {2, "300313", "进货单据统计", Rights::None},
    {3, "30031301", "进货单统计", Rights::Query},
    {3, "30031302", "进货退货单统计", Rights::Query},
    {3, "30031303", "进货换货单统计", Rights::Query},
    {2, "300314", "进货订单查询", Rights::Query, 0, kSep},
    {2, "300315", "进货订单统计", Rights::Query},
    {2, "300316", "进货订单明细查询", Rights::Query},

    {1, "3004", "销售管理", Rights::None, kSalesReports},
    {2, "2008", nullptr, Rights::Bill, kSalesBills},
    {2, "2009", nullptr, Rights::Bill, kSalesBills, 0, "F6"},
    {2, "2010", nullptr, Rights::Bill, kSalesBills},
    {2, "2011", nullptr, Rights::Bill, kSalesBills},
    {2, "2012", nullptr, Rights::Bill, kSalesBills, 0, "F7"},
    {2, "2025", nullptr, Rights::Bill, kSalesBills},
    {2, "2027", nullptr, Rights::Bill, kSalesBills},
    {2, "300401", "商品销售统计", Rights::Query, 0, kSep},
    {2, "300402", "单位销售统计", Rights::Query},
    {2, "300403", "商品销售退货统计", Rights::Query},
    {2, "300404", "客户销售退货统计", Rights::Query},
    {2, "300405", "销售优惠统计", Rights::Query},
    {2, "300406", "销售排行榜", Rights::None},
    {3, "30040601", "商品销售排行榜", Rights::Query},
    {3, "30040602", "客户销售排行榜", Rights::Query},
    {3, "30040603", "职员销售排行榜", Rights::Query},
    {3, "30040604", "部门销售排行榜", Rights::Query},
    {3, "30040605", "仓库销售排行榜", Rights::Query},
    {3, "30040606", "地区销售排行榜", Rights::Query},
    {2, "300407", "销售分布", Rights::None},
    {3, "30040701", "单位销售分布", Rights::Query},
    {3, "30040702", "仓库销售分布", Rights::Query},
    {2, "300410", "商品销售明细汇总表", Rights::Query},
    {2, "300411", "单位销售明细汇总表", Rights::Query},
    {2, "300412", "商品销售成本表", Rights::Query},
    {2, "300415", "销售开票查询", Rights::Query},
    {2, "300417", "商品销售月分析", Rights::Query},
    {2, "300418", "销售单据统计", Rights::None},
    {3, "30041801", "销售单统计", Rights::Query},
    {3, "30041802", "销售退货单统计", Rights::Query},
    {3, "30041803", "销售换货单统计", Rights::Query},
    {2, "300419", "销售订单查询", Rights::Query, 0, kSep},
    {2, "300420", "销售订单统计", Rights::Query},
    {2, "300421", "销售订单明细查询", Rights::Query},
    {2, "300422", "商品销售对比分析", Rights::Query, 0, kSep},
    {2, "300423", "客户销售对比分析", Rights::Query},
    // Functions still under construction (they answer "功能建设中......").
    {2, "300413", "成本明细清单", Rights::Query, 0, kSep},
    {2, "300414", "销售优惠明细账本", Rights::Query},
    {2, "300416", "销售订单执行情况", Rights::Query},

    {1, "3005", "仓库管理", Rights::None, kStockReports},
    {2, "201701", nullptr, Rights::Bill, kStockBills},
    {2, "201702", nullptr, Rights::Bill, kStockBills},
    {2, "201703", nullptr, Rights::Bill, kStockBills},
    {2, "201704", nullptr, Rights::Bill, kStockBills},
    {2, "201705", nullptr, Rights::Bill, kStockBills},
    {2, "201706", nullptr, Rights::Bill, kStockBills},
    {2, "201707", nullptr, Rights::Bill, kStockBills},
    {2, "201708", nullptr, Rights::Bill, kStockBills},
    {2, "201709", "生产组装模板", Rights::Query, kStockBills},
    {2, "2022", "仓库单据", Rights::None, kStockBills},
    {3, "202201", nullptr, Rights::Bill},
    {3, "202202", nullptr, Rights::Bill},
    {3, "202203", nullptr, Rights::Bill},
    {2, "300501", "库存状况表", Rights::Query, 0, kSep, "F9"},
    {2, "300502", "虚拟库存查询", Rights::Query},
    {2, "300504", "库存状况分布", Rights::Query},
    {2, "300506", "商品保质期查询", Rights::Query},
    {2, "300507", "商品批次跟踪", Rights::Query},
    {2, "300508", "库存上下限报警设置", Rights::Query, 0, kSep},
    {2, "300509", "库存上限报警", Rights::Query},
    {2, "300510", "库存下限报警", Rights::Query},
    {2, "300511", "其它出入库差异表", Rights::Query, 0, kSep},
    {2, "300512", "库存盘点", Rights::Query},
    {2, "300515", "仓库流水账", Rights::Query},
    {2, "300514", "库存单据统计", Rights::None},
    {3, "30051401", "报损单统计", Rights::Query},
    {3, "30051402", "报溢单统计", Rights::Query},
    {3, "30051403", "其它入库单统计", Rights::Query},
    {3, "30051404", "其它出库单统计", Rights::Query},
    {3, "30051405", "同价调拨单统计", Rights::Query},
    {3, "30051406", "变价调拨单统计", Rights::Query},
    {3, "30051407", "成本调价单统计", Rights::Query},
    {3, "30051408", "商品拆装单统计", Rights::Query},
    {2, "3015", "仓库报表", Rights::None},
    {3, "301501", "仓库库存余额表", Rights::Query},
    {3, "301502", "仓库明细表", Rights::Query},
    {3, "301503", "仓库账面差异表", Rights::Query},
    {3, "301504", "仓库分布表", Rights::Query},
    // Functions still under construction.
    {2, "300503", "库存明细账本", Rights::Query, 0, kSep},
    {2, "300505", "其它出入库明细表", Rights::Query},

    {1, "3007", "财务管理", Rights::None, kFinanceReports},
    {2, "201901", nullptr, Rights::Bill, kMoneyBills},
    {2, "201902", nullptr, Rights::Bill, kMoneyBills},
    {2, "201903", nullptr, Rights::Bill, kMoneyBills},
    {2, "201904", nullptr, Rights::Bill, kMoneyBills},
    {2, "201909", nullptr, Rights::Bill, kMoneyBills},
    {2, "201905", "固定资产", Rights::None, kMoneyBills},
    {3, "20190501", nullptr, Rights::Bill},
    {3, "20190502", nullptr, Rights::Bill},
    {3, "20190503", nullptr, Rights::Bill},
    {2, "201906", "待摊费用", Rights::None, kMoneyBills},
    {3, "20190601", nullptr, Rights::Bill},
    {3, "20190602", nullptr, Rights::Bill},
    {2, "201907", "调账", Rights::None, kMoneyBills},
    {3, "20190701", nullptr, Rights::Bill},
    {3, "20190702", nullptr, Rights::Bill},
    {3, "20190703", nullptr, Rights::Bill},
    {3, "20190704", nullptr, Rights::Bill},
    {3, "20190705", nullptr, Rights::Bill},
    {3, "20190706", nullptr, Rights::Bill},
    {2, "201908", nullptr, Rights::Bill, kMoneyBills},
    {2, "3006", "往来账报表", Rights::None, kDealings, kSep},
    {3, "300601", "单位应收应付", Rights::Query},
    {3, "300602", "职员应收应付", Rights::Query},
    {3, "300603", "部门应收应付", Rights::Query},
    {3, "300604", "地区应收应付", Rights::Query},
    {3, "300605", "往来对账", Rights::Query},
    {3, "300606", "客户往来查询", Rights::Query},
    {3, "300607", "供应商往来查询", Rights::Query},
    {3, "300608", "按单结算查询", Rights::Query},
    {3, "300609", "超期应收款", Rights::Query},
    {3, "300610", "超期应付款", Rights::Query},
    {3, "300611", "经手人回款统计", Rights::Query},
    {3, "300612", "制单人收款统计", Rights::Query},
    {3, "300613", "往来单位回款统计", Rights::Query},
    {3, "300618", "往来单位利润表", Rights::Query},
    {3, "300619", "职员利润表", Rights::Query},
    {3, "300620", "部门利润表", Rights::Query},
    {2, "300701", "现金银行", Rights::Query, 0, kSep},
    {2, "300702", "固定资产清单", Rights::Query},
    {2, "300703", "收入类型", Rights::Query},
    {2, "300704", "费用类型", Rights::Query},
    {2, "300705", "年度费用报表", Rights::Query},
    {2, "300706", "费用分布表", Rights::None},
    {3, "30070601", "部门费用分布表", Rights::Query},
    {3, "30070602", "职员费用分布表", Rights::Query},
    {3, "30070603", "单位费用分布表", Rights::Query},
    {3, "30070604", "仓库费用分布表", Rights::Query},
    {2, "300707", "经营状况表(利润表)", Rights::Query},
    {2, "300708", "资产负债表(平衡表)", Rights::Query},
    {2, "300709", "财务科目余额", Rights::Query},
    {2, "2023", "财务接口", Rights::None, kMoneyBills, kSep},
    {3, "202301", "商品财务配置", Rights::Query},
    {3, "202302", "往来单位财务配置", Rights::Query},
    {3, "202303", "仓库财务配置", Rights::Query},
    {3, "202304", "部门财务配置", Rights::Query},
    {3, "202305", "导出凭证", Rights::Query},

    {1, "20", "其它业务", Rights::None, kStockBills},
    {2, "2018", "委托代销", Rights::None},
    {3, "201801", nullptr, Rights::Bill},
    {3, "201802", nullptr, Rights::Bill},
    {3, "201803", nullptr, Rights::Bill},
    {3, "201804", nullptr, Rights::Bill},
    {3, "201805", nullptr, Rights::Bill},
    {3, "201806", nullptr, Rights::Bill},
    {3, "201807", nullptr, Rights::Bill},
    {3, "201808", nullptr, Rights::Bill},
    {2, "3008", "委托代销查询", Rights::None, kOtherReports},
    {3, "300801", "受托库存查询", Rights::Query},
    {3, "300802", "受托结算查询", Rights::Query},
    {3, "300803", "受托供应商查询", Rights::Query},
    {3, "300804", "受托供应商商品查询", Rights::Query},
    {3, "300805", "委托库存查询", Rights::Query},
    {3, "300806", "委托结算查询", Rights::Query},
    {3, "300807", "委托客户查询", Rights::Query},
    {3, "300808", "委托客户商品查询", Rights::Query},
    {3, "300809", "委托商品明细表", Rights::Query},
    {2, "2020", "借进借出", Rights::None, kLoanBills, kSep},
    {3, "202001", nullptr, Rights::Bill},
    {3, "202002", nullptr, Rights::Bill},
    {3, "202003", nullptr, Rights::Bill},
    {3, "202004", nullptr, Rights::Bill},
    {3, "202005", nullptr, Rights::Bill},
    {3, "202006", nullptr, Rights::Bill},
    {2, "3009", "借进借出查询", Rights::None, kLoanReports},
    {3, "300901", "借出商品查询", Rights::Query},
    {3, "300902", "借进商品查询", Rights::Query},
    {3, "300903", "借出单统计", Rights::Query},
    {3, "300904", "借出还回单统计", Rights::Query},
    {3, "300905", "借转销售单统计", Rights::Query},
    {3, "300906", "借进单统计", Rights::Query},
    {3, "300907", "借进还出单统计", Rights::Query},
    {3, "300908", "借转进货单统计", Rights::Query},
    {2, "2021", "委外加工", Rights::None, kStockBills, kSep},
    {3, "202101", nullptr, Rights::Bill},
    {3, "202102", nullptr, Rights::Bill},
    {3, "202103", nullptr, Rights::Bill},
    {2, "3010", "委外加工查询", Rights::None, kOtherReports},
    {3, "301001", "委外库存查询", Rights::Query},
    {3, "301002", "委外领料查询", Rights::Query},
    {3, "301003", "委外完工商品查询", Rights::Query},

    {1, "30", "综合查询", Rights::None, kOtherReports},
    {2, "2001", "业务草稿", Rights::Query},
    {2, "2002", "经营历程", Rights::History},
    {2, "3020", "全能进销存变动表", Rights::Query, 0, kSep},
    {2, "3021", "经营状况年报", Rights::Query},
    {2, "3022", "经营状况月报", Rights::Query},
    {2, "3023", "经营状况日报", Rights::Query},
    {2, "3029", "报警薄", Rights::Query, 0, kSep},
    {2, "3030", "老板报表", Rights::Query},

    {1, "40", "辅助功能", Rights::None, kTools},
    {2, "4001", "物价管理", Rights::Query},
    {2, "4002", "价格折扣跟踪", Rights::Query},
    {2, "4007", "提成管理", Rights::None},
    {3, "400701", "提成方案管理", Rights::BaseList},
    {3, "400702", "销售提成统计", Rights::Query},
    {3, "400703", "职员提成统计", Rights::Query},
    {2, "4015", "促销协议管理", Rights::Promotion, 0, kSep},
    {2, "4016", "合同管理", Rights::Query},
    {2, "4017", "基础资料备用工具", Rights::None},
    {3, "401701", "询价单", Rights::None, 0, kBtn, "", 64},
    {2, "4018", "询价管理", Rights::Query},
    {2, "4019", "报价管理", Rights::None},
    {3, "401901", "报价单", Rights::None, 0, kBtn, "", 65},
    {2, "43", "开票管理", Rights::None, 0, kSep},
    {3, "4301", nullptr, Rights::Bill},
    {3, "4302", nullptr, Rights::Bill},
    {3, "4303", nullptr, Rights::Bill},
    {3, "4304", nullptr, Rights::Bill},
    {3, "4305", "开票查询", Rights::Query, 0, kSep},
    {3, "4306", "单据开票情况查询", Rights::Query},
    {3, "4307", "商品开票情况查询", Rights::Query},
    {2, "44", "赠品合同", Rights::None},
    {3, "4401", nullptr, Rights::Bill},
    {3, "4402", "赠品合同查询", Rights::Query, 0, kSep},
    {3, "4403", "赠品合同统计", Rights::Query},
    {3, "4404", "赠品合同明细查询", Rights::Query},
    {2, "45", "配送管理", Rights::None},
    {3, "4501", nullptr, Rights::Bill},
    {3, "4502", nullptr, Rights::Bill},
    {3, "4503", nullptr, Rights::Bill},
    {3, "4504", "配送申请查询", Rights::Query, 0, kSep},
    {3, "4505", "配送验收查询", Rights::Query},
    {3, "4506", "配送商品统计", Rights::Query},
    {2, "4008", "单据编号规则及样式", Rights::None, 0, kSep},
    {2, "4009", "单据打印次数设置", Rights::None},
    {2, "4010", "单据审核级数设置", Rights::None},
    {2, "4014", "基本信息导入", Rights::None},

    {1, "50", "系统维护", Rights::None, kSystem, kHide},
    {2, "5001", "重新登录", Rights::None, 0, kHide},
    {2, "5002", "更换账套或操作员", Rights::None, 0, kHide},
    {2, "5003", "修改密码", Rights::None, 0, kHide},
    {2, "5004", "系统设置", Rights::None, 0, kSep},
    {3, "500401", "用户配置", Rights::None},
    {3, "500402", "操作员授权", Rights::None},
    {3, "500403", "基本信息授权", Rights::Query},
    {3, "500408", "基本信息配置", Rights::Config},
    {3, "500404", "系统重建", Rights::None, 0, kSep},
    {3, "500406", "账套升级", Rights::None},
    {3, "500407", "账套修复", Rights::None},
    {2, "5006", "账套备份", Rights::None, 0, kSep},
    {2, "5005", "账套恢复", Rights::None},
    {2, "5007", "月结存", Rights::None, 0, kSep},
    {2, "5008", "年结存", Rights::None},
    {2, "5009", "月结存信息表", Rights::Query},
    {2, "5010", "年结存信息表", Rights::Query},
    {2, "5013", "常用功能设置", Rights::None, 0, kSep | kHide},
    {2, "5011", "退出系统(不备份)", Rights::None, 0, kSep | kHide},

    {1, "70", "帮助", Rights::None, kSystem, kHide},
    {2, "5014", "帮助主题", Rights::None, 0, kHide, "F1"},
    {2, "5012", "版本信息", Rights::None, 0, kHide},
    {2, "7002", "公司主页", Rights::None, 0, kSep | kHide},
    {2, "7003", "在线升级", Rights::None, 0, kHide},
    {2, "7004", "服务支持", Rights::None, 0, kHide},

    {1, "60", "其它权限", Rights::None, kOtherRights, kBtn},
    {2, "6001", "修改单据单价", Rights::None, 0, kBtn},
    {2, "6002", "修改单据折扣", Rights::None, 0, kBtn},
    {2, "6003", "查看成本价和成本金额", Rights::None, 0, kBtn},
    {2, "6004", "查看最近进价", Rights::None, 0, kBtn},
    {2, "6005", "查看往来单位应收应付", Rights::None, 0, kBtn},
    {2, "6006", "查看商品库存", Rights::None, 0, kBtn},
    {2, "6007", "修改单据制单日期", Rights::None, 0, kBtn},
    {2, "6008", "导出数据到Excel", Rights::None, 0, kBtn},
    {2, "6009", "打印未过账单据", Rights::None, 0, kBtn},
    {2, "6010", "查看他人单据", Rights::None, 0, kBtn},
    {2, "6011", "修改商品价格", Rights::None, 0, kBtn},
    {2, "6012", "查看利润", Rights::None, 0, kBtn},
    {2, "6013", "低于最低售价过账", Rights::None, 0, kBtn},
    {2, "6014", "赠送商品", Rights::None, 0, kBtn},
    {2, "6015", "修改往来单位信用额度", Rights::None, 0, kBtn},
    {2, "6016", "超出信用额度开单", Rights::None, 0, kBtn},
    {2, "6017", "低于成本价过账", Rights::None, 0, kBtn},
};

struct SubRight {
    const char* suffix;
    const char* name;
};

std::vector<SubRight> subRights(Rights r) {
    switch (r) {
        case Rights::BaseList:
        case Rights::Promotion:
            return {{"01", "添加"}, {"02", "修改"}, {"03", "删除"}, {"04", "打印"}};
        case Rights::Bill:
            return {{"01", "过账"}, {"02", "存为草稿"}, {"03", "打印"}};
        case Rights::Query:
            return {{"01", "明细账本"}, {"02", "打印"}};
        case Rights::Opening:
            return {{"01", "修改"}, {"02", "打印"}};
        case Rights::History:
            return {{"01", "红冲单据"}, {"02", "复制单据"}, {"03", "打印"}, {"04", "修改单据"}};
        case Rights::Config:
            return {{"01", "保存"}, {"02", "打印"}};
        case Rights::None:
            break;
    }
    return {};
}

struct Row {
    long long id = 0;
    QString code;
    QString name;
    long long parent = 0;  // index into rows, -1 for the root
    int level = 0;
    bool isbtn = false;
    bool hide = false;
    bool groupby = false;
    QString shortcut;
    int group = 0;
    int djType = 0;
    QString parJl;
    QString orderCode;
    int sonnum = 0;
    int childCount = 0;  // all children, for the order codes
};

}  // namespace

void seedMenu(Connection db) {
    QHash<int, const BillKindRow*> kindByMenu;
    for (const BillKindRow& k : billKindRows()) {
        if (k.menuTag)
            kindByMenu.insert(k.menuTag, &k);
    }
    QHash<int, std::vector<const FieldCaption*>> fieldsByPrefix;
    for (const FieldCaption& f : fieldCaptions())
        fieldsByPrefix[f.prefix].push_back(&f);

    std::vector<Row> rows;
    std::vector<long long> lastAtLevel;  // index of the last row created at each level

    auto add = [&rows](Row r, long long parent) {
        r.parent = parent;
        r.id = static_cast<long long>(rows.size()) + 1;
        if (parent >= 0) {
            Row& p = rows[static_cast<size_t>(parent)];
            r.level = p.level + 1;
            r.parJl = p.parJl + QString::number(r.id) + QLatin1Char(',');
            r.orderCode =
                p.orderCode + QStringLiteral("%1").arg(++p.childCount, 3, 10, QLatin1Char('0'));
            if (r.group == 0)
                r.group = p.group;
            if (!r.isbtn)
                ++p.sonnum;
        } else {
            r.parJl = QString::number(r.id) + QLatin1Char(',');
            r.orderCode = QStringLiteral("000");
        }
        rows.push_back(r);
        return static_cast<long long>(rows.size()) - 1;
    };

    for (const Entry& e : kMenu) {
        Row r;
        r.code = QString::fromUtf8(e.code);
        const int code = r.code.toInt();
        const BillKindRow* kind = kindByMenu.value(code, nullptr);
        if (e.name) {
            r.name = QString::fromUtf8(e.name);
        } else if (kind) {
            r.name = QString::fromUtf8(kind->name);
        } else {
            throw DytError(QStringLiteral("菜单项 %1 没有名称").arg(r.code));
        }
        r.djType = kind ? kind->djType : e.djType;
        r.isbtn = e.flags & kBtn;
        r.hide = e.flags & kHide;
        r.groupby = e.flags & kSep;
        r.shortcut = QString::fromUtf8(e.shortcut);
        r.group = e.group;
        long long parent = -1;
        if (e.level > 0) {
            if (static_cast<int>(lastAtLevel.size()) < e.level) {
                throw DytError(QStringLiteral("菜单项 %1 没有上级").arg(r.code));
            }
            parent = lastAtLevel[static_cast<size_t>(e.level - 1)];
        }
        const long long index = add(r, parent);
        lastAtLevel.resize(static_cast<size_t>(e.level));
        lastAtLevel.push_back(index);

        // Operation rights of the window, then the field rights of a base list.
        for (const SubRight& s : subRights(e.rights)) {
            Row b;
            b.code = r.code + QString::fromUtf8(s.suffix);
            b.name = QString::fromUtf8(s.name);
            b.isbtn = true;
            add(b, index);
        }
        if (e.rights == Rights::BaseList) {
            for (const FieldCaption* f : fieldsByPrefix.value(code)) {
                Row b;
                b.code = fieldCode(*f);
                b.name = QString::fromUtf8(f->caption);
                b.isbtn = true;
                add(b, index);
            }
        }
    }

    Statement insert(
        db,
        "INSERT INTO sysMenu(id, code, Name, par_id, par_jl, leveal, sonnum, isbtn, "
        "hide, groupby, ShortCut, ordercode, type, djType) VALUES (?, ?, ?, ?, ?, ?, ?, "
        "?, ?, ?, ?, ?, ?, ?)");
    std::vector<std::vector<Value>> values;
    values.reserve(rows.size());
    for (const Row& r : rows) {
        const long long parentId = r.parent >= 0 ? rows[static_cast<size_t>(r.parent)].id : 0;
        values.push_back({r.id, r.code, r.name, parentId, r.parJl, static_cast<long long>(r.level),
                          static_cast<long long>(r.sonnum), r.isbtn ? 1LL : 0LL,
                          r.hide ? 1LL : 0LL, r.groupby ? 1LL : 0LL, r.shortcut, r.orderCode,
                          static_cast<long long>(r.group), static_cast<long long>(r.djType)});
    }
    insert.runRows(values);
}

}  // namespace dyt::server::schema::detail
