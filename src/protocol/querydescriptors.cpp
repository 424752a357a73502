#include "protocol/querydescriptors.h"

#include <QHash>

#include <initializer_list>
#include <utility>

namespace dyt {

// The columns of the receivables and payables windows (querydescriptors_wl.cpp).
QList<QueryColumn> partnerMoneyColumns(const QString& className, const QList<QueryColumn>& subject);
// The columns of the sales, purchase and stock windows whose rows are not the plain figures of
// their subject (querydescriptors_reports.cpp).
QList<QueryColumn> reportColumns(const QString& queryType, const QList<QueryColumn>& subject);
QList<QueryColumn> commissionColumns(const QString& queryType);
// The columns of the account ledger and the price windows (querydescriptors_cw.cpp).
QList<QueryColumn> accountAndPriceColumns(const QString& className);
// The columns of the finance windows (querydescriptors_finance.cpp).
QList<QueryColumn> financeColumns(const QString& queryType);
// The columns of the invoicing windows (querydescriptors_kp.cpp).
QList<QueryColumn> invoiceColumns(const QString& queryType);

namespace {

QString u8(const char* text) {
    return QString::fromUtf8(text);
}

// How the amount columns of a statistics window read.
enum class Amounts { Sales, Purchase, Plain };

using S = QuerySubject;
using A = Amounts;

struct WindowRow {
    const char* className;
    const char* title;
    const char* procedure;
    const char* queryTypes;  // comma-separated
    const char* otherProcedures;
    QuerySubject subject;
    bool tree;
    Amounts amounts;
    const char* dialogClass;
    const char* drillDown;
};

// clang-format off
const WindowRow kWindows[] = {
    {"TfrmQJHMXZB", "进货明细账本", "P_JXC_Get_JH", "JHMXZB", "", S::Ledger, false, A::Plain, "TfrmSelectItems", ""},
    {"TfrmQSPJHTJ", "商品进货统计", "P_JXC_Get_JH", "SPJHTJ", "", S::Goods, true, A::Purchase, "TfrmSelectItems", "TfrmQJHMXZB"},
    {"TfrmQDWJHTJ", "单位进货统计", "P_JXC_Get_JH", "DWJHTJ", "", S::Partner, true, A::Purchase, "TfrmSelectItems", ""},
    {"TfrmQSPJHTHTJ", "商品进货退货统计", "P_JXC_Get_JH", "SPJHTHTJ", "", S::Goods, true, A::Purchase, "TfrmSelectItems", "TfrmQJHMXZB"},
    {"TfrmQDWJHTHTJ", "单位进货退货统计", "P_JXC_Get_JH", "DWJHTHTJ", "", S::Partner, true, A::Purchase, "TfrmSelectItems", ""},
    {"TfrmQDWJHFB", "单位进货分布", "P_JXC_Get_JH", "DWJHFB", "", S::Partner, true, A::Purchase, "TfrmSelectItems", ""},
    {"TfrmQCKJHFB", "仓库进货分布", "P_JXC_Get_JH", "CKJHFB", "", S::Goods, true, A::Purchase, "TfrmSelectItems", "TfrmQJHMXZB"},
    {"TfrmQSPJJBDB", "商品进价波动分析", "P_JXC_Get_JH", "SPJJBDB", "", S::Plain, false, A::Plain, "TfrmSelectItems", ""},
    {"TfrmQSPJHYFX", "商品进货月分析", "P_JXC_Get_JH", "SPJHYFX", "", S::Goods, true, A::Purchase, "TfrmSelectItems", "TfrmQJHMXZB"},
    {"TfrmQJHKPCX", "进货开票查询", "P_JXC_Get_JH", "JHKPCX", "", S::Ledger, false, A::Plain, "TfrmSelectItems", ""},
    {"TfrmQSPJHMXHZB", "商品进货明细汇总表", "P_JXC_Get_JH", "SPJHMXHZB", "", S::Plain, false, A::Plain, "TfrmSelectItems", ""},
    {"TfrmQDWJHMXHZB", "单位进货明细汇总表", "P_JXC_Get_JH", "SPJHMXHZB", "", S::Plain, false, A::Plain, "TfrmSelectItems", ""},
    {"TfrmQJHDTJ", "进货单统计", "P_JXC_Get_JH", "SPJHTJ", "", S::Goods, true, A::Purchase, "TfrmSelectItems", "TfrmQJHMXZB"},
    {"TfrmQJHTHDTJ", "进货退货单统计", "P_JXC_Get_JH", "JHTHDTJ", "", S::Goods, true, A::Purchase, "TfrmSelectItems", "TfrmQJHMXZB"},
    {"TfrmQJHHHMXZB", "进货换货明细账本", "P_JXC_Get_JH", "JHHHMXZB", "", S::Ledger, false, A::Plain, "TfrmSelectItems", ""},
    {"TfrmQJHHHDTJ", "进货换货单统计", "P_JXC_Get_JH", "JHHHDTJ", "", S::Goods, true, A::Plain, "TfrmSelectItems", "TfrmQJHMXZB"},
    {"TfrmQSPZNBHJH", "商品智能补货计划", "P_JXC_Get_JH", "ZNBHJH", "P_JXC_InertDJIndex,P_JXC_InertDJList,P_JXC_DJ_Post", S::Plain, false, A::Plain, "TfrmSelectItems", ""},
    {"TfrmQJHDDTJ", "进货订单统计", "P_JXC_Get_JH", "JHDDTJ", "", S::Plain, false, A::Plain, "TfrmSelectItems", ""},
    {"TfrmQJHDDZXQK", "进货订单执行情况", "P_JXC_Get_JH", "JHDDZXQK", "", S::Plain, false, A::Plain, "TfrmSelectItems_JH3", ""},
    {"TfrmQJHDDMXCX", "进货订单明细查询", "P_JXC_Get_JH", "JHDDMXCX", "", S::Plain, false, A::Plain, "TfrmSelectItems_JH3", ""},
    {"TfrmQXSMXZB", "销售明细账本", "P_JXC_Get_XS", "XSMXZB", "", S::Ledger, false, A::Plain, "TfrmSelectItems_XS1", ""},
    {"TfrmQSPXSTJ", "商品销售统计", "P_JXC_Get_XS", "SPXSTJ", "", S::Goods, true, A::Sales, "TfrmSelectItems_XS1", "TfrmQXSMXZB"},
    {"TfrmQDWXSTJ", "单位销售统计", "P_JXC_Get_XS", "DWXSTJ", "", S::Partner, true, A::Sales, "TfrmSelectItems_XS1", ""},
    {"TfrmQSPXSTHTJ", "商品销售退货统计", "P_JXC_Get_XS", "SPXSTHTJ", "", S::Goods, true, A::Sales, "TfrmSelectItems_XS1", "TfrmQXSMXZB"},
    {"TfrmQDWXSTHTJ", "客户销售退货统计", "P_JXC_Get_XS", "DWXSTHTJ", "", S::Partner, true, A::Sales, "TfrmSelectItems_XS1", ""},
    {"TfrmQXSYHMXZB", "销售优惠明细账本", "P_JXC_Get_XS", "XSYHMXZB", "", S::Ledger, false, A::Plain, "TfrmSelectItems_XS1", ""},
    {"TfrmQXSYHTJ", "销售优惠统计", "P_JXC_Get_XS", "XSYHTJ", "", S::Plain, false, A::Plain, "TfrmSelectItems_XS1", ""},
    {"TfrmQDWXSFB", "单位销售分布", "P_JXC_Get_XS", "DWXSFB", "", S::Partner, true, A::Sales, "TfrmSelectItems_XS2", ""},
    {"TfrmQCKXSFB", "仓库销售分布", "P_JXC_Get_XS", "CKXSFB", "", S::Goods, true, A::Sales, "TfrmSelectItems_XS2", "TfrmQXSMXZB"},
    {"TfrmQSPXSMXHZB", "商品销售明细汇总表", "P_JXC_Get_XS", "SPXSMXHZB", "", S::Plain, false, A::Plain, "TfrmSelectItems_XS1", ""},
    {"TfrmQDWXSMXHZB", "单位销售明细汇总表", "P_JXC_Get_XS", "SPXSMXHZB", "", S::Plain, false, A::Plain, "TfrmSelectItems_XS2", ""},
    {"TfrmQCBMXB", "成本明细清单", "P_JXC_Get_XS", "CBMXB", "", S::Plain, false, A::Plain, "TfrmSelectItems_XS1", ""},
    {"TfrmQSPXSCBB", "商品销售成本表", "P_JXC_Get_XS", "SPXSCBB", "", S::Goods, false, A::Sales, "TfrmSelectItems_XS3", ""},
    {"TfrmQXSKPCX", "销售开票查询", "P_JXC_Get_XS", "XSKPCX", "", S::Ledger, false, A::Plain, "TfrmSelectItems_XS3", ""},
    {"TfrmQSPXSYFX", "商品销售月分析", "P_JXC_Get_XS", "SPXSYFX", "", S::Goods, true, A::Sales, "TfrmSelectItems_XS3", "TfrmQXSMXZB"},
    {"TfrmQXSDTJ", "销售单统计", "P_JXC_Get_XS", "SPXSTJ", "", S::Goods, true, A::Sales, "TfrmSelectItems_XS4", "TfrmQXSMXZB"},
    {"TfrmQXSTHDTJ", "销售退货单统计", "P_JXC_Get_XS", "XSTHDTJ", "", S::Goods, true, A::Sales, "TfrmSelectItems_XS4", "TfrmQXSMXZB"},
    {"TfrmQXSHHMXZB", "销售换货明细账本", "P_JXC_Get_XS", "XSHHMXZB", "", S::Ledger, false, A::Plain, "TfrmSelectItems_XS1", ""},
    {"TfrmQXSHHDTJ", "销售换货单统计", "P_JXC_Get_XS", "XSHHDTJ", "", S::Goods, true, A::Plain, "TfrmSelectItems_XS4", "TfrmQXSMXZB"},
    {"TfrmQXSDDTJ", "销售订单统计", "P_JXC_Get_XS", "XSDDTJ", "", S::Plain, false, A::Plain, "TfrmSelectItems_XS5", ""},
    {"TfrmQSPXSDBFX", "商品销售对比分析", "P_JXC_Get_XS", "SPXSDBFX", "", S::Goods, true, A::Plain, "TfrmSelectItems_XS5", "TfrmQXSMXZB"},
    {"TfrmQKHXSDBFX", "客户销售对比分析", "P_JXC_Get_XS", "KHXSDBFX", "", S::Partner, true, A::Plain, "TfrmSelectItems_XS5", ""},
    {"TfrmQXSDDZXQK", "销售订单执行情况", "P_JXC_Get_XS", "XSDDZXQK", "", S::Plain, false, A::Plain, "TfrmSelectItems_XS7", ""},
    {"TfrmQSPXSPHB", "商品销售排行榜", "P_JXC_Get_XS", "XSPHB", "", S::Goods, true, A::Sales, "TfrmSelectItems_XS_SPXSPHB", "TfrmQXSMXZB"},
    {"TfrmQKHXSPHB", "客户销售排行榜", "P_JXC_Get_XS", "XSPHB", "", S::Partner, true, A::Sales, "TfrmSelectItems_XS_KHXSPHB", ""},
    {"TfrmQZYXSPHB", "职员销售排行榜", "P_JXC_Get_XS", "XSPHB", "", S::Employee, true, A::Sales, "TfrmSelectItems_XS_ZYXSPHB", ""},
    {"TfrmQBMXSPHB", "部门销售排行榜", "P_JXC_Get_XS", "XSPHB", "", S::Department, true, A::Sales, "TfrmSelectItems_XS_BMXSPHB", ""},
    {"TfrmQCKXSPHB", "仓库销售排行榜", "P_JXC_Get_XS", "XSPHB", "", S::Warehouse, true, A::Sales, "TfrmSelectItems_XS_CKXSPHB", ""},
    {"TfrmQDQXSPHB", "地区销售排行榜", "P_JXC_Get_XS", "XSPHB", "", S::Plain, false, A::Sales, "TfrmSelectItems_XS2", ""},
    {"TfrmQXSDDMXCX", "销售订单明细查询", "P_JXC_Get_XS", "XSDDMXCX", "", S::Plain, false, A::Plain, "TfrmSelectItems_XS7", ""},
    {"TfrmQZPHTTJ", "赠品合同统计", "P_JXC_Get_XS", "ZPHTTJ", "", S::Plain, false, A::Plain, "TfrmSelectItems_XS8", ""},
    {"TfrmQSPMX", "商品明细账本", "P_JXC_Get_KC", "SPMX", "", S::Ledger, false, A::Plain, "TfrmSelectItems_KC4", ""},
    {"TfrmQFDWKCSLMX", "副单位库存数量明细表", "P_JXC_Get_KC", "FDWKCSLMX", "", S::Ledger, false, A::Plain, "TfrmSelectItems_KC4", ""},
    {"TfrmQKCPCLB", "库存批次列表", "P_JXC_Get_KC", "KCPCLB", "", S::Plain, false, A::Plain, "TfrmSelectItems_KC4", ""},
    {"TfrmQXNKCCX", "虚拟库存查询", "P_JXC_Get_KC", "XNKCCX", "", S::Goods, true, A::Plain, "TfrmSelectItems_KC1", "TfrmQKCMXZB"},
    {"TfrmQKCZKFB", "库存状况分布", "P_JXC_Get_KC", "KCZKFB", "", S::Goods, true, A::Plain, "TfrmSelectItems_KC5", "TfrmQKCMXZB"},
    {"TfrmQKCSXXBJSZ", "库存上下限报警设置", "P_JXC_Get_KC", "KCSXXBJSZ", "P_JXC_INI_Other", S::Goods, true, A::Plain, "TfrmSelectItems_Other8", "TfrmQKCMXZB"},
    {"TfrmQKCSXBJ", "库存上限报警", "P_JXC_Get_KC", "KCSXBJ", "", S::Plain, false, A::Plain, "TfrmSelectItems_Other7", ""},
    {"TfrmQKCXXBJ", "库存下限报警", "P_JXC_Get_KC", "KCXXBJ", "P_JXC_DJ_WarnToDraft", S::Plain, false, A::Plain, "TfrmSelectItems_Other7", ""},
    {"TfrmQKCMXZB", "库存明细账本", "P_JXC_Get_KC", "KCMXZB", "", S::Ledger, false, A::Plain, "TfrmSelectItems_KC4", ""},
    {"TfrmQBSDTJ", "报损单统计", "P_JXC_Get_KC", "BSDTJ", "", S::Goods, true, A::Plain, "TfrmSelectItems_KC1", "TfrmQKCMXZB"},
    {"TfrmQBYDTJ", "报溢单统计", "P_JXC_Get_KC", "BYDTJ", "", S::Goods, true, A::Plain, "TfrmSelectItems_KC1", "TfrmQKCMXZB"},
    {"TfrmQQTRKDTJ", "其它入库单统计", "P_JXC_Get_KC", "QTRKDTJ", "", S::Goods, true, A::Plain, "TfrmSelectItems_KC1", "TfrmQKCMXZB"},
    {"TfrmQQTCKDTJ", "其它出库单统计", "P_JXC_Get_KC", "QTCKDTJ", "", S::Goods, true, A::Plain, "TfrmSelectItems_KC1", "TfrmQKCMXZB"},
    {"TfrmQTJDBDTJMX", "同价调拨单明细账本", "P_JXC_Get_KC", "KCMXZB", "", S::Ledger, false, A::Plain, "TfrmSelectItems_KC2", ""},
    {"TfrmQTJDBDTJ", "同价调拨单统计", "P_JXC_Get_KC", "TJDBDTJ", "", S::Goods, true, A::Plain, "TfrmSelectItems_KC2", "TfrmQKCMXZB"},
    {"TfrmQBJDBDTJMX", "变价调拨单明细账本", "P_JXC_Get_KC", "KCMXZB", "", S::Ledger, false, A::Plain, "TfrmSelectItems_KC2", ""},
    {"TfrmQBJDBDTJ", "变价调拨单统计", "P_JXC_Get_KC", "BJDBDTJ", "", S::Goods, true, A::Plain, "TfrmSelectItems_KC2", "TfrmQKCMXZB"},
    {"TfrmQCBTJDTJ", "成本调价单统计", "P_JXC_Get_KC", "CBTJDTJ", "", S::Goods, true, A::Plain, "TfrmSelectItems_KC2", "TfrmQKCMXZB"},
    {"TfrmQSPCZDMXZB", "商品拆装单明细账本", "P_JXC_Get_KC", "SPCZDMXZB", "", S::Ledger, false, A::Plain, "TfrmSelectItems_KC3", ""},
    {"TfrmQSPCZDTJ", "商品拆装单统计", "P_JXC_Get_KC", "SPCZDTJ", "", S::Goods, true, A::Plain, "TfrmSelectItems_KC3", "TfrmQKCMXZB"},
    {"TfrmQSPPCGZ", "商品批次跟踪", "P_JXC_Get_KC", "SPPCGZ", "", S::Plain, false, A::Plain, "TfrmSelectItems_XS3", ""},
    {"TfrmQQNJXCBDB", "全能进销存变动表", "P_JXC_Get_KC", "QNJXCBDB", "", S::Goods, true, A::Plain, "TfrmSelectItems_KC4", "TfrmQKCMXZB"},
    {"TfrmQCKLSZ", "仓库流水账", "P_JXC_Get_KC", "CKLSZ", "P_SYS_Up_DataRow", S::Plain, false, A::Plain, "TfrmSelectItems_KC4", ""},
    {"TfrmQQTCRKMXB", "其它出入库明细表", "P_JXC_Get_KC", "QTCRKMXB", "", S::Plain, false, A::Plain, "TfrmSelectItems_KC4", ""},
    {"TfrmQQTCRKCYB", "其它出入库差异表", "P_JXC_Get_KC", "QTCRKCYB", "", S::Goods, true, A::Plain, "TfrmSelectItems_KC6", "TfrmQKCMXZB"},
    {"TfrmQSPBZQCX", "商品保质期查询", "P_JXC_Get_KC", "SPBZQCX", "", S::Plain, false, A::Plain, "TfrmSelectItems_KC7", ""},
    {"TfrmQCKMXB", "仓库明细表", "P_JXC_Get_KC", "CKMXB", "", S::Plain, false, A::Plain, "TfrmSelectItems_KC4", ""},
    {"TfrmQCKKCYEB", "仓库库存余额表", "P_JXC_Get_KC", "CKKCYEB", "", S::Goods, true, A::Plain, "TfrmSelectItems_KC4", "TfrmQKCMXZB"},
    {"TfrmQCKZMCYB", "仓库账面差异表", "P_JXC_Get_KC", "CKZMCYB", "", S::Goods, true, A::Plain, "TfrmSelectItems_KC4", "TfrmQKCMXZB"},
    {"TfrmQCKFBB", "仓库分布表", "P_JXC_Get_KC", "CKFBB", "", S::Goods, true, A::Plain, "TfrmSelectItems_KC4", "TfrmQKCMXZB"},
    {"TfrmQWLDWMX", "单位明细账本", "P_JXC_Get_WL", "DWYFMX", "", S::Ledger, false, A::Plain, "TfrmSelectItems", ""},
    {"TfrmQKHWLCX", "客户往来查询", "P_JXC_Get_WL", "KHWLCX", "", S::Partner, true, A::Plain, "TfrmSelectItems_WL3", "TfrmQYSYFDWMX"},
    {"TfrmQGYSWLCX", "供应商往来查询", "P_JXC_Get_WL", "GYSWLCX", "", S::Partner, true, A::Plain, "TfrmSelectItems_WL3", "TfrmQYSYFDWMX"},
    {"TfrmQDWYSYF", "单位应收应付", "P_JXC_Get_WL", "DWYSYF", "", S::Partner, true, A::Plain, "TfrmSelectItems_WL3", "TfrmQYSYFDWMX"},
    {"TfrmQYSYFDWMX", "应收应付--单位明细", "P_JXC_Get_WL", "YSYFDWMX", "", S::Ledger, false, A::Plain, "TfrmSelectItems_WL3", ""},
    {"TfrmQYSYFZYMX", "应收应付--职员明细", "P_JXC_Get_WL", "YSYFZYMX", "", S::Ledger, false, A::Plain, "TfrmSelectItems_WL3", ""},
    {"TfrmQWLYSYF", "应收应付", "P_JXC_Get_WL", "WLYSYF", "", S::Partner, true, A::Plain, "TfrmSelectItems_WL3", "TfrmQYSYFDWMX"},
    {"TfrmQCQYSK", "超期应收款", "P_JXC_Get_WL", "CQYSK", "", S::Plain, false, A::Plain, "TfrmSelectItems_WL1", ""},
    {"TfrmQCQYFK", "超期应付款", "P_JXC_Get_WL", "CQYFK", "", S::Plain, false, A::Plain, "TfrmSelectItems_WL1", ""},
    {"TfrmQZYMXZB", "职员明细账本", "P_JXC_Get_WL", "ZYMXZB", "", S::Ledger, false, A::Plain, "TfrmSelectItems_WL3", ""},
    {"TfrmQJSRHKXQ", "经手人回款详情", "P_JXC_Get_WL", "JSRHKXQ", "", S::Plain, false, A::Plain, "TfrmSelectItems_WL2", ""},
    {"TfrmQJSRHKTJ", "经手人回款统计", "P_JXC_Get_WL", "JSRHKTJ", "", S::Employee, true, A::Plain, "TfrmSelectItems_WL2", ""},
    {"TfrmQZDRSKTJ", "制单人收款统计", "P_JXC_Get_WL", "ZDRSKTJ", "P_Base_Get_KM", S::Employee, true, A::Plain, "TfrmSelectItems_WL2", ""},
    {"TfrmQDWHKMXZB", "单位回款明细账本", "P_JXC_Get_WL", "DWHKMXZB", "", S::Ledger, false, A::Plain, "TfrmSelectItems_WL2", ""},
    {"TfrmQWLDWHKTJ", "往来单位回款统计", "P_JXC_Get_WL", "WLDWHKTJ", "", S::Partner, true, A::Plain, "TfrmSelectItems_WL2", ""},
    {"TfrmQWLDWLRB", "往来单位利润表", "P_JXC_Get_WL", "WLDWLRB", "", S::Partner, true, A::Plain, "TfrmSelectItems_CW2", ""},
    {"TfrmQADJSCX", "按单结算查询", "P_JXC_Get_WL", "ADJSCX", "", S::Plain, false, A::Plain, "TfrmSelectItems_WL2", ""},
    {"TfrmQZYLRB", "职员利润表", "P_JXC_Get_WL", "ZYLRB", "", S::Employee, true, A::Plain, "TfrmSelectItems_CW2", ""},
    {"TfrmQBMLRB", "部门利润表", "P_JXC_Get_WL", "BMLRB", "", S::Department, true, A::Plain, "TfrmSelectItems_CW2", ""},
    {"TfrmQWLDZ", "往来对账", "P_JXC_Get_WL", "WLDZ", "", S::Plain, false, A::Plain, "TfrmSelectItems_WL2", ""},
    {"TfrmQKMMX", "财务明细账本", "P_JXC_Get_CW", "KMMXZ", "", S::Ledger, false, A::Plain, "TfrmSelectItems_CW1", ""},
    {"TfrmQNDFYBB", "年度费用报表", "P_JXC_Get_CW", "NDFYBB", "", S::Plain, false, A::Plain, "TfrmSelectItems_CW1", ""},
    {"TfrmQFYFBB", "费用分布表", "P_JXC_Get_CW", "FYFBB", "", S::Plain, false, A::Plain, "TfrmSelectItems_CW1", ""},
    {"TfrmQLRB", "经营状况表(利润表)", "P_JXC_Get_CW", "LRB", "", S::Plain, false, A::Plain, "TfrmSelectItems_CW2", ""},
    {"TfrmQWTKHSPMX", "委托客户商品明细账本", "P_JXC_Get_DX", "WTKHSPMX", "", S::Ledger, false, A::Plain, "TfrmSelectItems_DX1", ""},
    {"TfrmQDXKCMX", "受托收货仓库明细账本", "P_JXC_Get_DX", "STSHCKMXZB", "", S::Ledger, false, A::Plain, "TfrmSelectItems_DX1", ""},
    {"TfrmQSTKCCX", "受托库存查询", "P_JXC_Get_DX", "STKCCX", "", S::Goods, true, A::Plain, "TfrmSelectItems_DX1", ""},
    {"TfrmQSTJSCX", "受托结算查询", "P_JXC_Get_DX", "STJSCX", "", S::Goods, true, A::Plain, "TfrmSelectItems_DX1", ""},
    {"TfrmQSTCXMX", "受托查询明细账本", "P_JXC_Get_DX", "STSHCKMXZB", "", S::Ledger, false, A::Plain, "TfrmSelectItems_DX1", ""},
    {"TfrmQSTGYSCX", "受托供应商查询", "P_JXC_Get_DX", "STGYSCX", "", S::Partner, true, A::Plain, "TfrmSelectItems_DX1", ""},
    {"TfrmQSTGYSSPMX", "受托供应商商品明细账本", "P_JXC_Get_DX", "STGYSSPMX", "", S::Ledger, false, A::Plain, "TfrmSelectItems_DX1", ""},
    {"TfrmQSTGYSSPCX", "受托供应商商品查询", "P_JXC_Get_DX", "STGYSSPCX", "", S::Partner, true, A::Plain, "TfrmSelectItems_DX1", ""},
    {"TfrmQWTFHKCMX", "委托发货库存明细账本", "P_JXC_Get_DX", "WTFHKCMX", "", S::Ledger, false, A::Plain, "TfrmSelectItems_DX1", ""},
    {"TfrmQWTKCCX", "委托库存查询", "P_JXC_Get_DX", "WTKCCX", "", S::Goods, true, A::Plain, "TfrmSelectItems_DX1", ""},
    {"TfrmQWTJSCX", "委托结算查询", "P_JXC_Get_DX", "WTJSCX", "", S::Goods, true, A::Plain, "TfrmSelectItems_DX1", ""},
    {"TfrmQWTCXMX", "委托查询明细账本", "P_JXC_Get_DX", "WTCXMXZB", "", S::Ledger, false, A::Plain, "TfrmSelectItems_DX1", ""},
    {"TfrmQWTKHCX", "委托客户查询", "P_JXC_Get_DX", "WTKHCX", "", S::Partner, true, A::Plain, "TfrmSelectItems_DX1", ""},
    {"TfrmQWTKHSPCX", "委托客户商品查询", "P_JXC_Get_DX", "WTKHSPCX", "", S::Partner, true, A::Plain, "TfrmSelectItems_DX1", ""},
    {"TfrmQWTSPMX", "委托商品明细表", "P_JXC_Get_DX", "WTSPMX", "", S::Ledger, false, A::Plain, "TfrmSelectItems_DX1", ""},
    {"TfrmQSPJJMX", "商品借进明细账本", "P_JXC_Get_JQ", "SPJJMX", "", S::Ledger, false, A::Plain, "TfrmSelectItems_JJ1", ""},
    {"TfrmQJJSPCX", "借进商品查询", "P_JXC_Get_JQ", "JJSPCX", "", S::Goods, true, A::Plain, "TfrmSelectItems_JJ1", ""},
    {"TfrmQJJDTJ", "借进单统计", "P_JXC_Get_JQ", "JJDTJ", "", S::Goods, true, A::Plain, "TfrmSelectItems_JJ1", ""},
    {"TfrmQJJHCDTJ", "借进还出单统计", "P_JXC_Get_JQ", "JJHCDTJ", "", S::Goods, true, A::Plain, "TfrmSelectItems_JJ1", ""},
    {"TfrmQJZJHDTJ", "借转进货单统计", "P_JXC_Get_JQ", "JZJHDTJ", "", S::Goods, true, A::Plain, "TfrmSelectItems_JJ1", ""},
    {"TfrmQSPJCMX", "商品借出明细账本", "P_JXC_Get_JQ", "SPJCMX", "", S::Ledger, false, A::Plain, "TfrmSelectItems_JC1", ""},
    {"TfrmQJCSPCX", "借出商品查询", "P_JXC_Get_JQ", "JCSPCX", "", S::Goods, true, A::Plain, "TfrmSelectItems_JC1", ""},
    {"TfrmQJCDTJ", "借出单统计", "P_JXC_Get_JQ", "JCDTJ", "", S::Goods, true, A::Plain, "TfrmSelectItems_JC1", ""},
    {"TfrmQJCHHDTJ", "借出还回单统计", "P_JXC_Get_JQ", "JCHHDTJ", "", S::Goods, true, A::Plain, "TfrmSelectItems_JC1", ""},
    {"TfrmQJZXSDTJ", "借转销售单统计", "P_JXC_Get_JQ", "JZXSDTJ", "", S::Goods, true, A::Plain, "TfrmSelectItems_JC1", ""},
    {"TfrmQWWKCMX", "委外库存明细账本", "P_JXC_Get_WWJG", "WWKCMX", "", S::Ledger, false, A::Plain, "TfrmSelectItems_WWJG1", ""},
    {"TfrmQWWKCCX", "委外库存查询", "P_JXC_Get_WWJG", "WWKCCX", "", S::Goods, true, A::Plain, "TfrmSelectItems_WWJG1", "TfrmQWWKCMX"},
    {"TfrmQWWLLMXZB", "委外领料明细账本", "P_JXC_Get_WWJG", "WWLLMXZB", "", S::Ledger, false, A::Plain, "TfrmSelectItems_WWJG1", ""},
    {"TfrmQWWLLCX", "委外领料查询", "P_JXC_Get_WWJG", "WWLLCX", "", S::Goods, true, A::Plain, "TfrmSelectItems_WWJG1", "TfrmQWWLLMXZB"},
    {"TfrmQWWWGCX", "委外完工商品查询", "P_JXC_Get_WWJG", "WWWGCX", "", S::Plain, false, A::Plain, "TfrmSelectItems_WWJG1", ""},
    {"TfrmQJYZKRB", "经营状况日报", "P_JXC_Get_Other", "JYZKRB", "", S::Plain, false, A::Plain, "TfrmSelectItems_Other3", ""},
    {"TfrmQJYZKYB", "经营状况月报", "P_JXC_Get_Other", "JYZKYB", "", S::Plain, false, A::Plain, "TfrmSelectItems_Other3", ""},
    {"TfrmQJYZKNB", "经营状况年报", "P_JXC_Get_Other", "JYZKNB", "", S::Plain, false, A::Plain, "TfrmSelectItems_Other3", ""},
    {"TfrmQWJGL", "物价管理", "P_JXC_Get_Other", "WJGL", "", S::Plain, false, A::Plain, "TfrmSelectItems_Other", ""},
    {"TfrmQJGZKGZ", "价格折扣跟踪", "P_JXC_Get_Other", "JGZKGZ", "", S::Ledger, false, A::Plain, "TfrmSelectItems", ""},
    {"TfrmQSPXSTCMX", "提成明细", "P_JXC_Get_Other", "SPXSTCMX", "", S::Ledger, false, A::Plain, "TfrmSelectItems_XS2", ""},
    {"TfrmQSPXSTCCX", "商品销售提成查询", "P_JXC_Get_Other", "SPXSTCCX", "", S::Plain, false, A::Plain, "TfrmSelectItems_XS2", ""},
    {"TfrmQXSTCTJ", "销售提成统计", "P_JXC_Get_Other", "TCTJ", "", S::Goods, true, A::Plain, "TfrmSelectItems_XS2", ""},
    {"TfrmQZPHTMXCX", "赠品合同明细查询", "P_JXC_Get_Other", "ZPHTMXCX", "P_JXC_DJ_Other", S::Plain, false, A::Plain, "TfrmSelectItems_Other9", ""},
    {"TfrmQPSSPMXZB", "配送商品明细账本", "P_JXC_Get_Other", "PSSPMXZB", "", S::Ledger, false, A::Plain, "TfrmSelectItems_Other2", ""},
    {"TfrmQPSSPTJ", "配送商品统计", "P_JXC_Get_Other", "PSSPTJ", "", S::Goods, true, A::Plain, "TfrmSelectItems_Other2", ""},
    {"TfrmQKPCX", "开票查询", "P_JXC_Get_KP", "KPCX", "P_JXC_DJ_CopyRed", S::Ledger, false, A::Plain, "TfrmSelectItems_Other5", ""},
    {"TfrmQDJKPMXCX", "单据开票明细查询", "P_JXC_Get_KP", "DJKPMXCX", "", S::Ledger, false, A::Plain, "TfrmSelectItems_Other5", ""},
    {"TfrmQDJKPQKCX", "单据开票情况查询", "P_JXC_Get_KP", "DJKPQKCX", "", S::Ledger, false, A::Plain, "TfrmSelectItems_Other5", ""},
    {"TfrmQSPKPMXCX", "商品开票明细查询", "P_JXC_Get_KP", "SPKPMXCX", "", S::Ledger, false, A::Plain, "TfrmSelectItems_Other5", ""},
    {"TfrmQSPKPQKCX", "商品开票情况查询", "P_JXC_Get_KP", "SPKPQKCX", "", S::Ledger, false, A::Plain, "TfrmSelectItems_Other5", ""},
    {"TfrmQJYLC", "经营历程", "P_JXC_DJ_GetDJIndex", "JYLC", "P_JXC_DJ_CopyRed,P_JXC_DJ_PostDel", S::BillList, false, A::Plain, "TfrmSelectItems_Other1", ""},
    {"TfrmQYWCG", "业务草稿", "P_JXC_DJ_GetDJIndex", "", "P_JXC_DJ_CopyRed", S::BillList, false, A::Plain, "TfrmSelectItems_Other6", ""},
    {"TfrmQJHDDCX", "进货订单查询", "P_JXC_DJ_GetDJIndex", "", "P_JXC_DJ_Other,P_JXC_DJ_CopyRed", S::BillList, false, A::Plain, "TfrmSelectItems_JH3", ""},
    {"TfrmQXSDDCX", "销售订单查询", "P_JXC_DJ_GetDJIndex", "", "P_JXC_DJ_Other,P_JXC_DJ_CopyRed", S::BillList, false, A::Plain, "TfrmSelectItems_XS7", ""},
    {"TfrmQZPHTCX", "赠品合同查询", "P_JXC_DJ_GetDJIndex", "", "P_JXC_DJ_Other", S::BillList, false, A::Plain, "TfrmSelectItems_XS8", ""},
    {"TfrmQPSSQCX", "配送申请查询", "P_JXC_DJ_GetDJIndex", "", "P_JXC_DJ_Other,P_JXC_DJ_GetDJList", S::BillList, false, A::Plain, "TfrmSelectItems_Other2", ""},
    {"TfrmQPSYSCX", "配送验收查询", "P_JXC_DJ_GetDJIndex", "", "P_JXC_DJ_GetDJList", S::BillList, false, A::Plain, "TfrmSelectItems_Other2", ""},
    {"TfrmQYJCXXB", "月结存信息表", "", "", "", S::Plain, false, A::Plain, "TfrmSelectItems_CW4", ""},
    {"TfrmQNJCXXB", "年结存信息表", "", "", "", S::Plain, false, A::Plain, "TfrmSelectItems_CW4", ""},
    {"TfrmQCWZCFZB", "资产负债表(平衡表)", "P_Base_Get_KM", "ZCFZB", "", S::Plain, false, A::Plain, "TfrmSelectItems_CW2", ""},
    {"TfrmQLBBB", "老板报表", "P_JXC_Get_LBBB", "LBBBTJ,LBBBFX", "", S::Plain, false, A::Plain, "TfrmSelectItems_Other", ""},
    {"TfrmQKCZKB", "库存状况表", "P_Base_Get_Goods", "DQKCNEW", "", S::StockStatus, true, A::Plain, "TfrmSelectItems_KC5", "TfrmQSPMX"},
    {"TfrmQKCPD2", "库存盘点", "P_JXC_DJ_PanDianToDraft", "", "", S::Plain, false, A::Plain, "TfrmSelectItems_KC6", ""},
};

struct DialogRow {
    const char* className;
    QList<const char*> pages;
};

const DialogRow kDialogs[] = {
    {"TfrmSelectItems", {"进货明细账本", "商品进货统计", "单位进货统计", "商品进货退货统计", "单位进货退货统计", "单位进货分布", "仓库进货分布", "商品进价波动分析", "商品进货月分析", "进货开票查询", "商品进货明细汇总表", "单位进货明细汇总表", "进货单统计", "进货退货单统计", "进货换货明细账本", "进货换货单统计", "商品智能补货计划", "进货订单统计", "单位明细账本", "价格折扣跟踪"}},
    {"TfrmSelectItems_CW1", {"财务明细账本", "年度费用报表", "费用分布表"}},
    {"TfrmSelectItems_CW2", {"往来单位利润表", "职员利润表", "部门利润表", "经营状况表(利润表)", "资产负债表(平衡表)"}},
    {"TfrmSelectItems_CW4", {"月结存信息表", "年结存信息表"}},
    {"TfrmSelectItems_DX1", {"委托客户商品明细账本", "受托收货仓库明细账本", "受托库存查询", "受托结算查询", "受托查询明细账本", "受托供应商查询", "受托供应商商品明细账本", "受托供应商商品查询", "委托发货库存明细账本", "委托库存查询", "委托结算查询", "委托查询明细账本", "委托客户查询", "委托客户商品查询", "委托商品明细表"}},
    {"TfrmSelectItems_JC1", {"商品借出明细账本", "借出商品查询", "借出单统计", "借出还回单统计", "借转销售单统计"}},
    {"TfrmSelectItems_JH3", {"进货订单执行情况", "进货订单明细查询", "进货订单查询"}},
    {"TfrmSelectItems_JJ1", {"商品借进明细账本", "借进商品查询", "借进单统计", "借进还出单统计", "借转进货单统计"}},
    {"TfrmSelectItems_KC1", {"虚拟库存查询", "报损单统计", "报溢单统计", "其它入库单统计", "其它出库单统计"}},
    {"TfrmSelectItems_KC2", {"同价调拨单明细账本", "同价调拨单统计", "变价调拨单明细账本", "变价调拨单统计", "成本调价单统计"}},
    {"TfrmSelectItems_KC3", {"商品拆装单明细账本", "商品拆装单统计"}},
    {"TfrmSelectItems_KC4", {"商品明细账本", "副单位库存数量明细表", "库存批次列表", "库存明细账本", "全能进销存变动表", "仓库流水账", "其它出入库明细表", "仓库明细表", "仓库库存余额表", "仓库账面差异表", "仓库分布表"}},
    {"TfrmSelectItems_KC5", {"库存状况分布", "库存状况表"}},
    {"TfrmSelectItems_KC6", {"其它出入库差异表", "库存盘点"}},
    {"TfrmSelectItems_KC7", {"商品保质期查询"}},
    {"TfrmSelectItems_Other", {"物价管理", "老板报表"}},
    {"TfrmSelectItems_Other1", {"万能查询条件"}},
    {"TfrmSelectItems_Other2", {"配送商品明细账本", "配送商品统计", "配送申请查询", "配送验收查询"}},
    {"TfrmSelectItems_Other3", {"经营状况日报", "经营状况月报", "经营状况年报"}},
    {"TfrmSelectItems_Other5", {"开票查询", "单据开票明细查询", "单据开票情况查询", "商品开票明细查询", "商品开票情况查询"}},
    {"TfrmSelectItems_Other6", {"业务草稿"}},
    {"TfrmSelectItems_Other7", {"库存上限报警", "库存下限报警"}},
    {"TfrmSelectItems_Other8", {"库存上下限报警设置"}},
    {"TfrmSelectItems_Other9", {"赠品合同明细查询"}},
    {"TfrmSelectItems_WL1", {"超期应收款", "超期应付款"}},
    {"TfrmSelectItems_WL2", {"经手人回款详情", "经手人回款统计", "制单人收款统计", "单位回款明细账本", "往来单位回款统计", "按单结算查询", "往来对账"}},
    {"TfrmSelectItems_WL3", {"客户往来查询", "供应商往来查询", "单位应收应付", "应收应付--单位明细", "应收应付--职员明细", "应收应付", "职员明细账本"}},
    {"TfrmSelectItems_WWJG1", {"委外库存明细账本", "委外库存查询", "委外领料明细账本", "委外领料查询", "委外完工商品查询"}},
    {"TfrmSelectItems_XS1", {"销售明细账本", "商品销售统计", "单位销售统计", "商品销售退货统计", "客户销售退货统计", "销售优惠明细账本", "销售优惠统计", "商品销售明细汇总表", "成本明细清单", "销售换货明细账本"}},
    {"TfrmSelectItems_XS2", {"单位销售分布", "仓库销售分布", "单位销售明细汇总表", "地区销售排行榜", "提成明细", "商品销售提成查询", "销售提成统计"}},
    {"TfrmSelectItems_XS3", {"商品销售成本表", "销售开票查询", "商品销售月分析", "商品批次跟踪"}},
    {"TfrmSelectItems_XS4", {"销售单统计", "销售退货单统计", "销售换货单统计"}},
    {"TfrmSelectItems_XS5", {"销售订单统计", "商品销售对比分析", "客户销售对比分析"}},
    {"TfrmSelectItems_XS7", {"销售订单执行情况", "销售订单明细查询", "销售订单查询"}},
    {"TfrmSelectItems_XS8", {"赠品合同统计", "赠品合同查询"}},
    {"TfrmSelectItems_XS_BMXSPHB", {"部门销售排行榜"}},
    {"TfrmSelectItems_XS_CKXSPHB", {"仓库销售排行榜"}},
    {"TfrmSelectItems_XS_KHXSPHB", {"客户销售排行榜"}},
    {"TfrmSelectItems_XS_SPXSPHB", {"商品销售排行榜"}},
    {"TfrmSelectItems_XS_ZYXSPHB", {"职员销售排行榜"}},
    {"TfrmSelectItems_JH1", {"单位分组进货分布"}},
    {"TfrmSelectItems_XS6", {"单位分组销售分布"}},
    {"TfrmSelectItems_JH2", {"仓库分组进货分布"}},
    {"TfrmSelectItems_CK8", {"仓库分组分布"}},
    {"TfrmSelectItems_CW3", {"单位分组费用分布"}},
    {"TfrmSelectItems_CK1", {"仓库分组库存分布"}},
    {"TfrmSelectItems_CZY", {"复制所选操作员的权限"}},
};
// clang-format on

QStringList splitList(const char* text) {
    return u8(text).split(QLatin1Char(','), Qt::SkipEmptyParts);
}

QueryColumn col(const char* field, const char* caption, int width = 80) {
    return {u8(field), u8(caption), width};
}

QList<QueryColumn> navigationColumns() {
    return {col("sonnum", "sonnum", 0), col("id", "id", 0), col("par_id", "par_id", 0),
            col("par_jl", "par_jl", 0)};
}

QList<QueryColumn> goodsColumns() {
    return {col("sp_spbh", "[]商品编号", 90), col("sp_spqm", "[]商品全名", 160),
            col("sp_gg", "[]规格", 70),       col("sp_xh", "[]型号", 70),
            col("sp_cd", "[]产地", 70),       col("sp_jbdw", "[]单位", 50)};
}

QList<QueryColumn> subjectColumns(QuerySubject subject) {
    QList<QueryColumn> c;
    switch (subject) {
        case S::Goods:
            c = navigationColumns();
            c << col("sp_id", "sp_id", 0) << goodsColumns();
            break;
        case S::Partner:
            c = navigationColumns();
            c << col("dw_id", "dw_id", 0) << col("dw_dwbh", "[]单位编号", 90)
              << col("dw_dwqm", "[]单位全名", 160);
            break;
        case S::Employee:
            c = navigationColumns();
            c << col("zy_id", "zy_id", 0) << col("zy_zybh", "[]职员编号", 90)
              << col("zy_zyqm", "[]职员全名", 120);
            break;
        case S::Department:
            c = navigationColumns();
            c << col("bm_id", "bm_id", 0) << col("bm_bmbh", "[]部门编号", 90)
              << col("bm_bmqm", "[]部门全名", 120);
            break;
        case S::Warehouse:
            c = navigationColumns();
            c << col("ck_id", "ck_id", 0) << col("ck_ckbh", "[]仓库编号", 90)
              << col("ck_ckqm", "[]仓库全名", 120);
            break;
        case S::Ledger:
            c = {col("id", "id", 0),
                 col("djType", "djType", 0),
                 col("djDate", "[]日期", 80),
                 col("djNo", "[]单据编号", 120),
                 col("djName", "[]单据类型", 80),
                 col("dw_dwqm", "[]往来单位", 120),
                 col("ck_ckqm", "[]仓库", 80),
                 col("sp_spbh", "[]商品编号", 90),
                 col("sp_spqm", "[]商品全名", 160),
                 col("Qty", "[%SUM%Q%]数量", 80),
                 col("price", "[%P%]单价", 80),
                 col("total", "[%SUM%M%]金额", 100),
                 col("comment", "[]摘要", 120)};
            break;
        case S::BillList:
            c = {col("id", "id", 0),
                 col("djType", "djType", 0),
                 col("code", "[]单据编号", 120),
                 col("date", "[]制单日期", 80),
                 col("dj_Caption", "[]单据类型", 80),
                 col("total", "[%SUM%M%Cost%]金额", 100),
                 col("yhhtotal", "[%SUM%M%Cost%]优惠后金额", 100),
                 col("wldw_code", "[]往来单位编号", 90),
                 col("wldw_name", "[]往来单位", 160),
                 col("jsr_code", "[]经手人编号", 80),
                 col("jsr_name", "[]经手人全名", 80),
                 col("bm_Name", "[]部门", 80),
                 col("rec_Name", "[]制单人", 70),
                 col("post_Name", "[]过账人", 70),
                 col("postDateTime", "[]过账时间", 120),
                 col("summery", "[]摘要", 120),
                 col("comment", "[]附加说明", 120),
                 col("printNum", "[]打印次数", 60),
                 col("DuiZhang", "[]是否对账", 60),
                 col("DuiZhangShuoMing", "[]对账说明", 100)};
            for (int i = 1; i <= 10; ++i)
                c << QueryColumn{u8("zidingyi") + QString::number(i),
                                 u8("[]") + userFieldCaption(i), 80};
            for (const char* hidden :
                 {"isred", "isredword", "isOver", "wldw_id", "jsr_id", "dep_id", "isDuiZhang"})
                c << col(hidden, hidden, 0);
            break;
        case S::StockStatus:
            c = navigationColumns();
            c << col("sp_id", "sp_id", 0) << goodsColumns() << col("fzqty", "[]辅助数量")
              << col("stockqty", "[%SUM%Q%]库存数量", 80)
              << col("stockPrice", "[%P%Cost%]成本单价", 80)
              << col("stockTotal", "[%SUM%M%Cost%]库存金额", 100)
              << col("lsPrice", "[%P%]参考单价", 100) << col("lstotal", "[%SUM%M%]参考金额", 80)
              << col("total_", "[%SUM%M%Cost%]差额", 100)
              << col("fdwqty", "[%SUM%M%]副单位数量", 100);
            break;
        case S::Plain:
            c = {col("id", "id", 0), col("code", "[]编号", 90), col("fullname", "[]名称", 160)};
            break;
    }
    return c;
}

QList<QueryColumn> amountColumns(QuerySubject subject, Amounts amounts) {
    if (subject == S::Ledger || subject == S::BillList || subject == S::StockStatus)
        return {};
    switch (amounts) {
        case A::Sales:
            return {col("fzqty", "[]辅助销售数量"),
                    col("Qty", "[%SUM%Q%]销售数量"),
                    col("price", "[%P%]销售均价"),
                    col("discounttotal", "[%SUM%M%]销售收入", 100),
                    col("Taxtotal", "[%SUM%M%]税额"),
                    col("TaxPrice", "[%P%]含税单价"),
                    col("taxTotalSum", "[%SUM%M%]价税合计", 100),
                    col("costtotal", "[%SUM%M%Cost%]销售成本", 100),
                    col("ml", "[%SUM%M%Cost%]毛利", 100)};
        case A::Purchase:
            return {col("fzqty", "[]辅助进货数量"),
                    col("Qty", "[%SUM%Q%]进货数量"),
                    col("price", "[%P%]进货均价"),
                    col("discounttotal", "[%SUM%M%]进货金额", 100),
                    col("Taxtotal", "[%SUM%M%]税额"),
                    col("TaxPrice", "[%P%]含税单价"),
                    col("taxTotalSum", "[%SUM%M%]价税合计", 100)};
        case A::Plain:
            break;
    }
    return {col("Qty", "[%SUM%Q%]数量"), col("total", "[%SUM%M%]金额", 100)};
}

// The stock-limit windows list goods with their limits rather than the plain columns.
QList<QueryColumn> stockLimitColumns(const QString& className) {
    const QList<QueryColumn> goods = {col("sp_id", "sp_id", 0), col("sp_spbh", "[]商品编号", 90),
                                      col("sp_spqm", "[]商品全名", 160),
                                      col("sp_gg", "[]规格", 70)};
    if (className == u8("TfrmQKCXXBJ")) {
        return goods + QList<QueryColumn>{col("Qty", "[%SUM%Q%]库存数量"),
                                          col("warnDown", "[%Q%]库存下限"),
                                          col("cyQty", "[%SUM%Q%]缺货数量")};
    }
    if (className == u8("TfrmQKCSXBJ")) {
        return goods + QList<QueryColumn>{col("Qty", "[%SUM%Q%]库存数量"),
                                          col("warnUp", "[%Q%]库存上限"),
                                          col("cyQty", "[%SUM%Q%]超出数量")};
    }
    if (className == u8("TfrmQKCSXXBJSZ")) {
        return navigationColumns() + goods +
               QList<QueryColumn>{col("sp_xh", "[]型号", 70), col("sp_jbdw", "[]单位", 50),
                                  col("stockqty", "[%SUM%Q%]库存数量"),
                                  col("warnDown", "[%Q%]库存下限"), col("warnUp", "[%Q%]库存上限")};
    }
    if (className == u8("TfrmQSPZNBHJH")) {
        return goods + QList<QueryColumn>{col("sp_jbdw", "[]单位", 50),
                                          col("stockqty", "[%SUM%Q%]库存数量"),
                                          col("ztQty", "[%SUM%Q%]在途数量"),
                                          col("warnDown", "[%Q%]库存下限"),
                                          col("warnUp", "[%Q%]库存上限"),
                                          col("xsQty", "[%SUM%Q%]期间销量"),
                                          col("rjxsQty", "[%Q%]日均销量"),
                                          col("xqQty", "[%SUM%Q%]需求数量"),
                                          col("Qty", "[%SUM%Q%]建议进货数量", 90),
                                          col("price", "[%P%]参考进价"),
                                          col("total", "[%SUM%M%]进货金额", 100)};
    }
    return {};
}

QueryTree treeOf(QuerySubject subject, bool tree) {
    if (!tree)
        return QueryTree::None;
    switch (subject) {
        case S::Partner:
            return QueryTree::Partner;
        case S::Employee:
            return QueryTree::Employee;
        case S::Department:
            return QueryTree::Department;
        case S::Warehouse:
            return QueryTree::Warehouse;
        default:
            return QueryTree::Goods;
    }
}

QueryDescriptor buildDescriptor(const WindowRow& row) {
    QueryDescriptor d;
    d.className = u8(row.className);
    d.title = u8(row.title);
    d.procedure = u8(row.procedure);
    d.queryTypes = splitList(row.queryTypes);
    d.otherProcedures = splitList(row.otherProcedures);
    d.dialogClass = u8(row.dialogClass);
    d.dialogPage = d.title;
    d.subject = row.subject;
    d.tree = treeOf(row.subject, row.tree);
    d.columns = stockLimitColumns(d.className);
    if (d.columns.isEmpty())
        d.columns = accountAndPriceColumns(d.className);
    if (d.columns.isEmpty())
        d.columns = financeColumns(d.queryTypes.value(0));
    if (d.columns.isEmpty())
        d.columns = invoiceColumns(d.queryTypes.value(0));
    if (d.columns.isEmpty())
        d.columns = commissionColumns(d.queryTypes.value(0));
    if (d.columns.isEmpty())
        d.columns = reportColumns(d.queryTypes.value(0), subjectColumns(row.subject));
    if (d.columns.isEmpty())
        d.columns = partnerMoneyColumns(d.className, subjectColumns(row.subject));
    if (d.columns.isEmpty())
        d.columns = subjectColumns(row.subject) + amountColumns(row.subject, row.amounts);
    d.drillDown = u8(row.drillDown);
    if (row.amounts != A::Plain && !d.opensBills() && row.subject != S::StockStatus) {
        d.derived = {{u8("price"), u8("discounttotal"), u8("Qty")},
                     {u8("TaxPrice"), u8("taxTotalSum"), u8("Qty")}};
    }
    d.redBillCombo = row.subject == S::Ledger || row.subject == S::BillList;
    d.goodsKey = row.subject == S::StockStatus ? u8("goodsStr") : u8("GoodsStr");
    // The business history lists posted bills, the draft list drafts.
    if (d.className == u8("TfrmQJYLC")) {
        d.billState = 2;
        d.dialogPage = u8("万能查询条件");
    } else if (d.className == u8("TfrmQYWCG"))
        d.billState = 1;
    // The period lists read sysPeriod, the month rows or the year rows, without conditions.
    const bool months = d.className == u8("TfrmQYJCXXB");
    if (months || d.className == u8("TfrmQNJCXXB")) {
        d.sql = months ? u8("SELECT * FROM sysperiod AS a WHERE a.type = 0 ORDER BY a.id")
                       : u8("SELECT * FROM sysperiod AS a WHERE a.type = 1 ORDER BY a.id");
        d.columns = {col("name", months ? "账龄" : "年份", 100), col("beginDate", "开始日期"),
                     col("EndDate", "结束日期"),
                     col("billSum",
                         months ? "[%NUM%SUM%M%]本月单据数量" : "[%NUM%SUM%M%]年度单据数量", 110)};
    }
    // The order lists show each order's state.
    if (d.className == u8("TfrmQJHDDCX") || d.className == u8("TfrmQXSDDCX"))
        d.columns.append(col("OrderState", "[]订单状态", 70));
    return d;
}

// --- condition dialog pages

QueryPicker picker(PickerKind kind, PickerRole role, const char* label, const char* key = "") {
    return {kind, role, u8(label), u8(key)};
}

QList<QueryPicker> standardPickers() {
    return {picker(PickerKind::Partner, PickerRole::Partner, "单位全名"),
            picker(PickerKind::Employee, PickerRole::Employee, "职员全名"),
            picker(PickerKind::Warehouse, PickerRole::Warehouse, "仓库全名"),
            picker(PickerKind::Department, PickerRole::Department, "部门全名")};
}

QueryPicker goodsPicker() {
    return picker(PickerKind::Goods, PickerRole::Goods, "商品全名");
}
QueryPicker regionPicker() {
    return picker(PickerKind::Region, PickerRole::Region, "地区全名");
}

QList<QueryBillBox> boxes(std::initializer_list<std::pair<const char*, int>> items) {
    QList<QueryBillBox> out;
    for (const auto& [caption, type] : items)
        out.append({u8(caption), type});
    return out;
}

QueryExtra extra(ExtraKind kind, const char* key, const char* caption,
                 std::initializer_list<const char*> items = {}) {
    QueryExtra e{kind, u8(key), u8(caption), {}};
    for (const char* item : items)
        e.items.append(u8(item));
    return e;
}

// The single bill type of the pages that query one kind of bill.
int pageBillType(const QString& caption) {
    static const QHash<QString, int> types = [] {
        const std::pair<const char*, int> rows[] = {
            {"销售单统计", 1},      {"销售退货单统计", 2},  {"销售换货单统计", 3},
            {"销售订单统计", 4},    {"进货单统计", 5},      {"进货退货单统计", 6},
            {"进货换货单统计", 7},  {"进货订单统计", 8},    {"商品拆装单统计", 9},
            {"其它出库单统计", 10}, {"其它入库单统计", 11}, {"报损单统计", 12},
            {"报溢单统计", 13},     {"成本调价单统计", 14}, {"同价调拨单统计", 15},
            {"变价调拨单统计", 16}, {"借进单统计", 35},     {"借进还出单统计", 36},
            {"借转进货单统计", 37}, {"借出单统计", 38},     {"借出还回单统计", 39},
            {"借转销售单统计", 40}};
        QHash<QString, int> h;
        for (const auto& [text, type] : rows)
            h.insert(u8(text), type);
        return h;
    }();
    return types.value(caption, 0);
}

QueryDialogPage buildPage(const QString& dialogClass, const QString& caption) {
    QueryDialogPage p;
    p.caption = caption;
    p.pickers = standardPickers();
    p.billType = pageBillType(caption);
    const auto is = [&](const char* c) { return caption == u8(c); };
    const auto inDialog = [&](const char* c) { return dialogClass == u8(c); };
    const auto salesBoxes = [] {
        return boxes({{"销售单", 1},
                      {"销售退货单", 2},
                      {"销售换货单", 3},
                      {"借转销售单", 40},
                      {"委托结算单", 44},
                      {"赠送单", 60}});
    };
    const auto purchaseBoxes = [] {
        return boxes({{"进货单", 5},
                      {"进货退货单", 6},
                      {"进货换货单", 7},
                      {"借转进货单", 37},
                      {"受托结算单", 46},
                      {"获赠单", 59}});
    };
    if (inDialog("TfrmSelectItems_JH1") || inDialog("TfrmSelectItems_XS6") ||
        inDialog("TfrmSelectItems_CW3") || inDialog("TfrmSelectItems_JH2") ||
        inDialog("TfrmSelectItems_CK8") || inDialog("TfrmSelectItems_CK1")) {
        // Group editors: dates and the groups; partner groups or warehouse groups.
        p.kind = PageKind::Groups;
        p.groupKind = inDialog("TfrmSelectItems_JH2") || inDialog("TfrmSelectItems_CK8") ||
                              inDialog("TfrmSelectItems_CK1")
                          ? PickerKind::Warehouse
                          : PickerKind::Partner;
        p.pickers.clear();
        p.width = 460;
        p.height = 380;
        p.dates = !inDialog("TfrmSelectItems_CK1");
    } else if (inDialog("TfrmSelectItems_CZY")) {
        p.kind = PageKind::OperatorList;
        p.pickers.clear();
        p.dates = false;
        p.width = 420;
        p.height = 360;
    } else if (is("销售换货单统计")) {
        p.width = 354;
        p.height = 381;
        p.pickers = {standardPickers()[0], standardPickers()[1],
                     picker(PickerKind::Warehouse, PickerRole::Warehouse, "入库仓库"),
                     picker(PickerKind::Warehouse, PickerRole::OutWarehouse, "出库仓库"),
                     standardPickers()[3]};
    } else if (is("商品销售统计") || is("单位销售统计")) {
        p.billBoxes = salesBoxes();
    } else if (is("商品进货统计")) {
        p.billBoxes = purchaseBoxes();
    } else if (is("单位进货统计")) {
        p.billBoxes = purchaseBoxes();
        p.pickers.append(goodsPicker());
    } else if (is("单位明细账本")) {
        p.extras = {extra(ExtraKind::Radio, "mxtype", "明细类型", {"应收款明细", "应付款明细"})};
    } else if (is("价格折扣跟踪")) {
        p.pickers = {goodsPicker(), standardPickers()[0]};
    } else if (is("物价管理")) {
        // The goods listed, the supplier or customer of the latest prices, the stock costed.
        p.pickers = {goodsPicker(), standardPickers()[0], standardPickers()[2]};
    } else if (is("商品进货明细汇总表")) {
        p.pickers << goodsPicker() << regionPicker();
    } else if (is("万能查询条件")) {
        p.pickers.append(goodsPicker());
        p.billBoxes = boxes({{"销售单", 1},
                             {"销售退货单", 2},
                             {"销售换货单", 3},
                             {"进货单", 5},
                             {"进货退货单", 6},
                             {"进货换货单", 7},
                             {"收款单", 21},
                             {"付款单", 22},
                             {"报损单", 12},
                             {"报溢单", 13},
                             {"同价调拨单", 15},
                             {"其它入库单", 11},
                             {"其它出库单", 10}});
        p.extras = {extra(ExtraKind::Text, "code", "单据编号"),
                    extra(ExtraKind::Text, "summery", "摘要")};
        p.width = 460;
        p.height = 520;
    } else if (is("商品智能补货计划")) {
        p.pickers.append(picker(PickerKind::Warehouse, PickerRole::Extra, "补货仓库", "bhckid"));
        p.extras = {extra(ExtraKind::Days, "days", "需求量天数")};
    } else if (is("销售优惠统计")) {
        p.extras = {extra(ExtraKind::Radio, "tjfs", "统计方式", {"往来单位", "部门", "职员"})};
    } else if (is("地区销售排行榜")) {
        p.pickers.append(regionPicker());
    } else if (is("销售提成统计")) {
        p.billBoxes = boxes({{"收款单", 21}});
    } else if (is("商品批次跟踪")) {
        p.pickers.append(goodsPicker());
        p.extras = {extra(ExtraKind::Text, "batchNo", "批号"),
                    extra(ExtraKind::Text, "lineRemark", "行备注")};
    } else if (is("销售订单统计")) {
        p.extras = {extra(ExtraKind::Radio, "tjfs", "统计方式", {"按商品", "按单位", "按经手人"})};
    } else if (is("商品销售对比分析") || is("客户销售对比分析")) {
        p.secondDates = true;
        p.height = 381;
    } else if (is("库存状况表")) {
        p.dates = false;
        p.pickers = {picker(PickerKind::Warehouse, PickerRole::Warehouse, "仓库全名"),
                     goodsPicker()};
    } else if (is("库存状况分布")) {
        p.extras = {extra(ExtraKind::Number, "cklevel", "查看仓库的级次：")};
    } else if (is("商品保质期查询")) {
        p.extras = {extra(ExtraKind::Days, "days", "提前报警天数")};
    } else if (is("超期应收款") || is("超期应付款")) {
        p.dates = false;
        p.extras = {extra(ExtraKind::Date, "enddate", "截至时间")};
    } else if (is("进货订单查询") || is("销售订单查询")) {
        p.extras = {
            extra(ExtraKind::Radio, "state", "订单状态", {"全部", "未完成", "已完成", "已中止"})};
    } else if (inDialog("TfrmSelectItems_XS7") || inDialog("TfrmSelectItems_JH3")) {
        p.extras = {extra(ExtraKind::Radio, "state", "订单状态", {"全部", "未完成", "已完成"})};
    } else if (is("经营状况表(利润表)") || is("资产负债表(平衡表)")) {
        // The whole business: dates only.
        p.pickers.clear();
    } else if (is("年度费用报表") || is("费用分布表")) {
        p.pickers = {standardPickers()[0], standardPickers()[1], standardPickers()[3]};
        if (is("费用分布表"))
            p.extras = {extra(ExtraKind::Radio, "tjfs", "统计方式", {"部门", "职员", "往来单位"})};
    } else if (is("经营状况日报") || is("经营状况月报") || is("经营状况年报")) {
        // The business status reports cover the whole business: dates only.
        p.pickers.clear();
    } else if (is("赠品合同统计")) {
        p.extras = {extra(ExtraKind::Radio, "tjfs", "统计方式", {"按单位和商品", "按单位", "按商品"})};
    } else if (inDialog("TfrmSelectItems_XS8") || inDialog("TfrmSelectItems_Other9")) {
        p.extras = {extra(ExtraKind::Radio, "state", "单据状态", {"全部", "未审核", "已审核"})};
    }
    return p;
}

QString normal(const QString& s) {
    return s.toLower();
}

}  // namespace

const QueryColumn* QueryDescriptor::column(const QString& field) const {
    for (const QueryColumn& c : columns) {
        if (c.field.compare(field, Qt::CaseInsensitive) == 0)
            return &c;
    }
    return nullptr;
}

const QList<QueryDescriptor>& queryDescriptors() {
    static const QList<QueryDescriptor> table = [] {
        QList<QueryDescriptor> t;
        for (const WindowRow& row : kWindows)
            t.append(buildDescriptor(row));
        return t;
    }();
    return table;
}

const QueryDescriptor* findQueryDescriptor(const QString& className) {
    static const QHash<QString, int> index = [] {
        QHash<QString, int> h;
        const auto& t = queryDescriptors();
        for (int i = 0; i < t.size(); ++i)
            h.insert(normal(t[i].className), i);
        return h;
    }();
    const int i = index.value(normal(className), -1);
    return i < 0 ? nullptr : &queryDescriptors()[i];
}

QList<const QueryDescriptor*> findQueryDescriptors(const QString& procedure,
                                                   const QString& queryType) {
    QList<const QueryDescriptor*> out;
    for (const QueryDescriptor& d : queryDescriptors()) {
        if (d.procedure.compare(procedure, Qt::CaseInsensitive) != 0)
            continue;
        for (const QString& t : d.queryTypes) {
            if (t.compare(queryType, Qt::CaseInsensitive) == 0) {
                out.append(&d);
                break;
            }
        }
    }
    return out;
}

QString treeQueryType(QueryTree tree) {
    switch (tree) {
        case QueryTree::Goods:
            return u8("SP");
        case QueryTree::Partner:
            return u8("WLDW");
        case QueryTree::Employee:
            return u8("ZY");
        case QueryTree::Department:
            return u8("BM");
        case QueryTree::Warehouse:
            return u8("ck");
        case QueryTree::None:
            break;
    }
    return {};
}

int QueryDialog::pageIndex(const QString& caption) const {
    for (int i = 0; i < pages.size(); ++i) {
        if (pages[i].caption == caption)
            return i;
    }
    return -1;
}

const QList<QueryDialog>& queryDialogs() {
    static const QList<QueryDialog> dialogs = [] {
        QList<QueryDialog> out;
        for (const DialogRow& row : kDialogs) {
            QueryDialog d;
            d.className = u8(row.className);
            for (const char* page : row.pages)
                d.pages.append(buildPage(d.className, u8(page)));
            out.append(d);
        }
        return out;
    }();
    return dialogs;
}

const QueryDialog* findQueryDialog(const QString& className) {
    for (const QueryDialog& d : queryDialogs()) {
        if (d.className.compare(className, Qt::CaseInsensitive) == 0)
            return &d;
    }
    return nullptr;
}

const QueryDialogPage* findQueryDialogPage(const QString& className, const QString& caption) {
    const QueryDialog* d = findQueryDialog(className);
    if (!d)
        return nullptr;
    const int i = d->pageIndex(caption);
    return i < 0 ? nullptr : &d->pages[i];
}

QString pickerKindName(PickerKind kind) {
    switch (kind) {
        case PickerKind::Partner:
            return u8("wldw");
        case PickerKind::Employee:
            return u8("zhiyuan");
        case PickerKind::Warehouse:
            return u8("cangku");
        case PickerKind::Department:
            return u8("bumen");
        case PickerKind::Goods:
            return u8("sp");
        case PickerKind::Region:
            return u8("area");
    }
    return {};
}

QString userFieldCaption(int index) {
    static const char16_t* const numbers[] = {u"一", u"二", u"三", u"四", u"五",
                                              u"六", u"七", u"八", u"九", u"十"};
    if (index < 1 || index > 10)
        return {};
    return QStringLiteral("自定义") + QString::fromUtf16(numbers[index - 1]);
}

}  // namespace dyt

namespace dyt {

QList<QueryColumn> warehouseSpreadColumns(const QStringList& answerFields,
                                          const std::function<QString(qint64)>& warehouseName) {
    QList<QueryColumn> out;
    for (const QString& field : answerFields) {
        const bool qty = field.startsWith(QLatin1String("ckQty_"), Qt::CaseInsensitive);
        const bool total = field.startsWith(QLatin1String("ckTotal_"), Qt::CaseInsensitive);
        if (!qty && !total)
            continue;
        bool ok = false;
        const qint64 id = field.mid(field.indexOf(u'_') + 1).toLongLong(&ok);
        if (!ok || id <= 0)
            continue;
        QString name = warehouseName ? warehouseName(id) : QString();
        if (name.isEmpty())
            name = QString::number(id);
        out << QueryColumn{field,
                           (qty ? QStringLiteral("[%Q%]") : QStringLiteral("[%M%]")) + name +
                               (qty ? QStringLiteral("数量") : QStringLiteral("金额")),
                           qty ? 70 : 90};
    }
    return out;
}

}  // namespace dyt
