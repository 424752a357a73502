#include "client/shell/navigator.h"

#include <QLabel>
#include <QVBoxLayout>

namespace dyt::client {

TfrmNavigator::TfrmNavigator(QWidget* parent) : QWidget(parent), title_(new QLabel(this)) {
    setObjectName(QStringLiteral("frmNavigator"));
    setWindowTitle(QStringLiteral("系统导航"));
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::white);
    setPalette(pal);
    auto* layout = new QVBoxLayout(this);
    title_->setAlignment(Qt::AlignCenter);
    title_->setText(QStringLiteral("系统导航"));
    layout->addWidget(title_);
}

void TfrmNavigator::SelectPage(int page) {
    page_ = page < 1 ? 1 : page;
}

void TfrmNavigator::RefreshCommonFunctions() {}

}  // namespace dyt::client
