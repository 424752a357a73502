#include "client/logic/queryconditions.h"

#include <QtMath>

#include "client/logic/settings.h"
#include "common/condition.h"
#include "common/currency.h"
#include "common/error.h"
#include "common/groupcondition.h"
#include "common/recordset.h"
#include "common/rounding.h"

namespace dyt::client::query {

namespace text {
QString reversedRange() {
    return QStringLiteral("开始日期不能大于结束日期！");
}
QString noBillType() {
    return QStringLiteral("至少选择一种单据！");
}
QString listOnlyCategory() {
    return QStringLiteral("只能对一类商品进行列表！");
}
QString badDemandDays() {
    return QStringLiteral("需求量天数录入错误，只能大于零！");
}
QString addGroup() {
    return QStringLiteral("新增组");
}
QString deleteGroup() {
    return QStringLiteral("删除组");
}
QString groupName(int number) {
    return QStringLiteral("第%1组").arg(number);
}
QString noGroups() {
    return QStringLiteral("请至少新增一个组！");
}
QString noGroupChosen() {
    return QStringLiteral("请选择要删除的组！");
}
QString alreadyGrouped(const QString& name, int number) {
    return QStringLiteral("[%1]已经在%2中！").arg(name, groupName(number));
}
QString groupsCaption() {
    return QStringLiteral("分组");
}
QString copyRightsCaption() {
    return QStringLiteral("复制所选操作员的权限");
}
QString noOperatorToCopy() {
    return QStringLiteral("没有可复制的操作员！");
}
QString noOperatorChosen() {
    return QStringLiteral("请选择操作员！");
}
QString operatorCode() {
    return QStringLiteral("职员编号");
}
QString operatorName() {
    return QStringLiteral("职员全名");
}
QString dialogCaption() {
    return QStringLiteral("查询条件");
}
QString keepDates() {
    return QStringLiteral("保存时间条件");
}
QString rangeSeparator() {
    return QStringLiteral(" 至 ");
}
QString listChoice() {
    return QStringLiteral("列表选择");
}
QString listAll() {
    return QStringLiteral("全部列表");
}
QString listPart(const QString& goodsName) {
    return QStringLiteral("部分列表(") + goodsName + QLatin1Char(')');
}
QString exitCaption() {
    return QStringLiteral("退出(&C)");
}
QString backCaption() {
    return QStringLiteral("返回(&C)");
}
QString listMode() {
    return QStringLiteral("列表显示");
}
QString levelMode() {
    return QStringLiteral("层级显示");
}
QString quickSearch() {
    return QStringLiteral("快速查找商品(Tab)");
}
QString qtyFilter() {
    return QStringLiteral("过滤数量");
}
QStringList qtyFilterItems() {
    return {QStringLiteral("全部显示"), QStringLiteral("数量大于0"), QStringLiteral("数量等于0")};
}
QString qtyIndexKey() {
    return QStringLiteral("cbqtyItemIndex");
}
QString redIndexKey() {
    return QStringLiteral("cbredItemIndex");
}
QString priceFormat() {
    return QStringLiteral("0.000000");
}
}  // namespace text

namespace {

struct SharedDates {
    QString loginKey;
    QueryDates dates;
};

SharedDates& shared() {
    static SharedDates s;
    return s;
}

}  // namespace

QueryDates& sharedQueryDates() {
    SharedDates& s = shared();
    const TSettings& set = settings();
    const QDate login = set.LoginDate.isValid() ? set.LoginDate : QDate::currentDate();
    const QString key = dateText(login);
    if (s.loginKey != key || !s.dates.begin.isValid() || !s.dates.end.isValid()) {
        s.loginKey = key;
        s.dates.begin = login.addDays(-30);
        s.dates.end = login;
        s.dates.keep = false;
    }
    return s.dates;
}

void resetSharedQueryDates() {
    shared() = SharedDates{};
}

QString pickerCondition(qint64 id) {
    return QStringLiteral(";id=") + (id >= 1 ? QString::number(id) : QString()) +
           QStringLiteral(";issub=1;Other=1");
}

QString allRecordsText(PickerKind kind) {
    switch (kind) {
        case PickerKind::Partner:
            return QStringLiteral("全部单位");
        case PickerKind::Employee:
            return QStringLiteral("全部职员");
        case PickerKind::Warehouse:
            return QStringLiteral("全部仓库");
        case PickerKind::Department:
            return QStringLiteral("全部部门");
        case PickerKind::Goods:
            return QStringLiteral("全部商品");
        case PickerKind::Region:
            return QStringLiteral("全部地区");
    }
    return {};
}

QString conditionLabel(PickerKind kind, qint64 id, const QString& name) {
    return id >= 1 ? name : allRecordsText(kind);
}

QString pageBillTypes(const QueryDialogPage& page, const QList<bool>& ticked) {
    QList<int> kinds;
    if (page.billBoxes.isEmpty()) {
        if (page.billType > 0)
            kinds.append(page.billType);
        return billKindList(kinds);
    }
    for (qsizetype i = 0; i < page.billBoxes.size(); ++i) {
        if (ticked.value(i, false))
            kinds.append(page.billBoxes[i].djType);
    }
    if (kinds.isEmpty())
        throw DytError(text::noBillType());
    return billKindList(kinds);
}

void checkDateRange(const QDate& begin, const QDate& end) {
    if (end < begin)
        throw DytError(text::reversedRange());
}

QString parentPath(const QString& path) {
    QString p = path;
    if (p.endsWith(QLatin1Char(',')))
        p.chop(1);
    const qsizetype cut = p.lastIndexOf(QLatin1Char(','));
    return cut < 0 ? QString() : p.left(cut + 1);
}

qint64 lastPathId(const QString& path) {
    QString p = path;
    if (p.endsWith(QLatin1Char(',')))
        p.chop(1);
    const qsizetype cut = p.lastIndexOf(QLatin1Char(','));
    return p.mid(cut + 1).trimmed().toLongLong();
}

QString groupLabel(int number, const RecordGroup& group) {
    QStringList names;
    for (const PickedRecord& r : group)
        names.append(r.name);
    return text::groupName(number) + QStringLiteral(": ") + names.join(QStringLiteral("、"));
}

void deriveAveragePrices(RecordSet& rows, const QList<QueryDerivedPrice>& derived,
                         const QString& pattern) {
    if (derived.isEmpty())
        return;
    for (const QueryDerivedPrice& dp : derived) {
        if (!rows.hasField(dp.target))
            rows.addField(dp.target, FieldType::Float);
    }
    const auto currencyOf = [&rows](int row, int field) {
        if (field < 0)
            return Currency();
        const QVariant& v = rows.at(row, field);
        if (v.userType() == qMetaTypeId<Currency>())
            return v.value<Currency>();
        Currency c;
        if (!Currency::tryFromDouble(v.toDouble(), &c))
            throw DytError(QStringLiteral("数值超出范围"));
        return c;
    };
    for (int r = 0; r < rows.rowCount(); ++r) {
        for (const QueryDerivedPrice& dp : derived) {
            const Currency q = currencyOf(r, rows.fieldIndex(dp.qtyField));
            if (q == Currency())
                continue;
            const Currency amount = currencyOf(r, rows.fieldIndex(dp.amountField));
            if (amount == Currency())
                continue;
            const double price = qAbs(amount.toDouble() / q.toDouble());
            rows.setAt(r, rows.fieldIndex(dp.target), roundToPattern(price, pattern));
        }
    }
}

}  // namespace dyt::client::query
