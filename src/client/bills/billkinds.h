#pragma once
// The bill kinds as data: each kind's number (djType), its window class, the function-menu entry
// that opens it, its name and its audit steps. The table starts with the built-in defaults and
// takes the audit steps of sysDjb after login. The bill opener turns a kind and a bill id into a
// window of the kind's class; the function menu and the query windows open bills through it.

#include <QString>

#include <array>
#include <vector>

class QWidget;

namespace dyt {
class RecordSet;
}

namespace dyt::client {

class TdmMain;

// The properties the opener sets on a bill window before it is shown (besides kTagProperty).
inline constexpr const char* kBillTypeProperty = "djType";
inline constexpr const char* kBillIdProperty = "billId";
inline constexpr const char* kQuietCloseProperty = "quietClose";

struct BillKind {
    int djType = 0;
    QString className;  // empty: the kind has no window of its own
    int menuTag = 0;
    QString name;
    int inputNum = 1;                   // audit steps, 1..5
    std::array<QString, 5> inputNames;  // captions of steps 1..5
    std::array<QString, 4> inputIds;    // id lists "(0,…,0)" of the operators of steps 2..5

    // The caption of audit step 1..5; empty outside that range.
    QString inputName(int step) const;
    // The id list of step 2..5; empty outside that range.
    QString inputIdList(int step) const;
    // True when the operator is in the id list of step 2..5 (the list holds "," + id + ",").
    bool mayAudit(int step, qint64 operatorId) const;
};

// The table in djType order; it holds the defaults until refreshBillKinds changed it.
const std::vector<BillKind>& billKinds();
// The kind with that number, nullptr for an unknown number.
const BillKind* findBillKind(int djType);
// The kind opened by that function-menu entry, nullptr when no kind has it.
const BillKind* findBillKindByMenuTag(int menuTag);
// Back to the built-in defaults (a new login to another account set).
void resetBillKinds();

// Takes inputnum, inputName1..5 and inputid2..5 from rows of sysDjb (field id = djType); rows of
// kinds outside the table are ignored, missing fields keep the current values. A step count
// outside 1..5 throws DytError and nothing changes. No rows change nothing.
void refreshBillKinds(const RecordSet& sysDjbRows);
// The query refreshBillKinds reads.
QString billKindsSql();
// Reads sysDjb through the data module and refreshes the table.
void loadBillKinds(TdmMain& dm);

// Opens a bill window: the window of the kind's class with its tag, djType, bill id (0 for a new
// bill) and quiet-close flag set; a window derived from the bill window base opens the bill.
// Throws DytError for an unknown kind or a kind without a registered window.
QWidget* OpenBill(int djType, qint64 billId, bool quietClose = false, QWidget* owner = nullptr);
// True when the kind is known and its window class is registered.
bool canOpenBill(int djType);

// Puts canOpenBill and OpenBill (new bills) into the dispatcher's bill opener.
void installBillOpener();

}  // namespace dyt::client
