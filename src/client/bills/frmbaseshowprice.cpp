// The price and stock-limit warning list.
#include "client/bills/frmbaseshowprice.h"

#include <QLabel>
#include <QPushButton>

#include "client/bills/warnlist.h"
#include "client/common/gridview.h"
#include "client/common/prompter.h"
#include "client/common/recordsetmodel.h"
#include "common/error.h"

namespace dyt::client {

namespace showpricetext {
QString title() {
    return QStringLiteral("售价提示");
}
QString continueText() {
    return QStringLiteral("继续");
}
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

bool ShowPriceCanContinue(int kind) {
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
}  // namespace

TfrmBaseShowPrice::TfrmBaseShowPrice(int kind, const QString& sql, QWidget* parent)
    : TfrmBaseDialog(parent), sql_(sql), kind_(kind) {
    checkKind(kind);
    build();
}

TfrmBaseShowPrice::TfrmBaseShowPrice(int kind, const RecordSet& rows, QWidget* parent)
    : TfrmBaseDialog(parent), kind_(kind), rows_(rows) {
    checkKind(kind);
    build();
    loaded_ = true;
    warnlist::Parts parts{lblQuestion_, grid_, model_};
    warnlist::bind(parts, &rows_, &def_, showpricetext::caption(kind_));
}

TfrmBaseShowPrice::~TfrmBaseShowPrice() {
    if (shown_)
        warnlist::keepLayout(warnlist::Parts{lblQuestion_, grid_, model_},
                             showpricetext::caption(kind_));
    // The view reads the columns and rows held by members: it goes first.
    delete grid_;
    delete model_;
}

void TfrmBaseShowPrice::build() {
    setObjectName(QStringLiteral("TfrmBaseShowPrice"));
    warnlist::initDefinition(def_);
    warnlist::addHidden(def_, QStringLiteral("sp_id"));
    if (kind_ != kPurchasePriceOdd)
        warnlist::addHidden(def_, QStringLiteral("ck_id"));
    warnlist::addColumn(def_, QStringLiteral("行号"), QStringLiteral("row"), 50);
    switch (kind_) {
        case 1:
            warnlist::addColumn(def_, QStringLiteral("[%P%]折后售价"), QStringLiteral("Price1"),
                                70);
            warnlist::addColumn(def_, QStringLiteral("[%P%Cost%]最近折后进价"),
                                QStringLiteral("Price2"), 70);
            break;
        case 2:
        case 6:
            warnlist::addColumn(def_, QStringLiteral("[%P%]折后售价"), QStringLiteral("Price1"),
                                70);
            warnlist::addColumn(def_, QStringLiteral("[%P%Cost%]库存成本"),
                                QStringLiteral("Price2"), 70);
            break;
        case 3:
        case 5:
            warnlist::addColumn(def_, QStringLiteral("[%P%]折后售价"), QStringLiteral("Price1"),
                                70);
            warnlist::addColumn(def_, QStringLiteral("[%P%]最低售价"), QStringLiteral("Price2"),
                                70);
            break;
        case 4:
            warnlist::addColumn(def_, QStringLiteral("[%P%Cost%]最近进价"),
                                QStringLiteral("Price2"), 100);
            warnlist::addColumn(def_, QStringLiteral("[%P%Cost%]本次进价"),
                                QStringLiteral("Price1"), 100);
            break;
        case 7:
            warnlist::addColumn(def_, QStringLiteral("[%Q%]下限数量"), QStringLiteral("Qty_"),
                                stockLimitColumnWidth());
            warnlist::addColumn(def_, QStringLiteral("[%Q%]超限数量"), QStringLiteral("Qty"),
                                stockLimitColumnWidth());
            break;
        case 8:
            warnlist::addColumn(def_, QStringLiteral("[%Q%]上限数量"), QStringLiteral("Qty_"),
                                stockLimitColumnWidth());
            warnlist::addColumn(def_, QStringLiteral("[%Q%]超限数量"), QStringLiteral("Qty"),
                                stockLimitColumnWidth());
            break;
        default:
            break;
    }
    warnlist::Parts parts =
        warnlist::build(this, showpricetext::caption(kind_), showpricetext::question(kind_),
                        ShowPriceCanContinue(kind_));
    lblQuestion_ = parts.question;
    grid_ = parts.grid;
    model_ = parts.model;
    connect(parts.print, &QPushButton::clicked, this, [this] { btnPrintClick(); });
}

int TfrmBaseShowPrice::btnPrintClick() {
    try {
        return warnlist::printList(this, warnlist::Parts{lblQuestion_, grid_, model_}, def_, rows_,
                                   showpricetext::caption(kind_));
    } catch (const DytError& e) {
        prompter().message(caption::hint(), e.message());
        return 0;
    }
}

void TfrmBaseShowPrice::loadRows() {
    if (!sql_.isEmpty())
        warnlist::runSql(sql_, &rows_);
    loaded_ = true;
    warnlist::Parts parts{lblQuestion_, grid_, model_};
    warnlist::bind(parts, &rows_, &def_, showpricetext::caption(kind_));
}

void TfrmBaseShowPrice::FormShow() {
    TfrmBaseDialog::FormShow();
    shown_ = true;
    btnOK()->setText(showpricetext::continueText());
    btnOK()->setVisible(ShowPriceCanContinue(kind_));
    if (!loaded_) {
        try {
            loadRows();
        } catch (const DytError& e) {
            prompter().showError(caption::error(), e.message());
        }
    }
    warnlist::focusContinue(this);
}

bool TfrmBaseShowPrice::CheckAndShow(int kind, const QString& sql, QWidget* parent) {
    TfrmBaseShowPrice w(kind, sql, parent);
    w.loadRows();
    if (w.rows().recordCount() == 0)
        return true;
    return w.exec() == 1;
}

bool TfrmBaseShowPrice::CheckAndShow(int kind, const RecordSet& rows, QWidget* parent) {
    if (rows.recordCount() == 0)
        return true;
    TfrmBaseShowPrice w(kind, rows, parent);
    return w.exec() == 1;
}

}  // namespace dyt::client
