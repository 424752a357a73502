#include "client/bills/frmbillscmb.h"

#include <QAction>
#include <QCloseEvent>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

#include "client/bills/selectgoods.h"
#include "client/common/griddelegate.h"
#include "client/common/gridview.h"
#include "client/logic/dmmain.h"
#include "client/logic/prompter.h"
#include "client/logic/recordsetmodel.h"
#include "common/error.h"

using namespace Qt::StringLiterals;

namespace dyt::client {

namespace {

// The goods the selection hands over for a text.
QList<SelectedGoods> selectGoods(const QString& text, QWidget* parent) {
    QList<SelectedGoods> picked;
    GoodsTarget target;
    target.lineOf = [&picked](qint64 goods, qint64) {
        for (int i = 0; i < picked.size(); ++i)
            if (picked.at(i).goodsId == goods)
                return i + 1;
        return 0;
    };
    target.add = [&picked](const SelectedGoods& g) { picked.append(g); };
    selectGoodsByText(target, scmb::kAssemblyBill, 0, 0, 0, text.trimmed(), selecttext::title(),
                      false, parent);
    return picked;
}

QLineEdit* lineEdit(QWidget* owner, const char* name) {
    auto* e = new QLineEdit(owner);
    e->setObjectName(QLatin1String(name));
    return e;
}

// A number typed into a field; 0 for an empty field, an error for anything else.
double numberIn(QLineEdit* edit, const QString& caption) {
    const QString t = edit->text().trimmed();
    if (t.isEmpty())
        return 0;
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v)) {
        edit->setFocus();
        throw DytError(caption + u"必须是数字"_s);
    }
    return v;
}

}  // namespace

// ---- the entry window of a template ---------------------------------------------------------

TfrmBillSCMB::TfrmBillSCMB(QWidget* parent) : TfrmBillAbstract(parent) {
    setObjectName(u"TfrmBillSCMB"_s);
    setTitle(scmb::text::entryTitle());
    buildControls();
    RecordSet& rs = records();
    rs.addField(u"goodsid"_s, FieldType::Integer);
    rs.addField(u"goodsCode"_s, FieldType::Text, 50);
    rs.addField(u"goodsname"_s, FieldType::Text, 100);
    rs.addField(u"unitName"_s, FieldType::Text, 20);
    rs.addField(u"qty"_s, FieldType::Float);
    const struct {
        const char* caption;
        const char* field;
        bool editable;
        int width;
    } columns[] = {
        {"组件编号", "goodsCode", false, 100}, {"组件名称", "goodsname", false, 200},
        {"单位", "unitName", false, 60},       {"[%NUM%Q%]数量", "qty", true, 90},
        {"商品ID", "goodsid", false, 0},
    };
    for (const auto& c : columns) {
        GridColumn& column = addColumn(QString::fromUtf8(c.caption), QString::fromLatin1(c.field),
                                       c.editable, c.width);
        if (c.width == 0)
            column.visible = false;
    }
    showRecords();
    QTableView* table = dbgvX()->table();
    table->setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked |
                           QAbstractItemView::EditKeyPressed);
    table->installEventFilter(this);
    if (auto* delegate = qobject_cast<GridItemDelegate*>(table->itemDelegate()))
        connect(delegate, &GridItemDelegate::editorReturned, this,
                [this](const QModelIndex& index) { cellEntered(index); });
}

TfrmBillSCMB::~TfrmBillSCMB() = default;

