#include "client/logic/openingbalance.h"

#include <algorithm>

#include "client/logic/lookups.h"
#include "common/condition.h"
#include "common/error.h"
#include "common/formatting.h"
#include "common/rounding.h"

namespace dyt::client::opening {

namespace {

QString op(qint64 operatorId) {
    return conditionSegment(QStringLiteral("czy_id"), QString::number(operatorId));
}

QString recordString(qint64 operatorId, const QString& id) {
    const QString v = id.trimmed() == u"0" ? QString() : id.trimmed();
    return op(operatorId) + QStringLiteral(";id=") + v + QStringLiteral(";issub=1");
}

void checkQtyIndex(int index) {
    if (index < 0 || index > 2)
        throw DytError(QStringLiteral("数量过滤条件[%1]无效").arg(index));
}

}  // namespace

QString editRefusal(bool accountSetOpened, bool pickerChosen, const QString& allText) {
    if (accountSetOpened)
        return text::opened();
    if (!pickerChosen)
        return allText;
    return {};
}

double unitPrice(double qty, double amount, int priceDot) {
    if (qty == 0)
        return 0;
    return roundTo(amount / qty, std::clamp(priceDot, 0, 15));
}

QString figure(double value, int decimals) {
    const double v = roundTo(value, std::clamp(decimals, 0, 15));
    return floatToStr(v == 0 ? 0.0 : v);
}

ParamList goodsStockParams(const stockstatus::Request& request) {
    checkQtyIndex(request.qtyIndex);
    ParamList p = stockstatus::buildParams(request);
    p.setValue(QStringLiteral("QueryType"), QStringLiteral("QCKCNEW"));
    p.setValue(QStringLiteral("filter"),
               QStringLiteral(";qty=") + QString::number(request.qtyIndex));
    return p;
}

ParamList goodsStockSave(const GoodsStockEntry& entry, int qtyDot, int totalDot) {
    ParamList p;
    p.setInt(QStringLiteral("id"), entry.id);
    p.setInt(QStringLiteral("goodsid"), entry.goodsId);
    p.setInt(QStringLiteral("stockid"), entry.warehouseId);
    p.setValue(QStringLiteral("Qty"), figure(entry.qty, qtyDot));
    p.setValue(QStringLiteral("Total"), figure(entry.total, totalDot));
    if (entry.batch) {
        p.setValue(QStringLiteral("ph"), entry.batchNo.trimmed());
        p.setValue(QStringLiteral("outdate"), entry.outDate.trimmed());
        p.setValue(QStringLiteral("yxqdate"), entry.validDate.trimmed());
    }
    return p;
}

QString openingBatchSql(qint64 goodsId, qint64 warehouseId) {
    return QStringLiteral(
               "SELECT a.id, a.goodsid, a.stockid, a.goodspc, a.ph, a.outdate, a.yxqdate, "
               "a.qty, a.price, a.total FROM iniGoodsStock AS a "
               "WHERE a.goodsid = %1 AND a.stockid = %2 ORDER BY a.id")
        .arg(goodsId)
        .arg(warehouseId);
}

const QList<PartnerGoodsKind>& partnerGoodsKinds() {
    static const QList<PartnerGoodsKind> kinds = {
        {QStringLiteral("TfrmIniJJSP"), QStringLiteral("期初借进商品"), QStringLiteral("JJSP"), 1,
         false, true},
        {QStringLiteral("TfrmIniJCSP"), QStringLiteral("期初借出商品"), QStringLiteral("JCSP"), 2,
         false, true},
        {QStringLiteral("TfrmIniWTSP"), QStringLiteral("期初委托商品"), QStringLiteral("WTSP"), 3,
         true, false},
        {QStringLiteral("TfrmIniSTSP"), QStringLiteral("期初受托商品"), QStringLiteral("STSP"), 4,
         true, false},
        {QStringLiteral("TfrmIniWWSP"), QStringLiteral("期初委外商品"), QStringLiteral("WWSP"), 5,
         false, false},
    };
    return kinds;
}

const PartnerGoodsKind* findPartnerGoodsKind(const QString& className) {
    for (const PartnerGoodsKind& k : partnerGoodsKinds()) {
        if (k.className.compare(className, Qt::CaseInsensitive) == 0)
            return &k;
    }
    return nullptr;
}

ParamList partnerGoodsParams(const PartnerGoodsKind& kind, const stockstatus::Request& request) {
    checkQtyIndex(request.qtyIndex);
    const QString czy = op(request.operatorId);
    ParamList p;
    p.setValue(QStringLiteral("QueryType"), kind.queryType);
    p.setValue(QStringLiteral("goodsStr"),
               QStringLiteral(";sptype=0") + czy + stockstatus::goodsSegment(request));
    p.setValue(QStringLiteral("wldwStr"), recordString(request.operatorId, request.warehouseId));
    p.setValue(QStringLiteral("filter"),
               QStringLiteral(";qty=") + QString::number(request.qtyIndex));
    for (const char* key : {"ckStr", "zyStr", "bmStr", "kmStr"})
        p.setValue(QString::fromLatin1(key), czy);
    return p;
}

ParamList partnerGoodsSave(const PartnerGoodsKind& kind, const PartnerGoodsEntry& entry, int qtyDot,
                           int totalDot) {
    ParamList p;
    p.setInt(QStringLiteral("id"), entry.id);
    p.setInt(QStringLiteral("goodsid"), entry.goodsId);
    p.setInt(QStringLiteral("wldw_id"), entry.partnerId);
    p.setInt(QStringLiteral("typeid"), kind.typeId);
    p.setValue(QStringLiteral("Qty"), figure(entry.qty, qtyDot));
    p.setValue(QStringLiteral("Total"), figure(entry.total, totalDot));
    // Without a cost of its own the goods cost what they are worth.
    p.setValue(QStringLiteral("costTotal"),
               figure(kind.costColumns ? entry.costTotal : entry.total, totalDot));
    return p;
}

ParamList partnerParams(qint64 operatorId, const dyt::Navigation& nav, const QString& quickText,
                        int qtyIndex) {
    checkQtyIndex(qtyIndex);
    const QString czy = op(operatorId);
    ParamList p;
    p.setValue(QStringLiteral("QueryType"), QStringLiteral("WLDW"));
    p.setValue(QStringLiteral("wldwStr"), czy + dyt::categorySegment(nav, quickText));
    p.setValue(QStringLiteral("filter"), QStringLiteral(";qcqty=") + QString::number(qtyIndex));
    for (const char* key : {"GoodsStr", "ckStr", "zyStr", "bmStr", "kmStr"})
        p.setValue(QString::fromLatin1(key), czy);
    return p;
}

ParamList partnerSave(const PartnerEntry& entry, int totalDot) {
    ParamList p;
    p.setInt(QStringLiteral("id"), entry.id);
    p.setInt(QStringLiteral("par_id"), entry.parentId);
    p.setValue(QStringLiteral("ysTotal"), figure(entry.receivable, totalDot));
    p.setValue(QStringLiteral("yfTotal"), figure(entry.payable, totalDot));
    p.setValue(QStringLiteral("yuShouTotal"), figure(entry.advanceReceived, totalDot));
    p.setValue(QStringLiteral("yufuTotal"), figure(entry.advancePaid, totalDot));
    return p;
}

const QList<AccountPageInfo>& accountPages() {
    static const QList<AccountPageInfo> pages = {
        {AccountPage::All, QStringLiteral("期初财务数据"), {}, false},
        {AccountPage::CashBank,
         QStringLiteral("期初现金银行"),
         {QStringLiteral("现金"), QStringLiteral("银行存款")},
         false},
        {AccountPage::BankAccounts,
         QStringLiteral("期初银行账户"),
         {QStringLiteral("银行存款")},
         true},
        {AccountPage::FixedAssets,
         QStringLiteral("期初固定资产"),
         {QStringLiteral("固定资产"), QStringLiteral("累计折旧")},
         false},
        {AccountPage::Income, QStringLiteral("期初收入类型"), {QStringLiteral("收入类")}, true},
        {AccountPage::Expenses, QStringLiteral("期初费用类型"), {QStringLiteral("支出类")}, true},
    };
    return pages;
}

AccountPage accountPageOf(int functionCode) {
    switch (functionCode) {
        case 101303:  // 期初现金银行
        case 300701:  // 现金银行
            return AccountPage::CashBank;
        case 101304:  // 期初固定资产
        case 300702:  // 固定资产清单
            return AccountPage::FixedAssets;
        case 300703:  // 收入类型
            return AccountPage::Income;
        case 300704:  // 费用类型
            return AccountPage::Expenses;
        default:  // 101305 期初财务数据, 300709 财务科目余额
            return AccountPage::All;
    }
}

bool accountBalanceView(int functionCode) {
    return functionCode / 100 == 3007;
}

QString accountRolesSql() {
    return QStringLiteral("SELECT name, km_id FROM sysSubjectInterface WHERE type = 0");
}

ParamList accountParams(qint64 operatorId, qint64 parentId, qint64 accountId) {
    const QString czy = op(operatorId);
    ParamList p;
    p.setValue(QStringLiteral("QueryType"), QStringLiteral("KM"));
    p.setValue(QStringLiteral("kmStr"),
               czy + (accountId > 0 ? QStringLiteral(";id=") + QString::number(accountId)
                                    : QStringLiteral(";par_id=") + QString::number(parentId)));
    return p;
}

QString accountRowFilter() {
    return QStringLiteral("InterfaceKMName <> ") + quotedStr(QStringLiteral("预收账款")) +
           QStringLiteral(" and InterfaceKMName <> ") + quotedStr(QStringLiteral("预付账款"));
}

QString accountRefusal(qint64 sonnum, const QString& interfaceRole) {
    if (sonnum > 0)
        return text::totalRow();
    // These follow from the opening stock, the partners, the profit and the asset cards.
    static const QStringList computed = {QStringLiteral("库存商品"), QStringLiteral("应收账款"),
                                         QStringLiteral("应付账款"), QStringLiteral("预收账款"),
                                         QStringLiteral("预付账款"), QStringLiteral("本年利润"),
                                         QStringLiteral("固定资产")};
    if (computed.contains(interfaceRole.trimmed()))
        return text::computedRow();
    return {};
}

ParamList accountSave(qint64 accountId, double total, int totalDot) {
    ParamList p;
    p.setInt(QStringLiteral("id"), accountId);
    p.setValue(QStringLiteral("Total"), figure(total, totalDot));
    return p;
}

}  // namespace dyt::client::opening
