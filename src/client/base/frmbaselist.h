#pragma once
// The base-data list window of every kind (TfrmBaseGoods, TfrmBaseZY, TfrmBaseCK, TfrmBaseBM,
// TfrmBaseWLDW, TfrmBaseDiQu, TfrmBaseZhaiYao, TfrmBaseKM): one category level (or one flat list)
// of the kind's records beside the category tree, with the commands add, copy add, add level,
// edit, delete, levels and list, quick search, include stopped, move up and down, drag onto a
// tree node, and the path label below the grid. What differs between the kinds comes from the
// kind table (basekinds.h).

#include <QList>
#include <QString>

#include <functional>

#include "client/base/basekinds.h"
#include "client/common/frmxabstract.h"
#include "client/logic/fixedtext.h"

class QCheckBox;
class QLabel;
class QLineEdit;

namespace dyt::client {

namespace basetext {
inline constexpr FixedText tooDeep{u"系统最大支持5级，不能再增加下级"};
inline constexpr FixedText categoryNoDelete{u"此记录为一个节点，不能删除！"};
inline constexpr FixedText confirmDelete{u"您确定要删除选中的数据吗？"};
inline constexpr FixedText pathPrefix{u"分类路径："};
inline constexpr FixedText listChoice{u"列表选择"};
inline constexpr FixedText listAll{u"全部列表"};
inline constexpr FixedText onlyCategory{u"只能对一类商品进行列表！"};
inline constexpr FixedText systemEmployee{u"系统默认操作员，不能被修改、删除和分类!"};
inline constexpr FixedText systemRowEdit{u"系统行不能新增或修改！"};
inline constexpr FixedText systemRowLevel{u"系统行不能被分类！"};
inline constexpr FixedText systemRowDelete{u"系统行不能被删除！"};
inline constexpr FixedText includeStopped{u"包含停用"};
}  // namespace basetext

// What the list asks of an editor: record id (0 = new), parent category, optional source row
// (copy add); true when the editor saved.
struct EditorRequest {
    qint64 id = 0;
    qint64 parentId = 0;
    const RecordSet* source = nullptr;  // one row at its cursor, or null
};
using EditorOpener =
    std::function<bool(const base::BaseKind& kind, const EditorRequest& request, QWidget* parent)>;

class TfrmBaseList : public TfrmXAbstract {
    Q_OBJECT
public:
    TfrmBaseList(const base::BaseKind& kind, QWidget* parent = nullptr);
    ~TfrmBaseList() override;

    const base::BaseKind& kind() const { return *kind_; }
    base::ListState& state() { return state_; }
    QString currentPath() const { return path_; }

    // --- controls
    QAction* btnAdd() const { return btnAdd_; }
    QAction* btnCopyAdd() const { return btnCopyAdd_; }
    QAction* btnAddLevel() const { return btnAddLevel_; }
    QAction* btnUpdate() const { return btnUpdate_; }
    QAction* btnDel() const { return btnDel_; }
    QAction* btnList() const { return btnList_; }
    QAction* btnQuery() const { return btnQuery_; }
    QCheckBox* cbIncludeStopped() const { return cbStopped_; }
    QLineEdit* edSearch() const { return edSearch_; }
    QLabel* lbPath() const { return lbPath_; }

    // --- loading
    void loadList();   // the current level, list or search
    void loadTree();   // the category tree
    void reloadAll();  // list and tree
    void refreshData() override { reloadAll(); }
    // Applies the operator's rights to the buttons and the columns (by the window's tag).
    void applyRights();

    // --- commands
    void btnAddClick();
    void btncopyAddClick();
    void btnAddLevelClick();
    void btnUpdateClick();
    void btnDelClick();
    void btnListClick();
    void btnQueryClick();  // "查看": reloads the level
    void searchClick();
    void includeStoppedClick();
    void enterCategory(int row);
    bool goUp();
    void treeNodeChosen(qint64 id);
    // Re-parents the chosen rows (the selected ones, else the focused one) under the node.
    void dropOnTreeNode(qint64 targetId, const QList<qint64>& ids);
    void rowActivated(int row);
    void btnExitClick() override;
    QString orderTable() const override { return kind_->table; }
    QString layoutKey() const override;

    // The ids of the selected rows, the focused one when none is selected.
    QList<qint64> chosenIds() const;
    // A field of a grid row ("" when absent).
    QVariant rowValue(int row, const QString& field) const;

    // The editor the commands open; the default shows the kind's editor modally.
    static EditorOpener& editorOpener();

protected:
    void FormCreate() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildColumns();
    void run(const std::function<void()>& action);
    bool openEditor(const EditorRequest& request);
    void updatePathLabel();
    void setCloseCaption();
    // Client-side level, list and search over an SQL kind's rows.
    void filterSqlRows(RecordSet& all) const;
    // The refusal of system rows for a command ("" when allowed).
    QString systemRowRefusal(int row, int command) const;

    const base::BaseKind* kind_;  // the function code may name a variant (FormCreate)
    base::ListState state_;
    QString path_;
    RecordSet treeRows_;
    QAction* btnAdd_ = nullptr;
    QAction* btnCopyAdd_ = nullptr;
    QAction* btnAddLevel_ = nullptr;
    QAction* btnUpdate_ = nullptr;
    QAction* btnDel_ = nullptr;
    QAction* btnList_ = nullptr;
    QAction* btnQuery_ = nullptr;
    QCheckBox* cbStopped_ = nullptr;
    QLineEdit* edSearch_ = nullptr;
    QLabel* lbPath_ = nullptr;
    QPoint dragStart_;
};

}  // namespace dyt::client
