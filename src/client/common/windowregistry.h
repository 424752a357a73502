#pragma once
// Window classes by name. Every window the function dispatcher, the bill opener or a query window
// can open registers itself here under its class name ("TfrmBaseGoods", "TfrmQKCZKB"); a name not
// registered is a window not built yet. The window's function code travels in its property
// kTagProperty, set by the opener before the window is shown.

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace dyt::client {

// The dynamic property that holds a window's tag (its function code).
inline constexpr const char* kTagProperty = "Tag";

// Creates a new window of the class with `owner` as its owner (may be null).
using WindowFactory = std::function<QWidget*(QWidget* owner)>;

// Registers (or replaces) a window class.
void registerWindowClass(const QString& className, WindowFactory factory);
bool windowClassRegistered(const QString& className);
// A new window of the class, or null when the class is not registered. Names compare without
// regard to letter case, as the system's class names do.
QWidget* createWindow(const QString& className, QWidget* owner);
QStringList registeredWindowClasses();

// The registration of each area's windows, defined by the shell (the composition root) in its
// windows_<area>.cpp; registerAllWindows runs them all once (later calls do nothing).
void registerShellWindows();
void registerBaseWindows();
void registerBillWindows();
void registerQueryWindows();
void registerSystemWindows();
void registerAllWindows();

// The bill opener: opens a new bill of a bill type. Unset parts mean the bills are not built.
struct BillOpener {
    // True when bills of the type can be opened.
    std::function<bool(int billType)> canOpen;
    // A new bill window of the type (not yet shown), or null.
    std::function<QWidget*(int billType, QWidget* owner)> open;
};
BillOpener& billOpener();

// Opens a function by its code as a menu entry does: through the main window's dispatcher, which
// tests the operator's right first. Unset (nothing opens) until the main window installs it.
std::function<void(int functionCode)>& functionOpener();

}  // namespace dyt::client
