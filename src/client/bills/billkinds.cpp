// The bill-kind table and the bill opener.
#include "client/bills/billkinds.h"

#include <QWidget>

#include <algorithm>

#include "client/bills/frmbillabstract.h"
#include "client/common/windowregistry.h"
#include "client/logic/dmmain.h"
#include "common/error.h"
#include "common/recordset.h"
#include "protocol/billkinds.h"

using namespace Qt::StringLiterals;

namespace dyt::client {

namespace {

std::vector<BillKind> defaultKinds() {
    std::vector<BillKind> kinds;
    for (const BillKindRow& row : billKindRows()) {
        BillKind kind;
        kind.djType = row.djType;
        kind.className = row.windowClass();
        kind.menuTag = row.menuTag;
        kind.name = row.kindName();
        kind.inputNames = {u"审查人一"_s, u"审查人二"_s, u"审查人三"_s, u"审查人四"_s,
                           u"审查人五"_s};
        kinds.push_back(kind);
    }
    return kinds;
}

std::vector<BillKind>& table() {
    static std::vector<BillKind> kinds = defaultKinds();
    return kinds;
}

BillKind* findMutable(int djType) {
    auto& kinds = table();
    auto it = std::find_if(kinds.begin(), kinds.end(),
                           [djType](const BillKind& k) { return k.djType == djType; });
    return it == kinds.end() ? nullptr : &*it;
}

}  // namespace

QString BillKind::inputName(int step) const {
    if (step < 1 || step > 5)
        return {};
    return inputNames[static_cast<size_t>(step - 1)];
}

QString BillKind::inputIdList(int step) const {
    if (step < 2 || step > 5)
        return {};
    return inputIds[static_cast<size_t>(step - 2)];
}

bool BillKind::mayAudit(int step, qint64 operatorId) const {
    const QString list = inputIdList(step);
    return !list.isEmpty() && list.contains(u","_s + QString::number(operatorId) + u","_s);
}

const std::vector<BillKind>& billKinds() {
    return table();
}

const BillKind* findBillKind(int djType) {
    return findMutable(djType);
}

const BillKind* findBillKindByMenuTag(int menuTag) {
    if (menuTag <= 0)
        return nullptr;
    for (const BillKind& kind : table())
        if (kind.menuTag == menuTag)
            return &kind;
    return nullptr;
}

void resetBillKinds() {
    table() = defaultKinds();
}

QString billKindsSql() {
    return u"select id, inputnum, inputName1, inputName2, inputName3, inputName4, inputName5, "
           u"inputid2, inputid3, inputid4, inputid5 from sysDjb"_s;
}

void refreshBillKinds(const RecordSet& sysDjbRows) {
    if (sysDjbRows.rowCount() == 0)
        return;
    const int idCol = sysDjbRows.fieldIndex(u"id"_s);
    if (idCol < 0)
        throw DytError(u"单据类型表缺少字段 id"_s);
    std::vector<BillKind> next = table();
    auto findIn = [&next](int djType) -> BillKind* {
        for (BillKind& k : next)
            if (k.djType == djType)
                return &k;
        return nullptr;
    };
    auto text = [&sysDjbRows](int row, const QString& field, QString* out) {
        const int col = sysDjbRows.fieldIndex(field);
        if (col < 0)
            return;
        const QVariant v = sysDjbRows.at(row, col);
        *out = v.isNull() ? QString() : v.toString();
    };
    for (int row = 0; row < sysDjbRows.rowCount(); ++row) {
        BillKind* kind = findIn(sysDjbRows.at(row, idCol).toInt());
        if (!kind)
            continue;
        const int numCol = sysDjbRows.fieldIndex(u"inputnum"_s);
        if (numCol >= 0 && !sysDjbRows.at(row, numCol).isNull()) {
            bool ok = false;
            const int n = sysDjbRows.at(row, numCol).toString().trimmed().toInt(&ok);
            if (!ok || n < 1 || n > 5)
                throw DytError(u"单据[%1]的审核级数无效：%2"_s.arg(
                    kind->name, sysDjbRows.at(row, numCol).toString()));
            kind->inputNum = n;
        }
        for (int step = 1; step <= 5; ++step) {
            QString name = kind->inputNames[static_cast<size_t>(step - 1)];
            text(row, u"inputName%1"_s.arg(step), &name);
            if (!name.trimmed().isEmpty())
                kind->inputNames[static_cast<size_t>(step - 1)] = name.trimmed();
        }
        for (int step = 2; step <= 5; ++step)
            text(row, u"inputid%1"_s.arg(step), &kind->inputIds[static_cast<size_t>(step - 2)]);
    }
    table() = std::move(next);
}

void loadBillKinds(TdmMain& dm) {
    RecordSet rows;
    dm.ExecQuery(billKindsSql(), &rows);
    refreshBillKinds(rows);
}

bool canOpenBill(int djType) {
    const BillKind* kind = findBillKind(djType);
    return kind && !kind->className.isEmpty() && windowClassRegistered(kind->className);
}

QWidget* OpenBill(int djType, qint64 billId, bool quietClose, QWidget* owner) {
    const BillKind* kind = findBillKind(djType);
    if (!kind)
        throw DytError(u"未知的单据类型：%1"_s.arg(djType));
    if (kind->className.isEmpty() || !windowClassRegistered(kind->className))
        throw DytError(u"单据[%1]的窗口尚未提供"_s.arg(kind->name));
    QWidget* window = createWindow(kind->className, owner);
    if (!window)
        throw DytError(u"单据[%1]的窗口尚未提供"_s.arg(kind->name));
    window->setProperty(kTagProperty, kind->menuTag);
    window->setProperty(kBillTypeProperty, djType);
    window->setProperty(kBillIdProperty, billId);
    window->setProperty(kQuietCloseProperty, quietClose);
    if (auto* bill = qobject_cast<TfrmBillAbstract*>(window)) {
        try {
            bill->OpenBill(djType, billId, quietClose);
        } catch (...) {
            delete window;
            throw;
        }
    }
    return window;
}

void installBillOpener() {
    BillOpener& opener = billOpener();
    opener.canOpen = [](int billType) { return canOpenBill(billType); };
    opener.open = [](int billType, QWidget* owner) { return OpenBill(billType, 0, false, owner); };
}

}  // namespace dyt::client
