// The bill window base against a real server: a draft saved twice stays one bill, and opening
// it again shows what was saved.

#include <QLineEdit>

#include "client/bills/billkinds.h"
#include "client/bills/frmbillabstract.h"
#include "client/logic/settings.h"
#include "common/recordset.h"
#include "support/serverfixture.h"

using namespace Qt::StringLiterals;

namespace dyt::client {
namespace {

class PurchaseLikeBill : public TfrmBillAbstract {
public:
    PurchaseLikeBill() {
        setTitle(u"进货单"_s);
        addColumn(u"商品ID"_s, u"goodsid"_s, false, 40);
        addColumn(u"行号"_s, u"orderid"_s, false, 40);
        addColumn(u"商品编号"_s, u"goodsCode"_s, true, 80);
        addColumn(u"商品名称"_s, u"goodsname"_s, true, 120);
        addColumn(u"数量"_s, u"qty"_s, true, 60);
        addColumn(u"单价"_s, u"Price"_s, true, 60);
        addColumn(u"价税合计"_s, u"taxTotalSum"_s, true, 80);
    }
    void setLine(int row, const QString& goods, const QString& qty, const QString& total) {
        RecordSet& rs = records();
        while (rs.rowCount() <= row)
            rs.appendRow(RecordSet::Row(rs.fieldCount()));
        rs.setAt(row, rs.fieldIndex(u"goodsid"_s), goods);
        rs.setAt(row, rs.fieldIndex(u"goodsCode"_s), u"SP"_s + goods);
        rs.setAt(row, rs.fieldIndex(u"goodsname"_s), u"商品"_s + goods);
        rs.setAt(row, rs.fieldIndex(u"qty"_s), qty);
        rs.setAt(row, rs.fieldIndex(u"taxTotalSum"_s), total);
    }
};
class BillFrameE2E : public dyt::test::ServerFixture {};

TEST_F(BillFrameE2E, ADraftSavedTwiceStaysOneBillAndOpensAgain) {
    resetBillKinds();
    exec({"INSERT INTO baseGoods(id, par_id, par_jl, leveal, sonnum, code, fullname) VALUES "
          "(101, 0, '101,', 1, 0, 'SP101', '商品101'), (102, 0, '102,', 1, 0, 'SP102', '商品102')",
          "INSERT INTO baseGoodsUnit(id, Goodsid, fzdwid, unit, rate) VALUES "
          "(1011, 101, 0, '个', 1), (1021, 102, 0, '箱', 1)"});
    settings().DefaultBillRows = 2;
    // The seeded kinds answer the kinds' query: one audit step each by default.
    loadBillKinds(dm);
    EXPECT_EQ(1, findBillKind(5)->inputNum);
    PurchaseLikeBill bill;
    bill.OpenBill(5, 0, false);
    bill.edBillCode()->setText(u"JH-E2E-1"_s);
    bill.setLine(0, u"101"_s, u"2"_s, u"10"_s);
    bill.setLine(1, u"102"_s, u"1"_s, u"7"_s);
    ASSERT_TRUE(bill.saveBill(false)) << script.messages().join(u"|"_s).toStdString();
    const qint64 first = bill.billId();
    ASSERT_GT(first, 0);
    // The second save replaces the draft: one line now.
    bill.records().clearRows();
    bill.setLine(0, u"102"_s, u"3"_s, u"21"_s);
    ASSERT_TRUE(bill.saveBill(false)) << script.messages().join(u"|"_s).toStdString();
    EXPECT_EQ(first, bill.billId());
    RecordSet rs;
    dm.ExecQuery(u"SELECT COUNT(*) AS n FROM djIndex WHERE dj_state <> 0"_s, &rs);
    EXPECT_EQ(1, rs.integer(u"n"_s));
    dm.ExecQuery(u"SELECT COUNT(*) AS n FROM djList WHERE id = %1"_s.arg(first), &rs);
    EXPECT_EQ(1, rs.integer(u"n"_s));
    // Opened again it is the operator's own draft, editable, with its line and an empty row.
    PurchaseLikeBill again;
    again.OpenBill(5, first, false);
    EXPECT_EQ(dyt::test::clientValuesText(int(kBillDraft), false, u"JH-E2E-1"_s),
              dyt::test::clientValuesText(again.billState(), again.isReadOnly(),
                                          again.edBillCode()->text()));
    ASSERT_EQ(2, again.records().rowCount());
    EXPECT_EQ(u"102"_s, again.records().at(0, again.records().fieldIndex(u"goodsid"_s)).toString());
}

}  // namespace
}  // namespace dyt::client
