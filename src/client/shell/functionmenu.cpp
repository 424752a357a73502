#include "client/shell/functionmenu.h"

#include <QAction>
#include <QFont>
#include <QHash>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>

#include <utility>
#include <vector>

#include "client/common/windowregistry.h"
#include "client/logic/dmmain.h"
#include "client/logic/session.h"
#include "common/error.h"
#include "common/paramlist.h"

namespace dyt::client {

namespace {

QHash<int, QString>& billTitles() {
    static QHash<int, QString> titles;
    return titles;
}

enum class EntryKind { None, Bar, SubMenu, Command, LargeButton };

struct Entry {
    EntryKind kind = EntryKind::None;
    QMenuBar* bar = nullptr;
    QMenu* menu = nullptr;
};

const char* className(EntryKind kind) {
    switch (kind) {
        case EntryKind::Bar:
            return menuclass::kMenuBar;
        case EntryKind::SubMenu:
            return menuclass::kSubMenu;
        case EntryKind::Command:
            return menuclass::kCommand;
        case EntryKind::LargeButton:
            return menuclass::kLargeButton;
        case EntryKind::None:
            break;
    }
    return menuclass::kNone;
}

// Keeps the bars from redrawing while the menu is built; every way out resumes.
class RedrawPause {
public:
    explicit RedrawPause(const MenuTargets& t) : targets_(t) { set(false); }
    ~RedrawPause() { set(true); }
    RedrawPause(const RedrawPause&) = delete;
    RedrawPause& operator=(const RedrawPause&) = delete;

private:
    void set(bool enabled) {
        if (targets_.bar)
            targets_.bar->setUpdatesEnabled(enabled);
    }
    MenuTargets targets_;
};

}  // namespace

int titledBillType(int functionCode) {
    switch (functionCode) {
        case 201805:
            return 43;
        case 201806:
            return 47;
        case 201807:
            return 44;
        case 201808:
            return 49;
        default:
            return 0;
    }
}

QString billTypeTitle(int billType) {
    return billTitles().value(billType);
}

void setBillTypeTitle(int billType, const QString& title) {
    billTitles().insert(billType, title);
    if (billTypeTitleListener())
        billTypeTitleListener()(billType, title);
}

void clearBillTypeTitles() {
    billTitles().clear();
}

std::function<void(int, const QString&)>& billTypeTitleListener() {
    static std::function<void(int, const QString&)> listener;
    return listener;
}

TFunctionMenu::TFunctionMenu(QObject* parent) : QObject(parent) {}

TFunctionMenu::~TFunctionMenu() {
    clearBuilt(false);
}

void TFunctionMenu::clearBuilt(bool later) {
    const QList<QPointer<QObject>> objects = std::exchange(built_, {});
    for (const QPointer<QObject>& o : objects) {
        if (!o)
            continue;
        // A rebuild may run inside an entry of the old menu ("更换账套或操作员"): the menu is
        // still handling that entry's click when the rebuild is done.
        if (later) {
            if (auto* menu = qobject_cast<QMenu*>(o.data()))
                menu->hide();
            o->deleteLater();
        } else {
            delete o.data();
        }
    }
}

void TFunctionMenu::BuildFunctionMenu(const MenuTargets& targets) {
    TdmMain* dm = &dataModule();
    const QString user = QString::number(loginedUser().UserId);
    ParamList params;
    params.setValue(QStringLiteral("userid"), user);
    params.setValue(QStringLiteral("czyid"), user);
    dm->ExecProcQuery(QStringLiteral("p_sys_Get_purview"), params, &cdsMenu);
    buildFromRows(targets);
}

bool TFunctionMenu::rowAllowed(int row) const {
    const int isbj = cdsMenu.fieldIndex(QStringLiteral("isbj"));
    const int hide = cdsMenu.fieldIndex(QStringLiteral("hide"));
    return (isbj >= 0 && cdsMenu.at(row, isbj).toLongLong() == 1) ||
           (hide >= 0 && cdsMenu.at(row, hide).toLongLong() == 1);
}

void TFunctionMenu::triggered(int functionCode) {
    if (openFunction)
        openFunction(functionCode);
}

void TFunctionMenu::buildFromRows(const MenuTargets& targets) {
    // Clear what the last build made: the bar, the two drop-downs.
    clearBuilt(true);
    if (targets.bar)
        targets.bar->clear();
    if (targets.openingMenu)
        targets.openingMenu->clear();
    if (targets.commonFunctions)
        targets.commonFunctions->clear();
    RedrawPause pause(targets);

    const int fName = cdsMenu.fieldIndex(QStringLiteral("Name"));
    const int fCode = cdsMenu.fieldIndex(QStringLiteral("code"));
    const int fSonnum = cdsMenu.fieldIndex(QStringLiteral("sonnum"));
    const int fLevel = cdsMenu.fieldIndex(QStringLiteral("leveal"));
    const int fIsbtn = cdsMenu.fieldIndex(QStringLiteral("isbtn"));
    const int fGroup = cdsMenu.fieldIndex(QStringLiteral("groupby"));
    const int fShortCut = cdsMenu.fieldIndex(QStringLiteral("ShortCut"));
    for (int f : {fName, fCode, fSonnum, fLevel}) {
        if (f < 0)
            throw DytError(QStringLiteral("功能菜单数据缺少字段"));
    }
    auto text = [this](int row, int field) {
        return field < 0 ? QString() : cdsMenu.at(row, field).toString();
    };
    auto number = [this](int row, int field) {
        return field < 0 ? qint64(0) : cdsMenu.at(row, field).toLongLong();
    };

    std::vector<Entry> last(kMaxMenuLevel + 1);
    for (int row = 0; row < cdsMenu.rowCount(); ++row) {
        if (!rowAllowed(row) || number(row, fIsbtn) != 0)
            continue;
        const qint64 level = number(row, fLevel);
        if (level < 1) {
            last[0] = Entry{EntryKind::Bar, targets.bar, nullptr};
            continue;
        }
        const QString name = text(row, fName);
        const Entry parent =
            level <= kMaxMenuLevel ? last[static_cast<size_t>(level - 1)] : Entry{};
        if (parent.kind != EntryKind::Bar && parent.kind != EntryKind::SubMenu) {
            throw DytError(
                menutext::wrongParent().arg(name, QString::fromLatin1(className(parent.kind))));
        }
        if (parent.kind == EntryKind::Bar && !parent.bar) {
            throw DytError(
                menutext::wrongParent().arg(name, QString::fromLatin1(className(EntryKind::None))));
        }
        const QString codeText = text(row, fCode).trimmed();
        const int code = codeText.toInt();
        const qint64 sonnum = number(row, fSonnum);
        const bool separator = number(row, fGroup) == 1;
        const QKeySequence shortcut = QKeySequence::fromString(text(row, fShortCut).trimmed());

        // The new entry goes into the bar or its parent sub-menu.
        QWidget* container =
            parent.kind == EntryKind::Bar ? static_cast<QWidget*>(parent.bar) : parent.menu;
        auto addSeparator = [&] {
            if (!separator)
                return;
            if (parent.kind == EntryKind::Bar)
                parent.bar->addSeparator();
            else
                parent.menu->addSeparator();
        };
        Entry entry;
        if (sonnum > 0) {
            auto* menu = new QMenu(name, container);
            menu->setObjectName(QStringLiteral("mnu%1").arg(codeText));
            menu->menuAction()->setProperty(kTagProperty, code);
            addSeparator();
            if (parent.kind == EntryKind::Bar) {
                parent.bar->addMenu(menu);
                built_.append(menu);
            } else {
                parent.menu->addMenu(menu);
            }
            entry = Entry{EntryKind::SubMenu, nullptr, menu};
        } else {
            auto* action = new QAction(name, container);
            action->setObjectName(QStringLiteral("act%1").arg(codeText));
            action->setProperty(kTagProperty, code);
            action->setData(code);
            if (!shortcut.isEmpty())
                action->setShortcut(shortcut);
            const bool large = sonnum < 0;
            if (large) {
                QFont f = action->font();
                f.setBold(true);
                if (f.pointSizeF() > 0)
                    f.setPointSizeF(f.pointSizeF() * 1.2);
                action->setFont(f);
                action->setProperty("largeButton", true);
            }
            connect(action, &QAction::triggered, this, [this, code] { triggered(code); });
            addSeparator();
            if (parent.kind == EntryKind::Bar) {
                parent.bar->addAction(action);
                built_.append(action);
            } else {
                parent.menu->addAction(action);
            }
            entry = Entry{large ? EntryKind::LargeButton : EntryKind::Command, nullptr, nullptr};

            // The opening-balance drop-down repeats the opening entries.
            if (!large && targets.openingMenu &&
                (codeText.startsWith(QLatin1String("1013")) || codeText == QLatin1String("1014"))) {
                QAction* copy = targets.openingMenu->addAction(name);
                copy->setObjectName(QStringLiteral("actOpening%1").arg(codeText));
                copy->setProperty(kTagProperty, code);
                copy->setData(code);
                connect(copy, &QAction::triggered, this, [this, code] { triggered(code); });
            }
        }
        if (const int billType = titledBillType(code); billType > 0)
            setBillTypeTitle(billType, name);
        last[static_cast<size_t>(level)] = entry;
    }
}

bool TFunctionMenu::HasPurview(const QString& functionCode, bool raise) const {
    if (loginedUser().UserId == 1)
        return true;
    const QString code = functionCode.trimmed();
    const int fCode = cdsMenu.fieldIndex(QStringLiteral("code"));
    bool allowed = false;
    if (fCode >= 0) {
        for (int row = 0; row < cdsMenu.rowCount(); ++row) {
            if (cdsMenu.at(row, fCode).toString().trimmed() == code) {
                allowed = rowAllowed(row);
                break;
            }
        }
    }
    if (!allowed && raise)
        throw DytError(menutext::noPurview());
    return allowed;
}

}  // namespace dyt::client
