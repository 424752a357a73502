// Procedures of the system module: operation log, grid layouts, settings rows.
#include <QDateTime>

#include "common/error.h"
#include "protocol/packetcodec.h"
#include "protocol/protocol.h"
#include "server/db/database.h"
#include "server/db/schema.h"
#include "server/procs/registry.h"

namespace dyt::server {

void Registry::add(const QString& name, Handler handler, bool writes,
                   std::optional<QStringList> queryTypes) {
    entries_.insert(name.toLower(),
                    Entry{name, std::move(handler), writes, std::move(queryTypes)});
}

void setRows(CallContext& c, proto::packetcodec::Writer& rows) {
    QByteArray bytes = rows.finish();
    if (c.packetWanted) {
        c.packet = std::move(bytes);
        return;
    }
    RecordSet rs;
    if (!proto::packetcodec::decode(bytes.constData(), bytes.size(), &rs))
        rs = proto::recordSetFromCbor(proto::packetToCbor(bytes));
    c.data = std::move(rs);
}

int inReadView(CallContext& c, const std::function<int()>& read) {
    if (c.db.inTransaction())
        return read();
    Transaction tx(c.db, Transaction::Lock::Deferred);
    const int result = read();
    tx.commit();
    return result;
}

bool Registry::serves(const QString& name, const QString& queryType) const {
    const Entry* e = find(name);
    return e && (!e->queryTypes ||
                 e->queryTypes->contains(queryType.trimmed(), Qt::CaseInsensitive));
}

const Registry::Entry* Registry::find(const QString& name) const {
    auto it = entries_.constFind(name.trimmed().toLower());
    return it == entries_.constEnd() ? nullptr : &it.value();
}

QStringList Registry::names() const {
    QStringList out;
    for (const auto& e : entries_)
        out.append(e.name);
    out.sort(Qt::CaseInsensitive);
    return out;
}

namespace {

QString now() {
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// Operation log: the operator comes from the session, the rest from the lines.
int upLog(CallContext& c) {
    const ParamList& p = c.params;
    c.db.execute(
        QStringLiteral(
            "INSERT INTO sysLog(logTime, logUserName, logUserId, logHostName, logIpAddr, "
            "logMacAddr, logMsgType, logMsgCont, aTag) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        {now(), c.userName, c.userId, p.value(QStringLiteral("logHostName")),
         p.value(QStringLiteral("logIpAddr")), p.value(QStringLiteral("logMacAddr")),
         p.intValue(QStringLiteral("logMsgType")), p.value(QStringLiteral("logMsgCont")),
         p.value(QStringLiteral("aTag"))});
    return 0;
}

// Grid layout of the operator: one row per (ColId, operator).
int upColConfigure(CallContext& c) {
    const QString colId = c.params.value(QStringLiteral("ColId")).trimmed();
    if (colId.isEmpty()) {
        c.message = QStringLiteral("表格配置缺少ColId");
        return -1;
    }
    QVariantList values{colId, c.userId};
    for (int i = 1; i <= 10; ++i)
        values.append(c.params.value(QStringLiteral("colstr%1").arg(i)));
    values.append(c.params.value(QStringLiteral("ColValue")));
    c.db.execute(
        QStringLiteral("INSERT INTO sysColConfigure(ColId, userId, colstr1, colstr2, colstr3, "
                       "colstr4, colstr5, colstr6, colstr7, colstr8, colstr9, colstr10, ColValue) "
                       "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) "
                       "ON CONFLICT(ColId, userId) DO UPDATE SET colstr1 = excluded.colstr1, "
                       "colstr2 = excluded.colstr2, colstr3 = excluded.colstr3, "
                       "colstr4 = excluded.colstr4, colstr5 = excluded.colstr5, "
                       "colstr6 = excluded.colstr6, colstr7 = excluded.colstr7, "
                       "colstr8 = excluded.colstr8, colstr9 = excluded.colstr9, "
                       "colstr10 = excluded.colstr10, ColValue = excluded.ColValue"),
        values);
    return 0;
}

// The settings of the options window with the whole numbers it can store; the receipt account
// (an account id) and its name are checked by name.
struct OptionRule {
    const char16_t* name;
    int low, high;
};
constexpr OptionRule kOptionRules[] = {
    {u"系统使用负库存", 0, 1}, {u"本地快速打印", 0, 1},     {u"成本算法", -1, 3},
    {u"自动备份天数", 0, 10},  {u"收付款结算方式", 0, 1},   {u"零售模式", 0, 1},
    {u"pricedot", 0, 8},       {u"taxdot", 0, 8},           {u"totaldot", 0, 8},
    {u"qtydot", 0, 8},         {u"discountdot", 0, 8},      {u"默认单据行数", 50, 500},
    {u"销售单默认收款金额", 0, 1}, {u"销售单默认收款账户ID", 0, 0}, {u"销售单默认收款账户名", 0, 0},
};
constexpr int kMaxSettingText = 200;

const OptionRule* optionRule(const QString& name) {
    for (const OptionRule& r : kOptionRules) {
        if (name.compare(QString::fromUtf16(r.name), Qt::CaseInsensitive) == 0)
            return &r;
    }
    return nullptr;
}

// The account set's state, kept by the opening, period and year procedures alone.
bool stateSetting(const QString& name) {
    static const QStringList kState{
        QStringLiteral("CurrentYear"), QStringLiteral("period"),   QStringLiteral("JxcPeriodNow"),
        QStringLiteral("isOpen"),      QStringLiteral("sysIni"),   QStringLiteral("RPPeriod"),
        QStringLiteral("RPInitOver"),  QStringLiteral("OpenPeriod"), QStringLiteral("inidate"),
        QStringLiteral("EnterpriseType")};
    return kState.contains(name, Qt::CaseInsensitive) ||
           (name.startsWith(QLatin1String("kmLength"), Qt::CaseInsensitive) && name.size() == 9);
}

// Replaces the value of the setting, adding the row when it is missing.
void storeSetting(Database& db, const QString& name, const QString& value) {
    if (db.execute(QStringLiteral("UPDATE sysData SET sysValue = ? WHERE Name = ?"),
                   {value, name}) == 0)
        db.execute(QStringLiteral("INSERT INTO sysData(Name, sysValue) VALUES (?, ?)"),
                   {name, value});
}

QString storedSetting(Database& db, const QString& name) {
    return db.scalar(QStringLiteral("SELECT sysValue FROM sysData WHERE Name = ?"), {name})
        .toString()
        .trimmed();
}

// Why the value may not be stored under that option; empty when it may.
QString refuseOption(Database& db, const OptionRule& rule, const QString& value) {
    const QString name = QString::fromUtf16(rule.name);
    if (name == u"销售单默认收款账户名")
        return value.size() > kMaxSettingText
                   ? QStringLiteral("系统参数[%1]不能超过%2个字符").arg(name).arg(kMaxSettingText)
                   : QString();
    bool ok = false;
    const qint64 n = value.trimmed().toLongLong(&ok);
    if (name == u"销售单默认收款账户ID") {
        const bool account =
            ok && (n == 0 || db.scalar(QStringLiteral(
                                           "SELECT 1 FROM sysSubjectInterface AS a, baseKM AS b "
                                           "WHERE a.km_id = b.id AND a.type = 1 AND b.del = 0 "
                                           "AND b.id = ?"),
                                       {n})
                                 .isValid());
        return account ? QString() : QStringLiteral("销售单默认收款账户不是收款账户");
    }
    if (!ok || n < rule.low || n > rule.high)
        return QStringLiteral("系统参数[%1]的值必须是%2到%3的整数")
            .arg(name)
            .arg(rule.low)
            .arg(rule.high);
    const bool opened = storedSetting(db, QStringLiteral("isOpen")) == u"1";
    if (opened && name.endsWith(QLatin1String("dot")) &&
        n < storedSetting(db, name).toLongLong())
        return QStringLiteral("系统已经开账，不能缩短小数位数！");
    if (opened && name == u"成本算法" && n != storedSetting(db, name).toLongLong())
        return QStringLiteral("系统已经开账，不能修改成本算法！");
    return {};
}

// One settings row: sysData.sysValue of Name becomes DefValue, the row is added when missing.
// The options are held to the values the options window offers; the account set's state is
// not written here.
int upDataRow(CallContext& c) {
    QString name = c.params.value(QStringLiteral("Name")).trimmed();
    if (name.isEmpty()) {
        c.message = QStringLiteral("系统参数名称不能为空");
        return -1;
    }
    if (stateSetting(name)) {
        c.message = QStringLiteral("系统参数[%1]不能在此修改").arg(name);
        return -1;
    }
    const QString value = c.params.value(QStringLiteral("DefValue"));
    if (const OptionRule* rule = optionRule(name)) {
        name = QString::fromUtf16(rule->name);
        c.message = refuseOption(c.db, *rule, value);
        if (!c.message.isEmpty())
            return -1;
    } else if (value.size() > kMaxSettingText) {
        c.message = QStringLiteral("系统参数[%1]不能超过%2个字符").arg(name).arg(kMaxSettingText);
        return -1;
    }
    storeSetting(c.db, name, value);
    return 0;
}

// The company details of the options window: each line present replaces its setting.
int upDataWLDW(CallContext& c) {
    static const std::pair<const char*, const char16_t*> kCompany[] = {
        {"address", u"单位地址"},       {"bankandtaxno", u"开户银行及账号"},
        {"companyfullname", u"单位全名"}, {"companyname", u"单位简名"},
        {"FaxNo", u"传真号码"},          {"LegalMan", u"法人代表"},
        {"PostCode", u"单位邮编"},       {"tel", u"电话号码"},
        {"UnitMemo", u"单位备注"},       {"taxno", u"税务登记号"}};
    for (const auto& [line, setting] : kCompany) {
        const QString key = QString::fromLatin1(line);
        if (c.params.contains(key) && c.params.value(key).size() > kMaxSettingText) {
            c.message = QStringLiteral("%1不能超过%2个字符")
                            .arg(QString::fromUtf16(setting))
                            .arg(kMaxSettingText);
            return -1;
        }
    }
    for (const auto& [line, setting] : kCompany) {
        const QString key = QString::fromLatin1(line);
        if (c.params.contains(key))
            storeSetting(c.db, QString::fromUtf16(setting), c.params.value(key));
    }
    return 0;
}

// The versions of the server program and of the account set's tables.
int getVersion(CallContext& c) {
    c.data.clear();
    c.data.addField(QStringLiteral("ServerVersion"), FieldType::Text);
    c.data.addField(QStringLiteral("SchemaVersion"), FieldType::Integer);
    c.data.appendRow({QStringLiteral(DYT_SERVER_VERSION), schema::storedVersion(c.db)});
    c.data.first();
    return 0;
}

}  // namespace

bool isOptionSetting(const QString& name) {
    return optionRule(name.trimmed()) != nullptr;
}

void registerSystemProcedures(Registry& procedures) {
    procedures.add(QStringLiteral("P_SYS_Get_Version"), getVersion, false);
    procedures.add(QStringLiteral("p_sys_Up_Log"), upLog);
    procedures.add(QStringLiteral("p_sys_Up_ColConfigure"), upColConfigure);
    procedures.add(QStringLiteral("P_SYS_Up_DataRow"), upDataRow);
    procedures.add(QStringLiteral("p_sys_Up_DataWLDW"), upDataWLDW);
    registerFinanceAccountProcedures(procedures);
}

}  // namespace dyt::server
