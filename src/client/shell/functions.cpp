#include "client/shell/functions.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QVBoxLayout>

#include <algorithm>

#include "client/common/frmbase.h"
#include "client/common/syslogin.h"
#include "client/common/windowregistry.h"
#include "client/logic/dmmain.h"
#include "client/logic/prompter.h"
#include "client/logic/settings.h"
#include "client/logic/transport.h"
#include "common/paramlist.h"
#include "protocol/querydescriptors.h"
#include "client/shell/functionmenu.h"
#include "client/shell/mainwindow.h"
#include "client/shell/navigator.h"
#include "common/error.h"

namespace dyt::client {

namespace {

using K = FunctionKind;
using S = FunctionSpecial;

// The account-set option "使用基本信息授权控制" (record rights).
constexpr int kBasePurviewSwitch = 2004;

}  // namespace

QUrl homePageUrl() {
    return QUrl(QStringLiteral("https://dyt.example.com/"));
}

QUrl upgradePageUrl() {
    return QUrl(QStringLiteral("https://dyt.example.com/upgrade/"));
}

QString functionAction(const FunctionEntry& entry) {
    const QString cls = entry.className ? QString::fromLatin1(entry.className) : QString();
    switch (entry.kind) {
        case K::Window:
            if (entry.special == S::Restore)
                return cls + QStringLiteral(" (restore)");
            if (entry.special == S::Backup)
                return cls + QStringLiteral(" (backup)");
            return cls;
        case K::Dialog:
            return cls + QStringLiteral(" (modal)");
        case K::Bill:
            return QStringLiteral("bill type %1").arg(entry.billType);
        case K::Building:
            return QStringLiteral("under construction");
        case K::Command:
            break;
    }
    switch (entry.special) {
        case S::Relogin:
            return QStringLiteral("log in again");
        case S::ChangeLogin:
            return QStringLiteral("change account set or operator");
        case S::ExitWithoutBackup:
            return QStringLiteral("exit without backup");
        case S::Help:
            return QStringLiteral("help");
        case S::HomePage:
            return QStringLiteral("web page ") + homePageUrl().toString();
        case S::UpgradePage:
            return QStringLiteral("web page ") + upgradePageUrl().toString();
        default:
            break;
    }
    return QStringLiteral("command");
}

namespace {

ServedQueries& servedQueries() {
    static ServedQueries served;
    return served;
}

}  // namespace

void ServedQueries::add(const QString& procedure, const QString& queryType, bool figures) {
    known_ = true;
    QStringList& types = types_[procedure.trimmed().toLower()];
    if (figures)
        types.append(queryType.trimmed().toUpper());
}

bool ServedQueries::serves(const QString& procedure, const QString& queryType) const {
    auto it = types_.constFind(procedure.trimmed().toLower());
    if (it == types_.constEnd())
        return false;
    return it->contains(QString()) || it->contains(queryType.trimmed().toUpper());
}

bool ServedQueries::servesWindow(const QString& className) const {
    const QueryDescriptor* d = findQueryDescriptor(className);
    if (!d)
        return true;
    // A window reading its rows with an SQL text of its own needs only a server that answers.
    if (!known_ || (d->procedure.isEmpty() && d->sql.isEmpty()))
        return false;
    if (!d->sql.isEmpty())
        return true;
    if (d->queryTypes.isEmpty() && !serves(d->procedure, QString()))
        return false;
    for (const QString& type : d->queryTypes) {
        if (!serves(d->procedure, type))
            return false;
    }
    for (const QString& other : d->otherProcedures) {
        if (!serves(other, QString()))
            return false;
    }
    return true;
}

ServedQueries fetchServedQueries(const QString& address) {
    ServedQueries served;
    try {
        QString host;
        int port = 0;
        splitServerAddress(address, &host, &port);
        TcpTransport transport;
        transport.open(host, port);
        ParamList lines;
        lines.setValue(QStringLiteral("Method"), QStringLiteral("ServedQueries"));
        const Response r = transport.call(QStringLiteral("GetProfileUserInfo"), {lines.text()});
        if (r.code() != 0 || !proto::isRecordSet(r.out(0)))
            return served;
        const RecordSet rows = proto::recordSetFromCbor(r.out(0));
        for (int i = 0; i < rows.rowCount(); ++i)
            served.add(rows.at(i, 0).toString(), rows.at(i, 1).toString(), rows.at(i, 2).toInt() == 1);
    } catch (const DytError&) {
        // Not reached: nothing is known.
    }
    return served;
}

void setServedQueries(const ServedQueries& served) {
    servedQueries() = served;
}

bool functionBuilt(const FunctionEntry& entry) {
    switch (entry.kind) {
        case K::Window:
        case K::Dialog: {
            const QString className = QString::fromLatin1(entry.className);
            return windowClassRegistered(className) && servedQueries().servesWindow(className);
        }
        case K::Bill: {
            const BillOpener& opener = billOpener();
            return opener.open && (!opener.canOpen || opener.canOpen(entry.billType));
        }
        case K::Command:
            return true;
        case K::Building:
            break;
    }
    return false;
}

QStringList functionListing() {
    QStringList lines;
    for (const FunctionEntry& e : functionTable()) {
        lines.append(QStringLiteral("%1\t%2\t%3")
                         .arg(e.code)
                         .arg(functionAction(e), functionBuilt(e) ? QStringLiteral("built")
                                                                  : QStringLiteral("missing")));
    }
    return lines;
}

TFunctionDispatcher::TFunctionDispatcher(TfrmMain& main, TFunctionMenu& menu)
    : main_(main), menu_(menu) {
    createWindow = [](const QString& className, QWidget* owner) {
        return client::createWindow(className, owner);
    };
    runLogin = [](int mode) { return sysLogin().RunLogin(mode); };
    runModal = [](QWidget* window) {
        if (auto* form = qobject_cast<TfrmBaseDialog*>(window))
            return form->exec() == 1 ? int(QDialog::Accepted) : int(QDialog::Rejected);
        if (auto* dialog = qobject_cast<QDialog*>(window))
            return dialog->exec();
        // A plain window runs inside a dialog frame.
        QDialog frame;
        frame.setWindowTitle(window->windowTitle());
        auto* layout = new QVBoxLayout(&frame);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(window);
        return frame.exec();
    };
    openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    endProgram = [] { sysLogin().endProgram(); };
}

void TFunctionDispatcher::OpenFunction(int code) {
    if (code <= 0)
        return;
    try {
        if (code != 5012) {
            try {
                menu_.HasPurview(QString::number(code), true);
            } catch (const DytError& e) {
                prompter().message(caption::hint(), e.message());
                return;
            }
        }
        const FunctionEntry* entry = findFunction(code);
        if (!entry) {
            underConstruction();
            return;
        }
        dispatch(*entry);
    } catch (const DytError& e) {
        prompter().showError(caption::error(), e);
    }
}

void TFunctionDispatcher::underConstruction() {
    prompter().message(caption::hint(), functext::underConstruction());
}

void TFunctionDispatcher::dispatch(const FunctionEntry& entry) {
    switch (entry.special) {
        case S::Relogin:
            loginAgain(0);
            return;
        case S::ChangeLogin:
            if (main_.otherWindowsOpen()) {
                if (prompter().ask(caption::warning(), logintext::closeWindowsQuestion(),
                                   buttons::continueAbandon(), 0) != 0) {
                    return;
                }
                if (!main_.CloseAllWindows(false))
                    return;
            }
            loginAgain(1);
            return;
        case S::Restore:
            // The restore replaces the account set under every window: the business windows
            // close first.
            if (main_.otherWindowsOpen()) {
                if (prompter().ask(caption::warning(), functext::restoreClosesWindows(),
                                   buttons::continueAbandon(), 0) != 0) {
                    return;
                }
                main_.CloseAllWindows(false);
                if (main_.otherWindowsOpen())
                    return;
            }
            openWindow(entry, functext::restoreCaption());
            return;
        case S::Backup:
            openWindow(entry, functext::backupCaption());
            return;
        case S::PeriodClose:
        case S::YearClose: {
            const bool period = entry.special == S::PeriodClose;
            if (settings().IsOpen != 1) {
                prompter().message(caption::hint(), period ? functext::periodCloseNotOpened()
                                                           : functext::yearCloseNotOpened());
            } else if (main_.otherWindowsOpen()) {
                prompter().message(caption::hint(), period ? functext::periodCloseWindowsOpen()
                                                           : functext::yearCloseWindowsOpen());
            } else {
                openDialog(entry);
            }
            return;
        }
        case S::BasePurview:
            if (!settings().Switch(kBasePurviewSwitch))
                prompter().message(caption::hint(), functext::noBasePurview());
            else
                openWindow(entry);
            return;
        case S::Rebuild:
            if (main_.otherWindowsOpen()) {
                prompter().message(caption::hint(), functext::rebuildWindowsOpen());
            } else if (openDialog(entry) && main_.hooks.loadSettings) {
                main_.hooks.loadSettings();
            }
            return;
        case S::ExitWithoutBackup:
            if (prompter().ask(caption::hint(), functext::exitWithoutBackup(), buttons::okCancel(),
                               0) == 0) {
                main_.quitWithoutBackup();
            }
            return;
        case S::CommonFunctions:
            if (!openDialog(entry, true))
                return;
            if (TfrmNavigator* nav = main_.navigator())
                nav->refreshCommonFunctions();
            return;
        case S::Help: {
            const QString dir =
                programDir.isEmpty() ? QCoreApplication::applicationDirPath() : programDir;
            const QString file = QDir(dir).filePath(QStringLiteral("Help.chm"));
            if (QFileInfo::exists(file) && openUrl)
                openUrl(QUrl::fromLocalFile(file));
            return;
        }
        case S::HomePage:
            if (openUrl)
                openUrl(homePageUrl());
            return;
        case S::UpgradePage:
            if (openUrl)
                openUrl(upgradePageUrl());
            return;
        case S::None:
            break;
    }
    switch (entry.kind) {
        case K::Window:
            openWindow(entry);
            return;
        case K::Dialog:
            openDialog(entry);
            return;
        case K::Bill:
            openBill(entry);
            return;
        case K::Command:
        case K::Building:
            break;
    }
    underConstruction();
}

void TFunctionDispatcher::openWindow(const FunctionEntry& entry, const QString& caption) {
    QWidget* window =
        createWindow ? createWindow(QString::fromLatin1(entry.className), nullptr) : nullptr;
    if (!window) {
        underConstruction();
        return;
    }
    window->setProperty(kTagProperty, entry.code);
    if (!caption.isEmpty())
        window->setWindowTitle(caption);
    main_.addChildWindow(window);
}

bool TFunctionDispatcher::openDialog(const FunctionEntry& entry, bool shownIsEnough) {
    QPointer<QWidget> window =
        createWindow ? createWindow(QString::fromLatin1(entry.className), &main_) : nullptr;
    if (!window) {
        underConstruction();
        return false;
    }
    window->setProperty(kTagProperty, entry.code);
    int result = QDialog::Rejected;
    try {
        result = runModal ? runModal(window) : QDialog::Rejected;
    } catch (...) {
        delete window.data();
        throw;
    }
    delete window.data();
    return shownIsEnough || result == QDialog::Accepted;
}

void TFunctionDispatcher::openBill(const FunctionEntry& entry) {
    const BillOpener& opener = billOpener();
    QWidget* window = nullptr;
    if (opener.open && (!opener.canOpen || opener.canOpen(entry.billType)))
        window = opener.open(entry.billType, nullptr);
    if (!window) {
        underConstruction();
        return;
    }
    window->setProperty(kTagProperty, entry.code);
    main_.addChildWindow(window);
}

void TFunctionDispatcher::loginAgain(int mode) {
    if (!runLogin || !runLogin(mode)) {
        // A failed change of account set ends the program; a cancelled new login of the same
        // account set leaves the session as it was.
        if (mode == 1 && endProgram)
            endProgram();
        return;
    }
    bool loaded = true;
    try {
        if (main_.hooks.loadSettings)
            loaded = main_.hooks.loadSettings();
    } catch (const DytError& e) {
        prompter().showError(caption::error(), e);
        loaded = false;
    }
    if (!loaded) {
        if (endProgram)
            endProgram();
        return;
    }
    if (main_.hooks.buildMenu)
        main_.hooks.buildMenu();
    main_.selectStartPage();
}

}  // namespace dyt::client
