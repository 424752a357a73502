// The window classes of the query windows: one window class per row of the descriptor table,
// all built by the one query window, the stock status report by its own variant, the boss report,
// the draft and order lists by theirs and the stocktake by its own window; and the small stock
// windows the report opens; and the alerts.
#include "client/common/windowregistry.h"
#include "client/queries/frmqbilllists.h"
#include "client/queries/frmqjylc.h"
#include "client/queries/frmqkindlists.h"
#include "client/queries/frmqkcpd2.h"
#include "client/queries/frmqkczkb.h"
#include "client/queries/frmqkpcx.h"
#include "client/queries/frmqlbbb.h"
#include "client/queries/frmqxstctj.h"
#include "client/queries/frmquery.h"
#include "client/queries/frmstockfollowups.h"
#include "client/queries/frmstockwindows.h"
#include "client/queries/frmsysbjb.h"
#include "protocol/querydescriptors.h"

namespace dyt::client {

void registerQueryWindows() {
    for (const QueryDescriptor& d : queryDescriptors()) {
        const QString name = d.className;
        if (name == QLatin1String("TfrmQKCZKB")) {
            registerWindowClass(name,
                                [](QWidget* owner) -> QWidget* { return new TfrmQKCZKB(owner); });
            continue;
        }
        if (name == QLatin1String("TfrmQLBBB")) {
            registerWindowClass(name,
                                [](QWidget* owner) -> QWidget* { return new TfrmQLBBB(owner); });
            continue;
        }
        if (name == QLatin1String("TfrmQJYLC")) {
            registerWindowClass(name,
                                [](QWidget* owner) -> QWidget* { return new TfrmQJYLC(owner); });
            continue;
        }
        if (name == QLatin1String("TfrmQKCXXBJ")) {
            registerWindowClass(name,
                                [](QWidget* owner) -> QWidget* { return new TfrmQKCXXBJ(owner); });
            continue;
        }
        if (name == QLatin1String("TfrmQSPZNBHJH")) {
            registerWindowClass(
                name, [](QWidget* owner) -> QWidget* { return new TfrmQSPZNBHJH(owner); });
            continue;
        }
        if (name == QLatin1String("TfrmQKCSXXBJSZ")) {
            registerWindowClass(
                name, [](QWidget* owner) -> QWidget* { return new TfrmQKCSXXBJSZ(owner); });
            continue;
        }
        if (name == QLatin1String("TfrmQKCPD2")) {
            registerWindowClass(name,
                                [](QWidget* owner) -> QWidget* { return new TfrmQKCPD2(owner); });
            continue;
        }
        if (name == QLatin1String("TfrmQKPCX")) {
            registerWindowClass(name,
                                [](QWidget* owner) -> QWidget* { return new TfrmQKPCX(owner); });
            continue;
        }
        if (name == QLatin1String("TfrmQXSTCTJ")) {
            registerWindowClass(name,
                                [](QWidget* owner) -> QWidget* { return new TfrmQXSTCTJ(owner); });
            continue;
        }
        if (name == QLatin1String("TfrmQYWCG")) {
            registerWindowClass(name,
                                [](QWidget* owner) -> QWidget* { return new TfrmQYWCG(owner); });
            continue;
        }
        if (TfrmQKindList::kindOf(name) > 0) {
            registerWindowClass(name, [name](QWidget* owner) -> QWidget* {
                return new TfrmQKindList(name, owner);
            });
            continue;
        }
        if (name == QLatin1String("TfrmQJHDDCX") || name == QLatin1String("TfrmQXSDDCX")) {
            registerWindowClass(name, [name](QWidget* owner) -> QWidget* {
                return new TfrmQOrderList(name, owner);
            });
            continue;
        }
        registerWindowClass(
            name, [name](QWidget* owner) -> QWidget* { return new TfrmQueryWindow(name, owner); });
    }
    registerWindowClass(QStringLiteral("TfrmBaseGoodsFenBu"),
                        [](QWidget* owner) -> QWidget* { return new TfrmBaseGoodsFenBu(owner); });
    registerWindowClass(QStringLiteral("TfrmBaseKCPCB"),
                        [](QWidget* owner) -> QWidget* { return new TfrmBaseKCPCB(owner); });
    registerWindowClass(QStringLiteral("TfrmsysBJB"),
                        [](QWidget* owner) -> QWidget* { return new TfrmsysBJB(owner); });
}

}  // namespace dyt::client
