// The goods selection: its query, classes, display modes, marking and adding; and its window.
#include "client/bills/selectgoods.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "client/common/frmbase.h"
#include "client/common/frmxgridcolfilter.h"
#include "client/common/gridview.h"
#include "client/common/windowregistry.h"
#include "client/logic/dmmain.h"
#include "client/logic/lookups.h"
#include "client/logic/prompter.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/session.h"
#include "client/logic/settings.h"
#include "common/condition.h"
#include "common/error.h"

namespace dyt::client {

namespace selecttext {
QString alreadyPresent(int line, const QString& fullName) {
    return QStringLiteral("第 ") + QString::number(line) + QStringLiteral(" 行已经添加了[ ") +
           fullName + QStringLiteral(" ]") + QStringLiteral("\r\n") +
           QStringLiteral("是否继续添加？");
}
}  // namespace selecttext

bool ordinaryGoodsOnly(int djType) {
    const auto in = [djType](int from, int to) { return djType >= from && djType <= to; };
    return in(10, 16) || in(35, 40) || in(44, 46) || in(48, 50) || in(53, 63);
}

namespace {

QString operatorSegment() {
    return conditionSegment(QStringLiteral("czy_id"), QString::number(loginedUser().UserId));
}

// A field's value by the first of the names the record set has.
QVariant fieldOf(const RecordSet& rs, int row, std::initializer_list<const char*> names) {
    for (const char* n : names) {
        const int f = rs.fieldIndex(QLatin1String(n));
        if (f >= 0)
            return rs.at(row, f);
    }
    return {};
}

SelectedGoods goodsFrom(const RecordSet& rs, int row, bool takeStock) {
    SelectedGoods g;
    g.goodsId = fieldOf(rs, row, {"goodsid", "id"}).toLongLong();
    g.code = fieldOf(rs, row, {"code"}).toString();
    g.name = fieldOf(rs, row, {"fullName"}).toString();
    g.unitId = fieldOf(rs, row, {"unitid"}).toLongLong();
    g.unitName = fieldOf(rs, row, {"unitName"}).toString();
    const QVariant rate = fieldOf(rs, row, {"rate"});
    g.rate = rate.isValid() && rate.toDouble() > 0 ? rate.toDouble() : 1.0;
    g.stockQty = fieldOf(rs, row, {"stockQty"}).toDouble();
    g.price = fieldOf(rs, row, {"price", "LSprice"}).toDouble();
    g.costmode = fieldOf(rs, row, {"costmode"}).toInt();
    g.spType = fieldOf(rs, row, {"sp_sptype", "spType"}).toInt();
    // Goods held for a partner are taken back whole; otherwise one unit.
    g.qty = takeStock ? g.stockQty : 1.0;
    g.total = g.qty * g.price;
    g.discount = 1;
    return g;
}

}  // namespace

// ---------------------------------------------------------------- GoodsSelection

GoodsSelection::GoodsSelection(GoodsTarget target, int djType, qint64 partnerId, qint64 warehouseId,
                               int typeMode)
    : target_(std::move(target)),
      djType_(djType),
      partnerId_(partnerId),
      warehouseId_(warehouseId),
      typeMode_(typeMode) {}

void GoodsSelection::setCurrentRow(int row) {
    current_ = (row >= 0 && row < rows_.rowCount()) ? row : (rows_.rowCount() > 0 ? 0 : -1);
}

QString GoodsSelection::exitCaption() const {
    return path_.isEmpty() ? selecttext::exitCaption() : selecttext::backCaption();
}

ParamList GoodsSelection::queryParams(const QString& barcode) const {
    ParamList p;
    const QString filter = QStringLiteral(";djtype=") + QString::number(djType_);
    p.setValue(QStringLiteral("QueryType"), QStringLiteral("XZSPALL"));
    p.setValue(QStringLiteral("Filter"), filter);
    if (typeMode_ < 0) {
        p.setValue(QStringLiteral("QueryType"), QStringLiteral("QTKC"));
        p.setValue(QStringLiteral("filter"),
                   filter + QStringLiteral(";typeid=") + QString::number(-typeMode_));
        p.setValue(QStringLiteral("wldwStr"), QStringLiteral(";issub=1;id=") +
                                                  QString::number(partnerId_) + operatorSegment());
    }
    QString goods;
    if (!barcode.isEmpty()) {
        goods = QStringLiteral(";isstop=0") + operatorSegment() +
                conditionSegment(QStringLiteral("barcode"), barcode);
    } else {
        const QString text = filterText_.trimmed();
        if (!text.isEmpty()) {
            goods = conditionSegment(QStringLiteral("allfilter"), text);
        } else if (listMode_) {
            goods = QStringLiteral(";isList=1");
            if (listClass_ != 0)
                goods += QStringLiteral(";par_id=") + QString::number(listClass_);
        } else {
            goods = QStringLiteral(";par_id=") + QString::number(classId());
        }
        goods += QStringLiteral(";isstop=0") + operatorSegment();
    }
    if (ordinaryGoodsOnly(djType_))
        goods += QStringLiteral(";sptype=0");
    p.setValue(QStringLiteral("goodsStr"), goods);
    p.setValue(QStringLiteral("ckStr"),
               QStringLiteral(";id=") + QString::number(warehouseId_) + operatorSegment());
    return p;
}

void GoodsSelection::runQuery(const QString& barcode) {
    ParamList p = queryParams(barcode);
    RecordSet fresh;
    dataModule().ExecProcQuery(QStringLiteral("P_Base_Get_Goods"), p, &fresh);
    const int previous = current_;
    rows_ = std::move(fresh);
    if (rows_.fieldIndex(QStringLiteral("selected")) < 0) {
        // Older servers leave the check column out; the selection adds it.
        RecordSet withCheck;
        withCheck.copyStructure(rows_);
        withCheck.addField(QStringLiteral("selected"), FieldType::Boolean);
        for (int r = 0; r < rows_.rowCount(); ++r) {
            auto row = rows_.row(r);
            row.append(false);
            withCheck.appendRow(row);
        }
        rows_ = std::move(withCheck);
    }
    setCurrentRow(previous);
}

bool GoodsSelection::openClass(int row) {
    if (row < 0 || row >= rows_.rowCount())
        return false;
    if (fieldOf(rows_, row, {"sonnum"}).toLongLong() <= 0)
        return false;
    path_.append(fieldOf(rows_, row, {"goodsid", "id"}).toLongLong());
    filterText_.clear();
    listMode_ = false;
    current_ = 0;
    runQuery();
    return true;
}

bool GoodsSelection::goUp() {
    if (path_.isEmpty())
        return false;
    path_.removeLast();
    filterText_.clear();
    listMode_ = false;
    current_ = 0;
    runQuery();
    return true;
}

void GoodsSelection::showAll() {
    path_.clear();
    filterText_.clear();
    listMode_ = false;
    current_ = 0;
    runQuery();
}

bool GoodsSelection::showList() {
    QList<qint64> classes;
    for (int r : markedRows()) {
        if (fieldOf(rows_, r, {"sonnum"}).toLongLong() > 0)
            classes.append(fieldOf(rows_, r, {"goodsid", "id"}).toLongLong());
    }
    if (classes.size() > 1) {
        prompter().message(caption::hint(), selecttext::listOneClass());
        return false;
    }
    qint64 chosen = classId();
    if (classes.size() == 1) {
        chosen = classes.first();
    } else if (current_ >= 0 && fieldOf(rows_, current_, {"sonnum"}).toLongLong() > 0) {
        chosen = fieldOf(rows_, current_, {"goodsid", "id"}).toLongLong();
    }
    listMode_ = true;
    listClass_ = chosen;
    filterText_.clear();
    current_ = 0;
    runQuery();
    return true;
}

void GoodsSelection::showLevels() {
    listMode_ = false;
    filterText_.clear();
    current_ = 0;
    runQuery();
}

void GoodsSelection::setMarked(int row, bool marked) {
    if (row < 0 || row >= rows_.rowCount())
        throw DytError(QStringLiteral("行号%1超出范围").arg(row + 1));
    rows_.setAt(row, rows_.fieldIndex(QStringLiteral("selected")), marked);
}

bool GoodsSelection::isMarked(int row) const {
    const QVariant v = rows_.at(row, rows_.fieldIndex(QStringLiteral("selected")));
    return v.toBool() || v.toString() == u"1";
}

QList<int> GoodsSelection::markedRows() const {
    QList<int> out;
    if (rows_.fieldIndex(QStringLiteral("selected")) < 0)
        return out;
    for (int r = 0; r < rows_.rowCount(); ++r) {
        if (isMarked(r))
            out.append(r);
    }
    return out;
}

QList<SelectedGoods> GoodsSelection::goodsOfClass(qint64 classId) {
    ParamList p;
    p.setValue(QStringLiteral("QueryType"), QStringLiteral("SP"));
    p.setValue(QStringLiteral("GoodsStr"),
               operatorSegment() + QStringLiteral(";isList=1;par_id=") + QString::number(classId));
    RecordSet rs;
    dataModule().ExecProcQuery(QStringLiteral("P_JXC_Get_Base"), p, &rs);
    QList<SelectedGoods> out;
    for (int r = 0; r < rs.rowCount(); ++r) {
        if (fieldOf(rs, r, {"sonnum"}).toLongLong() > 0)
            continue;
        const SelectedGoods g = goodsFrom(rs, r, false);
        if (ordinaryGoodsOnly(djType_) && g.spType != 0)
            continue;
        out.append(g);
    }
    return out;
}

QList<SelectedGoods> GoodsSelection::goodsOfRow(int row) {
    if (fieldOf(rows_, row, {"sonnum"}).toLongLong() > 0)
        return goodsOfClass(fieldOf(rows_, row, {"goodsid", "id"}).toLongLong());
    return {goodsFrom(rows_, row, typeMode_ < 0)};
}

int GoodsSelection::addAll(const QList<int>& rows) {
    if (rows.isEmpty()) {
        prompter().message(caption::hint(), selecttext::chooseGoods());
        return 0;
    }
    QList<SelectedGoods> goods;
    for (int r : rows)
        goods.append(goodsOfRow(r));
    int added = 0;
    for (const SelectedGoods& g : goods) {
        const int line = target_.lineOf ? target_.lineOf(g.goodsId, g.unitId) : 0;
        if (line > 0 && prompter().ask(caption::hint(), selecttext::alreadyPresent(line, g.name),
                                       buttons::yesNo(), 0) != 0) {
            continue;
        }
        if (target_.add)
            target_.add(g);
        ++added;
    }
    return added;
}

int GoodsSelection::addChosen() {
    QList<int> rows = markedRows();
    if (rows.isEmpty() && current_ >= 0 && current_ < rows_.rowCount())
        rows.append(current_);
    return addAll(rows);
}

int GoodsSelection::addRow(int row) {
    if (row < 0 || row >= rows_.rowCount())
        return addAll({});
    return addAll({row});
}

// ---------------------------------------------------------------- the window

TfrmSelectGoods::TfrmSelectGoods(std::shared_ptr<GoodsSelection> selection, const QString& caption,
                                 bool allowNew, QWidget* parent)
    : TfrmSelectWindow(parent), selection_(std::move(selection)) {
    setObjectName(QStringLiteral("TfrmSelectGoods"));
    setWindowTitle(caption.isEmpty() ? selecttext::title() : caption);
    resize(860, 480);

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("查找："), this));
    edFilter_ = new QLineEdit(this);
    edFilter_->setObjectName(QStringLiteral("edFilter"));
    edFilter_->setText(selection_->filterText());
    top->addWidget(edFilter_, 1);

    const auto button = [this](const QString& name, const QString& text,
                               void (TfrmSelectGoods::*fn)()) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [this, fn] { (this->*fn)(); });
        return b;
    };
    auto* buttons = new QHBoxLayout;
    btnAdd_ =
        button(QStringLiteral("btnOK"), QStringLiteral("选择(&S)"), &TfrmSelectGoods::addClick);
    buttons->addWidget(btnAdd_);
    buttons->addWidget(
        button(QStringLiteral("btnDown"), QStringLiteral("下一级"), &TfrmSelectGoods::downClick));
    buttons->addWidget(button(QStringLiteral("btnLevel"), QStringLiteral("层级显示"),
                              &TfrmSelectGoods::levelClick));
    buttons->addWidget(
        button(QStringLiteral("btnList"), QStringLiteral("列表显示"), &TfrmSelectGoods::listClick));
    buttons->addWidget(
        button(QStringLiteral("btnAll"), QStringLiteral("全部"), &TfrmSelectGoods::allClick));
    buttons->addWidget(button(QStringLiteral("btnColumns"), QStringLiteral("列配置"),
                              &TfrmSelectGoods::columnsClick));
    btnNew_ =
        button(QStringLiteral("btnNew"), QStringLiteral("添加"), &TfrmSelectGoods::newGoodsClick);
    buttons->addWidget(btnNew_);
    buttons->addStretch(1);
    btnExit_ =
        button(QStringLiteral("btnExit"), selection_->exitCaption(), &TfrmSelectGoods::exitClick);
    buttons->addWidget(btnExit_);

    bool newAllowed = false;
    if (allowNew) {
        try {
            newAllowed = GetPurview(QStringLiteral("100101"));
        } catch (const DytError&) {
            newAllowed = false;
        }
    }
    btnNew_->setVisible(newAllowed);

    grid_ = new GridView(this);
    grid_->setObjectName(QStringLiteral("grdGoods"));
    setLayoutGrid(grid_);
    setSearchBox(edFilter_);
    model_ = new RecordSetModel(this);
    buildGrid();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(grid_, 1);
    layout->addLayout(buttons);
    refresh();
}

