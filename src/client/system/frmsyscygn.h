#pragma once
// TfrmsysCYGN ("常用功能设置"): the operator pins up to 21 of the functions he may use as common
// functions. The left list holds the available functions that are not pinned, the right list the
// pinned ones; OK stores the choice in sysPurview (iscygn, openCount) in one statement call.

#include "client/common/frmbase.h"

#include <QList>
#include <QString>

#include "client/logic/fixedtext.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace dyt {
class RecordSet;
}

namespace dyt::client {

namespace cygn {

inline constexpr int kLimit = 21;

// "最多可以设置 21 个常用功能"
inline constexpr FixedText limitMessage{u"最多可以设置 21 个常用功能"};
// The operator's available functions with their pinned flag, in menu order.
QString selectSql(int userId);

struct Item {
    qint64 id = 0;  // the sysPurview row
    QString name;   // the function's name
};

// The two lists and their moves, apart from the widgets.
class Lists {
public:
    // Rows with iscygn = 0 go to the left list, all others to the right, in the given order.
    // Needs the fields id, iscygn and name; throws DytError when one is missing.
    void load(RecordSet& rows);

    const QList<Item>& available() const { return available_; }
    const QList<Item>& pinned() const { return pinned_; }

    // Moves an available item to the end of the pinned list; false (nothing moves) when the
    // pinned list is full or the index is out of range.
    bool pin(int availableIndex);
    // Moves a pinned item back to the end of the available list; false for a bad index.
    bool unpin(int pinnedIndex);
    // Pins from the top of the available list until it is empty or the pinned list is full;
    // false when it stopped at the limit with items left.
    bool pinAll();
    void unpinAll();
    bool full() const { return pinned_.size() >= kLimit; }

    // The save text: resets every function of the operator, then pins the chosen rows.
    QString saveSql(int userId) const;

private:
    QList<Item> available_;
    QList<Item> pinned_;
};

}  // namespace cygn

class TfrmsysCYGN : public TfrmBaseDialog {
    Q_OBJECT
public:
    // Reads the operator's functions at once; a failed read is shown and leaves OK disabled.
    explicit TfrmsysCYGN(QWidget* owner = nullptr);
    ~TfrmsysCYGN() override;

    // The commands of the buttons.
    void btnRightClick();     // ">"
    void btnAllRightClick();  // ">>"
    void btnLeftClick();      // "<"
    void btnAllLeftClick();   // "<<"
    // Saves; true when the server took the choice.
    bool Save();
    // "确定(&O)": saves and closes the dialog when the server took it.
    void btnOKClick() override;

    const cygn::Lists& lists() const { return lists_; }
    QListWidget* leftList() const { return lbLeft_; }
    QListWidget* rightList() const { return lbRight_; }
    QPushButton* okButton() const { return btnOK(); }
    bool loaded() const { return loaded_; }

private:
    void loadFunctions();
    void refill();
    void limitReached();

    cygn::Lists lists_;
    bool loaded_ = false;
    QListWidget* lbLeft_ = nullptr;
    QListWidget* lbRight_ = nullptr;
    QLabel* lblCount_ = nullptr;
};

}  // namespace dyt::client
