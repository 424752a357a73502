// The bill-kind table and the bill opener.
#include "client/bills/billkinds.h"

#include <QWidget>

#include <algorithm>

#include "client/bills/frmbillabstract.h"
#include "client/common/windowregistry.h"
#include "client/logic/dmmain.h"
#include "common/error.h"
#include "common/recordset.h"

using namespace Qt::StringLiterals;

namespace dyt::client {

namespace {

struct DefaultKind {
    int djType;
    QString className;
    int menuTag;
    QString name;
};

std::vector<BillKind> defaultKinds() {
    const DefaultKind rows[] = {
        {1, u"TfrmBillXSD"_s, 2009, u"销售单"_s},
        {2, u"TfrmBillXSTHD"_s, 2010, u"销售退货单"_s},
        {3, u"TfrmBillXSHHD"_s, 2011, u"销售换货单"_s},
        {4, u"TfrmBillXSDD"_s, 2008, u"销售订单"_s},
        {5, u"TfrmBillJHD"_s, 2004, u"进货单"_s},
        {6, u"TfrmBillJHTHD"_s, 2005, u"进货退货单"_s},
        {7, u"TfrmBillJHHHD"_s, 2006, u"进货换货单"_s},
        {8, u"TfrmBillJHDD"_s, 2003, u"进货订单"_s},
        {9, u"TfrmBillSPCZD"_s, 201708, u"商品拆装单"_s},
        {10, u"TfrmBillQTCKD"_s, 201704, u"其它出库单"_s},
        {11, u"TfrmBillQTRKD"_s, 201703, u"其它入库单"_s},
        {12, u"TfrmBillBSD"_s, 201701, u"报损单"_s},
        {13, u"TfrmBillBYD"_s, 201702, u"报溢单"_s},
        {14, u"TfrmBillCBTJD"_s, 201707, u"成本调价单"_s},
        {15, u"TfrmBillTJDBD"_s, 201705, u"同价调拨单"_s},
        {16, u"TfrmBillBJDBD"_s, 201706, u"变价调拨单"_s},
        {17, u"TfrmBillXJFYD"_s, 201901, u"现金费用单"_s},
        {18, u"TfrmBillYBFYD"_s, 201902, u"一般费用单"_s},
        {19, u"TfrmBillQTSRD"_s, 201903, u"其它收入单"_s},
        {20, u"TfrmBillTXCXZZ"_s, 201904, u"提现存现转账"_s},
        {21, u"TfrmBillSKD"_s, 2012, u"收款单"_s},
        {22, u"TfrmBillFKD"_s, 2007, u"付款单"_s},
        {23, u"TfrmBillGDZCGZ"_s, 20190501, u"固定资产购置"_s},
        {24, u"TfrmBillGDZCZJ"_s, 20190502, u"固定资产折旧"_s},
        {25, u"TfrmBillGDZCBM"_s, 20190503, u"固定资产变卖"_s},
        {26, u"TfrmBillDTFYFS"_s, 20190601, u"待摊费用发生"_s},
        {27, u"TfrmBillDTFYTX"_s, 20190602, u"待摊费用摊销"_s},
        {28, u"TfrmBillYSJS"_s, 20190702, u"调账：应收款减少"_s},
        {29, u"TfrmBillYSZJ"_s, 20190701, u"调账：应收款增加"_s},
        {30, u"TfrmBillYFZJ"_s, 20190703, u"调账：应付款增加"_s},
        {31, u"TfrmBillYFJS"_s, 20190704, u"调账：应付款减少"_s},
        {32, u"TfrmBillZJJS"_s, 20190706, u"调账：资金减少"_s},
        {33, u"TfrmBillZJZJ"_s, 20190705, u"调账：资金增加"_s},
        {34, u"TfrmBillKJPZ"_s, 201908, u"会计凭证"_s},
        {35, u"TfrmBillJJD"_s, 202001, u"借进单"_s},
        {36, u"TfrmBillJJHCD"_s, 202002, u"借进还出单"_s},
        {37, u"TfrmBillJZJHD"_s, 202003, u"借转进货单"_s},
        {38, u"TfrmBillJCD"_s, 202004, u"借出单"_s},
        {39, u"TfrmBillJCHHD"_s, 202005, u"借出还回单"_s},
        {40, u"TfrmBillJZXSD"_s, 202006, u"借转销售单"_s},
        {41, u""_s, 0, u"账外入库单"_s},
        {43, u"TfrmBillWTFHD"_s, 201805, u"委托发货单"_s},
        {44, u"TfrmBillWTJSD"_s, 201807, u"委托结算单"_s},
        {45, u"TfrmBillSTSHD"_s, 201801, u"受托收货单"_s},
        {46, u"TfrmBillSTJSD"_s, 201803, u"受托结算单"_s},
        {47, u"TfrmBillWTTHD"_s, 201806, u"委托退货单"_s},
        {48, u"TfrmBillSTTHD"_s, 201802, u"受托退货单"_s},
        {49, u"TfrmBillWTTJD"_s, 201808, u"委托调价单"_s},
        {50, u"TfrmBillSTTJD"_s, 201804, u"受托调价单"_s},
        {51, u""_s, 0, u"零售单"_s},
        {53, u"TfrmBillWWJGLLD"_s, 202101, u"委外加工领料单"_s},
        {54, u"TfrmBillWWJGTLD"_s, 202102, u"委外加工退料单"_s},
        {55, u"TfrmBillWWJGWGD"_s, 202103, u"委外加工完工单"_s},
        {56, u"TfrmBillCKRKD"_s, 202201, u"仓库入库单"_s},
        {57, u"TfrmBillCKCKD"_s, 202202, u"仓库出库单"_s},
        {58, u"TfrmBillCKDBD"_s, 202203, u"仓库调拨单"_s},
        {59, u"TfrmBillHZD"_s, 2024, u"获赠单"_s},
        {60, u"TfrmBillZSD"_s, 2025, u"赠送单"_s},
        {61, u"TfrmBillPSSQD"_s, 4501, u"配送申请单"_s},
        {62, u"TfrmBillPSD"_s, 4502, u"配送单"_s},
        {63, u"TfrmBillPSYSD"_s, 4503, u"配送验收单"_s},
        {64, u"TfrmBillXJD"_s, 2026, u"询价单"_s},
        {65, u"TfrmBillBJD"_s, 2027, u"报价单"_s},
        {66, u"TfrmBillLWFYD"_s, 201909, u"劳务费用单"_s},
        {67, u"TfrmBillJHKPADJ"_s, 4301, u"进货开票[按单据]"_s},
        {68, u"TfrmBillJHKPASP"_s, 4302, u"进货开票[按商品]"_s},
        {69, u"TfrmBillXSKPADJ"_s, 4303, u"销售开票[按单据]"_s},
        {70, u"TfrmBillXSKPASP"_s, 4304, u"销售开票[按商品]"_s},
        {71, u"TfrmBillZPHTD"_s, 4401, u"赠品合同单"_s},
    };
    std::vector<BillKind> kinds;
    for (const DefaultKind& row : rows) {
        BillKind kind;
        kind.djType = row.djType;
        kind.className = row.className;
        kind.menuTag = row.menuTag;
        kind.name = row.name;
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
