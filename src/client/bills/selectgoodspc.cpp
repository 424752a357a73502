// The batch selection and its window.
#include "client/bills/selectgoodspc.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "client/bills/selectionservices.h"
#include "client/common/gridview.h"
#include "client/logic/dmmain.h"
#include "client/logic/prompter.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/session.h"
#include "client/logic/settings.h"
#include "common/error.h"

namespace dyt::client {

BatchSelection::BatchSelection(qint64 goodsId, qint64 warehouseId)
    : goodsId_(goodsId), warehouseId_(warehouseId) {}

ParamList BatchSelection::queryParams() const {
    ParamList p;
    p.setValue(QStringLiteral("QueryType"), QStringLiteral("XZSPPC"));
    p.setValue(QStringLiteral("goodsStr"),
               QStringLiteral(";isSub=1;id=") + QString::number(goodsId_) +
                   QStringLiteral(";isstop=0;czy_id=") + QString::number(loginedUser().UserId));
    p.setValue(QStringLiteral("ckStr"), QStringLiteral(";id=") + QString::number(warehouseId_));
    return p;
}

void BatchSelection::runQuery() {
    TdmMain* dm = &dataModule();
    ParamList p = queryParams();
    RecordSet fresh;
    dm->ExecProcQuery(QStringLiteral("P_Base_Get_Goods"), p, &fresh);
    rows_ = std::move(fresh);
    rows_.first();
}

QString BatchSelection::goodsLabel() const {
    std::optional<QString> name;
    if (const auto& find = selectionServices().goodsFullName)
        name = find(goodsId_);
    return QStringLiteral("商品：") + name.value_or(QString());
}

QString BatchSelection::warehouseLabel() const {
    std::optional<QString> name;
    if (const auto& find = selectionServices().warehouseFullName)
        name = find(warehouseId_);
    return QStringLiteral("仓库：") + name.value_or(batchtext::allWarehouses());
}

bool BatchSelection::canChoose(int row) const {
    if (row < 0 || row >= rows_.rowCount())
        return false;
    const int f = rows_.fieldIndex(QStringLiteral("sonnum"));
    return f < 0 || rows_.at(row, f).toLongLong() == 0;
}

int BatchSelection::writeInto(int row, RecordSet& lines, int lineRow,
                              const GridDefinition* columns) const {
    if (!canChoose(row) || lineRow < 0 || lineRow >= lines.rowCount())
        return 0;
    // Bill field (lower case) -> batch field.
    static const QList<QPair<QString, QString>> map = {
        {QStringLiteral("goodspc"), QStringLiteral("goodspc")},
        {QStringLiteral("ph"), QStringLiteral("ph")},
        {QStringLiteral("outdate"), QStringLiteral("outdate")},
        {QStringLiteral("yxqdate"), QStringLiteral("yxqdate")},
        {QStringLiteral("stockqty"), QStringLiteral("stockQty")},
    };
    QStringList names;
    if (columns) {
        for (const GridColumn& c : columns->columns)
            names.append(c.fieldName);
    } else {
        for (const Field& f : lines.fields())
            names.append(f.name);
    }
    int written = 0;
    for (const QString& name : names) {
        const QString lower = name.toLower();
        for (const auto& [billField, batchField] : map) {
            if (lower != billField)
                continue;
            const int target = lines.fieldIndex(name);
            const int source = rows_.fieldIndex(batchField);
            if (target < 0 || source < 0)
                continue;
            lines.setAt(lineRow, target,
                        coerceValue(rows_.at(row, source), lines.field(target).type));
            ++written;
        }
    }
    return written;
}

TfrmSelectGoodsPC::TfrmSelectGoodsPC(qint64 goodsId, qint64 warehouseId, RecordSet* billLines,
                                     const GridDefinition* billColumns, int lineRow,
                                     QWidget* parent)
    : TfrmSelectWindow(parent),
      selection_(goodsId, warehouseId),
      billLines_(billLines),
      billColumns_(billColumns),
      lineRow_(lineRow) {
    setObjectName(QStringLiteral("TfrmSelectGoodsPC"));
    setWindowTitle(batchtext::title());
    resize(720, 380);
    auto* labels = new QHBoxLayout;
    auto* lblGoods = new QLabel(selection_.goodsLabel(), this);
    lblGoods->setObjectName(QStringLiteral("lblGoods"));
    auto* lblStock = new QLabel(selection_.warehouseLabel(), this);
    lblStock->setObjectName(QStringLiteral("lblStock"));
    labels->addWidget(lblGoods, 1);
    labels->addWidget(lblStock, 1);
    auto* caption = new QLabel(batchtext::gridCaption(), this);

    const TSettings& s = settings();
    def_.context.qtyDot = s.QtyDot;
    def_.context.priceDot = s.PriceDot;
    def_.context.totalDot = s.TotalDot;
    def_.context.canSeeCost = s.SeeCost;
    const QPair<const char*, const char*> cols[] = {
        {"ph", "批号"},
        {"outdate", "生产日期"},
        {"yxqdate", "有效期至"},
        {"goodspc", "批次"},
        {"stockQty", "[%NUM%SUM%Q%]数量"},
        {"stockPrice", "[%NUM%P%Cost%]单价"},
        {"stocktotal", "[%NUM%SUM%M%Cost%]金额"},
    };
    for (const auto& [field, title] : cols)
        AddGridColumn(def_, QString::fromUtf8(title), QString::fromLatin1(field), false, 90);

    grid_ = new GridView(this);
    grid_->setObjectName(QStringLiteral("grdBatch"));
    setLayoutGrid(grid_);
    model_ = new RecordSetModel(this);
    try {
        selection_.runQuery();
        showRows(model_, &selection_.rows(), &def_);
    } catch (const DytError& e) {
        prompter().showError(caption::error(), e.message());
    }

    auto* ok = new QPushButton(QStringLiteral("选中(&S)"), this);
    ok->setObjectName(QStringLiteral("btnOK"));
    ok->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, [this] { chooseClick(); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(labels);
    layout->addWidget(caption);
    layout->addWidget(grid_, 1);
    layout->addLayout(buttons);
}

TfrmSelectGoodsPC::~TfrmSelectGoodsPC() {
    // The view and the model read the grid description and the rows held by this window's
    // members: they go first, before the window deletes its children.
    delete grid_;
    delete model_;
}

void TfrmSelectGoodsPC::chooseClick() {
    const QModelIndex cur = grid_->table()->currentIndex();
    if (!cur.isValid() || model_->records() == nullptr)
        return;
    const int row = model_->rawRow(cur.row());
    if (!selection_.canChoose(row))
        return;
    if (billLines_)
        selection_.writeInto(row, *billLines_, lineRow_, billColumns_);
    chosen_ = row;
    accept();
}

void TfrmSelectGoodsPC::chooseCurrent() {
    chooseClick();
}

void TfrmSelectGoodsPC::done(bool accepted) {
    saveLayout();
    TfrmSelectWindow::done(accepted);
}

}  // namespace dyt::client
