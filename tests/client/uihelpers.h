#pragma once
// Helpers of the window tests: scripted prompter faults as test failures, acting on the next
// modal dialog, screenshots for review.

#include <QImage>
#include <QPoint>
#include <QString>
#include <QWidget>

#include <functional>

namespace dyt::client {
class ScriptedPrompter;
}

namespace dyt::test {

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

// Saves the widget's picture as <build bin folder>/screenshots/<name>.png; returns the path.
QString saveScreenshot(QWidget* widget, const QString& name);
// Saves an image the same way.
QString saveImage(const QImage& image, const QString& name);

}  // namespace dyt::test
