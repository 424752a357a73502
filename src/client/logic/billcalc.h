#pragma once
// The figures of a goods line and of a goods bill, without widgets: the recomputation of a line
// from the column the operator changed, the freight allocation over the lines, the invoice
// discount (amount, rate, amount after discount) and the default discount of all lines.
//
// Every value written back is rounded to the account set's decimal places by the system's rule
// (format with that many decimals and read back, half away from zero).

#include <QString>

#include <optional>
#include <vector>

namespace dyt::client::billcalc {

// The decimal places of the account set (qtydot, pricedot, totaldot, discountdot, taxdot).
struct Places {
    int qty = 2;
    int price = 2;
    int total = 2;
    int discount = 2;
    int tax = 2;
    // The places of the loaded settings.
    static Places fromSettings();
};

// The values of one goods line that take part in the computation.
struct Line {
    double qty = 0;            // qty
    double price = 0;          // Price
    double total = 0;          // Total
    double discount = 1;       // discount (factor, 1 = none)
    double discountPrice = 0;  // discountprice
    double discountTotal = 0;  // discounttotal
    double tax = 0;            // tax (rate in percent)
    double taxPrice = 0;       // TaxPrice
    double taxTotalSum = 0;    // taxTotalSum
    double taxTotal = 0;       // Taxtotal (tax amount)
    double yfTotal = 0;        // yftotal (freight share)
    double costPrice = 0;      // costPrice
    double costTotal = 0;      // costTotal
    double lsPrice = 0;        // lsPrice (retail price)
    double lsTotal = 0;        // lsTotal
    QString outDate{};         // outdate "yyyy-mm-dd"
    QString yxqDate{};         // yxqdate "yyyy-mm-dd"
    int shelfDays = 0;         // the goods' shelf life in days (sp_yxq)
};

// True for the column names (any letter case) that make a line recompute.
bool isComputedColumn(const QString& column);

// The line recomputed after `changedColumn` changed (names compared in lower case): quantity 0
// becomes 1, a discount of 0 or less becomes 1 and one above 10 becomes 10, then the figures
// follow from the changed column. A column that takes no part gives the line unchanged.
Line Recalc(const Line& line, const QString& changedColumn, const Places& places);

// The freight shares of the lines: `qtys` holds each line's quantity, nullopt for a line without
// goods (it gets no share). Each share is round(qty × u) with u = freight / Σqty (10 decimals);
// the last share takes what rounding left over. Nothing to share on (Σqty ≤ 0): all nullopt.
std::vector<std::optional<double>> allocateFreight(const std::vector<std::optional<double>>& qtys,
                                                   double freight, int totalPlaces);

// The amount after the invoice discount: round(Σ taxTotalSum − discount amount).
double amountAfterDiscount(double taxTotalSum, double discountAmount, int totalPlaces);

// A discount rate in percent as the bill accepts it: below 0 or 100 and more is 0.
double normalizedDiscountRate(double rate);
// The discount amount of a rate: round(rate × Σ taxTotalSum / 100) with the sum as a fixed-point
// value; 0 for a rate of 0 or one that is not accepted.
double discountAmountOfRate(double rate, double taxTotalSum, int totalPlaces);

// Whether a default discount for all lines is acceptable: 0 to 1 inclusive.
bool validDefaultDiscount(double discount);

// Adds days to a "yyyy-mm-dd" date; an empty or malformed date gives an empty text.
QString AddDays(const QString& date, int days);

}  // namespace dyt::client::billcalc
