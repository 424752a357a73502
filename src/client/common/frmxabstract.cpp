#include "client/common/frmxabstract.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QSplitter>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "client/common/frmxgridcolfilter.h"
#include "client/common/frmxqueryfilter.h"
#include "client/common/griddelegate.h"
#include "client/common/gridexport.h"
#include "client/common/gridlayout.h"
#include "client/common/gridview.h"
#include "client/common/queryfilter.h"
#include "client/logic/clientconfig.h"
#include "client/logic/dmmain.h"
#include "client/logic/gridvalues.h"
#include "client/logic/prompter.h"
#include "client/logic/recordsetmodel.h"
#include "client/logic/session.h"
#include "client/logic/settings.h"
#include "common/error.h"
#include "common/formatting.h"
#include "common/inifile.h"
#include "common/paramlist.h"
#include "printengine/printengine.h"

namespace dyt::client {

RecordSet printHeaderRecords(const NamedValues& values) {
    RecordSet header;
    QList<QVariant> row;
    for (const auto& [name, value] : values) {
        if (name.trimmed().isEmpty() || header.hasField(name))
            continue;
        header.addField(name, FieldType::Text);
        row.append(value);
    }
    header.appendRow(row);
    header.first();
    return header;
}

QStringList splitIdList(const QList<qint64>& ids, int pieceWidth) {
    QStringList pieces{QString()};
    for (qint64 id : ids) {
        const QString text = QString::number(id);
        QString& last = pieces.last();
        if (last.isEmpty()) {
            last = text;
        } else if (last.size() + 1 + text.size() <= pieceWidth) {
            last += QLatin1Char(',') + text;
        } else {
            pieces.append(text);
        }
        if (pieces.last().size() > pieceWidth || pieces.size() > 5)
            throw DytError(QStringLiteral("排序的记录太多，不能保存顺序"));
    }
    while (pieces.size() < 5)
        pieces.append(QString());
    return pieces;
}

namespace {

// A label's caption without the accelerator mark and a trailing colon.
QString captionOfLabel(const QString& text) {
    QString caption = text;
    caption.remove(QLatin1Char('&'));
    caption = caption.trimmed();
    while (caption.endsWith(QLatin1Char(':')) || caption.endsWith(QChar(0xFF1A)))
        caption.chop(1);
    return caption.trimmed();
}

QString valueOfControl(const QWidget* w) {
    if (const auto* e = qobject_cast<const QLineEdit*>(w))
        return e->text();
    if (const auto* d = qobject_cast<const QDateEdit*>(w))
        return d->date().toString(QStringLiteral("yyyy-MM-dd"));
    if (const auto* c = qobject_cast<const QComboBox*>(w))
        return c->currentText();
    if (const auto* s = qobject_cast<const QAbstractSpinBox*>(w))
        return s->text();
    if (const auto* p = qobject_cast<const QPlainTextEdit*>(w))
        return p->toPlainText();
    if (const auto* l = qobject_cast<const QLabel*>(w))
        return l->text();
    return {};
}

QString yesNo(bool on) {
    return on ? QStringLiteral("是") : QStringLiteral("否");
}

int defaultPrint(QWidget* parent, int mode, const RecordSet& header, const RecordSet& detail,
                 const QString& templateFile) {
    switch (mode) {
        case kPrintDirect:
            return print::RunPrint(parent, header, detail, templateFile);
        case kPrintPreview:
            return print::Run_PriveFrm(parent, header, detail, templateFile, 1);
        case kPrintPreviewOnly:
            return print::Run_PriveFrm(parent, header, detail, templateFile, 0);
        case kPrintDesign:
            return print::Run_DesignFrm(parent, header, detail, templateFile, 1);
        default:
            throw DytError(QStringLiteral("打印方式[%1]无效").arg(mode));
    }
}

}  // namespace

// --- construction

TfrmXAbstract::TfrmXAbstract(QWidget* parent) : TfrmBase(parent) {
    buildControls();
}

TfrmXAbstract::~TfrmXAbstract() {
    // The grid's view lets go of the model before the record set it shows goes away.
    grid_->setModel(nullptr);
}

void TfrmXAbstract::buildControls() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);

    toolBar_ = new QToolBar(this);
    toolBar_->setObjectName(QStringLiteral("tbMain"));
    toolBar_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    btnPrint_ = toolBar_->addAction(QStringLiteral("打印"));
    btnPrint_->setObjectName(QStringLiteral("btnPrint"));
    btnColConfigure_ = toolBar_->addAction(QStringLiteral("列配置"));
    btnColConfigure_->setObjectName(QStringLiteral("btnColConfigure"));
    btnUp_ = toolBar_->addAction(QStringLiteral("顺序上移   Ctrl + ↑"));
    btnUp_->setObjectName(QStringLiteral("btnUp"));
    btnDown_ = toolBar_->addAction(QStringLiteral("顺序下移   Ctrl + ↓"));
    btnDown_->setObjectName(QStringLiteral("btnDown"));
    // The row order commands belong to the windows that keep one.
    btnUp_->setVisible(false);
    btnDown_->setVisible(false);
    btnExit_ = toolBar_->addAction(QStringLiteral("退出"));
    btnExit_->setObjectName(QStringLiteral("btnExit"));
    layout->addWidget(toolBar_);

    lbltitle_ = new QLabel(this);
    lbltitle_->setObjectName(QStringLiteral("lbltitle"));
    lbltitle_->setAlignment(Qt::AlignCenter);
    QFont f = lbltitle_->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.6);
    lbltitle_->setFont(f);
    layout->addWidget(lbltitle_);

    gbCondition_ = new QGroupBox(xtext::conditionGroup(), this);
    gbCondition_->setObjectName(QStringLiteral("gbCondition"));
    auto* conditionLayout = new QHBoxLayout(gbCondition_);
    panBillTitle_ = new QWidget(gbCondition_);
    panBillTitle_->setObjectName(QStringLiteral("panBillTitle"));
    headerLayout_ = new QHBoxLayout(panBillTitle_);
    headerLayout_->setContentsMargins(0, 0, 0, 0);
    conditionLayout->addWidget(panBillTitle_, 1);
    cbSmartFilter_ = new QCheckBox(QStringLiteral("启用智能过滤"), gbCondition_);
    cbSmartFilter_->setObjectName(QStringLiteral("cbqiyongzhinengguolv"));
    cbSmartFilter_->setToolTip(xtext::smartFilterHint());
    conditionLayout->addWidget(cbSmartFilter_);
    const struct {
        const char* name;
        const char* text;
        void (TfrmXAbstract::*handler)();
    } links[] = {
        {"lbFilter", "过滤", &TfrmXAbstract::lbFilterClick},
        {"lblocalizer", "定位", &TfrmXAbstract::lblocalizerClick},
        {"lbrevert", "还原", &TfrmXAbstract::lbrevertClick},
        {"lbColConfigure", "列配置", &TfrmXAbstract::lbColConfigureClick},
    };
    for (const auto& link : links) {
        auto* b = new QToolButton(gbCondition_);
        b->setObjectName(QLatin1String(link.name));
        b->setText(QString::fromUtf8(link.text));
        b->setAutoRaise(true);
        conditionLayout->addWidget(b);
        connect(b, &QToolButton::clicked, this, [this, h = link.handler] { (this->*h)(); });
    }
    layout->addWidget(gbCondition_);

    splitter_ = new QSplitter(Qt::Horizontal, this);
    tree_ = new QTreeWidget(splitter_);
    tree_->setObjectName(QStringLiteral("tvCategory"));
    tree_->setHeaderHidden(true);
    tree_->hide();
    grid_ = new GridView(splitter_);
    grid_->setObjectName(QStringLiteral("dbgvX"));
    splitter_->addWidget(tree_);
    splitter_->addWidget(grid_);
    splitter_->setStretchFactor(1, 1);
    layout->addWidget(splitter_, 1);
    connect(splitter_, &QSplitter::splitterMoved, this, [this] {
        if (tree_->isVisible())
            treeWidth_ = splitter_->sizes().value(0, treeWidth_);
    });

    model_ = new RecordSetModel(this);
    grid_->setModel(model_);
    grid_->table()->installEventFilter(this);

    pmBill_ = new QMenu(this);
    pmBill_->setObjectName(QStringLiteral("pmBill"));
    actRefresh_ = pmBill_->addAction(xtext::refreshData());
    actRefresh_->setObjectName(QStringLiteral("N2"));
    actExport_ = pmBill_->addAction(xtext::exportToExcel());
    actExport_->setObjectName(QStringLiteral("N3"));
    grid_->table()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grid_->table(), &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        pmBill_->popup(grid_->table()->viewport()->mapToGlobal(p));
    });

    connect(btnExit_, &QAction::triggered, this, [this] { btnExitClick(); });
    connect(btnPrint_, &QAction::triggered, this, [this] { btnPrintClick(); });
    connect(btnUp_, &QAction::triggered, this, [this] { btnUpClick(); });
    connect(btnDown_, &QAction::triggered, this, [this] { btnDownClick(); });
    connect(btnColConfigure_, &QAction::triggered, this, [this] { btnColConfigureClick(); });
    connect(actRefresh_, &QAction::triggered, this, [this] { N2Click(); });
    connect(actExport_, &QAction::triggered, this, [this] { N3Click(); });
    connect(cbSmartFilter_, &QCheckBox::clicked, this, [this] { cbqiyongzhinengguolvClick(); });
}

