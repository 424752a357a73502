#include "support/client/scriptedprompter.h"

namespace dyt::client {

namespace {
QString cancelledAnswer() {
    return QStringLiteral("(取消)");
}
}  // namespace

QString promptKindName(PromptKind kind) {
    static const char* const names[] = {"message", "question", "input", "flash", "progress"};
    return QString::fromLatin1(names[static_cast<int>(kind)]);
}

ScriptedPrompter::ScriptedPrompter() = default;

ScriptedPrompter::~ScriptedPrompter() {
    if (!script_.isEmpty() && failureHandler_) {
        QStringList left;
        for (const Step& step : script_) {
            left.append(promptKindName(step.kind) + QLatin1Char(' ') +
                        (step.cancel ? cancelledAnswer() : step.value));
        }
        failureHandler_(QStringLiteral("scripted answers left unused: ") +
                        left.join(QStringLiteral(", ")));
    }
}

ScriptedPrompter& ScriptedPrompter::answer(const QString& button, const QString& expectedText) {
    script_.append({PromptKind::Question, button, false, expectedText});
    return *this;
}

ScriptedPrompter& ScriptedPrompter::escape(const QString& expectedText) {
    script_.append({PromptKind::Question, QString(), true, expectedText});
    return *this;
}

ScriptedPrompter& ScriptedPrompter::enter(const QString& text, const QString& expectedPrompt) {
    script_.append({PromptKind::Input, text, false, expectedPrompt});
    return *this;
}

ScriptedPrompter& ScriptedPrompter::cancelInput(const QString& expectedPrompt) {
    script_.append({PromptKind::Input, QString(), true, expectedPrompt});
    return *this;
}

QList<PromptRecord> ScriptedPrompter::records(PromptKind kind) const {
    QList<PromptRecord> out;
    for (const PromptRecord& r : records_) {
        if (r.kind == kind) {
            out.append(r);
        }
    }
    return out;
}

QStringList ScriptedPrompter::messages() const {
    QStringList out;
    for (const PromptRecord& r : records(PromptKind::Message))
        out.append(r.text);
    return out;
}

QStringList ScriptedPrompter::progressTexts() const {
    QStringList out;
    for (const PromptRecord& r : records_) {
        if (r.kind == PromptKind::Progress && (out.isEmpty() || out.last() != r.text)) {
            out.append(r.text);
        }
    }
    return out;
}

QString ScriptedPrompter::describe(const PromptRecord& record) {
    QString d = promptKindName(record.kind) + QStringLiteral(" [") + record.caption +
                QStringLiteral("] \"") + record.text + QLatin1Char('"');
    if (!record.buttons.isEmpty()) {
        d += QStringLiteral(" buttons ") + record.buttons.join(QLatin1Char('/'));
    }
    return d;
}

void ScriptedPrompter::fail(const QString& what) {
    if (failureHandler_) {
        failureHandler_(what);
    }
    throw Fault(what.toStdString());
}

ScriptedPrompter::Step ScriptedPrompter::take(PromptKind kind, const PromptRecord& record) {
    if (script_.isEmpty()) {
        fail(QStringLiteral("unexpected ") + describe(record) +
             QStringLiteral(": no scripted answer left"));
    }
    Step step = script_.takeFirst();
    if (step.kind != kind) {
        fail(QStringLiteral("unexpected ") + describe(record) +
             QStringLiteral(": the script waits for a ") + promptKindName(step.kind));
    }
    if (!step.expected.isEmpty() && !record.text.contains(step.expected)) {
        fail(QStringLiteral("unexpected ") + describe(record) +
             QStringLiteral(": the script expects \"") + step.expected + QLatin1Char('"'));
    }
    return step;
}

void ScriptedPrompter::message(const QString& captionText, const QString& text, MessageIcon) {
    records_.append({.caption = captionText, .text = text, .buttons = {QStringLiteral("确定")}});
}

int ScriptedPrompter::ask(const QString& captionText, const QString& text,
                          const QStringList& buttonList, int) {
    const PromptRecord r{
        .kind = PromptKind::Question, .caption = captionText, .text = text, .buttons = buttonList};
    records_.append(r);
    const Step step = take(PromptKind::Question, r);
    if (step.cancel) {
        records_.last().answer = cancelledAnswer();
        return -1;
    }
    const int index = static_cast<int>(buttonList.indexOf(step.value));
    if (index < 0) {
        fail(QStringLiteral("scripted answer \"") + step.value +
             QStringLiteral("\" is not a button of ") + describe(r));
    }
    records_.last().answer = step.value;
    return index;
}

bool ScriptedPrompter::input(const QString& captionText, const QString& prompt, QString* value,
                             bool password) {
    const PromptRecord r{.kind = PromptKind::Input,
                         .caption = captionText,
                         .text = prompt,
                         .buttons = buttons::confirmCancel(),
                         .password = password};
    records_.append(r);
    const Step step = take(PromptKind::Input, r);
    if (step.cancel) {
        records_.last().answer = cancelledAnswer();
        return false;
    }
    records_.last().answer = step.value;
    if (value) {
        *value = step.value;
    }
    return true;
}

void ScriptedPrompter::flash(const QString& text, int milliseconds) {
    records_.append({.kind = PromptKind::Flash, .text = text, .milliseconds = milliseconds});
}

void ScriptedPrompter::showProgress(const QString& text, int maximum, int position,
                                    const QString& title) {
    progress_.reset(title, text, maximum, position);
    progressVisible_ = true;
    records_.append(
        {.kind = PromptKind::Progress, .caption = progress_.title(), .text = progress_.text()});
}

void ScriptedPrompter::setProgressText(const QString& text) {
    progress_.setText(text);
    records_.append({.kind = PromptKind::Progress, .caption = progress_.title(), .text = text});
}

void ScriptedPrompter::setProgressPosition(int position) {
    progress_.setPosition(position);
}
void ScriptedPrompter::setProgressMaximum(int maximum) {
    progress_.setMaximum(maximum);
}
void ScriptedPrompter::holdProgress(int milliseconds) {
    if (!records_.isEmpty() && records_.last().kind == PromptKind::Progress) {
        records_.last().milliseconds += milliseconds;
    }
}
void ScriptedPrompter::hideProgress() {
    progressVisible_ = false;
}

}  // namespace dyt::client
