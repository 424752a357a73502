#pragma once
// The operator's function rights as the windows ask for them: a window's own entry and its
// sub-rights ("01" add, "02" edit, "03" delete, "04" print in the base lists, the field rights of
// the base lists …), looked up by code in the rows of the operator's function menu.
//
// The rows (fields code, isbj, hide) belong to whoever loaded the menu; it hands them over with
// setOperatorRights and takes them back with setOperatorRights(nullptr).

#include <QString>

#include "client/logic/fixedtext.h"

namespace dyt {
class RecordSet;
}

namespace dyt::client {

namespace rightstext {
inline constexpr FixedText refused{u"您没有执行该操作的权限!"};
}  // namespace rightstext

// The rows the checks read; nullptr when no menu was loaded (then only operator 1 and the
// sub-rights of menu number 0 pass).
void setOperatorRights(const RecordSet* rows);
const RecordSet* operatorRights();

// The rights check of every window:
// 1. menu number 0 (or not a number) with a sub-right code above 0: granted;
// 2. the menu entry must be found with isbj = 1 or hide = 1;
// 3. with a caption given, the entry's code followed by the sub-right code must be found the same
//    way; a sub-right above 20 that has no row is granted (those are not controlled);
// 4. operator 1 is always granted;
// 5. refused with raise set: DytError "您没有执行该操作的权限!".
bool checkPurview(const QString& menuNumber, const QString& subCode, const QString& caption,
                  bool raise);
// The same over a given record set (tests, windows holding their own rows).
bool checkPurviewIn(const RecordSet* rows, int userId, const QString& menuNumber,
                    const QString& subCode, const QString& caption, bool raise);

}  // namespace dyt::client