void TfrmXAbstract::setTitle(const QString& title) {
    setWindowTitle(title);
    lbltitle_->setText(title);
}

QString TfrmXAbstract::titleText() const {
    return lbltitle_->text();
}

void TfrmXAbstract::FormCreate() {
    TfrmBase::FormCreate();
    for (QWidget* w : {static_cast<QWidget*>(lbltitle_), static_cast<QWidget*>(gbCondition_)}) {
        QPalette p = w->palette();
        p.setColor(QPalette::Window,
                   w == lbltitle_ ? formColours().queryTitle : formColours().queryHeader);
        w->setPalette(p);
        w->setAutoFillBackground(true);
    }
    const bool on = clientConfig().ini().readString(configSection(), xtext::smartFilterKey(),
                                                    QStringLiteral("0")) == QLatin1String("1");
    cbSmartFilter_->setChecked(on);
    grid_->setFilterRowVisible(on);
}

void TfrmXAbstract::showError(const std::exception& error) const {
    prompter().showError(caption::hint(), error);
}

// --- header panel

void TfrmXAbstract::addHeaderField(const QString& caption, QWidget* editor) {
    if (auto* check = qobject_cast<QCheckBox*>(editor)) {
        if (check->text().isEmpty())
            check->setText(caption);
        editor->setParent(panBillTitle_);
        headerLayout_->addWidget(editor);
        return;
    }
    auto* label = new QLabel(caption, panBillTitle_);
    label->setBuddy(editor);
    editor->setParent(panBillTitle_);
    headerLayout_->addWidget(label);
    headerLayout_->addWidget(editor);
}