void TfrmBillSCMB::buildControls() {
    // A template has no date, draft, audit or print: the number field is its code.
    edBillDate()->hide();
    btnzdbh()->hide();
    panAudit()->hide();
    btnBillSaveToDraft()->setVisible(false);
    btnSavePrint()->setVisible(false);
    btnPrint()->setVisible(false);
    btnBillSave()->setText(scmb::text::save());
    edBillCode()->setEnabled(true);
    if (QWidget* strip = findChild<QWidget*>(u"panBillHead"_s)) {
        for (QLabel* l : strip->findChildren<QLabel*>()) {
            if (l->text().startsWith(billtext::billDate()))
                l->hide();
            else if (l->text().startsWith(billtext::billCode()))
                l->setText(scmb::text::code() + u"："_s);
        }
    }
    edName_ = lineEdit(this, "edName");
    addHeaderField(scmb::text::name(), edName_);
    edGoods_ = lineEdit(this, "edGoods");
    addHeaderField(scmb::text::goods(), edGoods_);
    edQty_ = lineEdit(this, "edQty");
    addHeaderField(scmb::text::qty(), edQty_);
    edPart_ = lineEdit(this, "edPart");
    addHeaderField(scmb::text::part(), edPart_);

    // Enter walks from field to field; in the goods fields it runs the goods selection first.
    connect(edBillCode(), &QLineEdit::returnPressed, this, [this] { edName_->setFocus(); });
    connect(edName_, &QLineEdit::returnPressed, this, [this] { edGoods_->setFocus(); });
    connect(edGoods_, &QLineEdit::returnPressed, this, [this] {
        if (chooseGoods(edGoods_->text()))
            edQty_->setFocus();
    });
    connect(edQty_, &QLineEdit::returnPressed, this, [this] { edComment()->setFocus(); });
    connect(edComment(), &QLineEdit::returnPressed, this, [this] { edPart_->setFocus(); });
    connect(edPart_, &QLineEdit::returnPressed, this, [this] {
        if (addParts(edPart_->text()))
            edPart_->clear();
    });
    for (QLineEdit* e : {edName_, edGoods_, edQty_})
        connect(e, &QLineEdit::textEdited, this, [this] { setModified(true); });
    connect(edBillCode(), &QLineEdit::textEdited, this, [this] { setModified(true); });
}

bool TfrmBillSCMB::chooseGoods(const QString& text) {
    const QString t = text.trimmed();
    if (goodsId_ > 0 && t == goodsName_)
        return true;
    if (t.isEmpty()) {
        goodsId_ = 0;
        goodsName_.clear();
        return false;
    }
    QList<SelectedGoods> picked;
    try {
        picked = selectGoods(t, this);
    } catch (const DytError& e) {
        showError(e);
        return false;
    }
    if (!picked.isEmpty()) {
        goodsId_ = picked.first().goodsId;
        goodsName_ = picked.first().name;
        setModified(true);
    }
    edGoods_->setText(goodsName_);
    return !picked.isEmpty();
}

bool TfrmBillSCMB::addParts(const QString& text) {
    if (text.trimmed().isEmpty())
        return false;
    QList<SelectedGoods> picked;
    try {
        picked = selectGoods(text, this);
    } catch (const DytError& e) {
        showError(e);
        return false;
    }
    if (picked.isEmpty())
        return false;
    RecordSet& rs = records();
    int first = -1;
    for (const SelectedGoods& g : picked) {
        RecordSet::Row row(rs.fieldCount());
        row[rs.fieldIndex(u"goodsid"_s)] = g.goodsId;
        row[rs.fieldIndex(u"goodsCode"_s)] = g.code;
        row[rs.fieldIndex(u"goodsname"_s)] = g.name;
        row[rs.fieldIndex(u"unitName"_s)] = g.unitName;
        row[rs.fieldIndex(u"qty"_s)] = g.qty > 0 ? g.qty : 1.0;
        rs.appendRow(row);
        if (first < 0)
            first = rs.rowCount() - 1;
    }
    showRecords();
    setModified(true);
    // The cursor goes to the quantity of the first part added.
    const auto& columns = gridDefinition().columns;
    for (int c = 0; c < columns.size(); ++c) {
        if (columns.at(c).fieldName == u"qty"_s) {
            QTableView* table = dbgvX()->table();
            table->setCurrentIndex(model()->index(first, c));
            table->setFocus();
        }
    }
    return true;
}