TfrmSelectGoods::~TfrmSelectGoods() {
    // The view and the model read the grid description and the rows held by this window's
    // members: they go first, before the window deletes its children.
    delete grid_;
    delete model_;
}

void TfrmSelectGoods::buildGrid() {
    const TSettings& s = settings();
    def_ = GridDefinition();
    def_.context.qtyDot = s.QtyDot;
    def_.context.priceDot = s.PriceDot;
    def_.context.totalDot = s.TotalDot;
    def_.context.discountDot = s.DiscountDot;
    def_.context.taxDot = s.TaxDot;
    def_.context.canSeeCost = s.SeeCost;
    def_.allowHideColumns = true;
    struct Col {
        const char* caption;
        const char* field;
        int width;
    };
    const Col cols[] = {
        {"[&CHK&]选择", "selected", 40},
        {"商品编号", "code", 90},
        {"商品全名", "fullName", 160},
        {"简名", "sp_spjm", 80},
        {"规格", "sp_gg", 70},
        {"型号", "sp_xh", 70},
        {"产地", "sp_cd", 70},
        {"单位", "unitName", 50},
        {"条码", "barcode", 100},
        {"[%NUM%P%]单价", "price", 70},
        {"[%NUM%SUM%Q%]库存数量", "stockQty", 80},
        {"[%NUM%SUM%Q%]库存单价", "stockPrice", 80},
        {"[%NUM%SUM%Q%]库存金额", "stockTotal", 90},
        {"[%NUM%SUM%Q%]虚拟库存数量", "xnStockQty", 100},
        {"辅助数量", "fzsl", 90},
    };
    for (const Col& c : cols) {
        if (selection_->rows().fieldCount() > 0 &&
            selection_->rows().fieldIndex(QLatin1String(c.field)) < 0)
            continue;
        AddGridColumn(def_, QString::fromUtf8(c.caption), QString::fromLatin1(c.field),
                      QLatin1String(c.field) == u"selected", c.width);
    }
}

