#pragma once
// Helpers of the window tests: scripted prompter faults as test failures, acting on the next
// modal dialog, key and mouse steps.

#include <QImage>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QWidget>

#include <QKeySequence>
#include <QList>

#include <functional>

using namespace Qt::StringLiterals;

class QTableView;

namespace dyt::client {
class ScriptedPrompter;
}

namespace dyt::test {

// The values as texts joined by "|" (booleans as true/false, dates as yyyy-MM-dd), for comparing
// several fields of a window's or a record's state in one assertion.
template <typename... T>
QString clientValuesText(const T&... values) {
    QStringList out;
    (out.append(QVariant::fromValue(values).toString()), ...);
    return out.join(QLatin1Char('|'));
}

// Reports the scripted prompter's faults (unexpected prompts, answers run out or left unused) as
// failures of the running test.
void reportFaultsToTest(client::ScriptedPrompter& prompter);

// Runs action on the next modal dialog as soon as it shows (checked from the event loop).
// Gives up after many event-loop turns so that a missing dialog fails the test instead of hanging.
void onNextModal(std::function<void(QWidget*)> action);

// A double-click as a mouse makes it: press, release, double-click, release.
void doubleClick(QWidget* widget, const QPoint& pos);

// Lets the event loop run until the condition holds, at most the time given; returns the
// condition's last value.
bool waitUntil(const std::function<bool()>& condition, int milliseconds = 5000);

// One step of an operator's flow. When DYT_WALK_DIR is set (scripts/walk.sh, a real display with
// a window manager), the whole screen is saved there as "<number>-<name>.png", numbered in the
// order of the steps; otherwise nothing happens.
void walkStep(const QString& name);

// One step of an operator at a window: a key or a text typed into the focused widget, a wait
// until the list shows a number of rows (the search runs after a pause), a click on a button
// named by its object name, a double-click on a row of the list.
struct UiStep {
    enum Kind { Key, Type, Rows, Click, DoubleClick } kind;
    int key = 0;
    QString text;
    int n = 0;
};
inline UiStep key(QKeyCombination k) {
    return {UiStep::Key, k.toCombined(), {}, 0};
}
inline UiStep typed(const char* text) {
    return {UiStep::Type, 0, QString::fromUtf8(text), 0};
}
inline UiStep rows(int n) {
    return {UiStep::Rows, 0, {}, n};
}
inline UiStep click(const char* button) {
    return {UiStep::Click, 0, QString::fromLatin1(button), 0};
}
inline UiStep doubleClick(int row) {
    return {UiStep::DoubleClick, 0, {}, row};
}

// Keys go where the focus is, as on the keyboard. When nothing has the focus (a modal window has
// just closed), the key window is made active first.
void setKeyWindow(QWidget* window);
void typeKeys(const QString& text);
// The keys of the text sent to that widget, wherever the focus is.
void typeInto(QWidget* widget, const QString& text);
void pressKey(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

// The next modal window is a selection: the code typed into its search box, then Enter on the
// list, or its choose button when Enter there does not choose.
void pickNext(const QString& code);

// Waits until the window is the active one, then performs the steps; stops at the first step
// that cannot be done (a failure of the test).
void perform(QWidget* window, QTableView* list, const QList<UiStep>& steps);

}  // namespace dyt::test
