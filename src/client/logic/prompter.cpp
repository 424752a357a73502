#include "client/logic/prompter.h"

#include <QtGlobal>

#include "common/error.h"

namespace dyt::client {

namespace buttons {
QStringList okCancel() {
    return {QStringLiteral("确定(&O)"), QStringLiteral("取消(&C)")};
}
QStringList yesNo() {
    return {QStringLiteral("是(&O)"), QStringLiteral("否(&C)")};
}
QStringList continueAbandon() {
    return {QStringLiteral("继续"), QStringLiteral("放弃")};
}
QStringList confirmAbandon() {
    return {QStringLiteral("确定"), QStringLiteral("放弃")};
}
QStringList confirmCancel() {
    return {QStringLiteral("确定"), QStringLiteral("取消")};
}
QStringList upgradeOrQuit() {
    return {QStringLiteral("确定升级"), QStringLiteral("放弃退出")};
}
QStringList reconnectOrQuit() {
    return {QStringLiteral("继续连接"), QStringLiteral("退出系统")};
}
}  // namespace buttons

QString defaultProgressText() {
    return QStringLiteral("正在努力工作，请稍候 ...");
}
QString silentErrorText() {
    return QStringLiteral("不提示");
}

// --- ProgressState

void ProgressState::reset(const QString& title, const QString& text, int maximum, int position) {
    title_ = title;
    text_ = text.isEmpty() ? defaultProgressText() : text;
    maximum_ = maximum > 0 ? maximum : kDefaultMaximum;
    setPosition(position);
}

void ProgressState::setMaximum(int maximum) {
    maximum_ = maximum > 0 ? maximum : kDefaultMaximum;
    setPosition(position_);
}

void ProgressState::setPosition(int position) {
    position_ = qBound(0, position, maximum_);
}

void ProgressState::step() {
    ++position_;
    if (position_ > maximum_) {
        position_ = 1;
    }
}

// --- Prompter

Prompter::~Prompter() = default;

bool Prompter::confirm(const QString& captionText, const QString& text,
                       const QStringList& buttonList) {
    return ask(captionText, text, buttonList, 0) == 0;
}

void Prompter::showError(const QString& captionText, const QString& text) {
    if (text == silentErrorText()) {
        return;
    }
    message(captionText, text, MessageIcon::Error);
}

void Prompter::showError(const QString& captionText, const std::exception& error) {
    if (const auto* dyt = dynamic_cast<const DytError*>(&error)) {
        showError(captionText, dyt->message());
    } else {
        showError(captionText, QString::fromLocal8Bit(error.what()));
    }
}

// --- AcceptDefaultsPrompter

void AcceptDefaultsPrompter::write(const QString& line) {
    log_.append(line);
    qInfo("%s", qUtf8Printable(line));
}

void AcceptDefaultsPrompter::message(const QString& captionText, const QString& text, MessageIcon) {
    write(captionText + QStringLiteral(": ") + text);
}

int AcceptDefaultsPrompter::ask(const QString& captionText, const QString& text,
                                const QStringList& buttonList, int defaultButton) {
    const int answer = defaultButton >= 0 && defaultButton < buttonList.size() ? defaultButton : -1;
    write(captionText + QStringLiteral(": ") + text + QStringLiteral(" -> ") +
          (answer >= 0 ? buttonList.at(answer) : QStringLiteral("(取消)")));
    return answer;
}

bool AcceptDefaultsPrompter::input(const QString& captionText, const QString& prompt, QString*,
                                   bool) {
    write(captionText + QStringLiteral(": ") + prompt + QStringLiteral(" -> (取消)"));
    return false;
}

void AcceptDefaultsPrompter::flash(const QString& text, int) {
    write(text);
}

void AcceptDefaultsPrompter::showProgress(const QString& text, int maximum, int position,
                                          const QString& title) {
    progress_.reset(title, text, maximum, position);
    visible_ = true;
}

void AcceptDefaultsPrompter::setProgressText(const QString& text) {
    progress_.setText(text);
}
void AcceptDefaultsPrompter::setProgressPosition(int position) {
    progress_.setPosition(position);
}
void AcceptDefaultsPrompter::setProgressMaximum(int maximum) {
    progress_.setMaximum(maximum);
}
void AcceptDefaultsPrompter::holdProgress(int) {}
void AcceptDefaultsPrompter::hideProgress() {
    visible_ = false;
}

// --- process-wide accessor

namespace {
Prompter* g_current = nullptr;
Prompter* g_default = nullptr;

Prompter& defaultPrompter() {
    if (g_default)
        return *g_default;
    static AcceptDefaultsPrompter unattended;
    return unattended;
}
}  // namespace

Prompter& prompter() {
    return g_current ? *g_current : defaultPrompter();
}

void setDefaultPrompter(Prompter* fallback) {
    g_default = fallback;
}

Prompter* setPrompter(Prompter* next) {
    Prompter* previous = g_current;
    g_current = next;
    return previous;
}

// --- ProgressScope

ProgressScope::ProgressScope(const QString& text, int maximum, int position, const QString& title) {
    prompter().showProgress(text, maximum, position, title);
}

ProgressScope::~ProgressScope() {
    prompter().hideProgress();
}

QString displayLineBreaks(const QString& text) {
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t;
}

}  // namespace dyt::client