NamedValues TfrmXAbstract::headerPanelValues() const {
    NamedValues values;
    // Layout order is the order the operator reads them in.
    for (int i = 0; i < headerLayout_->count(); ++i) {
        QWidget* w = headerLayout_->itemAt(i)->widget();
        if (!w)
            continue;
        if (auto* check = qobject_cast<QCheckBox*>(w)) {
            values.append({captionOfLabel(check->text()), yesNo(check->isChecked())});
        } else if (auto* label = qobject_cast<QLabel*>(w); label && label->buddy()) {
            values.append({captionOfLabel(label->text()), valueOfControl(label->buddy())});
        }
    }
    return values;
}

// --- grid

GridColumn& TfrmXAbstract::addColumn(const QString& captionText, const QString& fieldName,
                                     bool editable, int width, int bandIndex) {
    const TSettings& s = settings();
    GridContext& c = gridDef_.context;
    c.qtyDot = s.QtyDot;
    c.priceDot = s.PriceDot;
    c.totalDot = s.TotalDot;
    c.discountDot = s.DiscountDot;
    c.taxDot = s.TaxDot;
    c.canSeeCost = s.SeeCost;
    c.programDir = programFolder();
    return AddGridColumn(gridDef_, captionText, fieldName, editable, width, bandIndex);
}

