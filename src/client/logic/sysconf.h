#pragma once
// The account-set options ("用户配置") apart from their widgets: the values the dialog edits, read
// from the loaded settings, the parameter lines and statements that store them, and the rule
// for the decimal places.

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <utility>

#include "client/logic/fixedtext.h"
#include "common/paramlist.h"

namespace dyt::client {

class TSettings;

namespace sysconf {

inline constexpr FixedText caption{u"用户配置"};
inline constexpr FixedText companyPage{u"用户注册"};
inline constexpr FixedText switchesPage{u"录单配置"};
inline constexpr FixedText optionsPage{u"系统配置"};
inline constexpr FixedText saveButton{u"保存(&S)"};
inline constexpr FixedText warning{
    u"特别提示：修改小数点位数前，必须先退出其它客户端程序，否则会导致数据混乱！"};
inline constexpr FixedText saved{u"保存成功！"};
inline constexpr FixedText saveFailed{u"信息保存失败："};
inline constexpr FixedText askSaveSwitches{u"是否保存你已经修改的配置？"};
inline constexpr FixedText noShorterDots{u"系统已经开账，不能缩短小数位数！"};
inline constexpr FixedText askLongerDots{
    u"小数位数放长后，系统开账后将不能缩短\r\n是否确定放长小数位数？"};
inline constexpr FixedText companyProcedure{u"p_sys_Up_DataWLDW"};
inline constexpr FixedText rowProcedure{u"P_SYS_Up_DataRow"};
inline constexpr FixedText receiptAccountKind{u"skkm"};

// The company fields of the first page in the order shown: caption and parameter name.
struct CompanyField {
    const char16_t* caption;
    const char* parameter;
};
inline constexpr std::array<CompanyField, 10> kCompanyFields{{
    {u"邮政编码", "PostCode"},
    {u"单位地址", "address"},
    {u"电话号码", "tel"},
    {u"单位全名", "companyfullname"},
    {u"法人代表", "LegalMan"},
    {u"单位简名", "companyname"},
    {u"开户银行", "bankandtaxno"},
    {u"传真号码", "FaxNo"},
    {u"税    号", "taxno"},
    {u"备注信息", "UnitMemo"},
}};

// The decimal places in the order shown ("数量", "单价", "金额", "折扣", "税率").
enum Dot { Qty, Price, Total, Discount, Tax, DotCount };
inline constexpr std::array<const char16_t*, DotCount> kDotCaptions{u"数量", u"单价", u"金额",
                                                                    u"折扣", u"税率"};
inline constexpr int kMaxDots = 8;

// The cost algorithms (stored value = index - 1), settlement and retail modes (stored value =
// index).
QStringList costAlgorithms();
QStringList settlementModes();
QStringList retailModes();

struct Options {
    std::array<QString, 10> company;  // in the order of kCompanyFields
    bool negativeStock = false;
    bool quickPrint = false;
    int costAlgorithm = 0;  // -1 … 3
    int backupDays = 0;     // less than 1: at every exit
    int settlementMode = 0;
    int retailMode = 0;
    std::array<int, DotCount> dots{};
    int billRows = 50;
    qint64 receiptAccountId = 0;
    QString receiptAccountName;
    bool defaultReceipt = false;
};

Options fromSettings(const TSettings& s);

// Step 1: the company lines of p_sys_Up_DataWLDW, each text unchanged.
ParamList companyParams(const Options& o);
// The settings stored one by one with P_SYS_Up_DataRow (Name, DefValue): the options before
// the decimal places, the decimal places, and the options after them.
QList<std::pair<QString, QString>> optionRows(const Options& o);
QList<std::pair<QString, QString>> dotRows(const Options& o);
QList<std::pair<QString, QString>> tailRows(const Options& o);
ParamList rowParams(const std::pair<QString, QString>& row);

// What the decimal places ask before they are stored.
enum class DotCheck { Store, AskLonger, Refuse };
DotCheck checkDots(const std::array<int, DotCount>& current,
                   const std::array<int, DotCount>& wanted, bool opened);

// The switches of the second page, and the statement that stores one row.
QString switchesSql();
QString switchUpdateSql(qint64 id, bool on);

}  // namespace sysconf
}  // namespace dyt::client
