#include "client/common/dialogprompter.h"

#include <QApplication>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

namespace dyt::client {

namespace {

QWidget* activeParent() {
    return QApplication::activeWindow();
}

QStyle::StandardPixmap iconPixmap(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Warning:
            return QStyle::SP_MessageBoxWarning;
        case MessageIcon::Error:
            return QStyle::SP_MessageBoxCritical;
        case MessageIcon::Information:
            break;
    }
    return QStyle::SP_MessageBoxInformation;
}

}  // namespace

// --- TfrmMsgDlg

TfrmMsgDlg::TfrmMsgDlg(const QString& captionText, const QString& text,
                       const QStringList& buttonCaptions, int defaultButton, MessageIcon icon,
                       QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("TfrmMsgDlg"));
    setWindowTitle(captionText);
    setModal(true);

    auto* iconLabel = new QLabel(this);
    const int extent = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    iconLabel->setPixmap(style()->standardIcon(iconPixmap(icon), nullptr, this).pixmap(extent));
    iconLabel->setAlignment(Qt::AlignTop);

    textLabel_ = new QLabel(displayLineBreaks(text), this);
    textLabel_->setObjectName(QStringLiteral("lblText"));
    textLabel_->setTextFormat(Qt::PlainText);
    textLabel_->setWordWrap(true);
    textLabel_->setMinimumWidth(240);
    textLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* top = new QHBoxLayout;
    top->addWidget(iconLabel);
    top->addWidget(textLabel_, 1);

    auto* row = new QHBoxLayout;
    row->addStretch(1);
    for (int i = 0; i < buttonCaptions.size(); ++i) {
        auto* b = new QPushButton(buttonCaptions.at(i), this);
        b->setObjectName(QStringLiteral("btn%1").arg(i));
        b->setAutoDefault(true);
        connect(b, &QPushButton::clicked, this, [this, i] {
            chosen_ = i;
            accept();
        });
        buttons_.append(b);
        row->addWidget(b);
    }
    row->addStretch(1);
    if (defaultButton >= 0 && defaultButton < buttons_.size()) {
        buttons_.at(defaultButton)->setDefault(true);
        buttons_.at(defaultButton)->setFocus();
    }

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(row);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString TfrmMsgDlg::text() const {
    return textLabel_->text();
}

// --- TfrmInputDlg

TfrmInputDlg::TfrmInputDlg(const QString& captionText, const QString& prompt, const QString& value,
                           bool password, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("TfrmInputDlg"));
    setWindowTitle(captionText);
    setModal(true);
    promptLabel_ = new QLabel(displayLineBreaks(prompt), this);
    promptLabel_->setTextFormat(Qt::PlainText);
    promptLabel_->setWordWrap(true);
    edit_ = new QLineEdit(value, this);
    edit_->setObjectName(QStringLiteral("edValue"));
    edit_->setMinimumWidth(260);
    if (password) {
        edit_->setEchoMode(QLineEdit::Password);
    }
    edit_->selectAll();
    ok_ = new QPushButton(QStringLiteral("确定"), this);
    ok_->setDefault(true);
    cancel_ = new QPushButton(QStringLiteral("取消"), this);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(ok_);
    row->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(promptLabel_);
    layout->addWidget(edit_);
    layout->addLayout(row);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    edit_->setFocus();
}

QString TfrmInputDlg::value() const {
    return edit_->text();
}
QString TfrmInputDlg::prompt() const {
    return promptLabel_->text();
}

// --- TfrmFlashMsg

TfrmFlashMsg::TfrmFlashMsg(const QString& text, int milliseconds, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("TfrmFlashMsg"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);
    label_ = new QLabel(displayLineBreaks(text), this);
    label_->setTextFormat(Qt::PlainText);
    label_->setAlignment(Qt::AlignCenter);
    QFont f = label_->font();
    f.setPointSizeF(f.pointSizeF() * 1.4);
    f.setBold(true);
    label_->setFont(f);
    setStyleSheet(
        QStringLiteral("#TfrmFlashMsg { background: #FFFFE1; border: 1px solid #808080; }"));
    setAttribute(Qt::WA_StyledBackground);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 16, 24, 16);
    layout->addWidget(label_);
    timer_ = new QTimer(this);
    timer_->setSingleShot(true);
    timer_->setInterval(milliseconds);
    connect(timer_, &QTimer::timeout, this, &QWidget::close);
    timer_->start();
}

QString TfrmFlashMsg::text() const {
    return label_->text();
}

// --- TfrmProgressor

