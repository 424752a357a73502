#pragma once
// TfrmSelectGoods ("商品选择"): picking goods for the lines of a bill.
//
// GoodsSelection holds the whole behaviour apart from the widgets (the query, classes, list and
// level display, marking, adding with the already-present question); the window only lays it
// out. selectGoodsByText and selectGoodsByBarcode are the two ways a bill calls it.

#include <QList>
#include <QString>

#include <functional>
#include <memory>

#include "client/bills/selectwindow.h"
#include "client/logic/fixedtext.h"
#include "client/logic/gridcolumn.h"
#include "common/paramlist.h"
#include "common/recordset.h"

class QLineEdit;
class QPushButton;
class QModelIndex;

namespace dyt {
class GridView;
class RecordSetModel;
}  // namespace dyt

namespace dyt::client {

namespace selecttext {
inline constexpr FixedText title{u"商品选择"};
inline constexpr FixedText noBarcode{u"无此条码商品！"};
inline constexpr FixedText barcodeIsClass{u"你扫描的条码在数据库中是一类商品，不能添加！"};
inline constexpr FixedText listOneClass{u"只能对一类商品进行列表！"};
inline constexpr FixedText chooseGoods{u"请选择商品"};
inline constexpr FixedText backCaption{u"返回(&C)"};
inline constexpr FixedText exitCaption{u"退出(&C)"};
// "第 3 行已经添加了[ name ]\r\n是否继续添加？"
QString alreadyPresent(int line, const QString& fullName);
}  // namespace selecttext

// One goods handed to the bill's add handler.
struct SelectedGoods {
    qint64 goodsId = 0;
    QString code;
    QString name;
    qint64 unitId = 0;  // 0 = base unit, 1 and 2 the auxiliary units
    QString unitName;
    double rate = 1;
    double qty = 0;
    double stockQty = 0;
    double price = 0;
    double total = 0;
    double discount = 1;
    int costmode = 0;
    int spType = 0;
};

// What the selection needs from the calling bill.
struct GoodsTarget {
    // The 1-based bill line on which this goods with this unit already stands; 0 when none.
    std::function<int(qint64 goodsId, qint64 unitId)> lineOf;
    // Writes one line into the bill.
    std::function<void(const SelectedGoods&)> add;
};

// True for the bill kinds that are offered only ordinary goods (sp_sptype 0): 10 to 16, 35 to 40,
// 44 to 46, 48 to 50 and 53 to 63.
bool ordinaryGoodsOnly(int djType);

class GoodsSelection {
public:
    // typeMode below 0 selects the query type "QTKC" with type id -typeMode.
    GoodsSelection(GoodsTarget target, int djType, qint64 partnerId, qint64 warehouseId,
                   int typeMode = 0);

    // --- state
    qint64 classId() const { return path_.isEmpty() ? 0 : path_.last(); }
    const QList<qint64>& classPath() const { return path_; }
    bool listMode() const { return listMode_; }
    QString filterText() const { return filterText_; }
    void setFilterText(const QString& text) { filterText_ = text; }
    RecordSet& rows() { return rows_; }
    const RecordSet& rows() const { return rows_; }
    int currentRow() const { return current_; }  // -1 when there are no rows
    void setCurrentRow(int row);
    // The exit button: "返回(&C)" inside a class, "退出(&C)" at the top.
    QString exitCaption() const;

    // --- the goods query
    // The parameter lines for the current state, or for a scanned barcode.
    ParamList queryParams(const QString& barcode = QString()) const;
    // Runs the query (P_Base_Get_Goods) into rows(); the current row stays where it was when
    // still in range.
    void runQuery(const QString& barcode = QString());

    // --- navigation; each runs the query again
    // Opens the class row (down one level); false when the row is no class.
    bool openClass(int row);
    // Up one level (the filter text is cleared); false at the top, where the window closes.
    bool goUp();
    // "全部": back to the top class.
    void showAll();
    // "列表显示": the goods of one class as a list (the marked class, else the current row when it
    // is a class, else the class shown). Several marked classes: "只能对一类商品进行列表！" and
    // nothing changes; returns false then.
    bool showList();
    // "层级显示": the level of the class shown.
    void showLevels();

