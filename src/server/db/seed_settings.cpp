// Settings of a new account set: sysData values, the sysConf switches and the current period.

#include <QDate>

#include "server/db/schema_internal.h"

namespace dyt::server::schema::detail {
namespace {

struct Setting {
    const char* name;
    const char* value;  // nullptr: filled from the context below
    const char* comment;
};

// The sysData rows, in id order from 1. Values marked nullptr depend on the account set and the
// date of creation.
const Setting kSettings[] = {
    {"CurrentYear", nullptr, "当前业务年度"},
    {"单位全名", nullptr, "单位全名"},
    {"单位简名", nullptr, "单位简名"},
    {"单位地址", "", "单位地址"},
    {"开户银行及账号", "", "开户银行及账号"},
    {"税务登记号", "", "税务登记号"},
    {"传真号码", "", "传真号码"},
    {"法人代表", "", "法人代表"},
    {"单位邮编", "", "单位邮编"},
    {"电话号码", "", "电话号码"},
    {"单位备注", "", "单位备注"},
    {"period", nullptr, "当前会计期间（月份）"},
    {"JxcPeriodNow", "1", "当前进销存期间（sysPeriod 月份行的 id）"},
    {"isOpen", "0", "是否已开账：0 期初，1 已开账"},
    {"sysIni", "f", "初始化标志：t 已初始化"},
    {"RPPeriod", nullptr, "应收应付期间"},
    {"RPInitOver", "0", "应收应付期初完成：1 完成"},
    {"OpenPeriod", nullptr, "开账期间"},
    {"EnterpriseType", "xqy", "企业类型：c2006、gy、xqy"},
    {"inidate", nullptr, "开账日期"},
    {"AutoSN", "1", "单据自动编号：1 是"},  // id 208042000, see below
    {"kmLength1", "1", "科目编码第1级长度"},
    {"kmLength2", "2", "科目编码第2级长度"},
    {"kmLength3", "2", "科目编码第3级长度"},
    {"kmLength4", "2", "科目编码第4级长度"},
    {"kmLength5", "2", "科目编码第5级长度"},
    {"kmLength6", "2", "科目编码第6级长度"},
    {"kmLength7", "2", "科目编码第7级长度"},
    {"kmLength8", "2", "科目编码第8级长度"},
    {"kmLength9", "2", "科目编码第9级长度"},
    {"TaxIniJe", "0", "期初税额"},
    {"showCount", "0", "显示数量设置"},
    {"Aklfs", "0", "会计选项"},
    {"AGZFPType", "0", "会计选项"},
    {"PZType", "0", "凭证类型"},
    {"系统使用负库存", "0", "1 允许负库存（只适用于加权平均算法）"},
    {"本地快速打印", "0", "1 本地快速打印"},
    {"成本算法", "0",
     "-1 不使用同一成本算法，0 移动加权平均法，1 手工指定法，2 先进先出法，3 后进先出法"},
    {"自动备份天数", "7", "自动备份间隔天数；小于1时每次退出时备份"},
    {"自动备份日期", nullptr, "上次自动备份日期"},
    {"收付款结算方式", "0", "0 按单据结算，1 按金额结算"},
    {"零售模式", "1", "0 零售POS模式，1 普通零售模式"},
    {"pricedot", "2", "单价小数位数"},
    {"taxdot", "2", "税率小数位数"},
    {"totaldot", "2", "金额小数位数"},
    {"qtydot", "2", "数量小数位数"},
    {"discountdot", "2", "折扣小数位数"},
    {"保质期提前报警天数", "30", "保质期提前报警天数"},
    {"超期应收款提前报警天数", "7", "超期应收款提前报警天数"},
    {"超期应付款提前报警天数", "7", "超期应付款提前报警天数"},
    {"进货订单提前报警天数", "3", "进货订单提前报警天数"},
    {"销售订单提前报警天数", "3", "销售订单提前报警天数"},
    {"默认单据行数", "50", "新单据的默认行数（50 到 500）"},
    {"销售单默认收款账户ID", "0", "销售单默认收款账户（baseKM.id，0 无）"},
    {"销售单默认收款账户名", "", "销售单默认收款账户名称"},
    {"销售单默认收款金额", "0", "1 销售单收款金额默认为单据金额"},
    {"扩展参考价格", "1", "1 库存状况表的参考单价另列最近售价、最低售价、最近进价"},
};

// The numbering rules of the numbering settings window, at fixed ids.
struct Rule {
    long long id;
    const char* name;
    const char* value;
    const char* comment;
};
const Rule kNumberingRules[] = {
    {208042001, "单据编号规则一", "1", "0 所有单据连续编号，1 一种单据连续编号"},
    {208042002, "单据编号规则二", "0",
     "0 编号不能作废，使用后立即生效；1 编号可以作废，过帐后才生效；2 编号可以作废，保存后才生效"},
    {208042003, "单据编号规则三", "0", "0 全年编号连续，1 每月编号连续，2 每日编号连续"},
    {208042004, "单据编号规则四", "0", "1 在单据编号前增加机器号"},
};
const long long kAutoSnId = 208042000;

// Bill-entry switches. type 1: edited in the options dialog. isuse 0: reserved, read by nobody.
struct Switch {
    int id;
    const char* name;
    const char* value;
    int type;
    int isuse;
};
const Switch kSwitches[] = {
    {2001, "单据默认价格类型", "0", 0, 1},
    {2002, "销售时检查虚拟负库存", "0", 0, 1},
    {2003, "保留选项2003", "0", 0, 0},
    {2004, "使用基本信息授权控制", "0", 0, 1},
    {2005, "启用多币种", "0", 0, 1},
    {2006, "录单时商品价格取最近价格", "0", 1, 1},
    {2007, "允许修改他人的草稿", "0", 0, 1},
    {2008, "录单时经手人默认为当前操作员", "0", 0, 1},
    {2009, "录单时显示商品库存数量", "1", 1, 1},
    {2010, "单据保存过账后才能打印", "0", 1, 1},
    {2011, "单据保存后立即打印", "0", 1, 1},
    {2012, "销售时检查负库存", "1", 1, 1},
    {2013, "扫描条码时合并相同商品数量", "0", 1, 1},
    {2014, "单据编号不允许手工修改", "0", 1, 1},
    {2015, "保存时检查单据编号重复", "1", 1, 1},
    {2016, "单据编号不能为空", "1", 1, 1},
    {2017, "登入系统时弹出报警窗口", "0", 0, 1},
    {2018, "进货单使用运费分配", "1", 0, 1},
    {2019, "销售单使用代收款", "1", 0, 1},
    {2020, "单据使用自定义项", "0", 0, 1},
    {2021, "单据使用商品批号", "0", 0, 1},
    {2022, "保留选项2022", "0", 0, 0},
    {2023, "制单日期与系统日期不一致时提示", "0", 0, 1},
    {2024, "录单时显示零售价", "1", 0, 1},
    {2025, "过账时计算销售提成", "0", 0, 1},
    {2026, "销售单使用介绍人", "0", 0, 1},
    {2027, "经手人必须录入", "0", 1, 1},
    {2028, "部门必须录入", "0", 0, 1},
    {2029, "使用副单位", "0", 0, 1},
    {2030, "单据明细使用行仓库", "0", 0, 1},
    {2031, "启用开票管理", "0", 0, 1},
    {2032, "启用配送管理", "0", 0, 1},
    {2033, "保留选项2033", "0", 0, 0},
    {2034, "单据保存后继续录入新单据", "1", 0, 1},
    {2035, "销售价格低于进价、成本或最低售价时提示", "1", 0, 1},
    {2036, "进价异常时提示", "0", 0, 1},
    {2037, "启用促销协议", "1", 0, 1},
    {2038, "保留选项2038", "0", 0, 0},
    {2039, "进货时检查库存上限", "0", 0, 1},
    {2040, "销售时检查库存下限", "0", 0, 1},
    {2041, "进货时检查应付款上限", "1", 0, 1},
    {2042, "销售时检查应收款上限", "1", 0, 1},
};

}  // namespace

namespace {

// The first and last day of the month of creation.
std::pair<QString, QString> periodOf(const SeedContext& ctx) {
    const QDate firstDay(ctx.year, ctx.month, 1);
    return {firstDay.toString(QStringLiteral("yyyy-MM-dd")),
            firstDay.addMonths(1).addDays(-1).toString(QStringLiteral("yyyy-MM-dd"))};
}

// A setting without a fixed value: the account set's name, year, month or a date.
QString contextValue(const QString& name, const SeedContext& ctx) {
    if (name == QLatin1String("CurrentYear"))
        return QString::number(ctx.year);
    if (name == QLatin1String("period") || name == QLatin1String("RPPeriod") ||
        name == QLatin1String("OpenPeriod"))
        return QString::number(ctx.month);
    if (name == QStringLiteral("单位全名") || name == QStringLiteral("单位简名"))
        return ctx.displayName;
    if (name == QLatin1String("inidate"))
        return periodOf(ctx).first;
    return ctx.today;  // 自动备份日期
}

// Each setting with its row id.
template <typename F>
void forEachSetting(F f) {
    long long id = 1;
    for (const Setting& s : kSettings) {
        const QString name = QString::fromUtf8(s.name);
        f(name == QLatin1String("AutoSN") ? kAutoSnId : id++, name, s);
    }
}

}  // namespace

void personalizeSettings(Connection db, const SeedContext& ctx) {
    Statement update(db, "UPDATE sysData SET sysValue = ? WHERE id = ?");
    forEachSetting([&](long long rowId, const QString& name, const Setting& s) {
        if (!s.value)
            update.run({contextValue(name, ctx), rowId});
    });
    const auto [begin, end] = periodOf(ctx);
    Statement(db, "UPDATE sysPeriod SET name = ?, beginDate = ?, EndDate = ? WHERE type = 0 AND id = 1")
        .run({QStringLiteral("%1月").arg(ctx.month), begin, end});
}

void seedSettings(Connection db, const SeedContext& ctx) {
    const auto [begin, end] = periodOf(ctx);
    Statement insert(db, "INSERT INTO sysData(id, Name, sysValue, comment) VALUES (?, ?, ?, ?)");
    forEachSetting([&](long long rowId, const QString& name, const Setting& s) {
        const QString value = s.value ? QString::fromUtf8(s.value) : contextValue(name, ctx);
        insert.run({rowId, name, value, QString::fromUtf8(s.comment)});
    });
    for (const Rule& r : kNumberingRules) {
        insert.run({r.id, QString::fromUtf8(r.name), QString::fromUtf8(r.value),
                    QString::fromUtf8(r.comment)});
    }

    Statement conf(db,
                   "INSERT INTO sysConf(id, name, sysValue, type, isuse) VALUES (?, ?, ?, ?, ?)");
    for (const Switch& s : kSwitches) {
        conf.run({static_cast<long long>(s.id), QString::fromUtf8(s.name),
                  QString::fromUtf8(s.value), static_cast<long long>(s.type),
                  static_cast<long long>(s.isuse)});
    }

    // The current stock period, open: the month of creation (moved to the opening date when the
    // account set is opened).
    Statement(db,
              "INSERT INTO sysPeriod(type, id, name, beginDate, EndDate, billSum, isClosed) "
              "VALUES (0, 1, ?, ?, ?, 0, 0)")
        .run({QStringLiteral("%1月").arg(ctx.month), begin, end});
}

}  // namespace dyt::server::schema::detail
