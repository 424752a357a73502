// The price and stock-limit warning list.
#include "client/bills/frmbaseshowprice.h"

#include "common/error.h"

namespace dyt::client {

namespace showpricetext {
QString caption(int kind) {
    switch (kind) {
        case 1:
            return QStringLiteral("折后售价低于最近折后进价");
        case 2:
        case 6:
            return QStringLiteral("折后售价低于库存成本");
        case 3:
        case 5:
            return QStringLiteral("折后售价低于最低售价");
        case 4:
            return QStringLiteral("进价异常");
        case 7:
            return QStringLiteral("库存下限");
        case 8:
            return QStringLiteral("库存上限");
        default:
            return title();
    }
}
QString question(int kind) {
    switch (kind) {
        case 1:
            return QStringLiteral("以下商品折后售价低于最近折后进价，是否继续？");
        case 2:
            return QStringLiteral("以下商品折后售价低于库存成本，是否继续？");
        case 3:
            return QStringLiteral("以下商品折后售价低于最低售价，是否继续？");
        case 4:
            return QStringLiteral("以下商品进价异常，是否继续？");
        case 5:
            return QStringLiteral("以下商品折后售价低于最低售价，不能过账！");
        case 6:
            return QStringLiteral("以下商品折后售价低于库存成本，不能过账！");
        case 7:
            return QStringLiteral("以下商品库存已超过下限，是否继续？");
        case 8:
            return QStringLiteral("以下商品库存已超过上限，是否继续？");
        default:
            return {};
    }
}
}  // namespace showpricetext

bool showPriceCanContinue(int kind) {
    return kind != kPriceBelowLowestStop && kind != kPriceBelowCostStop;
}

int& stockLimitColumnWidth() {
    static int width = 70;
    return width;
}

namespace {
void checkKind(int kind) {
    if (kind < 1 || kind > 8)
        throw DytError(QStringLiteral("售价提示类型错误：%1").arg(kind));
}

WarnListLook showPriceLook(int kind) {
    checkKind(kind);
    WarnListLook look;
    look.objectName = QStringLiteral("TfrmBaseShowPrice");
    look.caption = showpricetext::caption(kind);
    look.question = showpricetext::question(kind);
    look.canContinue = showPriceCanContinue(kind);
    GridDefinition& def = look.columns;
    warnlist::initDefinition(def);
    warnlist::addHidden(def, QStringLiteral("sp_id"));
    if (kind != kPurchasePriceOdd)
        warnlist::addHidden(def, QStringLiteral("ck_id"));
    warnlist::addColumn(def, QStringLiteral("行号"), QStringLiteral("row"), 50);
    switch (kind) {
        case 1:
            warnlist::addColumn(def, QStringLiteral("[%P%]折后售价"), QStringLiteral("Price1"), 70);
            warnlist::addColumn(def, QStringLiteral("[%P%Cost%]最近折后进价"),
                                QStringLiteral("Price2"), 70);
            break;
        case 2:
        case 6:
            warnlist::addColumn(def, QStringLiteral("[%P%]折后售价"), QStringLiteral("Price1"), 70);
            warnlist::addColumn(def, QStringLiteral("[%P%Cost%]库存成本"), QStringLiteral("Price2"),
                                70);
            break;
        case 3:
        case 5:
            warnlist::addColumn(def, QStringLiteral("[%P%]折后售价"), QStringLiteral("Price1"), 70);
            warnlist::addColumn(def, QStringLiteral("[%P%]最低售价"), QStringLiteral("Price2"), 70);
            break;
        case 4:
            warnlist::addColumn(def, QStringLiteral("[%P%Cost%]最近进价"), QStringLiteral("Price2"),
                                100);
            warnlist::addColumn(def, QStringLiteral("[%P%Cost%]本次进价"), QStringLiteral("Price1"),
                                100);
            break;
        case 7:
            warnlist::addColumn(def, QStringLiteral("[%Q%]下限数量"), QStringLiteral("Qty_"),
                                stockLimitColumnWidth());
            warnlist::addColumn(def, QStringLiteral("[%Q%]超限数量"), QStringLiteral("Qty"),
                                stockLimitColumnWidth());
            break;
        case 8:
            warnlist::addColumn(def, QStringLiteral("[%Q%]上限数量"), QStringLiteral("Qty_"),
                                stockLimitColumnWidth());
            warnlist::addColumn(def, QStringLiteral("[%Q%]超限数量"), QStringLiteral("Qty"),
                                stockLimitColumnWidth());
            break;
        default:
            break;
    }
    return look;
}
}  // namespace

TfrmBaseShowPrice::TfrmBaseShowPrice(int kind, const QString& sql, QWidget* parent)
    : TWarnListDialog(showPriceLook(kind), sql, parent), kind_(kind) {}

TfrmBaseShowPrice::TfrmBaseShowPrice(int kind, const RecordSet& rows, QWidget* parent)
    : TWarnListDialog(showPriceLook(kind), rows, parent), kind_(kind) {}

TfrmBaseShowPrice::~TfrmBaseShowPrice() = default;

bool TfrmBaseShowPrice::checkAndShow(int kind, const QString& sql, QWidget* parent) {
    TfrmBaseShowPrice w(kind, sql, parent);
    return w.execWhenRows();
}

bool TfrmBaseShowPrice::checkAndShow(int kind, const RecordSet& rows, QWidget* parent) {
    if (rows.recordCount() == 0)
        return true;
    TfrmBaseShowPrice w(kind, rows, parent);
    return w.execWhenRows();
}

}  // namespace dyt::client