void TfrmSelectGoods::refresh() {
    if (selection_->rows().fieldCount() > 0 && model_->records() == nullptr)
        buildGrid();
    if (selection_->rows().fieldCount() > 0) {
        // The widths the operator dragged live in the view: keep them over the new rows.
        if (model_->records() != nullptr) {
            QTableView* table = grid_->table();
            for (int i = 0; i < def_.columns.size(); ++i) {
                if (!table->isColumnHidden(i) && table->columnWidth(i) > 0)
                    def_.columns[i].width = table->columnWidth(i);
            }
        }
        model_->setSource(&selection_->rows(), &def_);
        grid_->setModel(model_);
        // The operator's layout, once the columns of the first rows are known.
        if (!layoutLoaded_) {
            layoutLoaded_ = true;
            loadLayout();
        }
    }
    btnExit_->setText(selection_->exitCaption());
    // Opening or leaving a class clears the text; a text just applied stays as typed.
    if (edFilter_->text() != selection_->filterText())
        edFilter_->setText(selection_->filterText());
    keys().setAppliedText(selection_->filterText());
    syncCurrent();
}

void TfrmSelectGoods::syncCurrent() {
    const int row = selection_->currentRow();
    model_->setCurrentRow(row);
    if (row >= 0 && grid_->table()->model())
        grid_->table()->setCurrentIndex(grid_->table()->model()->index(row, 1));
}

