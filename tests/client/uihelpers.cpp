#include "uihelpers.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "client/common/scriptedprompter.h"

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

QString saveScreenshot(QWidget* widget, const QString& name) {
    return saveImage(widget->grab().toImage(), name);
}

QString saveImage(const QImage& image, const QString& name) {
    QString dir = qEnvironmentVariable("DYT_BIN_DIR");
    if (dir.isEmpty()) {
        dir = QCoreApplication::applicationDirPath();
    }
    QDir(dir).mkpath(QStringLiteral("screenshots"));
    const QString path = dir + QStringLiteral("/screenshots/") + name + QStringLiteral(".png");
    image.save(path);
    return path;
}

}  // namespace dyt::test
