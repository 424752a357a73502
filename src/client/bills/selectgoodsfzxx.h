#pragma once
// TfrmSelectGoodsFZXX ("辅助信息"): the unit of a goods for a bill line: its base unit or one of
// its auxiliary units, with the unit's rate to the base unit. UnitSelection is the behaviour
// apart from the widgets.

#include <QString>

#include <optional>

#include "client/bills/selectwindow.h"
#include "client/logic/gridcolumn.h"
#include "common/recordset.h"

namespace dyt {
class GridView;
class RecordSetModel;
}  // namespace dyt

namespace dyt::client {

struct GoodsUnitChoice {
    qint64 unitid = 0;  // 0 = base unit, 1 and 2 = auxiliary units
    QString unitName;
    double rate = 1;
};

class UnitSelection {
public:
    explicit UnitSelection(qint64 goodsId) : goodsId_(goodsId) {}
    // "SELECT a.* FROM baseGoodsUnit as a  WHERE a.Goodsid = " + id, ordered by unit number.
    QString sqlText() const;
    void load();
    RecordSet& rows() { return rows_; }
    std::optional<GoodsUnitChoice> choice(int row) const;

private:
    qint64 goodsId_;
    RecordSet rows_;
};

class TfrmSelectGoodsFZXX : public TfrmSelectWindow {
    Q_OBJECT
public:
    explicit TfrmSelectGoodsFZXX(qint64 goodsId, QWidget* parent = nullptr);
    ~TfrmSelectGoodsFZXX() override;

    UnitSelection& selection() { return selection_; }
    GridView* grid() const { return grid_; }
    std::optional<GoodsUnitChoice> chosen() const { return chosen_; }
    void okClick();

protected:
    // Closing stores the grid layout.
    void done(bool accepted) override;
    // Enter or a double-click on a row: as "确定(&O)".
    void chooseCurrent() override;

private:
    UnitSelection selection_;
    GridDefinition def_;
    RecordSetModel* model_ = nullptr;
    GridView* grid_ = nullptr;
    std::optional<GoodsUnitChoice> chosen_;
};

// Shows the unit selection; the unit chosen, or nullopt when cancelled.
std::optional<GoodsUnitChoice> selectGoodsUnit(qint64 goodsId, QWidget* parent = nullptr);

}  // namespace dyt::client
