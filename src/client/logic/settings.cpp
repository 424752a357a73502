#include "client/logic/settings.h"

#include <functional>

#include "client/logic/dmmain.h"
#include "client/logic/lookups.h"
#include "client/logic/prompter.h"
#include "common/error.h"
#include "common/recordset.h"
#include "common/rounding.h"

namespace dyt::client {

namespace {

TSettings& instance() {
    static TSettings s;
    return s;
}

// An integer setting: blank text reads as 0, anything else that is not an integer is refused.
int toInt(const QString& name, const QString& value) {
    const QString t = value.trimmed();
    if (t.isEmpty())
        return 0;
    bool ok = false;
    const int v = t.toInt(&ok);
    if (!ok)
        throw DytError(QStringLiteral("系统参数[%1]的值[%2]不是整数").arg(name, value));
    return v;
}

double toDouble(const QString& name, const QString& value) {
    const QString t = value.trimmed();
    if (t.isEmpty())
        return 0;
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok)
        throw DytError(QStringLiteral("系统参数[%1]的值[%2]不是数字").arg(name, value));
    return v;
}

// A flag stored as 1.
bool isOne(const QString& value) {
    bool ok = false;
    return value.trimmed().toInt(&ok) == 1 && ok;
}

using Setter = std::function<void(TSettings&, const QString& name, const QString& value)>;

Setter intSetter(int TSettings::*member) {
    return [member](TSettings& s, const QString& n, const QString& v) { s.*member = toInt(n, v); };
}
Setter textSetter(QString TSettings::*member) {
    return [member](TSettings& s, const QString&, const QString& v) { s.*member = v; };
}
Setter flagSetter(bool TSettings::*member) {
    return [member](TSettings& s, const QString&, const QString& v) { s.*member = isOne(v); };
}

// The known sysData names (lower case) and what each sets.
const QHash<QString, Setter>& sysDataSetters() {
    static const QHash<QString, Setter> table = [] {
        QHash<QString, Setter> t;
        auto add = [&t](const QString& name, Setter setter) {
            t.insert(name.toLower(), std::move(setter));
        };
        add(QStringLiteral("CurrentYear"), intSetter(&TSettings::CurrentYear));
        add(QStringLiteral("单位全名"), textSetter(&TSettings::CompanyFullName));
        add(QStringLiteral("单位简名"), textSetter(&TSettings::CompanyShortName));
        add(QStringLiteral("单位地址"), textSetter(&TSettings::CompanyAddress));
        add(QStringLiteral("开户银行及账号"), textSetter(&TSettings::BankAccount));
        add(QStringLiteral("税务登记号"), textSetter(&TSettings::TaxNumber));
        add(QStringLiteral("传真号码"), textSetter(&TSettings::FaxNumber));
        add(QStringLiteral("法人代表"), textSetter(&TSettings::LegalPerson));
        add(QStringLiteral("单位邮编"), textSetter(&TSettings::PostCode));
        add(QStringLiteral("电话号码"), textSetter(&TSettings::PhoneNumber));
        add(QStringLiteral("单位备注"), textSetter(&TSettings::CompanyNote));
        add(QStringLiteral("period"), intSetter(&TSettings::Period));
        add(QStringLiteral("JxcPeriodNow"), intSetter(&TSettings::JxcPeriodNow));
        add(QStringLiteral("isOpen"), intSetter(&TSettings::IsOpen));
        add(QStringLiteral("sysIni"), [](TSettings& s, const QString&, const QString& v) {
            s.SysIni = v.compare(QLatin1String("t"), Qt::CaseInsensitive) == 0;
        });
        add(QStringLiteral("RPPeriod"), intSetter(&TSettings::RPPeriod));
        add(QStringLiteral("RPInitOver"), flagSetter(&TSettings::RPInitOver));
        add(QStringLiteral("OpenPeriod"), intSetter(&TSettings::OpenPeriod));
        add(QStringLiteral("EnterpriseType"), [](TSettings& s, const QString&, const QString& v) {
            s.EnterpriseType = v;
            if (v.compare(QLatin1String("c2006"), Qt::CaseInsensitive) == 0)
                s.EnterpriseCode = 97;
            else if (v.compare(QLatin1String("gy"), Qt::CaseInsensitive) == 0)
                s.EnterpriseCode = 103;
            else
                s.EnterpriseCode = 78;
            s.WageSubjectName = QStringLiteral("应付职工薪酬");
        });
        add(QStringLiteral("inidate"), textSetter(&TSettings::IniDate));
        add(QStringLiteral("AutoSN"), flagSetter(&TSettings::AutoSN));
        for (int i = 1; i <= 9; ++i) {
            add(QStringLiteral("kmLength%1").arg(i),
                [i](TSettings& s, const QString& n, const QString& v) {
                    s.kmLength[i - 1] = toInt(n, v);
                });
        }
        add(QStringLiteral("TaxIniJe"),
            [](TSettings& s, const QString& n, const QString& v) { s.TaxIniJe = toDouble(n, v); });
        add(QStringLiteral("showCount"), intSetter(&TSettings::ShowCount));
        add(QStringLiteral("Aklfs"), intSetter(&TSettings::Aklfs));
        add(QStringLiteral("AGZFPType"), intSetter(&TSettings::AGZFPType));
        add(QStringLiteral("PZType"), intSetter(&TSettings::PZType));
        add(QStringLiteral("系统使用负库存"), flagSetter(&TSettings::NegativeStock));
        add(QStringLiteral("本地快速打印"), flagSetter(&TSettings::QuickLocalPrint));
        add(QStringLiteral("成本算法"), intSetter(&TSettings::CostAlgorithm));
        add(QStringLiteral("自动备份天数"), intSetter(&TSettings::AutoBackupDays));
        add(QStringLiteral("收付款结算方式"), intSetter(&TSettings::SettlementMode));
        add(QStringLiteral("零售模式"), intSetter(&TSettings::RetailMode));
        add(QStringLiteral("pricedot"), intSetter(&TSettings::PriceDot));
        add(QStringLiteral("taxdot"), intSetter(&TSettings::TaxDot));
        add(QStringLiteral("totaldot"), intSetter(&TSettings::TotalDot));
        add(QStringLiteral("qtydot"), intSetter(&TSettings::QtyDot));
        add(QStringLiteral("discountdot"), intSetter(&TSettings::DiscountDot));
        add(QStringLiteral("保质期提前报警天数"), intSetter(&TSettings::ShelfLifeWarnDays));
        add(QStringLiteral("超期应收款提前报警天数"), intSetter(&TSettings::ReceivableWarnDays));
        add(QStringLiteral("超期应付款提前报警天数"), intSetter(&TSettings::PayableWarnDays));
        add(QStringLiteral("进货订单提前报警天数"), intSetter(&TSettings::PurchaseOrderWarnDays));
        add(QStringLiteral("销售订单提前报警天数"), intSetter(&TSettings::SalesOrderWarnDays));
        add(QStringLiteral("默认单据行数"), intSetter(&TSettings::DefaultBillRows));
        add(QStringLiteral("扩展参考价格"), flagSetter(&TSettings::ExtraReferencePrices));
        add(QStringLiteral("销售单默认收款账户ID"),
            [](TSettings& s, const QString&, const QString& v) {
                bool ok = false;
                const int id = v.trimmed().toInt(&ok);
                s.SalesReceiptAccountId = ok ? id : 0;
            });
        add(QStringLiteral("销售单默认收款账户名"),
            textSetter(&TSettings::SalesReceiptAccountName));
        add(QStringLiteral("销售单默认收款金额"), flagSetter(&TSettings::SalesDefaultReceipt));
        return t;
    }();
    return table;
}

// Runs a query through the data module.
RecordSet query(const QString& sql) {
    TdmMain* dm = &dataModule();
    RecordSet rs;
    dm->ExecQuery(sql, &rs);
    return rs;
}

int fieldInt(RecordSet& rs, const QString& name) {
    return rs.hasField(name) ? static_cast<int>(rs.integer(name)) : 0;
}

QString fieldText(RecordSet& rs, const QString& name) {
    return rs.hasField(name) ? rs.text(name) : QString();
}

}  // namespace

