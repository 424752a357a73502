// Captions of the base-data fields (baseFieldNames). Each field also has an operation-right row of
// the same code below its list's menu entry (seed_menu.cpp), which decides whether an operator
// sees the column; saving the captions carries them into those rows.

#include "server/db/schema_internal.h"

namespace dyt::server::schema::detail {

namespace {

// Ten free fields per kind, numbered 41..50 after the standard fields.
void addCustom(std::vector<FieldCaption>& out, int prefix) {
    static const char* const kColumns[] = {"bz1", "bz2", "bz3", "bz4", "bz5",
                                           "bz6", "bz7", "bz8", "bz9", "bz10"};
    static const char* const kCaptions[] = {"自定义1", "自定义2", "自定义3", "自定义4", "自定义5",
                                            "自定义6", "自定义7", "自定义8", "自定义9", "自定义10"};
    for (int i = 0; i < 10; ++i)
        out.push_back({prefix, 41 + i, kColumns[i], kCaptions[i]});
}

std::vector<FieldCaption> build() {
    std::vector<FieldCaption> f = {
        // goods
        {1001, 21, "code", "商品编号"},
        {1001, 22, "fullname", "商品全名"},
        {1001, 23, "name", "商品简名"},
        {1001, 24, "pym", "拼音码"},
        {1001, 25, "gg", "规格"},
        {1001, 26, "xh", "型号"},
        {1001, 27, "addr", "产地"},
        {1001, 28, "stopName", "状态"},
        {1001, 29, "unitName", "基本单位"},
        {1001, 30, "barcode", "条码"},
        {1001, 31, "LSprice", "零售价"},
        {1001, 32, "price1", "预设售价1"},
        {1001, 33, "price2", "预设售价2"},
        {1001, 34, "price3", "预设售价3"},
        {1001, 35, "comment", "备注"},
        {1001, 36, "YouWuTuPian", "有无图片"},
        // employees
        {1002, 21, "code", "职员编号"},
        {1002, 22, "fullname", "职员全名"},
        {1002, 23, "pym", "拼音码"},
        {1002, 24, "bmName", "部门"},
        {1002, 25, "Birthday", "出生日期"},
        {1002, 26, "tel", "电话"},
        {1002, 27, "Worktime", "参加工作时间"},
        {1002, 28, "addr", "地址"},
        {1002, 29, "Anumber", "身份证号"},
        {1002, 30, "comment", "备注"},
        // trading partners
        {1003, 21, "code", "单位编号"},
        {1003, 22, "fullname", "单位全名"},
        {1003, 23, "name", "单位简名"},
        {1003, 24, "pym", "拼音码"},
        {1003, 25, "addr", "地址"},
        {1003, 26, "tel", "电话"},
        {1003, 27, "fax", "传真"},
        {1003, 28, "email", "电子邮件"},
        {1003, 29, "sjhm", "手机号码"},
        {1003, 30, "postcode", "邮政编码"},
        {1003, 31, "bankname", "开户银行"},
        {1003, 32, "bankcount", "银行账号"},
        {1003, 33, "weburl", "网址"},
        {1003, 34, "Person", "联系人"},
        {1003, 35, "tax", "税号"},
        {1003, 36, "ys_xyd", "应收上限"},
        {1003, 37, "yf_xyd", "应付上限"},
        {1003, 38, "AreaName", "地区"},
        {1003, 39, "comment", "备注"},
        // warehouses
        {1004, 21, "code", "仓库编号"},
        {1004, 22, "fullname", "仓库全名"},
        {1004, 23, "pym", "拼音码"},
        {1004, 24, "isstop", "停用"},
        {1004, 25, "comment", "备注"},
        // departments
        {1005, 21, "code", "部门编号"},
        {1005, 22, "fullname", "部门全名"},
        {1005, 23, "pym", "拼音码"},
        {1005, 24, "comment", "备注"},
    };
    for (int prefix = 1001; prefix <= 1005; ++prefix)
        addCustom(f, prefix);
    return f;
}

}  // namespace

const std::vector<FieldCaption>& fieldCaptions() {
    static const std::vector<FieldCaption> fields = build();
    return fields;
}

QString fieldCode(const FieldCaption& f) {
    return QString::number(f.prefix) + QStringLiteral("%1").arg(f.number, 2, 10, QLatin1Char('0'));
}

void seedFieldCaptions(Connection db) {
    Statement insert(db,
                     "INSERT INTO baseFieldNames(code, fieldName, Name, colName, orderly) "
                     "VALUES (?, ?, ?, ?, ?)");
    for (const FieldCaption& f : fieldCaptions()) {
        const QString caption = QString::fromUtf8(f.caption);
        insert.run({fieldCode(f), caption, caption, QString::fromUtf8(f.column),
                    static_cast<long long>(f.number)});
    }
}

}  // namespace dyt::server::schema::detail
