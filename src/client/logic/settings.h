#pragma once
// The account-set settings: read from the server once after every login (LoadSettings) and kept
// in one process-wide object that every window consults. Values arrive as rows of sysData
// (Name, sysValue) and sysConf (id, sysValue), the operator's rights through fnGetPurview, the
// captions of base-data fields from baseFieldNames and the audit steps of each bill type from
// sysdjb.

#include <QDate>
#include <QHash>
#include <QList>
#include <QMap>
#include <QString>

#include <functional>

namespace dyt {
class RecordSet;
}

namespace dyt::client {

// The input and audit steps of one bill type (sysdjb).
struct AuditSteps {
    int inputNum = 0;      // number of input/audit steps
    QString names[5];      // InputName1 … InputName5
    int operatorIds[5]{};  // InputID2 … InputID5 in [1] … [4]; [0] stays 0
};

class TSettings {
public:
    // --- sysData
    int CurrentYear = 0;
    QString CompanyFullName;   // "单位全名"
    QString CompanyShortName;  // "单位简名"
    QString CompanyAddress;    // "单位地址"
    QString BankAccount;       // "开户银行及账号"
    QString TaxNumber;         // "税务登记号"
    QString FaxNumber;         // "传真号码"
    QString LegalPerson;       // "法人代表"
    QString PostCode;          // "单位邮编"
    QString PhoneNumber;       // "电话号码"
    QString CompanyNote;       // "单位备注"
    int Period = 0;
    int JxcPeriodNow = 0;
    int IsOpen = 0;
    bool SysIni = false;
    int RPPeriod = 0;
    bool RPInitOver = false;
    int OpenPeriod = 0;
    QString EnterpriseType;
    int EnterpriseCode = 78;  // 97 "c2006", 103 "gy", 78 otherwise
    QString WageSubjectName;  // "应付职工薪酬" once the enterprise type is read
    QString IniDate;          // "yyyy-mm-dd"
    bool AutoSN = false;
    int kmLength[9]{};  // kmLength1 … kmLength9
    double TaxIniJe = 0;
    int ShowCount = 0;
    int Aklfs = 0;
    int AGZFPType = 0;
    int PZType = 0;
    bool NegativeStock = false;        // "系统使用负库存"
    bool QuickLocalPrint = false;      // "本地快速打印"
    int CostAlgorithm = 0;             // "成本算法"
    int AutoBackupDays = 0;            // "自动备份天数"
    int SettlementMode = 0;            // "收付款结算方式"
    int RetailMode = 0;                // "零售模式"
    int PriceDot = 2;                  // pricedot
    int TaxDot = 2;                    // taxdot
    int TotalDot = 2;                  // totaldot
    int QtyDot = 2;                    // qtydot
    int DiscountDot = 2;               // discountdot
    int ShelfLifeWarnDays = 0;         // "保质期提前报警天数"
    int ReceivableWarnDays = 0;        // "超期应收款提前报警天数"
    int PayableWarnDays = 0;           // "超期应付款提前报警天数"
    int PurchaseOrderWarnDays = 0;     // "进货订单提前报警天数"
    int SalesOrderWarnDays = 0;        // "销售订单提前报警天数"
    int DefaultBillRows = 0;           // "默认单据行数"
    int SalesReceiptAccountId = 0;     // "销售单默认收款账户ID"
    QString SalesReceiptAccountName;   // "销售单默认收款账户名"
    bool SalesDefaultReceipt = false;  // "销售单默认收款金额"
    bool ExtraReferencePrices = false;  // "扩展参考价格": the stock status report's extra prices

    // --- number patterns built from the decimal places
    QString PricePattern = QStringLiteral("0.00");
    QString RatioPattern = QStringLiteral("0.00");
    QString AmountPattern = QStringLiteral("0.00");
    QString QtyPattern = QStringLiteral("0.00");
    QString DiscountPattern = QStringLiteral("0.00");

    // --- sysConf
    int Conf2001 = 0;
    // The flag switches by id; an id never loaded is off.
    bool Switch(int id) const { return switches_.value(id, false); }
    void setSwitch(int id, bool on) { switches_.insert(id, on); }
    // True for the ids stored as flags (2002, 2004, 2005, …).
    static bool isFlagSwitch(int id);

    // --- rights of the operator
    bool SeeCost = false;  // right 6003
    // Rights 6004, 6005, 6006, 6007, 6009, 6010, 6013, 6017 as read; 6016 inverted (on when the
    // operator lacks it).
    bool Right(int id) const { return rights_.value(id, false); }
    void setRight(int id, bool on) { rights_.insert(id, on); }

    // --- login date
    QDate LoginDate;            // set by the login; today when not set
    QString LoginDateText;      // "yyyy-mm-dd"
    QString LoginDateFromText;  // the login date minus 30 days

    // --- field captions and audit steps
    QHash<QString, QString> FieldCaptions;  // code (lower case) -> caption
    QString FieldCaption(const QString& code) const;
    QMap<int, AuditSteps> BillAuditSteps;  // by bill type

    // --- further values
    bool HasPromotions = false;
    bool HasGiftContractDrafts = false;
    int AdvanceReceiptSubjectId = 0;

    // The text of status bar panel 5.
    QString StatusPeriodText;
    // True after a load that ran to its end.
    bool Loaded = false;

    // --- the loading steps, each usable alone
    // Stores one sysData row; unknown names are ignored. Returns true when the name was known.
    bool applySysData(const QString& name, const QString& value);
    void applySysData(RecordSet& rows);
    void buildPatterns();
    // Stores one sysConf row; ids not listed are ignored.
    void applySysConf(int id, const QString& value);
    void applySysConf(RecordSet& rows);
    void forceSwitchesOff();
    void setLoginDateTexts(const QDate& loginDate);
    void applyFieldNames(RecordSet& rows);
    void applyAuditSteps(RecordSet& rows);
    // "会计期间：" + period + " 月" for an opened account set with a period, else "期初".
    QString periodText() const;

private:
    QHash<int, bool> switches_;
    QHash<int, bool> rights_;
};

// The process's settings.
TSettings& settings();
// Back to the values before any load (a new login starts from these).
void resetSettings();

// The rights LoadSettings reads, in order (6003 first).
const QList<int>& loadedRights();
// The ids of sysConf forced off after loading.
const QList<int>& forcedOffSwitches();

// Runs the whole load against the data module: sysData, patterns, sysConf, rights, login date
// texts, field captions, audit steps, further values and the period text (StatusPeriodText, for
// status bar panel 5). The login date is settings().LoginDate, today when the login left it
// unset. Failures are shown
// (caption "提示") and give false; the values stored so far stay.
bool LoadSettings();

// The load after a window changed the account set's state (opening it for business or taking it
// back): the reloader the main window installed, which also refreshes what it shows of the
// settings, or LoadSettings() when none is installed. Gives what the load gives.
std::function<bool()>& settingsReloader();
bool ReloadSettings();

}  // namespace dyt::client