bool TSettings::isFlagSwitch(int id) {
    switch (id) {
        case 2002:
        case 2004:
        case 2005:
        case 2007:
        case 2008:
        case 2010:
        case 2012:
            return true;
        default:
            break;
    }
    return (id >= 2014 && id <= 2021) || (id >= 2023 && id <= 2032) || (id >= 2034 && id <= 2037) ||
           (id >= 2039 && id <= 2042);
}

QString TSettings::FieldCaption(const QString& code) const {
    return FieldCaptions.value(code.trimmed().toLower());
}

bool TSettings::applySysData(const QString& name, const QString& value) {
    const auto& table = sysDataSetters();
    const auto it = table.constFind(name.trimmed().toLower());
    if (it == table.constEnd())
        return false;
    it.value()(*this, name.trimmed(), value);
    return true;
}

void TSettings::applySysData(RecordSet& rows) {
    for (rows.first(); !rows.eof(); rows.next())
        applySysData(rows.text(QStringLiteral("Name")), rows.text(QStringLiteral("sysValue")));
}

void TSettings::buildPatterns() {
    PricePattern = decimalPattern(PriceDot);
    RatioPattern = decimalPattern(TaxDot);
    AmountPattern = decimalPattern(TotalDot);
    QtyPattern = decimalPattern(QtyDot);
    DiscountPattern = decimalPattern(DiscountDot);
}

void TSettings::applySysConf(int id, const QString& value) {
    if (id == 2001) {
        Conf2001 = toInt(QStringLiteral("2001"), value);
        return;
    }
    if (isFlagSwitch(id))
        switches_.insert(id, isOne(value));
}

