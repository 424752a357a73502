// The negative stock warning list.
#include "client/bills/frmbasefkc.h"

#include <QLabel>
#include <QPushButton>

#include "client/bills/warnlist.h"
#include "client/common/gridview.h"
#include "client/common/prompter.h"
#include "client/common/recordsetmodel.h"
#include "common/error.h"

namespace dyt::client {

namespace fkctext {
QString title() {
    return QStringLiteral("负库存");
}
QString caption(FkcMode mode) {
    return mode == FkcMode::Real ? QStringLiteral("负库存") : QStringLiteral("虚拟负库存");
}
QString question(FkcMode mode) {
    return mode == FkcMode::Real ? QStringLiteral("以下商品已出现负库存，是否继续？")
                                 : QStringLiteral("以下商品已出现虚拟负库存，是否继续？");
}
}  // namespace fkctext

TfrmBaseFKC::TfrmBaseFKC(FkcMode mode, const QString& sql, QWidget* parent)
    : TfrmBaseDialog(parent), sql_(sql), mode_(mode) {
    build();
}

TfrmBaseFKC::TfrmBaseFKC(FkcMode mode, const RecordSet& rows, QWidget* parent)
    : TfrmBaseDialog(parent), mode_(mode), rows_(rows) {
    build();
    loaded_ = true;
    warnlist::Parts parts{lblQuestion_, grid_, model_};
    warnlist::bind(parts, &rows_, &def_, fkctext::caption(mode_));
}

TfrmBaseFKC::~TfrmBaseFKC() {
    if (shown_)
        warnlist::keepLayout(warnlist::Parts{lblQuestion_, grid_, model_}, fkctext::caption(mode_));
    delete grid_;
    delete model_;
}

void TfrmBaseFKC::build() {
    setObjectName(QStringLiteral("TfrmBaseFKC"));
    warnlist::initDefinition(def_);
    warnlist::addHidden(def_, QStringLiteral("sp_id"));
    warnlist::addColumn(def_, QStringLiteral("行号"), QStringLiteral("row"), 50);
    struct Col {
        const char* caption;
        const char* field;
    };
    const QList<Col> real = {{"[%SUM%Q%]实际库存数量", "Qty"},
                             {"[]库存辅助数量", "fzQty"},
                             {"[%SUM%Q%]负库存数量", "fkcQty"},
                             {"[]负库存辅助数量", "fkcfzQty"}};
    const QList<Col> virt = {
        {"[%SUM%Q%]实际库存数量", "kcQty"},    {"[%SUM%Q%]实际负库存数量", "Qty"},
        {"[]实际负库存辅助数量", "fzQty"},     {"[%SUM%Q%]虚拟库存", "xnkcQty"},
        {"[%SUM%Q%]虚拟负库存数量", "fkcQty"}, {"[]虚拟负库存辅助数量", "fkcfzQty"}};
    for (const Col& c : mode_ == FkcMode::Real ? real : virt) {
        warnlist::addColumn(def_, QString::fromUtf8(c.caption), QString::fromLatin1(c.field), 90);
    }
    warnlist::Parts parts =
        warnlist::build(this, fkctext::caption(mode_), fkctext::question(mode_), true);
    lblQuestion_ = parts.question;
    grid_ = parts.grid;
    model_ = parts.model;
    connect(parts.print, &QPushButton::clicked, this, [this] { btnPrintClick(); });
}

int TfrmBaseFKC::btnPrintClick() {
    try {
        return warnlist::printList(this, warnlist::Parts{lblQuestion_, grid_, model_}, def_, rows_,
                                   fkctext::caption(mode_));
    } catch (const DytError& e) {
        prompter().message(caption::hint(), e.message());
        return 0;
    }
}

void TfrmBaseFKC::loadRows() {
    if (!sql_.isEmpty())
        warnlist::runSql(sql_, &rows_);
    loaded_ = true;
    warnlist::Parts parts{lblQuestion_, grid_, model_};
    warnlist::bind(parts, &rows_, &def_, fkctext::caption(mode_));
}

void TfrmBaseFKC::FormShow() {
    TfrmBaseDialog::FormShow();
    shown_ = true;
    btnOK()->setText(QStringLiteral("继续"));
    if (!loaded_) {
        try {
            loadRows();
        } catch (const DytError& e) {
            prompter().showError(caption::error(), e.message());
        }
    }
    warnlist::focusContinue(this);
}

bool TfrmBaseFKC::CheckAndShow(FkcMode mode, const QString& sql, QWidget* parent) {
    TfrmBaseFKC w(mode, sql, parent);
    w.loadRows();
    if (w.rows().recordCount() == 0)
        return true;
    return w.exec() == 1;
}

bool TfrmBaseFKC::CheckAndShow(FkcMode mode, const RecordSet& rows, QWidget* parent) {
    if (rows.recordCount() == 0)
        return true;
    TfrmBaseFKC w(mode, rows, parent);
    return w.exec() == 1;
}

}  // namespace dyt::client
