// The unit selection and its window.
#include "client/bills/selectgoodsfzxx.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "client/common/gridview.h"
#include "client/logic/dmmain.h"
#include "client/logic/prompter.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/settings.h"
#include "common/error.h"

namespace dyt::client {

QString UnitSelection::sqlText() const {
    return QStringLiteral("SELECT a.* FROM baseGoodsUnit as a  WHERE a.Goodsid = ") +
           QString::number(goodsId_) + QStringLiteral(" order by a.fzdwid");
}

void UnitSelection::load() {
    TdmMain* dm = &dataModule();
    RecordSet fresh;
    dm->ExecQuery(sqlText(), &fresh);
    rows_ = std::move(fresh);
    rows_.first();
}

std::optional<GoodsUnitChoice> UnitSelection::choice(int row) const {
    if (row < 0 || row >= rows_.rowCount())
        return std::nullopt;
    const auto value = [&](const char* field) {
        const int f = rows_.fieldIndex(QLatin1String(field));
        return f >= 0 ? rows_.at(row, f) : QVariant();
    };
    const double rate = value("rate").toDouble();
    return GoodsUnitChoice{value("fzdwid").toLongLong(), value("unit").toString(),
                           rate > 0 ? rate : 1.0};
}

TfrmSelectGoodsFZXX::TfrmSelectGoodsFZXX(qint64 goodsId, QWidget* parent)
    : TfrmSelectWindow(parent), selection_(goodsId) {
    setObjectName(QStringLiteral("TfrmSelectGoodsFZXX"));
    setWindowTitle(QStringLiteral("辅助信息"));
    resize(420, 260);
    const TSettings& s = settings();
    def_.context.qtyDot = s.QtyDot;
    def_.context.priceDot = s.PriceDot;
    AddGridColumn(def_, QStringLiteral("单位"), QStringLiteral("unit"), false, 80);
    AddGridColumn(def_, QStringLiteral("[%NUM%Q%]换算比率"), QStringLiteral("rate"), false, 90);
    AddGridColumn(def_, QStringLiteral("条码"), QStringLiteral("barcode"), false, 110);
    AddGridColumn(def_, QStringLiteral("[%NUM%P%]单价"), QStringLiteral("price"), false, 80);

    grid_ = new GridView(this);
    grid_->setObjectName(QStringLiteral("grdUnit"));
    setLayoutGrid(grid_);
    model_ = new RecordSetModel(this);
    try {
        selection_.load();
        showRows(model_, &selection_.rows(), &def_);
    } catch (const DytError& e) {
        prompter().showError(caption::error(), e.message());
    }

    auto* ok = new QPushButton(QStringLiteral("确定(&O)"), this);
    ok->setObjectName(QStringLiteral("btnOK"));
    ok->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, [this] { okClick(); });
    auto* cancel = new QPushButton(QStringLiteral("取消(&C)"), this);
    cancel->setObjectName(QStringLiteral("btnCancel"));
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, [this] { reject(); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(grid_, 1);
    layout->addLayout(buttons);
}

TfrmSelectGoodsFZXX::~TfrmSelectGoodsFZXX() {
    // The view and the model read the grid description and the rows held by this window's
    // members: they go first, before the window deletes its children.
    delete grid_;
    delete model_;
}

void TfrmSelectGoodsFZXX::okClick() {
    const QModelIndex cur = grid_->table()->currentIndex();
    chosen_ = (cur.isValid() && model_->records()) ? selection_.choice(model_->rawRow(cur.row()))
                                                   : std::nullopt;
    if (chosen_)
        accept();
}

void TfrmSelectGoodsFZXX::chooseCurrent() {
    okClick();
}

void TfrmSelectGoodsFZXX::done(bool accepted) {
    saveLayout();
    TfrmSelectWindow::done(accepted);
}

std::optional<GoodsUnitChoice> selectGoodsUnit(qint64 goodsId, QWidget* parent) {
    TfrmSelectGoodsFZXX window(goodsId, parent);
    if (window.exec() != 1)
        return std::nullopt;
    return window.chosen();
}

}  // namespace dyt::client