void TfrmXAbstract::showRecords() {
    // The rows are replaced under the view: an editor left open would outlive its cell.
    if (auto* delegate = qobject_cast<GridItemDelegate*>(grid_->table()->itemDelegate()))
        delegate->closeOpenEditor(false);
    model_->setSource(&records_, &gridDef_);
    if (!layoutLoaded_) {
        layoutLoaded_ = true;
        loadLayout();
    }
    grid_->applyColumns();
}

void TfrmXAbstract::loadRecords(const std::function<void(RecordSet&)>& load) {
    {
        ProgressScope progress(xtext::receivingData());
        load(records_);
    }
    showRecords();
}

QString TfrmXAbstract::layoutKey() const {
    QString name = QString::fromLatin1(metaObject()->className());
    name = name.mid(name.lastIndexOf(QLatin1Char(':')) + 1);
    return name + QStringLiteral("_dbgvX");
}

bool TfrmXAbstract::loadLayout() {
    try {
        return LoadGridLayout(grid_, layoutKey());
    } catch (const DytError&) {
        return false;
    }
}

bool TfrmXAbstract::saveLayout() {
    try {
        return SaveGridLayout(grid_, layoutKey());
    } catch (const DytError&) {
        return false;
    }
}

int TfrmXAbstract::focusedRow() const {
    const QModelIndex current = grid_->table()->currentIndex();
    return current.isValid() ? current.row() : -1;
}

void TfrmXAbstract::setFocusedRow(int row) {
    if (row < 0 || row >= model_->rowCount()) {
        grid_->table()->setCurrentIndex(QModelIndex());
        return;
    }
    const QModelIndex current = grid_->table()->currentIndex();
    int column = current.isValid() ? current.column() : 0;
    // The first shown column when the focused one is hidden.
    for (int c = 0; grid_->table()->isColumnHidden(column) && c < model_->columnCount(); ++c)
        column = c;
    grid_->table()->setCurrentIndex(model_->index(row, column));
}

void TfrmXAbstract::checkCell(int row, int column) const {
    const int rows = model_->rowCount();
    if (rows == 0)
        throw DytError(xtext::noData());
    if (row < 0 || row >= rows)
        throw DytError(QStringLiteral("第%1/%2").arg(row).arg(rows) + xtext::rowOutOfRange());
    const int columns = static_cast<int>(gridDef_.columns.size());
    if (column < 0 || column >= columns) {
        throw DytError(QStringLiteral("第%1/%2").arg(column).arg(columns) +
                       xtext::columnOutOfRange());
    }
}

QVariant TfrmXAbstract::cellValue(int row, int column) const {
    checkCell(row, column);
    const QString field = gridDef_.columns[column].fieldName;
    const int f = field.isEmpty() ? -1 : records_.fieldIndex(field);
    if (f < 0)
        return {};
    return records_.at(model_->rawRow(row), f);
}

// --- smart filter

bool TfrmXAbstract::smartFilter() const {
    return cbSmartFilter_->isChecked();
}

void TfrmXAbstract::cbqiyongzhinengguolvClick() {
    const bool on = cbSmartFilter_->isChecked();
    grid_->setFilterRowVisible(on);
    try {
        clientConfig().ini().writeString(configSection(), xtext::smartFilterKey(),
                                         on ? QStringLiteral("1") : QStringLiteral("0"));
    } catch (const DytError& e) {
        showError(e);
    }
}

// --- category tree

