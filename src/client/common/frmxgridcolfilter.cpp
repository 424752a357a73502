#include "client/common/frmxgridcolfilter.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableView>
#include <QVBoxLayout>

#include "client/common/gridview.h"
#include "client/logic/prompter.h"
#include "client/logic/recordsetmodel.h"
#include "common/error.h"

namespace dyt {

namespace gridfilter {

namespace {

QString yesNo(bool value) {
    return value ? QStringLiteral("是") : QStringLiteral("否");
}

}  // namespace

ColumnConfigModel::ColumnConfigModel(ColumnConfig* config, QObject* parent)
    : QAbstractTableModel(parent), config_(config) {}

void ColumnConfigModel::refresh() {
    beginResetModel();
    endResetModel();
}

int ColumnConfigModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : config_->rowCount();
}

int ColumnConfigModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ColumnConfigModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= config_->rowCount())
        return {};
    const ColumnConfig::Row& r = config_->rows()[index.row()];
    if (role == Qt::DisplayRole || role == Qt::EditRole) {
        switch (index.column()) {
            case No:
                return r.no;
            case Name:
                return r.name;
            case VisName:
                return r.visName;
            case Visible:
                return yesNo(r.visible);
            case Print:
                return yesNo(r.print);
            case Tag:
                return QString::number(r.tag);
            default:
                return {};
        }
    }
    if (role == Qt::CheckStateRole) {
        if (index.column() == Visible)
            return static_cast<int>(r.visible ? Qt::Checked : Qt::Unchecked);
        if (index.column() == Print)
            return static_cast<int>(r.print ? Qt::Checked : Qt::Unchecked);
    }
    return {};
}

bool ColumnConfigModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.row() >= config_->rowCount())
        return false;
    const int row = index.row();
    if (index.column() == VisName && role == Qt::EditRole) {
        try {
            config_->setCaption(row, value.toString());
        } catch (const DytError& e) {
            client::prompter().message(client::caption::hint(), e.message(),
                                       client::MessageIcon::Warning);
            Q_EMIT editRefused();
            return false;
        }
    } else if ((index.column() == Visible || index.column() == Print) &&
               role == Qt::CheckStateRole) {
        const bool on = value.toInt() == static_cast<int>(Qt::Checked);
        if (index.column() == Visible) {
            config_->setVisible(row, on);
        } else {
            config_->setPrint(row, on);
        }
    } else {
        return false;
    }
    Q_EMIT dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole, Qt::CheckStateRole});
    return true;
}

Qt::ItemFlags ColumnConfigModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (index.column() == VisName)
        f |= Qt::ItemIsEditable;
    if (index.column() == Visible || index.column() == Print)
        f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant ColumnConfigModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Vertical)
        return section + 1;
    switch (section) {
        case No:
            return QStringLiteral("序号");
        case Name:
            return QStringLiteral("列名称");
        case VisName:
            return QStringLiteral("显示名");
        case Visible:
            return QStringLiteral("是否显示");
        case Print:
            return QStringLiteral("是否打印");
        case Tag:
            return QStringLiteral("tag");
        default:
            return {};
    }
}

}  // namespace gridfilter

TfrmXGridColFilter::TfrmXGridColFilter(const GridDefinition& def, QWidget* parent)
    : client::TfrmBaseDialog(parent), config_(def) {
    setObjectName(QStringLiteral("frmXGridColFilter"));
    setWindowTitle(QStringLiteral("表格列配置"));
    resize(560, 460);
    lbltitle()->setText(QStringLiteral("请选择要显示或者隐藏的列"));

    auto* layout = new QVBoxLayout(contentBox());

    model_ = new gridfilter::ColumnConfigModel(&config_, this);
    list_ = new QTableView(this);
    list_->setObjectName(QStringLiteral("dbgvX"));
    list_->setModel(model_);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                           QAbstractItemView::AnyKeyPressed);
    // The operator drags a line by its number to change the column order.
    list_->verticalHeader()->setSectionsMovable(true);
    list_->horizontalHeader()->setStretchLastSection(true);
    list_->setColumnWidth(gridfilter::ColumnConfigModel::No, 48);
    list_->setColumnWidth(gridfilter::ColumnConfigModel::Name, 120);
    list_->setColumnWidth(gridfilter::ColumnConfigModel::VisName, 120);
    list_->setColumnWidth(gridfilter::ColumnConfigModel::Visible, 72);
    list_->setColumnWidth(gridfilter::ColumnConfigModel::Print, 72);
    connect(model_, &gridfilter::ColumnConfigModel::editRefused, this, [this] { refused_ = true; });
    connect(list_->verticalHeader(), &QHeaderView::sectionMoved, this,
            &TfrmXGridColFilter::onRowMoved);
    layout->addWidget(list_, 1);

    auto* note = new QLabel(QStringLiteral("注意：显示标签不能为空。"), this);
    layout->addWidget(note);

    auto* options = new QHBoxLayout;
    cbDefaultCaption_ = new QCheckBox(QStringLiteral("使用默认标签"), this);
    cbDefaultCaption_->setObjectName(QStringLiteral("cbDefaultCaption"));
    cbDefaultOrder_ = new QCheckBox(QStringLiteral("默认顺序"), this);
    cbDefaultOrder_->setObjectName(QStringLiteral("cbDefaultOrder"));
    options->addWidget(cbDefaultCaption_);
    options->addWidget(cbDefaultOrder_);
    options->addStretch();
    layout->addLayout(options);
    connect(cbDefaultCaption_, &QCheckBox::toggled, this, [this](bool on) {
        config_.setUseDefaultCaptions(on);
        model_->refresh();
    });
    connect(cbDefaultOrder_, &QCheckBox::toggled, this, [this](bool on) {
        if (on == config_.useDefaultOrder())
            return;
        config_.setUseDefaultOrder(on);
        model_->refresh();
    });

    btnOK()->setDefault(true);
}

void TfrmXGridColFilter::btnOKClick() {
    // Moving the focus to the button posts a pending edit of a display name; a refused one keeps
    // the dialog open.
    refused_ = false;
    btnOK()->setFocus(Qt::OtherFocusReason);
    const QModelIndex current = list_->currentIndex();
    list_->setCurrentIndex(QModelIndex());  // leaving the cell posts an open editor
    list_->setCurrentIndex(current);
    if (refused_)
        return;
    try {
        config_.validate();
    } catch (const DytError& e) {
        client::prompter().message(client::caption::hint(), e.message(),
                                   client::MessageIcon::Warning);
        return;
    }
    client::TfrmBaseDialog::btnOKClick();
}

void TfrmXGridColFilter::onRowMoved(int /*logicalIndex*/, int oldVisual, int newVisual) {
    // The list keeps the order itself: undo the header's own move and move the line.
    QHeaderView* header = list_->verticalHeader();
    {
        const QSignalBlocker block(header);
        header->moveSection(newVisual, oldVisual);
    }
    config_.moveRow(oldVisual, newVisual);
    {
        const QSignalBlocker block(cbDefaultOrder_);
        cbDefaultOrder_->setChecked(config_.useDefaultOrder());
    }
    model_->refresh();
    list_->selectRow(newVisual);
}

bool runGridColFilter(GridView* grid, QWidget* parent) {
    RecordSetModel* model = grid ? grid->model() : nullptr;
    if (!model || !model->definition())
        throw DytError(QStringLiteral(" 不支持该类型视图的列配置"));
    TfrmXGridColFilter dialog(*model->definition(), parent);
    if (dialog.exec() != 1)
        return false;
    gridfilter::applyColumnConfig(grid, dialog.config());
    return true;
}

}  // namespace dyt
