#pragma once
// Helpers of the function-menu tests: rows of cdsMenu written as a table, and the built menu
// written as one line of text.

#include <QAction>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QStringList>

#include <initializer_list>

#include "client/common/windowregistry.h"
#include "common/recordset.h"
#include "dmtest_support.h"

using namespace Qt::StringLiterals;

namespace dyt::test {

struct MenuRow {
    int level;
    int code;
    const char* name;
    int sonnum = 0;
    int isbj = 1;
    int hide = 0;
    int isbtn = 0;
    int groupby = 0;
    const char* shortcut = "";
};

inline RecordSet menuRows(std::initializer_list<MenuRow> rows) {
    RecordSet rs = recordSet({u"Name"_s, u"code:integer"_s, u"sonnum:integer"_s,
                              u"leveal:integer"_s, u"isbtn:integer"_s, u"isbj:integer"_s,
                              u"hide:integer"_s, u"groupby:integer"_s, u"ShortCut"_s});
    for (const MenuRow& r : rows) {
        rs.appendRow({QString::fromUtf8(r.name), r.code, r.sonnum, r.level, r.isbtn, r.isbj, r.hide,
                      r.groupby, QString::fromUtf8(r.shortcut)});
    }
    return rs;
}

// "caption[children]" for a sub-menu, "caption#code" for a command ("*" marks a large button),
// "-" for a separator; entries separated by ",". Entries named in `skip` are left out.
inline QString describeActions(const QList<QAction*>& actions, const QStringList& skip = {}) {
    QStringList parts;
    for (QAction* a : actions) {
        if (a->isSeparator()) {
            parts.append(u"-"_s);
        } else if (a->menu()) {
            if (skip.contains(a->text()))
                continue;
            parts.append(a->text() + QLatin1Char('[') + describeActions(a->menu()->actions()) +
                         QLatin1Char(']'));
        } else {
            parts.append(a->text() + QLatin1Char('#') +
                         a->property(client::kTagProperty).toString() +
                         (a->property("largeButton").toBool() ? u"*"_s : QString()));
        }
    }
    return parts.join(QLatin1Char(','));
}

inline QString describe(QMenuBar* bar, const QStringList& skip = {}) {
    return describeActions(bar->actions(), skip);
}

inline QString describe(QMenu* menu) {
    return describeActions(menu->actions());
}

// A child window of the tests: its object name is its class, it may refuse to close, and it
// records in `asked` that it was asked.
class FakeWindow : public QWidget {
public:
    explicit FakeWindow(const QString& className, const QString& caption = QString(),
                        QStringList* asked = nullptr)
        : asked_(asked) {
        setObjectName(className);
        setWindowTitle(caption.isEmpty() ? className : caption);
    }
    bool refuse = false;

protected:
    void closeEvent(QCloseEvent* event) override {
        if (asked_)
            asked_->append(windowTitle());
        if (refuse)
            event->ignore();
        else
            event->accept();
    }

private:
    QStringList* asked_;
};

}  // namespace dyt::test
