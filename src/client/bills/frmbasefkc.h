#pragma once
// TfrmBaseFKC ("负库存"): the modal list of goods that go below zero stock with this bill, in the
// real or the virtual (stock plus open orders) sense. "继续" closes with OK, anything else with
// cancel.

#include <QString>

#include "client/common/frmbase.h"
#include "client/common/gridcolumn.h"
#include "common/recordset.h"

class QLabel;

namespace dyt {
class GridView;
class RecordSetModel;
}  // namespace dyt

namespace dyt::client {

enum class FkcMode { Real, Virtual };

namespace fkctext {
QString title();                // "负库存"
QString caption(FkcMode mode);  // "负库存" / "虚拟负库存"
QString question(FkcMode mode);  // "以下商品已出现负库存，是否继续？" / "…虚拟负库存…"
}  // namespace fkctext

class TfrmBaseFKC : public TfrmBaseDialog {
    Q_OBJECT

public:
    TfrmBaseFKC(FkcMode mode, const QString& sql, QWidget* parent = nullptr);
    TfrmBaseFKC(FkcMode mode, const RecordSet& rows, QWidget* parent = nullptr);
    ~TfrmBaseFKC() override;

    // The entry point of a bill at save time: with no row true at once, else the list is shown
    // modally and true comes back only on "继续".
    static bool CheckAndShow(FkcMode mode, const QString& sql, QWidget* parent = nullptr);
    static bool CheckAndShow(FkcMode mode, const RecordSet& rows, QWidget* parent = nullptr);

    FkcMode mode() const { return mode_; }
    RecordSet& rows() { return rows_; }
    const GridDefinition& columns() const { return def_; }
    GridView* grid() const { return grid_; }
    QLabel* lblQuestion() const { return lblQuestion_; }
    void loadRows();
    // "打印(&P)": the list through the print engine; the engine's answer, 0 when nothing printed.
    int btnPrintClick();

protected:
    void FormShow() override;

private:
    void build();
    QString sql_;
    FkcMode mode_;
    RecordSet rows_;
    GridDefinition def_;
    RecordSetModel* model_ = nullptr;
    GridView* grid_ = nullptr;
    QLabel* lblQuestion_ = nullptr;
    bool loaded_ = false;
    bool shown_ = false;  // the operator's layout is kept only for a list that was shown
};

}  // namespace dyt::client
