// Bill kinds (sysDjb) and their numbering counters (sysbillNo).

#include <QStringList>

#include "server/db/schema_internal.h"

namespace dyt::server::schema::detail {

const std::vector<BillKind>& billKinds() {
    static const std::vector<BillKind> kinds = {
        {1, 2009, "销售单", "XS"},
        {2, 2010, "销售退货单", "XSTH"},
        {3, 2011, "销售换货单", "XSHH"},
        {4, 2008, "销售订单", "XSDD"},
        {5, 2004, "进货单", "JH"},
        {6, 2005, "进货退货单", "JHTH"},
        {7, 2006, "进货换货单", "JHHH"},
        {8, 2003, "进货订单", "JHDD"},
        {9, 201708, "商品拆装单", "SPCZ"},
        {10, 201704, "其它出库单", "QTCK"},
        {11, 201703, "其它入库单", "QTRK"},
        {12, 201701, "报损单", "BS"},
        {13, 201702, "报溢单", "BY"},
        {14, 201707, "成本调价单", "CBTJ"},
        {15, 201705, "同价调拨单", "TJDB"},
        {16, 201706, "变价调拨单", "BJDB"},
        {17, 201901, "现金费用单", "XJFY"},
        {18, 201902, "一般费用单", "YBFY"},
        {19, 201903, "其它收入单", "QTSR"},
        {20, 201904, "提现存现转账", "TXCX"},
        {21, 2012, "收款单", "SK"},
        {22, 2007, "付款单", "FK"},
        {23, 20190501, "固定资产购置", "GDGZ"},
        {24, 20190502, "固定资产折旧", "GDZJ"},
        {25, 20190503, "固定资产变卖", "GDBM"},
        {26, 20190601, "待摊费用发生", "DTFS"},
        {27, 20190602, "待摊费用摊销", "DTTX"},
        {28, 20190702, "调账：应收款减少", "YSJS"},
        {29, 20190701, "调账：应收款增加", "YSZJ"},
        {30, 20190703, "调账：应付款增加", "YFZJ"},
        {31, 20190704, "调账：应付款减少", "YFJS"},
        {32, 20190706, "调账：资金减少", "ZJJS"},
        {33, 20190705, "调账：资金增加", "ZJZJ"},
        {34, 201908, "会计凭证", "PZ"},
        {35, 202001, "借进单", "JJ"},
        {36, 202002, "借进还出单", "JJHC"},
        {37, 202003, "借转进货单", "JZJH"},
        {38, 202004, "借出单", "JC"},
        {39, 202005, "借出还回单", "JCHH"},
        {40, 202006, "借转销售单", "JZXS"},
        {41, 0, "账外入库单", "ZWRK"},
        {43, 201805, "委托发货单", "WTFH"},
        {44, 201807, "委托结算单", "WTJS"},
        {45, 201801, "受托收货单", "STSH"},
        {46, 201803, "受托结算单", "STJS"},
        {47, 201806, "委托退货单", "WTTH"},
        {48, 201802, "受托退货单", "STTH"},
        {49, 201808, "委托调价单", "WTTJ"},
        {50, 201804, "受托调价单", "STTJ"},
        {51, 0, "零售单", "LS"},
        {53, 202101, "委外加工领料单", "WWLL"},
        {54, 202102, "委外加工退料单", "WWTL"},
        {55, 202103, "委外加工完工单", "WWWG"},
        {56, 202201, "仓库入库单", "CKRK"},
        {57, 202202, "仓库出库单", "CKCK"},
        {58, 202203, "仓库调拨单", "CKDB"},
        {59, 2024, "获赠单", "HZ"},
        {60, 2025, "赠送单", "ZS"},
        {61, 4501, "配送申请单", "PSSQ"},
        {62, 4502, "配送单", "PS"},
        {63, 4503, "配送验收单", "PSYS"},
        {64, 2026, "询价单", "XJ"},
        {65, 2027, "报价单", "BJ"},
        {66, 201909, "劳务费用单", "LWFY"},
        {67, 4301, "进货开票[按单据]", "JHKPD"},
        {68, 4302, "进货开票[按商品]", "JHKPS"},
        {69, 4303, "销售开票[按单据]", "XSKPD"},
        {70, 4304, "销售开票[按商品]", "XSKPS"},
        {71, 4401, "赠品合同单", "ZPHT"},
    };
    return kinds;
}

namespace {

// Display order of the kinds in the numbering and audit windows: the audit table's groups first
// (sales and purchase, stock, borrowing, money, adjustments), then the other kinds by number.
const int kLeadingOrder[] = {1,  2,  5,  6,  12, 13, 11, 10, 15, 16, 14, 9,  35, 36, 37,
                             38, 39, 40, 21, 22, 17, 18, 19, 20, 29, 28, 30, 31, 33, 32};

// Default number format: the prefix in double quotes, then year, month, day and a five-digit
// counter, separated by "-" (one piece per line, as the numbering window stores it).
QString defaultFormat(const char* numHead) {
    return QStringList{QLatin1Char('"') + QString::fromUtf8(numHead) + QLatin1Char('"'),
                       QStringLiteral("-"),
                       QStringLiteral("YYYY"),
                       QStringLiteral("-"),
                       QStringLiteral("MM"),
                       QStringLiteral("-"),
                       QStringLiteral("DD"),
                       QStringLiteral("-"),
                       QStringLiteral("[00000]")}
        .join(QLatin1Char('\r'));
}

}  // namespace

void seedBillKinds(sqlite3* db) {
    Statement insert(db,
                     "INSERT INTO sysDjb(id, par_id, par_jl, leveal, sonnum, code, fullname, pym, "
                     "orderly, menuid, inputnum, inputName1, inputName2, inputName3, inputName4, "
                     "inputName5, inputid2, inputid3, inputid4, inputid5, printNum, printNumSum, "
                     "printisCheck, printPassword, NumHead, SNFormat, comment) VALUES (?, 0, ?, 1, "
                     "0, ?, ?, ?, ?, ?, 1, '审查人一', '审查人二', '审查人三', '审查人四', "
                     "'审查人五', '(0,0)', '(0,0)', '(0,0)', '(0,0)', 0, 0, 0, '', ?, ?, ?)");
    Statement counter(db,
                      "INSERT INTO sysbillNo(id, lastDate, yearMaxNo, monthMaxNo, dayMaxNo) "
                      "VALUES (?, '', 0, 0, 0)");
    counter.run({0LL});
    const int leading = static_cast<int>(std::size(kLeadingOrder));
    int next = leading + 1;
    for (const BillKind& k : billKinds()) {
        int orderly = 0;
        for (int i = 0; i < leading; ++i) {
            if (kLeadingOrder[i] == k.djType)
                orderly = i + 1;
        }
        if (orderly == 0)
            orderly = next++;
        const QString format = defaultFormat(k.numHead);
        const long long id = k.djType;
        insert.run({id, QString::number(id) + QLatin1Char(','),
                    QStringLiteral("%1").arg(id, 2, 10, QLatin1Char('0')),
                    QString::fromUtf8(k.name), QString::fromUtf8(k.numHead),
                    static_cast<long long>(orderly), static_cast<long long>(k.menuCode),
                    QString::fromUtf8(k.numHead), format, format});
        counter.run({id});
    }
}

}  // namespace dyt::server::schema::detail