QList<int> TfrmBillSCMB::partRows() const {
    QList<int> rows;
    const int f = records().fieldIndex(u"goodsid"_s);
    for (int r = 0; r < records().rowCount(); ++r)
        if (records().at(r, f).toLongLong() > 0)
            rows.append(r);
    return rows;
}

void TfrmBillSCMB::cellEntered(const QModelIndex&) {
    // Enter after a part's quantity: the next part.
    edPart_->setFocus();
}

bool TfrmBillSCMB::deletePart(int row) {
    if (row < 0 || row >= records().rowCount() ||
        !prompter().confirm(caption::hint(), scmb::text::deleteLine(), buttons::yesNo()))
        return false;
    records().removeRow(row);
    showRecords();
    setModified(true);
    return true;
}

bool TfrmBillSCMB::eventFilter(QObject* watched, QEvent* event) {
    if (watched == dbgvX()->table() && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const QModelIndex at = dbgvX()->table()->currentIndex();
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            key->modifiers() == Qt::NoModifier) {
            cellEntered(at);
            return true;
        }
        if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier && at.isValid()) {
            deletePart(model()->rawRow(at.row()));
            return true;
        }
    }
    return TfrmBillAbstract::eventFilter(watched, event);
}

scmb::Template TfrmBillSCMB::currentTemplate() const {
    scmb::Template t;
    t.id = id_;
    t.code = edBillCode()->text();
    t.name = edName_->text();
    t.goodsId = edGoods_->text().trimmed() == goodsName_ ? goodsId_ : 0;
    t.qty = edQty_->text().trimmed().toDouble();
    t.comment = edComment()->text();
    const RecordSet& rs = records();
    for (int r : partRows())
        t.parts.append({rs.at(r, rs.fieldIndex(u"goodsid"_s)).toLongLong(),
                        rs.at(r, rs.fieldIndex(u"qty"_s)).toDouble()});
    return t;
}

void TfrmBillSCMB::setup(qint64 id, bool copy) {
    id_ = copy ? 0 : id;
    records().clearRows();
    if (id > 0) {
        RecordSet head;
        ParamList headParams = scmb::recordParams(id);
        billDataModule().ExecProcQuery(scmb::text::listProcedure(), headParams, &head);
        if (head.rowCount() == 0)
            throw DytError(u"生产组装模板[%1]不存在或已被删除"_s.arg(id));
        head.first();
        edBillCode()->setText(copy ? QString() : head.text(u"code"_s));
        edName_->setText(head.text(u"name"_s));
        goodsId_ = static_cast<qint64>(head.number(u"goodsid"_s));
        goodsName_ = head.text(u"goodsname"_s).trimmed();
        edGoods_->setText(goodsName_);
        edQty_->setText(scmb::qtyText(head.number(u"qty"_s)));
        edComment()->setText(head.text(u"comment"_s));
        RecordSet parts;
        ParamList partParams = scmb::linesParams(id);
        billDataModule().ExecProcQuery(scmb::text::linesProcedure(), partParams, &parts);
        RecordSet& rs = records();
        for (int r = 0; r < parts.rowCount(); ++r) {
            RecordSet::Row row(rs.fieldCount());
            for (const char* f : {"goodsid", "goodsCode", "goodsname", "unitName", "qty"}) {
                const QString name = QString::fromLatin1(f);
                row[rs.fieldIndex(name)] = parts.at(r, parts.fieldIndex(name));
            }
            rs.appendRow(row);
        }
    }
    showRecords();
    setModified(copy);
    edBillCode()->setFocus();
}

