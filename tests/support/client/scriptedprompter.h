#pragma once
// Prompter for tests: answers questions and input boxes from a queue and records every prompt.
// A question or input box that finds no answer, or an answer that does not fit the prompt, is a
// script fault: it is reported through the failure handler (tests hook their framework in) and
// thrown as ScriptedPrompter::Fault.

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <stdexcept>

#include "client/logic/prompter.h"

namespace dyt::client {

enum class PromptKind { Message, Question, Input, Flash, Progress };
QString promptKindName(PromptKind kind);

struct PromptRecord {
    PromptKind kind = PromptKind::Message;
    QString caption{};  // for Progress: the window title
    QString text{};     // message, question or prompt text; for Progress: the shown text
    QStringList buttons{};
    bool password = false;
    QString answer{};      // button caption or entered text; "(取消)" for a cancelled prompt
    int milliseconds = 0;  // Flash: life time of the transient window
};

class ScriptedPrompter : public Prompter {
public:
    // Thrown on a script fault; deliberately not a DytError so that no window swallows it.
    class Fault : public std::logic_error {
    public:
        using std::logic_error::logic_error;
    };

    ScriptedPrompter();
    ~ScriptedPrompter() override;

    // --- the script, consumed in order
    // The next question is answered with the button of this caption. When expectedText is not
    // empty the question's text must contain it.
    ScriptedPrompter& answer(const QString& button, const QString& expectedText = QString());
    // The next question is escaped (answer -1).
    ScriptedPrompter& escape(const QString& expectedText = QString());
    // The next input box is confirmed with this text.
    ScriptedPrompter& enter(const QString& text, const QString& expectedPrompt = QString());
    // The next input box is cancelled.
    ScriptedPrompter& cancelInput(const QString& expectedPrompt = QString());

    // --- what happened
    const QList<PromptRecord>& records() const { return records_; }
    QList<PromptRecord> records(PromptKind kind) const;
    // Texts of the messages shown, in order.
    QStringList messages() const;
    int pendingAnswers() const { return static_cast<int>(script_.size()); }
    // The progress window's texts in the order they were shown or set.
    QStringList progressTexts() const;
    void clearRecords() { records_.clear(); }

    // Called with the description of each script fault (and, from the destructor, of answers
    // left unused).
    void setFailureHandler(std::function<void(const QString&)> handler) {
        failureHandler_ = std::move(handler);
    }

    // --- Prompter
    void message(const QString& caption, const QString& text, MessageIcon icon) override;
    int ask(const QString& caption, const QString& text, const QStringList& buttons,
            int defaultButton) override;
    bool input(const QString& caption, const QString& prompt, QString* value,
               bool password) override;
    void flash(const QString& text, int milliseconds) override;
    void showProgress(const QString& text, int maximum, int position,
                      const QString& title) override;
    void setProgressText(const QString& text) override;
    void setProgressPosition(int position) override;
    void setProgressMaximum(int maximum) override;
    void holdProgress(int milliseconds) override;
    void hideProgress() override;
    bool progressVisible() const override { return progressVisible_; }

private:
    struct Step {
        PromptKind kind;
        QString value;  // button caption or text to enter
        bool cancel = false;
        QString expected;
    };
    [[noreturn]] void fail(const QString& what);
    Step take(PromptKind kind, const PromptRecord& record);
    static QString describe(const PromptRecord& record);

    QList<Step> script_;
    QList<PromptRecord> records_;
    std::function<void(const QString&)> failureHandler_;
    bool progressVisible_ = false;
};

}  // namespace dyt::client
