#pragma once
// The bill window tests' shared set-up: a data module on the recording transport with operator 7
// logged in, and a bill of the enquiry kind with goods lines and one header amount.
#include <QLineEdit>

#include "client/bills/billkinds.h"
#include "client/bills/frmbillabstract.h"
#include "client/logic/settings.h"
#include "common/paramlist.h"
#include "dmtest_support.h"
#include "protocol/protocol.h"
#include "support/joined.h"

namespace dyt::test {

// A bill window's data module on the recording transport, operator 7 logged in, money at two
// places and two empty rows in a new bill.
class BillFixture : public DmFixture {
protected:
    void SetUp() override {
        DmFixture::SetUp();
        client::resetSettings();
        client::resetBillKinds();
        client::settings().TotalDot = 2;
        client::settings().DefaultBillRows = 2;
        connectLoggedIn(7);
    }
    void TearDown() override {
        client::resetBillKinds();
        client::resetSettings();
        DmFixture::TearDown();
    }
    // The next procedure query answers these rows.
    void answerProcQuery(const RecordSet& rows) {
        transport->respond(QStringLiteral("ExecProcQuery"), 0,
                           {QString(), proto::recordSetToCbor(rows)});
    }
    // One parameter a call sent; "<none>" when it sent none of that name.
    static QString paramOf(const client::RecordedCall& c, const QString& name) {
        return ParamList(c.paramLines.join(QStringLiteral("\r\n")))
            .value(name, QStringLiteral("<none>"));
    }
    // The parameters of the comma-separated names, joined by '|'.
    static QString paramsOf(const client::RecordedCall& c, const QString& names) {
        return each(names, [&](const QString& n) { return paramOf(c, n); });
    }
};

constexpr int kEnquiry = 64;

// A bill of the enquiry kind (64) with goods lines and the discount as its header amount. The
// look-ups are caught here instead of in a modal dialog, unless the real one is wanted.
class EnquiryBill : public client::TfrmBillAbstract {
public:
    explicit EnquiryBill(QWidget* parent = nullptr) : TfrmBillAbstract(parent) {
        setTitle(QStringLiteral("询价单"));
        addColumn(QStringLiteral("商品ID"), QStringLiteral("goodsid"), false, 40);
        addColumn(QStringLiteral("行号"), QStringLiteral("orderid"), false, 40);
        addColumn(QStringLiteral("商品编号"), QStringLiteral("goodsCode"), true, 80);
        addColumn(QStringLiteral("商品名称"), QStringLiteral("goodsname"), true, 120);
        addColumn(QStringLiteral("数量"), QStringLiteral("qty"), true, 60);
        addColumn(QStringLiteral("价税合计"), QStringLiteral("taxTotalSum"), true, 80);
        addColumn(QStringLiteral("[]行摘要"), QStringLiteral("comment"), true, 80);
        edDiscount = new QLineEdit(this);
        addHeaderField(QStringLiteral("优惠金额"), edDiscount);
        bindHeaderAmount(QStringLiteral("youhuiTotal"), edDiscount);
    }
    // Fills row `row` (growing the rows as needed) with the values of the named fields.
    void setLine(int row, const QList<QPair<QString, QString>>& values) {
        RecordSet& rs = records();
        while (rs.rowCount() <= row)
            rs.appendRow(RecordSet::Row(rs.fieldCount()));
        for (const auto& v : values)
            rs.setAt(row, rs.fieldIndex(v.first), v.second);
        showRecords();
    }
    void showLookupRows(const client::BillLookup& lookup, const RecordSet& rows) override {
        if (realDialog) {
            TfrmBillAbstract::showLookupRows(lookup, rows);
            return;
        }
        shownLookups.append(lookup);
        shownRows = rows;
    }
    bool realDialog = false;
    QLineEdit* edDiscount = nullptr;
    QList<client::BillLookup> shownLookups;
    RecordSet shownRows;
};

}  // namespace dyt::test
