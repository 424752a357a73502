// The window classes of the bills.
#include "client/bills/accountbill.h"
#include "client/bills/frmbilljhd.h"
#include "client/bills/frmbillkp.h"
#include "client/bills/frmbillpdd.h"
#include "client/bills/frmbillscmb.h"
#include "client/bills/frmbillskd.h"
#include "client/bills/frmbillwwjg.h"
#include "client/bills/frmbillxsd.h"
#include "client/bills/goodsbill.h"
#include "client/common/windowregistry.h"

namespace dyt::client {

void registerBillWindows() {
    registerWindowClass(QStringLiteral("TfrmBillJHD"),
                        [](QWidget* owner) -> QWidget* { return new TfrmBillJHD(owner); });
    registerWindowClass(QStringLiteral("TfrmBillXSD"),
                        [](QWidget* owner) -> QWidget* { return new TfrmBillXSD(owner); });
    registerWindowClass(QStringLiteral("TfrmBillPDD"),
                        [](QWidget* owner) -> QWidget* { return new TfrmBillPDD(owner); });
    registerWindowClass(QStringLiteral("TfrmBillWWJGWGD"),
                        [](QWidget* owner) -> QWidget* { return new TfrmBillWWJGWGD(owner); });
    registerWindowClass(QStringLiteral("TfrmBillSPCZD"),
                        [](QWidget* owner) -> QWidget* { return new TfrmBillSPCZD(owner); });
    // The invoices: the goods-bill window over bills and goods lines to invoice.
    for (const GoodsBillFamily& row : invoiceBillFamilyRows()) {
        const QString className = row.className;
        registerWindowClass(className, [className](QWidget* owner) -> QWidget* {
            const GoodsBillFamily* family = findGoodsBillFamily(className);
            return family ? new TfrmBillKP(*family, owner) : nullptr;
        });
    }
    // The other members are rows of the family table over the one goods-bill window.
    for (const GoodsBillFamily& row : goodsBillFamily()) {
        if (row.className == QStringLiteral("TfrmBillJHD") ||
            row.className == QStringLiteral("TfrmBillPDD") || windowClassRegistered(row.className))
            continue;
        const QString className = row.className;
        registerWindowClass(className, [className](QWidget* owner) -> QWidget* {
            const GoodsBillFamily* family = findGoodsBillFamily(className);
            return family ? new TfrmGoodsBill(*family, owner) : nullptr;
        });
    }
    registerWindowClass(QStringLiteral("TfrmBillSKD"),
                        [](QWidget* owner) { return new TfrmBillSKD(21, owner); });
    registerWindowClass(QStringLiteral("TfrmBillFKD"),
                        [](QWidget* owner) { return new TfrmBillSKD(22, owner); });
    // The account-lines bills: one window over the rows of their table.
    for (const AccountBillKind& kind : accountBillKinds()) {
        const AccountBillKind* k = &kind;
        registerWindowClass(kind.className, [k](QWidget* owner) -> QWidget* {
            return new TfrmBillAccountLines(*k, owner);
        });
    }
}

}  // namespace dyt::client
