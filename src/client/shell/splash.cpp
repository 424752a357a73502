#include "client/shell/splash.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QVBoxLayout>

#include "client/logic/prompter.h"

namespace dyt::client {

QString TfrmSplash::title() {
    return QStringLiteral("《德盈通》普及版");
}

TfrmSplash::TfrmSplash(const QString& programDir, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint),
      picture_(new QLabel(this)),
      title_(new QLabel(title(), this)),
      message_(new QLabel(this)),
      gauge_(new QProgressBar(this)) {
    setObjectName(QStringLiteral("frmSplash"));
    setFixedWidth(509);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 8);
    picture_->setAlignment(Qt::AlignCenter);
    picture_->setMinimumHeight(200);
    QFont f = title_->font();
    f.setPointSize(18);
    f.setBold(true);
    title_->setFont(f);
    title_->setAlignment(Qt::AlignCenter);
    gauge_->setRange(0, 100);
    gauge_->setValue(0);
    gauge_->setTextVisible(false);
    layout->addWidget(picture_);
    layout->addWidget(title_);
    layout->addWidget(message_);
    layout->addWidget(gauge_);

    const QString file = QDir(programDir).filePath(QStringLiteral("images/dytv1Splash.jpg"));
    if (QFileInfo::exists(file)) {
        QPixmap pixmap;
        if (pixmap.load(file)) {
            picture_->setPixmap(pixmap);
            pictureLoaded_ = true;
        } else {
            prompter().message(caption::hint(),
                               QStringLiteral("启动画面加载失败，系统可能已经被破坏,\r"
                                              "建议您重新安装客户端系统！"),
                               MessageIcon::Warning);
        }
    }
}

void TfrmSplash::step(const QString& message) {
    const int percent = steps_ * 10;
    message_->setText(message + QStringLiteral("..."));
    gauge_->setValue(percent);
    history_.append(QStringLiteral("%1|%2").arg(message_->text()).arg(percent));
    ++steps_;
    if (isVisible())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TfrmSplash::finish() {
    gauge_->setValue(100);
    started_ = true;
}

int TfrmSplash::gauge() const {
    return gauge_->value();
}

QString TfrmSplash::message() const {
    return message_->text();
}

void TfrmSplash::mousePressEvent(QMouseEvent* event) {
    QWidget::mousePressEvent(event);
    if (started_)
        close();
}

}  // namespace dyt::client