void TfrmXAbstract::LoadCategoryTree(const RecordSet& rows) {
    tree_->clear();
    const int idField = rows.fieldIndex(QStringLiteral("id"));
    const int nameField = rows.fieldIndex(QStringLiteral("fullname"));
    const int levelField = rows.fieldIndex(QStringLiteral("leveal"));
    if (idField < 0 || nameField < 0 || levelField < 0)
        throw DytError(QStringLiteral("分类数据缺少字段id、fullname或leveal"));
    // The rows come from the top down; a row hangs under the last row of the level above it.
    QList<QTreeWidgetItem*> lastAtLevel;
    for (int i = 0; i < rows.recordCount(); ++i) {
        const int raw = rows.visibleRow(i);
        const int level = std::max(1, rows.at(raw, levelField).toInt());
        auto* item = new QTreeWidgetItem(QStringList{rows.at(raw, nameField).toString()});
        item->setData(0, Qt::UserRole, rows.at(raw, idField).toLongLong());
        QTreeWidgetItem* parentItem = nullptr;
        if (level > 1 && lastAtLevel.size() >= level - 1)
            parentItem = lastAtLevel[level - 2];
        if (parentItem)
            parentItem->addChild(item);
        else
            tree_->addTopLevelItem(item);
        const int depth = parentItem ? level : 1;
        lastAtLevel.resize(depth);
        lastAtLevel[depth - 1] = item;
    }
    tree_->expandAll();
    bool ok = false;
    const int width =
        clientConfig()
            .ini()
            .readString(configSection(), xtext::treeWidthKey(), QString::number(kDefaultTreeWidth))
            .toInt(&ok);
    treeLoaded_ = true;
    tree_->show();
    setTreeWidth(ok && width > 0 ? width : kDefaultTreeWidth);
}

void TfrmXAbstract::setTreeWidth(int width) {
    treeWidth_ = width;
    const int total = std::max(splitter_->width(), width + 200);
    splitter_->setSizes({width, std::max(1, total - width)});
}

qint64 TfrmXAbstract::currentTreeId() const {
    const QTreeWidgetItem* item = tree_->currentItem();
    return item ? item->data(0, Qt::UserRole).toLongLong() : 0;
}

// --- print

void TfrmXAbstract::BuildPrintRows(RecordSet* detail) const {
    const int rows = model_->rowCount();
    if (rows == 0)
        throw DytError(xtext::nothingToPrint());
    detail->clear();
    detail->addField(xtext::rowNumberField(), FieldType::Integer);
    struct Source {
        int column;
        int field;
    };
    QList<Source> sources;
    for (int c = 0; c < gridDef_.columns.size(); ++c) {
        const GridColumn& col = gridDef_.columns[c];
        if (!col.visible || col.fieldName.isEmpty() || detail->hasField(col.fieldName))
            continue;
        // The operator's print flag of the column configuration.
        if (col.exData && !col.exData->print)
            continue;
        const int f = records_.fieldIndex(col.fieldName);
        if (f < 0)
            continue;
        const Field& from = records_.field(f);
        // A masked cost column prints its mask, never the value; a flag prints "是"/"否".
        const bool asText = col.masked || col.flag;
        const int to = detail->addField(from.name, asText ? FieldType::Text : from.type, from.size);
        detail->field(to).displayName = col.caption;
        sources.append({c, f});
    }
    for (int r = 0; r < rows; ++r) {
        RecordSet::Row row{r + 1};
        const int raw = model_->rawRow(r);
        for (const Source& s : sources) {
            const GridColumn& col = gridDef_.columns[s.column];
            const QVariant& value = records_.at(raw, s.field);
            row.append(col.masked ? QVariant(maskedText())
                       : col.flag ? QVariant(gridfilter::flagText(value))
                                  : value);
        }
        detail->appendRow(row);
    }
    detail->first();
}

NamedValues TfrmXAbstract::buildPrintHeaderLines() const {
    const TSettings& s = settings();
    NamedValues lines = {
        {QStringLiteral("公司全名"), s.CompanyFullName},
        {QStringLiteral("公司电话"), s.PhoneNumber},
        {QStringLiteral("公司地址"), s.CompanyAddress},
        {QStringLiteral("公司账号"), s.BankAccount},
        {QStringLiteral("公司税号"), s.TaxNumber},
        {QStringLiteral("公司传真号"), s.FaxNumber},
        {QStringLiteral("操作员"), loginedUser().UserName},
        {QStringLiteral("打印标签"), xtext::printLabel()},
    };
    lines.append(headerPanelValues());
    return lines;
}

PrintHandler& TfrmXAbstract::printHandler() {
    static PrintHandler handler = defaultPrint;
    return handler;
}

