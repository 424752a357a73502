#pragma once
// Helpers of the window tests: scripted prompter faults as test failures, acting on the next
// modal dialog, screenshots for review.

#include <QImage>
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

// Saves the widget's picture as <build bin folder>/screenshots/<name>.png; returns the path.
QString saveScreenshot(QWidget* widget, const QString& name);
// Saves an image the same way.
QString saveImage(const QImage& image, const QString& name);

// One step of an operator's flow. When DYT_WALK_DIR is set (scripts/walk.sh, a real display with
// a window manager), the whole screen is saved there as "<number>-<name>.png", numbered in the
// order of the steps; otherwise nothing happens.
void walkStep(const QString& name);

}  // namespace dyt::test