void TfrmSelectGoods::run(const std::function<void()>& action) {
    try {
        const QModelIndex cur = grid_->table()->currentIndex();
        if (cur.isValid())
            selection_->setCurrentRow(model_->rawRow(cur.row()));
        action();
    } catch (const DytError& e) {
        prompter().showError(caption::error(), e.message());
    }
    refresh();
}

void TfrmSelectGoods::applySearch(const QString& text) {
    run([this, &text] {
        selection_->setFilterText(text);
        selection_->runQuery();
    });
}

void TfrmSelectGoods::addClick() {
    keys().applyPending();
    int n = 0;
    run([this, &n] { n = selection_->addChosen(); });
    added_ += n;
    if (n > 0)
        accept();
}

void TfrmSelectGoods::downClick() {
    run([this] { selection_->openClass(selection_->currentRow()); });
}

void TfrmSelectGoods::listClick() {
    run([this] { selection_->showList(); });
}

void TfrmSelectGoods::levelClick() {
    run([this] { selection_->showLevels(); });
}

void TfrmSelectGoods::allClick() {
    run([this] { selection_->showAll(); });
}

void TfrmSelectGoods::exitClick() {
    bool up = false;
    run([this, &up] { up = selection_->goUp(); });
    if (!up) {
        closing_ = true;
        TfrmSelectWindow::reject();
    }
}

