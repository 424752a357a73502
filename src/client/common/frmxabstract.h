#pragma once
// TfrmXAbstract: the root of the list, query, base-data and bill windows. A title, a header panel
// (the query conditions, or a bill's header fields), the left category tree, the grid of tagged
// columns over the window's record set with its row indicator, footer and filter row, a tool bar
// and the grid's popup menu. It prints and exports the grid, keeps the operator's grid layout,
// the smart filter choice and the tree width, and moves rows within the display order.
//
// A derived window builds its columns with addColumn(), fills records() (loadRecords() shows the
// long-load message meanwhile) and calls showRecords(). The empty hooks are filled by the derived
// windows.

#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>

#include <functional>

#include "client/common/frmbase.h"
#include "client/logic/fixedtext.h"
#include "client/logic/gridcolumn.h"
#include "common/recordset.h"

class QAction;
class QCheckBox;
class QGroupBox;
class QMenu;
class QSplitter;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QHBoxLayout;

namespace dyt {
class GridView;
class RecordSetModel;
}  // namespace dyt

namespace dyt::client {

namespace xtext {
inline constexpr FixedText conditionGroup{u"查询条件"};
inline constexpr FixedText smartFilterHint{u"您可以在这里进行智能过滤"};
inline constexpr FixedText smartFilterKey{u"qiyongzhinengguolv"};
inline constexpr FixedText treeWidthKey{u"TreeWidth"};
inline constexpr FixedText refreshData{u"刷新数据"};
inline constexpr FixedText exportToExcel{u"转成Excel(&E)"};
inline constexpr FixedText rowNumberField{u"行号"};
inline constexpr FixedText nothingToPrint{u"无数据，不能打印"};
inline constexpr FixedText receivingData{u"正在接收数据，请稍等......"};
inline constexpr FixedText noData{u"无数据"};
inline constexpr FixedText rowOutOfRange{u"行索引越界 "};
inline constexpr FixedText columnOutOfRange{u"列索引越界 "};
inline constexpr FixedText printLabel{u"德盈通软件"};
inline constexpr FixedText templateExtension{u".QXF"};
inline constexpr FixedText orderField{u"_order"};
}  // namespace xtext

inline constexpr int kDefaultTreeWidth = 195;
// Width of one of the id list pieces IdList … IdList5 of the row order.
inline constexpr int kIdListPieceWidth = 8000;

// Print modes of btnPrint: 0 print, 1 preview with printing, 2 preview only, 3 design, 4 export.
enum PrintMode {
    kPrintDirect = 0,
    kPrintPreview = 1,
    kPrintPreviewOnly = 2,
    kPrintDesign = 3,
    kPrintExport = 4
};

// The hand-over to the print engine: mode 0..3, the header and detail record sets and the
// template file. Returns the engine's answer.
using PrintHandler = std::function<int(QWidget* parent, int mode, const RecordSet& header,
                                       const RecordSet& detail, const QString& templateFile)>;

// Caption=value pairs in order.
using NamedValues = QList<QPair<QString, QString>>;

// The header record set of a print: one row with one text field per pair, named by the caption
// ("公司全名" …, then the header panel's captions); a caption given twice keeps its first value.
RecordSet printHeaderRecords(const NamedValues& values);

// The comma-separated ids cut at commas into the five pieces IdList … IdList5 of at most
// pieceWidth characters; throws DytError when they do not fit.
QStringList splitIdList(const QList<qint64>& ids, int pieceWidth = kIdListPieceWidth);

class TfrmXAbstract : public TfrmBase {
    Q_OBJECT

public:
    explicit TfrmXAbstract(QWidget* parent = nullptr);
    ~TfrmXAbstract() override;

    // --- title: the window caption and the title label lbltitle, which names the window's
    // section in the client configuration file and its print template.
    void setTitle(const QString& title);
    QString titleText() const;
    QLabel* lbltitle() const { return lbltitle_; }

    // --- controls
    QGroupBox* gbCondition() const { return gbCondition_; }
    QWidget* panBillTitle() const { return panBillTitle_; }
    QCheckBox* cbqiyongzhinengguolv() const { return cbSmartFilter_; }
    QTreeWidget* tvCategory() const { return tree_; }
    GridView* dbgvX() const { return grid_; }
    QToolBar* toolBar() const { return toolBar_; }
    QMenu* pmBill() const { return pmBill_; }
    QAction* btnExit() const { return btnExit_; }
    QAction* btnPrint() const { return btnPrint_; }
    QAction* btnUp() const { return btnUp_; }
    QAction* btnDown() const { return btnDown_; }
    QAction* btnColConfigure() const { return btnColConfigure_; }
    QAction* actRefresh() const { return actRefresh_; }  // N2 "刷新数据"
    QAction* actExport() const { return actExport_; }    // N3 "转成Excel(&E)"

    // Adds a caption and its control to the header panel; the print header takes the pair.
    void addHeaderField(const QString& caption, QWidget* editor);
    // The caption=value pairs of the header panel's controls: label texts without a trailing ":"
    // or "："; check boxes give their own text and "是" or "否".
    NamedValues headerPanelValues() const;

    // --- the grid and its data
    RecordSet& records() { return records_; }
    const RecordSet& records() const { return records_; }
    GridDefinition& gridDefinition() { return gridDef_; }
    RecordSetModel* model() const { return model_; }
    // A tagged column (AddGridColumn with the window's settings).
    GridColumn& addColumn(const QString& captionText, const QString& fieldName, bool editable,
                          int width, int bandIndex = 0);
    // Binds the grid to the record set and the columns (after columns or rows changed).
    void showRecords();
    // Runs a load under the progress window "正在接收数据，请稍等......", then shows the rows.
    void loadRecords(const std::function<void(RecordSet&)>& load);
    // The key of the grid's layout: the class name and the grid's name.
    virtual QString layoutKey() const;
    bool loadLayout();
    bool saveLayout();

