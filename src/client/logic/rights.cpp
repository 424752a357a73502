#include "client/logic/rights.h"

#include "client/logic/session.h"
#include "common/error.h"
#include "common/recordset.h"

namespace dyt::client {

namespace {

const RecordSet*& rightsRows() {
    static const RecordSet* rows = nullptr;
    return rows;
}

// -1 when the code has no row, else 1 for a granted row and 0 for a refused one.
int rowState(const RecordSet* rows, const QString& code) {
    if (!rows)
        return -1;
    const int fCode = rows->fieldIndex(QStringLiteral("code"));
    const int fIsbj = rows->fieldIndex(QStringLiteral("isbj"));
    const int fHide = rows->fieldIndex(QStringLiteral("hide"));
    if (fCode < 0)
        return -1;
    for (int r = 0; r < rows->rowCount(); ++r) {
        if (rows->at(r, fCode).toString().trimmed() != code)
            continue;
        const bool isbj = fIsbj >= 0 && rows->at(r, fIsbj).toInt() == 1;
        const bool hide = fHide >= 0 && rows->at(r, fHide).toInt() == 1;
        return isbj || hide ? 1 : 0;
    }
    return -1;
}

}  // namespace

void setOperatorRights(const RecordSet* rows) {
    rightsRows() = rows;
}

const RecordSet* operatorRights() {
    return rightsRows();
}

bool checkPurviewIn(const RecordSet* rows, int userId, const QString& menuNumber,
                    const QString& subCode, const QString& caption, bool raise) {
    const QString menu = menuNumber.trimmed();
    const QString sub = subCode.trimmed();
    bool menuOk = false;
    const qint64 menuValue = menu.toLongLong(&menuOk);
    bool subOk = false;
    const int subValue = sub.toInt(&subOk);
    bool granted = false;
    if ((!menuOk || menuValue == 0) && subOk && subValue > 0) {
        granted = true;
    } else {
        granted = rowState(rows, menu) == 1;
        if (granted && !caption.isEmpty()) {
            const int state = rowState(rows, menu + sub);
            if (state < 0)
                granted = menuOk && menuValue > 0 && subOk && subValue > 20;
            else
                granted = state == 1;
        }
    }
    if (userId == 1)
        granted = true;
    if (!granted && raise)
        throw DytError(rightstext::refused());
    return granted;
}

bool checkPurview(const QString& menuNumber, const QString& subCode, const QString& caption,
                  bool raise) {
    return checkPurviewIn(rightsRows(), loginedUser().UserId, menuNumber, subCode, caption, raise);
}

}  // namespace dyt::client