TfrmProgressor::TfrmProgressor(ProgressState* state, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowStaysOnTopHint),
      state_(state) {
    setObjectName(QStringLiteral("TfrmProgressor"));
    setWindowModality(Qt::ApplicationModal);
    label_ = new QLabel(this);
    label_->setObjectName(QStringLiteral("lblText"));
    label_->setTextFormat(Qt::PlainText);
    label_->setWordWrap(true);
    label_->setMinimumWidth(320);
    bar_ = new QProgressBar(this);
    bar_->setTextVisible(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 16);
    layout->addWidget(label_);
    layout->addWidget(bar_);
    timer_ = new QTimer(this);
    timer_->setInterval(ProgressState::kStepMilliseconds);
    connect(timer_, &QTimer::timeout, this, &TfrmProgressor::tick);
    refresh();
}

void TfrmProgressor::refresh() {
    setWindowTitle(state_->title().isEmpty() ? QApplication::applicationDisplayName()
                                             : state_->title());
    label_->setText(displayLineBreaks(state_->text()));
    bar_->setRange(0, state_->maximum());
    bar_->setValue(state_->position());
    if (isVisible()) {
        repaint();
    }
}

QString TfrmProgressor::text() const {
    return label_->text();
}
int TfrmProgressor::barValue() const {
    return bar_->value();
}
int TfrmProgressor::barMaximum() const {
    return bar_->maximum();
}

void TfrmProgressor::tick() {
    state_->step();
    bar_->setValue(state_->position());
}

void TfrmProgressor::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    timer_->start();
}

void TfrmProgressor::hideEvent(QHideEvent* event) {
    timer_->stop();
    QWidget::hideEvent(event);
}

// --- DialogPrompter

DialogPrompter::DialogPrompter() = default;

DialogPrompter::~DialogPrompter() {
    // The windows are top-level widgets; QApplication may already be gone at process exit.
    if (QApplication::instance()) {
        delete progressWindow_.data();
        delete flash_.data();
    }
}

void DialogPrompter::message(const QString& captionText, const QString& text, MessageIcon icon) {
    TfrmMsgDlg dlg(captionText, text, {QStringLiteral("确定")}, 0, icon, activeParent());
    dlg.exec();
}

int DialogPrompter::ask(const QString& captionText, const QString& text,
                        const QStringList& buttonList, int defaultButton) {
    TfrmMsgDlg dlg(captionText, text, buttonList, defaultButton, MessageIcon::Information,
                   activeParent());
    dlg.exec();
    return dlg.chosen();
}

bool DialogPrompter::input(const QString& captionText, const QString& prompt, QString* value,
                           bool password) {
    TfrmInputDlg dlg(captionText, prompt, value ? *value : QString(), password, activeParent());
    if (dlg.exec() != QDialog::Accepted) {
        return false;
    }
    if (value) {
        *value = dlg.value();
    }
    return true;
}

void DialogPrompter::flash(const QString& text, int milliseconds) {
    if (flash_) {
        flash_->close();
    }
    flash_ = new TfrmFlashMsg(text, milliseconds, activeParent());
    flash_->adjustSize();
    const QRect area = flash_->parentWidget() ? flash_->parentWidget()->geometry()
                       : flash_->screen()     ? flash_->screen()->availableGeometry()
                                              : QRect();
    if (area.isValid()) {
        flash_->move(area.center() - flash_->rect().center());
    }
    flash_->show();
}

TfrmProgressor* DialogPrompter::progressWindow() {
    if (!progressWindow_) {
        progressWindow_ = new TfrmProgressor(&progress_);
    }
    return progressWindow_;
}

void DialogPrompter::showProgress(const QString& text, int maximum, int position,
                                  const QString& title) {
    progress_.reset(title, text, maximum, position);
    TfrmProgressor* w = progressWindow();
    w->refresh();
    w->adjustSize();
    w->show();
    w->raise();
    w->repaint();
}

void DialogPrompter::setProgressText(const QString& text) {
    progress_.setText(text);
    progressWindow()->refresh();
}

void DialogPrompter::setProgressPosition(int position) {
    progress_.setPosition(position);
    progressWindow()->refresh();
}

void DialogPrompter::setProgressMaximum(int maximum) {
    progress_.setMaximum(maximum);
    progressWindow()->refresh();
}

void DialogPrompter::holdProgress(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

void DialogPrompter::hideProgress() {
    if (progressWindow_) {
        progressWindow_->hide();
    }
}

bool DialogPrompter::progressVisible() const {
    return progressWindow_ && progressWindow_->isVisible();
}

}  // namespace dyt::client