    // --- marking (the check column "selected")
    void setMarked(int row, bool marked);
    bool isMarked(int row) const;
    QList<int> markedRows() const;

    // --- adding
    // Adds the marked rows (else the current row) to the bill: classes expanded to their goods,
    // goods already on the bill only after "是(&O)". Returns the number of goods added; shows
    // "请选择商品" when there is nothing to add.
    int addChosen();
    // Adds one row (as a double-click on a goods does).
    int addRow(int row);

private:
    QList<SelectedGoods> goodsOfRow(int row);
    QList<SelectedGoods> goodsOfClass(qint64 classId);
    int addAll(const QList<int>& rows);

    GoodsTarget target_;
    int djType_;
    qint64 partnerId_;
    qint64 warehouseId_;
    int typeMode_;
    QList<qint64> path_;
    bool listMode_ = false;
    qint64 listClass_ = 0;
    QString filterText_;
    RecordSet rows_;
    int current_ = -1;
};

// The window.
class TfrmSelectGoods : public TfrmSelectWindow {
    Q_OBJECT
public:
    TfrmSelectGoods(std::shared_ptr<GoodsSelection> selection, const QString& caption,
                    bool allowNew, QWidget* parent = nullptr);
    ~TfrmSelectGoods() override;

    GoodsSelection& selection() { return *selection_; }
    GridView* grid() const { return grid_; }
    const GridDefinition& gridDefinition() const { return def_; }
    int addedCount() const { return added_; }
    // Puts the rows of the selection on screen again (after the selection ran a query).
    void refresh();

    // --- commands (also reached through the buttons)
    // "选择(&S)": the marked rows, else the current one, once a text typed but not yet applied
    // has narrowed the rows.
    void addClick();
    void downClick();
    void listClick();
    void levelClick();
    void allClick();
    void exitClick();
    void newGoodsClick();
    void columnsClick();
    // ESC: as the exit button (up one level inside a class, else close).
    void reject() override;

protected:
    // Closing stores the grid layout.
    void done(bool accepted) override;
    // Typing runs the goods query with the text.
    void applySearch(const QString& text) override;
    // Enter or a double-click: a class opens, a goods is added.
    void chooseCurrent() override;
    // Enter after a new text that found exactly one goods (no class) adds it.
    bool chooseSingle() override;

private:
    void buildGrid();
    void syncCurrent();
    void run(const std::function<void()>& action);
    void chooseRow(int row);

    std::shared_ptr<GoodsSelection> selection_;
    GridDefinition def_;
    RecordSetModel* model_ = nullptr;
    GridView* grid_ = nullptr;
    QLineEdit* edFilter_ = nullptr;
    QPushButton* btnAdd_ = nullptr;
    QPushButton* btnExit_ = nullptr;
    QPushButton* btnNew_ = nullptr;
    int added_ = 0;
    bool closing_ = false;
    bool layoutLoaded_ = false;
};

// Select by text: runs the goods query with the text; a single goods found for a non-empty text
// is added without showing the window, otherwise the window is shown modally. allowNew offers the
// "添加" button (with the operator's right 100101). Returns whether goods were added.
bool selectGoodsByText(const GoodsTarget& target, int djType, qint64 partnerId, qint64 warehouseId,
                       int typeMode, const QString& text, const QString& caption,
                       bool allowNew = false, QWidget* parent = nullptr);

// Select by barcode: "无此条码商品！" when nothing is found, "你扫描的条码在数据库中是一类商品，
// 不能添加！" for a class; otherwise the goods is added. Returns whether it was added.
bool selectGoodsByBarcode(const GoodsTarget& target, int djType, qint64 partnerId,
                          qint64 warehouseId, int typeMode, const QString& barcode);

}  // namespace dyt::client
