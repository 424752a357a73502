#pragma once
// Pictures of the windows for review: <build bin folder>/screenshots/<name>.png.

#include <QCoreApplication>
#include <QDir>
#include <QPixmap>
#include <QString>
#include <QWidget>

namespace dyt::test {

inline QString saveScreenshot(QWidget* widget, const QString& name) {
    QString dir = qEnvironmentVariable("DYT_BIN_DIR");
    if (dir.isEmpty())
        dir = QCoreApplication::applicationDirPath();
    QDir(dir).mkpath(QStringLiteral("screenshots"));
    const QString path = dir + QStringLiteral("/screenshots/") + name + QStringLiteral(".png");
    widget->grab().save(path);
    return path;
}

}  // namespace dyt::test
