#pragma once
// TfrmXGridColFilter ("表格列配置"): the operator's choice of the grid's columns, their captions,
// visibility, print flags and order.

#include <QAbstractTableModel>

#include "client/common/frmbase.h"
#include "client/common/gridcolconfig.h"

class QCheckBox;
class QPushButton;
class QTableView;
class QWidget;

namespace dyt {

class GridView;

// Runs the dialog on the grid; on "确定" applies the choice to the grid and returns true (the
// caller saves the layout). Throws DytError when the grid cannot be configured.
bool runGridColFilter(GridView* grid, QWidget* parent);

namespace gridfilter {

// The dialog's list: "序号", "列名称", "显示名" (editable), "是否显示" and "是否打印" ("是"/"否",
// checkable), "tag". An edit refused by the choice is shown through the prompter ("提示").
class ColumnConfigModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { No, Name, VisName, Visible, Print, Tag, ColumnCount };

    explicit ColumnConfigModel(ColumnConfig* config, QObject* parent = nullptr);

    // Call after the choice changed other than through this model.
    void refresh();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

Q_SIGNALS:
    // A display name was refused (and the reason shown).
    void editRefused();

private:
    ColumnConfig* config_;
};

}  // namespace gridfilter

class TfrmXGridColFilter : public client::TfrmBaseDialog {
    Q_OBJECT

public:
    // Reads the grid description; throws DytError when a column carries no ex data.
    explicit TfrmXGridColFilter(const GridDefinition& def, QWidget* parent = nullptr);

    gridfilter::ColumnConfig& config() { return config_; }
    gridfilter::ColumnConfigModel* listModel() const { return model_; }
    QTableView* list() const { return list_; }
    QCheckBox* defaultCaptionsBox() const { return cbDefaultCaption_; }
    QCheckBox* defaultOrderBox() const { return cbDefaultOrder_; }

    // "确定(&O)": checks the choice ("至少显示一列", caption "提示") and closes the dialog.
    void btnOKClick() override;

private:
    void onRowMoved(int logicalIndex, int oldVisual, int newVisual);

    gridfilter::ColumnConfig config_;
    gridfilter::ColumnConfigModel* model_ = nullptr;
    QTableView* list_ = nullptr;
    QCheckBox* cbDefaultCaption_ = nullptr;
    QCheckBox* cbDefaultOrder_ = nullptr;
    bool refused_ = false;
};

}  // namespace dyt
