// Invoicing by bill and by goods: what has been invoiced of a bill and of its lines after each
// invoice, after deletion and red reversal of an invoice, and the refusals, worked by hand.

#include "ledger_fixture.h"

using namespace Qt::StringLiterals;

namespace dyt::ledgertest {
namespace {

struct InvoiceLine {
    qint64 bill = 0;  // s_id
    qint64 line = 0;  // s_orderid (by goods)
    double amount = 0;
};

class Invoicing : public OpenedLedgerTest {
protected:
    static QString n(qint64 v) { return QString::number(v); }
    // An invoice stored as the bill service stores it and posted in one transaction.
    qint64 invoice(int kind, qint64 partner, const std::vector<InvoiceLine>& lines,
                   int state = 2) {
        server::Transaction tx(*db_);
        db_->execute(u"INSERT INTO djIndex(djType, code, date, dj_state, wldw_id, rec_id) VALUES "
                     "(?, ?, '2024-01-12', ?, ?, 1)"_s,
                     {kind, u"KP-%1"_s.arg(++count_), state, partner});
        const qint64 id = db_->lastInsertId();
        for (const InvoiceLine& l : lines) {
            const QVariant goods =
                l.line > 0 ? value(u"SELECT goodsid FROM djList WHERE orderid = ?"_s, {l.line})
                           : QVariant(0);
            db_->execute(u"INSERT INTO djList(id, djType, date, dj_state, goodsid, s_id, "
                         "s_orderid, kpTotal) VALUES (?, ?, '2024-01-12', ?, ?, ?, ?, ?)"_s,
                         {id, kind, state, goods, l.bill, l.line, l.amount});
        }
        if (state == 2)
            server::posting::postBill(*db_, id, 1);
        tx.commit();
        return id;
    }
    QString invoiceError(int kind, qint64 partner, const std::vector<InvoiceLine>& lines) {
        try {
            invoice(kind, partner, lines);
        } catch (const DytError& e) {
            return e.message();
        }
        return {};
    }
    double billInvoiced(qint64 bill) {
        return number(u"SELECT kpTotal FROM djIndex WHERE id = ?"_s, {bill});
    }
    double lineInvoiced(qint64 line) {
        return number(u"SELECT kpTotal FROM djList WHERE orderid = ?"_s, {line});
    }
    // A sale of 100 (10 × 10 of 螺丝) with stock bought before it; with `second`, a second line
    // 5 × 20 of 齿轮 (the bill 200).
    qint64 saleOf100(bool second = false) {
        post(purchase(kAverage, 20, 6, "2024-01-02"));
        post(purchase(kFifo, 20, 6, "2024-01-02"));
        BillPlan b = sale(kAverage, 10, 10, "2024-01-10");
        if (second)
            b.lines.push_back({.goods = kFifo, .qty = 5, .price = 20});
        return post(b);
    }
    int delInvoice(qint64 id) { return call(u"P_JXC_DJ_PostDel"_s, {{"billid", n(id)}}); }
    int redInvoice(qint64 id) {
        return call(u"P_JXC_DJ_CopyRed"_s, {{"isRed", u"-1"_s}, {"billid", n(id)}});
    }
    int count_ = 0;
};

TEST_F(Invoicing, BySalesBillSixtyThenFortyThenRefusedAndGivenBack) {
    const qint64 s = saleOf100();
    const QStringList stock = ledgerRows(*db_).mid(0, 3);
    const qint64 first = invoice(69, kCustomer, {{s, 0, 60}});
    EXPECT_EQ(60, billInvoiced(s));
    EXPECT_EQ(60, billInvoiced(first));
    const qint64 second = invoice(69, kCustomer, {{s, 0, 40}});
    EXPECT_EQ(100, billInvoiced(s));
    EXPECT_EQ(stock, ledgerRows(*db_).mid(0, 3)) << "no stock, balance or account moved";
    EXPECT_EQ(u"单据[T-1]未开票金额只有0.00，不能再开票0.01！"_s,
              invoiceError(69, kCustomer, {{s, 0, 0.01}}));
    EXPECT_EQ(100, billInvoiced(s));
    // The invoiced bill can be neither deleted nor reversed before its invoices.
    EXPECT_EQ(u"单据已经开票，不能删除，请先删除或红冲对应的开票单据！"_s,
              callError(u"P_JXC_DJ_PostDel"_s, {{"billid", n(s)}}));
    EXPECT_EQ(u"单据已经开票，不能红冲，请先删除或红冲对应的开票单据！"_s,
              callError(u"P_JXC_DJ_CopyRed"_s, {{"isRed", u"-1"_s}, {"billid", n(s)}}));
    ASSERT_EQ(0, delInvoice(second));
    EXPECT_EQ(60, billInvoiced(s));
    const qint64 third = invoice(69, kCustomer, {{s, 0, 25}, {s, 0, 15}});
    EXPECT_EQ(100, billInvoiced(s));
    ASSERT_LT(0, redInvoice(third));
    EXPECT_EQ(60, billInvoiced(s));
    ASSERT_LT(0, redInvoice(first));
    EXPECT_EQ(0, billInvoiced(s));
    // With every invoice taken back the bill may go.
    EXPECT_EQ(0, call(u"P_JXC_DJ_PostDel"_s, {{"billid", n(s)}}));
}

TEST_F(Invoicing, ByGoodsPerLineAndWithinTheBill) {
    const qint64 s = saleOf100(true);
    const qint64 l1 = lineId(s, 1), l2 = lineId(s, 2);
    const qint64 first = invoice(70, kCustomer, {{0, l1, 60}, {0, l2, 100}});
    EXPECT_EQ(60, lineInvoiced(l1));
    EXPECT_EQ(100, lineInvoiced(l2));
    EXPECT_EQ(160, billInvoiced(s));
    EXPECT_EQ(s, value(u"SELECT s_id FROM djList WHERE id = ? ORDER BY orderid"_s, {first}).toLongLong());
    const qint64 second = invoice(70, kCustomer, {{s, l1, 40}});
    EXPECT_EQ(100, lineInvoiced(l1));
    EXPECT_EQ(u"单据[T-1]的商品[螺丝]未开票金额只有0.00，不能再开票1.00！"_s,
              invoiceError(70, kCustomer, {{0, l1, 1}}));
    ASSERT_EQ(0, delInvoice(second));
    EXPECT_EQ(60, lineInvoiced(l1));
    EXPECT_EQ(100, lineInvoiced(l2));
    EXPECT_EQ(160, billInvoiced(s));
    // By bill and by goods share the bill's amount: 40 left of 200.
    EXPECT_EQ(u"单据[T-1]未开票金额只有40.00，不能再开票41.00！"_s,
              invoiceError(69, kCustomer, {{s, 0, 41}}));
    invoice(69, kCustomer, {{s, 0, 40}});
    EXPECT_EQ(u"单据[T-1]未开票金额只有0.00，不能再开票40.00！"_s,
              invoiceError(70, kCustomer, {{0, l1, 40}}));
    ASSERT_LT(0, redInvoice(first));
    EXPECT_EQ(0, lineInvoiced(l1));
    EXPECT_EQ(0, lineInvoiced(l2));
    EXPECT_EQ(40, billInvoiced(s));
}

TEST_F(Invoicing, RefusesWhatCannotBeInvoiced) {
    const qint64 s = saleOf100();
    const qint64 p = post(purchase(kAverage, 5, 20, "2024-01-05"));  // T-5, 100
    const qint64 draft = store(*db_, sale(kAverage, 1, 10, "2024-01-11"), 1);
    const qint64 purchaseLine = lineId(p, 1);
    struct Case {
        const char* what;
        int kind;
        qint64 partner;
        std::vector<InvoiceLine> lines;
        QString error;
    } cases[] = {
        {"no partner", 69, 0, {{s, 0, 10}}, u"开票单据没有选择往来单位，不能过账！"_s},
        {"a purchase in a sales invoice", 69, kSupplier, {{p, 0, 10}},
         u"第1行的单据[T-5]不是销售单据，不能在本单据中开票！"_s},
        {"a sale in a purchase invoice by goods", 68, kCustomer, {{0, lineId(s, 1), 10}},
         u"第1行的单据[T-1]不是进货单据，不能在本单据中开票！"_s},
        {"another partner's bill", 67, kCustomer, {{p, 0, 10}},
         u"第1行的单据[T-5]不是本往来单位的单据！"_s},
        {"a draft", 69, kCustomer, {{draft, 0, 10}}, u"第1行开票的单据不存在或没有过账！"_s},
        {"no amount", 67, kSupplier, {{p, 0, 0}}, u"第1行的开票金额必须大于零！"_s},
        {"a negative amount", 68, kSupplier, {{p, purchaseLine, -5}},
         u"第1行的开票金额必须大于零！"_s},
        {"by goods without a line", 68, kSupplier, {{p, 0, 10}},
         u"第1行没有选择开票的商品！"_s},
        {"a line of another bill", 70, kCustomer, {{s, purchaseLine, 10}},
         u"第1行的商品与开票的单据不符！"_s},
        {"by bill without a bill", 67, kSupplier, {{0, 0, 10}}, u"第1行没有选择开票的单据！"_s},
        {"beyond the purchase", 67, kSupplier, {{p, 0, 60}, {p, 0, 40.01}},
         u"单据[T-5]未开票金额只有100.00，不能再开票100.01！"_s},
    };
    const QStringList before = ledgerRows(*db_);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.error, invoiceError(c.kind, c.partner, c.lines));
        EXPECT_EQ(before, ledgerRows(*db_));
        EXPECT_EQ(0, billInvoiced(s));
        EXPECT_EQ(0, billInvoiced(p));
    }
    // A reversed bill cannot be invoiced.
    ASSERT_LT(0, redInvoice(p));
    EXPECT_EQ(u"第1行的单据[T-5]已经红冲，不能开票！"_s,
              invoiceError(67, kSupplier, {{p, 0, 10}}));
}

}  // namespace
}  // namespace dyt::ledgertest
