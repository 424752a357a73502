// The window classes of the base-data lists and editors: every list class opens the one list
// window over its kind, every editor class the kind's editor; and the opening-balance windows.
#include "client/base/basekinds.h"
#include "client/base/frmbasecuxiao.h"
#include "client/base/frmbasescmb.h"
#include "client/base/frmbasehetong.h"
#include "client/base/frmbasetcfagl.h"
#include "client/base/frmbaseedit.h"
#include "client/base/frmbaselist.h"
#include "client/base/frminiwindows.h"
#include "client/common/windowregistry.h"
#include "client/logic/prompter.h"
#include "common/error.h"

namespace dyt::client {

void registerBaseWindows() {
    for (const base::BaseKind& kind : base::baseKinds()) {
        const base::BaseKind* k = &kind;
        registerWindowClass(kind.listClass, [k](QWidget* owner) -> QWidget* {
            return new TfrmBaseList(*k, owner);
        });
        registerWindowClass(kind.editorClass, [k](QWidget* owner) -> QWidget* {
            // A new record at the top level (the goods selection's "new goods").
            TfrmBaseEdit* editor = createBaseEditor(*k, owner);
            editor->setWindowFlag(Qt::Window, true);
            try {
                editor->setup(EditorRequest{});
            } catch (const DytError& e) {
                prompter().showError(caption::hint(), e);
            }
            return editor;
        });
    }
    registerWindowClass(QStringLiteral("TfrmBaseCUXiao"),
                        [](QWidget* owner) -> QWidget* { return new TfrmBaseCUXiao(owner); });
    registerWindowClass(QStringLiteral("TfrmBaseShengChanMoBan"), [](QWidget* owner) -> QWidget* {
        return new TfrmBaseShengChanMoBan(owner);
    });
    registerWindowClass(QStringLiteral("TfrmBaseHeTong"),
                        [](QWidget* owner) -> QWidget* { return new TfrmBaseHeTong(owner); });
    registerWindowClass(QStringLiteral("TfrmBaseTCFAGL"),
                        [](QWidget* owner) -> QWidget* { return new TfrmBaseTCFAGL(owner); });
    registerWindowClass(QStringLiteral("TfrmBillCuXiao"),
                        [](QWidget* owner) -> QWidget* { return new TfrmBillCuXiao(owner); });
    registerWindowClass(QStringLiteral("TfrmBaseCuXiaoSet"), [](QWidget* owner) -> QWidget* {
        auto* editor = new TfrmBaseCuXiaoSet(owner);
        editor->setup(0);
        return editor;
    });
    registerWindowClass(QStringLiteral("TfrmIniGoodsStock"),
                        [](QWidget* owner) -> QWidget* { return new TfrmIniGoodsStock(owner); });
    for (const opening::PartnerGoodsKind& kind : opening::partnerGoodsKinds()) {
        const QString name = kind.className;
        registerWindowClass(name, [name](QWidget* owner) -> QWidget* {
            return new TfrmIniGoodsOther(name, owner);
        });
    }
    registerWindowClass(QStringLiteral("TfrmIniYSYF"),
                        [](QWidget* owner) -> QWidget* { return new TfrmIniYSYF(owner); });
    registerWindowClass(QStringLiteral("TfrmIniKmData"),
                        [](QWidget* owner) -> QWidget* { return new TfrmIniKmData(owner); });
}

}  // namespace dyt::client
