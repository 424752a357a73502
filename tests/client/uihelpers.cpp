#include "uihelpers.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "client/common/gridview.h"
#include "client/logic/recordsetmodel.h"
#include "support/client/scriptedprompter.h"

#include <memory>

namespace dyt::test {

void reportFaultsToTest(client::ScriptedPrompter& prompter) {
    prompter.setFailureHandler(
        [](const QString& what) { ADD_FAILURE() << "prompter: " << qPrintable(what); });
}

void onNextModal(std::function<void(QWidget*)> action) {
    auto* timer = new QTimer;
    auto turns = std::make_shared<int>(0);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, turns, action] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible()) {
            timer->stop();
            timer->deleteLater();
            action(modal);
            return;
        }
        if (++*turns > 1000) {
            timer->stop();
            timer->deleteLater();
            ADD_FAILURE() << "no modal dialog appeared";
        }
    });
    timer->start();
}

void doubleClick(QWidget* widget, const QPoint& pos) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, pos);
    QTest::mouseDClick(widget, Qt::LeftButton, {}, pos);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, pos);
}

bool waitUntil(const std::function<bool()>& condition, int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > milliseconds)
            return false;
        QTest::qWait(10);
    }
    return true;
}

void walkStep(const QString& name) {
    const QString dir = qEnvironmentVariable("DYT_WALK_DIR");
    if (dir.isEmpty())
        return;
    static int step = 0;
    // Let the window manager and the windows paint what the last keys changed.
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QDir().mkpath(dir);
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const QString prefix = test ? QString::fromUtf8(test->name()) + QLatin1Char('-') : QString();
    const QString file =
        u"%1/%2-%3%4.png"_s.arg(dir).arg(++step, 3, 10, QLatin1Char('0')).arg(prefix, name);
    screen->grabWindow(0).save(file);
}

namespace {

QPointer<QWidget> keyWindow;

QWidget* keyTarget() {
    if (!QApplication::focusWidget() && keyWindow) {
        keyWindow->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(keyWindow));
    }
    if (!QApplication::focusWidget())
        ADD_FAILURE() << "no focus for the key";
    return QApplication::focusWidget();
}
void pickIn(QWidget* window, const QString& code) {
    auto* search = window->findChild<QLineEdit*>(u"edFilter"_s);
    auto* grid = window->findChild<GridView*>();
    if (!search || !grid) {
        ADD_FAILURE() << "not a selection: " << window->metaObject()->className();
        window->close();
        return;
    }
    search->setFocus();
    QTest::keyClick(search, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(search, code);
    QTest::qWait(400);  // a search that follows the typing has run by now
    if (!grid->model() || grid->model()->rowCount() != 1)
        QTest::keyClick(search, Qt::Key_Return);
    if (!window->isVisible())
        return;
    grid->table()->setFocus();
    QTest::keyClick(grid->table(), Qt::Key_Return);
    if (!window->isVisible())
        return;
    for (auto* button : window->findChildren<QPushButton*>())
        if (button->text() == u"确定(&O)"_s || button->text() == u"选择(&S)"_s) {
            QTest::mouseClick(button, Qt::LeftButton);
            return;
        }
    ADD_FAILURE() << "no choose button";
    window->close();
}

}  // namespace

void setKeyWindow(QWidget* window) {
    keyWindow = window;
}
void typeInto(QWidget* widget, const QString& text) {
    // Characters without a key of their own come as the text of a key event, as an input
    // method hands them over.
    for (const QChar c : text) {
        if (c.unicode() < 128)
            QTest::keyClick(widget, c.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}
void typeKeys(const QString& text) {
    // The focus is asked again for every key: the first key may open an editor that takes it.
    for (const QChar c : text) {
        if (QWidget* w = keyTarget())
            typeInto(w, QString(c));
    }
}
void pressKey(Qt::Key key, Qt::KeyboardModifiers modifiers) {
    if (QWidget* w = keyTarget())
        QTest::keyClick(w, key, modifiers);
}
void pickNext(const QString& code) {
    onNextModal([code](QWidget* window) { pickIn(window, code); });
}

void perform(QWidget* window, QTableView* list, const QList<UiStep>& steps) {
    if (!QTest::qWaitForWindowActive(window)) {
        ADD_FAILURE() << "the window did not become active";
        return;
    }
    for (int i = 0; i < steps.size(); ++i) {
        const UiStep& s = steps[i];
        SCOPED_TRACE("step " + std::to_string(i + 1));
        if (!window->isVisible()) {
            ADD_FAILURE() << "the window closed before the step";
            return;
        }
        QWidget* focus = QApplication::focusWidget();
        switch (s.kind) {
            case UiStep::Key:
            case UiStep::Type:
                if (!focus) {
                    ADD_FAILURE() << "no widget has the focus";
                    return;
                }
                if (s.kind == UiStep::Key) {
                    const QKeyCombination k = QKeyCombination::fromCombined(s.key);
                    QTest::keyClick(focus, k.key(), k.keyboardModifiers());
                } else {
                    // Chinese text too: each character as a key event carrying its text.
                    for (const QChar ch : s.text) {
                        QTest::sendKeyEvent(QTest::Click, focus,
                                            static_cast<Qt::Key>(ch.toUpper().unicode()),
                                            QString(ch), Qt::NoModifier);
                    }
                }
                break;
            case UiStep::Rows:
                if (!QTest::qWaitFor(
                        [&] { return list->model() && list->model()->rowCount() == s.n; }, 3000)) {
                    ADD_FAILURE() << "the list shows "
                                  << (list->model() ? list->model()->rowCount() : -1)
                                  << " rows, not " << s.n;
                    return;
                }
                walkStep(window->windowTitle() + u"-rows"_s);
                break;
            case UiStep::Click: {
                auto* button = window->findChild<QPushButton*>(s.text);
                if (!button) {
                    ADD_FAILURE() << "no button " << s.text.toStdString();
                    return;
                }
                // As its Alt shortcut does: the focus stays where it is.
                button->click();
                break;
            }
            case UiStep::DoubleClick: {
                const QRect r = list->visualRect(list->model()->index(s.n, 1));
                doubleClick(list->viewport(), r.center());
                break;
            }
        }
    }
}

}  // namespace dyt::test
