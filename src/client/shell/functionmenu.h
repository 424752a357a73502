#pragma once
// The function menu: the operator's rows of the function tree as the server returns them
// (cdsMenu), the menu bar built from the allowed rows, the opening-balance drop-down, and the
// rights test HasPurview that windows use for their operation rights.

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

#include "client/logic/fixedtext.h"
#include "common/recordset.h"

class QMenu;
class QMenuBar;

namespace dyt::client {

namespace menutext {
inline constexpr FixedText noPurview{u"您没有执行该操作的权限!"};
inline constexpr FixedText wrongParent{u"“%1”的Parent类“%2”不对"};
}  // namespace menutext

// The class names an entry reports when it is found as a wrong parent.
namespace menuclass {
inline constexpr const char* kMenuBar = "QMenuBar";
inline constexpr const char* kSubMenu = "QMenu";
inline constexpr const char* kCommand = "QAction";
inline constexpr const char* kLargeButton = "TLargeButton";
inline constexpr const char* kNone = "nil";  // no entry at the level above
}  // namespace menuclass

// The deepest level of the menu tree.
inline constexpr int kMaxMenuLevel = 50;

// The consignment entries whose caption also titles a bill type: 201805 → 43, 201806 → 47,
// 201807 → 44, 201808 → 49; 0 for any other code.
int titledBillType(int functionCode);
// The title the menu gave a bill type; empty while the menu gave none.
QString billTypeTitle(int billType);
void setBillTypeTitle(int billType, const QString& title);
void clearBillTypeTitles();
// Called whenever the menu titles a bill type (the bill-kind table listens here).
std::function<void(int billType, const QString& title)>& billTypeTitleListener();

// Where the menu is built.
struct MenuTargets {
    QMenuBar* bar = nullptr;           // the main menu bar
    QMenu* openingMenu = nullptr;      // the opening-balance drop-down
    QMenu* commonFunctions = nullptr;  // the common-functions drop-down (only cleared here)
};

class TFunctionMenu : public QObject {
    Q_OBJECT
public:
    explicit TFunctionMenu(QObject* parent = nullptr);
    ~TFunctionMenu() override;

    // The operator's rows: Name, code, sonnum, leveal, isbtn, isbj, hide, groupby, ShortCut.
    RecordSet cdsMenu;

    // What a command entry's click runs (the dispatcher).
    std::function<void(int functionCode)> openFunction;

    // Asks the server for the logged-in operator's rows (p_sys_Get_purview with userid and
    // czyid) and builds the menu from them. Raises what the call or the build raises.
    void BuildFunctionMenu(const MenuTargets& targets);

    // Builds the menu from the rows in cdsMenu. A wrong parent raises "“%s”的Parent类“%s”不对"
    // and leaves the menu as far as it was built.
    void buildFromRows(const MenuTargets& targets);

    // The rights test: operator 1 passes; anyone else passes when the function's row exists and
    // is allowed (isbj = 1 or hide = 1). When refused and raise is set, raises
    // "您没有执行该操作的权限!".
    bool HasPurview(const QString& functionCode, bool raise) const;

    // True when a row of cdsMenu is allowed (isbj = 1 or hide = 1).
    bool rowAllowed(int row) const;

private:
    void triggered(int functionCode);
    // Deletes the entries of the last build; later: once control is back in the event loop.
    void clearBuilt(bool later);

    // The top-level entries of the last build (the bar does not own them).
    QList<QPointer<QObject>> built_;
};

}  // namespace dyt::client
