#include "client/logic/sysconf.h"

#include "client/logic/settings.h"

namespace dyt::client::sysconf {

namespace {

QString flag(bool on) {
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

}  // namespace

QStringList costAlgorithms() {
    return {QStringLiteral("不使用同一成本算法"), QStringLiteral("移动加权平均法"),
            QStringLiteral("手工指定法"), QStringLiteral("先进先出法"),
            QStringLiteral("后进先出法")};
}

QStringList settlementModes() {
    return {QStringLiteral("按单据结算"), QStringLiteral("按金额结算")};
}

QStringList retailModes() {
    return {QStringLiteral("零售POS模式"), QStringLiteral("普通零售模式")};
}

Options fromSettings(const TSettings& s) {
    Options o;
    o.company = {s.PostCode,    s.CompanyAddress,   s.PhoneNumber, s.CompanyFullName,
                 s.LegalPerson, s.CompanyShortName, s.BankAccount, s.FaxNumber,
                 s.TaxNumber,   s.CompanyNote};
    o.negativeStock = s.NegativeStock;
    o.quickPrint = s.QuickLocalPrint;
    o.costAlgorithm = s.CostAlgorithm;
    o.backupDays = s.AutoBackupDays;
    o.settlementMode = s.SettlementMode;
    o.retailMode = s.RetailMode;
    o.dots = {s.QtyDot, s.PriceDot, s.TotalDot, s.DiscountDot, s.TaxDot};
    o.billRows = s.DefaultBillRows;
    o.receiptAccountId = s.SalesReceiptAccountId;
    o.receiptAccountName = s.SalesReceiptAccountName;
    o.defaultReceipt = s.SalesDefaultReceipt;
    return o;
}

ParamList companyParams(const Options& o) {
    ParamList p;
    for (std::size_t i = 0; i < kCompanyFields.size(); ++i)
        p.setValue(QString::fromLatin1(kCompanyFields[i].parameter), o.company[i]);
    return p;
}

QList<std::pair<QString, QString>> optionRows(const Options& o) {
    return {{QStringLiteral("系统使用负库存"), flag(o.negativeStock)},
            {QStringLiteral("本地快速打印"), flag(o.quickPrint)},
            {QStringLiteral("成本算法"), QString::number(o.costAlgorithm)},
            {QStringLiteral("自动备份天数"), QString::number(o.backupDays)},
            {QStringLiteral("收付款结算方式"), QString::number(o.settlementMode)},
            {QStringLiteral("零售模式"), QString::number(o.retailMode)}};
}

QList<std::pair<QString, QString>> dotRows(const Options& o) {
    return {{QStringLiteral("pricedot"), QString::number(o.dots[Price])},
            {QStringLiteral("taxdot"), QString::number(o.dots[Tax])},
            {QStringLiteral("totaldot"), QString::number(o.dots[Total])},
            {QStringLiteral("qtydot"), QString::number(o.dots[Qty])},
            {QStringLiteral("discountdot"), QString::number(o.dots[Discount])}};
}

QList<std::pair<QString, QString>> tailRows(const Options& o) {
    return {{QStringLiteral("默认单据行数"), QString::number(o.billRows)},
            {QStringLiteral("销售单默认收款账户ID"), QString::number(o.receiptAccountId)},
            {QStringLiteral("销售单默认收款账户名"), o.receiptAccountName},
            {QStringLiteral("销售单默认收款金额"), flag(o.defaultReceipt)}};
}

ParamList rowParams(const std::pair<QString, QString>& row) {
    ParamList p;
    p.setValue(QStringLiteral("Name"), row.first);
    p.setValue(QStringLiteral("DefValue"), row.second);
    return p;
}

DotCheck checkDots(const std::array<int, DotCount>& current,
                   const std::array<int, DotCount>& wanted, bool opened) {
    bool longer = false;
    for (int i = 0; i < DotCount; ++i) {
        if (opened && wanted[i] < current[i])
            return DotCheck::Refuse;
        longer = longer || wanted[i] > current[i];
    }
    return longer ? DotCheck::AskLonger : DotCheck::Store;
}

QString switchesSql() {
    return QStringLiteral(
        "SELECT * FROM sysConf  WHERE type = 1 and isuse = 1 AND ID IN "
        "(-1,'2006','2009','2010','2011','2012','2013','2014','2015','2016','2027')  ORDER BY "
        "name");
}

QString switchUpdateSql(qint64 id, bool on) {
    return QStringLiteral("Update sysconf set sysvalue = ") + flag(on) +
           QStringLiteral("  where id = ") + QString::number(id);
}

}  // namespace dyt::client::sysconf
