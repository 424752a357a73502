#pragma once
// The function codes as data. Every menu entry, quick link, navigator tile and toolbar button
// carries only a function code; this table says what each code opens: a window class (child or
// modal), a new bill of a bill type, or a command of the shell. The client dispatches on it; the
// server reads it to know which window sends a call, so that it checks the right of that window.
// QtCore only.

#include <vector>

namespace dyt {

enum class FunctionKind {
    Window,   // a child window of the workspace
    Dialog,   // a modal window, freed when it closes
    Bill,     // a new bill of a bill type, through the bill opener
    Command,  // an action of the shell
    Building  // shows "功能建设中......"
};

// What a code does beyond opening its window.
enum class FunctionSpecial {
    None,
    Relogin,            // 5001
    ChangeLogin,        // 5002
    Restore,            // 5005
    Backup,             // 5006
    PeriodClose,        // 5007
    YearClose,          // 5008
    BasePurview,        // 500403
    Rebuild,            // 500404
    ExitWithoutBackup,  // 5011
    CommonFunctions,    // 5013
    Help,               // 5014
    HomePage,           // 7002
    UpgradePage         // 7003
};

struct FunctionEntry {
    int code;
    FunctionKind kind;
    const char* className;  // Window and Dialog
    int billType;           // Bill
    FunctionSpecial special;
};

// All function codes, in ascending order.
const std::vector<FunctionEntry>& functionTable();
// The entry of a code; nullptr for a code outside the table.
const FunctionEntry* findFunction(int code);

}  // namespace dyt
