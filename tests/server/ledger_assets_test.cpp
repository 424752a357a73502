// Fixed assets, deferred expenses, vouchers, labour fees and quotations: the balances after
// posting, after the red reversal and after deletion, and the refusals, against figures worked
// out by hand.

#include <QFile>

#include <cmath>
#include <functional>

#include "ledger_fixture.h"

using namespace Qt::StringLiterals;

namespace dyt::ledgertest {
namespace {

constexpr qint64 kmFixed = 11, kmDepreciation = 12, kmDeferred = 13, kmDepreciationFee = 31,
                 kmAmortisation = 32;

class Assets : public OpenedLedgerTest {
protected:
    void SetUp() override {
        OpenedLedgerTest::SetUp();
        db_->execute(u"INSERT INTO GDZCDetail(id, code, Name, IsBaseInfo) VALUES "
                     "(1, 'GD01', '货车', 0), (2, 'GD02', '叉车', 0)"_s);
    }
    static QString n(qint64 v) { return QString::number(v); }
    // A new account set for the next case (the one before passes the repair check first).
    void fresh() {
        TearDown();
        for (const char* suffix : {"", "-wal", "-shm"})
            QFile::remove(path_ + QString::fromLatin1(suffix));
        SetUp();
    }
    // An asset bill of one card line; money received or paid on the spot in cash.
    static BillPlan asset(int kind, qint64 card, double amount, double cash = 0,
                          const char* date = "2024-01-10", qint64 partner = 0) {
        BillPlan b;
        b.djType = kind;
        b.date = QString::fromLatin1(date);
        b.wldw = partner;
        b.lines.push_back({.goods = card, .qty = 1, .price = amount});
        if (cash != 0)
            b.money.push_back({.km = kmCash, .amount = cash});
        return b;
    }
    // A bill of account lines (account, amount).
    static BillPlan accountsBill(int kind, std::vector<std::pair<qint64, double>> lines,
                                 double cash = 0, qint64 partner = 0,
                                 const char* date = "2024-01-10") {
        BillPlan b;
        b.djType = kind;
        b.date = QString::fromLatin1(date);
        b.wldw = partner;
        for (const auto& [km, total] : lines)
            b.lines.push_back({.km = km, .total = total});
        if (cash != 0)
            b.money.push_back({.km = kmCash, .amount = cash});
        return b;
    }
    // The figures the cases move: accounts, the two partners and card 1.
    QList<double> figures() {
        QList<double> out = accounts({kmFixed, kmDepreciation, kmDeferred, kmCash, kmPayable,
                                      kmReceivable, kmOtherIncome, kmOtherFee, kmDepreciationFee,
                                      kmAmortisation});
        out << payable(kSupplier) << receivable(kCustomer);
        for (const char* f : {"yz", "ljzj", "isSold"})
            out << number(u"SELECT %1 FROM GDZCDetail WHERE id = 1"_s.arg(QLatin1String(f)));
        return out;
    }
    QStringList state() { return balances() + ledgerRows(*db_).mid(0, 3) << figuresText(); }
    QString figuresText() {
        QStringList t;
        for (double v : figures())
            t << QString::number(v);
        return t.join(u' ');
    }
};

TEST_F(Assets, EachKindMovesItsBalancesAndReversalAndDeletionRestoreThem) {
    struct Case {
        const char* what;
        std::vector<BillPlan> before;
        BillPlan bill;
        // fixed, depreciation, deferred, cash, payable account, receivable account, other income,
        // other fee, depreciation fee, amortisation, supplier payable, customer receivable,
        // card yz, ljzj, sold
        QList<double> change;
    } cases[] = {
        {"purchase, 2000 paid, the rest owed",
         {},
         asset(23, 1, 12000, 2000, "2024-01-10", kSupplier),
         {12000, 0, 0, -2000, 10000, 0, 0, 0, 0, 0, 10000, 0, 12000, 0, 0}},
        {"depreciation",
         {asset(23, 1, 12000, 0, "2024-01-05", kSupplier)},
         asset(24, 1, 500),
         {0, 500, 0, 0, 0, 0, 0, 0, 500, 0, 0, 0, 0, 500, 0}},
        // Net value 12000 − 3000 = 9000 sold for 10000: gain 1000; 4000 received, 6000 owed.
        {"sale at a gain",
         {asset(23, 1, 12000, 0, "2024-01-05", kSupplier), asset(24, 1, 3000, 0, "2024-01-06")},
         asset(25, 1, 10000, 4000, "2024-01-10", kCustomer),
         {-12000, -3000, 0, 4000, 0, 6000, 1000, 0, 0, 0, 0, 6000, 0, 0, 1}},
        // Sold for 8000 in cash: loss 1000.
        {"sale at a loss",
         {asset(23, 1, 12000, 0, "2024-01-05", kSupplier), asset(24, 1, 3000, 0, "2024-01-06")},
         asset(25, 1, 8000, 8000),
         {-12000, -3000, 0, 8000, 0, 0, 0, 1000, 0, 0, 0, 0, 0, 0, 1}},
        {"deferred expense incurred",
         {},
         accountsBill(26, {{0, 2400}}, 400, kSupplier),
         {0, 0, 2400, -400, 2000, 0, 0, 0, 0, 0, 2000, 0, 0, 0, 0}},
        {"deferred expense amortised",
         {accountsBill(26, {{kmDeferred, 2400}}, 0, kSupplier, "2024-01-05")},
         accountsBill(27, {{0, 600}}),
         {0, 0, -600, 0, 0, 0, 0, 0, 0, 600, 0, 0, 0, 0, 0}},
        {"voucher", {}, accountsBill(34, {{kmOtherFee, 300}, {kmCash, -300}}),
         {0, 0, 0, -300, 0, 0, 0, 300, 0, 0, 0, 0, 0, 0, 0}},
        {"labour fee, 300 paid",
         {},
         accountsBill(66, {{kmOtherFee, 800}}, 300, kSupplier),
         {0, 0, 0, -300, 500, 0, 0, 800, 0, 0, 500, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fresh();
        for (const BillPlan& b : c.before)
            post(b);
        const QList<double> start = figures();
        const QStringList before = state();
        const qint64 id = post(c.bill);
        QList<double> moved = figures();
        for (qsizetype i = 0; i < moved.size(); ++i)
            moved[i] = std::round((moved[i] - start[i]) * 1e4) / 1e4;
        EXPECT_EQ(c.change, moved);
        ASSERT_LT(0, call(u"P_JXC_DJ_CopyRed"_s, {{"isRed", u"-1"_s}, {"billid", n(id)}}));
        EXPECT_EQ(before, state()) << "after the red reversal";
        const qint64 again = post(c.bill);
        EXPECT_EQ(c.change.last(), figures().last());
        ASSERT_EQ(0, call(u"P_JXC_DJ_PostDel"_s, {{"billid", n(again)}}));
        EXPECT_EQ(before, state()) << "after the deletion";
    }
}

TEST_F(Assets, RefusalsNameTheCardOrTheAccountAndWriteNothing) {
    struct Case {
        const char* what;
        std::vector<BillPlan> before;
        std::function<void(const QList<qint64>&)> step;
        QString error;
    } cases[] = {
        {"depreciation beyond the original value",
         {asset(23, 1, 1000, 1000), asset(24, 1, 800)},
         [this](const QList<qint64>&) { post(asset(24, 1, 300)); },
         u"第 1 行固定资产[GD01 货车]原值1000，已提折旧800，本次折旧300后净值将小于零，不能过账！"_s},
        {"a sold card depreciated",
         {asset(23, 1, 1000, 1000), asset(25, 1, 900, 900)},
         [this](const QList<qint64>&) { post(asset(24, 1, 100)); },
         u"第 1 行固定资产[GD01 货车]已经变卖，不能过账！"_s},
        {"a sold card sold again",
         {asset(23, 1, 1000, 1000), asset(25, 1, 900, 900)},
         [this](const QList<qint64>&) { post(asset(25, 1, 900, 900)); },
         u"第 1 行固定资产[GD01 货车]已经变卖，不能过账！"_s},
        {"depreciation dated before the sale, posted after it",
         {asset(23, 1, 1000, 1000, "2024-01-05"), asset(25, 1, 900, 900, "2024-01-10")},
         [this](const QList<qint64>&) { post(asset(24, 1, 100, 0, "2024-01-08")); },
         u"第 1 行固定资产[GD01 货车]已经变卖，不能过账！"_s},
        {"a purchase deleted after its depreciation",
         {asset(23, 1, 1000, 1000, "2024-01-05"), asset(24, 1, 100)},
         [this](const QList<qint64>& ids) {
             call(u"P_JXC_DJ_PostDel"_s, {{"billid", n(ids[0])}});
         },
         u"固定资产[GD01 货车]的累计折旧[100]将超过原值[0]，不能删除！"_s},
        {"the depreciation of a sold card reversed",
         {asset(23, 1, 1000, 1000), asset(24, 1, 100), asset(25, 1, 900, 900)},
         [this](const QList<qint64>& ids) {
             call(u"P_JXC_DJ_CopyRed"_s, {{"isRed", u"-1"_s}, {"billid", n(ids[1])}});
         },
         u"固定资产[GD01 货车]已经变卖，不能红冲！"_s},
        {"a sale without a partner for what is not received",
         {asset(23, 1, 1000, 1000)},
         [this](const QList<qint64>&) { post(asset(25, 1, 900, 500)); },
         u"单据金额[900]与收付款金额[500]不一致，必须选择往来单位！"_s},
        {"an unbalanced voucher",
         {},
         [this](const QList<qint64>&) {
             post(accountsBill(34, {{kmOtherFee, 300}, {kmCash, -200}}));
         },
         u"会计凭证借方合计[300]与贷方合计[200]不相等，不能过账！"_s},
        {"a voucher on the receivables",
         {},
         [this](const QList<qint64>&) {
             post(accountsBill(34, {{kmReceivable, 300}, {kmCash, -300}}));
         },
         u"第 1 行的科目[应收账款]由业务单据自动记账，会计凭证不能直接记入！"_s},
        {"a voucher taking more out of the deferred expenses than they hold",
         {accountsBill(26, {{0, 500}}, 500)},
         [this](const QList<qint64>&) {
             post(accountsBill(34, {{kmOtherFee, 800}, {kmDeferred, -800}}));
         },
         u"待摊费用[待摊费用]在2024-01-10的余额将小于零（-300），不能过账！"_s},
        {"amortising more than was incurred",
         {accountsBill(26, {{0, 500}}, 500)},
         [this](const QList<qint64>&) { post(accountsBill(27, {{0, 600}})); },
         u"待摊费用余额[500]不足，不能摊销[600]，不能过账！"_s},
        {"amortising before the expense was incurred",
         {accountsBill(26, {{0, 500}}, 500, 0, "2024-01-20")},
         [this](const QList<qint64>&) { post(accountsBill(27, {{0, 300}})); },
         u"待摊费用[待摊费用]在2024-01-10的余额将小于零（-300），不能过账！"_s},
        {"an incurred expense deleted after its amortisation",
         {accountsBill(26, {{0, 500}}, 500, 0, "2024-01-05"), accountsBill(27, {{0, 300}})},
         [this](const QList<qint64>& ids) {
             call(u"P_JXC_DJ_CopyRed"_s, {{"isRed", u"-1"_s}, {"billid", n(ids[0])}});
         },
         u"待摊费用[待摊费用]在2024-01-10的余额将小于零（-300），不能红冲！"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fresh();
        QList<qint64> ids;
        for (const BillPlan& b : c.before)
            ids << post(b);
        const QStringList before = state();
        const qint64 bills = number(u"SELECT COUNT(*) FROM djIndex WHERE dj_state = 2"_s);
        EXPECT_EQ(c.error, test::errorOf([&] { c.step(ids); }));
        EXPECT_EQ(before, state());
        EXPECT_EQ(bills, number(u"SELECT COUNT(*) FROM djIndex WHERE dj_state = 2"_s));
    }
}

TEST_F(Assets, CardsAreKeptByTheirProcedureAndTheirValuesMoveByBillsOnly) {
    const int id = call(u"P_JXC_GDZC_Save"_s, {{"code", u"GD03"_s}, {"Name", u"电脑"_s},
                                               {"km_id", n(kmFixed)}, {"zjys", u"36"_s}});
    ASSERT_LT(2, id);
    const QString card = u"SELECT code, Name, km_id, zjys, yz FROM GDZCDetail WHERE id = %1"_s.arg(id);
    post(asset(23, id, 900, 900));
    EXPECT_EQ(u"固定资产编号[GD01]已经存在！"_s,
              callError(u"P_JXC_GDZC_Save"_s, {{"code", u"GD01"_s}, {"Name", u"电脑"_s}}));
    EXPECT_EQ(u"固定资产已经有业务单据，不能修改它的会计科目！"_s,
              callError(u"P_JXC_GDZC_Save"_s,
                        {{"id", n(id)}, {"code", u"GD03"_s}, {"Name", u"电脑"_s}}));
    EXPECT_EQ(u"固定资产已经有业务单据，原值由单据决定，不能修改！"_s,
              callError(u"P_JXC_GDZC_Save"_s, {{"id", n(id)}, {"code", u"GD03"_s},
                                               {"Name", u"电脑"_s}, {"km_id", n(kmFixed)},
                                               {"yz", u"1"_s}}));
    ASSERT_EQ(id, call(u"P_JXC_GDZC_Save"_s, {{"id", n(id)}, {"code", u"GD03"_s},
                                              {"Name", u"笔记本电脑"_s}, {"km_id", n(kmFixed)},
                                              {"zjys", u"24"_s}, {"yz", u"900"_s}}));
    EXPECT_EQ((QStringList{u"GD03|笔记本电脑|11|24|900"_s}), test::rowTexts(query(card)));
    // The card's bill copies into asset bills only: its lines name a card, not goods.
    const qint64 bought = value(u"SELECT id FROM djIndex WHERE djType = 23"_s).toLongLong();
    for (const auto& [kind, error] : {std::pair{u"5"_s, u"固定资产单据只能与固定资产单据相互复制！"_s},
                                      std::pair{u"24"_s, QString()}}) {
        EXPECT_EQ(error, callError(u"P_JXC_DJ_CopyRed"_s, {{"isRed", u"1"_s}, {"billid", n(bought)},
                                                          {"dj_type", kind}}));
    }
}

TEST_F(Assets, QuotationsMoveNothingAndCopyIntoOrdersAndBills) {
    const auto moved = [this] {
        return ledgerRows(*db_).mid(0, 3)
               << value(u"SELECT (SELECT COUNT(*) FROM djStockDetail) + (SELECT COUNT(*) FROM "
                        "djWLDWDetail) + (SELECT COUNT(*) FROM djKmDetail WHERE type = 0)"_s)
                      .toString();
    };
    const QStringList before = moved();
    const struct {
        int kind;
        qint64 partner;
        std::vector<int> targets;
    } cases[] = {{65, kCustomer, {4, 1}}, {64, kSupplier, {8, 5}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        BillPlan q = goodsBill(c.kind, c.partner, kAverage, 7, 12, "2024-01-10");
        q.lines.push_back({.goods = kFifo, .qty = 3, .price = 20});
        const qint64 id = post(q);
        EXPECT_EQ(before, moved());
        EXPECT_EQ(2, number(u"SELECT dj_state FROM djIndex WHERE id = ?"_s, {id}));
        for (int target : c.targets) {
            ParamList p;
            p.setValue(u"isRed"_s, u"1"_s);
            p.setInt(u"billid"_s, id);
            p.setInt(u"dj_type"_s, target);
            p.setValue(u"billCode"_s, u"C-%1"_s.arg(target));
            const qint64 copy = call(u"P_JXC_DJ_CopyRed"_s, p);
            ASSERT_LT(0, copy);
            EXPECT_EQ((QStringList{u"%1|1|%2"_s.arg(target).arg(c.partner)}),
                      test::rowTexts(query(
                          u"SELECT djType, dj_state, wldw_id FROM djIndex WHERE id = %1"_s.arg(copy))));
            EXPECT_EQ((QStringList{u"31|7|84"_s, u"33|3|60"_s}),
                      test::rowTexts(query(u"SELECT goodsid, qty, total FROM djList WHERE id = %1 "
                                           "ORDER BY orderid"_s.arg(copy))));
        }
        EXPECT_EQ(u"询价单和报价单不能红冲，请直接删除单据！"_s,
                  callError(u"P_JXC_DJ_CopyRed"_s, {{"isRed", u"-1"_s}, {"billid", n(id)}}));
        EXPECT_EQ(0, call(u"P_JXC_DJ_PostDel"_s, {{"billid", n(id)}}));
    }
}

}  // namespace
}  // namespace dyt::ledgertest