    // The focused grid row (-1 when none) and focusing one.
    int focusedRow() const;
    void setFocusedRow(int row);

    // --- cell access by grid row and column; a bad index throws "第" row "/" count "行索引越界 "
    // or the column's counterpart, an empty grid "无数据".
    QVariant cellValue(int row, int column) const;

    // --- smart filter: stored per window title in the client configuration file.
    bool smartFilter() const;
    // The section of the window's choices in the configuration file: the title label's text.
    QString configSection() const { return titleText(); }

    // --- slot 1: the category tree from records with id, fullname and leveal; the width comes
    // from the configuration file and goes back to it when the window closes.
    virtual void LoadCategoryTree(const RecordSet& rows);
    int treeWidth() const { return treeWidth_; }
    void setTreeWidth(int width);
    // The record id of the chosen tree node, 0 when none.
    qint64 currentTreeId() const;

    // --- slot 2: the detail rows of a print: "行号" and the shown bound columns of the grid in
    // display order.
    virtual void BuildPrintRows(RecordSet* detail) const;
    // The header lines of a print: company texts, operator, print label, header panel pairs.
    NamedValues buildPrintHeaderLines() const;
    // Prints by mode (PrintMode); mode 4 exports the grid.
    int RunPrint(int mode);
    static PrintHandler& printHandler();
    // The window's print mode (btnPrint uses it).
    int printMode() const { return printMode_; }
    void setPrintMode(int mode) { printMode_ = mode; }

    // --- slots 9 to 12: the display order
    // Renumbers the order field "_order" of the rows in display order ("%.06d", from 1); adds the
    // field when the record set lacks it.
    void SetRowOrder();
    // Moves the focused row one place up (-1) or down (1) in the display order; it stays focused.
    virtual bool MoveRow(int delta);
    // The base table whose order SaveRowOrder stores; empty for windows without one.
    virtual QString orderTable() const { return {}; }
    // Sends the ids of the rows in display order (p_Base_Up_Orderly); failures are shown
    // ("提示") and give false.
    bool SaveRowOrder();
    // Whether the focused row can move that way (not the first up, not the last down).
    bool canMove(int delta) const;

    // --- slots 15 to 21: the fields of a chosen base record into the current row of records():
    // every field of the row with the prefix takes the chosen record's field of the same name,
    // or of the name without the prefix ("sp_id" ← "id").
    void fillBaseFields(const QString& prefix, const RecordSet& chosen);
    virtual void fillGoodsFields(const RecordSet& chosen);       // sp_
    virtual void fillStoreFields(const RecordSet& chosen);       // ck_
    virtual void fillSubjectFields(const RecordSet& chosen);     // km_
    virtual void fillPartnerFields(const RecordSet& chosen);     // dw_
    virtual void fillDepartmentFields(const RecordSet& chosen);  // bm_
    virtual void fillEmployeeFields(const RecordSet& chosen);    // zy_

    // --- handlers
    virtual void btnExitClick();
    virtual void btnPrintClick();
    virtual void btnBillSaveClick() {}
    virtual void btnBillSaveToDraftClick() {}
    virtual void btnSavePrintClick() {}
    virtual void btnOtherClick() {}
    virtual void btnUpClick();
    virtual void btnDownClick();
    virtual void btnColConfigureClick();
    virtual void lbFilterClick();
    virtual void lbrevertClick();
    virtual void lblocalizerClick();
    virtual void lbColConfigureClick();
    virtual void cbqiyongzhinengguolvClick();
    virtual void N2Click();  // "刷新数据"
    virtual void N3Click();  // "转成Excel(&E)"
    // Reloads the window's data ("刷新数据"); the derived windows fill it.
    virtual void refreshData() {}

protected:
    void FormCreate() override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Esc acts as the exit button.
    void escapePressed() override;
    // Shows an error of a command (caption "提示").
    void showError(const std::exception& error) const;
    // A key pressed on the grid without modifiers (Enter counts as Return) runs the command,
    // which answers whether it took the key; a later binding of the key replaces the earlier.
    void bindGridKey(Qt::Key key, std::function<bool()> command);

private:
    void buildControls();
    void checkCell(int row, int column) const;
    // Ctrl+Up and Ctrl+Down; true when the key was one of them.
    bool handleRowKeys(QKeyEvent* event);
    bool handleBoundKey(const QKeyEvent* event);

    QLabel* lbltitle_ = nullptr;
    QGroupBox* gbCondition_ = nullptr;
    QWidget* panBillTitle_ = nullptr;
    QHBoxLayout* headerLayout_ = nullptr;
    QCheckBox* cbSmartFilter_ = nullptr;
    QSplitter* splitter_ = nullptr;
    QTreeWidget* tree_ = nullptr;
    QHash<int, std::function<bool()>> gridKeys_;
    GridView* grid_ = nullptr;
    RecordSetModel* model_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QMenu* pmBill_ = nullptr;
    QAction* btnExit_ = nullptr;
    QAction* btnPrint_ = nullptr;
    QAction* btnUp_ = nullptr;
    QAction* btnDown_ = nullptr;
    QAction* btnColConfigure_ = nullptr;
    QAction* actRefresh_ = nullptr;
    QAction* actExport_ = nullptr;

    RecordSet records_;
    GridDefinition gridDef_;
    int treeWidth_ = kDefaultTreeWidth;
    bool treeLoaded_ = false;
    bool layoutLoaded_ = false;
    int printMode_ = kPrintPreview;
};

}  // namespace dyt::client