void TfrmSelectGoods::newGoodsClick() {
    QWidget* editor = createWindow(QStringLiteral("TfrmBaseGoodsSet"), this);
    if (!editor) {
        prompter().message(caption::hint(), QStringLiteral("功能建设中......"));
        return;
    }
    if (auto* form = qobject_cast<TfrmBaseDialog*>(editor))
        form->exec();
    else if (auto* dlg = qobject_cast<QDialog*>(editor))
        dlg->exec();
    delete editor;
    run([this] { selection_->runQuery(); });
}

void TfrmSelectGoods::columnsClick() {
    showErrors(caption::error(), [&] {
        if (runGridColFilter(grid_, this)) {
            grid_->applyColumns();
            saveLayout();
        }
    });
}

void TfrmSelectGoods::chooseCurrent() {
    const QModelIndex cur = grid_->table()->currentIndex();
    chooseRow(cur.isValid() && model_->records() ? model_->rawRow(cur.row()) : -1);
}

bool TfrmSelectGoods::chooseSingle() {
    const RecordSet& rows = selection_->rows();
    if (rows.rowCount() != 1 || fieldOf(rows, 0, {"sonnum"}).toLongLong() > 0)
        return false;
    chooseRow(0);
    return true;
}

void TfrmSelectGoods::chooseRow(int row) {
    if (row >= 0 && row < selection_->rows().rowCount() &&
        fieldOf(selection_->rows(), row, {"sonnum"}).toLongLong() > 0) {
        run([this, row] { selection_->openClass(row); });
        return;
    }
    // No row: "请选择商品".
    int n = 0;
    run([this, row, &n] { n = selection_->addRow(row); });
    added_ += n;
    if (n > 0)
        accept();
}

void TfrmSelectGoods::reject() {
    if (closing_) {
        TfrmSelectWindow::reject();
        return;
    }
    exitClick();
}

void TfrmSelectGoods::done(bool accepted) {
    saveLayout();
    closing_ = false;
    TfrmSelectWindow::done(accepted);
}

// ---------------------------------------------------------------- entry points

bool selectGoodsByText(const GoodsTarget& target, int djType, qint64 partnerId, qint64 warehouseId,
                       int typeMode, const QString& text, const QString& caption, bool allowNew,
                       QWidget* parent) {
    auto selection =
        std::make_shared<GoodsSelection>(target, djType, partnerId, warehouseId, typeMode);
    selection->setFilterText(text);
    selection->runQuery();
    const RecordSet& rows = selection->rows();
    if (rows.rowCount() == 1 && !text.trimmed().isEmpty() &&
        fieldOf(rows, 0, {"sonnum"}).toLongLong() == 0) {
        return selection->addRow(0) > 0;
    }
    TfrmSelectGoods window(selection, caption, allowNew, parent);
    window.exec();
    return window.addedCount() > 0;
}

bool selectGoodsByBarcode(const GoodsTarget& target, int djType, qint64 partnerId,
                          qint64 warehouseId, int typeMode, const QString& barcode) {
    if (barcode.trimmed().isEmpty()) {
        prompter().message(caption::hint(), selecttext::noBarcode());
        return false;
    }
    GoodsSelection selection(target, djType, partnerId, warehouseId, typeMode);
    selection.runQuery(barcode.trimmed());
    const RecordSet& rows = selection.rows();
    if (rows.rowCount() == 0) {
        prompter().message(caption::hint(), selecttext::noBarcode());
        return false;
    }
    if (fieldOf(rows, 0, {"sonnum"}).toLongLong() > 0) {
        prompter().message(caption::hint(), selecttext::barcodeIsClass());
        return false;
    }
    return selection.addRow(0) > 0;
}

}  // namespace dyt::client