bool TfrmBillSCMB::saveTemplate() {
    try {
        const scmb::Template t = currentTemplate();
        const QString error = scmb::editorError(t);
        if (!error.isEmpty()) {
            QWidget* at = t.code.trimmed().isEmpty()   ? static_cast<QWidget*>(edBillCode())
                          : t.name.trimmed().isEmpty() ? static_cast<QWidget*>(edName_)
                          : t.goodsId <= 0             ? static_cast<QWidget*>(edGoods_)
                          : t.qty <= 0                 ? static_cast<QWidget*>(edQty_)
                                                       : static_cast<QWidget*>(edPart_);
            numberIn(edQty_, scmb::text::qty());
            at->setFocus();
            throw DytError(error);
        }
        ParamList params = scmb::saveParams(t);
        const int id = billDataModule().ExecProc(scmb::text::procedure(), params, true);
        id_ = id;
    } catch (const DytError& e) {
        showError(e);
        return false;
    }
    setModified(false);
    prompter().message(caption::hint(), scmb::text::saved());
    Q_EMIT templateSaved(id_);
    return true;
}

void TfrmBillSCMB::btnBillSaveClick() {
    if (saveTemplate())
        close();
}

void TfrmBillSCMB::closeEvent(QCloseEvent* event) {
    if (isModified()) {
        const int answer =
            prompter().ask(caption::hint(), scmb::text::closeQuestion(),
                           {scmb::text::save(), billtext::discardAndExit(), u"取消"_s}, 0);
        if (answer == 0 && !saveTemplate()) {
            event->ignore();
            return;
        }
        if (answer != 0 && answer != 1) {
            event->ignore();
            return;
        }
    }
    setModified(false);
    TfrmBillAbstract::closeEvent(event);
}

// ---- the selection of a template ------------------------------------------------------------

TfrmSelectSCMB::TfrmSelectSCMB(const QString& filterText, QWidget* parent)
    : TfrmSelectWindow(parent) {
    setObjectName(u"TfrmSelectSCMB"_s);
    setWindowTitle(scmb::text::pickTitle());
    resize(620, 420);
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(scmb::text::find() + u"："_s, this));
    edFilter_ = new QLineEdit(filterText, this);
    edFilter_->setObjectName(u"edFilter"_s);
    top->addWidget(edFilter_, 1);
    grid_ = new GridView(this);
    grid_->setObjectName(u"grdSCMB"_s);
    setLayoutGrid(grid_);
    setSearchBox(edFilter_);
    model_ = new RecordSetModel(this);
    auto* ok = new QPushButton(u"确定(&O)"_s, this);
    ok->setObjectName(u"btnOK"_s);
    ok->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, [this] {
        keys().applyPending();
        chooseCurrent();
    });
    auto* cancel = new QPushButton(u"取消(&C)"_s, this);
    cancel->setObjectName(u"btnCancel"_s);
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, [this] { reject(); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(grid_, 1);
    layout->addLayout(buttons);
    const struct {
        const char* caption;
        const char* field;
        int width;
    } columns[] = {{"模板编号", "code", 90},
                   {"模板名称", "name", 150},
                   {"组装商品", "goodsname", 150},
                   {"[%NUM%Q%]组装数量", "qty", 80},
                   {"[%NUM%]组件数", "partCount", 60}};
    for (const auto& c : columns)
        AddGridColumn(def_, QString::fromUtf8(c.caption), QString::fromLatin1(c.field), false,
                      c.width);
    applySearch(filterText);
}

TfrmSelectSCMB::~TfrmSelectSCMB() {
    // The view and the model read this window's rows and columns: they go first.
    delete grid_;
    delete model_;
}

int TfrmSelectSCMB::rowCount() const {
    return model_->rowCount();
}

void TfrmSelectSCMB::applySearch(const QString& text) {
    try {
        ParamList params = scmb::listParams(text);
        billDataModule().ExecProcQuery(scmb::text::listProcedure(), params, &rows_);
    } catch (const DytError& e) {
        prompter().showError(caption::error(), e.message());
    }
    showRows(model_, &rows_, &def_);
}

void TfrmSelectSCMB::chooseCurrent() {
    const QModelIndex cur = grid_->table()->currentIndex();
    choose(cur.isValid() ? cur.row() : -1);
}