int TfrmXAbstract::RunPrint(int mode) {
    try {
        if (mode == kPrintExport)
            return exportGridToExcel(grid_, this) ? 1 : 0;
        const RecordSet header = printHeaderRecords(buildPrintHeaderLines());
        RecordSet detail;
        BuildPrintRows(&detail);
        return printHandler()(this, mode, header, detail, titleText() + xtext::templateExtension());
    } catch (const DytError& e) {
        showError(e);
        return 0;
    }
}

// --- row order

void TfrmXAbstract::SetRowOrder() {
    int field = records_.fieldIndex(xtext::orderField());
    if (field < 0)
        field = records_.addField(xtext::orderField(), FieldType::Text, 6);
    for (int r = 0; r < model_->rowCount(); ++r)
        records_.setAt(model_->rawRow(r), field, Format(QStringLiteral("%.06d"), {r + 1}));
}

bool TfrmXAbstract::canMove(int delta) const {
    const int row = focusedRow();
    if (row < 0 || (delta != -1 && delta != 1))
        return false;
    const int target = row + delta;
    return target >= 0 && target < model_->rowCount();
}

bool TfrmXAbstract::MoveRow(int delta) {
    if (!canMove(delta))
        return false;
    const int row = focusedRow();
    const int target = row + delta;
    if (records_.fieldIndex(xtext::orderField()) < 0)
        SetRowOrder();
    const int field = records_.fieldIndex(xtext::orderField());
    const int a = model_->rawRow(row);
    const int b = model_->rawRow(target);
    const QVariant va = records_.at(a, field);
    records_.setAt(a, field, records_.at(b, field));
    records_.setAt(b, field, va);
    records_.sort(xtext::orderField());
    model_->reload();
    setFocusedRow(target);
    return true;
}

bool TfrmXAbstract::SaveRowOrder() {
    const QString table = orderTable();
    TdmMain* dm = dmMain();
    if (table.isEmpty() || !dm)
        return false;
    try {
        const int idField = records_.fieldIndex(QStringLiteral("id"));
        if (idField < 0)
            throw DytError(QStringLiteral("字段[id]不存在"));
        QList<qint64> ids;
        for (int r = 0; r < model_->rowCount(); ++r)
            ids.append(records_.at(model_->rawRow(r), idField).toLongLong());
        const QStringList pieces = splitIdList(ids);
        ParamList params;
        params.setValue(QStringLiteral("tableName"), table);
        for (int i = 0; i < pieces.size(); ++i) {
            params.setValue(
                i == 0 ? QStringLiteral("IdList") : QStringLiteral("IdList%1").arg(i + 1),
                pieces[i]);
        }
        dm->ExecProc(QStringLiteral("p_Base_Up_Orderly"), params);
        return true;
    } catch (const DytError& e) {
        showError(e);
        return false;
    }
}

// --- base-record fields

void TfrmXAbstract::fillBaseFields(const QString& prefix, const RecordSet& chosen) {
    int raw = -1;
    const int row = focusedRow();
    if (row >= 0)
        raw = model_->rawRow(row);
    else
        raw = records_.currentRow();
    if (raw < 0 || chosen.currentRow() < 0)
        return;
    const int from = chosen.currentRow();
    for (int f = 0; f < records_.fieldCount(); ++f) {
        const QString name = records_.field(f).name;
        if (!name.startsWith(prefix, Qt::CaseInsensitive))
            continue;
        int source = chosen.fieldIndex(name);
        if (source < 0)
            source = chosen.fieldIndex(name.mid(prefix.size()));
        if (source >= 0)
            records_.setAt(raw, f, chosen.at(from, source));
    }
    model_->reload();
    setFocusedRow(row);
}

void TfrmXAbstract::fillGoodsFields(const RecordSet& chosen) {
    fillBaseFields(QStringLiteral("sp_"), chosen);
}
void TfrmXAbstract::fillStoreFields(const RecordSet& chosen) {
    fillBaseFields(QStringLiteral("ck_"), chosen);
}
void TfrmXAbstract::fillSubjectFields(const RecordSet& chosen) {
    fillBaseFields(QStringLiteral("km_"), chosen);
}
void TfrmXAbstract::fillPartnerFields(const RecordSet& chosen) {
    fillBaseFields(QStringLiteral("dw_"), chosen);
}
void TfrmXAbstract::fillDepartmentFields(const RecordSet& chosen) {
    fillBaseFields(QStringLiteral("bm_"), chosen);
}
void TfrmXAbstract::fillEmployeeFields(const RecordSet& chosen) {
    fillBaseFields(QStringLiteral("zy_"), chosen);
}

