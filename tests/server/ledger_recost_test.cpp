// Costs follow the date order: a bill posted, deleted or reversed before later postings of its
// goods re-costs them, so that every cost, balance and account line is what posting the same
// bills afresh in date order gives; a change that would leave a later bill short is refused by
// that bill's number.

#include <QDir>
#include <QFile>

#include <algorithm>
#include <map>
#include <set>

#include "ledger_fixture.h"

using namespace Qt::StringLiterals;

namespace dyt::ledgertest {
namespace {

struct Step {
    Step(const BillPlan& b) : plan(b) {}             // post the plan
    Step(char o, int target) : op(o), of(target) {}  // 'd' delete, 'r' reverse the bill of a step
    char op = 'p';
    BillPlan plan;
    int of = -1;
};

BillPlan assembly(const char* date) {  // 2 screws become 1 gearbox
    BillPlan b;
    b.djType = 9;
    b.date = QString::fromLatin1(date);
    b.intoStock = kMain;
    b.lines = {{.goods = kAverage, .qty = -2}, {.goods = kProduct, .qty = 1}};
    return b;
}

class Recost : public OpenedLedgerTest {
protected:
    void reopen() {  // a new account set, opened
        TearDown();
        for (const QString& f : QDir(dir_.path()).entryList(QDir::Files))
            QFile::remove(dir_.filePath(f));
        SetUp();
    }
    // Carries out step i; its bill is numbered D<i>.
    QString apply(const Step& s, int i, std::map<int, qint64>& ids) {
        if (s.op == 'p') {
            const QString error = test::errorOf([&] { ids[i] = post(s.plan); });
            db_->execute(u"UPDATE djIndex SET code = ? WHERE id = ?"_s, {u"D%1"_s.arg(i), ids[i]});
            return error;
        }
        const QString target = QString::number(ids[s.of]);
        return s.op == 'd'
                   ? callError(u"P_JXC_DJ_PostDel"_s, {{"billid", target}})
                   : callError(u"P_JXC_DJ_CopyRed"_s, {{"isRed", u"-1"_s}, {"billid", target}});
    }
    // Stock, balances, line costs, movements and account lines, free of ids.
    QStringList picture() {
        QStringList out;
        for (const char* sql :
             {"SELECT goodsid, stockid, sum(qty), sum(total) FROM baseGoodsStock GROUP BY 1, 2",
              "SELECT id, ystotal, yftotal FROM baseWLDW ORDER BY id",
              "SELECT id, dbTotal, LendTotal, Total FROM baseKM ORDER BY id",
              "SELECT replace(a.date, '-', ''), a.djType, b.goodsid, b.qty, b.costtotal "
              "FROM djList AS b JOIN djIndex AS a ON a.id = b.id WHERE a.dj_state = 2 "
              "ORDER BY 1, 2, 3, 4, 5",
              "SELECT replace(date, '-', ''), djType, goodsid, stockid, qty, total FROM "
              "djStockDetail ORDER BY 1, 2, 3, 4, 5, 6",
              "SELECT replace(date, '-', ''), djType, km_id, sum(dbTotal), sum(LendTotal) FROM "
              "djKmDetail WHERE type = 0 GROUP BY 1, 2, 3 ORDER BY 1, 2, 3"})
            out << test::numberRows(query(QString::fromLatin1(sql)));
        return out;
    }
};

TEST_F(Recost, EarlierChangesReCostLaterBillsAsPostingInDateOrderWould) {
    // clang-format off
    struct Case {
        const char* what;
        std::vector<Step> steps;
        int costOf;   // the step whose first line's cost is checked, -1: the last is refused
        double cost;  // that cost, or for a refusal the step the message names
    } cases[] = {
        {"a purchase before a sale (moving average)",
         {purchase(kAverage, 10, 5, "2024-01-10"), sale(kAverage, 5, 9, "2024-01-20"),
          purchase(kAverage, 10, 8, "2024-01-15")}, 1, 5 * (50 + 80) / 20.0},
        {"deleting the oldest batch (FIFO)",
         {purchase(kFifo, 10, 5, "2024-01-10"), purchase(kFifo, 10, 7, "2024-01-12"),
          sale(kFifo, 4, 9, "2024-01-20"), {'d', 0}}, 2, 4 * 7},
        {"a sale before a sale (moving average)",
         {purchase(kAverage, 10, 5, "2024-01-10"), purchase(kAverage, 10, 9, "2024-01-15"),
          sale(kAverage, 5, 20, "2024-01-20"), sale(kAverage, 5, 20, "2024-01-12")},
         2, 5 * (25 + 90) / 15.0},
        {"a red purchase before a sale (LIFO)",
         {purchase(kLifo, 10, 5, "2024-01-10"), purchase(kLifo, 10, 8, "2024-01-12"),
          sale(kLifo, 5, 20, "2024-01-20"), {'r', 1}}, 2, 5 * 5},
        {"an assembly carries the new cost to its product",
         {purchase(kAverage, 10, 5, "2024-01-10"), assembly("2024-01-15"),
          sale(kProduct, 1, 50, "2024-01-20"), purchase(kAverage, 10, 8, "2024-01-05")},
         2, 2 * 130 / 20.0},
        {"deleting a purchase a later sale of the same day needs",
         {purchase(kAverage, 10, 5, "2024-01-10"), purchase(kAverage, 5, 5, "2024-01-11"),
          sale(kAverage, 8, 9, "2024-01-10"), {'d', 0}}, -1, 2},
        {"a sale before a later sale's stock came in",
         {purchase(kFifo, 10, 5, "2024-01-10"), sale(kFifo, 10, 9, "2024-01-20"),
          purchase(kFifo, 10, 5, "2024-01-25"), sale(kFifo, 3, 9, "2024-01-15")}, -1, 1},
    };
    // clang-format on
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::map<int, qint64> ids;
        const int last = static_cast<int>(c.steps.size()) - 1;
        for (int i = 0; i < last; ++i)
            ASSERT_EQ(QString(), apply(c.steps[i], i, ids));
        const QStringList before = picture();
        const QString error = apply(c.steps[last], last, ids);
        if (c.costOf < 0) {
            EXPECT_TRUE(error.contains(u"后面的单据[D%1]"_s.arg(c.cost))) << error.toStdString();
            EXPECT_EQ(before, picture());
        } else {
            ASSERT_EQ(QString(), error);
            EXPECT_NEAR(c.cost, lineCost(ids[c.costOf], 1), 0.00005);
            // The same bills posted afresh in date order (a red one right after its original's
            // date, deleted ones not at all) give the same picture.
            const QStringList after = picture();
            reopen();
            std::set<int> gone;
            for (int i = 0; i <= last; ++i) {
                if (c.steps[i].op == 'd')
                    gone.insert({i, c.steps[i].of});
            }
            std::vector<std::pair<QString, int>> order;
            for (int i = 0; i <= last; ++i) {
                const Step& s = c.steps[i];
                if (!gone.count(i))
                    order.emplace_back((s.op == 'p' ? s : c.steps[s.of]).plan.date, i);
            }
            std::sort(order.begin(), order.end());
            std::map<int, qint64> fresh;
            for (const auto& [date, i] : order)
                ASSERT_EQ(QString(), apply(c.steps[i], i, fresh));
            EXPECT_EQ(after, picture());
        }
        reopen();
    }
}

}  // namespace
}  // namespace dyt::ledgertest