bool TfrmSelectSCMB::chooseSingle() {
    if (model_->rowCount() != 1)
        return false;
    choose(0);
    return true;
}

void TfrmSelectSCMB::choose(int viewRow) {
    if (viewRow < 0 || viewRow >= model_->rowCount()) {
        prompter().message(caption::hint(), scmb::text::choose(scmb::text::entryTitle()));
        return;
    }
    const int r = model_->rawRow(viewRow);
    const auto value = [&](const char* f) {
        return rows_.at(r, rows_.fieldIndex(QLatin1String(f)));
    };
    chosen_ =
        TemplateChoice{value("id").toLongLong(), value("code").toString(), value("name").toString(),
                       value("goodsname").toString(), value("qty").toDouble()};
    accept();
}

TemplatePicker& templatePicker() {
    static TemplatePicker picker = [](QWidget* parent) -> std::optional<TemplateChoice> {
        TfrmSelectSCMB window(QString(), parent);
        if (window.exec() != 1)
            return std::nullopt;
        return window.chosen();
    };
    return picker;
}

// ---- the goods assembly bill ----------------------------------------------------------------

TfrmBillSPCZD::TfrmBillSPCZD(QWidget* parent)
    : TfrmGoodsBill(*findGoodsBillFamily(u"TfrmBillSPCZD"_s), parent) {
    btnTemplate_ = new QPushButton(scmb::text::pickButton(), this);
    btnTemplate_->setObjectName(u"btnSCMB"_s);
    btnTemplate_->setFocusPolicy(Qt::NoFocus);
    if (QWidget* order = btnOrder()) {
        if (auto* grid = qobject_cast<QGridLayout*>(order->parentWidget()->layout())) {
            btnTemplate_->setParent(order->parentWidget());
            const int index = grid->indexOf(order);
            int row = 0, column = 0, rows = 0, columns = 0;
            grid->getItemPosition(index, &row, &column, &rows, &columns);
            grid->addWidget(btnTemplate_, row, column, rows, columns);
        }
    }
    connect(btnTemplate_, &QPushButton::clicked, this, [this] { pickTemplate(); });
    auto* key = new QAction(scmb::text::pickButton(), this);
    key->setObjectName(u"actSCMB"_s);
    key->setShortcut(Qt::Key_F3);
    key->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(key);
    connect(key, &QAction::triggered, this, [this] { pickTemplate(); });
}

bool TfrmBillSPCZD::pickTemplate() {
    if (isReadOnly())
        return false;
    try {
        const std::optional<TemplateChoice> choice = templatePicker()(this);
        if (!choice)
            return false;
        QString text;
        if (!prompter().input(caption::hint(), scmb::text::askQty(choice->goodsName, choice->qty),
                              &text))
            return false;
        bool ok = false;
        const double qty = text.trimmed().toDouble(&ok);
        if (!ok || !std::isfinite(qty) || qty <= 0)
            throw DytError(scmb::text::qtyPositive());
        RecordSet lines;
        ParamList params = scmb::linesParams(choice->id, qty);
        billDataModule().ExecProcQuery(scmb::text::linesProcedure(), params, &lines);
        for (int r = 0; r < lines.rowCount(); ++r) {
            const auto value = [&](const char* f) {
                return lines.at(r, lines.fieldIndex(QLatin1String(f)));
            };
            SelectedGoods g;
            g.goodsId = value("goodsid").toLongLong();
            g.code = value("goodsCode").toString();
            g.name = value("goodsname").toString();
            g.unitId = 0;
            g.unitName = value("unitName").toString();
            g.rate = 1;
            g.qty = value("qty").toDouble();
            AddGoods(g);
        }
        setModified(true);
        linesChanged();
        reshowLines();
        return lines.rowCount() > 0;
    } catch (const DytError& e) {
        showError(e);
        return false;
    }
}

}  // namespace dyt::client
