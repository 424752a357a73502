// Default chart of accounts (baseKM) and the roles the posting and the windows look accounts up by
// (sysSubjectInterface). Codes follow the level lengths of sysData kmLength1.. (1, 2, 2, …).

#include <QHash>

#include "server/db/schema_internal.h"

namespace dyt::server::schema::detail {
namespace {

struct Account {
    int id;
    int parent;  // 0 = top
    const char* code;
    const char* name;
    int kmType;  // 1 assets, 2 liabilities, 3 income, 4 expenses, 5 equity
    int sysrow;  // 1 = system account
};

// Ids 3, 4, 8 and 9 are fixed: the boss report opens their ledgers.
const Account kAccounts[] = {
    {1, 0, "1", "【资产类】", 1, 1},         {2, 0, "2", "【负债类】", 2, 1},
    {3, 0, "3", "【收入类】", 3, 1},         {4, 0, "4", "【支出类】", 4, 1},
    {5, 0, "5", "【所有者权益类】", 5, 1},   {6, 1, "101", "库存商品", 1, 1},
    {7, 1, "102", "应收账款", 1, 1},         {8, 1, "103", "现金", 1, 1},
    {9, 1, "104", "全部银行存款合计", 1, 1}, {10, 1, "105", "预付账款", 1, 1},
    {11, 1, "106", "固定资产", 1, 1},        {12, 1, "107", "累计折旧", 1, 1},
    {13, 1, "108", "待摊费用", 1, 1},        {14, 1, "109", "委托代销商品", 1, 1},
    {15, 1, "110", "受托代销商品", 1, 1},    {16, 2, "201", "应付账款", 2, 1},
    {17, 2, "202", "预收账款", 2, 1},        {18, 2, "203", "应付职工薪酬", 2, 1},
    {19, 2, "204", "应交税金", 2, 1},        {20, 2, "205", "受托代销商品款", 2, 1},
    {21, 3, "301", "销售收入", 3, 1},        {22, 3, "302", "其它收入", 3, 0},
    {23, 3, "303", "商品报溢收入", 3, 1},    {24, 3, "304", "进货优惠收入", 3, 1},
    {25, 3, "305", "获赠收入", 3, 1},        {26, 4, "401", "销售成本", 4, 1},
    {27, 4, "402", "其它费用", 4, 0},        {28, 4, "403", "商品报损", 4, 1},
    {29, 4, "404", "销售优惠", 4, 1},        {30, 4, "405", "成本调价损益", 4, 1},
    {31, 4, "406", "折旧费用", 4, 1},        {32, 4, "407", "摊销费用", 4, 1},
    {33, 4, "408", "赠送支出", 4, 1},        {34, 5, "501", "实收资本", 5, 1},
    {35, 5, "502", "本年利润", 5, 1},        {36, 9, "10401", "银行存款", 1, 0},
};

// Interface roles (type 0): the name dbo.fnGetInterfaceKMID resolves, and its account.
struct Role {
    const char* name;
    int km;
};
const Role kRoles[] = {
    {"库存商品", 6},      {"应收账款", 7},  {"现金", 8},
    {"银行存款", 9},      {"预付账款", 10}, {"固定资产", 11},
    {"累计折旧", 12},     {"待摊费用", 13}, {"委托代销商品", 14},
    {"受托代销商品", 15}, {"应付账款", 16}, {"预收账款", 17},
    {"应付职工薪酬", 18}, {"应交税金", 19}, {"受托代销商品款", 20},
    {"销售收入", 21},     {"其它收入", 22}, {"商品报溢", 23},
    {"进货优惠", 24},     {"获赠收入", 25}, {"销售成本", 26},
    {"其它费用", 27},     {"商品报损", 28}, {"销售优惠", 29},
    {"成本调价", 30},     {"折旧费用", 31}, {"摊销费用", 32},
    {"赠送支出", 33},     {"实收资本", 34}, {"本年利润", 35},
    {"收入类", 3},        {"支出类", 4},
};

}  // namespace

void seedAccounts(Connection db) {
    QHash<int, QString> path;
    QHash<int, int> level;
    QHash<int, int> children;
    for (const Account& a : kAccounts) {
        if (a.parent)
            ++children[a.parent];
    }
    Statement insert(db,
                     "INSERT INTO baseKM(id, par_id, par_jl, leveal, sonnum, code, fullname, name, "
                     "pym, kmType, dc, sysrow) VALUES (?, ?, ?, ?, ?, ?, ?, ?, '', ?, ?, ?)");
    for (const Account& a : kAccounts) {
        path[a.id] = (a.parent ? path.value(a.parent) : QString()) + QString::number(a.id) +
                     QLatin1Char(',');
        level[a.id] = a.parent ? level.value(a.parent) + 1 : 1;
        // Assets and expenses carry debit balances; the others credit balances, and the
        // accumulated depreciation is a credit against the assets.
        const bool debit = (a.kmType == 1 || a.kmType == 4) && a.id != 12;
        insert.run({static_cast<long long>(a.id), static_cast<long long>(a.parent), path[a.id],
                    static_cast<long long>(level[a.id]),
                    static_cast<long long>(children.value(a.id)), QString::fromUtf8(a.code),
                    QString::fromUtf8(a.name), QString::fromUtf8(a.name),
                    static_cast<long long>(a.kmType), debit ? 1LL : -1LL,
                    static_cast<long long>(a.sysrow)});
    }

    Statement role(
        db, "INSERT INTO sysSubjectInterface(name, km_id, type, comment) VALUES (?, ?, ?, ?)");
    for (const Role& r : kRoles) {
        role.run({QString::fromUtf8(r.name), static_cast<long long>(r.km), 0LL, QString()});
    }
    // Payment and receipt accounts, income types and expense types offered by the pickers.
    role.run({QStringLiteral("现金"), 8LL, 1LL, QStringLiteral("收付款账户")});
    role.run({QStringLiteral("银行存款"), 36LL, 1LL, QStringLiteral("收付款账户")});
    role.run({QStringLiteral("其它收入"), 22LL, 2LL, QStringLiteral("收入类型")});
    role.run({QStringLiteral("其它费用"), 27LL, 3LL, QStringLiteral("费用类型")});
}

}  // namespace dyt::server::schema::detail
