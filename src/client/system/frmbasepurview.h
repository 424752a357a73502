#pragma once
// TfrmBasePurview ("基本信息授权"): the record rights of the operators. The operator list holds
// the operators that may be given rights; a radio group chooses the kind of records, whose list
// shows one category level at a time with the chosen operator's grant. Toggling a row's grant
// (button "单个授权", a double-click on the grant column, Space or Enter) sets the row and every
// record below it and then recomputes the categories of the kind; "全部授权" / "全部取消" set
// every row of the level with everything below it.

#include "client/common/frmbase.h"

#include <QList>
#include <QStringList>

#include "common/recordset.h"

class QButtonGroup;
class QLabel;
class QListWidget;
class QPushButton;
class QTableWidget;

namespace dyt::client {

namespace purview {
struct RecordKind;
}

class TfrmBasePurview : public TfrmBase {
    Q_OBJECT
public:
    explicit TfrmBasePurview(QWidget* owner = nullptr);
    ~TfrmBasePurview() override;

    QListWidget* lstOperator() const { return lstOperator_; }
    QButtonGroup* rgKind() const { return rgKind_; }
    QTableWidget* grid() const { return grid_; }
    QLabel* lblOperator() const { return lblOperator_; }
    QPushButton* button(const QString& objectName) const;
    qint64 chosenOperator() const;
    const RecordSet& rows() const { return rows_; }

    void toggle(int row);        // "单个授权"
    void setAll(int state);      // "全部授权" (1) / "全部取消" (0)
    void openCategory(int row);  // shows the level below a category row
    void levelUp();              // "上一级"

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const purview::RecordKind& kind() const;
    void loadOperators();
    void kindChanged();
    void reload(int keepRow = -1);
    bool update(const QString& sql);

    QListWidget* lstOperator_ = nullptr;
    QButtonGroup* rgKind_ = nullptr;
    QTableWidget* grid_ = nullptr;
    QLabel* lblOperator_ = nullptr;
    QList<qint64> operatorIds_;
    QList<qint64> parents_;  // the categories opened, from the top down
    QStringList parentNames_;
    QLabel* lblLevel_ = nullptr;
    RecordSet rows_;
};

}  // namespace dyt::client