void TSettings::applySysConf(RecordSet& rows) {
    for (rows.first(); !rows.eof(); rows.next()) {
        applySysConf(static_cast<int>(rows.integer(QStringLiteral("id"))),
                     rows.text(QStringLiteral("sysValue")));
    }
}

void TSettings::forceSwitchesOff() {
    for (int id : forcedOffSwitches())
        switches_.insert(id, false);
}

void TSettings::setLoginDateTexts(const QDate& loginDate) {
    LoginDateText = sqlDateText(loginDate);
    LoginDateFromText = sqlDateText(loginDate.addDays(-30));
}

void TSettings::applyFieldNames(RecordSet& rows) {
    QHash<QString, QString> captions;
    for (rows.first(); !rows.eof(); rows.next()) {
        captions.insert(rows.text(QStringLiteral("code")).trimmed().toLower(),
                        rows.text(QStringLiteral("name")));
    }
    FieldCaptions = captions;
}

void TSettings::applyAuditSteps(RecordSet& rows) {
    QMap<int, AuditSteps> steps;
    for (rows.first(); !rows.eof(); rows.next()) {
        AuditSteps a;
        a.inputNum = fieldInt(rows, QStringLiteral("inputnum"));
        for (int i = 0; i < 5; ++i)
            a.names[i] = fieldText(rows, QStringLiteral("InputName%1").arg(i + 1));
        for (int i = 1; i < 5; ++i)
            a.operatorIds[i] = fieldInt(rows, QStringLiteral("InputID%1").arg(i + 1));
        steps.insert(static_cast<int>(rows.integer(QStringLiteral("id"))), a);
    }
    BillAuditSteps = steps;
}

QString TSettings::periodText() const {
    if (Period > 0 && IsOpen != 0)
        return QStringLiteral("会计期间：") + QString::number(Period) + QStringLiteral(" 月");
    return QStringLiteral("期初");
}

TSettings& settings() {
    return instance();
}

void resetSettings() {
    instance() = TSettings();
}

const QList<int>& loadedRights() {
    static const QList<int> ids{6003, 6004, 6005, 6006, 6007, 6009, 6010, 6013, 6016, 6017};
    return ids;
}

const QList<int>& forcedOffSwitches() {
    static const QList<int> ids{2005, 2028, 2029, 2030};
    return ids;
}

bool LoadSettings() {
    TSettings& s = instance();
    try {
        RecordSet rs = query(QStringLiteral("SELECT * FROM sysData"));
        s.applySysData(rs);
        s.buildPatterns();

        rs = query(QStringLiteral("SELECT * FROM sysConf"));
        s.applySysConf(rs);
        s.forceSwitchesOff();

        for (int id : loadedRights()) {
            const bool has = GetPurview(QString::number(id));
            if (id == 6003)
                s.SeeCost = has;
            else if (id == 6016)
                s.setRight(id, !has);
            else
                s.setRight(id, has);
        }

        s.setLoginDateTexts(s.LoginDate.isValid() ? s.LoginDate : QDate::currentDate());

        try {
            rs = query(QStringLiteral("SELECT * FROM baseFieldNames"));
            s.applyFieldNames(rs);
        } catch (const DytError& e) {
            if (e.message() == silentErrorText())
                throw;
            prompter().message(caption::hint(),
                               QStringLiteral("读取基本信息字段配置信息失败:") + e.message());
        }
        try {
            rs = query(QStringLiteral("SELECT * FROM sysdjb"));
            s.applyAuditSteps(rs);
        } catch (const DytError& e) {
            if (e.message() == silentErrorText())
                throw;
            prompter().message(caption::hint(),
                               QStringLiteral("读取单据审核配置信息失败:") + e.message());
        }

        rs = query(QStringLiteral("SELECT TOP 1 id  FROM baseCuXiao WHERE isStop = 0"));
        s.HasPromotions = rs.recordCount() > 0;
        rs = query(QStringLiteral(
                       "SELECT TOP 1 a.id FROM djIndex AS a WHERE a.dj_state = 2 AND a.djType = ") +
                   QString::number(71));
        s.HasGiftContractDrafts = rs.recordCount() > 0;
        rs = query(QStringLiteral("SELECT dbo.fnGetInterfaceKMID('预收账款') as yushoukm_id "));
        if (rs.recordCount() > 0)
            s.AdvanceReceiptSubjectId = fieldInt(rs, QStringLiteral("yushoukm_id"));
    } catch (const DytError& e) {
        if (e.message() != silentErrorText())
            prompter().message(caption::hint(), QStringLiteral("读取配置信息失败:") + e.message());
        return false;
    }
    s.StatusPeriodText = s.periodText();
    s.Loaded = true;
    return true;
}

std::function<bool()>& settingsReloader() {
    static std::function<bool()> reloader;
    return reloader;
}

bool ReloadSettings() {
    const std::function<bool()>& reloader = settingsReloader();
    return reloader ? reloader() : LoadSettings();
}

}  // namespace dyt::client
