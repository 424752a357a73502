#pragma once
// The balances the ledgers keep, read through the fixture's own number(sql) and query(sql):
// the stock of a goods in a warehouse, partner balances and account totals.

#include <QList>
#include <QString>
#include <QStringList>

#include <initializer_list>

#include "records.h"

using namespace Qt::StringLiterals;

namespace dyt::test {

// Accounts of the seeded chart.
namespace chart {
constexpr qint64 kmAssets = 1, kmStock = 6, kmReceivable = 7, kmCash = 8, kmBanks = 9,
                 kmPrepaid = 10, kmPayable = 16, kmAdvanceReceived = 17, kmTax = 19, kmSales = 21,
                 kmOtherIncome = 22, kmOverflow = 23, kmPurchaseDiscount = 24, kmCostOfSales = 26,
                 kmOtherFee = 27, kmLoss = 28, kmSalesDiscount = 29, kmCostAdjust = 30, kmBank = 36;
}  // namespace chart

template <typename Fixture>
class LedgerFigures {
public:
    double stockQty(qint64 goods, qint64 stock) { return stockSum("qty", goods, stock); }
    double stockValue(qint64 goods, qint64 stock) { return stockSum("total", goods, stock); }
    QList<double> stockOf(qint64 goods, qint64 stock) {
        return {stockQty(goods, stock), stockValue(goods, stock)};
    }
    double partnerField(qint64 wldw, const char* field) {
        return read(u"SELECT %1 FROM baseWLDW WHERE id = %2"_s.arg(QLatin1String(field)).arg(wldw));
    }
    double receivable(qint64 wldw) { return partnerField(wldw, "ystotal"); }
    double payable(qint64 wldw) { return partnerField(wldw, "yftotal"); }
    double advanceReceived(qint64 wldw) { return partnerField(wldw, "yushoutotal"); }
    double account(qint64 km) { return read(u"SELECT Total FROM baseKM WHERE id = %1"_s.arg(km)); }
    QList<double> accounts(std::initializer_list<qint64> kms) {
        return each(kms, &LedgerFigures::account);
    }
    QList<double> receivables(std::initializer_list<qint64> ids) {
        return each(ids, &LedgerFigures::receivable);
    }
    QList<double> payables(std::initializer_list<qint64> ids) {
        return each(ids, &LedgerFigures::payable);
    }
    // Every balance the ledgers keep, one text row each, for before/after comparisons.
    QStringList balances() {
        QStringList out;
        for (const char* sql :
             {"SELECT goodsid, stockid, goodspc, qty, total FROM baseGoodsStock WHERE qty <> 0 OR "
              "total <> 0 ORDER BY goodsid, stockid, goodspc",
              "SELECT id, ystotal, yftotal, yushoutotal, yufutotal FROM baseWLDW ORDER BY id",
              "SELECT id, dbTotal - LendTotal, Total FROM baseKM ORDER BY id",
              "SELECT id, sfkTotalLj, isOver FROM djIndex WHERE isredword = 0 AND isred = 0 AND "
              "dj_state = 2 ORDER BY id",
              "SELECT orderid, toQty, isOver FROM djList WHERE dj_state = 2 AND djType IN (4, 8) "
              "ORDER BY orderid"})
            out << numberRows(static_cast<Fixture*>(this)->query(QString::fromLatin1(sql)));
        return out;
    }

private:
    double read(const QString& sql) { return static_cast<Fixture*>(this)->number(sql); }
    double stockSum(const char* field, qint64 goods, qint64 stock) {
        return read(u"SELECT sum(%1) FROM baseGoodsStock WHERE goodsid = %2 AND stockid = %3"_s
                        .arg(QLatin1String(field))
                        .arg(goods)
                        .arg(stock));
    }
    QList<double> each(std::initializer_list<qint64> ids, double (LedgerFigures::*f)(qint64)) {
        QList<double> out;
        for (qint64 id : ids)
            out << (this->*f)(id);
        return out;
    }
};

}  // namespace dyt::test