// --- handlers

void TfrmXAbstract::btnExitClick() {
    close();
}

void TfrmXAbstract::btnPrintClick() {
    RunPrint(printMode_);
}

void TfrmXAbstract::btnUpClick() {
    if (MoveRow(-1))
        SaveRowOrder();
}

void TfrmXAbstract::btnDownClick() {
    if (MoveRow(1))
        SaveRowOrder();
}

void TfrmXAbstract::btnColConfigureClick() {
    try {
        if (runGridColFilter(grid_, this))
            saveLayout();
    } catch (const DytError& e) {
        showError(e);
    }
}

void TfrmXAbstract::lbColConfigureClick() {
    btnColConfigureClick();
}

void TfrmXAbstract::lbFilterClick() {
    try {
        runQueryFilter(grid_, QueryFilterMode::Filter, this);
    } catch (const DytError& e) {
        showError(e);
    }
}

void TfrmXAbstract::lblocalizerClick() {
    try {
        runQueryFilter(grid_, QueryFilterMode::Locate, this);
    } catch (const DytError& e) {
        showError(e);
    }
}

void TfrmXAbstract::lbrevertClick() {
    model_->clearColumnFilters();
    // Drops the conditions of the query filter too, so that the next "在上次查询结果上过滤"
    // starts from all rows.
    gridfilter::clearQueryFilter(grid_);
}

void TfrmXAbstract::N2Click() {
    try {
        refreshData();
    } catch (const DytError& e) {
        showError(e);
    }
}

void TfrmXAbstract::N3Click() {
    RunPrint(kPrintExport);
}

// --- events

void TfrmXAbstract::closeEvent(QCloseEvent* event) {
    if (treeLoaded_) {
        if (tree_->isVisible())
            treeWidth_ = splitter_->sizes().value(0, treeWidth_);
        try {
            clientConfig().ini().writeString(configSection(), xtext::treeWidthKey(),
                                             QString::number(treeWidth_));
        } catch (const DytError&) {
            // The width is a convenience; a configuration file that cannot be written keeps the
            // old one.
        }
    }
    TfrmBase::closeEvent(event);
}

bool TfrmXAbstract::eventFilter(QObject* watched, QEvent* event) {
    if (watched == grid_->table() && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (handleRowKeys(key) || handleBoundKey(key))
            return true;
    }
    return TfrmBase::eventFilter(watched, event);
}

void TfrmXAbstract::bindGridKey(Qt::Key key, std::function<bool()> command) {
    gridKeys_.insert(key == Qt::Key_Enter ? Qt::Key_Return : key, std::move(command));
}

bool TfrmXAbstract::handleBoundKey(const QKeyEvent* event) {
    if ((event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    const int key = event->key() == Qt::Key_Enter ? Qt::Key_Return : event->key();
    const auto it = gridKeys_.constFind(key);
    return it != gridKeys_.constEnd() && (*it)();
}

bool TfrmXAbstract::handleRowKeys(QKeyEvent* event) {
    if (event->modifiers() != Qt::ControlModifier)
        return false;
    QAction* command = nullptr;
    int delta = 0;
    if (event->key() == Qt::Key_Up) {
        command = btnUp_;
        delta = -1;
    } else if (event->key() == Qt::Key_Down) {
        command = btnDown_;
        delta = 1;
    } else {
        return false;
    }
    if (command->isEnabled() && command->isVisible() && canMove(delta)) {
        if (delta < 0)
            btnUpClick();
        else
            btnDownClick();
    }
    return true;
}

void TfrmXAbstract::keyPressEvent(QKeyEvent* event) {
    if (handleRowKeys(event)) {
        event->accept();
        return;
    }
    TfrmBase::keyPressEvent(event);
}

void TfrmXAbstract::escapePressed() {
    btnExitClick();
}

}  // namespace dyt::client
