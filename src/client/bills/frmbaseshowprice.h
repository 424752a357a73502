#pragma once
// TfrmBaseShowPrice ("售价提示"): the modal list of the price and stock-limit warnings a goods
// bill shows before saving. The bill gives the kind and the SQL text (or the rows) of the list;
// "继续" closes with OK, anything else with cancel; kinds 5 and 6 offer no "继续".

#include <QString>

#include "client/bills/warnlist.h"
#include "client/logic/fixedtext.h"
#include "common/recordset.h"

namespace dyt::client {

// The kinds of the list.
enum ShowPriceKind : int {
    kPriceBelowLatestBuy = 1,   // 折后售价低于最近折后进价
    kPriceBelowCost = 2,        // 折后售价低于库存成本
    kPriceBelowLowest = 3,      // 折后售价低于最低售价
    kPurchasePriceOdd = 4,      // 进价异常
    kPriceBelowLowestStop = 5,  // as 3, cannot be posted
    kPriceBelowCostStop = 6,    // as 2, cannot be posted
    kStockBelowLower = 7,       // 库存下限
    kStockAboveUpper = 8,       // 库存上限
};

namespace showpricetext {
inline constexpr FixedText title{u"售价提示"};
inline constexpr FixedText continueText{u"继续"};
QString caption(int kind);
QString question(int kind);
}  // namespace showpricetext

// Whether the kind lets the operator continue (every kind but 5 and 6).
bool showPriceCanContinue(int kind);

// Width of the quantity columns of kinds 7 and 8 (70, or 0 to hide them).
int& stockLimitColumnWidth();

class TfrmBaseShowPrice : public TWarnListDialog {
    Q_OBJECT

public:
    // sql: the text whose rows are listed (run on showing); empty when rows are set instead.
    TfrmBaseShowPrice(int kind, const QString& sql, QWidget* parent = nullptr);
    TfrmBaseShowPrice(int kind, const RecordSet& rows, QWidget* parent = nullptr);
    ~TfrmBaseShowPrice() override;

    // The entry point of a bill at save time: runs the text (or takes the rows); with no row
    // returns true at once, else shows the list modally and returns true only on "继续".
    static bool checkAndShow(int kind, const QString& sql, QWidget* parent = nullptr);
    static bool checkAndShow(int kind, const RecordSet& rows, QWidget* parent = nullptr);

    int kind() const { return kind_; }

private:
    int kind_;
};

}  // namespace dyt::client
