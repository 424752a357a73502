// The figures of a goods line and of a goods bill.
#include "client/logic/billcalc.h"

#include <QDate>

#include "client/logic/settings.h"
#include "common/currency.h"
#include "common/rounding.h"

using namespace Qt::StringLiterals;

namespace dyt::client::billcalc {

namespace {

const QString kDateFormat = u"yyyy-MM-dd"_s;

// The kinds of recomputation, by the column that changed.
enum class Changed {
    None,
    QtyOrPrice,
    Total,
    Tax,
    TaxPrice,
    TaxTotalSum,
    Discount,
    DiscountPrice,
    DiscountTotal,
    Freight,
    OutDate,
    ExpiryDate
};

Changed changedKind(const QString& column) {
    const QString c = column.toLower();
    if (c == u"qty"_s || c == u"price"_s)
        return Changed::QtyOrPrice;
    if (c == u"total"_s)
        return Changed::Total;
    if (c == u"tax"_s)
        return Changed::Tax;
    if (c == u"taxprice"_s)
        return Changed::TaxPrice;
    if (c == u"taxtotalsum"_s)
        return Changed::TaxTotalSum;
    if (c == u"discount"_s)
        return Changed::Discount;
    if (c == u"discountprice"_s)
        return Changed::DiscountPrice;
    if (c == u"discounttotal"_s)
        return Changed::DiscountTotal;
    if (c == u"yftotal"_s)
        return Changed::Freight;
    if (c == u"outdate"_s)
        return Changed::OutDate;
    if (c == u"yxqdate"_s)
        return Changed::ExpiryDate;
    return Changed::None;
}

}  // namespace

Places Places::fromSettings() {
    const TSettings& s = settings();
    Places p;
    p.qty = s.QtyDot;
    p.price = s.PriceDot;
    p.total = s.TotalDot;
    p.discount = s.DiscountDot;
    p.tax = s.TaxDot;
    return p;
}

bool isComputedColumn(const QString& column) {
    return changedKind(column) != Changed::None;
}

QString AddDays(const QString& date, int days) {
    const QDate d = QDate::fromString(date.trimmed().left(10), kDateFormat);
    if (!d.isValid())
        return {};
    return d.addDays(days).toString(kDateFormat);
}

Line Recalc(const Line& line, const QString& changedColumn, const Places& places) {
    const Changed kind = changedKind(changedColumn);
    if (kind == Changed::None)
        return line;
    Line out = line;
    if (kind == Changed::OutDate || kind == Changed::ExpiryDate) {
        if (kind == Changed::OutDate && !line.outDate.trimmed().isEmpty())
            out.yxqDate = AddDays(line.outDate, line.shelfDays);
        if (kind == Changed::ExpiryDate && !line.yxqDate.trimmed().isEmpty())
            out.outDate = AddDays(line.yxqDate, -line.shelfDays);
        return out;
    }

    const auto money = [&](double v) { return roundTo(v, places.total); };
    double q = line.qty;
    double p = line.price;
    double t = line.total;
    double d = line.discount;
    double dp = line.discountPrice;
    double dt = line.discountTotal;
    const double r = line.tax;
    double tp = line.taxPrice;
    double ts = line.taxTotalSum;
    const double f = line.yfTotal;
    double taxTotal = line.taxTotal;
    double lsTotal = line.lsTotal;
    const double k = r / 100.0 + 1.0;

    if (q == 0)
        q = 1;
    if (d <= 0)
        d = 1;
    if (d > 10)
        d = 10;

    // Cost price from the rounded cost total (true) or from the exact one (false).
    bool costFromRounded = true;
    switch (kind) {
        case Changed::QtyOrPrice:
            t = q * p;
            dp = p * d;
            dt = t * d;
            tp = k * dp;
            ts = k * dt;
            lsTotal = line.lsPrice * q;
            break;
        case Changed::Total:
            p = t / q;
            dp = p * d;
            dt = t * d;
            tp = k * dp;
            ts = k * dt;
            break;
        case Changed::Tax:
            tp = p * d * k;
            ts = q * p * d * k;
            taxTotal = money(ts) - money(q * p * d);
            break;
        case Changed::TaxPrice:
            ts = tp * q;
            dp = tp / k;
            p = dp / d;
            t = q * p;
            dt = t * d;
            costFromRounded = false;
            break;
        case Changed::TaxTotalSum:
            dt = ts / k;
            dp = dt / q;
            t = dt / d;
            p = money(t) / q;
            tp = ts / q;
            costFromRounded = false;
            break;
        case Changed::Discount:
            dp = p * d;
            dt = q * p * d;
            tp = k * dp;
            ts = k * dt;
            costFromRounded = false;
            break;
        case Changed::DiscountPrice:
            d = p == 0 ? 1 : dp / p;
            dt = q * p * d;
            tp = k * dp;
            ts = k * dt;
            costFromRounded = false;
            break;
        case Changed::DiscountTotal:
            d = q * p == 0 ? 1 : dt / (q * p);
            dp = p * d;
            if (r == 0) {
                ts = dt;
                tp = dp;
            } else {
                tp = k * dp;
                ts = q * p * d * k;
            }
            break;
        case Changed::Freight:
        default:
            break;
    }

    double ct = line.costTotal;
    double cp = line.costPrice;
    if (kind != Changed::Tax) {
        taxTotal = money(ts) - money(dt);
        ct = dt + f;
        cp = costFromRounded ? money(ct) / q : ct / q;
    }

    out.qty = roundTo(q, places.qty);
    out.price = roundTo(p, places.price);
    out.discountPrice = roundTo(dp, places.price);
    out.costPrice = roundTo(cp, places.price);
    out.taxPrice = roundTo(tp, places.price);
    out.total = money(t);
    out.discountTotal = money(dt);
    out.costTotal = money(ct);
    out.taxTotal = money(taxTotal);
    out.taxTotalSum = money(ts);
    out.lsTotal = money(lsTotal);
    out.discount = roundTo(d, places.discount);
    out.yfTotal = roundTo(f, places.tax);
    out.tax = roundTo(r, places.tax);
    return out;
}

std::vector<std::optional<double>> allocateFreight(const std::vector<std::optional<double>>& qtys,
                                                   double freight, int totalPlaces) {
    std::vector<std::optional<double>> shares(qtys.size());
    Currency sumQty;
    for (const auto& q : qtys)
        if (q)
            sumQty += Currency::fromDouble(*q);
    if (sumQty <= Currency())
        return shares;
    const Currency total = Currency::fromDouble(freight);
    const double perUnit = roundTo(total.toDouble() / sumQty.toDouble(), kMaxPatternDecimals);
    Currency allocated;
    int last = -1;
    for (std::size_t i = 0; i < qtys.size(); ++i) {
        if (!qtys[i])
            continue;
        const Currency share = Currency::fromDouble(
            roundTo(Currency::fromDouble(*qtys[i]).toDouble() * perUnit, totalPlaces));
        shares[i] = share.toDouble();
        allocated += share;
        last = int(i);
    }
    if (last >= 0 && allocated != total)
        shares[std::size_t(last)] =
            (Currency::fromDouble(*shares[std::size_t(last)]) + total - allocated).toDouble();
    return shares;
}

double amountAfterDiscount(double taxTotalSum, double discountAmount, int totalPlaces) {
    return roundTo(taxTotalSum - discountAmount, totalPlaces);
}

double normalizedDiscountRate(double rate) {
    return rate < 0 || rate >= 100 ? 0 : rate;
}

double discountAmountOfRate(double rate, double taxTotalSum, int totalPlaces) {
    const double accepted = normalizedDiscountRate(rate);
    if (accepted == 0)
        return 0;
    const double sum = Currency::fromDouble(taxTotalSum).toDouble();
    return roundTo(accepted * sum / 100.0, totalPlaces);
}

bool validDefaultDiscount(double discount) {
    return discount >= 0 && discount <= 1;
}

}  // namespace dyt::client::billcalc
