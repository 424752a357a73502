#pragma once
// The texts and server calls of two small administration dialogs, apart from their widgets: the
// account opening (P_SYS_UP_Open: open the account set for business, or take it back to the
// opening-balance state) and the version information (P_SYS_Get_Version).

#include <QDate>
#include <QString>

#include "client/logic/fixedtext.h"
#include "common/paramlist.h"

namespace dyt {
class RecordSet;
}

namespace dyt::client {

namespace initover {

inline constexpr FixedText caption{u"期初完成..开账"};
inline constexpr FixedText explanation{
    u"    "
    u"在您完成了期初建账之后，必须要先进行开账处理，\r\n\r\n\r\n然后才能进行业务录入，开账之后还可"
    u"以进行反开账回\r\n\r\n\r\n到期初状态，但是已经有过账单据之后就不能再反开账。\r\n\r\n\r\n    "
    u"开账"
    u"后不能录入开账日期之前的单据。"};
inline constexpr FixedText dateCaption{u"开账日期："};
inline constexpr FixedText openCaption{u"开账"};
inline constexpr FixedText reverseCaption{u"反开账"};
inline constexpr FixedText done{u"开账操作成功！"};
inline constexpr FixedText procedure{u"P_SYS_UP_Open"};

enum class Operation { Open = 0, Reverse = 1 };

// The parameter lines of the operation: type "0" (open) or "1" (reverse) and Date, the opening
// date as "yyyy-mm-dd" (sent for both).
ParamList params(Operation operation, const QDate& date);

}  // namespace initover

namespace versioninfo {

inline constexpr FixedText caption{u"版本信息"};
inline constexpr FixedText productName{u"《德盈通》普及版"};
inline constexpr FixedText procedure{u"P_SYS_Get_Version"};

// The client's own version ("V" + the build's version number) and the date it was built.
QString clientVersion();
QString buildDate();

struct ServerVersion {
    QString server;  // ServerVersion
    QString schema;  // SchemaVersion, the version of the account set's tables
    QString error;   // why the server could not tell; empty when it did
};

// Reads the answer of P_SYS_Get_Version: one row with ServerVersion and SchemaVersion. An answer
// without that row or those fields throws DytError.
ServerVersion fromRows(const RecordSet& rows);

}  // namespace versioninfo

}  // namespace dyt::client
